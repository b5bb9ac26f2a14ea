// The Media Foundation pipeline's calls (session, topology, renderers), from mf.dll at their first
// call. Defined under the system's names: a program that links these must not link the system's mf
// import library as well.
#include <mfapi.h>
#include <mfidl.h>

#include "platform/imports/lazy_library.h"

namespace {

using quill::imports::MfLibrary;

template <typename Fn>
Fn Real(const char* name) {
  return MfLibrary().Find<Fn>(name);
}

// Without the library or the function: no object, the system's reason as the call's result.
template <typename T>
HRESULT Missing(T** out) {
  if (out) *out = nullptr;
  return HRESULT_FROM_WIN32(MfLibrary().MissingError());
}

}  // namespace

extern "C" HRESULT WINAPI MFCreateMediaSession(IMFAttributes* configuration, IMFMediaSession** session) {
  const auto real = Real<decltype(&::MFCreateMediaSession)>("MFCreateMediaSession");
  return real ? real(configuration, session) : Missing(session);
}

extern "C" HRESULT WINAPI MFCreateTopology(IMFTopology** topology) {
  const auto real = Real<decltype(&::MFCreateTopology)>("MFCreateTopology");
  return real ? real(topology) : Missing(topology);
}

extern "C" HRESULT WINAPI MFCreateTopologyNode(MF_TOPOLOGY_TYPE type, IMFTopologyNode** node) {
  const auto real = Real<decltype(&::MFCreateTopologyNode)>("MFCreateTopologyNode");
  return real ? real(type, node) : Missing(node);
}

extern "C" HRESULT WINAPI MFCreateAudioRendererActivate(IMFActivate** activate) {
  const auto real = Real<decltype(&::MFCreateAudioRendererActivate)>("MFCreateAudioRendererActivate");
  return real ? real(activate) : Missing(activate);
}

extern "C" HRESULT WINAPI MFCreateVideoRenderer(REFIID riid, void** renderer) {
  const auto real = Real<decltype(&::MFCreateVideoRenderer)>("MFCreateVideoRenderer");
  return real ? real(riid, renderer) : Missing(renderer);
}

extern "C" HRESULT WINAPI MFCreateVideoRendererActivate(HWND window, IMFActivate** activate) {
  const auto real = Real<decltype(&::MFCreateVideoRendererActivate)>("MFCreateVideoRendererActivate");
  return real ? real(window, activate) : Missing(activate);
}

extern "C" HRESULT WINAPI MFGetService(IUnknown* object, REFGUID service, REFIID riid, LPVOID* result) {
  const auto real = Real<decltype(&::MFGetService)>("MFGetService");
  return real ? real(object, service, riid, result) : Missing(result);
}
