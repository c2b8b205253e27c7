#include "comun.h"

#include <sys/stat.h>

#include <filesystem>

#include "orva/storage/esquema.h"

namespace orva::storage::detail {

filedialog::FileDialogRequest Peticion(bool guardar, std::string_view carpeta, std::string filtro,
                                       std::string nombre, std::string extension) {
  filedialog::FileDialogRequest r;
  r.mode = guardar ? filedialog::FileDialogRequest::Mode::kSave
                   : filedialog::FileDialogRequest::Mode::kOpen;
  const std::string inicio = Recorta(carpeta);
  std::error_code ec;
  if (!inicio.empty() && std::filesystem::is_directory(inicio, ec)) r.start_folder = inicio;
  r.filter = std::move(filtro);
  r.file_name = std::move(nombre);
  r.default_extension = std::move(extension);
  r.confirm_overwrite = true;
  return r;
}

std::optional<std::string> PideFichero(filedialog::FileDialog* dialogo,
                                       const filedialog::FileDialogRequest& peticion) {
  if (dialogo == nullptr) return std::nullopt;
  std::optional<std::string> r = dialogo->Show(peticion);
  if (!r || r->empty()) return std::nullopt;
  return r;
}

namespace {

bool MismoFichero(const std::string& a, const std::string& b) {
  struct stat sa {};
  struct stat sb {};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

}  // namespace

Outcome GuardaAtomico(const std::string& plantilla, const std::string& destino, std::string_view tipo,
                      const std::optional<std::string>& modelo,
                      const std::function<void(dao::Database&)>& filas) {
  const std::string carpeta = std::filesystem::path(plantilla).parent_path().string();
  for (std::string_view p : {kPlantillaSenal, kPlantillaConfiguracion})
    if (MismoFichero(destino, UneRuta(carpeta, p)))
      return Outcome::Rechazado(destino + " is the program's template " + std::string(p) +
                                ", which every new file is made from: save under another name");
  dao::ReplacementFile nuevo(plantilla, destino);
  {
    dao::Database db = dao::DBEngine().OpenDatabase(nuevo.TemporaryPath(), dao::OpenMode::kNewFile);
    db.BeginTrans();
    {
      dao::Recordset rs = db.OpenRecordset(kTablaConfig);
      rs.AddNew();
      rs.SetField("Instrument", dao::Value(std::string(kInstrumento)));
      rs.SetField("Type", dao::Value(std::string(tipo)));
      if (modelo) rs.SetField("Model", dao::Value(*modelo));
      rs.Update();
    }
    filas(db);
    db.CommitTrans();
  }
  nuevo.Commit();
  return Outcome::Hecho();
}

std::optional<std::string> ObjecionAlFichero(dao::Database& db, const std::vector<TablaRequerida>& tablas) {
  for (const TablaRequerida& t : tablas) {
    std::vector<std::string> campos;
    try {
      if (!db.HasPlainTable(t.nombre, &campos)) continue;
    } catch (const dao::Error& e) {
      if (e.Kind() != dao::ErrorKind::kNotPlainTable) throw;
      return std::string(e.what());
    }
    for (std::string_view requerido : t.campos) {
      bool esta = false;
      for (const std::string& c : campos) esta = esta || Mayusculas(c) == Mayusculas(requerido);
      if (!esta) return "table " + std::string(t.nombre) + " has no field " + std::string(requerido);
    }
  }
  return std::nullopt;
}

std::string Recorta(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return std::string(s);
}

std::string Mayusculas(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return r;
}

bool EsFichero(const std::string& ruta) {
  std::error_code ec;
  return !ruta.empty() && std::filesystem::is_regular_file(ruta, ec);
}

}  // namespace orva::storage::detail
