// The number of threads changes nothing a call returns or prints: the halves
// of the recursion run as tasks with streams of their own positions and trace
// into buffers written out in the sequential order.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "testgen.h"
#include "hgraph/ctrl.h"
#include "zorbel.h"

namespace {

using Outcome = zt::EntryOutcome;

zt::PlainHGraph Input() {
  zt::GenSpec gs;
  gs.nvtxs = 1200;
  gs.nhedges = 1800;
  gs.maxsize = 7;
  gs.maxvwgt = 3;
  gs.maxhwgt = 2;
  gs.nislands = 5;
  gs.nlarge = 6;
  gs.largesize = 150;
  gs.seed = 21;
  return zt::Generate(gs);
}

enum class Entry { Recursive, RecursiveFixed, Kway };

// With nruns above 10 every bisection keeps three partitions for its
// V-cycles after the trials; the k-way driver keeps two.
Outcome Partition(const zt::PlainHGraph &g, Entry entry, int nparts, int dbglvl, int nthreads,
                  int nruns = 2) {
  ZORBEL_SetNumThreads(nthreads);
  const int fixed = entry == Entry::RecursiveFixed ? 1 : 0;
  const int options[9] = {1, nruns, 1, 1, 1, 0, fixed, 13, dbglvl};
  std::vector<int> part(g.nvtxs, -1);
  if (fixed) {
    for (int v = 0; v < g.nvtxs; v += 15) part[v] = v % nparts;
  }
  const bool kway = entry == Entry::Kway;
  Outcome o = zt::CallEntry(g, kway, nparts, kway ? 10 : 5, options, std::move(part));
  ZORBEL_SetNumThreads(0);
  return o;
}

TEST(Threads, PartitionCutAndTraceAreTheSameForOneTwoAndSixteenThreads) {
  const zt::PlainHGraph g = Input();
  const int trace = DBG_COARSEN | DBG_INITPART | DBG_REFINE | DBG_BISECT | DBG_TRIAL | DBG_DETAIL;
  struct Case {
    Entry entry;
    int nparts, dbglvl, nruns = 2;
  } cases[] = {{Entry::Recursive, 16, 0},
               {Entry::Recursive, 11, 0},
               {Entry::Recursive, 70, 0},
               {Entry::Recursive, 8, trace},
               {Entry::Recursive, 32, DBG_BISECT},
               {Entry::Recursive, 4, trace, 12},
               {Entry::RecursiveFixed, 6, 0},
               {Entry::Kway, 8, 0},
               {Entry::Kway, 4, trace},
               {Entry::Kway, 6, DBG_TRIAL, 12}};
  for (const Case &c : cases) {
    const Outcome one = Partition(g, c.entry, c.nparts, c.dbglvl, 1, c.nruns);
    EXPECT_EQ(one.cut, zt::RecountCut(g, one.part.data()));
    if (c.dbglvl != 0) {
      EXPECT_NE(one.printed, "");
    }
    for (int nthreads : {2, 16})
      EXPECT_EQ(Partition(g, c.entry, c.nparts, c.dbglvl, nthreads, c.nruns), one)
          << "entry " << static_cast<int>(c.entry) << ", " << c.nparts << " parts, dbglvl "
          << c.dbglvl << ", " << nthreads << " threads";
  }
}

// With memory for one trial at a time the trials run one after another,
// each still on its own position's stream: the same partition and trace.
TEST(Threads, TrialsBoundByMemoryGiveTheSamePartitionAndTrace) {
  const zt::PlainHGraph g = Input();
  const int trace = DBG_BISECT | DBG_TRIAL | DBG_DETAIL;
  const Outcome free = Partition(g, Entry::Recursive, 4, trace, 2, 12);
  const Outcome kway = Partition(g, Entry::Kway, 4, trace, 2, 12);
  for (long long budget : {1LL, 1500000LL}) {
    SetMemoryBudget__(budget);
    EXPECT_EQ(Partition(g, Entry::Recursive, 4, trace, 2, 12), free) << budget << " bytes";
    EXPECT_EQ(Partition(g, Entry::Kway, 4, trace, 16, 12), kway) << budget << " bytes";
    SetMemoryBudget__(0);
  }
}

// The timers' lines are printed, in the same order, whatever the threads.
TEST(Threads, PhaseTimersArePrintedWithAnyNumberOfThreads) {
  const zt::PlainHGraph g = Input();
  auto labels = [](const std::string &out) {
    std::string kept;
    for (char ch : out)
      if (!(ch >= '0' && ch <= '9') && ch != '.') kept += ch;
    return kept;
  };
  const Outcome one = Partition(g, Entry::Recursive, 8, DBG_TIME, 1);
  const Outcome two = Partition(g, Entry::Recursive, 8, DBG_TIME, 2);
  EXPECT_NE(one.printed.find("Coarsening:"), std::string::npos);
  EXPECT_EQ(labels(two.printed), labels(one.printed));
  EXPECT_EQ(two.part, one.part);
}

TEST(Threads, SetNumThreadsOverridesTheEnvironmentUntilReset) {
  const char *saved = std::getenv("ZORBEL_NUM_THREADS");
  const std::string keep = saved ? saved : "";
  unsetenv("ZORBEL_NUM_THREADS");
  const int hardware = NumThreads__();
  EXPECT_GE(hardware, 1);
  setenv("ZORBEL_NUM_THREADS", "5", 1);
  EXPECT_EQ(NumThreadsFromEnvironment__(), 5);
  EXPECT_EQ(NumThreads__(), 5);
  ZORBEL_SetNumThreads(3);
  EXPECT_EQ(NumThreads__(), 3);
  ZORBEL_SetNumThreads(-2);
  EXPECT_EQ(NumThreads__(), 5);
  unsetenv("ZORBEL_NUM_THREADS");
  EXPECT_EQ(NumThreadsFromEnvironment__(), 0);
  EXPECT_EQ(NumThreads__(), hardware);
  if (saved) setenv("ZORBEL_NUM_THREADS", keep.c_str(), 1);
}

}  // namespace
