// K-way bookkeeping: the from-scratch computation and the update after a move
// against the brute-force model.
#include <gtest/gtest.h>

#include <algorithm>

#include "kway_model_test.h"

namespace {

using namespace zt;

void ExpectAllMatch(HGraph *graph, const PlainHGraph &g, const std::vector<std::vector<int>> &nets,
                    int nparts, bool pinbias) {
  const auto counts = NetPartCounts(g, graph->where);
  ExpectNetsMatch(graph, counts);
  EXPECT_EQ(std::vector<int>(graph->kway.kpwgts.get(), graph->kway.kpwgts + nparts),
            RecountPartWeights(g, graph->where, nparts));
  EXPECT_EQ(graph->mincut, RecountCut(g, graph->where));
  EXPECT_EQ(graph->kway.minsoed, RecountSOED(g, graph->where));
  for (int v = 0; v < g.nvtxs; ++v)
    ExpectCellMatches(graph, ModelCell(g, nets, counts, graph->where, v), v, pinbias);
}

TEST(KwayGains, InitialGainsMatchDefinitionsOnGeneratedHypergraphs) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE(seed);
    KwayCase c = GeneratedKwayCase(seed);
    std::mt19937 rng(seed * 7 + 1);
    CtrlType ctrl = KwayCtrl(c.nparts, 1.1f);
    HGraph *graph = KwayHGraph(&ctrl, c.g, RandomParts(c.g.nvtxs, c.nparts, rng));
    ComputeInitKwayGains__(&ctrl, graph);
    ExpectAllMatch(graph, c.g, VertexNets(c.g), c.nparts, true);

    // Parts are listed in the order of their first pin.
    for (int e = 0; e < c.g.nhedges(); ++e) {
      std::vector<int> order;
      for (int j = c.g.eptr[e]; j < c.g.eptr[e + 1]; ++j) {
        int p = graph->where[c.g.eind[j]];
        if (std::find(order.begin(), order.end(), p) == order.end()) order.push_back(p);
      }
      for (size_t k = 0; k < order.size(); ++k)
        EXPECT_EQ(graph->kway.nrinfo[e].degrees[k].part, order[k]);
    }
    FreeHGraph__(graph);
  }
}

// Moves arbitrary vertices to arbitrary parts. After every move the hyperedge
// lists, part weights and running figures are exact, every vertex's gain terms
// are exact but for pin bias, the recomputed vertices are exactly the mover
// and the pins of the hyperedges whose change can matter, and those carry an
// exact pin bias as well.
TEST(KwayGains, UpdateAfterRandomMovesMatchesRecount) {
  for (unsigned seed = 1; seed <= 10; ++seed) {
    SCOPED_TRACE(seed);
    KwayCase c = GeneratedKwayCase(seed + 100);
    std::mt19937 rng(seed);
    CtrlType ctrl = KwayCtrl(c.nparts, 1.1f);
    HGraph *graph = KwayHGraph(&ctrl, c.g, RandomParts(c.g.nvtxs, c.nparts, rng));
    ComputeInitKwayGains__(&ctrl, graph);
    const auto nets = VertexNets(c.g);
    std::vector<int> marker(c.g.nvtxs), updind(c.g.nvtxs);

    for (int move = 0; move < 80; ++move) {
      const int v = static_cast<int>(rng() % c.g.nvtxs);
      const int from = graph->where[v];
      const int to = (from + 1 + static_cast<int>(rng() % (c.nparts - 1))) % c.nparts;

      // The gains of the move as the bookkeeping states them; a part no cut
      // hyperedge of v touches has no entry: nothing to uncut, and every
      // hyperedge of v of two or more pins against it.
      const CellKwayInfo &ci = KwayCellInfo__(graph, v);
      int multi = 0;
      for (int e : nets[v]) multi += (c.g.eptr[e + 1] - c.g.eptr[e] > 1) ? c.g.hewgts[e] : 0;
      int ed = 0, soedterm = ci.alonewgt - multi;
      for (int k = 0; k < ci.ndegrees; ++k)
        if (ci.degrees[k].part == to) ed = ci.degrees[k].ed, soedterm = ci.degrees[k].soedterm;
      const int cutgain = ed - ci.id, soedgain = soedterm + ed - ci.id;
      // The SOED term is the move's km1 gain, which the connectivity
      // objective moves by.
      const int km1before = RecountKm1(c.g, graph->where);

      std::fill(marker.begin(), marker.end(), -1);
      graph->where[v] = to;
      graph->kway.kpwgts[from] -= c.g.vwgts[v];
      graph->kway.kpwgts[to] += c.g.vwgts[v];
      KwayUpdateGainInfo__(graph, v, from, to, marker.data(), updind.data());
      graph->mincut -= cutgain;
      graph->kway.minsoed -= soedgain;
      const int km1after = RecountKm1(c.g, graph->where);
      ASSERT_EQ(km1before - km1after, soedterm) << "move " << move;
      ASSERT_EQ(graph->kway.minsoed - graph->mincut, km1after) << "move " << move;

      const auto counts = NetPartCounts(c.g, graph->where);
      std::set<int> expected{v};
      for (int e : nets[v]) {
        auto f = counts[e].find(from);
        const int nfrom = f == counts[e].end() ? 0 : f->second, nto = counts[e].at(to);
        if (!(nfrom > 1 && nto > 2))
          for (int j = c.g.eptr[e]; j < c.g.eptr[e + 1]; ++j) expected.insert(c.g.eind[j]);
      }
      std::set<int> touched;
      for (int u = 0; u < c.g.nvtxs; ++u)
        if (marker[u] == v) touched.insert(u);
      ASSERT_EQ(touched, expected) << "move " << move;
      EXPECT_EQ(updind[0], v);

      ExpectAllMatch(graph, c.g, nets, c.nparts, false);
      for (int u : touched) ExpectCellMatches(graph, ModelCell(c.g, nets, counts, graph->where, u), u, true);
      if (HasFailure()) break;
    }
    FreeHGraph__(graph);
  }
}

// Vertices 0..5 in parts 0 0 1 1 2 0. Hyperedge 0 {0,1} (weight 2) lies in
// part 0; hyperedge 1 {1,2} (3) spans parts 0 and 1 with one pin in each;
// hyperedge 2 {0,2,4} (5) spans three parts.
TEST(KwayGains, SmallExampleHasDocumentedTerms) {
  PlainHGraph g;
  g.nvtxs = 6;
  g.eptr = {0, 2, 4, 7};
  g.eind = {0, 1, 1, 2, 0, 2, 4};
  g.hewgts = {2, 3, 5};
  g.vwgts = {1, 1, 1, 1, 1, 1};
  CtrlType ctrl = KwayCtrl(3, 1.5f);
  HGraph *graph = KwayHGraph(&ctrl, g, {0, 0, 1, 1, 2, 0});
  ComputeInitKwayGains__(&ctrl, graph);

  EXPECT_EQ(graph->mincut, 8);
  EXPECT_EQ(graph->kway.minsoed, 3 * 2 + 5 * 3);  // three parts count three times
  EXPECT_EQ(graph->kway.kpwgts[0], 3);

  // Vertex 1: internal weight 2 from hyperedge 0; alone in part 0 on hyperedge 1,
  // which moving it to part 1 would uncut.
  const CellKwayInfo &c1 = KwayCellInfo__(graph, 1);
  EXPECT_EQ(c1.id, 2);
  EXPECT_EQ(c1.alonewgt, 3);
  ASSERT_EQ(c1.ndegrees, 1);
  EXPECT_EQ(c1.degrees[0].part, 1);
  EXPECT_EQ(c1.degrees[0].ed, 3);
  EXPECT_EQ(c1.degrees[0].pinbias, 0);
  EXPECT_EQ(c1.degrees[0].soedterm, 3 - (5 - 3));

  // Vertex 0: alone in part 0 on the three-part hyperedge; no move uncuts it.
  const CellKwayInfo &c0 = KwayCellInfo__(graph, 0);
  EXPECT_EQ(c0.id, 2);
  EXPECT_EQ(c0.alonewgt, 5);
  ASSERT_EQ(c0.ndegrees, 2);
  EXPECT_EQ(c0.degrees[0].part, 1);
  EXPECT_EQ(c0.degrees[1].part, 2);
  EXPECT_EQ(c0.degrees[0].ed, 0);
  EXPECT_EQ(c0.degrees[1].soedterm, 5 - (7 - 5));

  // Vertex 3 and 5 lie in no hyperedge.
  EXPECT_EQ(KwayCellInfo__(graph, 3).ndegrees, 0);
  EXPECT_EQ(graph->kway.crinfo[3].id, 0);
  FreeHGraph__(graph);
}

// A hyperedge that keeps two pins in the source part and gets a third in the
// target part changes no vertex's cut or SOED terms, so only the mover is
// recomputed; the pin bias of the others stays as it was.
TEST(KwayGains, UpdateSkipsHyperedgeKeepingSeveralPinsOnBothSides) {
  PlainHGraph g;
  g.nvtxs = 6;
  g.eptr = {0, 6};
  g.eind = {0, 1, 2, 3, 4, 5};
  g.hewgts = {1};
  g.vwgts = std::vector<int>(6, 1);
  CtrlType ctrl = KwayCtrl(2, 1.5f);
  HGraph *graph = KwayHGraph(&ctrl, g, {0, 0, 0, 1, 1, 0});
  ComputeInitKwayGains__(&ctrl, graph);
  EXPECT_EQ(KwayCellInfo__(graph, 1).degrees[0].pinbias, -1);  // 4 pins in part 0 against 2

  std::vector<int> marker(6, -1), updind(6);
  graph->where[0] = 1;
  KwayUpdateGainInfo__(graph, 0, 0, 1, marker.data(), updind.data());
  EXPECT_EQ(marker, (std::vector<int>{0, -1, -1, -1, -1, -1}));
  EXPECT_EQ(graph->kway.nrinfo[0].ndegrees, 2);
  EXPECT_EQ(graph->kway.crinfo[1].degrees[0].pinbias, -1);  // 3 against 3 now, not recomputed
  EXPECT_EQ(graph->kway.crinfo[1].degrees[0].livebias, 0);
  // Vertex 2, whose entries were not listed before the move, keeps the bias
  // it had before as a correction, and gets it when listed, like vertex 1.
  EXPECT_EQ(graph->kway.crinfo[2].listed, 0);
  EXPECT_EQ(graph->kway.crinfo[2].ndegrees, 1);
  EXPECT_EQ(KwayCellInfo__(graph, 2).degrees[0].pinbias, -1);
  EXPECT_EQ(graph->kway.crinfo[2].degrees[0].livebias, 0);
  // Vertex 4 in part 1 had 2 pins against 4 (+1) and sees 3 against 3 now:
  // listed likewise, with +1.
  EXPECT_EQ(KwayCellInfo__(graph, 4).degrees[0].pinbias, 1);
  EXPECT_EQ(graph->kway.crinfo[0].listed, 0);  // the mover is listed again when needed
  EXPECT_EQ(KwayCellInfo__(graph, 0).degrees[0].part, 0);
  EXPECT_EQ(graph->kway.crinfo[0].degrees[0].pinbias, 0);

  // The next move leaves part 0 with... 2 pins and part 1 with 4: still skipped;
  // then one that leaves part 0 a single pin recomputes every pin.
  std::fill(marker.begin(), marker.end(), -1);
  graph->where[1] = 1;
  KwayUpdateGainInfo__(graph, 1, 0, 1, marker.data(), updind.data());
  EXPECT_EQ(marker, (std::vector<int>{-1, 1, -1, -1, -1, -1}));
  std::fill(marker.begin(), marker.end(), -1);
  graph->where[2] = 1;
  KwayUpdateGainInfo__(graph, 2, 0, 1, marker.data(), updind.data());
  EXPECT_EQ(marker, (std::vector<int>{2, 2, 2, 2, 2, 2}));
  EXPECT_EQ(graph->kway.crinfo[5].alonewgt, 1);
  EXPECT_EQ(KwayCellInfo__(graph, 5).degrees[0].ed, 1);
  FreeHGraph__(graph);
}

// When the source part's last pin leaves, the last entry of the list takes
// its place.
TEST(KwayGains, UpdateRemovesEmptiedPartByMovingLastEntry) {
  PlainHGraph g;
  g.nvtxs = 4;
  g.eptr = {0, 4};
  g.eind = {0, 1, 2, 3};
  g.hewgts = {1};
  g.vwgts = std::vector<int>(4, 1);
  CtrlType ctrl = KwayCtrl(4, 1.5f);
  HGraph *graph = KwayHGraph(&ctrl, g, {0, 1, 2, 3});
  ComputeInitKwayGains__(&ctrl, graph);
  std::vector<int> marker(4, -1), updind(4);
  graph->where[0] = 2;
  KwayUpdateGainInfo__(graph, 0, 0, 2, marker.data(), updind.data());
  const NetKwayInfo &ni = graph->kway.nrinfo[0];
  ASSERT_EQ(ni.ndegrees, 3);
  EXPECT_EQ(ni.degrees[0].part, 3);
  EXPECT_EQ(ni.degrees[1].part, 1);
  EXPECT_EQ(ni.degrees[2].part, 2);
  EXPECT_EQ(ni.degrees[2].npins, 2);
  FreeHGraph__(graph);
}

}  // namespace
