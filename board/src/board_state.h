// Process-wide state of the board library (one instance, unprotected: the
// library is used from one thread at a time).
#pragma once

#include <cstdint>

namespace orva::board {

// Settings remembered by a model family between its Program and ReadMemory.
struct FamilySettings {
  int16_t coupling1 = 0, coupling2 = 0, gain1 = 0, gain2 = 0;
  int32_t rate = 0;
  uint8_t level = 0;
  int16_t trigger_mode = 0;
  int32_t count_a = 0;
  int16_t count_b = 0;
  int16_t slope = 0;
  int16_t trigger_channel = 0;
  int16_t external_trigger = 0;
};

struct BoardState {
  uint16_t base = 0x390;
  uint16_t port[11] = {};       // B+0 .. B+10
  float clock = 50'000'000.0f;  // master clock, Hz
  int16_t type = 0;             // last recognised board type
  float fs[16] = {};            // sample-rate table, Hz
  int16_t divider = 0;          // divider index of the last programming
  bool ktr5 = false, ktr4 = false;
  FamilySettings ktr5_settings, ktr4_settings;

  BoardState() { SetBase(0x390); }
  void SetBase(uint16_t b) {
    base = b;
    for (int i = 0; i < 11; ++i) port[i] = static_cast<uint16_t>(b + i);
  }
};

BoardState& State();

}  // namespace orva::board
