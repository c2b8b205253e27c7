// Files made to hurt the stores, and side files other programs leave behind:
// what a user sees for each, and that a load writes nothing anywhere.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>

#include "orva/storage/bd_config.h"
#include "orva/storage/bd_signal.h"
#include "orva/storage/esquema.h"
#include "store_fixture.h"

namespace orva::storage {
namespace {

using namespace testing;

// Another program that stops in the middle of its work: a child process runs
// the statements with plain SQLite and ends without closing the file, as a
// crash would leave it (its rollback journal, or its write-ahead log and
// index, stay beside the file).
void StopsHalfWay(const std::string& file, const std::string& sql) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    sqlite3* db = nullptr;
    const bool ok = sqlite3_open(file.c_str(), &db) == SQLITE_OK &&
                    sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// A big change, its pages spilled into the file before the commit that never comes.
const char kUnfinishedChange[] =
    "PRAGMA cache_size = 1; BEGIN; DELETE FROM Data;"
    "INSERT INTO Data WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 950)"
    " SELECT i FROM n;";
// Committed into the log and never copied into the file.
const char kLoggedChange[] =
    "PRAGMA journal_mode = WAL; UPDATE Parameters SET Gain = 'STALE'; DELETE FROM Data;"
    "UPDATE Config SET Type = 'Instruments';";

// Every byte of a message prints, on one line.
bool OnePrintableLine(const std::string& s) {
  for (unsigned char c : s)
    if (c < 0x20 || c == 0x7f) return false;
  return true;
}

// The rows of a query through a read/write connection, as the next program
// that opens the file for writing sees it (it would roll a journal in).
std::vector<std::vector<std::string>> RowsAsWriter(const std::string& file, const std::string& sql) {
  std::vector<std::vector<std::string>> rows;
  sqlite3* db = nullptr;
  sqlite3_stmt* s = nullptr;
  if (sqlite3_open(file.c_str(), &db) == SQLITE_OK &&
      sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) == SQLITE_OK) {
    while (sqlite3_step(s) == SQLITE_ROW) {
      rows.emplace_back();
      for (int i = 0; i < sqlite3_column_count(s); ++i) {
        const auto* t = sqlite3_column_text(s, i);
        rows.back().emplace_back(t != nullptr ? reinterpret_cast<const char*>(t) : "NULL");
      }
    }
  } else {
    ADD_FAILURE() << "cannot query " << file << ": " << sqlite3_errmsg(db);
  }
  sqlite3_finalize(s);
  sqlite3_close(db);
  return rows;
}

const char kSignalTables[] =
    "CREATE TABLE Config (Instrument TEXT, Type TEXT);"
    "CREATE TABLE Parameters (Gain TEXT, Coupling TEXT, TimeBase TEXT, Name TEXT,"
    " Description TEXT, Comment TEXT, Date TEXT);"
    "INSERT INTO Parameters VALUES ('2V/div', 'AC', '1ms/Div', 'n', 'd', 'c', 'x');";
const char kSignalIdentity[] = "INSERT INTO Config VALUES ('OrvaScope.exe', 'Signal');";
const char kTenSamples[] =
    "INSERT INTO Data (Value) WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 10)"
    " SELECT i * 0.1 FROM n;";
// About three seconds for each row it is read in.
const char kSlowExpression[] = "instr(printf('%.*c', 1000000, 'a'), 'b')";

struct HostileCase {
  const char* name;
  std::string sql;                                     // the file
  std::function<void(const std::string&)> afterwards;  // another program's leftovers, if any
  Outcome::Status status;
  const char* reason_holds;  // a piece of the message the user reads
};

TEST(HostileFiles, SignalLoadsRefuseCraftedFilesQuicklyAndWriteNothing) {
  const std::string ordinary = std::string(kSignalTables) + kSignalIdentity + "CREATE TABLE Data (Value FLOAT);" +
                               kTenSamples;
  const std::string data_then = std::string(kSignalTables) + kSignalIdentity;
  const HostileCase cases[] = {
      {"generated-column", data_then + "CREATE TABLE Data (Value FLOAT, Slow GENERATED ALWAYS AS (" +
                               kSlowExpression + ") VIRTUAL);" + kTenSamples,
       nullptr, Outcome::Status::kRefused, "is not a signal file (table Data has a generated or hidden column)"},
      {"view", data_then + "CREATE TABLE S (Value FLOAT); CREATE VIEW Data AS SELECT Value FROM S;", nullptr,
       Outcome::Status::kRefused, "table Data is a view"},
      {"trigger", ordinary + "CREATE TRIGGER t AFTER INSERT ON Data BEGIN DELETE FROM Config; END;", nullptr,
       Outcome::Status::kRefused, "table Data has triggers"},
      {"virtual-table", data_then + "CREATE VIRTUAL TABLE Data USING fts4(Value);", nullptr,
       Outcome::Status::kRefused, "table Data is a virtual table"},
      // The real row ids say 0.1, 0.2, 0.3; the column would read them backwards.
      {"rowid-column", data_then + "CREATE TABLE Data (Value FLOAT, rowid INTEGER);"
                                   "INSERT INTO Data VALUES (0.1, 3), (0.2, 2), (0.3, 1);",
       nullptr, Outcome::Status::kRefused, "table Data has a column named rowid"},
      {"without-rowid", data_then + "CREATE TABLE Data (Value FLOAT, k INTEGER PRIMARY KEY) WITHOUT ROWID;",
       nullptr, Outcome::Status::kRefused, "table Data has no row ids"},
      {"escape-sequences", std::string(kSignalTables) + "CREATE TABLE Data (Value FLOAT);" +
                               "INSERT INTO Config VALUES ('Orva' || char(27) || '[2J' || char(7) || char(10) ||"
                               " 'two', 'Signal');",
       nullptr, Outcome::Status::kRefused, "was written by Orva\\e[2J\\x07\\ntwo, not by"},
      {"nul-in-blob", std::string(kSignalTables) + "CREATE TABLE Data (Value FLOAT);" +
                          "INSERT INTO Config VALUES (X'4f72766100416674657200', 'Signal');",
       nullptr, Outcome::Status::kRefused, "was written by Orva\\x00After\\x00, not by"},
      {"unfinished-change", ordinary,
       [](const std::string& f) { StopsHalfWay(f, kUnfinishedChange); }, Outcome::Status::kFailed,
       "has an unfinished change of another program beside it (unfinished-change.mdb-journal)"},
  };
  for (const HostileCase& c : cases) {
    TempFolder dir;
    const std::string f = dir / (std::string(c.name) + ".mdb");
    Sql(f, c.sql);
    if (c.afterwards) c.afterwards(f);
    const std::vector<std::string> names = dir.Names();
    const std::string bytes = Bytes(f);
    auto o = Instrument();
    BDSignal store(*o, nullptr);
    store.Instrumento("OrvaScope.exe");

    const auto start = std::chrono::steady_clock::now();
    const Outcome r = store.Abrir2(f);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(r.status, c.status) << c.name << ": " << r.reason;
    EXPECT_NE(r.reason.find(c.reason_holds), std::string::npos) << c.name << ": " << r.reason;
    EXPECT_TRUE(OnePrintableLine(r.reason)) << c.name;
    EXPECT_LT(seconds, 0.5) << c.name;
    if (std::string(c.name) == "generated-column") std::printf("generated-column file refused in %.4f s\n", seconds);
    EXPECT_FALSE(o->CanalDActivo()) << c.name;
    EXPECT_EQ(o->GananciaCanalDTexto(), "0") << c.name;
    EXPECT_EQ(dir.Names(), names) << c.name;
    EXPECT_EQ(Bytes(f), bytes) << c.name;
  }
}

TEST(HostileFiles, AWriteAheadLogFileLoadsWithoutSideFilesEvenInAReadOnlyFolder) {
  TempFolder dir;
  const std::string f = dir / "wal.mdb";
  Sql(f, std::string("PRAGMA journal_mode = WAL;") + kSignalTables + kSignalIdentity +
             "CREATE TABLE Data (Value FLOAT);" + kTenSamples);
  ASSERT_EQ(dir.Names(), std::vector<std::string>{"wal.mdb"});  // the log went with the last connection
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0555), 0);
  auto o = Instrument();
  BDSignal store(*o, nullptr);
  store.Instrumento("OrvaScope.exe");
  const Outcome r = store.Abrir2(f);
  ::chmod(dir.Path().c_str(), 0755);
  EXPECT_TRUE(r.Done()) << r.reason;
  EXPECT_EQ(o->VDisk().size(), 10u);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"wal.mdb"});
}

TEST(HostileFiles, ConfigurationLoadsRefuseCraftedFilesBeforeApplyingAnything) {
  std::string fields;
  std::string values;
  for (const auto& field : CamposDeConfiguracion()) {
    fields += (fields.empty() ? "" : ", ") + std::string(field.name);
    values += values.empty() ? "1" : ", 1";
  }
  const std::string config = "CREATE TABLE Config (Instrument TEXT, Type TEXT, Model TEXT);"
                             "INSERT INTO Config VALUES ('OrvaScope.exe', 'Instruments', '');";
  const std::string parameters = "CREATE TABLE Parameters (" + fields + ");";
  const std::string row = "INSERT INTO Parameters VALUES (" + values + ");";
  const HostileCase cases[] = {
      {"generated-column", config + "CREATE TABLE Parameters (" + fields + ", Slow GENERATED ALWAYS AS (" +
                               kSlowExpression + ") VIRTUAL);" + "INSERT INTO Parameters (" + fields +
                               ") VALUES (" + values + ");",
       nullptr, Outcome::Status::kRefused,
       "is not a configuration file (table Parameters has a generated or hidden column)"},
      {"view", "CREATE VIEW Config AS SELECT 'OrvaScope.exe' AS Instrument;" + parameters + row, nullptr,
       Outcome::Status::kRefused, "table Config is a view"},
      {"trigger", config + parameters + row + "CREATE TRIGGER t AFTER DELETE ON Config BEGIN SELECT 1; END;",
       nullptr, Outcome::Status::kRefused, "table Config has triggers"},
      {"no-instrument", "CREATE TABLE Config (Type TEXT); INSERT INTO Config VALUES ('Instruments');" +
                            parameters + row,
       nullptr, Outcome::Status::kRefused, "table Config has no field Instrument"},
      // A text where a number belongs: quoted in the message, escaped.
      {"escape-sequences", config + parameters + "INSERT INTO Parameters VALUES (char(27) || '[31m' || char(10)" +
                               values.substr(1) + ");",
       nullptr, Outcome::Status::kFailed, "\"\\e[31m\\n\" is not a number"},
      {"unfinished-change", config + parameters + row,
       [](const std::string& f) {
         StopsHalfWay(f, "PRAGMA cache_size = 1; BEGIN; DELETE FROM Config; INSERT INTO Config"
                         " WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 500)"
                         " SELECT printf('%.*c', 200, 'x'), '', '' FROM n;");
       },
       Outcome::Status::kFailed, "has an unfinished change of another program beside it"},
  };
  for (const HostileCase& c : cases) {
    TempFolder dir;
    const std::string f = dir / (std::string(c.name) + ".mdb");
    Sql(f, c.sql);
    if (c.afterwards) c.afterwards(f);
    const std::vector<std::string> names = dir.Names();
    auto o = Instrument();
    RecordingPanel panel;
    BDConfig store(*o, panel, std::make_shared<filedialog::AnsweringDialog>(f), "/usr/bin");
    const auto start = std::chrono::steady_clock::now();
    const Outcome r = store.CargarConfiguracion();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(r.status, c.status) << c.name << ": " << r.reason;
    EXPECT_NE(r.reason.find(c.reason_holds), std::string::npos) << c.name << ": " << r.reason;
    EXPECT_TRUE(OnePrintableLine(r.reason)) << c.name;
    EXPECT_LT(seconds, 0.5) << c.name;
    EXPECT_TRUE(panel.calls.empty()) << c.name;
    EXPECT_EQ(o->AcoplamientoCanal1(), 0) << c.name;
    EXPECT_EQ(dir.Names(), names) << c.name;
  }
}

class HostileSaves : public ::testing::Test {
 protected:
  HostileSaves() {
    store.PathSignals(ORVA_TEMPLATE_DIR);
    store.Instrumento("OrvaScope.exe");
    samples.assign(1000, 140.0f);
    store.FuenteDeMuestras([this](std::int16_t) { return samples; });
  }
  Outcome SaveTo(const std::string& f) {
    dialog->Answer(f);
    return store.Guardar2(1);
  }

  TempFolder dir;
  std::unique_ptr<scope::Osciloscopio> o = Instrument();
  std::shared_ptr<filedialog::AnsweringDialog> dialog = std::make_shared<filedialog::AnsweringDialog>();
  BDSignal store{*o, dialog};
  std::vector<float> samples;
};

TEST_F(HostileSaves, SideFilesLeftByAnotherProgramNeverApplyToTheSavedFile) {
  struct Case {
    const char* name;
    const char* change;
    const char* side;  // a side file the change leaves
  };
  const Case cases[] = {{"journal", kUnfinishedChange, "-journal"}, {"log", kLoggedChange, "-wal"}};
  for (const Case& c : cases) {
    const std::string f = dir / (std::string(c.name) + ".mdb");
    samples.assign(1000, 100.0f);
    ASSERT_TRUE(SaveTo(f).Done());
    StopsHalfWay(f, c.change);
    ASSERT_TRUE(std::filesystem::exists(f + c.side)) << c.name;

    samples.assign(1000, 140.0f);
    ASSERT_TRUE(SaveTo(f).Done()) << c.name;
    EXPECT_EQ(dir.Names().size(), 1u) << c.name;  // no side file, no copy
    // The next program that opens the file for writing finds what was saved.
    EXPECT_EQ(RowsAsWriter(f, "PRAGMA integrity_check"), (std::vector<std::vector<std::string>>{{"ok"}}));
    // 768 rows of the one value saved (the old file's were 100 codes, below the centre line).
    EXPECT_EQ(RowsAsWriter(f, "SELECT count(*), min(Value) = max(Value), min(Value) > 0 FROM Data"),
              (std::vector<std::vector<std::string>>{{"768", "1", "1"}}))
        << c.name;
    EXPECT_EQ(RowsAsWriter(f, "SELECT Type FROM Config"), (std::vector<std::vector<std::string>>{{"Signal"}}));
    ASSERT_TRUE(store.Abrir2(f).Done()) << c.name;
    EXPECT_EQ(o->VDisk().size(), 768u);
    std::filesystem::remove(f);
  }
}

TEST_F(HostileSaves, ASaveThroughALinkWritesTheFileItPointsToAndKeepsTheLink) {
  TempFolder elsewhere;
  const std::string real = elsewhere / "real.mdb";
  ASSERT_TRUE(SaveTo(real).Done());
  const std::string link = dir / "link.mdb";
  std::filesystem::create_symlink("../" + std::filesystem::path(elsewhere.Path()).filename().string() + "/real.mdb",
                                  link);
  samples.assign(1000, 128.0f);
  ASSERT_TRUE(SaveTo(link).Done());
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(Rows(real, "SELECT count(*), max(Value) FROM Data"), (std::vector<std::vector<std::string>>{{"768", "0.0"}}));
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"link.mdb"});
  EXPECT_EQ(elsewhere.Names(), std::vector<std::string>{"real.mdb"});
}

TEST_F(HostileSaves, TheProgramsTemplatesAreNeverSavedOver) {
  TempFolder data;
  for (const char* t : {"ModelSignal.mdx", "ModelKTR5.mdx"})
    std::filesystem::copy_file(std::string(ORVA_TEMPLATE_DIR) + "/" + t, data / t);
  store.PathSignals(data.Path());
  const std::string by_link = dir / "looks-harmless.mdb";
  std::filesystem::create_symlink(data / "ModelKTR5.mdx", by_link);
  const std::string before = Bytes(data / "ModelSignal.mdx") + Bytes(data / "ModelKTR5.mdx");
  for (const std::string& target : {data / "ModelSignal.mdx", by_link}) {
    const Outcome r = SaveTo(target);
    EXPECT_EQ(r.status, Outcome::Status::kRefused) << target;
    EXPECT_NE(r.reason.find("the program's template"), std::string::npos) << r.reason;
  }
  EXPECT_EQ(Bytes(data / "ModelSignal.mdx") + Bytes(data / "ModelKTR5.mdx"), before);
  EXPECT_EQ(data.Names().size(), 2u);
}

TEST_F(HostileSaves, AFileSizeLimitFailsTheSaveCleanly) {
  const std::string f = dir / "SigOsc.mdb";
  samples.assign(10, 140.0f);
  ASSERT_TRUE(SaveTo(f).Done());
  const std::string before = Bytes(f);
  samples.assign(8193, 150.0f);  // Guardar stores them all: well past the limit below
  dialog->Answer(f);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const rlimit limit{40000, 40000};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const Outcome r = store.Guardar(1);
    const bool clean = r.status == Outcome::Status::kFailed &&
                       r.reason.find("larger than the file-size limit") != std::string::npos;
    if (!clean) std::fprintf(stderr, "%s\n", r.reason.c_str());
    ::_exit(clean ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status)) << "the saving process was ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(Bytes(f), before);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"SigOsc.mdb"});
}

TEST_F(HostileSaves, CopiesLeftByAKilledSaveGoWithTheNextSaveInTheirFolder) {
  const std::string old_copy = dir / ".SigOsc.mdb.0badcafe.tmp";
  const std::string recent_copy = dir / ".SigOsc.mdb.12345678.tmp";  // a save running in another process
  const std::string not_a_copy = dir / ".notes.tmp";
  for (const std::string& f : {old_copy, recent_copy, not_a_copy}) std::ofstream(f) << "x";
  const auto hour_ago = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
  std::filesystem::last_write_time(old_copy, hour_ago);
  std::filesystem::last_write_time(not_a_copy, hour_ago);
  ASSERT_TRUE(SaveTo(dir / "SigOsc.mdb").Done());
  EXPECT_FALSE(std::filesystem::exists(old_copy));
  EXPECT_TRUE(std::filesystem::exists(recent_copy));
  EXPECT_TRUE(std::filesystem::exists(not_a_copy));
}

}  // namespace
}  // namespace orva::storage
