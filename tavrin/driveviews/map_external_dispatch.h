// window.external of the Internet Explorer map page: a table-driven IDispatch whose ten methods forward
// to the host functions. Dispatch identifiers follow the table (1 to 10); arguments arrive in reverse
// order (rgvarg[0] is the last) and are coerced to the declared types (a script passes 35 for 35.0).
//
// Threads: the UI thread only (the control calls from its page).
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "platform/com/com_ptr.h"

class IHostWebViewFuncs;

namespace driveviews {

// The object counts its references and frees itself with the last one: the control may release
// window.external after the dialog is gone (a document is often torn down late), and by then the
// dialog has taken the host functions back, so a late call is answered with nothing.
class MapExternalDispatch final : public IDispatch {
 public:
  // A new object with one reference, the caller's.
  static quill::com::ComPtr<MapExternalDispatch> Make();
  void SetHostFuncs(IHostWebViewFuncs* funcs) { funcs_ = funcs; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO*, UINT* argError) override;

 private:
  MapExternalDispatch() = default;
  ~MapExternalDispatch() = default;

  LONG refs_ = 1;
  IHostWebViewFuncs* funcs_ = nullptr;
};

}  // namespace driveviews
