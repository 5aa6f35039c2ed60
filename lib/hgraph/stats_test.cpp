#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "testgen.h"
#include "hgraph/hgraph.h"

namespace {

std::string Statistics(const zt::PlainHGraph &g, int nparts, const std::vector<int> &where, bool weights) {
  ::testing::internal::CaptureStdout();
  PrintPartStatistics(g.nvtxs, g.nhedges(), nparts, g.eptr.data(), g.eind.data(),
                      weights ? g.hewgts.data() : nullptr, weights ? g.vwgts.data() : nullptr, where.data());
  return ::testing::internal::GetCapturedStdout();
}

zt::PlainHGraph Make(int nvtxs, std::vector<std::vector<int>> hedges, std::vector<int> hewgts = {}) {
  zt::PlainHGraph g;
  g.nvtxs = nvtxs;
  for (auto &e : hedges) {
    g.eind.insert(g.eind.end(), e.begin(), e.end());
    g.eptr.push_back(static_cast<int>(g.eind.size()));
  }
  g.hewgts = hewgts.empty() ? std::vector<int>(hedges.size(), 1) : hewgts;
  g.vwgts.assign(nvtxs, 1);
  return g;
}

std::string Summary(int nparts, const char *cut, const char *soed, const char *cost, const char *absorption,
                    const std::string &parts) {
  char buf[1024];
  std::snprintf(buf, sizeof buf,
                "\n --------------------------------------------------------------------------"
                "\n  Summary for the %d-way partition:"
                "\n                Hyperedge Cut:%s\t\t(minimize)"
                "\n      Sum of External Degrees:%s\t\t(minimize)"
                "\n                  Scaled Cost:%s\t\t(minimize)"
                "\n                   Absorption:%s\t\t(maximize)"
                "\n\n      Partition Sizes & External Degrees:\n\t%s",
                nparts, cut, soed, cost, absorption, parts.c_str());
  return buf;
}

// The figure printed after a label, read back as a number.
double Figure(const std::string &out, const std::string &label) {
  size_t at = out.find(label);
  EXPECT_NE(at, std::string::npos) << label;
  return std::stod(out.substr(at + label.size()));
}

}  // namespace

TEST(PartStatistics, WeightThreeHyperedgeAcrossTwoParts) {
  zt::PlainHGraph g = Make(2, {{0, 1}}, {3});
  EXPECT_EQ(Statistics(g, 2, {0, 1}, true),
            Summary(2, "         3", "         6", "  3.00e+00", "      0.00", "     1[   3]      1[   3] "));
}

TEST(PartStatistics, FourPinHyperedgeSplitThreeAndOne) {
  zt::PlainHGraph g = Make(4, {{0, 1, 2, 3}});
  EXPECT_EQ(Statistics(g, 2, {0, 0, 0, 1}, false),
            Summary(2, "         1", "         2", "  3.33e-01", "      0.67", "     3[   1]      1[   1] "));
}

TEST(PartStatistics, SevenPartsWrapAfterTheFifth) {
  zt::PlainHGraph g = Make(7, {{0, 1}, {2, 3}});
  std::string parts = "     1[   1]      1[   1]      1[   1]      1[   1]      1[   0] \n\t     1[   0]      1[   0] ";
  EXPECT_EQ(Statistics(g, 7, {0, 1, 2, 3, 4, 5, 6}, false),
            Summary(7, "         2", "         4", "  9.52e-02", "      0.00", parts));
  // Ten parts end with the wrap after the tenth entry.
  zt::PlainHGraph h = Make(10, {});
  std::string out = Statistics(h, 10, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, false);
  EXPECT_EQ(out.substr(out.size() - 15), "     1[   0] \n\t");
}

TEST(PartStatistics, EmptyPartMakesScaledCostNotANumber) {
  zt::PlainHGraph g = Make(2, {{0, 1}});
  std::string out = Statistics(g, 3, {0, 1}, false);
  size_t at = out.find("Scaled Cost:");
  ASSERT_NE(at, std::string::npos);
  std::string field = out.substr(at + 12, 10);
  EXPECT_TRUE(field == "       nan" || field == "      -nan") << field;
  EXPECT_NE(out.find("     0[   0] "), std::string::npos);
}

TEST(PartStatistics, OnePartCutsNothingAndAbsorbsEveryHyperedge) {
  zt::GenSpec gs;
  gs.seed = 4;
  zt::PlainHGraph g = zt::Generate(gs);
  std::vector<int> where(g.nvtxs, 0);
  std::string out = Statistics(g, 2, where, true);
  EXPECT_EQ(Figure(out, "Hyperedge Cut:"), 0);
  EXPECT_EQ(Figure(out, "Sum of External Degrees:"), 0);
  EXPECT_DOUBLE_EQ(Figure(out, "Absorption:"), g.nhedges());
}

TEST(PartStatistics, FiguresMatchBruteForceOnGeneratedPartitions) {
  std::mt19937 rng(8);
  for (unsigned seed = 1; seed <= 30; ++seed) {
    zt::GenSpec gs;
    gs.nvtxs = 50 + static_cast<int>(seed) * 5;
    gs.nhedges = 80;
    gs.maxsize = 8;
    gs.maxvwgt = 4;
    gs.maxhwgt = 5;
    gs.nlarge = seed % 2;
    gs.seed = seed;
    zt::PlainHGraph g = zt::Generate(gs);
    int nparts = 2 + static_cast<int>(seed % 7);
    std::vector<int> where(g.nvtxs);
    for (int &p : where) p = static_cast<int>(rng() % nparts);

    std::string out = Statistics(g, nparts, where, true);
    EXPECT_EQ(Figure(out, "Hyperedge Cut:"), zt::RecountCut(g, where.data()));
    EXPECT_EQ(Figure(out, "Sum of External Degrees:"), zt::RecountSOED(g, where.data()));

    std::vector<int> pwgts(nparts, 0), pcuts(nparts, -5);
    ComputePartWeights(g.nvtxs, g.vwgts.data(), where.data(), pwgts.data());
    EXPECT_EQ(pwgts, zt::RecountPartWeights(g, where.data(), nparts));
    ComputePartCuts(g.nhedges(), nparts, g.eptr.data(), g.eind.data(), g.hewgts.data(), where.data(), pcuts.data());
    std::vector<int> ref(nparts, 0);
    double absorption = 0;
    for (int e = 0; e < g.nhedges(); ++e) {
      std::vector<int> count(nparts, 0);
      for (int j = g.eptr[e]; j < g.eptr[e + 1]; ++j) count[where[g.eind[j]]]++;
      int size = g.eptr[e + 1] - g.eptr[e], touched = 0;
      for (int c : count) touched += c > 0;
      if (touched == 1) absorption += 1;
      for (int p = 0; p < nparts; ++p) {
        if (touched > 1 && count[p] > 0) {
          ref[p] += g.hewgts[e];
          absorption += (count[p] - 1.0) / (size - 1);
        }
      }
    }
    EXPECT_EQ(pcuts, ref);
    EXPECT_NEAR(Figure(out, "Absorption:"), absorption, 0.006);
    // Every part's weight and external degree is listed in order.
    std::string list;
    for (int p = 0; p < nparts; ++p) {
      char buf[32];
      std::snprintf(buf, sizeof buf, "%6d[%4d] ", pwgts[p], ref[p]);
      list += buf;
      if ((p + 1) % 5 == 0) list += "\n\t";
    }
    EXPECT_EQ(out.substr(out.size() - list.size()), list);
  }
}

TEST(RunInfo, DescribesRecursiveBisectionRun) {
  HGraph *graph = CreateHGraph__();
  graph->nvtxs = 7;
  graph->nhedges = 4;
  int options[9] = {1, 10, 1, 1, 1, 0, 0, -1, 0};
  ::testing::internal::CaptureStdout();
  PrintInfo(graph, 4, 5, options, "graph.hgr", 1);
  std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(out,
            "*******************************************************************************\n"
            "ZORBEL 1.5.3\n\n"
            "HyperGraph Information -----------------------------------------------------\n"
            " Name: graph.hgr, #Vtxs:     7, #Hedges:     4, #Parts: 4, UBfactor: 0.05\n"
            " Options: HFC, FM, Reconst-False, V-cycles @ End, No Fixed Vertices\n"
            "\n"
            "Recursive Partitioning... --------------------------------------------------\n");
  FreeHGraph__(graph);
}

TEST(RunInfo, DescribesKwayRunAndNamesUnknownValues) {
  HGraph *graph = CreateHGraph__();
  graph->nvtxs = 12345;
  graph->nhedges = 6;
  int options[9] = {1, 10, 5, 2, 3, 0, 0, -1, 0};
  ::testing::internal::CaptureStdout();
  PrintInfo(graph, 8, 10, options, "x.hgr", 2);
  PrintInfo(graph, 8, 5, nullptr, "x.hgr", 2);
  int odd[9] = {1, 10, 9, 4, 7, 2, 3, -1, 0};
  PrintInfo(graph, 2, 5, odd, "x.hgr", 1);
  std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find(" Name: x.hgr, #Vtxs: 12345, #Hedges:     6, #Parts: 8, UBfactor: 1.10\n"
                     " Options: EDGE, SOED-minimization, Always V-cycle\n\n"
                     "K-way Partitioning... ------------------------------------------------------\n"),
            std::string::npos);
  EXPECT_NE(out.find("UBfactor: 1.05\n\nK-way"), std::string::npos);  // no options line
  EXPECT_NE(out.find(" Options: ??, ??, ??, ??, ??\n"), std::string::npos);
  FreeHGraph__(graph);
}
