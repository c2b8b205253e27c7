// The window's stores: made at start-up on the program folder, and a
// configuration load pressing the front panel's own controls.
#include <QCheckBox>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTimer>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include "orva/file_dialog.h"
#include "orva/storage/bd_config.h"
#include "orva/storage/bd_signal.h"
#include "window_fixture.h"

namespace orva::mainwindow::testing {
namespace {

using StoresTest = WindowTest;

TEST_F(StoresTest, StartUpMakesBothStoresOnTheProgramFolder) {
  const std::string folder = QCoreApplication::applicationDirPath().toStdString();
  const auto& senales = ProgramaGlobal().AlmacenDeSenales;
  ASSERT_NE(senales, nullptr);
  EXPECT_EQ(senales->PathSignals(), folder);
  EXPECT_EQ(senales->Instrumento(), "OrvaScope.exe");
  ASSERT_NE(w->AlmacenDeConfiguracion(), nullptr);
  EXPECT_EQ(w->AlmacenDeConfiguracion()->PathConfigs(), folder);
  w.reset();  // the program-wide store goes with its window
  EXPECT_EQ(ProgramaGlobal().AlmacenDeSenales, nullptr);
  SetUp();  // a window again for the fixture's tear-down
}

TEST_F(StoresTest, ALoadedConfigurationPressesTheFrontPanel) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  auto dialog = std::make_shared<filedialog::AnsweringDialog>(dir.filePath("KtrConfig.mdb").toStdString());
  storage::BDConfig& store = *w->AlmacenDeConfiguracion();
  store.Dialogo(dialog);

  O().AcoplamientoCanal1(0);
  O().Canal2Activo(false);
  O().Flanco(1);
  O().CanalDisparo(2);
  O().promediado(8);
  O().ModoXY(true);
  w->ContCursor(2)->setChecked(true);  // saved from the box itself
  ASSERT_TRUE(store.GuardarConfiguracion().Done());

  // Back to the start-up panel, then the file.
  O().AcoplamientoCanal1(1);
  w->CouplingDC(1)->setChecked(true);
  w->CouplingGND(1)->setChecked(false);
  w->ContCursor(2)->setChecked(false);
  O().promediado(1);
  ASSERT_TRUE(store.CargarConfiguracion().Done());
  EXPECT_TRUE(w->CouplingGND(1)->isChecked());
  EXPECT_FALSE(w->CouplingDC(1)->isChecked());
  EXPECT_TRUE(w->CouplingDC(2)->isChecked());
  EXPECT_TRUE(w->ChanSelected(1)->isChecked());
  EXPECT_FALSE(w->ChanSelected(2)->isChecked());
  EXPECT_TRUE(w->ContCursor(2)->isChecked());
  EXPECT_TRUE(w->Slope->isChecked());
  EXPECT_EQ(w->TrigChanDisplay(1)->text(), "2");
  EXPECT_TRUE(w->promediado(3)->isChecked());
  EXPECT_FALSE(w->promediado(0)->isChecked());
  // The XY box's own handler ran: the spectrum panel shows the XY caption.
  EXPECT_TRUE(w->XYCommand->isChecked());
  EXPECT_EQ(w->Label6->text(), "Modo XY");
  EXPECT_EQ(O().promediado(), 8);
  EXPECT_EQ(O().AcoplamientoCanal1(), 0);
}

TEST_F(StoresTest, TheWindowsFileDialogIsSetUpAsTheStoreAsks) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  storage::BDConfig& store = *w->AlmacenDeConfiguracion();
  QStringList filters;
  QString suffix, folder;
  bool seen = false;
  // The dialog is modal: answer it from the event loop it runs.
  QTimer::singleShot(0, [&] {
    auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (d == nullptr) return;
    seen = true;
    filters = d->nameFilters();
    suffix = d->defaultSuffix();
    folder = d->directory().absolutePath();
    d->selectFile(dir.filePath("bench"));  // typed without its extension
    static_cast<QDialog*>(d)->accept();  // QFileDialog::accept, which takes the typed name
  });
  ASSERT_TRUE(store.GuardarConfiguracion().Done());
  EXPECT_TRUE(seen);
  EXPECT_EQ(filters, QStringList{"(*.mdb)"});
  EXPECT_EQ(suffix, "mdb");
  EXPECT_EQ(folder, QDir(QCoreApplication::applicationDirPath()).absolutePath());  // PathConfigs
  EXPECT_TRUE(QFile::exists(dir.filePath("bench.mdb")));

  // A cancelled dialog saves nothing.
  QTimer::singleShot(0, [] {
    if (auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) d->reject();
  });
  EXPECT_EQ(store.GuardarConfiguracion().status, storage::Outcome::Status::kCancelled);
}

// The save menu's export: the window's own file dialog, the format from the
// chosen name, the shown channels in volts of their scale.
TEST_F(StoresTest, ExportAsksTheWindowsDialogAndWritesTheChosenFormat) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  board->canal1 = 160;  // one division up: 5 V at 5 V/div
  PowerOnBoard();
  Passes(3);
  QStringList filters;
  for (const char* typed : {"traces", "traces.WAV"}) {
    QTimer::singleShot(0, [&, typed] {
      auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (d == nullptr) return;
      filters = d->nameFilters();
      d->selectFile(dir.filePath(typed));
      static_cast<QDialog*>(d)->accept();
    });
    if (std::string_view(typed) == "traces") {
      // Through the save menu's entry, which names the file on the status line.
      QAction* entrada = w->findChild<QAction*>("exportar");
      ASSERT_NE(entrada, nullptr);
      entrada->trigger();
      ASSERT_TRUE(w->Aviso->text().endsWith(dir.filePath("traces.csv"))) << w->Aviso->text().toStdString();
    } else {
      ASSERT_TRUE(w->ExportaTrazas().Done()) << typed;
    }
  }
  EXPECT_EQ(filters, (QStringList{"CSV (*.csv)", "WAV (*.wav)"}));
  QFile csv(dir.filePath("traces.csv"));
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly | QIODevice::Text));
  const QStringList lines = QString::fromUtf8(csv.readAll()).split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 769);
  EXPECT_EQ(lines[0], "time (s),ch1 (V),ch2 (V)");
  EXPECT_TRUE(lines[300].endsWith(",5,0")) << lines[300].toStdString();
  QFile wav(dir.filePath("traces.WAV"));
  ASSERT_TRUE(wav.open(QIODevice::ReadOnly));
  EXPECT_TRUE(wav.read(4) == "RIFF");
  // The XY view's vectors are not time traces.
  O().ModoXY(true);
  Passes(1);
  EXPECT_EQ(w->ExportaTrazasA(dir.filePath("xy.csv").toStdString(), Oscil::FormatoDeExportacion::kCsv).status,
            storage::Outcome::Status::kRefused);
  w->findChild<QAction*>("exportar")->trigger();  // refused at once: no dialog
  EXPECT_TRUE(w->Aviso->text().contains("la vista XY está activa")) << w->Aviso->text().toStdString();
}

}  // namespace
}  // namespace orva::mainwindow::testing
