// The presenter's steps that differ between Windows and Wine, each driven with the Wine check forced
// either way against the fakes of the EVR side.
#include <optional>

#include "playcore/presenter/wine_host.h"
#include "tests/presenter/presenter_fixture.h"

namespace playcore::test {
namespace {

// The check is forced before the presenter is built and until it is gone: the engine's Direct3D
// object and device keeping follow it too.
class PresenterOnPlatform : public PresenterTest {
 protected:
  void TearDown() override {
    PresenterTest::TearDown();
    forced_.reset();
  }
  void BuildOn(bool wine) {
    Restart();
    forced_.emplace(wine);
    Build(false);  // as both EVRs' first look-up: no clock yet
  }

  std::optional<WineCheckOverride> forced_;
};

// Windows' EVR asks for the type before it sends input and refuses nothing; Wine's asks only once,
// before it looks the services up again, so its first input finds no type.
TEST_F(PresenterOnPlatform, InputWithoutATypeIsNegotiatedUnderWineAndRefusedOnWindows) {
  const struct {
    bool wine;
    HRESULT input;
    int mixerTypesSet;
    HRESULT typeAfter;
  } cases[] = {
      {true, S_OK, 1, S_OK},
      {false, MF_E_TRANSFORM_TYPE_NOT_SET, 0, MF_E_NOT_INITIALIZED},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.wine ? "wine" : "windows");
    BuildOn(c.wine);
    EXPECT_EQ(c.input, presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0));
    EXPECT_EQ(c.mixerTypesSet, mixer_->finalSets.load());
    quill::com::ComPtr<IMFVideoMediaType> type;
    EXPECT_EQ(c.typeAfter, presenter_->GetCurrentMediaType(type.put()));
    // The EVR's own request for a type is answered on both, and input is taken from then on.
    Negotiate();
    EXPECT_EQ(S_OK, presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0));
  }
}

TEST_F(PresenterOnPlatform, TheDeviceManagerIsAnsweredForTheAccelerationServiceUnderWineOnly) {
  const struct {
    bool wine;
    HRESULT acceleration;
  } cases[] = {{true, S_OK}, {false, MF_E_UNSUPPORTED_SERVICE}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.wine ? "wine" : "windows");
    BuildOn(c.wine);
    quill::com::ComPtr<IDirect3DDeviceManager9> manager;
    EXPECT_EQ(c.acceleration, presenter_->GetService(MR_VIDEO_ACCELERATION_SERVICE, __uuidof(IDirect3DDeviceManager9),
                                                     manager.putVoid()));
    manager.reset();
    EXPECT_EQ(S_OK, presenter_->GetService(MR_VIDEO_RENDER_SERVICE, __uuidof(IDirect3DDeviceManager9),
                                           manager.putVoid()));
    EXPECT_TRUE(manager);
  }
}

}  // namespace
}  // namespace playcore::test
