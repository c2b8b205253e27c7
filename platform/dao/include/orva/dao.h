// Database files: a small recordset layer over SQLite 3.
//
// What the stores need of a database engine, and no more:
// - Engine (DBEngine()): the one engine object of the process, created on
//   first use by whichever store needs it first; it opens databases by path.
// - Database: an open file; opens recordsets by table name, creates tables
//   from a schema, runs one transaction at a time, closes.
// - Recordset: one table. Appending: AddNew, assign fields by name or by
//   position, Update (one prepared INSERT, prepared once per recordset).
//   Reading: positioned on the first row when opened; MoveFirst, MoveNext,
//   MoveLast, RecordCount (the rows read so far: after MoveLast, all of
//   them), EndOfFile, Field by name or by position. Rows come back in the
//   order they were appended (ascending real row id). Each row is read from the
//   file once and kept while the recordset is open, so moving back to the
//   first row reads nothing again (rows appended through the recordset are
//   not among them).
// - Value: one field value (null, integer, real or text) with checked
//   conversions to the kinds the stores read.
// - ReplacementFile: the atomic save: a copy of a template beside the target,
//   flushed and renamed over the target only when everything was written.
//
// Every failure is thrown as dao::Error (one type, with a kind), so that each
// store operation keeps a single error trap.
//
// Field kinds follow the declared column types: TEXT/CHAR/CLOB -> text,
// SMALLINT/INT16/SHORT -> 16-bit integer, BOOLEAN/BOOL/BIT/YESNO -> boolean
// (stored -1 true, 0 false; any non-zero reads as true), FLOAT/SINGLE ->
// single-precision real, REAL/DOUBLE -> double, other INT types -> 32-bit
// integer, anything else -> kept as given. Field names are matched without
// regard to letter case, as table names are.
//
// Bounds, for files from anywhere (a file need not have been written by us):
// - a recordset reads at most its row limit (OpenRecordset's max_rows) and
//   keeps at most kMaxRecordsetBytes of them; a MoveNext or MoveLast past
//   either throws kTooManyRows, so no read is unbounded;
// - one text or blob value holds at most kMaxValueBytes; a longer one throws
//   (on reading and on writing);
// - only ordinary tables open as recordsets: a view, a virtual table, a table
//   without row ids, one with generated or hidden columns, one with a column
//   named rowid, _rowid_ or oid (which would hide the real row id and change
//   the order of the rows) or one with triggers is refused before any row is
//   read (kNoSuchTable from OpenRecordset, kNotPlainTable from
//   HasPlainTable, with the reason); so no expression of the file runs on a
//   read;
// - one step of any statement is cut off after a fixed amount of engine
//   work, and every statement of a kReadOnly database once kLoadSeconds have
//   passed since it was opened (kEngine; Engine::SetLoadTimeLimit changes
//   that time), so a crafted file cannot keep the program busy;
// - files opened kReadOnly are never written, and nothing is written beside
//   them: the file (at most kMaxFileBytes) is read into memory and the
//   engine reads that copy (OpenImage), in whatever journal mode the file
//   was written. A file beside which another program left an unfinished
//   change (a rollback journal with a live header, or a write-ahead log that
//   is not empty) is refused with kEngine and a message that says so: the
//   file alone may be half-changed;
// - the engine runs in defensive mode with untrusted schemas (no function of
//   a file's schema runs), a bounded page cache, and length, column,
//   expression and attachment limits;
// - a file that is not a database, or a damaged one, throws kEngine at the
//   first statement that reads it.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace orva::dao {

enum class ErrorKind {
  kCannotOpen,       // the file does not exist or cannot be opened
  kEngine,           // the engine refused: not a database, damaged, I/O, constraint, limits
  kNoSuchTable,      // no ordinary table of that name
  kNoSuchField,      // no field of that name or position
  kNoCurrentRecord,  // read with no current row (empty table, past the end)
  kNotEditing,       // a field assigned, or Update, without AddNew
  kNullValue,        // a null read as a number, text or boolean
  kTypeMismatch,     // a value that does not convert to the kind asked for
  kOverflow,         // a number outside the range of the kind asked for
  kTooManyRows,      // more rows than the recordset's limit
  kClosed,           // the database or recordset was closed
  kFileSystem,       // template copy, flush or rename failed
  kNotPlainTable,    // a view, virtual table or table with computed columns, triggers or no row ids
};

class Error : public std::runtime_error {
 public:
  Error(ErrorKind kind, const std::string& what) : std::runtime_error(what), kind_(kind) {}
  ErrorKind Kind() const noexcept { return kind_; }

 private:
  ErrorKind kind_;
};

// Longest text or blob value read or written, in bytes.
inline constexpr int kMaxValueBytes = 1 << 20;
// Most bytes of rows a recordset keeps (values and their texts).
inline constexpr std::size_t kMaxRecordsetBytes = std::size_t{64} << 20;
// Largest file a load reads (it is read into memory whole).
inline constexpr std::size_t kMaxFileBytes = std::size_t{64} << 20;
// Longest time all the statements of one kReadOnly database may take, in seconds.
inline constexpr int kLoadSeconds = 2;

// A field value.
class Value {
 public:
  Value() = default;  // null
  Value(std::int64_t v) : v_(v) {}
  Value(int v) : v_(std::int64_t{v}) {}
  Value(double v) : v_(v) {}
  Value(std::string v) : v_(std::move(v)) {}
  Value(const char* v) : v_(std::string(v)) {}
  static Value Boolean(bool b) { return Value(std::int64_t{b ? -1 : 0}); }

  bool IsNull() const { return std::holds_alternative<std::monostate>(v_); }
  bool IsInteger() const { return std::holds_alternative<std::int64_t>(v_); }
  bool IsReal() const { return std::holds_alternative<double>(v_); }
  bool IsText() const { return std::holds_alternative<std::string>(v_); }

  // Conversions; each throws Error (kNullValue, kTypeMismatch, kOverflow).
  // Text converts to a number only when all of it is one number (blanks
  // around it allowed; '.' as the decimal point, whatever the locale).
  // Reals convert to integers rounded half to even.
  std::string AsText() const;  // numbers as their shortest decimal text
  std::int16_t AsInt16() const;
  std::int32_t AsInt32() const;
  bool AsBoolean() const;  // numbers: non-zero; text: a number, "true" or "false"
  double AsDouble() const;
  float AsSingle() const;  // kOverflow outside the finite single-precision range

  const std::variant<std::monostate, std::int64_t, double, std::string>& Raw() const { return v_; }

 private:
  std::variant<std::monostate, std::int64_t, double, std::string> v_;
};

enum class FieldType { kText, kInt16, kInt32, kBoolean, kSingle, kDouble, kAny };

struct FieldSchema {
  std::string_view name;
  FieldType type;
};
struct TableSchema {
  std::string_view name;
  std::vector<FieldSchema> fields;
};

// The declared column type written for a field kind ("TEXT", "SMALLINT", ...)
// and the kind read back from a declared type.
std::string_view DeclaredType(FieldType type);
FieldType TypeOfDeclared(std::string_view declared);

struct Connection;

class Recordset {
 public:
  Recordset(Recordset&&) noexcept;
  Recordset& operator=(Recordset&&) noexcept;
  ~Recordset();

  // Appending.
  void AddNew();
  void SetField(std::string_view name, const Value& v);
  void SetField(int position, const Value& v);
  void Update();

  // Reading.
  void MoveFirst();
  void MoveNext();
  void MoveLast();
  bool EndOfFile() const;
  std::int32_t RecordCount() const { return rows_; }
  Value Field(std::string_view name) const;
  Value Field(int position) const;

  int FieldCount() const { return static_cast<int>(columns_.size()); }
  const std::string& FieldName(int position) const;
  void Close();

 private:
  friend class Database;
  struct Column {
    std::string name;
    FieldType type;
  };
  Recordset(std::shared_ptr<Connection> c, std::string table, std::vector<Column> cols,
            std::int32_t max_rows);
  int PositionOf(std::string_view name) const;
  void CheckOpen() const;
  void ReadRow();  // the next row of the SELECT into the kept rows, or done_
  void Finalize();

  std::shared_ptr<Connection> conn_;
  std::string table_;
  std::vector<Column> columns_;
  std::int32_t max_rows_ = 0;
  // Reading: the SELECT and the rows read so far, row after row.
  sqlite3_stmt* select_ = nullptr;
  std::vector<Value> values_;
  std::size_t bytes_ = 0;   // kept, counted against kMaxRecordsetBytes
  std::int32_t rows_ = 0;   // rows read
  std::int32_t pos_ = 0;    // current row; rows_ (or more) is the end of file
  bool done_ = false;       // the SELECT has no more rows
  // Appending: the edit buffer and the INSERT of the fields it sets.
  bool editing_ = false;
  std::vector<Value> edit_;
  std::vector<bool> assigned_;
  sqlite3_stmt* insert_ = nullptr;
  std::vector<bool> insert_mask_;
};

enum class OpenMode {
  kReadOnly,   // loading: the file is never written
  kReadWrite,  // the ordinary read/write, shared open
  kNewFile,    // a file nobody else has yet (a ReplacementFile's copy): no
               // rollback journal on disk and no syncs; ReplacementFile makes
               // it durable before it replaces anything
};

class Database {
 public:
  Database(Database&&) noexcept;
  Database& operator=(Database&&) noexcept;
  ~Database();

  // Opens the table for reading and appending; rows beyond max_rows are
  // refused when read (kTooManyRows).
  Recordset OpenRecordset(std::string_view table, std::int32_t max_rows = 1);
  // Whether the file holds an ordinary table of that name (letter case
  // ignored); false when it holds nothing of that name. A view, a virtual
  // table or a table that is not ordinary throws kNotPlainTable (see the
  // bounds above). Reads no row. With fields, the table's field names in
  // order are put there.
  bool HasPlainTable(std::string_view table, std::vector<std::string>* fields = nullptr);
  // Creates the table with its fields in order (for templates).
  void CreateTable(const TableSchema& schema);
  void BeginTrans();
  void CommitTrans();
  void Rollback();
  // Closes the file; recordsets still open keep it open until they close.
  void Close();
  const std::string& Path() const { return path_; }

 private:
  friend class Engine;
  Database(std::shared_ptr<Connection> c, std::string path);
  void Exec(const char* sql);
  // Runs a transaction statement (tables are looked up afresh for every recordset).
  void EndsTheTableList(const char* sql);
  std::shared_ptr<Connection> conn_;
  std::string path_;
};

class Engine {
 public:
  // Opens a database file; kCannotOpen when it does not exist (kNewFile and
  // kReadWrite never create one, except CreateDatabase below).
  Database OpenDatabase(const std::string& path, OpenMode mode = OpenMode::kReadWrite);
  // Opens the bytes of a database file, read only, as kReadOnly opens a file
  // (name is what messages call it). Nothing is written anywhere.
  Database OpenImage(const std::string& name, std::string bytes);
  // Creates a new, empty database file (refused when the file exists).
  Database CreateDatabase(const std::string& path);
  // The time a kReadOnly database (a load) may take from its opening, for
  // every database opened afterwards: kLoadSeconds unless set; kept to
  // 0 .. 60 s.
  void SetLoadTimeLimit(std::chrono::milliseconds limit);
  std::chrono::milliseconds LoadTimeLimit() const;

 private:
  friend Engine& DBEngine();
  Engine();
};

// The process's engine, created on first use.
Engine& DBEngine();

// The atomic replacement of a file by a new one made from a template, or
// written from nothing.
//
//   ReplacementFile f(template, target);   // template copied beside target
//   ReplacementFile f(target);             // an empty file beside target
//   ... write f.TemporaryPath() ...
//   f.Commit();                            // flush, rename over target, flush folder
//
// A target that is a symbolic link is followed: the file it points to is
// replaced (its copy made in that file's folder) and the link stays. The copy
// is a new file in the target's folder (".<name>.<8 hex digits>.tmp", created
// exclusively, with the permissions the target had, else the default ones).
// Until Commit succeeds the target is not touched; a ReplacementFile
// destroyed without a successful Commit removes its copy. A kill leaves at
// most that hidden copy behind, never a damaged target; such copies older
// than ten minutes (of this user, by their name) are removed by the next
// ReplacementFile made in that folder.
// Commit removes the side files another program may have left beside the
// target ("-journal", "-wal", "-shm": that program's unfinished changes go
// with the old file) just before the rename, so that none applies to the new
// file. A write beyond the process's file-size limit fails (SIGXFSZ is
// ignored from the first ReplacementFile on) instead of ending the process.
// Throws Error(kFileSystem) when the template cannot be read (nothing is
// created then) or the copy cannot be written.
class ReplacementFile {
 public:
  ReplacementFile(const std::string& template_path, const std::string& target);
  explicit ReplacementFile(const std::string& target);
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  const std::string& TemporaryPath() const { return temp_; }
  const std::string& Target() const { return target_; }
  void Commit();

 private:
  std::string target_;
  std::string temp_;
  bool committed_ = false;
  // Creates the hidden copy (empty, with the target's permissions when it
  // replaces one) and returns its open descriptor.
  int CreateTemporary();
};

}  // namespace orva::dao
