// The option slots of every entry point, read and checked in one place.
#include <algorithm>

#include "hgraph/ctrl.h"

namespace {

bool TakesSplitSlots(EntryKind kind) {
  return kind == EntryKind::Recursive || kind == EntryKind::RecursiveInternal;
}

bool IsKway(EntryKind kind) { return kind == EntryKind::Kway || kind == EntryKind::KwayRefine; }

// The recursive entries' checks, in the order their messages are promised.
void CheckRecursiveOptions(const Options &opt, int UBfactor) {
  if (opt.nparts < 2) errexit__("Nparts should be at least 2.\n");
  if (UBfactor < 1 || UBfactor > 49) errexit__("UBfactor should be between 1 and 49.\n");
  if (opt.Nruns < 1) errexit__("Nruns should be at least 1.\n");
  if (opt.CType < 1 || opt.CType > 5) errexit__("Ctype should be between 1 and 5.\n");
  if (opt.RType < 1 || opt.RType > 3) errexit__("Rtype should be between 1 and 3.\n");
  if (opt.VCycle < 0 || opt.VCycle > 3) errexit__("Vcycle should be between 0 and 3.\n");
  if (opt.Reconst < 0 || opt.Reconst > 1) errexit__("Reconst should be between 0 and 1.\n");
  if (opt.Fixed < 0 || opt.Fixed > 1) errexit__("Fixed should be between 0 and 1.\n");
}

void CheckKwayOptions(const Options &opt, int nvtxs, int UBfactor) {
  if (opt.nparts < 2) errexit__("Nparts should be at least 2.\n");
  if (UBfactor < 5) errexit__("UBfactor should be greater than 5.\n");
  if (opt.Nruns < 1) errexit__("Nruns should be at least 1.\n");
  if (opt.CType < 1 || opt.CType > 5) errexit__("Ctype should be between 1 and 5.\n");
  if (opt.OType < 1 || opt.OType > 2) errexit__("Rtype should be between 1 and 2.\n");
  if (opt.VCycle < 0 || opt.VCycle > 3) errexit__("Vcycle should be between 0 and 3.\n");
  // Coarsening aims at fewer vertices than the hypergraph has, and the
  // vertex-weight limit divides by that aim: it must be at least 1.
  if (nvtxs < 2) errexit__("Cannot partition a hypergraph with %d vertices.\n", nvtxs);
}

}  // namespace

// The k-way balance bounds the heaviest part relative to the average part,
// never tighter than 5 per cent.
float KwayUBfactor__(int UBfactor) {
  return static_cast<float>(std::max(UBfactor * 1.0 / 100.0 + 1.0, 1.05));
}

// About 200 vertices per part, but always at least one step below the
// hypergraph itself.
int KwayCoarsenTo__(int nvtxs, int nparts) {
  return static_cast<int>(std::min(200LL * nparts, nvtxs - 1LL));
}

Options ReadOptions__(EntryKind kind, int nvtxs, int nparts, int UBfactor, const int *options) {
  Options opt;
  opt.entry = kind;
  const bool given = options != nullptr && options[0] != 0;
  const bool split = given && TakesSplitSlots(kind);
  opt.nparts = nparts;
  opt.ubfactor = IsKway(kind) ? KwayUBfactor__(UBfactor) : (float)(UBfactor * 1.0 / 100.0);
  if (given) {
    opt.Nruns = options[1];
    opt.CType = static_cast<CoarsenScheme>(options[2]);
    if (IsKway(kind))
      opt.OType = static_cast<KwayObjective>(options[3]);
    else
      opt.RType = static_cast<RefineScheme>(options[3]);
    opt.VCycle = static_cast<VCycleMode>(options[4]);
    opt.Seed = options[7];
    opt.dbglvl = options[8];
  }
  opt.Reconst = split ? options[5] : 0;
  opt.Fixed = split ? options[6] : 0;
  opt.CoarsenTo = kind == EntryKind::Kway ? KwayCoarsenTo__(nvtxs, nparts) : 100;
  opt.MaxNetSize = 50;
  opt.KwayFinish = kind == EntryKind::Recursive && nparts <= 64 ? 1 : 0;

  // The refine entries only improve the partition they are given and check
  // no option.
  if (TakesSplitSlots(kind)) CheckRecursiveOptions(opt, UBfactor);
  if (kind == EntryKind::Kway) CheckKwayOptions(opt, nvtxs, UBfactor);
  return opt;
}

CtrlType CallCtrl__(const Options &opt) {
  CtrlType ctrl;
  ctrl.opt = opt;
  ctrl.CoarsenTo = opt.CoarsenTo;
  ctrl.CType = opt.CType;
  ctrl.RType = IsKway(opt.entry) ? static_cast<int>(opt.OType) : static_cast<int>(opt.RType);
  ctrl.ubfactor = opt.ubfactor;
  ctrl.TargetFrac = 0.5f;
  ctrl.dbglvl = opt.dbglvl;
  ctrl.nparts = opt.nparts;
  ctrl.MaxNetSize = opt.MaxNetSize;
  ctrl.streamKey = SeedKey__(opt.Seed);
  ctrl.partlo = 0;
  ctrl.parthi = opt.nparts;
  ctrl.ctx->rng = StreamOfKey__(ctrl.streamKey);
  return ctrl;
}
