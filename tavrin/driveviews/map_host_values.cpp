// The host functions' values: the track array, names and texts, the map script address.
#include "tavrin/driveviews/map_host_values.h"

#include "tavrin/driveviews/map_service_key.h"
#include "tavrin/skin/settings_ini.h"
#include "tavrin/skin/ui_texts.h"

#include <vector>

namespace driveviews {

namespace {

// UI text of each event kind, by the event colour index the page uses (0-13).
constexpr unsigned kMarkNameTexts[] = {
    72,   // 0 急加速
    73,   // 1 急ブレーキ
    75,   // 2 急ハンドル
    74,   // 3 急下降
    76,   // 4 急上昇
    77,   // 5 マニュアル録画
    78,   // 6 緊急録画停止
    79,   // 7 駐車監視
    80,   // 8 速度超過
    143,  // 9 オービス
    144,  // 10 レーダー
    70,   // 11 ドライブサポート　急ハンドル
    68,   // 12 ドライブサポート　急加速
    69,   // 13 ドライブサポート　急ブレーキ
};

bool PutElement(SAFEARRAY* array, LONG index, VARIANT* value) {
  return SUCCEEDED(SafeArrayPutElement(array, &index, value));
}

}  // namespace

VARIANT BuildTrackArray(const playcore::sGPSPOINT* points, size_t count) {
  VARIANT result;
  VariantInit(&result);
  size_t valid = 0;
  for (size_t i = 0; i < count; ++i) valid += points[i].valid ? 1 : 0;
  // Three values per point plus the count; far below any 32-bit limit for a recording's points, but
  // checked all the same before the multiplication.
  if (valid > (0x7FFFFFFFu - 1) / 3) return result;
  const LONG values = static_cast<LONG>(valid * 3);
  SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(values + 1));
  if (!array) return result;
  LONG at = 0;
  bool ok = true;
  for (size_t i = 0; i < count && ok; ++i) {
    const playcore::sGPSPOINT& p = points[i];
    if (!p.valid) continue;
    VARIANT v;
    v.vt = VT_R8;
    v.dblVal = p.latitude;
    ok = PutElement(array, at++, &v);
    v.dblVal = p.longitude;
    ok = ok && PutElement(array, at++, &v);
    v.vt = VT_I4;
    v.lVal = p.positionKey;
    ok = ok && PutElement(array, at++, &v);
  }
  VARIANT n;
  n.vt = VT_I4;
  n.lVal = values;
  if (!ok || !PutElement(array, at, &n)) {
    SafeArrayDestroy(array);
    return result;
  }
  result.vt = VT_ARRAY | VT_VARIANT;
  result.parray = array;
  return result;
}

std::wstring MarkName(int index) {
  if (index < 0 || index >= static_cast<int>(sizeof(kMarkNameTexts) / sizeof(kMarkNameTexts[0]))) {
    return std::wstring();
  }
  return UIText(kMarkNameTexts[index]);
}

std::wstring RcString(int index) {
  if (index < 0) return std::wstring();
  return UIText(static_cast<unsigned>(index));
}

std::wstring MapScriptUrl(std::string_view key) {
  if (key.empty() || key.size() > kMaxMapKey) return std::wstring();
  std::wstring wide;
  for (char c : key) {
    bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                c == '_';
    if (!safe) return std::wstring();
    wide.push_back(static_cast<wchar_t>(c));
  }
  std::wstring form = kMapScriptUrlForm;
  size_t at = form.find(L"%s");
  return form.substr(0, at) + wide + form.substr(at + 2);
}

std::string MapServiceKeyFrom(const std::wstring& setting) {
  const size_t first = setting.find_first_not_of(L" \t");
  if (first == std::wstring::npos) return kMapServiceKey;
  const size_t last = setting.find_last_not_of(L" \t");
  std::string key;
  for (size_t i = first; i <= last && key.size() <= kMaxMapKey; ++i) {
    const wchar_t c = setting[i];
    key.push_back(c > 0 && c < 0x80 ? static_cast<char>(c) : '?');
  }
  return key;
}

std::string MapServiceKey() {
  const CString setting = ReadIni(L"MAP", L"SERVICEKEY");
  return MapServiceKeyFrom(std::wstring(static_cast<const wchar_t*>(setting)));
}

BSTR ToBstr(const std::wstring& text) {
  return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

}  // namespace driveviews
