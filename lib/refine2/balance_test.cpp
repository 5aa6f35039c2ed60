#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "replay_testing.h"
#include "twoway_testing.h"

using namespace twoway;

TEST(Balance, LeavesExactStateAndKeepsAnchors) {
    CheckOnVariety(1, [](const CtrlType *ctrl, HGraph *graph) { Balance__(ctrl, graph); }, false, false);
}

TEST(Balance, EveryMoveFollowsThePlainReplay) {
    ExpectSameAsReplay(5, [](const CtrlType *ctrl, HGraph *graph) { Balance__(ctrl, graph); },
                     [](const CtrlType *ctrl, HGraph *graph) { replay::Balance(ctrl, graph); }, true);
}

TEST(Balance, ReachesBoundsWheneverEnoughMovableWeightExists) {
  std::mt19937 rng(11);
  CtrlType ctrl = MakeCtrl();
  InitRandom__(&ctrl.ctx->rng, 2);
  for (const Case &c : Variety(30, 500)) {
    zt::GenSpec gs = c.gs;
    // Every vertex fits the window between the two minimums, so no candidate
    // of the heavy side is ever too heavy to give.
    gs.nheavy = 0;
    gs.maxvwgt = std::min(gs.maxvwgt, 3);
    const zt::PlainHGraph g = zt::Generate(gs);
    HGraph *graph = MakeLevel(g);
    for (double skew : {0.9, -0.9, 1.0}) {
      RandomSides(graph, rng, skew);
      const bool was_balanced = [&] {
        ComputeInitGains__(graph);
        return IsBalanced(ctrl, graph);
      }();
      Balance__(&ctrl, graph);
      EXPECT_TRUE(IsBalanced(ctrl, graph)) << "seed " << gs.seed;
      ExpectExactFigures(g, graph);
      if (!was_balanced) ExpectExactGains(graph);
    }
    FreeHGraph__(graph);
  }
}

TEST(Balance, BalancedInputOnlyRecountsSideWeights) {
  const zt::PlainHGraph g = zt::Generate({.maxvwgt = 4});
  HGraph *graph = MakeLevel(g);
  CtrlType ctrl = MakeCtrl();
  ctrl.dbglvl = DBG_REFINE | DBG_MOVEINFO;
  for (int v = 0; v < g.nvtxs; ++v) graph->where[v] = v % 2;
  for (int v = 0; v < g.nvtxs; ++v) graph->twoway.gain[v] = 12345;
  graph->mincut = -3;
  graph->twoway.pwgts[0] = graph->twoway.pwgts[1] = 0;
  const std::string out = CaptureOutput([&] { Balance__(&ctrl, graph); });
  EXPECT_EQ(out, "");
  const std::vector<int> pw = zt::RecountPartWeights(g, graph->where, 2);
  EXPECT_EQ(graph->twoway.pwgts[0], pw[0]);
  EXPECT_EQ(graph->twoway.pwgts[1], pw[1]);
  EXPECT_EQ(graph->mincut, -3);
  for (int v = 0; v < g.nvtxs; ++v) EXPECT_EQ(graph->where[v], v % 2);
  for (int v = 0; v < g.nvtxs; ++v) EXPECT_EQ(graph->twoway.gain[v], 12345);
  FreeHGraph__(graph);
}

TEST(Balance, TooHeavyCandidateIsDroppedAndFixedVerticesStay) {
  // Side 0 holds everything. Vertex 5 (weight 6) has the best gain but would
  // leave side 0 below its minimum of 9; vertices 0 and 1 are fixed.
  zt::PlainHGraph g;
  g.nvtxs = 8;
  g.eptr = {0, 2, 4};
  g.eind = {5, 0, 5, 1};
  g.hewgts = {1, 1};
  g.vwgts = {3, 3, 1, 1, 1, 6, 3, 3};
  HGraph *graph = MakeLevel(g, 2);
  CtrlType ctrl = MakeCtrl();
  ctrl.dbglvl = DBG_REFINE;
  for (int v = 0; v < 8; ++v) graph->where[v] = 0;
  const std::string out = CaptureOutput([&] { Balance__(&ctrl, graph); });
  EXPECT_EQ(out, "Partitions[B]: [     6,      21]  [     0,       0], Initial Cut:        0 [0] [9]\n");
  EXPECT_EQ(graph->where[0], 0);
  EXPECT_EQ(graph->where[1], 0);
  EXPECT_EQ(graph->where[5], 0);
  EXPECT_TRUE(IsBalanced(ctrl, graph));
  ExpectExactFigures(g, graph);
  ExpectExactGains(graph);
  FreeHGraph__(graph);
}

TEST(Balance, BestGainGoesFirstEvenWhenNegative) {
  // All on side 0 of a path 0-1-2-3: every move cuts; balancing still moves.
  zt::PlainHGraph g;
  g.nvtxs = 4;
  g.eptr = {0, 2, 4, 6};
  g.eind = {0, 1, 1, 2, 2, 3};
  g.hewgts = {1, 1, 1};
  g.vwgts.assign(4, 1);
  HGraph *graph = MakeLevel(g);
  CtrlType ctrl = MakeCtrl();
  for (int v = 0; v < 4; ++v) graph->where[v] = 0;
  Balance__(&ctrl, graph);
  EXPECT_TRUE(IsBalanced(ctrl, graph));
  EXPECT_GT(graph->mincut, 0);
  ExpectExactFigures(g, graph);
  ExpectExactGains(graph);
  FreeHGraph__(graph);
}
