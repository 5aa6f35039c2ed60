#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <numeric>
#include <vector>

#include "util/util.h"

namespace {

// The POSIX 48-bit linear congruential generator, written out independently:
// X' = (0x5DEECE66D X + 0xB) mod 2^48, seeded with (seed << 16) | 0x330E.
struct Lcg48 {
  uint64_t x;
  explicit Lcg48(long seed) : x(((static_cast<uint64_t>(seed) & 0xFFFFFFFFu) << 16) | 0x330E) {}
  double Next() {
    x = (0x5DEECE66DULL * x + 0xB) & ((uint64_t(1) << 48) - 1);
    return static_cast<double>(x) / static_cast<double>(uint64_t(1) << 48);
  }
};

}  // namespace

TEST(Random, StreamForFixedSeedIsThePosix48BitSequence) {
  RandomStream rng;
  for (int seed : {0, 1, 5, 12345, 2147483647}) {
    InitRandom__(&rng, seed);
    Lcg48 ref(seed);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(RandomDouble__(&rng), ref.Next()) << "seed " << seed << " call " << i;
  }
}

TEST(Random, CoarseShuffleCallsGeneratorTwicePerSixteenEntries) {
  RandomStream rng;
  for (int n : {0, 1, 15, 16, 31, 32, 100, 1000}) {
    std::vector<int> perm(n + 1);
    InitRandom__(&rng, 3);
    RandomPermute__(&rng, perm.data(), n, 1);
    Lcg48 ref(3);
    for (int i = 0; i < 2 * (n / 16); ++i) ref.Next();
    EXPECT_EQ(RandomDouble__(&rng), ref.Next()) << n;
  }
}

TEST(Random, FineShuffleCallsGeneratorTwicePerEntry) {
  RandomStream rng;
  for (int n : {0, 1, 2, 17, 500}) {
    std::vector<int> perm(n + 1);
    InitRandom__(&rng, 11);
    RandomPermuteFine__(&rng, perm.data(), n, 1);
    Lcg48 ref(11);
    for (int i = 0; i < 2 * n; ++i) ref.Next();
    EXPECT_EQ(RandomDouble__(&rng), ref.Next()) << n;
  }
}

TEST(Random, ShufflesFollowTheirSwapRecipe) {
  RandomStream rng;
  // The block shuffle: u then v, four element swaps from u and v.
  for (int n : {16, 40, 333}) {
    std::vector<int> perm(n), ref(n);
    InitRandom__(&rng, 9);
    RandomPermute__(&rng, perm.data(), n, 1);
    std::iota(ref.begin(), ref.end(), 0);
    Lcg48 g(9);
    for (int i = 0; i < n / 16; ++i) {
      int u = static_cast<int>(g.Next() * (n - 8)), v = static_cast<int>(g.Next() * (n - 8));
      for (int k = 0; k < 4; ++k) std::swap(ref[u + k], ref[v + k]);
    }
    EXPECT_EQ(perm, ref);
  }
  for (int n : {1, 7, 250}) {
    std::vector<int> perm(n), ref(n);
    std::iota(perm.begin(), perm.end(), 100);  // init 0 shuffles the array as it is
    ref = perm;
    InitRandom__(&rng, 4);
    RandomPermuteFine__(&rng, perm.data(), n, 0);
    Lcg48 g(4);
    for (int i = 0; i < n; ++i) {
      int u = static_cast<int>(g.Next() * n), v = static_cast<int>(g.Next() * n);
      std::swap(ref[u], ref[v]);
    }
    EXPECT_EQ(perm, ref);
  }
}

TEST(Random, ShortCoarseShuffleLeavesIdentityAndSixteenStayWithinFirstEleven) {
  RandomStream rng;
  std::vector<int> perm(15, -1);
  InitRandom__(&rng, 1);
  RandomPermute__(&rng, perm.data(), 15, 1);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(perm[i], i);
  for (int seed = 0; seed < 50; ++seed) {
    std::vector<int> p(16);
    InitRandom__(&rng, seed);
    RandomPermute__(&rng, p.data(), 16, 1);
    for (int i = 11; i < 16; ++i) EXPECT_EQ(p[i], i);
  }
}

TEST(Random, SameSeedGivesSamePermutations) {
  RandomStream rng;
  std::vector<int> a(200), b(200);
  InitRandom__(&rng, 5);
  RandomPermute__(&rng, a.data(), 200, 1);
  RandomPermuteFine__(&rng, a.data(), 200, 0);
  InitRandom__(&rng, 5);
  RandomPermute__(&rng, b.data(), 200, 1);
  RandomPermuteFine__(&rng, b.data(), 200, 0);
  EXPECT_EQ(a, b);
  std::vector<int> sorted = a;
  std::sort(sorted.begin(), sorted.end());
  for (int i = 0; i < 200; ++i) EXPECT_EQ(sorted[i], i);
}

TEST(Random, RelativeDifferenceDividesByTheLarger) {
  EXPECT_FLOAT_EQ(RelDiff__(10, 8), 0.2f);
  EXPECT_FLOAT_EQ(RelDiff__(8, 10), 0.2f);
  EXPECT_EQ(RelDiff__(4, 4), 0.0f);
}

// A stream seeded like srand48 draws exactly what the C library's drand48
// draws after srand48, also for the calendar time of a negative seed.
TEST(Random, OwnStreamDrawsWhatSrand48AndDrand48Draw) {
  for (int seed : {0, 7, 99991, 2147483647}) {
    RandomStream rng;
    InitRandom__(&rng, seed);
    srand48(seed);
    for (int i = 0; i < 500; ++i) ASSERT_EQ(RandomDouble__(&rng), drand48()) << seed;
  }
}

// A key's stream starts at the key's low 48 bits; a drawn key comes from the
// state after one generator call, and equal streams draw equal keys.
TEST(Random, StreamOfKeyTakesTheLow48BitsAndDrawKeyAdvancesOneCall) {
  const uint64_t key = 0x123456789abcdef0ULL;
  RandomStream rng = StreamOfKey__(key);
  Lcg48 ref(0);
  ref.x = key & ((uint64_t(1) << 48) - 1);
  RandomStream twin = rng;
  const uint64_t drawn = DrawKey__(&rng);
  EXPECT_EQ(DrawKey__(&twin), drawn);
  ref.Next();
  EXPECT_EQ(RandomDouble__(&rng), ref.Next());
  EXPECT_NE(DrawKey__(&rng), drawn);
}

// Keys of neighbouring seeds and positions are all distinct and differ in
// about half their bits: no two tasks of a call share a stream.
TEST(Random, MixedKeysOfNeighbouringPositionsAreDistinctAndWellSpread) {
  std::vector<uint64_t> keys;
  for (int seed = 0; seed < 4; ++seed)
    for (int lo = 0; lo < 8; ++lo)
      for (int step = -2; step < 10; ++step)
        keys.push_back(MixKey__(MixKey__(SeedKey__(seed), lo), step));
  std::vector<uint64_t> sorted = keys;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
  double bits = 0;
  for (size_t i = 1; i < keys.size(); ++i) bits += __builtin_popcountll(keys[i] ^ keys[i - 1]);
  const double mean = bits / static_cast<double>(keys.size() - 1);
  EXPECT_GT(mean, 28.0);
  EXPECT_LT(mean, 36.0);
  EXPECT_EQ(SeedKey__(5), SeedKey__(5));
}
