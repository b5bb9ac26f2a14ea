// The link control, its plain-text fallback and the click handler.
#include "tavrin/app/dialogs/link_ctrl.h"

#include <shellapi.h>

#include <algorithm>

namespace quill::app {
namespace {

void ShellOpen(HWND owner, const wchar_t* url) {
  ShellExecuteW(owner, L"open", url, nullptr, nullptr, SW_SHOWNORMAL);
}

UrlOpener g_opener = ShellOpen;

bool LinkClassReady() {
  INITCOMMONCONTROLSEX init = {sizeof(init), ICC_LINK_CLASS};
  return InitCommonControlsEx(&init) != FALSE;
}

}  // namespace

std::wstring LinkMarkupText(const std::wstring& markup) {
  std::wstring text;
  size_t i = 0;
  while (i < markup.size()) {
    if (markup[i] == L'<') {
      const size_t close = markup.find(L'>', i);
      const std::wstring tag = markup.substr(i, close == std::wstring::npos ? std::wstring::npos : close - i + 1);
      if (close != std::wstring::npos && (tag.compare(0, 3, L"<a ") == 0 || tag == L"<a>" || tag == L"</a>")) {
        i = close + 1;
        continue;
      }
    }
    text += markup[i++];
  }
  return text;
}

BOOL CLinkCtrl::Create(const wchar_t* markup, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  sysLink_ = LinkClassReady() &&
             CreateEx(0, WC_LINK, markup, style | WS_CHILD, rect, parent, id) != FALSE;
  if (sysLink_) return TRUE;
  // Without the version 6 controls the address stays readable and can be copied.
  const std::wstring text = LinkMarkupText(markup ? markup : L"");
  return CreateEx(0, L"EDIT", text.c_str(), style | WS_CHILD | ES_MULTILINE | ES_READONLY, rect, parent, id);
}

void SetUrlOpener(UrlOpener opener) { g_opener = opener ? opener : ShellOpen; }

bool IsWebAddress(const std::wstring& url) {
  size_t host = 0;
  for (const wchar_t* scheme : {L"http://", L"https://"}) {
    const size_t n = wcslen(scheme);
    if (url.size() > n && _wcsnicmp(url.c_str(), scheme, n) == 0) host = n;
  }
  if (host == 0 || url[host] == L'/') return false;
  return std::none_of(url.begin(), url.end(), [](wchar_t c) {
    return c <= L' ' || c == 0x7f || c == L'"' || c == L'<' || c == L'>' || c == L'\\' || c == L'`';
  });
}

void OpenClickedLink(HWND owner, const NMHDR* hdr, LRESULT* result, const std::vector<std::wstring>& only) {
  if (result) *result = 0;
  if (!hdr || hdr->code != NM_CLICK) return;
  const NMLINK* link = reinterpret_cast<const NMLINK*>(hdr);
  wchar_t buffer[L_MAX_URL_LENGTH + 1];
  lstrcpynW(buffer, link->item.szUrl, L_MAX_URL_LENGTH + 1);
  const std::wstring url = buffer;
  if (!IsWebAddress(url)) return;
  if (!only.empty() && std::find(only.begin(), only.end(), url) == only.end()) return;
  g_opener(owner, url.c_str());
}

}  // namespace quill::app
