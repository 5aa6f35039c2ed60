// Two-way refinement: gain queue, refinement driver, FM, early-exit FM,
// one-way FM and balancing.
#pragma once

#include "hgraph/hgraph.h"
#include "rb/ctrl.h"

// Refinement driver, projection and gains.
void AllocateRefinementMemory__(HGraph *graph);
void ComputeInitGains__(HGraph *graph);
int ComputeCut__(HGraph *graph);
void ProjectPartition__(CtrlType *ctrl, HGraph *cgraph);
void PartitionIslands__(HGraph *graph);
void Refine__(CtrlType *ctrl, HGraph *graph, HGraph *cgraph);

// Refinement schemes.
void Refine_FM__(CtrlType *ctrl, HGraph *graph, int npasses);
void Refine_FM2__(CtrlType *ctrl, HGraph *graph, int npasses);
void Refine_EEFM__(CtrlType *ctrl, HGraph *graph, int npasses, float fraction);
void Refine_EEFM2__(CtrlType *ctrl, HGraph *graph, int npasses, float fraction);
void Refine_OneWayFM__(CtrlType *ctrl, HGraph *graph, int npasses);
void Balance__(CtrlType *ctrl, HGraph *graph);
