#include <gtest/gtest.h>

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
  const int nchecked = OnUnbalancedStarts(11, 300, [](const CtrlType *ctrl, HGraph *graph) {
    const std::vector<int> before(graph->where.get(), graph->where + graph->nvtxs);
    int cut = graph->mincut;
    for (int round = 0; round < 4; ++round) {
      Refine_LabelProp__(ctrl, graph, 1);
      EXPECT_LE(graph->mincut, cut);
      cut = graph->mincut;
    }
    for (int v = 0; v < graph->nvtxs; ++v)
      if (before[v] == 0) {
        EXPECT_EQ(graph->where[v], 0) << "vertex " << v;
      }
  });
  EXPECT_GT(nchecked, 12);
}

// A level large enough that its gains are worked out in tasks: the sides are
// the same for 1, 2, 3 and 16 threads.
TEST(LabelProp, InTasksGivesTheSameSidesForAnyThreadCount) {
  ExpectSameSidesForAnyThreadCount(
      51, 0.9, [](const CtrlType *, HGraph *) {},
      [](const CtrlType *ctrl, HGraph *graph) { Refine_LabelProp__(ctrl, graph, 5); });
}
