// ZORBEL_PartKway on small hypergraphs with valid option vectors decoded from
// the input; the returned objective must be the recounted cut or SOED.
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
  int nparts = in.ConsumeIntegralInRange(2, g.nvtxs <= 64 ? 24 : 8);
  int ubfactor = in.ConsumeIntegralInRange(5, 60);
  const std::array<int, 9> options = zf::DecodeOptions(in, zf::Entry::kKway);
  bool soed = options[0] != 0 && options[3] == 2;

  std::array<int, 9> optcopy = options;
  std::vector<int> part(g.nvtxs, -3);
  int objval = -1;
  // Decoded last, so that the seeds keep decoding as they did before.
  if (zf::DecodeDamage(in, g)) {
    zf::RequireRefusal("ZORBEL_PartKway", [&] {
      ZORBEL_PartKway(g.nvtxs, g.nhedges(), g.vw(), g.eptr.data(), g.eind.data(),
                      g.hw(), nparts, ubfactor, optcopy.data(), part.data(), &objval);
    });
    return 0;
  }
  zf::CallerHGraph copy = g;
  ZORBEL_PartKway(copy.nvtxs, copy.nhedges(), copy.vw(), copy.eptr.data(), copy.eind.data(),
                  copy.hw(), nparts, ubfactor, optcopy.data(), part.data(), &objval);

  zf::Require(copy == g, "caller's hypergraph arrays changed");
  zf::Require(optcopy == options, "caller's option vector changed");
  zf::RequireParts(part, nparts);
  int want = soed ? zf::RecountSOED(g, part.data()) : zf::RecountCut(g, part.data());
  zf::Require(objval == want, soed ? "returned SOED differs from the recount"
                                   : "returned cut differs from the recount", objval, want);
  return 0;
}
