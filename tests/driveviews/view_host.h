// The drive-data views' test stage: a top-level host window standing in for the main dialog (the
// first window of the program, so screenshots show it) that records the messages the views post to
// it, the off-screen surface the main dialog lends the views, a fake of the graph's data source, and
// where screenshots go.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tavrin/driveviews/gsensor_source.h"
#include "tavrin/skin/offscreen_dc.h"
#include "tests/skin/skin_capture.h"
#include "tests/support/host_window.h"

namespace quill::test {

struct Posted {
  UINT msg;
  WPARAM wp;
  LPARAM lp;
  bool operator==(const Posted& o) const { return msg == o.msg && wp == o.wp && lp == o.lp; }
};

class CViewHost : public CHostWindow {
 public:
  static constexpr int kWidth = 900;
  static constexpr int kHeight = 560;
  bool Open();
  // Serves the thread's queue until it is empty, then hands over what the views posted.
  std::vector<Posted> TakePosted();

  COffScreenDC surface;  // 1920 x 400, like the main dialog's
  std::vector<Posted> posted;

 protected:
  LRESULT OnPrevious(WPARAM wp, LPARAM lp);
  LRESULT OnNext(WPARAM wp, LPARAM lp);
  LRESULT OnToggle(WPARAM wp, LPARAM lp);
  DECLARE_MESSAGE_MAP()
};

CViewHost& Host();

// The graph's data: vectors the test fills, and the depth of the lock calls.
class FakeGraphSource : public quill::driveviews::GraphDataSource {
 public:
  bool Active() override { return active; }
  std::vector<playcore::sEVENTRECORD>* Records() override { return hasRecords ? &records : nullptr; }
  std::vector<playcore::sEVENTRECORD*>* PositionTable() override { return hasTable ? &table : nullptr; }
  int64_t Duration(int) override { return 0; }
  void Lock() override { ++depth; }
  void Unlock() override { --depth; }

  // Links every position to its record, `perRecord` positions per record.
  void LinkPositions(int perRecord);

  bool active = true;
  bool hasRecords = true;
  bool hasTable = true;
  std::vector<playcore::sEVENTRECORD> records;
  std::vector<playcore::sEVENTRECORD*> table;
  int depth = 0;
};

// Saves the capture as `name` under test-output/driveviews/ and compares it with the reference of that
// name in tests/driveviews/reference/: the share of pixels that differ beyond a small tolerance (1.0 when there is no reference).
double SaveAndCompare(const Pixels& shot, const std::wstring& name);

// A memory DC with a 32-bit top-down DIB section selected, for painting and reading back pixels.
class PixelCanvas {
 public:
  PixelCanvas(int width, int height, COLORREF fill);
  ~PixelCanvas();
  PixelCanvas(const PixelCanvas&) = delete;
  PixelCanvas& operator=(const PixelCanvas&) = delete;
  HDC dc() const { return dc_; }
  COLORREF At(int x, int y) const;
  Pixels Capture() const;

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  uint32_t* bits_ = nullptr;
  int width_, height_;
};

}  // namespace quill::test
