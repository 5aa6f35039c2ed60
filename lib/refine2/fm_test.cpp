#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "replay_testing.h"
#include "twoway_testing.h"

using namespace twoway;

TEST(FM, LeavesExactFiguresAndNeverRaisesCutOfBalancedBisection) {
    CheckOnVariety(1, [](const CtrlType *ctrl, HGraph *graph) { Refine_FM__(ctrl, graph, 10); }, false, true);
}

TEST(FM2, LeavesExactFiguresAndNeverRaisesCutOfBalancedBisection) {
    CheckOnVariety(2, [](const CtrlType *ctrl, HGraph *graph) { Refine_FM2__(ctrl, graph, 10); }, false, true);
}

TEST(FM, EveryMoveFollowsThePlainReplay) {
    ExpectSameAsReplay(3, [](const CtrlType *ctrl, HGraph *graph) { Refine_FM__(ctrl, graph, 10); },
                     [](const CtrlType *ctrl, HGraph *graph) { replay::FM(ctrl, graph, 10, false); }, false);
}

TEST(FM2, EveryMoveFollowsThePlainReplay) {
    ExpectSameAsReplay(4, [](const CtrlType *ctrl, HGraph *graph) { Refine_FM2__(ctrl, graph, 10); },
                     [](const CtrlType *ctrl, HGraph *graph) { replay::FM(ctrl, graph, 10, true); }, false);
}

TEST(FM, ZeroPassesLeaveTheHypergraphUntouched) {
  const zt::PlainHGraph g = zt::Generate({});
  HGraph *graph = MakeLevel(g);
  CtrlType ctrl = MakeCtrl();
  for (int v = 0; v < g.nvtxs; ++v) graph->where[v] = v % 2;
  graph->mincut = -77;
  graph->twoway.pwgts[0] = graph->twoway.pwgts[1] = -5;
  Refine_FM__(&ctrl, graph, 0);
  Refine_FM2__(&ctrl, graph, 0);
  EXPECT_EQ(graph->mincut, -77);
  EXPECT_EQ(graph->twoway.pwgts[0], -5);
  for (int v = 0; v < g.nvtxs; ++v) EXPECT_EQ(graph->where[v], v % 2);
  FreeHGraph__(graph);
}

// Two groups of four vertices, each group tied by its own hyperedges: the
// bisection along the groups has cut 0 and every move raises it.
zt::PlainHGraph TwoGroups() {
  zt::PlainHGraph g;
  g.nvtxs = 8;
  g.eptr = {0, 4, 8, 10, 12};
  g.eind = {0, 1, 2, 3, 4, 5, 6, 7, 0, 2, 5, 7};
  g.hewgts = {1, 1, 1, 1};
  g.vwgts.assign(8, 1);
  return g;
}

TEST(FM, PassWithoutImprovementRestoresStartAndEndsCall) {
  const zt::PlainHGraph g = TwoGroups();
  HGraph *graph = MakeLevel(g);
  CtrlType ctrl = MakeCtrl();
  InitRandom__(&ctrl.ctx->rng, 1);
  ctrl.dbglvl = DBG_REFINE;
  for (int v = 0; v < 8; ++v) graph->where[v] = v / 4;
  const std::string out = CaptureOutput([&] { Refine_FM__(&ctrl, graph, 10); });
  EXPECT_EQ(out,
            "Partitions: [     4,       4]  [     4,       4], Initial Cut:        0 [0] [3 3]\n"
            "\tMinimum Cut:        0 at    -1 [     4      4]\n");
  for (int v = 0; v < 8; ++v) EXPECT_EQ(graph->where[v], v / 4);
  EXPECT_EQ(graph->mincut, 0);
  FreeHGraph__(graph);
}

TEST(FM, SmallLevelsFillQueuesInVertexOrderAndTakeNewestOfEqualGains) {
  // No hyperedges: every gain is 0, the queues have the single bucket 0 and
  // the side slacks are equal, so side 0 gives its highest-numbered vertex.
  zt::PlainHGraph g;
  g.nvtxs = 8;
  g.vwgts.assign(8, 1);
  HGraph *graph = MakeLevel(g);
  CtrlType ctrl = MakeCtrl();
  ctrl.dbglvl = DBG_MOVEINFO;
  for (int v = 0; v < 8; ++v) graph->where[v] = v / 4;
  const std::string out = CaptureOutput([&] { Refine_FM__(&ctrl, graph, 1); });
  EXPECT_EQ(out.substr(0, out.find('\n') + 1),
            "Gains from moving        3 from  0:    0, \tNewcut: 0 [     3      5]\n");
  // Every movable vertex moves once; no prefix beats the even start.
  EXPECT_EQ(CountOf(out, "Gains from moving"), 8);
  EXPECT_EQ(graph->twoway.pwgts[0], 4);
  FreeHGraph__(graph);
}

TEST(FM2, HeaderAndMoveLinesCarryTheHeavyVertexFigures) {
  zt::PlainHGraph g = TwoGroups();
  HGraph *graph = MakeLevel(g);
  CtrlType ctrl = MakeCtrl();
  ctrl.dbglvl = DBG_REFINE | DBG_MOVEINFO;
  for (int v = 0; v < 8; ++v) graph->where[v] = v / 4;
  const std::string out = CaptureOutput([&] { Refine_FM2__(&ctrl, graph, 10); });
  EXPECT_EQ(out.rfind("Partitions2: [     4,       4]  [     4,       4], Initial Cut:        0 [0] [3 3]\n", 0), 0u);
  EXPECT_NE(out.find("[     1      3      5]\n"), std::string::npos);
  FreeHGraph__(graph);
}

TEST(FM, AllFixedMovesNothingAndStopsAfterOnePass) {
  const zt::PlainHGraph g = zt::Generate({.nvtxs = 30, .nhedges = 40});
  HGraph *graph = MakeLevel(g, 30);
  CtrlType ctrl = MakeCtrl();
  InitRandom__(&ctrl.ctx->rng, 4);
  ctrl.dbglvl = DBG_REFINE;
  for (int v = 0; v < 30; ++v) graph->where[v] = v % 3 == 0;
  const std::string out = CaptureOutput([&] { Refine_FM__(&ctrl, graph, 10); });
  EXPECT_EQ(CountOf(out, "Minimum Cut"), 1);
  for (int v = 0; v < 30; ++v) EXPECT_EQ(graph->where[v], v % 3 == 0);
  ExpectExactFigures(g, graph);
  FreeHGraph__(graph);
}

TEST(FM, RealCircuitFromRandomBalancedStartStaysExactAndBalanced) {
  const std::string path = zt::InstancePath("ibm01.hgr");
  if (path.empty()) GTEST_SKIP() << "shared instances absent";
  HGraph *graph = ReadHGraph(path.c_str());
  const zt::PlainHGraph g = zt::FromHGraph(graph);
  graph->cellwgt = ismalloc__(g.nvtxs, 1, "test: cellwgt");
  graph->netwgt = ismalloc__(g.nhedges(), 1, "test: netwgt");
  graph->nfixed = 0;
  graph->nislands = 0;
  CreateIncidentHGraph__(graph);
  AllocateRefinementMemory__(graph);

  std::mt19937 rng(1);
  CtrlType ctrl = MakeCtrl();
  InitRandom__(&ctrl.ctx->rng, 1);
  for (int run = 0; run < 2; ++run) {
    RandomSides(graph, rng);
    Balance__(&ctrl, graph);
    ComputeInitGains__(graph);
    ASSERT_TRUE(IsBalanced(ctrl, graph));
    const int before = graph->mincut;
    if (run == 0)
      Refine_FM__(&ctrl, graph, 10);
    else
      Refine_EEFM__(&ctrl, graph, 10, 0.1f);
    ExpectExactFigures(g, graph);
    EXPECT_TRUE(IsBalanced(ctrl, graph));
    EXPECT_LT(graph->mincut, before);
  }
  FreeHGraph__(graph);
}

TEST(FM, StageTimersRunOnlyWithTimingBit) {
  const zt::PlainHGraph g = zt::Generate({.nvtxs = 300, .nhedges = 400});
  HGraph *graph = MakeLevel(g);
  std::mt19937 rng(5);
  for (int dbglvl : {0, static_cast<int>(DBG_TIME)}) {
    CtrlType ctrl = MakeCtrl();
    InitRandom__(&ctrl.ctx->rng, 5);
    ctrl.dbglvl = dbglvl;
    const double before = seconds__();
    for (int r = 0; r < 3; ++r) {
      RandomSides(graph, rng, r == 2 ? 0.8 : 0.0);
      Balance__(&ctrl, graph);
      Refine_FM__(&ctrl, graph, 10);
      Refine_EEFM__(&ctrl, graph, 3, 0.1f);
      Refine_OneWayFM__(&ctrl, graph, 10);
    }
    const double after = seconds__();
    // The stages are disjoint intervals inside the loop: each closed (not
    // left at minus a start reading) and together no longer than the loop.
    const double timers[] = {ctrl.ctx->tmr.RefInitTmr, ctrl.ctx->tmr.RefIterTmr, ctrl.ctx->tmr.RefWrapTmr};
    double sum = 0;
    for (double t : timers) {
      if (dbglvl == 0) {
        EXPECT_EQ(t, 0.0);
      }
      EXPECT_GE(t, -1e-9);
      sum += t;
    }
    EXPECT_LE(sum, after - before + 1e-9);
    EXPECT_EQ(ctrl.ctx->tmr.TotalTmr, 0.0);
  }
  FreeHGraph__(graph);
}
