// The writing end of a conversion. On Windows it is the platform's sink writer (H.264 and AAC into
// an MP4 file); tests put a recording fake in its place, because a system without the encoders (Wine
// has none) cannot write the file at all.
#pragma once

#include <windows.h>
#include <mfidl.h>
#include <mfreadwrite.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/com/com_ptr.h"

namespace playcore {

// The calls the converter makes on a sink writer, with the platform interface's meaning.
class SinkWriter {
 public:
  virtual ~SinkWriter() = default;
  virtual HRESULT AddStream(IMFMediaType* outputType, DWORD* streamIndex) = 0;
  virtual HRESULT SetInputMediaType(DWORD streamIndex, IMFMediaType* inputType) = 0;
  virtual HRESULT BeginWriting() = 0;
  virtual HRESULT WriteSample(DWORD streamIndex, IMFSample* sample) = 0;
  virtual HRESULT SendStreamTick(DWORD streamIndex, LONGLONG time) = 0;
  virtual HRESULT Finalize() = 0;
};

// Makes the sink writer for the file at `path`.
using SinkWriterFactory =
    std::function<HRESULT(const std::wstring& path, std::unique_ptr<SinkWriter>* writer)>;

// The platform's sink writer for an MP4 file, with hardware transforms allowed.
HRESULT CreateMediaFoundationSinkWriter(const std::wstring& path, std::unique_ptr<SinkWriter>* writer);

// The converter's writer: puts a copy of each frame's bytes into a sample of its own.
class MovieWriter {
 public:
  explicit MovieWriter(std::unique_ptr<SinkWriter> sink) : sink_(std::move(sink)) {}
  SinkWriter* sink() const { return sink_.get(); }
  // A memory buffer holding a copy of `data`, in a sample with the time and duration.
  HRESULT WriteSample(DWORD streamIndex, const uint8_t* data, size_t size, LONGLONG time,
                      LONGLONG duration);

 private:
  std::unique_ptr<SinkWriter> sink_;
};

}  // namespace playcore
