// Stand-ins for the playback driving the commands call, until it is merged: nothing is playing, no
// movie ends, no open runs.
#include "tavrin/app/main_dlg.h"

int CtavrinDlg::CheckMovieEnd() { return 0; }
void CtavrinDlg::OpenNext() {}
void CtavrinDlg::StopPlayback() {}
void CtavrinDlg::Stop() {}
void CtavrinDlg::SeekTo(int, int64_t) {}
void CtavrinDlg::UpdateSpeedLabel() {}
bool CtavrinDlg::IsOpenInProgress() { return false; }

int RotateViewByDrag(CMoment*, CMovieStatic*, int, int, int, int, float) { return 0; }
