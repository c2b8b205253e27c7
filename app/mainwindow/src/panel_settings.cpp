#include "orva/mainwindow/panel_settings.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <functional>
#include <utility>

#include "orva/mainwindow/oscil.h"
#include "orva/scope/osciloscopio.h"
#include "orva/scope/tables.h"

namespace orva::mainwindow {
namespace {

enum class Tipo {
  kEntero,    // any whole number (the panel clamps it)
  kCodigo,    // one of a few numbers, or their words
  kBooleano,  // 1/0, -1, true/false, on/off
  kReal,      // a finite number
  kBase,      // a timebase text of the table, exact
};

struct Palabra {
  std::string_view palabra;
  int codigo;
};

struct Regla {
  ClaveDeAjuste clave;
  Tipo tipo;
  std::vector<int> codigos;        // kCodigo: the numbers accepted
  std::vector<Palabra> palabras;   // kCodigo: words accepted for them
  void (*aplica)(Oscil&, double);
};

int Entero(double v) {
  return static_cast<int>(std::clamp(v, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

// Presses b into the wanted state (its handler runs); a button already in it
// has its setting made already.
void Pulsa(QAbstractButton* b, bool estado) {
  if (b != nullptr && b->isChecked() != estado) b->setChecked(estado);
}

// Moves a scroll bar as the user would; its handler runs even when the value
// stays (so the setting is applied in any case).
void Mueve(QScrollBar* barra, int valor, const std::function<void()>& handler) {
  const int antes = barra->value();
  barra->setValue(valor);  // kept to the bar's range
  if (barra->value() == antes) handler();
}

const std::vector<Regla>& Reglas() {
  static const std::vector<Regla> reglas{
      {{"BaseDeTiemposActual", "timebase index, whole number kept to 2..20 (50ns/Div .. 50ms/Div)"},
       Tipo::kEntero, {}, {},
       [](Oscil& w, double v) { w.PonBaseDeTiempos(Entero(v)); }},
      {{"BaseDeTiemposActualTexto", "timebase text as shown, exact case (\"5us/Div\")"},
       Tipo::kBase, {}, {},
       [](Oscil& w, double v) {
         w.Osciloscopio1().BaseDeTiemposActualTexto(std::string(scope::Timebase(Entero(v)).text));
         w.PonBaseDeTiempos(w.Osciloscopio1().BaseDeTiemposActual());
       }},
      {{"GananciaCanal1", "gain index of channel 1, whole number kept to 0..10 (50V/div .. 20mV/div)"},
       Tipo::kEntero, {}, {},
       [](Oscil& w, double v) { w.PonGanancia(1, Entero(v)); }},
      {{"GananciaCanal2", "gain index of channel 2, as GananciaCanal1"},
       Tipo::kEntero, {}, {},
       [](Oscil& w, double v) { w.PonGanancia(2, Entero(v)); }},
      {{"AcoplamientoCanal1", "coupling of channel 1: 0 or GND, 1 or DC, 2 or AC"},
       Tipo::kCodigo, {0, 1, 2}, {{"GND", 0}, {"DC", 1}, {"AC", 2}},
       [](Oscil& w, double v) {
         QPushButton* b[] = {w.CouplingGND(1), w.CouplingDC(1), w.CouplingAC(1)};
         Pulsa(b[Entero(v)], true);
       }},
      {{"AcoplamientoCanal2", "coupling of channel 2, as AcoplamientoCanal1"},
       Tipo::kCodigo, {0, 1, 2}, {{"GND", 0}, {"DC", 1}, {"AC", 2}},
       [](Oscil& w, double v) {
         QPushButton* b[] = {w.CouplingGND(2), w.CouplingDC(2), w.CouplingAC(2)};
         Pulsa(b[Entero(v)], true);
       }},
      {{"Canal1Activo", "channel 1 shown: 1/0, true/false, on/off (-1 is true)"},
       Tipo::kBooleano, {}, {},
       [](Oscil& w, double v) { Pulsa(w.ChanSelected(1), v != 0); }},
      {{"Canal2Activo", "channel 2 shown, as Canal1Activo"},
       Tipo::kBooleano, {}, {},
       [](Oscil& w, double v) { Pulsa(w.ChanSelected(2), v != 0); }},
      {{"ModoDisparo", "trigger mode: 0 or Single, 1 or Normal, 2 or Auto"},
       Tipo::kCodigo, {0, 1, 2}, {{"Single", 0}, {"Normal", 1}, {"Auto", 2}},
       [](Oscil& w, double v) { w.PonModoDisparo(Entero(v)); }},
      {{"CanalDisparo", "trigger channel: 1 or 2"},
       Tipo::kCodigo, {1, 2}, {},
       [](Oscil& w, double v) {
         if (Entero(v) == 2) {
           w.TrigChanSpin_SpinUp();
         } else {
           w.TrigChanSpin_SpinDown();
         }
       }},
      {{"Flanco", "trigger slope: 0 rising, 1 falling"},
       Tipo::kCodigo, {0, 1}, {},
       [](Oscil& w, double v) { Pulsa(w.Slope, v != 0); }},
      {{"DisparoExterno", "external trigger: 0 off, 1 on"},
       Tipo::kCodigo, {0, 1}, {},
       [](Oscil& w, double v) { Pulsa(w.Dis_ext, v != 0); }},
      {{"Nivel", "trigger level code, whole number kept to 0..255 (128 is 0 V)"},
       Tipo::kEntero, {}, {},
       [](Oscil& w, double v) { Mueve(w.VScroll3, Entero(v), [&w] { w.VScroll3_Change(); }); }},
      {{"Promediado", "averaging factor: 1, 2, 4 or 8"},
       Tipo::kCodigo, {1, 2, 4, 8}, {},
       [](Oscil& w, double v) {
         const int i = Entero(v) == 8 ? 3 : Entero(v) == 4 ? 2 : Entero(v) == 2 ? 1 : 0;
         if (w.promediado(i)->isChecked()) {
           w.promediado_Click(i);
         } else {
           w.promediado(i)->setChecked(true);
         }
       }},
      {{"DesplazamientoYCanal1", "vertical offset of channel 1 in codes, whole number kept to -128..128"},
       Tipo::kEntero, {}, {},
       [](Oscil& w, double v) { w.PonDesplazamiento(1, Entero(v)); }},
      {{"DesplazamientoYCanal2", "vertical offset of channel 2, as DesplazamientoYCanal1"},
       Tipo::kEntero, {}, {},
       [](Oscil& w, double v) { w.PonDesplazamiento(2, Entero(v)); }},
      {{"TagX", "the free value of VScroll1, whole number kept to -100..100"},
       Tipo::kEntero, {}, {},
       [](Oscil& w, double v) { Mueve(w.VScroll1, Entero(v), [&w] { w.VScroll1_Change(); }); }},
      {{"ModoXY", "XY view instead of the spectrum: 1/0, true/false, on/off"},
       Tipo::kBooleano, {}, {},
       [](Oscil& w, double v) { Pulsa(w.XYCommand, v != 0); }},
      {{"MovimientoPretrigger", "trigger-point shift in divisions, a number (used within -10..10)"},
       Tipo::kReal, {}, {},
       [](Oscil& w, double v) { w.Osciloscopio1().MovimientoPretrigger(v); }},
  };
  return reglas;
}

std::string_view Recorta(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool Iguales(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto bajo = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
           return bajo(x) == bajo(y);
         });
}

std::optional<double> LeeEntero(std::string_view s) {
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  long long v = 0;
  const auto [fin, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (fin != s.data() + s.size() || s.empty()) return std::nullopt;
  if (ec == std::errc::result_out_of_range) return s.front() == '-' ? -1e18 : 1e18;
  if (ec != std::errc()) return std::nullopt;
  return static_cast<double>(v);
}

std::optional<double> LeeReal(std::string_view s) {
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  double v = 0;
  const auto [fin, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || fin != s.data() + s.size() || s.empty() || !std::isfinite(v))
    return std::nullopt;
  return v;
}

std::string ListaDeClaves() {
  std::string lista;
  for (const Regla& r : Reglas()) {
    if (!lista.empty()) lista += ", ";
    lista += r.clave.clave;
  }
  return lista;
}

}  // namespace

const std::vector<ClaveDeAjuste>& ClavesDeAjuste() {
  static const std::vector<ClaveDeAjuste> claves = [] {
    std::vector<ClaveDeAjuste> c;
    for (const Regla& r : Reglas()) c.push_back(r.clave);
    return c;
  }();
  return claves;
}

std::optional<AjusteDelPanel> LeeAjuste(std::string_view clave_valor, std::string* error) {
  auto falla = [error](std::string why) -> std::optional<AjusteDelPanel> {
    if (error) *error = std::move(why);
    return std::nullopt;
  };
  const std::size_t igual = clave_valor.find('=');
  if (igual == std::string_view::npos)
    return falla("--set takes KEY=VALUE, not '" + std::string(clave_valor) + "'");
  const std::string_view clave = Recorta(clave_valor.substr(0, igual));
  const std::string_view valor = Recorta(clave_valor.substr(igual + 1));
  const Regla* regla = nullptr;
  for (const Regla& r : Reglas())
    if (Iguales(r.clave.clave, clave)) regla = &r;
  if (regla == nullptr)
    return falla("--set: '" + std::string(clave) + "' is not a setting (keys: " + ListaDeClaves() +
                 ")");
  AjusteDelPanel a{std::string(regla->clave.clave), std::string(valor), 0};
  const std::string malo = "--set " + a.clave + ": '" + a.valor + "' is not a valid value (" +
                           std::string(regla->clave.valores) + ")";
  switch (regla->tipo) {
    case Tipo::kEntero: {
      const auto v = LeeEntero(valor);
      if (!v) return falla(malo);
      a.numero = *v;
      break;
    }
    case Tipo::kReal: {
      const auto v = LeeReal(valor);
      if (!v) return falla(malo);
      a.numero = *v;
      break;
    }
    case Tipo::kBooleano: {
      const auto v = LeeEntero(valor);
      if (v && (*v == 0 || *v == 1 || *v == -1)) {
        a.numero = *v != 0 ? 1 : 0;
      } else if (Iguales(valor, "true") || Iguales(valor, "on")) {
        a.numero = 1;
      } else if (Iguales(valor, "false") || Iguales(valor, "off")) {
        a.numero = 0;
      } else {
        return falla(malo);
      }
      break;
    }
    case Tipo::kCodigo: {
      std::optional<double> v = LeeEntero(valor);
      for (const Palabra& p : regla->palabras)
        if (Iguales(valor, p.palabra)) v = p.codigo;
      if (!v || std::find(regla->codigos.begin(), regla->codigos.end(), Entero(*v)) ==
                    regla->codigos.end() || *v != Entero(*v))
        return falla(malo);
      a.numero = *v;
      break;
    }
    case Tipo::kBase: {
      int k = -1;
      for (int i = scope::kTimebaseLastIndex; i >= 0; --i)
        if (scope::kTimebaseTable[i].text == valor) k = i;
      if (k < 0) return falla(malo);
      a.numero = k;
      break;
    }
  }
  return a;
}

void AplicaAjuste(Oscil& w, const AjusteDelPanel& ajuste) {
  for (const Regla& r : Reglas()) {
    if (r.clave.clave == ajuste.clave) {
      r.aplica(w, ajuste.numero);
      break;
    }
  }
  w.ActualizaPanel();
}

}  // namespace orva::mainwindow
