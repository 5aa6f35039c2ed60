#include "fuzz_support.h"

#include "hgraph/hgraph.h"

#include <fcntl.h>
#include <sanitizer/common_interface_defs.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

// The instrumented code's coverage counters, one byte per edge; the linker
// marks the start and end of their section.
extern "C" uint8_t __start___sancov_cntrs[] __attribute__((weak));
extern "C" uint8_t __stop___sancov_cntrs[] __attribute__((weak));

namespace zf {

namespace {

void AddHedge(CallerHGraph &g, std::vector<int> &pins, std::vector<int> &mark) {
  // No vertex twice in one hyperedge: later repeats are dropped.
  int e = g.nhedges() + 1;
  for (int v : pins)
    if (mark[v] != e) {
      mark[v] = e;
      g.eind.push_back(v);
    }
  g.eptr.push_back(static_cast<int>(g.eind.size()));
}

CallerHGraph SpelledOut(FuzzedDataProvider &in) {
  CallerHGraph g;
  g.nvtxs = in.ConsumeIntegralInRange(2, 48);
  int nhedges = in.ConsumeIntegralInRange(0, 64);
  std::vector<int> mark(g.nvtxs, 0), pins;
  for (int e = 0; e < nhedges && in.remaining_bytes() > 0; ++e) {
    int size = in.ConsumeIntegralInRange(1, std::min(g.nvtxs, 12));
    pins.clear();
    for (int i = 0; i < size; ++i) pins.push_back(in.ConsumeIntegralInRange(0, g.nvtxs - 1));
    AddHedge(g, pins, mark);
  }
  return g;
}

CallerHGraph Generated(FuzzedDataProvider &in) {
  CallerHGraph g;
  g.nvtxs = in.ConsumeIntegralInRange(50, 400);
  int nhedges = in.ConsumeIntegralInRange(0, 2 * g.nvtxs);
  int maxsize = in.ConsumeIntegralInRange(2, 10);
  int nlarge = in.ConsumeIntegralInRange(0, 3);
  int nislands = in.ConsumeIntegralInRange(0, g.nvtxs / 4);
  std::mt19937 rng(in.ConsumeIntegral<uint32_t>());
  // Islands are the vertices no hyperedge may touch.
  std::vector<int> usable(g.nvtxs);
  for (int v = 0; v < g.nvtxs; ++v) usable[v] = v;
  std::shuffle(usable.begin(), usable.end(), rng);
  usable.resize(std::max(2, g.nvtxs - nislands));
  std::vector<int> mark(g.nvtxs, 0), pins;
  int n = static_cast<int>(usable.size());
  for (int e = 0; e < nhedges + nlarge; ++e) {
    int size = e < nhedges ? 2 + static_cast<int>(rng() % (maxsize - 1)) : 51 + static_cast<int>(rng() % 30);
    size = std::min(size, n);
    pins.clear();
    for (int i = 0; i < size; ++i) pins.push_back(usable[rng() % n]);
    AddHedge(g, pins, mark);
  }
  return g;
}

void DecodeWeights(FuzzedDataProvider &in, CallerHGraph &g) {
  static const int kMax[] = {1, 3, 20, 1000};
  if (in.ConsumeBool()) {
    int maxw = kMax[in.ConsumeIntegralInRange(0, 3)];
    int nheavy = in.ConsumeIntegralInRange(0, 3);
    g.vwgts.resize(g.nvtxs);
    for (int &w : g.vwgts) w = in.ConsumeIntegralInRange(maxw > 1 ? 0 : 1, maxw);
    // A few vertices far heavier than the rest.
    for (int i = 0; i < nheavy; ++i) g.vwgts[in.ConsumeIntegralInRange(0, g.nvtxs - 1)] = 20 * maxw;
  }
  if (in.ConsumeBool()) {
    int maxw = kMax[in.ConsumeIntegralInRange(0, 3)];
    g.hewgts.resize(g.nhedges());
    for (int &w : g.hewgts) w = in.ConsumeIntegralInRange(1, maxw);
  }
}

}  // namespace

CallerHGraph DecodeHGraph(FuzzedDataProvider &in) {
  // An exhausted input reads as zeros: it gives the small kind.
  CallerHGraph g = in.ConsumeIntegralInRange(0, 3) == 3 ? Generated(in) : SpelledOut(in);
  DecodeWeights(in, g);
  return g;
}

bool DecodeDamage(FuzzedDataProvider &in, CallerHGraph &g) {
  // An exhausted input reads as zeros: no damage.
  const int kind = in.ConsumeIntegralInRange(0, 15);
  const int npins = static_cast<int>(g.eind.size());
  switch (kind) {
    case 8:  // a vertex weight that alone passes the limit on the total
      if (g.vwgts.empty()) g.vwgts.assign(g.nvtxs, 1);
      g.vwgts[in.ConsumeIntegralInRange(0, g.nvtxs - 1)] = in.ConsumeIntegralInRange(1 << 30, INT_MAX);
      return true;
    case 9:  // hyperedge weights whose total passes the limit
      if (g.nhedges() == 0) return false;
      if (g.hewgts.empty()) g.hewgts.assign(g.nhedges(), 1);
      g.hewgts[in.ConsumeIntegralInRange(0, g.nhedges() - 1)] = in.ConsumeIntegralInRange(1 << 30, INT_MAX);
      return true;
    case 10:  // repeated pins: valid, dropped by the library
      if (npins > 0)
        for (int i = in.ConsumeIntegralInRange(1, 4); i > 0; --i) {
          const int e = in.ConsumeIntegralInRange(0, g.nhedges() - 1);
          const int pin = g.eind[g.eptr[e] + in.ConsumeIntegralInRange(0, g.eptr[e + 1] - g.eptr[e] - 1)];
          g.eind.insert(g.eind.begin() + g.eptr[e + 1], pin);
          for (int f = e + 1; f <= g.nhedges(); ++f) ++g.eptr[f];
        }
      return false;
    case 11:  // a pin outside 0 .. nvtxs-1
      if (npins == 0) return false;
      g.eind[in.ConsumeIntegralInRange(0, npins - 1)] =
          in.ConsumeBool() ? g.nvtxs + in.ConsumeIntegralInRange(0, 1 << 20) : -1 - in.ConsumeIntegralInRange(0, 9);
      return true;
    case 12:  // eptr runs backwards
      if (g.nhedges() < 2) return false;
      std::swap(g.eptr[1], g.eptr[g.nhedges()]);
      return g.eptr[1] != g.eptr[g.nhedges()];
    case 13:  // eptr does not start at 0
      g.eptr[0] = in.ConsumeBool() ? 1 : -1;
      return true;
    case 14:  // a negative vertex weight
      if (g.vwgts.empty()) g.vwgts.assign(g.nvtxs, 1);
      g.vwgts[in.ConsumeIntegralInRange(0, g.nvtxs - 1)] = -in.ConsumeIntegralInRange(1, 1 << 30);
      return true;
    case 15:  // a negative hyperedge weight
      if (g.nhedges() == 0) return false;
      if (g.hewgts.empty()) g.hewgts.assign(g.nhedges(), 1);
      g.hewgts[in.ConsumeIntegralInRange(0, g.nhedges() - 1)] = -in.ConsumeIntegralInRange(1, 1 << 30);
      return true;
    default:
      return false;
  }
}

std::array<int, 9> DecodeOptions(FuzzedDataProvider &in, Entry entry) {
  std::array<int, 9> o{};
  // Defaults now and then: ten trials and a seed from the clock.
  o[0] = in.ConsumeIntegralInRange(0, 15) == 15 ? 0 : 1;
  o[1] = in.ConsumeIntegralInRange(1, 3);
  o[2] = in.ConsumeIntegralInRange(1, 5);
  o[3] = in.ConsumeIntegralInRange(1, entry == Entry::kKway || entry == Entry::kRefineKway ? 2 : 3);
  o[4] = in.ConsumeIntegralInRange(0, 3);
  o[5] = in.ConsumeIntegralInRange(0, 1);
  o[6] = in.ConsumeIntegralInRange(0, 1);
  o[7] = in.ConsumeIntegralInRange(0, 1 << 20);
  static const int kBits[] = {1, 2, 4, 8, 16, 32, 128};
  int bits = in.ConsumeIntegralInRange(0, 255);
  if (bits < 128)
    for (int b = 0; b < 7; ++b)
      if (bits & (1 << b)) o[8] |= kBits[b];
  return o;
}

std::vector<int> DecodeParts(FuzzedDataProvider &in, int nvtxs, int lo, int hi) {
  std::vector<int> part(nvtxs);
  for (int &p : part) p = in.ConsumeIntegralInRange(lo, hi);
  return part;
}

int RecountCut(const CallerHGraph &g, const int *part) {
  int cut = 0;
  for (int e = 0; e < g.nhedges(); ++e)
    for (int j = g.eptr[e] + 1; j < g.eptr[e + 1]; ++j)
      if (part[g.eind[j]] != part[g.eind[g.eptr[e]]]) {
        cut += g.HedgeWeight(e);
        break;
      }
  return cut;
}

int RecountSOED(const CallerHGraph &g, const int *part) {
  int soed = 0;
  std::vector<int> seen;
  for (int e = 0; e < g.nhedges(); ++e) {
    seen.assign(g.eind.begin() + g.eptr[e], g.eind.begin() + g.eptr[e + 1]);
    for (int &v : seen) v = part[v];
    std::sort(seen.begin(), seen.end());
    int nparts = static_cast<int>(std::unique(seen.begin(), seen.end()) - seen.begin());
    if (nparts > 1) soed += nparts * g.HedgeWeight(e);
  }
  return soed;
}

void Require(bool ok, const char *what, long long got, long long want) {
  if (ok) return;
  std::fprintf(stderr, "INVARIANT VIOLATED: %s (got %lld, expected %lld)\n", what, got, want);
  std::abort();
}

void RequireParts(const std::vector<int> &part, int nparts) {
  for (int p : part) Require(p >= 0 && p < nparts, "part number out of range", p, nparts);
}

void SilenceStdout() {
  if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
}

const char *DataFile(const uint8_t *data, size_t size) {
  static int fd = -1;
  static char path[64];
  if (fd < 0) {
    fd = memfd_create("fuzz-input", 0);
    if (fd < 0) std::abort();
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
  }
  if (ftruncate(fd, 0) != 0 || (size > 0 && pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)))
    std::abort();
  return path;
}

namespace {

// Shared with the child: where it leaves its coverage counters.
uint8_t *shared_counters = nullptr;
size_t ncounters = 0;

void SaveCounters() {
  if (ncounters > 0) std::memcpy(shared_counters, __start___sancov_cntrs, ncounters);
}

// A fatal error of the library ends the child through exit: the coverage of
// the failing input is handed over before the child goes.
void ChildExit(int status, void *) {
  SaveCounters();
  std::fflush(stderr);
  _exit(status);
}

// A sanitizer report in the child must not look like an ordinary exit.
constexpr int kSanitizerStatus = 99;
void ChildDeath() { _exit(kSanitizerStatus); }

}  // namespace

int RunCallInChild(const std::function<void()> &body, std::string &err);

int RunInChild(const uint8_t *data, size_t size, void (*body)(const char *path), std::string &err) {
  const char *path = DataFile(data, size);
  return RunCallInChild([&] { body(path); }, err);
}

void RequireRefusal(const char *entry, const std::function<void()> &call) {
  std::string err;
  const int status = RunCallInChild(call, err);
  const std::string prefix = std::string(entry) + ": ";
  if (status != 1 || err.compare(0, prefix.size(), prefix) != 0) {
    std::fprintf(stderr, "malformed input not refused by %s (exit status %d):\n%s\n", entry,
                 status, err.c_str());
    std::abort();
  }
}

int RunCallInChild(const std::function<void()> &body, std::string &err) {
  if (shared_counters == nullptr && __start___sancov_cntrs != nullptr) {
    ncounters = static_cast<size_t>(__stop___sancov_cntrs - __start___sancov_cntrs);
    void *p = mmap(nullptr, ncounters, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) std::abort();
    shared_counters = static_cast<uint8_t *>(p);
  }
  int pipefd[2];
  if (pipe(pipefd) != 0) std::abort();
  std::fflush(stderr);
  pid_t pid = fork();
  if (pid < 0) std::abort();
  if (pid == 0) {
    close(pipefd[0]);
    dup2(pipefd[1], 2);
    close(pipefd[1]);
    __sanitizer_set_death_callback(ChildDeath);
    on_exit(ChildExit, nullptr);
    // A hang must not outlive the fuzzer.
    signal(SIGALRM, SIG_DFL);
    alarm(60);
    body();
    SaveCounters();
    _exit(0);
  }
  close(pipefd[1]);
  err.clear();
  char buf[4096];
  ssize_t n;
  while ((n = read(pipefd[0], buf, sizeof buf)) > 0) err.append(buf, static_cast<size_t>(n));
  close(pipefd[0]);
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) std::abort();
  // The child started from this process's counters and only added to them.
  for (size_t i = 0; i < ncounters; ++i)
    __start___sancov_cntrs[i] = std::max(__start___sancov_cntrs[i], shared_counters[i]);
  if (!WIFEXITED(status) || WEXITSTATUS(status) == kSanitizerStatus) {
    std::fprintf(stderr, "child failed (status %d):\n%s\n", status, err.c_str());
    std::abort();
  }
  return WEXITSTATUS(status);
}

void RequireReadHGraph(const HGraph *g) {
  Require(g->nvtxs >= 0, "negative number of vertices", g->nvtxs, 0);
  Require(g->nhedges >= 0, "negative number of hyperedges", g->nhedges, 0);
  Require(g->netptr != nullptr && g->netptr[0] == 0, "pin starts do not begin at 0");
  std::vector<int> pins;
  long long vtotal = g->cellwgt ? 0 : g->nvtxs, htotal = g->netwgt ? 0 : g->nhedges;
  for (int e = 0; e < g->nhedges; ++e) {
    Require(g->netptr[e + 1] > g->netptr[e], "empty hyperedge accepted", e, 0);
    pins.assign(g->netind + g->netptr[e], g->netind + g->netptr[e + 1]);
    for (int v : pins) Require(v >= 0 && v < g->nvtxs, "pin out of range", v, g->nvtxs);
    std::sort(pins.begin(), pins.end());
    Require(std::adjacent_find(pins.begin(), pins.end()) == pins.end(), "pin repeated in a hyperedge", e);
    if (g->netwgt) {
      Require(g->netwgt[e] >= 0, "negative hyperedge weight", g->netwgt[e], 0);
      htotal += g->netwgt[e];
    }
  }
  for (int v = 0; g->cellwgt && v < g->nvtxs; ++v) {
    Require(g->cellwgt[v] >= 0, "negative vertex weight", g->cellwgt[v], 0);
    vtotal += g->cellwgt[v];
  }
  Require(vtotal <= kMaxTotalWeight, "total vertex weight past the limit", vtotal, kMaxTotalWeight);
  Require(htotal <= kMaxTotalWeight, "total hyperedge weight past the limit", htotal, kMaxTotalWeight);
  Require(g->where == nullptr && g->incptr == nullptr && g->coarser == nullptr, "reader left work arrays behind");
}

const char *ReadInChildFirst(const uint8_t *data, size_t size, void (*read_and_free)(const char *path)) {
  std::string err;
  int status = RunInChild(data, size, read_and_free, err);
  if (status == 1) {
    Require(!err.empty(), "fatal exit without a message");
    return nullptr;
  }
  Require(status == 0, "reader exit status", status, 0);
  return DataFile(data, size);
}

}  // namespace zf
