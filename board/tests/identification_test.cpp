// Board identification, the sample-rate table it builds, and the model
// families' recognition flags.
#include "test_support.h"

namespace board_test {
namespace {

struct Row {
  uint8_t i1, i2, i3;
  int16_t type;
  double clock;
};

class BoardIdentification : public SimBoardTest {
 protected:
  // Divider index the board receives for a rate, read from the last write
  // to B+3.
  int DividerFor(float rate) {
    sim::ClearPortLog();
    kt2_programa_placa(1, 100, 100, rate, 0, 0, 0, 0, 0, 1, 1, 0, 0);
    return sim::LatchedRegisters().divider;
  }
};

TEST_F(BoardIdentification, EveryRowOfTheTableGivesItsTypeAndClock) {
  const Row rows[] = {
      {9, 249, 0, TIPO_KTR2, 40e6},     {9, 249, 77, TIPO_KTR2, 40e6},
      {91, 240, 3, TIPO_KTR1, 40e6},    {128, 180, 4, TIPO_KTR4, 50e6},
      {128, 164, 0, TIPO_KTR4, 50e6},   {128, 180, 0, TIPO_KTR4, 50e6},
      {129, 181, 5, TIPO_KTR5, 50e6},   {129, 177, 0, TIPO_KTR5, 50e6},
      {129, 177, 5, TIPO_KTR5, 50e6},   {129, 181, 0, TIPO_KTR5, 50e6},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::Message() << int(r.i1) << "," << int(r.i2) << "," << int(r.i3));
    sim::SetIdentificationBytes(r.i1, r.i2, r.i3);
    sim::ClearPortLog();
    EXPECT_EQ(kt2_configuracio(0x390, nullptr), r.type);
    // The three identification bytes are read in order B+2, B+5, B+10.
    std::vector<uint16_t> reads;
    for (const auto& a : sim::PortLog()) reads.push_back(a.port);
    EXPECT_EQ(reads, (std::vector<uint16_t>{0x392, 0x395, 0x39A}));
    // fs[3] = clock / 8 selects divider 3; a little above it divider 2.
    const float fs3 = static_cast<float>(r.clock / 8);
    EXPECT_EQ(DividerFor(fs3), 3);
    EXPECT_EQ(DividerFor(fs3 * 1.001f), 2);
  }
}

TEST_F(BoardIdentification, UnknownCombinationsLeaveTypeAndClockAsTheyWere) {
  sim::SetIdentificationBytes(9, 249, 0);  // a 40 MHz, no-coupling-bit model
  ASSERT_EQ(kt2_configuracio(0x390, nullptr), TIPO_KTR2);
  for (const Row& r : {Row{129, 177, 7, 0, 0}, Row{128, 181, 4, 0, 0}, Row{255, 255, 255, 0, 0},
                       Row{91, 241, 0, 0, 0}}) {
    sim::SetIdentificationBytes(r.i1, r.i2, r.i3);
    EXPECT_EQ(kt2_configuracio(0x390, nullptr), 0);
  }
  // Still the older model's 40 MHz table and gain byte without coupling bits.
  EXPECT_EQ(DividerFor(5e6f), 3);
  kt2_programa_placa(1, 100, 100, 5e6f, 0, 0, 0, 1, 1, 2, 2, 0, 0);
  EXPECT_EQ(sim::LatchedRegisters().gain_coupling, 8 + 16 * 8);
}

TEST_F(BoardIdentification, ABoardAtAnotherAddressIsNotFound) {
  sim::SetBaseAddress(0x390);
  EXPECT_EQ(kt2_configuracio(0x300, nullptr), 0);
  sim::SetBaseAddress(0x300);
  EXPECT_EQ(kt2_configuracio(0x300, nullptr), TIPO_KTR5);
  // Programming now goes to the new base.
  sim::ClearPortLog();
  kt2_programa_placa(1, 1, 1, 1000.0f, 0, 0, 0, 0, 0, 1, 1, 0, 0);
  EXPECT_EQ(Writes().front().port, 0x300);
  EXPECT_EQ(Writes().back().port, 0x305);
}

TEST_F(BoardIdentification, RateTableEdges) {
  sim::SetIdentificationBytes(129, 181, 5);  // 50 MHz
  ASSERT_EQ(kt2_configuracio(0x390, nullptr), TIPO_KTR5);
  EXPECT_EQ(DividerFor(0.0f), 15);
  EXPECT_EQ(DividerFor(1000.0f), 15);          // below fs[15] = 1525.9 Hz
  EXPECT_EQ(DividerFor(1525.9f), 14);          // just above fs[15]
  EXPECT_EQ(DividerFor(50e6f / 32768), 15);    // exactly fs[15]
  EXPECT_EQ(DividerFor(25e6f), 1);             // exactly fs[1]
  EXPECT_EQ(DividerFor(25.1e6f), 0);
  EXPECT_EQ(DividerFor(200e6f), 0);
  EXPECT_EQ(DividerFor(-5.0f), 15);
}

TEST_F(BoardIdentification, FamilyInitsRecogniseOnlyTheirModel) {
  sim::SetIdentificationBytes(129, 181, 5);
  EXPECT_EQ(KTR4_Init(0x390, nullptr), 0);
  EXPECT_EQ(KTR5_Init(0x390, nullptr), TIPO_KTR5);
  EXPECT_EQ(LW32Config(0x390, nullptr), TIPO_KTR5);
  sim::ClearPortLog();
  EXPECT_EQ(KTR4_Program(1, 3, 1000, 100, 1, 10, 10, 0, 0), 0);
  EXPECT_TRUE(sim::PortLog().empty()) << "KTR4_Program touched a port without its model";
  EXPECT_EQ(KTR5_Program(1, 1, 3, 3, 1000, 100, 1, 10, 10, 0, 1, 0), 1);
  EXPECT_EQ(Writes().size(), 20u);

  sim::SetIdentificationBytes(128, 180, 4);
  EXPECT_EQ(KTR5_Init(0x390, nullptr), 0);  // clears the larger model's flag
  sim::ClearPortLog();
  EXPECT_EQ(KTR5_Program(1, 1, 3, 3, 1000, 100, 1, 10, 10, 0, 1, 0), 0);
  EXPECT_TRUE(sim::PortLog().empty());
  EXPECT_EQ(KTR4_Init(0x390, nullptr), TIPO_KTR4);
  EXPECT_EQ(KTR4_Program(1, 3, 1000, 100, 1, 10, 10, 0, 0), 1);
}

TEST(BoardEmptyBus, FindsNoBoardAndNeverFaults) {
  sim::InstallEmptyBus();
  EXPECT_EQ(kt2_configuracio(0x390, nullptr), 0);
  EXPECT_EQ(KTR5_Init(0x390, nullptr), 0);
  EXPECT_EQ(CompruebaDriverX(), 0);
  EXPECT_EQ(DLL_IN(0x392), 255);
  EXPECT_EQ(DLLINP16(0x398), -1);
  EXPECT_EQ(kt2_programa_placa(1, 100, 100, 1e6f, 128, 0, 0, 3, 3, 1, 1, 0, 0), 1);
  // All ones reads as "capture ended" and as samples 255 - 0xFF = 0.
  EXPECT_EQ(comprueba_fin_de_captura(), 256);
  no_calibrar_ganancia(1);
  Capture c = Read(100, 50, 10, 1, 3, 3, 1, 0);
  EXPECT_EQ(c.ch1, std::vector<uint8_t>(150, 0));
  EXPECT_EQ(c.ch2, std::vector<uint8_t>(150, 128));  // grounded channel
  EXPECT_EQ(c.clipped1, 1);
  uint8_t v = 0;
  EXPECT_EQ(lee_vector(0, &v), -1);  // bit 10 of 0xFFFF is set
  EXPECT_EQ(v, 0xFF);
  no_calibrar_ganancia(0);
  sim::InstallSimulatedBoard(sim::Model::kKtr5);
}

}  // namespace
}  // namespace board_test
