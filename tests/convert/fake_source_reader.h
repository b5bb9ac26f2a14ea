// A source reader that plays a few flat-coloured IYUV frames of one video stream, and can announce a
// new output type part-way, as a hardware decoder does when it pads the coded height or changes the
// stride: from then on the frames come in the new layout, with rows of garbage below the picture and
// at the end of each row, so a reader that kept the old layout reads wrong colours. It can also hand
// one frame over twice (with the same or an earlier time), as a busy decoder sometimes does.
#pragma once

#include <windows.h>
#include <mfidl.h>
#include <mfreadwrite.h>

#include <cstdint>

#include "playcore/converter/movie_reader.h"

namespace playcore::test {

struct FakeYuv {
  uint8_t y, u, v;
};

struct FakeReaderScript {
  UINT width = 64, height = 48;
  UINT frames = 8;
  UINT changeAt = 4;          // the first frame of the new type; frames: never
  UINT paddedRows = 16;       // the new type's extra rows below the picture
  UINT paddedPitch = 96;      // the new type's luma pitch
  UINT repeatAt = 0xFFFFFFFF;  // the frame handed over a second time, right after itself; none by default
  UINT repeatBack = 0;         // frames that second copy's time lies before the first's
  FakeYuv before = {81, 90, 240};   // red in studio-range BT.601
  FakeYuv after = {41, 240, 110};   // blue
  FakeYuv garbage = {145, 54, 34};  // green: the padding
};

// A factory for CMovieCapture::SetSourceReaderFactory.
SourceReaderFactory FakeReaderFactory(const FakeReaderScript& script);

}  // namespace playcore::test
