// The fixed-vertex file reader on arbitrary files, against a plain model of
// the format: white-space separated integers, -1 or more, one per vertex.
// The first input byte gives the number of vertices, the rest is the file.
// Files the model rejects must end the process with status 1 (checked in a
// child process, whose coverage still guides the fuzzer); files it accepts
// are read here and must give exactly the model's numbers.
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "io/io.h"

namespace {

int nvtxs = 0;

void ReadInChild(const char *path) {
  std::vector<int> part(nvtxs, 0);
  ReadPartition(nvtxs, part.data(), path);
}

// The model's numbers, or false when the file does not give every vertex a
// valid part. Tokens longer than 31 characters are not read as numbers.
bool Model(const uint8_t *data, size_t size, std::vector<int> &parts) {
  size_t i = 0;
  parts.clear();
  while (static_cast<int>(parts.size()) < nvtxs) {
    while (i < size && std::isspace(data[i])) ++i;
    if (i == size) return false;
    std::string token;
    while (i < size && !std::isspace(data[i])) token += static_cast<char>(data[i++]);
    if (token.size() > 31 || token.find('\0') != std::string::npos) return false;
    char *end;
    errno = 0;
    long v = std::strtol(token.c_str(), &end, 10);
    if (end != token.c_str() + token.size() || errno == ERANGE || v < -1 || v > INT_MAX) return false;
    parts.push_back(static_cast<int>(v));
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  zf::SilenceStdout();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0) return 0;
  nvtxs = 1 + data[0] % 64;
  ++data;
  --size;
  std::vector<int> want;
  bool valid = Model(data, size, want);
  std::string err;
  int status = zf::RunInChild(data, size, ReadInChild, err);
  zf::Require(status == (valid ? 0 : 1), "exit status of the reader", status, valid ? 0 : 1);
  if (!valid) return 0;
  std::vector<int> part(nvtxs, -7);
  ReadPartition(nvtxs, part.data(), zf::DataFile(data, size));
  for (int v = 0; v < nvtxs; ++v) zf::Require(part[v] == want[v], "part read", part[v], want[v]);
  return 0;
}
