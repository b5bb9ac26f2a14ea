// The conversion job: turns one recording into an upload file (the fisheye picture unrolled into a
// 1920 x 960 panorama, the mask areas covered by mosaic, the sound kept or replaced by silent AAC
// frames, written through the sink writer and rewritten with "moov" first), or runs the same
// pipeline as a live preview that only presents frames into the owner window.
//
// Use: make one job per conversion (or one per preview pane), then Run() on any thread but the
// owner window's (one Run at a time): Run starts the worker thread and waits for it; the owner
// window's thread must keep pumping messages meanwhile (the device presents into that window).
// Cancel() from any thread stops the run before its next frame (a preview's wait for its next
// frame too) and makes every later Run answer kCancelled at once (a preview loop stops by it).
// CopyState() passes the preview pane's mouse actions in and the mask areas out.
//
// A preview job keeps its device, the picture engine with its grid, its sprite and its drawing
// canvas from its first run to its destruction: each later pass only opens the recording again.
// A conversion releases everything at the end of its run.
//
// Threads and fields:
//   caller of Run   request_, the factories, workSize_ (set before the worker starts, read by it)
//   worker          every Direct3D, Media Foundation and file object; frame_, counters, result_,
//                   times_ (read by the caller after Run)
//   any thread      cancel_ and cancelEvent_, masks_ (MaskEditor, its own lock), the capture
//                   request (captureLock_), the worker's running and handed-over words (workerLock_)
// Lock order: MaskEditor's lock, then the picture engine's lock, never the other way (the worker
// copies the masks out of the editor before it takes the engine's lock to draw). captureLock_ and
// workerLock_ are taken alone.
// A run cancelled while its worker is stuck in a platform call returns without it (kCancelBoundMs);
// the job is then released with ReleaseOrHandOver (MovieCapturePtr), and the worker deletes it.
#pragma once

#include <windows.h>
#include <d3d9.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/com/com_ptr.h"
#include "platform/framework/private_messages.h"
#include "playcore/converter/mask_editor.h"
#include "playcore/converter/movie_reader.h"
#include "playcore/converter/picture_frame.h"
#include "playcore/converter/sink_writer.h"
#include "playcore/converter/video_processor.h"
#include "playcore/scene/raw_obj.h"

namespace playcore {

// What one run does.
struct ConvertRequest {
  std::wstring source;
  std::wstring destination;  // the finished file; unused in preview
  bool write = true;         // false: preview only, nothing written
  bool removeAudio = false;  // the sound replaced by silent AAC frames
  float progressOffsetPercent = 0.0f;  // share of the progress bar already used (a join before)
  UINT overlayImage = 0;     // "PNG" resource drawn over the top third; 0 for none
  UINT spriteImage = 0;      // the second "PNG" resource the engine keeps; 0 for none
};

// Where the time of a run went, summed over its frames (QueryPerformanceCounter ticks turned into
// seconds): reading and decoding, drawing (colour conversion, panorama, read-back, mosaic) and
// handing the frames to the writer.
struct ConvertTimes {
  uint32_t frames = 0;
  double decodeSeconds = 0, renderSeconds = 0, writeSeconds = 0;
};

// Free bytes available to the caller on the volume of a folder; false when they cannot be told. The
// owner gives the query (the application's free-space function); without one no room is checked.
using FreeSpaceQuery = std::function<bool(const std::wstring& folder, uint64_t* freeBytes)>;

// The drawing canvas of a preview: the owner's DC, a memory DC (stretch mode COLORONCOLOR) and a
// 1920 x 960 32-bit DIB section selected into it, the previous bitmap kept for the release. A frame
// of the preview can be copied into it (CMovieCapture::CapturePreviewFrame).
class PreviewCanvas {
 public:
  PreviewCanvas() = default;
  ~PreviewCanvas() { Release(); }
  PreviewCanvas(const PreviewCanvas&) = delete;
  PreviewCanvas& operator=(const PreviewCanvas&) = delete;
  bool Create(HWND window, UINT width, UINT height);
  void Release();
  bool exists() const { return memory_ != nullptr; }
  // Bottom-up BGRA rows of the DIB (width * 4 bytes each).
  uint8_t* bits() const { return bits_; }
  HDC dc() const { return memory_; }

 private:
  HDC memory_ = nullptr;
  HBITMAP dib_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  uint8_t* bits_ = nullptr;
};

class CMovieCapture {
 public:
  static constexpr UINT kOutputWidth = 1920;
  static constexpr UINT kOutputHeight = 960;
  // Progress to the owner: wParam the value, lParam the frame total.
  static constexpr UINT kProgressMessage = quill::msg::kProgress;
  // The job's two message ids and the start of its two index words; no message of the job uses them.
  static constexpr UINT kMessageIds[2] = {370, 371};
  static constexpr int kNoIndex = -1;
  enum RunResult { kSucceeded = 0, kFailed = 1, kCancelled = 2 };

  // `owner` is the device window (the preview pane, or the main window in conversion) and gets the
  // progress messages; it must belong to a thread that keeps pumping messages during Run.
  explicit CMovieCapture(HWND owner);
  ~CMovieCapture();
  CMovieCapture(const CMovieCapture&) = delete;
  CMovieCapture& operator=(const CMovieCapture&) = delete;

  // Tests and other hosts replace the platform's sink writer, source reader and free-space query.
  void SetSinkWriterFactory(SinkWriterFactory factory) { sinkFactory_ = std::move(factory); }
  void SetSourceReaderFactory(SourceReaderFactory factory) { readerFactory_ = std::move(factory); }
  void SetFreeSpaceQuery(FreeSpaceQuery query) { freeSpace_ = std::move(query); }
  // Stands in for the device's own answers (tests lose the device this way): asked before each frame
  // is drawn (`beforeDraw`, a failure fails that draw) and whenever the device's state is read.
  void SetDeviceCheck(std::function<HRESULT(bool beforeDraw)> check) { deviceCheck_ = std::move(check); }
  // The work area's size of the owner's monitor: the picture is never presented beyond it.
  void SetWorkSize(UINT width, UINT height) {
    workWidth_ = width;
    workHeight_ = height;
  }

  // Runs the request on the worker thread to its end. After a Cancel it waits at most the cancel
  // bound more: a worker stuck in a platform call that does not return is left to end on its own
  // (the run counts as cancelled; the job is then released with ReleaseOrHandOver).
  RunResult Run(const ConvertRequest& request);
  void Cancel();
  // The bound is long enough for a whole frame on a slow machine (over a second with a software
  // renderer, several under load): a worker left drawing would race the players' close that follows
  // a cancelled run. Only a call that is really stuck outlasts it.
  static constexpr DWORD kCancelBoundMs = 30000;
  // Test seam: a shorter bound, set before Run.
  void SetCancelBound(DWORD ms) { cancelBoundMs_ = ms; }
  // Deletes the job now, or hands it to its worker when one still runs (that worker deletes it when
  // its call returns). A job must not be used after this.
  void ReleaseOrHandOver();

  // A mouse action of the preview pane (1 down, 2 move, 3 up, 4 undo, 5 delete all; x and y in the
  // 1000-pixel-wide pane), then the current mask areas into `masks` (may be null). Always 1.
  int CopyState(int action, int x, int y, std::vector<RECT>* masks);
  void SetMasks(const std::vector<RECT>& masks) { masks_.SetMasks(masks); }
  std::vector<RECT> masks() const { return masks_.masks(); }

  // The next frame a running preview presents, outlines and band included, as it was presented
  // (bottom-up 1920 x 960 BGRA): the worker copies it into the canvas once and this copies it out.
  // False when no frame came within `waitMs` (a hang guard) or the run ended first.
  bool CapturePreviewFrame(std::vector<uint8_t>* bgra, DWORD waitMs);

  // The last run's outcome: S_OK, S_FALSE when cancelled, or the failure.
  HRESULT result() const { return result_; }
  uint32_t framesWritten() const { return framesWritten_; }
  uint32_t frameTotal() const { return total_; }
  HWND owner() const { return owner_; }
  const ConvertTimes& times() const { return times_; }
  // How many times this job built its device and picture engine (a preview builds them once).
  uint32_t enginesBuilt() const { return enginesBuilt_; }
  // After a run refused for lack of room (HRESULT_FROM_WIN32(ERROR_DISK_FULL)): the volume of the
  // destination and the bytes it lacks; else empty and 0.
  const std::wstring& roomVolume() const { return roomVolume_; }
  uint64_t roomShortfall() const { return roomShortfall_; }
  const CWindowCapture& windowCapture() const { return window_; }
  const CBitmapFrame& frameBitmap() const { return bitmap_; }
  int index(int which) const { return which == 0 || which == 1 ? index_[which] : kNoIndex; }

  // The worker's body; public so a host that is already on a worker can run it in place.
  HRESULT Convert();

 private:
  static DWORD WINAPI ConvertThread(void* self);
  HRESULT Open(const std::wstring& temp);
  HRESULT CreateDevice();
  HRESULT CreateEngine();
  // The device and engine of an earlier preview pass when they are still usable, else new ones.
  HRESULT ReadyDevice();
  void ReleaseDevice();
  // Where frames are presented in the owner: its client area, kept within the work size.
  std::optional<RECT> PresentArea() const;
  HRESULT CheckRoom();
  // The source surface and the colour conversion for the reader's current picture format.
  HRESULT PrepareSource();
  int ProcessFrame();
  // S_FALSE when the frame gave no picture (nothing to write).
  HRESULT DrawVideo(IMFSample* sample);
  HRESULT WriteItem(const ReadItem& item, bool isVideo);
  HRESULT CheckDevice();
  // True when the device is lost (`drawn` says so, or the device does).
  bool DeviceLost(HRESULT drawn);
  HRESULT RebuildDevice();
  // The preview's pause until a frame is due; false when cancelled meanwhile.
  bool PaceFrame(LONGLONG time);
  void DeliverCapture(const std::vector<uint8_t>& frame);
  void PostProgress();
  void Close();

  HWND owner_;
  // The capture objects of the job: the owner window's drawing surfaces and the description of one
  // output frame as a 32-bit bitmap; made with the job, released with it.
  CWindowCapture window_;
  CBitmapFrame bitmap_;
  int index_[2] = {kNoIndex, kNoIndex};
  ConvertRequest request_;
  SinkWriterFactory sinkFactory_;
  SourceReaderFactory readerFactory_;
  FreeSpaceQuery freeSpace_;
  std::function<HRESULT(bool beforeDraw)> deviceCheck_;
  UINT workWidth_ = 0, workHeight_ = 0;
  // The worker of the last run, while it may still be running (after a run that gave up on it).
  // workerLock_ guards the two words.
  quill::com::Handle worker_;
  std::mutex workerLock_;
  bool workerRunning_ = false;
  DWORD cancelBoundMs_ = kCancelBoundMs;
  bool handedOver_ = false;  // released while its worker ran: the worker deletes the job
  std::atomic<bool> cancel_{false};
  quill::com::Handle cancelEvent_;
  MaskEditor masks_{static_cast<int>(kOutputWidth)};

  quill::com::ComPtr<IDirect3D9> d3d_;
  quill::com::ComPtr<IDirect3D9Ex> d3dEx_;
  quill::com::ComPtr<IDirect3DDevice9> device_;
  quill::com::ComPtr<IDirect3DDevice9Ex> deviceEx_;
  quill::com::ComPtr<IDirect3DSurface9> sourceSurface_;
  D3DPRESENT_PARAMETERS present_ = {};
  std::unique_ptr<D3dxRuntime> d3dx_;
  quill::com::ComPtr<IUnknown> sprite_;  // the job's own sprite (ID3DXSprite)
  std::unique_ptr<D3DRawObj1> engine_;
  PreviewCanvas canvas_;
  UINT sourceWidth_ = 0, sourceHeight_ = 0;  // the source surface's size
  std::unique_ptr<MovieReader> reader_;
  std::unique_ptr<MovieWriter> writer_;
  VideoProcessor processor_;  // the colour conversion when the platform has one
  std::vector<uint8_t> frame_;       // the converted frame, bottom-up BGRA
  std::vector<uint8_t> silentAudio_;  // the stored silent AAC frame of the source's channels
  uint32_t total_ = 0;
  uint32_t framesWritten_ = 0;
  HRESULT result_ = S_OK;
  ConvertTimes times_;
  uint32_t enginesBuilt_ = 0;
  std::wstring roomVolume_;
  uint64_t roomShortfall_ = 0;
  // The preview's clock: the first frame's time and when it was shown.
  bool paced_ = false;
  LONGLONG firstFrameTime_ = 0;
  ULONGLONG firstFrameTick_ = 0;
  // A capture asked of the running preview: the worker fills captured_ and sets captureDone_.
  std::mutex captureLock_;
  bool captureWanted_ = false;
  std::vector<uint8_t> captured_;
  quill::com::Handle captureDone_;
};

// The capture object's entry points, as the conversion commands and the conversion-mask dialog call
// them. Create: a job for `owner`, null when out of memory (delete it when done). Run: posts
// kProgressMessage (start percent, 100) to the owner, runs the request to its end, posts it again
// (100, 100), and answers the run's RunResult (0 done, 1 failed, 2 cancelled). CopyState: one
// mouse action of the preview pane, then the current mask areas into `masks`; always 1.
CMovieCapture* CMovieCapture_Create(HWND owner);
// The owner of a job made by CMovieCapture_Create: ReleaseOrHandOver, never a plain delete.
struct CMovieCaptureRelease {
  void operator()(CMovieCapture* job) const {
    if (job) job->ReleaseOrHandOver();
  }
};
using MovieCapturePtr = std::unique_ptr<CMovieCapture, CMovieCaptureRelease>;
int CMovieCapture_Run(CMovieCapture* job, const ConvertRequest& request);
int CMovieCapture_CopyState(CMovieCapture* job, int action, int x, int y, std::vector<RECT>* masks);

}  // namespace playcore
