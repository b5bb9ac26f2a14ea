// Creating the presenter for the EVR and seeding it with the owner's view.
#include "playcore/player/mf_activate.h"

#include <mfapi.h>

#include <atomic>
#include <utility>

#include "playcore/scene/raw_obj.h"
#include "playcore/scene/sphere_model.h"

namespace playcore {

namespace {

// A test seam: null in the program; atomic because a test may set it while Media Foundation threads
// of an earlier player still activate presenters.
std::atomic<PresenterCreatedHook> g_presenterHook{nullptr};

// The store starts empty; the EVR may add its own entries.
constexpr UINT32 kInitialAttributes = 1;

}  // namespace

PresenterCreatedHook SetPresenterCreatedHook(PresenterCreatedHook hook) { return g_presenterHook.exchange(hook); }

CMFActivate::~CMFActivate() {
  if (presenter_) presenter_->Release();
}

HRESULT CMFActivate::FinalConstruct() {
  // The EVR may read or write attributes on this object, so it always has a store.
  return MFCreateAttributes(store_.put(), kInitialAttributes);
}

void CMFActivate::SetFrameSize(UINT32 width, UINT32 height) {
  const Locked lock(*this);
  frameWidth_ = width;
  frameHeight_ = height;
}

void CMFActivate::SetOwner(const sVIEWSETTINGS* owner, const sVIEWSETTINGS* settings) {
  const Locked lock(*this);
  owner_ = owner;
  hasSettings_ = settings != nullptr;
  if (settings) settings_ = *settings;
}

quill::com::ComPtr<EVRCustomPresenter> CMFActivate::presenter() {
  const Locked lock(*this);
  return quill::com::ComPtr<EVRCustomPresenter>::Borrow(presenter_);
}

void CMFActivate::SetSeekMark(bool mark) {
  quill::com::ComPtr<EVRCustomPresenter> held = presenter();
  if (held) held->SetSeekMark(mark);
}

HRESULT CMFActivate::ActivateObject(REFIID riid, void** ppv) {
  if (!IsEqualIID(riid, __uuidof(IMFVideoPresenter))) return kActivateRefused;
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  const Locked lock(*this);
  if (presenter_) {
    *ppv = static_cast<IMFVideoPresenter*>(presenter_);
    presenter_->AddRef();
    return S_OK;
  }
  quill::com::CComObject<EVRCustomPresenter>* created = nullptr;
  HRESULT hr = quill::com::CComObject<EVRCustomPresenter>::CreateInstance(&created);
  if (FAILED(hr) || !created) return kActivateRefused;
  created->AddRef();
  if (!created->engine()) {
    // Without its Direct3D engine the presenter could never show a frame: the open fails cleanly.
    hr = FAILED(created->engineResult()) ? created->engineResult() : kActivateRefused;
    created->Release();
    return hr;
  }
  presenter_ = created;
  SeedPresenter(created);
  *ppv = static_cast<IMFVideoPresenter*>(created);
  created->AddRef();
  return S_OK;
}

void CMFActivate::SeedPresenter(EVRCustomPresenter* presenter) {
  D3DPresentEngine* engine = presenter->engine();
  engine->SetFrameSize(frameWidth_, frameHeight_);
  if (const PresenterCreatedHook hook = g_presenterHook.load()) hook(presenter, owner_);
  const sVIEWSETTINGS settings =
      hasSettings_ ? settings_ : owner_ ? *owner_ : DefaultViewSettings();
  SeedView(presenter, settings);
}

void CMFActivate::Reseed(const sVIEWSETTINGS* owner, const sVIEWSETTINGS& settings) {
  quill::com::ComPtr<EVRCustomPresenter> held;
  {
    const Locked lock(*this);
    owner_ = owner;
    hasSettings_ = true;
    settings_ = settings;
    held = quill::com::ComPtr<EVRCustomPresenter>::Borrow(presenter_);
  }
  if (held) SeedView(held.get(), settings);
}

void CMFActivate::SeedView(EVRCustomPresenter* presenter, const sVIEWSETTINGS& settings) {
  D3DPresentEngine* engine = presenter->engine();
  engine->SetViewMode(settings.viewMode);
  FrameRenderer* renderer = engine->renderer();
  if (!renderer) return;
  if (settings.viewMode == kViewFlat) {
    D3DRawObj2* flat = renderer->flat();
    if (!flat) return;
    quill::com::ScopedLock flatLock(flat->lock());
    flat->SetViewMode(settings.viewMode);
    // The word after the view mode is the flat picture's mirror flag.
    if (flat->mirrored() != (settings.word3 != 0)) flat->ToggleMirror();
  } else if (CSphereModel* scene = renderer->scene()) {
    scene->Seed(settings);
  }
}

HRESULT CMFActivate::ShutdownObject() {
  quill::com::CComObject<EVRCustomPresenter>* held = nullptr;
  {
    const Locked lock(*this);
    held = std::exchange(presenter_, nullptr);
  }
  if (held) held->Release();
  return S_OK;
}

HRESULT CMFActivate::DetachObject() { return ShutdownObject(); }

// --- IMFAttributes: every call goes to the inner store ---

STDMETHODIMP CMFActivate::GetItem(REFGUID k, PROPVARIANT* v) { return store_->GetItem(k, v); }
STDMETHODIMP CMFActivate::GetItemType(REFGUID k, MF_ATTRIBUTE_TYPE* t) { return store_->GetItemType(k, t); }
STDMETHODIMP CMFActivate::CompareItem(REFGUID k, REFPROPVARIANT v, BOOL* r) {
  return store_->CompareItem(k, v, r);
}
STDMETHODIMP CMFActivate::Compare(IMFAttributes* a, MF_ATTRIBUTES_MATCH_TYPE t, BOOL* r) {
  return store_->Compare(a, t, r);
}
STDMETHODIMP CMFActivate::GetUINT32(REFGUID k, UINT32* v) { return store_->GetUINT32(k, v); }
STDMETHODIMP CMFActivate::GetUINT64(REFGUID k, UINT64* v) { return store_->GetUINT64(k, v); }
STDMETHODIMP CMFActivate::GetDouble(REFGUID k, double* v) { return store_->GetDouble(k, v); }
STDMETHODIMP CMFActivate::GetGUID(REFGUID k, GUID* v) { return store_->GetGUID(k, v); }
STDMETHODIMP CMFActivate::GetStringLength(REFGUID k, UINT32* n) { return store_->GetStringLength(k, n); }
STDMETHODIMP CMFActivate::GetString(REFGUID k, LPWSTR v, UINT32 s, UINT32* n) {
  return store_->GetString(k, v, s, n);
}
STDMETHODIMP CMFActivate::GetAllocatedString(REFGUID k, LPWSTR* v, UINT32* n) {
  return store_->GetAllocatedString(k, v, n);
}
STDMETHODIMP CMFActivate::GetBlobSize(REFGUID k, UINT32* s) { return store_->GetBlobSize(k, s); }
STDMETHODIMP CMFActivate::GetBlob(REFGUID k, UINT8* b, UINT32 s, UINT32* n) {
  return store_->GetBlob(k, b, s, n);
}
STDMETHODIMP CMFActivate::GetAllocatedBlob(REFGUID k, UINT8** b, UINT32* s) {
  return store_->GetAllocatedBlob(k, b, s);
}
STDMETHODIMP CMFActivate::GetUnknown(REFGUID k, REFIID r, LPVOID* p) { return store_->GetUnknown(k, r, p); }
STDMETHODIMP CMFActivate::SetItem(REFGUID k, REFPROPVARIANT v) { return store_->SetItem(k, v); }
STDMETHODIMP CMFActivate::DeleteItem(REFGUID k) { return store_->DeleteItem(k); }
STDMETHODIMP CMFActivate::DeleteAllItems() { return store_->DeleteAllItems(); }
STDMETHODIMP CMFActivate::SetUINT32(REFGUID k, UINT32 v) { return store_->SetUINT32(k, v); }
STDMETHODIMP CMFActivate::SetUINT64(REFGUID k, UINT64 v) { return store_->SetUINT64(k, v); }
STDMETHODIMP CMFActivate::SetDouble(REFGUID k, double v) { return store_->SetDouble(k, v); }
STDMETHODIMP CMFActivate::SetGUID(REFGUID k, REFGUID v) { return store_->SetGUID(k, v); }
STDMETHODIMP CMFActivate::SetString(REFGUID k, LPCWSTR v) { return store_->SetString(k, v); }
STDMETHODIMP CMFActivate::SetBlob(REFGUID k, const UINT8* b, UINT32 s) { return store_->SetBlob(k, b, s); }
STDMETHODIMP CMFActivate::SetUnknown(REFGUID k, IUnknown* u) { return store_->SetUnknown(k, u); }
STDMETHODIMP CMFActivate::LockStore() { return store_->LockStore(); }
STDMETHODIMP CMFActivate::UnlockStore() { return store_->UnlockStore(); }
STDMETHODIMP CMFActivate::GetCount(UINT32* n) { return store_->GetCount(n); }
STDMETHODIMP CMFActivate::GetItemByIndex(UINT32 i, GUID* k, PROPVARIANT* v) {
  return store_->GetItemByIndex(i, k, v);
}
STDMETHODIMP CMFActivate::CopyAllItems(IMFAttributes* d) { return store_->CopyAllItems(d); }

}  // namespace playcore
