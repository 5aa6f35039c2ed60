#include <gtest/gtest.h>

#include <string>

#include "util/util.h"

// Without a buffer the trace is standard output; a buffer takes the lines of
// its lifetime, a nested one those of its own, and each end restores the one
// before.
TEST(Trace, BuffersNestAndRestoreTheOuterDestination) {
  std::string outer, inner;
  testing::internal::CaptureStdout();
  Trace__("a%d ", 1);
  {
    TraceInto__ into(&outer);
    Trace__("b%s ", "2");
    {
      TraceInto__ nested(&inner);
      Trace__("c%05.1f ", 3.25);
      TraceFlush__();
    }
    Trace__("d ");
    TraceText__(inner);
  }
  Trace__("e\n");
  TraceText__(outer);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "a1 e\nb2 d c003.2 ");
  EXPECT_EQ(inner, "c003.2 ");
}

// A long line is kept whole.
TEST(Trace, LongLinesAreBufferedWhole) {
  std::string buffer;
  const std::string word(5000, 'x');
  {
    TraceInto__ into(&buffer);
    Trace__("%s|%s", word.c_str(), word.c_str());
  }
  EXPECT_EQ(buffer, word + "|" + word);
}
