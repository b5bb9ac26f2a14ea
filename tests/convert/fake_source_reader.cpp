// The scripted source reader.
#include "tests/convert/fake_source_reader.h"

#include <mfapi.h>
#include <mferror.h>

#include <atomic>
#include <cstring>
#include <vector>

namespace playcore::test {
namespace {

using quill::com::ComPtr;

constexpr LONGLONG kFrame100ns = 333333;  // 30 frames a second

UINT64 Pack(UINT high, UINT low) { return (static_cast<UINT64>(high) << 32) | low; }

class FakeReader final : public IMFSourceReader {
 public:
  explicit FakeReader(const FakeReaderScript& s) : s_(s) {}
  virtual ~FakeReader() = default;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IMFSourceReader)) {
      *out = static_cast<IMFSourceReader*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }

  // IMFSourceReader
  HRESULT STDMETHODCALLTYPE GetStreamSelection(DWORD index, WINBOOL* selected) override {
    if (index != 0) return MF_E_INVALIDSTREAMNUMBER;
    *selected = selected_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetStreamSelection(DWORD index, WINBOOL selected) override {
    if (index != 0 && index != static_cast<DWORD>(MF_SOURCE_READER_ALL_STREAMS)) {
      return MF_E_INVALIDSTREAMNUMBER;
    }
    selected_ = selected;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetNativeMediaType(DWORD index, DWORD typeIndex, IMFMediaType** type) override {
    if (index != 0) return MF_E_INVALIDSTREAMNUMBER;
    if (typeIndex != 0) return MF_E_NO_MORE_TYPES;
    return MakeType(MFVideoFormat_H264, false, type);
  }
  HRESULT STDMETHODCALLTYPE GetCurrentMediaType(DWORD index, IMFMediaType** type) override {
    if (index != 0 && index != static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM)) {
      return MF_E_INVALIDSTREAMNUMBER;
    }
    return MakeType(MFVideoFormat_IYUV, changed(), type);
  }
  HRESULT STDMETHODCALLTYPE SetCurrentMediaType(DWORD index, DWORD*, IMFMediaType* type) override {
    GUID subtype = GUID_NULL;
    if (index != 0 || FAILED(type->GetGUID(MF_MT_SUBTYPE, &subtype))) return MF_E_INVALIDSTREAMNUMBER;
    return subtype == MFVideoFormat_IYUV ? S_OK : MF_E_TOPO_CODEC_NOT_FOUND;
  }
  HRESULT STDMETHODCALLTYPE SetCurrentPosition(REFGUID, REFPROPVARIANT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ReadSample(DWORD index, DWORD, DWORD* actual, DWORD* flags, LONGLONG* time,
                                       IMFSample** sample) override {
    if (index != 0 && index != static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM) &&
        index != static_cast<DWORD>(MF_SOURCE_READER_ANY_STREAM)) {
      return MF_E_INVALIDSTREAMNUMBER;
    }
    *actual = 0;
    *flags = 0;
    *sample = nullptr;
    const bool repeat = !repeated_ && s_.repeatAt < s_.frames && next_ == s_.repeatAt + 1;
    const UINT frame = repeat ? s_.repeatAt : next_;
    const UINT back = repeat ? (s_.repeatBack < frame ? s_.repeatBack : frame) : 0;
    *time = static_cast<LONGLONG>(frame - back) * kFrame100ns;
    if (frame >= s_.frames) {
      *flags = MF_SOURCE_READERF_ENDOFSTREAM;
      return S_OK;
    }
    if (frame == s_.changeAt) *flags |= MF_SOURCE_READERF_CURRENTMEDIATYPECHANGED;
    const HRESULT hr = MakeFrame(sample);
    if (FAILED(hr)) return hr;
    (*sample)->SetSampleTime(*time);
    (*sample)->SetSampleDuration(kFrame100ns);
    if (repeat) {
      repeated_ = true;
    } else {
      ++next_;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Flush(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetServiceForStream(DWORD, REFGUID, REFIID, void** object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE GetPresentationAttribute(DWORD index, REFGUID key, PROPVARIANT* value) override {
    if (index != static_cast<DWORD>(MF_SOURCE_READER_MEDIASOURCE) || key != MF_PD_DURATION) {
      return MF_E_ATTRIBUTENOTFOUND;
    }
    PropVariantInit(value);
    value->vt = VT_UI8;
    value->uhVal.QuadPart = static_cast<ULONGLONG>(s_.frames) * kFrame100ns;
    return S_OK;
  }

 private:
  // The frames from the change on: the type has been asked for once the flag was read.
  bool changed() const { return s_.changeAt < s_.frames && next_ > s_.changeAt; }

  HRESULT MakeType(const GUID& subtype, bool padded, IMFMediaType** out) {
    ComPtr<IMFMediaType> type;
    HRESULT hr = MFCreateMediaType(type.put());
    if (SUCCEEDED(hr)) hr = type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
    if (SUCCEEDED(hr)) hr = type->SetGUID(MF_MT_SUBTYPE, subtype);
    if (SUCCEEDED(hr)) hr = type->SetUINT64(MF_MT_FRAME_RATE, Pack(30, 1));
    if (SUCCEEDED(hr)) hr = type->SetUINT64(MF_MT_PIXEL_ASPECT_RATIO, Pack(1, 1));
    const UINT rows = padded ? s_.height + s_.paddedRows : s_.height;
    const UINT pitch = padded ? s_.paddedPitch : s_.width;
    if (SUCCEEDED(hr)) hr = type->SetUINT64(MF_MT_FRAME_SIZE, Pack(padded ? pitch : s_.width, rows));
    if (SUCCEEDED(hr)) hr = type->SetUINT32(MF_MT_DEFAULT_STRIDE, pitch);
    if (SUCCEEDED(hr) && padded) {
      MFVideoArea area = {};
      area.Area.cx = static_cast<LONG>(s_.width);
      area.Area.cy = static_cast<LONG>(s_.height);
      hr = type->SetBlob(MF_MT_MINIMUM_DISPLAY_APERTURE, reinterpret_cast<const UINT8*>(&area), sizeof(area));
    }
    if (SUCCEEDED(hr)) *out = type.detach();
    return hr;
  }

  // One IYUV frame: the picture in its colour, everything outside it (padding) in the garbage colour.
  HRESULT MakeFrame(IMFSample** out) {
    const bool padded = s_.changeAt < s_.frames && next_ >= s_.changeAt;
    const FakeYuv c = padded ? s_.after : s_.before;
    const UINT pitch = padded ? s_.paddedPitch : s_.width;
    const UINT rows = padded ? s_.height + s_.paddedRows : s_.height;
    const UINT chromaPitch = (pitch + 1) / 2, chromaRows = (rows + 1) / 2;
    std::vector<uint8_t> frame(static_cast<size_t>(pitch) * rows + 2u * chromaPitch * chromaRows);
    uint8_t* y = frame.data();
    uint8_t* u = y + static_cast<size_t>(pitch) * rows;
    uint8_t* v = u + static_cast<size_t>(chromaPitch) * chromaRows;
    for (UINT r = 0; r < rows; ++r) {
      for (UINT x = 0; x < pitch; ++x) {
        y[r * pitch + x] = (r < s_.height && x < s_.width) ? c.y : s_.garbage.y;
      }
    }
    for (UINT r = 0; r < chromaRows; ++r) {
      for (UINT x = 0; x < chromaPitch; ++x) {
        const bool inside = r < (s_.height + 1) / 2 && x < (s_.width + 1) / 2;
        u[r * chromaPitch + x] = inside ? c.u : s_.garbage.u;
        v[r * chromaPitch + x] = inside ? c.v : s_.garbage.v;
      }
    }
    ComPtr<IMFMediaBuffer> buffer;
    ComPtr<IMFSample> sample;
    HRESULT hr = MFCreateMemoryBuffer(static_cast<DWORD>(frame.size()), buffer.put());
    BYTE* data = nullptr;
    if (SUCCEEDED(hr)) hr = buffer->Lock(&data, nullptr, nullptr);
    if (FAILED(hr)) return hr;
    std::memcpy(data, frame.data(), frame.size());
    buffer->Unlock();
    hr = buffer->SetCurrentLength(static_cast<DWORD>(frame.size()));
    if (SUCCEEDED(hr)) hr = MFCreateSample(sample.put());
    if (SUCCEEDED(hr)) hr = sample->AddBuffer(buffer.get());
    if (SUCCEEDED(hr)) *out = sample.detach();
    return hr;
  }

  FakeReaderScript s_;
  std::atomic<ULONG> refs_{1};
  WINBOOL selected_ = TRUE;
  UINT next_ = 0;
  bool repeated_ = false;
};

}  // namespace

SourceReaderFactory FakeReaderFactory(const FakeReaderScript& script) {
  return [script](const wchar_t*, IMFAttributes*, IMFSourceReader** reader) -> HRESULT {
    *reader = new FakeReader(script);
    return S_OK;
  };
}

}  // namespace playcore::test
