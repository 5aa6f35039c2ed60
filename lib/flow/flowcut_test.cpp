#include <gtest/gtest.h>

#include <algorithm>

#include "flow/flow_testing.h"

namespace {

TEST(FlowCut, TerminalVerticesNeverChangeSide) {
  for (unsigned seed = 1; seed <= 300; ++seed) {
    ft::Region r = ft::RandomRegion(6000 + seed, 60);
    ft::SetBounds(r, (seed % 4) * 0.02);
    FlowScratch work;
    std::vector<int> side(r.p.nvtxs, -1);
    FindBalancedFlowCut__(r.p, work, side.data());
    ASSERT_EQ(side[kFlowSource], 0);
    ASSERT_EQ(side[kFlowSink], 1);
    for (int v = 0; v < r.p.nvtxs; ++v)
      if (work.term[v] != kFreeNode) {
        ASSERT_EQ(side[v], work.term[v]) << "seed " << seed << " vertex " << v;
      }
  }
}

TEST(FlowCut, PiercingEndsWithinTheBoundsOrFailsCleanly) {
  int found = 0, failed = 0, foundbypiercing = 0;
  for (unsigned seed = 1; seed <= 200; ++seed) {
    ft::Region r = ft::RandomRegion(7000 + seed, 150);
    // Tight bounds and, now and then, a vertex too heavy for either side.
    ft::SetBounds(r, (seed % 3) * 0.01);
    if (seed % 5 == 0) {
      r.g.vwgts[2] = r.total;
      ft::Attach(r);
      ft::SetBounds(r, 0.0);
    }
    FlowScratch work;
    std::vector<int> side(r.p.nvtxs, -1);
    BuildFlowNetwork__(r.p, work);
    const int unpierced = AugmentFlow__(work);
    const FlowCutResult res = FindBalancedFlowCut__(r.p, work, side.data());
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    ASSERT_LE(res.npierced, r.p.nvtxs - 2);
    ASSERT_GE(res.cut, unpierced);
    ASSERT_EQ(res.cut, zt::RecountCut(r.g, side.data()));
    ASSERT_EQ(res.pwgts[0] + res.pwgts[1], r.total);
    if (res.found) {
      ASSERT_LE(res.pwgts[0], r.p.maxwgt[0]);
      ASSERT_LE(res.pwgts[1], r.p.maxwgt[1]);
    }
    if (seed % 5 == 0) {
      ASSERT_FALSE(res.found);
    }
    (res.found ? found : failed) += 1;
    foundbypiercing += res.found && res.npierced > 0;
  }
  EXPECT_GT(found, 100);
  EXPECT_GT(foundbypiercing, 50);
  EXPECT_GE(failed, 40);
}

TEST(FlowCut, HeavyChainIsPiercedFromItsLightLinkToABalancedCut) {
  // The only minimum cut is the light link next to the source, which leaves
  // side 0 one vertex: piercing must give up that cut for a heavier one in
  // the middle of the chain.
  ft::Region r = ft::Chain(41, 0, [](int i) { return i == 0 ? 1 : 3; });
  ft::SetBounds(r, 0.1);
  FlowScratch work;
  std::vector<int> side(r.p.nvtxs);
  const FlowCutResult res = FindBalancedFlowCut__(r.p, work, side.data());
  ASSERT_TRUE(res.found);
  EXPECT_GT(res.npierced, 0);
  EXPECT_EQ(res.cut, 3);
  EXPECT_EQ(zt::RecountCut(r.g, side.data()), 3);
  EXPECT_LE(res.pwgts[0], r.p.maxwgt[0]);
  EXPECT_LE(res.pwgts[1], r.p.maxwgt[1]);
}

TEST(FlowCut, ChainWithAMiddleVertexHeavierThanEitherBoundFailsCleanly) {
  ft::Region r = ft::Chain(31, 0, [](int i) { return 1 + i % 4; });
  r.g.vwgts[15] = 40;
  ft::Attach(r);
  ft::SetBounds(r, 0.05);
  FlowScratch work;
  std::vector<int> side(r.p.nvtxs);
  const FlowCutResult res = FindBalancedFlowCut__(r.p, work, side.data());
  // Too heavy for side 0 and for side 1: the search gives up once nothing is
  // left to pierce, and the last cut it reports is still a whole cut.
  EXPECT_FALSE(res.found);
  EXPECT_LE(res.npierced, r.p.nvtxs - 2);
  EXPECT_TRUE(std::all_of(side.begin(), side.end(), [](int s) { return s == 0 || s == 1; }));
  EXPECT_EQ(res.pwgts[0] + res.pwgts[1], r.total);
  EXPECT_EQ(res.cut, zt::RecountCut(r.g, side.data()));
}

TEST(FlowCut, ReusedScratchGivesTheSameCutAsAFreshOne) {
  FlowScratch reused;
  for (unsigned seed = 1; seed <= 150; ++seed) {
    // Sizes rise and fall, so the scratch both grows and serves smaller
    // regions with stamps left from larger ones.
    ft::Region r = ft::RandomRegion(8000 + seed, seed % 2 ? 90 : 12);
    ft::SetBounds(r, (seed % 3) * 0.02);
    FlowScratch fresh;
    std::vector<int> a(r.p.nvtxs), b(r.p.nvtxs);
    const FlowCutResult ra = FindBalancedFlowCut__(r.p, reused, a.data());
    const FlowCutResult rb = FindBalancedFlowCut__(r.p, fresh, b.data());
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    ASSERT_EQ(a, b);
    ASSERT_EQ(ra.found, rb.found);
    ASSERT_EQ(ra.cut, rb.cut);
    ASSERT_EQ(ra.npierced, rb.npierced);
  }
}

TEST(FlowCut, KeptStateEqualsStateSearchedAfreshAfterEveryPierce) {
  // Residual sides, their weights and the piercing choice, kept by the trees
  // and their lists, against the same read from a fresh search of the
  // residual network; and the steps together give the entry point's result.
  int pierces = 0;
  for (unsigned seed = 1; seed <= 200; ++seed) {
    ft::Region r = ft::RandomRegion(12000 + seed, 80);
    ft::SetBounds(r, (seed % 4) * 0.01);
    FlowScratch work, again;
    std::vector<int> side(r.p.nvtxs), expected(r.p.nvtxs);
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    const FlowCutResult res = FindBalancedFlowCut__(r.p, work, side.data(), [&](FlowScratch &w, const MinCutChoice &c, int s) {
      for (int t = 0; t < 2; ++t) {
        const std::vector<char> reach = ft::ReachFrom(w, t);
        int wgt = 0;
        for (int u = 0; u < w.nnodes; ++u) {
          ASSERT_EQ(InReach(w, t, u), reach[u] != 0) << "side " << t << " node " << u;
          if (reach[u] && u < r.p.nvtxs) wgt += r.p.vwgt[u];
        }
        ASSERT_EQ(c.reachwgt[t], wgt);
      }
      if (s < 0) return;
      ASSERT_EQ(ChoosePiercingVertex__(r.p, w, s), ft::ReferencePiercingVertex(r.p, w, s));
      ++pierces;
    });
    const FlowCutResult direct = FindBalancedFlowCut__(r.p, again, expected.data());
    ASSERT_EQ(side, expected);
    ASSERT_EQ(res.found, direct.found);
    ASSERT_EQ(res.cut, direct.cut);
    ASSERT_EQ(res.npierced, direct.npierced);
    ASSERT_EQ(res.pwgts[0], direct.pwgts[0]);
  }
  EXPECT_GT(pierces, 500);
}

// A piercing budget cuts the search short: its rounds are the first rounds
// of the search without one, and it pierces no more once the trees have
// scanned past the budget.
TEST(FlowCut, APiercingBudgetEndsTheSearchOnTheRoundsOfTheFullOne) {
  struct Round {
    int flow, wgt0, side;
    bool operator==(const Round &) const = default;
  };
  int shortened = 0;
  for (unsigned seed = 1; seed <= 200; ++seed) {
    ft::Region r = ft::RandomRegion(15000 + seed, 120);
    ft::SetBounds(r, (seed % 4) * 0.01);
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::vector<Round> full, cut;
    std::vector<long long> effort;
    FlowScratch work;
    std::vector<int> side(r.p.nvtxs);
    const FlowCutResult all = FindBalancedFlowCut__(r.p, work, side.data(), [&](FlowScratch &w, const MinCutChoice &c, int s) {
      full.push_back({w.flow, c.wgt0, s});
      effort.push_back(w.effort);
    });
    if (all.npierced < 2) continue;
    // A budget the search passes after its first piercing.
    r.p.piercebudget = effort[1];
    const FlowCutResult some = FindBalancedFlowCut__(r.p, work, side.data(), [&](FlowScratch &w, const MinCutChoice &c, int s) {
      cut.push_back({w.flow, c.wgt0, s});
      if (s >= 0) {
        ASSERT_LE(w.effort, r.p.piercebudget);
      }
    });
    ASSERT_LE(cut.size(), full.size());
    ASSERT_GE(cut.size(), 2u);
    for (size_t i = 0; i + 1 < cut.size(); ++i) ASSERT_TRUE(cut[i] == full[i]) << "round " << i;
    ASSERT_EQ(cut.back().flow, full[cut.size() - 1].flow);
    ASSERT_EQ(cut.back().wgt0, full[cut.size() - 1].wgt0);
    ASSERT_LE(some.npierced, all.npierced);
    if (some.npierced < all.npierced) {
      ++shortened;
      ASSERT_EQ(cut.back().side, -1);
      ASSERT_EQ(some.cut, cut.back().flow);
    }
  }
  EXPECT_GT(shortened, 20);
}

TEST(FlowCut, GivingUpPastMaxcutReportsAMinimumCutOfTheLastFlow) {
  int gaveup = 0;
  for (unsigned seed = 1; seed <= 200; ++seed) {
    ft::Region r = ft::RandomRegion(13000 + seed, 100);
    ft::SetBounds(r, (seed % 3) * 0.01);
    FlowScratch work;
    BuildFlowNetwork__(r.p, work);
    FirstMaxFlow__(r.p, work);
    // No pierce may raise the flow.
    r.p.maxcut = work.flow;
    std::vector<int> side(r.p.nvtxs, -1);
    const FlowCutResult res = FindBalancedFlowCut__(r.p, work, side.data());
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    ASSERT_EQ(res.cut, zt::RecountCut(r.g, side.data()));
    const std::vector<int> pwgts = zt::RecountPartWeights(r.g, side.data(), 2);
    ASSERT_EQ(res.pwgts[0], pwgts[0]);
    ASSERT_EQ(res.pwgts[1], pwgts[1]);
    if (res.found) {
      ASSERT_LE(res.cut, r.p.maxcut);
    } else if (res.cut > r.p.maxcut) {
      // The minimum cut of terminal sets the search pierced, not of the
      // region: heavier than maxcut, but the flow bounds it from below.
      ++gaveup;
    }
  }
  EXPECT_GT(gaveup, 20);
}

}  // namespace
