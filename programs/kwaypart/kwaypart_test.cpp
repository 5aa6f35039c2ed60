// kwaypart as a whole program: usage, option messages and exit status, the
// partition file, and the printed figures recomputed from that file.
#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "testgen.h"

namespace {

const char *const kUsage =
    "Usage: %s <GraphFile> <Nparts> <UBfactor> <Nruns> <Ctype> <OType> <VCycle> <dbglvl>\n"
    "Where:\n"
    " GraphFile: name of the data file\n"
    " Nparts   : number of desired partitions\n"
    " UBfactor : balance between the partitions (e.g., 10 bounds the load-imbalance at 10% "
    "(max/average))\n"
    " Nruns    : Number of Iterations \n"
    " CType    : HFC(1), FC(2), GFC(3), HEDGE(4), EDGE(5)\n"
    " OType    : Cut(1), SOED(2)\n"
    " VCycle   : No(0), @End(1), ForMin(2), All(3)\n"
    " dbglvl   : debug level\n\n";

zt::RunResult Kwaypart(const std::vector<std::string> &args) {
  return zt::RunProgram(zt::ProgramPath("kwaypart"), args);
}

std::vector<int> ReadParts(const std::string &path) {
  std::istringstream in(zt::ReadFile(path));
  std::vector<int> part;
  for (int p; in >> p;) part.push_back(p);
  return part;
}

// The number printed after "label:" in the statistics, or -1.
int Figure(const std::string &out, const std::string &label) {
  size_t at = out.find(label + ":");
  int value = -1;
  if (at != std::string::npos) sscanf(out.c_str() + at + label.size() + 1, "%d", &value);
  return value;
}

// The "weight[external degree]" entries of the part list.
std::vector<std::pair<int, int>> PartList(const std::string &out) {
  std::vector<std::pair<int, int>> list;
  size_t at = out.find("Partition Sizes & External Degrees:");
  if (at == std::string::npos) return list;
  std::string tail = out.substr(at, out.find("Timing Information", at) - at);
  for (size_t open = tail.find('['); open != std::string::npos; open = tail.find('[', open + 1)) {
    size_t start = tail.find_last_of(" \t", open) + 1;
    int w = -1, ed = -1;
    sscanf(tail.c_str() + start, "%d[%d]", &w, &ed);
    list.emplace_back(w, ed);
  }
  return list;
}

std::string Replace(std::string text, const std::string &from, const std::string &to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

std::vector<int> ExternalDegrees(const zt::PlainHGraph &g, const std::vector<int> &part, int nparts) {
  std::vector<int> ed(nparts, 0);
  for (int e = 0; e < g.nhedges(); e++) {
    std::vector<char> touched(nparts, 0);
    for (int j = g.eptr[e]; j < g.eptr[e + 1]; j++) touched[part[g.eind[j]]] = 1;
    if (std::accumulate(touched.begin(), touched.end(), 0) > 1)
      for (int p = 0; p < nparts; p++) ed[p] += touched[p] ? g.hewgts[e] : 0;
  }
  return ed;
}

class KwaypartRun : public ::testing::Test {
 protected:
  zt::TempDir dir;
  std::string Write(const zt::PlainHGraph &g, int fmt) {
    std::string path = dir.file("g.hgr");
    zt::WriteHGraphFile(path, g, fmt);
    return path;
  }
};

TEST_F(KwaypartRun, WrongArgumentCountPrintsUsageAndExitsOne) {
  std::string prog = zt::ProgramPath("kwaypart");
  std::string usage = Replace(kUsage, "%s", prog);
  for (int n : {0, 7, 9}) {
    std::vector<std::string> args(n, "1");
    zt::RunResult r = Kwaypart(args);
    EXPECT_EQ(r.status, 1) << n;
    EXPECT_EQ(r.out, usage) << n;
  }
}

// Every objective and every V-cycle policy: the partition file holds one part
// per vertex, the printed figures match a recount from that file, and every
// part stays within the k-way bound.
TEST_F(KwaypartRun, FiguresMatchPartitionFileForEveryObjectiveAndVCyclePolicy) {
  zt::GenSpec s{.nvtxs = 1400, .nhedges = 1700, .maxsize = 5, .maxvwgt = 2, .maxhwgt = 3,
                .nislands = 10, .nlarge = 3};
  for (int otype : {1, 2}) {
    for (int vcycle : {0, 1, 2, 3}) {
      s.seed = static_cast<unsigned>(10 * otype + vcycle);
      zt::PlainHGraph g = zt::Generate(s);
      std::string file = Write(g, 11);
      int nparts = 3 + vcycle % 2;
      zt::RunResult r = Kwaypart({file, std::to_string(nparts), "10", "2", "1",
                                  std::to_string(otype), std::to_string(vcycle), "8"});
      SCOPED_TRACE(::testing::Message() << "otype " << otype << " vcycle " << vcycle);
      ASSERT_EQ(r.status, 0) << r.err;

      std::vector<int> part = ReadParts(file + ".part." + std::to_string(nparts));
      ASSERT_EQ(static_cast<int>(part.size()), g.nvtxs);
      for (int p : part) ASSERT_TRUE(p >= 0 && p < nparts);

      int cut = zt::RecountCut(g, part.data()), soed = zt::RecountSOED(g, part.data());
      EXPECT_EQ(Figure(r.out, "Hyperedge Cut"), cut);
      EXPECT_EQ(Figure(r.out, "Sum of External Degrees"), soed);
      std::string best = "The " + std::string(otype == 1 ? "mincut" : "minsoed") +
                         " for this partitioning = " + std::to_string(otype == 1 ? cut : soed) + ",";
      EXPECT_NE(r.out.find(best), std::string::npos) << r.out;

      std::vector<int> pw = zt::RecountPartWeights(g, part.data(), nparts);
      std::vector<int> ed = ExternalDegrees(g, part, nparts);
      auto list = PartList(r.out);
      ASSERT_EQ(static_cast<int>(list.size()), nparts);
      double total = std::accumulate(pw.begin(), pw.end(), 0.0);
      for (int p = 0; p < nparts; p++) {
        EXPECT_EQ(list[p], std::make_pair(pw[p], ed[p]));
        EXPECT_LE(pw[p], 1.10f * total / nparts + 1e-6) << "part " << p;
      }
    }
  }
}

TEST_F(KwaypartRun, ReportsBannerRunDescriptionAndTiming) {
  zt::PlainHGraph g = zt::Generate(zt::GenSpec{.nvtxs = 400, .nhedges = 500, .seed = 4});
  std::string file = Write(g, 0);
  zt::RunResult r = Kwaypart({file, "4", "5", "1", "3", "2", "2", "0"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("*******************************************************************************\n", 0), 0u);
  EXPECT_NE(r.out.find(" Name: " + file + ", #Vtxs:   400, #Hedges:   500, #Parts: 4, UBfactor: 1.05\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find(" Options: GFC, SOED-minimization, V-cycle for Min\n"), std::string::npos);
  EXPECT_NE(r.out.find("K-way Partitioning... ------------------------------------------------------\n"),
            std::string::npos);
  EXPECT_NE(r.out.find("\n  Summary for the 4-way partition:"), std::string::npos);
  size_t timing = r.out.find("\n\nTiming Information ---------------------------------------------------------"
                             "\n  Partitioning Time:\t\t ");
  ASSERT_NE(timing, std::string::npos) << r.out;
  double parttime = -1, iotime = -1;
  EXPECT_EQ(sscanf(r.out.c_str() + timing,
                   "\n\nTiming Information %*[-]\n  Partitioning Time:\t\t %lfsec\n           "
                   "I/O Time:\t\t %lfsec",
                   &parttime, &iotime),
            2);
  EXPECT_GE(parttime, 0.0);
  EXPECT_GE(iotime, 0.0);
  std::string stars(79, '*');
  EXPECT_TRUE(r.out.ends_with("sec\n" + stars + "\n")) << r.out;
  EXPECT_TRUE(r.err.empty()) << r.err;
}

struct OptionCase {
  std::vector<std::string> numbers;  // Nparts UBfactor Nruns CType OType VCycle dbglvl
  const char *message;
};

TEST_F(KwaypartRun, OptionErrorsFollowTheRunDescriptionAndExitOne) {
  zt::PlainHGraph g = zt::Generate(zt::GenSpec{.nvtxs = 60, .nhedges = 80, .seed = 6});
  std::string file = Write(g, 0);
  const OptionCase cases[] = {
      {{"1", "10", "1", "1", "1", "1", "0"}, "Nparts should be at least 2.\n"},
      {{"x", "10", "1", "1", "1", "1", "0"}, "Nparts should be at least 2.\n"},
      {{"2", "4", "1", "1", "1", "1", "0"}, "UBfactor should be greater than 5.\n"},
      {{"2", "5", "0", "1", "1", "1", "0"}, "Nruns should be at least 1.\n"},
      {{"2", "5", "1", "6", "1", "1", "0"}, "Ctype should be between 1 and 5.\n"},
      {{"2", "5", "1", "1", "3", "1", "0"}, "Rtype should be between 1 and 2.\n"},
      {{"2", "5", "1", "1", "1", "4", "0"}, "Vcycle should be between 0 and 3.\n"},
  };
  for (const OptionCase &c : cases) {
    std::vector<std::string> args{file};
    args.insert(args.end(), c.numbers.begin(), c.numbers.end());
    zt::RunResult r = Kwaypart(args);
    EXPECT_EQ(r.status, 1) << c.message;
    EXPECT_EQ(r.err, std::string(c.message) + "\n");
    EXPECT_NE(r.out.find("K-way Partitioning... "), std::string::npos) << c.message;
    EXPECT_FALSE(std::filesystem::exists(file + ".part.2")) << c.message;
  }
}

TEST_F(KwaypartRun, MorePartsThanVerticesAreRefusedNamingBoth) {
  zt::PlainHGraph g;
  g.nvtxs = 5;
  g.eptr = {0, 2, 5};
  g.eind = {0, 1, 2, 3, 4};
  std::string file = Write(g, 0);
  zt::RunResult r = Kwaypart({file, "6", "10", "1", "1", "1", "1", "0"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "Nparts 6 is greater than the number of vertices 5.\n\n");
  EXPECT_EQ(Kwaypart({file, "5", "10", "1", "1", "1", "1", "0"}).status, 0);
}

TEST_F(KwaypartRun, UnreadableHypergraphFileExitsOne) {
  zt::RunResult r = Kwaypart({dir.file("absent.hgr"), "2", "10", "1", "1", "1", "1", "0"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Can't open input file"), std::string::npos) << r.err;
  EXPECT_TRUE(r.out.empty());
}

// The real circuit netlist: eight parts within 5 per cent of the average at a
// cut well below a thousand.
TEST_F(KwaypartRun, CircuitNetlistIntoEightPartsCutsFewHyperedges) {
  std::string inst = zt::InstancePath("ibm01.hgr");
  if (inst.empty()) GTEST_SKIP() << "shared instances absent";
  std::string file = dir.file("ibm01.hgr");
  std::filesystem::create_symlink(inst, file);
  zt::RunResult r = Kwaypart({file, "8", "5", "10", "1", "1", "1", "0"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<int> part = ReadParts(file + ".part.8");
  ASSERT_EQ(part.size(), 12752u);
  zt::PlainHGraph g;
  {
    HGraph *graph = ReadHGraph(file.c_str());
    g = zt::FromHGraph(graph);
    FreeHGraph__(graph);
  }
  int cut = zt::RecountCut(g, part.data());
  EXPECT_EQ(Figure(r.out, "Hyperedge Cut"), cut);
  EXPECT_LE(cut, 1000);
  std::vector<int> pw = zt::RecountPartWeights(g, part.data(), 8);
  for (int w : pw) EXPECT_LE(w, 1.05f * g.nvtxs / 8 + 1e-6);
}

}  // namespace
