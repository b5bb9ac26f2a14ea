// The generated test recordings by their manifest path, and the manifest's numeric columns.
#pragma once

#include <string>

#include "tests/support/test_env.h"

namespace quill::test {

// The Windows path of a recording named by its manifest path ("card/20240315_001/001_093000A_M.MP4").
std::wstring RecordingPath(const std::string& relative);

// A manifest column read as a number (0 when absent or not a number).
double NumberOf(const TableRow& row, const char* column);
long long IntOf(const TableRow& row, const char* column);

}  // namespace quill::test
