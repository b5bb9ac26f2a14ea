// Libraries loaded at their first use, from the system folder only.
#include "platform/imports/lazy_library.h"

#include "platform/imports/system_library.h"

namespace quill::imports {

namespace {

FARPROC FindInModule(HMODULE module, const char* function) { return ::GetProcAddress(module, function); }

const LibraryLoader kSystemLoader = {&LoadSystemLibrary, &FindInModule};
const LibraryLoader* g_loader = &kSystemLoader;

}  // namespace

const LibraryLoader& CurrentLibraryLoader() { return *g_loader; }

void SetLibraryLoaderForTest(const LibraryLoader* loader) { g_loader = loader ? loader : &kSystemLoader; }

BOOL CALLBACK LazyLibrary::LoadOnce(INIT_ONCE*, void* self, void**) {
  auto* library = static_cast<LazyLibrary*>(self);
  library->module_ = CurrentLibraryLoader().load(library->name_);
  // A library that is missing stays missing for this run: no second search on every call.
  return TRUE;
}

FARPROC LazyLibrary::Find(const char* function) {
  if (!::InitOnceExecuteOnce(&once_, &LoadOnce, this, nullptr) || !module_ || !function) return nullptr;
  return CurrentLibraryLoader().find(module_, function);
}

void LazyLibrary::ResetForTest() {
  ::InitOnceInitialize(&once_);
  module_ = nullptr;
}

namespace {

// Constant-initialised: usable from any thread and from static objects, with nothing made at start.
LazyLibrary g_direct3d9(L"d3d9.dll");
LazyLibrary g_dxva2(L"dxva2.dll");
LazyLibrary g_evr(L"evr.dll");
LazyLibrary g_mf(L"mf.dll");
LazyLibrary g_mfplat(L"mfplat.dll");
LazyLibrary g_mfreadwrite(L"mfreadwrite.dll");
LazyLibrary g_wininet(L"wininet.dll");
LazyLibrary g_winmm(L"winmm.dll");
LazyLibrary g_comdlg32(L"comdlg32.dll");

}  // namespace

LazyLibrary& Direct3D9Library() { return g_direct3d9; }
LazyLibrary& Dxva2Library() { return g_dxva2; }
LazyLibrary& EvrLibrary() { return g_evr; }
LazyLibrary& MfLibrary() { return g_mf; }
LazyLibrary& MfplatLibrary() { return g_mfplat; }
LazyLibrary& MfreadwriteLibrary() { return g_mfreadwrite; }
LazyLibrary& WininetLibrary() { return g_wininet; }
LazyLibrary& WinmmLibrary() { return g_winmm; }
LazyLibrary& Comdlg32Library() { return g_comdlg32; }

}  // namespace quill::imports
