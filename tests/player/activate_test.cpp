// The presenter activation object: what it answers the EVR, its attribute store, and the view
// settings a new presenter starts with.
#include <gtest/gtest.h>

#include <mfapi.h>

#include "playcore/player/mf_activate.h"
#include "playcore/scene/raw_obj.h"
#include "playcore/scene/sphere_model.h"

namespace playcore {
namespace {

using quill::com::CComObject;
using quill::com::ComPtr;

class Activate : public ::testing::Test {
 protected:
  void SetUp() override {
    MFStartup(MF_VERSION, MFSTARTUP_FULL);
    ASSERT_EQ(S_OK, CComObject<CMFActivate>::CreateInstance(&object_));
    held_ = ComPtr<IMFActivate>::Borrow(object_);
  }
  void TearDown() override {
    held_.reset();
    MFShutdown();
  }
  CComObject<CMFActivate>* object_ = nullptr;
  ComPtr<IMFActivate> held_;
};

TEST_F(Activate, TwoActivationsGiveTheSamePresenterSeededWithTheOwnersView) {
  sVIEWSETTINGS owner = DefaultViewSettings();
  owner.viewMode = kViewFlat;
  owner.word3 = 1;  // mirrored
  object_->SetOwner(&owner);
  object_->SetFrameSize(320, 180);
  ComPtr<IMFVideoPresenter> first;
  ComPtr<IMFVideoPresenter> second;
  ASSERT_EQ(S_OK, object_->ActivateObject(__uuidof(IMFVideoPresenter), first.putVoid()));
  ASSERT_EQ(S_OK, object_->ActivateObject(__uuidof(IMFVideoPresenter), second.putVoid()));
  EXPECT_EQ(first.get(), second.get());
  ComPtr<EVRCustomPresenter> presenter = object_->presenter();
  ASSERT_TRUE(presenter);
  D3DPresentEngine* engine = presenter->engine();
  ASSERT_NE(nullptr, engine);
  EXPECT_EQ(320u, engine->frameWidth());
  EXPECT_EQ(180u, engine->frameHeight());
  EXPECT_EQ(kViewFlat, engine->viewMode());
  ASSERT_NE(nullptr, engine->renderer()->flat());
  EXPECT_TRUE(engine->renderer()->flat()->mirrored());
  object_->SetSeekMark(false);
  EXPECT_FALSE(presenter->seekMark());
  EXPECT_EQ(S_OK, object_->ShutdownObject());
  EXPECT_FALSE(object_->presenter()) << "the presenter is dropped at shut-down";
}

TEST_F(Activate, ASceneModeOwnerSeedsTheScene) {
  sVIEWSETTINGS owner = DefaultViewSettings();
  owner.viewMode = kViewSphere;
  owner.sphereUp = -0.1f;
  owner.rectangle.zoom = 2.0f;
  object_->SetOwner(&owner);
  object_->SetFrameSize(320, 320);
  ComPtr<IMFVideoPresenter> presenter;
  ASSERT_EQ(S_OK, object_->ActivateObject(__uuidof(IMFVideoPresenter), presenter.putVoid()));
  CSphereModel* scene = object_->presenter()->engine()->renderer()->scene();
  ASSERT_NE(nullptr, scene);
  const sVIEWSETTINGS seeded = scene->Snapshot();
  EXPECT_EQ(kViewSphere, seeded.viewMode);
  EXPECT_FLOAT_EQ(-0.1f, seeded.sphereUp);
  EXPECT_FLOAT_EQ(2.0f, seeded.rectangle.zoom);
  object_->ShutdownObject();
}

}  // namespace
}  // namespace playcore
