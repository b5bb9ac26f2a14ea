// Run-time access to the WebView2 loader's environment creation function. The loader library is not
// part of Windows and the project does not ship it: it is looked for beside the program's own file
// only (never through the library search path), and when it or its function is missing the caller
// goes on without WebView2.
#pragma once

#include <windows.h>

struct ICoreWebView2EnvironmentOptions;
struct ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler;

namespace webview2 {

using CreateEnvironmentWithOptionsFn = HRESULT(STDAPICALLTYPE*)(
    PCWSTR browserExecutableFolder, PCWSTR userDataFolder, ICoreWebView2EnvironmentOptions* options,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler);

class WebView2Loader {
 public:
  // The function, loaded once per process; null when the library or the function is missing.
  static CreateEnvironmentWithOptionsFn Function();
  static bool Available() { return Function() != nullptr; }
};

// The loader's file name and its function's name.
inline constexpr wchar_t kLoaderFileName[] = L"WebView2Loader.dll";
inline constexpr char kCreateEnvironmentName[] = "CreateCoreWebView2EnvironmentWithOptions";

}  // namespace webview2
