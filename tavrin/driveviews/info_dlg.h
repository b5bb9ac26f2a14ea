// CInfoDlg: the main dialog's child window showing, for the current playback position, the playback
// speed label, the date and time, the speed, the recording's trigger and camera, a GPS-fix icon and
// the three G values, in one of three layouts, with three toggles (one per G axis). The main dialog
// writes the fields and calls Refresh(); the panel never reads the players itself.
//
// Messages to the parent: quill::msg::kInfoItemSwitched when a toggle is clicked (wParam: the axis
// 0-2, lParam: the new state, 1 checked). The main dialog answers by showing or hiding that band of the graph.
//
// Threads: UI thread only.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>

#include "platform/framework/cstring.h"
#include "platform/framework/dialog.h"
#include "platform/framework/private_messages.h"
#include "tavrin/skin/gdi_drawing.h"
#include "tavrin/skin/offscreen_dc.h"
#include "tavrin/skin/resource_image.h"
#include "tavrin/skin/skin_button.h"

class CInfoDlg : public CDialog {
 public:
  static constexpr UINT kTemplateId = 135;
  static constexpr UINT kToggleBitmapId = 365;
  static constexpr UINT kFirstToggleId = 38600;
  static constexpr UINT kMsgToggle = quill::msg::kInfoItemSwitched;
  static constexpr int kToggleCount = 3;
  static constexpr int kToggleSize = 15;
  static constexpr int kToggleLeft = 15, kToggleTop = 65, kToggleSpacing = 130;
  static constexpr COLORREF kHoleColour = 0xFF00FF;  // the toggles' squares, left out of the copy
  static constexpr int kCameraMain = 'M';

  CInfoDlg();
  ~CInfoDlg() override;

  // Every value to its "none" state, then a repaint.
  void ClearValues();
  // 0, 1 or 2; the toggles show in layout 0 only.
  void SetLayout(int layout);
  // Repaints at once (RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW).
  void Refresh();
  // Paints the panel through `dc` (its own window's DC): the WM_ERASEBKGND handler.
  void Redraw(CDC* dc);
  // Layout 2: the panel's pictures, and its texts, drawn into the main window's DC along the bottom
  // of its client area.
  void DrawToDC(CDC* dc);
  void DrawInfoToDC(CDC* dc);
  BOOL IsToggleChecked(int i) const;
  // The slot of the skin's load order holding trigger picture `trigger` (1-6) of a layout's set, or -1:
  // layout 1 draws the second slot of the pictures listed twice, the others their first.
  static int TriggerSlot(int layout, int trigger);
  // The trigger picture the panel draws now (null for none).
  HBITMAP TriggerPicture() const;

  CSkinButton m_toggles[kToggleCount];
  COffScreenDC* m_pOffScreen = nullptr;  // the main dialog's surface; nothing is drawn while null
  CResourceImage* m_pImages = nullptr;   // the shared skin images
  double m_dG[3];                        // G; kNoGValue or less: none
  int m_nGpsFix = 0;
  double m_dSpeed = -1.0;                // km/h; below 0: none
  CString m_strSpeedLabel;               // the playback speed's text
  int m_nTrigger = 0;                    // 0 none, 1-6 the trigger pictures 0-5
  int m_nCamera = kCameraMain;           // 'R' or 'r': the rear camera
  SYSTEMTIME m_stStart{};                // the recording's start
  BOOL m_bStartValid = FALSE;
  int m_nSampleIndex = -1;               // -1: none
  float m_fMsPerSample = 0.0f;           // the time scale: milliseconds per position
  int m_nLayout = -1;
  int m_nSpareWord = 65535;              // kept for the main dialog; not drawn
  int64_t m_nDuration = -1;              // the playing movie's duration in positions, -1 none; not drawn
  // Layout 2 is drawn by the main window along its bottom (this window is hidden there): told at every
  // Refresh so that band shows the new values at once.
  std::function<void()> m_onBandChanged;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override {}
  void OnCancel() override {}
  BOOL OnCommand(WPARAM wp, LPARAM lp) override;
  BOOL OnEraseBkgnd(CDC* dc);
  void OnDestroy();
  DECLARE_MESSAGE_MAP()

 public:
  struct Layout;  // the positions of one layout (info_paint.cpp)

 private:
  void DrawContents(CDC& s, const RECT& client, const Layout& layout);
  void DrawGValues(CDC& s, const Layout& layout);
  void DrawDateTime(CDC& s, const RECT& rc, int points, UINT placeholderId, double scale);
  void DrawSpeed(CDC& s, const Layout& layout, int dx, int dy);
  void DrawPictures(CDC& s, const Layout& layout);
  void DrawBackground(CDC& s, const RECT& client);
  void DrawPlaceholderText(CDC& s, const wchar_t* text, RECT rc, UINT format);
  void DrawKeyed(CDC& s, HBITMAP bitmap, int x, int y, double scale, COLORREF key);
  void ShowToggles(bool show);

  std::array<CBitmap, 6> m_gBlanks;  // no G value: layout 0 then layout 1, one per axis
  bool m_bGBlanksLoaded = false;      // loaded when first drawn (LoadGBlanks), not at the start-up
  void LoadGBlanks();
};
