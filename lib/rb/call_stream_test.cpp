// The random streams of a library call: seeded calls repeat themselves
// whatever ran before, the refine entries seed from their seed slot, the
// k-way driver's initial recursive bisection derives its streams from the
// trial's, and no call touches the C library's drand48 state.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "kway/kway.h"
#include "rb/rb.h"
#include "testgen.h"
#include "zorbel.h"

namespace {

zt::PlainHGraph Small(unsigned seed) {
  return zt::Generate(zt::GenSpec{.nvtxs = 160, .nhedges = 220, .maxsize = 5, .seed = seed});
}

std::vector<int> Recursive(const zt::PlainHGraph &g, int seed) {
  const int options[9] = {1, 2, 1, 1, 1, 0, 0, seed, 0};
  std::vector<int> part(g.nvtxs);
  int cut = -1;
  ZORBEL_PartRecursive(g.nvtxs, g.nhedges(), g.vwgts.data(), g.eptr.data(), g.eind.data(),
                       g.hewgts.data(), 4, 5, options, part.data(), &cut);
  return part;
}

std::vector<int> Kway(const zt::PlainHGraph &g, int seed) {
  const int options[9] = {1, 2, 2, 1, 0, 0, 0, seed, 0};
  std::vector<int> part(g.nvtxs);
  int cut = -1;
  ZORBEL_PartKway(g.nvtxs, g.nhedges(), g.vwgts.data(), g.eptr.data(), g.eind.data(),
                  g.hewgts.data(), 4, 10, options, part.data(), &cut);
  return part;
}

std::vector<int> TwoWayRefined(const zt::PlainHGraph &g, int seed) {
  const int options[9] = {1, 1, 1, 1, 1, 0, 0, seed, 0};
  std::vector<int> part(g.nvtxs);
  for (int v = 0; v < g.nvtxs; ++v) part[v] = v % 2;
  int cut = -1;
  ZORBEL_2WayRefine(g.nvtxs, g.nhedges(), g.vwgts.data(), g.eptr.data(), g.eind.data(),
                    g.hewgts.data(), 5, options, part.data(), &cut);
  return part;
}

// Some other seed gives some other partition for one of a few inputs.
template <class F>
bool SeedMatters(F partition) {
  for (unsigned s = 1; s <= 3; ++s) {
    const zt::PlainHGraph g = Small(s);
    if (partition(g, 3) != partition(g, 4)) return true;
  }
  return false;
}

TEST(CallStream, SeededCallsRepeatAndLeaveTheProcessStreamAlone) {
  const zt::PlainHGraph g = Small(1);
  srand48(1);
  const std::vector<int> a = Recursive(g, 3);
  const std::vector<int> k = Kway(g, 3);
  const double after = drand48();
  srand48(987654);
  EXPECT_EQ(Recursive(g, 3), a);
  EXPECT_EQ(Kway(g, 3), k);
  srand48(1);
  EXPECT_EQ(drand48(), after);  // the calls drew nothing from drand48
  EXPECT_TRUE(SeedMatters(Recursive));
}

// The k-way driver's initial partitioning no longer takes the clock: two
// seeded calls agree however far apart they run.
TEST(CallStream, SeededKwayCallsGiveIdenticalPartitions) {
  for (unsigned s = 2; s <= 4; ++s) {
    const zt::PlainHGraph g = Small(s);
    EXPECT_EQ(Kway(g, 11), Kway(g, 11)) << s;
  }
  EXPECT_TRUE(SeedMatters(Kway));
}

TEST(CallStream, RefineEntrySeedsFromItsSeedSlot) {
  const zt::PlainHGraph g = Small(2);
  srand48(11);
  const std::vector<int> a = TwoWayRefined(g, 21);
  srand48(12);
  EXPECT_EQ(TwoWayRefined(g, 21), a);
  EXPECT_TRUE(SeedMatters(TwoWayRefined));
}

// The phase form draws from the key it is given, not from its seed slot: the
// same key repeats the partition, and it matches no seed-slot call in
// particular but does depend on the key.
TEST(CallStream, PhaseBisectionDerivesItsStreamsFromTheGivenKey) {
  const zt::PlainHGraph g = Small(4);
  auto phase = [&](uint64_t key, int seedslot) {
    const int options[9] = {1, 2, 2, 1, 0, 0, 0, seedslot, 0};
    std::vector<int> part(g.nvtxs);
    int cut = -1;
    PartRecursivePhase__(key, g.nvtxs, g.nhedges(), g.vwgts.data(), g.eptr.data(),
                         g.eind.data(), g.hewgts.data(), 4, 5, options, part.data(), &cut);
    return part;
  };
  EXPECT_EQ(phase(77, 1), phase(77, 2));
  bool differs = false;
  for (uint64_t key = 78; key < 82 && !differs; ++key) differs = phase(key, 1) != phase(77, 1);
  EXPECT_TRUE(differs);
}

// A trial's stream depends on its position alone: the same position gives the
// same stream, any other part range or step another one.
TEST(CallStream, TrialStreamsFollowThePosition) {
  const uint64_t key = SeedKey__(9);
  auto state = [](RandomStream r) {
    return static_cast<uint64_t>(r.x[0]) | static_cast<uint64_t>(r.x[1]) << 16 |
           static_cast<uint64_t>(r.x[2]) << 32;
  };
  std::vector<uint64_t> seen;
  for (int lo = 0; lo < 4; ++lo)
    for (int hi = lo + 1; hi <= 4; ++hi)
      for (int step = STEP_KWAY_FINISH; step < 4; ++step) {
        const uint64_t s = state(TrialStream__(key, lo, hi, step));
        EXPECT_EQ(s, state(TrialStream__(key, lo, hi, step)));
        for (uint64_t other : seen) EXPECT_NE(other, s);
        seen.push_back(s);
      }
  CtrlType ctrl;
  ctrl.streamKey = key;
  ctrl.partlo = 2;
  ctrl.parthi = 4;
  EXPECT_EQ(state(TrialStream__(&ctrl, 1)), state(TrialStream__(key, 2, 4, 1)));
}

}  // namespace
