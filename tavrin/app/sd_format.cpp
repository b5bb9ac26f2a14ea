// The SD-card format: checks, script, elevated run of the partitioning tool.
#include "tavrin/app/sd_format.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <cwctype>
#include <vector>

#include "tavrin/skin/msg_box.h"

namespace quill::app {
namespace {

constexpr wchar_t kScriptForm[] =
    L"select volume %s\r\nclean\r\ncreate partition primary\r\nformat fs=fat32\r\n";
constexpr wchar_t kConfirmCaption[] = L"確認";
constexpr wchar_t kErrorCaption[] = L"ERROR";
constexpr wchar_t kNoDriveText[] = L"フォーマットするSDカードのドライブを選択してください。";
constexpr wchar_t kNotRemovableText[] = L"このドライブはSDカードではないため、フォーマットできません。";
constexpr wchar_t kOwnDriveText[] =
    L"このドライブにはWindowsまたはこのソフトがあるため、フォーマットできません。";
constexpr wchar_t kScriptFailedText[] = L"フォーマットの準備ができませんでした。";

wchar_t DriveLetter(const std::wstring& path) {
  if (path.size() < 2 || path[1] != L':' || !std::iswalpha(path[0])) return 0;
  return static_cast<wchar_t>(std::towupper(path[0]));
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size() && FlushFileBuffers(h);
  CloseHandle(h);
  if (!ok) DeleteFileW(path.c_str());
  return ok;
}

std::wstring ModuleFolder() {
  std::vector<wchar_t> path(32768, L'\0');
  const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  if (n == 0 || n >= path.size()) return std::wstring();
  PathRemoveFileSpecW(path.data());
  return path.data();
}

std::wstring WindowsFolder() {
  wchar_t path[MAX_PATH + 1] = {};
  const UINT n = GetSystemWindowsDirectoryW(path, MAX_PATH);
  return (n == 0 || n > MAX_PATH) ? std::wstring() : std::wstring(path);
}

ToolStart RunElevated(HWND owner, const std::wstring& file, const std::wstring& parameters) {
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.hwnd = owner;
  info.lpVerb = L"runas";
  info.lpFile = file.c_str();
  info.lpParameters = parameters.c_str();
  info.nShow = SW_SHOWNORMAL;
  ToolStart r;
  r.started = ShellExecuteExW(&info) && reinterpret_cast<INT_PTR>(info.hInstApp) > 32;
  r.process = info.hProcess;
  return r;
}

}  // namespace

std::string FormatScriptBytes(const std::wstring& volume) {
  std::vector<wchar_t> text(sizeof(kScriptForm) / sizeof(wchar_t) + volume.size() + 1, L'\0');
  _snwprintf(text.data(), text.size() - 1, kScriptForm, volume.c_str());
  const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return std::string();
  std::string bytes(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), -1, &bytes[0], n, nullptr, nullptr);
  bytes.pop_back();  // the terminating zero is not written
  return bytes;
}

std::wstring VolumeOfDriveText(const std::wstring& driveText) {
  const wchar_t letter = DriveLetter(driveText);
  return letter ? std::wstring{letter, L':'} : std::wstring();
}

FormatEnvironment SystemFormatEnvironment(HWND owner) {
  FormatEnvironment env;
  env.driveType = [](const std::wstring& root) { return GetDriveTypeW(root.c_str()); };
  env.programFolder = ModuleFolder();
  env.windowsFolder = WindowsFolder();
  env.confirm = [owner](const std::wstring& q) {
    return CMsgBox(CWnd::FromHandle(owner)).Show(q.c_str(), kConfirmCaption, CMsgBox::kTypeOkCancel) == IDOK;
  };
  env.refuse = [owner](const std::wstring& m) {
    CMsgBox(CWnd::FromHandle(owner)).Show(m.c_str(), kErrorCaption, CMsgBox::kTypeOk);
  };
  env.run = [owner](const std::wstring& file, const std::wstring& parameters) {
    return RunElevated(owner, file, parameters);
  };
  return env;
}

std::wstring FormatScriptPath(const FormatEnvironment& env) {
  return env.programFolder + L"\\" + kFormatScriptName;
}

FormatOutcome FormatCard(const std::wstring& driveText, const FormatEnvironment& env) {
  const std::wstring volume = VolumeOfDriveText(driveText);
  if (volume.empty()) {
    env.refuse(kNoDriveText);
    return FormatOutcome::kNoDrive;
  }
  if (env.driveType(volume + L"\\") != DRIVE_REMOVABLE) {
    env.refuse(kNotRemovableText);
    return FormatOutcome::kNotRemovable;
  }
  // An unknown program or Windows folder counts as being on this drive: better refuse than erase.
  const wchar_t letter = volume[0];
  if (DriveLetter(env.programFolder) == 0 || DriveLetter(env.windowsFolder) == 0 ||
      DriveLetter(env.programFolder) == letter || DriveLetter(env.windowsFolder) == letter) {
    env.refuse(kOwnDriveText);
    return FormatOutcome::kProgramOrSystemDrive;
  }
  const std::wstring question = L"ドライブ " + volume +
                                L" のすべてのデータが消去されます。\r\nフォーマットしてよろしいですか？";
  if (!env.confirm(question)) return FormatOutcome::kCancelled;

  const std::wstring script = FormatScriptPath(env);
  DeleteFileW(script.c_str());  // never leave an older script for the tool to find
  const std::string bytes = FormatScriptBytes(volume);
  if (bytes.empty() || PathFileExistsW(script.c_str()) || !WriteWholeFile(script, bytes)) {
    env.refuse(kScriptFailedText);
    return FormatOutcome::kScriptFailed;
  }
  ToolStart start = env.run(kPartitionTool, L"/s \"" + script + L"\"");
  if (!start.started) {
    if (start.process) CloseHandle(start.process);
    DeleteFileW(script.c_str());
    return FormatOutcome::kNotStarted;
  }
  if (!start.process) return FormatOutcome::kStartedNoWait;  // the tool may still read the script
  WaitForSingleObject(start.process, INFINITE);
  DWORD exitCode = 0;
  GetExitCodeProcess(start.process, &exitCode);
  CloseHandle(start.process);
  if (PathFileExistsW(script.c_str())) DeleteFileW(script.c_str());
  return FormatOutcome::kFinished;
}

}  // namespace quill::app
