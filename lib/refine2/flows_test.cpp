// Flow refinement of a bisection: never a higher cut from a balanced start,
// never out of balance, anchors in place and exact figures after it; a
// group that no single move takes across, moved as one; and a large level,
// cut by two problems side by side, the same for any number of threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "refine2/twoway_testing.h"

namespace {

TEST(Flows, NeverRaisesTheCutNorBreaksTheBalanceNorMovesAnchors) {
  twoway::CheckOnVariety(3, [](const CtrlType *ctrl, HGraph *graph) { Refine_Flows__(ctrl, graph); }, true, true);
}

TEST(Flows, AfterFMStillNeverWorse) {
  twoway::CheckOnVariety(
      4,
      [](const CtrlType *ctrl, HGraph *graph) {
        Refine_FM__(ctrl, graph, 10);
        const int fm = graph->mincut;
        Refine_Flows__(ctrl, graph);
        EXPECT_LE(graph->mincut, fm);
      },
      false, true);  // FM leaves the gains as its own records had them
}

// Each round starts from the cut the one before left, so more rounds never
// end higher; some cases here need more than one. No round leaves the
// bisection as it was.
TEST(Flows, RoundsAreBoundedByTheOption) {
  int lowerWithMore = 0;
  twoway::CheckOnVariety(
      5,
      [&](const CtrlType *ctrl, HGraph *graph) {
        CtrlType rctrl = *ctrl;
        const std::vector<int> start(graph->where.get(), graph->where + graph->nvtxs);
        const int before = graph->mincut;
        auto run = [&](int rounds) {
          std::copy(start.begin(), start.end(), graph->where.get());
          ComputeInitGains__(graph);
          rctrl.opt.FlowRounds = rounds;
          Refine_Flows__(&rctrl, graph);
          return graph->mincut;
        };
        const int none = run(0);
        EXPECT_EQ(none, before);
        EXPECT_TRUE(std::equal(start.begin(), start.end(), graph->where.get()));
        const int one = run(1);
        const int four = run(4);
        EXPECT_LE(four, one);
        if (four < one) ++lowerWithMore;
      },
      true, true);
  EXPECT_GT(lowerWithMore, 0);
}

// Side 0 holds the chain A (0..99) and a group G (200..203) tied together
// by a hyperedge of weight 3; side 1 holds the chain B (100..199). G has
// four hyperedges of weight 1 into B and one into A. Moving any one vertex
// of G costs 3 for the group's hyperedge; moving all of G lowers the cut
// from 4 to 1 and leaves the sides at 100 and 104.
TEST(Flows, MovesAGroupWhoseSingleMovesAllCost) {
  zt::PlainHGraph g;
  g.nvtxs = 204;
  auto add = [&](std::vector<int> pins, int w) {
    g.eind.insert(g.eind.end(), pins.begin(), pins.end());
    g.eptr.push_back(static_cast<int>(g.eind.size()));
    g.hewgts.push_back(w);
  };
  for (int i = 0; i < 99; ++i) {
    add({i, i + 1}, 10);
    add({100 + i, 101 + i}, 10);
  }
  add({200, 201, 202, 203}, 3);
  for (int i = 0; i < 4; ++i) add({200 + i, 100 + i}, 1);
  add({200, 0}, 1);
  g.vwgts.assign(g.nvtxs, 1);
  HGraph *graph = twoway::MakeLevel(g);
  for (int v = 0; v < g.nvtxs; ++v) graph->where[v] = v >= 100 && v < 200 ? 1 : 0;
  ComputeInitGains__(graph);
  ASSERT_EQ(graph->mincut, 4);
  const CtrlType ctrl = twoway::MakeCtrl(0.5f, 0.005f);
  for (int v = 200; v < 204; ++v) EXPECT_LT(graph->twoway.gain[v], 0) << "no single move pays";

  Refine_Flows__(&ctrl, graph);

  twoway::ExpectExactFigures(g, graph);
  EXPECT_EQ(graph->mincut, 1);
  for (int v = 200; v < 204; ++v) EXPECT_EQ(graph->where[v], 1);
  EXPECT_TRUE(twoway::IsBalanced(ctrl, graph));
  FreeHGraph__(graph);
}

// A level large enough to be cut by two flow problems side by side, from an
// FM bisection with wide hyperedges, heavy vertices and anchors: the sides
// are the same for 1, 2, 3 and 16 threads, and the flows keep every promise.
TEST(Flows, InTasksGivesTheSameSidesForAnyThreadCount) {
  twoway::ExpectSameSidesForAnyThreadCount(
      53, 1.0,
      [](CtrlType *ctrl, HGraph *graph) {
        EXPECT_GE(graph->nvtxs, kSideBySideVertices);
        ctrl->opt.FlowRounds = 2;
        Balance__(ctrl, graph);
        Refine_FM__(ctrl, graph, 2);
        int ncut = 0;
        for (int e = 0; e < graph->nhedges; ++e)
          ncut += graph->twoway.ndeg[0][e] > 0 && graph->twoway.ndeg[1][e] > 0;
        EXPECT_GE(ncut, 128) << "a cut the flows split in two";
      },
      [](const CtrlType *ctrl, HGraph *graph) {
        Refine_Flows__(ctrl, graph);
        EXPECT_TRUE(twoway::IsBalanced(*ctrl, graph));
        twoway::ExpectExactGains(graph);
      });
}

}  // namespace
