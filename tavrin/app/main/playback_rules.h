// The decisions of the playback driving, as pure functions: the frame margin held back from a movie's
// end, the seek clamps, when a pending seek counts as reached, the speed label, the volume fade-in,
// the movie-ready count, what the end of a list leads to, and the drag and inertia arithmetic of the
// video panes. The main dialog and the panes apply them to the players and windows.
#pragma once

#include <cstdint>

namespace quill::app {

// The timer periods of the playback driving (milliseconds); tests shorten them.
struct PlaybackTimings {
  unsigned tick = 100;       // timer 100: follow the position
  unsigned open = 500;       // timer 101: open the current entry
  unsigned watchdog = 30000; // timer 102: end an open that never finished
  unsigned start = 100;      // timer 105: start playback after the drive data arrived
  unsigned fade = 60;        // timer 106: one step of the volume fade-in
};
PlaybackTimings& Timings();

// Timer ids of the main dialog's playback.
enum PlaybackTimer : unsigned {
  kTimerTick = 100, kTimerOpen = 101, kTimerWatchdog = 102, kTimerButtons = 104, kTimerStart = 105,
  kTimerFade = 106,
};

// Units held back from a movie's end at a speed code: 80 at 4, 40 at 2, 20 otherwise.
int EndMarginBase(int speedCode);
// The frame margin: trunc(base x 1000 / 29.1 / time scale) in single precision, every step rounded to
// a float (no extended-precision intermediates); a time scale not above 0 gives the base itself.
int FrameMargin(int speedCode, float timeScale);

// Where a seek lands, for the seek bar's range [minimum, maximum]: the players' target (limited to
// maximum - EndMarginBase, then per instance to its duration - 2 x frame margin, -1 when that is
// negative: the instance is not moved) and the cursor (within [minimum, maximum - 1], never below the
// minimum).
struct SeekPlan {
  int64_t target[2];
  int64_t cursor;
};
SeekPlan PlanSeek(int64_t position, int64_t minimum, int64_t maximum, int speedCode, int frameMargin,
                  const int64_t durations[2]);

// The cursor position for a seek-bar range: within [minimum, maximum - 1] and never below minimum.
int64_t ClampCursor(int64_t position, int64_t minimum, int64_t maximum);

// A pending seek to `target` is reached when the reported position lies strictly within
// duration / 1000 + 100 units of it.
bool PendingSeekReached(int64_t target, int64_t position, int64_t duration);

// The UI text of the speed label for a speed code; 0 for none.
unsigned SpeedLabelText(int speedCode);

// One step of the fade-in after a seek: while the fade volume is below the target, the players get
// it and it grows by 2000; otherwise the target is set and the fade ends.
struct FadeStep {
  int apply;   // the volume the players get now
  int next;    // the fade volume after this step
  bool done;   // the fade timer stops
};
FadeStep NextFadeStep(int fadeVolume, int targetVolume);

// The end of a pair whose two cameras play: the first camera's end report waits for the other one
// while that one's picture is still coming (its frames can trail its clock when drawing them is slow,
// and moving on would leave its last frames unshown). It does not wait for a camera without a movie,
// one that already reported its end, one whose shown frames cannot be counted, or one that showed no
// new frame for `stallMs`.
struct EndWaitCamera {
  bool open = false;      // a movie is open on it
  bool reported = false;  // its end was reported
  bool counted = false;   // its shown frames can be read
  unsigned sinceFrameMs = 0;  // since it last showed a new frame (or since the wait began)
};
constexpr unsigned kEndWaitStallMs = 1000;
bool EndWaitsFor(const EndWaitCamera& other, unsigned stallMs = kEndWaitStallMs);

// The movie-ready reports of one open: one bit per pane that reported. Reports of a pane whose
// instance has no movie open, and repeated reports, do not count; Reset starts a new open.
class ReadyCount {
 public:
  void Reset() { reported_ = 0; }
  // True once every pane with a movie open has reported (the call that completes it).
  bool Report(int pane, bool movieOpen0, bool movieOpen1);
  unsigned reported() const { return reported_; }

 private:
  unsigned reported_ = 0;
};

// What comes after the current entry at the end of its movie.
enum class NextStep { kNone, kNextEntry, kNextFolder, kListEnd };
NextStep ChooseNextStep(int currentIndex, int count, bool nextFolderExists);

// The angles of a drag of (dx, dy) pixels in a pane `width` pixels wide at field of view `fov`
// (degrees): scale = (60 / fov) / 360 / width in floats; with the lock only the larger one is kept.
struct DragAngles {
  float x;
  float y;
};
DragAngles AnglesForDrag(int dx, int dy, float fov, int width, bool lockAxis);
// The field of view (degrees) a view shows at zoom factor `zoom`: 60 / zoom, as the scene's cameras
// take it; 60 for a zoom that is not above 0.
float FieldOfViewForZoom(float zoom);

// A velocity component limited to [-100, 100].
int ClampVelocity(int v);
// One step of the inertia: each non-zero component x 0.99, truncated.
int DecayVelocity(int v);
// The view coasts after a release when the drag (dx, dy) and its last movement (vx, vy) agree within
// 30 degrees and that movement is not already at rest (InertiaIdle).
bool DragCoasts(int dx, int dy, int vx, int vy);
// Whether the inertia has come to rest.
inline bool InertiaIdle(int vx, int vy) { return vx < 4 && vx > -4 && vy < 4 && vy > -4; }

}  // namespace quill::app
