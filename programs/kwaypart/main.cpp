// kwaypart: direct k-way partitioning of a hypergraph file for the hyperedge
// cut or the sum of external degrees.
#include <cstdio>
#include <cstdlib>

#include "common/frontend.h"
#include "zorbel.h"

namespace {

void PrintUsage(const char *prog) {
  printf("Usage: %s <GraphFile> <Nparts> <UBfactor> <Nruns> <Ctype> <OType> <VCycle> <dbglvl>\n",
         prog);
  printf("Where:\n");
  printf(" GraphFile: name of the data file\n");
  printf(" Nparts   : number of desired partitions\n");
  printf(" UBfactor : balance between the partitions (e.g., 10 bounds the load-imbalance at 10%% "
         "(max/average))\n");
  printf(" Nruns    : Number of Iterations \n");
  printf(" CType    : HFC(1), FC(2), GFC(3), HEDGE(4), EDGE(5)\n");
  printf(" OType    : Cut(1), SOED(2)\n");
  printf(" VCycle   : No(0), @End(1), ForMin(2), All(3)\n");
  printf(" dbglvl   : debug level\n\n");
}

}  // namespace

int main(int argc, char *argv[]) {
  AnswerInfoRequest(argc, argv, "kwaypart", PrintUsage);
  if (argc != 9) UsageError(argv[0], PrintUsage);
  // Slots 5 and 6 (reconstruction, fixed vertices) mean nothing to k-way.
  const int options[9] = {1, atoi(argv[4]), atoi(argv[5]), atoi(argv[6]), atoi(argv[7]), 0, 0, -1,
                          atoi(argv[8])};
  RunPartitioner({argv[1], nullptr, atoi(argv[2]), atoi(argv[3]), options, 2, ZORBEL_PartKway});
  return 0;
}
