// The conversion job's flow: run on a worker, open, frame by frame, close, rewrite, clean up.
#include "playcore/converter/movie_capture.h"

#include <mfapi.h>
#include <mferror.h>
#include <objbase.h>

#include <cstring>
#include <new>

#include "playcore/converter/conversion_rules.h"
#include "playcore/converter/convert_trace.h"
#include "playcore/converter/copy_result.h"

namespace playcore {

namespace {

// The longest pause of the preview before one frame: a jump in the time stamps never stalls it.
constexpr uint32_t kMaxPreviewWaitMs = 1000;

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  return static_cast<double>(to.QuadPart - from.QuadPart) / frequency;
}

// Adds the time since it was made to one of the run's sums.
class StageTimer {
 public:
  explicit StageTimer(double* sum) : sum_(sum) { QueryPerformanceCounter(&start_); }
  ~StageTimer() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    *sum_ += Seconds(start_, now);
  }
  StageTimer(const StageTimer&) = delete;
  StageTimer& operator=(const StageTimer&) = delete;

 private:
  double* sum_;
  LARGE_INTEGER start_;
};

}  // namespace

bool PreviewCanvas::Create(HWND window, UINT width, UINT height) {
  Release();
  // The window's DC is needed only to make a compatible one, and goes back at once on the thread that
  // took it (the canvas itself may be released on another thread, after a later pass).
  const HDC windowDc = GetDC(window);
  if (!windowDc) return false;
  memory_ = CreateCompatibleDC(windowDc);
  ReleaseDC(window, windowDc);
  if (!memory_) {
    Release();
    return false;
  }
  SetStretchBltMode(memory_, COLORONCOLOR);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = static_cast<LONG>(width);
  info.bmiHeader.biHeight = static_cast<LONG>(height);  // bottom-up, as the frames are read back
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  dib_ = CreateDIBSection(memory_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!dib_ || !bits) {
    Release();
    return false;
  }
  bits_ = static_cast<uint8_t*>(bits);
  previous_ = SelectObject(memory_, dib_);
  return true;
}

void PreviewCanvas::Release() {
  if (memory_ && previous_) SelectObject(memory_, previous_);
  previous_ = nullptr;
  if (dib_) DeleteObject(dib_);
  dib_ = nullptr;
  bits_ = nullptr;
  if (memory_) DeleteDC(memory_);
  memory_ = nullptr;
}

CMovieCapture::CMovieCapture(HWND owner)
    : owner_(owner),
      window_(owner),
      sinkFactory_(CreateMediaFoundationSinkWriter),
      cancelEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      captureDone_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  bitmap_.SetSize(static_cast<int32_t>(kOutputWidth), static_cast<int32_t>(kOutputHeight), false);
}

CMovieCapture::~CMovieCapture() {
  bool running = false;
  {
    std::lock_guard<std::mutex> hold(workerLock_);
    running = workerRunning_;
  }
  // A worker still inside its call uses this job: wait for it (ReleaseOrHandOver does not).
  if (running && worker_) WaitForSingleObject(worker_.get(), INFINITE);
  Close();
  ReleaseDevice();
}

void CMovieCapture::ReleaseOrHandOver() {
  {
    std::lock_guard<std::mutex> hold(workerLock_);
    if (workerRunning_) {
      handedOver_ = true;
      return;
    }
  }
  delete this;
}

void CMovieCapture::Cancel() {
  cancel_.store(true);
  if (cancelEvent_) SetEvent(cancelEvent_.get());
  // A capture still waiting gets no frame any more.
  if (captureDone_) SetEvent(captureDone_.get());
}

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
  {
    std::lock_guard<std::mutex> hold(workerLock_);
    worker_.reset(thread);
    workerRunning_ = true;
  }
  ResumeThread(thread);
  HANDLE waits[2] = {thread, cancelEvent_.get()};
  const DWORD woke = WaitForMultipleObjects(cancelEvent_ ? 2 : 1, waits, FALSE, INFINITE);
  // Cancelled: the worker ends at its next step; one stuck inside a reader's or writer's call that
  // does not return is not waited for without end (closing the program would wait on it).
  if (woke != WAIT_OBJECT_0 && WaitForSingleObject(thread, cancelBoundMs_) == WAIT_TIMEOUT) return kCancelled;
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
      job->ReleaseDevice();
      hr = TRACED(E_OUTOFMEMORY);
    } catch (...) {
      job->Close();
      job->ReleaseDevice();
      hr = TRACED(E_UNEXPECTED);
    }
    MFShutdown();
  }
  job->result_ = hr;
  if (SUCCEEDED(com)) CoUninitialize();
  bool handedOver = false;
  {
    std::lock_guard<std::mutex> hold(job->workerLock_);
    job->workerRunning_ = false;
    handedOver = job->handedOver_;
  }
  if (handedOver) delete job;  // its owner let it go while this call was stuck
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
  times_ = {};
  roomVolume_.clear();
  roomShortfall_ = 0;
  paced_ = false;
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
  } catch (...) {
    // Anything else thrown on the way (a platform piece or a writer) fails the run here, so the
    // writer lets its file go below before the temporary file is deleted.
    hr = TRACED(E_UNEXPECTED);
  }
  Close();  // before the temporary file goes: the writer may hold it open
  // A conversion is one run; a preview keeps its device and engine for the next pass.
  if (request_.write || FAILED(hr)) ReleaseDevice();
  if (SUCCEEDED(hr) && !finished) hr = S_FALSE;  // cancelled
  if (hr == S_OK && request_.write) {
    const bool copied = CopyResult(temp.path, request_.destination, [this] { return cancel_.load(); });
    // A cancel during the rewrite leaves nothing under the destination's name.
    if (cancel_.load()) hr = copied ? S_OK : S_FALSE;
    else if (!copied) hr = TRACED(E_FAIL);
  }
  return hr;
}

HRESULT CMovieCapture::Open(const std::wstring& temp) {
  HRESULT hr = ReadyDevice();
  if (FAILED(hr)) return hr;
  try {
    reader_.reset(new MovieReader);
  } catch (const std::bad_alloc&) {
    return TRACED(E_OUTOFMEMORY);
  }
  // The preview shows only the picture: its sound is never read.
  ChCon streams;
  streams.mode = request_.write ? 2 : 1;
  hr = reader_->Open(request_.source.c_str(), streams, readerFactory_);
  if (FAILED(hr)) return hr;
  const VideoFormat& v = reader_->video();
  total_ = FrameCountFor(reader_->duration(), v.rateNumerator, v.rateDenominator);
  hr = PrepareSource();
  if (FAILED(hr) || !request_.write) return hr;
  hr = CheckRoom();
  if (FAILED(hr)) return hr;
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

HRESULT CMovieCapture::PrepareSource() {
  const VideoFormat& v = reader_->video();
  // The colour conversion of the transform takes packed frames of the picture's own size; any other
  // layout (a pitch or padded rows) is converted on the processor.
  processor_.Release();
  if (v.pitch != v.width || v.planeHeight != v.height ||
      FAILED(processor_.Create(v.width, v.height, v.rateNumerator, v.rateDenominator))) {
    processor_.Release();
  }
  if (sourceSurface_ && sourceWidth_ == v.width && sourceHeight_ == v.height) return S_OK;
  sourceSurface_.reset();
  sourceWidth_ = sourceHeight_ = 0;
  const HRESULT hr = TRACED(device_->CreateOffscreenPlainSurface(
      v.width, v.height, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, sourceSurface_.put(), nullptr));
  if (SUCCEEDED(hr)) {
    sourceWidth_ = v.width;
    sourceHeight_ = v.height;
  }
  return hr;
}

HRESULT CMovieCapture::CheckRoom() {
  const std::wstring folder = request_.destination.substr(0, request_.destination.find_last_of(L"\\/"));
  const uint64_t needed = ConversionRoomNeeded(reader_->duration(), MovieReader::kVideoBitRate,
                                               reader_->audioStream() != MovieReader::kNoStream);
  uint64_t freeBytes = 0;
  // A volume that cannot say its room is tried: the writer then fails on its own.
  if (!freeSpace_ || !freeSpace_(folder, &freeBytes) || needed < freeBytes) return S_OK;
  roomVolume_ = VolumeOfPath(folder);
  roomShortfall_ = needed - freeBytes + 1;
  return TRACED(HRESULT_FROM_WIN32(ERROR_DISK_FULL));
}

int CMovieCapture::ProcessFrame() {
  ReadItem item;
  HRESULT read = S_OK;
  {
    StageTimer timer(&times_.decodeSeconds);
    read = reader_->Next(&item);
  }
  if (FAILED(read)) return 0;
  if (read == S_FALSE) {
    if (!request_.write) return -1;
    StageTimer timer(&times_.writeSeconds);
    return SUCCEEDED(TRACED(writer_->sink()->Finalize())) ? -1 : 0;
  }
  // The decoder's new output type from this frame on: the surface and the conversion follow it.
  if (item.formatChanged && FAILED(PrepareSource())) return 0;
  const bool isVideo = reader_->KindOf(item.stream) == StreamKind::kVideo;
  HRESULT drawn = S_OK;
  if (isVideo && item.sample) {
    if (!request_.write && !PaceFrame(item.time)) return 1;  // cancelled while waiting
    StageTimer timer(&times_.renderSeconds);
    drawn = DrawVideo(item.sample.get());
    // A device lost in the middle of the frame (a driver reset, a display change): the frame is
    // drawn again on a new device and the conversion goes on.
    if (FAILED(drawn) && DeviceLost(drawn)) {
      if (FAILED(RebuildDevice())) return 0;
      drawn = DrawVideo(item.sample.get());
    }
    if (drawn == S_OK && times_.frames < UINT32_MAX) ++times_.frames;
  }
  if (FAILED(drawn)) return 0;
  if (request_.write && drawn == S_OK) {
    StageTimer timer(&times_.writeSeconds);
    if (FAILED(WriteItem(item, isVideo))) return 0;
  }
  return SUCCEEDED(CheckDevice()) ? 1 : 0;
}

bool CMovieCapture::PaceFrame(LONGLONG time) {
  const ULONGLONG now = GetTickCount64();
  if (!paced_) {
    paced_ = true;
    firstFrameTime_ = time;
    firstFrameTick_ = now;
    return !cancel_.load();
  }
  const uint32_t wait = PreviewWaitMs(time, firstFrameTime_, now - firstFrameTick_, kMaxPreviewWaitMs);
  if (wait == 0) return !cancel_.load();
  return WaitForSingleObject(cancelEvent_.get(), wait) == WAIT_TIMEOUT;
}

bool CMovieCapture::CapturePreviewFrame(std::vector<uint8_t>* bgra, DWORD waitMs) {
  if (!bgra || !captureDone_) return false;
  {
    std::lock_guard<std::mutex> hold(captureLock_);
    captured_.clear();
    captureWanted_ = true;
    ResetEvent(captureDone_.get());
  }
  const bool woke = WaitForSingleObject(captureDone_.get(), waitMs) == WAIT_OBJECT_0;
  std::lock_guard<std::mutex> hold(captureLock_);
  captureWanted_ = false;
  if (!woke || captured_.empty()) return false;
  bgra->swap(captured_);
  captured_.clear();
  return true;
}

void CMovieCapture::DeliverCapture(const std::vector<uint8_t>& frame) {
  const size_t bytes = static_cast<size_t>(kOutputWidth) * kOutputHeight * 4;
  if (frame.size() < bytes || !canvas_.exists()) return;
  // The frame goes into the canvas once, and out of it to the one who asked.
  std::memcpy(canvas_.bits(), frame.data(), bytes);
  GdiFlush();
  std::lock_guard<std::mutex> hold(captureLock_);
  if (!captureWanted_) return;
  try {
    captured_.assign(canvas_.bits(), canvas_.bits() + bytes);
  } catch (const std::bad_alloc&) {
    captured_.clear();
  }
  captureWanted_ = false;
  SetEvent(captureDone_.get());
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
