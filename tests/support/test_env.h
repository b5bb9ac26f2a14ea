// Where the tests find their inputs, and what they run on.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace quill::test {

// A Unix path of the host turned into the path Wine shows for it (drive Z: is the host's root).
std::wstring HostPathToWindows(const std::string& unixPath);

// The folder of the generated test recordings (QUILL_RECORDINGS), as a Windows path with a trailing
// backslash; empty when the test was started without it.
std::wstring RecordingsDir();

// The same folder as a Unix path, for reading the generator's manifest; empty when unset.
std::string RecordingsDirUnix();

// A fresh empty folder for one test's output, removed by the caller's TempDir destructor.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::wstring& path() const { return path_; }  // with a trailing backslash
 private:
  std::wstring path_;
};

// True when the test runs under Wine (checked through ntdll's wine_get_version export).
bool RunningUnderWine();

// Deletes a folder and everything below it, file by file (much faster under Wine than a shell delete
// of a large tree).
void RemoveTree(const std::wstring& folder);

// Reads a whole host file; empty when it cannot be read.
std::string ReadHostFile(const std::string& unixPath);

// A tab-separated table with a title line (the generator's manifests), one row per line keyed by
// column title; empty when the file cannot be read.
using TableRow = std::map<std::string, std::string>;
std::vector<TableRow> ReadHostTable(const std::string& unixPath);

}  // namespace quill::test
