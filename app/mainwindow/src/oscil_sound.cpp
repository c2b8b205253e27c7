// The sound input as the instrument's source: choosing it, its full-scale
// volts, the bounded wait between passes and the end of a failed input.
#include <QAbstractEventDispatcher>
#include <QAction>
#include <QCoreApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cmath>

#include "orva/audio/sound_input.h"
#include "orva/mainwindow/oscil.h"
#include "orva/mainwindow/textos_ventana.h"
#include "orva/scope/osciloscopio.h"

namespace orva::mainwindow {
namespace {

std::string T(int id) { return TextoPropio(id, ProgramaGlobal().IdiomaActual).toStdString(); }

// The user's settings: one full-scale pair per input id.
QString ClaveDeEscala(const std::string& id) {
  return QStringLiteral("sound-input/") + QString::fromStdString(id).toUtf8().toHex() +
         QStringLiteral("/full-scale");
}

bool Valida(double v) { return std::isfinite(v) && v > 0; }

}  // namespace

bool Oscil::EligeEntradaDeSonido(const std::string& nombre, std::string* error) {
  audio::SoundTexts textos;
  textos.no_input = T(kTextoSinEntradaDeSonido);
  textos.not_found = T(kTextoSonidoNoEncontrado);
  textos.refused = T(kTextoSonidoRechazaFormato);
  textos.gone = T(kTextoSonidoDesaparecido);
  // The full scale kept for this input, unless one was given for this run.
  std::array<double, 2> escala = escala_sonido_;
  std::shared_ptr<audio::SoundInput> s = audio::SoundInput::Start(nombre, escala, textos, error);
  if (!s) return false;
  if (!escala_dada_) {
    const QStringList guardada = QSettings().value(ClaveDeEscala(s->Id())).toStringList();
    if (guardada.size() == 2) {
      const double a = guardada[0].toDouble(), b = guardada[1].toDouble();
      if (Valida(a) && Valida(b)) escala = {a, b};
    }
    s->FullScale(escala);
    escala_sonido_ = escala;
  }
  if (despertador_ == nullptr) {
    despertador_ = new QTimer(this);
    despertador_->setSingleShot(true);
    despertador_->setTimerType(Qt::PreciseTimer);
  }
  sonido_ = s;
  scope::Osciloscopio& o = *osciloscopio_;
  o.ModoDemo(false);
  o.FuenteDeFlujo(sonido_);
  PonBaseDeTiempos(o.BaseDeTiemposActual());  // a timebase the input cannot fill has moved
  o.Programacion();
  ActualizaTitulo();
  Avisa(TextoPropio(kTextoSonidoEnUso, ProgramaGlobal().IdiomaActual)
            .arg(QString::fromStdString(s->Description()), QString::fromStdString(s->FormatText())));
  return true;
}

void Oscil::DejaLaEntradaDeSonido() {
  scope::Osciloscopio& o = *osciloscopio_;
  if (sonido_ && o.FuenteDeFlujo() == sonido_) o.FuenteDeFlujo(nullptr);
  sonido_.reset();
  o.ModoDemo(true);
  ActualizaTitulo();
}

bool Oscil::EscalaCompletaDeSonido(std::array<double, 2> voltios) {
  if (!Valida(voltios[0]) || !Valida(voltios[1])) return false;
  escala_sonido_ = voltios;
  escala_dada_ = true;
  if (sonido_) {
    sonido_->FullScale(voltios);
    QSettings().setValue(ClaveDeEscala(sonido_->Id()),
                         QStringList{QString::number(voltios[0], 'g', 17), QString::number(voltios[1], 'g', 17)});
  }
  return true;
}

void Oscil::PideEscalaCompleta() {
  const int idioma = ProgramaGlobal().IdiomaActual;
  std::array<double, 2> v = escala_sonido_;
  for (int c = 0; c < 2; ++c) {
    bool ok = false;
    const double x = QInputDialog::getDouble(this, TextoPropio(kTextoEntradaDeSonido, idioma),
                                             TextoPropio(kTextoEscalaCompletaCanal, idioma).arg(c + 1), v[c],
                                             1e-6, 1e6, 6, &ok);
    if (!ok) return;
    v[c] = x;
  }
  EscalaCompletaDeSonido(v);
}

void Oscil::AvisaBaseRechazada(int indice) {
  const scope::Osciloscopio& o = *osciloscopio_;
  const double fs = o.FuenteDeFlujo() ? o.FuenteDeFlujo()->SampleRate() : 0.0;
  Avisa(TextoPropio(kTextoBaseDemasiadoRapida, ProgramaGlobal().IdiomaActual)
            .arg(QString::fromLatin1(scope::Timebase(indice).text.data(),
                                     static_cast<int>(scope::Timebase(indice).text.size())))
            .arg(fs, 0, 'f', 0)
            .arg(QString::fromLatin1(scope::Timebase(o.PrimeraBaseDeFlujo()).text.data(),
                                     static_cast<int>(scope::Timebase(o.PrimeraBaseDeFlujo()).text.size()))));
}

void Oscil::EsperaAlFlujo() {
  scope::Osciloscopio& o = *osciloscopio_;
  if (!o.EnFlujo() || despertador_ == nullptr) return;
  // Armed: until the samples the next capture needs can have come. Not
  // armed (a single shot taken): nothing to acquire, only events to serve.
  const double espera = Armado ? o.EsperaDeFlujo() : 0.05;
  if (espera <= 0) return;
  despertador_->start(std::max(1, static_cast<int>(std::ceil(espera * 1000.0))));
  // Sleeps until an event comes (the input's samples are events too, and the
  // timer above is the bound), then serves what came.
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

bool Oscil::CompruebaElFlujo() {
  if (CompruebaElInstrumento()) return true;
  scope::Osciloscopio& o = *osciloscopio_;
  if (!sonido_ || !o.FalloDeFlujo() || o.FuenteDeFlujo() != sonido_) return false;
  const QString mensaje = QString::fromStdString(sonido_->Error());
  if (Encendido) Command1_Click();  // off: the loop ends after this pass
  EligeFuente("demo", nullptr);     // the input is released; it can be chosen again
  Avisa(mensaje);
  ultimo_fallo_de_flujo_ = mensaje.toStdString();
  return true;
}

void Oscil::ConectaSonido() {
  QMenu* menu = Calibracion != nullptr ? Calibracion->menu() : nullptr;
  if (menu == nullptr) return;
  menu->addSeparator();
  QAction* escala = menu->addAction(TextoPropio(kTextoMenuEscalaCompleta, ProgramaGlobal().IdiomaActual));
  escala->setObjectName(QStringLiteral("EscalaCompletaDeSonido"));
  connect(escala, &QAction::triggered, this, [this] { PideEscalaCompleta(); });
  connect(menu, &QMenu::aboutToShow, this, [escala] {
    escala->setText(TextoPropio(kTextoMenuEscalaCompleta, ProgramaGlobal().IdiomaActual));
  });
}

}  // namespace orva::mainwindow
