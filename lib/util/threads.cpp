// The number of threads a library call works with, and the parallel region
// its tasks run in.
#include <omp.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "util/util.h"
#include "zorbel.h"

namespace {

// What ZORBEL_SetNumThreads last asked for; 0 for the default. The library's
// one setting that outlives a call; the atomic keeps its reading race-free.
std::atomic<int> gRequestedThreads{0};

}  // namespace

int NumThreadsFromEnvironment__() {
  const char *text = std::getenv("ZORBEL_NUM_THREADS");
  if (text == nullptr) return 0;
  char *end = nullptr;
  errno = 0;
  const long value = std::strtol(text, &end, 10);
  if (*text < '0' || *text > '9' || *end != '\0' || errno == ERANGE || value < 1 ||
      value > INT_MAX)
    errexit__("ZORBEL_NUM_THREADS must be a positive integer, not \"%s\".\n", text);
  return static_cast<int>(value);
}

int NumThreads__() {
  const int requested = gRequestedThreads.load(std::memory_order_relaxed);
  if (requested > 0) return requested;
  const int fromEnvironment = NumThreadsFromEnvironment__();
  return fromEnvironment > 0 ? fromEnvironment : omp_get_num_procs();
}

void InParallel__(const std::function<void()> &work) {
  const int nthreads = omp_in_parallel() ? 1 : NumThreads__();
  if (nthreads == 1) {
    // Already inside a call's region (a phase of it), or one thread: the
    // tasks of work run in the region at hand, or at once where they arise.
    work();
    return;
  }
#pragma omp parallel num_threads(nthreads)
#pragma omp single
  work();
}

bool TasksRunInParallel__() { return omp_in_parallel() && omp_get_num_threads() > 1; }

extern "C" void ZORBEL_SetNumThreads(int nthreads) {
  gRequestedThreads.store(nthreads > 0 ? nthreads : 0, std::memory_order_relaxed);
}
