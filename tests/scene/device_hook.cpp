// Method-table hooks on a Direct3D 9 device (tests only).
#include "tests/scene/device_hook.h"

#include <cstring>

namespace playcore::test {
namespace {

// IUnknown's 3, IDirect3DDevice9's 116 and IDirect3DDevice9Ex's 15: a 9Ex device's table is
// copied whole, so its own methods keep working through the copy.
constexpr size_t kDeviceMethods = 134;
DeviceHookState g_state;
void* g_table[kDeviceMethods];
void** g_original = nullptr;

// The slot of a virtual method in the method table. GCC's pointer to a virtual member function
// holds 1 + the slot's byte offset in its first word.
template <class Method>
size_t SlotOf(Method method) {
  ptrdiff_t words[2];
  static_assert(sizeof(method) == sizeof(words), "GCC member pointer layout");
  std::memcpy(words, &method, sizeof(words));
  return static_cast<size_t>(words[0] - 1) / sizeof(void*);
}

template <class Fn>
Fn Original(size_t slot) {
  return reinterpret_cast<Fn>(g_original[slot]);
}

using CreateVbFn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice9*, UINT, DWORD, DWORD, D3DPOOL,
                                                IDirect3DVertexBuffer9**, HANDLE*);
using NoArgFn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice9*);
using DrawFn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice9*, D3DPRIMITIVETYPE, UINT, UINT);
using PresentFn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice9*, const RECT*, const RECT*, HWND,
                                               const RGNDATA*);

HRESULT STDMETHODCALLTYPE HookCreateVertexBuffer(IDirect3DDevice9* self, UINT length, DWORD usage,
                                                 DWORD fvf, D3DPOOL pool,
                                                 IDirect3DVertexBuffer9** buffer, HANDLE* shared) {
  if (length == g_state.failVertexBufferOfBytes) return E_OUTOFMEMORY;
  return Original<CreateVbFn>(SlotOf(&IDirect3DDevice9::CreateVertexBuffer))(
      self, length, usage, fvf, pool, buffer, shared);
}

HRESULT STDMETHODCALLTYPE HookBeginScene(IDirect3DDevice9* self) {
  const HRESULT hr = Original<NoArgFn>(SlotOf(&IDirect3DDevice9::BeginScene))(self);
  if (SUCCEEDED(hr)) ++g_state.beginScenes;
  return hr;
}

HRESULT STDMETHODCALLTYPE HookEndScene(IDirect3DDevice9* self) {
  ++g_state.endScenes;
  return Original<NoArgFn>(SlotOf(&IDirect3DDevice9::EndScene))(self);
}

HRESULT STDMETHODCALLTYPE HookDrawPrimitive(IDirect3DDevice9* self, D3DPRIMITIVETYPE type,
                                            UINT start, UINT count) {
  if (g_state.drawPrimitiveCalls < DeviceHookState::kMaxDraws) {
    g_state.drawCounts[g_state.drawPrimitiveCalls] = count;
  }
  ++g_state.drawPrimitiveCalls;
  if (g_state.failDrawPrimitiveCalls > 0) {
    --g_state.failDrawPrimitiveCalls;
    return D3DERR_INVALIDCALL;
  }
  g_state.lastTriangles = count;
  g_state.trianglesDrawn += count;
  return Original<DrawFn>(SlotOf(&IDirect3DDevice9::DrawPrimitive))(self, type, start, count);
}

HRESULT STDMETHODCALLTYPE HookPresent(IDirect3DDevice9* self, const RECT* a, const RECT* b, HWND w,
                                      const RGNDATA* r) {
  ++g_state.presents;
  return Original<PresentFn>(SlotOf(&IDirect3DDevice9::Present))(self, a, b, w, r);
}

template <class Method, class Hook>
void Replace(Method method, Hook hook) {
  g_table[SlotOf(method)] = reinterpret_cast<void*>(hook);
}

}  // namespace

DeviceHook::DeviceHook(IDirect3DDevice9* device) : device_(device) {
  void*** object = reinterpret_cast<void***>(device);
  original_ = *object;
  g_original = original_;
  std::memcpy(g_table, original_, sizeof(g_table));
  g_state = DeviceHookState();
  Replace(&IDirect3DDevice9::CreateVertexBuffer, HookCreateVertexBuffer);
  Replace(&IDirect3DDevice9::BeginScene, HookBeginScene);
  Replace(&IDirect3DDevice9::EndScene, HookEndScene);
  Replace(&IDirect3DDevice9::DrawPrimitive, HookDrawPrimitive);
  Replace(&IDirect3DDevice9::Present, HookPresent);
  *object = g_table;
}

DeviceHook::~DeviceHook() { *reinterpret_cast<void***>(device_) = original_; }

DeviceHookState& DeviceHook::state() { return g_state; }

}  // namespace playcore::test
