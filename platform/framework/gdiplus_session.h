// Keeps GDI+ started for the life of the object (the program's start-up, a snapshot, a test).
// Every GDI+ object must be released before the session that started GDI+ ends.
#pragma once

#include <windows.h>

namespace quill::framework {

class GdiplusSession {
 public:
  GdiplusSession();
  ~GdiplusSession();
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;
  bool ok() const { return token_ != 0; }

 private:
  ULONG_PTR token_ = 0;
};

}  // namespace quill::framework
