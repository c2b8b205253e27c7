// The instrument as the fuzz targets host it: no board behind its board calls
// (the targets read files and records, and run the demonstration source), a
// clock that stands still, and a clipboard that keeps what it is given.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "orva/scope/osciloscopio.h"

namespace orva::fuzz {

class NoBoard final : public scope::BoardCalls {
 public:
  std::int16_t Configuracio(std::int16_t, const char*) override { return 0; }
  std::int16_t OscilNew(const scope::OscilNewArgs&) override { return 1; }
  std::int16_t FinDeCaptura() override { return 256; }
  void LeeLaMemoria(const scope::LeeLaMemoriaArgs&, std::uint8_t*, std::uint8_t*,
                    std::int32_t) override {}
};

class KeptClipboard final : public scope::Portapapeles {
 public:
  void Clear() override { text.clear(); }
  void SetText(const std::string& t) override { text = t; }
  void SetPicture(const std::shared_ptr<const scope::ScreenPicture>&) override {}
  std::string text;
};

inline std::unique_ptr<scope::Osciloscopio> MakeInstrument() {
  return std::make_unique<scope::Osciloscopio>(std::make_unique<NoBoard>(), [] { return 1000.0; });
}

}  // namespace orva::fuzz
