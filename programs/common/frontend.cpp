#include "frontend.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

// The seed of the run: the clock's (-1) unless ZORBEL_SEED holds a
// non-negative integer, which makes runs repeatable; anything else in it is
// refused rather than quietly ignored.
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

}  // namespace

void RunPartitioner(const PartitionRun &run) {
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
