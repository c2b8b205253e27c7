// The source registry, the providers of the instrument's own sources
// (demonstration generator, board, simulated board) and the window's source
// choice (Oscil::EligeFuente and the source menu).
#include "orva/mainwindow/fuentes.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <future>
#include <optional>
#include <utility>

#include "orva/audio/sound_input.h"
#include "orva/mainwindow/oscil.h"
#include "orva/mainwindow/textos_ventana.h"
#include "orva/scope/osciloscopio.h"
#include "orva/sigrok/spec.h"
#include "orva/sigrok/stream.h"

#if ORVA_CON_PLACA
#include "orvaboard_sim.h"
#endif

namespace orva::mainwindow {
namespace {

std::string Minusculas(std::string_view s) {
  std::string r(s);
  std::transform(r.begin(), r.end(), r.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return r;
}

// The prefix of spec (before the first ':') and what follows it (empty when
// there is no ':').
std::pair<std::string, std::string_view> Partes(std::string_view spec) {
  const auto dos_puntos = spec.find(':');
  if (dos_puntos == std::string_view::npos) return {Minusculas(spec), {}};
  return {Minusculas(spec.substr(0, dos_puntos)), spec.substr(dos_puntos + 1)};
}

std::string Texto(int id, int idioma) { return TextoPropio(id, idioma).toStdString(); }

// A spec that is its prefix alone ("demo", "board").
bool SoloPrefijo(std::string_view prefijo, std::string_view spec, std::string* normal,
                 std::string* error) {
  if (spec.find(':') != std::string_view::npos) {
    *error = "source '" + std::string(spec) + "': " + std::string(prefijo) + " takes no parameter";
    return false;
  }
  *normal = std::string(prefijo);
  return true;
}

class FuenteDemo final : public ProveedorDeFuente {
 public:
  std::string_view Prefijo() const override { return "demo"; }
  std::vector<OpcionDeFuente> Opciones(int idioma) const override {
    return {{"demo", Descripcion("demo", idioma)}};
  }
  bool Comprueba(std::string_view spec, std::string* normal, std::string* error) const override {
    return SoloPrefijo(Prefijo(), spec, normal, error);
  }
  std::string Descripcion(std::string_view, int idioma) const override {
    return Texto(kTextoFuenteDemo, idioma);
  }
  bool Selecciona(Oscil& ventana, std::string_view, std::string*) override {
    ventana.Osciloscopio1().ModoDemo(true);
    return true;
  }
};

#if ORVA_CON_PLACA
// The board library's bus is process-wide: the board and the simulated board
// put their bus in place, then the instrument identifies the board on it and
// acquires through the board path.
class FuentePlaca final : public ProveedorDeFuente {
 public:
  std::string_view Prefijo() const override { return "board"; }
  std::vector<OpcionDeFuente> Opciones(int idioma) const override {
    return {{"board", Descripcion("board", idioma)}};
  }
  bool Comprueba(std::string_view spec, std::string* normal, std::string* error) const override {
    return SoloPrefijo(Prefijo(), spec, normal, error);
  }
  std::string Descripcion(std::string_view, int idioma) const override {
    return Texto(kTextoFuentePlaca, idioma);
  }
  bool Selecciona(Oscil& ventana, std::string_view, std::string*) override {
    board::sim::InstallHardwareBus();
    ventana.AdquiereDeLaPlaca();
    return true;
  }
};

class FuenteSimulada final : public ProveedorDeFuente {
 public:
  std::string_view Prefijo() const override { return "sim"; }
  std::vector<OpcionDeFuente> Opciones(int idioma) const override {
    std::vector<OpcionDeFuente> r;
    for (const char* m : {"ktr5", "ktr4", "ktr2", "ktr1"}) {
      const std::string spec = std::string("sim:") + m;
      r.push_back({spec, Descripcion(spec, idioma)});
    }
    return r;
  }
  bool Comprueba(std::string_view spec, std::string* normal, std::string* error) const override {
    const std::string_view modelo = Partes(spec).second;
    board::sim::Model m;
    if (!board::sim::ParseModel(modelo, &m)) {
      *error = "source '" + std::string(spec) + "': the model is ktr5, ktr4, ktr2 or ktr1 (sim:MODEL)";
      return false;
    }
    *normal = "sim:" + Minusculas(modelo);
    return true;
  }
  std::string Descripcion(std::string_view spec, int idioma) const override {
    return TextoPropio(kTextoFuenteSimulada, idioma)
        .arg(QString::fromStdString(std::string(Partes(spec).second)))
        .toStdString();
  }
  bool Selecciona(Oscil& ventana, std::string_view spec, std::string*) override {
    board::sim::Model m;
    board::sim::ParseModel(Partes(spec).second, &m);  // checked by Comprueba
    board::sim::InstallSimulatedBoard(m);
    // The inputs named in the environment, as when the variables choose the
    // board (a bad text keeps the default signals, as it does there).
    if (const char* senales = std::getenv("ORVABOARD_SIM_SIGNALS"); senales != nullptr) {
      board::sim::Signal c1 = board::sim::DefaultSignal(1), c2 = board::sim::DefaultSignal(2);
      std::string error;
      if (board::sim::ParseSignals(senales, &c1, &c2, &error)) {
        board::sim::SetSignal(1, c1);
        board::sim::SetSignal(2, c2);
      }
    }
    ventana.AdquiereDeLaPlaca();
    return true;
  }
};
#endif

// The sound input (platform/audio): "audio" is the default input,
// "audio:NAME" the input whose id or description is NAME.
class FuenteSonido final : public ProveedorDeFuente {
 public:
  std::string_view Prefijo() const override { return "audio"; }
  std::vector<OpcionDeFuente> Opciones(int idioma) const override {
    std::vector<OpcionDeFuente> r;
    for (const audio::SoundInputInfo& i : audio::SoundInputs())
      r.push_back({"audio:" + i.id, Describe(i.description, idioma)});
    return r;
  }
  bool Comprueba(std::string_view spec, std::string* normal, std::string* error) const override {
    const bool con_nombre = spec.find(':') != std::string_view::npos;
    const std::string_view nombre = Partes(spec).second;
    if (con_nombre && nombre.empty()) {
      *error = "source '" + std::string(spec) + "': audio:NAME needs the input's name (or plain audio)";
      return false;
    }
    *normal = con_nombre ? "audio:" + std::string(nombre) : std::string("audio");
    return true;
  }
  std::string Descripcion(std::string_view spec, int idioma) const override {
    const std::string_view nombre = Partes(spec).second;
    for (const audio::SoundInputInfo& i : audio::SoundInputs())
      if ((nombre.empty() && i.is_default) || i.id == nombre || i.description == nombre)
        return Describe(i.description, idioma);
    return Describe(std::string(nombre), idioma);
  }
  bool Selecciona(Oscil& ventana, std::string_view spec, std::string* error) override {
    return ventana.EligeEntradaDeSonido(std::string(Partes(spec).second), error);
  }
  void Deja(Oscil& ventana) override { ventana.DejaLaEntradaDeSonido(); }

 private:
  static std::string Describe(const std::string& entrada, int idioma) {
    return TextoPropio(kTextoFuenteSonido, idioma).arg(QString::fromStdString(entrada)).trimmed().toStdString();
  }
};

// A libsigrok instrument (platform/sigrok): "sigrok:DRIVER[:OPTION=VALUE...]".
// Its choices come from a bounded scan of every driver (Oscil::
// InstrumentosSigrok, about two seconds at most); the window's menu asks for
// them each time it opens, so a scan is kept for kScanKept before the next.
class FuenteSigrok final : public ProveedorDeFuente {
 public:
  std::string_view Prefijo() const override { return sigrok::kPrefix; }
  std::vector<OpcionDeFuente> Opciones(int /*idioma*/) const override {
    // The scan's descriptions already name the device and libsigrok
    // (vendor, model, driver, analog channels).
    if (escaneo_.valid()) {
      Toma();
    } else if (Caducado()) {
      lista_ = Escanea();
      escaneado_ = std::chrono::steady_clock::now();
    }
    return lista_;
  }
  std::vector<OpcionDeFuente> OpcionesSinEspera(int /*idioma*/, bool* pendiente) const override {
    if (escaneo_.valid() && escaneo_.wait_for(std::chrono::seconds(0)) == std::future_status::ready) Toma();
    if (!escaneo_.valid() && Caducado()) escaneo_ = std::async(std::launch::async, &FuenteSigrok::Escanea);
    if (escaneo_.valid() && pendiente != nullptr) *pendiente = true;
    return lista_;
  }
  bool Comprueba(std::string_view spec, std::string* normal, std::string* error) const override {
    // The prefix in any case, as the other sources take theirs.
    const std::string texto = std::string(sigrok::kPrefix) + std::string(spec.substr(sigrok::kPrefix.size()));
    const std::optional<sigrok::SigrokSpec> s = sigrok::ParseSigrokSpec(texto, error);
    if (!s) return false;
    *normal = sigrok::FormatSigrokSpec(*s);
    return true;
  }
  std::string Descripcion(std::string_view spec, int idioma) const override {
    // The open device's own name once it is chosen; before, the driver's.
    std::string nombre;
    if (spec == abierto_) {
      nombre = descripcion_abierto_;
    } else {
      std::string nada;
      const std::string texto = std::string(sigrok::kPrefix) + std::string(spec.substr(sigrok::kPrefix.size()));
      if (const auto s = sigrok::ParseSigrokSpec(texto, &nada)) nombre = s->driver;
    }
    return TextoPropio(kTextoFuenteSigrok, idioma).arg(QString::fromStdString(nombre)).trimmed().toStdString();
  }
  bool Selecciona(Oscil& ventana, std::string_view spec, std::string* error) override {
    if (!ventana.EligeInstrumentoSigrok(std::string(spec), error)) return false;
    abierto_ = std::string(spec);
    descripcion_abierto_ = ventana.InstrumentoSigrok()->Description();
    return true;
  }
  void Deja(Oscil& ventana) override {
    ventana.DejaElInstrumentoSigrok();
    abierto_.clear();
    descripcion_abierto_.clear();
  }

 private:
  static constexpr std::chrono::seconds kScanKept{30};
  static std::vector<OpcionDeFuente> Escanea() {
    std::vector<OpcionDeFuente> lista;
    for (auto& [spec, descripcion] : Oscil::InstrumentosSigrok()) lista.push_back({std::move(spec), std::move(descripcion)});
    return lista;
  }
  bool Caducado() const { return !escaneado_ || std::chrono::steady_clock::now() - *escaneado_ > kScanKept; }
  void Toma() const {
    lista_ = escaneo_.get();
    escaneado_ = std::chrono::steady_clock::now();
  }
  mutable std::future<std::vector<OpcionDeFuente>> escaneo_;  // a scan running for the menu
  mutable std::vector<OpcionDeFuente> lista_;
  mutable std::optional<std::chrono::steady_clock::time_point> escaneado_;
  std::string abierto_;              // the source text of the open instrument
  std::string descripcion_abierto_;  // its device's description
};

RegistroDeFuentes TodasLasFuentes() {
  RegistroDeFuentes r;
  r.Registra(std::make_unique<FuenteDemo>());
#if ORVA_CON_PLACA
  r.Registra(std::make_unique<FuentePlaca>());
  r.Registra(std::make_unique<FuenteSimulada>());
#endif
  r.Registra(std::make_unique<FuenteSonido>());
  r.Registra(std::make_unique<FuenteSigrok>());
  return r;
}

// The menu's text: the description with a capital.
QString Capital(const std::string& descripcion) {
  QString t = QString::fromStdString(descripcion);
  if (!t.isEmpty()) t[0] = t[0].toUpper();
  return t;
}

}  // namespace

void RegistroDeFuentes::Registra(std::unique_ptr<ProveedorDeFuente> proveedor) {
  if (proveedor) proveedores_.push_back(std::move(proveedor));
}

ProveedorDeFuente* RegistroDeFuentes::Para(std::string_view spec) const {
  const std::string prefijo = Partes(spec).first;
  for (const auto& p : proveedores_)
    if (p->Prefijo() == prefijo) return p.get();
  return nullptr;
}

std::vector<OpcionDeFuente> RegistroDeFuentes::Opciones(int idioma) const {
  std::vector<OpcionDeFuente> r;
  for (const auto& p : proveedores_)
    for (OpcionDeFuente& o : p->Opciones(idioma)) r.push_back(std::move(o));
  return r;
}

std::vector<OpcionDeFuente> RegistroDeFuentes::OpcionesSinEspera(int idioma, bool* pendiente) const {
  std::vector<OpcionDeFuente> r;
  for (const auto& p : proveedores_)
    for (OpcionDeFuente& o : p->OpcionesSinEspera(idioma, pendiente)) r.push_back(std::move(o));
  return r;
}

bool RegistroDeFuentes::Comprueba(std::string_view spec, std::string* normal,
                                  std::string* error) const {
  std::string n, e;
  const ProveedorDeFuente* p = Para(spec);
  if (p == nullptr) {
    std::string conocidas;
    for (const auto& q : proveedores_) {
      if (!conocidas.empty()) conocidas += ", ";
      conocidas += q->Prefijo();
    }
    e = "unknown source '" + std::string(spec) + "' (the sources: " + conocidas + ")";
  } else if (p->Comprueba(spec, &n, &e)) {
    if (normal != nullptr) *normal = std::move(n);
    return true;
  }
  if (error != nullptr) *error = std::move(e);
  return false;
}

RegistroDeFuentes& Fuentes() {
  static RegistroDeFuentes registro = TodasLasFuentes();
  return registro;
}

// ---- The window's side ---------------------------------------------------------------

bool Oscil::EligeFuente(std::string_view spec, std::string* error) {
  RegistroDeFuentes& registro = Fuentes();
  std::string normal, e;
  if (!registro.Comprueba(spec, &normal, &e)) {
    if (error != nullptr) *error = e;
    return false;
  }
  ProveedorDeFuente* nuevo = registro.Para(normal);
  if (ProveedorDeFuente* viejo = registro.Para(fuente_)) viejo->Deja(*this);
  bool hecho = nuevo->Selecciona(*this, normal, &e);
  if (hecho) {
    fuente_ = normal;
  } else if (ProveedorDeFuente* demo = registro.Para("demo")) {
    // The demonstration generator always opens: the window is never left
    // without a source.
    std::string nada;
    demo->Selecciona(*this, "demo", &nada);
    fuente_ = "demo";
  }
  ActualizaTitulo();
  if (!hecho && error != nullptr) *error = e;
  return hecho;
}

std::string Oscil::DescripcionDeFuente(int idioma) const {
  const ProveedorDeFuente* p = Fuentes().Para(fuente_);
  return p != nullptr ? p->Descripcion(fuente_, idioma) : fuente_;
}

void Oscil::AdquiereDeLaPlaca() {
  scope::Osciloscopio& o = *osciloscopio_;
  o.ModoDemo(false);
  // The board on the bus now is identified (and its calibration read), then
  // a capture is started on it.
  ProgramaGlobal().TipoDePlaca = o.Configuracion();
  o.Programacion();
  Armado = true;
}

void Oscil::LlenaMenuDeFuente() {
  QMenu* menu = MenuDeFuente->menu();
  menu->clear();
  for (QActionGroup* viejo : menu->findChildren<QActionGroup*>()) delete viejo;
  const int idioma = ProgramaGlobal().IdiomaActual;
  auto* grupo = new QActionGroup(menu);
  // The instruments' scan runs beside the window: the menu shows what is
  // known and fills itself again, while open, once the scan is done.
  bool pendiente = false;
  for (const OpcionDeFuente& o : Fuentes().OpcionesSinEspera(idioma, &pendiente)) {
    QAction* a = menu->addAction(Capital(o.descripcion));
    a->setObjectName(QString::fromStdString(o.spec));
    a->setProperty("Spec", QString::fromStdString(o.spec));
    a->setCheckable(true);
    a->setChecked(o.spec == fuente_);
    grupo->addAction(a);
    connect(a, &QAction::triggered, this, [this, spec = o.spec] {
      // An instrument may take seconds to find and open: not on this thread.
      if (sigrok::IsSigrokSpec(spec)) {
        AbreInstrumentoSigrok(spec);
        return;
      }
      std::string error;
      if (!EligeFuente(spec, &error))
        Avisa(TextoPropio(kTextoFuenteFallida, ProgramaGlobal().IdiomaActual)
                  .arg(QString::fromStdString(error)));
    });
  }
  if (pendiente)
    QTimer::singleShot(250, menu, [this, menu] {
      if (menu->isVisible()) LlenaMenuDeFuente();
    });
}

void Oscil::TextosDeFuente(int idioma) {
  MenuDeFuente->setText(TextoPropio(kTextoFuente, idioma));
  MenuDeFuente->setToolTip(
      TextoPropio(kTextoAyudaFuente, idioma).arg(Capital(DescripcionDeFuente(idioma))));
}

}  // namespace orva::mainwindow
