// BDConfig: the configuration store. The front panel's settings (couplings,
// channel switches, gains, timebase, trigger mode, pointer readouts, slope,
// trigger channel, averaging, XY mode, vertical positions) are one file of
// their own (an SQLite database, ".mdb", see esquema.h), saved on request and
// loaded back into the instrument and the window's front panel.
//
//   GuardarConfiguracion()  save dialog, then the seventeen fields in order
//   CargarConfiguracion()   open dialog, then the fields applied in order,
//                           each followed by its front-panel update
//
// Both dialogs: start in PathConfigs (trimmed) when it is a folder, proposed
// name "KtrConfig.mdb", filter "(*.mdb)|*.mdb", default extension "mdb",
// overwrite confirmation; a cancel ends the operation with nothing changed.
//
// Saving is atomic as the signal store's (bd_signal.h): the template ModelKTR5.mdx
// (CarpetaDePlantillas, or PathConfigs when empty) copied beside the chosen file,
// rows in one transaction, flush, rename; a failure leaves the old file as it was.
//
// Loading, read into memory (nothing is written, nor beside the file), the
// whole load cut off after dao::kLoadSeconds; before any row is read, "Config"
// and "Parameters" must be ordinary tables (dao::Database::HasPlainTable) and
// "Config" must have "Instrument", else the file is refused as not a
// configuration file:
// - "Config".Instrument must be exactly "OrvaScope.exe" (letter case counts;
//   "Type" is not looked at), else nothing is applied;
// - values outside their tables: the gains and the timebase go through the
//   instrument's clamping setters (a gain index of 99 loads as 10, 20 mV/div;
//   a timebase of 0 as 2, 50 ns/div). Every other coded field must hold one
//   of its legal values, or the whole file is refused before anything is
//   applied: couplings 0..2, trigger mode 0..2, slope 0..1, trigger channel
//   1..2, averaging 1, 2, 4, 8 or 16 (the factors of the averaging buttons);
// - then each field is read and applied in table order; a field that is
//   missing or does not convert ends the load there, with the fields before
//   it applied (one error trap per operation; a signal file chosen by
//   mistake thus fails at the first field, before anything is applied).
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "orva/dao.h"
#include "orva/file_dialog.h"
#include "orva/storage/front_panel.h"
#include "orva/storage/outcome.h"

namespace orva::scope {
class Osciloscopio;
}

namespace orva::storage {

class BDConfig {
 public:
  // ruta_aplicacion: the program's folder, written into "Config".Model with
  // the program's name.
  BDConfig(scope::Osciloscopio& osciloscopio, FrontPanel& panel,
           std::shared_ptr<filedialog::FileDialog> dialogo, std::string ruta_aplicacion);

  const std::string& PathConfigs() const { return path_configs_; }
  void PathConfigs(const std::string& v) { path_configs_ = v; }
  // The folder of the template ModelKTR5.mdx; empty (the default): PathConfigs.
  const std::string& CarpetaDePlantillas() const { return carpeta_de_plantillas_; }
  void CarpetaDePlantillas(const std::string& v) { carpeta_de_plantillas_ = v; }

  Outcome GuardarConfiguracion();
  Outcome CargarConfiguracion();
  // CargarConfiguracion on the bytes of a file already read (name: what
  // messages call it), without the dialog.
  Outcome LoadBytes(const std::string& nombre, std::string bytes);

  void Dialogo(std::shared_ptr<filedialog::FileDialog> dialogo) { dialogo_ = std::move(dialogo); }

 private:
  std::optional<std::string> PideFichero(bool guardar) const;
  Outcome CargaDe(dao::Database& db, const std::string& fichero);

  scope::Osciloscopio& o_;
  FrontPanel& panel_;
  std::shared_ptr<filedialog::FileDialog> dialogo_;
  std::string ruta_aplicacion_;
  std::string path_configs_;
  std::string carpeta_de_plantillas_;
};

}  // namespace orva::storage
