// The number of threads a library call works with, and the parallel region
// its tasks run in.
#include <omp.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "util/util.h"
#include "zorbel.h"

#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define ZORBEL_THREAD_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_THREAD__) && !defined(ZORBEL_THREAD_SANITIZER)
#define ZORBEL_THREAD_SANITIZER 1
#endif
#ifdef ZORBEL_THREAD_SANITIZER
#include <sanitizer/tsan_interface.h>
#endif

namespace {

// The runtime hands the memory of a finished task back to the thread that
// made it, through synchronisation that ThreadSanitizer does not see; that
// thread may make a new task in it before it waits for the finished one. So,
// under ThreadSanitizer, the end of a task's body releases one object and the
// making of a task acquires it.
#ifdef ZORBEL_THREAD_SANITIZER
char gTaskMemory;
void TaskBodyEnds() { __tsan_release(&gTaskMemory); }
void TaskIsMade() { __tsan_acquire(&gTaskMemory); }
#else
void TaskBodyEnds() {}
void TaskIsMade() {}
#endif

// What ZORBEL_SetNumThreads last asked for; 0 for the default. The library's
// one setting that outlives a call; the atomic keeps its reading race-free.
std::atomic<int> gRequestedThreads{0};
// The number of threads of the calls this thread makes, set by
// CallThreads__; 0 when not set.
thread_local int tCallThreads = 0;

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
  if (tCallThreads > 0) return tCallThreads;
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
  TaskErrors__ errors;
#pragma omp parallel num_threads(nthreads)
#pragma omp single
  errors.Run(work);
  errors.Rethrow();
}

CallThreads__::CallThreads__(int nthreads) : previous_(tCallThreads) {
  if (nthreads > 0) tCallThreads = nthreads;
}

CallThreads__::~CallThreads__() { tCallThreads = previous_; }

void TaskErrors__::Run(const std::function<void()> &work) noexcept {
  try {
    work();
  } catch (...) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!first_) first_ = std::current_exception();
  }
}

void TaskErrors__::Rethrow() {
  if (first_) std::rethrow_exception(first_);
}

void InTasks__(int n, const std::function<void(int)> &task) {
  if (n == 1 || !TasksRunInParallel__()) {
    for (int i = 0; i < n; ++i) task(i);
    return;
  }
  // The tasks use this frame's records: a failure leaves only after the
  // taskwait. Task 0 is a task like the others rather than a call in the
  // caller's task: a taskwait inside it then waits for its own tasks only,
  // instead of for its siblings, which its thread would otherwise start one
  // after another while task 0, half done, holds its memory.
  TaskErrors__ errors;
  for (int i = 0; i < n; ++i) {
    TaskIsMade();
#pragma omp task default(shared) firstprivate(i)
    {
      errors.Run([&] { task(i); });
      TaskBodyEnds();
    }
  }
#pragma omp taskwait
  errors.Rethrow();
}

void InChunks__(int n, int nchunks, const std::function<void(int, int, int)> &range) {
  InTasks__(nchunks,
            [&](int t) { range(t, ChunkStart__(n, nchunks, t), ChunkStart__(n, nchunks, t + 1)); });
}

std::vector<std::string> SideBySide__(int n, const std::function<void(int)> &task) {
  std::vector<std::string> traces(n);
  InTasks__(n, [&](int i) {
    const TraceInto__ into(&traces[i]);
    task(i);
  });
  return traces;
}

void TaskGroup__::Spawn(const std::function<void()> &task) {
  if (!TasksRunInParallel__()) {
    errors_.Run(task);
    return;
  }
  // The task owns a copy, as the spawner may have returned when it runs. Only
  // a pointer goes into the task, so that the copy ends inside the task's
  // body, not after it (see TaskBodyEnds).
  auto *own = new std::function<void()>(task);
  TaskIsMade();
#pragma omp task default(shared) firstprivate(own)
  {
    errors_.Run(*own);
    delete own;
    TaskBodyEnds();
  }
}

void InTaskGroup__(const std::function<void(TaskGroup__ &)> &body) {
  TaskGroup__ group;
  // The tasks that spawned tasks create belong to the group as well, so the
  // end of the group waits for, and runs, every one of them.
#pragma omp taskgroup
  group.errors_.Run([&] { body(group); });
  group.errors_.Rethrow();
}

int RegionThreads__() { return omp_in_parallel() ? omp_get_num_threads() : 1; }

bool TasksRunInParallel__() { return omp_in_parallel() && omp_get_num_threads() > 1; }

extern "C" void ZORBEL_SetNumThreads(int nthreads) {
  gRequestedThreads.store(nthreads > 0 ? nthreads : 0, std::memory_order_relaxed);
}
