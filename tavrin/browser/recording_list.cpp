// Ordering and filtering of the recording list. Records are large (four 260-character texts), so the
// sorts order indices and move each record once.
#include "tavrin/browser/recording_pair.h"

#include <algorithm>
#include <cwchar>
#include <string>
#include <unordered_set>

namespace {

void SortByKey(RecordingList& list, std::vector<size_t>& order) {
  std::stable_sort(order.begin(), order.end(), [&list](size_t a, size_t b) {
    return CompareRecordings(list[a], list[b]);
  });
}

}  // namespace

const wchar_t* RecordingKey(const sRECORDINGPAIR& r) {
  return r.szMainName[0] ? r.szMainName : r.szRearName;
}

bool CompareRecordings(const sRECORDINGPAIR& a, const sRECORDINGPAIR& b) {
  return wcscmp(RecordingKey(a), RecordingKey(b)) < 0;
}

size_t AppendRecordings(RecordingList& list, const RecordingList& more) {
  list.insert(list.end(), more.begin(), more.end());
  return more.size();
}

void GroupRecordings(RecordingList& list) {
  // Recordings (plain or joined names) first, then folder rows and foreign names; each group in
  // ascending key order.
  std::vector<size_t> recordings;
  std::vector<size_t> others;
  for (size_t i = 0; i < list.size(); ++i) {
    const wchar_t* key = RecordingKey(list[i]);
    (IsRecordingName(key) || HasRecorderPrefix(key) ? recordings : others).push_back(i);
  }
  SortByKey(list, recordings);
  SortByKey(list, others);
  RecordingList grouped;
  grouped.reserve(list.size());
  for (size_t i : recordings) grouped.push_back(list[i]);
  for (size_t i : others) grouped.push_back(list[i]);
  list.swap(grouped);
}

void ExcludeListedRecordings(RecordingList& list, const RecordingList& excluded) {
  std::unordered_set<std::wstring> keys;
  for (const sRECORDINGPAIR& r : excluded) keys.insert(RecordingKey(r));
  RecordingList kept;
  kept.reserve(list.size());
  for (const sRECORDINGPAIR& r : list) {
    if (!keys.count(RecordingKey(r))) kept.push_back(r);
  }
  list.swap(kept);
}
