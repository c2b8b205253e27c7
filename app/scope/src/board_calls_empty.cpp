// Board calls that meet an empty bus: no board recognised, no capture ever
// ends, nothing read.
#include "orva/scope/board_calls.h"

namespace orva::scope {

namespace {

class NoBoardCalls final : public BoardCalls {
 public:
  std::int16_t Configuracio(std::int16_t, const char*) override { return 0; }
  std::int16_t OscilNew(const OscilNewArgs&) override { return 1; }
  std::int16_t FinDeCaptura() override { return 0; }
  void LeeLaMemoria(const LeeLaMemoriaArgs&, std::uint8_t*, std::uint8_t*, std::int32_t) override {}
};

}  // namespace

std::unique_ptr<BoardCalls> MakeEmptyBusBoardCalls() { return std::make_unique<NoBoardCalls>(); }

}  // namespace orva::scope
