// Partitioning by named options: the configuration becomes the options of
// recursive bisection or direct k-way partitioning with a bound on every
// final part, the run is checked against that bound, and a partition still
// over it is rebalanced.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "kway/kway.h"
#include "rb/rb.h"
#include "zorbel.h"

namespace {

constexpr const char *kWho = "ZORBEL_Partition";

// The caller's configuration over the defaults: a caller compiled against an
// older, smaller record gives the fields it knows of, the rest keep their
// defaults.
ZORBEL_Config ReadConfig(const ZORBEL_Config *given) {
  if (given == nullptr) errexit__("%s: config is NULL; fill one with ZORBEL_DefaultConfig.\n", kWho);
  if (given->size < sizeof(given->size))
    errexit__("%s: config->size is %zu; fill the config with ZORBEL_DefaultConfig first.\n", kWho,
              given->size);
  if (given->size > sizeof(ZORBEL_Config))
    errexit__("%s: config->size is %zu, more than the %zu bytes of this library's ZORBEL_Config.\n",
              kWho, given->size, sizeof(ZORBEL_Config));
  ZORBEL_Config config;
  ZORBEL_DefaultConfig(&config);
  std::memcpy(&config, given, given->size);
  config.size = sizeof(ZORBEL_Config);
  return config;
}

void CheckConfig(const ZORBEL_Config &c, int nvtxs, int nparts) {
  if (nparts < 2) errexit__("%s: nparts must be at least 2, not %d.\n", kWho, nparts);
  if (c.max_part_weights == nullptr && !(c.epsilon > 0.0 && c.epsilon < 1.0))
    errexit__("%s: config->epsilon must lie strictly between 0 and 1, not %g.\n", kWho, c.epsilon);
  if (c.objective < ZORBEL_OBJECTIVE_CUT || c.objective > ZORBEL_OBJECTIVE_SOED)
    errexit__("%s: config->objective must be ZORBEL_OBJECTIVE_CUT, _KM1 or _SOED, not %d.\n", kWho,
              c.objective);
  if (c.mode != ZORBEL_MODE_RECURSIVE && c.mode != ZORBEL_MODE_KWAY)
    errexit__("%s: config->mode must be ZORBEL_MODE_RECURSIVE or ZORBEL_MODE_KWAY, not %d.\n", kWho,
              c.mode);
  if (c.preset < ZORBEL_PRESET_FAST || c.preset > ZORBEL_PRESET_QUALITY)
    errexit__("%s: config->preset must be ZORBEL_PRESET_FAST, _DEFAULT or _QUALITY, not %d.\n", kWho,
              c.preset);
  if (c.threads < 0) errexit__("%s: config->threads must not be negative, not %d.\n", kWho, c.threads);
  if (c.flows < ZORBEL_FLOWS_PRESET || c.flows > ZORBEL_FLOWS_ON)
    errexit__("%s: config->flows must be ZORBEL_FLOWS_PRESET, _OFF or _ON, not %d.\n", kWho, c.flows);
  if (c.fixed != nullptr && c.mode == ZORBEL_MODE_KWAY)
    errexit__("%s: config->fixed needs config->mode ZORBEL_MODE_RECURSIVE: direct k-way "
              "partitioning takes no fixed vertices.\n",
              kWho);
  if (c.fixed != nullptr) CheckCallerParts__(kWho, "config->fixed part", nvtxs, c.fixed, -1, nparts - 1);
  if (c.max_part_weights != nullptr)
    for (int p = 0; p < nparts; ++p)
      if (c.max_part_weights[p] < 0)
        errexit__("%s: config->max_part_weights[%d] = %d is negative.\n", kWho, p, c.max_part_weights[p]);
}

KwayObjective ObjectiveOf(const ZORBEL_Config &c) {
  switch (c.objective) {
    case ZORBEL_OBJECTIVE_KM1: return OBJ_KM1;
    case ZORBEL_OBJECTIVE_SOED: return OBJ_SOED;
    default: return OBJ_CUT;
  }
}

// Whether every hyperedge has at most two pins: then km1 is the cut and the
// SOED twice the cut for every partition.
bool IsGraph(int nhedges, const int *eptr) {
  for (int e = 0; e < nhedges; ++e)
    if (eptr[e + 1] - eptr[e] > 2) return false;
  return true;
}

// The option slots of a preset: trials, grouping (HFC alternating with FC),
// FM refinement (or the cut objective, replaced below), V-cycles; cut-net
// splitting for the objectives that count every part a hyperedge touches.
// On a graph every objective runs the cut's search, so that they agree.
// The fast preset's recursive bisection makes its one trial per bisection on
// clusters built side by side, refines the large levels (and the carry to
// the full hypergraph) by FM searches side by side and the others by
// early-exit FM, and runs at most one V-cycle per bisection and
// in the k-way pass that ends the recursion. Its flows, on unless the caller
// turns them off, cut each bisection level once by a maximum flow where the
// other presets cut up to four times, and leave the k-way pass to FM: there
// they cost as much again for next to nothing.
Options PresetOptions(const ZORBEL_Config &c, int nvtxs, int nparts, bool graph) {
  const int nruns = c.preset == ZORBEL_PRESET_FAST ? 1 : 10;
  const int vcycle = c.preset == ZORBEL_PRESET_QUALITY ? VCYCLE_FORMIN : VCYCLE_END;
  const bool cut = graph || c.objective == ZORBEL_OBJECTIVE_CUT;
  const int reconst = cut ? 0 : 1;
  const int fixed = c.fixed != nullptr ? 1 : 0;
  const int options[9] = {1, nruns, COARSEN_HFC, 1, vcycle, reconst, fixed, c.seed, 0};
  // The balance slot is replaced by the part limits; any value it accepts
  // will do.
  const bool kway = c.mode == ZORBEL_MODE_KWAY;
  Options opt = ReadOptions__(kway ? EntryKind::Kway : EntryKind::Recursive, nvtxs, nparts, 5, options);
  opt.OType = cut ? OBJ_CUT : ObjectiveOf(c);
  const bool fastrb = c.preset == ZORBEL_PRESET_FAST && !kway;
  // Flows as asked, else as the preset says.
  opt.Flows = c.flows == ZORBEL_FLOWS_PRESET ? fastrb : c.flows == ZORBEL_FLOWS_ON;
  opt.KwayFM = c.preset == ZORBEL_PRESET_QUALITY || (c.preset == ZORBEL_PRESET_FAST && kway);
  if (fastrb) {
    opt.CType = COARSEN_CLUSTERS;
    opt.RType = REFINE_PARFM;
    opt.EarlyExitCarry = 1;
    opt.MaxVCycles = 1;
    opt.FlowRounds = 1;
    opt.KwayFlows = 0;
    opt.GrownStarts = 1;
  }
  return opt;
}

long long TotalWeight(int nvtxs, const int *vwgts) {
  if (vwgts == nullptr) return nvtxs;
  long long total = 0;
  for (int v = 0; v < nvtxs; ++v) total += vwgts[v];
  return total;
}

// The first part heavier than its limit, -1 when there is none; its weight
// goes to *weight.
int OverweightPart(int nvtxs, const int *vwgts, const int *part, const PartLimits &limits,
                   long long *weight) {
  std::vector<long long> pwgts(limits.maxpwgt.size(), 0);
  for (int v = 0; v < nvtxs; ++v) pwgts[part[v]] += vwgts ? vwgts[v] : 1;
  for (size_t p = 0; p < pwgts.size(); ++p)
    if (pwgts[p] > limits.maxpwgt[p]) {
      *weight = pwgts[p];
      return static_cast<int>(p);
    }
  return -1;
}

// Moves the cheapest vertices out of the parts over their limits, forcing a
// vertex out where none fits; ends the run when the limits still do not hold.
void KeepLimits(const ZORBEL_Config &c, int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                const int *eind, const int *hewgts, int nparts, const PartLimits &limits, int *part) {
  long long weight = 0;
  if (OverweightPart(nvtxs, vwgts, part, limits, &weight) < 0) return;
  // The library's record, with every pin once, as the partitioner saw it.
  const HGraphOwner copy(CallerHGraph__(nvtxs, nhedges, vwgts, eptr, eind, hewgts));
  const HGraph *g = copy.get();
  const RebalanceObjective obj =
      c.objective == ZORBEL_OBJECTIVE_CUT ? RebalanceObjective::kCut : RebalanceObjective::kKm1;
  if (RebalanceToLimits__(nvtxs, nhedges, g->netptr, g->netind, g->netwgt, g->cellwgt, nparts,
                          limits.maxpwgt.data(), c.fixed, obj, part, /*force=*/true))
    return;
  const int p = OverweightPart(nvtxs, vwgts, part, limits, &weight);
  errexit__("%s: no partition found keeps the part limits: part %d weighs %lld, more than its "
            "limit %d, and no vertex of it fits into another part.\n",
            kWho, p, weight, limits.maxpwgt[p]);
}

}  // namespace

extern "C" {

void ZORBEL_DefaultConfig(ZORBEL_Config *config) {
  if (config == nullptr) errexit__("ZORBEL_DefaultConfig: config is NULL.\n");
  *config = ZORBEL_Config{};
  config->size = sizeof(ZORBEL_Config);
  config->epsilon = 0.03;
  config->objective = ZORBEL_OBJECTIVE_CUT;
  config->mode = ZORBEL_MODE_RECURSIVE;
  config->preset = ZORBEL_PRESET_DEFAULT;
  config->seed = -1;
  config->threads = 0;
  config->flows = ZORBEL_FLOWS_PRESET;
}

void ZORBEL_Partition(int nvtxs, int nhedges, const int *vwgts, const int *eptr, const int *eind,
                      const int *hewgts, int nparts, const ZORBEL_Config *config, int *part,
                      int *objective_value) {
  const ZORBEL_Config c = ReadConfig(config);
  // Every objective's figures are kept as sums of external degrees: the
  // hypergraph must fit them as for ZORBEL_PartKway.
  CheckHGraphInput__(kWho, nvtxs, nhedges, vwgts, eptr, eind, hewgts, std::max(nparts, 2));
  if (nvtxs > 0) RequireCallerArray__(kWho, "part", part);
  RequireCallerArray__(kWho, "objective_value", objective_value);
  CheckConfig(c, nvtxs, nparts);
  Options opt = PresetOptions(c, nvtxs, nparts, IsGraph(nhedges, eptr));

  const auto limits = std::make_shared<PartLimits>(
      FinalPartLimits__(TotalWeight(nvtxs, vwgts), nparts, c.epsilon, c.max_part_weights));
  CheckPartLimits__(kWho, nvtxs, vwgts, c.fixed, *limits);
  opt.limits = limits;

  const CallThreads__ threads(c.threads);
  const bool kway = c.mode == ZORBEL_MODE_KWAY;
  const int stage = kway ? ZORBEL_STAGE_KWAY_TRIALS : ZORBEL_STAGE_BISECTIONS;
  const int nbisections = kway ? 0 : nparts - 1;
  const ProgressOwner progress =
      c.progress != nullptr
          ? BeginProgress__(stage, nbisections, opt.Nruns, c.progress, c.progress_data)
          : BeginProgress__(stage, nbisections, opt.Nruns);
  if (kway) {
    RunKway__(opt, nvtxs, nhedges, vwgts, eptr, eind, hewgts, part, progress.get());
  } else {
    // Recursive bisection reads the fixed vertices from part.
    if (c.fixed != nullptr) std::memcpy(part, c.fixed, sizeof(int) * static_cast<size_t>(nvtxs));
    RunRecursive__(opt, nvtxs, nhedges, vwgts, eptr, eind, hewgts, part, progress.get());
  }
  KeepLimits(c, nvtxs, nhedges, vwgts, eptr, eind, hewgts, nparts, *limits, part);

  std::vector<int> pwgts(nparts), pcuts(nparts);
  const PartStatistics s = ComputePartStatistics(nvtxs, nhedges, nparts, eptr, eind, hewgts, vwgts,
                                                 part, pwgts.data(), pcuts.data());
  // The hypergraph's check bounds every objective by INT_MAX.
  *objective_value = static_cast<int>(c.objective == ZORBEL_OBJECTIVE_KM1    ? s.km1
                                      : c.objective == ZORBEL_OBJECTIVE_SOED ? s.soed
                                                                             : s.cut);
}

}  // extern "C"
