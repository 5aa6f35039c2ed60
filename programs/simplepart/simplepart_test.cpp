#include <gtest/gtest.h>

#include <random>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "hgraph/hgraph.h"
#include "testgen.h"

namespace {

const char kUsage[] =
    "Usage: %s <GraphFile> <Nparts> <UBfactor>\n"
    "       or\n"
    "       %s <GraphFile> <FixFile> <Nparts> <UBfactor>\n"
    "Where:\n"
    " GraphFile: name of the hypergraph file\n"
    " FixFile  : name of the file containing pre-assignment of vertices to partitions\n"
    " Nparts   : number of partitions desired\n"
    " UBfactor : balance between the partitions (e.g., use 5 for a 45-55 bisection balance)\n";

std::string Usage(const std::string &prog) {
  std::string u = kUsage;
  for (size_t at; (at = u.find("%s")) != std::string::npos;) u.replace(at, 2, prog);
  return u;
}

zt::RunResult Simplepart(const std::vector<std::string> &args) {
  return zt::RunProgram(zt::ProgramPath("simplepart"), args);
}

zt::PlainHGraph Gen(unsigned seed, int nvtxs = 300, int maxvwgt = 1) {
  zt::GenSpec gs;
  gs.nvtxs = nvtxs;
  gs.nhedges = nvtxs * 3 / 2;
  gs.maxvwgt = maxvwgt;
  gs.maxhwgt = 4;
  gs.nislands = 3;
  gs.nlarge = 1;
  gs.seed = seed;
  return zt::Generate(gs);
}

int Count(const std::string &text, const std::string &what) {
  int n = 0;
  for (size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size()) ++n;
  return n;
}

TEST(Simplepart, WrongArgumentCountsPrintTheUsageText) {
  std::string prog = zt::ProgramPath("simplepart");
  for (auto args : std::vector<std::vector<std::string>>{{}, {"g.hgr"}, {"g.hgr", "4"},
                                                         {"a", "b", "4", "5", "x"}}) {
    zt::RunResult r = Simplepart(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, Usage(prog));
    EXPECT_EQ(r.err, "");
  }
}

TEST(Simplepart, ReportsTheFiguresOfThePartitionFileWithinBalance) {
  zt::TempDir dir;
  const int formats[] = {0, 1, 10, 11};
  for (unsigned seed = 1; seed <= 4; ++seed) {
    zt::PlainHGraph g = Gen(seed, 200, 3);
    int fmt = formats[seed % 4];
    if (fmt / 10 == 0) std::fill(g.vwgts.begin(), g.vwgts.end(), 1);
    if (fmt % 10 == 0) std::fill(g.hewgts.begin(), g.hewgts.end(), 1);
    std::string file = dir.file("g.hgr");
    zt::WriteHGraphFile(file, g, fmt);
    int total = 0;
    for (int w : g.vwgts) total += w;
    for (int nparts : {2 + static_cast<int>(seed) % 2, 4 + static_cast<int>(seed) % 2}) {
      int ub = nparts % 2 ? 10 : 5;
      zt::RunResult r = Simplepart({file, std::to_string(nparts), std::to_string(ub)});
      std::vector<int> part = zt::CheckPartitionRun(r, g, file, nparts);
      ASSERT_FALSE(part.empty()) << r.out << r.err;
      double bound = zt::BisectionPartBound(nparts, total, ub / 100.0) + 3 * nparts;
      for (int w : zt::RecountPartWeights(g, part.data(), nparts)) EXPECT_LE(w, bound);
      // One header line per bisection.
      EXPECT_EQ(Count(r.out, "Bisecting a hgraph of size"), nparts - 1);
      EXPECT_NE(r.out.find("Options: HFC, FM, Reconst-False, V-cycles @ End, No Fixed Vertices"),
                std::string::npos);
    }
  }
}

TEST(Simplepart, EndsWithTheTimingLines) {
  zt::TempDir dir;
  zt::PlainHGraph g = Gen(9, 100);
  std::string file = dir.file("t.hgr");
  zt::WriteHGraphFile(file, g, 1);
  zt::RunResult r = Simplepart({file, "2", "5"});
  ASSERT_EQ(r.status, 0);
  // The tail after the statistics, rebuilt from the two printed times.
  size_t at = r.out.rfind("\n\nTiming Information");
  ASSERT_NE(at, std::string::npos) << r.out;
  std::string tail = r.out.substr(at);
  double parttime = -1, iotime = -1;
  ASSERT_EQ(std::sscanf(tail.c_str(), "%*[^:]:%lfsec%*[^:]:%lfsec", &parttime, &iotime), 2) << tail;
  char expected[512];
  std::snprintf(expected, sizeof expected,
                "\n\nTiming Information ---------------------------------------------------------"
                "\n  Partitioning Time:\t\t %7.3fsec"
                "\n           I/O Time:\t\t %7.3fsec"
                "\n*******************************************************************************\n",
                parttime, iotime);
  EXPECT_EQ(tail, expected);
  EXPECT_NE(r.out.find("\n\n      Partition Sizes & External Degrees:\n\t"), std::string::npos);
  EXPECT_EQ(r.out.rfind("*******************************************************************************\n", 0), 0u);
}

TEST(Simplepart, PreassignedVerticesStayInTheirParts) {
  zt::TempDir dir;
  for (unsigned seed = 1; seed <= 2; ++seed) {
    zt::PlainHGraph g = Gen(seed, 250);
    std::string file = dir.file("f.hgr"), fix = dir.file("f.fix");
    zt::WriteHGraphFile(file, g, 1);
    for (int nparts : {2, 4, 5}) {
      std::mt19937 rng(seed * 31 + nparts);
      std::vector<int> pre(g.nvtxs, -1);
      std::string text;
      for (int v = 0; v < g.nvtxs; ++v) {
        if (rng() % 8 == 0) pre[v] = static_cast<int>(rng() % nparts);
        text += std::to_string(pre[v]) + (v % 7 == 6 ? "\n" : " ");
      }
      zt::WriteFile(fix, text);
      zt::RunResult r = Simplepart({file, fix, std::to_string(nparts), "5"});
      std::vector<int> part = zt::CheckPartitionRun(r, g, file, nparts);
      ASSERT_FALSE(part.empty());
      for (int v = 0; v < g.nvtxs; ++v)
        if (pre[v] != -1) {
          EXPECT_EQ(part[v], pre[v]) << "vertex " << v;
        }
      EXPECT_EQ(r.out.find("Fixing failed"), std::string::npos);
      EXPECT_NE(r.out.find("With Fixed Vertices"), std::string::npos);
    }
  }
}

TEST(Simplepart, FixFileOfFreeVerticesOnlyIsAccepted) {
  zt::TempDir dir;
  zt::PlainHGraph g = Gen(4, 120);
  std::string file = dir.file("free.hgr"), fix = dir.file("free.fix");
  zt::WriteHGraphFile(file, g, 0);
  std::fill(g.hewgts.begin(), g.hewgts.end(), 1);
  std::fill(g.vwgts.begin(), g.vwgts.end(), 1);
  std::string text;
  for (int v = 0; v < g.nvtxs; ++v) text += "-1\n";
  zt::WriteFile(fix, text);
  zt::RunResult r = Simplepart({file, fix, "3", "5"});
  EXPECT_FALSE(zt::CheckPartitionRun(r, g, file, 3).empty());
  EXPECT_NE(r.out.find("With Fixed Vertices"), std::string::npos);
}

TEST(Simplepart, FixFileNamingTooManyPartsIsRejectedBeforeTheBanner) {
  zt::TempDir dir;
  zt::PlainHGraph g = Gen(5, 40);
  std::string file = dir.file("x.hgr"), fix = dir.file("x.fix");
  zt::WriteHGraphFile(file, g, 0);
  std::string text;
  for (int v = 0; v < g.nvtxs; ++v) text += v == 17 ? "4\n" : "-1\n";
  zt::WriteFile(fix, text);
  zt::RunResult r = Simplepart({file, fix, "4", "5"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Input Error:\n\tThe file " + fix +
                       " contains more than 4 sets of pre-assigned vertices.\n\n");
}

TEST(Simplepart, OptionErrorsComeFromTheLibraryAfterTheBanner) {
  zt::TempDir dir;
  zt::PlainHGraph g = Gen(6, 40);
  std::string file = dir.file("o.hgr");
  zt::WriteHGraphFile(file, g, 0);
  const struct { const char *nparts, *ub, *msg; } cases[] = {
      {"1", "5", "Nparts should be at least 2.\n\n"},
      {"abc", "5", "Nparts should be at least 2.\n\n"},
      {"2", "0", "UBfactor should be between 1 and 49.\n\n"},
      {"2", "50", "UBfactor should be between 1 and 49.\n\n"},
      {"2", "five", "UBfactor should be between 1 and 49.\n\n"}};
  for (const auto &c : cases) {
    zt::RunResult r = Simplepart({file, c.nparts, c.ub});
    EXPECT_EQ(r.status, 1) << c.nparts << " " << c.ub;
    EXPECT_EQ(r.err, c.msg);
    EXPECT_NE(r.out.find("HyperGraph Information"), std::string::npos);
  }
}

TEST(Simplepart, UnreadableFilesEndWithStatusOne) {
  zt::TempDir dir;
  EXPECT_EQ(Simplepart({dir.file("missing.hgr"), "2", "5"}).status, 1);
  zt::PlainHGraph g = Gen(7, 30);
  std::string file = dir.file("m.hgr");
  zt::WriteHGraphFile(file, g, 0);
  EXPECT_EQ(Simplepart({file, dir.file("missing.fix"), "2", "5"}).status, 1);
}

TEST(Simplepart, CompressedFilesPartitionAsTheirPlainTwinsAndDamagedOnesWriteNothing) {
  zt::TempDir dir;
  zt::PlainHGraph g = Gen(5, 200, 3);
  std::string plain = dir.file("g.hgr"), fix = dir.file("g.fix");
  zt::WriteHGraphFile(plain, g, 11);
  std::string fixtext;
  for (int v = 0; v < 200; ++v) fixtext += v % 50 == 0 ? std::to_string(v % 3) + "\n" : "-1\n";
  zt::WriteFile(fix, fixtext);
  std::string gz = plain + ".gz", fixgz = fix + ".gz";
  zt::WriteGzipFile(gz, zt::ReadFile(plain));
  zt::WriteGzipFile(fixgz, fixtext);
  setenv("ZORBEL_SEED", "3", 1);
  zt::RunResult a = Simplepart({plain, fix, "3", "5"});
  zt::RunResult b = Simplepart({gz, fixgz, "3", "5"});
  unsetenv("ZORBEL_SEED");
  std::vector<int> part = zt::CheckPartitionRun(b, g, gz, 3);
  ASSERT_FALSE(part.empty()) << b.out << b.err;
  EXPECT_EQ(zt::ReadFile(gz + ".part.3"), zt::ReadFile(plain + ".part.3"));

  std::string bytes = zt::ReadFile(gz);
  std::string cut = dir.file("cut.hgr.gz");
  zt::WriteFile(cut, bytes.substr(0, bytes.size() * 2 / 3));
  zt::RunResult r = Simplepart({cut, "3", "5"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "The compressed input file " + cut + " is truncated: it ends before its data does\n\n");
  EXPECT_FALSE(std::filesystem::exists(cut + ".part.3"));
}

TEST(Simplepart, WeightTotalsPastTheLimitAreRefusedAndAtTheLimitReportedExactly) {
  zt::TempDir dir;
  const std::string wfile = dir.file("w.hgr"), vfile = dir.file("v.hgr");
  zt::WriteFile(wfile, "3 4 1\n1500000000 1 2\n1500000000 2 3\n1500000000 3 4\n");
  zt::WriteFile(vfile, "2 4 10\n1 2\n3 4\n2000000000\n2000000000\n1\n1\n");
  zt::RunResult r = Simplepart({wfile, "2", "5"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, wfile + ": the total hyperedge weight 4500000000 exceeds the limit 1073741823.\n\n");
  r = Simplepart({vfile, "2", "5"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, vfile + ": the total vertex weight 4000000002 exceeds the limit 1073741823.\n\n");

  // Both totals exactly at the limit: the figures are exact.
  zt::PlainHGraph g = Gen(12, 200);
  for (std::vector<int> *w : {&g.vwgts, &g.hewgts}) {
    const int n = static_cast<int>(w->size());
    for (int &x : *w) x = kMaxTotalWeight / n;
    (*w)[0] += kMaxTotalWeight % n;
  }
  const std::string lfile = dir.file("limit.hgr");
  zt::WriteHGraphFile(lfile, g, 11);
  r = Simplepart({lfile, "2", "5"});
  std::vector<int> part = zt::CheckPartitionRun(r, g, lfile, 2);
  ASSERT_FALSE(part.empty());
  long long cut = 0;
  for (int e = 0; e < g.nhedges(); ++e)
    for (int j = g.eptr[e]; j < g.eptr[e + 1]; ++j)
      if (part[g.eind[j]] != part[g.eind[g.eptr[e]]]) {
        cut += g.hewgts[e];
        break;
      }
  EXPECT_EQ(zt::ParseStatistics(r.out).cut, cut);
}

// Inputs that leave nothing sensible to balance still give a valid partition file.
TEST(Simplepart, DegenerateInputsStillWriteAValidPartition) {
  zt::TempDir dir;

  zt::PlainHGraph few = Gen(8, 6);
  std::string fewfile = dir.file("few.hgr");
  zt::WriteHGraphFile(fewfile, few, 11);
  EXPECT_FALSE(zt::CheckPartitionRun(Simplepart({fewfile, "5", "5"}), few, fewfile, 5).empty());
  EXPECT_EQ(Simplepart({fewfile, "6", "5"}).status, 0);
  // More parts than vertices are refused before anything is printed.
  for (int nparts : {7, 12, 1000000000}) {
    zt::RunResult r = Simplepart({fewfile, std::to_string(nparts), "5"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Nparts " + std::to_string(nparts) + " is greater than the number of vertices 6.\n\n");
  }

  zt::PlainHGraph islands;
  islands.nvtxs = 25;
  islands.vwgts.assign(25, 1);
  std::string islfile = dir.file("isl.hgr");
  zt::WriteHGraphFile(islfile, islands, 0);
  EXPECT_FALSE(zt::CheckPartitionRun(Simplepart({islfile, "4", "5"}), islands, islfile, 4).empty());

  zt::PlainHGraph zero = Gen(9, 60);
  std::fill(zero.vwgts.begin(), zero.vwgts.end(), 0);
  std::string zfile = dir.file("zero.hgr");
  zt::WriteHGraphFile(zfile, zero, 11);
  EXPECT_FALSE(zt::CheckPartitionRun(Simplepart({zfile, "4", "5"}), zero, zfile, 4).empty());

  zt::PlainHGraph all = Gen(10, 50);
  std::string afile = dir.file("all.hgr"), afix = dir.file("all.fix");
  zt::WriteHGraphFile(afile, all, 11);
  std::string text;
  for (int v = 0; v < all.nvtxs; ++v) text += std::to_string(v % 4) + "\n";
  zt::WriteFile(afix, text);
  zt::RunResult r = Simplepart({afile, afix, "4", "5"});
  std::vector<int> part = zt::CheckPartitionRun(r, all, afile, 4);
  for (int v = 0; v < static_cast<int>(part.size()); ++v) EXPECT_EQ(part[v], v % 4);
  EXPECT_EQ(r.out.find("Fixing failed"), std::string::npos);
}

TEST(Simplepart, Ibm01CutsAreCompetitive) {
  std::string ibm = zt::InstancePath("ibm01.hgr");
  if (ibm.empty()) GTEST_SKIP() << "instances absent";
  zt::TempDir dir;
  std::string file = dir.file("ibm01.hgr");
  zt::WriteFile(file, zt::ReadFile(ibm));
  // simplepart seeds from the clock. At 1% imbalance the trials of an ibm01
  // bisection fall into two groups: more than a quarter of the FC trials reach
  // 203-215, the other trials end at 250-360. In about one run in ten none of
  // the ten trials reaches the first group and the bisection ends at 253-260
  // (the worst of seeds 1-40).
  const struct { int nparts, maxcut; } cases[] = {{2, 270}, {8, 1000}};
  for (const auto &c : cases) {
    zt::RunResult r = Simplepart({file, std::to_string(c.nparts), "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    zt::PrintedStatistics st = zt::ParseStatistics(r.out);
    ASSERT_TRUE(st.ok);
    EXPECT_LE(st.cut, c.maxcut) << c.nparts << "-way";
  }
}

}  // namespace
