// Checks of a hypergraph given as arrays, shared by the file reader and the
// library's entry points: the structure every routine indexes by, and the
// weight totals the partitioner's int arithmetic must hold. Each check runs in
// time linear in the hypergraph and ends the run with one line that names the
// offending array, position and value, or the limit that is exceeded.
#include <algorithm>
#include <climits>

#include "hgraph/hgraph.h"

namespace {

void CheckWeights(const char *who, const char *name, int n, const int *wgts) {
  if (wgts == nullptr) return;
  for (int i = 0; i < n; ++i)
    if (wgts[i] < 0) errexit__("%s: %s[%d] = %d is negative.\n", who, name, i, wgts[i]);
}

void CheckStructure(const char *who, int nvtxs, int nhedges, const int *eptr, const int *eind) {
  if (nvtxs < 0) errexit__("%s: nvtxs = %d is negative.\n", who, nvtxs);
  if (nhedges < 0) errexit__("%s: nhedges = %d is negative.\n", who, nhedges);
  RequireCallerArray__(who, "eptr", eptr);
  if (eptr[0] != 0) errexit__("%s: eptr[0] = %d is not 0.\n", who, eptr[0]);
  for (int e = 0; e < nhedges; ++e)
    if (eptr[e + 1] < eptr[e])
      errexit__("%s: eptr[%d] = %d lies below eptr[%d] = %d.\n", who, e + 1, eptr[e + 1], e,
                eptr[e]);
  const int npins = eptr[nhedges];
  if (npins > 0) RequireCallerArray__(who, "eind", eind);
  for (int j = 0; j < npins; ++j)
    if (eind[j] < 0 || eind[j] >= nvtxs)
      errexit__("%s: eind[%d] = %d lies outside 0..%d.\n", who, j, eind[j], nvtxs - 1);
}

long long Total(int n, const int *wgts) {
  if (wgts == nullptr) return n;
  long long total = 0;
  for (int i = 0; i < n; ++i) total += wgts[i];
  return total;
}

// The largest sum of external degrees a partition into nparts parts can
// have: every hyperedge counted once per part it can reach.
long long MaxSOED(int nhedges, const int *eptr, const int *hewgts, int nparts) {
  long long bound = 0;
  for (int e = 0; e < nhedges; ++e) {
    const long long reach = std::min(eptr[e + 1] - eptr[e], nparts);
    bound += reach * (hewgts ? hewgts[e] : 1);
  }
  return bound;
}

void CheckTotals(const char *who, int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                 const int *hewgts, int nparts) {
  const long long vtotal = Total(nvtxs, vwgts), htotal = Total(nhedges, hewgts);
  if (vtotal > kMaxTotalWeight)
    errexit__("%s: the total vertex weight %lld exceeds the limit %d.\n", who, vtotal,
              kMaxTotalWeight);
  if (htotal > kMaxTotalWeight)
    errexit__("%s: the total hyperedge weight %lld exceeds the limit %d.\n", who, htotal,
              kMaxTotalWeight);
  if (nparts > 0) {
    const long long soed = MaxSOED(nhedges, eptr, hewgts, nparts);
    if (soed > INT_MAX)
      errexit__("%s: the sum of external degrees into %d parts can reach %lld, past the limit %d.\n",
                who, nparts, soed, INT_MAX);
  }
}

}  // namespace

void RequireCallerArray__(const char *who, const char *name, const void *array) {
  if (array == nullptr) errexit__("%s: %s is NULL.\n", who, name);
}

void CheckHGraphInput__(const char *who, int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                        const int *eind, const int *hewgts, int nparts) {
  CheckStructure(who, nvtxs, nhedges, eptr, eind);
  CheckWeights(who, "vwgts", nvtxs, vwgts);
  CheckWeights(who, "hewgts", nhedges, hewgts);
  CheckTotals(who, nvtxs, nhedges, vwgts, eptr, hewgts, nparts);
}
