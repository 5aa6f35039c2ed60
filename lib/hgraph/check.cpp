// Checks of a hypergraph given as arrays, shared by the file reader and the
// library's entry points: the structure every routine indexes by. Each check runs in
// time linear in the hypergraph and ends the run with one line that names the
// offending array, position and value.
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

}  // namespace

void RequireCallerArray__(const char *who, const char *name, const void *array) {
  if (array == nullptr) errexit__("%s: %s is NULL.\n", who, name);
}

void CheckHGraphInput__(const char *who, int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                        const int *eind, const int *hewgts) {
  CheckStructure(who, nvtxs, nhedges, eptr, eind);
  CheckWeights(who, "vwgts", nvtxs, vwgts);
  CheckWeights(who, "hewgts", nhedges, hewgts);
}
