// The conversion job: turns one recording into an upload file (the fisheye picture unrolled into a
// 1920 x 960 panorama, the mask areas covered by mosaic, the sound kept or replaced by silent AAC
// frames, written through the sink writer and rewritten with "moov" first), or runs the same
// pipeline as a live preview that only presents frames into the owner window.
//
// Use: make one job per conversion (or one per preview pane), then Run() on any thread but the
// owner window's (one Run at a time): Run starts the worker thread and waits for it; the owner
// window's thread must keep pumping messages meanwhile (the device presents into that window). Cancel() from any thread stops the
// run before its next frame and makes every later Run answer kCancelled at once (a preview loop
// stops by it). CopyState() passes the preview pane's mouse actions in and the mask areas out.
//
// Threads and fields:
//   caller of Run   request_, sinkFactory_ (set before the worker starts, read by it afterwards)
//   worker          every Direct3D, Media Foundation and file object; frame_, counters, result_
//   any thread      cancel_ (atomic), masks_ (MaskEditor, its own lock)
// Lock order: MaskEditor's lock, then the picture engine's lock, never the other way (the worker
// copies the masks out of the editor before it takes the engine's lock to draw).
#pragma once

#include <windows.h>
#include <d3d9.h>

#include <atomic>
#include <cstdint>
#include <memory>
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

  // Tests and other hosts replace the platform's sink writer.
  void SetSinkWriterFactory(SinkWriterFactory factory) { sinkFactory_ = std::move(factory); }

  // Runs the request on the worker thread to its end.
  RunResult Run(const ConvertRequest& request);
  void Cancel() { cancel_.store(true); }
  bool cancelled() const { return cancel_.load(); }

  // A mouse action of the preview pane (1 down, 2 move, 3 up, 4 undo, 5 delete all; x and y in the
  // 1000-pixel-wide pane), then the current mask areas into `masks` (may be null). Always 1.
  int CopyState(int action, int x, int y, std::vector<RECT>* masks);
  void SetMasks(const std::vector<RECT>& masks) { masks_.SetMasks(masks); }
  std::vector<RECT> masks() const { return masks_.masks(); }

  // The last run's outcome: S_OK, S_FALSE when cancelled, or the failure.
  HRESULT result() const { return result_; }
  uint32_t framesWritten() const { return framesWritten_; }
  uint32_t frameTotal() const { return total_; }
  HWND owner() const { return owner_; }
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
  void ReleaseDevice();
  int ProcessFrame();
  // S_FALSE when the frame gave no picture (nothing to write).
  HRESULT DrawVideo(IMFSample* sample);
  HRESULT WriteItem(const ReadItem& item, bool isVideo);
  HRESULT CheckDevice();
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
  std::atomic<bool> cancel_{false};
  MaskEditor masks_{static_cast<int>(kOutputWidth)};

  quill::com::ComPtr<IDirect3D9> d3d_;
  quill::com::ComPtr<IDirect3D9Ex> d3dEx_;
  quill::com::ComPtr<IDirect3DDevice9> device_;
  quill::com::ComPtr<IDirect3DDevice9Ex> deviceEx_;
  quill::com::ComPtr<IDirect3DSurface9> sourceSurface_;
  D3DPRESENT_PARAMETERS present_ = {};
  std::unique_ptr<D3dxRuntime> d3dx_;
  std::unique_ptr<D3DRawObj1> engine_;
  std::unique_ptr<MovieReader> reader_;
  std::unique_ptr<MovieWriter> writer_;
  VideoProcessor processor_;  // the colour conversion when the platform has one
  std::vector<uint8_t> frame_;       // the converted frame, bottom-up BGRA
  std::vector<uint8_t> silentAudio_;  // the stored silent AAC frame of the source's channels
  uint32_t total_ = 0;
  uint32_t framesWritten_ = 0;
  HRESULT result_ = S_OK;
};

// The capture object's entry points, as the conversion commands and the conversion-mask dialog call
// them. Create: a job for `owner`, null when out of memory (delete it when done). Run: posts
// WM_APP+8 (start percent, 100) to the owner, runs the request to its end, posts WM_APP+8
// (100, 100), and answers the run's RunResult (0 done, 1 failed, 2 cancelled). CopyState: one
// mouse action of the preview pane, then the current mask areas into `masks`; always 1.
CMovieCapture* CMovieCapture_Create(HWND owner);
int CMovieCapture_Run(CMovieCapture* job, const ConvertRequest& request);
int CMovieCapture_CopyState(CMovieCapture* job, int action, int x, int y, std::vector<RECT>* masks);

}  // namespace playcore
