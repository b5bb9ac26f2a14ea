// The partner search with a replaceable existence test. The scans already hold the folder listing,
// so they answer the up to 189 existence probes per file from it instead of asking the disk each time.
#pragma once

#include <cstddef>

class PartnerLookup {
 public:
  virtual ~PartnerLookup() = default;
  // True when the file at `path` (kRecordingPathChars) exists. May rewrite the file-name part of
  // `path` to the spelling found on disk (same length, differing in case only).
  virtual bool Exists(wchar_t* path) const = 0;
};

// FindPartnerFile with the existence test of `lookup`.
bool FindPartnerFileWith(const wchar_t* path, wchar_t* partner, const PartnerLookup& lookup);
