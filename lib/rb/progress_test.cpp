// The progress a call reports to an installed function: sane, monotone
// records, one report at a time, and nothing about the partition changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "testgen.h"
#include "zorbel.h"

namespace {

// Every report of a call, and whether two ever overlapped.
struct Reports {
  std::vector<ZORBEL_Progress> seen;
  std::atomic<bool> inside{false};
  bool overlapped = false;
};

void Collect(const ZORBEL_Progress *p, void *data) {
  auto *reports = static_cast<Reports *>(data);
  if (reports->inside.exchange(true)) reports->overlapped = true;
  reports->seen.push_back(*p);
  reports->inside.store(false);
}

using Outcome = zt::EntryOutcome;

enum class Entry { Recursive, Kway };

// One call with nruns trials of VCycle ForMin, so that V-cycles run inside
// the trial loop as well; with reports given, it reports to them.
Outcome Partition(const zt::PlainHGraph &g, Entry entry, int nparts, int nruns, int dbglvl,
                  int nthreads, Reports *reports) {
  ZORBEL_SetNumThreads(nthreads);
  if (reports != nullptr) ZORBEL_SetProgress(Collect, reports);
  const int options[9] = {1, nruns, 1, 1, 2, 0, 0, 29, dbglvl};
  const bool kway = entry == Entry::Kway;
  Outcome o = zt::CallEntry(g, kway, nparts, kway ? 10 : 5, options, std::vector<int>(g.nvtxs, -1));
  ZORBEL_SetProgress(nullptr, nullptr);
  ZORBEL_SetNumThreads(0);
  return o;
}

zt::PlainHGraph Input() {
  zt::GenSpec gs;
  gs.nvtxs = 900;
  gs.nhedges = 1400;
  gs.maxvwgt = 3;
  gs.nlarge = 4;
  gs.seed = 8;
  return zt::Generate(gs);
}

// The invariants of every call's reports: the stage only advances and ends
// at done; the bisection begun last stays below nbisections and only grows;
// within one bisection the trials ended only grow, up to nruns; V-cycles only
// grow.
void CheckMonotone(const Reports &r, int nbisections, int nruns) {
  ASSERT_FALSE(r.seen.empty());
  EXPECT_FALSE(r.overlapped);
  EXPECT_EQ(r.seen.back().stage, ZORBEL_STAGE_DONE);
  for (size_t i = 0; i < r.seen.size(); ++i) {
    const ZORBEL_Progress &p = r.seen[i];
    EXPECT_EQ(p.nbisections, nbisections);
    EXPECT_EQ(p.nruns, nruns);
    EXPECT_GE(p.bisection, 0);
    EXPECT_LT(p.bisection, std::max(nbisections, 1));
    EXPECT_GE(p.trials, 0);
    EXPECT_LE(p.trials, nruns);
    if (i == 0) continue;
    const ZORBEL_Progress &q = r.seen[i - 1];
    EXPECT_GE(p.stage, q.stage) << i;
    EXPECT_GE(p.bisection, q.bisection) << i;
    EXPECT_GE(p.vcycles, q.vcycles) << i;
    if (p.bisection == q.bisection && p.stage == q.stage && p.trials < q.trials) {
      EXPECT_EQ(p.trials, 0) << "only a new partitioning starts its trials afresh, " << i;
    }
  }
}

TEST(Progress, RecursiveBisectionReportsEveryBisectionAndTrialInOrderOnOneThread) {
  const zt::PlainHGraph g = Input();
  const int nparts = 6, nruns = 4;
  Reports r;
  Partition(g, Entry::Recursive, nparts, nruns, 0, 1, &r);
  CheckMonotone(r, nparts - 1, nruns);
  // One thread: each bisection shows its trials 0, 1, .. nruns in turn.
  std::vector<int> trialsOf(nparts - 1, -1);
  for (const ZORBEL_Progress &p : r.seen) {
    if (p.stage != ZORBEL_STAGE_BISECTIONS) continue;
    EXPECT_LE(p.trials, trialsOf[p.bisection] + 1);
    trialsOf[p.bisection] = p.trials;
  }
  for (int b = 0; b < nparts - 1; ++b) EXPECT_EQ(trialsOf[b], nruns) << "bisection " << b;
  // 3 to 64 parts end with the k-way pass, whose V-cycles come last.
  bool finish = false;
  for (const ZORBEL_Progress &p : r.seen) finish |= p.stage == ZORBEL_STAGE_KWAY_FINISH;
  EXPECT_TRUE(finish);
  EXPECT_GT(r.seen.back().vcycles, 0);
}

TEST(Progress, KwayReportsItsTrialsButNotItsInnerBisections) {
  const zt::PlainHGraph g = Input();
  const int nruns = 3;
  Reports r;
  Partition(g, Entry::Kway, 5, nruns, 0, 1, &r);
  CheckMonotone(r, 0, nruns);
  int ended = 0;
  for (const ZORBEL_Progress &p : r.seen) {
    EXPECT_NE(p.stage, ZORBEL_STAGE_BISECTIONS);
    ended = std::max(ended, p.trials);
  }
  EXPECT_EQ(ended, nruns);
}

// The V-cycles a call counts are those it runs, whatever the threads; and
// the partition, its cut and the trace are the same with a function
// installed or not.
TEST(Progress, ReportingChangesNothingForAnyThreadCount) {
  const zt::PlainHGraph g = Input();
  const int trace = 8 | 16 | 128;
  for (Entry entry : {Entry::Recursive, Entry::Kway}) {
    for (int dbglvl : {0, trace}) {
      const Outcome plain = Partition(g, entry, 7, 3, dbglvl, 1, nullptr);
      int vcycles = -1;
      for (int nthreads : {1, 2, 8}) {
        Reports r;
        EXPECT_EQ(Partition(g, entry, 7, 3, dbglvl, nthreads, &r), plain)
            << nthreads << " threads, dbglvl " << dbglvl;
        CheckMonotone(r, entry == Entry::Kway ? 0 : 6, 3);
        if (vcycles < 0) vcycles = r.seen.back().vcycles;
        EXPECT_EQ(r.seen.back().vcycles, vcycles) << nthreads << " threads";
      }
    }
  }
}

TEST(Progress, NothingIsReportedOnceTheFunctionIsRemoved) {
  const zt::PlainHGraph g = Input();
  Reports r;
  ZORBEL_SetProgress(Collect, &r);
  ZORBEL_SetProgress(nullptr, &r);
  int cut = 0;
  std::vector<int> part(g.nvtxs);
  ZORBEL_PartRecursive(g.nvtxs, g.nhedges(), g.vwgts.data(), g.eptr.data(), g.eind.data(),
                       g.hewgts.data(), 4, 5, nullptr, part.data(), &cut);
  EXPECT_TRUE(r.seen.empty());
}

}  // namespace
