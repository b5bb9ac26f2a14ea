// The update check's decisions: version file bodies, the comparison and the update dialog's message.
#include "tavrin/app/web/update_check.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "tavrin/app/web/web_addresses.h"
#include "tavrin/skin/ui_texts.h"
#include "tavrin/skin/window_utils.h"

namespace quill::app {
namespace {

constexpr char kVersionTag[] = "VER:";
constexpr size_t kVersionTagLength = sizeof(kVersionTag) - 1;

// UI texts of the message.
constexpr unsigned kTextNotice = 107;
constexpr unsigned kTextCurrent = 109;
constexpr unsigned kTextFirmware = 110;
constexpr unsigned kTextUpdate = 111;
constexpr unsigned kTextViewer = 112;

std::wstring Ansi(const char* bytes, size_t count) {
  if (count == 0) return std::wstring();
  const int n = MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(count), nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring text(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(count), &text[0], n);
  return text;
}

// One item: title, current and new version, and the download page.
std::wstring Item(unsigned title, const std::wstring& current, const std::wstring& fresh,
                  const std::wstring& page) {
  std::wstring s = UIText(title);
  s += L":\r\n";
  s += UIText(kTextCurrent) + current + L"   \u2192   " + UIText(kTextUpdate) + fresh;
  s += L"\r\n\r\nURL : <a href=\"" + page + L"\">" + page + L"</a>";
  return s;
}

std::wstring Trimmed(const std::wstring& text) {
  return std::wstring(TrimVersionText(CString(text.c_str())).GetString());
}

}  // namespace

bool IsVersionText(const std::wstring& text) {
  if (text.empty()) return false;
  return std::all_of(text.begin(), text.end(), [](wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || c == L'.' ||
           c == L'_' || c == L'-';
  });
}

bool ParseVersionBody(const char* bytes, size_t count, std::wstring* version) {
  if (!version) return false;
  version->clear();
  if (!bytes) return false;
  count = std::min(count, kVersionBodyMax);
  const char* end = bytes + count;
  const char* tag = std::search(bytes, end, kVersionTag, kVersionTag + kVersionTagLength);
  if (tag == end) return false;
  const char* first = tag + kVersionTagLength;
  const char* last = std::find_if(first, end, [](char c) { return c == '\r' || c == '\n' || c == '\0'; });
  std::wstring text = Ansi(first, static_cast<size_t>(last - first));
  while (!text.empty() && (text.back() == L' ' || text.back() == L'\t')) text.pop_back();
  if (text.size() > kVersionTextMax) text.resize(kVersionTextMax);
  if (!IsVersionText(text)) return false;
  *version = text;
  return true;
}

UpdateAddresses UpdateAddressesAt(const std::wstring& site) {
  return {site + kFirmwareVersionPath, site + kFirmwarePagePath, site + kViewerVersionPath,
          site + kViewerPagePath};
}

UpdateAddresses ProgramUpdateAddresses() { return UpdateAddressesAt(kMakerSite); }

UpdateFindings FindUpdates(const UpdateAddresses& at, const std::wstring& storedFirmware,
                           const std::wstring& programVersion, const VersionFetch& fetch) {
  UpdateFindings found;
  if (!fetch) return found;
  std::wstring version;
  if (IsVersionText(storedFirmware) && fetch(at.firmwareFile, &version) && IsVersionText(version) &&
      Trimmed(version) != Trimmed(storedFirmware)) {
    found.firmware = true;
    found.firmwareCurrent = storedFirmware.substr(0, kVersionTextMax);
    found.firmwareNew = version.substr(0, kVersionTextMax);
  }
  version.clear();
  if (!fetch(at.viewerFile, &version) || !IsVersionText(version)) return UpdateFindings();
  if (version != programVersion) {
    found.viewer = true;
    found.viewerNew = version.substr(0, kVersionTextMax);
  }
  return found;
}

std::wstring BuildUpdateMessage(const UpdateFindings& found, const UpdateAddresses& at,
                                const std::wstring& programVersion) {
  if (!found.Any()) return std::wstring();
  std::wstring s = UIText(kTextNotice);
  s += L"\r\n\r\n";
  if (found.firmware) {
    s += Item(kTextFirmware, found.firmwareCurrent, found.firmwareNew, at.firmwarePage);
    if (found.viewer) s += L"\r\n\r\n\r\n";
  }
  if (found.viewer) {
    s += Item(kTextViewer, programVersion, found.viewerNew, at.viewerPage);
    if (found.firmware) s += L"\r\n";
  }
  return s;
}

}  // namespace quill::app
