// Fault injection and call counting on a real Direct3D 9 device, for the tests only: the device's
// method table is copied and a few entries are replaced by hooks that count calls, fail on demand
// and otherwise call the original. The original table is put back when the hook goes.
#pragma once

#include <windows.h>
#include <d3d9.h>

namespace playcore::test {

struct DeviceHookState {
  UINT failVertexBufferOfBytes = 0;  // CreateVertexBuffer of this length fails
  int failDrawPrimitiveCalls = 0;    // the next n DrawPrimitive calls fail
  int beginScenes = 0;
  int endScenes = 0;
  int presents = 0;
  int drawPrimitiveCalls = 0;
  UINT lastTriangles = 0;
  UINT trianglesDrawn = 0;
  static constexpr int kMaxDraws = 8;
  UINT drawCounts[kMaxDraws] = {};
};

class DeviceHook {
 public:
  explicit DeviceHook(IDirect3DDevice9* device);
  ~DeviceHook();
  DeviceHook(const DeviceHook&) = delete;
  DeviceHook& operator=(const DeviceHook&) = delete;
  DeviceHookState& state();

 private:
  IDirect3DDevice9* device_;
  void** original_;
};

}  // namespace playcore::test
