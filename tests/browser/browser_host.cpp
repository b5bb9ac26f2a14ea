// The browser tests' stage (see browser_host.h).
#include "tests/browser/browser_host.h"

#include "platform/framework/gdi.h"
#include "tests/names/card_fixture.h"

namespace quill::test {

BEGIN_MESSAGE_MAP(CHostWnd, CHostWindow)
  ON_MESSAGE(quill::browser::kMsgSourceVanished, OnSourceVanished)
END_MESSAGE_MAP()

CHostWnd& Host() {
  static CHostWnd host;
  return host;
}

namespace {
[[maybe_unused]] const bool kHostFirst = OpenHostFirst([] { return Host().Open(); });
}  // namespace

FakeOwner::FakeOwner() : mutex(CreateMutexW(nullptr, FALSE, nullptr)) {}
FakeOwner::~FakeOwner() { CloseHandle(mutex); }

int FakeOwner::PrepareOpenCurrent(int, int, int) {
  opened.push_back(current);
  return prepareResult;
}

void FakeOwner::OnFolderSelChanged(NMHDR* hdr, LRESULT* result) {
  ++folderChanges;
  *result = 0;
  if (pane) pane->LoadFolder(reinterpret_cast<NMTREEVIEWW*>(hdr)->itemNew.hItem, 0, FALSE);
}

void FakeOwner::OnFilterCommand(int index) {
  filterCommands.push_back(index);
  if (pane && index >= 0 && index < kFileListFilterCount) pane->SetFilter(index, !pane->m_list.m_bFilter[index]);
}

bool FakeOwner::ReadRecorderVersion(const wchar_t* path, int& major, int& minor, CString& build,
                                    CString& suffix) {
  versionPaths.emplace_back(path);
  major = 1;
  minor = 2;
  build = L"034";
  suffix = L"b";
  return true;
}

PaneStage::PaneStage() : pane(new CFilerContainerDlg) {
  owner.pane = pane.get();
  pane->Create(CFilerContainerDlg::kTemplateId, &Host());
  pane->CreateChildren(&owner);
  RECT rc = {0, 0, 374, 700};
  pane->LayoutSideBySide(&rc);
}

PaneStage::~PaneStage() { pane.reset(); }

bool WriteCard(const std::wstring& root, const std::vector<std::wstring>& files) {
  for (const std::wstring& f : files) {
    const std::wstring path = root + L"\\" + f;
    if (!MakeFolders(path.substr(0, path.rfind(L'\\')))) return false;
    if (!WriteTinyRecording(path)) return false;
  }
  return true;
}

const std::vector<std::wstring>& EveryTriggerCard() {
  static const std::vector<std::wstring> files = {
      L"20240101_001\\001_120000A_M.MP4", L"20240101_001\\001_120000A_R.MP4",
      L"20240101_001\\002_120100G_M.MP4", L"20240101_001\\002_120100G_R.MP4",
      L"20240101_001\\003_120200M_M.MP4", L"20240101_001\\004_120300P_M.MP4",
      L"20240101_001\\005_120400S_M.MP4", L"20240101_001\\006_120500O_M.MP4",
      L"20240101_001\\007_120600R_M.MP4", L"20240101_001\\008_120700T_M.MP4",
      L"20240101_001\\009_120800U_M.MP4", L"20240101_001\\010_120900A_M.MP4",
      L"20240102_001\\011_080000A_M.MP4", L"20240102_001\\012_080100G_M.MP4",
      L"20240103_001\\013_090000P_M.MP4",
  };
  return files;
}

std::vector<std::wstring> RowTexts(const CFileListCtrl& list) {
  std::vector<std::wstring> rows;
  for (int i = 0; i < list.GetItemCount(); ++i) rows.emplace_back(static_cast<const wchar_t*>(list.GetItemText(i, 0)));
  return rows;
}

}  // namespace quill::test
