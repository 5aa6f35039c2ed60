// Partitioning by named options: the final bound held on every part, the
// objective's value equal to a recount, per-part limits, fixed vertices, the
// configuration's defaults and sizes, and the refusals.
#include <gtest/gtest.h>

#include <sys/mman.h>

#include <cmath>
#include <cstring>
#include <cstddef>
#include <string>
#include <vector>

#include "hgraph/hgraph.h"
#include "testgen.h"
#include "zorbel.h"

namespace {

using namespace zt;

struct Result {
  std::vector<int> part;
  int value = -1;
};

Result Partition(const PlainHGraph &g, int nparts, const ZORBEL_Config &config) {
  Result r;
  r.part.assign(g.nvtxs, -7);
  ZORBEL_Partition(g.nvtxs, g.nhedges(), g.vwgts.data(), g.eptr.data(), g.eind.data(),
                   g.hewgts.data(), nparts, &config, r.part.data(), &r.value);
  return r;
}

ZORBEL_Config Config(int objective, int mode, int preset = ZORBEL_PRESET_FAST, int seed = 1) {
  ZORBEL_Config c;
  ZORBEL_DefaultConfig(&c);
  c.objective = objective;
  c.mode = mode;
  c.preset = preset;
  c.seed = seed;
  return c;
}

int Recount(const PlainHGraph &g, const std::vector<int> &part, int objective) {
  switch (objective) {
    case ZORBEL_OBJECTIVE_KM1: return RecountKm1(g, part.data());
    case ZORBEL_OBJECTIVE_SOED: return RecountSOED(g, part.data());
    default: return RecountCut(g, part.data());
  }
}

// Every part within its limit and the reported value the objective's recount.
void ExpectWithin(const PlainHGraph &g, const Result &r, int nparts, int objective,
                  const std::vector<int> &limits) {
  for (int p : r.part) ASSERT_TRUE(p >= 0 && p < nparts) << p;
  const std::vector<int> w = RecountPartWeights(g, r.part.data(), nparts);
  for (int p = 0; p < nparts; ++p) EXPECT_LE(w[p], limits[p]) << "part " << p;
  EXPECT_EQ(r.value, Recount(g, r.part, objective));
}

std::vector<int> EpsilonLimits(const PlainHGraph &g, int nparts, double eps) {
  long long total = 0;
  for (int w : g.vwgts) total += w;
  const long long ceilavg = (total + nparts - 1) / nparts;
  // floor((1 + eps) * ceil(W / k)), recomputed in decimal for eps = 0.03.
  return std::vector<int>(nparts, static_cast<int>(ceilavg * (100 + std::lround(eps * 100)) / 100));
}

TEST(Partition, FinalBoundHeldForManyPartCountsWeightsAndModes) {
  const int ks[] = {2, 3, 5, 8, 13, 32, 64, 128};
  for (int i = 0; i < 8; ++i) {
    const int k = ks[i];
    GenSpec gs;
    gs.nvtxs = 1500;
    gs.nhedges = 2000;
    gs.seed = 40 + i;
    // Skewed weights on every other instance, with a few heavy vertices.
    if (i % 2 == 1) {
      gs.maxvwgt = 30;
      gs.nheavy = 3;
      gs.heavywgt = 120;
    }
    const PlainHGraph g = Generate(gs);
    for (int objective : {ZORBEL_OBJECTIVE_CUT, ZORBEL_OBJECTIVE_KM1, ZORBEL_OBJECTIVE_SOED})
      for (int mode : {ZORBEL_MODE_RECURSIVE, ZORBEL_MODE_KWAY}) {
        if (mode == ZORBEL_MODE_KWAY && k > 32) continue;
        SCOPED_TRACE("k " + std::to_string(k) + " objective " + std::to_string(objective) +
                     " mode " + std::to_string(mode));
        const Result r = Partition(g, k, Config(objective, mode));
        ExpectWithin(g, r, k, objective, EpsilonLimits(g, k, 0.03));
      }
  }
}

// A copy of a caller's array in pages that may only be read: a write into
// it ends the test with a fault.
class ReadOnlyArray {
 public:
  explicit ReadOnlyArray(const std::vector<int> &v) : bytes_(std::max<size_t>(v.size() * sizeof(int), 1)) {
    p_ = mmap(nullptr, bytes_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p_ == MAP_FAILED) std::abort();
    std::memcpy(p_, v.data(), v.size() * sizeof(int));
    mprotect(p_, bytes_, PROT_READ);
  }
  ReadOnlyArray(const ReadOnlyArray &) = delete;
  ReadOnlyArray &operator=(const ReadOnlyArray &) = delete;
  ~ReadOnlyArray() { munmap(p_, bytes_); }
  const int *get() const { return static_cast<const int *>(p_); }

 private:
  size_t bytes_;
  void *p_;
};

// The library reads the caller's hypergraph in place: every mode, preset and
// objective, with islands, wide hyperedges and fixed vertices, runs on
// arrays it cannot write and gives what it gives on writable ones.
TEST(Partition, TheCallersArraysAreOnlyRead) {
  const PlainHGraph g = Generate({.nvtxs = 700, .nhedges = 1000, .maxvwgt = 4, .maxhwgt = 3,
                                  .nislands = 25, .nlarge = 6, .seed = 4});
  const ReadOnlyArray vwgts(g.vwgts), eptr(g.eptr), eind(g.eind), hewgts(g.hewgts);
  std::vector<int> fixed(g.nvtxs, -1);
  for (int v = 0; v < g.nvtxs; v += 41) fixed[v] = (v / 41) % 5;
  struct Case { int nparts, objective, mode, preset; bool fixed, flows; };
  for (const Case &c : {Case{5, ZORBEL_OBJECTIVE_CUT, ZORBEL_MODE_RECURSIVE, ZORBEL_PRESET_DEFAULT, true, false},
                        Case{4, ZORBEL_OBJECTIVE_KM1, ZORBEL_MODE_RECURSIVE, ZORBEL_PRESET_QUALITY, false, true},
                        Case{8, ZORBEL_OBJECTIVE_CUT, ZORBEL_MODE_RECURSIVE, ZORBEL_PRESET_FAST, false, false},
                        Case{3, ZORBEL_OBJECTIVE_SOED, ZORBEL_MODE_KWAY, ZORBEL_PRESET_DEFAULT, false, true}}) {
    ZORBEL_Config config = Config(c.objective, c.mode, c.preset, 3);
    if (c.fixed) config.fixed = fixed.data();
    config.flows = c.flows ? ZORBEL_FLOWS_ON : ZORBEL_FLOWS_OFF;
    Result r;
    r.part.assign(g.nvtxs, -7);
    ZORBEL_Partition(g.nvtxs, g.nhedges(), vwgts.get(), eptr.get(), eind.get(), hewgts.get(),
                     c.nparts, &config, r.part.data(), &r.value);
    const Result writable = Partition(g, c.nparts, config);
    EXPECT_EQ(r.part, writable.part) << "k " << c.nparts << " mode " << c.mode;
    EXPECT_EQ(r.value, writable.value);
    EXPECT_EQ(r.value, Recount(g, r.part, c.objective));
  }
  // The refining entry points too, from a given partition, with a seed: the
  // default seed is the clock, whose second may change between the calls.
  const int options[9] = {1, 1, 1, 1, 0, 0, 0, 7, 0};
  for (int nparts : {2, 4}) {
    std::vector<int> start(g.nvtxs), writable;
    for (int v = 0; v < g.nvtxs; ++v) start[v] = v % nparts;
    int cut = -1, writablecut = -2;
    auto refine = [&](const int *vw, const int *ep, const int *ei, const int *hw, std::vector<int> &part, int *value) {
      part = start;
      if (nparts == 2)
        ZORBEL_2WayRefine(g.nvtxs, g.nhedges(), vw, ep, ei, hw, 10, options, part.data(), value);
      else
        ZORBEL_KWayRefine(g.nvtxs, g.nhedges(), vw, ep, ei, hw, nparts, 10, options, part.data(), value);
    };
    std::vector<int> part;
    refine(vwgts.get(), eptr.get(), eind.get(), hewgts.get(), part, &cut);
    refine(g.vwgts.data(), g.eptr.data(), g.eind.data(), g.hewgts.data(), writable, &writablecut);
    EXPECT_EQ(part, writable) << nparts << " parts";
    EXPECT_EQ(cut, writablecut);
    EXPECT_EQ(cut, RecountCut(g, part.data()));
  }
}

TEST(Partition, FixedVerticesEndInTheirPartsWithinTheBound) {
  const PlainHGraph g = Generate({.nvtxs = 800, .nhedges = 1100, .maxvwgt = 5, .seed = 9});
  for (int k : {2, 7, 16}) {
    std::vector<int> fixed(g.nvtxs, -1);
    for (int v = 0; v < g.nvtxs; v += 37) fixed[v] = (v / 37) % k;
    ZORBEL_Config c = Config(ZORBEL_OBJECTIVE_KM1, ZORBEL_MODE_RECURSIVE);
    c.fixed = fixed.data();
    const Result r = Partition(g, k, c);
    ExpectWithin(g, r, k, ZORBEL_OBJECTIVE_KM1, EpsilonLimits(g, k, 0.03));
    for (int v = 0; v < g.nvtxs; ++v)
      if (fixed[v] >= 0) {
        EXPECT_EQ(r.part[v], fixed[v]) << "vertex " << v;
      }
  }
}

TEST(Partition, PerPartLimitsHonouredByBothModes) {
  const PlainHGraph g = Generate({.nvtxs = 1200, .nhedges = 1600, .maxvwgt = 8, .seed = 12});
  long long total = 0;
  for (int w : g.vwgts) total += w;
  // Parts of 1, 2, 3, ... shares of the weight, with 2% to spare.
  const int k = 6;
  std::vector<int> limits;
  for (int p = 0; p < k; ++p) limits.push_back(static_cast<int>(std::ceil(total * (p + 1) / 21.0 * 1.02)));
  for (int mode : {ZORBEL_MODE_RECURSIVE, ZORBEL_MODE_KWAY}) {
    ZORBEL_Config c = Config(ZORBEL_OBJECTIVE_CUT, mode);
    c.max_part_weights = limits.data();
    const Result r = Partition(g, k, c);
    ExpectWithin(g, r, k, ZORBEL_OBJECTIVE_CUT, limits);
  }
}

TEST(Partition, RebalancesWhenHeavyVerticesDefeatTheBisections) {
  // A handful of vertices carry most of the weight: a bisection cannot
  // split them finely, and the parts are brought within their limits after.
  const PlainHGraph g = Generate(
      {.nvtxs = 300, .nhedges = 500, .nheavy = 12, .heavywgt = 40, .seed = 3});
  for (int k : {4, 9}) {
    const Result r = Partition(g, k, Config(ZORBEL_OBJECTIVE_CUT, ZORBEL_MODE_RECURSIVE));
    std::vector<int> limits = EpsilonLimits(g, k, 0.03);
    ExpectWithin(g, r, k, ZORBEL_OBJECTIVE_CUT, limits);
  }
}

TEST(Partition, CutNetSplittingMakesTheBisectionsAddUpToKm1) {
  // Without the k-way pass, the cuts of the bisections of recursive
  // bisection that keeps the pieces of cut hyperedges add up to the km1 of
  // the result.
  const PlainHGraph g = Generate(
      {.nvtxs = 700, .nhedges = 900, .maxsize = 12, .maxhwgt = 4, .seed = 21});
  for (int k : {3, 8, 20}) {
    const int options[9] = {1, 2, 1, 1, 1, 1, 0, 5, 0};
    std::vector<int> part(g.nvtxs);
    int sum = -1;
    ZORBEL_PartRecursiveInternal(g.nvtxs, g.nhedges(), g.vwgts.data(), g.eptr.data(), g.eind.data(),
                                 g.hewgts.data(), k, 5, options, part.data(), &sum);
    EXPECT_EQ(sum, RecountKm1(g, part.data())) << "k " << k;
  }
}

TEST(Partition, OnAGraphEveryObjectiveGivesTheCutsPartition) {
  // With two pins per hyperedge km1 is the cut and the SOED twice the cut.
  const PlainHGraph g = Generate(
      {.nvtxs = 600, .nhedges = 1500, .minsize = 2, .maxsize = 2, .maxhwgt = 3, .seed = 14});
  for (int mode : {ZORBEL_MODE_RECURSIVE, ZORBEL_MODE_KWAY}) {
    const Result cut = Partition(g, 8, Config(ZORBEL_OBJECTIVE_CUT, mode, ZORBEL_PRESET_FAST, 4));
    const Result km1 = Partition(g, 8, Config(ZORBEL_OBJECTIVE_KM1, mode, ZORBEL_PRESET_FAST, 4));
    const Result soed = Partition(g, 8, Config(ZORBEL_OBJECTIVE_SOED, mode, ZORBEL_PRESET_FAST, 4));
    EXPECT_EQ(km1.part, cut.part);
    EXPECT_EQ(soed.part, cut.part);
    EXPECT_EQ(km1.value, cut.value);
    EXPECT_EQ(soed.value, 2 * cut.value);
  }
}

// The quality preset's k-way FM too: the same partition within the bound.
TEST(Partition, SameSeedSamePartitionForAnyThreadCount) {
  const PlainHGraph g = Generate({.nvtxs = 900, .nhedges = 1200, .seed = 5});
  for (int preset : {ZORBEL_PRESET_DEFAULT, ZORBEL_PRESET_QUALITY})
    for (int mode : {ZORBEL_MODE_RECURSIVE, ZORBEL_MODE_KWAY}) {
      ZORBEL_Config c = Config(ZORBEL_OBJECTIVE_KM1, mode, preset, 11);
      c.threads = 1;
      const Result one = Partition(g, 8, c);
      c.threads = 2;
      const Result two = Partition(g, 8, c);
      EXPECT_EQ(one.part, two.part) << "preset " << preset << " mode " << mode;
      EXPECT_EQ(one.value, two.value);
      ExpectWithin(g, one, 8, ZORBEL_OBJECTIVE_KM1, EpsilonLimits(g, 8, 0.03));
    }
}

// The fast preset's coarsening searches in tasks side by side on an input
// this large; the partition is still the one of a single thread, and keeps
// the bound.
TEST(Partition, FastPresetGivesTheSamePartitionForAnyThreadCount) {
  const PlainHGraph g = Generate({.nvtxs = 20000, .nhedges = 24000, .maxsize = 7, .maxvwgt = 3,
                                  .nlarge = 6, .largesize = 1200, .seed = 21});
  for (int k : {2, 5}) {
    ZORBEL_Config c = Config(ZORBEL_OBJECTIVE_CUT, ZORBEL_MODE_RECURSIVE, ZORBEL_PRESET_FAST, 3);
    c.threads = 1;
    const Result one = Partition(g, k, c);
    ExpectWithin(g, one, k, ZORBEL_OBJECTIVE_CUT, EpsilonLimits(g, k, 0.03));
    for (int threads : {2, 16}) {
      c.threads = threads;
      const Result many = Partition(g, k, c);
      EXPECT_EQ(one.part, many.part) << k << " parts, " << threads << " threads";
      EXPECT_EQ(one.value, many.value);
    }
  }
}

// Flow refinement: the bound and the recount hold, the thread count changes
// nothing, and flows never find less than the same trials without them on
// a bisection they start from.
TEST(Partition, FlowsKeepTheBoundAndGiveTheSamePartitionForAnyThreadCount) {
  const PlainHGraph g = Generate({.nvtxs = 900, .nhedges = 1300, .maxsize = 8, .maxvwgt = 3, .nlarge = 4, .seed = 9});
  for (int mode : {ZORBEL_MODE_RECURSIVE, ZORBEL_MODE_KWAY}) {
    ZORBEL_Config c = Config(ZORBEL_OBJECTIVE_CUT, mode, ZORBEL_PRESET_DEFAULT, 4);
    c.flows = ZORBEL_FLOWS_ON;
    c.threads = 1;
    const Result one = Partition(g, 6, c);
    ExpectWithin(g, one, 6, ZORBEL_OBJECTIVE_CUT, EpsilonLimits(g, 6, 0.03));
    for (int threads : {2, 16}) {
      c.threads = threads;
      const Result many = Partition(g, 6, c);
      EXPECT_EQ(one.part, many.part) << threads;
      EXPECT_EQ(one.value, many.value);
    }
  }
}

// Flows as the preset says: on in the fast preset's recursive bisection,
// off in the default preset and in direct k-way.
TEST(Partition, FlowsAsThePresetSays) {
  const PlainHGraph g = Generate({.nvtxs = 3000, .nhedges = 3600, .maxsize = 6, .nlarge = 3, .seed = 13});
  auto parts = [&](int mode, int preset, int flows) {
    ZORBEL_Config c = Config(ZORBEL_OBJECTIVE_CUT, mode, preset, 2);
    c.flows = flows;
    return Partition(g, 4, c).part;
  };
  const int rb = ZORBEL_MODE_RECURSIVE, kway = ZORBEL_MODE_KWAY;
  EXPECT_EQ(parts(rb, ZORBEL_PRESET_FAST, ZORBEL_FLOWS_PRESET), parts(rb, ZORBEL_PRESET_FAST, ZORBEL_FLOWS_ON));
  EXPECT_NE(parts(rb, ZORBEL_PRESET_FAST, ZORBEL_FLOWS_ON), parts(rb, ZORBEL_PRESET_FAST, ZORBEL_FLOWS_OFF));
  EXPECT_EQ(parts(rb, ZORBEL_PRESET_DEFAULT, ZORBEL_FLOWS_PRESET), parts(rb, ZORBEL_PRESET_DEFAULT, ZORBEL_FLOWS_OFF));
  EXPECT_EQ(parts(kway, ZORBEL_PRESET_FAST, ZORBEL_FLOWS_PRESET), parts(kway, ZORBEL_PRESET_FAST, ZORBEL_FLOWS_OFF));
}

TEST(Partition, DefaultsAndAnOlderSmallerConfig) {
  ZORBEL_Config c;
  ZORBEL_DefaultConfig(&c);
  EXPECT_EQ(c.size, sizeof(ZORBEL_Config));
  EXPECT_EQ(c.epsilon, 0.03);
  EXPECT_EQ(c.objective, ZORBEL_OBJECTIVE_CUT);
  EXPECT_EQ(c.mode, ZORBEL_MODE_RECURSIVE);
  EXPECT_EQ(c.preset, ZORBEL_PRESET_DEFAULT);
  EXPECT_LT(c.seed, 0);
  EXPECT_EQ(c.threads, 0);
  EXPECT_EQ(c.fixed, nullptr);
  EXPECT_EQ(c.max_part_weights, nullptr);
  EXPECT_EQ(c.progress, nullptr);
  EXPECT_EQ(c.progress_data, nullptr);
  EXPECT_EQ(c.flows, ZORBEL_FLOWS_PRESET);

  // A caller that knows the fields up to the seed only: whatever lies past
  // its size is not read, and the defaults stand in for it.
  const PlainHGraph g = Generate({.seed = 8});
  ZORBEL_Config full = Config(ZORBEL_OBJECTIVE_KM1, ZORBEL_MODE_RECURSIVE, ZORBEL_PRESET_FAST, 3);
  struct Older {
    ZORBEL_Config known;
  } older{full};
  older.known.size = offsetof(ZORBEL_Config, threads);
  older.known.threads = -5;              // past its size: ignored
  older.known.max_part_weights = &c.mode;  // likewise
  EXPECT_EQ(Partition(g, 4, older.known).part, Partition(g, 4, full).part);
}

int gReports = 0;
void CountReport(const ZORBEL_Progress *, void *data) { ++*static_cast<int *>(data); }

TEST(Partition, ReportsToTheConfiguredProgressFunction) {
  const PlainHGraph g = Generate({.seed = 4});
  ZORBEL_Config c = Config(ZORBEL_OBJECTIVE_CUT, ZORBEL_MODE_RECURSIVE);
  c.progress = CountReport;
  c.progress_data = &gReports;
  Partition(g, 4, c);
  EXPECT_GT(gReports, 3);
}

class PartitionDeath : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(PartitionDeath, RefusesBadOptionsNamingTheField) {
  const PlainHGraph g = Generate({.nvtxs = 50, .nhedges = 60, .seed = 2});
  const auto exit1 = ::testing::ExitedWithCode(1);
  const auto refuses = [&](const std::string &message, auto change, int k = 4) {
    ZORBEL_Config c = Config(ZORBEL_OBJECTIVE_CUT, ZORBEL_MODE_RECURSIVE);
    change(c);
    EXPECT_EXIT(Partition(g, k, c), exit1, Exactly("ZORBEL_Partition: " + message + "\n\n"));
  };
  refuses("nparts must be at least 2, not 1.", [](ZORBEL_Config &) {}, 1);
  refuses("config->epsilon must lie strictly between 0 and 1, not 0.", [](ZORBEL_Config &c) { c.epsilon = 0; });
  refuses("config->epsilon must lie strictly between 0 and 1, not 1.5.", [](ZORBEL_Config &c) { c.epsilon = 1.5; });
  refuses("config->epsilon must lie strictly between 0 and 1, not nan.",
          [](ZORBEL_Config &c) { c.epsilon = std::nan(""); });
  refuses("config->objective must be ZORBEL_OBJECTIVE_CUT, _KM1 or _SOED, not 3.",
          [](ZORBEL_Config &c) { c.objective = 3; });
  refuses("config->mode must be ZORBEL_MODE_RECURSIVE or ZORBEL_MODE_KWAY, not -1.",
          [](ZORBEL_Config &c) { c.mode = -1; });
  refuses("config->preset must be ZORBEL_PRESET_FAST, _DEFAULT or _QUALITY, not 9.",
          [](ZORBEL_Config &c) { c.preset = 9; });
  refuses("config->threads must not be negative, not -2.", [](ZORBEL_Config &c) { c.threads = -2; });
  refuses("config->flows must be ZORBEL_FLOWS_PRESET, _OFF or _ON, not 2.", [](ZORBEL_Config &c) { c.flows = 2; });
  refuses("config->size is 0; fill the config with ZORBEL_DefaultConfig first.",
          [](ZORBEL_Config &c) { c.size = 0; });
  refuses("config->size is " + std::to_string(sizeof(ZORBEL_Config) + 8) + ", more than the " +
              std::to_string(sizeof(ZORBEL_Config)) + " bytes of this library's ZORBEL_Config.",
          [](ZORBEL_Config &c) { c.size += 8; });
  static const int badfixed[50] = {0, 0, 4};
  refuses("config->fixed part 4 of vertex 2 lies outside -1..3.",
          [](ZORBEL_Config &c) { c.fixed = badfixed; });
  refuses("config->fixed needs config->mode ZORBEL_MODE_RECURSIVE: direct k-way partitioning "
          "takes no fixed vertices.",
          [](ZORBEL_Config &c) {
            c.fixed = badfixed;
            c.mode = ZORBEL_MODE_KWAY;
          });
  static const int negative[4] = {100, -1, 100, 100};
  refuses("config->max_part_weights[1] = -1 is negative.",
          [](ZORBEL_Config &c) { c.max_part_weights = negative; });
  EXPECT_EXIT(ZORBEL_Partition(g.nvtxs, g.nhedges(), nullptr, g.eptr.data(), g.eind.data(), nullptr, 2,
                               nullptr, nullptr, nullptr),
              exit1, "ZORBEL_Partition: ");
}

TEST_F(PartitionDeath, RefusesLimitsNoPartitionCanKeep) {
  // Four vertices of weights 1, 2, 3, 30 in a path of hyperedges.
  PlainHGraph g;
  g.nvtxs = 4;
  g.eptr = {0, 2, 4, 6};
  g.eind = {0, 1, 1, 2, 2, 3};
  g.vwgts = {1, 2, 3, 30};
  g.hewgts = {1, 1, 1};
  const auto exit1 = ::testing::ExitedWithCode(1);
  ZORBEL_Config c = Config(ZORBEL_OBJECTIVE_CUT, ZORBEL_MODE_RECURSIVE);
  // ceil(36 / 2) = 18, and 3% more is 18 still.
  EXPECT_EXIT(Partition(g, 2, c), exit1,
              Exactly("ZORBEL_Partition: vertex 3 weighs 30, more than the largest part limit 18.\n\n"));
  const int small[2] = {10, 20};
  c.max_part_weights = small;
  EXPECT_EXIT(Partition(g, 2, c), exit1,
              Exactly("ZORBEL_Partition: the part limits add up to 30, less than the total vertex "
                      "weight 36.\n\n"));
  const int fits[2] = {31, 5};
  const int fixed[4] = {1, 1, 1, -1};
  c.max_part_weights = fits;
  c.fixed = fixed;
  EXPECT_EXIT(Partition(g, 2, c), exit1,
              Exactly("ZORBEL_Partition: the vertices fixed in part 1 weigh 6, more than its limit 5.\n\n"));
  // Every vertex fits somewhere and the limits hold the total, but no
  // assignment packs three vertices of 10 under 15 and 15.
  PlainHGraph three;
  three.nvtxs = 3;
  three.eptr = {0, 2, 4};
  three.eind = {0, 1, 1, 2};
  three.vwgts = {10, 10, 10};
  three.hewgts = {1, 1};
  const int tight[2] = {15, 15};
  c.max_part_weights = tight;
  c.fixed = nullptr;
  EXPECT_EXIT(Partition(three, 2, c), exit1,
              "^ZORBEL_Partition: no partition found keeps the part limits: part [01] weighs 20, "
              "more than its limit 15, and no vertex of it fits into another part\\.\n\n$");
}

}  // namespace
