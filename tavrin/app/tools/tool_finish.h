// The finish of a tool run as a pure rule: which message it shows.
#pragma once

namespace quill::app {

// The UI text of the finish message of a tool: "完了しました。" (48) only after a tool that reported
// success; 0 (nothing) after a failure or a cancel.
unsigned ToolFinishText(bool succeeded);
constexpr unsigned kTextToolFinishCaption = 49;  // "終了"

}  // namespace quill::app
