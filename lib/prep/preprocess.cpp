// Preparing a hypergraph for partitioning: the vertex-to-hyperedge incidence
// with its derived weights, and the pruned copy without the large hyperedges.
#include "prep/prep.h"

namespace {

// Lists each row r of (ptr, ind) in tind under the lists of its entries, rows
// in order: start[c] holds where list c begins, advances as it fills up to
// where list c + 1 begins, and moves back one place afterwards.
void FillTransposed(int nrows, const int *ptr, const int *ind, int ncols, int *start, int *tind) {
  for (int r = 0; r < nrows; ++r)
    for (int j = ptr[r]; j < ptr[r + 1]; ++j) tind[start[ind[j]]++] = r;
  for (int c = ncols; c > 0; --c) start[c] = start[c - 1];
  start[0] = 0;
}

}  // namespace

void CreateIncidentHGraph__(HGraph *graph) {
  const int nvtxs = graph->nvtxs, nhedges = graph->nhedges;
  const int *netptr = graph->netptr, *netind = graph->netind, *netwgt = graph->netwgt;
  const int npins = netptr[nhedges];

  // Counts land one place up, so that their sums are the starts of the lists.
  int *incptr = ismalloc__(static_cast<size_t>(nvtxs) + 1, 0, "CreateIncidentHGraph: incptr");
  int *incind = imalloc__(npins, "CreateIncidentHGraph: graph->incind");
  for (int j = 0; j < npins; ++j) incptr[netind[j] + 1]++;
  for (int v = 1; v <= nvtxs; ++v) incptr[v] += incptr[v - 1];
  FillTransposed(nhedges, netptr, netind, nvtxs, incptr, incind);

  int *adjwgt = imalloc__(nvtxs, "CreateIncidentHGraph: adjwgt");
  for (int v = 0; v < nvtxs; ++v) {
    int sum = 0;
    for (int i = incptr[v]; i < incptr[v + 1]; ++i) sum += netwgt[incind[i]];
    adjwgt[v] = sum;
  }

  // The clique-edge weight of a hyperedge; one pin divides by zero and gives
  // an infinite weight, which no caller treats as an error.
  float *edgewgt = fmalloc__(nhedges, "CreateIncidentHGraph: graph->edgewgt");
  for (int e = 0; e < nhedges; ++e)
    edgewgt[e] = static_cast<float>(netwgt[e] * 1.0 / (netptr[e + 1] - netptr[e] - 1));

  graph->incptr = incptr;
  graph->incind = incind;
  graph->adjwgt = adjwgt;
  graph->edgewgt = edgewgt;
}

void SetLevelPinsAside__(const CtrlType *ctrl, HGraph *graph) {
  if (graph->level > 0 && !graph->netind.Borrowed() &&
      graph->netptr[graph->nhedges] >= ctrl->pinsaside)
    graph->netind.reset();
}

void RestoreLevelPins__(HGraph *graph) {
  if (graph->netind != nullptr) return;
  const int nhedges = graph->nhedges;
  int *netind = imalloc__(graph->netptr[nhedges], "RestoreLevelPins: netind");
  FillTransposed(graph->nvtxs, graph->incptr, graph->incind, nhedges, graph->netptr, netind);
  graph->netind = netind;
}

// The same vertices without the hyperedges of more than MaxNetSize pins, in
// their order; always a hypergraph of its own, even when nothing is pruned.
HGraph *PruneHGraph__(const CtrlType *ctrl, HGraph *graph) {
  const int nhedges = graph->nhedges, maxsize = ctrl->MaxNetSize;
  const int *netptr = graph->netptr, *netind = graph->netind, *netwgt = graph->netwgt;

  int snhedges = 0, snpins = 0;
  for (int e = 0; e < nhedges; ++e) {
    int size = netptr[e + 1] - netptr[e];
    if (size <= maxsize) {
      ++snhedges;
      snpins += size;
    }
  }

  int *snetptr = imalloc__(static_cast<size_t>(snhedges) + 1, "PruneHGraph: snetptr");
  int *snetind = imalloc__(snpins, "PruneHGraph: snetind");
  int *snetwgt = imalloc__(snhedges, "PruneHGraph: sgraph->netwgt");
  snetptr[0] = 0;
  int se = 0, sj = 0;
  for (int e = 0; e < nhedges; ++e) {
    int size = netptr[e + 1] - netptr[e];
    if (size > maxsize) continue;
    icopy__(size, netind + netptr[e], snetind + sj);
    sj += size;
    snetwgt[se] = netwgt[e];
    snetptr[++se] = sj;
  }

  HGraph *sgraph = CreateHGraph__();
  sgraph->nvtxs = graph->nvtxs;
  sgraph->nhedges = snhedges;
  sgraph->nfixed = graph->nfixed;
  sgraph->netptr = snetptr;
  sgraph->netind = snetind;
  sgraph->netwgt = snetwgt;
  CreateIncidentHGraph__(sgraph);
  sgraph->cellwgt = imalloc__(graph->nvtxs, "PruneHGraph: sgraph->cellwgt");
  icopy__(graph->nvtxs, graph->cellwgt, sgraph->cellwgt);
  return sgraph;
}
