// Conversions of a short generated recording through the real source reader, colour conversion and
// panorama picture engine into the recording fake of the sink writer. The raw frames the fake writes
// are checked on the host afterwards (projection and mosaic).
#include <gtest/gtest.h>

#include <mfapi.h>
#include <mfidl.h>
#include <mfreadwrite.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <set>
#include <thread>

#include "playcore/bytes/byte_reader.h"
#include "playcore/converter/conversion_rules.h"
#include "playcore/converter/movie_capture.h"
#include "playcore/mp4/mp4_movie.h"
#include "res/convert_res.h"
#include "tests/convert/fake_sink_writer.h"
#include "tests/convert/fake_source_reader.h"
#include "tests/support/test_env.h"

namespace playcore::test {
namespace {

using quill::com::ComPtr;

constexpr size_t kFrameBytes = 1920u * 960u * 4u;
// The mask areas the host finds covered by mosaic (kept in step with check_convert_outputs.py).
const std::vector<RECT> kMasks = {{100, 400, 400, 600}, {1500, 700, 1800, 900}};

std::wstring Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? quill::test::HostPathToWindows(v) : std::wstring();
}

// One sample by its kind (0 video, 1 audio: the writer's stream order) and times.
struct SourceSample {
  DWORD stream;
  LONGLONG time, duration;
  bool operator==(const SourceSample& o) const {
    return stream == o.stream && time == o.time && duration == o.duration;
  }
};

// Every sample of a movie in the order a plain source reader gives them, each named by its kind (the
// recorder writes its sound first, so a source's stream 0 may be the audio).
std::vector<SourceSample> ReadSource(const std::wstring& path) {
  std::vector<SourceSample> out;
  ComPtr<IMFSourceReader> reader;
  if (FAILED(MFCreateSourceReaderFromURL(path.c_str(), nullptr, reader.put()))) return out;
  DWORD streams = 0;
  std::vector<DWORD> kind;
  for (ComPtr<IMFMediaType> type; SUCCEEDED(reader->GetNativeMediaType(streams, 0, type.put())); ++streams) {
    GUID major = GUID_NULL;
    type->GetGUID(MF_MT_MAJOR_TYPE, &major);
    kind.push_back(major == MFMediaType_Video ? 0 : 1);
    type.reset();
  }
  for (std::set<DWORD> ended; ended.size() < streams;) {
    DWORD stream = 0, flags = 0;
    LONGLONG time = 0, duration = 0;
    ComPtr<IMFSample> sample;
    if (FAILED(reader->ReadSample(MF_SOURCE_READER_ANY_STREAM, 0, &stream, &flags, &time, sample.put())) ||
        (flags & MF_SOURCE_READERF_ERROR) ||
        ((flags & MF_SOURCE_READERF_ENDOFSTREAM) && !ended.insert(stream).second)) {
      break;
    }
    if (!sample) continue;
    sample->GetSampleDuration(&duration);
    out.push_back({stream < kind.size() ? kind[stream] : stream, time, duration});
  }
  return out;
}

// The owner window counts the progress messages and keeps the last one.
struct Progress {
  int count = 0;
  WPARAM last = 0;
};
Progress g_progress;

LRESULT CALLBACK OwnerProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m != CMovieCapture::kProgressMessage) return DefWindowProcW(w, m, wp, lp);
  ++g_progress.count;
  g_progress.last = wp;
  return 0;
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

class ConvertRun : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { MFStartup(MF_VERSION, MFSTARTUP_FULL); }
  static void TearDownTestSuite() { MFShutdown(); }

  void SetUp() override {
    inputs_ = Env("QUILL_CONVERT_INPUTS");
    out_ = Env("QUILL_CONVERT_OUT");
    ASSERT_FALSE(inputs_.empty() || out_.empty());
    CreateDirectoryW(out_.c_str(), nullptr);
    work_ = out_ + L"\\run";  // its own folder: the copy-result test runs beside it
    CreateDirectoryW(work_.c_str(), nullptr);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = OwnerProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"convert-owner";
    RegisterClassW(&wc);
    owner_ = CreateWindowW(wc.lpszClassName, L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 500, 250, nullptr, nullptr,
                           wc.hInstance, nullptr);
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
    while (MsgWaitForMultipleObjects(1, &done, FALSE, 300000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) Pump();
    worker.join();
    CloseHandle(done);
    Pump();
    return result;
  }

  bool NoTemporaryFiles() {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((work_ + L"\\~qm*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return true;
    FindClose(find);
    return false;
  }

  std::wstring inputs_, out_, work_;
  HWND owner_ = nullptr;
};

TEST_F(ConvertRun, EverySampleIsWrittenWithTheSourceTimes) {
  const std::vector<uint8_t> silent = SilentAacFrame(2);
  const struct {
    const wchar_t* source;
    bool removeAudio;
    size_t streams;
  } cases[] = {{L"\\short.mp4", false, 2},
               {L"\\short.mp4", true, 2},
               {L"\\moov-last-video-only.mp4", false, 1},
               {L"\\short-audio-first.mp4", false, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.removeAudio ? "audio removed" : c.streams == 1 ? "video only" : "with masks")
                                    << " " << c.source);
    const std::wstring source = inputs_ + c.source;
    const std::wstring raw = out_ + L"\\frames.bgra", destination = work_ + L"\\converted.mp4";
    // The run whose frames the host checks (mosaic areas, the band, the projection).
    const bool masked = c.streams == 2 && !c.removeAudio && std::wstring(c.source) == L"\\short.mp4";
    DeleteFileW(destination.c_str());
    if (masked) DeleteFileW(raw.c_str());
    g_progress = {};
    FakeSinkOptions sink;
    if (masked) sink.rawVideoPath = raw;
    sink.finishedMovie = inputs_ + L"\\moov-last.mp4";
    CMovieCapture job(owner_);
    job.SetSinkWriterFactory(FakeSinkFactory(sink));
    if (masked) job.SetMasks(kMasks);
    ConvertRequest request;
    request.source = source;
    request.destination = destination;
    request.removeAudio = c.removeAudio;
    request.overlayImage = IDP_CONVERT_BAND;
    request.spriteImage = IDP_CONVERT_MARK;
    ASSERT_EQ(RunPumping(&job, request), CMovieCapture::kSucceeded) << std::hex << job.result();

    const FakeSinkLog& log = *sink.log;
    ASSERT_EQ(log.streams.size(), c.streams);
    EXPECT_EQ(log.streams[0].outputSubtype, MFVideoFormat_H264);
    EXPECT_EQ(log.streams[0].inputSubtype, MFVideoFormat_RGB32);
    EXPECT_EQ(log.streams[0].frameSize, (UINT64{1920} << 32) | 960);
    EXPECT_EQ(log.streams[0].inputStride, -1920 * 4);
    if (c.streams == 2) {
      EXPECT_EQ(log.streams[1].outputSubtype, MFAudioFormat_AAC);
      if (c.removeAudio) {
        EXPECT_EQ(log.streams[1].inputSubtype, MFAudioFormat_AAC);
      }
      EXPECT_EQ(log.streams[1].channels, 2u);
      EXPECT_EQ(log.streams[1].sampleRate, 48000u);
    }
    EXPECT_EQ(log.began, 1);
    EXPECT_EQ(log.finalized, 1);
    std::vector<SourceSample> written;
    size_t wrongSize = 0, notSilent = 0, audio = 0;
    for (const FakeSample& s : log.samples) {
      written.push_back({s.stream, s.time, s.duration});
      wrongSize += s.stream == 0 && s.size != kFrameBytes;
      audio += s.stream == 1;
      notSilent += s.stream == 1 && s.bytes != silent;
    }
    const std::vector<SourceSample> expected = ReadSource(source);
    const size_t videoFrames = std::count_if(expected.begin(), expected.end(), [](auto& s) { return s.stream == 0; });
    ASSERT_GE(videoFrames, 10u);
    EXPECT_TRUE(written == expected) << written.size() << " samples, the source " << expected.size();
    EXPECT_EQ(wrongSize, 0u);
    EXPECT_EQ(audio == 0, c.streams == 1);
    EXPECT_EQ(notSilent == 0, c.removeAudio || audio == 0);
    EXPECT_EQ(job.framesWritten(), videoFrames);
    EXPECT_EQ(job.frameTotal(), videoFrames);
    EXPECT_EQ(g_progress.count, static_cast<int>(videoFrames));
    EXPECT_EQ(g_progress.last, videoFrames + videoFrames / 100);

    // The finished movie was rewritten movie-first under the destination; no temporary file is left.
    auto movie = sMP4MOVIE::Load(destination.c_str());
    ASSERT_TRUE(movie);
    std::vector<uint32_t> order;
    for (const auto& box : movie->root()->children) order.push_back(box->type);
    EXPECT_LT(std::find(order.begin(), order.end(), FourCC("moov")), std::find(order.begin(), order.end(), FourCC("mdat")));
    EXPECT_TRUE(NoTemporaryFiles());
  }
}

TEST_F(ConvertRun, FailuresAndCancelLeaveNoFile) {
  enum Sink { kFake, kReal };
  enum Trouble { kNone, kCancelAtBegin, kOutOfMemory, kThrows, kCancelAtRewrite, kNoRoom };
  const struct {
    const char* what;
    Trouble trouble;
    Sink sink;
    bool finishedMovie;
    CMovieCapture::RunResult result;
    HRESULT hr;  // S_OK: any failure
  } cases[] = {
      {"cancel before the first frame", kCancelAtBegin, kFake, false, CMovieCapture::kCancelled, S_FALSE},
      {"out of memory", kOutOfMemory, kFake, false, CMovieCapture::kFailed, E_OUTOFMEMORY},
      // Regression: the writer still held its file when the temporary file was deleted.
      {"the writer throws", kThrows, kFake, false, CMovieCapture::kFailed, E_UNEXPECTED},
      {"the fake leaves no movie to rewrite", kNone, kFake, false, CMovieCapture::kFailed, S_OK},
      {"cancel as the rewrite starts", kCancelAtRewrite, kFake, true, CMovieCapture::kCancelled, S_FALSE},
      {"no room for the file and its rewrite", kNoRoom, kFake, true, CMovieCapture::kFailed,
       HRESULT_FROM_WIN32(ERROR_DISK_FULL)},
      {"the real writer without an encoder", kNone, kReal, false, CMovieCapture::kFailed, S_OK},
  };
  for (const auto& c : cases) {
    if (c.sink == kReal && !quill::test::RunningUnderWine()) continue;  // Windows has the encoders
    g_progress = {};
    FakeSinkOptions sink;
    sink.outOfMemoryOnWrite = c.trouble == kOutOfMemory;
    sink.unexpectedOnWrite = c.trouble == kThrows;
    if (c.finishedMovie) sink.finishedMovie = inputs_ + L"\\moov-last-video-only.mp4";
    CMovieCapture job(owner_);
    if (c.trouble == kCancelAtBegin) sink.onBeginWriting = [&job] { job.Cancel(); };
    if (c.trouble == kCancelAtRewrite) sink.onFinalize = [&job] { job.Cancel(); };
    if (c.trouble == kNoRoom) {
      job.SetFreeSpaceQuery([](const std::wstring&, uint64_t* bytes) {
        *bytes = 1u << 20;
        return true;
      });
    }
    if (c.sink == kFake) job.SetSinkWriterFactory(FakeSinkFactory(sink));
    ConvertRequest request;
    request.source = inputs_ + L"\\moov-last-video-only.mp4";
    request.destination = work_ + L"\\failed.mp4";
    EXPECT_EQ(RunPumping(&job, request), c.result) << c.what;
    if (c.hr != S_OK) {
      EXPECT_EQ(job.result(), c.hr) << c.what;
    }
    EXPECT_TRUE(c.result == CMovieCapture::kCancelled || FAILED(job.result())) << c.what;
    EXPECT_EQ(GetFileAttributesW(request.destination.c_str()), INVALID_FILE_ATTRIBUTES) << c.what;
    EXPECT_TRUE(NoTemporaryFiles()) << c.what;
    EXPECT_EQ(job.roomShortfall() > 0, c.trouble == kNoRoom) << c.what;
    if (c.trouble == kNoRoom) {
      EXPECT_EQ(job.roomVolume(), work_.substr(0, 2)) << c.what;
      EXPECT_TRUE(sink.log->url.empty()) << "refused before the writer made its file";
      // Ten frames at 80 Mbit/s are a few MB; the margin for the boxes counts twice.
      EXPECT_GT(job.roomShortfall(), ConversionRoomNeeded(0, MovieReader::kVideoBitRate, false) - (1u << 20))
          << "the writer's file and its rewrite both counted";
      continue;
    }
    if (c.sink == kReal) continue;
    EXPECT_FALSE(sink.log->url.empty()) << c.what << ": the writer's file was made";
    EXPECT_EQ(GetFileAttributesW(sink.log->url.c_str()), INVALID_FILE_ATTRIBUTES) << c.what;
    if (c.trouble != kCancelAtBegin) continue;
    EXPECT_EQ(g_progress.count, 0) << "no frame progress before the first frame";
    EXPECT_TRUE(sink.log->samples.empty());
    EXPECT_EQ(sink.log->finalized, 0);
    // A cancelled job answers every later run at once; the capture entry point brackets the run with the
    // start and the end of the progress bar.
    request.progressOffsetPercent = 50.0f;
    EXPECT_EQ(CMovieCapture_Run(&job, request), CMovieCapture::kCancelled);
    Pump();
    EXPECT_EQ(g_progress.count, 2);
    EXPECT_EQ(g_progress.last, 100u);
  }
}

// A decoder that announces a padded output type part-way (as Windows' H.264 decoder does for a height
// that is not a multiple of 16): the frames after it are read with the new pitch and plane height, and
// show the picture's colour, not the padding's or a wrong chroma plane's.
TEST_F(ConvertRun, ADecoderChangingItsOutputTypeIsFollowed) {
  FakeReaderScript script;
  std::vector<std::array<uint8_t, 3>> centres;  // per written frame: a pixel inside the fisheye circle
  FakeSinkOptions sink;
  sink.onVideo = [&centres](const uint8_t* data, size_t size) {
    const size_t row = 960 - 1 - 700;  // bottom-up: picture row 700 shows radius 0.2 of the fisheye
    const size_t at = (row * 1920 + 960) * 4;
    if (size >= at + 4) centres.push_back({data[at + 2], data[at + 1], data[at]});
  };
  sink.finishedMovie = inputs_ + L"\\moov-last-video-only.mp4";
  CMovieCapture job(owner_);
  job.SetSinkWriterFactory(FakeSinkFactory(sink));
  job.SetSourceReaderFactory(FakeReaderFactory(script));
  ConvertRequest request;
  request.source = L"fake";
  request.destination = work_ + L"\\type-change.mp4";
  ASSERT_EQ(RunPumping(&job, request), CMovieCapture::kSucceeded) << std::hex << job.result();
  ASSERT_EQ(centres.size(), script.frames);
  for (size_t i = 0; i < centres.size(); ++i) {
    const bool after = i >= script.changeAt;
    const auto& p = centres[i];
    // Red before the change, blue after it; never the padding's green.
    const int want = after ? 2 : 0;
    EXPECT_GT(p[want], 200) << "frame " << i << ": " << int(p[0]) << "," << int(p[1]) << "," << int(p[2]);
    EXPECT_LT(p[1], 60) << "frame " << i;
    EXPECT_LT(p[2 - want], 60) << "frame " << i;
  }
  DeleteFileW(request.destination.c_str());
}

// The device lost in the middle of a frame (its draw fails, as after a driver reset): a new device
// draws that frame again and the conversion goes on to write every frame.
TEST_F(ConvertRun, ADeviceLostInTheMiddleOfAFrameIsRebuiltAndTheConversionGoesOn) {
  FakeReaderScript script;
  script.changeAt = script.frames;  // one layout throughout
  FakeSinkOptions sink;
  size_t frames = 0;
  sink.onVideo = [&frames](const uint8_t*, size_t) { ++frames; };
  sink.finishedMovie = inputs_ + L"\\moov-last-video-only.mp4";
  CMovieCapture job(owner_);
  job.SetSinkWriterFactory(FakeSinkFactory(sink));
  job.SetSourceReaderFactory(FakeReaderFactory(script));
  int draws = 0;
  // Lost at the third frame's draw, until the device was built again.
  job.SetDeviceCheck([&](bool beforeDraw) -> HRESULT {
    if (beforeDraw) ++draws;
    return draws >= 3 && job.enginesBuilt() < 2 ? D3DERR_DEVICELOST : S_OK;
  });
  ConvertRequest request;
  request.source = L"fake";
  request.destination = work_ + L"\\device-lost.mp4";
  ASSERT_EQ(RunPumping(&job, request), CMovieCapture::kSucceeded) << std::hex << job.result();
  EXPECT_EQ(job.enginesBuilt(), 2u);
  EXPECT_EQ(frames, script.frames);
  EXPECT_TRUE(NoTemporaryFiles());
  DeleteFileW(request.destination.c_str());
}

// A writer stuck inside its call (a platform call that never returns): a cancel ends the run while
// the call is still stuck, and the job released then is freed by its worker when the call returns.
TEST_F(ConvertRun, ACancelEndsARunStuckInsideAWriterCall) {
  FakeReaderScript script;
  FakeSinkOptions sink;
  HANDLE entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::atomic<bool> stuck{false};
  sink.onVideo = [&](const uint8_t*, size_t) {
    if (stuck.exchange(true)) return;
    SetEvent(entered);
    WaitForSingleObject(release, INFINITE);
    stuck = false;
  };
  sink.finishedMovie = inputs_ + L"\\moov-last-video-only.mp4";
  MovieCapturePtr job(CMovieCapture_Create(owner_));
  ASSERT_TRUE(job);
  job->SetSinkWriterFactory(FakeSinkFactory(sink));
  job->SetSourceReaderFactory(FakeReaderFactory(script));
  job->SetCancelBound(1000);
  ConvertRequest request;
  request.source = L"fake";
  request.destination = work_ + L"\\stuck.mp4";
  std::thread canceller([&] {
    WaitForSingleObject(entered, INFINITE);
    job->Cancel();
  });
  EXPECT_EQ(RunPumping(job.get(), request), CMovieCapture::kCancelled);
  canceller.join();
  EXPECT_TRUE(stuck.load()) << "the run ended while the writer's call was still stuck";
  job.reset();  // handed to its worker
  SetEvent(release);
  // The worker ends on its own, deletes the job, and leaves no file behind.
  const DWORD start = GetTickCount();
  while (stuck.load() && GetTickCount() - start < 30000) Sleep(1);  // no event: a hang guard
  CloseHandle(entered);
  CloseHandle(release);
  EXPECT_EQ(GetFileAttributesW(request.destination.c_str()), INVALID_FILE_ATTRIBUTES);
}

// A decoder handing a frame over a second time (its own time or an earlier one, with or without a
// type change on it): every frame is read once, in time order, in the layout it was decoded with.
TEST_F(ConvertRun, AFrameHandedOverAgainIsReadOnce) {
  constexpr LONGLONG kFrame = 333333;
  const struct {
    const char* name;
    UINT repeatAt, repeatBack, changeAt;
  } cases[] = {{"no repeat", 0xFFFFFFFF, 0, 4},     {"the first frame again", 0, 0, 4},
               {"a frame again", 2, 0, 8},           {"an earlier time", 5, 2, 4},
               {"the type change again", 4, 0, 4},  {"the last frame again", 7, 0, 4}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeReaderScript script;
    script.repeatAt = c.repeatAt;
    script.repeatBack = c.repeatBack;
    script.changeAt = c.changeAt;
    MovieReader reader;
    ASSERT_EQ(reader.Open(L"fake", ChCon{}, FakeReaderFactory(script)), S_OK);
    std::vector<LONGLONG> times, expected;
    ReadItem item;
    for (int guard = 0; guard < 100 && reader.Next(&item) == S_OK; ++guard) {
      if (!item.sample) continue;
      times.push_back(item.time);
      const bool padded = item.time >= static_cast<LONGLONG>(script.changeAt) * kFrame;
      EXPECT_EQ(reader.video().pitch, padded ? script.paddedPitch : script.width) << item.time;
    }
    for (UINT i = 0; i < script.frames; ++i) expected.push_back(i * kFrame);
    EXPECT_EQ(times, expected);
  }
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
  // Two passes, as the conversion dialog loops over the recording: the second reuses the first's
  // device, picture engine and grid.
  for (int pass = 0; pass < 2; ++pass) {
    EXPECT_EQ(RunPumping(&job, request), CMovieCapture::kSucceeded) << pass << std::hex << job.result();
    EXPECT_EQ(job.enginesBuilt(), 1u) << pass;
    EXPECT_EQ(job.times().frames, 10u) << pass << ": every frame of the pass shown";
  }
  running.store(false);
  ui.join();
  EXPECT_TRUE(sink.log->url.empty()) << "no writer in preview";
  EXPECT_EQ(job.framesWritten(), 0u);
  EXPECT_EQ(g_progress.count, 0);
}

}  // namespace
}  // namespace playcore::test
