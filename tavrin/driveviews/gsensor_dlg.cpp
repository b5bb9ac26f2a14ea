// The G-sensor graph window: set-up, the step-width queries, event marks for the map, clicks.
#include "tavrin/driveviews/gsensor_dlg.h"

#include "platform/framework/msgmap.h"

using namespace quill::driveviews;

BEGIN_MESSAGE_MAP(CGSensorDlg, CDialog)
  ON_WM_ERASEBKGND()  // BOOL OnEraseBkgnd(CDC* dc)
  ON_WM_LBUTTONUP()   // void OnLButtonUp(UINT flags, CPoint pt)
  ON_WM_RBUTTONUP()   // void OnRButtonUp(UINT flags, CPoint pt)
END_MESSAGE_MAP()

CGSensorDlg::CGSensorDlg(GraphDataSource* source)
    : CDialog(kTemplateId, nullptr), m_channels(DefaultChannelFlags()) {
  if (!source) {
    m_ownSource = std::make_unique<PlayerGraphSource>();
    source = m_ownSource.get();
  }
  m_source = source;
  for (double& scale : m_dScale) scale = kDefaultScale;
  m_cursorPen.CreatePen(PS_SOLID, 1, kCursorColour);
  for (int band = 0; band < 3; ++band) m_bandPens[band].CreatePen(PS_SOLID, 1, BandColour(band));
  for (int c = 0; c < kCategoryCount; ++c) m_categoryPens[c].CreatePen(PS_SOLID, 1, CategoryColour(c));
  m_background.LoadBitmap(kBackgroundId);
  m_assistMark.LoadBitmap(kAssistMarkId);
}

CGSensorDlg::~CGSensorDlg() {
  if (m_oldBackground) ::SelectObject(m_dcBackground.m_hDC, m_oldBackground);
  if (m_oldAssist) ::SelectObject(m_dcAssist.m_hDC, m_oldAssist);
  if (m_oldMask) ::SelectObject(m_dcMask.m_hDC, m_oldMask);
  if (m_oldHighlight) ::SelectObject(m_dcHighlight.m_hDC, m_oldHighlight);
}

BOOL CGSensorDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  CClientDC window(this);
  m_dcBackground.CreateCompatibleDC(&window);
  m_dcAssist.CreateCompatibleDC(&window);
  m_dcMask.CreateCompatibleDC(&window);
  m_dcHighlight.CreateCompatibleDC(&window);
  if (m_highlight.CreateCompatibleBitmap(&window, kHighlightWidth, kHighlightHeight) && m_dcHighlight.m_hDC) {
    m_oldHighlight = ::SelectObject(m_dcHighlight.m_hDC, m_highlight.m_hObject);
    m_dcHighlight.FillSolidRect(0, 0, kHighlightWidth, kHighlightHeight, kHighlightColour);
  }
  BuildAssistMask();
  if (m_background.m_hObject && m_dcBackground.m_hDC) {
    m_oldBackground = ::SelectObject(m_dcBackground.m_hDC, m_background.m_hObject);
    const CSize size = m_background.GetSize();
    m_nBitmapWidth = size.cx;
    m_nBitmapHeight = size.cy;
  }
  return TRUE;
}

// The category-11 picture is drawn masked: a monochrome copy (white, its background, becomes 1) is
// inverted so that the picture's own pixels are the ones PlgBlt copies.
void CGSensorDlg::BuildAssistMask() {
  if (!m_assistMark.m_hObject || !m_dcAssist.m_hDC || !m_dcMask.m_hDC) return;
  const CSize size = m_assistMark.GetSize();
  if (!m_assistMask.CreateBitmap(size.cx, size.cy, 1, 1, nullptr)) return;
  m_nAssistWidth = size.cx;
  m_nAssistHeight = size.cy;
  m_oldAssist = ::SelectObject(m_dcAssist.m_hDC, m_assistMark.m_hObject);
  m_oldMask = ::SelectObject(m_dcMask.m_hDC, m_assistMask.m_hObject);
  ::SetBkColor(m_dcAssist.m_hDC, 0xFFFFFF);
  ::BitBlt(m_dcMask.m_hDC, 0, 0, size.cx, size.cy, m_dcAssist.m_hDC, 0, 0, SRCCOPY);
  ::BitBlt(m_dcMask.m_hDC, 0, 0, size.cx, size.cy, nullptr, 0, 0, DSTINVERT);
  // PlgBlt takes the mask as a bitmap, so it must not stay selected.
  ::SelectObject(m_dcMask.m_hDC, m_oldMask);
  m_oldMask = nullptr;
}

void CGSensorDlg::Refresh() {
  if (m_hWnd) RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CGSensorDlg::SetChannelShown(int channel, int on) {
  if (channel < 0 || channel >= kChannelCount) return;
  m_channels.enabled[channel] = on;
  m_channels.visible[channel] = on;
}

void CGSensorDlg::SetBandScales(const double peaks[3]) {
  for (int band = 0; band < 3; ++band) {
    if (peaks[band] > 0.0) m_dScale[band] = peaks[band];
  }
}

void CGSensorDlg::SetPlayer(int selector) {
  m_nPlayer = selector;
  m_fFactor = 1.0f;
  const int64_t first = m_source->Duration(0);
  const int64_t selected = m_source->Duration(selector);
  if (first > 0 && selected > 0) m_fFactor = static_cast<float>(selected) / static_cast<float>(first);
  Refresh();
}

double CGSensorDlg::GetStepWidth() {
  RECT rc{};
  GetClientRect(&rc);
  GraphSourceLock lock(m_source);
  if (!m_source->Active()) return 0.0;
  const std::vector<playcore::sEVENTRECORD*>* table = m_source->PositionTable();
  if (!table) return 0.0;
  return StepWidth(rc.right - rc.left, m_nLeftMargin, table->size(), m_fFactor);
}

double CGSensorDlg::GetRecordStepWidth() {
  RECT rc{};
  GetClientRect(&rc);
  GraphSourceLock lock(m_source);
  if (!m_source->Active()) return 0.0;
  const std::vector<playcore::sEVENTRECORD>* records = m_source->Records();
  if (!records) return 0.0;
  return RecordStepWidth(rc.right - rc.left, m_nLeftMargin, records->size());
}

bool CGSensorDlg::IsSampleListShorter() {
  GraphSourceLock lock(m_source);
  if (!m_source->Active()) return false;
  const std::vector<playcore::sEVENTRECORD>* records = m_source->Records();
  if (!records || records->empty()) return false;
  const std::vector<playcore::sEVENTRECORD*>* table = m_source->PositionTable();
  return (table ? table->size() : 0) < records->size();
}

RecordSequence CGSensorDlg::Sequence(bool byPosition) {
  RecordSequence seq;
  if (!m_source->Active()) return seq;
  seq.records = m_source->Records();
  if (byPosition) seq.table = seq.records ? m_source->PositionTable() : nullptr;
  if (byPosition && !seq.table) seq.records = nullptr;
  return seq;
}

int CGSensorDlg::AddEventA(std::vector<EventMark>* marks, int recordNumber, int channel) {
  if (channel < 0 || channel >= kChannelCount) return 1;
  GraphSourceLock lock(m_source);
  return CollectEventMark(marks, Sequence(false), recordNumber, channel, m_channels.visible[channel],
                          m_channels.marks);
}

int CGSensorDlg::AddEventB(std::vector<EventMark>* marks, int position, int channel) {
  if (channel < 0 || channel >= kChannelCount) return 1;
  GraphSourceLock lock(m_source);
  return CollectEventMark(marks, Sequence(true), position, channel, m_channels.visible[channel],
                          m_channels.marks);
}

void CGSensorDlg::OnLButtonUp(UINT, CPoint) {
  if (CWnd* parent = GetParent()) parent->PostMessage(kMsgPreviousEvent, 0, 0);
  Default();
}

void CGSensorDlg::OnRButtonUp(UINT, CPoint) {
  if (CWnd* parent = GetParent()) parent->PostMessage(kMsgNextEvent, 0, 0);
  Default();
}
