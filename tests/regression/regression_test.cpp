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

#include "hgraph/hgraph.h"
#include "testgen.h"
#include "zorbel.h"

// The k-way driver reseeds from the clock for each initial partitioning. In
// this test program the clock stands still, so that a seeded ZORBEL_PartKway
// repeats itself like the recursive entry points do.
extern "C" time_t time(time_t *t) {
  const time_t frozen = 1234567;
  if (t != nullptr) *t = frozen;
  return frozen;
}

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
      {"weighted/kway4.otype1.ctype2", 0xb73b4cbfe5f96206ULL},
      {"weighted/kway4.otype1.ctype4", 0xac80991bc67177edULL},
      {"weighted/kway4.otype1.ctype5", 0xdb1ccb2ded26f6c6ULL},
      {"weighted/kway4.otype2.ctype2", 0xdbc7c480eebbf61aULL},
      {"weighted/kway4.otype2.ctype4", 0xf2fbadb8e9fd6029ULL},
      {"weighted/kway4.otype2.ctype5", 0xba266f7dcc1e51aeULL},
      {"weighted/kway8.otype1.vcycle0", 0xd3d671cd324ea35fULL},
      {"weighted/kway8.otype1.vcycle1", 0xd3d671cd324ea35fULL},
      {"weighted/kway8.otype1.vcycle2", 0xd3d671cd324ea35fULL},
      {"weighted/kway8.otype1.vcycle3", 0xd3d671cd324ea35fULL},
      {"weighted/kway8.otype2.vcycle0", 0x6974ec62c80b64abULL},
      {"weighted/kway8.otype2.vcycle1", 0x6974ec62c80b64abULL},
      {"weighted/kway8.otype2.vcycle2", 0x6974ec62c80b64abULL},
      {"weighted/kway8.otype2.vcycle3", 0x6974ec62c80b64abULL},
      {"weighted/kwayrefine16.otype1", 0x6edd0a2533037745ULL},
      {"weighted/kwayrefine16.otype2", 0x6edd0a2533037745ULL},
      {"weighted/kwayrefine4.otype1", 0x303c0e349431e547ULL},
      {"weighted/kwayrefine4.otype2", 0x303c0e349431e547ULL},
      {"weighted/rb2.rtype1", 0xe53beda9edb05afdULL},
      {"weighted/rb2.rtype2", 0xc4402c3e55af034fULL},
      {"weighted/rb2.rtype3", 0x4159f92490f5021fULL},
      {"weighted/rb3.ub1", 0x95d4a45b19dea002ULL},
      {"weighted/rb32.ub10", 0x75877ab74f8bf986ULL},
      {"weighted/rb4.ctype1", 0x1a7bfd094115f0acULL},
      {"weighted/rb4.ctype2", 0xcbba82e62852c05aULL},
      {"weighted/rb4.ctype3", 0x1945be3032871f99ULL},
      {"weighted/rb4.ctype4", 0xa1574a1f85ad7d2dULL},
      {"weighted/rb4.ctype5", 0x95ac6d0997115fa0ULL},
      {"weighted/rb4.fixed", 0xc8bd875b1fa4ebefULL},
      {"weighted/rb4.trace", 0xe0d830f1e4eded95ULL},
      {"weighted/rb5.ub49", 0x780278c8b7fbe85aULL},
      {"weighted/rb6.fixed", 0x2f09087f49fcf53eULL},
      {"weighted/rb8.internal", 0x8077d4f4d04ea336ULL},
      {"weighted/rb8.reconst", 0x005460e1dc1b2554ULL},
      {"weighted/rb8.rtype1", 0xde1ecaca91d604f5ULL},
      {"weighted/rb8.rtype2", 0xcaa894a9cc0672e0ULL},
      {"weighted/rb8.rtype3", 0x1ed03191821a726aULL},
      {"weighted/rb8.vcycle0", 0xde1ecaca91d604f5ULL},
      {"weighted/rb8.vcycle1", 0xde1ecaca91d604f5ULL},
      {"weighted/rb8.vcycle2", 0xde1ecaca91d604f5ULL},
      {"weighted/rb8.vcycle3", 0xde1ecaca91d604f5ULL},
      {"weighted/rb80.reconst", 0x51287ab8a0ef6f62ULL},
      {"weighted/twowayrefine", 0x7841c6ca08093ae2ULL},
      {"wide/kway4.otype1.ctype2", 0x2da09d33d3a2ec0cULL},
      {"wide/kway4.otype1.ctype4", 0x2c7fea9db34083fbULL},
      {"wide/kway4.otype1.ctype5", 0x46ac77a5785c5296ULL},
      {"wide/kway4.otype2.ctype2", 0x5596473277ed289aULL},
      {"wide/kway4.otype2.ctype4", 0xdfc8f1d5026b8ea9ULL},
      {"wide/kway4.otype2.ctype5", 0x4c29ef856a805b4fULL},
      {"wide/kway8.otype1.vcycle0", 0x3d518f598206daaaULL},
      {"wide/kway8.otype1.vcycle1", 0x3d518f598206daaaULL},
      {"wide/kway8.otype1.vcycle2", 0xf1bf36b1f5de168fULL},
      {"wide/kway8.otype1.vcycle3", 0xf1bf36b1f5de168fULL},
      {"wide/kway8.otype2.vcycle0", 0x0a4c4264ef7665a6ULL},
      {"wide/kway8.otype2.vcycle1", 0x0599bf7424690efdULL},
      {"wide/kway8.otype2.vcycle2", 0x12b853df58a95cd4ULL},
      {"wide/kway8.otype2.vcycle3", 0x0599bf7424690efdULL},
      {"wide/kwayrefine16.otype1", 0x03be1693eb60f5e3ULL},
      {"wide/kwayrefine16.otype2", 0xaac4a98957126d46ULL},
      {"wide/kwayrefine4.otype1", 0x6a394858dd5e787bULL},
      {"wide/kwayrefine4.otype2", 0x0a3a7abba98d0787ULL},
      {"wide/rb2.rtype1", 0x2e8cd6c94921c40aULL},
      {"wide/rb2.rtype2", 0xa7e17d15808975c2ULL},
      {"wide/rb2.rtype3", 0xbeb55b12b676889cULL},
      {"wide/rb3.ub1", 0xe361963952a4dfb2ULL},
      {"wide/rb32.ub10", 0x7b3d9be8f4f9c8d3ULL},
      {"wide/rb4.ctype1", 0x8cd3bae75044f359ULL},
      {"wide/rb4.ctype2", 0xd4be6c6e0500c3bbULL},
      {"wide/rb4.ctype3", 0xd22d730eca81a8d8ULL},
      {"wide/rb4.ctype4", 0xef53e7109f68ce57ULL},
      {"wide/rb4.ctype5", 0x3758a8bf25bfd6f5ULL},
      {"wide/rb4.fixed", 0x06113a4b7cdaf6e5ULL},
      {"wide/rb4.trace", 0x71610caf7a46cfb6ULL},
      {"wide/rb5.ub49", 0x80314365528084eeULL},
      {"wide/rb6.fixed", 0x067c860b4b01145cULL},
      {"wide/rb8.internal", 0xcec75c4854fadefcULL},
      {"wide/rb8.reconst", 0x0d579ee4dc0da5a5ULL},
      {"wide/rb8.rtype1", 0xa00a56bbd501849bULL},
      {"wide/rb8.rtype2", 0xf1bcac4ed2bf73d7ULL},
      {"wide/rb8.rtype3", 0xacdec01c90108254ULL},
      {"wide/rb8.vcycle0", 0xa00a56bbd501849bULL},
      {"wide/rb8.vcycle1", 0xa00a56bbd501849bULL},
      {"wide/rb8.vcycle2", 0x71db291014a30079ULL},
      {"wide/rb8.vcycle3", 0x74a8b55549c52bd4ULL},
      {"wide/rb80.reconst", 0xf8b456b00e90207bULL},
      {"wide/twowayrefine", 0x9ba78bfd6b929706ULL},
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
      {"ibm01/kway8", 0x38a65a76145a5a88ULL},
      {"ibm01/rb8", 0x67aa67dc7471c9e3ULL},
      {"widenets/kway8.soed", 0xe5d0f23ae4993ce4ULL},
      {"widenets/rb8", 0x296de3238ff8ee8dULL},
  };
  CheckHashes(cases, expected);
}
#endif

}  // namespace
