// Start-up, power, timers, the main loop and shutdown of the window.
#include "orva/mainwindow/oscil.h"

#include "oscil_remote.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QToolBar>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "mensajes/mens.h"
#include "orva/clock.h"
#include "orva/localisation/idioma.h"
#include "orva/localisation/qt_toolkit.h"
#include "orva/manager.h"
#include "orva/mainwindow/readouts.h"
#include "orva/mainwindow/textos_ventana.h"
#include "orva/scope/readouts.h"
#include "orva/scope/osciloscopio.h"
#include "orva/storage/esquema.h"
#include "orva/scope/screen_picture.h"
#include "panel_style.h"
#include "sigdexp/sigdex_control.h"

namespace orva::mainwindow {

Programa& ProgramaGlobal() {
  static Programa programa;
  return programa;
}

namespace {

class QtClipboard : public Portapapeles {
 public:
  void Clear() override { QGuiApplication::clipboard()->clear(); }
  void SetText(const std::string& text) override {
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
  }
  void SetPicture(const std::shared_ptr<const scope::ScreenPicture>& picture) override {
    const auto* own = dynamic_cast<const WindowPicture*>(picture.get());
    if (own == nullptr) return;
    const QImage image = own->Image();
    if (!image.isNull()) QGuiApplication::clipboard()->setImage(image);
  }
};

double MonotonicSeconds() {
  return static_cast<double>(clock::MonotonicCount()) /
         static_cast<double>(clock::MonotonicFrequency());
}

constexpr char kTitulo[] = "Orva Plenar Oscilloscope";

double Ahora() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

constexpr double kIntervaloDeRefresco = 1.0 / 60;  // seconds between screen refreshes (60 Hz)

// The start-up language: Spanish, or the language ORVA_LANGUAGE names
// ("0".."3", "ca", "es", "en", "fr"). Another value leaves Spanish.
std::int16_t IdiomaDeArranque() {
  const char* v = std::getenv("ORVA_LANGUAGE");
  const auto elegido = v != nullptr ? manager::LanguageOfText(v) : std::nullopt;
  return static_cast<std::int16_t>(elegido.value_or(localisation::kSpanish));
}

// Every other top-level window of the program (help, dialogs, message boxes)
// is kept within the available area of its screen once it is shown: its size
// bounded (never below its minimum), then moved wholly onto the area. Menus,
// tool tips and other pop-ups place themselves.
class VentanasEnPantalla final : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* objeto, QEvent* evento) override {
    if (evento->type() != QEvent::Show || !objeto->isWidgetType()) return false;
    auto* w = static_cast<QWidget*>(objeto);
    const Qt::WindowType tipo = w->windowType();
    if (!w->isWindow() || dynamic_cast<Oscil*>(w) != nullptr || tipo == Qt::Popup ||
        tipo == Qt::ToolTip || tipo == Qt::SplashScreen || tipo == Qt::Desktop)
      return false;
    // Once the window's own showing is done (a dialog places itself, a file
    // dialog sets up its fields): then bounded and moved.
    QTimer::singleShot(0, w, [w] { CabeEnLaPantalla(w); });
    return false;
  }
};

}  // namespace

void CabeEnLaPantalla(QWidget* w) {
  QScreen* pantalla = w->screen() != nullptr ? w->screen() : QGuiApplication::primaryScreen();
  if (pantalla == nullptr) return;
  const QRect r = pantalla->availableGeometry();
  // The frame the desktop adds is known once the window has been shown;
  // before that, room for a usual one (title bar and borders).
  QSize marco = w->frameGeometry().size() - w->size();
  if (marco.width() <= 0 && marco.height() <= 0) marco = QSize(8, 34);
  const QSize cabe = (r.size() - marco).expandedTo(w->minimumSize()).expandedTo(QSize(1, 1));
  if (w->width() > cabe.width() || w->height() > cabe.height())
    w->resize(w->size().boundedTo(cabe));
  const QSize fuera = w->size() + marco;
  const int x = std::clamp(w->x(), r.left(), std::max(r.left(), r.right() + 1 - fuera.width()));
  const int y = std::clamp(w->y(), r.top(), std::max(r.top(), r.bottom() + 1 - fuera.height()));
  if (x != w->x() || y != w->y()) w->move(x, y);
}

std::shared_ptr<Portapapeles> DesktopClipboard() { return std::make_shared<QtClipboard>(); }

WindowPicture::WindowPicture(PictureBox* box) : box_(box) {}

QImage WindowPicture::Image() const { return box_.isNull() ? QImage() : box_->Image(); }

bool WindowPicture::Empty() const { return Image().isNull(); }

std::string WindowPicture::Encode() const {
  const QImage image = Image();
  if (image.isNull()) return {};
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes.toStdString();
}

Oscil::Oscil(OscilOptions options, QWidget* parent)
    : QWidget(parent), options_(std::move(options)) {
  osciloscopio_ = options_.instrumento ? std::move(options_.instrumento)
                                       : std::make_unique<scope::Osciloscopio>();
  sigdex_ = std::make_unique<Sigdex>();
  mens_ = std::make_unique<Mens>();
  reloj_ = options_.reloj ? options_.reloj : MonotonicSeconds;
  portapapeles_ = options_.portapapeles ? options_.portapapeles : DesktopClipboard();
  osciloscopio_->SetPortapapeles(portapapeles_);
  BuildLayout();
  ConstruyeGrabacion();
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
  connect(Timer2, &QTimer::timeout, this, [this] { Timer2_Timer(); });
  connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
  connect(SSCommand1, &QPushButton::clicked, this, [this] { SSCommand1_Click(); });
  connect(XYCommand, &QCheckBox::toggled, this, [this] { XYCommand_Click(); });
  connect(VScroll3, &QScrollBar::valueChanged, this, [this] { VScroll3_Change(); });
  ConectaCursores();
  ConectaRefresco();
  Picture1->SetResizeHandler([this] { PictureRedimensionada(Picture1); });
  Picture2->SetResizeHandler([this] { PictureRedimensionada(Picture2); });
  ConectaPanel();
  ConectaBarra();
  ConectaEnlace();
  // Once for the program: its other windows fit the screen they open on.
  static QPointer<VentanasEnPantalla> ventanas;
  if (ventanas.isNull() && QCoreApplication::instance() != nullptr) {
    ventanas = new VentanasEnPantalla(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(ventanas);
  }
  ConectaSonido();
}

Oscil::~Oscil() {
  TerminaLaApertura();  // no opening thread outlives the window
  DesconectaPanel();  // the panel's event filter must not outlive the window's own parts
  if (ProgramaGlobal().AlmacenDeSenales == bd_signal_) ProgramaGlobal().AlmacenDeSenales.reset();
  BucleActivo = false;
  if (Timer1) Timer1->stop();
  if (Timer2) Timer2->stop();
}

QAction* Oscil::ToolbarButton(std::string_view key) const {
  auto it = botones_.find(key);
  return it == botones_.end() ? nullptr : it->second;
}

bool Oscil::ToolbarPressed(std::string_view key) const {
  QAction* a = ToolbarButton(key);
  return a != nullptr && a->isCheckable() && a->isChecked();
}

void Oscil::ActualizaTitulo() {
  QString titulo = QString::fromLatin1(kTitulo);
  const int idioma = ProgramaGlobal().IdiomaActual;
  if (osciloscopio_->ModoDemo()) {
    titulo += QStringLiteral(" -  DEMO MODE");
  } else if (!osciloscopio_->ModoRemoto() && fuente_ != "demo") {
    titulo += QStringLiteral(" - ") + QString::fromStdString(DescripcionDeFuente(idioma));
  }
  if (osciloscopio_->ModoRemoto()) titulo += QStringLiteral(" - REMOTE MODE");
  setWindowTitle(titulo);
  if (MenuDeFuente != nullptr) TextosDeFuente(idioma);
}

void Oscil::Form_Load() {
  Programa& p = ProgramaGlobal();
  scope::Osciloscopio& o = *osciloscopio_;
  // 1-2. Language and program folder; the I/O address is fixed. Spanish,
  //      unless the user named another language (ORVA_LANGUAGE, which the
  //      command line's --language also sets).
  p.IdiomaActual = IdiomaDeArranque();
  AplicaIdiomaDeQt(p.IdiomaActual);
  p.RutaAplicacion = QCoreApplication::applicationDirPath().toStdString();
  p.ContadorDePasadas = 0;
  constexpr std::int16_t kDireccionES = 0x390;
  // 3. Board folder and address. The board folder lies in the program's data
  //    folder: the program folder itself in a build, <prefix>/share/orvascope
  //    in an installed copy.
  o.path(storage::CarpetaDeDatos(p.RutaAplicacion) + "/KTR-5 ISA");
  o.DireccionES(kDireccionES);
  // 4. Board identification and calibration.
  p.TipoDePlaca = o.Configuracion();
  // 5. The messages control takes the I/O address as correct, whatever the
  //    identification returned.
  mens_->SetCorrectaDireccionIO(1);
  // 6. Always start in demonstration mode.
  o.ModoDemo(true);
  ActualizaTitulo();
  // 7. Default settings.
  o.Canal1Activo(true);
  o.Canal2Activo(true);
  o.AcoplamientoCanal1(1);
  o.AcoplamientoCanal2(1);
  o.GananciaCanal1(3);
  o.GananciaCanal2(3);
  o.BaseDeTiemposActual(4);
  o.CanalDisparo(1);
  o.DisparoExterno(0);
  o.Flanco(0);
  o.ModoDisparo(2);
  o.ModoXY(false);
  // 8. First trigger level from the hidden text box (a whole number; anything
  //    else counts as 0, and the value is kept to the level's 0..255), one
  //    programming, then mid-scale.
  bool ok = false;
  const int nivel = Text1->text().trimmed().toInt(&ok);
  o.Nivel(static_cast<std::int16_t>(ok ? std::clamp(nivel, 0, 255) : 0));
  o.Programacion();
  o.Nivel(128);
  o.promediado(1);
  // 9. User scales; the level markers a quarter down their own height.
  Picture1->Scale(0, 256, 767, 0);
  PictureDeNiveles->Scale(0, 128, 10, -128);
  PictureDeNiveles->Cls();
  ColocaMarcadores();  // markers on their channels' offsets, the trigger marker centred
  // 10. Empty graticules.
  Picture1->Cls();
  Picture2->Cls();
  dibuja_grid(*Picture1);
  dibuja_grid_espectro(*Picture2);
  // 11. Cursors.
  CursorX1 = 256;
  CursorX2 = 512;
  CursorY1 = 192;
  CursorY2 = 64;
  Picture1->MoveLineObject(kCursorX1, CursorX1, 256, CursorX1, 0);
  Picture1->MoveLineObject(kCursorX2, CursorX2, 256, CursorX2, 0);
  // 12. Screen colours.
  ColoresDePantalla();
  ColorXY = 0x00FFFF;
  ColorCanalD = 0xC0E0FF;
  // 13. Screen pictures of the instrument's clipboard copy.
  o.PantallaTiempo(std::make_shared<WindowPicture>(Picture1));
  o.PantallaFrecuencia(std::make_shared<WindowPicture>(Picture2));
  // 14. The signal store (PathSignals = program folder, Instrumento
  //     "OrvaScope.exe") and the configuration store.
  CreaLosAlmacenes();
  // 15. The language pass over the window: captions of the controls with a
  //     numeric Tag, tab titles, the help file's name, then the tool bar's
  //     tool tips and menus; the window's own texts and the panel's names in
  //     that language follow. Then the remote link's state.
  {
    ui::QtForm formulario(this);
    localisation::traduce_formulario(formulario, p.IdiomaActual, p.RutaAplicacion);
    localisation::traduce_barra_de_herramientas(formulario, p.IdiomaActual);
  }
  TextosPropios(p.IdiomaActual);
  NombresDelPanel(p.IdiomaActual);
  Remoto.inicia_enlace_remoto();
  // 16. Within the screen and centred on it.
  AjustaAlEscritorio();
  // Off; Timer2 fires once a second later and finds the loop stopped.
  Command1->setText("OFF");
  BucleActivo = false;
  Encendido = false;
  Timer1->stop();
  Timer2->start();
  ActualizaPanel();
  RefrescaDerivados();  // the start-up texts are those of the start-up settings
}

void Oscil::Command1_Click() {
  scope::Osciloscopio& o = *osciloscopio_;
  if (Command1->text() == "OFF") {
    Command1->setText("ON");
    Command1->setStyleSheet(kEstiloEncendido);
    Encendido = true;
    BucleActivo = true;
    Timer1->start();
    ModoAutomatico->setEnabled(true);
    Timer2->start();
    Disparo->show();
    // Pushing the level to the instrument is part of switching on, not a
    // change of the user's: a remote station switched on after its exchange
    // started must still take the board station's settings.
    const bool cambio_local = Remoto.CambioLocal;
    VScroll3_Change();
    Remoto.CambioLocal = cambio_local;
    o.MetodoInterpolacion(hosting::PropertyValue(std::int64_t{1}));
    Picture1->Scale(0, 256, 768, 0);
    Picture2->Scale(0, 100, 256, 0);
    TextosDelPanel();
    ActualizaPanel();  // the interpolation option shows the method now in use
    ActualizaAvisoDePedidos();  // waiting requests are served from now on
  } else {
    Command1->setText("OFF");
    Timer1->stop();
    BucleActivo = false;
    Picture1->Cls();
    Picture2->Cls();
    dibuja_grid(*Picture1);
    dibuja_grid_espectro(*Picture2);
    Command1->setStyleSheet(kEstiloApagado);
    Encendido = false;
    lectura_pendiente_[0] = lectura_pendiente_[1] = false;
    for (const auto& [i, d] : datos.Items()) d->clear();
    ModoAutomatico->setEnabled(false);
    Disparo->hide();
    MuestraCongelada();  // off is not frozen
    ActualizaAvisoDePedidos();  // requests left wait for the next power-on
  }
}

void Oscil::SSCommand1_Click() {
  osciloscopio_->Programacion();
  DisparoUnicoPedido = true;
  // Remote-link flags of the single shot.
  Remoto.DisparoUnicoRemoto = true;
  Remoto.CambioDelUsuario();
}

void Oscil::Timer1_Timer() {
  if (BucleActivo) {
    // The extra pass interleaves with the loop's own passes; before the loop
    // has started (the second after the power button) no pass runs at all.
    if (en_bucle_) BuclePrincipal();
  } else if (osciloscopio_->ModoDisparo() == 0 || ToolbarPressed("foto")) {
    RutinaDeDibujoYTratamiento(Picture1);
  }
}

void Oscil::Timer2_Timer() {
  Timer2->stop();
  if (atendiendo_mensaje_) {
    // The power button was pressed while a received message lets events
    // through: the loop runs until power-off, so started here the message
    // would never be answered and the exchange would stop. It starts as soon
    // as the handler has returned.
    QTimer::singleShot(1, this, [this] { Timer2_Timer(); });
    return;
  }
  RutinaPrincipal();
}

void Oscil::LimitaRefrescos(bool en_bucle) {
  const double ahora = Ahora();
  const bool toca = !en_bucle || ahora - ultimo_refresco_ >= kIntervaloDeRefresco;
  if (toca) ultimo_refresco_ = ahora;
  // The pictures hold their repaints in between (released, they repaint what
  // changed meanwhile); the readouts write their texts less often. Widget
  // updates are never disabled: a widget with its updates disabled can be
  // left blank by a repaint of its parent (the readouts and the labels over
  // the time view would flicker empty).
  Picture1->HoldRepaints(!toca);
  Picture2->HoldRepaints(!toca);
  if (!en_bucle) MuestraLecturas(true);
}

void Oscil::MuestraLecturas(bool ahora) {
  const double t = Ahora();
  if (!ahora && t - ultima_lectura_ < kIntervaloDeRefresco) return;
  ultima_lectura_ = t;
  scope::Osciloscopio& o = *osciloscopio_;
  for (int canal = 1; canal <= 2; ++canal) {
    if (!lectura_pendiente_[canal - 1]) continue;
    lectura_pendiente_[canal - 1] = false;
    const int base = canal == 1 ? 0 : 4;
    const double vpp = canal == 1 ? o.Vpp1() : o.Vpp2();
    const double vm = canal == 1 ? o.Vm1() : o.Vm2();
    const double f = canal == 1 ? o.F1() : o.F2();
    const double per = canal == 1 ? o.t1() : o.t2();
    datos(base + 0)->setText(QString::fromStdString(scope::FormatoVoltios(static_cast<float>(vpp))));
    datos(base + 1)->setText(QString::fromStdString(scope::FormatoVoltios(static_cast<float>(vm))));
    datos(base + 2)->setText(QString::fromStdString(scope::FormatoFrecuencia(static_cast<float>(f))));
    datos(base + 3)->setText(QString::fromStdString(scope::FormatoTiempo(static_cast<float>(per))));
  }
  if (figura_pendiente_) {
    figura_pendiente_ = false;
    Label14->setText(QString::fromStdString(TextoNumero(pases_por_segundo_)));
  }
}

void Oscil::PictureRedimensionada(PictureBox* picture) {
  // The image was re-created blank at the new size.
  if (picture == Picture1) {
    DibujaPantalla(Picture1);
    Disparo->move(std::max(4, Picture1->width() - Disparo->width() - 6), 4);
    Foto->move(6, std::max(0, Picture1->height() - Foto->height() - 6));
  } else {
    Picture2->Cls();
    dibuja_grid_espectro(*Picture2);
  }
}

void Oscil::AjustaAlEscritorio() {
  QScreen* screen = this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect r = screen->availableGeometry();
  // The frame the desktop adds (title bar, borders) is known once the window
  // has been shown; before that, room for a usual one is kept.
  const QSize marco = isVisible() ? frameGeometry().size() - size() : QSize(8, 34);
  const QSize cabe = (r.size() - marco).expandedTo(minimumSizeHint());

  resize(size().boundedTo(cabe).expandedTo(minimumSizeHint()));
  const QSize fuera = size() + marco;
  move(r.left() + (r.width() - fuera.width()) / 2, r.top() + (r.height() - fuera.height()) / 2);
}

void Oscil::RutinaPrincipal() {
  const bool fuera = !en_bucle_;  // the outermost loop owns the flag
  en_bucle_ = true;
  while (BucleActivo) {
    BuclePrincipal();
    LimitaRefrescos(true);
    QCoreApplication::processEvents();
    if (CompruebaElFlujo()) break;
    EsperaAlFlujo();
  }
  if (fuera) en_bucle_ = false;
  LimitaRefrescos(false);
}

int Oscil::RunPasses(int n) { return RunPasses(n, nullptr); }

int Oscil::RunPasses(int n, const std::function<bool()>& para) {
  Timer1->stop();
  Timer2->stop();
  const bool fuera = !en_bucle_;
  en_bucle_ = true;
  int hechos = 0;
  for (; hechos < n && !(para && para()); ++hechos) {
    BuclePrincipal();
    LimitaRefrescos(true);
    QCoreApplication::processEvents();
    if (CompruebaElFlujo()) {
      ++hechos;
      break;
    }
    EsperaAlFlujo();
  }
  if (fuera) en_bucle_ = false;
  LimitaRefrescos(false);
  QCoreApplication::processEvents();
  return hechos;
}

void Oscil::Wait(double seconds) {
  const double inicio = reloj_();
  while (reloj_() - inicio < seconds) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
}

void Oscil::BuclePrincipal() {
  const double t_inicio = Ahora();
  scope::Osciloscopio& o = *osciloscopio_;
  PictureBox* target = Picture1;
  sigdex_->PuntosFFT(512);
  o.ComprobacionFinDeCaptura();
  if (o.BaseDeTiemposActual() >= 20 && !o.EnFlujo()) Wait(2.0);  // a stream waits its own way
  const bool fin = o.FinDeCaptura();
  if (o.ModoDisparo() == 0 || fin) {
    if (CopiarPantallaPedido || ImprimirPedido) {
      target->SetBackColor(0xFFFFFF);
      ColoresDeImpresion();
    }
    if (o.FuerzaModoSoftware()) {
      color_de_led(trigfailLed, "rojo");
      color_de_led(htLed, "gris");
      color_de_led(stLed, "verde");
    } else {
      color_de_led(trigfailLed, "verde");
      color_de_led(htLed, "verde");
      color_de_led(stLed, "gris");
    }
    bool leida = false;  // a capture was read in this pass
    if (fin && Armado) {
      leida = true;
      const double t0 = Ahora();
      o.LecturaDeMemoria();
      tiempos_.lectura += Ahora() - t0;
      ++capturas_leidas_;
      Armado = false;
      color_de_led(armLed, "gris");
    }
    const double t_canales = Ahora();
    for (int canal = 1; canal <= 2; ++canal) {
      const bool activo = canal == 1 ? o.Canal1Activo() : o.Canal2Activo();
      if (!activo) continue;
      std::vector<float>& vector = canal == 1 ? VectorCanal1 : VectorCanal2;
      vector = canal == 1 ? o.VCanal1() : o.VCanal2();  // one averaging step
      QCheckBox* fft = SSCheck1(canal - 1);
      if (fft->isChecked()) {
        // 512 centred samples, windowed, transformed, magnitudes in dB. A
        // shorter trace is padded with the centre line (0 after centring).
        espectro_scratch_.assign(vector.begin(), vector.end());
        if (espectro_scratch_.size() < 512) espectro_scratch_.resize(512, 128.0f);
        for (std::size_t i = 0; i < 512; ++i) espectro_scratch_[i] -= 128.0f;
        sigdex_->VectorInReal(espectro_scratch_);
        sigdex_->Enventanar(512);
        sigdex_->VectorInReal(sigdex_->VectorOutReal());
        sigdex_->FFT();
        sigdex_->Modulo();
        (canal == 1 ? EspectroCanal1 : EspectroCanal2) = sigdex_->VectorOutModulo();
      }
      if (canal == 1) {
        o.Medidas1();
      } else {
        o.Medidas2();
      }
      // datos(0..3) / datos(4..7): Vpp, Vm, F, t, written by MuestraLecturas.
      lectura_pendiente_[canal - 1] = true;
    }
    // Statistics and recording: one entry per capture read, measured at the
    // timebase it was programmed with (the re-arm below moves on).
    if (leida) AnotaCaptura();
    if (fin) {
      if (o.ModoDisparo() == 0) {
        if (DisparoUnicoPedido) {
          o.Programacion();
          Armado = true;
          DisparoUnicoPedido = false;
          color_de_led(armLed, "verde");
        }
      } else {
        o.Programacion();
        Armado = true;
        color_de_led(armLed, "verde");
      }
      if (DisparoUnicoPedido) color_de_led(armLed, "verde");
    }
    const double t_dibujo = Ahora();
    tiempos_.canales += t_dibujo - t_canales;
    RutinaDeDibujoYTratamiento(target);
    tiempos_.dibujo += Ahora() - t_dibujo;
  }
  // Passes per second over 9 passes, measured on the monotonic clock. The
  // first time round there is no earlier instant: only the start is taken.
  Programa& p = ProgramaGlobal();
  // In remote mode the counter is advanced by the received sample messages
  // instead, so the figure counts exchanges; without them it stands still.
  if (!o.ModoRemoto())
    p.ContadorDePasadas = static_cast<std::int16_t>((p.ContadorDePasadas + 1) % 10);
  if (p.ContadorDePasadas == 0) {
    p.ContadorDePasadas = 1;
    const double ahora = reloj_();
    if (!instante_valido_ || ahora - instante_anterior_ <= 0) {
      instante_anterior_ = ahora;
      instante_valido_ = true;
    } else {
      pases_por_segundo_ = 9.0 / (ahora - instante_anterior_);
      figura_pendiente_ = true;
      instante_anterior_ = ahora;
    }
  }
  // Passes run back to back write their readouts 60 times a second at most.
  MuestraLecturas(!en_bucle_);
  tiempos_.total += Ahora() - t_inicio;
  ++tiempos_.pasadas;
}

bool Oscil::Form_QueryUnload(bool cancel, int /*unload_mode*/) {
  if (!cancel) {
    BucleActivo = false;
    Timer1->stop();
    Wait(1.0);
  }
  return cancel;
}

void Oscil::Form_Unload(bool& /*cancel*/) { BucleActivo = false; }

void Oscil::closeEvent(QCloseEvent* event) {
  if (Form_QueryUnload(false, 0)) {
    event->ignore();
    return;
  }
  bool cancel = false;
  Form_Unload(cancel);
  Timer2->stop();
  event->accept();
}

}  // namespace orva::mainwindow
