#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "level_checks_test.h"

namespace {

// Hangs a coarser level built from the grouping given by cellmap (groups
// numbered 0 .. cnvtxs-1, members by increasing vertex number).
void GroupAndBuild(CtrlType &ctrl, HGraph *graph, const std::vector<int> &cellmap, int cnvtxs) {
  const int n = graph->nvtxs;
  graph->maps.cellmap = imalloc__(n, "test: cellmap");
  graph->maps.mptr = ismalloc__(cnvtxs + 1, 0, "test: mptr");
  graph->maps.mind = imalloc__(n, "test: mind");
  std::copy(cellmap.begin(), cellmap.end(), graph->maps.cellmap.get());
  for (int v = 0; v < n; ++v) ++graph->maps.mptr[cellmap[v] + 1];
  for (int c = 0; c < cnvtxs; ++c) graph->maps.mptr[c + 1] += graph->maps.mptr[c];
  std::vector<int> pos(graph->maps.mptr.get(), graph->maps.mptr + cnvtxs);
  for (int v = 0; v < n; ++v) graph->maps.mind[pos[cellmap[v]]++] = v;
  CreateCoarseHGraph__(&ctrl, graph, cnvtxs);
}

HGraph *Hand(int nvtxs, const std::vector<std::vector<int>> &hedges, const std::vector<int> &wgts) {
  zt::PlainHGraph p;
  p.nvtxs = nvtxs;
  for (const auto &h : hedges) {
    p.eind.insert(p.eind.end(), h.begin(), h.end());
    p.eptr.push_back((int)p.eind.size());
  }
  p.hewgts = wgts;
  p.vwgts.assign(nvtxs, 1);
  return ct::Prepared(p);
}

std::vector<int> Pins(const HGraph *g, int d) {
  return std::vector<int>(g->netind + g->netptr[d], g->netind + g->netptr[d + 1]);
}

// Output weights of CollapseSameHEdges__ on p.
std::vector<int> CollapseKeyProbe(const zt::PlainHGraph &p) {
  std::vector<int> netind = p.eind;
  int n = 0;
  int *nptr = nullptr, *nind = nullptr, *nwgt = nullptr;
  CollapseSameHEdges__(p.nhedges(), p.eptr.data(), netind.data(), p.hewgts.data(), &n, &nptr,
                       &nind, &nwgt);
  std::vector<int> w(nwgt, nwgt + n);
  ZBfree__(&nptr, &nind, &nwgt);
  return w;
}

std::vector<int> Identity(int n) {
  std::vector<int> v(n);
  std::iota(v.begin(), v.end(), 0);
  return v;
}

TEST(CreateCoarseHGraph, RandomGroupingsGiveFaithfulCoarseLevels) {
  std::mt19937 rng(3);
  for (int round = 0; round < 40; ++round) {
    zt::GenSpec gs;
    gs.nvtxs = 150;
    gs.nhedges = 250;
    gs.maxsize = 8;
    gs.maxvwgt = 4;
    gs.maxhwgt = 6;
    gs.seed = 100 + round;
    HGraph *graph = ct::Prepared(zt::Generate(gs));
    graph->removedwgt = round;  // accumulates over levels
    // Few coarse vertices, so that many hyperedges vanish or coincide.
    const int cnvtxs = 3 + round;
    std::vector<int> cellmap(graph->nvtxs);
    for (int v = 0; v < graph->nvtxs; ++v) cellmap[v] = v < cnvtxs ? v : (int)(rng() % cnvtxs);
    CtrlType ctrl = ct::MakeCtrl(5, 100);
    GroupAndBuild(ctrl, graph, cellmap, cnvtxs);
    ct::LevelRules rules;
    rules.scheme = false;
    EXPECT_EQ(ct::CheckLevel(ctrl, graph, graph->coarser, rules), "");
    // Identical coarse hyperedges were merged: no two coarse pin lists agree.
    std::map<std::vector<int>, int> seen;
    for (int d = 0; d < graph->coarser->nhedges; ++d)
      EXPECT_EQ(seen[Pins(graph->coarser, d)]++, 0);
    ct::FreeBelow(graph);
    FreeHGraph__(graph);
  }
}

// Everything a coarse level holds, and the finer level's hyperedge map.
std::vector<std::vector<double>> LevelArrays(const HGraph *g) {
  const HGraph *c = g->coarser;
  auto ints = [](const int *a, int n) { return std::vector<double>(a, a + n); };
  return {ints(g->maps.netmap, g->nhedges),
          {(double)c->nvtxs, (double)c->nhedges, (double)c->removedwgt},
          ints(c->netptr, c->nhedges + 1),
          ints(c->netind, c->netptr[c->nhedges]),
          ints(c->netwgt, c->nhedges),
          std::vector<double>(c->edgewgt.get(), c->edgewgt + c->nhedges),
          ints(c->incptr, c->nvtxs + 1),
          ints(c->incind, c->incptr[c->nvtxs]),
          ints(c->cellwgt, c->nvtxs),
          ints(c->adjwgt, c->nvtxs)};
}

// A phase that has the call's threads to itself builds large coarse levels in
// tasks side by side; they are the ones built in one pass, for any number of
// threads, with wide hyperedges, vanishing ones and duplicates among them.
TEST(CreateCoarseHGraph, InTasksEqualsTheOnePassLevel) {
  std::mt19937 rng(11);
  for (int round = 0; round < 3; ++round) {
    zt::GenSpec gs;
    gs.nvtxs = 20000;
    gs.nhedges = 30000;
    gs.maxsize = 8;
    gs.maxvwgt = 3;
    gs.maxhwgt = 4;
    gs.nlarge = 40;
    gs.largesize = 3000;
    gs.seed = 200 + round;
    HGraph *graph = ct::Prepared(zt::Generate(gs));
    ASSERT_GE(graph->netptr[graph->nhedges], 1 << 16);
    const int cnvtxs = round == 0 ? 300 : 2000 * round;
    std::vector<int> cellmap(graph->nvtxs);
    for (int v = 0; v < graph->nvtxs; ++v) cellmap[v] = v < cnvtxs ? v : (int)(rng() % cnvtxs);
    CtrlType ctrl = ct::MakeCtrl(5, 100);
    GroupAndBuild(ctrl, graph, cellmap, cnvtxs);
    const auto once = LevelArrays(graph);
    for (int nthreads : {2, 3}) {
      ct::FreeBelow(graph);
      ctrl.alone = true;
      const CallThreads__ threads(nthreads);
      InParallel__([&] { GroupAndBuild(ctrl, graph, cellmap, cnvtxs); });
      EXPECT_EQ(LevelArrays(graph), once) << nthreads << " threads, round " << round;
    }
    ct::FreeBelow(graph);
    FreeHGraph__(graph);
  }
}

// Wide hyperedges (read off in vertex order) and narrow ones (sorted) both
// come out as the ascending set of their pins' coarse vertices.
TEST(CreateCoarseHGraph, WideAndNarrowHyperedgesListTheirCoarseVerticesAscending) {
  std::mt19937 rng(7);
  for (int round = 0; round < 12; ++round) {
    const int nvtxs = 400, cnvtxs = 40 + 30 * round;
    std::vector<std::vector<int>> hedges;
    for (int e = 0; e < 60; ++e) {
      const int size = e % 3 == 0 ? 100 + (int)(rng() % 200) : 2 + (int)(rng() % 6);
      std::vector<int> pins;
      for (int v = 0; v < nvtxs; ++v)
        if ((int)(rng() % nvtxs) < size) pins.push_back(v);
      if (pins.size() < 2) pins = {e % nvtxs, (e + 1) % nvtxs};
      std::shuffle(pins.begin(), pins.end(), rng);
      hedges.push_back(pins);
    }
    HGraph *graph = Hand(nvtxs, hedges, std::vector<int>(hedges.size(), 1));
    std::vector<int> cellmap(nvtxs);
    for (int v = 0; v < nvtxs; ++v) cellmap[v] = v < cnvtxs ? v : (int)(rng() % cnvtxs);
    CtrlType ctrl = ct::MakeCtrl(5, 100);
    GroupAndBuild(ctrl, graph, cellmap, cnvtxs);
    for (int e = 0; e < graph->nhedges; ++e) {
      std::set<int> coarse;
      for (int v : hedges[e]) coarse.insert(cellmap[v]);
      if (coarse.size() == 1) {
        EXPECT_EQ(graph->maps.netmap[e], -1);
        continue;
      }
      ASSERT_NE(graph->maps.netmap[e], -1);
      EXPECT_EQ(Pins(graph->coarser, graph->maps.netmap[e]),
                std::vector<int>(coarse.begin(), coarse.end()));
    }
    ct::FreeBelow(graph);
    FreeHGraph__(graph);
  }
}

TEST(CreateCoarseHGraph, HyperedgeInsideOneCoarseVertexVanishes) {
  HGraph *graph = Hand(4, {{0, 1}, {1, 2, 3}}, {5, 2});
  CtrlType ctrl = ct::MakeCtrl(5, 100);
  GroupAndBuild(ctrl, graph, {0, 0, 1, 1}, 2);
  HGraph *c = graph->coarser;
  EXPECT_EQ(graph->maps.netmap[0], -1);
  EXPECT_EQ(graph->maps.netmap[1], 0);
  EXPECT_EQ(c->removedwgt, 5);
  EXPECT_EQ(c->nhedges, 1);
  EXPECT_EQ(c->adjwgt[0], 2);
  EXPECT_EQ(c->adjwgt[1], 2);
  ct::FreeBelow(graph);
  FreeHGraph__(graph);
}

TEST(CreateCoarseHGraph, PermutedDuplicatesMergeWithSummedWeight) {
  HGraph *graph = Hand(4, {{1, 2, 3}, {0, 3}, {3, 2, 1}}, {1, 1, 4});
  CtrlType ctrl = ct::MakeCtrl(5, 100);
  GroupAndBuild(ctrl, graph, Identity(4), 4);
  HGraph *c = graph->coarser;
  ASSERT_EQ(c->nhedges, 2);
  EXPECT_EQ(graph->maps.netmap[0], graph->maps.netmap[2]);
  EXPECT_EQ(c->netwgt[graph->maps.netmap[0]], 5);
  EXPECT_EQ(Pins(c, graph->maps.netmap[0]), (std::vector<int>{1, 2, 3}));
  ct::FreeBelow(graph);
  FreeHGraph__(graph);
}

TEST(CreateCoarseHGraph, CoarseHyperedgesAreNumberedByKeyOrder) {
  // Keys: {0,3} -> (1*0 + 2*3)*100 + 2 = 602, {1,2} -> (1*1 + 2*2)*100 + 2 = 502.
  HGraph *graph = Hand(4, {{0, 3}, {1, 2}}, {1, 1});
  CtrlType ctrl = ct::MakeCtrl(5, 100);
  GroupAndBuild(ctrl, graph, Identity(4), 4);
  EXPECT_EQ(graph->maps.netmap[0], 1);
  EXPECT_EQ(graph->maps.netmap[1], 0);
  EXPECT_EQ(Pins(graph->coarser, 0), (std::vector<int>{1, 2}));
  ct::FreeBelow(graph);
  FreeHGraph__(graph);
}

TEST(CollapseSameHEdges, OutputIsNumberedByKeyOrder) {
  // Keys: {4,0} -> (100+0 + 200+4)*100 + 2 = 30402, {2,1} -> 30302, {5} -> 10501.
  const int netptr[] = {0, 2, 4, 5};
  int netind[] = {4, 0, 2, 1, 5};
  const int netwgt[] = {1, 2, 3};
  int n = 0;
  int *nptr = nullptr, *nind = nullptr, *nwgt = nullptr;
  CollapseSameHEdges__(3, netptr, netind, netwgt, &n, &nptr, &nind, &nwgt);
  ASSERT_EQ(n, 3);
  EXPECT_EQ(std::vector<int>(nind, nind + 5), (std::vector<int>{5, 1, 2, 0, 4}));
  EXPECT_EQ(std::vector<int>(nwgt, nwgt + 3), (std::vector<int>{3, 2, 1}));
  EXPECT_EQ(std::vector<int>(netind, netind + 5), (std::vector<int>{0, 4, 1, 2, 5}));
  ZBfree__(&nptr, &nind, &nwgt);
}

TEST(CreateCoarseHGraph, MergeScanPassesEqualKeysWithOtherPins) {
  // {0,4} and {2,3} share the key 802; the second {0,4} behind {2,3} still merges.
  HGraph *graph = Hand(5, {{0, 4}, {2, 3}, {4, 0}}, {1, 2, 3});
  CtrlType ctrl = ct::MakeCtrl(5, 100);
  GroupAndBuild(ctrl, graph, Identity(5), 5);
  HGraph *c = graph->coarser;
  ASSERT_EQ(c->nhedges, 2);
  EXPECT_EQ(graph->maps.netmap[0], 0);
  EXPECT_EQ(graph->maps.netmap[1], 1);
  EXPECT_EQ(graph->maps.netmap[2], 0);
  EXPECT_EQ(c->netwgt[0], 4);
  ct::FreeBelow(graph);
  FreeHGraph__(graph);
}

TEST(CreateCoarseHGraph, KeysWrapAroundWithoutTrouble) {
  // Two 50-pin hyperedges on the last vertices: the key exceeds 2^31.
  const int n = 20000;
  zt::PlainHGraph p;
  p.nvtxs = n;
  for (int v = n - 50; v < n; ++v) p.eind.push_back(v);
  for (int v = n - 1; v >= n - 50; --v) p.eind.push_back(v);
  p.eptr = {0, 50, 100};
  p.hewgts = {1, 2};
  p.vwgts.assign(n, 1);
  HGraph *graph = ct::Prepared(p);
  CtrlType ctrl = ct::MakeCtrl(5, 100);
  GroupAndBuild(ctrl, graph, Identity(n), n);
  EXPECT_EQ(graph->coarser->nhedges, 1);
  EXPECT_EQ(graph->coarser->netwgt[0], 3);
  std::vector<int> s(CollapseKeyProbe(p));
  EXPECT_EQ(s.size(), 1u);
  ct::FreeBelow(graph);
  FreeHGraph__(graph);
}

TEST(CollapseSameHEdges, MergesEveryRepeatedPinSetAndSortsThePins) {
  std::mt19937 rng(8);
  for (int round = 0; round < 30; ++round) {
    zt::GenSpec gs;
    gs.nvtxs = 30;
    gs.nhedges = 60;
    gs.minsize = 1;
    gs.maxsize = 4;
    gs.maxhwgt = 9;
    gs.seed = 200 + round;
    zt::PlainHGraph p = zt::Generate(gs);
    // Append shuffled copies of random hyperedges.
    for (int k = 0; k < 40; ++k) {
      const int e = (int)(rng() % p.nhedges());
      std::vector<int> pins(p.eind.begin() + p.eptr[e], p.eind.begin() + p.eptr[e + 1]);
      std::shuffle(pins.begin(), pins.end(), rng);
      p.eind.insert(p.eind.end(), pins.begin(), pins.end());
      p.eptr.push_back((int)p.eind.size());
      p.hewgts.push_back(1 + (int)(rng() % 5));
    }
    std::map<std::vector<int>, long long> expected;
    for (int e = 0; e < p.nhedges(); ++e) {
      std::vector<int> pins(p.eind.begin() + p.eptr[e], p.eind.begin() + p.eptr[e + 1]);
      std::sort(pins.begin(), pins.end());
      expected[pins] += p.hewgts[e];
    }
    std::vector<int> netind = p.eind;
    int n = 0;
    int *nptr = nullptr, *nind = nullptr, *nwgt = nullptr;
    CollapseSameHEdges__(p.nhedges(), p.eptr.data(), netind.data(), p.hewgts.data(), &n, &nptr,
                         &nind, &nwgt);
    for (int e = 0; e < p.nhedges(); ++e)
      EXPECT_TRUE(std::is_sorted(netind.begin() + p.eptr[e], netind.begin() + p.eptr[e + 1]));
    std::map<std::vector<int>, long long> got;
    for (int d = 0; d < n; ++d) {
      std::vector<int> pins(nind + nptr[d], nind + nptr[d + 1]);
      EXPECT_EQ(got.count(pins), 0u) << "a repeated pin set stayed apart";
      got[pins] += nwgt[d];
    }
    EXPECT_EQ(got, expected);
    ZBfree__(&nptr, &nind, &nwgt);
  }
}

TEST(NumOfLargeNets, CountsHyperedgesOfMoreThanThreePins) {
  const int netptr[] = {0, 3, 7, 9, 14};
  EXPECT_EQ(NumOfLargeNets__(4, netptr), 2);
}

}  // namespace
