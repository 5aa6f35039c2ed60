// Test helpers of the coarsening tests: control records, prepared
// hypergraphs, and brute-force checks of a coarsening level and a chain.
#pragma once

#include <algorithm>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "coarsen/coarsen.h"
#include "prep/prep.h"
#include "testgen.h"

namespace ct {

inline CtrlType MakeCtrl(int ctype, int coarsento) {
  CtrlType ctrl{};
  ctrl.CoarsenTo = coarsento;
  ctrl.CType = ctype;
  ctrl.MaxNetSize = 50;
  ctrl.nparts = 2;
  ctrl.maxcellwgt = 1;
  // Every coarse level sets its pins aside, and Levels gives them back.
  ctrl.pinsaside = 1;
  ctrl.keepmaps = true;
  return ctrl;
}

// The bisection's limit: twice the average weight a vertex of the coarsest
// level would have, heavy vertices set aside.
inline int MaxCellWgt(int coarsento, const HGraph *graph) {
  long long W = 0;
  for (int v = 0; v < graph->nvtxs; ++v) W += graph->cellwgt[v];
  const long long threshold = 2 * W / coarsento;
  int heavy = 0;
  for (int v = 0; v < graph->nvtxs; ++v)
    if (graph->cellwgt[v] > threshold) {
      ++heavy;
      W -= graph->cellwgt[v];
    }
  return (int)(2 * W / (coarsento - heavy));
}

// A library hypergraph of p with incidence; the first nfixed vertices are anchors.
inline HGraph *Prepared(const zt::PlainHGraph &p, int nfixed = 0) {
  HGraph *graph = zt::ToHGraph(p);
  graph->nfixed = nfixed;
  CreateIncidentHGraph__(graph);
  return graph;
}

// The levels from top down, with their pin lists back.
inline std::vector<HGraph *> Levels(HGraph *top) {
  std::vector<HGraph *> levels;
  for (HGraph *g = top; g != nullptr; g = g->coarser) {
    RestoreLevel__(g);
    levels.push_back(g);
  }
  return levels;
}

// Frees every level below top and unlinks it.
inline void FreeBelow(HGraph *top) {
  HGraph *g = top->coarser;
  while (g != nullptr) {
    HGraph *next = g->coarser;
    FreeHGraph__(g);
    g = next;
  }
  top->coarser = nullptr;
}

// What a level built by a grouping scheme must satisfy besides the common rules.
struct LevelRules {
  bool scheme = true;  // groups non-empty, connected, within maxcellwgt
  int maxgroup = 0;    // largest group size; 0 = any
};

namespace detail {

inline int Find(std::vector<int> &parent, int x) {
  while (parent[x] != x) x = parent[x] = parent[parent[x]];
  return x;
}

// Every group must be one piece through hyperedges of the finer level.
inline void CheckConnected(const HGraph *F, const std::vector<int> &groupOf, int ngroups,
                           std::ostringstream &err) {
  std::vector<int> parent(F->nvtxs);
  std::iota(parent.begin(), parent.end(), 0);
  for (int e = 0; e < F->nhedges; ++e) {
    std::vector<int> firstOf;  // first pin seen per group in this hyperedge
    for (int j = F->netptr[e]; j < F->netptr[e + 1]; ++j) {
      const int u = F->netind[j];
      for (int k = F->netptr[e]; k < j; ++k)
        if (groupOf[F->netind[k]] == groupOf[u]) {
          parent[Find(parent, u)] = Find(parent, F->netind[k]);
          break;
        }
    }
  }
  std::vector<int> root(ngroups, -1);
  for (int v = 0; v < F->nvtxs; ++v) {
    const int g = groupOf[v], r = Find(parent, v);
    if (root[g] == -1) root[g] = r;
    if (root[g] != r) {
      err << "group " << g << " is not connected; ";
      return;
    }
  }
}

inline void CheckGrouping(const CtrlType &ctrl, const HGraph *F, const HGraph *C,
                          const LevelRules &rules, std::ostringstream &err) {
  const int nF = F->nvtxs, nC = C->nvtxs + C->nislands;
  const int *mptr = F->maps.mptr, *mind = F->maps.mind, *cellmap = F->maps.cellmap;
  if (mptr[0] != 0 || mptr[nC] != nF) err << "mptr ends " << mptr[0] << " " << mptr[nC] << "; ";
  std::vector<int> groupOf(nF, -1), cellOfGroup(nC, -1), groupOfCell(nC, -1);
  std::vector<long long> wgt(nC, 0);
  for (int g = 0; g < nC; ++g) {
    const int size = mptr[g + 1] - mptr[g];
    if (size < 0 || (rules.scheme && size == 0)) err << "group " << g << " size " << size << "; ";
    if (rules.maxgroup > 0 && size > rules.maxgroup) err << "group " << g << " too large; ";
    for (int i = mptr[g]; i < mptr[g + 1]; ++i) {
      const int v = mind[i];
      if (v < 0 || v >= nF || groupOf[v] != -1) {
        err << "vertex " << v << " listed twice or out of range; ";
        return;
      }
      groupOf[v] = g;
      wgt[g] += F->cellwgt[v];
      const int c = cellmap[v];
      if (c < 0 || c >= nC) {
        err << "cellmap[" << v << "] = " << c << "; ";
        return;
      }
      if (cellOfGroup[g] == -1) cellOfGroup[g] = c;
      if (cellOfGroup[g] != c) err << "group " << g << " spans coarse vertices; ";
    }
    if (cellOfGroup[g] != -1) {
      if (groupOfCell[cellOfGroup[g]] != -1) err << "two groups share coarse vertex; ";
      groupOfCell[cellOfGroup[g]] = g;
    }
    if (rules.scheme && size > 1 && wgt[g] > ctrl.maxcellwgt) err << "group " << g << " too heavy; ";
  }
  for (int v = 0; v < nF; ++v)
    if (groupOf[v] == -1) {
      err << "vertex " << v << " in no group; ";
      return;
    }
  std::vector<long long> cwgt(nC, 0);
  for (int v = 0; v < nF; ++v) cwgt[cellmap[v]] += F->cellwgt[v];
  for (int c = 0; c < nC; ++c)
    if (cwgt[c] != C->cellwgt[c]) err << "cellwgt of coarse " << c << "; ";
  for (int i = 0; i < std::max(F->nfixed, 0); ++i)
    if (cellmap[i] != i || mptr[i + 1] - mptr[i] != 1 || mind[mptr[i]] != i)
      err << "anchor " << i << " not alone at its place; ";
  if (rules.scheme) CheckConnected(F, groupOf, nC, err);
}

// Coarse hyperedges = sets of coarse vertices of their finer ones, weights summed.
inline void CheckHEdges(const HGraph *F, const HGraph *C, std::ostringstream &err) {
  std::vector<long long> sum(C->nhedges, 0);
  std::vector<int> preimages(C->nhedges, 0);
  long long vanished = 0, finer = 0, coarse = 0;
  for (int d = 0; d < C->nhedges; ++d) {
    coarse += C->netwgt[d];
    for (int j = C->netptr[d]; j < C->netptr[d + 1]; ++j) {
      if (C->netind[j] < 0 || C->netind[j] >= C->nvtxs) err << "coarse pin out of range; ";
      if (j > C->netptr[d] && C->netind[j - 1] >= C->netind[j]) err << "coarse pins unsorted; ";
    }
  }
  for (int e = 0; e < F->nhedges; ++e) {
    finer += F->netwgt[e];
    std::vector<int> set;
    for (int j = F->netptr[e]; j < F->netptr[e + 1]; ++j)
      set.push_back(F->maps.cellmap[F->netind[j]]);
    std::sort(set.begin(), set.end());
    set.erase(std::unique(set.begin(), set.end()), set.end());
    const int d = F->maps.netmap[e];
    if (set.size() == 1) {
      if (d != -1) err << "hyperedge " << e << " should vanish; ";
      vanished += F->netwgt[e];
      continue;
    }
    if (d < 0 || d >= C->nhedges) {
      err << "netmap[" << e << "] = " << d << "; ";
      continue;
    }
    if (!std::equal(set.begin(), set.end(), C->netind + C->netptr[d], C->netind + C->netptr[d + 1]))
      err << "hyperedge " << e << " differs from coarse " << d << "; ";
    sum[d] += F->netwgt[e];
    ++preimages[d];
  }
  for (int d = 0; d < C->nhedges; ++d)
    if (preimages[d] == 0 || sum[d] != C->netwgt[d]) err << "coarse hyperedge " << d << " weight; ";
  if (C->removedwgt - F->removedwgt != vanished) err << "removedwgt; ";
  if (finer != coarse + vanished) err << "total weight; ";
}

// Incidence = transpose of the pins; adjwgt and edgewgt from scratch.
inline void CheckIncidence(const HGraph *C, std::ostringstream &err) {
  const int n = C->nvtxs, nall = C->nvtxs + C->nislands;
  std::vector<std::vector<int>> inc(nall);
  for (int d = 0; d < C->nhedges; ++d)
    for (int j = C->netptr[d]; j < C->netptr[d + 1]; ++j) inc[C->netind[j]].push_back(d);
  if (C->incptr[0] != 0) err << "incptr[0]; ";
  for (int c = 0; c < n; ++c) {
    std::vector<int> got(C->incind + C->incptr[c], C->incind + C->incptr[c + 1]);
    std::sort(got.begin(), got.end());
    if (got != inc[c]) err << "incidence of " << c << "; ";
  }
  for (int c = n; c < nall; ++c)
    if (!inc[c].empty()) err << "island " << c << " has pins; ";
  for (int c = 0; c < nall; ++c) {
    long long a = 0;
    for (int d : inc[c]) a += C->netwgt[d];
    if (a != C->adjwgt[c]) err << "adjwgt of " << c << "; ";
  }
  for (int d = 0; d < C->nhedges; ++d) {
    const float w = (float)((double)C->netwgt[d] / (double)(C->netptr[d + 1] - C->netptr[d] - 1));
    if (w != C->edgewgt[d]) err << "edgewgt of " << d << "; ";
  }
}

}  // namespace detail

// All rules between a finer level F and its coarser level C ("" = all hold).
// Works after the coarser level has set its islands aside as well.
inline std::string CheckLevel(const CtrlType &ctrl, const HGraph *F, const HGraph *C,
                              const LevelRules &rules = {}) {
  std::ostringstream err;
  if (F->coarser != C || C->finer != F) err << "links; ";
  if (C->nfixed != F->nfixed) err << "nfixed; ";
  detail::CheckGrouping(ctrl, F, C, rules, err);
  if (!err.str().empty()) return err.str();
  detail::CheckHEdges(F, C, err);
  detail::CheckIncidence(C, err);
  if (CheckHGraph(C) != 1) err << "CheckHGraph; ";
  return err.str();
}

// CheckLevel on every step of the chain below top, and the level numbers.
inline std::string CheckChain(const CtrlType &ctrl, HGraph *top, const LevelRules &rules = {}) {
  const std::vector<HGraph *> levels = Levels(top);
  for (size_t i = 0; i + 1 < levels.size(); ++i) {
    if (levels[i + 1]->level != levels[i]->level + 1) return "level numbers";
    const std::string e = CheckLevel(ctrl, levels[i], levels[i + 1], rules);
    if (!e.empty()) return "step " + std::to_string(i) + ": " + e;
  }
  return "";
}

// The driver's stop rules replayed on a finished chain: every step but the
// last ends above CoarsenTo, and the last one ends at or below it or is the
// second slow step (the first for EDGE and for partition-respecting runs).
inline std::string CheckStops(const CtrlType &ctrl, HGraph *top, bool secondchance) {
  const std::vector<HGraph *> levels = Levels(top);
  float ratio = (float)0.8;
  bool switched = !secondchance;
  for (size_t i = 0; i + 1 < levels.size(); ++i) {
    const int f = levels[i]->nvtxs, c = levels[i + 1]->nvtxs + levels[i + 1]->nislands;
    const bool last = i + 2 == levels.size();
    if ((float)f * ratio < (float)c || c == f) {
      if (switched) return last ? "" : "went on after the final slow step";
      switched = true;
      ratio = (float)((double)ratio * 1.075);
    }
    if (last != (c <= ctrl.CoarsenTo)) return "stopped at " + std::to_string(c);
  }
  if (levels.size() == 1 && top->nvtxs > ctrl.CoarsenTo) return "no step made";
  return "";
}

// Everything a chain is made of, level by level, for comparisons.
inline std::vector<int> Snapshot(HGraph *top) {
  std::vector<int> s;
  auto add = [&](const int *a, int n) {
    s.push_back(a ? n : -1);
    if (a) s.insert(s.end(), a, a + n);
  };
  for (HGraph *g : Levels(top)) {
    const int nall = g->nvtxs + g->nislands;
    s.insert(s.end(), {g->nvtxs, g->nislands, g->nhedges, g->removedwgt, g->level});
    add(g->netptr, g->nhedges + 1);
    add(g->netind, g->netptr[g->nhedges]);
    add(g->netwgt, g->nhedges);
    add(g->cellwgt, nall);
    add(g->maps.cellmap, g->nvtxs);
    add(g->maps.netmap, g->nhedges);
    add(g->where, nall);
  }
  return s;
}

}  // namespace ct
