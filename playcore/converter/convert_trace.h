// Every failed step of a conversion leaves one line on the debugger output: the source file's name
// and the line, so a failure seen in the field can be placed without a log file.
#pragma once

#include <windows.h>

namespace playcore {

void TraceConvertFailure(const char* file, int line);

// Traces and passes a failed HRESULT through: `hr = TRACED(call)`.
#define TRACED(expr) ::playcore::TracedResult((expr), __FILE__, __LINE__)

inline HRESULT TracedResult(HRESULT hr, const char* file, int line) {
  if (FAILED(hr)) TraceConvertFailure(file, line);
  return hr;
}

}  // namespace playcore
