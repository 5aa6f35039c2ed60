// partstat: the statistics of the other programs for any partition file of a
// hypergraph, whichever program wrote it.
#include <cstdio>
#include <cstdlib>

#include "common/frontend.h"
#include "io/io.h"

namespace {

void PrintUsage(const char *prog) {
  printf("Usage: %s <GraphFile> <PartFile>\n", prog);
  printf("Where:\n");
  printf(" GraphFile: name of the hypergraph file\n");
  printf(" PartFile : name of the partition file, one part number (from 0) per vertex\n");
}

}  // namespace

int main(int argc, char *argv[]) {
  AnswerInfoRequest(argc, argv, "partstat", PrintUsage);
  if (argc != 3) UsageError(argv[0], PrintUsage);

  // In static storage, so that the error exits below still free them (and a
  // leak checker at exit sees them held).
  static HGraphOwner graph;
  static ZBArray<int> part;
  graph.reset(ReadHGraph(argv[1]));
  const int nvtxs = graph->nvtxs;
  part = imalloc__(nvtxs, "partstat: part");
  const int nparts = ReadFinishedPartition(nvtxs, part, argv[2]);

  PrintPartitionReport(argv[1], graph.get(), argv[2], nparts, part);
  return 0;
}
