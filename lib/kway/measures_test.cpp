// Quality measures against brute-force recounts on generated partitions.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "kway/kway.h"
#include "testgen.h"

namespace {

std::vector<int> RandomParts(int nvtxs, int nparts, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<int> where(nvtxs);
  for (int &p : where) p = std::uniform_int_distribution<int>(0, nparts - 1)(rng);
  return where;
}

HGraph *Hand(int nvtxs, std::vector<int> eptr, std::vector<int> eind, std::vector<int> hewgts) {
  zt::PlainHGraph g;
  g.nvtxs = nvtxs;
  g.eptr = std::move(eptr);
  g.eind = std::move(eind);
  g.hewgts = std::move(hewgts);
  g.vwgts.assign(nvtxs, 1);
  return zt::ToHGraph(g);
}

TEST(Measures, CutAndSoedEqualRecountsOnGeneratedPartitions) {
  for (unsigned seed = 1; seed <= 40; seed++) {
    zt::GenSpec gs;
    gs.seed = seed;
    gs.nvtxs = 50 + 7 * seed;
    gs.nhedges = 80 + 5 * seed;
    gs.minsize = 1;
    gs.maxsize = 1 + seed % 9;
    gs.maxhwgt = 1 + seed % 5;
    gs.nislands = seed % 4;
    gs.nlarge = seed % 3;
    const zt::PlainHGraph g = zt::Generate(gs);
    HGraph *graph = zt::ToHGraph(g);
    const int nparts = 2 + seed % 7;
    const std::vector<int> where = RandomParts(g.nvtxs, nparts, seed);

    EXPECT_EQ(ComputeActualCut__(graph, where.data()), zt::RecountCut(g, where.data())) << seed;
    EXPECT_EQ(ComputeActualSOED__(graph, where.data()), zt::RecountSOED(g, where.data())) << seed;
    FreeHGraph__(graph);
  }
}

TEST(Measures, BalanceIsLighterSideShareOfTwoWayPartition) {
  for (unsigned seed = 1; seed <= 30; seed++) {
    zt::GenSpec gs;
    gs.seed = seed;
    gs.maxvwgt = 1 + seed % 10;
    const zt::PlainHGraph g = zt::Generate(gs);
    HGraph *graph = zt::ToHGraph(g);
    const std::vector<int> where = RandomParts(g.nvtxs, 2, seed + 100);
    const std::vector<int> w = zt::RecountPartWeights(g, where.data(), 2);
    const float expected = static_cast<float>(std::min(w[0], w[1]) * 1.0 / (w[0] + w[1]));
    EXPECT_EQ(ComputeBalance__(graph, where.data()), expected) << seed;
    FreeHGraph__(graph);
  }
}

TEST(Measures, BalanceOfThirtyAgainstSeventyIsPointThree) {
  HGraph *graph = Hand(2, {0, 2}, {0, 1}, {1});
  graph->cellwgt[0] = 70;
  graph->cellwgt[1] = 30;
  const int where[] = {0, 1};
  EXPECT_EQ(ComputeBalance__(graph, where), static_cast<float>(0.3));
  FreeHGraph__(graph);
}

TEST(Measures, HyperedgeOverPartsZeroZeroThreeCountsOnceInCutTwiceInSoed) {
  HGraph *graph = Hand(3, {0, 3}, {0, 1, 2}, {2});
  const int where[] = {0, 0, 3};
  EXPECT_EQ(ComputeActualCut__(graph, where), 2);
  EXPECT_EQ(ComputeActualSOED__(graph, where), 4);
  FreeHGraph__(graph);
}

TEST(Measures, SoedCountsEveryDistinctPartOfAHyperedge) {
  HGraph *graph = Hand(5, {0, 5, 7}, {0, 1, 2, 3, 4, 1, 3}, {3, 5});
  const int where[] = {4, 1, 4, 2, 0};
  EXPECT_EQ(ComputeActualCut__(graph, where), 8);
  EXPECT_EQ(ComputeActualSOED__(graph, where), 4 * 3 + 2 * 5);
  FreeHGraph__(graph);
}

TEST(Measures, SinglePinHyperedgeContributesNothing) {
  HGraph *graph = Hand(2, {0, 1, 2}, {0, 1}, {7, 9});
  const int where[] = {0, 1};
  EXPECT_EQ(ComputeActualCut__(graph, where), 0);
  EXPECT_EQ(ComputeActualSOED__(graph, where), 0);
  FreeHGraph__(graph);
}

TEST(Measures, HypergraphWithoutHyperedgesHasNothingCut) {
  HGraph *graph = Hand(3, {0}, {}, {});
  const int where[] = {0, 1, 2};
  EXPECT_EQ(ComputeActualCut__(graph, where), 0);
  EXPECT_EQ(ComputeActualSOED__(graph, where), 0);
  FreeHGraph__(graph);
}

TEST(Measures, HypergraphWithoutVerticesHasNothingCut) {
  HGraph *graph = Hand(0, {0, 0}, {}, {1});
  EXPECT_EQ(ComputeActualCut__(graph, nullptr), 0);
  EXPECT_EQ(ComputeActualSOED__(graph, nullptr), 0);
  FreeHGraph__(graph);
}

TEST(Measures, MeasuresLeaveHypergraphUnchanged) {
  zt::GenSpec gs;
  gs.maxhwgt = 4;
  gs.maxvwgt = 3;
  const zt::PlainHGraph g = zt::Generate(gs);
  HGraph *graph = zt::ToHGraph(g);
  const std::vector<int> where = RandomParts(g.nvtxs, 2, 9);
  ComputeActualCut__(graph, where.data());
  ComputeActualSOED__(graph, where.data());
  ComputeBalance__(graph, where.data());
  const zt::PlainHGraph after = zt::FromHGraph(graph);
  EXPECT_EQ(after.eptr, g.eptr);
  EXPECT_EQ(after.eind, g.eind);
  EXPECT_EQ(after.vwgts, g.vwgts);
  EXPECT_EQ(after.hewgts, g.hewgts);
  FreeHGraph__(graph);
}

}  // namespace
