// Which map dialog the main dialog creates: the WebView2 one when a WebView2 runtime is installed and
// its loader can be reached, else the Internet Explorer one.
//
// The runtime's update client writes its version as "pv" under the client key (per user in
// HKEY_CURRENT_USER, per machine in HKEY_LOCAL_MACHINE, under WOW6432Node on 64-bit Windows). A key
// left behind by an uninstall may remain with an empty "pv" or "0.0.0.0", so the key alone is not
// taken as a runtime; neither is a runtime whose loader function cannot be found (the WebView2 dialog
// would stay empty with no map at all).
#pragma once

#include <windows.h>

#include <string>

namespace driveviews {

enum class MapVariant { kInternetExplorer, kWebView2 };

// The client key of the WebView2 runtime, below HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE.
inline constexpr wchar_t kWebViewClientKey[] =
    L"SOFTWARE\\Microsoft\\EdgeUpdate\\Clients\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";
inline constexpr wchar_t kWebViewClientKeyWow64[] =
    L"SOFTWARE\\WOW6432Node\\Microsoft\\EdgeUpdate\\Clients\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";

// What one registry place says about the runtime.
struct RuntimeKey {
  bool opened = false;  // the client key exists
  std::wstring version; // its "pv" value ("" when absent or not a text)
};

// A version names an installed runtime when it is not empty and not "0.0.0.0".
bool IsInstalledRuntimeVersion(const std::wstring& version);

// The decision itself.
MapVariant ChooseMapVariant(const RuntimeKey& user, const RuntimeKey& machine, bool loaderFound);

// Reads one place; the key is opened for reading values only and closed at once.
RuntimeKey ReadRuntimeKey(HKEY root, const wchar_t* path);

// The decision on this system: the user's key, then the machine's (the WOW6432Node path on 64-bit
// Windows), and whether WebView2Loader.dll offers its creation function.
MapVariant ChooseMapVariantOnThisSystem();

}  // namespace driveviews
