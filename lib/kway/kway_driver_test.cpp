// The multilevel k-way driver's V-cycle policies: the rules themselves at
// their boundaries, and the driver's decisions over several trials replayed
// from its trace against the same rules recounted from the trial figures.
#include <gtest/gtest.h>

#include <climits>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "kway/kway.h"
#include "rb/trials.h"
#include "testgen.h"
#include "zorbel.h"

namespace {

TEST(KwayVCyclePolicy, AllTakesTrialsBelowOnePointTwoOfTheBestOrLessThanTwentyAbove) {
  for (bool improved : {false, true}) {
    EXPECT_TRUE(WantVCycles__(3, 239, 200, improved));   // below 1.2 * 200
    EXPECT_FALSE(WantVCycles__(3, 240, 200, improved));  // 1.2 * 200, 40 above
    EXPECT_TRUE(WantVCycles__(3, 69, 50, improved));     // 19 above, over 1.2 * 50
    EXPECT_FALSE(WantVCycles__(3, 70, 50, improved));    // 20 above
    EXPECT_TRUE(WantVCycles__(3, 10, 200, improved));
    EXPECT_TRUE(WantVCycles__(3, 1 << 30, INT_MAX, improved));  // the first trial
  }
}

TEST(KwayVCyclePolicy, ForMinTakesTrialsReachingTheBestOrImprovingThePrunedBest) {
  EXPECT_TRUE(WantVCycles__(2, 100, 100, false));
  EXPECT_TRUE(WantVCycles__(2, 99, 100, false));
  EXPECT_FALSE(WantVCycles__(2, 101, 100, false));
  EXPECT_TRUE(WantVCycles__(2, 101, 100, true));
  EXPECT_TRUE(WantVCycles__(2, 1 << 30, INT_MAX, false));
}

TEST(KwayVCyclePolicy, NoneAndAtEndNeverCycleInsideTheTrialLoop) {
  for (int vcycle : {0, 1})
    for (bool improved : {false, true}) {
      EXPECT_FALSE(WantVCycles__(vcycle, 5, 100, improved));
      EXPECT_FALSE(WantVCycles__(vcycle, 100, 100, improved));
    }
}

// One trial as the trace shows it: the pruned hypergraph's cut, the full
// hypergraph's cut before V-cycles, whether V-cycles ran, and the final cut.
struct TrialTrace {
  int pruned = -1, full = -1, final = -1;
  bool vcycled = false;
};

// With trace bits 128 and 16 a trial prints its detail line (with the full
// hypergraph's "[before, after]" when hyperedges were pruned), then its
// V-cycle progress line, then its summary line with the final cut.
std::vector<TrialTrace> ParseTrials(const std::string &out) {
  static const std::regex line(R"(^    Cut/SOED of trial +(\d+):\t +(\d+) +\d+(\[(\d+), (\d+)\])?)");
  std::vector<TrialTrace> trials;
  std::istringstream in(out);
  for (std::string l; std::getline(in, l);) {
    std::smatch m;
    if (std::regex_search(l, m, line)) {
      const size_t t = std::stoul(m[1]);
      if (t == trials.size()) {
        TrialTrace tr;
        tr.pruned = std::stoi(m[2]);
        tr.full = m[3].matched ? std::stoi(m[5]) : tr.pruned;
        trials.push_back(tr);
      } else {
        trials.at(t).final = std::stoi(m[2]);
      }
    } else if (l.find("(min = ") != std::string::npos && !trials.empty()) {
      trials.back().vcycled = true;
    }
  }
  return trials;
}

struct PolicyCase {
  zt::GenSpec gs;
  int nparts, vcycle;
};

// Instances whose trials spread widely enough to reach each side of both
// rules: pruned large hyperedges (so the pruned best and the full best part),
// small cuts (the absolute margin), heavy hyperedges (the relative margin).
TEST(KwayVCyclePolicy, DriverCyclesExactlyTheTrialsTheRuleChoosesOverEightTrials) {
  const std::vector<PolicyCase> cases = {
      {{.nvtxs = 80, .nhedges = 100, .maxsize = 6, .nlarge = 2, .seed = 2}, 8, 2},
      {{.nvtxs = 300, .nhedges = 300, .maxsize = 6, .maxhwgt = 10, .nlarge = 3, .seed = 1}, 4, 2},
      {{.nvtxs = 80, .nhedges = 50, .maxsize = 3, .maxhwgt = 30, .seed = 4}, 4, 3},
      {{.nvtxs = 100, .nhedges = 60, .maxsize = 3, .maxhwgt = 100, .seed = 4}, 4, 3},
      {{.nvtxs = 300, .nhedges = 300, .maxsize = 6, .maxhwgt = 10, .nlarge = 3, .seed = 2}, 4, 3},
  };
  for (const PolicyCase &c : cases) {
    const zt::PlainHGraph g = zt::Generate(c.gs);
    const int nruns = 8;
    std::vector<int> options = {1, nruns, 1, 1, c.vcycle, 0, 0, 3, DBG_DETAIL | DBG_TRIAL};
    std::vector<int> part(g.nvtxs);
    int cut = -1;
    ::testing::internal::CaptureStdout();
    ZORBEL_PartKway(g.nvtxs, g.nhedges(), g.vwgts.data(), g.eptr.data(), g.eind.data(),
                    g.hewgts.data(), c.nparts, 10, options.data(), part.data(), &cut);
    const std::vector<TrialTrace> trials = ParseTrials(::testing::internal::GetCapturedStdout());
    ASSERT_EQ(trials.size(), static_cast<size_t>(nruns));

    long long best = INT_MAX, bestpruned = INT_MAX;
    for (int t = 0; t < nruns; ++t) {
      const TrialTrace &tr = trials[t];
      const bool improved = tr.pruned < bestpruned;
      if (improved) bestpruned = tr.pruned;
      const bool near = tr.full < 1.2 * best || tr.full - best < 20;
      const bool wanted = c.vcycle == 3 ? near : tr.full <= best || improved;
      EXPECT_EQ(tr.vcycled, wanted) << "vcycle " << c.vcycle << " seed " << c.gs.seed
                                    << " trial " << t << ": cut " << tr.full << ", best " << best;
      if (!tr.vcycled) {
        EXPECT_EQ(tr.final, tr.full) << "trial " << t;
      }
      EXPECT_LE(tr.final, tr.full) << "trial " << t;
      if (tr.final < best) best = tr.final;
    }
    EXPECT_EQ(cut, best);
    EXPECT_EQ(cut, zt::RecountCut(g, part.data()));
  }
}

}  // namespace

namespace {

// The trials' alternating schemes, the V-cycles' coarsening and the
// vertex-weight limit belong to the driver's phases: the record it is given
// reads the same afterwards, whatever the V-cycle mode and objective.
TEST(KwayDriver, LeavesOptionsAndRecordAsGiven) {
  zt::GenSpec gs;
  gs.nvtxs = 400;
  gs.nhedges = 600;
  gs.maxvwgt = 3;
  gs.nlarge = 2;
  gs.seed = 9;
  const zt::PlainHGraph g = zt::Generate(gs);
  for (int vcycle = 0; vcycle <= 3; ++vcycle) {
    const int options[9] = {1, 3, 1, 1 + vcycle % 2, vcycle, 0, 0, 4, 0};
    const Options opt = ReadOptions__(EntryKind::Kway, g.nvtxs, 3, 10, options);
    const CtrlType ctrl = CallCtrl__(opt);
    const CtrlType before = ctrl;
    HGraph *graph = zt::ToHGraph(g);
    graph->nfixed = 0;
    std::vector<int> part(g.nvtxs, -1);
    const int best = MultilevelKwayPartition__(&ctrl, graph, part.data());
    FreeHGraph__(graph);
    EXPECT_TRUE(ctrl.opt == opt) << vcycle;
    EXPECT_TRUE(ctrl == before) << vcycle;
    EXPECT_EQ(best, vcycle % 2 ? zt::RecountSOED(g, part.data()) : zt::RecountCut(g, part.data()));
  }
}

}  // namespace
