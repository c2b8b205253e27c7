// One message of the remote link, as the program fills it before a send and
// receives it in the message event: a kind number, one further value, and the
// seventeen value/type slots d1/t1 .. d17/t17. Standard library only, so the
// exchange logic that reads and fills messages stays free of Qt.
//
// Slot types (the tN of the wire):
//   0  empty slot: dN is the number 0
//   2  a number or a flag: dN is a 16-bit integer (flags: true -1, false 0)
//   7  a sample array: dN holds exactly kSampleBytes raw sample bytes
//
// Kinds: a message sent with Enviar is kind 1 (value 0); one sent with
// EnviarS(k) is kind 0 and carries k, the kind of the message it answers, as
// its further value. docs/remote-protocol.md describes the bytes on the wire.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace orva::link {

inline constexpr int kSlots = 17;  // d1/t1 .. d17/t17

// A sample array is the instrument's whole raw buffer of one channel: bytes
// 0..8192, the largest capture the board can return.
inline constexpr std::size_t kSampleBytes = 8193;

enum SlotType : std::int16_t {
  kSlotEmpty = 0,
  kSlotNumber = 2,
  kSlotSamples = 7,
};

struct Slot {
  std::int16_t type = kSlotEmpty;
  std::int16_t number = 0;             // types 0 and 2
  std::vector<std::uint8_t> samples;   // type 7: kSampleBytes bytes
};

struct Message {
  std::int16_t kind = 0;   // 0 or more
  std::int16_t value = 0;  // the further value
  std::array<Slot, kSlots> entries;  // d1..d17 at 0..16 (Qt reserves "slots")

  // Slot dN/tN by its number 1..17 (as the design numbers them). A number
  // outside 1..17 gives slot 1: callers pass constants.
  Slot& d(int n) { return entries[Index(n)]; }
  const Slot& d(int n) const { return entries[Index(n)]; }

  // Shorthands for the sender: a number slot, an empty slot, a sample slot.
  void SetNumber(int n, std::int16_t v) { d(n).type = kSlotNumber, d(n).number = v; }
  void SetEmpty(int n) { d(n).type = kSlotEmpty, d(n).number = 0; }
  // Copies kSampleBytes bytes; a shorter source is padded with 128 (the
  // centre line), a longer one cut.
  void SetSamples(int n, const std::uint8_t* bytes, std::size_t size);

 private:
  static std::size_t Index(int n) { return (n >= 1 && n <= kSlots) ? static_cast<std::size_t>(n - 1) : 0; }
};

inline void Message::SetSamples(int n, const std::uint8_t* bytes, std::size_t size) {
  Slot& s = d(n);
  s.type = kSlotSamples;
  s.number = 0;
  s.samples.resize(kSampleBytes);
  std::size_t i = 0;
  for (; i < size && i < kSampleBytes; ++i) s.samples[i] = bytes[i];
  for (; i < kSampleBytes; ++i) s.samples[i] = 128;
}

}  // namespace orva::link
