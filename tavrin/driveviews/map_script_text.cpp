// Writing values into script statements and JSON messages for the map page.
#include "tavrin/driveviews/map_script_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace driveviews {

namespace {

void AppendUnicodeEscape(std::wstring* out, unsigned code) {
  wchar_t buf[8];
  swprintf(buf, 8, L"\\u%04x", code & 0xFFFFu);
  out->append(buf);
}

}  // namespace

std::wstring JsonQuote(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size() + 2);
  out.push_back(L'"');
  for (wchar_t c : text) {
    switch (c) {
      case L'"': out.append(L"\\\""); break;
      case L'\\': out.append(L"\\\\"); break;
      case L'\n': out.append(L"\\n"); break;
      case L'\r': out.append(L"\\r"); break;
      case L'\t': out.append(L"\\t"); break;
      case L'<':
      case L'>':
      case L'&':
      case L'\'':
        AppendUnicodeEscape(&out, static_cast<unsigned>(c));
        break;
      default:
        if (c < 0x20 || c > 0x7E) {
          AppendUnicodeEscape(&out, static_cast<unsigned>(c));
        } else {
          out.push_back(c);
        }
    }
  }
  out.push_back(L'"');
  return out;
}

std::wstring ScriptNumber(double value) {
  if (!std::isfinite(value)) return L"0";
  // 1e308 with six decimals needs 316 characters.
  char buf[400];
  auto result = std::to_chars(buf, buf + sizeof(buf), value, std::chars_format::fixed, 6);
  if (result.ec != std::errc()) return L"0";
  return std::wstring(buf, result.ptr);
}

ScriptCall::ScriptCall(std::wstring_view function) : text_(function) { text_.push_back(L'('); }

void ScriptCall::Separate() {
  if (!first_) text_.push_back(L',');
  first_ = false;
}

ScriptCall& ScriptCall::Int(long long value) {
  Separate();
  text_.append(std::to_wstring(value));
  return *this;
}

ScriptCall& ScriptCall::Number(double value) {
  Separate();
  text_.append(ScriptNumber(value));
  return *this;
}

std::wstring ScriptCall::Statement() const { return text_ + L")"; }

}  // namespace driveviews
