// The flow network of a region. Each hyperedge is an arc of its weight from
// an entry node to an exit node; each pin has an arc of unbounded capacity
// into the entry and one out of the exit. A set of nodes closed around the
// source then crosses only hyperedge arcs, and it crosses the arc of a
// hyperedge whenever the hyperedge has pins on both sides, so a minimum cut
// of the network is a minimum hyperedge cut.
//
// A hyperedge of two pins is an edge: one arc of its weight each way between
// the pins cuts exactly like the entry and exit nodes, with a third of the
// path length and none of their nodes. The residual sides agree on every
// vertex, since both networks have the same minimum cuts.
#include <climits>

#include "flow/flow.h"

namespace {

// No flow reaches it: every path between two vertices crosses the arc of a
// hyperedge, and the flow is at most the total hyperedge weight.
constexpr int kUnbounded = INT_MAX;

void GrowNodeArrays(FlowScratch &work, int nnodes) {
  if (nnodes + 1 <= work.nodecap) return;
  const size_t n = static_cast<size_t>(nnodes) + 1;
  work.first = imalloc__(n, "FlowScratch: first");
  work.nodewgt = imalloc__(n, "FlowScratch: nodewgt");
  work.term = ZBmallocT__<signed char>(n, "FlowScratch: term");
  work.tree = ZBmallocT__<signed char>(n, "FlowScratch: tree");
  work.parent = imalloc__(n, "FlowScratch: parent");
  work.ts = imalloc__(n, "FlowScratch: ts");
  work.dist = imalloc__(n, "FlowScratch: dist");
  work.cur = imalloc__(n, "FlowScratch: cur");
  work.active = ZBmallocT__<char>(n, "FlowScratch: active");
  work.ring = imalloc__(n, "FlowScratch: ring");
  work.orphans = imalloc__(n, "FlowScratch: orphans");
  // Stamps restart with the fresh marker arrays.
  for (int s = 0; s < 2; ++s) {
    work.frontier[s] = imalloc__(n, "FlowScratch: frontier");
    work.frontlisted[s] = ZBmallocT__<char>(n, "FlowScratch: frontlisted");
    work.joined[s] = imalloc__(n, "FlowScratch: joined");
    work.joinmark[s] = ismalloc__(n, 0, "FlowScratch: joinmark");
    work.joinstamp[s] = 0;
  }
  work.seen = ismalloc__(n, 0, "FlowScratch: seen");
  work.seenstamp = 0;
  work.disc = imalloc__(n, "FlowScratch: disc");
  work.low = imalloc__(n, "FlowScratch: low");
  work.comp = imalloc__(n, "FlowScratch: comp");
  work.stack = imalloc__(n, "FlowScratch: stack");
  work.calls = imalloc__(n, "FlowScratch: calls");
  work.compwgt = imalloc__(n, "FlowScratch: compwgt");
  work.excess = ZBmallocT__<long long>(n, "FlowScratch: excess");
  work.label = imalloc__(n, "FlowScratch: label");
  work.bhead = imalloc__(n, "FlowScratch: bhead");
  work.bnext = imalloc__(n, "FlowScratch: bnext");
  work.bprev = imalloc__(n, "FlowScratch: bprev");
  work.ahead = imalloc__(n, "FlowScratch: ahead");
  work.anext = imalloc__(n, "FlowScratch: anext");
  work.queue = imalloc__(n, "FlowScratch: queue");
  work.patharc = imalloc__(n, "FlowScratch: patharc");
  work.nodecap = static_cast<int>(n);
}

void GrowHEdgeArrays(FlowScratch &work, int nhedges) {
  if (nhedges + 1 <= work.hedgecap) return;
  const size_t n = static_cast<size_t>(nhedges) + 1;
  work.hedgenode = imalloc__(n, "FlowScratch: hedgenode");
  work.pairhedge = imalloc__(n, "FlowScratch: pairhedge");
  for (int s = 0; s < 2; ++s) {
    work.cutedges[s] = imalloc__(n, "FlowScratch: cutedges");
    work.cutlisted[s] = ZBmallocT__<char>(n, "FlowScratch: cutlisted");
  }
  work.hedgecap = static_cast<int>(n);
}

void GrowArcArrays(FlowScratch &work, int narcs) {
  if (narcs <= work.arccap) return;
  work.head = imalloc__(narcs, "FlowScratch: head");
  work.rev = imalloc__(narcs, "FlowScratch: rev");
  work.resid = imalloc__(narcs, "FlowScratch: resid");
  work.cap = imalloc__(narcs, "FlowScratch: cap");
  work.arccap = narcs;
}

// Two distinct pins: the hyperedge becomes an edge.
bool IsEdge(const FlowProblem &p, int e) {
  return p.eptr[e + 1] - p.eptr[e] == 2 && p.eind[p.eptr[e]] != p.eind[p.eptr[e] + 1];
}

// Arc ranges: a vertex has two arcs per pin of a hyperedge with nodes (into
// the entry, and the reverse of the exit's arc to it) and one per edge; an
// entry or exit node one per pin plus the hyperedge arc or its reverse.
void CountArcs(const FlowProblem &p, FlowScratch &work) {
  int *first = work.first;
  iset__(work.nnodes + 1, 0, first);
  for (int e = 0; e < p.nhedges; ++e) {
    const int size = p.eptr[e + 1] - p.eptr[e];
    if (IsEdge(p, e)) {
      first[p.eind[p.eptr[e]] + 1] += 1;
      first[p.eind[p.eptr[e] + 1] + 1] += 1;
      continue;
    }
    first[HEdgeInNode(work, e) + 1] = size + 1;
    first[HEdgeOutNode(work, e) + 1] = size + 1;
    for (int i = p.eptr[e]; i < p.eptr[e + 1]; ++i) first[p.eind[i] + 1] += 2;
  }
  for (int u = 0; u < work.nnodes; ++u) first[u + 1] += first[u];
}

// An arc u -> v of capacity cap and its reverse of capacity back, placed at
// the next free slots of u and v (work.cur).
void AddArcPair(FlowScratch &work, int u, int v, int cap, int back = 0) {
  const int a = work.cur[u]++, b = work.cur[v]++;
  work.head[a] = v;
  work.rev[a] = b;
  work.resid[a] = work.cap[a] = cap;
  work.head[b] = u;
  work.rev[b] = a;
  work.resid[b] = work.cap[b] = back;
}

// Every node free and outside both trees, no node waiting, no list kept.
void ClearTrees(const FlowProblem &p, FlowScratch &work) {
  for (int u = 0; u < work.nnodes; ++u) {
    work.term[u] = kFreeNode;
    work.tree[u] = kFreeNode;
    work.parent[u] = kOrphanArc;
    work.ts[u] = work.dist[u] = 0;
    work.active[u] = 0;
    work.frontlisted[0][u] = work.frontlisted[1][u] = 0;
    work.nodewgt[u] = u < p.nvtxs ? p.vwgt[u] : 0;
  }
  work.ringhead = work.ringsize = work.norphans = work.time = 0;
  work.effort = 0;
  for (int s = 0; s < 2; ++s) {
    work.reachwgt[s] = work.njoined[s] = work.ncutedges[s] = work.nfrontier[s] = 0;
    NextStamp__(work.joinmark[s], work.nodecap, work.joinstamp[s]);
    for (int k = 0; k < p.nhedges; ++k) work.cutlisted[s][k] = 0;
  }
}

}  // namespace

int NextStamp__(int *marks, int len, int &stamp) {
  if (stamp == INT_MAX) {
    iset__(len, 0, marks);
    stamp = 0;
  }
  return ++stamp;
}

void BuildFlowNetwork__(const FlowProblem &p, FlowScratch &work) {
  work.nvtxs = p.nvtxs;
  GrowHEdgeArrays(work, p.nhedges);
  int npairs = 0;
  for (int e = 0; e < p.nhedges; ++e) {
    work.hedgenode[e] = IsEdge(p, e) ? -1 : p.nvtxs + 2 * npairs;
    if (!IsEdge(p, e)) work.pairhedge[npairs++] = e;
  }
  work.nnodes = p.nvtxs + 2 * npairs;
  GrowNodeArrays(work, work.nnodes);
  CountArcs(p, work);
  work.narcs = work.first[work.nnodes];
  GrowArcArrays(work, work.narcs);
  icopy__(work.nnodes, work.first, work.cur);
  for (int e = 0; e < p.nhedges; ++e) {
    if (IsEdge(p, e)) {
      AddArcPair(work, p.eind[p.eptr[e]], p.eind[p.eptr[e] + 1], p.hewgt[e], p.hewgt[e]);
      continue;
    }
    const int in = HEdgeInNode(work, e), out = HEdgeOutNode(work, e);
    AddArcPair(work, in, out, p.hewgt[e]);
    for (int i = p.eptr[e]; i < p.eptr[e + 1]; ++i) {
      AddArcPair(work, p.eind[i], in, kUnbounded);
      AddArcPair(work, out, p.eind[i], kUnbounded);
    }
  }
  work.flow = 0;
  work.zerowgt = false;
  for (int v = 2; v < p.nvtxs; ++v) work.zerowgt |= p.vwgt[v] == 0;
  RestartTrees__(p, work);
}

void RestartTrees__(const FlowProblem &p, FlowScratch &work) {
  ClearTrees(p, work);
  AddTerminal__(work, kFlowSource, 0);
  AddTerminal__(work, kFlowSink, 1);
}
