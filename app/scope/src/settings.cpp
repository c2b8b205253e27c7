// Osciloscopio settings: setters and their side effects, table and text views,
// and persistence of the 67 keys.
#include <cmath>

#include "orva/scope/osciloscopio.h"
#include "sigdexp/sigdex_control.h"

namespace orva::scope {

namespace {

std::int16_t ClampI16(std::int16_t v, std::int16_t lo, std::int16_t hi) {
  return v < lo ? lo : (v > hi ? hi : v);
}

// Index of the first timebase row (0..20) whose text equals t exactly, or -1.
int FindTimebaseText(const std::string& t) {
  for (int k = 0; k <= kTimebaseLastIndex; ++k)
    if (kTimebaseTable[k].text == t) return k;
  return -1;
}

// Coupling code of "GND"/"DC"/"AC", or -1 for any other text.
int CouplingCodeOf(const std::string& t) {
  if (t == "GND") return kAcoplamientoGND;
  if (t == "DC") return kAcoplamientoDC;
  if (t == "AC") return kAcoplamientoAC;
  return -1;
}

}  // namespace

// ---- Timebase -----------------------------------------------------------------

void Osciloscopio::BaseDeTiemposActual(std::int16_t v) {
  const std::int16_t k = ClampI16(v, kTimebaseFirstSelectable, kTimebaseLastIndex);
  // A stream source that cannot fill the timebase refuses it.
  base_rechazada_ = !BaseDeTiemposPosible(k);
  if (base_rechazada_) return;
  base_de_tiempos_actual_ = k;
  Changed("BaseDeTiemposActual");
}

std::string Osciloscopio::BaseDeTiemposActualTexto() const {
  return std::string(Timebase(base_de_tiempos_actual_).text);
}

void Osciloscopio::BaseDeTiemposActualTexto(const std::string& v) {
  const int k = FindTimebaseText(v);
  if (k < 0) return;
  base_de_tiempos_actual_texto_ = v;
  Changed("BaseDeTiemposActualTexto");
  BaseDeTiemposActual(static_cast<std::int16_t>(k));
}

double Osciloscopio::TiempoEstimado() const { return Timebase(base_de_tiempos_actual_).tiempo_estimado; }
void Osciloscopio::TiempoEstimado(double v) { tiempo_estimado_field_ = v; Changed("TiempoEstimado"); }
std::int32_t Osciloscopio::MuestrasExtraPre() const { return Timebase(base_de_tiempos_actual_).muestras_extra_pre; }
void Osciloscopio::MuestrasExtraPre(std::int32_t v) { muestras_extra_pre_field_ = v; Changed("MuestrasExtraPre"); }
std::int32_t Osciloscopio::MuestrasExtraPos() const { return Timebase(base_de_tiempos_actual_).muestras_extra_pos; }
void Osciloscopio::MuestrasExtraPos(std::int32_t v) { muestras_extra_pos_field_ = v; Changed("MuestrasExtraPos"); }
std::int32_t Osciloscopio::MuestrasPre() const { return Timebase(base_de_tiempos_actual_).muestras_pre; }
void Osciloscopio::MuestrasPre(std::int32_t v) { muestras_pre_field_ = v; Changed("MuestrasPre"); }
std::int32_t Osciloscopio::MuestrasPos() const { return Timebase(base_de_tiempos_actual_).muestras_pos; }
void Osciloscopio::MuestrasPos(std::int32_t v) { muestras_pos_field_ = v; Changed("MuestrasPos"); }
std::int32_t Osciloscopio::muestras() const { return Timebase(base_de_tiempos_actual_).muestras; }
void Osciloscopio::muestras(std::int32_t v) { muestras_field_ = v; Changed("Muestras"); }
double Osciloscopio::FMPlaca() const { return Timebase(base_de_tiempos_actual_).fm_placa; }
void Osciloscopio::FMPlaca(double v) { fm_placa_field_ = v; Changed("FMPlaca"); }
double Osciloscopio::FMEquivalente() const { return Timebase(base_de_tiempos_actual_).fm_equivalente; }
void Osciloscopio::FMEquivalente(double v) { fm_equivalente_field_ = v; Changed("FMEquivalente"); }
double Osciloscopio::BaseTiemposDiv() const { return Timebase(base_de_tiempos_actual_).base_tiempos_div; }
void Osciloscopio::BaseTiemposDiv(double v) { base_tiempos_div_field_ = v; Changed("BaseTiemposDiv"); }

// ---- Vertical channels ------------------------------------------------------------

void Osciloscopio::SetGanancia(int ch, std::int16_t v) {
  ganancia_[ch] = ClampI16(v, 0, kGainRows - 1);
  vdiv_field_[ch] = static_cast<double>(kGainTable[ganancia_[ch]].volts_per_div);
  Changed(ch == 0 ? "GananciaCanal1" : "GananciaCanal2");
}

std::string Osciloscopio::GananciaCanal1Texto() const { return std::string(Gain(ganancia_[0]).text); }
std::string Osciloscopio::GananciaCanal2Texto() const { return std::string(Gain(ganancia_[1]).text); }
void Osciloscopio::GananciaCanal1Texto(const std::string& v) {
  DesignTimeSetOnly();
  ganancia_texto_[0] = v;
  Changed("GananciaCanal1Texto");
}
void Osciloscopio::GananciaCanal2Texto(const std::string& v) {
  DesignTimeSetOnly();
  ganancia_texto_[1] = v;
  Changed("GananciaCanal2Texto");
}

// 4 x the single-precision V/div, widened to double.
double Osciloscopio::GananciaCanal1VOLT() const { return 4.0 * static_cast<double>(Gain(ganancia_[0]).volts_per_div); }
double Osciloscopio::GananciaCanal2VOLT() const { return 4.0 * static_cast<double>(Gain(ganancia_[1]).volts_per_div); }
double Osciloscopio::VDiv1() const { return static_cast<double>(Gain(ganancia_[0]).volts_per_div); }
double Osciloscopio::VDiv2() const { return static_cast<double>(Gain(ganancia_[1]).volts_per_div); }
void Osciloscopio::VDiv1(double v) { vdiv_field_[0] = v; Changed("VDiv1"); }
void Osciloscopio::VDiv2(double v) { vdiv_field_[1] = v; Changed("VDiv2"); }

void Osciloscopio::SetAcoplamiento(int ch, std::int16_t v) {
  acoplamiento_[ch] = v;
  Changed(ch == 0 ? "AcoplamientoCanal1" : "AcoplamientoCanal2");
}
void Osciloscopio::AcoplamientoCanal1(std::int16_t v) { SetAcoplamiento(0, v); }
void Osciloscopio::AcoplamientoCanal2(std::int16_t v) { SetAcoplamiento(1, v); }
std::string Osciloscopio::AcoplamientoCanal1Texto() const { return std::string(CouplingText(acoplamiento_[0])); }
std::string Osciloscopio::AcoplamientoCanal2Texto() const { return std::string(CouplingText(acoplamiento_[1])); }
void Osciloscopio::SetAcoplamientoTexto(int ch, const std::string& v) {
  const int code = CouplingCodeOf(v);
  if (code >= 0) SetAcoplamiento(ch, static_cast<std::int16_t>(code));
}
void Osciloscopio::AcoplamientoCanal1Texto(const std::string& v) { SetAcoplamientoTexto(0, v); }
void Osciloscopio::AcoplamientoCanal2Texto(const std::string& v) { SetAcoplamientoTexto(1, v); }

void Osciloscopio::Canal1Activo(bool v) { activo_[0] = v; Changed("Canal1Activo"); }
void Osciloscopio::Canal2Activo(bool v) { activo_[1] = v; Changed("Canal2Activo"); }
void Osciloscopio::Canal1Invertido(bool v) { invertido_[0] = v; Changed("Canal1Invertido"); }
void Osciloscopio::Canal2Invertido(bool v) { invertido_[1] = v; Changed("Canal2Invertido"); }
void Osciloscopio::DesplazamientoYCanal1(std::int16_t v) { desplazamiento_[0] = v; Changed("DesplazamientoYCanal1"); }
void Osciloscopio::DesplazamientoYCanal2(std::int16_t v) { desplazamiento_[1] = v; Changed("DesplazamientoYCanal2"); }

// ---- Trigger ------------------------------------------------------------------------

void Osciloscopio::ModoDisparo(std::int16_t v) { modo_disparo_ = v; Changed("ModoDisparo"); }
std::string Osciloscopio::ModoDisparoTexto() const { return std::string(TriggerModeText(modo_disparo_)); }
void Osciloscopio::ModoDisparoTexto(const std::string& v) {
  DesignTimeSetOnly();
  modo_disparo_texto_ = v;
  Changed("ModoDisparoTexto");
}
void Osciloscopio::CanalDisparo(std::int16_t v) { canal_disparo_ = v; Changed("CanalDisparo"); }
void Osciloscopio::DisparoExterno(std::int16_t v) { disparo_externo_ = v; Changed("DisparoExterno"); }
void Osciloscopio::Nivel(std::int16_t v) { nivel_ = v; Changed("Nivel"); }
void Osciloscopio::Flanco(std::int16_t v) { flanco_ = v; Changed("Flanco"); }
void Osciloscopio::MovimientoPretrigger(double v) { movimiento_pretrigger_ = v; Changed("MovimientoPretrigger"); }
void Osciloscopio::FuerzaModoSoftware(bool v) { fuerza_modo_software_ = v; Changed("FuerzaModoSoftware"); }

// ---- Automatic settings, averaging, display -----------------------------------------------

void Osciloscopio::SetGainAuto(int ch, bool v) {
  gain_auto_[ch] = v;
  if (v) {
    // Start from the most sensitive gain; VDiv1/VDiv2 are deliberately left alone.
    ganancia_[ch] = kGainRows - 1;
    ajuste_.ReiniciaGanancia();
  }
  Changed(ch == 0 ? "GainAuto1" : "GainAuto2");
}

void Osciloscopio::TriggerAuto(bool v) {
  trigger_auto_ = v;
  if (v) {
    base_de_tiempos_actual_ = kTimebaseFirstSelectable;  // 50 ns/div
    ajuste_.ReiniciaBaseDeTiempos();
  }
  Changed("TriggerAuto");
}

void Osciloscopio::promediado(std::int16_t v) { promediado_ = v; Changed("Promediado"); }
void Osciloscopio::FinDeCaptura(bool v) { fin_de_captura_ = v; Changed("FinDeCaptura"); }
void Osciloscopio::ModoXY(bool v) { modo_xy_ = v; Changed("ModoXY"); }
void Osciloscopio::TagX(const hosting::PropertyValue& v) { tag_x_ = v; Changed("TagX"); }

hosting::PropertyValue Osciloscopio::MetodoInterpolacion() const {
  return sigdex1_->MetodoInterpolacion();
}
void Osciloscopio::MetodoInterpolacion(const hosting::PropertyValue& v) {
  sigdex1_->MetodoInterpolacion(v);
  Changed("MetodoInterpolacion");
}

// ---- Board and calibration settings -------------------------------------------------

void Osciloscopio::path(const std::string& v) { path_ = v; Changed("Path"); }
void Osciloscopio::DireccionES(std::int16_t v) { direccion_es_ = v; Changed("DireccionES"); }
void Osciloscopio::PathCal(const std::string& v) { path_cal_ = v; Changed("PathCal"); }
void Osciloscopio::PathCal2(const std::string& v) { path_cal2_ = v; Changed("PathCal2"); }

// ---- Measurement results ---------------------------------------------------------------

void Osciloscopio::Vm1Byte(std::uint8_t v) { DesignTimeSetOnly(); vm_byte_[0] = v; Changed("Vm1Byte"); }
void Osciloscopio::Vm2Byte(std::uint8_t v) { DesignTimeSetOnly(); vm_byte_[1] = v; Changed("Vm2Byte"); }
void Osciloscopio::Vpp1(double v) { vpp_[0] = v; Changed("Vpp1"); }
void Osciloscopio::Vm1(double v) { vm_[0] = v; Changed("Vm1"); }
void Osciloscopio::F1(double v) { f_[0] = v; Changed("F1"); }
void Osciloscopio::t1(double v) { t_[0] = v; Changed("T1"); }
void Osciloscopio::Vrms1(double v) { vrms_[0] = v; Changed("Vrms1"); }
void Osciloscopio::Vpp2(double v) { vpp_[1] = v; Changed("Vpp2"); }
void Osciloscopio::Vm2(double v) { vm_[1] = v; Changed("Vm2"); }
void Osciloscopio::F2(double v) { f_[1] = v; Changed("F2"); }
void Osciloscopio::t2(double v) { t_[1] = v; Changed("T2"); }
void Osciloscopio::Vrms2(double v) { vrms_[1] = v; Changed("Vrms2"); }

void Osciloscopio::PantallaTiempo(PictureHandle v) { pantalla_tiempo_ = std::move(v); Changed("PantallaTiempo"); }
void Osciloscopio::PantallaFrecuencia(PictureHandle v) { pantalla_frecuencia_ = std::move(v); Changed("PantallaFrecuencia"); }

void Osciloscopio::AssignRaw(int ch, const std::vector<std::uint8_t>& v) {
  std::vector<std::uint8_t>& raw = raw_[ch];
  const std::size_t n = std::min<std::size_t>(v.size(), kRawBufferSize);
  std::copy(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(n), raw.begin());
  std::fill(raw.begin() + static_cast<std::ptrdiff_t>(n), raw.end(), std::uint8_t{128});
}

// ---- Reference channel D ---------------------------------------------------------------------

void Osciloscopio::GananciaCanalD(std::int16_t v) { ganancia_d_ = v; Changed("GananciaCanalD"); }
void Osciloscopio::GananciaCanalDTexto(const std::string& v) { ganancia_d_texto_ = v; Changed("GananciaCanalDTexto"); }
void Osciloscopio::AcoplamientoCanalD(std::int16_t v) { acoplamiento_d_ = v; Changed("AcoplamientoCanalD"); }
std::string Osciloscopio::AcoplamientoCanalDTexto() const { return std::string(CouplingText(acoplamiento_d_)); }
void Osciloscopio::AcoplamientoCanalDTexto(const std::string& v) {
  const int code = CouplingCodeOf(v);
  if (code >= 0) AcoplamientoCanalD(static_cast<std::int16_t>(code));
}
void Osciloscopio::CanalDActivo(bool v) { canal_d_activo_ = v; Changed("CanalDActivo"); }
void Osciloscopio::BaseDeTiemposD(std::int16_t v) { base_de_tiempos_d_ = v; Changed("BaseDeTiemposD"); }
std::string Osciloscopio::BaseDeTiemposDTexto() const { return std::string(Timebase(base_de_tiempos_d_).text); }
void Osciloscopio::BaseDeTiemposDTexto(const std::string& v) {
  const int k = FindTimebaseText(v);
  if (k < 0) return;
  base_de_tiempos_d_texto_ = v;
  Changed("BaseDeTiemposDTexto");
  BaseDeTiemposD(static_cast<std::int16_t>(k));
}
void Osciloscopio::DesplazamientoYCanalD(std::int16_t v) { desplazamiento_d_ = v; Changed("DesplazamientoYCanalD"); }

// ---- Persistence -----------------------------------------------------------------------------------

namespace {

constexpr std::int64_t B(bool v) { return v ? -1 : 0; }
const std::string kTextDefault = "0";

}  // namespace

const std::vector<std::string_view>& Osciloscopio::PersistedKeys() {
  static const std::vector<std::string_view> keys{
      "TiempoEstimado", "MuestrasExtraPre", "MuestrasExtraPos", "MuestrasPre", "MuestrasPos",
      "Muestras", "FMPlaca", "FMEquivalente", "BaseTiemposDiv", "BaseDeTiemposActual", "Path",
      "DireccionES", "AcoplamientoCanal1", "AcoplamientoCanal2", "GananciaCanal1",
      "GananciaCanal2", "ModoDisparo", "CanalDisparo", "DisparoExterno", "Nivel", "Flanco",
      "FinDeCaptura", "ModoXY", "TagX", "Canal1Activo", "Canal2Activo", "Vpp1", "Vm1", "F1",
      "T1", "Vpp2", "Vm2", "F2", "T2", "BaseDeTiemposActualTexto", "GananciaCanal1Texto",
      "GananciaCanal2Texto", "FuerzaModoSoftware", "GainAuto1", "GainAuto2", "TriggerAuto",
      "ModoDisparoTexto", "MovimientoPretrigger", "VDiv1", "VDiv2", "CompensacionDeOffset1",
      "CompensacionDeGanancia1", "CompensacionDeOffset2", "CompensacionDeGanancia2", "PathCal",
      "PathCal2", "Canal1Invertido", "Canal2Invertido", "Vm1Byte", "Vm2Byte", "PantallaTiempo",
      "PantallaFrecuencia", "GananciaCanalD", "GananciaCanalDTexto", "AcoplamientoCanalD",
      "CanalDActivo", "BaseDeTiemposD", "BaseDeTiemposDTexto", "Promediado",
      "DesplazamientoYCanal1", "DesplazamientoYCanal2", "DesplazamientoYCanalD"};
  return keys;
}

void Osciloscopio::SetPictureDecoder(std::shared_ptr<const PictureDecoder> decoder) {
  decoder_ = std::move(decoder);
}

void Osciloscopio::WriteProperties(hosting::PropertyBag& bag) const {
  const std::int64_t zero = 0;
  const double dzero = 0.0;
  auto i = [&](std::string_view k, std::int64_t v) { bag.Write(std::string(k), v, zero); };
  auto d = [&](std::string_view k, double v) { bag.WriteProperty(k, hosting::PropertyValue(v), hosting::PropertyValue(dzero)); };
  auto s = [&](std::string_view k, const std::string& v) { bag.Write(std::string(k), v, kTextDefault); };
  auto pic = [&](std::string_view k, const PictureHandle& p) {
    const std::string bytes = (p && !p->Empty()) ? p->Encode() : std::string();
    // An empty text is "no picture", the default.
    bag.Write(std::string(k), bytes, std::string());
  };
  d("TiempoEstimado", tiempo_estimado_field_);
  i("MuestrasExtraPre", muestras_extra_pre_field_);
  i("MuestrasExtraPos", muestras_extra_pos_field_);
  i("MuestrasPre", muestras_pre_field_);
  i("MuestrasPos", muestras_pos_field_);
  i("Muestras", muestras_field_);
  d("FMPlaca", fm_placa_field_);
  d("FMEquivalente", fm_equivalente_field_);
  d("BaseTiemposDiv", base_tiempos_div_field_);
  i("BaseDeTiemposActual", base_de_tiempos_actual_);
  s("Path", path_);
  i("DireccionES", direccion_es_);
  i("AcoplamientoCanal1", acoplamiento_[0]);
  i("AcoplamientoCanal2", acoplamiento_[1]);
  i("GananciaCanal1", ganancia_[0]);
  i("GananciaCanal2", ganancia_[1]);
  i("ModoDisparo", modo_disparo_);
  i("CanalDisparo", canal_disparo_);
  i("DisparoExterno", disparo_externo_);
  i("Nivel", nivel_);
  i("Flanco", flanco_);
  i("FinDeCaptura", B(fin_de_captura_));
  i("ModoXY", B(modo_xy_));
  bag.WriteProperty("TagX", tag_x_, hosting::PropertyValue(zero));
  i("Canal1Activo", B(activo_[0]));
  i("Canal2Activo", B(activo_[1]));
  d("Vpp1", vpp_[0]);
  d("Vm1", vm_[0]);
  d("F1", f_[0]);
  d("T1", t_[0]);
  d("Vpp2", vpp_[1]);
  d("Vm2", vm_[1]);
  d("F2", f_[1]);
  d("T2", t_[1]);
  s("BaseDeTiemposActualTexto", base_de_tiempos_actual_texto_);
  s("GananciaCanal1Texto", ganancia_texto_[0]);
  s("GananciaCanal2Texto", ganancia_texto_[1]);
  i("FuerzaModoSoftware", B(fuerza_modo_software_));
  i("GainAuto1", B(gain_auto_[0]));
  i("GainAuto2", B(gain_auto_[1]));
  i("TriggerAuto", B(trigger_auto_));
  s("ModoDisparoTexto", modo_disparo_texto_);
  d("MovimientoPretrigger", movimiento_pretrigger_);
  d("VDiv1", vdiv_field_[0]);
  d("VDiv2", vdiv_field_[1]);
  i("CompensacionDeOffset1", comp_offset_[0]);
  d("CompensacionDeGanancia1", comp_ganancia_[0]);
  i("CompensacionDeOffset2", comp_offset_[1]);
  d("CompensacionDeGanancia2", comp_ganancia_[1]);
  s("PathCal", path_cal_);
  s("PathCal2", path_cal2_);
  i("Canal1Invertido", B(invertido_[0]));
  i("Canal2Invertido", B(invertido_[1]));
  i("Vm1Byte", vm_byte_[0]);
  i("Vm2Byte", vm_byte_[1]);
  pic("PantallaTiempo", pantalla_tiempo_);
  pic("PantallaFrecuencia", pantalla_frecuencia_);
  i("GananciaCanalD", ganancia_d_);
  s("GananciaCanalDTexto", ganancia_d_texto_);
  i("AcoplamientoCanalD", acoplamiento_d_);
  i("CanalDActivo", B(canal_d_activo_));
  i("BaseDeTiemposD", base_de_tiempos_d_);
  s("BaseDeTiemposDTexto", base_de_tiempos_d_texto_);
  i("Promediado", promediado_);
  i("DesplazamientoYCanal1", desplazamiento_[0]);
  i("DesplazamientoYCanal2", desplazamiento_[1]);
  i("DesplazamientoYCanalD", desplazamiento_d_);
}

void Osciloscopio::ReadProperties(const hosting::PropertyBag& bag) {
  // Only integer fields can refuse a stored value (error 6 when it does not
  // fit). Check them all first, so that a bad record changes nothing rather
  // than leaving the instrument half loaded.
  static const char* const kInt16Keys[] = {
      "BaseDeTiemposActual", "DireccionES", "AcoplamientoCanal1", "AcoplamientoCanal2",
      "GananciaCanal1", "GananciaCanal2", "ModoDisparo", "CanalDisparo", "DisparoExterno",
      "Nivel", "Flanco", "GananciaCanalD", "AcoplamientoCanalD", "BaseDeTiemposD", "Promediado",
      "DesplazamientoYCanal1", "DesplazamientoYCanal2", "DesplazamientoYCanalD"};
  static const char* const kInt32Keys[] = {"MuestrasExtraPre", "MuestrasExtraPos", "MuestrasPre",
                                           "MuestrasPos", "Muestras"};
  static const char* const kByteKeys[] = {"CompensacionDeOffset1", "CompensacionDeOffset2",
                                          "Vm1Byte", "Vm2Byte"};
  for (const char* k : kInt16Keys) (void)bag.ReadInt16(k, 0);
  for (const char* k : kInt32Keys) (void)bag.ReadInt32(k, 0);
  for (const char* k : kByteKeys) {
    const std::int64_t v = bag.ReadInt(k, 0);
    if (v < 0 || v > 255) throw hosting::ControlError(hosting::kOverflow);
  }

  // Fields are assigned directly: no clamping, no side effects, no notification.
  auto i16 = [&](const char* k) { return bag.ReadInt16(k, 0); };
  auto i32 = [&](const char* k) { return bag.ReadInt32(k, 0); };
  auto d = [&](const char* k) { return bag.ReadDouble(k, 0.0); };
  auto b = [&](const char* k) { return bag.ReadBool(k, false); };
  auto s = [&](const char* k) { return bag.ReadString(k, kTextDefault); };
  auto byte = [&](const char* k) { return static_cast<std::uint8_t>(bag.ReadInt(k, 0)); };
  auto pic = [&](const char* k) -> PictureHandle {
    const std::string bytes = bag.ReadString(k, std::string());
    if (bytes.empty()) return nullptr;
    if (decoder_) return decoder_->Decode(bytes);
    return std::make_shared<EncodedPicture>(bytes);
  };
  tiempo_estimado_field_ = d("TiempoEstimado");
  muestras_extra_pre_field_ = i32("MuestrasExtraPre");
  muestras_extra_pos_field_ = i32("MuestrasExtraPos");
  muestras_pre_field_ = i32("MuestrasPre");
  muestras_pos_field_ = i32("MuestrasPos");
  muestras_field_ = i32("Muestras");
  fm_placa_field_ = d("FMPlaca");
  fm_equivalente_field_ = d("FMEquivalente");
  base_tiempos_div_field_ = d("BaseTiemposDiv");
  base_de_tiempos_actual_ = i16("BaseDeTiemposActual");
  path_ = s("Path");
  direccion_es_ = i16("DireccionES");
  acoplamiento_[0] = i16("AcoplamientoCanal1");
  acoplamiento_[1] = i16("AcoplamientoCanal2");
  ganancia_[0] = i16("GananciaCanal1");
  ganancia_[1] = i16("GananciaCanal2");
  modo_disparo_ = i16("ModoDisparo");
  canal_disparo_ = i16("CanalDisparo");
  disparo_externo_ = i16("DisparoExterno");
  nivel_ = i16("Nivel");
  flanco_ = i16("Flanco");
  fin_de_captura_ = b("FinDeCaptura");
  modo_xy_ = b("ModoXY");
  tag_x_ = bag.ReadProperty("TagX", hosting::PropertyValue(std::int64_t{0}));
  activo_[0] = b("Canal1Activo");
  activo_[1] = b("Canal2Activo");
  vpp_[0] = d("Vpp1");
  vm_[0] = d("Vm1");
  f_[0] = d("F1");
  t_[0] = d("T1");
  vpp_[1] = d("Vpp2");
  vm_[1] = d("Vm2");
  f_[1] = d("F2");
  t_[1] = d("T2");
  base_de_tiempos_actual_texto_ = s("BaseDeTiemposActualTexto");
  ganancia_texto_[0] = s("GananciaCanal1Texto");
  ganancia_texto_[1] = s("GananciaCanal2Texto");
  fuerza_modo_software_ = b("FuerzaModoSoftware");
  gain_auto_[0] = b("GainAuto1");
  gain_auto_[1] = b("GainAuto2");
  trigger_auto_ = b("TriggerAuto");
  modo_disparo_texto_ = s("ModoDisparoTexto");
  movimiento_pretrigger_ = d("MovimientoPretrigger");
  vdiv_field_[0] = d("VDiv1");
  vdiv_field_[1] = d("VDiv2");
  comp_offset_[0] = byte("CompensacionDeOffset1");
  comp_ganancia_[0] = d("CompensacionDeGanancia1");
  comp_offset_[1] = byte("CompensacionDeOffset2");
  comp_ganancia_[1] = d("CompensacionDeGanancia2");
  path_cal_ = s("PathCal");
  path_cal2_ = s("PathCal2");
  invertido_[0] = b("Canal1Invertido");
  invertido_[1] = b("Canal2Invertido");
  vm_byte_[0] = byte("Vm1Byte");
  vm_byte_[1] = byte("Vm2Byte");
  pantalla_tiempo_ = pic("PantallaTiempo");
  pantalla_frecuencia_ = pic("PantallaFrecuencia");
  ganancia_d_ = i16("GananciaCanalD");
  ganancia_d_texto_ = s("GananciaCanalDTexto");
  acoplamiento_d_ = i16("AcoplamientoCanalD");
  canal_d_activo_ = b("CanalDActivo");
  base_de_tiempos_d_ = i16("BaseDeTiemposD");
  base_de_tiempos_d_texto_ = s("BaseDeTiemposDTexto");
  promediado_ = i16("Promediado");
  desplazamiento_[0] = i16("DesplazamientoYCanal1");
  desplazamiento_[1] = i16("DesplazamientoYCanal2");
  desplazamiento_d_ = i16("DesplazamientoYCanalD");
}

}  // namespace orva::scope
