#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

#include "rb/rb.h"
#include "testgen.h"

namespace {

using Pins = std::vector<int>;

struct Half {
  std::vector<Pins> hedges;  // pins in the half's numbering
  std::vector<int> wgts;
  std::vector<int> label;
  std::vector<int> cellwgt;
};

// Brute-force model of the split: internal hyperedges whole; pieces of cut
// ones with two or more pins when reconstructing.
void ModelSplit(const zt::PlainHGraph &g, const std::vector<int> &label,
                const std::vector<int> &where, bool reconst, Half half[2]) {
  std::vector<int> rename(g.nvtxs);
  int cnt[2] = {0, 0};
  for (int v = 0; v < g.nvtxs; ++v) {
    rename[v] = cnt[where[v]]++;
    half[where[v]].label.push_back(label[v]);
    half[where[v]].cellwgt.push_back(g.vwgts[v]);
  }
  for (int e = 0; e < g.nhedges(); ++e) {
    Pins side[2];
    for (int j = g.eptr[e]; j < g.eptr[e + 1]; ++j)
      side[where[g.eind[j]]].push_back(rename[g.eind[j]]);
    for (int s = 0; s < 2; ++s) {
      bool internal = side[1 - s].empty() && (s == 0 || !side[1].empty());
      bool piece = reconst && !side[1 - s].empty() && side[s].size() > 1;
      if (internal || piece) {
        half[s].hedges.push_back(side[s]);
        half[s].wgts.push_back(g.hewgts[e]);
      }
    }
  }
}

Half FromSplit(const HGraph *h) {
  Half r;
  for (int e = 0; e < h->nhedges; ++e) {
    r.hedges.emplace_back(h->netind + h->netptr[e], h->netind + h->netptr[e + 1]);
    r.wgts.push_back(h->netwgt[e]);
  }
  r.label.assign(h->label.get(), h->label + h->nvtxs);
  r.cellwgt.assign(h->cellwgt.get(), h->cellwgt + h->nvtxs);
  return r;
}

// Total weight per distinct pin set: what merging identical hyperedges keeps.
std::map<Pins, long> WeightBySet(const Half &h) {
  std::map<Pins, long> m;
  for (size_t i = 0; i < h.hedges.size(); ++i) {
    Pins p = h.hedges[i];
    std::sort(p.begin(), p.end());
    m[p] += h.wgts[i];
  }
  return m;
}

struct SplitCase {
  zt::PlainHGraph g;
  std::vector<int> label, where;
};

SplitCase MakeCase(unsigned seed) {
  zt::GenSpec gs;
  gs.nvtxs = 60 + static_cast<int>(seed % 50);
  gs.nhedges = 90;
  gs.maxsize = 8;
  gs.maxvwgt = 5;
  gs.maxhwgt = 4;
  gs.nislands = 3;
  gs.seed = seed;
  SplitCase c{zt::Generate(gs), {}, {}};
  std::mt19937 rng(seed);
  for (int v = 0; v < c.g.nvtxs; ++v) {
    c.label.push_back(1000 + 3 * v);
    c.where.push_back(static_cast<int>(rng() % 2));
  }
  // Repeat some hyperedges, so that reconstruction meets identical pieces.
  for (int e = 0; e < 10; ++e) {
    for (int j = c.g.eptr[e]; j < c.g.eptr[e + 1]; ++j) c.g.eind.push_back(c.g.eind[j]);
    c.g.eptr.push_back(static_cast<int>(c.g.eind.size()));
    c.g.hewgts.push_back(c.g.hewgts[e]);
  }
  return c;
}

void RunSplit(const SplitCase &c, int reconst, int nfixed, float frac, Half out[2],
              int outfixed[2]) {
  CtrlType ctrl{};
  ctrl.opt.Reconst = reconst;
  ctrl.TargetFrac = frac;
  HGraph *graph = zt::ToHGraph(c.g);
  graph->nfixed = nfixed;
  graph->label = imalloc__(c.g.nvtxs, "test: label");
  std::copy(c.label.begin(), c.label.end(), graph->label.get());
  HGraph *l = CreateHGraph__(), *r = CreateHGraph__();
  SplitGraphPart__(&ctrl, graph, c.where.data(), l, r);
  out[0] = FromSplit(l);
  out[1] = FromSplit(r);
  outfixed[0] = l->nfixed;
  outfixed[1] = r->nfixed;
  for (HGraph *h : {l, r, graph}) FreeHGraph__(h);
}

TEST(SplitGraphPart, KeepsInternalHEdgesInOrderAndDropsCutOnes) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    SplitCase c = MakeCase(seed);
    Half got[2], want[2];
    int fixed[2];
    RunSplit(c, 0, 0, 0.5f, got, fixed);
    ModelSplit(c.g, c.label, c.where, false, want);
    for (int s = 0; s < 2; ++s) {
      EXPECT_EQ(got[s].hedges, want[s].hedges) << "seed " << seed << " side " << s;
      EXPECT_EQ(got[s].wgts, want[s].wgts);
      EXPECT_EQ(got[s].label, want[s].label);
      EXPECT_EQ(got[s].cellwgt, want[s].cellwgt);
    }
  }
}

TEST(SplitGraphPart, ReconstructionKeepsPiecesOfTwoOrMorePinsWithFullWeight) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    SplitCase c = MakeCase(seed);
    Half got[2], want[2];
    int fixed[2];
    RunSplit(c, 1, 0, 0.5f, got, fixed);
    ModelSplit(c.g, c.label, c.where, true, want);
    for (int s = 0; s < 2; ++s) {
      EXPECT_EQ(WeightBySet(got[s]), WeightBySet(want[s])) << "seed " << seed << " side " << s;
      EXPECT_LE(got[s].hedges.size(), want[s].hedges.size());
      EXPECT_EQ(got[s].label, want[s].label);
      EXPECT_EQ(got[s].cellwgt, want[s].cellwgt);
    }
  }
}

TEST(SplitGraphPart, SinglePinPiecesVanishButSinglePinHEdgesStay) {
  // Vertices 0,1 on side 0, vertices 2,3 on side 1.
  zt::PlainHGraph g;
  g.nvtxs = 4;
  g.eptr = {0, 2, 3, 6};
  g.eind = {0, 2, 1, 0, 1, 3};
  g.vwgts = {1, 1, 1, 1};
  g.hewgts = {5, 6, 7};
  SplitCase c{g, {0, 1, 2, 3}, {0, 0, 1, 1}};
  Half got[2];
  int fixed[2];
  RunSplit(c, 1, 0, 0.5f, got, fixed);
  EXPECT_EQ(WeightBySet(got[0]), (std::map<Pins, long>{{{1}, 6}, {{0, 1}, 7}}));
  EXPECT_TRUE(got[1].hedges.empty());
}

TEST(SplitGraphPart, AnchorsSplitByTargetShare) {
  SplitCase c = MakeCase(3);
  const struct { int nfixed; float frac; int left; } cases[] = {
      {5, 0.4f, 2}, {3, (float)(1 / 3.0), 1}, {8, 0.5f, 4}, {7, (float)(3 / 7.0), 3}, {0, 0.5f, 0}};
  for (const auto &k : cases) {
    Half got[2];
    int fixed[2];
    RunSplit(c, 0, k.nfixed, k.frac, got, fixed);
    EXPECT_EQ(fixed[0], k.left) << k.nfixed;
    EXPECT_EQ(fixed[1], k.nfixed - k.left) << k.nfixed;
  }
}

}  // namespace
