// CInetConnectionAsync: the connectivity watch of the map page and the update check, each on its own
// thread. The watch tests the map host once a second and hands (known, online) to a sink, the map
// host's connectivity flags; the update check reads the two version files once and, when something is
// newer, shows CUpdateDialog on its own thread with its own message loop.
//
// The main dialog holds one as a member: after the map wrapper exists,
// StartConnectivity(ConnectivitySinkFor(mapWrap.Connectivity())); once start-up has finished and the
// card's firmware version is known, StartUpdateCheck(firmware); at shut-down Stop() before the map
// wrapper goes away (the destructor stops too).
//
// Threads and state:
//   - The object is made, started and stopped on the UI thread.
//   - Each worker holds a shared Worker record (stop event, thread id), so a worker that is still in a
//     network call when Stop gives up waiting can finish alone without touching the object.
//   - The sink is called on the connectivity thread under sinkLock; Stop clears it under the same lock,
//     so no call reaches the map host after Stop returned. The only lock; nothing else is taken inside.
//   - The update thread owns its dialog; the decision, the message and the dialog's window are published
//     under outcomeLock (tests and the UI thread read them).
// Stop ends both threads: it signals them (the update thread also gets WM_QUIT) and waits at most
// kStopWaitMs in all. Every network call is bounded (inet_session.h), so a worker normally ends well
// within it; one that does not is let go and ends by itself (WaitThreadsEnded can wait for that).
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "playcore/bytes/unique_handle.h"
#include "tavrin/app/web/update_check.h"

namespace quill::app {

class CInetConnectionAsync {
 public:
  // How long Stop waits for both threads together.
  static constexpr DWORD kStopWaitMs = 2000;
  // How often the connectivity is tested.
  static constexpr DWORD kConnectivityIntervalMs = 1000;

  using OnlineSink = std::function<void(bool known, bool online)>;
  using ConnectionTest = std::function<bool(const std::wstring& url)>;

  struct Config {
    std::wstring mapCheckUrl;
    UpdateAddresses update;
    std::wstring programVersion;
    DWORD intervalMs = kConnectivityIntervalMs;
    ConnectionTest test;  // null: TestConnection (WinINet)
    VersionFetch fetch;   // null: FetchVersion (WinINet)
  };
  // The program's addresses (web_addresses.h) and the WinINet functions.
  static Config ProgramConfig();

  explicit CInetConnectionAsync(Config config = ProgramConfig());
  virtual ~CInetConnectionAsync();
  CInetConnectionAsync(const CInetConnectionAsync&) = delete;
  CInetConnectionAsync& operator=(const CInetConnectionAsync&) = delete;

  // Starts the connectivity thread; each test's result goes to `sink` (known is true from the first
  // test on). False when it already runs or cannot start.
  bool StartConnectivity(OnlineSink sink);
  // Starts the update thread with the card's firmware version (empty: only the viewer is checked).
  bool StartUpdateCheck(const std::wstring& firmwareVersion);
  // Ends both threads; true when both ended within kStopWaitMs (or none ran).
  bool Stop();
  // After Stop: waits until the threads it let go have ended too; true when all have (at once when
  // none was let go). The threads themselves are never waited for longer than this.
  bool WaitThreadsEnded(DWORD timeoutMs) const;

  // The update thread's outcome: signalled once it decided (dialog shown or nothing to show).
  bool WaitUpdateDecided(DWORD timeoutMs) const;
  std::wstring UpdateMessage() const;
  HWND UpdateDialogWindow() const;

  struct Worker;
  struct Outcome;

 private:
  static unsigned __stdcall ConnectivityThreadProc(void* arg);
  static unsigned __stdcall UpdateCheckThreadProc(void* arg);

  Config config_;
  std::shared_ptr<Worker> connectivity_;
  std::shared_ptr<Worker> update_;
  std::shared_ptr<Outcome> outcome_;
  std::vector<playcore::UniqueHandle> letGo_;  // threads Stop stopped waiting for
};

// The sink that writes the map host's flags: call with the host's Connectivity() object.
template <typename Flags>
CInetConnectionAsync::OnlineSink ConnectivitySinkFor(Flags& flags) {
  return [&flags](bool known, bool online) { flags.Set(known, online); };
}

}  // namespace quill::app
