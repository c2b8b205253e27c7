// Fixed tables of the instrument: timebase, vertical gain, trigger mode and
// coupling selector. They are constant data, built at compile time, and never
// change. Every lookup here clamps its index to the table, so no caller can
// read outside a table whatever index it holds (a stored setting may be out of
// range, because stored settings are loaded without clamping):
//   - timebase rows: indexes below 0 give row 0, above 20 give row 20 (row 21
//     exists only as the unused all-zero row and is never returned by
//     TimebaseRow());
//   - gain rows: below 0 give row 0 (50 V/div), above 10 give row 10 (20 mV/div);
//   - trigger-mode texts: codes outside 0..2 give the empty text;
//   - coupling texts: codes outside 0..2 give the empty text.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace orva::scope {

// One timebase step. Counts are board samples; rates in Hz; times in seconds.
struct TimebaseRow {
  std::string_view text;          // e.g. "5us/Div"
  double base_tiempos_div;        // seconds per division
  double tiempo_estimado;         // capture time-out, seconds
  std::int32_t muestras_extra_pre;  // guard samples before the pre-trigger screen
  std::int32_t muestras_pre;        // one screen of samples before the screen
  std::int32_t muestras;            // one screen of samples
  std::int32_t muestras_pos;        // one screen of samples after the screen
  std::int32_t muestras_extra_pos;  // guard samples after the post-trigger screen
  double fm_placa;                // board clock divider exponent: 40 MHz / 2^fm_placa
  double fm_equivalente;          // display sample rate, 25.6 / base_tiempos_div
  double orden_interpolacion;     // interpolation order handed to Sigdex1 (0: skipped)
  double orden_diezmado;          // decimation ratio handed to Sigdex1 (0: skipped)
};

inline constexpr int kTimebaseRows = 22;        // 0..21; row 21 is all zero
inline constexpr int kTimebaseLastIndex = 20;   // last selectable row
inline constexpr int kTimebaseFirstSelectable = 2;  // 50 ns/div
inline constexpr double kBoardBaseClockHz = 40000000.0;

inline constexpr std::array<TimebaseRow, kTimebaseRows> kTimebaseTable{{
    {"10ns/Div", 1e-08, 0.1, 2, 4, 4, 4, 2, 0, 2560000000.0, 64, 0},
    {"20ns/Div", 2e-08, 0.1, 4, 8, 8, 8, 4, 0, 1280000000.0, 32, 0},
    {"50ns/Div", 5e-08, 0.1, 10, 20, 20, 20, 58, 0, 512000000.0, 32, 2.5},
    {"100ns/Div", 1e-07, 0.1, 20, 40, 40, 40, 116, 0, 256000000.0, 8, 1.25},
    {"200ns/Div", 2e-07, 0.1, 40, 80, 80, 80, 232, 0, 128000000.0, 4, 1.25},
    {"500ns/Div", 5e-07, 0.1, 100, 200, 200, 200, 324, 0, 51200000.0, 2, 1.5625},
    {"1us/Div", 1e-06, 0.1, 48, 400, 400, 400, 48, 0, 25600000.0, 0, 1.5625},
    {"2us/Div", 2e-06, 0.1, 96, 800, 800, 800, 96, 0, 12800000.0, 0, 3.125},
    {"5us/Div", 5e-06, 0.1, 240, 2000, 2000, 2000, 340, 0, 5120000.0, 0, 7.8125},
    {"10us/Div", 1e-05, 0.1, 240, 2000, 2000, 2000, 340, 1, 2560000.0, 0, 7.8125},
    {"20us/Div", 2e-05, 0.1, 120, 2000, 2000, 2000, 220, 2, 1280000.0, 0, 7.8125},
    {"50us/Div", 5e-05, 0.1, 0, 1250, 1250, 1250, 0, 4, 512000.0, 0, 4.8828125},
    {"100us/Div", 0.0001, 0.1, 0, 1250, 1250, 1250, 0, 5, 256000.0, 0, 4.8828125},
    {"200us/Div", 0.0002, 0.5, 0, 1250, 1250, 1250, 0, 6, 128000.0, 0, 4.8828125},
    {"500us/Div", 0.0005, 0.5, 0, 1562, 1562, 1562, 0, 7, 51200.0, 0, 6.103515625},
    {"1ms/Div", 0.001, 0.5, 0, 1562, 1562, 1562, 0, 8, 25600.0, 0, 6.103515625},
    {"2ms/Div", 0.002, 0.5, 0, 1562, 1562, 1562, 0, 9, 12800.0, 0, 6.103515625},
    {"5ms/Div", 0.005, 1.15, 0, 1953, 1953, 1953, 0, 10, 5120.0, 0, 7.629296875},
    {"10ms/Div", 0.01, 1.307, 0, 1953, 1953, 1953, 0, 11, 2560.0, 0, 7.629296875},
    {"20ms/Div", 0.02, 1.61, 0, 1953, 1953, 1953, 0, 12, 1280.0, 0, 7.629296875},
    // The slowest step divides the clock by 2^14 (not 2^13).
    {"50ms/Div", 0.05, 2.47, 0, 1221, 1221, 1221, 0, 14, 512.0, 0, 4.768371},
    {"", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
}};

struct GainRow {
  float volts_per_div;
  std::string_view text;
};

inline constexpr int kGainRows = 11;  // 0..10; 10 is the most sensitive
inline constexpr std::array<GainRow, kGainRows> kGainTable{{
    {50.0f, "50V/div"},
    {20.0f, "20V/div"},
    {10.0f, "10V/div"},
    {5.0f, "5V/div"},
    {2.0f, "2V/div"},
    {1.0f, "1V/div"},
    {0.5f, "0.5V/div"},
    {0.2f, "0.2V/div"},
    {0.1f, "0.1V/div"},
    {0.05f, "50mV/div"},
    {0.02f, "20mV/div"},
}};

// Trigger-mode codes (code equals table index) and the untriggered code sent to
// the board while a free-running capture is forced.
inline constexpr std::int16_t kModoSingle = 0;
inline constexpr std::int16_t kModoNormal = 1;
inline constexpr std::int16_t kModoAuto = 2;
inline constexpr std::int16_t kModoSinDisparo = 3;
inline constexpr std::array<std::string_view, 3> kTriggerModeTable{"Single", "Normal", "Auto"};

// Coupling codes used everywhere, and the two-row selector table (DC, AC).
inline constexpr std::int16_t kAcoplamientoGND = 0;
inline constexpr std::int16_t kAcoplamientoDC = 1;
inline constexpr std::int16_t kAcoplamientoAC = 2;
struct CouplingSelectorRow {
  std::int16_t code;
  std::string_view text;
};
inline constexpr std::array<CouplingSelectorRow, 2> kCouplingSelectorTable{{{1, "DC"}, {2, "AC"}}};

// Clamped lookups (see the header comment).
constexpr int ClampTimebaseIndex(int k) {
  return k < 0 ? 0 : (k > kTimebaseLastIndex ? kTimebaseLastIndex : k);
}
constexpr const TimebaseRow& Timebase(int k) { return kTimebaseTable[ClampTimebaseIndex(k)]; }
constexpr int ClampGainIndex(int g) { return g < 0 ? 0 : (g > kGainRows - 1 ? kGainRows - 1 : g); }
constexpr const GainRow& Gain(int g) { return kGainTable[ClampGainIndex(g)]; }
constexpr std::string_view TriggerModeText(int code) {
  return code >= 0 && code < 3 ? kTriggerModeTable[code] : std::string_view{};
}
constexpr std::string_view CouplingText(int code) {
  switch (code) {
    case kAcoplamientoGND: return "GND";
    case kAcoplamientoDC: return "DC";
    case kAcoplamientoAC: return "AC";
    default: return {};
  }
}

}  // namespace orva::scope
