// cal.dat as the instrument reads it into its compensation tables
// (CargaElFicheroDeCalibracion on PathCal): the input is written as
// <folder>/cal.dat and loaded, and then every compensation property is read
// at every coupling and gain of both channels (and at couplings outside the
// tables). A file holding the whole body must load as complete, a shorter one
// as short; the GND row, in no file, must stay as it was.
//
// One instrument serves every input: a short file leaves what it does not
// reach as it was, so an all-zero complete file is loaded before each input,
// and an input behaves the same whatever ran before it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "instrument_rig.h"

namespace {

using orva::scope::ResultadoCalibracion;

[[noreturn]] void Fault(const char* what) {
  std::fprintf(stderr, "cal_dat_instrument: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string zero = orva::fuzz::ScratchSubfolder("zero");
  static const std::string folder = orva::fuzz::ScratchSubfolder("cal");
  static const std::unique_ptr<orva::scope::Osciloscopio> osc = [] {
    const std::vector<std::uint8_t> zeros(orva::scope::kCalDatFormat1Size, 0);
    orva::fuzz::WriteWholeFile(zero, "cal.dat", zeros.data(), zeros.size());
    return orva::fuzz::MakeInstrument();
  }();

  osc->PathCal(zero);
  if (osc->CargaElFicheroDeCalibracion() != ResultadoCalibracion::kCorrecto)
    Fault("the all-zero file did not load");
  orva::fuzz::WriteWholeFile(folder, "cal.dat", data, size);
  osc->PathCal(folder);
  const ResultadoCalibracion r = osc->CargaElFicheroDeCalibracion();
  const bool whole = size >= static_cast<std::size_t>(orva::scope::kCalDatFormat1Size);
  if (r != (whole ? ResultadoCalibracion::kCorrecto : ResultadoCalibracion::kFicheroCorto))
    Fault("result does not match the file's length");

  double sum = 0.0;
  for (std::int16_t coupling = -1; coupling <= 3; ++coupling) {
    osc->AcoplamientoCanal1(coupling);
    osc->AcoplamientoCanal2(coupling);
    for (std::int16_t gain = 0; gain <= 10; ++gain) {
      osc->GananciaCanal1(gain);
      osc->GananciaCanal2(gain);
      sum += osc->CompensacionDeOffset1() + osc->CompensacionDeOffset2();
      sum += osc->CompensacionDeGanancia1() + osc->CompensacionDeGanancia2();
    }
  }
  const auto& tables = osc->Calibracion();
  for (int gain = 0; gain <= 10; ++gain)
    for (int channel = 1; channel <= 2; ++channel)
      if (tables.Offset(0, gain, channel).value_or(1) != 0) Fault("the GND row was loaded");
  const auto image = tables.ImagenCal2();
  sum += image[0];
  orva::fuzz::Keep(sum);
  return 0;
}
