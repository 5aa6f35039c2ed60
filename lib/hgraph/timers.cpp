// The phase timers of the control record.
#include <cstdio>

#include "hgraph/ctrl.h"

void InitTimers__(CtrlType *ctrl) {
  ctrl->TotalTmr = ctrl->CoarsenTmr = ctrl->RefTmr = ctrl->RefInitTmr = ctrl->RefIterTmr = 0.0;
  ctrl->RefWrapTmr = ctrl->MultilevelTmr = ctrl->InitPartTmr = ctrl->ProjectTmr = 0.0;
  ctrl->SpareTmr = ctrl->UncoarsenTmr = 0.0;
  ctrl->Aux1Tmr = ctrl->Aux2Tmr = ctrl->Aux3Tmr = ctrl->Aux4Tmr = 0.0;
}

// Projection and the spare timer are kept but not reported.
void PrintTimers__(const CtrlType *ctrl, int detail) {
  printf("\nTiming Information ---------------------------------------------------------");
  printf("\n Multilevel: \t\t %7.3f", ctrl->MultilevelTmr);
  printf("\n     Coarsening: \t\t %7.3f", ctrl->CoarsenTmr);
  printf("\n     Initial Partition: \t %7.3f", ctrl->InitPartTmr);
  printf("\n     Uncoarsening: \t\t %7.3f", ctrl->UncoarsenTmr);
  printf("\n             Aux1: \t\t %7.3f", ctrl->Aux1Tmr);
  printf("\n             Aux2: \t\t %7.3f", ctrl->Aux2Tmr);
  printf("\n             Aux3: \t\t %7.3f", ctrl->Aux3Tmr);
  printf("\n             Aux4: \t\t %7.3f", ctrl->Aux4Tmr);
  if (detail) {
    printf("\n        Refinement: \t\t\t %7.3f", ctrl->RefTmr);
    printf("\n            Initialize: \t\t\t %7.3f", ctrl->RefInitTmr);
    printf("\n            Iterate: \t\t\t\t %7.3f", ctrl->RefIterTmr);
    printf("\n            Wrap Up: \t\t\t\t %7.3f", ctrl->RefWrapTmr);
  }
  printf("\n Total: \t\t %7.3f", ctrl->TotalTmr);
  printf("\n----------------------------------------------------------------------------");
  fflush(stdout);
}
