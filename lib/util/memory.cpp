// Labelled allocation and release: every heap array of the library comes from
// here, so an exhausted heap is always reported with the array's label.
#include <sys/mman.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <atomic>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "util/util.h"

namespace {

[[noreturn]] void AllocationFailed(const char *label, size_t nbytes) {
  errexit__("Memory allocation failed for %s. Requested size: %zu bytes\n", label, nbytes);
}

// The byte count of n records, or SIZE_MAX when it does not fit: no heap can
// serve such a request, so it fails like any other exhausted heap.
size_t ArrayBytes(size_t n, size_t size) {
  if (size != 0 && n > SIZE_MAX / size) return SIZE_MAX;
  return n * size;
}

}  // namespace

void *ZBmalloc__(size_t nbytes, const char *label) {
  if (nbytes == 0) return nullptr;
  void *ptr = std::malloc(nbytes);
  if (ptr == nullptr) AllocationFailed(label, nbytes);
  return ptr;
}

void AdviseHugePages__(void *p, size_t nbytes) {
  constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
  const uintptr_t from = (reinterpret_cast<uintptr_t>(p) + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t to = (reinterpret_cast<uintptr_t>(p) + nbytes) & ~(kHugePage - 1);
  if (p != nullptr && to > from) madvise(reinterpret_cast<void *>(from), to - from, MADV_HUGEPAGE);
}

void ReturnFreeMemory__() {
#ifdef __GLIBC__
  malloc_trim(0);
#endif
}

namespace {
std::atomic<long long> gMemoryBudget{0};
}  // namespace

long long MemoryBudget__() {
  const long long set = gMemoryBudget.load(std::memory_order_relaxed);
  if (set > 0) return set;
  std::ifstream meminfo("/proc/meminfo");
  std::string key;
  long long kib = 0;
  while (meminfo >> key >> kib) {
    if (key == "MemAvailable:") return kib * 1024;
    meminfo.ignore(256, '\n');
  }
  return LLONG_MAX;
}

void SetMemoryBudget__(long long bytes) {
  gMemoryBudget.store(bytes > 0 ? bytes : 0, std::memory_order_relaxed);
}

void *ZBmallocArray__(size_t n, size_t size, const char *label) {
  return ZBmalloc__(ArrayBytes(n, size), label);
}

int *imalloc__(size_t n, const char *label) { return ZBmallocT__<int>(n, label); }

int *ismalloc__(size_t n, int value, const char *label) {
  int *x = imalloc__(n, label);
  // The fill length is an int like every vector length; callers never ask for
  // more than INT_MAX elements, but fill in chunks to stay sound if they do.
  for (size_t done = 0; done < n;) {
    size_t chunk = n - done < static_cast<size_t>(INT32_MAX) ? n - done : INT32_MAX;
    iset__(static_cast<int>(chunk), value, x + done);
    done += chunk;
  }
  return x;
}

float *fmalloc__(size_t n, const char *label) { return ZBmallocT__<float>(n, label); }

float *fsmalloc__(size_t n, float value, const char *label) {
  float *x = fmalloc__(n, label);
  for (size_t i = 0; i < n; ++i) x[i] = value;
  return x;
}

void ZBfreeBlock__(void *p) {
  if (p != nullptr) std::free(p);
}

void *ZBshrinkBlock__(void *p, size_t nbytes) {
  if (p == nullptr || nbytes == 0) return p;
  void *q = std::realloc(p, nbytes);
  return q != nullptr ? q : p;
}
