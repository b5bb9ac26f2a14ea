// Checks of a joined file against its parts, read straight from the bytes (not through the code under
// test): summed durations and sample counts, shifted sync samples, every chunk's bytes at its offset,
// and the data box's records in order. Also the join-and-check driver the join tests share.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/join/join_fixture.h"

namespace quill::test {

struct Track {
  uint32_t samples = 0;
  std::vector<uint32_t> sync;
  std::vector<Bytes> chunks;  // each chunk's bytes, located through stco/stsc/stsz
  uint32_t grouped = 0;       // samples the sample-to-group map covers
};

struct Movie {
  uint32_t duration = 0;
  std::vector<Track> tracks;
  Bytes gpsHeader, gpsRecords;
  uint32_t gpsCount = 0, gpsBoxSize = 0;
};

Movie ReadMovie(const std::wstring& path);
void ExpectJoinOf(const Movie& joined, const std::vector<Movie>& parts);

// One input of a join: its Windows path, and how the host-side check finds it (a name in the join
// inputs folder, or an absolute host path).
struct JoinInputFile {
  std::wstring path;
  std::string label;
};

// Joins channel A (and B when not empty) into the kept output folder, checks progress, the inputs'
// fingerprints and each output against its parts, and lists the output for the host-side check.
void JoinAndCheck(const std::vector<JoinInputFile>& a, const std::vector<JoinInputFile>& b,
                  const std::string& outA, const std::string& outB);
// Starts the list of outputs this program writes for the host-side check (one file per program,
// named joined*.txt, so programs running side by side do not mix their lists).
void StartJoinManifest(const wchar_t* name);
// Lists an output (a name in the output folder) with the labels of its parts.
void ListJoinOutput(const std::string& output, const std::vector<std::string>& parts);

// Receives the join's progress messages on this thread.
class ProgressWindow {
 public:
  ProgressWindow();
  ~ProgressWindow();
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;
  HWND hwnd() const { return hwnd_; }
  std::vector<std::pair<WPARAM, LPARAM>> Drain();

 private:
  HWND hwnd_;
};

}  // namespace quill::test
