// The engine, databases and recordsets over the SQLite C API.
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <optional>
#include <utility>

#include "orva/dao.h"
#include "orva/printable.h"
#include "text.h"

namespace orva::dao {

// One open SQLite connection, shared by the database and its recordsets; the
// file is closed when the last of them lets it go (every statement is
// finalized by its owner first).
struct Connection {
  sqlite3* db = nullptr;
  // Engine work of the statement step in progress, in progress-handler ticks.
  long ticks = 0;
  // A load's whole time: every statement of a read-only connection is cut
  // off once this moment has passed (the progress handler looks at the clock).
  std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
  bool past_deadline = false;
  ~Connection() {
    if (db != nullptr) sqlite3_close(db);
  }
};

namespace {

// One tick is this many virtual-machine instructions; a step that takes more
// than kTickLimit ticks (about 50 million instructions, a fraction of a second)
// is cut off. Reading or appending one row takes a few dozen.
// The clock is looked at on every tick: a few microseconds of work apart.
constexpr int kInstructionsPerTick = 1000;
// A load's time limit in milliseconds (Engine::SetLoadTimeLimit).
std::atomic<long long> g_load_limit_ms{kLoadSeconds * 1000LL};
constexpr long kTickLimit = 50000;

int Progress(void* p) {
  auto* c = static_cast<Connection*>(p);
  if (++c->ticks > kTickLimit) return 1;
  if (std::chrono::steady_clock::now() > c->deadline) {
    c->past_deadline = true;
    return 1;
  }
  return 0;
}

// Bytes below the file-size limit within which a failed write counts as
// stopped by the limit (the engine writes a few pages at a time).
constexpr rlim_t kLimitMargin = 1 << 16;

// The engine's message, said plainly where the system's error is one a user
// can act on.
std::string EngineMessage(const Connection& c) {
  if (c.past_deadline) {
    const long long ms = g_load_limit_ms.load();
    return "reading the file took longer than " +
           (ms % 1000 == 0 ? std::to_string(ms / 1000) : std::to_string(ms / 1000) + "." + std::to_string(ms % 1000 / 100)) +
           " s";
  }
  // The engine keeps no reliable errno of a failed write: a write that
  // failed while the file reached the process's file-size limit (setrlimit,
  // ulimit -f) is taken as stopped by that limit (EFBIG, SIGXFSZ ignored).
  const int code = sqlite3_extended_errcode(c.db);
  if (code == SQLITE_IOERR_WRITE || code == SQLITE_FULL) {
    struct rlimit limit {};
    struct stat st {};
    const char* file = sqlite3_db_filename(c.db, "main");
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && file != nullptr &&
        ::stat(file, &st) == 0 && static_cast<rlim_t>(st.st_size) + kLimitMargin >= limit.rlim_cur)
      return "the file would be larger than the file-size limit of this process (" +
             std::to_string(limit.rlim_cur) + " bytes)";
    if (code == SQLITE_FULL) return "the disk is full";
  }
  return sqlite3_errmsg(c.db);
}

[[noreturn]] void EngineError(const Connection& c, const std::string& what) {
  throw Error(ErrorKind::kEngine, what + ": " + EngineMessage(c));
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
    throw Error(ErrorKind::kEngine, EngineMessage(c));
  }
  return s;
}

// A prepared statement, finalized when it goes out of scope.
class Statement {
 public:
  Statement(Connection& c, const std::string& sql) : s_(Prepare(c, sql)) {}
  ~Statement() { sqlite3_finalize(s_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  sqlite3_stmt* get() const { return s_; }

 private:
  sqlite3_stmt* s_;
};

std::string ColumnText(sqlite3_stmt* s, int i) {
  const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
  return t != nullptr ? std::string(t, static_cast<std::size_t>(sqlite3_column_bytes(s, i))) : std::string();
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
  if (rc != SQLITE_OK) EngineError(c, "cannot bind a field value");
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
  if (rc != SQLITE_ROW) EngineError(c, "cannot read table " + table_);
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
  if (rc != SQLITE_DONE) EngineError(c, "cannot append a row to " + table_);
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
    throw Error(ErrorKind::kEngine, EngineMessage(*conn_));
}

Recordset Database::OpenRecordset(std::string_view table, std::int32_t max_rows) {
  if (!conn_) throw Error(ErrorKind::kClosed, "the database " + path_ + " is closed");
  // Anything but an ordinary table is no table to a recordset.
  try {
    if (!HasPlainTable(table)) throw Error(ErrorKind::kNoSuchTable, "no table " + std::string(table));
  } catch (const Error& e) {
    if (e.Kind() != ErrorKind::kNotPlainTable) throw;
    throw Error(ErrorKind::kNoSuchTable, e.what());
  }
  Connection& c = *conn_;
  const std::string name(table);
  sqlite3_stmt* select = Prepare(c, "SELECT * FROM " + Quoted(name) + " ORDER BY _rowid_");
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
}

bool Database::HasPlainTable(std::string_view table, std::vector<std::string>* fields) {
  if (!conn_) throw Error(ErrorKind::kClosed, "the database " + path_ + " is closed");
  Connection& c = *conn_;
  const std::string name(table);
  const auto refuse = [&](const std::string& why) {
    throw Error(ErrorKind::kNotPlainTable, "table " + Printable(name, 60) + " " + why);
  };
  const auto bind_name = [&](const Statement& q) {
    if (sqlite3_bind_text(q.get(), 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT) != SQLITE_OK)
      EngineError(c, "cannot bind a name");
  };
  std::string type;
  std::string sql;
  {
    // Tables, views and virtual tables share one name space, whatever the case.
    Statement q(c, "SELECT type, sql FROM sqlite_master WHERE name = ?1 COLLATE NOCASE "
                   "AND type IN ('table', 'view')");
    bind_name(q);
    const int rc = sqlite3_step(q.get());
    if (rc == SQLITE_DONE) return false;
    if (rc != SQLITE_ROW) EngineError(c, "cannot read the list of tables");
    type = ColumnText(q.get(), 0);
    sql = ColumnText(q.get(), 1);
  }
  // A view or a virtual table could run anything when read.
  if (type != "table") refuse("is a view");
  std::string head = sql.substr(0, 20);
  for (char& ch : head) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  if (head.rfind("CREATE VIRTUAL", 0) == 0) refuse("is a virtual table");
  {
    // Generated columns are computed on every read, by any expression the
    // file likes; a column named like the row id would change the order the
    // rows are read in.
    Statement q(c, "SELECT name, hidden FROM pragma_table_xinfo(?1)");
    bind_name(q);
    if (fields != nullptr) fields->clear();
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(q.get())) == SQLITE_ROW) {
      const std::string column = ColumnText(q.get(), 0);
      if (sqlite3_column_int(q.get(), 1) != 0) refuse("has a generated or hidden column");
      for (const char* id : {"rowid", "_rowid_", "oid"})
        if (detail::EqualsNoCase(column, id)) refuse("has a column named " + std::string(id));
      if (fields != nullptr) fields->push_back(column);
    }
    if (rc != SQLITE_DONE) EngineError(c, "cannot read the columns of " + Printable(name, 60));
  }
  {
    Statement q(c, "SELECT count(*) FROM sqlite_master WHERE type = 'trigger' AND tbl_name = ?1 COLLATE NOCASE");
    bind_name(q);
    if (sqlite3_step(q.get()) != SQLITE_ROW) EngineError(c, "cannot read the list of triggers");
    if (sqlite3_column_int(q.get(), 0) != 0) refuse("has triggers");
  }
  // A table without row ids cannot give its rows in the order they were appended.
  sqlite3_stmt* probe = nullptr;
  const std::string rowid = "SELECT _rowid_ FROM " + Quoted(name);
  const int rc = sqlite3_prepare_v2(c.db, rowid.c_str(), -1, &probe, nullptr);
  sqlite3_finalize(probe);
  if (rc != SQLITE_OK) refuse("has no row ids");
  return true;
}

void Database::BeginTrans() { EndsTheTableList("BEGIN"); }
void Database::CommitTrans() { EndsTheTableList("COMMIT"); }
void Database::Rollback() { EndsTheTableList("ROLLBACK"); }

void Database::EndsTheTableList(const char* sql) { Exec(sql); }
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

void Limit(sqlite3* db) {
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
}

std::shared_ptr<Connection> Connect(const std::string& path, int flags) {
  auto c = std::make_shared<Connection>();
  const int rc = sqlite3_open_v2(path.c_str(), &c->db, flags, nullptr);
  if (rc != SQLITE_OK) {
    const std::string msg = c->db != nullptr ? sqlite3_errmsg(c->db) : "out of memory";
    throw Error(ErrorKind::kCannotOpen, "cannot open " + path + ": " + msg);
  }
  Limit(c->db);
  sqlite3_progress_handler(c->db, kInstructionsPerTick, Progress, c.get());
  sqlite3_busy_timeout(c->db, 2000);  // another program briefly writing the same file
  return c;
}

// The whole file, when it is a regular file of at most kMaxFileBytes.
std::string ReadImage(const std::string& file, const std::string& shown) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw Error(ErrorKind::kCannotOpen, "cannot open " + shown + ": " + std::strerror(errno));
  struct stat st {};
  std::string bytes;
  const auto fail = [&](ErrorKind kind, const std::string& why) {
    ::close(fd);
    throw Error(kind, why);
  };
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) fail(ErrorKind::kCannotOpen, "no file " + shown);
  if (st.st_size > static_cast<off_t>(kMaxFileBytes))
    fail(ErrorKind::kEngine, shown + " is larger than " + std::to_string(kMaxFileBytes >> 20) + " MiB");
  // Read up to one byte past the limit: a file growing meanwhile is refused too.
  bytes.resize(static_cast<std::size_t>(st.st_size) + 1);
  std::size_t n = 0;
  while (n < bytes.size()) {
    const ssize_t r = ::read(fd, bytes.data() + n, bytes.size() - n);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) fail(ErrorKind::kCannotOpen, "cannot read " + shown + ": " + std::strerror(errno));
    if (r == 0) break;
    n += static_cast<std::size_t>(r);
    if (n > kMaxFileBytes) fail(ErrorKind::kEngine, shown + " is too large");
    if (n == bytes.size()) bytes.resize(bytes.size() + 65536);
  }
  ::close(fd);
  bytes.resize(n);
  return bytes;
}

// A rollback journal whose header is live, or a write-ahead log holding
// anything, beside the file: another program's change that is not finished
// (it is still writing, or it stopped half-way). The file alone may then be
// half-changed; a load does not read it, and does not roll it back either.
void RefuseUnfinishedChange(const std::string& file, const std::string& shown) {
  static const unsigned char kJournalMagic[8] = {0xd9, 0xd5, 0x05, 0xf9, 0x20, 0xa1, 0x63, 0xd7};
  const auto refuse = [&](const char* side) {
    throw Error(ErrorKind::kEngine, shown + " has an unfinished change of another program beside it (" +
                                        std::filesystem::path(file).filename().string() + side +
                                        "): finish or undo it with that program first");
  };
  const int j = ::open((file + "-journal").c_str(), O_RDONLY | O_CLOEXEC);
  if (j >= 0) {
    unsigned char head[8] = {};
    const ssize_t r = ::read(j, head, sizeof head);
    ::close(j);
    if (r == static_cast<ssize_t>(sizeof head) && std::memcmp(head, kJournalMagic, sizeof head) == 0)
      refuse("-journal");
  }
  struct stat st {};
  if (::stat((file + "-wal").c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) refuse("-wal");
}

}  // namespace

Database Engine::OpenDatabase(const std::string& path, OpenMode mode) {
  const std::string file = FilePath(path);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec))
    throw Error(ErrorKind::kCannotOpen, "no file " + path);
  if (mode == OpenMode::kReadOnly) {
    RefuseUnfinishedChange(file, path);
    return OpenImage(path, ReadImage(file, path));
  }
  auto c = Connect(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX);
  Database db(c, path);
  if (mode == OpenMode::kNewFile) {
    db.Exec("PRAGMA locking_mode = EXCLUSIVE");
    db.Exec("PRAGMA journal_mode = MEMORY");
    db.Exec("PRAGMA synchronous = OFF");
  }
  return db;
}

Database Engine::OpenImage(const std::string& name, std::string bytes) {
  if (bytes.size() > kMaxFileBytes) throw Error(ErrorKind::kEngine, name + " is too large");
  // Bytes 18 and 19 of the header say 2 in a file in write-ahead-log mode.
  // The image is read as the file holds it (an old-style database to the
  // engine), with no log: a log beside the file was refused before.
  if (bytes.size() >= 20 && bytes[18] == 2 && bytes[19] == 2) bytes[18] = bytes[19] = 1;
  auto c = std::make_shared<Connection>();
  // An empty private in-memory database that the image then replaces.
  if (sqlite3_open_v2(":memory:", &c->db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK)
    throw Error(ErrorKind::kEngine, "cannot read " + name + ": out of memory");
  Limit(c->db);
  // Views and triggers are never needed to read a file.
  sqlite3_db_config(c->db, SQLITE_DBCONFIG_ENABLE_VIEW, 0, nullptr);
  sqlite3_db_config(c->db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
  const auto size = static_cast<sqlite3_int64>(bytes.size());
  auto* image = static_cast<unsigned char*>(sqlite3_malloc64(bytes.empty() ? 1 : bytes.size()));
  if (image == nullptr) throw Error(ErrorKind::kEngine, "cannot read " + name + ": out of memory");
  std::memcpy(image, bytes.data(), bytes.size());
  if (sqlite3_deserialize(c->db, "main", image, size, size,
                          SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_READONLY) != SQLITE_OK)
    throw Error(ErrorKind::kEngine, "cannot read " + name + ": " + sqlite3_errmsg(c->db));
  sqlite3_progress_handler(c->db, kInstructionsPerTick, Progress, c.get());
  Database db(c, name);
  db.Exec("PRAGMA cell_size_check = ON");
  db.Exec("PRAGMA query_only = ON");
  db.Exec("PRAGMA cache_size = -2048");  // at most 2 MiB of pages cached
  c->deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(g_load_limit_ms.load());
  return db;
}

void Engine::SetLoadTimeLimit(std::chrono::milliseconds limit) {
  g_load_limit_ms.store(std::clamp<long long>(limit.count(), 0, 60000));
}

std::chrono::milliseconds Engine::LoadTimeLimit() const { return std::chrono::milliseconds(g_load_limit_ms.load()); }

Database Engine::CreateDatabase(const std::string& path) {
  const std::string file = FilePath(path);
  std::error_code ec;
  if (std::filesystem::exists(file, ec))
    throw Error(ErrorKind::kCannotOpen, "cannot create " + path + ": the file exists");
  return Database(Connect(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX), path);
}

}  // namespace orva::dao
