// Classification of recording file names: trigger letter, camera letter, joined prefix, labels.
#include "tavrin/browser/recording_names.h"

#include "tavrin/browser/name_patterns.h"
#include "tavrin/skin/ui_texts.h"

#include <windows.h>
#include <shlwapi.h>

#include <cwchar>

namespace {

using browser_patterns::Camera;

// Both name shapes have a fixed width: "123_093015A_M.MP4" and "JM01_123_093015A_M.MP4".
constexpr size_t kPlainNameChars = 17;
constexpr size_t kJoinedNameChars = 22;
// The underscore after the file number: index 3 in a plain name, 8 after a joined prefix.
constexpr size_t kPlainUnderscore = 3;
constexpr size_t kJoinedUnderscore = 8;
// GetTriggerText labels only names at least this long.
constexpr size_t kMinLabelledNameChars = 16;
constexpr size_t kCameraSuffixChars = 6;  // "_M.MP4"

struct TriggerInfo {
  wchar_t letter;
  int triggerClass;
  unsigned uiText;  // index into the UI text table
  uint32_t filterBit;
};

// In the order ClassifyEventLetter tries the letters: the first hit wins when a path holds several.
constexpr TriggerInfo kTriggers[] = {
    {L'A', kTriggerContinuous, 26, 1},    {L'M', kTriggerManual, 27, 2},
    {L'G', kTriggerShock, 29, 4},         {L'P', kTriggerParking, 28, 8},
    {L'S', kTriggerParkingShock, 141, 16}, {L'T', kTriggerParkingLapse, 28, 8},
    {L'U', kTriggerParkingShock2, 141, 16}, {L'O', kTriggerSpeedCamera, 145, 32},
    {L'R', kTriggerRadar, 146, 64},
};

const TriggerInfo* FindTrigger(int triggerClass) {
  for (const TriggerInfo& t : kTriggers) {
    if (t.triggerClass == triggerClass) return &t;
  }
  return nullptr;
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

wchar_t AsciiUpper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

// "_M.MP4" or "_R.MP4" at `p`, ignoring case (the text ends at the first mismatch or terminator).
bool IsCameraSuffixAt(const wchar_t* p) {
  if (p[0] != L'_') return false;
  const wchar_t camera = AsciiUpper(p[1]);
  if (camera != L'M' && camera != L'R') return false;
  return p[2] == L'.' && AsciiUpper(p[3]) == L'M' && AsciiUpper(p[4]) == L'P' && p[5] == L'4';
}

bool MatchesCameraTest(const wchar_t* name, Camera camera) {
  if (!name) return false;
  const size_t length = wcslen(name);
  const size_t underscore = HasRecorderPrefix(name) ? kJoinedUnderscore : kPlainUnderscore;
  if (length > underscore && name[underscore] != L'_') return false;
  // The patterns are whole-name matches of fixed width: any other length cannot match them.
  if (length != kPlainNameChars && length != kJoinedNameChars) return false;
  const std::wregex* patterns = browser_patterns::CameraPatterns(camera);
  bool matched = false;
  for (int i = 0; i < 4 && !matched; ++i) {
    matched = std::regex_match(name, name + length, patterns[i]);
  }
  return matched && ClassifyEventLetter(name) != kTriggerUnknown;
}

}  // namespace

bool HasEventCameraSuffix(const wchar_t* name, const wchar_t* letter) {
  if (!name || !letter) return false;
  wchar_t main[kRecordingPathChars];
  wchar_t rear[kRecordingPathChars];
  swprintf(main, kRecordingPathChars, L"%ls_M%ls", letter, L".MP4");
  swprintf(rear, kRecordingPathChars, L"%ls_R%ls", letter, L".MP4");
  return StrStrIW(name, main) != nullptr || StrStrIW(name, rear) != nullptr;
}

int ClassifyEventLetter(const wchar_t* name) {
  // One pass finds every letter that stands before "_M.MP4" or "_R.MP4" (ignoring case, as
  // HasEventCameraSuffix does); the first of them in the table's order wins. The scans classify
  // every directory entry several times, and nine substring searches per call cost more than the
  // rest of the name rules together.
  if (!name) return kTriggerUnknown;
  uint32_t seen = 0;  // bit i: the letter of kTriggers[i] stands before a camera suffix
  for (const wchar_t* p = name; *p; ++p) {
    if (p == name || !IsCameraSuffixAt(p)) continue;
    const wchar_t letter = AsciiUpper(p[-1]);
    for (size_t i = 0; i < sizeof kTriggers / sizeof kTriggers[0]; ++i) {
      if (kTriggers[i].letter == letter) seen |= 1u << i;
    }
  }
  for (size_t i = 0; i < sizeof kTriggers / sizeof kTriggers[0]; ++i) {
    if (seen & (1u << i)) return kTriggers[i].triggerClass;
  }
  return kTriggerUnknown;
}

bool IsRecordingName(const wchar_t* name) {
  if (!name) return false;
  for (size_t i = 0; i < kPlainUnderscore; ++i) {
    if (!IsDigit(name[i])) return false;  // also stops at the terminator of a short name
  }
  return name[kPlainUnderscore] == L'_' && ClassifyEventLetter(name) != kTriggerUnknown;
}

bool HasRecorderPrefix(const wchar_t* name) {
  if (!name || !*name) return false;
  return std::regex_search(name, browser_patterns::JoinedPrefix()) &&
         ClassifyEventLetter(name) != kTriggerUnknown;
}

bool IsMainCameraFile(const wchar_t* name) { return MatchesCameraTest(name, Camera::Main); }
bool IsRearCameraFile(const wchar_t* name) { return MatchesCameraTest(name, Camera::Rear); }
bool IsCameraFileName(const wchar_t* name) { return MatchesCameraTest(name, Camera::Either); }

bool IsRecordingFile(const wchar_t* path) {
  if (!path) return false;
  const size_t length = wcsnlen(path, kRecordingPathChars);
  if (length >= kRecordingPathChars) return false;  // no buffer of the program can hold it
  if (!IsCameraFileName(PathFindFileNameW(path))) return false;
  const wchar_t* ext = PathFindExtensionW(path);
  return path + length - ext == 4 && StrCmpNIW(ext, L".MP4", 4) == 0;
}

uint32_t TriggerFilterBit(int triggerClass) {
  const TriggerInfo* t = FindTrigger(triggerClass);
  return t ? t->filterBit : 0;
}

bool AddEventFilterBit(const wchar_t* name, uint32_t& mask) {
  mask |= TriggerFilterBit(ClassifyEventLetter(name));
  return true;
}

std::wstring GetTriggerText(const wchar_t* name) {
  if (!name || wcsnlen(name, kMinLabelledNameChars) < kMinLabelledNameChars) return std::wstring();
  const TriggerInfo* t = FindTrigger(ClassifyEventLetter(name));
  return t ? std::wstring(UIText(t->uiText)) : std::wstring();
}

std::wstring StripCameraSuffix(const wchar_t* name) {
  if (!name) return std::wstring();
  std::wstring text(name);
  if (text.size() >= kCameraSuffixChars &&
      (std::regex_search(text, browser_patterns::CameraSuffixUpper()) ||
       std::regex_search(text, browser_patterns::CameraSuffixLower()))) {
    text.resize(text.size() - kCameraSuffixChars);
  }
  return text;
}
