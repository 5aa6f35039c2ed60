// Pairwise edge matching and the pieces the other schemes share with it:
// the anchor groups, the vertex order by degree and the edge matching pass.
#include <algorithm>

#include "coarsen/coarsen.h"

int AnchorGroups(const HGraph *graph, int *cellmap, int *mptr, int *mind) {
  const int nfixed = std::max(graph->nfixed, 0);
  mptr[0] = 0;
  for (int i = 0; i < nfixed; ++i) {
    cellmap[i] = i;
    mind[i] = i;
    mptr[i + 1] = i + 1;
  }
  return nfixed;
}

void DegreeOrder(const CtrlType *ctrl, const HGraph *graph, int *perm, int *vpairs) {
  const int nvtxs = graph->nvtxs;
  const int *incptr = graph->incptr;
  int *keys = vpairs;
  int *tperm = vpairs + nvtxs;
  RandomPermute__(&ctrl->ctx->rng, tperm, nvtxs, 1);
  for (int v = 0; v < nvtxs; ++v) keys[v] = std::min(incptr[v + 1] - incptr[v], ctrl->MaxNetSize);
  BucketSortKeysInc(nvtxs, ctrl->MaxNetSize + 1, keys, tperm, perm);
}

int EdgeMatchingPass(const CtrlType *ctrl, HGraph *graph, const int *perm, int *htable,
                     const int *where, int cnvtxs) {
  int *cellmap = graph->maps.cellmap, *mptr = graph->maps.mptr, *mind = graph->maps.mind;
  int pos = mptr[cnvtxs];
  for (int i = 0; i < graph->nvtxs; ++i) {
    const int v = perm[i];
    if (cellmap[v] != -1) continue;
    const int u =
        where == nullptr
            ? FindCell__(ctrl, v, graph->incptr, graph->incind, graph->netptr, graph->netind,
                         graph->cellwgt, graph->edgewgt, cellmap, htable)
            : CFindCell__(ctrl, v, graph->incptr, graph->incind, graph->netptr, graph->netind,
                          graph->cellwgt, graph->edgewgt, cellmap, where, htable);
    cellmap[v] = cnvtxs;
    mind[pos++] = v;
    if (u != -1) {
      cellmap[u] = cnvtxs;
      mind[pos++] = u;
    }
    mptr[++cnvtxs] = pos;
  }
  return cnvtxs;
}

void MatchEdges(const CtrlType *ctrl, HGraph *graph, int *perm, int *htable, int *vpairs,
                const int *where) {
  const int nvtxs = graph->nvtxs;
  graph->maps.mptr = imalloc__(nvtxs + 1, "Match_Edges: graph->mptr");
  graph->maps.mind = imalloc__(nvtxs, "Match_Edges: graph->mind");
  graph->maps.cellmap = ismalloc__(nvtxs, -1, "Match_Edges: graph->cellmap");

  int cnvtxs = AnchorGroups(graph, graph->maps.cellmap, graph->maps.mptr, graph->maps.mind);
  DegreeOrder(ctrl, graph, perm, vpairs);
  cnvtxs = EdgeMatchingPass(ctrl, graph, perm, htable, where, cnvtxs);
  CreateCoarseHGraph__(ctrl, graph, cnvtxs);
}

void Match_Edges__(const CtrlType *ctrl, HGraph *graph, int *perm, int *htable, int *vpairs) {
  MatchEdges(ctrl, graph, perm, htable, vpairs, nullptr);
}
