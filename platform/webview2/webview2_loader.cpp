// Finding the WebView2 loader beside the program.
#include "platform/webview2/webview2_loader.h"

#include <string>

#include "platform/framework/program_file.h"

namespace webview2 {

namespace {

// The folder of the program's own file with a trailing backslash; "" when it cannot be read whole.
std::wstring ProgramFolder() {
  const std::wstring text = quill::framework::ProgramFilePath();
  const size_t slash = text.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : text.substr(0, slash + 1);
}

CreateEnvironmentWithOptionsFn Load() {
  std::wstring folder = ProgramFolder();
  if (folder.empty()) return nullptr;
  HMODULE module = LoadLibraryExW((folder + kLoaderFileName).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!module) return nullptr;
  // The library stays loaded for the process: the environment it creates lives as long as the map.
  return reinterpret_cast<CreateEnvironmentWithOptionsFn>(
      reinterpret_cast<void*>(GetProcAddress(module, kCreateEnvironmentName)));
}

}  // namespace

CreateEnvironmentWithOptionsFn WebView2Loader::Function() {
  static CreateEnvironmentWithOptionsFn fn = Load();
  return fn;
}

}  // namespace webview2
