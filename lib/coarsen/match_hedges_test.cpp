#include <gtest/gtest.h>

#include <set>

#include "level_checks_test.h"

namespace {

using Scheme = void (*)(const CtrlType *, HGraph *, int *, int *, int *);

// One grouping step by scheme on a generated hypergraph with the driver's work arrays.
HGraph *OneStep(Scheme scheme, const zt::GenSpec &gs, int seed, CtrlType &ctrl) {
  HGraph *graph = ct::Prepared(zt::Generate(gs));
  const int m = std::max(graph->nvtxs, graph->nhedges);
  std::vector<int> htable(2 * m, -1), perm(m), vpairs(2 * m);
  ctrl.maxcellwgt = ct::MaxCellWgt(ctrl.CoarsenTo, graph);
  InitRandom__(&ctrl.ctx->rng, seed);
  scheme(&ctrl, graph, perm.data(), htable.data(), vpairs.data());
  EXPECT_EQ(htable, std::vector<int>(2 * m, -1));
  return graph;
}

// For every group of more than maxpair vertices: the largest share it has of
// one hyperedge's pins (1 = it is that whole hyperedge).
std::vector<double> GroupShares(const HGraph *g, int maxpair) {
  std::vector<double> shares;
  for (int c = 0; g->maps.mptr[c] < g->nvtxs; ++c) {
    const int size = g->maps.mptr[c + 1] - g->maps.mptr[c];
    if (size <= maxpair) continue;
    const std::set<int> members(g->maps.mind + g->maps.mptr[c], g->maps.mind + g->maps.mptr[c + 1]);
    double best = 0;
    for (int e = 0; e < g->nhedges; ++e) {
      const int pins = g->netptr[e + 1] - g->netptr[e];
      int inside = 0;
      for (int j = g->netptr[e]; j < g->netptr[e + 1]; ++j) inside += members.count(g->netind[j]);
      if (inside == size) best = std::max(best, (double)size / pins);
    }
    shares.push_back(best);
  }
  return shares;
}

zt::GenSpec Shape(unsigned seed) {
  zt::GenSpec gs;
  gs.nvtxs = 600;
  gs.nhedges = 500;
  gs.minsize = 2;
  gs.maxsize = 9;
  gs.maxhwgt = 3;
  gs.maxvwgt = 2;
  gs.seed = seed;
  return gs;
}

TEST(MatchHedges, GroupsAreWholeHyperedgesOrSingleVertices) {
  for (unsigned seed = 1; seed <= 5; ++seed) {
    CtrlType ctrl = ct::MakeCtrl(6, 100);
    HGraph *g = OneStep(Match_Hedges__, Shape(seed), (int)seed, ctrl);
    EXPECT_EQ(ct::CheckLevel(ctrl, g, g->coarser), "");
    for (double share : GroupShares(g, 1)) EXPECT_EQ(share, 1.0);
    ct::FreeBelow(g);
    FreeHGraph__(g);
  }
}

TEST(MatchHedges, WithEdgesGroupsAreWholeHyperedgesOrPairs) {
  for (unsigned seed = 1; seed <= 5; ++seed) {
    CtrlType ctrl = ct::MakeCtrl(7, 100);
    HGraph *g = OneStep(Match_Hedges_Edges__, Shape(seed), (int)seed, ctrl);
    EXPECT_EQ(ct::CheckLevel(ctrl, g, g->coarser), "");
    for (double share : GroupShares(g, 2)) EXPECT_EQ(share, 1.0);
    ct::FreeBelow(g);
    FreeHGraph__(g);
  }
}

TEST(MatchHedges, PartialGroupsHoldStrictlyMoreThanHalfOfAHyperedge) {
  int partial = 0;
  for (unsigned seed = 1; seed <= 5; ++seed) {
    CtrlType ctrl = ct::MakeCtrl(4, 100);
    HGraph *g = OneStep(Match_Hedges_PHedges_Edges__, Shape(seed), (int)seed, ctrl);
    EXPECT_EQ(ct::CheckLevel(ctrl, g, g->coarser), "");
    for (double share : GroupShares(g, 2)) {
      EXPECT_GT(share, 0.5);
      partial += share < 1.0;
    }
    ct::FreeBelow(g);
    FreeHGraph__(g);
  }
  EXPECT_GT(partial, 0);  // the inputs do exercise the partial phase
}

TEST(MatchHedges, HeavierThenSmallerHyperedgesAreGroupedFirst) {
  // {0,1,2} weight 2 outranks {2,3} weight 1; {0,1} weight 2 (fewer pins)
  // outranks both, so 0 and 1 are grouped, then 2 with 3.
  zt::PlainHGraph p;
  p.nvtxs = 4;
  p.eptr = {0, 3, 5, 7};
  p.eind = {0, 1, 2, 2, 3, 0, 1};
  p.hewgts = {2, 1, 2};
  p.vwgts.assign(4, 1);
  HGraph *g = ct::Prepared(p);
  CtrlType ctrl = ct::MakeCtrl(6, 1);
  ctrl.maxcellwgt = 3;
  std::vector<int> htable(8, -1), perm(4), vpairs(8);
  InitRandom__(&ctrl.ctx->rng, 1);
  Match_Hedges__(&ctrl, g, perm.data(), htable.data(), vpairs.data());
  EXPECT_EQ(std::vector<int>(g->maps.cellmap.get(), g->maps.cellmap + 4),
            (std::vector<int>{0, 0, 1, 1}));
  ct::FreeBelow(g);
  FreeHGraph__(g);
}

}  // namespace
