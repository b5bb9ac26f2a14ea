// Creating the map dialog for the main dialog.
#include "tavrin/driveviews/map_setup.h"

#include <memory>

#include "tavrin/driveviews/map_dialog_ie.h"
#include "tavrin/driveviews/map_dialog_webview.h"

namespace driveviews {

namespace {

template <class Dialog>
std::unique_ptr<IMapDialog> Make(CWnd* frame) {
  auto dialog = std::make_unique<Dialog>();
  if (!dialog->CreateMap(frame)) return nullptr;
  return dialog;
}

}  // namespace

MapVariant CreateMapDialog(CGoogleMapDlgWrap* wrap, CWnd* frame, HWND owner, int top, MapVariant variant) {
  wrap->SetOwner(owner);
  std::unique_ptr<IMapDialog> dialog =
      variant == MapVariant::kWebView2 ? Make<CGoogleMapDlg2>(frame) : Make<CGoogleMapDlg>(frame);
  if (dialog && frame && frame->GetSafeHwnd()) {
    RECT client = {};
    ::GetClientRect(frame->GetSafeHwnd(), &client);
    ::MoveWindow(dialog->Window(), 0, top, client.right, client.bottom > top ? client.bottom - top : 0, FALSE);
  }
  wrap->Attach(std::move(dialog));
  return variant;
}

}  // namespace driveviews
