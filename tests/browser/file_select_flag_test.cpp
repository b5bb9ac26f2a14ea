// The file selection dialog keeps the records' selection flag, which marks the rows a join picked:
// choosing, totalling and confirming in the dialog neither set nor clear it, and in the join mode the
// marked rows keep their highlight.
#include "tavrin/browser/file_select_dlg.h"
#include "tavrin/skin/skin_messages.h"
#include "tests/browser/browser_host.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <vector>

namespace {

constexpr UINT kMsgRun = WM_APP + 4001;

class CFlagDlg : public CFileSelectDlg {
 public:
  CFlagDlg() : CFileSelectDlg(&quill::test::Host()) {
    m_showMessage = [](const wchar_t*, const wchar_t*, UINT) { return static_cast<INT_PTR>(IDOK); };
  }
  void Click(int row) { SendMessage(quill::skin::kMsgListClicked, 0, row); }
  // The colours the list's custom draw gives a row.
  COLORREF RowText(int row) {
    NMLVCUSTOMDRAW cd = {};
    cd.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
    cd.nmcd.dwItemSpec = static_cast<DWORD_PTR>(row);
    cd.clrText = CLR_DEFAULT;
    LRESULT result = 0;
    OnListCustomDraw(&cd.nmcd.hdr, &result);
    return cd.clrText;
  }
  std::vector<int32_t> Flags() const {
    std::vector<int32_t> flags;
    for (const sRECORDINGPAIR& r : m_shown) flags.push_back(r.nSelected);
    return flags;
  }
  std::vector<int32_t> seenFlags;
  std::vector<COLORREF> seenColours;

 protected:
  BOOL OnInitDialog() override {
    CFileSelectDlg::OnInitDialog();
    PostMessage(kMsgRun);
    return TRUE;
  }
  LRESULT OnRun(WPARAM, LPARAM) {
    Click(2);  // a run of unmarked and marked rows: 2..3
    Click(3);
    seenFlags = Flags();
    for (int row = 0; row < RowCount(); ++row) seenColours.push_back(RowText(row));
    SendMessage(WM_COMMAND, IDOK);
    return 0;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CFlagDlg, CFileSelectDlg)
  ON_MESSAGE(kMsgRun, OnRun)
END_MESSAGE_MAP()

sRECORDINGPAIR Marked(int n, int32_t flag) {
  sRECORDINGPAIR r = {};
  swprintf(r.szMainName, kRecordingPathChars, L"%03d_120000A_M.MP4", n);
  swprintf(r.szMainPath, kRecordingPathChars, L"C:\\card\\%ls", r.szMainName);
  swprintf(r.szRearName, kRecordingPathChars, L"%03d_120000A_R.MP4", n);
  swprintf(r.szRearPath, kRecordingPathChars, L"C:\\card\\%ls", r.szRearName);
  r.uMainSize = r.uRearSize = 1048576;
  r.nSelected = flag;
  return r;
}

TEST(FileSelectFlag, TheDialogKeepsTheFlagsAJoinSet) {
  CFlagDlg dlg;
  dlg.m_nMode = CFileSelectDlg::kModeJoin;
  const std::vector<int32_t> flags = {1, 0, 0, 1};
  RecordingList records;
  for (size_t i = 0; i < flags.size(); ++i) records.push_back(Marked(static_cast<int>(i), flags[i]));
  dlg.SetRecordings(records);
  ASSERT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.seenFlags, flags);
  const COLORREF plain = dlg.seenColours.at(1);
  EXPECT_NE(dlg.seenColours.at(0), plain);         // marked, not chosen
  EXPECT_EQ(dlg.seenColours.at(2), plain);         // chosen, not marked
  EXPECT_EQ(dlg.seenColours.at(3), dlg.seenColours.at(0));  // marked and chosen
  ASSERT_EQ(dlg.m_chosen.size(), 2u);
  EXPECT_EQ(dlg.m_chosen[0].nSelected, 0);
  EXPECT_EQ(dlg.m_chosen[1].nSelected, 1);
}

}  // namespace
