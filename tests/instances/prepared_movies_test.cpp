// The movie sources resolved ahead: each is taken over by the open of its own file or shut down,
// and a resolution that an open, a drop or a stop overtook keeps nothing.
#include "playcore/instances/prepared_movies.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "playcore/instances/instance_ops.h"
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
 protected:
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

}  // namespace
}  // namespace playcore
