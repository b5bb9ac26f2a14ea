// QuillmereX.exe plays a card by itself: started on a card of generated recordings it opens
// the first pair and plays it, the shown position follows, the end of a recording opens the next pair,
// a damaged recording is skipped with the message, and the end of the day folder goes on with the next
// day folder. The main window publishes its playback state as window properties.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/framework/private_messages.h"
#include "tests/app/app_process.h"
#include "tests/skin/removable_drive.h"
#include "tests/support/test_env.h"

namespace {

using namespace quill::test;

constexpr wchar_t kErrorCaption[] = L"ERROR";

INT_PTR Prop(HWND main, const wchar_t* name) {
  return reinterpret_cast<INT_PTR>(GetPropW(main, name)) - 1;  // -1: not published yet
}

std::wstring RecordingsCard() {
  const char* dir = std::getenv("QUILL_PLAYBACK_RECORDINGS");
  return dir ? HostPathToWindows(std::string(dir) + "/card/20240315_001") : std::wstring();
}

bool Copy(const std::wstring& from, const std::wstring& to) { return CopyFileW(from.c_str(), to.c_str(), FALSE) != 0; }

bool WriteDamaged(const std::wstring& from, const std::wstring& to) {
  // The first 2000 bytes of a real recording: a movie header without its media.
  HANDLE in = CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (in == INVALID_HANDLE_VALUE) return false;
  std::vector<char> head(2000);
  DWORD got = 0;
  ReadFile(in, head.data(), 2000, &got, nullptr);
  CloseHandle(in);
  HANDLE out = CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE) return false;
  DWORD put = 0;
  WriteFile(out, head.data(), got, &put, nullptr);
  CloseHandle(out);
  return put == got && got > 0;
}

// Sends a message to the program and waits until it was handled (posted ones would be handled after
// a later synchronising send).
void Send(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_NORMAL, 10000, &result);
}

// Waits (the program being alive) until `done` holds; the timeout is only a safety net.
template <typename Pred>
bool WaitUntil(const AppProcess& app, DWORD timeoutMs, Pred done) {
  const DWORD start = GetTickCount();
  while (!done()) {
    DWORD code = 0;
    if (app.WaitForExit(50, &code)) return false;
    if (GetTickCount() - start > timeoutMs) return false;
  }
  return true;
}

TEST(PlaybackProcess, PlaysPairAfterPairSkipsADamagedOneAndGoesOnWithTheNextDayFolder) {
  const std::wstring source = RecordingsCard();
  ASSERT_FALSE(source.empty()) << "QUILL_PLAYBACK_RECORDINGS is not set";
  TempDir dir;
  const std::wstring card = dir.path() + L"card\\";
  const std::wstring day1 = card + L"20240315_001\\", day2 = card + L"20240316_001\\";
  CreateDirectoryW(card.c_str(), nullptr);
  CreateDirectoryW(day1.c_str(), nullptr);
  CreateDirectoryW(day2.c_str(), nullptr);
  for (const wchar_t* f : {L"001_093000A_M.MP4", L"001_093000A_R.MP4", L"003_093006M_M.MP4", L"003_093006M_R.MP4"}) {
    ASSERT_TRUE(Copy(source + L"\\" + f, day1 + f)) << "no generated recording";
  }
  ASSERT_TRUE(WriteDamaged(source + L"\\002_093003G_M.MP4", day1 + L"002_093003G_M.MP4"));
  ASSERT_TRUE(WriteDamaged(source + L"\\002_093003G_R.MP4", day1 + L"002_093003G_R.MP4"));
  ASSERT_TRUE(Copy(source + L"\\001_093000A_M.MP4", day2 + L"004_100000A_M.MP4"));
  ASSERT_TRUE(Copy(source + L"\\001_093000A_R.MP4", day2 + L"004_100000A_R.MP4"));

  if (!RunningUnderWine()) GTEST_SKIP() << "needs Wine's mount manager";
  ScopedRemovableDrive drive(L'y', card.substr(0, card.size() - 1));  // the program opens the last card
  ASSERT_TRUE(drive.ok());
  const std::wstring work = dir.path() + L"work\\";
  CreateDirectoryW(work.c_str(), nullptr);
  WritePrivateProfileStringW(L"DISPLAY", L"MODELSELECT", L"1", IniPathIn(work).c_str());
  AppProcess app(work);
  HWND main = app.WaitForWindow(kMainCaption, true);
  ASSERT_NE(main, nullptr);

  // The first pair opens and plays by itself; the shown position follows the clock.
  ASSERT_TRUE(WaitUntil(app, 30000, [&] { return Prop(main, L"QuillmereX.State") == 2; }))
      << "the first pair does not play (state " << Prop(main, L"QuillmereX.State") << ", index "
      << Prop(main, L"QuillmereX.Index") << ")";
  EXPECT_EQ(Prop(main, L"QuillmereX.Index"), 0);
  const INT_PTR first = Prop(main, L"QuillmereX.Position");
  ASSERT_TRUE(WaitUntil(app, 10000, [&] { return Prop(main, L"QuillmereX.Position") > first + 10; }))
      << "the position shown stays at " << first;
  // The leading camera's presenter counts the frames it shows, published beside the position.
  const INT_PTR shown = Prop(main, L"QuillmereX.FramesShown");
  EXPECT_GE(Prop(main, L"QuillmereX.FramesDropped"), 0) << "the dropped frames are not published";
  ASSERT_TRUE(WaitUntil(app, 10000, [&] { return Prop(main, L"QuillmereX.FramesShown") > shown + 10; }))
      << "the frames shown stay at " << shown;
  // Every step of the first pair's open was marked, in order.
  INT_PTR previous = -1;
  int n = 0;
  for (const wchar_t* step : {L"prepared", L"timer", L"closed", L"opened", L"ready", L"loaded", L"start-timer",
                              L"started", L"first-tick"}) {
    const INT_PTR mark = Prop(main, (std::wstring(L"QuillmereX.Open.") + step).c_str());
    EXPECT_GE(mark, previous) << "open mark " << n << " is missing or early";
    ++n;
    previous = mark;
  }

  // The end of the first recording skips the damaged second one and plays the third (the list may
  // have left the damaged one out already).
  ASSERT_TRUE(WaitUntil(app, 30000, [&] {
    return Prop(main, L"QuillmereX.Index") >= 1 && Prop(main, L"QuillmereX.State") == 2;
  })) << "index " << Prop(main, L"QuillmereX.Index") << ", state " << Prop(main, L"QuillmereX.State")
       << ", opens " << Prop(main, L"QuillmereX.Opens") << ", box " << app.FindWindowByCaption(kErrorCaption, true);
  const INT_PTR third = Prop(main, L"QuillmereX.Index");
  if (HWND box = app.FindWindowByCaption(kErrorCaption, true)) PostMessageW(box, WM_COMMAND, IDOK, 0);

  // The end of the day folder goes on with the next day folder's first recording.
  const INT_PTR opens = Prop(main, L"QuillmereX.Opens");
  ASSERT_TRUE(WaitUntil(app, 30000, [&] {
    return Prop(main, L"QuillmereX.Opens") > opens && Prop(main, L"QuillmereX.Index") == 0 &&
           Prop(main, L"QuillmereX.State") == 2;
  })) << "the next day folder does not play (index " << Prop(main, L"QuillmereX.Index") << ", state "
      << Prop(main, L"QuillmereX.State") << ", opens " << Prop(main, L"QuillmereX.Opens") << ")";
  EXPECT_EQ(Prop(main, L"QuillmereX.Opens"), opens + 1) << "a pair was opened twice or skipped";
  (void)third;

  PostMessageW(main, WM_COMMAND, MAKEWPARAM(18, BN_CLICKED), 0);
  DWORD code = 1;
  EXPECT_TRUE(app.WaitForExit(10000, &code));
  EXPECT_EQ(code, 0u);
}

// The card of the transport test: one day folder with two pairs.
std::wstring MakeCard(const TempDir& dir) {
  const std::wstring source = RecordingsCard();
  const std::wstring card = dir.path() + L"card\\", day = card + L"20240315_001\\";
  CreateDirectoryW(card.c_str(), nullptr);
  CreateDirectoryW(day.c_str(), nullptr);
  for (const wchar_t* f : {L"001_093000A_M.MP4", L"001_093000A_R.MP4", L"003_093006M_M.MP4", L"003_093006M_R.MP4"}) {
    if (!Copy(source + L"\\" + f, day + f)) return std::wstring();
  }
  return card.substr(0, card.size() - 1);
}

TEST(PlaybackProcess, PauseSeekBarAndDragRotation) {
  if (!RunningUnderWine()) GTEST_SKIP() << "needs Wine's mount manager";
  TempDir dir;
  const std::wstring card = MakeCard(dir);
  ASSERT_FALSE(card.empty()) << "no generated recording";
  ScopedRemovableDrive drive(L'y', card);
  ASSERT_TRUE(drive.ok());
  const std::wstring work = dir.path() + L"work\\";
  CreateDirectoryW(work.c_str(), nullptr);
  WritePrivateProfileStringW(L"DISPLAY", L"MODELSELECT", L"1", IniPathIn(work).c_str());
  AppProcess app(work);
  HWND main = app.WaitForWindow(kMainCaption, true);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(WaitUntil(app, 30000, [&] { return Prop(main, L"QuillmereX.State") == 2; }));

  // Play/pause pauses (state 3) at normal speed.
  EXPECT_EQ(Prop(main, L"QuillmereX.Speed") + 1 - 100, 1);
  Send(main, WM_COMMAND, 38002, 0);
  ASSERT_TRUE(WaitUntil(app, 10000, [&] { return Prop(main, L"QuillmereX.State") == 3; }))
      << "state " << Prop(main, L"QuillmereX.State");

  // A press and release on the seek bar moves there; the paused movie stays paused.
  Send(main, quill::msg::kSliderPress, 38100, 0);
  Send(main, quill::msg::kSliderRelease, 38100, 40);
  EXPECT_EQ(Prop(main, L"QuillmereX.Position"), 40);
  EXPECT_EQ(Prop(main, L"QuillmereX.State"), 3);

  // A drag turns the paused 360-degree view (the pane counts the steps its scene took, not the drag's
  // answers); after a quick release it keeps turning for a while and
  // stops by itself.
  HWND pane = GetDlgItem(main, 1000);
  ASSERT_NE(pane, nullptr);
  auto turns = [&] { return reinterpret_cast<INT_PTR>(GetPropW(pane, L"QuillmereX.Turns")) - 1; };
  auto coasting = [&] { return reinterpret_cast<INT_PTR>(GetPropW(pane, L"QuillmereX.Coasting")) - 1; };
  Send(pane, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
  for (int x = 110; x <= 200; x += 10) Send(pane, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, 100));
  EXPECT_EQ(turns(), 10) << "every move of the drag turns the view ";
  Send(pane, WM_LBUTTONUP, 0, MAKELPARAM(212, 100));
  ASSERT_TRUE(WaitUntil(app, 10000, [&] { return coasting() == 0 && turns() > 10; }))
      << "turns " << turns() << ", coasting " << coasting();
  // 10 px per step decays to 9, 8, ..., 3, one turn each, and then rests: seven more turns.
  EXPECT_EQ(turns(), 17);

  // A slow drag (the last movement small) does not coast.
  Send(pane, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
  for (int x = 102; x <= 110; x += 2) Send(pane, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, 100));
  Send(pane, WM_LBUTTONUP, 0, MAKELPARAM(110, 100));
  app.Sync(main);
  EXPECT_EQ(coasting(), 0);
  EXPECT_EQ(turns(), 22);

  PostMessageW(main, WM_COMMAND, MAKEWPARAM(18, BN_CLICKED), 0);
  DWORD code = 1;
  EXPECT_TRUE(app.WaitForExit(10000, &code));
}

}  // namespace
