#include <gtest/gtest.h>

#include "level_checks_test.h"

namespace {

// The chain Coarsen__ hangs from a prepared copy of p with clustering.
HGraph *ClusterChain(CtrlType &ctrl, const zt::PlainHGraph &p, int nfixed, int seed) {
  HGraph *graph = ct::Prepared(p, nfixed);
  ctrl.maxcellwgt = ct::MaxCellWgt(ctrl.CoarsenTo, graph);
  InitRandom__(&ctrl.ctx->rng, seed);
  Coarsen__(&ctrl, graph);
  return graph;
}

void Release(HGraph *graph) {
  ct::FreeBelow(graph);
  FreeHGraph__(graph);
}

TEST(MatchClusters, InTasksGivesTheSameChainForAnyThreadCount) {
  for (unsigned seed : {31u, 32u, 33u}) {
    zt::GenSpec gs = zt::TaskSizedSpec(seed);
    if (seed == 33u) {
      // Sub-rounds of fewer than 1,024 vertices but many pins search in tasks too.
      gs.nvtxs = 8000;
      gs.nhedges = 24000;
      gs.maxsize = 10;
    }
    const zt::PlainHGraph p = zt::Generate(gs);
    CtrlType ctrl = ct::MakeCtrl(COARSEN_CLUSTERS, 100);
    HGraph *once = ClusterChain(ctrl, p, 3, (int)seed);
    const std::vector<int> expected = ct::Snapshot(once);
    Release(once);
    for (int nthreads : {2, 3, 16}) {
      ctrl.alone = true;
      const CallThreads__ threads(nthreads);
      HGraph *graph = nullptr;
      InParallel__([&] { graph = ClusterChain(ctrl, p, 3, (int)seed); });
      EXPECT_EQ(ct::Snapshot(graph), expected) << nthreads << " threads, seed " << seed;
      Release(graph);
    }
  }
}

// Every level is a faithful coarsening whose clusters stay within maxcellwgt
// and leave anchors alone, keeps at least half the vertices of the level
// above, and still shrinks well: the chain gets to the coarsening target.
TEST(MatchClusters, LevelsKeepHalfTheVerticesAndReachTheTarget) {
  for (unsigned seed : {41u, 42u, 43u}) {
    zt::GenSpec gs = zt::TaskSizedSpec(seed);
    gs.nvtxs = 3000;
    gs.nhedges = 3600;
    gs.largesize = 400;
    CtrlType ctrl = ct::MakeCtrl(COARSEN_CLUSTERS, 100);
    HGraph *graph = ClusterChain(ctrl, zt::Generate(gs), seed == 41u ? 0 : 2, (int)seed);
    SCOPED_TRACE(seed);
    EXPECT_EQ(ct::CheckChain(ctrl, graph), "");
    const std::vector<HGraph *> levels = ct::Levels(graph);
    for (size_t i = 0; i + 1 < levels.size(); ++i) {
      const int f = levels[i]->nvtxs, c = levels[i + 1]->nvtxs + levels[i + 1]->nislands;
      EXPECT_GE(2 * c, f) << "level " << i;
    }
    EXPECT_LE(levels.back()->nvtxs, 4 * ctrl.CoarsenTo);
    Release(graph);
  }
}

// A vertex joins the cluster it shares the most weight with, the cluster's
// pins counted together. Vertices act by degree: 6 and 7 (no hyperedges)
// stay alone; 0 and 1 pair (weight 9); 2 and 5 join 3; then 4 meets {0, 1}
// through two hyperedges of weight 2 and {2, 3, 5} through one of weight 3.
TEST(MatchClusters, ScoresAddUpOverTheClustersPins) {
  zt::PlainHGraph p;
  p.nvtxs = 8;
  p.eptr = {0, 2, 4, 6, 8, 10, 12, 15};
  p.eind = {0, 1, 0, 4, 1, 4, 4, 3, 3, 5, 3, 2, 3, 5, 2};
  p.hewgts = {9, 2, 2, 3, 1, 1, 1};
  p.vwgts.assign(8, 1);
  HGraph *graph = ct::Prepared(p);
  CtrlType ctrl = ct::MakeCtrl(COARSEN_CLUSTERS, 1);
  ctrl.maxcellwgt = 4;
  std::vector<int> perm(8), vpairs(16);
  InitRandom__(&ctrl.ctx->rng, 1);
  Match_Clusters__(&ctrl, graph, perm.data(), vpairs.data());
  EXPECT_EQ(std::vector<int>(graph->maps.cellmap.get(), graph->maps.cellmap + 8),
            (std::vector<int>{0, 0, 1, 1, 0, 1, 2, 3}));
  EXPECT_EQ(graph->coarser->nvtxs, 4);
  Release(graph);
}

}  // namespace
