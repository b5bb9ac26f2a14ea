// The recording fake of the sink writer.
#include "tests/convert/fake_sink_writer.h"

#include <mfapi.h>

#include <cstdio>
#include <new>

namespace playcore::test {
namespace {

class FakeSinkWriter : public SinkWriter {
 public:
  explicit FakeSinkWriter(const FakeSinkOptions& o) : o_(o) {}
  HRESULT AddStream(IMFMediaType* type, DWORD* index) override {
    FakeStream s;
    type->GetGUID(MF_MT_SUBTYPE, &s.outputSubtype);
    type->GetUINT64(MF_MT_FRAME_SIZE, &s.frameSize);
    type->GetUINT32(MF_MT_AUDIO_NUM_CHANNELS, &s.channels);
    type->GetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, &s.sampleRate);
    *index = static_cast<DWORD>(o_.log->streams.size());
    o_.log->streams.push_back(s);
    return S_OK;
  }
  HRESULT SetInputMediaType(DWORD index, IMFMediaType* type) override {
    if (index >= o_.log->streams.size()) return E_INVALIDARG;
    type->GetGUID(MF_MT_SUBTYPE, &o_.log->streams[index].inputSubtype);
    UINT32 stride = 0;
    if (SUCCEEDED(type->GetUINT32(MF_MT_DEFAULT_STRIDE, &stride))) {
      o_.log->streams[index].inputStride = static_cast<INT32>(stride);
    }
    return S_OK;
  }
  HRESULT BeginWriting() override {
    ++o_.log->began;
    if (o_.onBeginWriting) o_.onBeginWriting();
    return S_OK;
  }
  HRESULT WriteSample(DWORD index, IMFSample* sample) override {
    if (index >= o_.log->streams.size() || !o_.log->began) return E_INVALIDARG;
    if (o_.outOfMemoryOnWrite) throw std::bad_alloc();
    FakeSample s;
    s.stream = index;
    sample->GetSampleTime(&s.time);
    sample->GetSampleDuration(&s.duration);
    quill::com::ComPtr<IMFMediaBuffer> buffer;
    HRESULT hr = sample->ConvertToContiguousBuffer(buffer.put());
    BYTE* data = nullptr;
    DWORD length = 0;
    if (SUCCEEDED(hr)) hr = buffer->Lock(&data, nullptr, &length);
    if (FAILED(hr)) return hr;
    s.size = length;
    const bool video = o_.log->streams[index].frameSize != 0;
    if (!video) s.bytes.assign(data, data + length);
    if (video && !o_.rawVideoPath.empty()) {
      if (FILE* f = _wfopen(o_.rawVideoPath.c_str(), L"ab")) {
        fwrite(data, 1, length, f);
        fclose(f);
      }
    }
    buffer->Unlock();
    o_.log->samples.push_back(std::move(s));
    return S_OK;
  }
  HRESULT SendStreamTick(DWORD, LONGLONG) override { return S_OK; }
  HRESULT Finalize() override {
    ++o_.log->finalized;
    if (o_.finishedMovie.empty()) return S_OK;
    return CopyFileW(o_.finishedMovie.c_str(), o_.log->url.c_str(), FALSE)
               ? S_OK
               : HRESULT_FROM_WIN32(GetLastError());
  }

 private:
  FakeSinkOptions o_;
};

}  // namespace

SinkWriterFactory FakeSinkFactory(const FakeSinkOptions& options) {
  return [options](const std::wstring& url, std::unique_ptr<SinkWriter>* writer) -> HRESULT {
    options.log->url = url;
    // The real writer creates its file at once.
    HANDLE file = CreateFileW(url.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return HRESULT_FROM_WIN32(GetLastError());
    CloseHandle(file);
    writer->reset(new FakeSinkWriter(options));
    return S_OK;
  };
}

}  // namespace playcore::test
