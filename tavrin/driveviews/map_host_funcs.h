// The host calls of the map page, one interface for both map dialogs: the Internet Explorer dialog's
// window.external and the WebView2 host object forward every call of the page here, so the page gets
// the same answers whichever browser shows it. CGoogleMapDlgWrap (map_wrap.h) implements it.
//
// Everything runs on the UI thread (the page calls synchronously). Returned BSTRs and VARIANTs belong
// to the caller.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "platform/framework/private_messages.h"

// Messages the map posts to its owner window (the main dialog).
constexpr UINT kMapReadyMessage = quill::msg::kMapReady;  // the page's map exists: send the track; wParam, lParam 0
constexpr UINT kMapSeekMessage = quill::msg::kMapSeek;  // an event marker was clicked: lParam = position key

class IHostWebViewFuncs {
 public:
  virtual BOOL JS2C_ConnectTest() = 0;
  virtual void JS2C_OnInitHtml() = 0;
  virtual VARIANT JS2C_GetGPSData() = 0;
  virtual VARIANT JS2C_GetGridData(const wchar_t* grid) = 0;
  virtual BSTR JS2C_GetMarkName(int index) = 0;
  virtual BSTR JS2C_GetRcString(int index) = 0;
  virtual BSTR JS2C_GetRelJpgNum() = 0;
  virtual void JS2C_DEBLOG(const wchar_t* text) = 0;
  virtual void JS2C_OnClickCrashPoint(int ifile, int igrid, int ipos, int valid, double lat, double lng,
                                      double speed, double direction) = 0;
  virtual BSTR JS2C_GetMapURL() = 0;
  virtual void JS2C_SetSend() = 0;
  virtual ~IHostWebViewFuncs() = default;
};
