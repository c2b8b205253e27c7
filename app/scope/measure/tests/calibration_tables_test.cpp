// Calibration compensation tables: entries and their bounds, "cal.dat" read as
// the format-1 body, "cal2.dat" in its 220-byte layout, written by the tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "orva/scope/calibration_tables.h"

namespace orva::scope {
namespace {

namespace fs = std::filesystem;

void PutFloat(std::vector<std::uint8_t>& out, float v) {
  std::uint32_t bits;
  std::memcpy(&bits, &v, 4);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
}

// A format-1 calibration file: channel c's DC offsets are base + 10c + k and
// its AC offsets base + 100 + 10c + k (k = 0..7); linearity and offset
// correction blocks are filled with 0xEE so that misplaced reads show up.
std::vector<std::uint8_t> CalDat(float version, float k1, float k2, std::uint8_t base = 10) {
  std::vector<std::uint8_t> f;
  PutFloat(f, version);
  f.resize(32, 0x55);
  for (int c = 0; c < 2; ++c) {
    for (int row = 0; row < 2; ++row)
      for (int k = 0; k < 8; ++k) f.push_back(static_cast<std::uint8_t>(base + row * 100 + c * 10 + k));
    f.insert(f.end(), 8192 + 64, 0xEE);
  }
  PutFloat(f, k1);
  PutFloat(f, k2);
  return f;
}

class MeasureCalibrationFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("orva_cal_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  void Write(const char* name, const std::vector<std::uint8_t>& bytes) {
    std::ofstream o(dir_ / name, std::ios::binary);
    o.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  std::vector<std::uint8_t> Read(const char* name) {
    std::ifstream i(dir_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(i), std::istreambuf_iterator<char>()};
  }
  std::string Dir() const { return dir_.string(); }
  fs::path dir_;
};

TEST(MeasureCalibrationEntries, StorageOrderAndGroundRowRules) {
  TablasDeCalibracion t;
  ASSERT_TRUE(t.SetOffset(2, 10, 2, 99));
  EXPECT_EQ(t.Offsets()[65], 99);  // last position: AC, gain 10, channel 2
  ASSERT_TRUE(t.SetOffset(1, 3, 1, 7));
  EXPECT_EQ(t.Offsets()[22 + 6], 7);
  ASSERT_TRUE(t.SetGanancia(4, 2, 1.5));
  EXPECT_EQ(t.Ganancias()[9], 1.5);
  // A grounded channel writes its GND row but reads its DC entry.
  ASSERT_TRUE(t.SetOffset(0, 3, 1, 42));
  EXPECT_EQ(t.Offsets()[6], 42);
  EXPECT_EQ(t.OffsetCompensado(0, 3, 1), 7);
  EXPECT_EQ(t.Offset(0, 3, 1), 42);
}

TEST(MeasureCalibrationEntries, OutsideTheTablesNothingIsReadOrWritten) {
  TablasDeCalibracion t;
  const auto offsets = t.Offsets();
  const auto gains = t.Ganancias();
  const std::vector<std::tuple<int, int, int>> bad = {
      {3, 0, 1}, {-1, 0, 1}, {1, 11, 1}, {1, -1, 2}, {1, 0, 0}, {1, 0, 3}, {2, 10, -1}, {32767, 0, 1}};
  for (const auto& [c, g, ch] : bad) {
    EXPECT_FALSE(t.SetOffset(c, g, ch, 1));
    EXPECT_FALSE(t.Offset(c, g, ch).has_value());
    EXPECT_FALSE(t.OffsetCompensado(c, g, ch).has_value());
  }
  const std::vector<std::pair<int, int>> bad_gains = {{11, 1}, {-1, 1}, {0, 0}, {0, 3}, {10, -2}};
  for (const auto& [g, ch] : bad_gains) {
    EXPECT_FALSE(t.SetGanancia(g, ch, 2.0));
    EXPECT_FALSE(t.Ganancia(g, ch).has_value());
  }
  EXPECT_EQ(t.Offsets(), offsets);
  EXPECT_EQ(t.Ganancias(), gains);
}

TEST_F(MeasureCalibrationFiles, CalDatFillsDcAcRowsAndGainsWhateverItsVersion) {
  for (const float version : {1.0f, 2.0f, 1.5f}) {
    Write("cal.dat", CalDat(version, 0.985f, 1.02f));
    TablasDeCalibracion t;
    t.SetOffset(0, 4, 1, 77);  // the GND row is not in the file
    ASSERT_EQ(t.CargaCalDat(Dir()), ResultadoCalibracion::kCorrecto) << version;
    const int dc1[11] = {10, 11, 11, 12, 13, 13, 14, 15, 15, 16, 17};
    for (int g = 0; g <= 10; ++g) {
      EXPECT_EQ(t.Offset(1, g, 1), dc1[g]) << g;
      EXPECT_EQ(t.OffsetCompensado(0, g, 1), dc1[g]) << g;  // GND reads DC
      EXPECT_EQ(t.Offset(2, g, 1), dc1[g] + 100) << g;
      EXPECT_EQ(t.Offset(1, g, 2), dc1[g] + 10) << g;
      EXPECT_EQ(t.Offset(2, g, 2), dc1[g] + 110) << g;
      EXPECT_NEAR(*t.Ganancia(g, 1), 985.0, 985.0 * 1e-7);
      EXPECT_NEAR(*t.Ganancia(g, 2), 1020.0, 1020.0 * 1e-7);
    }
    EXPECT_EQ(t.Offset(0, 4, 1), 77);
  }
}

TEST_F(MeasureCalibrationFiles, TheDocumentedExampleOffsets) {
  auto f = CalDat(1.0f, 1.0f, 1.0f);
  const std::uint8_t dc[8] = {10, 11, 13, 14, 16, 17, 19, 20};
  std::memcpy(&f[32], dc, 8);
  Write("cal.dat", f);
  TablasDeCalibracion t;
  ASSERT_EQ(t.CargaCalDat(Dir() + "/"), ResultadoCalibracion::kCorrecto);  // trailing separator
  const int want[11] = {10, 11, 11, 13, 14, 14, 16, 17, 17, 19, 20};
  for (int g = 0; g <= 10; ++g) EXPECT_EQ(t.OffsetCompensado(1, g, 1), want[g]) << g;
}

TEST_F(MeasureCalibrationFiles, MissingOrShortCalDatKeepsWhatWasNotRead) {
  TablasDeCalibracion t;
  for (int g = 0; g <= 10; ++g) {
    t.SetGanancia(g, 1, 5.0);
    t.SetGanancia(g, 2, 6.0);
    for (int c = 0; c <= 2; ++c) {
      t.SetOffset(c, g, 1, 200);
      t.SetOffset(c, g, 2, 201);
    }
  }
  const auto offsets = t.Offsets();
  const auto gains = t.Ganancias();
  EXPECT_EQ(t.CargaCalDat(Dir()), ResultadoCalibracion::kFicheroAusente);
  EXPECT_EQ(t.Offsets(), offsets);
  EXPECT_EQ(t.Ganancias(), gains);

  // Cut inside channel 1's DC row after three codes (gains 0, 1, 3).
  auto f = CalDat(1.0f, 0.5f, 0.5f);
  Write("cal.dat", std::vector<std::uint8_t>(f.begin(), f.begin() + 35));
  EXPECT_EQ(t.CargaCalDat(Dir()), ResultadoCalibracion::kFicheroCorto);
  EXPECT_EQ(t.Offset(1, 0, 1), 10);
  EXPECT_EQ(t.Offset(1, 1, 1), 11);
  EXPECT_EQ(t.Offset(1, 2, 1), 11);   // copied from gain 1, which was read
  EXPECT_EQ(t.Offset(1, 3, 1), 12);
  EXPECT_EQ(t.Offset(1, 4, 1), 200);  // not reached
  EXPECT_EQ(t.Offset(1, 5, 1), 200);  // its source was not read
  EXPECT_EQ(t.Offset(2, 0, 1), 200);
  EXPECT_EQ(t.Offset(1, 0, 2), 201);
  EXPECT_EQ(t.Ganancias(), gains);

  // Everything but the second gain factor.
  Write("cal.dat", std::vector<std::uint8_t>(f.begin(), f.end() - 2));
  EXPECT_EQ(t.CargaCalDat(Dir()), ResultadoCalibracion::kFicheroCorto);
  EXPECT_EQ(t.Offset(2, 10, 2), 127);
  EXPECT_EQ(*t.Ganancia(7, 1), 500.0);
  EXPECT_EQ(*t.Ganancia(7, 2), 6.0);
  // An empty file: nothing at all.
  Write("cal.dat", {});
  TablasDeCalibracion fresh;
  EXPECT_EQ(fresh.CargaCalDat(Dir()), ResultadoCalibracion::kFicheroCorto);
  EXPECT_EQ(fresh.Offsets(), TablasDeCalibracion().Offsets());
}

TEST_F(MeasureCalibrationFiles, Cal2RoundTripsTheDcAcRowsAndGainsButNotGround) {
  TablasDeCalibracion a;
  for (int g = 0; g <= 10; ++g) {
    for (int ch = 1; ch <= 2; ++ch) {
      a.SetOffset(0, g, ch, static_cast<std::uint8_t>(1 + g));
      a.SetOffset(1, g, ch, static_cast<std::uint8_t>(20 + g + 50 * ch));
      a.SetOffset(2, g, ch, static_cast<std::uint8_t>(30 + g + 60 * ch));
      a.SetGanancia(g, ch, 1000.0 + g * 0.125 - ch * 1e-9);
    }
  }
  ASSERT_EQ(a.GuardaCal2(Dir()), ResultadoCalibracion::kCorrecto);
  const auto bytes = Read("cal2.dat");
  ASSERT_EQ(bytes.size(), 220u);
  // Record layout: channel 1 block first; gain 1 record at byte 10.
  EXPECT_EQ(bytes[10], 71);
  EXPECT_EQ(bytes[11], 91);
  double g1;
  std::memcpy(&g1, &bytes[12], 8);  // little-endian host
  EXPECT_EQ(g1, 1000.125 - 1e-9);
  EXPECT_EQ(bytes[110], 120);  // channel 2, gain 0, DC

  TablasDeCalibracion b;
  b.SetOffset(0, 5, 2, 250);
  ASSERT_EQ(b.CargaCal2(Dir()), ResultadoCalibracion::kCorrecto);
  for (int g = 0; g <= 10; ++g) {
    for (int ch = 1; ch <= 2; ++ch) {
      EXPECT_EQ(b.Offset(1, g, ch), a.Offset(1, g, ch));
      EXPECT_EQ(b.Offset(2, g, ch), a.Offset(2, g, ch));
      EXPECT_EQ(b.Ganancia(g, ch), a.Ganancia(g, ch));
    }
  }
  EXPECT_EQ(b.Offset(0, 5, 2), 250);
  EXPECT_EQ(b.Offset(0, 0, 1), 0);
}

TEST_F(MeasureCalibrationFiles, Cal2AbsentShortOrLonger) {
  TablasDeCalibracion t;
  t.SetOffset(1, 0, 1, 9);
  EXPECT_EQ(t.CargaCal2(Dir()), ResultadoCalibracion::kFicheroAusente);
  EXPECT_EQ(t.Offset(1, 0, 1), 9);
  Write("cal2.dat", std::vector<std::uint8_t>(219, 3));
  EXPECT_EQ(t.CargaCal2(Dir()), ResultadoCalibracion::kFicheroCorto);
  EXPECT_EQ(t.Offset(1, 0, 1), 9);

  // A longer file keeps its bytes after 220 when saved over, however many.
  std::vector<std::uint8_t> longer(220 + 9000, 0xAB);
  for (std::size_t i = 220; i < longer.size(); ++i) longer[i] = static_cast<std::uint8_t>(i % 251);
  Write("cal2.dat", longer);
  EXPECT_EQ(t.CargaCal2(Dir()), ResultadoCalibracion::kCorrecto);
  EXPECT_EQ(t.Offset(1, 0, 1), 0xAB);
  t.SetOffset(1, 0, 1, 9);
  ASSERT_EQ(t.GuardaCal2(Dir()), ResultadoCalibracion::kCorrecto);
  const auto bytes = Read("cal2.dat");
  ASSERT_EQ(bytes.size(), longer.size());
  EXPECT_EQ(bytes[0], 9);
  EXPECT_TRUE(std::equal(bytes.begin() + 220, bytes.end(), longer.begin() + 220));
  EXPECT_FALSE(fs::exists(dir_ / "cal2.dat.new"));

  // A folder that does not exist: nothing written, failure told.
  EXPECT_EQ(t.GuardaCal2(Dir() + "/missing"), ResultadoCalibracion::kErrorDeEscritura);
  EXPECT_FALSE(fs::exists(dir_ / "missing"));
}

TEST(MeasureCalibrationPaths, FolderSeparators) {
  EXPECT_EQ(TablasDeCalibracion::RutaDe("/opt/ktr", "cal.dat"), "/opt/ktr/cal.dat");
  EXPECT_EQ(TablasDeCalibracion::RutaDe("/opt/ktr/", "cal.dat"), "/opt/ktr/cal.dat");
  EXPECT_EQ(TablasDeCalibracion::RutaDe("/opt/ktr\\", "cal2.dat"), "/opt/ktr/cal2.dat");
}

}  // namespace
}  // namespace orva::scope
