// The conversion job's flow: run on a worker, open, frame by frame, close, rewrite, clean up.
#include "playcore/converter/movie_capture.h"

#include <mfapi.h>
#include <mferror.h>
#include <objbase.h>

#include <new>

#include "playcore/converter/conversion_rules.h"
#include "playcore/converter/convert_trace.h"
#include "playcore/converter/copy_result.h"

namespace playcore {

CMovieCapture::CMovieCapture(HWND owner)
    : owner_(owner), window_(owner), sinkFactory_(CreateMediaFoundationSinkWriter) {
  bitmap_.SetSize(static_cast<int32_t>(kOutputWidth), static_cast<int32_t>(kOutputHeight), false);
}

CMovieCapture::~CMovieCapture() { Close(); }

CMovieCapture::RunResult CMovieCapture::Run(const ConvertRequest& request) {
  if (cancel_.load()) {
    result_ = S_FALSE;
    return kCancelled;
  }
  try {
    request_ = request;
  } catch (const std::bad_alloc&) {
    result_ = TRACED(E_OUTOFMEMORY);
    return kFailed;
  }
  HANDLE thread = CreateThread(nullptr, 0, ConvertThread, this, CREATE_SUSPENDED, nullptr);
  if (!thread) {
    result_ = TRACED(HRESULT_FROM_WIN32(GetLastError()));
    return kFailed;
  }
  quill::com::Handle owned(thread);
  ResumeThread(thread);
  WaitForSingleObject(thread, INFINITE);
  if (FAILED(result_)) return kFailed;
  return result_ == S_FALSE ? kCancelled : kSucceeded;
}

DWORD WINAPI CMovieCapture::ConvertThread(void* self) {
  auto* job = static_cast<CMovieCapture*>(self);
  // Media Foundation, its transforms and the COM objects need an apartment on this thread.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  HRESULT hr = TRACED(MFStartup(MF_VERSION, MFSTARTUP_FULL));
  if (SUCCEEDED(hr)) {
    try {
      hr = job->Convert();
    } catch (const std::bad_alloc&) {
      job->Close();
      hr = TRACED(E_OUTOFMEMORY);
    } catch (...) {
      job->Close();
      hr = TRACED(E_UNEXPECTED);
    }
    MFShutdown();
  }
  job->result_ = hr;
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}

namespace {

// The writer's file lives only during a run: deleted on every way out, success or not.
struct TempFile {
  std::wstring path;
  ~TempFile() {
    if (!path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
      DeleteFileW(path.c_str());
    }
  }
};

}  // namespace

HRESULT CMovieCapture::Convert() {
  framesWritten_ = 0;
  total_ = 0;
  TempFile temp;
  if (request_.write && !NextTempPathBeside(request_.destination, L".enc.mp4", &temp.path)) {
    return TRACED(HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE));
  }
  HRESULT hr = S_OK;
  bool finished = false;
  try {
    hr = Open(temp.path);
    while (SUCCEEDED(hr) && !cancel_.load()) {
      const int step = ProcessFrame();
      if (step < 0) {
        finished = true;
        break;
      }
      if (step == 0) hr = TRACED(E_FAIL);
    }
  } catch (const std::bad_alloc&) {
    // A 32-bit process can really run out: the step that needed the memory fails the run.
    hr = TRACED(E_OUTOFMEMORY);
  }
  Close();  // before the temporary file goes: the writer may hold it open
  if (SUCCEEDED(hr) && !finished) hr = S_FALSE;  // cancelled
  if (hr == S_OK && request_.write && !CopyResult(temp.path, request_.destination)) {
    hr = TRACED(E_FAIL);
  }
  return hr;
}

HRESULT CMovieCapture::Open(const std::wstring& temp) {
  HRESULT hr = CreateDevice();
  if (SUCCEEDED(hr)) hr = CreateEngine();
  if (FAILED(hr)) return hr;
  try {
    reader_.reset(new MovieReader);
  } catch (const std::bad_alloc&) {
    return TRACED(E_OUTOFMEMORY);
  }
  hr = reader_->Open(request_.source.c_str());
  if (FAILED(hr)) return hr;
  const VideoFormat& v = reader_->video();
  total_ = FrameCountFor(reader_->duration(), v.rateNumerator, v.rateDenominator);
  // Without a video processor the frames are converted on the processor.
  if (v.pitch != v.width || FAILED(processor_.Create(v.width, v.height, v.rateNumerator,
                                                     v.rateDenominator))) {
    processor_.Release();
  }
  hr = TRACED(device_->CreateOffscreenPlainSurface(v.width, v.height, D3DFMT_X8R8G8B8,
                                                   D3DPOOL_DEFAULT, sourceSurface_.put(), nullptr));
  if (FAILED(hr) || !request_.write) return hr;
  if (reader_->audioStream() != MovieReader::kNoStream && request_.removeAudio) {
    silentAudio_ = SilentAacFrame(reader_->audio().channels);
    if (silentAudio_.empty()) return TRACED(MF_E_INVALIDMEDIATYPE);
  }
  std::unique_ptr<SinkWriter> sink;
  hr = sinkFactory_ ? TRACED(sinkFactory_(temp, &sink)) : TRACED(E_UNEXPECTED);
  if (FAILED(hr)) return hr;
  try {
    writer_.reset(new MovieWriter(std::move(sink)));
  } catch (const std::bad_alloc&) {
    return TRACED(E_OUTOFMEMORY);
  }
  hr = reader_->ConfigureWriter(writer_->sink(), kOutputWidth, kOutputHeight, request_.removeAudio);
  if (SUCCEEDED(hr)) hr = TRACED(writer_->sink()->BeginWriting());
  return hr;
}

int CMovieCapture::ProcessFrame() {
  ReadItem item;
  const HRESULT read = reader_->Next(&item);
  if (FAILED(read)) return 0;
  if (read == S_FALSE) {
    if (!request_.write) return -1;
    return SUCCEEDED(TRACED(writer_->sink()->Finalize())) ? -1 : 0;
  }
  const bool isVideo = reader_->KindOf(item.stream) == StreamKind::kVideo;
  HRESULT drawn = S_OK;
  if (isVideo && item.sample) drawn = DrawVideo(item.sample.get());
  if (FAILED(drawn)) return 0;
  if (request_.write && drawn == S_OK && FAILED(WriteItem(item, isVideo))) return 0;
  return SUCCEEDED(CheckDevice()) ? 1 : 0;
}

HRESULT CMovieCapture::WriteItem(const ReadItem& item, bool isVideo) {
  const DWORD stream = reader_->WriterStreamOf(item.stream);
  if (item.flags & MF_SOURCE_READERF_STREAMTICK) {
    return TRACED(writer_->sink()->SendStreamTick(stream, item.time));
  }
  if (!item.sample) return S_OK;
  HRESULT hr = S_OK;
  if (isVideo) {
    if (frame_.empty()) return S_OK;
    hr = TRACED(writer_->WriteSample(stream, frame_.data(), frame_.size(), item.time, item.duration));
    if (SUCCEEDED(hr)) {
      if (framesWritten_ < UINT32_MAX) ++framesWritten_;
      PostProgress();
    }
    return hr;
  }
  if (request_.removeAudio) {
    return TRACED(writer_->WriteSample(stream, silentAudio_.data(), silentAudio_.size(), item.time,
                                       item.duration));
  }
  // Every buffer of the sample, not only the first.
  quill::com::ComPtr<IMFMediaBuffer> buffer;
  hr = TRACED(item.sample->ConvertToContiguousBuffer(buffer.put()));
  BYTE* data = nullptr;
  DWORD length = 0;
  if (SUCCEEDED(hr)) hr = TRACED(buffer->Lock(&data, nullptr, &length));
  if (FAILED(hr)) return hr;
  if (length > 0) hr = TRACED(writer_->WriteSample(stream, data, length, item.time, item.duration));
  buffer->Unlock();
  return hr;
}

void CMovieCapture::PostProgress() {
  const uint32_t counter = framesWritten_ < total_ ? framesWritten_ : total_;
  uint32_t value = 0;
  if (ProgressValue(total_, counter, request_.progressOffsetPercent, &value) && owner_) {
    PostMessageW(owner_, kProgressMessage, value, static_cast<LPARAM>(total_));
  }
}

int CMovieCapture::CopyState(int action, int x, int y, std::vector<RECT>* masks) {
  masks_.OnPreviewMouse(action, x, y);
  if (masks) {
    try {
      *masks = masks_.masks();
    } catch (const std::bad_alloc&) {
      masks->clear();
    }
  }
  return 1;
}

void CMovieCapture::Close() {
  writer_.reset();
  processor_.Release();
  reader_.reset();
  ReleaseDevice();
}

CMovieCapture* CMovieCapture_Create(HWND owner) { return new (std::nothrow) CMovieCapture(owner); }

int CMovieCapture_Run(CMovieCapture* job, const ConvertRequest& request) {
  constexpr WPARAM kWholeBar = 100;
  if (!job) return CMovieCapture::kFailed;
  const float start = request.progressOffsetPercent;
  const WPARAM startPercent = start > 0 ? static_cast<WPARAM>(start < 100 ? start : 100) : 0;
  if (job->owner()) PostMessageW(job->owner(), CMovieCapture::kProgressMessage, startPercent, kWholeBar);
  const int result = job->Run(request);
  if (job->owner()) PostMessageW(job->owner(), CMovieCapture::kProgressMessage, kWholeBar, kWholeBar);
  return result;
}

int CMovieCapture_CopyState(CMovieCapture* job, int action, int x, int y, std::vector<RECT>* masks) {
  return job ? job->CopyState(action, x, y, masks) : 0;
}

}  // namespace playcore
