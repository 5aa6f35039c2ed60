// Partition statistics: part weights, external degrees, cut, sum of external
// degrees, connectivity minus one, scaled cost, absorption and imbalance,
// computed from scratch on the
// hypergraph as read, independently of what the partitioner reports.
#include <algorithm>
#include <cstdio>

#include "hgraph/hgraph.h"

namespace {

inline int NetWeight(const int *netwgt, int e) { return netwgt ? netwgt[e] : 1; }

// Counts the pins of hyperedge e per part into pdegrees and lists the parts it
// touches in parts[0..return value-1]; true when the hyperedge is cut, that is
// when not all its pins lie in the part of its first pin.
bool CountPartPins(int e, const int *netptr, const int *netind, const int *where, int *pdegrees,
                   int *parts, int &nparts_touched) {
  nparts_touched = 0;
  for (int j = netptr[e]; j < netptr[e + 1]; ++j) {
    int p = where[netind[j]];
    if (pdegrees[p]++ == 0) parts[nparts_touched++] = p;
  }
  int size = netptr[e + 1] - netptr[e];
  return size > 0 && pdegrees[where[netind[netptr[e]]]] != size;
}

void PrintSummary(int nparts, const PartStatistics &s, const int *pwgts, const int *pcuts) {
  printf("\n --------------------------------------------------------------------------");
  printf("\n  Summary for the %d-way partition:", nparts);
  printf("\n                Hyperedge Cut:%10d\t\t(minimize)", s.cut);
  printf("\n      Sum of External Degrees:%10lld\t\t(minimize)", s.soed);
  printf("\n                  Scaled Cost:%10.2e\t\t(minimize)", s.scaledcost);
  printf("\n                   Absorption:%10.2f\t\t(maximize)", s.absorption);
  printf("\n\n      Partition Sizes & External Degrees:\n\t");
  for (int p = 0; p < nparts; ++p) {
    printf("%6d[%4d] ", pwgts[p], pcuts[p]);
    if ((p + 1) % 5 == 0) printf("\n\t");
  }
  fflush(stdout);
}

}  // namespace

PartStatistics ComputePartStatistics(int nvtxs, int nhedges, int nparts, const int *netptr,
                                     const int *netind, const int *netwgt, const int *cellwgt,
                                     const int *where, int *pwgts, int *pcuts) {
  int *pdegrees = ismalloc__(nparts, 0, "ComputePartCuts: pdegrees");
  int *parts = imalloc__(nparts, "PrintPartStatistics: parts");
  iset__(nparts, 0, pwgts);
  iset__(nparts, 0, pcuts);
  ComputePartWeights(nvtxs, cellwgt, where, pwgts);

  PartStatistics s;
  for (int e = 0; e < nhedges; ++e) {
    int ntouched;
    bool cut = CountPartPins(e, netptr, netind, where, pdegrees, parts, ntouched);
    if (!cut) {
      s.absorption += 1;
    } else {
      int w = NetWeight(netwgt, e), size = netptr[e + 1] - netptr[e];
      s.cut += w;
      // The single-precision sum takes the terms in increasing part order.
      iintsort__(ntouched, parts);
      for (int k = 0; k < ntouched; ++k) {
        int p = parts[k];
        pcuts[p] += w;
        s.absorption += 1.0 * (pdegrees[p] - 1) / (size - 1);
      }
    }
    for (int k = 0; k < ntouched; ++k) pdegrees[parts[k]] = 0;
  }

  // An empty part gives 0/0 here, and the scaled cost is then not a number.
  float sum = 0.0f;
  for (int p = 0; p < nparts; ++p) {
    s.soed += pcuts[p];
    sum += 1.0 * pcuts[p] / pwgts[p];
  }
  s.scaledcost = static_cast<float>(sum / (1.0 * nvtxs * (nparts - 1)));
  // Each cut hyperedge counts once per part it touches in the SOED and once
  // in the cut.
  s.km1 = s.soed - s.cut;
  long long total = 0;
  int heaviest = 0;
  for (int p = 0; p < nparts; ++p) {
    total += pwgts[p];
    heaviest = std::max(heaviest, pwgts[p]);
  }
  const long long ceilavg = (total + nparts - 1) / nparts;
  if (ceilavg > 0) s.imbalance = static_cast<double>(heaviest) / static_cast<double>(ceilavg) - 1.0;
  ZBfree__(&pdegrees, &parts);
  return s;
}

PartStatistics PrintPartStatistics(int nvtxs, int nhedges, int nparts, const int *netptr, const int *netind,
                                   const int *netwgt, const int *cellwgt, const int *where) {
  int *pwgts = imalloc__(nparts, "ComputePartCuts: pwgts");
  int *pcuts = imalloc__(nparts, "ComputePartCuts: pcuts");
  const PartStatistics s = ComputePartStatistics(nvtxs, nhedges, nparts, netptr, netind, netwgt,
                                                 cellwgt, where, pwgts, pcuts);
  PrintSummary(nparts, s, pwgts, pcuts);
  ZBfree__(&pwgts, &pcuts);
  return s;
}

void ComputePartWeights(int nvtxs, const int *cellwgt, const int *where, int *pwgts) {
  for (int v = 0; v < nvtxs; ++v) pwgts[where[v]] += cellwgt ? cellwgt[v] : 1;
}

void ComputePartCuts(int nhedges, int nparts, const int *netptr, const int *netind, const int *netwgt,
                     const int *where, int *pcuts) {
  int *pdegrees = ismalloc__(nparts, 0, "ComputePartCuts: pdegrees");
  int *parts = imalloc__(nparts, "ComputePartCuts: parts");
  iset__(nparts, 0, pcuts);
  for (int e = 0; e < nhedges; ++e) {
    int ntouched;
    bool cut = CountPartPins(e, netptr, netind, where, pdegrees, parts, ntouched);
    for (int k = 0; k < ntouched; ++k) {
      if (cut) pcuts[parts[k]] += NetWeight(netwgt, e);
      pdegrees[parts[k]] = 0;
    }
  }
  ZBfree__(&pdegrees, &parts);
}
