// The partner search: the two camera files of one recording may carry different trigger letters, and
// the rear file's start time may differ from the main file's by up to ten seconds.
#include "tavrin/browser/partner_search.h"

#include "tavrin/browser/recording_names.h"
#include "tavrin/skin/quiet_drive_errors.h"

#include <windows.h>
#include <shlwapi.h>

#include <cwchar>

namespace {

constexpr size_t kTriggerFromEnd = 7;  // "A_M.MP4": the trigger letter's distance from the end
constexpr size_t kCameraFromEnd = 5;   // "M.MP4"
constexpr size_t kPlainTimeStart = 4;  // "123_" before hhmmss
constexpr size_t kJoinedTimeStart = 9; // "JM01_123_" before hhmmss
constexpr size_t kTimeDigits = 6;
constexpr size_t kMinRecordingNameChars = 17;
constexpr int kMaxTimeOffset = 10;     // seconds either side of the file's own start time
constexpr int kSecondsPerDay = 24 * 3600;
// Trigger letters the search tries, in order: every letter a camera file may carry.
constexpr wchar_t kPartnerLetters[] = L"AGMPSTUOR";

class DiskLookup : public PartnerLookup {
 public:
  bool Exists(wchar_t* path) const override { return PathFileExistsW(path) != FALSE; }
};

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

int TwoDigits(const wchar_t* p) { return (p[0] - L'0') * 10 + (p[1] - L'0'); }

// Finds the hhmmss digits in the file-name part of `path`: after "123_" in a plain name, after
// "JM01_123_" in a joined one. False for a name too short to be a recording or without six digits
// there, so that nothing is ever read or written outside the name.
bool FindTimeDigits(const wchar_t* path, size_t length, size_t* at) {
  const wchar_t* name = PathFindFileNameW(path);
  const size_t nameLength = length - static_cast<size_t>(name - path);
  if (nameLength < kMinRecordingNameChars) return false;
  size_t start;
  if (IsRecordingName(name)) {
    start = kPlainTimeStart;
  } else if (HasRecorderPrefix(name)) {
    start = kJoinedTimeStart;
  } else {
    return false;
  }
  // The digits must end before the trigger letter and all be digits.
  if (start + kTimeDigits > nameLength - kTriggerFromEnd) return false;
  for (size_t i = 0; i < kTimeDigits; ++i) {
    if (!IsDigit(name[start + i])) return false;
  }
  *at = static_cast<size_t>(name - path) + start;
  return true;
}

// The other camera's letter, or 0 when the letter is no camera letter.
wchar_t SwappedCamera(wchar_t camera) {
  if (camera == L'M') return L'R';
  if (camera == L'R') return L'M';
  return 0;
}

void WriteTime(wchar_t* digits, int secondsOfDay) {
  const int hours = (secondsOfDay / 3600) % 24;
  const int minutes = (secondsOfDay / 60) % 60;
  const int seconds = secondsOfDay % 60;
  const int parts[3] = {hours, minutes, seconds};
  for (int i = 0; i < 3; ++i) {
    digits[2 * i] = static_cast<wchar_t>(L'0' + parts[i] / 10);
    digits[2 * i + 1] = static_cast<wchar_t>(L'0' + parts[i] % 10);
  }
}

// A candidate time as a time of day: a recording that runs across midnight has its other file on the
// other side of 00:00:00, in either direction.
int TimeOfDay(int seconds) { return ((seconds % kSecondsPerDay) + kSecondsPerDay) % kSecondsPerDay; }

// One candidate: `path` (`length` characters, hhmmss at `at`) with the camera swapped and the time
// replaced. The caller has checked the name's shape.
bool ProbeAt(const wchar_t* path, size_t length, size_t at, int secondsOfDay, wchar_t* partner,
             const PartnerLookup& lookup) {
  if (secondsOfDay < 0) return false;  // no time of day: nothing to write into the name
  wchar_t candidate[kRecordingPathChars];
  wmemcpy(candidate, path, length + 1);
  candidate[length - kCameraFromEnd] = SwappedCamera(candidate[length - kCameraFromEnd]);
  WriteTime(candidate + at, secondsOfDay);
  if (!lookup.Exists(candidate)) return false;
  wmemcpy(partner, candidate, length + 1);
  return true;
}

// The name's length and hhmmss position when it has a camera letter and the time digits.
bool PartnerShape(const wchar_t* path, size_t* length, size_t* at) {
  if (!path) return false;
  *length = wcsnlen(path, kRecordingPathChars);
  return *length < kRecordingPathChars && FindTimeDigits(path, *length, at) &&
         SwappedCamera(path[*length - kCameraFromEnd]) != 0;
}

bool TryAtTime(const wchar_t* path, int secondsOfDay, wchar_t* partner, const PartnerLookup& lookup) {
  partner[0] = L'\0';
  size_t length, at;
  return PartnerShape(path, &length, &at) && ProbeAt(path, length, at, secondsOfDay, partner, lookup);
}

bool FindWithLetter(const wchar_t* lettered, size_t length, size_t at, int start, wchar_t* partner,
                    const PartnerLookup& lookup) {
  wchar_t exact[kRecordingPathChars];
  wmemcpy(exact, lettered, length + 1);
  exact[length - kCameraFromEnd] = SwappedCamera(exact[length - kCameraFromEnd]);
  if (lookup.Exists(exact)) {
    wmemcpy(partner, exact, length + 1);
    return true;
  }
  for (int offset = 1; offset <= kMaxTimeOffset; ++offset) {
    if (ProbeAt(lettered, length, at, TimeOfDay(start + offset), partner, lookup)) return true;
    if (ProbeAt(lettered, length, at, TimeOfDay(start - offset), partner, lookup)) return true;
  }
  return false;
}

}  // namespace

bool FindPartnerFileWith(const wchar_t* path, wchar_t* partner, const PartnerLookup& lookup) {
  partner[0] = L'\0';
  size_t length, at;
  if (!PartnerShape(path, &length, &at)) return false;
  const int start = TwoDigits(path + at) * 3600 + TwoDigits(path + at + 2) * 60 +
                    TwoDigits(path + at + 4);
  wchar_t lettered[kRecordingPathChars];
  wmemcpy(lettered, path, length + 1);
  for (const wchar_t* letter = kPartnerLetters; *letter; ++letter) {
    lettered[length - kTriggerFromEnd] = *letter;
    if (FindWithLetter(lettered, length, at, start, partner, lookup)) return true;
  }
  partner[0] = L'\0';
  return false;
}

bool FindPartnerFile(const wchar_t* path, wchar_t* partner) {
  QuietDriveErrors quiet;
  return FindPartnerFileWith(path, partner, DiskLookup());
}

bool TryPartnerAtTime(const wchar_t* path, int secondsOfDay, wchar_t* partner) {
  QuietDriveErrors quiet;
  return TryAtTime(path, secondsOfDay, partner, DiskLookup());
}
