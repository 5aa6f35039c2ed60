// Brute-force model of the k-way bookkeeping for the k-way tests: every
// figure recounted from its definition, independently of the order in which
// the library builds or updates it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <vector>

#include "kway/kway.h"
#include "rb/rb.h"
#include "testgen.h"

namespace zt {

struct PartTerms {
  int ed = 0, pinbias = 0, soedterm = 0;
  bool operator==(const PartTerms &o) const {
    return ed == o.ed && pinbias == o.pinbias && soedterm == o.soedterm;
  }
};

struct CellTerms {
  int id = 0, alonewgt = 0;
  std::map<int, PartTerms> parts;
};

// Pins per part of every hyperedge under where.
inline std::vector<std::map<int, int>> NetPartCounts(const PlainHGraph &g, const int *where) {
  std::vector<std::map<int, int>> counts(g.nhedges());
  for (int e = 0; e < g.nhedges(); ++e)
    for (int j = g.eptr[e]; j < g.eptr[e + 1]; ++j) counts[e][where[g.eind[j]]]++;
  return counts;
}

// The hyperedges of every vertex.
inline std::vector<std::vector<int>> VertexNets(const PlainHGraph &g) {
  std::vector<std::vector<int>> nets(g.nvtxs);
  for (int e = 0; e < g.nhedges(); ++e)
    for (int j = g.eptr[e]; j < g.eptr[e + 1]; ++j) nets[g.eind[j]].push_back(e);
  return nets;
}

// The gain terms of v read off the definitions: internal weight (hyperedges of
// two or more pins inside v's part), weight of the cut hyperedges where v is
// alone in its part, and per adjacent part the weight it would uncut, the pin
// majority and the SOED term. Single-pin hyperedges count nowhere.
inline CellTerms ModelCell(const PlainHGraph &g, const std::vector<std::vector<int>> &nets,
                           const std::vector<std::map<int, int>> &counts, const int *where, int v) {
  const int me = where[v];
  CellTerms c;
  int adjwgt = 0;
  std::map<int, int> touching;  // weight of v's cut hyperedges touching each other part
  for (int e : nets[v]) {
    const int w = g.hewgts[e];
    const std::map<int, int> &cnt = counts[e];
    if (g.eptr[e + 1] - g.eptr[e] == 1) continue;  // moves with v, never cut
    adjwgt += w;
    if (cnt.size() == 1) {
      c.id += w;
      continue;
    }
    const int mine = cnt.at(me);
    if (mine == 1) c.alonewgt += w;
    for (auto [q, n] : cnt) {
      if (q == me) continue;
      PartTerms &t = c.parts[q];
      touching[q] += w;
      t.pinbias += (mine < n) - (mine > n);
      if (mine == 1 && cnt.size() == 2) t.ed += w;
    }
  }
  for (auto &[q, t] : c.parts) t.soedterm = c.alonewgt - (adjwgt - touching[q]);
  return c;
}

// Compares the terms of v, listed for the purpose, with the model; pinbias
// only when asked.
inline void ExpectCellMatches(HGraph *graph, const CellTerms &m, int v, bool pinbias) {
  const CellKwayInfo &ci = KwayCellInfo__(graph, v);
  EXPECT_EQ(ci.id, m.id) << "vertex " << v;
  EXPECT_EQ(ci.alonewgt, m.alonewgt) << "vertex " << v;
  ASSERT_EQ(ci.ndegrees, static_cast<int>(m.parts.size())) << "vertex " << v;
  for (int k = 0; k < ci.ndegrees; ++k) {
    const CellPartInfo &d = ci.degrees[k];
    auto it = m.parts.find(d.part);
    ASSERT_NE(it, m.parts.end()) << "vertex " << v << " part " << d.part;
    EXPECT_EQ(d.ed, it->second.ed) << "vertex " << v << " part " << d.part;
    EXPECT_EQ(d.soedterm, it->second.soedterm) << "vertex " << v << " part " << d.part;
    if (pinbias) {
      EXPECT_EQ(d.pinbias, it->second.pinbias) << "vertex " << v << " part " << d.part;
    }
  }
}

inline void ExpectNetsMatch(const HGraph *graph, const std::vector<std::map<int, int>> &counts) {
  for (int e = 0; e < graph->nhedges; ++e) {
    const NetKwayInfo &ni = graph->kway.nrinfo[e];
    std::map<int, int> got;
    for (int k = 0; k < ni.ndegrees; ++k) got[ni.degrees[k].part] += ni.degrees[k].npins;
    ASSERT_EQ(ni.ndegrees, static_cast<int>(got.size())) << "hyperedge " << e << " repeats a part";
    ASSERT_EQ(got, counts[e]) << "hyperedge " << e;
  }
}

// A control record for k-way refinement alone.
inline CtrlType KwayCtrl(int nparts, float ubfactor, int RType = 1) {
  CtrlType ctrl{};
  ctrl.nparts = nparts;
  ctrl.ubfactor = ubfactor;
  ctrl.RType = RType;
  ctrl.CoarsenTo = 100;
  ctrl.CType = 1;
  ctrl.MaxNetSize = 50;
  ctrl.opt.Nruns = 1;
  ctrl.TargetFrac = 0.5f;
  return ctrl;
}

// The library hypergraph of g with its incidence, ready for k-way refinement
// with the partition where.
inline HGraph *KwayHGraph(const CtrlType *ctrl, const PlainHGraph &g, const std::vector<int> &where) {
  HGraph *graph = ToHGraph(g);
  CreateIncidentHGraph__(graph);
  AllocateKwayRefinementMemory__(ctrl, graph);
  std::copy(where.begin(), where.end(), graph->where.get());
  return graph;
}

// A small hand-made hypergraph: pin lists, hyperedge weights, vertex weights.
inline PlainHGraph SmallHGraph(const std::vector<std::vector<int>> &hedges,
                               const std::vector<int> &hewgts, const std::vector<int> &vwgts) {
  PlainHGraph g;
  g.nvtxs = static_cast<int>(vwgts.size());
  for (const auto &pins : hedges) {
    g.eind.insert(g.eind.end(), pins.begin(), pins.end());
    g.eptr.push_back(static_cast<int>(g.eind.size()));
  }
  g.hewgts = hewgts;
  g.vwgts = vwgts;
  return g;
}

// A generated test case: weights, islands, single-pin and a few large
// hyperedges, and a number of parts from 2 to 40.
struct KwayCase {
  PlainHGraph g;
  int nparts;
};
inline KwayCase GeneratedKwayCase(unsigned seed) {
  std::mt19937 rng(seed);
  const int partsChoice[] = {2, 3, 5, 8, 16, 40};
  GenSpec s;
  s.nvtxs = 60 + static_cast<int>(rng() % 150);
  s.nhedges = 40 + static_cast<int>(rng() % 250);
  s.minsize = 1;
  s.maxsize = 2 + static_cast<int>(rng() % 10);
  s.maxvwgt = 1 + static_cast<int>(rng() % 5);
  s.maxhwgt = 1 + static_cast<int>(rng() % 7);
  s.nislands = static_cast<int>(rng() % 6);
  s.nlarge = static_cast<int>(rng() % 2);
  s.largesize = 55;
  s.seed = seed;
  return {Generate(s), partsChoice[rng() % 6]};
}

inline std::vector<int> RandomParts(int nvtxs, int nparts, std::mt19937 &rng) {
  std::vector<int> where(nvtxs);
  for (int &p : where) p = static_cast<int>(rng() % nparts);
  return where;
}

// The balance bounds of a k-way refinement run, from the starting weights.
struct KwayBounds {
  int minpwgt, maxpwgt;
};
inline KwayBounds BoundsOf(float ubfactor, int nparts, int total) {
  return {static_cast<int>(static_cast<float>(total) / (ubfactor * static_cast<float>(nparts))),
          static_cast<int>(ubfactor * static_cast<float>(total) / static_cast<float>(nparts))};
}

// A balanced start: parts dealt round a shuffled order of the vertices.
inline std::vector<int> DealtParts(int nvtxs, int nparts, std::mt19937 &rng) {
  std::vector<int> order(nvtxs), where(nvtxs);
  for (int i = 0; i < nvtxs; ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), rng);
  for (int i = 0; i < nvtxs; ++i) where[order[i]] = i % nparts;
  return where;
}

using RefineFn = void (*)(const CtrlType *, HGraph *, int);

struct Refined {
  std::vector<int> where;
  int mincut, minsoed, objval;
  std::vector<int> kpwgts;
};

// Refines where on g under the given options and returns the result; the
// records left behind are checked against the model.
inline Refined RefineOnce(RefineFn refine, const PlainHGraph &g, const std::vector<int> &where, int nparts,
                          float ubfactor, int nfixed = 0, int npasses = 10, int dbglvl = 0, int seed = 1,
                          int rtype = OBJ_CUT, std::shared_ptr<const PartLimits> limits = nullptr) {
  CtrlType ctrl = KwayCtrl(nparts, ubfactor, rtype);
  ctrl.opt.limits = std::move(limits);
  ctrl.dbglvl = dbglvl;
  InitRandom__(&ctrl.ctx->rng, seed);
  HGraph *graph = KwayHGraph(&ctrl, g, where);
  graph->nfixed = nfixed;
  refine(&ctrl, graph, npasses);
  Refined r{std::vector<int>(graph->where.get(), graph->where + g.nvtxs), graph->mincut,
            graph->kway.minsoed, graph->kway.objval,
            std::vector<int>(graph->kway.kpwgts.get(), graph->kway.kpwgts + nparts)};
  // The bookkeeping left behind still describes the result.
  const auto counts = NetPartCounts(g, graph->where);
  ExpectNetsMatch(graph, counts);
  const auto nets = VertexNets(g);
  for (int v = 0; v < g.nvtxs; ++v)
    ExpectCellMatches(graph, ModelCell(g, nets, counts, graph->where, v), v, false);
  FreeHGraph__(graph);
  return r;
}

}  // namespace zt
