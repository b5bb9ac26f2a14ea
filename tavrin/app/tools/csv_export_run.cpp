// The CSV export worker and the file it writes: a temporary file in the output folder, renamed to the
// export's name when every line is in it.
#include "tavrin/app/tools/csv_export.h"

#include "playcore/bytes/unique_handle.h"
#include "tavrin/skin/ui_texts.h"

namespace tools {

namespace {

// UI texts of the export's messages.
constexpr unsigned kTextNoRecordings = 101;
constexpr unsigned kTextCannotWrite = 96;
constexpr unsigned kTextFileExists = 93;
constexpr unsigned kTextConfirmCaption = 106;
constexpr wchar_t kErrorCaption[] = L"ERROR";
constexpr wchar_t kTempPrefix[] = L"Dv_";

class FileCsvOutput : public CsvOutput {
 public:
  ~FileCsvOutput() override { Discard(); }

  bool Open(const std::wstring& folder) override {
    wchar_t temp[MAX_PATH];
    // Makes (and reserves) a unique name in the folder, so the rename stays on one volume.
    if (!GetTempFileNameW(folder.c_str(), kTempPrefix, 0, temp)) return false;
    tempPath_ = temp;
    file_.Reset(CreateFileW(temp, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file_.valid();
  }

  bool Write(const std::string& bytes) override {
    if (!file_) return false;
    DWORD written = 0;
    return WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
  }

  bool Commit(const std::wstring& finalPath) override {
    if (!file_) return false;
    const bool flushed = FlushFileBuffers(file_.get()) != FALSE;
    // Closed here and its answer checked: a failed close may mean the last bytes never reached the disk.
    const bool closed = CloseHandle(file_.Release()) != FALSE;
    if (!flushed || !closed ||
        !MoveFileExW(tempPath_.c_str(), finalPath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      Discard();
      return false;
    }
    tempPath_.clear();
    return true;
  }

  void Discard() override {
    file_.Reset();
    if (!tempPath_.empty()) DeleteFileW(tempPath_.c_str());
    tempPath_.clear();
  }

 private:
  playcore::UniqueHandle file_;
  std::wstring tempPath_;
};

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
  if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') return folder + L"\\" + name;
  return folder + name;
}

// The export's file: named from the first record whose recording time can be read; empty when none.
std::wstring ExportPath(const std::wstring& folder, const RecordingList& records) {
  for (const sRECORDINGPAIR& record : records) {
    SYSTEMTIME time;
    if (ReadRecordTime(record, &time)) return JoinPath(folder, CsvFileName(time));
  }
  return std::wstring();
}

bool WriteText(CsvOutput& out, const std::wstring& text) {
  std::string bytes;
  return ToAnsi(text, &bytes) && out.Write(bytes);
}

}  // namespace

std::unique_ptr<CsvOutput> MakeFileCsvOutput() { return std::make_unique<FileCsvOutput>(); }

CsvExportResult RunCsvExport(const CsvExportJob& job, const ToolCallbacks& callbacks) {
  if (job.folder.empty()) return CsvExportResult::kNoFolder;
  RecordingList records = job.collect ? job.collect() : RecordingList();
  if (records.empty()) {
    callbacks.Tell(UIText(kTextNoRecordings), kErrorCaption);
    return CsvExportResult::kNoRecordings;
  }
  const std::wstring path = ExportPath(job.folder, records);
  if (path.empty()) {
    callbacks.Tell(UIText(kTextCannotWrite), kErrorCaption);
    return CsvExportResult::kFailed;
  }
  if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES &&
      callbacks.Ask(UIText(kTextFileExists), UIText(kTextConfirmCaption)) != kMsgBoxAnswerOk) {
    return CsvExportResult::kDeclined;
  }
  if (job.stopPlayback) job.stopPlayback();
  records = job.collect ? job.collect() : RecordingList();
  if (records.empty()) {
    callbacks.Tell(UIText(kTextNoRecordings), kErrorCaption);
    return CsvExportResult::kNoRecordings;
  }

  std::unique_ptr<CsvOutput> out = job.makeOutput ? job.makeOutput() : MakeFileCsvOutput();
  auto fail = [&] {
    out->Discard();
    callbacks.Tell(UIText(kTextCannotWrite), kErrorCaption);
    return CsvExportResult::kFailed;
  };
  if (!out->Open(job.folder) || !WriteText(*out, CsvHeaderLine())) return fail();

  const uint32_t total = static_cast<uint32_t>(records.size());
  for (uint32_t i = 0; i < total; ++i) {
    if (!callbacks.Running()) {
      // The user stopped the tool: the lines so far are kept under the export's name. A stop by the
      // program's close keeps nothing.
      if (job.keepPartial && !job.keepPartial()) {
        out->Discard();
        return CsvExportResult::kCancelled;
      }
      if (!out->Commit(path)) return fail();
      if (job.writtenPath) *job.writtenPath = path;
      return CsvExportResult::kCancelled;
    }
    // A line that could not be formed (longer than a line may be) would be missing from the list.
    const std::wstring line = FormatCsvLine(records[i], ReadCsvFacts(records[i]));
    if (line.empty() || !WriteText(*out, line)) return fail();
    callbacks.Progress(i, total);
  }
  if (!out->Commit(path)) return fail();
  if (job.writtenPath) *job.writtenPath = path;
  callbacks.Progress(total, total);
  if (job.storeFolder) job.storeFolder(job.folder);
  return CsvExportResult::kDone;
}

}  // namespace tools
