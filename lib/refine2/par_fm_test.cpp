#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "twoway_testing.h"

using namespace twoway;

TEST(ParFM, KeepsExactStateAnchorsAndBalanceAndNeverRaisesTheCut) {
  CheckOnVariety(6, [](const CtrlType *ctrl, HGraph *graph) { Refine_ParFM__(ctrl, graph, 3); }, true,
                 true);
}

// From a start where the sides miss their minimum weights, no round takes
// them further below, and none raises the cut.
TEST(ParFM, NeverLeavesTheSidesFurtherBelowTheirMinimum) {
  std::mt19937 rng(13);
  int nchecked = 0;
  for (const Case &c : Variety(24, 400)) {
    const zt::PlainHGraph g = zt::Generate(c.gs);
    HGraph *graph = MakeLevel(g, c.nfixed);
    CtrlType ctrl = MakeCtrl();
    InitRandom__(&ctrl.ctx->rng, static_cast<int>(c.gs.seed));
    RandomSides(graph, rng, -0.8);
    ComputeInitGains__(graph);
    if (IsBalanced(ctrl, graph)) {
      FreeHGraph__(graph);
      continue;
    }
    ++nchecked;
    int minpwgt[2];
    ComputeMinPartWeights__(&ctrl, graph->twoway.pwgts[0] + graph->twoway.pwgts[1], minpwgt);
    auto shortfall = [&] {
      return std::max(0, minpwgt[0] - graph->twoway.pwgts[0]) +
             std::max(0, minpwgt[1] - graph->twoway.pwgts[1]);
    };
    int cut = graph->mincut, below = shortfall();
    for (int round = 0; round < 4; ++round) {
      Refine_ParFM__(&ctrl, graph, 1);
      EXPECT_LE(graph->mincut, cut) << "seed " << c.gs.seed;
      EXPECT_LE(shortfall(), below) << "seed " << c.gs.seed;
      cut = graph->mincut;
      below = shortfall();
    }
    ExpectExactFigures(g, graph);
    FreeHGraph__(graph);
  }
  EXPECT_GT(nchecked, 12);
}

// A level large enough for its searches to run in tasks, with wide
// hyperedges, heavy vertices and anchors: the sides are the same for 1, 2, 3
// and 16 threads, and the searches find most of what there is to find.
TEST(ParFM, InTasksGivesTheSameSidesForAnyThreadCount) {
  const zt::PlainHGraph g = zt::Generate(zt::TaskSizedSpec(52));
  auto run = [&g](int nthreads) {
    HGraph *graph = MakeLevel(g, 3);
    EXPECT_GE(graph->incptr[graph->nvtxs], kTaskPins);
    std::mt19937 rng(5);
    RandomSides(graph, rng);
    CtrlType ctrl = MakeCtrl();
    ctrl.alone = true;
    InitRandom__(&ctrl.ctx->rng, 9);
    ComputeInitGains__(graph);
    const int before = graph->mincut;
    const std::vector<int> anchors(graph->where.get(), graph->where + 3);
    const CallThreads__ threads(nthreads);
    InParallel__([&] { Refine_ParFM__(&ctrl, graph, 3); });
    EXPECT_LT(graph->mincut, before * 0.8);
    EXPECT_TRUE(IsBalanced(ctrl, graph));
    EXPECT_EQ(anchors, std::vector<int>(graph->where.get(), graph->where + 3));
    ExpectExactFigures(g, graph);
    ExpectExactGains(graph);
    std::vector<int> sides(graph->where.get(), graph->where + graph->nvtxs);
    sides.push_back(graph->mincut);
    FreeHGraph__(graph);
    return sides;
  };
  const std::vector<int> once = run(1);
  for (int nthreads : {2, 3, 16}) EXPECT_EQ(run(nthreads), once) << nthreads << " threads";
}
