// The time-scale fallback through the DirectShow media detector: the frame rate of the first output
// stream that has one.
#pragma once

#include <windows.h>

namespace playcore {

// Sets *timeScale to 1000 / frame rate when a stream reports a rate above 0 and leaves it otherwise.
// 1 once the detector was made and given the file (also when no rate was found), 0 when the detector
// could not be created or could not open the file (shown through the HRESULT box).
// The detector runs on a thread of its own; a reading that has not ended within the wait answers 0
// with the time-out's box (the hung reading is left to end on its own).
int MediaDetectorTimeScale(const wchar_t* path, float* timeScale);

constexpr DWORD kMediaDetectorWaitMs = 10000;
// The reading itself: the HRESULT of the step that failed, S_OK once the detector had the file.
using MediaDetectorRun = HRESULT (*)(const wchar_t* path, float* timeScale);
// Tests: a stand-in for the detector and a shorter wait (null: the real detector).
void SetMediaDetectorForTests(MediaDetectorRun run, DWORD waitMs);

}  // namespace playcore
