// The current picture and the overlay on the DirectShow path: where the picture comes from for each
// renderer (VMR-9, VMR-7, the graph's video window through IBasicVideo2) with fake renderer calls, the
// mixer records handed to the VMRs, and an instance playing through a fake graph writing its snapshot
// from the renderer's packed DIB and laying its overlay text over the picture.
#include <gtest/gtest.h>

#include <objbase.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "playcore/dshow/graph_picture.h"
#include "playcore/instances/player_start.h"
#include "playcore/instances/snapshot_image.h"
#include "tests/directshow/fake_graph.h"
#include "tests/player/player_test_util.h"
#include "tests/support/test_env.h"

namespace playcore::test {
namespace {

using dshow::PictureSources;

// A packed DIB: the info header, then width x height pixels of `bits` bits each.
std::vector<BYTE> PackedDib(int width, int height, WORD bits = 32) {
  BITMAPINFOHEADER h = {};
  h.biSize = sizeof h;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = bits;
  h.biCompression = BI_RGB;
  const size_t row = (static_cast<size_t>(width) * bits / 8 + 3) / 4 * 4;
  std::vector<BYTE> dib(sizeof h + row * height, 0x40);
  memcpy(dib.data(), &h, sizeof h);
  return dib;
}

// A renderer's GetCurrentImage handing out `dib` as CoTaskMemAlloc'd memory, or failing with `hr`.
std::function<HRESULT(BYTE**)> Renderer(std::vector<BYTE> dib, HRESULT hr = S_OK) {
  return [dib, hr](BYTE** out) {
    if (FAILED(hr)) return hr;
    *out = static_cast<BYTE*>(CoTaskMemAlloc(dib.size()));
    memcpy(*out, dib.data(), dib.size());
    return S_OK;
  };
}

// IBasicVideo2::GetCurrentImage: the size with a null buffer; the picture, `grow` bytes larger than
// it said, with one.
std::function<HRESULT(long*, long*)> BasicVideo(std::vector<BYTE> dib, long grow = 0) {
  return [dib, grow](long* size, long* buffer) {
    const long need = static_cast<long>(dib.size());
    if (!buffer) {
      *size = need;
      return S_OK;
    }
    if (*size < need + grow) {
      *size = need + grow;
      return E_OUTOFMEMORY;  // what the interface answers for a buffer too small
    }
    memcpy(buffer, dib.data(), dib.size());
    *size = need;
    return S_OK;
  };
}

TEST(GraphPicture, EachRendererGivesItsPictureThroughItsOwnInterface) {
  const std::vector<BYTE> dib = PackedDib(8, 4);
  PictureSources all;
  all.vmr9 = Renderer(dib);
  all.vmr7 = Renderer(dib);
  all.basicVideo = BasicVideo(dib);
  PictureSources failing;
  failing.vmr9 = Renderer(dib, E_NOTIMPL);  // Wine's VMR-9 answers so
  failing.vmr7 = Renderer(dib, E_FAIL);
  failing.basicVideo = BasicVideo(dib, 16);  // the picture grew between the two calls
  const PictureSources none;                 // no interface at all
  struct Case {
    const char* name;
    dshow::RendererKind kind;
    const PictureSources* sources;
    bool ok;
  } cases[] = {
      {"VMR-9", dshow::kRendererVmr9, &all, true},
      {"VMR-7", dshow::kRendererVmr7, &all, true},
      {"video window", dshow::kRendererVideoWindow, &all, true},
      {"no renderer", dshow::kRendererNone, &all, false},
      {"VMR-9 failing", dshow::kRendererVmr9, &failing, false},
      {"VMR-7 failing", dshow::kRendererVmr7, &failing, false},
      {"video window, picture grew", dshow::kRendererVideoWindow, &failing, false},
      {"VMR-9 without its control", dshow::kRendererVmr9, &none, false},
  };
  for (const Case& c : cases) {
    BYTE* out = reinterpret_cast<BYTE*>(1);
    DWORD size = 1;
    const HRESULT hr = dshow::ReadCurrentImage(c.kind, *c.sources, &out, &size);
    EXPECT_EQ(SUCCEEDED(hr), c.ok) << c.name;
    if (!c.ok) {
      EXPECT_EQ(out, nullptr) << c.name;
      EXPECT_EQ(size, 0u) << c.name;
      continue;
    }
    ASSERT_NE(out, nullptr) << c.name;
    // The size is what may be read: never less than the picture, never more than the buffer.
    EXPECT_GE(size, dib.size()) << c.name;
    EXPECT_EQ(memcmp(out, dib.data(), dib.size()), 0) << c.name;
    CurrentImage image;
    EXPECT_TRUE(image.AdoptPackedDib(out, size)) << c.name;  // frees the buffer
    EXPECT_TRUE(image.Usable()) << c.name;
    EXPECT_EQ(image.header().biWidth, 8) << c.name;
  }
}

TEST(GraphPicture, TheMixersGetAnOpaqueBlackKeyedBitmapOrAClear) {
  HDC dc = CreateCompatibleDC(nullptr);
  const RECT source = {0, 0, 300, 120};
  const float place[4] = {0.75f, 0.8f, 1.0f, 1.0f};
  VMR9AlphaBitmap got9 = {};
  VMRALPHABITMAP got7 = {};
  int calls9 = 0, calls7 = 0;
  dshow::MixerTargets targets;
  targets.vmr9 = [&](VMR9AlphaBitmap* b) { return got9 = *b, ++calls9, S_OK; };
  targets.vmr7 = [&](VMRALPHABITMAP* b) { return got7 = *b, ++calls7, S_OK; };
  dshow::OverlayBitmap overlay;
  overlay.dc = dc;
  overlay.source = source;
  for (int i = 0; i < 4; ++i) overlay.place[i] = place[i];

  ASSERT_EQ(dshow::SetMixerBitmap(dshow::kRendererVmr9, targets, overlay), S_OK);
  EXPECT_EQ(got9.dwFlags, static_cast<DWORD>(VMR9AlphaBitmap_hDC | VMR9AlphaBitmap_SrcColorKey));
  EXPECT_EQ(got9.hdc, dc);
  EXPECT_TRUE(EqualRect(&got9.rSrc, &source));
  EXPECT_FLOAT_EQ(got9.rDest.left, 0.75f);
  EXPECT_FLOAT_EQ(got9.rDest.top, 0.8f);
  EXPECT_FLOAT_EQ(got9.rDest.right, 1.0f);
  EXPECT_FLOAT_EQ(got9.fAlpha, 1.0f);
  EXPECT_EQ(got9.clrSrcKey, RGB(0, 0, 0));

  ASSERT_EQ(dshow::SetMixerBitmap(dshow::kRendererVmr7, targets, overlay), S_OK);
  EXPECT_EQ(got7.dwFlags, static_cast<DWORD>(VMRBITMAP_HDC | VMRBITMAP_SRCCOLORKEY));
  EXPECT_EQ(got7.hdc, dc);
  EXPECT_FLOAT_EQ(got7.rDest.left, 0.75f);
  EXPECT_FLOAT_EQ(got7.fAlpha, 1.0f);
  EXPECT_EQ(got7.clrSrcKey, RGB(0, 0, 0));

  overlay.dc = nullptr;  // the clear
  ASSERT_EQ(dshow::SetMixerBitmap(dshow::kRendererVmr9, targets, overlay), S_OK);
  EXPECT_EQ(got9.dwFlags, static_cast<DWORD>(VMR9AlphaBitmap_Disable));
  ASSERT_EQ(dshow::SetMixerBitmap(dshow::kRendererVmr7, targets, overlay), S_OK);
  EXPECT_EQ(got7.dwFlags, static_cast<DWORD>(VMRBITMAP_DISABLE));

  EXPECT_EQ(dshow::SetMixerBitmap(dshow::kRendererVideoWindow, targets, overlay), E_NOTIMPL);
  EXPECT_EQ(dshow::SetMixerBitmap(dshow::kRendererVmr9, dshow::MixerTargets{}, overlay), E_NOINTERFACE);
  EXPECT_EQ(calls9, 2);
  EXPECT_EQ(calls7, 2);
  DeleteDC(dc);
}

HRESULT NoMediaFoundation(HWND, const sVIEWSETTINGS*, CPlayer**) { return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND); }

class GraphPictureInstance : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    InstallProbes();
    SetPlayerStarter(NoMediaFoundation);
    FakeGraph::Install();
    windows_ = std::make_unique<PaneWindows>(0, 640, 360);
    ASSERT_TRUE(InitInstance(0, windows_->pane(), kViewFlat));
    ASSERT_EQ(1, g_PlayerFuncs[0].OpenMovie(&g_PlayerInstance[0], FirstPair().main.c_str()));
    ASSERT_FALSE(FakeGraph::made().empty());
    graph_ = FakeGraph::made().back();
  }
  void TearDown() override {
    ReleaseInstances();
    FakeGraph::Uninstall();
    SetPlayerStarter(nullptr);
    windows_.reset();
    CoUninitialize();
  }
  sPLAYERINSTANCE* instance() { return &g_PlayerInstance[0]; }
  std::unique_ptr<PaneWindows> windows_;
  FakeGraph* graph_ = nullptr;
};

// Regression: every snapshot on the DirectShow path failed (only the Media Foundation picture was read).
TEST_F(GraphPictureInstance, SnapshotIsWrittenFromTheRenderersPackedPicture) {
  quill::test::TempDir dir;
  const std::vector<BYTE> whole = PackedDib(64, 36);
  struct Case {
    const char* name;
    std::vector<BYTE> picture;
    int answer;
  } cases[] = {
      {"32-bit picture", PackedDib(64, 36), 1},
      {"24-bit picture", PackedDib(64, 36, 24), 0},  // not a picture the writer takes
      {"cut picture", std::vector<BYTE>(whole.begin(), whole.begin() + 200), 0},
      {"no picture", {}, 0},
  };
  for (const Case& c : cases) {
    graph_->picture = c.picture;
    const std::wstring path = dir.path() + std::wstring(c.name, c.name + strlen(c.name)) + L".jpg";
    EXPECT_EQ(g_PlayerFuncs[0].SaveSnapshot(instance(), path.c_str()), c.answer) << c.name;
    EXPECT_EQ(GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES, c.answer == 1) << c.name;
  }
}

// The overlay text reaches the VMR's mixer in the bottom right corner, scaled as the aspect word
// says; the clear reaches it too.
TEST_F(GraphPictureInstance, OverlayTextGoesToTheMixerAndFollowsTheAspect) {
  // The fake's movie is 1280 x 720 in a 640 x 360 client: both factors are 0.5.
  RECT client = {};
  GetClientRect(windows_->pane(), &client);
  ASSERT_EQ(client.right, 640);
  ASSERT_EQ(client.bottom, 360);
  struct Case {
    int32_t aspect;
    int paneHeight;  // the pane made taller: the factors differ
    float left, top;
  } cases[] = {
      {1, 360, 1.0f - 150.0f / 640, 1.0f - 60.0f / 360},
      // Relatively taller than the picture: one factor, the vertical one (1.0), for both axes.
      {0, 720, 1.0f - 300.0f / 640, 1.0f - 120.0f / 720},
      // The aspect word 1: two factors, 0.5 across and 1.0 down.
      {1, 720, 1.0f - 150.0f / 640, 1.0f - 120.0f / 720},
  };
  for (const Case& c : cases) {
    SetWindowPos(windows_->pane(), nullptr, 0, 0, 640, c.paneHeight, SWP_NOMOVE | SWP_NOZORDER);
    instance()->aspectMode = c.aspect;
    graph_->overlays.clear();
    ASSERT_EQ(g_PlayerFuncs[0].ShowOverlayText(instance(), L"overlay"), 1) << c.aspect;
    ASSERT_EQ(graph_->overlays.size(), 1u);
    const FakeGraph::Overlay& o = graph_->overlays[0];
    EXPECT_TRUE(o.bitmap);
    EXPECT_EQ(o.source.right, 300);
    EXPECT_EQ(o.source.bottom, 120);
    EXPECT_NEAR(o.place[0], c.left, 1e-4) << c.aspect << " " << c.paneHeight;
    EXPECT_NEAR(o.place[1], c.top, 1e-4) << c.aspect << " " << c.paneHeight;
    EXPECT_FLOAT_EQ(o.place[2], 1.0f);
    EXPECT_FLOAT_EQ(o.place[3], 1.0f);
  }
  graph_->overlays.clear();
  EXPECT_EQ(g_PlayerFuncs[0].ClearOverlay(instance()), 1);
  ASSERT_EQ(graph_->overlays.size(), 1u);
  EXPECT_FALSE(graph_->overlays[0].bitmap);
}

}  // namespace
}  // namespace playcore::test
