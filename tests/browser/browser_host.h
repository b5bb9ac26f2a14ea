// The browser tests' stage: a top-level host window (the first of the program, so screenshots show it)
// that stands in for the main window and records what the browser posts to it, a fake owner that
// records the calls the browser makes, and SD cards written into temporary folders.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "tavrin/browser/browser_owner.h"
#include "tavrin/browser/filer_container.h"
#include "tests/support/host_window.h"

namespace quill::test {

class CHostWnd : public CHostWindow {
 public:
  static constexpr int kWidth = 400;
  static constexpr int kHeight = 720;
  bool Open() { return OpenHost(L"browser host", kWidth, kHeight); }
  int vanished = 0;

 protected:
  LRESULT OnSourceVanished(WPARAM, LPARAM) { ++vanished; return 0; }
  DECLARE_MESSAGE_MAP()
};

CHostWnd& Host();

class FakeOwner : public IBrowserOwner {
 public:
  FakeOwner();
  ~FakeOwner() override;
  HWND OwnerWindow() override { return Host().m_hWnd; }
  HANDLE PlayMutex() override { return mutex; }
  int CurrentIndex() override { return current; }
  void SetCurrentIndex(int index) override { current = index; }
  bool IsListEnd() override { return listEnd; }
  void SetPlayAfterOpen(bool play) override { playAfterOpen = play; }
  void ClearPlaybackDisplayFlags() override { ++displayFlagClears; }
  int PrepareOpenCurrent(int a, int b, int c) override;
  bool IsDataSourceAtNormalSpeed() override { return normalSpeed; }
  void SetNormalRate() override { ++rateCalls; }
  void OnFolderSelChanged(NMHDR* hdr, LRESULT* result) override;
  void OnFilterCommand(int index) override;
  bool ReadRecorderVersion(const wchar_t* path, int& major, int& minor, CString& build,
                           CString& suffix) override;

  HANDLE mutex;
  int current = -1;
  bool listEnd = false;
  bool playAfterOpen = false;
  bool normalSpeed = false;
  int displayFlagClears = 0;
  int rateCalls = 0;
  int prepareResult = 1;
  std::vector<int> opened;         // the current index at each PrepareOpenCurrent
  std::vector<int> filterCommands;
  std::vector<std::wstring> versionPaths;
  int folderChanges = 0;
  CFilerContainerDlg* pane = nullptr;
};

// A pane shown in the host, laid out side by side over the host's client area.
struct PaneStage {
  PaneStage();
  ~PaneStage();
  FakeOwner owner;
  std::unique_ptr<CFilerContainerDlg> pane;
};

// Writes tiny recordings (relative paths) below `root`; false when one could not be written.
bool WriteCard(const std::wstring& root, const std::vector<std::wstring>& files);
// The card of the screenshot: two day folders with every trigger letter, and a few rear files.
const std::vector<std::wstring>& EveryTriggerCard();

// Texts of the list's rows, column 0.
std::vector<std::wstring> RowTexts(const CFileListCtrl& list);

}  // namespace quill::test
