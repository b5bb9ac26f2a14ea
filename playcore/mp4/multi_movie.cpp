// The join's lifecycle: start, add, write, release.
#include "playcore/mp4/multi_movie.h"

#include <new>

#include "playcore/mp4/join_merge.h"

namespace playcore {

sMULTIMOVIE* sMULTIMOVIE::Create(HWND owner) { return new (std::nothrow) sMULTIMOVIE(owner); }

sMULTIMOVIE::~sMULTIMOVIE() {
  for (int c = 0; c < kChannels; ++c) {
    channel_[c].reset();  // its nodes point into the appended movies' files
    appended_[c].clear();
  }
}

void sMULTIMOVIE::Release() { delete this; }

int sMULTIMOVIE::LoadInto(int c, const wchar_t* path, bool start) {
  std::unique_ptr<sMP4MOVIE> movie = sMP4MOVIE::Load(path);
  if (!movie) {
    failure_ = "a recording could not be loaded";
    return 0;
  }
  if (start) {
    channel_[c] = std::move(movie);
    return 1;
  }
  if (!channel_[c]) {
    ok_ = 0;
    failure_ = "a recording was added to a channel that was never started";
    return 1;
  }
  try {
    // Room first: a merged recording must be kept open, since the joined movie points into its file.
    appended_[c].reserve(appended_[c].size() + 1);
  } catch (const std::bad_alloc&) {
    ok_ = 0;
    failure_ = "out of memory";
    return 1;
  }
  std::string why;
  if (!MergeRecording(channel_[c].get(), movie.get(), &why)) {
    ok_ = 0;
    failure_ = why;
  }
  appended_[c].push_back(std::move(movie));
  return 1;
}

int sMULTIMOVIE::StartChannel(const wchar_t* pathA, const wchar_t* pathB) {
  const wchar_t* paths[kChannels] = {pathA, pathB};
  int result = 1;
  bool any = false;
  for (int c = 0; c < kChannels; ++c) {
    if (!paths[c]) continue;
    if (LoadInto(c, paths[c], true)) {
      any = true;
    } else {
      result = 0;
    }
  }
  if (any) ok_ = 1;
  if (!result) ok_ = 0;  // a join missing its first recording would silently start later
  return result;
}

int sMULTIMOVIE::AddRecording(const wchar_t* pathA, const wchar_t* pathB) {
  if (!ok_) return 1;
  const wchar_t* paths[kChannels] = {pathA, pathB};
  int result = 1;
  for (int c = 0; c < kChannels; ++c) {
    if (!paths[c]) continue;
    if (!LoadInto(c, paths[c], false)) {
      result = 0;
      ok_ = 0;  // joining on without this recording would leave a gap in the output
    }
  }
  return result;
}

void sMULTIMOVIE::Post(uint64_t done, uint64_t total) {
  const WPARAM shown = static_cast<WPARAM>(total == 0 || done >= total ? 100 : done * 100 / total);
  if (shown == lastPercent_) return;  // one message per step the bar can show
  lastPercent_ = shown;
  if (owner_) PostMessageW(owner_, kJoinProgressMessage, shown, kJoinProgressTotal);
}

int sMULTIMOVIE::WriteJoined(const wchar_t* outA, const wchar_t* outB) {
  const wchar_t* outs[kChannels] = {outA, outB};
  lastPercent_ = ~WPARAM{0};
  // Both channels into one file would leave only the second.
  const bool clash = channel_[0] && channel_[1] && outA && outB && SameOutputPath(outA, outB);
  if (clash) failure_ = "both channels would be written to the same file";
  bool all = ok_ && !clash;
  bool any = false;
  uint64_t total = 0;
  for (int c = 0; c < kChannels; ++c) {
    if (!channel_[c]) continue;
    any = true;
    if (!outs[c]) all = false;
    total += BoxSize(*channel_[c]->root());
  }
  Post(0, total);
  std::vector<std::wstring> temps, targets;
  uint64_t before = 0;
  for (int c = 0; c < kChannels && all; ++c) {
    if (!channel_[c]) continue;
    std::wstring temp;
    if (!WriteChannel(c, outs[c], before, total, &temp)) {
      all = false;
      break;
    }
    temps.push_back(temp);
    targets.push_back(outs[c]);
    before += BoxSize(*channel_[c]->root());
  }
  // The last moment a stop keeps the disk as it was.
  if (all && watch_ && !watch_(kChannels - 1)) {
    failure_ = "the write was stopped";
    all = false;
  }
  std::string why;
  if (all && any && !PlaceWrittenFiles(temps, targets, &why)) {
    failure_ = why;
    all = false;
  }
  if (!all || !any) {
    for (const std::wstring& temp : temps) DeleteFileW(temp.c_str());
    return 0;
  }
  Post(total, total);
  return 1;
}

bool sMULTIMOVIE::WriteChannel(int c, const wchar_t* out, uint64_t before, uint64_t total, std::wstring* temp) {
  if (NamesAnInput(out)) {
    failure_ = "the output would overwrite one of the recordings being joined";
    return false;
  }
  const WriteWatch watch = [this, c, before, total](uint64_t written) {
    Post(before + written, total);
    return !watch_ || watch_(c);
  };
  std::string why;
  if (!WriteMovieTemp(channel_[c].get(), out, Layout::kAsRead, watch, temp, &why)) {
    failure_ = why;
    return false;
  }
  return true;
}

}  // namespace playcore
