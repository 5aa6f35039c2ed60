// The k-way bookkeeping updated by difference against a plain recomputation:
// a reference that keeps the hyperedges' part lists the same way and, after
// every move, recomputes the mover and the pins of every hyperedge whose part
// set or "alone" status may have changed, from all their hyperedges.
#include <gtest/gtest.h>

#include <algorithm>

#include "kway_model_test.h"

namespace {

using namespace zt;

struct RefEntry {
  int part, ed, pinbias, soedterm;
};

// The reference bookkeeping: part lists per hyperedge in list order, and per
// vertex id, alonewgt and the entries in the order of their first appearance.
struct Reference {
  const PlainHGraph &g;
  std::vector<std::vector<int>> nets;
  std::vector<std::vector<std::pair<int, int>>> lists;  // (part, pins)
  std::vector<int> id, alonewgt;
  std::vector<std::vector<RefEntry>> cells;

  Reference(const PlainHGraph &g, const std::vector<int> &where)
      : g(g), nets(VertexNets(g)), lists(g.nhedges()), id(g.nvtxs), alonewgt(g.nvtxs),
        cells(g.nvtxs) {
    for (int e = 0; e < g.nhedges(); ++e)
      for (int j = g.eptr[e]; j < g.eptr[e + 1]; ++j) {
        auto &l = lists[e];
        auto it = std::find_if(l.begin(), l.end(), [&](auto &pc) { return pc.first == where[g.eind[j]]; });
        if (it == l.end()) l.push_back({where[g.eind[j]], 1});
        else it->second++;
      }
    for (int v = 0; v < g.nvtxs; ++v) Recompute(where, v);
  }

  void Recompute(const std::vector<int> &where, int v) {
    const int me = where[v];
    int multi = 0;
    std::vector<int> touch;
    id[v] = alonewgt[v] = 0;
    cells[v].clear();
    for (int e : nets[v]) {
      const int w = g.hewgts[e];
      if (g.eptr[e + 1] - g.eptr[e] > 1) multi += w;
      if (lists[e].size() == 1) {
        if (g.eptr[e + 1] - g.eptr[e] > 1) id[v] += w;
        continue;
      }
      int c = 0;
      for (auto [p, n] : lists[e]) c = p == me ? n : c;
      if (c == 1) alonewgt[v] += w;
      for (auto [p, n] : lists[e]) {
        if (p == me) continue;
        auto it = std::find_if(cells[v].begin(), cells[v].end(), [&](auto &d) { return d.part == p; });
        if (it == cells[v].end()) {
          cells[v].push_back({p, 0, 0, 0});
          touch.push_back(0);
          it = cells[v].end() - 1;
        }
        touch[it - cells[v].begin()] += w;
        it->pinbias += (c < n) - (c > n);
        if (c == 1 && lists[e].size() == 2) it->ed += w;
      }
    }
    for (size_t k = 0; k < cells[v].size(); ++k)
      cells[v][k].soedterm = alonewgt[v] - (multi - touch[k]);
  }

  void Move(const std::vector<int> &where, int v, int from, int to) {
    std::set<int> redo{v};
    for (int e : nets[v]) {
      auto &l = lists[e];
      auto f = std::find_if(l.begin(), l.end(), [&](auto &pc) { return pc.first == from; });
      const int nfrom = --f->second;
      if (nfrom == 0) {
        *f = l.back();
        l.pop_back();
      }
      auto t = std::find_if(l.begin(), l.end(), [&](auto &pc) { return pc.first == to; });
      int nto = 1;
      if (t == l.end()) l.push_back({to, 1});
      else nto = ++t->second;
      if (!(nfrom > 1 && nto > 2))
        for (int j = g.eptr[e]; j < g.eptr[e + 1]; ++j) redo.insert(g.eind[j]);
    }
    for (int u : redo) Recompute(where, u);
  }
};

// Every record equals the reference's and, when asked, the library's tie
// order of the entries is the reference's entry order. The entries are
// compared for every stride-th vertex (from move on), listing them where
// the moves have not, so that the others go on unlisted; a stride of 1
// compares them all.
void ExpectSameAsReference(HGraph *graph, const Reference &ref, int move, bool order, int stride) {
  for (int v = 0; v < ref.g.nvtxs; ++v) {
    ASSERT_EQ(graph->kway.crinfo[v].id, ref.id[v]) << "move " << move << " vertex " << v;
    ASSERT_EQ(graph->kway.crinfo[v].alonewgt, ref.alonewgt[v])
        << "move " << move << " vertex " << v;
    if ((v + move + stride) % stride != 0) continue;
    const CellKwayInfo &ci = KwayCellInfo__(graph, v);
    const auto &want = ref.cells[v];
    ASSERT_EQ(ci.ndegrees, static_cast<int>(want.size())) << "move " << move << " vertex " << v;
    ASSERT_LE(ci.ndegrees, ci.room) << "move " << move << " vertex " << v;
    for (int k = 0; k < ci.ndegrees; ++k) {
      const CellPartInfo &d = ci.degrees[k];
      auto it = std::find_if(want.begin(), want.end(), [&](auto &r) { return r.part == d.part; });
      ASSERT_NE(it, want.end()) << "move " << move << " vertex " << v << " part " << d.part;
      ASSERT_EQ(d.ed, it->ed) << "move " << move << " vertex " << v << " part " << d.part;
      ASSERT_EQ(d.pinbias, it->pinbias) << "move " << move << " vertex " << v << " part " << d.part;
      ASSERT_EQ(d.soedterm, it->soedterm) << "move " << move << " vertex " << v << " part " << d.part;
    }
    for (size_t a = 0; order && a + 1 < want.size(); ++a)
      ASSERT_TRUE(KwayListsBefore__(graph, v, want[a].part, want[a + 1].part) &&
                  !KwayListsBefore__(graph, v, want[a + 1].part, want[a].part))
          << "move " << move << " vertex " << v << " parts " << want[a].part << ", " << want[a + 1].part;
  }
}

// Hypergraphs with hyperedges of hundreds of pins over many parts, starting
// from partitions that are random or in blocks of consecutive vertices (so
// that wide hyperedges have few pins in most parts), moved by random single
// moves: some to a random part, some to a part the vertex's hyperedges
// touch, so that parts empty out of hyperedges and counts meet.
TEST(KwayUpdate, RecordsAfterRandomMovesEqualRecomputation) {
  for (unsigned seed = 1; seed <= 8; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    GenSpec s;
    s.nvtxs = 300 + static_cast<int>(rng() % 300);
    s.nhedges = 200 + static_cast<int>(rng() % 200);
    s.minsize = 1;
    s.maxsize = 12;
    s.maxhwgt = (seed % 3 == 0) ? 1 : 4;
    s.nislands = static_cast<int>(rng() % 4);
    s.nlarge = 2 + static_cast<int>(rng() % 6);
    s.largesize = 100 + static_cast<int>(rng() % 200);
    s.seed = seed;
    const PlainHGraph g = Generate(s);
    const int nparts = 2 + static_cast<int>(rng() % 40);

    std::vector<int> where(g.nvtxs);
    for (int v = 0; v < g.nvtxs; ++v)
      where[v] = (seed % 2) ? static_cast<int>(rng() % nparts)
                            : std::min(nparts - 1, v * nparts / g.nvtxs + static_cast<int>(rng() % 3 == 0));
    CtrlType ctrl = KwayCtrl(nparts, 1.1f);
    HGraph *graph = KwayHGraph(&ctrl, g, where);
    ComputeInitKwayGains__(&ctrl, graph);
    Reference ref(g, where);
    // Most vertices stay unlisted for many moves: the moves that turn their
    // pin bias list them with the bias before, the others leave them be.
    const int stride = 16;
    ExpectSameAsReference(graph, ref, -1, true, stride);
    std::vector<int> marker(g.nvtxs, -1), updind(g.nvtxs);

    for (int move = 0; move < 250 && !HasFailure(); ++move) {
      const int v = static_cast<int>(rng() % g.nvtxs);
      const int from = where[v];
      int to = (from + 1 + static_cast<int>(rng() % (nparts - 1))) % nparts;
      // The refinement lists a vertex before it moves it; a move of one
      // that is not listed recomputes it all the same.
      const CellKwayInfo &ci = graph->kway.crinfo[v];
      if (rng() % 2 && ci.ndegrees > 0) to = ci.degrees[rng() % ci.ndegrees].part;
      std::fill(marker.begin(), marker.end(), -1);  // a vertex moves once per pass
      where[v] = graph->where[v] = to;
      KwayUpdateGainInfo__(graph, v, from, to, marker.data(), updind.data());
      ref.Move(where, v, from, to);
      ExpectSameAsReference(graph, ref, move, move % 8 == 0, stride);
    }
    ExpectSameAsReference(graph, ref, 250, true, 1);
    FreeHGraph__(graph);
  }
}

}  // namespace

namespace {

using namespace zt;

// The slices never overlap and hold their entries; listed one after the
// other, each is exactly as long as the vertex's entries, whatever the
// number of parts, and moves grow them only as entries appear.
void ExpectSlicesApart(const HGraph *graph) {
  std::vector<std::pair<const CellPartInfo *, int>> slices;
  for (int v = 0; v < graph->nvtxs; ++v) {
    const CellKwayInfo &ci = graph->kway.crinfo[v];
    ASSERT_LE(ci.ndegrees, ci.room) << "vertex " << v;
    if (ci.room > 0) slices.push_back({ci.degrees, ci.room});
  }
  std::sort(slices.begin(), slices.end());
  for (size_t i = 0; i < slices.size(); ++i) {
    ASSERT_GE(slices[i].first, graph->kway.crdata);
    ASSERT_LE(slices[i].first + slices[i].second, i + 1 < slices.size()
                                                      ? slices[i + 1].first
                                                      : graph->kway.crdata + graph->kway.crused);
  }
  ASSERT_LE(graph->kway.crused, graph->kway.crsize);
}

TEST(KwayUpdate, SlicesFollowTheEntriesNotThePartCount) {
  for (unsigned seed = 1; seed <= 6; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    GenSpec s;
    s.nvtxs = 400;
    s.nhedges = 300;
    s.nlarge = 3;
    s.largesize = 150;
    s.seed = seed;
    const PlainHGraph g = Generate(s);
    const int nparts = 64;
    // Blocks of consecutive vertices: few parts next to each vertex.
    std::vector<int> where(g.nvtxs);
    for (int v = 0; v < g.nvtxs; ++v) where[v] = v * nparts / g.nvtxs;
    CtrlType ctrl = KwayCtrl(nparts, 1.1f);
    HGraph *graph = KwayHGraph(&ctrl, g, where);
    ComputeInitKwayGains__(&ctrl, graph);
    EXPECT_EQ(graph->kway.crused, 0u);  // nothing listed yet
    size_t entries = 0;
    for (int v = 0; v < g.nvtxs; ++v) {
      KwayCellInfo__(graph, v);
      EXPECT_EQ(graph->kway.crinfo[v].room, graph->kway.crinfo[v].ndegrees) << "vertex " << v;
      entries += graph->kway.crinfo[v].ndegrees;
    }
    EXPECT_EQ(graph->kway.crused, entries);
    ExpectSlicesApart(graph);

    std::vector<int> marker(g.nvtxs, -1), updind(g.nvtxs);
    for (int move = 0; move < 300 && !HasFailure(); ++move) {
      const int v = static_cast<int>(rng() % g.nvtxs), from = graph->where[v];
      const int to = (from + 1 + static_cast<int>(rng() % (nparts - 1))) % nparts;
      std::fill(marker.begin(), marker.end(), -1);
      graph->where[v] = to;
      KwayUpdateGainInfo__(graph, v, from, to, marker.data(), updind.data());
      ExpectSlicesApart(graph);
    }
    FreeHGraph__(graph);

    // Listed in reverse order, the slice being filled is on top until a
    // repack lays the slices out in vertex order; then it moves up.
    graph = KwayHGraph(&ctrl, g, where);
    ComputeInitKwayGains__(&ctrl, graph);
    for (int v = g.nvtxs - 1; v >= 0; --v) KwayCellInfo__(graph, v);
    ExpectSlicesApart(graph);
    FreeHGraph__(graph);
  }
}

}  // namespace
