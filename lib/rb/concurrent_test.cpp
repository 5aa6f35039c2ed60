// Library calls from several threads at once give exactly what each gives
// alone: no call shares mutable state with another.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "testgen.h"
#include "zorbel.h"

namespace {

struct Result {
  std::vector<int> part;
  int cut = -1;
  friend bool operator==(const Result &, const Result &) = default;
};

zt::PlainHGraph Input(unsigned seed) {
  zt::GenSpec gs;
  gs.nvtxs = 500 + 40 * static_cast<int>(seed);
  gs.nhedges = 800;
  gs.maxsize = 6;
  gs.maxvwgt = 2;
  gs.nlarge = 4;
  gs.largesize = 60;
  gs.seed = seed;
  return zt::Generate(gs);
}

// Call c of the mix: recursive bisection (with its k-way finish), direct
// k-way partitioning, and the two refine entries on a fixed start.
Result Call(const zt::PlainHGraph &g, int c) {
  const int options[9] = {1, 3, 1, 1, 1, 0, 0, 5 + c, 0};
  Result r;
  r.part.assign(g.nvtxs, 0);
  for (int v = 0; v < g.nvtxs; ++v) r.part[v] = v % 2;
  switch (c % 4) {
    case 0:
      ZORBEL_PartRecursive(g.nvtxs, g.nhedges(), g.vwgts.data(), g.eptr.data(), g.eind.data(),
                           g.hewgts.data(), 6, 5, options, r.part.data(), &r.cut);
      break;
    case 1:
      ZORBEL_PartKway(g.nvtxs, g.nhedges(), g.vwgts.data(), g.eptr.data(), g.eind.data(),
                      g.hewgts.data(), 5, 10, options, r.part.data(), &r.cut);
      break;
    case 2:
      ZORBEL_2WayRefine(g.nvtxs, g.nhedges(), g.vwgts.data(), g.eptr.data(), g.eind.data(),
                        g.hewgts.data(), 10, options, r.part.data(), &r.cut);
      break;
    default:
      ZORBEL_KWayRefine(g.nvtxs, g.nhedges(), g.vwgts.data(), g.eptr.data(), g.eind.data(),
                        g.hewgts.data(), 2, 10, options, r.part.data(), &r.cut);
      break;
  }
  return r;
}

TEST(Concurrent, CallsFromSeveralThreadsGiveWhatEachGivesAlone) {
  constexpr int kCalls = 8;
  std::vector<zt::PlainHGraph> inputs;
  std::vector<Result> alone;
  for (int c = 0; c < kCalls; ++c) {
    inputs.push_back(Input(static_cast<unsigned>(c / 2 + 1)));
    alone.push_back(Call(inputs.back(), c));
  }
  std::vector<Result> together(kCalls);
  std::vector<std::thread> threads;
  for (int c = 0; c < kCalls; ++c)
    threads.emplace_back([&, c] { together[c] = Call(inputs[c], c); });
  for (std::thread &t : threads) t.join();
  for (int c = 0; c < kCalls; ++c) EXPECT_EQ(together[c], alone[c]) << "call " << c;
}

}  // namespace
