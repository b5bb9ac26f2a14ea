// The movie sources resolved and the players opened ahead: each is taken over by the open of its own
// file or shut down, and a resolution or a player's open that an open, a drop or a stop overtook keeps
// nothing.
#include "playcore/instances/prepared_movies.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "playcore/instances/instance_ops.h"
#include "playcore/presenter/wine_host.h"
#include "tests/instances/instance_test_util.h"

namespace playcore {
namespace {

struct Record {
  std::vector<std::wstring> resolved, shutDown, handedOver;
  long live = 0;
  std::function<void()> duringResolve;  // what "another thread" does while a resolution runs
};
Record* g_record = nullptr;

class Source final : public IUnknown {
 public:
  explicit Source(const wchar_t* path) : path(path) {}
  STDMETHODIMP QueryInterface(REFIID, void** ppv) override {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --refs_;
    if (left == 0) {
      --g_record->live;
      delete this;
    }
    return left;
  }
  std::wstring path;

 private:
  ULONG refs_ = 1;
};

HRESULT Resolve(const wchar_t* path, IUnknown** source) {
  g_record->resolved.push_back(path);
  if (g_record->duringResolve) g_record->duringResolve();
  ++g_record->live;
  *source = new Source(path);
  return S_OK;
}

void Let(IUnknown* source, bool takenOver) {
  (takenOver ? g_record->handedOver : g_record->shutDown).push_back(static_cast<Source*>(source)->path);
}

sPLAYERINSTANCE* I0() { return &g_PlayerInstance[0]; }

class PreparedMovies : public ::testing::Test {
 public:
  void SetUp() override {
    g_record = &record_;
    saved_ = SetMovieSourceOps({Resolve, Let});
  }
  void TearDown() override {
    SetMovieSourceOps(saved_);
    g_record = nullptr;
  }
  std::wstring Taken(const wchar_t* path) {
    quill::com::ComPtr<IUnknown> taken = PlayerInstance::TakePreparedMovie(I0(), path);
    return taken ? static_cast<Source*>(taken.get())->path : L"";
  }
  Record record_;
  MovieSourceOps saved_ = {};
};

using Paths = std::vector<std::wstring>;

TEST_F(PreparedMovies, TheOpenOfItsOwnFileTakesTheSourceOverAndAnyOtherOpenShutsItDown) {
  struct Case {
    const wchar_t* opened;
    const wchar_t* taken;
    Paths shutDown, handedOver;
  };
  const Case cases[] = {
      {L"C:\\a_M.MP4", L"C:\\a_M.MP4", {}, {L"C:\\a_M.MP4"}},
      {L"c:\\A_m.mp4", L"C:\\a_M.MP4", {}, {L"C:\\a_M.MP4"}},  // Windows paths: case does not matter
      {L"C:\\b_M.MP4", L"", {L"C:\\a_M.MP4"}, {}},
  };
  for (const Case& c : cases) {
    test::LiveInstances live;
    record_ = Record{};
    EXPECT_EQ(PlayerInstance::PrepareMovie(I0(), L"C:\\a_M.MP4"), 1);
    EXPECT_EQ(PlayerInstance::PrepareMovie(I0(), L"C:\\a_M.MP4"), 1) << "kept already: not resolved again";
    EXPECT_EQ(Taken(c.opened), c.taken) << c.opened;
    EXPECT_EQ(Taken(c.opened), L"") << "taken once";
    EXPECT_EQ(record_.resolved, Paths{L"C:\\a_M.MP4"});
    EXPECT_EQ(record_.shutDown, c.shutDown) << c.opened;
    EXPECT_EQ(record_.handedOver, c.handedOver) << c.opened;
    EXPECT_EQ(record_.live, 0);
  }
}

// What happens on another thread while the pre-open worker resolves: the source it finishes is
// shut down rather than kept for an open that already went by, or after the close began.
TEST_F(PreparedMovies, AResolutionOvertakenByAnOpenADropOrAStopKeepsNothing) {
  const std::function<void()> overtakers[] = {
      [] { PlayerInstance::TakePreparedMovie(I0(), L"C:\\a_M.MP4"); },
      [] { PlayerInstance::DropPreparedMovie(I0()); },
      [] { PlayerInstance::StopReadAhead(I0()); },
  };
  for (const auto& overtaker : overtakers) {
    test::LiveInstances live;
    record_ = Record{};
    record_.duringResolve = overtaker;
    EXPECT_EQ(PlayerInstance::PrepareMovie(I0(), L"C:\\a_M.MP4"), 0);
    record_.duringResolve = nullptr;
    EXPECT_EQ(Taken(L"C:\\a_M.MP4"), L"");
    EXPECT_EQ(record_.shutDown, Paths{L"C:\\a_M.MP4"});
    EXPECT_EQ(record_.live, 0);
  }
}

// Under Wine the program's own players are not opened ahead (a device made while another draws can
// hang Wine's GL driver): the preparation keeps nothing, and the source resolved ahead stays for the
// open of its file instead of being shut down with a player that was never made.
TEST_F(PreparedMovies, UnderWineThePlayersAreNotOpenedAheadAndTheSourceStaysForTheOpen) {
  if (!RunningOnWine()) GTEST_SKIP() << "the players are opened ahead elsewhere";
  const MoviePlayerOps saved = SetMoviePlayerOps({});  // the program's own players
  {
    test::LiveInstances live;
    EXPECT_EQ(PlayerInstance::PrepareMovie(I0(), L"C:\\a_M.MP4"), 1);
    EXPECT_EQ(PlayerInstance::PreparePlayer(I0(), L"C:\\a_M.MP4"), 0);
    EXPECT_EQ(PlayerInstance::DrawPreparedPlayerAhead(I0(), L"C:\\a_M.MP4"), 0);
    EXPECT_FALSE(PlayerInstance::TakePreparedPlayer(I0(), L"C:\\a_M.MP4"));
    EXPECT_TRUE(record_.shutDown.empty());
    EXPECT_EQ(Taken(L"C:\\a_M.MP4"), L"C:\\a_M.MP4");
  }
  SetMoviePlayerOps(saved);
  EXPECT_EQ(record_.live, 0);
}

TEST_F(PreparedMovies, AStoppedReadAheadResolvesNothingAndTheReleaseShutsAKeptSourceDown) {
  {
    test::LiveInstances live;
    EXPECT_EQ(PlayerInstance::PrepareMovie(I0(), L"C:\\a_M.MP4"), 1);
    EXPECT_EQ(PlayerInstance::PrepareMovie(I0(), L"C:\\b_M.MP4"), 1);
    EXPECT_EQ(record_.shutDown, Paths{L"C:\\a_M.MP4"}) << "a newer preparation replaces the older";
    PlayerInstance::StopReadAhead(I0());
    EXPECT_EQ(PlayerInstance::PrepareMovie(I0(), L"C:\\c_M.MP4"), 0);
  }
  EXPECT_EQ(record_.resolved, (Paths{L"C:\\a_M.MP4", L"C:\\b_M.MP4"}));
  EXPECT_EQ(record_.shutDown, (Paths{L"C:\\a_M.MP4", L"C:\\b_M.MP4"}));
  EXPECT_EQ(record_.live, 0);
  EXPECT_EQ(PlayerInstance::PrepareMovie(I0(), L"C:\\a_M.MP4"), 0) << "a released instance";
  EXPECT_EQ(record_.resolved.size(), 2u);
}

// The players opened ahead, from the sources kept.
struct PlayerRecord {
  std::vector<std::wstring> opened, shutDown, takenOver;
  std::vector<HWND> windows;      // the window each was made for
  std::vector<int32_t> viewModes; // the view mode each started with
  long live = 0;
  bool fail = false;
  std::function<void()> duringOpen;
  // The drawing ahead: the waits for readiness (ready after `readyAfter` of them; -1: never), what
  // another thread does during a wait and during the drawing, and the players drawn.
  int readyWaits = 0;
  int readyAfter = 0;
  std::function<void()> duringWait, duringDraw;
  std::vector<std::wstring> drawn;
};
PlayerRecord* g_players = nullptr;

class Player final : public IUnknown {
 public:
  explicit Player(const wchar_t* path) : path(path) {}
  STDMETHODIMP QueryInterface(REFIID, void** ppv) override {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --refs_;
    if (left == 0) {
      --g_players->live;
      delete this;
    }
    return left;
  }
  std::wstring path;

 private:
  ULONG refs_ = 1;
};

HRESULT OpenPlayer(HWND window, const sVIEWSETTINGS* settings, IUnknown* source, const wchar_t* path,
                   IUnknown** player) {
  g_players->opened.push_back(path);
  g_players->windows.push_back(window);
  g_players->viewModes.push_back(settings->viewMode);
  if (static_cast<Source*>(source)->path != path) return E_INVALIDARG;
  if (g_players->duringOpen) g_players->duringOpen();
  if (g_players->fail) return E_FAIL;
  ++g_players->live;
  *player = new Player(path);
  return S_OK;
}

void LetPlayer(IUnknown* player, bool takenOver) {
  (takenOver ? g_players->takenOver : g_players->shutDown).push_back(static_cast<Player*>(player)->path);
}

bool WaitReady(IUnknown* player, DWORD) {
  ++g_players->readyWaits;
  if (g_players->duringWait) g_players->duringWait();
  (void)player;
  return g_players->readyAfter >= 0 && g_players->readyWaits > g_players->readyAfter;
}

HRESULT DrawAhead(IUnknown* player) {
  g_players->drawn.push_back(static_cast<Player*>(player)->path);
  if (g_players->duringDraw) g_players->duringDraw();
  return S_OK;
}

class PreparedPlayers : public PreparedMovies {
 public:
  void SetUp() override {
    PreparedMovies::SetUp();
    g_players = &players_;
    savedPlayers_ = SetMoviePlayerOps({OpenPlayer, LetPlayer, WaitReady, DrawAhead});
  }
  void TearDown() override {
    SetMoviePlayerOps(savedPlayers_);
    g_players = nullptr;
    PreparedMovies::TearDown();
  }
  std::wstring TakenPlayer(const wchar_t* path) {
    quill::com::ComPtr<IUnknown> taken = PlayerInstance::TakePreparedPlayer(I0(), path);
    return taken ? static_cast<Player*>(taken.get())->path : L"";
  }
  // Source and player of C:\\a_M.MP4 prepared for instance 0.
  void PrepareA() {
    EXPECT_EQ(PlayerInstance::PrepareMovie(I0(), L"C:\\a_M.MP4"), 1);
    EXPECT_EQ(PlayerInstance::PreparePlayer(I0(), L"C:\\a_M.MP4"), 1);
    EXPECT_EQ(PlayerInstance::PreparePlayer(I0(), L"C:\\a_M.MP4"), 1) << "kept already: not opened again";
    EXPECT_EQ(PlayerInstance::PrepareMovie(I0(), L"C:\\a_M.MP4"), 1) << "kept already: not resolved again";
  }
  PlayerRecord players_;
  MoviePlayerOps savedPlayers_ = {};
};

TEST_F(PreparedPlayers, TheOpenOfItsOwnFileTakesThePlayerOverAndAnythingElseShutsItDown) {
  struct Case {
    const char* what;
    std::function<std::wstring(PreparedPlayers*)> act;  // answers the player taken, if any
    std::wstring taken;
    Paths shutDown;
  };
  const Case cases[] = {
      {"the open of its file", [](PreparedPlayers* t) { return t->TakenPlayer(L"C:\\a_M.MP4"); }, L"C:\\a_M.MP4", {}},
      {"the same file in other case", [](PreparedPlayers* t) { return t->TakenPlayer(L"c:\\A_m.mp4"); }, L"C:\\a_M.MP4", {}},
      {"another file", [](PreparedPlayers* t) { return t->TakenPlayer(L"C:\\b_M.MP4"); }, L"", {L"C:\\a_M.MP4"}},
      {"an open that asks for the source", [](PreparedPlayers* t) { return t->Taken(L"C:\\a_M.MP4"); }, L"", {L"C:\\a_M.MP4"}},
      {"a drop", [](PreparedPlayers*) { PlayerInstance::DropPreparedMovie(I0()); return std::wstring(); }, L"", {L"C:\\a_M.MP4"}},
      {"a newer preparation", [](PreparedPlayers*) { PlayerInstance::PrepareMovie(I0(), L"C:\\b_M.MP4"); return std::wstring(); }, L"", {L"C:\\a_M.MP4"}},
  };
  for (const Case& c : cases) {
    record_ = Record{};
    players_ = PlayerRecord{};
    {
      test::LiveInstances live;
      PrepareA();
      EXPECT_EQ(c.act(this), c.taken) << c.what;
      EXPECT_EQ(TakenPlayer(L"C:\\a_M.MP4"), L"") << c.what << ": taken or gone once";
      EXPECT_EQ(players_.opened, Paths{L"C:\\a_M.MP4"}) << c.what;
      EXPECT_EQ(players_.windows, std::vector<HWND>{I0()->videoWindow}) << c.what;
      EXPECT_EQ(players_.shutDown, c.shutDown) << c.what;
      EXPECT_EQ(players_.takenOver, c.taken.empty() ? Paths{} : Paths{c.taken}) << c.what;
      // The source went into the player: handed over, never shut down by the slot.
      EXPECT_EQ(record_.handedOver, Paths{L"C:\\a_M.MP4"}) << c.what;
    }
    EXPECT_EQ(players_.live, 0) << c.what;
    EXPECT_EQ(record_.live, 0) << c.what;
  }
}

// What happens on another thread while the pre-open worker opens the player: the player it finishes
// is shut down by the preparation itself rather than kept for an open that already went by, or after
// the close began.
TEST_F(PreparedPlayers, APlayerOpenOvertakenByAnOpenADropOrAStopIsShutDownByItsPreparation) {
  const std::function<void()> overtakers[] = {
      [] { PlayerInstance::TakePreparedPlayer(I0(), L"C:\\a_M.MP4"); },
      [] { PlayerInstance::TakePreparedMovie(I0(), L"C:\\a_M.MP4"); },
      [] { PlayerInstance::DropPreparedMovie(I0()); },
      [] { PlayerInstance::StopReadAhead(I0()); },
  };
  for (const auto& overtaker : overtakers) {
    record_ = Record{};
    players_ = PlayerRecord{};
    {
      test::LiveInstances live;
      EXPECT_EQ(PlayerInstance::PrepareMovie(I0(), L"C:\\a_M.MP4"), 1);
      players_.duringOpen = overtaker;
      EXPECT_EQ(PlayerInstance::PreparePlayer(I0(), L"C:\\a_M.MP4"), 0);
      players_.duringOpen = nullptr;
      EXPECT_EQ(TakenPlayer(L"C:\\a_M.MP4"), L"");
      EXPECT_EQ(Taken(L"C:\\a_M.MP4"), L"");
      EXPECT_EQ(players_.shutDown, Paths{L"C:\\a_M.MP4"});
      EXPECT_EQ(players_.live, 0);
    }
    EXPECT_EQ(record_.live, 0);
  }
}

// The drawing ahead of a prepared player: it waits while the slot holds the player (an open may take it
// meanwhile), draws it out of the slot and puts it back; what another thread does meanwhile decides
// whether it draws and who shuts the player down.
TEST_F(PreparedPlayers, APlayerIsDrawnAheadOnlyWhileItIsStillPreparedAndEndsTakenOrShutDownOnce) {
  using Act = std::function<void()>;
  const Act take = [] { PlayerInstance::TakePreparedPlayer(I0(), L"C:\\a_M.MP4"); };
  const Act drop = [] { PlayerInstance::DropPreparedMovie(I0()); };
  const Act stop = [] { PlayerInstance::StopReadAhead(I0()); };
  struct Case {
    const char* what;
    const wchar_t* path;  // the path the drawing is asked for
    int readyAfter;       // waits before the player is ready
    Act duringWait, duringDraw;
    int result;
    Paths drawn, takenOver, shutDownBeforeRelease;
  };
  const Case cases[] = {
      {"ready at once", L"C:\\a_M.MP4", 0, nullptr, nullptr, 1, {L"C:\\a_M.MP4"}, {}, {}},
      {"ready after three waits", L"C:\\a_M.MP4", 3, nullptr, nullptr, 1, {L"C:\\a_M.MP4"}, {}, {}},
      {"another file's", L"C:\\b_M.MP4", 0, nullptr, nullptr, 0, {}, {}, {}},
      {"an open takes it while it waits", L"C:\\a_M.MP4", 2, take, nullptr, 0, {}, {L"C:\\a_M.MP4"}, {}},
      {"a drop while it waits", L"C:\\a_M.MP4", 2, drop, nullptr, 0, {}, {}, {L"C:\\a_M.MP4"}},
      {"a stop while it waits", L"C:\\a_M.MP4", 2, stop, nullptr, 0, {}, {}, {}},
      // Out of the slot while drawn: the open finds nothing, and the drawing shuts the player down.
      {"an open while it draws", L"C:\\a_M.MP4", 0, nullptr, take, 0, {L"C:\\a_M.MP4"}, {}, {L"C:\\a_M.MP4"}},
      {"a drop while it draws", L"C:\\a_M.MP4", 0, nullptr, drop, 0, {L"C:\\a_M.MP4"}, {}, {L"C:\\a_M.MP4"}},
      {"a stop while it draws", L"C:\\a_M.MP4", 0, nullptr, stop, 0, {L"C:\\a_M.MP4"}, {}, {L"C:\\a_M.MP4"}},
  };
  for (const Case& c : cases) {
    record_ = Record{};
    players_ = PlayerRecord{};
    {
      test::LiveInstances live;
      PrepareA();
      players_.readyAfter = c.readyAfter;
      int waits = 0;
      players_.duringWait = [&] {
        if (++waits == 2 && c.duringWait) c.duringWait();
      };
      players_.duringDraw = c.duringDraw;
      EXPECT_EQ(PlayerInstance::DrawPreparedPlayerAhead(I0(), c.path), c.result) << c.what;
      players_.duringWait = nullptr;
      players_.duringDraw = nullptr;
      EXPECT_EQ(players_.drawn, c.drawn) << c.what;
      EXPECT_EQ(players_.takenOver, c.takenOver) << c.what;
      EXPECT_EQ(players_.shutDown, c.shutDownBeforeRelease) << c.what;
      if (c.result == 1) {
        EXPECT_EQ(TakenPlayer(L"C:\\a_M.MP4"), L"C:\\a_M.MP4") << c.what << ": kept after the drawing";
      }
    }
    // Every player made is taken over or shut down, once.
    EXPECT_EQ(players_.takenOver.size() + players_.shutDown.size(), 1u) << c.what;
    EXPECT_EQ(players_.live, 0) << c.what;
    EXPECT_EQ(record_.live, 0) << c.what;
  }
}

TEST_F(PreparedPlayers, WithoutASourceOrAfterAFailedOpenNothingIsKeptAndTheSourceIsShutDown) {
  {
    test::LiveInstances live;
    EXPECT_EQ(PlayerInstance::PreparePlayer(I0(), L"C:\\a_M.MP4"), 0) << "no source kept";
    EXPECT_EQ(PlayerInstance::PrepareMovie(I0(), L"C:\\b_M.MP4"), 1);
    EXPECT_EQ(PlayerInstance::PreparePlayer(I0(), L"C:\\a_M.MP4"), 0) << "the source kept is another file's";
    EXPECT_TRUE(players_.opened.empty());
    EXPECT_EQ(Taken(L"C:\\b_M.MP4"), L"C:\\b_M.MP4") << "another file's source stays";
    EXPECT_EQ(PlayerInstance::PrepareMovie(I0(), L"C:\\a_M.MP4"), 1);
    players_.fail = true;
    EXPECT_EQ(PlayerInstance::PreparePlayer(I0(), L"C:\\a_M.MP4"), 0);
    EXPECT_EQ(Taken(L"C:\\a_M.MP4"), L"");
    EXPECT_EQ(record_.shutDown, Paths{L"C:\\a_M.MP4"});
    players_.fail = false;
    EXPECT_EQ(PlayerInstance::PrepareMovie(I0(), L"C:\\c_M.MP4"), 1);
    EXPECT_EQ(PlayerInstance::PreparePlayer(I0(), L"C:\\c_M.MP4"), 1);
  }
  EXPECT_EQ(players_.shutDown, Paths{L"C:\\c_M.MP4"}) << "the release shuts a kept player down";
  EXPECT_EQ(players_.live, 0);
  EXPECT_EQ(record_.live, 0);
}

}  // namespace
}  // namespace playcore
