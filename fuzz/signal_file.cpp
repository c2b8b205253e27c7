// Arbitrary bytes as a signal file loaded by Abrir2 into the reference
// channel. Whatever the bytes, the load ends (done, refused or failed),
// never touches memory outside a buffer, and a trace it loads holds at most
// the row limit of finite codes.
#include <cmath>
#include <cstdlib>

#include "orva/storage/bd_signal.h"
#include "store_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static auto o = orva::fuzzing::Instrument();
  static orva::storage::BDSignal store(*o, nullptr);
  static const bool ready = [] {
    store.Instrumento("OrvaScope.exe");
    o->GananciaCanal2(10);  // the most sensitive gain: the largest codes
    std::atexit([] { std::remove(orva::fuzzing::InputPath("signal").c_str()); });
    return true;
  }();
  (void)ready;
  const std::string& path = orva::fuzzing::InputPath("signal");
  if (!orva::fuzzing::WriteInput(path, data, size)) return 0;
  o->CanalDActivo(false);
  const orva::storage::Outcome r = store.Abrir2(path);
  if (r.Done()) {
    const std::vector<float> d = o->VDisk();
    if (!o->CanalDActivo() || d.size() > orva::storage::BDSignal::kMaxFilasDatos) std::abort();
    for (float v : d)
      if (!std::isfinite(v)) std::abort();
  } else if (o->CanalDActivo()) {
    std::abort();  // a failed load switched the reference trace on
  }
  return 0;
}
