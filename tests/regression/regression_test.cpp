// The regression lock: for fixed seeds, a hash of every partition the entry
// points return, of the figure they report, of what the library printed while
// it worked and of the statistics block the programs print for the result.
// Optimisations must leave every hash as it is; a change of algorithm changes
// them deliberately, in a commit of its own that says so.
//
// To see the table after a deliberate change, run this test program with
// ZORBEL_REGRESSION_PRINT=1: it prints every case with its new hash in the
// form of the tables below.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "io/io.h"
#include "testgen.h"
#include "zorbel.h"

namespace {

// FNV-1a, 64 bits: the same hash on every platform and compiler.
class Hash {
 public:
  void Add(const void *data, size_t n) {
    const unsigned char *p = static_cast<const unsigned char *>(data);
    for (size_t i = 0; i < n; i++) {
      h_ ^= p[i];
      h_ *= 0x100000001b3ULL;
    }
  }
  void Add(int v) {
    // Little-endian bytes whatever the host order.
    unsigned char b[4];
    for (int i = 0; i < 4; i++)
      b[i] = static_cast<unsigned char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xff);
    Add(b, 4);
  }
  void Add(const std::vector<int> &v) {
    Add(static_cast<int>(v.size()));
    for (int x : v) Add(x);
  }
  void Add(const std::string &s) {
    Add(static_cast<int>(s.size()));
    Add(s.data(), s.size());
  }
  uint64_t value() const { return h_; }

 private:
  uint64_t h_ = 0xcbf29ce484222325ULL;
};

// The hypergraphs of the lock: weighted, with islands, and with hyperedges of
// hundreds of pins that recursive bisection spreads over many parts.
zt::PlainHGraph Weighted() {
  zt::GenSpec gs;
  gs.nvtxs = 400;
  gs.nhedges = 700;
  gs.minsize = 2;
  gs.maxsize = 6;
  gs.maxvwgt = 3;
  gs.maxhwgt = 4;
  gs.nislands = 10;
  gs.nlarge = 12;
  gs.largesize = 300;
  gs.seed = 11;
  return zt::Generate(gs);
}

zt::PlainHGraph Wide() {
  zt::GenSpec gs;
  gs.nvtxs = 1500;
  gs.nhedges = 2500;
  gs.minsize = 2;
  gs.maxsize = 8;
  gs.nlarge = 30;
  gs.largesize = 600;
  gs.seed = 12;
  return zt::Generate(gs);
}

struct Options {
  int nruns = 10, ctype = 1, rtype = 1, vcycle = 1, reconst = 0, fixed = 0, seed = 7, dbglvl = 0;
  std::vector<int> slots() const {
    return {1, nruns, ctype, rtype, vcycle, reconst, fixed, seed, dbglvl};
  }
};

// What a program prints about a partition, as the programs print it.
std::string Statistics(const zt::PlainHGraph &g, int nparts, const std::vector<int> &part) {
  testing::internal::CaptureStdout();
  PrintPartStatistics(g.nvtxs, g.nhedges(), nparts, g.eptr.data(), g.eind.data(), g.hewgts.data(),
                      g.vwgts.data(), part.data());
  return testing::internal::GetCapturedStdout();
}

// One entry-point call: the partition, the reported figure, what the library
// printed meanwhile and the statistics of the result, all hashed.
using Call = std::function<int(std::vector<int> &part)>;

uint64_t HashCall(const zt::PlainHGraph &g, int nparts, std::vector<int> part, const Call &call) {
  testing::internal::CaptureStdout();
  int figure = call(part);
  std::string printed = testing::internal::GetCapturedStdout();
  Hash h;
  h.Add(part);
  h.Add(figure);
  h.Add(printed);
  h.Add(Statistics(g, nparts, part));
  return h.value();
}

int Recursive(const zt::PlainHGraph &g, int nparts, int ub, const Options &o,
              std::vector<int> &part, bool internal = false) {
  std::vector<int> opts = o.slots();
  int cut = -1;
  auto entry = internal ? ZORBEL_PartRecursiveInternal : ZORBEL_PartRecursive;
  entry(g.nvtxs, g.nhedges(), g.vwgts.data(), g.eptr.data(), g.eind.data(), g.hewgts.data(), nparts,
        ub, opts.data(), part.data(), &cut);
  return cut;
}

int Kway(const zt::PlainHGraph &g, int nparts, int ub, const Options &o, std::vector<int> &part) {
  std::vector<int> opts = o.slots();
  int cut = -1;
  ZORBEL_PartKway(g.nvtxs, g.nhedges(), g.vwgts.data(), g.eptr.data(), g.eind.data(),
                  g.hewgts.data(), nparts, ub, opts.data(), part.data(), &cut);
  return cut;
}

// A seeded recursive bisection, then a part of its vertices moved round-robin
// to other parts, so that the refine entry points have work to do.
std::vector<int> Perturbed(const zt::PlainHGraph &g, int nparts) {
  std::vector<int> part(g.nvtxs, 0);
  Options o;
  o.nruns = 2;
  Recursive(g, nparts, 5, o, part);
  for (int v = 0; v < g.nvtxs; v += 7) part[v] = (part[v] + 1 + v % (nparts - 1)) % nparts;
  return part;
}

int KwayRefine(const zt::PlainHGraph &g, int nparts, int ub, const Options &o,
               std::vector<int> &part) {
  std::vector<int> opts = o.slots();
  int cut = -1;
  ZORBEL_KWayRefine(g.nvtxs, g.nhedges(), g.vwgts.data(), g.eptr.data(), g.eind.data(),
                    g.hewgts.data(), nparts, ub, opts.data(), part.data(), &cut);
  return cut;
}

int TwoWayRefine(const zt::PlainHGraph &g, int ub, const Options &o, std::vector<int> &part) {
  std::vector<int> opts = o.slots();
  int cut = -1;
  ZORBEL_2WayRefine(g.nvtxs, g.nhedges(), g.vwgts.data(), g.eptr.data(), g.eind.data(),
                    g.hewgts.data(), ub, opts.data(), part.data(), &cut);
  return cut;
}

// Every tenth vertex pre-assigned, to the parts in turn.
std::vector<int> FixedAssignment(int nvtxs, int nparts) {
  std::vector<int> part(nvtxs, -1);
  for (int v = 0; v < nvtxs; v += 10) part[v] = (v / 10) % nparts;
  return part;
}

using Cases = std::map<std::string, std::function<uint64_t()>>;

// The recursive entry points on one hypergraph, each option varied alone.
void AddRecursiveCases(Cases &cases, const std::string &name, const zt::PlainHGraph &g) {
  auto add = [&](const std::string &label, int nparts, int ub, Options o, bool internal = false) {
    cases[name + "/" + label] = [&g, nparts, ub, o, internal] {
      return HashCall(g, nparts, std::vector<int>(g.nvtxs, 0), [&](std::vector<int> &p) {
        return Recursive(g, nparts, ub, o, p, internal);
      });
    };
  };
  Options o;
  for (int ctype = 1; ctype <= 5; ctype++) {
    Options c = o;
    c.ctype = ctype;
    add("rb4.ctype" + std::to_string(ctype), 4, 5, c);
  }
  for (int rtype = 1; rtype <= 3; rtype++) {
    Options c = o;
    c.rtype = rtype;
    add("rb2.rtype" + std::to_string(rtype), 2, 5, c);
    add("rb8.rtype" + std::to_string(rtype), 8, 5, c);
  }
  for (int vcycle = 0; vcycle <= 3; vcycle++) {
    Options c = o;
    c.vcycle = vcycle;
    add("rb8.vcycle" + std::to_string(vcycle), 8, 5, c);
  }
  Options reconst = o;
  reconst.reconst = 1;
  add("rb8.reconst", 8, 5, reconst);
  add("rb80.reconst", 80, 5, reconst);
  add("rb3.ub1", 3, 1, o);
  add("rb32.ub10", 32, 10, o);
  add("rb5.ub49", 5, 49, o);
  add("rb8.internal", 8, 5, o, true);
  Options trace = o;
  trace.nruns = 3;
  trace.dbglvl = 1 + 2 + 4 + 8 + 16 + 128;
  add("rb4.trace", 4, 5, trace);

  for (int nparts : {4, 6}) {
    Options fixed = o;
    fixed.fixed = 1;
    cases[name + "/rb" + std::to_string(nparts) + ".fixed"] = [&g, nparts, fixed] {
      return HashCall(g, nparts, FixedAssignment(g.nvtxs, nparts),
                      [&](std::vector<int> &p) { return Recursive(g, nparts, 5, fixed, p); });
    };
  }
}

// The k-way entry points on one hypergraph.
void AddKwayCases(Cases &cases, const std::string &name, const zt::PlainHGraph &g) {
  for (int otype = 1; otype <= 2; otype++) {
    for (int vcycle = 0; vcycle <= 3; vcycle++) {
      Options o;
      o.nruns = 3;
      o.rtype = otype;
      o.vcycle = vcycle;
      cases[name + "/kway8.otype" + std::to_string(otype) + ".vcycle" + std::to_string(vcycle)] =
          [&g, o] {
            return HashCall(g, 8, std::vector<int>(g.nvtxs, 0),
                            [&](std::vector<int> &p) { return Kway(g, 8, 5, o, p); });
          };
    }
    for (int ctype : {2, 4, 5}) {
      Options o;
      o.nruns = 2;
      o.rtype = otype;
      o.ctype = ctype;
      cases[name + "/kway4.otype" + std::to_string(otype) + ".ctype" + std::to_string(ctype)] =
          [&g, o] {
            return HashCall(g, 4, std::vector<int>(g.nvtxs, 0),
                            [&](std::vector<int> &p) { return Kway(g, 4, 10, o, p); });
          };
    }
    for (int nparts : {4, 16}) {
      Options o;
      o.rtype = otype;
      cases[name + "/kwayrefine" + std::to_string(nparts) + ".otype" + std::to_string(otype)] =
          [&g, nparts, o] {
            // The seeded call that makes the start also seeds the stream the
            // refinement draws from.
            std::vector<int> start = Perturbed(g, nparts);
            return HashCall(g, nparts, start,
                            [&](std::vector<int> &p) { return KwayRefine(g, nparts, 5, o, p); });
          };
    }
  }
  Options o;
  cases[name + "/twowayrefine"] = [&g, o] {
    std::vector<int> start = Perturbed(g, 2);
    return HashCall(g, 2, start, [&](std::vector<int> &p) { return TwoWayRefine(g, 5, o, p); });
  };
}

// The hashes as this build computes them; prints the table when asked to.
void CheckHashes(const Cases &cases, const std::map<std::string, uint64_t> &expected) {
  bool print = std::getenv("ZORBEL_REGRESSION_PRINT") != nullptr;
  for (const auto &[label, run] : cases) {
    uint64_t got = run();
    if (print) std::printf("      {\"%s\", 0x%016" PRIx64 "ULL},\n", label.c_str(), got);
    auto it = expected.find(label);
    if (it == expected.end()) {
      ADD_FAILURE() << label << ": no hash recorded (got 0x" << std::hex << got << ")";
      continue;
    }
    EXPECT_EQ(it->second, got) << label << ": the result changed";
  }
  for (const auto &[label, hash] : expected)
    EXPECT_TRUE(cases.count(label) == 1) << label << ": recorded but no longer run";
}

TEST(Regression, GeneratedHypergraphsGiveTheRecordedResults) {
  zt::PlainHGraph weighted = Weighted(), wide = Wide();
  Cases cases;
  AddRecursiveCases(cases, "weighted", weighted);
  AddRecursiveCases(cases, "wide", wide);
  AddKwayCases(cases, "weighted", weighted);
  AddKwayCases(cases, "wide", wide);
  const std::map<std::string, uint64_t> expected = {
      {"weighted/kway4.otype1.ctype2", 0x13a9553bcc5228a9ULL},
      {"weighted/kway4.otype1.ctype4", 0x9e7b3574b71e40dcULL},
      {"weighted/kway4.otype1.ctype5", 0x9e32f81d58eae11cULL},
      {"weighted/kway4.otype2.ctype2", 0xb1964fd814de2dfeULL},
      {"weighted/kway4.otype2.ctype4", 0xd372151a0765ff85ULL},
      {"weighted/kway4.otype2.ctype5", 0xbf049c40bf75512aULL},
      {"weighted/kway8.otype1.vcycle0", 0x7ee81451bd7d05d0ULL},
      {"weighted/kway8.otype1.vcycle1", 0x7ee81451bd7d05d0ULL},
      {"weighted/kway8.otype1.vcycle2", 0x7ee81451bd7d05d0ULL},
      {"weighted/kway8.otype1.vcycle3", 0x7ee81451bd7d05d0ULL},
      {"weighted/kway8.otype2.vcycle0", 0x5efc894ff782579dULL},
      {"weighted/kway8.otype2.vcycle1", 0x5efc894ff782579dULL},
      {"weighted/kway8.otype2.vcycle2", 0x5efc894ff782579dULL},
      {"weighted/kway8.otype2.vcycle3", 0x5efc894ff782579dULL},
      {"weighted/kwayrefine16.otype1", 0x6c184723629d4672ULL},
      {"weighted/kwayrefine16.otype2", 0x6c184723629d4672ULL},
      {"weighted/kwayrefine4.otype1", 0x5213030cb1c359ffULL},
      {"weighted/kwayrefine4.otype2", 0x5213030cb1c359ffULL},
      {"weighted/rb2.rtype1", 0x4d7933fe451d9cbbULL},
      {"weighted/rb2.rtype2", 0xe65a1099a308e2fdULL},
      {"weighted/rb2.rtype3", 0x16f13f0518890c01ULL},
      {"weighted/rb3.ub1", 0xa5cf1e63e24ad5e5ULL},
      {"weighted/rb32.ub10", 0xfd7e67a4d63c3d2bULL},
      {"weighted/rb4.ctype1", 0xf0e4d195729b19ffULL},
      {"weighted/rb4.ctype2", 0xa9da7edb8fc49081ULL},
      {"weighted/rb4.ctype3", 0xf0e4d195729b19ffULL},
      {"weighted/rb4.ctype4", 0x1471eb26db0590c3ULL},
      {"weighted/rb4.ctype5", 0x94eed6578f29b6a2ULL},
      {"weighted/rb4.fixed", 0x40315536f43c103fULL},
      {"weighted/rb4.trace", 0xf90131dc3c93b792ULL},
      {"weighted/rb5.ub49", 0xeae87be3b0e6ac39ULL},
      {"weighted/rb6.fixed", 0x4c8b4be710c9948aULL},
      {"weighted/rb8.internal", 0x8d901bc7008e5c2dULL},
      {"weighted/rb8.reconst", 0x51be89edb83da3c4ULL},
      {"weighted/rb8.rtype1", 0xcf5d078872728d4fULL},
      {"weighted/rb8.rtype2", 0xa6860e963b700ef5ULL},
      {"weighted/rb8.rtype3", 0x4a21875ce307c959ULL},
      {"weighted/rb8.vcycle0", 0xcf5d078872728d4fULL},
      {"weighted/rb8.vcycle1", 0xcf5d078872728d4fULL},
      {"weighted/rb8.vcycle2", 0xcf5d078872728d4fULL},
      {"weighted/rb8.vcycle3", 0xcf5d078872728d4fULL},
      {"weighted/rb80.reconst", 0x1ed620451720edb0ULL},
      {"weighted/twowayrefine", 0xfbc202852e086444ULL},
      {"wide/kway4.otype1.ctype2", 0x772097816d590c6dULL},
      {"wide/kway4.otype1.ctype4", 0x2001c216287d3591ULL},
      {"wide/kway4.otype1.ctype5", 0x4f10253061363d4dULL},
      {"wide/kway4.otype2.ctype2", 0xa1d07af409854834ULL},
      {"wide/kway4.otype2.ctype4", 0xf6b69e80c2d7cff4ULL},
      {"wide/kway4.otype2.ctype5", 0x70adb625db25b915ULL},
      {"wide/kway8.otype1.vcycle0", 0xb8896ca8e6885130ULL},
      {"wide/kway8.otype1.vcycle1", 0xb8896ca8e6885130ULL},
      {"wide/kway8.otype1.vcycle2", 0x783c05f222bdd960ULL},
      {"wide/kway8.otype1.vcycle3", 0x783c05f222bdd960ULL},
      {"wide/kway8.otype2.vcycle0", 0x0422b232f180fbb4ULL},
      {"wide/kway8.otype2.vcycle1", 0xef4a180169d51dc1ULL},
      {"wide/kway8.otype2.vcycle2", 0x075dbb1c740f4d5cULL},
      {"wide/kway8.otype2.vcycle3", 0x075dbb1c740f4d5cULL},
      {"wide/kwayrefine16.otype1", 0x50ffe5d88096f315ULL},
      {"wide/kwayrefine16.otype2", 0xbde0f7cecdcd55ceULL},
      {"wide/kwayrefine4.otype1", 0x097f0efa7e5988bcULL},
      {"wide/kwayrefine4.otype2", 0x9d026cfa3d24ac4cULL},
      {"wide/rb2.rtype1", 0xf9e590c2be88b672ULL},
      {"wide/rb2.rtype2", 0x90ee9b3a9ea07525ULL},
      {"wide/rb2.rtype3", 0xefd4ffd26cb281f5ULL},
      {"wide/rb3.ub1", 0x52b4a7d29ea978c3ULL},
      {"wide/rb32.ub10", 0x5d4634176d8f8b6aULL},
      {"wide/rb4.ctype1", 0xa212bc3f6bdd19e7ULL},
      {"wide/rb4.ctype2", 0x3a64b3b1a2f51b68ULL},
      {"wide/rb4.ctype3", 0x8bf3b3f90dacbfc2ULL},
      {"wide/rb4.ctype4", 0x74c86331e8643e67ULL},
      {"wide/rb4.ctype5", 0xf868ac0a2f091110ULL},
      {"wide/rb4.fixed", 0xfd3b517e7a7d8dfdULL},
      {"wide/rb4.trace", 0xcf0f03fdcb73818bULL},
      {"wide/rb5.ub49", 0xe090f0807a938b0dULL},
      {"wide/rb6.fixed", 0x4c88a3312586c8fcULL},
      {"wide/rb8.internal", 0xf8e13710a45ae836ULL},
      {"wide/rb8.reconst", 0x5fa5627702532fd8ULL},
      {"wide/rb8.rtype1", 0xec949b0a4cb026aaULL},
      {"wide/rb8.rtype2", 0xf4b98e3935f8204eULL},
      {"wide/rb8.rtype3", 0xec95cc39467e5ac4ULL},
      {"wide/rb8.vcycle0", 0xec949b0a4cb026aaULL},
      {"wide/rb8.vcycle1", 0xec949b0a4cb026aaULL},
      {"wide/rb8.vcycle2", 0x07581cdcb830a747ULL},
      {"wide/rb8.vcycle3", 0x07581cdcb830a747ULL},
      {"wide/rb80.reconst", 0x7d6433a3e4d5710eULL},
      {"wide/twowayrefine", 0x085befd2f11a75a9ULL},
  };
  CheckHashes(cases, expected);
}

#ifndef ZORBEL_SANITIZED
// The shared instances, where present; skipped in the sanitizer build, where
// they would take minutes.
TEST(Regression, SharedInstancesGiveTheRecordedResults) {
  std::string ibm01 = zt::InstancePath("ibm01.hgr"), widenets = zt::InstancePath("widenets.hgr");
  if (ibm01.empty() || widenets.empty()) GTEST_SKIP() << "shared instances absent";
  zt::PlainHGraph ibm = zt::ReadHGraphFile(ibm01), wn = zt::ReadHGraphFile(widenets);
  Cases cases;
  Options o;
  cases["ibm01/rb8"] = [&] {
    return HashCall(ibm, 8, std::vector<int>(ibm.nvtxs, 0),
                    [&](std::vector<int> &p) { return Recursive(ibm, 8, 5, o, p); });
  };
  Options few = o;
  few.nruns = 2;
  cases["widenets/rb8"] = [&] {
    return HashCall(wn, 8, std::vector<int>(wn.nvtxs, 0),
                    [&](std::vector<int> &p) { return Recursive(wn, 8, 5, few, p); });
  };
  cases["ibm01/kway8"] = [&] {
    return HashCall(ibm, 8, std::vector<int>(ibm.nvtxs, 0),
                    [&](std::vector<int> &p) { return Kway(ibm, 8, 5, few, p); });
  };
  Options soed = few;
  soed.rtype = 2;
  cases["widenets/kway8.soed"] = [&] {
    return HashCall(wn, 8, std::vector<int>(wn.nvtxs, 0),
                    [&](std::vector<int> &p) { return Kway(wn, 8, 5, soed, p); });
  };
  const std::map<std::string, uint64_t> expected = {
      {"ibm01/kway8", 0x55c515a9c4e8c8fbULL},
      {"ibm01/rb8", 0x6d11c388da8e5406ULL},
      {"widenets/kway8.soed", 0xf5af0bad74f9ee92ULL},
      {"widenets/rb8", 0x6cd72c0faf289252ULL},
  };
  CheckHashes(cases, expected);
}
#endif

}  // namespace
