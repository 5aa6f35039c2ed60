// Rebalancing to part limits against brute-force checks: limits met whenever
// they can be, fixed vertices and parts that were never too heavy left alone,
// and the first move the cheapest by an exact recount.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

#include "kway/kway.h"
#include "testgen.h"

namespace {

struct Instance {
  zt::PlainHGraph g;
  int nparts = 2;
  std::vector<int> where, maxpwgts, fixed;  // fixed empty: none
  RebalanceObjective obj = RebalanceObjective::kCut;
  bool Fixed(int v) const { return !fixed.empty() && fixed[v] >= 0; }
  std::vector<int> Weights(const std::vector<int> &w) const { return zt::RecountPartWeights(g, w.data(), nparts); }
};

struct Case {
  Instance in;
  std::vector<int> where;  // after the pass
  bool ok = false;
};

Case RunPass(Instance in, bool force = false) {
  Case c{std::move(in), {}, false};
  c.where = c.in.where;
  c.ok = RebalanceToLimits__(c.in.g.nvtxs, c.in.g.nhedges(), c.in.g.eptr.data(), c.in.g.eind.data(),
                             c.in.g.hewgts.data(), c.in.g.vwgts.data(), c.in.nparts, c.in.maxpwgts.data(),
                             c.in.fixed.empty() ? nullptr : c.in.fixed.data(), c.in.obj, c.where.data(),
                             force);
  return c;
}

// The objective recounted from scratch: the distinct parts of each hyperedge.
long Recount(const zt::PlainHGraph &g, const std::vector<int> &where, RebalanceObjective obj) {
  long total = 0;
  for (int e = 0; e < g.nhedges(); e++) {
    std::set<int> parts;
    for (int j = g.eptr[e]; j < g.eptr[e + 1]; j++) parts.insert(where[g.eind[j]]);
    const long n = static_cast<long>(parts.size());
    total += obj == RebalanceObjective::kCut ? (n >= 2) * g.hewgts[e] : (n > 0) * (n - 1) * g.hewgts[e];
  }
  return total;
}

// A random instance; small ones keep to at most six parts of the k so that
// limits of empty parts come up too.
Instance Generate(unsigned seed, int nvtxs, int maxvwgt, int fixedpct, int usedparts) {
  std::mt19937 rng(seed);
  auto uniform = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  zt::GenSpec gs;
  gs.seed = seed;
  gs.nvtxs = nvtxs;
  gs.nhedges = uniform(nvtxs / 2, 2 * nvtxs);
  gs.minsize = 1;
  gs.maxsize = uniform(2, 10);
  gs.maxhwgt = uniform(1, 4);
  gs.maxvwgt = maxvwgt;
  Instance in;
  in.g = zt::Generate(gs);
  in.nparts = 2 + static_cast<int>(seed % 39);
  in.obj = seed % 4 < 2 ? RebalanceObjective::kCut : RebalanceObjective::kKm1;
  const int used = std::min(usedparts, in.nparts), nheavy = uniform(1, std::min(3, used));
  in.where.resize(in.g.nvtxs);
  for (int &p : in.where) p = uniform(0, 1) ? uniform(0, nheavy - 1) : uniform(0, used - 1);
  in.fixed.assign(in.g.nvtxs, -1);
  for (int v = 0; v < in.g.nvtxs; v++)
    if (uniform(0, 99) < fixedpct) in.fixed[v] = in.where[v];
  if (fixedpct == 0 && seed % 2) in.fixed.clear();
  return in;
}

// Unbalanced starts with limits from (1 + eps) * ceil(W / k) or random shares
// summing to at least W.
std::vector<Case> Sweep(int maxvwgt) {
  std::vector<Case> cases;
  std::mt19937 rng(maxvwgt);
  for (unsigned seed = 1; seed <= 160; seed++) {
    const unsigned gen = seed * 7 + maxvwgt;  // about a dozen vertices per part or more
    Instance in = Generate(gen, 12 * (2 + gen % 39) + seed % 150, maxvwgt, seed % 3 * 3, 1 << 30);
    long total = 0, sum = 0;
    for (int w : in.g.vwgts) total += w;
    std::vector<int> shares(in.nparts, 1);
    if (seed % 3 == 0)
      for (int &s : shares) s = std::uniform_int_distribution<int>(1, 10)(rng);
    for (int s : shares) sum += s;
    const double eps = seed % 3 == 0 ? 0 : seed / 3 % 3 * 0.15;
    in.maxpwgts.resize(in.nparts);
    for (int q = 0; q < in.nparts; q++)
      in.maxpwgts[q] = static_cast<int>((1 + eps) * ((total * shares[q] + sum - 1) / sum));
    cases.push_back(RunPass(std::move(in)));
  }
  return cases;
}

const std::vector<Case> &Cases(int maxvwgt) {
  static const std::vector<Case> unit = Sweep(1), skewed = Sweep(20);
  return maxvwgt == 1 ? unit : skewed;
}

TEST(Rebalance, MovesOnlyFreeVerticesOfOverweightPartsIntoPartsThatKeepTheirLimits) {
  for (int maxvwgt : {1, 20})
    for (const Case &c : Cases(maxvwgt)) {
      const std::vector<int> before = c.in.Weights(c.in.where), after = c.in.Weights(c.where);
      for (int v = 0; v < c.in.g.nvtxs; v++) {
        const int p = c.in.where[v];
        if (c.in.Fixed(v) || before[p] <= c.in.maxpwgts[p]) {
          ASSERT_EQ(c.where[v], p) << "vertex " << v;
        }
      }
      for (int q = 0; q < c.in.nparts; q++) {
        if (before[q] <= c.in.maxpwgts[q]) {
          ASSERT_LE(after[q], c.in.maxpwgts[q]) << "part " << q;
        }
      }
    }
}

// Failure only when every free vertex of a part still too heavy is too heavy
// for every other part; success only when every part is within its limit.
TEST(Rebalance, GivesUpOnlyWhenNoFreeVertexOfAnOverweightPartFitsElsewhere) {
  int nfailed = 0;
  for (int maxvwgt : {1, 20})
    for (const Case &c : Cases(maxvwgt)) {
      const std::vector<int> after = c.in.Weights(c.where);
      bool within = true;
      for (int q = 0; q < c.in.nparts; q++) within = within && after[q] <= c.in.maxpwgts[q];
      ASSERT_EQ(c.ok, within);
      nfailed += !c.ok;
      for (int v = 0; v < c.in.g.nvtxs; v++) {
        const int p = c.where[v];
        if (c.ok || c.in.Fixed(v) || after[p] <= c.in.maxpwgts[p]) continue;
        for (int q = 0; q < c.in.nparts; q++) {
          if (q != p) {
            ASSERT_GT(after[q] + c.in.g.vwgts[v], c.in.maxpwgts[q]) << v << " fits " << q;
          }
        }
      }
    }
  EXPECT_GT(nfailed, 0);
}

// With unit weights the limits are reachable exactly when every overweight
// part has enough free vertices and the other parts enough room; each move
// then takes one unit off the excess, so exactly the excess moves.
TEST(Rebalance, FitsEveryPartWhenUnitVerticesCanFillTheRoom) {
  int nfeasible = 0;
  for (const Case &c : Cases(1)) {
    const std::vector<int> before = c.in.Weights(c.in.where);
    std::vector<int> nfree(c.in.nparts, 0);
    for (int v = 0; v < c.in.g.nvtxs; v++) nfree[c.in.where[v]] += !c.in.Fixed(v);
    long excess = 0, room = 0, moved = 0;
    bool enoughfree = true;
    for (int q = 0; q < c.in.nparts; q++) {
      const int d = before[q] - c.in.maxpwgts[q];
      excess += std::max(d, 0), room += std::max(-d, 0);
      enoughfree = enoughfree && nfree[q] >= d;
    }
    if (!enoughfree || room < excess) continue;
    nfeasible++;
    ASSERT_TRUE(c.ok);
    for (int v = 0; v < c.in.g.nvtxs; v++) moved += c.where[v] != c.in.where[v];
    EXPECT_EQ(moved, excess);
  }
  EXPECT_GT(nfeasible, 140);
}

// One part one unit too heavy: a single move settles it, and it must come
// first among all moves by recounted cost, then the target's weight against
// its limit, then the vertex, then the part.
TEST(Rebalance, TakesTheLeastCostMoveFirst) {
  int nchecked = 0;
  for (unsigned seed = 1; seed <= 400; seed++) {
    Instance in = Generate(seed + 5000, 6 + seed % 35, seed % 2 ? 1 : 5, seed % 3 ? 0 : 20, 6);
    const std::vector<int> pw = in.Weights(in.where);
    const int heavy = static_cast<int>(std::max_element(pw.begin(), pw.end()) - pw.begin());
    in.maxpwgts.resize(in.nparts);
    for (int q = 0; q < in.nparts; q++) in.maxpwgts[q] = q == heavy ? pw[q] - 1 : pw[q] + (seed * q) % 5;

    const long start = Recount(in.g, in.where, in.obj);
    long bestcost = 0;
    int bestv = -1, bestq = -1;
    for (int v = 0; v < in.g.nvtxs; v++) {
      for (int q = 0; q < in.nparts && in.where[v] == heavy && !in.Fixed(v); q++) {
        if (q == heavy || pw[q] + in.g.vwgts[v] > in.maxpwgts[q]) continue;
        std::vector<int> moved = in.where;
        moved[v] = q;
        const long cost = Recount(in.g, moved, in.obj) - start;
        // Enumerated by vertex, then part: an equal load keeps the earlier.
        if (bestv < 0 || cost < bestcost ||
            (cost == bestcost && long{pw[q]} * in.maxpwgts[bestq] < long{pw[bestq]} * in.maxpwgts[q]))
          bestcost = cost, bestv = v, bestq = q;
      }
    }
    std::vector<int> expected = in.where;
    if (bestv >= 0) expected[bestv] = bestq;
    const Case c = RunPass(std::move(in));
    ASSERT_EQ(c.ok, bestv >= 0) << "seed " << seed;
    ASSERT_EQ(c.where, expected) << "seed " << seed << ": " << bestv << " to " << bestq;
    nchecked += c.ok;
  }
  EXPECT_GT(nchecked, 300);
}

TEST(Rebalance, PrefersTheCheaperMoveThenTheLighterTargetThenTheLowerVertex) {
  // Part 0 holds 0, 1, 2 with room for two; part 1 is half full, part 2 empty.
  const int maxpwgts[] = {2, 2, 1}, netptr[] = {0, 2}, netind[] = {2, 3};
  int free[] = {0, 0, 0, 1}, joined[] = {0, 0, 0, 1};
  // Without hyperedges every move is free and the empty part 2 the lighter.
  EXPECT_TRUE(RebalanceToLimits__(4, 0, netptr, netind, nullptr, nullptr, 3, maxpwgts, nullptr,
                                  RebalanceObjective::kCut, free));
  EXPECT_EQ(std::vector<int>(free, free + 4), (std::vector<int>{2, 0, 0, 1}));
  // Hyperedge {2, 3} stops counting once 2 joins 3 in part 1.
  EXPECT_TRUE(RebalanceToLimits__(4, 1, netptr, netind, nullptr, nullptr, 3, maxpwgts, nullptr,
                                  RebalanceObjective::kKm1, joined));
  EXPECT_EQ(std::vector<int>(joined, joined + 4), (std::vector<int>{0, 0, 1, 1}));
}

// a and b must both leave part 0. a goes first, to x's part, which takes b
// off hyperedge {a, b} at no cost once it follows: the counts follow the moves.
TEST(Rebalance, FollowsAMoveWithTheNeighbourItMadeCheap) {
  const int netptr[] = {0, 2, 4}, netind[] = {0, 1, 0, 2}, netwgt[] = {5, 1}, maxpwgts[] = {0, 3, 2};
  int where[] = {0, 0, 1};  // a, b, x
  EXPECT_TRUE(RebalanceToLimits__(3, 2, netptr, netind, netwgt, nullptr, 3, maxpwgts, nullptr,
                                  RebalanceObjective::kKm1, where));
  EXPECT_EQ(std::vector<int>(where, where + 3), (std::vector<int>{1, 1, 1}));
}

// A few parts of a large hypergraph slightly too heavy: only the excess moves.
TEST(Rebalance, SettlesASmallExcessOfALargeHypergraphByMovingTheExcessOnly) {
  zt::GenSpec gs;
  gs.nvtxs = 60000, gs.nhedges = 90000, gs.maxsize = 12, gs.nlarge = 20, gs.largesize = 3000;
  Instance in;
  in.g = zt::Generate(gs);
  in.nparts = 32;
  in.obj = RebalanceObjective::kKm1;
  for (int v = 0; v < in.g.nvtxs; v++) in.where.push_back(static_cast<int>(v * 7919L % in.nparts));
  for (int w : in.Weights(in.where)) in.maxpwgts.push_back(w + (in.maxpwgts.size() % 5 ? 40 : -25));
  const Case c = RunPass(std::move(in));
  ASSERT_TRUE(c.ok);
  long moved = 0;
  for (int v = 0; v < c.in.g.nvtxs; v++) moved += c.where[v] != c.in.where[v];
  EXPECT_EQ(moved, 7 * 25);
}

// Two vertices of 6 in a part of limit 10, and two parts of nine unit
// vertices each with room for one: no single move fits, but a 6 pushed into
// a unit part that sends its units on fits every part to 10. Forcing finds
// that; without it the pass gives up. Fixed vertices still never move.
TEST(Rebalance, ForcingMakesRoomForAVertexThatFitsNowhere) {
  Instance in;
  in.g.nvtxs = 20;
  for (int v = 0; v + 1 < 20; v++) {
    in.g.eind.insert(in.g.eind.end(), {v, v + 1});
    in.g.eptr.push_back(static_cast<int>(in.g.eind.size()));
    in.g.hewgts.push_back(1);
  }
  in.g.vwgts.assign(20, 1);
  in.g.vwgts[0] = in.g.vwgts[1] = 6;
  in.nparts = 3;
  in.where.assign(20, 1);
  in.where[0] = in.where[1] = 0;
  for (int v = 11; v < 20; v++) in.where[v] = 2;
  in.maxpwgts = {10, 10, 10};
  in.fixed.assign(20, -1);
  in.fixed[19] = 2;
  EXPECT_FALSE(RunPass(in).ok);
  for (RebalanceObjective obj : {RebalanceObjective::kCut, RebalanceObjective::kKm1}) {
    in.obj = obj;
    const Case c = RunPass(in, true);
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(c.in.Weights(c.where), (std::vector<int>{10, 10, 10}));
    EXPECT_EQ(c.where[19], 2);
  }
}

}  // namespace
