// The module object and the interface-map lookup of the COM object layer.
#include "platform/com/com_object.h"

namespace quill::com {

namespace {
CAtlModule g_module;
}  // namespace

CAtlModule* _pAtlModule = &g_module;

HRESULT CComCriticalSection::Init() {
  if (m_bInitialized) return S_OK;
  // The spin-count form reports a failure instead of raising it.
  if (!InitializeCriticalSectionAndSpinCount(&m_sec, 0)) {
    return HRESULT_FROM_WIN32(GetLastError());
  }
  m_bInitialized = true;
  return S_OK;
}

HRESULT CComCriticalSection::Term() {
  if (m_bInitialized) {
    DeleteCriticalSection(&m_sec);
    m_bInitialized = false;
  }
  return S_OK;
}

HRESULT WINAPI InternalQueryInterfaceImpl(void* pThis, const _ATL_INTMAP_ENTRY* entries, REFIID iid,
                                          void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!pThis || !entries || !entries->piid) return E_NOINTERFACE;
  const _ATL_INTMAP_ENTRY* found = nullptr;
  if (IsEqualIID(iid, IID_IUnknown)) {
    found = entries;
  } else {
    for (const _ATL_INTMAP_ENTRY* e = entries; e->piid; ++e) {
      if (IsEqualIID(iid, *e->piid)) {
        found = e;
        break;
      }
    }
  }
  if (!found) return E_NOINTERFACE;
  auto* unknown = reinterpret_cast<IUnknown*>(static_cast<char*>(pThis) + found->dw);
  unknown->AddRef();
  *ppv = unknown;
  return S_OK;
}

}  // namespace quill::com
