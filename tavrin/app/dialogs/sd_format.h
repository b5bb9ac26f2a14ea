// Formatting an SD card with the system's partitioning tool: the script, the checks before anything is
// written, and the run. The script's "clean" erases the whole disk that holds the chosen volume, not
// only the volume, so the checks are made on volumes and physical disks, never on drive letters: a
// format goes ahead only for a drive the system reports as removable, whose volume lies on one disk that
// holds no other volume, a disk that holds neither this program's folder nor Windows' (however their
// paths reach it: a SUBST letter, a folder mount point), and only after the user confirmed its letter.
// The checks run once before the question and again right before the tool starts; every refusal says
// why, and nothing is written or run.
//
// The script is written under one absolute path in the program's folder (a script left there by an
// earlier run is removed first). From its writing until the tool has ended it is held open for reading
// with only reading shared, so nobody can change, replace or delete it meanwhile; it is read back
// through that handle before the tool starts. (A tool whose end cannot be waited for may still be
// reading it: the script is then let go and left in place.) The second check comes after the question
// and right before the start; the system's elevation prompt is part of the start itself. How the run ended is reported: a refused elevation, a tool
// that could not start, a run that could not be waited for, and a tool that ended with an error each
// show a message and a distinct FormatOutcome.
//
// UI thread (the run waits for the tool, as the user asked for it and the dialog cannot go on meanwhile).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace quill::app {

inline constexpr wchar_t kFormatScriptName[] = L"fmt.txt";
// The partitioning tool, always started from the system folder: a bare name would be looked for in
// the working folder and PATH too, and whatever answered to it there would run elevated.
inline constexpr wchar_t kPartitionToolFile[] = L"diskpart.exe";

// The script for a volume such as "E:", in the ANSI code page.
std::string FormatScriptBytes(const std::wstring& volume);

// The volume of a drive list text ("E:\\" gives "E:"); empty when the text does not start with a drive
// letter and a colon.
std::wstring VolumeOfDriveText(const std::wstring& driveText);

// What a started tool gave back: started is false when it could not start; error is then the system's
// reason (ERROR_CANCELLED: the user refused the elevation). process may be null even when it started.
struct ToolStart {
  bool started = false;
  HANDLE process = nullptr;  // owned by the caller once returned
  DWORD error = 0;
};

// Everything the format touches outside its own files, so the tests can replace it.
struct FormatEnvironment {
  std::function<UINT(const std::wstring& root)> driveType;  // GetDriveTypeW
  // The volume ("\\?\Volume{...}\") that holds a path, following SUBST letters and folder mount
  // points; empty when it cannot be told.
  std::function<std::wstring(const std::wstring& path)> volumeOf;
  // The physical disks a volume lies on; empty when they cannot be told.
  std::function<std::vector<DWORD>(const std::wstring& volume)> disksOf;
  // Every volume of the system.
  std::function<std::vector<std::wstring>()> volumes;
  std::wstring programFolder;  // where the script goes (no trailing '\\')
  std::wstring windowsFolder;  // the system's own folder
  std::wstring systemFolder;   // where the partitioning tool lives (no trailing '\\')
  std::function<bool(const std::wstring& question)> confirm;  // true: go on
  std::function<void(const std::wstring& message)> refuse;    // an error box: why nothing or what failed
  std::function<ToolStart(const std::wstring& file, const std::wstring& parameters)> run;  // elevated
};

// The program's environment: the system's drive types, volumes and disks, the executable's folder, the
// Windows folder, the skinned message box owned by `owner`, and ShellExecuteExW "runas".
FormatEnvironment SystemFormatEnvironment(HWND owner);

enum class FormatOutcome {
  kNoDrive,               // nothing selected, or not a drive: refused
  kNotRemovable,          // refused
  kUnknownDisk,           // the drive's volume or disk cannot be told: refused
  kSharedDisk,            // the drive's disk holds another volume, or its volume spans disks: refused
  kProgramOrSystemDrive,  // the disk holds the program or Windows (or their place is unknown): refused
  kCancelled,             // the user did not confirm: nothing said
  kScriptFailed,          // the script could not be written or held: refused, nothing run
  kDriveChanged,          // the drive no longer passes, or is another one, right before the run: refused
  kElevationRefused,      // the user refused the elevation: said so, the script deleted
  kNotStarted,            // the tool did not start: said so, the script deleted
  kStartedNoWait,         // started, but its end or result could not be waited for: said so
  kFailed,                // the tool ended with an error: said so with its exit code
  kFinished,              // the tool ended without an error: the script deleted
};

// The script's path: the program folder and kFormatScriptName.
std::wstring FormatScriptPath(const FormatEnvironment& env);
// The partitioning tool's full path in the system folder; empty when the system folder is unknown.
std::wstring PartitionToolPath(const FormatEnvironment& env);

// The drive checks on their own: kFinished when a drive such as "E:" may be formatted (then *volume
// and *disk name it), else the refusal.
FormatOutcome CheckFormatTarget(const std::wstring& drive, const FormatEnvironment& env, std::wstring* volume,
                                DWORD* disk);

// Formats the drive named by a drive list text.
FormatOutcome FormatCard(const std::wstring& driveText, const FormatEnvironment& env);

}  // namespace quill::app
