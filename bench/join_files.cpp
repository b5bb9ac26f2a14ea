// join_files OUT IN...: joins recordings of one camera into OUT (the benchmark's Windows side).
// Answers 0 when OUT was written, 1 when the join was refused or failed, 2 on bad arguments.
#include <windows.h>

#include <cstdio>

#include "playcore/mp4/multi_movie.h"

namespace {

constexpr int kExitWritten = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: join_files OUT IN1 IN2 [IN...]\n");
    return kExitUsage;
  }
  ULONGLONG start = GetTickCount64();
  playcore::MultiMoviePtr join(playcore::sMULTIMOVIE::Create(nullptr));
  int result = kExitFailed;
  if (join && join->StartChannel(argv[2], nullptr) == 1) {
    for (int i = 3; i < argc; ++i) join->AddRecording(argv[i], nullptr);
    ULONGLONG merged = GetTickCount64();
    if (join->WriteJoined(argv[1], nullptr) == 1) result = kExitWritten;
    std::fprintf(stderr, "join_files: load and merge %llu ms, write %llu ms\n", merged - start,
                 GetTickCount64() - merged);
  }
  if (result != kExitWritten)
    std::fprintf(stderr, "join failed: %s\n", join ? join->failure().c_str() : "no memory");
  return result;
}
