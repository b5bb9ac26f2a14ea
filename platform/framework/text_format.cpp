// The framework's printf-style formatter with the Windows conventions (see cstring.h). Integers and texts
// are formatted here; floating point is handed to snprintf with a rebuilt, unambiguous conversion.
#include <cstdio>
#include <cstdint>
#include <string>

#include "platform/framework/cstring.h"

namespace {

enum class Size { kDefault, kShort, kChar, kLong, kLongLong, kPtr };

struct Spec {
  bool left = false, plus = false, space = false, zero = false, alt = false;
  int width = 0;
  int precision = -1;  // -1: none given
  Size size = Size::kDefault;
  bool narrowText = false;  // %S, %hs
  wchar_t conv = 0;
};

// Reads the flags, width, precision and size prefix after '%'; returns the position of the conversion.
const wchar_t* ParseSpec(const wchar_t* p, va_list* ap, Spec& s) {
  for (;; ++p) {
    if (*p == L'-') s.left = true;
    else if (*p == L'+') s.plus = true;
    else if (*p == L' ') s.space = true;
    else if (*p == L'0') s.zero = true;
    else if (*p == L'#') s.alt = true;
    else break;
  }
  if (*p == L'*') {
    s.width = va_arg(*ap, int);
    if (s.width < 0) { s.left = true; s.width = -s.width; }
    ++p;
  } else {
    while (*p >= L'0' && *p <= L'9') s.width = s.width * 10 + (*p++ - L'0');
  }
  if (*p == L'.') {
    ++p;
    s.precision = 0;
    if (*p == L'*') {
      s.precision = va_arg(*ap, int);
      if (s.precision < 0) s.precision = -1;
      ++p;
    } else {
      while (*p >= L'0' && *p <= L'9') s.precision = s.precision * 10 + (*p++ - L'0');
    }
  }
  if (p[0] == L'I' && p[1] == L'6' && p[2] == L'4') { s.size = Size::kLongLong; p += 3; }
  else if (p[0] == L'I' && p[1] == L'3' && p[2] == L'2') { s.size = Size::kLong; p += 3; }
  else if (p[0] == L'I') { s.size = Size::kPtr; p += 1; }
  else if (p[0] == L'l' && p[1] == L'l') { s.size = Size::kLongLong; p += 2; }
  else if (p[0] == L'h' && p[1] == L'h') { s.size = Size::kChar; p += 2; }
  else if (p[0] == L'h') { s.size = Size::kShort; s.narrowText = true; p += 1; }
  else if (p[0] == L'l' || p[0] == L'w') { s.size = Size::kLong; p += 1; }
  else if (p[0] == L'z' || p[0] == L't') { s.size = Size::kPtr; p += 1; }
  else if (p[0] == L'j' || p[0] == L'q') { s.size = Size::kLongLong; p += 1; }
  else if (p[0] == L'L') { p += 1; }
  s.conv = *p;
  if (s.conv == L'S' || s.conv == L'C') s.narrowText = true;
  if (s.size == Size::kLong && (s.conv == L's' || s.conv == L'c')) s.narrowText = false;
  return p;
}

void Pad(std::wstring& out, const std::wstring& body, const Spec& s, size_t signLength = 0) {
  size_t width = s.width > 0 ? static_cast<size_t>(s.width) : 0;
  if (body.size() >= width) { out += body; return; }
  size_t fill = width - body.size();
  if (s.left) {
    out += body;
    out.append(fill, L' ');
  } else if (s.zero) {
    out.append(body, 0, signLength);
    out.append(fill, L'0');
    out.append(body, signLength, std::wstring::npos);
  } else {
    out.append(fill, L' ');
    out += body;
  }
}

void FormatInteger(std::wstring& out, const Spec& s, va_list* ap) {
  bool isSigned = (s.conv == L'd' || s.conv == L'i');
  uint64_t magnitude = 0;
  bool negative = false;
  if (s.size == Size::kLongLong) {
    uint64_t v = va_arg(*ap, uint64_t);
    negative = isSigned && static_cast<int64_t>(v) < 0;
    magnitude = negative ? (~v + 1) : v;
  } else {
    uint32_t v = va_arg(*ap, uint32_t);  // int, long and pointer-sized are 32 bits here
    if (s.size == Size::kShort) v = isSigned ? static_cast<uint32_t>(static_cast<int16_t>(v)) : (v & 0xFFFFu);
    if (s.size == Size::kChar) v = isSigned ? static_cast<uint32_t>(static_cast<int8_t>(v)) : (v & 0xFFu);
    int64_t sv = static_cast<int32_t>(v);
    negative = isSigned && sv < 0;
    magnitude = negative ? static_cast<uint64_t>(-sv) : v;
  }
  unsigned base = (s.conv == L'x' || s.conv == L'X' || s.conv == L'p') ? 16 : (s.conv == L'o' ? 8 : 10);
  const wchar_t* digits = (s.conv == L'X' || s.conv == L'p') ? L"0123456789ABCDEF" : L"0123456789abcdef";
  std::wstring num;
  for (uint64_t m = magnitude; m != 0; m /= base) num.insert(num.begin(), digits[m % base]);
  int precision = s.conv == L'p' ? 8 : s.precision;
  if (precision < 0) precision = 1;
  while (num.size() < static_cast<size_t>(precision)) num.insert(num.begin(), L'0');
  std::wstring prefix;
  if (negative) prefix = L"-";
  else if (isSigned && s.plus) prefix = L"+";
  else if (isSigned && s.space) prefix = L" ";
  if (s.alt && magnitude != 0 && base == 16 && s.conv != L'p') prefix += (s.conv == L'X' ? L"0X" : L"0x");
  if (s.alt && base == 8 && (num.empty() || num[0] != L'0')) num.insert(num.begin(), L'0');
  Spec padSpec = s;
  if (s.precision >= 0) padSpec.zero = false;  // as printf: a precision turns off zero padding
  Pad(out, prefix + num, padSpec, prefix.size());
}

void FormatText(std::wstring& out, const Spec& s, va_list* ap) {
  std::wstring text;
  if (s.conv == L'c' || s.conv == L'C') {
    int ch = va_arg(*ap, int);
    if (s.narrowText) {
      char c = static_cast<char>(ch);
      text = quill::framework::AnsiToWide(&c, 1);
    } else {
      text.assign(1, static_cast<wchar_t>(ch));
    }
  } else if (s.narrowText) {
    const char* p = va_arg(*ap, const char*);
    text = p ? quill::framework::AnsiToWide(p) : std::wstring(L"(null)");
  } else {
    const wchar_t* p = va_arg(*ap, const wchar_t*);
    text = p ? std::wstring(p) : std::wstring(L"(null)");
  }
  if ((s.conv == L's' || s.conv == L'S') && s.precision >= 0 && text.size() > static_cast<size_t>(s.precision)) {
    text.resize(static_cast<size_t>(s.precision));
  }
  Spec padSpec = s;
  padSpec.zero = false;
  Pad(out, text, padSpec);
}

void FormatFloat(std::wstring& out, const Spec& s, va_list* ap) {
  double v = va_arg(*ap, double);
  char spec[16];
  char* q = spec;
  *q++ = '%';
  if (s.left) *q++ = '-';
  if (s.plus) *q++ = '+';
  if (s.space) *q++ = ' ';
  if (s.zero) *q++ = '0';
  if (s.alt) *q++ = '#';
  *q++ = '*';
  *q++ = '.';
  *q++ = '*';
  *q++ = static_cast<char>(s.conv);
  *q = '\0';
  char buffer[512];
  int n = std::snprintf(buffer, sizeof buffer, spec, s.width, s.precision < 0 ? 6 : s.precision, v);
  if (n < 0) return;
  for (const char* c = buffer; *c; ++c) out += static_cast<wchar_t>(static_cast<unsigned char>(*c));
}

}  // namespace

namespace quill::framework {

void AppendFormatV(std::wstring& out, const wchar_t* format, va_list args) {
  if (!format) return;
  va_list ap;
  va_copy(ap, args);
  for (const wchar_t* p = format; *p; ++p) {
    if (*p != L'%') { out += *p; continue; }
    if (p[1] == L'%') { out += L'%'; ++p; continue; }
    if (p[1] == L'\0') { out += L'%'; break; }
    Spec s;
    p = ParseSpec(p + 1, &ap, s);
    switch (s.conv) {
      case L'd': case L'i': case L'u': case L'x': case L'X': case L'o': case L'p':
        FormatInteger(out, s, &ap);
        break;
      case L's': case L'S': case L'c': case L'C':
        FormatText(out, s, &ap);
        break;
      case L'f': case L'F': case L'e': case L'E': case L'g': case L'G':
        FormatFloat(out, s, &ap);
        break;
      case L'\0':
        va_end(ap);
        return;  // a format cut off inside a conversion ends the text
      default:
        out += s.conv;  // unknown conversions are copied, consuming no argument
        break;
    }
  }
  va_end(ap);
}

}  // namespace quill::framework
