#include "orva/remote/intercambio.h"

#include <algorithm>

#include "orva/hosting.h"
#include "orva/scope/osciloscopio.h"
#include "orva/scope/tables.h"

namespace orva::remote {

namespace {

using link::kSlotNumber;
using link::kSlotSamples;
using link::Message;

std::int16_t Limita(std::int16_t v, int lo, int hi) {
  return static_cast<std::int16_t>(std::clamp<int>(v, lo, hi));
}

// A number slot's value; an empty slot counts as 0.
std::int16_t Numero(const Message& m, int n) {
  return m.d(n).type == kSlotNumber ? m.d(n).number : std::int16_t{0};
}

}  // namespace

RegistroRemoto LimitaRegistro(const std::int16_t (&s)[kCamposDelRegistro], RegistroRemoto r) {
  const auto acoplamiento = [](std::int16_t c) {
    return (c == scope::kAcoplamientoDC || c == scope::kAcoplamientoAC) ? c : scope::kAcoplamientoGND;
  };
  const auto bandera01 = [](std::int16_t v) { return static_cast<std::int16_t>(v != 0 ? 1 : 0); };
  r.AcoplamientoCanal1 = acoplamiento(s[0]);
  r.AcoplamientoCanal2 = acoplamiento(s[1]);
  r.GananciaCanal1 = Limita(s[2], 0, scope::kGainRows - 1);
  r.GananciaCanal2 = Limita(s[3], 0, scope::kGainRows - 1);
  r.BaseDeTiemposActual = Limita(s[4], scope::kTimebaseFirstSelectable, scope::kTimebaseLastIndex);
  r.CanalDisparo = Limita(s[5], 1, 2);
  r.ModoDisparo = Limita(s[6], scope::kModoSingle, scope::kModoAuto);
  r.Flanco = bandera01(s[7]);
  r.DisparoExterno = bandera01(s[8]);
  r.MetodoInterpolacion = Limita(s[9], 0, 1);
  r.Nivel = Limita(s[10], 0, 255);
  r.MovimientoPretrigger = Limita(s[11], -10, 10);
  return r;
}

void IntercambioRemoto::Reinicia() {
  intercambios_ = 0;
  rechazados_ = 0;
  ultimo_rechazo_.clear();
}

void IntercambioRemoto::Rechaza(const char* por_que, int ranura) {
  ++rechazados_;
  // Kept in the string's own storage: a flood of bad messages allocates nothing.
  ultimo_rechazo_.clear();
  if (ranura > 0) {
    ultimo_rechazo_ += 'd';
    ultimo_rechazo_ += std::to_string(ranura);
    ultimo_rechazo_ += ' ';
  }
  ultimo_rechazo_ += por_que;
}

void IntercambioRemoto::CopiaRegistro(const Message& m) {
  std::int16_t s[kCamposDelRegistro];
  for (int i = 0; i < kCamposDelRegistro; ++i) s[i] = m.d(kPrimeraRanura + i).number;
  EstadoRemoto& e = v_.Estado();
  e.Registro = LimitaRegistro(s, e.Registro);
}

void IntercambioRemoto::PonRegistro(Message& out) {
  const RegistroRemoto& r = v_.Estado().Registro;
  const std::int16_t campos[kCamposDelRegistro] = {
      r.AcoplamientoCanal1, r.AcoplamientoCanal2, r.GananciaCanal1,  r.GananciaCanal2,
      r.BaseDeTiemposActual, r.CanalDisparo,      r.ModoDisparo,     r.Flanco,
      r.DisparoExterno,     r.MetodoInterpolacion, r.Nivel,          r.MovimientoPretrigger};
  for (int i = 0; i < kCamposDelRegistro; ++i) out.SetNumber(kPrimeraRanura + i, campos[i]);
}

bool IntercambioRemoto::Inicia() {
  EstadoRemoto& e = v_.Estado();
  e.captura_registro_remoto(v_.Control());
  e.CambioLocal = false;
  Message& out = v_.Salida();
  out.SetEmpty(kRanuraCanal1);
  out.SetEmpty(kRanuraCanal2);
  PonRegistro(out);
  return v_.Enviar();
}

void IntercambioRemoto::MensajeRecibido(const Message& m) {
  v_.PermiteEventos();
  for (int n = kPrimeraRanura; n <= kUltimaRanura; ++n) {
    if (m.d(n).type != kSlotNumber) {
      Rechaza("is not a number: the settings record is incomplete", n);
      return;
    }
  }
  const bool estacion_de_placa = usuario_ == 1;
  if (m.kind == 0 && estacion_de_placa)
    Rechaza("a sample message sent to the board station");
  else if (m.kind != 0 && !estacion_de_placa)
    Rechaza("a settings message sent to the remote station");
  else if (m.kind == 0)
    MensajeDeMuestras(m);
  else
    MensajeDeAjustes(m);
}

void IntercambioRemoto::MensajeDeMuestras(const Message& m) {
  if (m.d(kRanuraCanal1).type != kSlotSamples || m.d(kRanuraCanal2).type != kSlotSamples) {
    Rechaza("a sample message without its two sample arrays");
    return;
  }
  EstadoRemoto& e = v_.Estado();
  scope::Osciloscopio& o = v_.Control();
  // 1-2.
  v_.AvanzaContadorDePasadas();
  o.V1Remoto(m.d(kRanuraCanal1).samples);
  o.V2Remoto(m.d(kRanuraCanal2).samples);
  // 3. This station's own change wins; otherwise the board station's settings.
  if (e.CambioLocal) {
    e.captura_registro_remoto(o);
  } else {
    CopiaRegistro(m);
    e.DisparoUnicoRemoto = Numero(m, kRanuraDisparoUnico) != 0;
    aplica_registro_remoto();
  }
  // 4.
  Message& out = v_.Salida();
  out.SetEmpty(kRanuraCanal1);
  out.SetEmpty(kRanuraCanal2);
  PonRegistro(out);
  out.SetNumber(kRanuraAutomatico, e.AutomaticoRemoto);
  out.SetNumber(kRanuraCambio, Bandera16(e.CambioLocal));
  out.SetNumber(kRanuraDisparoUnico, Bandera16(e.DisparoUnicoRemoto));
  v_.Enviar();
  ++intercambios_;
  // 5.
  e.AutomaticoRemoto = 0;
  e.CambioLocal = false;
  e.DisparoUnicoRemoto = false;  // sent once
}

void IntercambioRemoto::MensajeDeAjustes(const Message& m) {
  EstadoRemoto& e = v_.Estado();
  scope::Osciloscopio& o = v_.Control();
  // 1-2. The board station's own change wins; a remote change (or automatic
  // set-up) is applied unless the instrument is adjusting itself.
  const bool automatico = Numero(m, kRanuraAutomatico) == 1;
  if (e.CambioLocal) {
    e.captura_registro_remoto(o);
  } else if ((automatico || Numero(m, kRanuraCambio) != 0) && !o.GainAuto1() && !o.GainAuto2() &&
             !o.TriggerAuto()) {
    CopiaRegistro(m);
    e.AutomaticoRemoto = automatico ? 1 : 0;
    e.DisparoUnicoRemoto = Numero(m, kRanuraDisparoUnico) != 0;
    aplica_registro_remoto();
  } else {
    e.captura_registro_remoto(o);
  }
  // 3.
  e.AutomaticoRemoto = 0;
  // 4.
  Message& out = v_.Salida();
  const std::vector<std::uint8_t>& v1 = o.RawBuffer(1);
  const std::vector<std::uint8_t>& v2 = o.RawBuffer(2);
  out.SetSamples(kRanuraCanal1, v1.data(), v1.size());
  out.SetSamples(kRanuraCanal2, v2.data(), v2.size());
  PonRegistro(out);
  out.SetNumber(kRanuraAutomatico, 0);
  out.SetNumber(kRanuraCambio, Bandera16(e.CambioLocal));
  out.SetNumber(kRanuraDisparoUnico, Bandera16(e.DisparoUnicoRemoto));
  v_.EnviarS(m.kind);
  ++intercambios_;
  // 5.
  e.CambioLocal = false;
  e.DisparoUnicoRemoto = false;  // sent once
}

bool IntercambioRemoto::aplica_registro_remoto() {
  EstadoRemoto& e = v_.Estado();
  scope::Osciloscopio& o = v_.Control();
  const RegistroRemoto r = e.Registro;  // the buttons' handlers below leave it alone
  // 1.
  e.NoAplicandoRemoto = false;
  e.NivelRemoto = true;
  // 2.
  if (e.DisparoUnicoRemoto) {
    v_.SSCommand1_Click();
    e.DisparoUnicoRemoto = false;  // the peer's press, not to be sent back
  }
  // 3.
  o.GananciaCanal1(r.GananciaCanal1);
  o.GananciaCanal2(r.GananciaCanal2);
  o.BaseDeTiemposActual(r.BaseDeTiemposActual);
  o.CanalDisparo(r.CanalDisparo);
  o.ModoDisparo(r.ModoDisparo);
  o.Flanco(r.Flanco);
  o.DisparoExterno(r.DisparoExterno);
  o.MetodoInterpolacion(hosting::PropertyValue(std::int64_t{r.MetodoInterpolacion}));
  o.Nivel(r.Nivel);
  o.MovimientoPretrigger(static_cast<double>(r.MovimientoPretrigger));
  // 4-7.
  v_.VScroll3(r.Nivel);
  v_.PulsaAcoplamiento(1, r.AcoplamientoCanal1);
  v_.PulsaAcoplamiento(2, r.AcoplamientoCanal2);
  v_.Slope(r.Flanco != 0 ? 1 : 0);
  v_.TrigChanDisplay(r.CanalDisparo);
  v_.Dis_ext(r.DisparoExterno);
  v_.MuestraAjustes();
  // 8.
  if (e.AutomaticoRemoto == 1) v_.ModoAutomatico_Click();
  // 9.
  e.NivelRemoto = false;  // also when the bar already showed the level
  e.NoAplicandoRemoto = true;
  return true;
}

}  // namespace orva::remote
