#include <gtest/gtest.h>

#include <random>

#include "level_checks_test.h"

namespace {

HGraph *WithPartition(const zt::PlainHGraph &p, int nfixed, int nparts, unsigned seed,
                      std::vector<int> &where) {
  HGraph *graph = ct::Prepared(p, nfixed);
  std::mt19937 rng(seed);
  where.resize(p.nvtxs);
  for (int &w : where) w = (int)(rng() % nparts);
  graph->where = imalloc__(p.nvtxs, "test: where");
  std::copy(where.begin(), where.end(), graph->where.get());
  return graph;
}

// Follows the partition from the top level through every cellmap: each group
// lies within one part, no hyperedge across parts vanishes, and the coarsest
// level holds exactly the inherited parts.
std::string CheckPartsCarried(HGraph *top, const std::vector<int> &where) {
  std::vector<int> part(top->nvtxs + top->nislands);
  for (size_t v = 0; v < where.size(); ++v)
    part[top->islandmap ? top->islandmap[v] : (int)v] = where[v];
  HGraph *g = top;
  for (; g->coarser != nullptr; g = g->coarser) {
    if (g->where != nullptr) return "a finer level kept its where";
    HGraph *c = g->coarser;
    std::vector<int> cpart(c->nvtxs + c->nislands, -1);
    for (int v = 0; v < g->nvtxs; ++v) {
      int &cp = cpart[g->maps.cellmap[v]];
      if (cp != -1 && cp != part[v]) return "a group mixes parts";
      cp = part[v];
    }
    for (int e = 0; e < g->nhedges; ++e)
      for (int j = g->netptr[e] + 1; j < g->netptr[e + 1]; ++j)
        if (part[g->netind[j]] != part[g->netind[g->netptr[e]]] && g->maps.netmap[e] == -1)
          return "a hyperedge across parts vanished";
    part = cpart;
  }
  if (!std::equal(part.begin(), part.end(), g->where.get())) return "coarsest where differs";
  return "";
}

class BothCSchemes : public ::testing::TestWithParam<int> {};

TEST_P(BothCSchemes, GroupsStayWithinPartsOnEveryLevel) {
  for (unsigned seed = 1; seed <= 6; ++seed) {
    zt::GenSpec gs;
    gs.nvtxs = 1200;
    gs.nhedges = 1500;
    gs.maxsize = 8;
    gs.maxvwgt = seed % 2 ? 1 : 6;
    gs.maxhwgt = 3;
    gs.nislands = 20 * (seed % 3);
    gs.nlarge = seed % 2 ? 0 : 10;
    gs.seed = seed;
    const zt::PlainHGraph p = zt::Generate(gs);
    std::vector<int> where;
    HGraph *graph = WithPartition(p, seed % 3 == 0 ? 2 : 0, seed % 2 ? 2 : 4, seed, where);
    CtrlType ctrl = ct::MakeCtrl(GetParam(), 60);
    ctrl.maxcellwgt = ct::MaxCellWgt(ctrl.CoarsenTo, graph);
    InitRandom__(&ctrl.ctx->rng, (int)seed);
    CCoarsen__(&ctrl, graph);
    SCOPED_TRACE("seed " + std::to_string(seed));
    EXPECT_GE(ct::Levels(graph).size(), 2u);
    EXPECT_EQ(ct::CheckChain(ctrl, graph, {true, GetParam() == 1 ? 2 : 0}), "");
    EXPECT_EQ(ct::CheckStops(ctrl, graph, false), "");
    EXPECT_EQ(CheckPartsCarried(graph, where), "");
    ct::FreeBelow(graph);
    FreeHGraph__(graph);
  }
}

TEST_P(BothCSchemes, SameSeedGivesTheSameChain) {
  zt::GenSpec gs;
  gs.nvtxs = 800;
  gs.nhedges = 1000;
  const zt::PlainHGraph p = zt::Generate(gs);
  std::vector<std::vector<int>> snaps;
  for (int seed : {4, 4, 5}) {
    std::vector<int> where;
    HGraph *graph = WithPartition(p, 0, 2, 1, where);
    CtrlType ctrl = ct::MakeCtrl(GetParam(), 60);
    ctrl.maxcellwgt = ct::MaxCellWgt(ctrl.CoarsenTo, graph);
    InitRandom__(&ctrl.ctx->rng, seed);
    CCoarsen__(&ctrl, graph);
    snaps.push_back(ct::Snapshot(graph));
    ct::FreeBelow(graph);
    FreeHGraph__(graph);
  }
  EXPECT_EQ(snaps[0], snaps[1]);
  EXPECT_NE(snaps[0], snaps[2]);
}

INSTANTIATE_TEST_SUITE_P(Codes, BothCSchemes, ::testing::Values(0, 1));

TEST(CCoarsen, StallWithinPartsEndsAtTheFirstStep) {
  // A path whose neighbours always lie in different parts: nothing can merge.
  zt::PlainHGraph p;
  p.nvtxs = 200;
  for (int v = 0; v + 1 < p.nvtxs; ++v) {
    p.eind.push_back(v);
    p.eind.push_back(v + 1);
    p.eptr.push_back((int)p.eind.size());
    p.hewgts.push_back(1);
  }
  p.vwgts.assign(p.nvtxs, 1);
  for (int ctype : {0, 1}) {
    HGraph *graph = ct::Prepared(p);
    graph->where = imalloc__(p.nvtxs, "test: where");
    for (int v = 0; v < p.nvtxs; ++v) graph->where[v] = v % 2;
    CtrlType ctrl = ct::MakeCtrl(ctype, 20);
    ctrl.maxcellwgt = 10;
    ctrl.dbglvl = DBG_COARSEN;
    ::testing::internal::CaptureStdout();
    HGraph *coarsest = CCoarsen__(&ctrl, graph);
    fflush(stdout);
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(coarsest->level, 1);
    EXPECT_EQ(coarsest->nvtxs, 200);
    EXPECT_NE(out.find("\nSlow progress in coarsening. Aborted at 200 nodes\n\n"), std::string::npos);
    ct::FreeBelow(graph);
    FreeHGraph__(graph);
  }
}

TEST(CCoarsen, SmallHypergraphKeepsItsPartition) {
  zt::GenSpec gs;
  gs.nvtxs = 50;
  std::vector<int> where;
  HGraph *graph = WithPartition(zt::Generate(gs), 0, 2, 3, where);
  CtrlType ctrl = ct::MakeCtrl(0, 1000);
  EXPECT_EQ(CCoarsen__(&ctrl, graph), graph);
  EXPECT_TRUE(std::equal(where.begin(), where.end(), graph->where.get()));
  FreeHGraph__(graph);
}

TEST(CCoarsen, UnknownSchemeIsFatal) {
  zt::GenSpec gs;
  std::vector<int> where;
  HGraph *graph = WithPartition(zt::Generate(gs), 0, 2, 3, where);
  CtrlType ctrl = ct::MakeCtrl(2, 10);
  ctrl.maxcellwgt = 10;
  EXPECT_EXIT(CCoarsen__(&ctrl, graph), ::testing::ExitedWithCode(1), "Unknown matching type! 2");
  FreeHGraph__(graph);
}

}  // namespace
