#include "orva/mainwindow/readouts.h"

#include <cstdio>
#include <cstdlib>

namespace orva::mainwindow {

std::string TextoNumero(double x) {
  char buf[64];
  for (int p = 1; p <= 15; ++p) {
    std::snprintf(buf, sizeof buf, "%.*g", p, x);
    if (std::strtod(buf, nullptr) == x) break;
  }
  std::string s = buf;
  // snprintf and strtod follow the locale's separator alike; the plain form uses '.'.
  for (char& c : s)
    if (c == ',') c = '.';
  if (!(x < 0)) s.insert(s.begin(), ' ');
  return s;
}

}  // namespace orva::mainwindow
