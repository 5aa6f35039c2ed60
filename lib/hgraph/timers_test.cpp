#include <gtest/gtest.h>

#include <string>

#include "hgraph/ctrl.h"

TEST(Timers, InitClearsAllFifteen) {
  CtrlType ctrl;
  double *t = &ctrl.ctx->tmr.TotalTmr;
  for (int i = 0; i < 15; ++i) t[i] = 1.5 + i;
  InitTimers__(&ctrl);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(t[i], 0.0) << i;
}

// The timer loses the clock reading at the start and gains the one at the
// stop: bracketing each reading between two clock readings of the test pins
// the accumulated value down without measuring any duration.
TEST(Timers, PhaseRunTwiceAccumulatesBothIntervalsOnlyWithTimingBit) {
  CtrlType ctrl{};
  ctrl.dbglvl = DBG_TIME;
  InitTimers__(&ctrl);
  ctrl.ctx->tmr.CoarsenTmr = 7.0;
  double lo = 7.0, hi = 7.0;
  volatile double sink = 0;
  // A phase timer reads the processor time of the thread running the phase.
  auto phaseClock = [] { return threadseconds__(); };
  for (int run = 0; run < 2; ++run) {
    const double a = phaseClock();
    StartTimer(&ctrl, &PhaseTimers::CoarsenTmr);
    const double b = phaseClock();
    for (int i = 0; i < 100000; ++i) sink = sink + i;
    const double c = phaseClock();
    StopTimer(&ctrl, &PhaseTimers::CoarsenTmr);
    const double d = phaseClock();
    lo += c - b;  // the shortest interval the two readings can span
    hi += d - a;  // the longest
  }
  EXPECT_GE(ctrl.ctx->tmr.CoarsenTmr, lo - 1e-9);
  EXPECT_LE(ctrl.ctx->tmr.CoarsenTmr, hi + 1e-9);
  // Started without a stop, the timer holds minus the start reading.
  const double a = phaseClock();
  StartTimer(&ctrl, &PhaseTimers::SpareTmr);
  const double b = phaseClock();
  EXPECT_LE(-ctrl.ctx->tmr.SpareTmr, b + 1e-9);
  EXPECT_GE(-ctrl.ctx->tmr.SpareTmr, a - 1e-9);

  ctrl.dbglvl = DBG_BISECT;
  ctrl.ctx->tmr.RefTmr = 7.0;
  StartTimer(&ctrl, &PhaseTimers::RefTmr);
  StopTimer(&ctrl, &PhaseTimers::RefTmr);
  EXPECT_EQ(ctrl.ctx->tmr.RefTmr, 7.0);
}

TEST(Timers, ReportPrintsPhasesInOrderAndRefinementOnRequest) {
  CtrlType ctrl{};
  InitTimers__(&ctrl);
  ctrl.ctx->tmr.MultilevelTmr = 1.25;
  ctrl.ctx->tmr.CoarsenTmr = 0.5;
  ctrl.ctx->tmr.InitPartTmr = 0.125;
  ctrl.ctx->tmr.UncoarsenTmr = 0.25;
  ctrl.ctx->tmr.Aux1Tmr = 1;
  ctrl.ctx->tmr.Aux2Tmr = 2;
  ctrl.ctx->tmr.Aux3Tmr = 3;
  ctrl.ctx->tmr.Aux4Tmr = 4;
  ctrl.ctx->tmr.RefTmr = 5;
  ctrl.ctx->tmr.RefInitTmr = 6;
  ctrl.ctx->tmr.RefIterTmr = 7;
  ctrl.ctx->tmr.RefWrapTmr = 8;
  ctrl.ctx->tmr.TotalTmr = 9.5;
  ctrl.ctx->tmr.ProjectTmr = 99;
  const std::string head =
      "\nTiming Information ---------------------------------------------------------"
      "\n Multilevel: \t\t   1.250"
      "\n     Coarsening: \t\t   0.500"
      "\n     Initial Partition: \t   0.125"
      "\n     Uncoarsening: \t\t   0.250"
      "\n             Aux1: \t\t   1.000"
      "\n             Aux2: \t\t   2.000"
      "\n             Aux3: \t\t   3.000"
      "\n             Aux4: \t\t   4.000";
  const std::string tail =
      "\n Total: \t\t   9.500"
      "\n----------------------------------------------------------------------------";
  ::testing::internal::CaptureStdout();
  PrintTimers__(&ctrl, 0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), head + tail);
  ::testing::internal::CaptureStdout();
  PrintTimers__(&ctrl, 1);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            head +
                "\n        Refinement: \t\t\t   5.000"
                "\n            Initialize: \t\t\t   6.000"
                "\n            Iterate: \t\t\t\t   7.000"
                "\n            Wrap Up: \t\t\t\t   8.000" +
                tail);
}

// The timers around a whole call read the process's processor time, the
// phase timers the thread's; a task's timers add up into its parent's.
TEST(Timers, CallTimersReadTheProcessClockAndTaskTimersAddUp) {
  const double start = threadseconds__();
  const double phase = TimerClock(&PhaseTimers::CoarsenTmr);
  EXPECT_GE(phase, start);
  EXPECT_LE(phase, threadseconds__());
  const double before = seconds__();
  const double total = TimerClock(&PhaseTimers::TotalTmr);
  EXPECT_GE(total, before);
  EXPECT_LE(total, seconds__());
  const double multilevel = TimerClock(&PhaseTimers::MultilevelTmr);
  EXPECT_LE(multilevel, seconds__());
  EXPECT_GE(multilevel, total);

  PhaseTimers parent{}, task{};
  double *p = &parent.TotalTmr, *t = &task.TotalTmr;
  for (int i = 0; i < 15; ++i) {
    p[i] = i;
    t[i] = 0.5 * i;
  }
  AddTimers__(&parent, task);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(p[i], 1.5 * i) << i;
}
