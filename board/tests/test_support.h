// Shared helpers of the board library tests: a fixture that puts a fresh
// simulated board on the bus, and writers of calibration files.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "orvaboard.h"
#include "orvaboard_sim.h"

namespace board_test {

namespace sim = orva::board::sim;

// A fresh simulated board of the model (instant captures, port log on),
// identified at 0x390, with correction switched off and no offset override.
class SimBoardTest : public ::testing::Test {
 protected:
  void SetUp() override { Install(sim::Model::kKtr5); }
  void TearDown() override {
    no_calibrar_ganancia(0);
    aplica_calibracion_especial(0);
    canvia_offset(128, 128);
  }
  // Installs the model and identifies it (without loading a calibration).
  void Install(sim::Model model);
  // Writes logged since the last ClearPortLog, reads left out.
  static std::vector<sim::PortAccess> Writes();
  // Number of logged accesses of the kind at the port.
  static int Count(sim::PortAccess::Kind kind, uint16_t port);
};

// Temporary folder removed at the end of the test.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

// Calibration tables as the file holds them, in the file's index order.
struct Format1 {
  uint8_t ob1[2][2][8] = {};
  int16_t lin[2][2][8][256] = {};
  float fo1[2][2][8] = {};
  float k[2] = {1.0f, 1.0f};
  std::vector<uint8_t> Bytes(float version = 1.0f) const;
};

struct Format2 {
  uint8_t ob2[2][11][2] = {};      // [c][g][j]
  float fo2[2][11][17][2] = {};    // [c][g][m][j]
  float gf2[2][11] = {};           // [c][g]
  Format2();                       // gains 1, offsets 0, offset codes 128
  std::vector<uint8_t> Bytes() const;
};

void WriteFile(const std::filesystem::path& file, const std::vector<uint8_t>& bytes);

// One capture read with lee_la_memoria (count A + count B bytes per channel).
struct Capture {
  std::vector<uint8_t> ch1, ch2;
  int16_t clipped1 = 0, clipped2 = 0;
  int16_t seam = 0;
};
Capture Read(int32_t count_a, int16_t count_b, int16_t skip, int16_t trigger_channel,
             int16_t gain1, int16_t gain2, int16_t coupling1, int16_t coupling2);

}  // namespace board_test
