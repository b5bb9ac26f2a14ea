// Shared pieces of the recorder tests.
#pragma once

#include "playcore/recorder/file_map.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace quill::test {

// Replaces the map's error box for the test's run (a box would wait for a click) and counts reports.
class MapErrorGuard : public ::testing::Test {
 protected:
  void SetUp() override {
    reported_ = 0;
    previous_ = playcore::SetMapErrorReporter(&Count);
  }
  void TearDown() override { playcore::SetMapErrorReporter(previous_); }
  static void Count(DWORD) { ++reported_; }
  static int reported_;

 private:
  playcore::MapErrorReporter previous_ = nullptr;
};

inline int MapErrorGuard::reported_ = 0;

}  // namespace quill::test

namespace quill::test {

// A copy of some bytes that ends exactly where a no-access page begins, so that a parser reading one
// byte past what it was given faults at once instead of reading a neighbour's memory.
class GuardedBytes {
 public:
  explicit GuardedBytes(const std::string& bytes) {
    const size_t kPage = 4096;
    size_t pages = (bytes.size() + kPage - 1) / kPage + 1;
    base_ = static_cast<uint8_t*>(
        VirtualAlloc(nullptr, pages * kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (!base_) return;
    uint8_t* guard = base_ + (pages - 1) * kPage;
    DWORD old = 0;
    VirtualProtect(guard, kPage, PAGE_NOACCESS, &old);
    data_ = guard - bytes.size();
    if (!bytes.empty()) memcpy(data_, bytes.data(), bytes.size());
    size_ = bytes.size();
  }
  ~GuardedBytes() {
    if (base_) VirtualFree(base_, 0, MEM_RELEASE);
  }
  GuardedBytes(const GuardedBytes&) = delete;
  GuardedBytes& operator=(const GuardedBytes&) = delete;
  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  uint8_t* base_ = nullptr;
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace quill::test
