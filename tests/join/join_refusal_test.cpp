// Joins that must be refused: each leaves no output file (nor a temporary one) and every input
// byte-identical.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "playcore/mp4/multi_movie.h"
#include "tests/join/join_fixture.h"
#include "tests/support/test_env.h"

namespace {

using namespace quill::test;
using playcore::MultiMoviePtr;
using playcore::sMULTIMOVIE;

// A copy of a generated input in `dir`, with the four bytes of the first `type` box's `field`
// (counted from the box header) replaced, or its type renamed.
std::wstring PatchedCopy(const TempDir& dir, const char* input, const char* name,
                         std::initializer_list<const char*> box, size_t field, const Bytes& bytes) {
  Bytes f = ReadAll(JoinInput(input));
  int64_t at = FindBox(f, box);
  EXPECT_GE(at, 0);
  if (at >= 0) std::memcpy(&f[static_cast<size_t>(at) + field], bytes.data(), bytes.size());
  std::wstring path = dir.path() + std::wstring(name, name + std::strlen(name));
  EXPECT_TRUE(WriteAll(path, f));
  return path;
}

std::wstring Copy(const TempDir& dir, const char* input) {
  std::wstring path = dir.path() + std::wstring(input, input + std::strlen(input));
  EXPECT_TRUE(CopyFileW(JoinInput(input).c_str(), path.c_str(), FALSE));
  return path;
}

std::wstring LargeMdat(const TempDir& dir) {
  std::wstring path = dir.path() + L"large_mdat.mp4";
  Bytes data = WithLargeMdatHeader(ReadAll(JoinInput("main_2.mp4")));
  EXPECT_FALSE(data.empty());
  EXPECT_TRUE(WriteAll(path, data));
  return path;
}

struct Refusal {
  const char* name;
  std::vector<std::wstring> inputs;  // channel A, in order
  std::wstring output;               // empty: a fresh name in the output folder
};

void ExpectRefused(const Refusal& r, const TempDir& outDir) {
  SCOPED_TRACE(r.name);
  std::vector<uint64_t> before;
  for (const auto& in : r.inputs) before.push_back(Fingerprint(in));
  int entries = CountEntries(outDir.path());
  std::wstring out = r.output.empty() ? outDir.path() + L"J_refused.mp4" : r.output;
  bool existed = FileExists(out);
  {
    MultiMoviePtr join(sMULTIMOVIE::Create(nullptr));
    ASSERT_EQ(join->StartChannel(r.inputs[0].c_str(), nullptr), 1);
    for (size_t i = 1; i < r.inputs.size(); ++i) join->AddRecording(r.inputs[i].c_str(), nullptr);
    EXPECT_EQ(join->WriteJoined(out.c_str(), nullptr), 0);
    EXPECT_FALSE(join->failure().empty());
    // Every damaged-looking input here is a well-formed file: the refusal must come from the join.
    if (std::strcmp(r.name, "a recording that cannot be loaded") != 0) {
      EXPECT_NE(join->failure(), "a recording could not be loaded");
    }
  }
  if (!existed) {
    EXPECT_FALSE(FileExists(out));
  }
  EXPECT_EQ(CountEntries(outDir.path()), entries) << "no output and no temporary file left";
  for (size_t i = 0; i < r.inputs.size(); ++i)
    EXPECT_EQ(Fingerprint(r.inputs[i]), before[i]) << "input unchanged";
}

class JoinRefusalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveJoinInputs()) GTEST_SKIP() << "no generated inputs";
  }
  TempDir work_;  // patched inputs
  TempDir out_;   // outputs that must not appear
};

TEST_F(JoinRefusalTest, RecordingsThatCannotBeJoinedLosslesslyAreRefused) {
  const std::wstring main1 = JoinInput("main_1.mp4");
  Refusal cases[] = {
      {"different track set", {main1, JoinInput("noaudio_1.mp4")}, L""},
      {"different time scale", {main1, JoinInput("timescale_1.mp4")}, L""},
      {"64-bit chunk offsets",
       {main1, PatchedCopy(work_, "main_2.mp4", "co64.mp4", {"moov", "trak", "mdia", "minf", "stbl", "stco"},
                           4, {'c', 'o', '6', '4'})},
       L""},
      {"version-1 movie header",
       {main1, PatchedCopy(work_, "main_2.mp4", "mvhd1.mp4", {"moov", "mvhd"}, 8, {1})},
       L""},
      {"version-1 media header",
       {main1, PatchedCopy(work_, "main_2.mp4", "mdhd1.mp4", {"moov", "trak", "mdia", "mdhd"}, 8, {1})},
       L""},
      {"constant against per-sample sizes",
       {main1, PatchedCopy(work_, "main_2.mp4", "stsz_const.mp4",
                           {"moov", "trak", "mdia", "minf", "stbl", "stsz"}, 12, U32(500))},
       L""},
      {"different frame size",
       {main1, PatchedCopy(work_, "main_2.mp4", "size.mp4", {"moov", "trak", "mdia", "minf", "stbl", "stsd"},
                           8 + 40, U32(0x01000100))},
       L""},
      {"64-bit box size", {main1, LargeMdat(work_)}, L""},
      {"more than 65535 GPS records", {JoinInput("gps_big_1.mp4"), JoinInput("gps_big_2.mp4")}, L""},
      {"output past 4 GB", {JoinInput("huge_1.mp4"), JoinInput("huge_1.mp4")}, L""},
      {"a recording that cannot be loaded", {main1, work_.path() + L"missing.mp4"}, L""},
  };
  for (const Refusal& r : cases) ExpectRefused(r, out_);
}

// Regression: writing over an input (a joined file joined again in its own folder) used to open the
// input for writing while it was still mapped.
TEST_F(JoinRefusalTest, AnOutputNamingAnInputIsRefused) {
  std::wstring a = Copy(work_, "main_1.mp4"), b = Copy(work_, "main_2.mp4");
  std::wstring upper = b;
  for (wchar_t& c : upper) c = towupper(c);
  std::wstring dotted = work_.path() + L".\\main_2.mp4";
  for (const std::wstring& out : {a, b, upper, dotted})
    ExpectRefused({"output is an input", {a, b}, out}, work_);
}

TEST_F(JoinRefusalTest, AnOutputFolderThatDoesNotExistLeavesNothing) {
  ExpectRefused({"no folder",
                 {JoinInput("main_1.mp4"), JoinInput("main_2.mp4")},
                 out_.path() + L"no_such_folder\\J.mp4"},
                out_);
}

// A failed merge stops the join: later recordings are not merged and nothing is written.
TEST_F(JoinRefusalTest, AfterAFailedMergeFurtherRecordingsAreIgnored) {
  MultiMoviePtr join(sMULTIMOVIE::Create(nullptr));
  ASSERT_EQ(join->StartChannel(JoinInput("main_1.mp4").c_str(), nullptr), 1);
  EXPECT_EQ(join->AddRecording(JoinInput("noaudio_1.mp4").c_str(), nullptr), 1);
  EXPECT_FALSE(join->ok());
  EXPECT_EQ(join->AddRecording(JoinInput("main_2.mp4").c_str(), nullptr), 1);
  EXPECT_EQ(join->channel(0)->GetSampleCount(), 30);
}

}  // namespace

namespace {

using namespace quill::test;

// Both channels named one output: the second rename would have replaced the first channel's file.
TEST(JoinOutputClashTest, BothChannelsIntoOneFileAreRefused) {
  if (!HaveJoinInputs()) GTEST_SKIP() << "no generated inputs";
  TempDir out;
  playcore::MultiMoviePtr join(playcore::sMULTIMOVIE::Create(nullptr));
  ASSERT_EQ(join->StartChannel(JoinInput("main_1.mp4").c_str(), JoinInput("rear_1.mp4").c_str()), 1);
  ASSERT_EQ(join->AddRecording(JoinInput("main_2.mp4").c_str(), JoinInput("rear_2.mp4").c_str()), 1);
  std::wstring a = out.path() + L"J.mp4", b = out.path() + L"j.MP4";
  EXPECT_EQ(join->WriteJoined(a.c_str(), b.c_str()), 0);
  EXPECT_EQ(CountEntries(out.path()), 0);
}

// Both joined files are put in place together: when the second cannot go (a folder holds its
// name), the first one's older file comes back, and no written or set-aside file is left.
TEST(JoinPlacementTest, ASecondFileThatCannotBePlacedPutsTheFirstOlderFileBack) {
  TempDir out;
  const std::wstring a = out.path() + L"JM.mp4", b = out.path() + L"JB.mp4";
  const std::wstring tempA = out.path() + L"a.tmp", tempB = out.path() + L"b.tmp";
  ASSERT_TRUE(WriteAll(a, Bytes{'o', 'l', 'd'}));
  ASSERT_TRUE(WriteAll(tempA, Bytes{'n', 'e', 'w', 'A'}));
  ASSERT_TRUE(WriteAll(tempB, Bytes{'n', 'e', 'w', 'B'}));
  ASSERT_TRUE(CreateDirectoryW(b.c_str(), nullptr));
  const uint64_t older = Fingerprint(a);
  std::string why;
  EXPECT_FALSE(playcore::PlaceWrittenFiles({tempA, tempB}, {a, b}, &why));
  EXPECT_EQ(Fingerprint(a), older);
  EXPECT_EQ(CountEntries(out.path()), 2) << "the older file and the folder, nothing else";
  RemoveDirectoryW(b.c_str());
  // With room for both, both take their places and the older file goes.
  ASSERT_TRUE(WriteAll(tempA, Bytes{'n', 'e', 'w', 'A'}));
  ASSERT_TRUE(WriteAll(tempB, Bytes{'n', 'e', 'w', 'B'}));
  EXPECT_TRUE(playcore::PlaceWrittenFiles({tempA, tempB}, {a, b}, &why)) << why;
  EXPECT_NE(Fingerprint(a), older);
  EXPECT_EQ(CountEntries(out.path()), 2);
}

}  // namespace
