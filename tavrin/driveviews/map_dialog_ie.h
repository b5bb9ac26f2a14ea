// CGoogleMapDlg: the map page (resource 103) in the Internet Explorer WebBrowser control, for systems
// without a WebView2 runtime. The page reaches the host functions through window.external, and the
// dialog hands it the position and playback state through the page's three hidden inputs.
//
// When the control cannot be created or cannot load the page (under Wine it has no engine to render
// with), the dialog stays empty and every call does nothing: the program runs on without a map.
//
// Threads: the UI thread only.
#pragma once

#include <string>

#include "platform/framework/dialog.h"
#include "tavrin/driveviews/map_browser_site.h"
#include "tavrin/driveviews/map_dialog.h"
#include "tavrin/driveviews/map_external_dispatch.h"

namespace driveviews {

class CGoogleMapDlg : public CDialog, public IMapDialog, private IBrowserSiteOwner {
 public:
  explicit CGoogleMapDlg(CWnd* parent = nullptr);
  ~CGoogleMapDlg() override;

  // Creates the dialog as a hidden child of `parent` (the map frame) and starts loading the page.
  BOOL CreateMap(CWnd* parent);
  // window.external, also for tests that call it as the page would.
  IDispatch* ExternalDispatch() { return external_.get(); }
  // The address the dialog loads its page from: res://<program>/103.
  static std::wstring PageUrl();

  // IMapDialog
  HWND Window() const override { return m_hWnd; }
  void SetHostFuncs(IHostWebViewFuncs* funcs) override {
    if (external_) external_->SetHostFuncs(funcs);
  }
  void ExecScript(const std::wstring& statement) override;
  void SetPosition(double latitude, double longitude) override;
  void SetStatus(const std::wstring& status) override { status_ = status; }
  void TransferState() override;
  void SendState() override {}

 protected:
  BOOL OnInitDialog() override;
  // Enter and Escape must not close a child dialog that holds the map.
  void OnOK() override {}
  void OnCancel() override {}
  void OnSize(UINT type, int cx, int cy);
  void OnDestroy();
  DECLARE_MESSAGE_MAP()

 private:
  // IBrowserSiteOwner
  void OnDocumentComplete(bool top, const std::wstring& url) override;
  bool AllowNavigation(const std::wstring& url) override;
  IDispatch* External(const std::wstring& url) override;
  void SetInput(const wchar_t* id, const std::wstring& value);

  double latitude_ = 0.0;
  double longitude_ = 0.0;
  std::wstring status_;
  quill::com::ComPtr<MapExternalDispatch> external_ = MapExternalDispatch::Make();
  quill::com::ComPtr<BrowserSite> site_;
};

}  // namespace driveviews
