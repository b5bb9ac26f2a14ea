// The movie-first rewrite on files ffmpeg made: "moov" moves ahead of "mdat" (the host compares every
// frame afterwards, which finds a chunk offset that did not follow the media data); a damaged table or an
// unwritable destination leaves nothing behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "playcore/bytes/byte_reader.h"
#include "playcore/converter/copy_result.h"
#include "playcore/mp4/mp4_movie.h"
#include "tests/support/test_env.h"

namespace playcore {
namespace {

std::wstring Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? quill::test::HostPathToWindows(v) : std::wstring();
}

std::vector<uint32_t> TopLevel(const sMP4MOVIE& m) {
  std::vector<uint32_t> types;
  for (const auto& c : m.root()->children) types.push_back(c->type);
  return types;
}

size_t IndexOf(const std::vector<uint32_t>& v, uint32_t t) { return std::find(v.begin(), v.end(), t) - v.begin(); }

class CopyResultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    inputs_ = Env("QUILL_CONVERT_INPUTS");
    out_ = Env("QUILL_CONVERT_OUT");
    ASSERT_FALSE(inputs_.empty() || out_.empty());
    CreateDirectoryW(out_.c_str(), nullptr);
  }
  std::wstring inputs_, out_;
};

TEST_F(CopyResultTest, MovieGoesFirst) {
  const struct {
    const wchar_t *input, *output;
    bool movieLast;
  } cases[] = {{L"\\moov-last.mp4", L"\\copy-moov-last.mp4", true},
               {L"\\moov-last-video-only.mp4", L"\\copy-moov-last-video-only.mp4", true},
               {L"\\moov-first.mp4", L"\\copy-moov-first.mp4", false}};
  for (const auto& c : cases) {
    auto in = sMP4MOVIE::Load((inputs_ + c.input).c_str());
    ASSERT_TRUE(in) << c.movieLast;
    const auto inTypes = TopLevel(*in);
    ASSERT_EQ(IndexOf(inTypes, FourCC("mdat")) < IndexOf(inTypes, FourCC("moov")), c.movieLast);
    ASSERT_EQ(CopyResult(inputs_ + c.input, out_ + c.output), 1);
    auto out = sMP4MOVIE::Load((out_ + c.output).c_str());
    ASSERT_TRUE(out);
    const auto outTypes = TopLevel(*out);
    EXPECT_LT(IndexOf(outTypes, FourCC("moov")), IndexOf(outTypes, FourCC("mdat")));
    EXPECT_EQ(out->fileSize(), in->fileSize());
  }
}

TEST_F(CopyResultTest, FailuresLeaveNothingUnderTheFinalName) {
  // A chunk-offset table whose entry count runs past its payload.
  const std::wstring damaged = out_ + L"\\damaged-stco.mp4";
  ASSERT_TRUE(CopyFileW((inputs_ + L"\\moov-last.mp4").c_str(), damaged.c_str(), FALSE));
  uint64_t countAt = 0;
  {
    auto m = sMP4MOVIE::Load(damaged.c_str());
    ASSERT_TRUE(m);
    ASSERT_FALSE(m->Index(kIdxStco).empty());
    countAt = m->Index(kIdxStco)[0]->payloadOffsetRead + 4;
  }
  HANDLE f = CreateFileW(damaged.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  LONG high = static_cast<LONG>(countAt >> 32);
  SetFilePointer(f, static_cast<LONG>(countAt), &high, FILE_BEGIN);
  const uint8_t huge[4] = {0x7F, 0xFF, 0xFF, 0xFF};
  DWORD written = 0;
  WriteFile(f, huge, 4, &written, nullptr);
  CloseHandle(f);

  const std::wstring fails = out_ + L"\\copy-fails";  // its own folder: the conversions run beside it
  CreateDirectoryW(fails.c_str(), nullptr);
  const struct {
    std::wstring input, output;
  } cases[] = {{damaged, fails + L"\\from-damaged.mp4"},
               {inputs_ + L"\\moov-last.mp4", fails + L"\\no-such-folder\\x.mp4"},
               {inputs_ + L"\\missing.mp4", fails + L"\\from-missing.mp4"}};
  for (const auto& c : cases) {
    EXPECT_EQ(CopyResult(c.input, c.output), 0);
    EXPECT_EQ(GetFileAttributesW(c.output.c_str()), INVALID_FILE_ATTRIBUTES);
  }
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((fails + L"\\~qm*").c_str(), &found);
  EXPECT_EQ(find, INVALID_HANDLE_VALUE) << "a temporary file was left behind";
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

// A cancel while the rewrite writes (after a few chunks, or just before the rename) stops it: nothing
// under the destination's name and no partial file beside it.
TEST_F(CopyResultTest, ACancelDuringTheRewriteLeavesNoFile) {
  const std::wstring dir = out_ + L"\\cancel";
  CreateDirectoryW(dir.c_str(), nullptr);
  const std::wstring destination = dir + L"\\cancelled.mp4";
  // How often an uncancelled rewrite asks: once per chunk written and once before the rename.
  int asks = 0;
  ASSERT_EQ(CopyResult(inputs_ + L"\\moov-last.mp4", destination, [&asks] { return ++asks < 0; }), 1);
  ASSERT_GE(asks, 2);
  DeleteFileW(destination.c_str());
  for (int askedBeforeCancel : {0, 1, asks - 1}) {
    int asked = 0;
    const auto cancelled = [&] { return asked++ >= askedBeforeCancel; };
    EXPECT_EQ(CopyResult(inputs_ + L"\\moov-last.mp4", destination, cancelled), 0) << askedBeforeCancel;
    EXPECT_GT(asked, 0) << "the cancel is asked while writing";
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((dir + L"\\*.mp4").c_str(), &found);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE) << askedBeforeCancel << ": " << (find != INVALID_HANDLE_VALUE ? found.cFileName : L"");
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
  }
  // Not cancelled: the rewrite is put in place.
  EXPECT_EQ(CopyResult(inputs_ + L"\\moov-last.mp4", destination, [] { return false; }), 1);
  EXPECT_NE(GetFileAttributesW(destination.c_str()), INVALID_FILE_ATTRIBUTES);
  DeleteFileW(destination.c_str());
}

}  // namespace
}  // namespace playcore
