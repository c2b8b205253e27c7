// The front panel from the keyboard and the wheel, and its names.
//
// - Shortcuts (Atajos()) press their button; they do nothing while a text
//   field has the keyboard focus (the keys belong to the field then).
// - The wheel over a step button's display, or over its buttons, steps it:
//   one step per notch (wheel deltas of 120), in the direction of "+" for a
//   turn away from the user.
// - The level-marker strip, when it has the focus: 1, 2, 3 choose the
//   marker (channel 1, channel 2, trigger), Up/Down move it one code,
//   Page Up/Page Down one division (32 codes), Home back to the centre line.
//   Its background lightens while it has the focus.
// - Accessible names and tool tips come from the language's texts; a tool tip
//   names the shortcut of its control.
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTextEdit>
#include <QWheelEvent>

#include <initializer_list>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "orva/localisation/idioma.h"
#include "orva/mainwindow/oscil.h"
#include "orva/scope/osciloscopio.h"

namespace orva::mainwindow {
namespace {

constexpr COLORREF kFondoTira = 0x302820;
constexpr COLORREF kFondoTiraConFoco = 0x5a4a38;
constexpr int kMuesca = 120;  // wheel delta of one notch

}  // namespace

class Oscil::FiltroDelPanel : public QObject {
 public:
  explicit FiltroDelPanel(Oscil& w) : QObject(&w), w_(w) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::Wheel: {
        auto* e = static_cast<QWheelEvent*>(event);
        return w_.RuedaSobre(watched, e->angleDelta().y());
      }
      case QEvent::KeyPress:
        if (watched == w_.PictureDeNiveles)
          return w_.TeclaDeNiveles(static_cast<QKeyEvent*>(event)->key());
        break;
      case QEvent::FocusIn:
      case QEvent::FocusOut:
        if (watched == w_.PictureDeNiveles) {
          w_.PictureDeNiveles->SetBackColor(event->type() == QEvent::FocusIn ? kFondoTiraConFoco
                                                                           : kFondoTira);
        }
        break;
      case QEvent::Resize:
      case QEvent::WindowStateChange:
        // The window or the time view changed size; Label12 is placed again
        // after the time view has its new size.
        if (watched == &w_ || watched == w_.Picture1) w_.Form_Resize();
        break;
      default:
        break;
    }
    return false;
  }

 private:
  Oscil& w_;
};

const std::vector<std::pair<std::string, std::string>>& Oscil::Atajos() {
  // Horizontal arrows are the time axis, vertical arrows the volts.
  static const std::vector<std::pair<std::string, std::string>> atajos{
      {"Ctrl+Left", "SSCommand2(0)"},       {"Ctrl+Right", "SSCommand2(1)"},
      {"Ctrl+Down", "SSCommand4(0)"},       {"Ctrl+Up", "SSCommand4(1)"},
      {"Ctrl+Shift+Down", "SSCommand5(0)"}, {"Ctrl+Shift+Up", "SSCommand5(1)"},
      {"Ctrl+Return", "SSCommand1"},        {"Ctrl+Shift+A", "ModoAutomatico"},
      {"Ctrl+Shift+P", "Command1"},
  };
  return atajos;
}

bool Oscil::HayCampoDeTextoConFoco() const {
  QWidget* f = QApplication::focusWidget();
  if (f == nullptr) return false;
  if (auto* c = qobject_cast<QComboBox*>(f)) return c->isEditable();
  return qobject_cast<QLineEdit*>(f) != nullptr || qobject_cast<QTextEdit*>(f) != nullptr ||
         qobject_cast<QPlainTextEdit*>(f) != nullptr ||
         qobject_cast<QAbstractSpinBox*>(f) != nullptr;
}

void Oscil::ConectaTeclado() {
  filtro_ = new FiltroDelPanel(*this);
  for (const auto& [teclas, nombre] : Atajos()) {
    auto* boton = findChild<QPushButton*>(QString::fromStdString(nombre));
    if (boton == nullptr) continue;
    auto* atajo = new QShortcut(QKeySequence(QString::fromStdString(teclas)), this);
    atajo->setObjectName(QStringLiteral("Atajo ") + QString::fromStdString(teclas));
    connect(atajo, &QShortcut::activated, this, [this, boton] {
      if (!HayCampoDeTextoConFoco()) boton->click();  // a disabled button ignores it
    });
  }
  // Wheel: the displays of the step buttons and the buttons themselves.
  for (QObject* o : std::initializer_list<QObject*>{
           TimebaseDisplay(1), SSCommand2(0), SSCommand2(1), AmplitudeDisplay(1), SSCommand4(0),
           SSCommand4(1), AmplitudeDisplay(2), SSCommand5(0), SSCommand5(1), ModeDisplay(1),
           SSCommand3(0), SSCommand3(1), TrigChanDisplay(1), TrigChanSpin(0), TrigChanSpin(1)})
    o->installEventFilter(filtro_);
  PictureDeNiveles->installEventFilter(filtro_);
  Picture1->installEventFilter(filtro_);
  installEventFilter(filtro_);
}

void Oscil::DesconectaPanel() {
  // While the widgets go, they still send events (focus, resize) to the
  // filter, which would reach into a window that is no longer whole.
  delete filtro_;
  filtro_ = nullptr;
}

bool Oscil::RuedaSobre(QObject* display, int delta) {
  // The pair of buttons a display or button belongs to: (towards "+", towards "-").
  const std::pair<QPushButton*, QPushButton*> pares[] = {
      {SSCommand2(1), SSCommand2(0)}, {SSCommand4(1), SSCommand4(0)},
      {SSCommand5(1), SSCommand5(0)}, {SSCommand3(0), SSCommand3(1)},
      {TrigChanSpin(1), TrigChanSpin(0)}};
  QObject* const pantallas[] = {TimebaseDisplay(1), AmplitudeDisplay(1), AmplitudeDisplay(2),
                                ModeDisplay(1), TrigChanDisplay(1)};
  for (std::size_t i = 0; i < std::size(pares); ++i) {
    const auto [mas, menos] = pares[i];
    if (display != pantallas[i] && display != mas && display != menos) continue;
    // Fine-grained wheels send parts of a notch: they add up to whole steps.
    int& resto = rueda_[pantallas[i]];
    resto += delta;
    while (resto >= kMuesca) {
      resto -= kMuesca;
      mas->click();
    }
    while (resto <= -kMuesca) {
      resto += kMuesca;
      menos->click();
    }
    return true;
  }
  return false;
}

bool Oscil::TeclaDeNiveles(int key) {
  switch (key) {
    case Qt::Key_1:
    case Qt::Key_2:
    case Qt::Key_3:
      marcador_de_teclado_ = key - Qt::Key_0;
      return true;
    default:
      break;
  }
  const int i = marcador_de_teclado_;
  const double actual = i == 1   ? osciloscopio_->DesplazamientoYCanal1()
                        : i == 2 ? osciloscopio_->DesplazamientoYCanal2()
                                 : altura_marcador3_;
  switch (key) {
    case Qt::Key_Up: MueveMarcador(i, actual + 1); return true;
    case Qt::Key_Down: MueveMarcador(i, actual - 1); return true;
    case Qt::Key_PageUp: MueveMarcador(i, actual + 32); return true;
    case Qt::Key_PageDown: MueveMarcador(i, actual - 32); return true;
    case Qt::Key_Home: MueveMarcador(i, 0); return true;
    default: return false;
  }
}

QIcon Oscil::IconoDeFlanco(bool bajada) {
  QPixmap p(18, 12);
  p.fill(Qt::transparent);
  QPainter painter(&p);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(0xf0, 0xf3, 0xf6), 1.6));
  const int bajo = 10, alto = 2;
  const int a = bajada ? alto : bajo, b = bajada ? bajo : alto;
  const QPoint puntos[] = {{1, a}, {7, a}, {11, b}, {17, b}};
  painter.drawPolyline(puntos, 4);
  return QIcon(p);
}

void Oscil::NombresDelPanel(int idioma) {
  auto texto = [idioma](int id) {
    const std::string_view t = localisation::Text(id, idioma);
    return QString::fromUtf8(t.data(), static_cast<int>(t.size()));
  };
  auto atajo_de = [](const QObject* c) {
    for (const auto& [teclas, nombre] : Atajos())
      if (c->objectName() == QString::fromStdString(nombre))
        return QKeySequence(QString::fromStdString(teclas)).toString(QKeySequence::NativeText);
    return QString();
  };
  auto nombra = [&](QWidget* c, const QString& nombre) {
    if (c == nullptr) return;
    c->setAccessibleName(nombre);
    const QString teclas = atajo_de(c);
    c->setToolTip(teclas.isEmpty() ? nombre : nombre + " (" + teclas + ")");
  };
  nombra(SSCommand2(0), texto(185) + " -");
  nombra(SSCommand2(1), texto(185) + " +");
  nombra(TimebaseDisplay(1), texto(185));
  for (int k = 1; k <= 2; ++k) {
    auto& steps = k == 1 ? SSCommand4 : SSCommand5;
    const QString ganancia = texto(170 + k);  // "Gan. C1", "Gan. C2"
    const QString acoplamiento = texto(168 + k);
    nombra(steps(0), ganancia + " -");
    nombra(steps(1), ganancia + " +");
    nombra(AmplitudeDisplay(k), ganancia);
    nombra(SSCommand6(k - 1), texto(74) + " " + ganancia);
    nombra(CouplingDC(k), acoplamiento + " DC");
    nombra(CouplingAC(k), acoplamiento + " AC");
    nombra(CouplingGND(k), acoplamiento + " GND");
    nombra(ChanSelected(k), texto(46 + k) + " " + texto(131));
    nombra(SSCheck1(k - 1), texto(152 + k));
    nombra(Niveles(k), texto(158) + " " + texto(46 + k));
  }
  nombra(SSCommand3(0), texto(7) + " +");
  nombra(SSCommand3(1), texto(7) + " -");
  nombra(ModeDisplay(1), texto(7));
  nombra(TrigChanSpin(0), texto(11) + " 1");
  nombra(TrigChanSpin(1), texto(11) + " 2");
  nombra(TrigChanDisplay(1), texto(11));
  nombra(Slope, texto(43));
  nombra(Dis_ext, texto(10));
  nombra(SSCommand1, texto(38));
  nombra(ModoAutomatico, texto(74) + ": " + texto(2) + ", " + texto(5));
  for (const auto& [i, r] : promediado.Items()) nombra(r, texto(12) + " " + QString::number(1 << i));
  nombra(Option1(0), texto(162));
  nombra(Option1(1), texto(161));
  nombra(VScroll3, texto(6));
  nombra(Niveles(3), texto(6));
  nombra(PictureDeNiveles, texto(158));
  nombra(HScroll1, texto(127));
  nombra(VScroll1, QStringLiteral("TagX"));
  nombra(VScroll2, texto(6) + " (Text1)");
  nombra(Command1, texto(87) + "/" + texto(88));
  nombra(Command2, texto(182));
  nombra(XYCommand, texto(8));
  nombra(Picture1, texto(34));
}

}  // namespace orva::mainwindow
