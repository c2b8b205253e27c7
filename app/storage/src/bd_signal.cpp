// The signal store: saving a channel and loading the reference channel.
#include "orva/storage/bd_signal.h"

#include <cmath>
#include <limits>

#include "comun.h"
#include "orva/scope/osciloscopio.h"
#include "orva/storage/esquema.h"

namespace orva::storage {

namespace {

constexpr char kFiltro[] = "Signal (*.mdb)|*.mdb";
constexpr char kNombrePropuesto[] = "SigOsc.mdb";

// The "Data" rows of a file, read and checked before anything is applied.
struct Datos {
  std::vector<float> codigos;
  bool leidos = false;  // false: no rows, or the table could not be read
  std::string fallo;    // why, when not read
};

bool EsContenido(dao::ErrorKind k) {
  return k == dao::ErrorKind::kTooManyRows || k == dao::ErrorKind::kNullValue ||
         k == dao::ErrorKind::kTypeMismatch || k == dao::ErrorKind::kOverflow;
}

}  // namespace

BDSignal::BDSignal(scope::Osciloscopio& osciloscopio, std::shared_ptr<filedialog::FileDialog> dialogo)
    : o_(osciloscopio), dialogo_(std::move(dialogo)) {
  FuenteDeMuestras(nullptr);
}

void BDSignal::FuenteDeMuestras(std::function<std::vector<float>(std::int16_t)> fuente) {
  if (fuente) {
    fuente_ = std::move(fuente);
  } else {
    fuente_ = [this](std::int16_t canal) { return canal == 1 ? o_.VCanal1() : o_.VCanal2(); };
  }
}

std::optional<std::string> BDSignal::PideFichero(bool guardar) const {
  return detail::PideFichero(dialogo_.get(), detail::Peticion(guardar, path_signals_, kFiltro,
                                                              guardar ? kNombrePropuesto : "", ""));
}

Outcome BDSignal::Guardar2(std::int16_t canal) { return Guarda(canal, true); }
Outcome BDSignal::Guardar(std::int16_t canal) { return Guarda(canal, false); }

Outcome BDSignal::Guarda(std::int16_t canal, bool en_voltios) {
  return detail::Atrapa([&]() -> Outcome {
    // Any other channel would store no settings and a trace of zeros.
    if (canal != 1 && canal != 2) return Outcome::Rechazado("there is no channel " + std::to_string(canal));
    const std::optional<std::string> fichero = PideFichero(true);
    if (!fichero) return Outcome::Cancelado();

    const std::string& plantillas = carpeta_de_plantillas_.empty() ? path_signals_ : carpeta_de_plantillas_;
    detail::GuardaAtomico(UneRuta(plantillas, kPlantillaSenal), *fichero, kTipoSenal, std::nullopt,
                  [&](dao::Database& db) {
      double factor = 0;
      {
        dao::Recordset rs = db.OpenRecordset(kTablaParametros);
        rs.AddNew();
        if (en_voltios) {
          rs.SetField("Gain", canal == 1 ? o_.GananciaCanal1Texto() : o_.GananciaCanal2Texto());
          rs.SetField("Coupling", canal == 1 ? o_.AcoplamientoCanal1Texto() : o_.AcoplamientoCanal2Texto());
          rs.SetField("TimeBase", o_.BaseDeTiemposActualTexto());
        } else {
          rs.SetField("Gain", dao::Value(canal == 1 ? o_.GananciaCanal1() : o_.GananciaCanal2()));
          rs.SetField("Coupling",
                      dao::Value(canal == 1 ? o_.AcoplamientoCanal1() : o_.AcoplamientoCanal2()));
          rs.SetField("TimeBase", dao::Value(o_.BaseDeTiemposActual()));
        }
        rs.SetField("Name", nombre_);
        rs.SetField("Description", descripcion_);
        rs.SetField("Comment", comentarios_);
        rs.SetField("Date", fecha_);
        rs.Update();
        if (en_voltios) factor = (canal == 1 ? o_.GananciaCanal1VOLT() : o_.GananciaCanal2VOLT()) / 128.0;
      }
      {
        dao::Recordset rs = db.OpenRecordset(kTablaDatos);
        const std::vector<float> muestras = fuente_(canal);
        // Indexes 0 .. U - 1 of an array whose upper bound is U.
        std::int64_t n = static_cast<std::int64_t>(muestras.size()) - 1;
        if (en_voltios && n > kFilasGuardar2) n = kFilasGuardar2;
        for (std::int64_t i = 0; i < n; ++i) {
          const double v = muestras[static_cast<std::size_t>(i)];
          rs.AddNew();
          rs.SetField(0, dao::Value(en_voltios ? (v - 128.0) * factor : v));
          rs.Update();
        }
      }
    });
    if (en_voltios && al_guardar2_) al_guardar2_();
    return Outcome::Hecho();
  });
}

Outcome BDSignal::Abrir2(const std::string& fichero) {
  if (!detail::Recorta(fichero).empty()) return Carga(fichero, true);
  const std::optional<std::string> elegido = PideFichero(false);
  if (!elegido) return Outcome::Cancelado();
  if (!detail::EsFichero(*elegido)) return Outcome::Fallido("no file " + *elegido);
  return Carga(*elegido, true);
}

Outcome BDSignal::Abrir() {
  const std::optional<std::string> elegido = PideFichero(false);
  if (!elegido) return Outcome::Cancelado();
  if (!detail::EsFichero(*elegido)) return Outcome::Fallido("no file " + *elegido);
  return Carga(*elegido, false);
}

Outcome BDSignal::Carga(const std::string& fichero, bool en_voltios) {
  return detail::Atrapa([&]() -> Outcome {
    dao::Database db = dao::DBEngine().OpenDatabase(fichero, dao::OpenMode::kReadOnly);
    db.BeginTrans();  // one consistent read, and one file lock for all of it
    {
      dao::Recordset rs = db.OpenRecordset(kTablaConfig);
      const std::string instrumento = rs.Field("Instrument").AsText();
      const std::string tipo = rs.Field("Type").AsText();
      if (detail::Mayusculas(instrumento) != detail::Mayusculas(instrumento_))
        return Outcome::Rechazado(fichero + " was written by " + instrumento.substr(0, 60) +
                                  ", not by " + instrumento_);
      if (detail::Mayusculas(tipo) != detail::Mayusculas(kTipoSenal))
        return Outcome::Rechazado(fichero + " is not a signal file (its type is " + tipo.substr(0, 60) + ")");
    }

    // Channel 2's scale: loading changes no gain of the live channels, so it
    // is the same before and after the settings below are applied.
    const double factor = 128.0 / o_.GananciaCanal2VOLT();
    Datos datos;
    try {
      dao::Recordset rs = db.OpenRecordset(kTablaDatos, kMaxFilasDatos);
      rs.MoveLast();
      const std::int32_t filas = rs.RecordCount();
      rs.MoveFirst();
      datos.codigos.resize(static_cast<std::size_t>(filas));
      for (std::int32_t i = 0; i < filas; ++i) {
        const double valor = rs.Field(0).AsSingle();
        const double codigo = en_voltios ? valor * factor + 128.0 : valor;
        if (!std::isfinite(codigo) || std::fabs(codigo) > std::numeric_limits<float>::max())
          throw dao::Error(dao::ErrorKind::kOverflow, "sample " + std::to_string(i) + " is out of range");
        datos.codigos[static_cast<std::size_t>(i)] = static_cast<float>(codigo);
        rs.MoveNext();
      }
      datos.leidos = true;
    } catch (const dao::Error& e) {
      if (EsContenido(e.Kind())) return Outcome::Rechazado(fichero + ": " + e.what());
      datos.fallo = e.what();
    }

    {
      dao::Recordset rs = db.OpenRecordset(kTablaParametros);
      if (en_voltios) {
        o_.GananciaCanalDTexto(rs.Field("Gain").AsText());
        o_.AcoplamientoCanalDTexto(rs.Field("Coupling").AsText());
        const std::string base = rs.Field("TimeBase").AsText();
        o_.BaseDeTiemposActualTexto(base);
        o_.BaseDeTiemposDTexto(base);
      } else {
        // The setters keep every index inside its table when it is used.
        o_.GananciaCanalD(rs.Field("Gain").AsInt16());
        o_.AcoplamientoCanalD(rs.Field("Coupling").AsInt16());
        const std::int16_t base = rs.Field("TimeBase").AsInt16();
        o_.BaseDeTiemposActual(base);
        o_.BaseDeTiemposD(base);
      }
    }
    if (!datos.leidos) return Outcome::Fallido(fichero + ": " + datos.fallo);
    o_.VDisk(datos.codigos);
    o_.CanalDActivo(true);
    return Outcome::Hecho();
  });
}

}  // namespace orva::storage
