// The window's side of the remote link: the "Remote link" group of the front
// panel (Command3 board station, Command4 remote station with the board
// station's address and the port, Command5 start exchange, the address a
// board station accepts, the link's state and its status line), the link
// component, and the exchange pressing this window's buttons when a received
// record is applied.
//
// Everything runs on the GUI thread: the link raises its events from the
// event loop, and the exchange lets pending events run at the start of every
// message event, as the loop does between passes.
#include "oscil_remote.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>
#include <chrono>
#include <utility>

#include "orva/mainwindow/textos_ventana.h"
#include "orva/scope/osciloscopio.h"

namespace orva::mainwindow {
namespace {

constexpr int kMedidaMs = 500;  // how often the rate and the status line are refreshed

double Segundos() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The one word the state field shows, in the window's language.
QString PalabraDeEstado(link::LinkState s, int idioma) {
  return TextoPropio(kTextoEstadoApagado + static_cast<int>(s), idioma);
}

}  // namespace

Oscil::EnlaceRemoto::EnlaceRemoto(Oscil& w) : w_(w), intercambio_(*this) {
  enlace_.ConnectionRequest = [this](int id) { enlace_.ConnectionRequestX(id); };
  enlace_.OnMessage = [this](const link::Message& m) {
    const long long rechazados = intercambio_.Rechazados();
    intercambio_.MensajeRecibido(m);
    if (intercambio_.Rechazados() != rechazados) w_.MuestraEstadoRemoto();
  };
  enlace_.OnStateChanged = [this] {
    if (enlace_.State() == link::LinkState::kConnected) {
      intercambio_.Reinicia();
      contados_ = 0;
      ritmo_ = 0;
      reloj_.start();
    } else {
      reloj_.stop();
      ritmo_ = 0;
    }
    w_.MuestraEstadoRemoto();
  };
  reloj_.setInterval(kMedidaMs);
  QObject::connect(&reloj_, &QTimer::timeout, &w_, [this] { Mide(); });
}

Oscil::EnlaceRemoto::~EnlaceRemoto() {
  // No event of the link may reach a window being taken apart.
  enlace_.OnMessage = nullptr;
  enlace_.OnStateChanged = nullptr;
  enlace_.ConnectionRequest = nullptr;
  reloj_.stop();
}

void Oscil::EnlaceRemoto::Mide() {
  const double ahora = Segundos();
  const long long n = intercambio_.Intercambios();
  if (instante_ > 0 && ahora > instante_) ritmo_ = static_cast<double>(n - contados_) / (ahora - instante_);
  instante_ = ahora;
  contados_ = n;
  w_.MuestraEstadoRemoto();
}

scope::Osciloscopio& Oscil::EnlaceRemoto::Control() { return w_.Osciloscopio1(); }
remote::EstadoRemoto& Oscil::EnlaceRemoto::Estado() { return w_.Remoto; }
void Oscil::EnlaceRemoto::PermiteEventos() {
  const bool antes = w_.atendiendo_mensaje_;
  w_.atendiendo_mensaje_ = true;
  QCoreApplication::processEvents();
  w_.atendiendo_mensaje_ = antes;
}

void Oscil::EnlaceRemoto::AvanzaContadorDePasadas() {
  std::int16_t& c = ProgramaGlobal().ContadorDePasadas;
  c = static_cast<std::int16_t>((c + 1) % 10);
}

void Oscil::EnlaceRemoto::SSCommand1_Click() { w_.SSCommand1_Click(); }

void Oscil::EnlaceRemoto::VScroll3(std::int16_t nivel) { w_.VScroll3->setValue(nivel); }

// A press of a button that is already down, on an instrument that already
// has its setting, changes nothing: it is skipped, as a record arrives with
// every exchange (a thousand times a second) and mostly repeats the last one.
void Oscil::EnlaceRemoto::PulsaAcoplamiento(int canal, std::int16_t codigo) {
  scope::Osciloscopio& o = w_.Osciloscopio1();
  const std::int16_t efectivo = (codigo == scope::kAcoplamientoDC || codigo == scope::kAcoplamientoAC)
                                    ? codigo
                                    : std::int16_t{scope::kAcoplamientoGND};
  QPushButton* b = efectivo == scope::kAcoplamientoDC   ? w_.CouplingDC(canal)
                   : efectivo == scope::kAcoplamientoAC ? w_.CouplingAC(canal)
                                                        : w_.CouplingGND(canal);
  if (b == nullptr) return;
  const std::int16_t actual = canal == 1 ? o.AcoplamientoCanal1() : o.AcoplamientoCanal2();
  if (b->isChecked() && actual == efectivo) return;
  if (!b->isChecked()) {
    const QSignalBlocker bloqueo(b);
    b->setChecked(true);  // the group releases the other two (a release does nothing)
  }
  // The button's own handler sets the instrument.
  if (efectivo == scope::kAcoplamientoDC)
    w_.CouplingDC_Click(canal, true);
  else if (efectivo == scope::kAcoplamientoAC)
    w_.CouplingAC_Click(canal, true);
  else
    w_.CouplingGND_Click(canal, true);
}

void Oscil::EnlaceRemoto::Slope(int elemento) {
  const bool bajada = elemento == 1;
  if (w_.Slope->isChecked() == bajada && (w_.Osciloscopio1().Flanco() != 0) == bajada) return;
  {
    const QSignalBlocker bloqueo(w_.Slope);
    w_.Slope->setChecked(bajada);
  }
  w_.Slope_Click(bajada);
}

void Oscil::EnlaceRemoto::TrigChanDisplay(std::int16_t canal) {
  const QString texto = QString::number(canal);
  if (w_.TrigChanDisplay(1)->text() != texto) w_.TrigChanDisplay(1)->setText(texto);
}

void Oscil::EnlaceRemoto::Dis_ext(std::int16_t valor) {
  const bool marcado = valor != 0;
  if (w_.Dis_ext->isChecked() == marcado && (w_.Osciloscopio1().DisparoExterno() != 0) == marcado)
    return;
  {
    const QSignalBlocker bloqueo(w_.Dis_ext);
    w_.Dis_ext->setChecked(marcado);
  }
  w_.Dis_ext_Click();
}

void Oscil::EnlaceRemoto::ModoAutomatico_Click() { w_.ModoAutomatico_Click(); }

void Oscil::EnlaceRemoto::MuestraAjustes() {
  const remote::RegistroRemoto& r = w_.Remoto.Registro;
  if (mostrado_valido_ && r == mostrado_) return;
  w_.ActualizaPanel();
  mostrado_ = r;
  mostrado_valido_ = true;
}

link::Message& Oscil::EnlaceRemoto::Salida() { return enlace_.Outgoing(); }
bool Oscil::EnlaceRemoto::Enviar() { return enlace_.Enviar(); }
bool Oscil::EnlaceRemoto::EnviarS(std::int16_t kind) { return enlace_.EnviarS(kind); }

// ---- The group on the front panel ----------------------------------------------------

QWidget* Oscil::ConstruyeEnlace(QWidget* padre) {
  enlace_remoto_ = std::make_unique<EnlaceRemoto>(*this);
  // One line under the readouts, read from the left: a board station waits
  // (for anyone, or the allowed address only); a remote station connects to
  // the address and port, then starts the exchange; then the state and what
  // happened.
  auto* grupo = new QFrame(padre);
  grupo->setObjectName(QStringLiteral("RemoteLink"));
  auto* g = new QHBoxLayout(grupo);
  g->setContentsMargins(4, 1, 4, 1);
  g->setSpacing(4);
  auto* titulo = new QLabel(grupo);
  titulo->setObjectName(QStringLiteral("TituloEnlace"));
  titulo->setStyleSheet("QLabel { color: #e6edf3; font-weight: bold; }");
  auto boton = [grupo](const char* nombre) {
    auto* b = new QPushButton(grupo);
    b->setObjectName(QString::fromLatin1(nombre));
    b->setFocusPolicy(Qt::StrongFocus);
    return b;
  };
  Command3 = boton("Command3");
  Command4 = boton("Command4");
  Command5 = boton("Command5");
  DireccionRemota = new QLineEdit(grupo);
  DireccionRemota->setObjectName(QStringLiteral("DireccionRemota"));
  DireccionRemota->setFixedWidth(140);
  PuertoRemoto = new QLineEdit(QString::number(link::kDefaultPort), grupo);
  PuertoRemoto->setObjectName(QStringLiteral("PuertoRemoto"));
  PuertoRemoto->setValidator(new QIntValidator(0, 65535, PuertoRemoto));
  PuertoRemoto->setFixedWidth(52);
  PermitidaRemota = new QLineEdit(grupo);
  PermitidaRemota->setObjectName(QStringLiteral("PermitidaRemota"));
  PermitidaRemota->setFixedWidth(130);
  EstadoEnlace = new QLabel(grupo);
  EstadoEnlace->setObjectName(QStringLiteral("EstadoEnlace"));
  EstadoEnlace->setAlignment(Qt::AlignCenter);
  EstadoEnlace->setStyleSheet(
      "QLabel { background: #0b1a0f; color: #7dff9a; border: 1px solid #3a4a3e;"
      " font-weight: bold; padding: 1px 4px; }");
  EstadoDelEnlace = new QLabel(grupo);  // "not connected" in the language: TextosPropios
  EstadoDelEnlace->setObjectName(QStringLiteral("EstadoDelEnlace"));
  EstadoDelEnlace->setStyleSheet("QLabel { color: #c9d1d9; font-size: 10px; }");
  // A long line (a refusal and its ways out) must not widen the window: it
  // is cut on the screen and whole in the tool tip.
  EstadoDelEnlace->setMinimumWidth(10);
  EstadoDelEnlace->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  g->addWidget(titulo);
  g->addWidget(Command3);
  g->addWidget(PermitidaRemota);
  g->addSpacing(8);
  g->addWidget(Command4);
  g->addWidget(DireccionRemota);
  g->addWidget(PuertoRemoto);
  g->addWidget(Command5);
  g->addSpacing(8);
  g->addWidget(EstadoEnlace);
  g->addWidget(EstadoDelEnlace, 1);
  TextosDelEnlace(ProgramaGlobal().IdiomaActual);
  return grupo;
}

void Oscil::TextosDelEnlace(int idioma) {
  if (Command3 == nullptr) return;
  findChild<QLabel*>(QStringLiteral("TituloEnlace"))->setText(TextoPropio(kTextoEnlace, idioma));
  const std::pair<QPushButton*, int> botones[] = {
      {Command3, kTextoEstacionPlaca}, {Command4, kTextoEstacionRemota}, {Command5, kTextoIniciaIntercambio}};
  for (const auto& [b, id] : botones) {
    b->setText(TextoPropio(id, idioma));
    b->setToolTip(TextoPropio(id + kTextoAyudaPlaca - kTextoEstacionPlaca, idioma));
  }
  DireccionRemota->setPlaceholderText(TextoPropio(kTextoDireccion, idioma));
  DireccionRemota->setToolTip(TextoPropio(kTextoAyudaDireccion, idioma));
  PuertoRemoto->setToolTip(TextoPropio(kTextoAyudaPuerto, idioma));
  PermitidaRemota->setPlaceholderText(TextoPropio(kTextoPermitida, idioma));
  PermitidaRemota->setToolTip(TextoPropio(kTextoAyudaPermitida, idioma));
  // Wide enough for the longest state word of the language.
  int ancho = 0;
  for (int id = kTextoEstadoApagado; id <= kTextoEstadoRechazado; ++id)
    ancho = std::max(ancho, EstadoEnlace->fontMetrics().horizontalAdvance(TextoPropio(id, idioma)));
  EstadoEnlace->setFixedWidth(ancho + 16);
  EstadoEnlace->setText(PalabraDeEstado(EnlaceDeRed().State(), idioma));
}

void Oscil::ConectaEnlace() {
  connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
  connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
  connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
}

link::RemoteLink& Oscil::EnlaceDeRed() { return enlace_remoto_->Enlace(); }
remote::IntercambioRemoto& Oscil::IntercambioDelEnlace() { return enlace_remoto_->Intercambio(); }

double Oscil::IntercambiosPorSegundo() const {
  return enlace_remoto_ ? enlace_remoto_->IntercambiosPorSegundo() : 0.0;
}

bool Oscil::PuertoDelCampo(std::int32_t* puerto, bool cero_valido) {
  bool ok = false;
  const int p = PuertoRemoto->text().trimmed().toInt(&ok);
  const int menor = cero_valido ? 0 : 1;
  if (!ok || p < menor || p > 65535) {
    EstadoDelEnlace->setText(
        TextoPropio(kTextoPuertoNoValido, ProgramaGlobal().IdiomaActual).arg(menor));
    EstadoDelEnlace->setToolTip(EstadoDelEnlace->text());
    return false;
  }
  *puerto = p;
  return true;
}

void Oscil::Command3_Click() {
  link::RemoteLink& l = EnlaceDeRed();
  std::int32_t puerto = 0;
  if (!PuertoDelCampo(&puerto, true)) return;  // 0: any free port
  std::string error;
  if (!l.SetAllowedPeer(PermitidaRemota->text().trimmed().toStdString(), &error)) {
    EstadoDelEnlace->setText(QString::fromStdString(error));
    EstadoDelEnlace->setToolTip(EstadoDelEnlace->text());
    return;
  }
  // A board station sends its own samples: it is not in remote mode.
  if (osciloscopio_->ModoRemoto()) {
    osciloscopio_->ModoRemoto(false);
    ActualizaTitulo();
  }
  IntercambioDelEnlace().Usuario(link::kBoardStation);
  l.Usuario(link::kBoardStation);
  l.Puerto(puerto);
  l.Conectar();
  MuestraEstadoRemoto();
}

void Oscil::Command4_Click() {
  link::RemoteLink& l = EnlaceDeRed();
  std::int32_t puerto = 0;
  if (!PuertoDelCampo(&puerto, false)) return;
  const QString direccion = DireccionRemota->text().trimmed();
  if (direccion.isEmpty()) {
    EstadoDelEnlace->setText(TextoPropio(kTextoFaltaDireccion, ProgramaGlobal().IdiomaActual));
    EstadoDelEnlace->setToolTip(EstadoDelEnlace->text());
    return;
  }
  osciloscopio_->ModoRemoto(true);
  ActualizaTitulo();
  IntercambioDelEnlace().Usuario(link::kRemoteStation);
  l.Usuario(link::kRemoteStation);
  l.DireccionIP(direccion.toStdString());
  l.Puerto(puerto);
  l.Conectar();
  MuestraEstadoRemoto();
}

void Oscil::Command5_Click() {
  if (EnlaceDeRed().Usuario() != link::kRemoteStation ||
      EnlaceDeRed().State() != link::LinkState::kConnected) {
    EstadoDelEnlace->setText(TextoPropio(kTextoSinEstacionPlaca, ProgramaGlobal().IdiomaActual));
    EstadoDelEnlace->setToolTip(EstadoDelEnlace->text());
    return;
  }
  IntercambioDelEnlace().Inicia();
  MuestraEstadoRemoto();
}

void Oscil::MuestraEstadoRemoto() {
  if (!enlace_remoto_ || EstadoDelEnlace == nullptr) return;
  const link::RemoteLink& l = EnlaceDeRed();
  const QString palabra = PalabraDeEstado(l.State(), ProgramaGlobal().IdiomaActual);
  if (EstadoEnlace->text() != palabra) EstadoEnlace->setText(palabra);
  QString texto = QString::fromStdString(l.StatusText());
  const remote::IntercambioRemoto& x = IntercambioDelEnlace();
  if (l.State() == link::LinkState::kConnected && x.Intercambios() > 0)
    texto += QStringLiteral(", %1 exchanges/s").arg(enlace_remoto_->IntercambiosPorSegundo(), 0, 'f', 0);
  if (x.Rechazados() > 0)
    texto += QStringLiteral("; refused %1 message(s), the last: %2")
                 .arg(x.Rechazados())
                 .arg(QString::fromStdString(x.UltimoRechazo()));
  if (l.Counters().dropped > 0)
    texto += QStringLiteral("; dropped %1 frame(s), the last: %2")
                 .arg(l.Counters().dropped)
                 .arg(QString::fromStdString(l.Counters().last_dropped));
  if (EstadoDelEnlace->text() != texto) {
    EstadoDelEnlace->setText(texto);
    EstadoDelEnlace->setToolTip(texto);
  }
}

}  // namespace orva::mainwindow
