#include "tests/recorder/robustness_mutations.h"

#include <cstring>
#include <set>

namespace quill::test {

namespace {

const char* const kContainers[] = {"moov", "trak", "mdia", "minf", "stbl", "edts", "dinf", "udta"};

uint32_t ReadU32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<uint8_t>(b[at + i]);
  return v;
}

void PutU32(std::string* b, size_t at, uint32_t v) {
  for (size_t i = 0; i < 4 && at + i < b->size(); ++i) (*b)[at + i] = static_cast<char>(v >> (24 - 8 * i));
}

void PutU64(std::string* b, size_t at, uint64_t v) {
  PutU32(b, at, static_cast<uint32_t>(v >> 32));
  PutU32(b, at + 4, static_cast<uint32_t>(v));
}

bool IsContainer(const std::string& type) {
  for (const char* c : kContainers) {
    if (type == c) return true;
  }
  return false;
}

void Walk(BaseFile* base, uint64_t offset, uint64_t end) {
  const std::string& b = base->bytes;
  while (offset + 8 <= end) {
    uint64_t size = ReadU32(b, offset);
    std::string type = b.substr(offset, 8).substr(4);
    uint32_t header = 8;
    if (size == 1) {
      size = (static_cast<uint64_t>(ReadU32(b, offset + 8)) << 32) | ReadU32(b, offset + 12);
      header = 16;
    } else if (size == 0) {
      size = end - offset;
    }
    if (size < header || offset + size > end) return;
    base->boxes.push_back(BoxSpan{type, offset, size, header});
    if (type == "gps0" && base->gpsData == SIZE_MAX) base->gpsData = offset + 14;
    if (type == "stts" && base->sttsPayload == SIZE_MAX) base->sttsPayload = offset + header;
    if (type == "stsz" && base->stszPayload == SIZE_MAX) base->stszPayload = offset + header;
    if (IsContainer(type)) Walk(base, offset + header, offset + size);
    offset += size;
  }
}

// A small deterministic generator (the same mutations every run).
struct Lcg {
  uint32_t state;
  uint32_t Next() {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  }
  uint32_t Below(uint32_t n) { return n ? Next() % n : 0; }
};

class Builder {
 public:
  explicit Builder(std::vector<Mutation>* out) : out_(out) {}
  void Add(const BaseFile& base, std::string name, std::function<void(std::string*)> damage) {
    out_->push_back(Mutation{&base, base.name + " " + name, std::move(damage)});
  }

 private:
  std::vector<Mutation>* out_;
};

void Truncations(const BaseFile& base, Builder* add) {
  std::set<uint64_t> cuts;
  for (const BoxSpan& box : base.boxes) {
    for (uint64_t at : {box.offset, box.offset + box.size}) {
      for (int d = -9; d <= 9; ++d) {
        uint64_t cut = at + d;
        if (cut > 0 && cut < base.bytes.size()) cuts.insert(cut);
      }
    }
  }
  for (uint64_t cut : cuts) {
    add->Add(base, "cut at " + std::to_string(cut), [cut](std::string* b) { b->resize(cut); });
  }
}

void HeaderFlips(const BaseFile& base, Builder* add) {
  for (const BoxSpan& box : base.boxes) {
    for (uint32_t i = 0; i < 8; ++i) {
      size_t at = box.offset + i;
      uint8_t old = static_cast<uint8_t>(base.bytes[at]);
      const uint8_t values[] = {0, 0xFF, static_cast<uint8_t>(old ^ 1), static_cast<uint8_t>(old ^ 0x80)};
      for (uint8_t v : values) {
        if (v == old) continue;
        add->Add(base, box.type + " header byte " + std::to_string(i) + "=" + std::to_string(v),
                 [at, v](std::string* b) { (*b)[at] = static_cast<char>(v); });
      }
    }
  }
}

void SizeFields(const BaseFile& base, Builder* add) {
  const uint64_t file = base.bytes.size();
  for (const BoxSpan& box : base.boxes) {
    const size_t at = box.offset;
    for (uint64_t v : {uint64_t{0}, uint64_t{1}, uint64_t{7}, uint64_t{8}, box.size - 1, box.size + 1,
                       file - box.offset + 1, file + 1, uint64_t{0xFFFFFFFF}, 2 * box.size}) {
      add->Add(base, box.type + " size " + std::to_string(v),
               [at, v](std::string* b) { PutU32(b, at, static_cast<uint32_t>(v)); });
    }
    for (uint64_t v : {uint64_t{0}, uint64_t{15}, uint64_t{16}, box.size, file - box.offset + 1,
                       uint64_t{1} << 63, ~uint64_t{0}}) {
      add->Add(base, box.type + " 64-bit size " + std::to_string(v), [at, v](std::string* b) {
        PutU32(b, at, 1);
        PutU64(b, at + 8, v);
      });
    }
  }
}

// Counts larger than their box, and damage to the data box's own fields.
void Counts(const BaseFile& base, Builder* add) {
  if (base.gpsData != SIZE_MAX) {
    size_t count = base.gpsData + 26;
    for (uint32_t v : {0u, 1u, 2u, 0x7FFFu, 0x8000u, 0xFFFFu}) {
      add->Add(base, "gps0 count " + std::to_string(v), [count, v](std::string* b) {
        (*b)[count] = static_cast<char>(v >> 8);
        (*b)[count + 1] = static_cast<char>(v);
      });
    }
    // Every byte of the marks, the header and the first two records.
    for (size_t i = base.gpsData - 6; i < base.gpsData + 28 + 2 * 79 && i < base.bytes.size(); ++i) {
      for (uint8_t v : {uint8_t{0}, uint8_t{'@'}, uint8_t{'N'}, uint8_t{0xFF}}) {
        add->Add(base, "gps0 byte " + std::to_string(i) + "=" + std::to_string(v),
                 [i, v](std::string* b) { (*b)[i] = static_cast<char>(v); });
      }
    }
  }
  for (size_t payload : {base.sttsPayload, base.stszPayload}) {
    if (payload == SIZE_MAX) continue;
    for (uint32_t v : {0u, 1u, 1000u, 0x1FFFFFFFu, 0x20000000u, 0xFFFFFFFFu}) {
      add->Add(base, "table count " + std::to_string(v) + " at " + std::to_string(payload),
               [payload, v](std::string* b) {
                 PutU32(b, payload + 4, v);
                 PutU32(b, payload + 8, v);
               });
    }
  }
}

void RandomDamage(const std::vector<BaseFile>& bases, size_t atLeast, Builder* add,
                  std::vector<Mutation>* out) {
  Lcg rng{20240315u};
  for (size_t n = 0; out->size() < atLeast; ++n) {
    const BaseFile& base = bases[n % bases.size()];
    uint32_t seed = rng.Next();
    add->Add(base, "random " + std::to_string(seed), [seed, &base](std::string* b) {
      Lcg r{seed};
      int flips = 1 + static_cast<int>(r.Below(8));
      for (int i = 0; i < flips; ++i) {
        size_t at;
        if (r.Below(2) && !base.boxes.empty()) {  // a header, or near one
          const BoxSpan& box = base.boxes[r.Below(static_cast<uint32_t>(base.boxes.size()))];
          at = box.offset + r.Below(24);
        } else {
          at = r.Below(static_cast<uint32_t>(b->size()));
        }
        if (at < b->size()) (*b)[at] = static_cast<char>(r.Next());
      }
      if (r.Below(8) == 0) b->resize(r.Below(static_cast<uint32_t>(b->size())));
    });
  }
}

}  // namespace

BaseFile MakeBase(const std::string& name, const std::string& bytes) {
  BaseFile base;
  base.name = name;
  base.bytes = bytes;
  Walk(&base, 0, bytes.size());
  return base;
}

std::vector<Mutation> MakeMutations(const std::vector<BaseFile>& bases, size_t atLeast) {
  std::vector<Mutation> out;
  Builder add(&out);
  for (const BaseFile& base : bases) {
    Truncations(base, &add);
    HeaderFlips(base, &add);
    SizeFields(base, &add);
    Counts(base, &add);
  }
  RandomDamage(bases, atLeast, &add, &out);
  return out;
}

}  // namespace quill::test
