// Every file the library writes for a user (partition files, converted
// hypergraphs) goes through a temporary file beside it that replaces it only
// once complete: a failed write (full disk, quota) never leaves a truncated
// file nor spoils one of the same name, and it ends the run with status 1
// instead of 0.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "io/io.h"

namespace {

// A new file beside name, unique to this process, so that a stale temporary
// file of an earlier run is never reused. Returns -1 with errno set on failure.
int CreateTempBeside(const std::string &name, std::string &tmp) {
  for (int attempt = 0;; ++attempt) {
    tmp = name;
    tmp += ".tmp.";
    tmp += std::to_string(getpid());
    if (attempt > 0) tmp.append(".").append(std::to_string(attempt));
    int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST || attempt == 100) {
      if (fd < 0) tmp.clear();
      return fd;
    }
  }
}

[[noreturn]] void WriteFailed(const char *what, const std::string &name, const std::string &tmp, int err) {
  if (!tmp.empty()) unlink(tmp.c_str());
  errexit__("%s %s: %s", what, name.c_str(), std::strerror(err));
}

}  // namespace

void WriteAtomically(const char *filename, const char *what, const std::function<int(FILE *)> &body) {
  const std::string name(filename);
  std::string tmp;
  int fd = CreateTempBeside(name, tmp);
  if (fd < 0) WriteFailed(what, name, tmp, errno);
  FILE *fp = fdopen(fd, "w");
  if (fp == nullptr) {
    int err = errno;
    close(fd);
    WriteFailed(what, name, tmp, err);
  }
  int err = body(fp);
  // The data reaches the disk before the name does.
  if (err == 0 && (std::fflush(fp) != 0 || fsync(fileno(fp)) != 0)) err = errno;
  if (std::fclose(fp) != 0 && err == 0) err = errno;
  if (err == 0 && std::rename(tmp.c_str(), name.c_str()) != 0) err = errno;
  if (err != 0) WriteFailed(what, name, tmp, err);
}
