// The flat view's quad after its objects are rebuilt (a new media type, a new device).
#include <gtest/gtest.h>

#include "playcore/scene/raw_obj.h"
#include "tests/scene/render_bed.h"

namespace playcore::test {
namespace {

constexpr UINT kWidth = 240;
constexpr UINT kHeight = 120;
constexpr UINT kFrameSize = 256;

// Regression: the quad kept its cached destination over a rebuild, so with the same layout it was
// never placed again and the picture covered the letter-box bars.
TEST(FlatRebuild, ARebuiltQuadIsPlacedAgainInsideTheLetterBox) {
  RenderBed bed;
  ComPtr<IDirect3DSurface9> frame;
  ASSERT_EQ(S_OK, bed.Create(kWidth, kHeight));
  ASSERT_EQ(S_OK, bed.MakeFrame(kFrameSize, &frame));
  const RECT dest = {60, 0, 180, 120};  // bars left and right
  D3DRawObj2 flat;
  ASSERT_EQ(S_OK, flat.Create(bed.device(), kFrameSize, kFrameSize, kQuadVertices));
  ASSERT_EQ(S_OK, flat.Draw(bed.device(), frame.get(), bed.window(), dest, kWidth, kHeight, false));
  const std::vector<ScreenVertex> placed = flat.vertices();
  ASSERT_EQ(S_OK, flat.Create(bed.device(), kFrameSize, kFrameSize, kQuadVertices));
  ASSERT_EQ(S_OK, flat.Draw(bed.device(), frame.get(), bed.window(), dest, kWidth, kHeight, false));
  ASSERT_EQ(placed.size(), flat.vertices().size());
  for (size_t i = 0; i < placed.size(); ++i) {
    EXPECT_GE(placed[i].x, 59.0f) << i;
    EXPECT_FLOAT_EQ(placed[i].x, flat.vertices()[i].x) << i;
    EXPECT_FLOAT_EQ(placed[i].y, flat.vertices()[i].y) << i;
  }
}

}  // namespace
}  // namespace playcore::test
