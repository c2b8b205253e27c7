// The stored property records of the instrument (its 67 keys) and of the
// signal-processing control (its nine), loaded as a host loads them: the input
// is decoded into one record, which is loaded into a fresh instrument, into a
// stand-alone control (the window's) and into the instrument's own embedded
// control. Then every getter is read and one acquisition pass runs in
// demonstration mode (program, end check, read, both averaging steps and
// measurements, readout texts and the clipboard copies), followed by each of
// the control's methods with the loaded parameters.
//
// Checked besides the sanitizers:
//  - a record may be refused only with error 6 "Overflow", and a refused
//    record must change nothing;
//  - what a loaded instrument or control saves loads back without error and
//    saves again to the very same record;
//  - the demonstration pass never raises an error, whatever was loaded;
//  - the control's methods raise only the errors they document (5, 6, 7, 11).
//
// Input: records one after the other until the bytes run out.
//   key byte  k < 0xF0: the known key k modulo 76 (the 67 keys in their order,
//             then "EliminarAliasing", "FC", "FMIn", "FMOut", "PuntosFFT",
//             "OrdenInterpolacion", "OrdenDiezmado", "FMaxima",
//             "MetodoInterpolacion"); k >= 0xF0: a key of its own, a length
//             byte and that many bytes follow.
//   type byte t modulo 3: 0 an integer (8 bytes, little-endian two's
//             complement), 1 a real (8 bytes, IEEE double little-endian),
//             2 a text (a length byte and that many bytes).
// A value cut short by the end of the input takes the bytes there are.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "instrument_rig.h"
#include "orva/hosting.h"
#include "orva/scope/readouts.h"
#include "sigdexp/sigdex_control.h"

namespace {

using orva::Sigdex;
using orva::hosting::ControlError;
using orva::hosting::PropertyBag;
using orva::hosting::PropertyValue;
using orva::scope::Osciloscopio;

[[noreturn]] void Fault(const char* what) {
  std::fprintf(stderr, "property_record: %s\n", what);
  std::abort();
}

const std::vector<std::string_view>& KnownKeys() {
  static const std::vector<std::string_view> keys = [] {
    std::vector<std::string_view> k = Osciloscopio::PersistedKeys();
    for (const char* s : {"EliminarAliasing", "FC", "FMIn", "FMOut", "PuntosFFT",
                          "OrdenInterpolacion", "OrdenDiezmado", "FMaxima", "MetodoInterpolacion"})
      k.push_back(s);
    return k;
  }();
  return keys;
}

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Empty() const { return pos_ >= size_; }
  std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::uint64_t Word() {
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= static_cast<std::uint64_t>(Byte()) << (8 * i);
    return v;
  }
  std::string Text() {
    const std::size_t n = std::min<std::size_t>(Byte(), size_ - std::min(pos_, size_));
    std::string s(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
    return s;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

PropertyBag Decode(const std::uint8_t* data, std::size_t size) {
  PropertyBag bag;
  Input in(data, size);
  // Every value is stored, even one equal to a key's default: a record from
  // elsewhere may hold them.
  const PropertyValue never(std::string("\x01 not stored"));
  while (!in.Empty()) {
    const std::uint8_t k = in.Byte();
    const std::string key =
        k < 0xF0 ? std::string(KnownKeys()[k % KnownKeys().size()]) : in.Text();
    switch (in.Byte() % 3) {
      case 0:
        bag.WriteProperty(key, PropertyValue(static_cast<std::int64_t>(in.Word())), never);
        break;
      case 1: {
        const std::uint64_t bits = in.Word();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        bag.WriteProperty(key, PropertyValue(d), never);
        break;
      }
      default:
        bag.WriteProperty(key, PropertyValue(in.Text()), never);
        break;
    }
  }
  return bag;
}

// Records compare entry by entry, reals by their bits (a NaN equals itself).
bool SameRecord(const PropertyBag& a, const PropertyBag& b) {
  if (a.Size() != b.Size()) return false;
  for (std::size_t i = 0; i < a.Size(); ++i) {
    const auto& [ka, va] = a.Entries()[i];
    const auto& [kb, vb] = b.Entries()[i];
    if (ka != kb || va.index() != vb.index()) return false;
    if (const auto* da = std::get_if<double>(&va)) {
      if (std::memcmp(da, &std::get<double>(vb), sizeof(double)) != 0) return false;
    } else if (va != vb) {
      return false;
    }
  }
  return true;
}

// Loads a record into a control; a refusal must be error 6 and change nothing.
// True when the record was taken.
template <class Control>
bool Load(Control& c, const PropertyBag& bag) {
  PropertyBag before;
  c.WriteProperties(before);
  try {
    c.ReadProperties(bag);
    return true;
  } catch (const ControlError& e) {
    if (e.Number() != orva::hosting::kOverflow) Fault("a record was refused with an error other than 6");
    PropertyBag after;
    c.WriteProperties(after);
    if (!SameRecord(before, after)) Fault("a refused record changed the control");
    return false;
  }
}

// What a loaded control saves must load back and save to the same record.
template <class Control, class Fresh>
void RoundTrip(const Control& c, Fresh make) {
  PropertyBag saved;
  c.WriteProperties(saved);
  auto fresh = make();
  try {
    fresh->ReadProperties(saved);
  } catch (const ControlError&) {
    Fault("a saved record could not be loaded back");
  }
  PropertyBag again;
  fresh->WriteProperties(again);
  if (!SameRecord(saved, again)) Fault("a saved record did not save back the same");
}

struct Sum {
  double value = 0.0;
  void Add(double v) { value += v; }
  void Add(const std::string& s) { value += static_cast<double>(s.size()); }
  void Add(const PropertyValue& v) {
    if (const auto* s = std::get_if<std::string>(&v)) Add(*s);
    else if (const auto* d = std::get_if<double>(&v)) Add(*d);
    else Add(static_cast<double>(std::get<std::int64_t>(v)));
  }
  // A vector by its size and ends (the getters copy it whole already).
  template <class T>
  void Add(const std::vector<T>& v) {
    value += static_cast<double>(v.size());
    if (!v.empty()) value += static_cast<double>(v.front()) + static_cast<double>(v.back());
  }
  void Add(const orva::scope::PictureHandle& p) {
    if (p && !p->Empty()) Add(p->Encode());
  }
};

void ReadEveryGetter(const Osciloscopio& o, Sum& s) {
  s.Add(o.BaseDeTiemposActual()); s.Add(o.BaseDeTiemposActualTexto()); s.Add(o.TiempoEstimado());
  s.Add(o.MuestrasExtraPre()); s.Add(o.MuestrasExtraPos()); s.Add(o.MuestrasPre());
  s.Add(o.MuestrasPos()); s.Add(o.muestras()); s.Add(o.FMPlaca()); s.Add(o.FMEquivalente());
  s.Add(o.BaseTiemposDiv());
  s.Add(o.GananciaCanal1()); s.Add(o.GananciaCanal2()); s.Add(o.GananciaCanal1Texto());
  s.Add(o.GananciaCanal2Texto()); s.Add(o.GananciaCanal1VOLT()); s.Add(o.GananciaCanal2VOLT());
  s.Add(o.VDiv1()); s.Add(o.VDiv2()); s.Add(o.AcoplamientoCanal1()); s.Add(o.AcoplamientoCanal2());
  s.Add(o.AcoplamientoCanal1Texto()); s.Add(o.AcoplamientoCanal2Texto());
  s.Add(o.Canal1Activo()); s.Add(o.Canal2Activo()); s.Add(o.Canal1Invertido());
  s.Add(o.Canal2Invertido()); s.Add(o.DesplazamientoYCanal1()); s.Add(o.DesplazamientoYCanal2());
  s.Add(o.ModoDisparo()); s.Add(o.ModoDisparoTexto()); s.Add(o.CanalDisparo());
  s.Add(o.DisparoExterno()); s.Add(o.Nivel()); s.Add(o.Flanco()); s.Add(o.MovimientoPretrigger());
  s.Add(o.MovimientoPretriggerUsado());
  s.Add(o.FuerzaModoSoftware()); s.Add(o.GainAuto1()); s.Add(o.GainAuto2()); s.Add(o.TriggerAuto());
  s.Add(o.promediado()); s.Add(o.FinDeCaptura()); s.Add(o.ModoXY()); s.Add(o.TagX());
  s.Add(o.MetodoInterpolacion()); s.Add(o.path()); s.Add(o.DireccionES()); s.Add(o.PathCal());
  s.Add(o.PathCal2()); s.Add(o.CompensacionDeOffset1()); s.Add(o.CompensacionDeOffset2());
  s.Add(o.CompensacionDeGanancia1()); s.Add(o.CompensacionDeGanancia2());
  s.Add(o.VCanal1MEM()); s.Add(o.VCanal2MEM()); s.Add(o.Vm1ByteRecortado());
  s.Add(o.Vm2ByteRecortado()); s.Add(o.Vm1Byte()); s.Add(o.Vm2Byte());
  s.Add(o.Vpp1()); s.Add(o.Vm1()); s.Add(o.F1()); s.Add(o.t1()); s.Add(o.Vrms1());
  s.Add(o.Vpp2()); s.Add(o.Vm2()); s.Add(o.F2()); s.Add(o.t2()); s.Add(o.Vrms2());
  s.Add(o.PantallaTiempo()); s.Add(o.PantallaFrecuencia()); s.Add(o.ModoDemo()); s.Add(o.ModoRemoto());
  s.Add(o.V1Remoto()); s.Add(o.V2Remoto());
  s.Add(o.GananciaCanalD()); s.Add(o.GananciaCanalDTexto()); s.Add(o.AcoplamientoCanalD());
  s.Add(o.AcoplamientoCanalDTexto()); s.Add(o.CanalDActivo()); s.Add(o.BaseDeTiemposD());
  s.Add(o.BaseDeTiemposDTexto()); s.Add(o.DesplazamientoYCanalD()); s.Add(o.VDisk());
  s.Add(static_cast<double>(o.ProgramacionRechazada())); s.Add(o.CuentaPre());
  s.Add(o.CuentaPantalla()); s.Add(o.CuentaPos()); s.Add(o.BaseDeTiemposProgramada());
  s.Add(o.TrazaAlineada1()); s.Add(o.TrazaAlineada2()); s.Add(o.VCanal1XY()); s.Add(o.VCanal2XY());
  s.Add(o.Maximo1()); s.Add(o.Minimo1()); s.Add(o.Maximo2()); s.Add(o.Minimo2());
  s.Add(o.DisparoEncontrado()); s.Add(o.IndiceDisparo()); s.Add(o.RetencionValida());
  s.Add(o.FallosDeFlanco());
  s.Add(o.Calibracion().ImagenCal2()[0]);
}

void ReadEveryGetter(const Sigdex& c, Sum& s) {
  s.Add(c.PuntosFFT()); s.Add(c.OrdenInterpolacion()); s.Add(c.OrdenDiezmado());
  s.Add(c.MetodoInterpolacion()); s.Add(c.EliminarAliasing()); s.Add(c.FC()); s.Add(c.FMIn());
  s.Add(c.FMOut()); s.Add(c.SpectralInterpolation()); s.Add(c.VectorOutReal());
  s.Add(c.VectorOutImag()); s.Add(c.VectorOutModulo());
}

// One pass as the window runs it in demonstration mode.
void DemonstrationPass(Osciloscopio& o, Sum& s) {
  auto clipboard = std::make_shared<orva::fuzz::KeptClipboard>();
  o.SetPortapapeles(clipboard);
  o.ModoDemo(true);
  o.Programacion();
  o.ComprobacionFinDeCaptura();
  o.LecturaDeMemoria();
  s.Add(o.VCanal1());
  s.Add(o.VCanal2());
  o.Medidas1();
  o.Medidas2();
  for (double v : {o.Vpp1(), o.Vm1(), o.Vrms1(), o.Vpp2(), o.Vm2(), o.Vrms2()})
    s.Add(orva::scope::FormatoVoltios(static_cast<float>(v)));
  s.Add(orva::scope::FormatoFrecuencia(static_cast<float>(o.F1())));
  s.Add(orva::scope::FormatoTiempo(static_cast<float>(o.t1())));
  o.CopiarCanal1AlPortapapeles();
  s.Add(clipboard->text);
  o.CopiarCanal2AlPortapapeles();
  s.Add(clipboard->text);
  o.CopiarPantallaTAlPortapapeles();
}

// Each method of the control with the loaded parameters, on a 64-sample trace.
void EveryMethod(Sigdex& c, const std::vector<float>& trace, Sum& s) {
  auto run = [&](auto method) {
    try {
      method();
    } catch (const ControlError& e) {
      using namespace orva::hosting;
      const int n = e.Number();
      if (n != kInvalidCall && n != kOverflow && n != kOutOfMemory && n != kDivisionByZero)
        Fault("a method raised an error it does not document");
    }
  };
  std::vector<float> in(trace.begin(), trace.begin() + std::min<std::size_t>(trace.size(), 64));
  in.resize(64, 128.0f);
  run([&] { c.VectorInReal(in); c.FFT(); c.Modulo(); });
  run([&] { c.VectorInReal(in); c.Interpolar(); });
  run([&] { c.VectorInReal(in); c.Diezmar(); });
  run([&] { c.VectorInReal(in); c.FPB(); });
  run([&] { c.VectorInReal(in); c.CambiarFM(); });
  run([&] { c.VectorInReal(in); c.Enventanar(c.PuntosFFT() % 4096); });
  run([&] { s.Add(c.FMaxima()); });
  s.Add(c.VectorOutReal());
  s.Add(c.VectorOutModulo());
  s.Add(c.VectorEnTexto(c.FC()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const PropertyBag bag = Decode(data, size);
  Sum sum;

  auto osc = orva::fuzz::MakeInstrument();
  Sigdex window_control;
  const bool loaded = Load(*osc, bag);
  const bool control_loaded = Load(window_control, bag);
  Load(osc->Sigdex1(), bag);
  if (loaded) RoundTrip(*osc, orva::fuzz::MakeInstrument);
  if (control_loaded) RoundTrip(window_control, [] { return std::make_unique<Sigdex>(); });

  ReadEveryGetter(*osc, sum);
  ReadEveryGetter(window_control, sum);
  try {
    DemonstrationPass(*osc, sum);
  } catch (const ControlError& e) {
    std::fprintf(stderr, "property_record: error %d in the demonstration pass\n", e.Number());
    std::abort();
  }
  ReadEveryGetter(*osc, sum);
  EveryMethod(window_control, osc->TrazaAlineada1(), sum);

  orva::fuzz::Keep(sum.value);
  return 0;
}
