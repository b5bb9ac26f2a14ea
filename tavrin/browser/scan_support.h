// Helpers shared by the pair-list files: bounded path joining, an index of one folder listing that
// answers the partner search, and an index of the paths already in a list for the duplicate test.
#pragma once

#include "tavrin/browser/partner_search.h"
#include "tavrin/browser/recording_pair.h"

#include <string>
#include <unordered_map>
#include <unordered_set>

namespace browser_scan {

// "folder\name" into `out` (kRecordingPathChars); false, with `out` empty, when it does not fit.
bool JoinPath(const wchar_t* folder, const wchar_t* name, wchar_t* out);
bool IsDotEntry(const WIN32_FIND_DATAW& entry);
bool IsDirectory(const WIN32_FIND_DATAW& entry);

// The entries of one folder listing by name, compared without case as the file system does. It
// answers the partner search and gives the sizes of the files it lists (the listing holds the same
// size that opening the file would read). `entries` must outlive the index.
class FolderIndex : public PartnerLookup {
 public:
  explicit FolderIndex(const FindEntries& entries);
  bool Exists(wchar_t* path) const override;
  // The size of the listed file named by the file-name part of `path`; false when it is not listed.
  bool SizeOf(const wchar_t* path, uint64_t* size) const;

 private:
  const WIN32_FIND_DATAW* Find(const wchar_t* name) const;
  std::unordered_map<std::wstring, const WIN32_FIND_DATAW*> names_;  // folded name -> entry
};

// The main and rear paths of the records of a list.
class PairIndex {
 public:
  explicit PairIndex(const RecordingList& list);
  bool Contains(const wchar_t* mainPath, const wchar_t* rearPath) const;
  void Add(const sRECORDINGPAIR& record);

 private:
  std::unordered_set<std::wstring> mains_;
  std::unordered_set<std::wstring> rears_;
};

// MakePairForFile with the partner answered by `lookup` and the duplicate test by `pairs`.
bool MakePair(const wchar_t* path, const PairIndex& pairs, const PartnerLookup& lookup,
              wchar_t* mainOut, wchar_t* rearOut);
// AddRecordingPair that also records the new pair in `pairs`, and takes the file sizes from
// `listing` when it is given (both files lie in the listed folder), else from the files. A listing
// cannot tell whether a file opens: `probed` names a file of the pair the scan's probe has read (it
// opens), else one of the two files must open for the pair to be listed.
bool AddPairIndexed(const wchar_t* mainPath, const wchar_t* rearPath, RecordingList& list,
                    PairIndex& pairs, const FolderIndex* listing = nullptr,
                    const wchar_t* probed = nullptr);

}  // namespace browser_scan
