// The platform's sink writer behind the converter's writer interface, and the sample wrapping.
#include "playcore/converter/sink_writer.h"

#include <mfapi.h>

#include <cstring>

namespace playcore {
namespace {

class MediaFoundationSinkWriter : public SinkWriter {
 public:
  explicit MediaFoundationSinkWriter(quill::com::ComPtr<IMFSinkWriter> writer)
      : writer_(std::move(writer)) {}
  HRESULT AddStream(IMFMediaType* type, DWORD* index) override {
    return writer_->AddStream(type, index);
  }
  HRESULT SetInputMediaType(DWORD index, IMFMediaType* type) override {
    return writer_->SetInputMediaType(index, type, nullptr);
  }
  HRESULT BeginWriting() override { return writer_->BeginWriting(); }
  HRESULT WriteSample(DWORD index, IMFSample* sample) override {
    return writer_->WriteSample(index, sample);
  }
  HRESULT SendStreamTick(DWORD index, LONGLONG time) override {
    return writer_->SendStreamTick(index, time);
  }
  HRESULT Finalize() override { return writer_->Finalize(); }

 private:
  quill::com::ComPtr<IMFSinkWriter> writer_;
};

}  // namespace

HRESULT CreateMediaFoundationSinkWriter(const std::wstring& path,
                                        std::unique_ptr<SinkWriter>* writer) {
  quill::com::ComPtr<IMFAttributes> attributes;
  HRESULT hr = MFCreateAttributes(attributes.put(), 2);
  if (SUCCEEDED(hr)) hr = attributes->SetUINT32(MF_READWRITE_ENABLE_HARDWARE_TRANSFORMS, TRUE);
  // The temporary name does not end in ".mp4" for every caller: say the container outright.
  if (SUCCEEDED(hr)) {
    hr = attributes->SetGUID(MF_TRANSCODE_CONTAINERTYPE, MFTranscodeContainerType_MPEG4);
  }
  quill::com::ComPtr<IMFSinkWriter> sink;
  if (SUCCEEDED(hr)) hr = MFCreateSinkWriterFromURL(path.c_str(), nullptr, attributes.get(), sink.put());
  if (FAILED(hr)) return hr;
  try {
    writer->reset(new MediaFoundationSinkWriter(std::move(sink)));
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT MovieWriter::WriteSample(DWORD streamIndex, const uint8_t* data, size_t size, LONGLONG time,
                                 LONGLONG duration) {
  if (!sink_) return E_UNEXPECTED;
  if (size > 0xFFFFFFFFu) return E_INVALIDARG;
  quill::com::ComPtr<IMFMediaBuffer> buffer;
  HRESULT hr = MFCreateMemoryBuffer(static_cast<DWORD>(size), buffer.put());
  BYTE* bytes = nullptr;
  if (SUCCEEDED(hr)) hr = buffer->Lock(&bytes, nullptr, nullptr);
  if (SUCCEEDED(hr)) {
    std::memcpy(bytes, data, size);
    buffer->Unlock();
    hr = buffer->SetCurrentLength(static_cast<DWORD>(size));
  }
  quill::com::ComPtr<IMFSample> sample;
  if (SUCCEEDED(hr)) hr = MFCreateSample(sample.put());
  if (SUCCEEDED(hr)) hr = sample->AddBuffer(buffer.get());
  if (SUCCEEDED(hr)) hr = sample->SetSampleTime(time);
  if (SUCCEEDED(hr)) hr = sample->SetSampleDuration(duration);
  if (SUCCEEDED(hr)) hr = sink_->WriteSample(streamIndex, sample.get());
  return hr;
}

}  // namespace playcore
