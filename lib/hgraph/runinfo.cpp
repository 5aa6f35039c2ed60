// The run description printed before partitioning: banner, hypergraph size
// and the options of the run in words.
#include <cstdio>
#include <initializer_list>

#include "hgraph/hgraph.h"

namespace {

const char *Name(int value, int first, std::initializer_list<const char *> names) {
  int i = value - first;
  return i >= 0 && i < static_cast<int>(names.size()) ? names.begin()[i] : "??";
}

const char *CoarsenName(int ctype) { return Name(ctype, 1, {"HFC", "FC", "GFC", "HEDGE", "EDGE"}); }
const char *RefineName(int rtype) { return Name(rtype, 1, {"FM", "1WayFM", "EEFM"}); }
const char *ObjectiveName(int otype) { return Name(otype, 1, {"Cut-minimization", "SOED-minimization"}); }
const char *ReconstName(int reconst) { return Name(reconst, 0, {"Reconst-False", "Reconst-True"}); }
const char *VCycleName(int vcycle) {
  return Name(vcycle, 0, {"No V-cycles", "V-cycles @ End", "V-cycle for Min", "Always V-cycle"});
}
const char *FixedName(int fixed) { return Name(fixed, 0, {"No Fixed Vertices", "With Fixed Vertices"}); }

}  // namespace

// mode 1 is recursive bisection, where UBfactor is a percentage of imbalance
// per bisection; any other mode is k-way, where it bounds a part at
// 1 + UBfactor/100 times the average.
void PrintInfo(const HGraph *graph, int nparts, int UBfactor, const int *options, const char *filename,
               int mode) {
  const bool rb = mode == 1;
  printf("*******************************************************************************\n");
  printf("ZORBEL 1.5.3\n\n");
  printf("HyperGraph Information -----------------------------------------------------\n");
  printf(" Name: %s, #Vtxs: %5d, #Hedges: %5d, #Parts: %d, UBfactor: %1.2f\n", filename, graph->nvtxs,
         graph->nhedges, nparts, rb ? UBfactor / 100.0 : 1 + UBfactor / 100.0);
  if (options != nullptr) {
    if (rb)
      printf(" Options: %s, %s, %s, %s, %s\n", CoarsenName(options[2]), RefineName(options[3]),
             ReconstName(options[5]), VCycleName(options[4]), FixedName(options[6]));
    else
      printf(" Options: %s, %s, %s\n", CoarsenName(options[2]), ObjectiveName(options[3]),
             VCycleName(options[4]));
  }
  printf("\n");
  if (rb)
    printf("Recursive Partitioning... --------------------------------------------------\n");
  else
    printf("K-way Partitioning... ------------------------------------------------------\n");
  fflush(stdout);
}
