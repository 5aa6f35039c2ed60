// The refinement driver: carries a bisection of the coarsest level back up the
// hierarchy, balancing and refining it on every level and placing the
// level's isolated vertices.
#include "prep/prep.h"
#include "refine2/refine2.h"

void ProjectPartition__(const CtrlType *ctrl, HGraph *cgraph) {
  StartTimer(ctrl, &PhaseTimers::ProjectTmr);
  HGraph *fine = cgraph->finer;
  RestoreLevel__(fine);
  AllocateRefinementMemory__(fine);
  // The fine level's isolated vertices have no coarse vertex; they are placed
  // by weight after refinement.
  const int *cmap = fine->maps.cellmap, *cwhere = cgraph->where;
  for (int v = 0; v < fine->nvtxs; ++v) fine->where[v] = cwhere[cmap[v]];
  FreeHGraph__(cgraph);
  fine->coarser = nullptr;
  StopTimer(ctrl, &PhaseTimers::ProjectTmr);
}

// Each isolated vertex goes to the lighter side; ties go to side 1.
void PartitionIslands__(HGraph *graph) {
  for (int v = graph->nvtxs; v < graph->nvtxs + graph->nislands; ++v) {
    const int side = graph->twoway.pwgts[0] < graph->twoway.pwgts[1] ? 0 : 1;
    graph->where[v] = side;
    graph->twoway.pwgts[side] += graph->cellwgt[v];
  }
}

void RefineByFM__(const CtrlType *ctrl, HGraph *graph, bool earlyExit) {
  const bool heavy = ctrl->HeavyCells != 0;
  if (earlyExit)
    heavy ? Refine_EEFM2__(ctrl, graph, 3, 0.1f) : Refine_EEFM__(ctrl, graph, 3, 0.1f);
  else
    heavy ? Refine_FM2__(ctrl, graph, 10) : Refine_FM__(ctrl, graph, 10);
}

namespace {

// Levels refined by the searches side by side under REFINE_PARFM; the rule
// reads the level alone, so that any number of threads makes the same choice.
bool SearchesSideBySide(const CtrlType *ctrl, const HGraph *graph) {
  return ctrl->RType == REFINE_PARFM && graph->incptr[graph->nvtxs] >= kTaskPins &&
         graph->nvtxs >= kSideBySideVertices;
}
constexpr int kParFMRounds = 3;

// The refinement chosen by RType for one level; coarsest is the level the
// bisection started from.
void RefineLevel(const CtrlType *ctrl, HGraph *graph, int coarsest) {
  switch (ctrl->RType) {
    case 1:
      RefineByFM__(ctrl, graph, false);
      break;
    case 2:
      Refine_OneWayFM__(ctrl, graph, 10);
      RefineByFM__(ctrl, graph, false);
      break;
    case 3:
      // The two levels next to the coarsest are small: full FM pays there.
      RefineByFM__(ctrl, graph, graph->level < coarsest - 2);
      break;
    case REFINE_PARFM:
      if (SearchesSideBySide(ctrl, graph))
        Refine_ParFM__(ctrl, graph, kParFMRounds);
      else
        RefineByFM__(ctrl, graph, graph->level < coarsest - 2);
      break;
    case REFINE_LABELPROP:
      Refine_LabelProp__(ctrl, graph, 5);
      if (graph->level == 0) RefineByFM__(ctrl, graph, true);
      break;
    case 5:
      Refine_FM2__(ctrl, graph, 10);
      break;
    case 10:
      // Balancing alone leaves a level that was balanced already without a
      // counted cut; the level's figures must still be exact.
      ComputeInitGains__(graph);
      break;
    default:
      errexit__("Unknown refinement type: %d\n", ctrl->RType);
  }
}

}  // namespace

void RefineCarry__(const CtrlType *ctrl, HGraph *graph) {
  if (SearchesSideBySide(ctrl, graph))
    Refine_ParFM__(ctrl, graph, kParFMRounds);
  else
    RefineByFM__(ctrl, graph, ctrl->opt.EarlyExitCarry == 1);
}

void Refine__(const CtrlType *ctrl, HGraph *graph, HGraph *cgraph) {
  StartTimer(ctrl, &PhaseTimers::UncoarsenTmr);
  const int coarsest = cgraph->level;
  if (cgraph->finer == nullptr) {
    StopTimer(ctrl, &PhaseTimers::UncoarsenTmr);
    return;
  }

  HGraph *g = cgraph->finer;
  ProjectPartition__(ctrl, cgraph);
  for (;;) {
    StartTimer(ctrl, &PhaseTimers::RefTmr);
    if (g->nvtxs >= 1) {
      Balance__(ctrl, g);
      RefineLevel(ctrl, g, coarsest);
      if (ctrl->opt.Flows && g == graph) Refine_Flows__(ctrl, g);
    } else {
      ComputeInitGains__(g);
    }
    PartitionIslands__(g);
    StopTimer(ctrl, &PhaseTimers::RefTmr);

    if (g == graph) {
      CombineIslands__(g);
      break;
    }
    g = g->finer;
    ProjectPartition__(ctrl, g->coarser);
  }
  StopTimer(ctrl, &PhaseTimers::UncoarsenTmr);
}
