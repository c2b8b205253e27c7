// The recordset layer against real files: conversions, append and read
// order, limits, foreign files, and the atomic replacement.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>

#include "orva/dao.h"
#include "orva/printable.h"

namespace fs = std::filesystem;
using namespace orva::dao;

namespace {

class Folder {
 public:
  Folder() {
    std::string t = (fs::temp_directory_path() / "dao-XXXXXX").string();
    path_ = ::mkdtemp(t.data());
  }
  ~Folder() { fs::remove_all(path_); }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  int Files() const { return static_cast<int>(std::distance(fs::directory_iterator(path_), {})); }

 private:
  fs::path path_;
};

std::string Bytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

void Sql(const std::string& path, const char* sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  sqlite3_close(db);
}

ErrorKind KindOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.Kind();
  }
  ADD_FAILURE() << "no error";
  return ErrorKind::kClosed;
}

const TableSchema kSample{"Sample", {{"Name", FieldType::kText},
                                     {"Count", FieldType::kInt16},
                                     {"On", FieldType::kBoolean},
                                     {"Level", FieldType::kSingle}}};

}  // namespace

TEST(DaoValue, ConversionsCheckRangeAndKind) {
  struct Case {
    Value v;
    std::optional<std::int16_t> i16;  // nullopt: refused
  };
  const Case cases[] = {
      {Value(7), 7},           {Value(" 12 "), 12},      {Value("+3"), 3},
      {Value(2.5), 2},         {Value(3.5), 4},          {Value("-1.5"), -2},
      {Value(32767), 32767},   {Value(32768), {}},       {Value(-32769.0), {}},
      {Value("3 volts"), {}},  {Value(""), {}},          {Value(), {}},
      {Value("1e3"), 1000},
  };
  for (const Case& c : cases) {
    if (c.i16) {
      EXPECT_EQ(c.v.AsInt16(), *c.i16) << c.v.AsText();
    } else {
      EXPECT_THROW(c.v.AsInt16(), Error);
    }
  }
  EXPECT_EQ(KindOf([] { Value().AsText(); }), ErrorKind::kNullValue);
  EXPECT_EQ(KindOf([] { Value("x").AsDouble(); }), ErrorKind::kTypeMismatch);
  EXPECT_EQ(KindOf([] { Value(1e39).AsSingle(); }), ErrorKind::kOverflow);
  EXPECT_EQ(Value(-1).AsBoolean(), true);
  EXPECT_EQ(Value("False").AsBoolean(), false);
  EXPECT_EQ(Value(0.0).AsBoolean(), false);
  EXPECT_EQ(Value(3).AsText(), "3");
  EXPECT_EQ(Value(0.25).AsText(), "0.25");
}

TEST(DaoRecordset, AppendedRowsReadBackInOrderWithTheirColumnKinds) {
  Folder dir;
  const std::string file = dir / "a.db";
  {
    Database db = DBEngine().CreateDatabase(file);
    db.CreateTable(kSample);
    Recordset rs = db.OpenRecordset("sample");  // names ignore letter case
    db.BeginTrans();
    for (int i = 0; i < 5; ++i) {
      rs.AddNew();
      rs.SetField("NAME", Value(4 - i));        // a number into text is its decimal text
      rs.SetField("Count", Value("2"));         // numeric text into a number
      rs.SetField("On", Value(i));              // any non-zero: -1
      rs.SetField(3, Value(0.1));               // single precision
      rs.Update();
    }
    db.CommitTrans();
    EXPECT_EQ(KindOf([&] { rs.SetField("Count", Value(1)); }), ErrorKind::kNotEditing);
    rs.AddNew();
    EXPECT_EQ(KindOf([&] { rs.SetField("Count", Value(40000)); }), ErrorKind::kOverflow);
    EXPECT_EQ(KindOf([&] { rs.SetField("Count", Value("many")); }), ErrorKind::kTypeMismatch);
    EXPECT_EQ(KindOf([&] { rs.SetField("Missing", Value(1)); }), ErrorKind::kNoSuchField);
  }
  Database db = DBEngine().OpenDatabase(file, OpenMode::kReadOnly);
  Recordset rs = db.OpenRecordset("Sample", 100);
  rs.MoveLast();
  EXPECT_EQ(rs.RecordCount(), 5);
  EXPECT_EQ(rs.Field("Name").AsText(), "0");
  rs.MoveFirst();
  for (int i = 0; i < 5; ++i) {
    ASSERT_FALSE(rs.EndOfFile());
    EXPECT_EQ(rs.Field(0).AsText(), std::to_string(4 - i));
    EXPECT_EQ(std::get<std::int64_t>(rs.Field("On").Raw()), i == 0 ? 0 : -1);
    EXPECT_EQ(rs.Field("Count").AsInt16(), 2);
    EXPECT_EQ(rs.Field("Level").AsDouble(), static_cast<double>(0.1f));
    rs.MoveNext();
  }
  EXPECT_TRUE(rs.EndOfFile());
  EXPECT_EQ(KindOf([&] { rs.Field(0); }), ErrorKind::kNoCurrentRecord);
  EXPECT_EQ(KindOf([&] { rs.MoveNext(); }), ErrorKind::kNoCurrentRecord);
}

TEST(DaoRecordset, EmptyTableHasNoLastRowAndRowLimitIsEnforced) {
  Folder dir;
  const std::string file = dir / "b.db";
  Sql(file, "CREATE TABLE Data (Value FLOAT); CREATE TABLE Empty (x);"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 50)"
            " INSERT INTO Data SELECT i FROM n;");
  Database db = DBEngine().OpenDatabase(file, OpenMode::kReadOnly);
  Recordset empty = db.OpenRecordset("Empty");
  EXPECT_TRUE(empty.EndOfFile());
  EXPECT_EQ(KindOf([&] { empty.MoveLast(); }), ErrorKind::kNoCurrentRecord);
  Recordset exact = db.OpenRecordset("Data", 50);
  exact.MoveLast();
  EXPECT_EQ(exact.RecordCount(), 50);
  EXPECT_EQ(exact.Field(0).AsSingle(), 50.0f);
  Recordset limited = db.OpenRecordset("Data", 49);
  EXPECT_EQ(KindOf([&] { limited.MoveLast(); }), ErrorKind::kTooManyRows);
}

TEST(DaoEngine, ForeignFilesFailCleanlyAndReadOnlyNeverWrites) {
  Folder dir;
  const std::string text = dir / "text.mdb";
  std::ofstream(text) << "this is not a database, only some text that is long enough";
  EXPECT_EQ(KindOf([&] { DBEngine().OpenDatabase(text, OpenMode::kReadOnly).OpenRecordset("Config"); }),
            ErrorKind::kEngine);
  EXPECT_EQ(KindOf([&] { DBEngine().OpenDatabase(dir / "none.mdb"); }), ErrorKind::kCannotOpen);
  EXPECT_EQ(KindOf([&] { DBEngine().OpenDatabase(""); }), ErrorKind::kCannotOpen);

  const std::string file = dir / "v.db";
  Sql(file, "CREATE TABLE Real (a); INSERT INTO Real VALUES (1);"
            "CREATE VIEW Config AS WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n)"
            " SELECT i AS Instrument FROM n WHERE i < 0;"
            "CREATE VIRTUAL TABLE Parameters USING fts4(x);");
  const std::string before = Bytes(file);
  Database db = DBEngine().OpenDatabase(file, OpenMode::kReadOnly);
  EXPECT_EQ(KindOf([&] { db.OpenRecordset("Config"); }), ErrorKind::kNoSuchTable);
  EXPECT_EQ(KindOf([&] { db.OpenRecordset("Parameters"); }), ErrorKind::kNoSuchTable);
  EXPECT_EQ(db.OpenRecordset("Real").Field(0).AsInt16(), 1);
  db.Close();
  EXPECT_EQ(Bytes(file), before);
}

TEST(DaoEngine, ALoadIsCutOffWhenItsTimeIsUp) {
  // A plain table of 768 rows read through a recordset, as a signal loads.
  Folder dir;
  const std::string file = dir / "rows.db";
  Sql(file, "CREATE TABLE Data (Sample INTEGER);"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 768)"
            " INSERT INTO Data SELECT i FROM n;");
  const auto read_all = [&] {
    Database db = DBEngine().OpenDatabase(file, OpenMode::kReadOnly);
    Recordset rs = db.OpenRecordset("Data", 768);
    int rows = 0;
    for (; !rs.EndOfFile(); rs.MoveNext()) ++rows;
    return rows;
  };
  const std::chrono::milliseconds usual = DBEngine().LoadTimeLimit();
  EXPECT_EQ(usual, std::chrono::seconds(kLoadSeconds));
  EXPECT_EQ(read_all(), 768);
  // With no time at all the first statement that reads is cut off by the
  // clock (not by its own work), with a message that says so.
  DBEngine().SetLoadTimeLimit(std::chrono::milliseconds(0));
  std::string message;
  try {
    read_all();
  } catch (const Error& e) {
    EXPECT_EQ(e.Kind(), ErrorKind::kEngine);
    message = e.what();
  }
  DBEngine().SetLoadTimeLimit(usual);
  EXPECT_NE(message.find("took longer than 0 s"), std::string::npos) << message;
  EXPECT_EQ(read_all(), 768);
}

TEST(DaoReplacementFile, TargetChangesOnlyOnCommit) {
  Folder dir;
  const std::string tpl = dir / "model.mdx";
  const std::string target = dir / "target.mdb";
  std::ofstream(tpl) << "template";
  std::ofstream(target) << "old contents";
  ::chmod(target.c_str(), 0640);

  EXPECT_EQ(KindOf([&] { ReplacementFile f(dir / "missing.mdx", target); }), ErrorKind::kFileSystem);
  EXPECT_EQ(dir.Files(), 2);  // nothing created
  {
    ReplacementFile f(tpl, target);
    EXPECT_EQ(Bytes(f.TemporaryPath()), "template");
    EXPECT_EQ(fs::path(f.TemporaryPath()).parent_path(), fs::path(target).parent_path());
    std::ofstream(f.TemporaryPath(), std::ios::app) << " changed";
  }  // abandoned: the copy goes, the target stays
  EXPECT_EQ(Bytes(target), "old contents");
  EXPECT_EQ(dir.Files(), 2);
  {
    ReplacementFile f(tpl, target);
    std::ofstream(f.TemporaryPath(), std::ios::app) << " filled";
    f.Commit();
  }
  EXPECT_EQ(Bytes(target), "template filled");
  EXPECT_EQ(dir.Files(), 2);
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(KindOf([&] { ReplacementFile f(tpl, dir / "no-such-folder/x.mdb"); }), ErrorKind::kFileSystem);
}

TEST(DaoDatabase, TablesAreFoundAsTheSchemaStandsNow) {
  Folder dir;
  const std::string file = dir / "s.db";
  Sql(file, "CREATE TABLE First (a)");
  Database db = DBEngine().OpenDatabase(file);
  EXPECT_EQ(db.OpenRecordset("First").FieldCount(), 1);
  // Another program adds a table between two recordsets.
  Sql(file, "CREATE TABLE Second (a, b)");
  EXPECT_EQ(db.OpenRecordset("Second").FieldCount(), 2);
  // A table created in a transaction that is rolled back is gone again.
  db.BeginTrans();
  db.CreateTable(kSample);
  EXPECT_EQ(db.OpenRecordset("Sample").FieldCount(), 4);
  db.Rollback();
  db.BeginTrans();
  EXPECT_EQ(KindOf([&] { db.OpenRecordset("Sample"); }), ErrorKind::kNoSuchTable);
  EXPECT_EQ(db.OpenRecordset("first").FieldCount(), 1);
  db.CommitTrans();
}

TEST(Printable, FileTextsBecomeOnePrintableLineOfBoundedLength) {
  struct Case {
    std::string text;
    std::size_t max;
    std::string shown;
  };
  const Case cases[] = {
      {"Gain 20mV/div \\ ok", 200, "Gain 20mV/div \\ ok"},
      {"a\x1b[2J\a\nb\r\t", 200, "a\\e[2J\\x07\\nb\\r\\t"},
      {std::string("Orva\0After", 10), 200, "Orva\\x00After"},
      {"caf\xc3\xa9 \xe2\x82\xac", 200, "caf\xc3\xa9 \xe2\x82\xac"},     // UTF-8 kept
      {"\xc2\x9b" "31m \xff \xc3", 200, "\\xc2\\x9b31m \\xff \\xc3"},  // C1 CSI, bad bytes
      {"abcdefghij", 10, "abcdefghij"},                                    // fits exactly
      {"abcdefghijk", 10, "abcdefg..."},
      {"\xe2\x82\xac\xe2\x82\xac\xe2\x82\xac", 8, "\xe2\x82\xac..."},     // never half a character
      {"\x01\x02\x03", 9, "\\x01..."},                                     // never half an escape
  };
  for (const Case& c : cases) EXPECT_EQ(orva::Printable(c.text, c.max), c.shown) << c.shown;
}
