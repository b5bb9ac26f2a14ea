#include "playcore/presenter/device_pool.h"

#include <utility>

#include "playcore/presenter/wine_host.h"

namespace playcore {

namespace {

constexpr wchar_t kMarkProperty[] = L"QuillmereX.KeptDevice";

}  // namespace

bool SamePresentParameters(const D3DPRESENT_PARAMETERS& a, const D3DPRESENT_PARAMETERS& b) {
  return a.BackBufferWidth == b.BackBufferWidth && a.BackBufferHeight == b.BackBufferHeight &&
         a.BackBufferFormat == b.BackBufferFormat && a.BackBufferCount == b.BackBufferCount &&
         a.MultiSampleType == b.MultiSampleType && a.MultiSampleQuality == b.MultiSampleQuality &&
         a.SwapEffect == b.SwapEffect && a.hDeviceWindow == b.hDeviceWindow && a.Windowed == b.Windowed &&
         a.EnableAutoDepthStencil == b.EnableAutoDepthStencil &&
         a.AutoDepthStencilFormat == b.AutoDepthStencilFormat && a.Flags == b.Flags &&
         a.FullScreen_RefreshRateInHz == b.FullScreen_RefreshRateInHz &&
         a.PresentationInterval == b.PresentationInterval;
}

bool DevicePool::SameWindow(const Slot& slot) {
  return IsWindow(slot.kept.window) &&
         reinterpret_cast<UINT_PTR>(GetPropW(slot.kept.window, kMarkProperty)) == slot.mark;
}

void DevicePool::Unmark(const Slot& slot) {
  if (SameWindow(slot)) RemovePropW(slot.kept.window, kMarkProperty);
}

void DevicePool::Keep(KeptDevice kept) {
  if (!kept.device || !IsWindow(kept.window)) return;
  std::vector<Slot> dropped;
  AcquireSRWLockExclusive(&lock_);
  for (size_t i = slots_.size(); i-- > 0;) {
    if (slots_[i].kept.window == kept.window || !SameWindow(slots_[i])) {
      dropped.push_back(std::move(slots_[i]));
      slots_.erase(slots_.begin() + static_cast<ptrdiff_t>(i));
    }
  }
  Slot slot;
  slot.mark = nextMark_++;
  slot.kept = std::move(kept);
  SetPropW(slot.kept.window, kMarkProperty, reinterpret_cast<HANDLE>(slot.mark));
  slots_.push_back(std::move(slot));
  ReleaseSRWLockExclusive(&lock_);
  // Leaves the lock with `dropped`: their devices go here, not under it.
}

bool DevicePool::Take(HWND window, UINT adapter, DWORD flags, KeptDevice* out) {
  Slot taken;
  bool found = false;
  AcquireSRWLockExclusive(&lock_);
  for (size_t i = 0; i < slots_.size(); ++i) {
    if (slots_[i].kept.window != window) continue;
    taken = std::move(slots_[i]);
    slots_.erase(slots_.begin() + static_cast<ptrdiff_t>(i));
    found = true;
    break;
  }
  ReleaseSRWLockExclusive(&lock_);
  if (!found) return false;
  const bool same = SameWindow(taken);
  Unmark(taken);
  if (!same || taken.kept.adapter != adapter || taken.kept.flags != flags) return false;
  *out = std::move(taken.kept);
  return true;
}

void DevicePool::Clear() {
  std::vector<Slot> dropped;
  AcquireSRWLockExclusive(&lock_);
  dropped.swap(slots_);
  ReleaseSRWLockExclusive(&lock_);
  for (const Slot& slot : dropped) Unmark(slot);
}

size_t DevicePool::size() const {
  AcquireSRWLockShared(&lock_);
  const size_t n = slots_.size();
  ReleaseSRWLockShared(&lock_);
  return n;
}

DevicePool& ProcessDevicePool() {
  static DevicePool* const pool = new DevicePool();
  return *pool;
}

bool EnginesKeepDevices() { return RunningOnWine(); }

}  // namespace playcore
