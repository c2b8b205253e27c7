// The window through its handlers: start-up, power, the loop's passes and
// trigger modes, the refresh figure, shutdown.
#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

#include "orva/scope/readouts.h"
#include "window_fixture.h"

namespace orva::mainwindow::testing {
namespace {

using WindowStartUp = WindowTest;

TEST_F(WindowStartUp, StandsOffInDemoModeWithTheDefaultSettings) {
  EXPECT_EQ(w->windowTitle().toStdString(), "Orva Plenar Oscilloscope -  DEMO MODE");
  EXPECT_EQ(w->Command1->text(), "OFF");
  EXPECT_FALSE(w->BucleActivo);
  EXPECT_FALSE(w->Encendido);
  EXPECT_FALSE(w->Timer1->isActive());
  EXPECT_TRUE(w->Timer2->isActive());  // fires once, finds the loop stopped
  EXPECT_EQ(w->Timer1->interval(), 100);
  EXPECT_EQ(w->Timer2->interval(), 1000);
  EXPECT_EQ(ProgramaGlobal().IdiomaActual, 1);
  EXPECT_TRUE(O().ModoDemo());
  EXPECT_EQ(O().DireccionES(), 0x390);
  EXPECT_EQ(O().GananciaCanal1(), 3);
  EXPECT_EQ(O().GananciaCanal2(), 3);
  EXPECT_EQ(O().BaseDeTiemposActual(), 4);
  EXPECT_EQ(O().ModoDisparo(), 2);
  EXPECT_EQ(O().CanalDisparo(), 1);
  EXPECT_EQ(O().Nivel(), 128);
  EXPECT_EQ(O().promediado(), 1);
  EXPECT_TRUE(O().Canal1Activo() && O().Canal2Activo());
  EXPECT_FALSE(O().ModoXY());
  EXPECT_NE(O().PantallaTiempo(), nullptr);
  EXPECT_NE(O().PantallaFrecuencia(), nullptr);
  EXPECT_EQ(w->ColorCanal1, 0xFFFF00u);
  EXPECT_EQ(w->ColorCanal2, 0x00FFFFu);
  EXPECT_EQ(w->ColorCanalMat, 0xFFFFFFu);
  EXPECT_EQ(w->ColorCanalD, 0xC0E0FFu);
  EXPECT_DOUBLE_EQ(w->CursorX1, 256);
  EXPECT_DOUBLE_EQ(w->CursorY2, 64);
  // The first Programacion of start-up ran in demonstration mode: no board call.
  EXPECT_EQ(board->programmings, 0);
  // Timer2 alone starts nothing while the instrument is off.
  w->Timer2_Timer();
  EXPECT_FALSE(w->Timer2->isActive());
  EXPECT_FALSE(w->BucleActivo);
}

TEST(WindowStartUpOrder, StartedThenShownFitsTheScreenCentredWithItsGraticules) {
  App();
  OscilOptions options;
  options.instrumento =
      std::make_unique<scope::Osciloscopio>(std::make_unique<FakeBoard>(std::make_shared<Board>()),
                                            [] { return 0.0; });
  Oscil w(std::move(options));
  w.Form_Load();  // as the program does: start-up first, then shown once
  w.show();
  QApplication::processEvents();
  const QRect screen = w.screen()->availableGeometry();
  // (The test screen is narrower than the window's minimum: only the height
  // can fit. The frame of a real desktop is estimated before the first show.)
  EXPECT_LE(w.frameGeometry().height(), screen.height());
  EXPECT_NEAR(w.frameGeometry().center().y(), screen.center().y(), 20);
  // The pictures were laid out after start-up drew them: drawn again.
  EXPECT_EQ(w.Picture1->Point(25.6 * 3 - 1, 100), gdi::Rgb(100, 100, 100));
  EXPECT_EQ(w.Picture2->Point(25.6 * 3 - 1, 100), gdi::Rgb(100, 100, 100));
  // Whole and usable on a 1280 x 720 screen (with room for a title bar and a
  // desktop panel): only the time view gives way.
  EXPECT_LE(w.minimumSizeHint().width(), 1280 - 16);
  EXPECT_LE(w.minimumSizeHint().height(), 720 - 64);
  w.resize(w.minimumSizeHint());
  QApplication::processEvents();
  EXPECT_GE(w.Picture1->width(), 480);
  EXPECT_GE(w.Picture1->height(), 200);
  w.BucleActivo = false;
  w.Timer2->stop();
}

using WindowPower = WindowTest;

TEST_F(WindowPower, OnStartsTheLoopAndShowsTheSettingsOffClearsEverything) {
  w->Command1_Click();
  EXPECT_EQ(w->Command1->text(), "ON");
  EXPECT_TRUE(w->Encendido);
  EXPECT_TRUE(w->BucleActivo);
  EXPECT_TRUE(w->Timer1->isActive());
  EXPECT_TRUE(w->Timer2->isActive());
  EXPECT_TRUE(w->ModoAutomatico->isEnabled());
  EXPECT_FALSE(w->Disparo->isHidden());
  EXPECT_TRUE(w->Disparo->text().endsWith(": 0.00 mV")) << w->Disparo->text().toStdString();
  EXPECT_EQ(w->AmplitudeDisplay(1)->text().toStdString(), O().GananciaCanal1Texto());
  EXPECT_EQ(w->AmplitudeDisplay(2)->text().toStdString(), O().GananciaCanal2Texto());
  EXPECT_EQ(w->TimebaseDisplay(1)->text().toStdString(), O().BaseDeTiemposActualTexto());
  EXPECT_EQ(w->ModeDisplay(1)->text().toStdString(), O().ModoDisparoTexto());
  EXPECT_DOUBLE_EQ(w->Picture1->ScaleWidth(), 768);
  EXPECT_DOUBLE_EQ(w->Picture2->ScaleTop(), 100);
  w->Timer1->stop();
  w->Timer2->stop();
  w->RunPasses(3);
  EXPECT_FALSE(w->datos(0)->text().isEmpty());

  w->Command1_Click();
  EXPECT_EQ(w->Command1->text(), "OFF");
  EXPECT_FALSE(w->Encendido);
  EXPECT_FALSE(w->BucleActivo);
  EXPECT_FALSE(w->Timer1->isActive());
  EXPECT_FALSE(w->ModoAutomatico->isEnabled());
  EXPECT_TRUE(w->Disparo->isHidden());
  for (int i = 0; i <= 7; ++i) EXPECT_TRUE(w->datos(i)->text().isEmpty()) << i;
  // Only the graticule is left.
  EXPECT_EQ(CountColour(w->Picture1, w->ColorCanal1), 0);
  EXPECT_GT(CountColour(w->Picture1, gdi::Rgb(100, 100, 100)), 1000);
}

TEST_F(WindowPower, TheLoopRunsFromTimer2AndStopsAtTheFlag) {
  w->Command1_Click();
  w->Timer1->stop();
  // A handler run between passes switches the instrument off: the loop ends.
  int passes = 0;
  QTimer stopper;
  QObject::connect(&stopper, &QTimer::timeout, [&] {
    if (++passes >= 3) w->Command1_Click();
  });
  stopper.start(0);
  w->Timer2_Timer();  // returns when BucleActivo goes false
  EXPECT_FALSE(w->Timer2->isActive());
  EXPECT_FALSE(w->BucleActivo);
  EXPECT_GE(passes, 3);
}

TEST_F(WindowPower, ReadoutsKeepTheirTextsWhilePassesRunBackToBack) {
  w->Command1_Click();
  w->Timer1->stop();
  int samples = 0, blank = 0, held_back = 0;
  QTimer probe;
  QObject::connect(&probe, &QTimer::timeout, [&] {
    if (w->Tiempos().pasadas < 3) return;
    ++samples;
    for (int i = 0; i <= 7; ++i) blank += w->datos(i)->text().isEmpty();
    held_back += !w->SSPanel6->updatesEnabled() + !w->Picture1->updatesEnabled();
    if (samples == 20) w->BucleActivo = false;
  });
  probe.start(2);
  w->Timer2_Timer();
  EXPECT_EQ(samples, 20);
  EXPECT_EQ(blank, 0);
  EXPECT_EQ(held_back, 0);
  // When the loop stops the readouts show the last pass's measurements.
  EXPECT_EQ(w->datos(0)->text().toStdString(), scope::FormatoVoltios(static_cast<float>(O().Vpp1())));
  EXPECT_EQ(w->datos(7)->text().toStdString(), scope::FormatoTiempo(static_cast<float>(O().t2())));
}

TEST_F(WindowPower, PowerButtonStartsTheLoopOneSecondLaterAndClosingEndsIt) {
  // The desktop road: button click, Timer2 one second later, the loop with
  // events between passes, the window closed from an event inside the loop.
  *step = 0.01;  // the shutdown grace runs on the window's clock
  w->Command1->click();
  EXPECT_EQ(w->Command1->text(), "ON");
  long passes_before_second = -1;
  QTimer::singleShot(800, w.get(), [&] { passes_before_second = w->Tiempos().pasadas; });
  long passes_at_close = -1;
  QTimer::singleShot(1600, w.get(), [&] {
    passes_at_close = w->Tiempos().pasadas;
    w->close();
  });
  QEventLoop wait;
  QTimer::singleShot(2500, &wait, &QEventLoop::quit);
  wait.exec();
  EXPECT_EQ(passes_before_second, 0);
  EXPECT_GT(passes_at_close, 0);
  EXPECT_FALSE(w->BucleActivo);
  EXPECT_FALSE(w->isVisible());
  EXPECT_FALSE(w->Timer1->isActive());
}

using WindowLoop = WindowTest;

TEST_F(WindowLoop, TheFirstFinishedCaptureIsNotReadThenEveryOneIs) {
  PowerOnBoard();
  w->BuclePrincipal();
  EXPECT_EQ(board->reads, 0);
  EXPECT_TRUE(w->Armado);
  EXPECT_EQ(board->programmings, 1);  // re-armed
  EXPECT_EQ(w->armLed->BackColor(), 0x00AF00u);
  w->BuclePrincipal();
  EXPECT_EQ(board->reads, 1);
  EXPECT_EQ(board->programmings, 2);
  Passes(3);
  EXPECT_EQ(board->reads, 4);
}

TEST_F(WindowLoop, SingleModeRearmsOnlyOnRequestAndDrawsEveryPass) {
  PowerOnBoard();
  O().ModoDisparo(0);
  Passes(4);
  EXPECT_EQ(board->programmings, 0);  // never re-armed without a request
  EXPECT_EQ(board->reads, 0);
  EXPECT_GT(CountColour(w->Picture1, gdi::Rgb(100, 100, 100)), 1000);  // drawn all the same

  w->SSCommand1_Click();  // programs once and raises the request
  EXPECT_EQ(board->programmings, 1);
  EXPECT_TRUE(w->DisparoUnicoPedido);
  EXPECT_TRUE(w->Remoto.DisparoUnicoRemoto);
  w->BuclePrincipal();  // finished, not armed by a pass: not read; one re-arm
  EXPECT_EQ(board->programmings, 2);
  EXPECT_FALSE(w->DisparoUnicoPedido);
  EXPECT_TRUE(w->Armado);
  w->BuclePrincipal();  // read, and no further re-arm
  EXPECT_EQ(board->reads, 1);
  Passes(3);
  EXPECT_EQ(board->programmings, 2);
  EXPECT_EQ(board->reads, 1);
  EXPECT_EQ(w->armLed->BackColor(), 0x808080u);
}

TEST_F(WindowLoop, NormalAndAutoDrawOnlyFinishedCaptures) {
  PowerOnBoard();
  Passes(3);
  for (int modo : {1, 2}) {
    O().ModoDisparo(static_cast<std::int16_t>(modo));
    board->fin = 0;  // capture not finished (and the clock stands: no time-out)
    w->Picture1->Cls();
    w->Picture1->PSet(100, 100, 0x123456);
    const int reads = board->reads;
    const std::int16_t counter = ProgramaGlobal().ContadorDePasadas;
    w->BuclePrincipal();
    EXPECT_EQ(w->Picture1->Point(100, 100), 0x123456u) << "mode " << modo;
    EXPECT_EQ(board->reads, reads);
    EXPECT_NE(ProgramaGlobal().ContadorDePasadas, counter);  // only the counter moved
    board->fin = 256;
    w->BuclePrincipal();
    EXPECT_NE(w->Picture1->Point(100, 100), 0x123456u) << "mode " << modo;
  }
}

TEST_F(WindowLoop, TriggerStateLeds) {
  PowerOnBoard();
  O().FuerzaModoSoftware(true);
  w->BuclePrincipal();
  EXPECT_EQ(w->trigfailLed->BackColor(), 0x0000FFu);
  EXPECT_EQ(w->htLed->BackColor(), 0x808080u);
  EXPECT_EQ(w->stLed->BackColor(), 0x00AF00u);
  O().FuerzaModoSoftware(false);
  w->BuclePrincipal();
  EXPECT_EQ(w->trigfailLed->BackColor(), 0x00AF00u);
  EXPECT_EQ(w->htLed->BackColor(), 0x00AF00u);
  EXPECT_EQ(w->stLed->BackColor(), 0x808080u);
  // The LED words; any other word leaves the colour.
  w->color_de_led(w->stLed, "amarillo");
  EXPECT_EQ(w->stLed->BackColor(), 0x00A0A0u);
  w->color_de_led(w->stLed, "azul");
  EXPECT_EQ(w->stLed->BackColor(), 0x00A0A0u);
  w->color_de_led(w->stLed, "rojo");
  EXPECT_EQ(w->stLed->BackColor(), 0x0000FFu);
  w->color_de_led(w->stLed, "");
  EXPECT_EQ(w->stLed->BackColor(), 0x0000FFu);
}

TEST_F(WindowLoop, RefreshFigureIsNinePassesOverTheirTimeAndSkipsTheFirstRound) {
  PowerOnBoard();
  *step = 0.5;  // each look at the clock: half a second later
  Passes(10);
  EXPECT_TRUE(w->Label14->text().isEmpty());  // first round only takes the start
  Passes(9);
  EXPECT_EQ(w->Label14->text().toStdString(), " 18");  // 9 passes in 0.5 s
  EXPECT_DOUBLE_EQ(w->PasesPorSegundo(), 18.0);
  // A clock that does not move gives no figure (non-positive interval).
  *step = 0.0;
  Passes(9);
  EXPECT_EQ(w->Label14->text().toStdString(), " 18");
  // In remote mode the figure is left alone.
  *step = 1.0;
  O().ModoRemoto(true);
  Passes(30);
  EXPECT_EQ(w->Label14->text().toStdString(), " 18");
}

TEST_F(WindowLoop, SlowestTimebaseWaitsTwoSecondsOnTheMonotonicClock) {
  PowerOnBoard();
  O().BaseDeTiemposActual(20);
  *step = 0.25;
  const double before = *window_time;
  w->BuclePrincipal();
  EXPECT_GE(*window_time - before, 2.0);
  EXPECT_LT(*window_time - before, 3.0);
}

TEST_F(WindowLoop, Timer1RunsAnExtraPassOrRedrawsAFrozenScreen) {
  PowerOnBoard();
  Passes(2);
  const int reads = board->reads;
  w->Timer1_Timer();  // switched on but the loop not entered yet: nothing
  EXPECT_EQ(board->reads, reads);
  // Inside the loop (entered from Timer2) each tick is one more pass.
  int ticks = 0;
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&] {
    if (ticks++ == 0) {
      const int before = board->reads;
      w->Timer1_Timer();
      EXPECT_GE(board->reads, before + 1);
    } else {
      w->BucleActivo = false;
    }
  });
  tick.start(0);
  w->RutinaPrincipal();
  tick.stop();
  const int after_loop = board->reads;
  w->Timer1_Timer();
  EXPECT_EQ(board->reads, after_loop);
  // Stopped, Auto mode, not frozen: nothing.
  w->Picture1->PSet(50, 50, 0x123456);
  w->Timer1_Timer();
  EXPECT_EQ(w->Picture1->Point(50, 50), 0x123456u);
  O().ModoDisparo(0);  // Single: redraws the last data without reading
  w->Timer1_Timer();
  EXPECT_NE(w->Picture1->Point(50, 50), 0x123456u);
  EXPECT_EQ(board->reads, after_loop);
  O().ModoDisparo(2);
  w->ToolbarButton("foto")->setChecked(true);  // frozen: redraws too
  w->Picture1->PSet(50, 50, 0x123456);
  w->Timer1_Timer();
  EXPECT_NE(w->Picture1->Point(50, 50), 0x123456u);
}

TEST_F(WindowLoop, SingleShotWhileARemoteRecordIsAppliedRaisesNoLocalChange) {
  w->Remoto.NoAplicandoRemoto = false;
  w->SSCommand1_Click();
  EXPECT_TRUE(w->DisparoUnicoPedido);
  EXPECT_TRUE(w->Remoto.DisparoUnicoRemoto);
  EXPECT_FALSE(w->Remoto.CambioLocal);
  w->Remoto.NoAplicandoRemoto = true;
  w->SSCommand1_Click();
  EXPECT_TRUE(w->Remoto.CambioLocal);
}

using WindowShutdown = WindowTest;

TEST_F(WindowShutdown, ClosingStopsTheLoopAfterAOneSecondGrace) {
  w->Command1_Click();
  *step = 0.1;
  const double before = *window_time;
  EXPECT_FALSE(w->Form_QueryUnload(false, 0));
  EXPECT_GE(*window_time - before, 1.0);
  EXPECT_FALSE(w->BucleActivo);
  EXPECT_FALSE(w->Timer1->isActive());
  // A cancelled unload changes nothing.
  w->BucleActivo = true;
  const double t = *window_time;
  EXPECT_TRUE(w->Form_QueryUnload(true, 0));
  EXPECT_TRUE(w->BucleActivo);
  EXPECT_EQ(*window_time, t);
}

TEST_F(WindowShutdown, ClosingWhileTheLoopRunsLetsItEnd) {
  w->Command1_Click();
  w->Timer1->stop();
  *step = 0.05;
  QTimer::singleShot(0, w.get(), [this] { w->close(); });
  w->Timer2_Timer();  // the loop; the close handler runs inside it and ends it
  EXPECT_FALSE(w->BucleActivo);
  EXPECT_FALSE(w->isVisible());
}

}  // namespace
}  // namespace orva::mainwindow::testing
