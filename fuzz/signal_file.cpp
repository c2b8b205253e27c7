// Signal files: the input, written as a file, loaded by the signal store's
// Abrir2 into the instrument's reference channel, as the signal browser and
// --open-signal do.
// Checked: a load that is done switches the reference trace on with at most
// the row limit of finite codes; a load that is not done leaves the trace
// off and unchanged.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "fuzz_support.h"
#include "instrument_rig.h"
#include "orva/storage/bd_signal.h"

namespace {

[[noreturn]] void Found(const char* what) {
  std::fprintf(stderr, "signal_file: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = orva::fuzz::ScratchSubfolder("signal");
  static const std::string file = folder + "/SigOsc.mdb";
  static auto o = orva::fuzz::MakeInstrument();
  static orva::storage::BDSignal store(*o, nullptr);
  static const bool ready = [] {
    store.Instrumento("OrvaScope.exe");
    o->GananciaCanal2(10);  // the most sensitive gain: the largest codes
    return true;
  }();
  (void)ready;

  orva::fuzz::WriteWholeFile(folder, "SigOsc.mdb", data, size);
  o->CanalDActivo(false);
  o->VDisk({});
  const orva::storage::Outcome r = store.Abrir2(file);
  const std::vector<float> d = o->VDisk();
  if (r.Done()) {
    if (!o->CanalDActivo()) Found("a load was done but the reference trace is off");
    if (d.size() > orva::storage::BDSignal::kMaxFilasDatos) Found("more samples than the row limit");
    for (float v : d) {
      if (!std::isfinite(v)) Found("a loaded sample is not finite");
      orva::fuzz::Keep(v);
    }
  } else if (o->CanalDActivo() || !d.empty()) {
    Found("a load that was not done changed the reference trace");
  }
  return 0;
}
