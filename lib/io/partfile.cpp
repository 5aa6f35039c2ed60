// Partition files (written at the end of every run) and fixed-vertex files
// (read by the recursive-bisection programs): one part number per vertex.
#include <cctype>
#include <charconv>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "io/io.h"
#include "io/text.h"

// The file is named after the largest part number present plus one, which is
// the number of parts whenever every part is used.
void WriteHGraphPart(int nvtxs, const int *part, const char *filename) {
  int nparts = nvtxs > 0 ? part[iamax__(nvtxs, part)] + 1 : 0;
  std::string name(std::strlen(filename) + 32, '\0');
  name.resize(std::snprintf(name.data(), name.size(), "%s.part.%d", filename, nparts));
  WritePartitionFile(nvtxs, part, name.c_str());
}

void WritePartitionFile(int nvtxs, const int *part, const char *filename) {
  WriteAtomically(filename, "WriteHGraphPart: partfile", [&](FILE *fp) {
    for (int i = 0; i < nvtxs; ++i)
      if (std::fprintf(fp, "%d\n", part[i]) < 0) return errno;
    return 0;
  });
}

namespace {

enum class Token { kEnd, kInt, kBad };

// The next white-space separated token of the file, parsed as a whole as an
// int; a token of 32 characters or more is not one.
Token NextInt(TextInput &in, int &value) {
  if (!in.SkipSpace()) return Token::kEnd;
  std::string_view ahead = in.Ahead(32);
  size_t len = 0;
  while (len < ahead.size() && !std::isspace(static_cast<unsigned char>(ahead[len]))) ++len;
  if (len == 32) return Token::kBad;
  std::string_view token = ahead.substr(0, len);
  in.Advance(len);
  // One optional sign, as strtol takes it: from_chars knows only the minus.
  if (token[0] == '+') {
    token.remove_prefix(1);
    if (!token.empty() && token[0] == '-') return Token::kBad;
  }
  auto [ptr, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
  if (ec != std::errc() || ptr != token.data() + token.size()) return Token::kBad;
  return Token::kInt;
}

}  // namespace

namespace {

// Reads one part per vertex, each at least lowest; a short file or a token
// that is not an integer is rejected instead of leaving vertices at the
// caller's values. With exact, anything after the last vertex's part is
// rejected too.
void ReadParts(int nvtxs, int *part, const char *filename, int lowest, bool exact) {
  TextInput in(filename, "ReadPartition: partfile");
  for (int i = 0; i < nvtxs; ++i) {
    int value = 0;
    switch (NextInt(in, value)) {
      case Token::kEnd:
        errexit__("Parts from vertex %d onwards missing from the partition file %s!\n", i, filename);
      case Token::kBad:
        errexit__("Part of vertex %d in the partition file %s is not an integer!\n", i, filename);
      case Token::kInt:
        break;
    }
    if (value < lowest) {
      if (lowest == 0) errexit__("Part %d of vertex %d in the partition file %s is negative!\n", value, i, filename);
      errexit__("Part %d of vertex %d in the partition file %s is below -1!\n", value, i, filename);
    }
    part[i] = value;
  }
  int extra = 0;
  if (exact && NextInt(in, extra) != Token::kEnd)
    errexit__("The partition file %s has more entries than the %d vertices of the hypergraph!\n", filename, nvtxs);
}

}  // namespace

// Every vertex needs a part: -1 for a free vertex or a part number from 0 up
// (the front ends check the upper bound).
void ReadPartition(int nvtxs, int *part, const char *filename) {
  ReadParts(nvtxs, part, filename, -1, false);
}

void ReadFullPartition(int nvtxs, int *part, const char *filename) {
  ReadParts(nvtxs, part, filename, 0, true);
}
