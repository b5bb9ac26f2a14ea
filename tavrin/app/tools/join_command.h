// The join and upload-conversion commands' workers. Each takes what the main dialog knows (the picked
// or current recording, the output folder, the camera choice) and the hooks through which it talks to
// the user and the system, and answers a StepResult: 0 done, 1 failed (the caller shows its failure
// message), 2 cancelled (quiet end).
//
// Threads: the workers run on the tool frame's worker thread, never the UI thread (the converter
// presents into `owner`, whose thread must keep pumping). The cancel signal may be set from any
// thread. The hooks are called on the worker thread; `ask` and `options` show modal dialogs there.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "playcore/converter/movie_capture.h"
#include "tavrin/app/tools/output_names.h"
#include "tavrin/browser/recording_pair.h"

namespace quill::app {

// The cancel signal of one command: the tool frame's stop sets it; a conversion running at that moment
// is cancelled at once.
class CommandCancel {
 public:
  void Cancel();
  bool cancelled() const { return cancelled_.load(); }
  // The converter run that a Cancel must reach (null when none runs). Cancel after Attach also cancels it.
  void Attach(playcore::CMovieCapture* job);

 private:
  std::atomic<bool> cancelled_{false};
  std::mutex lock_;
  playcore::CMovieCapture* job_ = nullptr;
};

// The conversion-mask dialog's answer.
struct ConvertOptions {
  std::vector<RECT> masks;
  bool removeAudio = false;
};

// One conversion: source into destination; 0 done, 1 failed, 2 cancelled.
using ConvertFn = std::function<int(const std::wstring& source, const std::wstring& destination,
                                    const ConvertOptions& options, float progressOffsetPercent)>;

struct JoinHooks {
  HWND owner = nullptr;   // gets quill::msg::kProgress from the join and the converter
  AskFn ask;              // the overwrite questions; null answers OK
  FreeSpaceFn freeSpace;  // null: the system's
  FileExistsFn exists;    // null: the system's
  // Runs the conversion-mask dialog for a recording: 0 with the options, 2 when cancelled.
  std::function<int(const std::wstring& source, ConvertOptions* options)> options;
  ConvertFn convert;      // null: ConvertRecording with `owner`
  // Called once the checks and questions passed, before the options and the work (stops playback).
  std::function<void()> beforeWork;
  CommandCancel* cancel = nullptr;
  // Asked before each piece of a joined file goes to disk (channel 0 main, 1 rear); false fails that
  // write as a disk error would. Null: always true.
  std::function<bool(int channel)> writing;
};

// The overwrite questions' texts.
extern const wchar_t kJoinedExistsText[];    // "同名の結合済みファイルが存在します。続行しますか？"
extern const wchar_t kConvertedExistsText[];  // "同名のアップロード変換済みファイルが存在します。続行しますか？"
extern const wchar_t kQuestionCaption[];      // "確認"
extern const wchar_t kJoinFailedText[];       // "動画の連結に失敗しました。"
extern const wchar_t kConvertFailedText[];    // "動画の変換に失敗しました。"
extern const wchar_t kJoinedKeptText[];       // "連結した動画ファイルは保存されています。"

struct JoinRequest {
  RecordingList picked;  // in join order
  std::wstring folder;
  int camera = 3;
  bool uploadConvert = false;
};

struct JoinOutcome {
  JoinNames names;
  std::wstring converted;  // the upload-converted output, when asked for
  std::string why;         // what failed
  std::wstring reason;     // what the user is told besides the failure message; empty for nothing
  bool joined = false;     // the joined files are in place (a later conversion may still fail)
};

// Names, room check and overwrite questions of a join, before anything is written.
int PrepareJoin(const JoinRequest& request, const JoinHooks& hooks, JoinOutcome* outcome,
                bool* overwriteConfirmed);
// The whole join command: prepare, the mask options (when converting), the join itself and the
// conversion of the joined main output.
int RunJoinCommand(const JoinRequest& request, const JoinHooks& hooks, JoinOutcome* outcome);

struct UploadRequest {
  const sRECORDINGPAIR* record = nullptr;  // the current recording; null when none
  std::wstring folder;
};

// The upload conversion of the current recording into folder\YM01_<name>. `reason` (may be null)
// gets what the user is told besides the failure message (a lack of room), else stays empty.
int RunUploadConvertCommand(const UploadRequest& request, const JoinHooks& hooks, std::wstring* output,
                            std::string* why, std::wstring* reason = nullptr);

// What a conversion of the program is given besides its request; tests put the recording fake of the
// sink writer (the platform here has no encoder) and a free-space answer in it, before they start the
// command's worker. Empty (the program): the platform's.
struct ConvertSetup {
  playcore::SinkWriterFactory sinkWriter;
  playcore::FreeSpaceQuery freeSpace;
};
ConvertSetup& ConvertHooks();

// One real conversion through the converter, reporting to `owner`, with the converter's own pictures
// (the band over the top of every frame). Every path except "done" leaves no file under
// `destination`. `reason` (may be null): as for RunUploadConvertCommand.
int ConvertRecording(HWND owner, const std::wstring& source, const std::wstring& destination,
                     const ConvertOptions& options, float progressOffsetPercent, CommandCancel* cancel,
                     std::wstring* reason = nullptr);

}  // namespace quill::app
