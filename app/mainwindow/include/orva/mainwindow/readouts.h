// Number texts of the window's panel (the readouts of measurements use the
// instrument's FormatoVoltios / FormatoTiempo / FormatoFrecuencia).
#pragma once

#include <string>

namespace orva::mainwindow {

// The plain number-to-text conversion of the panel: shortest form that reads
// back to the same double (up to 15 significant digits), a leading blank for
// numbers >= 0, "." as decimal separator whatever the locale.
std::string TextoNumero(double x);

}  // namespace orva::mainwindow
