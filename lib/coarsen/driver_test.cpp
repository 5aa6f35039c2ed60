#include <gtest/gtest.h>

#include <cstdio>

#include "level_checks_test.h"

namespace {

using ct::CheckChain;
using ct::CheckStops;

// The generated inputs every scheme is run on.
std::vector<zt::GenSpec> Inputs() {
  std::vector<zt::GenSpec> specs;
  zt::GenSpec plain;
  plain.nvtxs = 1500;
  plain.nhedges = 1800;
  plain.seed = 11;
  specs.push_back(plain);

  zt::GenSpec weighted = plain;
  weighted.maxvwgt = 9;
  weighted.maxhwgt = 5;
  weighted.nislands = 60;
  weighted.nheavy = 4;
  weighted.heavywgt = 400;
  weighted.seed = 12;
  specs.push_back(weighted);

  zt::GenSpec large = plain;
  large.nvtxs = 900;
  large.nhedges = 700;
  large.minsize = 2;
  large.maxsize = 12;
  large.nlarge = 15;
  large.nislands = 25;
  large.maxhwgt = 3;
  large.seed = 13;
  specs.push_back(large);

  zt::GenSpec sparse = plain;  // few hyperedges: stalls, islands on coarse levels
  sparse.nvtxs = 1200;
  sparse.nhedges = 500;
  sparse.maxsize = 3;
  sparse.seed = 14;
  specs.push_back(sparse);
  return specs;
}

struct TrialChain {
  HGraph *graph;   // the hypergraph handed to the bisection
  HGraph *pruned;  // the copy coarsening starts from
  HGraph *coarsest;
};

// Coarsens the pruned copy of p as a bisection trial does.
TrialChain CoarsenLikeATrial(CtrlType &ctrl, const zt::PlainHGraph &p, int nfixed, int seed) {
  TrialChain r;
  r.graph = ct::Prepared(p, nfixed);
  r.pruned = PruneHGraph__(&ctrl, r.graph);
  ctrl.maxcellwgt = ct::MaxCellWgt(ctrl.CoarsenTo, r.pruned);
  InitRandom__(&ctrl.ctx->rng, seed);
  r.coarsest = Coarsen__(&ctrl, r.pruned);
  return r;
}

void Release(TrialChain &r) {
  ct::FreeBelow(r.pruned);
  FreeHGraph__(r.pruned);
  FreeHGraph__(r.graph);
}

class EveryScheme : public ::testing::TestWithParam<int> {};

TEST_P(EveryScheme, EveryLevelOfTheChainIsAFaithfulCoarsening) {
  const int ctype = GetParam();
  for (const zt::GenSpec &gs : Inputs()) {
    for (int nfixed : {0, 3}) {
      CtrlType ctrl = ct::MakeCtrl(ctype, 100);
      const zt::PlainHGraph p = zt::Generate(gs);
      TrialChain r = CoarsenLikeATrial(ctrl, p, nfixed, 7);
      SCOPED_TRACE("seed " + std::to_string(gs.seed) + " nfixed " + std::to_string(nfixed));
      EXPECT_GE(ct::Levels(r.pruned).size(), 2u);
      ct::LevelRules rules;
      if (ctype == 5) rules.maxgroup = 2;
      EXPECT_EQ(CheckChain(ctrl, r.pruned, rules), "");
      EXPECT_EQ(CheckStops(ctrl, r.pruned, ctype != 5 && ctype != COARSEN_CLUSTERS), "");
      Release(r);
    }
  }
}

TEST_P(EveryScheme, SameSeedGivesTheSameChain) {
  const int ctype = GetParam();
  zt::GenSpec gs = Inputs()[1];
  const zt::PlainHGraph p = zt::Generate(gs);
  CtrlType ctrl = ct::MakeCtrl(ctype, 100);
  TrialChain a = CoarsenLikeATrial(ctrl, p, 2, 5);
  TrialChain b = CoarsenLikeATrial(ctrl, p, 2, 5);
  EXPECT_EQ(ct::Snapshot(a.pruned), ct::Snapshot(b.pruned));
  TrialChain c = CoarsenLikeATrial(ctrl, p, 2, 6);
  EXPECT_NE(ct::Snapshot(a.pruned), ct::Snapshot(c.pruned));
  Release(a);
  Release(b);
  Release(c);
}

TEST_P(EveryScheme, RealInstancesCoarsenCorrectly) {
  const int ctype = GetParam();
  for (const char *name : {"ibm01.hgr", "powersim.hgr"}) {
    const std::string path = zt::InstancePath(name);
    if (path.empty()) GTEST_SKIP() << "instances absent";
    const zt::PlainHGraph p = zt::ReadHGraphFile(path);
    CtrlType ctrl = ct::MakeCtrl(ctype, 100);
    TrialChain r = CoarsenLikeATrial(ctrl, p, 0, 1);
    SCOPED_TRACE(name);
    EXPECT_EQ(CheckChain(ctrl, r.pruned), "");
    EXPECT_EQ(CheckStops(ctrl, r.pruned, ctype != 5 && ctype != COARSEN_CLUSTERS), "");
    Release(r);
  }
}

INSTANTIATE_TEST_SUITE_P(Codes, EveryScheme, ::testing::Values(1, 2, 3, 4, 5, 6, 7, COARSEN_CLUSTERS));

TEST(Coarsen, IslandsOfTheFirstLevelComeBackAfterCombining) {
  zt::GenSpec gs = Inputs()[1];
  const zt::PlainHGraph p = zt::Generate(gs);
  CtrlType ctrl = ct::MakeCtrl(4, 100);
  TrialChain r = CoarsenLikeATrial(ctrl, p, 0, 3);
  ASSERT_GT(r.pruned->nislands, 0);
  ASSERT_NE(r.pruned->islandmap, nullptr);
  ct::FreeBelow(r.pruned);
  CombineIslands__(r.pruned);
  const zt::PlainHGraph back = zt::FromHGraph(r.pruned);
  EXPECT_EQ(back.eptr, p.eptr);  // nothing of more than 50 pins in this input
  EXPECT_EQ(back.eind, p.eind);
  EXPECT_EQ(back.vwgts, p.vwgts);
  Release(r);
}

TEST(Coarsen, SmallHypergraphIsReturnedUntouched) {
  zt::GenSpec gs;
  gs.nvtxs = 80;
  gs.nislands = 5;
  HGraph *graph = ct::Prepared(zt::Generate(gs));
  CtrlType ctrl = ct::MakeCtrl(1, 100);
  EXPECT_EQ(Coarsen__(&ctrl, graph), graph);
  EXPECT_EQ(graph->level, 0);
  EXPECT_EQ(graph->nvtxs, 80);  // islands were not set aside
  EXPECT_EQ(graph->islandmap, nullptr);
  FreeHGraph__(graph);
}

TEST(Coarsen, HybridSchemeFollowsThePriorityOrderForFourSteps) {
  zt::GenSpec gs = Inputs()[0];
  gs.nvtxs = 3000;
  gs.nhedges = 3600;
  const zt::PlainHGraph p = zt::Generate(gs);
  CtrlType hfc = ct::MakeCtrl(1, 20), gfc = ct::MakeCtrl(3, 20);
  TrialChain a = CoarsenLikeATrial(hfc, p, 0, 9);
  TrialChain b = CoarsenLikeATrial(gfc, p, 0, 9);
  std::vector<HGraph *> la = ct::Levels(a.pruned), lb = ct::Levels(b.pruned);
  ASSERT_GE(la.size(), 6u);
  ASSERT_GE(lb.size(), 6u);
  for (int i = 0; i < 4; ++i) {
    ASSERT_EQ(la[i]->nvtxs, lb[i]->nvtxs);
    EXPECT_TRUE(std::equal(la[i]->maps.cellmap.get(), la[i]->maps.cellmap + la[i]->nvtxs,
                           lb[i]->maps.cellmap.get()));
  }
  Release(a);
  Release(b);
}

TEST(Coarsen, StarGroupingStopsLookingOnceFortyPercentFoundAPartner) {
  zt::GenSpec gs = Inputs()[0];
  const zt::PlainHGraph p = zt::Generate(gs);
  for (int ctype : {1, 2, 3}) {
    CtrlType ctrl = ct::MakeCtrl(ctype, 100);
    TrialChain r = CoarsenLikeATrial(ctrl, p, 0, 4);
    for (HGraph *g : ct::Levels(r.pruned)) {
      if (g->coarser == nullptr) break;
      const int n = g->nvtxs, c = g->coarser->nvtxs + g->coarser->nislands;
      EXPECT_LE(n - c, (int)(0.4 * n) + 1);
    }
    Release(r);
  }
}

TEST(Coarsen, UnknownSchemeIsFatal) {
  zt::GenSpec gs;
  HGraph *graph = ct::Prepared(zt::Generate(gs));
  CtrlType ctrl = ct::MakeCtrl(9, 100);
  ctrl.maxcellwgt = 10;
  EXPECT_EXIT(Coarsen__(&ctrl, graph), ::testing::ExitedWithCode(1), "Unknown matching type! 9");
  FreeHGraph__(graph);
}

TEST(Coarsen, TracePrintsDashesLevelLineAndNewline) {
  zt::PlainHGraph p;
  p.nvtxs = 4;
  p.eptr = {0, 3, 5};
  p.eind = {0, 1, 2, 2, 3};
  p.hewgts = {1, 2};
  p.vwgts = {1, 1, 1, 1};
  HGraph *graph = ct::Prepared(p);
  CtrlType ctrl = ct::MakeCtrl(5, 10);
  ctrl.dbglvl = DBG_COARSEN;
  ::testing::internal::CaptureStdout();
  Coarsen__(&ctrl, graph);
  fflush(stdout);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "----------------------------------------------------------\n"
            "[     4      2   1.25   2.50   0.50   0.00,      3      0      3   0.75]\n"
            "\n");
  FreeHGraph__(graph);
}

TEST(Coarsen, SlowProgressIsReportedOnlyWithTheTraceBit) {
  // Hyperedges too heavy to group anything: the first step merges nothing.
  zt::GenSpec gs;
  gs.nvtxs = 300;
  const zt::PlainHGraph p = zt::Generate(gs);
  for (int dbglvl : {0, (int)DBG_COARSEN}) {
    HGraph *graph = ct::Prepared(p);
    CtrlType ctrl = ct::MakeCtrl(5, 100);
    ctrl.maxcellwgt = 1;
    ctrl.dbglvl = dbglvl;
    InitRandom__(&ctrl.ctx->rng, 1);
    ::testing::internal::CaptureStdout();
    HGraph *coarsest = Coarsen__(&ctrl, graph);
    fflush(stdout);
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(coarsest->level, 1);
    EXPECT_EQ(coarsest->nvtxs, graph->nvtxs);
    const std::string msg = "\nSlow progress in coarsening. Aborted at " +
                            std::to_string(graph->nvtxs) + " nodes\n\n";
    if (dbglvl == 0) {
      EXPECT_EQ(out, "");
    } else {
      ASSERT_GE(out.size(), msg.size());
      EXPECT_EQ(out.substr(out.size() - msg.size()), msg);
    }
    ct::FreeBelow(graph);
    FreeHGraph__(graph);
  }
}

TEST(Coarsen, OtherSchemesSwitchOnceBeforeStopping) {
  zt::GenSpec gs;
  gs.nvtxs = 300;
  const zt::PlainHGraph p = zt::Generate(gs);
  HGraph *graph = ct::Prepared(p);
  CtrlType ctrl = ct::MakeCtrl(4, 100);
  ctrl.maxcellwgt = 1;
  ctrl.dbglvl = DBG_COARSEN;
  InitRandom__(&ctrl.ctx->rng, 1);
  ::testing::internal::CaptureStdout();
  HGraph *coarsest = Coarsen__(&ctrl, graph);
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(coarsest->level, 2);
  EXPECT_NE(out.find("-----------------------------------\n["), std::string::npos);
  ct::FreeBelow(graph);
  FreeHGraph__(graph);
}

}  // namespace
