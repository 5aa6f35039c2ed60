// Fatal errors, file opening and the processor clock.
#include <sys/resource.h>

#include <time.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "util/util.h"

void errexit__(const char *fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::vfprintf(stderr, fmt, args);
  va_end(args);
  std::fprintf(stderr, "\n");
  std::fflush(stderr);
  std::exit(1);
}

FILE *ZBfopen__(const char *fname, const char *mode, const char *msg) {
  FILE *fp = std::fopen(fname, mode);
  if (fp == nullptr) {
    std::perror(msg);
    std::exit(1);
  }
  return fp;
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
