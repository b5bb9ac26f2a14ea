// Checked arithmetic for sizes and counts read from files. The program is 32-bit: a count times a
// record size from a file overflows size_t for real, so every such product goes through these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

namespace playcore {

template <class T>
inline bool CheckedMul(T a, T b, T* out) {
  static_assert(std::numeric_limits<T>::is_integer && !std::numeric_limits<T>::is_signed, "unsigned");
  if (a != 0 && b > std::numeric_limits<T>::max() / a) return false;
  *out = a * b;
  return true;
}

template <class T>
inline bool CheckedAdd(T a, T b, T* out) {
  static_assert(std::numeric_limits<T>::is_integer && !std::numeric_limits<T>::is_signed, "unsigned");
  if (b > std::numeric_limits<T>::max() - a) return false;
  *out = a + b;
  return true;
}

// A 64-bit file quantity that must fit the address space (a view length, a buffer size).
inline bool FitsSizeT(uint64_t v) { return v <= static_cast<uint64_t>(std::numeric_limits<size_t>::max()); }

}  // namespace playcore
