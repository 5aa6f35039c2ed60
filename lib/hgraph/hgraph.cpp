// Lifecycle of the hypergraph record: creation, release and the hand-over
// of a partition.
#include "hgraph/hgraph.h"

#include <algorithm>
#include <new>
#include <utility>

// The record lives in the labelled allocator's memory like its arrays.
HGraph *CreateHGraph__() {
  return new (ZBmallocT__<HGraph>(1, "CreateCoarseHGraph: graph")) HGraph;
}

// Frees the level and everything it owns; the neighbouring levels are freed
// on their own.
void FreeHGraph__(HGraph *graph) {
  if (graph == nullptr) return;
  graph->~HGraph();
  ZBfreeBlock__(graph);
}

namespace {

template <class T>
T *CopyOf(const T *from, size_t n, const char *label) {
  if (from == nullptr) return nullptr;
  T *to = ZBmallocT__<T>(n, label);
  std::copy(from, from + n, to);
  return to;
}

// A new record with graph's sizes and none of its arrays.
HGraph *CreateSized(const HGraph *graph) {
  HGraph *copy = CreateHGraph__();
  copy->nvtxs = graph->nvtxs;
  copy->nislands = graph->nislands;
  copy->nhedges = graph->nhedges;
  copy->removedwgt = graph->removedwgt;
  copy->nfixed = graph->nfixed;
  copy->level = graph->level;
  return copy;
}

}  // namespace

HGraph *CopyHGraph__(const HGraph *graph) {
  HGraph *copy = CreateSized(graph);
  const size_t n = static_cast<size_t>(graph->nvtxs) + graph->nislands;
  const size_t m = graph->nhedges;
  const size_t npins = graph->netptr != nullptr ? graph->netptr[m] : 0;
  copy->incptr = CopyOf(graph->incptr.get(), n + 1, "CopyHGraph: incptr");
  copy->incind = CopyOf(graph->incind.get(), npins, "CopyHGraph: incind");
  copy->netptr = CopyOf(graph->netptr.get(), m + 1, "CopyHGraph: netptr");
  copy->netind = CopyOf(graph->netind.get(), npins, "CopyHGraph: netind");
  copy->cellwgt = CopyOf(graph->cellwgt.get(), n, "CopyHGraph: cellwgt");
  copy->netwgt = CopyOf(graph->netwgt.get(), m, "CopyHGraph: netwgt");
  copy->adjwgt = CopyOf(graph->adjwgt.get(), n, "CopyHGraph: adjwgt");
  copy->edgewgt = CopyOf(graph->edgewgt.get(), m, "CopyHGraph: edgewgt");
  return copy;
}

HGraph *ShareHGraph__(const HGraph *graph) {
  HGraph *share = CreateSized(graph);
  share->incptr.Borrow(graph->incptr);
  share->incind.Borrow(graph->incind);
  share->netptr.Borrow(graph->netptr);
  share->netind.Borrow(graph->netind);
  share->cellwgt.Borrow(graph->cellwgt);
  share->netwgt.Borrow(graph->netwgt);
  share->adjwgt.Borrow(graph->adjwgt);
  share->edgewgt.Borrow(graph->edgewgt);
  return share;
}

void ReleaseRunState__(HGraph *graph) {
  graph->maps.Release();
  graph->twoway.Release();
  graph->kway.Release();
  graph->islandmap.reset();
}

void FreeRootHGraph__(HGraph *graph) {
  ReleaseRunState__(graph);
  graph->where.reset();
}

void HandOverWhere__(HGraph *from, HGraph *to) { to->where = std::move(from->where); }

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
