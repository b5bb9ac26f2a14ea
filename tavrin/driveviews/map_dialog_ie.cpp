// The Internet Explorer map dialog: the control's creation, the page's state inputs and statements.
#include "tavrin/driveviews/map_dialog_ie.h"

#include "platform/framework/program_file.h"
#include "res/map_res.h"
#include "tavrin/driveviews/map_page_address.h"
#include "tavrin/driveviews/map_script_text.h"

namespace driveviews {

using quill::com::ComPtr;
using quill::framework::ProgramFilePath;

namespace {

// The page zoom the map is drawn at, in percent (the control otherwise follows the system's DPI).
constexpr int kPageZoomPercent = 100;

class Bstr {
 public:
  explicit Bstr(const std::wstring& text) : b_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~Bstr() { SysFreeString(b_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return b_; }

 private:
  BSTR b_;
};

}  // namespace

BEGIN_MESSAGE_MAP(CGoogleMapDlg, CDialog)
  ON_WM_SIZE()
  ON_WM_DESTROY()
END_MESSAGE_MAP()

CGoogleMapDlg::CGoogleMapDlg(CWnd* parent) : CDialog(IDD_MAP_IE, parent) {}

CGoogleMapDlg::~CGoogleMapDlg() {
  DestroyWindow();
  if (site_) site_->Close();
  site_.reset();
  // The control may still hold window.external: from now on it answers every call with nothing.
  if (external_) external_->SetHostFuncs(nullptr);
}

BOOL CGoogleMapDlg::CreateMap(CWnd* parent) { return Create(IDD_MAP_IE, parent); }

std::wstring CGoogleMapDlg::PageUrl() {
  return L"res://" + ProgramFilePath() + L"/" + std::to_wstring(IDR_MAP_PAGE_IE);
}

BOOL CGoogleMapDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  ComPtr<BrowserSite> site;
  if (SUCCEEDED(BrowserSite::Create(m_hWnd, this, &site))) {
    if (SUCCEEDED(site->Navigate(PageUrl()))) {
      site_ = std::move(site);
    } else {
      site->Close();
    }
  }
  return TRUE;
}

void CGoogleMapDlg::OnSize(UINT, int cx, int cy) {
  if (site_) site_->Resize(RECT{0, 0, cx, cy});
}

void CGoogleMapDlg::OnDestroy() {
  if (site_) site_->Close();
  site_.reset();
  CDialog::OnDestroy();
}

bool CGoogleMapDlg::AllowNavigation(const std::wstring& url) {
  // The page itself only: a link in the map must not turn the dialog into a browser that could reach
  // window.external.
  return AllowMapNavigation(url, ProgramFilePath());
}

IDispatch* CGoogleMapDlg::External(const std::wstring& url) {
  return GivesMapExternal(url, ProgramFilePath()) ? external_.get() : nullptr;
}

void CGoogleMapDlg::OnDocumentComplete(bool top, const std::wstring&) {
  if (!top || !site_) return;
  TransferState();
  VARIANT zoom;
  VariantInit(&zoom);
  zoom.vt = VT_I4;
  zoom.lVal = kPageZoomPercent;
  site_->Browser()->ExecWB(OLECMDID_OPTICAL_ZOOM, OLECMDEXECOPT_DODEFAULT, &zoom, nullptr);
}

void CGoogleMapDlg::ExecScript(const std::wstring& statement) {
  if (!site_) return;
  ComPtr<IHTMLDocument2> document = site_->Document();
  if (!document) return;
  ComPtr<IHTMLWindow2> window;
  if (FAILED(document->get_parentWindow(window.put())) || !window) return;
  Bstr code(statement), language(L"javascript");
  VARIANT result;
  VariantInit(&result);
  window->execScript(code.get(), language.get(), &result);
  VariantClear(&result);
}

void CGoogleMapDlg::SetPosition(double latitude, double longitude) {
  latitude_ = latitude;
  longitude_ = longitude;
}

void CGoogleMapDlg::SetInput(const wchar_t* id, const std::wstring& value) {
  ComPtr<IHTMLDocument2> document = site_ ? site_->Document() : ComPtr<IHTMLDocument2>();
  ComPtr<IHTMLDocument3> document3;
  if (!document || FAILED(document.As(&document3))) return;
  ComPtr<IHTMLElement> element;
  Bstr name(id);
  if (FAILED(document3->getElementById(name.get(), element.put())) || !element) return;
  ComPtr<IHTMLInputElement> input;
  if (FAILED(element.As(&input))) return;
  Bstr text(value);
  input->put_value(text.get());
}

void CGoogleMapDlg::TransferState() {
  // Numbers in the C locale: the page reads "35.123456" whatever the user's decimal separator is.
  SetInput(L"map_status", status_);
  SetInput(L"map_lng", ScriptNumber(longitude_));
  SetInput(L"map_lat", ScriptNumber(latitude_));
}

}  // namespace driveviews
