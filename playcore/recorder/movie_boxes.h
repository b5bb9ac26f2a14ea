// Readers of the few standard MP4 boxes the movie reader takes values from. Each works on the bytes it
// is given (a box's payload, or the box itself for "mdat") and reads nothing past `length`.
#pragma once

#include <cstddef>
#include <cstdint>

namespace playcore {

// "stts" payload: the mean of the entries' sample deltas in whole thousands (integer arithmetic),
// the frame length in milliseconds for a movie whose media time unit is a microsecond. Only entries
// the payload holds are counted; a table without entries gives 0. False when the payload is too
// short for its entry count field.
bool ParseSttsTimeScale(const uint8_t* payload, size_t length, float* timeScale);

// "mvhd" payload: duration / time scale, the movie's length in seconds (version 0: 32-bit fields at
// 12 and 16; version 1: 32-bit time scale at 20, 64-bit duration at 24). A zero time scale gives 0.
bool ParseMvhdRatio(const uint8_t* payload, size_t length, float* ratio);

// "stsz" payload: the sample count at payload offsets 8-11.
bool ParseStszCount(const uint8_t* payload, size_t length, uint32_t* count);

// "mdat" from its first byte: the box size, with the 64-bit size for size field 1 and `bytesToEnd`
// (bytes from the box start to the end of the file) for size field 0.
bool ParseMdatSize(const uint8_t* box, size_t length, uint64_t bytesToEnd, uint64_t* size);

}  // namespace playcore
