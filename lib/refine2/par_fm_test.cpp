#include <gtest/gtest.h>

#include <algorithm>
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
  const int nchecked = OnUnbalancedStarts(13, 400, [](const CtrlType *ctrl, HGraph *graph) {
    int minpwgt[2];
    ComputeMinPartWeights__(ctrl, graph->twoway.pwgts[0] + graph->twoway.pwgts[1], minpwgt);
    auto shortfall = [&] {
      return std::max(0, minpwgt[0] - graph->twoway.pwgts[0]) + std::max(0, minpwgt[1] - graph->twoway.pwgts[1]);
    };
    int cut = graph->mincut, below = shortfall();
    for (int round = 0; round < 4; ++round) {
      Refine_ParFM__(ctrl, graph, 1);
      EXPECT_LE(graph->mincut, cut);
      EXPECT_LE(shortfall(), below);
      cut = graph->mincut;
      below = shortfall();
    }
  });
  EXPECT_GT(nchecked, 12);
}

// A level large enough for its searches to run in tasks, with wide
// hyperedges, heavy vertices and anchors: the sides are the same for 1, 2, 3
// and 16 threads, within the bounds, and the searches find most of what
// there is to find.
TEST(ParFM, InTasksGivesTheSameSidesForAnyThreadCount) {
  ExpectSameSidesForAnyThreadCount(
      52, 0.8, [](const CtrlType *, HGraph *) {},
      [](const CtrlType *ctrl, HGraph *graph) {
        Refine_ParFM__(ctrl, graph, 3);
        EXPECT_TRUE(IsBalanced(*ctrl, graph));
        ExpectExactGains(graph);
      });
}
