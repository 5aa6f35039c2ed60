#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "testgen.h"
#include "util/util.h"

// Huge requests must come back as NULL from the sanitizer's allocator too, so
// that the library reports them itself.
extern "C" const char *__asan_default_options() { return "allocator_may_return_null=1"; }

TEST(Memory, ZeroElementsGiveNullAndFreeingNullDoesNothing) {
  int *p = imalloc__(0, "test: p");
  EXPECT_EQ(p, nullptr);
  float *f = fsmalloc__(0, 1.0f, "test: f");
  EXPECT_EQ(f, nullptr);
  ZBfree__(&p, &f);
  EXPECT_EQ(p, nullptr);
}

TEST(Memory, ReleaseListFreesEveryVariableOnceAndMayRepeat) {
  int *a = ismalloc__(10, 7, "test: a");
  float *b = fsmalloc__(3, 2.5f, "test: b");
  for (int i = 0; i < 10; ++i) EXPECT_EQ(a[i], 7);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(b[i], 2.5f);
  ZBfree__(&a, &b);
  EXPECT_EQ(a, nullptr);
  EXPECT_EQ(b, nullptr);
  ZBfree__(&a, &b);  // a second release of the same list is harmless
}

TEST(Memory, BorrowedArrayIsReadInPlaceAndCopiedBeforeItIsWritten) {
  ZBArray<int> owner;
  owner = ismalloc__(4, 3, "test: owner");
  ZBArray<int> reader;
  reader.Borrow(owner);
  EXPECT_TRUE(reader.Borrowed());
  EXPECT_EQ(reader.get(), owner.get());
  ZBArray<int> moved = std::move(reader);  // the borrow moves along, still not owned
  EXPECT_TRUE(moved.Borrowed());
  moved.Own(4, "test: copy");
  EXPECT_FALSE(moved.Borrowed());
  EXPECT_NE(moved.get(), owner.get());
  moved[0] = 9;
  EXPECT_EQ(owner[0], 3);
  EXPECT_EQ(moved[3], 3);
  ZBArray<int> other;
  other.Borrow(owner);
  other.reset();  // lets go of the array without freeing it
  EXPECT_EQ(owner[3], 3);
  // Shrinking keeps the first records of an owned array and leaves a borrowed
  // one alone.
  ZBArray<int> big;
  big = ismalloc__(1 << 20, 5, "test: big");
  big[7] = 8;
  big.Shrink(10);
  EXPECT_EQ(big[7], 8);
  EXPECT_EQ(big[9], 5);
  other.Borrow(owner);
  other.Shrink(1);
  EXPECT_EQ(other.get(), owner.get());
  EXPECT_EQ(owner[3], 3);
}

TEST(Memory, FailedAllocationPrintsLabelAndTrueByteCount) {
  const size_t n = size_t(1) << 60;  // 2^62 bytes: more than any address space
  EXPECT_EXIT(imalloc__(n, "test: big"), ::testing::ExitedWithCode(1),
              "Memory allocation failed for test: big\\. Requested size: " +
                  std::to_string(n * sizeof(int)) + " bytes\n\n$");
}

TEST(Memory, OverflowingByteCountIsReportedAsExhaustedHeap) {
  EXPECT_EXIT(ZBmallocT__<double>(SIZE_MAX / 4, "test: overflow"), ::testing::ExitedWithCode(1),
              "Memory allocation failed for test: overflow\\. Requested size: " +
                  std::to_string(SIZE_MAX) + " bytes");
}

TEST(Errors, ErrexitPrintsMessagePlusNewlineAndExitsWithOne) {
  EXPECT_EXIT(errexit__("Empty Hyperedge # %d\n", 3), ::testing::ExitedWithCode(1),
              "^Empty Hyperedge # 3\n\n$");
}

TEST(Errors, FailedOpenPrintsMessageWithSystemTextAndExitsWithOne) {
  zt::TempDir dir;
  std::string missing = dir.file("absent/none.hgr");
  EXPECT_EXIT(ZBfopen__(missing.c_str(), "r", "Can't open input file"), ::testing::ExitedWithCode(1),
              "^Can't open input file: No such file or directory\n$");
}

TEST(Errors, OpenedFileIsReadableAndClosable) {
  zt::TempDir dir;
  zt::WriteFile(dir.file("a.txt"), "42\n");
  FILE *fp = ZBfopen__(dir.file("a.txt").c_str(), "r", "test");
  int x = 0;
  ASSERT_EQ(fscanf(fp, "%d", &x), 1);
  EXPECT_EQ(x, 42);
  ZBfclose__(fp);
}

TEST(Clock, ProcessorTimeNeverGoesBackwards) {
  double t0 = seconds__();
  volatile double sink = 0;
  for (int i = 0; i < 200000; ++i) sink = sink + i * 0.5;
  double t1 = seconds__();
  EXPECT_GE(t0, 0.0);
  EXPECT_GE(t1, t0);
}
