// The window's controls and their places: a front panel under the display.
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "orva/mainwindow/oscil.h"
#include "panel_style.h"

namespace orva::mainwindow {
namespace {

QString Indexed(const char* name, int index) {
  return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

template <class W>
W* Named(W* w, const QString& name, int tag = 0) {
  w->setObjectName(name);
  if (tag > 0) w->setProperty("Tag", tag);
  return w;
}

QLabel* Display(QWidget* parent, const QString& name, const QString& text = {}) {
  auto* l = Named(new QLabel(text, parent), name);
  l->setMinimumWidth(86);
  l->setAlignment(Qt::AlignCenter);
  l->setStyleSheet(
      "QLabel { background: #0b1a0f; color: #7dff9a; border: 1px solid #3a4a3e;"
      " font-family: monospace; font-weight: bold; padding: 2px 4px; }");
  l->ensurePolished();  // the style sheet's font, for sizes measured from it
  return l;
}

QLabel* Caption(QWidget* parent, const QString& text, int tag = 0) {
  auto* l = new QLabel(text, parent);
  if (tag > 0) l->setProperty("Tag", tag);
  l->setStyleSheet("QLabel { color: #c9d1d9; }");
  return l;
}

QPushButton* Key(QWidget* parent, const QString& name, const QString& text, int tag = 0) {
  auto* b = Named(new QPushButton(text, parent), name, tag);
  b->setFocusPolicy(Qt::StrongFocus);  // Tab reaches it, Space presses it
  b->ensurePolished();
  b->setMinimumWidth(std::max(34, b->fontMetrics().horizontalAdvance(text) + 16));
  return b;
}

QGroupBox* Group(QWidget* parent, const QString& title, int tag = 0) {
  auto* g = new QGroupBox(title, parent);
  if (tag > 0) g->setProperty("Tag", tag);
  return g;
}

// The trigger-level bar: 255 at the top, 0 at the bottom, and every way of
// moving it goes the way it looks. Qt's vertical bar keeps its minimum at the
// top: inverted, the thumb shows the top as 255 and the keys and the wheel
// (controls not inverted) raise the value with Up, Page Up and the wheel
// turned away, but the arrows and the groove still act by value, not by
// place: the top arrow and a click above the thumb would lower it. Steps
// made by the mouse are turned round before the value changes.
class BarraDeNivel final : public QScrollBar {
 public:
  explicit BarraDeNivel(QWidget* parent) : QScrollBar(Qt::Vertical, parent) {
    setInvertedAppearance(true);
    setInvertedControls(false);
    connect(this, &QAbstractSlider::actionTriggered, this, [this](int accion) {
      if (!raton_) return;
      int paso = 0;
      switch (accion) {
        case SliderSingleStepAdd: paso = -singleStep(); break;
        case SliderSingleStepSub: paso = singleStep(); break;
        case SliderPageStepAdd: paso = -pageStep(); break;
        case SliderPageStepSub: paso = pageStep(); break;
        default: return;  // a drag or a jump goes where the mouse is already
      }
      // The value has not changed yet: the position takes the opposite step.
      setSliderPosition(std::clamp(value() + paso, minimum(), maximum()));
    });
  }

 protected:
  void mousePressEvent(QMouseEvent* e) override {
    raton_ = true;
    QScrollBar::mousePressEvent(e);
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    QScrollBar::mouseReleaseEvent(e);
    raton_ = false;
  }

 private:
  bool raton_ = false;  // steps while a button is held come from the arrows or the groove
};

PictureBox* Led(QWidget* parent, const char* name) {
  auto* led = Named(new PictureBox(parent), QString::fromLatin1(name));
  led->setFixedSize(14, 14);
  led->SetBackColor(0x808080);
  return led;
}

}  // namespace

void Oscil::BuildLayout() {
  setObjectName("Oscil");
  setStyleSheet(
      "QWidget#Oscil { background: #2b3036; }"
      "QGroupBox { color: #e6edf3; border: 1px solid #56606b; border-radius: 4px;"
      " margin-top: 8px; padding-top: 6px; font-weight: bold; }"
      "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 3px; }"
      "QCheckBox, QRadioButton { color: #dde3ea; }"
      "QPushButton { background: #434b55; color: #f0f3f6; border: 1px solid #6b7682;"
      " border-radius: 3px; padding: 2px 6px; }"
      "QPushButton:pressed, QPushButton:checked { background: #6b7682; }"
      // Keyboard focus is plain to see on every kind of control.
      "QPushButton:focus { border: 2px solid #ffc83d; }"
      "QCheckBox:focus, QRadioButton:focus { background: #5a4a1a; border-radius: 3px; }"
      "QScrollBar:focus { border: 2px solid #ffc83d; }"
      "QFrame#SSPanel1, QFrame#SSPanel2 { background: #1c2024; border: 2px solid #11151a;"
      " border-radius: 6px; }");
  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(6, 4, 6, 6);
  root->setSpacing(4);

  // ---- Tool bar ---------------------------------------------------------------
  // Buttons with pictures (the desktop's icon theme, else our own); the
  // captions are their tool tips, in the current language (language pass).
  Toolbar1 = Named(new QToolBar(this), "Toolbar1");
  Toolbar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
  Toolbar1->setIconSize(QSize(20, 20));
  Toolbar1->setStyleSheet(
      "QToolBar { background: #20252a; border: 1px solid #11151a; spacing: 1px; }"
      "QToolButton { color: #e6edf3; padding: 2px; }"
      // A pressed button (freeze, math, inversion, view) looks pressed, not hovered.
      "QToolButton:checked { background: #5d6f85; border: 1px solid #ffc83d; border-radius: 3px; }"
      // The style's own hover is white, which hides the light pictures.
      "QToolButton:hover { background: #3d4650; border-radius: 3px; }"
      "QToolButton:checked:hover { background: #6b7f96; }");
  struct Boton {
    const char* key;
    const char* text;
    bool check;
    int tag;  // caption text number, also the tool tip's
  };
  const Boton botones[] = {
      {"abrir", "Open", false, 14},       {"guardar", "Save", false, 15},
      {"imprimir", "Print", false, 16},   {"copiar_num", "Numbers", false, 17},
      {"copiar", "Copy", false, 18},      {"pegar", "Paste", false, 0},
      {"foto", "Freeze", true, 19},       {"borrar", "Erase", false, 33},
      {"suma", "C1+C2", true, 21},        {"c1-c2", "C1-C2", true, 22},
      {"c2-c1", "C2-C1", true, 23},       {"inva", "-C1", true, 24},
      {"invb", "-C2", true, 25},          {"vpp", "Vpp", false, 0},
      {"completa", "Full", false, 142},   {"AbrirConfig", "Load cfg", false, 141},
      {"GuardarConfig", "Save cfg", false, 140}, {"view", "View", true, 165},
      {"ayuda", "Help", false, 166},
  };
  for (const Boton& b : botones) {
    const std::string_view key(b.key);
    if (key == "foto" || key == "suma" || key == "inva" || key == "vpp" || key == "AbrirConfig" ||
        key == "view")
      Toolbar1->addSeparator();
    QAction* a = Toolbar1->addAction(IconoDeBoton(key), QString::fromLatin1(b.text));
    a->setObjectName(QString::fromLatin1(b.key));
    a->setProperty("Key", QString::fromLatin1(b.key));
    if (b.tag > 0) a->setProperty("Tag", b.tag);
    a->setCheckable(b.check);
    // Commands this instrument has no action for are shown, greyed.
    if (key == "pegar" || key == "vpp" || key == "completa") a->setEnabled(false);
    botones_[b.key] = a;
  }
  auto menu = [this](const char* key, const char* k1, const char* k2) {
    auto* m = new QMenu(this);
    QAction* e1 = m->addAction("Canal 1");
    e1->setObjectName(QString::fromLatin1(k1));
    e1->setProperty("Key", QString::fromLatin1(k1));
    QAction* e2 = m->addAction("Canal 2");
    e2->setObjectName(QString::fromLatin1(k2));
    e2->setProperty("Key", QString::fromLatin1(k2));
    botones_[key]->setMenu(m);
    if (auto* tb = qobject_cast<QToolButton*>(Toolbar1->widgetForAction(botones_[key])))
      tb->setPopupMode(QToolButton::MenuButtonPopup);
  };
  menu("guardar", "diskCanal1", "diskCanal2");
  // Beside the signal store: the shown traces as CSV or WAV (its text is set
  // with the window's own texts).
  botones_["guardar"]->menu()->addSeparator();
  QAction* exportar = botones_["guardar"]->menu()->addAction("Export...");
  exportar->setObjectName("exportar");
  exportar->setProperty("Key", QStringLiteral("exportar"));
  menu("copiar_num", "numCanal1", "numCanal2");
  // Beside the bar: the calibration menu and the status line.
  Calibracion = Named(new QToolButton(this), "Calibracion", 163);
  Calibracion->setIcon(IconoDeBoton("calibracion"));
  Calibracion->setIconSize(QSize(20, 20));
  Calibracion->setPopupMode(QToolButton::InstantPopup);
  Calibracion->setToolButtonStyle(Qt::ToolButtonIconOnly);
  Calibracion->setStyleSheet(
      "QToolButton { background: #20252a; border: 1px solid #11151a; padding: 2px; }"
      "QToolButton::menu-indicator { image: none; }");
  auto* calibracion = new QMenu(Calibracion);
  calibracion->setObjectName("MenuDeCalibracion");
  calibracion->addAction(QString())->setObjectName("GuardaCal2");
  calibracion->addAction(QString())->setObjectName("CargaCal");
  Calibracion->setMenu(calibracion);
  // The source choice: its entries come from the source list when it opens.
  MenuDeFuente = Named(new QToolButton(this), "MenuDeFuente");
  MenuDeFuente->setText("Source");
  MenuDeFuente->setPopupMode(QToolButton::InstantPopup);
  MenuDeFuente->setToolButtonStyle(Qt::ToolButtonTextOnly);
  MenuDeFuente->setStyleSheet(
      "QToolButton { background: #20252a; color: #e6edf3; border: 1px solid #11151a;"
      " padding: 3px 14px 3px 6px; }");
  auto* fuentes = new QMenu(MenuDeFuente);
  fuentes->setObjectName("MenuDeFuentes");
  MenuDeFuente->setMenu(fuentes);
  connect(fuentes, &QMenu::aboutToShow, this, [this] { LlenaMenuDeFuente(); });
  Aviso = Named(new QLabel(this), "Aviso");
  Aviso->setStyleSheet("QLabel { color: #ffd27d; padding: 0 6px; }");
  Aviso->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);  // long texts never widen the window
  Aviso->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  auto* fila = new QHBoxLayout;
  fila->setSpacing(4);
  fila->addWidget(Toolbar1);
  fila->addWidget(Calibracion);
  fila->addWidget(MenuDeFuente);
  fila->addWidget(Aviso, 1);
  root->addLayout(fila);

  // ---- Display panel ---------------------------------------------------------------
  SSPanel1 = Named(new QFrame(this), "SSPanel1");
  auto* display = new QGridLayout(SSPanel1);
  display->setContentsMargins(6, 6, 6, 6);
  display->setSpacing(3);
  PictureDeNiveles = Named(new PictureBox(SSPanel1), "PictureDeNiveles");
  // Three columns, one per marker, so that markers at the same height all show.
  PictureDeNiveles->setFixedWidth(40);
  PictureDeNiveles->SetBackColor(0x302820);
  PictureDeNiveles->setFocusPolicy(Qt::StrongFocus);  // arrow keys move a marker
  const char* marcas[] = {"", "1", "2", "T"};
  const char* estilos[] = {"", "#00ffff", "#ffff00", "#ff4040"};
  for (int i = 1; i <= 3; ++i) {
    auto* m = Named(new QLabel(QString::fromLatin1(marcas[i]), PictureDeNiveles), Indexed("Niveles", i));
    m->setAlignment(Qt::AlignCenter);
    m->setFixedSize(12, 14);
    m->setAttribute(Qt::WA_TransparentForMouseEvents);  // the strip takes the drag
    m->setStyleSheet(QStringLiteral("QLabel { background: %1; color: black; font-weight: bold;"
                                    " font-size: 9px; border-radius: 3px; }")
                         .arg(QLatin1String(estilos[i])));
    Niveles.Set(i, m);
  }
  Picture1 = Named(new PictureBox(SSPanel1), "Picture1");
  // The time view is what gives way when the window is small: the rest of the
  // panel keeps its size, so the window fits a 1280 x 720 screen.
  Picture1->setMinimumSize(480, 200);
  Picture1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  Picture1->SetBackColor(0x000000);
  Picture1->setProperty("Tag", 34);
  // Cursor line objects: vertical 0, 1; horizontal 2, 3.
  Picture1->AddLineObject({256, 256, 256, 0, 0xC0FFC0, gdi::PS_SOLID, 1, false});
  Picture1->AddLineObject({512, 256, 512, 0, 0xFFC0C0, gdi::PS_SOLID, 1, false});
  Picture1->AddLineObject({0, 192, 756, 192, 0xC0FFC0, gdi::PS_SOLID, 1, false});
  Picture1->AddLineObject({0, 64, 756, 64, 0xFFC0C0, gdi::PS_SOLID, 1, false});
  VScroll3 = Named(new BarraDeNivel(SSPanel1), "VScroll3");
  VScroll3->setRange(0, 255);  // 255 at the top
  VScroll3->setValue(128);
  VScroll3->setFocusPolicy(Qt::StrongFocus);
  HScroll1 = Named(new QScrollBar(Qt::Horizontal, SSPanel1), "HScroll1");
  HScroll1->setRange(0, 512);
  HScroll1->setValue(256);
  HScroll1->setFocusPolicy(Qt::StrongFocus);
  display->addWidget(PictureDeNiveles, 0, 0);
  display->addWidget(Picture1, 0, 1);
  display->addWidget(VScroll3, 0, 2);
  display->addWidget(HScroll1, 1, 1);

  // Texts over the display.
  auto overlay = [this](const char* name, const char* style) {
    auto* l = Named(new QLabel(Picture1), QString::fromLatin1(name));
    l->setStyleSheet(QString::fromLatin1(style));
    l->hide();
    return l;
  };
  const char* ovl = "QLabel { color: #ffe0c0; background: transparent; font-family: monospace; }";
  DT = overlay("DT", ovl);
  DG = overlay("DG", ovl);
  DT->move(6, 4);
  DG->move(6, 20);
  Disparo = overlay("Disparo", "QLabel { color: #ff6060; background: transparent;"
                               " font-family: monospace; }");
  Disparo->setProperty("Tag", 6);
  Disparo->move(440, 4);
  Disparo->setMinimumWidth(190);
  // While frozen: the tag in a corner of the time view. A label over the
  // picture, not drawn into it, so copies and prints never show it.
  Foto = overlay("Foto", "QLabel { color: #ffffff; background: #c00000; padding: 1px 6px;"
                         " font-weight: bold; border-radius: 3px; }");
  Label12 = overlay("Label12", "QLabel { color: #ffff80; background: #303030; padding: 4px;"
                               " font-weight: bold; }");
  Label12->setText("AUTO");
  Label12->setProperty("Tag", 74);
  root->addWidget(SSPanel1, 1);

  // ---- Lower part: spectrum panel and front panel --------------------------------------
  SSPanel3 = Named(new QFrame(this), "SSPanel3");
  auto* lower = new QHBoxLayout(SSPanel3);
  lower->setContentsMargins(0, 0, 0, 0);
  lower->setSpacing(6);

  SSPanel2 = Named(new QFrame(SSPanel3), "SSPanel2");
  auto* spec = new QGridLayout(SSPanel2);
  spec->setContentsMargins(6, 4, 6, 4);
  spec->setSpacing(2);
  Label6 = Named(Caption(SSPanel2, "Spectrum"), "Label6");
  Label6->setStyleSheet("QLabel { color: #e6edf3; font-weight: bold; }");
  spec->addWidget(Label6, 0, 0, 1, 9);
  Picture2 = Named(new PictureBox(SSPanel2), "Picture2");
  Picture2->setFixedSize(272, 136);
  Picture2->SetBackColor(0x000000);
  Picture2->Scale(0, 256, 256, 0);  // design scale: x 0..256, y 256 (top) .. 0
  Picture2->AddLineObject({64, 256, 64, 0, 0xC0FFC0, gdi::PS_SOLID, 1, true});
  Picture2->AddLineObject({192, 256, 192, 0, 0xFFC0C0, gdi::PS_SOLID, 1, true});
  spec->addWidget(Picture2, 1, 0, 1, 9);
  for (int i = 0; i <= 8; ++i) {
    auto* l = Named(Caption(SSPanel2, QString::number(i - 4) + "/8"), Indexed("Label8", i));
    l->setStyleSheet("QLabel { color: #9aa5b1; font-size: 8px; }");
    l->setAlignment(Qt::AlignCenter);
    // Hidden in the XY view without moving the panel's other controls.
    QSizePolicy keep = l->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    l->setSizePolicy(keep);
    spec->addWidget(l, 2, i);
    Label8.Set(i, l);
  }
  auto* vistas = new QHBoxLayout;
  XYCommand = Named(new QCheckBox("XY", SSPanel2), "XYCommand", 8);
  for (int i = 0; i <= 1; ++i) {
    // Short captions for room; the language's words are the tool tips.
    auto* c = Named(new QCheckBox(i == 0 ? "FFT C1" : "FFT C2", SSPanel2), Indexed("SSCheck1", i));
    SSCheck1.Set(i, c);
    vistas->addWidget(c);
  }
  vistas->addWidget(XYCommand);
  spec->addLayout(vistas, 3, 0, 1, 9);
  lower->addWidget(SSPanel2);

  // Front panel: vertical channels, horizontal, trigger, power.
  auto* front = new QGridLayout;
  front->setSpacing(4);
  for (int k = 1; k <= 2; ++k) {
    QGroupBox* g = Group(SSPanel3, k == 1 ? "CH 1" : "CH 2", 46 + k);
    auto* gl = new QGridLayout(g);
    gl->setSpacing(3);
    auto* sel = Named(new QCheckBox("On", g), Indexed("ChanSelected", k), 131);
    sel->setChecked(true);
    ChanSelected.Set(k, sel);
    gl->addWidget(sel, 0, 0, 1, 3);
    auto& steps = k == 1 ? SSCommand4 : SSCommand5;
    const char* stepName = k == 1 ? "SSCommand4" : "SSCommand5";
    steps.Set(0, Key(g, Indexed(stepName, 0), "-"));
    steps.Set(1, Key(g, Indexed(stepName, 1), "+"));
    AmplitudeDisplay.Set(k, Display(g, Indexed("AmplitudeDisplay", k)));
    gl->addWidget(steps(0), 1, 0);
    gl->addWidget(AmplitudeDisplay(k), 1, 1);
    gl->addWidget(steps(1), 1, 2);
    CouplingDC.Set(k, Key(g, Indexed("CouplingDC", k), "DC"));
    CouplingAC.Set(k, Key(g, Indexed("CouplingAC", k), "AC"));
    CouplingGND.Set(k, Key(g, Indexed("CouplingGND", k), "GND"));
    // One of the three is pressed at a time.
    grupo_acoplamiento_[k - 1] = new QButtonGroup(g);
    for (auto* b : {CouplingDC(k), CouplingAC(k), CouplingGND(k)}) {
      b->setCheckable(true);
      grupo_acoplamiento_[k - 1]->addButton(b);
    }
    CouplingDC(k)->setChecked(true);
    gl->addWidget(CouplingDC(k), 2, 0);
    gl->addWidget(CouplingAC(k), 2, 1);
    gl->addWidget(CouplingGND(k), 2, 2);
    SSCommand6.Set(k - 1, Key(g, Indexed("SSCommand6", k - 1), "Auto gain", 74));
    gl->addWidget(SSCommand6(k - 1), 3, 0, 1, 3);
    gl->setRowStretch(4, 1);
    front->addWidget(g, 0, k - 1);
  }

  QGroupBox* hor = Group(SSPanel3, "Time base", 5);
  auto* hl = new QGridLayout(hor);
  hl->setSpacing(3);
  SSCommand2.Set(0, Key(hor, Indexed("SSCommand2", 0), "-"));
  SSCommand2.Set(1, Key(hor, Indexed("SSCommand2", 1), "+"));
  TimebaseDisplay.Set(1, Display(hor, Indexed("TimebaseDisplay", 1)));
  hl->addWidget(SSCommand2(0), 0, 0);
  hl->addWidget(TimebaseDisplay(1), 0, 1, 1, 3);
  hl->addWidget(SSCommand2(1), 0, 4);
  hl->addWidget(Caption(hor, "Average", 12), 1, 0, 1, 5);
  // The factors the instrument averages with: 1, 2, 4, 8. The averaging and
  // the interpolation choices are two groups of their own (radio buttons of
  // one parent would otherwise exclude each other).
  grupo_promediado_ = new QButtonGroup(hor);
  for (int i = 0; i <= 3; ++i) {
    auto* r = Named(new QRadioButton(QString::number(1 << i), hor), Indexed("promediado", i));
    promediado.Set(i, r);
    grupo_promediado_->addButton(r, i);
    hl->addWidget(r, 2, i);
  }
  promediado(0)->setChecked(true);
  // Option1(i) selects MetodoInterpolacion i: 0 spectral, 1 linear.
  auto* interp = new QHBoxLayout;
  grupo_interpolacion_ = new QButtonGroup(hor);
  for (int i = 0; i <= 1; ++i) {
    // Short captions for room; the language's words are the tool tips.
    auto* r = Named(new QRadioButton(i == 0 ? "Sinc" : "Lin", hor), Indexed("Option1", i));
    Option1.Set(i, r);
    grupo_interpolacion_->addButton(r, i);
    interp->addWidget(r);
  }
  Option1(0)->setChecked(true);
  hl->addLayout(interp, 3, 0, 1, 5);
  hl->setRowStretch(4, 1);
  front->addWidget(hor, 0, 2);

  QGroupBox* trig = Group(SSPanel3, "Trigger", 13);
  auto* tl = new QGridLayout(trig);
  tl->setSpacing(3);
  SSCommand3.Set(1, Key(trig, Indexed("SSCommand3", 1), "<"));
  SSCommand3.Set(0, Key(trig, Indexed("SSCommand3", 0), ">"));
  ModeDisplay.Set(1, Display(trig, Indexed("ModeDisplay", 1)));
  tl->addWidget(SSCommand3(1), 0, 0);
  tl->addWidget(ModeDisplay(1), 0, 1, 1, 2);
  tl->addWidget(SSCommand3(0), 0, 3);
  TrigChanSpin.Set(0, Key(trig, Indexed("TrigChanSpin", 0), "v"));
  TrigChanSpin.Set(1, Key(trig, Indexed("TrigChanSpin", 1), "^"));
  TrigChanDisplay.Set(1, Display(trig, Indexed("TrigChanDisplay", 1), "1"));
  TrigChanDisplay(1)->setMinimumWidth(30);
  tl->addWidget(Caption(trig, "Source", 3), 1, 0);  // "Channel": the shortest word for it
  tl->addWidget(TrigChanSpin(0), 1, 1);
  tl->addWidget(TrigChanDisplay(1), 1, 2);
  tl->addWidget(TrigChanSpin(1), 1, 3);
  Slope = Key(trig, "Slope", "Slope", 43);
  Slope->setCheckable(true);
  Dis_ext = Named(new QCheckBox("Ext", trig), "Dis_ext");  // words in the tool tip, for room
  tl->addWidget(Slope, 2, 0, 1, 2);
  tl->addWidget(Dis_ext, 2, 2, 1, 2);
  SSCommand1 = Key(trig, "SSCommand1", "Single", 38);
  ModoAutomatico = Key(trig, "ModoAutomatico", "Auto set", 74);
  ModoAutomatico->setEnabled(false);
  tl->addWidget(SSCommand1, 3, 0, 1, 2);
  tl->addWidget(ModoAutomatico, 3, 2, 1, 2);
  auto* leds = new QHBoxLayout;
  const std::pair<PictureBox**, const char*> ledList[] = {
      {&trigfailLed, "trig"}, {&stLed, "st"}, {&htLed, "ht"}, {&armLed, "arm"}};
  for (const auto& [led, caption] : ledList) {
    const std::string name = std::string(caption) == "trig" ? "trigfailLed"
                                                            : std::string(caption) + "Led";
    *led = Led(trig, name.c_str());
    leds->addWidget(*led);
    leds->addWidget(Caption(trig, QString::fromLatin1(caption)));
  }
  tl->addLayout(leds, 4, 0, 1, 4);
  tl->setRowStretch(5, 1);
  front->addWidget(trig, 0, 3);

  QGroupBox* power = Group(SSPanel3, "Power");
  auto* pl = new QGridLayout(power);
  Command1 = Key(power, "Command1", "OFF");
  Command1->setMinimumSize(70, 44);
  Command1->setStyleSheet(kEstiloApagado);
  Command2 = Key(power, "Command2", "<->", 182);
  pl->addWidget(Command1, 0, 0, 1, 2);
  pl->addWidget(Command2, 1, 0, 1, 2);
  VScroll1 = Named(new QScrollBar(Qt::Horizontal, power), "VScroll1");
  VScroll1->setRange(-100, 100);
  VScroll1->setFocusPolicy(Qt::StrongFocus);
  Label1 = Named(Caption(power, " 0"), "Label1");
  VScroll2 = Named(new QScrollBar(Qt::Horizontal, power), "VScroll2");
  VScroll2->setRange(0, 255);
  VScroll2->setValue(128);
  VScroll2->setFocusPolicy(Qt::StrongFocus);
  Text1 = Named(new QLineEdit("128", power), "Text1");
  Text1->hide();
  pl->addWidget(VScroll1, 2, 0);
  pl->addWidget(Label1, 2, 1);
  pl->addWidget(VScroll2, 3, 0, 1, 2);
  // Passes per second: a long number ("1951.75225063273"), in a small font.
  pl->addWidget(Caption(power, "passes/s"), 4, 0, 1, 2);
  Label14 = Display(power, "Label14");
  Label14->setStyleSheet(Label14->styleSheet() + " QLabel { font-size: 10px; }");
  Label14->ensurePolished();
  Label14->setFixedSize(Label14->fontMetrics().horizontalAdvance("-1234.5678901234567") + 10,
                        Label14->sizeHint().height());
  pl->addWidget(Label14, 5, 0, 1, 2);
  pl->setRowStretch(6, 1);
  front->addWidget(power, 0, 4);
  lower->addLayout(front, 1);
  root->addWidget(SSPanel3);

  // ---- Readouts ----------------------------------------------------------------
  SSPanel6 = Named(new QFrame(this), "SSPanel6");
  auto* rl = new QGridLayout(SSPanel6);
  rl->setContentsMargins(2, 0, 2, 0);
  rl->setSpacing(3);
  // One header row over the two channel rows.
  const char* cabeceras[] = {"Vpp", "Vmean", "Freq", "Period"};
  for (int m = 0; m < 4; ++m) {
    auto* h = Caption(SSPanel6, QString::fromLatin1(cabeceras[m]));
    h->setAlignment(Qt::AlignCenter);
    rl->addWidget(h, 0, 1 + m);
  }
  for (int k = 0; k < 2; ++k) {
    auto* c = Caption(SSPanel6, k == 0 ? "CH 1" : "CH 2", 47 + k);
    c->setStyleSheet(k == 0 ? "QLabel { color: #00ffff; font-weight: bold; }"
                            : "QLabel { color: #ffff00; font-weight: bold; }");
    rl->addWidget(c, 1 + k, 0);
    for (int m = 0; m < 4; ++m) {
      QLabel* d = Display(SSPanel6, Indexed("datos", 4 * k + m));
      // Fixed size, room for the longest reading ("-1000.00 KHz"): a new
      // reading never re-lays out the window.
      d->setFixedSize(d->fontMetrics().horizontalAdvance("-1000.00 KHz") + 14,
                      d->sizeHint().height());
      datos.Set(4 * k + m, d);
      rl->addWidget(d, 1 + k, 1 + m);
    }
  }

  // Cursor readouts: the time cursors' row (t1, t2, their difference), the
  // voltage cursors' row (V1, V2, difference), the pointer readouts of each
  // channel (time, volts) and the two spectrum markers' frequencies.
  QGroupBox* cur = Group(SSPanel6, "Cursors", 26);
  auto* cl = new QGridLayout(cur);
  cl->setContentsMargins(4, 2, 4, 2);
  cl->setHorizontalSpacing(3);
  cl->setVerticalSpacing(1);
  // Symbols, not the language's words, so the row fits a 1280-pixel screen:
  // their texts are tool tips (TextosPropios).
  SSCheck2.Set(0, Named(new QCheckBox("|  |", cur), "SSCheck2(0)"));
  SSCheck2.Set(1, Named(new QCheckBox("=", cur), "SSCheck2(1)"));
  ContCursor.Set(1, Named(new QCheckBox("P1", cur), "ContCursor(1)"));
  ContCursor.Set(2, Named(new QCheckBox("P2", cur), "ContCursor(2)"));
  SSOption1.Set(0, Named(new QRadioButton("C1", cur), "SSOption1(0)"));
  SSOption1.Set(1, Named(new QRadioButton("C2", cur), "SSOption1(1)"));
  SSOption1(0)->setChecked(true);
  for (int i = 0; i <= 7; ++i) {
    auto* x = Display(cur, Indexed("XCursorDisplay", i));
    auto* y = Display(cur, Indexed("YCursorDisplay", i));
    for (QLabel* l : {x, y}) {
      l->setStyleSheet(l->styleSheet() + " QLabel { font-size: 11px; padding: 1px 2px; }");
      l->ensurePolished();
      l->setFixedSize(l->fontMetrics().horizontalAdvance("-1000.00 mV") + 10, 18);
    }
    XCursorDisplay.Set(i, x);
    YCursorDisplay.Set(i, y);
  }
  // Column: header, display on the first row, display on the second row.
  struct Columna {
    const char* cabecera;
    QLabel* fila0;
    QLabel* fila1;
  };
  const Columna columnas[] = {
      {"1", YCursorDisplay(6), XCursorDisplay(7)},  {"2", XCursorDisplay(6), YCursorDisplay(7)},
      {"2 - 1", YCursorDisplay(0), YCursorDisplay(3)}, {"t", XCursorDisplay(1), XCursorDisplay(2)},
      {"V", YCursorDisplay(1), YCursorDisplay(2)},  {"f", YCursorDisplay(4), XCursorDisplay(0)},
  };
  cl->addWidget(SSCheck2(0), 1, 0);
  cl->addWidget(SSCheck2(1), 2, 0);
  cl->addWidget(SSOption1(0), 1, 1);
  cl->addWidget(SSOption1(1), 2, 1);
  int col = 2;
  for (const Columna& c : columnas) {
    if (col == 5) {  // the pointer readouts' boxes before their columns
      cl->addWidget(ContCursor(1), 1, col);
      cl->addWidget(ContCursor(2), 2, col);
      ++col;
    }
    auto* h = Caption(cur, QString::fromLatin1(c.cabecera));
    h->setAlignment(Qt::AlignCenter);
    h->setStyleSheet("QLabel { color: #9aa5b1; font-size: 10px; }");
    cl->addWidget(h, 0, col);
    cl->addWidget(c.fila0, 1, col);
    cl->addWidget(c.fila1, 2, col);
    ++col;
  }
  // Not shown: the array keeps the indexes these have no reading for.
  for (QLabel* l : {XCursorDisplay(3), XCursorDisplay(4), XCursorDisplay(5), YCursorDisplay(5)})
    l->hide();
  rl->addWidget(cur, 0, 6, 3, 1);
  rl->setColumnStretch(5, 1);
  root->addWidget(SSPanel6);
  root->addWidget(ConstruyeEnlace(this));

  // ---- Timers -------------------------------------------------------------------
  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setInterval(100);
  Timer2 = new QTimer(this);
  Timer2->setObjectName("Timer2");
  Timer2->setInterval(1000);

  OrdenDeTabulacion();
  resize(1280, 860);  // kept within the screen at start-up
}

// Tab walks the panel as it is read: power, the two channels, time base,
// trigger, the level bar and markers, the views, then the rest of the window.
// Radio buttons of a group are one stop (the arrow keys choose among them).
void Oscil::OrdenDeTabulacion() {
  std::vector<QWidget*> orden{Command1};
  for (int k = 1; k <= 2; ++k) {
    auto& steps = k == 1 ? SSCommand4 : SSCommand5;
    for (QWidget* c : {static_cast<QWidget*>(ChanSelected(k)), static_cast<QWidget*>(steps(0)),
                       static_cast<QWidget*>(steps(1)), static_cast<QWidget*>(CouplingDC(k)),
                       static_cast<QWidget*>(CouplingAC(k)), static_cast<QWidget*>(CouplingGND(k)),
                       static_cast<QWidget*>(SSCommand6(k - 1))})
      orden.push_back(c);
  }
  for (QWidget* c : std::initializer_list<QWidget*>{
           SSCommand2(0), SSCommand2(1), promediado(0), promediado(1), promediado(2),
           promediado(3), Option1(0), Option1(1), HScroll1, SSCommand3(1), SSCommand3(0),
           TrigChanSpin(0), TrigChanSpin(1), Slope, Dis_ext, SSCommand1, ModoAutomatico,
           VScroll3, PictureDeNiveles, SSCheck1(0), SSCheck1(1), XYCommand, Command2, VScroll1,
           VScroll2, Command3, PermitidaRemota, Command4, DireccionRemota, PuertoRemoto, Command5})
    orden.push_back(c);
  for (std::size_t i = 1; i < orden.size(); ++i) setTabOrder(orden[i - 1], orden[i]);
}

}  // namespace orva::mainwindow
