// CGSensorDlg: the main dialog's child window that draws the current recording's G-sensor values as
// three bands of bars, the recorder's events as short marks under them, a red highlight under runs of
// the highlight channel and a white cursor at the playback position. It reads the data-source player
// instance's G records and per-position table through a GraphDataSource and reports clicks to its
// parent: quill::msg::kGraphPreviousEvent for the left button, kGraphNextEvent for the right one
// (both wParam 0, lParam 0).
//
// The main dialog creates it with Create(kTemplateId, parent), lends it its off-screen surface
// (m_pOffScreen), sets the geometry fields and calls Refresh() after each change (see the fields).
//
// Threads: UI thread only. A drawing pass, AddEventA and AddEventB hold both player instances'
// mutexes from start to end (GraphDataSource::Lock).
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "platform/framework/dialog.h"
#include "platform/framework/gdi.h"
#include "platform/framework/private_messages.h"
#include "tavrin/driveviews/gsensor_model.h"
#include "tavrin/driveviews/gsensor_pass.h"
#include "tavrin/driveviews/gsensor_source.h"
#include "tavrin/skin/offscreen_dc.h"

class CGSensorDlg : public CDialog {
 public:
  static constexpr UINT kTemplateId = 136;
  static constexpr UINT kBackgroundId = 162;
  static constexpr UINT kAssistMarkId = 176;
  static constexpr UINT kMsgPreviousEvent = quill::msg::kGraphPreviousEvent;  // left button released
  static constexpr UINT kMsgNextEvent = quill::msg::kGraphNextEvent;          // right button released
  static constexpr int kLeftMargin = 50;                   // the main dialog's margin
  static constexpr COLORREF kCursorColour = 0xFFFFFF;
  static constexpr COLORREF kHighlightColour = 0x0000AA;
  static constexpr BYTE kHighlightAlpha = 127;
  static constexpr int kHighlightWidth = 1000, kHighlightHeight = 300;
  static constexpr int kHighlightStripHeight = 21;

  // `source` null: the global player instances.
  explicit CGSensorDlg(quill::driveviews::GraphDataSource* source = nullptr);
  ~CGSensorDlg() override;

  // Stores the selector (0, 1, 2) and the horizontal factor: the selected player's duration over
  // player 0's when both are known, else 1.0. Redraws.
  void SetPlayer(int selector);
  double GetStepWidth();
  double GetRecordStepWidth();
  bool IsSampleListShorter();
  // Event marks for the map (see CollectEventMark): by record number, or by playback position.
  int AddEventA(std::vector<quill::driveviews::EventMark>* marks, int recordNumber, int channel);
  int AddEventB(std::vector<quill::driveviews::EventMark>* marks, int position, int channel);

  // Repaints at once (RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW).
  void Refresh();
  // Sets a channel's enabled and visible flags (the info panel's toggles, the settings dialog).
  void SetChannelShown(int channel, int on);
  // The recording's peak G of each axis becomes the scale of that band's channel (0, 1, 2); a peak of
  // 0 or less (no data) leaves the scale as it was.
  void SetBandScales(const double peaks[3]);
  // The background picture's size (0 before OnInitDialog).
  int BackgroundWidth() const { return m_nBitmapWidth; }
  int BackgroundHeight() const { return m_nBitmapHeight; }

  // Set by the main dialog.
  COffScreenDC* m_pOffScreen = nullptr;  // nothing is drawn while null
  int m_nLeftMargin = 0;                 // x where the plot begins
  int m_nStepCount = 0;                  // the cursor's range (the seek slider's range)
  int m_nCursor = 0;                     // the cursor's step (the seek slider's position)
  int m_nTileStep = 0;                   // background width - margin; 0 disables all painting
  int m_nGraphFlag = 0;                  // 0: background and cursor only
  quill::driveviews::ChannelFlags m_channels;  // m_channels.marks: the recording's marks flag
  int m_nPlayer = 0;
  float m_fFactor = 1.0f;
  // Each channel's scale in G, kept for the main dialog (the bars are drawn at a fixed scale).
  double m_dScale[quill::driveviews::kChannelCount];
  static constexpr double kDefaultScale = 0.2;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override {}
  void OnCancel() override {}
  BOOL OnEraseBkgnd(CDC* dc);
  void OnLButtonUp(UINT flags, CPoint pt);
  void OnRButtonUp(UINT flags, CPoint pt);
  DECLARE_MESSAGE_MAP()

 private:
  void DrawBackground(CDC& s, int width);
  void DrawPass(CDC& s, const RECT& client);
  void DrawMarks(CDC& s, const quill::driveviews::GraphPassResult& pass, const RECT& client);
  void DrawAssistMark(CDC& s, int x, int y);
  void BuildAssistMask();
  quill::driveviews::RecordSequence Sequence(bool byPosition);

  std::unique_ptr<quill::driveviews::GraphDataSource> m_ownSource;
  quill::driveviews::GraphDataSource* m_source;
  CPen m_cursorPen;
  CPen m_bandPens[3];
  CPen m_categoryPens[quill::driveviews::kCategoryCount];
  CBitmap m_background;
  CBitmap m_assistMark;
  CBitmap m_assistMask;
  CDC m_dcBackground, m_dcAssist, m_dcMask;
  HGDIOBJ m_oldBackground = nullptr, m_oldAssist = nullptr, m_oldMask = nullptr;
  CDC m_dcHighlight;
  CBitmap m_highlight;
  HGDIOBJ m_oldHighlight = nullptr;
  int m_nBitmapWidth = 0;
  int m_nBitmapHeight = 0;
  int m_nAssistWidth = 0, m_nAssistHeight = 0;
};
