// The instrument's board calls, made through the board library's exports.
#include "orva/scope/board_calls.h"

#include "orvaboard.h"

namespace orva::scope {

namespace {

class LibraryBoardCalls final : public BoardCalls {
 public:
  std::int16_t Configuracio(std::int16_t base, const char* folder) override {
    return kt2_configuracio(base, folder);
  }

  std::int16_t OscilNew(const OscilNewArgs& a) override {
    // Two by-reference values the library ignores; they start at 0.
    std::int16_t ignored1 = 0;
    std::int16_t ignored2 = 0;
    return kt2_oscil_new(a.canal_disparo, a.acoplamiento1, a.acoplamiento2, &ignored1, &ignored2,
                         a.ganancia1, a.ganancia2, a.cuenta_a, a.cuenta_b, a.nivel, a.flanco,
                         a.periodo, a.reservado, a.modo, a.disparo_externo);
  }

  std::int16_t FinDeCaptura() override { return comprueba_fin_de_captura(); }

  void LeeLaMemoria(const LeeLaMemoriaArgs& a, std::uint8_t* canal1, std::uint8_t* canal2,
                    std::int32_t capacity) override {
    // The library writes cuenta_a + cuenta_b bytes per channel: refuse anything
    // the caller's buffers cannot hold.
    const std::int64_t written = static_cast<std::int64_t>(a.cuenta_a) + a.cuenta_b;
    if (a.cuenta_a < 0 || a.cuenta_b < 0 || written > capacity) return;
    std::int16_t clipped1 = 0;
    std::int16_t clipped2 = 0;
    lee_la_memoria(a.cuenta_a, a.cuenta_b, a.salto, canal1, canal2, a.canal_disparo, a.nivel,
                   a.flanco, a.ganancia1, a.ganancia2, &clipped1, &clipped2, a.acoplamiento1,
                   a.acoplamiento2);
  }
};

}  // namespace

std::unique_ptr<BoardCalls> MakeLibraryBoardCalls() { return std::make_unique<LibraryBoardCalls>(); }

}  // namespace orva::scope
