#include <gtest/gtest.h>

#include <string>

#include "twoway_testing.h"

using namespace twoway;

TEST(OneWayFM, KeepsExactStateAndNeverRaisesCutOfBalancedBisection) {
    CheckOnVariety(1, [](const CtrlType *ctrl, HGraph *graph) { Refine_OneWayFM__(ctrl, graph, 10); }, true,
                 true);
}

static zt::PlainHGraph TwoGroups() {
  zt::PlainHGraph g;
  g.nvtxs = 8;
  g.eptr = {0, 4, 8, 10, 12};
  g.eind = {0, 1, 2, 3, 4, 5, 6, 7, 0, 2, 5, 7};
  g.hewgts = {1, 1, 1, 1};
  g.vwgts.assign(8, 1);
  return g;
}

TEST(OneWayFM, WithoutImprovementRunsOnePairOfDirectionsFromSideZero) {
  const zt::PlainHGraph g = TwoGroups();
  HGraph *graph = MakeLevel(g);
  CtrlType ctrl = MakeCtrl();
  ctrl.dbglvl = DBG_REFINE;
  for (int v = 0; v < 8; ++v) graph->where[v] = v / 4;
  const std::string out = CaptureOutput([&] { Refine_OneWayFM__(&ctrl, graph, 10); });
  EXPECT_EQ(out,
            "1-way Partitions: [     4        4        4] Initial Cut:        0 [0] [3 3]\n"
            "\tMinimum Cut:        0 [       0] at    -1 [     4      4] [0]\n"
            "\tMinimum Cut:        0 [       0] at    -1 [     4      4] [1]\n");
  ExpectExactFigures(g, graph);
  ExpectExactGains(graph);
  FreeHGraph__(graph);
}

TEST(OneWayFM, UnsparableVertexIsSkippedWhenUsefulAndEndsMovesOtherwise) {
  // Vertex 0 (weight 5, side 0) would gain 2 by moving but side 0 (weight 7,
  // minimum 4) cannot give it; vertex 1 gains 1 and vertex 2 evens the sides.
  zt::PlainHGraph g;
  g.nvtxs = 6;
  g.eptr = {0, 2, 4, 6};
  g.eind = {0, 4, 0, 5, 1, 3};
  g.hewgts = {1, 1, 1};
  g.vwgts = {5, 1, 1, 1, 1, 1};
  HGraph *graph = MakeLevel(g);
  CtrlType ctrl = MakeCtrl();
  ctrl.dbglvl = DBG_MOVEINFO | DBG_REFINE;
  const int sides[6] = {0, 0, 0, 1, 1, 1};
  std::copy(sides, sides + 6, graph->where.get());
  const std::string out = CaptureOutput([&] { Refine_OneWayFM__(&ctrl, graph, 1); });
  EXPECT_NE(out.find("Gains from moving        1 from  0:    1, \tNewcut: 2\n"), std::string::npos);
  EXPECT_EQ(out.find("moving        0 from"), std::string::npos);
  // The skipped vertex counts as step 0; the best prefix ends at step 2.
  EXPECT_NE(out.find("\tMinimum Cut:        2 [       2] at     2 [     5      5] [0]\n"),
            std::string::npos);
  EXPECT_EQ(graph->where[0], 0);
  EXPECT_EQ(graph->where[1], 1);
  EXPECT_EQ(graph->where[2], 1);
  ExpectExactFigures(g, graph);
  ExpectExactGains(graph);
  FreeHGraph__(graph);
}

TEST(OneWayFM, ZeroPassesRecomputeStateAndMoveNothing) {
  const zt::PlainHGraph g = zt::Generate({});
  HGraph *graph = MakeLevel(g);
  CtrlType ctrl = MakeCtrl();
  for (int v = 0; v < g.nvtxs; ++v) graph->where[v] = v % 2;
  Refine_OneWayFM__(&ctrl, graph, 0);
  for (int v = 0; v < g.nvtxs; ++v) EXPECT_EQ(graph->where[v], v % 2);
  ExpectExactFigures(g, graph);
  ExpectExactGains(graph);
  FreeHGraph__(graph);
}
