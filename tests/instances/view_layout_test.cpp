// Where the picture goes in its pane: zoom about a centre, pan, and letter-boxing to the native aspect.
#include <gtest/gtest.h>

#include "playcore/instances/view_layout.h"

namespace {

using playcore::LayOutVideoRect;
using playcore::VideoLayout;

TEST(ViewLayout, ZoomPanAndLetterBox) {
  struct Case {
    const char* name;
    RECT client;
    VideoLayout layout;
    bool ok;
    RECT dest;
  } cases[] = {
      {"whole pane", {0, 0, 640, 480}, {1.0f, 320, 240, 0, 0, false, 0, 0}, true, {0, 0, 640, 480}},
      {"double about the centre", {0, 0, 640, 480}, {2.0f, 320, 240, 0, 0, false, 0, 0}, true, {-320, -240, 960, 720}},
      {"double about the top left", {0, 0, 640, 480}, {2.0f, 0, 0, 0, 0, false, 0, 0}, true, {0, 0, 1280, 960}},
      {"panned", {0, 0, 640, 480}, {1.0f, 320, 240, 15, -7, false, 0, 0}, true, {15, -7, 655, 473}},
      {"zoom 0 fails", {0, 0, 640, 480}, {0.0f, 320, 240, 0, 0, false, 0, 0}, false, {}},
      {"inside out fails", {0, 0, 640, 480}, {-1.0f, 320, 240, 0, 0, false, 0, 0}, false, {}},
      {"wide movie in a square pane", {0, 0, 640, 640}, {1.0f, 320, 320, 0, 0, true, 1920, 1080}, true, {0, 140, 642, 502}},
      {"square movie in a wide pane", {0, 0, 732, 411}, {1.0f, 366, 205, 0, 0, true, 1920, 1920}, true, {160, 0, 573, 413}},
      {"aspect without a native size", {0, 0, 640, 480}, {1.0f, 320, 240, 0, 0, true, 0, 0}, true, {0, 0, 640, 480}},
      {"empty pane fails", {0, 0, 0, 0}, {1.0f, 0, 0, 0, 0, false, 0, 0}, false, {}},
  };
  for (const Case& c : cases) {
    RECT dest = {};
    EXPECT_EQ(LayOutVideoRect(c.client, c.layout, &dest), c.ok) << c.name;
    if (!c.ok) continue;
    EXPECT_EQ(dest.left, c.dest.left) << c.name;
    EXPECT_EQ(dest.top, c.dest.top) << c.name;
    EXPECT_EQ(dest.right, c.dest.right) << c.name;
    EXPECT_EQ(dest.bottom, c.dest.bottom) << c.name;
  }
}

}  // namespace
