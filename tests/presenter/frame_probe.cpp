// The frame recorder in front of a presenter's renderer, and the frame code reader.
#include "tests/presenter/frame_probe.h"

#include "tests/presenter/fakes.h"

#include <cmath>

namespace playcore::test {

namespace {

double Luma(DWORD p) {
  return 0.299 * ((p >> 16) & 0xFF) + 0.587 * ((p >> 8) & 0xFF) + 0.114 * (p & 0xFF);
}

}  // namespace

bool DecodeFrameCode(const Picture& pic, int* frame, int* clip) {
  constexpr int kCells = 29;
  const int shortSide = pic.width < pic.height ? pic.width : pic.height;
  int cell = (shortSide / 40) / 4 * 4;
  if (cell < 8) cell = 8;
  const int x0 = (pic.width - kCells * cell) / 4 * 2;
  const int y0 = (pic.height - cell) / 4 * 2;
  if (x0 < cell / 2 || y0 < cell / 2) return false;
  double values[kCells];
  for (int i = 0; i < kCells; ++i) {
    // The middle half of each cell, away from blurred edges.
    double sum = 0;
    int n = 0;
    for (int y = y0 + cell / 4; y < y0 + cell * 3 / 4; ++y) {
      for (int x = x0 + i * cell + cell / 4; x < x0 + i * cell + cell * 3 / 4; ++x) {
        sum += Luma(pic.pixels[static_cast<size_t>(y) * pic.width + x]);
        ++n;
      }
    }
    values[i] = n ? sum / n : 0;
  }
  const double white = (values[0] + values[kCells - 1]) / 2;
  const double black = (values[1] + values[kCells - 2]) / 2;
  if (white - black < 40) return false;
  const double threshold = (white + black) / 2;
  int bits[kCells];
  for (int i = 0; i < kCells; ++i) bits[i] = values[i] > threshold ? 1 : 0;
  if (bits[0] != 1 || bits[1] != 0 || bits[kCells - 2] != 0 || bits[kCells - 1] != 1) return false;
  int ones = 0;
  int f = 0;
  int c = 0;
  for (int i = 2; i < 18; ++i) {
    f = f * 2 + bits[i];
    ones += bits[i];
  }
  for (int i = 18; i < 26; ++i) {
    c = c * 2 + bits[i];
    ones += bits[i];
  }
  if ((ones & 1) != bits[26]) return false;
  *frame = f;
  *clip = c;
  return true;
}

bool ReadSurface(IDirect3DSurface9* surface, Picture* picture) {
  D3DSURFACE_DESC desc = {};
  if (FAILED(surface->GetDesc(&desc))) return false;
  HDC surfaceDc = nullptr;
  if (FAILED(surface->GetDC(&surfaceDc))) return false;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = static_cast<LONG>(desc.Width);
  info.bmiHeader.biHeight = -static_cast<LONG>(desc.Height);  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(surfaceDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = CreateCompatibleDC(surfaceDc);
  bool ok = dib && memory;
  if (ok) {
    HGDIOBJ old = SelectObject(memory, dib);
    ok = BitBlt(memory, 0, 0, static_cast<int>(desc.Width), static_cast<int>(desc.Height),
                surfaceDc, 0, 0, SRCCOPY) != FALSE;
    GdiFlush();
    if (ok) {
      picture->width = static_cast<int>(desc.Width);
      picture->height = static_cast<int>(desc.Height);
      const auto* p = static_cast<const DWORD*>(bits);
      picture->pixels.assign(p, p + static_cast<size_t>(desc.Width) * desc.Height);
    }
    SelectObject(memory, old);
  }
  if (memory) DeleteDC(memory);
  if (dib) DeleteObject(dib);
  surface->ReleaseDC(surfaceDc);
  return ok;
}

ProbeRenderer::ProbeRenderer(std::unique_ptr<FrameRenderer> inner)
    : inner_(inner ? std::move(inner) : CreateCopyRenderer()) {}

HRESULT ProbeRenderer::Prepare(IDirect3DDevice9* device, UINT width, UINT height, int mode) {
  return inner_->Prepare(device, width, height, mode);
}

std::vector<PresentedFrame> ProbeRenderer::frames() {
  std::lock_guard<std::mutex> lock(mutex_);
  return frames_;
}

HRESULT ProbeRenderer::Draw(const FrameTarget& target, IMFSample* sample,
                            IDirect3DSurface9* frame) {
  if (sample) {
    LONGLONG time = 0;
    sample->GetSampleTime(&time);
    std::lock_guard<std::mutex> lock(mutex_);
    const LONGLONG drawnAt = QpcNow100ns();
    int code = -1;
    if (decodeAll_) {
      Picture picture;
      int clip = 0;
      if (ReadSurface(frame, &picture) && !DecodeFrameCode(picture, &code, &clip)) code = -1;
    }
    frames_.push_back({time, drawnAt, code});
  }
  return inner_->Draw(target, sample, frame);
}

}  // namespace playcore::test
