// The WinINet calls of the update check and the map's connection test, from wininet.dll at their
// first call (wininet.dll brings the network and the remote-drive libraries with it).
#include <windows.h>
#include <wininet.h>

#include "platform/imports/import_entry.h"
#include "platform/imports/lazy_library.h"

namespace {

using quill::imports::WininetLibrary;

template <typename Fn>
Fn Real(const char* name) {
  return WininetLibrary().Find<Fn>(name);
}

// Without the library or the function each call fails as WinINet's own do: no handle or FALSE, the
// reason in the last error.
template <typename R>
R Fail() {
  SetLastError(WininetLibrary().MissingError());
  return R();
}

HINTERNET WINAPI LazyOpenW(LPCWSTR agent, DWORD access, LPCWSTR proxy, LPCWSTR bypass, DWORD flags) {
  const auto real = Real<decltype(&::InternetOpenW)>("InternetOpenW");
  return real ? real(agent, access, proxy, bypass, flags) : Fail<HINTERNET>();
}

HINTERNET WINAPI LazyConnectW(HINTERNET session, LPCWSTR server, INTERNET_PORT port, LPCWSTR user, LPCWSTR password,
                          DWORD service, DWORD flags, DWORD_PTR context) {
  const auto real = Real<decltype(&::InternetConnectW)>("InternetConnectW");
  return real ? real(session, server, port, user, password, service, flags, context) : Fail<HINTERNET>();
}

BOOL WINAPI LazyCloseHandle(HINTERNET handle) {
  const auto real = Real<decltype(&::InternetCloseHandle)>("InternetCloseHandle");
  return real ? real(handle) : Fail<BOOL>();
}

BOOL WINAPI LazyCheckConnectionW(LPCWSTR url, DWORD flags, DWORD reserved) {
  const auto real = Real<decltype(&::InternetCheckConnectionW)>("InternetCheckConnectionW");
  return real ? real(url, flags, reserved) : Fail<BOOL>();
}

BOOL WINAPI LazyGetConnectedState(LPDWORD state, DWORD reserved) {
  const auto real = Real<decltype(&::InternetGetConnectedState)>("InternetGetConnectedState");
  if (real) return real(state, reserved);
  if (state) *state = 0;
  return Fail<BOOL>();
}

BOOL WINAPI LazyCrackUrlW(LPCWSTR url, DWORD length, DWORD flags, LPURL_COMPONENTSW parts) {
  const auto real = Real<decltype(&::InternetCrackUrlW)>("InternetCrackUrlW");
  return real ? real(url, length, flags, parts) : Fail<BOOL>();
}

BOOL WINAPI LazyReadFile(HINTERNET file, LPVOID buffer, DWORD size, LPDWORD read) {
  const auto real = Real<decltype(&::InternetReadFile)>("InternetReadFile");
  if (real) return real(file, buffer, size, read);
  if (read) *read = 0;
  return Fail<BOOL>();
}

BOOL WINAPI LazySetOptionW(HINTERNET handle, DWORD option, LPVOID buffer, DWORD length) {
  const auto real = Real<decltype(&::InternetSetOptionW)>("InternetSetOptionW");
  return real ? real(handle, option, buffer, length) : Fail<BOOL>();
}

HINTERNET WINAPI LazyOpenRequestW(HINTERNET connection, LPCWSTR verb, LPCWSTR object, LPCWSTR version, LPCWSTR referrer,
                              LPCWSTR* acceptTypes, DWORD flags, DWORD_PTR context) {
  const auto real = Real<decltype(&::HttpOpenRequestW)>("HttpOpenRequestW");
  return real ? real(connection, verb, object, version, referrer, acceptTypes, flags, context) : Fail<HINTERNET>();
}

BOOL WINAPI LazySendRequestW(HINTERNET request, LPCWSTR headers, DWORD headersLength, LPVOID optional,
                         DWORD optionalLength) {
  const auto real = Real<decltype(&::HttpSendRequestW)>("HttpSendRequestW");
  return real ? real(request, headers, headersLength, optional, optionalLength) : Fail<BOOL>();
}

BOOL WINAPI LazyQueryInfoW(HINTERNET request, DWORD level, LPVOID buffer, LPDWORD length, LPDWORD index) {
  const auto real = Real<decltype(&::HttpQueryInfoW)>("HttpQueryInfoW");
  return real ? real(request, level, buffer, length, index) : Fail<BOOL>();
}

}  // namespace

QUILL_IMPORT_ENTRY(InternetOpenW, 20, LazyOpenW);
QUILL_IMPORT_ENTRY(InternetConnectW, 32, LazyConnectW);
QUILL_IMPORT_ENTRY(InternetCloseHandle, 4, LazyCloseHandle);
QUILL_IMPORT_ENTRY(InternetCheckConnectionW, 12, LazyCheckConnectionW);
QUILL_IMPORT_ENTRY(InternetGetConnectedState, 8, LazyGetConnectedState);
QUILL_IMPORT_ENTRY(InternetCrackUrlW, 16, LazyCrackUrlW);
QUILL_IMPORT_ENTRY(InternetReadFile, 16, LazyReadFile);
QUILL_IMPORT_ENTRY(InternetSetOptionW, 16, LazySetOptionW);
QUILL_IMPORT_ENTRY(HttpOpenRequestW, 32, LazyOpenRequestW);
QUILL_IMPORT_ENTRY(HttpSendRequestW, 20, LazySendRequestW);
QUILL_IMPORT_ENTRY(HttpQueryInfoW, 20, LazyQueryInfoW);
