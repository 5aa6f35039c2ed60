#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <vector>

#include "testgen.h"
#include "io/io.h"
#include "prep/prep.h"

namespace {

// Runs body with dir as the working directory, in a child process, so that
// files written to the working directory land in dir.
zt::RunResult InDir(const zt::TempDir &dir, const std::function<void()> &body) {
  return zt::RunInChild([&] {
    if (chdir(dir.path().c_str()) != 0) return 2;
    body();
    return 0;
  });
}

}  // namespace

TEST(Diagnostics, WrittenHypergraphReadsBackEqual) {
  zt::GenSpec gs;
  gs.nvtxs = 7;
  gs.nhedges = 9;
  gs.maxsize = 4;
  gs.maxvwgt = 6;
  gs.maxhwgt = 8;
  gs.seed = 5;
  zt::PlainHGraph plain = zt::Generate(gs);
  HGraph *graph = zt::ToHGraph(plain);
  zt::TempDir dir;
  ASSERT_EQ(InDir(dir, [&] { WriteHGraph(graph); }).status, 0);
  std::string text = zt::ReadFile(dir.file("hgr.7"));
  EXPECT_EQ(text.substr(0, 7), "9 7 11\n");
  EXPECT_NE(text.back(), '\n');
  HGraph *back = ReadHGraph(dir.file("hgr.7").c_str());
  zt::PlainHGraph again = zt::FromHGraph(back);
  EXPECT_EQ(again.eptr, plain.eptr);
  EXPECT_EQ(again.eind, plain.eind);
  EXPECT_EQ(again.hewgts, plain.hewgts);
  EXPECT_EQ(again.vwgts, plain.vwgts);
  FreeHGraph__(back);
  FreeHGraph__(graph);
}

TEST(Diagnostics, ConnectedHypergraphRenumbersPastIsolatedVertex) {
  zt::PlainHGraph plain;
  plain.nvtxs = 6;
  plain.eind = {0, 1, 2, 4, 5, 1};
  plain.eptr = {0, 3, 6};
  plain.hewgts = {1, 1};
  plain.vwgts.assign(6, 1);
  HGraph *graph = zt::ToHGraph(plain);
  CreateIncidentHGraph__(graph);
  zt::TempDir dir;
  ASSERT_EQ(InDir(dir, [&] { WriteConnectedHGraph(graph); }).status, 0);
  EXPECT_EQ(zt::ReadFile(dir.file("new.hgr")), "2 5\n 1 2 3\n 4 5 2");
  HGraph *back = ReadHGraph(dir.file("new.hgr").c_str());
  EXPECT_EQ(back->nvtxs, 5);
  EXPECT_EQ(back->netwgt, nullptr);
  EXPECT_EQ(back->netind[3], 3);
  FreeHGraph__(back);
  FreeHGraph__(graph);
}

TEST(Diagnostics, DumpListsWeightsAndOneBasedPins) {
  zt::PlainHGraph plain;
  plain.nvtxs = 3;
  plain.eind = {0, 2, 1};
  plain.eptr = {0, 2, 3};
  plain.hewgts = {4, 9};
  plain.vwgts.assign(3, 1);
  HGraph *graph = zt::ToHGraph(plain);
  zt::RunResult r = zt::RunInChild([&] {
    DumpHGraph(graph);
    return 0;
  });
  EXPECT_EQ(r.out, "--------------------------\n2 3\n\n[4] 1 3\n[9] 2\n--------------------------\n");
  FreeHGraph__(graph);
}

TEST(Diagnostics, PinCountsPerPartCountCutHyperedgesOnce) {
  zt::PlainHGraph plain;
  plain.nvtxs = 5;
  plain.eind = {0, 1, 1, 2, 3, 3, 4};
  plain.eptr = {0, 2, 5, 7};
  plain.hewgts.assign(3, 1);
  plain.vwgts.assign(5, 1);
  HGraph *graph = zt::ToHGraph(plain);
  std::vector<int> uncut = {0, 0, 0, 0, 0}, split = {0, 0, 1, 1, 2};
  zt::RunResult r = zt::RunInChild([&] {
    Print_Pins(graph, uncut.data(), 3);
    Print_Pins(graph, split.data(), 3);
    return 0;
  });
  EXPECT_EQ(r.out,
            "Number of Pins for each partition are: \n0 0 0 \nTotal number of pins = 0\n"
            "Number of Pins for each partition are: \n1 2 1 \nTotal number of pins = 4\n");
  FreeHGraph__(graph);
}
