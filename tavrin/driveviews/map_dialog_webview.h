// CGoogleMapDlg2: the map page (resource 381) in a WebView2 control, for systems with the WebView2
// runtime. The control is made as soon as the dialog exists, shown or not (a request posted at its
// creation, or its first paint if that comes sooner), so that the page is ready by the time the map
// frame shows it; the page asks for the state about once a second (JS2C_SetSend) and gets it as a web
// message.
//
// Without a runtime or loader the dialog stays empty and every call does nothing: the program runs on
// without a map.
//
// Threads: the UI thread only. Calls the host object was asked to run later arrive as
// quill::msg::kRunHeldCall messages to this dialog, each with a heap function in wParam: the dialog runs
// and frees them, and frees the ones still queued when it is destroyed.
#pragma once

#include <functional>
#include <string>

#include "platform/framework/dialog.h"
#include "platform/framework/private_messages.h"
#include "tavrin/driveviews/map_dialog.h"
#include "tavrin/driveviews/map_webview_holder.h"

namespace driveviews {

class CGoogleMapDlg2 : public CDialogEx, public IMapDialog {
 public:
  explicit CGoogleMapDlg2(CWnd* parent = nullptr,
                          webview2::CreateEnvironmentWithOptionsFn create = webview2::WebView2Loader::Function());
  ~CGoogleMapDlg2() override;

  // Creates the dialog as a hidden child of `parent` (the map frame).
  BOOL CreateMap(CWnd* parent);
  CWebView2Holder& Holder() { return holder_; }
  // The runner handed to the host object: posts the call to this dialog.
  AsyncRunner Runner();

  // IMapDialog
  HWND Window() const override { return m_hWnd; }
  void SetHostFuncs(IHostWebViewFuncs* funcs) override;
  void ExecScript(const std::wstring& statement) override { holder_.ExecScript(statement); }
  void SetPosition(double latitude, double longitude) override;
  void SetStatus(const std::wstring& status) override { status_ = status; }
  void TransferState() override {}
  void SendState() override { holder_.PostMapUpdate(status_, latitude_, longitude_); }

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override {}
  void OnCancel() override {}
  BOOL OnEraseBkgnd(CDC* dc);
  void OnSize(UINT type, int cx, int cy);
  void OnDestroy();
  LRESULT OnRunHeldCall(WPARAM wp, LPARAM lp);
  LRESULT OnStartControl(WPARAM wp, LPARAM lp);
  DECLARE_MESSAGE_MAP()

 private:
  void StartControl();
  void DropQueuedCalls();

  double longitude_ = 0.0;
  double latitude_ = 0.0;
  std::wstring status_;
  IHostWebViewFuncs* funcs_ = nullptr;
  CWebView2Holder holder_;
};

}  // namespace driveviews
