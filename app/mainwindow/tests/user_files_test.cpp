// The user's files: which folder they go to, the status line after every file
// operation of the window, and the calibration commands as they stand after
// start-up.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QToolButton>

#include <functional>
#include <string>

#include "orva/file_dialog.h"
#include "orva/mainwindow/bdatos.h"
#include "orva/mainwindow/carpetas.h"
#include "window_fixture.h"

namespace orva::mainwindow::testing {
namespace {

std::string S(const QString& s) { return s.toStdString(); }

TEST(UserFolders, FilesGoToAWritableProgramFolderElseToTheDocuments) {
  QTemporaryDir dir;
  App();
  QStandardPaths::setTestModeEnabled(true);
  const std::string documentos =
      S(QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).filePath("OrvaScope"));
  struct Case {
    std::string programa, esperada;
  };
  const Case cases[] = {
      {S(dir.path()), S(dir.path())},                  // a build tree, an unpacked copy
      {"/usr/bin", documentos},                        // installed: never the system's folder
      {S(dir.filePath("not/there")), documentos},      // no folder to write into
  };
  for (const Case& c : cases) EXPECT_EQ(CarpetaDeUsuario(c.programa), c.esperada) << c.programa;
  QStandardPaths::setTestModeEnabled(false);

  // Bare names go into the folder; names with a folder part stay as given.
  EXPECT_EQ(EnCarpeta("a.mdb", "/f"), "/f/a.mdb");
  EXPECT_EQ(EnCarpeta("./a.mdb", "/f"), "./a.mdb");
  EXPECT_EQ(EnCarpeta("/x/a.mdb", "/f"), "/x/a.mdb");
  // The folder is made on first use, parents included.
  EXPECT_TRUE(CreaCarpeta(S(dir.filePath("a/b"))));
  EXPECT_TRUE(QFileInfo(dir.filePath("a/b")).isDir());
}

TEST(UserFolders, StartUpCalibrationValuesStandForTheBoardFolder) {
  QTemporaryDir dir;
  App();
  const std::string placa = S(dir.filePath("KTR-5 ISA"));
  for (const char* arranque : {"0", ""}) {
    EXPECT_EQ(CarpetaDeCal(arranque, placa), placa);
    // The board folder is made in a writable data folder.
    EXPECT_EQ(CarpetaDeCal2(arranque, placa), placa);
  }
  EXPECT_EQ(CarpetaDeCal("/mine", placa), "/mine");
  EXPECT_EQ(CarpetaDeCal2("/mine", placa), "/mine");
  // A board folder that cannot be made: the per-user data folder, by board.
  QStandardPaths::setTestModeEnabled(true);
  const QString datos = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  EXPECT_EQ(CarpetaDeCal2("0", "/nowhere/KTR-5 ISA"), S(QDir(datos).filePath("OrvaScope/KTR-5 ISA")));
  QStandardPaths::setTestModeEnabled(false);
}

// The window with its file dialog answered by the test.
class UserFiles : public WindowTest {
 protected:
  void SetUp() override {
    dialogo = respuesta;
    WindowTest::SetUp();
    w->MuestraBdatos = [this](bdatos& d) {
      d.show();
      if (d.modo_bd == 1) {
        d.PonCarpeta(QFileInfo(abrir).path());
        for (int i = 0; i < d.File1->count(); ++i)
          if (d.File1->item(i)->text() == QFileInfo(abrir).fileName()) d.File1->setCurrentRow(i);
      }
      d.aceptar_boton->click();
      d.close();
    };
  }
  // Runs the command with the file dialog answering `file`; the status line.
  QString Run(const QString& file, const std::function<void()>& command) {
    respuesta->Answer(S(file));
    abrir = file;
    command();
    return w->TextoDelAviso();
  }
  void Button(const char* key) { w->ToolbarButton(key)->trigger(); }
  void Entry(const char* button, int entry) { w->ToolbarButton(button)->menu()->actions().at(entry)->trigger(); }

  QTemporaryDir dir;
  QString abrir;  // the file the browser selects in open mode
  std::shared_ptr<filedialog::AnsweringDialog> respuesta = std::make_shared<filedialog::AnsweringDialog>();
};

TEST_F(UserFiles, EveryFileOperationSaysWhatItDidOrWhyNot) {
  PowerOnBoard();
  Passes(2);
  const QString senal = dir.filePath("s.mdb"), config = dir.filePath("c.mdb"), csv = dir.filePath("t.csv");
  const QString nada = dir.filePath("no/such/folder/x.mdb");
  QFile basura(dir.filePath("basura.mdb"));
  ASSERT_TRUE(basura.open(QIODevice::WriteOnly));
  basura.write("not a database at all");
  basura.close();
  struct Case {
    const char* what;
    QString file;
    std::function<void()> command;
    QString said;  // the whole status line, Spanish
  };
  const Case cases[] = {
      {"store", senal, [&] { Entry("guardar", 0); }, "Señal guardada en " + senal},
      {"open", senal, [&] { Button("abrir"); }, "Señal cargada de " + senal},
      {"save config", config, [&] { Button("GuardarConfig"); }, "Configuración guardada en " + config},
      {"load config", config, [&] { Button("AbrirConfig"); }, "Configuración cargada de " + config},
      {"export", csv, [&] { Entry("guardar", 3); }, "Trazas exportadas a " + csv},
      {"store nowhere", nada, [&] { Entry("guardar", 1); },
       "No se puede guardar la señal en " + nada + ": la carpeta no existe"},
      {"config nowhere", nada, [&] { Button("GuardarConfig"); },
       "No se puede guardar la configuración en " + nada + ": la carpeta no existe"},
      {"export nowhere", nada, [&] { Entry("guardar", 3); },
       "No se pueden exportar las trazas a " + nada + ": la carpeta no existe"},
      {"damaged config", basura.fileName(), [&] { Button("AbrirConfig"); },
       "No se puede cargar la configuración de " + basura.fileName() +
           ": el fichero está dañado o tiene valores no válidos"},
      {"config as signal", config, [&] { Button("abrir"); },
       "No se puede cargar la señal de " + config + ": no es un fichero de señal de este programa"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(S(Run(c.file, c.command)), S(c.said));
  }
  // A cancelled dialog leaves the line as it was.
  const QString before = w->TextoDelAviso();
  respuesta->Cancel();
  Button("GuardarConfig");
  EXPECT_EQ(w->TextoDelAviso(), before);
}

TEST_F(UserFiles, CalibrationCommandsWorkFromTheStartUpSettings) {
  // Start-up leaves both folders at their stored start-up value.
  ASSERT_EQ(O().PathCal(), "0");
  ASSERT_EQ(O().PathCal2(), "0");
  const QString placa = QString::fromStdString(O().path());
  const QString cal2 = QDir(placa).filePath("cal2.dat");
  const bool existia = QFileInfo::exists(cal2);
  w->Calibracion->menu()->actions().at(0)->trigger();
  EXPECT_EQ(S(w->TextoDelAviso()), S("Segundo fichero de calibración guardado: " + cal2));
  EXPECT_EQ(QFileInfo(cal2).size(), 220);
  if (!existia) QFile::remove(cal2);
  // The load reads the board folder's cal.dat.
  w->Calibracion->menu()->actions().at(1)->trigger();
  const QString cal = QDir(placa).filePath("cal.dat");
  if (QFileInfo::exists(cal))
    EXPECT_EQ(S(w->TextoDelAviso()), S("Calibración cargada de " + cal));
  else
    EXPECT_EQ(S(w->TextoDelAviso()), S("No se puede abrir " + cal + ": el fichero no existe"));
  // The stored settings keep their values.
  EXPECT_EQ(O().PathCal(), "0");
  EXPECT_EQ(O().PathCal2(), "0");
}

}  // namespace
}  // namespace orva::mainwindow::testing
