// The remote link's frame decoder, fed as a socket feeds it: the first byte
// of the input picks how the rest is cut into chunks (1 byte at a time, small
// or large random pieces, all at once), the rest is the byte stream a peer
// sent. A stream that breaks is reset and the rest fed again, as a new
// connection would be.
//
// Checked for every message the decoder accepts: the kind is not negative,
// every slot type is 0, 2 or 7, a sample slot holds exactly 8193 bytes; and
// the message, written again by our encoder, decodes to the same message.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "orva/link/frame.h"

namespace {

using orva::link::FrameDecoder;
using orva::link::Message;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "remote_frames: %s\n", what);
  std::abort();
}

bool Same(const Message& a, const Message& b) {
  if (a.kind != b.kind || a.value != b.value) return false;
  for (int n = 1; n <= orva::link::kSlots; ++n) {
    const auto& x = a.d(n);
    const auto& y = b.d(n);
    if (x.type != y.type) return false;
    if (x.type == orva::link::kSlotSamples ? x.samples != y.samples : x.number != y.number)
      return false;
  }
  return true;
}

void Check(const Message& m) {
  if (m.kind < 0) Fail("a negative kind was accepted");
  for (int n = 1; n <= orva::link::kSlots; ++n) {
    const auto& s = m.d(n);
    if (s.type != orva::link::kSlotEmpty && s.type != orva::link::kSlotNumber &&
        s.type != orva::link::kSlotSamples)
      Fail("a slot type outside 0, 2, 7 was accepted");
    if (s.type == orva::link::kSlotSamples && s.samples.size() != orva::link::kSampleBytes)
      Fail("a sample slot of the wrong length was accepted");
  }
  static orva::link::FrameEncoder encoder;
  static FrameDecoder again;
  const auto frame = encoder.Encode(m);
  if (frame.size() > orva::link::kLengthBytes + orva::link::kLargestEncodedMessage)
    Fail("our encoder wrote more than the largest message");
  int seen = 0;
  again.Reset();
  again.Feed(frame.data(), frame.size(), [&](const FrameDecoder::Event& e) {
    ++seen;
    if (e.verdict != orva::link::Verdict::kMessage) Fail("a re-encoded message was not read back");
    if (!Same(*e.message, m)) Fail("a re-encoded message read back differently");
    return true;
  });
  if (seen != 1) Fail("a re-encoded message gave no event");
}

// Chunk sizes from a small xorshift seeded by the plan byte: single bytes
// for the first 64 then the rest at once, pieces of 1..64 bytes, pieces of
// 1..20000 bytes, or everything at once.
struct Chunks {
  explicit Chunks(std::uint8_t plan) : mode(plan & 3u), state(0x9e3779b9u ^ plan) {}
  std::size_t Next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    switch (mode) {
      case 0: return ++calls <= 64 ? 1 : SIZE_MAX;
      case 1: return 1 + state % 64;
      case 2: return 1 + state % 20000;
      default: return SIZE_MAX;
    }
  }
  unsigned mode;
  std::uint32_t state;
  int calls = 0;
};

bool Sink(const FrameDecoder::Event& e) {
  if (e.verdict == orva::link::Verdict::kMessage) Check(*e.message);
  if (e.verdict != orva::link::Verdict::kMessage && (e.reason == nullptr || e.reason->empty()))
    Fail("a frame was refused without a reason");
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  Chunks chunks(data[0]);
  ++data;
  --size;
  static FrameDecoder decoder;
  static const FrameDecoder::Sink sink = Sink;
  decoder.Reset();
  std::size_t at = 0;
  while (at < size) {
    const std::size_t want = chunks.Next();
    const std::size_t n = want < size - at ? want : size - at;
    const std::size_t taken = decoder.Feed(data + at, n, sink);
    if (taken > n) Fail("the decoder took more than it was given");
    if (taken < n && !decoder.Broken()) Fail("the decoder left bytes without breaking");
    at += taken;
    if (decoder.Broken()) decoder.Reset();  // a new connection
  }
  return 0;
}
