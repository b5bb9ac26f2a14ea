// The loopback server the update tests run beside (version_server.py): its address for one behaviour.
#pragma once

#include <cstdlib>
#include <string>

namespace quill::test {

// "http://127.0.0.1:<port>/<mode>", or empty when the test was started without the server.
inline std::wstring LoopbackSite(const char* mode) {
  const char* port = std::getenv("QUILL_TEST_HTTP_PORT");
  if (!port || !*port) return std::wstring();
  std::wstring site = L"http://127.0.0.1:";
  for (const char* p = port; *p; ++p) site += static_cast<wchar_t>(*p);
  site += L"/";
  for (const char* p = mode; *p; ++p) site += static_cast<wchar_t>(*p);
  return site;
}

}  // namespace quill::test
