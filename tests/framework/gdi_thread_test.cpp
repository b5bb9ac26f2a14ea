// GDI objects (ownership, scoped selection, temporaries) and the application's start.
#include <gtest/gtest.h>

#include <objbase.h>

#include "platform/framework/app.h"
#include "platform/framework/gdi.h"
#include "platform/framework/thread.h"
#include "platform/framework/wnd.h"

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);

TEST(GdiObjects, AnOwnedObjectIsDeletedWithItsWrapperAndATemporaryNever) {
  HGDIOBJ handle = nullptr;
  {
    CBrush brush(kRed);
    handle = brush.m_hObject;
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(GetObjectType(handle), static_cast<DWORD>(OBJ_BRUSH));
  }
  EXPECT_EQ(GetObjectType(handle), 0u) << "the brush outlived its wrapper";

  HBRUSH raw = CreateSolidBrush(kRed);
  CBrush* temp = CBrush::FromHandle(raw);
  ASSERT_NE(temp, nullptr);
  EXPECT_EQ(CBrush::FromHandle(raw), temp);
  AfxDeleteTempObjects();
  EXPECT_EQ(GetObjectType(raw), static_cast<DWORD>(OBJ_BRUSH)) << "a temporary deleted its handle";
  DeleteObject(raw);

  CBrush stock;
  ASSERT_TRUE(stock.CreateStockObject(BLACK_BRUSH));
  EXPECT_FALSE(stock.CreateSolidBrush(kRed)) << "one object per wrapper";
}

// The application's start: InitInstance runs on an OLE apartment; FALSE ends the program at once.
class CTestApp : public CWinApp {
 public:
  HRESULT apartmentProbe = E_FAIL;
  int inits = 0;
  BOOL InitInstance() override {
    ++inits;
    apartmentProbe = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(apartmentProbe)) CoUninitialize();
    return FALSE;
  }
  int ExitInstance() override { return 3; }
};

UINT __cdecl RunApp(LPVOID) {
  return static_cast<UINT>(AfxWinMain(GetModuleHandleW(nullptr), nullptr, nullptr, SW_SHOW));
}

TEST(Application, InitInstanceRunsInAnOleApartmentAndFalseEndsTheProgram) {
  CTestApp app;
  ASSERT_EQ(AfxGetApp(), &app);
  CWinThread* ui = AfxBeginThread(&RunApp, nullptr, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
  ASSERT_NE(ui, nullptr);
  ui->m_bAutoDelete = FALSE;
  ui->ResumeThread();
  ASSERT_EQ(WaitForSingleObject(ui->m_hThread, 5000), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeThread(ui->m_hThread, &code);
  delete ui;
  EXPECT_EQ(app.inits, 1);
  EXPECT_EQ(app.apartmentProbe, S_FALSE) << "OLE was not initialised before InitInstance";
  EXPECT_EQ(code, 3u);
}

}  // namespace
