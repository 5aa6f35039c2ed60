// Islands: vertices without incident hyperedges. They cannot be matched and
// carry no cut, so each level hides them behind its first nvtxs vertices
// before matching; the finest level of a run gets its first numbering back
// once its partition is complete.
#include <algorithm>

#include "prep/prep.h"

namespace {

// Moves the value of every old vertex v to position newid[v] (n values).
void PermuteForward(int n, const int *newid, int *x, int *aux) {
  if (x == nullptr) return;
  for (int v = 0; v < n; ++v) aux[newid[v]] = x[v];
  std::copy(aux, aux + n, x);
}

}  // namespace

void SeparateIslands__(HGraph *graph) {
  // Separated already, for every run that reads the level (see
  // SeparateIslandsForTrials).
  if (graph->nislands > 0) return;
  const int n = graph->nvtxs;
  const int nfixed = std::max(graph->nfixed, 0);
  const int *incptr = graph->incptr;

  int *newid = imalloc__(n, "SeparateIslands: ncells");
  int *aux = imalloc__(n, "SeparateIslands: aux");

  // Anchors keep their numbers whatever their degree; the other vertices with
  // hyperedges count up behind them, the islands count down from the end.
  int next = 0, last = n - 1, nislands = 0;
  for (int v = 0; v < n; ++v) {
    if (v < nfixed || incptr[v + 1] > incptr[v]) {
      newid[v] = next++;
    } else {
      newid[v] = last--;
      ++nislands;
    }
  }
  graph->nislands = nislands;
  graph->nvtxs = next;

  if (nislands == 0) {
    ZBfree__(&newid, &aux);
    return;
  }

  // A level that reads another record's structure renumbers copies of its own.
  const int npins = graph->netptr[graph->nhedges];
  graph->incptr.Own(n + 1, "SeparateIslands: incptr");
  graph->netind.Own(npins, "SeparateIslands: netind");
  graph->cellwgt.Own(n, "SeparateIslands: cellwgt");
  graph->adjwgt.Own(n, "SeparateIslands: adjwgt");

  // The kept vertices keep their relative order, so incind stays as it is and
  // incptr only loses the (empty) entries of the islands.
  int *starts = graph->incptr;
  for (int v = 0; v < n; ++v)
    if (newid[v] < next) starts[newid[v]] = starts[v];
  starts[next] = starts[n];

  PermuteForward(n, newid, graph->where, aux);
  PermuteForward(n, newid, graph->cellwgt, aux);
  PermuteForward(n, newid, graph->adjwgt, aux);

  for (int j = 0; j < npins; ++j) graph->netind[j] = newid[graph->netind[j]];

  if (graph->finer != nullptr) {
    // Projection from this level must reach the renumbered vertices directly.
    HGraph *finer = graph->finer;
    for (int i = 0; i < finer->nvtxs; ++i) finer->maps.cellmap[i] = newid[finer->maps.cellmap[i]];
    ZBfree__(&newid, &aux);
  } else {
    graph->islandmap = newid;
    ZBfree__(&aux);
  }
}

void CombineIslands__(HGraph *graph) {
  if (graph->nislands == 0) return;
  const int n = graph->nvtxs + graph->nislands;
  const int nkept = graph->nvtxs;
  const int *islandmap = graph->islandmap;

  int *imap = imalloc__(n, "CombineIslands: imap");
  int *aux = imalloc__(n + 1, "CombineIslands: aux");
  for (int v = 0; v < n; ++v) imap[islandmap[v]] = v;

  // The value at position k goes back to vertex imap[k].
  PermuteForward(n, imap, graph->where, aux);
  graph->nvtxs = n;
  graph->nislands = 0;

  // A level that reads another record's structure never writes it: only its
  // partition goes back to the first numbering. The record is then done
  // with, as nothing reads its structure after its run.
  if (graph->netind.Borrowed()) {
    ZBfree__(&imap, &aux);
    return;
  }

  const int npins = graph->netptr[graph->nhedges];
  for (int j = 0; j < npins; ++j) graph->netind[j] = imap[graph->netind[j]];

  PermuteForward(n, imap, graph->cellwgt, aux);
  PermuteForward(n, imap, graph->adjwgt, aux);

  // Incidence lists already lie in the first vertex order inside incind; only
  // their starts must be spread out again, with empty lists for the islands.
  int *incptr = graph->incptr;
  aux[0] = 0;
  for (int v = 0; v < n; ++v) {
    const int k = islandmap[v];
    aux[v + 1] = k < nkept ? incptr[k + 1] - incptr[k] : 0;
  }
  for (int v = 0; v < n; ++v) aux[v + 1] += aux[v];
  std::copy(aux, aux + n + 1, incptr);
  ZBfree__(&imap, &aux);
}
