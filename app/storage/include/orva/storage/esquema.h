// The file layouts of the two stores, defined once: the templates are made
// from these tables (by the build, beside the program), the stores read and
// write the fields by these names, and docs/file-formats.md describes them.
//
// Signal file ("ModelSignal.mdx" copied, then filled):
//   Config      Instrument TEXT, Type TEXT                  one row
//   Parameters  Gain, Coupling, TimeBase, Name, Description,
//               Comment, Date (all TEXT)                     one row
//   Data        Value FLOAT (single precision)               one row per sample
// Configuration file ("ModelKTR5.mdx" copied, then filled):
//   Config      Instrument TEXT, Type TEXT, Model TEXT       one row
//   Parameters  the seventeen settings, SMALLINT or BOOLEAN  one row
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "orva/dao.h"

namespace orva::storage {

// Identity written into every file and required of a configuration file.
inline constexpr std::string_view kInstrumento = "OrvaScope.exe";
inline constexpr std::string_view kTipoSenal = "Signal";
inline constexpr std::string_view kTipoConfiguracion = "Instruments";

inline constexpr std::string_view kPlantillaSenal = "ModelSignal.mdx";
inline constexpr std::string_view kPlantillaConfiguracion = "ModelKTR5.mdx";

// The folder of the program's data (templates, board folder): the program's
// own folder when the templates lie beside the program (the build folder, a
// copy unpacked anywhere), else the installed data folder relative to it
// (<prefix>/bin -> <prefix>/share/orvascope) when the templates are there;
// the program's folder again when neither holds them.
std::string CarpetaDeDatos(const std::string& carpeta_programa);

inline constexpr std::string_view kTablaConfig = "Config";
inline constexpr std::string_view kTablaParametros = "Parameters";
inline constexpr std::string_view kTablaDatos = "Data";

struct Plantilla {
  std::string_view fichero;
  std::vector<dao::TableSchema> tablas;
};

const Plantilla& PlantillaSenal();
const Plantilla& PlantillaConfiguracion();

// The fields of the configuration file's "Parameters", in their order.
const std::vector<dao::FieldSchema>& CamposDeConfiguracion();

// Writes the template (a new, empty database holding its tables) into the
// folder, replacing an older one. Throws dao::Error.
void EscribePlantilla(const Plantilla& plantilla, const std::string& carpeta);

// A folder and a file name joined with '/'; a trailing '/' or '\' on the
// folder is taken as the separator.
std::string UneRuta(std::string_view carpeta, std::string_view nombre);

}  // namespace orva::storage
