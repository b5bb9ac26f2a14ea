// Names and checks of the join and upload-conversion commands: the "J" prefixes of joined files with
// their piece counts, the "Y" names of converted files, the room check on the output folder's own
// drive. Pure functions (the free-space query and the file-exists test are
// passed in), usable on any thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tavrin/browser/recording_pair.h"

namespace quill::app {

// Every step of the commands answers one of these.
enum StepResult : int { kStepGoOn = 0, kStepFailed = 1, kStepCancelled = 2 };

// A joined name holds its piece count in two digits ("JM03_..."): more cannot be named or read back.
constexpr uint32_t kMaxJoinPieces = 99;

// Pieces a file stands for: the two digits at indexes 2 and 3 of a name beginning "J" and longer than
// 4 characters, else 1 (also 1 when those are not digits or give 0).
uint32_t JoinPieceCount(const std::wstring& name);
// The name without its join prefix ("JM02_x" gives "x"); other names unchanged.
std::wstring StripJoinPrefix(const std::wstring& name);

// The sources and piece counts of one join, per camera. Camera 1 joins the main files, 2 the rear
// files, anything else both.
struct ConvOutInfo {
  std::wstring mainSource;  // empty: the main camera is not joined
  std::wstring rearSource;
  uint32_t mainCount = 0;
  uint32_t rearCount = 0;
  void AddRecording(const sRECORDINGPAIR& record, int camera);
};

// "JM%02d_", "JR%02d_", "JB%02d_" or "JN%02d_" for a camera choice and channel; empty when the channel
// is not joined with that choice.
std::wstring JoinPrefix(int camera, bool mainChannel, uint32_t count);

// Folder and file name joined by one backslash.
std::wstring JoinFolderPath(const std::wstring& folder, const std::wstring& name);
// The file-name part of a path.
std::wstring FileNamePart(const std::wstring& path);

struct JoinNames {
  std::wstring mainOut;  // empty when the main camera is not written
  std::wstring rearOut;
  uint32_t mainCount = 0;
  uint32_t rearCount = 0;
};

// The outputs of joining `picked` (in order) into `folder` with a camera choice. Failed (with `why`)
// when nothing is picked, a channel would get more than 99 pieces, a written channel has no name, an
// output path would not fit MAX_PATH, or an output names one of the picked files. When the first
// picked recording lacks the file of a joined camera, `reason` (may be null) tells the user which.
StepResult MakeJoinNames(const RecordingList& picked, const std::wstring& folder, int camera,
                         JoinNames* names, std::string* why, std::wstring* reason = nullptr);

// The upload-converted name of a joined main output: its file name's leading "J" becomes "Y".
std::wstring ConvertedName(const std::wstring& joinedMain);
// The upload conversion's output for a recording: folder\YM01_<main name>; empty when the recording
// has no main file or the path would not fit MAX_PATH.
std::wstring UploadOutputName(const std::wstring& folder, const sRECORDINGPAIR& record);

// Free bytes available to the caller on the volume holding `folder` (a drive or UNC path), through
// GetDiskFreeBytes; false when they cannot be told. The join's and the converter's room checks ask it.
using FreeSpaceFn = std::function<bool(const std::wstring& folder, uint64_t* freeBytes)>;
bool SystemFreeSpace(const std::wstring& folder, uint64_t* freeBytes);
// Whether `needed` bytes fit on the output folder's own volume (strictly fewer than the free bytes).
// When they do not and the free bytes are known, `reason` (may be null) says which drive lacks how
// much (RoomShortText).
bool FolderHasRoom(const std::wstring& folder, uint64_t needed, const FreeSpaceFn& freeSpace,
                   std::wstring* reason = nullptr);
// "出力先ドライブ E: の空き容量が 1.2 GB 足りません。": the volume of `folder` and the bytes it lacks.
std::wstring RoomShortText(const std::wstring& folder, uint64_t shortBytes);
// An upload conversion's writes on the output volume for a source of `sourceBytes`: the converted
// file twice (the writer's file and the movie-first rewrite exist together at the end), each taken
// as large as the source. The converter checks again with the real estimate once it knows the
// recording's length.
uint64_t ConversionBytes(uint64_t sourceBytes);
// The bytes of the picked recordings' files that a join writes again.
uint64_t JoinBytes(const RecordingList& picked, int camera);

using FileExistsFn = std::function<bool(const std::wstring& path)>;
bool SystemFileExists(const std::wstring& path);

// The overwrite question: text, caption, box type (1: OK and Cancel); 1 is OK.
using AskFn = std::function<int(const wchar_t* text, const wchar_t* caption, int type)>;

}  // namespace quill::app
