// A generated recording played through a real Media Foundation session whose EVR uses the program's
// presenter, on the test bed's display: the frames are presented in order, nearly all of them, and
// the frame shown at a chosen time carries the generator's frame number.
#include <gtest/gtest.h>

#include <mfapi.h>

#include <sstream>
#include <string>

#include "tests/presenter/fakes.h"
#include "tests/presenter/session_player.h"
#include "tests/support/test_env.h"

namespace playcore::test {
namespace {

struct Recording {
  std::string path;  // relative, "/" separated
  int width = 0;
  int height = 0;
  int frames = 0;
  int clip = 0;
  double fps = 0;
};

// The first main-camera recording at 30 fps of the generator's flat file list.
bool FindRecording(Recording* out) {
  const std::string tsv = quill::test::ReadHostFile(quill::test::RecordingsDirUnix() +
                                                    "/manifest-files.tsv");
  std::istringstream lines(tsv);
  std::string line;
  std::getline(lines, line);  // header: path camera trigger trigger_class start width height fps frames ...
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string f[12];
    for (auto& field : f) std::getline(fields, field, '\t');
    if (f[1] != "M" || f[0].rfind("card/", 0) != 0 || std::stod(f[7]) != 30.0) continue;
    out->path = f[0];
    out->width = std::stoi(f[5]);
    out->height = std::stoi(f[6]);
    out->fps = std::stod(f[7]);
    out->frames = std::stoi(f[8]);
    out->clip = std::stoi(f[11]);
    return true;
  }
  return false;
}

std::wstring WindowsPath(const std::string& relative) {
  std::wstring path = quill::test::RecordingsDir();
  for (char c : relative) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  return path;
}

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    MFStartup(MF_VERSION, MFSTARTUP_NOSOCKET);
  }
  void TearDown() override {
    MFShutdown();
    CoUninitialize();
  }
};

// Played once with the plain copy of each frame and once through the scene's flat view.
class SessionPlayback : public SessionTest, public ::testing::WithParamInterface<bool> {};

TEST_P(SessionPlayback, PlaysARecordingThroughThePresenterInOrderAndShowsTheRightFrame) {
  Recording rec;
  ASSERT_TRUE(FindRecording(&rec)) << "no generated recordings";
  TestWindow window(rec.width, rec.height);
  // Owned by the presenter's engine.
  auto* probe = new ProbeRenderer(GetParam() ? CreateSceneRenderer() : nullptr);
  SessionPlayer player;
  ASSERT_EQ(S_OK, player.Open(WindowsPath(rec.path), window.hwnd(), probe));
  const LONGLONG frameTime = static_cast<LONGLONG>(1e7 / rec.fps + 0.5);
  const int chosen = rec.frames / 2;
  probe->CaptureAt(chosen * frameTime);
  ASSERT_EQ(S_OK, player.Start(-1, 10000));
  ASSERT_EQ(S_OK, player.WaitForEnd(30000));
  Sleep(300);  // the last frames leave the scheduler

  const auto frames = probe->frames();
  EXPECT_GE(frames.size() * 100, static_cast<size_t>(rec.frames) * 95)
      << frames.size() << " of " << rec.frames << " frames presented";
  for (size_t i = 1; i < frames.size(); ++i) {
    EXPECT_LT(frames[i - 1].time, frames[i].time) << "frame " << i << " out of order";
  }
  ASSERT_TRUE(probe->captured());
  int frame = -1;
  int clip = -1;
  ASSERT_TRUE(DecodeFrameCode(probe->capture(), &frame, &clip));
  EXPECT_EQ(chosen, frame);
  EXPECT_EQ(rec.clip % 256, clip);

  // The snapshot of the window shows the last frame of the recording.
  BYTE* dib = nullptr;
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof(header);
  DWORD size = 0;
  LONGLONG stamp = 0;
  ASSERT_EQ(S_OK, player.presenter()->GetCurrentImage(&header, &dib, &size, &stamp));
  Picture shot;
  shot.width = header.biWidth;
  shot.height = header.biHeight;
  const auto* rows = reinterpret_cast<const DWORD*>(dib);
  for (int y = shot.height - 1; y >= 0; --y) {  // bottom-up rows
    shot.pixels.insert(shot.pixels.end(), rows + static_cast<size_t>(y) * shot.width,
                       rows + static_cast<size_t>(y + 1) * shot.width);
  }
  CoTaskMemFree(dib);
  ASSERT_TRUE(DecodeFrameCode(shot, &frame, &clip));
  // The repaint at the stop draws the kept surface, which the mixer may have filled with one of the
  // frames the stop dropped: one of the last frames, never an earlier one.
  EXPECT_GE(static_cast<LONGLONG>(frame) * frameTime + frameTime / 2, frames.back().time);
  EXPECT_LT(frame, rec.frames);
}

INSTANTIATE_TEST_SUITE_P(CopyAndSceneFlatView, SessionPlayback, ::testing::Bool());

TEST_F(SessionTest, StartsAgainAtAChosenPositionAfterAStop) {
  Recording rec;
  ASSERT_TRUE(FindRecording(&rec)) << "no generated recordings";
  TestWindow window(rec.width, rec.height);
  auto* probe = new ProbeRenderer;
  SessionPlayer player;
  ASSERT_EQ(S_OK, player.Open(WindowsPath(rec.path), window.hwnd(), probe));
  const LONGLONG frameTime = static_cast<LONGLONG>(1e7 / rec.fps + 0.5);
  ASSERT_EQ(S_OK, player.Start(-1, 10000));
  Sleep(300);
  // Wine's session hangs on a Start while started or paused: Stop, then Start at the position.
  ASSERT_EQ(S_OK, player.Stop(5000));
  const int target = rec.frames - 10;
  probe->CaptureAt(target * frameTime);
  probe->DecodeEveryFrame(true);
  ASSERT_EQ(S_OK, player.Start(target * frameTime, 10000));
  ASSERT_EQ(S_OK, player.WaitForEnd(20000));

  ASSERT_TRUE(probe->captured());
  int frame = -1;
  int clip = -1;
  ASSERT_TRUE(DecodeFrameCode(probe->capture(), &frame, &clip));
  EXPECT_EQ(target, frame);
}

}  // namespace
}  // namespace playcore::test
