// The present engine on the test bed's display: Direct3D choice, formats, the video samples, the
// frame divisor, repaints from the kept surface and a lost device during a present; and the engine
// drawing through the 360-degree scene's flat view and rectangle screen.
#include <gtest/gtest.h>

#include <evr.h>
#include <memory>
#include <mfapi.h>

#include "playcore/presenter/device_pool.h"
#include "playcore/presenter/direct3d_objects.h"
#include "playcore/presenter/wine_host.h"
#include "tests/presenter/presenter_fixture.h"

namespace playcore::test {
namespace {

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MFStartup(MF_VERSION, MFSTARTUP_NOSOCKET);
    window_ = std::make_unique<TestWindow>(160, 120);
  }
  void TearDown() override {
    engine_.reset();
    window_.reset();
    MFShutdown();
  }
  void Make(bool allowExtended = true) {
    HRESULT hr = E_FAIL;
    engine_ = std::make_unique<D3DPresentEngine>(&hr, allowExtended);
    ASSERT_EQ(S_OK, hr);
    auto renderer = std::make_unique<RecordingRenderer>(nullptr);
    renderer_ = renderer.get();
    engine_->SetRenderer(std::move(renderer));
    engine_->SetVideoWindow(window_->hwnd());
    engine_->SetDestinationRect({0, 0, 160, 120});
    ASSERT_EQ(S_OK, engine_->CreateD3DDevice());
  }
  void MakeSamples(SampleList* samples) {
    auto type = MakeVideoType(MFVideoFormat_RGB32, 64, 48, MFVideoInterlace_Progressive, false);
    ASSERT_EQ(S_OK, engine_->CreateVideoSamples(type.get(), *samples));
  }
  std::unique_ptr<TestWindow> window_;
  std::unique_ptr<D3DPresentEngine> engine_;
  RecordingRenderer* renderer_ = nullptr;
};

TEST_F(EngineTest, WithDivisorTwoDrawsEveryOtherFrameAndKeepsEverySurface) {
  Make();
  SampleList samples;
  MakeSamples(&samples);
  engine_->SetFrameDivisor(2);
  IMFSample* a = samples.Front()->item;
  IMFSample* b = samples.Front()->next->item;
  IMFSample* order[] = {a, b, a, b, a};
  for (IMFSample* s : order) ASSERT_EQ(S_OK, engine_->PresentSample(s, 0));
  const auto frames = renderer_->Frames();
  ASSERT_EQ(3u, frames.size());  // samples 1, 3 and 5
  // The 5th sample's surface is kept; a 6th (b) is not drawn but kept, and the repaint shows it.
  ASSERT_EQ(S_OK, engine_->PresentSample(b, 0));
  ASSERT_EQ(S_OK, engine_->PresentSample(nullptr, 0));
  const auto after = renderer_->Frames();
  ASSERT_EQ(4u, after.size());
  EXPECT_TRUE(after.back().repaint);
  EXPECT_NE(frames.back().surface, after.back().surface);
}

// An engine that records the windows it presents into; its renderer leaves every present to it.
class WindowRecordingEngine : public D3DPresentEngine {
 public:
  explicit WindowRecordingEngine(HRESULT* hr) : D3DPresentEngine(hr) {}
  std::vector<HWND> presentedInto;  // null: the device's own window

 protected:
  HRESULT PresentDevice(IDirect3DDevice9* device, const RECT* dest, HWND window) override {
    presentedInto.push_back(window);
    return D3DPresentEngine::PresentDevice(device, dest, window);
  }
};

class DrawOnlyRenderer : public RecordingRenderer {
 public:
  DrawOnlyRenderer() : RecordingRenderer(nullptr) {}
  int presentedItself = 0;  // draws asked to present by the renderer itself
  HRESULT Draw(const FrameTarget& target, IMFSample* sample, IDirect3DSurface9* frame) override {
    if (target.present) {
      target.present->wanted = true;
    } else {
      ++presentedItself;
    }
    return RecordingRenderer::Draw(target, sample, frame);
  }
};

// The first drawing of a device done ahead: one frame drawn and presented into the other window
// only, nothing into the video window, and the engine's frame count and kept picture as before.
TEST_F(EngineTest, ADrawingAheadPresentsIntoTheOtherWindowOnlyAndLeavesTheFramesAsTheyWere) {
  HRESULT hr = E_FAIL;
  auto engine = std::make_unique<WindowRecordingEngine>(&hr);
  ASSERT_EQ(S_OK, hr);
  WindowRecordingEngine* recording = engine.get();
  engine_ = std::move(engine);
  auto renderer = std::make_unique<DrawOnlyRenderer>();
  DrawOnlyRenderer* drawing = renderer.get();
  engine_->SetRenderer(std::move(renderer));
  engine_->SetVideoWindow(window_->hwnd());
  engine_->SetDestinationRect({0, 0, 160, 120});
  ASSERT_EQ(S_OK, engine_->CreateD3DDevice());
  TestWindow other(64, 64);
  EXPECT_EQ(S_FALSE, engine_->DrawAhead(other.hwnd())) << "no samples yet: nothing to draw";
  SampleList samples;
  MakeSamples(&samples);
  EXPECT_EQ(S_FALSE, engine_->DrawAhead(nullptr));
  EXPECT_EQ(S_FALSE, engine_->DrawAhead(window_->hwnd())) << "never into the video window";
  EXPECT_TRUE(drawing->Frames().empty());
  EXPECT_TRUE(recording->presentedInto.empty());

  ASSERT_EQ(S_OK, engine_->DrawAhead(other.hwnd()));
  ASSERT_EQ(1u, drawing->Frames().size());
  EXPECT_EQ(0, drawing->presentedItself);
  EXPECT_EQ(std::vector<HWND>{other.hwnd()}, recording->presentedInto);
  // Nothing kept to repaint, and the first frame after it is drawn even at divisor 2.
  ASSERT_EQ(S_OK, engine_->PresentSample(nullptr, 0));
  EXPECT_EQ(1u, drawing->Frames().size()) << "a repaint has no kept picture";
  engine_->SetFrameDivisor(2);
  ASSERT_EQ(S_OK, engine_->PresentSample(samples.Front()->item, 0));
  EXPECT_EQ(2u, drawing->Frames().size()) << "the first frame after it is drawn";
  EXPECT_EQ((std::vector<HWND>{other.hwnd(), nullptr}), recording->presentedInto);
  // The flat view is drawn ahead by a plain copy of the frame: into the other window as well.
  engine_->SetViewMode(kEngineModeFlat);
  ASSERT_EQ(S_OK, engine_->DrawAhead(other.hwnd()));
  EXPECT_EQ(2u, drawing->Frames().size()) << "the copy does not go through the renderer";
  EXPECT_EQ((std::vector<HWND>{other.hwnd(), nullptr, other.hwnd()}), recording->presentedInto);
}

// The engine drawing through the scene: the presenter negotiates with the view mode already chosen.
class SceneConnectionTest : public PresenterTest {
 protected:
  // The share of the window's snapshot in `colour` after one frame filled with it (waited for until
  // it passes `wanted`).
  double ShareOfColour(int mode, D3DCOLOR colour, double wanted, bool loseDevice = false) {
    Build(true, false, /*losingEngine=*/loseDevice);
    presenter_->engine()->SetRenderer(CreateSceneRenderer());
    renderer_ = nullptr;
    presenter_->engine()->SetViewMode(mode);
    RECT all = {0, 0, 320, 240};
    presenter_->SetVideoPosition(nullptr, &all);
    Negotiate();
    StartStreaming(0, 1.0);
    mixer_->fillColour = colour;
    mixer_->AddFrames(0, kFrame, 1);
    EXPECT_EQ(S_OK, presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0));
    double share = 0;
    // The scheduler's thread shows the frame; after a loss the next frames come on samples and a
    // scene of the device created anew.
    WaitUntil([&] { return (share = Share(colour)) > wanted; });
    if (!loseDevice) return share;
    losing_->nextState = D3DERR_DEVICELOST;
    mixer_->AddFrames(kFrame, kFrame, 10);
    EXPECT_TRUE(WaitUntil([&] {
      presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0);
      return mixer_->FramesLeft() == 0;
    }));
    EXPECT_EQ(0, sink_->Count(kEcErrorAbort));
    WaitUntil([&] { return (share = Share(colour)) > wanted; });
    return share;
  }
  // The share of the window's snapshot in `colour`.
  double Share(D3DCOLOR colour) {
    BITMAPINFOHEADER header = {};
    BYTE* dib = nullptr;
    DWORD size = 0;
    LONGLONG stamp = 0;
    if (presenter_->GetCurrentImage(&header, &dib, &size, &stamp) != S_OK) return -1;
    const auto* pixels = reinterpret_cast<const DWORD*>(dib);
    const int count = header.biWidth * header.biHeight;
    int matching = 0;
    for (int i = 0; i < count; ++i) {
      const DWORD p = pixels[i];
      const int dr = static_cast<int>((p >> 16) & 0xFF) - static_cast<int>((colour >> 16) & 0xFF);
      const int dg = static_cast<int>((p >> 8) & 0xFF) - static_cast<int>((colour >> 8) & 0xFF);
      const int db = static_cast<int>(p & 0xFF) - static_cast<int>(colour & 0xFF);
      matching += (dr * dr + dg * dg + db * db) < 30 * 30 ? 1 : 0;
    }
    CoTaskMemFree(dib);
    return static_cast<double>(matching) / count;
  }
};

TEST_F(SceneConnectionTest, TheFlatViewShowsTheFrameOverTheWholeDestination) {
  EXPECT_GT(ShareOfColour(kEngineModeFlat, 0xFF3070D0, 0.9), 0.9);
}

TEST_F(SceneConnectionTest, AfterADeviceLossTheFlatViewIsBuiltAgainOnTheNewDevice) {
  EXPECT_GT(ShareOfColour(kEngineModeFlat, 0xFF3070D0, 0.9, /*loseDevice=*/true), 0.9);
}

// One presenter per mode: each scene view is built at negotiation and shows the frame.
class SceneModeTest : public SceneConnectionTest, public ::testing::WithParamInterface<int> {};

TEST_P(SceneModeTest, TheSceneViewShowsTheFrame) {
  EXPECT_GT(ShareOfColour(GetParam(), 0xFFD07030, 0.2), 0.2) << "mode " << GetParam();
}

// The cache of shared Direct3D objects, with the real maker behind a counting (and failing) one.
int g_makes = 0;
bool g_failMakes = false;
Direct3DObjects CountingMake(bool extended) {
  ++g_makes;
  return g_failMakes ? Direct3DObjects{} : MakeDirect3D(extended);
}

TEST(Direct3DCacheTest, EachKindIsMadeOnceAndAFailedMakeIsTriedAgain) {
  struct Step {
    bool extended;
    bool fail;
    int makesAfter;
    bool got;
  };
  const Step steps[] = {
      {true, true, 1, false},   // a failure keeps nothing
      {true, false, 2, true},   // so the next Get makes it
      {true, false, 2, true},   // and then it is kept
      {false, false, 3, true},  // the plain kind is its own
      {false, true, 3, true},   // kept: no make, whatever the maker would do
      {true, true, 3, true},
  };
  g_makes = 0;
  Direct3DCache cache(&CountingMake);
  IDirect3D9* first[2] = {};
  for (size_t i = 0; i < sizeof(steps) / sizeof(steps[0]); ++i) {
    const Step& step = steps[i];
    g_failMakes = step.fail;
    const Direct3DObjects got = cache.Get(step.extended);
    EXPECT_EQ(step.makesAfter, g_makes) << "step " << i;
    ASSERT_EQ(step.got, static_cast<bool>(got.plain)) << "step " << i;
    if (!got.plain) continue;
    IDirect3D9*& kept = first[step.extended ? 1 : 0];
    if (!kept) kept = got.plain.get();
    EXPECT_EQ(kept, got.plain.get()) << "step " << i;  // every Get of a kind answers the same object
    EXPECT_EQ(step.extended, static_cast<bool>(got.extended)) << "step " << i;
  }
  EXPECT_NE(first[0], first[1]);
  g_failMakes = false;
}

TEST(Direct3DCacheTest, UnderWineEveryEngineSharesTheProcessObjectAndElsewhereEachHasItsOwn) {
  const Direct3DObjects a = Direct3DForEngine(true);
  const Direct3DObjects b = Direct3DForEngine(true);
  ASSERT_TRUE(a.plain && b.plain);
  EXPECT_EQ(RunningOnWine(), a.plain.get() == b.plain.get());
  // Engines made one after the other on the shared object each get a working device: under Wine the
  // one the engine before kept for the window (taken out of the pool while in use).
  TestWindow window(64, 48);
  ProcessDevicePool().Clear();
  for (int i = 0; i < 2; ++i) {
    {
      HRESULT hr = E_FAIL;
      D3DPresentEngine engine(&hr);
      ASSERT_EQ(S_OK, hr);
      engine.SetVideoWindow(window.hwnd());
      EXPECT_EQ(S_OK, engine.CreateD3DDevice()) << "engine " << i;
      EXPECT_EQ(0u, ProcessDevicePool().size()) << "engine " << i;
    }
    EXPECT_EQ(EnginesKeepDevices() ? 1u : 0u, ProcessDevicePool().size()) << "after engine " << i;
  }
  ProcessDevicePool().Clear();
}

TEST(Direct3DCacheTest, AnObjectPreparedAheadIsTheOneTheEnginesGetUnderWineOnly) {
  const bool prepared = PrepareDirect3DForEngines();
  EXPECT_EQ(RunningOnWine(), prepared);
  if (!prepared) return;
  // Ready before any engine asks, of the kind the engines ask for: the open finds it made.
  const bool extended = SystemUsesExtendedDirect3D();
  const Direct3DObjects kept = ProcessDirect3D().Get(extended);
  EXPECT_EQ(kept.plain.get(), Direct3DForEngine(extended).plain.get());
  EXPECT_EQ(extended, static_cast<bool>(kept.extended));
}

TEST(DevicePoolTest, AnyFieldAnEngineSetsMakesADifferentRequest) {
  D3DPRESENT_PARAMETERS base = {};
  base.BackBufferWidth = 640;
  base.BackBufferHeight = 360;
  base.BackBufferFormat = D3DFMT_X8R8G8B8;
  base.BackBufferCount = 1;
  base.SwapEffect = D3DSWAPEFFECT_COPY;
  base.Windowed = TRUE;
  base.EnableAutoDepthStencil = TRUE;
  base.AutoDepthStencilFormat = D3DFMT_D24S8;
  const struct {
    const char* what;
    void (*change)(D3DPRESENT_PARAMETERS*);
  } changes[] = {
      {"width", [](D3DPRESENT_PARAMETERS* p) { p->BackBufferWidth = 1280; }},
      {"height", [](D3DPRESENT_PARAMETERS* p) { p->BackBufferHeight = 720; }},
      {"format", [](D3DPRESENT_PARAMETERS* p) { p->BackBufferFormat = D3DFMT_UNKNOWN; }},
      {"swap effect", [](D3DPRESENT_PARAMETERS* p) { p->SwapEffect = D3DSWAPEFFECT_DISCARD; }},
      {"depth", [](D3DPRESENT_PARAMETERS* p) { p->EnableAutoDepthStencil = FALSE; }},
      {"flags", [](D3DPRESENT_PARAMETERS* p) { p->Flags = D3DPRESENTFLAG_VIDEO; }},
      {"interval", [](D3DPRESENT_PARAMETERS* p) { p->PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE; }},
  };
  EXPECT_TRUE(SamePresentParameters(base, base));
  for (const auto& c : changes) {
    D3DPRESENT_PARAMETERS other = base;
    c.change(&other);
    EXPECT_FALSE(SamePresentParameters(base, other)) << c.what;
  }
}

// A device made on `window` for the pool's cases.
KeptDevice MakeKept(HWND window, DWORD flags) {
  KeptDevice kept;
  const Direct3DObjects d3d = Direct3DForEngine(true);
  if (!d3d.extended) return kept;
  D3DPRESENT_PARAMETERS params = {};
  params.BackBufferWidth = 64;
  params.BackBufferHeight = 48;
  params.BackBufferCount = 1;
  params.SwapEffect = D3DSWAPEFFECT_COPY;
  params.Windowed = TRUE;
  kept.window = window;
  kept.flags = flags;
  kept.params = params;
  d3d.extended->CreateDeviceEx(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, flags, &params, nullptr, kept.device.put());
  if (kept.device) kept.device->CreateStateBlock(D3DSBT_ALL, kept.defaults.put());
  return kept;
}

TEST(DevicePoolTest, ADeviceIsTakenBackOnlyForItsOwnWindowAndAsItWasMade) {
  constexpr DWORD kFlags = D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED;
  DevicePool pool;
  KeptDevice out;
  auto window = std::make_unique<TestWindow>(64, 48);
  KeptDevice kept = MakeKept(window->hwnd(), kFlags);
  ASSERT_TRUE(kept.device);
  IDirect3DDevice9Ex* const made = kept.device.get();
  EXPECT_FALSE(pool.Take(window->hwnd(), 0, kFlags, &out)) << "nothing kept yet";
  pool.Keep(std::move(kept));
  EXPECT_EQ(1u, pool.size());
  ASSERT_TRUE(pool.Take(window->hwnd(), 0, kFlags, &out));
  EXPECT_EQ(made, out.device.get());
  EXPECT_EQ(0u, pool.size());
  // Made with other flags: not taken, and let go.
  pool.Keep(std::move(out));
  EXPECT_FALSE(pool.Take(window->hwnd(), 0, kFlags | D3DCREATE_FPU_PRESERVE, &out));
  EXPECT_EQ(0u, pool.size());
  // A window that went: its device is not given to the window made next, whatever its handle.
  pool.Keep(MakeKept(window->hwnd(), kFlags));
  const HWND gone = window->hwnd();
  window.reset();
  TestWindow next(64, 48);
  EXPECT_FALSE(pool.Take(gone, 0, kFlags, &out));
  EXPECT_FALSE(pool.Take(next.hwnd(), 0, kFlags, &out));
  pool.Keep(MakeKept(next.hwnd(), kFlags));
  pool.Keep(MakeKept(next.hwnd(), kFlags));
  EXPECT_EQ(1u, pool.size()) << "one device a window";
  pool.Clear();
  EXPECT_EQ(0u, pool.size());
  EXPECT_FALSE(pool.Take(next.hwnd(), 0, kFlags, &out));
}

INSTANTIATE_TEST_SUITE_P(DividedRectangleSpherePlanes, SceneModeTest, ::testing::Values(1, 2, 3, 4));

}  // namespace
}  // namespace playcore::test
