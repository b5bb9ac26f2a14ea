// The Internet Explorer page's window.external: the method table, argument coercion and forwarding.
#include "tavrin/driveviews/map_external_dispatch.h"

#include "tavrin/driveviews/map_host_funcs.h"

#include <cstring>
#include <new>
#include <string>

namespace driveviews {

namespace {

constexpr int kMaxArgs = 8;

struct Method {
  const wchar_t* name;
  VARTYPE args[kMaxArgs];
  int argCount;
};

// The page's host methods in dispatch order (DISPID = index + 1).
const Method kMethods[] = {
    {L"JS2C_ConnectTest", {}, 0},
    {L"JS2C_OnInitHtml", {}, 0},
    {L"JS2C_GetGPSData", {}, 0},
    {L"JS2C_GetGridData", {VT_BSTR}, 1},
    {L"JS2C_GetMarkName", {VT_I4}, 1},
    {L"JS2C_GetRcString", {VT_I4}, 1},
    {L"JS2C_GetRelJpgNum", {}, 0},
    {L"JS2C_OnClickCrashPoint", {VT_I4, VT_I4, VT_I4, VT_I4, VT_R8, VT_R8, VT_R8, VT_R8}, 8},
    {L"JS2C_DEBLOG", {VT_BSTR}, 1},
    {L"JS2C_GetMapURL", {}, 0},
};
constexpr DISPID kMethodCount = sizeof(kMethods) / sizeof(kMethods[0]);

void SetBstr(VARIANT* result, BSTR text) {
  if (!result) {
    SysFreeString(text);
    return;
  }
  result->vt = VT_BSTR;
  result->bstrVal = text;
}

// Calls method `id` with the coerced arguments (in declaration order).
void Call(IHostWebViewFuncs* f, DISPID id, VARIANT* a, VARIANT* result) {
  switch (id) {
    case 1: {
      BOOL online = f ? f->JS2C_ConnectTest() : FALSE;
      if (result) {
        result->vt = VT_BOOL;
        result->boolVal = online ? VARIANT_TRUE : VARIANT_FALSE;
      }
      break;
    }
    case 2:
      if (f) f->JS2C_OnInitHtml();
      break;
    case 3:
    case 4: {
      VARIANT data;
      VariantInit(&data);
      if (f) data = id == 3 ? f->JS2C_GetGPSData() : f->JS2C_GetGridData(a[0].bstrVal ? a[0].bstrVal : L"");
      if (result) *result = data;  // the array moves into the result
      else VariantClear(&data);
      break;
    }
    case 5:
      SetBstr(result, f ? f->JS2C_GetMarkName(a[0].lVal) : SysAllocString(L""));
      break;
    case 6:
      SetBstr(result, f ? f->JS2C_GetRcString(a[0].lVal) : SysAllocString(L""));
      break;
    case 7:
      SetBstr(result, f ? f->JS2C_GetRelJpgNum() : SysAllocString(L""));
      break;
    case 8:
      if (f) {
        f->JS2C_OnClickCrashPoint(a[0].lVal, a[1].lVal, a[2].lVal, a[3].lVal, a[4].dblVal, a[5].dblVal,
                                  a[6].dblVal, a[7].dblVal);
      }
      break;
    case 9:
      if (f) f->JS2C_DEBLOG(a[0].bstrVal ? a[0].bstrVal : L"");
      break;
    case 10:
      SetBstr(result, f ? f->JS2C_GetMapURL() : SysAllocString(L""));
      break;
  }
}

}  // namespace

quill::com::ComPtr<MapExternalDispatch> MapExternalDispatch::Make() {
  return quill::com::ComPtr<MapExternalDispatch>(new (std::nothrow) MapExternalDispatch());
}

ULONG MapExternalDispatch::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

ULONG MapExternalDispatch::Release() {
  const LONG left = InterlockedDecrement(&refs_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT MapExternalDispatch::QueryInterface(REFIID iid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

HRESULT MapExternalDispatch::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT MapExternalDispatch::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT MapExternalDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids) return E_POINTER;
  HRESULT hr = S_OK;
  for (UINT i = 0; i < count; ++i) {
    ids[i] = DISPID_UNKNOWN;
    // Only the method name can be looked up: the methods have no named parameters.
    if (i == 0 && names[0]) {
      for (DISPID m = 0; m < kMethodCount; ++m) {
        if (wcscmp(names[0], kMethods[m].name) == 0) ids[0] = m + 1;
      }
    }
    if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT MapExternalDispatch::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                    EXCEPINFO*, UINT* argError) {
  if (id < 1 || id > kMethodCount) return DISP_E_MEMBERNOTFOUND;
  if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
  const Method& m = kMethods[id - 1];
  UINT given = params ? params->cArgs : 0;
  if (params && params->cNamedArgs > 0) return DISP_E_NONAMEDARGS;
  if (given != static_cast<UINT>(m.argCount)) return DISP_E_BADPARAMCOUNT;
  VARIANT args[kMaxArgs];
  for (int i = 0; i < kMaxArgs; ++i) VariantInit(&args[i]);
  HRESULT hr = S_OK;
  for (int i = 0; i < m.argCount && SUCCEEDED(hr); ++i) {
    // Argument i (declaration order) is rgvarg[count - 1 - i]. The C locale keeps "35.5" a number
    // whatever the user's locale says.
    VARIANT* source = &params->rgvarg[m.argCount - 1 - i];
    hr = VariantChangeTypeEx(&args[i], source, LOCALE_INVARIANT, 0, m.args[i]);
    if (FAILED(hr) && argError) *argError = static_cast<UINT>(m.argCount - 1 - i);
  }
  if (SUCCEEDED(hr)) {
    if (result) VariantInit(result);
    // Nothing may be thrown back into the control (a copy that runs out of memory, for one).
    try {
      Call(funcs_, id, args, result);
    } catch (...) {
      if (result) VariantClear(result);
      hr = E_OUTOFMEMORY;
    }
  } else {
    hr = DISP_E_TYPEMISMATCH;
  }
  for (int i = 0; i < kMaxArgs; ++i) VariantClear(&args[i]);
  return hr;
}

}  // namespace driveviews
