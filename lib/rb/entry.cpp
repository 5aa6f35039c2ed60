// The recursive-bisection entry points of the library.
#include "zorbel.h"

#include "rb/rb.h"
#include "refine2/refine2.h"

namespace {

void SetupCtrl(CtrlType &ctrl, int nparts, int UBfactor, const int *options,
               bool takeSplitSlots) {
  ctrl = CtrlType{};
  ctrl.nparts = nparts;
  ctrl.ubfactor = (float)(UBfactor * 1.0 / 100.0);
  TakeOptions__(ctrl, options, takeSplitSlots);
  ctrl.CoarsenTo = 100;
  ctrl.MaxNetSize = 50;
}

void CheckOptions(const CtrlType &ctrl, int UBfactor) {
  if (ctrl.nparts < 2) errexit__("Nparts should be at least 2.\n");
  if (UBfactor < 1 || UBfactor > 49) errexit__("UBfactor should be between 1 and 49.\n");
  if (ctrl.Nruns < 1) errexit__("Nruns should be at least 1.\n");
  if (ctrl.CType < 1 || ctrl.CType > 5) errexit__("Ctype should be between 1 and 5.\n");
  if (ctrl.RType < 1 || ctrl.RType > 3) errexit__("Rtype should be between 1 and 3.\n");
  if (ctrl.VCycle < 0 || ctrl.VCycle > 3) errexit__("Vcycle should be between 0 and 3.\n");
  if (ctrl.Reconst < 0 || ctrl.Reconst > 1) errexit__("Reconst should be between 0 and 1.\n");
  if (ctrl.Fixed < 0 || ctrl.Fixed > 1) errexit__("Fixed should be between 0 and 1.\n");
}

// A public call (rng NULL) takes up the process's stream; a phase of another
// call uses that call's stream and hands it back advanced.
void PartRecursive(const char *who, int nvtxs, int nhedges, const int *vwgts, const int *eptr, const int *eind,
                   const int *hewgts, int nparts, int UBfactor, const int *options, int *part,
                   int *edgecut, int kwayFinish, RandomStream *rng) {
  CtrlType ctrl;
  SetupCtrl(ctrl, nparts, UBfactor, options, true);
  ctrl.KwayFinish = kwayFinish;
  CheckOptions(ctrl, UBfactor);
  // The k-way finish keeps a sum of external degrees, and with reconstructed
  // hyperedges the bisections' cuts add up to as much.
  const bool soed = (kwayFinish == 1 && nparts > 2) || ctrl.Reconst == 1;
  CheckCallerCall__(who, nvtxs, nhedges, vwgts, eptr, eind, hewgts, soed ? nparts : 0, part,
                    edgecut);
  if (ctrl.Fixed == 1) CheckCallerParts__(who, "pre-assigned part", nvtxs, part, -1, nparts - 1);
  BeginCall__(ctrl, rng);

  HGraph *graph = CopyCallerHGraph__(nvtxs, nhedges, vwgts, eptr, eind, hewgts);
  StartTimer(&ctrl, ctrl.MultilevelTmr);
  *edgecut = MultilevelPartition__(&ctrl, graph, part);
  StopTimer(&ctrl, ctrl.MultilevelTmr);
  EndCall__(ctrl, rng);

  FreeHGraph__(graph);
}

}  // namespace

// Options of the call: slots 1-8 when options is given and its slot 0 asks
// for them, else the defaults. Reconstruction and fixed vertices are taken
// only by the partitioning entries of recursive bisection.
void TakeOptions__(CtrlType &ctrl, const int *options, bool takeSplitSlots) {
  bool given = options != nullptr && options[0] != 0;
  ctrl.Nruns = given ? options[1] : 10;
  ctrl.CType = given ? options[2] : 1;
  ctrl.RType = given ? options[3] : 1;
  ctrl.VCycle = given ? options[4] : 1;
  ctrl.Reconst = given && takeSplitSlots ? options[5] : 0;
  ctrl.Fixed = given && takeSplitSlots ? options[6] : 0;
  ctrl.Seed = given ? options[7] : -1;
  ctrl.dbglvl = given ? options[8] : 0;
}

void CheckCallerCall__(const char *who, int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                       const int *eind, const int *hewgts, int nparts, const int *part,
                       const int *edgecut) {
  CheckHGraphInput__(who, nvtxs, nhedges, vwgts, eptr, eind, hewgts, nparts);
  if (nvtxs > 0) RequireCallerArray__(who, "part", part);
  RequireCallerArray__(who, "edgecut", edgecut);
}

// The library's own copy of the caller's hypergraph, with unit weights where
// the caller gave none: the caller's arrays are only ever read. A vertex
// listed twice in one hyperedge is kept once, at its first place, as the
// file reader keeps it.
HGraph *CopyCallerHGraph__(int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                         const int *eind, const int *hewgts) {
  HGraph *graph = CreateHGraph__();
  graph->nvtxs = nvtxs;
  graph->nhedges = nhedges;
  graph->cellwgt = imalloc__(nvtxs, "ZORBEL: graph->cellwgt");
  if (vwgts) icopy__(nvtxs, vwgts, graph->cellwgt);
  else iset__(nvtxs, 1, graph->cellwgt);
  graph->netwgt = imalloc__(nhedges, "ZORBEL: graph->netwgt");
  if (hewgts) icopy__(nhedges, hewgts, graph->netwgt);
  else iset__(nhedges, 1, graph->netwgt);

  int *netptr = graph->netptr = imalloc__(static_cast<size_t>(nhedges) + 1, "ZORBEL: graph->netptr");
  int *netind = graph->netind = imalloc__(eptr[nhedges], "ZORBEL: graph->netind");
  int *marker = ismalloc__(nvtxs, -1, "ZORBEL: marker");
  int npins = 0;
  netptr[0] = 0;
  for (int e = 0; e < nhedges; ++e) {
    for (int j = eptr[e]; j < eptr[e + 1]; ++j) {
      const int v = eind[j];
      if (marker[v] == e) continue;
      marker[v] = e;
      netind[npins++] = v;
    }
    netptr[e + 1] = npins;
  }
  ZBfree__(&marker);
  return graph;
}

void BeginCall__(CtrlType &ctrl, const RandomStream *callerStream) {
  if (callerStream != nullptr)
    ctrl.ctx.rng = *callerStream;
  else
    TakeUpProcessStream__(&ctrl.ctx.rng);
  if (IsSet(ctrl.dbglvl, DBG_TIME)) {
    InitTimers__(&ctrl);
    StartTimer(&ctrl, ctrl.TotalTmr);
  }
}

void EndCall__(CtrlType &ctrl, RandomStream *callerStream) {
  StopTimer(&ctrl, ctrl.TotalTmr);
  if (IsSet(ctrl.dbglvl, DBG_TIME)) PrintTimers__(&ctrl, 0);
  if (callerStream != nullptr)
    *callerStream = ctrl.ctx.rng;
  else
    PutBackProcessStream__(&ctrl.ctx.rng);
}

void CheckCallerParts__(const char *caller, const char *what, int nvtxs, const int *part, int lo,
                        int hi) {
  for (int i = 0; i < nvtxs; ++i)
    if (part[i] < lo || part[i] > hi)
      errexit__("%s: %s %d of vertex %d lies outside %d..%d.\n", caller, what, part[i], i, lo, hi);
}

void PartRecursivePhase__(RandomStream *rng, int nvtxs, int nhedges, const int *vwgts,
                          const int *eptr, const int *eind, const int *hewgts, int nparts,
                          int UBfactor, const int *options, int *part, int *edgecut) {
  PartRecursive("ZORBEL_PartRecursiveInternal", nvtxs, nhedges, vwgts, eptr, eind, hewgts,
                nparts, UBfactor, options, part, edgecut, 0, rng);
}

extern "C" {

void ZORBEL_PartRecursive(int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                          const int *eind, const int *hewgts, int nparts, int UBfactor,
                          const int *options, int *part, int *edgecut) {
  PartRecursive("ZORBEL_PartRecursive", nvtxs, nhedges, vwgts, eptr, eind, hewgts, nparts,
                UBfactor, options, part, edgecut, nparts <= 64 ? 1 : 0, nullptr);
}

void ZORBEL_PartRecursiveInternal(int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                                  const int *eind, const int *hewgts, int nparts, int UBfactor,
                                  const int *options, int *part, int *edgecut) {
  PartRecursive("ZORBEL_PartRecursiveInternal", nvtxs, nhedges, vwgts, eptr, eind, hewgts,
                nparts, UBfactor, options, part, edgecut, 0, nullptr);
}

void ZORBEL_2WayRefine(int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                       const int *eind, const int *hewgts, int UBfactor, const int *options,
                       int *part, int *edgecut) {
  CtrlType ctrl;
  SetupCtrl(ctrl, 2, UBfactor, options, false);
  ctrl.TargetFrac = 0.5f;
  CheckCallerCall__("ZORBEL_2WayRefine", nvtxs, nhedges, vwgts, eptr, eind, hewgts, 0, part,
                    edgecut);
  CheckCallerParts__("ZORBEL_2WayRefine", "part", nvtxs, part, 0, 1);
  BeginCall__(ctrl);

  HGraph *graph = CopyCallerHGraph__(nvtxs, nhedges, vwgts, eptr, eind, hewgts);
  graph->nfixed = 0;
  StartTimer(&ctrl, ctrl.MultilevelTmr);
  CreateIncidentHGraph__(graph);
  AllocateRefinementMemory__(graph);
  icopy__(nvtxs, part, graph->where);
  Refine_FM__(&ctrl, graph, 10);
  icopy__(nvtxs, graph->where, part);
  *edgecut = graph->mincut;
  StopTimer(&ctrl, ctrl.MultilevelTmr);
  EndCall__(ctrl);

  FreeHGraph__(graph);
}

}  // extern "C"
