// The converter's small rules as pure functions: the progress message's value, the temporary file
// names, and the silent AAC frame that replaces the sound when the user removes it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace playcore {

// Progress of a conversion, posted to the owner window as quill::msg::kProgress with wParam = value
// and lParam = total. The first percent of the bar (and `offsetPercent` more, for a conversion that
// follows a join) is already done when the first frame comes; the last frame reports
// total + total / 100. 64-bit arithmetic: joined recordings reach hundreds of thousands of frames.
// False when there is nothing to report (total 0: the frame count is unknown).
bool ProgressValue(uint32_t total, uint32_t counter, float offsetPercent, uint32_t* value);

// The frame count of a source from its duration (100 ns units) and frame rate; 0 when either is
// unknown. Saturates at UINT32_MAX.
uint32_t FrameCountFor(uint64_t duration100ns, uint32_t rateNumerator, uint32_t rateDenominator);

// A name for a temporary file beside `destination` ("<folder>\~qm<pid>-<serial><suffix>"): in the
// destination's own folder, so the finished file is renamed into place on the same volume and the
// room checked for the destination is the room used; the process id and a serial keep two
// conversions from ever sharing it. False when the destination has no folder or the name would not
// fit in MAX_PATH.
bool TempPathBeside(const std::wstring& destination, unsigned long processId, unsigned serial,
                    const wchar_t* suffix, std::wstring* out);

// TempPathBeside with this process's id and the next serial of the process.
bool NextTempPathBeside(const std::wstring& destination, const wchar_t* suffix, std::wstring* out);

// The bytes a conversion of `duration100ns` leaves on the destination's volume while it runs: the
// encoded file (video at `videoBitsPerSecond`, the sound at the highest AAC rate, and a margin for
// the boxes) exists twice at the end, as the writer's temporary file and as the movie-first
// rewrite, before the first is deleted. Saturates at UINT64_MAX.
uint64_t ConversionRoomNeeded(uint64_t duration100ns, uint32_t videoBitsPerSecond, bool withAudio);

// How long the preview waits before showing a frame of presentation time `sampleTime` (100 ns) so
// that the pass plays at the recording's speed: the first frame of the pass (at `firstTime`) is
// shown at once at elapsed 0. 0 when the frame is due or late; at most `maxWaitMs` (a jump in the
// time stamps never stalls the picture).
uint32_t PreviewWaitMs(int64_t sampleTime, int64_t firstTime, uint64_t elapsedMs, uint32_t maxWaitMs);

// The part of a window's client area the picture is presented into: the client area, cut to the
// monitor's work size (a window larger than the work area never gets frames beyond it).
RECT PresentAreaWithin(const RECT& client, UINT workWidth, UINT workHeight);

// The volume part of a folder or file path as the user knows it: "E:" for "E:\a\b",
// "\\srv\share" for a UNC path, else the path itself.
std::wstring VolumeOfPath(const std::wstring& path);

// A byte count for a message: "512 KB", "37.4 MB", "1.2 GB" (rounded up, so a shortfall is never
// shown as less than it is).
std::wstring ByteCountText(uint64_t bytes);

// A raw AAC-LC access unit (no ADTS header) that decodes to silence for `channels` channels in the
// standard channel configurations 1 to 6 and 8; empty for other counts. Every spectral coefficient
// is zero, so the same frame serves any sample rate.
std::vector<uint8_t> SilentAacFrame(uint32_t channels);

// The seven-byte ADTS header of one AAC-LC frame of `payloadBytes`; empty when the sample rate has
// no ADTS index, the channel count no configuration, or the frame would be too long.
std::vector<uint8_t> AdtsHeader(uint32_t sampleRate, uint32_t channels, size_t payloadBytes);

}  // namespace playcore
