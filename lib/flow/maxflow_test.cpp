#include <gtest/gtest.h>

#include "flow/flow_testing.h"

namespace {

// A fresh network whose terminal sets are term's, all added before one
// resumed flow.
int FlowFromScratch(const FlowProblem &p, const std::vector<signed char> &term) {
  FlowScratch work;
  BuildFlowNetwork__(p, work);
  for (int u = 0; u < work.nnodes; ++u)
    if (term[u] != kFreeNode && work.term[u] == kFreeNode) AddTerminal__(work, u, term[u]);
  AugmentFlow__(work);
  return work.flow;
}

// Whether each tree is exactly the residual side of its terminal set, and
// the trees' vertex weights match them.
void ExpectTreesAreResidualSides(const FlowProblem &p, const FlowScratch &work) {
  for (int s = 0; s < 2; ++s) {
    const std::vector<char> reach = ft::ReachFrom(work, s);
    int wgt = 0;
    for (int u = 0; u < work.nnodes; ++u) {
      ASSERT_EQ(InReach(work, s, u), reach[u] != 0) << "side " << s << " node " << u;
      if (reach[u] && u < p.nvtxs) wgt += p.vwgt[u];
    }
    ASSERT_EQ(work.reachwgt[s], wgt) << "side " << s;
  }
}

TEST(MaxFlow, MaxFlowEqualsBruteForceMinimumHyperedgeCut) {
  for (unsigned seed = 1; seed <= 400; ++seed) {
    const ft::Region r = ft::RandomRegion(seed, 13);
    FlowScratch trees, first, pushed;
    BuildFlowNetwork__(r.p, trees);
    AugmentFlow__(trees);
    BuildFlowNetwork__(r.p, first);
    FirstMaxFlow__(r.p, first);
    BuildFlowNetwork__(r.p, pushed);
    FirstMaxFlow__(r.p, pushed, 0);
    // With only the two vertices as terminals the network cut is the
    // hyperedge cut of the best side assignment.
    const ft::BruteCuts b = ft::BruteForceMinCuts(r.p, trees, ft::Terminals(trees).data());
    ASSERT_EQ(trees.flow, b.mincut) << "seed " << seed;
    ASSERT_EQ(first.flow, b.mincut) << "seed " << seed;
    ASSERT_EQ(pushed.flow, b.mincut) << "seed " << seed;
  }
}

TEST(MaxFlow, FirstFlowByPushRelabelGivesTheTreesTheirFlowAndResidualSides) {
  // No scans for the trees now and then, so push-relabel finds nearly all
  // of the flow; a tight maxcut now and then, which it stops one unit past
  // and the trees then finish.
  for (unsigned seed = 1; seed <= 150; ++seed) {
    ft::Region r = ft::RandomRegion(9000 + seed, 150);
    FlowScratch trees, first;
    BuildFlowNetwork__(r.p, trees);
    AugmentFlow__(trees);
    // maxcut at the flow leaves the source a single unit to spare.
    r.p.maxcut = seed % 3 == 0 ? trees.flow / 2 : seed % 3 == 1 ? trees.flow : INT_MAX;
    BuildFlowNetwork__(r.p, first);
    FirstMaxFlow__(r.p, first, seed % 2 ? 0 : kFirstFlowTreeScans);
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    ASSERT_EQ(first.flow, trees.flow);
    ExpectTreesAreResidualSides(r.p, first);
    for (int u = 0; u < first.nnodes; ++u) ASSERT_EQ(InReach(first, 0, u), InReach(trees, 0, u));
  }
}

TEST(MaxFlow, ResumedFlowEqualsFlowFromScratchAfterEveryNewTerminal) {
  std::mt19937 rng(5);
  for (unsigned seed = 1; seed <= 150; ++seed) {
    const ft::Region r = ft::RandomRegion(1000 + seed, 12);
    FlowScratch work;
    BuildFlowNetwork__(r.p, work);
    AugmentFlow__(work);
    for (int v = 2; v < r.p.nvtxs; ++v) {
      if (rng() % 3 == 0) continue;
      const int side = static_cast<int>(rng() % 2);
      const int before = work.flow;
      AddTerminal__(work, v, side);
      const int added = AugmentFlow__(work);
      ASSERT_EQ(added, work.flow - before);
      const std::vector<signed char> term = ft::Terminals(work);
      ASSERT_EQ(work.flow, FlowFromScratch(r.p, term)) << "seed " << seed << " vertex " << v;
      ASSERT_EQ(work.flow, ft::BruteForceMinCuts(r.p, work, term.data()).mincut) << "seed " << seed;
      ExpectTreesAreResidualSides(r.p, work);
    }
  }
}

TEST(MaxFlow, PiercingChoiceFollowsTheTreesWhateverTerminalsJoin) {
  // Terminals join both sets in any order, sometimes with their residual
  // side, and the choice kept from the trees' lists must stay the one read
  // from a fresh search: vertices leave a tree and come back, and the lists
  // have to follow.
  std::mt19937 rng(17);
  int checked = 0;
  for (unsigned seed = 1; seed <= 200; ++seed) {
    const ft::Region r = ft::RandomRegion(14000 + seed, 40);
    FlowScratch work;
    BuildFlowNetwork__(r.p, work);
    FirstMaxFlow__(r.p, work);
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    for (int step = 0; step < r.p.nvtxs; ++step) {
      for (int s = 0; s < 2; ++s) {
        ASSERT_EQ(ChoosePiercingVertex__(r.p, work, s), ft::ReferencePiercingVertex(r.p, work, s));
        ++checked;
      }
      const int v = static_cast<int>(rng() % r.p.nvtxs), side = static_cast<int>(rng() % 2);
      if (work.term[v] != kFreeNode) continue;
      if (rng() % 4 == 0) AssimilateReach__(work, side);
      AddTerminal__(work, v, side);
      AugmentFlow__(work);
    }
  }
  EXPECT_GT(checked, 5000);
}

TEST(MaxFlow, TreesStoppedEarlyHoldAValidFlowThatResumingCompletes) {
  for (unsigned seed = 1; seed <= 100; ++seed) {
    const ft::Region r = ft::RandomRegion(9500 + seed, 120);
    FlowScratch whole, stopped;
    BuildFlowNetwork__(r.p, whole);
    AugmentFlow__(whole);
    BuildFlowNetwork__(r.p, stopped);
    AugmentFlow__(stopped, stopped.narcs / 4);
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    ASSERT_LE(stopped.flow, whole.flow);
    AugmentFlow__(stopped);
    ASSERT_EQ(stopped.flow, whole.flow);
    ExpectTreesAreResidualSides(r.p, stopped);
  }
}

TEST(MaxFlow, PiercingRaisesFlowExactlyWhenTheOtherSideReachesTheVertex) {
  int raised = 0, kept = 0;
  for (unsigned seed = 1; seed <= 300; ++seed) {
    const ft::Region r = ft::RandomRegion(2000 + seed, 14);
    FlowScratch work;
    BuildFlowNetwork__(r.p, work);
    AugmentFlow__(work);
    const int side = static_cast<int>(seed % 2);
    const int v = 2 + static_cast<int>(seed % (r.p.nvtxs - 2));
    if (InReach(work, side, v)) continue;
    const bool reached = InReach(work, 1 - side, v);
    AddTerminal__(work, v, side);
    const int added = AugmentFlow__(work);
    ASSERT_EQ(added > 0, reached) << "seed " << seed;
    (reached ? raised : kept) += 1;
  }
  // Both cases occur among the inputs, so both directions were checked.
  EXPECT_GT(raised, 10);
  EXPECT_GT(kept, 10);
}

TEST(MaxFlow, FlowThroughALongChainIsItsLightestLink) {
  // 0 - 2 - 3 - ... - 1: paths as long as the region, which a recursive
  // search would not survive. Every other link also holds a vertex of its
  // own, so that the chain has entry and exit nodes as well as edges.
  const int nchain = 40000;
  const int light = (nchain - 1) / 3;
  ft::Region r = ft::Chain(nchain, nchain / 2, [&](int i) { return i == light ? 4 : 5 + i % 7; });
  FlowScratch trees, first, pushed;
  BuildFlowNetwork__(r.p, trees);
  EXPECT_EQ(AugmentFlow__(trees), 4);
  BuildFlowNetwork__(r.p, first);
  FirstMaxFlow__(r.p, first);
  EXPECT_EQ(first.flow, 4);
  BuildFlowNetwork__(r.p, pushed);
  FirstMaxFlow__(r.p, pushed, 0);
  EXPECT_EQ(pushed.flow, 4);
}

}  // namespace
