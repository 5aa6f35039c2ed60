// The Matrix Market reader. A sparse matrix in coordinate form becomes a
// hypergraph in one of two ways: column-net, where the rows are the vertices
// and each column is a hyperedge over the rows of its nonzeros, or row-net,
// its transpose. Every entry becomes a pin key, its hyperedge above its
// vertex, and a radix sort over 16-bit digits puts the keys in order: each
// hyperedge's pins come out in increasing vertex order with repeats side by
// side, in time and memory linear in the entries, whatever dimensions the
// size line claims.
#include <strings.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <utility>

#include "io/io.h"
#include "io/text.h"

namespace {

struct Banner {
  int nvalues;           // numbers after the row and the column of an entry
  bool mirrored;         // an off-diagonal entry stands for its mirror too
  const char *symmetry;  // for the messages
};

struct Size {
  int nrows, ncols, nnz;
};

// The banner's next keyword as its position among choices; what names the
// keyword and expected lists the choices for the messages.
template <size_t n>
int Keyword(TextInput &in, const char *what, const char *const (&choices)[n], const char *expected) {
  std::string word = in.Word();
  if (word.empty())
    errexit__("%s, line %lld: the banner ends before the %s; expected %s", in.Name(), in.LineNumber(), what,
              expected);
  for (size_t k = 0; k < n; ++k)
    if (strcasecmp(word.c_str(), choices[k]) == 0) return static_cast<int>(k);
  errexit__("%s, line %lld: unsupported %s \"%s\"; expected %s", in.Name(), in.LineNumber(), what, word.c_str(),
            expected);
}

Banner ReadBanner(TextInput &in) {
  static constexpr const char kBanner[] = "%%MatrixMarket matrix coordinate <field> <symmetry>";
  if (!in.NextLine()) errexit__("%s: the file is empty; expected the banner %s", in.Name(), kBanner);
  if (strcasecmp(in.Word().c_str(), "%%MatrixMarket") != 0)
    errexit__("%s, line %lld: expected the banner %s", in.Name(), in.LineNumber(), kBanner);
  static constexpr const char *kObjects[] = {"matrix"};
  static constexpr const char *kFormats[] = {"coordinate"};
  static constexpr const char *kFields[] = {"pattern", "real", "integer", "complex"};
  static constexpr const char *kSymmetries[] = {"general", "symmetric", "skew-symmetric", "hermitian"};
  Keyword(in, "object", kObjects, "matrix");
  Keyword(in, "format", kFormats, "coordinate");
  const int field = Keyword(in, "field", kFields, "real, integer, complex or pattern");
  const int symmetry = Keyword(in, "symmetry", kSymmetries, "general, symmetric, skew-symmetric or hermitian");
  // The value of an entry never matters, only where it stands: pattern has
  // none, complex has two parts.
  const int nvalues = field == 0 ? 0 : field == 3 ? 2 : 1;
  return {nvalues, symmetry != 0, kSymmetries[symmetry]};
}

Size ReadSize(TextInput &in, const Banner &b) {
  if (!in.NextLineWithData())
    errexit__("%s: the file ends before the size line; expected the numbers of rows, columns and entries",
              in.Name());
  Size s{0, 0, 0};
  if (!in.ReadIntOfLine(s.nrows) || !in.ReadIntOfLine(s.ncols) || !in.ReadIntOfLine(s.nnz))
    errexit__("%s, line %lld: expected the numbers of rows, columns and entries", in.Name(), in.LineNumber());
  if (s.nrows < 0 || s.ncols < 0 || s.nnz < 0)
    errexit__("%s, line %lld: the numbers of rows, columns and entries must not be negative, not %d %d %d",
              in.Name(), in.LineNumber(), s.nrows, s.ncols, s.nnz);
  // An entry's mirror must lie inside the matrix as well.
  if (b.mirrored && s.nrows != s.ncols)
    errexit__("%s, line %lld: a %s matrix must be square, not %d by %d", in.Name(), in.LineNumber(), b.symmetry,
              s.nrows, s.ncols);
  return s;
}

// The pin keys read so far. The array grows by doubling up to what the size
// line allows, so that a size line claiming more entries than the file holds
// costs no memory.
struct PinKeys {
  ZBArray<uint64_t> keys;
  size_t n = 0;
  size_t room = 0;
  size_t most = 0;

  void Add(int hedge, int vtx) {
    if (n == room) {
      size_t fresh = std::min(most, room == 0 ? size_t{1} << 16 : 2 * room);
      uint64_t *grown = ZBmallocT__<uint64_t>(fresh, "ReadMatrixMarket: keys");
      if (n > 0) std::memcpy(grown, keys.get(), n * sizeof(uint64_t));
      keys = grown;
      room = fresh;
    }
    keys[n++] = static_cast<uint64_t>(hedge) << 32 | static_cast<uint32_t>(vtx);
  }
};

PinKeys ReadEntries(TextInput &in, const Banner &b, const Size &s, MtxModel model) {
  PinKeys p;
  p.most = static_cast<size_t>(s.nnz) * (b.mirrored ? 2 : 1);
  for (int k = 1; k <= s.nnz; ++k) {
    if (!in.NextLineWithData()) errexit__("%s: the file ends after %d of %d entries", in.Name(), k - 1, s.nnz);
    int i, j;
    if (!in.ReadIntOfLine(i) || !in.ReadIntOfLine(j))
      errexit__("%s, line %lld: expected the row and the column of entry %d of %d", in.Name(), in.LineNumber(),
                k, s.nnz);
    if (i < 1 || i > s.nrows)
      errexit__("%s, line %lld: row %d of entry %d lies outside 1..%d", in.Name(), in.LineNumber(), i, k,
                s.nrows);
    if (j < 1 || j > s.ncols)
      errexit__("%s, line %lld: column %d of entry %d lies outside 1..%d", in.Name(), in.LineNumber(), j, k,
                s.ncols);
    for (int t = 0; t < b.nvalues; ++t)
      if (in.Word().empty())
        errexit__("%s, line %lld: expected the %s of entry %d of %d", in.Name(), in.LineNumber(),
                  b.nvalues == 2 ? "real and the imaginary part" : "value", k, s.nnz);
    if (model == MtxModel::kRowNet) std::swap(i, j);
    p.Add(j - 1, i - 1);
    if (b.mirrored && i != j) p.Add(i - 1, j - 1);
  }
  if (in.NextLineWithData())
    errexit__("%s, line %lld: more entries than the size line's %d", in.Name(), in.LineNumber(), s.nnz);
  return p;
}

// Least significant digit first, each pass a stable counting sort; a digit
// that every key shares (the high ones of a small matrix) costs one count.
void SortKeys(ZBArray<uint64_t> &keys, size_t n) {
  if (n == 0) return;
  constexpr size_t kDigits = size_t{1} << 16;
  ZBArray<uint64_t> other;
  other = ZBmallocT__<uint64_t>(n, "ReadMatrixMarket: sorted keys");
  ZBArray<size_t> start;
  start = ZBmallocT__<size_t>(kDigits, "ReadMatrixMarket: digit counts");
  for (int shift = 0; shift < 64; shift += 16) {
    std::fill(start.get(), start + kDigits, size_t{0});
    for (size_t k = 0; k < n; ++k) ++start[(keys[k] >> shift) & 0xffff];
    if (start[(keys[0] >> shift) & 0xffff] == n) continue;
    size_t sum = 0;
    for (size_t d = 0; d < kDigits; ++d) sum += std::exchange(start[d], sum);
    for (size_t k = 0; k < n; ++k) other[start[(keys[k] >> shift) & 0xffff]++] = keys[k];
    std::swap(keys, other);
  }
}

// The hypergraph of the sorted keys: a key equal to the one before is a
// repeated pin and goes, and a hyperedge exists only where a key names it, so
// columns (rows) without nonzeros are dropped.
void BuildHyperedges(const char *filename, const uint64_t *keys, size_t n, HGraph *graph) {
  size_t npins = 0, nhedges = 0;
  for (size_t k = 0; k < n; ++k) {
    if (k > 0 && keys[k] == keys[k - 1]) continue;
    ++npins;
    if (k == 0 || keys[k] >> 32 != keys[k - 1] >> 32) ++nhedges;
  }
  if (npins > INT_MAX) errexit__("%s: the matrix has %zu nonzeros, more than an int can count", filename, npins);
  graph->nhedges = static_cast<int>(nhedges);
  graph->netptr = imalloc__(nhedges + 1, "ReadMatrixMarket: netptr");
  graph->netind = imalloc__(npins, "ReadMatrixMarket: netind");
  int *netptr = graph->netptr, *netind = graph->netind;
  int e = -1, j = 0;
  for (size_t k = 0; k < n; ++k) {
    if (k > 0 && keys[k] == keys[k - 1]) continue;
    if (k == 0 || keys[k] >> 32 != keys[k - 1] >> 32) netptr[++e] = j;
    netind[j++] = static_cast<int>(keys[k] & 0xffffffffu);
  }
  netptr[nhedges] = j;
}

}  // namespace

HGraph *ReadMatrixMarket(const char *filename, MtxModel model) {
  TextInput in(filename, "Can't open input file");
  const Banner b = ReadBanner(in);
  const Size s = ReadSize(in, b);
  PinKeys p = ReadEntries(in, b, s, model);
  SortKeys(p.keys, p.n);

  HGraphOwner graph(CreateHGraph__());
  graph->nvtxs = model == MtxModel::kColumnNet ? s.nrows : s.ncols;
  BuildHyperedges(filename, p.keys, p.n, graph.get());
  p.keys.reset();
  CheckHGraphInput__(filename, graph->nvtxs, graph->nhedges, nullptr, graph->netptr, graph->netind, nullptr, 0);
  return graph.release();
}
