// Bisection trials with V-cycles: every coarsening, refinement and V-cycle
// scheme on generated hypergraphs, checked against brute-force recounts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "kway/kway.h"
#include "rb/bisection_testing.h"
#include "rb/rb.h"
#include "testgen.h"

namespace {

using zt::Balanced;
using zt::BisectionCtrl;

struct BisectionResult {
  std::vector<int> part;
  int cut = -1;
  std::string out;
};

// One bisection of a fresh copy of g, with streams from the record's seed;
// standard output is captured.
BisectionResult Bisect(const zt::PlainHGraph &g, int nfixed, CtrlType ctrl) {
  ctrl.streamKey = SeedKey__(ctrl.opt.Seed);
  HGraph *graph = zt::ToHGraph(g);
  graph->nfixed = nfixed;
  BisectionResult r;
  r.part.assign(g.nvtxs, -1);
  testing::internal::CaptureStdout();
  r.cut = Hypergraph_Bisection__(&ctrl, graph, r.part.data());
  r.out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(graph->where, nullptr);
  EXPECT_EQ(graph->twoway.gain, nullptr);
  EXPECT_NE(graph->incptr, nullptr);
  FreeHGraph__(graph);
  return r;
}

int CountOf(const std::string &text, const std::string &what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) n++;
  return n;
}

// Large hyperedges (pruned), heavy vertices (FM2), islands and weights.
zt::PlainHGraph EveryPathGraph(unsigned seed, int nvtxs) {
  zt::GenSpec gs;
  gs.seed = seed;
  gs.nvtxs = nvtxs;
  gs.nhedges = nvtxs + nvtxs / 5;
  gs.maxsize = 6;
  gs.maxvwgt = 3;
  gs.maxhwgt = 3;
  gs.nislands = nvtxs / 50;
  gs.nlarge = 3;
  gs.nheavy = 3;
  gs.heavywgt = 2 * (2 * nvtxs) / 100 + 15;  // above 2W/CoarsenTo for W near 2 nvtxs
  return zt::Generate(gs);
}

void ExpectSoundBisection(const zt::PlainHGraph &g, const CtrlType &ctrl, const BisectionResult &r,
                          const std::string &what) {
  for (int p : r.part) ASSERT_TRUE(p == 0 || p == 1) << what;
  EXPECT_EQ(r.cut, zt::RecountCut(g, r.part.data())) << what;
  EXPECT_EQ(CountOf(r.out, "Wrong cut!"), 0) << what;
  const std::vector<int> pw = zt::RecountPartWeights(g, r.part.data(), 2);
  EXPECT_TRUE(Balanced(ctrl, pw)) << what << ": " << pw[0] << " " << pw[1];
}

TEST(Bisection, EverySchemeGivesBalancedBisectionWithExactCut) {
  const zt::PlainHGraph g = EveryPathGraph(3, 1100);
  for (int ctype = 1; ctype <= 5; ctype++)
    for (int rtype = 1; rtype <= 3; rtype++)
      for (int vcycle = 0; vcycle <= 3; vcycle++) {
        CtrlType ctrl = BisectionCtrl(0.5f, 0.05f);
        ctrl.CType = ctype;
        ctrl.RType = rtype;
        ctrl.opt.VCycle = static_cast<VCycleMode>(vcycle);
        ctrl.opt.Nruns = 1 + (ctype + rtype) % 2;
        const BisectionResult r = Bisect(g, 0, ctrl);
        ExpectSoundBisection(g, ctrl, r,
                             "CType " + std::to_string(ctype) + " RType " + std::to_string(rtype) +
                                 " VCycle " + std::to_string(vcycle));
      }
}

// Anchors never move: each side keeps the anchors the initial split gave it.
TEST(Bisection, EverySchemeKeepsAnchorsOnTheirSides) {
  const zt::PlainHGraph g = EveryPathGraph(4, 300);
  for (int ctype = 1; ctype <= 5; ctype++)
    for (int rtype = 1; rtype <= 3; rtype++)
      for (int vcycle = 0; vcycle <= 3; vcycle++) {
        CtrlType ctrl = BisectionCtrl(1.0f / 3, 0.05f);
        ctrl.CType = ctype;
        ctrl.RType = rtype;
        ctrl.opt.VCycle = static_cast<VCycleMode>(vcycle);
        ctrl.opt.Nruns = 1 + (ctype + vcycle) % 2;
        const BisectionResult r = Bisect(g, 3, ctrl);
        const std::string what = "CType " + std::to_string(ctype) + " RType " +
                                 std::to_string(rtype) + " VCycle " + std::to_string(vcycle);
        ExpectSoundBisection(g, ctrl, r, what);
        EXPECT_EQ((r.part[0] == 0) + (r.part[1] == 0) + (r.part[2] == 0), 1) << what;
      }
}

TEST(Bisection, WeightedHypergraphsGiveBalancedBisectionsWithExactCut) {
  for (unsigned seed = 10; seed < 22; seed++) {
    zt::GenSpec gs;
    gs.seed = seed;
    gs.nvtxs = 150 + 40 * (seed % 7);
    gs.nhedges = gs.nvtxs + 50;
    gs.minsize = 1 + seed % 2;
    gs.maxsize = 3 + seed % 8;
    gs.maxvwgt = 1 + seed % 6;
    gs.maxhwgt = 1 + seed % 4;
    gs.nislands = seed % 5;
    gs.nlarge = seed % 3;
    const zt::PlainHGraph g = zt::Generate(gs);
    CtrlType ctrl = BisectionCtrl(seed % 2 ? 0.5f : 1.0f / 3, 0.05f);
    ctrl.opt.Nruns = 3;
    ctrl.opt.VCycle = static_cast<VCycleMode>(seed % 4);
    ctrl.CType = 1 + seed % 5;
    ctrl.RType = 1 + seed % 3;
    ExpectSoundBisection(g, ctrl, Bisect(g, 0, ctrl), "seed " + std::to_string(seed));
  }
}

TEST(Bisection, SameSeedGivesSameBisection) {
  const zt::PlainHGraph g = EveryPathGraph(5, 600);
  for (int vcycle = 0; vcycle <= 3; vcycle++) {
    CtrlType ctrl = BisectionCtrl(0.5f, 0.05f);
    ctrl.opt.VCycle = static_cast<VCycleMode>(vcycle);
    ctrl.opt.Nruns = 3;
    ctrl.opt.Seed = 11;
    const BisectionResult a = Bisect(g, 0, ctrl), b = Bisect(g, 0, ctrl);
    EXPECT_EQ(a.part, b.part);
    EXPECT_EQ(a.cut, b.cut);
  }
}

// The trials' schemes, the V-cycles' coarsening and the vertex-weight limit
// are the bisection's own: the record it was given reads the same after it,
// and the limit it used is reported.
TEST(Bisection, LeavesTheGivenRecordAsItWasAndReportsItsLimit) {
  const zt::PlainHGraph g = EveryPathGraph(6, 1100);
  for (int ctype = 1; ctype <= 5; ctype += 2) {
    CtrlType ctrl = BisectionCtrl(0.5f, 0.05f);
    ctrl.CType = ctype;
    ctrl.opt.VCycle = VCYCLE_ALL;
    ctrl.opt.Nruns = 2;
    ctrl.maxcellwgt = -7;
    const CtrlType before = ctrl;
    HGraph *graph = zt::ToHGraph(g);
    graph->nfixed = 0;
    std::vector<int> part(g.nvtxs);
    int maxcellwgt = 0, heavy = 0;
    Hypergraph_Bisection__(&ctrl, graph, part.data(), &maxcellwgt);
    EXPECT_TRUE(ctrl == before) << ctype;
    EXPECT_EQ(maxcellwgt, ComputeMaxCellWgt__(&ctrl, g.nvtxs, g.vwgts.data(), &heavy));
    EXPECT_EQ(heavy, 1);
    FreeHGraph__(graph);
  }
}

// Each V-cycle run prints one progress bracket with bit 128.
TEST(Bisection, VCyclePolicyDecidesWhichTrialsGetVCycles) {
  const zt::PlainHGraph g = EveryPathGraph(7, 200);
  struct Case {
    int vcycle, nruns, runs;
  } cases[] = {{0, 4, 0}, {1, 1, 1}, {1, 10, 1}, {1, 11, 3}, {2, 1, 1}, {3, 1, 1}};
  for (const Case &c : cases) {
    CtrlType ctrl = BisectionCtrl(0.5f, 0.05f);
    ctrl.opt.VCycle = static_cast<VCycleMode>(c.vcycle);
    ctrl.opt.Nruns = c.nruns;
    ctrl.dbglvl = DBG_DETAIL;
    const BisectionResult r = Bisect(g, 0, ctrl);
    EXPECT_EQ(CountOf(r.out, "          ["), c.runs) << c.vcycle << " " << c.nruns;
    EXPECT_EQ(CountOf(r.out, "(min = "), c.runs) << c.vcycle << " " << c.nruns;
  }
}

struct TrialLine {
  int trial, cut;
};

std::vector<TrialLine> TrialLines(const std::string &out) {
  std::vector<TrialLine> lines;
  std::istringstream in(out);
  std::string line;
  float balance;
  TrialLine t;
  while (std::getline(in, line))
    if (std::sscanf(line.c_str(), "    Cut of trial %d:\t %d [%f]", &t.trial, &t.cut, &balance) == 3)
      lines.push_back(t);
  return lines;
}

// The result is the first trial with the smallest cut; the summary averages
// the trials' cuts.
TEST(Bisection, ReturnsBestTrialAndSummarisesAverage) {
  const zt::PlainHGraph g = EveryPathGraph(8, 400);
  for (int vcycle = 0; vcycle <= 3; vcycle++) {
    CtrlType ctrl = BisectionCtrl(0.5f, 0.05f);
    ctrl.opt.VCycle = static_cast<VCycleMode>(vcycle);
    ctrl.opt.Nruns = 6;
    ctrl.dbglvl = DBG_BISECT | DBG_TRIAL;
    const BisectionResult r = Bisect(g, 0, ctrl);
    const std::vector<TrialLine> trials = TrialLines(r.out);
    ASSERT_EQ(trials.size(), 6u);
    int best = trials[0].cut, sum = 0;
    for (int t = 0; t < 6; t++) {
      EXPECT_EQ(trials[t].trial, t);
      best = std::min(best, trials[t].cut);
      sum += trials[t].cut;
    }
    if (vcycle == 1)
      EXPECT_LE(r.cut, best);
    else
      EXPECT_EQ(r.cut, best);
    char summary[200];
    std::snprintf(summary, sizeof summary,
                  "    The mincut for this bisection = %d, (average = %3.1f) (balance = ", r.cut,
                  sum * 1.0 / 6);
    EXPECT_EQ(CountOf(r.out, summary), 1) << r.out;
  }
}

TEST(Bisection, HeaderLinePrintedOnceForBitsEightAndOneTwentyEight) {
  const zt::PlainHGraph g = EveryPathGraph(9, 150);
  for (int dbglvl : {+DBG_BISECT, +DBG_DETAIL, DBG_BISECT | DBG_DETAIL}) {
    CtrlType ctrl = BisectionCtrl(0.5f, 0.05f);
    ctrl.opt.Nruns = 1;
    ctrl.dbglvl = dbglvl;
    const BisectionResult r = Bisect(g, 0, ctrl);
    const std::string header = "\n  Bisecting a hgraph of size [vertices=150, hedges=" +
                               std::to_string(g.nhedges()) + ", balance=0.50]\n";
    EXPECT_EQ(r.out.rfind(header, 0), 0u) << r.out;
    EXPECT_EQ(CountOf(r.out, "Bisecting a hgraph"), 1);
    EXPECT_EQ(CountOf(r.out, "The mincut for this bisection"), 1);
  }
  CtrlType quiet = BisectionCtrl(0.5f, 0.05f);
  quiet.opt.Nruns = 1;
  EXPECT_EQ(Bisect(g, 0, quiet).out, "");
}

// Replays the V-cycle decision of every trial from the detail lines: the cut
// before V-cycles, whether a V-cycle bracket follows, and the trial's result.
TEST(Bisection, VCycleDecisionFollowsPolicyOnEveryTrial) {
  // A 16 x 16 grid of 4-pin cells with widely spread weights gives trials
  // whose cuts differ by more than a fifth, plus two pruned hyperedges.
  const int n = 16;
  zt::PlainHGraph g;
  g.nvtxs = n * n;
  g.vwgts.assign(g.nvtxs, 1);
  std::mt19937 rng(5);
  for (int i = 0; i + 1 < n; i++)
    for (int j = 0; j + 1 < n; j++) {
      g.eind.insert(g.eind.end(), {i * n + j, i * n + j + 1, (i + 1) * n + j, (i + 1) * n + j + 1});
      g.eptr.push_back(static_cast<int>(g.eind.size()));
      g.hewgts.push_back(1 + static_cast<int>(rng() % 200));
    }
  for (int k = 0; k < 2; k++) {
    for (int v = k; v < g.nvtxs; v += g.nvtxs / 60) g.eind.push_back(v);
    g.eptr.push_back(static_cast<int>(g.eind.size()));
    g.hewgts.push_back(1);
  }
  for (int vcycle : {2, 3}) {
    CtrlType ctrl = BisectionCtrl(0.5f, 0.05f);
    ctrl.opt.VCycle = static_cast<VCycleMode>(vcycle);
    ctrl.opt.Nruns = 12;
    ctrl.opt.Seed = 1;  // a stream under which both decisions occur
    ctrl.dbglvl = DBG_DETAIL | DBG_TRIAL;
    const BisectionResult r = Bisect(g, 0, ctrl);

    std::istringstream in(r.out);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    int bestinit = 1 << 30, bestcut = 1 << 30, ntrials = 0, nwith = 0;
    for (size_t i = 0; i < lines.size(); i++) {
      int t, scut, carried, cut;
      float bal;
      if (std::sscanf(lines[i].c_str(), "    Cut of trial %d:\t %d [%d, %d]", &t, &scut, &carried,
                      &cut) != 4)
        continue;  // the pruned hypergraph always loses its large hyperedges here
      const bool improved = scut < bestinit;
      bestinit = std::min(bestinit, scut);
      const bool expected = vcycle == 3 ? (cut < 1.2 * bestcut || cut - bestcut < 20)
                                        : (cut <= bestcut || improved);
      ASSERT_LT(i + 1, lines.size());
      const bool ran = lines[i + 1].rfind("          [", 0) == 0;
      EXPECT_EQ(ran, expected) << "trial " << t << "\n" << r.out;
      const std::string &result = lines[i + 1 + ran];
      ASSERT_EQ(std::sscanf(result.c_str(), "    Cut of trial %d:\t %d [%f]", &t, &cut, &bal), 3)
          << result;
      bestcut = std::min(bestcut, cut);
      ntrials++;
      nwith += ran;
    }
    EXPECT_EQ(ntrials, 12);
    EXPECT_EQ(r.cut, bestcut);
    EXPECT_GE(nwith, 1);  // both decisions occur on this hypergraph
    EXPECT_LT(nwith, 12);
  }
}

// Hypergraphs of a few vertices, or none, still give a sound bisection.
TEST(Bisection, TinyHypergraphsBisectWithExactCut) {
  for (int nvtxs = 0; nvtxs <= 3; nvtxs++)
    for (int vcycle = 0; vcycle <= 3; vcycle++) {
      zt::PlainHGraph g;
      g.nvtxs = nvtxs;
      g.vwgts.assign(nvtxs, 1);
      for (int v = 0; v + 1 < nvtxs; v++) {
        g.eind.insert(g.eind.end(), {v, v + 1});
        g.eptr.push_back(static_cast<int>(g.eind.size()));
        g.hewgts.push_back(1);
      }
      CtrlType ctrl = BisectionCtrl(0.5f, 0.05f);
      ctrl.opt.VCycle = static_cast<VCycleMode>(vcycle);
      ctrl.opt.Nruns = 2;
      const BisectionResult r = Bisect(g, 0, ctrl);
      for (int p : r.part) EXPECT_TRUE(p == 0 || p == 1);
      EXPECT_EQ(r.cut, zt::RecountCut(g, r.part.data())) << nvtxs << " " << vcycle;
      EXPECT_EQ(CountOf(r.out, "Wrong cut!"), 0);
    }
}

// The detail line shows the cut carried over to the full hypergraph and the
// cut after its FM run, which never raises a balanced bisection's cut.
TEST(Bisection, FullHypergraphFmRunsOnlyWhenHyperedgesWerePruned) {
  for (int nlarge : {0, 4}) {
    zt::GenSpec gs;
    gs.seed = 12;
    gs.nvtxs = 500;
    gs.nhedges = 600;
    gs.nlarge = nlarge;
    const zt::PlainHGraph g = zt::Generate(gs);
    CtrlType ctrl = BisectionCtrl(0.5f, 0.05f);
    ctrl.opt.Nruns = 4;
    ctrl.opt.VCycle = static_cast<VCycleMode>(0);
    ctrl.dbglvl = DBG_DETAIL;
    const BisectionResult r = Bisect(g, 0, ctrl);
    std::istringstream in(r.out);
    std::string line;
    int ntrials = 0, nfull = 0;
    while (std::getline(in, line)) {
      int t, scut, carried, refined;
      if (std::sscanf(line.c_str(), "    Cut of trial %d:\t %d ", &t, &scut) != 2) continue;
      ntrials++;
      if (std::sscanf(line.c_str(), "    Cut of trial %d:\t %d [%d, %d]", &t, &scut, &carried,
                      &refined) == 4) {
        nfull++;
        EXPECT_LE(refined, carried) << line;
      }
    }
    EXPECT_EQ(ntrials, 4);
    EXPECT_EQ(nfull, nlarge ? 4 : 0);
  }
}

// Joins every vertex to its successor by a 2-pin hyperedge: no islands remain.
void NoIslands(zt::PlainHGraph &g) {
  for (int v = 0; v + 1 < g.nvtxs; v++) {
    g.eind.push_back(v);
    g.eind.push_back(v + 1);
    g.eptr.push_back(static_cast<int>(g.eind.size()));
    g.hewgts.push_back(1);
  }
}

// Partition-preserving V-cycles start from a balanced bisection and keep it
// balanced; the cut never rises and the loop obeys its stopping rule. (With
// islands a level balances without them first, which may cost cut.)
TEST(VCycleRefinement, NeverRaisesCutAndStopsAfterTwoCyclesWithoutNewBest) {
  for (unsigned seed = 20; seed < 23; seed++) {
    zt::PlainHGraph g = EveryPathGraph(seed, 1300);
    NoIslands(g);
    CtrlType ctrl = BisectionCtrl(0.5f, 0.05f);
    ctrl.opt.Nruns = 1;
    ctrl.opt.VCycle = static_cast<VCycleMode>(0);
    ctrl.RType = 1 + seed % 3;
    HGraph *graph = zt::ToHGraph(g);
    graph->nfixed = 0;
    std::vector<int> part(g.nvtxs);
    const int cut = Hypergraph_Bisection__(&ctrl, graph, part.data());

    graph->where = imalloc__(g.nvtxs, "test: where");
    std::copy(part.begin(), part.end(), graph->where.get());
    graph->mincut = cut;
    ctrl.dbglvl = DBG_DETAIL;
    testing::internal::CaptureStdout();
    const int vcut = VCycleRefinement__(&ctrl, graph, 10);
    const std::string out = testing::internal::GetCapturedStdout();

    EXPECT_EQ(vcut, graph->mincut);
    EXPECT_EQ(vcut, zt::RecountCut(g, graph->where));
    EXPECT_LE(vcut, cut);
    EXPECT_TRUE(Balanced(ctrl, zt::RecountPartWeights(g, graph->where, 2)));
    EXPECT_EQ(ctrl.CoarsenTo, 100);

    // "          [c0 c1 ... (min = c)]": replay the stopping rule on the cuts.
    ASSERT_EQ(out.rfind("          [", 0), 0u) << out;
    std::istringstream in(out.substr(11));
    std::vector<int> cycles;
    int c;
    while (in >> c) cycles.push_back(c);
    ASSERT_FALSE(cycles.empty());
    ASSERT_LE(cycles.size(), 10u);
    int best = cut, last = -1;
    for (int i = 0; i < static_cast<int>(cycles.size()); i++) {
      EXPECT_LE(cycles[i], i == 0 ? cut : cycles[i - 1]);
      const bool stop = !(cycles[i] < best) && i - last >= 2;
      if (cycles[i] < best) best = cycles[i], last = i;
      const bool final = i + 1 == static_cast<int>(cycles.size());
      if (stop) {
        EXPECT_TRUE(final) << out;
      }
      if (final && cycles.size() < 10u) {
        EXPECT_TRUE(stop) << out;
      }
    }
    EXPECT_NE(out.find("(min = " + std::to_string(vcut) + ")]\n"), std::string::npos);
    FreeHGraph__(graph);
  }
}

TEST(ComputeMaxCellWgt, LimitLeavesHeavyVerticesOutAndFlagsThem) {
  for (unsigned seed = 1; seed <= 30; seed++) {
    zt::GenSpec gs;
    gs.seed = seed;
    gs.nvtxs = 120 + seed;
    gs.maxvwgt = 1 + seed % 7;
    gs.nheavy = seed % 4;
    gs.heavywgt = 10 + 3 * seed;
    const zt::PlainHGraph g = zt::Generate(gs);
    CtrlType ctrl = BisectionCtrl(0.5f, 0.05f);
    ctrl.HeavyCells = -1;
    long total = 0;
    for (int w : g.vwgts) total += w;
    const long threshold = 2 * total / 100;
    long light = 0;
    int nheavy = 0;
    for (int w : g.vwgts) {
      if (w > threshold)
        nheavy++;
      else
        light += w;
    }
    EXPECT_EQ(ComputeMaxCellWgt__(&ctrl, g.nvtxs, g.vwgts.data(), &ctrl.HeavyCells), 2 * light / (100 - nheavy));
    EXPECT_EQ(ctrl.HeavyCells, nheavy > 0 ? 1 : 0);
  }
}

TEST(ComputeMaxCellWgt, HandExample) {
  // W = 1000, threshold 20: the vertex of 100 is heavy; 2 * 900 / 99 = 18.
  std::vector<int> w(91, 10);
  w[5] = 100;
  CtrlType ctrl = BisectionCtrl(0.5f, 0.05f);
  EXPECT_EQ(ComputeMaxCellWgt__(&ctrl, 91, w.data(), &ctrl.HeavyCells), 18);
  EXPECT_EQ(ctrl.HeavyCells, 1);
  w[5] = 18;  // W = 918, threshold 18: a vertex at the threshold is not heavy, 2 * 918 / 100
  EXPECT_EQ(ComputeMaxCellWgt__(&ctrl, 91, w.data(), &ctrl.HeavyCells), 18);
  EXPECT_EQ(ctrl.HeavyCells, 0);
}

// A k-way call on a single vertex asks for a limit of 0 coarse vertices; the
// limit is then taken as 1 instead of dividing by zero.
TEST(ComputeMaxCellWgt, CoarseningLimitBelowOneCountsAsOne) {
  std::vector<int> w{4, 6};
  CtrlType ctrl = BisectionCtrl(0.5f, 0.05f);
  ctrl.CoarsenTo = 1;
  const int one = ComputeMaxCellWgt__(&ctrl, 2, w.data(), &ctrl.HeavyCells);
  ctrl.CoarsenTo = 0;
  EXPECT_EQ(ComputeMaxCellWgt__(&ctrl, 2, w.data(), &ctrl.HeavyCells), one);
  EXPECT_EQ(one, 20);
  EXPECT_EQ(ctrl.HeavyCells, 0);
}

// ---- Real instances -----------------------------------------------------------

// The shared instances are unweighted: a header "<hyperedges> <vertices>",
// then one line of 1-based pins per hyperedge.
zt::PlainHGraph ReadInstance(const std::string &name) {
  std::istringstream in(zt::ReadFile(zt::InstancePath(name)));
  zt::PlainHGraph g;
  int nhedges;
  std::string line;
  std::getline(in, line);
  std::istringstream(line) >> nhedges >> g.nvtxs;
  for (int e = 0; e < nhedges && std::getline(in, line); e++) {
    std::istringstream pins(line);
    for (int v; pins >> v;) g.eind.push_back(v - 1);
    g.eptr.push_back(static_cast<int>(g.eind.size()));
  }
  g.vwgts.assign(g.nvtxs, 1);
  g.hewgts.assign(g.nhedges(), 1);
  return g;
}

TEST(BisectionInstances, Ibm01BestOfTenTrialsCutsAtMost230) {
  if (zt::InstancePath("ibm01.hgr").empty()) GTEST_SKIP() << "instances absent";
  const zt::PlainHGraph g = ReadInstance("ibm01.hgr");
  CtrlType ctrl = BisectionCtrl(0.5f, 0.01f);
  ctrl.opt.Seed = 1;
  const BisectionResult r = Bisect(g, 0, ctrl);
  ExpectSoundBisection(g, ctrl, r, "ibm01");
  EXPECT_LE(r.cut, 230);
}

// Every value of every option at least once on a real netlist.
TEST(BisectionInstances, EveryOptionValueGivesBalancedBisectionWithExactCut) {
  if (zt::InstancePath("ibm01.hgr").empty()) GTEST_SKIP() << "instances absent";
  const zt::PlainHGraph g = ReadInstance("ibm01.hgr");
  struct Case {
    int ctype, rtype, vcycle;
  } cases[] = {{1, 1, 0}, {2, 2, 1}, {3, 3, 2}, {4, 1, 3}, {5, 2, 0}};
  for (const Case &c : cases) {
    CtrlType ctrl = BisectionCtrl(0.5f, 0.05f);
    ctrl.CType = c.ctype;
    ctrl.RType = c.rtype;
    ctrl.opt.VCycle = static_cast<VCycleMode>(c.vcycle);
    ctrl.opt.Nruns = 1;
    ExpectSoundBisection(g, ctrl, Bisect(g, 0, ctrl),
                         "CType " + std::to_string(c.ctype) + " RType " + std::to_string(c.rtype) +
                             " VCycle " + std::to_string(c.vcycle));
  }
}

}  // namespace
