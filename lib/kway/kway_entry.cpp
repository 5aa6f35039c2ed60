// The k-way entry points of the library: direct k-way partitioning and the
// refinement of a given k-way partition. Both work on a private copy of the
// caller's arrays; only part and *edgecut are written.
#include <algorithm>

#include "kway/kway.h"
#include "rb/rb.h"
#include "zorbel.h"

namespace {

// The k-way balance bounds the heaviest part relative to the average part,
// never tighter than 5 per cent.
float KwayUBfactor(int UBfactor) {
  return static_cast<float>(std::max(UBfactor * 1.0 / 100.0 + 1.0, 1.05));
}

}  // namespace

// The k-way entries read neither the reconstruction nor the fixed-vertex slot.
void SetupKwayCtrl__(CtrlType *ctrl, int nparts, int UBfactor, const int *options) {
  *ctrl = CtrlType{};
  ctrl->nparts = nparts;
  ctrl->ubfactor = KwayUBfactor(UBfactor);
  TakeOptions__(*ctrl, options, false);
  ctrl->MaxNetSize = 50;
}

// About 200 vertices per part, but always at least one step below the
// hypergraph itself.
int KwayCoarsenTo__(int nvtxs, int nparts) {
  return static_cast<int>(std::min(200LL * nparts, nvtxs - 1LL));
}

namespace {

void CheckKwayOptions(const CtrlType *ctrl, int nvtxs, int nparts, int UBfactor) {
  if (nparts < 2) errexit__("Nparts should be at least 2.\n");
  if (UBfactor < 5) errexit__("UBfactor should be greater than 5.\n");
  if (ctrl->Nruns < 1) errexit__("Nruns should be at least 1.\n");
  if (ctrl->CType < 1 || ctrl->CType > 5) errexit__("Ctype should be between 1 and 5.\n");
  if (ctrl->RType < 1 || ctrl->RType > 2) errexit__("Rtype should be between 1 and 2.\n");
  if (ctrl->VCycle < 0 || ctrl->VCycle > 3) errexit__("Vcycle should be between 0 and 3.\n");
  // Coarsening aims at fewer vertices than the hypergraph has, and the
  // vertex-weight limit divides by that aim: it must be at least 1.
  if (nvtxs < 2) errexit__("Cannot partition a hypergraph with %d vertices.\n", nvtxs);
}

}  // namespace

extern "C" void ZORBEL_PartKway(int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                                const int *eind, const int *hewgts, int nparts, int UBfactor,
                                const int *options, int *part, int *edgecut) {
  CtrlType ctrl;
  SetupKwayCtrl__(&ctrl, nparts, UBfactor, options);
  ctrl.CoarsenTo = KwayCoarsenTo__(nvtxs, nparts);
  CheckKwayOptions(&ctrl, nvtxs, nparts, UBfactor);
  CheckCallerCall__("ZORBEL_PartKway", nvtxs, nhedges, vwgts, eptr, eind, hewgts, nparts, part,
                    edgecut);

  BeginCall__(ctrl);
  HGraph *graph = CopyCallerHGraph__(nvtxs, nhedges, vwgts, eptr, eind, hewgts);
  graph->nfixed = 0;  // no anchors in k-way partitioning

  StartTimer(&ctrl, ctrl.MultilevelTmr);
  *edgecut = MultilevelKwayPartition__(&ctrl, graph, part);
  StopTimer(&ctrl, ctrl.MultilevelTmr);

  EndCall__(ctrl);
  FreeHGraph__(graph);
}

extern "C" void ZORBEL_KWayRefine(int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                                  const int *eind, const int *hewgts, int nparts,
                                  int UBfactor, const int *options, int *part, int *edgecut) {
  CtrlType ctrl;
  SetupKwayCtrl__(&ctrl, nparts, UBfactor, options);
  ctrl.CoarsenTo = 100;
  ctrl.TargetFrac = 0.5;
  CheckCallerCall__("ZORBEL_KWayRefine", nvtxs, nhedges, vwgts, eptr, eind, hewgts, nparts, part,
                    edgecut);
  // Every routine behind this one indexes per-part arrays by these numbers.
  CheckCallerParts__("ZORBEL_KWayRefine", "part", nvtxs, part, 0, nparts - 1);

  BeginCall__(ctrl);
  HGraph *graph = CopyCallerHGraph__(nvtxs, nhedges, vwgts, eptr, eind, hewgts);
  graph->nfixed = 0;  // no anchors in k-way partitioning
  CreateIncidentHGraph__(graph);
  AllocateKwayRefinementMemory__(&ctrl, graph);
  icopy__(nvtxs, part, graph->where);

  StartTimer(&ctrl, ctrl.MultilevelTmr);
  // A cut pass first, whatever the objective; the V-cycles then follow it.
  RefineCutKway_Random__(&ctrl, graph, 10);
  ZBfree__(&graph->nrinfo, &graph->crinfo, &graph->crdata, &graph->nrdata, &graph->kpwgts,
           &graph->islandmap);
  VCycleRefinementKway__(&ctrl, graph, 10);
  StopTimer(&ctrl, ctrl.MultilevelTmr);

  icopy__(nvtxs, graph->where, part);
  *edgecut = graph->mincut;
  EndCall__(ctrl);
  FreeHGraph__(graph);
}
