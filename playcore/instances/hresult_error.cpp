// HRESULT names and the error box.
#include "playcore/instances/hresult_error.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <mutex>

namespace playcore {

namespace {

constexpr HRESULT kCodecMissing = static_cast<HRESULT>(0x80040200);
constexpr wchar_t kErrorCaption[] = L"ERROR";

struct sHRESULTNAME {
  HRESULT hr;
  const wchar_t* name;
};

const sHRESULTNAME kNames[] = {
    {static_cast<HRESULT>(0x80004002), L"E_NOINTERFACE"},
    {static_cast<HRESULT>(0x80004001), L"E_NOTIMPL"},
    {static_cast<HRESULT>(0x80004003), L"E_POINTER"},
    {static_cast<HRESULT>(0x80040209), L"VFW_E_NOT_CONNECTED"},
    {static_cast<HRESULT>(0x80040227), L"VFW_E_WRONG_STATE"},
    {static_cast<HRESULT>(0x80070057), L"E_INVALIDARG"},
    {static_cast<HRESULT>(0x8007000E), L"E_OUTOFMEMORY"},
};

std::mutex g_textLock;  // guards g_codecMissing (set by the UI thread, read by any)
std::wstring g_codecMissing;
std::atomic<MessageBoxHook> g_hook{nullptr};
std::atomic<HWND> g_owner{nullptr};

// This thread's words, in the system's thread-local slots (language thread-locals would make every
// thread that enters an instance a thread of the threads library, whose record of it, with a handle,
// outlives a thread started by CreateThread): the instance entries it holds, with the box-shown bit,
// and the failure kept while it holds one. A slot starts as zero for every thread.
const DWORD g_heldSlot = TlsAlloc();
const DWORD g_keptSlot = TlsAlloc();
constexpr uintptr_t kShowingBit = uintptr_t{1} << 30;

uintptr_t Word(DWORD slot) {
  return slot == TLS_OUT_OF_INDEXES ? 0 : reinterpret_cast<uintptr_t>(TlsGetValue(slot));
}
void SetWord(DWORD slot, uintptr_t value) {
  if (slot != TLS_OUT_OF_INDEXES) TlsSetValue(slot, reinterpret_cast<void*>(value));
}
uintptr_t HeldInstances() { return Word(g_heldSlot) & ~kShowingBit; }
void SetHeldInstances(uintptr_t n) { SetWord(g_heldSlot, (Word(g_heldSlot) & kShowingBit) | n); }
bool Showing() { return (Word(g_heldSlot) & kShowingBit) != 0; }
void SetShowing(bool on) { SetWord(g_heldSlot, on ? (Word(g_heldSlot) | kShowingBit) : (Word(g_heldSlot) & ~kShowingBit)); }
HRESULT KeptFailure() { return static_cast<HRESULT>(static_cast<uint32_t>(Word(g_keptSlot))); }
void SetKeptFailure(HRESULT hr) { SetWord(g_keptSlot, static_cast<uint32_t>(hr)); }

std::wstring UnknownText(HRESULT hr) {
  wchar_t buffer[32];
  swprintf(buffer, sizeof buffer / sizeof buffer[0], L"Unknown 0x%x", static_cast<unsigned>(hr));
  return buffer;
}

}  // namespace

std::wstring HResultErrorText(HRESULT hr) {
  for (const sHRESULTNAME& n : kNames) {
    if (n.hr == hr) return n.name;
  }
  if (hr == kCodecMissing) {
    std::lock_guard<std::mutex> lock(g_textLock);
    if (!g_codecMissing.empty()) return g_codecMissing;
  }
  return UnknownText(hr);
}

namespace {

void ShowBox(HRESULT hr) {
  if (Showing()) return;
  SetShowing(true);
  const std::wstring text = HResultErrorText(hr);
  // Only the owner's own thread gives it the box: disabling a window of another thread sends to it,
  // and that thread may be waiting for this one (a join of a worker).
  HWND owner = g_owner.load();
  if (owner && GetWindowThreadProcessId(owner, nullptr) != GetCurrentThreadId()) owner = nullptr;
  MessageBoxHook hook = g_hook.load();
  if (hook) {
    hook(owner, text.c_str(), kErrorCaption, MB_OK);
  } else {
    MessageBoxW(owner, text.c_str(), kErrorCaption, MB_OK);
  }
  SetShowing(false);
}

}  // namespace

int ShowHResultError(HRESULT hr) {
  if (SUCCEEDED(hr)) return 1;
  if (HeldInstances() > 0) {
    if (SUCCEEDED(KeptFailure())) SetKeptFailure(hr);
    return 0;
  }
  ShowBox(hr);
  return 0;
}

void SetErrorBoxOwner(HWND owner) { g_owner.store(owner); }

void HoldErrorBoxes() { SetHeldInstances(HeldInstances() + 1); }

void ReleaseErrorBoxes() {
  const uintptr_t held = HeldInstances();
  if (held > 1) {
    SetHeldInstances(held - 1);
    return;
  }
  SetHeldInstances(0);
  const HRESULT kept = KeptFailure();
  SetKeptFailure(S_OK);
  if (FAILED(kept)) ShowBox(kept);
}

void SetCodecMissingText(const wchar_t* text) {
  std::lock_guard<std::mutex> lock(g_textLock);
  g_codecMissing = text ? text : L"";
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) { return g_hook.exchange(hook); }

}  // namespace playcore
