#include "mensajes/mens.h"

#include <array>
#include <cctype>
#include <filesystem>
#include <limits>
#include <system_error>

#include "mensajes/mensaje.h"
#include "mensajes/textos.h"
#include "orva/manager.h"

namespace orva {

namespace {

// Library-wide state, shared by every instance (user-interface thread only).
int g_idioma = 0;
std::int16_t g_estado = 0;
bool g_correcta_direccion_io = false;

constexpr int kTypeMismatch = 13;

hosting::ControlError TypeMismatch() { return hosting::ControlError(kTypeMismatch, "Type mismatch"); }

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The boolean form of a value as a host passes it: numbers are true when
// non-zero; text may be a number or True/False; anything else is a mismatch.
bool ToBoolean(const hosting::PropertyValue& value) {
  if (const auto* i = std::get_if<std::int64_t>(&value)) return *i != 0;
  if (const auto* d = std::get_if<double>(&value)) return *d != 0.0;
  std::string s = std::get<std::string>(value);
  while (!s.empty() && s.front() == ' ') s.erase(s.begin());
  while (!s.empty() && s.back() == ' ') s.pop_back();
  const std::string l = Lower(s);
  if (l == "true") return true;
  if (l == "false") return false;
  const auto d = hosting::ToDouble(hosting::PropertyValue(s));
  if (!d) throw TypeMismatch();
  return *d != 0.0;
}

bool CalibrationFilePresent(const std::string& folder) {
  std::string path = folder;
  if (!path.empty() && (path.back() == '/' || path.back() == '\\')) path.pop_back();
  path += "/cal.dat";
  std::error_code ec;
  return std::filesystem::is_regular_file(std::filesystem::path(path), ec);
}

}  // namespace

void Mens::SetPathFicheroCal(const std::string& folder) {
  path_fichero_cal_ = folder;
  PropertyChanged("PathFicheroCal");
}

std::int16_t Mens::Estado() const { return g_estado; }

void Mens::SetEstado(std::int16_t value) {
  estado_ = value;
  g_estado = value;
  PropertyChanged("Estado");
}

void Mens::SetCorrectaDireccionIO(const hosting::PropertyValue& value) {
  const bool correct = ToBoolean(value);  // a mismatch changes nothing
  correcta_direccion_io_ = value;
  g_correcta_direccion_io = correct;
  PropertyChanged("CorrectaDireccionIO");
}

int Mens::IdiomaActual() { return g_idioma; }

void Mens::Init() {
  {
    // The manager lives for this step only.
    const auto manager = manager::CreateObject(manager::kManagerId);
    const auto language = hosting::ToInteger(manager->GetProperty("Language"), std::numeric_limits<int>::min(),
                                             std::numeric_limits<int>::max());
    if (!language) throw TypeMismatch();
    g_idioma = static_cast<int>(*language);
  }
  if (!g_correcta_direccion_io) {
    ShowMessage(173);
  } else if (CalibrationFilePresent(path_fichero_cal_)) {
    SetEstado(10);
  } else {
    ShowMessage(175);
  }
}

void Mens::ShowMessage(int first_line_id) {
  // Every text is looked up before the window exists: a language without texts
  // fails here and no window is shown.
  const std::string first(mensajes::Texto(first_line_id, g_idioma));
  const std::string second(mensajes::Texto(174, g_idioma));
  const std::array<std::string, 3> captions = {std::string(mensajes::Texto(176, g_idioma)),
                                               std::string(mensajes::Texto(177, g_idioma)),
                                               std::string(mensajes::Texto(178, g_idioma))};
  const int outcome = mensajes::ShowMessageWindow(g_idioma, first, second, captions);
  SetEstado(static_cast<std::int16_t>(outcome));
}

void Mens::ReadProperties(const hosting::PropertyBag& bag) {
  path_fichero_cal_ = bag.ReadString("PathFicheroCal", "0");
  estado_ = bag.ReadInt16("Estado", 0);
  correcta_direccion_io_ = bag.ReadProperty("CorrectaDireccionIO", hosting::PropertyValue(std::int64_t{0}));
}

void Mens::WriteProperties(hosting::PropertyBag& bag) const {
  bag.Write("PathFicheroCal", path_fichero_cal_, std::string("0"));
  bag.Write("Estado", std::int64_t{estado_}, std::int64_t{0});
  bag.WriteProperty("CorrectaDireccionIO", correcta_direccion_io_, hosting::PropertyValue(std::int64_t{0}));
}

}  // namespace orva
