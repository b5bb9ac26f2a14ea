// The web messages' flat JSON object: writing with escapes, reading with a bounded state machine.
#include "tavrin/driveviews/map_json.h"

#include "tavrin/driveviews/map_script_text.h"

namespace driveviews {

void CJsonHolder::Set(const std::wstring& key, const std::wstring& value, const std::wstring& separator) {
  members_[key] = {value, separator};
}

bool CJsonHolder::Get(const std::wstring& key, std::wstring* value) const {
  auto it = members_.find(key);
  if (it == members_.end()) return false;
  *value = it->second.first;
  return true;
}

std::wstring CJsonHolder::ToString() const {
  std::wstring out = L"{";
  for (const auto& [key, entry] : members_) {
    out += JsonQuote(key);
    out += L':';
    out += JsonQuote(entry.first);
    out += entry.second;
  }
  out += L'}';
  return out;
}

namespace {

// States of the reader.
enum ParseState {
  kOutside = 0,     // before the object or after its end
  kInObject = 1,    // between members
  kInKey = 2,       // inside the key's quotes
  kAfterKey = 3,    // key closed, before the colon
  kBeforeValue = 4, // after the colon
  kInValue = 5,     // inside the value's quotes
  kAfterValue = 6,  // value closed, before ',' or '}'
};

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// Decodes the escape at text[*i] (the character after the backslash) and advances past it.
wchar_t DecodeEscape(std::wstring_view text, size_t* i) {
  wchar_t c = text[*i];
  ++*i;
  switch (c) {
    case L'b': return L'\b';
    case L'f': return L'\f';
    case L'n': return L'\n';
    case L'r': return L'\r';
    case L't': return L'\t';
    case L'u': {
      if (text.size() - *i < 4) return L'u';
      unsigned code = 0;
      for (size_t k = 0; k < 4; ++k) {
        int d = HexDigit(text[*i + k]);
        if (d < 0) return L'u';
        code = code * 16 + static_cast<unsigned>(d);
      }
      *i += 4;
      return static_cast<wchar_t>(code);
    }
    default:
      return c;  // '"', '\\', '/' and anything unknown stand for themselves
  }
}

void Append(std::wstring* s, wchar_t c) {
  if (s->size() < kMaxJsonString) s->push_back(c);
}

}  // namespace

bool CJsonHolder::Parse(std::wstring_view text) {
  if (text.size() > kMaxJsonText) return false;
  int state = kOutside;
  std::wstring key, value;
  size_t added = 0;
  auto store = [&](const wchar_t* separator) {
    if (added < kMaxJsonMembers) {
      Set(key, value, separator);
      ++added;
    }
    key.clear();
    value.clear();
  };
  size_t i = 0;
  while (i < text.size()) {
    wchar_t c = text[i++];
    bool quoted = state == kInKey || state == kInValue;
    if (quoted && c == L'\\' && i < text.size()) {
      Append(state == kInKey ? &key : &value, DecodeEscape(text, &i));
      continue;
    }
    switch (c) {
      case L'{':
        state = kInObject;
        key.clear();
        value.clear();
        break;
      case L'"':
        if (state == kInObject) state = kInKey;
        else if (state == kInKey) state = kAfterKey;
        else if (state == kBeforeValue) state = kInValue;
        else if (state == kInValue) state = kAfterValue;
        break;
      case L':':
        if (state == kAfterKey) state = kBeforeValue;
        break;
      case L',':
        if (state == kAfterValue) {
          store(L",");
          state = kInObject;
        }
        break;
      case L'}':
        if (state == kInObject) {
          state = kOutside;
        } else if (state == kAfterValue) {
          store(L"");
          state = kOutside;
        }
        break;
      default:
        if (state == kInKey) Append(&key, c);
        else if (state == kInValue) Append(&value, c);
        break;
    }
  }
  return true;
}

}  // namespace driveviews
