// window.external of the Internet Explorer map page: a table-driven IDispatch whose ten methods forward
// to the host functions. Dispatch identifiers follow the table (1 to 10); arguments arrive in reverse
// order (rgvarg[0] is the last) and are coerced to the declared types (a script passes 35 for 35.0).
//
// Threads: the UI thread only (the control calls from its page).
#pragma once

#include <windows.h>
#include <oleauto.h>

class IHostWebViewFuncs;

namespace driveviews {

// The object has no reference count of its own worth freeing: it lives inside its dialog, which
// outlives the control that holds it.
class MapExternalDispatch final : public IDispatch {
 public:
  void SetHostFuncs(IHostWebViewFuncs* funcs) { funcs_ = funcs; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO*, UINT* argError) override;

 private:
  IHostWebViewFuncs* funcs_ = nullptr;
};

}  // namespace driveviews
