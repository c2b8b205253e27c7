// Reading the sample memories back: raw readout, the corrected readout's
// reversal, clipping, ground, the seam difference and refused requests.
#include <algorithm>
#include <chrono>
#include <numeric>

#include "test_support.h"

namespace board_test {
namespace {

using Kind = sim::PortAccess::Kind;

// Codes 1..253 in a sawtooth: neighbours differ, and nothing clips.
std::vector<uint8_t> Ramp(std::size_t n, int offset) {
  std::vector<uint8_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(1 + (i * 7 + offset) % 253);
  return v;
}

class BoardReadout : public SimBoardTest {};

TEST_F(BoardReadout, RawReadoutHoldsTheLastSamplesInTimeOrder) {
  const auto a = Ramp(500, 3), b = Ramp(500, 100);
  sim::LoadCapture(a, b);
  std::vector<uint8_t> buf1(40, 0xEE), buf2(40, 0xEE);

  kt2_lectura_memo(1, 40, buf1.data(), buf2.data());
  EXPECT_EQ(buf1, std::vector<uint8_t>(a.end() - 40, a.end()));
  EXPECT_EQ(buf2, std::vector<uint8_t>(40, 0xEE));  // mode 1 leaves buffer 2 alone
  EXPECT_EQ(Count(Kind::kRead16, 0x398), 40);
  EXPECT_EQ(Count(Kind::kWrite8, 0x394), 40);

  // Mode 2: channel 2 comes oldest first, so the buffer holds it reversed.
  sim::ClearPortLog();
  kt2_lectura_memo(2, 40, nullptr, buf2.data());
  std::vector<uint8_t> reversed(b.begin(), b.begin() + 40);
  std::reverse(reversed.begin(), reversed.end());
  EXPECT_EQ(buf2, reversed);
  const std::vector<sim::PortAccess> head = {{Kind::kWrite8, 0x392, 0}, {Kind::kWrite8, 0x396, 8}};
  const auto log = sim::PortLog();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(std::vector<sim::PortAccess>(log.begin(), log.begin() + 2), head);

  // Mode 3 selects channel 1, reads it, switches to channel 2 with one strobe.
  sim::ClearPortLog();
  kt2_lectura_memo(3, 5, buf1.data(), buf2.data());
  const auto w = Writes();
  ASSERT_EQ(w.size(), 2u + 5 + 3 + 5);
  EXPECT_EQ(w[0], (sim::PortAccess{Kind::kWrite8, 0x392, 2}));
  EXPECT_EQ(w[1], (sim::PortAccess{Kind::kWrite8, 0x396, 9}));
  EXPECT_EQ(w[7], (sim::PortAccess{Kind::kWrite8, 0x392, 0}));
  EXPECT_EQ(w[8], (sim::PortAccess{Kind::kWrite8, 0x396, 0}));
  EXPECT_EQ(w[9], (sim::PortAccess{Kind::kWrite8, 0x394, 0}));

  // Unknown modes and empty counts do nothing at all.
  sim::ClearPortLog();
  kt2_lectura_memo(0, 40, buf1.data(), buf2.data());
  kt2_lectura_memo(4, 40, buf1.data(), buf2.data());
  kt2_lectura_memo(1, 0, buf1.data(), buf2.data());
  kt2_lectura_memo(1, -5, buf1.data(), buf2.data());
  kt2_lectura_memo(1, 10, nullptr, buf2.data());
  EXPECT_TRUE(sim::PortLog().empty());
}

TEST_F(BoardReadout, CorrectedReadoutReadsSkipMoreAndWalksChannel2Backwards) {
  // count A 100, count B 50, skip 10: 160 samples read per channel, 150 kept.
  const auto a = Ramp(600, 1), b = Ramp(600, 50);
  sim::LoadCapture(a, b);
  std::vector<uint8_t> out1(152, 0xEE), out2(152, 0xEE);
  int16_t c1 = 5, c2 = 5;
  lee_la_memoria(100, 50, 10, out1.data(), out2.data(), 1, 0, 0, 3, 3, &c1, &c2, 1, 1);
  EXPECT_EQ(Count(Kind::kRead16, 0x398), 320);
  // Both channels come back as the same 150 samples in time order, aligned.
  EXPECT_TRUE(std::equal(out1.begin(), out1.begin() + 150, a.end() - 150));
  EXPECT_TRUE(std::equal(out2.begin(), out2.begin() + 150, b.end() - 150));
  EXPECT_EQ(out1[150], 0xEE);  // nothing written past count A + count B
  EXPECT_EQ(out2[151], 0xEE);
  EXPECT_EQ(c1, 0);
  EXPECT_EQ(c2, 0);

  // The alignment holds whatever the skip.
  for (int16_t skip : {0, 1, 100, 700}) {
    SCOPED_TRACE(skip);
    sim::LoadCapture(a, b);
    Capture c = Read(100, 50, skip, 1, 3, 3, 1, 1);
    EXPECT_TRUE(std::equal(c.ch1.begin(), c.ch1.end(), a.end() - 150));
    EXPECT_TRUE(std::equal(c.ch2.begin(), c.ch2.end(), b.end() - 150));
  }
}

TEST_F(BoardReadout, ClippingAndGround) {
  std::vector<uint8_t> a(64, 128), b(64, 128);
  a[10] = 0;
  b[20] = 255;
  sim::LoadCapture(a, b);
  Capture c = Read(40, 24, 0, 1, 3, 3, 1, 1);
  EXPECT_EQ(c.clipped1, 1);
  EXPECT_EQ(c.clipped2, 1);
  EXPECT_EQ(c.ch1[10], 0);
  EXPECT_EQ(c.ch2[20], 255);

  // A grounded channel reads 128 throughout; its raw bytes still reach the
  // clip test.
  sim::LoadCapture(a, b);
  c = Read(40, 24, 0, 1, 3, 3, 0, 1);
  EXPECT_EQ(c.ch1, std::vector<uint8_t>(64, 128));
  EXPECT_EQ(c.clipped1, 1);
  // No clipped sample: both flags back to 0.
  sim::LoadCapture(std::vector<uint8_t>(64, 1), std::vector<uint8_t>(64, 254));
  c = Read(40, 24, 0, 1, 3, 3, 1, 1);
  EXPECT_EQ(c.clipped1, 0);
  EXPECT_EQ(c.clipped2, 0);
}

TEST_F(BoardReadout, SeamDifferenceAndItsLimit) {
  // N = 300 + 100 + 0 = 400 -> q = 3. Trigger channel 1 compares time-ordered
  // work samples W1[q + B + 256] and W1[B + 256] of the N read.
  auto seam_channel1 = [](int diff) {
    std::vector<uint8_t> a(400, 100);
    a[3 + 100 + 256] = static_cast<uint8_t>(100 + diff);
    sim::LoadCapture(a, std::vector<uint8_t>(400, 100));
    return Read(300, 100, 0, 1, 3, 3, 1, 1).seam;
  };
  EXPECT_EQ(seam_channel1(7), 7);
  EXPECT_EQ(seam_channel1(-7), -7);
  EXPECT_EQ(seam_channel1(8), 0);
  EXPECT_EQ(seam_channel1(-50), 0);

  // Trigger channel 2: W2[A - q + skip - 256] - W2[A + skip - 256].
  std::vector<uint8_t> b(400, 60);
  // Channel 2 comes oldest first, so its work buffer runs backwards in time:
  // W2[41] - W2[44] are the samples 358 and 355.
  b[358] = 65;
  sim::LoadCapture(std::vector<uint8_t>(400, 100), b);
  EXPECT_EQ(Read(300, 100, 0, 2, 3, 3, 1, 1).seam, 5);

  // With a short count A the channel-2 indexes fall before the samples read:
  // no difference rather than a read outside the buffer.
  sim::LoadCapture(std::vector<uint8_t>(400, 100), std::vector<uint8_t>(400, 90));
  EXPECT_EQ(Read(100, 50, 0, 2, 3, 3, 1, 1).seam, 0);
}

TEST_F(BoardReadout, OversizedOrMalformedRequestsAreRefusedWithoutPortTraffic) {
  sim::LoadCapture(Ramp(100, 0), Ramp(100, 0));
  sim::ClearPortLog();
  std::vector<uint8_t> out1(20000, 0xEE), out2(20000, 0xEE);
  int16_t c1 = 9, c2 = 9;
  auto call = [&](int32_t a, int16_t b, int16_t skip, uint8_t* o1, uint8_t* o2) {
    c1 = c2 = 9;
    return lee_la_memoria(a, b, skip, o1, o2, 1, 0, 0, 3, 3, &c1, &c2, 1, 1);
  };
  EXPECT_EQ(call(15000, 900, 101, out1.data(), out2.data()), 0);  // N = 16,001
  EXPECT_EQ(c1, 0);
  EXPECT_EQ(c2, 0);
  EXPECT_EQ(call(-1, 10, 0, out1.data(), out2.data()), 0);
  EXPECT_EQ(call(10, 10, -1, out1.data(), out2.data()), 0);
  EXPECT_EQ(call(0, 0, 10, out1.data(), out2.data()), 0);
  EXPECT_EQ(call(10, -1, 0, out1.data(), out2.data()), 0);  // count B 65535
  EXPECT_EQ(call(10, 10, 0, nullptr, out2.data()), 0);
  EXPECT_EQ(call(10, 10, 0, out1.data(), nullptr), 0);
  EXPECT_EQ(call(INT32_MAX, 10, 10, out1.data(), out2.data()), 0);
  EXPECT_TRUE(sim::PortLog().empty());
  EXPECT_TRUE(std::all_of(out1.begin(), out1.end(), [](uint8_t v) { return v == 0xEE; }));

  // The largest request is served in full.
  call(15000, 900, 100, out1.data(), out2.data());
  EXPECT_EQ(Count(Kind::kRead16, 0x398), 2 * 16000);
  EXPECT_EQ(out1[15899], Ramp(100, 0)[99]);  // the newest sample last
  EXPECT_EQ(out1[0], 128);                   // older than the loaded memory
  EXPECT_EQ(out1[15900], 0xEE);
}

TEST_F(BoardReadout, SmallerModelMirrorsChannel1AndBoundsItsScratch) {
  Install(sim::Model::kKtr4);
  ASSERT_EQ(KTR4_Init(0x390, nullptr), TIPO_KTR4);
  sim::Signal sine;  // 1 kHz, 1 V on channel 1; something else on channel 2
  sim::SetSignal(1, sine);
  sim::SetSignal(2, sim::Signal{sim::Signal::Kind::kDc, 0, 0, 3.0, 0});
  // Both channels read channel 1's input (whatever channel 2 is fed).
  kt2_oscil_new(1, 1, 1, nullptr, nullptr, 6, 6, 2000, 1000, 127, 0, 1.0f / 1250000.0f, 0, 1, 0);
  ASSERT_EQ(comprueba_fin_de_captura(), 256);
  Capture c = Read(2000, 1000, 2000, 1, 6, 6, 1, 1);
  EXPECT_EQ(c.ch1, c.ch2);
  EXPECT_GT(*std::max_element(c.ch1.begin(), c.ch1.end()), 150);

  ASSERT_EQ(KTR4_Program(1, 6, 1250000, 127, 1, 2000, 1000, 0, 0), 1);
  std::vector<uint8_t> buf(3001, 0xEE);
  KTR4_ReadMemory(buf.data());
  EXPECT_EQ(buf[3000], 0xEE);
  EXPECT_GT(*std::max_element(buf.begin(), buf.end() - 1), 150);

  // count A + count B above the 8192-byte scratch: nothing read, nothing written.
  ASSERT_EQ(KTR4_Program(1, 5, 1250000, 127, 3, 8000, 193, 0, 0), 1);
  sim::ClearPortLog();
  std::vector<uint8_t> big(9000, 0xEE);
  KTR4_ReadMemory(big.data());
  EXPECT_TRUE(sim::PortLog().empty());
  EXPECT_TRUE(std::all_of(big.begin(), big.end(), [](uint8_t v) { return v == 0xEE; }));
  KTR4_ReadMemory(nullptr);  // refused too
  EXPECT_TRUE(sim::PortLog().empty());
}

TEST_F(BoardReadout, LargerModelReadMemoryUsesTheStoredSettings) {
  ASSERT_EQ(KTR5_Init(0x390, nullptr), TIPO_KTR5);
  ASSERT_EQ(KTR5_Program(0, 1, 3, 3, 1250000, 127, 3, 300, 100, 0, 1, 0), 1);
  ASSERT_EQ(KTR5_EndOfcapture(), 256);
  ASSERT_EQ(LW32EndOfCapture(), 1);
  sim::ClearPortLog();
  std::vector<uint8_t> b1(401, 0xEE), b2(401, 0xEE);
  KTR5_ReadMemory(b1.data(), b2.data());
  EXPECT_EQ(Count(Kind::kRead16, 0x398), 800);  // skip 0: 400 per channel
  EXPECT_EQ(std::vector<uint8_t>(b1.begin(), b1.end() - 1), std::vector<uint8_t>(400, 128));
  EXPECT_EQ(b1[400], 0xEE);
  EXPECT_NE(b2[0], 0xEE);
}

TEST_F(BoardReadout, ReadVectorWaitsForDataReady) {
  sim::LoadCapture({200}, {200});
  DLLOUT8(0x392, 2);
  sim::SetDataReadyAfterReads(3);
  sim::ClearPortLog();
  uint8_t v = 0;
  EXPECT_EQ(lee_vector(0, &v), -1);
  EXPECT_EQ(v, 255 - 200);  // the status word's low byte as it stands
  EXPECT_EQ(Count(Kind::kRead16, 0x398), 4);

  sim::EnablePortLog(false);
  sim::SetDataReadyAfterReads(-1);
  v = 77;
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(lee_vector(0, &v), 0);
  EXPECT_EQ(v, 77);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(60));
}

}  // namespace
}  // namespace board_test
