// Partition quality measured from scratch, independently of the figures that
// refinement keeps up to date incrementally.
#include <algorithm>

#include "kway/kway.h"

int ComputeActualCut__(const HGraph *graph, const int *where) {
  const int *netptr = graph->netptr, *netind = graph->netind, *netwgt = graph->netwgt;
  int cut = 0;
  for (int e = 0; e < graph->nhedges; e++) {
    if (netptr[e + 1] - netptr[e] < 2) continue;  // a lone pin is never cut
    const int side = where[netind[netptr[e]]];
    for (int j = netptr[e] + 1; j < netptr[e + 1]; j++) {
      if (where[netind[j]] != side) {
        cut += netwgt[e];
        break;
      }
    }
  }
  return cut;
}

int ComputeActualSOED__(const HGraph *graph, const int *where) {
  const int *netptr = graph->netptr, *netind = graph->netind, *netwgt = graph->netwgt;
  // Without vertices there is no part to look up; the table still exists.
  const int maxpart = graph->nvtxs > 0 ? where[iamax__(graph->nvtxs, where)] : 0;

  // htable[p] holds the last hyperedge that met part p; hyperedge numbers only
  // grow, so the table never needs clearing.
  int *htable = ismalloc__(maxpart + 1, -1, "htable");
  int soed = 0;
  for (int e = 0; e < graph->nhedges; e++) {
    int nparts = 0;
    for (int j = netptr[e]; j < netptr[e + 1]; j++) {
      const int p = where[netind[j]];
      if (htable[p] != e) {
        htable[p] = e;
        nparts++;
      }
    }
    if (nparts > 1) soed += nparts * netwgt[e];
  }
  ZBfree__(&htable);
  return soed;
}

float ComputeBalance__(const HGraph *graph, const int *where) {
  int pwgts[2] = {0, 0};
  for (int v = 0; v < graph->nvtxs; v++) pwgts[where[v]] += graph->cellwgt[v];
  return static_cast<float>(std::min(pwgts[0], pwgts[1]) * 1.0 / (pwgts[0] + pwgts[1]));
}
