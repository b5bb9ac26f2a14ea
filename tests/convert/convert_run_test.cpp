// Conversions of a generated recording through the real source reader, colour conversion and
// panorama picture engine into the recording fake sink: frame count and times as in the source,
// silent audio frames with the source's times, cancel, preview, a video-only source. The raw frames
// written by the fake are checked on the host afterwards (projection and mosaic).
#include <gtest/gtest.h>

#include <mfapi.h>
#include <mfidl.h>
#include <mfreadwrite.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <thread>

#include "playcore/converter/conversion_rules.h"
#include "playcore/converter/movie_capture.h"
#include "playcore/mp4/mp4_movie.h"
#include "tests/convert/fake_sink_writer.h"
#include "tests/support/test_env.h"

namespace playcore::test {
namespace {

using quill::com::ComPtr;

constexpr wchar_t kSource[] = L"card\\20240315_001\\001_093000A_M.MP4";
constexpr size_t kFrameBytes = 1920u * 960u * 4u;
// The mask areas the host finds covered by mosaic (kept in step with check_convert_outputs.py).
const std::vector<RECT> kMasks = {{100, 400, 400, 600}, {1500, 700, 1800, 900}};

std::wstring Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? quill::test::HostPathToWindows(v) : std::wstring();
}

struct SourceSample {
  bool video;
  LONGLONG time, duration;
};

// Every sample of the recording (video stream 0, audio stream 1), read by a plain source reader.
std::vector<SourceSample> ReadSource(const std::wstring& path) {
  std::vector<SourceSample> out;
  ComPtr<IMFSourceReader> reader;
  if (FAILED(MFCreateSourceReaderFromURL(path.c_str(), nullptr, reader.put()))) return out;
  std::set<DWORD> ended;
  while (ended.size() < 2) {
    DWORD stream = 0, flags = 0;
    LONGLONG time = 0, duration = 0;
    ComPtr<IMFSample> sample;
    if (FAILED(reader->ReadSample(MF_SOURCE_READER_ANY_STREAM, 0, &stream, &flags, &time,
                                  sample.put())) ||
        (flags & MF_SOURCE_READERF_ERROR)) {
      break;
    }
    if (flags & MF_SOURCE_READERF_ENDOFSTREAM) ended.insert(stream);
    if (!sample) continue;
    sample->GetSampleDuration(&duration);
    out.push_back({stream == 0, time, duration});
  }
  return out;
}

// The owner window: counts the progress messages and keeps the last one.
struct Progress {
  int count = 0;
  WPARAM last = 0;
  LPARAM total = 0;
};
Progress g_progress;

LRESULT CALLBACK OwnerProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == CMovieCapture::kProgressMessage) {
    ++g_progress.count;
    g_progress.last = wp;
    g_progress.total = lp;
    return 0;
  }
  return DefWindowProcW(w, m, wp, lp);
}

class ConvertRun : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { MFStartup(MF_VERSION, MFSTARTUP_FULL); }
  static void TearDownTestSuite() { MFShutdown(); }

  void SetUp() override {
    recordings_ = quill::test::RecordingsDir();
    inputs_ = Env("QUILL_CONVERT_INPUTS");
    out_ = Env("QUILL_CONVERT_OUT");
    ASSERT_FALSE(recordings_.empty());
    ASSERT_FALSE(inputs_.empty());
    ASSERT_FALSE(out_.empty());
    CreateDirectoryW(out_.c_str(), nullptr);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = OwnerProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"convert-owner";
    RegisterClassW(&wc);
    owner_ = CreateWindowW(wc.lpszClassName, L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 500, 250, nullptr,
                           nullptr, wc.hInstance, nullptr);
    ASSERT_TRUE(owner_);
    g_progress = {};
  }
  void TearDown() override {
    if (owner_) DestroyWindow(owner_);
  }

  // Runs the job on a worker as the program does, pumping this thread's messages meanwhile.
  CMovieCapture::RunResult RunPumping(CMovieCapture* job, const ConvertRequest& request) {
    CMovieCapture::RunResult result = CMovieCapture::kFailed;
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread worker([&] {
      result = job->Run(request);
      SetEvent(done);
    });
    for (;;) {
      const DWORD w = MsgWaitForMultipleObjects(1, &done, FALSE, 300000, QS_ALLINPUT);
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      if (w != WAIT_OBJECT_0 + 1) break;
    }
    worker.join();
    CloseHandle(done);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    return result;
  }

  bool NoTemporaryFiles() {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((out_ + L"\\~qm*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return true;
    FindClose(find);
    return false;
  }

  std::wstring recordings_, inputs_, out_;
  HWND owner_ = nullptr;
};

TEST_F(ConvertRun, EveryFrameIsWrittenWithTheSourceTimesAndTheMasksApplied) {
  const std::wstring source = recordings_ + kSource;
  const std::vector<SourceSample> expected = ReadSource(source);
  const std::wstring raw = out_ + L"\\frames.bgra";
  const std::wstring destination = out_ + L"\\converted.mp4";
  DeleteFileW(raw.c_str());
  DeleteFileW(destination.c_str());
  FakeSinkOptions sink;
  sink.rawVideoPath = raw;
  sink.finishedMovie = inputs_ + L"\\moov-last.mp4";
  CMovieCapture job(owner_);
  job.SetSinkWriterFactory(FakeSinkFactory(sink));
  job.SetMasks(kMasks);
  ConvertRequest request;
  request.source = source;
  request.destination = destination;
  ASSERT_EQ(RunPumping(&job, request), CMovieCapture::kSucceeded) << std::hex << job.result();

  const FakeSinkLog& log = *sink.log;
  ASSERT_EQ(log.streams.size(), 2u);
  EXPECT_EQ(log.streams[0].outputSubtype, MFVideoFormat_H264);
  EXPECT_EQ(log.streams[0].inputSubtype, MFVideoFormat_RGB32);
  EXPECT_EQ(log.streams[0].frameSize, (UINT64{1920} << 32) | 960);
  EXPECT_EQ(log.streams[0].inputStride, -1920 * 4);
  EXPECT_EQ(log.streams[1].outputSubtype, MFAudioFormat_AAC);
  EXPECT_EQ(log.streams[1].channels, 2u);
  EXPECT_EQ(log.streams[1].sampleRate, 48000u);
  EXPECT_EQ(log.began, 1);
  EXPECT_EQ(log.finalized, 1);

  std::vector<SourceSample> written;
  for (const FakeSample& s : log.samples) {
    written.push_back({s.stream == 0, s.time, s.duration});
    if (s.stream == 0) {
      EXPECT_EQ(s.size, kFrameBytes);
    }
  }
  ASSERT_EQ(written.size(), expected.size());
  size_t videoFrames = 0, wrong = 0;
  for (size_t i = 0; i < expected.size(); ++i) {
    videoFrames += expected[i].video;
    wrong += written[i].video != expected[i].video || written[i].time != expected[i].time ||
             written[i].duration != expected[i].duration;
  }
  EXPECT_EQ(wrong, 0u);
  EXPECT_EQ(videoFrames, 60u);
  EXPECT_EQ(job.framesWritten(), 60u);
  EXPECT_EQ(job.frameTotal(), 60u);
  EXPECT_EQ(g_progress.count, 60);
  EXPECT_EQ(g_progress.last, 60u);  // the last frame: total + total / 100
  EXPECT_EQ(g_progress.total, 60);

  // The finished movie was rewritten movie-first under the destination; no temporary file is left.
  auto movie = sMP4MOVIE::Load(destination.c_str());
  ASSERT_TRUE(movie);
  std::vector<uint32_t> order;
  for (const auto& box : movie->root()->children) order.push_back(box->type);
  const auto moov = std::find(order.begin(), order.end(), 0x6D6F6F76u);  // "moov"
  EXPECT_LT(moov, std::find(order.begin(), order.end(), 0x6D646174u));  // before "mdat"
  EXPECT_TRUE(NoTemporaryFiles());
  WIN32_FILE_ATTRIBUTE_DATA attributes;
  ASSERT_TRUE(GetFileAttributesExW(raw.c_str(), GetFileExInfoStandard, &attributes));
  EXPECT_EQ(attributes.nFileSizeLow, 60u * kFrameBytes);
}

TEST_F(ConvertRun, RemovedAudioIsTheSilentFrameWithTheSourceTimes) {
  const std::wstring source = recordings_ + kSource;
  const std::vector<SourceSample> expected = ReadSource(source);
  FakeSinkOptions sink;
  CMovieCapture job(owner_);
  job.SetSinkWriterFactory(FakeSinkFactory(sink));
  ConvertRequest request;
  request.source = source;
  request.destination = out_ + L"\\silent.mp4";
  request.removeAudio = true;
  // The fake leaves no movie to rewrite: the run fails at the rewrite, after every sample.
  EXPECT_EQ(RunPumping(&job, request), CMovieCapture::kFailed);
  EXPECT_EQ(GetFileAttributesW(request.destination.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(NoTemporaryFiles());

  const std::vector<uint8_t> silent = SilentAacFrame(2);
  ASSERT_EQ(sink.log->streams.size(), 2u);
  EXPECT_EQ(sink.log->streams[1].inputSubtype, MFAudioFormat_AAC);
  std::vector<SourceSample> sourceAudio, writtenAudio;
  for (const SourceSample& s : expected) {
    if (!s.video) sourceAudio.push_back(s);
  }
  size_t notSilent = 0;
  for (const FakeSample& s : sink.log->samples) {
    if (s.stream != 1) continue;
    writtenAudio.push_back({false, s.time, s.duration});
    notSilent += s.bytes != silent;
  }
  ASSERT_EQ(writtenAudio.size(), sourceAudio.size());
  ASSERT_FALSE(writtenAudio.empty());
  EXPECT_EQ(notSilent, 0u);
  for (size_t i = 0; i < sourceAudio.size(); ++i) {
    EXPECT_EQ(writtenAudio[i].time, sourceAudio[i].time) << i;
    EXPECT_EQ(writtenAudio[i].duration, sourceAudio[i].duration) << i;
  }
}

TEST_F(ConvertRun, CancelBeforeTheFirstFrameLeavesNoFile) {
  FakeSinkOptions sink;
  CMovieCapture job(owner_);
  sink.onBeginWriting = [&job] { job.Cancel(); };
  job.SetSinkWriterFactory(FakeSinkFactory(sink));
  ConvertRequest request;
  request.source = recordings_ + kSource;
  request.destination = out_ + L"\\cancelled.mp4";
  EXPECT_EQ(RunPumping(&job, request), CMovieCapture::kCancelled);
  EXPECT_EQ(g_progress.count, 0) << "no frame progress before the first frame";
  EXPECT_FALSE(sink.log->url.empty()) << "the writer's file was made";
  EXPECT_TRUE(sink.log->samples.empty());
  EXPECT_EQ(sink.log->finalized, 0);
  EXPECT_EQ(GetFileAttributesW(sink.log->url.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesW(request.destination.c_str()), INVALID_FILE_ATTRIBUTES);
  // A cancelled job answers every later run at once; the capture entry point brackets the run with
  // the start and the end of the progress bar.
  request.progressOffsetPercent = 50.0f;
  EXPECT_EQ(CMovieCapture_Run(&job, request), CMovieCapture::kCancelled);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  EXPECT_EQ(g_progress.count, 2);
  EXPECT_EQ(g_progress.last, 100u);
}

TEST_F(ConvertRun, RunningOutOfMemoryFailsTheRunAndRemovesTheWritersFile) {
  FakeSinkOptions sink;
  sink.outOfMemoryOnWrite = true;
  CMovieCapture job(owner_);
  job.SetSinkWriterFactory(FakeSinkFactory(sink));
  ConvertRequest request;
  request.source = inputs_ + L"\\moov-last-video-only.mp4";
  request.destination = out_ + L"\\no-memory.mp4";
  EXPECT_EQ(RunPumping(&job, request), CMovieCapture::kFailed);
  EXPECT_EQ(job.result(), E_OUTOFMEMORY);
  EXPECT_EQ(GetFileAttributesW(sink.log->url.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesW(request.destination.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ConvertRun, WithoutAnEncoderTheRealSinkWriterFailsCleanly) {
  if (!quill::test::RunningUnderWine()) GTEST_SKIP() << "Windows has the encoders";
  CMovieCapture job(owner_);  // the platform's sink writer
  ConvertRequest request;
  request.source = inputs_ + L"\\moov-last-video-only.mp4";
  request.destination = out_ + L"\\real-sink.mp4";
  EXPECT_EQ(RunPumping(&job, request), CMovieCapture::kFailed);
  EXPECT_TRUE(FAILED(job.result()));
  EXPECT_EQ(GetFileAttributesW(request.destination.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(NoTemporaryFiles());
}

TEST_F(ConvertRun, PreviewWritesNothingAndTakesMaskActionsWhileRunning) {
  FakeSinkOptions sink;
  CMovieCapture job(owner_);
  job.SetSinkWriterFactory(FakeSinkFactory(sink));
  ConvertRequest request;
  request.source = inputs_ + L"\\moov-last-video-only.mp4";
  request.write = false;
  std::atomic<bool> running{true};
  std::thread ui([&] {
    std::vector<RECT> masks;
    for (int i = 0; running.load() && i < 100000; ++i) {
      job.CopyState(1, i % 900, 10, &masks);
      job.CopyState(3, i % 900 + 50, 60, &masks);
      if (masks.size() > 20) job.CopyState(5, 0, 0, &masks);
    }
  });
  EXPECT_EQ(RunPumping(&job, request), CMovieCapture::kSucceeded) << std::hex << job.result();
  running.store(false);
  ui.join();
  EXPECT_TRUE(sink.log->url.empty()) << "no writer in preview";
  EXPECT_EQ(job.framesWritten(), 0u);
  EXPECT_EQ(g_progress.count, 0);
}

TEST_F(ConvertRun, AVideoOnlySourceConverts) {
  FakeSinkOptions sink;
  CMovieCapture job(owner_);
  job.SetSinkWriterFactory(FakeSinkFactory(sink));
  ConvertRequest request;
  request.source = inputs_ + L"\\moov-last-video-only.mp4";
  request.destination = out_ + L"\\video-only.mp4";
  RunPumping(&job, request);
  ASSERT_EQ(sink.log->streams.size(), 1u);
  EXPECT_EQ(job.framesWritten(), 10u);
  EXPECT_EQ(sink.log->finalized, 1);
}

}  // namespace
}  // namespace playcore::test
