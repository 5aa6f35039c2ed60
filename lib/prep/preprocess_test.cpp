#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "testgen.h"
#include "prep/prep.h"

namespace {

CtrlType PruningCtrl() {
  CtrlType ctrl{};
  ctrl.MaxNetSize = 50;
  return ctrl;
}

// Brute-force incidence: for every vertex, the hyperedges listing it, in
// increasing order, once per listing.
std::vector<std::vector<int>> Incidence(const zt::PlainHGraph &g) {
  std::vector<std::vector<int>> inc(g.nvtxs);
  for (int e = 0; e < g.nhedges(); ++e)
    for (int j = g.eptr[e]; j < g.eptr[e + 1]; ++j) inc[g.eind[j]].push_back(e);
  return inc;
}

void ExpectIncidence(const HGraph *graph, const zt::PlainHGraph &g) {
  auto inc = Incidence(g);
  ASSERT_EQ(graph->incptr[0], 0);
  for (int v = 0; v < g.nvtxs; ++v) {
    std::vector<int> got(graph->incind + graph->incptr[v], graph->incind + graph->incptr[v + 1]);
    ASSERT_EQ(got, inc[v]) << "vertex " << v;
    int adj = 0;
    for (int e : inc[v]) adj += g.hewgts[e];
    ASSERT_EQ(graph->adjwgt[v], adj);
  }
  for (int e = 0; e < g.nhedges(); ++e)
    ASSERT_EQ(graph->edgewgt[e], static_cast<float>(g.hewgts[e] * 1.0 / (g.eptr[e + 1] - g.eptr[e] - 1)));
}

}  // namespace

TEST(Preprocess, IncidenceIsTransposeOfPinLists) {
  for (unsigned seed = 1; seed <= 25; ++seed) {
    zt::GenSpec gs;
    gs.nvtxs = 20 + static_cast<int>(seed) * 11;
    gs.nhedges = 30 + static_cast<int>(seed) * 7;
    gs.maxsize = 2 + static_cast<int>(seed % 9);
    gs.maxhwgt = 7;
    gs.nislands = static_cast<int>(seed % 5);
    gs.seed = seed;
    zt::PlainHGraph g = zt::Generate(gs);
    // Transposed in ranges side by side or in one, the incidence is the same.
    for (int ntasks : {1, 2, 3, 7}) {
      HGraph *graph = zt::ToHGraph(g);
      const CallThreads__ threads(2);
      InParallel__([&] { CreateIncidentHGraph__(graph, ntasks); });
      ExpectIncidence(graph, g);
      FreeHGraph__(graph);
    }
  }
}

TEST(Preprocess, RepeatedPinAppearsTwiceAndIsolatedVertexHasNothing) {
  zt::PlainHGraph g;
  g.nvtxs = 4;
  g.eind = {0, 1, 1, 0, 3, 2};
  g.eptr = {0, 3, 5, 6};
  g.hewgts = {2, 3, 5};
  g.vwgts.assign(4, 1);
  HGraph *graph = zt::ToHGraph(g);
  CreateIncidentHGraph__(graph);
  ExpectIncidence(graph, g);
  EXPECT_EQ(graph->incptr[2] - graph->incptr[1], 2);  // vertex 1 twice in hyperedge 0
  EXPECT_TRUE(std::isinf(graph->edgewgt[2]));           // one pin: divided by zero
  FreeHGraph__(graph);
  g.eind = {0, 1};
  g.eptr = {0, 2};
  g.hewgts = {1};
  graph = zt::ToHGraph(g);
  CreateIncidentHGraph__(graph);
  EXPECT_EQ(graph->incptr[3], graph->incptr[4]);
  EXPECT_EQ(graph->adjwgt[3], 0);
  FreeHGraph__(graph);
}

TEST(Preprocess, PruningKeepsFiftyPinHyperedgesAndDropsFiftyOne) {
  zt::PlainHGraph g;
  g.nvtxs = 60;
  auto add = [&](int size, int w) {
    for (int k = 0; k < size; ++k) g.eind.push_back((k * 7) % 60);
    g.eptr.push_back(static_cast<int>(g.eind.size()));
    g.hewgts.push_back(w);
  };
  add(50, 1);
  add(51, 2);
  add(3, 3);
  add(52, 4);
  add(2, 5);
  for (int v = 0; v < 60; ++v) g.vwgts.push_back(1 + v % 3);
  HGraph *graph = zt::ToHGraph(g);
  graph->nfixed = 2;
  CreateIncidentHGraph__(graph);
  CtrlType ctrl = PruningCtrl();
  HGraph *pruned = PruneHGraph__(&ctrl, graph);
  ASSERT_NE(pruned, graph);
  EXPECT_EQ(pruned->nvtxs, 60);
  EXPECT_EQ(pruned->nfixed, 2);
  EXPECT_EQ(pruned->nhedges, 3);
  zt::PlainHGraph kept = zt::FromHGraph(pruned);
  EXPECT_EQ(kept.hewgts, (std::vector<int>{1, 3, 5}));
  EXPECT_EQ(kept.eptr, (std::vector<int>{0, 50, 53, 55}));
  EXPECT_EQ(kept.vwgts, g.vwgts);
  EXPECT_NE(pruned->cellwgt, graph->cellwgt);
  ExpectIncidence(pruned, kept);
  EXPECT_EQ(zt::FromHGraph(graph).eind, g.eind);  // the source is unchanged
  FreeHGraph__(pruned);
  FreeHGraph__(graph);
}

TEST(Preprocess, PruningEveryHyperedgeLeavesAllVertices) {
  zt::GenSpec gs;
  gs.nvtxs = 120;
  gs.nhedges = 0;
  gs.nlarge = 4;
  gs.seed = 9;
  zt::PlainHGraph g = zt::Generate(gs);
  HGraph *graph = zt::ToHGraph(g);
  CtrlType ctrl = PruningCtrl();
  HGraph *pruned = PruneHGraph__(&ctrl, graph);
  EXPECT_EQ(pruned->nhedges, 0);
  EXPECT_EQ(pruned->nvtxs, 120);
  EXPECT_EQ(pruned->netptr[0], 0);
  for (int v = 0; v < 120; ++v) EXPECT_EQ(pruned->adjwgt[v], 0);
  FreeHGraph__(pruned);
  FreeHGraph__(graph);
}

TEST(Preprocess, PrunedCopyMatchesFilteredSourceOnGeneratedHypergraphs) {
  for (unsigned seed = 1; seed <= 10; ++seed) {
    zt::GenSpec gs;
    gs.nvtxs = 300;
    gs.nhedges = 200;
    gs.nlarge = static_cast<int>(seed);
    gs.largesize = 70;
    gs.maxhwgt = 4;
    gs.seed = seed;
    zt::PlainHGraph g = zt::Generate(gs);
    zt::PlainHGraph expect;
    expect.nvtxs = g.nvtxs;
    for (int e = 0; e < g.nhedges(); ++e) {
      if (g.eptr[e + 1] - g.eptr[e] > 50) continue;
      expect.eind.insert(expect.eind.end(), g.eind.begin() + g.eptr[e], g.eind.begin() + g.eptr[e + 1]);
      expect.eptr.push_back(static_cast<int>(expect.eind.size()));
      expect.hewgts.push_back(g.hewgts[e]);
    }
    expect.vwgts = g.vwgts;
    HGraph *graph = zt::ToHGraph(g);
    CtrlType ctrl = PruningCtrl();
    HGraph *pruned = PruneHGraph__(&ctrl, graph);
    zt::PlainHGraph got = zt::FromHGraph(pruned);
    EXPECT_EQ(got.eptr, expect.eptr);
    EXPECT_EQ(got.eind, expect.eind);
    EXPECT_EQ(got.hewgts, expect.hewgts);
    ExpectIncidence(pruned, expect);
    FreeHGraph__(pruned);
    FreeHGraph__(graph);
  }
}

// A level set aside gives back every array as it was: the incidence in its
// order, pins, hyperedge starts and all weights, islands included, whether
// it is packed in one range or in ranges side by side.
TEST(Preprocess, ALevelSetAsideComesBackAsItWas) {
  for (int nthreads : {1, 3}) {
    for (unsigned seed = 1; seed <= 4; ++seed) {
      zt::GenSpec gs;
      gs.nvtxs = seed == 4 ? 30000 : 50 + 40 * static_cast<int>(seed);
      // Hyperedge numbers of two bytes, then of three.
      gs.nhedges = seed == 4 ? 70000 : seed == 3 ? 300 : 80 + 30 * static_cast<int>(seed);
      gs.maxsize = seed == 4 ? 6 : 9;
      gs.maxvwgt = 1000;
      gs.maxhwgt = 300;
      gs.nislands = 5 * static_cast<int>(seed);
      gs.seed = seed;
      // A coarse level lists each hyperedge's pins ascending.
      zt::PlainHGraph g = zt::Generate(gs);
      for (int e = 0; e < g.nhedges(); ++e)
        std::sort(g.eind.begin() + g.eptr[e], g.eind.begin() + g.eptr[e + 1]);
      HGraph *graph = zt::ToHGraph(g);
      graph->nfixed = 2;
      graph->level = 1;
      CreateIncidentHGraph__(graph);
      SeparateIslands__(graph);
      const int n = graph->nvtxs + graph->nislands, m = graph->nhedges;
      const int npins = graph->netptr[m];
      auto copy = [](const int *a, int len) { return std::vector<int>(a, a + len); };
      const auto incptr = copy(graph->incptr, graph->nvtxs + 1), incind = copy(graph->incind, npins),
                 netptr = copy(graph->netptr, m + 1), netind = copy(graph->netind, npins),
                 cellwgt = copy(graph->cellwgt, n), netwgt = copy(graph->netwgt, m),
                 adjwgt = copy(graph->adjwgt, n);

      CtrlType ctrl{};
      ctrl.pinsaside = 1;
      ctrl.alone = true;
      const CallThreads__ threads(nthreads);
      InParallel__([&] {
        SetLevelAside__(&ctrl, graph);
        ASSERT_TRUE(graph->aside.Holds());
        ASSERT_EQ(graph->aside.nranges, npins >= kTaskPins ? nthreads : 1);
        ASSERT_TRUE(graph->netind.get() == nullptr);
        ASSERT_TRUE(graph->incind.get() == nullptr);
        RestoreLevel__(graph);
      });
      EXPECT_FALSE(graph->aside.Holds());
      EXPECT_EQ(copy(graph->incptr, graph->nvtxs + 1), incptr) << seed;
      EXPECT_EQ(graph->incptr[n], npins);
      EXPECT_EQ(copy(graph->incind, npins), incind) << seed;
      EXPECT_EQ(copy(graph->netptr, m + 1), netptr) << seed;
      EXPECT_EQ(copy(graph->netind, npins), netind) << seed;
      EXPECT_EQ(copy(graph->cellwgt, n), cellwgt) << seed;
      EXPECT_EQ(copy(graph->netwgt, m), netwgt) << seed;
      EXPECT_EQ(copy(graph->adjwgt, n), adjwgt) << seed;
      FreeHGraph__(graph);
    }
  }
}
