// Test support of the flow layer: regions made from generated hypergraphs,
// and minimum cuts by enumerating every side of the free vertices.
#pragma once

#include <algorithm>
#include <climits>
#include <cmath>
#include <random>
#include <vector>

#include "flow/flow.h"
#include "testgen.h"

namespace ft {

// A generated hypergraph seen as a region: vertices 0 and 1 are the
// contracted sides, made heavier like the rest of a bisection would make them.
struct Region {
  zt::PlainHGraph g;
  FlowProblem p;
  int total = 0;
};

// Both bounds the same share (1 + eps) of half the total weight.
inline void SetBounds(Region &r, double eps) {
  r.p.maxwgt[0] = r.p.maxwgt[1] = static_cast<int>(std::ceil((1.0 + eps) * r.total / 2.0));
}

inline void Attach(Region &r) {
  r.p.nvtxs = r.g.nvtxs;
  r.p.nhedges = r.g.nhedges();
  r.p.eptr = r.g.eptr.data();
  r.p.eind = r.g.eind.data();
  r.p.vwgt = r.g.vwgts.data();
  r.p.hewgt = r.g.hewgts.data();
  r.total = 0;
  for (int w : r.g.vwgts) r.total += w;
}

// 0 - 2 - 3 - ... - (nchain-1) - 1, one hyperedge per link of weight
// linkwgt(i), unit vertex weights; the first nleaves odd links also hold a
// vertex of their own (vertices nchain ...), so that the chain has entry
// and exit nodes as well as edges.
template <class LinkWeight>
Region Chain(int nchain, int nleaves, LinkWeight linkwgt) {
  Region r;
  r.g.nvtxs = nchain + nleaves;
  r.g.vwgts.assign(r.g.nvtxs, 1);
  std::vector<int> order{kFlowSource};
  for (int v = 2; v < nchain; ++v) order.push_back(v);
  order.push_back(kFlowSink);
  int leaf = nchain;
  for (size_t i = 0; i + 1 < order.size(); ++i) {
    r.g.eind.push_back(order[i]);
    r.g.eind.push_back(order[i + 1]);
    if (i % 2 == 1 && leaf < r.g.nvtxs) r.g.eind.push_back(leaf++);
    r.g.eptr.push_back(static_cast<int>(r.g.eind.size()));
    r.g.hewgts.push_back(linkwgt(static_cast<int>(i)));
  }
  Attach(r);
  return r;
}

// Small enough to enumerate: up to maxvtxs vertices, hyperedges of up to
// every vertex, some vertices without hyperedges.
inline Region RandomRegion(unsigned seed, int maxvtxs) {
  std::mt19937 rng(seed);
  auto uni = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  zt::GenSpec gs;
  gs.nvtxs = uni(3, maxvtxs);
  gs.nhedges = uni(1, 3 * gs.nvtxs);
  gs.maxsize = uni(2, gs.nvtxs);
  gs.maxvwgt = uni(1, 6);
  gs.maxhwgt = uni(1, 9);
  gs.nislands = uni(0, 5) == 0 ? 1 : 0;
  gs.seed = seed;
  Region r;
  r.g = zt::Generate(gs);
  r.g.vwgts[kFlowSource] += uni(0, 4 * gs.maxvwgt);
  r.g.vwgts[kFlowSink] += uni(0, 4 * gs.maxvwgt);
  Attach(r);
  SetBounds(r, uni(0, 4) * 0.1);
  return r;
}

// Network cut of hyperedge e for its pins' sides: the entry node goes to
// side 0 when a pin does and the exit node to side 1 when a pin does
// (unbounded arcs), each as its terminal set says; the arc between them is
// cut when the entry is on side 0 and the exit on side 1. A hyperedge of two
// pins has no such nodes and is cut when its pins part. INT_MAX when the
// terminal sets allow no placement.
inline int HEdgeNetworkCut(const FlowProblem &p, const FlowScratch &work, const signed char *term, int e,
                           const int *side) {
  bool has[2] = {false, false};
  for (int i = p.eptr[e]; i < p.eptr[e + 1]; ++i) has[side[p.eind[i]]] = true;
  const int in = HEdgeInNode(work, e);
  const int tin = in < 0 ? kFreeNode : term[in], tout = in < 0 ? kFreeNode : term[in + 1];
  int best = INT_MAX;
  for (int a = 0; a < 2; ++a)
    for (int b = 0; b < 2; ++b) {
      if ((has[0] && a != 0) || (has[1] && b != 1)) continue;
      if ((tin != kFreeNode && a != tin) || (tout != kFreeNode && b != tout)) continue;
      best = std::min(best, a == 0 && b == 1 ? p.hewgt[e] : 0);
    }
  return best;
}

// Over every side assignment of the free vertices: the minimum network cut
// for the terminal sets term (one entry per node of work's network), and the
// side-0 weights of the smallest and the largest side 0 among the minimum
// cuts (their intersection and union).
struct BruteCuts {
  int mincut = INT_MAX;
  int lightest0 = 0;
  int heaviest0 = 0;
};

inline BruteCuts BruteForceMinCuts(const FlowProblem &p, const FlowScratch &work, const signed char *term) {
  std::vector<int> freev, side(p.nvtxs), inall, inany;
  for (int v = 0; v < p.nvtxs; ++v) {
    if (term[v] == kFreeNode) freev.push_back(v);
    side[v] = term[v] == kFreeNode ? 0 : term[v];
  }
  BruteCuts b;
  for (long mask = 0; mask < (1L << freev.size()); ++mask) {
    for (size_t i = 0; i < freev.size(); ++i) side[freev[i]] = (mask >> i) & 1;
    long long cut = 0;
    for (int e = 0; e < p.nhedges && cut < INT_MAX; ++e) cut += HEdgeNetworkCut(p, work, term, e, side.data());
    if (cut > b.mincut) continue;
    if (cut < b.mincut) {
      b.mincut = static_cast<int>(cut);
      inall.assign(p.nvtxs, 1);
      inany.assign(p.nvtxs, 0);
    }
    for (int v = 0; v < p.nvtxs; ++v) {
      inall[v] &= side[v] == 0;
      inany[v] |= side[v] == 0;
    }
  }
  if (b.mincut == INT_MAX) return b;
  for (int v = 0; v < p.nvtxs; ++v) {
    b.lightest0 += inall[v] ? p.vwgt[v] : 0;
    b.heaviest0 += inany[v] ? p.vwgt[v] : 0;
  }
  return b;
}

// The residual side of terminal set side, searched afresh: the nodes the
// set reaches along residual arcs (side 0) or that reach it (side 1).
inline std::vector<char> ReachFrom(const FlowScratch &work, int side) {
  std::vector<char> mark(work.nnodes, 0);
  std::vector<int> queue;
  for (int u = 0; u < work.nnodes; ++u)
    if (work.term[u] == side) {
      mark[u] = 1;
      queue.push_back(u);
    }
  for (size_t head = 0; head < queue.size(); ++head) {
    const int u = queue[head];
    for (int a = work.first[u]; a < work.first[u + 1]; ++a) {
      const int v = work.head[a];
      if (mark[v] || SearchResidual(work, side, a) <= 0) continue;
      mark[v] = 1;
      queue.push_back(v);
    }
  }
  return mark;
}

// The piercing rule on vertices alone, from residual sides searched afresh:
// a free vertex outside the residual side of set side, preferably a pin of a
// hyperedge with a pin inside it, then preferably one the other side does
// not reach, then the lowest number; -1 when there is none.
inline int ReferencePiercingVertex(const FlowProblem &p, const FlowScratch &work, int side) {
  const std::vector<char> mine = ReachFrom(work, side), other = ReachFrom(work, 1 - side);
  std::vector<char> atcut(p.nvtxs, 0);
  for (int e = 0; e < p.nhedges; ++e) {
    bool inside = false;
    for (int i = p.eptr[e]; i < p.eptr[e + 1]; ++i) inside |= mine[p.eind[i]] != 0;
    if (inside)
      for (int i = p.eptr[e]; i < p.eptr[e + 1]; ++i) atcut[p.eind[i]] = 1;
  }
  int best = -1, bestrank = 4;
  for (int v = 0; v < p.nvtxs; ++v) {
    if (work.term[v] != kFreeNode || mine[v]) continue;
    const int rank = (atcut[v] ? 0 : 2) + (other[v] ? 1 : 0);
    if (rank < bestrank) {
      best = v;
      bestrank = rank;
    }
  }
  return best;
}

inline std::vector<signed char> Terminals(const FlowScratch &work) {
  return std::vector<signed char>(work.term.get(), work.term + work.nnodes);
}

}  // namespace ft
