// Register-level model of the acquisition boards, behind the library's bus.
//
// Model of one capture (all sample indexes n are counted from the moment the
// capture was armed by the level write at B+5, at the programmed rate
// 40 MHz / 2^k, k = divider register B+3):
//  - pre-trigger depth pre = (8192 - trigger position register) - 30, at least
//    0: the board counts the trigger 30 samples late, which the library's +30
//    compensates for pre-trigger counts below 8000;
//  - trigger index T: the first n >= pre where the trigger channel's sample code
//    crosses the level (code = 255 - level register, since the board compares
//    its stored inverted codes), rising for slope 0 and falling for slope 1; a
//    capture with the mode-3 flag or the external trigger is untriggered
//    (T = pre). Searched over at most kSearchLimit samples: a signal that never
//    crosses leaves the capture running until it is reprogrammed;
//  - the record is n = T - pre .. T + count A - 1 (newest sample E).
// Readout: one address counter. B+6 with bit 3 set loads it (channel 1
// selected: newest sample E; channel 2 selected: record start); the strobe at
// B+4 moves it one sample back in time for channel 1 and one forward for
// channel 2. So channel 1 is delivered newest first and channel 2 oldest first
// from where channel 1 stopped, which is what the library's readout reverses
// into time order, aligned for any skip count.
#pragma once

#include <cstdint>
#include <vector>

#include "../src/bus.h"
#include "orvaboard_sim.h"

namespace orva::board::sim {

class SimBoard final : public Bus {
 public:
  static constexpr std::int64_t kSearchLimit = 1 << 20;
  static constexpr int kLatency = 30;

  explicit SimBoard(Model model);

  std::uint8_t Read8(std::uint16_t port) override;
  std::uint16_t Read16(std::uint16_t port) override;
  void Write8(std::uint16_t port, std::uint8_t value) override;
  void Write16(std::uint16_t port, std::uint16_t value) override;
  std::int32_t RequestAccess(std::uint16_t first, std::uint16_t count) override;
  void ReleaseAccess(std::uint16_t first, std::uint16_t count) override;

  Model model() const { return model_; }
  void SetBaseAddress(std::uint16_t base) { base_ = base; }
  void SetIdentificationBytes(std::uint8_t a, std::uint8_t b, std::uint8_t c) {
    id_[0] = a;
    id_[1] = b;
    id_[2] = c;
  }
  void SetSignal(int channel, const Signal& s);
  void SetInstantCaptures(bool instant) { instant_ = instant; }
  void SetDriverRequestResult(std::int32_t r) { driver_result_ = r; }
  std::int32_t DriverReleaseCount() const { return releases_; }
  void SetDataReadyAfterReads(std::int32_t reads) {
    ready_after_ = reads;
    status_reads_ = 0;
  }
  void LoadCapture(const std::vector<std::uint8_t>& ch1, const std::vector<std::uint8_t>& ch2);
  void EnableLog(bool on) { log_on_ = on; }
  std::vector<PortAccess> Log() const { return log_; }
  void ClearLog() { log_.clear(); }
  Registers Latched() const { return regs_; }

 private:
  enum class Phase { kIdle, kProgramming, kArmed };

  void Record(PortAccess::Kind kind, std::uint16_t port, std::uint16_t value);
  void Arm();
  // Finds the trigger of the armed capture once; false when it never comes.
  bool Resolve();
  bool Ended();
  int SelectedChannel() const { return (select_ & 2) ? 1 : 2; }
  // Sample code (not inverted) of channel 1 or 2 at sample index n of the
  // current capture.
  std::uint8_t CodeAt(int channel, std::int64_t n) const;
  double VoltsAt(int channel, double t) const;
  std::uint16_t Status();

  Model model_;
  std::uint16_t base_ = 0x390;
  std::uint8_t id_[3] = {0, 0, 0};
  Signal signal_[2];
  bool instant_ = false;
  std::int32_t driver_result_ = 0;
  std::int32_t releases_ = 0;
  std::int32_t ready_after_ = 0;
  std::int64_t status_reads_ = 0;
  bool log_on_ = false;
  std::vector<PortAccess> log_;

  // Programming registers.
  Phase phase_ = Phase::kIdle;
  Registers regs_;
  std::uint8_t pending_low_ = 0;
  int pair_ = 0;  // which B+9/B+1 pair comes next

  // Capture.
  double fs_ = 40e6;
  double arm_time_ = 0.0;       // signal time of sample 0, seconds
  double arm_real_ = 0.0;       // monotonic seconds at arming
  double virtual_time_ = 0.0;   // instant mode: signal time of the next arming
  bool resolved_ = false;
  bool triggered_ = false;
  std::int64_t start_ = 0;      // record start S
  std::int64_t newest_ = -1;    // record end E
  int gain_code_[2] = {0, 0};
  bool ac_[2] = {false, false};

  // Fixed memory from LoadCapture.
  bool loaded_ = false;
  std::vector<std::uint8_t> memory_[2];

  // Readout.
  std::uint8_t select_ = 2;
  std::int64_t pointer_ = 0;
};

}  // namespace orva::board::sim
