// Media Foundation under the test bed opens the generated recordings: Wine's MP4 source needs the i386
// GStreamer base, good and libav plugins, so this fails at once when one of them is missing.
#include <windows.h>
#include <mfapi.h>
#include <mfidl.h>

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/test_env.h"

namespace {

template <class T>
struct ComPtr {
  T* p = nullptr;
  ~ComPtr() { if (p) p->Release(); }
  T* operator->() const { return p; }
};

struct FileRow {
  std::string path;
  double durationMs = 0;
};

// manifest-files.tsv: a header line with column names, then one line per file.
std::vector<FileRow> ReadManifest() {
  std::istringstream in(quill::test::ReadHostFile(quill::test::RecordingsDirUnix() +
                                                  "/manifest-files.tsv"));
  std::string line;
  std::vector<std::string> columns;
  std::vector<FileRow> rows;
  while (std::getline(in, line)) {
    std::vector<std::string> cells;
    std::istringstream cellsIn(line);
    std::string cell;
    while (std::getline(cellsIn, cell, '\t')) cells.push_back(cell);
    if (columns.empty()) {
      columns = cells;
      continue;
    }
    FileRow row;
    for (size_t i = 0; i < cells.size() && i < columns.size(); ++i) {
      if (columns[i] == "path") row.path = cells[i];
      if (columns[i] == "duration_ms") row.durationMs = std::stod(cells[i]);
    }
    rows.push_back(row);
  }
  return rows;
}

struct MediaFoundation {
  HRESULT hr = MFStartup(MF_VERSION, MFSTARTUP_FULL);
  ~MediaFoundation() { if (SUCCEEDED(hr)) MFShutdown(); }
};

TEST(MediaFoundation, SourceResolverOpensEveryGeneratedRecordingWithItsDuration) {
  std::vector<FileRow> rows = ReadManifest();
  ASSERT_GE(rows.size(), 2u) << "no manifest in QUILL_RECORDINGS";
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  {
    MediaFoundation mf;
    ASSERT_EQ(mf.hr, S_OK);
    ComPtr<IMFSourceResolver> resolver;
    ASSERT_EQ(MFCreateSourceResolver(&resolver.p), S_OK);
    for (const FileRow& row : rows) {
      SCOPED_TRACE(row.path);
      std::wstring url = quill::test::RecordingsDir() + quill::test::HostPathToWindows("/" + row.path).substr(3);
      MF_OBJECT_TYPE type = MF_OBJECT_INVALID;
      ComPtr<IUnknown> object;
      ASSERT_EQ(resolver->CreateObjectFromURL(url.c_str(), MF_RESOLUTION_MEDIASOURCE, nullptr, &type,
                                              &object.p),
                S_OK);
      ComPtr<IMFMediaSource> source;
      ASSERT_EQ(object->QueryInterface(IID_PPV_ARGS(&source.p)), S_OK);
      ComPtr<IMFPresentationDescriptor> pd;
      ASSERT_EQ(source->CreatePresentationDescriptor(&pd.p), S_OK);
      UINT64 duration = 0;  // 100 ns units
      ASSERT_EQ(pd->GetUINT64(MF_PD_DURATION, &duration), S_OK);
      DWORD streams = 0;
      ASSERT_EQ(pd->GetStreamDescriptorCount(&streams), S_OK);
      EXPECT_EQ(streams, 2u);  // video and sound
      // The sound track may run a few AAC frames longer than the pictures.
      EXPECT_NEAR(duration / 10000.0, row.durationMs, 60.0);
      source->Shutdown();
    }
  }
  CoUninitialize();
}

}  // namespace
