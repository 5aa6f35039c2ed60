// Flow-based refinement of a bisection: the exact flow network of a region
// around the cut, an incremental maximum flow, minimum cuts read from the
// residual network, and piercing towards a minimum cut that fits the bounds.
#pragma once

#include <climits>
#include <functional>

#include "util/util.h"

// A region of a bisection as the flow refinement sees it, independent of the
// hypergraph record. Vertex 0 is the rest of side 0 contracted into one
// vertex (the source), vertex 1 the rest of side 1 (the sink); each carries
// the weight contracted into it, so side weights are whole-bisection weights.
// The arrays belong to the caller.
struct FlowProblem {
  int nvtxs = 0;               // at least the two terminals
  int nhedges = 0;
  const int *eptr = nullptr;   // [nhedges+1]
  const int *eind = nullptr;   // [eptr[nhedges]] pins, 0 .. nvtxs-1
  const int *vwgt = nullptr;   // [nvtxs]
  const int *hewgt = nullptr;  // [nhedges]
  int maxwgt[2] = {0, 0};      // heaviest weight side 0 / side 1 may end with
  // [nvtxs] the side each vertex lies on before the cut, or null. Piercing
  // prefers a vertex that already lies on the side it joins: the cut then
  // grows from the one the caller has, which fits its bounds.
  const signed char *initside = nullptr;
  // No cut heavier than this is of use to the caller (the cut it has): the
  // search gives up as soon as the flow exceeds it.
  int maxcut = INT_MAX;
  // Scans of the search trees after which no vertex is pierced any more;
  // 0 for the budget that goes with the region's size.
  long long piercebudget = 0;
};

constexpr int kFlowSource = 0;  // vertex contracted from the rest of side 0
constexpr int kFlowSink = 1;    // vertex contracted from the rest of side 1
constexpr signed char kFreeNode = -1;

// The network, its flow and the work arrays of a flow cut, grown on demand
// and reused from call to call. The flow lives in the residual capacities:
// the flow along an arc is what its residual capacity lacks of its capacity.
struct FlowScratch {
  int nnodes = 0, narcs = 0, nvtxs = 0;
  int nodecap = 0, arccap = 0, hedgecap = 0;  // allocated lengths
  ZBArray<int> first;    // [nnodes+1] arcs of node u: first[u] .. first[u+1]-1
  ZBArray<int> head;     // [narcs] node the arc points to
  ZBArray<int> rev;      // [narcs] the reverse arc, stored at the head
  ZBArray<int> resid;    // [narcs] residual capacity
  ZBArray<int> cap;      // [narcs] capacity, so resid > cap where flow comes in
  ZBArray<int> nodewgt;  // [nnodes] vertex weight of a vertex node, 0 for the rest
  int flow = 0;          // value of the flow into the sink set
  bool zerowgt = false;  // some free vertex weighs nothing

  // Nodes of the network: vertex v is node v; a hyperedge has an entry node
  // and the next one as its exit node, joined by an arc of its weight, or,
  // with two pins, no nodes and an arc of its weight between the pins each
  // way. The k-th pair of nodes after the vertices is hyperedge pairhedge[k].
  ZBArray<int> hedgenode;  // [nhedges] entry node, -1 for two pins
  ZBArray<int> pairhedge;  // [number of pairs]

  // Terminal sets: 0 for the source set, 1 for the sink set, kFreeNode.
  // Nodes join them by piercing and assimilation and never leave.
  ZBArray<signed char> term;  // [nnodes]

  // The residual sides, kept as two search trees while the flow changes:
  // tree[u] is 0 when the sources reach u, 1 when u reaches the sinks,
  // kFreeNode otherwise; parent[u] the arc of u towards its tree parent
  // (kRootArc for a terminal, kOrphanArc while a lost node looks for one).
  // ts and dist date and measure a node's path to its terminal, active nodes
  // wait in a ring to extend their tree, orphans in a list to be placed.
  ZBArray<signed char> tree;
  ZBArray<int> parent, ts, dist, cur;
  ZBArray<char> active;
  ZBArray<int> ring, orphans;
  int ringhead = 0, ringsize = 0, norphans = 0, time = 0;
  long long effort = 0;  // arcs and tree paths scanned since the trees were planted
  int reachwgt[2] = {0, 0};  // vertex weight of each tree

  // Nodes that joined tree s since its last assimilation (each once, by
  // joinmark[s][u] == joinstamp[s]); pairs of entry and exit nodes whose
  // arc may cross the cut of tree s (each once, by cutlisted[s][k]); and
  // vertices of tree s that may have an edge leaving it (each once, by
  // frontlisted[s][v]).
  ZBArray<int> joined[2], joinmark[2], cutedges[2], frontier[2];
  ZBArray<char> cutlisted[2], frontlisted[2];
  int njoined[2] = {0, 0}, joinstamp[2] = {0, 0}, ncutedges[2] = {0, 0}, nfrontier[2] = {0, 0};

  // The strongly connected components of the undecided nodes: seen[u] ==
  // seenstamp when visited, discovery numbers, low links, the component
  // stack, the call stack and each component's vertex weight.
  ZBArray<int> seen;
  int seenstamp = 0;
  ZBArray<int> disc, low, comp, stack, calls, compwgt;

  // The first flow's push-relabel: excess and label of each node, the lists
  // of the nodes of each label (bhead, bnext, bprev) and of the active ones
  // (ahead, anext), the queue of its breadth-first searches, and the path
  // that returns excess.
  ZBArray<long long> excess;
  ZBArray<int> label, bhead, bnext, bprev, ahead, anext, queue, patharc;
};

// Entry and exit node of hyperedge e, -1 when it has none.
inline int HEdgeInNode(const FlowScratch &work, int e) { return work.hedgenode[e]; }
inline int HEdgeOutNode(const FlowScratch &work, int e) { return work.hedgenode[e] < 0 ? -1 : work.hedgenode[e] + 1; }

constexpr int kRootArc = -1;
constexpr int kOrphanArc = -2;

// Sizes the scratch for the problem, builds its network with zero flow and
// makes vertex 0 the source set and vertex 1 the sink set, each the root of
// its search tree; FirstMaxFlow__ or AugmentFlow__ then computes the first
// maximum flow.
void BuildFlowNetwork__(const FlowProblem &p, FlowScratch &work);

// A fresh stamp for a marker array of len entries, clearing the array only
// when the stamps run out.
int NextStamp__(int *marks, int len, int &stamp);

// Residual capacity of arc a (from u to head[a]) as tree side grows along
// it: along the arc for the sources, against the arc's reverse for the
// sinks, which follows flow paths backwards.
inline int SearchResidual(const FlowScratch &work, int side, int a) {
  return side == 0 ? work.resid[a] : work.resid[work.rev[a]];
}

// The first maximum flow of the network BuildFlowNetwork__ built, and the
// trees grown on it: the same flow value and trees as AugmentFlow__ gives,
// found in a way that also suits the region's deep networks. The trees may
// spend treescans scans of the network before push-relabel takes over.
constexpr long long kFirstFlowTreeScans = 4;
void FirstMaxFlow__(const FlowProblem &p, FlowScratch &work, long long treescans = kFirstFlowTreeScans);

// Puts a free node into terminal set side, as the root of that tree; it
// leaves the other tree if it was there. The flow stays valid but may no
// longer be maximum until AugmentFlow__.
void AddTerminal__(FlowScratch &work, int node, int side);

// Maximum flow resumed after terminals were added: the trees grow from
// their new and changed nodes, every path found where they meet is
// augmented and the nodes it cuts off are placed again, until no path is
// left. Returns the flow added; work.flow grows by it. Afterwards each tree
// is exactly the residual side of its terminal set. With work.effort past
// maxeffort it stops early, between two paths, with nodes left to grow
// from (work.ringsize > 0) and a smaller but valid flow.
int AugmentFlow__(FlowScratch &work, long long maxeffort = LLONG_MAX);

// Drops the trees and every terminal but vertices 0 and 1, keeping the
// flow; AugmentFlow__ then grows the trees anew.
void RestartTrees__(const FlowProblem &p, FlowScratch &work);

// Whether node lies on the residual side of terminal set side (a search
// tree), valid after AugmentFlow__.
inline bool InReach(const FlowScratch &work, int side, int node) { return work.tree[node] == side; }

// Bookkeeping of the trees, for the searches: a node joins or leaves tree
// side.
void JoinReach__(FlowScratch &work, int side, int node);
void LeaveReach__(FlowScratch &work, int side, int node);

// How far side weights w0 and total - w0 lie beyond the bounds: the larger
// overshoot, at most 0 when both fit. Smaller is more balanced.
int BoundExcess__(const FlowProblem &p, int total, int w0);

// The most balanced minimum cut of the present maximum flow.
struct MinCutChoice {
  int wgt0;         // weight of side 0
  int excess;       // BoundExcess__ of it
  int reachwgt[2];  // vertex weight of each residual side
  int prefix;       // undecided components on side 0, as WriteMinCut__ reads it
  bool swept;       // whether the components were computed
};
// Settles without the components when every minimum cut lies on one slope
// of BoundExcess__; sweep forces the components.
MinCutChoice MostBalancedMinCut__(const FlowProblem &p, FlowScratch &work, int total, bool sweep = false);
// The chosen cut, one entry per vertex, before the trees change again.
void WriteMinCut__(const FlowProblem &p, const FlowScratch &work, const MinCutChoice &c, int *side);

// The vertex to pierce into terminal set side, or -1 when every vertex is
// already decided for it.
int ChoosePiercingVertex__(const FlowProblem &p, FlowScratch &work, int side);

// Makes the residual side of set side part of the set: every minimum cut of
// the pierced sets can keep it there, and later searches start from less.
void AssimilateReach__(FlowScratch &work, int side);

struct FlowCutResult {
  bool found = false;      // a minimum cut within both bounds and of at most maxcut
  int cut = 0;             // weight of the hyperedges with pins on both sides
  int pwgts[2] = {0, 0};   // side weights
  int npierced = 0;        // vertices pierced into a terminal set
};

// The entry point: the most balanced minimum cut of the region that fits
// the bounds, piercing until one does, no vertex is left to pierce, the
// flow exceeds maxcut or the search trees have used up the piercing budget
// (by default about 4 million scans plus 64 per vertex and hyperedge).
// side (nvtxs entries) and pwgts receive the most balanced minimum cut of
// the last flow even when none fits, which the caller then drops to keep
// its bisection; its weight is cut. observe, when
// given, sees the cut of every round and the side about to be pierced (-1 on
// the last round), before the round's piercing changes the trees.
using FlowCutObserver = std::function<void(FlowScratch &, const MinCutChoice &, int side)>;
FlowCutResult FindBalancedFlowCut__(const FlowProblem &p, FlowScratch &work, int *side,
                                    const FlowCutObserver &observe = nullptr);
