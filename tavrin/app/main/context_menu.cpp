// The context menu's builders, its greying rules and its drawing.
#include "tavrin/app/main/context_menu.h"

#include <initializer_list>

#include "platform/framework/gdi.h"
#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/ui_texts.h"

namespace quill::app {

namespace {

constexpr UINT kGrey = MF_BYPOSITION | MF_GRAYED | MF_DISABLED;
constexpr unsigned kTextPlay = 86, kTextPause = 85, kTextStop = 90, kTextFast = 82, kTextSlow = 88,
                   kTextDisplayMode = 152, kTextFlip = 5, kTextMirror = 175, kTextReset = 160,
                   kTextSnapshot = 89, kTextSettings = 87, kTextSource = 84, kTextSwitch = 166;

// The part after the view items, from `position`: the tool items outside full screen, the display
// switch in full screen (not in the single-camera edition).
void AddTail(CMovieMenu& m, UINT position, const MenuState& s) {
  if (!s.fullScreen) {
    m.AddSeparator(position);
    m.AddItem(position + 1, kMenuSnapshot, UIText(kTextSnapshot));
    m.AddItem(position + 2, kMenuSettings, UIText(kTextSettings));
    if (s.sizeStep != 2) {
      m.AddSeparator(position + 3);
      m.AddItem(position + 4, kMenuSource, UIText(kTextSource));
    }
  } else if (s.edition != 0) {
    m.AddSeparator(position);
    m.AddItem(position + 1, kMenuDisplaySwitch, UIText(kTextSwitch));
    if (!s.rearMovieOpen) m.EnableMenuItem(position + 1, kGrey);
  }
}

// The rules both builders share, by the positions of the view items.
void ApplyViewRules(CMovieMenu& m, UINT resetPos, UINT flipPos, UINT mirrorPos, const MenuState& s) {
  if (s.viewMode != 3) m.EnableMenuItem(resetPos, kGrey);
  if (!s.rearMovieOpen) m.EnableMenuItem(mirrorPos, kGrey);
  m.CheckMenuItem(flipPos, MF_BYPOSITION | (s.flip ? MF_CHECKED : MF_UNCHECKED));
  m.CheckMenuItem(mirrorPos, MF_BYPOSITION | (s.mirror ? MF_CHECKED : MF_UNCHECKED));
}

void GreyPositions(CMovieMenu& m, std::initializer_list<UINT> positions) {
  for (UINT p : positions) m.EnableMenuItem(p, kGrey);
}

}  // namespace

void CMovieMenu::AddItem(UINT position, UINT id, const wchar_t* text) {
  MENUITEMINFOW info = {};
  info.cbSize = sizeof info;
  info.fMask = MIIM_ID | MIIM_DATA | MIIM_FTYPE | MIIM_STRING;
  info.fType = MFT_OWNERDRAW;
  info.wID = id;
  info.dwItemData = position;
  info.dwTypeData = const_cast<wchar_t*>(text ? text : L"");
  InsertMenuItem(position, &info, TRUE);
}

void CMovieMenu::AddSeparator(UINT position) { InsertMenu(position, MF_BYPOSITION | MF_SEPARATOR); }

void CMovieMenu::BuildPlaying(const wchar_t* playText, const MenuState& s) {
  AddItem(0, kMenuPlay, playText);
  AddItem(1, kMenuStop, UIText(kTextStop));
  AddItem(2, kMenuFast, UIText(kTextFast));
  AddItem(3, kMenuSlow, UIText(kTextSlow));
  AddSeparator(4);
  AddItem(5, kMenuDisplayMode, UIText(kTextDisplayMode));
  AddItem(6, kMenuFlip, UIText(kTextFlip));
  AddItem(7, kMenuMirror, UIText(kTextMirror));
  AddItem(8, kMenuResetView, UIText(kTextReset));
  AddTail(*this, 9, s);
  // The fastest speed of the edition greys fast; any slow speed greys slow.
  const int limit = s.edition == 2 ? 1 : 4;
  if (s.speedCode >= limit) {
    EnableMenuItem(2, kGrey);
  } else if (s.speedCode <= -1) {
    EnableMenuItem(3, kGrey);
  }
  ApplyViewRules(*this, 8, 6, 7, s);
}

void CMovieMenu::BuildStopped(const MenuState& s) {
  AddItem(0, kMenuPlay, UIText(kTextPlay));
  AddSeparator(1);
  AddItem(2, kMenuDisplayMode, UIText(kTextDisplayMode));
  AddItem(3, kMenuFlip, UIText(kTextFlip));
  AddItem(4, kMenuMirror, UIText(kTextMirror));
  AddItem(5, kMenuResetView, UIText(kTextReset));
  AddTail(*this, 6, s);
  ApplyViewRules(*this, 5, 3, 4, s);
}

int BuildContextMenu(CMovieMenu& menu, const MenuState& s) {
  menu.m_bWide = s.fullScreen ? TRUE : FALSE;
  switch (s.playState) {
    case 1:
      menu.BuildStopped(s);
      // The main camera has no mirror; the rear camera has no display mode, flip or reset.
      if (s.pane == 0) {
        GreyPositions(menu, {4});
      } else {
        GreyPositions(menu, {2, 3, 5});
      }
      break;
    case 2:
    case 3:
      menu.BuildPlaying(UIText(s.playState == 2 ? kTextPause : kTextPlay), s);
      if (s.playState == 3) GreyPositions(menu, {2, 3});  // no fast or slow while paused
      if (s.pane == 0) {
        GreyPositions(menu, {7});
      } else {
        GreyPositions(menu, {5, 6, 8});
      }
      break;
    default:
      if (s.sizeStep != 2) menu.AddItem(0, kMenuSource, UIText(kTextSource));
      break;
  }
  return menu.GetMenuItemCount();
}

void CMovieMenu::MeasureItem(LPMEASUREITEMSTRUCT mis) {
  if (!mis) return;
  mis->itemWidth = m_bWide ? 220 : 100;
  mis->itemHeight = 20;
}

void CMovieMenu::DrawItem(LPDRAWITEMSTRUCT dis) {
  if (!dis || !dis->hDC) return;
  HDC dc = dis->hDC;
  const bool grey = (dis->itemState & ODS_GRAYED) != 0;
  const RECT& r = dis->rcItem;
  if ((dis->itemAction & ODA_SELECT) && (dis->itemState & ODS_SELECTED)) {
    const CBrush brush(grey ? 0xFFC3C3 : 0xFF0000);
    ::FillRect(dc, &r, brush);
    ::SetTextColor(dc, grey ? 0x7F7F7F : 0xFFFFFF);
  } else {
    ::FillRect(dc, &r, ::GetSysColorBrush(COLOR_MENU));
    if (grey) ::SetTextColor(dc, 0x7F7F7F);
  }
  // The text by the position kept in the item data.
  CString text;
  GetMenuString(static_cast<UINT>(dis->itemData), text, MF_BYPOSITION);
  const int oldMode = ::SetBkMode(dc, TRANSPARENT);
  {
    const CDCSelect font(dc, g_hFont10);
    RECT textRect = r;
    ::OffsetRect(&textRect, 20, 0);
    ::DrawTextW(dc, text, -1, &textRect, DT_SINGLELINE | DT_VCENTER);
  }
  ::SetBkMode(dc, oldMode);
  if (dis->itemState & ODS_CHECKED) {
    const int t = r.top, h = r.bottom - r.top;
    const CPen pen(PS_SOLID, 2, 0x000000);
    const CDCSelect selected(dc, pen.m_hObject);
    const POINT mark[3] = {{3, t + 4}, {4, t + h - 6}, {h - 5, t + 3}};
    ::Polyline(dc, mark, 3);
  }
}

}  // namespace quill::app
