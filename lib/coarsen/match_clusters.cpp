// Clustering in sub-rounds, for a multilevel pass that uses every core: the
// coarse hypergraph is the same for any number of threads.
//
// The vertices, in the order of DegreeOrder (fixed by the stream, not by the
// threads), are cut into kSubRounds consecutive sub-rounds. In a sub-round
// each of its still single vertices searches, side by side with the others
// and in the clusters as they stood when the sub-round began, for the
// cluster (or single vertex of another sub-round) it shares the most
// hyperedge weight with. The choices are then granted one after another in
// the order of the sub-round, while the cluster stays within maxcellwgt and
// the level keeps at least half its vertices.
#include <algorithm>
#include <climits>
#include <vector>

#include "coarsen/coarsen.h"

namespace {

constexpr int kSubRounds = 16;
// A sub-round of fewer vertices, holding fewer pins, searches in one task
// (a level of few vertices with wide hyperedges searches long for each).
constexpr int kTaskVertices = 1024;
constexpr int kTaskSubRoundPins = 8192;
// Vertices a task searches in a row before it skips the other tasks' share.
constexpr int kStrideBlock = 64;

// What the searches of one task use: chunk 0 those of the call.
struct SearchSpace {
  std::vector<int> owned;
  int *htable = nullptr;
  CandidateScratch own;
  CandidateScratch *scratch = nullptr;
};

// Grants the choices of the sub-round perm[lo .. hi) in order; returns the
// number of vertices that joined a cluster.
int GrantChoices(const HGraph *graph, const int *perm, int lo, int hi, const int *choice,
                 int maxcellwgt, int budget, int *rep, int *clusterwgt) {
  const int *cellwgt = graph->cellwgt;
  int joined = 0;
  for (int i = lo; i < hi && joined < budget; ++i) {
    const int v = perm[i], t = choice[i];
    if (t == -1 || rep[v] != -1) continue;
    // t is single or names a cluster: only vertices of this sub-round join
    // one now, and none of them is a choice.
    const int w = rep[t] == -1 ? cellwgt[t] : clusterwgt[t];
    if (w > maxcellwgt - cellwgt[v]) continue;
    if (rep[t] == -1) {
      rep[t] = t;
      clusterwgt[t] = cellwgt[t];
    }
    rep[v] = t;
    clusterwgt[t] += cellwgt[v];
    ++joined;
  }
  return joined;
}

// Coarse vertices: the anchors first, then the clusters and single vertices
// by their first vertex. Returns their number.
int NumberClusters(HGraph *graph, const int *rep) {
  const int nvtxs = graph->nvtxs;
  int *cellmap = graph->maps.cellmap;
  int cnvtxs = 0;
  for (int v = 0; v < nvtxs; ++v)
    if (rep[v] == -1 || rep[v] == v) cellmap[v] = cnvtxs++;
  for (int v = 0; v < nvtxs; ++v)
    if (rep[v] != -1 && rep[v] != v) cellmap[v] = cellmap[rep[v]];
  return cnvtxs;
}

}  // namespace

void Match_Clusters__(const CtrlType *ctrl, HGraph *graph, int *perm, int *vpairs) {
  const int nvtxs = graph->nvtxs;
  graph->maps.mptr = imalloc__(nvtxs + 1, "Match_Clusters: graph->mptr");
  graph->maps.mind = imalloc__(nvtxs, "Match_Clusters: graph->mind");
  graph->maps.cellmap = ismalloc__(nvtxs, -1, "Match_Clusters: graph->cellmap");
  DegreeOrder(ctrl, graph, perm, vpairs);

  // vpairs, free again, holds the clusters and the choices.
  int *rep = vpairs, *choice = vpairs + nvtxs;
  std::fill(rep, rep + nvtxs, -1);
  const int size = std::max(1, (nvtxs + kSubRounds - 1) / kSubRounds);  // of a sub-round
  std::vector<int> clusterwgt(nvtxs, 0), round(nvtxs, 0);
  for (int i = 0; i < nvtxs; ++i) round[perm[i]] = i / size;
  // Anchors weigh too much for anyone to join them.
  const int nfixed = std::max(graph->nfixed, 0);
  for (int a = 0; a < nfixed; ++a) {
    rep[a] = a;
    clusterwgt[a] = INT_MAX;
  }

  const int npins = graph->incptr[nvtxs];
  const int nchunks = LevelTasks__(ctrl, npins);
  std::vector<SearchSpace> spaces(nchunks);
  for (int t = 0; t < nchunks; ++t) {
    spaces[t].owned.assign(nvtxs, -1);
    spaces[t].htable = spaces[t].owned.data();
    spaces[t].scratch = t == 0 ? &ctrl->ctx->scratch : &spaces[t].own;
  }

  StartTimer(ctrl, &PhaseTimers::Aux4Tmr);
  int budget = nvtxs / 2;  // joins that leave the level half its vertices
  for (int lo = 0, r = 0; lo < nvtxs && budget > 0; lo += size, ++r) {
    const int hi = std::min(nvtxs, lo + size);
    const ClusterState state{rep, clusterwgt.data(), round.data(), r};
    const long long subpins = static_cast<long long>(npins) * (hi - lo) / nvtxs;  // about
    const int tasks = hi - lo >= kTaskVertices || subpins >= kTaskSubRoundPins ? nchunks : 1;
    // A sub-round runs in degree order: each task gets its share of every degree.
    InInterleavedBlocks__(lo, hi, tasks, kStrideBlock, [&](int t, int i) {
      const int v = perm[i];
      choice[i] = rep[v] != -1 ? -1
                               : FindCluster__(ctrl, v, graph, state, spaces[t].htable,
                                               *spaces[t].scratch);
    });
    budget -=
        GrantChoices(graph, perm, lo, hi, choice, ctrl->maxcellwgt, budget, rep, clusterwgt.data());
  }
  const int cnvtxs = NumberClusters(graph, rep);
  GroupsFromCellMap(graph, cnvtxs);
  StopTimer(ctrl, &PhaseTimers::Aux4Tmr);
  CreateCoarseHGraph__(ctrl, graph, cnvtxs);
}
