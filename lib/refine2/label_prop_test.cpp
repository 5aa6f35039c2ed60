#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "twoway_testing.h"

using namespace twoway;

TEST(LabelProp, KeepsExactStateAnchorsAndBalanceAndNeverRaisesTheCut) {
  CheckOnVariety(4, [](const CtrlType *ctrl, HGraph *graph) { Refine_LabelProp__(ctrl, graph, 5); },
                 true, true);
}

// From a start where side 0 is below its minimum, no vertex leaves side 0,
// and every round that moves anything lowers the cut.
TEST(LabelProp, NeverTakesWeightFromASideBelowItsMinimum) {
  std::mt19937 rng(11);
  int nchecked = 0;
  for (const Case &c : Variety(24, 300)) {
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
    const std::vector<int> before(graph->where.get(), graph->where + g.nvtxs);
    int cut = graph->mincut;
    for (int round = 0; round < 4; ++round) {
      Refine_LabelProp__(&ctrl, graph, 1);
      EXPECT_LE(graph->mincut, cut);
      cut = graph->mincut;
    }
    for (int v = 0; v < g.nvtxs; ++v)
      if (before[v] == 0) {
        EXPECT_EQ(graph->where[v], 0) << "vertex " << v << ", seed " << c.gs.seed;
      }
    ExpectExactFigures(g, graph);
    FreeHGraph__(graph);
  }
  EXPECT_GT(nchecked, 12);
}

// A level large enough that its gains are worked out in tasks: the sides are
// the same for 1, 2, 3 and 16 threads.
TEST(LabelProp, InTasksGivesTheSameSidesForAnyThreadCount) {
  const zt::PlainHGraph g = zt::Generate(zt::TaskSizedSpec(51));
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
    const CallThreads__ threads(nthreads);
    InParallel__([&] { Refine_LabelProp__(&ctrl, graph, 5); });
    EXPECT_LT(graph->mincut, before * 0.9);
    std::vector<int> sides(graph->where.get(), graph->where + graph->nvtxs);
    sides.push_back(graph->mincut);
    FreeHGraph__(graph);
    return sides;
  };
  const std::vector<int> once = run(1);
  for (int nthreads : {2, 3, 16}) EXPECT_EQ(run(nthreads), once) << nthreads << " threads";
}
