// Which map dialog the main window makes: the WebView2 one when the WebView2 runtime's client key is
// registered for the user or the machine, else the Internet Explorer one.
#pragma once

#include <windows.h>

namespace quill::app {

enum class MapVariant { kInternetExplorer, kWebView2 };

constexpr wchar_t kWebView2ClientKey[] =
    L"SOFTWARE\\Microsoft\\EdgeUpdate\\Clients\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";
constexpr wchar_t kWebView2ClientKeyWow[] =
    L"SOFTWARE\\WOW6432Node\\Microsoft\\EdgeUpdate\\Clients\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";

// Whether the client key at `path` registers a runtime: it opens for KEY_QUERY_VALUE and its version
// value "pv" is set and not "0.0.0.0" (an uninstall can leave the key behind with an empty version).
using KeyOpensFn = bool (*)(HKEY root, const wchar_t* path);
bool RegistryKeyOpens(HKEY root, const wchar_t* path);
// The version test alone.
bool IsRuntimeVersion(const wchar_t* pv);
// Whether this 32-bit process runs on 64-bit Windows (IsWow64Process, looked up at run time).
bool RunsOnWow64();

// The user's key first; then the machine's: on 64-bit Windows only below WOW6432Node, on 32-bit
// Windows only the plain path.
MapVariant ChooseMapVariant(KeyOpensFn keyOpens, bool wow64);

}  // namespace quill::app
