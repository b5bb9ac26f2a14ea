// CSettingDlg: the settings and version window of the settings command. It holds the G-sensor graph's
// parking-shock option (reported to the main dialog at once with kSettingChangedMessage), the
// description of the viewer editions with a link to the viewer's download page, and the version text.
// Its message map also carries the SD-card format (command IDC_SETTINGS_FORMAT, sd_format.h), which no
// control sends.
//
// The main dialog makes it once (CreateHidden(this) in its initialisation), shows it from the settings
// command (Show), handles kSettingChangedMessage, and lets the member go at shut-down.
//
// Threads: UI thread only.
#pragma once

#include <windows.h>

#include <string>

#include "platform/framework/controls.h"
#include "tavrin/app/dialogs/link_ctrl.h"
#include "tavrin/app/dialogs/sd_format.h"
#include "platform/framework/private_messages.h"
#include "tavrin/skin/skin_button.h"
#include "tavrin/skin/skin_dialog.h"

namespace quill::app {

// Posted to the main dialog when an option changes: wParam the option (kOptionParkingShock), lParam 1
// when it is now on, else 0.
constexpr UINT kSettingChangedMessage = quill::msg::kSettingChanged;
// The settings dialog's layout rectangle: where its parking-shock check box sits.
inline constexpr RECT kSettingsLayoutRect = {40, 60, 200, 80};
constexpr WPARAM kOptionParkingShock = 0;

// The version static's text: "version <version>" and the notice line with the year of `buildDate`
// (the compiler's "Mmm dd yyyy": the text after its last blank).
std::wstring SettingsVersionText(const wchar_t* version, const char* buildDate);

class CSettingDlg : public CSkinDialog {
 public:
  static constexpr int kWidth = 720;
  static constexpr int kHeight = 480;

  explicit CSettingDlg(CWnd* parent = nullptr);
  ~CSettingDlg() override = default;

  // Makes the (hidden) window; the settings command then shows it with Show.
  BOOL CreateHidden(CWnd* parent);
  // Places the dialog on its parent's monitor and shows it.
  void Show();

  BOOL OnInitDialog() override;
  void OnOK() override {}
  void OnCancel() override { ShowWindow(SW_HIDE); }

  // The format's outside world; the program's own unless a test set another.
  void SetFormatEnvironment(FormatEnvironment env) { formatEnv_ = std::move(env); hasFormatEnv_ = true; }
  FormatOutcome LastFormatOutcome() const { return lastFormat_; }

  CButton m_grpGraph;
  CSkinCheckButton m_chkParkingShock;
  CButton m_grpViewer;
  CStatic m_stDescription;
  CLinkCtrl m_link;
  CButton m_grpVersion;
  CComboBox m_cbDrives;  // the format's drive list: declared, never created
  CStatic m_stVersion;

 protected:
  void OnToggleParkingShock();
  void OnLinkClick(NMHDR* hdr, LRESULT* result);
  void OnFormatCard();
  void OnCaptionClose() { OnCancel(); }
  HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT ctlType);
  DECLARE_MESSAGE_MAP()

 private:
  HWND owner_ = nullptr;  // where kSettingChangedMessage goes
  FormatEnvironment formatEnv_;
  bool hasFormatEnv_ = false;
  FormatOutcome lastFormat_ = FormatOutcome::kNoDrive;
};

}  // namespace quill::app
