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

// The figures the statistics block leaves out: how many parts, how far the
// heaviest one lies above the average, how many are empty, the connectivity
// objective and the imbalance that a bound on the final partition speaks of
// (heaviest part <= (1 + epsilon) * ceil(W / nparts)). The reader bounds the
// total vertex weight, so the part weights fit an int.
void PrintBalance(int nvtxs, const int *cellwgt, int nparts, const int *part, const PartStatistics &s) {
  int *pwgts = ismalloc__(nparts, 0, "partstat: pwgts");
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
  ReadFullPartition(nvtxs, part, argv[2]);
  // Part numbers index per-part tables; a hypergraph never needs more parts
  // than it has vertices.
  for (int v = 0; v < nvtxs; ++v)
    if (part[v] >= nvtxs)
      errexit__("Part %d of vertex %d in the partition file %s is not below the number of vertices %d!\n",
                part[v], v, argv[2], nvtxs);
  const int nparts = nvtxs > 0 ? part[iamax__(nvtxs, part)] + 1 : 0;

  printf("Hypergraph: %s, %d vertices, %d hyperedges; partition: %s\n", argv[1], nvtxs,
         graph->nhedges, argv[2]);
  if (nparts > 0) {
    const PartStatistics s = PrintPartStatistics(nvtxs, graph->nhedges, nparts, graph->netptr, graph->netind,
                                                 graph->netwgt, graph->cellwgt, part);
    PrintBalance(nvtxs, graph->cellwgt, nparts, part, s);
  }
  return 0;
}
