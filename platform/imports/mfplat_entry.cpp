// The Media Foundation platform's calls, from mfplat.dll at their first call (mfplat.dll brings the
// work queues and the property system with it). Defined under the system's names: a program that
// links these must not link the system's mfplat import library as well.
#include <mfapi.h>
#include <mfidl.h>
#include <mftransform.h>

#include "platform/imports/lazy_library.h"

namespace {

using quill::imports::MfplatLibrary;

template <typename Fn>
Fn Real(const char* name) {
  return MfplatLibrary().Find<Fn>(name);
}

// Without the library or the function: the system's reason as the call's result.
HRESULT Missing() { return HRESULT_FROM_WIN32(MfplatLibrary().MissingError()); }

template <typename T>
HRESULT Missing(T** out) {
  if (out) *out = nullptr;
  return Missing();
}

}  // namespace

extern "C" HRESULT WINAPI MFStartup(ULONG version, DWORD flags) {
  const auto real = Real<decltype(&::MFStartup)>("MFStartup");
  return real ? real(version, flags) : Missing();
}

extern "C" HRESULT WINAPI MFShutdown() {
  const auto real = Real<decltype(&::MFShutdown)>("MFShutdown");
  return real ? real() : Missing();
}

extern "C" HRESULT WINAPI MFCreateAttributes(IMFAttributes** attributes, UINT32 initialSize) {
  const auto real = Real<decltype(&::MFCreateAttributes)>("MFCreateAttributes");
  return real ? real(attributes, initialSize) : Missing(attributes);
}

extern "C" HRESULT WINAPI MFCreateMediaEvent(MediaEventType type, REFGUID extendedType, HRESULT status,
                                             const PROPVARIANT* value, IMFMediaEvent** event) {
  const auto real = Real<decltype(&::MFCreateMediaEvent)>("MFCreateMediaEvent");
  return real ? real(type, extendedType, status, value, event) : Missing(event);
}

extern "C" HRESULT WINAPI MFCreateMediaType(IMFMediaType** type) {
  const auto real = Real<decltype(&::MFCreateMediaType)>("MFCreateMediaType");
  return real ? real(type) : Missing(type);
}

extern "C" HRESULT WINAPI MFCreateMemoryBuffer(DWORD maxLength, IMFMediaBuffer** buffer) {
  const auto real = Real<decltype(&::MFCreateMemoryBuffer)>("MFCreateMemoryBuffer");
  return real ? real(maxLength, buffer) : Missing(buffer);
}

extern "C" HRESULT WINAPI MFCreateSample(IMFSample** sample) {
  const auto real = Real<decltype(&::MFCreateSample)>("MFCreateSample");
  return real ? real(sample) : Missing(sample);
}

extern "C" HRESULT WINAPI MFCreateSourceResolver(IMFSourceResolver** resolver) {
  const auto real = Real<decltype(&::MFCreateSourceResolver)>("MFCreateSourceResolver");
  return real ? real(resolver) : Missing(resolver);
}

extern "C" HRESULT WINAPI MFFrameRateToAverageTimePerFrame(UINT32 numerator, UINT32 denominator, UINT64* perFrame) {
  const auto real = Real<decltype(&::MFFrameRateToAverageTimePerFrame)>("MFFrameRateToAverageTimePerFrame");
  if (real) return real(numerator, denominator, perFrame);
  if (perFrame) *perFrame = 0;
  return Missing();
}

extern "C" HRESULT WINAPI MFTEnumEx(GUID category, UINT32 flags, const MFT_REGISTER_TYPE_INFO* inputType,
                                    const MFT_REGISTER_TYPE_INFO* outputType, IMFActivate*** activates,
                                    UINT32* count) {
  const auto real = Real<decltype(&::MFTEnumEx)>("MFTEnumEx");
  if (real) return real(category, flags, inputType, outputType, activates, count);
  if (count) *count = 0;
  return Missing(activates);
}
