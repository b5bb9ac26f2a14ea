// WinINet sessions, proxy text and version file fetches of the update check and connectivity watch.
#include "tavrin/app/web/inet_session.h"

#include <algorithm>
#include <cwctype>
#include <vector>

#include "tavrin/app/web/update_check.h"

namespace quill::app {
namespace {

constexpr wchar_t kInternetSettingsKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr wchar_t kProxyServerValue[] = L"ProxyServer";
constexpr DWORD kProxyTextMax = 512;  // characters of "ProxyServer" read
constexpr size_t kHostMax = 255;      // a host name's longest form
constexpr DWORD kHttpOk = 200;

std::wstring Lower(std::wstring s) {
  for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}

// The "http=" entry of a per-protocol list, or the whole text when it has no '='; empty for a list
// without one.
std::wstring HttpEntry(const std::wstring& text) {
  if (text.find(L'=') == std::wstring::npos) return text;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(L';', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring entry = text.substr(start, end - start);
    if (Lower(entry.substr(0, 5)) == L"http=") return entry.substr(5);
    start = end + 1;
  }
  return std::wstring();
}

void SetRequestTimeouts(HINTERNET h) {
  DWORD ms = kRequestTimeoutMs;
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                       INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_DATA_SEND_TIMEOUT,
                       INTERNET_OPTION_DATA_RECEIVE_TIMEOUT}) {
    InternetSetOptionW(h, option, &ms, sizeof(ms));
  }
}

// An opened request of `url` on the session, sent with the header; empty on failure.
struct OpenedRequest {
  InetHandle connection;
  InetHandle request;
};
bool OpenRequest(HINTERNET session, const std::wstring& url, OpenedRequest* out) {
  URL_COMPONENTSW parts = {};
  parts.dwStructSize = sizeof(parts);
  std::vector<wchar_t> host(kHostMax + 1), path(2048);
  parts.lpszHostName = host.data();
  parts.dwHostNameLength = static_cast<DWORD>(host.size());
  parts.lpszUrlPath = path.data();
  parts.dwUrlPathLength = static_cast<DWORD>(path.size());
  if (!InternetCrackUrlW(url.c_str(), 0, 0, &parts)) return false;
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) return false;
  SetRequestTimeouts(session);
  out->connection = InetHandle(InternetConnectW(session, host.data(), parts.nPort, nullptr, nullptr,
                                                INTERNET_SERVICE_HTTP, 0, 0));
  if (!out->connection) return false;
  SetRequestTimeouts(out->connection.get());
  DWORD flags = kRequestFlags;
  if (parts.nScheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;
  const wchar_t* object = path[0] ? path.data() : L"/";
  out->request = InetHandle(HttpOpenRequestW(out->connection.get(), L"GET", object, nullptr, nullptr,
                                             nullptr, flags, 0));
  if (!out->request) return false;
  SetRequestTimeouts(out->request.get());
  return HttpSendRequestW(out->request.get(), kAcceptHeader, static_cast<DWORD>(-1), nullptr, 0) != FALSE;
}

DWORD QueryNumber(HINTERNET request, DWORD what, bool* known) {
  DWORD value = 0;
  DWORD size = sizeof(value);
  *known = HttpQueryInfoW(request, what | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr) != FALSE;
  return value;
}

}  // namespace

bool ParseProxyServer(const std::wstring& text, std::wstring* host, unsigned short* port) {
  if (!host || !port) return false;
  std::wstring entry = HttpEntry(text);
  if (Lower(entry.substr(0, 7)) == L"http://") entry = entry.substr(7);
  while (!entry.empty() && entry.back() == L'/') entry.pop_back();
  const size_t colon = entry.find(L':');
  if (colon == std::wstring::npos || colon == 0 || colon > kHostMax) return false;
  const std::wstring digits = entry.substr(colon + 1);
  if (digits.empty() || digits.size() > 5) return false;
  unsigned long value = 0;
  for (wchar_t c : digits) {
    if (c < L'0' || c > L'9') return false;
    value = value * 10 + static_cast<unsigned long>(c - L'0');
  }
  if (value == 0 || value > 65535) return false;
  *host = entry.substr(0, colon);
  *port = static_cast<unsigned short>(value);
  return true;
}

std::wstring ReadProxyServerSetting() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kInternetSettingsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return std::wstring();
  }
  std::vector<wchar_t> text(kProxyTextMax + 1, L'\0');
  DWORD type = 0;
  DWORD bytes = kProxyTextMax * sizeof(wchar_t);  // one character left for the terminator
  const LONG r = RegQueryValueExW(key, kProxyServerValue, nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                                  &bytes);
  RegCloseKey(key);
  if (r != ERROR_SUCCESS || type != REG_SZ) return std::wstring();
  text[std::min<size_t>(bytes / sizeof(wchar_t), kProxyTextMax)] = L'\0';
  return std::wstring(text.data());
}

InetHandle OpenProxySession() {
  std::wstring host;
  unsigned short port = 0;
  if (!ParseProxyServer(ReadProxyServerSetting(), &host, &port)) return InetHandle();
  const std::wstring proxy = host + L":" + std::to_wstring(port);
  return InetHandle(InternetOpenW(nullptr, INTERNET_OPEN_TYPE_PROXY, proxy.c_str(), nullptr, 0));
}

InetHandle OpenInternetSession(const wchar_t* url) {
  DWORD state = 0;
  if (!InternetGetConnectedState(&state, 0)) return InetHandle();
  if (!(state & INTERNET_CONNECTION_PROXY)) {
    if (url && !InternetCheckConnectionW(url, FLAG_ICC_FORCE_CONNECTION, 0)) return InetHandle();
    return InetHandle(InternetOpenW(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  }
  InetHandle probe = OpenProxySession();
  if (!probe) return InetHandle(InternetOpenW(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (url) {
    OpenedRequest opened;
    if (!OpenRequest(probe.get(), url, &opened)) return InetHandle();
  }
  return OpenProxySession();
}

bool ReadUrl(HINTERNET session, const std::wstring& url, size_t maxBytes, std::string* body) {
  if (!session || !body) return false;
  body->clear();
  OpenedRequest opened;
  if (!OpenRequest(session, url, &opened)) return false;
  bool known = false;
  if (QueryNumber(opened.request.get(), HTTP_QUERY_STATUS_CODE, &known) != kHttpOk || !known) return false;
  const DWORD declared = QueryNumber(opened.request.get(), HTTP_QUERY_CONTENT_LENGTH, &known);
  const bool lengthKnown = known;
  char chunk[1024];
  while (body->size() < maxBytes) {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min(sizeof(chunk), maxBytes - body->size()));
    // A failed read already waited the receive time-out: it ends the fetch instead of being retried.
    if (!InternetReadFile(opened.request.get(), chunk, want, &got)) return false;
    if (got == 0) break;
    body->append(chunk, got);
  }
  if (lengthKnown && body->size() < std::min<size_t>(declared, maxBytes)) return false;
  return true;
}

bool FetchVersion(const std::wstring& url, std::wstring* version) {
  if (!version) return false;
  version->clear();
  InetHandle session = OpenInternetSession(url.c_str());
  if (!session) return false;
  std::string body;
  if (!ReadUrl(session.get(), url, kVersionBodyMax, &body)) return false;
  return ParseVersionBody(body.data(), body.size(), version);
}

bool TestConnection(const std::wstring& url) {
  DWORD state = 0;
  if (!InternetGetConnectedState(&state, 0)) return false;
  InetHandle session;
  if (state & INTERNET_CONNECTION_PROXY) session = OpenProxySession();
  // Without a usable proxy setting the system's own connection test decides, as for the fetches.
  if (!session) return InternetCheckConnectionW(url.c_str(), FLAG_ICC_FORCE_CONNECTION, 0) != FALSE;
  OpenedRequest opened;
  return OpenRequest(session.get(), url, &opened);
}

}  // namespace quill::app
