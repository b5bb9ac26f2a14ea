#include "tests/directshow/fake_graph.h"

namespace playcore::test {

namespace {

constexpr long kEventComplete = 0x01;
int g_alive = 0;
void (*g_configure)(FakeGraph*) = nullptr;

dshow::GraphSession* MakeFake() {
  auto* fake = new FakeGraph;
  if (g_configure) g_configure(fake);
  FakeGraph::made().push_back(fake);
  return fake;
}

}  // namespace

FakeGraph::FakeGraph() { ++g_alive; }
FakeGraph::~FakeGraph() { --g_alive; }

std::vector<FakeGraph*>& FakeGraph::made() {
  static std::vector<FakeGraph*> fakes;
  return fakes;
}

int FakeGraph::alive() { return g_alive; }

void FakeGraph::Install(void (*configure)(FakeGraph*)) {
  made().clear();
  g_configure = configure;
  dshow::SetGraphFactory(MakeFake);
}

void FakeGraph::Uninstall() {
  dshow::SetGraphFactory(nullptr);
  g_configure = nullptr;
  made().clear();
}

HRESULT FakeGraph::SetUp(HWND window, UINT message) {
  window_ = window;
  message_ = message;
  return Step("SetUp", S_OK);
}

HRESULT FakeGraph::Run() {
  running = true;
  return Step("Run", S_OK);
}

HRESULT FakeGraph::GetCurrentPosition(LONGLONG* time) {
  *time = current;
  return S_OK;
}

// A running graph sought to its stop position has played to its end.
HRESULT FakeGraph::SetCurrentPosition(LONGLONG time) {
  calls.push_back("Seek " + std::to_string(time / dshow::kGraphUnit));
  current = time;
  if (running && current >= stop) Notify(kEventComplete);
  return S_OK;
}

HRESULT FakeGraph::PutRate(double rate) {
  rates.push_back(rate);
  return S_OK;
}

HRESULT FakeGraph::PutVolume(long volume) {
  if (!audio) return E_NOTIMPL;
  volumes.push_back(volume);
  return S_OK;
}

HRESULT FakeGraph::GetNativeSize(LONG* width, LONG* height) {
  *width = 1280;
  *height = 720;
  return S_OK;
}

HRESULT FakeGraph::TakeEvent(long* code) {
  if (events_.empty()) return E_ABORT;
  *code = events_.front();
  events_.pop_front();
  return S_OK;
}

void FakeGraph::Notify(long code) {
  events_.push_back(code);
  if (window_) PostMessageW(window_, message_, 0, 0);
}

}  // namespace playcore::test
