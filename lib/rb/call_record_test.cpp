// The records of a recursive-bisection call: its options and the record the
// driver is given read the same after the call; what differs per phase (a
// split's target fraction) reaches that phase.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "rb/rb.h"
#include "testgen.h"

namespace {

zt::PlainHGraph Gen(unsigned seed, int nvtxs) {
  zt::GenSpec gs;
  gs.nvtxs = nvtxs;
  gs.nhedges = nvtxs * 3 / 2;
  gs.maxsize = 7;
  gs.maxvwgt = 3;
  gs.maxhwgt = 3;
  gs.nislands = 3;
  gs.nlarge = 2;
  gs.nheavy = 2;
  gs.heavywgt = 20;
  gs.seed = seed;
  return zt::Generate(gs);
}

// Runs the recursive driver as the entry point would and returns the cut.
int Drive(const CtrlType &ctrl, const zt::PlainHGraph &g, std::vector<int> &part) {
  HGraph *graph = zt::ToHGraph(g);
  part.assign(g.nvtxs, -1);
  const int cut = MultilevelPartition__(&ctrl, graph, part.data());
  FreeHGraph__(graph);
  return cut;
}

TEST(CallRecord, RecursiveDriverLeavesOptionsAndRecordAsGiven) {
  const zt::PlainHGraph g = Gen(3, 300);
  for (int vcycle = 0; vcycle <= 3; ++vcycle) {
    for (int nparts : {3, 6}) {
      // Every phase that differs: trials alternating HFC/FC, V-cycles,
      // reconstruction, the k-way finish, traces quieted in initial bisection.
      const int options[9] = {1, 2, 1, 1 + vcycle % 3, vcycle, vcycle % 2, 0, 11, 0};
      const Options opt = ReadOptions__(EntryKind::Recursive, g.nvtxs, nparts, 5, options);
      const CtrlType ctrl = CallCtrl__(opt);
      const CtrlType before = ctrl;
      std::vector<int> part;
      const int cut = Drive(ctrl, g, part);
      EXPECT_TRUE(ctrl.opt == opt) << vcycle << " " << nparts;
      EXPECT_TRUE(ctrl == before) << vcycle << " " << nparts;
      EXPECT_EQ(cut, zt::RecountCut(g, part.data()));
    }
  }
}

// Each bisection announces the share side 0 aims at: the recursion hands
// every split its own, n/2 of n parts.
TEST(CallRecord, EachSplitBisectsWithItsOwnTargetFraction) {
  const zt::PlainHGraph g = Gen(5, 200);
  const int options[9] = {1, 1, 1, 1, 0, 0, 0, 3, DBG_BISECT};
  const CtrlType ctrl = CallCtrl__(ReadOptions__(EntryKind::RecursiveInternal, g.nvtxs, 5, 5, options));
  std::vector<int> part;
  testing::internal::CaptureStdout();
  Drive(ctrl, g, part);
  const std::string out = testing::internal::GetCapturedStdout();
  const std::regex balance(R"(Bisecting a hgraph of size \[vertices=\d+, hedges=\d+, balance=(\d\.\d\d)\])");
  std::vector<std::string> fracs;
  for (std::sregex_iterator it(out.begin(), out.end(), balance), end; it != end; ++it)
    fracs.push_back((*it)[1]);
  EXPECT_EQ(fracs, (std::vector<std::string>{"0.40", "0.50", "0.33", "0.50"}));
  EXPECT_EQ(ctrl.TargetFrac, 0.5f);
}

}  // namespace
