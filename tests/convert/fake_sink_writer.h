// A sink writer that records what the converter hands it: the streams' types, every sample (time,
// duration, size, and the bytes of audio samples) and finalisation. Video frames are
// appended to a raw file for the host-side picture checks; the file the real writer would create
// appears at the URL and stays open (as the real writer keeps it) until finalisation, when it gets
// the bytes of a prepared movie so the rest of the conversion (the movie-first rewrite) runs as after
// a real encode.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "playcore/converter/sink_writer.h"

namespace playcore::test {

struct FakeStream {
  GUID outputSubtype = GUID_NULL, inputSubtype = GUID_NULL;
  UINT64 frameSize = 0;
  UINT32 channels = 0, sampleRate = 0;
  INT32 inputStride = 0;
};

struct FakeSample {
  DWORD stream = 0;
  LONGLONG time = 0, duration = 0;
  size_t size = 0;
  std::vector<uint8_t> bytes;  // audio samples only
};

struct FakeSinkLog {
  std::wstring url;
  std::vector<FakeStream> streams;
  std::vector<FakeSample> samples;
  int began = 0, finalized = 0;
};

struct FakeSinkOptions {
  std::wstring rawVideoPath;   // frames appended here; empty for none
  std::wstring finishedMovie;  // copied to the URL at Finalize; empty leaves the URL empty
  std::shared_ptr<FakeSinkLog> log = std::make_shared<FakeSinkLog>();
  std::function<void()> onBeginWriting;  // runs inside BeginWriting (a test cancels there)
  std::function<void()> onFinalize;      // runs inside Finalize, after the movie was put in place
  // Each video frame as written (bottom-up BGRA).
  std::function<void(const uint8_t* data, size_t size)> onVideo;
  bool outOfMemoryOnWrite = false;       // WriteSample throws std::bad_alloc
  bool unexpectedOnWrite = false;        // WriteSample throws another exception
};

// A factory for CMovieCapture::SetSinkWriterFactory.
SinkWriterFactory FakeSinkFactory(const FakeSinkOptions& options);

}  // namespace playcore::test
