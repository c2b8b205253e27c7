// Arbitrary bytes as a configuration file loaded by CargarConfiguracion.
// Whatever the bytes, the load ends (done, refused or failed) and every
// coded setting it applied is one of its legal values; gains and timebase
// stay inside their tables.
#include <cstdlib>

#include "orva/storage/bd_config.h"
#include "store_fuzz.h"

namespace {

class Panel final : public orva::storage::FrontPanel {
 public:
  bool ContCursor(int) const override { return false; }
  void PressCoupling(int canal, std::int16_t codigo) override { Check(canal, codigo >= 0 && codigo <= 2); }
  void SetChanSelected(int canal, bool) override { Check(canal, true); }
  void SetContCursor(int canal, bool) override { Check(canal, true); }
  void PressSlope(int e) override { Check(1, e == 0 || e == 1); }
  void SetTrigChanDisplay(const std::string& c) override { Check(1, c == "1" || c == "2"); }
  void PressPromediado(int e) override { Check(1, e >= 0 && e <= 4); }
  void SetXYCommand(int v) override { Check(1, v == 0 || v == 1); }

 private:
  static void Check(int canal, bool ok) {
    if ((canal != 1 && canal != 2) || !ok) std::abort();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static auto o = orva::fuzzing::Instrument();
  static Panel panel;
  static auto dialog = std::make_shared<orva::filedialog::AnsweringDialog>(orva::fuzzing::InputPath("config"));
  static orva::storage::BDConfig store(*o, panel, dialog, "/usr/bin");
  static const bool ready = [] {
    // Legal values to start from; a load may only replace them by legal ones.
    o->AcoplamientoCanal1(1);
    o->AcoplamientoCanal2(1);
    o->ModoDisparo(2);
    o->CanalDisparo(1);
    o->promediado(1);
    o->BaseDeTiemposActual(4);
    std::atexit([] { std::remove(orva::fuzzing::InputPath("config").c_str()); });
    return true;
  }();
  (void)ready;
  if (!orva::fuzzing::WriteInput(orva::fuzzing::InputPath("config"), data, size)) return 0;
  (void)store.CargarConfiguracion();
  const bool legal = o->AcoplamientoCanal1() >= 0 && o->AcoplamientoCanal1() <= 2 &&
                     o->AcoplamientoCanal2() >= 0 && o->AcoplamientoCanal2() <= 2 &&
                     o->ModoDisparo() >= 0 && o->ModoDisparo() <= 2 && o->Flanco() >= 0 &&
                     o->Flanco() <= 1 && (o->CanalDisparo() == 1 || o->CanalDisparo() == 2) &&
                     o->GananciaCanal1() >= 0 && o->GananciaCanal1() <= 10 &&
                     o->GananciaCanal2() >= 0 && o->GananciaCanal2() <= 10 &&
                     o->BaseDeTiemposActual() >= 2 && o->BaseDeTiemposActual() <= 20;
  const std::int16_t n = o->promediado();
  if (!legal || !(n == 1 || n == 2 || n == 4 || n == 8 || n == 16)) std::abort();
  return 0;
}
