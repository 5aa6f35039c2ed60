// Diagnostic writers for debugging: dumps of a hypergraph or a partition on
// standard output, and hypergraph files that the reader reads back.
#include <cstdio>
#include <string>

#include "hgraph/hgraph.h"

void DumpHGraph(const HGraph *graph) {
  printf("--------------------------\n");
  printf("%d %d\n", graph->nhedges, graph->nvtxs);
  for (int e = 0; e < graph->nhedges; ++e) {
    printf("\n[%d]", graph->netwgt[e]);
    for (int j = graph->netptr[e]; j < graph->netptr[e + 1]; ++j) printf(" %d", graph->netind[j] + 1);
  }
  printf("\n--------------------------\n");
  fflush(stdout);
}

// Per part, the cut hyperedges with at least one pin in it; present[p] is
// stamped with the hyperedge that last counted part p.
void Print_Pins(const HGraph *graph, const int *where, int nparts) {
  int *pins = ismalloc__(nparts, 0, "Print_Pins:pins");
  int *present = ismalloc__(nparts, -1, "Print_Pins:present");
  const int *netptr = graph->netptr, *netind = graph->netind;
  for (int e = 0; e < graph->nhedges; ++e) {
    if (netptr[e] == netptr[e + 1]) continue;
    int first = where[netind[netptr[e]]];
    bool cut = false;
    for (int j = netptr[e] + 1; j < netptr[e + 1] && !cut; ++j) cut = where[netind[j]] != first;
    if (!cut) continue;
    for (int j = netptr[e]; j < netptr[e + 1]; ++j) {
      int p = where[netind[j]];
      if (present[p] != e) {
        present[p] = e;
        pins[p]++;
      }
    }
  }
  printf("Number of Pins for each partition are: \n");
  for (int p = 0; p < nparts; ++p) printf("%d ", pins[p]);
  printf("\nTotal number of pins = %d\n", iasum__(nparts, pins));
  fflush(stdout);
  ZBfree__(&pins, &present);
}

// Writes new.hgr without the vertices that no hyperedge touches; the others
// are renumbered consecutively in their order. No weights.
void WriteConnectedHGraph(const HGraph *graph) {
  int *cellmap = imalloc__(graph->nvtxs, "WriteConnectedHGraph: cellmap");
  int nconnected = 0;
  for (int v = 0; v < graph->nvtxs; ++v)
    cellmap[v] = graph->incptr[v + 1] > graph->incptr[v] ? nconnected++ : -1;

  FILE *fp = ZBfopen__("new.hgr", "w", "Can't open output file");
  fprintf(fp, "%d %d", graph->nhedges, nconnected);
  for (int e = 0; e < graph->nhedges; ++e) {
    fprintf(fp, "\n");
    for (int j = graph->netptr[e]; j < graph->netptr[e + 1]; ++j) fprintf(fp, " %d", cellmap[graph->netind[j]] + 1);
  }
  ZBfclose__(fp);
  ZBfree__(&cellmap);
}

// Writes hgr.<nvtxs> with both kinds of weights (format code 11).
void WriteHGraph(const HGraph *graph) {
  std::string name = "hgr." + std::to_string(graph->nvtxs);
  FILE *fp = ZBfopen__(name.c_str(), "w", "Can't open output file");
  fprintf(fp, "%d %d 11", graph->nhedges, graph->nvtxs);
  for (int e = 0; e < graph->nhedges; ++e) {
    fprintf(fp, "\n%d", graph->netwgt[e]);
    for (int j = graph->netptr[e]; j < graph->netptr[e + 1]; ++j) fprintf(fp, " %d", graph->netind[j] + 1);
  }
  for (int v = 0; v < graph->nvtxs; ++v) fprintf(fp, "\n%d", graph->cellwgt[v]);
  ZBfclose__(fp);
}
