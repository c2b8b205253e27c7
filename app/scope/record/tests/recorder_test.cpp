// The CSV recorder through its files: N captures give N rows holding their
// values, the size limit and a file-size limit stop it with whole rows
// left, a full queue drops rows and counts them, and a start that cannot
// work says why.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "orva/record/capture.h"
#include "orva/record/recorder.h"

namespace orva::record {
namespace {

namespace fs = std::filesystem;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::size_t kFields = 13;  // time, elapsed, timebase, 2 gains, 8 measurements

class TempDir {
 public:
  TempDir() {
    std::string t = (fs::temp_directory_path() / "orva_record_XXXXXX").string();
    if (mkdtemp(t.data()) != nullptr) path_ = t;
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  std::string File(const char* name) const { return (fs::path(path_) / name).string(); }

 private:
  std::string path_;
};

std::string Slurp(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> f;
  std::string cur;
  for (char c : line) {
    if (c == ',') {
      f.push_back(cur);
      cur.clear();
    } else {
      cur.push_back(c);
    }
  }
  f.push_back(cur);
  return f;
}

// The rows of a file that must end in a whole line, each of kFields fields.
std::vector<std::vector<std::string>> Rows(const std::string& file) {
  const std::string text = Slurp(file);
  EXPECT_TRUE(!text.empty() && text.back() == '\n') << "the file ends inside a row";
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(text);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, CsvHeader());
  while (std::getline(in, line)) {
    rows.push_back(Split(line));
    EXPECT_EQ(rows.back().size(), kFields) << line;
  }
  return rows;
}

Capture Sample(int k) {
  Capture c;
  c.settings.timebase_index = 4;
  c.settings.gain_index = {3, 10};
  c.settings.seconds_per_div = 2e-7;
  c.settings.volts_per_div = {5.0, static_cast<double>(0.02f)};
  c.values = {6.25 + k, -0.15625, 500000, 2e-6, kNaN, 0.001 * k, kNaN, kNaN};
  return c;
}

// Waits (at most 10 s) until the recorder has stopped by itself.
void WaitForItsStop(const CsvRecorder& r) {
  for (int i = 0; i < 1000 && r.Recording(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

TEST(RecordCsv, NCapturesGiveNRowsWithTheirValuesAndTimes) {
  // A comma locale, where one is installed, must not change the file.
  const std::string old = std::setlocale(LC_NUMERIC, nullptr);
  for (const char* l : {"de_DE.UTF-8", "fr_FR.UTF-8", "es_ES.UTF-8"})
    if (std::setlocale(LC_NUMERIC, l) != nullptr) break;
  TempDir dir;
  const std::string file = dir.File("m.csv");
  CsvRecorder r;
  std::string error;
  ASSERT_TRUE(r.Start(file, {}, &error)) << error;
  constexpr int kN = 300;
  for (int k = 0; k < kN; ++k) r.Add(Sample(k));
  r.Stop();
  std::setlocale(LC_NUMERIC, old.c_str());
  EXPECT_EQ(r.Reason(), StopReason::kUser);
  EXPECT_EQ(r.RowsWritten(), static_cast<std::uint64_t>(kN));
  EXPECT_EQ(r.RowsDropped(), 0u);
  EXPECT_EQ(r.BytesWritten(), fs::file_size(file));
  const auto rows = Rows(file);
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(kN));
  const std::regex iso(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)");
  double previous = -1;
  for (int k = 0; k < kN; ++k) {
    const auto& f = rows[static_cast<std::size_t>(k)];
    SCOPED_TRACE(k);
    EXPECT_TRUE(std::regex_match(f[0], iso)) << f[0];
    const double elapsed = std::stod(f[1]);
    EXPECT_GE(elapsed, previous);
    previous = elapsed;
    EXPECT_EQ(f[2], "2e-07");
    EXPECT_EQ(f[3], "5");
    EXPECT_EQ(f[4], "0.02");
    // Every value reads back to what was recorded; none is "nan".
    EXPECT_EQ(std::stof(f[5]), static_cast<float>(6.25 + k));
    EXPECT_EQ(f[6], "-0.15625");
    EXPECT_EQ(f[7], "500000");
    EXPECT_EQ(f[8], "2e-06");
    EXPECT_EQ(f[9], "");
    EXPECT_EQ(std::stof(f[10]), static_cast<float>(0.001 * k));
    EXPECT_EQ(f[11] + f[12], "");
  }
  EXPECT_EQ(r.StopText(), "");
  r.Add(Sample(0));  // stopped: nothing more
  EXPECT_EQ(Rows(file).size(), static_cast<std::size_t>(kN));
}

TEST(RecordCsv, TheSizeLimitStopsItWithWholeRowsAndSaysSo) {
  TempDir dir;
  const std::string file = dir.File("m.csv");
  CsvRecorder r;
  RecorderOptions o;
  o.max_bytes = 2000;
  std::string error;
  ASSERT_TRUE(r.Start(file, o, &error)) << error;
  for (int k = 0; k < 100; ++k) r.Add(Sample(k));
  WaitForItsStop(r);
  EXPECT_FALSE(r.Recording());
  EXPECT_EQ(r.Reason(), StopReason::kSizeLimit);
  EXPECT_EQ(r.StopText(), "size limit of 2000 bytes reached");
  r.Stop();
  EXPECT_EQ(r.Reason(), StopReason::kSizeLimit);  // Stop keeps the reason
  const auto rows = Rows(file);
  EXPECT_EQ(rows.size(), r.RowsWritten());
  EXPECT_GT(rows.size(), 5u);
  EXPECT_LE(fs::file_size(file), 2000u);
  EXPECT_GT(fs::file_size(file) + 150, 2000u);  // the next row would not have fitted
}

TEST(RecordCsv, AFileSizeLimitFailsTheWriteWithoutKillingAndKeepsWholeRows) {
  TempDir dir;
  const std::string file = dir.File("m.csv");
  // The limit applies to the child only; the child reports through its exit
  // status (a kill by SIGXFSZ shows as a signal).
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    rlimit lim{3000, 3000};
    if (setrlimit(RLIMIT_FSIZE, &lim) != 0) _exit(10);
    CsvRecorder r;
    RecorderOptions o;
    o.disk_reserve_bytes = 0;
    if (!r.Start(file, o, nullptr)) _exit(11);
    for (int k = 0; k < 200; ++k) {
      r.Add(Sample(k));
      if (k % 10 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    WaitForItsStop(r);
    r.Stop();
    if (r.Reason() != StopReason::kDiskFull) _exit(12);
    if (r.Error() != EFBIG) _exit(13);
    if (r.StopText().rfind("disk full: ", 0) != 0) _exit(14);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
  ASSERT_EQ(WEXITSTATUS(status), 0);
  const auto rows = Rows(file);
  EXPECT_GT(rows.size(), 5u);
  EXPECT_LE(fs::file_size(file), 3000u);
}

TEST(RecordCsv, AFullQueueDropsRowsAndCountsThem) {
  TempDir dir;
  const std::string file = dir.File("m.csv");
  CsvRecorder r;
  RecorderOptions o;
  o.queue_rows = 2;
  std::string error;
  ASSERT_TRUE(r.Start(file, o, &error)) << error;
  constexpr int kN = 20000;
  for (int k = 0; k < kN; ++k) r.Add(Sample(k));
  r.Stop();
  EXPECT_GT(r.RowsDropped(), 0u);
  EXPECT_EQ(r.RowsWritten() + r.RowsDropped(), static_cast<std::uint64_t>(kN));
  EXPECT_EQ(Rows(file).size(), r.RowsWritten());
}

TEST(RecordCsv, AStartThatCannotWorkSaysWhyInOneLine) {
  TempDir dir;
  struct Case {
    std::string file;
    RecorderOptions options;
    const char* says;
  };
  RecorderOptions tiny;
  tiny.max_bytes = 10;
  RecorderOptions reserve;
  reserve.disk_reserve_bytes = std::uint64_t{1} << 62;
  const Case cases[] = {
      {dir.File("no/such/folder/m.csv"), {}, "cannot create "},
      {dir.File("a.csv"), tiny, "does not hold the header"},
      {dir.File("b.csv"), reserve, "free"},
  };
  for (const Case& c : cases) {
    CsvRecorder r;
    std::string error;
    EXPECT_FALSE(r.Start(c.file, c.options, &error)) << c.file;
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
    EXPECT_FALSE(r.Recording());
  }
  CsvRecorder twice;
  ASSERT_TRUE(twice.Start(dir.File("c.csv"), {}, nullptr));
  EXPECT_FALSE(twice.Start(dir.File("d.csv"), {}, nullptr));
}

}  // namespace
}  // namespace orva::record
