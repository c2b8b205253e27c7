// The simulated board's signal grammar (the ORVABOARD_SIM_SIGNALS text): the
// input is the text. A text that parses is put on both inputs of the
// simulated board and one untriggered capture of 512 samples per channel is
// read back through the board library (channel 1 DC at 5 V/div, channel 2 AC
// at 20 mV/div), so that every number the grammar accepts also goes through
// the signal model and the code conversion. A refused text must leave both
// signals as they were and say why.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "orvaboard.h"
#include "orvaboard_sim.h"

namespace {

namespace sim = orva::board::sim;

constexpr int kSamples = 512;
constexpr std::uint8_t kGainIndex1 = 3;   // 5 V/div
constexpr std::uint8_t kGainIndex2 = 10;  // 20 mV/div

struct Setup {
  Setup() {
    sim::InstallSimulatedBoard(sim::Model::kKtr5);
    sim::SetInstantCaptures(true);
    if (kt2_configuracio(ORVABOARD_DEFAULT_BASE, nullptr) != TIPO_KTR5) {
      std::fprintf(stderr, "sim_signals: the simulated board was not identified\n");
      std::abort();
    }
    // Untriggered (mode-3 flag), 1.25 MHz.
    kt2_programa_placa(1, kSamples, 0, 1.25e6f, 128, 0, 1, kGainIndex1, kGainIndex2, 1, 2, 0, 0);
  }
};

bool Same(const sim::Signal& a, const sim::Signal& b) {
  return a.kind == b.kind && a.frequency == b.frequency && a.amplitude == b.amplitude &&
         a.offset == b.offset && a.noise == b.noise;
}

[[noreturn]] void Fault(const char* what) {
  std::fprintf(stderr, "sim_signals: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Setup setup;
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  sim::Signal ch1, ch2;
  ch1.kind = sim::Signal::Kind::kTriangle;
  ch1.frequency = 7.0;
  ch2 = ch1;
  const sim::Signal before = ch1;
  std::string error;
  if (!sim::ParseSignals(text, &ch1, &ch2, &error)) {
    if (!Same(ch1, before) || !Same(ch2, before)) Fault("a refused text changed a signal");
    if (error.empty()) Fault("a refused text gave no reason");
    return 0;
  }
  sim::SetSignal(1, ch1);
  sim::SetSignal(2, ch2);
  std::uint8_t out1[kSamples], out2[kSamples];
  std::int16_t clipped1 = 0, clipped2 = 0;
  lee_la_memoria(kSamples, 0, 0, out1, out2, 1, 0, 0, kGainIndex1, kGainIndex2, &clipped1,
                 &clipped2, 1, 2);
  return 0;
}
