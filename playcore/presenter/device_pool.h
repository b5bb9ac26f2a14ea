// The Direct3D devices the pane windows keep from one movie to the next, under Wine.
//
// Under Wine a device's first drawing after it is made or reset costs 100-200 ms (Wine makes the GL
// context of its window then), and every open of a pair paid it for both panes. There a present
// engine that goes leaves its extended device here, keyed by its window, and the next engine made
// for that window takes it back: without a Reset when it shows frames of the same size and format,
// with every state as the device had it when made. Elsewhere a device costs little to make and
// nothing is kept.
//
// Thread: any (engines come and go on the session's and the window's threads); one lock, never held
// while a device is released. Devices are released outside it.
#pragma once

#include <windows.h>
#include <d3d9.h>

#include <vector>

#include "platform/com/com_ptr.h"

namespace playcore {

struct KeptDevice {
  HWND window = nullptr;
  UINT adapter = 0;
  DWORD flags = 0;
  D3DPRESENT_PARAMETERS params = {};                   // as last asked of the device (made or reset)
  quill::com::ComPtr<IDirect3DDevice9Ex> device;
  quill::com::ComPtr<IDirect3DStateBlock9> defaults;  // every state as the device was made or reset
};

// Whether two requests would give the same swap chain (the fields an engine sets).
bool SamePresentParameters(const D3DPRESENT_PARAMETERS& a, const D3DPRESENT_PARAMETERS& b);

class DevicePool {
 public:
  DevicePool() = default;
  DevicePool(const DevicePool&) = delete;
  DevicePool& operator=(const DevicePool&) = delete;

  // Keeps `kept` for its window in place of any device kept for it before. Nothing is kept for a
  // window that is gone; devices kept for windows gone since are let go.
  void Keep(KeptDevice kept);
  // Takes out the device kept for `window` if it was made for `adapter` with `flags`, and only for the
  // window it was kept for (not for a new window that got the same handle).
  bool Take(HWND window, UINT adapter, DWORD flags, KeptDevice* out);
  // Lets every kept device go (before the windows go).
  void Clear();
  size_t size() const;

 private:
  struct Slot {
    KeptDevice kept;
    UINT_PTR mark = 0;  // the window's property while it is the window the device was kept for
  };
  static bool SameWindow(const Slot& slot);
  static void Unmark(const Slot& slot);

  mutable SRWLOCK lock_ = SRWLOCK_INIT;
  std::vector<Slot> slots_;
  UINT_PTR nextMark_ = 1;
};

// The process's pool (never destroyed; Clear it before the windows go).
DevicePool& ProcessDevicePool();
// Whether engines keep their devices here: under Wine.
bool EnginesKeepDevices();

}  // namespace playcore
