// The programming sequence: its register writes, their order and the fields
// they carry.
#include "test_support.h"

namespace board_test {
namespace {

using Kind = sim::PortAccess::Kind;
using Access = sim::PortAccess;

class BoardProgramming : public SimBoardTest {};

TEST_F(BoardProgramming, WritesTenRegistersInOrder) {
  aplica_calibracion_especial(1);  // offset codes: the overrides, 128 and 128
  canvia_offset(0x41, 0x42);
  sim::ClearPortLog();
  // count A 0x1234, count B 7999 -> P = 8192 - 8029 = 163; rate 5 MHz on a
  // 50 MHz board -> divider 3 (fs[4] = 3.125 MHz < 5 MHz <= fs[3]).
  EXPECT_EQ(kt2_programa_placa(/*trigger*/ 1, 0x1234, 7999, 5e6f, /*level*/ 0x77,
                               /*slope*/ 1, /*mode3*/ 0, /*gain1*/ 4, /*gain2*/ 9,
                               /*coupling1*/ 2, /*coupling2*/ 1, /*bit2*/ 1, /*ext*/ 0),
            1);
  // Control: slope 32 + bit-2 4 + trigger channel 1 -> 2. Gain byte: channel 1
  // AC (1) + perm[code 3] 12, channel 2 DC (0) + perm[code 6] 6.
  const std::vector<Access> expected = {
      {Kind::kWrite16, 0x390, 0x4142},
      {Kind::kWrite8, 0x399, 0x34},
      {Kind::kWrite8, 0x391, 0x12},
      {Kind::kWrite8, 0x392, 32 + 4 + 2},
      {Kind::kWrite8, 0x399, 163},
      {Kind::kWrite8, 0x391, 0},
      {Kind::kWrite8, 0x396, 1},
      {Kind::kWrite8, 0x397, 6 + 16 * (1 + 12)},
      {Kind::kWrite8, 0x393, 3},
      {Kind::kWrite8, 0x395, 0x77},
  };
  EXPECT_EQ(sim::PortLog(), expected);  // writes only, nothing read
}

TEST_F(BoardProgramming, OverrideOffsetWord) {
  aplica_calibracion_especial(1);
  canvia_offset(128, 128);
  kt2_programa_placa(1, 1, 1, 1e6f, 0, 0, 0, 0, 0, 1, 1, 0, 0);
  EXPECT_EQ(sim::LatchedRegisters().offset_word, 0x8080);
  // Overrides are not limited to a byte: channel 2's spills into channel 1's.
  canvia_offset(1, 300);
  kt2_programa_placa(1, 1, 1, 1e6f, 0, 0, 0, 0, 0, 1, 1, 0, 0);
  EXPECT_EQ(sim::LatchedRegisters().offset_word, (256 + 300) & 0xFFFF);
  canvia_offset(-1, 0);
  kt2_programa_placa(1, 1, 1, 1e6f, 0, 0, 0, 0, 0, 1, 1, 0, 0);
  EXPECT_EQ(sim::LatchedRegisters().offset_word, 0xFF00);
}

TEST_F(BoardProgramming, TriggerPositionFromThePreTriggerCount) {
  auto position = [](uint32_t count_b) {
    kt2_programa_placa(1, 100, count_b, 1e6f, 0, 0, 0, 0, 0, 1, 1, 0, 0);
    return sim::LatchedRegisters().trigger_position;
  };
  EXPECT_EQ(position(7999), 163);
  EXPECT_EQ(position(8000), 192);
  EXPECT_EQ(position(0), 8162);
  EXPECT_EQ(position(9000), static_cast<uint16_t>(8192 - 9000));  // wraps in 16 bits
  // The 16-bit entry takes its count as unsigned: 0x9000 is 36864, not negative.
  kt2_oscil_new(1, 1, 1, nullptr, nullptr, 0, 0, 100, static_cast<int16_t>(0x9000), 0, 0,
                1e-6f, 0, 0, 0);
  EXPECT_EQ(sim::LatchedRegisters().trigger_position, static_cast<uint16_t>(8192 - 0x9000));
}

TEST_F(BoardProgramming, ControlByteFields) {
  auto control = [](uint8_t trig, uint8_t slope, uint8_t mode3, uint8_t bit2, uint8_t ext) {
    kt2_programa_placa(trig, 1, 1, 1e6f, 0, slope, mode3, 0, 0, 1, 1, bit2, ext);
    return sim::LatchedRegisters();
  };
  EXPECT_EQ(control(1, 0, 0, 0, 0).control, 2);
  EXPECT_EQ(control(1, 0, 0, 0, 0).trigger_select, 1);
  EXPECT_EQ(control(2, 0, 0, 0, 0).control, 0);
  EXPECT_EQ(control(2, 0, 0, 0, 0).trigger_select, 0);
  EXPECT_EQ(control(0, 1, 1, 1, 1).control, 8 + 32 + 64 + 4);
  // Out-of-range flags add up and are truncated to 8 bits: 4 * 64 = 256 -> 0.
  EXPECT_EQ(control(2, 0, 4, 0, 0).control, 0);
}

TEST_F(BoardProgramming, GainByteLayoutPerModel) {
  auto gain_byte = [](uint8_t g1, uint8_t g2, uint8_t c1, uint8_t c2) {
    kt2_programa_placa(1, 1, 1, 1e6f, 0, 0, 0, g1, g2, c1, c2, 0, 0);
    return sim::LatchedRegisters().gain_coupling;
  };
  // Gain index -> code 0,1,1,2,3,3,4,5,5,6,7 -> reversed bits << 1.
  const int perm_of_index[11] = {0, 8, 8, 4, 12, 12, 2, 10, 10, 6, 14};
  for (int g = 0; g <= 10; ++g) {
    EXPECT_EQ(gain_byte(static_cast<uint8_t>(g), 0, 1, 1), 16 * perm_of_index[g]) << g;
    EXPECT_EQ(gain_byte(0, static_cast<uint8_t>(g), 1, 1), perm_of_index[g]) << g;
  }
  // Ground is not a board state: it programs the first coupling.
  EXPECT_EQ(gain_byte(10, 10, 2, 0), (0 + 14) + 16 * (1 + 14));
  EXPECT_EQ(gain_byte(10, 10, 0, 2), (1 + 14) + 16 * (0 + 14));
  // Indexes above 10 act as the most sensitive code.
  EXPECT_EQ(gain_byte(200, 11, 1, 1), 14 + 16 * 14);

  Install(sim::Model::kKtr1);  // the older models have no coupling bits
  EXPECT_EQ(gain_byte(10, 4, 2, 2), 12 + 16 * 14);
}

TEST_F(BoardProgramming, OscilNewProgramsTwiceWithItsArguments) {
  int16_t out1 = 11, out2 = 22;
  EXPECT_EQ(kt2_oscil_new(/*trigger*/ 2, /*c1*/ 1, /*c2*/ 2, &out1, &out2, /*g1*/ 3, /*g2*/ 5,
                          /*A*/ 4340, /*B*/ 2240, /*level*/ 0x1C8, /*slope*/ 1,
                          /*period*/ 1.0f / 40e6f * 8, /*ignored*/ 10000, /*mode*/ 3, /*ext*/ 0),
            1);
  EXPECT_EQ(out1, 11);  // the by-reference arguments are left alone
  EXPECT_EQ(out2, 22);
  const auto w = Writes();
  ASSERT_EQ(w.size(), 20u);
  EXPECT_TRUE(std::equal(w.begin(), w.begin() + 10, w.begin() + 10));
  const auto r = sim::LatchedRegisters();
  EXPECT_EQ(r.level, 0xC8);                 // low byte of the level
  EXPECT_EQ(r.control, 32 + 64);            // slope 1, trigger mode 3 -> untriggered
  EXPECT_EQ(r.trigger_select, 0);
  EXPECT_EQ(r.count_a, 4340);
  EXPECT_EQ(r.trigger_position, 8192 - 2270);
  EXPECT_EQ(r.divider, 3);                  // 5 MHz on the 50 MHz table
  EXPECT_EQ(r.programmings, 2u);

  // LW32Program is the same call without the by-reference arguments.
  sim::ClearPortLog();
  LW32Program(2, 1, 2, 3, 5, 4340, 2240, 0x1C8, 1, 1.0f / 40e6f * 8, 10000, 3, 0);
  EXPECT_EQ(Writes(), w);
}

TEST_F(BoardProgramming, FamiliesForwardTheirSettings) {
  ASSERT_EQ(KTR4_Init(0x390, nullptr), 0);
  Install(sim::Model::kKtr4);
  ASSERT_EQ(KTR4_Init(0x390, nullptr), TIPO_KTR4);
  sim::ClearPortLog();
  // KTR4: one gain and coupling for both channels, trigger on channel 1.
  EXPECT_EQ(KTR4_Program(/*coupling*/ 2, /*gain*/ 7, /*rate*/ 1250000, /*level*/ 90,
                         /*mode*/ 1, /*A*/ 300, /*B*/ 200, /*slope*/ 0, /*ext*/ 1),
            1);
  auto r = sim::LatchedRegisters();
  EXPECT_EQ(r.gain_coupling, (1 + 10) + 16 * (1 + 10));
  EXPECT_EQ(r.trigger_select, 1);
  EXPECT_EQ(r.control, 2 + 8);
  EXPECT_EQ(r.divider, 5);  // 1.25 MHz: fs[6] = 781 kHz < rate <= fs[5]
  EXPECT_EQ(r.count_a, 300);
  EXPECT_EQ(Writes().size(), 20u);

  Install(sim::Model::kKtr5);
  ASSERT_EQ(KTR5_Init(0x390, nullptr), TIPO_KTR5);
  EXPECT_EQ(KTR5_Program(/*c1*/ 0, /*c2*/ 2, /*g1*/ 1, /*g2*/ 2, /*rate*/ 40000000, /*level*/ 7,
                         /*mode*/ 3, /*A*/ 1000, /*B*/ 50, /*slope*/ 1, /*trigger*/ 2,
                         /*ext*/ 0),
            1);
  r = sim::LatchedRegisters();
  EXPECT_EQ(r.gain_coupling, (1 + 8) + 16 * (0 + 8));
  EXPECT_EQ(r.control, 32 + 64);
  EXPECT_EQ(r.divider, 0);
  EXPECT_EQ(r.level, 7);
  EXPECT_EQ(r.trigger_position, 8192 - 80);
}

}  // namespace
}  // namespace board_test
