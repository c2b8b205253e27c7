// Configuration files: the input, taken as the bytes of a file, loaded by the
// configuration store's LoadBytes (CargarConfiguracion after the file was
// read into memory, as the toolbar and --open-config read it). Nothing
// touches the disk.
// Checked: the outcome's message is one printable line; whatever the file,
// every coded setting stays one of its legal values and the front panel is
// only ever told legal ones.
#include <cstdio>
#include <cstdlib>

#include "fuzz_support.h"
#include "orva/printable.h"
#include "instrument_rig.h"
#include "orva/storage/bd_config.h"

namespace {

[[noreturn]] void Found(const char* what) {
  std::fprintf(stderr, "config_file: %s\n", what);
  std::abort();
}

void Expect(bool ok, const char* what) {
  if (!ok) Found(what);
}

class Panel final : public orva::storage::FrontPanel {
 public:
  bool ContCursor(int) const override { return false; }
  void PressCoupling(int canal, std::int16_t codigo) override {
    Channel(canal);
    Expect(codigo >= 0 && codigo <= 2, "a coupling button outside GND, DC, AC");
  }
  void SetChanSelected(int canal, bool) override { Channel(canal); }
  void SetContCursor(int canal, bool) override { Channel(canal); }
  void PressSlope(int e) override { Expect(e == 0 || e == 1, "a slope element other than 0, 1"); }
  void SetTrigChanDisplay(const std::string& c) override {
    Expect(c == "1" || c == "2", "a trigger channel display other than 1, 2");
  }
  void PressPromediado(int e) override { Expect(e >= 0 && e <= 4, "an averaging button outside 0..4"); }
  void SetXYCommand(int v) override { Expect(v == 0 || v == 1, "an XY box value other than 0, 1"); }

 private:
  static void Channel(int canal) { Expect(canal == 1 || canal == 2, "a front-panel channel other than 1, 2"); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static auto o = orva::fuzz::MakeInstrument();
  static Panel panel;
  static orva::storage::BDConfig store(*o, panel, nullptr, "/usr/bin");

  // Start-up values; a load may only replace them by legal ones.
  o->AcoplamientoCanal1(1);
  o->AcoplamientoCanal2(1);
  o->ModoDisparo(2);
  o->CanalDisparo(1);
  o->Flanco(0);
  o->promediado(1);
  o->BaseDeTiemposActual(4);
  const orva::storage::Outcome r =
      store.LoadBytes("KtrConfig.mdb", std::string(reinterpret_cast<const char*>(data), size));
  if (orva::Printable(r.reason, r.reason.size() + 1) != r.reason) Found("a message is not one printable line");
  auto in = [](int v, int lo, int hi) { return v >= lo && v <= hi; };
  Expect(in(o->AcoplamientoCanal1(), 0, 2) && in(o->AcoplamientoCanal2(), 0, 2), "a coupling outside 0..2");
  Expect(in(o->ModoDisparo(), 0, 2), "a trigger mode outside 0..2");
  Expect(in(o->Flanco(), 0, 1), "a slope outside 0..1");
  Expect(in(o->CanalDisparo(), 1, 2), "a trigger channel outside 1..2");
  Expect(in(o->GananciaCanal1(), 0, 10) && in(o->GananciaCanal2(), 0, 10), "a gain outside its table");
  Expect(in(o->BaseDeTiemposActual(), 2, 20), "a timebase outside its table");
  const std::int16_t n = o->promediado();
  Expect(n == 1 || n == 2 || n == 4 || n == 8 || n == 16, "an averaging factor not of the buttons");
  return 0;
}
