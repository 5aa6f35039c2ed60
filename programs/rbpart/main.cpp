// rbpart: multilevel recursive bisection with every option on the command line.
#include <cstdio>
#include <cstdlib>

#include "common/frontend.h"
#include "zorbel.h"

namespace {

void PrintUsage(const char *prog) {
  printf("Usage: \n %s <GraphFile> <Nparts> <UBfactor> <Nruns> <Ctype> <RType> <VCycle> <Reconst> <dbglvl>\n", prog);
  printf(" or\n");
  printf(" %s <GraphFile> <FixFile> <Nparts> <UBfactor> <Nruns> <Ctype> <RType> <VCycle> <Reconst> <dbglvl>\n", prog);
  printf("Where:\n");
  printf(" GraphFile: name of the hypergraph file\n");
  printf(" FixFile  : name of the file containing pre-assignment of vertices to partitions\n");
  printf(" Nparts   : number of partitions desired\n");
  printf(" UBfactor : balance between the partitions (e.g., use 5 for a 45-55 bisection balance)\n");
  printf(" Nruns    : Number of Iterations \n");
  printf(" CType    : HFC(1), FC(2), GFC(3), HEDGE(4), EDGE(5)\n");
  printf(" RType    : FM(1), 1WayFM(2), EEFM(3)\n");
  printf(" VCycle   : No(0), @End(1), ForMin(2), All(3)\n");
  printf(" Reconst  : NoReconstruct_HE(0), Reconstruct_HE (1)\n");
  printf(" dbglvl   : debug level\n\n");
}

}  // namespace

int main(int argc, char *argv[]) {
  AnswerInfoRequest(argc, argv, "rbpart", PrintUsage);
  if (argc != 10 && argc != 11) UsageError(argv[0], PrintUsage);
  bool fixed = argc == 11;
  const char *const *num = argv + (fixed ? 3 : 2);  // Nparts, UBfactor, Nruns .. dbglvl

  int options[9] = {1, atoi(num[2]), atoi(num[3]), atoi(num[4]), atoi(num[5]),
                    atoi(num[6]), fixed ? 1 : 0, -1, atoi(num[7])};
  PartitionRun run{argv[1], fixed ? argv[2] : nullptr, atoi(num[0]), atoi(num[1]),
                   options, 1, ZORBEL_PartRecursive};
  RunPartitioner(run);
  return 0;
}
