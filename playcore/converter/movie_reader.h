// The reading end of a conversion: the source reader with the recording's video (decoded to IYUV)
// and audio streams, the read-ahead queue of at most five samples, and the writer's streams that
// match them (H.264 1920 x 960 from RGB32 frames; AAC with the source's channels and rate).
//
// Threads: used only by the conversion worker.
#pragma once

#include <windows.h>
#include <mfidl.h>
#include <mfreadwrite.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "platform/com/com_ptr.h"
#include "playcore/converter/sink_writer.h"

namespace playcore {

enum class StreamKind { kNone, kAudio, kVideo };

struct VideoFormat {
  UINT width = 0, height = 0;  // the picture shown: the display aperture of the decoded frame
  UINT pitch = 0;              // luma pitch of the decoded IYUV frame
  UINT planeHeight = 0;        // rows of each decoded luma plane (a decoder may pad below the picture)
  UINT rateNumerator = 0, rateDenominator = 0;
  UINT aspectNumerator = 1, aspectDenominator = 1;
};

struct AudioFormat {
  UINT channels = 0, sampleRate = 0;
};

// One sample taken off the queue (or a stream tick / gap without a sample).
struct ReadItem {
  quill::com::ComPtr<IMFSample> sample;
  DWORD stream = 0;  // source stream index
  DWORD flags = 0;   // MF_SOURCE_READERF_* as read
  LONGLONG time = 0;
  LONGLONG duration = 0;
  bool formatChanged = false;  // the decoder's output type changed at this sample
  VideoFormat format;          // that new type (video() from this item on)
};

// Which streams a run reads: 0 the sound only, 1 the picture only (the preview), 2 both (a
// conversion). The second word is kept as it was made.
struct ChCon {
  int mode = 2;
  int second = 1;
};

// The picture a decoded IYUV type describes: frame size, luma pitch (a negative or missing stride
// means rows of the frame's width) and the display aperture inside the frame. False when the type
// has no usable size.
bool VideoFormatOf(IMFMediaType* type, VideoFormat* format);

// Makes the source reader of a path (tests put a fake in its place).
using SourceReaderFactory = std::function<HRESULT(const wchar_t* path, IMFAttributes* attributes,
                                                  IMFSourceReader** reader)>;

class MovieReader {
 public:
  static constexpr size_t kReadAhead = 5;
  static constexpr DWORD kNoStream = 0xFFFFFFFF;
  static constexpr UINT32 kVideoBitRate = 80000000;

  // The source reader for `path`; only the first video and the first audio stream stay selected
  // (any other stream, such as a data track, is left out; the sound too in mode 1), the video
  // decoded to IYUV. `factory` null: the platform's reader.
  HRESULT Open(const wchar_t* path, ChCon streams = {}, const SourceReaderFactory& factory = nullptr);
  // Adds the writer's output streams and their input types: the video as RGB32 frames of
  // width x height; the audio as AAC (with `silentAudio`, as the stored silent AAC frames).
  HRESULT ConfigureWriter(SinkWriter* writer, UINT width, UINT height, bool silentAudio);

  // The read step: refills the queue and takes its front. S_OK with an item, S_FALSE at the end of
  // every stream, a failure otherwise. When the decoder announced a new output type, video() holds
  // it from the item marked formatChanged on. A video frame whose time does not move past the last
  // one read is left out (a type change it carries comes as an item without a sample).
  HRESULT Next(ReadItem* item);

  StreamKind KindOf(DWORD stream) const;
  DWORD WriterStreamOf(DWORD stream) const;
  const VideoFormat& video() const { return video_; }
  const AudioFormat& audio() const { return audio_; }
  DWORD videoStream() const { return videoStream_; }
  DWORD audioStream() const { return audioStream_; }
  // The presentation's duration in 100 ns units (0 when unknown).
  uint64_t duration() const { return duration_; }

 private:
  HRESULT SelectStreams();
  HRESULT SetVideoOutput();
  HRESULT ReadOne();
  DWORD StreamToRead() const;
  // The type of the last queued video item: what a further change starts from.
  VideoFormat LastFormat() const;

  quill::com::ComPtr<IMFSourceReader> reader_;
  DWORD videoStream_ = kNoStream;
  DWORD audioStream_ = kNoStream;
  DWORD videoWriterStream_ = kNoStream;
  DWORD audioWriterStream_ = kNoStream;
  VideoFormat video_;
  AudioFormat audio_;
  ChCon streams_;
  uint64_t duration_ = 0;
  bool videoEnded_ = false;
  bool audioEnded_ = false;
  bool videoTimed_ = false;     // a video frame has been queued: lastVideoTime_ holds its time
  LONGLONG lastVideoTime_ = 0;  // the time of the last video frame queued
  std::deque<ReadItem> queue_;
};

}  // namespace playcore
