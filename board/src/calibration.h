// Calibration tables of the board library: the cal.dat file, the input offset
// codes of each programming and the per-sample correction of each readout.
#pragma once

#include <cstdint>

namespace orva::board {

// A caller's gain index mapped to what the board and the tables use.
struct GainSetting {
  int index;  // 0..10, for the per-index tables (indexes above 10 act as 10)
  int code;   // board gain code 0..7
  int step;   // digital step factor 1 or 2 applied by the correction
};
GainSetting MapGain(int gain_index);

// Coupling code as the board sees it: 2 stays 2, everything else (0 included,
// since ground is not a board state) becomes 1.
inline int BoardCoupling(int coupling) { return coupling == 2 ? 2 : 1; }

// Word for B+0: channel 1's offset code in the high byte, channel 2's in the
// low byte (or the overrides when they are in force), truncated to 16 bits.
uint16_t OffsetWord(const GainSetting& g1, const GainSetting& g2, int coupling1,
                    int coupling2);

// Corrected value of one raw sample of channel 0 or 1 with coupling 1 or 2 at
// divider index m (0..15). Not yet clipped to 0..255.
int CorrectSample(int channel, int raw, const GainSetting& g, int coupling, int divider);
bool CorrectionOff();

}  // namespace orva::board
