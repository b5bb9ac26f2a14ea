// Wide and narrow text values (CString, CStringA) and a growable array of texts (CStringArray).
// Narrow text is in the system ANSI code page (932 on Japanese Windows); conversions go through it.
// Format follows the Windows printf conventions of the program: in a wide format %s is a wide text and
// %S (or %hs) a narrow one; %d %i %u %x %X %o %c %p %e %f %g, widths and precisions (also *),
// the flags - + 0 space #, and the size prefixes h, l, ll, I64, I32, I, z, j, t. It is the framework's
// own formatter, so it does not depend on which printf family the C runtime links. CString arguments
// may be passed as they are; other objects do not compile.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <string>
#include <type_traits>
#include <vector>

class CString;
class CStringA;

namespace quill::framework {
// What each Format argument is handed on as: a CString as its text pointer (an object would arrive
// as garbage through the C argument list), anything else unchanged if it can travel there at all.
const wchar_t* FormatArg(const CString& s);
const char* FormatArg(const CStringA& s);
template <typename T>
const T& FormatArg(const T& value) {
  static_assert(std::is_trivially_copyable<T>::value,
                "Format arguments must be numbers, pointers or CStrings");
  return value;
}
}  // namespace quill::framework

class CString {
 public:
  CString() = default;
  CString(const wchar_t* s) : s_(s ? s : L"") {}
  CString(const wchar_t* s, int length);
  CString(wchar_t ch, int repeat = 1);
  explicit CString(const char* ansi);  // from the ANSI code page
  CString(const CStringA& ansi);
  CString(const std::wstring& s) : s_(s) {}

  int GetLength() const { return static_cast<int>(s_.size()); }
  bool IsEmpty() const { return s_.empty(); }
  void Empty() { s_.clear(); }
  operator const wchar_t*() const { return s_.c_str(); }
  const wchar_t* GetString() const { return s_.c_str(); }
  const std::wstring& str() const { return s_; }

  wchar_t GetAt(int i) const;
  wchar_t operator[](int i) const { return GetAt(i); }
  void SetAt(int i, wchar_t ch);

  CString& operator=(const wchar_t* s) { s_ = s ? s : L""; return *this; }
  CString& operator+=(const CString& s) { s_ += s.s_; return *this; }
  CString& operator+=(const wchar_t* s) { if (s) s_ += s; return *this; }
  CString& operator+=(wchar_t ch) { s_ += ch; return *this; }
  friend CString operator+(const CString& a, const CString& b) { return CString(a.s_ + b.s_); }
  friend CString operator+(const CString& a, const wchar_t* b) { CString r(a); r += b; return r; }
  friend CString operator+(const wchar_t* a, const CString& b) { CString r(a); r += b; return r; }
  friend CString operator+(const CString& a, wchar_t b) { CString r(a); r += b; return r; }

  int Compare(const wchar_t* s) const;        // ordinal: <0, 0, >0
  int CompareNoCase(const wchar_t* s) const;  // ordinal, ignoring case
  friend bool operator==(const CString& a, const CString& b) { return a.s_ == b.s_; }
  friend bool operator==(const CString& a, const wchar_t* b) { return a.Compare(b) == 0; }
  friend bool operator==(const wchar_t* a, const CString& b) { return b.Compare(a) == 0; }
  friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
  friend bool operator!=(const CString& a, const wchar_t* b) { return !(a == b); }
  friend bool operator!=(const wchar_t* a, const CString& b) { return !(b == a); }
  friend bool operator<(const CString& a, const CString& b) { return a.s_ < b.s_; }

  CString Left(int count) const;
  CString Right(int count) const;
  CString Mid(int first) const;
  CString Mid(int first, int count) const;
  int Find(wchar_t ch, int start = 0) const;
  int Find(const wchar_t* sub, int start = 0) const;
  int ReverseFind(wchar_t ch) const;
  int Remove(wchar_t ch);  // returns the count removed
  int Replace(const wchar_t* from, const wchar_t* to);
  int Insert(int index, const wchar_t* s);
  int Delete(int index, int count = 1);
  CString& TrimLeft();
  CString& TrimRight();
  CString& Trim();
  CString& TrimRight(wchar_t ch);
  void MakeUpper();
  void MakeLower();

  // A writable buffer of at least minLength characters (plus the terminator); ReleaseBuffer(-1) takes
  // the text up to the first terminator, ReleaseBuffer(n) keeps n characters.
  wchar_t* GetBuffer(int minLength = 0);
  wchar_t* GetBufferSetLength(int length);
  void ReleaseBuffer(int newLength = -1);

  template <typename... Args>
  void Format(const wchar_t* format, const Args&... args) {
    FormatRaw(format, quill::framework::FormatArg(args)...);
  }
  template <typename... Args>
  void AppendFormat(const wchar_t* format, const Args&... args) {
    AppendFormatRaw(format, quill::framework::FormatArg(args)...);
  }
  void FormatV(const wchar_t* format, va_list args);

 private:
  void FormatRaw(const wchar_t* format, ...);
  void AppendFormatRaw(const wchar_t* format, ...);
  std::wstring s_;
};

class CStringA {
 public:
  CStringA() = default;
  CStringA(const char* s) : s_(s ? s : "") {}
  CStringA(const char* s, int length);
  explicit CStringA(const wchar_t* wide);  // to the ANSI code page
  CStringA(const CString& wide) : CStringA(wide.GetString()) {}

  int GetLength() const { return static_cast<int>(s_.size()); }
  bool IsEmpty() const { return s_.empty(); }
  void Empty() { s_.clear(); }
  operator const char*() const { return s_.c_str(); }
  const char* GetString() const { return s_.c_str(); }
  const std::string& str() const { return s_; }
  CStringA& operator+=(const char* s) { if (s) s_ += s; return *this; }
  friend bool operator==(const CStringA& a, const CStringA& b) { return a.s_ == b.s_; }
  friend bool operator==(const CStringA& a, const char* b) { return a.s_ == (b ? b : ""); }
  friend bool operator!=(const CStringA& a, const char* b) { return !(a == b); }

 private:
  std::string s_;
};

class CStringArray {
 public:
  int GetSize() const { return static_cast<int>(items_.size()); }
  int GetCount() const { return GetSize(); }
  bool IsEmpty() const { return items_.empty(); }
  int Add(const CString& s) { items_.push_back(s); return GetSize() - 1; }
  const CString& GetAt(int i) const { return items_.at(static_cast<size_t>(i)); }
  CString& ElementAt(int i) { return items_.at(static_cast<size_t>(i)); }
  const CString& operator[](int i) const { return GetAt(i); }
  CString& operator[](int i) { return ElementAt(i); }
  void SetAt(int i, const CString& s) { ElementAt(i) = s; }
  void RemoveAt(int i, int count = 1);
  void RemoveAll() { items_.clear(); }

 private:
  std::vector<CString> items_;
};

namespace quill::framework {

inline const wchar_t* FormatArg(const CString& s) { return s.GetString(); }
inline const char* FormatArg(const CStringA& s) { return s.GetString(); }

// The formatter behind CString::Format, with the Windows conventions above. Appends to out.
void AppendFormatV(std::wstring& out, const wchar_t* format, va_list args);

// ANSI code page conversions (CP_ACP); invalid input gives the system's replacement characters.
std::wstring AnsiToWide(const char* s, int length = -1);
std::string WideToAnsi(const wchar_t* s, int length = -1);

}  // namespace quill::framework
