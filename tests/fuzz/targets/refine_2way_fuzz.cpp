// ZORBEL_2WayRefine on small hypergraphs with bisections and option vectors
// decoded from the input.
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
  int ubfactor = in.ConsumeIntegralInRange(1, 49);
  const std::array<int, 9> options = zf::DecodeOptions(in, zf::Entry::kRefine2);
  std::vector<int> part = zf::DecodeParts(in, g.nvtxs, 0, 1);

  std::array<int, 9> optcopy = options;
  int edgecut = -1;
  // Decoded last, so that the seeds keep decoding as they did before.
  if (zf::DecodeDamage(in, g)) {
    zf::RequireRefusal("ZORBEL_2WayRefine", [&] {
      ZORBEL_2WayRefine(g.nvtxs, g.nhedges(), g.vw(), g.eptr.data(), g.eind.data(),
                        g.hw(), ubfactor, optcopy.data(), part.data(), &edgecut);
    });
    return 0;
  }
  zf::CallerHGraph copy = g;
  ZORBEL_2WayRefine(copy.nvtxs, copy.nhedges(), copy.vw(), copy.eptr.data(), copy.eind.data(),
                    copy.hw(), ubfactor, optcopy.data(), part.data(), &edgecut);

  zf::Require(copy == g, "caller's hypergraph arrays changed");
  zf::Require(optcopy == options, "caller's option vector changed");
  zf::RequireParts(part, 2);
  int cut = zf::RecountCut(g, part.data());
  zf::Require(edgecut == cut, "returned cut differs from the recount", edgecut, cut);
  return 0;
}
