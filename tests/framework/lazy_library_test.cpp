// Libraries loaded at their first call: loaded once whichever threads ask first, from the loader in
// use, and their entry points failing as the system's do when a library or function is missing.
#include <windows.h>

#include <commdlg.h>
#include <d3d9.h>
#include <dxva2api.h>
#include <evr.h>
#include <gtest/gtest.h>
#include <mfapi.h>
#include <mfidl.h>
#include <mfreadwrite.h>
#include <mmsystem.h>
#include <wininet.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/imports/lazy_library.h"

namespace {

using quill::imports::LazyLibrary;
using quill::imports::LibraryLoader;

LONG g_loads = 0;
std::wstring g_lastName;
bool g_libraryMissing = false;
bool g_functionMissing = false;
HMODULE const kFakeModule = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x10000));

HMODULE FakeLoad(const wchar_t* name) {
  InterlockedIncrement(&g_loads);
  g_lastName = name;
  // Long enough that the threads below all ask while the first load runs.
  Sleep(20);
  return g_libraryMissing ? nullptr : kFakeModule;
}

int g_marker = 0;

// Stand-ins for a few real functions, to see that the entry points pass their arguments on and give
// back the real function's answer.
UINT g_period = 0;
MMRESULT WINAPI FakeBeginPeriod(UINT period) {
  g_period = period;
  return TIMERR_NOERROR;
}
HINTERNET WINAPI FakeInternetOpen(LPCWSTR agent, DWORD access, LPCWSTR, LPCWSTR, DWORD) {
  return agent && std::wcscmp(agent, L"agent") == 0 && access == INTERNET_OPEN_TYPE_PRECONFIG
             ? reinterpret_cast<HINTERNET>(&g_marker)
             : nullptr;
}
HRESULT WINAPI FakeCreateMediaType(IMFMediaType** type) {
  *type = reinterpret_cast<IMFMediaType*>(&g_marker);
  return S_FALSE;
}
HRESULT WINAPI FakeCreateReader(const WCHAR* url, IMFAttributes*, IMFSourceReader** reader) {
  *reader = reinterpret_cast<IMFSourceReader*>(&g_marker);
  return url && std::wcscmp(url, L"a.mp4") == 0 ? S_OK : E_INVALIDARG;
}
BOOL WINAPI FakeOpenFileName(OPENFILENAMEW* dialog) { return dialog->lCustData == 5; }

struct FakeFunction {
  const char* name;
  void* function;
};
const FakeFunction kFakeFunctions[] = {
    {"timeBeginPeriod", reinterpret_cast<void*>(&FakeBeginPeriod)},
    {"InternetOpenW", reinterpret_cast<void*>(&FakeInternetOpen)},
    {"MFCreateMediaType", reinterpret_cast<void*>(&FakeCreateMediaType)},
    {"MFCreateSourceReaderFromURL", reinterpret_cast<void*>(&FakeCreateReader)},
    {"GetOpenFileNameW", reinterpret_cast<void*>(&FakeOpenFileName)},
};

FARPROC FakeFind(HMODULE module, const char* name) {
  if (module != kFakeModule || g_functionMissing) return nullptr;
  for (const FakeFunction& f : kFakeFunctions) {
    if (std::strcmp(f.name, name) == 0) return reinterpret_cast<FARPROC>(f.function);
  }
  return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&g_marker));
}

// Taken as a constant, as the source dialog keeps its file chooser.
using OpenFileFn = BOOL(WINAPI*)(OPENFILENAMEW*);
const OpenFileFn g_openFile = GetOpenFileNameW;

const LibraryLoader kFake = {&FakeLoad, &FakeFind};

class LazyLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_loads = 0;
    g_libraryMissing = g_functionMissing = false;
    quill::imports::SetLibraryLoaderForTest(&kFake);
    for (LazyLibrary* l : Libraries()) l->ResetForTest();
  }
  void TearDown() override {
    quill::imports::SetLibraryLoaderForTest(nullptr);
    for (LazyLibrary* l : Libraries()) l->ResetForTest();
  }
  static std::vector<LazyLibrary*> Libraries() {
    using namespace quill::imports;
    return {&Direct3D9Library(), &Dxva2Library(),       &EvrLibrary(),     &MfLibrary(),      &MfplatLibrary(),
            &MfreadwriteLibrary(), &WininetLibrary(), &WinmmLibrary(), &Comdlg32Library()};
  }
};

TEST_F(LazyLibraryTest, TheFirstCallsOfManyThreadsLoadTheLibraryOnce) {
  LazyLibrary library(L"some.dll");
  EXPECT_EQ(g_loads, 0) << "loaded before any call";
  std::vector<std::thread> threads;
  std::vector<FARPROC> found(6, nullptr);
  for (size_t i = 0; i < found.size(); ++i) {
    threads.emplace_back([&library, &found, i] { found[i] = library.Find("Function"); });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(g_loads, 1);
  EXPECT_EQ(g_lastName, L"some.dll");
  for (FARPROC f : found) EXPECT_EQ(reinterpret_cast<void*>(f), static_cast<void*>(&g_marker));
  library.Find("Other");
  EXPECT_EQ(g_loads, 1);
}

TEST_F(LazyLibraryTest, AMissingLibraryIsSearchedOnceAndGivesNoFunction) {
  g_libraryMissing = true;
  LazyLibrary library(L"missing.dll");
  EXPECT_EQ(library.Find("Function"), nullptr);
  EXPECT_EQ(library.Find("Function"), nullptr);
  EXPECT_EQ(g_loads, 1);
}

// Each entry point, with its library or its function missing, fails as the system's call does and
// leaves no stale output behind.
TEST_F(LazyLibraryTest, EntryPointsFailCleanlyWithoutTheirLibraryOrFunction) {
  for (bool libraryMissing : {true, false}) {
    SetUp();
    g_libraryMissing = libraryMissing;
    g_functionMissing = !libraryMissing;
    SCOPED_TRACE(libraryMissing ? "library missing" : "function missing");
    EXPECT_EQ(Direct3DCreate9(D3D_SDK_VERSION), nullptr);
    UINT token = 0;
    auto* manager = reinterpret_cast<IDirect3DDeviceManager9*>(&g_marker);
    EXPECT_EQ(DXVA2CreateDirect3DDeviceManager9(&token, &manager), HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(manager, nullptr);
    auto* sample = reinterpret_cast<IMFSample*>(&g_marker);
    EXPECT_EQ(MFCreateVideoSampleFromSurface(nullptr, &sample), HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(sample, nullptr);
    EXPECT_EQ(g_loads, 3) << "one load per library";
  }
}

// The entry points of the libraries the start no longer maps: each fails as the system's call does
// (its failure value, its outputs cleared, the reason as the result or the last error), and each
// library is searched once however many of its functions are called.
TEST_F(LazyLibraryTest, LaterLibrariesEntryPointsFailCleanlyWithoutTheirLibraryOrFunction) {
  for (bool libraryMissing : {true, false}) {
    SetUp();
    g_libraryMissing = libraryMissing;
    g_functionMissing = !libraryMissing;
    SCOPED_TRACE(libraryMissing ? "library missing" : "function missing");
    const DWORD reason = libraryMissing ? ERROR_MOD_NOT_FOUND : ERROR_PROC_NOT_FOUND;
    const HRESULT missing = HRESULT_FROM_WIN32(reason);
    void* const stale = &g_marker;
    // Media Foundation: the platform, the pipeline, the reader and writer.
    EXPECT_EQ(MFStartup(MF_VERSION, MFSTARTUP_FULL), missing);
    EXPECT_EQ(MFShutdown(), missing);
    auto* type = static_cast<IMFMediaType*>(stale);
    EXPECT_EQ(MFCreateMediaType(&type), missing);
    EXPECT_EQ(type, nullptr);
    auto* attributes = static_cast<IMFAttributes*>(stale);
    EXPECT_EQ(MFCreateAttributes(&attributes, 1), missing);
    EXPECT_EQ(attributes, nullptr);
    IMFActivate** activates = static_cast<IMFActivate**>(stale);
    UINT32 count = 7;
    EXPECT_EQ(MFTEnumEx(MFT_CATEGORY_VIDEO_DECODER, 0, nullptr, nullptr, &activates, &count), missing);
    EXPECT_EQ(activates, nullptr);
    EXPECT_EQ(count, 0u);
    UINT64 perFrame = 7;
    EXPECT_EQ(MFFrameRateToAverageTimePerFrame(30, 1, &perFrame), missing);
    EXPECT_EQ(perFrame, 0u);
    auto* session = static_cast<IMFMediaSession*>(stale);
    EXPECT_EQ(MFCreateMediaSession(nullptr, &session), missing);
    EXPECT_EQ(session, nullptr);
    void* service = stale;
    EXPECT_EQ(MFGetService(nullptr, GUID_NULL, IID_IUnknown, &service), missing);
    EXPECT_EQ(service, nullptr);
    auto* reader = static_cast<IMFSourceReader*>(stale);
    EXPECT_EQ(MFCreateSourceReaderFromURL(L"a.mp4", nullptr, &reader), missing);
    EXPECT_EQ(reader, nullptr);
    auto* writer = static_cast<IMFSinkWriter*>(stale);
    EXPECT_EQ(MFCreateSinkWriterFromURL(L"b.mp4", nullptr, nullptr, &writer), missing);
    EXPECT_EQ(writer, nullptr);
    // WinINet: no handle or FALSE, the reason in the last error.
    SetLastError(0);
    EXPECT_EQ(InternetOpenW(L"agent", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0), nullptr);
    EXPECT_EQ(GetLastError(), reason);
    DWORD state = 7;
    SetLastError(0);
    EXPECT_FALSE(InternetGetConnectedState(&state, 0));
    EXPECT_EQ(state, 0u);
    EXPECT_EQ(GetLastError(), reason);
    DWORD read = 7;
    char buffer[4];
    EXPECT_FALSE(InternetReadFile(nullptr, buffer, sizeof buffer, &read));
    EXPECT_EQ(read, 0u);
    EXPECT_FALSE(InternetCheckConnectionW(L"http://a.example/", FLAG_ICC_FORCE_CONNECTION, 0));
    EXPECT_FALSE(InternetCloseHandle(nullptr));
    // WinMM: the resolution stays as it is.
    EXPECT_EQ(timeBeginPeriod(1), static_cast<MMRESULT>(TIMERR_NOCANDO));
    EXPECT_EQ(timeEndPeriod(1), static_cast<MMRESULT>(TIMERR_NOCANDO));
    // The file dialog: no file chosen, through the name and through its address taken before.
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    SetLastError(0);
    EXPECT_FALSE(GetOpenFileNameW(&dialog));
    EXPECT_EQ(GetLastError(), reason);
    EXPECT_FALSE(g_openFile(&dialog));
    EXPECT_EQ(g_loads, 6) << "one load per library";
  }
}

// Found, the real function gets the call's arguments and its answer is the call's.
TEST_F(LazyLibraryTest, LaterLibrariesEntryPointsPassTheCallOn) {
  EXPECT_EQ(timeBeginPeriod(3), static_cast<MMRESULT>(TIMERR_NOERROR));
  EXPECT_EQ(g_period, 3u);
  EXPECT_EQ(InternetOpenW(L"agent", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0),
            reinterpret_cast<HINTERNET>(&g_marker));
  IMFMediaType* type = nullptr;
  EXPECT_EQ(MFCreateMediaType(&type), S_FALSE);
  EXPECT_EQ(type, reinterpret_cast<IMFMediaType*>(&g_marker));
  IMFSourceReader* reader = nullptr;
  EXPECT_EQ(MFCreateSourceReaderFromURL(L"a.mp4", nullptr, &reader), S_OK);
  EXPECT_EQ(MFCreateSourceReaderFromURL(L"b.mp4", nullptr, &reader), E_INVALIDARG);
  OPENFILENAMEW dialog = {};
  dialog.lCustData = 5;
  EXPECT_TRUE(GetOpenFileNameW(&dialog));
  EXPECT_TRUE(g_openFile(&dialog));
  dialog.lCustData = 6;
  EXPECT_FALSE(g_openFile(&dialog));
  EXPECT_EQ(g_lastName, L"comdlg32.dll");
  EXPECT_EQ(g_loads, 5) << "winmm, wininet, mfplat, mfreadwrite, comdlg32";
}

// With the system's loader the entry points reach the real libraries.
TEST_F(LazyLibraryTest, TheSystemLoaderReachesTheRealLibraries) {
  quill::imports::SetLibraryLoaderForTest(nullptr);
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  ASSERT_NE(d3d, nullptr);
  d3d->Release();
  UINT token = 0;
  IDirect3DDeviceManager9* manager = nullptr;
  ASSERT_EQ(DXVA2CreateDirect3DDeviceManager9(&token, &manager), S_OK);
  manager->Release();
  EXPECT_NE(GetModuleHandleW(L"d3d9.dll"), nullptr);
  EXPECT_NE(GetModuleHandleW(L"dxva2.dll"), nullptr);
  EXPECT_EQ(timeBeginPeriod(1), static_cast<MMRESULT>(TIMERR_NOERROR));
  EXPECT_EQ(timeEndPeriod(1), static_cast<MMRESULT>(TIMERR_NOERROR));
  ASSERT_EQ(MFStartup(MF_VERSION, MFSTARTUP_LITE), S_OK);
  IMFMediaType* type = nullptr;
  ASSERT_EQ(MFCreateMediaType(&type), S_OK);
  type->Release();
  IMFTopology* topology = nullptr;
  ASSERT_EQ(MFCreateTopology(&topology), S_OK);
  topology->Release();
  EXPECT_EQ(MFShutdown(), S_OK);
  wchar_t host[64] = L"";
  URL_COMPONENTSW parts = {};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host;
  parts.dwHostNameLength = 64;
  ASSERT_TRUE(InternetCrackUrlW(L"http://www.quillmere.example/a.txt", 0, 0, &parts));
  EXPECT_STREQ(host, L"www.quillmere.example");
  for (const wchar_t* name : {L"winmm.dll", L"mfplat.dll", L"mf.dll", L"wininet.dll"}) {
    EXPECT_NE(GetModuleHandleW(name), nullptr) << name;
  }
  EXPECT_EQ(g_loads, 0);
}

}  // namespace
