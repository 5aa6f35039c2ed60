#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "testgen.h"
#include "zorbel.h"

namespace {

using Entry = decltype(&ZORBEL_PartRecursive);

struct Result {
  std::vector<int> part;
  int edgecut = -1;
};

// Options: Nruns, CType, RType, VCycle, Reconst, Fixed with a fixed seed.
std::vector<int> Options(int nruns, int ctype, int rtype, int vcycle, int reconst, int fixed) {
  return {1, nruns, ctype, rtype, vcycle, reconst, fixed, 5, 0};
}

Result Partition(Entry entry, const zt::PlainHGraph &g, int nparts, int ub,
                 const std::vector<int> &options, std::vector<int> part = {}) {
  Result r;
  r.part = part.empty() ? std::vector<int>(g.nvtxs, -1) : part;
  entry(g.nvtxs, g.nhedges(), g.vwgts.data(), g.eptr.data(), g.eind.data(), g.hewgts.data(),
        nparts, ub, options.data(), r.part.data(), &r.edgecut);
  return r;
}

zt::PlainHGraph Gen(unsigned seed, int nvtxs = 240, int maxvwgt = 1) {
  zt::GenSpec gs;
  gs.nvtxs = nvtxs;
  gs.nhedges = nvtxs * 3 / 2;
  gs.maxsize = 7;
  gs.maxvwgt = maxvwgt;
  gs.maxhwgt = 3;
  gs.nislands = 4;
  gs.nlarge = 2;
  gs.seed = seed;
  return zt::Generate(gs);
}

void ExpectPartsInRange(const Result &r, int nparts) {
  for (int p : r.part) {
    ASSERT_GE(p, 0);
    ASSERT_LT(p, nparts);
  }
}

TEST(PartRecursive, ReturnsTheActualCutAfterTheKwayPass) {
  for (unsigned seed = 1; seed <= 3; ++seed) {
    zt::PlainHGraph g = Gen(seed);
    for (int nparts : {3, 4, 5, 8}) {
      for (int reconst : {0, 1}) {
        Result r = Partition(ZORBEL_PartRecursive, g, nparts, 5, Options(2, 1, 1, 1, reconst, 0));
        ExpectPartsInRange(r, nparts);
        EXPECT_EQ(r.edgecut, zt::RecountCut(g, r.part.data())) << seed << " " << nparts;
      }
    }
  }
}

TEST(PartRecursive, TwoPartsReturnTheBisectionCut) {
  zt::PlainHGraph g = Gen(11);
  Result r = Partition(ZORBEL_PartRecursive, g, 2, 5, Options(3, 1, 1, 1, 1, 0));
  ExpectPartsInRange(r, 2);
  EXPECT_EQ(r.edgecut, zt::RecountCut(g, r.part.data()));
}

TEST(PartRecursive, WithoutReconstructionTheSumOfBisectionCutsIsTheCut) {
  for (unsigned seed = 1; seed <= 8; ++seed) {
    zt::PlainHGraph g = Gen(seed);
    for (int nparts : {3, 4, 7}) {
      Result r = Partition(ZORBEL_PartRecursiveInternal, g, nparts, 5, Options(2, 1, 1, 0, 0, 0));
      ExpectPartsInRange(r, nparts);
      EXPECT_EQ(r.edgecut, zt::RecountCut(g, r.part.data())) << seed << " " << nparts;
    }
  }
}

TEST(PartRecursive, WithReconstructionRecutPiecesCountAgain) {
  int exceeded = 0;
  for (unsigned seed = 1; seed <= 8; ++seed) {
    zt::PlainHGraph g = Gen(seed);
    Result r = Partition(ZORBEL_PartRecursiveInternal, g, 8, 5, Options(2, 1, 1, 0, 1, 0));
    ExpectPartsInRange(r, 8);
    int cut = zt::RecountCut(g, r.part.data());
    EXPECT_GE(r.edgecut, cut) << seed;
    if (r.edgecut > cut) ++exceeded;
  }
  EXPECT_GT(exceeded, 0);
}

TEST(PartRecursive, MoreThanSixtyFourPartsSkipTheKwayPass) {
  zt::PlainHGraph g = Gen(3, 400);
  Result with = Partition(ZORBEL_PartRecursive, g, 64, 5, Options(1, 1, 1, 0, 1, 0));
  EXPECT_EQ(with.edgecut, zt::RecountCut(g, with.part.data()));
  Result without = Partition(ZORBEL_PartRecursive, g, 65, 5, Options(1, 1, 1, 0, 1, 0));
  ExpectPartsInRange(without, 65);
  EXPECT_GT(without.edgecut, zt::RecountCut(g, without.part.data()));
}

TEST(PartRecursive, PartsStayWithinTheBoundsOfTheRecursion) {
  for (unsigned seed = 1; seed <= 3; ++seed) {
    zt::PlainHGraph g = Gen(seed, 300, 3);
    int total = 0;
    for (int w : g.vwgts) total += w;
    for (int nparts : {2, 3, 4, 6}) {
      for (int ub : {5, 10}) {
        Result r = Partition(ZORBEL_PartRecursive, g, nparts, ub, Options(2, 1, 1, 1, 0, 0));
        ExpectPartsInRange(r, nparts);
        // Vertices weigh up to 3: a bisection may overshoot by one vertex per level.
        double bound = zt::BisectionPartBound(nparts, total, ub / 100.0) + 3 * nparts;
        for (int w : zt::RecountPartWeights(g, r.part.data(), nparts))
          EXPECT_LE(w, bound) << seed << " " << nparts << " " << ub;
      }
    }
  }
}

// Six unit vertices into five parts: every bisection can keep a vertex on
// each side and does, and the k-way pass that ends the recursion may not move
// a part's last vertex away, however small the part's minimum weight.
TEST(PartRecursive, NoPartIsEmptiedWhenEverySplitCanFillBothSides) {
  zt::GenSpec gs;
  gs.nvtxs = 6;
  gs.nhedges = 9;
  gs.maxhwgt = 4;
  gs.nislands = 3;
  gs.nlarge = 1;
  gs.seed = 8;
  zt::PlainHGraph g = zt::Generate(gs);
  for (int seed = 0; seed < 200; ++seed) {
    std::vector<int> options = Options(10, 1, 1, 1, 0, 0);
    options[7] = seed;
    Result r = Partition(ZORBEL_PartRecursive, g, 5, 5, options);
    for (int w : zt::RecountPartWeights(g, r.part.data(), 5)) EXPECT_GT(w, 0) << "seed " << seed;
  }
}

TEST(PartRecursive, PreassignedVerticesEndInTheirParts) {
  for (unsigned seed = 1; seed <= 6; ++seed) {
    zt::PlainHGraph g = Gen(seed);
    for (int nparts : {2, 3, 5}) {
      std::mt19937 rng(seed);
      std::vector<int> fix(g.nvtxs, -1);
      for (int v = 0; v < g.nvtxs; ++v)
        if (rng() % 10 == 0) fix[v] = static_cast<int>(rng() % nparts);
      Result r = Partition(ZORBEL_PartRecursive, g, nparts, 5, Options(2, 1, 1, 1, 0, 1), fix);
      ExpectPartsInRange(r, nparts);
      for (int v = 0; v < g.nvtxs; ++v)
        if (fix[v] != -1) {
          EXPECT_EQ(r.part[v], fix[v]) << seed << " vertex " << v;
        }
      if (nparts > 2) {
        EXPECT_EQ(r.edgecut, zt::RecountCut(g, r.part.data()));
      }
    }
  }
}

TEST(PartRecursive, PreassignmentOutsideTheRequestedPartsEndsTheRun) {
  zt::PlainHGraph g = Gen(3, 60);
  for (int bad : {-2, 4, 1000}) {
    std::vector<int> fix(g.nvtxs, -1);
    fix[0] = 2;
    fix[7] = bad;
    EXPECT_EXIT(Partition(ZORBEL_PartRecursive, g, 4, 5, Options(1, 1, 1, 1, 0, 1), fix),
                testing::ExitedWithCode(1),
                "ZORBEL_PartRecursive: pre-assigned part " + std::to_string(bad) +
                    " of vertex 7 lies outside -1\\.\\.3\\.");
  }
}

TEST(PartRecursive, WithoutFixedVerticesThePartVectorIsNotRead) {
  zt::PlainHGraph g = Gen(3, 60);
  std::vector<int> junk(g.nvtxs, 1000);
  junk[1] = -7;
  Result r = Partition(ZORBEL_PartRecursive, g, 4, 5, Options(1, 1, 1, 1, 0, 0), junk);
  ExpectPartsInRange(r, 4);
}

TEST(PartRecursive, CallerArraysAreOnlyRead) {
  zt::PlainHGraph g = Gen(4), copy = g;
  std::vector<int> options = Options(1, 1, 1, 1, 1, 0), optcopy = options;
  Partition(ZORBEL_PartRecursive, g, 4, 5, options);
  EXPECT_EQ(g.eptr, copy.eptr);
  EXPECT_EQ(g.eind, copy.eind);
  EXPECT_EQ(g.vwgts, copy.vwgts);
  EXPECT_EQ(g.hewgts, copy.hewgts);
  EXPECT_EQ(options, optcopy);
}

TEST(PartRecursive, NullWeightsMeanUnitWeights) {
  zt::PlainHGraph g = Gen(5);
  std::vector<int> options = Options(1, 1, 1, 1, 0, 0);
  std::vector<int> part(g.nvtxs);
  int cut = -1;
  ZORBEL_PartRecursive(g.nvtxs, g.nhedges(), nullptr, g.eptr.data(), g.eind.data(), nullptr, 4,
                       5, options.data(), part.data(), &cut);
  std::fill(g.hewgts.begin(), g.hewgts.end(), 1);
  EXPECT_EQ(cut, zt::RecountCut(g, part.data()));
}

TEST(PartRecursive, DefaultOptionsIgnoreSlotsOneToEight) {
  zt::PlainHGraph g = Gen(6, 120);
  std::vector<int> options = {0, -4, 99, 99, 99, 99, 99, 3, 0};
  Result r = Partition(ZORBEL_PartRecursive, g, 3, 5, options);
  ExpectPartsInRange(r, 3);
  EXPECT_EQ(r.edgecut, zt::RecountCut(g, r.part.data()));
}

// Inputs the options allow but that leave nothing sensible to balance: the
// run must finish with every vertex in a valid part.
TEST(PartRecursive, DegenerateInputsFinish) {
  zt::PlainHGraph few = Gen(7, 5);
  for (int nparts : {4, 8, 13}) ExpectPartsInRange(Partition(ZORBEL_PartRecursive, few, nparts, 5, Options(2, 1, 1, 1, 0, 0)), nparts);
  // The library accepts far more parts than vertices; the parts no vertex
  // reaches cost nothing, so a billion of them finish as quickly as a few.
  Result many = Partition(ZORBEL_PartRecursive, few, 1000000000, 5, Options(2, 1, 1, 1, 0, 0));
  ExpectPartsInRange(many, 1000000000);
  EXPECT_EQ(many.edgecut, zt::RecountCut(few, many.part.data()));

  zt::PlainHGraph islands;
  islands.nvtxs = 30;
  islands.vwgts.assign(30, 2);
  Result r = Partition(ZORBEL_PartRecursive, islands, 4, 5, Options(2, 1, 1, 1, 0, 0));
  ExpectPartsInRange(r, 4);
  EXPECT_EQ(r.edgecut, 0);

  zt::PlainHGraph zero = Gen(8, 80);
  std::fill(zero.vwgts.begin(), zero.vwgts.end(), 0);
  r = Partition(ZORBEL_PartRecursive, zero, 4, 5, Options(2, 1, 1, 1, 0, 0));
  ExpectPartsInRange(r, 4);
  EXPECT_EQ(r.edgecut, zt::RecountCut(zero, r.part.data()));

  zt::PlainHGraph all = Gen(9, 60);
  std::vector<int> fix(all.nvtxs);
  for (int v = 0; v < all.nvtxs; ++v) fix[v] = v % 3;
  r = Partition(ZORBEL_PartRecursive, all, 3, 5, Options(2, 1, 1, 1, 0, 1), fix);
  EXPECT_EQ(r.part, fix);
}

TEST(PartRecursive, MissingOptionVectorMeansDefaults) {
  zt::PlainHGraph g = Gen(13, 80);
  std::vector<int> part(g.nvtxs);
  int cut = -1;
  ZORBEL_PartRecursive(g.nvtxs, g.nhedges(), g.vwgts.data(), g.eptr.data(), g.eind.data(),
                       g.hewgts.data(), 3, 5, nullptr, part.data(), &cut);
  ExpectPartsInRange(Result{part, cut}, 3);
  EXPECT_EQ(cut, zt::RecountCut(g, part.data()));
}

TEST(PartRecursive, OptionsAreCheckedInOrder) {
  zt::PlainHGraph g = Gen(1, 20);
  auto run = [&](int nparts, int ub, std::vector<int> o) { Partition(ZORBEL_PartRecursive, g, nparts, ub, o); };
  EXPECT_EXIT(run(1, 0, Options(0, 0, 0, 9, 9, 9)), testing::ExitedWithCode(1),
              "Nparts should be at least 2\\.");
  EXPECT_EXIT(run(2, 0, Options(1, 1, 1, 1, 0, 0)), testing::ExitedWithCode(1), "UBfactor should be between 1 and 49\\.");
  EXPECT_EXIT(run(2, 50, Options(1, 1, 1, 1, 0, 0)), testing::ExitedWithCode(1), "UBfactor should be between 1 and 49\\.");
  EXPECT_EXIT(run(2, 5, Options(0, 9, 9, 9, 9, 9)), testing::ExitedWithCode(1), "Nruns should be at least 1\\.");
  EXPECT_EXIT(run(2, 5, Options(1, 6, 9, 9, 9, 9)), testing::ExitedWithCode(1), "Ctype should be between 1 and 5\\.");
  EXPECT_EXIT(run(2, 5, Options(1, 5, 0, 9, 9, 9)), testing::ExitedWithCode(1), "Rtype should be between 1 and 3\\.");
  EXPECT_EXIT(run(2, 5, Options(1, 5, 3, 4, 9, 9)), testing::ExitedWithCode(1), "Vcycle should be between 0 and 3\\.");
  EXPECT_EXIT(run(2, 5, Options(1, 5, 3, 3, 2, 9)), testing::ExitedWithCode(1), "Reconst should be between 0 and 1\\.");
  EXPECT_EXIT(run(2, 5, Options(1, 5, 3, 3, 1, -1)), testing::ExitedWithCode(1), "Fixed should be between 0 and 1\\.");
}

TEST(PartRecursive, UBfactorOneAndFortyNineAreAccepted) {
  zt::PlainHGraph g = Gen(2, 100);
  for (int ub : {1, 49}) ExpectPartsInRange(Partition(ZORBEL_PartRecursive, g, 2, ub, Options(1, 1, 1, 1, 0, 0)), 2);
}

TEST(TwoWayRefine, NeverRaisesTheCutOfABalancedBisection) {
  for (unsigned seed = 1; seed <= 10; ++seed) {
    zt::PlainHGraph g = Gen(seed, 150);
    std::vector<int> part(g.nvtxs);
    for (int v = 0; v < g.nvtxs; ++v) part[v] = v % 2;
    int before = zt::RecountCut(g, part.data());
    std::vector<int> options = Options(1, 1, 3, 1, 0, 0);
    int cut = -1;
    ZORBEL_2WayRefine(g.nvtxs, g.nhedges(), g.vwgts.data(), g.eptr.data(), g.eind.data(),
                      g.hewgts.data(), 5, options.data(), part.data(), &cut);
    EXPECT_EQ(cut, zt::RecountCut(g, part.data()));
    EXPECT_LE(cut, before);
    ExpectPartsInRange(Result{part, cut}, 2);
  }
}

TEST(TwoWayRefine, PartOutsideTheTwoSidesEndsTheRun) {
  zt::PlainHGraph g = Gen(2, 50);
  std::vector<int> options = Options(1, 1, 1, 1, 0, 0);
  for (int bad : {-1, 2}) {
    std::vector<int> part(g.nvtxs);
    for (int v = 0; v < g.nvtxs; ++v) part[v] = v % 2;
    part[g.nvtxs - 1] = bad;
    int cut = -1;
    EXPECT_EXIT(ZORBEL_2WayRefine(g.nvtxs, g.nhedges(), g.vwgts.data(), g.eptr.data(),
                                  g.eind.data(), g.hewgts.data(), 5, options.data(), part.data(),
                                  &cut),
                testing::ExitedWithCode(1),
                "ZORBEL_2WayRefine: part " + std::to_string(bad) + " of vertex " +
                    std::to_string(g.nvtxs - 1) + " lies outside 0\\.\\.1\\.");
  }
}

}  // namespace
