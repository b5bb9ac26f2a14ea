// The recorder's file-name patterns, each compiled once and shared read-only by every thread.
#pragma once

#include <regex>

namespace browser_patterns {

// Which camera letter a camera pattern admits.
enum class Camera { Main, Rear, Either };

const std::wregex& JoinedPrefix();
// The four whole-name patterns of a camera test: plain upper, plain lower, joined upper, joined lower.
const std::wregex* CameraPatterns(Camera camera);
const std::wregex& CameraSuffixUpper();
const std::wregex& CameraSuffixLower();
// The narrow pattern of a recording-day folder name (eight digits, "_", three digits).
const std::regex& DayFolder();

}  // namespace browser_patterns
