#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "util/util.h"

namespace {

// The sorting scheme in a second, recursive formulation: segments are disjoint,
// so the order in which they are split does not change the outcome.
template <class T, class Before>
void RefSplit(std::vector<T> &a, int lo, int hi, Before before) {
  int mid = lo + (hi - lo) / 2;
  if (before(a[mid], a[lo])) std::swap(a[mid], a[lo]);
  if (before(a[hi], a[mid])) {
    std::swap(a[mid], a[hi]);
    if (before(a[mid], a[lo])) std::swap(a[mid], a[lo]);
  }
  T pivot = a[mid];
  int left = lo + 1, right = hi - 1;
  while (left <= right) {
    while (before(a[left], pivot)) left++;
    while (before(pivot, a[right])) right--;
    if (left < right) {
      std::swap(a[left++], a[right--]);
    } else {
      if (left == right) left++, right--;
      break;
    }
  }
  if (right - lo > 20) RefSplit(a, lo, right, before);
  if (hi - left > 20) RefSplit(a, left, hi, before);
}

// Leftmost extreme among a[0..last] to the front, then a stable sort of the
// rest (what an insertion sort with strict comparisons does).
template <class T, class Before>
void RefFinish(std::vector<T> &a, int last, Before before) {
  if (a.size() <= 1) return;
  auto best = std::min_element(a.begin(), a.begin() + last + 1, before);
  std::iter_swap(a.begin(), best);
  std::stable_sort(a.begin() + 1, a.end(), before);
}

template <class T, class Before>
std::vector<T> RefSort(std::vector<T> a, Before before) {
  int n = static_cast<int>(a.size());
  if (n > 20) RefSplit(a, 0, n - 1, before);
  RefFinish(a, std::min(20, n - 1), before);
  return a;
}

const auto kInc = [](const KeyValueType &x, const KeyValueType &y) { return x.key < y.key; };
const auto kDec = [](const KeyValueType &x, const KeyValueType &y) { return x.key > y.key; };

std::vector<KeyValueType> RandomPairs(std::mt19937 &rng, int n, int keyrange) {
  std::vector<KeyValueType> p(n);
  for (int i = 0; i < n; ++i) p[i] = {static_cast<int>(rng() % keyrange), i};
  return p;
}

bool SamePairs(const std::vector<KeyValueType> &a, const std::vector<KeyValueType> &b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].key != b[i].key || a[i].val != b[i].val) return false;
  return true;
}

int Descents(const std::vector<KeyValueType> &p) {
  int d = 0;
  for (size_t i = 0; i + 1 < p.size(); ++i) d += p[i].key > p[i + 1].key;
  return d;
}

}  // namespace

TEST(Sort, IntSortOrdersRandomArraysLikeReference) {
  std::mt19937 rng(1);
  for (int trial = 0; trial < 300; ++trial) {
    int n = rng() % 400;
    std::vector<int> a(n);
    for (int &x : a) x = static_cast<int>(rng() % (1 + rng() % 1000)) - 50;
    std::vector<int> ref = a;
    std::sort(ref.begin(), ref.end());
    iintsort__(n, a.data());
    ASSERT_EQ(a, ref);
  }
}

TEST(Sort, KeySortsMoveValuesWithKeysAndBreakTiesLikeReference) {
  std::mt19937 rng(2);
  for (int trial = 0; trial < 400; ++trial) {
    int n = rng() % 300;
    auto p = RandomPairs(rng, n, 1 + rng() % 40);
    auto inc = p, dec = p;
    ikeysort__(n, inc.data());
    dkeysort__(n, dec.data());
    std::vector<KeyValueType> refinc;
    if (Descents(p) < 0.05 * n) {
      refinc = p;
      RefFinish(refinc, n - 1, kInc);
    } else {
      refinc = RefSort(p, kInc);
    }
    ASSERT_TRUE(SamePairs(inc, refinc)) << "trial " << trial;
    ASSERT_TRUE(SamePairs(dec, RefSort(p, kDec))) << "trial " << trial;
    ASSERT_TRUE(std::is_sorted(inc.begin(), inc.end(), kInc));
    ASSERT_TRUE(std::is_sorted(dec.begin(), dec.end(), kDec));
  }
}

TEST(Sort, InsertionOnlySortUsesWholeArrayForSentinel) {
  std::mt19937 rng(3);
  for (int trial = 0; trial < 200; ++trial) {
    int n = rng() % 120;
    auto p = RandomPairs(rng, n, 1 + rng() % 10);
    auto ref = p;
    RefFinish(ref, n - 1, kInc);
    ikeysort2__(n, p.data());
    ASSERT_TRUE(SamePairs(p, ref));
  }
  // The minimum lies beyond the first 21 entries and still comes first.
  std::vector<KeyValueType> p(30);
  for (int i = 0; i < 30; ++i) p[i] = {i == 25 ? -1 : 5, i};
  ikeysort2__(30, p.data());
  EXPECT_EQ(p[0].val, 25);
  EXPECT_EQ(p[1].val, 1);  // the old front entry went to position 25, 1..24 keep their order
}

TEST(Sort, KeySortOfSortedPairsKeepsEqualKeysInInputOrder) {
  std::vector<KeyValueType> p;
  for (int i = 0; i < 100; ++i) p.push_back({i / 7, i});
  ikeysort__(100, p.data());
  for (int i = 0; i < 100; ++i) EXPECT_EQ(p[i].val, i);
}

TEST(Sort, FewerThanFivePercentDescentsSkipPartitioning) {
  // 100 pairs, 0..99 as keys, with k adjacent transpositions (k descents) and
  // a block of equal keys at the front whose order tells the two paths apart.
  for (int k : {4, 5}) {
    std::vector<KeyValueType> p(100);
    for (int i = 0; i < 100; ++i) p[i] = {i < 30 ? 0 : i, i};
    for (int t = 0; t < k; ++t) std::swap(p[40 + 10 * t], p[41 + 10 * t]);
    ASSERT_EQ(Descents(p), k);
    auto insertion = p, quick = RefSort(p, kInc);
    RefFinish(insertion, 99, kInc);
    ASSERT_FALSE(SamePairs(insertion, quick));
    auto q = p;
    ikeysort__(100, q.data());
    EXPECT_TRUE(SamePairs(q, k == 4 ? insertion : quick)) << k;
  }
}

TEST(Sort, PartitioningStartsAtTwentyOneElements) {
  // Equal keys reveal whether a partition step ran before the insertion phase.
  auto build = [](int n) {
    std::vector<KeyValueType> p(n);
    for (int i = 0; i < n; ++i) p[i] = {(i * 7) % 3, i};
    return p;
  };
  auto p20 = build(20), r20 = p20;
  dkeysort__(20, p20.data());
  RefFinish(r20, 19, kDec);
  EXPECT_TRUE(SamePairs(p20, r20));
  auto p21 = build(21), plain21 = p21;
  dkeysort__(21, p21.data());
  RefFinish(plain21, 20, kDec);
  EXPECT_FALSE(SamePairs(p21, plain21));
  EXPECT_TRUE(SamePairs(p21, RefSort(build(21), kDec)));
}

TEST(Sort, DecreasingKeySortCarriesValues) {
  std::vector<KeyValueType> p = {{1, 10}, {3, 30}, {2, 20}};
  dkeysort__(3, p.data());
  EXPECT_TRUE(SamePairs(p, {{3, 30}, {2, 20}, {1, 10}}));
  dkeysort__(0, nullptr);
  iintsort__(0, nullptr);
  ikeysort__(0, nullptr);
}

TEST(Sort, BucketSortOrdersByKeyKeepingPermutationOrderOnTies) {
  int keys[] = {2, 0, 2, 1}, tperm[] = {3, 2, 1, 0}, perm[4];
  BucketSortKeysInc(4, 2, keys, tperm, perm);
  EXPECT_EQ(std::vector<int>(perm, perm + 4), (std::vector<int>{1, 3, 2, 0}));

  std::mt19937 rng(5);
  for (int trial = 0; trial < 100; ++trial) {
    int n = 1 + rng() % 200, max = rng() % 12;
    std::vector<int> k(n), t(n), out(n);
    for (int &x : k) x = rng() % (max + 1);
    std::iota(t.begin(), t.end(), 0);
    std::shuffle(t.begin(), t.end(), rng);
    BucketSortKeysInc(n, max, k.data(), t.data(), out.data());
    std::vector<int> ref = t;
    std::stable_sort(ref.begin(), ref.end(), [&](int a, int b) { return k[a] < k[b]; });
    ASSERT_EQ(out, ref);
  }
}

// Large sorts inside a call's region split their halves into tasks; the
// outcome, ties included, is the whole-array scheme's for any thread count.
TEST(Sort, InTasksGivesTheSequentialOrder) {
  std::mt19937 rng(5);
  for (int nthreads : {2, 3}) {
    const CallThreads__ threads(nthreads);
    for (int trial = 0; trial < 6; ++trial) {
      const int n = 40000 + static_cast<int>(rng() % 60000);
      // Few distinct keys make long runs of ties; trial 0 has two keys.
      const auto p = RandomPairs(rng, n, 2 + static_cast<int>(rng() % (trial * 500 + 1)));
      auto inc = p, dec = p;
      std::vector<int> ints(n);
      for (int i = 0; i < n; ++i) ints[i] = p[i].key * 7 - p[i].val % 13;
      InParallel__([&] {
        ikeysort__(n, inc.data());
        dkeysort__(n, dec.data());
        iintsort__(n, ints.data());
      });
      ASSERT_TRUE(SamePairs(inc, RefSort(p, kInc))) << nthreads << " threads, trial " << trial;
      ASSERT_TRUE(SamePairs(dec, RefSort(p, kDec))) << nthreads << " threads, trial " << trial;
      ASSERT_TRUE(std::is_sorted(ints.begin(), ints.end()));
    }
  }
}
