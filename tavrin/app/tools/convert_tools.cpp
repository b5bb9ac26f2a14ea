#include "tavrin/app/tools/convert_tools.h"

#include "platform/framework/private_messages.h"
#include "tavrin/app/tools/conversion_mask_dlg.h"
#include "tavrin/browser/file_select_dlg.h"
#include "tavrin/skin/msg_box.h"
#include "tavrin/skin/settings_ini.h"
#include "tavrin/skin/ui_texts.h"

namespace quill::app {

namespace {

constexpr wchar_t kFolderSection[] = L"FOLDERPATH";
constexpr wchar_t kJoinFolderKey[] = L"CONNECT_FOLDER";
constexpr wchar_t kConvertFolderKey[] = L"CONVERT_FOLDER";
constexpr unsigned kTextJoinFolderTitle = 102;    // "バックアップフォルダーを選択してください。"
constexpr unsigned kTextOutputFolderTitle = 103;  // "出力先フォルダーを選択してください。"
constexpr wchar_t kErrorCaption[] = L"ERROR";

std::wstring ChooseFolder(ConvertToolHost& host, const wchar_t* key, unsigned title) {
  if (host.chooseFolder) return host.chooseFolder(key);
  const CString folder = GetFolderFromIniOrBrowse(host.mainWnd, kFolderSection, key, UIText(title));
  return std::wstring(folder.GetString());
}

INT_PTR Message(ConvertToolHost& host, const wchar_t* text, const wchar_t* caption, UINT type) {
  if (host.message) return host.message(text, caption, type);
  CMsgBox box(host.mainWnd);
  return box.Show(text, caption, type);
}

void StoreFolder(ConvertToolHost& host, const wchar_t* key, const std::wstring& folder) {
  if (host.storeFolder) {
    host.storeFolder(key, folder);
  } else {
    WriteIni(kFolderSection, key, folder.c_str());
  }
}

// The failure message, and on a second line what the user can do about it when it is known.
std::wstring FailureText(const wchar_t* text, const std::wstring& reason) {
  return reason.empty() ? std::wstring(text) : std::wstring(text) + L"\r\n" + reason;
}

// The reason behind a failure, for whoever reads the log: the message box says only what failed.
void LogFailure(ConvertToolHost& host, const char* tool, const std::string& why) {
  const std::string line = std::string("Quillmere: ") + tool + " failed: " + (why.empty() ? "no reason given" : why);
  if (host.log) {
    host.log(line);
  } else {
    OutputDebugStringA((line + "\n").c_str());
  }
}

JoinHooks HooksFor(ConvertToolHost& host) {
  JoinHooks hooks;
  hooks.owner = host.progressOwner;
  hooks.ask = [&host](const wchar_t* text, const wchar_t* caption, int type) {
    return static_cast<int>(Message(host, text, caption, static_cast<UINT>(type)));
  };
  hooks.freeSpace = host.freeSpace;
  hooks.options = host.options ? host.options : [&host](const std::wstring& source, ConvertOptions* options) {
    return RunConvertOptions(host.mainWnd, source, options);
  };
  hooks.convert = host.convert;
  hooks.beforeWork = host.stopPlayback;
  hooks.cancel = host.cancel;
  hooks.writing = host.joinWriting;
  return hooks;
}

}  // namespace

int RunConvertOptions(CWnd* parent, const std::wstring& source, ConvertOptions* options) {
  CConvertDlg dlg(parent, source);
  const INT_PTR answer = dlg.DoModal();
  if (answer != IDOK && !dlg.m_bAccepted) return kStepCancelled;
  options->masks = dlg.m_masks;
  options->removeAudio = dlg.m_bRemoveAudio != FALSE;
  return kStepGoOn;
}

int JoinToolThread(ConvertToolHost& host) {
  const std::wstring folder = ChooseFolder(host, kJoinFolderKey, kTextJoinFolderTitle);
  if (folder.empty()) return kStepCancelled;
  RecordingList picked;
  JoinRequest request;
  {
    CFileSelectDlg dlg(host.mainWnd);
    dlg.m_nMode = CFileSelectDlg::kModeJoin;
    dlg.SetRecordings(host.shown);
    const INT_PTR answer = host.runSelection ? host.runSelection(dlg) : dlg.DoModal();
    if (answer != IDOK || dlg.m_chosen.empty()) return kStepCancelled;
    picked = dlg.m_chosen;
    request.camera = dlg.m_nCamera;
    request.uploadConvert = dlg.m_nUploadOption != 0;
  }
  request.picked = picked;
  request.folder = folder;
  if (host.markRows) host.markRows(picked, true);
  JoinOutcome outcome;
  const int result = RunJoinCommand(request, HooksFor(host), &outcome);
  if (result == kStepGoOn) {
    StoreFolder(host, kJoinFolderKey, folder);
    if (!outcome.converted.empty() && host.progressOwner) {
      PostMessageW(host.progressOwner, quill::msg::kProgress, 100, 100);
    }
    return kStepGoOn;
  }
  if (result == kStepFailed) {
    LogFailure(host, "join", outcome.why);
    if (outcome.joined) {
      // The joined files are in place; only their conversion failed.
      StoreFolder(host, kJoinFolderKey, folder);
      const std::wstring text = FailureText(kConvertFailedText, outcome.reason) + L"\r\n" + kJoinedKeptText;
      Message(host, text.c_str(), kErrorCaption, CMsgBox::kTypeOk);
      return result;
    }
    Message(host, FailureText(kJoinFailedText, outcome.reason).c_str(), kErrorCaption, CMsgBox::kTypeOk);
  }
  if (host.markRows) host.markRows(picked, false);
  return result;
}

int UploadConvertToolThread(ConvertToolHost& host) {
  const std::wstring folder = ChooseFolder(host, kConvertFolderKey, kTextOutputFolderTitle);
  if (folder.empty()) return kStepCancelled;
  UploadRequest request;
  request.record = host.hasCurrent ? &host.current : nullptr;
  request.folder = folder;
  std::wstring output;
  std::string why;
  std::wstring reason;
  const int result = RunUploadConvertCommand(request, HooksFor(host), &output, &why, &reason);
  if (result == kStepGoOn) {
    StoreFolder(host, kConvertFolderKey, folder);
    if (host.progressOwner) PostMessageW(host.progressOwner, quill::msg::kProgress, 100, 100);
  } else if (result == kStepFailed) {
    LogFailure(host, "upload conversion", why);
    Message(host, FailureText(kConvertFailedText, reason).c_str(), kErrorCaption, CMsgBox::kTypeOk);
  }
  return result;
}

}  // namespace quill::app
