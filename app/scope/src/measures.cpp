// Osciloscopio: averaging steps, measurements, clipboard copies and the
// calibration compensation members.
#include "orva/scope/osciloscopio.h"
#include "orva/scope/readouts.h"

namespace orva::scope {

// ---- Averaging and measurements -------------------------------------------------

const std::vector<float>& Osciloscopio::PromediaCanal(int ch) {
  if (ch != 0 && ch != 1) return averaged_[0];
  PasoDePromediado(promediado_, aligned_[ch], averaged_[ch]);
  return averaged_[ch];
}

void Osciloscopio::MedidasCanal(int ch) {
  EntradaMedidas in;
  in.canal = ch + 1;
  in.desplazamiento = desplazamiento_[ch];
  in.voltios_por_codigo = Gain(ganancia_[ch]).volts_per_div * 4.0f / 128.0f;
  // Time per display point of the programmed timebase: 256 points per 10 divisions.
  in.tiempo_por_punto = static_cast<float>(Timebase(base_programada_).base_tiempos_div * 10.0 / 256.0);
  const ResultadoMedidas r = Medidas(averaged_[ch], in);
  vpp_[ch] = r.vpp;
  vm_[ch] = r.vm;
  vrms_[ch] = r.vrms;
  f_[ch] = r.f;
  t_[ch] = r.t;
  vm_byte_[ch] = r.vm_byte;
  vm_byte_clamped_[ch] = r.vm_byte_clamped;
}

// ---- Clipboard --------------------------------------------------------------------

bool Osciloscopio::CopiarPantallaTAlPortapapeles() {
  if (!clipboard_) return false;
  clipboard_->Clear();
  if (pantalla_tiempo_ && !pantalla_tiempo_->Empty()) clipboard_->SetPicture(pantalla_tiempo_);
  return true;
}

bool Osciloscopio::CopiarCanal(int ch) {
  if (!clipboard_) return false;
  // The latest aligned trace (not the averaged one) in the stored VDiv.
  const std::vector<float>& a = aligned_[ch];
  const std::string text = TextoDeMuestrasDeCanal(a.data(), static_cast<std::ptrdiff_t>(a.size()),
                                                  vdiv_field_[ch], DecimalSeparator());
  clipboard_->Clear();
  clipboard_->SetText(text);
  return true;
}

// ---- Calibration compensation ---------------------------------------------------

std::uint8_t Osciloscopio::CompensacionDeOffset(int ch) const {
  return calibracion_.OffsetCompensado(acoplamiento_[ch], ganancia_[ch], ch + 1)
      .value_or(comp_offset_[ch]);
}

void Osciloscopio::SetCompensacionDeOffset(int ch, std::uint8_t v) {
  if (!calibracion_.SetOffset(acoplamiento_[ch], ganancia_[ch], ch + 1, v)) return;
  comp_offset_[ch] = v;
  Changed(ch == 0 ? "CompensacionDeOffset1" : "CompensacionDeOffset2");
}

double Osciloscopio::CompensacionDeGanancia(int ch) const {
  if (acoplamiento_[ch] < kAcoplamientoGND || acoplamiento_[ch] > kAcoplamientoAC) return comp_ganancia_[ch];
  return calibracion_.Ganancia(ganancia_[ch], ch + 1).value_or(comp_ganancia_[ch]);
}

void Osciloscopio::SetCompensacionDeGanancia(int ch, double v) {
  // The table entry is per gain only, but a channel whose coupling is outside
  // the known codes stores nothing, as for the offset.
  if (acoplamiento_[ch] < kAcoplamientoGND || acoplamiento_[ch] > kAcoplamientoAC) return;
  if (!calibracion_.SetGanancia(ganancia_[ch], ch + 1, v)) return;
  comp_ganancia_[ch] = v;
  Changed(ch == 0 ? "CompensacionDeGanancia1" : "CompensacionDeGanancia2");
}

ResultadoCalibracion Osciloscopio::CargaElFicheroDeCalibracion() {
  return calibracion_.CargaCalDat(path_cal_);
}

ResultadoCalibracion Osciloscopio::CargaCal2() { return calibracion_.CargaCal2(path_cal2_); }

ResultadoCalibracion Osciloscopio::GuardaCal2() { return calibracion_.GuardaCal2(path_cal2_); }

}  // namespace orva::scope
