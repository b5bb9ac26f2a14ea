// The rules of recording file names: whether a file is one of the recorder's recordings, which camera
// and trigger it has, what its partner file (the other camera's file of the same recording) is called,
// and how it is labelled. Names are the file-name part unless said otherwise. All functions are
// stateless and may be called from any thread.
#pragma once

#include <cstdint>
#include <string>

// Every path and name buffer of the browser holds this many characters, terminator included.
constexpr size_t kRecordingPathChars = 260;

// Trigger classes that ClassifyEventLetter returns (the letter in the name is in the comment).
enum RecordingTrigger : int {
  kTriggerUnknown = -1,
  kTriggerContinuous = 0,    // A
  kTriggerShock = 1,         // G
  kTriggerManual = 2,        // M
  kTriggerParking = 3,       // P
  kTriggerParkingShock = 4,  // S
  kTriggerSpeedCamera = 5,   // O
  kTriggerRadar = 6,         // R
  kTriggerParkingLapse = 7,  // T: a parking recording
  kTriggerParkingShock2 = 8, // U: a parking shock recording
};

// True when "<letter>_M.MP4" or "<letter>_R.MP4" occurs anywhere in `name`, ignoring case.
bool HasEventCameraSuffix(const wchar_t* name, const wchar_t* letter);
// The trigger class of a name (or a path), kTriggerUnknown when it carries no trigger letter.
int ClassifyEventLetter(const wchar_t* name);
// Three digits and "_" at the start, and a known trigger class.
bool IsRecordingName(const wchar_t* name);
// The prefix that joined files carry ("JM01_001_" and the like) somewhere in the name, and a known class.
bool HasRecorderPrefix(const wchar_t* name);
// The camera tests: the whole name has the shape of a main-camera, rear-camera or either-camera file.
bool IsMainCameraFile(const wchar_t* name);
bool IsRearCameraFile(const wchar_t* name);
bool IsCameraFileName(const wchar_t* name);
// A full path whose file name passes IsCameraFileName and whose extension is ".MP4" in any case.
// A path of kRecordingPathChars characters or more is not a recording.
bool IsRecordingFile(const wchar_t* path);
// ORs the trigger-filter bit of the name's class into `mask`; always true.
bool AddEventFilterBit(const wchar_t* name, uint32_t& mask);
// The trigger-filter bit of a class (1 continuous ... 64 radar), 0 for an unknown class.
uint32_t TriggerFilterBit(int triggerClass);
// The trigger's label in the current UI language; empty for a short name or an unknown class.
std::wstring GetTriggerText(const wchar_t* name);
// The name without its camera suffix ("_M.MP4"), for showing one entry per recording.
std::wstring StripCameraSuffix(const wchar_t* name);

// Fills `partner` (kRecordingPathChars) with the full path of the other camera's file of the recording
// at `path`, or with "" when there is none. True when a partner was found.
bool FindPartnerFile(const wchar_t* path, wchar_t* partner);
// One probe of the partner search: `path` with its camera letter swapped and its hhmmss digits replaced
// by `secondsOfDay` (0..86399). True, with `partner` filled, when that file exists.
bool TryPartnerAtTime(const wchar_t* path, int secondsOfDay, wchar_t* partner);

// Moves one file to the recycle bin. True when the file is gone afterwards (also when it never
// existed); false for an empty path, a path of kRecordingPathChars characters or more, wildcards, a
// folder, or a shell operation that failed or was aborted.
// A missing file counts as gone only while its folder exists (a vanished card or folder is a failure).
bool RecycleFile(const wchar_t* path);
// Whether the volume of `path` keeps a recycle bin that is turned on: false for removable media,
// network shares, any volume whose bin the shell cannot report on, and a bin set to remove files at
// once (there the shell destroys a "recycled" file).
bool VolumeHasRecycleBin(const wchar_t* path);
// The largest file the recycle bin of `path`'s volume takes: 0 where VolumeHasRecycleBin is false,
// UINT64_MAX when the bin's capacity is not known.
uint64_t RecycleBinRoom(const wchar_t* path);

// What the user set for the recycle bin of a volume.
struct RecycleBinSetting {
  bool off = false;            // files are removed at once, or recycling is forbidden by policy
  uint64_t capacityBytes = 0;  // the bin's largest size; 0 when not known
};
// Reads the setting of the volume whose root is `root` ("C:\\"); the default reads the user's settings
// and policies in the registry. Replaceable (null: the default) so a bin that is off can be tested.
using RecycleBinSettingReader = RecycleBinSetting (*)(const wchar_t* root);
void SetRecycleBinSettingReader(RecycleBinSettingReader reader);
