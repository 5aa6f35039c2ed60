// Helpers of the two-way refinement tests: refinable levels built from
// generated hypergraphs, random starting bisections and exactness checks.
#pragma once

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "prep/prep.h"
#include "refine2/refine2.h"
#include "testgen.h"

namespace twoway {

inline CtrlType MakeCtrl(float targetfrac = 0.5f, float ubfactor = 0.05f) {
  CtrlType ctrl{};
  ctrl.TargetFrac = targetfrac;
  ctrl.ubfactor = ubfactor;
  ctrl.RType = 1;
  ctrl.MaxNetSize = 50;
  return ctrl;
}

// A level ready for two-way refinement: incidence and refinement arrays.
inline HGraph *MakeLevel(const zt::PlainHGraph &g, int nfixed = 0) {
  HGraph *graph = zt::ToHGraph(g);
  graph->nfixed = nfixed;
  graph->nislands = 0;
  CreateIncidentHGraph__(graph);
  AllocateRefinementMemory__(graph);
  return graph;
}

// Inputs of many shapes: weighted vertices and hyperedges, isolated vertices,
// heavy vertices, gain ranges wide enough for heap-mode queues, and anchors.
struct Case {
  zt::GenSpec gs;
  int nfixed;
};

inline std::vector<Case> Variety(int n, unsigned base = 100) {
  std::vector<Case> cases;
  for (int i = 0; i < n; ++i) {
    zt::GenSpec s;
    s.seed = base + i;
    s.nvtxs = 20 + (i * 37) % 180;
    s.nhedges = s.nvtxs * (1 + i % 3) / 2 + 3;
    s.maxsize = 2 + i % 7;
    s.maxvwgt = (i % 4 == 1) ? 9 : 1;
    s.maxhwgt = (i % 5 == 2) ? 80 : (i % 5 == 3 ? 4 : 1);  // 80: heap-mode queues
    s.nislands = (i % 3 == 0) ? s.nvtxs / 10 : 0;
    if (i % 6 == 5) {
      s.maxvwgt = 400;  // slack above 1000: the weight-constrained picks matter
      s.nheavy = 3;
      s.heavywgt = 4000;
    }
    cases.push_back({s, (i % 4 == 3) ? 1 + i % 5 : 0});
  }
  return cases;
}

// A random side for every vertex, skewed towards side 0 by skew in [0,1).
inline void RandomSides(HGraph *graph, std::mt19937 &rng, double skew = 0.0) {
  std::uniform_real_distribution<double> u(0.0, 1.0);
  for (int v = 0; v < graph->nvtxs + graph->nislands; ++v)
    graph->where[v] = u(rng) < 0.5 + skew / 2 ? 0 : 1;
}

inline bool IsBalanced(const CtrlType &ctrl, const HGraph *graph) {
  int minpwgt[2];
  ComputeMinPartWeights__(&ctrl, graph->twoway.pwgts[0] + graph->twoway.pwgts[1], minpwgt);
  return graph->twoway.pwgts[0] >= minpwgt[0] && graph->twoway.pwgts[1] >= minpwgt[1];
}

// where holds sides only; pwgts and mincut equal a brute-force recount.
inline void ExpectExactFigures(const zt::PlainHGraph &g, const HGraph *graph) {
  for (int v = 0; v < g.nvtxs; ++v) ASSERT_TRUE(graph->where[v] == 0 || graph->where[v] == 1);
  const std::vector<int> pw = zt::RecountPartWeights(g, graph->where, 2);
  EXPECT_EQ(graph->twoway.pwgts[0], pw[0]);
  EXPECT_EQ(graph->twoway.pwgts[1], pw[1]);
  EXPECT_EQ(graph->mincut, zt::RecountCut(g, graph->where));
}

// gain, ndeg, pwgts and mincut equal a computation from scratch.
inline void ExpectExactGains(HGraph *graph) {
  EXPECT_EQ(CheckDegrees(graph), 1);
  const std::vector<int> gain(graph->twoway.gain.get(), graph->twoway.gain + graph->nvtxs);
  const std::vector<int> nd0(graph->twoway.ndeg[0].get(), graph->twoway.ndeg[0] + graph->nhedges);
  const std::vector<int> nd1(graph->twoway.ndeg[1].get(), graph->twoway.ndeg[1] + graph->nhedges);
  const int cut = graph->mincut, pw0 = graph->twoway.pwgts[0], pw1 = graph->twoway.pwgts[1];
  ComputeInitGains__(graph);
  EXPECT_EQ(gain, std::vector<int>(graph->twoway.gain.get(), graph->twoway.gain + graph->nvtxs));
  EXPECT_EQ(nd0,
            std::vector<int>(graph->twoway.ndeg[0].get(), graph->twoway.ndeg[0] + graph->nhedges));
  EXPECT_EQ(nd1,
            std::vector<int>(graph->twoway.ndeg[1].get(), graph->twoway.ndeg[1] + graph->nhedges));
  EXPECT_EQ(cut, graph->mincut);
  EXPECT_EQ(pw0, graph->twoway.pwgts[0]);
  EXPECT_EQ(pw1, graph->twoway.pwgts[1]);
}

// Standard output of f, with the library's printf output flushed into it.
template <class F>
std::string CaptureOutput(F f) {
  ::testing::internal::CaptureStdout();
  f();
  fflush(stdout);
  return ::testing::internal::GetCapturedStdout();
}

inline int CountOf(const std::string &text, const std::string &what) {
  int n = 0;
  for (size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) ++n;
  return n;
}

}  // namespace twoway

namespace twoway {

// Runs refine on every input of Variety from random starting bisections (some
// unbalanced) and checks: exact where/pwgts/mincut, anchors in place, the
// exact gains when exactgains says so, and no higher cut from a balanced start
// when keepscut is set.
template <class Refine>
void CheckOnVariety(int seed, Refine refine, bool exactgains, bool keepscut, int ncases = 36) {
  std::mt19937 rng(7);
  CtrlType ctrl = MakeCtrl();
  InitRandom__(&ctrl.ctx->rng, seed);
  for (const Case &c : Variety(ncases)) {
    SCOPED_TRACE(::testing::Message() << "seed " << c.gs.seed << " nfixed " << c.nfixed);
    const zt::PlainHGraph g = zt::Generate(c.gs);
    HGraph *graph = MakeLevel(g, c.nfixed);
    ctrl.HeavyCells = c.gs.nheavy > 0;
    for (int start = 0; start < 3; ++start) {
      RandomSides(graph, rng, start == 2 ? 0.6 : 0.0);
      if (start == 1) Balance__(&ctrl, graph);  // mostly a balanced start
      ComputeInitGains__(graph);
      const bool balanced = IsBalanced(ctrl, graph);
      const int before = graph->mincut;
      const std::vector<int> anchors(graph->where.get(), graph->where + c.nfixed);

      refine(&ctrl, graph);

      ExpectExactFigures(g, graph);
      EXPECT_EQ(anchors, std::vector<int>(graph->where.get(), graph->where + c.nfixed));
      if (exactgains) ExpectExactGains(graph);
      if (keepscut && balanced) {
        EXPECT_LE(graph->mincut, before);
        EXPECT_TRUE(IsBalanced(ctrl, graph));
      }
      if (::testing::Test::HasFailure()) break;
    }
    FreeHGraph__(graph);
    if (::testing::Test::HasFailure()) break;
  }
}

// Calls check(ctrl, graph) for every case of Variety(24, base) whose random
// start, skewed towards side 1, leaves a side below its minimum weight, and
// expects exact figures afterwards; returns how many cases that was.
template <class Check>
int OnUnbalancedStarts(unsigned rngseed, unsigned base, Check check) {
  std::mt19937 rng(rngseed);
  int nchecked = 0;
  for (const Case &c : Variety(24, base)) {
    SCOPED_TRACE(::testing::Message() << "seed " << c.gs.seed);
    const zt::PlainHGraph g = zt::Generate(c.gs);
    HGraph *graph = MakeLevel(g, c.nfixed);
    CtrlType ctrl = MakeCtrl();
    InitRandom__(&ctrl.ctx->rng, static_cast<int>(c.gs.seed));
    RandomSides(graph, rng, -0.8);
    ComputeInitGains__(graph);
    if (!IsBalanced(ctrl, graph)) {
      ++nchecked;
      check(&ctrl, graph);
      ExpectExactFigures(g, graph);
    }
    FreeHGraph__(graph);
  }
  return nchecked;
}

// A level of the task-sized hypergraph generated from seed, large enough to be
// refined in tasks, with 3 anchors: refine runs on it in a call of 1, 2, 3
// and 16 threads from the same random sides (with prepare run before, on one
// thread). Each run must leave the anchors in place and the figures exact,
// and bring the cut below maxratio times what refine started from; the sides
// and the cut must be the same for every thread count.
template <class Prepare, class Refine>
void ExpectSameSidesForAnyThreadCount(unsigned seed, double maxratio, Prepare prepare, Refine refine) {
  const zt::PlainHGraph g = zt::Generate(zt::TaskSizedSpec(seed));
  auto run = [&](int nthreads) {
    HGraph *graph = MakeLevel(g, 3);
    EXPECT_GE(graph->incptr[graph->nvtxs], kTaskPins);
    std::mt19937 rng(5);
    RandomSides(graph, rng);
    CtrlType ctrl = MakeCtrl();
    ctrl.alone = true;
    InitRandom__(&ctrl.ctx->rng, 9);
    ComputeInitGains__(graph);
    prepare(&ctrl, graph);
    const int before = graph->mincut;
    const std::vector<int> anchors(graph->where.get(), graph->where + 3);
    const CallThreads__ threads(nthreads);
    InParallel__([&] { refine(&ctrl, graph); });
    EXPECT_LT(graph->mincut, before * maxratio);
    EXPECT_EQ(anchors, std::vector<int>(graph->where.get(), graph->where + 3));
    ExpectExactFigures(g, graph);
    std::vector<int> sides(graph->where.get(), graph->where + graph->nvtxs);
    sides.push_back(graph->mincut);
    FreeHGraph__(graph);
    return sides;
  };
  const std::vector<int> once = run(1);
  for (int nthreads : {2, 3, 16}) EXPECT_EQ(run(nthreads), once) << nthreads << " threads";
}

}  // namespace twoway
