// Two windows in one process, a board station and a remote station joined
// over 127.0.0.1 through their front-panel buttons; the exchange runs from
// the event loop, as between the passes of the program.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <functional>
#include <memory>

#include "orva/link/remote_link.h"
#include "orva/mainwindow/oscil.h"
#include "orva/mainwindow/textos_ventana.h"
#include "orva/remote/intercambio.h"
#include "orva/scope/osciloscopio.h"
#include "window_fixture.h"

namespace orva::mainwindow::testing {
namespace {

// A state word of the link in the window's language.
QString Palabra(int id) { return QString::fromUtf8(TextoDeVentana(id, ProgramaGlobal().IdiomaActual)); }

class RemoteWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    for (auto* w : {&board, &remote}) {
      OscilOptions options;
      options.instrumento = std::make_unique<scope::Osciloscopio>(
          std::make_unique<FakeBoard>(std::make_shared<Board>()), [] { return 0.0; });
      options.impresora = [] { return std::unique_ptr<QPrinter>(); };
      options.portapapeles = std::make_shared<RecordingClipboard>();
      *w = std::make_unique<Oscil>(std::move(options));
      (*w)->Form_Load();
      (*w)->Timer2->stop();
    }
    board->PuertoRemoto->setText("0");  // a free port
    board->Command3_Click();
    ASSERT_EQ(board->EnlaceDeRed().State(), link::LinkState::kWaiting);
    remote->DireccionRemota->setText("127.0.0.1");
    remote->PuertoRemoto->setText(QString::number(board->EnlaceDeRed().ListeningPort()));
    remote->Command4_Click();
    ASSERT_TRUE(Until([&] { return Connected(*board) && Connected(*remote); }));
    remote->Command5_Click();
    ASSERT_TRUE(Exchanges(3));
  }
  void TearDown() override {
    remote.reset();
    board.reset();
  }
  static bool Connected(Oscil& w) { return w.EnlaceDeRed().State() == link::LinkState::kConnected; }
  static bool Until(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
      if (clock.elapsed() > ms) return false;
      QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
  }
  // Waits for n more exchanges at the remote station.
  bool Exchanges(int n) {
    const long long want = remote->IntercambioDelEnlace().Intercambios() + n;
    return Until([&] { return remote->IntercambioDelEnlace().Intercambios() >= want; });
  }
  std::unique_ptr<Oscil> board, remote;
};

TEST_F(RemoteWindows, RemoteStationShowsRemoteModeAndTheBoardStationsSettings) {
  EXPECT_TRUE(remote->windowTitle().endsWith(" - REMOTE MODE")) << remote->windowTitle().toStdString();
  EXPECT_FALSE(board->windowTitle().contains("REMOTE"));
  EXPECT_EQ(remote->EstadoEnlace->text(), Palabra(kTextoEstadoConectado));
  EXPECT_TRUE(remote->EstadoDelEnlace->text().contains("connected to the board station"))
      << remote->EstadoDelEnlace->text().toStdString();
  EXPECT_TRUE(board->EstadoDelEnlace->text().contains("127.0.0.1"));
  // A board station change, then its coupling of channel 2 to AC and back
  // to DC: the remote station's buttons follow (DC pressed again).
  board->SSCommand2_Click(1);  // a slower timebase
  board->CouplingAC(2)->click();
  ASSERT_TRUE(Exchanges(3));
  EXPECT_EQ(remote->Osciloscopio1().BaseDeTiemposActual(), board->Osciloscopio1().BaseDeTiemposActual());
  EXPECT_EQ(remote->TimebaseDisplay(1)->text(), board->TimebaseDisplay(1)->text());
  EXPECT_TRUE(remote->CouplingAC(2)->isChecked());
  board->CouplingDC(2)->click();
  ASSERT_TRUE(Exchanges(3));
  EXPECT_TRUE(remote->CouplingDC(2)->isChecked());
  EXPECT_EQ(remote->Osciloscopio1().AcoplamientoCanal2(), 1);
}

TEST_F(RemoteWindows, ARemoteChangeReachesTheBoardStationUnlessAutomaticGainIsOnThere) {
  const std::int16_t gain = board->Osciloscopio1().GananciaCanal1();
  remote->SSCommand4_Click(1);  // channel 1 one step more sensitive
  ASSERT_TRUE(Until([&] { return board->Osciloscopio1().GananciaCanal1() == gain + 1; }));
  ASSERT_TRUE(Exchanges(3));
  EXPECT_EQ(remote->Osciloscopio1().GananciaCanal1(), gain + 1);
  EXPECT_EQ(board->AmplitudeDisplay(1)->text(), remote->AmplitudeDisplay(1)->text());

  board->Osciloscopio1().GainAuto2(true);
  const std::int16_t gain2 = board->Osciloscopio1().GananciaCanal2();
  remote->SSCommand5_Click(0);
  ASSERT_TRUE(Exchanges(3));
  EXPECT_EQ(board->Osciloscopio1().GananciaCanal2(), gain2);
}

TEST_F(RemoteWindows, AReceivedLevelIsNotReportedBackAndTheUsersNextLevelIs) {
  board->VScroll3->setValue(200);
  ASSERT_TRUE(Until([&] { return remote->VScroll3->value() == 200; }));
  ASSERT_TRUE(Exchanges(2));
  EXPECT_EQ(remote->Osciloscopio1().Nivel(), 200);
  // The remote station's replies say nothing changed there.
  EXPECT_EQ(remote->EnlaceDeRed().Outgoing().d(16).number, 0);
  EXPECT_FALSE(remote->Remoto.NivelRemoto);
  // The same level once more (the bar reports no change): the remote user's
  // next level change still counts and reaches the board station.
  board->VScroll3->setValue(200);
  ASSERT_TRUE(Exchanges(2));
  remote->VScroll3->setValue(60);
  ASSERT_TRUE(Until([&] { return board->Osciloscopio1().Nivel() == 60; }));
}

TEST_F(RemoteWindows, PowerOnDuringTheExchangeKeepsItGoing) {
  // Both switched on by their buttons, their loops started by the power
  // timer as in the running program; they run until switched off.
  // The timers only read the count (they may fire inside a message's handler).
  long long at = -1, during = -1;
  QTimer::singleShot(1500, [&] { at = remote->IntercambioDelEnlace().Intercambios(); });
  QTimer::singleShot(2500, [&] {
    during = remote->IntercambioDelEnlace().Intercambios() - at;
    board->Command1_Click();  // off: the loops end
    remote->Command1_Click();
  });
  board->Command1_Click();
  remote->Command1_Click();
  ASSERT_TRUE(Until([&] { return during >= 0 && !board->BucleActivo && !remote->BucleActivo; }, 8000));
  EXPECT_GE(during, 20);
}

TEST_F(RemoteWindows, ALostLinkIsShownAndTheRemoteStationKeepsRunning) {
  remote->Command1_Click();  // on
  remote->Timer1->stop();
  remote->Timer2->stop();
  board.reset();  // the board station's program ends
  ASSERT_TRUE(Until([&] { return remote->EnlaceDeRed().State() == link::LinkState::kLost; }));
  EXPECT_EQ(remote->EstadoEnlace->text(), Palabra(kTextoEstadoPerdido));
  EXPECT_TRUE(remote->EstadoDelEnlace->text().contains("link lost")) << remote->EstadoDelEnlace->text().toStdString();
  EXPECT_EQ(remote->RunPasses(5), 5);  // the loop goes on with the last samples
  remote->Command5_Click();            // not connected: said, nothing sent
  EXPECT_EQ(remote->EstadoDelEnlace->text(), Palabra(kTextoSinEstacionPlaca));
}

}  // namespace
}  // namespace orva::mainwindow::testing
