// The signal browser as the tool bar opens it: previews of stored and foreign
// files, save mode of a channel, accepting and cancelling, the place and
// folder lists, deleting.
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "orva/dao.h"
#include "orva/file_dialog.h"
#include "orva/mainwindow/bdatos.h"
#include "orva/storage/bd_signal.h"
#include "orva/storage/esquema.h"
#include "window_fixture.h"

namespace orva::mainwindow::testing {
namespace {

struct Senal {
  std::string instrumento = "OrvaScope.exe";
  std::string tipo = "Signal";
  std::string ganancia = "1V/div";
  std::vector<double> voltios;
};

// A signal file as the store writes one: the template, then one row of
// "Config" and "Parameters" and one "Data" row per value.
void Escribe(const QString& fichero, const Senal& s) {
  const std::string carpeta = QFileInfo(fichero).absolutePath().toStdString();
  storage::EscribePlantilla(storage::PlantillaSenal(), carpeta);
  std::filesystem::copy_file(carpeta + "/ModelSignal.mdx", fichero.toStdString(),
                             std::filesystem::copy_options::overwrite_existing);
  dao::Database db = dao::DBEngine().OpenDatabase(fichero.toStdString());
  db.BeginTrans();
  {
    dao::Recordset rs = db.OpenRecordset("Config");
    rs.AddNew();
    rs.SetField("Instrument", s.instrumento);
    rs.SetField("Type", s.tipo);
    rs.Update();
  }
  {
    dao::Recordset rs = db.OpenRecordset("Parameters");
    rs.AddNew();
    const std::pair<const char*, std::string> campos[] = {
        {"Gain", s.ganancia}, {"Coupling", "AC"}, {"TimeBase", "1ms/Div"}, {"Name", "Prueba"},
        {"Description", "sierra"}, {"Comment", "banco 3"}, {"Date", "01/02/24"}};
    for (const auto& [campo, valor] : campos) rs.SetField(campo, valor);
    rs.Update();
  }
  {
    dao::Recordset rs = db.OpenRecordset("Data");
    for (double v : s.voltios) {
      rs.AddNew();
      rs.SetField(0, dao::Value(v));
      rs.Update();
    }
  }
  db.CommitTrans();
}

bool Selecciona(bdatos& d, const QString& nombre) {
  const QList<QListWidgetItem*> items = d.File1->findItems(nombre, Qt::MatchExactly);
  if (items.isEmpty()) return false;
  d.File1->setCurrentItem(items.first());
  return true;
}

std::vector<QString> Textos(const bdatos& d) {
  return {d.Text1->text(),         d.Text4->text(),         d.Text6->text(),
          d.Text7->text(),         d.base_de_tiempos_text->text(), d.amplitud_text->text(),
          d.acoplamiento_text->text()};
}

// Rows of the picture holding the colour.
std::set<int> Filas(PictureBox* p, QRgb color) {
  std::set<int> filas;
  const QImage img = p->Image();
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if ((img.pixel(x, y) | 0xFF000000u) == color) filas.insert(y);
  return filas;
}

const QRgb kCian = qRgb(0, 255, 255);

class Browser : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_TRUE(dir.isValid());
    Store().PathSignals(dir.path().toStdString());  // the lists start here
  }
  storage::BDSignal& Store() { return *ProgramaGlobal().AlmacenDeSenales; }
  QString File(const char* name) const { return dir.filePath(QLatin1String(name)); }
  QTemporaryDir dir;
};

TEST_F(Browser, PreviewShowsStoredSignalsAndNothingOfOtherFiles) {
  std::vector<double> sierra;
  for (int i = 0; i < 768; ++i) sierra.push_back((i % 64 - 32) / 32.0);  // -1 .. +1 V
  Senal mayusculas{.instrumento = "ORVASCOPE.EXE", .voltios = sierra};
  Senal configuracion{.tipo = "Instruments", .voltios = sierra};
  Escribe(File("a768.mdb"), Senal{.voltios = sierra});
  Escribe(File("b_div.mdb"), Senal{.ganancia = "1V/Div", .voltios = sierra});
  Escribe(File("c_case.mdb"), mayusculas);
  Escribe(File("d_config.mdb"), configuracion);
  QFile basura(File("e_damaged.mdb"));
  ASSERT_TRUE(basura.open(QIODevice::WriteOnly));
  basura.write(QByteArray(4096, '\x5a'));
  basura.close();

  bdatos d(O(), ProgramaGlobal().AlmacenDeSenales, w.get());
  d.show();
  const std::vector<QString> guardados = {"Prueba", "01/02/24", "sierra", "banco 3", "1ms/Div", "1V/div", "AC"};
  // A good file first: each later selection must empty what it showed.
  Selecciona(d, "a768.mdb");
  EXPECT_EQ(Textos(d), guardados);
  ASSERT_EQ(d.Trazo().size(), 767u);  // the 768th row is not drawn
  for (std::size_t i = 0; i < 767; ++i)
    ASSERT_NEAR(d.Trazo()[i], sierra[i] * 32 + 128, 1e-3) << i;
  EXPECT_GT(Filas(d.Picture1, kCian).size(), 20u);

  // "/Div" is not in the gain table: a flat line at the centre.
  Selecciona(d, "b_div.mdb");
  EXPECT_EQ(d.amplitud_text->text(), "1V/Div");
  ASSERT_EQ(d.Trazo().size(), 767u);
  for (float v : d.Trazo()) ASSERT_EQ(v, 128.0f);
  const std::set<int> filas = Filas(d.Picture1, kCian);
  ASSERT_EQ(filas.size(), 1u);
  EXPECT_NEAR(*filas.begin(), d.Picture1->height() / 2, 2);

  for (const char* nada : {"c_case.mdb", "d_config.mdb", "e_damaged.mdb"}) {
    SCOPED_TRACE(nada);
    Selecciona(d, "a768.mdb");
    ASSERT_TRUE(Selecciona(d, nada));
    EXPECT_EQ(Textos(d), std::vector<QString>(7));
    EXPECT_TRUE(d.Trazo().empty());
    EXPECT_TRUE(Filas(d.Picture1, kCian).empty());
  }
}

TEST_F(Browser, PreviewLeavesTheFileClosed) {
  Escribe(File("s.mdb"), Senal{.voltios = {0.5, -0.5}});
  bdatos d(O(), ProgramaGlobal().AlmacenDeSenales, w.get());
  d.show();
  ASSERT_TRUE(Selecciona(d, "s.mdb"));
  ASSERT_EQ(d.Trazo().size(), 2u);
  const std::filesystem::path fichero = std::filesystem::absolute(File("s.mdb").toStdString());
  for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code e;
    EXPECT_NE(std::filesystem::read_symlink(fd.path(), e), fichero);
  }
  // The file can be replaced, and read again.
  ASSERT_TRUE(QFile::remove(File("s.mdb")));
  Escribe(File("s.mdb"), Senal{.voltios = {1, 1, 1}});
  d.File1_Click();
  EXPECT_EQ(d.Trazo().size(), 3u);
}

// Plain SQLite: a file made by the statements.
void Crea(const QString& fichero, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(fichero.toStdString().c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  sqlite3_close(db);
}

TEST_F(Browser, CraftedFilesPreviewQuicklyAsOnePrintableLineOrNotAtAll) {
  const std::string tablas =
      "CREATE TABLE Config (Instrument TEXT, Type TEXT);"
      "INSERT INTO Config VALUES ('OrvaScope.exe', 'Signal');"
      "CREATE TABLE Parameters (Gain TEXT, Coupling TEXT, TimeBase TEXT, Name TEXT, Description TEXT,"
      " Comment TEXT, Date TEXT);";
  // Each row of Data would take seconds to read: the window must not wait for them.
  Crea(File("slow.mdb"), tablas +
                             "INSERT INTO Parameters VALUES ('1V/div', 'DC', '1ms/Div', 'n', '', '', '');"
                             "CREATE TABLE Data (Value FLOAT, Slow GENERATED ALWAYS AS"
                             " (instr(printf('%.*c', 1000000, 'a'), 'b')) VIRTUAL);"
                             "INSERT INTO Data (Value) VALUES (0.1), (0.2), (0.3), (0.4);");
  Crea(File("texts.mdb"), tablas +
                              "INSERT INTO Parameters VALUES ('1V/div', 'DC', '1ms/Div',"
                              " 'a' || char(27) || '[2J' || char(10) || 'b', '', '', '');"
                              "CREATE TABLE Data (Value FLOAT); INSERT INTO Data VALUES (0.25), (0.5);");
  bdatos d(O(), ProgramaGlobal().AlmacenDeSenales, w.get());
  d.show();
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(Selecciona(d, "slow.mdb"));
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 0.5);
  EXPECT_EQ(Textos(d), std::vector<QString>(7));
  EXPECT_TRUE(d.Trazo().empty());

  ASSERT_TRUE(Selecciona(d, "texts.mdb"));
  EXPECT_EQ(d.Text1->text(), QStringLiteral("a\\e[2J\\nb"));
  EXPECT_EQ(d.Trazo().size(), 2u);
}

TEST_F(Browser, SaveModeShowsTheChannelAndClosesOnlyOnASave) {
  board->canal1 = 96;
  board->canal2 = 160;  // one division above the centre
  O().GananciaCanal2(6);
  O().AcoplamientoCanal2(2);
  PowerOnBoard();
  Passes(3);
  storage::EscribePlantilla(storage::PlantillaSenal(), dir.path().toStdString());
  auto dialog = std::make_shared<filedialog::AnsweringDialog>();
  Store().Dialogo(dialog);
  dialog->Cancel();
  bool shown = false;
  w->MuestraBdatos = [&](bdatos& d) {
    shown = true;
    d.show();
    EXPECT_EQ(d.modo_bd, 0);
    EXPECT_EQ(d.Text1->text(), "Nueva");
    EXPECT_FALSE(d.Text1->isReadOnly());
    EXPECT_FALSE(d.Text4->text().isEmpty());
    EXPECT_EQ(d.amplitud_text->text().toStdString(), O().GananciaCanal2Texto());
    EXPECT_EQ(d.acoplamiento_text->text(), "AC");
    EXPECT_EQ(d.base_de_tiempos_text->text().toStdString(), O().BaseDeTiemposActualTexto());
    EXPECT_FALSE(d.eliminar_boton->isEnabled());
    EXPECT_EQ(d.aceptar_boton->text(), "Aceptar:");
    // Channel 2's trace as the one averaging step read it, drawn on 0..256.
    std::vector<float> canal2 = O().VCanal2MEM();
    canal2.resize(768);
    ASSERT_EQ(d.Trazo(), canal2);
    const float v = canal2[0];
    EXPECT_GT(v, 150);
    for (float c : d.Trazo()) ASSERT_EQ(c, v);
    const std::set<int> filas = Filas(d.Picture1, kCian);
    ASSERT_EQ(filas.size(), 1u);
    EXPECT_NEAR(*filas.begin(), d.Picture1->height() * (256 - v) / 256, 2);
    d.resize(900, d.height() + 40);
    QApplication::processEvents();
    EXPECT_EQ(d.width(), 6630 / 15);

    d.Text1->setText("Banco 3");
    d.aceptar_boton->click();  // save dialog cancelled: still open
    EXPECT_TRUE(d.isVisible());
    dialog->Answer(File("c2.mdb").toStdString());
    d.aceptar_boton->click();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Accepted);
  };
  w->ToolbarButton("guardar")->menu()->actions().at(1)->trigger();
  ASSERT_TRUE(shown);
  EXPECT_TRUE(QFileInfo::exists(File("c2.mdb")));
  EXPECT_EQ(Store().Nombre(), "Banco 3");
}

TEST_F(Browser, AcceptInOpenModeLoadsTheSelectedFileOnly) {
  Escribe(File("ref.mdb"), Senal{.voltios = {0.25, 0.25, 0.25}});
  QFile notes(File("notes.txt"));
  ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
  notes.close();
  Escribe(File("UPPER.MDB"), Senal{.voltios = {0}});
  w->MuestraBdatos = [&](bdatos& d) {
    d.show();
    EXPECT_EQ(d.modo_bd, 1);
    EXPECT_EQ(d.Carpeta(), QDir::cleanPath(dir.path()));
    ASSERT_EQ(d.File1->count(), 2);  // ".mdb" in any case, nothing else
    EXPECT_TRUE(d.Text1->isReadOnly());
    d.aceptar_boton->click();  // nothing chosen: nothing loaded, still open
    EXPECT_TRUE(d.isVisible());
    EXPECT_FALSE(O().CanalDActivo());
    ASSERT_TRUE(Selecciona(d, "ref.mdb"));
    d.aceptar_boton->click();
    EXPECT_FALSE(d.isVisible());
  };
  w->ToolbarButton("abrir")->trigger();
  EXPECT_TRUE(O().CanalDActivo());
  EXPECT_EQ(O().VDisk().size(), 3u);

  O().CanalDActivo(false);
  w->MuestraBdatos = [&](bdatos& d) {
    d.show();
    ASSERT_TRUE(Selecciona(d, "ref.mdb"));
    d.cancelar_boton->click();
    EXPECT_FALSE(d.isVisible());
  };
  w->ToolbarButton("abrir")->trigger();
  EXPECT_FALSE(O().CanalDActivo());
}

TEST_F(Browser, PlacesFoldersAndTheLanguageOfTheCaptions) {
  ASSERT_TRUE(QDir(dir.path()).mkpath("sub/deeper"));
  Escribe(File("sub/x.mdb"), Senal{.voltios = {0}});
  bdatos d(O(), ProgramaGlobal().AlmacenDeSenales, w.get());
  d.idioma_bd = 2;
  d.show();
  QStringList places;
  for (int i = 0; i < d.Drive1->count(); ++i) places << d.Drive1->itemData(i).toString();
  EXPECT_EQ(places.first(), QDir::cleanPath(QDir::homePath()));
  EXPECT_TRUE(places.contains(QDir::cleanPath(dir.path())));
  EXPECT_TRUE(places.contains("/"));
  EXPECT_EQ(places.removeDuplicates(), 0);

  // A subfolder entered from the folder list lists its files.
  const QList<QTreeWidgetItem*> sub = d.Dir1->findItems("sub", Qt::MatchExactly | Qt::MatchRecursive);
  ASSERT_EQ(sub.size(), 1);
  emit d.Dir1->itemActivated(sub.first(), 0);
  EXPECT_TRUE(d.Carpeta().endsWith("/sub"));
  EXPECT_EQ(d.File1->count(), 1);
  ASSERT_EQ(d.Dir1->findItems("deeper", Qt::MatchExactly | Qt::MatchRecursive).size(), 1);
  EXPECT_EQ(d.Drive1->currentData().toString(), QDir::cleanPath(dir.path()));  // its place
  // Choosing the shown place again leads back to its folder.
  d.Drive1->activated(d.Drive1->currentIndex());
  EXPECT_EQ(d.Carpeta(), QDir::cleanPath(dir.path()));
  d.Drive1->setCurrentIndex(static_cast<int>(places.indexOf("/")));
  d.Drive1->activated(d.Drive1->currentIndex());
  EXPECT_EQ(d.Carpeta(), "/");

  EXPECT_EQ(d.windowTitle(), "Signal Database");
  EXPECT_EQ(d.aceptar_boton->text(), "Ok:");
  EXPECT_EQ(d.eliminar_boton->text(), "Erase:");
  EXPECT_EQ(d.cancelar_boton->text(), "Cancel:");
  EXPECT_EQ(d.findChild<QLabel*>("Label_Text1")->text(), "Signal name:");
}

TEST_F(Browser, EraseDeletesTheSelectedFileOnlyWhenConfirmed) {
  Escribe(File("old.mdb"), Senal{.voltios = {0}});
  bdatos d(O(), ProgramaGlobal().AlmacenDeSenales, w.get());
  QString asked;
  bool answer = false;
  d.ConfirmaEliminar = [&](const QString& f) {
    asked = f;
    return answer;
  };
  d.show();
  d.eliminar_boton->click();  // nothing selected: nothing asked
  EXPECT_TRUE(asked.isEmpty());
  ASSERT_TRUE(Selecciona(d, "old.mdb"));
  d.eliminar_boton->click();
  EXPECT_EQ(QFileInfo(asked).fileName(), "old.mdb");
  EXPECT_TRUE(QFileInfo::exists(File("old.mdb")));
  answer = true;
  d.eliminar_boton->click();
  EXPECT_FALSE(QFileInfo::exists(File("old.mdb")));
  EXPECT_EQ(d.File1->count(), 0);
  EXPECT_TRUE(d.Text1->text().isEmpty());
}

}  // namespace
}  // namespace orva::mainwindow::testing
