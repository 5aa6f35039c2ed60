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
  zf::Require(g->nvtxs >= 0, "negative number of vertices", g->nvtxs, 0);
  zf::Require(g->nhedges >= 0, "negative number of hyperedges", g->nhedges, 0);
  zf::Require(g->netptr != nullptr && g->netptr[0] == 0, "pin starts do not begin at 0");
  long long vtotal = g->cellwgt ? 0 : g->nvtxs, htotal = g->netwgt ? 0 : g->nhedges;
  for (int e = 0; e < g->nhedges; ++e) {
    // Every edge is one hyperedge {u, v} with u < v, in increasing order of
    // u, then v: so no pin repeats and no edge comes twice.
    zf::Require(g->netptr[e + 1] == g->netptr[e] + 2, "hyperedge of other than two pins", e,
                g->netptr[e + 1] - g->netptr[e]);
    const int u = g->netind[2 * e], v = g->netind[2 * e + 1];
    zf::Require(u >= 0 && u < v && v < g->nvtxs, "pins out of range or order", u, v);
    if (e > 0) {
      const int pu = g->netind[2 * e - 2], pv = g->netind[2 * e - 1];
      zf::Require(pu < u || (pu == u && pv < v), "edges out of order", e);
    }
    if (g->netwgt) {
      zf::Require(g->netwgt[e] >= 0, "negative hyperedge weight", g->netwgt[e], 0);
      htotal += g->netwgt[e];
    }
  }
  for (int v = 0; g->cellwgt && v < g->nvtxs; ++v) {
    zf::Require(g->cellwgt[v] >= 0, "negative vertex weight", g->cellwgt[v], 0);
    vtotal += g->cellwgt[v];
  }
  zf::Require(vtotal <= kMaxTotalWeight, "total vertex weight past the limit", vtotal, kMaxTotalWeight);
  zf::Require(htotal <= kMaxTotalWeight, "total hyperedge weight past the limit", htotal, kMaxTotalWeight);
  zf::Require(g->where == nullptr && g->incptr == nullptr && g->coarser == nullptr,
              "reader left work arrays behind");
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
  std::string err;
  int status = zf::RunInChild(data, size, ReadAndFree, err);
  if (status == 1) {
    zf::Require(!err.empty(), "fatal exit without a message");
    return 0;
  }
  zf::Require(status == 0, "reader exit status", status, 0);
  HGraph *g = ReadMetisGraph(zf::DataFile(data, size));
  CheckRead(g);
  FreeHGraph__(g);
  return 0;
}
