// Progress reports of a call to the function a caller installed.
#include <mutex>

#include "util/util.h"
#include "zorbel.h"

// A call's record, changed and reported under its lock: the tasks of a call
// end trials and V-cycles on any thread, and the installed function sees
// each state whole and one at a time.
struct ProgressSink {
  ZORBEL_ProgressFunc func = nullptr;
  void *data = nullptr;
  std::mutex lock;
  ZORBEL_Progress record{};
  int begun = 0;  // bisections (or k-way partitionings) begun

  void Report() { func(&record, data); }
};

namespace {

// What ZORBEL_SetProgress last installed. Read once as a call begins, so a
// call reports to one function from its start to its end.
std::mutex gInstalledLock;
ZORBEL_ProgressFunc gInstalledFunc = nullptr;
void *gInstalledData = nullptr;

}  // namespace

ProgressOwner BeginProgress__(int stage, int nbisections, int nruns, ZORBEL_ProgressFunc func,
                              void *data) {
  ProgressOwner sink;
  if (func == nullptr) return sink;
  sink = std::make_shared<ProgressSink>();
  sink->func = func;
  sink->data = data;
  sink->record.stage = stage;
  sink->record.nbisections = nbisections;
  sink->record.nruns = nruns;
  sink->Report();
  return sink;
}

ProgressOwner BeginProgress__(int stage, int nbisections, int nruns) {
  ZORBEL_ProgressFunc func = nullptr;
  void *data = nullptr;
  {
    std::lock_guard<std::mutex> hold(gInstalledLock);
    func = gInstalledFunc;
    data = gInstalledData;
  }
  return BeginProgress__(stage, nbisections, nruns, func, data);
}

namespace {

// Changes sink's record under its lock and reports it when change says the
// record changed; nothing without a sink.
template <class Change>
void Update(ProgressSink *sink, Change change) {
  if (sink == nullptr) return;
  std::lock_guard<std::mutex> hold(sink->lock);
  if (change(*sink)) sink->Report();
}

}  // namespace

int ProgressPartitioning__(ProgressSink *sink) {
  int number = 0;
  Update(sink, [&](ProgressSink &s) {
    number = ++s.begun;
    // Only recursive bisection numbers its partitionings; the k-way driver
    // makes one.
    if (s.record.stage == ZORBEL_STAGE_BISECTIONS) s.record.bisection = number - 1;
    s.record.trials = 0;
    return true;
  });
  return number;
}

void ProgressTrialEnded__(ProgressSink *sink, int partitioning) {
  Update(sink, [&](ProgressSink &s) {
    if (partitioning != s.begun) return false;
    ++s.record.trials;
    return true;
  });
}

void ProgressVCycleEnded__(ProgressSink *sink) {
  Update(sink, [](ProgressSink &s) {
    ++s.record.vcycles;
    return true;
  });
}

void ProgressStage__(ProgressSink *sink, int stage) {
  Update(sink, [&](ProgressSink &s) {
    if (s.record.stage == stage) return false;
    s.record.stage = stage;
    return true;
  });
}

extern "C" void ZORBEL_SetProgress(ZORBEL_ProgressFunc func, void *data) {
  std::lock_guard<std::mutex> hold(gInstalledLock);
  gInstalledFunc = func;
  gInstalledData = data;
}
