// What the partitioning programs share: one run from the hypergraph file to
// the partition file, the statistics and the timing lines.
#pragma once

#include "hgraph/hgraph.h"

// The library entry point a program partitions with.
using PartitionEntry = void (*)(int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                                const int *eind, const int *hewgts, int nparts, int UBfactor,
                                const int *options, int *part, int *edgecut);

struct PartitionRun {
  const char *graphfile;
  const char *fixfile;  // nullptr: no pre-assigned vertices
  int nparts;
  int UBfactor;
  const int *options;  // the nine-slot option vector; ZORBEL_SEED may replace slot 7 (the seed)
  int mode;            // run description of PrintInfo: 1 recursive bisection, 2 k-way
  PartitionEntry entry;
};

// Reads the hypergraph (and the fix file), partitions, writes the partition
// file and prints the reports. Every error ends the process with status 1.
void RunPartitioner(const PartitionRun &run);

// The partitioner allocates few arrays, most of them large, from every
// thread. With one heap for all threads, what one thread frees serves the
// next array any thread asks for; a heap per thread would keep it aside, and
// the process would hold more memory than the run ever uses at once. A
// MALLOC_ARENA_MAX set in the environment stays in force.
void UseOneHeap();

// A program's usage text, printed on standard output.
using UsagePrinter = void (*)(const char *prog);

// The requests a program answers before it reads its arguments: "-h" or
// "--help" as the only argument prints the usage text, "--version" the
// program's name and the library's version; both end the run with status 0.
// Any other argument list returns.
void AnswerInfoRequest(int argc, char *argv[], const char *name, UsagePrinter usage);

// A wrong argument list: the usage text, then status 1.
[[noreturn]] void UsageError(const char *prog, UsagePrinter usage);

// The seed of a run: the clock's (-1) unless ZORBEL_SEED holds a
// non-negative integer, which makes runs repeatable; anything else in it is
// refused rather than quietly ignored.
int SeedFromEnvironment();

// The figures the statistics block leaves out: how many parts, how far the
// heaviest one lies above the average, how many are empty, the connectivity
// objective and the imbalance that a bound on the final partition speaks of
// (heaviest part <= (1 + epsilon) * ceil(W / nparts)). The reader bounds the
// total vertex weight, so the part weights fit an int.
void PrintPartBalance(int nvtxs, const int *cellwgt, int nparts, const int *part, const PartStatistics &s);

// A finished partition of nvtxs vertices, whichever program wrote it: one
// part number per vertex, each below nvtxs (part numbers index per-part
// tables, and a hypergraph never needs more parts than it has vertices).
// Returns the number of parts, the largest part number plus one.
int ReadFinishedPartition(int nvtxs, int *part, const char *filename);

// partstat's report of a partition of graph (read from graphfile) into
// nparts parts (read from partfile): a line naming both, the statistics
// block and the balance lines.
void PrintPartitionReport(const char *graphfile, const HGraph *graph, const char *partfile, int nparts,
                          const int *part);
