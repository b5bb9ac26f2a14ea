// The Direct3D 9 object a present engine makes its devices with.
//
// Under Wine every new Direct3D object probes the GL adapter again: 150-350 ms here for each engine,
// on the thread that opens the movie, twice for every pair. There one object of each kind serves
// every engine, made at its first use and kept for the process's life (Wine's Direct3D takes its own
// lock for each of the object's calls). On Windows an object costs little and each engine keeps its
// own, as the system's guidance for several devices asks.
#pragma once

#include <windows.h>
#include <d3d9.h>

#include "platform/com/com_ptr.h"

namespace playcore {

struct Direct3DObjects {
  quill::com::ComPtr<IDirect3D9Ex> extended;  // null for a plain object
  quill::com::ComPtr<IDirect3D9> plain;       // the object (the extended one when there is one); null on failure
};

using Direct3DMaker = Direct3DObjects (*)(bool extended);

// Whether the extended Direct3D 9 interfaces are used on this Windows version (6.1 and later).
bool UseExtendedDirect3D(DWORD major, DWORD minor);

// A new object: the extended one when asked and d3d9.dll has it, else the plain one.
Direct3DObjects MakeDirect3D(bool extended);

// One object of each kind (extended, plain), made by `make` at the first Get of that kind. A failed
// make keeps nothing: the next Get of that kind tries again. Get may be called on any thread; a
// first make holds the others of the same cache until it ends.
class Direct3DCache {
 public:
  explicit Direct3DCache(Direct3DMaker make) : make_(make) {}
  Direct3DCache(const Direct3DCache&) = delete;
  Direct3DCache& operator=(const Direct3DCache&) = delete;
  Direct3DObjects Get(bool extended);

 private:
  Direct3DMaker make_;
  SRWLOCK lock_ = SRWLOCK_INIT;
  Direct3DObjects kept_[2];
};

// The process's cache (never destroyed: its objects may be used until the process ends).
Direct3DCache& ProcessDirect3D();

// What an engine uses: the process's shared object under Wine, a new one elsewhere.
Direct3DObjects Direct3DForEngine(bool extended);

// Whether an engine allowed the extended object uses it on this system (Windows 7 and later).
bool SystemUsesExtendedDirect3D();

// Under Wine, makes the process's shared object of the kind the engines will ask for, so that the
// adapter probe (250-300 ms here) runs on the caller's thread ahead of the first movie's open instead
// of inside it; elsewhere nothing, as each engine makes its own. True when such an object is kept.
bool PrepareDirect3DForEngines();

}  // namespace playcore
