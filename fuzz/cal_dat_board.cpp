// cal.dat as the board library reads it: the input is written as
// <folder>/cal.dat, loaded with kt2_calibra (version 1.0, 2.0, any other, any
// length), and one corrected readout of the simulated board then runs through
// the loaded tables.
//
// The library ignores header bytes 4..31, so the target takes the readout's
// settings from there, letting the fuzzer reach every table row:
//   byte 4, 5: gain index of channel 1, 2 (modulo 12: 11 is an index above 10)
//   byte 6:    coupling of channel 1 (bits 0-1) and channel 2 (bits 2-3)
// Missing bytes count as 0. The sample memory holds every code 0..255 on both
// channels, so each raw value passes the correction once. The capture is
// programmed once, at divider 5 (its offset-correction slot): a programming
// spends most of its time in the library's counted pauses between register
// writes, and would cut the executions tenfold.
//
// The library's tables are process-wide and a short file leaves what it does
// not reach as it was. So that an input behaves the same whatever ran before
// it, the layout an input only partly fills is first loaded from an all-zero
// file of that version; an input of another version (which loads nothing)
// meets the all-zero version-2 tables.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "orvaboard.h"
#include "orvaboard_sim.h"

namespace {

constexpr std::size_t kFormat1Size = 16584;
constexpr std::size_t kFormat2Size = 3156;
constexpr int kSamples = 256;

void WriteZeroFile(const std::string& folder, float version, std::size_t size) {
  std::vector<std::uint8_t> bytes(size, 0);
  static_assert(sizeof(float) == 4);
  std::memcpy(bytes.data(), &version, 4);  // little-endian host, as the file
  orva::fuzz::WriteWholeFile(folder, "cal.dat", bytes.data(), bytes.size());
}

struct Setup {
  std::string input = orva::fuzz::ScratchSubfolder("input");
  std::string zero1 = orva::fuzz::ScratchSubfolder("zero1");
  std::string zero2 = orva::fuzz::ScratchSubfolder("zero2");
  Setup() {
    namespace sim = orva::board::sim;
    sim::InstallSimulatedBoard(sim::Model::kKtr5);
    sim::SetInstantCaptures(true);
    if (kt2_configuracio(ORVABOARD_DEFAULT_BASE, nullptr) != TIPO_KTR5) {
      std::fprintf(stderr, "cal_dat_board: the simulated board was not identified\n");
      std::abort();
    }
    WriteZeroFile(zero1, 1.0f, kFormat1Size);
    WriteZeroFile(zero2, 2.0f, kFormat2Size);
    // Three quarters of the divider's own rate (50 MHz / 2^k) selects it.
    kt2_programa_placa(1, kSamples, 0, 50e6f / 32.0f * 0.75f, 128, 0, 1, 0, 0, 1, 1, 0, 0);
    ramp.resize(kSamples);
    for (int i = 0; i < kSamples; ++i) ramp[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    orva::board::sim::LoadCapture(ramp, ramp);
  }
  std::vector<std::uint8_t> ramp;
};

std::uint8_t HeaderByte(const std::uint8_t* data, std::size_t size, std::size_t i) {
  return i < size ? data[i] : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Setup setup;
  float version = 0.0f;
  if (size >= 4) std::memcpy(&version, data, 4);
  if (version == 1.0f) {
    if (size < kFormat1Size) kt2_calibra(setup.zero1.c_str());
  } else if (version != 2.0f || size < kFormat2Size) {
    kt2_calibra(setup.zero2.c_str());
  }
  orva::fuzz::WriteWholeFile(setup.input, "cal.dat", data, size);
  if (kt2_calibra(setup.input.c_str()) != 0) {
    std::fprintf(stderr, "cal_dat_board: an existing cal.dat was reported missing\n");
    std::abort();
  }

  const auto gain1 = static_cast<std::uint8_t>(HeaderByte(data, size, 4) % 12);
  const auto gain2 = static_cast<std::uint8_t>(HeaderByte(data, size, 5) % 12);
  const std::uint8_t couplings = HeaderByte(data, size, 6);
  const auto coupling1 = static_cast<std::uint8_t>(couplings & 3);
  const auto coupling2 = static_cast<std::uint8_t>((couplings >> 2) & 3);

  std::uint8_t out1[kSamples], out2[kSamples];
  std::int16_t clipped1 = 0, clipped2 = 0;
  lee_la_memoria(kSamples, 0, 0, out1, out2, 1, 0, 0, gain1, gain2, &clipped1, &clipped2,
                 coupling1, coupling2);
  return 0;
}
