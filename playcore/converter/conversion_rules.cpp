// The converter's pure rules: progress, frame count, temporary names and the silent AAC frame.
#include "playcore/converter/conversion_rules.h"

#include <atomic>
#include <cstdio>

namespace playcore {
namespace {

// AAC syntax element ids (ISO/IEC 14496-3, raw_data_block).
constexpr uint32_t kSingleChannelElement = 0;
constexpr uint32_t kChannelPairElement = 1;
constexpr uint32_t kLfeElement = 3;
constexpr uint32_t kEndElement = 7;
constexpr uint32_t kAdtsMaxFrame = 0x1FFF;
constexpr size_t kAdtsHeaderBytes = 7;

class BitWriter {
 public:
  void Put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      if (used_ % 8 == 0) bytes_.push_back(0);
      if ((value >> i) & 1u) bytes_.back() |= static_cast<uint8_t>(0x80u >> (used_ % 8));
      ++used_;
    }
  }
  std::vector<uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<uint8_t> bytes_;
  size_t used_ = 0;
};

// ics_info of a long window with no scale-factor bands: the channel carries no spectrum at all.
void PutEmptyIcsInfo(BitWriter* w) {
  w->Put(0, 1);  // ics_reserved_bit
  w->Put(0, 2);  // window_sequence: ONLY_LONG_SEQUENCE
  w->Put(0, 1);  // window_shape
  w->Put(0, 6);  // max_sfb
  w->Put(0, 1);  // predictor_data_present
}

// individual_channel_stream without sections: global gain, then no pulse, TNS or gain control.
void PutSilentChannel(BitWriter* w, bool withIcsInfo) {
  w->Put(0, 8);  // global_gain
  if (withIcsInfo) PutEmptyIcsInfo(w);
  w->Put(0, 1);  // pulse_data_present
  w->Put(0, 1);  // tns_data_present
  w->Put(0, 1);  // gain_control_data_present
}

void PutElement(BitWriter* w, uint32_t id, uint32_t tag) {
  w->Put(id, 3);
  w->Put(tag, 4);
  if (id == kChannelPairElement) {
    w->Put(0, 1);  // common_window: each channel has its own ics_info
    PutSilentChannel(w, true);
    PutSilentChannel(w, true);
  } else {
    PutSilentChannel(w, true);
  }
}

int SampleRateIndex(uint32_t rate) {
  static const uint32_t kRates[] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                    22050, 16000, 12000, 11025, 8000,  7350};
  for (int i = 0; i < static_cast<int>(sizeof(kRates) / sizeof(kRates[0])); ++i) {
    if (kRates[i] == rate) return i;
  }
  return -1;
}

// The channel configuration of a channel count (8 channels is configuration 7).
int ChannelConfiguration(uint32_t channels) {
  if (channels >= 1 && channels <= 6) return static_cast<int>(channels);
  return channels == 8 ? 7 : -1;
}

}  // namespace

bool ProgressValue(uint32_t total, uint32_t counter, float offsetPercent, uint32_t* value) {
  if (total == 0 || !value) return false;
  const uint64_t t = total;
  const uint64_t c = counter < total ? counter : total;
  const float offsetPart = offsetPercent * static_cast<float>(total) / 100.0f;
  const uint64_t base = t / 100 + (offsetPart > 0 ? static_cast<uint64_t>(offsetPart) : 0);
  const uint64_t last = t + t / 100;
  uint64_t v = c >= t ? last : (base < t ? ((t - base) * c) / t : 0) + t / 100 + base;
  if (v > last) v = last;
  *value = static_cast<uint32_t>(v);
  return true;
}

uint32_t FrameCountFor(uint64_t duration100ns, uint32_t rateNumerator, uint32_t rateDenominator) {
  if (duration100ns == 0 || rateNumerator == 0 || rateDenominator == 0) return 0;
  // frames = duration * num / (den * 1e7), rounded; long double keeps 64-bit durations exact enough.
  const long double frames = static_cast<long double>(duration100ns) * rateNumerator /
                             (static_cast<long double>(rateDenominator) * 10000000.0L);
  if (frames >= 4294967295.0L) return UINT32_MAX;
  return static_cast<uint32_t>(frames + 0.5L);
}

uint64_t ConversionRoomNeeded(uint64_t duration100ns, uint32_t videoBitsPerSecond, bool withAudio) {
  constexpr uint64_t kAudioBitsPerSecond = 320000;   // the highest rate the AAC writer takes
  constexpr uint64_t kBoxMarginBytes = 4u << 20;    // the movie box and the writer's slack
  constexpr uint64_t kTicksPerSecond = 10000000;
  constexpr int kCopies = 2;                         // the writer's file and the rewrite
  const uint64_t bits = videoBitsPerSecond + (withAudio ? kAudioBitsPerSecond : 0);
  // bytes = duration * bits / 8 / 1e7, rounded up; long double keeps it exact enough at 64 bits.
  const long double bytes = static_cast<long double>(duration100ns) * bits /
                            (8.0L * kTicksPerSecond);
  const long double total = (bytes + 1.0L + kBoxMarginBytes) * kCopies;
  if (total >= 18446744073709551615.0L) return UINT64_MAX;
  return static_cast<uint64_t>(total);
}

uint32_t PreviewWaitMs(int64_t sampleTime, int64_t firstTime, uint64_t elapsedMs, uint32_t maxWaitMs) {
  if (sampleTime <= firstTime) return 0;
  const uint64_t dueMs = static_cast<uint64_t>(sampleTime - firstTime) / 10000;
  if (dueMs <= elapsedMs) return 0;
  const uint64_t wait = dueMs - elapsedMs;
  return wait > maxWaitMs ? maxWaitMs : static_cast<uint32_t>(wait);
}

RECT PresentAreaWithin(const RECT& client, UINT workWidth, UINT workHeight) {
  RECT area = client;
  if (workWidth > 0 && area.right - area.left > static_cast<LONG>(workWidth)) {
    area.right = area.left + static_cast<LONG>(workWidth);
  }
  if (workHeight > 0 && area.bottom - area.top > static_cast<LONG>(workHeight)) {
    area.bottom = area.top + static_cast<LONG>(workHeight);
  }
  return area;
}

std::wstring VolumeOfPath(const std::wstring& path) {
  if (path.size() >= 2 && path[1] == L':') return path.substr(0, 2);
  const bool unc = path.size() > 2 && (path[0] == L'\\' || path[0] == L'/') &&
                   (path[1] == L'\\' || path[1] == L'/');
  if (!unc) return path;
  // \\server\share: the second separator after the server name ends it.
  const size_t server = path.find_first_of(L"\\/", 2);
  if (server == std::wstring::npos) return path;
  const size_t share = path.find_first_of(L"\\/", server + 1);
  return share == std::wstring::npos ? path : path.substr(0, share);
}

std::wstring ByteCountText(uint64_t bytes) {
  constexpr uint64_t kKb = 1024, kMb = kKb * 1024, kGb = kMb * 1024;
  wchar_t text[32];
  if (bytes < kMb) {
    swprintf(text, 32, L"%llu KB", static_cast<unsigned long long>((bytes + kKb - 1) / kKb));
  } else {
    const uint64_t unit = bytes < kGb ? kMb : kGb;
    // Tenths, rounded up.
    const uint64_t tenths = (bytes / unit) * 10 + ((bytes % unit) * 10 + unit - 1) / unit;
    swprintf(text, 32, L"%llu.%llu %ls", static_cast<unsigned long long>(tenths / 10),
             static_cast<unsigned long long>(tenths % 10), unit == kGb ? L"GB" : L"MB");
  }
  return text;
}

bool TempPathBeside(const std::wstring& destination, unsigned long processId, unsigned serial,
                    const wchar_t* suffix, std::wstring* out) {
  if (!out || !suffix) return false;
  const size_t slash = destination.find_last_of(L"\\/");
  if (slash == std::wstring::npos || slash == 0) return false;
  wchar_t name[64];
  const int n = swprintf(name, 64, L"~qm%lu-%u%ls", processId, serial, suffix);
  if (n < 0 || n >= 64) return false;
  std::wstring path = destination.substr(0, slash + 1) + name;
  if (path.size() >= MAX_PATH) return false;
  *out = std::move(path);
  return true;
}

bool NextTempPathBeside(const std::wstring& destination, const wchar_t* suffix, std::wstring* out) {
  static std::atomic<unsigned> serial{0};
  return TempPathBeside(destination, GetCurrentProcessId(), ++serial, suffix, out);
}

std::vector<uint8_t> SilentAacFrame(uint32_t channels) {
  // The element order of each standard configuration (ISO/IEC 14496-3, table 1.19).
  static const uint32_t kLayouts[8][5] = {
      {},
      {kSingleChannelElement},
      {kChannelPairElement},
      {kSingleChannelElement, kChannelPairElement},
      {kSingleChannelElement, kChannelPairElement, kSingleChannelElement},
      {kSingleChannelElement, kChannelPairElement, kChannelPairElement},
      {kSingleChannelElement, kChannelPairElement, kChannelPairElement, kLfeElement},
      {kSingleChannelElement, kChannelPairElement, kChannelPairElement, kChannelPairElement,
       kLfeElement}};
  static const int kCounts[8] = {0, 1, 1, 2, 3, 3, 4, 5};
  const int config = ChannelConfiguration(channels);
  if (config < 0) return {};
  BitWriter w;
  uint32_t tags[8] = {};  // instance tags count per element type
  for (int i = 0; i < kCounts[config]; ++i) {
    const uint32_t id = kLayouts[config][i];
    PutElement(&w, id, tags[id]++);
  }
  w.Put(kEndElement, 3);
  return w.Take();  // the last byte is padded with zero bits (byte alignment)
}

std::vector<uint8_t> AdtsHeader(uint32_t sampleRate, uint32_t channels, size_t payloadBytes) {
  const int rate = SampleRateIndex(sampleRate);
  const int config = ChannelConfiguration(channels);
  if (rate < 0 || config < 0 || payloadBytes > kAdtsMaxFrame - kAdtsHeaderBytes) return {};
  const uint32_t length = static_cast<uint32_t>(payloadBytes + kAdtsHeaderBytes);
  BitWriter w;
  w.Put(0xFFF, 12);   // syncword
  w.Put(0, 1);        // MPEG-4
  w.Put(0, 2);        // layer
  w.Put(1, 1);        // no CRC
  w.Put(1, 2);        // profile: AAC LC (object type 2, minus one)
  w.Put(static_cast<uint32_t>(rate), 4);
  w.Put(0, 1);        // private bit
  w.Put(static_cast<uint32_t>(config), 3);
  w.Put(0, 4);        // original, home, copyright id bit and start
  w.Put(length, 13);
  w.Put(0x7FF, 11);   // buffer fullness: variable rate
  w.Put(0, 2);        // one raw data block
  return w.Take();
}

}  // namespace playcore
