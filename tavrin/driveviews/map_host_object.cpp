// The WebView2 page's host object: forwarding to the host functions and dispatch through the program's
// own type library.
#include "tavrin/driveviews/map_host_object.h"

#include <cstdio>
#include <new>
#include <string>

#include "platform/framework/program_file.h"

namespace driveviews {

// {8E4A1F62-7D3B-4C95-A0E8-52B9C6D1F704}
const IID IID_IHostWebViewObject = {0x8e4a1f62, 0x7d3b, 0x4c95, {0xa0, 0xe8, 0x52, 0xb9, 0xc6, 0xd1, 0xf7, 0x04}};

namespace {

// A failing dispatch step, with where it failed, for the debugger's output.
HRESULT Report(HRESULT hr, int line) {
  wchar_t text[128];
  swprintf(text, 128, L"map_host_object.cpp(%d): dispatch step failed, 0x%08lx\n", line,
           static_cast<unsigned long>(hr));
  OutputDebugStringW(text);
  return hr;
}

// A held reference to the page's callback, copyable as std::function needs; the last copy releases it.
class HeldCallback {
 public:
  explicit HeldCallback(IDispatch* callback) : callback_(callback) { callback_->AddRef(); }
  HeldCallback(const HeldCallback& other) : callback_(other.callback_) { callback_->AddRef(); }
  HeldCallback& operator=(const HeldCallback&) = delete;
  ~HeldCallback() { callback_->Release(); }
  void operator()() const {
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    callback_->Invoke(DISPID_UNKNOWN, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, &result, nullptr,
                      nullptr);
    VariantClear(&result);
  }

 private:
  IDispatch* callback_;
};

}  // namespace

quill::com::ComPtr<HostWebViewObject> HostWebViewObject::Make(IHostWebViewFuncs* funcs, AsyncRunner runner) {
  return quill::com::ComPtr<HostWebViewObject>(new (std::nothrow) HostWebViewObject(funcs, std::move(runner)));
}

HostWebViewObject::~HostWebViewObject() {
  if (typeLib_) typeLib_->Release();
}

HRESULT HostWebViewObject::QueryInterface(REFIID iid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IHostWebViewObject)) {
    *ppv = static_cast<IHostWebViewObject*>(this);
  } else if (IsEqualIID(iid, IID_IDispatch)) {
    *ppv = static_cast<IDispatch*>(this);
  } else {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG HostWebViewObject::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

ULONG HostWebViewObject::Release() {
  LONG left = InterlockedDecrement(&refs_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT HostWebViewObject::CallCallbackAsynchronously(IDispatch* callback) {
  if (!callback) return DISP_E_PARAMNOTFOUND;
  if (!runner_) return S_OK;
  try {
    runner_(std::function<void()>(HeldCallback(callback)));
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

namespace {

// The runtime calls these methods through ITypeInfo::Invoke: nothing may leave them as an exception
// (a text the host builds can run out of memory).
template <class Body>
HRESULT Guarded(Body body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace

HRESULT HostWebViewObject::TestMethod(BSTR text, int number, BSTR* result) {
  if (!result) return E_POINTER;
  return Guarded([&]() -> HRESULT {
    std::wstring s = L"TestMethod(";
    s += text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    s += L", " + std::to_wstring(number) + L") called.\n";
    *result = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
    return *result ? S_OK : E_OUTOFMEMORY;
  });
}

HRESULT HostWebViewObject::JS2C_ConnectTest(BOOL* result) {
  return Guarded([&]() -> HRESULT {
    if (funcs_ && result) *result = funcs_->JS2C_ConnectTest();
    return S_OK;
  });
}

HRESULT HostWebViewObject::JS2C_GetMapURL(BSTR* result) {
  return Guarded([&]() -> HRESULT {
    if (funcs_ && result) *result = funcs_->JS2C_GetMapURL();
    return S_OK;
  });
}

HRESULT HostWebViewObject::JS2C_GetGPSData(VARIANT* result) {
  return Guarded([&]() -> HRESULT {
    if (funcs_ && result) *result = funcs_->JS2C_GetGPSData();
    return S_OK;
  });
}

HRESULT HostWebViewObject::JS2C_GetGridData(int grid, VARIANT* result) {
  return Guarded([&]() -> HRESULT {
    if (!funcs_ || !result) return S_OK;
    // The host takes the grid as text (it does not use it): a non-zero grid as a boolean, which the
    // automation conversion writes as "-1".
    VARIANT flag, text;
    VariantInit(&flag);
    VariantInit(&text);
    flag.vt = VT_BOOL;
    flag.boolVal = grid ? VARIANT_TRUE : VARIANT_FALSE;
    VariantChangeType(&text, &flag, 0, VT_BSTR);
    *result = funcs_->JS2C_GetGridData(text.vt == VT_BSTR && text.bstrVal ? text.bstrVal : L"");
    VariantClear(&text);
    return S_OK;
  });
}

HRESULT HostWebViewObject::JS2C_GetRelJpgNum(BSTR* result) {
  return Guarded([&]() -> HRESULT {
    if (funcs_ && result) *result = funcs_->JS2C_GetRelJpgNum();
    return S_OK;
  });
}

HRESULT HostWebViewObject::JS2C_OnClickCrashPoint(int ifile, int igrid, int ipos, int valid, double lat, double lng,
                                                  double speed, double direction) {
  return Guarded([&]() -> HRESULT {
    if (funcs_) funcs_->JS2C_OnClickCrashPoint(ifile, igrid, ipos, valid, lat, lng, speed, direction);
    return S_OK;
  });
}

HRESULT HostWebViewObject::JS2C_OnInitHtml() {
  return Guarded([&]() -> HRESULT {
    if (funcs_) funcs_->JS2C_OnInitHtml();
    return S_OK;
  });
}

HRESULT HostWebViewObject::JS2C_SetSend() {
  return Guarded([&]() -> HRESULT {
    if (funcs_) funcs_->JS2C_SetSend();
    return S_OK;
  });
}

HRESULT HostWebViewObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT HostWebViewObject::LoadTypeInfo(ITypeInfo** info) {
  if (!typeLib_) {
    // The program's own file holds the type library (TYPELIB 1).
    HRESULT hr = Guarded([&]() -> HRESULT {
      std::wstring path = quill::framework::ProgramFilePath();
      return path.empty() ? E_FAIL : LoadTypeLib(path.c_str(), &typeLib_);
    });
    if (FAILED(hr)) return Report(hr, __LINE__);
  }
  HRESULT hr = typeLib_->GetTypeInfoOfGuid(IID_IHostWebViewObject, info);
  return FAILED(hr) ? Report(hr, __LINE__) : hr;
}

HRESULT HostWebViewObject::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  if (index != 0) return TYPE_E_ELEMENTNOTFOUND;
  return LoadTypeInfo(info);
}

HRESULT HostWebViewObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  quill::com::ComPtr<ITypeInfo> info;
  HRESULT hr = LoadTypeInfo(info.put());
  if (FAILED(hr)) return hr;
  hr = info->GetIDsOfNames(names, count, ids);
  return FAILED(hr) ? Report(hr, __LINE__) : hr;
}

HRESULT HostWebViewObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                  EXCEPINFO* excepInfo, UINT* argError) {
  quill::com::ComPtr<ITypeInfo> info;
  HRESULT hr = LoadTypeInfo(info.put());
  if (FAILED(hr)) return hr;
  hr = info->Invoke(static_cast<IHostWebViewObject*>(this), id, flags, params, result, excepInfo, argError);
  return FAILED(hr) ? Report(hr, __LINE__) : hr;
}

}  // namespace driveviews
