// The tool bar's commands through its real actions, the calibration requests,
// the language at start-up and the help.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>

#include <cstdlib>
#include <string>

#include "mensajes/mens.h"
#include "orva/file_dialog.h"
#include "orva/localisation/idioma.h"
#include "orva/mainwindow/ayuda.h"
#include "orva/mainwindow/bdatos.h"
#include "orva/storage/bd_config.h"
#include "orva/storage/bd_signal.h"
#include "window_fixture.h"

namespace orva::mainwindow::testing {
namespace {

using Toolbar = WindowTest;

QAction* MenuEntry(Oscil& w, const char* button, int entry) {
  return w.ToolbarButton(button)->menu()->actions().at(entry);
}

TEST_F(Toolbar, MathButtonsExcludeEachOtherAndReleaseToTheChannels) {
  PowerOnBoard();
  w->ToolbarButton("c1-c2")->trigger();
  w->ToolbarButton("suma")->trigger();
  EXPECT_TRUE(w->ToolbarPressed("suma"));
  EXPECT_FALSE(w->ToolbarPressed("c1-c2"));
  EXPECT_FALSE(w->ToolbarPressed("c2-c1"));
  w->ToolbarButton("c2-c1")->trigger();
  EXPECT_FALSE(w->ToolbarPressed("suma"));
  w->ToolbarButton("c2-c1")->trigger();  // released: none, the channels are drawn again
  for (const char* k : {"suma", "c1-c2", "c2-c1"}) EXPECT_FALSE(w->ToolbarPressed(k)) << k;
  board->canal1 = 160;
  Passes(3);
  EXPECT_GT(CountColour(w->Picture1, w->ColorCanal1), 0);
}

TEST_F(Toolbar, EveryClickReappliesBothInversions) {
  O().Canal1Invertido(true);  // set behind the buttons' back
  w->ToolbarButton("borrar")->trigger();
  EXPECT_FALSE(O().Canal1Invertido());
  w->ToolbarButton("invb")->trigger();
  EXPECT_TRUE(O().Canal2Invertido());
  O().Canal2Invertido(false);
  w->ToolbarButton("copiar_num")->trigger();  // a button without a command of its own
  EXPECT_TRUE(O().Canal2Invertido());
}

TEST_F(Toolbar, EraseWithoutReferenceOnlyHidesTheLabels) {
  w->DT->show();
  w->DG->show();
  w->ToolbarButton("borrar")->trigger();
  EXPECT_FALSE(O().CanalDActivo());
  EXPECT_FALSE(w->DT->isVisible());
  EXPECT_FALSE(w->DG->isVisible());
}

TEST_F(Toolbar, RequestsOfButtonsAndMenuEntriesWaitWhileOffAndAreServedOnce) {
  struct Case {
    QAction* action;
    bool Oscil::*flag;
  };
  w->ToolbarButton("copiar_num")->trigger();  // the button itself asks nothing
  EXPECT_FALSE(w->CopiarCanal1Pedido || w->CopiarCanal2Pedido);
  EXPECT_TRUE(w->Aviso->text().isEmpty());
  const Case cases[] = {
      {w->ToolbarButton("copiar"), &Oscil::CopiarPantallaPedido},
      {w->ToolbarButton("imprimir"), &Oscil::ImprimirPedido},
      {MenuEntry(*w, "copiar_num", 0), &Oscil::CopiarCanal1Pedido},
      {MenuEntry(*w, "copiar_num", 1), &Oscil::CopiarCanal2Pedido},
  };
  for (const Case& c : cases) {
    c.action->trigger();
    EXPECT_TRUE((*w).*c.flag) << c.action->objectName().toStdString();
    EXPECT_TRUE(w->Aviso->text().startsWith("En espera")) << w->Aviso->text().toStdString();
    EXPECT_TRUE(w->Aviso->text().contains(w->ToolbarButton("imprimir")->toolTip()) ||
                c.flag != &Oscil::ImprimirPedido);
  }
  PowerOnBoard();
  Passes(2);
  for (const Case& c : cases) EXPECT_FALSE((*w).*c.flag);
  EXPECT_TRUE(w->Aviso->text().isEmpty());
  EXPECT_FALSE(clipboard->text.empty());
}

TEST_F(Toolbar, PrintRequestedWhileOffIsPrintedAtTheFirstDrawing) {
  QTemporaryDir dir;
  pdf = dir.filePath("page.pdf").toStdString();
  board->canal1 = 160;  // one division above the centre
  PowerOnBoard();
  Passes(3);
  w->Command1_Click();  // off: the request waits, with the last capture kept
  w->ToolbarButton("imprimir")->trigger();
  EXPECT_TRUE(w->ImprimirPedido);
  EXPECT_FALSE(w->Aviso->text().isEmpty());
  PowerOnBoard();
  Passes(1);
  ASSERT_EQ(printers_made, 1);
  const QString stem = dir.filePath("page");
  ASSERT_EQ(QProcess::execute("pdftoppm", {"-png", "-r", "72", "-singlefile",
                                           QString::fromStdString(pdf), stem}), 0);
  const QImage page(stem + ".png");
  ASSERT_FALSE(page.isNull());
  EXPECT_GT(page.width(), page.height());  // landscape
  // Channel 1 in its print colour in the upper half, the text block below it.
  int blue_top = 0, dark_bottom = 0;
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x) {
      const QColor c = page.pixelColor(x, y);
      if (y < page.height() / 2 && c.blue() > 150 && c.red() < 100 && c.green() < 100) ++blue_top;
      if (y > page.height() * 3 / 4 && c.lightness() < 160) ++dark_bottom;
    }
  EXPECT_GT(blue_top, 10);
  EXPECT_GT(dark_bottom, 10);
}

TEST_F(Toolbar, FreezeStopsTheLoopAndReleaseRunsItAgainOnlyWhileOn) {
  w->ToolbarButton("foto")->trigger();  // off: no effect on the loop
  EXPECT_FALSE(w->BucleActivo);
  w->ToolbarButton("foto")->trigger();
  EXPECT_FALSE(w->BucleActivo);
  PowerOnBoard();
  w->BucleActivo = true;
  w->ToolbarButton("foto")->trigger();  // pressed: frozen
  EXPECT_FALSE(w->BucleActivo);
  const int before = board->programmings;
  // Released: the loop runs from the click until it is stopped again.
  QTimer::singleShot(50, w.get(), [this] { w->BucleActivo = false; });
  w->ToolbarButton("foto")->trigger();
  EXPECT_GT(board->programmings, before);
  EXPECT_TRUE(w->Timer1->isActive());
}

TEST_F(Toolbar, CalibrationRequestsSaveLoadOrDoNothing) {
  QTemporaryDir dir;
  O().PathCal2(dir.path().toStdString());
  O().PathCal(dir.path().toStdString());  // holds no cal.dat
  w->PeticionDeCalibracion(0);
  EXPECT_EQ(QFileInfo(dir.filePath("cal2.dat")).size(), 220);
  EXPECT_TRUE(w->Aviso->text().contains(dir.filePath("cal2.dat")));
  w->PeticionDeCalibracion(1);
  EXPECT_TRUE(w->Aviso->text().startsWith("No se puede abrir")) << w->Aviso->text().toStdString();
  const QString said = w->Aviso->text();
  QFile::remove(dir.filePath("cal2.dat"));
  w->PeticionDeCalibracion(2);
  EXPECT_EQ(w->Aviso->text(), said);
  EXPECT_FALSE(QFileInfo::exists(dir.filePath("cal2.dat")));
  // The calibration menu raises code 0.
  w->Calibracion->menu()->actions().at(0)->trigger();
  EXPECT_TRUE(QFileInfo::exists(dir.filePath("cal2.dat")));
}

TEST_F(Toolbar, HelpOpensTheManualOrSaysWhichFileIsMissing) {
  w->ToolbarButton("ayuda")->trigger();
  ASSERT_NE(w->Ayuda(), nullptr);
  EXPECT_TRUE(w->Ayuda()->isVisible());
  EXPECT_TRUE(QString::fromStdString(w->Ayuda()->Fichero()).endsWith("1.hlp"));
  EXPECT_TRUE(w->Ayuda()->Texto()->toPlainText().contains("Panel frontal"));
  w->Ayuda()->close();

  localisation::SetHelpFile("/nowhere/nothing1.hlp");
  QTest::keyClick(w.get(), Qt::Key_F1);
  auto* caja = w->findChild<QMessageBox*>("SinAyuda");
  ASSERT_NE(caja, nullptr);
  EXPECT_TRUE(caja->text().contains("nothing1.hlp"));
  caja->close();
}

TEST_F(Toolbar, StoreCommandsSaveAndLoadThroughTheBrowserAndTheFileDialog) {
  QTemporaryDir dir;
  auto dialog = std::make_shared<filedialog::AnsweringDialog>(dir.filePath("s.mdb").toStdString());
  ProgramaGlobal().AlmacenDeSenales->Dialogo(dialog);
  w->AlmacenDeConfiguracion()->Dialogo(dialog);
  board->canal2 = 160;
  PowerOnBoard();
  Passes(3);
  // The browser accepted as it opens: saving "Nueva", then opening the file.
  w->MuestraBdatos = [&](bdatos& d) {
    d.show();
    if (d.modo_bd == 1) {
      d.PonCarpeta(dir.path());
      d.File1->setCurrentRow(0);
    }
    d.aceptar_boton->click();
  };
  MenuEntry(*w, "guardar", 1)->trigger();  // channel 2
  ASSERT_TRUE(QFileInfo::exists(dir.filePath("s.mdb")));
  EXPECT_EQ(ProgramaGlobal().AlmacenDeSenales->Nombre(), "Nueva");
  w->ToolbarButton("abrir")->trigger();
  EXPECT_TRUE(O().CanalDActivo());
  EXPECT_NEAR(O().VDisk().at(10), 160.0f, 0.01f);

  dialog->Answer(dir.filePath("c.mdb").toStdString());
  O().promediado(8);
  w->ToolbarButton("GuardarConfig")->trigger();
  O().promediado(1);
  w->ToolbarButton("AbrirConfig")->trigger();
  EXPECT_EQ(O().promediado(), 8);
  EXPECT_TRUE(w->promediado(3)->isChecked());
}

// Start-up in each language: the window's captions, tool tips, menus, the help
// file name and the messages control's address flag.
TEST(ToolbarLanguage, StartUpPutsTheWindowIntoTheChosenLanguage) {
  struct Case {
    const char* env;  // ORVA_LANGUAGE, null: unset
    int idioma;
    const char* abrir;     // tool tip of "abrir" (text 14)
    const char* canal1;    // first "guardar" entry (text 47)
    const char* cursores;  // the cursor group's title (text 26)
    const char* placa;     // the window's own: Command3, the link's state
    const char* apagado;
  };
  const Case cases[] = {
      {nullptr, 1, "Carga señal de disco", "Canal 1", "Cursores", "Estación con placa", "apagado"},
      {"ca", 0, "Carrega senyal de disc", "Canal 1", "Cursors", "Estació amb placa", "apagat"},
      {"2", 2, "Load signal from disk", "Channel 1", "Cursors", "Board station", "off"},
      {"fr", 3, "Charger signal depuis disque", "Voie 1", "Curseurs", "Station avec carte", "arrêt"},
  };
  App();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.idioma);
    if (c.env != nullptr) setenv("ORVA_LANGUAGE", c.env, 1);
    else unsetenv("ORVA_LANGUAGE");
    OscilOptions options;
    options.instrumento = std::make_unique<scope::Osciloscopio>(
        std::make_unique<FakeBoard>(std::make_shared<Board>()), [] { return 0.0; });
    Oscil w(std::move(options));
    w.Form_Load();
    unsetenv("ORVA_LANGUAGE");
    EXPECT_EQ(ProgramaGlobal().IdiomaActual, c.idioma);
    EXPECT_EQ(w.ToolbarButton("abrir")->toolTip().toStdString(), c.abrir);
    EXPECT_EQ(MenuEntry(w, "guardar", 0)->text().toStdString(), c.canal1);
    bool titled = false;
    for (auto* g : w.findChildren<QGroupBox*>()) titled |= g->title() == QString::fromUtf8(c.cursores);
    EXPECT_TRUE(titled);
    EXPECT_EQ(w.Command3->text().toStdString(), c.placa);
    EXPECT_EQ(w.EstadoEnlace->text().toStdString(), c.apagado);
    EXPECT_TRUE(QString::fromStdString(localisation::HelpFile())
                    .endsWith(QString::number(c.idioma) + ".hlp"));
    EXPECT_TRUE(BuscaAyuda(localisation::HelpFile(), ProgramaGlobal().RutaAplicacion).has_value());
    EXPECT_EQ(w.Mens1().CorrectaDireccionIO(), hosting::PropertyValue(std::int64_t{1}));
    w.Timer2->stop();
  }
}

}  // namespace
}  // namespace orva::mainwindow::testing
