// Direct3D 9 works on the test bed's display (Wine's wined3d over Mesa): a device is created for a real
// window, a cleared back buffer reads back the exact colour.
#include <windows.h>
#include <d3d9.h>

#include <gtest/gtest.h>

namespace {

template <class T>
struct ComPtr {
  T* p = nullptr;
  ~ComPtr() { if (p) p->Release(); }
  T** operator&() { return &p; }
  T* operator->() const { return p; }
};

struct TestWindow {
  HWND hwnd = nullptr;
  TestWindow() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QuillTestBedD3D";
    RegisterClassW(&wc);
    hwnd = CreateWindowW(wc.lpszClassName, L"d3d9", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 320, 240,
                         nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~TestWindow() { if (hwnd) DestroyWindow(hwnd); }
};

TEST(Direct3D9, ClearedBackBufferReadsBackItsColour) {
  TestWindow window;
  ASSERT_NE(window.hwnd, nullptr);
  ComPtr<IDirect3D9> d3d;
  d3d.p = Direct3DCreate9(D3D_SDK_VERSION);
  ASSERT_NE(d3d.p, nullptr) << "no Direct3D 9 (are the i386 Mesa GL packages installed?)";

  D3DPRESENT_PARAMETERS pp = {};
  pp.Windowed = TRUE;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.BackBufferFormat = D3DFMT_X8R8G8B8;
  pp.BackBufferWidth = 64;
  pp.BackBufferHeight = 48;
  pp.hDeviceWindow = window.hwnd;
  ComPtr<IDirect3DDevice9> device;
  ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window.hwnd,
                              D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED, &pp,
                              &device),
            D3D_OK);

  const D3DCOLOR colour = D3DCOLOR_XRGB(0x20, 0x40, 0x60);
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, colour, 1.0f, 0), D3D_OK);

  ComPtr<IDirect3DSurface9> back, copy;
  ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
  ASSERT_EQ(device->CreateOffscreenPlainSurface(64, 48, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &copy,
                                                nullptr),
            D3D_OK);
  ASSERT_EQ(device->GetRenderTargetData(back.p, copy.p), D3D_OK);
  D3DLOCKED_RECT locked = {};
  ASSERT_EQ(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  const BYTE* bits = static_cast<const BYTE*>(locked.pBits);
  int wrong = 0;
  for (int y = 0; y < 48; ++y) {
    const DWORD* row = reinterpret_cast<const DWORD*>(bits + y * locked.Pitch);
    for (int x = 0; x < 64; ++x) wrong += (row[x] & 0xFFFFFF) != (colour & 0xFFFFFF);
  }
  copy->UnlockRect();
  EXPECT_EQ(wrong, 0);
}

}  // namespace
