// cal2.dat as the instrument reads and writes it (CargaCal2 / GuardaCal2 on
// PathCal2): the input is written as <folder>/cal2.dat and loaded into an
// instrument whose tables were cleared by loading an all-zero file. A file of 220 bytes or more must load complete, and the tables
// must give back its first 220 bytes exactly; a shorter one must be refused
// and change nothing. Saving then rewrites the file: the first 220 bytes from
// the tables, every byte after them kept, so a complete input must come back
// byte for byte and a short one as 220 zero-table bytes.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "instrument_rig.h"

namespace {

using orva::scope::kCal2DatSize;
using orva::scope::ResultadoCalibracion;

[[noreturn]] void Fault(const char* what) {
  std::fprintf(stderr, "cal2_dat: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string zero = orva::fuzz::ScratchSubfolder("zero");
  static const std::string folder = orva::fuzz::ScratchSubfolder("cal2");
  static const std::unique_ptr<orva::scope::Osciloscopio> osc = [] {
    const std::uint8_t zeros[kCal2DatSize] = {};
    orva::fuzz::WriteWholeFile(zero, "cal2.dat", zeros, sizeof zeros);
    return orva::fuzz::MakeInstrument();
  }();

  osc->PathCal2(zero);
  if (osc->CargaCal2() != ResultadoCalibracion::kCorrecto) Fault("the all-zero file did not load");
  const auto untouched = osc->Calibracion().ImagenCal2();
  orva::fuzz::WriteWholeFile(folder, "cal2.dat", data, size);
  osc->PathCal2(folder);
  const ResultadoCalibracion r = osc->CargaCal2();
  const bool whole = size >= static_cast<std::size_t>(kCal2DatSize);
  const auto image = osc->Calibracion().ImagenCal2();
  if (whole) {
    if (r != ResultadoCalibracion::kCorrecto) Fault("a complete file was refused");
    if (!std::equal(image.begin(), image.end(), data)) Fault("the tables differ from the file");
  } else {
    if (r != ResultadoCalibracion::kFicheroCorto) Fault("a short file was not refused");
    if (image != untouched) Fault("a refused file changed the tables");
  }

  if (osc->GuardaCal2() != ResultadoCalibracion::kCorrecto) Fault("the save failed");
  std::ifstream in(folder + "/cal2.dat", std::ios::binary);
  const std::vector<std::uint8_t> saved{std::istreambuf_iterator<char>(in),
                                        std::istreambuf_iterator<char>()};
  if (whole) {
    if (saved.size() != size || !std::equal(saved.begin(), saved.end(), data))
      Fault("saving changed the file");
  } else if (saved.size() != static_cast<std::size_t>(kCal2DatSize) ||
             !std::equal(image.begin(), image.end(), saved.begin())) {
    Fault("saving over a short file did not write the tables");
  }
  return 0;
}
