// Oscil: recording of the measurements to CSV, their statistics across
// captures, and the time cursors' 1/dt readout.
//
// The statistics and the recorder are the instrument's (record/); here they
// are fed one capture per pass that read one, and shown: the readouts' tool
// tips carry the statistics, the tool bar the recording's state.
#include <QAction>
#include <QDateTime>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QSpinBox>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <cstdint>

#include "orva/file_dialog.h"
#include "orva/mainwindow/oscil.h"
#include "orva/mainwindow/textos_ventana.h"
#include "orva/scope/osciloscopio.h"
#include "orva/scope/readouts.h"
#include "orva/scope/tables.h"

namespace orva::mainwindow {
namespace {

constexpr int kLimitePorDefectoMB = 1024;
constexpr int kLimiteMaximoMB = 1 << 20;  // 1 TiB
constexpr int kIntervaloDeMuestraMs = 250;

QString Q(const std::string& s) { return QString::fromStdString(s); }

QString Formato(record::Unit unidad, double v) {
  const auto f = static_cast<float>(v);
  switch (unidad) {
    case record::Unit::kVolts: return Q(scope::FormatoVoltios(f));
    case record::Unit::kHertz: return Q(scope::FormatoFrecuencia(f));
    case record::Unit::kSeconds: return Q(scope::FormatoTiempo(f));
  }
  return {};
}

}  // namespace

void Oscil::ConstruyeGrabacion() {
  // Tool bar: the record button (registered by key like the others, so its
  // clicks go through Toolbar1_ButtonClick), the indicator and the limit.
  Toolbar1->addSeparator();
  const QIcon propio(QStringLiteral(":/orva/icons/grabar.svg"));
  QAction* grabar = Toolbar1->addAction(QIcon::fromTheme(QStringLiteral("media-record"), propio),
                                        QStringLiteral("Rec"));
  grabar->setObjectName(QStringLiteral("grabar"));
  grabar->setProperty("Key", QStringLiteral("grabar"));
  grabar->setCheckable(true);
  botones_["grabar"] = grabar;
  IndicadorDeGrabacion = new QLabel(Toolbar1);
  IndicadorDeGrabacion->setObjectName(QStringLiteral("IndicadorDeGrabacion"));
  IndicadorDeGrabacion->setTextFormat(Qt::RichText);
  IndicadorDeGrabacion->setStyleSheet(QStringLiteral("QLabel { color: #e6edf3; padding: 0 4px; font-weight: bold; }"));
  accion_indicador_ = Toolbar1->addWidget(IndicadorDeGrabacion);
  accion_indicador_->setVisible(false);
  LimiteGrabacion = new QSpinBox(Toolbar1);
  LimiteGrabacion->setObjectName(QStringLiteral("LimiteGrabacion"));
  LimiteGrabacion->setRange(1, kLimiteMaximoMB);
  LimiteGrabacion->setValue(kLimitePorDefectoMB);
  LimiteGrabacion->setSuffix(QStringLiteral(" MB"));
  LimiteGrabacion->setStyleSheet(QStringLiteral("QSpinBox { color: #e6edf3; background: #20252a; }"));
  Toolbar1->addWidget(LimiteGrabacion);

  // Beside the readouts, in the corner over the channel names: the reset.
  ReiniciaEstadisticasBoton = new QToolButton(SSPanel6);
  ReiniciaEstadisticasBoton->setObjectName(QStringLiteral("ReiniciaEstadisticas"));
  ReiniciaEstadisticasBoton->setIcon(QIcon(QStringLiteral(":/orva/icons/estadisticas.svg")));
  ReiniciaEstadisticasBoton->setIconSize(QSize(16, 16));
  ReiniciaEstadisticasBoton->setAutoRaise(true);
  if (auto* rl = qobject_cast<QGridLayout*>(SSPanel6->layout()))
    rl->addWidget(ReiniciaEstadisticasBoton, 0, 0, Qt::AlignCenter);
  connect(ReiniciaEstadisticasBoton, &QToolButton::clicked, this, [this] { ReiniciaEstadisticas(); });

  // 1/dt in a column of its own after the cursor group's last, on the time
  // cursors' row, looking like the readout beside which it reads.
  QLabel* diferencia = YCursorDisplay(0);
  QWidget* grupo = diferencia->parentWidget();
  InversoCursores = new QLabel(grupo);
  InversoCursores->setObjectName(QStringLiteral("InversoCursores"));
  InversoCursores->setAlignment(diferencia->alignment());
  InversoCursores->setStyleSheet(diferencia->styleSheet());
  InversoCursores->ensurePolished();
  InversoCursores->setFixedSize(diferencia->size().expandedTo(diferencia->minimumSize()));
  InversoCursores->setFixedSize(diferencia->maximumSize().boundedTo(QSize(4096, 4096)));
  if (auto* cl = qobject_cast<QGridLayout*>(grupo->layout())) {
    const int columna = cl->columnCount();
    auto* cabecera = new QLabel(QStringLiteral("1/\u0394t"), grupo);
    cabecera->setAlignment(Qt::AlignCenter);
    cabecera->setStyleSheet(QStringLiteral("QLabel { color: #9aa5b1; font-size: 10px; }"));
    cl->addWidget(cabecera, 0, columna);
    cl->addWidget(InversoCursores, 1, columna);
  }

  timer_grabacion_ = new QTimer(this);
  timer_grabacion_->setInterval(kIntervaloDeMuestraMs);
  connect(timer_grabacion_, &QTimer::timeout, this, [this] { MuestraGrabacion(); });
  timer_grabacion_->start();
}

void Oscil::TextosDeGrabacion(int idioma) {
  if (QAction* a = ToolbarButton("grabar")) a->setToolTip(TextoPropio(kTextoGrabar, idioma));
  LimiteGrabacion->setToolTip(TextoPropio(kTextoLimiteGrabacion, idioma));
  LimiteGrabacion->setAccessibleName(TextoPropio(kTextoLimiteGrabacion, idioma));
  ReiniciaEstadisticasBoton->setToolTip(TextoPropio(kTextoReiniciaEstadisticas, idioma));
  ReiniciaEstadisticasBoton->setAccessibleName(TextoPropio(kTextoReiniciaEstadisticas, idioma));
  InversoCursores->setToolTip(TextoPropio(kTextoInversoCursores, idioma));
  generacion_mostrada_ = ~std::uint64_t{0};  // the tool tips again, in this language
  MuestraGrabacion();
}

void Oscil::AnotaCaptura() {
  const scope::Osciloscopio& o = *osciloscopio_;
  record::CaptureSettings ajustes;
  ajustes.timebase_index = o.BaseDeTiemposProgramada();
  ajustes.gain_index = {o.GananciaCanal1(), o.GananciaCanal2()};
  ajustes.seconds_per_div = scope::Timebase(ajustes.timebase_index).base_tiempos_div;
  ajustes.volts_per_div = {scope::Gain(ajustes.gain_index[0]).volts_per_div,
                           scope::Gain(ajustes.gain_index[1]).volts_per_div};
  // A switched-off channel is skipped by the pass: its results are stale.
  const record::Capture captura = record::MakeCapture(
      {o.Canal1Activo(), o.Vpp1(), o.Vm1(), o.F1(), o.t1()},
      {o.Canal2Activo(), o.Vpp2(), o.Vm2(), o.F2(), o.t2()}, ajustes);
  estadisticas_.Add(captura);
  if (grabador_) grabador_->Add(captura);
}

bool Oscil::Grabando() const { return grabador_ && grabador_->Recording(); }

void Oscil::Grabar_Click() {
  QAction* boton = ToolbarButton("grabar");
  if (boton == nullptr) return;
  if (!boton->isChecked()) {
    DetieneGrabacion();
    return;
  }
  if (Grabando()) return;
  const int idioma = ProgramaGlobal().IdiomaActual;
  filedialog::FileDialogRequest peticion;
  peticion.mode = filedialog::FileDialogRequest::Mode::kSave;
  PreparaCarpetaDeUsuario();
  peticion.start_folder = CarpetaDeUsuario();
  peticion.filter = TextoPropio(kTextoFiltroMedidas, idioma).toStdString() + " (*.csv)|*.csv";
  peticion.file_name = "measurements-" +
                       QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")).toStdString() +
                       ".csv";
  peticion.default_extension = "csv";
  peticion.confirm_overwrite = true;
  const std::optional<std::string> fichero = dialogo_ ? dialogo_->Show(peticion) : std::nullopt;
  if (!fichero || fichero->empty()) {
    boton->setChecked(false);
    return;
  }
  IniciaGrabacion(*fichero);
}

storage::Outcome Oscil::IniciaGrabacion(const std::string& fichero) {
  if (Grabando()) DetieneGrabacion();
  const int idioma = ProgramaGlobal().IdiomaActual;
  auto grabador = std::make_unique<record::CsvRecorder>();
  record::RecorderOptions opciones;
  opciones.max_bytes = static_cast<std::uint64_t>(LimiteGrabacion->value()) << 20;
  std::string error;
  QAction* boton = ToolbarButton("grabar");
  if (!grabador->Start(fichero, opciones, &error)) {
    if (boton != nullptr) boton->setChecked(false);
    Avisa(TextoPropio(kTextoNoSeGraba, idioma).arg(Q(fichero), Q(error)));
    return storage::Outcome::Fallido(error);
  }
  grabador_ = std::move(grabador);
  grabacion_abierta_ = true;
  if (boton != nullptr) boton->setChecked(true);
  LimiteGrabacion->setEnabled(false);  // the limit holds from the start
  accion_indicador_->setVisible(true);
  Avisa(TextoPropio(kTextoGrabando, idioma).arg(Q(fichero)));
  MuestraGrabacion();
  return storage::Outcome::Hecho();
}

void Oscil::DetieneGrabacion() {
  if (!grabador_ || !grabacion_abierta_) return;
  grabador_->Stop();
  grabacion_abierta_ = false;
  if (QAction* boton = ToolbarButton("grabar")) boton->setChecked(false);
  LimiteGrabacion->setEnabled(true);
  accion_indicador_->setVisible(false);
  const int idioma = ProgramaGlobal().IdiomaActual;
  const record::CsvRecorder& g = *grabador_;
  const QString filas = QString::number(g.RowsWritten());
  QString texto;
  switch (g.Reason()) {
    case record::StopReason::kSizeLimit:
    case record::StopReason::kDiskFull:
    case record::StopReason::kWriteError: {
      QString motivo;
      if (g.Reason() == record::StopReason::kSizeLimit)
        motivo = TextoPropio(kTextoLimiteAlcanzado, idioma).arg(g.MaxBytes() >> 20);
      else if (g.Reason() == record::StopReason::kDiskFull)
        motivo = TextoPropio(kTextoDiscoLleno, idioma);
      else
        motivo = TextoPropio(kTextoErrorEscritura, idioma).arg(QString::fromLocal8Bit(std::strerror(g.Error())));
      texto = TextoPropio(kTextoGrabacionParada, idioma).arg(motivo, filas, Q(g.Path()));
      break;
    }
    default:
      texto = TextoPropio(kTextoGrabacionHecha, idioma).arg(Q(g.Path()), filas);
      break;
  }
  if (g.RowsDropped() > 0)
    texto += QStringLiteral(" \u00b7 ") + TextoPropio(kTextoFilasDescartadas, idioma).arg(g.RowsDropped());
  Avisa(texto);
}

void Oscil::ReiniciaEstadisticas() {
  estadisticas_.Reset();
  MuestraGrabacion();
}

QString Oscil::TextoDeEstadistica(int i) const {
  if (i < 0 || i >= record::kMeasurements) return {};
  const int idioma = ProgramaGlobal().IdiomaActual;
  const record::MeasurementInfo& m = record::kMeasurementInfo[static_cast<std::size_t>(i)];
  const QString nombre = TextoPropio(kTextoMedidaVpp + i % 4, idioma).arg(m.channel);
  const record::RunningStatistics& s = estadisticas_[i];
  if (s.Count() == 0) return TextoPropio(kTextoSinEstadistica, idioma).arg(nombre);
  // The table writes its line breaks as "\n".
  QString texto = TextoPropio(kTextoEstadistica, idioma);
  texto.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
  return texto.arg(nombre, QString::number(s.Count()), Formato(m.unit, s.Min()), Formato(m.unit, s.Max()),
                   Formato(m.unit, s.Mean()), Formato(m.unit, s.StdDev()));
}

void Oscil::MuestraGrabacion() {
  // A recording that stopped by itself: the button comes up and the status
  // line says why.
  if (grabacion_abierta_ && grabador_ && !grabador_->Recording()) DetieneGrabacion();
  if (grabacion_abierta_ && grabador_) {
    const QString filas =
        TextoPropio(kTextoFilas, ProgramaGlobal().IdiomaActual).arg(grabador_->RowsWritten());
    IndicadorDeGrabacion->setText(QStringLiteral("<span style=\"color:#ff3b30\">\u25cf</span> ") + filas);
  }
  if (estadisticas_.Generation() != generacion_mostrada_) {
    generacion_mostrada_ = estadisticas_.Generation();
    for (int i = 0; i < record::kMeasurements; ++i)
      if (QLabel* d = datos(i)) d->setToolTip(TextoDeEstadistica(i));
  }
}

}  // namespace orva::mainwindow
