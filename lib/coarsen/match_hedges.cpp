// Hyperedge-first grouping: whole hyperedges (and, for HEDGE, the unmatched
// majority of a hyperedge) become coarse vertices, heavy and small hyperedges
// first; what is left is matched by edges or stays alone.
#include <cstdint>

#include "coarsen/coarsen.h"

namespace {

struct Grouping {
  int *cellmap, *mptr, *mind;
  int cnvtxs;

  // The pins of e that are still unmatched become one coarse vertex.
  void GroupUnmatchedPins(const HGraph *graph, int e) {
    int pos = mptr[cnvtxs];
    for (int j = graph->netptr[e]; j < graph->netptr[e + 1]; ++j) {
      const int u = graph->netind[j];
      if (cellmap[u] != -1) continue;
      cellmap[u] = cnvtxs;
      mind[pos++] = u;
    }
    mptr[++cnvtxs] = pos;
  }
};

Grouping StartGrouping(HGraph *graph, const char *mptrlabel, const char *mindlabel,
                       const char *cellmaplabel, bool cellmapfirst) {
  const int nvtxs = graph->nvtxs;
  if (cellmapfirst) graph->maps.cellmap = ismalloc__(nvtxs, -1, cellmaplabel);
  graph->maps.mptr = imalloc__(nvtxs + 1, mptrlabel);
  graph->maps.mind = imalloc__(nvtxs, mindlabel);
  if (!cellmapfirst) graph->maps.cellmap = ismalloc__(nvtxs, -1, cellmaplabel);
  Grouping g{graph->maps.cellmap, graph->maps.mptr, graph->maps.mind, 0};
  g.cnvtxs = AnchorGroups(graph, g.cellmap, g.mptr, g.mind);
  return g;
}

// perm = the hyperedges by decreasing netwgt x nvtxs - pins (heavier first,
// then smaller), remaining ties by the sort over a random permutation.
void HEdgeOrder(RandomStream *rng, const HGraph *graph, int *perm, int *vpairs) {
  const int nhedges = graph->nhedges;
  // The driver's pair area holds nhedges key-value pairs.
  KeyValueType *pairs = reinterpret_cast<KeyValueType *>(vpairs);
  RandomPermute__(rng, perm, nhedges, 1);
  for (int i = 0; i < nhedges; ++i) {
    const int e = perm[i];
    const uint32_t key = (uint32_t)graph->netwgt[e] * (uint32_t)graph->nvtxs -
                         (uint32_t)(graph->netptr[e + 1] - graph->netptr[e]);
    pairs[i].key = (int)key;  // 32-bit wrap-around, as the order has always had
    pairs[i].val = e;
  }
  dkeysort__(nhedges, pairs);
  for (int i = 0; i < nhedges; ++i) perm[i] = pairs[i].val;
}

// A hyperedge whose pins are all unmatched and together light enough becomes
// one coarse vertex.
void WholeHEdgePhase(const CtrlType *ctrl, const HGraph *graph, const int *perm, Grouping &g) {
  for (int i = 0; i < graph->nhedges; ++i) {
    const int e = perm[i];
    if (graph->netptr[e + 1] == graph->netptr[e]) continue;  // nothing to group
    int wgt = 0;
    bool matched = false;
    for (int j = graph->netptr[e]; j < graph->netptr[e + 1]; ++j) {
      const int u = graph->netind[j];
      if (g.cellmap[u] != -1) {
        matched = true;
        break;
      }
      wgt += graph->cellwgt[u];
    }
    if (!matched && wgt <= ctrl->maxcellwgt) g.GroupUnmatchedPins(graph, e);
  }
}

// A hyperedge with strictly more than half of its pins unmatched, light
// enough together, groups those pins.
void PartialHEdgePhase(const CtrlType *ctrl, const HGraph *graph, const int *perm, Grouping &g) {
  for (int i = 0; i < graph->nhedges; ++i) {
    const int e = perm[i];
    int k = 0, wgt = 0;
    for (int j = graph->netptr[e]; j < graph->netptr[e + 1]; ++j) {
      const int u = graph->netind[j];
      if (g.cellmap[u] != -1) continue;
      ++k;
      wgt += graph->cellwgt[u];
    }
    const int size = graph->netptr[e + 1] - graph->netptr[e];
    if ((double)k > (double)size * 0.5 && wgt <= ctrl->maxcellwgt) g.GroupUnmatchedPins(graph, e);
  }
}

}  // namespace

void Match_Hedges__(const CtrlType *ctrl, HGraph *graph, int *perm, int * /*htable*/, int *vpairs) {
  Grouping g = StartGrouping(graph, "Match_Hedges: graph->mptr", "Match_Hedges: graph->mind",
                             "Match_Hedges: graph->cellmap", false);
  HEdgeOrder(&ctrl->ctx->rng, graph, perm, vpairs);
  WholeHEdgePhase(ctrl, graph, perm, g);
  for (int v = 0; v < graph->nvtxs; ++v) {
    if (g.cellmap[v] != -1) continue;
    g.cellmap[v] = g.cnvtxs;
    g.mind[g.mptr[g.cnvtxs]] = v;
    g.mptr[g.cnvtxs + 1] = g.mptr[g.cnvtxs] + 1;
    ++g.cnvtxs;
  }
  CreateCoarseHGraph__(ctrl, graph, g.cnvtxs);
}

void Match_Hedges_Edges__(const CtrlType *ctrl, HGraph *graph, int *perm, int *htable, int *vpairs) {
  Grouping g = StartGrouping(graph, "HGraphMatch: graph->mptr", "HGraphMatch: graph->mind",
                             "HGraphMatch: graph->cellmap", false);
  HEdgeOrder(&ctrl->ctx->rng, graph, perm, vpairs);
  WholeHEdgePhase(ctrl, graph, perm, g);
  DegreeOrder(ctrl, graph, perm, vpairs);
  const int cnvtxs = EdgeMatchingPass(ctrl, graph, perm, htable, nullptr, g.cnvtxs);
  CreateCoarseHGraph__(ctrl, graph, cnvtxs);
}

void Match_Hedges_PHedges_Edges__(const CtrlType *ctrl, HGraph *graph, int *perm, int *htable,
                                  int *vpairs) {
  Grouping g = StartGrouping(graph, "HGraphMatch: graph->mptr", "HGraphMatch: graph->mind",
                             "HGraphMatch: graph->cellmap", true);
  HEdgeOrder(&ctrl->ctx->rng, graph, perm, vpairs);
  WholeHEdgePhase(ctrl, graph, perm, g);
  PartialHEdgePhase(ctrl, graph, perm, g);
  DegreeOrder(ctrl, graph, perm, vpairs);
  const int cnvtxs = EdgeMatchingPass(ctrl, graph, perm, htable, nullptr, g.cnvtxs);
  CreateCoarseHGraph__(ctrl, graph, cnvtxs);
}
