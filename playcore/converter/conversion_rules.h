// The converter's small rules as pure functions: the progress message's value, the temporary file
// names, and the silent AAC frame that replaces the sound when the user removes it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace playcore {

// Progress of a conversion, posted to the owner window as WM_APP+8 with wParam = value and
// lParam = total. The first percent of the bar (and `offsetPercent` more, for a conversion that
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

// A raw AAC-LC access unit (no ADTS header) that decodes to silence for `channels` channels in the
// standard channel configurations 1 to 6 and 8; empty for other counts. Every spectral coefficient
// is zero, so the same frame serves any sample rate.
std::vector<uint8_t> SilentAacFrame(uint32_t channels);

// The seven-byte ADTS header of one AAC-LC frame of `payloadBytes`; empty when the sample rate has
// no ADTS index, the channel count no configuration, or the frame would be too long.
std::vector<uint8_t> AdtsHeader(uint32_t sampleRate, uint32_t channels, size_t payloadBytes);

}  // namespace playcore
