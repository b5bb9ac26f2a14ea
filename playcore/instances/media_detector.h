// The time-scale fallback through the DirectShow media detector: the frame rate of the first output
// stream that has one.
#pragma once

namespace playcore {

// Sets *timeScale to 1000 / frame rate when a stream reports a rate above 0 and leaves it otherwise.
// 1 once the detector was made and given the file (also when no rate was found), 0 when the detector
// could not be created or could not open the file (shown through the HRESULT box).
int MediaDetectorTimeScale(const wchar_t* path, float* timeScale);

}  // namespace playcore
