// Signal files: the input, taken as the bytes of a file, loaded by the signal
// store's LoadBytes (Abrir2 after the file was read into memory, as the
// signal browser and --open-signal read it) into the instrument's reference
// channel. Nothing touches the disk, so thousands of inputs run per second.
// Checked: the outcome's message is one printable line; a load that is done
// switches the reference trace on with at most the row limit of finite codes;
// a load that is not done leaves the trace off and unchanged.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "fuzz_support.h"
#include "orva/printable.h"
#include "instrument_rig.h"
#include "orva/storage/bd_signal.h"

namespace {

[[noreturn]] void Found(const char* what) {
  std::fprintf(stderr, "signal_file: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static auto o = orva::fuzz::MakeInstrument();
  static orva::storage::BDSignal store(*o, nullptr);
  static const bool ready = [] {
    store.Instrumento("OrvaScope.exe");
    o->GananciaCanal2(10);  // the most sensitive gain: the largest codes
    return true;
  }();
  (void)ready;

  o->CanalDActivo(false);
  o->VDisk({});
  const orva::storage::Outcome r =
      store.LoadBytes("SigOsc.mdb", std::string(reinterpret_cast<const char*>(data), size));
  if (orva::Printable(r.reason, r.reason.size() + 1) != r.reason) Found("a message is not one printable line");
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
