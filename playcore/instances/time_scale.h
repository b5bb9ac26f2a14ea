// Reading a movie's time scale (milliseconds per frame) from its boxes.
#pragma once

namespace playcore {

// The box reading is trusted when the movie is longer than 1.5 s (a short movie's mean frame length
// is too coarse) or when it gives exactly 15.0, and never when it is not above 0.
bool TimeScaleAccepted(float durationSeconds, float timeScale);

// True when the file starts with an "ftyp" box (its first bytes read with the C runtime).
bool FileHasFileType(const wchar_t* path);

}  // namespace playcore
