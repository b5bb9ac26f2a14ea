// Libraries loaded at their first call: loaded once whichever threads ask first, from the loader in
// use, and their entry points failing as the system's do when a library or function is missing.
#include <windows.h>

#include <d3d9.h>
#include <dxva2api.h>
#include <evr.h>
#include <gtest/gtest.h>

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
FARPROC FakeFind(HMODULE module, const char*) {
  if (module != kFakeModule || g_functionMissing) return nullptr;
  return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&g_marker));
}

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
    return {&quill::imports::Direct3D9Library(), &quill::imports::Dxva2Library(), &quill::imports::EvrLibrary()};
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
  EXPECT_EQ(g_loads, 0);
}

}  // namespace
