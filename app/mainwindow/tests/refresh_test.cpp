// Readouts that never lie: every path that changes a setting leaves the
// cursor, pointer and trigger-level readouts and the panel's displays as the
// design's formulas give them at the new settings, by the next frame.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include "orva/file_dialog.h"
#include "orva/localisation/idioma.h"
#include "orva/mainwindow/panel_settings.h"
#include "orva/remote/intercambio.h"
#include "orva/scope/readouts.h"
#include "orva/storage/bd_config.h"
#include "window_fixture.h"

namespace orva::mainwindow::testing {
namespace {

std::string T(const QLabel* l) { return l->text().toStdString(); }

class Refresh : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    *step = 0.01;  // waits of the slowest timebase end
    // On, on the demonstration generator, the passes driven by the test.
    w->Command1_Click();
    w->Timer1->stop();
    w->Timer2->stop();
    w->SSCheck2(0)->setChecked(true);
    w->SSCheck2(1)->setChecked(true);
    w->ContCursor(1)->setChecked(true);
    // Time cursors 32 and 64 positions into the middle screen, voltage
    // cursors a division above and below 0 V, the pointer 44 positions in.
    w->ColocaCursores(288, 320, 160, 96);
    w->Picture1_MouseMove(0, 0, 300, 160);
  }
  // The readouts as the design's formulas give them at the instrument's
  // settings now (t = n / FMEquivalente from the trigger point, volts =
  // (y - 128) x VDiv x 4 / 128, level = volts of the trigger channel / 128 x
  // (Nivel - 128)), after the frame that follows the change.
  void ExpectReadoutsOfTheSettings(const std::string& path) {
    QApplication::processEvents();
    const double fm = O().FMEquivalente();
    const double mov = O().MovimientoPretriggerUsado();
    auto tiempo = [&](double n) { return scope::FormatoTiempo(static_cast<float>(n / fm)); };
    auto voltios = [](double v) { return scope::FormatoVoltios(static_cast<float>(v)); };
    const double n0 = -mov * 25.6;
    EXPECT_EQ(T(w->YCursorDisplay(6)), tiempo(std::nearbyint(32 + n0))) << path;
    EXPECT_EQ(T(w->XCursorDisplay(6)), tiempo(std::nearbyint(64 + n0))) << path;
    EXPECT_EQ(T(w->YCursorDisplay(0)), tiempo(32)) << path;
    EXPECT_EQ(T(w->XCursorDisplay(1)), tiempo(std::nearbyint(44 + n0))) << path;
    const double vdiv = O().VDiv1();
    EXPECT_EQ(T(w->XCursorDisplay(7)), voltios(vdiv)) << path;
    EXPECT_EQ(T(w->YCursorDisplay(7)), voltios(-vdiv)) << path;
    EXPECT_EQ(T(w->YCursorDisplay(3)), voltios(2 * vdiv)) << path;
    EXPECT_EQ(T(w->YCursorDisplay(1)), voltios(vdiv)) << path;
    const double disparo = O().CanalDisparo() == 1 ? O().GananciaCanal1VOLT() : O().GananciaCanal2VOLT();
    EXPECT_EQ(T(w->Disparo), std::string(localisation::Text(6, ProgramaGlobal().IdiomaActual)) + ": " +
                                 voltios(disparo / 128.0 * (O().Nivel() - 128)))
        << path;
    EXPECT_EQ(T(w->TimebaseDisplay(1)), O().BaseDeTiemposActualTexto()) << path;
    EXPECT_EQ(T(w->AmplitudeDisplay(1)), O().GananciaCanal1Texto()) << path;
  }
};

TEST_F(Refresh, EveryPathThatChangesTheTimebaseLeavesTheReadoutsRight) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  storage::BDConfig& store = *w->AlmacenDeConfiguracion();
  store.Dialogo(std::make_shared<filedialog::AnsweringDialog>(dir.filePath("cfg.mdb").toStdString()));
  struct Camino {
    const char* nombre;
    std::function<void()> antes;   // settings stored or prepared first
    std::function<void()> cambia;  // the path itself
  };
  const Camino caminos[] = {
      {"step button", [] {}, [&] { QTest::mouseClick(w->SSCommand2(0), Qt::LeftButton); }},
      {"automatic set-up", [] {},
       [&] {
         w->ModoAutomatico_Click();
         w->Timer2->stop();
       }},
      {"configuration load",
       [&] {
         w->PonBaseDeTiempos(12);
         w->PonGanancia(1, 7);
         ASSERT_TRUE(store.GuardarConfiguracion().Done());
       },
       [&] { w->ToolbarButton("AbrirConfig")->trigger(); }},
      {"record from the link",
       [&] {
         w->Remoto.captura_registro_remoto(O());
         w->Remoto.Registro.BaseDeTiemposActual = 11;
         w->Remoto.Registro.GananciaCanal1 = 5;
       },
       [&] { w->IntercambioDelEnlace().aplica_registro_remoto(); }},
      {"--set", [] {},
       [&] {
         std::string error;
         AplicaAjuste(*w, *LeeAjuste("BaseDeTiemposActual=14", &error));
         AplicaAjuste(*w, *LeeAjuste("GananciaCanal1=2", &error));
       }},
  };
  for (const Camino& c : caminos) {
    w->PonBaseDeTiempos(8);  // 5 us/div
    w->PonGanancia(1, 3);
    c.antes();
    w->PonBaseDeTiempos(8);
    w->PonGanancia(1, 3);
    ExpectReadoutsOfTheSettings(std::string(c.nombre) + " (before)");
    const std::string antes = T(w->YCursorDisplay(6));
    c.cambia();
    EXPECT_NE(O().BaseDeTiemposActual(), 8) << c.nombre;
    ExpectReadoutsOfTheSettings(c.nombre);
    EXPECT_NE(T(w->YCursorDisplay(6)), antes) << c.nombre;
  }
}

TEST_F(Refresh, RecordFromTheLinkShowsItsLevelAndItsInterpolation) {
  for (const std::int16_t metodo : {0, 1}) {
    w->Remoto.CambioLocal = false;
    w->Remoto.captura_registro_remoto(O());
    w->Remoto.Registro.Nivel = static_cast<std::int16_t>(metodo == 0 ? 200 : 40);
    w->Remoto.Registro.MetodoInterpolacion = metodo;
    w->IntercambioDelEnlace().aplica_registro_remoto();
    ExpectReadoutsOfTheSettings("level " + std::to_string(O().Nivel()));
    EXPECT_TRUE(w->Option1(metodo)->isChecked()) << metodo;
    EXPECT_FALSE(w->Remoto.CambioLocal);  // shown, not reported back
  }
}

TEST_F(Refresh, LanguageChangeRewritesTheTriggerLevelLabel) {
  w->VScroll3->setValue(192);
  ProgramaGlobal().IdiomaActual = localisation::kEnglish;
  w->TextosPropios(localisation::kEnglish);
  ExpectReadoutsOfTheSettings("English");
  ProgramaGlobal().IdiomaActual = localisation::kSpanish;
  w->TextosPropios(localisation::kSpanish);
  ExpectReadoutsOfTheSettings("Spanish");
}

}  // namespace
}  // namespace orva::mainwindow::testing
