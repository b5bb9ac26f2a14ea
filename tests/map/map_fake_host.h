// Host functions that record what the page's calls handed them, for the dialogs' dispatch tests.
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
