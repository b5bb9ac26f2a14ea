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

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "playcore/mp4/mp4_movie.h"
#include "playcore/mp4/tree_writer.h"

namespace playcore {

// Progress message to the owner: wParam the percent of every channel's bytes written (0 to 100),
// lParam 100.
constexpr UINT kJoinProgressMessage = quill::msg::kProgress;
constexpr LPARAM kJoinProgressTotal = 100;

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
  // merge failed, and a channel whose output path names one of its inputs is refused. Both files
  // appear together or neither does: each is written under a temporary name first, and an older
  // file of a target's name survives a failure. Progress runs from 0 to 100 over both channels.
  int WriteJoined(const wchar_t* outA, const wchar_t* outB);
  // Asked before each piece of a joined file goes to disk, with the channel being written: false
  // stops the join's write (it then fails and leaves nothing).
  void SetWatch(std::function<bool(int channel)> watch) { watch_ = std::move(watch); }
  // Releases both channels' movies and the join itself.
  void Release();

  bool ok() const { return ok_ != 0; }
  const std::string& failure() const { return failure_; }
  const sMP4MOVIE* channel(int c) const { return channel_[c].get(); }

 private:
  explicit sMULTIMOVIE(HWND owner) : owner_(owner) {}
  int LoadInto(int c, const wchar_t* path, bool start);
  bool WriteChannel(int c, const wchar_t* out, uint64_t before, uint64_t total, std::wstring* temp);
  bool NamesAnInput(const wchar_t* out) const;
  void Post(uint64_t done, uint64_t total);

  std::unique_ptr<sMP4MOVIE> channel_[kChannels];
  std::vector<std::unique_ptr<sMP4MOVIE>> appended_[kChannels];
  int ok_ = 1;
  HWND owner_ = nullptr;
  std::string failure_;
  std::function<bool(int channel)> watch_;
  WPARAM lastPercent_ = ~WPARAM{0};
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

// Asked before each piece of a file goes to disk, with the bytes of that file given so far; false
// stops the write (nothing of it is left).
using WriteWatch = std::function<bool(uint64_t written)>;

// The first half of WriteMovieFile: the whole movie written to a new temporary file beside
// `outPath`, whose name goes to `temp`; false, with no file left, on failure or when `watch` stopped.
bool WriteMovieTemp(sMP4MOVIE* movie, const wchar_t* outPath, Layout layout, const WriteWatch& watch,
                    std::wstring* temp, std::string* why);

// The second half: each temporary file renamed over its target, all of them or none. An older file
// under a target's name is kept aside until every file is in place and put back when one could not
// be; on failure the temporary files are removed too.
bool PlaceWrittenFiles(const std::vector<std::wstring>& temps, const std::vector<std::wstring>& targets,
                       std::string* why);


// True when two paths name the same file (same full path, letter case aside), or cannot be resolved.
bool SameOutputPath(const wchar_t* a, const wchar_t* b);

}  // namespace playcore
