// The flat JSON object of the WebView2 map's web messages: string members only, kept in key order.
//
// ToString writes the object the page reads (keys and values as escaped string literals, see
// map_script_text.h). Parse reads a message from the page with a small character state machine:
// only members with quoted values are taken; outside quoted text everything but the structure is
// ignored; inside it, backslash escapes are decoded and ':' and ',' are dropped (they are never part
// of a key or value). Parsing is bounded: a text longer than kMaxJsonText is refused whole, a key or
// value longer than kMaxJsonString is cut there, and members after the kMaxJsonMembers-th are ignored.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace driveviews {

constexpr size_t kMaxJsonText = 64 * 1024;  // characters; the page's messages are far below 1 KiB
constexpr size_t kMaxJsonString = 1024;     // characters of one key or value
constexpr size_t kMaxJsonMembers = 32;

class CJsonHolder {
 public:
  virtual ~CJsonHolder() = default;

  // Stores (value, separator) under the key, replacing an earlier entry. The separator follows the
  // member in ToString: "," between members, empty after the last.
  void Set(const std::wstring& key, const std::wstring& value, const std::wstring& separator);
  void Clear() { members_.clear(); }
  // The value under the key; false when there is none.
  bool Get(const std::wstring& key, std::wstring* value) const;
  size_t Size() const { return members_.size(); }

  std::wstring ToString() const;
  // Adds the members of a flat object; false (and nothing added) when the text is over the bound.
  bool Parse(std::wstring_view text);

 private:
  std::map<std::wstring, std::pair<std::wstring, std::wstring>> members_;
};

}  // namespace driveviews
