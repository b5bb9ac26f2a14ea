// The recording-name rules: the camera patterns, the trigger classes, filter bits and labels.
#include "tavrin/browser/recording_names.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct NameCase {
  const wchar_t* name;
  bool main, rear;
  int triggerClass;
  bool recordingName;  // three digits and "_" first, and a known class
  bool prefix;         // a joined prefix J[MRB]nn_nnn_
};

const NameCase kNames[] = {
    // Plain names: every trigger letter the patterns admit, both cameras, both extension spellings.
    {L"123_093015A_M.MP4", true, false, 0, true, false},
    {L"123_093015A_R.MP4", false, true, 0, true, false},
    {L"123_093015A_M.mp4", true, false, 0, true, false},
    {L"123_093015A_R.mp4", false, true, 0, true, false},
    {L"123_093015G_M.MP4", true, false, 1, true, false},
    {L"123_093015M_R.MP4", false, true, 2, true, false},
    {L"123_093015P_M.MP4", true, false, 3, true, false},
    {L"123_093015S_R.mp4", false, true, 4, true, false},
    // O, R, T and U like the other letters.
    {L"123_093015O_M.MP4", true, false, 5, true, false},
    {L"123_093015R_R.MP4", false, true, 6, true, false},
    {L"123_093015T_M.MP4", true, false, 7, true, false},
    {L"123_093015U_R.MP4", false, true, 8, true, false},
    // "_" as the trigger passes the pattern but has no class.
    {L"123_093015__M.MP4", false, false, -1, false, false},
    // Mixed-case extension, wrong and lower-case camera letters.
    {L"123_093015A_M.Mp4", false, false, 0, true, false},
    {L"123_093015A_X.MP4", false, false, -1, false, false},
    {L"123_093015A_m.MP4", false, false, 0, true, false},
    {L"123_093015A_B.MP4", false, false, -1, false, false},
    // The "." of the patterns is a wildcard, but no trigger class without the dot.
    {L"123_093015A_MxMP4", false, false, -1, false, false},
    // One character too many or too few.
    {L"1234_093015A_M.MP4", false, false, 0, false, false},
    {L"12_093015A_M.MP4", false, false, 0, false, false},
    {L"123_0930150A_M.MP4", false, false, 0, true, false},
    {L"123_09301A_M.MP4", false, false, 0, true, false},
    {L"123_093015AA_M.MP4", false, false, 0, true, false},
    {L"123_093015A_M.MP44", false, false, 0, true, false},
    {L"x123_093015A_M.MP4", false, false, 0, false, false},
    // Joined names: JM, JR, JB and JN are recordings.
    {L"JM01_123_093015G_M.MP4", true, false, 1, false, true},
    {L"JM01_123_093015G_R.MP4", false, true, 1, false, true},
    {L"JR02_123_093015A_M.mp4", true, false, 0, false, true},
    {L"JB03_123_093015S_R.MP4", false, true, 4, false, true},
    {L"JN04_123_093015M_M.MP4", true, false, 2, false, true},
    {L"JX01_123_093015A_M.MP4", false, false, 0, false, false},
    {L"JM1_123_093015A_M.MP4", false, false, 0, false, false},
    {L"JM01_123_093015O_M.MP4", true, false, 5, false, true},
    // Too short to hold anything.
    {L"", false, false, -1, false, false},
    {L"123", false, false, -1, false, false},
    {L"A_M.MP4", false, false, 0, false, false},
};

TEST(NameRules, EveryNameIsClassifiedByCameraTriggerAndPrefix) {
  for (const NameCase& c : kNames) {
    SCOPED_TRACE(testing::Message() << "name " << std::wstring(c.name).c_str());
    EXPECT_EQ(IsMainCameraFile(c.name), c.main);
    EXPECT_EQ(IsRearCameraFile(c.name), c.rear);
    EXPECT_EQ(IsCameraFileName(c.name), c.main || c.rear);
    EXPECT_EQ(ClassifyEventLetter(c.name), c.triggerClass);
    EXPECT_EQ(IsRecordingName(c.name), c.recordingName);
    EXPECT_EQ(HasRecorderPrefix(c.name), c.prefix);
  }
}

TEST(NameRules, ClassificationIgnoresCaseAndWorksOnPathsAndNullIsNothing) {
  EXPECT_FALSE(IsMainCameraFile(nullptr) || IsRecordingName(nullptr) || HasRecorderPrefix(nullptr) ||
               IsRecordingFile(nullptr));
  EXPECT_EQ(ClassifyEventLetter(nullptr), -1);
  EXPECT_EQ(ClassifyEventLetter(L"123_093015a_m.mp4"), 0);
  EXPECT_EQ(ClassifyEventLetter(L"E:\\DCIM\\20240101_001\\123_093015G_R.MP4"), 1);
  // A folder path with one recording name inside another: A is tried before G.
  EXPECT_EQ(ClassifyEventLetter(L"E:\\001_000000G_M.MP4\\001_000000A_M.MP4"), 0);
  EXPECT_EQ(ClassifyEventLetter(L"E:\\001_000000G_M.MP4\\001_000000M_M.MP4"), 2);
  EXPECT_TRUE(HasEventCameraSuffix(L"xxS_r.mp4yy", L"S"));
  EXPECT_FALSE(HasEventCameraSuffix(L"S_M.MP", L"S"));
}

TEST(NameRules, ClassificationAgreesWithTheSuffixTestInLetterOrder) {
  // The class is the first letter, in the order A M G P S T U O R, for which HasEventCameraSuffix
  // holds; the one-pass search must give the same answer on every shape of text.
  const wchar_t* texts[] = {
      L"123_093015A_M.MP4", L"x_r.mp4", L"U_R.MP4O_M.MP4", L"O_M.MP4U_R.MP4", L"R_M.MP4T_R.mp4",
      L"__M.MP4", L"_M.MP4", L"A_M.MP", L"A_M.MP4_", L"a_r.Mp4", L"A_X.MP4", L"A__M.MP4",
      L"E:\\G_M.MP4\\S_R.MP4\\P_M.mp4", L"1_M.MP4", L"é_M.MP4", L"", L"A_M.M", L"S_R.MP4S_R.MP4",
  };
  const wchar_t* order = L"AMGPSTUOR";
  const int classes[] = {0, 2, 1, 3, 4, 7, 8, 5, 6};
  for (const wchar_t* text : texts) {
    int expected = -1;
    for (int i = 0; i < 9 && expected < 0; ++i) {
      const wchar_t letter[2] = {order[i], 0};
      if (HasEventCameraSuffix(text, letter)) expected = classes[i];
    }
    EXPECT_EQ(ClassifyEventLetter(text), expected) << std::wstring(text).size();
  }
}

TEST(NameRules, RecordingFilesNeedACameraNameAndAnMp4ExtensionInAnyCase) {
  EXPECT_TRUE(IsRecordingFile(L"E:\\20240101_001\\123_093015A_M.MP4"));
  EXPECT_TRUE(IsRecordingFile(L"E:\\20240101_001\\123_093015A_R.mp4"));
  EXPECT_TRUE(IsRecordingFile(L"123_093015A_M.MP4"));
  EXPECT_FALSE(IsRecordingFile(L"E:\\20240101_001\\123_093015A_M.Mp4"));
  EXPECT_TRUE(IsRecordingFile(L"E:\\20240101_001\\123_093015O_M.MP4"));
  EXPECT_FALSE(IsRecordingFile(L"E:\\123_093015A_M.MP4\\notes.txt"));
}

TEST(NameRules, APathOf260CharactersOrMoreIsNoRecordingFile) {
  // Regression: the path was copied into a 260-character buffer without a bound.
  const std::wstring name = L"\\123_093015A_M.MP4";
  std::wstring fits = L"E:\\" + std::wstring(259 - 3 - name.size(), L'a') + name;
  ASSERT_EQ(fits.size(), 259u);
  EXPECT_TRUE(IsRecordingFile(fits.c_str()));
  std::wstring tooLong = L"E:\\" + std::wstring(260 - 3 - name.size(), L'a') + name;
  EXPECT_FALSE(IsRecordingFile(tooLong.c_str()));
  EXPECT_FALSE(IsRecordingFile((tooLong + std::wstring(1000, L'b') + name).c_str()));
}

TEST(NameRules, EveryTriggerLetterHasItsFilterBitAndALabel) {
  const struct {
    wchar_t letter;
    uint32_t bit;
  } triggers[] = {{L'A', 1}, {L'G', 4}, {L'M', 2}, {L'P', 8}, {L'S', 16}, {L'O', 32}, {L'R', 64}, {L'T', 8}, {L'U', 16}};
  for (const auto& c : triggers) {
    std::wstring name = L"123_093015?_M.MP4";
    name[10] = c.letter;
    uint32_t mask = 0x100;
    EXPECT_TRUE(AddEventFilterBit(name.c_str(), mask));
    EXPECT_EQ(mask, 0x100u | c.bit) << static_cast<char>(c.letter);
    EXPECT_FALSE(GetTriggerText(name.c_str()).empty()) << static_cast<char>(c.letter);
  }
}

TEST(NameRules, UnknownOrShortNamesHaveNoBitAndNoLabel) {
  uint32_t mask = 5;
  AddEventFilterBit(L"123_093015__M.MP4", mask);
  EXPECT_EQ(mask, 5u);
  EXPECT_EQ(GetTriggerText(L"123_093015__M.MP4"), L"");
  // 15 characters that carry a trigger letter: too short to be labelled; 16 are enough.
  EXPECT_EQ(GetTriggerText(L"3_093015A_M.MP4"), L"");
  EXPECT_EQ(GetTriggerText(L"23_093015A_M.MP4"), L"常時");
  EXPECT_EQ(GetTriggerText(nullptr), L"");
}

TEST(NameRules, StrippingTheCameraSuffixLeavesOneNamePerRecording) {
  EXPECT_EQ(StripCameraSuffix(L"123_093015A_M.MP4"), L"123_093015A");
  EXPECT_EQ(StripCameraSuffix(L"123_093015A_R.mp4"), L"123_093015A");
  EXPECT_EQ(StripCameraSuffix(L"JM01_123_093015A_R.MP4"), L"JM01_123_093015A");
  EXPECT_EQ(StripCameraSuffix(L"123_093015A_M.Mp4"), L"123_093015A_M.Mp4");
  EXPECT_EQ(StripCameraSuffix(L"notes.txt"), L"notes.txt");
  EXPECT_EQ(StripCameraSuffix(L"_M.MP4"), L"");
}

}  // namespace
