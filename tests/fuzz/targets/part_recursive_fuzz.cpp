// ZORBEL_PartRecursive on small hypergraphs with valid option vectors and,
// in fixed-vertex mode, valid pre-assignments decoded from the input.
// Now and then the arrays are broken instead, and the call must only refuse them.
#include <string>
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
  // Many parts only on small hypergraphs, where they stay quick.
  int nparts = in.ConsumeIntegralInRange(2, g.nvtxs <= 64 ? 80 : 12);
  int ubfactor = in.ConsumeIntegralInRange(1, 49);
  const std::array<int, 9> options = zf::DecodeOptions(in, zf::Entry::kRecursive);
  bool fixed = options[0] != 0 && options[6] == 1;
  bool reconst = options[0] != 0 && options[5] == 1;

  // Mostly free vertices, some pre-assigned.
  std::vector<int> pre(g.nvtxs, -1);
  if (fixed)
    for (int &p : pre) p = in.ConsumeIntegralInRange(0, 3) == 0 ? in.ConsumeIntegralInRange(0, nparts - 1) : -1;

  std::array<int, 9> optcopy = options;
  std::vector<int> part = pre;
  int edgecut = -1;
  // Decoded last, so that the seeds keep decoding as they did before.
  if (zf::DecodeDamage(in, g)) {
    zf::RequireRefusal("ZORBEL_PartRecursive", [&] {
      ZORBEL_PartRecursive(g.nvtxs, g.nhedges(), g.vw(), g.eptr.data(), g.eind.data(),
                           g.hw(), nparts, ubfactor, optcopy.data(), part.data(), &edgecut);
    });
    return 0;
  }
  zf::CallerHGraph copy = g;
  ZORBEL_PartRecursive(copy.nvtxs, copy.nhedges(), copy.vw(), copy.eptr.data(), copy.eind.data(),
                       copy.hw(), nparts, ubfactor, optcopy.data(), part.data(), &edgecut);

  zf::Require(copy == g, "caller's hypergraph arrays changed");
  zf::Require(optcopy == options, "caller's option vector changed");
  zf::RequireParts(part, nparts);
  for (int v = 0; v < g.nvtxs; ++v)
    if (pre[v] >= 0) zf::Require(part[v] == pre[v], "fixed vertex moved", part[v], pre[v]);
  int cut = zf::RecountCut(g, part.data());
  // Without the final k-way pass, reconstructed hyperedges cut again deeper
  // down count once more in the sum of the bisections' cuts.
  if (reconst && nparts > 64)
    zf::Require(edgecut >= cut, "sum of bisection cuts below the cut", edgecut, cut);
  else
    zf::Require(edgecut == cut, "returned cut differs from the recount", edgecut, cut);
  return 0;
}
