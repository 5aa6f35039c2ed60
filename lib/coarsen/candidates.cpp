// Candidate searches of the grouping schemes. All of them walk v's hyperedges
// and their pins, sum edgewgt per qualifying pin and pick the best score; they
// differ only in which hyperedges are walked, which pins qualify and how a tie
// is broken, which a small rule object passes in.
#include <algorithm>

#include "coarsen/coarsen.h"

void CandidateScratch::Grow() {
  const int newcap = capacity == 0 ? 10000 : 2 * capacity;
  float *nscore = fmalloc__(newcap, "FindCell: candidate scores");
  int *ncell = imalloc__(newcap, "FindCell: candidates");
  std::copy(score, score + count, nscore);
  std::copy(cell, cell + count, ncell);
  ZBfree__(&score, &cell);
  score = nscore;
  cell = ncell;
  capacity = newcap;
}

namespace {

// The pieces every search shares.
struct SearchInput {
  const int *incptr, *incind, *netptr, *netind, *cellwgt;
  const float *edgewgt;
  int *htable;
};

// Tie rules. Pairwise matching (and the star priority) prefers, on equal
// score, the strictly lighter candidate, then the first met. Star grouping
// keeps an ungrouped best on equal score and lets a grouped best give way.
struct LighterWins {
  const int *cellwgt;
  bool Replaces(int cand, float cs, int best, float bs) const {
    return cs > bs || (cs == bs && cellwgt[cand] < cellwgt[best]);
  }
};
struct UngroupedStays {
  const int *cellmap;
  bool Replaces(int /*cand*/, float cs, int best, float bs) const {
    return cs > bs || (cs == bs && cellmap[best] != -1);
  }
};

// Which hyperedges are walked.
struct AllHEdges {
  bool Skips(int /*e*/) const { return false; }
};
struct SmallHEdges {  // large hyperedges say little about a pair within one part
  const int *netptr;
  int maxsize;
  bool Skips(int e) const { return netptr[e + 1] - netptr[e] > maxsize; }
};
struct StrongHEdges {  // weak hyperedges do not count towards a priority
  const float *edgewgt;
  bool Skips(int e) const { return (double)edgewgt[e] < 0.1; }
};

// Which pins qualify (v itself is rejected before the search), and what a
// pin stands for: itself, or the cluster it lies in, whose pins then add up
// to one score. where = NULL puts no part restriction.
struct UnmatchedPin {
  static int Target(int u) { return u; }
  const int *cellwgt, *cellmap, *where;
  int part;
  bool Qualifies(int u, int lim) const {
    return cellmap[u] == -1 && cellwgt[u] <= lim && (where == nullptr || where[u] == part);
  }
};
struct PinOfLightGroup {  // ungrouped pins pass through wgts[-1] = 0
  static int Target(int u) { return u; }
  const int *cellwgt, *cellmap, *wgts, *where;
  int part;
  bool Qualifies(int u, int lim) const {
    return cellwgt[u] <= lim && wgts[cellmap[u]] <= lim && (where == nullptr || where[u] == part);
  }
};
// Clustering: a pin stands for its cluster, or for itself while single. A
// single vertex of the sub-round under way does not qualify, since it may be
// joining a cluster itself.
struct ClusterOfPin {
  const int *cellwgt;
  const ClusterState &state;
  int Target(int u) const { return state.rep[u] == -1 ? u : state.rep[u]; }
  bool Qualifies(int t, int lim) const {
    if (state.rep[t] == -1) return state.round[t] != state.current && cellwgt[t] <= lim;
    return state.clusterwgt[t] <= lim;
  }
};
struct LighterClusterWins {
  const int *cellwgt;
  const ClusterState &state;
  int WeightOf(int t) const { return state.rep[t] == -1 ? cellwgt[t] : state.clusterwgt[t]; }
  bool Replaces(int cand, float cs, int best, float bs) const {
    return cs > bs || (cs == bs && WeightOf(cand) < WeightOf(best));
  }
};
struct LightPin {
  static int Target(int u) { return u; }
  const int *cellwgt;
  bool Qualifies(int u, int lim) const { return cellwgt[u] <= lim; }
};
// What PinOfLightGroup asks of a pin apart from its group's weight.
struct LightPinOfPart {
  static int Target(int u) { return u; }
  const int *cellwgt, *where;
  int part;
  bool Qualifies(int u, int lim) const {
    return cellwgt[u] <= lim && (where == nullptr || where[u] == part);
  }
};

// The one search loop: returns the index of the best candidate in s, or -1.
// A candidate is judged once per search: htable holds its index in s once it
// qualified, kRejected once it did not; rejected candidates are kept in s as
// ~u so that htable can be cleared from s alone, and never win.
constexpr int kRejected = -2;

template <class HEdges, class Pins, class Ties>
int SearchCandidates(const SearchInput &in, int v, int lim, const HEdges &hedges,
                     const Pins &pins, const Ties &ties, CandidateScratch &s) {
  int *htable = in.htable;
  // v is judged first, and rejected: it is never its own candidate.
  s.count = 0;
  htable[v] = kRejected;
  s.Append(~v, 0.0f);
  for (int j = in.incptr[v]; j < in.incptr[v + 1]; ++j) {
    const int e = in.incind[j];
    if (hedges.Skips(e)) continue;
    const float w = in.edgewgt[e];
    for (int k = in.netptr[e]; k < in.netptr[e + 1]; ++k) {
      const int u = pins.Target(in.netind[k]);
      const int slot = htable[u];
      if (slot >= 0) {
        s.score[slot] += w;
      } else if (slot == -1) {
        if (pins.Qualifies(u, lim)) {
          htable[u] = s.count;
          s.Append(u, w);
        } else {
          htable[u] = kRejected;
          s.Append(~u, 0.0f);
        }
      }
    }
  }

  int best = -1;
  for (int i = 0; i < s.count; ++i) {
    const int u = s.cell[i];
    if (u < 0) {
      htable[~u] = -1;
      continue;
    }
    htable[u] = -1;
    if (best == -1 || ties.Replaces(u, s.score[i], s.cell[best], s.score[best])) best = i;
  }
  return best;
}

int CellOf(const CandidateScratch &s, int best) { return best == -1 ? -1 : s.cell[best]; }

int FindCellIn(const CtrlType *ctrl, int v, const SearchInput &in, const int *cellmap, const int *where,
               CandidateScratch &s) {
  const int lim = ctrl->maxcellwgt - in.cellwgt[v];
  const UnmatchedPin pins{in.cellwgt, cellmap, where, where ? where[v] : 0};
  const LighterWins ties{in.cellwgt};
  if (where == nullptr) return CellOf(s, SearchCandidates(in, v, lim, AllHEdges{}, pins, ties, s));
  const SmallHEdges hedges{in.netptr, ctrl->MaxNetSize};
  return CellOf(s, SearchCandidates(in, v, lim, hedges, pins, ties, s));
}

int FindCellStarIn(const CtrlType *ctrl, int v, const SearchInput &in, const int *cellmap,
                   const int *wgts, const int *where, CandidateScratch &s) {
  const int lim = ctrl->maxcellwgt - in.cellwgt[v];
  const PinOfLightGroup pins{in.cellwgt, cellmap, wgts, where, where ? where[v] : 0};
  const UngroupedStays ties{cellmap};
  if (where == nullptr) return CellOf(s, SearchCandidates(in, v, lim, AllHEdges{}, pins, ties, s));
  const SmallHEdges hedges{in.netptr, ctrl->MaxNetSize};
  return CellOf(s, SearchCandidates(in, v, lim, hedges, pins, ties, s));
}

}  // namespace

int FindCell__(const CtrlType *ctrl, int v, const int *incptr, const int *incind, const int *netptr,
               const int *netind, const int *cellwgt, const float *edgewgt, const int *cellmap,
               int *htable) {
  const SearchInput in{incptr, incind, netptr, netind, cellwgt, edgewgt, htable};
  return FindCellIn(ctrl, v, in, cellmap, nullptr, ctrl->ctx->scratch);
}

int CFindCell__(const CtrlType *ctrl, int v, const int *incptr, const int *incind, const int *netptr,
                const int *netind, const int *cellwgt, const float *edgewgt, const int *cellmap,
                const int *where, int *htable) {
  const SearchInput in{incptr, incind, netptr, netind, cellwgt, edgewgt, htable};
  return FindCellIn(ctrl, v, in, cellmap, where, ctrl->ctx->cscratch);
}

int FindCellStar__(const CtrlType *ctrl, int v, const int *incptr, const int *incind,
                   const int *netptr, const int *netind, const int *cellwgt, const float *edgewgt,
                   const int *cellmap, int *htable, const int *wgts) {
  const SearchInput in{incptr, incind, netptr, netind, cellwgt, edgewgt, htable};
  return FindCellStarIn(ctrl, v, in, cellmap, wgts, nullptr, ctrl->ctx->scratch);
}

int CFindCellStar__(const CtrlType *ctrl, int v, const int *incptr, const int *incind,
                    const int *netptr, const int *netind, const int *cellwgt, const float *edgewgt,
                    const int *cellmap, const int *where, int *htable, const int *wgts) {
  const SearchInput in{incptr, incind, netptr, netind, cellwgt, edgewgt, htable};
  return FindCellStarIn(ctrl, v, in, cellmap, wgts, where, ctrl->ctx->cscratch);
}

int FindCluster__(const CtrlType *ctrl, int v, const HGraph *graph, const ClusterState &state,
                  int *htable, CandidateScratch &scratch) {
  const SearchInput in{graph->incptr, graph->incind, graph->netptr, graph->netind,
                       graph->cellwgt, graph->edgewgt, htable};
  const int lim = ctrl->maxcellwgt - graph->cellwgt[v];
  const ClusterOfPin pins{graph->cellwgt, state};
  const LighterClusterWins ties{graph->cellwgt, state};
  const SmallHEdges hedges{graph->netptr, kMaxRatedPins};
  return CellOf(scratch, SearchCandidates(in, v, lim, hedges, pins, ties, scratch));
}

int ComputeAllWeights__(const CtrlType *ctrl, HGraph *graph, int *keys, int *htable) {
  const int nvtxs = graph->nvtxs;
  const SearchInput in{graph->incptr, graph->incind, graph->netptr, graph->netind,
                       graph->cellwgt, graph->edgewgt, htable};
  const StrongHEdges hedges{graph->edgewgt};
  const LightPin pins{graph->cellwgt};
  const LighterWins ties{graph->cellwgt};

  CandidateScratch &scratch = ctrl->ctx->scratch;
  int largest = 0;
  for (int v = 0; v < nvtxs; ++v) {
    const int lim = ctrl->maxcellwgt - graph->cellwgt[v];
    const int best = SearchCandidates(in, v, lim, hedges, pins, ties, scratch);
    if (best == -1) {
      keys[v] = -1;
      continue;
    }
    keys[v] = (int)(100.0 / scratch.score[best]);
    largest = std::max(largest, keys[v]);
  }
  // Vertices without a strong connection come last.
  for (int v = 0; v < nvtxs; ++v)
    if (keys[v] == -1) keys[v] = largest + 1;
  return largest + 1;
}

void StarCandidates__(const CtrlType *ctrl, int v, const HGraph *graph, const int *where,
                      int *htable, CandidateScratch &s) {
  const SearchInput in{graph->incptr, graph->incind, graph->netptr, graph->netind,
                       graph->cellwgt, graph->edgewgt, htable};
  const int lim = ctrl->maxcellwgt - graph->cellwgt[v];
  const LightPinOfPart pins{graph->cellwgt, where, where ? where[v] : 0};
  const LighterWins unused{graph->cellwgt};
  if (where == nullptr)
    SearchCandidates(in, v, lim, AllHEdges{}, pins, unused, s);
  else
    SearchCandidates(in, v, lim, SmallHEdges{graph->netptr, ctrl->MaxNetSize}, pins, unused, s);
}

int PickStar__(const CtrlType *ctrl, int v, const HGraph *graph, const int *cellmap,
               const int *wgts, const int *cell, const float *score, int n) {
  const int lim = ctrl->maxcellwgt - graph->cellwgt[v];
  const UngroupedStays ties{cellmap};
  int best = -1;
  float bestscore = 0.0f;
  for (int i = 0; i < n; ++i) {
    const int u = cell[i];
    if (u < 0 || wgts[cellmap[u]] > lim) continue;
    if (best == -1 || ties.Replaces(u, score[i], best, bestscore)) {
      best = u;
      bestscore = score[i];
    }
  }
  return best;
}
