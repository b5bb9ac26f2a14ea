// The button rules of the main window.
#include "tavrin/app/main/button_rules.h"

namespace quill::app {

namespace {

void Set(ButtonSet& out, int command, bool on) { out.enabled[command - kToolFirst] = on; }

// The rules of single buttons that hold in every state with rows (slow and fast only while playing).
void ApplySingleRules(const ButtonState& s, ButtonSet& out) {
  Set(out, kCmdSnapshot, s.holdsDataSource);
  Set(out, kCmdEnlarge, s.holdsDataSource);
  out.snapshotVisible = s.sizeStep != 2;
  out.enlargeVisible = !s.fullScreen;
  Set(out, kCmdJoin, s.d3dx || s.joinFace);
  Set(out, kCmdDisplayMode, s.d3dx && s.primaryPane == 0);
  Set(out, kCmdFlip, s.d3dx && s.movieOpen0 && s.primaryPane == 0);
  Set(out, kCmdMirror, s.movieOpen1 && s.primaryPane == 1);
  Set(out, kCmdMap, s.primaryMode == 3 ? s.d3dx : s.sizeStep == 0);
  Set(out, kCmdDelete, s.browserMode != 3);
  Set(out, kCmdDisplaySwitch, s.movieOpen0 && s.movieOpen1);
  Set(out, kCmdSource, true);
  Set(out, kCmdSettings, true);
  Set(out, kCmdCsv, !s.csvLocked);
}

}  // namespace

ButtonSet EnableToolButtonsRule(const ButtonState& s, bool first) {
  ButtonSet out;
  out.captionEnabled = s.captionEnabledNow;
  ApplySingleRules(s, out);
  const int last = s.rows - 1;
  Set(out, kCmdFirst, first);
  Set(out, kCmdPrevious, !(s.rows == 1 || s.currentIndex == 0));
  Set(out, kCmdPlay, s.holdsDataSource);
  Set(out, kCmdSlow, false);
  Set(out, kCmdFast, false);
  Set(out, kCmdNext, !(s.rows == 1 || s.currentIndex == last));
  return out;
}

ButtonSet UpdateButtonsRule(const ButtonState& s) {
  if (s.rows <= 0) {
    ButtonSet out;
    out.captionEnabled = s.captionEnabledNow;
    Set(out, kCmdSource, true);
    Set(out, kCmdSettings, true);
    Set(out, kCmdCsv, s.csvEnabledNow);
    out.snapshotVisible = s.sizeStep != 2;
    out.enlargeVisible = !s.fullScreen;
    return out;
  }
  ButtonSet out;
  switch (s.playState) {
    case 3:
      out = EnableToolButtonsRule(s, true);
      break;
    case 2:
      out.enabled.fill(true);
      ApplySingleRules(s, out);
      Set(out, kCmdSlow, s.speedCode > -2);
      Set(out, kCmdFast, s.speedCode < 3);
      break;
    default:  // closed or stopped
      out = EnableToolButtonsRule(s, false);
      break;
  }
  out.captionEnabled = true;
  return out;
}

ButtonSet DisableAllButtonsRule(const ButtonState& s) {
  ButtonSet out;
  out.captionEnabled = false;
  out.snapshotVisible = s.sizeStep != 2;
  out.enlargeVisible = !s.fullScreen;
  return out;
}

}  // namespace quill::app
