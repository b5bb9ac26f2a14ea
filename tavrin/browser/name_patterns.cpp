// The fifteen wide patterns of recording names and the day-folder pattern. The "." before the
// extension is the regular-expression wildcard, as written. Every trigger letter the program labels
// and filters (A, P, G, S, M, O, R, T, U) and every joined prefix the join command writes (JM, JR,
// JB, JN) is admitted, so that no recording on a card is left out of the lists. Each regex is built
// on first use (thread-safe static initialisation) and never changed.
#include "tavrin/browser/name_patterns.h"

namespace browser_patterns {

namespace {

constexpr wchar_t kJoinedPrefix[] = L"J[MRBN]{1,1}[0-9]{2,2}_[0-9]{3,3}_";

constexpr const wchar_t* kMainPatterns[4] = {
    L"[0-9]{3,3}_[0-9]{6,6}[APGSMORTU_]{1,1}_[M]{1,1}.MP4",
    L"[0-9]{3,3}_[0-9]{6,6}[APGSMORTU_]{1,1}_[M]{1,1}.mp4",
    L"J[MRBN]{1,1}[0-9]{2,2}_[0-9]{3,3}_[0-9]{6,6}[APGSMORTU_]{1,1}_[M]{1,1}.MP4",
    L"J[MRBN]{1,1}[0-9]{2,2}_[0-9]{3,3}_[0-9]{6,6}[APGSMORTU_]{1,1}_[M]{1,1}.mp4",
};
constexpr const wchar_t* kRearPatterns[4] = {
    L"[0-9]{3,3}_[0-9]{6,6}[APGSMORTU_]{1,1}_[R]{1,1}.MP4",
    L"[0-9]{3,3}_[0-9]{6,6}[APGSMORTU_]{1,1}_[R]{1,1}.mp4",
    L"J[MRBN]{1,1}[0-9]{2,2}_[0-9]{3,3}_[0-9]{6,6}[APGSMORTU_]{1,1}_[R]{1,1}.MP4",
    L"J[MRBN]{1,1}[0-9]{2,2}_[0-9]{3,3}_[0-9]{6,6}[APGSMORTU_]{1,1}_[R]{1,1}.mp4",
};
constexpr const wchar_t* kEitherPatterns[4] = {
    L"[0-9]{3,3}_[0-9]{6,6}[APGSMORTU_]{1,1}_[MR]{1,1}.MP4",
    L"[0-9]{3,3}_[0-9]{6,6}[APGSMORTU_]{1,1}_[MR]{1,1}.mp4",
    L"J[MRBN]{1,1}[0-9]{2,2}_[0-9]{3,3}_[0-9]{6,6}[APGSMORTU_]{1,1}_[MR]{1,1}.MP4",
    L"J[MRBN]{1,1}[0-9]{2,2}_[0-9]{3,3}_[0-9]{6,6}[APGSMORTU_]{1,1}_[MR]{1,1}.mp4",
};
constexpr wchar_t kCameraSuffixUpper[] = L"_[MR]{1,1}.MP4";
constexpr wchar_t kCameraSuffixLower[] = L"_[MR]{1,1}.mp4";
constexpr char kDayFolder[] = "[0-9]{8,8}_[0-9]{3,3}";

struct PatternSet {
  explicit PatternSet(const wchar_t* const (&texts)[4])
      : regexes{std::wregex(texts[0]), std::wregex(texts[1]), std::wregex(texts[2]),
                std::wregex(texts[3])} {}
  std::wregex regexes[4];
};

}  // namespace

const std::wregex& JoinedPrefix() {
  static const std::wregex r(kJoinedPrefix);
  return r;
}

const std::wregex* CameraPatterns(Camera camera) {
  static const PatternSet main(kMainPatterns);
  static const PatternSet rear(kRearPatterns);
  static const PatternSet either(kEitherPatterns);
  switch (camera) {
    case Camera::Main: return main.regexes;
    case Camera::Rear: return rear.regexes;
    case Camera::Either: break;
  }
  return either.regexes;
}

const std::wregex& CameraSuffixUpper() {
  static const std::wregex r(kCameraSuffixUpper);
  return r;
}

const std::wregex& CameraSuffixLower() {
  static const std::wregex r(kCameraSuffixLower);
  return r;
}

const std::regex& DayFolder() {
  static const std::regex r(kDayFolder);
  return r;
}

}  // namespace browser_patterns
