// Support routines: labelled allocation and release, fatal errors, files,
// the processor clock, vector operations, random numbers and sorting.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <type_traits>
#include <vector>

// A key-value pair of the key sorts: the sorts compare keys and move both.
struct KeyValueType {
  int key;
  int val;
};

// ---- Errors and files -------------------------------------------------------

// Prints the message and one more newline on standard error and ends the
// process with exit status 1, or hands the message to the handler installed
// by ZORBEL_SetErrorHandler, which throws. The only way a fatal error leaves
// the library.
[[noreturn]] void errexit__(const char *fmt, ...) __attribute__((format(printf, 1, 2)));

// fopen, or the caller's message with the system's error text and exit status 1.
FILE *ZBfopen__(const char *fname, const char *mode, const char *msg);
void ZBfclose__(FILE *fp);

// Processor time (user + system) of the process so far, in seconds.
double seconds__();
// Processor time of the calling thread so far, in seconds.
double threadseconds__();

// ---- Trace ------------------------------------------------------------------

// The library's trace: printf to standard output, or into the buffer of the
// task at hand (TraceInto__), so that tasks running at once keep their lines
// apart and their parent writes them out in the sequential order.
void Trace__(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
// fflush(stdout) when the trace goes there.
void TraceFlush__();
// Writes text to the trace as it is (a finished task's buffer).
void TraceText__(const std::string &text);
// While it lives, the calling thread's trace goes into buffer.
class TraceInto__ {
 public:
  explicit TraceInto__(std::string *buffer);
  ~TraceInto__();
  TraceInto__(const TraceInto__ &) = delete;
  TraceInto__ &operator=(const TraceInto__ &) = delete;

 private:
  std::string *previous_;
};

// ---- Threads ----------------------------------------------------------------

// The threads of a call: what ZORBEL_SetNumThreads asked for, else
// ZORBEL_NUM_THREADS, else every hardware thread. An environment value that
// is not a positive integer ends the run.
int NumThreads__();
// ZORBEL_NUM_THREADS as a positive count, 0 when it is not set; any other
// value ends the run with one line.
int NumThreadsFromEnvironment__();
// Runs work, and the tasks it spawns, on the call's threads: in a parallel
// region of NumThreads__() threads opened for it, or in the region already
// running when the call is a phase of another.
void InParallel__(const std::function<void()> &work);
// Whether tasks spawned here may run side by side: inside a call's parallel
// region of more than one thread.
bool TasksRunInParallel__();
// While it lives, the library calls of the calling thread work with nthreads
// threads when it is positive, whatever ZORBEL_SetNumThreads and
// ZORBEL_NUM_THREADS say; 0 changes nothing. For a caller that sets the
// number per call (the Python module).
class CallThreads__ {
 public:
  explicit CallThreads__(int nthreads);
  ~CallThreads__();
  CallThreads__(const CallThreads__ &) = delete;
  CallThreads__ &operator=(const CallThreads__ &) = delete;

 private:
  int previous_;
};
// Carries the first exception of a group of tasks out of them: an exception
// must not leave an OpenMP task or region (the runtime would end the
// process). Each task's body runs through Run; the one that spawned them
// calls Rethrow after its taskwait, once every task has stopped using what it
// shares. An error handler that throws reaches the caller this way from any
// thread of a call.
class TaskErrors__ {
 public:
  void Run(const std::function<void()> &work) noexcept;
  void Rethrow();

 private:
  std::mutex mutex_;
  std::exception_ptr first_;
};

// Runs task(0) .. task(n-1) as tasks side by side when the call's region has
// more than one thread (one after another otherwise), each tracing into a
// buffer of its own, and returns the buffers in task order once every task
// has ended; the first exception of a task is rethrown then. The caller
// writes the buffers out where a sequential run prints them.
std::vector<std::string> SideBySide__(int n, const std::function<void(int)> &task);
// Runs task(0) .. task(n-1) as tasks side by side when the call's region has
// more than one thread (one after another otherwise), and returns once all
// have ended; the first exception is rethrown then. A thread that waits
// inside one of them for tasks of its own runs only those, so no more of them
// are under way than there are threads. For work that does not trace.
void InTasks__(int n, const std::function<void(int)> &task);
// The first of n items in chunk t of nchunks.
inline int ChunkStart__(int n, int nchunks, int t) {
  return static_cast<int>(static_cast<long long>(n) * t / nchunks);
}
// Calls range(t, lo, hi) for each chunk t of nchunks, [lo, hi) of [0, n), in
// tasks side by side (see InTasks__).
void InChunks__(int n, int nchunks, const std::function<void(int, int, int)> &range);
// Calls item(t, i) for every i of [lo, hi) in ntasks tasks side by side (see
// InTasks__), task t taking every ntasks-th run of block items, each in
// order: the tasks get their share of every stretch of an ordering whose
// items cost more towards one end.
template <class Item>
void InInterleavedBlocks__(int lo, int hi, int ntasks, int block, Item item) {
  InTasks__(ntasks, [&](int t) {
    for (int b = lo + t * block; b < hi; b += ntasks * block)
      for (int i = b; i < std::min(hi, b + block); ++i) item(t, i);
  });
}
// The threads of the region the caller runs in; 1 outside one.
int RegionThreads__();
// Levels of at least this many pins are coarsened and refined in tasks when a
// phase has the call's threads to itself.
constexpr int kTaskPins = 1 << 16;

// Tasks that nobody waits for one by one: Spawn queues one (or runs it at
// once when the call's region has one thread), and a task may spawn more into
// the same group. InTaskGroup__ returns once all of them have ended. A thread
// waiting there runs any task of the group, however deep it was spawned; a
// task waiting for its own tasks runs only those, so work that spawns at
// several depths (the halves of the recursion) spawns into one group rather
// than waiting at each depth.
class TaskGroup__ {
 public:
  void Spawn(const std::function<void()> &task);

 private:
  friend void InTaskGroup__(const std::function<void(TaskGroup__ &)> &body);
  TaskGroup__() = default;
  TaskErrors__ errors_;
};
// Runs body, which spawns into the group, and returns once every task of the
// group has ended; the first exception of body or a task is rethrown then.
void InTaskGroup__(const std::function<void(TaskGroup__ &)> &body);

// ---- Progress ---------------------------------------------------------------

// The progress record of one public call and the function it reports to
// (ZORBEL_SetProgress), or nothing when none is installed: the routines below
// then cost one test of a null pointer each.
struct ProgressSink;
using ProgressOwner = std::shared_ptr<ProgressSink>;

// A record for a call that begins at stage (a ZORBEL_STAGE_ value) with
// nbisections bisections of nruns trials each, reported at once; null when no
// function is installed.
ProgressOwner BeginProgress__(int stage, int nbisections, int nruns);
// The same for a call that names its own function (func NULL: nothing).
using ProgressFunc__ = void (*)(const struct ZORBEL_Progress *, void *);
ProgressOwner BeginProgress__(int stage, int nbisections, int nruns, ProgressFunc__ func,
                              void *data);
// A bisection (or the k-way partitioning) begins; returns its number, which
// its trials report with. Trials of an earlier one, running beside it, are
// not shown any more.
int ProgressPartitioning__(ProgressSink *sink);
void ProgressTrialEnded__(ProgressSink *sink, int partitioning);
void ProgressVCycleEnded__(ProgressSink *sink);
void ProgressStage__(ProgressSink *sink, int stage);

// ---- Memory -----------------------------------------------------------------

// NULL for 0 bytes; exits with "Memory allocation failed for <label>..." when
// the heap is exhausted.
void *ZBmalloc__(size_t nbytes, const char *label);
// Asks the system to back the whole 2 MiB pages inside the n bytes at p with
// huge pages: an array written from end to end (the pins a file lists) then
// costs one page fault per 2 MiB instead of one per 4 KiB. Only advice: the
// contents and the results stay the same whatever the system does.
void AdviseHugePages__(void *p, size_t nbytes);
// Hands the pages the heap holds free back to the system. A heap keeps what
// is freed for later requests; with one heap per thread, tasks that free
// much would otherwise leave each thread's heap at its own high-water mark.
void ReturnFreeMemory__();
// Bytes the calls of the process may still take: what SetMemoryBudget__ set,
// else what the system reports available now (free memory and the caches it
// can drop), else no bound.
long long MemoryBudget__();
// Sets the budget MemoryBudget__ reports; 0 returns to the system's figure.
void SetMemoryBudget__(long long bytes);
int *imalloc__(size_t n, const char *label);
int *ismalloc__(size_t n, int value, const char *label);
float *fmalloc__(size_t n, const char *label);
float *fsmalloc__(size_t n, float value, const char *label);

// Typed allocation of n records through ZBmalloc__ (NULL for n = 0); a byte
// count that would overflow is reported like an exhausted heap.
void *ZBmallocArray__(size_t n, size_t size, const char *label);
template <class T>
T *ZBmallocT__(size_t n, const char *label) {
  return static_cast<T *>(ZBmallocArray__(n, sizeof(T), label));
}
// The block p of at least nbytes bytes cut down to its first nbytes (p when
// it cannot be, or nbytes is 0).
void *ZBshrinkBlock__(void *p, size_t nbytes);
// Release list: frees every listed pointer variable that is not NULL and sets
// it to NULL, so a list may be applied twice.
void ZBfreeBlock__(void *p);
template <class... T>
void ZBfree__(T **...ptrs) {
  ((ZBfreeBlock__(static_cast<void *>(const_cast<std::remove_const_t<T> *>(*ptrs))), *ptrs = nullptr), ...);
}

// Owner of one array from the labelled allocator: frees it when it goes out
// of scope or is given another array, and passes ownership on only by a named
// move. It reads as the raw pointer it holds, so the array is indexed and
// handed to routines as before. Letting go is explicit: reset() frees,
// release() gives the pointer up without freeing.
//
// It may also hold an array that another owner keeps (Borrow): such an array
// is only read, is never freed here, and must outlive its borrower; a routine
// that writes into it calls Own first, which gives the borrower a copy.
template <class T>
class ZBArray {
 public:
  ZBArray() = default;
  ZBArray(const ZBArray &) = delete;
  ZBArray &operator=(const ZBArray &) = delete;
  ZBArray(ZBArray &&other) noexcept : borrowed_(other.borrowed_), ptr_(other.release()) {}
  ZBArray &operator=(ZBArray &&other) noexcept {
    const bool borrowed = other.borrowed_;
    reset(other.release());
    borrowed_ = borrowed;
    return *this;
  }
  ~ZBArray() { reset(); }

  // Takes ownership of a fresh array, freeing the one held.
  ZBArray &operator=(T *fresh) {
    reset(fresh);
    return *this;
  }
  // Dropping an array is reset(), handing it on is release(): never an
  // assignment of NULL, which could mean either.
  ZBArray &operator=(std::nullptr_t) = delete;

  operator T *() const { return ptr_; }
  T *get() const { return ptr_; }
  T *release() {
    T *p = ptr_;
    ptr_ = nullptr;
    borrowed_ = false;
    return p;
  }
  void reset(T *fresh = nullptr) {
    if (fresh == ptr_) return;
    if (!borrowed_) ZBfreeBlock__(static_cast<void *>(ptr_));
    ptr_ = fresh;
    borrowed_ = false;
  }

  // Reads other's array, which other keeps.
  void Borrow(const ZBArray &other) { Borrow(other.ptr_); }
  // Reads a caller's array in place, which the caller keeps.
  void Borrow(const T *p) {
    reset(const_cast<T *>(p));
    borrowed_ = p != nullptr;
  }
  bool Borrowed() const { return borrowed_; }
  // An owned array that was allocated larger than it turned out keeps only
  // its first n records.
  void Shrink(size_t n) {
    if (!borrowed_ && ptr_ != nullptr) ptr_ = static_cast<T *>(ZBshrinkBlock__(ptr_, n * sizeof(T)));
  }
  // A borrowed array of n records becomes a copy of its own, under label,
  // before it is written; an owned one stays as it is.
  void Own(size_t n, const char *label) {
    if (!borrowed_) return;
    T *copy = ZBmallocT__<T>(n, label);
    std::copy(ptr_, ptr_ + n, copy);
    ptr_ = copy;
    borrowed_ = false;
  }

 private:
  bool borrowed_ = false;
  T *ptr_ = nullptr;
};

// ---- Vector operations ------------------------------------------------------

int *iset__(int n, int value, int *x);
int *icopy__(int n, const int *src, int *dst);
double *dcopy__(int n, const double *src, double *dst);
int iasum__(int n, const int *x);
float sasum__(int n, const float *x);
double dasum__(int n, const double *x);
int iamax__(int n, const int *x);
int iamin__(int n, const int *x);
void daxpy__(int n, double alpha, const double *x, double *y);
double ddot__(int n, const double *x, const double *y);
double dnrm2__(int n, const double *x);
void dscal__(int n, double alpha, double *x);
void dswap__(int n, double *x, double *y);

// A lower bound on the weight of a part, as the refiners compare whole
// weights: truncated, except that a positive bound below 1 becomes 1, so that
// a part that must keep some weight cannot be emptied.
inline int MinPartWeight__(double bound) {
  const int w = static_cast<int>(bound);
  return w == 0 && bound > 0 ? 1 : w;
}

// ---- Packed integers ----------------------------------------------------------

// Varints: seven bits to a byte, lowest first, the high bit set on every byte
// but the last; an int of small magnitude takes one or two bytes instead of
// four.
inline int VarintBytes__(uint32_t x) { return (std::bit_width(x | 1u) + 6) / 7; }
inline unsigned char *PutVarint__(unsigned char *p, uint32_t x) {
  if (x < 0x80) {
    *p = static_cast<unsigned char>(x);
    return p + 1;
  }
  for (; x >= 0x80; x >>= 7) *p++ = static_cast<unsigned char>(x | 0x80);
  *p++ = static_cast<unsigned char>(x);
  return p;
}
inline uint32_t GetVarint__(const unsigned char *&p) {
  if (*p < 0x80) return *p++;
  uint32_t x = 0;
  for (int shift = 0;; shift += 7) {
    const unsigned char b = *p++;
    x |= static_cast<uint32_t>(b & 0x7f) << shift;
    if (b < 0x80) return x;
  }
}

// ---- Random numbers and permutations ----------------------------------------

// One stream of the POSIX 48-bit linear congruential generator, drawn with
// erand48: seeded like srand48, it gives drand48's numbers.
struct RandomStream {
  unsigned short x[3] = {0, 0, 0};
};

// Seeds the stream as srand48 does: the seed's 32 bits above 0x330E. A
// negative seed takes the calendar time.
void InitRandom__(RandomStream *rng, int seed);
// The next number of the stream, uniform in [0, 1).
double RandomDouble__(RandomStream *rng);

// Stream keys. Every stream of a call is derived from one 64-bit key and the
// position of the task that draws from it, never from the order in which
// tasks run, so any number of threads draws the same numbers. Keys and
// positions are mixed by splitmix64, so neighbouring seeds and positions give
// unrelated streams.
uint64_t MixKey__(uint64_t key, int64_t value);
// The key of a call: from a non-negative seed, else from the calendar time.
uint64_t SeedKey__(int seed);
// A stream whose 48-bit state is taken from the key.
RandomStream StreamOfKey__(uint64_t key);
// A new key drawn from a stream (one generator call): how a phase hands a
// key of its own to a sub-call that derives its streams from it.
uint64_t DrawKey__(RandomStream *rng);
// Coarse shuffle: n/16 swaps of blocks of four (2*(n/16) generator calls).
void RandomPermute__(RandomStream *rng, int *perm, int n, int init);
// Fine shuffle: n single swaps (2n generator calls).
void RandomPermuteFine__(RandomStream *rng, int *perm, int n, int init);
float RelDiff__(int a, int b);

// ---- Sorting ----------------------------------------------------------------

void iintsort__(int n, int *a);
void ikeysort__(int n, KeyValueType *pairs);
void ikeysort2__(int n, KeyValueType *pairs);
void dkeysort__(int n, KeyValueType *pairs);
void BucketSortKeysInc(int n, int max, const int *keys, const int *tperm, int *perm);
