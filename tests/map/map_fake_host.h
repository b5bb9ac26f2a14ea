// Host functions that record what the page's calls handed them, and calls by name with script-order
// arguments, for the dialogs' dispatch tests.
#pragma once

#include <string>
#include <vector>

#include "tavrin/driveviews/map_host_funcs.h"
#include "tavrin/driveviews/map_host_values.h"

class RecordingHost : public IHostWebViewFuncs {
 public:
  BOOL JS2C_ConnectTest() override { return TRUE; }
  void JS2C_OnInitHtml() override { ++inits; }
  VARIANT JS2C_GetGPSData() override {
    playcore::sGPSPOINT p = {};
    p.valid = 1;
    return driveviews::BuildTrackArray(&p, 1);
  }
  VARIANT JS2C_GetGridData(const wchar_t* text) override {
    grid = text;
    return JS2C_GetGPSData();
  }
  BSTR JS2C_GetMarkName(int index) override { return SysAllocString(std::to_wstring(index).c_str()); }
  BSTR JS2C_GetRcString(int index) override { return SysAllocString((L"rc" + std::to_wstring(index)).c_str()); }
  BSTR JS2C_GetRelJpgNum() override { return SysAllocString(L"4200"); }
  void JS2C_DEBLOG(const wchar_t* text) override { log = text; }
  void JS2C_OnClickCrashPoint(int a, int b, int c, int d, double lat, double lng, double speed,
                              double direction) override {
    ints = {a, b, c, d};
    doubles = {lat, lng, speed, direction};
  }
  BSTR JS2C_GetMapURL() override { return SysAllocString(L"https://example.invalid/x"); }
  void JS2C_SetSend() override {}

  int inits = 0;
  std::wstring grid, log;
  std::vector<int> ints;
  std::vector<double> doubles;
};

namespace maptest {

inline VARIANT I4(int v) {
  VARIANT x;
  x.vt = VT_I4;
  x.lVal = v;
  return x;
}
inline VARIANT R8(double v) {
  VARIANT x;
  x.vt = VT_R8;
  x.dblVal = v;
  return x;
}
inline VARIANT Str(const wchar_t* s) {
  VARIANT x;
  x.vt = VT_BSTR;
  x.bstrVal = SysAllocString(s);
  return x;
}

// Calls a method by name with the arguments in script order (DISPPARAMS holds them last first).
inline HRESULT Call(IDispatch* d, const wchar_t* name, std::vector<VARIANT> args, VARIANT* result) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  DISPID id = 0;
  HRESULT hr = d->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  if (SUCCEEDED(hr)) {
    hr = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params, result,
                   nullptr, nullptr);
  }
  for (VARIANT& v : args) VariantClear(&v);
  return hr;
}

}  // namespace maptest
