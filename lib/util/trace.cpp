// The library's trace on standard output, or into the buffer of the task at
// hand, which its parent writes out in the order a sequential run prints.
#include <cstdarg>
#include <cstdio>
#include <string>

#include "util/util.h"

namespace {

// The buffer the calling thread's current task writes its trace into; NULL
// for standard output. Per thread, because a task runs on one thread from
// start to end (tied), and a task that runs inside another on the same
// thread puts the other's buffer back when it ends.
thread_local std::string *tTraceBuffer = nullptr;

}  // namespace

void Trace__(const char *fmt, ...) {
  va_list args;
  va_start(args, fmt);
  if (tTraceBuffer == nullptr) {
    std::vprintf(fmt, args);
  } else {
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, fmt, again);
    va_end(again);
    if (n > 0) {
      const size_t at = tTraceBuffer->size();
      tTraceBuffer->resize(at + static_cast<size_t>(n) + 1);
      std::vsnprintf(tTraceBuffer->data() + at, static_cast<size_t>(n) + 1, fmt, args);
      tTraceBuffer->resize(at + static_cast<size_t>(n));
    }
  }
  va_end(args);
}

void TraceFlush__() {
  if (tTraceBuffer == nullptr) std::fflush(stdout);
}

TraceInto__::TraceInto__(std::string *buffer) : previous_(tTraceBuffer) { tTraceBuffer = buffer; }
TraceInto__::~TraceInto__() { tTraceBuffer = previous_; }

void TraceText__(const std::string &text) {
  if (!text.empty()) Trace__("%s", text.c_str());
}
