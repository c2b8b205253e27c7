// One refresh of everything the window derives from the instrument's
// settings: the panel's displays and choices (ActualizaPanel), the
// trigger-level label, the time and voltage cursor readouts, the spectrum
// markers' frequencies and the pointer readouts.
//
// What the window shows is compared with the settings it was last derived
// from (a handful of numbers, no allocation), and re-read when they differ.
// The comparison runs
//   - at every drawing of the time view (passes, the frozen or single-shot
//     redraw, a redraw while stopped), before anything is drawn, and
//   - from the event loop, once, after the instrument reported a change of a
//     setting (its property-changed notification) or the language changed,
// so whatever changed a setting (a step button, the automatic set-up, a
// configuration load, a record from the remote link, a scripted setting, the
// automatic gain inside the instrument) the next frame shows numbers that
// belong to it.
#include <QLabel>
#include <QScrollBar>
#include <QTimer>

#include <array>
#include <cmath>
#include <string_view>

#include "orva/localisation/idioma.h"
#include "orva/mainwindow/oscil.h"
#include "orva/scope/osciloscopio.h"
#include "orva/scope/readouts.h"

namespace orva::mainwindow {
namespace {

// The instrument's properties the shown texts are derived from; a change of
// any other (the measurements, the end of capture) asks for nothing.
constexpr std::array<std::string_view, 20> kAjustesMostrados = {
    "BaseDeTiemposActual", "BaseDeTiemposActualTexto", "GananciaCanal1", "GananciaCanal2",
    "VDiv1", "VDiv2", "DesplazamientoYCanal1", "DesplazamientoYCanal2", "Nivel",
    "CanalDisparo", "ModoDisparo", "Flanco", "DisparoExterno", "MetodoInterpolacion",
    "MovimientoPretrigger", "AcoplamientoCanal1", "AcoplamientoCanal2", "Promediado",
    "Canal1Activo", "Canal2Activo"};

}  // namespace

Oscil::AjustesMostrados Oscil::AjustesActuales() const {
  const scope::Osciloscopio& o = *osciloscopio_;
  AjustesMostrados a;
  a.base = o.BaseDeTiemposActual();
  a.ganancia1 = o.GananciaCanal1();
  a.ganancia2 = o.GananciaCanal2();
  a.desplazamiento1 = o.DesplazamientoYCanal1();
  a.desplazamiento2 = o.DesplazamientoYCanal2();
  a.nivel = o.Nivel();
  a.canal_disparo = o.CanalDisparo();
  a.modo_disparo = o.ModoDisparo();
  a.flanco = o.Flanco();
  a.disparo_externo = o.DisparoExterno();
  a.acoplamiento1 = o.AcoplamientoCanal1();
  a.acoplamiento2 = o.AcoplamientoCanal2();
  a.promediado = o.promediado();
  a.activos = (o.Canal1Activo() ? 1 : 0) | (o.Canal2Activo() ? 2 : 0) | (o.ModoXY() ? 4 : 0);
  const auto metodo = hosting::ToDouble(o.MetodoInterpolacion());
  a.metodo = metodo ? *metodo : -1.0;
  a.movimiento = o.MovimientoPretriggerUsado();
  a.idioma = ProgramaGlobal().IdiomaActual;
  return a;
}

void Oscil::ConectaRefresco() {
  osciloscopio_->SetPropertyChangedHandler([this](std::string_view propiedad) {
    for (std::string_view p : kAjustesMostrados) {
      if (p == propiedad) {
        PideRefresco();
        return;
      }
    }
  });
}

void Oscil::PideRefresco() {
  if (refresco_pedido_) return;  // one call waits already
  refresco_pedido_ = true;
  QTimer::singleShot(0, this, [this] { RefrescaDerivados(); });
}

void Oscil::RefrescaDerivados() {
  refresco_pedido_ = false;
  const AjustesMostrados a = AjustesActuales();
  if (ajustes_validos_ && a == ajustes_mostrados_) return;
  ajustes_mostrados_ = a;
  ajustes_validos_ = true;
  ActualizaPanel();
  if (Disparo != nullptr) TextoDelNivel();
  ActualizaCursoresVerticales();  // the markers' frequencies too, once moved
  ActualizaCursoresHorizontales();
  LecturasDelPuntero();
}

void Oscil::TextoDelNivel() {
  const scope::Osciloscopio& o = *osciloscopio_;
  const double volt = o.CanalDisparo() == 1 ? o.GananciaCanal1VOLT() : o.GananciaCanal2VOLT();
  const double v = volt / 128.0 * (o.Nivel() - 128);
  const std::string_view texto = localisation::Text(6, ProgramaGlobal().IdiomaActual);
  Disparo->setText(QString::fromUtf8(texto.data(), static_cast<int>(texto.size())) + ": " +
                   QString::fromStdString(scope::FormatoVoltios(static_cast<float>(v))));
  Disparo->adjustSize();
}

}  // namespace orva::mainwindow
