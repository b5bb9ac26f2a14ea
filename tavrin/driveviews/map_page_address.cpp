// The map dialog's own-page decisions.
#include "tavrin/driveviews/map_page_address.h"

#include <windows.h>

#include <string>

namespace driveviews {

namespace {

int HexValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// Separators as the file system writes them.
std::wstring Backslashed(std::wstring text) {
  for (wchar_t& c : text) {
    if (c == L'/') c = L'\\';
  }
  return text;
}

bool EqualNoCase(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() &&
         CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
             CSTR_EQUAL;
}

constexpr wchar_t kResScheme[] = L"res://";
constexpr size_t kResSchemeLength = 6;

}  // namespace

std::wstring UnescapeUrlText(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] != L'%') {
      out.push_back(text[i++]);
      continue;
    }
    // A run of escapes is one UTF-8 sequence (or several).
    std::string bytes;
    size_t j = i;
    while (j + 2 < text.size() && text[j] == L'%' && HexValue(text[j + 1]) >= 0 && HexValue(text[j + 2]) >= 0) {
      bytes.push_back(static_cast<char>(HexValue(text[j + 1]) * 16 + HexValue(text[j + 2])));
      j += 3;
    }
    if (bytes.empty()) {
      out.push_back(text[i++]);
      continue;
    }
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                                      nullptr, 0);
    if (n <= 0) {
      out.append(text, i, j - i);  // not UTF-8: left as it came
    } else {
      std::wstring decoded(static_cast<size_t>(n), L'\0');
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), &decoded[0], n);
      out += decoded;
    }
    i = j;
  }
  return out;
}

bool IsOwnMapPage(const std::wstring& url, const std::wstring& programPath) {
  if (programPath.empty() || url.size() <= kResSchemeLength) return false;
  if (!EqualNoCase(url.substr(0, kResSchemeLength), kResScheme)) return false;
  const std::wstring rest = UnescapeUrlText(url.substr(kResSchemeLength));
  const std::wstring program = Backslashed(programPath);
  // The path, then the '/' before the resource name ('\' once the separators are turned).
  if (rest.size() <= program.size()) return false;
  if (rest[program.size()] != L'/' && rest[program.size()] != L'\\') return false;
  return EqualNoCase(Backslashed(rest.substr(0, program.size())), program);
}

bool AllowMapNavigation(const std::wstring& url, const std::wstring& programPath) {
  return url == L"about:blank" || IsOwnMapPage(url, programPath);
}

bool GivesMapExternal(const std::wstring& url, const std::wstring& programPath) {
  return IsOwnMapPage(url, programPath);
}

}  // namespace driveviews
