// The program's own file (see program_file.h).
#include "platform/framework/program_file.h"

#include <windows.h>

#include <vector>

namespace quill::framework {

namespace {
constexpr size_t kLongestPath = 32768;  // the system's limit for a path, with its terminator
}  // namespace

std::wstring ProgramFilePath() {
  // The call cuts a path that does not fit and answers the buffer's size then: grow and ask again.
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return std::wstring();
    if (n < path.size()) return std::wstring(path.data(), n);
    if (path.size() >= kLongestPath) return std::wstring();
    path.resize(path.size() * 2);
  }
}

}  // namespace quill::framework
