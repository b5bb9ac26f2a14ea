// The environment options object handed to the loader's creation function: the project's own
// implementation of ICoreWebView2EnvironmentOptions. Getters return CoTaskMemAlloc copies, as the
// runtime expects to free them.
#pragma once

#include <windows.h>

#include <string>

#include "platform/com/com_ptr.h"
#include "platform/webview2/webview2_decl.h"

namespace webview2 {

class EnvironmentOptions final : public ICoreWebView2EnvironmentOptions {
 public:
  static quill::com::ComPtr<EnvironmentOptions> Make();

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE get_AdditionalBrowserArguments(LPWSTR* value) override;
  HRESULT STDMETHODCALLTYPE put_AdditionalBrowserArguments(LPCWSTR value) override;
  HRESULT STDMETHODCALLTYPE get_Language(LPWSTR* value) override;
  HRESULT STDMETHODCALLTYPE put_Language(LPCWSTR value) override;
  HRESULT STDMETHODCALLTYPE get_TargetCompatibleBrowserVersion(LPWSTR* value) override;
  HRESULT STDMETHODCALLTYPE put_TargetCompatibleBrowserVersion(LPCWSTR value) override;
  HRESULT STDMETHODCALLTYPE get_AllowSingleSignOnUsingOSPrimaryAccount(BOOL* allow) override;
  HRESULT STDMETHODCALLTYPE put_AllowSingleSignOnUsingOSPrimaryAccount(BOOL allow) override;

 private:
  EnvironmentOptions() = default;
  ~EnvironmentOptions() = default;
  LONG refs_ = 1;
  std::wstring arguments_, language_, version_;
  BOOL singleSignOn_ = FALSE;
};

}  // namespace webview2
