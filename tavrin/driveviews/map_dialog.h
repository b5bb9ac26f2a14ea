// What the map wrapper needs of a map dialog, whichever browser it shows the page in. The Internet
// Explorer dialog (map_dialog_ie.h) and the WebView2 dialog (map_dialog_webview.h) implement it; the
// tests put a fake in their place.
#pragma once

#include <windows.h>

#include <string>

class IHostWebViewFuncs;

namespace driveviews {

class IMapDialog {
 public:
  virtual ~IMapDialog() = default;
  // The dialog's window (null when it could not be created).
  virtual HWND Window() const = 0;
  // Sets the host functions the page's calls go to (not owned; null answers every call with nothing).
  virtual void SetHostFuncs(IHostWebViewFuncs* funcs) = 0;
  // Runs one statement in the page; nothing while the page is not there.
  virtual void ExecScript(const std::wstring& statement) = 0;
  // The state handed to the page: current position and playback status text.
  virtual void SetPosition(double latitude, double longitude) = 0;
  virtual void SetStatus(const std::wstring& status) = 0;
  // Hands the state to the page now (the Internet Explorer page's inputs); the WebView2 dialog sends
  // it when the page next asks (SendState).
  virtual void TransferState() = 0;
  // The page asks for the state (WebView2 only; the other dialog does nothing).
  virtual void SendState() = 0;
};

}  // namespace driveviews
