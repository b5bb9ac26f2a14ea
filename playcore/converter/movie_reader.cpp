// The source reader of a conversion, its streams and the read-ahead queue.
#include "playcore/converter/movie_reader.h"

#include <mfapi.h>
#include <mferror.h>

#include <cstdio>
#include <cstring>

#include "playcore/converter/conversion_rules.h"
#include "playcore/converter/convert_trace.h"

namespace playcore {

using quill::com::ComPtr;

void TraceConvertFailure(const char* file, int line) {
  const char* name = file;
  for (const char* p = file; *p; ++p) {
    if (*p == '/' || *p == '\\') name = p + 1;
  }
  wchar_t text[128];
  swprintf(text, 128, L"%hs %d\n", name, line);
  OutputDebugStringW(text);
}

namespace {

constexpr UINT32 kProgressive = 2;  // MFVideoInterlace_Progressive
constexpr UINT32 kAacBitsPerSample = 16;

void Split64(UINT64 v, UINT* high, UINT* low) {
  *high = static_cast<UINT>(v >> 32);
  *low = static_cast<UINT>(v & 0xFFFFFFFFu);
}

UINT64 Pack64(UINT high, UINT low) { return (static_cast<UINT64>(high) << 32) | low; }

}  // namespace

bool VideoFormatOf(IMFMediaType* type, VideoFormat* format) {
  UINT64 size = 0;
  UINT width = 0, height = 0;
  if (!type || FAILED(type->GetUINT64(MF_MT_FRAME_SIZE, &size))) return false;
  Split64(size, &width, &height);
  if (width == 0 || height == 0) return false;
  UINT32 stride = 0;
  // A negative or missing stride means the packed layout: rows of the frame's own width.
  if (FAILED(type->GetUINT32(MF_MT_DEFAULT_STRIDE, &stride)) ||
      static_cast<INT32>(stride) < static_cast<INT32>(width)) {
    stride = width;
  }
  format->width = width;
  format->height = height;
  format->planeHeight = height;
  format->pitch = stride;
  // A decoder that pads the frame (a coded height of 1088 for 1080 lines) names the picture inside.
  MFVideoArea area = {};
  if (SUCCEEDED(type->GetBlob(MF_MT_MINIMUM_DISPLAY_APERTURE, reinterpret_cast<UINT8*>(&area),
                              sizeof(area), nullptr)) &&
      area.OffsetX.value == 0 && area.OffsetY.value == 0 && area.Area.cx > 0 && area.Area.cy > 0 &&
      static_cast<UINT>(area.Area.cx) <= width && static_cast<UINT>(area.Area.cy) <= height) {
    format->width = static_cast<UINT>(area.Area.cx);
    format->height = static_cast<UINT>(area.Area.cy);
  }
  return true;
}

HRESULT MovieReader::Open(const wchar_t* path, ChCon streams, const SourceReaderFactory& factory) {
  streams_ = streams;
  ComPtr<IMFAttributes> attributes;
  HRESULT hr = TRACED(MFCreateAttributes(attributes.put(), 1));
  if (SUCCEEDED(hr)) hr = TRACED(attributes->SetUINT32(MF_READWRITE_ENABLE_HARDWARE_TRANSFORMS, TRUE));
  if (SUCCEEDED(hr)) {
    hr = factory ? TRACED(factory(path, attributes.get(), reader_.put()))
                 : TRACED(MFCreateSourceReaderFromURL(path, attributes.get(), reader_.put()));
  }
  if (SUCCEEDED(hr)) hr = SelectStreams();
  if (SUCCEEDED(hr)) hr = SetVideoOutput();
  if (SUCCEEDED(hr)) {
    PROPVARIANT value;
    PropVariantInit(&value);
    if (SUCCEEDED(reader_->GetPresentationAttribute(MF_SOURCE_READER_MEDIASOURCE, MF_PD_DURATION,
                                                    &value)) &&
        value.vt == VT_UI8) {
      duration_ = value.uhVal.QuadPart;
    }
    PropVariantClear(&value);
  }
  return hr;
}

HRESULT MovieReader::SelectStreams() {
  HRESULT hr = TRACED(reader_->SetStreamSelection(MF_SOURCE_READER_ALL_STREAMS, FALSE));
  for (DWORD i = 0; SUCCEEDED(hr); ++i) {
    ComPtr<IMFMediaType> type;
    if (FAILED(reader_->GetNativeMediaType(i, 0, type.put()))) break;  // no stream i
    GUID major = GUID_NULL;
    if (FAILED(type->GetGUID(MF_MT_MAJOR_TYPE, &major))) continue;
    if (major == MFMediaType_Video && videoStream_ == kNoStream) {
      videoStream_ = i;
      UINT64 v = 0;
      if (SUCCEEDED(type->GetUINT64(MF_MT_FRAME_RATE, &v))) {
        Split64(v, &video_.rateNumerator, &video_.rateDenominator);
      }
      if (SUCCEEDED(type->GetUINT64(MF_MT_PIXEL_ASPECT_RATIO, &v))) {
        Split64(v, &video_.aspectNumerator, &video_.aspectDenominator);
      }
    } else if (major == MFMediaType_Audio && audioStream_ == kNoStream && streams_.mode != 1) {
      audioStream_ = i;
      type->GetUINT32(MF_MT_AUDIO_NUM_CHANNELS, &audio_.channels);
      type->GetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, &audio_.sampleRate);
    } else {
      continue;
    }
    hr = TRACED(reader_->SetStreamSelection(i, TRUE));
  }
  if (SUCCEEDED(hr) && videoStream_ == kNoStream) hr = TRACED(MF_E_INVALIDMEDIATYPE);
  audioEnded_ = audioStream_ == kNoStream;
  return hr;
}

HRESULT MovieReader::SetVideoOutput() {
  ComPtr<IMFMediaType> type;
  HRESULT hr = TRACED(MFCreateMediaType(type.put()));
  if (SUCCEEDED(hr)) hr = type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
  if (SUCCEEDED(hr)) hr = type->SetGUID(MF_MT_SUBTYPE, MFVideoFormat_IYUV);
  if (SUCCEEDED(hr)) hr = TRACED(reader_->SetCurrentMediaType(videoStream_, nullptr, type.get()));
  ComPtr<IMFMediaType> current;
  if (SUCCEEDED(hr)) hr = TRACED(reader_->GetCurrentMediaType(videoStream_, current.put()));
  if (FAILED(hr)) return hr;
  return VideoFormatOf(current.get(), &video_) ? S_OK : TRACED(MF_E_INVALIDMEDIATYPE);
}

HRESULT MovieReader::ConfigureWriter(SinkWriter* writer, UINT width, UINT height, bool silentAudio) {
  ComPtr<IMFMediaType> out, in;
  HRESULT hr = TRACED(MFCreateMediaType(out.put()));
  if (SUCCEEDED(hr)) hr = out->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
  if (SUCCEEDED(hr)) hr = out->SetGUID(MF_MT_SUBTYPE, MFVideoFormat_H264);
  if (SUCCEEDED(hr)) hr = out->SetUINT32(MF_MT_AVG_BITRATE, kVideoBitRate);
  if (SUCCEEDED(hr)) hr = out->SetUINT32(MF_MT_INTERLACE_MODE, kProgressive);
  if (SUCCEEDED(hr)) hr = out->SetUINT64(MF_MT_FRAME_SIZE, Pack64(width, height));
  if (SUCCEEDED(hr) && video_.rateNumerator && video_.rateDenominator) {
    hr = out->SetUINT64(MF_MT_FRAME_RATE, Pack64(video_.rateNumerator, video_.rateDenominator));
  }
  if (SUCCEEDED(hr)) {
    hr = out->SetUINT64(MF_MT_PIXEL_ASPECT_RATIO,
                        Pack64(video_.aspectNumerator, video_.aspectDenominator));
  }
  if (SUCCEEDED(hr)) hr = TRACED(writer->AddStream(out.get(), &videoWriterStream_));
  if (SUCCEEDED(hr)) hr = TRACED(MFCreateMediaType(in.put()));
  if (SUCCEEDED(hr)) hr = out->CopyAllItems(in.get());
  if (SUCCEEDED(hr)) hr = in->SetGUID(MF_MT_SUBTYPE, MFVideoFormat_RGB32);
  // The frames come read back bottom-up, as a DIB: say so rather than rely on a default.
  if (SUCCEEDED(hr)) hr = in->SetUINT32(MF_MT_DEFAULT_STRIDE, static_cast<UINT32>(-static_cast<INT32>(width * 4)));
  if (SUCCEEDED(hr)) hr = TRACED(writer->SetInputMediaType(videoWriterStream_, in.get()));
  if (FAILED(hr) || audioStream_ == kNoStream) return hr;

  ComPtr<IMFMediaType> native, aac, audioIn;
  hr = TRACED(reader_->GetNativeMediaType(audioStream_, 0, native.put()));
  if (SUCCEEDED(hr)) hr = TRACED(MFCreateMediaType(aac.put()));
  if (SUCCEEDED(hr)) hr = aac->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio);
  if (SUCCEEDED(hr)) hr = aac->SetGUID(MF_MT_SUBTYPE, MFAudioFormat_AAC);
  if (SUCCEEDED(hr)) hr = aac->SetUINT32(MF_MT_AUDIO_NUM_CHANNELS, audio_.channels);
  if (SUCCEEDED(hr)) hr = aac->SetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, audio_.sampleRate);
  if (SUCCEEDED(hr)) hr = aac->SetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, kAacBitsPerSample);
  UINT32 value = 0;
  if (SUCCEEDED(hr) && SUCCEEDED(native->GetUINT32(MF_MT_AUDIO_AVG_BYTES_PER_SECOND, &value))) {
    hr = aac->SetUINT32(MF_MT_AUDIO_AVG_BYTES_PER_SECOND, value);
  }
  // The source's AAC configuration (its AudioSpecificConfig and profile), where it has one: the
  // writer then takes the source's frames, or the silent ones, without re-encoding.
  GUID nativeSubtype = GUID_NULL;
  if (SUCCEEDED(hr) && SUCCEEDED(native->GetGUID(MF_MT_SUBTYPE, &nativeSubtype)) &&
      nativeSubtype == MFAudioFormat_AAC) {
    UINT32 size = 0;
    if (SUCCEEDED(native->GetBlobSize(MF_MT_USER_DATA, &size)) && size > 0) {
      std::vector<UINT8> blob(size);
      if (SUCCEEDED(native->GetBlob(MF_MT_USER_DATA, blob.data(), size, nullptr))) {
        hr = aac->SetBlob(MF_MT_USER_DATA, blob.data(), size);
      }
    }
    if (SUCCEEDED(hr) &&
        SUCCEEDED(native->GetUINT32(MF_MT_AAC_AUDIO_PROFILE_LEVEL_INDICATION, &value))) {
      hr = aac->SetUINT32(MF_MT_AAC_AUDIO_PROFILE_LEVEL_INDICATION, value);
    }
  }
  if (SUCCEEDED(hr)) hr = TRACED(writer->AddStream(aac.get(), &audioWriterStream_));
  if (FAILED(hr)) return hr;
  if (silentAudio) {
    // The stored silent frames are raw AAC access units: the writer takes them as they are.
    hr = aac->SetUINT32(MF_MT_AAC_PAYLOAD_TYPE, 0);
    if (SUCCEEDED(hr)) hr = TRACED(writer->SetInputMediaType(audioWriterStream_, aac.get()));
    return hr;
  }
  hr = TRACED(reader_->GetCurrentMediaType(audioStream_, audioIn.put()));
  if (SUCCEEDED(hr)) hr = TRACED(writer->SetInputMediaType(audioWriterStream_, audioIn.get()));
  return hr;
}

StreamKind MovieReader::KindOf(DWORD stream) const {
  if (stream == videoStream_) return StreamKind::kVideo;
  if (stream == audioStream_ && audioStream_ != kNoStream) return StreamKind::kAudio;
  return StreamKind::kNone;
}

DWORD MovieReader::WriterStreamOf(DWORD stream) const {
  switch (KindOf(stream)) {
    case StreamKind::kVideo: return videoWriterStream_;
    case StreamKind::kAudio: return audioWriterStream_;
    default: return kNoStream;
  }
}

DWORD MovieReader::StreamToRead() const {
  switch (streams_.mode) {
    case 0: return static_cast<DWORD>(MF_SOURCE_READER_FIRST_AUDIO_STREAM);
    case 1: return static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM);
    default: return static_cast<DWORD>(MF_SOURCE_READER_ANY_STREAM);
  }
}

HRESULT MovieReader::ReadOne() {
  ReadItem item;
  HRESULT hr = TRACED(reader_->ReadSample(StreamToRead(), 0, &item.stream, &item.flags, &item.time,
                                          item.sample.put()));
  if (FAILED(hr)) return hr;
  if (item.flags & MF_SOURCE_READERF_ERROR) return TRACED(E_FAIL);
  if ((item.flags & MF_SOURCE_READERF_CURRENTMEDIATYPECHANGED) && item.stream == videoStream_) {
    // The decoder's new output (a padded height, another stride): the frames from here on are read
    // with it. Those still queued keep the type they were decoded with.
    ComPtr<IMFMediaType> current;
    hr = TRACED(reader_->GetCurrentMediaType(videoStream_, current.put()));
    if (FAILED(hr)) return hr;
    item.format = LastFormat();
    if (!VideoFormatOf(current.get(), &item.format)) return TRACED(MF_E_INVALIDMEDIATYPE);
    item.formatChanged = true;
  }
  if (item.flags & MF_SOURCE_READERF_ENDOFSTREAM) {
    if (item.stream == videoStream_) videoEnded_ = true;
    if (item.stream == audioStream_) audioEnded_ = true;
    // A stream index the reader cannot name any more: nothing further will come.
    if (KindOf(item.stream) == StreamKind::kNone) videoEnded_ = audioEnded_ = true;
  }
  if (KindOf(item.stream) == StreamKind::kNone) return S_OK;  // not a stream of the conversion
  if (!item.sample && !(item.flags & MF_SOURCE_READERF_STREAMTICK)) return S_OK;
  if (item.sample) {
    item.sample->GetSampleDuration(&item.duration);
    item.sample->GetSampleTime(&item.time);
  }
  if (item.sample && item.stream == videoStream_) {
    // A busy decoder may hand a frame over again, with its own or an earlier time: that is no new
    // frame of the movie, and the converted one must not hold it twice. A type change it carries
    // still holds for the frames after it.
    if (videoTimed_ && item.time <= lastVideoTime_) {
      if (!item.formatChanged) return S_OK;
      item.sample.reset();
    } else {
      videoTimed_ = true;
      lastVideoTime_ = item.time;
    }
  }
  try {
    queue_.push_back(std::move(item));
  } catch (const std::bad_alloc&) {
    return TRACED(E_OUTOFMEMORY);
  }
  return S_OK;
}

HRESULT MovieReader::Next(ReadItem* item) {
  while (queue_.size() < kReadAhead && !(videoEnded_ && audioEnded_)) {
    const HRESULT hr = ReadOne();
    if (FAILED(hr)) return hr;
  }
  if (queue_.empty()) return S_FALSE;
  *item = std::move(queue_.front());
  queue_.pop_front();
  if (item->formatChanged) video_ = item->format;
  return S_OK;
}

VideoFormat MovieReader::LastFormat() const {
  for (auto it = queue_.rbegin(); it != queue_.rend(); ++it) {
    if (it->formatChanged) return it->format;
  }
  return video_;
}

}  // namespace playcore
