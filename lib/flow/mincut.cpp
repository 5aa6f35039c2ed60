// Minimum cuts of a maximum flow. The nodes the sources reach in the
// residual network lie on side 0 of every minimum cut, the nodes that reach
// the sinks on side 1 of every one; a set of nodes between them is the rest
// of a minimum cut's side 0 exactly when no residual arc leaves it, so the
// choices are the closed sets of the strongly connected components of the
// undecided nodes.
//
// The most balanced of them is a hard problem in general; the cut taken here
// is the best prefix of one order of those components in which every
// component comes after all the components its residual arcs reach (the
// order in which Tarjan's search completes them). Every prefix is closed, so
// every cut of the sweep is a minimum cut; the sweep starts at the residual
// side of the sources and ends at everything but the residual side of the
// sinks, so it is never less balanced than either, and it costs one pass.
// Mostly it need not run: when all the cuts between the two residual sides
// lie on one slope of the bound excess, one of those two ends is the best.
#include <algorithm>
#include <climits>

#include "flow/flow.h"

namespace {

bool Undecided(const FlowScratch &work, int u) { return work.tree[u] == kFreeNode; }

// Tarjan's search over the residual arcs among undecided nodes, without
// recursion: calls holds the call stack, stack the component stack, disc
// the discovery numbers and comp -1 while a node is on the component stack.
struct Tarjan {
  int stamp = 0, counter = 0, ncalls = 0, top = 0, ncomps = 0;
};

void Discover(FlowScratch &work, Tarjan &t, int u) {
  work.seen[u] = t.stamp;
  work.disc[u] = work.low[u] = t.counter++;
  work.comp[u] = -1;
  work.cur[u] = work.first[u];
  work.stack[t.top++] = u;
  work.calls[t.ncalls++] = u;
}

void Finish(FlowScratch &work, Tarjan &t, int u) {
  if (--t.ncalls > 0) {
    const int parent = work.calls[t.ncalls - 1];
    work.low[parent] = std::min(work.low[parent], work.low[u]);
  }
  if (work.low[u] != work.disc[u]) return;
  int v;
  do {
    v = work.stack[--t.top];
    work.comp[v] = t.ncomps;
  } while (v != u);
  ++t.ncomps;
}

void ComponentsFrom(FlowScratch &work, Tarjan &t, int root) {
  Discover(work, t, root);
  while (t.ncalls > 0) {
    const int u = work.calls[t.ncalls - 1];
    if (work.cur[u] == work.first[u + 1]) {
      Finish(work, t, u);
      continue;
    }
    const int a = work.cur[u]++, v = work.head[a];
    if (work.resid[a] <= 0 || !Undecided(work, v)) continue;
    if (work.seen[v] != t.stamp)
      Discover(work, t, v);
    else if (work.comp[v] < 0)
      work.low[u] = std::min(work.low[u], work.disc[v]);
  }
}

// Components numbered in completion order, with their vertex weights.
int UndecidedComponents(const FlowProblem &p, FlowScratch &work) {
  Tarjan t;
  t.stamp = NextStamp__(work.seen, work.nodecap, work.seenstamp);
  for (int u = 0; u < work.nnodes; ++u)
    if (Undecided(work, u) && work.seen[u] != t.stamp) ComponentsFrom(work, t, u);
  iset__(t.ncomps, 0, work.compwgt);
  for (int v = 0; v < p.nvtxs; ++v)
    if (Undecided(work, v)) work.compwgt[work.comp[v]] += p.vwgt[v];
  return t.ncomps;
}

// The best prefix of the components in completion order; the first of
// equally good ones.
void SweepComponents(const FlowProblem &p, FlowScratch &work, int total, MinCutChoice &c) {
  const int ncomps = UndecidedComponents(p, work);
  int w0 = c.wgt0;
  for (int k = 0; k < ncomps; ++k) {
    w0 += work.compwgt[k];
    const int excess = BoundExcess__(p, total, w0);
    if (excess < c.excess) {
      c.excess = excess;
      c.wgt0 = w0;
      c.prefix = k + 1;
    }
  }
  c.swept = true;
}

}  // namespace

int BoundExcess__(const FlowProblem &p, int total, int w0) {
  return std::max(w0 - p.maxwgt[0], total - w0 - p.maxwgt[1]);
}

// Above the side-0 weight that overshoots both bounds alike, BoundExcess__
// grows with side 0 and the first prefix is the best; below it, it falls,
// and the last prefix that adds weight is, which puts every undecided vertex
// on side 0 unless some weigh nothing (the sweep then says where those go).
MinCutChoice MostBalancedMinCut__(const FlowProblem &p, FlowScratch &work, int total, bool sweep) {
  MinCutChoice c{work.reachwgt[0], 0, {work.reachwgt[0], work.reachwgt[1]}, 0, false};
  const long long evenx2 = static_cast<long long>(total) + p.maxwgt[0] - p.maxwgt[1];
  const int lightest = work.reachwgt[0], heaviest = total - work.reachwgt[1];
  c.excess = BoundExcess__(p, total, lightest);
  if (!sweep && 2LL * lightest >= evenx2) return c;
  if (!sweep && 2LL * heaviest <= evenx2 && !work.zerowgt) {
    c.wgt0 = heaviest;
    c.excess = BoundExcess__(p, total, heaviest);
    c.prefix = INT_MAX;
    return c;
  }
  SweepComponents(p, work, total, c);
  return c;
}

void WriteMinCut__(const FlowProblem &p, const FlowScratch &work, const MinCutChoice &c, int *side) {
  for (int v = 0; v < p.nvtxs; ++v) {
    const bool undecided0 = c.swept ? work.comp[v] < c.prefix : c.prefix > 0;
    side[v] = InReach(work, 0, v) ? 0 : InReach(work, 1, v) ? 1 : undecided0 ? 0 : 1;
  }
}
