// What the store tests share: an instrument on an empty bus, a private
// folder, a recording front panel, and plain SQLite calls to make and read
// files independently of the stores.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "orva/file_dialog.h"
#include "orva/scope/osciloscopio.h"
#include "orva/storage/front_panel.h"

namespace orva::storage::testing {

inline std::unique_ptr<scope::Osciloscopio> Instrument() {
  return std::make_unique<scope::Osciloscopio>(scope::MakeEmptyBusBoardCalls(), [] { return 0.0; });
}

class TempFolder {
 public:
  TempFolder() {
    std::string t = (std::filesystem::temp_directory_path() / "stores-XXXXXX").string();
    path_ = ::mkdtemp(t.data());
  }
  ~TempFolder() { std::filesystem::remove_all(path_); }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  std::string Path() const { return path_.string(); }
  std::vector<std::string> Names() const {
    std::vector<std::string> n;
    for (const auto& e : std::filesystem::directory_iterator(path_)) n.push_back(e.path().filename().string());
    return n;
  }

 private:
  std::filesystem::path path_;
};

inline std::string Bytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

// Plain SQLite: run statements on a file (created when missing).
inline void Sql(const std::string& file, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  sqlite3_close(db);
}

// Plain SQLite: the rows of a query, every value as text ("NULL" for null).
inline std::vector<std::vector<std::string>> Rows(const std::string& file, const std::string& sql) {
  std::vector<std::vector<std::string>> rows;
  sqlite3* db = nullptr;
  sqlite3_stmt* s = nullptr;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
      sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) == SQLITE_OK) {
    while (sqlite3_step(s) == SQLITE_ROW) {
      std::vector<std::string> row;
      for (int i = 0; i < sqlite3_column_count(s); ++i) {
        const auto* t = sqlite3_column_text(s, i);
        row.emplace_back(t != nullptr ? reinterpret_cast<const char*>(t) : "NULL");
      }
      rows.push_back(row);
    }
  } else {
    ADD_FAILURE() << "cannot query " << file << ": " << sqlite3_errmsg(db);
  }
  sqlite3_finalize(s);
  sqlite3_close(db);
  return rows;
}

#ifdef ORVA_SQLITE3_CLI
// Runs the statements through the sqlite3 command-line client, as a user would.
inline bool SqliteClient(const std::string& file, const std::string& sql) {
  const std::string script = file + ".sql";
  std::ofstream(script) << sql << "\n";
  const std::string command = std::string(ORVA_SQLITE3_CLI) + " -bail '" + file + "' < '" + script + "'";
  const bool ok = std::system(command.c_str()) == 0;
  std::filesystem::remove(script);
  return ok;
}
#endif

// The front panel as calls, in order ("coupling 1 0", "chan 2 1", ...).
class RecordingPanel : public FrontPanel {
 public:
  bool ContCursor(int canal) const override { return cursor[canal]; }
  void PressCoupling(int canal, std::int16_t codigo) override {
    Log("coupling " + std::to_string(canal) + " " + std::to_string(codigo));
  }
  void SetChanSelected(int canal, bool v) override { Log("chan " + std::to_string(canal) + " " + std::to_string(v)); }
  void SetContCursor(int canal, bool v) override {
    cursor[canal] = v;
    Log("cursor " + std::to_string(canal) + " " + std::to_string(v));
  }
  void PressSlope(int e) override { Log("slope " + std::to_string(e)); }
  void SetTrigChanDisplay(const std::string& c) override { Log("trigchan " + c); }
  void PressPromediado(int e) override { Log("promediado " + std::to_string(e)); }
  void SetXYCommand(int v) override { Log("xy " + std::to_string(v)); }

  bool cursor[3] = {false, false, false};
  std::vector<std::string> calls;

 private:
  void Log(std::string s) { calls.push_back(std::move(s)); }
};

}  // namespace orva::storage::testing
