// The two file layouts and the writing of their templates.
#include "orva/storage/esquema.h"

#include <cstdio>
#include <filesystem>

namespace orva::storage {

using dao::FieldType;

const Plantilla& PlantillaSenal() {
  static const Plantilla p{
      kPlantillaSenal,
      {{kTablaConfig, {{"Instrument", FieldType::kText}, {"Type", FieldType::kText}}},
       {kTablaParametros,
        {{"Gain", FieldType::kText},
         {"Coupling", FieldType::kText},
         {"TimeBase", FieldType::kText},
         {"Name", FieldType::kText},
         {"Description", FieldType::kText},
         {"Comment", FieldType::kText},
         {"Date", FieldType::kText}}},
       // One sample per row, addressed by position 0 only.
       {kTablaDatos, {{"Value", FieldType::kSingle}}}}};
  return p;
}

const std::vector<dao::FieldSchema>& CamposDeConfiguracion() {
  static const std::vector<dao::FieldSchema> campos{
      {"CouplingChannel1", FieldType::kInt16}, {"CouplingChannel2", FieldType::kInt16},
      {"Channel1Active", FieldType::kBoolean}, {"Channel2Active", FieldType::kBoolean},
      {"GainChannel1", FieldType::kInt16},     {"GainChannel2", FieldType::kInt16},
      {"TimeBase", FieldType::kInt16},         {"Mode", FieldType::kInt16},
      {"CoordChannel1", FieldType::kBoolean},  {"CoordChannel2", FieldType::kBoolean},
      {"Slope", FieldType::kInt16},            {"TriggerChannel", FieldType::kInt16},
      {"AverageChannel1", FieldType::kInt16},  {"AverageChannel2", FieldType::kInt16},
      {"ModeXY", FieldType::kBoolean},         {"YChannel1", FieldType::kInt16},
      {"YChannel2", FieldType::kInt16}};
  return campos;
}

const Plantilla& PlantillaConfiguracion() {
  static const Plantilla p{
      kPlantillaConfiguracion,
      {{kTablaConfig,
        {{"Instrument", FieldType::kText}, {"Type", FieldType::kText}, {"Model", FieldType::kText}}},
       {kTablaParametros, CamposDeConfiguracion()}}};
  return p;
}

void EscribePlantilla(const Plantilla& plantilla, const std::string& carpeta) {
  const std::string destino = UneRuta(carpeta, plantilla.fichero);
  const std::string nuevo = destino + ".new";
  std::filesystem::remove(nuevo);
  {
    dao::Database db = dao::DBEngine().CreateDatabase(nuevo);
    db.BeginTrans();
    for (const dao::TableSchema& t : plantilla.tablas) db.CreateTable(t);
    db.CommitTrans();
  }
  std::error_code ec;
  std::filesystem::rename(nuevo, destino, ec);
  if (ec) throw dao::Error(dao::ErrorKind::kFileSystem, "cannot write " + destino + ": " + ec.message());
}

std::string UneRuta(std::string_view carpeta, std::string_view nombre) {
  std::string r(carpeta);
  if (!r.empty() && (r.back() == '/' || r.back() == '\\')) r.pop_back();
  r += '/';
  r += nombre;
  return r;
}

}  // namespace orva::storage

namespace orva::storage {

#ifndef ORVA_DATA_FROM_BIN
#define ORVA_DATA_FROM_BIN "../share/orvascope"
#endif

std::string CarpetaDeDatos(const std::string& carpeta_programa) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const auto tiene_plantillas = [&ec](const fs::path& carpeta) {
    return fs::is_regular_file(carpeta / kPlantillaSenal, ec) &&
           fs::is_regular_file(carpeta / kPlantillaConfiguracion, ec);
  };
  const fs::path programa(carpeta_programa);
  if (tiene_plantillas(programa)) return carpeta_programa;
  const fs::path instalada = (programa / ORVA_DATA_FROM_BIN).lexically_normal();
  if (tiene_plantillas(instalada)) return instalada.string();
  return carpeta_programa;
}

}  // namespace orva::storage
