// A libsigrok instrument as the instrument's source: choosing it, the status
// line that says what the device does, and the end of a failed instrument.
// The "sigrok" provider of the source list (fuentes.cpp) calls these.
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <optional>

#include "orva/mainwindow/oscil.h"
#include "orva/mainwindow/textos_ventana.h"
#include "orva/scope/osciloscopio.h"
#include "orva/sigrok/spec.h"
#include "orva/sigrok/stream.h"

namespace orva::mainwindow {
namespace {

// The scan of --list-sources and of the source menu: short, so that the
// window never waits long for it.
constexpr std::chrono::milliseconds kScanBudget{2000};

QString Texto(std::string_view t) { return QString::fromLatin1(t.data(), static_cast<int>(t.size())); }

}  // namespace

std::vector<std::pair<std::string, std::string>> Oscil::InstrumentosSigrok() {
  std::vector<std::pair<std::string, std::string>> lista;
  bool cortado = false;
  for (const sigrok::DeviceEntry& d : sigrok::ListDevices(kScanBudget, &cortado))
    lista.emplace_back(d.spec, d.description);
  // Only choices that can be chosen are listed: the drivers left out are
  // said on standard error (--list-sources' output stays one choice a line).
  if (cortado)
    std::fprintf(stderr, "OrvaScope: the libsigrok scan was cut short: name your device with sigrok:DRIVER\n");
  return lista;
}

bool Oscil::EligeInstrumentoSigrok(const std::string& spec, std::string* error) {
  const std::optional<sigrok::SigrokSpec> parsed = sigrok::ParseSigrokSpec(spec, error);
  if (!parsed) return false;
  scope::Osciloscopio& o = *osciloscopio_;
  auto s = std::make_shared<sigrok::SigrokStream>();
  if (!s->Connect(*parsed, scope::Timebase(o.BaseDeTiemposActual()).fm_equivalente, error)) return false;
  if (despertador_ == nullptr) {
    despertador_ = new QTimer(this);
    despertador_->setSingleShot(true);
    despertador_->setTimerType(Qt::PreciseTimer);
  }
  sigrok_ = s;
  o.ModoDemo(false);
  o.FuenteDeFlujo(sigrok_);
  PonBaseDeTiempos(o.BaseDeTiemposActual());
  o.Programacion();
  ActualizaTitulo();
  AvisaInstrumento();
  return true;
}

void Oscil::DejaElInstrumentoSigrok() {
  scope::Osciloscopio& o = *osciloscopio_;
  if (sigrok_ && o.FuenteDeFlujo() == sigrok_) o.FuenteDeFlujo(nullptr);
  sigrok_.reset();  // closes the device once the instrument lets it go
  o.ModoDemo(true);
  ActualizaTitulo();
}

void Oscil::AvisaInstrumento() {
  if (!sigrok_) return;
  const int idioma = ProgramaGlobal().IdiomaActual;
  const sigrok::Applied a = sigrok_->Settings();
  const scope::TimebaseRow& row = scope::Timebase(osciloscopio_->BaseDeTiemposActual());
  if (!a.rate_reached) {
    Avisa(TextoPropio(kTextoInstrumentoLento, idioma)
              .arg(QString::fromStdString(sigrok_->Description()), Texto(row.text))
              .arg(static_cast<double>(a.sample_rate), 0, 'f', 0));
    return;
  }
  // Gain and coupling on the device are not asked for yet: the panel's
  // settings act on the volts the device delivers.
  Avisa(TextoPropio(kTextoInstrumentoEnUso, idioma)
            .arg(QString::fromStdString(sigrok_->Description()))
            .arg(static_cast<double>(a.sample_rate), 0, 'f', 0)
            .arg(TextoPropio(kTextoInstrumentoSoftware, idioma)));
}

bool Oscil::CompruebaElInstrumento() {
  scope::Osciloscopio& o = *osciloscopio_;
  if (!sigrok_ || o.FuenteDeFlujo() != sigrok_) return false;
  if (!o.FalloDeFlujo()) {
    // A new timebase gave the device a new rate: the status line follows.
    if (sigrok_aviso_rate_ != sigrok_->SampleRate()) {
      sigrok_aviso_rate_ = sigrok_->SampleRate();
      AvisaInstrumento();
    }
    return false;
  }
  const QString mensaje =
      TextoPropio(kTextoInstrumentoParado, ProgramaGlobal().IdiomaActual).arg(QString::fromStdString(sigrok_->Error()));
  if (Encendido) Command1_Click();  // off: the loop ends after this pass
  EligeFuente("demo", nullptr);     // the device is closed; it can be chosen again
  Avisa(mensaje);
  ultimo_fallo_de_flujo_ = mensaje.toStdString();
  return true;
}

}  // namespace orva::mainwindow
