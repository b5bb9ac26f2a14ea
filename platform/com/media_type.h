// Holders of one Media Foundation media type, with the few reads and writes the presenter makes.
#pragma once

#include <windows.h>
#include <mfapi.h>
#include <mfidl.h>

namespace MediaFoundationSamples {

class MediaType {
 public:
  MediaType() = default;
  // Holds `type` with a reference of its own (null holds nothing).
  explicit MediaType(IMFMediaType* type);
  virtual ~MediaType();
  MediaType(const MediaType&) = delete;
  MediaType& operator=(const MediaType&) = delete;

  // Replaces what is held with a new empty type.
  virtual HRESULT CreateEmptyType();
  IMFMediaType* Get() const { return type_; }
  // The held type with a reference for the caller; E_UNEXPECTED when none is held.
  HRESULT GetMediaType(IMFMediaType** out) const;
  bool IsValid() const { return type_ != nullptr; }

  HRESULT GetMajorType(GUID* major) const;
  HRESULT GetSubType(GUID* sub) const;
  // FALSE for an uncompressed type.
  HRESULT IsCompressed(BOOL* compressed) const;

 protected:
  void Reset(IMFMediaType* type);
  IMFMediaType* type_ = nullptr;
};

class VideoType : public MediaType {
 public:
  VideoType() = default;
  explicit VideoType(IMFMediaType* type) : MediaType(type) {}
  // An empty type whose major type is video.
  HRESULT CreateEmptyType() override;

  HRESULT GetFrameDimensions(UINT32* width, UINT32* height) const;
  HRESULT SetFrameDimensions(UINT32 width, UINT32 height);
  // numerator / denominator of MF_MT_FRAME_RATE.
  HRESULT GetFrameRate(MFRatio* rate) const;
  HRESULT SetPixelAspectRatio(UINT32 numerator, UINT32 denominator);
  HRESULT GetInterlaceMode(MFVideoInterlaceMode* mode) const;
  // A width x height area at (0, 0) for the geometric, pan-scan and minimum display apertures.
  HRESULT SetApertures(UINT32 width, UINT32 height);
};

// An MFVideoArea of width x height at (0, 0).
MFVideoArea MakeArea(UINT32 width, UINT32 height);

}  // namespace MediaFoundationSamples
