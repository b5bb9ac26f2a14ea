// The COM object layer the playback core's objects are built on: a reference-counted object root with
// an object lock, an interface map written with BEGIN_COM_MAP / COM_INTERFACE_ENTRY / END_COM_MAP, the
// created object CComObject<T>, and the module's count of live objects.
//
//   class Thing : public CComObjectRootEx<CComMultiThreadModel>, public IFoo, public IBar {
//    public:
//     BEGIN_COM_MAP(Thing)
//       COM_INTERFACE_ENTRY(IFoo)
//       COM_INTERFACE_ENTRY(IBar)
//     END_COM_MAP()
//   };
//   CComObject<Thing>* p = nullptr;
//   CComObject<Thing>::CreateInstance(&p);   // reference count 0: the caller takes the first one
//   p->AddRef();
//
// IUnknown is answered by the first entry of the map. Reference counting is interlocked, so objects
// may be used from any thread; the object lock (Lock/Unlock) is the object's own critical section.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <climits>
#include <new>

namespace quill::com {

// A critical section that remembers whether it was initialised, so that Term is safe on a section
// whose Init never ran or failed.
class CComCriticalSection {
 public:
  CComCriticalSection() = default;
  ~CComCriticalSection() { Term(); }
  CComCriticalSection(const CComCriticalSection&) = delete;
  CComCriticalSection& operator=(const CComCriticalSection&) = delete;
  HRESULT Init();
  HRESULT Term();
  void Lock() { EnterCriticalSection(&m_sec); }
  void Unlock() { LeaveCriticalSection(&m_sec); }
  bool m_bInitialized = false;

 private:
  CRITICAL_SECTION m_sec = {};
};

// Interlocked reference counting for objects used from several threads.
struct CComMultiThreadModel {
  static ULONG Increment(LONG* p) { return static_cast<ULONG>(InterlockedIncrement(p)); }
  static ULONG Decrement(LONG* p) { return static_cast<ULONG>(InterlockedDecrement(p)); }
  using CriticalSection = CComCriticalSection;
};

// One entry of an interface map: the interface's IID and the offset of its vtable in the object.
struct _ATL_INTMAP_ENTRY {
  const IID* piid;
  DWORD_PTR dw;
};

// Looks `iid` up in a map that ends with a null IID; `pThis` is the object the offsets belong to.
HRESULT WINAPI InternalQueryInterfaceImpl(void* pThis, const _ATL_INTMAP_ENTRY* entries, REFIID iid,
                                          void** ppv);

template <class ThreadModel>
class CComObjectRootEx {
 public:
  CComObjectRootEx() = default;
  ~CComObjectRootEx() = default;
  CComObjectRootEx(const CComObjectRootEx&) = delete;
  CComObjectRootEx& operator=(const CComObjectRootEx&) = delete;

  ULONG InternalAddRef() { return ThreadModel::Increment(&m_dwRef); }
  ULONG InternalRelease() { return ThreadModel::Decrement(&m_dwRef); }
  // First step of a creation: the object lock. A failure ends the creation.
  HRESULT _AtlInitialConstruct() { return m_critsec.Init(); }
  // Second step, for the object's own set-up.
  HRESULT FinalConstruct() { return S_OK; }
  // Runs just before the object is deleted.
  void FinalRelease() {}
  void Lock() { m_critsec.Lock(); }
  void Unlock() { m_critsec.Unlock(); }

  static HRESULT WINAPI InternalQueryInterface(void* pThis, const _ATL_INTMAP_ENTRY* entries,
                                               REFIID iid, void** ppv) {
    return InternalQueryInterfaceImpl(pThis, entries, iid, ppv);
  }

  LONG m_dwRef = 0;
  typename ThreadModel::CriticalSection m_critsec;
};

// The count of live objects (and other reasons to stay loaded) of the program's module.
class CAtlModule {
 public:
  LONG Lock() { return InterlockedIncrement(&m_nLockCnt); }
  LONG Unlock() { return InterlockedDecrement(&m_nLockCnt); }
  LONG GetLockCount() const { return m_nLockCnt; }

 private:
  volatile LONG m_nLockCnt = 0;
};

// The program's one module; always set.
extern CAtlModule* _pAtlModule;

// The object as it is created: adds IUnknown over the class's interface map and counts itself in the
// module while it lives.
template <class Base>
class CComObject final : public Base {
 public:
  CComObject() { _pAtlModule->Lock(); }
  ~CComObject() {
    // A large negative count keeps a reference taken inside FinalRelease from deleting again.
    this->m_dwRef = -(LONG_MAX / 2);
    this->FinalRelease();
    _pAtlModule->Unlock();
  }

  ULONG STDMETHODCALLTYPE AddRef() override { return this->InternalAddRef(); }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = this->InternalRelease();
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override {
    return this->_InternalQueryInterface(iid, ppv);
  }

  // Creates the object with a reference count of 0 (the caller takes the first reference). On a
  // failure the object is deleted again and *pp is null.
  static HRESULT WINAPI CreateInstance(CComObject<Base>** pp) {
    if (!pp) return E_POINTER;
    *pp = nullptr;
    auto* object = new (std::nothrow) CComObject<Base>();
    if (!object) return E_OUTOFMEMORY;
    // Held while the set-up runs, so that a set-up handing out and dropping a reference cannot
    // delete the object under it.
    object->InternalAddRef();
    HRESULT hr = object->_AtlInitialConstruct();
    if (SUCCEEDED(hr)) hr = object->FinalConstruct();
    object->InternalRelease();
    if (FAILED(hr)) {
      delete object;
      return hr;
    }
    *pp = object;
    return S_OK;
  }
};

}  // namespace quill::com

// The interface map of a class: a static table of {IID, offset}, the lookup over it and the IUnknown
// methods left to CComObject.
#define BEGIN_COM_MAP(cls)                                                      \
 public:                                                                        \
  using _ComMapClass = cls;                                                     \
  static const ::quill::com::_ATL_INTMAP_ENTRY* _GetEntries() {                 \
    static const ::quill::com::_ATL_INTMAP_ENTRY entries[] = {

// The offset of an interface's vtable, computed on a dummy non-null address (a null pointer would not
// be adjusted by the cast).
#define QUILL_COM_OFFSET_BASE 0x1000
#define COM_INTERFACE_ENTRY(itf)                                                           \
  {&__uuidof(itf),                                                                         \
   static_cast<DWORD_PTR>(                                                                 \
       reinterpret_cast<DWORD_PTR>(static_cast<itf*>(                                      \
           reinterpret_cast<_ComMapClass*>(QUILL_COM_OFFSET_BASE))) - QUILL_COM_OFFSET_BASE)},

#define END_COM_MAP()                                                                    \
  {nullptr, 0}                                                                           \
  }                                                                                      \
  ;                                                                                      \
  return entries;                                                                        \
  }                                                                                      \
  HRESULT _InternalQueryInterface(REFIID iid, void** ppv) {                              \
    return InternalQueryInterface(this, _GetEntries(), iid, ppv);                        \
  }                                                                                      \
  IUnknown* GetUnknown() {                                                               \
    return reinterpret_cast<IUnknown*>(reinterpret_cast<char*>(this) + _GetEntries()->dw); \
  }                                                                                      \
  ULONG STDMETHODCALLTYPE AddRef() override = 0;                                         \
  ULONG STDMETHODCALLTYPE Release() override = 0;                                        \
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override = 0;
