// Choosing between the WebView2 and the Internet Explorer map dialog.
#include "tavrin/driveviews/map_choice.h"

#include "platform/webview2/webview2_loader.h"

#include <vector>

namespace driveviews {

bool IsInstalledRuntimeVersion(const std::wstring& version) {
  return !version.empty() && version != L"0.0.0.0";
}

MapVariant ChooseMapVariant(const RuntimeKey& user, const RuntimeKey& machine, bool loaderFound) {
  bool installed = (user.opened && IsInstalledRuntimeVersion(user.version)) ||
                   (machine.opened && IsInstalledRuntimeVersion(machine.version));
  return installed && loaderFound ? MapVariant::kWebView2 : MapVariant::kInternetExplorer;
}

RuntimeKey ReadRuntimeKey(HKEY root, const wchar_t* path) {
  RuntimeKey result;
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return result;
  result.opened = true;
  DWORD type = 0;
  DWORD bytes = 0;
  if (RegQueryValueExW(key, L"pv", nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS && type == REG_SZ &&
      bytes > 0 && bytes < 4096) {
    std::vector<wchar_t> text(bytes / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key, L"pv", nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &bytes) ==
        ERROR_SUCCESS) {
      result.version = text.data();  // the stored text need not end in a zero; the buffer does
    }
  }
  RegCloseKey(key);
  return result;
}

namespace {

bool IsWow64() {
  using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
  HMODULE kernel = GetModuleHandleW(L"kernel32");
  if (!kernel) return false;
  auto fn = reinterpret_cast<IsWow64ProcessFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")));
  BOOL wow = FALSE;
  return fn && fn(GetCurrentProcess(), &wow) && wow;
}

}  // namespace

MapVariant ChooseMapVariantOnThisSystem() {
  RuntimeKey user = ReadRuntimeKey(HKEY_CURRENT_USER, kWebViewClientKey);
  RuntimeKey machine =
      ReadRuntimeKey(HKEY_LOCAL_MACHINE, IsWow64() ? kWebViewClientKeyWow64 : kWebViewClientKey);
  return ChooseMapVariant(user, machine, webview2::WebView2Loader::Available());
}

}  // namespace driveviews
