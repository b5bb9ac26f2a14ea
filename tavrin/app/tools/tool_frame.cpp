#include "tavrin/app/tools/tool_frame.h"

#include "platform/framework/private_messages.h"
#include "tavrin/skin/msg_box.h"
#include "tavrin/skin/settings_ini.h"
#include "tavrin/skin/ui_texts.h"

namespace tools {

namespace {

constexpr wchar_t kFolderSection[] = L"FOLDERPATH";

}  // namespace

ToolCallbacks MakeToolCallbacks(CWnd* owner, HWND progressWindow, const std::atomic<bool>* running) {
  ToolCallbacks callbacks;
  callbacks.messageBox = [owner](const wchar_t* text, const wchar_t* caption, unsigned type) {
    return static_cast<int>(CMsgBox(owner).Show(text, caption, type));
  };
  callbacks.progress = [progressWindow](uint32_t done, uint32_t total) {
    if (progressWindow) PostMessageW(progressWindow, quill::msg::kProgress, done, total);
  };
  if (running) callbacks.keepRunning = [running] { return running->load(); };
  return callbacks;
}

std::wstring ChooseToolFolder(CWnd* parent, const wchar_t* key, unsigned titleText) {
  return GetFolderFromIniOrBrowse(parent, kFolderSection, key, UIText(titleText)).GetString();
}

bool StoreToolFolder(const wchar_t* key, const std::wstring& folder) {
  return WriteIni(kFolderSection, key, folder.c_str()) != FALSE;
}

}  // namespace tools
