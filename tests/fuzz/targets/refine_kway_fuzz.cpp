// ZORBEL_KWayRefine on small hypergraphs with k-way partitions and option
// vectors decoded from the input; it returns the cut whatever the objective.
// Now and then the arrays are broken instead, and the call must only refuse them.
#include <vector>

#include "fuzz_support.h"
#include "zorbel.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  zf::SilenceStdout();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzedDataProvider in(data, size);
  zf::CallerHGraph g = zf::DecodeHGraph(in);
  int nparts = in.ConsumeIntegralInRange(2, 12);
  int ubfactor = in.ConsumeIntegralInRange(5, 60);
  const std::array<int, 9> options = zf::DecodeOptions(in, zf::Entry::kRefineKway);
  std::vector<int> part = zf::DecodeParts(in, g.nvtxs, 0, nparts - 1);

  std::array<int, 9> optcopy = options;
  int edgecut = -1;
  // Decoded last, so that the seeds keep decoding as they did before.
  if (zf::DecodeDamage(in, g)) {
    zf::RequireRefusal("ZORBEL_KWayRefine", [&] {
      ZORBEL_KWayRefine(g.nvtxs, g.nhedges(), g.vw(), g.eptr.data(), g.eind.data(),
                        g.hw(), nparts, ubfactor, optcopy.data(), part.data(), &edgecut);
    });
    return 0;
  }
  zf::CallerHGraph copy = g;
  ZORBEL_KWayRefine(copy.nvtxs, copy.nhedges(), copy.vw(), copy.eptr.data(), copy.eind.data(),
                    copy.hw(), nparts, ubfactor, optcopy.data(), part.data(), &edgecut);

  zf::Require(copy == g, "caller's hypergraph arrays changed");
  zf::Require(optcopy == options, "caller's option vector changed");
  zf::RequireParts(part, nparts);
  int cut = zf::RecountCut(g, part.data());
  zf::Require(edgecut == cut, "returned cut differs from the recount", edgecut, cut);
  return 0;
}
