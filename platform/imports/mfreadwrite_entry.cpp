// The source reader and sink writer, from mfreadwrite.dll at their first call (the converter).
// Defined under the system's names: a program that links these must not link the system's
// mfreadwrite import library as well.
#include <mfidl.h>
#include <mfreadwrite.h>

#include "platform/imports/lazy_library.h"

namespace {

using quill::imports::MfreadwriteLibrary;

template <typename T>
HRESULT Missing(T** out) {
  if (out) *out = nullptr;
  return HRESULT_FROM_WIN32(MfreadwriteLibrary().MissingError());
}

}  // namespace

extern "C" HRESULT WINAPI MFCreateSourceReaderFromURL(const WCHAR* url, IMFAttributes* attributes,
                                                      IMFSourceReader** reader) {
  const auto real = MfreadwriteLibrary().Find<decltype(&::MFCreateSourceReaderFromURL)>("MFCreateSourceReaderFromURL");
  return real ? real(url, attributes, reader) : Missing(reader);
}

extern "C" HRESULT WINAPI MFCreateSinkWriterFromURL(const WCHAR* url, IMFByteStream* stream, IMFAttributes* attributes,
                                                    IMFSinkWriter** writer) {
  const auto real = MfreadwriteLibrary().Find<decltype(&::MFCreateSinkWriterFromURL)>("MFCreateSinkWriterFromURL");
  return real ? real(url, stream, attributes, writer) : Missing(writer);
}
