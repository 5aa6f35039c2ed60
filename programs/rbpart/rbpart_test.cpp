#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "testgen.h"

namespace {

const char kUsage[] =
    "Usage: \n %s <GraphFile> <Nparts> <UBfactor> <Nruns> <Ctype> <RType> <VCycle> <Reconst> <dbglvl>\n"
    " or\n"
    " %s <GraphFile> <FixFile> <Nparts> <UBfactor> <Nruns> <Ctype> <RType> <VCycle> <Reconst> <dbglvl>\n"
    "Where:\n"
    " GraphFile: name of the hypergraph file\n"
    " FixFile  : name of the file containing pre-assignment of vertices to partitions\n"
    " Nparts   : number of partitions desired\n"
    " UBfactor : balance between the partitions (e.g., use 5 for a 45-55 bisection balance)\n"
    " Nruns    : Number of Iterations \n"
    " CType    : HFC(1), FC(2), GFC(3), HEDGE(4), EDGE(5)\n"
    " RType    : FM(1), 1WayFM(2), EEFM(3)\n"
    " VCycle   : No(0), @End(1), ForMin(2), All(3)\n"
    " Reconst  : NoReconstruct_HE(0), Reconstruct_HE (1)\n"
    " dbglvl   : debug level\n\n";

std::string Usage(const std::string &prog) {
  std::string u = kUsage;
  for (size_t at; (at = u.find("%s")) != std::string::npos;) u.replace(at, 2, prog);
  return u;
}

zt::RunResult Rbpart(const std::vector<std::string> &args) {
  return zt::RunProgram(zt::ProgramPath("rbpart"), args);
}

zt::PlainHGraph Gen(unsigned seed, int nvtxs = 250) {
  zt::GenSpec gs;
  gs.nvtxs = nvtxs;
  gs.nhedges = nvtxs * 3 / 2;
  gs.maxvwgt = 2;
  gs.maxhwgt = 3;
  gs.nislands = 2;
  gs.nlarge = 1;
  gs.seed = seed;
  return zt::Generate(gs);
}

struct Fixture {
  zt::TempDir dir;
  zt::PlainHGraph g;
  std::string file;
  explicit Fixture(unsigned seed, int nvtxs = 250) : g(Gen(seed, nvtxs)), file(dir.file("h.hgr")) {
    zt::WriteHGraphFile(file, g, 11);
  }
};

TEST(Rbpart, WrongArgumentCountsPrintTheUsageText) {
  std::string prog = zt::ProgramPath("rbpart");
  std::vector<std::string> args;
  for (int n = 0; n <= 12; ++n) {
    if (n != 9 && n != 10) {
      zt::RunResult r = Rbpart(args);
      EXPECT_EQ(r.status, 1) << n << " arguments";
      EXPECT_EQ(r.out, Usage(prog)) << n << " arguments";
    }
    args.push_back("1");
  }
}

TEST(Rbpart, NineArgumentsTakeTheOptionsInOrder) {
  Fixture f(1);
  zt::RunResult r = Rbpart({f.file, "4", "5", "2", "3", "2", "0", "1", "0"});
  EXPECT_FALSE(zt::CheckPartitionRun(r, f.g, f.file, 4).empty());
  EXPECT_NE(r.out.find(" Options: GFC, 1WayFM, Reconst-True, No V-cycles, No Fixed Vertices\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("#Parts: 4, UBfactor: 0.05\n"), std::string::npos);
  EXPECT_EQ(r.out.find("Bisecting a hgraph"), std::string::npos);  // dbglvl 0
}

TEST(Rbpart, TenArgumentsReadTheFixFileSecond) {
  Fixture f(2);
  std::string fix = f.dir.file("h.fix");
  std::vector<int> pre(f.g.nvtxs, -1);
  std::mt19937 rng(2);
  std::string text;
  for (int v = 0; v < f.g.nvtxs; ++v) {
    if (rng() % 6 == 0) pre[v] = static_cast<int>(rng() % 3);
    text += std::to_string(pre[v]) + "\n";
  }
  zt::WriteFile(fix, text);
  zt::RunResult r = Rbpart({f.file, fix, "3", "10", "2", "5", "3", "2", "0", "8"});
  std::vector<int> part = zt::CheckPartitionRun(r, f.g, f.file, 3);
  ASSERT_FALSE(part.empty());
  EXPECT_NE(r.out.find(" Options: EDGE, EEFM, Reconst-False, V-cycle for Min, With Fixed Vertices\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("#Parts: 3, UBfactor: 0.10\n"), std::string::npos);
  for (int v = 0; v < f.g.nvtxs; ++v)
    if (pre[v] != -1) {
      EXPECT_EQ(part[v], pre[v]) << "vertex " << v;
    }
  EXPECT_EQ(r.out.find("Fixing failed"), std::string::npos);
  EXPECT_NE(r.out.find("Bisecting a hgraph"), std::string::npos);  // dbglvl 8
}

TEST(Rbpart, EverySchemeGivesABalancedPartitionMatchingItsReport) {
  Fixture f(3, 200);
  int total = 0;
  for (int w : f.g.vwgts) total += w;
  for (int ctype = 1; ctype <= 5; ++ctype) {
    for (int rtype = 1; rtype <= 3; ++rtype) {
      int vcycle = (ctype + rtype) % 4, reconst = rtype % 2, nparts = 2 + ctype % 3;
      zt::RunResult r = Rbpart({f.file, std::to_string(nparts), "10", "2", std::to_string(ctype),
                                std::to_string(rtype), std::to_string(vcycle),
                                std::to_string(reconst), "0"});
      std::vector<int> part = zt::CheckPartitionRun(r, f.g, f.file, nparts);
      ASSERT_FALSE(part.empty()) << ctype << " " << rtype;
      double bound = zt::BisectionPartBound(nparts, total, 0.10) + 2 * nparts;
      for (int w : zt::RecountPartWeights(f.g, part.data(), nparts))
        EXPECT_LE(w, bound) << ctype << " " << rtype;
    }
  }
}

TEST(Rbpart, OutOfRangeOptionsAreRejectedByTheLibrary) {
  Fixture f(4, 40);
  const struct { std::vector<std::string> opts; const char *msg; } cases[] = {
      {{"0", "1", "1", "1", "0"}, "Nruns should be at least 1.\n\n"},
      {{"1", "6", "1", "1", "0"}, "Ctype should be between 1 and 5.\n\n"},
      {{"1", "0", "1", "1", "0"}, "Ctype should be between 1 and 5.\n\n"},
      {{"1", "1", "4", "1", "0"}, "Rtype should be between 1 and 3.\n\n"},
      {{"1", "1", "1", "4", "0"}, "Vcycle should be between 0 and 3.\n\n"},
      {{"1", "1", "1", "1", "2"}, "Reconst should be between 0 and 1.\n\n"}};
  for (const auto &c : cases) {
    std::vector<std::string> args = {f.file, "2", "5"};
    args.insert(args.end(), c.opts.begin(), c.opts.end());
    args.push_back("0");
    zt::RunResult r = Rbpart(args);
    EXPECT_EQ(r.status, 1) << c.msg;
    EXPECT_EQ(r.err, c.msg);
    EXPECT_NE(r.out.find("HyperGraph Information"), std::string::npos);
  }
}

TEST(Rbpart, MorePartsThanVerticesAreRefusedNamingBoth) {
  Fixture f(5, 40);
  zt::RunResult r = Rbpart({f.file, "41", "5", "1", "1", "1", "0", "0", "0"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "Nparts 41 is greater than the number of vertices 40.\n\n");
  EXPECT_EQ(Rbpart({f.file, "40", "5", "1", "1", "1", "0", "0", "0"}).status, 0);
}

TEST(Rbpart, FixFileNamingTooManyPartsIsRejected) {
  Fixture f(5, 30);
  std::string fix = f.dir.file("bad.fix");
  std::string text;
  for (int v = 0; v < f.g.nvtxs; ++v) text += v == 3 ? "2 " : "-1 ";
  zt::WriteFile(fix, text);
  zt::RunResult r = Rbpart({f.file, fix, "2", "5", "1", "1", "1", "1", "0", "0"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Input Error:\n\tThe file " + fix +
                       " contains more than 2 sets of pre-assigned vertices.\n\n");
}

}  // namespace
