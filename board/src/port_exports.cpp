// Port access exports, the port-driver check and the millisecond stopwatch.
#include "bus.h"
#include "board_state.h"
#include "orva/clock.h"
#include "orvaboard.h"
#include "stopwatch.h"

namespace orva::board {

namespace {

struct Stopwatch {
  bool manual = false;
  std::int64_t manual_frequency = 0;
  std::int64_t manual_count = 0;
  std::int64_t frequency = 0;  // 0 until InicializaTemporizador ran
  std::int64_t start = 0;
};

Stopwatch& watch() {
  static Stopwatch w;
  return w;
}

std::int64_t CounterFrequency() {
  const Stopwatch& w = watch();
  return w.manual ? w.manual_frequency : orva::clock::MonotonicFrequency();
}

std::int64_t CounterNow() {
  const Stopwatch& w = watch();
  return w.manual ? w.manual_count : orva::clock::MonotonicCount();
}

}  // namespace

void UseManualStopwatchCounter(std::int64_t frequency) {
  watch().manual = true;
  watch().manual_frequency = frequency;
  watch().manual_count = 0;
}
void SetManualStopwatchCounter(std::int64_t count) { watch().manual_count = count; }
void UseSystemStopwatchCounter() { watch().manual = false; }

}  // namespace orva::board

using orva::board::CurrentBus;
using orva::board::port_read16;
using orva::board::port_read8;
using orva::board::port_write16;
using orva::board::port_write8;

extern "C" {

ORVABOARD_API int16_t DLL_IN(int32_t port) {
  return port_read8(static_cast<uint16_t>(port));
}

ORVABOARD_API int16_t DLL_IN16(int32_t port, uint8_t* high, uint8_t* low) {
  const uint16_t word = port_read16(static_cast<uint16_t>(port));
  if (high) *high = static_cast<uint8_t>(word >> 8);
  if (low) *low = static_cast<uint8_t>(word & 0xFF);
  return static_cast<int16_t>(word);
}

ORVABOARD_API int16_t DLL_OUT(int32_t port, int32_t value) {
  port_write8(static_cast<uint16_t>(port), static_cast<uint8_t>(value & 0xFF));
  return (value & 0xFF00) == 0 ? -1 : 0;
}

ORVABOARD_API int16_t DLL_OUT16(int32_t port, int32_t value) {
  port_write16(static_cast<uint16_t>(port), static_cast<uint16_t>(value & 0xFFFF));
  return (static_cast<uint32_t>(value) & 0xFFFF0000u) == 0 ? -1 : 0;
}

ORVABOARD_API int16_t DLLINP8(int16_t port) { return port_read8(static_cast<uint16_t>(port)); }

ORVABOARD_API int16_t DLLINP16(int16_t port) {
  return static_cast<int16_t>(port_read16(static_cast<uint16_t>(port)));
}

ORVABOARD_API void DLLOUT8(int16_t port, int16_t value) {
  port_write8(static_cast<uint16_t>(port), static_cast<uint8_t>(value & 0xFF));
}

ORVABOARD_API void DLLOUT16(int16_t port, int16_t value) {
  port_write16(static_cast<uint16_t>(port), static_cast<uint16_t>(value));
}

// The outside port driver's request (access to the board's range) must answer
// 0; a success is followed by its release, so the check leaves nothing held.
ORVABOARD_API int16_t CompruebaDriverX(void) {
  const uint16_t base = orva::board::State().base;
  orva::board::Bus& bus = CurrentBus();
  if ((bus.RequestAccess(base, 11) & 0xFFFF) != 0) return 0;
  bus.ReleaseAccess(base, 11);
  return 1;
}

ORVABOARD_API uint8_t InicializaTemporizador(void) {
  auto& w = orva::board::watch();
  const int64_t frequency = orva::board::CounterFrequency();
  if (frequency <= 0) return 0;  // no counter: the stopwatch stays as it was
  w.frequency = frequency;
  w.start = orva::board::CounterNow();
  return 0;
}

ORVABOARD_API int64_t TiempoTranscurrido(void) {
  const auto& w = orva::board::watch();
  // Difference with wrap-around (borrow), as the counter is free-running.
  const int64_t diff = static_cast<int64_t>(static_cast<uint64_t>(orva::board::CounterNow()) -
                                            static_cast<uint64_t>(w.start));
  return orva::clock::CountsToMilliseconds(diff, w.frequency);
}

}  // extern "C"
