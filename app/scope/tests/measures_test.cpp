// The instrument's averaging reads, measurements, automatic gain and
// timebase, clipboard copies and calibration compensation, through its members.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "orva/scope/osciloscopio.h"
#include "orva/scope/readouts.h"
#include "scope_fakes.h"

namespace orva::scope {
namespace {

using testing::Rig;

// Remote source: the test stores the raw bytes, the instrument converts them.
struct RemoteRig : Rig {
  explicit RemoteRig(int timebase = 12) {
    osc->ModoRemoto(true);
    osc->BaseDeTiemposActual(static_cast<std::int16_t>(timebase));
    osc->ModoDisparo(kModoAuto);
    osc->CanalDisparo(1);
    osc->Canal1Activo(true);
    osc->Canal2Activo(true);
    osc->AcoplamientoCanal1(1);
    osc->AcoplamientoCanal2(1);
    osc->GananciaCanal1(5);  // 1 V/div
    osc->GananciaCanal2(5);
    osc->Nivel(128);
    osc->promediado(1);
  }
  void Pass() {
    osc->Programacion();
    ASSERT_TRUE(osc->ComprobacionFinDeCaptura());
    osc->LecturaDeMemoria();
  }
};

// Demonstration source (two sines whose amplitude follows the real signal).
struct DemoRig : RemoteRig {
  explicit DemoRig(int timebase = 8) : RemoteRig(timebase) {
    osc->ModoRemoto(false);
    osc->ModoDemo(true);
  }
};

struct ClipboardLog : Portapapeles {
  std::vector<std::string> ops;
  std::string text;
  std::shared_ptr<const ScreenPicture> picture;
  void Clear() override {
    ops.push_back("clear");
    text.clear();
    picture.reset();
  }
  void SetText(const std::string& t) override {
    ops.push_back("text");
    text = t;
  }
  void SetPicture(const std::shared_ptr<const ScreenPicture>& p) override {
    ops.push_back("picture");
    picture = p;
  }
};

TEST(ScopeAveraging, EveryReadIsAStepAndMemReadsDoNotStep) {
  RemoteRig r;
  r.osc->V1Remoto(std::vector<std::uint8_t>(8193, 100));
  r.Pass();
  r.osc->promediado(4);
  const float want[] = {25.0f, 43.75f, 57.8125f};
  // The averaged trace starts at 0.
  EXPECT_EQ(r.osc->VCanal1MEM()[300], 0.0f);
  for (const float w : want) {
    const std::vector<float> v = r.osc->VCanal1();
    EXPECT_NEAR(v[300], w, 1e-2);
    EXPECT_NEAR(r.osc->VCanal1MEM()[300], w, 1e-2);  // no further step
  }
  // Channel 2 is averaged on its own.
  EXPECT_EQ(r.osc->VCanal2MEM()[300], 0.0f);
  // Factor 1 makes the averaged trace the aligned trace itself.
  r.osc->promediado(1);
  EXPECT_EQ(r.osc->VCanal1(), r.osc->TrazaAlineada1());
  // A factor outside 1, 2, 4, 8 keeps it as it is whatever is read.
  r.osc->promediado(3);
  r.osc->V1Remoto(std::vector<std::uint8_t>(8193, 200));
  r.Pass();
  EXPECT_NEAR(r.osc->VCanal1()[300], 100.0f, 1e-2);
}

TEST(ScopeMeasurements, DemoSineGivesItsAmplitudeAndFrequency) {
  // 1 us/div: the demo's channel 1 sine has 80 board samples (2 us) per period.
  DemoRig r(6);
  for (int i = 0; i < 2; ++i) r.Pass();
  r.osc->VCanal1();
  r.osc->VCanal2();
  r.osc->Medidas1();
  r.osc->Medidas2();
  // Channel 1: 100 codes peak at 1 V/div = 3.125 V peak, 500 kHz.
  EXPECT_NEAR(r.osc->Vpp1(), 6.25, 0.3);
  EXPECT_NEAR(r.osc->Vm1(), 0.0, 0.15);
  EXPECT_NEAR(r.osc->F1(), 500000.0, 500000.0 * 0.1);
  EXPECT_EQ(r.osc->F1(), std::nearbyint(r.osc->F1()));  // a whole number of hertz
  EXPECT_DOUBLE_EQ(r.osc->t1(), 1.0 / r.osc->F1());
  EXPECT_NEAR(r.osc->Vrms1(), 3.125 / std::sqrt(2.0), 0.2);
  EXPECT_NEAR(r.osc->Vm1Byte(), 128, 6);
  // Channel 2: three quarters of the amplitude at twice the frequency.
  EXPECT_NEAR(r.osc->Vpp2(), 6.25 * 0.75, 0.3);
  EXPECT_NEAR(r.osc->F2(), 1000000.0, 1000000.0 * 0.1);
}

TEST(ScopeMeasurements, FlatTraceAndOffsetsAndTheClampedByteLevel) {
  RemoteRig r;
  r.osc->DesplazamientoYCanal1(300);  // every converted sample clips at 255
  r.osc->DesplazamientoYCanal2(-300);  // and at 0
  r.osc->V1Remoto(std::vector<std::uint8_t>(8193, 128));
  r.osc->V2Remoto(std::vector<std::uint8_t>(8193, 128));
  r.osc->Nivel(0);
  r.Pass();
  r.osc->VCanal1();
  r.osc->VCanal2();
  r.osc->Medidas1();
  r.osc->Medidas2();
  const double vpc = 1.0 * 4 / 128;
  // Channel 1: mid level 255 minus the offset 300 is below 0: clamped to 0,
  // and every other result of the pass is still stored.
  EXPECT_EQ(r.osc->Vm1Byte(), 0);
  EXPECT_TRUE(r.osc->Vm1ByteRecortado());
  EXPECT_NEAR(r.osc->Vm1(), (255 - 128 - 300) * vpc, 1e-3);
  EXPECT_NEAR(r.osc->Vpp1(), 0.0, 1e-3);
  EXPECT_EQ(r.osc->F1(), 0.0);
  EXPECT_EQ(r.osc->t1(), 0.0);
  EXPECT_DOUBLE_EQ(r.osc->Vrms1(), r.osc->Vm1());
  // Channel 2 keeps its offset in the byte level: 0 fits.
  EXPECT_EQ(r.osc->Vm2Byte(), 0);
  EXPECT_FALSE(r.osc->Vm2ByteRecortado());
  EXPECT_NEAR(r.osc->Vm2(), (0 - 128 + 300) * vpc, 1e-3);
  // A negative offset on channel 1 pushes the byte level above 255.
  r.osc->DesplazamientoYCanal1(-300);
  r.Pass();
  r.osc->VCanal1();
  r.osc->Medidas1();
  EXPECT_EQ(r.osc->Vm1Byte(), 255);
  EXPECT_TRUE(r.osc->Vm1ByteRecortado());
  // The measurements report nothing to the host (computed values).
  std::vector<std::string> keys;
  r.osc->SetPropertyChangedHandler([&](std::string_view k) { keys.emplace_back(k); });
  r.osc->Medidas1();
  EXPECT_TRUE(keys.empty());
}

TEST(ScopeAutomaticGain, WalksDownFrom20mVPerDivisionUntilTheSignalFits) {
  DemoRig r(8);
  r.osc->GananciaCanal1(7);
  r.osc->GainAuto1(true);
  EXPECT_EQ(r.osc->GananciaCanal1(), 10);
  std::vector<int> programmed;
  for (int pass = 0; pass < 30 && r.osc->GainAuto1(); ++pass) {
    r.Pass();
    programmed.push_back(r.osc->GananciaCanal1());
  }
  EXPECT_FALSE(r.osc->GainAuto1());
  // Two settle passes, then one range per programming down to 1 V/div, where
  // the 3.1 V-peak signal spans +-100 codes and fits 5..250.
  EXPECT_EQ(programmed, (std::vector<int>{10, 10, 9, 8, 7, 6, 5, 5}));
  EXPECT_GE(r.osc->Minimo1(), 5.0);
  EXPECT_LE(r.osc->Maximo1(), 250.0);
  EXPECT_EQ(r.osc->GananciaCanal2(), 5);  // the other channel is left alone
}

TEST(ScopeAutomaticTimebase, StopsAtTheFirstMeasurablePeriod) {
  DemoRig r(12);
  r.osc->TriggerAuto(true);
  EXPECT_EQ(r.osc->BaseDeTiemposActual(), 2);
  std::vector<int> bases;
  for (int pass = 0; pass < 30 && r.osc->TriggerAuto(); ++pass) {
    r.Pass();
    bases.push_back(r.osc->BaseDeTiemposProgramada());
    r.osc->VCanal1();
    r.osc->VCanal2();
    r.osc->Medidas1();
    r.osc->Medidas2();
  }
  EXPECT_FALSE(r.osc->TriggerAuto());
  // The last programmed timebase shows a period.
  EXPECT_TRUE(r.osc->F1() != 0.0 || r.osc->F2() != 0.0);
  ASSERT_GE(bases.size(), 3u);
  EXPECT_EQ(bases[0], 2);
  EXPECT_LE(bases.back(), 5);
  for (std::size_t i = 1; i < bases.size(); ++i) EXPECT_LE(bases[i] - bases[i - 1], 1);
}

TEST(ScopeAutomaticTimebase, GivesUpAtFiveMillisecondsPerDivision) {
  RemoteRig r;
  r.osc->V1Remoto(std::vector<std::uint8_t>(8193, 128));
  r.osc->V2Remoto(std::vector<std::uint8_t>(8193, 128));
  r.osc->TriggerAuto(true);
  for (int pass = 0; pass < 40 && r.osc->TriggerAuto(); ++pass) {
    r.Pass();
    r.osc->VCanal1();
    r.osc->VCanal2();
    r.osc->Medidas1();
    r.osc->Medidas2();
  }
  EXPECT_FALSE(r.osc->TriggerAuto());
  EXPECT_EQ(r.osc->BaseDeTiemposActual(), 17);
  EXPECT_EQ(r.osc->BaseDeTiemposActualTexto(), "5ms/Div");
}

TEST(ScopeClipboard, ChannelSamplesAsVoltsInTheStoredVDiv) {
  RemoteRig r;
  r.osc->V1Remoto(std::vector<std::uint8_t>(8193, 160));  // one division up
  r.osc->V2Remoto(std::vector<std::uint8_t>(8193, 128));
  r.Pass();
  EXPECT_FALSE(r.osc->CopiarCanal1AlPortapapeles());  // no clipboard service yet
  auto clip = std::make_shared<ClipboardLog>();
  r.osc->SetPortapapeles(clip);
  // Automatic gain moves the gain index but not VDiv1: the text keeps 1 V/div.
  r.osc->GainAuto1(true);
  SetDecimalSeparator(',');
  ASSERT_TRUE(r.osc->CopiarCanal1AlPortapapeles());
  ResetDecimalSeparator();
  EXPECT_EQ(clip->ops, (std::vector<std::string>{"clear", "text"}));
  const std::string& t = clip->text;
  ASSERT_EQ(std::count(t.begin(), t.end(), '\r'), 768);
  EXPECT_EQ(t.find('\n'), std::string::npos);
  // Every value reads about 1 V (the resampling may leave a few ulps).
  std::size_t start = 0;
  int values = 0;
  while (start < t.size()) {
    const std::size_t end = t.find('\r', start);
    std::string v = t.substr(start, end - start);
    std::replace(v.begin(), v.end(), ',', '.');
    EXPECT_NEAR(std::stod(v), 1.0, 1e-3) << values;
    start = end + 1;
    ++values;
  }
  // Channel 2 of the same read (its raw bytes were the centre line): 0 V.
  ASSERT_TRUE(r.osc->CopiarCanal2AlPortapapeles());
  EXPECT_NEAR(std::stod(clip->text.substr(0, clip->text.find('\r'))), 0.0, 1e-3);
}

TEST(ScopeClipboard, ScreenPictureGoesOnTheClipboard) {
  Rig r;
  auto clip = std::make_shared<ClipboardLog>();
  EXPECT_FALSE(r.osc->CopiarPantallaTAlPortapapeles());
  r.osc->SetPortapapeles(clip);
  // No picture: the clipboard is only cleared.
  ASSERT_TRUE(r.osc->CopiarPantallaTAlPortapapeles());
  EXPECT_EQ(clip->ops, (std::vector<std::string>{"clear"}));
  auto pic = std::make_shared<EncodedPicture>("picture bytes");
  r.osc->PantallaTiempo(pic);
  r.osc->PantallaFrecuencia(std::make_shared<EncodedPicture>("spectrum"));
  clip->ops.clear();
  ASSERT_TRUE(r.osc->CopiarPantallaTAlPortapapeles());
  EXPECT_EQ(clip->ops, (std::vector<std::string>{"clear", "picture"}));
  EXPECT_EQ(clip->picture, pic);
}

// ---- Calibration compensation ---------------------------------------------------

void PutFloat(std::vector<std::uint8_t>& out, float v) {
  std::uint32_t bits;
  std::memcpy(&bits, &v, 4);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
}

// Format-1 calibration file; channel 1 DC codes 10, 11, 13, 14, 16, 17, 19, 20,
// AC codes those + 100; channel 2 codes those + 50 (DC) and + 150 (AC).
std::vector<std::uint8_t> CalDat(float version, float k1, float k2) {
  const std::uint8_t dc[8] = {10, 11, 13, 14, 16, 17, 19, 20};
  std::vector<std::uint8_t> f;
  PutFloat(f, version);
  f.resize(32, 0);
  for (int c = 0; c < 2; ++c) {
    for (int row = 0; row < 2; ++row)
      for (int k = 0; k < 8; ++k) f.push_back(static_cast<std::uint8_t>(dc[k] + 100 * row + 50 * c));
    f.insert(f.end(), 8192 + 64, 0x7F);
  }
  PutFloat(f, k1);
  PutFloat(f, k2);
  return f;
}

class ScopeCalibration : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("orva_scope_cal_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  void Write(const char* name, const std::vector<std::uint8_t>& bytes) {
    std::ofstream o(dir_ / name, std::ios::binary);
    o.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  std::filesystem::path dir_;
};

TEST_F(ScopeCalibration, CalDatFillsTheCompensationPropertiesPerCouplingAndGain) {
  Write("cal.dat", CalDat(2.0f, 0.985f, 1.0f));  // read as format 1 whatever the version
  Rig r;
  r.osc->PathCal(dir_.string());
  ASSERT_EQ(r.osc->CargaElFicheroDeCalibracion(), ResultadoCalibracion::kCorrecto);
  const int dc[11] = {10, 11, 11, 13, 14, 14, 16, 17, 17, 19, 20};
  for (int g = 0; g <= 10; ++g) {
    r.osc->GananciaCanal1(static_cast<std::int16_t>(g));
    r.osc->GananciaCanal2(static_cast<std::int16_t>(g));
    for (const std::int16_t coupling : {kAcoplamientoDC, kAcoplamientoGND}) {
      r.osc->AcoplamientoCanal1(coupling);
      EXPECT_EQ(r.osc->CompensacionDeOffset1(), dc[g]) << g << " " << coupling;
    }
    r.osc->AcoplamientoCanal1(kAcoplamientoAC);
    EXPECT_EQ(r.osc->CompensacionDeOffset1(), dc[g] + 100) << g;
    r.osc->AcoplamientoCanal2(kAcoplamientoAC);
    EXPECT_EQ(r.osc->CompensacionDeOffset2(), dc[g] + 150) << g;
    EXPECT_NEAR(r.osc->CompensacionDeGanancia1(), 985.0, 985.0 * 1e-7);
    EXPECT_NEAR(r.osc->CompensacionDeGanancia2(), 1000.0, 1e-9);
  }
}

TEST_F(ScopeCalibration, GroundedChannelWritesItsGroundRowAndReadsDc) {
  Write("cal.dat", CalDat(1.0f, 1.0f, 1.0f));
  Rig r;
  r.osc->PathCal(dir_.string());
  r.osc->CargaElFicheroDeCalibracion();
  r.osc->GananciaCanal1(3);
  r.osc->AcoplamientoCanal1(kAcoplamientoGND);
  std::vector<std::string> keys;
  r.osc->SetPropertyChangedHandler([&](std::string_view k) { keys.emplace_back(k); });
  r.osc->CompensacionDeOffset1(7);
  EXPECT_EQ(keys, (std::vector<std::string>{"CompensacionDeOffset1"}));
  EXPECT_EQ(r.osc->Calibracion().Offset(kAcoplamientoGND, 3, 1), 7);
  EXPECT_EQ(r.osc->CompensacionDeOffset1(), 13);  // the DC entry of gain 3
  r.osc->AcoplamientoCanal1(kAcoplamientoDC);
  r.osc->CompensacionDeOffset1(44);
  EXPECT_EQ(r.osc->CompensacionDeOffset1(), 44);
  r.osc->AcoplamientoCanal1(kAcoplamientoGND);
  EXPECT_EQ(r.osc->CompensacionDeOffset1(), 44);
  r.osc->CompensacionDeGanancia1(1001.5);
  EXPECT_EQ(r.osc->CompensacionDeGanancia1(), 1001.5);
  r.osc->GananciaCanal1(4);
  EXPECT_EQ(r.osc->CompensacionDeGanancia1(), 1000.0);
  // The last assigned values are what is saved under the keys.
  hosting::PropertyBag bag;
  r.osc->WriteProperties(bag);
  EXPECT_EQ(bag.ReadInt("CompensacionDeOffset1", 0), 44);
  EXPECT_EQ(bag.ReadDouble("CompensacionDeGanancia1", 0), 1001.5);
}

TEST_F(ScopeCalibration, Cal2SavesAndRestoresTheDcAcRowsAndGains) {
  Write("cal.dat", CalDat(1.0f, 0.99f, 1.01f));
  Rig a;
  a.osc->PathCal(dir_.string());
  a.osc->PathCal2(dir_.string() + "/");
  a.osc->CargaElFicheroDeCalibracion();
  a.osc->GananciaCanal2(6);
  a.osc->AcoplamientoCanal2(kAcoplamientoAC);
  a.osc->CompensacionDeOffset2(201);
  a.osc->CompensacionDeGanancia2(1234.5);
  ASSERT_EQ(a.osc->GuardaCal2(), ResultadoCalibracion::kCorrecto);
  EXPECT_EQ(std::filesystem::file_size(dir_ / "cal2.dat"), 220u);

  Rig b;
  b.osc->PathCal2(dir_.string());
  b.osc->GananciaCanal1(2);
  b.osc->AcoplamientoCanal1(kAcoplamientoGND);
  b.osc->CompensacionDeOffset1(9);  // GND row: not in the file
  ASSERT_EQ(b.osc->CargaCal2(), ResultadoCalibracion::kCorrecto);
  for (int c = 1; c <= 2; ++c)
    for (int g = 0; g <= 10; ++g) {
      EXPECT_EQ(b.osc->Calibracion().Offset(1, g, c), a.osc->Calibracion().Offset(1, g, c));
      EXPECT_EQ(b.osc->Calibracion().Offset(2, g, c), a.osc->Calibracion().Offset(2, g, c));
      EXPECT_EQ(b.osc->Calibracion().Ganancia(g, c), a.osc->Calibracion().Ganancia(g, c));
    }
  EXPECT_EQ(b.osc->Calibracion().Offset(0, 2, 1), 9);
  b.osc->GananciaCanal2(6);
  b.osc->AcoplamientoCanal2(kAcoplamientoAC);
  EXPECT_EQ(b.osc->CompensacionDeOffset2(), 201);
  EXPECT_EQ(b.osc->CompensacionDeGanancia2(), 1234.5);
}

TEST_F(ScopeCalibration, MissingFilesChangeNothingAndTheLoadTellsIt) {
  Rig r;
  r.osc->PathCal(dir_.string());
  r.osc->PathCal2(dir_.string());
  r.osc->GananciaCanal1(1);
  r.osc->AcoplamientoCanal1(kAcoplamientoDC);
  r.osc->CompensacionDeOffset1(5);
  const auto before = r.osc->Calibracion().Offsets();
  EXPECT_EQ(r.osc->CargaCal2(), ResultadoCalibracion::kFicheroAusente);
  EXPECT_EQ(r.osc->CargaElFicheroDeCalibracion(), ResultadoCalibracion::kFicheroAusente);
  EXPECT_EQ(r.osc->Calibracion().Offsets(), before);
  // A cal.dat cut in channel 2's block: channel 1 is loaded, the rest kept.
  auto f = CalDat(1.0f, 2.0f, 2.0f);
  f.resize(32 + 16 + 8192 + 64 + 4);
  Write("cal.dat", f);
  EXPECT_EQ(r.osc->CargaElFicheroDeCalibracion(), ResultadoCalibracion::kFicheroCorto);
  EXPECT_EQ(r.osc->CompensacionDeOffset1(), 11);
  EXPECT_EQ(r.osc->Calibracion().Offset(1, 1, 2), 61);  // first 4 codes of channel 2's DC row
  EXPECT_EQ(r.osc->Calibracion().Offset(1, 4, 2), 64);
  EXPECT_EQ(r.osc->Calibracion().Offset(1, 6, 2), 0);   // fifth code: not in the file
  EXPECT_EQ(r.osc->Calibracion().Ganancia(0, 1), 0.0);  // K not reached
}

TEST_F(ScopeCalibration, GainOrCouplingOutsideTheTablesTouchesNothing) {
  hosting::PropertyBag bag;
  bag.Write("GananciaCanal1", std::int64_t{11}, 0);
  bag.Write("AcoplamientoCanal2", std::int64_t{7}, 0);
  bag.Write("CompensacionDeOffset1", std::int64_t{33}, 0);
  bag.Write("CompensacionDeGanancia2", 777.0, 0.0);
  Rig r;
  r.osc->ReadProperties(bag);
  const auto offsets = r.osc->Calibracion().Offsets();
  const auto gains = r.osc->Calibracion().Ganancias();
  // Reads give the property's own stored value.
  EXPECT_EQ(r.osc->CompensacionDeOffset1(), 33);
  EXPECT_EQ(r.osc->CompensacionDeGanancia2(), 777.0);
  std::vector<std::string> keys;
  r.osc->SetPropertyChangedHandler([&](std::string_view k) { keys.emplace_back(k); });
  r.osc->CompensacionDeOffset1(99);
  r.osc->CompensacionDeGanancia1(5.0);
  r.osc->CompensacionDeOffset2(98);
  r.osc->CompensacionDeGanancia2(6.0);
  EXPECT_TRUE(keys.empty());
  EXPECT_EQ(r.osc->Calibracion().Offsets(), offsets);
  EXPECT_EQ(r.osc->Calibracion().Ganancias(), gains);
  EXPECT_EQ(r.osc->CompensacionDeOffset1(), 33);
  EXPECT_EQ(r.osc->CompensacionDeGanancia2(), 777.0);
}

}  // namespace
}  // namespace orva::scope
