#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>

#include "util/util.h"
#include "zorbel.h"

namespace {

struct Refusal : std::runtime_error {
  using std::runtime_error::runtime_error;
};

void Throwing(const char *message) { throw Refusal(message); }
void Returning(const char *) {}

// Installs a handler for one test and puts the default back after it.
class WithHandler {
 public:
  explicit WithHandler(ZORBEL_ErrorHandler handler) { ZORBEL_SetErrorHandler(handler); }
  ~WithHandler() { ZORBEL_SetErrorHandler(nullptr); }
};

std::string MessageOf(const std::function<void()> &call) {
  try {
    call();
  } catch (const Refusal &e) {
    return e.what();
  }
  return "(no error)";
}

}  // namespace

TEST(ErrorHandler, ReceivesTheFormattedMessageAndItsExceptionReachesTheCaller) {
  WithHandler with(Throwing);
  EXPECT_EQ(MessageOf([] { errexit__("Empty Hyperedge # %d\n", 3); }), "Empty Hyperedge # 3\n");
  EXPECT_EQ(MessageOf([] { ZBfopen__("/nonexistent/none.hgr", "r", "Can't open"); }),
            "Can't open: No such file or directory");
}

TEST(ErrorHandler, SettingReturnsThePreviousHandler) {
  EXPECT_EQ(ZORBEL_SetErrorHandler(Throwing), nullptr);
  EXPECT_EQ(ZORBEL_SetErrorHandler(Returning), &Throwing);
  EXPECT_EQ(ZORBEL_SetErrorHandler(nullptr), &Returning);
}

TEST(ErrorHandler, AHandlerThatReturnsEndsTheProcessAsWithoutOne) {
  EXPECT_EXIT(
      {
        ZORBEL_SetErrorHandler(Returning);
        errexit__("Nparts should be at least %d.\n", 2);
      },
      ::testing::ExitedWithCode(1), "^Nparts should be at least 2\\.\n\n$");
}

TEST(ErrorHandler, AnEntryPointsRefusalComesBackAsTheException) {
  WithHandler with(Throwing);
  int eptr[] = {0, 2}, eind[] = {0, 1}, part[2], cut = 0;
  EXPECT_EQ(MessageOf([&] {
              ZORBEL_PartKway(2, 1, nullptr, eptr, eind, nullptr, 1, 5, nullptr, part, &cut);
            }),
            "Nparts should be at least 2.\n");
}

// A failure in one task of a parallel call leaves on the caller's thread
// after every other task has run to its end.
TEST(ErrorHandler, AnErrorInsideATaskLeavesTheCallAfterAllTasksStop) {
  WithHandler with(Throwing);
  CallThreads__ threads(2);
  std::atomic<int> finished{0};
  const std::string message = MessageOf([&] {
    InParallel__([&] {
      TaskErrors__ errors;
      for (int t = 0; t < 8; t++) {
#pragma omp task default(shared) firstprivate(t)
        errors.Run([&] {
          if (t == 5) errexit__("task %d failed", t);
          finished++;
        });
      }
#pragma omp taskwait
      errors.Rethrow();
    });
  });
  EXPECT_EQ(message, "task 5 failed");
  EXPECT_EQ(finished.load(), 7);
}

TEST(CallThreads, SetsTheCallingThreadsCountAndRestoresIt) {
  ZORBEL_SetNumThreads(3);
  {
    CallThreads__ five(5);
    EXPECT_EQ(NumThreads__(), 5);
    {
      CallThreads__ none(0);
      EXPECT_EQ(NumThreads__(), 5);
    }
  }
  EXPECT_EQ(NumThreads__(), 3);
  ZORBEL_SetNumThreads(0);
}
