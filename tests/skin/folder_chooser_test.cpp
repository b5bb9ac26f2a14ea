// The folder chooser: its start folder, flags and result, the failure message, COM on worker threads,
// and the callback that selects the start folder.
#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>

#include <atomic>

#include "platform/framework/thread.h"
#include "tests/skin/skin_capture.h"
#include "tests/support/test_env.h"
#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/settings_ini.h"

namespace {

// What the injected chooser saw and what it answers.
struct ChooserScript {
  std::wstring startFolder;
  std::wstring title;
  UINT flags = 0;
  HWND owner = nullptr;
  HRESULT apartmentProbe = E_FAIL;  // CoInitializeEx(STA) inside the chooser: S_FALSE when set up
  PIDLIST_ABSOLUTE answer = nullptr;
  int calls = 0;
};
ChooserScript g_script;

PIDLIST_ABSOLUTE FakeChooser(BROWSEINFOW* info) {
  ++g_script.calls;
  g_script.startFolder = reinterpret_cast<const wchar_t*>(info->lParam);
  g_script.title = info->lpszTitle ? info->lpszTitle : L"";
  g_script.flags = info->ulFlags;
  g_script.owner = info->hwndOwner;
  g_script.apartmentProbe = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (SUCCEEDED(g_script.apartmentProbe)) CoUninitialize();
  return g_script.answer;
}

std::wstring g_message, g_caption;
void FakeMessage(CWnd*, LPCWSTR text, LPCWSTR caption) {
  g_message = text;
  g_caption = caption;
}

class FolderChooser : public ::testing::Test {
 protected:
  void SetUp() override {
    g_script = ChooserScript();
    g_message.clear();
    g_caption.clear();
    quill::skin::SetFolderBrowseFunction(&FakeChooser);
    quill::skin::SetSettingsMessageFunction(&FakeMessage);
    lstrcpynW(g_szAppDirectory, appDir_.path().c_str(), MAX_PATH);
  }
  void TearDown() override {
    quill::skin::SetFolderBrowseFunction(nullptr);
    quill::skin::SetSettingsMessageFunction(nullptr);
    g_szAppDirectory[0] = L'\0';
  }
  quill::test::TempDir appDir_;
};

TEST_F(FolderChooser, StartsAtTheStartUpDirectoryWhenNothingIsStoredAndCancelGivesEmpty) {
  CString chosen = GetFolderFromIniOrBrowse(nullptr, L"FOLDERPATH", L"CSV_FOLDER", L"出力先フォルダーを選択してください。");
  EXPECT_TRUE(chosen.IsEmpty());
  EXPECT_EQ(g_script.calls, 1);
  EXPECT_EQ(g_script.startFolder, appDir_.path());
  EXPECT_EQ(g_script.title, L"出力先フォルダーを選択してください。");
  EXPECT_EQ(g_script.flags, 0x41u);
  EXPECT_TRUE(g_message.empty());
}

UINT __cdecl ChooseOnWorker(LPVOID multithreaded) {
  if (multithreaded) CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  GetFolderFromIniOrBrowse(nullptr, L"FOLDERPATH", L"CONVERT_FOLDER", L"t");
  if (multithreaded) CoUninitialize();
  return 0;
}

// Regression: the tools call the chooser on workers that never set up COM, which the new-style chooser
// needs; a worker already in the multithreaded apartment gets the old-style chooser.
TEST_F(FolderChooser, OnAWorkerThreadTheChooserGetsTheApartmentItNeeds) {
  for (bool mta : {false, true}) {
    g_script = ChooserScript();
    CWinThread* worker = AfxBeginThread(&ChooseOnWorker, reinterpret_cast<LPVOID>(mta), THREAD_PRIORITY_NORMAL,
                                        0, CREATE_SUSPENDED);
    ASSERT_NE(worker, nullptr);
    worker->m_bAutoDelete = FALSE;
    worker->ResumeThread();
    ASSERT_EQ(WaitForSingleObject(worker->m_hThread, 10000), WAIT_OBJECT_0);
    delete worker;
    EXPECT_EQ(g_script.calls, 1);
    if (mta) {
      EXPECT_EQ(g_script.flags, static_cast<UINT>(BIF_RETURNONLYFSDIRS));
    } else {
      EXPECT_EQ(g_script.apartmentProbe, S_FALSE) << "COM was not set up as an STA for the chooser";
      EXPECT_EQ(g_script.flags, 0x41u);
    }
  }
}

}  // namespace
