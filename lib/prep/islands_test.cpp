#include <gtest/gtest.h>

#include <random>

#include "prep/prep.h"
#include "testgen.h"

namespace {

HGraph *WithIncidence(const zt::PlainHGraph &p, int nfixed) {
  HGraph *graph = zt::ToHGraph(p);
  graph->nfixed = nfixed;
  CreateIncidentHGraph__(graph);
  return graph;
}

// Every array separation and combination touch, for comparisons.
std::vector<int> State(const HGraph *g) {
  const int n = g->nvtxs + g->nislands, npins = g->netptr[g->nhedges];
  std::vector<int> s{g->nvtxs, g->nislands};
  s.insert(s.end(), g->incptr.get(), g->incptr + n + 1);
  s.insert(s.end(), g->incind.get(), g->incind + npins);
  s.insert(s.end(), g->netind.get(), g->netind + npins);
  s.insert(s.end(), g->cellwgt.get(), g->cellwgt + n);
  s.insert(s.end(), g->adjwgt.get(), g->adjwgt + n);
  if (g->where) s.insert(s.end(), g->where.get(), g->where + n);
  return s;
}

zt::PlainHGraph SevenWithTwoIslands() {
  zt::PlainHGraph p;
  p.nvtxs = 7;
  p.eptr = {0, 2, 4, 7, 9};
  p.eind = {0, 1, 1, 3, 3, 4, 6, 0, 6};
  p.hewgts = {1, 2, 3, 4};
  p.vwgts = {10, 11, 12, 13, 14, 15, 16};
  return p;
}

TEST(Islands, SeparationMovesVerticesTwoAndFiveBehindAndCombiningRestores) {
  HGraph *g = WithIncidence(SevenWithTwoIslands(), 0);
  const std::vector<int> before = State(g);
  SeparateIslands__(g);
  EXPECT_EQ(g->nvtxs, 5);
  EXPECT_EQ(g->nislands, 2);
  EXPECT_EQ(std::vector<int>(g->islandmap.get(), g->islandmap + 7),
            (std::vector<int>{0, 1, 6, 2, 3, 5, 4}));
  EXPECT_EQ(std::vector<int>(g->netind.get(), g->netind + 9),
            (std::vector<int>{0, 1, 1, 2, 2, 3, 4, 0, 4}));
  EXPECT_EQ(std::vector<int>(g->cellwgt.get(), g->cellwgt + 7),
            (std::vector<int>{10, 11, 13, 14, 16, 15, 12}));
  EXPECT_EQ(std::vector<int>(g->incptr.get(), g->incptr + 6), (std::vector<int>{0, 2, 4, 6, 7, 9}));
  // Refinement gives every position, islands included, a part.
  g->where = imalloc__(7, "test: where");
  for (int k = 0; k < 7; ++k) g->where[k] = k % 2;
  CombineIslands__(g);
  std::vector<int> after = State(g);
  EXPECT_EQ(std::vector<int>(g->where.get(), g->where + 7),
            (std::vector<int>{0, 1, 0, 0, 1, 1, 0}));
  after.resize(before.size());
  EXPECT_EQ(after, before);
  FreeHGraph__(g);
}

TEST(Islands, SeparatingOnASharedHypergraphRenumbersCopiesAndLeavesTheSharedOneAsItWas) {
  HGraph *g = WithIncidence(SevenWithTwoIslands(), 0);
  const std::vector<int> before = State(g);
  HGraph *copy = CopyHGraph__(g);
  HGraph *share = ShareHGraph__(g);
  EXPECT_EQ(share->incind.get(), g->incind.get());
  SeparateIslands__(copy);
  SeparateIslands__(share);
  EXPECT_EQ(State(share), State(copy));
  EXPECT_NE(share->netind.get(), g->netind.get());
  EXPECT_EQ(share->incind.get(), g->incind.get());  // not written, still read in place
  EXPECT_EQ(State(g), before);
  CombineIslands__(share);
  EXPECT_EQ(State(share), before);
  FreeHGraph__(share);
  FreeHGraph__(copy);
  EXPECT_EQ(State(g), before);
  FreeHGraph__(g);
}

// A hypergraph separated once for the runs that read it: a share starts out
// separated, separating it again writes nothing, and combining it gives its
// partition the first numbering while the owner's structure stays separated.
TEST(Islands, AShareOfASeparatedHypergraphCombinesOnlyItsPartition) {
  HGraph *g = WithIncidence(SevenWithTwoIslands(), 0);
  SeparateIslands__(g);
  const std::vector<int> separated = State(g);
  HGraph *share = ShareHGraph__(g);
  share->islandmap.Borrow(g->islandmap);
  SeparateIslands__(share);
  EXPECT_EQ(State(share), separated);
  EXPECT_EQ(share->netind.get(), g->netind.get());
  share->where = imalloc__(7, "test: where");
  for (int k = 0; k < 7; ++k) share->where[k] = k;
  CombineIslands__(share);
  EXPECT_EQ(share->nvtxs, 7);
  EXPECT_EQ(share->nislands, 0);
  // Vertex v's part is what position islandmap[v] held.
  EXPECT_EQ(std::vector<int>(share->where.get(), share->where + 7),
            (std::vector<int>{0, 1, 6, 2, 3, 5, 4}));
  FreeHGraph__(share);
  EXPECT_EQ(State(g), separated);
  FreeHGraph__(g);
}

TEST(Islands, HypergraphWithoutIslandsStaysUnchanged) {
  zt::GenSpec gs;
  gs.nvtxs = 30;
  gs.nhedges = 200;
  HGraph *g = WithIncidence(zt::Generate(gs), 0);
  for (int v = 0; v < g->nvtxs; ++v) ASSERT_GT(g->incptr[v + 1], g->incptr[v]);
  const std::vector<int> before = State(g);
  SeparateIslands__(g);
  EXPECT_EQ(State(g), before);
  EXPECT_EQ(g->islandmap, nullptr);
  FreeHGraph__(g);
}

TEST(Islands, AnchorWithoutHyperedgesStaysInPlace) {
  zt::PlainHGraph p = SevenWithTwoIslands();
  p.eind = {3, 1, 1, 3, 3, 4, 6, 1, 6};  // vertex 0 now has no hyperedge
  HGraph *g = WithIncidence(p, 1);
  SeparateIslands__(g);
  EXPECT_EQ(g->nvtxs, 5);
  EXPECT_EQ(g->nislands, 2);
  EXPECT_EQ(g->islandmap[0], 0);
  FreeHGraph__(g);
}

TEST(Islands, SeparateThenCombineRestoresEveryArray) {
  std::mt19937 rng(2);
  for (int round = 0; round < 30; ++round) {
    zt::GenSpec gs;
    gs.nvtxs = 100 + round;
    gs.nhedges = 80;
    gs.maxvwgt = 7;
    gs.nislands = round;
    gs.seed = 500 + round;
    HGraph *g = WithIncidence(zt::Generate(gs), round % 4);
    g->where = imalloc__(g->nvtxs, "test: where");
    for (int v = 0; v < g->nvtxs; ++v) g->where[v] = (int)(rng() % 4);
    const std::vector<int> before = State(g);
    SeparateIslands__(g);
    for (int v = 0; v < g->nvtxs; ++v)
      if (v >= std::max(g->nfixed, 0)) {
        ASSERT_GT(g->incptr[v + 1], g->incptr[v]);
      }
    CombineIslands__(g);
    EXPECT_EQ(State(g), before);
    FreeHGraph__(g);
  }
}

}  // namespace
