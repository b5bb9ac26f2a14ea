// The application's start and end: the preset view directions, the application object's steps before
// and after the main window (RunMainWindow), and the objects it owns for the whole run.
#pragma once

#include <windows.h>

#include "platform/framework/app.h"
#include "playcore/instances/player_instance.h"

class CtavrinApp : public CWinApp {
 public:
  CtavrinApp();
  // Runs the main window modally and tears everything down; always FALSE (the program then ends
  // without a message loop of its own).
  BOOL InitInstance() override;
};

namespace quill::app {

// The steps of InitInstance from the common controls to GDI+'s shut-down; returns DoModal's result.
INT_PTR RunMainWindow();

}  // namespace quill::app
