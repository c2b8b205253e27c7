// The signal store through its members, with files checked and made by
// plain SQLite calls (and once by the sqlite3 command-line client).
#include "orva/storage/bd_signal.h"



#include "store_fixture.h"

namespace orva::storage {
namespace {

using namespace testing;

class SignalStore : public ::testing::Test {
 protected:
  SignalStore() {
    store.PathSignals(ORVA_TEMPLATE_DIR);
    store.Instrumento("OrvaScope.exe");
    store.FuenteDeMuestras([this](std::int16_t canal) { return samples[canal]; });
    store.AlGuardar2([this] { ++closed; });
  }

  // A signal file in the program's layout, its rows given as SQL values.
  std::string MakeFile(const std::string& name, const std::string& instrument,
                       const std::string& type, const std::string& data_values) {
    const std::string f = dir / name;
    Sql(f, "CREATE TABLE Config (Instrument TEXT, Type TEXT);"
           "CREATE TABLE Parameters (Gain TEXT, Coupling TEXT, TimeBase TEXT, Name TEXT,"
           " Description TEXT, Comment TEXT, Date TEXT);"
           "CREATE TABLE Data (Value FLOAT);"
           "INSERT INTO Config VALUES ('" + instrument + "', '" + type + "');"
           "INSERT INTO Parameters VALUES ('2V/div', 'AC', '1ms/Div', 'n', 'd', 'c', 'x');" +
           (data_values.empty() ? "" : "INSERT INTO Data VALUES " + data_values + ";"));
    return f;
  }
  // The reference channel untouched since the fixture started.
  void ExpectNothingLoaded() {
    EXPECT_FALSE(o->CanalDActivo());
    EXPECT_TRUE(o->VDisk().empty());
    EXPECT_EQ(o->GananciaCanalDTexto(), "0");
    EXPECT_EQ(o->BaseDeTiemposActual(), 0);
  }

  TempFolder dir;
  std::unique_ptr<scope::Osciloscopio> o = Instrument();
  std::shared_ptr<filedialog::AnsweringDialog> dialog = std::make_shared<filedialog::AnsweringDialog>();
  BDSignal store{*o, dialog};
  std::vector<float> samples[3];
  int closed = 0;
};

TEST_F(SignalStore, Guardar2OfChannel2StoresItsSettingsTextsAndVolts) {
  o->GananciaCanal1(3);
  o->GananciaCanal2(10);  // 20 mV/div: VOLT = 0.08
  o->AcoplamientoCanal1(2);
  o->AcoplamientoCanal2(0);
  o->BaseDeTiemposActual(8);
  store.Nombre("sine");
  store.Descripcion("probe x10");
  store.Comentarios("bench 3");
  store.Fecha("05/06/2024");
  samples[2] = {128, 160, 96, 200};  // upper bound 3: three samples stored
  const std::string f = dir / "SigOsc.mdb";
  dialog->Answer(f);
  ASSERT_TRUE(store.Guardar2(2).Done());

  EXPECT_EQ(Rows(f, "SELECT * FROM Config"), (std::vector<std::vector<std::string>>{{"OrvaScope.exe", "Signal"}}));
  EXPECT_EQ(Rows(f, "SELECT * FROM Parameters"),
            (std::vector<std::vector<std::string>>{
                {"20mV/div", "GND", "5us/Div", "sine", "probe x10", "bench 3", "05/06/2024"}}));
  const auto data = Rows(f, "SELECT Value FROM Data ORDER BY rowid");
  ASSERT_EQ(data.size(), 3u);
  EXPECT_EQ(std::stof(data[0][0]), 0.0f);
  EXPECT_EQ(std::stof(data[1][0]), 0.02f);
  EXPECT_EQ(std::stof(data[2][0]), -0.02f);
  EXPECT_EQ(closed, 1);

  const filedialog::FileDialogRequest& r = dialog->Requests().at(0);
  EXPECT_EQ(r.mode, filedialog::FileDialogRequest::Mode::kSave);
  EXPECT_EQ(r.start_folder, ORVA_TEMPLATE_DIR);
  EXPECT_EQ(r.filter, "Signal (*.mdb)|*.mdb");
  EXPECT_EQ(r.file_name, "SigOsc.mdb");
  EXPECT_TRUE(r.confirm_overwrite);
}

TEST_F(SignalStore, Guardar2StoresUpTo768SamplesBelowTheUpperBound) {
  const std::pair<std::size_t, int> cases[] = {{1001, 768}, {769, 768}, {501, 500}, {1, 0}, {0, 0}};
  for (auto [size, rows] : cases) {
    samples[1].assign(size, 130.0f);
    const std::string f = dir / ("n" + std::to_string(size) + ".mdb");
    dialog->Answer(f);
    ASSERT_TRUE(store.Guardar2(1).Done()) << size;
    EXPECT_EQ(Rows(f, "SELECT count(*) FROM Data")[0][0], std::to_string(rows)) << size;
  }
}

TEST_F(SignalStore, Abrir2LoadsTheReferenceChannelInChannel2Scale) {
  o->GananciaCanal1(5);  // 1 V/div: saved with VOLT 4
  o->BaseDeTiemposActual(8);
  samples[1].resize(1000);
  for (std::size_t i = 0; i < samples[1].size(); ++i) samples[1][i] = static_cast<float>(i % 256);
  const std::string f = dir / "ramp.mdb";
  dialog->Answer(f);
  ASSERT_TRUE(store.Guardar2(1).Done());

  o->BaseDeTiemposActual(12);
  o->GananciaCanal2(4);  // 2 V/div: VOLT 8, the stored volts read back at half the codes
  ASSERT_TRUE(store.Abrir2(f).Done());
  const std::vector<float> d = o->VDisk();
  ASSERT_EQ(d.size(), 768u);
  for (std::size_t i = 0; i < d.size(); ++i) EXPECT_NEAR(d[i], (samples[1][i] - 128) / 2 + 128, 1e-4) << i;
  EXPECT_TRUE(o->CanalDActivo());
  EXPECT_EQ(o->GananciaCanalDTexto(), "1V/div");
  EXPECT_EQ(o->AcoplamientoCanalDTexto(), "GND");
  EXPECT_EQ(o->BaseDeTiemposDTexto(), "5us/Div");
  EXPECT_EQ(o->BaseDeTiemposActual(), 8);  // the live timebase follows the stored one
}

TEST_F(SignalStore, IdentityIgnoresLetterCaseAndTypeMustBeSignal) {
  struct Case {
    const char* instrument;
    const char* type;
    bool loads;
  };
  const Case cases[] = {
      {"orvascope.EXE", "signal", true},
      {"Other.exe", "Signal", false},
      {"OrvaScope.exe", "Instruments", false},
  };
  int k = 0;
  for (const Case& c : cases) {
    o->CanalDActivo(false);
    o->GananciaCanalDTexto("0");
    const std::string f = MakeFile("id" + std::to_string(k++) + ".mdb", c.instrument, c.type, "(0.5),(1)");
    EXPECT_EQ(store.Abrir2(f).Done(), c.loads) << c.instrument << " " << c.type;
    EXPECT_EQ(o->CanalDActivo(), c.loads);
    EXPECT_EQ(o->GananciaCanalDTexto(), c.loads ? "2V/div" : "0");
  }
}

TEST_F(SignalStore, EmptyDataAppliesTheSettingsButLeavesTheTrace) {
  const std::string f = MakeFile("empty.mdb", "OrvaScope.exe", "Signal", "");
  o->VDisk({1, 2, 3});
  EXPECT_EQ(store.Abrir2(f).status, Outcome::Status::kFailed);
  EXPECT_EQ(o->GananciaCanalDTexto(), "2V/div");
  EXPECT_EQ(o->BaseDeTiemposActual(), 15);
  EXPECT_EQ(o->VDisk(), (std::vector<float>{1, 2, 3}));
  EXPECT_FALSE(o->CanalDActivo());
}

TEST_F(SignalStore, BadFilesChangeNothing) {
  o->GananciaCanal2(10);  // 20 mV/div: 1e38 V is no single-precision code
  // 8194 rows: one more than any channel array holds.
  const std::string rows8194 =
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 8194) "
      "SELECT 0.1 FROM n";
  struct Case {
    const char* name;
    std::string data;  // rows of Data
  };
  const Case cases[] = {
      {"rows", ""}, {"text", "(0.1),('high')"}, {"null", "(0.1),(NULL)"},
      {"infinite", "(9e999)"}, {"beyond-float", "(1e38)"},
  };
  for (const Case& c : cases) {
    std::string f;
    if (std::string(c.name) == "rows") {
      f = MakeFile("rows.mdb", "OrvaScope.exe", "Signal", "");
      Sql(f, "INSERT INTO Data " + rows8194);
    } else {
      f = MakeFile(std::string(c.name) + ".mdb", "OrvaScope.exe", "Signal", c.data);
    }
    EXPECT_EQ(store.Abrir2(f).status, Outcome::Status::kRefused) << c.name;
    ExpectNothingLoaded();
  }
  // Not a database, a database without the tables, no file at all.
  const std::string text = dir / "text.mdb";
  std::ofstream(text) << std::string(3000, 'x');
  const std::string bare = dir / "bare.mdb";
  Sql(bare, "CREATE TABLE Other (a)");
  for (const std::string& f : {text, bare, dir / "none.mdb"}) {
    EXPECT_EQ(store.Abrir2(f).status, Outcome::Status::kFailed) << f;
    ExpectNothingLoaded();
  }
  // A saved file cut short: no crash and no reference trace, whatever page it lost.
  samples[1].assign(1000, 140.0f);
  const std::string whole = dir / "whole.mdb";
  dialog->Answer(whole);
  ASSERT_TRUE(store.Guardar2(1).Done());
  const std::string bytes = Bytes(whole);
  for (std::size_t cut : {std::size_t{100}, bytes.size() / 2, bytes.size() - 1000}) {
    const std::string f = dir / ("cut" + std::to_string(cut) + ".mdb");
    std::ofstream(f, std::ios::binary) << bytes.substr(0, cut);
    EXPECT_FALSE(store.Abrir2(f).Done()) << cut;
    EXPECT_FALSE(o->CanalDActivo());
    EXPECT_TRUE(o->VDisk().empty());
  }
}

TEST_F(SignalStore, AFileOfAWholeChannelArrayLoads) {
  const std::string f = MakeFile("full.mdb", "OrvaScope.exe", "Signal", "");
  Sql(f, "INSERT INTO Data WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n"
         " WHERE i < 8193) SELECT 0 FROM n");
  ASSERT_TRUE(store.Abrir2(f).Done());
  EXPECT_EQ(o->VDisk().size(), 8193u);
}

TEST_F(SignalStore, DialogsCancelsAndMissingTemplatesCreateNothing) {
  samples[1].assign(100, 128.0f);
  dialog->Cancel();
  EXPECT_EQ(store.Guardar2(1).status, Outcome::Status::kCancelled);
  EXPECT_EQ(store.Abrir2("  ").status, Outcome::Status::kCancelled);
  EXPECT_EQ(store.Abrir().status, Outcome::Status::kCancelled);
  EXPECT_EQ(dialog->Requests().back().mode, filedialog::FileDialogRequest::Mode::kOpen);
  EXPECT_EQ(store.Guardar2(3).status, Outcome::Status::kRefused);
  EXPECT_EQ(dialog->Requests().size(), 3u);  // channel 3 asked for no file

  TempFolder no_templates;
  store.PathSignals(no_templates.Path());
  dialog->Answer(dir / "a.mdb");
  EXPECT_EQ(store.Guardar2(1).status, Outcome::Status::kFailed);
  EXPECT_TRUE(dir.Names().empty());
  EXPECT_EQ(closed, 0);

  // A blank name asks the dialog, and the answer must be an existing file.
  dialog->Answer(dir / "none.mdb");
  EXPECT_EQ(store.Abrir2("").status, Outcome::Status::kFailed);
  const std::string f = MakeFile("one.mdb", "OrvaScope.exe", "Signal", "(0)");
  dialog->Answer(f);
  EXPECT_TRUE(store.Abrir2(" ").Done());
  EXPECT_EQ(o->VDisk(), std::vector<float>{128.0f});
}

TEST_F(SignalStore, GuardarAndAbrirKeepNumbersAndEverySample) {
  o->GananciaCanal2(7);
  o->AcoplamientoCanal2(2);
  o->BaseDeTiemposActual(16);
  samples[2].resize(8193);
  for (std::size_t i = 0; i < samples[2].size(); ++i) samples[2][i] = static_cast<float>(i % 300) + 0.25f;
  const std::string f = dir / "raw.mdb";
  dialog->Answer(f);
  ASSERT_TRUE(store.Guardar(2).Done());
  EXPECT_EQ(closed, 0);  // only Guardar2 closes the browser
  EXPECT_EQ(Rows(f, "SELECT Gain, Coupling, TimeBase, typeof(Gain) FROM Parameters")[0],
            (std::vector<std::string>{"7", "2", "16", "text"}));

  o->BaseDeTiemposActual(3);
  ASSERT_TRUE(store.Abrir().Done());
  EXPECT_EQ(o->GananciaCanalD(), 7);
  EXPECT_EQ(o->AcoplamientoCanalD(), 2);
  EXPECT_EQ(o->BaseDeTiemposD(), 16);
  EXPECT_EQ(o->BaseDeTiemposActual(), 16);
  samples[2].pop_back();  // the element at the upper bound is not stored
  EXPECT_EQ(o->VDisk(), samples[2]);
}

#ifdef ORVA_SQLITE3_CLI
TEST_F(SignalStore, AFileMadeWithTheCommandLineClientLoads) {
  const std::string f = dir / "cli.mdb";
  const std::string sql =
      "CREATE TABLE Config (Instrument, Type);"
      "CREATE TABLE Parameters (Gain, Coupling, TimeBase, Name, Description, Comment, Date);"
      "CREATE TABLE Data (v REAL);"
      "INSERT INTO Config VALUES ('OrvaScope.exe', 'Signal');"
      "INSERT INTO Parameters VALUES ('50mV/div', 'DC', '2ms/Div', 'cli', '', '', '');"
      "INSERT INTO Data WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 767)"
      " SELECT (i % 8) * 0.01 FROM n;";
  ASSERT_TRUE(SqliteClient(f, sql));
  o->GananciaCanal2(9);  // 50 mV/div: 0.01 V is 6.4 codes
  ASSERT_TRUE(store.Abrir2(f).Done());
  const std::vector<float> d = o->VDisk();
  ASSERT_EQ(d.size(), 768u);
  EXPECT_NEAR(d[3], 128 + 3 * 6.4, 1e-3);
  EXPECT_EQ(o->GananciaCanalDTexto(), "50mV/div");
  EXPECT_EQ(o->BaseDeTiemposDTexto(), "2ms/Div");
}
#endif

}  // namespace
}  // namespace orva::storage
