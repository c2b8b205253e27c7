// The engine, databases and recordsets over the SQLite C API.
#include <sqlite3.h>

#include <cctype>
#include <filesystem>
#include <optional>
#include <utility>

#include "orva/dao.h"
#include "text.h"

namespace orva::dao {

// One open SQLite connection, shared by the database and its recordsets; the
// file is closed when the last of them lets it go (every statement is
// finalized by its owner first).
struct Connection {
  sqlite3* db = nullptr;
  // Engine work of the statement step in progress, in progress-handler ticks.
  long ticks = 0;
  // The ordinary tables of the file, kept only while a transaction of this
  // connection is open: its read lock keeps other programs from changing the
  // schema meanwhile. Beginning or ending a transaction and CreateTable
  // forget them.
  std::optional<std::vector<std::string>> tables;
  ~Connection() {
    if (db != nullptr) sqlite3_close(db);
  }
};

namespace {

// One tick is this many virtual-machine instructions; a step that takes more
// than kTickLimit ticks (about 50 million instructions, a fraction of a second)
// is cut off. Reading or appending one row takes a few dozen.
constexpr int kInstructionsPerTick = 10000;
constexpr long kTickLimit = 5000;

int Progress(void* p) {
  auto* c = static_cast<Connection*>(p);
  return ++c->ticks > kTickLimit ? 1 : 0;
}

[[noreturn]] void EngineError(sqlite3* db, const std::string& what) {
  std::string msg = what;
  if (db != nullptr) {
    msg += ": ";
    msg += sqlite3_errmsg(db);
  }
  throw Error(ErrorKind::kEngine, msg);
}

std::string Quoted(std::string_view name) {
  std::string q = "\"";
  for (char c : name) {
    if (c == '"') q += '"';
    q += c;
  }
  return q + "\"";
}

sqlite3_stmt* Prepare(Connection& c, const std::string& sql) {
  sqlite3_stmt* s = nullptr;
  c.ticks = 0;
  if (sqlite3_prepare_v2(c.db, sql.c_str(), static_cast<int>(sql.size()), &s, nullptr) != SQLITE_OK) {
    sqlite3_finalize(s);
    throw Error(ErrorKind::kEngine, sqlite3_errmsg(c.db));
  }
  return s;
}

Value ColumnValue(sqlite3_stmt* s, int i) {
  switch (sqlite3_column_type(s, i)) {
    case SQLITE_INTEGER: return Value(static_cast<std::int64_t>(sqlite3_column_int64(s, i)));
    case SQLITE_FLOAT: return Value(sqlite3_column_double(s, i));
    case SQLITE_NULL: return Value();
    default: {  // text, and a blob taken as its bytes
      const auto* p = static_cast<const char*>(sqlite3_column_blob(s, i));
      const int n = sqlite3_column_bytes(s, i);
      if (n > kMaxValueBytes) throw Error(ErrorKind::kEngine, "a field value is too long");
      return Value(std::string(p != nullptr ? p : "", static_cast<std::size_t>(n)));
    }
  }
}

// The value as it is stored in a column of the given kind.
Value ForColumn(FieldType type, const Value& v) {
  if (v.IsNull()) return v;
  switch (type) {
    case FieldType::kText: {
      std::string t = v.AsText();
      if (t.size() > static_cast<std::size_t>(kMaxValueBytes))
        throw Error(ErrorKind::kOverflow, "a text is longer than a field holds");
      return Value(std::move(t));
    }
    case FieldType::kInt16: return Value(std::int64_t{v.AsInt16()});
    case FieldType::kInt32: return Value(std::int64_t{v.AsInt32()});
    case FieldType::kBoolean: return Value::Boolean(v.AsBoolean());
    case FieldType::kSingle: return Value(static_cast<double>(v.AsSingle()));
    case FieldType::kDouble: return Value(v.AsDouble());
    case FieldType::kAny: break;
  }
  return v;
}

void Bind(Connection& c, sqlite3_stmt* s, int index, const Value& v) {
  int rc = SQLITE_OK;
  if (v.IsNull()) {
    rc = sqlite3_bind_null(s, index);
  } else if (v.IsInteger()) {
    rc = sqlite3_bind_int64(s, index, std::get<std::int64_t>(v.Raw()));
  } else if (v.IsReal()) {
    rc = sqlite3_bind_double(s, index, std::get<double>(v.Raw()));
  } else {
    const std::string& t = std::get<std::string>(v.Raw());
    rc = sqlite3_bind_text(s, index, t.data(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
  }
  if (rc != SQLITE_OK) EngineError(c.db, "cannot bind a field value");
}

}  // namespace

// ---- Recordset ------------------------------------------------------------------

Recordset::Recordset(std::shared_ptr<Connection> c, std::string table, std::vector<Column> cols,
                     std::int32_t max_rows)
    : conn_(std::move(c)), table_(std::move(table)), columns_(std::move(cols)),
      max_rows_(max_rows) {}

Recordset::Recordset(Recordset&& o) noexcept { *this = std::move(o); }

Recordset& Recordset::operator=(Recordset&& o) noexcept {
  if (this != &o) {
    Finalize();
    conn_ = std::move(o.conn_);
    table_ = std::move(o.table_);
    columns_ = std::move(o.columns_);
    max_rows_ = o.max_rows_;
    select_ = std::exchange(o.select_, nullptr);
    values_ = std::move(o.values_);
    bytes_ = o.bytes_;
    rows_ = o.rows_;
    pos_ = o.pos_;
    done_ = o.done_;
    editing_ = o.editing_;
    edit_ = std::move(o.edit_);
    assigned_ = std::move(o.assigned_);
    insert_ = std::exchange(o.insert_, nullptr);
    insert_mask_ = std::move(o.insert_mask_);
  }
  return *this;
}

Recordset::~Recordset() { Finalize(); }

void Recordset::Finalize() {
  if (select_ != nullptr) sqlite3_finalize(select_);
  if (insert_ != nullptr) sqlite3_finalize(insert_);
  select_ = nullptr;
  insert_ = nullptr;
}

void Recordset::Close() {
  Finalize();
  conn_.reset();
  values_.clear();
  rows_ = pos_ = 0;
  done_ = true;
  editing_ = false;
}

void Recordset::CheckOpen() const {
  if (!conn_) throw Error(ErrorKind::kClosed, "the recordset of " + table_ + " is closed");
}

int Recordset::PositionOf(std::string_view name) const {
  for (std::size_t i = 0; i < columns_.size(); ++i)
    if (detail::EqualsNoCase(columns_[i].name, name)) return static_cast<int>(i);
  throw Error(ErrorKind::kNoSuchField, "table " + table_ + " has no field " + std::string(name));
}

const std::string& Recordset::FieldName(int position) const {
  if (position < 0 || position >= FieldCount())
    throw Error(ErrorKind::kNoSuchField, "table " + table_ + " has no field " + std::to_string(position));
  return columns_[static_cast<std::size_t>(position)].name;
}

void Recordset::ReadRow() {
  CheckOpen();
  Connection& c = *conn_;
  c.ticks = 0;
  const int rc = sqlite3_step(select_);
  if (rc == SQLITE_DONE) {
    done_ = true;
    return;
  }
  if (rc != SQLITE_ROW) EngineError(c.db, "cannot read table " + table_);
  if (rows_ >= max_rows_)
    throw Error(ErrorKind::kTooManyRows,
                "table " + table_ + " holds more than " + std::to_string(max_rows_) + " rows");
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    Value v = ColumnValue(select_, static_cast<int>(i));
    bytes_ += sizeof(Value) + (v.IsText() ? std::get<std::string>(v.Raw()).size() : 0);
    if (bytes_ > kMaxRecordsetBytes) throw Error(ErrorKind::kTooManyRows, "table " + table_ + " is too large");
    values_.push_back(std::move(v));
  }
  ++rows_;
}

void Recordset::MoveFirst() {
  CheckOpen();
  pos_ = 0;
  if (rows_ == 0 && !done_) ReadRow();
}

void Recordset::MoveNext() {
  if (EndOfFile()) throw Error(ErrorKind::kNoCurrentRecord, "no current record in " + table_);
  ++pos_;
  if (pos_ == rows_ && !done_) ReadRow();
}

void Recordset::MoveLast() {
  MoveFirst();
  if (EndOfFile()) throw Error(ErrorKind::kNoCurrentRecord, "no current record in " + table_);
  while (!done_) ReadRow();
  pos_ = rows_ - 1;
}

bool Recordset::EndOfFile() const { return pos_ >= rows_; }

Value Recordset::Field(int position) const {
  CheckOpen();
  if (position < 0 || position >= FieldCount())
    throw Error(ErrorKind::kNoSuchField, "table " + table_ + " has no field " + std::to_string(position));
  if (EndOfFile()) throw Error(ErrorKind::kNoCurrentRecord, "no current record in " + table_);
  return values_[static_cast<std::size_t>(pos_) * columns_.size() + static_cast<std::size_t>(position)];
}

Value Recordset::Field(std::string_view name) const { return Field(PositionOf(name)); }

void Recordset::AddNew() {
  CheckOpen();
  editing_ = true;
  edit_.assign(columns_.size(), Value());
  assigned_.assign(columns_.size(), false);
}

void Recordset::SetField(int position, const Value& v) {
  CheckOpen();
  if (!editing_) throw Error(ErrorKind::kNotEditing, "a field of " + table_ + " set without AddNew");
  if (position < 0 || position >= FieldCount())
    throw Error(ErrorKind::kNoSuchField, "table " + table_ + " has no field " + std::to_string(position));
  const auto p = static_cast<std::size_t>(position);
  edit_[p] = ForColumn(columns_[p].type, v);
  assigned_[p] = true;
}

void Recordset::SetField(std::string_view name, const Value& v) { SetField(PositionOf(name), v); }

void Recordset::Update() {
  CheckOpen();
  if (!editing_) throw Error(ErrorKind::kNotEditing, "Update of " + table_ + " without AddNew");
  editing_ = false;
  Connection& c = *conn_;
  if (insert_ == nullptr || insert_mask_ != assigned_) {
    if (insert_ != nullptr) sqlite3_finalize(insert_);
    insert_ = nullptr;
    std::string names;
    std::string marks;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      if (!assigned_[i]) continue;
      if (!names.empty()) {
        names += ',';
        marks += ',';
      }
      names += Quoted(columns_[i].name);
      marks += '?';
    }
    const std::string sql = names.empty()
                                ? "INSERT INTO " + Quoted(table_) + " DEFAULT VALUES"
                                : "INSERT INTO " + Quoted(table_) + " (" + names + ") VALUES (" + marks + ")";
    insert_ = Prepare(c, sql);
    insert_mask_ = assigned_;
  }
  int index = 0;
  for (std::size_t i = 0; i < columns_.size(); ++i)
    if (assigned_[i]) Bind(c, insert_, ++index, edit_[i]);
  c.ticks = 0;
  const int rc = sqlite3_step(insert_);
  sqlite3_reset(insert_);
  sqlite3_clear_bindings(insert_);
  if (rc != SQLITE_DONE) EngineError(c.db, "cannot append a row to " + table_);
}

// ---- Database -------------------------------------------------------------------

Database::Database(std::shared_ptr<Connection> c, std::string path)
    : conn_(std::move(c)), path_(std::move(path)) {}
Database::Database(Database&&) noexcept = default;
Database& Database::operator=(Database&&) noexcept = default;
Database::~Database() = default;

void Database::Exec(const char* sql) {
  if (!conn_) throw Error(ErrorKind::kClosed, "the database " + path_ + " is closed");
  conn_->ticks = 0;
  if (sqlite3_exec(conn_->db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
    throw Error(ErrorKind::kEngine, sqlite3_errmsg(conn_->db));
}

Recordset Database::OpenRecordset(std::string_view table, std::int32_t max_rows) {
  if (!conn_) throw Error(ErrorKind::kClosed, "the database " + path_ + " is closed");
  Connection& c = *conn_;
  // Only an ordinary table: a view or a virtual table could run anything.
  // Outside a transaction the schema may change between two statements, so
  // the list is read again for every recordset.
  if (sqlite3_get_autocommit(c.db) != 0) c.tables.reset();
  if (!c.tables) {
    sqlite3_stmt* q = Prepare(c,
                              "SELECT name FROM sqlite_master WHERE type = 'table' "
                              "AND sql NOT LIKE 'CREATE VIRTUAL%'");
    std::vector<std::string> names;
    int rc = SQLITE_ROW;
    // One work budget for the whole list, however many tables a file declares.
    c.ticks = 0;
    while ((rc = sqlite3_step(q)) == SQLITE_ROW) {
      const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(q, 0));
      names.emplace_back(t != nullptr ? t : "");
    }
    sqlite3_finalize(q);
    if (rc != SQLITE_DONE) EngineError(c.db, "cannot read the list of tables");
    c.tables = std::move(names);
  }
  bool found = false;
  for (const std::string& t : *c.tables) found = found || detail::EqualsNoCase(t, table);
  if (!found) throw Error(ErrorKind::kNoSuchTable, "no table " + std::string(table));
  const std::string name(table);
  sqlite3_stmt* select = Prepare(c, "SELECT * FROM " + Quoted(name) + " ORDER BY rowid");
  std::vector<Recordset::Column> cols;
  const int n = sqlite3_column_count(select);
  for (int i = 0; i < n; ++i) {
    const char* nm = sqlite3_column_name(select, i);
    const char* decl = sqlite3_column_decltype(select, i);
    cols.push_back({nm != nullptr ? nm : "", TypeOfDeclared(decl != nullptr ? decl : "")});
  }
  Recordset rs(conn_, name, std::move(cols), max_rows < 0 ? 0 : max_rows);
  rs.select_ = select;
  rs.MoveFirst();  // positioned on the first row, as a freshly opened recordset is
  return rs;
}

void Database::CreateTable(const TableSchema& schema) {
  std::string sql = "CREATE TABLE " + Quoted(schema.name) + " (";
  for (std::size_t i = 0; i < schema.fields.size(); ++i) {
    if (i > 0) sql += ", ";
    sql += Quoted(schema.fields[i].name);
    const std::string_view decl = DeclaredType(schema.fields[i].type);
    if (!decl.empty()) {
      sql += ' ';
      sql += decl;
    }
  }
  sql += ")";
  Exec(sql.c_str());
  conn_->tables.reset();
}

void Database::BeginTrans() { EndsTheTableList("BEGIN"); }
void Database::CommitTrans() { EndsTheTableList("COMMIT"); }
void Database::Rollback() { EndsTheTableList("ROLLBACK"); }

void Database::EndsTheTableList(const char* sql) {
  if (conn_) conn_->tables.reset();
  Exec(sql);
}
void Database::Close() { conn_.reset(); }

// ---- Engine ---------------------------------------------------------------------

Engine::Engine() { sqlite3_initialize(); }

Engine& DBEngine() {
  static Engine engine;
  return engine;
}

namespace {

// SQLite reads "" as a private temporary database and ":memory:" as memory:
// every path is made absolute, so a name always means a file.
std::string FilePath(const std::string& path) {
  if (path.empty()) throw Error(ErrorKind::kCannotOpen, "no file name given");
  std::error_code ec;
  const std::filesystem::path abs = std::filesystem::absolute(path, ec);
  if (ec) throw Error(ErrorKind::kCannotOpen, "cannot open " + path + ": " + ec.message());
  return abs.string();
}

std::shared_ptr<Connection> Connect(const std::string& path, int flags) {
  auto c = std::make_shared<Connection>();
  const int rc = sqlite3_open_v2(path.c_str(), &c->db, flags, nullptr);
  if (rc != SQLITE_OK) {
    const std::string msg = c->db != nullptr ? sqlite3_errmsg(c->db) : "out of memory";
    throw Error(ErrorKind::kCannotOpen, "cannot open " + path + ": " + msg);
  }
  sqlite3* db = c->db;
  sqlite3_extended_result_codes(db, 1);
  // No schema of a file runs functions or writes the schema itself.
  sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
  sqlite3_limit(db, SQLITE_LIMIT_LENGTH, kMaxValueBytes);
  sqlite3_limit(db, SQLITE_LIMIT_SQL_LENGTH, 100000);
  sqlite3_limit(db, SQLITE_LIMIT_COLUMN, 200);
  sqlite3_limit(db, SQLITE_LIMIT_EXPR_DEPTH, 100);
  sqlite3_limit(db, SQLITE_LIMIT_COMPOUND_SELECT, 10);
  sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 0);
  sqlite3_limit(db, SQLITE_LIMIT_TRIGGER_DEPTH, 10);
  sqlite3_progress_handler(db, kInstructionsPerTick, Progress, c.get());
  sqlite3_busy_timeout(db, 2000);  // another program briefly writing the same file
  return c;
}

}  // namespace

Database Engine::OpenDatabase(const std::string& path, OpenMode mode) {
  const std::string file = FilePath(path);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec))
    throw Error(ErrorKind::kCannotOpen, "no file " + path);
  const int flags = mode == OpenMode::kReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
  auto c = Connect(file, flags | SQLITE_OPEN_NOMUTEX);
  Database db(c, path);
  if (mode == OpenMode::kReadOnly) {
    db.Exec("PRAGMA cell_size_check = ON");
  } else if (mode == OpenMode::kNewFile) {
    db.Exec("PRAGMA locking_mode = EXCLUSIVE");
    db.Exec("PRAGMA journal_mode = MEMORY");
    db.Exec("PRAGMA synchronous = OFF");
  }
  return db;
}

Database Engine::CreateDatabase(const std::string& path) {
  const std::string file = FilePath(path);
  std::error_code ec;
  if (std::filesystem::exists(file, ec))
    throw Error(ErrorKind::kCannotOpen, "cannot create " + path + ": the file exists");
  return Database(Connect(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX), path);
}

}  // namespace orva::dao
