// Piercing: when no minimum cut fits the bounds, one more vertex joins the
// terminal set that needs weight, and the next maximum flow finds the
// minimum cuts around it.
#include "flow/flow.h"

namespace {

struct Candidate {
  int vertex = -1, rank = 8;
  void Offer(int v, int r) {
    if (r < rank || (r == rank && v < vertex)) {
      vertex = v;
      rank = r;
    }
  }
};

// Rank of v as a vertex to pierce into set side: 0 for one the other set
// does not reach that already lies on side, then one from the other side,
// then the same two the other set reaches; far adds 4.
int Rank(const FlowProblem &p, const FlowScratch &work, int side, int v, bool far) {
  const bool moves = p.initside != nullptr && p.initside[v] != side;
  return (far ? 4 : 0) + (InReach(work, 1 - side, v) ? 2 : 0) + (moves ? 1 : 0);
}

// Offers the free pins of the hyperedges whose arc tree side crosses: the
// vertices right at that cut. The list of such hyperedges loses those that
// no longer cross; the trees add them back when they cross again.
void OfferCutPins(const FlowProblem &p, FlowScratch &work, int side, Candidate &best) {
  int *edges = work.cutedges[side];
  int kept = 0;
  for (int i = 0; i < work.ncutedges[side]; ++i) {
    const int k = edges[i], e = work.pairhedge[k];
    const int near = p.nvtxs + 2 * k + side, far = p.nvtxs + 2 * k + 1 - side;
    if (!InReach(work, side, near) || InReach(work, side, far)) {
      work.cutlisted[side][k] = 0;
      continue;
    }
    edges[kept++] = k;
    for (int j = p.eptr[e]; j < p.eptr[e + 1]; ++j) {
      const int v = p.eind[j];
      if (work.term[v] == kFreeNode && !InReach(work, side, v)) best.Offer(v, Rank(p, work, side, v, false));
    }
  }
  work.ncutedges[side] = kept;
}

// Offers the free ends of the edges that leave tree side. The list keeps
// the tree's vertices with such an edge; the trees add the others back when
// a neighbour leaves.
void OfferEdgeEnds(const FlowProblem &p, FlowScratch &work, int side, Candidate &best) {
  int *front = work.frontier[side];
  int kept = 0;
  for (int i = 0; i < work.nfrontier[side]; ++i) {
    const int u = front[i];
    bool leaves = false;
    if (InReach(work, side, u)) {
      for (int a = work.first[u]; a < work.first[u + 1]; ++a) {
        const int v = work.head[a];
        if (v >= p.nvtxs || InReach(work, side, v)) continue;
        leaves = true;
        if (work.term[v] == kFreeNode) best.Offer(v, Rank(p, work, side, v, false));
      }
    }
    if (leaves)
      front[kept++] = u;
    else
      work.frontlisted[side][u] = 0;
  }
  work.nfrontier[side] = kept;
}

}  // namespace

// A vertex at the cut is preferred, so that side grows by its neighbours
// rather than jumping across the region; among those, one the other set does
// not reach, whose piercing keeps the flow (and the cut weight) as it is;
// then one that stays where it lies. Ties go to the lowest vertex number,
// so the order is fixed.
int ChoosePiercingVertex__(const FlowProblem &p, FlowScratch &work, int side) {
  Candidate best;
  OfferCutPins(p, work, side, best);
  OfferEdgeEnds(p, work, side, best);
  if (best.vertex >= 0) return best.vertex;
  for (int v = 0; v < p.nvtxs; ++v)
    if (work.term[v] == kFreeNode && !InReach(work, side, v)) best.Offer(v, Rank(p, work, side, v, true));
  return best.vertex;
}

// Every free node of the tree joined it since the last assimilation, since
// the ones before became terminals then; as terminals they root the tree.
void AssimilateReach__(FlowScratch &work, int side) {
  for (int i = 0; i < work.njoined[side]; ++i) {
    const int u = work.joined[side][i];
    if (work.term[u] != kFreeNode || !InReach(work, side, u)) continue;
    work.term[u] = static_cast<signed char>(side);
    work.parent[u] = kRootArc;
    work.dist[u] = 0;
  }
  work.njoined[side] = 0;
  NextStamp__(work.joinmark[side], work.nodecap, work.joinstamp[side]);
}
