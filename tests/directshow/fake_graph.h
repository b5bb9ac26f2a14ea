// A graph session that plays nothing: it records what the instance asks of it, answers from its own
// words, and posts its event notice the way a filter graph does (a running graph sought to its stop
// position has played to its end).
#pragma once

#include <windows.h>
#include <objbase.h>

#include <cstring>

#include <deque>
#include <string>
#include <vector>

#include "playcore/dshow/graph_session.h"

namespace playcore::test {

// One frame of a 30 fps movie and one second, in the graph's 100-ns units.
constexpr LONGLONG kFrame30 = 333333;
constexpr LONGLONG kSecond = 10000000;

class FakeGraph : public dshow::GraphSession {
 public:
  FakeGraph() { ++alive(); }
  ~FakeGraph() override { --alive(); }
  static int& alive() {  // fakes not yet deleted
    static int count = 0;
    return count;
  }
  // The fakes made since Install (the latest last); each answers Create and Render with `create` and
  // `render`.
  static std::vector<FakeGraph*>& made() {
    static std::vector<FakeGraph*> fakes;
    return fakes;
  }
  // The length of the movies the fakes made from now on play.
  static LONGLONG& nextStop() {
    static LONGLONG stop = 2 * kSecond;
    return stop;
  }
  static void Install(HRESULT create = S_OK, HRESULT render = S_OK) {
    made().clear();
    static HRESULT answers[2];
    answers[0] = create;
    answers[1] = render;
    dshow::SetGraphFactory([]() -> dshow::GraphSession* {
      auto* fake = new FakeGraph;
      fake->createResult = answers[0];
      fake->renderResult = answers[1];
      fake->stop = nextStop();
      made().push_back(fake);
      return fake;
    });
  }
  static void Uninstall() { dshow::SetGraphFactory(nullptr); }

  HRESULT Create(HWND) override { return Call("Create", createResult); }
  HRESULT Render(const wchar_t*) override { return Call("Render", renderResult); }
  HRESULT SetUp(HWND window, UINT message) override {
    window_ = window;
    message_ = message;
    return Call("SetUp", S_OK);
  }
  void Close() override { Call("Close", S_OK); }
  HRESULT PlaceVideo(const RECT& dest, bool keepAspect) override {
    placed = dest;
    letterBoxed = keepAspect;
    return Call("PlaceVideo", S_OK);
  }
  HRESULT RepaintVideo(HWND) override { return Call("RepaintVideo", kind == dshow::kRendererVideoWindow ? S_FALSE : S_OK); }
  dshow::RendererKind renderer() const override { return kind; }
  bool hasAudio() const override { return audio; }
  HRESULT Run() override { return running = true, Call("Run", S_OK); }
  HRESULT Pause() override { return running = false, Call("Pause", S_OK); }
  HRESULT StopWhenReady() override { return running = false, Call("StopWhenReady", S_OK); }
  HRESULT GetCurrentPosition(LONGLONG* time) override { return *time = current, readResult; }
  HRESULT GetDuration(LONGLONG* time) override { return *time = stop, readResult; }
  HRESULT GetStopPosition(LONGLONG* time) override { return *time = stop, S_OK; }
  HRESULT SetCurrentPosition(LONGLONG time) override {
    current = time;
    if (running && current >= stop) Notify(0x01);  // EC_COMPLETE
    return Call("Seek " + std::to_string(time / kFrame30), S_OK);
  }
  HRESULT GetCapabilities(DWORD* caps) override { return *caps = capabilities, S_OK; }
  HRESULT PutRate(double rate) override { return rates.push_back(rate), S_OK; }
  HRESULT PutVolume(long volume) override { return audio ? volumes.push_back(volume), S_OK : E_NOTIMPL; }
  HRESULT GetNativeSize(LONG* width, LONG* height) override { return *width = 1280, *height = 720, S_OK; }
  // The picture handed out: a copy of `picture` (a packed DIB) in CoTaskMemAlloc'd memory.
  HRESULT GetCurrentImage(BYTE** dib, DWORD* size) override {
    *dib = nullptr;
    *size = 0;
    if (picture.empty()) return E_NOTIMPL;
    *dib = static_cast<BYTE*>(CoTaskMemAlloc(picture.size()));
    if (!*dib) return E_OUTOFMEMORY;
    memcpy(*dib, picture.data(), picture.size());
    *size = static_cast<DWORD>(picture.size());
    return S_OK;
  }
  // Each overlay handed to the mixer: whether it had a bitmap, and where it went.
  struct Overlay {
    bool bitmap;
    RECT source;
    float place[4];
  };
  HRESULT SetOverlayBitmap(HDC dc, const RECT& source, const float place[4]) override {
    overlays.push_back({dc != nullptr, source, {place[0], place[1], place[2], place[3]}});
    return S_OK;
  }
  HRESULT TakeEvent(long* code) override {
    if (events_.empty()) return E_ABORT;
    *code = events_.front();
    events_.pop_front();
    return S_OK;
  }

  HRESULT createResult = S_OK;
  HRESULT renderResult = S_OK;
  bool audio = true;
  dshow::RendererKind kind = dshow::kRendererVmr9;
  DWORD capabilities = 0x1 | 0x2;  // absolute seeks, forward
  HRESULT readResult = S_OK;  // the answer of the position and length reads
  LONGLONG stop = 2 * kSecond;  // 60 frames at 30 fps
  LONGLONG current = 0;
  bool running = false;
  std::vector<std::string> calls;  // operations in order (not the reads)
  std::vector<double> rates;
  std::vector<long> volumes;
  RECT placed = {};          // the last PlaceVideo
  bool letterBoxed = false;
  std::vector<BYTE> picture;      // empty: no picture to give
  std::vector<Overlay> overlays;

 private:
  HRESULT Call(const std::string& name, HRESULT result) {
    calls.push_back(name);
    return result;
  }
  void Notify(long code) {
    events_.push_back(code);
    if (window_) PostMessageW(window_, message_, 0, 0);
  }
  HWND window_ = nullptr;
  UINT message_ = 0;
  std::deque<long> events_;
};

}  // namespace playcore::test
