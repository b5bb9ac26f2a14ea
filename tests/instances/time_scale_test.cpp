// OpenMovie's time-scale reading on generated recordings (30, 27.5, 15 and 25 fps), on 1-second
// movies that fall back to the media detector, and on hand-built movies whose boxes give no usable
// time scale.
#include "playcore/instances/hresult_error.h"
#include "playcore/instances/instance_gate.h"
#include "playcore/instances/instance_ops.h"
#include "playcore/instances/media_detector.h"
#include "playcore/instances/time_scale.h"

#include "tests/instances/instance_test_util.h"
#include "tests/instances/mp4_bytes.h"
#include "tests/support/test_env.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

namespace playcore {
namespace {

using namespace playcore::test;

int g_boxes = 0;
int WINAPI CountBox(HWND, LPCWSTR, LPCWSTR, UINT) {
  ++g_boxes;
  return IDOK;
}

class TimeScaleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_boxes = 0;
    previous_ = SetMessageBoxHook(CountBox);
  }
  void TearDown() override { SetMessageBoxHook(previous_); }

  // The reading as OpenMovie does it, under the instance mutex of instance 0.
  static int Read(const std::wstring& path) {
    MutexLock lock(g_PlayerInstance[0].instanceMutex);
    return PlayerInstance::ReadMovieTimeScale(&g_PlayerInstance[0], path.c_str());
  }

  LiveInstances live_;
  MessageBoxHook previous_ = nullptr;
};

TEST_F(TimeScaleTest, GeneratedRecordingsGiveTheirFrameLengthFromTheBoxes) {
  std::string dir = quill::test::RecordingsDirUnix();
  ASSERT_FALSE(dir.empty()) << "QUILL_RECORDINGS is not set";
  std::set<std::string> rates;
  for (const Row& f : ReadManifestFiles(dir)) {
    if (!rates.insert(f.at("fps")).second) continue;  // one file per frame rate
    SCOPED_TRACE(f.at("path"));
    ASSERT_EQ(Read(WindowsPathOf(dir, f.at("path"))), 1);
    float expected = static_cast<float>(std::atoi(f.at("frame_length_ms").c_str()));
    EXPECT_FLOAT_EQ(g_PlayerInstance[0].timeScale, expected);
    EXPECT_FLOAT_EQ(g_PlayerInstance[0].loadMap.timeScale, expected);
    // The scratch map is left empty.
    EXPECT_EQ(g_PlayerInstance[0].dataMap.file, nullptr);
    EXPECT_EQ(g_PlayerInstance[0].dataMap.path[0], L'\0');
  }
  EXPECT_TRUE(rates.count("30.0") && rates.count("27.5") && rates.count("15.0"));
  EXPECT_EQ(g_boxes, 0);
}

TEST_F(TimeScaleTest, OwnRecordingsAt25FpsAndOneSecondMoviesFallBackToTheMediaDetector) {
  std::string dir = InstanceRecordingsDirUnix();
  ASSERT_FALSE(dir.empty()) << "QUILL_INSTANCE_RECORDINGS is not set";
  const struct {
    const char* folder;
    float expected;
  } cases[] = {
      {"/fps25_2s", 40.0f},             // 2 s: the boxes are trusted
      {"/fps25_1s", 40.0f},             // 1 s: the detector's 25 fps
      {"/fps27_1s", 1000.0f / 27.5f},   // 1 s: 36.36 from the detector, where the boxes give 36
  };
  for (const auto& c : cases) {
    std::string folder = dir + c.folder;
    std::vector<Row> files = ReadManifestFiles(folder);
    ASSERT_EQ(files.size(), 1u) << folder;
    ASSERT_EQ(Read(WindowsPathOf(folder, files[0].at("path"))), 1) << folder;
    EXPECT_NEAR(g_PlayerInstance[0].timeScale, c.expected, 0.01) << folder;
  }
  EXPECT_EQ(g_boxes, 0);
}

TEST(TimeScaleAcceptance, BoxReadingIsTrustedForLongMoviesOrExactlyFifteen) {
  const struct {
    float seconds, timeScale;
    bool accepted;
  } cases[] = {{60.0f, 33.0f, true}, {1.6f, 33.0f, true}, {1.5f, 33.0f, false}, {1.0f, 20.0f, false},
               {1.0f, 15.0f, true},  {60.0f, 0.0f, false}, {0.0f, 15.0f, true}, {60.0f, -3.0f, false}};
  for (const auto& c : cases) EXPECT_EQ(TimeScaleAccepted(c.seconds, c.timeScale), c.accepted);
}

TEST_F(TimeScaleTest, HandBuiltMoviesAreReadOrRefusedByTheirBoxes) {
  quill::test::TempDir temp;
  const struct {
    const wchar_t* name;
    Bytes bytes;
    int answer;
    float timeScale;
  } cases[] = {
      // 60 s with a mean delta of 33 ms: accepted as is.
      {L"ts33.mp4", MovieWithStts(1000, 60000, 1800, 33000), 1, 33.0f},
      // 1 s with exactly 15.0: accepted although short.
      {L"ts15.mp4", MovieWithStts(1000, 1000, 66, 15000), 1, 15.0f},
      // Regression: deltas below 1 ms give a time scale of 0 on a long movie; the detector cannot open
      // this file, and the open fails instead of dividing by zero later.
      {L"ts0.mp4", MovieWithStts(1000, 60000, 1800, 500), 0, 0.0f},
      // 1 s at 20.0 is not trusted and the detector cannot open it either.
      {L"ts20.mp4", MovieWithStts(1000, 1000, 50, 20000), 0, 20.0f},
      // No "ftyp" at bytes 4-7.
      {L"noftyp.mp4", Box("free", Bytes(16, '\0')), 0, -1.0f},
      // Shorter than the "ftyp" test needs.
      {L"short.mp4", Bytes("\0\0\0\x08", 4), 0, -1.0f},
  };
  for (const auto& c : cases) {
    std::wstring path = temp.path() + c.name;
    ASSERT_TRUE(WriteBytes(path, c.bytes));
    g_PlayerInstance[0].timeScale = -1.0f;
    EXPECT_EQ(Read(path), c.answer);
    EXPECT_FLOAT_EQ(g_PlayerInstance[0].timeScale, c.timeScale);
  }
  EXPECT_EQ(Read(temp.path() + L"missing.mp4"), 0);
}

TEST_F(TimeScaleTest, MediaDetectorThatCannotOpenTheFileShowsItsErrorAndAnswersZero) {
  quill::test::TempDir temp;
  std::wstring path = temp.path() + L"junk.mp4";
  ASSERT_TRUE(WriteBytes(path, MovieWithStts(1000, 1000, 50, 20000)));
  float timeScale = 7.0f;
  EXPECT_EQ(MediaDetectorTimeScale(path.c_str(), &timeScale), 0);
  EXPECT_FLOAT_EQ(timeScale, 7.0f);
  EXPECT_EQ(g_boxes, 1);
}

HANDLE g_detectorRelease = nullptr;
HRESULT HangingDetector(const wchar_t*, float*) {
  WaitForSingleObject(g_detectorRelease, INFINITE);
  return S_OK;
}
HRESULT QuickDetector(const wchar_t*, float* timeScale) {
  *timeScale = 40.0f;
  return S_OK;
}

// A detector that never answers (Wine's, after the process played an unplayable file) ends the
// reading all the same: a failure with its box, and the next reading works.
TEST_F(TimeScaleTest, AHangingMediaDetectorEndsTheReadingAsAFailureAndTheNextOneWorks) {
  g_detectorRelease = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetMediaDetectorForTests(HangingDetector, 300);
  float timeScale = 7.0f;
  EXPECT_EQ(MediaDetectorTimeScale(L"C:\\any.mp4", &timeScale), 0);
  EXPECT_FLOAT_EQ(timeScale, 7.0f);
  EXPECT_EQ(g_boxes, 1);
  SetMediaDetectorForTests(QuickDetector, 300);
  EXPECT_EQ(MediaDetectorTimeScale(L"C:\\any.mp4", &timeScale), 1);
  EXPECT_FLOAT_EQ(timeScale, 40.0f);
  SetEvent(g_detectorRelease);  // the hung reading ends and frees its record
  SetMediaDetectorForTests(nullptr, kMediaDetectorWaitMs);
}

}  // namespace
}  // namespace playcore
