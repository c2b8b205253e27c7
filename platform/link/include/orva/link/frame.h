// Frames of the remote link: each message is one CBOR map (RFC 8949) behind a
// 4-byte big-endian length (docs/remote-protocol.md). The interface is
// standard C++ only; the implementation uses Qt Core's CBOR reader and
// writer and nothing else of Qt.
//
// What the decoder does with what arrives (bytes in any chunking):
// - A length of 0 or above kMaxFrameBytes: the stream cannot be trusted any
//   more (the peer's framing is broken, or it speaks another protocol). The
//   decoder reports kBroken once and takes no further bytes until Reset.
// - A frame of the right size whose bytes are not one valid message (not
//   well-formed CBOR, bytes after the map, not a map, a key that is not text,
//   a slot missing or given twice, a value of the wrong CBOR type, a number
//   outside 16 bits, a slot type other than 0, 2 and 7, a sample array not
//   exactly kSampleBytes long, a negative kind): reported as kDropped with the
//   reason; the next frame is decoded as usual (the length kept the stream in
//   step). Keys it does not know are skipped.
// - A frame whose CBOR item is a map without entries (written a0, or any
//   other legal way) is a keep-alive: kKeepAlive, no message. A remote
//   station sends it while it has nothing else to send, so that the board
//   station keeps its seat; it is never answered.
// - Memory: at most one frame (kMaxFrameBytes) is held, however the bytes are
//   split, and the decoded message's buffers are reused from frame to frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "orva/link/message.h"

namespace orva::link {

inline constexpr std::size_t kLengthBytes = 4;

// Largest CBOR item that can encode a legal message, counted with the
// longest head CBOR allows (9 bytes) for every item: a map of 36 entries
// ("kind", "value", d1..d17, t1..t17), numbers and types as 16-bit integers,
// two slots of kSampleBytes bytes. Anything longer is not a message.
namespace detail {
inline constexpr std::size_t kHead = 9;
inline constexpr std::size_t kKeys = (kHead + 4) + (kHead + 5)  // "kind", "value"
                                     + 18 * (kHead + 2)         // d1..d9, t1..t9
                                     + 16 * (kHead + 3);        // d10..d17, t10..t17
inline constexpr std::size_t kValues = 2 * kHead                // kind, value
                                       + 17 * kHead             // t1..t17
                                       + 15 * kHead             // d3..d17 numbers
                                       + 2 * (kHead + kSampleBytes);  // d1, d2 samples
}  // namespace detail
inline constexpr std::size_t kMaxFrameBytes = detail::kHead + detail::kKeys + detail::kValues;
static_assert(kMaxFrameBytes == 17136);

// The largest frame our own encoder writes (shortest heads): 16591 bytes.
inline constexpr std::size_t kLargestEncodedMessage = 16591;
static_assert(kLargestEncodedMessage <= kMaxFrameBytes);

// Writes messages as frames into a buffer it keeps (no allocation once the
// buffer has grown to a frame). A slot of type 7 always carries exactly
// kSampleBytes bytes (a shorter array padded with 128, a longer one cut); a
// slot of a type other than 0, 2 or 7 is written as an empty slot; a
// negative kind is written as 0.
class FrameEncoder {
 public:
  FrameEncoder();
  ~FrameEncoder();
  FrameEncoder(const FrameEncoder&) = delete;
  FrameEncoder& operator=(const FrameEncoder&) = delete;

  // The frame (length prefix included); valid until the next Encode.
  std::span<const std::uint8_t> Encode(const Message& message);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

enum class Verdict {
  kMessage,  // a valid message
  kKeepAlive,  // an empty map: the peer is still there (nothing to deliver)
  kDropped,  // a frame that is not a valid message; the stream goes on
  kBroken,   // the stream cannot be trusted any more
};

// The keep-alive frame as sent: length 1, then a0 (a map of no entries).
std::span<const std::uint8_t> KeepAliveFrame();

// Decodes one frame's CBOR bytes (without the length prefix) into *message
// (its sample buffers are reused). kMessage, kKeepAlive (an empty map;
// *message untouched), or kDropped with the reason in *reason (then *message
// may hold part of what was read). The bytes are only
// read inside [data, data + size).
Verdict DecodeMessage(const std::uint8_t* data, std::size_t size, Message* message,
                      std::string* reason);

class FrameDecoder {
 public:
  struct Event {
    Verdict verdict;
    const Message* message;  // kMessage only; valid during the call
    const std::string* reason;  // kDropped and kBroken (kKeepAlive: "keep-alive")
  };
  // Returns false to stop taking bytes at once (the rest of the chunk is
  // left untaken).
  using Sink = std::function<bool(const Event&)>;

  FrameDecoder();

  // Takes the chunk, reporting every completed frame to the sink in order.
  // Returns the bytes taken: all of them, unless the sink stopped or the
  // stream broke (then the bytes up to that frame's end).
  std::size_t Feed(const std::uint8_t* data, std::size_t size, const Sink& sink);

  bool Broken() const { return broken_; }
  // Part of a frame has arrived and the rest has not.
  bool InFrame() const { return have_ > 0; }
  // Forgets any partial frame and a broken state (a new connection).
  void Reset();

 private:
  bool Complete(const Sink& sink);

  std::uint8_t prefix_[kLengthBytes] = {};
  std::size_t have_ = 0;      // bytes of the current frame received, prefix included
  std::size_t expected_ = 0;  // CBOR bytes of the current frame (known after the prefix)
  std::unique_ptr<std::uint8_t[]> body_;
  bool broken_ = false;
  Message message_;
  std::string reason_;
};

}  // namespace orva::link
