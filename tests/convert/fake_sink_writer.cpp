// The recording fake of the sink writer.
#include "tests/convert/fake_sink_writer.h"

#include <mfapi.h>

#include <cstdio>
#include <new>
#include <stdexcept>

namespace playcore::test {
namespace {

class FakeSinkWriter : public SinkWriter {
 public:
  FakeSinkWriter(const FakeSinkOptions& o, HANDLE file) : o_(o), file_(file) {}
  ~FakeSinkWriter() override { CloseFile(); }
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
    if (o_.unexpectedOnWrite) throw std::runtime_error("the writer broke");
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
    if (video && o_.onVideo) o_.onVideo(data, length);
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
    CloseFile();
    HRESULT hr = S_OK;
    if (!o_.finishedMovie.empty() && !CopyFileW(o_.finishedMovie.c_str(), o_.log->url.c_str(), FALSE)) {
      hr = HRESULT_FROM_WIN32(GetLastError());
    }
    if (o_.onFinalize) o_.onFinalize();
    return hr;
  }

 private:
  void CloseFile() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
  }

  FakeSinkOptions o_;
  HANDLE file_;
};

}  // namespace

SinkWriterFactory FakeSinkFactory(const FakeSinkOptions& options) {
  return [options](const std::wstring& url, std::unique_ptr<SinkWriter>* writer) -> HRESULT {
    options.log->url = url;
    // The real writer creates its file at once and holds it until it is finalized or released: the
    // file cannot be deleted meanwhile.
    HANDLE file = CreateFileW(url.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return HRESULT_FROM_WIN32(GetLastError());
    writer->reset(new FakeSinkWriter(options, file));
    return S_OK;
  };
}

}  // namespace playcore::test
