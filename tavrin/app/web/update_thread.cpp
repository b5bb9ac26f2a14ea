// The update thread: reads the version files, decides, and shows the update dialog with a message loop
// of its own until Stop posts WM_QUIT.
#include "tavrin/app/web/connectivity_watch.h"

#include <objbase.h>

#include "platform/framework/dialog.h"
#include "res/dialogs_res.h"
#include "tavrin/app/dialogs/update_dlg.h"
#include "tavrin/app/web/worker_state.h"

namespace quill::app {
namespace {

void Publish(CInetConnectionAsync::Outcome& out, const std::wstring& message, HWND dialog) {
  {
    std::lock_guard<std::mutex> lock(out.lock);
    out.message = message;
    out.dialog = dialog;
  }
  SetEvent(out.decided.get());
}

// The thread's COM apartment: a link click in the dialog calls ShellExecuteW on this thread, and the
// shell's handlers of an address need COM started there.
class ThreadApartment {
 public:
  ThreadApartment() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
  ~ThreadApartment() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ThreadApartment(const ThreadApartment&) = delete;
  ThreadApartment& operator=(const ThreadApartment&) = delete;

 private:
  HRESULT hr_;
};

void RunLoop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (WalkPreTranslateTree(&msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace

unsigned __stdcall CInetConnectionAsync::UpdateCheckThreadProc(void* arg) {
  std::shared_ptr<Worker> w = std::move(*static_cast<std::shared_ptr<Worker>*>(arg));
  delete static_cast<std::shared_ptr<Worker>*>(arg);
  MSG peek;
  PeekMessageW(&peek, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // makes the queue
  SetEvent(w->ready.get());
  Outcome& out = *w->outcome;
  std::wstring message;
  if (!w->Stopped()) {
    // A stop between the two files skips the second one.
    const VersionFetch& fetch = w->config.fetch;
    auto unlessStopped = [&w, &fetch](const std::wstring& url, std::wstring* version) {
      return !w->Stopped() && fetch(url, version);
    };
    const UpdateFindings found =
        FindUpdates(w->config.update, w->firmware, w->config.programVersion, unlessStopped);
    message = BuildUpdateMessage(found, w->config.update, w->config.programVersion);
  }
  if (message.empty() || w->Stopped()) {
    Publish(out, message, nullptr);
    return 0;
  }
  {
    const ThreadApartment apartment;
    CUpdateDialog dlg(message, {w->config.update.firmwarePage, w->config.update.viewerPage});
    if (!dlg.Create(IDD_UPDATE, CWnd::GetDesktopWindow())) {
      Publish(out, message, nullptr);
      AfxDeleteTempObjects();
      return 0;
    }
    dlg.ShowWindow(SW_SHOW);
    Publish(out, message, dlg.m_hWnd);
    RunLoop();
    {
      std::lock_guard<std::mutex> lock(out.lock);
      out.dialog = nullptr;
    }
    dlg.DestroyWindow();
  }
  AfxDeleteTempObjects();
  return 0;
}

}  // namespace quill::app
