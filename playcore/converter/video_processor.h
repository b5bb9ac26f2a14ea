// The platform's video processor transform turning the decoded IYUV frames into 32-bit RGB, the
// converter's first choice for the colour conversion; without one (or when it fails) the converter
// converts on the processor (frame_colour.h).
//
// Threads: used only by the conversion worker.
#pragma once

#include <windows.h>
#include <mfidl.h>
#include <mftransform.h>

#include <cstdint>

#include "platform/com/com_ptr.h"

namespace playcore {

class VideoProcessor {
 public:
  VideoProcessor() = default;
  ~VideoProcessor() { Release(); }
  VideoProcessor(const VideoProcessor&) = delete;
  VideoProcessor& operator=(const VideoProcessor&) = delete;

  // The first video processor that takes IYUV frames of width x height as input and gives ARGB32;
  // a failure when there is none.
  HRESULT Create(UINT width, UINT height, UINT rateNumerator, UINT rateDenominator);
  // One frame through the transform into top-down BGRA rows `dstPitch` bytes apart. S_FALSE when the
  // transform kept the frame (nothing written).
  HRESULT Convert(IMFSample* input, uint8_t* dst, UINT dstPitch);
  // Ends the stream (end-of-stream and drain messages) and lets the transform go.
  void Release();
  bool exists() const { return static_cast<bool>(transform_); }

 private:
  quill::com::ComPtr<IMFTransform> transform_;
  quill::com::ComPtr<IMFSample> output_;
  quill::com::ComPtr<IMFMediaBuffer> outputBuffer_;
  UINT width_ = 0, height_ = 0;
};

}  // namespace playcore
