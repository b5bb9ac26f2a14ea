// Formatting an SD card with the system's partitioning tool: the script, the checks before anything is
// written, and the run. Because the script erases a whole volume, a format goes ahead only for a drive
// the system reports as removable, that holds neither this program nor Windows, and only after the user
// confirmed its letter; every other case is refused with a message, and nothing is written or run.
// The script is written, passed to the tool and deleted under one absolute path in the program's
// folder; a script left there by an earlier run is removed before anything else is written.
//
// UI thread (the run waits for the tool, as the user asked for it and the dialog cannot go on meanwhile).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace quill::app {

inline constexpr wchar_t kFormatScriptName[] = L"fmt.txt";
inline constexpr wchar_t kPartitionTool[] = L"diskpart";

// The script for a volume such as "E:", in the ANSI code page.
std::string FormatScriptBytes(const std::wstring& volume);

// The volume of a drive list text ("E:\\" gives "E:"); empty when the text does not start with a drive
// letter and a colon.
std::wstring VolumeOfDriveText(const std::wstring& driveText);

// What a started tool gave back: started is false when it could not start (refused elevation, no
// tool); process may be null even when it started.
struct ToolStart {
  bool started = false;
  HANDLE process = nullptr;  // owned by the caller once returned
};

// Everything the format touches outside its own files, so the tests can replace it.
struct FormatEnvironment {
  std::function<UINT(const std::wstring& root)> driveType;  // GetDriveTypeW
  std::wstring programFolder;  // where the script goes (no trailing '\\')
  std::wstring windowsFolder;  // the system's own folder
  std::function<bool(const std::wstring& question)> confirm;  // true: go on
  std::function<void(const std::wstring& message)> refuse;    // tells why nothing happens
  std::function<ToolStart(const std::wstring& file, const std::wstring& parameters)> run;  // elevated
};

// The program's environment: the system's drive types, the executable's folder, the Windows folder,
// the skinned message box owned by `owner`, and ShellExecuteExW "runas".
FormatEnvironment SystemFormatEnvironment(HWND owner);

enum class FormatOutcome {
  kNoDrive,         // nothing selected, or not a drive: refused
  kNotRemovable,    // refused
  kProgramOrSystemDrive,  // refused
  kCancelled,       // the user did not confirm: nothing said
  kScriptFailed,    // the script could not be written: refused, nothing run
  kNotStarted,      // the tool did not start: the script was deleted again
  kStartedNoWait,   // started without a process handle: nothing to wait on, the script stays
  kFinished,        // the tool ended: the script was deleted
};

// The script's path: the program folder and kFormatScriptName.
std::wstring FormatScriptPath(const FormatEnvironment& env);

// Formats the drive named by a drive list text.
FormatOutcome FormatCard(const std::wstring& driveText, const FormatEnvironment& env);

}  // namespace quill::app
