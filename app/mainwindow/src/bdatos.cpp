// The signal browser: place, folder and file lists, the preview of a stored
// signal, and the save and open commands on the signal store.
#include "orva/mainwindow/bdatos.h"

#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileIconProvider>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStorageInfo>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <iterator>
#include <cmath>
#include <exception>
#include <limits>
#include <utility>

#include "orva/gdi_canvas.h"
#include "orva/localisation/idioma.h"
#include "orva/printable.h"
#include "orva/localisation/qt_toolkit.h"
#include "orva/mainwindow/textos_ventana.h"
#include "orva/scope/osciloscopio.h"
#include "orva/storage/bd_signal.h"
#include "orva/storage/esquema.h"

namespace orva::mainwindow {
namespace {

constexpr gdi::COLORREF kCian = 0xFFFF00;  // red 0, green 255, blue 255 (0x00BBGGRR)
constexpr int kRutaDeLugar = Qt::UserRole;  // item data: the absolute path
constexpr std::size_t kLargoDeTexto = 1000;  // bytes of a file's text a box shows

// Codes per volt of the stored gain texts: 128 codes span four divisions.
struct FactorDeTexto {
  std::string_view texto;
  double factor;
};
constexpr FactorDeTexto kFactores[] = {
    {"50V/div", 128 / 200.0}, {"20V/div", 128 / 80.0},   {"10V/div", 128 / 40.0},
    {"5V/div", 128 / 20.0},   {"2V/div", 128 / 8.0},     {"1V/div", 128 / 4.0},
    {"0.5V/div", 128 / 2.0},  {"0.2V/div", 128 / 0.8},   {"0.1V/div", 128 / 0.4},
    {"50mV/div", 128 / 0.2},  {"20mV/div", 128 / 0.08},
};

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Lower case of the ASCII letters, for field names.
std::string Minusculas(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

QString Limpia(const QString& carpeta) { return QDir::cleanPath(QDir(carpeta).absolutePath()); }

QLineEdit* Caja(QWidget* padre, const char* nombre, bool solo_lectura) {
  auto* t = new QLineEdit(padre);
  t->setObjectName(QLatin1String(nombre));
  t->setReadOnly(solo_lectura);
  return t;
}

QPushButton* Boton(QWidget* padre, const char* nombre, int tag) {
  auto* b = new QPushButton(padre);
  b->setObjectName(QLatin1String(nombre));
  b->setProperty("Tag", tag);
  // Enter in the lists opens a folder; it must not accept the dialog too.
  b->setAutoDefault(false);
  return b;
}

}  // namespace

// ---- Data source ---------------------------------------------------------------------

void OrigenDeDatos::Refresh(std::int32_t max_filas) {
  filas_.clear();
  campos_.clear();
  // The load's own bounded read (into memory, cut off after dao::kLoadSeconds)
  // and its check of the tables before any row: a file the load would refuse
  // shows nothing, and no crafted file keeps the window busy.
  dao::Database db = dao::DBEngine().OpenDatabase(fichero_, dao::OpenMode::kReadOnly);
  if (const auto objecion = storage::BDSignal::ObjecionAlFichero(db))
    throw dao::Error(dao::ErrorKind::kNotPlainTable, *objecion);
  // The recordset reads one row when it opens: a limit of at least 1.
  dao::Recordset rs = db.OpenRecordset(tabla_, std::max<std::int32_t>(max_filas, 1));
  std::vector<std::string> campos;
  for (int i = 0; i < rs.FieldCount(); ++i) campos.push_back(Minusculas(rs.FieldName(i)));
  std::vector<std::vector<dao::Value>> filas;
  // Never past the limit: the row after the last one kept is not read.
  while (!rs.EndOfFile() && static_cast<std::int32_t>(filas.size()) < max_filas) {
    std::vector<dao::Value> fila;
    fila.reserve(campos.size());
    for (int i = 0; i < rs.FieldCount(); ++i) fila.push_back(rs.Field(i));
    filas.push_back(std::move(fila));
    if (static_cast<std::int32_t>(filas.size()) < max_filas) rs.MoveNext();
  }
  rs.Close();
  db.Close();
  campos_ = std::move(campos);
  filas_ = std::move(filas);
}

const dao::Value& OrigenDeDatos::Field(std::int32_t fila, int posicion) const {
  if (fila < 0 || fila >= RecordCount())
    throw dao::Error(dao::ErrorKind::kNoCurrentRecord, "no current record in " + tabla_);
  const std::vector<dao::Value>& valores = filas_[static_cast<std::size_t>(fila)];
  if (posicion < 0 || posicion >= static_cast<int>(valores.size()))
    throw dao::Error(dao::ErrorKind::kNoSuchField, "table " + tabla_ + " has no field " + std::to_string(posicion));
  return valores[static_cast<std::size_t>(posicion)];
}

const dao::Value& OrigenDeDatos::Field(std::int32_t fila, std::string_view nombre) const {
  const auto it = std::find(campos_.begin(), campos_.end(), Minusculas(nombre));
  if (it == campos_.end())
    throw dao::Error(dao::ErrorKind::kNoSuchField, "table " + tabla_ + " has no field " + std::string(nombre));
  return Field(fila, static_cast<int>(it - campos_.begin()));
}

// ---- Dialog ---------------------------------------------------------------------------

bdatos::bdatos(scope::Osciloscopio& osciloscopio, std::shared_ptr<storage::BDSignal> almacen,
               QWidget* parent)
    : QDialog(parent), o_(osciloscopio), almacen_(std::move(almacen)) {
  BuildLayout();
  // Every choice of the user, the shown place too: it leads back to the
  // place's own folder from one of its subfolders.
  connect(Drive1, &QComboBox::activated, this, [this] { Drive1_Change(); });
  connect(Dir1, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
    PonCarpeta(item->data(0, kRutaDeLugar).toString());
  });
  connect(File1, &QListWidget::itemSelectionChanged, this, [this] {
    if (!FicheroSeleccionado().isEmpty()) File1_Click();
  });
  connect(aceptar_boton, &QPushButton::clicked, this, [this] { aceptar_boton_Click(); });
  connect(cancelar_boton, &QPushButton::clicked, this, [this] { cancelar_boton_Click(); });
  connect(eliminar_boton, &QPushButton::clicked, this, [this] { eliminar_boton_Click(); });
  Picture1->SetResizeHandler([this] { DibujaTrazo(); });
  Form_Load();
}

bdatos::~bdatos() = default;

void bdatos::BuildLayout() {
  setObjectName(QStringLiteral("bdatos"));
  setProperty("Tag", 49);
  setModal(true);

  // Left: the texts, the picture and the buttons, as wide as the save mode.
  auto* izquierda = new QWidget(this);
  constexpr int kMargen = 9;
  izquierda->setFixedWidth(kAnchoGuardarTwips / gdi::Canvas::kTwipsPerPixel - 2 * kMargen);
  auto* rejilla = new QGridLayout;
  rejilla->setContentsMargins(0, 0, 0, 0);
  Text1 = Caja(izquierda, "Text1", false);
  Text4 = Caja(izquierda, "Text4", false);
  Text6 = Caja(izquierda, "Text6", false);
  Text7 = Caja(izquierda, "Text7", false);
  base_de_tiempos_text = Caja(izquierda, "base_de_tiempos_text", true);
  amplitud_text = Caja(izquierda, "amplitud_text", true);
  acoplamiento_text = Caja(izquierda, "acoplamiento_text", true);
  const std::pair<QLineEdit*, int> filas[] = {
      {Text1, 53}, {Text4, 51}, {Text6, 50}, {Text7, 54},
      {base_de_tiempos_text, 55}, {amplitud_text, 56}, {acoplamiento_text, 57},
  };
  int fila = 0;
  for (const auto& [caja, tag] : filas) {
    auto* etiqueta = new QLabel(izquierda);
    etiqueta->setObjectName(QStringLiteral("Label_") + caja->objectName());
    etiqueta->setProperty("Tag", tag);
    etiqueta->setBuddy(caja);
    rejilla->addWidget(etiqueta, fila, 0);
    rejilla->addWidget(caja, fila, 1);
    ++fila;
  }
  Picture1 = new gdi::PictureBox(izquierda);
  Picture1->setObjectName(QStringLiteral("Picture1"));
  Picture1->setMinimumHeight(120);
  Picture1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  Picture1->SetBackColor(0x000000);
  aceptar_boton = Boton(izquierda, "aceptar_boton", 58);
  eliminar_boton = Boton(izquierda, "eliminar_boton", 59);
  cancelar_boton = Boton(izquierda, "cancelar_boton", 60);
  auto* botones = new QHBoxLayout;
  botones->addWidget(aceptar_boton);
  botones->addWidget(eliminar_boton);
  botones->addStretch(1);
  botones->addWidget(cancelar_boton);
  auto* columna = new QVBoxLayout(izquierda);
  columna->setContentsMargins(0, 0, 0, 0);
  columna->addLayout(rejilla);
  columna->addWidget(Picture1, 1);
  columna->addLayout(botones);

  // Right: places, folders, files (open mode only).
  listas_ = new QWidget(this);
  Drive1 = new QComboBox(listas_);
  Drive1->setObjectName(QStringLiteral("Drive1"));
  Dir1 = new QTreeWidget(listas_);
  Dir1->setObjectName(QStringLiteral("Dir1"));
  Dir1->setHeaderHidden(true);
  Dir1->setRootIsDecorated(false);  // everything shown is expanded
  Dir1->setIndentation(12);
  File1 = new QListWidget(listas_);
  File1->setObjectName(QStringLiteral("File1"));
  File1->setSelectionMode(QAbstractItemView::SingleSelection);
  auto* derecha = new QVBoxLayout(listas_);
  derecha->setContentsMargins(0, 0, 0, 0);
  derecha->addWidget(Drive1);
  derecha->addWidget(Dir1, 3);
  derecha->addWidget(File1, 2);

  auto* todo = new QHBoxLayout(this);
  todo->setContentsMargins(kMargen, kMargen, kMargen, kMargen);
  todo->addWidget(izquierda);
  todo->addWidget(listas_, 1);
  resize(760, 460);
}

void bdatos::Centra() {
  // On the screen of the window the dialog belongs to.
  const QWidget* ventana = parentWidget() != nullptr ? parentWidget()->window() : nullptr;
  const QScreen* pantalla = ventana != nullptr ? ventana->screen() : QGuiApplication::primaryScreen();
  if (pantalla == nullptr) return;
  const QRect area = pantalla->availableGeometry();
  move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
}

void bdatos::setVisible(bool visible) {
  if (visible && !isVisible()) {
    // The mode is known now: save mode has no lists (its save dialog
    // chooses the file) and its own width; centred again at that size.
    listas_->setVisible(modo_bd != 0);
    layout()->activate();
    Form_Resize();
    Centra();
    activado_ = false;  // this showing activates once
  }
  QDialog::setVisible(visible);
}

void bdatos::Form_Load() {
  Centra();
  modo_bd = 1;
  const QString senales = almacen_ ? Q(almacen_->PathSignals()) : QString();
  const QString inicio = !senales.trimmed().isEmpty() && QDir(senales).exists() ? Limpia(senales)
                                                                                 : Limpia(QDir::currentPath());
  LlenaLugares();
  PonCarpeta(inicio);
}

void bdatos::LlenaLugares() {
  const QSignalBlocker sin_aviso(Drive1);
  Drive1->clear();
  QFileIconProvider iconos;
  QStringList vistos;
  auto anade = [&](const QString& ruta, const QIcon& icono) {
    if (ruta.trimmed().isEmpty() || !QDir(ruta).exists()) return;
    const QString limpia = Limpia(ruta);
    if (vistos.contains(limpia)) return;
    vistos << limpia;
    Drive1->addItem(icono, QDir::toNativeSeparators(limpia), limpia);
    Drive1->setItemData(Drive1->count() - 1, limpia, Qt::ToolTipRole);
  };
  const QIcon carpeta = iconos.icon(QAbstractFileIconProvider::Folder);
  const QIcon disco = iconos.icon(QAbstractFileIconProvider::Drive);
  anade(QDir::homePath(), QIcon::fromTheme(QStringLiteral("user-home"), carpeta));
  if (almacen_) anade(Q(almacen_->PathSignals()), carpeta);
  for (const QStorageInfo& volumen : QStorageInfo::mountedVolumes())
    if (volumen.isValid() && volumen.isReady()) anade(volumen.rootPath(), disco);
  anade(QDir::rootPath(), disco);
}

void bdatos::Drive1_Change() {
  if (Drive1->currentIndex() < 0) return;
  PonCarpeta(Drive1->currentData(kRutaDeLugar).toString());
}

void bdatos::PonCarpeta(const QString& carpeta) {
  carpeta_ = Limpia(carpeta);
  const QSignalBlocker sin_aviso(Dir1);
  Dir1->clear();
  const QIcon icono = QFileIconProvider().icon(QAbstractFileIconProvider::Folder);
  auto anade = [&](QTreeWidgetItem* padre, const QString& texto, const QString& destino) {
    auto* item = padre != nullptr ? new QTreeWidgetItem(padre) : new QTreeWidgetItem(Dir1);
    item->setIcon(0, icono);
    item->setText(0, texto);
    item->setData(0, kRutaDeLugar, destino);
    item->setToolTip(0, destino);
    item->setExpanded(true);
    return item;
  };
  // The chain from the root down to the folder, each inside the one before...
  QString ruta = QDir::rootPath();
  QTreeWidgetItem* actual = anade(nullptr, ruta, ruta);
  for (const QString& parte : carpeta_.split('/', Qt::SkipEmptyParts)) {
    ruta = QDir(ruta).filePath(parte);
    actual = anade(actual, parte, ruta);
  }
  // ... then the folder's own subfolders.
  const QDir dir(carpeta_);
  for (const QString& sub : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase))
    anade(actual, sub, dir.filePath(sub));
  Dir1->setCurrentItem(actual);
  Dir1->scrollToItem(actual);
  // The place list shows the place the folder lies in.
  {
    const QSignalBlocker sin_lugar(Drive1);
    Drive1->setCurrentIndex(LugarDe(carpeta_));
  }
  Dir1_Change();
}

int bdatos::LugarDe(const QString& carpeta) const {
  // The longest place the folder starts with.
  int elegido = -1;
  qsizetype largo = -1;
  for (int i = 0; i < Drive1->count(); ++i) {
    const QString lugar = Drive1->itemData(i, kRutaDeLugar).toString();
    const bool dentro = carpeta == lugar || carpeta.startsWith(lugar.endsWith('/') ? lugar : lugar + '/');
    if (dentro && lugar.size() > largo) {
      elegido = i;
      largo = lugar.size();
    }
  }
  return elegido;
}

void bdatos::Dir1_Change() {
  const QSignalBlocker sin_aviso(File1);
  File1->clear();
  // The extension in any letter case (filters of QDir ignore case unless told).
  File1->addItems(QDir(carpeta_).entryList({QStringLiteral("*.mdb")}, QDir::Files,
                                            QDir::Name | QDir::IgnoreCase));
}

QString bdatos::FicheroSeleccionado() const {
  const QList<QListWidgetItem*> elegidos = File1->selectedItems();
  return elegidos.isEmpty() ? QString() : elegidos.first()->text();
}

void bdatos::VaciaVistaPrevia() {
  for (QLineEdit* caja : {Text1, Text4, Text6, Text7, base_de_tiempos_text, amplitud_text, acoplamiento_text})
    caja->clear();
  trazo_.clear();
  DibujaTrazo();
}

void bdatos::File1_Click() {
  VaciaVistaPrevia();
  const QString nombre = FicheroSeleccionado();
  if (nombre.isEmpty()) return;
  // Whatever the file holds, the preview ends silently: a file that is no
  // database, a damaged one or one without the tables shows nothing.
  try {
    Data2.DatabaseName(QDir(carpeta_).filePath(nombre).toStdString());
    Data2.RecordSource(std::string(storage::kTablaConfig));
    Data2.Refresh(1);
    if (Data2.RecordCount() == 0) return;
    // Letter case counts here (loading the file ignores it).
    if (Data2.Field(0, "Instrument").AsText() != storage::kInstrumento ||
        Data2.Field(0, "Type").AsText() != storage::kTipoSenal)
      return;
    Data2.RecordSource(std::string(storage::kTablaParametros));
    Data2.Refresh(1);
    if (Data2.RecordCount() == 0) return;
    const std::pair<const char*, QLineEdit*> campos[] = {
        {"Name", Text1},     {"Date", Text4},           {"Description", Text6},          {"Comment", Text7},
        {"TimeBase", base_de_tiempos_text}, {"Gain", amplitud_text}, {"Coupling", acoplamiento_text},
    };
    // All fields read before any is shown: a field the table lacks shows none.
    std::array<QString, std::size(campos)> textos;
    for (std::size_t i = 0; i < std::size(campos); ++i) {
      const dao::Value& v = Data2.Field(0, campos[i].first);
      // One printable line, whatever the file holds.
      if (!v.IsNull()) textos[i] = Q(Printable(v.AsText(), kLargoDeTexto));
    }
    for (std::size_t i = 0; i < std::size(campos); ++i)
      if (!textos[i].isNull()) campos[i].second->setText(textos[i]);
    dibuja_una_senal_de_la_base_de_datos(Data2, amplitud_text->text());
  } catch (const std::exception&) {
    // Nothing more is shown.
  }
}

double bdatos::FactorDeGanancia(std::string_view texto) {
  for (const FactorDeTexto& f : kFactores)
    if (f.texto == texto) return f.factor;
  return 0;
}

void bdatos::dibuja_una_senal_de_la_base_de_datos(OrigenDeDatos& datos, const QString& ganancia) {
  if (datos.RecordCount() == 0) return;
  const double f = FactorDeGanancia(ganancia.toStdString());
  datos.RecordSource(std::string(storage::kTablaDatos));
  datos.Refresh(kFilasDeVistaPrevia);
  const std::int32_t n = datos.RecordCount();
  std::vector<float> codigos(static_cast<std::size_t>(n));
  for (std::int32_t i = 0; i < n; ++i) {
    const double codigo = double{datos.Field(i, 0).AsSingle()} * f + 128.0;
    if (!std::isfinite(codigo) || std::fabs(codigo) > std::numeric_limits<float>::max())
      throw dao::Error(dao::ErrorKind::kOverflow, "sample " + std::to_string(i) + " is out of range");
    codigos[static_cast<std::size_t>(i)] = static_cast<float>(codigo);
  }
  trazo_ = std::move(codigos);
  ancho_x_ = n;
  alto_y_ = 255;
  DibujaTrazo();
}

void bdatos::DibujaTrazo() {
  Picture1->Cls();
  if (trazo_.empty() || !Picture1->Scale(0, alto_y_, ancho_x_, 0)) return;
  for (std::size_t i = 0; i + 1 < trazo_.size(); ++i)
    Picture1->Line(static_cast<double>(i), trazo_[i], static_cast<double>(i + 1), trazo_[i + 1], kCian);
  Picture1->update();
}

void bdatos::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous() || activado_) return;
  activado_ = true;
  Form_Activate();
}

void bdatos::Form_Activate() {
  // 1.
  File1->setFocus();
  // 2. Open mode: the user's texts are the file's, not for typing.
  if (modo_bd == 1)
    for (QLineEdit* caja : {Text1, Text4, Text6, Text7}) caja->setReadOnly(true);
  // 3. Save mode: what is about to be stored.
  if (modo_bd == 0) {
    Text1->setText(QStringLiteral("Nueva"));
    Text4->setText(LocaleDelIdioma(idioma_bd).toString(QDate::currentDate(), QLocale::ShortFormat));
    base_de_tiempos_text->setText(Q(o_.BaseDeTiemposActualTexto()));
    const bool uno = canal_bd == 1;
    amplitud_text->setText(Q(uno ? o_.GananciaCanal1Texto() : o_.GananciaCanal2Texto()));
    acoplamiento_text->setText(Q(uno ? o_.AcoplamientoCanal1Texto() : o_.AcoplamientoCanal2Texto()));
    eliminar_boton->setEnabled(false);
    // One read of the channel: every read is an averaging step.
    std::vector<float> v = uno ? o_.VCanal1() : o_.VCanal2();
    if (v.size() > 768) v.resize(768);  // 767 segments over x 0..768
    trazo_ = std::move(v);
    ancho_x_ = 768;
    alto_y_ = 256;
    DibujaTrazo();
    Text1->setReadOnly(false);
  }
  // 4.
  inicializa_idioma();
}

void bdatos::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  Form_Resize();
}

void bdatos::Form_Resize() {
  if (modo_bd != 0) return;
  const int ancho = kAnchoGuardarTwips / gdi::Canvas::kTwipsPerPixel;
  if (width() != ancho) resize(ancho, height());
}

void bdatos::inicializa_idioma() {
  // A language without texts stops the pass where it is; the captions keep
  // what they showed (nothing here may throw out of an event handler).
  try {
    ui::QtControl dialogo(this);
    localisation::traduce_control(dialogo, idioma_bd);
    ui::QtForm formulario(this);
    for (ui::Control* control : formulario.Controls())
      if (localisation::NumericTag(control->Tag())) localisation::traduce_control(*control, idioma_bd);
  } catch (const std::exception&) {
  }
}

void bdatos::aceptar_boton_Click() {
  if (!almacen_) return;
  if (modo_bd == 0) {
    almacen_->Comentarios(Text7->text().toStdString());
    almacen_->Descripcion(Text6->text().toStdString());
    almacen_->Fecha(Text4->text().toStdString());
    almacen_->Nombre(Text1->text().toStdString());
    // Only a successful save closes the browser; a cancelled or failed save
    // dialog leaves it open with what the user typed.
    almacen_->AlGuardar2([this] { accept(); });
    const storage::Outcome r = almacen_->Guardar2(canal_bd);
    almacen_->AlGuardar2(nullptr);
    if (AlTerminar) AlTerminar(modo_bd, r, std::string());
    return;
  }
  if (modo_bd == 1) {
    // Without a chosen file there is nothing to load: the dialog stays open.
    const QString nombre = FicheroSeleccionado();
    if (nombre.isEmpty()) return;
    const std::string fichero = QDir(carpeta_).filePath(nombre).toStdString();
    const storage::Outcome r = almacen_->Abrir2(fichero);
    if (AlTerminar) AlTerminar(modo_bd, r, fichero);
    accept();
  }
}

void bdatos::cancelar_boton_Click() { reject(); }

void bdatos::eliminar_boton_Click() {
  const QString nombre = FicheroSeleccionado();
  if (nombre.isEmpty()) return;
  const QString fichero = QDir(carpeta_).filePath(nombre);
  bool si = false;
  if (ConfirmaEliminar) {
    si = ConfirmaEliminar(fichero);
  } else {
    si = QMessageBox::question(this, windowTitle(), TextoPropio(kTextoEliminaSenal, idioma_bd).arg(fichero),
                               QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
  }
  if (!si) return;
  QFile f(fichero);
  if (!f.remove()) {
    QMessageBox::warning(this, windowTitle(), TextoPropio(kTextoNoSeElimina, idioma_bd).arg(fichero, f.errorString()));
    return;
  }
  VaciaVistaPrevia();
  Dir1_Change();
}

}  // namespace orva::mainwindow
