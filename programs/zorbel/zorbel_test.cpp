// zorbel as a whole program: every option reaches the entry point, the JSON
// and the partition file agree with a recount, every refusal is one line and
// leaves nothing behind, and the formats, conversion and statistics hold.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "testgen.h"
#include "zorbel.h"

namespace {

using nlohmann::json;

zt::RunResult Zorbel(const std::vector<std::string> &args, const std::string &cwd = "") {
  return zt::RunProgram(zt::ProgramPath("zorbel"), args, cwd);
}

std::set<std::string> Listing(const std::string &dir) {
  std::set<std::string> names;
  for (const auto &entry : std::filesystem::directory_iterator(dir)) names.insert(entry.path().filename());
  return names;
}

class ZorbelProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    zt::GenSpec gs;
    gs.nvtxs = 300;
    gs.nhedges = 420;
    gs.maxvwgt = 4;
    gs.maxhwgt = 3;
    gs.nlarge = 2;
    gs.seed = 7;
    g_ = zt::Generate(gs);
    path_ = dir_.file("g.hgr");
    zt::WriteHGraphFile(path_, g_, 11);
  }

  // The partition ZORBEL_Partition gives g_ under config.
  std::vector<int> Direct(int k, ZORBEL_Config config, const std::vector<int> &fixed = {}) {
    std::vector<int> part(g_.nvtxs);
    if (!fixed.empty()) config.fixed = fixed.data();
    int value = 0;
    ZORBEL_Partition(g_.nvtxs, g_.nhedges(), g_.vwgts.data(), g_.eptr.data(), g_.eind.data(), g_.hewgts.data(), k,
                     &config, part.data(), &value);
    return part;
  }

  // Runs partition with --json -o FILE and checks what every run must give:
  // status 0, one JSON object with every key, figures equal to a recount
  // from the partition file. Returns the partition.
  std::vector<int> Run(std::vector<std::string> args, int k, json *out = nullptr) {
    const std::string partfile = dir_.file("out.part");
    std::vector<std::string> all = {"partition", path_, "-k", std::to_string(k), "--json", "-o", partfile};
    all.insert(all.end(), args.begin(), args.end());
    zt::RunResult r = Zorbel(all);
    EXPECT_EQ(r.status, 0) << r.err;
    json j = json::parse(r.out);
    for (const char *key : {"input", "format", "vertices", "hyperedges", "pins", "k", "epsilon", "objective", "mode",
                            "preset", "seed", "threads", "cut", "km1", "soed", "imbalance", "part_weights", "seconds",
                            "partition_file"})
      EXPECT_TRUE(j.contains(key)) << key;
    std::vector<int> part = zt::ReadPartFile(partfile);
    EXPECT_EQ(static_cast<int>(part.size()), g_.nvtxs);
    if (static_cast<int>(part.size()) != g_.nvtxs) return part;
    EXPECT_EQ(j["cut"], zt::RecountCut(g_, part.data()));
    EXPECT_EQ(j["km1"], zt::RecountKm1(g_, part.data()));
    EXPECT_EQ(j["soed"], zt::RecountSOED(g_, part.data()));
    const std::vector<int> pwgts = zt::RecountPartWeights(g_, part.data(), k);
    EXPECT_EQ(j["part_weights"].get<std::vector<int>>(), pwgts);
    long long total = 0;
    int heaviest = 0;
    for (int w : pwgts) total += w, heaviest = std::max(heaviest, w);
    const long long ceilavg = (total + k - 1) / k;
    EXPECT_NEAR(j["imbalance"].get<double>(), static_cast<double>(heaviest) / ceilavg - 1.0, 1e-12);
    EXPECT_EQ(j["vertices"], g_.nvtxs);
    EXPECT_EQ(j["hyperedges"], g_.nhedges());
    EXPECT_EQ(j["pins"], static_cast<int>(g_.eind.size()));
    EXPECT_EQ(j["partition_file"], partfile);
    if (out) *out = j;
    return part;
  }

  zt::TempDir dir_;
  zt::PlainHGraph g_;
  std::string path_;
};

TEST_F(ZorbelProgram, EveryOptionReachesTheEntryPoint) {
  ZORBEL_Config base;
  ZORBEL_DefaultConfig(&base);
  base.seed = 5;
  struct Case {
    std::vector<std::string> args;
    int k;
    std::function<void(ZORBEL_Config &)> set;
  };
  const std::vector<Case> cases = {
      {{"--seed", "5"}, 4, [](ZORBEL_Config &) {}},
      {{"--seed", "5", "-e", "0.1", "--objective", "km1"}, 8, [](ZORBEL_Config &c) {
         c.epsilon = 0.1;
         c.objective = ZORBEL_OBJECTIVE_KM1;
       }},
      {{"--seed", "5", "--objective", "soed", "--mode", "kway", "--threads", "1"}, 5, [](ZORBEL_Config &c) {
         c.objective = ZORBEL_OBJECTIVE_SOED;
         c.mode = ZORBEL_MODE_KWAY;
       }},
      {{"--seed", "5", "--preset", "fast"}, 3, [](ZORBEL_Config &c) { c.preset = ZORBEL_PRESET_FAST; }},
      {{"--seed", "5", "--preset", "quality", "--threads", "2"}, 2,
       [](ZORBEL_Config &c) { c.preset = ZORBEL_PRESET_QUALITY; }},
      {{"--seed", "5", "--flows", "on", "--objective", "km1"}, 6, [](ZORBEL_Config &c) {
         c.flows = ZORBEL_FLOWS_ON;
         c.objective = ZORBEL_OBJECTIVE_KM1;
       }},
      {{"--seed", "5", "--flows", "on", "--mode", "kway"}, 4, [](ZORBEL_Config &c) {
         c.flows = ZORBEL_FLOWS_ON;
         c.mode = ZORBEL_MODE_KWAY;
       }},
  };
  for (const Case &c : cases) {
    ZORBEL_Config config = base;
    c.set(config);
    json j;
    EXPECT_EQ(Run(c.args, c.k, &j), Direct(c.k, config)) << c.args[2];
    EXPECT_EQ(j["seed"], 5);
    EXPECT_TRUE(j["balanced"].get<bool>());
  }
  // Part limits and fixed vertices.
  const std::vector<int> limits = {500, 200, 200};
  ZORBEL_Config config = base;
  config.max_part_weights = limits.data();
  json j;
  std::vector<int> part = Run({"--seed", "5", "--max-part-weights", "500,200,200"}, 3, &j);
  EXPECT_EQ(part, Direct(3, config));
  for (int p = 0; p < 3; ++p) EXPECT_LE(j["part_weights"][p].get<int>(), limits[p]);
  std::vector<int> fixed(g_.nvtxs, -1);
  std::string fixtext;
  for (int v = 0; v < g_.nvtxs; ++v) {
    if (v % 10 == 0) fixed[v] = v % 4;
    fixtext += std::to_string(fixed[v]) + "\n";
  }
  zt::WriteFile(dir_.file("fix"), fixtext);
  part = Run({"--seed", "5", "--fixed", dir_.file("fix")}, 4);
  EXPECT_EQ(part, Direct(4, base, fixed));
  for (int v = 0; v < g_.nvtxs; v += 10) EXPECT_EQ(part[v], v % 4);
}

TEST_F(ZorbelProgram, SeedComesFromTheOptionElseTheEnvironmentAndIsPrinted) {
  setenv("ZORBEL_SEED", "9", 1);
  json j;
  const std::vector<int> fromenv = Run({}, 4, &j);
  unsetenv("ZORBEL_SEED");
  EXPECT_EQ(j["seed"], 9);
  EXPECT_EQ(fromenv, Run({"--seed", "9"}, 4));
  const std::vector<int> fromclock = Run({}, 4, &j);
  const int chosen = j["seed"].get<int>();
  EXPECT_GE(chosen, 0);
  EXPECT_EQ(fromclock, Run({"--seed", std::to_string(chosen)}, 4)) << "the printed seed repeats the run";
}

// The report's seconds are elapsed time: a run whose threads work side by
// side reports no more than the time it took, where its processor time
// would add up the threads' seconds.
TEST_F(ZorbelProgram, SecondsAreElapsedTime) {
  const std::string big = dir_.file("big.hgr");
  zt::WriteHGraphFile(big, zt::Generate(zt::TaskSizedSpec(5)), 11);
  const auto start = std::chrono::steady_clock::now();
  zt::RunResult r = Zorbel({"partition", big, "-k", "8", "--preset", "fast", "--threads", "2", "--seed", "1",
                            "--json", "-o", dir_.file("big.part")});
  const double outer = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ASSERT_EQ(r.status, 0) << r.err;
  const json s = json::parse(r.out)["seconds"];
  EXPECT_GT(s["partition"].get<double>(), 0.0);
  EXPECT_NEAR(s["total"].get<double>(), s["read"].get<double>() + s["partition"].get<double>() + s["write"].get<double>(),
              1e-9);
  EXPECT_LE(s["total"].get<double>(), outer);
}

TEST_F(ZorbelProgram, DefaultFileBesideTheInputOrStandardOutput) {
  zt::RunResult r = Zorbel({"partition", path_, "-k", "4", "--seed", "3"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<int> part = zt::ReadPartFile(path_ + ".part.4");
  EXPECT_EQ(static_cast<int>(part.size()), g_.nvtxs);
  EXPECT_NE(r.out.find("Cut           " + std::to_string(zt::RecountCut(g_, part.data())) + "\n"),
            std::string::npos)
      << r.out;
  // -o -: the partition alone on standard output, the report on standard error.
  r = Zorbel({"partition", path_, "-k", "4", "--seed", "3", "-o", "-"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string expected;
  for (int p : part) expected += std::to_string(p) + "\n";
  EXPECT_EQ(r.out, expected);
  EXPECT_NE(r.err.find("Partition     -\n"), std::string::npos) << r.err;
  r = Zorbel({"partition", path_, "-k", "4", "--seed", "3", "-o", "-", "--quiet"});
  EXPECT_EQ(r.out, expected);
  EXPECT_EQ(r.err, "");
}

TEST_F(ZorbelProgram, EveryRefusalIsOneLineWithStatus1AndWritesNothing) {
  std::string fixtext;
  for (int v = 1; v < g_.nvtxs; ++v) fixtext += "-1\n";
  zt::WriteFile(dir_.file("fix"), fixtext + "7\n");
  const std::string missing = dir_.file("missing.hgr");
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"partition", path_}, "zorbel: -k is required"},
      {{"partition", path_, "-k", "1"}, "zorbel: -k must be at least 2, not 1."},
      {{"partition", path_, "-k", "301"}, "zorbel: -k 301 is more than the 300 vertices of " + path_ + "."},
      {{"partition", path_, "-k", "2", "-e", "0"}, "zorbel: -e must lie strictly between 0 and 1, not 0."},
      {{"partition", path_, "-k", "2", "-e", "1.5"}, "zorbel: -e must lie strictly between 0 and 1, not 1.5."},
      {{"partition", path_, "-k", "3", "--max-part-weights", "400,400"},
       "zorbel: --max-part-weights lists 2 weights, but -k asks for 3 parts."},
      {{"partition", path_, "-k", "2", "--max-part-weights", "10,10"},
       "ZORBEL_Partition: the part limits add up to 20, less than the total vertex weight " +
           std::to_string(zt::RecountPartWeights(g_, std::vector<int>(g_.nvtxs, 0).data(), 1)[0]) + ".\n"},
      {{"partition", path_, "-k", "2", "--format", "xml"},
       "zorbel: --format: xml not in {hgr,mtx-columns,mtx-rows,metis}"},
      {{"partition", path_, "-k", "2", "--objective", "area"}, "zorbel: --objective: area not in {cut,km1,soed}"},
      {{"partition", path_, "-k", "2", "--threads", "0"}, "zorbel: --threads must be at least 1, not 0."},
      {{"partition", path_, "-k", "2", "--json", "-o", "-"},
       "zorbel: --json and -o - cannot both write to standard output."},
      {{"partition", path_, "-k", "4", "--fixed", dir_.file("fix")},
       "zorbel: --fixed " + dir_.file("fix") + ": vertex 300 is fixed in part 7, but -k asks for 4 parts."},
      {{"partition", path_, "-k", "4", "--mode", "kway", "--fixed", dir_.file("fix")},
       "zorbel: --fixed needs --mode recursive: direct k-way partitioning does not take fixed vertices."},
      {{"partition", missing, "-k", "2"}, "Can't open input file: No such file or directory"},
      {{"stats", path_}, "zorbel: PARTFILE is required"},
      {{"convert", path_}, "zorbel: OUTPUT is required"},
      {{"frobnicate"}, "zorbel: frobnicate is not a subcommand: they are partition, stats and convert."},
  };
  for (const auto &[args, message] : cases) {
    const std::set<std::string> before = Listing(dir_.path());
    for (bool asjson : {false, true}) {
      std::vector<std::string> a = args;
      if (asjson && a[0] == "partition" && a.back() != "-") a.push_back("--json");
      zt::RunResult r = Zorbel(a);
      EXPECT_EQ(r.status, 1) << message;
      EXPECT_EQ(r.err, message + "\n") << a.size();
      EXPECT_EQ(r.out, "");
      EXPECT_EQ(Listing(dir_.path()), before) << message;
    }
  }
}

TEST_F(ZorbelProgram, FormatFollowsTheFileNameUnlessTheOptionSaysOtherwise) {
  // A 4 x 3 matrix: rows are the vertices of the column-net model.
  const std::string mtx =
      "%%MatrixMarket matrix coordinate pattern general\n4 3 6\n1 1\n2 1\n2 2\n3 2\n4 3\n1 3\n";
  zt::WriteFile(dir_.file("m.mtx"), mtx);
  zt::WriteGzipFile(dir_.file("z.mtx.gz"), mtx);
  zt::WriteFile(dir_.file("m.graph"), "4 3\n2\n1 3\n2 4\n3\n");
  zt::WriteFile(dir_.file("h.graph"), zt::ReadFile(path_));
  const std::vector<std::tuple<std::vector<std::string>, std::string, int, int>> cases = {
      {{dir_.file("m.mtx")}, "mtx-columns", 4, 3},
      {{dir_.file("z.mtx.gz")}, "mtx-columns", 4, 3},
      {{dir_.file("m.mtx"), "--format", "mtx-rows"}, "mtx-rows", 3, 4},
      {{dir_.file("m.graph")}, "metis", 4, 3},
      {{dir_.file("h.graph"), "--format", "hgr"}, "hgr", g_.nvtxs, g_.nhedges()},
  };
  for (const auto &[input, format, nvtxs, nhedges] : cases) {
    std::vector<std::string> args = {"partition", input[0], "-k", "2", "--json", "--seed", "1", "-o", "-"};
    args.erase(args.begin() + 7, args.end());
    args.insert(args.end(), input.begin() + 1, input.end());
    args.push_back("-o");
    args.push_back(dir_.file("p"));
    zt::RunResult r = Zorbel(args);
    ASSERT_EQ(r.status, 0) << r.err;
    json j = json::parse(r.out);
    EXPECT_EQ(j["format"], format);
    EXPECT_EQ(j["vertices"], nvtxs) << format;
    EXPECT_EQ(j["hyperedges"], nhedges) << format;
  }
}

TEST_F(ZorbelProgram, ConvertedHypergraphGivesTheSamePartition) {
  zt::WriteFile(dir_.file("m.mtx"),
                "%%MatrixMarket matrix coordinate real symmetric\n8 8 12\n1 1 1\n2 1 2\n3 2 1\n4 3 1\n5 4 1\n"
                "6 5 1\n7 6 1\n8 7 1\n8 1 3\n5 2 1\n6 3 1\n7 4 1\n");
  for (const std::string &input : {dir_.file("m.mtx"), path_}) {
    const std::string converted = dir_.file("converted.hgr");
    zt::RunResult r = Zorbel({"convert", input, converted});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> run = {"-k", "2", "--seed", "4", "--json"};
    r = Zorbel({"partition", input, "-k", "2", "--seed", "4", "-o", dir_.file("a")});
    ASSERT_EQ(r.status, 0) << r.err;
    r = Zorbel({"partition", converted, "-k", "2", "--seed", "4", "-o", dir_.file("b")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(zt::ReadFile(dir_.file("a")), zt::ReadFile(dir_.file("b"))) << input;
  }
}

TEST_F(ZorbelProgram, StatsOfAnotherProgramsPartitionMatchItsReport) {
  setenv("ZORBEL_SEED", "2", 1);
  zt::RunResult r = zt::RunProgram(zt::ProgramPath("simplepart"), {path_, "5", "5"});
  unsetenv("ZORBEL_SEED");
  ASSERT_EQ(r.status, 0) << r.err;
  const zt::PrintedStatistics printed = zt::ParseStatistics(r.out);
  ASSERT_TRUE(printed.ok);
  const std::string partfile = path_ + ".part.5";
  const std::vector<int> part = zt::ReadPartFile(partfile);
  r = Zorbel({"stats", path_, partfile, "--json", "-e", "0.5"});
  ASSERT_EQ(r.status, 0) << r.err;
  json j = json::parse(r.out);
  EXPECT_EQ(j["k"], 5);
  EXPECT_EQ(j["cut"], printed.cut);
  EXPECT_EQ(j["soed"], printed.soed);
  EXPECT_EQ(j["part_weights"].get<std::vector<int>>(), printed.pwgts);
  EXPECT_EQ(j["part_cuts"].get<std::vector<int>>(), printed.pcuts);
  EXPECT_EQ(j["km1"], zt::RecountKm1(g_, part.data()));
  EXPECT_EQ(j["epsilon"], 0.5);
  EXPECT_TRUE(j["balanced"].get<bool>());
  // The text: partstat's report, then the verdict against the bound.
  const zt::RunResult partstat = zt::RunProgram(zt::ProgramPath("partstat"), {path_, partfile});
  r = Zorbel({"stats", path_, partfile, "-e", "0.0001"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, partstat.out.size()), partstat.out);
  EXPECT_EQ(r.out.substr(partstat.out.size()),
            "          Imbalance bound (e):    0.0001  " + std::string(j["imbalance"] > 0.0001 ? "OVER" : "within") +
                "\n");
}

}  // namespace
