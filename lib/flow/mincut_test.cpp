#include <gtest/gtest.h>

#include "flow/flow_testing.h"

namespace {

TEST(MinCut, ReturnedCutIsMinimumForItsTerminalSetsAndRecountsExactly) {
  for (unsigned seed = 1; seed <= 400; ++seed) {
    const ft::Region r = ft::RandomRegion(3000 + seed, 13);
    FlowScratch work;
    std::vector<int> side(r.p.nvtxs, -1);
    const FlowCutResult res = FindBalancedFlowCut__(r.p, work, side.data());
    std::vector<signed char> term = ft::Terminals(work);
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    ASSERT_EQ(res.cut, ft::BruteForceMinCuts(r.p, work, term.data()).mincut);
    // Hyperedge nodes join the sets only with residual sides, which every
    // minimum cut can keep: the cut is also the best bisection that keeps
    // just the terminal vertices where they are.
    std::fill(term.begin() + r.p.nvtxs, term.end(), kFreeNode);
    ASSERT_EQ(res.cut, ft::BruteForceMinCuts(r.p, work, term.data()).mincut);
    ASSERT_EQ(res.cut, zt::RecountCut(r.g, side.data()));
    const std::vector<int> pwgts = zt::RecountPartWeights(r.g, side.data(), 2);
    ASSERT_EQ(res.pwgts[0], pwgts[0]);
    ASSERT_EQ(res.pwgts[1], pwgts[1]);
    if (res.found) {
      ASSERT_LE(res.pwgts[0], r.p.maxwgt[0]);
      ASSERT_LE(res.pwgts[1], r.p.maxwgt[1]);
    }
  }
}

TEST(MinCut, MostBalancedCutIsNoWorseThanEitherExtremeMinimumCut) {
  int unpierced = 0;
  for (unsigned seed = 1; seed <= 400; ++seed) {
    ft::Region r = ft::RandomRegion(4000 + seed, 13);
    // Uneven bounds too: the cut balances the room left on each side.
    if (seed % 3 == 0) r.p.maxwgt[1] = r.total - r.p.maxwgt[0] / 2;
    FlowScratch work;
    std::vector<int> side(r.p.nvtxs);
    const FlowCutResult res = FindBalancedFlowCut__(r.p, work, side.data());
    const ft::BruteCuts b = ft::BruteForceMinCuts(r.p, work, ft::Terminals(work).data());
    const int chosen = BoundExcess__(r.p, r.total, res.pwgts[0]);
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    ASSERT_LE(chosen, BoundExcess__(r.p, r.total, b.lightest0));
    ASSERT_LE(chosen, BoundExcess__(r.p, r.total, b.heaviest0));
    if (res.npierced == 0) {
      // Before any piercing the extremes are those of the region itself: a
      // fitting extreme means a fitting cut without piercing.
      const bool fits = BoundExcess__(r.p, r.total, b.lightest0) <= 0 || BoundExcess__(r.p, r.total, b.heaviest0) <= 0;
      if (fits) {
        ASSERT_TRUE(res.found);
      }
      ++unpierced;
    }
  }
  EXPECT_GT(unpierced, 50);
}

TEST(MinCut, FeasibleFlowEqualsTheReturnedCutOnLargerRegions) {
  // A feasible flow bounds every cut of the terminal sets from below, so a
  // cut that weighs as much as the flow is a minimum cut: checked where
  // enumeration is out of reach.
  for (unsigned seed = 1; seed <= 200; ++seed) {
    const ft::Region r = ft::RandomRegion(5000 + seed, 120);
    FlowScratch work, fresh;
    std::vector<int> side(r.p.nvtxs);
    const FlowCutResult res = FindBalancedFlowCut__(r.p, work, side.data());
    BuildFlowNetwork__(r.p, fresh);  // the same arcs at their capacities
    long long intosinks = 0;
    for (int u = 0; u < work.nnodes; ++u) {
      long long out = 0;
      for (int a = work.first[u]; a < work.first[u + 1]; ++a) {
        ASSERT_GE(work.resid[a], 0);
        out += static_cast<long long>(fresh.resid[a]) - work.resid[a];
      }
      if (work.term[u] == kFreeNode) {
        ASSERT_EQ(out, 0) << "seed " << seed << " node " << u;
      }
      if (work.term[u] == 1) intosinks -= out;
    }
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    ASSERT_EQ(intosinks, res.cut);
    ASSERT_EQ(zt::RecountCut(r.g, side.data()), res.cut);
  }
}

TEST(MinCut, EndOfTheSweepIsChosenWithoutItExactlyWhenTheSweepWouldChooseIt) {
  int settled = 0, swept = 0;
  for (unsigned seed = 1; seed <= 300; ++seed) {
    ft::Region r = ft::RandomRegion(11000 + seed, 60);
    // Vertices that weigh nothing now and then: where they go depends on the
    // order of the sweep, so only it may place them.
    if (seed % 5 == 0)
      for (int v = 2; v < r.g.nvtxs; v += 3) r.g.vwgts[v] = 0;
    ft::Attach(r);
    ft::SetBounds(r, (seed % 4) * 0.02);
    if (seed % 3 == 0) r.p.maxwgt[1] = r.total - r.p.maxwgt[0] / 2;
    FlowScratch work;
    std::vector<int> side(r.p.nvtxs), quick(r.p.nvtxs), full(r.p.nvtxs);
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    FindBalancedFlowCut__(r.p, work, side.data(), [&](FlowScratch &w, const MinCutChoice &c, int) {
      WriteMinCut__(r.p, w, c, quick.data());
      const MinCutChoice s = MostBalancedMinCut__(r.p, w, r.total, true);
      WriteMinCut__(r.p, w, s, full.data());
      ASSERT_EQ(c.wgt0, s.wgt0);
      ASSERT_EQ(c.excess, s.excess);
      ASSERT_EQ(quick, full);
      (c.swept ? swept : settled) += 1;
    });
  }
  // Most rounds settle at an end; some need the sweep.
  EXPECT_GT(settled, 300);
  EXPECT_GT(swept, 10);
}

}  // namespace
