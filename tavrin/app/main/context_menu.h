// The owner-drawn popup menu over a video pane. The main dialog fills a MenuState from the selected
// instance and the pane under the mouse, builds the menu with BuildContextMenu (the builders and the
// greying rules are all here, so a test can read the built HMENU without tracking it), tracks it and
// destroys it.
//
// Threads: UI thread only.
#pragma once

#include <windows.h>

#include "platform/framework/controls.h"

namespace quill::app {

// The menu's command ids.
enum MenuCommand : UINT {
  kMenuStop = 38000, kMenuPlay = 38002, kMenuSlow = 38003, kMenuFast = 38004, kMenuSnapshot = 38006,
  kMenuDisplayMode = 38009, kMenuSource = 38013, kMenuSettings = 38015, kMenuDisplaySwitch = 38017,
  kMenuResetView = 38201, kMenuFlip = 38202, kMenuMirror = 38203,
};

// What the menu depends on.
struct MenuState {
  int playState = 0;      // of the selected instance: 0 closed, 1 stopped, 2 playing, 3 paused
  int pane = 0;           // the pane's player index (0 main camera, 1 rear camera)
  bool fullScreen = false;
  int sizeStep = 0;
  int viewMode = 3;       // of the pane under the mouse
  bool flip = false;
  bool mirror = false;
  int edition = 2;
  int speedCode = 1;      // of the data-source instance; 0 when inactive
  bool rearMovieOpen = false;  // player 1 has a movie open
};

class CMovieMenu : public CMenu {
 public:
  // The wide face of the full-screen arrangement.
  BOOL m_bWide = FALSE;

  // One owner-drawn item at `position` whose item data is that position.
  void AddItem(UINT position, UINT id, const wchar_t* text);
  void AddSeparator(UINT position);
  // The menu of a playing or paused instance, and of a stopped one (before the pane rules).
  void BuildPlaying(const wchar_t* playText, const MenuState& s);
  void BuildStopped(const MenuState& s);

  void DrawItem(LPDRAWITEMSTRUCT dis) override;
  void MeasureItem(LPMEASUREITEMSTRUCT mis) override;
};

// Builds the whole menu of `s` into `menu` (a fresh popup): nothing for a closed instance at size
// step 2, only the source item for a closed one, else the builder of the play state and the positions
// greyed for the pane. Returns the number of items.
int BuildContextMenu(CMovieMenu& menu, const MenuState& s);

}  // namespace quill::app
