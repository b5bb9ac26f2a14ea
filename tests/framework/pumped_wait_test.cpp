// The pumped wait: a worker that sends to this thread's window ends, a WM_QUIT ends the wait with its
// code, and a message that collects the worker ends it too.
#include "platform/framework/pumped_wait.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

constexpr UINT kCollect = WM_APP + 1;  // test-local: its handler "collects" the worker
constexpr DWORD kHangGuardMs = 30000;

int g_sent = 0;
bool g_collected = false;

LRESULT CALLBACK CountingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_USER) ++g_sent;
  if (m == kCollect) g_collected = true;
  return DefWindowProcW(h, m, w, l);
}

struct Case {
  const char* name;
  bool workerSends;   // the worker sends to the window before it ends
  bool postQuit;      // a WM_QUIT (code 7) waits in the queue
  bool postCollect;   // a posted message whose handler collects the worker
  bool wantQuit;
  int wantSent;
};

struct Job {
  HWND window;
  HANDLE release;  // the worker ends once it is set (or at once when it sends)
  bool sends;
};

DWORD WINAPI Worker(void* p) {
  auto* job = static_cast<Job*>(p);
  if (job->sends) {
    SendMessageW(job->window, WM_USER, 0, 0);  // a plain wait on the window's thread would never end
    return 0;
  }
  WaitForSingleObject(job->release, kHangGuardMs);
  return 0;
}

TEST(PumpedWait, EndsOnTheWorkerOnAQuitOrWhenTheWorkerIsCollected) {
  const Case cases[] = {
      {"the worker sends and ends", true, false, false, false, 1},
      {"a quit waits in the queue", false, true, false, true, 0},
      {"a message collects the worker", false, false, true, false, 0},
  };
  WNDCLASSW wc = {};
  wc.lpfnWndProc = CountingProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"PumpedWaitTest";
  RegisterClassW(&wc);
  HWND window = CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    g_sent = 0;
    g_collected = false;
    Job job{window, CreateEventW(nullptr, TRUE, FALSE, nullptr), c.workerSends};
    HANDLE thread = CreateThread(nullptr, 0, Worker, &job, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    if (c.postQuit) PostQuitMessage(7);
    if (c.postCollect) PostMessageW(window, kCollect, 0, 0);
    const quill::framework::PumpedWaitEnd end =
        quill::framework::WaitPumpingMessages([&]() -> HANDLE { return g_collected ? nullptr : thread; });
    EXPECT_EQ(end.quit, c.wantQuit);
    if (c.wantQuit) {
      EXPECT_EQ(end.quitCode, 7);
    }
    EXPECT_EQ(g_sent, c.wantSent);
    SetEvent(job.release);
    EXPECT_EQ(WaitForSingleObject(thread, kHangGuardMs), WAIT_OBJECT_0);
    CloseHandle(thread);
    CloseHandle(job.release);
  }
  DestroyWindow(window);
}

}  // namespace
