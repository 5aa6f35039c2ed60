#include <gtest/gtest.h>

#include <map>
#include <random>

#include "level_checks_test.h"

namespace {

enum class Search { Cell, CellC, Star, StarC };

// A grouping in progress: some vertices matched, group weights, parts.
struct State {
  std::vector<int> cellmap, wgtsbase, where;
  const int *wgts() const { return wgtsbase.data() + 1; }
};

State RandomState(const HGraph *g, std::mt19937 &rng) {
  State s;
  const int n = g->nvtxs;
  s.cellmap.assign(n, -1);
  s.wgtsbase.assign(n + 1, 0);
  s.where.resize(n);
  for (int v = 0; v < n; ++v) {
    s.where[v] = (int)(rng() % 3);
    if (rng() % 3 == 0) s.cellmap[v] = (int)(rng() % (n / 4 + 1));
  }
  for (int c = 0; c < n; ++c) s.wgtsbase[c + 1] = (int)(rng() % 12);
  return s;
}

// The search written out plainly: candidates in first-met order with float
// scores summed in scan order, then the tie rule.
int Model(Search kind, const CtrlType &ctrl, const HGraph *g, const State &s, int v) {
  const bool restricted = kind == Search::CellC || kind == Search::StarC;
  const bool star = kind == Search::Star || kind == Search::StarC;
  const int lim = ctrl.maxcellwgt - g->cellwgt[v];
  std::vector<int> order;
  std::map<int, float> score;
  for (int j = g->incptr[v]; j < g->incptr[v + 1]; ++j) {
    const int e = g->incind[j];
    if (restricted && g->netptr[e + 1] - g->netptr[e] > ctrl.MaxNetSize) continue;
    for (int k = g->netptr[e]; k < g->netptr[e + 1]; ++k) {
      const int u = g->netind[k];
      if (u == v || g->cellwgt[u] > lim) continue;
      if (restricted && s.where[u] != s.where[v]) continue;
      if (!star && s.cellmap[u] != -1) continue;
      if (star && s.wgts()[s.cellmap[u]] > lim) continue;
      if (score.count(u) == 0) {
        order.push_back(u);
        score[u] = g->edgewgt[e];
      } else {
        score[u] += g->edgewgt[e];
      }
    }
  }
  if (order.empty()) return -1;
  int best = order[0];
  for (size_t i = 1; i < order.size(); ++i) {
    const int u = order[i];
    const bool tie = score[u] == score[best];
    if (score[u] > score[best] || (tie && !star && g->cellwgt[u] < g->cellwgt[best]) ||
        (tie && star && s.cellmap[best] != -1))
      best = u;
  }
  return best;
}

int Library(Search kind, CtrlType &ctrl, HGraph *g, const State &s, int v, int *htable) {
  switch (kind) {
    case Search::Cell:
      return FindCell__(&ctrl, v, g->incptr, g->incind, g->netptr, g->netind, g->cellwgt,
                        g->edgewgt, s.cellmap.data(), htable);
    case Search::CellC:
      return CFindCell__(&ctrl, v, g->incptr, g->incind, g->netptr, g->netind, g->cellwgt,
                         g->edgewgt, s.cellmap.data(), s.where.data(), htable);
    case Search::Star:
      return FindCellStar__(&ctrl, v, g->incptr, g->incind, g->netptr, g->netind, g->cellwgt,
                            g->edgewgt, s.cellmap.data(), htable, s.wgts());
    case Search::StarC:
      return CFindCellStar__(&ctrl, v, g->incptr, g->incind, g->netptr, g->netind, g->cellwgt,
                             g->edgewgt, s.cellmap.data(), s.where.data(), htable, s.wgts());
  }
  return -2;
}

TEST(CandidateSearch, EverySearchAgreesWithThePlainModel) {
  std::mt19937 rng(5);
  for (int round = 0; round < 12; ++round) {
    zt::GenSpec gs;
    gs.nvtxs = 120;
    gs.nhedges = 200;
    gs.maxsize = 7;
    gs.maxvwgt = 5;
    gs.maxhwgt = 4;
    gs.nlarge = 3;
    gs.largesize = 70;
    gs.seed = 300 + round;
    HGraph *g = ct::Prepared(zt::Generate(gs));
    CtrlType ctrl = ct::MakeCtrl(5, 100);
    ctrl.maxcellwgt = 4 + round % 6;
    const State s = RandomState(g, rng);
    std::vector<int> htable(g->nvtxs, -1);
    const std::vector<int> cellwgt(g->cellwgt.get(), g->cellwgt + g->nvtxs);
    for (Search kind : {Search::Cell, Search::CellC, Search::Star, Search::StarC})
      for (int v = 0; v < g->nvtxs; ++v) {
        if (kind != Search::Star && kind != Search::StarC && s.cellmap[v] != -1) continue;
        ASSERT_EQ(Library(kind, ctrl, g, s, v, htable.data()), Model(kind, ctrl, g, s, v))
            << "search " << (int)kind << " vertex " << v;
      }
    EXPECT_EQ(htable, std::vector<int>(g->nvtxs, -1));
    EXPECT_TRUE(std::equal(cellwgt.begin(), cellwgt.end(), g->cellwgt.get()));
    FreeHGraph__(g);
  }
}

// Vertex 0 shares a 2-pin hyperedge with every other vertex.
HGraph *Star(int n, const std::vector<int> &vwgts, const std::vector<int> &extra) {
  zt::PlainHGraph p;
  p.nvtxs = n;
  std::vector<int> others(n - 1);
  std::iota(others.begin(), others.end(), 1);
  others.insert(others.end(), extra.begin(), extra.end());
  for (int u : others) {
    p.eind.push_back(0);
    p.eind.push_back(u);
    p.eptr.push_back((int)p.eind.size());
    p.hewgts.push_back(1);
  }
  p.vwgts = vwgts;
  return ct::Prepared(p);
}

TEST(CandidateSearch, ThirtyThousandDistinctCandidatesAreAllScored) {
  const int n = 30001;
  std::vector<int> vwgts(n, 2);
  vwgts[25000] = 1;  // on equal scores the lightest wins
  for (int extra : {0, 1}) {
    HGraph *g = Star(n, vwgts, extra ? std::vector<int>{29999} : std::vector<int>{});
    CtrlType ctrl = ct::MakeCtrl(5, 100);
    ctrl.maxcellwgt = 10;
    std::vector<int> cellmap(n, -1), where(n, 0), wgts(n + 1, 0), htable(n, -1);
    const int want = extra ? 29999 : 25000;
    EXPECT_EQ(FindCell__(&ctrl, 0, g->incptr, g->incind, g->netptr, g->netind, g->cellwgt,
                         g->edgewgt, cellmap.data(), htable.data()),
              want);
    EXPECT_EQ(CFindCell__(&ctrl, 0, g->incptr, g->incind, g->netptr, g->netind, g->cellwgt,
                          g->edgewgt, cellmap.data(), where.data(), htable.data()),
              want);
    // Star rule: all ungrouped, equal scores keep the first met.
    EXPECT_EQ(FindCellStar__(&ctrl, 0, g->incptr, g->incind, g->netptr, g->netind, g->cellwgt,
                             g->edgewgt, cellmap.data(), htable.data(), wgts.data() + 1),
              extra ? 29999 : 1);
    EXPECT_EQ(htable, std::vector<int>(n, -1));
    FreeHGraph__(g);
  }
}

TEST(CandidateSearch, EqualScoresPreferTheLighterThenTheFirstMet) {
  HGraph *g = Star(3, {1, 2, 1}, {});
  CtrlType ctrl = ct::MakeCtrl(5, 100);
  ctrl.maxcellwgt = 10;
  std::vector<int> cellmap(3, -1), htable(3, -1);
  auto find = [&] {
    return FindCell__(&ctrl, 0, g->incptr, g->incind, g->netptr, g->netind, g->cellwgt,
                      g->edgewgt, cellmap.data(), htable.data());
  };
  EXPECT_EQ(find(), 2);
  g->cellwgt[1] = 1;
  EXPECT_EQ(find(), 1);
  ctrl.maxcellwgt = 1;  // less than twice the lightest weight: no partner
  EXPECT_EQ(find(), -1);
  FreeHGraph__(g);
}

TEST(CandidateSearch, StarTieKeepsAnUngroupedBestAndLetsAGroupedOneGo) {
  HGraph *g = Star(4, {1, 1, 1, 1}, {});
  CtrlType ctrl = ct::MakeCtrl(2, 100);
  ctrl.maxcellwgt = 10;
  std::vector<int> wgts(5, 0), htable(4, -1);
  auto find = [&](std::vector<int> cellmap) {
    return FindCellStar__(&ctrl, 0, g->incptr, g->incind, g->netptr, g->netind, g->cellwgt,
                          g->edgewgt, cellmap.data(), htable.data(), wgts.data() + 1);
  };
  EXPECT_EQ(find({-1, -1, -1, -1}), 1);
  EXPECT_EQ(find({-1, 0, -1, -1}), 2);  // grouped 1 gives way to ungrouped 2
  EXPECT_EQ(find({-1, 0, 1, -1}), 3);   // grouped 2 gives way again
  EXPECT_EQ(find({-1, 0, 1, 2}), 3);    // and to a grouped candidate too
  FreeHGraph__(g);
}

TEST(ComputeAllWeights, KeysAreHundredOverTheBestScoreAndWeakVerticesComeLast) {
  // 0-1 weight 3, 1-2 weight 1; the weight-0 hyperedge 3-4-5 is too weak to count.
  zt::PlainHGraph p;
  p.nvtxs = 6;
  p.eind = {0, 1, 1, 2, 3, 4, 5};
  p.eptr = {0, 2, 4, 7};
  p.hewgts = {3, 1, 0};
  p.vwgts.assign(6, 1);
  HGraph *g = ct::Prepared(p);
  CtrlType ctrl = ct::MakeCtrl(3, 100);
  ctrl.maxcellwgt = 10;
  std::vector<int> keys(6), htable(6, -1);
  const int K = ComputeAllWeights__(&ctrl, g, keys.data(), htable.data());
  EXPECT_EQ(K, 101);
  EXPECT_EQ(keys, (std::vector<int>{33, 33, 100, 101, 101, 101}));
  EXPECT_EQ(htable, std::vector<int>(6, -1));
  FreeHGraph__(g);
}

}  // namespace
