// The k-way entry points and the multilevel k-way driver, checked against
// brute-force recounts of the partitions they return.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "kway/kway.h"
#include "testgen.h"
#include "zorbel.h"

namespace {

struct KwayResult {
  std::vector<int> part;
  int edgecut = -1;
};

std::vector<int> Options(int nruns, int ctype, int otype, int vcycle, int seed, int dbglvl) {
  return {1, nruns, ctype, otype, vcycle, 0, 0, seed, dbglvl};
}

KwayResult PartKway(const zt::PlainHGraph &g, int nparts, int ub, const std::vector<int> &options,
                    bool unitweights = false) {
  KwayResult r;
  r.part.assign(g.nvtxs, 0);
  ZORBEL_PartKway(g.nvtxs, g.nhedges(), unitweights ? nullptr : g.vwgts.data(), g.eptr.data(),
                  g.eind.data(), unitweights ? nullptr : g.hewgts.data(), nparts, ub,
                  options.data(), r.part.data(), &r.edgecut);
  return r;
}

zt::GenSpec MixedSpec(unsigned seed) {
  zt::GenSpec s;
  s.nvtxs = 1200;
  s.nhedges = 1500;
  s.maxsize = 5;
  s.maxvwgt = 2;
  s.maxhwgt = 3;
  s.nislands = 15;
  s.nlarge = seed % 2 == 0 ? 4 : 0;
  s.seed = seed;
  return s;
}

// Heaviest part over average part, recounted.
double Imbalance(const zt::PlainHGraph &g, const std::vector<int> &part, int nparts) {
  std::vector<int> w = zt::RecountPartWeights(g, part.data(), nparts);
  double total = std::accumulate(w.begin(), w.end(), 0.0);
  return *std::max_element(w.begin(), w.end()) * nparts / total;
}

bool InRange(const std::vector<int> &part, int nparts) {
  return std::all_of(part.begin(), part.end(), [&](int p) { return p >= 0 && p < nparts; });
}

// Every part receives the same number of vertices, in random order.
std::vector<int> RandomEvenPartition(int nvtxs, int nparts, unsigned seed) {
  std::vector<int> perm(nvtxs), part(nvtxs);
  std::iota(perm.begin(), perm.end(), 0);
  std::shuffle(perm.begin(), perm.end(), std::mt19937(seed));
  for (int i = 0; i < nvtxs; i++) part[perm[i]] = i % nparts;
  return part;
}

int Count(const std::string &text, const std::string &what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) n++;
  return n;
}

// The refine entry checks nothing, so any slot value reaches the record.
TEST(KwayControl, SlotZeroSelectsGivenOptionsOrDefaults) {
  const int given[9] = {1, 3, 4, 2, 0, 7, 7, 42, 5};
  CtrlType ctrl = CallCtrl__(ReadOptions__(EntryKind::KwayRefine, 100, 6, 10, given));
  EXPECT_EQ(ctrl.opt.Nruns, 3);
  EXPECT_EQ(ctrl.CType, 4);
  EXPECT_EQ(ctrl.RType, 2);
  EXPECT_EQ(ctrl.opt.OType, OBJ_SOED);
  EXPECT_EQ(ctrl.opt.VCycle, VCYCLE_NO);
  EXPECT_EQ(ctrl.opt.Seed, 42);
  EXPECT_EQ(ctrl.dbglvl, 5);
  EXPECT_EQ(ctrl.opt.Reconst, 0);
  EXPECT_EQ(ctrl.opt.Fixed, 0);
  EXPECT_EQ(ctrl.nparts, 6);
  EXPECT_EQ(ctrl.MaxNetSize, 50);
  EXPECT_EQ(ctrl.CoarsenTo, 100);
  EXPECT_EQ(ctrl.TargetFrac, 0.5f);

  const int junk[9] = {0, 99, 99, 99, 99, 99, 99, 99, 99};
  ctrl = CallCtrl__(ReadOptions__(EntryKind::KwayRefine, 100, 2, 10, junk));
  EXPECT_EQ(ctrl.opt.Nruns, 10);
  EXPECT_EQ(ctrl.CType, 1);
  EXPECT_EQ(ctrl.RType, 1);
  EXPECT_EQ(ctrl.opt.VCycle, VCYCLE_END);
  EXPECT_EQ(ctrl.opt.Seed, -1);
  EXPECT_EQ(ctrl.dbglvl, 0);
  EXPECT_EQ(ctrl.opt.Reconst, 0);
  EXPECT_EQ(ctrl.opt.Fixed, 0);
  // Direct k-way partitioning coarsens to about 200 vertices per part.
  EXPECT_EQ(ReadOptions__(EntryKind::Kway, 500, 4, 10, junk).CoarsenTo, 499);
}

TEST(KwayControl, UBfactorBoundsHeaviestOverAverageAtLeastFivePercent) {
  const int options[9] = {0};
  for (int ub = -3; ub <= 5; ub++)
    EXPECT_EQ(ReadOptions__(EntryKind::KwayRefine, 10, 4, ub, options).ubfactor, 1.05f) << ub;
  EXPECT_EQ(ReadOptions__(EntryKind::KwayRefine, 10, 4, 10, options).ubfactor,
            static_cast<float>(10 * 1.0 / 100.0 + 1.0));
  EXPECT_EQ(ReadOptions__(EntryKind::Kway, 10, 4, 37, options).ubfactor,
            static_cast<float>(37 * 1.0 / 100.0 + 1.0));
}

TEST(KwayControl, CoarsenToIsTwoHundredPerPartButBelowVertexCount) {
  EXPECT_EQ(KwayCoarsenTo__(500, 4), 499);
  EXPECT_EQ(KwayCoarsenTo__(10000, 4), 800);
  EXPECT_EQ(KwayCoarsenTo__(2, 2), 1);
  EXPECT_EQ(KwayCoarsenTo__(1000000, 100000000), 999999);
}

class PartKwayDeath : public ::testing::Test {
 protected:
  zt::PlainHGraph g = zt::Generate(zt::GenSpec{.nvtxs = 50, .nhedges = 60});
  void Run(int nparts, int ub, std::vector<int> options) { PartKway(g, nparts, ub, options); }
};

TEST_F(PartKwayDeath, RejectsOptionsInOrderWithExitStatusOne) {
  auto exit1 = ::testing::ExitedWithCode(1);
  EXPECT_EXIT(Run(1, 4, Options(0, 0, 0, 9, -1, 0)), exit1, "Nparts should be at least 2\\.");
  EXPECT_EXIT(Run(2, 4, Options(0, 0, 0, 9, -1, 0)), exit1, "UBfactor should be greater than 5\\.");
  EXPECT_EXIT(Run(2, 5, Options(0, 0, 0, 9, -1, 0)), exit1, "Nruns should be at least 1\\.");
  EXPECT_EXIT(Run(2, 5, Options(1, 6, 0, 9, -1, 0)), exit1, "Ctype should be between 1 and 5\\.");
  EXPECT_EXIT(Run(2, 5, Options(1, 0, 0, 9, -1, 0)), exit1, "Ctype should be between 1 and 5\\.");
  EXPECT_EXIT(Run(2, 5, Options(1, 1, 3, 9, -1, 0)), exit1, "Rtype should be between 1 and 2\\.");
  EXPECT_EXIT(Run(2, 5, Options(1, 1, 0, 9, -1, 0)), exit1, "Rtype should be between 1 and 2\\.");
  EXPECT_EXIT(Run(2, 5, Options(1, 1, 2, 4, -1, 0)), exit1, "Vcycle should be between 0 and 3\\.");
  EXPECT_EXIT(Run(2, 5, Options(1, 1, 2, -1, -1, 0)), exit1, "Vcycle should be between 0 and 3\\.");
}

TEST_F(PartKwayDeath, RejectsHypergraphOfFewerThanTwoVertices) {
  zt::PlainHGraph one;
  one.nvtxs = 1;
  one.eptr = {0, 1};
  one.eind = {0};
  one.vwgts = {1};
  one.hewgts = {1};
  EXPECT_EXIT(PartKway(one, 2, 10, Options(1, 1, 1, 1, 1, 0)), ::testing::ExitedWithCode(1),
              "Cannot partition a hypergraph with 1 vertices\\.");
}

TEST(PartKway, UBfactorFivePasses) {
  zt::PlainHGraph g = zt::Generate(zt::GenSpec{.nvtxs = 300, .nhedges = 400, .seed = 3});
  KwayResult r = PartKway(g, 3, 5, Options(2, 1, 1, 0, 7, 0));
  EXPECT_TRUE(InRange(r.part, 3));
  EXPECT_EQ(r.edgecut, zt::RecountCut(g, r.part.data()));
}

// The returned value is the chosen objective of the returned partition, for
// every objective, V-cycle policy and scheme, with weights, islands and
// hyperedges too large for the pruned hypergraph; the caller's arrays stay.
TEST(PartKway, ReturnsObjectiveOfReturnedBalancedPartition) {
  for (unsigned seed = 1; seed <= 8; seed++) {
    zt::PlainHGraph g = zt::Generate(MixedSpec(seed));
    const zt::PlainHGraph before = g;
    int nparts = 2 + static_cast<int>(seed % 3);
    int otype = 1 + static_cast<int>(seed % 2);
    int vcycle = static_cast<int>(seed / 2 % 4);
    int ctype = 1 + static_cast<int>(seed % 5);
    KwayResult r = PartKway(g, nparts, 10, Options(2, ctype, otype, vcycle, static_cast<int>(seed), 0));
    SCOPED_TRACE(::testing::Message() << "seed " << seed << " otype " << otype << " vcycle " << vcycle);
    ASSERT_TRUE(InRange(r.part, nparts));
    int recount = otype == 1 ? zt::RecountCut(g, r.part.data()) : zt::RecountSOED(g, r.part.data());
    EXPECT_EQ(r.edgecut, recount);
    EXPECT_LE(Imbalance(g, r.part, nparts), 1.10 + 1e-6);
    EXPECT_EQ(g.eptr, before.eptr);
    EXPECT_EQ(g.eind, before.eind);
    EXPECT_EQ(g.vwgts, before.vwgts);
    EXPECT_EQ(g.hewgts, before.hewgts);
  }
}

TEST(PartKway, MissingWeightsMeanUnitWeights) {
  zt::PlainHGraph g = zt::Generate(zt::GenSpec{.nvtxs = 900, .nhedges = 1100, .seed = 11});
  KwayResult r = PartKway(g, 2, 10, Options(2, 1, 1, 2, 5, 0), true);
  std::fill(g.vwgts.begin(), g.vwgts.end(), 1);
  std::fill(g.hewgts.begin(), g.hewgts.end(), 1);
  EXPECT_EQ(r.edgecut, zt::RecountCut(g, r.part.data()));
  EXPECT_LE(Imbalance(g, r.part, 2), 1.10 + 1e-6);
}

// Large hyperedges spread over many parts make the sum of external degrees
// exceed ten times the total hyperedge weight; the best trial must still be
// the one returned.
TEST(PartKway, ReturnsBestPartitionWhenSOEDExceedsTenTimesHyperedgeWeight) {
  zt::GenSpec s{.nvtxs = 400, .nhedges = 100, .minsize = 40, .maxsize = 50, .seed = 5};
  zt::PlainHGraph g = zt::Generate(s);
  int total = std::accumulate(g.hewgts.begin(), g.hewgts.end(), 0);
  KwayResult r = PartKway(g, 16, 10, Options(2, 2, 2, 0, 9, 0));
  int soed = zt::RecountSOED(g, r.part.data());
  EXPECT_GT(soed, 10 * total + 1);
  EXPECT_EQ(r.edgecut, soed);
  EXPECT_TRUE(InRange(r.part, 16));
  EXPECT_EQ(*std::max_element(r.part.begin(), r.part.end()), 15);
}

// With V-cycles at the end, each kept trial gets one V-cycle run (one closing
// progress line each): 1 for one trial, 2 up to ten trials, 3 beyond.
TEST(PartKway, EndVCyclesRunOnTheKeptTrials) {
  zt::PlainHGraph g = zt::Generate(zt::GenSpec{.nvtxs = 500, .nhedges = 600, .seed = 21});
  for (auto [nruns, nkeep] : {std::pair{1, 1}, {5, 2}, {11, 3}}) {
    ::testing::internal::CaptureStdout();
    PartKway(g, 2, 10, Options(nruns, 2, 1, 1, 3, 128));
    std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(Count(out, "(min = "), nkeep) << nruns;
    EXPECT_EQ(Count(out, "Cut/SOED of trial"), nruns);
  }
}

TEST(PartKway, SingleTrialGetsVCyclesUnderForMinAndAll) {
  zt::PlainHGraph g = zt::Generate(zt::GenSpec{.nvtxs = 500, .nhedges = 600, .seed = 22});
  for (int vcycle : {0, 2, 3}) {
    ::testing::internal::CaptureStdout();
    PartKway(g, 2, 10, Options(1, 2, 1, vcycle, 3, 128));
    std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(Count(out, "(min = "), vcycle == 0 ? 0 : 1) << vcycle;
  }
}

TEST(PartKway, SummaryNamesTheObjectiveAndItsBestValue) {
  zt::PlainHGraph g = zt::Generate(MixedSpec(31));
  for (int otype : {1, 2}) {
    ::testing::internal::CaptureStdout();
    KwayResult r = PartKway(g, 3, 10, Options(2, 1, otype, 0, 3, 8));
    std::string out = ::testing::internal::GetCapturedStdout();
    std::string name = otype == 1 ? "mincut" : "minsoed";
    EXPECT_NE(out.find("\n  Partitioning a hgraph of size [vertices=1200, hedges=" +
                       std::to_string(g.nhedges()) + ", balance=1.10]\n"),
              std::string::npos);
    EXPECT_NE(out.find("    The " + name + " for this partitioning = " + std::to_string(r.edgecut) +
                       ", (average = "),
              std::string::npos)
        << out;
    EXPECT_EQ(Count(out, "Partitioning a hgraph"), 1);
  }
}

TEST(KWayRefine, NeverWorsensCutAndKeepsBalance) {
  for (unsigned seed = 1; seed <= 6; seed++) {
    zt::GenSpec s = MixedSpec(seed);
    s.maxvwgt = 1;
    zt::PlainHGraph g = zt::Generate(s);
    const zt::PlainHGraph before = g;
    int nparts = 2 + static_cast<int>(seed % 4);
    std::vector<int> part = RandomEvenPartition(g.nvtxs, nparts, seed);
    int cut0 = zt::RecountCut(g, part.data());
    std::vector<int> options = Options(1, 1, 1, 1, static_cast<int>(seed), 0);
    int edgecut = -1;
    ZORBEL_KWayRefine(g.nvtxs, g.nhedges(), g.vwgts.data(), g.eptr.data(), g.eind.data(),
                      g.hewgts.data(), nparts, 10, options.data(), part.data(), &edgecut);
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    ASSERT_TRUE(InRange(part, nparts));
    EXPECT_EQ(edgecut, zt::RecountCut(g, part.data()));
    EXPECT_LE(edgecut, cut0);
    EXPECT_LT(edgecut, cut0);  // a random partition always leaves something to gain
    EXPECT_LE(Imbalance(g, part, nparts), 1.10 + 1e-6);
    EXPECT_EQ(g.eind, before.eind);
    EXPECT_EQ(g.vwgts, before.vwgts);
  }
}

TEST(KWayRefine, ReturnsHyperedgeCutAlsoUnderSOED) {
  zt::PlainHGraph g = zt::Generate(MixedSpec(40));
  std::vector<int> part = RandomEvenPartition(g.nvtxs, 4, 40);
  std::vector<int> options = Options(1, 1, 2, 1, 1, 0);
  int edgecut = -1;
  ZORBEL_KWayRefine(g.nvtxs, g.nhedges(), g.vwgts.data(), g.eptr.data(), g.eind.data(),
                    g.hewgts.data(), 4, 10, options.data(), part.data(), &edgecut);
  ASSERT_TRUE(InRange(part, 4));
  EXPECT_EQ(edgecut, zt::RecountCut(g, part.data()));
}

TEST(KWayRefine, PartOutsideTheRequestedPartsEndsTheRun) {
  zt::PlainHGraph g = zt::Generate(MixedSpec(41));
  std::vector<int> options = Options(1, 1, 1, 1, 1, 0);
  for (int bad : {-1, 4, 1 << 20}) {
    std::vector<int> part = RandomEvenPartition(g.nvtxs, 4, 41);
    part[17] = bad;
    int edgecut = -1;
    EXPECT_EXIT(ZORBEL_KWayRefine(g.nvtxs, g.nhedges(), g.vwgts.data(), g.eptr.data(),
                                  g.eind.data(), g.hewgts.data(), 4, 10, options.data(),
                                  part.data(), &edgecut),
                ::testing::ExitedWithCode(1),
                "ZORBEL_KWayRefine: part " + std::to_string(bad) +
                    " of vertex 17 lies outside 0\\.\\.3\\.");
  }
}

TEST(ComputeBalanceKway, IsHeaviestPartOverAveragePart) {
  for (unsigned seed = 1; seed <= 5; seed++) {
    zt::PlainHGraph g = zt::Generate(zt::GenSpec{.nvtxs = 97, .nhedges = 10, .maxvwgt = 9, .seed = seed});
    int nparts = 2 + static_cast<int>(seed);
    std::vector<int> part(g.nvtxs);
    std::mt19937 rng(seed);
    for (int &p : part) p = std::uniform_int_distribution<int>(0, nparts - 1)(rng);
    HGraph *graph = zt::ToHGraph(g);
    CtrlType ctrl{};
    ctrl.nparts = nparts;
    EXPECT_FLOAT_EQ(ComputeBalanceKway__(&ctrl, graph, part.data()),
                    static_cast<float>(Imbalance(g, part, nparts)));
    FreeHGraph__(graph);
  }
}

}  // namespace
