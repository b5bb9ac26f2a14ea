// The file selection dialog run modally and driven from inside its own loop: the delete, join and
// conversion modes, the candidate limit, "show all files", select all, the camera and upload options,
// the size and count limits, and the records it hands back.
#include "tavrin/browser/file_select_dlg.h"
#include "res/browser_res.h"
#include "tavrin/skin/skin_messages.h"
#include "tavrin/skin/ui_texts.h"
#include "tests/browser/browser_host.h"
#include "tests/skin/skin_capture.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr UINT kMsgRunScript = WM_APP + 4000;
constexpr uint64_t kMb = 1048576;

class CDrivenSelectDlg : public CFileSelectDlg {
 public:
  CDrivenSelectDlg() : CFileSelectDlg(&quill::test::Host()) {
    m_showMessage = [this](const wchar_t* text, const wchar_t*, UINT) {
      messages.emplace_back(text);
      return static_cast<INT_PTR>(IDOK);
    };
  }
  std::function<void(CDrivenSelectDlg&)> script;
  std::vector<std::wstring> messages;
  void Click(int row) { SendMessage(quill::skin::kMsgListClicked, 0, row); }
  void Check(UINT id) { OnCheckButton(id); }
  void Press(UINT id) { SendMessage(WM_COMMAND, id); }
  // Presses a button that ends the dialog.
  void Finish(UINT id) {
    finished = true;
    Press(id);
  }
  bool finished = false;
  std::vector<int> Chosen() const {
    std::vector<int> rows;
    for (int r = 0; r < RowCount(); ++r) if (RowState(r) == kStateChosen) rows.push_back(r);
    return rows;
  }
  bool OkEnabled() { return GetDlgItem(IDOK)->IsWindowEnabled() != FALSE; }
  // The text colour the list's custom draw gives a row.
  COLORREF RowText(int row) {
    NMLVCUSTOMDRAW cd = {};
    cd.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
    cd.nmcd.dwItemSpec = static_cast<DWORD_PTR>(row);
    cd.clrText = CLR_DEFAULT;
    LRESULT result = 0;
    OnListCustomDraw(&cd.nmcd.hdr, &result);
    return cd.clrText;
  }
  std::wstring Text(int id) {
    CString t;
    GetDlgItem(id)->GetWindowText(t);
    return std::wstring(t);
  }

 protected:
  BOOL OnInitDialog() override {
    CFileSelectDlg::OnInitDialog();
    PostMessage(kMsgRunScript);
    return TRUE;
  }
  LRESULT OnRunScript(WPARAM, LPARAM) {
    if (script) script(*this);
    if (!finished) EndDialog(IDABORT);
    return 0;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDrivenSelectDlg, CFileSelectDlg)
  ON_MESSAGE(kMsgRunScript, OnRunScript)
END_MESSAGE_MAP()

sRECORDINGPAIR Rec(int n, uint64_t mainMb, uint64_t rearMb) {
  sRECORDINGPAIR r = {};
  swprintf(r.szMainName, kRecordingPathChars, L"%03d_120000A_M.MP4", n);
  swprintf(r.szMainPath, kRecordingPathChars, L"C:\\card\\%ls", r.szMainName);
  swprintf(r.szRearName, kRecordingPathChars, L"%03d_120000A_R.MP4", n);
  swprintf(r.szRearPath, kRecordingPathChars, L"C:\\card\\%ls", r.szRearName);
  r.uMainSize = mainMb * kMb + 10;
  r.uRearSize = rearMb * kMb;
  if (rearMb == 0) r.szRearPath[0] = r.szRearName[0] = L'\0';
  return r;
}

sRECORDINGPAIR Folder() {
  sRECORDINGPAIR r = {};
  wcscpy(r.szMainName, L"20240101_001");
  wcscpy(r.szMainPath, L"C:\\card\\20240101_001");
  r.uSerial = kFolderRowSerial;
  r.uMainSize = r.uRearSize = kFolderRowSize;
  return r;
}

TEST(FileSelectDialog, DeleteModeChoosesByClicksAndHandsBackTheChosenRecords) {
  CDrivenSelectDlg dlg;
  dlg.m_nMode = CFileSelectDlg::kModeDelete;
  dlg.SetRecordings({Rec(1, 2, 1), Rec(2, 3, 0), Rec(3, 5, 5), Folder()});
  dlg.script = [](CDrivenSelectDlg& d) {
    EXPECT_EQ(d.RowCount(), 4);
    EXPECT_FALSE(d.OkEnabled());
    EXPECT_FALSE(d.m_chkOption[CFileSelectDlg::kMainCamera].IsWindowVisible());
    EXPECT_FALSE(d.m_chkOption[CFileSelectDlg::kUpload].IsWindowVisible());
    d.Click(1);
    EXPECT_EQ(d.Chosen(), std::vector<int>{1});
    EXPECT_TRUE(d.OkEnabled());
    EXPECT_EQ(d.Text(IDC_FILESEL_TOTAL_MAIN), L"3 MB");
    d.Click(1);  // a chosen row is unchosen
    EXPECT_TRUE(d.Chosen().empty());
    EXPECT_FALSE(d.OkEnabled());
    d.Click(2);
    d.Click(0);
    EXPECT_EQ(d.Text(IDC_FILESEL_TOTAL_MAIN), L"13 MB");
    d.Click(-1);  // a click beside the rows changes nothing
    d.Finish(IDOK);
  };
  EXPECT_EQ(dlg.DoModal(), IDOK);
  ASSERT_EQ(dlg.m_chosen.size(), 2u);
  EXPECT_STREQ(dlg.m_chosen[0].szMainName, L"001_120000A_M.MP4");
  EXPECT_STREQ(dlg.m_chosen[1].szMainName, L"003_120000A_M.MP4");
}

// Regression: the dialog cleared the records' selection flag (the rows a join marked) when it filled
// its rows and rewrote it with its own choice, so the marked rows lost their highlight.
TEST(FileSelectDialog, ChoosingKeepsTheFlagsAJoinSetAndTheirHighlight) {
  CDrivenSelectDlg dlg;
  dlg.m_nMode = CFileSelectDlg::kModeJoin;
  const std::vector<int32_t> flags = {1, 0, 0, 1};
  RecordingList records;
  for (size_t i = 0; i < flags.size(); ++i) {
    records.push_back(Rec(static_cast<int>(i), 1, 1));
    records.back().nSelected = flags[i];
  }
  dlg.SetRecordings(records);
  dlg.script = [&flags](CDrivenSelectDlg& d) {
    d.Click(2);  // a run of an unmarked and a marked row
    d.Click(3);
    for (int row = 0; row < d.RowCount(); ++row) EXPECT_EQ(d.m_shown[row].nSelected, flags[row]) << row;
    const COLORREF plain = d.RowText(1);
    EXPECT_NE(d.RowText(0), plain);          // marked, not chosen
    EXPECT_EQ(d.RowText(2), plain);          // chosen, not marked
    EXPECT_EQ(d.RowText(3), d.RowText(0));   // marked and chosen
    d.Finish(IDOK);
  };
  ASSERT_EQ(dlg.DoModal(), IDOK);
  ASSERT_EQ(dlg.m_chosen.size(), 2u);
  EXPECT_EQ(dlg.m_chosen[0].nSelected, 0);
  EXPECT_EQ(dlg.m_chosen[1].nSelected, 1);
}

TEST(FileSelectDialog, MoreThan1500CandidatesOfferTheFirst1500AfterOneMessage) {
  CDrivenSelectDlg dlg;
  RecordingList many;
  for (int i = 0; i < 1501; ++i) many.push_back(Rec(i % 1000, 1, 1));
  dlg.SetRecordings(many);
  EXPECT_EQ(dlg.messages, std::vector<std::wstring>{UIText(105)});
  dlg.script = [](CDrivenSelectDlg& d) { EXPECT_EQ(d.m_list.GetItemCount(), 1500); };
  dlg.DoModal();
  EXPECT_EQ(dlg.messages.size(), 1u);
}

// What the box of a selection with too many candidates saw of its owner, and the answer to it.
struct BoxSeen {
  HWND owner = nullptr;
  BOOL hostEnabled = TRUE;
  bool shown = false;
} g_box;

BOOL CALLBACK FindShownBox(HWND h, LPARAM out) {
  if (h == quill::test::Host().m_hWnd || !IsWindowVisible(h)) return TRUE;
  *reinterpret_cast<HWND*>(out) = h;
  return FALSE;
}

void CALLBACK AnswerBox(HWND, UINT, UINT_PTR id, DWORD) {
  HWND box = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), &FindShownBox, reinterpret_cast<LPARAM>(&box));
  if (!box) return;
  KillTimer(nullptr, id);
  g_box = {GetWindow(box, GW_OWNER), IsWindowEnabled(quill::test::Host().m_hWnd), true};
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

// The "more than 1500" box, shown before the selection dialog has a window, is owned by the window
// that asked for the selection: it is placed over that window and holds it while it waits.
TEST(FileSelectDialog, TheMoreThan1500BoxIsOwnedByTheWindowThatAskedForTheSelection) {
  ASSERT_NE(quill::test::Host().m_hWnd, nullptr);
  CFileSelectDlg dlg(&quill::test::Host());
  RecordingList many;
  for (int i = 0; i < 1501; ++i) many.push_back(Rec(i % 1000, 1, 1));
  g_box = {};
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, &AnswerBox);
  dlg.SetRecordings(many);
  KillTimer(nullptr, timer);
  ASSERT_TRUE(g_box.shown);
  EXPECT_EQ(g_box.owner, quill::test::Host().m_hWnd) << "the box has no owner";
  EXPECT_FALSE(g_box.hostEnabled) << "the window behind the box stays clickable";
  EXPECT_TRUE(IsWindowEnabled(quill::test::Host().m_hWnd));
}

TEST(FileSelectDialog, JoinModeKeepsOneRunAndWarnsAboutRowsThatCannotBeChosen) {
  CDrivenSelectDlg dlg;
  dlg.m_nMode = CFileSelectDlg::kModeJoin;
  dlg.SetRecordings({Rec(1, 1, 1), Folder(), Rec(2, 1, 1), Rec(3, 1, 1), Rec(4, 1, 0), Rec(5, 1, 1), Rec(6, 1, 1)});
  dlg.script = [](CDrivenSelectDlg& d) {
    EXPECT_EQ(d.RowCount(), 6);  // the folder row is no movie
    EXPECT_FALSE(d.m_chkOption[CFileSelectDlg::kShowAll].IsWindowVisible());
    EXPECT_EQ(d.m_nCamera, 3);
    EXPECT_FALSE(d.OkEnabled());
    d.Click(0);
    d.Click(2);
    EXPECT_EQ(d.Chosen(), (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(d.OkEnabled());
    d.Click(1);  // inside the run: cut
    EXPECT_EQ(d.Chosen(), (std::vector<int>{0}));
    d.Click(5);  // row 3 has no rear file: the growth stops before it
    EXPECT_EQ(d.Chosen(), (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(d.messages.empty());  // the warning comes a moment later, once
    quill::test::PumpUntil([&] { return !d.messages.empty(); }, 5000);
    EXPECT_EQ(d.messages, std::vector<std::wstring>{UIText(179)});
    // With the main camera alone, row 3 can be chosen.
    d.Check(IDC_FILESEL_REAR_CAMERA);
    EXPECT_EQ(d.m_nCamera, 1);
    EXPECT_TRUE(d.Chosen().empty());
    d.Click(0);
    d.Click(5);
    EXPECT_EQ(d.Chosen(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    d.Finish(IDOK);
  };
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.m_chosen.size(), 6u);
  EXPECT_EQ(dlg.m_nUploadOption, 0);
}

TEST(FileSelectDialog, SizeAndCountLimitsKeepTheDialogOpen) {
  CDrivenSelectDlg dlg;
  dlg.m_nMode = CFileSelectDlg::kModeJoin;
  RecordingList list = {Rec(1, 600, 10), Rec(2, 425, 10)};
  for (int i = 3; i < 103; ++i) list.push_back(Rec(i, 1, 1));
  dlg.SetRecordings(list);
  dlg.script = [](CDrivenSelectDlg& d) {
    d.Click(0);
    d.Click(1);  // 1025 MB of main-camera files
    EXPECT_TRUE(d.m_bMainSizeOver);
    EXPECT_FALSE(d.m_bRearSizeOver);
    d.Press(IDOK);
    EXPECT_TRUE(d.IsWindow());
    EXPECT_EQ(d.messages, std::vector<std::wstring>{UIText(139)});
    d.Click(0);  // the run starts at row 1 now
    d.Click(1);
    d.Click(2);
    d.Click(101);  // rows 2..101: 100 files per camera
    EXPECT_FALSE(d.m_bMainSizeOver);
    EXPECT_TRUE(d.m_bMainCountOver);
    d.Press(IDOK);
    EXPECT_TRUE(d.IsWindow());
    EXPECT_EQ(d.messages.back(), UIText(142));
    d.Click(101);
    EXPECT_FALSE(d.m_bMainCountOver);
    d.Finish(IDOK);
  };
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.m_chosen.size(), 99u);
}

TEST(FileSelectDialog, UploadConversionNeedsTheMainCameraAndDropsTheRear) {
  CDrivenSelectDlg dlg;
  dlg.m_nMode = CFileSelectDlg::kModeJoin;
  dlg.SetRecordings({Rec(1, 1, 1)});
  dlg.script = [](CDrivenSelectDlg& d) {
    ASSERT_TRUE(d.m_bUploadAvailable);
    d.Check(IDC_FILESEL_UPLOAD);  // code 3: the rear camera goes
    EXPECT_EQ(d.m_nUploadOption, 1);
    EXPECT_EQ(d.m_nCamera, 1);
    EXPECT_FALSE(d.m_chkOption[CFileSelectDlg::kRearCamera].m_bChecked);
    EXPECT_FALSE(d.m_chkOption[CFileSelectDlg::kRearCamera].IsWindowEnabled());
    d.Check(IDC_FILESEL_MAIN_CAMERA);  // no camera: the option goes too
    EXPECT_EQ(d.m_nCamera, 0);
    EXPECT_EQ(d.m_nUploadOption, 0);
    EXPECT_TRUE(d.m_chkOption[CFileSelectDlg::kRearCamera].IsWindowEnabled());
    d.Check(IDC_FILESEL_UPLOAD);
    EXPECT_FALSE(d.m_chkOption[CFileSelectDlg::kUpload].m_bChecked);
    d.Click(0);  // with no camera nothing can be chosen
    EXPECT_TRUE(d.Chosen().empty());
    d.Check(IDC_FILESEL_REAR_CAMERA);  // code 2
    d.Check(IDC_FILESEL_UPLOAD);
    EXPECT_EQ(d.m_nUploadOption, 0);
  };
  dlg.DoModal();
}

// Regression: "show all files" shows every recording of the source; select all works before any click
// and after the rows shrank; chosen rows carry their own state image.
TEST(FileSelectDialog, ShowAllAndSelectAllWorkOnTheRowsShown) {
  CDrivenSelectDlg dlg;
  dlg.m_nMode = CFileSelectDlg::kModeBackup;
  dlg.SetRecordings({Rec(1, 1, 1), Rec(2, 1, 1)});
  dlg.SetAllRecordings({Rec(1, 1, 1), Rec(2, 1, 1), Rec(3, 1, 1), Rec(4, 1, 1), Rec(5, 1, 1)});
  dlg.script = [](CDrivenSelectDlg& d) {
    EXPECT_GE(ImageList_GetImageCount(ListView_GetImageList(d.m_list.m_hWnd, LVSIL_STATE)), 3);
    d.Press(IDC_FILESEL_SHOW_ALL);  // through the command, as a click sends it
    EXPECT_TRUE(d.m_chkOption[CFileSelectDlg::kShowAll].m_bChecked);
    EXPECT_EQ(d.RowCount(), 5);
    d.Click(4);
    d.Check(IDC_FILESEL_SHOW_ALL);  // back to two rows: the anchor 4 is gone
    EXPECT_EQ(d.RowCount(), 2);
    d.Check(IDC_FILESEL_SELECT_ALL);
    EXPECT_EQ(d.Chosen(), (std::vector<int>{0, 1}));
    EXPECT_EQ(d.Text(IDC_FILESEL_TOTAL_MAIN), L"2 MB");
    d.Check(IDC_FILESEL_SELECT_ALL);
    EXPECT_TRUE(d.Chosen().empty());
    d.Check(IDC_FILESEL_SELECT_ALL);
    d.Finish(IDOK);
  };
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.m_chosen.size(), 2u);
}

TEST(FileSelectDialog, TheCaptionButtonClosesLikeCancel) {
  CDrivenSelectDlg dlg;
  dlg.SetRecordings({Rec(1, 1, 1)});
  dlg.script = [](CDrivenSelectDlg& d) { d.Finish(CFileSelectDlg::kCloseCommand); };
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_TRUE(dlg.m_chosen.empty());
}

}  // namespace
