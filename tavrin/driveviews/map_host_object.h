// HostWebViewObject: the COM object the WebView2 map page reaches as
// chrome.webview.hostObjects.sync.sample. Its IDispatch answers through the type library the program
// carries (TYPELIB 1, from map_host_object.idl), so the runtime's calls are checked and coerced by the
// library's declarations; the JS2C_ methods forward to the host functions.
//
// Threads: the UI thread (the runtime calls host objects there). The asynchronous-call runner hands a
// held callback to the map dialog, which runs it from its message loop (map_dialog_webview.h).
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <functional>

#include "platform/com/com_ptr.h"
#include "tavrin/driveviews/map_host_funcs.h"

namespace driveviews {

// The object's own interface, slot for slot as the type library declares it.
struct IHostWebViewObject : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CallCallbackAsynchronously(IDispatch* callbackParameter) = 0;
  virtual HRESULT STDMETHODCALLTYPE TestMethod(BSTR stringParameter, int integerParameter, BSTR* stringResult) = 0;
  virtual HRESULT STDMETHODCALLTYPE JS2C_ConnectTest(BOOL* boolResult) = 0;
  virtual HRESULT STDMETHODCALLTYPE JS2C_GetMapURL(BSTR* stringResult) = 0;
  virtual HRESULT STDMETHODCALLTYPE JS2C_GetGPSData(VARIANT* result) = 0;
  virtual HRESULT STDMETHODCALLTYPE JS2C_GetGridData(int grid, VARIANT* result) = 0;
  virtual HRESULT STDMETHODCALLTYPE JS2C_GetRelJpgNum(BSTR* stringResult) = 0;
  virtual HRESULT STDMETHODCALLTYPE JS2C_OnClickCrashPoint(int ifile, int igrid, int ipos, int valid, double lat,
                                                           double lng, double speed, double direction) = 0;
  virtual HRESULT STDMETHODCALLTYPE JS2C_OnInitHtml() = 0;
  virtual HRESULT STDMETHODCALLTYPE JS2C_SetSend() = 0;
};

// Runs a call later on the UI thread; the map dialog posts it to itself.
using AsyncRunner = std::function<void(std::function<void()>)>;

class HostWebViewObject final : public IHostWebViewObject, public IDispatch {
 public:
  static quill::com::ComPtr<HostWebViewObject> Make(IHostWebViewFuncs* funcs, AsyncRunner runner);

  // IUnknown (shared by both interfaces)
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IHostWebViewObject
  HRESULT STDMETHODCALLTYPE CallCallbackAsynchronously(IDispatch* callback) override;
  HRESULT STDMETHODCALLTYPE TestMethod(BSTR text, int number, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE JS2C_ConnectTest(BOOL* result) override;
  HRESULT STDMETHODCALLTYPE JS2C_GetMapURL(BSTR* result) override;
  HRESULT STDMETHODCALLTYPE JS2C_GetGPSData(VARIANT* result) override;
  HRESULT STDMETHODCALLTYPE JS2C_GetGridData(int grid, VARIANT* result) override;
  HRESULT STDMETHODCALLTYPE JS2C_GetRelJpgNum(BSTR* result) override;
  HRESULT STDMETHODCALLTYPE JS2C_OnClickCrashPoint(int ifile, int igrid, int ipos, int valid, double lat, double lng,
                                                   double speed, double direction) override;
  HRESULT STDMETHODCALLTYPE JS2C_OnInitHtml() override;
  HRESULT STDMETHODCALLTYPE JS2C_SetSend() override;
  // IDispatch, through the type library
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* excepInfo, UINT* argError) override;

  // Forgets the host functions (the wrapper is going away; the runtime may still hold the object).
  void Detach() { funcs_ = nullptr; }

 private:
  HostWebViewObject(IHostWebViewFuncs* funcs, AsyncRunner runner) : funcs_(funcs), runner_(std::move(runner)) {}
  ~HostWebViewObject();
  HRESULT LoadTypeInfo(ITypeInfo** info);

  LONG refs_ = 1;
  IHostWebViewFuncs* funcs_;
  ITypeLib* typeLib_ = nullptr;
  AsyncRunner runner_;
};

// The interface identifier of IHostWebViewObject (as in map_host_object.idl).
extern const IID IID_IHostWebViewObject;

}  // namespace driveviews
