#include "tavrin/app/tools/join_command.h"

#include "playcore/converter/movie_capture.h"
#include "playcore/mp4/multi_movie.h"
#include "res/convert_res.h"
#include "tavrin/skin/window_utils.h"

namespace quill::app {

const wchar_t kJoinedExistsText[] = L"同名の結合済みファイルが存在します。続行しますか？";
const wchar_t kConvertedExistsText[] = L"同名のアップロード変換済みファイルが存在します。続行しますか？";
const wchar_t kQuestionCaption[] = L"確認";
const wchar_t kJoinFailedText[] = L"動画の連結に失敗しました。";
const wchar_t kConvertFailedText[] = L"動画の変換に失敗しました。";
const wchar_t kJoinedKeptText[] = L"連結した動画ファイルは保存されています。";

void CommandCancel::Cancel() {
  std::lock_guard<std::mutex> hold(lock_);
  cancelled_.store(true);
  if (job_) job_->Cancel();
}

void CommandCancel::Attach(playcore::CMovieCapture* job) {
  std::lock_guard<std::mutex> hold(lock_);
  job_ = job;
  if (job_ && cancelled_.load()) job_->Cancel();
}

namespace {

bool Exists(const JoinHooks& hooks, const std::wstring& path) {
  return !path.empty() && (hooks.exists ? hooks.exists(path) : SystemFileExists(path));
}

bool AskOk(const JoinHooks& hooks, const wchar_t* text) {
  return !hooks.ask || hooks.ask(text, kQuestionCaption, 1) == 1;
}

bool Cancelled(const JoinHooks& hooks) { return hooks.cancel && hooks.cancel->cancelled(); }

const wchar_t* OrNull(const std::wstring& s) { return s.empty() ? nullptr : s.c_str(); }

int Convert(const JoinHooks& hooks, const std::wstring& source, const std::wstring& destination,
            const ConvertOptions& options, float offset, std::wstring* reason) {
  if (hooks.convert) return hooks.convert(source, destination, options, offset);
  return ConvertRecording(hooks.owner, source, destination, options, offset, hooks.cancel, reason);
}

}  // namespace

int PrepareJoin(const JoinRequest& request, const JoinHooks& hooks, JoinOutcome* outcome,
                bool* overwriteConfirmed) {
  *overwriteConfirmed = false;
  if (MakeJoinNames(request.picked, request.folder, request.camera, &outcome->names, &outcome->why,
                    &outcome->reason) != kStepGoOn) {
    return kStepFailed;
  }
  // The joined files, and with the upload conversion the converted main output twice over.
  uint64_t needed = JoinBytes(request.picked, request.camera);
  if (request.uploadConvert && request.camera != 2) {
    const uint64_t converted = ConversionBytes(JoinBytes(request.picked, 1));
    needed = needed > UINT64_MAX - converted ? UINT64_MAX : needed + converted;
  }
  if (!FolderHasRoom(request.folder, needed, hooks.freeSpace, &outcome->reason)) {
    outcome->why = "not enough room in the join folder";
    return kStepFailed;
  }
  // Only the channels that will be written are asked about.
  if (Exists(hooks, outcome->names.mainOut) || Exists(hooks, outcome->names.rearOut)) {
    if (!AskOk(hooks, kJoinedExistsText)) return kStepCancelled;
    *overwriteConfirmed = true;
  }
  if (request.uploadConvert && !outcome->names.mainOut.empty()) {
    outcome->converted = ConvertedName(outcome->names.mainOut);
    if (!*overwriteConfirmed && Exists(hooks, outcome->converted) && !AskOk(hooks, kConvertedExistsText)) {
      return kStepCancelled;
    }
  }
  return kStepGoOn;
}

namespace {

int JoinRecordings(const JoinRequest& request, const JoinHooks& hooks, JoinOutcome* outcome) {
  playcore::MultiMoviePtr join(playcore::sMULTIMOVIE::Create(hooks.owner));
  if (!join) {
    outcome->why = "out of memory";
    return kStepFailed;
  }
  ConvOutInfo info;
  info.AddRecording(request.picked.front(), request.camera);
  if (!join->StartChannel(OrNull(info.mainSource), OrNull(info.rearSource))) {
    outcome->why = join->failure().empty() ? "the first recording cannot be read" : join->failure();
    return kStepFailed;
  }
  if (hooks.owner) PostMessageW(hooks.owner, playcore::kJoinProgressMessage, 0, playcore::kJoinProgressTotal);
  for (size_t i = 1; i < request.picked.size(); ++i) {
    if (Cancelled(hooks)) return kStepCancelled;
    info.AddRecording(request.picked[i], request.camera);
    if (info.mainSource.empty() && info.rearSource.empty()) continue;
    if (!join->AddRecording(OrNull(info.mainSource), OrNull(info.rearSource))) {
      outcome->why = join->failure().empty() ? "a recording cannot be joined" : join->failure();
      return kStepFailed;
    }
  }
  if (Cancelled(hooks)) return kStepCancelled;
  // The stop reaches the copy itself: a join of a card's hour stops within a piece, not at its end.
  join->SetWatch([&hooks](int channel) { return (!hooks.writing || hooks.writing(channel)) && !Cancelled(hooks); });
  if (!join->WriteJoined(OrNull(outcome->names.mainOut), OrNull(outcome->names.rearOut))) {
    if (Cancelled(hooks)) return kStepCancelled;
    outcome->why = join->failure().empty() ? "the joined movie cannot be written" : join->failure();
    return kStepFailed;
  }
  outcome->joined = true;
  return kStepGoOn;
}

}  // namespace

int RunJoinCommand(const JoinRequest& request, const JoinHooks& hooks, JoinOutcome* outcome) {
  bool confirmed = false;
  int step = PrepareJoin(request, hooks, outcome, &confirmed);
  if (step != kStepGoOn) return step;
  if (hooks.beforeWork) hooks.beforeWork();
  ConvertOptions options;
  const bool convert = !outcome->converted.empty();
  if (convert && hooks.options) {
    step = hooks.options(request.picked.front().szMainPath, &options);
    if (step != kStepGoOn) return kStepCancelled;
  }
  step = JoinRecordings(request, hooks, outcome);
  if (step != kStepGoOn || !convert) return step;
  if (Cancelled(hooks)) return kStepCancelled;
  step = Convert(hooks, outcome->names.mainOut, outcome->converted, options, 0.0f, &outcome->reason);
  if (step == kStepFailed) outcome->why = "the joined movie was kept, its conversion failed";
  return step == kStepFailed || step == kStepCancelled ? step : kStepGoOn;
}

int RunUploadConvertCommand(const UploadRequest& request, const JoinHooks& hooks, std::wstring* output,
                            std::string* why, std::wstring* reason) {
  output->clear();
  if (reason) reason->clear();
  if (request.folder.empty()) return kStepCancelled;  // no folder chosen: a quiet end
  if (!request.record) {
    *why = "no current recording";
    return kStepFailed;
  }
  *output = UploadOutputName(request.folder, *request.record);
  if (output->empty()) {
    *why = "the current recording has no main file";
    return kStepFailed;
  }
  if (playcore::SameOutputPath(output->c_str(), request.record->szMainPath)) {
    *why = "the output would replace the recording";
    return kStepFailed;
  }
  // The converted file lands in the output folder: that is the drive that needs the room, twice
  // over (the writer's file and the rewrite exist together at the end).
  const uint64_t needed = ConversionBytes(request.record->uMainSize + request.record->uRearSize);
  if (!FolderHasRoom(request.folder, needed, hooks.freeSpace, reason)) {
    *why = "not enough room in the conversion folder";
    return kStepFailed;
  }
  if (Exists(hooks, *output) && !AskOk(hooks, kConvertedExistsText)) return kStepCancelled;
  if (hooks.beforeWork) hooks.beforeWork();
  ConvertOptions options;
  if (hooks.options && hooks.options(request.record->szMainPath, &options) != kStepGoOn) return kStepCancelled;
  if (Cancelled(hooks)) return kStepCancelled;
  const int step = Convert(hooks, request.record->szMainPath, *output, options, 0.0f, reason);
  if (step == kStepFailed) *why = "the conversion failed";
  return step == kStepFailed || step == kStepCancelled ? step : kStepGoOn;
}

ConvertSetup& ConvertHooks() {
  static ConvertSetup setup;
  return setup;
}

int ConvertRecording(HWND owner, const std::wstring& source, const std::wstring& destination,
                     const ConvertOptions& options, float progressOffsetPercent, CommandCancel* cancel,
                     std::wstring* reason) {
  playcore::MovieCapturePtr job(playcore::CMovieCapture_Create(owner));
  if (!job) return kStepFailed;
  if (ConvertHooks().sinkWriter) job->SetSinkWriterFactory(ConvertHooks().sinkWriter);
  job->SetFreeSpaceQuery(ConvertHooks().freeSpace ? ConvertHooks().freeSpace : FreeSpaceFn(SystemFreeSpace));
  // The work area of the owner's monitor: the picture is never presented beyond it.
  RECT work = {};
  if (owner && GetMonitorWorkRect(CWnd::FromHandle(owner), &work)) {
    job->SetWorkSize(static_cast<UINT>(work.right - work.left), static_cast<UINT>(work.bottom - work.top));
  }
  job->SetMasks(options.masks);
  playcore::ConvertRequest request;
  request.source = source;
  request.destination = destination;
  request.write = true;
  request.removeAudio = options.removeAudio;
  request.progressOffsetPercent = progressOffsetPercent;
  request.overlayImage = IDP_CONVERT_BAND;
  request.spriteImage = IDP_CONVERT_MARK;
  if (cancel) cancel->Attach(job.get());
  const int result = playcore::CMovieCapture_Run(job.get(), request);
  if (cancel) cancel->Attach(nullptr);
  // A cancelled run's worker may still be ending (one stuck in a platform call is left to it).
  if (result == playcore::CMovieCapture::kCancelled) return kStepCancelled;
  if (reason && job->roomShortfall() > 0) *reason = RoomShortText(job->roomVolume(), job->roomShortfall());
  if (result == playcore::CMovieCapture::kFailed) return kStepFailed;
  if (result == playcore::CMovieCapture::kCancelled) return kStepCancelled;
  return kStepGoOn;
}

}  // namespace quill::app
