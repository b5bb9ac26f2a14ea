// The skinned message box, shown from worker threads the way the tool commands show it, and answered by
// this test as a user would: the box is found by its caption and text, checked by its buttons' texts,
// places and visibility (message boxes are not captured by screenshots under Wine) and answered with
// a button's command.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/msg_box.h"
#include "tavrin/skin/settings_ini.h"
#include "tavrin/skin/ui_texts.h"
#include "tests/skin/skin_capture.h"
#include "tests/support/test_env.h"

namespace {

class FontEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { InitAppFontsAndLanguage(nullptr); }
  void TearDown() override { DeleteAppFonts(); }
};
const auto* const kFonts = ::testing::AddGlobalTestEnvironment(new FontEnvironment);

std::wstring TextOf(HWND h) {
  wchar_t buf[512] = {};
  if (h) GetWindowTextW(h, buf, 512);
  return buf;
}

// The visible dialog with this caption, whatever thread made it; null after the timeout.
HWND FindBox(const std::wstring& caption, DWORD timeoutMs = 5000) {
  HWND found = nullptr;
  quill::test::PumpUntil([&] {
    found = FindWindowW(L"#32770", caption.c_str());
    return found && IsWindowVisible(found);
  }, timeoutMs);
  return found && IsWindowVisible(found) ? found : nullptr;
}

// CMsgBox::Show on a worker thread; the answer arrives in result.
class ShowOnWorker {
 public:
  ShowOnWorker(CWnd* owner, const wchar_t* text, const wchar_t* caption, UINT type)
      : thread_([=] { result_ = CMsgBox(owner).Show(text, caption, type); done_ = true; }) {}
  ~ShowOnWorker() {
    if (thread_.joinable()) thread_.join();
  }
  // Waits (pumping this thread, whose windows the box may disable) for the answer.
  INT_PTR Wait() {
    EXPECT_TRUE(quill::test::PumpUntil([&] { return done_.load(); }, 5000)) << "the box did not close";
    if (done_) thread_.join();
    return result_;
  }

 private:
  std::atomic<INT_PTR> result_{-2};
  std::atomic<bool> done_{false};
  std::thread thread_;
};

RECT ClientRectOf(HWND dlg, HWND child) {
  RECT rc = {};
  GetWindowRect(child, &rc);
  MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

void Press(HWND dlg, int id) {
  PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

struct AnswerCase {
  UINT type;
  int button;     // the button the user presses
  INT_PTR answer;
  const wchar_t* okText;      // null: the button is hidden
  const wchar_t* cancelText;
};

TEST(MsgBox, EveryTypeShowsItsButtonsAndReturnsTheAnswerToTheWorker) {
  const AnswerCase cases[] = {
      {CMsgBox::kTypeOk, IDOK, IDOK, L"OK", nullptr},
      {CMsgBox::kTypeOk, IDCANCEL, IDCANCEL, L"OK", nullptr},  // Escape
      {CMsgBox::kTypeOkCancel, IDOK, IDOK, L"OK", L"キャンセル"},
      {CMsgBox::kTypeOkCancel, IDCANCEL, IDCANCEL, L"OK", L"キャンセル"},
      {CMsgBox::kTypeYesNo, IDOK, IDYES, L"はい", L"いいえ"},
      {CMsgBox::kTypeYesNo, IDCANCEL, IDNO, L"はい", L"いいえ"},
      // Regression: a type the box does not know left OK and Cancel doing nothing: it never closed.
      {7, IDOK, IDOK, L"OK", nullptr},
      {7, IDCANCEL, IDCANCEL, L"OK", nullptr},
  };
  for (const AnswerCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << " button " << c.button);
    ShowOnWorker worker(nullptr, L"削除しますか？", L"確認", c.type);
    HWND box = FindBox(L"確認");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(TextOf(GetDlgItem(box, CMsgDlg::kTextId)), L"削除しますか？");
    EXPECT_EQ(GetWindowLongW(box, GWL_STYLE) & WS_BORDER, 0) << "skinned: no frame";
    HWND ok = GetDlgItem(box, IDOK), cancel = GetDlgItem(box, IDCANCEL);
    EXPECT_TRUE(IsWindowVisible(ok));
    EXPECT_EQ(TextOf(ok), c.okText);
    EXPECT_EQ(IsWindowVisible(cancel) != FALSE, c.cancelText != nullptr);
    if (c.cancelText) {
      EXPECT_EQ(TextOf(cancel), c.cancelText);
    }
    Press(box, c.button);
    EXPECT_EQ(worker.Wait(), c.answer);
  }
}

TEST(MsgBox, TheButtonsSitInTheLowerRightCornerSlot) {
  ShowOnWorker worker(nullptr, L"保存しました。", L"ERROR", CMsgBox::kTypeOkCancel);
  HWND box = FindBox(L"ERROR");
  ASSERT_NE(box, nullptr);
  RECT client = {};
  GetClientRect(box, &client);
  const RECT cancel = ClientRectOf(box, GetDlgItem(box, IDCANCEL));
  const RECT ok = ClientRectOf(box, GetDlgItem(box, IDOK));
  EXPECT_EQ(cancel.left, client.right - 115);
  EXPECT_EQ(cancel.top, client.bottom - 45);
  EXPECT_EQ(cancel.right - cancel.left, 100);
  EXPECT_EQ(cancel.bottom - cancel.top, 30);
  EXPECT_EQ(ok.left, cancel.left - 115);
  EXPECT_EQ(ok.top, cancel.top);
  Press(box, IDOK);
  EXPECT_EQ(worker.Wait(), IDOK);
}

SIZE MeasureLines(const std::wstring& a, const std::wstring& b) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, g_hFont10);
  SIZE sa = {}, sb = {};
  GetTextExtentPoint32W(dc, a.c_str(), static_cast<int>(a.size()), &sa);
  GetTextExtentPoint32W(dc, b.c_str(), static_cast<int>(b.size()), &sb);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return SIZE{std::max(sa.cx, sb.cx), sa.cy + sb.cy};
}

TEST(MsgBox, TwoLinesMakeTheBoxAsWideAsTheWiderLineAndCentreItOnTheOwner) {
  const std::wstring first = L"ファイルの結合に失敗しました。", second = L"空き容量を確認してください。詳しくはログを見てください。";
  CWnd owner;
  ASSERT_TRUE(owner.CreateEx(0, AfxRegisterWndClass(0), L"owner", WS_POPUP | WS_VISIBLE, 200, 150, 700, 500,
                             nullptr, nullptr));
  const std::wstring text = first + L"\r\n" + second;
  ShowOnWorker worker(&owner, text.c_str(), L"ERROR", CMsgBox::kTypeOk);
  HWND box = FindBox(L"ERROR");
  ASSERT_NE(box, nullptr);
  const SIZE lines = MeasureLines(first, second);
  RECT rc = {};
  GetWindowRect(box, &rc);
  EXPECT_EQ(rc.right - rc.left, lines.cx + 80);
  EXPECT_EQ(rc.bottom - rc.top, lines.cy + 140);
  EXPECT_NEAR((rc.left + rc.right) / 2, 200 + 700 / 2, 1);
  EXPECT_NEAR((rc.top + rc.bottom) / 2, 150 + 500 / 2, 1);
  EXPECT_FALSE(IsWindowEnabled(owner.m_hWnd)) << "the owner waits while the box is up";
  Press(box, IDOK);
  EXPECT_EQ(worker.Wait(), IDOK);
  EXPECT_TRUE(IsWindowEnabled(owner.m_hWnd));
}

// Regression: a null text (an unused UI text) crashed while the box measured it.
TEST(MsgBox, ANullTextOrCaptionShowsAsEmpty) {
  ShowOnWorker worker(nullptr, nullptr, nullptr, CMsgBox::kTypeOk);
  HWND box = nullptr;
  quill::test::PumpUntil([&] {
    box = FindWindowW(L"#32770", L"");
    return box && IsWindowVisible(box) && GetDlgItem(box, CMsgDlg::kTextId);
  }, 5000);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(TextOf(GetDlgItem(box, CMsgDlg::kTextId)), L"");
  Press(box, IDOK);
  EXPECT_EQ(worker.Wait(), IDOK);
}

TEST(MsgBox, WithoutItsTemplateTheSystemBoxStillAsks) {
  HINSTANCE program = AfxGetResourceHandle();
  AfxSetResourceHandle(GetModuleHandleW(L"kernel32.dll"));
  ShowOnWorker worker(nullptr, L"テンプレートなし", L"確認なし", CMsgBox::kTypeYesNo);
  HWND box = FindBox(L"確認なし");
  AfxSetResourceHandle(program);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(GetDlgItem(box, CMsgDlg::kTextId), nullptr) << "the system's own box";
  Press(box, IDNO);
  EXPECT_EQ(worker.Wait(), IDNO);
}

PIDLIST_ABSOLUTE ChooseMyComputer(BROWSEINFOW*) {
  PIDLIST_ABSOLUTE pidl = nullptr;
  SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &pidl);  // no file-system path
  return pidl;
}

TEST(MsgBox, TheSettingsFolderChooserReportsItsFailureInTheSkinnedBox) {
  quill::skin::SetFolderBrowseFunction(&ChooseMyComputer);
  quill::skin::SetSettingsMessageFunction(nullptr);
  std::atomic<bool> done{false};
  std::thread chooser([&] {
    GetFolderFromIniOrBrowse(nullptr, L"FOLDERPATH", L"CSV_FOLDER", L"選択");
    done = true;
  });
  HWND box = FindBox(L"ERROR");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(TextOf(GetDlgItem(box, CMsgDlg::kTextId)), UIText(quill::skin::kUITextFolderPathFailed));
  Press(box, IDOK);
  EXPECT_TRUE(quill::test::PumpUntil([&] { return done.load(); }, 5000));
  chooser.join();
  quill::skin::SetFolderBrowseFunction(nullptr);
}

TEST(MsgBoxLayout, UnknownTypesGetTheOkButtonLikeTypeZero) {
  for (UINT type : {0u, 2u, 3u, 5u, 0xFFFFFFFFu}) {
    MsgBoxLayout layout = ComputeMsgBoxLayout(SIZE{200, 40}, type);
    EXPECT_TRUE(layout.showOk) << type;
    EXPECT_FALSE(layout.showCancel) << type;
    EXPECT_EQ(layout.dialog.cx, 280);
    EXPECT_EQ(layout.dialog.cy, 180);
    EXPECT_EQ(layout.okButton.left, 280 - 115);
  }
}

}  // namespace
