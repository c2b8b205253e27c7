// The tool bar's commands, the calibration menu, the help and the status line.
//
// Button pictures: the desktop's icon theme where a freedesktop name fits the
// command, our own SVG pictures (icons/, compiled in) otherwise and whenever
// the theme lacks the name, so that the bar looks the same on a bare machine.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <initializer_list>
#include <string>
#include <utility>

#include "mensajes/mens.h"
#include "orva/localisation/idioma.h"
#include "orva/mainwindow/ayuda.h"
#include "orva/mainwindow/bdatos.h"
#include "orva/mainwindow/oscil.h"
#include "orva/mainwindow/textos_ventana.h"
#include "orva/scope/osciloscopio.h"
#include "orva/storage/bd_config.h"
#include "orva/storage/bd_signal.h"

namespace orva::mainwindow {
namespace {

struct IconoDeTema {
  std::string_view key;
  const char* tema;  // freedesktop icon name, or null: our own picture only
};
// Instrument commands (math, inversion, layout, configurations) have no
// freedesktop name; ours show for them on every desktop.
constexpr IconoDeTema kIconosDeTema[] = {
    {"abrir", "document-open"},   {"guardar", "document-save"}, {"imprimir", "document-print"},
    {"copiar", "edit-copy"},      {"pegar", "edit-paste"},      {"foto", "camera-photo"},
    {"borrar", "edit-clear"},     {"completa", "view-fullscreen"}, {"ayuda", "help-contents"},
};

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QString Texto(int id, int idioma) { return Q(localisation::Text(id, idioma)); }

// The cal.dat / cal2.dat name the instrument forms from a folder (a trailing
// separator of the folder is taken as its own).
std::string FicheroEn(const std::string& carpeta, const char* nombre) {
  if (!carpeta.empty() && (carpeta.back() == '/' || carpeta.back() == '\\')) return carpeta + nombre;
  return carpeta + "/" + nombre;
}

}  // namespace

QIcon Oscil::IconoDeBoton(std::string_view key) {
  const QIcon propio(QStringLiteral(":/orva/icons/") + Q(key) + QStringLiteral(".svg"));
  for (const IconoDeTema& t : kIconosDeTema)
    if (t.key == key) return QIcon::fromTheme(QString::fromLatin1(t.tema), propio);
  return propio;
}

void Oscil::ConectaBarra() {
  for (const auto& [key, boton] : botones_) {
    connect(boton, &QAction::triggered, this, [this, b = boton] { Toolbar1_ButtonClick(b); });
    if (QMenu* menu = boton->menu())
      for (QAction* entrada : menu->actions())
        connect(entrada, &QAction::triggered, this,
                [this, entrada] { Toolbar1_ButtonMenuClick(entrada); });
  }
  // The calibration menu raises its request with a 16-bit code.
  const QList<QAction*> cal = Calibracion->menu()->actions();
  connect(cal.at(0), &QAction::triggered, this, [this] { PeticionDeCalibracion(0); });
  connect(cal.at(1), &QAction::triggered, this, [this] { PeticionDeCalibracion(1); });
}

void Oscil::Toolbar1_ButtonClick(QAction* boton) {
  if (boton == nullptr) return;
  const QString key = boton->property("Key").toString();
  scope::Osciloscopio& o = *osciloscopio_;
  // 1. Both inversions from their buttons, on every click.
  o.Canal1Invertido(ToolbarPressed("inva"));
  o.Canal2Invertido(ToolbarPressed("invb"));
  // 2. One math trace at a time.
  auto suelta = [this](std::initializer_list<const char*> keys) {
    for (const char* k : keys)
      if (QAction* a = ToolbarButton(k)) a->setChecked(false);
  };
  if (boton->isChecked()) {
    if (key == QLatin1String("suma")) suelta({"c1-c2", "c2-c1"});
    if (key == QLatin1String("c1-c2")) suelta({"suma", "c2-c1"});
    if (key == QLatin1String("c2-c1")) suelta({"c1-c2", "suma"});
  }
  // 3. Layout.
  if (key == QLatin1String("view") && !isMinimized()) Form_Resize();
  // 4. Freeze and resume, only while on.
  if (key == QLatin1String("foto") && Command1->text() == QLatin1String("ON")) {
    if (!boton->isChecked()) {
      BucleActivo = true;
      Timer1->start();
      MuestraCongelada();
      RutinaPrincipal();  // returns when the loop stops again
    } else {
      BucleActivo = false;  // Timer1 redraws the frozen screen
      MuestraCongelada();
    }
  }
  // 5-6. Requests served by the next drawing.
  if (key == QLatin1String("copiar")) CopiarPantallaPedido = true;
  if (key == QLatin1String("imprimir")) ImprimirPedido = true;
  // 7. A stored signal as the reference trace, chosen in the browser.
  if (key == QLatin1String("abrir") && bd_signal_) {
    AbreBdatos(1, 0);
    RedibujaSiParado();
  }
  // 8. The reference trace goes.
  if (key == QLatin1String("borrar")) {
    o.CanalDActivo(false);
    DT->hide();
    DG->hide();
  }
  // 9-10. Configurations; a load shows its settings on the panel at once.
  if (key == QLatin1String("AbrirConfig") && bd_config_) {
    bd_config_->CargarConfiguracion();
    ActualizaPanel();
    TextosDelPanel();
  }
  if (key == QLatin1String("GuardarConfig") && bd_config_) bd_config_->GuardarConfiguracion();
  // 11. Help, through the key that opens it.
  if (key == QLatin1String("ayuda")) {
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QCoreApplication::sendEvent(this, &f1);
  }
  ActualizaAvisoDePedidos();
}

void Oscil::Toolbar1_ButtonMenuClick(QAction* entrada) {
  if (entrada == nullptr) return;
  const QString key = entrada->property("Key").toString();
  if (key == QLatin1String("numCanal1")) CopiarCanal1Pedido = true;
  if (key == QLatin1String("numCanal2")) CopiarCanal2Pedido = true;
  // A channel stored through the browser in save mode (name "Nueva" and
  // today's date unless the user types others).
  const int canal = key == QLatin1String("diskCanal1") ? 1 : key == QLatin1String("diskCanal2") ? 2 : 0;
  if (canal != 0 && bd_signal_) AbreBdatos(0, static_cast<std::int16_t>(canal));
  if (key == QLatin1String("exportar")) {
    const storage::Outcome r = ExportaTrazas();
    const int idioma = ProgramaGlobal().IdiomaActual;
    if (r.Done())
      Avisa(TextoPropio(kTextoExportado, idioma).arg(QString::fromStdString(ultima_exportacion_)));
    else if (r.status != storage::Outcome::Status::kCancelled)
      Avisa(TextoPropio(kTextoNoExportado, idioma).arg(QString::fromStdString(r.reason)));
  }
  ActualizaAvisoDePedidos();
}

void Oscil::AbreBdatos(std::int16_t modo, std::int16_t canal) {
  bdatos dialogo(*osciloscopio_, bd_signal_, this);
  dialogo.idioma_bd = ProgramaGlobal().IdiomaActual;
  dialogo.modo_bd = modo;
  if (modo == 0) dialogo.canal_bd = canal;
  if (MuestraBdatos) {
    MuestraBdatos(dialogo);
  } else {
    dialogo.exec();
  }
}

void Oscil::MuestraCongelada() {
  const bool congelada =
      ToolbarPressed("foto") && !BucleActivo && Command1->text() == QLatin1String("ON");
  if (Foto->isHidden() != congelada) return;
  if (congelada) {
    Foto->setText(TextoPropio(kTextoFoto, ProgramaGlobal().IdiomaActual));
    Foto->adjustSize();
    Foto->move(6, std::max(0, Picture1->height() - Foto->height() - 6));
    Foto->raise();
  }
  Foto->setVisible(congelada);
}

void Oscil::Avisa(const QString& texto) {
  Aviso->setText(texto);
  Aviso->setToolTip(texto);  // the whole text, when the line is too short for it
  aviso_de_pedidos_ = false;
}

void Oscil::ActualizaAvisoDePedidos() {
  const int idioma = ProgramaGlobal().IdiomaActual;
  // Requests wait only while off: no drawing runs then.
  QStringList pendientes;
  if (!Encendido) {
    if (ImprimirPedido) pendientes << Texto(16, idioma);
    if (CopiarPantallaPedido) pendientes << Texto(18, idioma);
    if (CopiarCanal1Pedido) pendientes << Texto(17, idioma) + " (" + Texto(47, idioma) + ")";
    if (CopiarCanal2Pedido) pendientes << Texto(17, idioma) + " (" + Texto(48, idioma) + ")";
  }
  if (!pendientes.isEmpty()) {
    Avisa(TextoPropio(kTextoEnEspera, idioma) + " " + pendientes.join(QStringLiteral(", ")));
    aviso_de_pedidos_ = true;
  } else if (aviso_de_pedidos_) {
    Avisa(QString());
  }
}

void Oscil::PeticionDeCalibracion(std::int16_t codigo) {
  scope::Osciloscopio& o = *osciloscopio_;
  const int idioma = ProgramaGlobal().IdiomaActual;
  std::string fichero;
  scope::ResultadoCalibracion r;
  if (codigo == 0) {
    if (o.PathCal2().empty()) o.PathCal2(o.path());
    fichero = FicheroEn(o.PathCal2(), "cal2.dat");
    r = o.GuardaCal2();
  } else if (codigo == 1) {
    if (o.PathCal().empty()) o.PathCal(o.path());
    fichero = FicheroEn(o.PathCal(), "cal.dat");
    r = o.CargaElFicheroDeCalibracion();
  } else {
    return;
  }
  int texto = kTextoNoSeAbre;
  switch (r) {
    case scope::ResultadoCalibracion::kCorrecto:
      texto = codigo == 0 ? kTextoCal2Guardado : kTextoCalCargada;
      break;
    case scope::ResultadoCalibracion::kFicheroAusente: texto = kTextoNoSeAbre; break;
    case scope::ResultadoCalibracion::kFicheroCorto: texto = kTextoCorto; break;
    case scope::ResultadoCalibracion::kErrorDeEscritura: texto = kTextoNoSeEscribe; break;
  }
  Avisa(TextoPropio(texto, idioma).arg(QString::fromStdString(fichero)));
}

void Oscil::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
    AbreAyuda();
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

void Oscil::AbreAyuda() {
  const Programa& p = ProgramaGlobal();
  const std::string& nombre = localisation::HelpFile();
  const auto fichero = BuscaAyuda(nombre, p.RutaAplicacion);
  const QString titulo = Texto(166, p.IdiomaActual);
  if (!fichero) {
    QStringList carpetas;
    for (const std::string& c : CarpetasDeAyuda(p.RutaAplicacion)) carpetas << QString::fromStdString(c);
    QString solo = QString::fromStdString(nombre);
    solo = solo.section(QLatin1Char('/'), -1);
    const QString texto = TextoPropio(kTextoSinAyuda, p.IdiomaActual)
                              .arg(solo.isEmpty() ? QStringLiteral("?") : solo,
                                   carpetas.join(QStringLiteral(", ")));
    Avisa(texto);
    auto* caja = new QMessageBox(QMessageBox::Warning, titulo, texto, QMessageBox::Ok, this);
    caja->setObjectName(QStringLiteral("SinAyuda"));
    caja->setAttribute(Qt::WA_DeleteOnClose);
    caja->open();  // window-modal, without blocking the loop
    return;
  }
  if (visor_ == nullptr) visor_ = new VisorDeAyuda(this);
  visor_->Muestra(*fichero, titulo + QStringLiteral(" - OrvaScope"));
  visor_->show();
  visor_->raise();
  visor_->activateWindow();
}

void Oscil::TextosPropios(int idioma) {
  for (const char* key : {"pegar", "vpp", "completa"}) {
    QAction* a = ToolbarButton(key);
    if (a == nullptr) continue;
    const QString propio = TextoPropio(kTextoNoDisponible, idioma);
    // "completa" keeps its designed tool tip, with the note after it.
    a->setToolTip(a->property("Tag").isValid() ? Texto(a->property("Tag").toInt(), idioma) + " (" +
                                                     propio + ")"
                                               : propio);
  }
  // The cursor group's symbols: their words as tool tips and accessible names.
  const std::pair<QWidget*, int> simbolos[] = {
      {SSCheck2(0), 27}, {SSCheck2(1), 28},  {ContCursor(1), 167},
      {ContCursor(2), 168}, {SSOption1(0), 47}, {SSOption1(1), 48},
  };
  for (const auto& [control, id] : simbolos) {
    if (control == nullptr) continue;
    control->setToolTip(Texto(id, idioma));
    control->setAccessibleName(Texto(id, idioma));
  }
  Calibracion->setToolTip(Texto(163, idioma));
  const QList<QAction*> cal = Calibracion->menu()->actions();
  cal.at(0)->setText(TextoPropio(kTextoMenuGuardaCal2, idioma));
  cal.at(1)->setText(TextoPropio(kTextoMenuCargaCal, idioma));
  if (QAction* exportar = findChild<QAction*>(QStringLiteral("exportar")))
    exportar->setText(TextoPropio(kTextoMenuExportar, idioma));
  TextosDelEnlace(idioma);
  TextosDeFuente(idioma);
  Foto->setText(TextoPropio(kTextoFoto, idioma));
  Foto->adjustSize();
  if (aviso_de_pedidos_) ActualizaAvisoDePedidos();
  PideRefresco();  // the trigger-level label is in the language
}

}  // namespace orva::mainwindow
