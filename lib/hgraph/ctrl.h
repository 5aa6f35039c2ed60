// The records of one library call: its validated options, its context (random
// stream, scratch memory, phase timers) and the control record each phase
// reads (see the note above CtrlType).
#pragma once

#include <memory>

#include "util/util.h"

struct PartLimits;

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

// Named values of the option slots.
enum CoarsenScheme : int {  // slot 2
  COARSEN_HFC = 1,
  COARSEN_FC = 2,
  COARSEN_GFC = 3,
  COARSEN_HEDGE = 4,
  COARSEN_EDGE = 5,
  // Clusters built in sub-rounds, side by side (named options only).
  COARSEN_CLUSTERS = 8
};
enum RefineScheme : int {  // slot 3 of the recursive-bisection entries
  REFINE_FM = 1,
  REFINE_ONEWAY_FM = 2,
  REFINE_EEFM = 3,
  // Label propagation side by side, early-exit FM on the finest level. No
  // preset takes it: on the benchmark it cut 4-20% more than early-exit FM.
  REFINE_LABELPROP = 4,
  // Localized FM searches side by side on the levels of many vertices and
  // pins, as early-exit FM refines the others (named options only).
  REFINE_PARFM = 6
};
enum KwayObjective : int {  // slot 3 of the k-way entries
  OBJ_CUT = 1,
  OBJ_SOED = 2,
  OBJ_KM1 = 3  // connectivity minus one; asked for through named options only
};
enum VCycleMode : int {  // slot 4
  VCYCLE_NO = 0,
  VCYCLE_END = 1,     // on the kept partitions after the last trial
  VCYCLE_FORMIN = 2,  // on trials that reach or set the best
  VCYCLE_ALL = 3      // on every trial near the best
};
// The schemes of partition-respecting coarsening in V-cycles, which alternate.
enum : int { CCOARSEN_EDGES_STARS = 0, CCOARSEN_EDGES = 1 };

// The entry points, as far as reading and checking options goes.
enum class EntryKind {
  Recursive,          // ZORBEL_PartRecursive: k-way finish up to 64 parts
  RecursiveInternal,  // ZORBEL_PartRecursiveInternal and the k-way driver's phase
  TwoWayRefine,       // ZORBEL_2WayRefine: nothing checked
  Kway,               // ZORBEL_PartKway
  KwayRefine          // ZORBEL_KWayRefine: nothing checked
};

// The caller's options after validation, with what the entry point derives
// from its arguments. ReadOptions__ builds it once per call; from then on it
// is only read: no phase changes an option.
struct Options {
  EntryKind entry = EntryKind::RecursiveInternal;
  int nparts = 2;
  float ubfactor = 0.0f;  // bisection fraction, or the k-way bound on heaviest/average
  int Nruns = 10;
  CoarsenScheme CType = COARSEN_HFC;
  RefineScheme RType = REFINE_FM;   // taken from slot 3 by recursive bisection
  KwayObjective OType = OBJ_CUT;    // slot 3 of the k-way entries; also the finish pass's
  VCycleMode VCycle = VCYCLE_END;
  int Reconst = 0;
  int Fixed = 0;
  int Seed = -1;
  int dbglvl = 0;
  int CoarsenTo = 100;
  int MaxNetSize = 50;
  int KwayFinish = 0;  // recursive bisection ends with a k-way pass; 20 initial trials
  int MaxVCycles = 10;  // most V-cycles of a bisection and of the k-way pass that ends the recursion
  int Flows = 0;       // maximum-flow refinement after FM (named options only)
  int FlowRounds = 4;  // most rounds of two-way flow cuts on one level, each around the last one's cut
  int KwayFlows = 1;   // with Flows, the k-way refinement cuts pairs of parts by flows too
  int EarlyExitCarry = 0;  // early-exit FM after the carry to the full hypergraph (named options only)
  int KwayFM = 0;       // k-way refinement ends with FM passes (named options only)
  int GrownStarts = 0;  // the initial bisection also grows as many sides as it fills at random (named options only)
  // A bound on every part of the final partition (the entry with named
  // options): each bisection is held to side limits worked out from it, and
  // k-way refinement to its per-part limits. Null: the balance is ubfactor.
  std::shared_ptr<const PartLimits> limits;

  friend bool operator==(const Options &, const Options &) = default;
};

// Phase timers, in seconds of processor time.
struct PhaseTimers {
  double TotalTmr, CoarsenTmr, RefTmr, RefInitTmr, RefIterTmr, RefWrapTmr, MultilevelTmr,
      InitPartTmr, ProjectTmr, SpareTmr, UncoarsenTmr, Aux1Tmr, Aux2Tmr, Aux3Tmr, Aux4Tmr;
};

// What a call owns besides its options: everything mutable a call needs
// travels here, so no routine keeps state of its own between calls.
struct CallContext {
  RandomStream rng;                 // the stream of the step at hand
  CandidateScratch scratch;         // candidate searches of plain coarsening
  CandidateScratch cscratch;        // ... and of partition-respecting coarsening
  PhaseTimers tmr{};
};

// How the records of a call fit together:
//
//   Options      the caller's option slots, read and checked once by
//                ReadOptions__, then const for the whole call;
//   CallContext  the mutable state of a call or of one task of it: random
//                stream, coarsening scratch, phase timers;
//   CtrlType     what one phase works with: the options, the phase's own
//                parameters and a handle on the call's context.
//
// Routines take a const CtrlType *: they read the options and their phase's
// parameters and change only the context. A phase whose children need other
// parameters (a V-cycle's coarsening scheme and target, the initial
// bisection's quiet trace, a split's target fraction, the k-way finish's
// objective and balance, the trials' alternating HFC/FC) copies the record,
// sets them in its copy and hands the copy down; the copy shares the context.
// Each step of a partitioning (a trial, the V-cycles of the kept partitions)
// starts its context's stream afresh from the call's stream key and its
// position (TrialStream__), so no stream runs on from one step to the next.
struct CtrlType {
  Options opt;

  // Parameters of the phase at hand; at the top of a call they are the
  // options' values.
  int CoarsenTo = 0;    // coarsening stops at this many vertices
  int CType = 0;        // matching scheme (a CCOARSEN_ code inside V-cycles)
  int RType = 0;        // two-way refinement scheme, or the k-way objective
  float ubfactor = 0.0f;  // balance of the phase, as in Options
  float TargetFrac = 0.0f;  // share of the parts (and, without limits, of the weight) of side 0
  // Under part limits: the largest weight each side of the bisection at hand
  // may take, and side 0's share of the weight.
  int sidemax[2] = {0, 0};
  double share0 = 0.5;
  int dbglvl = 0;       // trace switches in force (the initial bisection is quieter)
  int nparts = 0;       // parts of the call
  int MaxNetSize = 0;   // hyperedges with more pins are pruned; also a size cap in coarsening
  int HeavyCells = 0;   // the bisection's hypergraph has a vertex heavier than 2W/CoarsenTo
  int maxcellwgt = 0;   // heaviest vertex coarsening may form
  // Where the phase stands, for the streams it derives (see TrialStream__):
  // the call's stream key and the parts [partlo, parthi) that the phase's
  // hypergraph is partitioned into.
  uint64_t streamKey = 0;
  int partlo = 0, parthi = 0;
  // Nothing else of the call runs beside the phase: its coarse hypergraphs
  // are built in tasks side by side, on the threads that would wait.
  bool alone = false;
  // A coarse level of at least this many pins packs its structure away once
  // the next level is made, and takes it back when its refinement begins.
  int pinsaside = kTaskPins;
  // Checks of every level keep the maps that only the making of the next
  // level reads; a run lets them go once it is made.
  bool keepmaps = false;

  std::shared_ptr<CallContext> ctx = std::make_shared<CallContext>();
  // The progress record of the public call, shared by all its phases and
  // tasks; null when the caller follows nothing, and in a phase of another
  // call.
  ProgressSink *progress = nullptr;

  // Same options, same parameters, same context.
  friend bool operator==(const CtrlType &, const CtrlType &) = default;
};

// Steps of a partitioning besides its trials 0..Nruns-1, each with a stream
// of its own.
enum : int {
  STEP_KEPT_VCYCLES = -1,  // V-cycles on the first kept partition after the trials
  STEP_KWAY_FINISH = -2,   // the k-way pass that finishes a recursive bisection
  STEP_KEPT_MORE = -3      // V-cycles on kept partition k >= 1: STEP_KEPT_MORE - (k - 1)
};

// The step of the V-cycles on kept partition k: each kept partition has a
// stream of its own, so that they can be V-cycled side by side.
inline int KeptVCycleStep__(int k) { return k == 0 ? STEP_KEPT_VCYCLES : STEP_KEPT_MORE - (k - 1); }

// The stream of one step of the partitioning of the hypergraph that covers
// parts [lo, hi) of a call with stream key key: trial t draws from
// TrialStream__(key, lo, hi, t), whichever thread runs it and whenever.
inline RandomStream TrialStream__(uint64_t key, int lo, int hi, int step) {
  return StreamOfKey__(MixKey__(MixKey__(MixKey__(key, lo), hi), step));
}
inline RandomStream TrialStream__(const CtrlType *ctrl, int step) {
  return TrialStream__(ctrl->streamKey, ctrl->partlo, ctrl->parthi, step);
}

// Reads the option slots of a call through the given entry point (options may
// be NULL: the defaults; slots 5 and 6 only for recursive bisection) with what
// the entry derives from its arguments, and checks them as that entry does,
// ending the run with the entry's message at the first failure.
Options ReadOptions__(EntryKind entry, int nvtxs, int nparts, int UBfactor, const int *options);
// The k-way form of the balance, and the coarsening aim of direct k-way
// partitioning.
float KwayUBfactor__(int UBfactor);
int KwayCoarsenTo__(int nvtxs, int nparts);

// The control record at the top of a call: the phase parameters take the
// options' values (slot 3 becomes RType, as scheme or objective), the stream
// key comes from the seed (the clock for a negative one), the parts are all
// nparts, and the context is fresh with its stream at the key.
CtrlType CallCtrl__(const Options &opt);

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
// Timers live in the context: StartTimer(ctrl, &PhaseTimers::RefTmr). The
// two timers around the whole call (Total, Multilevel) read the processor
// time of the process, which counts every thread; a phase timer reads that
// of the thread running the phase, and a task's timers are added to its
// parent's when it ends (AddTimers__), so each phase counts the processor
// time all threads spent in it.
inline double TimerClock(double PhaseTimers::*tmr) {
  return tmr == &PhaseTimers::TotalTmr || tmr == &PhaseTimers::MultilevelTmr ? seconds__()
                                                                               : threadseconds__();
}
inline void StartTimer(const CtrlType *ctrl, double PhaseTimers::*tmr) {
  if (IsSet(ctrl->dbglvl, DBG_TIME)) ctrl->ctx->tmr.*tmr -= TimerClock(tmr);
}
inline void StopTimer(const CtrlType *ctrl, double PhaseTimers::*tmr) {
  if (IsSet(ctrl->dbglvl, DBG_TIME)) ctrl->ctx->tmr.*tmr += TimerClock(tmr);
}
void AddTimers__(PhaseTimers *to, const PhaseTimers &from);

// The tasks a level of npins pins is coarsened or refined in: the region's
// threads when the phase has the call's threads to itself and the level is
// large, one otherwise.
inline int LevelTasks__(const CtrlType *ctrl, int npins) {
  return ctrl->alone && npins >= kTaskPins ? RegionThreads__() : 1;
}

void InitTimers__(const CtrlType *ctrl);
void PrintTimers__(const CtrlType *ctrl, int detail);
