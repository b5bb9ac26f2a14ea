// The one bounded reader over bytes in memory that every file parser of the playback core uses.
// Each read checks `n <= size - pos` first and fails without moving when the bytes are not there;
// child readers are clipped to their box, so a parser can never read past what it was given.
// Multi-byte reads are big-endian, as in MP4 files and the recorder's data box.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace playcore {

class ByteReader {
 public:
  ByteReader() = default;
  ByteReader(const void* data, size_t size)
      : data_(static_cast<const uint8_t*>(data)), size_(data ? size : 0) {}

  const uint8_t* data() const { return data_; }
  const uint8_t* current() const { return data_ + pos_; }
  size_t size() const { return size_; }
  size_t pos() const { return pos_; }
  size_t remaining() const { return size_ - pos_; }
  bool HasBytes(size_t n) const { return n <= size_ - pos_; }
  bool AtEnd() const { return pos_ == size_; }

  bool Seek(size_t pos) {
    if (pos > size_) return false;
    pos_ = pos;
    return true;
  }
  bool Skip(size_t n) {
    if (!HasBytes(n)) return false;
    pos_ += n;
    return true;
  }
  bool ReadBytes(void* out, size_t n) {
    if (!HasBytes(n)) return false;
    if (n) std::memcpy(out, data_ + pos_, n);
    pos_ += n;
    return true;
  }
  bool ReadU8(uint8_t* v) { return ReadBigEndian(v); }
  bool ReadU16(uint16_t* v) { return ReadBigEndian(v); }
  bool ReadU32(uint32_t* v) { return ReadBigEndian(v); }
  bool ReadU64(uint64_t* v) { return ReadBigEndian(v); }
  bool ReadS32(int32_t* v) {
    uint32_t u;
    if (!ReadU32(&u)) return false;
    *v = static_cast<int32_t>(u);
    return true;
  }
  // A four-character code as the number it makes read big-endian ('moov' == 0x6D6F6F76).
  bool ReadFourCC(uint32_t* v) { return ReadU32(v); }

  // Peeks without moving; false when fewer than n bytes remain.
  bool Peek(void* out, size_t n) const {
    if (!HasBytes(n)) return false;
    if (n) std::memcpy(out, data_ + pos_, n);
    return true;
  }
  // True when the next bytes equal `text` (no terminator compared).
  bool NextIs(const char* text) const {
    size_t n = std::strlen(text);
    return HasBytes(n) && std::memcmp(data_ + pos_, text, n) == 0;
  }

  // A reader over the next n bytes; this reader moves past them.
  bool Sub(size_t n, ByteReader* child) {
    if (!HasBytes(n)) return false;
    *child = ByteReader(data_ + pos_, n);
    pos_ += n;
    return true;
  }

 private:
  template <class T>
  bool ReadBigEndian(T* v) {
    if (!HasBytes(sizeof(T))) return false;
    T r = 0;
    for (size_t i = 0; i < sizeof(T); ++i) r = static_cast<T>((r << 8) | data_[pos_ + i]);
    pos_ += sizeof(T);
    *v = r;
    return true;
  }

  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  size_t pos_ = 0;
};

constexpr uint32_t FourCC(const char (&s)[5]) {
  return (static_cast<uint32_t>(static_cast<uint8_t>(s[0])) << 24) |
         (static_cast<uint32_t>(static_cast<uint8_t>(s[1])) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(s[2])) << 8) |
         static_cast<uint32_t>(static_cast<uint8_t>(s[3]));
}

// Fixed-width text fields of the recorder's records carry no terminator: copy at most `width` bytes
// into a terminated buffer before any number conversion, so that a conversion never runs into the
// next field.
template <size_t N>
inline const char* FixedText(const uint8_t* field, size_t width, char (&buffer)[N]) {
  static_assert(N > 0, "buffer");
  size_t n = width < N - 1 ? width : N - 1;
  std::memcpy(buffer, field, n);
  buffer[n] = '\0';
  return buffer;
}

}  // namespace playcore
