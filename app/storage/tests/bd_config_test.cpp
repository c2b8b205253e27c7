// The configuration store through its members: every field saved and
// loaded, the front-panel updates, identity, values outside their tables.
#include "orva/storage/bd_config.h"


#include "store_fixture.h"

namespace orva::storage {
namespace {

using namespace testing;
using Rows_t = std::vector<std::vector<std::string>>;

class ConfigStore : public ::testing::Test {
 protected:
  ConfigStore() { store.PathConfigs(ORVA_TEMPLATE_DIR); }

  // A front panel with a distinct legal value in every field.
  void SetDistinctSettings(scope::Osciloscopio& s) {
    s.AcoplamientoCanal1(1);
    s.AcoplamientoCanal2(0);
    s.Canal1Activo(true);
    s.Canal2Activo(false);
    s.GananciaCanal1(7);
    s.GananciaCanal2(2);
    s.BaseDeTiemposActual(13);
    s.ModoDisparo(1);
    panel.cursor[1] = true;
    s.Flanco(1);
    s.CanalDisparo(2);
    s.promediado(8);
    s.ModoXY(true);
    s.DesplazamientoYCanal1(-40);
    s.DesplazamientoYCanal2(25);
  }
  std::string SavedFile(const std::string& name) {
    SetDistinctSettings(*o);
    const std::string f = dir / name;
    dialog->Answer(f);
    EXPECT_TRUE(store.GuardarConfiguracion().Done());
    return f;
  }
  Outcome LoadInto(scope::Osciloscopio& target, RecordingPanel& p, const std::string& f) {
    BDConfig loader(target, p, dialog, "/opt/orva");
    dialog->Answer(f);
    return loader.CargarConfiguracion();
  }

  TempFolder dir;
  std::unique_ptr<scope::Osciloscopio> o = Instrument();
  RecordingPanel panel;
  std::shared_ptr<filedialog::AnsweringDialog> dialog = std::make_shared<filedialog::AnsweringDialog>();
  BDConfig store{*o, panel, dialog, "/opt/orva/"};
};

TEST_F(ConfigStore, EveryFieldIsSavedInOrderAndLoadsWithTheFrontPanel) {
  const std::string f = SavedFile("KtrConfig.mdb");
  EXPECT_EQ(Rows(f, "SELECT * FROM Config"),
            (Rows_t{{"OrvaScope.exe", "Instruments", "/opt/orva/OrvaScope.exe"}}));
  EXPECT_EQ(Rows(f, "SELECT * FROM Parameters"),
            (Rows_t{{"1", "0", "-1", "0", "7", "2", "13", "1", "-1", "0", "1", "2", "8", "8", "-1", "-40", "25"}}));
  const filedialog::FileDialogRequest& r = dialog->Requests().at(0);
  EXPECT_EQ(r.mode, filedialog::FileDialogRequest::Mode::kSave);
  EXPECT_EQ(r.file_name, "KtrConfig.mdb");
  EXPECT_EQ(r.filter, "(*.mdb)|*.mdb");
  EXPECT_EQ(r.default_extension, "mdb");
  EXPECT_EQ(r.start_folder, ORVA_TEMPLATE_DIR);

  auto fresh = Instrument();
  RecordingPanel p;
  ASSERT_TRUE(LoadInto(*fresh, p, f).Done());
  EXPECT_EQ(fresh->AcoplamientoCanal1(), 1);
  EXPECT_EQ(fresh->AcoplamientoCanal2(), 0);
  EXPECT_TRUE(fresh->Canal1Activo());
  EXPECT_FALSE(fresh->Canal2Activo());
  EXPECT_EQ(fresh->GananciaCanal1(), 7);
  EXPECT_EQ(fresh->GananciaCanal2(), 2);
  EXPECT_EQ(fresh->BaseDeTiemposActual(), 13);
  EXPECT_EQ(fresh->ModoDisparo(), 1);
  EXPECT_EQ(fresh->Flanco(), 1);
  EXPECT_EQ(fresh->CanalDisparo(), 2);
  EXPECT_EQ(fresh->promediado(), 8);
  EXPECT_TRUE(fresh->ModoXY());
  EXPECT_EQ(fresh->DesplazamientoYCanal1(), -40);
  EXPECT_EQ(fresh->DesplazamientoYCanal2(), 25);
  // DC on channel 1, GND on channel 2, the fourth averaging button, XY ticked.
  EXPECT_EQ(p.calls, (std::vector<std::string>{"coupling 1 1", "coupling 2 0", "chan 1 1", "chan 2 0",
                                               "cursor 1 1", "cursor 2 0", "slope 1", "trigchan 2",
                                               "promediado 3", "xy 1"}));
  EXPECT_EQ(dialog->Requests().back().mode, filedialog::FileDialogRequest::Mode::kOpen);
}

TEST_F(ConfigStore, ValuesOutsideTheirTablesAreClampedOrRefuseTheFile) {
  struct Case {
    const char* field;
    int stored;
    int loaded;  // what the instrument then holds; -1000: the file is refused
  };
  const Case cases[] = {
      {"GainChannel1", 99, 10}, {"GainChannel2", -3, 0},   {"TimeBase", 0, 2},
      {"TimeBase", 30, 20},     {"AverageChannel2", 16, 8}, {"CouplingChannel1", 7, -1000},
      {"CouplingChannel2", -1, -1000}, {"TriggerChannel", 0, -1000}, {"AverageChannel1", 3, -1000},
      {"AverageChannel2", 3, -1000}, {"Mode", 5, -1000}, {"Slope", 2, -1000},
  };
  const std::string good = SavedFile("good.mdb");
  int k = 0;
  for (const Case& c : cases) {
    const std::string f = dir / ("case" + std::to_string(k++) + ".mdb");
    std::filesystem::copy_file(good, f);
    Sql(f, "UPDATE Parameters SET " + std::string(c.field) + " = " + std::to_string(c.stored));
    auto fresh = Instrument();
    RecordingPanel p;
    const Outcome r = LoadInto(*fresh, p, f);
    if (c.loaded == -1000) {
      EXPECT_EQ(r.status, Outcome::Status::kRefused) << c.field;
      EXPECT_TRUE(p.calls.empty()) << c.field;
      EXPECT_EQ(fresh->GananciaCanal1(), 0) << c.field;  // nothing applied
      continue;
    }
    ASSERT_TRUE(r.Done()) << c.field;
    const std::string field = c.field;
    const int got = field == "GainChannel1" ? fresh->GananciaCanal1()
                    : field == "GainChannel2" ? fresh->GananciaCanal2()
                    : field == "TimeBase"     ? fresh->BaseDeTiemposActual()
                                              : fresh->promediado();
    EXPECT_EQ(got, c.loaded) << c.field << " " << c.stored;
  }
}

TEST_F(ConfigStore, IdentityAndMissingFieldsFollowTheErrorTrap) {
  const std::string good = SavedFile("good.mdb");
  // Letter case counts in the instrument name: nothing applied.
  const std::string upper = dir / "upper.mdb";
  std::filesystem::copy_file(good, upper);
  Sql(upper, "UPDATE Config SET Instrument = 'ORVASCOPE.EXE'");
  auto fresh = Instrument();
  RecordingPanel p;
  EXPECT_EQ(LoadInto(*fresh, p, upper).status, Outcome::Status::kRefused);
  EXPECT_TRUE(p.calls.empty());

  // Four fields only: those four are applied, then the load ends.
  const std::string part = dir / "part.mdb";
  Sql(part, "CREATE TABLE Config (Instrument, Type, Model);"
            "INSERT INTO Config VALUES ('OrvaScope.exe', 'Instruments', '');"
            "CREATE TABLE Parameters (CouplingChannel1, CouplingChannel2, Channel1Active, Channel2Active);"
            "INSERT INTO Parameters VALUES (2, 2, -1, -1);");
  EXPECT_EQ(LoadInto(*fresh, p, part).status, Outcome::Status::kFailed);
  EXPECT_EQ(fresh->AcoplamientoCanal2(), 2);
  EXPECT_TRUE(fresh->Canal2Activo());
  EXPECT_EQ(p.calls.size(), 4u);

  // A signal file fails at the first field, before anything is applied.
  const std::string signal = dir / "signal.mdb";
  Sql(signal, "CREATE TABLE Config (Instrument, Type); INSERT INTO Config VALUES ('OrvaScope.exe', 'Signal');"
              "CREATE TABLE Parameters (Gain, Coupling); INSERT INTO Parameters VALUES ('1V/div', 'DC');");
  auto other = Instrument();
  RecordingPanel q;
  EXPECT_EQ(LoadInto(*other, q, signal).status, Outcome::Status::kFailed);
  EXPECT_TRUE(q.calls.empty());
  EXPECT_EQ(other->AcoplamientoCanal1(), 0);
}

TEST_F(ConfigStore, CancelsAndMissingTemplatesChangeNothing) {
  SetDistinctSettings(*o);
  dialog->Cancel();
  EXPECT_EQ(store.GuardarConfiguracion().status, Outcome::Status::kCancelled);
  EXPECT_EQ(store.CargarConfiguracion().status, Outcome::Status::kCancelled);
  EXPECT_TRUE(panel.calls.empty());
  TempFolder no_templates;
  store.PathConfigs(" " + no_templates.Path() + " ");  // blanks trimmed for the dialog only
  dialog->Answer(dir / "KtrConfig.mdb");
  EXPECT_EQ(store.GuardarConfiguracion().status, Outcome::Status::kFailed);
  EXPECT_EQ(dialog->Requests().back().start_folder, no_templates.Path());
  EXPECT_TRUE(dir.Names().empty());
}

#ifdef ORVA_SQLITE3_CLI
TEST_F(ConfigStore, AFileMadeWithTheCommandLineClientLoads) {
  // Plain INTEGER columns, and true written as 1.
  const std::string f = dir / "cli.mdb";
  const std::string sql =
      "CREATE TABLE Config (Instrument TEXT, Type TEXT, Model TEXT);"
      "CREATE TABLE Parameters (CouplingChannel1 INTEGER, CouplingChannel2 INTEGER,"
      " Channel1Active INTEGER, Channel2Active INTEGER, GainChannel1 INTEGER, GainChannel2 INTEGER,"
      " TimeBase INTEGER, Mode INTEGER, CoordChannel1 INTEGER, CoordChannel2 INTEGER, Slope INTEGER,"
      " TriggerChannel INTEGER, AverageChannel1 INTEGER, AverageChannel2 INTEGER, ModeXY INTEGER,"
      " YChannel1 INTEGER, YChannel2 INTEGER);"
      "INSERT INTO Config VALUES ('OrvaScope.exe', 'Instruments', '/usr/bin/OrvaScope.exe');"
      "INSERT INTO Parameters VALUES (2, 1, 1, 1, 4, 6, 9, 0, 0, 1, 0, 1, 2, 4, 0, 10, -10);";
  ASSERT_TRUE(SqliteClient(f, sql));
  auto fresh = Instrument();
  RecordingPanel p;
  ASSERT_TRUE(LoadInto(*fresh, p, f).Done());
  EXPECT_EQ(fresh->AcoplamientoCanal1(), 2);
  EXPECT_TRUE(fresh->Canal2Activo());
  EXPECT_EQ(fresh->BaseDeTiemposActual(), 9);
  EXPECT_EQ(fresh->promediado(), 4);  // the second averaging field wins in the control
  EXPECT_EQ(fresh->DesplazamientoYCanal2(), -10);
  EXPECT_TRUE(p.cursor[2]);
  EXPECT_EQ(p.calls[0], "coupling 1 2");
  EXPECT_EQ(p.calls[8], "promediado 1");  // while the buttons follow the first
  EXPECT_EQ(p.calls.back(), "xy 0");
}
#endif

}  // namespace
}  // namespace orva::storage
