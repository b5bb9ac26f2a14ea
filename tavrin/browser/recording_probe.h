// The one seam through which the browser asks whether a file is one of the recorder's movies. By
// default it is the playback core's probe; the player-instance table's probe, or a test's stand-in,
// can take its place. Set it before scans start; reading it is safe from any thread.
#pragma once

// 1 when the file at `path` is a recorder movie, else 0.
using RecordingProbeFn = int (*)(const wchar_t* path);

int ProbeRecordingFile(const wchar_t* path);
// Replaces the probe; nullptr restores the playback core's one.
void SetRecordingProbe(RecordingProbeFn probe);

// While an object lives, ProbeRecordingFile on its thread asks the probe about each path once and
// answers again from memory: opening a source scans the card and then the folder the open selects,
// which would otherwise read every recording of that folder twice. Nested objects share the first.
class ProbeEachFileOnce {
 public:
  ProbeEachFileOnce();
  ~ProbeEachFileOnce();
  ProbeEachFileOnce(const ProbeEachFileOnce&) = delete;
  ProbeEachFileOnce& operator=(const ProbeEachFileOnce&) = delete;

 private:
  bool owner_;
};
