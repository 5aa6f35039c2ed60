// simplepart: multilevel recursive bisection with fixed default options.
#include <cstdio>
#include <cstdlib>

#include "common/frontend.h"
#include "zorbel.h"

namespace {

void PrintUsage(const char *prog) {
  printf("Usage: %s <GraphFile> <Nparts> <UBfactor>\n", prog);
  printf("       or\n");
  printf("       %s <GraphFile> <FixFile> <Nparts> <UBfactor>\n", prog);
  printf("Where:\n");
  printf(" GraphFile: name of the hypergraph file\n");
  printf(" FixFile  : name of the file containing pre-assignment of vertices to partitions\n");
  printf(" Nparts   : number of partitions desired\n");
  printf(" UBfactor : balance between the partitions (e.g., use 5 for a 45-55 bisection balance)\n");
}

}  // namespace

int main(int argc, char *argv[]) {
  AnswerInfoRequest(argc, argv, "simplepart", PrintUsage);
  if (argc != 4 && argc != 5) UsageError(argv[0], PrintUsage);
  bool fixed = argc == 5;
  int a = fixed ? 3 : 2;  // position of Nparts

  // Ten runs of HFC/FC coarsening, FM, V-cycles at the end, no reconstruction,
  // a header and a summary line per bisection.
  int options[9] = {1, 10, 1, 1, 1, 0, fixed ? 1 : 0, -1, 8};
  PartitionRun run{argv[1], fixed ? argv[2] : nullptr, atoi(argv[a]), atoi(argv[a + 1]),
                   options, 1, ZORBEL_PartRecursive};
  RunPartitioner(run);
  return 0;
}
