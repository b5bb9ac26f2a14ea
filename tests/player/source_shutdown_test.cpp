// The source's shut-down at close: a plain call where it is not bounded; where it is, the answer of a
// source that answers, and a close that goes on when the source's shut-down does not return.
#include <gtest/gtest.h>

#include <windows.h>
#include <mferror.h>

#include "platform/com/com_ptr.h"
#include "playcore/player/source_shutdown.h"
#include "tests/player/fake_source.h"

namespace playcore::test {
namespace {

// Only a guard against a hang: nothing here should come near it.
constexpr DWORD kHangGuardMs = 20000;

struct Case {
  const char* name;
  FakeSource::Behaviour behaviour;
  HRESULT answer;
  DWORD boundMs;
  HRESULT expected;
  bool onTheCallersThread;
  bool abandoned;
};

TEST(SourceShutdown, AnsweredOrAbandonedWithinTheBound) {
  const Case cases[] = {
      {"unbounded: a plain call", FakeSource::Behaviour::kAnswers, S_OK, INFINITE, S_OK, true, false},
      {"unbounded: its failure", FakeSource::Behaviour::kAnswers, MF_E_SHUTDOWN, INFINITE, MF_E_SHUTDOWN,
       true, false},
      {"bounded: the answer in time", FakeSource::Behaviour::kAnswers, S_OK, kHangGuardMs, S_OK, false, false},
      {"bounded: a failure in time", FakeSource::Behaviour::kAnswers, MF_E_SHUTDOWN, kHangGuardMs,
       MF_E_SHUTDOWN, false, false},
      {"bounded: never returns", FakeSource::Behaviour::kHangsUntilLetGo, S_OK, 300,
       HRESULT_FROM_WIN32(ERROR_TIMEOUT), false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const quill::com::ComPtr<FakeSource> source = FakeSource::Make(c.behaviour, c.answer);
    const LONG abandonedBefore = AbandonedSourceShutdowns();
    EXPECT_EQ(c.expected, ShutdownSourceWithin(source.get(), c.boundMs));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(source->entered(), kHangGuardMs)) << "Shutdown was called";
    EXPECT_EQ(c.onTheCallersThread, source->shutdownThread() == GetCurrentThreadId());
    EXPECT_EQ(c.abandoned ? abandonedBefore + 1 : abandonedBefore, AbandonedSourceShutdowns());
    if (c.abandoned) {
      // The thread still in the call keeps the source; let go, it returns and releases it.
      EXPECT_EQ(2, source->references());
      source->LetGo();
      EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(source->backToOneReference(), kHangGuardMs));
    }
    EXPECT_EQ(1, source->references()) << "a reference of the shut-down left behind";
  }
}

TEST(SourceShutdown, NoSourceIsNothingToDo) {
  EXPECT_EQ(S_OK, ShutdownSourceWithin(nullptr, 300));
  EXPECT_EQ(S_OK, ShutdownSourceWithin(nullptr, INFINITE));
}

}  // namespace
}  // namespace playcore::test
