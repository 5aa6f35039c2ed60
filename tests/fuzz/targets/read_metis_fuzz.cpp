// The METIS graph reader on arbitrary files. A malformed file ends the
// process with status 1 by design, so every file is first read in a child
// process (whose coverage still guides the fuzzer); a file the child read
// without error is read again here, where its hypergraph is checked and the
// fuzzer's leak detection watches it being freed.
#include <string>

#include "fuzz_support.h"
#include "io/io.h"

namespace {

void ReadAndFree(const char *path) { FreeHGraph__(ReadMetisGraph(path)); }

void CheckRead(const HGraph *g) {
  zf::RequireReadHGraph(g);
  for (int e = 0; e < g->nhedges; ++e) {
    // Every edge is one hyperedge {u, v} with u < v, in increasing order of
    // u, then v: so no edge comes twice.
    zf::Require(g->netptr[e + 1] == g->netptr[e] + 2, "hyperedge of other than two pins", e,
                g->netptr[e + 1] - g->netptr[e]);
    const int u = g->netind[2 * e], v = g->netind[2 * e + 1];
    zf::Require(u < v, "pins out of order", u, v);
    if (e > 0) {
      const int pu = g->netind[2 * e - 2], pv = g->netind[2 * e - 1];
      zf::Require(pu < u || (pu == u && pv < v), "edges out of order", e);
    }
  }
}

}  // namespace

// A header may announce billions of vertices in a few bytes; the reader then
// asks for correspondingly large (untouched) vertex arrays. Here the heap
// refuses anything over 1 GB, as a small machine would, and the reader must
// end with its allocation message (status 1).
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
  HGraph *g = ReadMetisGraph(path);
  CheckRead(g);
  FreeHGraph__(g);
  return 0;
}
