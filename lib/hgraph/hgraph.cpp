// Lifecycle of the hypergraph record: creation, initial values and release.
#include "hgraph/hgraph.h"

HGraph *CreateHGraph__() {
  HGraph *graph = ZBmallocT__<HGraph>(1, "CreateCoarseHGraph: graph");
  InitHGraph__(graph);
  return graph;
}

// Fields that are always written before they are read (isroot, label, mincut,
// objval, minsoed) are cleared too, so a fresh record holds no garbage.
void InitHGraph__(HGraph *graph) {
  graph->nvtxs = -1;
  graph->nislands = 0;
  graph->nhedges = -1;
  graph->removedwgt = 0;
  graph->isroot = 0;
  graph->nfixed = -1;

  graph->incptr = graph->incind = nullptr;
  graph->netptr = graph->netind = nullptr;
  graph->islandmap = graph->cellwgt = graph->netwgt = graph->adjwgt = nullptr;
  graph->edgewgt = nullptr;
  graph->label = nullptr;

  graph->cellmap = graph->netmap = graph->mptr = graph->mind = nullptr;
  graph->coarser = graph->finer = nullptr;
  graph->level = -1;

  graph->where = nullptr;
  graph->mincut = 0;

  graph->gain = graph->ndeg[0] = graph->ndeg[1] = nullptr;
  graph->pwgts[0] = graph->pwgts[1] = -1;

  graph->objval = 0;
  graph->minsoed = 0;
  graph->nrinfo = nullptr;
  graph->crinfo = nullptr;
  graph->nrdata = nullptr;
  graph->crdata = nullptr;
  graph->kpwgts = nullptr;
}

// The work arrays of coarsening and refinement: what a trial leaves behind on
// the hypergraph it started from.
static void FreeWorkArrays(HGraph *graph) {
  ZBfree__(&graph->cellmap, &graph->netmap, &graph->mptr, &graph->mind, &graph->gain,
           &graph->ndeg[0], &graph->ndeg[1], &graph->islandmap, &graph->where, &graph->kpwgts,
           &graph->nrinfo, &graph->crinfo, &graph->nrdata, &graph->crdata);
}

// Frees the level and everything it owns; label belongs to recursive
// bisection, and the neighbouring levels are freed on their own.
void FreeHGraph__(HGraph *graph) {
  ZBfree__(&graph->incptr, &graph->incind, &graph->netptr, &graph->netind, &graph->cellwgt,
           &graph->netwgt, &graph->adjwgt, &graph->edgewgt);
  FreeWorkArrays(graph);
  ZBfree__(&graph);
}

// Keeps structure, weights, incidence and label, so that the next trial can
// coarsen the same hypergraph again from a clean state.
void FreeRootHGraph__(HGraph *graph) { FreeWorkArrays(graph); }

// Consistency hook: looks every incidence up in the pin lists and every pin
// up in the incidence lists. It reports nothing and always returns 1.
int CheckHGraph(HGraph *graph) {
  if (graph->incptr == nullptr || graph->netptr == nullptr) return 1;
  int found = 0;
  for (int v = 0; v < graph->nvtxs; ++v)
    for (int i = graph->incptr[v]; i < graph->incptr[v + 1]; ++i) {
      int e = graph->incind[i];
      for (int j = graph->netptr[e]; j < graph->netptr[e + 1]; ++j)
        if (graph->netind[j] == v) ++found;
    }
  for (int e = 0; e < graph->nhedges; ++e)
    for (int j = graph->netptr[e]; j < graph->netptr[e + 1]; ++j) {
      int v = graph->netind[j];
      for (int i = graph->incptr[v]; i < graph->incptr[v + 1]; ++i)
        if (graph->incind[i] == e) ++found;
    }
  (void)found;
  return 1;
}
