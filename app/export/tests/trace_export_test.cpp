// The export writers through their public interface: files read back, the
// CSV with the C library's own parser, the WAV with libsndfile.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "orva/export/trace_export.h"

namespace fs = std::filesystem;
using orva::exporta::Registro;
using orva::exporta::TrazaMostrada;

namespace {

class ExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("orva-export-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    // Codes of a sine of 40 codes peak over the 768 positions, and a ramp.
    for (int i = 0; i < 768; ++i) {
      seno_.push_back(128.0f + 40.0f * static_cast<float>(std::sin(i * 2 * M_PI / 256.0)));
      rampa_.push_back(static_cast<float>(i % 256));
    }
  }
  void TearDown() override { fs::remove_all(dir_); }

  // ch1 at 0.5 V/div with an offset of 16 codes, ch2 at 2 V/div.
  Registro Dos(double movimiento, double fm) {
    const TrazaMostrada t[] = {{"ch1", seno_, 0.5f, 16.0f}, {"ch2", rampa_, 2.0f, 0.0f}};
    return orva::exporta::PreparaRegistro(t, movimiento, fm);
  }
  static std::vector<std::string> Lineas(const fs::path& p) {
    std::ifstream in(p);
    std::vector<std::string> l;
    for (std::string s; std::getline(in, s);) l.push_back(s);
    return l;
  }

  fs::path dir_;
  std::vector<float> seno_, rampa_;
};

TEST_F(ExportTest, CsvReadsBackToTheCodesAndCursorTimesInAnyLocale) {
  // A comma-decimal locale where one is installed: the file keeps its '.'.
  const bool coma = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  struct Caso {
    double movimiento_div;  // trigger point's move
    double fm;
    double primer_tiempo;   // time of position 0, s
  } casos[] = {
      {0.0, 128e6, -256 / 128e6},          // 200 ns/div
      {1.5, 2560.0, -(256 + 38) / 2560.0}, // 10 ms/div, 38.4 positions rounded to 38
  };
  for (const Caso& c : casos) {
    const fs::path f = dir_ / "t.csv";
    orva::exporta::EscribeCsv(Dos(c.movimiento_div, c.fm), f.string());
    const auto l = Lineas(f);
    ASSERT_EQ(l.size(), 769u);
    EXPECT_EQ(l[0], "time (s),ch1 (V),ch2 (V)");
    for (std::size_t i = 0; i < 768; ++i) {
      std::istringstream row(l[i + 1]);
      row.imbue(std::locale::classic());
      double t = 0, v1 = 0, v2 = 0;
      char c1 = 0, c2 = 0;
      row >> t >> c1 >> v1 >> c2 >> v2;
      ASSERT_TRUE(row && c1 == ',' && c2 == ',') << l[i + 1];
      EXPECT_NEAR(t, c.primer_tiempo + i / c.fm, 1e-6 / c.fm) << i;
      // Volts back to codes: within a thousandth of a code.
      EXPECT_NEAR(v1 * 32 / 0.5 + 128 + 16, seno_[i], 1e-3) << i;
      EXPECT_NEAR(v2 * 32 / 2.0 + 128, rampa_[i], 1e-3) << i;
    }
  }
  if (coma) std::setlocale(LC_ALL, "C");
}

TEST_F(ExportTest, WavHoldsOneFloatChannelPerTraceAtTheDisplayRate) {
  const fs::path f = dir_ / "t.wav";
  orva::exporta::EscribeWav(Dos(0.0, 5120000.0), f.string());
  SF_INFO info{};
  SNDFILE* s = sf_open(f.c_str(), SFM_READ, &info);
  ASSERT_NE(s, nullptr) << sf_strerror(nullptr);
  EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
  EXPECT_EQ(info.channels, 2);
  EXPECT_EQ(info.samplerate, 5120000);
  ASSERT_EQ(info.frames, 768);
  std::vector<float> v(768 * 2);
  ASSERT_EQ(sf_readf_float(s, v.data(), 768), 768);
  for (std::size_t i = 0; i < 768; ++i) {
    EXPECT_FLOAT_EQ(v[2 * i], (seno_[i] - 128 - 16) * 0.5f / 32) << i;
    EXPECT_FLOAT_EQ(v[2 * i + 1], (rampa_[i] - 128) * 2.0f / 32) << i;
  }
  const char* comentario = sf_get_string(s, SF_STR_COMMENT);
  ASSERT_NE(comentario, nullptr);
  EXPECT_NE(std::string(comentario).find("ch1 (V),ch2 (V)"), std::string::npos) << comentario;
  sf_close(s);
}

TEST_F(ExportTest, ShortTraceLeavesItsCellsEmptyAndNoTraceIsRefused) {
  const std::vector<float> corta(500, 160.0f);
  const TrazaMostrada t[] = {{"ch1", seno_, 1.0f, 0.0f}, {"ref", corta, 1.0f, 0.0f}};
  const fs::path f = dir_ / "t.csv";
  orva::exporta::EscribeCsv(orva::exporta::PreparaRegistro(t, 0, 1000), f.string());
  const auto l = Lineas(f);
  ASSERT_EQ(l.size(), 769u);
  // Row 499 (t = 243 ms) holds the reference's last value, 1 V; row 500 none.
  EXPECT_EQ(l[500].rfind("0.243,", 0), 0u) << l[500];
  EXPECT_EQ(l[500].substr(l[500].size() - 2), ",1") << l[500];
  EXPECT_EQ(l[501].back(), ',') << l[501];
  const TrazaMostrada vacia[] = {{"ch1", {}, 1.0f, 0.0f}};
  EXPECT_THROW(orva::exporta::PreparaRegistro(vacia, 0, 1000), std::invalid_argument);
  EXPECT_THROW(orva::exporta::PreparaRegistro(t, 0, 0), std::invalid_argument);
}

TEST_F(ExportTest, FailedWriteLeavesTheTargetAndNoHiddenFile) {
  // A folder in the target's place: the final rename fails.
  const fs::path f = dir_ / "busy.csv";
  fs::create_directory(f);
  EXPECT_THROW(orva::exporta::EscribeCsv(Dos(0, 1000), f.string()), std::runtime_error);
  EXPECT_THROW(orva::exporta::EscribeWav(Dos(0, 1000), f.string()), std::runtime_error);
  EXPECT_TRUE(fs::is_directory(f));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
  // A rate a WAV header cannot hold.
  EXPECT_THROW(orva::exporta::EscribeWav(Dos(0, 3e9), (dir_ / "x.wav").string()), std::runtime_error);
  EXPECT_FALSE(fs::exists(dir_ / "x.wav"));
}

}  // namespace
