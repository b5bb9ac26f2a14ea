// A system library loaded at the first call of one of its functions instead of with the program, so
// that the start-up does not map libraries (Direct3D and its OpenGL layer among them) that only later
// work needs. The library comes from the system folder only and stays loaded, as an imported one would.
// A library or function that cannot be found gives null; each caller answers that with the failure
// its function documents.
//
// Threads: any. The first Find of a library loads it, once, whichever thread calls first; the others
// wait for that load.
#pragma once

#include <windows.h>

namespace quill::imports {

// How a library is loaded and a function found; tests replace both to count loads or make them fail.
struct LibraryLoader {
  HMODULE (*load)(const wchar_t* name);
  FARPROC (*find)(HMODULE module, const char* function);
};

class LazyLibrary {
 public:
  explicit constexpr LazyLibrary(const wchar_t* name) : name_(name) {}
  LazyLibrary(const LazyLibrary&) = delete;
  LazyLibrary& operator=(const LazyLibrary&) = delete;

  // The function's address; null when the library or the function is missing.
  FARPROC Find(const char* function);

  template <typename F>
  F Find(const char* function) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(Find(function)));
  }

  // After a Find that gave null: the system's error for it (ERROR_MOD_NOT_FOUND when the library
  // is missing, ERROR_PROC_NOT_FOUND when only the function is).
  DWORD MissingError() const { return module_ ? ERROR_PROC_NOT_FOUND : ERROR_MOD_NOT_FOUND; }

  // Test use only, with no call running: forgets the loaded module so the next Find loads again.
  void ResetForTest();

 private:
  static BOOL CALLBACK LoadOnce(INIT_ONCE* once, void* self, void** context);

  const wchar_t* name_;
  INIT_ONCE once_ = INIT_ONCE_STATIC_INIT;
  HMODULE module_ = nullptr;
};

// The loader in use (the system's by default); SetLibraryLoaderForTest(nullptr) restores it.
const LibraryLoader& CurrentLibraryLoader();
void SetLibraryLoaderForTest(const LibraryLoader* loader);

// The libraries of the entry points defined in this folder.
LazyLibrary& Direct3D9Library();
LazyLibrary& Dxva2Library();
LazyLibrary& EvrLibrary();
LazyLibrary& MfLibrary();
LazyLibrary& MfplatLibrary();
LazyLibrary& MfreadwriteLibrary();
LazyLibrary& WininetLibrary();
LazyLibrary& WinmmLibrary();
LazyLibrary& Comdlg32Library();

}  // namespace quill::imports
