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
  graph->crsize = graph->crused = 0;
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

void HandOverWhere__(HGraph *from, HGraph *to) {
  ZBfree__(&to->where);
  to->where = from->where;
  from->where = nullptr;
}

// Consistency check: every pin lies in 0..nvtxs-1 and, once the incidence
// lists exist, they hold exactly the hyperedges whose pin lists name the
// vertex, as often as they name it (the recount is a counting sort over the
// pin lists). Returns 1 for a consistent hypergraph, 0 otherwise.
int CheckHGraph(const HGraph *graph) {
  const int nvtxs = graph->nvtxs, nhedges = graph->nhedges;
  if (graph->netptr == nullptr || nvtxs < 0 || nhedges < 0 || graph->netptr[0] != 0) return 0;
  for (int e = 0; e < nhedges; ++e)
    if (graph->netptr[e + 1] < graph->netptr[e]) return 0;
  const int npins = graph->netptr[nhedges];
  for (int j = 0; j < npins; ++j)
    if (graph->netind[j] < 0 || graph->netind[j] >= nvtxs) return 0;
  if (graph->incptr == nullptr) return 1;
  if (graph->incptr[0] != 0 || graph->incptr[nvtxs] != npins) return 0;

  // Hyperedges come out ascending per vertex; the stored lists are sorted
  // into a copy before the comparison, so their order does not matter.
  int *start = ismalloc__(static_cast<size_t>(nvtxs) + 1, 0, "CheckHGraph: start");
  int *recount = imalloc__(npins, "CheckHGraph: recount");
  int *stored = imalloc__(npins, "CheckHGraph: stored");
  for (int j = 0; j < npins; ++j) start[graph->netind[j] + 1]++;
  for (int v = 0; v < nvtxs; ++v) start[v + 1] += start[v];
  int ok = 1;
  for (int v = 0; v < nvtxs && ok; ++v)
    if (graph->incptr[v + 1] - graph->incptr[v] != start[v + 1] - start[v]) ok = 0;
  if (ok) {
    for (int e = 0; e < nhedges; ++e)
      for (int j = graph->netptr[e]; j < graph->netptr[e + 1]; ++j)
        recount[start[graph->netind[j]]++] = e;
    icopy__(npins, graph->incind, stored);
    for (int v = 0; v < nvtxs; ++v)
      iintsort__(graph->incptr[v + 1] - graph->incptr[v], stored + graph->incptr[v]);
    for (int j = 0; j < npins && ok; ++j)
      if (stored[j] != recount[j]) ok = 0;
  }
  ZBfree__(&start, &recount, &stored);
  return ok;
}
