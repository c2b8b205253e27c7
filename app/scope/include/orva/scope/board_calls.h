// The instrument's four calls into the board library, behind an interface so
// that the acquisition cycle can be exercised with a recording stand-in as well
// as with the real library (real ports, or the simulated board selected by
// ORVABOARD_SIM). The argument records list the arguments in call order with
// the widths the board library takes.
#pragma once

#include <cstdint>
#include <memory>

namespace orva::scope {

struct OscilNewArgs {
  std::int16_t canal_disparo = 0;   // trigger channel 1 or 2
  std::int16_t acoplamiento1 = 0;   // coupling codes 0 GND, 1 DC, 2 AC
  std::int16_t acoplamiento2 = 0;
  std::int16_t ganancia1 = 0;       // gain indexes 0..10
  std::int16_t ganancia2 = 0;
  std::int32_t cuenta_a = 0;        // screen + post-trigger samples
  std::int16_t cuenta_b = 0;        // pre-trigger samples
  std::int16_t nivel = 0;           // 255 - trigger level (the board's sense)
  std::int16_t flanco = 0;          // 0 rising, 1 falling
  float periodo = 0.0f;             // sample period, seconds
  std::int32_t reservado = 10000;   // fixed value the board library ignores
  std::int16_t modo = 0;            // 0 Single, 1 Normal, 2 Auto, 3 untriggered
  std::int16_t disparo_externo = 0; // one byte: non-zero selects the external trigger
};

struct LeeLaMemoriaArgs {
  std::int32_t cuenta_a = 0;        // screen + post-trigger samples
  std::int16_t cuenta_b = 0;        // pre-trigger samples
  std::int16_t salto = 0;           // screen + post-trigger samples again
  std::int16_t canal_disparo = 0;
  std::int16_t nivel = 0;           // trigger level, one byte, not inverted
  std::int16_t flanco = 0;
  std::int16_t ganancia1 = 0;
  std::int16_t ganancia2 = 0;
  std::int16_t acoplamiento1 = 0;
  std::int16_t acoplamiento2 = 0;
};

class BoardCalls {
 public:
  virtual ~BoardCalls() = default;
  virtual std::int16_t Configuracio(std::int16_t base, const char* folder) = 0;
  virtual std::int16_t OscilNew(const OscilNewArgs& args) = 0;
  // 256 when the capture has ended.
  virtual std::int16_t FinDeCaptura() = 0;
  // Fills cuenta_a + cuenta_b bytes of each buffer; the buffers must hold
  // capacity bytes each, and the implementation never writes beyond that.
  virtual void LeeLaMemoria(const LeeLaMemoriaArgs& args, std::uint8_t* canal1,
                            std::uint8_t* canal2, std::int32_t capacity) = 0;
};

// The calls into the board library itself (liborvaboard).
std::unique_ptr<BoardCalls> MakeLibraryBoardCalls();
// Calls that meet an empty bus: no board, no capture ever ends, nothing read
// (an instrument that only keeps settings and traces: stores, tools, tests).
std::unique_ptr<BoardCalls> MakeEmptyBusBoardCalls();

}  // namespace orva::scope
