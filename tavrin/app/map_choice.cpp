// The choice of the map dialog by the WebView2 client key.
#include "tavrin/app/map_choice.h"

#include <cwchar>

namespace quill::app {

bool IsRuntimeVersion(const wchar_t* pv) { return pv && pv[0] && wcscmp(pv, L"0.0.0.0") != 0; }

bool RegistryKeyOpens(HKEY root, const wchar_t* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  wchar_t pv[64] = L"";
  DWORD size = sizeof pv - sizeof(wchar_t);  // room for the terminator the value may lack
  DWORD type = 0;
  const bool read = RegQueryValueExW(key, L"pv", nullptr, &type, reinterpret_cast<BYTE*>(pv), &size) == ERROR_SUCCESS &&
                    type == REG_SZ;
  RegCloseKey(key);
  return read && IsRuntimeVersion(pv);
}

bool RunsOnWow64() {
  using IsWow64Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
  HMODULE kernel = GetModuleHandleW(L"kernel32");
  auto fn = kernel ? reinterpret_cast<IsWow64Fn>(reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")))
                   : nullptr;
  BOOL wow = FALSE;
  return fn && fn(GetCurrentProcess(), &wow) && wow;
}

MapVariant ChooseMapVariant(KeyOpensFn keyOpens, bool wow64) {
  if (!keyOpens) return MapVariant::kInternetExplorer;
  bool found = keyOpens(HKEY_CURRENT_USER, kWebView2ClientKey);
  if (!found) found = keyOpens(HKEY_LOCAL_MACHINE, wow64 ? kWebView2ClientKeyWow : kWebView2ClientKey);
  return found ? MapVariant::kWebView2 : MapVariant::kInternetExplorer;
}

}  // namespace quill::app
