// HRESULT names and the error box.
#include "playcore/instances/hresult_error.h"

#include <atomic>
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

// This thread's instance entries, the failure kept while it holds one, and whether it shows a box.
thread_local int t_heldInstances = 0;
thread_local HRESULT t_keptFailure = S_OK;
thread_local bool t_showing = false;

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
  if (t_showing) return;
  t_showing = true;
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
  t_showing = false;
}

}  // namespace

int ShowHResultError(HRESULT hr) {
  if (SUCCEEDED(hr)) return 1;
  if (t_heldInstances > 0) {
    if (SUCCEEDED(t_keptFailure)) t_keptFailure = hr;
    return 0;
  }
  ShowBox(hr);
  return 0;
}

void SetErrorBoxOwner(HWND owner) { g_owner.store(owner); }

void HoldErrorBoxes() { ++t_heldInstances; }

void ReleaseErrorBoxes() {
  if (t_heldInstances > 0 && --t_heldInstances > 0) return;
  const HRESULT kept = t_keptFailure;
  t_keptFailure = S_OK;
  if (FAILED(kept)) ShowBox(kept);
}

void SetCodecMissingText(const wchar_t* text) {
  std::lock_guard<std::mutex> lock(g_textLock);
  g_codecMissing = text ? text : L"";
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) { return g_hook.exchange(hook); }

}  // namespace playcore
