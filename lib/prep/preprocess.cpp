// Preparing a hypergraph for partitioning: the vertex-to-hyperedge incidence
// with its derived weights, and the pruned copy without the large hyperedges.
#include "prep/prep.h"

void CreateIncidentHGraph__(HGraph *graph) {
  const int nvtxs = graph->nvtxs, nhedges = graph->nhedges;
  const int *netptr = graph->netptr, *netind = graph->netind, *netwgt = graph->netwgt;
  const int npins = netptr[nhedges];

  // Counts land one place up, so that after the appends below each entry has
  // advanced to the start of the next vertex's list.
  int *incptr = ismalloc__(static_cast<size_t>(nvtxs) + 1, 0, "CreateIncidentHGraph: incptr");
  int *incind = imalloc__(npins, "CreateIncidentHGraph: graph->incind");
  for (int j = 0; j < npins; ++j) incptr[netind[j] + 1]++;
  for (int v = 1; v <= nvtxs; ++v) incptr[v] += incptr[v - 1];
  for (int e = 0; e < nhedges; ++e)
    for (int j = netptr[e]; j < netptr[e + 1]; ++j) incind[incptr[netind[j]]++] = e;
  for (int v = nvtxs; v > 0; --v) incptr[v] = incptr[v - 1];
  incptr[0] = 0;

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
  const int nvtxs = graph->nvtxs, nhedges = graph->nhedges;
  const int *incptr = graph->incptr, *incind = graph->incind;
  int *netptr = graph->netptr;
  int *netind = imalloc__(netptr[nhedges], "RestoreLevelPins: netind");
  // Each entry of netptr advances to the start of the next hyperedge's list,
  // and moves back one place afterwards.
  for (int v = 0; v < nvtxs; ++v)
    for (int i = incptr[v]; i < incptr[v + 1]; ++i) netind[netptr[incind[i]]++] = v;
  for (int e = nhedges; e > 0; --e) netptr[e] = netptr[e - 1];
  netptr[0] = 0;
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
