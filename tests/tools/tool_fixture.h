// What the tool tests share: the generated card scanned into a recording list, fingerprints of files (a
// tool must never change a recording; every tool test program checks the generated ones at its end),
// and a recording message box.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tavrin/app/tools/tool_callbacks.h"
#include "tavrin/browser/recording_pair.h"

namespace quill::test {

RecordingList ScanCard(const std::wstring& folder);                          // in scan order
std::map<std::wstring, uint64_t> FingerprintTree(const std::wstring& folder);  // path -> hash, recursive
std::string ReadBytes(const std::wstring& path);                             // empty when unreadable
std::vector<std::wstring> FilesIn(const std::wstring& folder);               // file names, sorted

// Every message box a tool showed, and the answers its questions get (in order; OK once they run out).
struct MessageLog {
  struct Shown {
    std::wstring text, caption;
    unsigned type;
  };
  std::vector<Shown> shown;
  std::vector<int> answers;
  ToolCallbacks Callbacks();
  size_t Questions() const;
};

}  // namespace quill::test
