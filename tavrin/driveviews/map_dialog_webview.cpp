// The WebView2 map dialog: starting the control, resizing it, and the host object's held calls.
#include "tavrin/driveviews/map_dialog_webview.h"

#include "res/map_res.h"

#include <memory>

namespace driveviews {

BEGIN_MESSAGE_MAP(CGoogleMapDlg2, CDialogEx)
  ON_WM_ERASEBKGND()
  ON_WM_SIZE()
  ON_WM_DESTROY()
  ON_MESSAGE(quill::msg::kRunHeldCall, OnRunHeldCall)
  ON_MESSAGE(quill::msg::kMapStartControl, OnStartControl)
END_MESSAGE_MAP()

using quill::msg::kRunHeldCall;

CGoogleMapDlg2::CGoogleMapDlg2(CWnd* parent, webview2::CreateEnvironmentWithOptionsFn create)
    : CDialogEx(IDD_MAP_WEBVIEW, parent), holder_(create) {}

CGoogleMapDlg2::~CGoogleMapDlg2() {
  holder_.SetHostFuncs(nullptr);
  // Destroyed here, while this class's handlers still run: OnDestroy frees the queued calls.
  DestroyWindow();
  holder_.Close();
}

BOOL CGoogleMapDlg2::CreateMap(CWnd* parent) { return Create(IDD_MAP_WEBVIEW, parent); }

void CGoogleMapDlg2::SetHostFuncs(IHostWebViewFuncs* funcs) {
  funcs_ = funcs;
  holder_.SetHostFuncs(funcs);
}

void CGoogleMapDlg2::SetPosition(double latitude, double longitude) {
  latitude_ = latitude;
  longitude_ = longitude;
}

AsyncRunner CGoogleMapDlg2::Runner() {
  HWND window = m_hWnd;
  return [window](std::function<void()> call) {
    auto held = std::make_unique<std::function<void()>>(std::move(call));
    if (::PostMessageW(window, kRunHeldCall, reinterpret_cast<WPARAM>(held.get()), 0)) held.release();
  };
}

void CGoogleMapDlg2::StartControl() {
  if (holder_.Started()) return;
  holder_.Start(m_hWnd, funcs_, Runner());
}

BOOL CGoogleMapDlg2::OnInitDialog() {
  CDialogEx::OnInitDialog();
  // Started from the queue: by then the creator has placed the dialog and given it its host functions.
  // A hidden dialog is never painted, so the first paint cannot be what starts it.
  PostMessage(quill::msg::kMapStartControl, 0, 0);
  return TRUE;
}

LRESULT CGoogleMapDlg2::OnStartControl(WPARAM, LPARAM) {
  StartControl();
  return 0;
}

BOOL CGoogleMapDlg2::OnEraseBkgnd(CDC* dc) {
  StartControl();
  return CDialogEx::OnEraseBkgnd(dc);
}

void CGoogleMapDlg2::OnSize(UINT, int, int) { holder_.ResizeToParent(); }

LRESULT CGoogleMapDlg2::OnRunHeldCall(WPARAM wp, LPARAM) {
  std::unique_ptr<std::function<void()>> call(reinterpret_cast<std::function<void()>*>(wp));
  if (call && *call) (*call)();
  return 0;
}

void CGoogleMapDlg2::DropQueuedCalls() {
  MSG m;
  while (::PeekMessageW(&m, m_hWnd, kRunHeldCall, kRunHeldCall, PM_REMOVE)) {
    delete reinterpret_cast<std::function<void()>*>(m.wParam);
  }
}

void CGoogleMapDlg2::OnDestroy() {
  holder_.Close();
  DropQueuedCalls();
  CDialogEx::OnDestroy();
}

}  // namespace driveviews
