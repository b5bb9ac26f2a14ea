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

int ShowHResultError(HRESULT hr) {
  if (SUCCEEDED(hr)) return 1;
  std::wstring text = HResultErrorText(hr);
  MessageBoxHook hook = g_hook.load();
  if (hook) {
    hook(nullptr, text.c_str(), kErrorCaption, MB_OK);
  } else {
    MessageBoxW(nullptr, text.c_str(), kErrorCaption, MB_OK);
  }
  return 0;
}

void SetCodecMissingText(const wchar_t* text) {
  std::lock_guard<std::mutex> lock(g_textLock);
  g_codecMissing = text ? text : L"";
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) { return g_hook.exchange(hook); }

}  // namespace playcore
