// The WebBrowser control's site: creation, activation, navigation and the control's callbacks.
#include "tavrin/driveviews/map_browser_site.h"

#include <exdispid.h>
#include <ocidl.h>

namespace driveviews {

using quill::com::ComPtr;

HRESULT BrowserSite::Create(HWND host, IBrowserSiteOwner* owner, ComPtr<BrowserSite>* out) {
  out->reset();
  ComPtr<BrowserSite> site(new (std::nothrow) BrowserSite(host, owner));
  if (!site) return E_OUTOFMEMORY;
  HRESULT hr = site->Start();
  if (FAILED(hr)) {
    site->Close();
    return hr;
  }
  *out = std::move(site);
  return S_OK;
}

HRESULT BrowserSite::Start() {
  HRESULT hr = CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IWebBrowser2,
                                browser_.putVoid());
  if (FAILED(hr)) return hr;
  ComPtr<IOleObject> object;
  if (FAILED(hr = browser_.As(&object))) return hr;
  if (FAILED(hr = object->SetClientSite(static_cast<IOleClientSite*>(this)))) return hr;
  RECT rect = {};
  GetClientRect(host_, &rect);
  hr = object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(this), 0, host_, &rect);
  if (FAILED(hr)) return hr;
  // Dropped files would make the control leave the page.
  browser_->put_RegisterAsDropTarget(VARIANT_FALSE);
  browser_->put_Silent(VARIANT_TRUE);
  ComPtr<IConnectionPointContainer> container;
  if (SUCCEEDED(browser_.As(&container)) &&
      SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, events_.put()))) {
    if (FAILED(events_->Advise(static_cast<IDispatch*>(this), &cookie_))) events_.reset();
  }
  return S_OK;
}

void BrowserSite::Close() {
  if (events_) {
    events_->Unadvise(cookie_);
    events_.reset();
  }
  if (browser_) {
    browser_->Stop();
    ComPtr<IOleInPlaceObject> inPlace;
    if (SUCCEEDED(browser_.As(&inPlace))) inPlace->InPlaceDeactivate();
    ComPtr<IOleObject> object;
    if (SUCCEEDED(browser_.As(&object))) {
      object->Close(OLECLOSE_NOSAVE);
      object->SetClientSite(nullptr);
    }
    browser_.reset();
  }
  owner_ = nullptr;
}

HRESULT BrowserSite::Navigate(const std::wstring& url) {
  if (!browser_) return E_UNEXPECTED;
  VARIANT target;
  VariantInit(&target);
  target.vt = VT_BSTR;
  target.bstrVal = SysAllocString(url.c_str());
  if (!target.bstrVal) return E_OUTOFMEMORY;
  VARIANT empty;
  VariantInit(&empty);
  HRESULT hr = browser_->Navigate2(&target, &empty, &empty, &empty, &empty);
  VariantClear(&target);
  return hr;
}

void BrowserSite::Resize(const RECT& rect) {
  ComPtr<IOleInPlaceObject> inPlace;
  if (browser_ && SUCCEEDED(browser_.As(&inPlace))) inPlace->SetObjectRects(&rect, &rect);
}

ComPtr<IHTMLDocument2> BrowserSite::Document() const {
  ComPtr<IHTMLDocument2> document;
  if (!browser_) return document;
  ComPtr<IDispatch> dispatch;
  if (SUCCEEDED(browser_->get_Document(dispatch.put())) && dispatch) dispatch.As(&document);
  return document;
}

std::wstring BrowserSite::LocationUrl() const {
  std::wstring url;
  BSTR location = nullptr;
  if (browser_ && SUCCEEDED(browser_->get_LocationURL(&location)) && location) url = location;
  SysFreeString(location);
  return url;
}

bool BrowserSite::IsTop(IDispatch* frame) const {
  if (!frame || !browser_) return false;
  ComPtr<IUnknown> a, b;
  frame->QueryInterface(IID_IUnknown, a.putVoid());
  browser_->QueryInterface(IID_IUnknown, b.putVoid());
  return a && a.get() == b.get();
}

HRESULT BrowserSite::QueryInterface(REFIID iid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite)) {
    *ppv = static_cast<IOleClientSite*>(this);
  } else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceSite)) {
    *ppv = static_cast<IOleInPlaceSite*>(this);
  } else if (IsEqualIID(iid, IID_IOleInPlaceUIWindow) || IsEqualIID(iid, IID_IOleInPlaceFrame)) {
    *ppv = static_cast<IOleInPlaceFrame*>(this);
  } else if (IsEqualIID(iid, IID_IDocHostUIHandler)) {
    *ppv = static_cast<IDocHostUIHandler*>(this);
  } else if (IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, DIID_DWebBrowserEvents2)) {
    *ppv = static_cast<IDispatch*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG BrowserSite::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

ULONG BrowserSite::Release() {
  LONG left = InterlockedDecrement(&refs_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT BrowserSite::GetMoniker(DWORD, DWORD, IMoniker** mk) {
  if (mk) *mk = nullptr;
  return E_NOTIMPL;
}

HRESULT BrowserSite::GetContainer(IOleContainer** container) {
  if (container) *container = nullptr;
  return E_NOINTERFACE;
}

HRESULT BrowserSite::GetWindow(HWND* hwnd) {
  if (!hwnd) return E_POINTER;
  *hwnd = host_;
  return S_OK;
}

HRESULT BrowserSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                      LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
  if (!frame || !doc || !pos || !clip || !info) return E_POINTER;
  *frame = static_cast<IOleInPlaceFrame*>(this);
  AddRef();
  *doc = nullptr;
  GetClientRect(host_, pos);
  *clip = *pos;
  info->fMDIApp = FALSE;
  info->hwndFrame = host_;
  info->haccel = nullptr;
  info->cAccelEntries = 0;
  return S_OK;
}

HRESULT BrowserSite::GetHostInfo(DOCHOSTUIINFO* info) {
  if (!info) return E_POINTER;
  info->dwFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO | DOCHOSTUIFLAG_DIALOG;
  info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
  return S_OK;
}

HRESULT BrowserSite::GetOptionKeyPath(LPOLESTR* key, DWORD) {
  if (key) *key = nullptr;
  return S_FALSE;
}

HRESULT BrowserSite::GetDropTarget(IDropTarget*, IDropTarget** target) {
  if (target) *target = nullptr;
  return E_NOTIMPL;
}

HRESULT BrowserSite::GetExternal(IDispatch** dispatch) {
  if (!dispatch) return E_POINTER;
  *dispatch = owner_ ? owner_->External(LocationUrl()) : nullptr;
  if (!*dispatch) return S_FALSE;
  (*dispatch)->AddRef();
  return S_OK;
}

HRESULT BrowserSite::TranslateUrl(DWORD, LPWSTR, LPWSTR* out) {
  if (out) *out = nullptr;
  return S_FALSE;
}

HRESULT BrowserSite::FilterDataObject(IDataObject*, IDataObject** out) {
  if (out) *out = nullptr;
  return S_FALSE;
}

HRESULT BrowserSite::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT BrowserSite::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) {
  if (!owner_ || !params) return S_OK;
  // Event arguments arrive last first.
  if (id == DISPID_DOCUMENTCOMPLETE && params->cArgs >= 2) {
    VARIANT* frame = &params->rgvarg[1];
    VARIANT* url = &params->rgvarg[0];
    std::wstring text;
    if (url->vt == (VT_VARIANT | VT_BYREF) && url->pvarVal && url->pvarVal->vt == VT_BSTR && url->pvarVal->bstrVal) {
      text = url->pvarVal->bstrVal;
    } else if (url->vt == VT_BSTR && url->bstrVal) {
      text = url->bstrVal;
    }
    owner_->OnDocumentComplete(frame->vt == VT_DISPATCH && IsTop(frame->pdispVal), text);
  } else if (id == DISPID_BEFORENAVIGATE2 && params->cArgs >= 7) {
    VARIANT* frame = &params->rgvarg[6];
    VARIANT* url = &params->rgvarg[5];
    VARIANT* cancel = &params->rgvarg[0];
    std::wstring text;
    if (url->vt == (VT_VARIANT | VT_BYREF) && url->pvarVal && url->pvarVal->vt == VT_BSTR && url->pvarVal->bstrVal) {
      text = url->pvarVal->bstrVal;
    }
    bool top = frame->vt == VT_DISPATCH && IsTop(frame->pdispVal);
    if (top && cancel->vt == (VT_BOOL | VT_BYREF) && cancel->pboolVal && !owner_->AllowNavigation(text)) {
      *cancel->pboolVal = VARIANT_TRUE;
    }
  }
  return S_OK;
}

}  // namespace driveviews
