// The partner search: other trigger letters, up to ten seconds either side, minute, hour and day
// boundaries, and names it must leave alone.
#include "tavrin/browser/partner_search.h"
#include "tavrin/browser/recording_names.h"
#include "tests/names/card_fixture.h"
#include "tests/support/test_env.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <vector>

namespace {

using quill::test::TempDir;

struct PartnerCase {
  const wchar_t* file;
  const wchar_t* other;     // the only other file in the folder
  const wchar_t* expected;  // "" when no partner is found
};

const PartnerCase kPartners[] = {
    {L"001_120000A_M.MP4", L"001_120000A_R.MP4", L"001_120000A_R.MP4"},
    {L"001_120000A_R.MP4", L"001_120000A_M.MP4", L"001_120000A_M.MP4"},
    // Another trigger letter at the same time, and the rear file's own letter on the main's side.
    {L"001_120000M_M.MP4", L"001_120000A_R.MP4", L"001_120000A_R.MP4"},
    {L"001_120000A_M.MP4", L"001_120000S_R.MP4", L"001_120000S_R.MP4"},
    // A few seconds later or earlier, up to ten.
    {L"001_120000A_M.MP4", L"001_120003A_R.MP4", L"001_120003A_R.MP4"},
    {L"001_120000G_M.MP4", L"001_115950G_R.MP4", L"001_115950G_R.MP4"},
    {L"001_120000A_M.MP4", L"001_120011A_R.MP4", L""},
    {L"001_120000A_M.MP4", L"001_115949A_R.MP4", L""},
    // Across a minute, an hour and midnight.
    {L"001_120058A_M.MP4", L"001_120103A_R.MP4", L"001_120103A_R.MP4"},
    {L"001_125959P_M.MP4", L"001_130002P_R.MP4", L"001_130002P_R.MP4"},
    {L"001_235955A_M.MP4", L"001_000002A_R.MP4", L"001_000002A_R.MP4"},
    {L"001_000003A_R.MP4", L"001_000001A_M.MP4", L"001_000001A_M.MP4"},
    // O, R, T and U are tried too.
    {L"001_120000A_M.MP4", L"001_120000T_R.MP4", L"001_120000T_R.MP4"},
    // Joined names keep their prefix.
    {L"JM01_001_120000A_M.MP4", L"JM01_001_120002A_R.MP4", L"JM01_001_120002A_R.MP4"},
    // Lower-case extensions.
    {L"002_093002A_M.mp4", L"002_093002A_R.mp4", L"002_093002A_R.mp4"},
};

TEST(PartnerSearch, FindsTheOtherCameraAcrossLettersSecondsAndBoundaries) {
  for (const PartnerCase& c : kPartners) {
    SCOPED_TRACE(testing::Message() << std::wstring(c.file).c_str() << " + "
                                    << std::wstring(c.other).c_str());
    TempDir dir;
    ASSERT_TRUE(quill::test::WriteTinyRecording(dir.path() + c.file));
    ASSERT_TRUE(quill::test::WriteTinyRecording(dir.path() + c.other));
    wchar_t partner[kRecordingPathChars] = L"garbage";
    const bool found = FindPartnerFile((dir.path() + c.file).c_str(), partner);
    const std::wstring expected = *c.expected ? dir.path() + c.expected : std::wstring();
    EXPECT_EQ(found, !expected.empty());
    EXPECT_EQ(std::wstring(partner), expected);
  }
}

// Records every path the search asks about; answers yes for one name.
class RecordingLookup : public PartnerLookup {
 public:
  explicit RecordingLookup(std::wstring hit = std::wstring()) : hit_(std::move(hit)) {}
  bool Exists(wchar_t* path) const override {
    probes.emplace_back(path);
    return !hit_.empty() && probes.back() == hit_;
  }
  mutable std::vector<std::wstring> probes;

 private:
  std::wstring hit_;
};

TEST(PartnerSearch, TriesLettersInOrderWithTheExactTimeFirstThenAlternatingSeconds) {
  RecordingLookup lookup;
  wchar_t partner[kRecordingPathChars];
  EXPECT_FALSE(FindPartnerFileWith(L"E:\\d\\001_120000G_M.MP4", partner, lookup));
  ASSERT_EQ(lookup.probes.size(), 189u);
  EXPECT_EQ(lookup.probes[0], L"E:\\d\\001_120000A_R.MP4");
  EXPECT_EQ(lookup.probes[1], L"E:\\d\\001_120001A_R.MP4");
  EXPECT_EQ(lookup.probes[2], L"E:\\d\\001_115959A_R.MP4");
  EXPECT_EQ(lookup.probes[20], L"E:\\d\\001_115950A_R.MP4");
  EXPECT_EQ(lookup.probes[21], L"E:\\d\\001_120000G_R.MP4");
  EXPECT_EQ(lookup.probes[104], L"E:\\d\\001_115950S_R.MP4");
  EXPECT_EQ(std::wstring(partner), L"");
}

TEST(PartnerSearch, NeverWritesATimeBeforeMidnightIntoTheName) {
  // Regression: a candidate of -1 s or -10 s was formatted as "-1"/"-10" into the two-digit slots,
  // overwriting the trigger letter and the characters after it. Such candidates wrap to 23:59:5x.
  RecordingLookup lookup;
  wchar_t partner[kRecordingPathChars];
  const std::wstring path = L"E:\\d\\001_000003A_M.MP4";
  EXPECT_FALSE(FindPartnerFileWith(path.c_str(), partner, lookup));
  EXPECT_EQ(lookup.probes.size(), 9u * (1 + 10 + 10));
  for (const std::wstring& probe : lookup.probes) {
    ASSERT_EQ(probe.size(), path.size()) << std::string(probe.begin(), probe.end());
    for (size_t i = 9; i < 15; ++i) EXPECT_TRUE(iswdigit(probe[i]));
    EXPECT_EQ(probe.substr(16), L"_R.MP4");
    EXPECT_NE(std::wstring(L"AGMPSTUOR").find(probe[15]), std::wstring::npos);
  }
}

TEST(PartnerSearch, ShortNamesAndNamesWithoutATimeHaveNoPartnerAndProbeNothing) {
  const wchar_t* names[] = {L"E:\\d\\A_M.MP4", L"E:\\d\\1_A_M.MP4", L"E:\\d\\001_12ab00A_M.MP4",
                            L"E:\\d\\notes_A_M.MP4xxxxxx", L"E:\\d\\123_093015A_X.MP4", L""};
  for (const wchar_t* name : names) {
    RecordingLookup lookup;
    wchar_t partner[kRecordingPathChars] = L"garbage";
    EXPECT_FALSE(FindPartnerFileWith(name, partner, lookup));
    EXPECT_TRUE(lookup.probes.empty()) << std::wstring(name).size();
    EXPECT_EQ(std::wstring(partner), L"");
  }
}

TEST(PartnerSearch, OneProbeAtAGivenTimeSwapsTheCameraAndWritesTwoDigitFields) {
  TempDir dir;
  ASSERT_TRUE(quill::test::WriteTinyRecording(dir.path() + L"001_000105A_R.MP4"));
  wchar_t partner[kRecordingPathChars];
  EXPECT_TRUE(TryPartnerAtTime((dir.path() + L"001_120000A_M.MP4").c_str(), 65, partner));
  EXPECT_EQ(std::wstring(partner), dir.path() + L"001_000105A_R.MP4");
  EXPECT_FALSE(TryPartnerAtTime((dir.path() + L"001_120000A_M.MP4").c_str(), -1, partner));
  EXPECT_EQ(std::wstring(partner), L"");
}

}  // namespace
