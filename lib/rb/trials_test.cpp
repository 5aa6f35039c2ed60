// The shared trial driver, run with a scripted policy whose trials reach given
// values, against a model of the loop: which trials get V-cycles, which are
// kept for the V-cycles at the end, which partition wins, and which scheme
// each trial was handed.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "rb/trials.h"
#include "testgen.h"

namespace {

constexpr int kNoValue = 1 << 20;

// What the driver asked of the policy.
struct Log {
  std::vector<int> script;    // value of each trial before V-cycles
  std::vector<int> ctypes;    // scheme each trial was handed
  std::vector<int> vcycled;   // value of the partition each V-cycle run started from
  int trials = 0;
};

// Every vertex of a trial's partition holds the trial number, so the winning
// partition names its trial. A V-cycle run lowers the value by one.
struct ScriptedTrials {
  Log *log;
  const char *keptLabel = "test: kept";

  int NKeep(int nruns) const { return nruns <= 4 ? 1 : 2; }
  int NoTrialYet(const HGraph *) const { return kNoValue; }
  void Header(const CtrlType *, const HGraph *) const {}
  void Trial(const CtrlType *ctrl, HGraph *sgraph, int fullpins) const {
    EXPECT_EQ(fullpins, sgraph->netptr[sgraph->nhedges]);  // no hyperedge here is pruned
    const int t = log->trials++;
    log->ctypes.push_back(ctrl->CType);
    sgraph->where = ismalloc__(sgraph->nvtxs, t, "test: where");
    sgraph->mincut = log->script[t];
  }
  int Value(const HGraph *graph) const { return graph->mincut; }
  void SetValue(HGraph *graph, int value) const { graph->mincut = value; }
  void PrintPruned(int, const HGraph *) const {}
  void Carry(const CtrlType *, HGraph *graph, HGraph *sgraph) const {
    ASSERT_EQ(graph->nhedges, sgraph->nhedges);
    graph->mincut = sgraph->mincut;
    HandOverWhere__(sgraph, graph);
  }
  float Balance(const CtrlType *, const HGraph *, const int *) const { return 1.0f; }
  void VCycles(const CtrlType *, HGraph *graph) const {
    log->vcycled.push_back(graph->mincut);
    graph->mincut -= 1;
  }
  void PrintTrial(const CtrlType *, int, const HGraph *) const {}
  void Summary(const CtrlType *, const HGraph *, int, double, const int *) const {}
};

struct Expected {
  int best = kNoValue, winner = -1;
  std::vector<int> vcycled;
};

// The loop as it is meant to run.
Expected Model(const std::vector<int> &script, int vcycle, int nkeep) {
  Expected e;
  int bestinit = kNoValue;
  std::vector<int> keptVals(vcycle == VCYCLE_END ? nkeep : 0, kNoValue), keptTrial(keptVals.size(), -1);
  for (int t = 0; t < static_cast<int>(script.size()); t++) {
    int v = script[t];
    const bool improved = v < bestinit;
    if (improved) bestinit = v;
    const bool cycle = (vcycle == VCYCLE_ALL && (v < 1.2 * e.best || v * 1.0 - e.best < 20)) ||
                       (vcycle == VCYCLE_FORMIN && (v <= e.best || improved));
    if (cycle) e.vcycled.push_back(v--);
    if (v < e.best) e.best = v, e.winner = t;
    if (!keptVals.empty()) {
      const auto k = std::max_element(keptVals.begin(), keptVals.end()) - keptVals.begin();
      if (keptVals[k] > v) keptVals[k] = v, keptTrial[k] = t;
    }
  }
  for (size_t k = 0; k < keptVals.size(); k++) {
    e.vcycled.push_back(keptVals[k]);
    if (keptVals[k] - 1 < e.best) e.best = keptVals[k] - 1, e.winner = keptTrial[k];
  }
  return e;
}

TEST(MultilevelTrials, RunsTheTrialLoopOfTheModelForEveryVCycleMode) {
  zt::GenSpec gs;
  gs.nvtxs = 40;
  gs.nhedges = 50;
  const zt::PlainHGraph g = zt::Generate(gs);
  std::mt19937 rng(7);
  for (int round = 0; round < 200; round++) {
    const int vcycle = round % 4, nruns = 1 + round % 9;
    Log log;
    // Values close together and far apart, so both margins of All matter.
    for (int t = 0; t < nruns; t++)
      log.script.push_back(std::uniform_int_distribution<int>(round % 2 ? 0 : 100, round % 2 ? 60 : 140)(rng));

    CtrlType ctrl{};
    ctrl.opt.Nruns = nruns;
    ctrl.opt.VCycle = static_cast<VCycleMode>(vcycle);
    ctrl.opt.Seed = 1;
    ctrl.CType = round % 3 == 0 ? COARSEN_GFC : COARSEN_HFC;
    ctrl.CoarsenTo = 100;
    ctrl.MaxNetSize = 50;
    const CtrlType before = ctrl;
    HGraph *graph = zt::ToHGraph(g);
    std::vector<int> part(g.nvtxs, -1);
    const int best = MultilevelTrials__(&ctrl, graph, part.data(), ScriptedTrials{&log});
    FreeHGraph__(graph);

    const Expected e = Model(log.script, vcycle, std::min(nruns <= 4 ? 1 : 2, nruns));
    SCOPED_TRACE(testing::Message() << "round " << round << " vcycle " << vcycle);
    ASSERT_EQ(log.trials, nruns);
    EXPECT_EQ(best, e.best);
    EXPECT_EQ(part, std::vector<int>(g.nvtxs, e.winner));
    EXPECT_EQ(log.vcycled, e.vcycled);
    for (int t = 0; t < nruns; t++)
      EXPECT_EQ(log.ctypes[t], ctrl.CType == COARSEN_HFC && t % 2 ? COARSEN_FC : ctrl.CType);
    EXPECT_TRUE(ctrl == before);
  }
}

}  // namespace

// A waiting partition comes back as it was, in bytes when its parts fit one
// and as it was given otherwise.
TEST(MultilevelTrials, AWaitingPartitionComesBackAsItWas) {
  for (int nparts : {2, 256, 257, 5000}) {
    const int n = 1000;
    ZBArray<int> where;
    where = imalloc__(n, "test: where");
    std::vector<int> expected(n);
    for (int v = 0; v < n; ++v) where[v] = expected[v] = (v * 7919) % nparts;
    trials::WaitingParts waiting;
    waiting.Keep(std::move(where), n);
    EXPECT_TRUE(where.get() == nullptr);
    ZBArray<int> back = waiting.Take(n);
    EXPECT_EQ(std::vector<int>(back.get(), back + n), expected) << nparts;
  }
}
