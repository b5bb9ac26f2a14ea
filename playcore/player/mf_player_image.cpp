// The player's picture services: the current image of the display control and the mixer's alpha
// bitmap, both under the player's lock (the topology may be replaced meanwhile).
#include "playcore/player/mf_player.h"

HRESULT CPlayer::GetCurrentImage(BITMAPINFOHEADER* header, BYTE** dib, DWORD* dibSize) {
  if (!header || !dib || !dibSize) return E_POINTER;
  *dib = nullptr;
  *dibSize = 0;
  quill::com::ScopedLock hold(lock_);
  if (!displayControl_) return E_UNEXPECTED;
  header->biSize = sizeof(BITMAPINFOHEADER);
  LONGLONG timeStamp = 0;
  return displayControl_->GetCurrentImage(header, dib, dibSize, &timeStamp);
}

HRESULT CPlayer::SetAlphaBitmap(const MFVideoAlphaBitmap* bitmap) {
  quill::com::ScopedLock hold(lock_);
  if (!mixerBitmap_) return E_NOINTERFACE;
  return mixerBitmap_->SetAlphaBitmap(bitmap);
}

HRESULT CPlayer::ClearAlphaBitmap() {
  quill::com::ScopedLock hold(lock_);
  if (!mixerBitmap_) return E_NOINTERFACE;
  return mixerBitmap_->ClearAlphaBitmap();
}
