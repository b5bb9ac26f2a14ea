// The set of four-character box codes the box tree treats as MP4 boxes, held as a character trie.
// A code that is not in the set ends the walk of its parent box (the rest of the parent is kept raw).
//
// Threads: the main dialog fills the set once at start-up (AddKnownBoxNames) before any worker runs
// and frees it at shut-down after they ended; between the two every thread only reads it (Contains).
#pragma once

#include <cstdint>
#include <memory>

namespace playcore {

class BoxNameTree {
 public:
  // Inserts a four-character code; a level already holding kMaxChildren codes takes no more.
  static void Add(const char* code);
  static bool Contains(const char* code);
  static bool Contains(uint32_t fourcc);
  static bool IsEmpty();
  static void Free();

  // Fills the set with the known box codes (idempotent).
  static void AddKnownBoxNames();

  static constexpr int kMaxChildren = 64;
  static constexpr int kCodeLength = 4;

 private:
  struct Node {
    char ch = 0;
    int childCount = 0;
    std::unique_ptr<std::unique_ptr<Node>[]> children;  // kMaxChildren slots, made on first use
  };
  static Node& Root();
};

}  // namespace playcore
