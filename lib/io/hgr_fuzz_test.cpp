// Robustness of the hypergraph reader: thousands of random and mutated files,
// each read in a child process, against a reference reading of the format.
#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <algorithm>
#include <optional>
#include <set>
#include <random>
#include <string>
#include <vector>

#include "testgen.h"
#include "io/io.h"

// Huge requests must come back as NULL from the sanitizer's allocator too, so
// that the library reports them itself.
extern "C" const char *__asan_default_options() { return "allocator_may_return_null=1"; }

namespace {

// What reading a file must give: a hypergraph, or the exact failure message.
struct Expected {
  std::string error;  // empty when the file is valid
  bool vast = false;  // announces vertex weights for more vertices than a test should allocate
  zt::PlainHGraph g;
  bool netwgts = false, cellwgts = false;
};

struct Failure {
  std::string message;
};

// A second reading of the file format, written for clarity over speed.
class RefReader {
 public:
  // path begins the message about weight totals past the limit.
  RefReader(const std::string &text, const std::string &path) : path_(path) {
    size_t start = 0;
    while (start < text.size()) {
      size_t nl = text.find('\n', start);
      if (nl == std::string::npos) nl = text.size();
      std::string line = text.substr(start, nl - start);
      lines_.push_back(line.substr(0, line.find('\0')));  // the reader sees a C string
      start = nl + 1;
    }
  }

  Expected Run() {
    Expected x;
    try {
      FirstPass();
      SecondPass(x);
    } catch (const Failure &f) {
      x.error = f.message;
    }
    return x;
  }

 private:
  [[noreturn]] static void Fail(const std::string &m) { throw Failure{m}; }

  // Next non-comment line from position at, or nullopt at the end.
  std::optional<std::string> Next(size_t &at) {
    while (at < lines_.size()) {
      const std::string &l = lines_[at++];
      if (l.empty() || l[0] != '%') return l;
    }
    return std::nullopt;
  }

  // Next integer at pos (white space skipped, optional sign, digits).
  static std::optional<int> Int(const std::string &l, size_t &pos) {
    size_t p = pos;
    while (p < l.size() && std::isspace(static_cast<unsigned char>(l[p]))) ++p;
    size_t numstart = p;
    if (p < l.size() && (l[p] == '+' || l[p] == '-')) ++p;
    size_t digits = p;
    while (p < l.size() && std::isdigit(static_cast<unsigned char>(l[p]))) ++p;
    if (p == digits) return std::nullopt;
    std::string token = l.substr(numstart, p - numstart);
    size_t first = token.find_first_not_of("+-0");
    bool big = first != std::string::npos && token.size() - first > 10;
    long long v = big ? 0 : std::stoll(token);
    if (big || v > INT_MAX || v < INT_MIN)
      Fail("Number " + token.substr(0, 40) + " in the input file does not fit into an int!\n");
    pos = p;
    return static_cast<int>(v);
  }

  void Header(size_t &at) {
    auto l = Next(at);
    if (!l) Fail("Header line missing from the input file!\n");
    size_t pos = 0;
    std::vector<int> nums;
    while (nums.size() < 3) {
      auto v = Int(*l, pos);
      if (!v) break;
      nums.push_back(*v);
    }
    if (nums.size() < 2) Fail("Header line must give the numbers of hyperedges and cells!\n");
    nhedges_ = nums[0];
    nvtxs_ = nums[1];
    fmt_ = nums.size() == 3 ? nums[2] : 0;
    if (nvtxs_ < 2) Fail("Cannot partition graph with " + std::to_string(nvtxs_) + " cells\n");
    if (fmt_ >= 100) Fail("Cannot read this type of file format!");
    if (nhedges_ < 0 || nhedges_ == INT_MAX)
      Fail("Cannot partition graph with " + std::to_string(nhedges_) + " hyperedges\n");
  }

  void FirstPass() {
    size_t at = 0;
    Header(at);
    for (int i = 0; i < nhedges_; ++i) {
      auto l = Next(at);
      if (!l) Fail("Data about hyperedge " + std::to_string(i) + " missing from the input file!\n");
      size_t pos = 0;
      if (fmt_ % 10 > 0) Int(*l, pos);
      for (auto v = Int(*l, pos); v && *v >= 1; v = Int(*l, pos)) {
      }
    }
  }

  void SecondPass(Expected &x) {
    size_t at = 0;
    Header(at);
    x.netwgts = fmt_ % 10 > 0;
    x.cellwgts = (fmt_ / 10) % 10 > 0;
    x.vast = x.cellwgts && nvtxs_ > 10000000;
    x.g.nvtxs = nvtxs_;
    for (int i = 0; i < nhedges_; ++i) {
      std::string l = *Next(at);
      size_t pos = 0;
      int w = 1;
      if (x.netwgts) {
        w = Int(l, pos).value_or(0);
        if (w < 0) Fail("Negative weight " + std::to_string(w) + " of Hyperedge # " + std::to_string(i + 1) + "\n");
      }
      size_t first = x.g.eind.size();
      for (auto v = Int(l, pos); v && *v >= 1; v = Int(l, pos)) {
        if (*v > nvtxs_) Fail("Mismatch between the provided and actual value of num_cells\n");
        bool seen = false;
        for (size_t j = first; j < x.g.eind.size(); ++j) seen |= x.g.eind[j] == *v - 1;
        if (!seen) x.g.eind.push_back(*v - 1);
      }
      if (x.g.eind.size() == first) Fail("Empty Hyperedge # " + std::to_string(i + 1) + "\n");
      x.g.eptr.push_back(static_cast<int>(x.g.eind.size()));
      x.g.hewgts.push_back(w);
    }
    // Weights are kept as the lines come: the header may announce far more
    // vertices than the file holds.
    for (int v = 0; x.cellwgts && v < nvtxs_; ++v) {
      auto l = Next(at);
      if (!l) Fail("Weights from vertex " + std::to_string(v) + " onwards missing from the input file!\n");
      size_t pos = 0;
      int w = Int(*l, pos).value_or(0);
      if (w < 0) Fail("Negative weight " + std::to_string(w) + " of vertex # " + std::to_string(v + 1) + "\n");
      x.g.vwgts.push_back(w);
    }
    Totals(x);
  }

  void Totals(const Expected &x) {
    long long vtotal = x.cellwgts ? 0 : nvtxs_, htotal = 0;
    for (int w : x.g.vwgts) vtotal += w;
    for (int w : x.g.hewgts) htotal += w;
    const std::string limit = " exceeds the limit 1073741823.\n";
    if (vtotal > 1073741823) Fail(path_ + ": the total vertex weight " + std::to_string(vtotal) + limit);
    if (htotal > 1073741823) Fail(path_ + ": the total hyperedge weight " + std::to_string(htotal) + limit);
  }

  std::string path_;
  std::vector<std::string> lines_;
  int nhedges_ = 0, nvtxs_ = 0, fmt_ = 0;
};

// The child's verdict on a hypergraph the reader returned.
enum : int { kMatches = 0, kBroken = 3, kDiffers = 4 };

// Nothing here may take memory in proportion to nvtxs: mutated headers
// announce up to INT_MAX vertices that the reader never touches.
int CheckAgainst(const HGraph *g, const Expected &x) {
  if (g->nhedges < 0 || g->nvtxs < 2 || g->netptr[0] != 0) return kBroken;
  for (int e = 0; e < g->nhedges; ++e) {
    if (g->netptr[e + 1] < g->netptr[e]) return kBroken;
    std::set<int> pins;
    for (int j = g->netptr[e]; j < g->netptr[e + 1]; ++j) {
      int v = g->netind[j];
      if (v < 0 || v >= g->nvtxs || !pins.insert(v).second) return kBroken;
    }
  }
  // Zero hyperedges make a zero-length weight array, that is NULL.
  if ((g->netwgt != nullptr) != (x.netwgts && g->nhedges > 0) || (g->cellwgt != nullptr) != x.cellwgts)
    return kDiffers;
  if (g->nvtxs != x.g.nvtxs || g->nhedges != x.g.nhedges()) return kDiffers;
  if (!std::equal(x.g.eptr.begin(), x.g.eptr.end(), g->netptr.get())) return kDiffers;
  if (!std::equal(x.g.eind.begin(), x.g.eind.end(), g->netind.get())) return kDiffers;
  if (x.netwgts && !std::equal(x.g.hewgts.begin(), x.g.hewgts.end(), g->netwgt.get()))
    return kDiffers;
  if (x.cellwgts && !std::equal(x.g.vwgts.begin(), x.g.vwgts.end(), g->cellwgt.get()))
    return kDiffers;
  return kMatches;
}

// Mutations of a valid file, at the level of lines, tokens and bytes.
std::string Mutate(std::string text, std::mt19937 &rng) {
  auto pick = [&](size_t n) { return n == 0 ? size_t(0) : static_cast<size_t>(rng() % n); };
  static const char *kNumbers[] = {"0", "1", "2", "-1", "-7", "3", "99", "100", "11", "10",
                                   "2147483647", "2147483648", "-2147483648", "-2147483649",
                                   "99999999999999999999", "+5", "x", "%", "", "5000000"};
  static const std::string kBytes = " \t\r\n0123456789+-%abc.\v";
  int rounds = 1 + static_cast<int>(rng() % 3);
  for (int r = 0; r < rounds; ++r) {
    size_t at = pick(text.size() + 1);
    size_t nl = text.find('\n', at);
    size_t bol = at == 0 ? 0 : text.rfind('\n', at - 1);
    bol = bol == std::string::npos || at == 0 ? 0 : bol + 1;
    switch (rng() % 8) {
      case 0:  // drop a line
        text.erase(bol, nl == std::string::npos ? std::string::npos : nl - bol + 1);
        break;
      case 1:  // repeat a line
        text.insert(bol, text.substr(bol, nl == std::string::npos ? std::string::npos : nl - bol + 1));
        break;
      case 2:  // cut the file short
        text.resize(at);
        break;
      case 3: {  // replace a token by a telling number
        size_t b = text.find_first_of("0123456789", at);
        if (b == std::string::npos) break;
        size_t e = text.find_first_not_of("0123456789", b);
        text.replace(b, e == std::string::npos ? std::string::npos : e - b, kNumbers[pick(std::size(kNumbers))]);
        break;
      }
      case 4:  // insert a comment or a blank line
        text.insert(bol, rng() % 2 ? "% noise 1 2 3\n" : "\n");
        break;
      case 5:  // stray bytes
        for (int k = 0, n = 1 + static_cast<int>(rng() % 4); k < n; ++k)
          text.insert(text.begin() + static_cast<long>(pick(text.size() + 1)), kBytes[pick(kBytes.size())]);
        break;
      case 6: {  // a new header
        std::string header = std::to_string(rng() % 12);
        header += ' ';
        header += kNumbers[pick(std::size(kNumbers))];
        if (rng() % 2) {
          header += ' ';
          header += kNumbers[pick(std::size(kNumbers))];
        }
        text.replace(0, text.find('\n'), header);
        break;
      }
      default:  // a byte of anything (never a zero byte: the file is text)
        if (!text.empty()) text[pick(text.size())] = static_cast<char>(1 + rng() % 255);
        break;
    }
  }
  return text;
}

std::string RandomFile(std::mt19937 &rng) {
  static const std::string kBytes = "  \n\n\n0123456789-%";
  std::string t = std::to_string(rng() % 6) + " " + std::to_string(rng() % 8) + " " + std::to_string(rng() % 12) + "\n";
  for (int k = 0, n = static_cast<int>(rng() % 80); k < n; ++k) t += kBytes[rng() % kBytes.size()];
  return t;
}

std::string ValidFile(std::mt19937 &rng, const std::string &path) {
  zt::GenSpec gs;
  gs.nvtxs = 2 + static_cast<int>(rng() % 12);
  gs.nhedges = static_cast<int>(rng() % 8);
  gs.minsize = 1;
  gs.maxsize = 5;
  gs.maxvwgt = 4;
  gs.maxhwgt = 4;
  gs.seed = rng();
  zt::PlainHGraph g = zt::Generate(gs);
  static const int kFormats[] = {0, 1, 10, 11};
  int fmt = kFormats[rng() % 4];
  zt::WriteHGraphFile(path, g, fmt);
  std::string text = zt::ReadFile(path);
  if (rng() % 3 == 0) text = "% generated\n" + text;
  return text;
}

// Every child that fails exits through exit(), where the leak checker of a
// sanitizer build scans the heap; that build reads fewer files.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kFiles = 400;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr int kFiles = 400;
#else
constexpr int kFiles = 2000;
#endif
#else
constexpr int kFiles = 2000;
#endif

}  // namespace

TEST(ReaderRobustness, RandomAndMutatedFilesReadCorrectlyOrFailWithTheirMessage) {
  std::mt19937 rng(20240611);
  zt::TempDir dir;
  const std::string path = dir.file("fuzz.hgr");
  int valid = 0, rejected = 0;
  for (int round = 0; round < kFiles; ++round) {
    std::string text = round % 10 == 0 ? RandomFile(rng) : ValidFile(rng, path);
    if (round % 10 >= 2) text = Mutate(text, rng);
    zt::WriteFile(path, text);
    Expected x = RefReader(text, path).Run();
    // The reader allocates the announced vertex weights before it reads
    // them; under the address sanitizer gigabytes of them take seconds.
    if (x.vast) continue;

    zt::RunResult r = zt::RunInChild([&] {
      HGraph *g = ReadHGraph(path.c_str());
      int verdict = CheckAgainst(g, x);
      FreeHGraph__(g);
      return verdict;
    });
    ASSERT_LT(r.status, 128) << "signal on:\n" << text << "\nstderr:\n" << r.err;
    ASSERT_EQ(r.err.find("Sanitizer"), std::string::npos) << text << r.err;
    ASSERT_EQ(r.err.find("runtime error"), std::string::npos) << text << r.err;
    if (x.error.empty()) {
      ASSERT_EQ(r.status, kMatches) << "file:\n" << text << "\nstderr:\n" << r.err;
      ++valid;
    } else if (r.err.rfind("Memory allocation failed for ", 0) == 0) {
      ASSERT_EQ(r.status, 1);  // a vertex count the machine cannot hold
      ++rejected;
    } else {
      ASSERT_EQ(r.status, 1) << "file:\n" << text << "\nexpected: " << x.error;
      ASSERT_EQ(r.err, x.error + "\n") << "file:\n" << text;
      ++rejected;
    }
  }
  // Both outcomes must be well represented for the test to mean something.
  EXPECT_GT(valid, kFiles / 5);
  EXPECT_GT(rejected, kFiles / 5);
}
