// The source choice: the list's texts, the window switched to the simulated
// board from its own source menu, acquiring through the board path, and to
// libsigrok's demonstration device and away from it.
#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QToolButton>

#include "orva/mainwindow/fuentes.h"
#include "orva/scope/readouts.h"
#include "orva/sigrok/stream.h"
#include "orvaboard_sim.h"
#include "window_fixture.h"

namespace orva::mainwindow::testing {
namespace {

TEST(SourceList, ChecksAndNormalisesEverySpecShape) {
  struct Caso {
    const char* spec;
    const char* normal;  // null: refused
  };
  const Caso casos[] = {
      {"demo", "demo"},         {"DEMO", "demo"},       {"board", "board"},
      {"Sim:KTR4", "sim:ktr4"}, {"sim:ktr1", "sim:ktr1"}, {"sim:ktr9", nullptr},
      {"sim", nullptr},         {"demo:fast", nullptr}, {"nosuch", nullptr},
      {"", nullptr},
      // libsigrok instruments: checked for form only, options kept in order
      // and channels= written last.
      {"SIGROK:demo", "sigrok:demo"},
      {"sigrok:demo:channels=A1:analog_channels=2", "sigrok:demo:analog_channels=2:channels=A1"},
      {"sigrok:", nullptr},     {"sigrok:demo:channels=A0,A1,A2", nullptr},
  };
  for (const Caso& c : casos) {
    std::string normal, error;
    const bool ok = Fuentes().Comprueba(c.spec, &normal, &error);
    EXPECT_EQ(ok, c.normal != nullptr) << c.spec;
    if (c.normal != nullptr) {
      EXPECT_EQ(normal, c.normal) << c.spec;
    } else {
      EXPECT_FALSE(error.empty()) << c.spec;
      EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
  }
  // Each choice listed is one the list accepts as it stands.
  const std::vector<OpcionDeFuente> opciones = Fuentes().Opciones(2);
  ASSERT_GE(opciones.size(), 6u);
  EXPECT_EQ(opciones.front().spec, "demo");
  EXPECT_EQ(opciones.front().descripcion, "demonstration generator");
  for (const OpcionDeFuente& o : opciones) {
    std::string normal;
    EXPECT_TRUE(Fuentes().Comprueba(o.spec, &normal, nullptr)) << o.spec;
    EXPECT_EQ(normal, o.spec);
  }
}

// The window on the instrument's own board library (no fake board): the
// choice really moves the acquisition onto the library's bus.
class WindowSource : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    OscilOptions options;
    options.impresora = [] { return std::unique_ptr<QPrinter>(); };
    options.portapapeles = std::make_shared<RecordingClipboard>();
    w = std::make_unique<Oscil>(std::move(options));
    w->show();
    w->Form_Load();
  }
  void TearDown() override {
    w->BucleActivo = false;
    w->Timer1->stop();
    w->Timer2->stop();
    w.reset();
    board::sim::InstallHardwareBus();  // the library's own bus for the tests that follow
  }
  // The menu's entry for spec; the instruments' scan runs beside the
  // window, so the menu is filled again until it is over (bounded).
  QAction* Entrada(const char* spec) {
    QElapsedTimer reloj;
    reloj.start();
    for (;;) {
      w->LlenaMenuDeFuente();
      for (QAction* a : w->MenuDeFuente->menu()->actions())
        if (a->property("Spec").toString() == QLatin1String(spec)) return a;
      bool pendiente = false;
      Fuentes().OpcionesSinEspera(2, &pendiente);
      if (!pendiente || reloj.elapsed() > 10000) return nullptr;
      QTest::qWait(20);
    }
  }
  // Runs the event loop until `hecho` (bounded).
  template <typename F>
  bool Espera(F hecho) {
    QElapsedTimer reloj;
    reloj.start();
    while (!hecho() && reloj.elapsed() < 10000) QTest::qWait(5);
    return hecho();
  }
  std::unique_ptr<Oscil> w;
};

TEST_F(WindowSource, SimulatedBoardChosenFromTheMenuReachesTheReadouts) {
  EXPECT_EQ(w->FuenteActual(), "demo");
  board::sim::InstallEmptyBus();  // nothing to identify before the choice
  QAction* sim = Entrada("sim:ktr5");
  ASSERT_NE(sim, nullptr);
  EXPECT_FALSE(sim->isChecked());
  sim->trigger();

  EXPECT_EQ(w->FuenteActual(), "sim:ktr5");
  EXPECT_FALSE(w->Osciloscopio1().ModoDemo());
  EXPECT_TRUE(board::sim::SimulatedBoardInstalled());
  EXPECT_NE(ProgramaGlobal().TipoDePlaca, 0);  // the board on the new bus identified
  EXPECT_EQ(w->windowTitle().toStdString(), "Orva Plenar Oscilloscope - placa simulada ktr5");
  EXPECT_TRUE(Entrada("sim:ktr5")->isChecked());

  // A level the demonstration generator never gives: 1.5 V on channel 1 at
  // 0.5 V/div (96 codes above the centre), captures ending at once.
  board::sim::Signal dc;
  dc.kind = board::sim::Signal::Kind::kDc;
  dc.offset = 1.5;
  board::sim::SetSignal(1, dc);
  board::sim::SetInstantCaptures(true);
  w->PonGanancia(1, 6);
  w->Command1_Click();
  w->Timer1->stop();
  w->Timer2->stop();
  // The first capture is programmed once the first wait for its end runs
  // out (the timebase's estimated time): passes until three were read.
  QElapsedTimer reloj;
  reloj.start();
  const long long antes = w->CapturasLeidas();
  w->RunPasses(1000000, [&] { return w->CapturasLeidas() - antes >= 3 || reloj.elapsed() > 5000; });
  EXPECT_GE(w->CapturasLeidas() - antes, 3);
  EXPECT_EQ(w->datos(1)->text().toStdString(), scope::FormatoVoltios(1.5f));

  // Back to the demonstration generator: its caption, no board.
  Entrada("demo")->trigger();
  EXPECT_TRUE(w->Osciloscopio1().ModoDemo());
  EXPECT_EQ(w->windowTitle().toStdString(), "Orva Plenar Oscilloscope -  DEMO MODE");
}

TEST_F(WindowSource, BadSpecChangesNothingAndSaysWhyOnOneLine) {
  std::string error;
  EXPECT_FALSE(w->EligeFuente("sim:ktr7", &error));
  EXPECT_NE(error.find("ktr7"), std::string::npos) << error;
  EXPECT_EQ(w->FuenteActual(), "demo");
  EXPECT_TRUE(w->Osciloscopio1().ModoDemo());
}

TEST_F(WindowSource, LibsigrokDeviceChosenFromTheMenuAndLeftForAnother) {
  QAction* demo = Entrada("sigrok:demo");
  if (demo == nullptr) GTEST_SKIP() << "no libsigrok demonstration device in this build";
  // The device is opened on a thread of its own: the menu returns at once
  // and the status line says so; the window takes the device when it is open.
  demo->trigger();
  EXPECT_TRUE(w->Aviso->text().startsWith("Abriendo sigrok:demo")) << w->Aviso->text().toStdString();
  EXPECT_EQ(w->FuenteActual(), "demo");
  ASSERT_TRUE(Espera([&] { return w->FuenteActual() == "sigrok:demo"; }));
  // It has no input range, coupling or trigger of its own (the window
  // speaks Spanish by default).
  EXPECT_TRUE(w->Aviso->text().endsWith("ganancia: por programa; acoplamiento: por programa; disparo: por programa"))
      << w->Aviso->text().toStdString();
  ASSERT_NE(w->InstrumentoSigrok(), nullptr);
  EXPECT_FALSE(w->Osciloscopio1().ModoDemo());
  EXPECT_EQ(w->Osciloscopio1().FuenteDeFlujo(), w->InstrumentoSigrok());
  EXPECT_EQ(w->DescripcionDeFuente(2), "libsigrok instrument " + w->InstrumentoSigrok()->Description());
  EXPECT_TRUE(Entrada("sigrok:demo")->isChecked());

  // A driver libsigrok lacks: the open device is let go first, the window
  // falls back on the demonstration generator and says why on one line.
  std::string error;
  EXPECT_FALSE(w->EligeFuente("sigrok:no-such-driver", &error));
  EXPECT_NE(error.find("no-such-driver"), std::string::npos) << error;
  EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  EXPECT_EQ(w->FuenteActual(), "demo");
  EXPECT_EQ(w->InstrumentoSigrok(), nullptr);
  EXPECT_EQ(w->Osciloscopio1().FuenteDeFlujo(), nullptr);
  EXPECT_TRUE(w->Osciloscopio1().ModoDemo());

  // The same from the menu's thread: the status line says why.
  w->AbreInstrumentoSigrok("sigrok:no-such-driver");
  ASSERT_TRUE(Espera([&] { return w->Aviso->text().contains("no-such-driver") && !w->Aviso->text().startsWith("Abriendo"); }));
  EXPECT_EQ(w->FuenteActual(), "demo");
}

}  // namespace
}  // namespace orva::mainwindow::testing
