// Incremental maximum flow by two search trees, one grown from the source
// set along residual arcs and one from the sink set against them. Where the
// trees meet lies an augmenting path; augmenting it saturates some tree
// arcs, and the nodes below them look for another parent in their tree or
// leave it. The trees persist between calls: a pierced vertex only roots a
// new branch, so a resumed flow searches from what changed instead of from
// the whole region, and when no path is left the trees are exactly the
// residual sides every later step reads.
#include <algorithm>
#include <climits>

#include "flow/flow.h"

namespace {

// Puts u at the back of the ring unless it waits there already; either way
// it looks at all its arcs again, since one of them may lead somewhere new.
void Activate(FlowScratch &work, int u) {
  work.cur[u] = work.first[u];
  if (work.active[u]) return;
  work.active[u] = 1;
  int at = work.ringhead + work.ringsize++;
  if (at >= work.nnodes) at -= work.nnodes;
  work.ring[at] = u;
}

void PopActive(FlowScratch &work) {
  work.active[work.ring[work.ringhead]] = 0;
  if (++work.ringhead == work.nnodes) work.ringhead = 0;
  --work.ringsize;
}

void MakeOrphan(FlowScratch &work, int u) {
  work.parent[u] = kOrphanArc;
  int at = work.norphans++;
  work.orphans[at] = u;
}

// Takes p out of tree side: the nodes below it lose their parent, and the
// tree's nodes with a residual arc into p may extend to it again.
void LeaveTree(FlowScratch &work, int side, int p) {
  work.effort += work.first[p + 1] - work.first[p];
  for (int a = work.first[p]; a < work.first[p + 1]; ++a) {
    const int q = work.head[a];
    if (work.tree[q] != side) continue;
    if (SearchResidual(work, side, work.rev[a]) > 0) Activate(work, q);
    if (work.parent[q] >= 0 && work.head[work.parent[q]] == p) MakeOrphan(work, q);
  }
  work.tree[p] = kFreeNode;
  LeaveReach__(work, side, p);
}

// Length of q's path to a terminal of its tree, or INT_MAX when an orphan
// cuts it; every node on the path is dated now, so a later walk stops there.
int PathToTerminal(FlowScratch &work, int q) {
  int d = 0, j = q;
  for (;;) {
    if (work.ts[j] == work.time) {
      d += work.dist[j];
      break;
    }
    if (work.parent[j] == kRootArc) {
      work.ts[j] = work.time;
      work.dist[j] = 0;
      break;
    }
    if (work.parent[j] == kOrphanArc) return INT_MAX;
    ++d;
    ++work.effort;
    j = work.head[work.parent[j]];
  }
  for (int k = q, dk = d; work.ts[k] != work.time; k = work.head[work.parent[k]]) {
    work.ts[k] = work.time;
    work.dist[k] = dk--;
  }
  return d;
}

// The orphan p takes the neighbour nearest its terminal among those of its
// tree that still reach one and have a residual arc to p, or leaves the tree.
void PlaceOrphan(FlowScratch &work, int side, int p) {
  work.effort += work.first[p + 1] - work.first[p];
  int best = -1, bestdist = INT_MAX;
  for (int a = work.first[p]; a < work.first[p + 1]; ++a) {
    const int q = work.head[a];
    if (work.tree[q] != side || SearchResidual(work, side, work.rev[a]) <= 0) continue;
    const int d = PathToTerminal(work, q);
    if (d < bestdist) {
      best = a;
      bestdist = d;
    }
  }
  if (best < 0) {
    LeaveTree(work, side, p);
    return;
  }
  work.parent[p] = best;
  work.ts[p] = work.time;
  work.dist[p] = bestdist + 1;
}

void PlaceOrphans(FlowScratch &work) {
  ++work.time;
  for (int i = 0; i < work.norphans; ++i) {
    const int p = work.orphans[i];
    // A node made a terminal since it was orphaned keeps its place.
    if (work.parent[p] == kOrphanArc && work.tree[p] != kFreeNode) PlaceOrphan(work, work.tree[p], p);
  }
  work.norphans = 0;
}

// Extends u's tree along u's arcs from its current one: free nodes join
// below u. Returns the arc (of u) that reaches the other tree, or -1 when u
// has no arc left.
int Grow(FlowScratch &work, int side, int u) {
  work.effort += work.first[u + 1] - work.cur[u];
  for (int &a = work.cur[u]; a < work.first[u + 1]; ++a) {
    if (SearchResidual(work, side, a) <= 0) continue;
    const int v = work.head[a];
    if (work.tree[v] == kFreeNode) {
      work.tree[v] = static_cast<signed char>(side);
      work.parent[v] = work.rev[a];
      work.ts[v] = work.ts[u];
      work.dist[v] = work.dist[u] + 1;
      JoinReach__(work, side, v);
      Activate(work, v);
    } else if (work.tree[v] != side) {
      return a;
    }
  }
  return -1;
}

// Smallest residual capacity from node j up to its terminal in tree side.
int TreeBottleneck(const FlowScratch &work, int side, int j, int delta) {
  for (; work.parent[j] >= 0; j = work.head[work.parent[j]])
    delta = std::min(delta, SearchResidual(work, side, work.rev[work.parent[j]]));
  return delta;
}

// Moves delta units along the tree path of j, orphaning the nodes whose arc
// to their parent it saturates.
void PushAlongTree(FlowScratch &work, int side, int j, int delta) {
  while (work.parent[j] >= 0) {
    const int pa = work.parent[j], up = work.head[pa];
    const int arc = side == 0 ? work.rev[pa] : pa;
    work.resid[arc] -= delta;
    work.resid[work.rev[arc]] += delta;
    if (work.resid[arc] == 0) MakeOrphan(work, j);
    j = up;
  }
}

// Augments the path through arc b, from x in the source tree to the head of
// b in the sink tree; returns its bottleneck. The orphans nearest their
// terminal go first: a deeper one looks for a parent among nodes that may
// hang below them, which only count once those are placed.
int Augment(FlowScratch &work, int x, int b) {
  const int y = work.head[b];
  int delta = TreeBottleneck(work, 0, x, work.resid[b]);
  delta = TreeBottleneck(work, 1, y, delta);
  work.resid[b] -= delta;
  work.resid[work.rev[b]] += delta;
  const int first = work.norphans;
  PushAlongTree(work, 0, x, delta);
  std::reverse(work.orphans + first, work.orphans + work.norphans);
  const int second = work.norphans;
  PushAlongTree(work, 1, y, delta);
  std::reverse(work.orphans + second, work.orphans + work.norphans);
  return delta;
}

}  // namespace

void AddTerminal__(FlowScratch &work, int node, int side) {
  work.term[node] = static_cast<signed char>(side);
  if (work.tree[node] == 1 - side) LeaveTree(work, 1 - side, node);
  if (work.tree[node] != side) {
    work.tree[node] = static_cast<signed char>(side);
    JoinReach__(work, side, node);
  }
  work.parent[node] = kRootArc;
  work.dist[node] = 0;
  Activate(work, node);
}

int AugmentFlow__(FlowScratch &work, long long maxeffort) {
  int added = 0;
  PlaceOrphans(work);
  while (work.ringsize > 0 && work.effort <= maxeffort) {
    const int u = work.ring[work.ringhead], side = work.tree[u];
    const int a = side == kFreeNode ? -1 : Grow(work, side, u);
    if (a < 0) {
      PopActive(work);
      continue;
    }
    added += side == 0 ? Augment(work, u, a) : Augment(work, work.head[a], work.rev[a]);
    PlaceOrphans(work);
  }
  work.flow += added;
  return added;
}
