// The comparison sorts: one in-place quicksort scheme whose partitioning,
// sentinel and insertion steps fix the order in which equal keys come out
// (coarsening results depend on it), and the stable bucket sort by small keys.
#include <utility>

#include "util/util.h"

namespace {

// Segments of at most this many + 1 elements are left to the insertion phase.
constexpr int kInsertionLimit = 20;

template <class T, class Before>
[[gnu::always_inline]] inline void MedianOfThree(T *a, int lo, int mid, int hi, Before before) {
  if (before(a[mid], a[lo])) std::swap(a[mid], a[lo]);
  if (before(a[hi], a[mid])) {
    std::swap(a[mid], a[hi]);
    if (before(a[mid], a[lo])) std::swap(a[mid], a[lo]);
  }
}

// Splits a[lo..hi] around the median-of-three pivot; returns the boundaries.
template <class T, class Before>
[[gnu::always_inline]] inline void Partition(T *a, int lo, int hi, Before before, int &left,
                                             int &right) {
  int mid = lo + (hi - lo) / 2;
  MedianOfThree(a, lo, mid, hi, before);
  const T pivot = a[mid];
  left = lo + 1;
  right = hi - 1;
  do {
    while (before(a[left], pivot)) ++left;
    while (before(pivot, a[right])) --right;
    if (left < right) {
      std::swap(a[left], a[right]);
      ++left;
      --right;
    } else if (left == right) {
      ++left;
      --right;
      break;
    }
  } while (left <= right);
}

// Splits a[lo..hi] again and again until every segment of it has at most 21
// elements, all in order relative to each other. Pushing the larger half and
// going on with the smaller bounds the stack by log2(n).
template <class T, class Before>
void SplitSegments(T *a, int lo, int hi, Before before) {
  struct Segment {
    int lo, hi;
  } stack[8 * sizeof(int)];
  int top = 0;
  for (;;) {
    int left, right;
    Partition(a, lo, hi, before, left, right);
    int L = right - lo, R = hi - left;
    if (L <= kInsertionLimit) {
      if (R <= kInsertionLimit) {
        if (top == 0) break;
        --top;
        lo = stack[top].lo;
        hi = stack[top].hi;
      } else {
        lo = left;
      }
    } else if (R <= kInsertionLimit) {
      hi = right;
    } else if (L <= R) {
      stack[top++] = {left, hi};
      hi = right;
    } else {
      stack[top++] = {lo, right};
      lo = left;
    }
  }
}

template <class T, class Before>
void PartitionPhase(T *a, int n, Before before) {
  if (n > kInsertionLimit) SplitSegments(a, 0, n - 1, before);
}

// Moves the leftmost element that is before all others among a[0..last] to
// the front, where it stops every insertion scan.
template <class T, class Before>
void PlaceSentinel(T *a, int last, Before before) {
  int best = 0;
  for (int i = 1; i <= last; ++i)
    if (before(a[i], a[best])) best = i;
  if (best != 0) std::swap(a[0], a[best]);
}

// Insertion sort of a[lo..hi]. With a sentinel at a[lo] (bounded false) the
// scans need no bound and start at the third element; bounded, every scan
// stops at lo at the latest, so nothing before lo is read.
template <bool bounded, class T, class Before>
void InsertionPhase(T *a, int lo, int hi, Before before) {
  for (int i = bounded ? lo + 1 : lo + 2; i <= hi; ++i) {
    const T item = a[i];
    int j = i;
    for (; (!bounded || j > lo) && before(item, a[j - 1]); --j) a[j] = a[j - 1];
    a[j] = item;
  }
}

// Ranges of at least this many elements are split in tasks side by side.
constexpr int kTaskRange = 1 << 14;

// Sorts a[lo..hi], a segment of the scheme's split, into exactly what the
// sort of the whole array leaves there. The segments of the split are
// disjoint and in order, and the insertion phase never moves an element out
// of its segment: so each range can be split and insertion-sorted on its own,
// the halves of a large one in tasks side by side. The range that starts the
// array places the sentinel first, where the whole sort places it: among
// a[0..20] the leftmost extreme lies in the first segment.
template <class T, class Before>
void SortRange(T *a, int lo, int hi, Before before) {
  if (hi - lo + 1 >= kTaskRange) {
    int left, right;
    Partition(a, lo, hi, before, left, right);
    InTasks__(2, [&](int side) {
      side == 0 ? SortRange(a, lo, right, before) : SortRange(a, left, hi, before);
    });
    return;
  }
  if (hi - lo > kInsertionLimit) SplitSegments(a, lo, hi, before);
  if (lo == 0) PlaceSentinel(a, hi < kInsertionLimit ? hi : kInsertionLimit, before);
  InsertionPhase<true>(a, lo, hi, before);
}

template <class T, class Before>
void QuickSort(T *a, int n, Before before) {
  if (n <= 1) return;
  if (n >= kTaskRange && TasksRunInParallel__()) {
    SortRange(a, 0, n - 1, before);
    return;
  }
  PartitionPhase(a, n, before);
  PlaceSentinel(a, n - 1 < kInsertionLimit ? n - 1 : kInsertionLimit, before);
  InsertionPhase<false>(a, 0, n - 1, before);
}

const auto kIntIncreasing = [](int x, int y) { return x < y; };
const auto kKeyIncreasing = [](const KeyValueType &x, const KeyValueType &y) { return x.key < y.key; };
const auto kKeyDecreasing = [](const KeyValueType &x, const KeyValueType &y) { return x.key > y.key; };

}  // namespace

void iintsort__(int n, int *a) { QuickSort(a, n, kIntIncreasing); }

// Nearly sorted input (fewer than 5% descents) goes straight to the insertion
// sort, which then runs in almost linear time.
void ikeysort__(int n, KeyValueType *pairs) {
  int descents = 0;
  for (int i = 0; i < n - 1; ++i)
    if (pairs[i].key > pairs[i + 1].key) ++descents;
  if (descents < 0.05 * n) {
    ikeysort2__(n, pairs);
    return;
  }
  QuickSort(pairs, n, kKeyIncreasing);
}

void ikeysort2__(int n, KeyValueType *pairs) {
  if (n <= 1) return;
  PlaceSentinel(pairs, n - 1, kKeyIncreasing);
  InsertionPhase<false>(pairs, 0, n - 1, kKeyIncreasing);
}

void dkeysort__(int n, KeyValueType *pairs) { QuickSort(pairs, n, kKeyDecreasing); }

// Orders the indices of tperm by increasing key; equal keys keep their tperm
// order, so a shuffled tperm breaks ties randomly but reproducibly.
void BucketSortKeysInc(int n, int max, const int *keys, const int *tperm, int *perm) {
  int *counts = ismalloc__(static_cast<size_t>(max) + 2, 0, "BucketSortKeysInc: counts");
  for (int i = 0; i < n; ++i) counts[keys[i]]++;
  int start = 0;
  for (int k = 0; k <= max; ++k) {
    int c = counts[k];
    counts[k] = start;
    start += c;
  }
  for (int i = 0; i < n; ++i) {
    int j = tperm[i];
    perm[counts[keys[j]]++] = j;
  }
  ZBfree__(&counts);
}
