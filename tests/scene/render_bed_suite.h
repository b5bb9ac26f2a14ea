// The fixture base of the test suites that draw on a render bed.
#pragma once

#include <gtest/gtest.h>

#include "tests/scene/render_bed.h"

namespace playcore::test {

// A test suite that draws on one render bed of Width x Height from one FrameSize x FrameSize frame, both
// made once for the suite (making a device costs about two seconds under Wine); each test stops at
// once when they could not be made.
template <UINT Width, UINT Height, UINT FrameSize>
class RenderBedSuite : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    bed_ = new RenderBed;
    if (FAILED(bed_->Create(Width, Height)) || FAILED(bed_->MakeFrame(FrameSize, &frame_))) frame_.reset();
  }
  static void TearDownTestSuite() {
    frame_.reset();
    delete bed_;
    bed_ = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(frame_) << "no Direct3D 9Ex on the test bed"; }

  static inline RenderBed* bed_ = nullptr;
  static inline ComPtr<IDirect3DSurface9> frame_;
};

}  // namespace playcore::test
