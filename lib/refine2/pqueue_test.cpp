#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>
#include <random>
#include <vector>

#include "refine2/refine2.h"

namespace {

// Reference of bucket mode: per gain a list whose front is the entry that
// comes out first (the newest), the top being the highest non-empty gain.
struct BucketModel {
  std::map<int, std::deque<int>> buckets;

  void Insert(int id, int gain) { buckets[gain].push_front(id); }
  void Delete(int id, int gain) {
    auto &b = buckets[gain];
    b.erase(std::find(b.begin(), b.end(), id));
    if (b.empty()) buckets.erase(gain);
  }
  void Update(int id, int oldgain, int newgain) {
    if (oldgain == newgain) return;
    Delete(id, oldgain);
    Insert(id, newgain);
  }
  int SeeMax() const { return buckets.empty() ? -1 : buckets.rbegin()->second.front(); }
  int GetMax() {
    if (buckets.empty()) return -1;
    const int gain = buckets.rbegin()->first, id = SeeMax();
    Delete(id, gain);
    return id;
  }
  int SeeConstraintMax(int maxwgt, const std::vector<int> &vwgt) const {
    if (buckets.empty() || maxwgt <= 1000) return SeeMax();
    for (auto it = buckets.rbegin(); it != buckets.rend() && it->first >= 1; ++it)
      for (int id : it->second)
        if (vwgt[id] <= maxwgt) return id;
    return SeeMax();
  }
  int MaxGain(int gainspan) const { return buckets.empty() ? -gainspan : buckets.rbegin()->first; }
};

// Reference of heap mode: the same sift rules on a plain array, finding ids by
// search instead of a locator.
struct HeapModel {
  std::vector<KeyVal> heap;

  int Find(int id) const {
    for (size_t i = 0; i < heap.size(); ++i)
      if (heap[i].val == id) return static_cast<int>(i);
    return -1;
  }
  int Up(int i, KeyVal kv) {
    while (i > 0 && heap[(i - 1) / 2].key < kv.key) {
      heap[i] = heap[(i - 1) / 2];
      i = (i - 1) / 2;
    }
    heap[i] = kv;
    return i;
  }
  void Down(int i, KeyVal kv) {
    const int n = static_cast<int>(heap.size());
    for (;;) {
      int j = 2 * i + 1, best = -1;
      if (j >= n) break;
      // The larger child, the left one on equal keys, if it beats kv strictly.
      best = (j + 1 < n && heap[j + 1].key > heap[j].key) ? j + 1 : j;
      if (heap[best].key <= kv.key) break;
      heap[i] = heap[best];
      i = best;
    }
    heap[i] = kv;
  }
  void Insert(int id, int gain) {
    heap.push_back({gain, id});
    Up(static_cast<int>(heap.size()) - 1, {gain, id});
  }
  void Delete(int id) {
    const int i = Find(id);
    const KeyVal last = heap.back(), gone = heap[i];
    heap.pop_back();
    if (i == static_cast<int>(heap.size())) return;
    if (gone.key >= last.key)
      Down(i, last);
    else
      Up(i, last);
  }
  void Update(int id, int oldgain, int newgain) {
    if (oldgain == newgain) return;
    const int i = Find(id);
    if (newgain > oldgain)
      Up(i, {newgain, id});
    else
      Down(i, {newgain, id});
  }
  int SeeMax() const { return heap.empty() ? -1 : heap[0].val; }
  int GetMax() {
    if (heap.empty()) return -1;
    const int id = heap[0].val;
    Delete(id);
    return id;
  }
  int SeeConstraintMax(int maxwgt, const std::vector<int> &vwgt) const {
    if (heap.empty() || maxwgt <= 1000) return SeeMax();
    for (size_t i = 0; i < heap.size(); ++i) {
      if (heap[i].key > 0) {
        if (vwgt[heap[i].val] <= maxwgt) return heap[i].val;
      } else if (heap[i / 2].key <= 0) {
        break;
      }
    }
    return heap[0].val;
  }
};

// The queue's own arrays must agree with the reference after every operation.
void ExpectSameState(const PQueue &q, const BucketModel &m) {
  int n = 0;
  for (const auto &[gain, ids] : m.buckets) {
    int node = q.buckets[gain];
    ASSERT_EQ(q.nodes[node].prev, kNoNode);
    for (int id : ids) {
      ASSERT_NE(node, kNoNode);
      ASSERT_EQ(node, id) << "bucket " << gain;
      if (q.nodes[node].next != kNoNode) {
        ASSERT_EQ(q.nodes[q.nodes[node].next].prev, node);
      }
      node = q.nodes[node].next;
      ++n;
    }
    ASSERT_EQ(node, kNoNode);
  }
  ASSERT_EQ(q.nnodes, n);
  ASSERT_EQ(q.maxgain, m.MaxGain(q.gainspan));
}

void ExpectSameState(const PQueue &q, const HeapModel &m) {
  ASSERT_EQ(q.nnodes, static_cast<int>(m.heap.size()));
  for (size_t i = 0; i < m.heap.size(); ++i) {
    ASSERT_EQ(q.heap[i].key, m.heap[i].key) << "position " << i;
    ASSERT_EQ(q.heap[i].val, m.heap[i].val) << "position " << i;
    ASSERT_EQ(q.locator[m.heap[i].val], static_cast<int>(i));
    if (i > 0) {
      ASSERT_GE(m.heap[(i - 1) / 2].key, m.heap[i].key);
    }
  }
  for (int id = 0; id < q.maxnodes; ++id) {
    if (m.Find(id) < 0) {
      ASSERT_EQ(q.locator[id], -1);
    }
  }
}

// Long random sequences of every operation, with gains from a narrow range so
// that ties are frequent, checked step by step against the model.
template <class Model>
void RunRandomSequence(int maxnodes, int gainspan, int gainrange, unsigned seed, int expected_type) {
  std::mt19937 rng(seed);
  auto uni = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  std::vector<int> vwgt(maxnodes);
  for (int &w : vwgt) w = uni(1, 3000);

  PQueue q;
  PQueueInit__(&q, maxnodes, gainspan);
  ASSERT_EQ(q.type, expected_type);
  Model m;
  std::vector<int> gain(maxnodes), in(maxnodes, 0);

  for (int step = 0; step < 4000; ++step) {
    const int id = uni(0, maxnodes - 1);
    const int op = uni(0, 9);
    if (op <= 2 && !in[id]) {
      gain[id] = uni(-gainrange, gainrange);
      EXPECT_EQ(PQueueInsert__(&q, id, gain[id]), 0);
      m.Insert(id, gain[id]);
      in[id] = 1;
    } else if (op == 3 && in[id]) {
      EXPECT_EQ(PQueueDelete(&q, id, gain[id]), 0);
      if constexpr (std::is_same_v<Model, BucketModel>)
        m.Delete(id, gain[id]);
      else
        m.Delete(id);
      in[id] = 0;
    } else if (op <= 5 && in[id]) {
      const int newgain = uni(0, 3) == 0 ? gain[id] : uni(-gainrange, gainrange);
      EXPECT_EQ(PQueueUpdate__(&q, id, gain[id], newgain), 0);
      m.Update(id, gain[id], newgain);
      gain[id] = newgain;
    } else if (op == 6) {
      const int got = PQueueGetMax__(&q);
      ASSERT_EQ(got, m.GetMax());
      if (got >= 0) in[got] = 0;
    } else if (op == 7) {
      ASSERT_EQ(PQueueSeeMax__(&q), m.SeeMax());
    } else if (op == 8) {
      const int maxwgt = uni(0, 3) == 0 ? uni(0, 1000) : uni(1001, 3000);
      ASSERT_EQ(PQueueSeeConstraintMax(&q, maxwgt, vwgt.data()), m.SeeConstraintMax(maxwgt, vwgt));
    } else if (op == 9 && uni(0, 40) == 0) {
      PQueueReset__(&q);
      m = Model();
      std::fill(in.begin(), in.end(), 0);
    }
    ExpectSameState(q, m);
    EXPECT_EQ(CheckHeap(&q), 1);
    if (::testing::Test::HasFatalFailure()) {
      ADD_FAILURE() << "seed " << seed << " step " << step;
      break;
    }
  }
  PQueueFree__(&q);
  EXPECT_EQ(q.maxnodes, 0);
}

}  // namespace

TEST(PQueue, BucketModeFollowsReferenceOnRandomSequences) {
  for (unsigned seed = 1; seed <= 12; ++seed)
    RunRandomSequence<BucketModel>(40, 6, 6, seed, PQUEUE_BUCKET);
}

TEST(PQueue, HeapModeFollowsReferenceOnRandomSequences) {
  for (unsigned seed = 1; seed <= 12; ++seed) RunRandomSequence<HeapModel>(30, 91, 5, seed, PQUEUE_HEAP);
  for (unsigned seed = 1; seed <= 4; ++seed) RunRandomSequence<HeapModel>(30, 5000, 4000, seed, PQUEUE_HEAP);
}

TEST(PQueue, ModeSwitchesAboveThreeTimesCapacity) {
  PQueue q;
  PQueueInit__(&q, 10, 30);
  EXPECT_EQ(q.type, PQUEUE_BUCKET);
  EXPECT_EQ(q.heap, nullptr);
  EXPECT_EQ(q.maxgain, -30);
  PQueueFree__(&q);
  PQueueInit__(&q, 10, 31);
  EXPECT_EQ(q.type, PQUEUE_HEAP);
  EXPECT_EQ(q.nodes, nullptr);
  EXPECT_EQ(q.buckets, nullptr);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(q.locator[i], -1);
  PQueueFree__(&q);
  PQueueInit__(&q, 10, 0);
  EXPECT_EQ(q.type, PQUEUE_BUCKET);
  PQueueInsert__(&q, 3, 0);
  PQueueInsert__(&q, 4, 0);
  EXPECT_EQ(PQueueGetMax__(&q), 4);
  EXPECT_EQ(PQueueGetMax__(&q), 3);
  EXPECT_EQ(PQueueGetMax__(&q), -1);
  PQueueFree__(&q);
}

TEST(PQueue, BucketModeIsLastInFirstOutWithinAGain) {
  PQueue q;
  PQueueInit__(&q, 10, 5);
  PQueueInsert__(&q, 1, 2);
  PQueueInsert__(&q, 2, 2);
  PQueueInsert__(&q, 3, 1);
  PQueueUpdate__(&q, 3, 1, 2);  // moved ids go ahead of those already there
  PQueueUpdate__(&q, 1, 2, 2);  // an unchanged gain keeps the place
  EXPECT_EQ(PQueueGetMax__(&q), 3);
  EXPECT_EQ(PQueueGetMax__(&q), 2);
  EXPECT_EQ(PQueueGetMax__(&q), 1);
  EXPECT_EQ(q.maxgain, -5);
  PQueueFree__(&q);
}

TEST(PQueue, BucketTopFallsToNextNonEmptyGain) {
  PQueue q;
  PQueueInit__(&q, 10, 5);
  PQueueInsert__(&q, 1, 4);
  PQueueInsert__(&q, 2, -3);
  PQueueDelete(&q, 1, 4);
  EXPECT_EQ(q.maxgain, -3);
  PQueueDelete(&q, 2, -3);
  EXPECT_EQ(q.maxgain, -5);
  EXPECT_EQ(q.nnodes, 0);
  PQueueFree__(&q);
}

TEST(PQueue, BucketUpdateMovesTheTopExactlyAsDeleteThenInsert) {
  PQueue q;
  PQueueInit__(&q, 10, 5);
  PQueueInsert__(&q, 1, 4);
  PQueueUpdate__(&q, 1, 4, -5);  // the only entry falls to the lowest gain
  EXPECT_EQ(q.maxgain, -5);
  EXPECT_EQ(PQueueSeeMax__(&q), 1);
  PQueueUpdate__(&q, 1, -5, 5);  // and climbs to the highest
  EXPECT_EQ(q.maxgain, 5);
  PQueueInsert__(&q, 2, 1);
  PQueueInsert__(&q, 3, -2);
  PQueueUpdate__(&q, 1, 5, -4);  // leaving the top bucket: the next non-empty one
  EXPECT_EQ(q.maxgain, 1);
  PQueueUpdate__(&q, 2, 1, 3);  // leaving the top bucket upwards
  EXPECT_EQ(q.maxgain, 3);
  PQueueUpdate__(&q, 3, -2, 3);  // joining the top bucket heads it
  EXPECT_EQ(q.nnodes, 3);
  EXPECT_EQ(PQueueGetMax__(&q), 3);
  EXPECT_EQ(PQueueGetMax__(&q), 2);
  EXPECT_EQ(q.maxgain, -4);
  EXPECT_EQ(PQueueGetMax__(&q), 1);
  EXPECT_EQ(q.maxgain, -5);
  PQueueFree__(&q);
}

TEST(PQueue, HeapModeNeverPassesAnEqualKey) {
  PQueue q;
  PQueueInit__(&q, 4, 100);
  PQueueInsert__(&q, 0, 7);
  PQueueInsert__(&q, 1, 7);
  EXPECT_EQ(PQueueGetMax__(&q), 0);  // the first of two equal keys stays on top
  PQueueReset__(&q);
  // Root 9 with equal children 5 (left, id 1) and 5 (right, id 2): when the
  // root leaves and a smaller key fills it, the left child is promoted.
  PQueueInsert__(&q, 0, 9);
  PQueueInsert__(&q, 1, 5);
  PQueueInsert__(&q, 2, 5);
  PQueueInsert__(&q, 3, 5);  // climbs no higher than its equal parent
  EXPECT_EQ(q.heap[3].val, 3);
  PQueueUpdate__(&q, 3, 5, 1);
  EXPECT_EQ(PQueueGetMax__(&q), 0);
  EXPECT_EQ(PQueueSeeMax__(&q), 1);
  EXPECT_EQ(q.heap[1].val, 3);
  EXPECT_EQ(q.heap[2].val, 2);
  PQueueFree__(&q);
}

TEST(PQueue, ConstrainedPeekSkipsHeavyPositiveGainsOnlyAboveLimit) {
  for (int gainspan : {5, 100}) {  // bucket mode, then heap mode
    PQueue q;
    PQueueInit__(&q, 4, gainspan);
    const int vwgt[4] = {2000, 10, 1500, 10};
    PQueueInsert__(&q, 0, 3);
    PQueueInsert__(&q, 1, 1);
    PQueueInsert__(&q, 2, 2);
    PQueueInsert__(&q, 3, 0);
    EXPECT_EQ(PQueueSeeConstraintMax(&q, 1000, vwgt), 0);  // no limit at 1000 or less
    // Buckets are searched by falling gain, the heap in array order.
    EXPECT_EQ(PQueueSeeConstraintMax(&q, 1500, vwgt), q.type == PQUEUE_BUCKET ? 2 : 1);
    EXPECT_EQ(PQueueSeeConstraintMax(&q, 1001, vwgt), 1);
    PQueueDelete(&q, 1, 1);
    // Every positive-gain id is too heavy: the plain maximum, whatever its weight.
    EXPECT_EQ(PQueueSeeConstraintMax(&q, 1001, vwgt), 0);
    PQueueReset__(&q);
    PQueueInsert__(&q, 0, 0);
    PQueueInsert__(&q, 3, -1);
    EXPECT_EQ(PQueueSeeConstraintMax(&q, 1001, vwgt), 0);  // top gain 0: no search
    PQueueFree__(&q);
  }
}

TEST(PQueue, EmptyQueuePeeksAndTakesGiveMinusOne) {
  for (int gainspan : {2, 50}) {
    PQueue q;
    PQueueInit__(&q, 5, gainspan);
    const int vwgt[5] = {1, 1, 1, 1, 1};
    EXPECT_EQ(PQueueGetMax__(&q), -1);
    EXPECT_EQ(PQueueSeeMax__(&q), -1);
    EXPECT_EQ(PQueueSeeConstraintMax(&q, 5000, vwgt), -1);
    EXPECT_EQ(q.nnodes, 0);
    EXPECT_EQ(CheckHeap(&q), 1);
    PQueueFree__(&q);
  }
}

TEST(PQueue, ConsistencyCheckRejectsBrokenListsTopsHeapsAndLocators) {
  PQueue b;
  PQueueInit__(&b, 6, 4);
  ASSERT_EQ(b.type, PQUEUE_BUCKET);
  for (int id = 0; id < 5; ++id) PQueueInsert__(&b, id, id % 2);
  ASSERT_EQ(CheckHeap(&b), 1);
  b.maxgain = 0;  // the top names a lower bucket than the highest non-empty one
  EXPECT_EQ(CheckHeap(&b), 0);
  b.maxgain = 1;
  b.nnodes = 4;  // one entry more in the lists than counted
  EXPECT_EQ(CheckHeap(&b), 0);
  b.nnodes = 5;
  const int second = b.nodes[b.buckets[1]].next;
  ASSERT_NE(second, kNoNode);
  b.nodes[second].prev = kNoNode;  // a back link that skips its predecessor
  EXPECT_EQ(CheckHeap(&b), 0);
  b.nodes[second].prev = b.buckets[1];
  EXPECT_EQ(CheckHeap(&b), 1);
  b.nodes[second].next = 6;  // a link to an id outside the queue
  EXPECT_EQ(CheckHeap(&b), 0);
  b.nodes[second].next = kNoNode;
  EXPECT_EQ(CheckHeap(&b), 1);
  PQueueFree__(&b);

  PQueue h;
  PQueueInit__(&h, 6, 100);
  ASSERT_EQ(h.type, PQUEUE_HEAP);
  for (int id = 0; id < 5; ++id) PQueueInsert__(&h, id, 10 * id);
  ASSERT_EQ(CheckHeap(&h), 1);
  std::swap(h.heap[0].key, h.heap[1].key);  // a child above its parent
  EXPECT_EQ(CheckHeap(&h), 0);
  std::swap(h.heap[0].key, h.heap[1].key);
  std::swap(h.locator[h.heap[0].val], h.locator[h.heap[1].val]);
  EXPECT_EQ(CheckHeap(&h), 0);
  std::swap(h.locator[h.heap[0].val], h.locator[h.heap[1].val]);
  h.locator[5] = 0;  // an absent id with a position
  EXPECT_EQ(CheckHeap(&h), 0);
  h.locator[5] = -1;
  EXPECT_EQ(CheckHeap(&h), 1);
  PQueueFree__(&h);
}
