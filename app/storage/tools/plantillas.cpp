// Writes the empty signal and configuration templates into a folder:
//   orva_plantillas FOLDER
#include <cstdio>
#include <exception>

#include "orva/storage/esquema.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  try {
    orva::storage::EscribePlantilla(orva::storage::PlantillaSenal(), argv[1]);
    orva::storage::EscribePlantilla(orva::storage::PlantillaConfiguracion(), argv[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
    return 1;
  }
  return 0;
}
