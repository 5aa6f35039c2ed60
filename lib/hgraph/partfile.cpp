// Partition files (written at the end of every run) and fixed-vertex files
// (read by the recursive-bisection programs): one part number per vertex.
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "hgraph/hgraph.h"

// The file is named after the largest part number present plus one, which is
// the number of parts whenever every part is used.
void WriteHGraphPart(int nvtxs, const int *part, const char *filename) {
  int nparts = nvtxs > 0 ? part[iamax__(nvtxs, part)] + 1 : 0;
  std::string name(std::strlen(filename) + 32, '\0');
  name.resize(std::snprintf(name.data(), name.size(), "%s.part.%d", filename, nparts));
  FILE *fp = ZBfopen__(name.c_str(), "w", "WriteHGraphPart: partfile");
  for (int i = 0; i < nvtxs; ++i) std::fprintf(fp, "%d\n", part[i]);
  ZBfclose__(fp);
}

namespace {

enum class Token { kEnd, kInt, kBad };

// The next white-space separated token of fp, parsed as a whole as an int.
Token NextInt(FILE *fp, int &value) {
  int c;
  while ((c = std::getc(fp)) != EOF && std::isspace(c)) {
  }
  if (c == EOF) return Token::kEnd;
  char buf[32];
  size_t len = 0;
  bool fits = true;
  for (; c != EOF && !std::isspace(c); c = std::getc(fp)) {
    if (len + 1 < sizeof buf)
      buf[len++] = static_cast<char>(c);
    else
      fits = false;
  }
  buf[len] = '\0';
  if (!fits) return Token::kBad;
  char *end;
  errno = 0;
  long v = std::strtol(buf, &end, 10);
  if (end == buf || *end != '\0' || errno == ERANGE || v < INT_MIN || v > INT_MAX) return Token::kBad;
  value = static_cast<int>(v);
  return Token::kInt;
}

}  // namespace

// Every vertex needs a part: -1 for a free vertex or a part number from 0 up
// (the front ends check the upper bound). A short file or a token that is not
// an integer is rejected instead of leaving vertices at the caller's values.
void ReadPartition(int nvtxs, int *part, const char *filename) {
  FILE *fp = ZBfopen__(filename, "r", "ReadPartition: partfile");
  for (int i = 0; i < nvtxs; ++i) {
    int value = 0;
    switch (NextInt(fp, value)) {
      case Token::kEnd:
        errexit__("Parts from vertex %d onwards missing from the partition file %s!\n", i, filename);
      case Token::kBad:
        errexit__("Part of vertex %d in the partition file %s is not an integer!\n", i, filename);
      case Token::kInt:
        break;
    }
    if (value < -1) errexit__("Part %d of vertex %d in the partition file %s is below -1!\n", value, i, filename);
    part[i] = value;
  }
  ZBfclose__(fp);
}
