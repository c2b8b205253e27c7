// The configuration store: the seventeen front-panel settings of a file.
#include "orva/storage/bd_config.h"

#include <iterator>

#include "comun.h"
#include "orva/scope/osciloscopio.h"
#include "orva/storage/esquema.h"

namespace orva::storage {

namespace {

constexpr char kFiltro[] = "(*.mdb)|*.mdb";
constexpr char kNombrePropuesto[] = "KtrConfig.mdb";
constexpr char kExtension[] = "mdb";

struct Contexto {
  scope::Osciloscopio& o;
  FrontPanel& panel;
};

// What one field of "Parameters" is: how it is saved, which stored values a
// load accepts (null: any that converts), and how it is applied.
struct Campo {
  dao::Value (*guarda)(const Contexto&);
  bool (*legal)(std::int16_t);
  void (*aplica)(const Contexto&, const dao::Value&);
};

dao::Value Numero(std::int16_t v) { return dao::Value(std::int64_t{v}); }
bool Acoplamiento(std::int16_t v) { return v >= 0 && v <= 2; }
bool Modo(std::int16_t v) { return v >= 0 && v <= 2; }
bool Flanco(std::int16_t v) { return v == 0 || v == 1; }
bool Canal(std::int16_t v) { return v == 1 || v == 2; }
bool Promediado(std::int16_t v) { return v == 1 || v == 2 || v == 4 || v == 8 || v == 16; }
// The instrument averages with 1, 2, 4 and 8 only: with any other factor the
// averaged trace would stop following the captures. A 16 from an older file
// therefore loads as 8, the nearest factor it averages with.
std::int16_t FactorQuePromedia(std::int16_t v) { return v == 16 ? 8 : v; }

void AplicaAcoplamiento(const Contexto& c, int canal, std::int16_t v) {
  if (canal == 1) {
    c.o.AcoplamientoCanal1(v);
  } else {
    c.o.AcoplamientoCanal2(v);
  }
  if (Acoplamiento(v)) c.panel.PressCoupling(canal, v);
}

// In the order of CamposDeConfiguracion().
const Campo kCampos[] = {
    // CouplingChannel1, CouplingChannel2
    {[](const Contexto& c) { return Numero(c.o.AcoplamientoCanal1()); }, Acoplamiento,
     [](const Contexto& c, const dao::Value& v) { AplicaAcoplamiento(c, 1, v.AsInt16()); }},
    {[](const Contexto& c) { return Numero(c.o.AcoplamientoCanal2()); }, Acoplamiento,
     [](const Contexto& c, const dao::Value& v) { AplicaAcoplamiento(c, 2, v.AsInt16()); }},
    // Channel1Active, Channel2Active
    {[](const Contexto& c) { return dao::Value::Boolean(c.o.Canal1Activo()); }, nullptr,
     [](const Contexto& c, const dao::Value& v) {
       c.o.Canal1Activo(v.AsBoolean());
       c.panel.SetChanSelected(1, c.o.Canal1Activo());
     }},
    {[](const Contexto& c) { return dao::Value::Boolean(c.o.Canal2Activo()); }, nullptr,
     [](const Contexto& c, const dao::Value& v) {
       c.o.Canal2Activo(v.AsBoolean());
       c.panel.SetChanSelected(2, c.o.Canal2Activo());
     }},
    // GainChannel1, GainChannel2, TimeBase: the setters clamp to the tables.
    {[](const Contexto& c) { return Numero(c.o.GananciaCanal1()); }, nullptr,
     [](const Contexto& c, const dao::Value& v) { c.o.GananciaCanal1(v.AsInt16()); }},
    {[](const Contexto& c) { return Numero(c.o.GananciaCanal2()); }, nullptr,
     [](const Contexto& c, const dao::Value& v) { c.o.GananciaCanal2(v.AsInt16()); }},
    {[](const Contexto& c) { return Numero(c.o.BaseDeTiemposActual()); }, nullptr,
     [](const Contexto& c, const dao::Value& v) { c.o.BaseDeTiemposActual(v.AsInt16()); }},
    // Mode
    {[](const Contexto& c) { return Numero(c.o.ModoDisparo()); }, Modo,
     [](const Contexto& c, const dao::Value& v) { c.o.ModoDisparo(v.AsInt16()); }},
    // CoordChannel1, CoordChannel2: the window's check boxes only.
    {[](const Contexto& c) { return dao::Value::Boolean(c.panel.ContCursor(1)); }, nullptr,
     [](const Contexto& c, const dao::Value& v) { c.panel.SetContCursor(1, v.AsBoolean()); }},
    {[](const Contexto& c) { return dao::Value::Boolean(c.panel.ContCursor(2)); }, nullptr,
     [](const Contexto& c, const dao::Value& v) { c.panel.SetContCursor(2, v.AsBoolean()); }},
    // Slope
    {[](const Contexto& c) { return Numero(c.o.Flanco()); }, Flanco,
     [](const Contexto& c, const dao::Value& v) {
       const std::int16_t f = v.AsInt16();
       c.o.Flanco(f);
       c.panel.PressSlope(f == 0 ? 0 : 1);
     }},
    // TriggerChannel
    {[](const Contexto& c) { return Numero(c.o.CanalDisparo()); }, Canal,
     [](const Contexto& c, const dao::Value& v) {
       const std::int16_t canal = v.AsInt16();
       c.o.CanalDisparo(canal);
       c.panel.SetTrigChanDisplay(std::to_string(canal));
     }},
    // AverageChannel1: the control and the buttons; AverageChannel2: the
    // control only (one factor for both channels: the second wins).
    {[](const Contexto& c) { return Numero(c.o.promediado()); }, Promediado,
     [](const Contexto& c, const dao::Value& v) {
       const std::int16_t n = FactorQuePromedia(v.AsInt16());
       c.o.promediado(n);
       for (int k = 0; k <= 4; ++k)
         if ((1 << k) == n) c.panel.PressPromediado(k);
     }},
    {[](const Contexto& c) { return Numero(c.o.promediado()); }, Promediado,
     [](const Contexto& c, const dao::Value& v) { c.o.promediado(FactorQuePromedia(v.AsInt16())); }},
    // ModeXY
    {[](const Contexto& c) { return dao::Value::Boolean(c.o.ModoXY()); }, nullptr,
     [](const Contexto& c, const dao::Value& v) {
       c.o.ModoXY(v.AsBoolean());
       c.panel.SetXYCommand(c.o.ModoXY() ? 1 : 0);
     }},
    // YChannel1, YChannel2
    {[](const Contexto& c) { return Numero(c.o.DesplazamientoYCanal1()); }, nullptr,
     [](const Contexto& c, const dao::Value& v) { c.o.DesplazamientoYCanal1(v.AsInt16()); }},
    {[](const Contexto& c) { return Numero(c.o.DesplazamientoYCanal2()); }, nullptr,
     [](const Contexto& c, const dao::Value& v) { c.o.DesplazamientoYCanal2(v.AsInt16()); }},
};
static_assert(std::size(kCampos) == 17, "one entry per field of the configuration file");

}  // namespace

BDConfig::BDConfig(scope::Osciloscopio& osciloscopio, FrontPanel& panel,
                   std::shared_ptr<filedialog::FileDialog> dialogo, std::string ruta_aplicacion)
    : o_(osciloscopio), panel_(panel), dialogo_(std::move(dialogo)),
      ruta_aplicacion_(std::move(ruta_aplicacion)) {}

std::optional<std::string> BDConfig::PideFichero(bool guardar) const {
  return detail::PideFichero(dialogo_.get(),
                             detail::Peticion(guardar, path_configs_, kFiltro, kNombrePropuesto, kExtension));
}

Outcome BDConfig::GuardarConfiguracion() {
  return detail::Atrapa([&]() -> Outcome {
    const std::optional<std::string> fichero = PideFichero(true);
    if (!fichero) return Outcome::Cancelado();
    const std::string& plantillas = carpeta_de_plantillas_.empty() ? path_configs_ : carpeta_de_plantillas_;
    detail::GuardaAtomico(UneRuta(plantillas, kPlantillaConfiguracion), *fichero, kTipoConfiguracion,
                  UneRuta(ruta_aplicacion_, kInstrumento), [&](dao::Database& db) {
      const Contexto c{o_, panel_};
      const auto& campos = CamposDeConfiguracion();
      dao::Recordset rs = db.OpenRecordset(kTablaParametros);
      rs.AddNew();
      for (std::size_t i = 0; i < campos.size(); ++i) rs.SetField(campos[i].name, kCampos[i].guarda(c));
      rs.Update();
    });
    return Outcome::Hecho();
  });
}

Outcome BDConfig::CargarConfiguracion() {
  return detail::Atrapa([&]() -> Outcome {
    const std::optional<std::string> fichero = PideFichero(false);
    if (!fichero) return Outcome::Cancelado();
    dao::Database db = dao::DBEngine().OpenDatabase(*fichero, dao::OpenMode::kReadOnly);
    db.BeginTrans();  // one consistent read, and one file lock for all of it
    {
      dao::Recordset rs = db.OpenRecordset(kTablaConfig);
      const std::string instrumento = rs.Field("Instrument").AsText();
      if (instrumento != kInstrumento)
        return Outcome::Rechazado(*fichero + " is not a configuration of " + std::string(kInstrumento));
    }
    const auto& campos = CamposDeConfiguracion();
    dao::Recordset rs = db.OpenRecordset(kTablaParametros);
    // Coded values outside their tables refuse the whole file; a field that
    // is missing or not a number is left to the loop below.
    for (std::size_t i = 0; i < campos.size(); ++i) {
      if (kCampos[i].legal == nullptr) continue;
      std::int16_t v = 0;
      try {
        v = rs.Field(campos[i].name).AsInt16();
      } catch (const dao::Error&) {
        continue;
      }
      if (!kCampos[i].legal(v))
        return Outcome::Rechazado(*fichero + ": " + std::string(campos[i].name) + " holds " +
                                  std::to_string(v) + ", which is not one of its values");
    }
    const Contexto c{o_, panel_};
    for (std::size_t i = 0; i < campos.size(); ++i) kCampos[i].aplica(c, rs.Field(campos[i].name));
    return Outcome::Hecho();
  });
}

}  // namespace orva::storage
