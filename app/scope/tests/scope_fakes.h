// Test stand-ins for the instrument's board calls and clock.
#pragma once

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "orva/scope/osciloscopio.h"

namespace orva::scope::testing {

// Records every board call; the capture end and the read-back bytes are set by
// the test.
struct BoardLog {
  std::vector<std::pair<std::int16_t, std::string>> configuracio;
  std::vector<OscilNewArgs> oscil_new;
  int polls = 0;
  std::vector<LeeLaMemoriaArgs> reads;
  std::int16_t fin = 0;              // what comprueba_fin_de_captura answers
  std::int16_t board_type = 5;       // what kt2_configuracio answers
  std::vector<std::uint8_t> canal1;  // what lee_la_memoria delivers
  std::vector<std::uint8_t> canal2;
};

class RecordingBoard final : public BoardCalls {
 public:
  explicit RecordingBoard(std::shared_ptr<BoardLog> log) : log_(std::move(log)) {}
  std::int16_t Configuracio(std::int16_t base, const char* folder) override {
    log_->configuracio.emplace_back(base, folder ? folder : "");
    return log_->board_type;
  }
  std::int16_t OscilNew(const OscilNewArgs& args) override {
    log_->oscil_new.push_back(args);
    return 1;
  }
  std::int16_t FinDeCaptura() override {
    ++log_->polls;
    return log_->fin;
  }
  void LeeLaMemoria(const LeeLaMemoriaArgs& a, std::uint8_t* c1, std::uint8_t* c2,
                    std::int32_t capacity) override {
    log_->reads.push_back(a);
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(a.cuenta_a + a.cuenta_b),
                                                static_cast<std::size_t>(capacity));
    for (std::size_t i = 0; i < n; ++i) {
      c1[i] = i < log_->canal1.size() ? log_->canal1[i] : 128;
      c2[i] = i < log_->canal2.size() ? log_->canal2[i] : 128;
    }
  }

 private:
  std::shared_ptr<BoardLog> log_;
};

// A clock the test moves by hand (seconds).
struct ManualClock {
  std::shared_ptr<double> now = std::make_shared<double>(1000.0);
  MonotonicClock Fn() const {
    auto p = now;
    return [p] { return *p; };
  }
  void Advance(double s) const { *now += s; }
};

// An instrument wired to a recording board and a manual clock, at run time.
struct Rig {
  std::shared_ptr<BoardLog> log = std::make_shared<BoardLog>();
  ManualClock clock;
  std::unique_ptr<Osciloscopio> osc;
  Rig() { osc = std::make_unique<Osciloscopio>(std::make_unique<RecordingBoard>(log), clock.Fn()); }
};

}  // namespace orva::scope::testing
