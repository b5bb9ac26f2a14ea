#include "tests/player/player_test_util.h"

#include <map>
#include <mutex>
#include <sstream>

#include "playcore/instances/hresult_error.h"
#include "playcore/instances/instance_ops.h"
#include "playcore/instances/player_bridge.h"
#include "playcore/player/mf_activate.h"
#include "playcore/scene/view_settings.h"
#include "tests/support/test_env.h"

namespace playcore::test {

namespace {

std::mutex g_mutex;
std::map<HWND, std::vector<PostedMessage>> g_posted;
ProbeRenderer* g_probes[kPlayerCount] = {};
volatile LONG g_errorBoxes = 0;
std::wstring g_lastErrorBox;  // guarded by g_mutex
bool g_sceneInProbes = false;
bool g_decodeInProbes = true;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message >= WM_APP) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_posted[window].push_back({message, lParam, GetTickCount()});
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

const wchar_t* WindowClass() {
  static const wchar_t* name = [] {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = RecordingProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QuillPlayerTestPane";
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    RegisterClassW(&wc);
    return L"QuillPlayerTestPane";
  }();
  return name;
}

int WINAPI SilentBox(HWND, LPCWSTR text, LPCWSTR, UINT) {
  InterlockedIncrement(&g_errorBoxes);
  std::lock_guard<std::mutex> lock(g_mutex);
  g_lastErrorBox = text ? text : L"";
  return IDOK;
}

// The engine deletes what it draws with together with its presenter, which may go (a close, a
// rebuild) while a test still reads the probe ProbeOf gave it: that read met a freed probe (a
// mutex that threw, a vector of garbage length). So the engine gets this forwarder, and the probe
// itself stays for the life of the program, only its drawing part freed with the forwarder.
class ProbeHandle : public FrameRenderer {
 public:
  explicit ProbeHandle(ProbeRenderer* probe) : probe_(probe) {}
  ~ProbeHandle() override { probe_->ReleaseInner(); }
  HRESULT Prepare(IDirect3DDevice9* device, UINT width, UINT height, int mode) override {
    return probe_->Prepare(device, width, height, mode);
  }
  HRESULT Draw(const FrameTarget& target, IMFSample* sample, IDirect3DSurface9* frame) override {
    return probe_->Draw(target, sample, frame);
  }
  void ReleaseDevice() override { probe_->ReleaseDevice(); }
  CSphereModel* scene() override { return probe_->scene(); }
  D3DRawObj2* flat() override { return probe_->flat(); }

 private:
  ProbeRenderer* probe_;
};

std::vector<std::unique_ptr<ProbeRenderer>> g_keptProbes;  // g_mutex

void OnPresenter(EVRCustomPresenter* presenter, const sVIEWSETTINGS* owner) {
  for (int i = 0; i < kPlayerCount; ++i) {
    if (owner != bridge::ViewSettings(&g_PlayerInstance[i])) continue;
    auto* probe = g_sceneInProbes ? new ProbeRenderer(CreateSceneRenderer()) : new ProbeRenderer();
    probe->DecodeEveryFrame(g_decodeInProbes);
    {
      std::lock_guard<std::mutex> lock(g_mutex);
      g_keptProbes.emplace_back(probe);
    }
    presenter->engine()->SetRenderer(std::make_unique<ProbeHandle>(probe));
    std::lock_guard<std::mutex> lock(g_mutex);
    g_probes[i] = probe;
  }
}

}  // namespace

PaneWindows::PaneWindows(int x, int width, int height) {
  parent_ = CreateWindowExW(0, WindowClass(), L"pane parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, 0,
                            width, height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  pane_ = CreateWindowExW(0, WindowClass(), L"pane", WS_CHILD | WS_VISIBLE, 0, 0, width, height,
                          parent_, nullptr, GetModuleHandleW(nullptr), nullptr);
  Pump(20);
}

PaneWindows::~PaneWindows() {
  Clear();
  if (parent_) DestroyWindow(parent_);
}

std::vector<PostedMessage> PaneWindows::messages(UINT message) const {
  std::lock_guard<std::mutex> lock(g_mutex);
  std::vector<PostedMessage> found;
  for (HWND w : {parent_, pane_}) {
    for (const PostedMessage& m : g_posted[w]) {
      if (m.message == message) found.push_back(m);
    }
  }
  return found;
}

void PaneWindows::Clear() {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_posted.erase(parent_);
  g_posted.erase(pane_);
}

void Pump(DWORD ms) {
  PumpUntil(ms, [] { return false; });
}

bool WaitForMessage(const PaneWindows& windows, UINT message, size_t count, DWORD timeoutMs) {
  return PumpUntil(timeoutMs, [&] { return windows.messages(message).size() >= count; });
}

RecordingPair FirstPair() {
  RecordingPair pair;
  for (const quill::test::TableRow& file :
       quill::test::ReadHostTable(quill::test::RecordingsDirUnix() + "/manifest-files.tsv")) {
    if (!file.count("frames") || file.at("fps") != "30.0" || file.at("camera") != "M") continue;
    const std::string& path = file.at("path");
    const size_t mark = path.rfind("_M.");
    if (mark == std::string::npos) continue;
    std::string rear = path;
    rear.replace(mark, 3, "_R.");
    if (quill::test::ReadHostFile(quill::test::RecordingsDirUnix() + "/" + rear).empty()) continue;
    auto windows = [](const std::string& rel) {
      std::wstring w = quill::test::RecordingsDir();
      for (char ch : rel) w += ch == '/' ? L'\\' : static_cast<wchar_t>(ch);
      return w;
    };
    pair.main = windows(path);
    pair.rear = windows(rear);
    pair.frames = std::stoi(file.at("frames"));
    break;
  }
  return pair;
}

void InstallProbes() {
  {
    // A recorder of an earlier test's presenter would answer for pictures this test has not shown.
    std::lock_guard<std::mutex> lock(g_mutex);
    for (ProbeRenderer*& probe : g_probes) probe = nullptr;
  }
  SetPresenterCreatedHook(OnPresenter);
  SetMessageBoxHook(SilentBox);
}

ProbeRenderer* ProbeOf(int instance) {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_probes[instance];
}

void ForgetProbe(int instance) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_probes[instance] = nullptr;
}

int LastFrame(int instance) {
  ProbeRenderer* probe = ProbeOf(instance);
  if (!probe) return -1;
  std::vector<PresentedFrame> frames = probe->frames();
  for (auto it = frames.rbegin(); it != frames.rend(); ++it) {
    if (it->code >= 0) return it->code;
  }
  return -1;
}

size_t FrameCount(int instance) {
  ProbeRenderer* probe = ProbeOf(instance);
  return probe ? probe->frames().size() : 0;
}

int ErrorBoxCount() { return g_errorBoxes; }

std::string LastErrorBox() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return std::string(g_lastErrorBox.begin(), g_lastErrorBox.end());  // the names are ASCII
}

void UseSceneInProbes(bool scene) { g_sceneInProbes = scene; }
void DecodeInProbes(bool decode) { g_decodeInProbes = decode; }

bool InitInstance(int i, HWND pane, int viewMode) {
  sPLAYERINSTANCE* instance = &g_PlayerInstance[i];
  PlayerInstance::FillFuncs(&g_PlayerFuncs[i]);
  ClearInstanceRecord(instance);
  instance->renderer.engineViewMode = viewMode;
  return g_PlayerFuncs[i].Init(instance, pane, L"MS Gothic") == 1;
}

void ReleaseInstances() {
  for (int i = 0; i < kPlayerCount; ++i) {
    PlayerInstance::Release(&g_PlayerInstance[i]);
    ForgetProbe(i);
  }
}


void OnePaneTest::SetUp() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  InstallProbes();
  pair_ = FirstPair();
  ASSERT_FALSE(pair_.main.empty()) << "no main/rear pair in the recordings";
  windows_ = std::make_unique<PaneWindows>(0, 480, 360);
  ASSERT_TRUE(InitInstance(0, windows_->pane(), kViewFlat));
}

void OnePaneTest::TearDown() {
  ReleaseInstances();
  windows_.reset();
  CoUninitialize();
}

void OnePaneTest::Open() {
  windows_->Clear();
  ASSERT_EQ(1, funcs().OpenMovie(instance(), pair_.main.c_str()));
  ASSERT_TRUE(WaitForMessage(*windows_, kReady, 1, kReadyTimeoutMs)) << "no kPlayerReady";
}

void OnePaneTest::Close() {
  EXPECT_EQ(1, funcs().CloseMovie(instance()));
  ForgetProbe(0);
}

}  // namespace playcore::test
