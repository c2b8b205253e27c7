// BDSignal: the signal store. One channel's trace with its settings and four
// lines of text is one file (an SQLite database, ".mdb", see esquema.h);
// loading one fills the instrument's reference channel D.
//
//   Guardar2(canal)   save channel 1 or 2 through a save dialog: gain,
//                     coupling and timebase texts, at most 768 samples in
//                     volts: (code - 128) x VOLT / 128 of the channel
//   Abrir2(fichero)   load a file (a dialog asks when fichero is blank):
//                     codes = volts x 128 / GananciaCanal2VOLT + 128
//   Guardar(canal)    save with the numeric settings and every sample, unscaled
//   Abrir()           load such a file through an open dialog
//
// The six properties are plain storage. Nothing stays open between calls.
//
// Saving is atomic: the template ModelSignal.mdx (of CarpetaDePlantillas, or
// PathSignals when that is empty) is copied beside
// the chosen file, every row is appended (each with its own update) in one
// transaction, the copy is flushed and then renamed over the chosen file. A
// failure at any point, or a kill, leaves the file that was there as it was;
// a missing template ends the save before anything is created. A channel
// other than 1 or 2 is refused before the dialog.
//
// Loading checks, in this order: the file opens as a database (read into
// memory: nothing is written, nor beside it; see dao::Engine::OpenDatabase
// and the whole load is cut off after dao::kLoadSeconds); its tables are
// ordinary ones with the fields read (ObjecionAlFichero), else it is refused
// as not a signal file before any row is read; "Config" names the instrument (compared without
// regard to letter case with Instrumento) and the type "Signal" (likewise);
// every "Data" row is read and must hold a finite number whose code fits a
// single-precision float, and there are at most kMaxFilasDatos rows.
// A file failing these checks changes nothing. Then the settings of
// "Parameters" are applied (gain and coupling texts of channel D, the live
// and D timebase texts) and VDisk and CanalDActivo are set. Each operation
// has one error trap, and what was applied stays applied when a later step
// fails (users may rely on that): a "Data" table without rows, a missing one
// or one that cannot be read leaves the settings applied and VDisk and
// CanalDActivo as they were.
//
// Every operation ends silently on failure (its Outcome tells why; the
// window ignores it, the headless run prints it).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "orva/dao.h"
#include "orva/file_dialog.h"
#include "orva/storage/outcome.h"

namespace orva::scope {
class Osciloscopio;
}

namespace orva::storage {

class BDSignal {
 public:
  // The most "Data" rows a file may hold to be loaded: the points of a whole
  // channel array (indexes 0..8192); Guardar writes at most 8192 of them.
  static constexpr std::int32_t kMaxFilasDatos = 8193;
  // The most samples Guardar2 stores.
  static constexpr std::int32_t kFilasGuardar2 = 768;

  BDSignal(scope::Osciloscopio& osciloscopio, std::shared_ptr<filedialog::FileDialog> dialogo);

  const std::string& Nombre() const { return nombre_; }
  void Nombre(const std::string& v) { nombre_ = v; }
  const std::string& Descripcion() const { return descripcion_; }
  void Descripcion(const std::string& v) { descripcion_ = v; }
  const std::string& Comentarios() const { return comentarios_; }
  void Comentarios(const std::string& v) { comentarios_ = v; }
  const std::string& Fecha() const { return fecha_; }
  void Fecha(const std::string& v) { fecha_ = v; }
  const std::string& PathSignals() const { return path_signals_; }
  void PathSignals(const std::string& v) { path_signals_ = v; }
  const std::string& Instrumento() const { return instrumento_; }
  void Instrumento(const std::string& v) { instrumento_ = v; }
  // The folder of the template ModelSignal.mdx; empty (the default):
  // PathSignals. Apart, so that the template can stay in a read-only data
  // folder while the files go to a folder of the user's.
  const std::string& CarpetaDePlantillas() const { return carpeta_de_plantillas_; }
  void CarpetaDePlantillas(const std::string& v) { carpeta_de_plantillas_ = v; }

  Outcome Guardar2(std::int16_t canal);
  Outcome Abrir2(const std::string& fichero);
  Outcome Guardar(std::int16_t canal);
  Outcome Abrir();
  // Abrir2 on the bytes of a file already read (name: what messages call it).
  Outcome LoadBytes(const std::string& nombre, std::string bytes);

  // Why an open signal file is refused before any row is read, or nullopt:
  // each of "Config", "Parameters" and "Data" it holds must be an ordinary
  // table (dao::Database::HasPlainTable), "Config" with "Instrument" and
  // "Type", "Parameters" with "Gain", "Coupling" and "TimeBase". A table the
  // file lacks is left to the load (see above). The signal browser's preview
  // checks the same.
  static std::optional<std::string> ObjecionAlFichero(dao::Database& db);

  // Run after a successful Guardar2: the browser dialog closes itself there.
  void AlGuardar2(std::function<void()> cerrar) { al_guardar2_ = std::move(cerrar); }
  // Where the saves take a channel's samples: by default VCanal1 / VCanal2 of
  // the instrument (each read is one averaging step, as any read of them).
  void FuenteDeMuestras(std::function<std::vector<float>(std::int16_t canal)> fuente);
  void Dialogo(std::shared_ptr<filedialog::FileDialog> dialogo) { dialogo_ = std::move(dialogo); }

 private:
  Outcome Guarda(std::int16_t canal, bool en_voltios);
  Outcome Carga(const std::string& fichero, bool en_voltios);
  Outcome CargaDe(dao::Database& db, const std::string& fichero, bool en_voltios);
  std::optional<std::string> PideFichero(bool guardar) const;

  scope::Osciloscopio& o_;
  std::shared_ptr<filedialog::FileDialog> dialogo_;
  std::function<void()> al_guardar2_;
  std::function<std::vector<float>(std::int16_t)> fuente_;
  std::string nombre_, descripcion_, comentarios_, fecha_, path_signals_, instrumento_;
  std::string carpeta_de_plantillas_;
};

}  // namespace orva::storage
