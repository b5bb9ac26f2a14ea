// The SD-card format: the checks on volumes and disks, the held script and the run's outcome.
#include "tavrin/app/dialogs/sd_format.h"

#include <algorithm>
#include <cwctype>
#include <vector>

#include "playcore/bytes/unique_handle.h"

namespace quill::app {
namespace {

constexpr wchar_t kScriptForm[] =
    L"select volume %s\r\nclean\r\ncreate partition primary\r\nformat fs=fat32\r\n";
constexpr wchar_t kNoDriveText[] = L"フォーマットするSDカードのドライブを選択してください。";
constexpr wchar_t kNotRemovableText[] = L"このドライブはSDカードではないため、フォーマットできません。";
constexpr wchar_t kOwnDriveText[] =
    L"このドライブにはWindowsまたはこのソフトがあるため、フォーマットできません。";
constexpr wchar_t kScriptFailedText[] = L"フォーマットの準備ができませんでした。";
constexpr wchar_t kUnknownDiskText[] = L"このドライブのディスクを確認できないため、フォーマットできません。";
constexpr wchar_t kSharedDiskText[] =
    L"このドライブのディスクには他のボリュームもあるため、フォーマットできません。";
constexpr wchar_t kDriveChangedText[] = L"確認の後でドライブが変わったため、フォーマットを中止しました。";
constexpr wchar_t kElevationRefusedText[] =
    L"管理者としての実行が許可されなかったため、フォーマットは行われませんでした。";
constexpr wchar_t kNotStartedText[] =
    L"ディスク管理ツールを起動できなかったため、フォーマットは行われませんでした。";

std::wstring NoWaitText(const std::wstring& drive) {
  return L"フォーマットの終了を確認できませんでした。ドライブ " + drive + L" の状態を確かめてください。";
}

std::wstring FailedText(const std::wstring& drive, DWORD exitCode) {
  return L"フォーマットに失敗しました（終了コード " + std::to_wstring(exitCode) + L"）。\r\nドライブ " + drive +
         L" のデータは消去されている可能性があります。";
}

wchar_t DriveLetter(const std::wstring& path) {
  if (path.size() < 2 || path[1] != L':' || !std::iswalpha(path[0])) return 0;
  return static_cast<wchar_t>(std::towupper(path[0]));
}

bool SameVolume(const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) == 0; }

bool OnDisk(const std::vector<DWORD>& disks, DWORD disk) {
  return std::find(disks.begin(), disks.end(), disk) != disks.end();
}

const wchar_t* RefusalText(FormatOutcome outcome) {
  switch (outcome) {
    case FormatOutcome::kNotRemovable: return kNotRemovableText;
    case FormatOutcome::kUnknownDisk: return kUnknownDiskText;
    case FormatOutcome::kSharedDisk: return kSharedDiskText;
    default: return kOwnDriveText;
  }
}

// Writes the script, then holds it open for reading with only reading shared: from then on nobody can
// write, replace or delete it until the hold is let go. The bytes are read back through the hold, so
// a script changed in the moment between the writing and the hold is found.
bool WriteAndHoldScript(const std::wstring& path, const std::string& bytes, playcore::UniqueHandle* hold) {
  {
    playcore::UniqueHandle out(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return false;
    DWORD written = 0;
    const bool ok = WriteFile(out.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size() && FlushFileBuffers(out.get());
    if (!ok) {
      out.Reset();
      DeleteFileW(path.c_str());
      return false;
    }
  }
  hold->Reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string back(bytes.size() + 1, '\0');
  DWORD got = 0;
  if (!*hold || !ReadFile(hold->get(), &back[0], static_cast<DWORD>(back.size()), &got, nullptr) ||
      back.compare(0, got, bytes) != 0 || got != bytes.size()) {
    hold->Reset();
    DeleteFileW(path.c_str());
    return false;
  }
  return true;
}

// Ends a run: lets the script go and deletes it.
void DropScript(const std::wstring& path, playcore::UniqueHandle* hold) {
  hold->Reset();
  DeleteFileW(path.c_str());
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

std::wstring FormatScriptPath(const FormatEnvironment& env) {
  return env.programFolder + L"\\" + kFormatScriptName;
}

std::wstring PartitionToolPath(const FormatEnvironment& env) {
  return env.systemFolder.empty() ? std::wstring() : env.systemFolder + L"\\" + kPartitionToolFile;
}

FormatOutcome CheckFormatTarget(const std::wstring& drive, const FormatEnvironment& env, std::wstring* volume,
                                DWORD* disk) {
  const std::wstring root = drive + L"\\";
  if (env.driveType(root) != DRIVE_REMOVABLE) return FormatOutcome::kNotRemovable;
  const std::wstring card = env.volumeOf(root);
  const std::vector<DWORD> cardDisks = card.empty() ? std::vector<DWORD>() : env.disksOf(card);
  if (cardDisks.empty()) return FormatOutcome::kUnknownDisk;
  if (cardDisks.size() != 1) return FormatOutcome::kSharedDisk;
  const DWORD cardDisk = cardDisks[0];
  // The card's disk must hold the card's volume and nothing else; a list without the card is not
  // trusted.
  bool listed = false;
  for (const std::wstring& other : env.volumes()) {
    if (SameVolume(other, card)) {
      listed = true;
      continue;
    }
    const std::vector<DWORD> otherDisks = env.disksOf(other);
    if (OnDisk(otherDisks, cardDisk)) return FormatOutcome::kSharedDisk;
    // A volume whose disk cannot be told may be on the card's disk, and clean would erase it with the
    // card. An optical drive's (an empty one has no extents) can never be a partition of that disk.
    if (otherDisks.empty() && env.driveType(other) != DRIVE_CDROM) return FormatOutcome::kUnknownDisk;
  }
  if (!listed) return FormatOutcome::kUnknownDisk;
  // An unknown place of the program or of Windows counts as being on this disk: better refuse than
  // erase.
  for (const std::wstring& folder : {env.programFolder, env.windowsFolder}) {
    const std::wstring own = folder.empty() ? std::wstring() : env.volumeOf(folder);
    const std::vector<DWORD> ownDisks = own.empty() ? std::vector<DWORD>() : env.disksOf(own);
    if (ownDisks.empty() || SameVolume(own, card) || OnDisk(ownDisks, cardDisk)) {
      return FormatOutcome::kProgramOrSystemDrive;
    }
  }
  if (volume) *volume = card;
  if (disk) *disk = cardDisk;
  return FormatOutcome::kFinished;
}

FormatOutcome FormatCard(const std::wstring& driveText, const FormatEnvironment& env) {
  const std::wstring drive = VolumeOfDriveText(driveText);
  if (drive.empty()) {
    env.refuse(kNoDriveText);
    return FormatOutcome::kNoDrive;
  }
  std::wstring volume;
  DWORD disk = 0;
  const FormatOutcome checked = CheckFormatTarget(drive, env, &volume, &disk);
  if (checked != FormatOutcome::kFinished) {
    env.refuse(RefusalText(checked));
    return checked;
  }
  const std::wstring question = L"ドライブ " + drive +
                                L" のすべてのデータが消去されます。\r\nフォーマットしてよろしいですか？";
  if (!env.confirm(question)) return FormatOutcome::kCancelled;

  const std::wstring script = FormatScriptPath(env);
  DeleteFileW(script.c_str());  // never leave an older script for the tool to find
  const std::string bytes = FormatScriptBytes(drive);
  playcore::UniqueHandle hold;
  if (bytes.empty() || !WriteAndHoldScript(script, bytes, &hold)) {
    env.refuse(kScriptFailedText);
    return FormatOutcome::kScriptFailed;
  }
  // The question may have stood for a long time: the card may have been pulled and the letter given to
  // another drive meanwhile.
  std::wstring volumeNow;
  DWORD diskNow = 0;
  if (CheckFormatTarget(drive, env, &volumeNow, &diskNow) != FormatOutcome::kFinished ||
      !SameVolume(volumeNow, volume) || diskNow != disk) {
    DropScript(script, &hold);
    env.refuse(kDriveChangedText);
    return FormatOutcome::kDriveChanged;
  }

  const std::wstring tool = PartitionToolPath(env);
  ToolStart start;
  if (tool.empty()) {
    start.error = ERROR_PATH_NOT_FOUND;
  } else {
    start = env.run(tool, L"/s \"" + script + L"\"");
  }
  playcore::UniqueHandle process(start.process);
  if (!start.started) {
    DropScript(script, &hold);
    const bool refused = start.error == ERROR_CANCELLED;
    env.refuse(refused ? kElevationRefusedText : kNotStartedText);
    return refused ? FormatOutcome::kElevationRefused : FormatOutcome::kNotStarted;
  }
  DWORD exitCode = 0;
  if (!process || WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(process.get(), &exitCode)) {
    // The tool may still be reading the script: it stays where it is.
    hold.Reset();
    env.refuse(NoWaitText(drive));
    return FormatOutcome::kStartedNoWait;
  }
  DropScript(script, &hold);
  if (exitCode != 0) {
    env.refuse(FailedText(drive, exitCode));
    return FormatOutcome::kFailed;
  }
  return FormatOutcome::kFinished;
}

}  // namespace quill::app
