// Recursive-bisection driver: the entry points, the recursion over
// bisections, bisection trials with V-cycles and the initial bisection.
#pragma once

#include "hgraph/hgraph.h"
#include "hgraph/ctrl.h"
#include "prep/prep.h"

// The checks every entry point makes on the caller's arrays before it
// allocates anything: the hypergraph with its weight totals, and part and
// edgecut present. nparts > 0 when the call keeps a sum of external degrees
// (see CheckHGraphInput__).
void CheckCallerCall__(const char *who, int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                       const int *eind, const int *hewgts, int nparts, const int *part,
                       const int *edgecut);
// The library's record of the caller's hypergraph, with unit weights where
// the caller gave none and repeated pins of a hyperedge dropped; it reads the
// caller's arrays in place, which are only ever read.
HGraph *CallerHGraph__(int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                       const int *eind, const int *hewgts);
// Around one library call: its timers are started and printed only with
// DBG_TIME.
void BeginCall__(const CtrlType &ctrl);
void EndCall__(const CtrlType &ctrl);

// Recursive bisection as a phase of another call (the k-way driver's initial
// partitioning): read options and checks as the public entry, but its
// streams derive from the given stream key instead of the seed slot; under
// part limits, its bisections are held to them.
void PartRecursivePhase__(uint64_t streamKey, int nvtxs, int nhedges, const int *vwgts,
                          const int *eptr, const int *eind, const int *hewgts, int nparts,
                          int UBfactor, const int *options, int *part, int *edgecut,
                          std::shared_ptr<const PartLimits> limits = nullptr);
// Recursive bisection of the caller's hypergraph with options already read
// and the arrays already checked; returns the cut (see MultilevelPartition__).
// Streams derive from streamKey when given (a phase), else from the seed.
int RunRecursive__(const Options &opt, int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                   const int *eind, const int *hewgts, int *part, ProgressSink *progress,
                   const uint64_t *streamKey = nullptr);

// Caller's part vectors: ends the run naming the first vertex whose part
// (what: "part" or "pre-assigned part") lies outside lo .. hi, since every
// routine behind the entry points indexes per-part arrays by it.
void CheckCallerParts__(const char *caller, const char *what, int nvtxs, const int *part, int lo,
                        int hi);

// Multilevel recursive bisection.
int MultilevelPartition__(const CtrlType *ctrl, HGraph *graph, int *part);
// Bisects graph into parts first .. first+n-1 of part, recursively; graph
// stays its caller's, the halves below it are freed as the recursion goes. Each
// bisection's vertex-weight limit is left in *maxcellwgt, so that it holds the
// last one's when the recursion ends.
int MLRB__(const CtrlType *ctrl, HGraph *graph, int *part, int n, int first, int *maxcellwgt);
void SplitGraphPart__(const CtrlType *ctrl, HGraph *graph, const int *where, HGraph *lgraph,
                      HGraph *rgraph);

// Bisection with trials and V-cycles.
// A bisection of graph with side 0 aiming at ctrl->TargetFrac of the weight;
// the vertex-weight limit of its coarsening goes to *maxcellwgt when given.
int Hypergraph_Bisection__(const CtrlType *ctrl, HGraph *graph, int *part,
                           int *maxcellwgt = nullptr);
int VCycleRefinement__(const CtrlType *ctrl, HGraph *graph, int nvcycles);
// The heaviest vertex coarsening may form under ctrl->CoarsenTo; *heavycells
// tells whether some vertex is too heavy to be grouped at all.
int ComputeMaxCellWgt__(const CtrlType *ctrl, int nvtxs, const int *cellwgt, int *heavycells);

// Initial bisection of the coarsest level.
void InitPartition__(const CtrlType *ctrl, HGraph *graph);
void Random_FMPartition__(const CtrlType *ctrl, HGraph *graph);
// A grown start of the initial bisection: side 0 grows from a random free
// vertex by a breadth-first search through the hyperedges until it first
// reaches target0, as a random fill stops; a search that runs out starts
// again from another random free vertex. Every other free vertex goes to
// side 1, and pw gains the weights. The anchors keep their sides. The level
// needs its incidence; queue holds nvtxs entries.
void GrowSides__(RandomStream *rng, HGraph *graph, int target0, int *queue, int pw[2]);
