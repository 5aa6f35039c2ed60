// The control record of one library call: options in force, thresholds the
// algorithms change as they go, debug bits, phase timers, and the call's
// context (its random stream and scratch memory).
#pragma once

#include "util/util.h"

// Candidates met by one search of the grouping schemes, with their scores.
// It persists between searches and grows on demand, so a vertex may meet any
// number of distinct candidates (at most the number of vertices). A copy
// starts empty: scratch holds nothing worth copying.
struct CandidateScratch {
  int count = 0;
  int capacity = 0;
  float *score = nullptr;
  int *cell = nullptr;

  CandidateScratch() = default;
  CandidateScratch(const CandidateScratch &) {}
  CandidateScratch &operator=(const CandidateScratch &other) {
    if (this != &other) count = 0;
    return *this;
  }
  ~CandidateScratch() { ZBfree__(&score, &cell); }

  void Append(int u, float s) {
    if (count == capacity) Grow();
    cell[count] = u;
    score[count] = s;
    ++count;
  }
  void Grow();
};

// What a call owns besides its options. Everything mutable a call needs
// travels here, so no routine keeps state of its own between calls.
struct CallContext {
  RandomStream rng;                 // the call's one random stream
  CandidateScratch scratch;         // candidate searches of plain coarsening
  CandidateScratch cscratch;        // ... and of partition-respecting coarsening
};

struct CtrlType {
  int CoarsenTo;   // coarsening stops at this many vertices
  int CType;       // matching scheme
  int RType;       // two-way refinement scheme, or the k-way objective (1 cut, 2 SOED)
  int Nruns;       // trials per bisection / per k-way partitioning
  int MaxNetSize;  // hyperedges with more pins are pruned; also a size cap in coarsening
  float ubfactor;
  int Fixed;
  int Seed;
  int dbglvl;
  int Reconst;
  int VCycle;
  int nparts;
  int HeavyCells;   // the bisection's hypergraph has a vertex heavier than 2W/CoarsenTo
  int KwayFinish;   // recursive bisection ends with a k-way pass; 20 initial trials
  float TargetFrac; // share of the total weight that side 0 aims at
  int maxcellwgt;   // heaviest vertex coarsening may form

  CallContext ctx;

  // Phase timers, in seconds of processor time.
  double TotalTmr, CoarsenTmr, RefTmr, RefInitTmr, RefIterTmr, RefWrapTmr, MultilevelTmr,
      InitPartTmr, ProjectTmr, SpareTmr, UncoarsenTmr, Aux1Tmr, Aux2Tmr, Aux3Tmr, Aux4Tmr;
};

// Debug bits of dbglvl.
enum : int {
  DBG_COARSEN = 1,    // coarsening trace
  DBG_INITPART = 2,   // initial-partition trace
  DBG_REFINE = 4,     // per-pass summaries of two-way refinement
  DBG_BISECT = 8,     // header and summary of every bisection / k-way partitioning
  DBG_TRIAL = 16,     // one line per trial after its V-cycles
  DBG_TIME = 32,      // phase timers
  DBG_DETAIL = 128,   // per-trial detail, V-cycle progress (implies DBG_BISECT lines)
  DBG_MOVEINFO = 256  // per-move trace of two-way refinement
};

inline bool IsSet(int dbglvl, int bit) { return (dbglvl & bit) != 0; }

// A phase is timed only with DBG_TIME: the timer loses the clock on entry and
// gains it on exit, so it accumulates over all calls of its phase.
inline void StartTimer(const CtrlType *ctrl, double &tmr) {
  if (IsSet(ctrl->dbglvl, DBG_TIME)) tmr -= seconds__();
}
inline void StopTimer(const CtrlType *ctrl, double &tmr) {
  if (IsSet(ctrl->dbglvl, DBG_TIME)) tmr += seconds__();
}

void InitTimers__(CtrlType *ctrl);
void PrintTimers__(const CtrlType *ctrl, int detail);
