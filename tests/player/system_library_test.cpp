// Libraries the playback core loads by name come from the system folder only: a library of the same
// name planted in the working folder (which can be the SD card the program was started from) is
// never loaded, while the real system libraries still are.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/imports/system_library.h"
#include "playcore/scene/d3dx_runtime.h"
#include "tests/support/test_env.h"

namespace {

constexpr wchar_t kPlantedName[] = L"quill_planted_probe.dll";

class PlantedLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* built = std::getenv("QUILL_PLANTED_LIBRARY");
    ASSERT_NE(nullptr, built) << "QUILL_PLANTED_LIBRARY names the built library";
    wchar_t temp[MAX_PATH];
    ASSERT_NE(0u, GetTempPathW(MAX_PATH, temp));
    folder_ = std::wstring(temp) + L"quill_planted_" + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    planted_ = folder_ + L"\\" + kPlantedName;
    ASSERT_TRUE(CopyFileW(quill::test::HostPathToWindows(built).c_str(), planted_.c_str(), FALSE));
    wchar_t previous[MAX_PATH];
    ASSERT_NE(0u, GetCurrentDirectoryW(MAX_PATH, previous));
    previous_ = previous;
    ASSERT_TRUE(SetCurrentDirectoryW(folder_.c_str()));
  }
  void TearDown() override {
    SetCurrentDirectoryW(previous_.c_str());
    DeleteFileW(planted_.c_str());
    RemoveDirectoryW(folder_.c_str());
  }

  std::wstring folder_;
  std::wstring planted_;
  std::wstring previous_;
};

TEST_F(PlantedLibrary, ALibraryInTheWorkingFolderIsNeverLoadedByName) {
  // The plant is where a plain search by name finds it: the loads below refuse it by their search.
  HMODULE reached = LoadLibraryW(kPlantedName);
  ASSERT_NE(nullptr, reached) << "a bare-name load reaches the working folder";
  FreeLibrary(reached);
  ASSERT_EQ(nullptr, GetModuleHandleW(kPlantedName));

  EXPECT_EQ(nullptr, quill::imports::LoadSystemLibrary(kPlantedName));
  EXPECT_FALSE(playcore::IsD3dxAvailable(kPlantedName)) << "the scene's D3DX check";
  playcore::D3dxRuntime runtime(kPlantedName);
  EXPECT_TRUE(FAILED(runtime.status())) << "the scene's D3DX functions";
  EXPECT_EQ(nullptr, GetModuleHandleW(kPlantedName)) << "the planted library was loaded";
}

TEST_F(PlantedLibrary, SystemLibrariesStillLoadAndNamesWithAFolderAreRefused) {
  for (const wchar_t* name : {L"Mfplat.dll", L"d3dx9_41.dll", L"kernel32.dll"}) {
    HMODULE module = quill::imports::LoadSystemLibrary(name);
    EXPECT_NE(nullptr, module) << name;
    if (module) FreeLibrary(module);
  }
  EXPECT_TRUE(playcore::IsD3dxAvailable(playcore::kD3dxLibraryName));
  for (const std::wstring& name : {planted_, std::wstring(L".\\") + kPlantedName, std::wstring(L"")}) {
    EXPECT_EQ(nullptr, quill::imports::LoadSystemLibrary(name.c_str())) << name;
  }
  EXPECT_EQ(nullptr, quill::imports::LoadSystemLibrary(nullptr));
}

}  // namespace
