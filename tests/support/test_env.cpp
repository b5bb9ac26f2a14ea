#include "tests/support/test_env.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace quill::test {

std::wstring HostPathToWindows(const std::string& unixPath) {
  if (unixPath.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_UTF8, 0, unixPath.c_str(), -1, nullptr, 0);
  std::wstring wide(n > 0 ? n - 1 : 0, L'\0');
  if (n > 1) MultiByteToWideChar(CP_UTF8, 0, unixPath.c_str(), -1, &wide[0], n);
  for (wchar_t& c : wide) {
    if (c == L'/') c = L'\\';
  }
  return L"Z:" + wide;
}

std::string RecordingsDirUnix() {
  const char* dir = std::getenv("QUILL_RECORDINGS");
  return dir ? std::string(dir) : std::string();
}

std::wstring RecordingsDir() {
  std::wstring dir = HostPathToWindows(RecordingsDirUnix());
  if (!dir.empty() && dir.back() != L'\\') dir += L'\\';
  return dir;
}

TempDir::TempDir() {
  wchar_t base[MAX_PATH];
  DWORD n = GetTempPathW(MAX_PATH, base);
  if (n == 0 || n >= MAX_PATH) return;
  static LONG counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    wchar_t name[MAX_PATH];
    swprintf(name, MAX_PATH, L"%lsquill_%lu_%ld\\", base, GetCurrentProcessId(),
             InterlockedIncrement(&counter));
    if (CreateDirectoryW(name, nullptr)) {
      path_ = name;
      return;
    }
  }
}

TempDir::~TempDir() {
  if (path_.empty()) return;
  // SHFileOperation wants a double-terminated list and no trailing backslash.
  std::wstring from = path_.substr(0, path_.size() - 1);
  from.push_back(L'\0');
  SHFILEOPSTRUCTW op = {};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
  SHFileOperationW(&op);
}

void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      RemoveTree(folder + L"\\" + name);
    } else {
      DeleteFileW((folder + L"\\" + name).c_str());
    }
  } while (FindNextFileW(find, &data));
  FindClose(find);
  RemoveDirectoryW(folder.c_str());
}

bool RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string ReadHostFile(const std::string& unixPath) {
  FILE* f = _wfopen(HostPathToWindows(unixPath).c_str(), L"rb");
  if (!f) return std::string();
  std::string data;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
  fclose(f);
  return data;
}

std::vector<TableRow> ReadHostTable(const std::string& unixPath) {
  std::istringstream in(ReadHostFile(unixPath));
  std::vector<TableRow> rows;
  std::vector<std::string> titles;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> cells;
    std::istringstream cellsIn(line);
    std::string cell;
    while (std::getline(cellsIn, cell, '\t')) cells.push_back(cell);
    if (titles.empty()) {
      titles = cells;
      continue;
    }
    TableRow row;
    for (size_t i = 0; i < titles.size() && i < cells.size(); ++i) row[titles[i]] = cells[i];
    rows.push_back(row);
  }
  return rows;
}

}  // namespace quill::test
