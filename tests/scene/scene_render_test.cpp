// Every view of the 360-degree scene drawn on the test bed's display from the synthetic fisheye
// frame, read back and compared with where each pixel must sample the picture.
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "playcore/scene/sphere_model.h"
#include "tests/scene/render_bed_suite.h"
#include "tests/scene/scene_expect.h"

namespace playcore::test {
namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 180;
constexpr UINT kFrameSize = 512;
constexpr int kTolerance = 25;  // wined3d's colour conversion is not exact
constexpr int kSampleStep = 4;
constexpr float kUniformReach = 0.012f;
constexpr Screen kScreen = {kWidth, kHeight};
const float kAspect = static_cast<float>(kWidth) / kHeight;

const Rgb kBlack = {0, 0, 0};
const Rgb kBrightRed = {255, 0, 0}, kBrightGreen = {0, 255, 0};
const Rgb kDarkRed = {128, 0, 0}, kDarkGreen = {0, 128, 0};
const Rgb kDarkBlue = {0, 0, 128}, kDarkYellow = {128, 128, 0};
const Rgb kBrightYellow = {255, 255, 0};

using UvMap = std::function<bool(int px, int py, float* u, float* v)>;

class SceneRender : public RenderBedSuite<kWidth, kHeight, kFrameSize> {
 protected:

  void Build(int mode) {
    ASSERT_EQ(model_->CreateScene(bed_->device(), kFrameSize, kFrameSize), S_OK);
    ASSERT_EQ(model_->SetViewMode(mode), S_OK);
    model_->SetViewAspect(kWidth, kHeight);
  }

  void Draw(const std::string&) {
    ASSERT_EQ(model_->RenderSurface(bed_->device(), frame_.get()), S_OK);
    ASSERT_EQ(bed_->ReadTarget(&pixels_), S_OK);
  }

  Rgb At(int px, int py) const { return FromXrgb(pixels_[py * kWidth + px]); }

  void ExpectAt(int px, int py, const Rgb& expected, const char* what) const {
    const Rgb got = At(px, py);
    EXPECT_TRUE(Near(got, expected, kTolerance))
        << what << " at (" << px << "," << py << "): got (" << got.r << "," << got.g << ","
        << got.b << "), expected (" << expected.r << "," << expected.g << "," << expected.b << ")";
  }

  // Every sampled pixel whose neighbourhood of the picture has one colour must show that colour;
  // pixels well outside the shape must show the clear colour.
  void ExpectMatchesPicture(const UvMap& map) const {
    int checked = 0, wrong = 0;
    std::string first;
    for (int py = 2; py < kHeight - 2; py += kSampleStep) {
      for (int px = 2; px < kWidth - 2; px += kSampleStep) {
        float u, v;
        Rgb expected;
        if (map(px, py, &u, &v)) {
          if (!PatternUniformAround(u, v, kUniformReach)) continue;
          expected = PatternColour(u, v);
        } else {
          bool allOutside = true;
          for (int d : {-3, 3}) {
            float uu, vv;
            allOutside = allOutside && !map(px + d, py, &uu, &vv) && !map(px, py + d, &uu, &vv);
          }
          if (!allOutside) continue;
          expected = kBlack;
        }
        ++checked;
        if (!Near(At(px, py), expected, kTolerance)) {
          if (first.empty()) {
            const Rgb got = At(px, py);
            first = "(" + std::to_string(px) + "," + std::to_string(py) + ") got " +
                    std::to_string(got.r) + "," + std::to_string(got.g) + "," +
                    std::to_string(got.b) + " expected " + std::to_string(expected.r) + "," +
                    std::to_string(expected.g) + "," + std::to_string(expected.b);
          }
          ++wrong;
        }
      }
    }
    EXPECT_GT(checked, 500);
    // A few pixels on the edges of the shapes' triangles may round the other way.
    EXPECT_LE(wrong, checked / 50) << wrong << " of " << checked << " wrong, first " << first;
  }

  UvMap RectangleMap() const {
    const FlatViewState view = model_->Snapshot().rectangle;
    return [view](int px, int py, float* u, float* v) {
      return RectangleUv(view, kAspect, kScreen, px, py, u, v);
    };
  }
  UvMap DividedMap() const {
    const FlatViewState view = model_->Snapshot().divided;
    return [view](int px, int py, float* u, float* v) {
      return DividedUv(view, kAspect, kScreen, px, py, u, v);
    };
  }
  UvMap PlanesMap() const {
    const FlatViewState view = model_->Snapshot().planes;
    return [view](int px, int py, float* u, float* v) {
      return PlanesUv(view, kAspect, kScreen, px, py, u, v);
    };
  }
  UvMap SphereMap(float zoom) const {
    const sVIEWSETTINGS s = model_->Snapshot();
    return [s, zoom](int px, int py, float* u, float* v) {
      return SphereUv(s.sphereUp, zoom, s.sphereRotation, kAspect, kScreen, px, py, u, v);
    };
  }

  std::unique_ptr<CSphereModel> model_ = std::make_unique<CSphereModel>();
  std::vector<uint32_t> pixels_;
};

struct Spot {
  int x, y;
  Rgb colour;
  const char* what;
};

struct RenderCase {
  const char* name;
  int mode;
  std::function<void(CSphereModel&)> move;  // the user's moves before the frame
  float sphereZoom;
  std::vector<Spot> spots;
};

// Each view drawn after some moves: every sampled pixel against the picture point worked out
// backwards from the camera, and a few spots against the quadrant they must show.
TEST_F(SceneRender, EachViewShowsThePictureWhereItsCameraLooks) {
  const auto none = [](CSphereModel&) {};
  const auto flip = [](CSphereModel& m) { EXPECT_EQ(m.ToggleStepSign(), 1); };
  const RenderCase cases[] = {
      // The grid is mirrored (u = 1 at its left edge) and the camera looks down -z, so the screen
      // shows the picture's top-left quadrant at the top left.
      {"rectangle", kViewRectangle, none, 1.0f,
       {{127, 57, kBrightRed, "top left"}, {193, 57, kBrightGreen, "top right"},
        {193, 123, kBrightYellow, "bottom right"}, {20, 90, kBlack, "beside the picture"}}},
      {"rectangle zoomed and panned", kViewRectangle,
       [](CSphereModel& m) { EXPECT_EQ(m.MoveView(0.01f, 0.0f, 2.0f), 1); }, 1.0f,
       {{160, 70, kBrightRed, "centre after panning towards the left half"}}},
      {"rectangle upside down", kViewRectangle, flip, 1.0f,
       {{127, 57, kBrightYellow, "top left shows the bottom-right quadrant"}}},
      {"divided", kViewDivided, none, 1.0f,
       {{240, 135, kDarkBlue, "lower strip, right"}, {80, 135, kDarkYellow, "lower strip, left"},
        {240, 45, kDarkGreen, "upper strip, right"}, {80, 45, kDarkRed, "upper strip, left"}}},
      {"divided zoomed and panned", kViewDivided,
       [](CSphereModel& m) { EXPECT_EQ(m.MoveView(0.02f, 0.01f, 1.5f), 1); }, 1.0f, {}},
      // The upper strip holds the lower one's half, turned over: right and left swap too.
      {"divided upside down", kViewDivided, flip, 1.0f,
       {{80, 45, kDarkBlue, "upper strip, left"}, {240, 135, kDarkRed, "lower strip, right"}}},
      {"sphere", kViewSphere, none, 1.0f,
       {{130, 90, kDarkRed, "horizon, left of ahead"}, {190, 90, kDarkGreen, "horizon, right"}}},
      {"sphere turned half around", kViewSphere,
       [](CSphereModel& m) { EXPECT_EQ(m.MoveView(0.5f, 0.0f, 1.0f), 1); }, 1.0f,
       {{130, 90, kDarkYellow, "horizon, left"}, {190, 90, kDarkBlue, "horizon, right"}}},
      {"sphere tipped and zoomed", kViewSphere,
       [](CSphereModel& m) {
         m.MoveView(0.1f, 0.05f, 2.0f);
         m.ApplyCamera();
         m.MoveView(-0.03f, 0.02f, 2.0f);
       },
       2.0f, {}},
      {"sphere upside down", kViewSphere, flip, 1.0f,
       {{130, 90, kDarkGreen, "left"}, {190, 90, kDarkRed, "right"}}},
      {"planes", kViewPlanes, none, 1.0f,
       {{130, 90, kBrightRed, "left of the middle"}, {190, 90, kBrightGreen, "right of the middle"}}},
      // Two steps right (pan x wraps from past 0 to -4.0 and on), then zoomed in.
      {"planes panned across the wrap", kViewPlanes,
       [](CSphereModel& m) {
         m.MoveView(0.2f, 0.0f, 1.0f);
         m.MoveView(0.2f, 0.05f, 1.3f);
         EXPECT_GE(m.Snapshot().planes.panX, -4.0f);
         EXPECT_LE(m.Snapshot().planes.panX, 0.0f);
       },
       1.0f, {}},
      {"planes upside down and zoomed", kViewPlanes,
       [](CSphereModel& m) {
         m.ToggleStepSign();
         m.MoveView(-0.1f, 0.02f, 1.6f);
       },
       1.0f, {}},
  };
  for (const RenderCase& c : cases) {
    SCOPED_TRACE(c.name);
    model_ = std::make_unique<CSphereModel>();
    Build(c.mode);
    c.move(*model_);
    Draw(c.name);
    switch (c.mode) {
      case kViewRectangle: ExpectMatchesPicture(RectangleMap()); break;
      case kViewDivided: ExpectMatchesPicture(DividedMap()); break;
      case kViewSphere: ExpectMatchesPicture(SphereMap(c.sphereZoom)); break;
      default: ExpectMatchesPicture(PlanesMap()); break;
    }
    for (const Spot& spot : c.spots) ExpectAt(spot.x, spot.y, spot.colour, spot.what);
  }
}

TEST_F(SceneRender, PlanesResetBringsThePanBack) {
  Build(kViewPlanes);
  model_->MoveView(0.3f, 0.1f, 1.5f);
  EXPECT_EQ(model_->ResetView(), S_OK);
  const FlatViewState view = model_->Snapshot().planes;
  EXPECT_EQ(view.panX, 0.0f);
  EXPECT_EQ(view.panY, 0.0f);
}

}  // namespace
}  // namespace playcore::test
