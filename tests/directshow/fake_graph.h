// A graph session that plays nothing: it records what the instance asks of it, answers from its
// own words, and posts its event notice the way a filter graph does.
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "playcore/dshow/graph_session.h"

namespace playcore::test {

class FakeGraph : public dshow::GraphSession {
 public:
  FakeGraph();
  ~FakeGraph() override;

  // The fakes made by the factory (the latest last); cleared by Install.
  static std::vector<FakeGraph*>& made();
  static int alive();  // fakes not yet deleted
  // Makes the instances' sessions fakes from here on, each set up by `configure` when given.
  static void Install(void (*configure)(FakeGraph*) = nullptr);
  static void Uninstall();

  HRESULT Create(HWND) override { return Step("Create", createResult); }
  HRESULT Render(const wchar_t*) override { return Step("Render", renderResult); }
  HRESULT SetUp(HWND window, UINT message) override;
  void Close() override { calls.push_back("Close"); ++closes; }
  dshow::RendererKind renderer() const override { return dshow::kRendererVmr9; }
  bool hasAudio() const override { return audio; }

  HRESULT Run() override;
  HRESULT Pause() override { running = false; return Step("Pause", S_OK); }
  HRESULT StopWhenReady() override { running = false; return Step("StopWhenReady", S_OK); }
  HRESULT GetCurrentPosition(LONGLONG* time) override;
  HRESULT GetDuration(LONGLONG* time) override { *time = stop; return S_OK; }
  HRESULT GetStopPosition(LONGLONG* time) override { *time = stop; return S_OK; }
  HRESULT SetCurrentPosition(LONGLONG time) override;
  HRESULT GetCapabilities(DWORD* capabilities) override { *capabilities = this->capabilities; return S_OK; }
  HRESULT PutRate(double rate) override;
  HRESULT PutVolume(long volume) override;
  HRESULT GetNativeSize(LONG* width, LONG* height) override;
  HRESULT TakeEvent(long* code) override;

  // Settings.
  HRESULT createResult = S_OK;
  HRESULT renderResult = S_OK;
  bool audio = true;
  DWORD capabilities = 0x1 | 0x2;  // absolute seeks, forward
  LONGLONG stop = 60 * dshow::kGraphUnit;
  LONGLONG current = 0;
  // What was asked.
  std::vector<std::string> calls;  // operations in order (not the reads)
  std::vector<double> rates;
  std::vector<long> volumes;
  int closes = 0;
  bool running = false;

 private:
  HRESULT Step(const char* name, HRESULT result) {
    calls.push_back(name);
    return result;
  }
  // Queues an event and posts the notice, as the graph does when one waits.
  void Notify(long code);

  HWND window_ = nullptr;
  UINT message_ = 0;
  std::deque<long> events_;
};

}  // namespace playcore::test
