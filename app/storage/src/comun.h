// Pieces the two stores share: the error trap, the dialog set-up, texts.
#pragma once

#include <exception>
#include <functional>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "orva/dao.h"
#include "orva/file_dialog.h"
#include "orva/storage/outcome.h"

namespace orva::storage::detail {

// Runs one store operation under its single error trap: whatever it throws
// ends it as a failure, with what was done before staying done.
template <class F>
Outcome Atrapa(F&& operacion) {
  try {
    return operacion();
  } catch (const std::bad_alloc&) {
    return Outcome::Fallido("out of memory");
  } catch (const std::exception& e) {
    return Outcome::Fallido(e.what());
  }
}

// A dialog request; the dialog starts in carpeta (trimmed) when it names an
// existing folder.
filedialog::FileDialogRequest Peticion(bool guardar, std::string_view carpeta, std::string filtro,
                                       std::string nombre, std::string extension);

// The dialog's chosen file; nullopt without a dialog, on a cancel or an empty name.
std::optional<std::string> PideFichero(filedialog::FileDialog* dialogo,
                                       const filedialog::FileDialogRequest& peticion);

// The atomic save of a file of the given type: the template copied beside
// destino, its "Config" row (Instrument, Type and, when given, Model) and the
// rows `filas` appends, all in one transaction, then the copy flushed and
// renamed over destino (a symbolic link is followed and kept). Refused when
// destino is one of the program's templates in the template's folder (the
// same file, by any name or link): every later save would copy it. Throws on
// any failure, leaving destino as it was.
Outcome GuardaAtomico(const std::string& plantilla, const std::string& destino, std::string_view tipo,
                      const std::optional<std::string>& modelo,
                      const std::function<void(dao::Database&)>& filas);

// What a load requires of one table before it reads any row: when the file
// holds it, it must be an ordinary table (see dao::Database::HasPlainTable)
// with these fields (letter case ignored).
struct TablaRequerida {
  std::string_view nombre;
  std::vector<std::string_view> campos;
};

// Why the file is not of the kind the tables describe, or nullopt when each
// table it holds is as required. A file the engine cannot read throws.
std::optional<std::string> ObjecionAlFichero(dao::Database& db, const std::vector<TablaRequerida>& tablas);

std::string Recorta(std::string_view s);
// Upper case of the ASCII letters (other bytes unchanged).
std::string Mayusculas(std::string_view s);
bool EsFichero(const std::string& ruta);

}  // namespace orva::storage::detail
