// The residual sides as the search trees change them, with what the steps
// after a flow read from them kept up to date at each change: the vertex
// weight of each side, the nodes that assimilation will make terminals, and
// the hyperedges and edges that may cross each side's cut. A pierce then
// costs what it changes rather than a pass over the region.
#include "flow/flow.h"

namespace {

// The node of the k-th pair on side's own end of its arc (the entry for the
// sources, the exit for the sinks): tree side crosses the hyperedge's arc
// when it holds this node and not the other.
inline int NearNode(const FlowScratch &work, int side, int k) { return work.nvtxs + 2 * k + side; }

void ListFrontier(FlowScratch &work, int side, int v) {
  if (work.frontlisted[side][v]) return;
  work.frontlisted[side][v] = 1;
  work.frontier[side][work.nfrontier[side]++] = v;
}

void ListCutEdge(FlowScratch &work, int side, int k) {
  if (work.cutlisted[side][k]) return;
  work.cutlisted[side][k] = 1;
  work.cutedges[side][work.ncutedges[side]++] = k;
}

}  // namespace

void JoinReach__(FlowScratch &work, int side, int node) {
  work.reachwgt[side] += work.nodewgt[node];
  if (work.joinmark[side][node] != work.joinstamp[side]) {
    work.joinmark[side][node] = work.joinstamp[side];
    work.joined[side][work.njoined[side]++] = node;
  }
  const int h = node - work.nvtxs;
  if (h < 0)
    ListFrontier(work, side, node);
  else if ((h & 1) == side)
    ListCutEdge(work, side, h >> 1);
}

void LeaveReach__(FlowScratch &work, int side, int node) {
  work.reachwgt[side] -= work.nodewgt[node];
  const int h = node - work.nvtxs;
  if (h >= 0) {
    if ((h & 1) != side && InReach(work, side, NearNode(work, side, h >> 1))) ListCutEdge(work, side, h >> 1);
    return;
  }
  // Its neighbours by edges may now have an edge leaving the tree.
  for (int a = work.first[node]; a < work.first[node + 1]; ++a) {
    const int v = work.head[a];
    if (v < work.nvtxs && InReach(work, side, v)) ListFrontier(work, side, v);
  }
}
