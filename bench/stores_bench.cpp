// The signal store against plain SQLite calls, in one run:
//   Save: Guardar2 of 768 samples (dialog answered, template copied beside
//         the target, rows appended one by one in one transaction, flushed,
//         renamed) against the same rows written with plain SQLite calls
//         (template copied over the target, one transaction, one prepared
//         statement per table, the engine's default durable commit);
//   Load: Abrir2 of that file into the reference channel against a plain
//         read of the same rows with prepared statements.
// Both write into a folder beside the benchmark, on disk, and both end with
// the file synchronised to disk. Wall-clock time counts (the disk waits are
// the cost); five interleaved repetitions, the fastest of each counts.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "orva/file_dialog.h"
#include "orva/scope/osciloscopio.h"
#include "orva/storage/bd_signal.h"

namespace {

namespace fs = std::filesystem;

struct Setting {
  fs::path programa;  // the benchmark's folder, where the templates are
  fs::path carpeta;   // a private folder for the files
  std::vector<float> codigos = std::vector<float>(769);
  double volt = 0;
};
Setting& S() {
  static Setting s;
  return s;
}

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "stores-bench: %s\n", what);
    std::exit(1);
  }
}

void CopyFile(const fs::path& from, const fs::path& to) {
  fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

// ---- The store --------------------------------------------------------------------

struct Store {
  std::unique_ptr<orva::scope::Osciloscopio> o = std::make_unique<orva::scope::Osciloscopio>(
      orva::scope::MakeEmptyBusBoardCalls(), [] { return 0.0; });
  std::shared_ptr<orva::filedialog::AnsweringDialog> dialog = std::make_shared<orva::filedialog::AnsweringDialog>();
  orva::storage::BDSignal signal{*o, dialog};
  Store() {
    o->GananciaCanal1(5);
    o->GananciaCanal2(5);
    signal.PathSignals(S().programa.string());
    signal.Instrumento("OrvaScope.exe");
    signal.FuenteDeMuestras([](std::int16_t) { return S().codigos; });
  }
};

void OursSave(benchmark::State& state) {
  Store s;
  const std::string file = (S().carpeta / "ours.mdb").string();
  s.dialog->Answer(file);
  for (auto _ : state) Check(s.signal.Guardar2(1).Done(), "Guardar2 failed");
}

void OursLoad(benchmark::State& state) {
  Store s;
  const std::string file = (S().carpeta / "ours-load.mdb").string();
  s.dialog->Answer(file);
  Check(s.signal.Guardar2(1).Done(), "Guardar2 failed");
  for (auto _ : state) {
    Check(s.signal.Abrir2(file).Done(), "Abrir2 failed");
    benchmark::DoNotOptimize(s.o->VDisk().data());
  }
  Check(s.o->VDisk().size() == 768, "Abrir2 loaded a wrong count");
}

// ---- Plain SQLite ------------------------------------------------------------------

void Exec(sqlite3* db, const char* sql) { Check(sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK, sql); }

sqlite3_stmt* Prepare(sqlite3* db, const char* sql) {
  sqlite3_stmt* s = nullptr;
  Check(sqlite3_prepare_v2(db, sql, -1, &s, nullptr) == SQLITE_OK, sql);
  return s;
}

void Text(sqlite3_stmt* s, int i, const std::string& t) {
  sqlite3_bind_text(s, i, t.data(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
}

void PlainSaveOnce(const std::string& file) {
  CopyFile(S().programa / "ModelSignal.mdx", file);
  sqlite3* db = nullptr;
  Check(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK, "open");
  Exec(db, "BEGIN");
  sqlite3_stmt* c = Prepare(db, "INSERT INTO Config (Instrument, Type) VALUES (?, ?)");
  Text(c, 1, "OrvaScope.exe");
  Text(c, 2, "Signal");
  Check(sqlite3_step(c) == SQLITE_DONE, "Config");
  sqlite3_finalize(c);
  sqlite3_stmt* p = Prepare(db, "INSERT INTO Parameters VALUES (?, ?, ?, ?, ?, ?, ?)");
  const char* texts[] = {"1V/div", "DC", "200ns/Div", "", "", "", ""};
  for (int i = 0; i < 7; ++i) Text(p, i + 1, texts[i]);
  Check(sqlite3_step(p) == SQLITE_DONE, "Parameters");
  sqlite3_finalize(p);
  sqlite3_stmt* d = Prepare(db, "INSERT INTO Data (Value) VALUES (?)");
  const double factor = S().volt / 128.0;
  for (int i = 0; i < 768; ++i) {
    const float v = static_cast<float>((S().codigos[static_cast<std::size_t>(i)] - 128.0) * factor);
    sqlite3_bind_double(d, 1, v);
    Check(sqlite3_step(d) == SQLITE_DONE, "Data");
    sqlite3_reset(d);
  }
  sqlite3_finalize(d);
  Exec(db, "COMMIT");
  sqlite3_close(db);
}

void PlainSave(benchmark::State& state) {
  const std::string file = (S().carpeta / "plain.mdb").string();
  for (auto _ : state) PlainSaveOnce(file);
}

void PlainLoad(benchmark::State& state) {
  const std::string file = (S().carpeta / "plain-load.mdb").string();
  PlainSaveOnce(file);
  std::vector<float> codes;
  for (auto _ : state) {
    sqlite3* db = nullptr;
    Check(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK, "open");
    sqlite3_stmt* c = Prepare(db, "SELECT Instrument, Type FROM Config");
    Check(sqlite3_step(c) == SQLITE_ROW, "Config");
    std::string instrument = reinterpret_cast<const char*>(sqlite3_column_text(c, 0));
    std::string type = reinterpret_cast<const char*>(sqlite3_column_text(c, 1));
    sqlite3_finalize(c);
    benchmark::DoNotOptimize(instrument.data());
    benchmark::DoNotOptimize(type.data());
    sqlite3_stmt* p = Prepare(db, "SELECT Gain, Coupling, TimeBase FROM Parameters");
    Check(sqlite3_step(p) == SQLITE_ROW, "Parameters");
    std::string gain = reinterpret_cast<const char*>(sqlite3_column_text(p, 0));
    sqlite3_finalize(p);
    benchmark::DoNotOptimize(gain.data());
    sqlite3_stmt* d = Prepare(db, "SELECT Value FROM Data ORDER BY rowid");
    codes.clear();
    const double factor = 128.0 / S().volt;
    while (sqlite3_step(d) == SQLITE_ROW)
      codes.push_back(static_cast<float>(sqlite3_column_double(d, 0) * factor + 128.0));
    sqlite3_finalize(d);
    sqlite3_close(db);
    benchmark::DoNotOptimize(codes.data());
  }
  Check(codes.size() == 768, "plain read a wrong count");
}

// ---- Collection and the table ------------------------------------------------------

class Collecting : public benchmark::ConsoleReporter {
 public:
  Collecting() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_None) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      if (r.run_type != Run::RT_Iteration || r.error_occurred) continue;
      const double ms = r.GetAdjustedRealTime() * (1e3 / benchmark::GetTimeUnitMultiplier(r.time_unit));
      auto [it, fresh] = best_.try_emplace(r.run_name.function_name, ms);
      if (!fresh && ms < it->second) it->second = ms;
    }
  }
  double Best(const std::string& name) const {
    auto it = best_.find(name);
    return it == best_.end() ? 0.0 : it->second;
  }

 private:
  std::map<std::string, double> best_;
};

}  // namespace

int main(int argc, char** argv) {
  Setting& s = S();
  s.programa = fs::canonical("/proc/self/exe").parent_path();
  Check(fs::exists(s.programa / "ModelSignal.mdx"), "no ModelSignal.mdx beside the benchmark");
  std::string folder = (s.programa.parent_path() / "stores-bench-XXXXXX").string();
  Check(::mkdtemp(folder.data()) != nullptr, "cannot make a folder for the files");
  s.carpeta = folder;
  for (std::size_t i = 0; i < s.codigos.size(); ++i) s.codigos[i] = static_cast<float>(128 + (i * 7) % 97 - 48);
  s.volt = 4.0;  // 1 V/div

  benchmark::RegisterBenchmark("Save/ours/768", OursSave)->UseRealTime()->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Save/plain/768", PlainSave)->UseRealTime()->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Load/ours/768", OursLoad)->UseRealTime()->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Load/plain/768", PlainLoad)->UseRealTime()->Unit(benchmark::kMillisecond);

  std::vector<char*> args(argv, argv + argc);
  std::string reps = "--benchmark_repetitions=5";
  std::string interleave = "--benchmark_enable_random_interleaving=true";
  std::string min_time = "--benchmark_min_time=0.2";
  args.push_back(reps.data());
  args.push_back(interleave.data());
  args.push_back(min_time.data());
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  Collecting reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  fs::remove_all(s.carpeta);

  std::printf("\nSignal store against plain SQLite (fastest repetition, wall-clock ms, file synced)\n");
  std::printf("%-28s %10s %10s %8s %s\n", "operation", "ours ms", "plain ms", "ratio", "target");
  for (const char* op : {"Save", "Load"}) {
    const double ours = reporter.Best(std::string(op) + "/ours/768");
    const double plain = reporter.Best(std::string(op) + "/plain/768");
    if (ours <= 0 || plain <= 0) continue;
    const bool ok = ours / plain <= 1.5 && ours < 20.0;
    std::printf("%-28s %10.3f %10.3f %8.2f %s\n",
                (std::string(op) == "Save" ? "Guardar2, 768 rows" : "Abrir2, 768 rows"), ours, plain,
                ours / plain, ok ? "<=1.5x and <20 ms ok" : "<=1.5x and <20 ms MISS");
  }
  return 0;
}
