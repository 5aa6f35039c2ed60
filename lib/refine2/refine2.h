// Two-way refinement: gain queue, refinement driver, FM, early-exit FM,
// one-way FM and balancing.
#pragma once

#include <vector>

#include "hgraph/hgraph.h"
#include "hgraph/ctrl.h"

// ---- Gain priority queue -------------------------------------------------------

// One list node per id in bucket mode, found by the id itself: the links are
// ids too, kNoNode at either end of a list.
struct ListNode {
  int prev;
  int next;
};
constexpr int kNoNode = -1;

// One heap entry in heap mode.
struct KeyVal {
  int key;  // the gain
  int val;  // the id
};

// Max-priority queue of vertex ids by gain. Bucket mode (type 1) keeps one
// doubly linked list per gain in -gainspan..+gainspan; heap mode (type 2) is a
// binary max-heap, used when the gain range is large next to the id range.
struct PQueue {
  int type;      // 1 bucket mode, 2 heap mode
  int nnodes;    // entries now in the queue
  int maxnodes;  // ids run from 0 to maxnodes-1; 0 once freed
  int maxgain;   // bucket mode: highest non-empty bucket, -gainspan when empty
  int gainspan;  // bucket mode: largest absolute gain

  ListNode *nodes;  // bucket mode: [maxnodes]
  int *buckets;     // bucket mode: offset by +gainspan, so buckets[g] heads the list of gain g
  KeyVal *heap;        // heap mode: [maxnodes]
  int *locator;        // heap mode: [maxnodes] position of each id, -1 when absent
};

enum : int { PQUEUE_BUCKET = 1, PQUEUE_HEAP = 2 };

void PQueueInit__(PQueue *queue, int maxnodes, int gainspan);
void PQueueReset__(PQueue *queue);
void PQueueFree__(PQueue *queue);
int PQueueInsert__(PQueue *queue, int id, int gain);
int PQueueDelete(PQueue *queue, int id, int gain);
int PQueueUpdate__(PQueue *queue, int id, int oldgain, int newgain);
int PQueueGetMax__(PQueue *queue);
int PQueueSeeMax__(const PQueue *queue);
int PQueueSeeConstraintMax(const PQueue *queue, int maxwgt, const int *vwgt);
int CheckHeap(const PQueue *queue);

// ---- Refinement driver, projection and gains -----------------------------------
void AllocateRefinementMemory__(HGraph *graph);
void ComputeInitGains__(HGraph *graph);
// The same in nchunks tasks side by side (hyperedges, then vertices); the
// figures do not depend on nchunks.
void ComputeInitGainsInChunks__(HGraph *graph, int nchunks);
// Every vertex's gain from the side counts, in nchunks tasks side by side.
void ComputeGainsInChunks__(HGraph *graph, int nchunks);
// Decrease of the cut if v alone changed side, from the side counts.
int VertexGain__(const HGraph *graph, int v);
int ComputeCut__(HGraph *graph);
int CheckDegrees(HGraph *graph);
void ProjectPartition__(const CtrlType *ctrl, HGraph *cgraph);
void PartitionIslands__(HGraph *graph);
// Refines from the coarsest level cgraph up to graph, the finest level of the chain.
void Refine__(const CtrlType *ctrl, HGraph *graph, HGraph *cgraph);

// ---- Refinement schemes -----------------------------------------------------------
void Refine_FM__(const CtrlType *ctrl, HGraph *graph, int npasses);
void Refine_FM2__(const CtrlType *ctrl, HGraph *graph, int npasses);
void Refine_EEFM__(const CtrlType *ctrl, HGraph *graph, int npasses, float fraction);
void Refine_EEFM2__(const CtrlType *ctrl, HGraph *graph, int npasses, float fraction);
// FM (10 passes) or early-exit FM (3 passes, 10% of the vertices), in the
// weight-constrained variant when the bisection has heavy vertices.
void RefineByFM__(const CtrlType *ctrl, HGraph *graph, bool earlyExit);
void Refine_OneWayFM__(const CtrlType *ctrl, HGraph *graph, int npasses);
// Label propagation: at most nrounds rounds of sub-rounds in which the gains
// are worked out side by side and the moves that still gain are made in a
// fixed order within the balance bound. The cut never rises, fixed vertices
// stay, and the result does not depend on the threads. Leaves the level's
// side counts, gains, cut and side weights exact.
void Refine_LabelProp__(const CtrlType *ctrl, HGraph *graph, int nrounds);
// FM in many localized searches side by side, at most nrounds rounds: each
// search sees the level as its round found it, and their best prefixes are
// applied in a fixed order, each with its exact gains and cut back to its
// best part within the balance bound. The cut never rises, fixed vertices
// stay, and the result does not depend on the threads. Leaves the level's
// side counts, gains, cut and side weights exact.
void Refine_ParFM__(const CtrlType *ctrl, HGraph *graph, int nrounds);
// The refinement of the bisection carried from the pruned hypergraph to the
// full one: the scheme's FM, early-exit with opt.EarlyExitCarry.
void RefineCarry__(const CtrlType *ctrl, HGraph *graph);
void Balance__(const CtrlType *ctrl, HGraph *graph);
// Cuts a region around the cut anew by maximum flow, up to opt.FlowRounds
// rounds, keeping a result only when it cuts less (or as much, more evenly)
// within the bounds. A level of many vertices and pins with a long cut is
// cut by two regions side by side, around the halves of the cut; the result
// does not depend on the threads.
void Refine_Flows__(const CtrlType *ctrl, HGraph *graph);

// Two parts of a partition as flow refinement cuts them anew: part[0]
// becomes the source side, part[1] the sink side.
struct FlowPair {
  int part[2] = {0, 1};
  int pwgts[2] = {0, 0};    // their weights
  int maxpwgt[2] = {0, 0};  // the most each may weigh afterwards
  // Hyperedges with pins in other parts: kept with those pins dropped (the
  // connectivity, which the pair changes by uncutting the rest), or left
  // out (the cut, which they keep whatever the pair does).
  bool restrict = false;
};
struct FlowMove {
  int vertex;
  int to;  // its new part
};
struct FlowScratch;
// Markers of the region builder, sized to the level on first use and left
// clean by every call, so that a call costs what its region holds.
struct FlowRegionMarks {
  std::vector<int> node;      // [nvtxs] the vertex's number in the flow problem, -1 outside
  std::vector<char> seen;     // [nhedges] hyperedge already collected
  std::vector<int> seenlist;  // the hyperedges marked seen
};
// The flow scratch and the region marks of the calling thread, kept from
// level to level and from call to call: a network built in fresh memory on
// every level pays for its pages again. They hold what the largest region
// so far needed. Nothing in them outlives one FlowCutOfPair__ call, which
// waits on no task, so another task its thread runs between two calls may
// use them too.
FlowScratch &ThreadFlowScratch__();
FlowRegionMarks &ThreadFlowRegionMarks__();
// The moves of a better cut of the pair (lower, or as low and more even,
// within the bounds) found by a maximum flow on a region grown from the
// seeds the pair cuts (seeds it does not cut are passed over); false, with
// no moves, when there is none. Vertices below graph->nfixed never move.
// The level needs its incidence (incptr/incind).
bool FlowCutOfPair__(const HGraph *graph, const FlowPair &pair, const std::vector<int> &seeds, FlowScratch &work,
                     FlowRegionMarks &marks, std::vector<FlowMove> &moves);

// ---- Shared by the refinement schemes ----------------------------------------------

// A level of fewer vertices is refined by one FM search and one flow problem
// even where larger levels run several side by side: there one is cheap, and
// on levels of few vertices with wide hyperedges the pieces find far less.
constexpr int kSideBySideVertices = 20000;

// Smallest weight each side may carry for total = pwgts[0] + pwgts[1]. Side 0's
// bound is formed in single precision and side 1's in double, so the two may
// differ by one for the same fractions.
void ComputeMinPartWeights__(const CtrlType *ctrl, int total, int minpwgt[2]);

// Gain range of the level's queues: no gain exceeds a vertex's adjwgt.
int MaxAdjWgt__(const HGraph *graph);

// Queues and arrays of one FM-style refinement call.
struct FMWork {
  int nqueues;       // one per side, or one for one-way refinement
  PQueue queues[2];  // capacity nvtxs, gain range MaxAdjWgt__
  int *moved;        // -1 for a vertex that may still move in this pass
  int *swaps;        // the vertices in the order they moved
  int *perm;         // the order in which vertices enter the queues
  signed char *sides;  // FM: where, with kHeldSide for moved and fixed vertices
};
void AllocateFMWork__(HGraph *graph, FMWork *work, int nqueues);
void FreeFMWork__(FMWork *work);

// Fills the queues of the sides in a coarse random order; fixed vertices
// (id < nfixed) are marked moved and stay out for the whole pass.
void FillQueues__(RandomStream *rng, HGraph *graph, PQueue queues[2], int *moved, int *perm);

// Pins whose gain a move leaves alone carry this side in the sides array of
// UpdateMoveGains__.
constexpr int kHeldSide = 2;

// Side counts of the hyperedges as most refinement keeps them: graph->twoway.ndeg,
// one array per side, next to the hypergraph's own pin lists and weights.
struct SideArrays {
  static constexpr bool kPinXor = false;
  void Prefetch(int) const {}
  int *ndeg[2];
  const int *netptr, *netind, *netwgt;
  SideArrays(const HGraph *graph, int *side0, int *side1)
      : ndeg{side0, side1}, netptr(graph->netptr), netind(graph->netind), netwgt(graph->netwgt) {}
  explicit SideArrays(const HGraph *graph)
      : SideArrays(graph, graph->twoway.ndeg[0], graph->twoway.ndeg[1]) {}
  int &At(int side, int e) const { return ndeg[side][e]; }
  int Weight(int e) const { return netwgt[e]; }
  const int *Begin(int e) const { return netind + netptr[e]; }
  const int *End(int e) const { return netind + netptr[e + 1]; }
};

// FM's record of a hyperedge: its side counts, the exclusive or of the pin
// numbers on each side, its weight and the start of its pins in netind. A
// move finds all it reads of a hyperedge in one record (the pins end where
// the next record's start). A side with one pin names it in its pinxor, so
// a move that changes the gain of a single pin finds it without walking the
// pins.
struct FMHEdge {
  int ndeg[2];
  int pinxor[2];
  int wgt;
  int first;
};
struct FMHEdges {
  static constexpr bool kPinXor = true;
  FMHEdge *rec;  // nhedges + 1 records, the last one only marks the end of the pins
  const int *netind;
  int &At(int side, int e) const { return rec[e].ndeg[side]; }
  int &Xor(int side, int e) const { return rec[e].pinxor[side]; }
  void Prefetch(int e) const { __builtin_prefetch(rec + e); }
  int Weight(int e) const { return rec[e].wgt; }
  const int *Begin(int e) const { return netind + rec[e].first; }
  const int *End(int e) const { return netind + rec[e + 1].first; }
};

// FM's hyperedge records of a level, side counts not yet set.
FMHEdge *CreateFMHEdges__(const HGraph *graph);
// Side counts and gains of a level from scratch into FM's records; sets
// mincut and pwgts like ComputeInitGains__, leaving graph->twoway.ndeg alone.
void ComputeFMGains__(HGraph *graph, FMHEdge *rec);
// The cut the records' side counts give.
int FMCut__(const HGraph *graph, const FMHEdge *rec);

// The side counts and gains after vertex v moved from side f to side t
// (where[v] already says t). sides[u] is the side of pin u, or kHeldSide for a
// pin whose gain is left as it is: routines that adjust every pin pass where,
// FM passes its own copy in which moved and fixed vertices are held, so one
// lookup both finds the adjustment and skips them. After u's adjustment on a
// hyperedge, notify(u, oldgain) lets a queue follow (pins whose gain does not
// change on that hyperedge are not reported). The mover's own gain is left to
// the caller.
// hedges holds the side counts and pin lists (SideArrays or FMHEdges).
template <class HEdges, class Side, class Notify>
inline void UpdateMoveGains__(HGraph *graph, const HEdges &hedges, int v, int f, int t,
                              const Side *sides, Notify notify) {
  const int *incptr = graph->incptr, *incind = graph->incind;
  int *gain = graph->twoway.gain;

  // The records of v's hyperedges lie anywhere in a large level: ask for all
  // of them before the first is needed.
  for (int j = incptr[v]; j < incptr[v + 1]; ++j) hedges.Prefetch(incind[j]);
  for (int j = incptr[v]; j < incptr[v + 1]; ++j) {
    const int e = incind[j];
    const int nt = ++hedges.At(t, e);
    const int nf = --hedges.At(f, e);
    if constexpr (HEdges::kPinXor) {
      hedges.Xor(t, e) ^= v;
      hedges.Xor(f, e) ^= v;
    }
    // The hyperedge stays cut whichever of its pins moves next.
    if (nt > 2 && nf > 1) continue;

    const int w = hedges.Weight(e);
    if constexpr (HEdges::kPinXor) {
      // Only v's one partner on t, or the one pin left on f, changes: the
      // same adjustment as the walk below, without the walk.
      int u = -1, d = 0;
      if (nt == 2 && nf != 1) {
        u = hedges.Xor(t, e) ^ v;
        d = -((nf == 0 ? w : 0) + w);
      } else if (nf == 1 && nt != 2) {
        u = hedges.Xor(f, e);
        d = w + (nt == 1 ? w : 0);
      }
      if (u != -1) {
        if (d != 0 && sides[u] != kHeldSide) {
          const int old = gain[u];
          gain[u] = old + d;
          notify(u, old);
        }
        continue;
      }
    }
    // A pin left on f gains when it became e's last pin there or e just became
    // cut; a pin on t loses when e now lies wholly on t or it has a partner there.
    int delta[3];
    delta[f] = (nf == 1 ? w : 0) + (nt == 1 ? w : 0);
    delta[t] = -((nf == 0 ? w : 0) + (nt == 2 ? w : 0));
    delta[kHeldSide] = 0;
    for (const int *pin = hedges.Begin(e), *end = hedges.End(e); pin != end; ++pin) {
      const int u = *pin;
      const int d = delta[sides[u]];
      if (d == 0 || u == v) continue;
      const int old = gain[u];
      gain[u] = old + d;
      notify(u, old);
    }
  }
}

// The same on the side counts in graph->twoway.ndeg.
template <class Notify>
inline void UpdateMoveGains__(HGraph *graph, int v, int f, int t, const int *sides,
                              Notify notify) {
  UpdateMoveGains__(graph, SideArrays(graph), v, f, t, sides, notify);
}

// Candidate choice of the two weight policies: the plain maximum of a queue,
// or the best positive-gain vertex that its side can still give away.
struct PlainPick {
  static constexpr bool kHeavy = false;
  static int See(const PQueue *queue, int, const int *) { return PQueueSeeMax__(queue); }
  static int Take(PQueue *queue, int, int) { return PQueueGetMax__(queue); }
};
struct WeightPick {
  static constexpr bool kHeavy = true;
  static int See(const PQueue *queue, int slack, const int *cellwgt) {
    return PQueueSeeConstraintMax(queue, slack, cellwgt);
  }
  static int Take(PQueue *queue, int v, int gain) {
    PQueueDelete(queue, v, gain);
    return v;
  }
};

// FM's side rule: the side of the higher gain unless its candidate would take
// it below its minimum; on equal gains the side with strictly more slack gives,
// side 0 otherwise. a and b are the candidates, -1 for none, not both -1.
inline int ChooseSideFM__(const HGraph *graph, const int minpwgt[2], int a, int b) {
  if (a == -1) return 1;
  if (b == -1) return 0;
  const int *gain = graph->twoway.gain, *cellwgt = graph->cellwgt, *pwgts = graph->twoway.pwgts;
  if (gain[a] > gain[b]) return pwgts[0] - cellwgt[a] < minpwgt[0] ? 1 : 0;
  if (gain[a] < gain[b]) return pwgts[1] - cellwgt[b] < minpwgt[1] ? 0 : 1;
  return pwgts[0] - minpwgt[0] < pwgts[1] - minpwgt[1] ? 1 : 0;
}

// v changes side (where, pwgts) without touching gains or side counts.
inline void FlipSide__(HGraph *graph, int v) {
  const int from = graph->where[v], to = 1 - from;
  graph->where[v] = to;
  graph->twoway.pwgts[to] += graph->cellwgt[v];
  graph->twoway.pwgts[from] -= graph->cellwgt[v];
}

// v changes side with its side counts; the gains are left behind.
inline void MoveWithCounts__(HGraph *graph, int v) {
  const int from = graph->where[v], to = 1 - from;
  for (int j = graph->incptr[v]; j < graph->incptr[v + 1]; ++j) {
    const int e = graph->incind[j];
    --graph->twoway.ndeg[from][e];
    ++graph->twoway.ndeg[to][e];
  }
  FlipSide__(graph, v);
}

// Takes back a move kept in exact state: v returns to the other side, its gain
// turns into the gain of moving again, and all pins' gains follow.
void UndoMoveExact__(HGraph *graph, int v);
