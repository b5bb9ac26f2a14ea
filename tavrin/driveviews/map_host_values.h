// The values the host functions hand to the map page, as pure functions: the flat track array, the
// event kind names, UI texts, the position key text and the map script address.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "playcore/recorder/drive_records.h"

namespace driveviews {

// A one-dimensional VT_ARRAY | VT_VARIANT of (VT_R8 latitude, VT_R8 longitude, VT_I4 position key)
// for every point whose valid flag is set, in order, then one VT_I4 with the number of values before
// it. VT_EMPTY when the array cannot be made (out of memory).
VARIANT BuildTrackArray(const playcore::sGPSPOINT* points, size_t count);

// The name of event kind 0..13 in the current language; "" for any other index.
std::wstring MarkName(int index);
// UI text `index` in the current language; "" outside the table or for an unused entry.
std::wstring RcString(int index);

// The map script's address for the key, or "" when the key is empty, longer than kMaxMapKey or holds
// anything but letters, digits, '-' and '_' (the page then stays without a map).
constexpr size_t kMaxMapKey = 64;
std::wstring MapScriptUrl(std::string_view key);

// The map service key: MAP / SERVICEKEY of the settings file when it holds one (spaces around it are
// dropped; a character outside ASCII becomes one MapScriptUrl refuses), else the built-in kMapServiceKey.
// The key goes nowhere but into the script address.
std::string MapServiceKeyFrom(const std::wstring& setting);
std::string MapServiceKey();

// A BSTR copy of the text (never null: an empty text gives an empty BSTR when memory allows).
BSTR ToBstr(const std::wstring& text);

}  // namespace driveviews
