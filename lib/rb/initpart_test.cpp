// Initial bisection: random fills of side 0, balancing and FM, smallest cut kept.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "rb/bisection_testing.h"
#include "rb/rb.h"
#include "refine2/refine2.h"
#include "testgen.h"

namespace {

using zt::Balanced;
using zt::BisectionCtrl;

// A small coarsest-level-like hypergraph with its incidence.
HGraph *Coarsest(const zt::PlainHGraph &g, int nfixed) {
  HGraph *graph = zt::ToHGraph(g);
  graph->nfixed = nfixed;
  CreateIncidentHGraph__(graph);
  return graph;
}

zt::PlainHGraph SmallGraph(unsigned seed) {
  zt::GenSpec gs;
  gs.seed = seed;
  gs.nvtxs = 40 + seed % 60;
  gs.nhedges = gs.nvtxs + 20;
  gs.maxsize = 2 + seed % 5;
  gs.maxvwgt = 1 + seed % 4;
  gs.maxhwgt = 1 + seed % 3;
  return zt::Generate(gs);
}

TEST(InitPartition, ResultIsBalancedBisectionWithExactCutAndWeights) {
  for (unsigned seed = 1; seed <= 80; seed++) {
    const zt::PlainHGraph g = SmallGraph(seed);
    HGraph *graph = Coarsest(g, 0);
    CtrlType ctrl = BisectionCtrl(seed % 3 == 0 ? 1.0f / 3 : 0.5f, 0.05f);
    ctrl.opt.GrownStarts = seed > 40;
    InitRandom__(&ctrl.ctx->rng, seed);
    InitPartition__(&ctrl, graph);

    for (int v = 0; v < g.nvtxs; v++) ASSERT_TRUE(graph->where[v] == 0 || graph->where[v] == 1);
    EXPECT_EQ(graph->mincut, zt::RecountCut(g, graph->where)) << seed;
    const std::vector<int> pw = zt::RecountPartWeights(g, graph->where, 2);
    EXPECT_EQ(graph->twoway.pwgts[0], pw[0]) << seed;
    EXPECT_EQ(graph->twoway.pwgts[1], pw[1]) << seed;
    EXPECT_TRUE(Balanced(ctrl, pw)) << seed << ": " << pw[0] << " " << pw[1];
    EXPECT_NE(graph->twoway.gain, nullptr);
    FreeHGraph__(graph);
  }
}

// The per-trial trace lists every trial's cut; the kept one is the smallest.
TEST(InitPartition, KeepsSmallestCutOfTheTrials) {
  for (int run = 0; run < 4; run++) {
    const int kwayfinish = run % 2, grown = run / 2;
    const zt::PlainHGraph g = SmallGraph(11 + kwayfinish);
    HGraph *graph = Coarsest(g, 0);
    CtrlType ctrl = BisectionCtrl(0.5f, 0.05f);
    ctrl.opt.KwayFinish = kwayfinish;
    ctrl.opt.GrownStarts = grown;
    ctrl.dbglvl = DBG_INITPART;
    InitRandom__(&ctrl.ctx->rng, 3);
    testing::internal::CaptureStdout();
    InitPartition__(&ctrl, graph);
    std::istringstream out(testing::internal::GetCapturedStdout());

    int ntrials = 0, best = -1, pw0, pw1, cut;
    std::string line;
    while (std::getline(out, line)) {
      if (std::sscanf(line.c_str(), "Bestcut Icut: %d", &cut) == 1) {
        EXPECT_EQ(cut, best);
        EXPECT_EQ(line, "Bestcut Icut: " + std::string(5 - std::to_string(cut).size(), ' ') +
                            std::to_string(cut));
        continue;
      }
      ASSERT_EQ(std::sscanf(line.c_str(), "%d %d %d", &pw0, &pw1, &cut), 3) << line;
      EXPECT_EQ(pw0 + pw1, zt::RecountPartWeights(g, graph->where, 2)[0] +
                               zt::RecountPartWeights(g, graph->where, 2)[1]);
      if (ntrials == 0 || cut < best) best = cut;
      ntrials++;
    }
    EXPECT_EQ(ntrials, (kwayfinish ? 20 : 10) * (grown ? 2 : 1));
    EXPECT_EQ(graph->mincut, best);
    EXPECT_EQ(zt::RecountCut(g, graph->where), best);
    EXPECT_EQ(ctrl.dbglvl, DBG_INITPART);
    FreeHGraph__(graph);
  }
}

TEST(InitPartition, RefinementTracesAreSilencedAndDebugLevelRestored) {
  const zt::PlainHGraph g = SmallGraph(5);
  HGraph *graph = Coarsest(g, 0);
  CtrlType ctrl = BisectionCtrl(0.5f, 0.05f);
  ctrl.dbglvl = DBG_REFINE | DBG_MOVEINFO;
  InitRandom__(&ctrl.ctx->rng, 1);
  testing::internal::CaptureStdout();
  InitPartition__(&ctrl, graph);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(ctrl.dbglvl, DBG_REFINE | DBG_MOVEINFO);
  FreeHGraph__(graph);
}

TEST(InitPartition, AnchorsSplitByTargetFractionStayOnTheirSides) {
  for (unsigned seed = 1; seed <= 40; seed++) {
    const zt::PlainHGraph g = SmallGraph(seed);
    HGraph *graph = Coarsest(g, 5);
    CtrlType ctrl = BisectionCtrl(0.4f, 0.05f);
    ctrl.opt.GrownStarts = seed > 20;
    InitRandom__(&ctrl.ctx->rng, seed);
    InitPartition__(&ctrl, graph);
    int on0 = 0;
    for (int v = 0; v < 5; v++) on0 += graph->where[v] == 0;
    EXPECT_EQ(on0, 2) << seed;  // (int)(5 * 0.4 + 0.4)
    EXPECT_EQ(graph->mincut, zt::RecountCut(g, graph->where));
    FreeHGraph__(graph);
  }
}

// A grown side on connected hypergraphs with anchors: the anchors keep their
// sides, the weights are exact, side 0 stops on first reaching its target,
// and its free vertices hang together, each sharing a hyperedge with one
// grown before it.
TEST(InitPartition, GrownSideIsOnePieceThatStopsAtItsTarget) {
  for (unsigned seed = 1; seed <= 30; seed++) {
    zt::PlainHGraph g = SmallGraph(seed);
    for (int v = 0; v + 1 < g.nvtxs; v++) {  // a path keeps it connected
      g.eind.insert(g.eind.end(), {v, v + 1});
      g.eptr.push_back(static_cast<int>(g.eind.size()));
      g.hewgts.push_back(1);
    }
    const int nfixed = seed % 2 == 0 ? 4 : 0;
    HGraph *graph = Coarsest(g, nfixed);
    AllocateRefinementMemory__(graph);
    int pw[2] = {0, 0};
    for (int v = 0; v < nfixed; v++) {
      graph->where[v] = v % 2;
      pw[v % 2] += g.vwgts[v];
    }
    const std::vector<int> all = zt::RecountPartWeights(g, std::vector<int>(g.nvtxs, 0).data(), 2);
    const int target0 = all[0] * 2 / 5;
    RandomStream rng;
    InitRandom__(&rng, static_cast<int>(seed));
    std::vector<int> queue(g.nvtxs);
    GrowSides__(&rng, graph, target0, queue.data(), pw);

    const std::vector<int> recount = zt::RecountPartWeights(g, graph->where, 2);
    EXPECT_EQ(pw[0], recount[0]) << seed;
    EXPECT_EQ(pw[1], recount[1]) << seed;
    for (int v = 0; v < nfixed; v++) EXPECT_EQ(graph->where[v], v % 2) << seed;
    const int heaviest = *std::max_element(g.vwgts.begin(), g.vwgts.end());
    EXPECT_GE(pw[0], target0) << seed;
    EXPECT_LT(pw[0] - heaviest, target0) << seed;
    // The free vertices of side 0 reached from one of them through shared
    // hyperedges are all of them.
    std::vector<char> reached(g.nvtxs, 0);
    std::vector<int> stack;
    for (int v = nfixed; v < g.nvtxs && stack.empty(); v++) {
      if (graph->where[v] == 0) {
        stack.push_back(v);
        reached[v] = 1;
      }
    }
    while (!stack.empty()) {
      const int u = stack.back();
      stack.pop_back();
      for (int e = 0; e < g.nhedges(); e++) {
        const auto first = g.eind.begin() + g.eptr[e], last = g.eind.begin() + g.eptr[e + 1];
        if (std::find(first, last, u) == last) continue;
        for (auto it = first; it != last; ++it) {
          if (*it < nfixed || graph->where[*it] != 0 || reached[*it]) continue;
          stack.push_back(*it);
          reached[*it] = 1;
        }
      }
    }
    for (int v = nfixed; v < g.nvtxs; v++) EXPECT_TRUE(graph->where[v] != 0 || reached[v]) << seed << ": " << v;
    FreeHGraph__(graph);
  }
}

TEST(InitPartition, SameSeedGivesSameBisection) {
  const zt::PlainHGraph g = SmallGraph(8);
  std::vector<int> first;
  for (int run = 0; run < 2; run++) {
    HGraph *graph = Coarsest(g, 0);
    CtrlType ctrl = BisectionCtrl(0.5f, 0.02f);
    InitRandom__(&ctrl.ctx->rng, 42);
    InitPartition__(&ctrl, graph);
    std::vector<int> where(graph->where.get(), graph->where + g.nvtxs);
    if (run == 0)
      first = where;
    else
      EXPECT_EQ(where, first);
    FreeHGraph__(graph);
  }
}

TEST(InitPartition, HeavyVertexAboveTargetStillEndsBalancedWhenPossible) {
  for (unsigned seed = 1; seed <= 10; seed++) {
    zt::GenSpec gs;
    gs.seed = seed;
    gs.nvtxs = 80;
    gs.nhedges = 120;
    gs.nheavy = 1;
    gs.heavywgt = 25;  // above the target of side 0, within its allowance
    const zt::PlainHGraph g = zt::Generate(gs);
    HGraph *graph = Coarsest(g, 0);
    CtrlType ctrl = BisectionCtrl(0.2f, 0.05f);
    ctrl.HeavyCells = 1;
    InitRandom__(&ctrl.ctx->rng, seed);
    InitPartition__(&ctrl, graph);
    const std::vector<int> pw = zt::RecountPartWeights(g, graph->where, 2);
    EXPECT_TRUE(Balanced(ctrl, pw)) << seed << ": " << pw[0] << " " << pw[1];
    EXPECT_EQ(graph->mincut, zt::RecountCut(g, graph->where));
    FreeHGraph__(graph);
  }
}

TEST(InitPartition, EmptyHypergraphGetsOnlyItsArraysAndNothingCut) {
  zt::PlainHGraph g;
  HGraph *graph = Coarsest(g, 0);
  CtrlType ctrl = BisectionCtrl(0.5f, 0.05f);
  ctrl.dbglvl = DBG_INITPART;
  testing::internal::CaptureStdout();
  InitPartition__(&ctrl, graph);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(graph->mincut, 0);
  FreeHGraph__(graph);
}

}  // namespace
