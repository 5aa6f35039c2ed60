// Randomized greedy k-way refinement: single-vertex moves in a random order,
// each to one of the parts the vertex's cut hyperedges touch, within fixed
// balance bounds. The cut and the SOED versions share one loop and differ
// only in which gain term leads the choice of the target and the decision.
#include <climits>

#include "kway/kway.h"

namespace {

// Cut objective: the cut gain ed - id leads, the SOED term breaks ties.
struct CutObjective {
  static int Lead(const CellPartInfo &d) { return d.ed; }
  static int Second(const CellPartInfo &d) { return d.soedterm; }
  static int LeadZero(const CellKwayInfo &ci) { return ci.id; }
  static int SecondZero(const CellKwayInfo &) { return 0; }
  static bool KeepsObjective(const CellKwayInfo &, const CellPartInfo &) { return true; }
  static int Objective(const HGraph *graph) { return graph->mincut; }
};

// SOED objective: the SOED term leads, the cut gain breaks ties.
struct SOEDObjective {
  static int Lead(const CellPartInfo &d) { return d.soedterm; }
  static int Second(const CellPartInfo &d) { return d.ed; }
  static int LeadZero(const CellKwayInfo &) { return 0; }
  static int SecondZero(const CellKwayInfo &ci) { return ci.id; }
  // A positive SOED term alone does not make the move pay: the hyperedges that
  // lie wholly in the vertex's part become cut and count twice. The whole SOED
  // gain must not be negative, or the refinement would raise what it lowers.
  static bool KeepsObjective(const CellKwayInfo &ci, const CellPartInfo &d) {
    return d.soedterm + d.ed - ci.id >= 0;
  }
  static int Objective(const HGraph *graph) { return graph->kway.minsoed; }
};

// Connectivity objective: the km1 gain (which is the SOED term: the SOED is
// km1 plus the cut) leads, the cut gain breaks ties.
struct KM1Objective {
  static int Lead(const CellPartInfo &d) { return d.soedterm; }
  static int Second(const CellPartInfo &d) { return d.ed; }
  static int LeadZero(const CellKwayInfo &) { return 0; }
  static int SecondZero(const CellKwayInfo &ci) { return ci.id; }
  static bool KeepsObjective(const CellKwayInfo &, const CellPartInfo &) { return true; }
  static int Objective(const HGraph *graph) { return graph->kway.minsoed - graph->mincut; }
};

// Parts may not fall below minpwgt nor grow past maxpwgt, or under part
// limits past their own limit each.
struct Bounds {
  int minpwgt, maxpwgt;
  const int *limit = nullptr;
  int Max(int part) const { return limit != nullptr ? limit[part] : maxpwgt; }
};

// The target among the admissible parts: the first with a non-negative lead
// term, then any later one that beats it by lead, second term, pin bias, or,
// on a complete tie, by being no heavier. "Later" is the order in which v's
// cut hyperedges list the parts, which the entries themselves need not
// follow. NULL when there is none.
template <class Obj>
const CellPartInfo *ChooseTarget(const HGraph *graph, int v, const int *kpwgts, int vw,
                                 const Bounds &bounds) {
  const CellKwayInfo &ci = graph->kway.crinfo[v];
  const CellPartInfo *best = nullptr;
  for (int k = 0; k < ci.ndegrees; k++) {
    const CellPartInfo &d = ci.degrees[k];
    if (kpwgts[d.part] + vw > bounds.Max(d.part)) continue;
    if (best == nullptr) {
      if (Obj::Lead(d) >= Obj::LeadZero(ci)) best = &d;
      continue;
    }
    if (Obj::Lead(d) != Obj::Lead(*best)) {
      if (Obj::Lead(d) > Obj::Lead(*best)) best = &d;
    } else if (Obj::Second(d) != Obj::Second(*best)) {
      if (Obj::Second(d) > Obj::Second(*best)) best = &d;
    } else if (d.pinbias != best->pinbias) {
      if (d.pinbias > best->pinbias) best = &d;
    } else if (kpwgts[d.part] != kpwgts[best->part]) {
      if (kpwgts[d.part] < kpwgts[best->part]) best = &d;
    } else if (KwayListsBefore__(graph, v, best->part, d.part)) {
      best = &d;
    }
  }
  return best;
}

// A move is made when its lead term is positive, or zero while the second
// term, then the pin bias, then the balance improves.
template <class Obj>
bool AcceptMove(const CellKwayInfo &ci, const CellPartInfo &d, const int *kpwgts, int me,
                int vw) {
  if (Obj::Lead(d) > Obj::LeadZero(ci)) return Obj::KeepsObjective(ci, d);
  if (Obj::Second(d) != Obj::SecondZero(ci)) return Obj::Second(d) > Obj::SecondZero(ci);
  if (d.pinbias != 0) return d.pinbias > 0;
  return kpwgts[me] - kpwgts[d.part] > vw;
}

Bounds KwayBalanceBounds(const CtrlType *ctrl, const HGraph *graph) {
  if (ctrl->opt.limits) return Bounds{0, INT_MAX, ctrl->opt.limits->maxpwgt.data()};
  const int total = iasum__(ctrl->nparts, graph->kway.kpwgts);
  const float ub = ctrl->ubfactor, fparts = static_cast<float>(ctrl->nparts);
  Bounds b;
  // A large UBfactor can put the bound past any int: then no part is too heavy.
  const float maxpwgt = ub * static_cast<float>(total) / fparts;
  b.maxpwgt = maxpwgt < 2147483648.0f ? static_cast<int>(maxpwgt) : INT_MAX;
  b.minpwgt = MinPartWeight__(static_cast<float>(total) / (ub * fparts));
  return b;
}

}  // namespace

KwayPartBounds KwayPartBounds__(const CtrlType *ctrl, const HGraph *graph) {
  const Bounds b = KwayBalanceBounds(ctrl, graph);
  KwayPartBounds kb;
  kb.minpwgt = b.minpwgt;
  kb.maxpwgt.resize(ctrl->nparts);
  for (int p = 0; p < ctrl->nparts; ++p) kb.maxpwgt[p] = b.Max(p);
  return kb;
}

namespace {

// One pass over the vertices in perm order; returns the number of moves.
template <class Obj>
int KwayRandomPass(const CtrlType *ctrl, HGraph *graph, const int *perm, const Bounds &b,
                   int *marker, int *updind) {
  int *where = graph->where, *kpwgts = graph->kway.kpwgts;
  int nmoves = 0;

  for (int i = 0; i < graph->nvtxs; i++) {
    const int v = perm[i];
    if (v < graph->nfixed) continue;  // anchors keep their parts
    const int me = where[v], vw = graph->cellwgt[v];
    const CellKwayInfo &ci = graph->kway.crinfo[v];
    if (ci.alonewgt < ci.id) continue;  // no move of v can pay
    if (kpwgts[me] - vw < b.minpwgt) continue;
    KwayCellInfo__(graph, v);  // lists v's entries for the choice

    const CellPartInfo *d = ChooseTarget<Obj>(graph, v, kpwgts, vw, b);
    if (d == nullptr || !AcceptMove<Obj>(ci, *d, kpwgts, me, vw)) continue;

    const int q = d->part;
    graph->mincut -= d->ed - ci.id;
    graph->kway.minsoed -= d->soedterm + d->ed - ci.id;
    kpwgts[q] += vw;
    kpwgts[me] -= vw;
    where[v] = q;
    if (IsSet(ctrl->dbglvl, DBG_MOVEINFO))
      Trace__("\tMoving %6d[%3d] (%3d -> %3d) [%4d %4d %4d %4d] %5d %5d\n", v,
              graph->incptr[v + 1] - graph->incptr[v], me, q, ci.id, d->ed, d->soedterm, d->pinbias,
              graph->mincut, graph->kway.minsoed);
    KwayUpdateGainInfo__(graph, v, me, q, marker, updind);
    nmoves++;
  }
  return nmoves;
}

template <class Obj>
void RefineKway_Random(const CtrlType *ctrl, HGraph *graph, int npasses) {
  const int nvtxs = graph->nvtxs, nparts = ctrl->nparts;

  StartTimer(ctrl, &PhaseTimers::RefInitTmr);
  int *perm = imalloc__(nvtxs, "RefineKway_Random: perm");
  int *marker = imalloc__(nvtxs, "RefineKway_Random: marker");
  int *updind = imalloc__(nvtxs, "RefineKway_Random: updind");
  for (int i = 0; i < nvtxs; i++) perm[i] = i;
  ComputeInitKwayGains__(ctrl, graph);
  const Bounds b = KwayBalanceBounds(ctrl, graph);
  StopTimer(ctrl, &PhaseTimers::RefInitTmr);

  for (int pass = 0; pass < npasses; pass++) {
    StartTimer(ctrl, &PhaseTimers::RefIterTmr);
    RandomPermute__(&ctrl->ctx->rng, perm, nvtxs, 0);
    if (IsSet(ctrl->dbglvl, DBG_REFINE) && pass == 0)
      Trace__("Partitions: [%5d,%5d], Balance: [%3.2f, %5d,%5d], Init Cut: %5d, Init SOED: %5d\n",
              graph->kway.kpwgts[iamin__(nparts, graph->kway.kpwgts)],
              graph->kway.kpwgts[iamax__(nparts, graph->kway.kpwgts)], ctrl->ubfactor, b.minpwgt,
              b.maxpwgt, graph->mincut, graph->kway.minsoed);

    const int oldcut = graph->mincut, oldsoed = graph->kway.minsoed;
    iset__(nvtxs, -1, marker);
    const int nmoves = KwayRandomPass<Obj>(ctrl, graph, perm, b, marker, updind);

    if (IsSet(ctrl->dbglvl, DBG_REFINE))
      Trace__("\tCut: %8d, SOED: %8d, Nmoves: %3d, Pwgts: [%6d %6d]\n", graph->mincut,
              graph->kway.minsoed, nmoves, graph->kway.kpwgts[iamin__(nparts, graph->kway.kpwgts)],
              graph->kway.kpwgts[iamax__(nparts, graph->kway.kpwgts)]);
    StopTimer(ctrl, &PhaseTimers::RefIterTmr);
    if (graph->mincut == oldcut && graph->kway.minsoed == oldsoed) break;
  }

  graph->kway.objval = Obj::Objective(graph);
  ZBfree__(&perm, &marker, &updind);
}

}  // namespace

void RefineCutKway_Random__(const CtrlType *ctrl, HGraph *graph, int npasses) {
  RefineKway_Random<CutObjective>(ctrl, graph, npasses);
}

void RefineSOEDKway_Random__(const CtrlType *ctrl, HGraph *graph, int npasses) {
  RefineKway_Random<SOEDObjective>(ctrl, graph, npasses);
}

int KwayObjectiveValue__(const CtrlType *ctrl, const HGraph *graph) {
  switch (ctrl->RType) {
    case OBJ_SOED: return SOEDObjective::Objective(graph);
    case OBJ_KM1: return KM1Objective::Objective(graph);
    default: return CutObjective::Objective(graph);
  }
}

void RefineKwayObjective__(const CtrlType *ctrl, HGraph *graph, int npasses) {
  switch (ctrl->RType) {
    case OBJ_CUT: RefineKway_Random<CutObjective>(ctrl, graph, npasses); break;
    case OBJ_SOED: RefineKway_Random<SOEDObjective>(ctrl, graph, npasses); break;
    case OBJ_KM1: RefineKway_Random<KM1Objective>(ctrl, graph, npasses); break;
    default: errexit__("Unknown refinement type: %d\n", ctrl->RType);
  }
  if (ctrl->opt.KwayFM) RefineKwayFM__(ctrl, graph, 4);
}
