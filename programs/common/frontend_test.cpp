#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "testgen.h"
#include "zorbel.h"

namespace {

const char *const kPrograms[] = {"simplepart", "rbpart", "kwaypart", "partstat"};

// Sets ZORBEL_SEED for the programs this test starts, and clears it after.
class SeedVariable {
 public:
  explicit SeedVariable(const std::string &value) { setenv("ZORBEL_SEED", value.c_str(), 1); }
  ~SeedVariable() { unsetenv("ZORBEL_SEED"); }
};

// Standard output without the timing lines, which differ from run to run.
std::string WithoutTimes(const std::string &out) {
  const size_t at = out.find("Timing Information");
  return at == std::string::npos ? out : out.substr(0, at);
}

// -h, --help and --version alone answer with status 0 in every program; with
// other arguments beside them they are a wrong argument list as before.
TEST(Programs, AnswerHelpAndVersionWithStatusZero) {
  for (std::string prog : kPrograms) {
    zt::RunResult wrong = zt::RunProgram(zt::ProgramPath(prog), {});
    EXPECT_EQ(wrong.status, 1) << prog;
    EXPECT_EQ(wrong.out.rfind("Usage:", 0), 0u) << prog;
    for (std::string ask : {"-h", "--help"}) {
      zt::RunResult r = zt::RunProgram(zt::ProgramPath(prog), {ask});
      EXPECT_EQ(r.status, 0) << prog << " " << ask;
      EXPECT_EQ(r.out, wrong.out) << prog << " " << ask;
      EXPECT_EQ(r.err, "");
      EXPECT_EQ(zt::RunProgram(zt::ProgramPath(prog), {ask, "x"}).status, 1) << prog;
    }
    zt::RunResult v = zt::RunProgram(zt::ProgramPath(prog), {"--version"});
    EXPECT_EQ(v.status, 0) << prog;
    EXPECT_EQ(v.out.rfind(prog + " (ZORBEL library ", 0), 0u) << v.out;
    EXPECT_EQ(v.out.back(), '\n');
  }
}

// With ZORBEL_SEED the clock no longer picks the seed: the same seed gives
// the same partition file and the same report, whatever the time.
TEST(Programs, SeedFromTheEnvironmentRepeatsARun) {
  zt::TempDir dir;
  zt::GenSpec gs;
  gs.nvtxs = 400;
  gs.nhedges = 600;
  gs.maxvwgt = 3;
  gs.seed = 5;
  zt::PlainHGraph g = zt::Generate(gs);
  std::string file = dir.file("g.hgr");
  zt::WriteHGraphFile(file, g, 11);
  const std::vector<std::vector<std::string>> runs = {
      {"simplepart", file, "4", "5"}, {"rbpart", file, "4", "5", "3", "2", "1", "2", "0", "8"}};
  for (const auto &run : runs) {
    std::vector<std::string> args(run.begin() + 1, run.end());
    std::vector<std::string> outs, parts;
    for (const char *seed : {"17", "17", "0"}) {
      SeedVariable var(seed);
      zt::RunResult r = zt::RunProgram(zt::ProgramPath(run[0]), args);
      ASSERT_EQ(r.status, 0) << r.err;
      outs.push_back(WithoutTimes(r.out));
      parts.push_back(zt::ReadFile(file + ".part.4"));
    }
    EXPECT_EQ(outs[0], outs[1]) << run[0];
    EXPECT_EQ(parts[0], parts[1]) << run[0];
    EXPECT_FALSE(parts[2].empty()) << run[0];
  }
  // The seed reaches the library: simplepart's partition is the library's
  // for simplepart's options with that seed.
  SeedVariable var("17");
  ASSERT_EQ(zt::RunProgram(zt::ProgramPath("simplepart"), {file, "4", "5"}).status, 0);
  const int options[9] = {1, 10, 1, 1, 1, 0, 0, 17, 0};
  std::vector<int> part(g.nvtxs);
  int cut = 0;
  ZORBEL_PartRecursive(g.nvtxs, g.nhedges(), g.vwgts.data(), g.eptr.data(), g.eind.data(),
                       g.hewgts.data(), 4, 5, options, part.data(), &cut);
  EXPECT_EQ(zt::ReadPartFile(file + ".part.4"), part);
}

// Anything but a non-negative integer in ZORBEL_SEED is refused before the
// run starts, with one line and status 1.
TEST(Programs, SeedThatIsNotANonNegativeIntegerIsRefused) {
  zt::TempDir dir;
  zt::GenSpec gs;
  gs.nvtxs = 50;
  gs.nhedges = 60;
  gs.seed = 2;
  std::string file = dir.file("g.hgr");
  zt::WriteHGraphFile(file, zt::Generate(gs), 0);
  const std::vector<std::vector<std::string>> runs = {
      {"simplepart", file, "2", "5"},
      {"rbpart", file, "2", "5", "2", "1", "1", "1", "0", "0"},
      {"kwaypart", file, "2", "5", "2", "1", "1", "1", "0"}};
  for (const auto &run : runs) {
    for (std::string bad : {"", "-1", "+3", " 3", "3x", "1.5", "seven", "2147483648"}) {
      SeedVariable var(bad);
      zt::RunResult r = zt::RunProgram(zt::ProgramPath(run[0]),
                                       std::vector<std::string>(run.begin() + 1, run.end()));
      EXPECT_EQ(r.status, 1) << run[0] << " '" << bad << "'";
      EXPECT_EQ(r.out, "") << run[0];
      EXPECT_EQ(r.err, "ZORBEL_SEED must be a non-negative integer, not \"" + bad + "\".\n\n");
    }
    SeedVariable ok("2147483647");
    EXPECT_EQ(zt::RunProgram(zt::ProgramPath(run[0]),
                             std::vector<std::string>(run.begin() + 1, run.end())).status, 0);
  }
}

// ZORBEL_NUM_THREADS takes a positive integer, which leaves the partition
// file and the report as they are; anything else is refused before the run
// starts, with one line and status 1.
TEST(Programs, NumThreadsFromTheEnvironmentIsCheckedAndChangesNoResult) {
  zt::TempDir dir;
  zt::GenSpec gs;
  gs.nvtxs = 300;
  gs.nhedges = 400;
  gs.seed = 3;
  std::string file = dir.file("g.hgr");
  zt::WriteHGraphFile(file, zt::Generate(gs), 0);
  SeedVariable seed("5");
  for (std::string prog : {"simplepart", "kwaypart"}) {
    std::vector<std::string> args = {file, "8", "5"};
    if (prog == "kwaypart") args = {file, "8", "5", "2", "1", "1", "1", "0"};
    std::vector<std::string> outs, parts;
    for (const char *n : {"1", "2", "16"}) {
      setenv("ZORBEL_NUM_THREADS", n, 1);
      zt::RunResult r = zt::RunProgram(zt::ProgramPath(prog), args);
      ASSERT_EQ(r.status, 0) << r.err;
      outs.push_back(WithoutTimes(r.out));
      parts.push_back(zt::ReadFile(file + ".part.8"));
    }
    EXPECT_EQ(outs[1], outs[0]) << prog;
    EXPECT_EQ(outs[2], outs[0]) << prog;
    EXPECT_EQ(parts[1], parts[0]) << prog;
    EXPECT_EQ(parts[2], parts[0]) << prog;
    for (std::string bad : {"", "0", "-2", "+3", "3x", "two", "2147483648"}) {
      setenv("ZORBEL_NUM_THREADS", bad.c_str(), 1);
      zt::RunResult r = zt::RunProgram(zt::ProgramPath(prog), args);
      EXPECT_EQ(r.status, 1) << prog << " '" << bad << "'";
      EXPECT_EQ(r.out, "") << prog;
      EXPECT_EQ(r.err, "ZORBEL_NUM_THREADS must be a positive integer, not \"" + bad + "\".\n\n");
    }
  }
  unsetenv("ZORBEL_NUM_THREADS");
}

}  // namespace
