// The front panel through its controls: steps and their ends, the Single
// step, which actions report a change to the remote link, the trigger level
// and the level markers, the automatic set-up, the layout, the keyboard and
// the wheel, and the scripted settings.
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <functional>
#include <string>

#include "orva/localisation/idioma.h"
#include "orva/mainwindow/panel_settings.h"
#include "window_fixture.h"

namespace orva::mainwindow::testing {
namespace {

using Panel = WindowTest;

std::string Text(const QLabel* l) { return l->text().toStdString(); }

TEST_F(Panel, StepsMoveOneRowAndStopAtEitherEndOfTheirTables) {
  enum Ajuste { kBase, kGanancia1, kGanancia2, kModo };
  struct Caso {
    const char* boton;
    Ajuste ajuste;
    int desde, espera;
  };
  const Caso casos[] = {
      {"SSCommand2(1)", kBase, 20, 20},     {"SSCommand2(0)", kBase, 2, 2},
      {"SSCommand2(1)", kBase, 8, 9},       {"SSCommand2(0)", kBase, 8, 7},
      {"SSCommand4(1)", kGanancia1, 10, 10}, {"SSCommand4(0)", kGanancia1, 0, 0},
      {"SSCommand4(1)", kGanancia1, 3, 4},  {"SSCommand5(0)", kGanancia2, 3, 2},
      {"SSCommand5(1)", kGanancia2, 10, 10}, {"SSCommand3(0)", kModo, 2, 2},
      {"SSCommand3(1)", kModo, 0, 0},       {"SSCommand3(0)", kModo, 1, 2},
      {"SSCommand3(1)", kModo, 1, 0},
  };
  for (const Caso& c : casos) {
    const auto v = static_cast<std::int16_t>(c.desde);
    QLabel* pantalla = c.ajuste == kBase        ? w->TimebaseDisplay(1)
                       : c.ajuste == kGanancia1 ? w->AmplitudeDisplay(1)
                       : c.ajuste == kGanancia2 ? w->AmplitudeDisplay(2)
                                                : w->ModeDisplay(1);
    switch (c.ajuste) {
      case kBase: O().BaseDeTiemposActual(v); break;
      case kGanancia1: O().GananciaCanal1(v); break;
      case kGanancia2: O().GananciaCanal2(v); break;
      case kModo: O().ModoDisparo(v); break;
    }
    w->ActualizaPanel();
    const std::string antes = Text(pantalla);
    w->findChild<QPushButton*>(c.boton)->click();
    const int ahora = c.ajuste == kBase        ? O().BaseDeTiemposActual()
                      : c.ajuste == kGanancia1 ? O().GananciaCanal1()
                      : c.ajuste == kGanancia2 ? O().GananciaCanal2()
                                               : O().ModoDisparo();
    EXPECT_EQ(ahora, c.espera) << c.boton << " from " << c.desde;
    EXPECT_FALSE(Text(pantalla).empty()) << c.boton;
    EXPECT_EQ(Text(pantalla) == antes, c.espera == c.desde) << c.boton << " from " << c.desde;
  }
}

TEST_F(Panel, StepToSingleClearsTheScreenAndGreysTheLedsButArm) {
  PowerOnBoard();
  board->canal1 = 200;  // above channel 2 and the level line
  Passes(3);
  ASSERT_GT(CountColour(w->Picture1, w->ColorCanal1), 0);
  O().ModoDisparo(1);
  w->SSCommand3(1)->click();
  EXPECT_EQ(O().ModoDisparo(), 0);
  EXPECT_EQ(Text(w->ModeDisplay(1)), "Single");
  EXPECT_EQ(CountColour(w->Picture1, w->ColorCanal1), 0);
  EXPECT_GT(CountColour(w->Picture1, gdi::Rgb(100, 100, 100)), 1000);
  EXPECT_EQ(w->armLed->BackColor(), 0x00AF00u);
  for (PictureBox* led : {w->htLed, w->stLed, w->trigfailLed}) EXPECT_EQ(led->BackColor(), 0x808080u);
}

// Every control, with whether the user's action on it is reported to the
// remote link (CambioLocal), and its effect on the instrument.
TEST_F(Panel, ExactlyTheMarkedControlsReportAChangeAndOnlyOutsideARemoteApply) {
  struct Caso {
    const char* control;
    bool reported;
    std::function<void(Oscil&)> accion;
    std::function<bool(scope::Osciloscopio&)> efecto;
  };
  const Caso casos[] = {
      {"SSCommand2(1)", true, [](Oscil& w) { w.SSCommand2(1)->click(); },
       [](scope::Osciloscopio& o) { return o.BaseDeTiemposActual() == 5; }},
      {"SSCommand4(0)", true, [](Oscil& w) { w.SSCommand4(0)->click(); },
       [](scope::Osciloscopio& o) { return o.GananciaCanal1() == 2; }},
      {"SSCommand5(1)", true, [](Oscil& w) { w.SSCommand5(1)->click(); },
       [](scope::Osciloscopio& o) { return o.GananciaCanal2() == 4; }},
      {"SSCommand3(1)", true, [](Oscil& w) { w.SSCommand3(1)->click(); },
       [](scope::Osciloscopio& o) { return o.ModoDisparo() == 1; }},
      {"CouplingAC(1)", true, [](Oscil& w) { w.CouplingAC(1)->click(); },
       [](scope::Osciloscopio& o) { return o.AcoplamientoCanal1() == 2; }},
      {"CouplingGND(2)", true, [](Oscil& w) { w.CouplingGND(2)->click(); },
       [](scope::Osciloscopio& o) { return o.AcoplamientoCanal2() == 0; }},
      {"CouplingDC(2) released", false, [](Oscil& w) { w.CouplingDC_Click(2, false); },
       [](scope::Osciloscopio& o) { return o.AcoplamientoCanal2() == 1; }},
      {"TrigChanSpin(1)", true, [](Oscil& w) { w.TrigChanSpin(1)->click(); },
       [](scope::Osciloscopio& o) { return o.CanalDisparo() == 2; }},
      {"Slope", true, [](Oscil& w) { w.Slope->click(); },
       [](scope::Osciloscopio& o) { return o.Flanco() == 1; }},
      {"Dis_ext", true, [](Oscil& w) { w.Dis_ext->click(); },
       [](scope::Osciloscopio& o) { return o.DisparoExterno() == 1; }},
      {"VScroll3", true, [](Oscil& w) { w.VScroll3->setValue(200); },
       [](scope::Osciloscopio& o) { return o.Nivel() == 200; }},
      {"SSCommand1", true, [](Oscil& w) { w.SSCommand1->click(); },
       [](scope::Osciloscopio&) { return true; }},
      {"SSCommand6(0)", false, [](Oscil& w) { w.SSCommand6(0)->click(); },
       [](scope::Osciloscopio& o) { return o.GainAuto1() && o.GananciaCanal1() == 10; }},
      {"ChanSelected(2)", false, [](Oscil& w) { w.ChanSelected(2)->click(); },
       [](scope::Osciloscopio& o) { return !o.Canal2Activo(); }},
      {"promediado(3)", false, [](Oscil& w) { w.promediado(3)->click(); },
       [](scope::Osciloscopio& o) { return o.promediado() == 8; }},
      {"Option1(1)", false, [](Oscil& w) { w.Option1(1)->click(); },
       [](scope::Osciloscopio& o) { return o.MetodoInterpolacion() == hosting::PropertyValue(std::int64_t{1}); }},
      {"VScroll1", false, [](Oscil& w) { w.VScroll1->setValue(-7); },
       [](scope::Osciloscopio& o) { return o.TagX() == hosting::PropertyValue(std::int64_t{-7}); }},
      {"VScroll2", false, [](Oscil& w) { w.VScroll2->setValue(40); },
       [](scope::Osciloscopio&) { return true; }},
      {"HScroll1", false, [](Oscil& w) { w.HScroll1->setValue(100); },
       [](scope::Osciloscopio&) { return true; }},
      {"XYCommand", false, [](Oscil& w) { w.XYCommand->click(); },
       [](scope::Osciloscopio& o) { return o.ModoXY(); }},
      {"Niveles(2) drag", false,
       [](Oscil& w) {
         w.PictureDeNiveles_MouseDown(1, 0, 5, w.PictureDeNiveles->FromPixelY(w.Niveles(2)->y() + 7));
         w.PictureDeNiveles_MouseMove(1, 0, 5, 40);
         w.PictureDeNiveles_MouseUp(1, 0, 5, 40);
       },
       [](scope::Osciloscopio& o) { return o.DesplazamientoYCanal2() == 40; }},
  };
  for (bool aplicando : {false, true}) {
    for (const Caso& c : casos) {
      SetUp();  // a fresh window for each action
      w->Remoto.NoAplicandoRemoto = !aplicando;
      c.accion(*w);
      EXPECT_TRUE(c.efecto(O())) << c.control;
      EXPECT_EQ(w->Remoto.CambioLocal, c.reported && !aplicando) << c.control << " applying " << aplicando;
    }
  }
}

TEST_F(Panel, ALevelWrittenByTheRemoteLinkIsNeitherAppliedNorReported) {
  w->Remoto.NivelRemoto = true;
  w->VScroll3->setValue(90);
  EXPECT_FALSE(w->Remoto.NivelRemoto);
  EXPECT_EQ(O().Nivel(), 128);
  EXPECT_FALSE(w->Remoto.CambioLocal);
  w->VScroll3->setValue(91);  // the next change is the user's
  EXPECT_EQ(O().Nivel(), 91);
  EXPECT_TRUE(w->Remoto.CambioLocal);
  const std::string_view nivel = localisation::Text(6, 1);
  EXPECT_TRUE(w->Disparo->text().startsWith(QString::fromUtf8(nivel.data(), static_cast<int>(nivel.size())) + ": "))
      << w->Disparo->text().toStdString();
}

// Drags with the mouse on the strip (user scale y 128 at the top, -128 at the bottom).
void Arrastra(Oscil& w, int marcador, double hasta_y_pixel) {
  QLabel* m = w.Niveles(marcador);
  const QPoint desde = m->geometry().center();
  QTest::mousePress(w.PictureDeNiveles, Qt::LeftButton, Qt::NoModifier, desde);
  QMouseEvent move(QEvent::MouseMove, QPointF(desde.x(), hasta_y_pixel),
                   w.PictureDeNiveles->mapToGlobal(QPointF(desde.x(), hasta_y_pixel)), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w.PictureDeNiveles, &move);
  QTest::mouseRelease(w.PictureDeNiveles, Qt::LeftButton, Qt::NoModifier,
                      QPoint(desde.x(), static_cast<int>(hasta_y_pixel)));
}

TEST_F(Panel, ChannelOneMarkerWhileChannelTwoTriggersMovesOnlyItsOffset) {
  w->TrigChanSpin(1)->click();  // channel 2 triggers
  const double quarter = w->PictureDeNiveles->height() / 4.0;  // y = 64
  Arrastra(*w, 1, quarter);
  EXPECT_NEAR(O().DesplazamientoYCanal1(), 64, 1);
  EXPECT_EQ(O().DesplazamientoYCanal2(), 0);
  EXPECT_EQ(w->VScroll3->minimum(), 0);
  EXPECT_EQ(w->VScroll3->maximum(), 255);
  EXPECT_EQ(O().Nivel(), 128);
  EXPECT_DOUBLE_EQ(w->CursorY1, 192);
  EXPECT_EQ(w->MarcadorSeleccionado(), 0);  // released
  EXPECT_NEAR(w->Niveles(1)->geometry().center().y(), quarter, 2);
}

TEST_F(Panel, TriggerChannelMarkerShiftsTheLevelBarKeepsTheLevelACodeAndMovesCursorOne) {
  // Channel 1 triggers. Down by 100 codes: the bar's range becomes 100..355.
  w->PonDesplazamiento(1, -100);
  EXPECT_EQ(w->VScroll3->minimum(), 100);
  EXPECT_EQ(w->VScroll3->maximum(), 355);
  EXPECT_EQ(O().Nivel(), 128);
  w->VScroll3->setValue(300);  // within the bar, beyond a code
  EXPECT_EQ(O().Nivel(), 255);
  EXPECT_EQ(w->VScroll3->value(), 255);
  // Horizontal cursor 1 marks the level's height on the screen (the dotted line).
  EXPECT_DOUBLE_EQ(w->CursorY1, 128 - 100);
  EXPECT_DOUBLE_EQ(w->Picture1->GetLineObject(Oscil::kCursorY1).y1, 28);
  // Up by 100: range -100..155, the level comes down into it.
  w->PonDesplazamiento(1, 100);
  EXPECT_EQ(w->VScroll3->maximum(), 155);
  EXPECT_EQ(O().Nivel(), 155);
  EXPECT_DOUBLE_EQ(w->CursorY1, 255);
}

TEST_F(Panel, AMarkerDraggedOffTheStripKeepsTheOffsetWithinIt) {
  Arrastra(*w, 2, -500);
  EXPECT_EQ(O().DesplazamientoYCanal2(), 128);
  EXPECT_GE(w->Niveles(2)->y(), 0);
  Arrastra(*w, 2, w->PictureDeNiveles->height() + 500);
  EXPECT_EQ(O().DesplazamientoYCanal2(), -128);
  EXPECT_LE(w->Niveles(2)->geometry().bottom(), w->PictureDeNiveles->height());
  // The trigger marker moves only its image.
  Arrastra(*w, 3, 0);
  EXPECT_EQ(O().DesplazamientoYCanal1(), 0);
  EXPECT_EQ(O().Nivel(), 128);
}

TEST_F(Panel, AutomaticSetUpDoesNothingInSingleOrWhileOff) {
  w->ModoAutomatico_Click();  // off
  EXPECT_FALSE(O().TriggerAuto());
  w->Command1_Click();
  w->Timer1->stop();
  w->Timer2->stop();
  O().ModoDisparo(0);
  w->Remoto.CambioLocal = false;  // power-on applied the level bar
  const long pasadas = w->Tiempos().pasadas;
  w->ModoAutomatico->click();
  EXPECT_EQ(O().ModoDisparo(), 0);
  EXPECT_FALSE(O().TriggerAuto() || O().GainAuto1());
  EXPECT_EQ(w->Tiempos().pasadas, pasadas);
  EXPECT_FALSE(w->Remoto.CambioLocal);
}

TEST_F(Panel, AutomaticSetUpInNormalRunsItsPassesThenRestartsTheLoopInAuto) {
  w->Command1_Click();
  w->Timer1->stop();
  w->Timer2->stop();
  w->SSCommand3(1)->click();  // Auto -> Normal
  w->promediado(2)->click();
  w->Remoto.CambioLocal = false;
  w->ModoAutomatico->click();
  EXPECT_EQ(O().ModoDisparo(), 2);
  EXPECT_EQ(Text(w->ModeDisplay(1)), "Auto");
  EXPECT_EQ(O().promediado(), 1);
  EXPECT_TRUE(w->promediado(0)->isChecked());
  EXPECT_FALSE(O().TriggerAuto());  // the timebase settled inside the handler
  EXPECT_GT(w->Tiempos().pasadas, 2);
  EXPECT_TRUE(O().GainAuto1() && O().GainAuto2());  // the gains keep adapting
  EXPECT_TRUE(w->Encendido);
  EXPECT_TRUE(w->BucleActivo);
  EXPECT_TRUE(w->Timer2->isActive());
  EXPECT_FALSE(w->Label12->isHidden());
  EXPECT_TRUE(w->Remoto.CambioLocal);
  EXPECT_EQ(w->Remoto.AutomaticoRemoto, 1);
  // Label12 is centred over the time view.
  EXPECT_NEAR(w->Label12->geometry().center().x(), w->Picture1->width() / 2, 1);
}

TEST_F(Panel, AveragingOffersThePowersTheInstrumentAveragesWithAndInterpolationShowsTheMethodInUse) {
  EXPECT_EQ(w->promediado.Items().size(), 4u);
  for (const auto& [i, r] : w->promediado.Items()) {
    r->click();
    EXPECT_EQ(O().promediado(), 1 << i);
  }
  EXPECT_TRUE(w->Option1(0)->isChecked());  // nothing set yet: spectral
  w->Command1_Click();
  EXPECT_TRUE(w->Option1(1)->isChecked());  // power-on selects linear
  EXPECT_TRUE(w->promediado(3)->isChecked());  // the two groups do not exclude each other
  w->Option1(0)->click();
  EXPECT_EQ(O().MetodoInterpolacion(), hosting::PropertyValue(std::int64_t{0}));
}

TEST_F(Panel, PanShowsAScreenOfTheRecordAndTheLargeDisplayHidesTheFrontPanel) {
  PowerOnBoard();
  board->canal1 = 200;
  Passes(2);
  w->HScroll1->setValue(100);
  Passes(2);  // the traces keep to the panned screen, and so does the scale
  EXPECT_DOUBLE_EQ(w->Picture1->ScaleLeft(), 100);
  EXPECT_DOUBLE_EQ(w->Picture1->ScaleWidth(), 256);
  EXPECT_DOUBLE_EQ(w->Picture1->ScaleTop(), 256);
  EXPECT_GT(CountColour(w->Picture1, w->ColorCanal1), w->Picture1->width() / 2);
  const int alto = w->Picture1->height();
  w->ToolbarButton("view")->trigger();
  QApplication::processEvents();
  EXPECT_TRUE(w->SSPanel3->isHidden());
  EXPECT_FALSE(w->SSPanel6->isHidden());
  EXPECT_GT(w->Picture1->height(), alto + 100);
  w->ToolbarButton("view")->trigger();
  QApplication::processEvents();
  EXPECT_FALSE(w->SSPanel3->isHidden());
}

TEST_F(Panel, WideningMakesTheWindowThreeTimesAsWideAroundTheSameCentre) {
  // Where the screen has room: three times as wide around the same centre
  // (the widened geometry, as a 7680-pixel desktop would give it).
  const QRect ventana(2000, 50, 1240, 700);
  const QRect ancha =
      Oscil::GeometriaEnsanchada(ventana, QSize(8, 34), QRect(0, 0, 7680, 1440));
  EXPECT_EQ(ancha.width(), 3 * ventana.width());
  EXPECT_NEAR(ancha.center().x(), ventana.center().x(), 1);
  EXPECT_EQ(ancha.top(), ventana.top());
  EXPECT_EQ(ancha.height(), ventana.height());
  // On this test's screen there is no room: the press changes no setting and
  // a second press brings the window back where it was.
  const QRect antes = w->geometry();
  w->Command2->click();
  EXPECT_FALSE(w->Remoto.CambioLocal);  // a layout change is not a setting
  EXPECT_LE(w->width(), std::max(antes.width(), w->screen()->availableGeometry().width()));
  w->Command2->click();
  // (Within the frame's pixels: the window keeps its minimum size.)
  EXPECT_NEAR(w->x(), antes.x(), 2);
  EXPECT_NEAR(w->width(), antes.width(), 2);
  EXPECT_NEAR(w->y(), antes.y(), 2);
}

// Keyboard: the window must be active for Tab and shortcuts to reach it.
class PanelKeyboard : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  }
  QWidget* TabTo(QWidget* target) {
    w->Command1->setFocus();
    for (int i = 0; i < 60 && QApplication::focusWidget() != target; ++i)
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    return QApplication::focusWidget();
  }
};

TEST_F(PanelKeyboard, TabReachesTheStepButtonsAndPowerAndSpacePressesThem) {
  ASSERT_EQ(TabTo(w->SSCommand2(1)), w->SSCommand2(1));
  QTest::keyClick(w->SSCommand2(1), Qt::Key_Space);
  EXPECT_EQ(O().BaseDeTiemposActual(), 5);
  ASSERT_EQ(TabTo(w->SSCommand4(0)), w->SSCommand4(0));
  QTest::keyClick(w->SSCommand4(0), Qt::Key_Space);
  EXPECT_EQ(O().GananciaCanal1(), 2);
  // From the last control Tab comes round to power.
  ASSERT_EQ(TabTo(w->VScroll2), w->VScroll2);
  for (int i = 0; i < 40 && QApplication::focusWidget() != w->Command1; ++i)
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), w->Command1);
  QTest::keyClick(w->Command1, Qt::Key_Space);
  EXPECT_EQ(w->Command1->text(), "ON");
  // A coupling group is one stop, its pressed button; the arrow keys press another.
  ASSERT_EQ(TabTo(w->CouplingDC(2)), w->CouplingDC(2));
  QTest::keyClick(w->CouplingDC(2), Qt::Key_Right);
  EXPECT_TRUE(w->CouplingAC(2)->isChecked());
  EXPECT_EQ(O().AcoplamientoCanal2(), 2);
  // Every other panel control is a Tab stop.
  for (QWidget* c : std::initializer_list<QWidget*>{w->Slope, w->Dis_ext, w->VScroll3,
                                                    w->PictureDeNiveles, w->HScroll1, w->Command2})
    EXPECT_EQ(TabTo(c), c) << c->objectName().toStdString() << " not reached; at "
                           << QApplication::focusWidget()->objectName().toStdString();
}

TEST_F(PanelKeyboard, ShortcutsPressTheirButtonsExceptWhileATextFieldHasTheFocus) {
  w->Command1->setFocus();
  QTest::keyClick(w.get(), Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(O().BaseDeTiemposActual(), 5);
  QTest::keyClick(w.get(), Qt::Key_Up, Qt::ControlModifier);
  EXPECT_EQ(O().GananciaCanal1(), 4);
  QTest::keyClick(w.get(), Qt::Key_Down, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(O().GananciaCanal2(), 2);
  QTest::keyClick(w.get(), Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(w->Command1->text(), "ON");
  EXPECT_TRUE(w->SSCommand2(1)->toolTip().contains(QKeySequence("Ctrl+Right").toString(QKeySequence::NativeText)));
  // A text field with the focus keeps the keys.
  QLineEdit campo(w.get());
  campo.show();
  campo.setFocus();
  QApplication::processEvents();
  ASSERT_EQ(QApplication::focusWidget(), &campo);
  QTest::keyClick(&campo, Qt::Key_Right, Qt::ControlModifier);
  QTest::keyClick(&campo, Qt::Key_Up, Qt::ControlModifier);
  EXPECT_EQ(O().BaseDeTiemposActual(), 5);
  EXPECT_EQ(O().GananciaCanal1(), 4);
}

TEST_F(PanelKeyboard, WheelStepsOverTheDisplaysAndArrowKeysMoveAMarker) {
  auto rueda = [](QWidget* sobre, int delta) {
    QWheelEvent e(QPointF(5, 5), sobre->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta),
                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(sobre, &e);
  };
  rueda(w->TimebaseDisplay(1), 120);
  EXPECT_EQ(O().BaseDeTiemposActual(), 5);
  rueda(w->AmplitudeDisplay(2), -240);
  EXPECT_EQ(O().GananciaCanal2(), 1);
  rueda(w->ModeDisplay(1), -60);  // half a notch: nothing yet
  EXPECT_EQ(O().ModoDisparo(), 2);
  rueda(w->ModeDisplay(1), -60);
  EXPECT_EQ(O().ModoDisparo(), 1);
  EXPECT_EQ(Text(w->ModeDisplay(1)), "Normal");
  w->PictureDeNiveles->setFocus();
  QTest::keyClick(w->PictureDeNiveles, Qt::Key_2);
  QTest::keyClick(w->PictureDeNiveles, Qt::Key_PageUp);
  QTest::keyClick(w->PictureDeNiveles, Qt::Key_Up);
  EXPECT_EQ(O().DesplazamientoYCanal2(), 33);
  QTest::keyClick(w->PictureDeNiveles, Qt::Key_Home);
  EXPECT_EQ(O().DesplazamientoYCanal2(), 0);
}

TEST_F(Panel, ControlsAreNamedInTheCurrentLanguage) {
  EXPECT_EQ(w->Slope->accessibleName().toStdString(), localisation::Text(43, 1));
  EXPECT_EQ(w->VScroll3->accessibleName().toStdString(), localisation::Text(6, 1));
  w->NombresDelPanel(2);
  EXPECT_EQ(w->Slope->accessibleName().toStdString(), "Slope");
  EXPECT_EQ(w->Dis_ext->accessibleName().toStdString(), "Extern trigger");
  EXPECT_EQ(w->SSCommand2(1)->accessibleName().toStdString(), "Timebase +");
}

TEST(PanelSettings, KeysAnyCaseValuesCheckedBeforeUse) {
  struct Caso {
    const char* entrada;
    bool vale;
    const char* clave;
    double numero;
  };
  const Caso casos[] = {
      {"promediado=4", true, "Promediado", 4},
      {" GananciaCanal1 = 99 ", true, "GananciaCanal1", 99},
      {"acoplamientocanal2=ac", true, "AcoplamientoCanal2", 2},
      {"ModoDisparo=Single", true, "ModoDisparo", 0},
      {"Canal2Activo=-1", true, "Canal2Activo", 1},
      {"ModoXY=off", true, "ModoXY", 0},
      {"BaseDeTiemposActualTexto=5us/Div", true, "BaseDeTiemposActualTexto", 8},
      {"MovimientoPretrigger=-2.5", true, "MovimientoPretrigger", -2.5},
      {"Nivel=+300", true, "Nivel", 300},
      {"Promediado=16", false, "", 0},
      {"AcoplamientoCanal1=3", false, "", 0},
      {"CanalDisparo=0", false, "", 0},
      {"GananciaCanal1=abc", false, "", 0},
      {"GananciaCanal1=2.5", false, "", 0},
      {"GananciaCanal1=", false, "", 0},
      {"BaseDeTiemposActualTexto=5us/div", false, "", 0},
      {"MovimientoPretrigger=nan", false, "", 0},
      {"Vpp1=3", false, "", 0},
      {"GananciaCanal1", false, "", 0},
  };
  for (const Caso& c : casos) {
    std::string error;
    const auto a = LeeAjuste(c.entrada, &error);
    ASSERT_EQ(a.has_value(), c.vale) << c.entrada;
    if (a) {
      EXPECT_EQ(a->clave, c.clave) << c.entrada;
      EXPECT_DOUBLE_EQ(a->numero, c.numero) << c.entrada;
    } else {
      EXPECT_FALSE(error.empty());
      EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
  }
}

TEST_F(Panel, ScriptedSettingsGoThroughThePanelAndShowOnIt) {
  for (const char* s : {"BaseDeTiemposActual=99", "GananciaCanal1=5", "AcoplamientoCanal2=2",
                        "ModoDisparo=1", "DesplazamientoYCanal1=-300", "Nivel=150", "promediado=4",
                        "CanalDisparo=2", "Flanco=1"}) {
    std::string error;
    const auto a = LeeAjuste(s, &error);
    ASSERT_TRUE(a) << error;
    AplicaAjuste(*w, *a);
  }
  EXPECT_EQ(O().BaseDeTiemposActual(), 20);
  EXPECT_EQ(Text(w->TimebaseDisplay(1)), "50ms/Div");
  EXPECT_EQ(Text(w->AmplitudeDisplay(1)), "1V/div");
  EXPECT_TRUE(w->CouplingAC(2)->isChecked());
  EXPECT_FALSE(w->CouplingDC(2)->isChecked());
  EXPECT_EQ(O().AcoplamientoCanal2(), 2);
  EXPECT_EQ(Text(w->ModeDisplay(1)), "Normal");
  EXPECT_EQ(O().DesplazamientoYCanal1(), -128);
  EXPECT_EQ(O().Nivel(), 150);
  EXPECT_TRUE(w->promediado(2)->isChecked());
  EXPECT_EQ(O().promediado(), 4);
  EXPECT_EQ(Text(w->TrigChanDisplay(1)), "2");
  EXPECT_TRUE(w->Slope->isChecked());
  EXPECT_EQ(O().Flanco(), 1);
}

}  // namespace
}  // namespace orva::mainwindow::testing
