// The phase timers of a call, kept in its context.
#include <cstdio>

#include "hgraph/ctrl.h"

void InitTimers__(const CtrlType *ctrl) { ctrl->ctx->tmr = PhaseTimers{}; }

void AddTimers__(PhaseTimers *to, const PhaseTimers &from) {
  for (double PhaseTimers::*t :
       {&PhaseTimers::TotalTmr, &PhaseTimers::CoarsenTmr, &PhaseTimers::RefTmr,
        &PhaseTimers::RefInitTmr, &PhaseTimers::RefIterTmr, &PhaseTimers::RefWrapTmr,
        &PhaseTimers::MultilevelTmr, &PhaseTimers::InitPartTmr, &PhaseTimers::ProjectTmr,
        &PhaseTimers::SpareTmr, &PhaseTimers::UncoarsenTmr, &PhaseTimers::Aux1Tmr,
        &PhaseTimers::Aux2Tmr, &PhaseTimers::Aux3Tmr, &PhaseTimers::Aux4Tmr})
    to->*t += from.*t;
}

// Projection and the spare timer are kept but not reported.
void PrintTimers__(const CtrlType *ctrl, int detail) {
  const PhaseTimers &t = ctrl->ctx->tmr;
  printf("\nTiming Information ---------------------------------------------------------");
  printf("\n Multilevel: \t\t %7.3f", t.MultilevelTmr);
  printf("\n     Coarsening: \t\t %7.3f", t.CoarsenTmr);
  printf("\n     Initial Partition: \t %7.3f", t.InitPartTmr);
  printf("\n     Uncoarsening: \t\t %7.3f", t.UncoarsenTmr);
  printf("\n             Aux1: \t\t %7.3f", t.Aux1Tmr);
  printf("\n             Aux2: \t\t %7.3f", t.Aux2Tmr);
  printf("\n             Aux3: \t\t %7.3f", t.Aux3Tmr);
  printf("\n             Aux4: \t\t %7.3f", t.Aux4Tmr);
  if (detail) {
    printf("\n        Refinement: \t\t\t %7.3f", t.RefTmr);
    printf("\n            Initialize: \t\t\t %7.3f", t.RefInitTmr);
    printf("\n            Iterate: \t\t\t\t %7.3f", t.RefIterTmr);
    printf("\n            Wrap Up: \t\t\t\t %7.3f", t.RefWrapTmr);
  }
  printf("\n Total: \t\t %7.3f", t.TotalTmr);
  printf("\n----------------------------------------------------------------------------");
  fflush(stdout);
}
