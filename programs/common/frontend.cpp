#include "frontend.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "io/io.h"
#include "progress.h"

namespace {

// Reads the pre-assignment into part; its largest part number must name one
// of the requested parts.
void ReadFixFile(const PartitionRun &run, int nvtxs, int *part) {
  ReadPartition(nvtxs, part, run.fixfile);
  if (nvtxs > 0 && part[iamax__(nvtxs, part)] >= run.nparts) {
    printf("Input Error:\n\tThe file %s contains more than %d sets of pre-assigned vertices.\n\n",
           run.fixfile, run.nparts);
    fflush(stdout);
    exit(1);
  }
}

void PrintTimingLines(double parttime, double iotime) {
  printf("\n\nTiming Information ---------------------------------------------------------");
  printf("\n  Partitioning Time:\t\t %7.3fsec", parttime);
  printf("\n           I/O Time:\t\t %7.3fsec", iotime);
  printf("\n*******************************************************************************\n");
}

}  // namespace

int SeedFromEnvironment() {
  const char *text = getenv("ZORBEL_SEED");
  if (text == nullptr) return -1;
  char *end = nullptr;
  errno = 0;
  const long value = std::strtol(text, &end, 10);
  if (*text < '0' || *text > '9' || *end != '\0' || errno == ERANGE || value > INT_MAX)
    errexit__("ZORBEL_SEED must be a non-negative integer, not \"%s\".\n", text);
  return static_cast<int>(value);
}

void UseOneHeap() {
#ifdef __GLIBC__
  if (std::getenv("MALLOC_ARENA_MAX") == nullptr) mallopt(M_ARENA_MAX, 1);
#endif
}

void RunPartitioner(const PartitionRun &run) {
  UseOneHeap();
  double iotime = 0.0, parttime = 0.0;
  int options[9];
  for (int i = 0; i < 9; ++i) options[i] = run.options[i];
  options[7] = SeedFromEnvironment();
  NumThreadsFromEnvironment__();  // refused here, before any file is read

  iotime -= seconds__();
  HGraph *graph = ReadHGraph(run.graphfile);
  iotime += seconds__();
  // Parts beyond the vertices could only stay empty, and the report would
  // list every one of them.
  if (run.nparts > graph->nvtxs)
    errexit__("Nparts %d is greater than the number of vertices %d.\n", run.nparts, graph->nvtxs);

  int *part = ismalloc__(graph->nvtxs, 0, "main: part");
  if (run.fixfile) {
    iotime -= seconds__();
    ReadFixFile(run, graph->nvtxs, part);
    iotime += seconds__();
  }

  PrintInfo(graph, run.nparts, run.UBfactor, options, run.graphfile, run.mode);

  int edgecut = 0;
  {
    // The status line is gone before anything more is printed.
    ProgressDrawer progress(options[8] != 0);
    parttime -= seconds__();
    run.entry(graph->nvtxs, graph->nhedges, graph->cellwgt, graph->netptr, graph->netind,
              graph->netwgt, run.nparts, run.UBfactor, options, part, &edgecut);
    parttime += seconds__();
  }

  iotime -= seconds__();
  WriteHGraphPart(graph->nvtxs, part, run.graphfile);
  iotime += seconds__();

  PrintPartStatistics(graph->nvtxs, graph->nhedges, run.nparts, graph->netptr, graph->netind,
                      graph->netwgt, graph->cellwgt, part);
  PrintTimingLines(parttime, iotime);

  ZBfree__(&part);
  FreeHGraph__(graph);
}

void AnswerInfoRequest(int argc, char *argv[], const char *name, UsagePrinter usage) {
  if (argc != 2) return;
  if (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0) {
    usage(argv[0]);
  } else if (std::strcmp(argv[1], "--version") == 0) {
    printf("%s (ZORBEL library %s)\n", name, ZORBEL_LIBRARY_VERSION);
  } else {
    return;
  }
  fflush(stdout);
  exit(0);
}

void UsageError(const char *prog, UsagePrinter usage) {
  usage(prog);
  fflush(stdout);
  exit(1);
}

void PrintPartBalance(int nvtxs, const int *cellwgt, int nparts, const int *part, const PartStatistics &s) {
  int *pwgts = ismalloc__(nparts, 0, "PrintPartBalance: pwgts");
  ComputePartWeights(nvtxs, cellwgt, part, pwgts);
  const long long total = iasum__(nparts, pwgts);
  const int heaviest = pwgts[iamax__(nparts, pwgts)];
  int nempty = 0;
  for (int p = 0; p < nparts; ++p) nempty += pwgts[p] == 0;
  // Parts that all weigh nothing are as balanced as parts can be.
  const double imbalance =
      total > 0 ? static_cast<double>(heaviest) * nparts / static_cast<double>(total) : 1.0;
  printf("\n\n                        Parts:%10d", nparts);
  printf("\n      Heaviest / Average Part:%10.3f", imbalance);
  printf("\n                  Empty Parts:%10d", nempty);
  printf("\n       Connectivity - 1 (km1):%10lld", s.km1);
  printf("\n Imbalance over ceil(W/parts):%10.4f\n", s.imbalance);
  ZBfree__(&pwgts);
}

int ReadFinishedPartition(int nvtxs, int *part, const char *filename) {
  ReadFullPartition(nvtxs, part, filename);
  // Part numbers index per-part tables; a hypergraph never needs more parts
  // than it has vertices.
  for (int v = 0; v < nvtxs; ++v)
    if (part[v] >= nvtxs)
      errexit__("Part %d of vertex %d in the partition file %s is not below the number of vertices %d!\n",
                part[v], v, filename, nvtxs);
  return nvtxs > 0 ? part[iamax__(nvtxs, part)] + 1 : 0;
}

void PrintPartitionReport(const char *graphfile, const HGraph *graph, const char *partfile, int nparts,
                          const int *part) {
  printf("Hypergraph: %s, %d vertices, %d hyperedges; partition: %s\n", graphfile, graph->nvtxs,
         graph->nhedges, partfile);
  if (nparts == 0) return;
  const PartStatistics s = PrintPartStatistics(graph->nvtxs, graph->nhedges, nparts, graph->netptr,
                                               graph->netind, graph->netwgt, graph->cellwgt, part);
  PrintPartBalance(graph->nvtxs, graph->cellwgt, nparts, part, s);
}
