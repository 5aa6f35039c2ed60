// The recursive-bisection entry points of the library.
#include "zorbel.h"

#include <memory>
#include <utility>

#include "rb/rb.h"
#include "refine2/refine2.h"

namespace {

// A public call (streamKey NULL) derives its streams from its seed slot; a
// phase of another call from the key that call gives it. A phase of a call
// under part limits keeps them.
void PartRecursive(const char *who, EntryKind entry, int nvtxs, int nhedges, const int *vwgts,
                   const int *eptr, const int *eind, const int *hewgts, int nparts, int UBfactor,
                   const int *options, int *part, int *edgecut, const uint64_t *streamKey,
                   std::shared_ptr<const PartLimits> limits = nullptr) {
  Options opt = ReadOptions__(entry, nvtxs, nparts, UBfactor, options);
  opt.limits = std::move(limits);
  // The k-way finish keeps a sum of external degrees, and with reconstructed
  // hyperedges the bisections' cuts add up to as much.
  const bool soed = (opt.KwayFinish == 1 && nparts > 2) || opt.Reconst == 1;
  CheckCallerCall__(who, nvtxs, nhedges, vwgts, eptr, eind, hewgts, soed ? nparts : 0, part,
                    edgecut);
  if (opt.Fixed == 1) CheckCallerParts__(who, "pre-assigned part", nvtxs, part, -1, nparts - 1);
  // A phase's progress is its caller's, which reports it in its own terms.
  const ProgressOwner progress =
      streamKey == nullptr ? BeginProgress__(ZORBEL_STAGE_BISECTIONS, nparts - 1, opt.Nruns)
                           : nullptr;
  *edgecut = RunRecursive__(opt, nvtxs, nhedges, vwgts, eptr, eind, hewgts, part, progress.get(),
                            streamKey);
}

}  // namespace

int RunRecursive__(const Options &opt, int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                   const int *eind, const int *hewgts, int *part, ProgressSink *progress,
                   const uint64_t *streamKey) {
  CtrlType ctrl = CallCtrl__(opt);
  if (streamKey != nullptr) ctrl.streamKey = *streamKey;
  ctrl.progress = progress;
  // A public call's first bisection, the V-cycles after its trials and its
  // k-way pass run with nothing beside them; a phase of another call may run
  // beside that call's other tasks.
  ctrl.alone = streamKey == nullptr;
  BeginCall__(ctrl);

  // Owned, so that an error handler that throws out of the call frees it.
  const HGraphOwner copy(CallerHGraph__(nvtxs, nhedges, vwgts, eptr, eind, hewgts));
  HGraph *graph = copy.get();
  int cut = 0;
  StartTimer(&ctrl, &PhaseTimers::MultilevelTmr);
  InParallel__([&] { cut = MultilevelPartition__(&ctrl, graph, part); });
  ProgressStage__(ctrl.progress, ZORBEL_STAGE_DONE);
  StopTimer(&ctrl, &PhaseTimers::MultilevelTmr);
  EndCall__(ctrl);
  return cut;
}

void CheckCallerCall__(const char *who, int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                       const int *eind, const int *hewgts, int nparts, const int *part,
                       const int *edgecut) {
  CheckHGraphInput__(who, nvtxs, nhedges, vwgts, eptr, eind, hewgts, nparts);
  if (nvtxs > 0) RequireCallerArray__(who, "part", part);
  RequireCallerArray__(who, "edgecut", edgecut);
}

// The library's record of the caller's hypergraph, with unit weights where
// the caller gave none. The caller's arrays are only ever read: the record
// reads them in place (a routine that writes into the structure takes a copy
// first, see ZBArray::Own), except that a vertex listed twice in one
// hyperedge is kept once, at its first place, as the file reader keeps it, in
// pin lists of the record's own.
HGraph *CallerHGraph__(int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                       const int *eind, const int *hewgts) {
  HGraph *graph = CreateHGraph__();
  graph->nvtxs = nvtxs;
  graph->nhedges = nhedges;
  if (vwgts) {
    graph->cellwgt.Borrow(vwgts);
  } else {
    graph->cellwgt = imalloc__(nvtxs, "ZORBEL: graph->cellwgt");
    iset__(nvtxs, 1, graph->cellwgt);
  }
  if (hewgts) {
    graph->netwgt.Borrow(hewgts);
  } else {
    graph->netwgt = imalloc__(nhedges, "ZORBEL: graph->netwgt");
    iset__(nhedges, 1, graph->netwgt);
  }

  int *marker = ismalloc__(nvtxs, -1, "ZORBEL: marker");
  bool repeated = false;
  for (int e = 0; e < nhedges && !repeated; ++e)
    for (int j = eptr[e]; j < eptr[e + 1]; ++j) {
      repeated |= marker[eind[j]] == e;
      marker[eind[j]] = e;
    }
  if (!repeated) {
    ZBfree__(&marker);
    graph->netptr.Borrow(eptr);
    graph->netind.Borrow(eind);
    return graph;
  }

  int *netptr = graph->netptr = imalloc__(static_cast<size_t>(nhedges) + 1, "ZORBEL: graph->netptr");
  int *netind = graph->netind = imalloc__(eptr[nhedges], "ZORBEL: graph->netind");
  iset__(nvtxs, -1, marker);
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

void BeginCall__(const CtrlType &ctrl) {
  if (IsSet(ctrl.dbglvl, DBG_TIME)) {
    InitTimers__(&ctrl);
    StartTimer(&ctrl, &PhaseTimers::TotalTmr);
  }
}

void EndCall__(const CtrlType &ctrl) {
  StopTimer(&ctrl, &PhaseTimers::TotalTmr);
  if (IsSet(ctrl.dbglvl, DBG_TIME)) PrintTimers__(&ctrl, 0);
}

void CheckCallerParts__(const char *caller, const char *what, int nvtxs, const int *part, int lo,
                        int hi) {
  for (int i = 0; i < nvtxs; ++i)
    if (part[i] < lo || part[i] > hi)
      errexit__("%s: %s %d of vertex %d lies outside %d..%d.\n", caller, what, part[i], i, lo, hi);
}

void PartRecursivePhase__(uint64_t streamKey, int nvtxs, int nhedges, const int *vwgts,
                          const int *eptr, const int *eind, const int *hewgts, int nparts,
                          int UBfactor, const int *options, int *part, int *edgecut,
                          std::shared_ptr<const PartLimits> limits) {
  PartRecursive("ZORBEL_PartRecursiveInternal", EntryKind::RecursiveInternal, nvtxs, nhedges,
                vwgts, eptr, eind, hewgts, nparts, UBfactor, options, part, edgecut, &streamKey,
                std::move(limits));
}

extern "C" {

void ZORBEL_PartRecursive(int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                          const int *eind, const int *hewgts, int nparts, int UBfactor,
                          const int *options, int *part, int *edgecut) {
  PartRecursive("ZORBEL_PartRecursive", EntryKind::Recursive, nvtxs, nhedges, vwgts, eptr, eind,
                hewgts, nparts, UBfactor, options, part, edgecut, nullptr);
}

void ZORBEL_PartRecursiveInternal(int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                                  const int *eind, const int *hewgts, int nparts, int UBfactor,
                                  const int *options, int *part, int *edgecut) {
  PartRecursive("ZORBEL_PartRecursiveInternal", EntryKind::RecursiveInternal, nvtxs, nhedges,
                vwgts, eptr, eind, hewgts, nparts, UBfactor, options, part, edgecut, nullptr);
}

void ZORBEL_2WayRefine(int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                       const int *eind, const int *hewgts, int UBfactor, const int *options,
                       int *part, int *edgecut) {
  const Options opt = ReadOptions__(EntryKind::TwoWayRefine, nvtxs, 2, UBfactor, options);
  CheckCallerCall__("ZORBEL_2WayRefine", nvtxs, nhedges, vwgts, eptr, eind, hewgts, 0, part,
                    edgecut);
  CheckCallerParts__("ZORBEL_2WayRefine", "part", nvtxs, part, 0, 1);
  const CtrlType ctrl = CallCtrl__(opt);
  BeginCall__(ctrl);

  // Owned, so that an error handler that throws out of the call frees it.
  const HGraphOwner copy(CallerHGraph__(nvtxs, nhedges, vwgts, eptr, eind, hewgts));
  HGraph *graph = copy.get();
  graph->nfixed = 0;
  StartTimer(&ctrl, &PhaseTimers::MultilevelTmr);
  CreateIncidentHGraph__(graph);
  AllocateRefinementMemory__(graph);
  icopy__(nvtxs, part, graph->where);
  Refine_FM__(&ctrl, graph, 10);
  icopy__(nvtxs, graph->where, part);
  *edgecut = graph->mincut;
  StopTimer(&ctrl, &PhaseTimers::MultilevelTmr);
  EndCall__(ctrl);
}

}  // extern "C"
