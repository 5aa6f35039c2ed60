// Star grouping (FC, GFC, HFC): a vertex may join a neighbour that already
// belongs to a group, so groups grow into stars bounded by maxcellwgt.
#include <algorithm>
#include <climits>
#include <memory>
#include <vector>

#include "coarsen/coarsen.h"

namespace {

// perm = the vertices by increasing priority key (strongest best connection
// first), ties by increasing capped degree, then random.
void PriorityOrder(const CtrlType *ctrl, HGraph *graph, int *perm, int *htable, int *vpairs) {
  const int nvtxs = graph->nvtxs;
  const int *incptr = graph->incptr;
  int *keys = vpairs;
  int *byDegree = vpairs + nvtxs;
  RandomPermute__(&ctrl->ctx->rng, perm, nvtxs, 1);
  for (int v = 0; v < nvtxs; ++v) keys[v] = std::min(incptr[v + 1] - incptr[v], ctrl->MaxNetSize);
  BucketSortKeysInc(nvtxs, ctrl->MaxNetSize + 1, keys, perm, byDegree);
  const int nkeys = ComputeAllWeights__(ctrl, graph, keys, htable);
  BucketSortKeysInc(nvtxs, nkeys + 1, keys, byDegree, perm);
}

// Vertices whose searches run side by side before their picks are made in
// order, and the run of them a task searches before it skips the others'.
constexpr int kStarBlock = 4096;
constexpr int kStarStride = 64;

// One task's search space and the candidate lists it made for a block.
struct StarTask {
  std::vector<int> owned;
  int *htable = nullptr;
  CandidateScratch scratch;
  std::vector<int> cell;
  std::vector<float> score;
};

// The searches of a level in tasks side by side, a block of perm at a time:
// the candidates of every vertex still single when its block starts are
// listed first, and each pick then judges its list against the groups as
// they stand, so the groups are those of the searches made one by one.
class StarSearches {
 public:
  StarSearches(int ntasks, int nvtxs, int *htable) : tasks_(ntasks) {
    for (int t = 0; t < ntasks; ++t) {
      if (t > 0) tasks_[t].owned.assign(nvtxs, -1);
      tasks_[t].htable = t == 0 ? htable : tasks_[t].owned.data();
    }
  }

  // Lists the candidates of the single vertices of perm[lo .. hi).
  void ListBlock(const CtrlType *ctrl, const HGraph *graph, const int *perm, int lo, int hi,
                 const int *where) {
    lo_ = lo;
    const int ntasks = static_cast<int>(tasks_.size());
    owner_.resize(hi - lo);
    begin_.resize(hi - lo);
    end_.resize(hi - lo);
    for (StarTask &task : tasks_) {
      task.cell.clear();
      task.score.clear();
    }
    const int *cellmap = graph->maps.cellmap;
    InInterleavedBlocks__(lo, hi, ntasks, kStarStride, [&](int t, int i) {
      StarTask &task = tasks_[t];
      owner_[i - lo] = t;
      begin_[i - lo] = static_cast<int>(task.cell.size());
      if (cellmap[perm[i]] == -1) {
        const CandidateScratch &s = task.scratch;
        StarCandidates__(ctrl, perm[i], graph, where, task.htable, task.scratch);
        task.cell.insert(task.cell.end(), s.cell, s.cell + s.count);
        task.score.insert(task.score.end(), s.score, s.score + s.count);
      }
      end_[i - lo] = static_cast<int>(task.cell.size());
    });
  }

  // The pick of perm[i], listed by the last ListBlock.
  int Pick(const CtrlType *ctrl, const HGraph *graph, int v, int i, const int *wgts) const {
    const StarTask &task = tasks_[owner_[i - lo_]];
    const int b = begin_[i - lo_];
    return PickStar__(ctrl, v, graph, graph->maps.cellmap, wgts, task.cell.data() + b,
                      task.score.data() + b, end_[i - lo_] - b);
  }

 private:
  std::vector<StarTask> tasks_;
  std::vector<int> owner_, begin_, end_;
  int lo_ = 0;
};

// Visits the vertices in perm order; once 40% of them have found a partner,
// the rest stay alone, which caps how much one level shrinks. wgts[-1] is 0.
int GroupStars(const CtrlType *ctrl, HGraph *graph, const int *perm, int *htable, int *wgts,
               const int *where) {
  const int nvtxs = graph->nvtxs;
  int *cellmap = graph->maps.cellmap;
  const int *cellwgt = graph->cellwgt;
  const int ntasks = LevelTasks__(ctrl, graph->incptr[nvtxs]);
  std::unique_ptr<StarSearches> searches;
  if (ntasks > 1) searches = std::make_unique<StarSearches>(ntasks, nvtxs, htable);

  // Anchors weigh too much for anyone to join them.
  const int nfixed = std::max(graph->nfixed, 0);
  const int anchorwgt = ctrl->maxcellwgt > INT_MAX / 2 ? INT_MAX : 2 * ctrl->maxcellwgt;
  for (int i = 0; i < nfixed; ++i) {
    wgts[i] = anchorwgt;
    cellmap[i] = i;
  }
  int cnvtxs = nfixed;
  int nfound = 0;
  for (int i = 0; i < nvtxs; ++i) {
    const bool searching = (double)nfound < (double)nvtxs * 0.4;
    if (searches && searching && i % kStarBlock == 0)
      searches->ListBlock(ctrl, graph, perm, i, std::min(nvtxs, i + kStarBlock), where);
    const int v = perm[i];
    if (cellmap[v] != -1) continue;
    int u = -1;
    if (searching && searches) {
      u = searches->Pick(ctrl, graph, v, i, wgts);
    } else if (searching) {
      u = where == nullptr
              ? FindCellStar__(ctrl, v, graph->incptr, graph->incind, graph->netptr,
                               graph->netind, graph->cellwgt, graph->edgewgt, cellmap, htable, wgts)
              : CFindCellStar__(ctrl, v, graph->incptr, graph->incind, graph->netptr,
                                graph->netind, graph->cellwgt, graph->edgewgt, cellmap, where,
                                htable, wgts);
    }
    if (u == -1) {
      wgts[cnvtxs] += cellwgt[v];
      cellmap[v] = cnvtxs++;
    } else if (cellmap[u] == -1) {
      ++nfound;
      wgts[cnvtxs] = cellwgt[v] + cellwgt[u];
      cellmap[v] = cellmap[u] = cnvtxs++;
    } else {
      ++nfound;
      wgts[cellmap[u]] += cellwgt[v];
      cellmap[v] = cellmap[u];
    }
  }
  return cnvtxs;
}

}  // namespace

void GroupsFromCellMap(HGraph *graph, int cnvtxs) {
  const int nvtxs = graph->nvtxs;
  int *mptr = graph->maps.mptr, *mind = graph->maps.mind;
  const int *cellmap = graph->maps.cellmap;
  std::fill(mptr, mptr + cnvtxs + 1, 0);
  for (int v = 0; v < nvtxs; ++v) ++mptr[cellmap[v] + 1];
  for (int c = 0; c < cnvtxs; ++c) mptr[c + 1] += mptr[c];
  for (int v = 0; v < nvtxs; ++v) mind[mptr[cellmap[v]]++] = v;
  for (int c = cnvtxs; c > 0; --c) mptr[c] = mptr[c - 1];
  mptr[0] = 0;
}

void MatchEdgesStars(const CtrlType *ctrl, HGraph *graph, int *perm, int *htable, int *vpairs,
                     int flag, const int *where) {
  const int nvtxs = graph->nvtxs;
  const bool timed = where == nullptr;  // the partition-respecting run is not split up
  graph->maps.mptr = imalloc__(nvtxs + 1, "Match_Edges: graph->mptr");
  graph->maps.mind = imalloc__(nvtxs, "Match_Edges: graph->mind");
  graph->maps.cellmap = ismalloc__(nvtxs, -1, "Match_Edges: graph->cellmap");
  int *wgtsbase = ismalloc__(nvtxs + 1, 0, "Match_EdgesStars: wgts");

  if (timed) StartTimer(ctrl, &PhaseTimers::Aux3Tmr);
  if (flag == 1)
    PriorityOrder(ctrl, graph, perm, htable, vpairs);
  else
    DegreeOrder(ctrl, graph, perm, vpairs);
  if (timed) StopTimer(ctrl, &PhaseTimers::Aux3Tmr);

  if (timed) StartTimer(ctrl, &PhaseTimers::Aux4Tmr);
  const int cnvtxs = GroupStars(ctrl, graph, perm, htable, wgtsbase + 1, where);
  GroupsFromCellMap(graph, cnvtxs);
  if (timed) StopTimer(ctrl, &PhaseTimers::Aux4Tmr);

  ZBfree__(&wgtsbase);
  CreateCoarseHGraph__(ctrl, graph, cnvtxs);
}

void Match_EdgesStars__(const CtrlType *ctrl, HGraph *graph, int *perm, int *htable, int *vpairs,
                        int flag) {
  MatchEdgesStars(ctrl, graph, perm, htable, vpairs, flag, nullptr);
}
