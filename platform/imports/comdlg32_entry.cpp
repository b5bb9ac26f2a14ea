// GetOpenFileNameW, from comdlg32.dll at its first call (the source dialog's file choice; comdlg32.dll
// brings the print spooler's libraries with it).
#include <windows.h>
#include <commdlg.h>

#include "platform/imports/import_entry.h"
#include "platform/imports/lazy_library.h"

namespace {

using quill::imports::Comdlg32Library;

// Without the library no file is chosen, as when the user cancels; the reason is the last error.
BOOL WINAPI OpenFileName(OPENFILENAMEW* dialog) {
  const auto real = Comdlg32Library().Find<decltype(&::GetOpenFileNameW)>("GetOpenFileNameW");
  if (real) return real(dialog);
  SetLastError(Comdlg32Library().MissingError());
  return FALSE;
}

}  // namespace

QUILL_IMPORT_ENTRY(GetOpenFileNameW, 4, OpenFileName);
