// The file selection dialog's choice rules, independent of its window: in the join mode the chosen rows
// stay one contiguous run of choosable rows, grown or cut by each click; "select all" takes the block of
// choosable rows around the anchor. Pure functions; any thread.
#pragma once

#include <functional>

// The chosen run [first, end) and the anchor row; no run is first -1, end 0.
struct ChoiceRun {
  int anchor = 0;
  int first = -1;
  int end = 0;
  bool empty() const { return first < 0 || end <= first; }
  bool Contains(int row) const { return !empty() && row >= first && row < end; }
  void Clear() {
    first = -1;
    end = 0;
  }
};

using RowTest = std::function<bool(int row)>;

// One click on row `a` (already toggled; `chosen` answers the rows' states after the toggle). Returns
// true when a row that cannot be chosen stopped the step.
bool StepChoiceRun(ChoiceRun& run, int a, const RowTest& choosable, const RowTest& chosen);

// The block of choosable rows around the anchor (clamped to the rows; empty on an empty list). `stopped`
// is set when a row that cannot be chosen bounds the block.
ChoiceRun SelectAllRange(int anchor, int rowCount, const RowTest& choosable, bool* stopped);
