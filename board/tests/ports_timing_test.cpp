// Port exports, the port-driver check and the stopwatch.
#include <chrono>
#include <thread>

#include "test_support.h"

namespace board_test {
namespace {

using Kind = sim::PortAccess::Kind;

class BoardPortExports : public SimBoardTest {};

TEST_F(BoardPortExports, ByteWritesTakeTheLowByteAndReportWhetherTheValueFit) {
  EXPECT_EQ(DLL_OUT(0x391, 300), 0);
  EXPECT_EQ(DLL_OUT(0x391, 255), -1);
  EXPECT_EQ(DLL_OUT(0x391, 65541), -1);  // 0x10005: bits 8-15 are zero
  EXPECT_EQ(DLL_OUT16(0x390, 70000), 0);
  EXPECT_EQ(DLL_OUT16(0x390, 0xFFFF), -1);
  DLLOUT8(0x397, 0x1FF);
  DLLOUT16(0x390, static_cast<int16_t>(0xBEEF));
  const std::vector<sim::PortAccess> expected = {
      {Kind::kWrite8, 0x391, 44},     {Kind::kWrite8, 0x391, 255},
      {Kind::kWrite8, 0x391, 5},      {Kind::kWrite16, 0x390, 4464},
      {Kind::kWrite16, 0x390, 0xFFFF}, {Kind::kWrite8, 0x397, 0xFF},
      {Kind::kWrite16, 0x390, 0xBEEF},
  };
  EXPECT_EQ(Writes(), expected);
}

TEST_F(BoardPortExports, ReadsUseTheLow16BitsOfThePortAndSplitWords) {
  sim::SetIdentificationBytes(0x81, 0xB5, 0x05);
  EXPECT_EQ(DLL_IN(0x392), 0x81);
  EXPECT_EQ(DLL_IN(0x70000 + 0x395), 0xB5);  // bits 16-31 of the port ignored
  EXPECT_EQ(DLLINP8(0x39A), 0x05);
  EXPECT_EQ(DLL_IN(0x391), 0xFF);            // nothing answers there

  // A loaded capture makes the status word known: ended (bit 8), ready
  // (bit 10) and the stored, inverted sample 255 - 0x34 in the low byte.
  sim::LoadCapture({0x34}, {0x34});
  DLLOUT8(0x392, 2);
  uint8_t high = 0, low = 0;
  EXPECT_EQ(DLL_IN16(0x398, &high, &low), 0x0500 | (255 - 0x34));
  EXPECT_EQ(high, 0x05);
  EXPECT_EQ(low, 255 - 0x34);
  EXPECT_EQ(DLL_IN16(0x398, nullptr, nullptr), 0x05CB);
  EXPECT_EQ(DLLINP16(0x391), -1);  // 0xFFFF as a 16-bit value
}

// The driver stand-in: a request that answers 0 is followed by its release;
// any other answer (low 16 bits) means no driver, and nothing is released.
TEST_F(BoardPortExports, DriverCheckReleasesOnlyAfterASuccessfulRequest) {
  sim::SetDriverRequestResult(0);
  EXPECT_EQ(CompruebaDriverX(), 1);
  EXPECT_EQ(sim::DriverReleaseCount(), 1);
  sim::SetDriverRequestResult(0x10000);  // low 16 bits are zero: success
  EXPECT_EQ(CompruebaDriverX(), 1);
  EXPECT_EQ(sim::DriverReleaseCount(), 2);
  sim::SetDriverRequestResult(5);
  EXPECT_EQ(CompruebaDriverX(), 0);
  EXPECT_EQ(sim::DriverReleaseCount(), 2);
}

TEST(BoardStopwatch, CountsWholeMillisecondsTruncated) {
  sim::UseManualCounter(1000000);  // 1 MHz counter
  sim::SetManualCounter(5000);
  EXPECT_EQ(InicializaTemporizador(), 0);
  EXPECT_EQ(TiempoTranscurrido(), 0);
  sim::SetManualCounter(5000 + 1999);  // 1.999 ms
  EXPECT_EQ(TiempoTranscurrido(), 1);
  sim::SetManualCounter(5000 + 1500000);
  EXPECT_EQ(TiempoTranscurrido(), 1500);
  EXPECT_EQ(TiempoTranscurrido(), 1500);  // reading does not restart it

  // The free-running counter may wrap between start and now.
  sim::SetManualCounter(INT64_MAX - 499);
  InicializaTemporizador();
  sim::SetManualCounter(INT64_MIN + 2500);  // 3000 counts later
  EXPECT_EQ(TiempoTranscurrido(), 3);
  sim::UseSystemCounter();
}

TEST(BoardStopwatch, RunsOnTheMonotonicClock) {
  sim::UseSystemCounter();
  InicializaTemporizador();
  std::this_thread::sleep_for(std::chrono::milliseconds(25));
  const int64_t ms = TiempoTranscurrido();
  EXPECT_GE(ms, 25);
  EXPECT_LT(ms, 5000);
}

}  // namespace
}  // namespace board_test
