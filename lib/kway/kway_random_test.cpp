// Randomized k-way refinement: objective and balance properties on generated
// hypergraphs, and the documented move rules on small hand-made ones.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "kway_model_test.h"

namespace {

using namespace zt;

enum class Objective { kCut, kSoed, kKm1 };

// On many generated inputs: the figures are exact, the objective never rises,
// anchors stay, and a part inside a bound at the start is inside it at the end.
// The connectivity objective runs under per-part limits instead of one bound.
void CheckRefinementProperties(RefineFn refine, Objective obj) {
  const bool soed = obj == Objective::kSoed, km1 = obj == Objective::kKm1;
  const float ubfactors[] = {1.0f, 1.05f, 1.2f, 1.5f, 3.0f};
  int nmoves = 0;
  for (unsigned seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE(seed);
    KwayCase c = GeneratedKwayCase(seed + 300);
    std::mt19937 rng(seed);
    std::vector<int> where = RandomParts(c.g.nvtxs, c.nparts, rng);
    if (seed % 2 == 0) where = DealtParts(c.g.nvtxs, c.nparts, rng);  // a balanced start
    const int nfixed = (seed % 3 == 0) ? std::min(c.nparts, c.g.nvtxs) : 0;
    const float ub = ubfactors[seed % 5];

    const std::vector<int> w0 = RecountPartWeights(c.g, where.data(), c.nparts);
    int total = 0;
    for (int x : w0) total += x;
    const KwayBounds b = BoundsOf(ub, c.nparts, total);
    const int cut0 = RecountCut(c.g, where.data()), soed0 = RecountSOED(c.g, where.data());
    const int value0 = soed ? soed0 : km1 ? soed0 - cut0 : cut0;
    // Limits of 80% to 140% of the average part, at random.
    auto limits = std::make_shared<PartLimits>();
    for (int p = 0; p < c.nparts; ++p)
      limits->maxpwgt.push_back(static_cast<int>(total / c.nparts * (0.8 + 0.6 * (rng() % 100) / 100.0)));

    // The move trace shows the running figures after every move: the
    // objective must not rise at any single move.
    testing::internal::CaptureStdout();
    Refined r = RefineOnce(refine, c.g, where, c.nparts, ub, nfixed, 10, DBG_MOVEINFO,
                           static_cast<int>(seed), km1 ? OBJ_KM1 : soed ? OBJ_SOED : OBJ_CUT,
                           km1 ? limits : nullptr);
    fflush(stdout);
    std::istringstream trace(testing::internal::GetCapturedStdout());
    int last = value0;
    for (std::string line; std::getline(trace, line); ++nmoves) {
      int v, deg, from, to, id, ed, soedterm, pinbias, cut, sumext;
      ASSERT_EQ(sscanf(line.c_str(), "\tMoving %d[%d] (%d -> %d) [%d %d %d %d] %d %d", &v, &deg,
                       &from, &to, &id, &ed, &soedterm, &pinbias, &cut, &sumext),
                10)
          << line;
      const int value = soed ? sumext : km1 ? sumext - cut : cut;
      EXPECT_LE(value, last) << line;
      last = value;
    }

    EXPECT_EQ(r.mincut, RecountCut(c.g, r.where.data()));
    EXPECT_EQ(r.minsoed, RecountSOED(c.g, r.where.data()));
    EXPECT_EQ(r.kpwgts, RecountPartWeights(c.g, r.where.data(), c.nparts));
    const int value = soed ? r.minsoed : km1 ? RecountKm1(c.g, r.where.data()) : r.mincut;
    EXPECT_EQ(r.objval, value);
    EXPECT_LE(value, value0);
    for (int v = 0; v < nfixed; ++v) EXPECT_EQ(r.where[v], where[v]);
    for (int p = 0; p < c.nparts; ++p) {
      if (km1) {
        // No move takes a part over its limit; a part over it may only lose.
        EXPECT_LE(r.kpwgts[p], std::max(limits->maxpwgt[p], w0[p])) << "part " << p;
        continue;
      }
      if (w0[p] <= b.maxpwgt) {
        EXPECT_LE(r.kpwgts[p], b.maxpwgt) << "part " << p;
      }
      if (w0[p] >= b.minpwgt) {
        EXPECT_GE(r.kpwgts[p], b.minpwgt) << "part " << p;
      }
    }
  }
  EXPECT_GT(nmoves, 100);
}

TEST(KwayRandom, CutRefinementNeverRaisesCutNorLeavesBounds) {
  CheckRefinementProperties(RefineCutKway_Random__, Objective::kCut);
}

TEST(KwayRandom, SoedRefinementNeverRaisesSoedNorLeavesBounds) {
  CheckRefinementProperties(RefineSOEDKway_Random__, Objective::kSoed);
}

TEST(KwayRandom, Km1RefinementNeverRaisesKm1NorPassesPartLimits) {
  CheckRefinementProperties(RefineKwayObjective__, Objective::kKm1);
}

TEST(KwayRandom, SameSeedGivesSamePartition) {
  KwayCase c = GeneratedKwayCase(77);
  std::mt19937 rng(5);
  const std::vector<int> where = RandomParts(c.g.nvtxs, c.nparts, rng);
  Refined a = RefineOnce(RefineCutKway_Random__, c.g, where, c.nparts, 1.5f, 0, 10, 0, 9);
  Refined b = RefineOnce(RefineCutKway_Random__, c.g, where, c.nparts, 1.5f, 0, 10, 0, 9);
  EXPECT_EQ(a.where, b.where);
}

TEST(KwayRandom, NoPassesOnlyComputesFigures) {
  KwayCase c = GeneratedKwayCase(78);
  std::mt19937 rng(6);
  const std::vector<int> where = RandomParts(c.g.nvtxs, c.nparts, rng);
  Refined r = RefineOnce(RefineSOEDKway_Random__, c.g, where, c.nparts, 1.5f, 0, 0);
  EXPECT_EQ(r.where, where);
  EXPECT_EQ(r.objval, RecountSOED(c.g, where.data()));
}

// Each "\tCut:" line closes one pass: at most 10, every pass but the last
// changed the cut or the SOED, and the last changed neither unless it was the
// tenth.
TEST(KwayRandom, RefinementStopsAfterPassWithoutChange) {
  for (unsigned seed = 1; seed <= 10; ++seed) {
    KwayCase c = GeneratedKwayCase(seed + 500);
    std::mt19937 rng(seed);
    testing::internal::CaptureStdout();
    RefineOnce(RefineCutKway_Random__, c.g, RandomParts(c.g.nvtxs, c.nparts, rng), c.nparts,
               2.0f, 0, 10, DBG_REFINE, static_cast<int>(seed));
    fflush(stdout);
    std::istringstream out(testing::internal::GetCapturedStdout());
    std::string line;
    std::vector<std::pair<int, int>> figures;
    int a, b, c1, d, e, cut, soed;
    float ub;
    std::getline(out, line);
    ASSERT_EQ(sscanf(line.c_str(),
                     "Partitions: [%d,%d], Balance: [%f, %d,%d], Init Cut: %d, Init SOED: %d", &a,
                     &b, &ub, &c1, &d, &cut, &soed),
              7)
        << line;
    figures.push_back({cut, soed});
    while (std::getline(out, line)) {
      ASSERT_EQ(sscanf(line.c_str(), "\tCut: %d, SOED: %d, Nmoves: %d", &cut, &soed, &e), 3) << line;
      figures.push_back({cut, soed});
    }
    const int npasses = static_cast<int>(figures.size()) - 1;
    ASSERT_GE(npasses, 1);
    ASSERT_LE(npasses, 10);
    for (int p = 1; p < npasses; ++p) EXPECT_NE(figures[p], figures[p - 1]) << "pass " << p;
    if (npasses < 10) {
      EXPECT_EQ(figures[npasses], figures[npasses - 1]);
    }
  }
}

// Anchors 0 (part 1) and 1 (part 2); vertex 2 in part 0 on the three-part
// hyperedge {2,0,1}, with vertex 3 keeping part 0 above its minimum weight.
// Moving vertex 2 uncuts nothing (cut gain 0) but takes one part off the
// hyperedge (SOED term 1): the move is made, to the later of the two equally
// good parts.
TEST(KwayRandom, CutRefinementMakesZeroGainMoveThatLowersSoed) {
  PlainHGraph g = SmallHGraph({{2, 0, 1}}, {1}, {1, 1, 1, 1});
  testing::internal::CaptureStdout();
  Refined r = RefineOnce(RefineCutKway_Random__, g, {1, 2, 0, 0}, 3, 2.0f, 2, 10,
                     DBG_REFINE | DBG_MOVEINFO);
  fflush(stdout);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Partitions: [    1,    2], Balance: [2.00,     1,    2], Init Cut:     1, Init SOED:     3\n"
            "\tMoving      2[  1] (  0 ->   2) [   0    0    1    0]     1     2\n"
            "\tCut:        1, SOED:        2, Nmoves:   1, Pwgts: [     1      2]\n"
            "\tCut:        1, SOED:        2, Nmoves:   0, Pwgts: [     1      2]\n");
  EXPECT_EQ(r.where[2], 2);
  EXPECT_EQ(r.objval, 1);
}

// Anchors 0..3 with vertex 4 on {4,0,1,2,3}: vertex 4 and anchor 0 in part 0.
// A zero-gain move with SOED term 0 is made only toward a part holding more
// of the hyperedge's pins.
TEST(KwayRandom, CutRefinementFollowsPinMajorityOnZeroGain) {
  PlainHGraph g = SmallHGraph({{4, 0, 1, 2, 3}}, {1}, {1, 1, 1, 1, 1});
  Refined more = RefineOnce(RefineCutKway_Random__, g, {0, 1, 1, 1, 0}, 2, 2.0f, 4);
  EXPECT_EQ(more.where[4], 1);
  Refined fewer = RefineOnce(RefineCutKway_Random__, g, {0, 0, 0, 1, 0}, 2, 2.0f, 4);
  EXPECT_EQ(fewer.where[4], 0);
}

// With cut gain, SOED term and pin bias all zero, the vertex moves only when
// its part outweighs the target by more than the vertex's own weight.
TEST(KwayRandom, CutRefinementMovesOnBalanceOnlyForStrictImprovement) {
  for (int anchorwgt : {2, 3}) {
    PlainHGraph g = SmallHGraph({{3, 0, 1, 2}}, {1}, {anchorwgt, 1, 1, 1});
    Refined r = RefineOnce(RefineCutKway_Random__, g, {0, 1, 1, 0}, 2, 3.0f, 3);
    EXPECT_EQ(r.where[3], anchorwgt == 3 ? 1 : 0) << "anchor weight " << anchorwgt;
  }
}

// Vertex 1 would uncut {1,0} by moving, but part 0 (vertices 1 and 2) would
// fall below its minimum weight: 9 / (2 * 2) = 2. With a loose factor the
// minimum is 9 / 20 < 1, which still keeps one unit of weight: vertex 1 moves
// while vertex 2 stays behind, and never when it is alone in its part.
TEST(KwayRandom, VertexNeverLeavesPartBelowMinimumWeight) {
  PlainHGraph g = SmallHGraph({{1, 0}}, {1}, {7, 1, 1});
  EXPECT_EQ(RefineOnce(RefineCutKway_Random__, g, {1, 0, 0}, 2, 2.0f, 1).where[1], 0);
  EXPECT_EQ(RefineOnce(RefineCutKway_Random__, g, {1, 0, 0}, 2, 10.0f, 1).where[1], 1);
  PlainHGraph alone = SmallHGraph({{1, 0}}, {1}, {7, 1});
  EXPECT_EQ(RefineOnce(RefineCutKway_Random__, alone, {1, 0}, 2, 10.0f, 1).where[1], 0);
  EXPECT_EQ(RefineOnce(RefineSOEDKway_Random__, alone, {1, 0}, 2, 10.0f, 1).where[1], 0);
}

// Vertex 2 would uncut {2,1} by joining anchor 1, but part 1 would exceed its
// maximum weight (11 / 2 = 5 with factor 1.0; 6 with factor 1.1).
TEST(KwayRandom, MoveIntoPartAboveMaximumWeightIsNeverConsidered) {
  PlainHGraph g = SmallHGraph({{2, 1}}, {1}, {5, 5, 1});
  EXPECT_EQ(RefineOnce(RefineCutKway_Random__, g, {0, 1, 0}, 2, 1.0f, 2).where[2], 0);
  EXPECT_EQ(RefineOnce(RefineCutKway_Random__, g, {0, 1, 0}, 2, 1.1f, 2).where[2], 1);
}

// Vertex 3 in part 0 with anchor 0 on {3,0} (weight 5), and alone in part 0 on
// the three-part hyperedge {3,1,2} (weight 6). Its SOED term toward parts 1
// and 2 is 1, yet moving would cut {3,0} and raise the SOED from 18 to 22:
// the SOED refinement leaves it.
TEST(KwayRandom, SoedRefinementRejectsMoveThatWouldRaiseSoed) {
  PlainHGraph g = SmallHGraph({{3, 0}, {3, 1, 2}}, {5, 6}, {1, 1, 1, 1});
  Refined r = RefineOnce(RefineSOEDKway_Random__, g, {0, 1, 2, 0}, 3, 3.0f, 3);
  EXPECT_EQ(r.where[3], 0);
  EXPECT_EQ(r.minsoed, 18);
  EXPECT_EQ(r.objval, 18);
}

// The same zero-cut-gain move as above, made by the SOED refinement for its
// positive SOED gain.
TEST(KwayRandom, SoedRefinementMakesMoveWithPositiveSoedGain) {
  PlainHGraph g = SmallHGraph({{2, 0, 1}}, {1}, {1, 1, 1, 1});
  Refined r = RefineOnce(RefineSOEDKway_Random__, g, {1, 2, 0, 0}, 3, 2.0f, 2);
  EXPECT_EQ(r.where[2], 2);
  EXPECT_EQ(r.objval, 2);
}

// A hyperedge whose only pin is the vertex moves with it and never becomes
// cut: it does not hold the vertex back, and the running cut stays exact.
TEST(KwayRandom, SinglePinHyperedgeDoesNotHoldVertexBack) {
  PlainHGraph g = SmallHGraph({{1}, {1, 0}}, {10, 1}, {1, 1, 1});
  Refined r = RefineOnce(RefineCutKway_Random__, g, {1, 0, 0}, 2, 10.0f, 1);
  EXPECT_EQ(r.where[1], 1);
  EXPECT_EQ(r.mincut, 0);
  EXPECT_EQ(r.minsoed, 0);
}

}  // namespace
