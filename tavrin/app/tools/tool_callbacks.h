// What a tool worker of the main window needs from the window around it: questions and messages
// (the skinned message box), progress (quill::msg::kProgress), and the worker-running flag that
// cancels the tool. The tool code reaches the window only through these (the message box runs on the
// calling worker's thread, owned by the main window), so the same code runs under a test with fakes.
#pragma once

#include <cstdint>
#include <functional>

// Types of the message box: 0 shows a message (OK), 1 asks a question (OK, Cancel).
constexpr unsigned kMsgBoxMessage = 0;
constexpr unsigned kMsgBoxQuestion = 1;
// The answer of a question that lets the tool go on.
constexpr int kMsgBoxAnswerOk = 1;

struct ToolCallbacks {
  // CMsgBox::Show(text, caption, type); the answer of a question, anything for a message.
  std::function<int(const wchar_t* text, const wchar_t* caption, unsigned type)> messageBox;
  // Posts quill::msg::kProgress (wParam done, lParam total).
  std::function<void(uint32_t done, uint32_t total)> progress;
  // The main dialog's worker-running flag: false once the user cancelled the tool.
  std::function<bool()> keepRunning;

  int Ask(const wchar_t* text, const wchar_t* caption) const {
    return messageBox ? messageBox(text, caption, kMsgBoxQuestion) : 0;
  }
  void Tell(const wchar_t* text, const wchar_t* caption) const {
    if (messageBox) messageBox(text, caption, kMsgBoxMessage);
  }
  void Progress(uint32_t done, uint32_t total) const {
    if (progress) progress(done, total);
  }
  bool Running() const { return !keepRunning || keepRunning(); }
};
