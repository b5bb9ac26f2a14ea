// The COM object layer: reference counting of created objects and the module lock; and the waits
// that serve sent messages.
#include <gtest/gtest.h>

#include <mfidl.h>

#include "platform/com/com_object.h"
#include "platform/com/message_wait.h"

namespace {

using quill::com::_pAtlModule;
using quill::com::CComMultiThreadModel;
using quill::com::CComObject;
using quill::com::CComObjectRootEx;

int g_finalReleases = 0;
int g_destroyed = 0;

class Thing : public CComObjectRootEx<CComMultiThreadModel>, public IMFGetService, public IMFClock {
 public:
  BEGIN_COM_MAP(Thing)
    COM_INTERFACE_ENTRY(IMFGetService)
    COM_INTERFACE_ENTRY(IMFClock)
  END_COM_MAP()

  virtual ~Thing() { ++g_destroyed; }
  void FinalRelease() { ++g_finalReleases; }
  HRESULT FinalConstruct() { return failConstruct ? E_ACCESSDENIED : S_OK; }

  STDMETHODIMP GetService(REFGUID, REFIID, void**) override { return E_NOTIMPL; }
  STDMETHODIMP GetClockCharacteristics(DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP GetCorrelatedTime(DWORD, LONGLONG*, MFTIME*) override { return E_NOTIMPL; }
  STDMETHODIMP GetContinuityKey(DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP GetState(DWORD, MFCLOCK_STATE*) override { return E_NOTIMPL; }
  STDMETHODIMP GetProperties(MFCLOCK_PROPERTIES*) override { return E_NOTIMPL; }

  static bool failConstruct;
};
bool Thing::failConstruct = false;

TEST(ComObjectLayer, CreateInstanceHandsOutTheObjectWithReferenceCountZero) {
  const LONG locksBefore = _pAtlModule->GetLockCount();
  CComObject<Thing>* thing = nullptr;
  ASSERT_EQ(S_OK, CComObject<Thing>::CreateInstance(&thing));
  EXPECT_EQ(0, thing->m_dwRef);
  EXPECT_EQ(locksBefore + 1, _pAtlModule->GetLockCount());
  EXPECT_EQ(1u, thing->AddRef());
  EXPECT_EQ(2u, thing->AddRef());
  EXPECT_EQ(1u, thing->Release());
  const int destroyed = g_destroyed;
  const int finals = g_finalReleases;
  EXPECT_EQ(0u, thing->Release());
  EXPECT_EQ(destroyed + 1, g_destroyed);
  EXPECT_EQ(finals + 1, g_finalReleases);
  EXPECT_EQ(locksBefore, _pAtlModule->GetLockCount());
}

TEST(ComObjectLayer, AFailedFinalConstructDeletesTheObjectAndUnlocksTheModule) {
  const LONG locksBefore = _pAtlModule->GetLockCount();
  Thing::failConstruct = true;
  CComObject<Thing>* thing = reinterpret_cast<CComObject<Thing>*>(1);
  EXPECT_EQ(E_ACCESSDENIED, CComObject<Thing>::CreateInstance(&thing));
  Thing::failConstruct = false;
  EXPECT_EQ(nullptr, thing);
  EXPECT_EQ(locksBefore, _pAtlModule->GetLockCount());
  EXPECT_EQ(E_POINTER, CComObject<Thing>::CreateInstance(nullptr));
}

}  // namespace

// The waits of a window's thread serve messages other threads send it, and leave posted ones alone.
namespace message_wait {

struct SendThenSignal {
  HWND window;
  HANDLE done;
};

DWORD WINAPI SendThenSignalProc(void* param) {
  auto* job = static_cast<SendThenSignal*>(param);
  DWORD_PTR answer = 0;
  // Blocks until the window's thread serves it.
  SendMessageTimeoutW(job->window, WM_USER + 7, 0, 0, SMTO_BLOCK, 10000, &answer);
  if (answer == 77) SetEvent(job->done);
  return 0;
}

LRESULT CALLBACK AnswerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER + 7) return 77;
  return DefWindowProcW(window, message, wParam, lParam);
}

TEST(MessageWait, ServesSentMessagesWhileWaitingAndKeepsPostedOnes) {
  WNDCLASSW cls = {};
  cls.lpfnWndProc = AnswerProc;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.lpszClassName = L"QuillMessageWaitTest";
  RegisterClassW(&cls);
  HWND window = CreateWindowW(cls.lpszClassName, L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                              cls.hInstance, nullptr);
  ASSERT_TRUE(window);
  PostMessageW(window, WM_USER + 8, 0, 0);
  SendThenSignal job{window, CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  HANDLE thread = CreateThread(nullptr, 0, SendThenSignalProc, &job, 0, nullptr);
  ASSERT_TRUE(thread);
  // A plain wait here would wait for a thread that waits for this one.
  EXPECT_EQ(WAIT_OBJECT_0, quill::com::WaitDispatchingSentMessages(job.done, 5000));
  MSG msg;
  EXPECT_TRUE(PeekMessageW(&msg, window, WM_USER + 8, WM_USER + 8, PM_REMOVE)) << "posted stays";
  WaitForSingleObject(thread, 5000);
  CloseHandle(thread);
  // Nothing to wait for: the time-out is honoured.
  ResetEvent(job.done);
  const DWORD start = GetTickCount();
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), quill::com::WaitDispatchingSentMessages(job.done, 100));
  EXPECT_GE(GetTickCount() - start, 90u);
  CloseHandle(job.done);
  DestroyWindow(window);
}

}  // namespace message_wait
