// Fatal errors (printed with exit status 1, or handed to the caller's
// handler), file opening and the processor clock.
#include <sys/resource.h>

#include <time.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "util/util.h"
#include "zorbel.h"

namespace {

// The caller's receiver of fatal errors, or NULL to print and exit. Set
// before calls start and read by any thread that fails.
std::atomic<ZORBEL_ErrorHandler> gErrorHandler{nullptr};

// Hands message to the installed handler, which leaves by an exception; a
// handler that returns gets the default ending.
[[noreturn]] void Report(ZORBEL_ErrorHandler handler, const std::string &message) {
  handler(message.c_str());
  std::fprintf(stderr, "%s\n", message.c_str());
  std::fflush(stderr);
  std::exit(1);
}

}  // namespace

void errexit__(const char *fmt, ...) {
  va_list args;
  va_start(args, fmt);
  const ZORBEL_ErrorHandler handler = gErrorHandler.load(std::memory_order_acquire);
  if (handler != nullptr) {
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, fmt, measure);
    va_end(measure);
    std::string message(length > 0 ? length : 0, '\0');
    std::vsnprintf(message.data(), message.size() + 1, fmt, args);
    va_end(args);
    Report(handler, message);
  }
  std::vfprintf(stderr, fmt, args);
  va_end(args);
  std::fprintf(stderr, "\n");
  std::fflush(stderr);
  std::exit(1);
}

FILE *ZBfopen__(const char *fname, const char *mode, const char *msg) {
  FILE *fp = std::fopen(fname, mode);
  if (fp == nullptr) {
    const int error = errno;
    const ZORBEL_ErrorHandler handler = gErrorHandler.load(std::memory_order_acquire);
    if (handler != nullptr) Report(handler, std::string(msg) + ": " + std::strerror(error));
    std::perror(msg);
    std::exit(1);
  }
  return fp;
}

extern "C" ZORBEL_ErrorHandler ZORBEL_SetErrorHandler(ZORBEL_ErrorHandler handler) {
  return gErrorHandler.exchange(handler, std::memory_order_acq_rel);
}

void ZBfclose__(FILE *fp) { std::fclose(fp); }

double seconds__() {
  struct rusage r;
  getrusage(RUSAGE_SELF, &r);
  return static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
         1.0e-6 * static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec);
}

double threadseconds__() {
  struct timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1.0e-9 * static_cast<double>(t.tv_nsec);
}
