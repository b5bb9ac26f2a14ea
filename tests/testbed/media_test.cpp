// Media Foundation under the test bed opens the generated recordings: Wine's MP4 source needs the i386
// GStreamer base, good and libav plugins, so this fails at once when one of them is missing.
#include <windows.h>
#include <mfapi.h>
#include <mfidl.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_env.h"

namespace {

template <class T>
struct ComPtr {
  T* p = nullptr;
  ~ComPtr() { if (p) p->Release(); }
  T* operator->() const { return p; }
};

struct MediaFoundation {
  HRESULT hr = MFStartup(MF_VERSION, MFSTARTUP_FULL);
  ~MediaFoundation() { if (SUCCEEDED(hr)) MFShutdown(); }
};

TEST(MediaFoundation, SourceResolverOpensEveryGeneratedRecordingWithItsDuration) {
  const auto rows =
      quill::test::ReadHostTable(quill::test::RecordingsDirUnix() + "/manifest-files.tsv");
  ASSERT_GE(rows.size(), 2u) << "no manifest in QUILL_RECORDINGS";
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  {
    MediaFoundation mf;
    ASSERT_EQ(mf.hr, S_OK);
    ComPtr<IMFSourceResolver> resolver;
    ASSERT_EQ(MFCreateSourceResolver(&resolver.p), S_OK);
    for (const auto& row : rows) {
      const std::string& path = row.at("path");
      SCOPED_TRACE(path);
      std::wstring url = quill::test::RecordingsDir() + quill::test::HostPathToWindows("/" + path).substr(3);
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
      EXPECT_NEAR(duration / 10000.0, std::stod(row.at("duration_ms")), 60.0);
      source->Shutdown();
    }
  }
  CoUninitialize();
}

}  // namespace
