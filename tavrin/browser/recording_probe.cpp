// The probe seam: an atomic function pointer, so that a scan on a worker thread reads it safely.
#include "tavrin/browser/recording_probe.h"

#include "playcore/recorder/recorder_probe.h"

#include <atomic>

namespace {

std::atomic<RecordingProbeFn> g_probe{&playcore::ProbeRecorderFile};

}  // namespace

int ProbeRecordingFile(const wchar_t* path) { return g_probe.load(std::memory_order_acquire)(path); }

void SetRecordingProbe(RecordingProbeFn probe) {
  g_probe.store(probe ? probe : &playcore::ProbeRecorderFile, std::memory_order_release);
}
