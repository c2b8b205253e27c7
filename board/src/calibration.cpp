// cal.dat loading, offset codes and sample correction.
//
// File layout (little-endian, floats IEEE 754 single): a 32-byte header whose
// first float is the version (1.0 or 2.0; the rest is not interpreted), then
//  format 1, for channel 1 then channel 2: offset codes OB1[j][k] (16 bytes),
//    linearity corrections L[j][k][v] (4096 int16), offset corrections
//    FO1[j][k] (16 floats); then gain factors K[0], K[1] (2 floats);
//  format 2: OB2 bytes in order j, g, c (44), FO2 floats in order m, j, g, c
//    (748), GF2 floats in order g, c (22).
// j is the coupling row (coupling - 1), k the board gain code, g the gain
// index, c the channel, m the divider slot 0..16, v the corrected value.
#include "calibration.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "orvaboard.h"

namespace orva::board {

namespace {

struct Calibration {
  int16_t format = 0;  // 0 none, 1, 2
  uint8_t ob1[2][2][8] = {};
  int16_t lin[2][2][8][256] = {};
  float fo1[2][2][8] = {};
  float gain1[2] = {};
  uint8_t ob2[2][11][2] = {};
  float fo2[2][11][17][2] = {};
  float gf2[2][11] = {};
  int16_t override1 = 128, override2 = 128;
  int16_t use_override = 0;
  int16_t correction_off = 0;
  float spare[2] = {1.0f, 1.0f};
};

Calibration& Cal() {
  static Calibration c;
  return c;
}

constexpr int kCode[11] = {0, 1, 1, 2, 3, 3, 4, 5, 5, 6, 7};
constexpr int kStep[11] = {1, 1, 2, 1, 1, 2, 1, 1, 2, 1, 1};
constexpr std::size_t kFormat1Size = 32 + 2 * (16 + 8192 + 64) + 8;  // 16,584
constexpr std::size_t kFormat2Size = 32 + 44 + 2992 + 88;            // 3,156

// Sequential little-endian reader over the bytes actually in the file. Each
// read that does not find all its bytes leaves the destination as it was.
class Reader {
 public:
  Reader(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}
  void Byte(uint8_t* out) {
    if (pos_ + 1 <= size_) *out = data_[pos_];
    pos_ += 1;
  }
  void Int16(int16_t* out) {
    if (pos_ + 2 <= size_) {
      *out = static_cast<int16_t>(static_cast<uint16_t>(data_[pos_] | data_[pos_ + 1] << 8));
    }
    pos_ += 2;
  }
  void Float(float* out) {
    if (pos_ + 4 <= size_) {
      const uint32_t bits = static_cast<uint32_t>(data_[pos_]) |
                            static_cast<uint32_t>(data_[pos_ + 1]) << 8 |
                            static_cast<uint32_t>(data_[pos_ + 2]) << 16 |
                            static_cast<uint32_t>(data_[pos_ + 3]) << 24;
      std::memcpy(out, &bits, sizeof bits);
    }
    pos_ += 4;
  }
  void Skip(std::size_t n) { pos_ += n; }

 private:
  const unsigned char* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

void ReadFormat1(Reader& r, Calibration& c) {
  for (int ch = 0; ch < 2; ++ch) {
    for (int j = 0; j < 2; ++j)
      for (int k = 0; k < 8; ++k) r.Byte(&c.ob1[ch][j][k]);
    for (int j = 0; j < 2; ++j)
      for (int k = 0; k < 8; ++k)
        for (int v = 0; v < 256; ++v) r.Int16(&c.lin[ch][j][k][v]);
    for (int j = 0; j < 2; ++j)
      for (int k = 0; k < 8; ++k) r.Float(&c.fo1[ch][j][k]);
  }
  r.Float(&c.gain1[0]);
  r.Float(&c.gain1[1]);
}

void ReadFormat2(Reader& r, Calibration& c) {
  for (int j = 0; j < 2; ++j)
    for (int g = 0; g < 11; ++g)
      for (int ch = 0; ch < 2; ++ch) r.Byte(&c.ob2[ch][g][j]);
  for (int m = 0; m < 17; ++m)
    for (int j = 0; j < 2; ++j)
      for (int g = 0; g < 11; ++g)
        for (int ch = 0; ch < 2; ++ch) r.Float(&c.fo2[ch][g][m][j]);
  for (int g = 0; g < 11; ++g)
    for (int ch = 0; ch < 2; ++ch) r.Float(&c.gf2[ch][g]);
}

// Truncates toward zero and clamps to 0..255; NaN (a damaged table) gives 0.
int TruncClamp(double a) {
  if (!(a > 0.0)) return 0;
  if (a >= 255.0) return 255;
  return static_cast<int>(a);
}

}  // namespace

GainSetting MapGain(int gain_index) {
  if (gain_index < 0) gain_index = 0;
  if (gain_index <= 10) return {gain_index, kCode[gain_index], kStep[gain_index]};
  // Above 10 the index is the board code itself; only codes 0..7 exist.
  return {10, 7, 1};
}

uint16_t OffsetWord(const GainSetting& g1, const GainSetting& g2, int coupling1,
                    int coupling2) {
  const Calibration& c = Cal();
  const int j1 = BoardCoupling(coupling1) - 1;
  const int j2 = BoardCoupling(coupling2) - 1;
  int32_t o1, o2;
  if (c.format == 1) {
    o1 = c.ob1[0][j1][g1.code];
    o2 = c.ob1[1][j2][g2.code];
  } else {
    o1 = c.ob2[0][g1.index][j1];
    o2 = c.ob2[1][g2.index][j2];
  }
  if (c.use_override == 1) {
    o1 = c.override1;
    o2 = c.override2;
  }
  return static_cast<uint16_t>((o1 * 256 + o2) & 0xFFFF);
}

bool CorrectionOff() { return Cal().correction_off == 1; }

int CorrectSample(int channel, int raw, const GainSetting& g, int coupling, int divider) {
  const Calibration& c = Cal();
  const int ch = channel == 0 ? 0 : 1;
  const int j = BoardCoupling(coupling) - 1;
  const int m = divider < 0 ? 0 : (divider > 16 ? 16 : divider);
  if (c.format == 1) {
    const double a = (static_cast<double>(raw) - c.fo1[ch][j][g.code] - 128.0) *
                         (static_cast<double>(c.gain1[ch]) * g.step) +
                     128.0;
    const int clamped = TruncClamp(a);
    return clamped + c.lin[ch][j][g.code][clamped];
  }
  if (c.format == 2) {
    const double a = (static_cast<double>(raw) + c.fo2[ch][g.index][m][j] - 128.0) *
                         (g.step * static_cast<double>(c.gf2[ch][g.index])) +
                     128.0;
    return TruncClamp(a);
  }
  // No calibration loaded: unit gain, no offset, the step factor still applied
  // so that the digital gain steps keep their sensitivity.
  return (raw - 128) * g.step + 128;
}

}  // namespace orva::board

using orva::board::Cal;

extern "C" {

ORVABOARD_API int16_t kt2_calibra(const char* directory) {
  if (directory == nullptr) return -1;
  const std::size_t len = strnlen(directory, ORVABOARD_MAX_PATH);
  if (len >= ORVABOARD_MAX_PATH) return -1;
  std::string path(directory, len);
  if (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.back() = '/';
  else path += '/';
  path += "cal.dat";
  if (path.size() + 1 > ORVABOARD_MAX_PATH) return -1;

  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return -1;
  // The largest known layout plus the header; anything after it is not read.
  static unsigned char buffer[orva::board::kFormat1Size];
  const std::size_t got = std::fread(buffer, 1, sizeof buffer, f);
  std::fclose(f);

  orva::board::Reader r(buffer, got);
  float version = 0.0f;
  r.Float(&version);
  if (got < 4) return 0;  // no readable version: nothing is loaded
  r.Skip(28);
  auto& c = Cal();
  if (version == 1.0f) {
    c.format = 1;
    orva::board::ReadFormat1(r, c);
  } else if (version == 2.0f) {
    c.format = 2;
    orva::board::ReadFormat2(r, c);
  }
  static_assert(orva::board::kFormat2Size < orva::board::kFormat1Size);
  return 0;
}

ORVABOARD_API void canvia_offset(int16_t offset1, int16_t offset2) {
  Cal().override1 = offset1;
  Cal().override2 = offset2;
}

ORVABOARD_API void aplica_calibracion_especial(int16_t flag) { Cal().use_override = flag; }

ORVABOARD_API void no_calibrar_ganancia(int16_t flag) { Cal().correction_off = flag; }

ORVABOARD_API void CorrigeGanancia(int16_t channel, double factor) {
  // A finite factor beyond the float range becomes an infinity rather than an
  // undefined conversion.
  float f;
  if (std::isfinite(factor) && std::fabs(factor) > 3.4028234663852886e38) {
    f = std::copysign(HUGE_VALF, static_cast<float>(factor > 0 ? 1 : -1));
  } else {
    f = static_cast<float>(factor);
  }
  Cal().gain1[channel == 1 ? 0 : 1] = f;
}

ORVABOARD_API void canvia_gain(float value1, float value2) {
  Cal().spare[0] = value1;
  Cal().spare[1] = value2;
}

}  // extern "C"
