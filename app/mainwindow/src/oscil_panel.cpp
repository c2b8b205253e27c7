// The front panel's handlers: step buttons, selectors, the trigger level, the
// level markers, the time-view pan, the automatic set-up, the layout switch
// and the widening. Keyboard, wheel, shortcuts and control names are in
// oscil_panel_keys.cpp.
//
// Each handler changes the instrument through its setters and shows the new
// setting; the ones that report end with Remoto.CambioDelUsuario(), which
// raises CambioLocal unless a received remote record is being applied.
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>

#include "orva/localisation/idioma.h"
#include "orva/mainwindow/oscil.h"
#include "orva/mainwindow/readouts.h"
#include "orva/scope/osciloscopio.h"
#include "orva/scope/readouts.h"
#include "orva/scope/render.h"

namespace orva::mainwindow {
namespace {

// The level-marker strip shows offsets of -128..128 codes (its user scale).
constexpr double kTiraMax = 128;
// The automatic set-up runs at most this many passes itself; a capture that
// never ends (a silent board) then leaves the search to the loop's passes
// instead of holding the window forever. The timebase search settles in far
// fewer (about three passes for each of its at most 15 steps).
constexpr int kPasadasAutomaticasMax = 400;

std::int16_t Int16(int v) {
  return static_cast<std::int16_t>(std::clamp<int>(v, std::numeric_limits<std::int16_t>::min(),
                                                   std::numeric_limits<std::int16_t>::max()));
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Checks b with no handler running (the panel shows a setting it did not make).
void MarcaSinAviso(QAbstractButton* b, bool checked) {
  if (b == nullptr || b->isChecked() == checked) return;
  const QSignalBlocker bloqueo(b);
  b->setChecked(checked);
}

}  // namespace

void Oscil::ConectaPanel() {
  for (int i = 0; i <= 1; ++i) {
    connect(SSCommand2(i), &QPushButton::clicked, this, [this, i] { SSCommand2_Click(i); });
    connect(SSCommand3(i), &QPushButton::clicked, this, [this, i] { SSCommand3_Click(i); });
    connect(SSCommand4(i), &QPushButton::clicked, this, [this, i] { SSCommand4_Click(i); });
    connect(SSCommand5(i), &QPushButton::clicked, this, [this, i] { SSCommand5_Click(i); });
    connect(SSCommand6(i), &QPushButton::clicked, this, [this, i] { SSCommand6_Click(i); });
  }
  for (int k = 1; k <= 2; ++k) {
    connect(CouplingDC(k), &QPushButton::toggled, this, [this, k](bool on) { CouplingDC_Click(k, on); });
    connect(CouplingAC(k), &QPushButton::toggled, this, [this, k](bool on) { CouplingAC_Click(k, on); });
    connect(CouplingGND(k), &QPushButton::toggled, this,
            [this, k](bool on) { CouplingGND_Click(k, on); });
    connect(ChanSelected(k), &QCheckBox::toggled, this,
            [this, k](bool on) { ChanSelected_Click(k, on); });
  }
  connect(TrigChanSpin(1), &QPushButton::clicked, this, [this] { TrigChanSpin_SpinUp(); });
  connect(TrigChanSpin(0), &QPushButton::clicked, this, [this] { TrigChanSpin_SpinDown(); });
  connect(Slope, &QPushButton::toggled, this, [this](bool on) { Slope_Click(on); });
  connect(Dis_ext, &QCheckBox::toggled, this, [this] { Dis_ext_Click(); });
  for (const auto& [i, r] : promediado.Items())
    connect(r, &QRadioButton::toggled, this, [this, i = i](bool on) {
      if (on) promediado_Click(i);
    });
  for (const auto& [i, r] : Option1.Items())
    connect(r, &QRadioButton::toggled, this, [this, i = i](bool on) {
      if (on) Option1_Click(i);
    });
  // VScroll3 is connected with the window's other start-up controls.
  connect(VScroll1, &QScrollBar::valueChanged, this, [this] { VScroll1_Change(); });
  connect(VScroll2, &QScrollBar::valueChanged, this, [this] { VScroll2_Change(); });
  connect(HScroll1, &QScrollBar::valueChanged, this, [this] { HScroll1_Change(); });
  PictureDeNiveles->SetMouseDownHandler(
      [this](int b, int s, double x, double y) { PictureDeNiveles_MouseDown(b, s, x, y); });
  PictureDeNiveles->SetMouseMoveHandler(
      [this](int b, int s, double x, double y) { PictureDeNiveles_MouseMove(b, s, x, y); });
  PictureDeNiveles->SetMouseUpHandler(
      [this](int b, int s, double x, double y) { PictureDeNiveles_MouseUp(b, s, x, y); });
  // A new size re-creates the strip blank: its markers go back on their heights.
  PictureDeNiveles->SetResizeHandler([this] { ColocaMarcadores(); });
  connect(ModoAutomatico, &QPushButton::clicked, this, [this] { ModoAutomatico_Click(); });
  connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
  Slope->setIconSize(QSize(18, 12));
  ConectaTeclado();
}

// ---- Step buttons -------------------------------------------------------------

void Oscil::PonBaseDeTiempos(int indice) {
  osciloscopio_->BaseDeTiemposActual(Int16(indice));  // kept to 2..20 by the setter
  if (osciloscopio_->BaseRechazadaPorFlujo()) AvisaBaseRechazada(indice);
  TimebaseDisplay(1)->setText(Q(osciloscopio_->BaseDeTiemposActualTexto()));
  ActualizaCursoresVerticales();  // the cursors' times follow the timebase
}

void Oscil::PonGanancia(int canal, int indice) {
  scope::Osciloscopio& o = *osciloscopio_;
  if (canal == 1) {
    o.GananciaCanal1(Int16(indice));  // kept to 0..10 by the setter
    AmplitudeDisplay(1)->setText(Q(o.GananciaCanal1Texto()));
  } else if (canal == 2) {
    o.GananciaCanal2(Int16(indice));
    AmplitudeDisplay(2)->setText(Q(o.GananciaCanal2Texto()));
  }
  ActualizaCursoresHorizontales();  // the cursors' volts follow the gain
}

void Oscil::PonModoDisparo(int modo) {
  scope::Osciloscopio& o = *osciloscopio_;
  // The mode table is 0..2; a step past its ends stays at the end (the setter
  // itself would store any code, and codes outside the table have no text).
  o.ModoDisparo(static_cast<std::int16_t>(std::clamp(modo, 0, 2)));
  ModeDisplay(1)->setText(Q(o.ModoDisparoTexto()));
  if (o.ModoDisparo() <= 0) {
    // Single: the screen waits for the next shot.
    Picture1->Cls();
    dibuja_grid(*Picture1);
    color_de_led(armLed, "verde");
    color_de_led(htLed, "gris");
    color_de_led(stLed, "gris");
    color_de_led(trigfailLed, "gris");
  }
}

void Oscil::SSCommand2_Click(int index) {
  PonBaseDeTiempos(osciloscopio_->BaseDeTiemposActual() + (index == 0 ? -1 : 1));
  Remoto.CambioDelUsuario();
}

void Oscil::SSCommand4_Click(int index) {
  PonGanancia(1, osciloscopio_->GananciaCanal1() + (index == 0 ? -1 : 1));
  Remoto.CambioDelUsuario();
}

void Oscil::SSCommand5_Click(int index) {
  PonGanancia(2, osciloscopio_->GananciaCanal2() + (index == 0 ? -1 : 1));
  Remoto.CambioDelUsuario();
}

void Oscil::SSCommand3_Click(int index) {
  PonModoDisparo(osciloscopio_->ModoDisparo() + (index == 0 ? 1 : -1));
  Remoto.CambioDelUsuario();
}

void Oscil::SSCommand6_Click(int index) {
  // The instrument adjusts the gain over the following passes.
  if (index == 0) osciloscopio_->GainAuto1(true);
  if (index == 1) osciloscopio_->GainAuto2(true);
}

// ---- Selectors ------------------------------------------------------------------

namespace {

void PonAcoplamiento(scope::Osciloscopio& o, int canal, std::int16_t codigo) {
  if (canal == 1) o.AcoplamientoCanal1(codigo);
  if (canal == 2) o.AcoplamientoCanal2(codigo);
}

}  // namespace

void Oscil::CouplingDC_Click(int index, bool pressed) {
  if (!pressed || (index != 1 && index != 2)) return;  // a release changes nothing
  PonAcoplamiento(*osciloscopio_, index, scope::kAcoplamientoDC);
  Remoto.CambioDelUsuario();
}

void Oscil::CouplingAC_Click(int index, bool pressed) {
  if (!pressed || (index != 1 && index != 2)) return;
  PonAcoplamiento(*osciloscopio_, index, scope::kAcoplamientoAC);
  Remoto.CambioDelUsuario();
}

void Oscil::CouplingGND_Click(int index, bool pressed) {
  if (!pressed || (index != 1 && index != 2)) return;
  PonAcoplamiento(*osciloscopio_, index, scope::kAcoplamientoGND);
  Remoto.CambioDelUsuario();
}

void Oscil::ChanSelected_Click(int index, bool value) {
  if (index == 1) osciloscopio_->Canal1Activo(value);
  if (index == 2) osciloscopio_->Canal2Activo(value);
}

void Oscil::TrigChanSpin_SpinUp() {
  osciloscopio_->CanalDisparo(2);
  TrigChanDisplay(1)->setText("2");
  Remoto.CambioDelUsuario();
}

void Oscil::TrigChanSpin_SpinDown() {
  osciloscopio_->CanalDisparo(1);
  TrigChanDisplay(1)->setText("1");
  Remoto.CambioDelUsuario();
}

void Oscil::Slope_Click(bool value) {
  osciloscopio_->Flanco(value ? 1 : 0);
  Slope->setIcon(IconoDeFlanco(value));
  Remoto.CambioDelUsuario();
}

void Oscil::Dis_ext_Click() {
  osciloscopio_->DisparoExterno(Dis_ext->isChecked() ? 1 : 0);
  Remoto.CambioDelUsuario();
}

void Oscil::promediado_Click(int index) {
  if (index < 0 || index > 3) return;  // the instrument averages with 1, 2, 4 or 8
  osciloscopio_->promediado(static_cast<std::int16_t>(1 << index));
}

void Oscil::Option1_Click(int index) {
  osciloscopio_->MetodoInterpolacion(hosting::PropertyValue(std::int64_t{index}));
}

// ---- Scroll bars ----------------------------------------------------------------------

void Oscil::VScroll3_Change() {
  if (Remoto.NivelRemoto) {
    Remoto.NivelRemoto = false;  // the value was written by the remote link
    return;
  }
  scope::Osciloscopio& o = *osciloscopio_;
  // Whatever range a marker drag gave the bar, the level is a code 0..255.
  const int valor = std::clamp(VScroll3->value(), 0, 255);
  if (valor != VScroll3->value()) {
    const QSignalBlocker bloqueo(VScroll3);
    VScroll3->setValue(valor);
  }
  o.Nivel(static_cast<std::int16_t>(valor));
  TextoDelNivel();
  Remoto.CambioDelUsuario();
}

void Oscil::VScroll1_Change() {
  const int v = VScroll1->value();
  Label1->setText(Q(TextoNumero(v)));
  osciloscopio_->TagX(hosting::PropertyValue(std::int64_t{v}));
}

void Oscil::VScroll2_Change() { Text1->setText(QString::number(VScroll2->value())); }

void Oscil::RedibujaSiParado() {
  // While passes run the next one draws; a pending copy or print waits for it.
  if (!BucleActivo && !CopiarPantallaPedido && !ImprimirPedido) DibujaPantalla(Picture1);
}

void Oscil::DibujaTrazoVisible(PictureBox* target, const std::vector<float>& traza, COLORREF color) {
  // The renderer draws the 768-point record over the whole picture and
  // leaves the picture in that scale. When the user scale shows a narrower
  // part of the record (the pan), the part from ScaleLeft to ScaleLeft +
  // ScaleWidth is resampled linearly onto the renderer's 768 points (a
  // sample beyond the trace's end holds its last value), and the scale is
  // given back, so the grid, the level line and the cursors stay in it.
  const double izquierda = target->ScaleLeft(), arriba = target->ScaleTop();
  const double ancho = target->ScaleWidth(), alto = target->ScaleHeight();
  if (target->ScaleMode() != gdi::Canvas::kUser || ancho >= 700 || ancho <= 0 || traza.empty()) {
    scope::DibujaTrazo(*target, traza, color);
    return;
  }
  zoom_.resize(scope::kShownPoints);
  const double paso = ancho / scope::kShownPoints;
  const auto ultimo = static_cast<double>(traza.size() - 1);
  for (int i = 0; i < scope::kShownPoints; ++i) {
    const double x = std::clamp(izquierda + i * paso, 0.0, ultimo);
    const auto k = static_cast<std::size_t>(x);
    const double f = x - static_cast<double>(k);
    zoom_[i] = k + 1 < traza.size()
                   ? static_cast<float>(traza[k] + f * (traza[k + 1] - traza[k]))
                   : traza[k];
  }
  scope::DibujaTrazo(*target, zoom_, color);
  target->Scale(izquierda, arriba, izquierda + ancho, arriba + alto);
}

void Oscil::HScroll1_Change() {
  const double v = HScroll1->value();
  Picture1->Scale(v, 256, v + 256, 0);
  RedibujaSiParado();
}

// ---- Level markers ----------------------------------------------------------------------

double Oscil::AlturaMarcador(int i) const {
  const QLabel* m = Niveles(i);
  if (m == nullptr) return 0;
  return PictureDeNiveles->FromPixelY(m->y() + m->height() / 2.0);
}

void Oscil::ColocaMarcador(int i, double y) {
  QLabel* m = Niveles(i);
  if (m == nullptr) return;
  const double centro = PictureDeNiveles->ToPixelY(std::clamp(y, -kTiraMax, kTiraMax));
  // Marker i in column i of the strip's three, wholly on the strip.
  const int columna = PictureDeNiveles->width() / 3;
  const int arriba = static_cast<int>(std::nearbyint(centro - m->height() / 2.0));
  m->move((i - 1) * columna + (columna - m->width()) / 2,
          std::clamp(arriba, 0, std::max(0, PictureDeNiveles->height() - m->height())));
}

void Oscil::ColocaMarcadores() {
  ColocaMarcador(1, osciloscopio_->DesplazamientoYCanal1());
  ColocaMarcador(2, osciloscopio_->DesplazamientoYCanal2());
  ColocaMarcador(3, altura_marcador3_);
}

void Oscil::AjustaBarraDeNivel(int desplazamiento) {
  // The bar's 255..0 shifted down by the offset: its ends stay the screen's
  // top and bottom for the shifted trace. The value is re-applied by the caller.
  const QSignalBlocker bloqueo(VScroll3);
  VScroll3->setRange(-desplazamiento, 255 - desplazamiento);
}

void Oscil::PonDesplazamiento(int canal, int codigos) {
  if (canal != 1 && canal != 2) return;
  scope::Osciloscopio& o = *osciloscopio_;
  const auto d = static_cast<std::int16_t>(std::clamp(codigos, -128, 128));
  if (canal == 1) o.DesplazamientoYCanal1(d);
  if (canal == 2) o.DesplazamientoYCanal2(d);
  ColocaMarcador(canal, d);
  if (o.CanalDisparo() != canal) return;
  // The trigger channel moved: the level bar follows its offset, the level is
  // applied again, and horizontal cursor 1 marks where the level now is on
  // the screen (the height of the dotted trigger line).
  AjustaBarraDeNivel(d);
  VScroll3_Change();
  const double y = std::clamp(o.Nivel() + d, 0, 255);
  CursorY1 = y;
  Picture1->MoveLineObject(kCursorY1, 0, y, 756, y);
}

void Oscil::MueveMarcador(int i, double y) {
  // However far the pointer goes, the marker stays on the strip and the
  // offset within what the strip shows.
  y = std::isfinite(y) ? std::clamp(y, -kTiraMax, kTiraMax) : 0.0;
  if (i == 1 || i == 2) {
    PonDesplazamiento(i, static_cast<int>(std::nearbyint(y)));
    ColocaMarcador(i, y);
  } else if (i == 3) {
    altura_marcador3_ = y;  // the trigger marker only moves its image
    ColocaMarcador(3, y);
  }
}

void Oscil::PictureDeNiveles_MouseDown(int button, int /*shift*/, double x, double y) {
  if (button != 1) return;
  // The marker under the pointer; elsewhere the one whose centre is nearest
  // the pointer's height (the first on a tie: markers side by side at one
  // height are told apart by their columns).
  const QPoint punto(static_cast<int>(PictureDeNiveles->ToPixelX(x)),
                     static_cast<int>(PictureDeNiveles->ToPixelY(y)));
  for (int i = 1; i <= 3; ++i) {
    if (Niveles(i) != nullptr && Niveles(i)->geometry().contains(punto)) {
      marcador_seleccionado_ = marcador_de_teclado_ = i;
      return;
    }
  }
  int mejor = 0;
  double distancia = std::numeric_limits<double>::infinity();
  for (int i = 1; i <= 3; ++i) {
    const double d = std::abs(y - AlturaMarcador(i));
    if (d < distancia) {
      distancia = d;
      mejor = i;
    }
  }
  marcador_seleccionado_ = mejor;
  if (mejor != 0) marcador_de_teclado_ = mejor;
}

void Oscil::PictureDeNiveles_MouseMove(int button, int /*shift*/, double /*x*/, double y) {
  if ((button & 1) == 0 || marcador_seleccionado_ == 0) return;
  MueveMarcador(marcador_seleccionado_, y);
}

void Oscil::PictureDeNiveles_MouseUp(int /*button*/, int /*shift*/, double /*x*/, double /*y*/) {
  marcador_seleccionado_ = 0;
}

// ---- Automatic set-up -------------------------------------------------------------------

void Oscil::ModoAutomatico_Click() {
  scope::Osciloscopio& o = *osciloscopio_;
  // Only while on (the button is available only then); while it runs the
  // instrument counts as off, so it never starts twice.
  if (!Encendido || Command1->text() != "ON") return;
  // 1-2. Nothing in Single; Normal becomes Auto (a capture must end without a trigger).
  if (o.ModoDisparo() <= 0) return;
  if (o.ModoDisparo() == 1) PonModoDisparo(2);
  // 3. No averaging; traces are not drawn meanwhile; the notice is shown.
  if (promediado(0)->isChecked()) {
    promediado_Click(0);
  } else {
    promediado(0)->setChecked(true);
  }
  Encendido = false;
  Label12->show();
  Label12->raise();
  Form_Resize();
  Label12->repaint();  // no events run during the passes below
  // 4.
  o.GainAuto1(true);
  o.GainAuto2(true);
  o.TriggerAuto(true);
  // 5. The loop stops; passes run here until the timebase has settled. The
  // slowest timebase's wait lets events run: a power-off meanwhile ends it.
  BucleActivo = false;
  for (int n = 0; o.TriggerAuto() && n < kPasadasAutomaticasMax && Command1->text() == "ON"; ++n)
    BuclePrincipal();
  if (Command1->text() != "ON") {
    // Switched off meanwhile: the settings stay where the search had got them.
    o.TriggerAuto(false);
    o.GainAuto1(false);
    o.GainAuto2(false);
    Label12->hide();
    return;
  }
  // 6. The loop restarts a second later; the gains keep adapting meanwhile.
  BucleActivo = true;
  Timer2->start();
  o.GainAuto1(true);
  o.GainAuto2(true);
  Encendido = true;
  TextosDelPanel();
  // 7.
  if (Remoto.NoAplicandoRemoto) {
    Remoto.CambioLocal = true;
    Remoto.AutomaticoRemoto = 1;
  }
}

// ---- Layout -----------------------------------------------------------------------------------

void Oscil::Form_Resize() {
  if (isMinimized()) return;  // nothing to lay out
  // Large display: the display panel takes the room of the spectrum and
  // front panel (the readouts stay); the layouts do the sizes.
  const bool grande = ToolbarPressed("view");
  if (SSPanel3->isHidden() != grande) SSPanel3->setHidden(grande);
  Label12->adjustSize();
  Label12->move(std::max(0, (Picture1->width() - Label12->width()) / 2),
                std::max(0, (Picture1->height() - Label12->height()) / 2));
  // The pictures draw themselves again when their size changes.
}

QRect Oscil::GeometriaEnsanchada(const QRect& ventana, const QSize& marco, const QRect& disponible) {
  // Three times as wide around the same centre, but no wider than the
  // screen's available area holds (frame included), and moved only as far as
  // it must to lie wholly on it. Never narrower than the window already is.
  const int cabe = std::max(ventana.width(), disponible.width() - marco.width());
  const int ancho = std::min(3 * ventana.width(), cabe);
  const int borde = marco.width() / 2;  // the frame's side, left and right alike
  int izquierda = ventana.center().x() + 1 - ancho / 2;
  izquierda = std::min(izquierda, disponible.right() + 1 - borde - ancho);
  izquierda = std::max(izquierda, disponible.left() + borde);
  return {izquierda, ventana.top(), ancho, ventana.height()};
}

void Oscil::Command2_Click() {
  if (ensanchando_) return;  // one widening at a time
  ensanchando_ = true;
  // Pressed again: back to the width and place it had before the widening.
  // Otherwise 200 steps from here to the widened geometry, events running
  // between them, the window keeping its centre (and the time view, laid out
  // in the middle, its place in it) as far as the screen lets it.
  QRect destino;
  if (ancho_antes_de_ensanchar_.isValid()) {
    destino = ancho_antes_de_ensanchar_;
    ancho_antes_de_ensanchar_ = QRect();
  } else {
    QScreen* pantalla = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    const QRect disponible = pantalla != nullptr ? pantalla->availableGeometry() : geometry();
    const QSize marco = isVisible() ? frameGeometry().size() - size() : QSize(8, 34);
    ancho_antes_de_ensanchar_ = geometry();
    destino = GeometriaEnsanchada(geometry(), marco, disponible);
  }
  const QRect origen = geometry();
  for (int i = 1; i <= 200; ++i) {
    const int ancho = origen.width() + (destino.width() - origen.width()) * i / 200;
    const int x = origen.x() + (destino.x() - origen.x()) * i / 200;
    setGeometry(x, origen.y(), ancho, origen.height());
    QCoreApplication::processEvents();
  }
  ensanchando_ = false;
}

// ---- The panel shows the instrument -----------------------------------------------------------

void Oscil::ActualizaPanel() {
  scope::Osciloscopio& o = *osciloscopio_;
  TextosDelPanel();
  for (int k = 1; k <= 2; ++k) {
    const int codigo = k == 1 ? o.AcoplamientoCanal1() : o.AcoplamientoCanal2();
    QButtonGroup* g = grupo_acoplamiento_[k - 1];
    // A code outside 0..2 (a stored value) shows no button pressed.
    g->setExclusive(false);
    MarcaSinAviso(CouplingGND(k), codigo == scope::kAcoplamientoGND);
    MarcaSinAviso(CouplingDC(k), codigo == scope::kAcoplamientoDC);
    MarcaSinAviso(CouplingAC(k), codigo == scope::kAcoplamientoAC);
    g->setExclusive(true);
    MarcaSinAviso(ChanSelected(k), k == 1 ? o.Canal1Activo() : o.Canal2Activo());
  }
  TrigChanDisplay(1)->setText(QString::number(o.CanalDisparo()));
  MarcaSinAviso(Slope, o.Flanco() != 0);
  Slope->setIcon(IconoDeFlanco(o.Flanco() != 0));
  MarcaSinAviso(Dis_ext, o.DisparoExterno() != 0);
  for (const auto& [i, r] : promediado.Items()) MarcaSinAviso(r, o.promediado() == (1 << i));
  // Spectral interpolation is 0; any other value is linear.
  const auto metodo = hosting::ToDouble(o.MetodoInterpolacion());
  MarcaSinAviso(Option1(metodo && *metodo == 0 ? 0 : 1), true);
  {
    const QSignalBlocker bloqueo(VScroll3);
    VScroll3->setValue(o.Nivel());
  }
  if (const auto tag = hosting::ToDouble(o.TagX())) {
    const QSignalBlocker bloqueo(VScroll1);
    VScroll1->setValue(static_cast<int>(std::clamp(*tag, -100.0, 100.0)));
    Label1->setText(Q(TextoNumero(VScroll1->value())));
  }
  if (XYCommand->isChecked() != o.ModoXY()) XYCommand->setChecked(o.ModoXY());
  ColocaMarcadores();
}

}  // namespace orva::mainwindow
