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
  EXPECT_EQ(w->Label6->text(), "XY-Mode");
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

}  // namespace
}  // namespace orva::mainwindow::testing
