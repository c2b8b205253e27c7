// Board identification, capture programming and readout, and the three model
// families built on them.
#include <algorithm>
#include <cstdint>

#include "board_state.h"
#include "bus.h"
#include "calibration.h"
#include "orvaboard.h"

namespace orva::board {

BoardState& State() {
  static BoardState s;
  return s;
}

namespace {

// Gain code bits go to the board reversed and shifted left by one.
constexpr uint8_t kPerm[8] = {0, 8, 4, 12, 2, 10, 6, 14};

// Counted pause between register writes: the board needs time, and the delay
// is an iteration count, not a timed wait. volatile keeps the loop.
void Pause(int32_t iterations) {
  volatile int32_t counter = 0;
  for (int32_t i = 0; i < iterations; ++i) counter = i;
  (void)counter;
}

constexpr int32_t kWritePause = 10000;
constexpr int32_t kPollPause = 1000;
constexpr int32_t kReadyAttempts = 1000000;

void Write8(int reg, uint8_t v) {
  port_write8(State().port[reg], v);
  Pause(kWritePause);
}

// Work buffers of one corrected readout (one per channel), and the scratch
// channel of the smaller model's readout.
uint8_t g_work1[ORVABOARD_MAX_SAMPLES];
uint8_t g_work2[ORVABOARD_MAX_SAMPLES];
uint8_t g_ktr4_scratch[ORVABOARD_KTR4_SCRATCH];

// count samples of the selected channel: each read of B+8 is stored inverted
// at the mirrored position, then the strobe advances the board's memory.
void ReadChannel(uint8_t* buffer, int32_t count) {
  const BoardState& s = State();
  for (int32_t j = 0; j < count; ++j) {
    const uint16_t word = port_read16(s.port[8]);
    buffer[count - 1 - j] = static_cast<uint8_t>(255 - (word & 0xFF));
    port_write8(s.port[4], 0);
  }
}

// Raw readout in the three modes of the board; count is at least 1.
void RawReadout(int mode, int32_t count, uint8_t* b1, uint8_t* b2) {
  const BoardState& s = State();
  switch (mode) {
    case 1:
      if (!b1) return;
      port_write8(s.port[2], 2);
      port_write8(s.port[6], 9);
      ReadChannel(b1, count);
      break;
    case 2:
      if (!b2) return;
      port_write8(s.port[2], 0);
      port_write8(s.port[6], 8);
      ReadChannel(b2, count);
      break;
    case 3:
      if (b1) {
        port_write8(s.port[2], 2);
        port_write8(s.port[6], 9);
        ReadChannel(b1, count);
      }
      if (b2) {
        port_write8(s.port[2], 0);
        port_write8(s.port[6], 0);
        port_write8(s.port[4], 0);
        ReadChannel(b2, count);
      }
      break;
    default:
      break;
  }
}

uint8_t CorrectAndClip(int channel, uint8_t raw, const GainSetting& g, int coupling,
                       int16_t* clipped) {
  int v = raw;
  if (coupling != 0 && !CorrectionOff()) v = CorrectSample(channel, raw, g, coupling, State().divider);
  if (v <= 0) {
    v = 0;
    *clipped = 1;
  } else if (v >= 255) {
    v = 255;
    *clipped = 1;
  }
  if (coupling == 0) v = 128;
  return static_cast<uint8_t>(v);
}

int16_t Identify(uint16_t base, const char* directory) {
  BoardState& s = State();
  s.SetBase(base);
  const int i1 = port_read8(s.port[2]);
  const int i2 = port_read8(s.port[5]);
  const int i3 = port_read8(s.port[10]);
  int16_t type = 0;
  float clock = 0.0f;
  if (i1 == 9 && i2 == 249) {
    type = TIPO_KTR2, clock = 40e6f;
  } else if (i1 == 91 && i2 == 240) {
    type = TIPO_KTR1, clock = 40e6f;
  } else if (i1 == 128 && (i2 == 180 || i2 == 164) && (i3 == 4 || i3 == 0)) {
    type = TIPO_KTR4, clock = 50e6f;
  } else if (i1 == 129 && (i2 == 181 || i2 == 177) && (i3 == 5 || i3 == 0)) {
    type = TIPO_KTR5, clock = 50e6f;
  }
  if (type != 0) {
    s.type = type;
    s.clock = clock;
  }
  for (int i = 0; i < 16; ++i) s.fs[i] = s.clock / static_cast<float>(1 << i);
  if (type != 0 && directory != nullptr) kt2_calibra(directory);
  return type;
}

}  // namespace

}  // namespace orva::board

using namespace orva::board;

extern "C" {

ORVABOARD_API int16_t kt2_configuracio(int16_t base, const char* directory) {
  return Identify(static_cast<uint16_t>(base), directory);
}

ORVABOARD_API int16_t kt2_programa_placa(uint8_t trigger_channel, int32_t count_a,
                                         uint32_t count_b, float rate, uint8_t level,
                                         uint8_t slope, uint8_t mode3_flag, uint8_t gain1,
                                         uint8_t gain2, uint8_t coupling1, uint8_t coupling2,
                                         uint8_t bit2_flag, uint8_t external_trigger) {
  BoardState& s = State();
  const GainSetting g1 = MapGain(gain1);
  const GainSetting g2 = MapGain(gain2);

  const uint32_t depth = count_b + (count_b < 8000u ? 30u : 0u);
  const uint32_t position = 8192u - depth;  // only the low 16 bits reach the board

  int k = 15;
  for (int i = 0; i <= 14; ++i) {
    if (rate > s.fs[i + 1]) {
      k = i;
      break;
    }
  }
  s.divider = static_cast<int16_t>(k);

  const uint8_t control = static_cast<uint8_t>(
      (external_trigger * 8 + slope * 32 + mode3_flag * 64 + bit2_flag * 4 +
       (trigger_channel == 1 ? 2 : 0)) &
      0xFF);

  const int u1 = BoardCoupling(coupling1);
  const int u2 = BoardCoupling(coupling2);
  int gain_byte;
  if (s.type == TIPO_KTR2 || s.type == TIPO_KTR1) {
    gain_byte = kPerm[g2.code] + 16 * kPerm[g1.code];
  } else {
    gain_byte = (u2 - 1) + kPerm[g2.code] + 16 * ((u1 - 1) + kPerm[g1.code]);
  }

  port_write16(s.port[0], OffsetWord(g1, g2, u1, u2));
  Pause(kWritePause);
  Write8(9, static_cast<uint8_t>(count_a & 0xFF));
  Write8(1, static_cast<uint8_t>((count_a >> 8) & 0xFF));
  Write8(2, control);
  Write8(9, static_cast<uint8_t>(position & 0xFF));
  Write8(1, static_cast<uint8_t>((position >> 8) & 0xFF));
  Write8(6, trigger_channel == 1 ? 1 : 0);
  Write8(7, static_cast<uint8_t>(gain_byte & 0xFF));
  Write8(3, static_cast<uint8_t>(k));
  Write8(5, level);
  return 1;
}

ORVABOARD_API int16_t kt2_oscil_new(int16_t trigger_channel, int16_t coupling1,
                                    int16_t coupling2, int16_t* /*ignored1*/,
                                    int16_t* /*ignored2*/, int16_t gain1, int16_t gain2,
                                    int32_t count_a, int16_t count_b, int16_t level,
                                    int16_t slope, float period, int32_t /*ignored3*/,
                                    int16_t trigger_mode, int16_t external_trigger) {
  const float rate = 1.0f / period;
  // Byte arguments take the low byte, as the register fields are bytes; gains
  // outside 0..255 are clamped so that a negative index stays the least
  // sensitive one instead of wrapping to a large code.
  auto byte = [](int16_t v) { return static_cast<uint8_t>(v & 0xFF); };
  auto gain = [](int16_t v) { return static_cast<uint8_t>(std::clamp<int>(v, 0, 255)); };
  auto coupling = [](int16_t v) { return static_cast<uint8_t>(v == 0 ? 0 : (v == 2 ? 2 : 1)); };
  for (int pass = 0; pass < 2; ++pass) {
    kt2_programa_placa(byte(trigger_channel), count_a, static_cast<uint16_t>(count_b), rate,
                       byte(level), byte(slope), trigger_mode == 3 ? 1 : 0, gain(gain1),
                       gain(gain2), coupling(coupling1), coupling(coupling2), 0,
                       byte(external_trigger));
  }
  return 1;
}

ORVABOARD_API int16_t comprueba_fin_de_captura(void) {
  return static_cast<int16_t>(port_read16(State().port[8]) & 0x100);
}

ORVABOARD_API int16_t kt2_lectura_memo(uint8_t mode, int16_t count, uint8_t* buffer1,
                                       uint8_t* buffer2) {
  if (count < 1) return 0;
  RawReadout(mode, count, buffer1, buffer2);
  return 0;
}

ORVABOARD_API int16_t lee_la_memoria(int32_t count_a, int16_t count_b, int16_t skip,
                                     uint8_t* out1, uint8_t* out2, int16_t trigger_channel,
                                     int16_t /*ignored1*/, int16_t /*ignored2*/, int16_t gain1,
                                     int16_t gain2, int16_t* clipped1, int16_t* clipped2,
                                     int16_t coupling1, int16_t coupling2) {
  int16_t flag1 = 0, flag2 = 0;
  if (clipped1) *clipped1 = 0;
  if (clipped2) *clipped2 = 0;
  const int64_t b = static_cast<uint16_t>(count_b);
  const int64_t m = static_cast<int64_t>(count_a) + b;  // samples handed back
  const int64_t n = m + skip;                           // samples read
  if (count_a < 0 || skip < 0 || m < 1 || n > ORVABOARD_MAX_SAMPLES || !out1 || !out2) return 0;

  const GainSetting g1 = MapGain(gain1);
  const GainSetting g2 = MapGain(gain2);
  const int32_t total = static_cast<int32_t>(n);
  RawReadout(3, total, g_work1, g_work2);

  // Seam difference between two samples a fixed distance apart; the indexes
  // are 16-bit, and a pair that falls outside the samples just read gives 0.
  const int32_t q = (total / 256) * 3;
  int32_t i1, i2;
  const uint8_t* w;
  if (trigger_channel == 1) {
    i1 = static_cast<int16_t>(q + b + 256);
    i2 = static_cast<int16_t>(b + 256);
    w = g_work1;
  } else {
    i1 = static_cast<int16_t>(count_a - q + skip - 256);
    i2 = static_cast<int16_t>(count_a + skip - 256);
    w = g_work2;
  }
  int32_t d = 0;
  if (i1 >= 0 && i1 < total && i2 >= 0 && i2 < total) d = w[i1] - w[i2];
  if (d > 7 || d < -7) d = 0;

  for (int32_t i = skip; i < total; ++i) {
    out1[i - skip] = CorrectAndClip(0, g_work1[i], g1, coupling1, &flag1);
  }
  for (int32_t i = 0; i < m; ++i) {
    out2[i] = CorrectAndClip(1, g_work2[m - 1 - i], g2, coupling2, &flag2);
  }
  if (clipped1) *clipped1 = flag1;
  if (clipped2) *clipped2 = flag2;
  return static_cast<int16_t>(d);
}

ORVABOARD_API int16_t lee_vector(int32_t /*ignored*/, uint8_t* buffer) {
  const uint16_t status = State().port[8];
  for (int32_t attempt = 0; attempt < kReadyAttempts; ++attempt) {
    const uint16_t word = port_read16(status);
    Pause(kPollPause);
    if (word & 0x400) {
      if (buffer) buffer[0] = static_cast<uint8_t>(word & 0xFF);
      return -1;
    }
  }
  return 0;
}

ORVABOARD_API int16_t KTR5_Init(int16_t base, const char* directory) {
  const bool found = kt2_configuracio(base, directory) == TIPO_KTR5;
  State().ktr5 = found;
  return found ? TIPO_KTR5 : 0;
}

ORVABOARD_API int16_t KTR5_Program(int16_t coupling1, int16_t coupling2, int16_t gain1,
                                   int16_t gain2, int32_t rate, uint8_t level,
                                   int16_t trigger_mode, int32_t count_a, int16_t count_b,
                                   int16_t slope, int16_t trigger_channel,
                                   uint8_t external_trigger) {
  BoardState& s = State();
  if (!s.ktr5) return 0;
  s.ktr5_settings = FamilySettings{coupling1, coupling2,    gain1,   gain2,
                                   rate,      level,        trigger_mode, count_a,
                                   count_b,   slope,        trigger_channel, external_trigger};
  const float period = static_cast<float>(1.0 / static_cast<double>(rate));
  return kt2_oscil_new(trigger_channel, coupling1, coupling2, nullptr, nullptr, gain1, gain2,
                       count_a, count_b, level, slope, period, 10000, trigger_mode,
                       external_trigger);
}

ORVABOARD_API int16_t KTR5_EndOfcapture(void) { return comprueba_fin_de_captura(); }

ORVABOARD_API int16_t KTR5_ReadMemory(uint8_t* buffer1, uint8_t* buffer2) {
  const FamilySettings& f = State().ktr5_settings;
  int16_t scratch1 = 0, scratch2 = 0;
  return lee_la_memoria(f.count_a, f.count_b, 0, buffer1, buffer2, f.trigger_channel, f.level,
                        f.slope, f.gain1, f.gain2, &scratch1, &scratch2, f.coupling1,
                        f.coupling2);
}

ORVABOARD_API int16_t KTR4_Init(int16_t base, const char* directory) {
  const bool found = kt2_configuracio(base, directory) == TIPO_KTR4;
  State().ktr4 = found;
  return found ? TIPO_KTR4 : 0;
}

ORVABOARD_API int16_t KTR4_Program(int16_t coupling, int16_t gain, int32_t rate, uint8_t level,
                                   int16_t trigger_mode, int32_t count_a, int16_t count_b,
                                   int16_t slope, int16_t external_trigger) {
  BoardState& s = State();
  if (!s.ktr4) return 0;
  s.ktr4_settings = FamilySettings{coupling, coupling, gain,    gain,  rate,
                                   level,    trigger_mode, count_a, count_b, slope,
                                   1,        external_trigger};
  const float period = static_cast<float>(1.0 / static_cast<double>(rate));
  return kt2_oscil_new(1, coupling, coupling, nullptr, nullptr, gain, gain, count_a, count_b,
                       level, slope, period, 10000, trigger_mode, external_trigger);
}

ORVABOARD_API int16_t KTR4_EndOfcapture(void) { return comprueba_fin_de_captura(); }

ORVABOARD_API void KTR4_ReadMemory(uint8_t* buffer) {
  const FamilySettings& f = State().ktr4_settings;
  const int64_t m = static_cast<int64_t>(f.count_a) + static_cast<uint16_t>(f.count_b);
  if (buffer == nullptr || m > ORVABOARD_KTR4_SCRATCH) return;
  int16_t scratch1 = 0, scratch2 = 0;
  lee_la_memoria(f.count_a, f.count_b, 0, buffer, g_ktr4_scratch, f.trigger_channel, f.level,
                 f.slope, f.gain1, f.gain2, &scratch1, &scratch2, f.coupling1, f.coupling2);
}

ORVABOARD_API int16_t LW32Config(int16_t base, const char* directory) {
  return kt2_configuracio(base, directory);
}

ORVABOARD_API int16_t LW32Program(int16_t trigger_channel, int16_t coupling1,
                                  int16_t coupling2, int16_t gain1, int16_t gain2,
                                  int32_t count_a, int16_t count_b, int16_t level,
                                  int16_t slope, float period, int32_t ignored,
                                  int16_t trigger_mode, int16_t external_trigger) {
  return kt2_oscil_new(trigger_channel, coupling1, coupling2, nullptr, nullptr, gain1, gain2,
                       count_a, count_b, level, slope, period, ignored, trigger_mode,
                       external_trigger);
}

ORVABOARD_API int16_t LW32EndOfCapture(void) {
  return comprueba_fin_de_captura() == 256 ? 1 : 0;
}

ORVABOARD_API int16_t LW32lee_la_memoria(int32_t count_a, int16_t count_b, int16_t skip,
                                         uint8_t* out1, uint8_t* out2,
                                         int16_t trigger_channel, int16_t ignored1,
                                         int16_t ignored2, int16_t gain1, int16_t gain2,
                                         int16_t* clipped1, int16_t* clipped2,
                                         int16_t coupling1, int16_t coupling2) {
  return lee_la_memoria(count_a, count_b, skip, out1, out2, trigger_channel, ignored1, ignored2,
                        gain1, gain2, clipped1, clipped2, coupling1, coupling2);
}

}  // extern "C"
