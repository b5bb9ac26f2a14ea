// The skinned dialog base (frame removal, dragging by the caption band for top-level and child
// dialogs, the caption button, the child placement callback) and the skinned message box, shown from
// worker threads the way the tool commands show it and answered as a user would. Message boxes are not
// captured by screenshots under Wine, so they are checked by text, place and state.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/gdi_drawing.h"
#include "tavrin/skin/msg_box.h"
#include "tavrin/skin/settings_ini.h"
#include "tavrin/skin/skin_dialog.h"
#include "tavrin/skin/ui_texts.h"
#include "tests/skin/skin_capture.h"
#include "tests/skin/skin_test_ids.h"

namespace {

class FontEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { InitAppFontsAndLanguage(nullptr); }
  void TearDown() override { DeleteAppFonts(); }
};
const auto* const kFonts = ::testing::AddGlobalTestEnvironment(new FontEnvironment);

constexpr UINT kCloseCommand = 77;

LPARAM Pt(int x, int y) { return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(y)); }
void Mouse(HWND h, UINT msg, int x, int y) { SendMessageW(h, msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, Pt(x, y)); }

class CTestSkinDlg : public CSkinDialog {
 public:
  explicit CTestSkinDlg(UINT id) : CSkinDialog(id, nullptr) {}
  int m_nCloseCommands = 0;

 protected:
  void OnCloseCommand() { ++m_nCloseCommands; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestSkinDlg, CSkinDialog)
  ON_WM_PAINT()
  ON_COMMAND(kCloseCommand, OnCloseCommand)
END_MESSAGE_MAP()

RECT RectInParent(HWND h) {
  RECT rc = {};
  GetWindowRect(h, &rc);
  if (GetParent(h) && (GetWindowLongW(h, GWL_STYLE) & WS_CHILD)) {
    MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT*>(&rc), 2);
  }
  return rc;
}

TEST(SkinDialog, OnlyAPressInTheCaptionBandOfAMovableDialogDragsIt) {
  const struct {
    const char* name;
    BOOL movable;
    int pressY;
    bool loseCapture;
    LONG left, top;
  } cases[] = {
      {"caption band", TRUE, 19, false, 130, 110},
      {"below the band", TRUE, 20, false, 100, 100},
      {"fixed dialog", FALSE, 5, false, 100, 100},
      {"capture lost after the press", TRUE, 10, true, 100, 100},
  };
  for (const auto& c : cases) {
    CTestSkinDlg dlg(IDD_TEST_HOST);
    ASSERT_TRUE(dlg.Create(IDD_TEST_HOST, nullptr));
    EXPECT_EQ(dlg.GetStyle() & WS_BORDER, 0u) << "the frame is removed";
    dlg.MoveWindow(100, 100, 300, 200, TRUE);
    dlg.ShowWindow(SW_SHOWNA);
    dlg.m_bMovable = c.movable;
    Mouse(dlg.m_hWnd, WM_LBUTTONDOWN, 50, c.pressY);
    if (c.loseCapture) ReleaseCapture();
    Mouse(dlg.m_hWnd, WM_MOUSEMOVE, 80, c.pressY + 10);
    Mouse(dlg.m_hWnd, WM_LBUTTONUP, 80, c.pressY + 10);
    RECT rc = RectInParent(dlg.m_hWnd);
    EXPECT_EQ(rc.left, c.left) << c.name;
    EXPECT_EQ(rc.top, c.top) << c.name;
    EXPECT_EQ(rc.right - rc.left, 300) << c.name;
    EXPECT_FALSE(dlg.m_bDragging) << c.name;
    EXPECT_NE(GetCapture(), dlg.m_hWnd) << c.name;
  }
}

// Regression: a child dialog (the map frame, the logo) jumped by its parent's screen position on the
// first drag step, because its screen rectangle was handed to MoveWindow as parent coordinates.
TEST(SkinDialog, AChildDialogMovesByTheDragAndDoesNotJump) {
  CWnd parent;
  ASSERT_TRUE(parent.CreateEx(0, AfxRegisterWndClass(0), L"parent", WS_POPUP | WS_VISIBLE, 200, 150, 500, 400,
                              nullptr, nullptr));
  CTestSkinDlg child(IDD_TEST_CHILD);
  ASSERT_TRUE(child.Create(IDD_TEST_CHILD, &parent));
  child.MoveWindow(20, 30, 150, 100, TRUE);
  child.ShowWindow(SW_SHOWNA);
  Mouse(child.m_hWnd, WM_LBUTTONDOWN, 10, 5);
  Mouse(child.m_hWnd, WM_MOUSEMOVE, 40, 15);
  Mouse(child.m_hWnd, WM_LBUTTONUP, 40, 15);
  RECT rc = RectInParent(child.m_hWnd);
  EXPECT_EQ(rc.left, 50);
  EXPECT_EQ(rc.top, 40);
  EXPECT_EQ(rc.right - rc.left, 150);
  RECT target = SkinDragTarget(RECT{300, 200, 400, 260}, POINT{5, -3}, true, POINT{200, 150});
  EXPECT_EQ(target.left, 105);
  EXPECT_EQ(target.top, 47);
}

TEST(SkinDialog, TheCaptionButtonSitsTopRightAndSendsItsCommand) {
  CTestSkinDlg dlg(IDD_TEST_HOST);
  ASSERT_TRUE(dlg.Create(IDD_TEST_HOST, nullptr));
  dlg.MoveWindow(100, 100, 300, 200, TRUE);
  dlg.CreateCaptionButton(kCloseCommand);
  RECT client = {};
  dlg.GetClientRect(&client);
  RECT rc = RectInParent(dlg.m_btnCaption.m_hWnd);
  EXPECT_EQ(rc.left, client.right - 20);
  EXPECT_EQ(rc.top, 4);
  Mouse(dlg.m_btnCaption.m_hWnd, WM_LBUTTONDOWN, 5, 5);
  Mouse(dlg.m_btnCaption.m_hWnd, WM_LBUTTONUP, 5, 5);
  EXPECT_TRUE(quill::test::PumpUntil([&] { return dlg.m_nCloseCommands == 1; }, 5000));
}

// Regression: children were moved to their screen position taken as dialog coordinates, so a dialog
// away from the screen's corner pushed them out of sight.
TEST(SkinDialog, AHiddenDialogThatWaitsForItsFirstActivationIsNotActivatedByItsCreation) {
  // The template's first tab stop is the push button 9102 (the text before it takes no focus).
  for (const BOOL wait : {FALSE, TRUE}) {
    SCOPED_TRACE(wait ? "focus at the first activation" : "focus at once");
    CTestSkinDlg dlg(IDD_TEST_PLACEMENT);
    dlg.m_bFocusAtFirstActivation = wait;
    ASSERT_TRUE(dlg.Create(IDD_TEST_PLACEMENT, nullptr));
    const HWND button = ::GetDlgItem(dlg.m_hWnd, 9102);
    ASSERT_NE(button, nullptr);
    ASSERT_FALSE(dlg.IsWindowVisible());
    if (wait) {
      EXPECT_NE(::GetActiveWindow(), dlg.m_hWnd) << "made hidden, it stays inactive";
      EXPECT_NE(::GetFocus(), button);
    } else {
      EXPECT_EQ(::GetFocus(), button) << "the system's own default";
    }
    // Shown (and so activated) the first time: the same control has the focus either way.
    dlg.ShowWindow(SW_SHOW);
    EXPECT_EQ(::GetActiveWindow(), dlg.m_hWnd);
    EXPECT_EQ(::GetFocus(), button);
    dlg.DestroyWindow();
  }
}

TEST(RepositionChildProc, KeepsTemplateChildrenWhereTheyAreWhereverTheDialogIs) {
  CTestSkinDlg dlg(IDD_TEST_PLACEMENT);
  ASSERT_TRUE(dlg.Create(IDD_TEST_PLACEMENT, nullptr));
  dlg.MoveWindow(300, 200, 400, 300, TRUE);
  HWND a = GetDlgItem(dlg.m_hWnd, 9101), b = GetDlgItem(dlg.m_hWnd, 9102);
  const RECT beforeA = RectInParent(a), beforeB = RectInParent(b);
  EnumChildWindows(dlg.m_hWnd, &RepositionChildProc, reinterpret_cast<LPARAM>(dlg.m_hWnd));
  const RECT afterA = RectInParent(a), afterB = RectInParent(b);
  EXPECT_TRUE(EqualRect(&beforeA, &afterA));
  EXPECT_TRUE(EqualRect(&beforeB, &afterB));
  EXPECT_TRUE(RepositionChildProc(a, reinterpret_cast<LPARAM>(b))) << "not a child of b: passed over";
}

std::wstring TextOf(HWND h) {
  wchar_t buf[512] = {};
  if (h) GetWindowTextW(h, buf, 512);
  return buf;
}

// The visible dialog with this caption (and this child, when given), whatever thread made it; null
// after the timeout.
HWND FindBox(const std::wstring& caption, int child = CMsgDlg::kTextId) {
  HWND found = nullptr;
  quill::test::PumpUntil([&] {
    found = FindWindowW(L"#32770", caption.c_str());
    return found && IsWindowVisible(found) && (!child || GetDlgItem(found, child));
  }, 5000);
  return found && IsWindowVisible(found) ? found : nullptr;
}

void Press(HWND dlg, int id) {
  PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

// `show` on a worker thread; the answer arrives in Wait(). A box still open when the test ends (a
// failed assertion) is closed, so a failure never leaves the program waiting for a click.
class OnWorker {
 public:
  explicit OnWorker(std::function<INT_PTR()> show)
      : thread_([this, show] {
          threadId_ = GetCurrentThreadId();
          result_ = show();
          done_ = true;
        }) {}
  ~OnWorker() {
    if (!done_) quill::test::CloseDialogsUntil(threadId_, [this] { return done_.load(); });
    thread_.join();
  }
  INT_PTR Wait() {
    EXPECT_TRUE(quill::test::PumpUntil([&] { return done_.load(); }, 5000)) << "the box did not close";
    return result_;
  }

 private:
  std::atomic<DWORD> threadId_{0};
  std::atomic<INT_PTR> result_{-2};
  std::atomic<bool> done_{false};
  std::thread thread_;
};

OnWorker* ShowBox(CWnd* owner, const wchar_t* text, const wchar_t* caption, UINT type) {
  return new OnWorker([=] { return CMsgBox(owner).Show(text, caption, type); });
}

TEST(MsgBox, EveryTypeShowsItsButtonsAndReturnsTheAnswerToTheWorker) {
  const struct {
    UINT type;
    int button;  // the button the user presses
    INT_PTR answer;
    const wchar_t* okText;
    const wchar_t* cancelText;  // null: the button is hidden
  } cases[] = {
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
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << " button " << c.button);
    std::unique_ptr<OnWorker> worker(ShowBox(nullptr, L"削除しますか？", L"確認", c.type));
    HWND box = FindBox(L"確認");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(TextOf(GetDlgItem(box, CMsgDlg::kTextId)), L"削除しますか？");
    EXPECT_EQ(GetWindowLongW(box, GWL_STYLE) & WS_BORDER, 0) << "skinned: no frame";
    EXPECT_EQ(TextOf(GetDlgItem(box, IDOK)), c.okText);
    HWND cancel = GetDlgItem(box, IDCANCEL);
    EXPECT_EQ(IsWindowVisible(cancel) != FALSE, c.cancelText != nullptr);
    if (c.cancelText) { EXPECT_EQ(TextOf(cancel), c.cancelText); }
    Press(box, c.button);
    EXPECT_EQ(worker->Wait(), c.answer);
  }
}

// Regression: a null text (an unused UI text) crashed while the box measured it.
TEST(MsgBox, ANullTextOrCaptionShowsAsEmpty) {
  std::unique_ptr<OnWorker> worker(ShowBox(nullptr, nullptr, nullptr, CMsgBox::kTypeOk));
  HWND box = FindBox(L"");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(TextOf(GetDlgItem(box, CMsgDlg::kTextId)), L"");
  Press(box, IDOK);
  EXPECT_EQ(worker->Wait(), IDOK);
}

TEST(MsgBox, WithoutItsTemplateTheSystemBoxStillAsks) {
  HINSTANCE program = AfxGetResourceHandle();
  AfxSetResourceHandle(GetModuleHandleW(L"kernel32.dll"));
  std::unique_ptr<OnWorker> worker(ShowBox(nullptr, L"テンプレートなし", L"確認なし", CMsgBox::kTypeYesNo));
  HWND box = FindBox(L"確認なし", 0);
  AfxSetResourceHandle(program);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(GetDlgItem(box, CMsgDlg::kTextId), nullptr) << "the system's own box";
  Press(box, IDNO);
  EXPECT_EQ(worker->Wait(), IDNO);
}

PIDLIST_ABSOLUTE ChooseMyComputer(BROWSEINFOW*) {
  PIDLIST_ABSOLUTE pidl = nullptr;
  SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &pidl);  // no file-system path
  return pidl;
}

TEST(MsgBox, TheSettingsFolderChooserReportsItsFailureInTheSkinnedBox) {
  quill::skin::SetFolderBrowseFunction(&ChooseMyComputer);
  quill::skin::SetSettingsMessageFunction(nullptr);
  {
    OnWorker chooser([] {
      GetFolderFromIniOrBrowse(nullptr, L"FOLDERPATH", L"CSV_FOLDER", L"選択");
      return INT_PTR{0};
    });
    HWND box = FindBox(L"ERROR");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(TextOf(GetDlgItem(box, CMsgDlg::kTextId)), UIText(quill::skin::kUITextFolderPathFailed));
    Press(box, IDOK);
    chooser.Wait();
  }
  quill::skin::SetFolderBrowseFunction(nullptr);
}

}  // namespace
