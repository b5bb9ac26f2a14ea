// The file selection dialog's choice rules (see file_select_run.h).
#include "tavrin/browser/file_select_run.h"

namespace {

// Grows the run from its end up to `a`; false when a row that cannot be chosen stopped it.
bool GrowForward(ChoiceRun& run, int a, const RowTest& choosable) {
  for (int r = run.end; r <= a; ++r) {
    if (!choosable(r)) return false;
    run.end = r + 1;
  }
  return true;
}

bool GrowBackward(ChoiceRun& run, int a, const RowTest& choosable) {
  for (int r = run.first - 1; r >= a; --r) {
    if (!choosable(r)) return false;
    run.first = r;
  }
  return true;
}

}  // namespace

bool StepChoiceRun(ChoiceRun& run, int a, const RowTest& choosable, const RowTest& chosen) {
  run.anchor = a;
  if (run.empty()) {
    run.Clear();
    if (!choosable(a)) return true;
    run.first = a;
    run.end = a + 1;
    return false;
  }
  if (a == run.first) {
    if (a + 1 < run.end && chosen(a + 1)) {
      run.first = a + 1;
      run.anchor = a + 1;
    } else if (chosen(a)) {
      run.end = a + 1;
    } else {
      run.Clear();
    }
    return false;
  }
  if (a > run.first && a < run.end) {
    run.end = a;
    return false;
  }
  bool stopped;
  if (a >= run.end) {
    stopped = !GrowForward(run, a, choosable);
    run.anchor = run.end - 1;
  } else {
    stopped = !GrowBackward(run, a, choosable);
    run.anchor = run.first;
  }
  return stopped;
}

ChoiceRun SelectAllRange(int anchor, int rowCount, const RowTest& choosable, bool* stopped) {
  ChoiceRun run;
  if (stopped) *stopped = false;
  if (rowCount <= 0) return run;
  if (anchor < 0) anchor = 0;
  if (anchor >= rowCount) anchor = rowCount - 1;
  run.anchor = anchor;
  if (!choosable(anchor)) {
    if (stopped) *stopped = true;
    return run;
  }
  run.first = anchor;
  run.end = anchor + 1;
  while (run.first > 0 && choosable(run.first - 1)) --run.first;
  while (run.end < rowCount && choosable(run.end)) ++run.end;
  if (stopped) *stopped = run.first > 0 || run.end < rowCount;
  return run;
}
