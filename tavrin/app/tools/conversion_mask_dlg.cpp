#include "tavrin/app/tools/conversion_mask_dlg.h"

#include "platform/framework/private_messages.h"
#include "platform/framework/pumped_wait.h"
#include "playcore/converter/movie_capture.h"
#include "res/convert_res.h"
#include "res/resource.h"
#include "tavrin/app/dialogs/dialog_placement.h"
#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/ui_texts.h"
#include "tavrin/skin/window_utils.h"

namespace quill::app {

namespace {

constexpr unsigned kTextTitle = 171;      // "表示マスク領域の選択"
constexpr unsigned kTextUndo = 172;       // "一つ戻る"
constexpr unsigned kTextDeleteAll = 173;  // "全て削除"
constexpr unsigned kTextRemoveAudio = 174;  // "音声の除去"
// Pause between two preview passes that reached the end (a stop cuts it short).
constexpr DWORD kPassPauseMs = 100;

// One converter for the dialog's whole life: its device, picture engine and grid are made by the
// first pass and kept by every later one.
class ConverterPreview : public IPreviewJob {
 public:
  explicit ConverterPreview(playcore::CMovieCapture* job) : job_(job) {}
  int RunPreview(const std::wstring& source) override {
    playcore::ConvertRequest request;
    request.source = source;
    request.write = false;
    request.overlayImage = IDP_CONVERT_BAND;
    request.spriteImage = IDP_CONVERT_MARK;
    return job_->Run(request);
  }
  void Cancel() override { job_->Cancel(); }
  void MouseAction(int action, int x, int y) override {
    playcore::CMovieCapture_CopyState(job_.get(), action, x, y, &masks_);
  }
  std::vector<RECT> Masks() const override { return job_->masks(); }
  bool CaptureFrame(std::vector<uint8_t>* bgra, DWORD waitMs) override {
    return job_->CapturePreviewFrame(bgra, waitMs);
  }

 private:
  playcore::MovieCapturePtr job_;
  std::vector<RECT> masks_;  // the areas as the last mouse action left them
};

}  // namespace

std::unique_ptr<IPreviewJob> MakeConverterPreview(HWND pane) {
  playcore::CMovieCapture* job = playcore::CMovieCapture_Create(pane);
  if (!job) return nullptr;
  // The work area of the monitor nearest the dialog: the preview is never presented beyond it.
  RECT work = {};
  if (GetMonitorWorkRect(CWnd::FromHandle(::GetParent(pane) ? ::GetParent(pane) : pane), &work)) {
    job->SetWorkSize(static_cast<UINT>(work.right - work.left), static_cast<UINT>(work.bottom - work.top));
  }
  return std::make_unique<ConverterPreview>(job);
}

POINT ClampToPane(POINT pt, int width, int height) {
  const LONG maxX = width > 0 ? width - 1 : 0, maxY = height > 0 ? height - 1 : 0;
  pt.x = pt.x < 0 ? 0 : (pt.x > maxX ? maxX : pt.x);
  pt.y = pt.y < 0 ? 0 : (pt.y > maxY ? maxY : pt.y);
  return pt;
}

// ---- the preview worker ----

CPreviewWorker::CPreviewWorker() : stopEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

CPreviewWorker::~CPreviewWorker() { Stop(); }

bool CPreviewWorker::Start(IPreviewJob* job, const std::wstring& source) {
  if (thread_ || !job || !stopEvent_) return false;
  job_ = job;
  source_ = source;
  stop_.store(false);
  ResetEvent(stopEvent_.get());
  thread_.Reset(CreateThread(nullptr, 0, &CPreviewWorker::ThreadProc, this, 0, nullptr));
  return thread_.valid();
}

DWORD WINAPI CPreviewWorker::ThreadProc(void* self) {
  auto* w = static_cast<CPreviewWorker*>(self);
  while (!w->stop_.load()) {
    const int result = w->job_->RunPreview(w->source_);
    w->passes_.fetch_add(1);
    if (result != 0) break;  // failed or cancelled: a failing source is not retried in a busy loop
    WaitForSingleObject(w->stopEvent_.get(), kPassPauseMs);
  }
  return 0;
}

void CPreviewWorker::Stop() {
  if (!thread_ || stopping_) return;
  stopping_ = true;
  stop_.store(true);
  SetEvent(stopEvent_.get());
  job_->Cancel();
  // The job presents into a window of this thread: keep its messages flowing until the worker ends.
  HANDLE thread = thread_.get();
  const quill::framework::PumpedWaitEnd end = quill::framework::WaitPumpingMessages([thread] { return thread; });
  if (end.quit) {
    WaitForSingleObject(thread, INFINITE);  // cancelled: it ends without this thread's messages
    PostQuitMessage(end.quitCode);          // for the outer loop
  }
  thread_.Reset();
  job_ = nullptr;
  stopping_ = false;
}

// ---- the preview pane ----

BEGIN_MESSAGE_MAP(CConvertMovieStatic, CStatic)
  ON_WM_LBUTTONDOWN()
  ON_WM_LBUTTONUP()
  ON_WM_MOUSEMOVE()
END_MESSAGE_MAP()

void CConvertMovieStatic::OnLButtonDown(UINT, CPoint pt) {
  if (!m_pJob) return;
  ::SetCapture(m_hWnd);
  m_bDragging = TRUE;
  m_pJob->MouseAction(1, pt.x, pt.y);
}

void CConvertMovieStatic::OnMouseMove(UINT, CPoint pt) {
  if (m_bDragging && m_pJob) m_pJob->MouseAction(2, pt.x, pt.y);
}

void CConvertMovieStatic::OnLButtonUp(UINT, CPoint pt) {
  if (!m_bDragging) return;
  m_bDragging = FALSE;
  if (::GetCapture() == m_hWnd) ::ReleaseCapture();
  if (!m_pJob) return;
  RECT client = {};
  ::GetClientRect(m_hWnd, &client);
  const POINT p = ClampToPane(POINT{pt.x, pt.y}, client.right - client.left, client.bottom - client.top);
  m_pJob->MouseAction(3, p.x, p.y);
  ::PostMessageW(::GetParent(m_hWnd), quill::msg::kConvertPreviewRedraw, 0, 0);
}

// ---- the dialog ----

BEGIN_MESSAGE_MAP(CConvertDlg, CSkinDialog)
  ON_COMMAND(IDC_CONVERT_CLOSE, OnCaptionClose)
  ON_COMMAND(IDC_CONVERT_DELETE_ALL, OnDeleteAll)
  ON_COMMAND(IDC_CONVERT_UNDO, OnUndo)
  ON_COMMAND_RANGE(IDC_CONVERT_REMOVE_AUDIO, IDC_CONVERT_REMOVE_AUDIO_LAST, OnToggleAudio)
  ON_MESSAGE(quill::msg::kConvertPreviewRedraw, OnAreasChanged)
  ON_WM_PAINT()
  ON_WM_DESTROY()
END_MESSAGE_MAP()

CConvertDlg::CConvertDlg(CWnd* parent, const std::wstring& source, PreviewJobFactory factory)
    : CSkinDialog(IDD_CONVERT_MASK, parent), m_source(source), m_factory(std::move(factory)) {}

CConvertDlg::~CConvertDlg() {
  StopWorker();
}

BOOL CConvertDlg::OnInitDialog() {
  CSkinDialog::OnInitDialog();
  m_pen.CreatePen(PS_SOLID, 1, 0xCFCFCF);
  m_brush.CreateSolidBrush(0xAAAAAA);
  PlaceDialogOnMonitor(this, this, kWidth, kHeight);  // centred in the work area, its origin included
  SetWindowText(UIText(kTextTitle));
  CreateCaptionButton(IDC_CONVERT_CLOSE);

  // SS_NOTIFY: a plain static lets the mouse through and the pane would never see a drag.
  m_preview.Create(L"", WS_CHILD | WS_VISIBLE | SS_NOTIFY | SS_BLACKRECT,
                   RECT{kPaneLeft, kPaneTop, kPaneLeft + kPaneWidth, kPaneTop + kPaneHeight}, this,
                   IDC_CONVERT_PREVIEW);

  const DWORD buttonStyle = WS_CHILD | WS_VISIBLE | BS_OWNERDRAW;
  m_btnCancel.Create(L"キャンセル", buttonStyle, RECT{740, 550, 840, 580}, this, IDCANCEL);
  m_btnOk.Create(L"OK", buttonStyle, RECT{880, 550, 980, 580}, this, IDOK);
  m_btnDeleteAll.Create(UIText(kTextDeleteAll), buttonStyle, RECT{600, 550, 700, 580}, this,
                        IDC_CONVERT_DELETE_ALL);
  m_btnUndo.Create(UIText(kTextUndo), buttonStyle, RECT{460, 550, 560, 580}, this, IDC_CONVERT_UNDO);
  m_btnDeleteAll.EnableWindow(FALSE);
  m_btnUndo.EnableWindow(FALSE);
  m_chkRemoveAudio.m_nImageWidth = CSkinCheckButton::kBoxSize;
  m_chkRemoveAudio.m_nImageHeight = CSkinCheckButton::kBoxSize;
  m_chkRemoveAudio.m_crText = RGB(0x20, 0x20, 0x20);
  m_chkRemoveAudio.Create(UIText(kTextRemoveAudio), buttonStyle, RECT{41, 560, 281, 600}, this,
                          IDC_CONVERT_REMOVE_AUDIO);
  m_chkRemoveAudio.SetImages(IDB_SKIN_CHECK_BOX);
  m_chkRemoveAudio.m_bChecked = m_bRemoveAudio;
  if (g_hFont10) {
    for (CWnd* w : {static_cast<CWnd*>(&m_btnCancel), static_cast<CWnd*>(&m_btnOk),
                    static_cast<CWnd*>(&m_btnDeleteAll), static_cast<CWnd*>(&m_btnUndo),
                    static_cast<CWnd*>(&m_chkRemoveAudio)}) {
      w->SetFont(g_hFont10, FALSE);
    }
  }

  m_job = m_factory ? m_factory(m_preview.m_hWnd) : MakeConverterPreview(m_preview.m_hWnd);
  if (m_job) {
    m_worker.Start(m_job.get(), m_source);
    m_preview.m_pJob = m_job.get();
  }
  return TRUE;
}

void CConvertDlg::StopWorker() {
  m_preview.m_pJob = nullptr;  // queued clicks after this point find no converter
  m_worker.Stop();
  if (m_worker.running()) return;  // an outer stop is still waiting for the worker: it releases the job
  if (m_job) {
    m_masks = m_job->Masks();
    m_job.reset();
  }
}

void CConvertDlg::RefreshAreas() {
  if (m_job) m_masks = m_job->Masks();
  const BOOL enable = MaskButtonsEnabled(m_masks) ? TRUE : FALSE;
  if (m_btnDeleteAll.m_hWnd) m_btnDeleteAll.EnableWindow(enable);
  if (m_btnUndo.m_hWnd) m_btnUndo.EnableWindow(enable);
}

LRESULT CConvertDlg::OnAreasChanged(WPARAM, LPARAM) {
  RefreshAreas();
  return 0;
}

void CConvertDlg::OnDeleteAll() {
  if (m_job) m_job->MouseAction(5, 0, 0);
  RefreshAreas();
}

void CConvertDlg::OnUndo() {
  if (m_job) m_job->MouseAction(4, 0, 0);
  RefreshAreas();
}

void CConvertDlg::OnToggleAudio(UINT) {
  m_bRemoveAudio = m_bRemoveAudio ? FALSE : TRUE;
  m_chkRemoveAudio.m_bChecked = m_bRemoveAudio;
  m_chkRemoveAudio.Invalidate(FALSE);
}

void CConvertDlg::OnDestroy() {
  StopWorker();  // before the preview pane, the converter's window, goes
  CSkinDialog::OnDestroy();
}

void CConvertDlg::OnOK() {
  if (m_worker.stopping()) return;  // a second OK or Cancel while the first still waits
  StopWorker();
  m_bAccepted = TRUE;
  CSkinDialog::OnOK();
}

void CConvertDlg::OnCancel() {
  if (m_worker.stopping()) return;
  StopWorker();
  CSkinDialog::OnCancel();
}

void CConvertDlg::OnCaptionClose() { OnCancel(); }

}  // namespace quill::app
