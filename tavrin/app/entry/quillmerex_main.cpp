// QuillmereX.exe: the global objects in their order, and the program's entry.
#include <windows.h>

#include "tavrin/app/main/app_startup.h"
#include "tavrin/app/main/start_marks.h"

// The one application object (after the shared GDI+ drawer, which the toolkit defines; the preset
// directions and the player instances are constant-initialised or constructed with their libraries).
CtavrinApp theApp;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int show) {
  quill::app::MarkStart(quill::app::StartStep::kEntry);
  return AfxWinMain(instance, previous, commandLine, show);
}
