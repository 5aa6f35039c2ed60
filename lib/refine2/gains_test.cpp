#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "twoway_testing.h"

using namespace twoway;

// From scratch in one go, and in 1, 3 and 7 chunks run as tasks on 3 threads.
TEST(Gains, InitGainsEqualCutChangeOfEverySingleMove) {
  std::mt19937 rng(3);
  const CallThreads__ threads(3);
  for (const Case &c : Variety(24)) {
    for (int nchunks : {0, 1, 3, 7}) {
      SCOPED_TRACE(nchunks);
      const zt::PlainHGraph g = zt::Generate(c.gs);
      HGraph *graph = MakeLevel(g);
      RandomSides(graph, rng);
      if (nchunks == 0)
        ComputeInitGains__(graph);
      else
        InParallel__([&] { ComputeInitGainsInChunks__(graph, nchunks); });
      ExpectExactFigures(g, graph);
      EXPECT_EQ(ComputeCut__(graph), graph->mincut);
      std::vector<int> where(graph->where.get(), graph->where + g.nvtxs);
      const int cut = zt::RecountCut(g, where.data());
      for (int v = 0; v < g.nvtxs; ++v) {
        where[v] ^= 1;
        ASSERT_EQ(graph->twoway.gain[v], cut - zt::RecountCut(g, where.data())) << "vertex " << v;
        where[v] ^= 1;
      }
      for (int e = 0; e < g.nhedges(); ++e) {
        int n1 = 0;
        for (int j = g.eptr[e]; j < g.eptr[e + 1]; ++j) n1 += where[g.eind[j]];
        ASSERT_EQ(graph->twoway.ndeg[1][e], n1);
        ASSERT_EQ(graph->twoway.ndeg[0][e], g.eptr[e + 1] - g.eptr[e] - n1);
      }
      EXPECT_EQ(CheckDegrees(graph), 1);
      FreeHGraph__(graph);
    }
  }
}

TEST(Gains, FMRecordsHoldTheSameCountsGainsAndCutAsTheLevel) {
  std::mt19937 rng(5);
  for (const Case &c : Variety(24, 300)) {
    const zt::PlainHGraph g = zt::Generate(c.gs);
    HGraph *graph = MakeLevel(g);
    RandomSides(graph, rng, 0.4);
    FMHEdge *rec = CreateFMHEdges__(graph);
    ComputeFMGains__(graph, rec);
    const std::vector<int> gain(graph->twoway.gain.get(), graph->twoway.gain + g.nvtxs);
    const int cut = graph->mincut, pw0 = graph->twoway.pwgts[0], pw1 = graph->twoway.pwgts[1];
    EXPECT_EQ(FMCut__(graph, rec), cut);
    ComputeInitGains__(graph);
    EXPECT_EQ(gain, std::vector<int>(graph->twoway.gain.get(), graph->twoway.gain + g.nvtxs));
    EXPECT_EQ(cut, graph->mincut);
    EXPECT_EQ(pw0, graph->twoway.pwgts[0]);
    EXPECT_EQ(pw1, graph->twoway.pwgts[1]);
    for (int e = 0; e < g.nhedges(); ++e) {
      ASSERT_EQ(rec[e].ndeg[0], graph->twoway.ndeg[0][e]);
      ASSERT_EQ(rec[e].ndeg[1], graph->twoway.ndeg[1][e]);
      ASSERT_EQ(rec[e].wgt, g.hewgts[e]);
      ASSERT_EQ(rec[e + 1].first - rec[e].first, g.eptr[e + 1] - g.eptr[e]);
    }
    ZBfree__(&rec);
    FreeHGraph__(graph);
  }
}

TEST(Gains, OnePinHyperedgeNeitherCountsInCutNorInGain) {
  zt::PlainHGraph g;
  g.nvtxs = 2;
  g.eptr = {0, 1, 3};
  g.eind = {0, 0, 1};
  g.hewgts = {5, 2};
  g.vwgts = {1, 1};
  HGraph *graph = MakeLevel(g);
  graph->where[0] = 0;
  graph->where[1] = 1;
  ComputeInitGains__(graph);
  EXPECT_EQ(graph->mincut, 2);
  EXPECT_EQ(graph->twoway.gain[0], 2);
  EXPECT_EQ(graph->twoway.gain[1], 2);
  FreeHGraph__(graph);
}

TEST(Gains, IncrementalMovesKeepStateExact) {
  std::mt19937 rng(5);
  for (const Case &c : Variety(24, 300)) {
    const zt::PlainHGraph g = zt::Generate(c.gs);
    HGraph *graph = MakeLevel(g);
    RandomSides(graph, rng);
    ComputeInitGains__(graph);
    int cut = graph->mincut;
    for (int step = 0; step < 3 * g.nvtxs; ++step) {
      const int v = std::uniform_int_distribution<int>(0, g.nvtxs - 1)(rng);
      cut -= graph->twoway.gain[v];  // the running cut follows the mover's gain
      UndoMoveExact__(graph, v);
    }
    graph->mincut = cut;
    ExpectExactFigures(g, graph);
    ExpectExactGains(graph);
    FreeHGraph__(graph);
  }
}

// FM's records name the single pin of a side without a walk; after every
// move, with some pins held, they report the same pins with the same old
// gains, in the same order, as the walk over graph->twoway.ndeg, and each side's
// pinxor is the exclusive or of its pins.
TEST(Gains, FMRecordMovesNotifyLikeTheWalkAndKeepPinXors) {
  std::mt19937 rng(11);
  for (const Case &c : Variety(24, 500)) {
    const zt::PlainHGraph g = zt::Generate(c.gs);
    HGraph *graph = MakeLevel(g);
    RandomSides(graph, rng, 0.3);
    FMHEdge *rec = CreateFMHEdges__(graph);
    ComputeFMGains__(graph, rec);
    std::vector<int> gain(graph->twoway.gain.get(), graph->twoway.gain + g.nvtxs);
    ComputeInitGains__(graph);
    std::vector<int> sides(graph->where.get(), graph->where + g.nvtxs);
    for (int step = 0; step < 2 * g.nvtxs; ++step) {
      const int v = std::uniform_int_distribution<int>(0, g.nvtxs - 1)(rng);
      if (sides[v] == kHeldSide) continue;
      const int f = graph->where[v], t = 1 - f;
      graph->where[v] = t;
      sides[v] = kHeldSide;
      std::vector<std::pair<int, int>> walked, recorded;
      UpdateMoveGains__(graph, v, f, t, sides.data(),
                        [&](int u, int old) { walked.push_back({u, old}); });
      const std::vector<int> walkgain(graph->twoway.gain.get(), graph->twoway.gain + g.nvtxs);
      std::copy(gain.begin(), gain.end(), graph->twoway.gain.get());
      UpdateMoveGains__(graph, FMHEdges{rec, graph->netind}, v, f, t, sides.data(),
                        [&](int u, int old) { recorded.push_back({u, old}); });
      ASSERT_EQ(recorded, walked) << "move of " << v;
      ASSERT_EQ(std::vector<int>(graph->twoway.gain.get(), graph->twoway.gain + g.nvtxs), walkgain);
      gain = walkgain;
    }
    for (int e = 0; e < g.nhedges(); ++e) {
      int x[2] = {0, 0};
      for (int j = g.eptr[e]; j < g.eptr[e + 1]; ++j) x[graph->where[g.eind[j]]] ^= g.eind[j];
      ASSERT_EQ(rec[e].pinxor[0], x[0]);
      ASSERT_EQ(rec[e].pinxor[1], x[1]);
      ASSERT_EQ(rec[e].ndeg[0], graph->twoway.ndeg[0][e]);
      ASSERT_EQ(rec[e].ndeg[1], graph->twoway.ndeg[1][e]);
    }
    ZBfree__(&rec);
    FreeHGraph__(graph);
  }
}

TEST(Gains, NoNeighbourGainChangesOnHyperedgeStayingCutEitherWay) {
  // Hyperedge of 7 pins, 3 on side 1 and 4 on side 0; vertex 0 moves to side 1,
  // leaving 4 on the destination and 3 on the origin.
  zt::PlainHGraph g;
  g.nvtxs = 7;
  g.eptr = {0, 7};
  g.eind = {0, 1, 2, 3, 4, 5, 6};
  g.hewgts = {3};
  g.vwgts.assign(7, 1);
  HGraph *graph = MakeLevel(g);
  const int sides[7] = {0, 0, 0, 0, 1, 1, 1};
  std::copy(sides, sides + 7, graph->where.get());
  ComputeInitGains__(graph);
  const std::vector<int> before(graph->twoway.gain.get(), graph->twoway.gain + 7);
  graph->where[0] = 1;
  int touched = 0;
  UpdateMoveGains__(graph, 0, 0, 1, graph->where, [&](int, int) { ++touched; });
  EXPECT_EQ(touched, 0);
  EXPECT_EQ(before, std::vector<int>(graph->twoway.gain.get(), graph->twoway.gain + 7));
  EXPECT_EQ(graph->twoway.ndeg[0][0], 3);
  EXPECT_EQ(graph->twoway.ndeg[1][0], 4);
  FreeHGraph__(graph);
}

TEST(Gains, SideBoundsUseTheirOwnPrecisionsAndTruncate) {
  CtrlType ctrl = MakeCtrl(0.5f, 0.05f);
  int minpwgt[2];
  // 0.5f - 0.05f rounds up to 45 in single precision; 1.0 - 0.5 - 0.05f in
  // double stays just below 45.
  ComputeMinPartWeights__(&ctrl, 100, minpwgt);
  EXPECT_EQ(minpwgt[0], 45);
  EXPECT_EQ(minpwgt[1], 44);
  ComputeMinPartWeights__(&ctrl, 0, minpwgt);
  EXPECT_EQ(minpwgt[0], 0);
  EXPECT_EQ(minpwgt[1], 0);
  ctrl = MakeCtrl(1.0f / 3, 0.1f);
  ComputeMinPartWeights__(&ctrl, 1000, minpwgt);
  EXPECT_EQ(minpwgt[0], static_cast<int>((1.0f / 3 - 0.1f) * 1000.0f));
  EXPECT_EQ(minpwgt[1], static_cast<int>((1.0 - double(1.0f / 3) - double(0.1f)) * 1000.0));
}

TEST(Gains, PositiveSideBoundBelowOneBecomesOne) {
  // UBfactor 49 on 60 unit vertices: 0.01 of the weight is 0.6 on either side.
  CtrlType ctrl = MakeCtrl(0.5f, 0.49f);
  int minpwgt[2];
  for (int total = 0; total <= 300; ++total) {
    ComputeMinPartWeights__(&ctrl, total, minpwgt);
    const double bound[2] = {(0.5f - 0.49f) * static_cast<float>(total),
                             (1.0 - 0.5 - double(0.49f)) * total};
    for (int s = 0; s < 2; ++s) {
      const int truncated = static_cast<int>(bound[s]);
      EXPECT_EQ(minpwgt[s], truncated == 0 && bound[s] > 0 ? 1 : truncated) << total;
    }
  }
  ComputeMinPartWeights__(&ctrl, 60, minpwgt);
  EXPECT_EQ(minpwgt[0], 1);
  EXPECT_EQ(minpwgt[1], 1);
  // A bound that is not positive stays as it is.
  ctrl = MakeCtrl(1.0f / 3, 0.49f);
  ComputeMinPartWeights__(&ctrl, 60, minpwgt);
  EXPECT_EQ(minpwgt[0], static_cast<int>((1.0f / 3 - 0.49f) * 60.0f));
}

TEST(Gains, RefinementMemoryCoversIslandsInWhereOnly) {
  const zt::PlainHGraph g = zt::Generate({});
  HGraph *graph = zt::ToHGraph(g);
  graph->nvtxs = 150;
  graph->nislands = 50;
  AllocateRefinementMemory__(graph);
  EXPECT_NE(graph->where, nullptr);
  graph->where[199] = 1;  // the sanitizer build checks the extents
  graph->twoway.gain[149] = 0;
  graph->twoway.ndeg[0][g.nhedges() - 1] = graph->twoway.ndeg[1][g.nhedges() - 1] = 0;
  FreeHGraph__(graph);
}

TEST(Gains, ConsistencyCheckRejectsAnyStaleGainOrSideCount) {
  std::mt19937 rng(5);
  for (const Case &c : Variety(6)) {
    const zt::PlainHGraph g = zt::Generate(c.gs);
    HGraph *graph = MakeLevel(g);
    RandomSides(graph, rng);
    ComputeInitGains__(graph);
    ASSERT_EQ(CheckDegrees(graph), 1);
    for (int v = 0; v < graph->nvtxs; v += 5) {
      graph->twoway.gain[v]++;
      EXPECT_EQ(CheckDegrees(graph), 0) << "gain of " << v;
      graph->twoway.gain[v]--;
    }
    for (int e = 0; e < graph->nhedges; e += 5)
      for (int side = 0; side < 2; ++side) {
        graph->twoway.ndeg[side][e]--;
        EXPECT_EQ(CheckDegrees(graph), 0) << "side " << side << " of " << e;
        graph->twoway.ndeg[side][e]++;
      }
    // A moved vertex whose gains were not brought up to date.
    graph->where[0] ^= 1;
    EXPECT_EQ(CheckDegrees(graph), graph->incptr[1] == graph->incptr[0] ? 1 : 0);
    graph->where[0] ^= 1;
    EXPECT_EQ(CheckDegrees(graph), 1);
    FreeHGraph__(graph);
  }
}
