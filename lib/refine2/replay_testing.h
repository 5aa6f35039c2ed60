// Plain replays of FM refinement and balancing, move by move, written straight
// from their rules with no shared code beyond the gain queue (checked against
// its own model) and the coarse shuffle. The tests run the library routine and
// the replay from the same state and random stream and compare the results.
#pragma once

#include <cstdlib>
#include <cstring>
#include <vector>

#include "twoway_testing.h"

namespace twoway {

// Position of the call's random stream.
struct StreamPosition {
  unsigned short s[3];
  bool operator==(const StreamPosition &o) const { return std::memcmp(s, o.s, sizeof s) == 0; }
};
inline StreamPosition ReadStream(const CtrlType &ctrl) {
  StreamPosition p;
  std::memcpy(p.s, ctrl.ctx->rng.x, sizeof p.s);
  return p;
}
inline void SetStream(CtrlType &ctrl, StreamPosition p) { std::memcpy(ctrl.ctx->rng.x, p.s, sizeof p.s); }

// The figures a two-way routine leaves behind.
struct TwoWayState {
  std::vector<int> where, gain, nd0, nd1;
  int pw0, pw1, mincut;
  StreamPosition stream;
  bool operator==(const TwoWayState &) const = default;
};
inline TwoWayState ReadState(const CtrlType &ctrl, const HGraph *g, bool withgains) {
  TwoWayState s;
  s.where.assign(g->where.get(), g->where + g->nvtxs);
  if (withgains) {
    s.gain.assign(g->twoway.gain.get(), g->twoway.gain + g->nvtxs);
    s.nd0.assign(g->twoway.ndeg[0].get(), g->twoway.ndeg[0] + g->nhedges);
    s.nd1.assign(g->twoway.ndeg[1].get(), g->twoway.ndeg[1] + g->nhedges);
  }
  s.pw0 = g->twoway.pwgts[0];
  s.pw1 = g->twoway.pwgts[1];
  s.mincut = g->mincut;
  s.stream = ReadStream(ctrl);
  return s;
}

namespace replay {

inline void Bounds(const CtrlType *c, const HGraph *g, int m[2]) {
  const int total = g->twoway.pwgts[0] + g->twoway.pwgts[1];
  const float frac0 = c->TargetFrac - c->ubfactor;
  m[0] = (int)(frac0 * (float)total);
  m[1] = (int)((1.0 - (double)c->TargetFrac - (double)c->ubfactor) * (double)total);
}

// Side counts, cut, side weights and gains from scratch.
inline void Recompute(HGraph *g) {
  g->mincut = 0;
  for (int e = 0; e < g->nhedges; ++e) {
    g->twoway.ndeg[0][e] = g->twoway.ndeg[1][e] = 0;
    for (int k = g->netptr[e]; k < g->netptr[e + 1]; ++k)
      g->twoway.ndeg[g->where[g->netind[k]]][e]++;
    if (g->twoway.ndeg[0][e] > 0 && g->twoway.ndeg[1][e] > 0) g->mincut += g->netwgt[e];
  }
  g->twoway.pwgts[0] = g->twoway.pwgts[1] = 0;
  for (int v = 0; v < g->nvtxs; ++v) {
    const int s = g->where[v];
    g->twoway.pwgts[s] += g->cellwgt[v];
    g->twoway.gain[v] = 0;
    for (int j = g->incptr[v]; j < g->incptr[v + 1]; ++j) {
      const int e = g->incind[j];
      if (g->twoway.ndeg[s][e] == 1) g->twoway.gain[v] += g->netwgt[e];
      if (g->twoway.ndeg[1 - s][e] == 0) g->twoway.gain[v] -= g->netwgt[e];
    }
  }
}

// After v went from f to t: every pin other than v that adjusts (all pins, or
// only those not yet moved) changes its gain, and a pin not yet moved is
// followed by its side's queue.
inline void FollowMove(HGraph *g, int v, int f, int t, const std::vector<int> &moved,
                       PQueue *queues, bool adjustmoved) {
  for (int j = g->incptr[v]; j < g->incptr[v + 1]; ++j) {
    const int e = g->incind[j], w = g->netwgt[e];
    g->twoway.ndeg[t][e]++;
    g->twoway.ndeg[f][e]--;
    const int nt = g->twoway.ndeg[t][e], nf = g->twoway.ndeg[f][e];
    if (nt > 2 && nf > 1) continue;
    for (int k = g->netptr[e]; k < g->netptr[e + 1]; ++k) {
      const int u = g->netind[k];
      if (u == v || (!adjustmoved && moved[u] != -1)) continue;
      const int old = g->twoway.gain[u];
      if (g->where[u] == f) {
        if (nf == 1) g->twoway.gain[u] += w;
        if (nt == 1) g->twoway.gain[u] += w;
      } else {
        if (nf == 0) g->twoway.gain[u] -= w;
        if (nt == 2) g->twoway.gain[u] -= w;
      }
      if (moved[u] == -1) PQueueUpdate__(&queues[g->where[u]], u, old, g->twoway.gain[u]);
    }
  }
}

inline int GainSpan(const HGraph *g) {
  int span = 0;
  for (int v = 0; v < g->nvtxs; ++v) span = std::max(span, g->adjwgt[v]);
  return span;
}

inline void FillQueues(const CtrlType *c, HGraph *g, PQueue *queues, std::vector<int> &moved,
                       std::vector<int> &perm) {
  RandomPermute__(&c->ctx->rng, perm.data(), g->nvtxs, 1);
  for (int i = 0; i < g->nvtxs; ++i) {
    const int v = perm[i];
    if (v < g->nfixed)
      moved[v] = 1;
    else
      PQueueInsert__(&queues[g->where[v]], v, g->twoway.gain[v]);
  }
}

inline void FM(const CtrlType *c, HGraph *g, int npasses, bool heavy) {
  const int n = g->nvtxs;
  PQueue queues[2];
  PQueueInit__(&queues[0], n, GainSpan(g));
  PQueueInit__(&queues[1], n, GainSpan(g));
  std::vector<int> moved(n), swaps(n), perm(n);
  for (int pass = 0; pass < npasses; ++pass) {
    Recompute(g);
    int m[2];
    Bounds(c, g, m);
    PQueueReset__(&queues[0]);
    PQueueReset__(&queues[1]);
    const int initcut = g->mincut;
    int newcut = initcut, mincut = initcut, mincutorder = -1;
    int mindiff = std::abs(g->twoway.pwgts[0] - g->twoway.pwgts[1]);
    std::fill(moved.begin(), moved.end(), -1);
    FillQueues(c, g, queues, moved, perm);

    int nswaps = 0;
    for (; nswaps < n; ++nswaps) {
      const int a = heavy
                        ? PQueueSeeConstraintMax(&queues[0], g->twoway.pwgts[0] - m[0], g->cellwgt)
                        : PQueueSeeMax__(&queues[0]);
      const int b = heavy
                        ? PQueueSeeConstraintMax(&queues[1], g->twoway.pwgts[1] - m[1], g->cellwgt)
                        : PQueueSeeMax__(&queues[1]);
      if (a == -1 && b == -1) break;
      int from;
      if (a == -1)
        from = 1;
      else if (b == -1)
        from = 0;
      else if (g->twoway.gain[a] > g->twoway.gain[b])
        from = g->twoway.pwgts[0] - g->cellwgt[a] < m[0] ? 1 : 0;
      else if (g->twoway.gain[a] < g->twoway.gain[b])
        from = g->twoway.pwgts[1] - g->cellwgt[b] < m[1] ? 0 : 1;
      else
        from = g->twoway.pwgts[0] - m[0] < g->twoway.pwgts[1] - m[1] ? 1 : 0;
      const int to = 1 - from;
      int v = from == 0 ? a : b;
      if (heavy)
        PQueueDelete(&queues[from], v, g->twoway.gain[v]);
      else
        EXPECT_EQ(PQueueGetMax__(&queues[from]), v);

      newcut -= g->twoway.gain[v];
      moved[v] = nswaps;
      swaps[nswaps] = v;
      g->where[v] = to;
      g->twoway.pwgts[to] += g->cellwgt[v];
      g->twoway.pwgts[from] -= g->cellwgt[v];
      if (g->twoway.pwgts[0] >= m[0] && g->twoway.pwgts[1] >= m[1]) {
        const int diff = std::abs(g->twoway.pwgts[0] - g->twoway.pwgts[1]);
        if (newcut < mincut || (newcut == mincut && diff < mindiff)) {
          mincut = newcut;
          mincutorder = nswaps;
          mindiff = diff;
        }
      }
      FollowMove(g, v, from, to, moved, queues, false);
    }
    for (int i = mincutorder + 1; i < nswaps; ++i) {
      const int v = swaps[i], s = g->where[v];
      g->where[v] = 1 - s;
      g->twoway.pwgts[1 - s] += g->cellwgt[v];
      g->twoway.pwgts[s] -= g->cellwgt[v];
    }
    g->mincut = mincut;
    if (mincut == initcut) break;
  }
  PQueueFree__(&queues[0]);
  PQueueFree__(&queues[1]);
}

inline void Balance(const CtrlType *c, HGraph *g) {
  const int n = g->nvtxs;
  g->twoway.pwgts[0] = g->twoway.pwgts[1] = 0;
  for (int v = 0; v < n; ++v) g->twoway.pwgts[g->where[v]] += g->cellwgt[v];
  int m[2];
  Bounds(c, g, m);
  if (g->twoway.pwgts[0] >= m[0] && g->twoway.pwgts[1] >= m[1]) return;

  PQueue queues[2];
  PQueueInit__(&queues[0], n, GainSpan(g));
  PQueueInit__(&queues[1], n, GainSpan(g));
  std::vector<int> moved(n, -1), perm(n);
  Recompute(g);
  int cut = g->mincut;
  FillQueues(c, g, queues, moved, perm);
  for (int step = 0; step < n; ++step) {
    const int a = PQueueSeeMax__(&queues[0]), b = PQueueSeeMax__(&queues[1]);
    int from;
    if (g->twoway.pwgts[0] < m[0]) {
      if (b == -1) break;
      if (g->twoway.pwgts[1] - g->cellwgt[b] < m[1]) {
        PQueueGetMax__(&queues[1]);
        moved[b] = 1;
        continue;
      }
      from = 1;
    } else {
      if (g->twoway.pwgts[1] >= m[1] || a == -1) break;
      if (g->twoway.pwgts[0] - g->cellwgt[a] < m[0]) {
        PQueueGetMax__(&queues[0]);
        moved[a] = 1;
        continue;
      }
      from = 0;
    }
    const int to = 1 - from, v = PQueueGetMax__(&queues[from]);
    cut -= g->twoway.gain[v];
    moved[v] = 1;
    g->where[v] = to;
    g->twoway.pwgts[to] += g->cellwgt[v];
    g->twoway.pwgts[from] -= g->cellwgt[v];
    g->twoway.gain[v] = -g->twoway.gain[v];
    FollowMove(g, v, from, to, moved, queues, true);
    if (g->twoway.pwgts[0] >= m[0] && g->twoway.pwgts[1] >= m[1]) break;
  }
  g->mincut = cut;
  PQueueFree__(&queues[0]);
  PQueueFree__(&queues[1]);
}

}  // namespace replay

// Runs routine and replay from the same bisections and random stream on every
// input of Variety, at a loose and at a tight balance, and compares what they
// leave (with gains and side counts when withgains).
template <class Routine, class Replay>
void ExpectSameAsReplay(int seed, Routine routine, Replay replayed, bool withgains,
                        int ncases = 30) {
  std::mt19937 rng(23);
  for (float ub : {0.05f, 0.01f}) {
    CtrlType ctrl = MakeCtrl(0.5f, ub);
    InitRandom__(&ctrl.ctx->rng, seed);
    for (const Case &c : Variety(ncases, 900)) {
      SCOPED_TRACE(::testing::Message() << "seed " << c.gs.seed << " ub " << ub);
      const zt::PlainHGraph g = zt::Generate(c.gs);
      HGraph *graph = MakeLevel(g, c.nfixed);
      ctrl.HeavyCells = c.gs.nheavy > 0;
      for (double skew : {0.0, 0.3, 0.7}) {
        RandomSides(graph, rng, skew);
        ComputeInitGains__(graph);
        const TwoWayState start = ReadState(ctrl, graph, true);
        routine(&ctrl, graph);
        const TwoWayState got = ReadState(ctrl, graph, withgains);

        std::copy(start.where.begin(), start.where.end(), graph->where.get());
        std::copy(start.gain.begin(), start.gain.end(), graph->twoway.gain.get());
        std::copy(start.nd0.begin(), start.nd0.end(), graph->twoway.ndeg[0].get());
        std::copy(start.nd1.begin(), start.nd1.end(), graph->twoway.ndeg[1].get());
        graph->twoway.pwgts[0] = start.pw0;
        graph->twoway.pwgts[1] = start.pw1;
        graph->mincut = start.mincut;
        SetStream(ctrl, start.stream);
        replayed(&ctrl, graph);
        EXPECT_TRUE(got == ReadState(ctrl, graph, withgains)) << "skew " << skew;
      }
      FreeHGraph__(graph);
    }
  }
}

}  // namespace twoway
