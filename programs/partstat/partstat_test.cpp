#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "testgen.h"

namespace {

zt::RunResult Partstat(const std::vector<std::string> &args) {
  return zt::RunProgram(zt::ProgramPath("partstat"), args);
}

zt::PlainHGraph Gen(unsigned seed) {
  zt::GenSpec gs;
  gs.nvtxs = 200;
  gs.nhedges = 300;
  gs.maxvwgt = 4;
  gs.maxhwgt = 5;
  gs.nislands = 3;
  gs.nlarge = 1;
  gs.seed = seed;
  return zt::Generate(gs);
}

std::string PartText(const std::vector<int> &part) {
  std::string text;
  for (int p : part) text += std::to_string(p) + "\n";
  return text;
}

// The statistics block, from the rule above the summary to the last part size.
std::string Block(const std::string &out) {
  const size_t summary = out.find("  Summary for the");
  if (summary == std::string::npos) return "";
  const size_t from = out.rfind(" ----", summary);
  const size_t to = out.find("\n\n", out.find("Partition Sizes", summary));
  return out.substr(from, to - from);
}

// A partition written by any tool, with part 2 left empty: the printed
// figures equal a recount, and the balance lines follow from the part weights.
TEST(Partstat, ReportsAnyPartitionFileAsRecounted) {
  zt::TempDir dir;
  for (unsigned seed : {1u, 2u, 3u}) {
    zt::PlainHGraph g = Gen(seed);
    std::string graph = dir.file("g.hgr"), partfile = dir.file("g.part");
    zt::WriteHGraphFile(graph, g, 11);
    std::mt19937 rng(seed);
    const int nparts = 5;
    std::vector<int> part(g.nvtxs);
    for (int &p : part) p = std::vector<int>{0, 1, 3, 4}[rng() % 4];
    zt::WriteFile(partfile, PartText(part));

    zt::RunResult r = Partstat({graph, partfile});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    zt::PrintedStatistics st = zt::ParseStatistics(r.out);
    ASSERT_TRUE(st.ok) << r.out;
    EXPECT_EQ(st.nparts, nparts);
    EXPECT_EQ(st.cut, zt::RecountCut(g, part.data()));
    EXPECT_EQ(st.soed, zt::RecountSOED(g, part.data()));
    std::vector<int> pwgts = zt::RecountPartWeights(g, part.data(), nparts);
    EXPECT_EQ(st.pwgts, pwgts);
    EXPECT_EQ(st.pcuts, zt::RecountPartDegrees(g, part.data(), nparts));

    long long total = 0;
    for (int w : pwgts) total += w;
    const int heaviest = *std::max_element(pwgts.begin(), pwgts.end());
    // Connectivity minus one, hyperedge by hyperedge from the parts it touches.
    long long km1 = 0;
    for (int e = 0; e < g.nhedges(); ++e) {
      std::vector<int> touched;
      for (int j = g.eptr[e]; j < g.eptr[e + 1]; ++j) touched.push_back(part[g.eind[j]]);
      std::sort(touched.begin(), touched.end());
      km1 += static_cast<long long>(g.hewgts[e]) *
             (std::unique(touched.begin(), touched.end()) - touched.begin() - 1);
    }
    const long long ceilavg = (total + nparts - 1) / nparts;
    char expected[400];
    std::snprintf(expected, sizeof expected,
                  "\n\n                        Parts:%10d"
                  "\n      Heaviest / Average Part:%10.3f"
                  "\n                  Empty Parts:%10d"
                  "\n       Connectivity - 1 (km1):%10lld"
                  "\n Imbalance over ceil(W/parts):%10.4f\n",
                  nparts, static_cast<double>(heaviest) * nparts / static_cast<double>(total), 1, km1,
                  static_cast<double>(heaviest) / static_cast<double>(ceilavg) - 1.0);
    EXPECT_NE(r.out.find(expected), std::string::npos) << r.out;
  }
}

// On the partition a partitioner wrote, partstat prints the partitioner's own block.
TEST(Partstat, PrintsTheSameBlockAsThePartitioner) {
  zt::TempDir dir;
  zt::PlainHGraph g = Gen(7);
  std::string graph = dir.file("g.hgr");
  zt::WriteHGraphFile(graph, g, 11);
  zt::RunResult run = zt::RunProgram(zt::ProgramPath("simplepart"), {graph, "4", "5"});
  std::vector<int> part = zt::CheckPartitionRun(run, g, graph, 4);
  ASSERT_FALSE(part.empty());
  std::string partfile = dir.file("written.part");
  zt::WriteFile(partfile, PartText(part));
  zt::RunResult r = Partstat({graph, partfile});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(Block(run.out).empty());
  EXPECT_EQ(Block(r.out), Block(run.out));
}

// Files that are not a partition of the hypergraph: one line, status 1.
TEST(Partstat, RefusesWhatIsNotAPartitionOfTheHypergraph) {
  zt::TempDir dir;
  zt::PlainHGraph g = Gen(4);
  std::string graph = dir.file("g.hgr");
  zt::WriteHGraphFile(graph, g, 11);
  std::vector<int> part(g.nvtxs, 1);
  std::string text = PartText(part);
  std::string p = dir.file("p");
  struct Case {
    std::string content, err;
  } cases[] = {
      {PartText(std::vector<int>(g.nvtxs - 1, 0)),
       "Parts from vertex 199 onwards missing from the partition file " + p + "!\n"},
      {text + "0\n",
       "The partition file " + p + " has more entries than the 200 vertices of the hypergraph!\n"},
      {"-1\n" + text.substr(2), "Part -1 of vertex 0 in the partition file " + p + " is negative!\n"},
      {"1\nx\n" + text.substr(4), "Part of vertex 1 in the partition file " + p + " is not an integer!\n"},
      {"200\n" + text.substr(2),
       "Part 200 of vertex 0 in the partition file " + p +
           " is not below the number of vertices 200!\n"},
  };
  for (const Case &c : cases) {
    zt::WriteFile(p, c.content);
    zt::RunResult r = Partstat({graph, p});
    EXPECT_EQ(r.status, 1) << c.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, c.err + "\n");
  }
  zt::RunResult missing = Partstat({graph, dir.file("absent")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_NE(missing.err, "");
}

}  // namespace
