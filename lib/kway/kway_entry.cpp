// The k-way entry points of the library: direct k-way partitioning and the
// refinement of a given k-way partition. Both work on a private copy of the
// caller's arrays; only part and *edgecut are written.
#include "kway/kway.h"
#include "rb/rb.h"
#include "zorbel.h"

int RunKway__(const Options &opt, int nvtxs, int nhedges, const int *vwgts, const int *eptr,
              const int *eind, const int *hewgts, int *part, ProgressSink *progress) {
  CtrlType ctrl = CallCtrl__(opt);
  ctrl.progress = progress;
  // What runs after the trials runs with nothing beside it.
  ctrl.alone = true;

  BeginCall__(ctrl);
  // Owned, so that an error handler that throws out of the call frees it.
  const HGraphOwner copy(CallerHGraph__(nvtxs, nhedges, vwgts, eptr, eind, hewgts));
  HGraph *graph = copy.get();
  graph->nfixed = 0;  // no anchors in k-way partitioning

  int value = 0;
  StartTimer(&ctrl, &PhaseTimers::MultilevelTmr);
  InParallel__([&] { value = MultilevelKwayPartition__(&ctrl, graph, part); });
  ProgressStage__(ctrl.progress, ZORBEL_STAGE_DONE);
  StopTimer(&ctrl, &PhaseTimers::MultilevelTmr);

  EndCall__(ctrl);
  return value;
}

extern "C" void ZORBEL_PartKway(int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                                const int *eind, const int *hewgts, int nparts, int UBfactor,
                                const int *options, int *part, int *edgecut) {
  const Options opt = ReadOptions__(EntryKind::Kway, nvtxs, nparts, UBfactor, options);
  CheckCallerCall__("ZORBEL_PartKway", nvtxs, nhedges, vwgts, eptr, eind, hewgts, nparts, part,
                    edgecut);
  const ProgressOwner progress = BeginProgress__(ZORBEL_STAGE_KWAY_TRIALS, 0, opt.Nruns);
  *edgecut = RunKway__(opt, nvtxs, nhedges, vwgts, eptr, eind, hewgts, part, progress.get());
}

extern "C" void ZORBEL_KWayRefine(int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                                  const int *eind, const int *hewgts, int nparts,
                                  int UBfactor, const int *options, int *part, int *edgecut) {
  const Options opt = ReadOptions__(EntryKind::KwayRefine, nvtxs, nparts, UBfactor, options);
  CheckCallerCall__("ZORBEL_KWayRefine", nvtxs, nhedges, vwgts, eptr, eind, hewgts, nparts, part,
                    edgecut);
  // Every routine behind this one indexes per-part arrays by these numbers.
  CheckCallerParts__("ZORBEL_KWayRefine", "part", nvtxs, part, 0, nparts - 1);
  CtrlType ctrl = CallCtrl__(opt);
  // The refinement is the call's only work: its coarsening has the threads.
  ctrl.alone = true;

  BeginCall__(ctrl);
  // Owned, so that an error handler that throws out of the call frees it.
  const HGraphOwner copy(CallerHGraph__(nvtxs, nhedges, vwgts, eptr, eind, hewgts));
  HGraph *graph = copy.get();
  graph->nfixed = 0;  // no anchors in k-way partitioning
  CreateIncidentHGraph__(graph);
  AllocateKwayRefinementMemory__(&ctrl, graph);
  icopy__(nvtxs, part, graph->where);

  StartTimer(&ctrl, &PhaseTimers::MultilevelTmr);
  // A cut pass first, whatever the objective; the V-cycles then follow it.
  InParallel__([&] {
    RefineCutKway_Random__(&ctrl, graph, 10);
    ReleaseRunState__(graph);
    VCycleRefinementKway__(&ctrl, graph, 10);
  });
  StopTimer(&ctrl, &PhaseTimers::MultilevelTmr);

  icopy__(nvtxs, graph->where, part);
  *edgecut = graph->mincut;
  EndCall__(ctrl);
}
