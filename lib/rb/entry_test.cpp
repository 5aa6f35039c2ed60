// The checks every entry point makes on the caller's arrays, the option
// vector NULL, and repeated pins.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hgraph/hgraph.h"
#include "testgen.h"
#include "zorbel.h"

namespace {

// The five entry points behind one signature: nparts and UBfactor valid for each.
struct Caller {
  const char *name;
  void (*call)(const zt::PlainHGraph &g, const int *options, int *part, int *edgecut);
};

const int *Vw(const zt::PlainHGraph &g) { return g.vwgts.empty() ? nullptr : g.vwgts.data(); }
const int *Hw(const zt::PlainHGraph &g) { return g.hewgts.empty() ? nullptr : g.hewgts.data(); }

const Caller kCallers[] = {
    {"ZORBEL_PartRecursive",
     [](const zt::PlainHGraph &g, const int *o, int *part, int *cut) {
       ZORBEL_PartRecursive(g.nvtxs, g.nhedges(), Vw(g), g.eptr.data(), g.eind.data(), Hw(g), 2,
                            5, o, part, cut);
     }},
    {"ZORBEL_PartRecursiveInternal",
     [](const zt::PlainHGraph &g, const int *o, int *part, int *cut) {
       ZORBEL_PartRecursiveInternal(g.nvtxs, g.nhedges(), Vw(g), g.eptr.data(), g.eind.data(),
                                    Hw(g), 3, 5, o, part, cut);
     }},
    {"ZORBEL_2WayRefine",
     [](const zt::PlainHGraph &g, const int *o, int *part, int *cut) {
       ZORBEL_2WayRefine(g.nvtxs, g.nhedges(), Vw(g), g.eptr.data(), g.eind.data(), Hw(g), 5, o,
                         part, cut);
     }},
    {"ZORBEL_PartKway",
     [](const zt::PlainHGraph &g, const int *o, int *part, int *cut) {
       ZORBEL_PartKway(g.nvtxs, g.nhedges(), Vw(g), g.eptr.data(), g.eind.data(), Hw(g), 2, 10,
                       o, part, cut);
     }},
    {"ZORBEL_KWayRefine",
     [](const zt::PlainHGraph &g, const int *o, int *part, int *cut) {
       ZORBEL_KWayRefine(g.nvtxs, g.nhedges(), Vw(g), g.eptr.data(), g.eind.data(), Hw(g), 2, 10,
                         o, part, cut);
     }},
};

zt::PlainHGraph Small() {
  zt::PlainHGraph g;
  g.nvtxs = 4;
  g.eptr = {0, 3, 5, 7};
  g.eind = {0, 1, 2, 2, 3, 1, 3};
  return g;
}

// Runs the call on g with a part vector valid for every entry point.
void RunCaller(const Caller &c, const zt::PlainHGraph &g, const int *options = nullptr) {
  std::vector<int> part(g.nvtxs);
  for (int v = 0; v < g.nvtxs; ++v) part[v] = v % 2;
  int cut = -1;
  c.call(g, options, part.data(), &cut);
}

std::string Message(const Caller &c, const std::string &rest) {
  return "^" + std::string(c.name) + ": " + rest + "\n";
}

TEST(EntryPointsDeath, EveryEntryPointRefusesMalformedArraysByName) {
  const auto exit1 = ::testing::ExitedWithCode(1);
  for (const Caller &c : kCallers) {
    SCOPED_TRACE(c.name);
    zt::PlainHGraph g = Small();
    g.eind[5] = 1000000;
    EXPECT_EXIT(RunCaller(c, g), exit1, Message(c, "eind\\[5\\] = 1000000 lies outside 0\\.\\.3\\."));
    g = Small();
    g.eptr = {0, 5, 4, 7};
    EXPECT_EXIT(RunCaller(c, g), exit1, Message(c, "eptr\\[2\\] = 4 lies below eptr\\[1\\] = 5\\."));
    g = Small();
    g.vwgts = {1, -5, 1, 1};
    EXPECT_EXIT(RunCaller(c, g), exit1, Message(c, "vwgts\\[1\\] = -5 is negative\\."));
    g = Small();
    g.hewgts = {1, 1, -2};
    EXPECT_EXIT(RunCaller(c, g), exit1, Message(c, "hewgts\\[2\\] = -2 is negative\\."));
    g = Small();
    int cut;
    EXPECT_EXIT(c.call(g, nullptr, nullptr, &cut), exit1, Message(c, "part is NULL\\."));
    std::vector<int> part{0, 1, 0, 1};
    EXPECT_EXIT(c.call(g, nullptr, part.data(), nullptr), exit1, Message(c, "edgecut is NULL\\."));
  }
}

TEST(EntryPoints, NullOptionsMeanTheDefaultsForEveryEntryPoint) {
  zt::GenSpec gs;
  gs.nvtxs = 120;
  gs.nhedges = 180;
  const zt::PlainHGraph g = zt::Generate(gs);
  for (const Caller &c : kCallers) {
    SCOPED_TRACE(c.name);
    std::vector<int> part(g.nvtxs);
    for (int v = 0; v < g.nvtxs; ++v) part[v] = v % 2;
    int cut = -1;
    c.call(g, nullptr, part.data(), &cut);
    EXPECT_EQ(cut, zt::RecountCut(g, part.data()));
  }
}

TEST(EntryPoints, RepeatedPinsAreDroppedKeepingTheFirst) {
  zt::GenSpec gs;
  gs.nvtxs = 150;
  gs.nhedges = 220;
  gs.maxhwgt = 4;
  const zt::PlainHGraph g = zt::Generate(gs);
  // Every hyperedge lists its first pin once more at its end, and its last in front.
  zt::PlainHGraph r = g;
  r.eind.clear();
  r.eptr = {0};
  for (int e = 0; e < g.nhedges(); ++e) {
    r.eind.insert(r.eind.end(), g.eind.begin() + g.eptr[e], g.eind.begin() + g.eptr[e + 1]);
    r.eind.push_back(g.eind[g.eptr[e]]);
    r.eind.push_back(g.eind[g.eptr[e + 1] - 1]);
    r.eptr.push_back(static_cast<int>(r.eind.size()));
  }
  const int options[9] = {1, 2, 1, 1, 1, 0, 0, 7, 0};
  std::vector<int> pg(g.nvtxs), pr(g.nvtxs);
  int cg = -1, cr = -2;
  ZORBEL_PartRecursive(g.nvtxs, g.nhedges(), g.vwgts.data(), g.eptr.data(), g.eind.data(),
                       g.hewgts.data(), 4, 5, options, pg.data(), &cg);
  ZORBEL_PartRecursive(r.nvtxs, r.nhedges(), r.vwgts.data(), r.eptr.data(), r.eind.data(),
                       r.hewgts.data(), 4, 5, options, pr.data(), &cr);
  EXPECT_EQ(pg, pr);
  EXPECT_EQ(cg, cr);
  EXPECT_EQ(cr, zt::RecountCut(g, pr.data()));
}

TEST(EntryPoints, BisectionAtUBfactor49NeverLeavesASideEmpty) {
  for (unsigned seed = 1; seed <= 15; ++seed) {
    zt::GenSpec gs;
    gs.nvtxs = 60;
    gs.nhedges = 90;
    gs.seed = seed;
    const zt::PlainHGraph g = zt::Generate(gs);
    const int options[9] = {1, 4, 1, 1, 1, 0, 0, static_cast<int>(seed), 0};
    std::vector<int> part(g.nvtxs);
    int cut = -1;
    ZORBEL_PartRecursive(g.nvtxs, g.nhedges(), g.vwgts.data(), g.eptr.data(), g.eind.data(),
                         g.hewgts.data(), 2, 49, options, part.data(), &cut);
    const std::vector<int> w = zt::RecountPartWeights(g, part.data(), 2);
    EXPECT_GT(w[0], 0) << "seed " << seed;
    EXPECT_GT(w[1], 0) << "seed " << seed;
  }
}

// g with its vertex weights and hyperedge weights scaled so that each adds
// up to exactly total.
zt::PlainHGraph WithTotals(zt::PlainHGraph g, int vtotal, int htotal) {
  auto spread = [](std::vector<int> &w, int total) {
    const int n = static_cast<int>(w.size());
    for (int &x : w) x = total / n;
    w[0] += total % n;
  };
  spread(g.vwgts, vtotal);
  spread(g.hewgts, htotal);
  return g;
}

long long Cut64(const zt::PlainHGraph &g, const std::vector<int> &part) {
  long long cut = 0;
  for (int e = 0; e < g.nhedges(); ++e)
    for (int j = g.eptr[e] + 1; j < g.eptr[e + 1]; ++j)
      if (part[g.eind[j]] != part[g.eind[g.eptr[e]]]) {
        cut += g.hewgts[e];
        break;
      }
  return cut;
}

TEST(EntryPoints, WeightTotalsAtTheLimitsGiveExactCuts) {
  zt::GenSpec gs;
  gs.nvtxs = 200;
  gs.nhedges = 300;
  const zt::PlainHGraph g = WithTotals(zt::Generate(gs), kMaxTotalWeight, kMaxTotalWeight);
  const int options[9] = {1, 2, 1, 1, 1, 0, 0, 3, 0};
  for (int nparts : {2, 8}) {
    std::vector<int> part(g.nvtxs);
    int cut = -1;
    ZORBEL_PartRecursiveInternal(g.nvtxs, g.nhedges(), g.vwgts.data(), g.eptr.data(),
                                 g.eind.data(), g.hewgts.data(), nparts, 10, options,
                                 part.data(), &cut);
    EXPECT_EQ(cut, Cut64(g, part));
  }
  // Into two parts every hyperedge reaches at most two: 2 * limit fits an int.
  std::vector<int> part(g.nvtxs);
  int soed = -1;
  const int soedopts[9] = {1, 2, 1, 2, 1, 0, 0, 3, 0};
  ZORBEL_PartKway(g.nvtxs, g.nhedges(), g.vwgts.data(), g.eptr.data(), g.eind.data(),
                  g.hewgts.data(), 2, 10, soedopts, part.data(), &soed);
  EXPECT_EQ(soed, 2 * Cut64(g, part));
}

TEST(EntryPointsDeath, WeightTotalsPastTheLimitsAreRefusedByName) {
  const auto exit1 = ::testing::ExitedWithCode(1);
  zt::GenSpec gs;
  gs.nvtxs = 60;
  gs.nhedges = 90;
  const zt::PlainHGraph base = zt::Generate(gs);
  for (const Caller &c : kCallers) {
    SCOPED_TRACE(c.name);
    EXPECT_EXIT(RunCaller(c, WithTotals(base, kMaxTotalWeight + 1, 90)), exit1,
                Message(c, "the total vertex weight 1073741824 exceeds the limit 1073741823\\."));
    EXPECT_EXIT(RunCaller(c, WithTotals(base, 60, kMaxTotalWeight + 1)), exit1,
                Message(c, "the total hyperedge weight 1073741824 exceeds the limit 1073741823\\."));
  }
  // The k-way pass after recursive bisection into 4 parts keeps a sum of
  // external degrees that could pass the int range.
  const zt::PlainHGraph heavy = WithTotals(base, 60, kMaxTotalWeight);
  std::vector<int> part(heavy.nvtxs);
  int cut;
  EXPECT_EXIT(ZORBEL_PartRecursive(heavy.nvtxs, heavy.nhedges(), heavy.vwgts.data(),
                                   heavy.eptr.data(), heavy.eind.data(), heavy.hewgts.data(), 4,
                                   5, nullptr, part.data(), &cut),
              exit1, "^ZORBEL_PartRecursive: the sum of external degrees into 4 parts can reach");
}

}  // namespace
