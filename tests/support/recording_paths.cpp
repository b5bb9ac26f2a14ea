#include "tests/support/recording_paths.h"

#include <cstdlib>

namespace quill::test {

std::wstring RecordingPath(const std::string& relative) {
  std::wstring path = RecordingsDir();
  for (char c : relative) path += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
  return path;
}

double NumberOf(const TableRow& row, const char* column) {
  auto it = row.find(column);
  return it == row.end() ? 0.0 : std::strtod(it->second.c_str(), nullptr);
}

long long IntOf(const TableRow& row, const char* column) {
  auto it = row.find(column);
  return it == row.end() ? 0 : std::strtoll(it->second.c_str(), nullptr, 10);
}

}  // namespace quill::test
