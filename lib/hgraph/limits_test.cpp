#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "hgraph/hgraph.h"

namespace {

// Splits weight over the parts lo .. hi-1 as recursive bisection does, each
// bisection giving one side (drawn at random) all it may take and the other
// side the rest: the weight each final part ends with, in the worst case for
// that part along the way.
void SplitToTheLimits(const PartLimits &limits, long long weight, int lo, int hi, std::mt19937 &rng,
                      std::vector<long long> &final) {
  if (hi - lo == 1) {
    final[lo] = weight;
    return;
  }
  const int mid = lo + (hi - lo) / 2;
  const BisectionLimits b = BisectionLimits__(limits, weight, lo, mid, hi);
  const int heavy = static_cast<int>(rng() % 2);
  long long side[2];
  side[heavy] = std::min<long long>(b.maxwgt[heavy], weight);
  side[1 - heavy] = weight - side[heavy];
  SplitToTheLimits(limits, side[0], lo, mid, rng, final);
  SplitToTheLimits(limits, side[1], mid, hi, rng, final);
}

}  // namespace

TEST(PartLimits, BisectionImbalanceFollowsFromTheWeightPresentAndThePartsLeft) {
  const PartLimits l = FinalPartLimits__(1000, 8, 0.03, nullptr);
  EXPECT_EQ(l.maxpwgt, std::vector<int>(8, 128));  // floor(1.03 * 125)
  // Three bisections share the slack of 8 * 128 over 1000.
  BisectionLimits b = BisectionLimits__(l, 1000, 0, 4, 8);
  EXPECT_NEAR(b.epsilon, std::cbrt(1.024) - 1, 1e-12);
  EXPECT_EQ(b.maxwgt[0], static_cast<int>(std::ceil(std::cbrt(1.024L) * 500)));
  // A half that came out light may be split more freely below.
  b = BisectionLimits__(l, 480, 0, 2, 4);
  EXPECT_NEAR(b.epsilon, std::sqrt(512.0 / 480) - 1, 1e-12);
  // Odd counts split the weight as they split the parts.
  const PartLimits odd = FinalPartLimits__(1000, 5, 0.03, nullptr);
  b = BisectionLimits__(odd, 1000, 0, 2, 5);
  EXPECT_NEAR(static_cast<double>(b.target[0]), 0.4, 1e-12);
  EXPECT_EQ(odd.maxpwgt, std::vector<int>(5, 206));  // 0.03 is a little less than 3/100 in binary
  b = BisectionLimits__(odd, 600, 2, 3, 5);
  EXPECT_EQ(b.maxwgt[0], static_cast<int>(std::ceil(std::sqrt(618.0L / 600) * 200)));
  // Per-part maxima split in proportion to them; a sub-hypergraph heavier
  // than its parts' limits gets no slack, and no side more than its parts hold.
  const int maxima[] = {100, 300, 600};
  const PartLimits own = FinalPartLimits__(900, 3, 0.0, maxima);
  EXPECT_EQ(own.maxpwgt, (std::vector<int>{100, 300, 600}));
  b = BisectionLimits__(own, 1200, 0, 1, 3);
  EXPECT_EQ(b.epsilon, 0.0);
  EXPECT_EQ(b.maxwgt[0], 100);
  EXPECT_EQ(b.maxwgt[1], 900);
  b = BisectionLimits__(own, 500, 0, 1, 3);
  EXPECT_EQ(b.maxwgt[1], static_cast<int>(std::ceil(std::sqrt(2.0L) * 450)));
}

TEST(PartLimits, RecursiveSplitsAtTheirLimitsEndWithinTheFinalBound) {
  std::mt19937 rng(11);
  for (int trial = 0; trial < 400; ++trial) {
    const int nparts = 2 + static_cast<int>(rng() % 127);
    const long long total = nparts + static_cast<long long>(rng() % 1000000);
    PartLimits limits;
    std::vector<int> maxima(nparts);
    if (trial % 2 == 0) {
      limits = FinalPartLimits__(total, nparts, 0.001 * (rng() % 100), nullptr);
    } else {
      // Random maxima adding up to at least the total.
      long long sum = 0;
      for (int &m : maxima) sum += m = 1 + static_cast<int>(rng() % 1000);
      for (int &m : maxima) m = static_cast<int>((m * total + sum - 1) / sum) + 1;
      limits = FinalPartLimits__(total, nparts, 0.0, maxima.data());
    }
    std::vector<long long> final(nparts, -1);
    SplitToTheLimits(limits, total, 0, nparts, rng, final);
    for (int p = 0; p < nparts; ++p) ASSERT_LE(final[p], limits.maxpwgt[p]) << "k " << nparts << " part " << p;
  }
}

TEST(PartLimits, LimitsNoPartitionCanKeepAreRefusedNamingLimitAndWeight) {
  const int wgts[] = {5, 1, 1, 1, 9, 1};
  const int fixed[] = {0, -1, 0, -1, -1, 1};
  const PartLimits l = FinalPartLimits__(18, 2, 0.05, nullptr);  // limits floor(1.05 * 9) = 9
  CheckPartLimits__("t", 6, wgts, fixed, l);
  const int heavier[] = {5, 1, 5, 1, 2, 1};
  EXPECT_EXIT(CheckPartLimits__("t", 6, heavier, fixed, l), ::testing::ExitedWithCode(1),
              "^t: the vertices fixed in part 0 weigh 10, more than its limit 9.\n\n$");
  const int maxima[] = {8, 12};
  const int big[] = {1, 1, 1, 1, 13, 1};
  EXPECT_EXIT(CheckPartLimits__("t", 6, big, nullptr, FinalPartLimits__(18, 2, 0.0, maxima)),
              ::testing::ExitedWithCode(1), "^t: vertex 4 weighs 13, more than the largest part limit 12.\n\n$");
  const int short_of[] = {8, 9};
  EXPECT_EXIT(CheckPartLimits__("t", 6, wgts, nullptr, FinalPartLimits__(18, 2, 0.0, short_of)),
              ::testing::ExitedWithCode(1),
              "^t: the part limits add up to 17, less than the total vertex weight 18.\n\n$");
}
