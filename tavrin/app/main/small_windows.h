// The small windows and records the main dialog owns: the container dialog that frames the map, the
// movie window that holds the second video pane, the logo window, the first-run model selection, the
// drag state record of a video pane and the lap-time area's holder.
//
// Threads: UI thread only, except CMoment: a pane's inertia thread reads and writes its record too, so
// every access to a record takes that pane's lock (CMovieStatic::ZeroMoment for the other owners).
#pragma once

#include <windows.h>

#include "platform/framework/controls.h"
#include "platform/framework/gdi.h"
#include "tavrin/skin/resource_image.h"
#include "tavrin/skin/skin_button.h"
#include "tavrin/skin/skin_dialog.h"

// The drag state of a video pane.
class CMoment {
 public:
  virtual ~CMoment() = default;
  void Zero() { lastX = lastY = offsetX = offsetY = velocityX = velocityY = 0; }
  int lastX = 0;
  int lastY = 0;
  float unused = 1.0f;
  int offsetX = 0;
  int offsetY = 0;
  int velocityX = 0;
  int velocityY = 0;
};

// The lap-time strip's drawing state: the surface it draws on and the object selected there before.
class CLapTimeArea {
 public:
  ~CLapTimeArea() { Detach(); }
  // Selects `font` into `dc`, remembering what was selected before (once).
  void Attach(CDC* dc, HGDIOBJ font);
  void Detach();
  CDC* m_pDC = nullptr;
  HGDIOBJ m_hOld = nullptr;
  COLORREF m_crText = 0x3F3F3F;
  COLORREF m_crBack = 0xFFFFFF;
};

// The movie window's captions (UI texts): the camera its pane shows.
constexpr unsigned kTextMainCamera = 164;  // "メインカメラ"
constexpr unsigned kTextRearCamera = 165;  // "リヤカメラ"

// A borderless skinned frame with a caption strip; Enter and Escape never close it.
class CContainerDialog : public CSkinDialog {
 public:
  static constexpr UINT kTemplateId = 356;
  static constexpr COLORREF kFrameColour = 0xCFCFCF;
  explicit CContainerDialog(UINT templateId = kTemplateId) : CSkinDialog(templateId) {}
  ~CContainerDialog() override;

  BOOL OnInitDialog() override;
  void OnOK() override {}
  void OnCancel() override {}
  // Sets the window text to UI text `index` and redraws.
  void SetCaption(unsigned index);

  CPen m_framePen;
  BOOL m_bNoFrame = FALSE;
  RECT m_rcLast = {};
  CResourceImage* m_pSkin = nullptr;

 protected:
  BOOL OnEraseBkgnd(CDC* dc);
  void OnPaint();
  void OnMove(int x, int y);
  void OnSize(UINT type, int cx, int cy);
  void OnCommand25() { OnCancel(); }
  DECLARE_MESSAGE_MAP()
};

// The movie window: a top-level frame owned by the main window that holds the second video pane and
// a size button that steps through three sizes; each step asks the main window to re-arrange.
class CMovieDialog : public CContainerDialog {
 public:
  static constexpr UINT kFrameTemplateId = 390;
  static constexpr UINT kSizeButtonId = 27;
  // Made hidden at the start: its size button takes the focus when the window is first activated.
  CMovieDialog() : CContainerDialog(kFrameTemplateId) { m_bFocusAtFirstActivation = TRUE; }
  ~CMovieDialog() override = default;

  BOOL OnInitDialog() override;
  BOOL PreTranslateMessage(MSG* msg) override;
  // The tool tip of a size step: "中", "大", "小".
  static unsigned SizeStepTipText(int step);

  CSkinButton m_btnSize;
  CToolTipCtrl m_toolTip;
  int m_nSizeStep = 0;
  CWnd* m_pMainDlg = nullptr;  // receives the re-arrange request

 protected:
  void OnSizeButton();
  void OnSize(UINT type, int cx, int cy);
  void OnSysCommand(UINT id, LPARAM lp);
  DECLARE_MESSAGE_MAP()
};

// Where the logo picture goes in a client area: scaled to the width, centred vertically. Empty
// (top == bottom) when there is no picture.
struct LogoPlacement {
  int top;
  int height;
};
LogoPlacement PlaceLogo(int pictureWidth, int pictureHeight, int clientWidth, int clientHeight);

class CLogoDlg : public CSkinDialog {
 public:
  static constexpr UINT kTemplateId = 354;
  CLogoDlg() : CSkinDialog(kTemplateId) {}

  // Shows or hides the logo, at once (post 0) or through a posted request (post 1).
  void ShowLogo(BOOL show, BOOL post);
  void OnOK() override {}
  void OnCancel() override {}

  int m_nPicture = 1;   // 1 the logo, other values the parking picture
  BOOL m_bShown = FALSE;
  CResourceImage* m_pSkin = nullptr;

 protected:
  LRESULT OnShowRequest(WPARAM, LPARAM);
  BOOL OnEraseBkgnd(CDC* dc);
  void OnPaint();
  DECLARE_MESSAGE_MAP()
};

// The first-run question which recorder model is used: IDOK the first, IDCANCEL the second.
class CModelSelectDlg : public CSkinDialog {
 public:
  static constexpr UINT kTemplateId = 378;
  static constexpr int kWidth = 640;
  static constexpr int kHeight = 135;
  explicit CModelSelectDlg(CWnd* parent = nullptr) : CSkinDialog(kTemplateId, parent) {}
  BOOL OnInitDialog() override;

 protected:
  void OnCaptionClose() { OnCancel(); }
  DECLARE_MESSAGE_MAP()
};
