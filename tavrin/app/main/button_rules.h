// Which of the main window's buttons are enabled, as a pure function of the state they depend on. The
// main dialog fills a ButtonState from its members and the data-source player instance and applies the
// result to its button windows (UpdateButtons, EnableToolButtons, DisableAllButtons).
#pragma once

#include <array>
#include <cstdint>

namespace quill::app {

// The eighteen tool buttons, commands 38000..38017, in table order.
constexpr int kToolFirst = 38000;
constexpr int kToolCount = 18;
enum ToolCommand : int {
  kCmdFirst = 38000, kCmdPrevious, kCmdPlay, kCmdSlow, kCmdFast, kCmdNext, kCmdSnapshot, kCmdJoin,
  kCmdEnlarge, kCmdDisplayMode, kCmdFlip, kCmdMirror, kCmdMap, kCmdSource, kCmdDelete, kCmdSettings,
  kCmdCsv, kCmdDisplaySwitch,
};
// The caption buttons.
constexpr int kCmdClose = 18;
constexpr int kCmdMinimise = 19;
constexpr int kCmdNextSize = 20;

struct ButtonState {
  int rows = 0;             // recordings in the file list
  int currentIndex = -1;
  int playState = 0;        // of the data-source instance: 0 closed, 1 stopped, 2 playing, 3 paused
  int speedCode = 1;        // of the data-source instance
  bool holdsDataSource = false;  // the data-source instance's data-source word is set
  bool d3dx = false;        // the D3DX 9 library could be loaded
  bool joinFace = true;     // button 38007 shows its join face
  int primaryPane = 0;      // the pane that is a child of the main window
  int primaryMode = 3;      // that pane's view mode
  bool movieOpen0 = false;
  bool movieOpen1 = false;
  int sizeStep = 0;
  bool fullScreen = false;
  int browserMode = 0;
  bool csvLocked = true;
  // What the buttons show now: kept where a rule leaves a button alone.
  bool csvEnabledNow = false;
  bool captionEnabledNow = true;
};

struct ButtonSet {
  std::array<bool, kToolCount> enabled{};  // index = command - 38000
  bool captionEnabled = false;
  bool snapshotVisible = true;
  bool enlargeVisible = true;
  bool Enabled(int command) const {
    return command >= kToolFirst && command < kToolFirst + kToolCount && enabled[command - kToolFirst];
  }
};

// UpdateButtons: the state after any change of the list, the play state or the view.
ButtonSet UpdateButtonsRule(const ButtonState& s);
// EnableToolButtons(first): the tool buttons of a stopped (first 0) or paused (first 1) movie.
ButtonSet EnableToolButtonsRule(const ButtonState& s, bool first);
// DisableAllButtons: everything off while a tool runs.
ButtonSet DisableAllButtonsRule(const ButtonState& s);

}  // namespace quill::app
