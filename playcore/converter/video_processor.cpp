// The video processor transform of the colour conversion.
#include "playcore/converter/video_processor.h"

#include <mfapi.h>
#include <mferror.h>

#include <cstring>

#include "playcore/converter/convert_trace.h"

namespace playcore {
namespace {

using quill::com::ComPtr;

constexpr UINT32 kProgressive = 2;  // MFVideoInterlace_Progressive

HRESULT MakeType(const GUID& subtype, UINT width, UINT height, UINT rateNumerator,
                 UINT rateDenominator, ComPtr<IMFMediaType>* type) {
  HRESULT hr = MFCreateMediaType(type->put());
  IMFMediaType* t = type->get();
  if (SUCCEEDED(hr)) hr = t->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
  if (SUCCEEDED(hr)) hr = t->SetGUID(MF_MT_SUBTYPE, subtype);
  if (SUCCEEDED(hr)) hr = t->SetUINT64(MF_MT_FRAME_SIZE, (static_cast<UINT64>(width) << 32) | height);
  if (SUCCEEDED(hr) && rateNumerator && rateDenominator) {
    hr = t->SetUINT64(MF_MT_FRAME_RATE, (static_cast<UINT64>(rateNumerator) << 32) | rateDenominator);
  }
  if (SUCCEEDED(hr)) hr = t->SetUINT64(MF_MT_PIXEL_ASPECT_RATIO, (UINT64{1} << 32) | 1);
  if (SUCCEEDED(hr)) hr = t->SetUINT32(MF_MT_INTERLACE_MODE, kProgressive);
  if (SUCCEEDED(hr)) hr = t->SetUINT32(MF_MT_ALL_SAMPLES_INDEPENDENT, TRUE);
  if (SUCCEEDED(hr)) {
    const UINT32 stride = subtype == MFVideoFormat_IYUV ? width : width * 4;
    hr = t->SetUINT32(MF_MT_DEFAULT_STRIDE, stride);
  }
  return hr;
}

}  // namespace

HRESULT VideoProcessor::Create(UINT width, UINT height, UINT rateNumerator, UINT rateDenominator) {
  Release();
  ComPtr<IMFMediaType> in, out;
  HRESULT hr = MakeType(MFVideoFormat_IYUV, width, height, rateNumerator, rateDenominator, &in);
  if (SUCCEEDED(hr)) hr = MakeType(MFVideoFormat_ARGB32, width, height, rateNumerator, rateDenominator, &out);
  IMFActivate** activates = nullptr;
  UINT32 count = 0;
  if (SUCCEEDED(hr)) {
    hr = MFTEnumEx(MFT_CATEGORY_VIDEO_PROCESSOR, MFT_ENUM_FLAG_ALL, nullptr, nullptr, &activates, &count);
  }
  if (FAILED(hr)) return hr;
  for (UINT32 i = 0; i < count; ++i) {
    ComPtr<IMFActivate> activate(activates[i]);  // takes the array's reference
    if (transform_) continue;
    ComPtr<IMFTransform> transform;
    if (FAILED(activate->ActivateObject(__uuidof(IMFTransform), transform.putVoid()))) continue;
    if (SUCCEEDED(transform->SetInputType(0, in.get(), 0)) &&
        SUCCEEDED(transform->SetOutputType(0, out.get(), 0))) {
      transform_ = std::move(transform);
    } else {
      activate->ShutdownObject();
    }
  }
  CoTaskMemFree(activates);
  if (!transform_) return MF_E_TOPO_CODEC_NOT_FOUND;
  width_ = width;
  height_ = height;
  hr = MFCreateMemoryBuffer(width * height * 4, outputBuffer_.put());
  if (SUCCEEDED(hr)) hr = MFCreateSample(output_.put());
  if (SUCCEEDED(hr)) hr = output_->AddBuffer(outputBuffer_.get());
  if (SUCCEEDED(hr)) hr = transform_->ProcessMessage(MFT_MESSAGE_NOTIFY_BEGIN_STREAMING, 0);
  if (FAILED(hr)) Release();
  return hr;
}

HRESULT VideoProcessor::Convert(IMFSample* input, uint8_t* dst, UINT dstPitch) {
  if (!transform_) return E_UNEXPECTED;
  if (dstPitch < width_ * 4) return E_INVALIDARG;
  HRESULT hr = transform_->ProcessInput(0, input, 0);
  if (FAILED(hr)) return hr;
  outputBuffer_->SetCurrentLength(0);
  MFT_OUTPUT_DATA_BUFFER data = {};
  data.pSample = output_.get();
  DWORD status = 0;
  hr = transform_->ProcessOutput(0, 1, &data, &status);
  if (data.pEvents) data.pEvents->Release();
  if (hr == MF_E_TRANSFORM_NEED_MORE_INPUT) return S_FALSE;
  if (FAILED(hr)) return hr;
  BYTE* bytes = nullptr;
  DWORD length = 0;
  hr = outputBuffer_->Lock(&bytes, nullptr, &length);
  if (FAILED(hr)) return hr;
  const size_t row = static_cast<size_t>(width_) * 4;
  if (length < row * height_) {
    outputBuffer_->Unlock();
    return MF_E_BUFFERTOOSMALL;
  }
  for (UINT y = 0; y < height_; ++y) std::memcpy(dst + static_cast<size_t>(y) * dstPitch, bytes + y * row, row);
  outputBuffer_->Unlock();
  return S_OK;
}

void VideoProcessor::Release() {
  if (transform_) {
    transform_->ProcessMessage(MFT_MESSAGE_NOTIFY_END_OF_STREAM, 0);
    transform_->ProcessMessage(MFT_MESSAGE_COMMAND_DRAIN, 0);
  }
  output_.reset();
  outputBuffer_.reset();
  transform_.reset();
}

}  // namespace playcore
