// CWebView2Holder: the WebView2 control of the map dialog. It creates the environment, the controller
// and the web view (each step completes through a handler on the UI thread), loads map page 381 from
// the program's resources, registers the host object "sample", and exchanges the state with the page
// as JSON web messages. When the runtime reports a failed process it recovers: a page whose renderer
// ended or hung is loaded again as the program's own navigation; after the browser process ended the
// whole chain is made again. Either way the new page reports itself ready as at the start.
//
// Threads: the UI thread only. The runtime's handlers may arrive after the holder is gone (a dialog
// closed while the environment is still being made): they hold a shared token that the destructor
// clears, and do nothing then.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "platform/com/com_ptr.h"
#include "platform/webview2/webview2_decl.h"
#include "platform/webview2/webview2_loader.h"
#include "tavrin/driveviews/map_host_object.h"
#include "tavrin/driveviews/map_json.h"

namespace driveviews {

// What the environment is asked for: the oldest runtime the page is known to work with.
inline constexpr wchar_t kTargetBrowserVersion[] = L"92.0.902.49";
// The page is drawn smaller than the control's own scale, to fit the map frame.
constexpr double kMapZoomFactor = 0.65;
// The name the page finds the host object under (chrome.webview.hostObjects.sync.sample).
inline constexpr wchar_t kHostObjectName[] = L"sample";

// The user-data folder below the per-user application-data folder, else below the temporary folder;
// empty when both are unknown.
std::wstring UserDataFolderIn(const std::wstring& localAppData, const std::wstring& temp);

class CWebView2Holder {
 public:
  explicit CWebView2Holder(webview2::CreateEnvironmentWithOptionsFn create = webview2::WebView2Loader::Function());
  virtual ~CWebView2Holder();
  CWebView2Holder(const CWebView2Holder&) = delete;
  CWebView2Holder& operator=(const CWebView2Holder&) = delete;

  // Starts the creation chain in `parent` (once; later calls do nothing). S_OK when it started;
  // a missing loader or a refused start leaves the holder without a web view.
  HRESULT Start(HWND parent, IHostWebViewFuncs* funcs, AsyncRunner runner);
  bool Started() const { return created_; }
  bool HasWebView() const { return static_cast<bool>(webView_); }

  HRESULT ResizeToParent();
  HRESULT RemoveHandlers();
  // Closes the controller and lets go of everything the runtime holds of ours.
  void Close();
  void ExecScript(const std::wstring& statement);
  void PostMapUpdate(const std::wstring& status, double latitude, double longitude);
  HRESULT OnWebMessageReceived(ICoreWebView2WebMessageReceivedEventArgs* args);
  void SetHostFuncs(IHostWebViewFuncs* funcs);

  const std::wstring& ReceivedLatitude() const { return receivedLat_; }
  const std::wstring& ReceivedLongitude() const { return receivedLng_; }
  const std::wstring& ReceivedStatus() const { return receivedStatus_; }

  // The user-data folder the runtime keeps its profile in: a per-user folder, writable wherever the
  // program itself is installed or started from (the temporary folder when the per-user one is
  // unknown; empty when neither is).
  static std::wstring UserDataFolder();

 private:
  HRESULT OnEnvironment(HRESULT result, ICoreWebView2Environment* environment);
  HRESULT OnController(HRESULT result, ICoreWebView2Controller* controller);
  HRESULT Setup();
  HRESULT NavigateToPage();
  HRESULT CreateHostObject();
  HRESULT OnNavigationStarting(ICoreWebView2NavigationStartingEventArgs* args);
  HRESULT OnProcessFailed(ICoreWebView2ProcessFailedEventArgs* args);
  // After a failed browser process: everything of the old control goes and the chain starts again.
  void Restart();

  webview2::CreateEnvironmentWithOptionsFn create_;
  HWND parent_ = nullptr;
  IHostWebViewFuncs* funcs_ = nullptr;
  AsyncRunner runner_;
  CJsonHolder json_;
  bool created_ = false;
  quill::com::ComPtr<ICoreWebView2Controller> controller_;
  quill::com::ComPtr<ICoreWebView2> webView_;
  quill::com::ComPtr<HostWebViewObject> hostObject_;
  EventRegistrationToken navigationToken_ = {};
  EventRegistrationToken messageToken_ = {};
  EventRegistrationToken processFailedToken_ = {};
  bool ownNavigationPending_ = false;
  bool hostObjectAdded_ = false;
  std::wstring receivedLat_, receivedLng_, receivedStatus_;
  // Set while the holder lives; the runtime's handlers check it before touching the holder.
  std::shared_ptr<CWebView2Holder*> alive_;
};

}  // namespace driveviews
