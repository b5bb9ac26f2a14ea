// Media-type holders: the reads and writes of the attributes the presenter negotiates with.
#include "platform/com/media_type.h"

namespace MediaFoundationSamples {

MediaType::MediaType(IMFMediaType* type) { Reset(type); }

MediaType::~MediaType() { Reset(nullptr); }

void MediaType::Reset(IMFMediaType* type) {
  if (type) type->AddRef();
  if (type_) type_->Release();
  type_ = type;
}

HRESULT MediaType::CreateEmptyType() {
  IMFMediaType* created = nullptr;
  const HRESULT hr = MFCreateMediaType(&created);
  if (FAILED(hr)) return hr;
  Reset(created);
  created->Release();
  return S_OK;
}

HRESULT MediaType::GetMediaType(IMFMediaType** out) const {
  if (!out) return E_POINTER;
  *out = type_;
  if (!type_) return E_UNEXPECTED;
  type_->AddRef();
  return S_OK;
}

HRESULT MediaType::GetMajorType(GUID* major) const {
  if (!type_) return E_UNEXPECTED;
  return type_->GetGUID(MF_MT_MAJOR_TYPE, major);
}

HRESULT MediaType::GetSubType(GUID* sub) const {
  if (!type_) return E_UNEXPECTED;
  return type_->GetGUID(MF_MT_SUBTYPE, sub);
}

HRESULT MediaType::IsCompressed(BOOL* compressed) const {
  if (!type_) return E_UNEXPECTED;
  return type_->IsCompressedFormat(compressed);
}

HRESULT VideoType::CreateEmptyType() {
  HRESULT hr = MediaType::CreateEmptyType();
  if (SUCCEEDED(hr)) hr = type_->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
  return hr;
}

HRESULT VideoType::GetFrameDimensions(UINT32* width, UINT32* height) const {
  if (!type_) return E_UNEXPECTED;
  return MFGetAttributeSize(type_, MF_MT_FRAME_SIZE, width, height);
}

HRESULT VideoType::SetFrameDimensions(UINT32 width, UINT32 height) {
  if (!type_) return E_UNEXPECTED;
  return MFSetAttributeSize(type_, MF_MT_FRAME_SIZE, width, height);
}

HRESULT VideoType::GetFrameRate(MFRatio* rate) const {
  if (!type_ || !rate) return E_POINTER;
  UINT32 num = 0;
  UINT32 den = 0;
  const HRESULT hr = MFGetAttributeRatio(type_, MF_MT_FRAME_RATE, &num, &den);
  if (FAILED(hr)) return hr;
  rate->Numerator = num;
  rate->Denominator = den;
  return S_OK;
}

HRESULT VideoType::SetPixelAspectRatio(UINT32 numerator, UINT32 denominator) {
  if (!type_) return E_UNEXPECTED;
  return MFSetAttributeRatio(type_, MF_MT_PIXEL_ASPECT_RATIO, numerator, denominator);
}

HRESULT VideoType::GetInterlaceMode(MFVideoInterlaceMode* mode) const {
  if (!type_ || !mode) return E_POINTER;
  UINT32 value = 0;
  const HRESULT hr = type_->GetUINT32(MF_MT_INTERLACE_MODE, &value);
  if (SUCCEEDED(hr)) *mode = static_cast<MFVideoInterlaceMode>(value);
  return hr;
}

MFVideoArea MakeArea(UINT32 width, UINT32 height) {
  MFVideoArea area = {};
  area.Area.cx = static_cast<LONG>(width);
  area.Area.cy = static_cast<LONG>(height);
  return area;
}

HRESULT VideoType::SetApertures(UINT32 width, UINT32 height) {
  if (!type_) return E_UNEXPECTED;
  const MFVideoArea area = MakeArea(width, height);
  const auto* bytes = reinterpret_cast<const UINT8*>(&area);
  HRESULT hr = type_->SetBlob(MF_MT_GEOMETRIC_APERTURE, bytes, sizeof(area));
  if (SUCCEEDED(hr)) hr = type_->SetBlob(MF_MT_PAN_SCAN_APERTURE, bytes, sizeof(area));
  if (SUCCEEDED(hr)) hr = type_->SetBlob(MF_MT_MINIMUM_DISPLAY_APERTURE, bytes, sizeof(area));
  return hr;
}

}  // namespace MediaFoundationSamples
