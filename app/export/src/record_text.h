// Texts the two writers share.
#pragma once

#include <string>

#include "orva/export/trace_export.h"

namespace orva::exporta {

// "time (s),ch1 (V),ch2 (V)": the CSV header, also the WAV comment's list.
std::string Encabezado(const Registro& registro);

}  // namespace orva::exporta
