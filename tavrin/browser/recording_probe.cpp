// The probe seam: an atomic function pointer, so that a scan on a worker thread reads it safely.
#include "tavrin/browser/recording_probe.h"

#include "playcore/recorder/recorder_probe.h"

#include <atomic>
#include <string>
#include <unordered_map>

namespace {

std::atomic<RecordingProbeFn> g_probe{&playcore::ProbeRecorderFile};

// The answers of the innermost-first ProbeEachFileOnce of this thread, if any.
thread_local std::unordered_map<std::wstring, int>* t_answers = nullptr;

}  // namespace

int ProbeRecordingFile(const wchar_t* path) {
  const RecordingProbeFn probe = g_probe.load(std::memory_order_acquire);
  if (!t_answers || !path) return probe(path);
  auto it = t_answers->find(path);
  if (it != t_answers->end()) return it->second;
  const int answer = probe(path);
  t_answers->emplace(path, answer);
  return answer;
}

ProbeEachFileOnce::ProbeEachFileOnce() : owner_(t_answers == nullptr) {
  if (owner_) t_answers = new std::unordered_map<std::wstring, int>();
}

ProbeEachFileOnce::~ProbeEachFileOnce() {
  if (!owner_) return;
  delete t_answers;
  t_answers = nullptr;
}

void SetRecordingProbe(RecordingProbeFn probe) {
  g_probe.store(probe ? probe : &playcore::ProbeRecorderFile, std::memory_order_release);
}
