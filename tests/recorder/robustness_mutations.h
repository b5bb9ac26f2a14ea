// The deterministic damage the robustness test does to its base files.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quill::test {

struct BoxSpan {
  std::string type;
  uint64_t offset;
  uint64_t size;
  uint32_t headerSize;
};

struct BaseFile {
  std::string name;
  std::string bytes;
  std::vector<BoxSpan> boxes;  // every box of the tree, containers walked into
  size_t gpsData = SIZE_MAX;      // offset of the byte after "CSODAT"
  size_t sttsPayload = SIZE_MAX;  // offset of the first "stts" payload
  size_t stszPayload = SIZE_MAX;
};

BaseFile MakeBase(const std::string& name, const std::string& bytes);

// One damaged copy of a base file, made when it is used (10,000 copies at once would not fit a
// 32-bit process).
struct Mutation {
  const BaseFile* base;
  std::string name;
  std::function<void(std::string*)> damage;
  std::string Bytes() const {
    std::string b = base->bytes;
    damage(&b);
    return b;
  }
};

// Every systematic mutation of every base, then seeded random damage up to `atLeast` in all.
std::vector<Mutation> MakeMutations(const std::vector<BaseFile>& bases, size_t atLeast);

}  // namespace quill::test
