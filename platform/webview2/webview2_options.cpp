// The environment options object.
#include "platform/webview2/webview2_options.h"

#include <cstring>
#include <new>

namespace webview2 {

namespace {

HRESULT CopyOut(const std::wstring& text, LPWSTR* out) {
  if (!out) return E_POINTER;
  size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  *out = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  if (!*out) return E_OUTOFMEMORY;
  std::memcpy(*out, text.c_str(), bytes);
  return S_OK;
}

HRESULT CopyIn(LPCWSTR value, std::wstring* to) {
  // The runtime calls this: a copy that runs out of memory is an error code, never an exception.
  try {
    *to = value ? value : L"";
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

}  // namespace

quill::com::ComPtr<EnvironmentOptions> EnvironmentOptions::Make() {
  return quill::com::ComPtr<EnvironmentOptions>(new (std::nothrow) EnvironmentOptions());
}

HRESULT EnvironmentOptions::QueryInterface(REFIID iid, void** ppv) {
  if (!ppv) return E_POINTER;
  // Later versions of the options interface are not offered: the runtime then uses its defaults.
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(ICoreWebView2EnvironmentOptions))) {
    *ppv = static_cast<ICoreWebView2EnvironmentOptions*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG EnvironmentOptions::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

ULONG EnvironmentOptions::Release() {
  LONG left = InterlockedDecrement(&refs_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT EnvironmentOptions::get_AdditionalBrowserArguments(LPWSTR* v) { return CopyOut(arguments_, v); }
HRESULT EnvironmentOptions::put_AdditionalBrowserArguments(LPCWSTR v) { return CopyIn(v, &arguments_); }
HRESULT EnvironmentOptions::get_Language(LPWSTR* v) { return CopyOut(language_, v); }
HRESULT EnvironmentOptions::put_Language(LPCWSTR v) { return CopyIn(v, &language_); }
HRESULT EnvironmentOptions::get_TargetCompatibleBrowserVersion(LPWSTR* v) { return CopyOut(version_, v); }
HRESULT EnvironmentOptions::put_TargetCompatibleBrowserVersion(LPCWSTR v) { return CopyIn(v, &version_); }

HRESULT EnvironmentOptions::get_AllowSingleSignOnUsingOSPrimaryAccount(BOOL* allow) {
  if (!allow) return E_POINTER;
  *allow = singleSignOn_;
  return S_OK;
}

HRESULT EnvironmentOptions::put_AllowSingleSignOnUsingOSPrimaryAccount(BOOL allow) {
  singleSignOn_ = allow;
  return S_OK;
}

}  // namespace webview2
