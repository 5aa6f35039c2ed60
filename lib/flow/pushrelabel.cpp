// The first maximum flow of a region, from vertex 0 to vertex 1. The search
// trees find it cheaply when few paths cross the region, but every path they
// augment saturates all of its arcs when hyperedges weigh alike, and each
// saturated arc cuts a deep subtree loose. When that has cost them a few
// scans of the network, push-relabel finishes from the flow they found:
// highest label first, exact labels from breadth-first searches now and
// then, every node above an empty label given up at once, so labels only
// rise where flow is stuck. What could not reach the sink then goes back to
// the source along the arcs it came by, so the result is a flow, and the
// trees are grown on it anew.
#include <algorithm>
#include <climits>

#include "flow/flow.h"

namespace {

// Labels and buckets of push-relabel towards the sink: the nodes of each
// label below n in a doubly linked list (to give up a label's upper part at
// once), the active ones also in a singly linked list per label.
struct Pass {
  int n = 0;
  int maxactive = -1, maxlabel = -1;
  long long relabelwork = 0;
};

void LinkLabel(FlowScratch &work, Pass &ps, int u) {
  const int d = work.label[u];
  work.bprev[u] = -1;
  work.bnext[u] = work.bhead[d];
  if (work.bhead[d] >= 0) work.bprev[work.bhead[d]] = u;
  work.bhead[d] = u;
  ps.maxlabel = std::max(ps.maxlabel, d);
}

void UnlinkLabel(FlowScratch &work, int u) {
  const int d = work.label[u];
  if (work.bprev[u] >= 0)
    work.bnext[work.bprev[u]] = work.bnext[u];
  else
    work.bhead[d] = work.bnext[u];
  if (work.bnext[u] >= 0) work.bprev[work.bnext[u]] = work.bprev[u];
}

void MakeActive(FlowScratch &work, Pass &ps, int u) {
  const int d = work.label[u];
  work.anext[u] = work.ahead[d];
  work.ahead[d] = u;
  ps.maxactive = std::max(ps.maxactive, d);
}

// Exact labels: the residual distance to the sink, n where there is none.
// Rebuilds both kinds of lists.
void GlobalRelabel(FlowScratch &work, Pass &ps) {
  for (int u = 0; u < ps.n; ++u) work.label[u] = ps.n;
  for (int d = 0; d <= ps.n; ++d) work.bhead[d] = work.ahead[d] = -1;
  ps.maxactive = ps.maxlabel = -1;
  int qhead = 0, qtail = 0;
  work.label[kFlowSink] = 0;
  work.queue[qtail++] = kFlowSink;
  while (qhead < qtail) {
    const int w = work.queue[qhead++];
    for (int a = work.first[w]; a < work.first[w + 1]; ++a) {
      const int u = work.head[a];
      if (work.label[u] < ps.n || work.resid[work.rev[a]] <= 0) continue;
      work.label[u] = work.label[w] + 1;
      work.queue[qtail++] = u;
    }
  }
  for (int i = 1; i < qtail; ++i) {
    const int u = work.queue[i];
    LinkLabel(work, ps, u);
    work.cur[u] = work.first[u];
    if (work.excess[u] > 0) MakeActive(work, ps, u);
  }
  ps.relabelwork = 0;
}

// No node is left with label d: the nodes above it cannot reach the sink.
void Gap(FlowScratch &work, Pass &ps, int d) {
  for (int k = d; k <= ps.maxlabel; ++k) {
    for (int u = work.bhead[k]; u >= 0; u = work.bnext[u]) work.label[u] = ps.n;
    work.bhead[k] = -1;
  }
  ps.maxlabel = d - 1;
}

// Raises u above its lowest residual neighbour, or gives u up (with
// everything above it when u was the last of its label).
void Relabel(FlowScratch &work, Pass &ps, int u) {
  const int old = work.label[u];
  UnlinkLabel(work, u);
  if (work.bhead[old] < 0) {
    work.label[u] = ps.n;
    Gap(work, ps, old);
    return;
  }
  int low = ps.n;
  for (int a = work.first[u]; a < work.first[u + 1]; ++a)
    if (work.resid[a] > 0) low = std::min(low, work.label[work.head[a]] + 1);
  ps.relabelwork += work.first[u + 1] - work.first[u] + 12;
  work.label[u] = std::min(low, ps.n);
  work.cur[u] = work.first[u];
  if (work.label[u] < ps.n) LinkLabel(work, ps, u);
}

// Pushes u's excess down admissible arcs, relabelling u when it has none.
void Discharge(FlowScratch &work, Pass &ps, int u) {
  while (work.excess[u] > 0 && work.label[u] < ps.n) {
    const int du = work.label[u], end = work.first[u + 1];
    int &a = work.cur[u];
    for (; a < end; ++a) {
      const int w = work.head[a];
      if (work.resid[a] <= 0 || work.label[w] != du - 1) continue;
      const int delta = static_cast<int>(std::min<long long>(work.excess[u], work.resid[a]));
      work.resid[a] -= delta;
      work.resid[work.rev[a]] += delta;
      work.excess[u] -= delta;
      if (work.excess[w] == 0 && w != kFlowSink) MakeActive(work, ps, w);
      work.excess[w] += delta;
      if (work.excess[u] == 0) break;
    }
    if (work.excess[u] > 0) Relabel(work, ps, u);
  }
}

// Moves every excess it can to the sink, highest label first.
void RunPass(FlowScratch &work, Pass &ps) {
  const long long budget = 6LL * ps.n + work.narcs;
  GlobalRelabel(work, ps);
  while (ps.maxactive >= 0) {
    const int u = work.ahead[ps.maxactive];
    if (u < 0) {
      --ps.maxactive;
      continue;
    }
    work.ahead[ps.maxactive] = work.anext[u];
    // An entry may be stale: the node was raised or given up since.
    if (work.label[u] != ps.maxactive || work.excess[u] == 0) continue;
    Discharge(work, ps, u);
    if (ps.relabelwork > budget) GlobalRelabel(work, ps);
  }
}

// A path back to the source from x along arcs that carry flow into each
// node, depth first: every node with flow coming in, other than the source,
// has some, so the search ends at the source. Leaves the path's arcs in
// patharc[0 .. length-1] and returns the length.
int FlowPathBack(FlowScratch &work, int x) {
  const int stamp = NextStamp__(work.seen, work.nodecap, work.seenstamp);
  int depth = 0, u = x;
  work.seen[x] = stamp;
  work.cur[x] = work.first[x];
  while (u != kFlowSource) {
    int &a = work.cur[u];
    while (a < work.first[u + 1] && (work.resid[a] <= work.cap[a] || work.seen[work.head[a]] == stamp)) ++a;
    if (a == work.first[u + 1]) {
      u = work.queue[--depth];
      ++work.cur[u];
      continue;
    }
    work.queue[depth] = u;
    work.patharc[depth++] = a;
    u = work.head[a];
    work.seen[u] = stamp;
    work.cur[u] = work.first[u];
  }
  return depth;
}

// Sends the excess x kept back to the source, path by path, undoing flow
// that came in: every node on a path loses as much inflow as outflow.
void ReturnExcess(FlowScratch &work, int x) {
  while (work.excess[x] > 0) {
    const int length = FlowPathBack(work, x);
    long long delta = work.excess[x];
    for (int i = 0; i < length; ++i) {
      const int a = work.patharc[i];
      delta = std::min<long long>(delta, static_cast<long long>(work.resid[a]) - work.cap[a]);
    }
    for (int i = 0; i < length; ++i) {
      const int a = work.patharc[i];
      work.resid[a] -= static_cast<int>(delta);
      work.resid[work.rev[a]] += static_cast<int>(delta);
    }
    work.excess[x] -= delta;
    work.excess[kFlowSource] += delta;
  }
}

// The source holds one unit more than the flow can still gain: the preflow
// is that of a network fed through one arc of this capacity, whose maximum
// flow is the region's, and excess that cannot reach the sink is at most
// that much. No flow passes the source's arc into a hyperedge above the
// hyperedge's weight, which bounds it when maxcut does not. Should excess
// strand where the sink is out of reach before the flow is maximum, or the
// flow pass maxcut, the trees find the rest.
long long SourceSupply(const FlowProblem &p, const FlowScratch &work) {
  long long out = 0;
  for (int a = work.first[kFlowSource]; a < work.first[kFlowSource + 1]; ++a) {
    const int h = work.head[a] - p.nvtxs;
    if (work.cap[a] > 0) out += h < 0 ? work.cap[a] : p.hewgt[work.pairhedge[h >> 1]];
  }
  return std::min<long long>(out, p.maxcut) + 1 - work.flow;
}

}  // namespace

// The trees first: they need no more than growing (about two scans) when
// few paths cross the region, as with a small cut.
void FirstMaxFlow__(const FlowProblem &p, FlowScratch &work, long long treescans) {
  AugmentFlow__(work, treescans * work.narcs);
  if (work.ringsize == 0) return;
  for (int u = 0; u < work.nnodes; ++u) work.excess[u] = 0;
  work.excess[kFlowSource] = SourceSupply(p, work);
  if (work.excess[kFlowSource] > 0) {
    Pass ps;
    ps.n = work.nnodes;
    RunPass(work, ps);
    work.flow += static_cast<int>(work.excess[kFlowSink]);
    for (int u = 0; u < work.nnodes; ++u)
      if (u != kFlowSource && u != kFlowSink) ReturnExcess(work, u);
  }
  RestartTrees__(p, work);
  AugmentFlow__(work);
}
