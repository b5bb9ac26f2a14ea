// The activation object the player puts on the video renderer's activate: when the EVR is created it
// asks this object for its presenter, which is then the program's EVRCustomPresenter, given the
// stream's frame size and the owning instance's view settings.
//
// Threads: ActivateObject, ShutdownObject and DetachObject run on Media Foundation threads; the player
// reads the presenter on the thread that drives the instance. The presenter field is guarded by the
// object lock; the attribute store is made at creation and is thread-safe itself.
#pragma once

#include <windows.h>
#include <mfidl.h>

#include "platform/com/com_object.h"
#include "platform/com/com_ptr.h"
#include "playcore/presenter/evr_presenter.h"
#include "playcore/scene/view_settings.h"

namespace playcore {

// Called with every presenter an activation object creates, after its frame size is set and before
// the view settings are copied in (tests put a frame recorder in front of the engine's renderer).
typedef void (*PresenterCreatedHook)(EVRCustomPresenter* presenter, const sVIEWSETTINGS* owner);
PresenterCreatedHook SetPresenterCreatedHook(PresenterCreatedHook hook);  // answers the old one

// The EVR's answer when the presenter cannot be made or another interface is asked for.
constexpr HRESULT kActivateRefused = static_cast<HRESULT>(0xC00D36FA);  // MF_E_NOT_AVAILABLE

class CMFActivate : public quill::com::CComObjectRootEx<quill::com::CComMultiThreadModel>,
                    public IMFActivate {
 public:
  BEGIN_COM_MAP(CMFActivate)
    COM_INTERFACE_ENTRY(IMFActivate)
    COM_INTERFACE_ENTRY(IMFAttributes)
  END_COM_MAP()

  CMFActivate() = default;
  virtual ~CMFActivate();
  HRESULT FinalConstruct();

  // Set by the player before the topology is handed to the session.
  void SetFrameSize(UINT32 width, UINT32 height);
  // `owner` identifies the owning instance's settings (for the hook); the presenter is seeded from
  // `settings` when given (a copy made where the instance's mutex is held), else from `owner`.
  void SetOwner(const sVIEWSETTINGS* owner, const sVIEWSETTINGS* settings = nullptr);
  // A take-over of a player prepared ahead: `owner` and `settings` from here on, and the presenter
  // already made (if any) given the settings' view as a new one would be.
  void Reseed(const sVIEWSETTINGS* owner, const sVIEWSETTINGS& settings);
  // The presenter made by ActivateObject, with a new reference (null before and after shut-down).
  quill::com::ComPtr<EVRCustomPresenter> presenter();
  // Sets the presenter's seek mark when a presenter exists.
  void SetSeekMark(bool mark);

  // IMFActivate
  STDMETHODIMP ActivateObject(REFIID riid, void** ppv) override;
  STDMETHODIMP ShutdownObject() override;
  STDMETHODIMP DetachObject() override;

  // IMFAttributes: forwarded to the inner store.
  STDMETHODIMP GetItem(REFGUID key, PROPVARIANT* value) override;
  STDMETHODIMP GetItemType(REFGUID key, MF_ATTRIBUTE_TYPE* type) override;
  STDMETHODIMP CompareItem(REFGUID key, REFPROPVARIANT value, BOOL* result) override;
  STDMETHODIMP Compare(IMFAttributes* theirs, MF_ATTRIBUTES_MATCH_TYPE type, BOOL* result) override;
  STDMETHODIMP GetUINT32(REFGUID key, UINT32* value) override;
  STDMETHODIMP GetUINT64(REFGUID key, UINT64* value) override;
  STDMETHODIMP GetDouble(REFGUID key, double* value) override;
  STDMETHODIMP GetGUID(REFGUID key, GUID* value) override;
  STDMETHODIMP GetStringLength(REFGUID key, UINT32* length) override;
  STDMETHODIMP GetString(REFGUID key, LPWSTR value, UINT32 size, UINT32* length) override;
  STDMETHODIMP GetAllocatedString(REFGUID key, LPWSTR* value, UINT32* length) override;
  STDMETHODIMP GetBlobSize(REFGUID key, UINT32* size) override;
  STDMETHODIMP GetBlob(REFGUID key, UINT8* buffer, UINT32 size, UINT32* blobSize) override;
  STDMETHODIMP GetAllocatedBlob(REFGUID key, UINT8** buffer, UINT32* size) override;
  STDMETHODIMP GetUnknown(REFGUID key, REFIID riid, LPVOID* ppv) override;
  STDMETHODIMP SetItem(REFGUID key, REFPROPVARIANT value) override;
  STDMETHODIMP DeleteItem(REFGUID key) override;
  STDMETHODIMP DeleteAllItems() override;
  STDMETHODIMP SetUINT32(REFGUID key, UINT32 value) override;
  STDMETHODIMP SetUINT64(REFGUID key, UINT64 value) override;
  STDMETHODIMP SetDouble(REFGUID key, double value) override;
  STDMETHODIMP SetGUID(REFGUID key, REFGUID value) override;
  STDMETHODIMP SetString(REFGUID key, LPCWSTR value) override;
  STDMETHODIMP SetBlob(REFGUID key, const UINT8* buffer, UINT32 size) override;
  STDMETHODIMP SetUnknown(REFGUID key, IUnknown* unknown) override;
  STDMETHODIMP LockStore() override;
  STDMETHODIMP UnlockStore() override;
  STDMETHODIMP GetCount(UINT32* count) override;
  STDMETHODIMP GetItemByIndex(UINT32 index, GUID* key, PROPVARIANT* value) override;
  STDMETHODIMP CopyAllItems(IMFAttributes* dest) override;

 private:
  // The object lock (CComObjectRootEx) for one scope.
  using Locked = quill::com::LockScope<CMFActivate>;
  void SeedPresenter(EVRCustomPresenter* presenter);
  static void SeedView(EVRCustomPresenter* presenter, const sVIEWSETTINGS& settings);

  quill::com::CComObject<EVRCustomPresenter>* presenter_ = nullptr;  // one reference held
  quill::com::ComPtr<IMFAttributes> store_;
  UINT32 frameWidth_ = 0;
  UINT32 frameHeight_ = 0;
  const sVIEWSETTINGS* owner_ = nullptr;
  bool hasSettings_ = false;
  sVIEWSETTINGS settings_ = {};
};

}  // namespace playcore
