// The CSV export of a source: one line per recording (names, local date and start time, length,
// trigger, rear picture size, frame rate, the two file sizes in MB) in the system's ANSI code page, in
// one file of the output folder named after the local start time of the first recording that can be
// read ("Dv_%Y%m%d_%H%M%S.csv").
//
// The file is written under a temporary name in the output folder and renamed when every line is
// written, so a failure (a full disk, a lost drive) never leaves a half file under the final name; an
// existing file of that name is replaced only after the user agreed, and the user is asked only when
// one exists. Recordings are only read.
//
// Threads: RunCsvExport runs on the main dialog's tool worker; the pure functions on any thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "tavrin/app/tools/tool_callbacks.h"
#include "tavrin/browser/recording_pair.h"

namespace tools {

// What a line needs of one recording, read from its files.
struct CsvRecordFacts {
  bool movieRead = false;     // the movie (main, or rear without a main file) loaded with a sample entry
  int64_t samples = -1;       // the first "stsz" sample count
  float frameRate = -1.0f;    // 1e6 / mean "stts" delta
  bool timeRead = false;      // a recording time could be read
  SYSTEMTIME time = {};       // local time of the first GPS record
  int rearWidth = -1;         // integer part of the rear file's first track width, -1 when unknown
  uint64_t mainBytes = 0;     // 0 when the file cannot be opened
  uint64_t rearBytes = 0;
};

// Reads the facts of one record from its files (read-only).
CsvRecordFacts ReadCsvFacts(const sRECORDINGPAIR& record);

// The frame rate written and used for the length: rates near 5, 27.5 and 28 snapped to those values.
float SnapFrameRate(float rate);

// The record line (ending in "\r\n"); the fallback line when the movie, its length, rate or time
// cannot be read.
std::wstring FormatCsvLine(const sRECORDINGPAIR& record, const CsvRecordFacts& facts);
std::wstring FormatCsvFallbackLine(const sRECORDINGPAIR& record);
// The header line (the column titles of the UI text table, then "\r\n").
std::wstring CsvHeaderLine();

// "Dv_%Y%m%d_%H%M%S.csv" of a recording time; empty for a time that names no real moment (year 0, a
// field out of range), so a garbage time never makes a file name.
std::wstring CsvFileName(const SYSTEMTIME& time);
// The recording time of a record as the file name uses it (the main file, else the rear file).
bool ReadRecordTime(const sRECORDINGPAIR& record, SYSTEMTIME* time);

// Text in the ANSI code page (no terminator); false when it cannot be converted.
bool ToAnsi(const std::wstring& text, std::string* out);

// Where the lines go. The default writes a temporary file in the folder and renames it at Commit.
class CsvOutput {
 public:
  virtual ~CsvOutput() = default;
  virtual bool Open(const std::wstring& folder) = 0;
  virtual bool Write(const std::string& bytes) = 0;
  // Moves the written file to `finalPath`, replacing a file there. False leaves no file behind.
  virtual bool Commit(const std::wstring& finalPath) = 0;
  // Removes what was written (also after a failed Open or Write).
  virtual void Discard() = 0;
};
std::unique_ptr<CsvOutput> MakeFileCsvOutput();

enum class CsvExportResult {
  kNoFolder,      // no folder chosen: nothing shown
  kNoRecordings,  // "no recordings" shown
  kDeclined,      // the user kept the existing file
  kFailed,        // "CSV file cannot be made" shown; no file, no INI change
  kCancelled,     // the tool was stopped: the lines so far kept (or none at close), no INI change
  kDone,          // file written and the folder stored
};

struct CsvExportJob {
  std::wstring folder;  // the output folder (from the INI or a browse); empty ends quietly
  // The browser pane's list of every recording of the source (asked twice: before and after the
  // playback was stopped).
  std::function<RecordingList()> collect;
  // Stops playback: the tick timer, drag state of both panes, every movie and data file of the instances.
  std::function<void()> stopPlayback;
  // Writes FOLDERPATH/CSV_FOLDER after a complete export.
  std::function<bool(const std::wstring& folder)> storeFolder;
  // Where the file is written; null uses MakeFileCsvOutput().
  std::function<std::unique_ptr<CsvOutput>()> makeOutput;
  std::wstring* writtenPath = nullptr;  // when given: the final path of a kept file
  // Asked when the tool was stopped: true keeps the lines so far under the export's name (the user's
  // stop), false leaves no file (the program closes: a cut list never replaces the file there).
  // Null keeps them.
  std::function<bool()> keepPartial;
};

CsvExportResult RunCsvExport(const CsvExportJob& job, const ToolCallbacks& callbacks);

}  // namespace tools
