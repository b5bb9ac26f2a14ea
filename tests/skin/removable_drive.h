// Test helper: a drive letter mapped to a folder and typed as removable (an SD card), through Wine's
// mount manager, for the life of the object. Only under Wine.
#pragma once

#include <string>

namespace quill::test {

class ScopedRemovableDrive {
 public:
  // letter: 'a'..'z'; folder: a Windows path of an existing folder.
  ScopedRemovableDrive(wchar_t letter, const std::wstring& folder);
  ~ScopedRemovableDrive();
  ScopedRemovableDrive(const ScopedRemovableDrive&) = delete;
  ScopedRemovableDrive& operator=(const ScopedRemovableDrive&) = delete;
  bool ok() const { return ok_; }
  std::wstring root() const { return std::wstring(1, letter_) + L":\\"; }

 private:
  wchar_t letter_;
  bool ok_ = false;
};

}  // namespace quill::test
