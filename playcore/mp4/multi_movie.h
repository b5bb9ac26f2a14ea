// A join of consecutive recordings into one MP4 file per channel. Channel A and channel B are the
// first and the second path the join command gives for each recording. Each further recording is
// merged into its channel's movie at box level and kept open, because the writer copies its "mdat"
// and "gps0" ranges from its file.
//
// Threads: created, filled and written by the join command's worker thread; the owner window only
// receives posted progress messages. Inputs are opened read-only and never changed; the output is
// written under a temporary name in its folder and renamed over the target only when complete.
#pragma once

#include "platform/framework/private_messages.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "playcore/mp4/mp4_movie.h"
#include "playcore/mp4/tree_writer.h"

namespace playcore {

// Progress message to the owner: wParam 0, 50 or 100, lParam the total given to WriteJoined.
constexpr UINT kJoinProgressMessage = quill::msg::kProgress;

class sMULTIMOVIE {
 public:
  static constexpr int kChannels = 2;

  // A new empty join reporting to `owner` (may be null), or null when out of memory.
  static sMULTIMOVIE* Create(HWND owner);
  virtual ~sMULTIMOVIE();

  // Loads the first recording of each given channel. 0 when a given path cannot be loaded.
  int StartChannel(const wchar_t* pathA, const wchar_t* pathB);
  // Merges a further recording into each given channel. Does nothing (answers 1) once a merge failed;
  // 0 when a given path cannot be loaded.
  int AddRecording(const wchar_t* pathA, const wchar_t* pathB);
  // Writes each started channel; 1 when every one of them was written. Nothing is written once a
  // merge failed, and a channel whose output path names one of its inputs is refused.
  int WriteJoined(const wchar_t* outA, const wchar_t* outB, LPARAM progressTotal);
  // Releases both channels' movies and the join itself.
  void Release();

  bool ok() const { return ok_ != 0; }
  const std::string& failure() const { return failure_; }
  const sMP4MOVIE* channel(int c) const { return channel_[c].get(); }

 private:
  explicit sMULTIMOVIE(HWND owner) : owner_(owner) {}
  int LoadInto(int c, const wchar_t* path, bool start);
  bool WriteChannel(int c, const wchar_t* out);
  bool NamesAnInput(const wchar_t* out) const;
  void Post(WPARAM percent, LPARAM total) const;

  std::unique_ptr<sMP4MOVIE> channel_[kChannels];
  std::vector<std::unique_ptr<sMP4MOVIE>> appended_[kChannels];
  int ok_ = 1;
  HWND owner_ = nullptr;
  std::string failure_;
};

struct MultiMovieRelease {
  void operator()(sMULTIMOVIE* join) const {
    if (join) join->Release();
  }
};
using MultiMoviePtr = std::unique_ptr<sMULTIMOVIE, MultiMovieRelease>;

// Writes `movie` (joined or not) to `outPath` through a temporary file in the same folder, renamed
// over the target only after everything was written; false, with no file left behind, on failure.
bool WriteMovieFile(sMP4MOVIE* movie, const wchar_t* outPath, std::string* why,
                    Layout layout = Layout::kAsRead);

// True when two paths name the same file (same full path, letter case aside), or cannot be resolved.
bool SameOutputPath(const wchar_t* a, const wchar_t* b);

}  // namespace playcore
