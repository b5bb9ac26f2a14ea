// Text that the program puts into the map page: script statements and JSON messages. Every value is
// written so that it arrives in the page as the same value and never as code: numbers in the C locale
// (never "nan" or a comma), texts as JSON string literals with every character that could end the
// literal, the statement or the surrounding script element escaped.
#pragma once

#include <string>
#include <string_view>

namespace driveviews {

// A JSON string literal, quotes included, that is also a JavaScript string literal: '"', '\\', control
// characters, '<', '>', '&', '\'' and every character outside printable ASCII (line and paragraph
// separators, non-ASCII, lone surrogates) are written as escapes, so the literal is plain ASCII.
std::wstring JsonQuote(std::wstring_view text);

// A number as the page reads it: fixed with six decimals ("%f") in the C locale whatever the user's
// locale; a value that is not finite (which would become code such as "nan" or "inf") gives "0".
std::wstring ScriptNumber(double value);

// Builds one call statement, "name(arg,arg,...)", with every argument written as above.
class ScriptCall {
 public:
  explicit ScriptCall(std::wstring_view function);
  ScriptCall& Int(long long value);
  ScriptCall& Number(double value);
  std::wstring Statement() const;

 private:
  void Separate();
  std::wstring text_;
  bool first_ = true;
};

}  // namespace driveviews
