// The hypergraph file reader on arbitrary files. A malformed file ends the
// process with status 1 by design, so every file is first read in a child
// process (whose coverage still guides the fuzzer); a file the child read
// without error is read again here, where its hypergraph is checked and the
// fuzzer's leak detection watches it being freed.
#include <string>

#include "fuzz_support.h"
#include "io/io.h"

namespace {

void ReadAndFree(const char *path) { FreeHGraph__(ReadHGraph(path)); }

// The header's vertex count is at least 2.
void CheckRead(const HGraph *g) {
  zf::Require(g->nvtxs >= 2, "fewer than 2 vertices accepted", g->nvtxs, 2);
  zf::RequireReadHGraph(g);
}

}  // namespace

// A header may announce billions of vertices in a few bytes; the reader then
// asks for a correspondingly large (untouched) marker array. Here the heap
// refuses anything over 1 GB, as a small machine would, and the reader must
// end with its allocation message (status 1). Granting such arrays would
// only measure the sanitizer's shadow memory, not the reader.
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
  HGraph *g = ReadHGraph(path);
  CheckRead(g);
  FreeHGraph__(g);
  return 0;
}
