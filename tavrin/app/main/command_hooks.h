// Where the main window's commands ask the system or the user, replaceable by tests: a test sets them
// before it makes the main dialog (no thread of the dialog reads them earlier); the program leaves
// them empty.
#pragma once

#include <windows.h>

#include <string>

#include "platform/framework/wnd.h"
#include "tavrin/app/main/context_menu.h"

namespace quill::app {

struct CommandHooks {
  // Receives the built context menu instead of tracking it (the menu is destroyed afterwards).
  void (*inspectMenu)(HMENU menu, const MenuState& state) = nullptr;
  // Shows a finish message of a tool; null: the skinned message box.
  void (*showMessage)(CWnd* owner, const wchar_t* text, const wchar_t* caption) = nullptr;
  // Answers a tool's question (1 goes on, anything else ends the tool); null: answered 1 when
  // showMessage is set, else the skinned message box asks.
  int (*answerQuestion)(const wchar_t* text) = nullptr;
  // Reads the program's own path; null: the module's file name.
  bool (*programPath)(std::wstring* path) = nullptr;
  // Asked on the join's worker before each piece of a joined file goes to disk (channel 0 main, 1
  // rear); false fails that write as a disk error would. Null: always true.
  bool (*joinWriting)(int channel) = nullptr;
};
CommandHooks& CmdHooks();

// The program's own file still exists. A path that cannot be read whole counts as present, so that a
// long install path never ends the program.
bool ProgramFileExists(bool (*programPath)(std::wstring*));

// `path` as the file functions take it when it is MAX_PATH characters or longer ("\\?\" before a drive
// path, "\\?\UNC\" before a share's); shorter paths and prefixed ones unchanged.
std::wstring LongPathForm(const std::wstring& path);

}  // namespace quill::app
