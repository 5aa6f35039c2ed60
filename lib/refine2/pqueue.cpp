// The gain priority queue of two-way refinement: gain buckets when the gain
// range is small next to the number of ids, a binary max-heap otherwise.
#include "refine2/refine2.h"

void PQueueInit__(PQueue *queue, int maxnodes, int gainspan) {
  queue->nnodes = 0;
  queue->maxnodes = maxnodes;
  queue->nodes = nullptr;
  queue->buckets = nullptr;
  queue->heap = nullptr;
  queue->locator = nullptr;

  // A bucket array of at most 6*maxnodes+1 heads; wider gain ranges would
  // leave it mostly empty and the heap serves them better.
  if (static_cast<long long>(gainspan) <= 3LL * maxnodes) {
    queue->type = PQUEUE_BUCKET;
    queue->gainspan = gainspan;
    queue->nodes = ZBmallocT__<ListNode>(maxnodes, "PQueueInit: queue->nodes");
    const int nbuckets = 2 * gainspan + 1;
    int *block = ismalloc__(nbuckets, kNoNode, "PQueueInit: queue->buckets");
    queue->buckets = block + gainspan;
    queue->maxgain = -gainspan;
  } else {
    queue->type = PQUEUE_HEAP;
    queue->gainspan = gainspan;
    queue->maxgain = -gainspan;
    queue->heap = ZBmallocT__<KeyVal>(maxnodes, "PQueueInit: queue->heap");
    queue->locator = ismalloc__(maxnodes, -1, "PQueueInit: queue->locator");
  }
}

void PQueueReset__(PQueue *queue) {
  queue->nnodes = 0;
  if (queue->type == PQUEUE_BUCKET) {
    iset__(2 * queue->gainspan + 1, kNoNode, queue->buckets - queue->gainspan);
    queue->maxgain = -queue->gainspan;
  } else {
    iset__(queue->maxnodes, -1, queue->locator);
  }
}

void PQueueFree__(PQueue *queue) {
  if (queue->type == PQUEUE_BUCKET) {
    int *block = queue->buckets ? queue->buckets - queue->gainspan : nullptr;
    ZBfree__(&queue->nodes, &block);
    queue->buckets = nullptr;
  } else {
    ZBfree__(&queue->heap, &queue->locator);
  }
  queue->maxnodes = 0;
}

// ---- Bucket mode ------------------------------------------------------------------

namespace {

// After bucket `gain` went empty: the top falls to the next non-empty bucket.
void LowerMaxGain(PQueue *queue, int gain) {
  if (queue->buckets[gain] != kNoNode || gain != queue->maxgain) return;
  if (queue->nnodes == 0) {
    queue->maxgain = -queue->gainspan;
    return;
  }
  while (queue->buckets[queue->maxgain] == kNoNode) --queue->maxgain;
}

void BucketInsert(PQueue *queue, int id, int gain) {
  ListNode *nodes = queue->nodes;
  int &head = queue->buckets[gain];
  // The newest entry heads its bucket: last in, first out among equal gains.
  nodes[id].prev = kNoNode;
  nodes[id].next = head;
  if (head != kNoNode) nodes[head].prev = id;
  head = id;
  if (gain > queue->maxgain) queue->maxgain = gain;
}

void BucketUnlink(PQueue *queue, int id, int gain) {
  ListNode *nodes = queue->nodes;
  const ListNode node = nodes[id];
  if (node.prev != kNoNode)
    nodes[node.prev].next = node.next;
  else
    queue->buckets[gain] = node.next;
  if (node.next != kNoNode) nodes[node.next].prev = node.prev;
}

// ---- Heap mode --------------------------------------------------------------------

// Climbs from position i while the parent's key is strictly smaller, so an
// entry never passes one of equal key; returns the final position.
int SiftUp(PQueue *queue, int i, int key) {
  KeyVal *heap = queue->heap;
  while (i > 0) {
    const int j = (i - 1) / 2;
    if (heap[j].key >= key) break;
    heap[i] = heap[j];
    queue->locator[heap[i].val] = i;
    i = j;
  }
  return i;
}

// Descends from position i while a child's key is strictly larger; of two
// children with equal keys the left one is promoted.
int SiftDown(PQueue *queue, int i, int key) {
  KeyVal *heap = queue->heap;
  const int n = queue->nnodes;
  for (int j; (j = 2 * i + 1) < n; i = j) {
    if (heap[j].key > key) {
      if (j + 1 < n && heap[j + 1].key > heap[j].key) ++j;
    } else if (j + 1 < n && heap[j + 1].key > key) {
      ++j;
    } else {
      break;
    }
    heap[i] = heap[j];
    queue->locator[heap[i].val] = i;
  }
  return i;
}

void HeapStore(PQueue *queue, int i, int key, int id) {
  queue->heap[i].key = key;
  queue->heap[i].val = id;
  queue->locator[id] = i;
}

// Kept out of line so that the bucket path of an update stays a leaf.
[[gnu::noinline]] void HeapUpdate(PQueue *queue, int id, int oldgain, int newgain) {
  const int i = queue->locator[id];
  const int pos = newgain > oldgain ? SiftUp(queue, i, newgain) : SiftDown(queue, i, newgain);
  HeapStore(queue, pos, newgain, id);
}

}  // namespace

// ---- Operations --------------------------------------------------------------------

int PQueueInsert__(PQueue *queue, int id, int gain) {
  if (queue->type == PQUEUE_BUCKET) {
    queue->nnodes++;
    BucketInsert(queue, id, gain);
  } else {
    const int i = SiftUp(queue, queue->nnodes++, gain);
    HeapStore(queue, i, gain, id);
  }
  return 0;
}

int PQueueDelete(PQueue *queue, int id, int gain) {
  queue->nnodes--;
  if (queue->type == PQUEUE_BUCKET) {
    BucketUnlink(queue, id, gain);
    LowerMaxGain(queue, gain);
    return 0;
  }

  const int i = queue->locator[id];
  queue->locator[id] = -1;
  const int n = queue->nnodes;
  if (n == 0 || queue->heap[n].val == id) return 0;
  const KeyVal last = queue->heap[n];
  const int pos = queue->heap[i].key >= last.key ? SiftDown(queue, i, last.key)
                                                 : SiftUp(queue, i, last.key);
  HeapStore(queue, pos, last.key, last.val);
  return 0;
}

int PQueueUpdate__(PQueue *queue, int id, int oldgain, int newgain) {
  if (oldgain == newgain) return 0;
  if (queue->type == PQUEUE_BUCKET) {
    // The same lists and top as a delete followed by an insert: the id heads
    // its new bucket. Linking it first keeps the queue non-empty, so the top
    // can only have to fall when the id went down from the top bucket, and
    // never below the id's new bucket. This is refinement's most frequent
    // queue operation.
    BucketUnlink(queue, id, oldgain);
    BucketInsert(queue, id, newgain);
    if (queue->buckets[oldgain] == kNoNode && oldgain == queue->maxgain)
      while (queue->buckets[queue->maxgain] == kNoNode) --queue->maxgain;
    return 0;
  }
  HeapUpdate(queue, id, oldgain, newgain);
  return 0;
}

int PQueueGetMax__(PQueue *queue) {
  if (queue->nnodes == 0) return -1;
  queue->nnodes--;

  if (queue->type == PQUEUE_BUCKET) {
    const int gain = queue->maxgain;
    const int id = queue->buckets[gain];
    const int next = queue->nodes[id].next;
    queue->buckets[gain] = next;
    if (next != kNoNode) queue->nodes[next].prev = kNoNode;
    LowerMaxGain(queue, gain);
    return id;
  }

  const int id = queue->heap[0].val;
  queue->locator[id] = -1;
  if (queue->nnodes > 0) {
    const KeyVal last = queue->heap[queue->nnodes];
    HeapStore(queue, SiftDown(queue, 0, last.key), last.key, last.val);
  }
  return id;
}

int PQueueSeeMax__(const PQueue *queue) {
  if (queue->nnodes == 0) return -1;
  if (queue->type == PQUEUE_BUCKET) return queue->buckets[queue->maxgain];
  return queue->heap[0].val;
}

// The best positive-gain id no heavier than maxwgt; whenever none is found the
// plain maximum, whatever its weight. Limits of 1000 or less constrain nothing.
int PQueueSeeConstraintMax(const PQueue *queue, int maxwgt, const int *vwgt) {
  if (queue->nnodes == 0) return -1;
  if (maxwgt <= 1000) return PQueueSeeMax__(queue);

  if (queue->type == PQUEUE_BUCKET) {
    const int top = queue->buckets[queue->maxgain];
    for (int g = queue->maxgain; g >= 1; --g)
      for (int id = queue->buckets[g]; id != kNoNode; id = queue->nodes[id].next)
        if (vwgt[id] <= maxwgt) return id;
    return top;
  }

  const KeyVal *heap = queue->heap;
  for (int i = 0; i < queue->nnodes; ++i) {
    if (heap[i].key > 0) {
      if (vwgt[heap[i].val] <= maxwgt) return heap[i].val;
    } else if (heap[i / 2].key <= 0) {
      break;
    }
  }
  return heap[0].val;
}

namespace {

// Bucket mode: the lists are well linked, hold nnodes entries in all, and
// maxgain names the highest non-empty bucket (-gainspan when all are empty).
bool BucketsConsistent(const PQueue *queue) {
  int count = 0, top = -queue->gainspan;
  for (int g = -queue->gainspan; g <= queue->gainspan; ++g) {
    int prev = kNoNode;
    for (int id = queue->buckets[g]; id != kNoNode; id = queue->nodes[id].next) {
      if (id < 0 || id >= queue->maxnodes) return false;
      if (queue->nodes[id].prev != prev || ++count > queue->nnodes) return false;
      prev = id;
      top = g;
    }
  }
  return count == queue->nnodes && top == queue->maxgain;
}

// Heap mode: no entry above its parent, each id's locator points at its
// entry, and exactly the ids in the heap have a locator.
bool HeapConsistent(const PQueue *queue) {
  const KeyVal *heap = queue->heap;
  for (int i = 0; i < queue->nnodes; ++i) {
    if (i > 0 && heap[i].key > heap[(i - 1) / 2].key) return false;
    if (queue->locator[heap[i].val] != i) return false;
  }
  int located = 0;
  for (int id = 0; id < queue->maxnodes; ++id) located += queue->locator[id] != -1;
  return located == queue->nnodes;
}

}  // namespace

int CheckHeap(const PQueue *queue) {
  if (queue->nnodes < 0 || queue->nnodes > queue->maxnodes) return 0;
  return (queue->type == PQUEUE_BUCKET ? BucketsConsistent(queue) : HeapConsistent(queue)) ? 1 : 0;
}
