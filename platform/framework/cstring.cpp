// CString, CStringA and CStringArray: text operations and the ANSI code page conversions.
#include "platform/framework/cstring.h"

#include <cwctype>

namespace quill::framework {

std::wstring AnsiToWide(const char* s, int length) {
  if (!s || length == 0) return std::wstring();
  int need = MultiByteToWideChar(CP_ACP, 0, s, length, nullptr, 0);
  if (need <= 0) return std::wstring();
  std::wstring out(static_cast<size_t>(need), L'\0');
  MultiByteToWideChar(CP_ACP, 0, s, length, &out[0], need);
  if (length < 0 && !out.empty() && out.back() == L'\0') out.pop_back();  // counted the terminator
  return out;
}

std::string WideToAnsi(const wchar_t* s, int length) {
  if (!s || length == 0) return std::string();
  int need = WideCharToMultiByte(CP_ACP, 0, s, length, nullptr, 0, nullptr, nullptr);
  if (need <= 0) return std::string();
  std::string out(static_cast<size_t>(need), '\0');
  WideCharToMultiByte(CP_ACP, 0, s, length, &out[0], need, nullptr, nullptr);
  if (length < 0 && !out.empty() && out.back() == '\0') out.pop_back();
  return out;
}

}  // namespace quill::framework

using quill::framework::AnsiToWide;
using quill::framework::WideToAnsi;

namespace {

// Clamps a (first, count) request to the text, as the callers expect of Mid/Left/Right: out-of-range
// arguments give a shorter or empty text, never a fault.
void ClampRange(int size, int& first, int& count) {
  if (first < 0) first = 0;
  if (first > size) first = size;
  if (count < 0) count = 0;
  if (count > size - first) count = size - first;
}

}  // namespace

CString::CString(const wchar_t* s, int length) {
  if (s && length > 0) s_.assign(s, static_cast<size_t>(length));
}

CString::CString(wchar_t ch, int repeat) {
  if (repeat > 0) s_.assign(static_cast<size_t>(repeat), ch);
}

CString::CString(const char* ansi) : s_(AnsiToWide(ansi)) {}

CString::CString(const CStringA& ansi) : s_(AnsiToWide(ansi.GetString(), ansi.GetLength())) {}

wchar_t CString::GetAt(int i) const {
  return (i >= 0 && i < GetLength()) ? s_[static_cast<size_t>(i)] : L'\0';
}

void CString::SetAt(int i, wchar_t ch) {
  if (i >= 0 && i < GetLength()) s_[static_cast<size_t>(i)] = ch;
}

int CString::Compare(const wchar_t* s) const { return s_.compare(s ? s : L""); }

int CString::CompareNoCase(const wchar_t* s) const {
  int r = CompareStringOrdinal(s_.c_str(), GetLength(), s ? s : L"", -1, TRUE);
  return r == 0 ? Compare(s) : r - CSTR_EQUAL;
}

CString CString::Left(int count) const { return Mid(0, count); }

CString CString::Right(int count) const {
  if (count < 0) count = 0;
  if (count > GetLength()) count = GetLength();
  return Mid(GetLength() - count, count);
}

CString CString::Mid(int first) const { return Mid(first, GetLength()); }

CString CString::Mid(int first, int count) const {
  ClampRange(GetLength(), first, count);
  return CString(s_.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

int CString::Find(wchar_t ch, int start) const {
  if (start < 0 || start >= GetLength()) return -1;
  size_t p = s_.find(ch, static_cast<size_t>(start));
  return p == std::wstring::npos ? -1 : static_cast<int>(p);
}

int CString::Find(const wchar_t* sub, int start) const {
  if (!sub || start < 0 || start > GetLength()) return -1;
  size_t p = s_.find(sub, static_cast<size_t>(start));
  return p == std::wstring::npos ? -1 : static_cast<int>(p);
}

int CString::ReverseFind(wchar_t ch) const {
  size_t p = s_.rfind(ch);
  return p == std::wstring::npos ? -1 : static_cast<int>(p);
}

int CString::Remove(wchar_t ch) {
  size_t before = s_.size();
  std::wstring kept;
  kept.reserve(before);
  for (wchar_t c : s_) {
    if (c != ch) kept += c;
  }
  s_.swap(kept);
  return static_cast<int>(before - s_.size());
}

int CString::Replace(const wchar_t* from, const wchar_t* to) {
  if (!from || !*from) return 0;
  std::wstring f(from), t(to ? to : L"");
  int count = 0;
  for (size_t p = s_.find(f); p != std::wstring::npos; p = s_.find(f, p + t.size())) {
    s_.replace(p, f.size(), t);
    ++count;
  }
  return count;
}

int CString::Insert(int index, const wchar_t* s) {
  if (index < 0) index = 0;
  if (index > GetLength()) index = GetLength();
  if (s) s_.insert(static_cast<size_t>(index), s);
  return GetLength();
}

int CString::Delete(int index, int count) {
  ClampRange(GetLength(), index, count);
  s_.erase(static_cast<size_t>(index), static_cast<size_t>(count));
  return GetLength();
}

CString& CString::TrimLeft() {
  size_t i = 0;
  while (i < s_.size() && std::iswspace(s_[i])) ++i;
  s_.erase(0, i);
  return *this;
}

CString& CString::TrimRight() {
  while (!s_.empty() && std::iswspace(s_.back())) s_.pop_back();
  return *this;
}

CString& CString::TrimRight(wchar_t ch) {
  while (!s_.empty() && s_.back() == ch) s_.pop_back();
  return *this;
}

CString& CString::Trim() { return TrimRight().TrimLeft(); }

void CString::MakeUpper() {
  if (!s_.empty()) CharUpperBuffW(&s_[0], static_cast<DWORD>(s_.size()));
}

void CString::MakeLower() {
  if (!s_.empty()) CharLowerBuffW(&s_[0], static_cast<DWORD>(s_.size()));
}

wchar_t* CString::GetBuffer(int minLength) {
  if (minLength > GetLength()) s_.resize(static_cast<size_t>(minLength));
  return &s_[0];  // std::wstring keeps a terminator after size()
}

wchar_t* CString::GetBufferSetLength(int length) {
  s_.resize(static_cast<size_t>(length < 0 ? 0 : length));
  return &s_[0];
}

void CString::ReleaseBuffer(int newLength) {
  if (newLength < 0) {
    size_t n = 0;
    while (n < s_.size() && s_[n] != L'\0') ++n;
    s_.resize(n);
  } else if (static_cast<size_t>(newLength) <= s_.size()) {
    s_.resize(static_cast<size_t>(newLength));
  }
}

void CString::FormatRaw(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  FormatV(format, args);
  va_end(args);
}

void CString::FormatV(const wchar_t* format, va_list args) {
  std::wstring out;
  quill::framework::AppendFormatV(out, format, args);
  s_.swap(out);
}

void CString::AppendFormatRaw(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  quill::framework::AppendFormatV(s_, format, args);
  va_end(args);
}

CStringA::CStringA(const char* s, int length) {
  if (s && length > 0) s_.assign(s, static_cast<size_t>(length));
}

CStringA::CStringA(const wchar_t* wide) : s_(WideToAnsi(wide)) {}

void CStringArray::RemoveAt(int i, int count) {
  if (i < 0 || count <= 0 || i >= GetSize()) return;
  int end = (count > GetSize() - i) ? GetSize() : i + count;
  items_.erase(items_.begin() + i, items_.begin() + end);
}
