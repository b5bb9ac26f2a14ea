// The folder chooser that starts at a folder stored in the settings file.
#include <objbase.h>
#include <shlobj.h>

#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/msg_box.h"
#include "tavrin/skin/settings_ini.h"
#include "tavrin/skin/ui_texts.h"

namespace {

quill::skin::FolderBrowseFn g_browse = nullptr;        // set once by the program or a test
quill::skin::SettingsMessageFn g_message = nullptr;

// The default: the program's skinned message box (which falls back to the system's own when the
// program carries no message box template).
void SkinnedMessage(CWnd* owner, LPCWSTR text, LPCWSTR caption) {
  CMsgBox(owner).Show(text, caption, CMsgBox::kTypeOk);
}

// COM for the chooser on the calling thread (the tools call it from their workers). The new-style
// chooser needs a single-threaded apartment; a thread already in the multithreaded one gets the
// old-style chooser instead.
class ChooserApartment {
 public:
  ChooserApartment() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ChooserApartment() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ChooserApartment(const ChooserApartment&) = delete;
  ChooserApartment& operator=(const ChooserApartment&) = delete;
  bool multithreaded() const { return hr_ == RPC_E_CHANGED_MODE; }

 private:
  HRESULT hr_;
};

}  // namespace

namespace quill::skin {
void SetFolderBrowseFunction(FolderBrowseFn fn) { g_browse = fn; }
void SetSettingsMessageFunction(SettingsMessageFn fn) { g_message = fn; }
}  // namespace quill::skin

int CALLBACK BrowseCallbackProc(HWND hwnd, UINT msg, LPARAM, LPARAM data) {
  if (msg == BFFM_INITIALIZED && data) SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}

CString GetFolderFromIniOrBrowse(CWnd* parent, LPCWSTR section, LPCWSTR key, LPCWSTR title) {
  CString stored = ReadIni(section, key);
  wchar_t folder[MAX_PATH] = L"";
  lstrcpynW(folder, stored.IsEmpty() ? GetAppDirectory().GetString() : stored.GetString(), MAX_PATH);

  ChooserApartment apartment;
  BROWSEINFOW info = {};
  info.hwndOwner = HwndOf(parent);
  info.pszDisplayName = folder;
  info.lpszTitle = title;
  info.ulFlags = quill::skin::kBrowseFlags;
  if (apartment.multithreaded()) info.ulFlags &= ~static_cast<UINT>(BIF_NEWDIALOGSTYLE);
  info.lpfn = &BrowseCallbackProc;
  info.lParam = reinterpret_cast<LPARAM>(folder);
  PIDLIST_ABSOLUTE chosen = g_browse ? g_browse(&info) : SHBrowseForFolderW(&info);
  if (!chosen) return CString();  // cancelled
  BOOL resolved = SHGetPathFromIDListW(chosen, folder);
  CoTaskMemFree(chosen);
  if (!resolved) {
    (g_message ? g_message : &SkinnedMessage)(parent, UIText(quill::skin::kUITextFolderPathFailed),
                                              L"ERROR");
    return CString();
  }
  return CString(folder);
}
