// A libsigrok instrument as the instrument's source: choosing it, the status
// line that says what the device does, and the end of a failed instrument.
// The "sigrok" provider of the source list (fuentes.cpp) calls these.
#include <QMetaObject>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <optional>
#include <thread>

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
  // A device opened on the opening thread (AbreInstrumentoSigrok) for this
  // text is taken as it is; otherwise it is opened here.
  std::shared_ptr<sigrok::SigrokStream> s;
  if (sigrok_preparado_ && sigrok_preparado_texto_ == sigrok::FormatSigrokSpec(*parsed)) {
    s = std::move(sigrok_preparado_);
  } else {
    s = std::make_shared<sigrok::SigrokStream>();
    if (!s->Connect(*parsed, scope::Timebase(o.BaseDeTiemposActual()).fm_equivalente, error)) return false;
  }
  sigrok_preparado_.reset();
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

void Oscil::AbreInstrumentoSigrok(const std::string& spec) {
  std::string error;
  const std::optional<sigrok::SigrokSpec> parsed = sigrok::ParseSigrokSpec(spec, &error);
  const int idioma = ProgramaGlobal().IdiomaActual;
  if (!parsed) {
    Avisa(TextoPropio(kTextoFuenteFallida, idioma).arg(QString::fromStdString(error)));
    return;
  }
  TerminaLaApertura();
  const std::uint64_t pedido = ++sigrok_pedido_;
  const std::string texto = sigrok::FormatSigrokSpec(*parsed);
  Avisa(TextoPropio(kTextoAbriendo, idioma).arg(QString::fromStdString(texto)));
  const double fd = scope::Timebase(osciloscopio_->BaseDeTiemposActual()).fm_equivalente;
  // The scan and the opening (milliseconds to seconds) on a thread of their
  // own; the window carries on with the source it has. The result comes
  // back through the window's event loop; a newer choice (or the window
  // closing) drops it.
  sigrok_abriendo_ = std::thread([this, pedido, texto, parsed = *parsed, fd] {
    auto s = std::make_shared<sigrok::SigrokStream>();
    std::string e;
    const bool hecho = s->Connect(parsed, fd, &e);
    QMetaObject::invokeMethod(
        this,
        [this, pedido, texto, hecho, e, s]() mutable {
          if (pedido != sigrok_pedido_) return;  // another choice came since
          std::string error = e;
          if (hecho) {
            sigrok_preparado_ = std::move(s);
            sigrok_preparado_texto_ = texto;
            if (EligeFuente(texto, &error)) return;
          }
          sigrok_preparado_.reset();
          Avisa(TextoPropio(kTextoFuenteFallida, ProgramaGlobal().IdiomaActual).arg(QString::fromStdString(error)));
        },
        Qt::QueuedConnection);
  });
}

void Oscil::TerminaLaApertura() {
  // An opening still running is waited for (it is bounded by the drivers'
  // own time-outs); its result is dropped by the request count.
  ++sigrok_pedido_;
  if (sigrok_abriendo_.joinable()) sigrok_abriendo_.join();
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
  Avisa(TextoPropio(kTextoInstrumentoEnUso, idioma)
            .arg(QString::fromStdString(sigrok_->Description()))
            .arg(static_cast<double>(a.sample_rate), 0, 'f', 0)
            .arg(QString::fromStdString(RepartoDelInstrumento(idioma))));
}

std::string Oscil::RepartoDelInstrumento(int idioma) const {
  if (!sigrok_) return {};
  const sigrok::Applied a = sigrok_->Settings();
  // A setting counts as the device's when it does it for every channel in use.
  const int canales = std::max(1, sigrok_->Device().Channels());
  bool gain = true, coupling = true;
  for (int c = 0; c < canales; ++c) {
    gain = gain && a.vdiv_in_device[c];
    coupling = coupling && a.coupling_in_device[c];
  }
  const auto donde = [idioma](bool device) {
    return TextoPropio(device ? kTextoEnElInstrumento : kTextoPorPrograma, idioma);
  };
  return TextoPropio(kTextoInstrumentoReparto, idioma)
      .arg(donde(gain), donde(coupling), donde(a.trigger_in_device))
      .toStdString();
}

bool Oscil::CompruebaElInstrumento() {
  scope::Osciloscopio& o = *osciloscopio_;
  if (!sigrok_ || o.FuenteDeFlujo() != sigrok_) return false;
  if (!o.FalloDeFlujo()) {
    // A new timebase gave the device a new rate, or the device took (or
    // left) a setting: the status line follows.
    const sigrok::Applied a = sigrok_->Settings();
    const std::uint64_t marca = a.sample_rate * 64 + (a.vdiv_in_device[0] ? 1 : 0) + (a.vdiv_in_device[1] ? 2 : 0) +
                                (a.coupling_in_device[0] ? 4 : 0) + (a.coupling_in_device[1] ? 8 : 0) +
                                (a.trigger_in_device ? 16 : 0) + (a.rate_reached ? 32 : 0);
    if (sigrok_aviso_ != marca) {
      sigrok_aviso_ = marca;
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
