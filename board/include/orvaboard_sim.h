// Simulated acquisition board: a register-level model of the four board models
// that sits on the same bus as the real ports, so that the library's own
// register code runs unchanged against it.
//
// Exported from liborvaboard.so (C++ linkage). Intended for tests and for
// running without hardware; the environment variables ORVABOARD_SIM and
// ORVABOARD_SIM_SIGNALS install it without rebuilding (docs/simulated-board.md).
//
// All functions act on the process-wide bus of the library. Functions that
// configure the simulated board do nothing when another bus is in force.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#if defined(__GNUC__)
#define ORVABOARD_SIM_API __attribute__((visibility("default")))
#else
#define ORVABOARD_SIM_API
#endif

namespace orva::board::sim {

enum class Model { kKtr5, kKtr4, kKtr2, kKtr1 };

// One input signal. Volts and hertz; the signal's mean is `offset`.
struct Signal {
  enum class Kind { kSine, kSquare, kTriangle, kDc, kNoise };
  Kind kind = Kind::kSine;
  double frequency = 1000.0;  // Hz (ignored by dc and noise)
  double amplitude = 1.0;     // peak volts (ignored by dc; noise uses `noise`)
  double offset = 0.0;        // volts added to the waveform
  double noise = 0.0;         // rms volts of Gaussian noise added on top
};

// Defaults when nothing is set: channel 1 a 1 kHz sine of 1 V peak, channel 2
// a 2 kHz square of 0.5 V peak.
ORVABOARD_SIM_API Signal DefaultSignal(int channel);

// Parses "<channel 1>;<channel 2>", each "kind[:key=value[,key=value...]]",
// kind sine|square|triangle|dc|noise, keys f (Hz), a (peak V), o (offset V),
// n (rms noise V). An empty channel text keeps that channel's default. On
// failure returns false, leaves ch1/ch2 untouched and puts a message naming
// the bad part in *error.
ORVABOARD_SIM_API bool ParseSignals(std::string_view text, Signal* ch1, Signal* ch2,
                                    std::string* error);

// Parses a model name ("ktr5", "ktr4", "ktr2", "ktr1", any letter case).
ORVABOARD_SIM_API bool ParseModel(std::string_view text, Model* model);

// Puts a fresh simulated board of the model on the bus (base address 0x390,
// default signals, real-time captures, log off, data ready at once).
ORVABOARD_SIM_API void InstallSimulatedBoard(Model model);
// Puts the empty bus in place (reads all ones, writes dropped, access refused).
ORVABOARD_SIM_API void InstallEmptyBus();
// Puts the real I/O ports back (kernel grant on demand; empty-bus behaviour for
// ports the kernel refuses).
ORVABOARD_SIM_API void InstallHardwareBus();
// True when a simulated board is on the bus.
ORVABOARD_SIM_API bool SimulatedBoardInstalled();

// --- Configuration of the installed simulated board -----------------------
ORVABOARD_SIM_API void SetBaseAddress(uint16_t base);
// The three identification bytes read at B+2, B+5, B+10.
ORVABOARD_SIM_API void SetIdentificationBytes(uint8_t id1, uint8_t id2, uint8_t id3);
// channel 1 or 2.
ORVABOARD_SIM_API void SetSignal(int channel, const Signal& signal);
// true: a capture ends as soon as its trigger is found (no real-time wait), and
// the signal time advances by exactly each capture's length, so runs repeat.
ORVABOARD_SIM_API void SetInstantCaptures(bool instant);
// Result of the driver stand-in's access request (0 granted, else refused).
ORVABOARD_SIM_API void SetDriverRequestResult(int32_t result);
ORVABOARD_SIM_API int32_t DriverReleaseCount();
// Data ready (status bit 10) is raised after this many status reads counted
// from now; negative: never.
ORVABOARD_SIM_API void SetDataReadyAfterReads(int32_t reads);
// Replaces the next readouts' sample memory by fixed codes in time order (the
// last element is the newest sample) and marks the capture ended. Reads before
// the first element give code 128. Cleared by the next programming.
ORVABOARD_SIM_API void LoadCapture(const std::vector<uint8_t>& channel1,
                                   const std::vector<uint8_t>& channel2);

// --- What the simulated board saw -------------------------------------------
struct PortAccess {
  enum class Kind { kRead8, kRead16, kWrite8, kWrite16 };
  Kind kind;
  uint16_t port;
  uint16_t value;  // value read or written
  bool operator==(const PortAccess&) const = default;
};
// Logging is off by default so that long runs do not grow memory.
ORVABOARD_SIM_API void EnablePortLog(bool enable);
ORVABOARD_SIM_API std::vector<PortAccess> PortLog();
ORVABOARD_SIM_API void ClearPortLog();

// Registers as last latched by a programming sequence.
struct Registers {
  uint16_t offset_word = 0;      // B+0
  uint16_t count_a = 0;          // first B+9/B+1 pair
  uint16_t trigger_position = 0; // second B+9/B+1 pair (8192 - pre-trigger)
  uint8_t control = 0;           // B+2
  uint8_t divider = 0;           // B+3
  uint8_t trigger_select = 0;    // B+6 (1: channel 1)
  uint8_t gain_coupling = 0;     // B+7
  uint8_t level = 0;             // B+5 (compared with the stored, inverted code)
  uint32_t programmings = 0;     // completed sequences (each ends with B+5)
};
ORVABOARD_SIM_API Registers LatchedRegisters();

// Sample code the board would store (not inverted) for an input voltage at
// board gain code 0..7 (50, 20, 5, 2, 0.5, 0.2, 0.05, 0.02 V/div): 128 + 32
// codes per division, rounded, clipped to 0..255.
ORVABOARD_SIM_API uint8_t CodeForVolts(double volts, int board_gain_code);

// --- Stopwatch source -----------------------------------------------------------
// Replaces the stopwatch's monotonic counter by a manual one of the given
// frequency (counts per second), starting at count 0; SetManualCounter moves
// it. UseSystemCounter goes back to the monotonic clock.
ORVABOARD_SIM_API void UseManualCounter(int64_t frequency);
ORVABOARD_SIM_API void SetManualCounter(int64_t count);
ORVABOARD_SIM_API void UseSystemCounter();

}  // namespace orva::board::sim
