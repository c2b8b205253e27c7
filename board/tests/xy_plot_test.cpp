// XY dot plotters onto a surface that records every pixel, and the swing
// count that decides whether an XY figure is readable.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "orvaboard.h"

namespace {

struct Pixel {
  int32_t x;
  int32_t y;
  uint32_t colour;
  bool operator==(const Pixel&) const = default;
};

class RecordingSurface {
 public:
  RecordingSurface() : surface_{this, &Record} {}
  const OrvaSurface* get() const { return &surface_; }
  std::vector<Pixel> pixels;

 private:
  static void Record(void* context, int32_t x, int32_t y, uint32_t colour) {
    static_cast<RecordingSurface*>(context)->pixels.push_back({x, y, colour});
  }
  OrvaSurface surface_;
};

constexpr int32_t kGreen = 0x0000FF00;

TEST(BoardXyPlot, ByteSamplesMapOntoThePlotArea) {
  RecordingSurface s;
  const uint8_t x[] = {0, 255, 128, 64, 99};
  const uint8_t y[] = {0, 255, 128, 192, 99};
  dibuja_un_vector_xy(s.get(), x, y, 5, kGreen, 1, 256.0f, 256.0f);
  const std::vector<Pixel> expected = {
      {0, 256, kGreen}, {255, 1, kGreen}, {128, 128, kGreen}, {64, 64, kGreen}};
  EXPECT_EQ(s.pixels, expected);  // the last sample is never drawn

  // Other area sizes scale each axis: width 512 doubles columns, height 128
  // halves rows.
  s.pixels.clear();
  dibuja_un_vector_xy(s.get(), x, y, 2, static_cast<int32_t>(0x00804020), 1, 128.0f, 512.0f);
  ASSERT_EQ(s.pixels.size(), 1u);
  EXPECT_EQ(s.pixels[0], (Pixel{0, 128, 0x00804020u}));
}

TEST(BoardXyPlot, CountAndStepDecideWhichSamplesAreDrawn) {
  RecordingSurface s;
  std::vector<uint8_t> x(10), y(10);
  for (int i = 0; i < 10; ++i) x[i] = static_cast<uint8_t>(10 * i), y[i] = 128;

  dibuja_un_vector_xy(s.get(), x.data(), y.data(), 1, kGreen, 1, 256.0f, 256.0f);
  EXPECT_TRUE(s.pixels.empty());
  dibuja_un_vector_xy(s.get(), x.data(), y.data(), 2, kGreen, 1, 256.0f, 256.0f);
  ASSERT_EQ(s.pixels.size(), 1u);
  EXPECT_EQ(s.pixels[0].x, 0);
  dibuja_un_vector_xy(s.get(), x.data(), y.data(), 0, kGreen, 1, 256.0f, 256.0f);
  dibuja_un_vector_xy(s.get(), x.data(), y.data(), -7, kGreen, 1, 256.0f, 256.0f);
  EXPECT_EQ(s.pixels.size(), 1u);

  // Step 3 over 10 samples: indexes 0, 3, 6 (9 is the last sample).
  s.pixels.clear();
  dibuja_un_vector_xy(s.get(), x.data(), y.data(), 10, kGreen, 3, 256.0f, 256.0f);
  ASSERT_EQ(s.pixels.size(), 3u);
  EXPECT_EQ(s.pixels[1].x, 30);
  EXPECT_EQ(s.pixels[2].x, 60);

  // A step of 0 or below is taken as 1 and the call returns.
  for (int32_t step : {0, -1, std::numeric_limits<int32_t>::min()}) {
    s.pixels.clear();
    dibuja_un_vector_xy(s.get(), x.data(), y.data(), 10, kGreen, step, 256.0f, 256.0f);
    EXPECT_EQ(s.pixels.size(), 9u) << step;
  }
  // A huge step draws only the first sample.
  s.pixels.clear();
  dibuja_un_vector_xy(s.get(), x.data(), y.data(), 10, kGreen,
                      std::numeric_limits<int32_t>::max(), 256.0f, 256.0f);
  EXPECT_EQ(s.pixels.size(), 1u);
}

TEST(BoardXyPlot, FloatPlotterTruncatesAndSkipsUnplottableSamples) {
  RecordingSurface s;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float x[] = {10.9f, -3.5f, nan, 1.0e30f, 200.0f, 0.0f};
  const float y[] = {127.5f, 300.0f, 128.0f, 128.0f, nan, 0.0f};
  dibuja_un_vector_xy2(s.get(), x, y, 6, kGreen, 1, 256.0f, 256.0f);
  const std::vector<Pixel> expected = {{10, 128, kGreen}, {-3, -44, kGreen}};
  EXPECT_EQ(s.pixels, expected);
}

TEST(BoardXyPlot, MissingSurfaceOrTracesDrawNothing) {
  const uint8_t b[] = {1, 2, 3};
  const float f[] = {1, 2, 3};
  RecordingSurface s;
  OrvaSurface no_callback = {&s, nullptr};
  dibuja_un_vector_xy(nullptr, b, b, 3, kGreen, 1, 256.0f, 256.0f);
  dibuja_un_vector_xy(&no_callback, b, b, 3, kGreen, 1, 256.0f, 256.0f);
  dibuja_un_vector_xy2(&no_callback, f, f, 3, kGreen, 1, 256.0f, 256.0f);
  dibuja_un_vector_xy(s.get(), nullptr, b, 3, kGreen, 1, 256.0f, 256.0f);
  dibuja_un_vector_xy2(s.get(), f, nullptr, 3, kGreen, 1, 256.0f, 256.0f);
  EXPECT_TRUE(s.pixels.empty());
}

// Square wave of the given number of half periods, each half_length long.
std::vector<uint8_t> Square(int halves, int half_length, uint8_t high, uint8_t low) {
  std::vector<uint8_t> v;
  for (int h = 0; h < halves; ++h) v.insert(v.end(), half_length, (h % 2) ? low : high);
  return v;
}

TEST(BoardXyPlot, SwingCountTellsWhetherTheFigureIsReadable) {
  // 12 full periods on both channels: 23 crossings each (the first half
  // starts high), well above 10.
  const auto twelve = Square(24, 20, 200, 50);
  EXPECT_EQ(comprueba_fm_para_xy(twelve.data(), twelve.data(), 480), 1);

  // 4 periods on one channel over the same record: too few.
  const auto four = Square(8, 60, 190, 60);
  EXPECT_EQ(comprueba_fm_para_xy(twelve.data(), four.data(), 480), -1);
  EXPECT_EQ(comprueba_fm_para_xy(four.data(), twelve.data(), 480), -1);

  // Exactly 10 crossings on one channel (11 halves) and more on the other.
  const auto ten = Square(11, 40, 220, 30);
  EXPECT_EQ(comprueba_fm_para_xy(ten.data(), twelve.data(), 440), 0);

  // A channel that stays within +-5 of its mean never crosses.
  std::vector<uint8_t> ripple(480);
  for (int i = 0; i < 480; ++i) ripple[i] = (i / 3) % 2 ? 131 : 125;
  EXPECT_EQ(comprueba_fm_para_xy(twelve.data(), ripple.data(), 480), -1);

  // The same ripple with 4-code extra swing crosses its band every time.
  std::vector<uint8_t> swing(480);
  for (int i = 0; i < 480; ++i) swing[i] = (i / 3) % 2 ? 135 : 121;
  EXPECT_EQ(comprueba_fm_para_xy(swing.data(), twelve.data(), 480), 1);
}

TEST(BoardXyPlot, SwingCountOfDegenerateRecords) {
  const uint8_t b[] = {0, 255};
  EXPECT_EQ(comprueba_fm_para_xy(b, b, 0), -1);
  EXPECT_EQ(comprueba_fm_para_xy(b, b, -4), -1);
  EXPECT_EQ(comprueba_fm_para_xy(b, b, 1), -1);
  EXPECT_EQ(comprueba_fm_para_xy(b, b, 2), -1);
  EXPECT_EQ(comprueba_fm_para_xy(nullptr, b, 2), -1);
  EXPECT_EQ(comprueba_fm_para_xy(b, nullptr, 2), -1);
}

}  // namespace
