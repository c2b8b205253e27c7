// Calibration files, offset codes and the per-sample correction.
#include <filesystem>

#include "test_support.h"

namespace board_test {
namespace {

namespace fs = std::filesystem;

class BoardCalibration : public SimBoardTest {
 protected:
  void Load(const std::vector<uint8_t>& bytes) {
    WriteFile(dir_.path() / "cal.dat", bytes);
    ASSERT_EQ(kt2_calibra(dir_.str().c_str()), 0);
    no_calibrar_ganancia(0);
  }
  // One corrected sample of each channel from raw codes r1 and r2.
  std::pair<int, int> Correct(uint8_t r1, uint8_t r2, int16_t g1, int16_t g2,
                              int16_t coupling = 1) {
    sim::LoadCapture(std::vector<uint8_t>(8, r1), std::vector<uint8_t>(8, r2));
    Capture c = Read(4, 4, 0, 1, g1, g2, coupling, coupling);
    return {c.ch1[3], c.ch2[3]};
  }
  uint16_t OffsetWord(uint8_t g1, uint8_t g2, uint8_t c1, uint8_t c2) {
    kt2_programa_placa(1, 1, 1, 1e6f, 0, 0, 0, g1, g2, c1, c2, 0, 0);
    return sim::LatchedRegisters().offset_word;
  }
  TempDir dir_;
};

TEST_F(BoardCalibration, Format1GainOffsetAndLinearity) {
  auto f = std::make_unique<Format1>();
  // Gain index 2 is board code 1 with step factor 2.
  f->lin[0][0][1][152] = -2;
  f->lin[0][0][1][140] = 50;  // not used: the table is indexed by the corrected value
  f->fo1[0][0][3] = 131.7f;   // gain index 4 = code 3
  f->lin[0][0][3][0] = 5;
  Load(f->Bytes());

  EXPECT_EQ(Correct(128, 128, 0, 0), std::make_pair(128, 128));
  EXPECT_EQ(Correct(140, 140, 2, 2).second, 152);  // (140 - 128) x 2 + 128
  EXPECT_EQ(Correct(140, 140, 2, 2).first, 150);   // ... + L[152] = -2
  // (128 - 131.7 - 128) + 128 = -3.7 -> -3 -> clamped to 0, then L[0] = 5.
  EXPECT_EQ(Correct(128, 128, 4, 4).first, 5);

  // The gain factor of each channel; CorrigeGanancia replaces one of them.
  CorrigeGanancia(2, 1.25);
  EXPECT_EQ(Correct(148, 148, 0, 0), std::make_pair(148, 153));  // 20 x 1.25 = 25
  CorrigeGanancia(1, 2.0);
  EXPECT_EQ(Correct(148, 148, 0, 0), std::make_pair(168, 153));
  // Huge factors clip instead of misbehaving.
  CorrigeGanancia(1, 1e300);
  sim::LoadCapture(std::vector<uint8_t>(8, 200), std::vector<uint8_t>(8, 128));
  Capture c = Read(4, 4, 0, 1, 0, 0, 1, 1);
  EXPECT_EQ(c.ch1[0], 255);
  EXPECT_EQ(c.clipped1, 1);

  // Correction off hands back the raw bytes; the spare gains change nothing.
  canvia_gain(3.0f, 4.0f);
  no_calibrar_ganancia(1);
  EXPECT_EQ(Correct(140, 141, 2, 2), std::make_pair(140, 141));
}

TEST_F(BoardCalibration, Format1OffsetCodesByCouplingAndCode) {
  auto f = std::make_unique<Format1>();
  f->ob1[0][0][3] = 0x11;  // channel 1, DC, code 3 (gain index 4)
  f->ob1[0][1][3] = 0x22;  // channel 1, AC
  f->ob1[1][0][7] = 0x33;  // channel 2, DC, code 7 (gain index 10)
  f->ob1[1][1][7] = 0x44;
  Load(f->Bytes());
  EXPECT_EQ(OffsetWord(4, 10, 1, 1), 0x1133);
  EXPECT_EQ(OffsetWord(4, 10, 2, 2), 0x2244);
  EXPECT_EQ(OffsetWord(4, 10, 0, 0), 0x1133);  // ground programs DC
  aplica_calibracion_especial(1);
  EXPECT_EQ(OffsetWord(4, 10, 1, 1), 0x8080);  // overrides, 128 unless set
  aplica_calibracion_especial(2);              // anything but 1: the file's codes
  EXPECT_EQ(OffsetWord(4, 10, 1, 1), 0x1133);
}

TEST_F(BoardCalibration, Format2AddsItsOffsetPerRateAndScalesPerGainIndex) {
  auto f = std::make_unique<Format2>();
  f->fo2[0][5][3][0] = 4.0f;   // channel 1, gain index 5, divider 3, DC
  f->fo2[0][5][5][0] = -4.0f;  // same at divider 5
  f->fo2[1][5][3][1] = 2.5f;   // channel 2, AC
  f->gf2[1][9] = 1.5f;
  f->ob2[0][6][1] = 0x5A;      // channel 1, gain index 6, AC
  f->ob2[1][2][0] = 0xA5;      // channel 2, gain index 2, DC
  Load(f->Bytes());

  EXPECT_EQ(OffsetWord(6, 2, 2, 1), 0x5AA5);
  // Gain index 5 is code 3 with step 2: (r + FO2 - 128) x 2 + 128.
  kt2_programa_placa(1, 1, 1, 5e6f, 0, 0, 0, 5, 5, 1, 1, 0, 0);  // divider 3
  EXPECT_EQ(Correct(128, 128, 5, 5).first, 136);
  EXPECT_EQ(Correct(128, 128, 5, 5, 2).second, 133);  // 2.5 x 2, AC row
  kt2_programa_placa(1, 1, 1, 1.5e6f, 0, 0, 0, 5, 5, 1, 1, 0, 0);  // divider 5
  EXPECT_EQ(Correct(128, 128, 5, 5).first, 120);
  EXPECT_EQ(Correct(148, 148, 9, 9), std::make_pair(148, 158));  // 20 x 1.5

  // A grounded channel is neither corrected nor offset.
  EXPECT_EQ(Correct(10, 128, 5, 5, 0), std::make_pair(128, 128));
}

TEST_F(BoardCalibration, PathFormsAndLimits) {
  auto f = std::make_unique<Format2>();
  WriteFile(dir_.path() / "cal.dat", f->Bytes());
  const std::string d = dir_.str();
  EXPECT_EQ(kt2_calibra(d.c_str()), 0);
  EXPECT_EQ(kt2_calibra((d + "/").c_str()), 0);
  EXPECT_EQ(kt2_calibra((d + "\\").c_str()), 0);  // a trailing backslash is the separator
  EXPECT_EQ(kt2_calibra((d + "/missing").c_str()), -1);
  EXPECT_EQ(kt2_calibra(nullptr), -1);

  // Path length with its zero: folder + "/cal.dat" + 1 must fit 200 bytes.
  fs::path deep = dir_.path();
  const std::size_t want = 191;
  ASSERT_LT(deep.string().size() + 2, want);
  deep /= std::string(want - deep.string().size() - 1, 'x');
  ASSERT_EQ(deep.string().size(), want);
  fs::create_directories(deep);
  WriteFile(deep / "cal.dat", f->Bytes());
  EXPECT_EQ(kt2_calibra(deep.string().c_str()), 0);          // 191 + 8 + 1 = 200
  EXPECT_EQ(kt2_calibra((deep.string() + "/").c_str()), 0);  // 192 + 7 + 1 = 200
  fs::path deeper = deep.string() + "y";
  fs::create_directories(deeper);
  WriteFile(deeper / "cal.dat", f->Bytes());
  EXPECT_EQ(kt2_calibra(deeper.string().c_str()), -1);  // 201 bytes: refused
  // An unterminated-looking long text is read no further than the limit.
  const std::string huge(5000, 'z');
  EXPECT_EQ(kt2_calibra(huge.c_str()), -1);
}

TEST_F(BoardCalibration, FailedAndUnknownLoadsKeepThePreviousCalibration) {
  auto f = std::make_unique<Format2>();
  for (auto& g : f->ob2[0]) g[0] = g[1] = 100;
  for (auto& g : f->ob2[1]) g[0] = g[1] = 100;
  Load(f->Bytes());
  ASSERT_EQ(OffsetWord(0, 0, 1, 1), 0x6464);

  EXPECT_EQ(kt2_calibra((dir_.str() + "/nowhere").c_str()), -1);
  EXPECT_EQ(OffsetWord(0, 0, 1, 1), 0x6464);

  // Version 1.5: the file opens (0) but nothing is loaded.
  auto one = std::make_unique<Format1>();
  for (auto& j : one->ob1)
    for (auto& k : j)
      for (auto& v : k) v = 7;
  Load(one->Bytes(1.5f));
  EXPECT_EQ(OffsetWord(0, 0, 1, 1), 0x6464);
  // A file too short to hold a version loads nothing either.
  Load({0x00, 0x00});
  EXPECT_EQ(OffsetWord(0, 0, 1, 1), 0x6464);

  // A truncated file of a known version fills what it reaches and leaves the
  // rest as it was: here the first ten offset bytes (j = 0, g = 0..4).
  auto cut = std::make_unique<Format2>();
  for (auto& g : cut->ob2[0]) g[0] = g[1] = 50;
  for (auto& g : cut->ob2[1]) g[0] = g[1] = 50;
  auto bytes = cut->Bytes();
  bytes.resize(32 + 10);
  Load(bytes);
  EXPECT_EQ(OffsetWord(4, 4, 1, 1), 0x3232);
  EXPECT_EQ(OffsetWord(5, 5, 1, 1), 0x6464);
  EXPECT_EQ(OffsetWord(0, 0, 2, 2), 0x6464);

  // Loading format 1 switches format; format 2's tables stay for later.
  auto full1 = std::make_unique<Format1>();
  full1->ob1[0][0][0] = 1;
  full1->ob1[1][0][0] = 2;
  Load(full1->Bytes());
  EXPECT_EQ(OffsetWord(0, 0, 1, 1), 0x0102);
  Load(f->Bytes());
  EXPECT_EQ(OffsetWord(0, 0, 1, 1), 0x6464);
}

TEST_F(BoardCalibration, ConfigurationLoadsTheFileOnlyForARecognisedBoard) {
  auto f = std::make_unique<Format2>();
  for (auto& g : f->ob2[0]) g[0] = g[1] = 0x21;
  for (auto& g : f->ob2[1]) g[0] = g[1] = 0x43;
  Load(f->Bytes());
  auto other = std::make_unique<Format2>();
  TempDir second;
  WriteFile(second.path() / "cal.dat", other->Bytes());  // offset codes 128

  sim::SetIdentificationBytes(1, 2, 3);
  EXPECT_EQ(kt2_configuracio(0x390, second.str().c_str()), 0);
  EXPECT_EQ(OffsetWord(0, 0, 1, 1), 0x2143);  // not loaded
  sim::SetIdentificationBytes(129, 181, 5);
  EXPECT_EQ(kt2_configuracio(0x390, second.str().c_str()), TIPO_KTR5);
  EXPECT_EQ(OffsetWord(0, 0, 1, 1), 0x8080);
  // A missing file does not change the identification result.
  EXPECT_EQ(kt2_configuracio(0x390, (second.str() + "/none").c_str()), TIPO_KTR5);
}

}  // namespace
}  // namespace board_test
