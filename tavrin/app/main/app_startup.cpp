// The application object's steps: common controls, OLE controls, GDI+, the main window, and the
// shut-down in the order that lets every object release what it holds while its library still runs.
#include "tavrin/app/main/app_startup.h"

#include <commctrl.h>
#include <gdiplus.h>

#include <memory>

#include "tavrin/app/main/main_dlg.h"
#include "tavrin/app/main/start_marks.h"
#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/gdi_drawing.h"

CtavrinApp::CtavrinApp() : CWinApp(nullptr) { m_dwRestartManagerSupportFlags = 1; }

BOOL CtavrinApp::InitInstance() {
  quill::app::RunMainWindow();
  return FALSE;
}

namespace quill::app {

INT_PTR RunMainWindow() {
  INITCOMMONCONTROLSEX icc = {sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  AfxEnableControlContainer();  // the map dialog hosts an OLE control
  std::unique_ptr<CShellManager> shell(new (std::nothrow) CShellManager);
  if (CWinApp* app = AfxGetApp()) {
    app->SetRegistryKey(L"アプリケーション ウィザードで生成されたローカル アプリケーション");
  }
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  const bool gdiplus = Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
  MarkStart(StartStep::kAppInit);

  INT_PTR result = -1;
  {
    // The dialog lives in this scope only: it and its members (the skin's GDI+ images among them) are
    // gone before the fonts are deleted and before GDI+ shuts down.
    CtavrinDlg dlg;
    if (CWinApp* app = AfxGetApp()) app->m_pMainWnd = &dlg;
    result = dlg.DoModal();
    if (CWinApp* app = AfxGetApp()) app->m_pMainWnd = nullptr;
  }
  shell.reset();
  // The fonts are no longer selected anywhere; then the shared drawer's image, then GDI+.
  DeleteAppFonts();
  g_GdiDrawer.Reset();
  if (gdiplus) Gdiplus::GdiplusShutdown(token);
  return result;
}

}  // namespace quill::app
