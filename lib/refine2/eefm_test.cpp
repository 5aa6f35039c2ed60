#include <gtest/gtest.h>

#include <string>

#include "twoway_testing.h"

using namespace twoway;

TEST(EEFM, KeepsExactStateAndNeverRaisesCutOfBalancedBisection) {
    CheckOnVariety(1, [](const CtrlType *ctrl, HGraph *graph) { Refine_EEFM__(ctrl, graph, 3, 0.1f); }, true,
                 true);
}

TEST(EEFM2, KeepsExactStateAndNeverRaisesCutOfBalancedBisection) {
    CheckOnVariety(2, [](const CtrlType *ctrl, HGraph *graph) { Refine_EEFM2__(ctrl, graph, 3, 0.1f); }, true,
                 true);
}

TEST(EEFM, LongerPassesWithoutEarlyExitStayExact) {
    CheckOnVariety(3, [](const CtrlType *ctrl, HGraph *graph) { Refine_EEFM__(ctrl, graph, 10, 1.0f); }, true,
                 true, 18);
}

TEST(EEFM, ZeroPassesRecomputeStateAndMoveNothing) {
  const zt::PlainHGraph g = zt::Generate({});
  HGraph *graph = MakeLevel(g);
  CtrlType ctrl = MakeCtrl();
  for (int v = 0; v < g.nvtxs; ++v) graph->where[v] = v % 2;
  graph->mincut = -1;
  Refine_EEFM__(&ctrl, graph, 0, 0.1f);
  for (int v = 0; v < g.nvtxs; ++v) EXPECT_EQ(graph->where[v], v % 2);
  ExpectExactFigures(g, graph);
  ExpectExactGains(graph);
  FreeHGraph__(graph);
}

// Two groups tied by their own hyperedges, split along the groups: every
// first move raises the cut.
static zt::PlainHGraph TwoGroups() {
  zt::PlainHGraph g;
  g.nvtxs = 8;
  g.eptr = {0, 4, 8, 10, 12};
  g.eind = {0, 1, 2, 3, 4, 5, 6, 7, 0, 2, 5, 7};
  g.hewgts = {1, 1, 1, 1};
  g.vwgts.assign(8, 1);
  return g;
}

TEST(EEFM, NoRoomForWorseMovesEndsPassAtFirstCutIncrease) {
  const zt::PlainHGraph g = TwoGroups();
  HGraph *graph = MakeLevel(g);
  CtrlType ctrl = MakeCtrl();
  ctrl.dbglvl = DBG_REFINE | DBG_MOVEINFO;
  for (int v = 0; v < 8; ++v) graph->where[v] = v / 4;
  // 0.1 x 8 vertices gives no room: the first move is taken back unprinted.
  std::string out = CaptureOutput([&] { Refine_EEFM__(&ctrl, graph, 3, 0.1f); });
  EXPECT_EQ(out,
            "Partitions: [     4,       4]  [     4,       4], Initial Cut:        0 [0] [3]\n"
            "\tMinimum Cut:        0 [       0] at    -1 [     4      4]\n");
  // With room for 4 worse moves, 5 moves are made and all taken back.
  out = CaptureOutput([&] { Refine_EEFM__(&ctrl, graph, 3, 0.5f); });
  EXPECT_EQ(CountOf(out, "Gains from moving"), 4);
  for (int v = 0; v < 8; ++v) EXPECT_EQ(graph->where[v], v / 4);
  ExpectExactGains(graph);
  FreeHGraph__(graph);
}

TEST(EEFM, EqualGainsKeepThePreviousSideAndHeavyVariantTakesMoreSlack) {
  // No hyperedges: all gains 0. Side 0 holds 5 of 10 unit vertices.
  zt::PlainHGraph g;
  g.nvtxs = 10;
  g.vwgts.assign(10, 1);
  HGraph *graph = MakeLevel(g);
  CtrlType ctrl = MakeCtrl();
  ctrl.dbglvl = DBG_MOVEINFO;
  for (int v = 0; v < 10; ++v) graph->where[v] = v < 6 ? 0 : 1;
  // Both sides at or above their minimum (4): the plain variant keeps side 0.
  std::string out = CaptureOutput([&] { Refine_EEFM__(&ctrl, graph, 1, 1.0f); });
  EXPECT_EQ(out.substr(0, out.find('\n')), "Gains from moving        5 from  0:    0, \tNewcut: 0");
  for (int v = 0; v < 10; ++v) graph->where[v] = v < 4 ? 0 : 1;
  // Side 1 has more slack (6 - 4 against 4 - 4): the heavy variant takes from it.
  out = CaptureOutput([&] { Refine_EEFM2__(&ctrl, graph, 1, 1.0f); });
  EXPECT_EQ(out.substr(0, out.find('\n')), "Gains from moving        9 from  1:    0, \tNewcut: 0");
  FreeHGraph__(graph);
}
