// The WebView2 control of the map dialog: creation chain, page, host object and web messages.
#include "tavrin/driveviews/map_webview_holder.h"

#include "platform/webview2/webview2_handler.h"
#include "platform/webview2/webview2_options.h"
#include "res/map_res.h"
#include "tavrin/driveviews/map_script_text.h"

#include <shlobj.h>

#include <cstring>
#include <vector>

namespace driveviews {

using quill::com::ComPtr;

namespace {

// Resource type of the map pages.
const wchar_t* const kHtmlResourceType = MAKEINTRESOURCEW(23);

// Releases a text the runtime allocated.
class TaskText {
 public:
  ~TaskText() { CoTaskMemFree(p_); }
  LPWSTR* put() { return &p_; }
  std::wstring str() const { return p_ ? std::wstring(p_) : std::wstring(); }

 private:
  LPWSTR p_ = nullptr;
};

}  // namespace

CWebView2Holder::CWebView2Holder(webview2::CreateEnvironmentWithOptionsFn create)
    : create_(create), alive_(std::make_shared<CWebView2Holder*>(this)) {}

CWebView2Holder::~CWebView2Holder() {
  *alive_ = nullptr;
  Close();
}

std::wstring UserDataFolderIn(const std::wstring& localAppData, const std::wstring& temp) {
  std::wstring base = !localAppData.empty() ? localAppData : temp;
  if (base.empty()) return std::wstring();
  if (base.back() == L'\\') base.pop_back();
  return base + L"\\Quillmere\\WebView2";
}

std::wstring CWebView2Holder::UserDataFolder() {
  wchar_t local[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, local))) {
    local[0] = L'\0';
  }
  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
  if (n == 0 || n > MAX_PATH) temp[0] = L'\0';
  return UserDataFolderIn(local, temp);
}

void CWebView2Holder::SetHostFuncs(IHostWebViewFuncs* funcs) {
  funcs_ = funcs;
  if (hostObject_ && !funcs) hostObject_->Detach();
}

HRESULT CWebView2Holder::Start(HWND parent, IHostWebViewFuncs* funcs, AsyncRunner runner) {
  if (created_) return S_FALSE;
  created_ = true;
  parent_ = parent;
  funcs_ = funcs;
  runner_ = std::move(runner);
  if (!create_) return E_NOINTERFACE;
  ComPtr<webview2::EnvironmentOptions> options = webview2::EnvironmentOptions::Make();
  if (!options) return E_OUTOFMEMORY;
  options->put_TargetCompatibleBrowserVersion(kTargetBrowserVersion);
  options->put_AllowSingleSignOnUsingOSPrimaryAccount(FALSE);
  std::shared_ptr<CWebView2Holder*> alive = alive_;
  auto handler = webview2::MakeHandler<webview2::EnvironmentCompleted>(
      [alive](HRESULT result, ICoreWebView2Environment* environment) -> HRESULT {
        return *alive ? (*alive)->OnEnvironment(result, environment) : S_OK;
      });
  if (!handler) return E_OUTOFMEMORY;
  // Never without a folder: the runtime would then keep its profile beside the program, where a user
  // may not write.
  std::wstring folder = UserDataFolder();
  if (folder.empty()) return E_FAIL;
  return create_(nullptr, folder.c_str(), options.get(), handler.get());
}

HRESULT CWebView2Holder::OnEnvironment(HRESULT result, ICoreWebView2Environment* environment) {
  if (FAILED(result) || !environment) return E_FAIL;
  std::shared_ptr<CWebView2Holder*> alive = alive_;
  auto handler = webview2::MakeHandler<webview2::ControllerCompleted>(
      [alive](HRESULT hr, ICoreWebView2Controller* controller) -> HRESULT {
        return *alive ? (*alive)->OnController(hr, controller) : S_OK;
      });
  if (!handler) return E_FAIL;
  return SUCCEEDED(environment->CreateCoreWebView2Controller(parent_, handler.get())) ? S_OK : E_FAIL;
}

HRESULT CWebView2Holder::OnController(HRESULT result, ICoreWebView2Controller* controller) {
  if (FAILED(result) || !controller) return E_FAIL;
  controller_ = ComPtr<ICoreWebView2Controller>::Borrow(controller);
  webView_.reset();
  if (FAILED(controller_->get_CoreWebView2(webView_.put())) || !webView_) {
    webView_.reset();
    return E_FAIL;
  }
  if (FAILED(Setup())) return E_FAIL;
  // The chain starts while the map frame is still hidden: a hidden control must not take the keyboard
  // from the main window (it takes the focus itself when the user clicks into the map).
  if (parent_ && IsWindowVisible(parent_)) controller_->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
  return S_OK;
}

HRESULT CWebView2Holder::Setup() {
  ComPtr<ICoreWebView2Settings> settings;
  if (FAILED(webView_->get_Settings(settings.put())) || !settings) return E_FAIL;
  if (FAILED(settings->put_IsScriptEnabled(TRUE)) || FAILED(settings->put_AreDefaultScriptDialogsEnabled(TRUE)) ||
      FAILED(settings->put_IsWebMessageEnabled(TRUE))) {
    return E_FAIL;
  }
  if (FAILED(ResizeToParent())) return E_FAIL;
  // The host object and the handlers first, so that the page finds "sample" from its first script on.
  std::shared_ptr<CWebView2Holder*> alive = alive_;
  auto onMessage = webview2::MakeHandler<webview2::WebMessageReceived>(
      [alive](ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args) -> HRESULT {
        return *alive ? (*alive)->OnWebMessageReceived(args) : S_OK;
      });
  if (!onMessage || FAILED(webView_->add_WebMessageReceived(onMessage.get(), &messageToken_))) return E_FAIL;
  auto onFailure = webview2::MakeHandler<webview2::ProcessFailed>(
      [alive](ICoreWebView2*, ICoreWebView2ProcessFailedEventArgs* args) -> HRESULT {
        return *alive ? (*alive)->OnProcessFailed(args) : S_OK;
      });
  if (!onFailure || FAILED(webView_->add_ProcessFailed(onFailure.get(), &processFailedToken_))) return E_FAIL;
  if (FAILED(CreateHostObject())) return E_FAIL;
  return NavigateToPage();
}

HRESULT CWebView2Holder::NavigateToPage() {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDR_MAP_PAGE_WEBVIEW), kHtmlResourceType);
  if (!found) return E_FAIL;
  DWORD size = SizeofResource(module, found);
  HGLOBAL loaded = LoadResource(module, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes || size == 0) return E_FAIL;
  // The page is UTF-16 text without its closing zero: copy it into a buffer that ends in one.
  std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, L'\0');
  std::memcpy(text.data(), bytes, size - size % sizeof(wchar_t));
  ownNavigationPending_ = true;
  HRESULT hr = webView_->NavigateToString(text.data());
  if (FAILED(hr)) ownNavigationPending_ = false;
  return hr;
}

HRESULT CWebView2Holder::CreateHostObject() {
  hostObject_ = HostWebViewObject::Make(funcs_, runner_);
  if (!hostObject_) return E_FAIL;
  std::shared_ptr<CWebView2Holder*> alive = alive_;
  auto onNavigation = webview2::MakeHandler<webview2::NavigationStarting>(
      [alive](ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) -> HRESULT {
        return *alive ? (*alive)->OnNavigationStarting(args) : S_OK;
      });
  if (!onNavigation) return E_FAIL;
  return webView_->add_NavigationStarting(onNavigation.get(), &navigationToken_);
}

HRESULT CWebView2Holder::OnNavigationStarting(ICoreWebView2NavigationStartingEventArgs* args) {
  if (!args || !webView_) return E_FAIL;
  TaskText uri;
  args->get_Uri(uri.put());
  if (!ownNavigationPending_) {
    // Only the program's own page may see the host object: a link in the map must not take the
    // control (and the user's track) elsewhere.
    args->put_Cancel(TRUE);
    return S_OK;
  }
  ownNavigationPending_ = false;
  if (hostObjectAdded_) return S_OK;
  VARIANT object;
  VariantInit(&object);
  object.vt = VT_DISPATCH;
  object.pdispVal = static_cast<IDispatch*>(hostObject_.get());
  if (FAILED(webView_->AddHostObjectToScript(kHostObjectName, &object))) return E_FAIL;
  hostObjectAdded_ = true;
  return S_OK;
}

HRESULT CWebView2Holder::OnProcessFailed(ICoreWebView2ProcessFailedEventArgs* args) {
  COREWEBVIEW2_PROCESS_FAILED_KIND kind = COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED;
  if (!args || FAILED(args->get_ProcessFailedKind(&kind))) return S_OK;
  const bool browserGone = kind == COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED;
  if (!browserGone && kind != COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED &&
      kind != COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_UNRESPONSIVE) {
    return S_OK;  // a helper process of the runtime: the page goes on
  }
  // Not from inside the runtime's own event: the control is closed or navigated from the dialog's queue.
  std::shared_ptr<CWebView2Holder*> alive = alive_;
  std::function<void()> recover = [alive, browserGone] {
    if (!*alive) return;
    if (browserGone) {
      (*alive)->Restart();
    } else if ((*alive)->webView_) {
      (*alive)->NavigateToPage();
    }
  };
  if (runner_) {
    runner_(std::move(recover));
  } else {
    recover();
  }
  return S_OK;
}

void CWebView2Holder::Restart() {
  Close();
  hostObjectAdded_ = false;
  ownNavigationPending_ = false;
  created_ = false;
  AsyncRunner runner = runner_;
  Start(parent_, funcs_, std::move(runner));
}

HRESULT CWebView2Holder::ResizeToParent() {
  if (!parent_ || !controller_) return S_OK;
  RECT rect = {};
  GetClientRect(parent_, &rect);
  HRESULT hr = controller_->put_Bounds(rect);
  if (FAILED(hr)) return hr;
  return controller_->put_ZoomFactor(kMapZoomFactor);
}

HRESULT CWebView2Holder::RemoveHandlers() {
  if (!webView_) return E_FAIL;
  HRESULT hr = S_OK;
  if (hostObjectAdded_ && FAILED(webView_->RemoveHostObjectFromScript(kHostObjectName))) hr = E_FAIL;
  hostObjectAdded_ = false;
  if (FAILED(webView_->remove_NavigationStarting(navigationToken_))) hr = E_FAIL;
  if (FAILED(webView_->remove_WebMessageReceived(messageToken_))) hr = E_FAIL;
  if (FAILED(webView_->remove_ProcessFailed(processFailedToken_))) hr = E_FAIL;
  return hr;
}

void CWebView2Holder::Close() {
  if (webView_) RemoveHandlers();
  if (hostObject_) hostObject_->Detach();
  if (controller_) controller_->Close();
  hostObject_.reset();
  webView_.reset();
  controller_.reset();
  json_.Clear();
}

void CWebView2Holder::ExecScript(const std::wstring& statement) {
  if (!webView_) return;
  auto done = webview2::MakeHandler<webview2::ScriptCompleted>([](HRESULT, LPCWSTR) -> HRESULT { return S_OK; });
  webView_->ExecuteScript(statement.c_str(), done.get());
}

void CWebView2Holder::PostMapUpdate(const std::wstring& status, double latitude, double longitude) {
  if (!webView_) return;
  json_.Clear();
  json_.Set(L"val_command", L"update", L",");
  json_.Set(L"map_lat", ScriptNumber(latitude), L",");
  json_.Set(L"map_lng", ScriptNumber(longitude), L",");
  json_.Set(L"map_status", status, L",");
  json_.Set(L"val_end", L"", L"");
  webView_->PostWebMessageAsJson(json_.ToString().c_str());
}

HRESULT CWebView2Holder::OnWebMessageReceived(ICoreWebView2WebMessageReceivedEventArgs* args) {
  if (!args) return E_INVALIDARG;
  TaskText json;
  if (FAILED(args->get_WebMessageAsJson(json.put()))) return S_OK;
  CJsonHolder message;
  message.Parse(json.str());
  // A member the message lacks leaves the earlier value.
  message.Get(L"map_lat", &receivedLat_);
  message.Get(L"map_lng", &receivedLng_);
  message.Get(L"map_status", &receivedStatus_);
  return S_OK;
}

}  // namespace driveviews
