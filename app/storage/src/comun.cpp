#include "comun.h"

#include <cctype>
#include <filesystem>

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
