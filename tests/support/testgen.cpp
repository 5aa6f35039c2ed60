#include "testgen.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "zorbel.h"

namespace zt {

PlainHGraph Generate(const GenSpec &s) {
  std::mt19937 rng(s.seed);
  auto uni = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };

  PlainHGraph g;
  g.nvtxs = s.nvtxs;
  // Islands are spread over the vertex numbers; the others carry the pins.
  std::vector<char> island(s.nvtxs, 0);
  std::vector<int> live;
  for (int i = 0; i < s.nislands && i < s.nvtxs; ++i) island[(static_cast<long>(i) * 7919 + 3) % s.nvtxs] = 1;
  for (int v = 0; v < s.nvtxs; ++v)
    if (!island[v]) live.push_back(v);

  std::vector<int> mark(s.nvtxs, -1);
  auto add_hedge = [&](int size) {
    int e = g.nhedges();
    size = std::min<int>(size, static_cast<int>(live.size()));
    int added = 0;
    while (added < size) {
      int v = live[uni(0, static_cast<int>(live.size()) - 1)];
      if (mark[v] == e) continue;
      mark[v] = e;
      g.eind.push_back(v);
      ++added;
    }
    g.eptr.push_back(static_cast<int>(g.eind.size()));
    g.hewgts.push_back(uni(1, std::max(1, s.maxhwgt)));
  };
  if (!live.empty()) {
    for (int e = 0; e < s.nhedges; ++e) add_hedge(uni(s.minsize, s.maxsize));
    for (int e = 0; e < s.nlarge; ++e) add_hedge(uni(51, std::max(51, s.largesize)));
  }
  g.vwgts.resize(s.nvtxs);
  for (int v = 0; v < s.nvtxs; ++v) g.vwgts[v] = uni(1, std::max(1, s.maxvwgt));
  for (int i = 0; i < s.nheavy && i < s.nvtxs; ++i) g.vwgts[uni(0, s.nvtxs - 1)] = s.heavywgt;
  return g;
}

HGraph *ToHGraph(const PlainHGraph &g) {
  HGraph *graph = CreateHGraph__();
  graph->nvtxs = g.nvtxs;
  graph->nhedges = g.nhedges();
  graph->nfixed = 0;
  graph->netptr = imalloc__(g.eptr.size(), "test: netptr");
  std::copy(g.eptr.begin(), g.eptr.end(), graph->netptr.get());
  graph->netind = imalloc__(g.eind.size(), "test: netind");
  std::copy(g.eind.begin(), g.eind.end(), graph->netind.get());
  graph->cellwgt = imalloc__(g.vwgts.size(), "test: cellwgt");
  std::copy(g.vwgts.begin(), g.vwgts.end(), graph->cellwgt.get());
  graph->netwgt = imalloc__(g.hewgts.size(), "test: netwgt");
  std::copy(g.hewgts.begin(), g.hewgts.end(), graph->netwgt.get());
  return graph;
}

PlainHGraph FromHGraph(const HGraph *graph) {
  PlainHGraph g;
  g.nvtxs = graph->nvtxs;
  g.eptr.assign(graph->netptr.get(), graph->netptr + graph->nhedges + 1);
  g.eind.assign(graph->netind.get(), graph->netind + g.eptr.back());
  if (graph->cellwgt)
    g.vwgts.assign(graph->cellwgt.get(), graph->cellwgt + graph->nvtxs);
  else
    g.vwgts.assign(graph->nvtxs, 1);
  if (graph->netwgt)
    g.hewgts.assign(graph->netwgt.get(), graph->netwgt + graph->nhedges);
  else
    g.hewgts.assign(graph->nhedges, 1);
  return g;
}

int RecountCut(const PlainHGraph &g, const int *where) {
  int cut = 0;
  for (int e = 0; e < g.nhedges(); ++e) {
    bool spans = false;
    for (int j = g.eptr[e] + 1; j < g.eptr[e + 1]; ++j)
      if (where[g.eind[j]] != where[g.eind[g.eptr[e]]]) spans = true;
    if (spans) cut += g.hewgts[e];
  }
  return cut;
}

int RecountSOED(const PlainHGraph &g, const int *where) {
  int soed = 0;
  for (int e = 0; e < g.nhedges(); ++e) {
    std::vector<int> parts;
    for (int j = g.eptr[e]; j < g.eptr[e + 1]; ++j) parts.push_back(where[g.eind[j]]);
    std::sort(parts.begin(), parts.end());
    int distinct = static_cast<int>(std::unique(parts.begin(), parts.end()) - parts.begin());
    if (distinct > 1) soed += g.hewgts[e] * distinct;
  }
  return soed;
}

int RecountKm1(const PlainHGraph &g, const int *where) {
  int km1 = 0;
  for (int e = 0; e < g.nhedges(); ++e) {
    std::vector<int> parts;
    for (int j = g.eptr[e]; j < g.eptr[e + 1]; ++j) parts.push_back(where[g.eind[j]]);
    std::sort(parts.begin(), parts.end());
    const int distinct = static_cast<int>(std::unique(parts.begin(), parts.end()) - parts.begin());
    if (distinct > 1) km1 += g.hewgts[e] * (distinct - 1);
  }
  return km1;
}

std::vector<int> RecountPartWeights(const PlainHGraph &g, const int *where, int nparts) {
  std::vector<int> w(nparts, 0);
  for (int v = 0; v < g.nvtxs; ++v) w.at(where[v]) += g.vwgts[v];
  return w;
}

std::vector<int> RecountPartDegrees(const PlainHGraph &g, const int *where, int nparts) {
  std::vector<int> deg(nparts, 0);
  for (int e = 0; e < g.nhedges(); ++e) {
    std::vector<int> parts;
    for (int j = g.eptr[e]; j < g.eptr[e + 1]; ++j) parts.push_back(where[g.eind[j]]);
    std::sort(parts.begin(), parts.end());
    parts.erase(std::unique(parts.begin(), parts.end()), parts.end());
    if (parts.size() > 1)
      for (int p : parts) deg.at(p) += g.hewgts[e];
  }
  return deg;
}

PrintedStatistics ParseStatistics(const std::string &out) {
  PrintedStatistics st;
  auto after = [&](const char *key) -> const char * {
    size_t at = out.find(key);
    return at == std::string::npos ? nullptr : out.c_str() + at + std::strlen(key);
  };
  const char *summary = after("Summary for the ");
  const char *cut = after("Hyperedge Cut:");
  const char *soed = after("Sum of External Degrees:");
  const char *sizes = after("Partition Sizes & External Degrees:");
  if (!summary || !cut || !soed || !sizes) return st;
  if (std::sscanf(summary, "%d-way", &st.nparts) != 1 || std::sscanf(cut, "%d", &st.cut) != 1 ||
      std::sscanf(soed, "%d", &st.soed) != 1)
    return st;
  const char *p = sizes;
  for (int k = 0; k < st.nparts; ++k) {
    int w, d, used = 0;
    if (std::sscanf(p, " %d[%d]%n", &w, &d, &used) != 2) return st;
    st.pwgts.push_back(w);
    st.pcuts.push_back(d);
    p += used;
  }
  st.ok = true;
  return st;
}

std::vector<int> ReadPartFile(const std::string &path) {
  std::ifstream in(path);
  std::vector<int> part;
  int x;
  while (in >> x) part.push_back(x);
  return part;
}

double BisectionPartBound(int nparts, double total, double ub) {
  if (nparts <= 1) return total;
  double left = std::min(total, static_cast<double>(nparts / 2) / nparts * total + ub * total + 1);
  double right =
      std::min(total, static_cast<double>((nparts + 1) / 2) / nparts * total + ub * total + 1);
  return std::max(BisectionPartBound(nparts / 2, left, ub),
                  BisectionPartBound((nparts + 1) / 2, right, ub));
}

std::vector<int> CheckPartitionRun(const RunResult &r, const PlainHGraph &g,
                                   const std::string &graphfile, int nparts) {
  EXPECT_EQ(r.status, 0) << r.err;
  // The file is named after the highest part used, so trailing parts left
  // empty (more parts than the vertices can fill) shorten its name.
  std::vector<int> part;
  for (int k = nparts; k >= 1 && part.empty(); --k)
    part = ReadPartFile(graphfile + ".part." + std::to_string(k));
  EXPECT_EQ(static_cast<int>(part.size()), g.nvtxs) << "partition file of " << graphfile;
  for (int p : part) EXPECT_TRUE(p >= 0 && p < nparts) << "part " << p;
  if (static_cast<int>(part.size()) != g.nvtxs ||
      !std::all_of(part.begin(), part.end(), [&](int p) { return p >= 0 && p < nparts; }))
    return {};
  PrintedStatistics st = ParseStatistics(r.out);
  EXPECT_TRUE(st.ok) << r.out;
  EXPECT_EQ(st.nparts, nparts);
  EXPECT_EQ(st.cut, RecountCut(g, part.data()));
  EXPECT_EQ(st.soed, RecountSOED(g, part.data()));
  EXPECT_EQ(st.pwgts, RecountPartWeights(g, part.data(), nparts));
  EXPECT_EQ(st.pcuts, RecountPartDegrees(g, part.data(), nparts));
  return part;
}

void WriteHGraphFile(const std::string &path, const PlainHGraph &g, int fmt) {
  std::ostringstream os;
  os << g.nhedges() << " " << g.nvtxs;
  if (fmt != 0) os << " " << fmt;
  os << "\n";
  for (int e = 0; e < g.nhedges(); ++e) {
    bool first = true;
    if (fmt % 10 == 1) {
      os << g.hewgts[e];
      first = false;
    }
    for (int j = g.eptr[e]; j < g.eptr[e + 1]; ++j) {
      if (!first) os << " ";
      os << g.eind[j] + 1;
      first = false;
    }
    os << "\n";
  }
  if (fmt / 10 == 1)
    for (int v = 0; v < g.nvtxs; ++v) os << g.vwgts[v] << "\n";
  WriteFile(path, os.str());
}

PlainHGraph ReadHGraphFile(const std::string &path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot open " + path);
  std::string line;
  auto next_line = [&]() {
    while (std::getline(in, line))
      if (line.empty() || line[0] != '%') return true;
    throw std::runtime_error("missing line in " + path);
  };
  next_line();
  std::istringstream hs(line);
  int nhedges = 0, fmt = 0;
  PlainHGraph g;
  hs >> nhedges >> g.nvtxs;
  if (!(hs >> fmt)) fmt = 0;
  for (int e = 0; e < nhedges; ++e) {
    next_line();
    std::istringstream ls(line);
    int w = 1, pin;
    if (fmt % 10 == 1) ls >> w;
    while (ls >> pin && pin >= 1) g.eind.push_back(pin - 1);
    g.eptr.push_back(static_cast<int>(g.eind.size()));
    g.hewgts.push_back(w);
  }
  g.vwgts.assign(g.nvtxs, 1);
  if (fmt / 10 == 1)
    for (int v = 0; v < g.nvtxs; ++v) {
      next_line();
      g.vwgts[v] = std::stoi(line);
    }
  return g;
}

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "zorbel-test-XXXXXX").string();
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  if (mkdtemp(buf.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = buf.data();
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream os;
  os << in.rdbuf();
  return os.str();
}

void WriteFile(const std::string &path, const std::string &text) {
  // A new file rather than a truncated one: rewriting a file in place makes
  // some file systems flush it to disk on close, which is slow.
  std::error_code ec;
  std::filesystem::remove(path, ec);
  std::ofstream out(path, std::ios::binary);
  out << text;
}

std::string Escaped(const std::string &text) {
  std::string re;
  for (char c : text) {
    if (std::string(".[]()*+?{}|^$\\").find(c) != std::string::npos) re += '\\';
    re += c;
  }
  return re;
}

std::string Exactly(const std::string &text) { return "^" + Escaped(text) + "$"; }

void WriteGzipFile(const std::string &path, const std::string &text) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
  gzFile gz = gzopen(path.c_str(), "wb");
  if (gz == nullptr) throw std::runtime_error("cannot write " + path);
  for (size_t at = 0; at < text.size();) {
    unsigned n = static_cast<unsigned>(std::min<size_t>(text.size() - at, 1u << 20));
    if (gzwrite(gz, text.data() + at, n) != static_cast<int>(n)) throw std::runtime_error("cannot write " + path);
    at += n;
  }
  gzclose(gz);
}

static std::string Drain(int fd) {
  std::string s;
  char buf[65536];
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0) s.append(buf, static_cast<size_t>(n));
  return s;
}

// Anonymous in-memory files collect the child's output: no pipe can fill up
// and block, and nothing touches the file system.
RunResult RunInChild(const std::function<int()> &body) {
  int out = memfd_create("child-out", 0), err = memfd_create("child-err", 0);
  if (out < 0 || err < 0) throw std::runtime_error("memfd_create failed");
  fflush(stdout);
  fflush(stderr);
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    dup2(out, 1);
    dup2(err, 2);
    int status = body();
    fflush(stdout);
    fflush(stderr);
    _exit(status);
  }
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  RunResult r;
  if (WIFEXITED(wstatus))
    r.status = WEXITSTATUS(wstatus);
  else if (WIFSIGNALED(wstatus))
    r.status = 128 + WTERMSIG(wstatus);
  lseek(out, 0, SEEK_SET);
  lseek(err, 0, SEEK_SET);
  r.out = Drain(out);
  r.err = Drain(err);
  close(out);
  close(err);
  return r;
}

RunResult RunProgram(const std::string &program, const std::vector<std::string> &args,
                     const std::string &cwd) {
  // Output goes to temporary files so that neither pipe can fill up and block.
  TempDir io;
  std::string outpath = io.file("out"), errpath = io.file("err");
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    int in = open("/dev/null", O_RDONLY);
    int out = open(outpath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = open(errpath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0) _exit(127);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(127);
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(program.c_str()));
    for (const auto &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  RunResult r;
  if (WIFEXITED(wstatus))
    r.status = WEXITSTATUS(wstatus);
  else if (WIFSIGNALED(wstatus))
    r.status = 128 + WTERMSIG(wstatus);
  int fo = open(outpath.c_str(), O_RDONLY), fe = open(errpath.c_str(), O_RDONLY);
  if (fo >= 0) { r.out = Drain(fo); close(fo); }
  if (fe >= 0) { r.err = Drain(fe); close(fe); }
  return r;
}

std::string ProgramPath(const std::string &name) {
  return std::string(ZORBEL_BINARY_DIR) + "/programs/" + name;
}

std::string InstancePath(const std::string &name) {
  std::string p = std::string(ZORBEL_INSTANCES_DIR) + "/" + name;
  return std::filesystem::exists(p) ? p : std::string();
}

EntryOutcome CallEntry(const PlainHGraph &g, bool kway, int nparts, int ubfactor,
                       const int *options, std::vector<int> part) {
  EntryOutcome o;
  o.part = std::move(part);
  testing::internal::CaptureStdout();
  if (kway)
    ZORBEL_PartKway(g.nvtxs, g.nhedges(), g.vwgts.data(), g.eptr.data(), g.eind.data(),
                    g.hewgts.data(), nparts, ubfactor, options, o.part.data(), &o.cut);
  else
    ZORBEL_PartRecursive(g.nvtxs, g.nhedges(), g.vwgts.data(), g.eptr.data(), g.eind.data(),
                         g.hewgts.data(), nparts, ubfactor, options, o.part.data(), &o.cut);
  o.printed = testing::internal::GetCapturedStdout();
  return o;
}

}  // namespace zt
