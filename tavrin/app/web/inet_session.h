// The WinINet side of the update check and the connectivity watch: the proxy set for the user, the
// session to open, a version file's fetch with bounded waits, and the connection test of the map host.
//
// Every wait is bounded: the connect, send and receive time-outs are set on the request handle (where
// WinINet honours them; on the session the receive time-out is not applied to the request), a body is
// read to its end, to its declared length or to kVersionBodyMax bytes, and a body that ends short of
// its declared length fails. Any thread; no state is shared between calls.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <string>

namespace quill::app {

// The time-outs of one request (connect, send, receive), each way of a stalled server ends by then.
constexpr DWORD kRequestTimeoutMs = 1500;

// The request header and flags of every address opened.
inline constexpr wchar_t kAcceptHeader[] = L"Accept: */*\r\n\r\n";
constexpr DWORD kRequestFlags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD;

// A WinINet handle, closed once.
class InetHandle {
 public:
  InetHandle() = default;
  explicit InetHandle(HINTERNET h) : h_(h) {}
  ~InetHandle() { Reset(); }
  InetHandle(InetHandle&& o) noexcept : h_(o.h_) { o.h_ = nullptr; }
  InetHandle& operator=(InetHandle&& o) noexcept {
    if (this != &o) { Reset(); h_ = o.h_; o.h_ = nullptr; }
    return *this;
  }
  InetHandle(const InetHandle&) = delete;
  InetHandle& operator=(const InetHandle&) = delete;
  HINTERNET get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }
  void Reset() { if (h_) InternetCloseHandle(h_); h_ = nullptr; }

 private:
  HINTERNET h_ = nullptr;
};

// The proxy of a "ProxyServer" text: "host:port", or the "http=" entry of the per-protocol form
// "http=host:port;https=...". False for no text, no ':' , an empty host or a port that is not a number
// from 1 to 65535 (the preconfigured session is used then).
bool ParseProxyServer(const std::wstring& text, std::wstring* host, unsigned short* port);

// The user's "ProxyServer" value (read bounded and terminated); empty when there is none.
std::wstring ReadProxyServerSetting();

// A session through the user's proxy; empty when none is set or it cannot be parsed.
InetHandle OpenProxySession();

// The session for `url` (null url: just the session). Empty when the system reports no connection;
// without a proxy, also when the connection test of the url fails; with one, also when the url cannot be
// opened through it.
InetHandle OpenInternetSession(const wchar_t* url);

// Opens `url` on the session and reads up to `maxBytes` of its body. False for a failed request, a
// status other than 200, a failed read or a body shorter than its declared length.
bool ReadUrl(HINTERNET session, const std::wstring& url, size_t maxBytes, std::string* body);

// The version in the version file at `url` (ParseVersionBody); false, with the version cleared, when it
// cannot be read or holds none.
bool FetchVersion(const std::wstring& url, std::wstring* version);

// One connectivity test of `url`: true when it can be reached now.
bool TestConnection(const std::wstring& url);

}  // namespace quill::app
