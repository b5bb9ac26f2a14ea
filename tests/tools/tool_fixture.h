// What the tool tests share: the generated card scanned into a recording list, fingerprints of the
// input files (a tool must never change a recording), and a recording message box.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tavrin/app/tool_callbacks.h"
#include "tavrin/browser/recording_pair.h"

namespace quill::test {

// The recordings of the generated card (the source the tools work on), in scan order.
RecordingList ScanCard(const std::wstring& folder);

// A 64-bit fingerprint of every file below `folder` (path -> hash), to compare before and after a tool.
std::map<std::wstring, uint64_t> FingerprintTree(const std::wstring& folder);

// A whole file's bytes; empty when it cannot be read.
std::string ReadBytes(const std::wstring& path);

// Every message box a tool showed, and the answers its questions get (in order; OK once they run out).
struct MessageLog {
  struct Shown {
    std::wstring text;
    std::wstring caption;
    unsigned type;
  };
  std::vector<Shown> shown;
  std::vector<int> answers;
  ToolCallbacks Callbacks();
  size_t Questions() const;
};

// The files (not folders) directly in `folder`.
std::vector<std::wstring> FilesIn(const std::wstring& folder);

}  // namespace quill::test
