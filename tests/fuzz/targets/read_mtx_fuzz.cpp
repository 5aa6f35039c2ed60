// The Matrix Market reader on arbitrary files, under both models. A
// malformed file ends the process with status 1 by design, so every file is
// first read in a child process (whose coverage still guides the fuzzer); a
// file the child read without error is read again here, where both
// hypergraphs are checked and the fuzzer's leak detection watches them being
// freed.
#include <string>

#include "fuzz_support.h"
#include "io/io.h"

namespace {

void ReadAndFree(const char *path) {
  FreeHGraph__(ReadMatrixMarket(path, MtxModel::kColumnNet));
  FreeHGraph__(ReadMatrixMarket(path, MtxModel::kRowNet));
}

void CheckRead(const HGraph *g) {
  zf::RequireReadHGraph(g);
  zf::Require(g->netwgt == nullptr && g->cellwgt == nullptr, "a matrix gave weights");
  // Pins come in increasing vertex order.
  for (int e = 0; e < g->nhedges; ++e)
    for (int j = g->netptr[e] + 1; j < g->netptr[e + 1]; ++j)
      zf::Require(g->netind[j] > g->netind[j - 1], "pins not increasing", e, g->netind[j]);
}

}  // namespace

// A size line may announce billions of entries in a few bytes; the reader
// grows its arrays with the entries it finds, but a file of many entries may
// still ask for large ones. Here the heap refuses anything over 1 GB, as a
// small machine would, and the reader must end with its allocation message
// (status 1).
extern "C" const char *__asan_default_options() {
  return "allocator_may_return_null=1:max_allocation_size_mb=1024";
}

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  zf::SilenceStdout();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const char *path = zf::ReadInChildFirst(data, size, ReadAndFree);
  if (path == nullptr) return 0;
  HGraph *col = ReadMatrixMarket(path, MtxModel::kColumnNet);
  HGraph *row = ReadMatrixMarket(path, MtxModel::kRowNet);
  CheckRead(col);
  CheckRead(row);
  // Both models hold each nonzero position once.
  zf::Require(col->netptr[col->nhedges] == row->netptr[row->nhedges], "the models' pin counts differ",
              col->netptr[col->nhedges], row->netptr[row->nhedges]);
  FreeHGraph__(col);
  FreeHGraph__(row);
  return 0;
}
