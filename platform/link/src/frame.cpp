// Frame encoder and decoder over Qt Core's CBOR stream writer and reader. The
// reader walks exactly the shape of a message (one map of integers and byte
// strings) and stops at the first item that does not fit: it never builds a
// tree of what a peer sent and never descends into a container of its own
// accord.
#include "orva/link/frame.h"

#include <QByteArray>
#include <QCborStreamReader>
#include <QCborStreamWriter>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace orva::link {

namespace {

// Keys in wire order: "kind", "value", then d1, t1, d2, t2, ... d17, t17.
constexpr int kKeyKind = 0;
constexpr int kKeyValue = 1;
constexpr int KeyD(int n) { return 2 * n; }      // n = 1..17
constexpr int KeyT(int n) { return 2 * n + 1; }
constexpr int kKeyCount = 2 + 2 * kSlots;

const char* const kKeyNames[kKeyCount] = {
    "kind", "value", "d1",  "t1",  "d2",  "t2",  "d3",  "t3",  "d4",  "t4",  "d5",  "t5",
    "d6",   "t6",    "d7",  "t7",  "d8",  "t8",  "d9",  "t9",  "d10", "t10", "d11", "t11",
    "d12",  "t12",   "d13", "t13", "d14", "t14", "d15", "t15", "d16", "t16", "d17", "t17"};

// Index of a key, or -1 for a key of this length that is not ours.
int KeyIndex(std::string_view key) {
  if (key == "kind") return kKeyKind;
  if (key == "value") return kKeyValue;
  if (key.size() < 2 || key.size() > 3 || (key[0] != 'd' && key[0] != 't')) return -1;
  int n = 0;
  for (std::size_t i = 1; i < key.size(); ++i) {
    if (key[i] < '0' || key[i] > '9') return -1;
    n = n * 10 + (key[i] - '0');
  }
  if (key[1] == '0' || n < 1 || n > kSlots) return -1;  // no "d01"
  return key[0] == 'd' ? KeyD(n) : KeyT(n);
}

std::int16_t WireType(std::int16_t type) {
  return (type == kSlotNumber || type == kSlotSamples) ? type : std::int16_t{kSlotEmpty};
}

class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size, Message* message, std::string* reason)
      : r_(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)),
        size_(size), m_(message), reason_(reason) {}

  Verdict Run();

 private:
  // The reason, written into the caller's string (no allocation once it
  // has grown: hostile peers can send many bad frames).
  Verdict Drop(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    char text[200];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    reason_->assign(text);
    return Verdict::kDropped;
  }
  // The reader's own error, when it has one, says more than our words.
  Verdict Malformed(const char* what) {
    const QCborError e = r_.lastError();
    if (e.c == QCborError::NoError) return Drop("not well-formed CBOR: %s", what);
    return Drop("not well-formed CBOR: %s (error %d)", what, static_cast<int>(e.c));
  }
  bool Failed() { return r_.lastError().c != QCborError::NoError; }
  // Reads a text key into key_ (at most sizeof(key_) bytes kept; *length the
  // whole length). False on a reader error.
  bool ReadKey(std::size_t* length);
  // A 16-bit integer; false if the item is not an integer or does not fit.
  // The reader stays on the item.
  bool ReadInt16(std::int16_t* out);
  // The byte string into slot n's buffer; kMessage when it holds exactly
  // kSampleBytes bytes.
  Verdict ReadSamples(int n);

  QCborStreamReader r_;
  std::size_t size_;
  Message* m_;
  std::string* reason_;
  char key_[8] = {};
  // What the map said of each slot before the types are checked against it.
  bool d_is_bytes_[kSlots + 1] = {};
  std::int16_t t_[kSlots + 1] = {};
};

bool Reader::ReadKey(std::size_t* length) {
  *length = 0;
  for (;;) {
    const qsizetype chunk = r_.currentStringChunkSize();
    if (chunk < 0) return false;
    const std::size_t room = *length < sizeof(key_) ? sizeof(key_) - *length : 0;
    auto res = r_.readStringChunk(room ? key_ + *length : nullptr, static_cast<qsizetype>(room));
    if (res.status == QCborStreamReader::Error) return false;
    if (res.status == QCborStreamReader::EndOfString) return true;
    *length += static_cast<std::size_t>(chunk);
  }
}

bool Reader::ReadInt16(std::int16_t* out) {
  if (r_.isUnsignedInteger()) {
    const quint64 u = r_.toUnsignedInteger();
    if (u > 32767) return false;
    *out = static_cast<std::int16_t>(u);
  } else if (r_.isNegativeInteger()) {
    // The absolute value; 0 is the wrapped -2^64.
    const quint64 a = static_cast<quint64>(r_.toNegativeInteger());
    if (a == 0 || a > 32768) return false;
    *out = static_cast<std::int16_t>(-static_cast<std::int32_t>(a));
  } else {
    return false;
  }
  return true;
}

Verdict Reader::ReadSamples(int n) {
  std::vector<std::uint8_t>& buf = m_->d(n).samples;
  buf.resize(kSampleBytes);
  std::size_t got = 0;
  for (;;) {
    const qsizetype chunk = r_.currentStringChunkSize();
    if (chunk < 0) return Malformed("sample array");
    if (got + static_cast<std::size_t>(chunk) > kSampleBytes)
      return Drop("d%d: sample array longer than %zu bytes", n, kSampleBytes);
    auto res = r_.readStringChunk(reinterpret_cast<char*>(buf.data() + got),
                                  static_cast<qsizetype>(kSampleBytes - got));
    if (res.status == QCborStreamReader::Error) return Malformed("sample array");
    if (res.status == QCborStreamReader::EndOfString) break;
    got += static_cast<std::size_t>(res.data);
  }
  if (got != kSampleBytes)
    return Drop("d%d: sample array of %zu bytes, not %zu", n, got, kSampleBytes);
  return Verdict::kMessage;
}

Verdict Reader::Run() {
  if (Failed()) return Malformed("message");
  if (!r_.isMap()) return Drop("the message is not a CBOR map");
  if (!r_.enterContainer()) return Malformed("map");
  std::uint64_t seen = 0;
  std::size_t entries = 0;
  while (r_.hasNext()) {
    ++entries;
    if (Failed()) return Malformed("map entry");
    if (!r_.isString()) return Drop("a map key that is not a text string");
    std::size_t key_length = 0;
    if (!ReadKey(&key_length)) return Malformed("map key");
    const int key =
        key_length <= sizeof(key_) ? KeyIndex(std::string_view(key_, key_length)) : -1;
    if (Failed() || r_.type() == QCborStreamReader::Invalid) return Malformed("map value");
    if (key < 0) {  // not ours: skipped, nested items to a shallow depth only
      if (!r_.next(16)) return Malformed("value of an unknown key");
      continue;
    }
    const std::uint64_t bit = std::uint64_t{1} << key;
    if (seen & bit) return Drop("key \"%s\" given twice", kKeyNames[key]);
    seen |= bit;
    const int n = key / 2;  // slot number of dN / tN
    std::int16_t v = 0;
    if (key == kKeyKind || key == kKeyValue) {
      if (!ReadInt16(&v))
        return Drop("%s: not a 16-bit integer", kKeyNames[key]);
      if (key == kKeyKind) {
        if (v < 0) return Drop("kind: negative");
        m_->kind = v;
      } else {
        m_->value = v;
      }
      if (!r_.next()) return Malformed("map");
    } else if (key == KeyT(n)) {
      if (!ReadInt16(&v)) return Drop("%s: not a 16-bit integer", kKeyNames[key]);
      if (v != kSlotEmpty && v != kSlotNumber && v != kSlotSamples)
        return Drop("%s: slot type %d (0, 2 or 7 expected)", kKeyNames[key], v);
      t_[n] = v;
      if (!r_.next()) return Malformed("map");
    } else if (r_.isByteArray()) {
      const Verdict s = ReadSamples(n);
      if (s != Verdict::kMessage) return s;
      d_is_bytes_[n] = true;
    } else {
      if (!ReadInt16(&v))
        return Drop("%s: neither a 16-bit integer nor a byte string", kKeyNames[key]);
      m_->d(n).number = v;
      d_is_bytes_[n] = false;
      if (!r_.next()) return Malformed("map");
    }
  }
  if (Failed()) return Malformed("map");
  if (!r_.leaveContainer()) return Malformed("end of the map");
  if (static_cast<std::size_t>(r_.currentOffset()) != size_)
    return Drop("bytes after the map (%zu)", size_ - static_cast<std::size_t>(r_.currentOffset()));
  if (entries == 0) return Verdict::kKeepAlive;
  for (int k = 0; k < kKeyCount; ++k)
    if (!(seen & (std::uint64_t{1} << k))) return Drop("missing %s", kKeyNames[k]);
  for (int n = 1; n <= kSlots; ++n) {
    Slot& s = m_->d(n);
    const bool want_bytes = t_[n] == kSlotSamples;
    if (want_bytes != d_is_bytes_[n])
      return want_bytes ? Drop("d%d: a number where t%d = 7 asks for samples", n, n)
                        : Drop("d%d: samples where t%d = %d asks for a number", n, n, t_[n]);
    s.type = t_[n];
    if (t_[n] != kSlotNumber) s.number = 0;  // an empty slot's d means nothing
  }
  return Verdict::kMessage;
}

}  // namespace

// ---- Encoder -------------------------------------------------------------------

struct FrameEncoder::Impl {
  QByteArray body;   // the CBOR map (the writer writes from the array's start)
  QByteArray frame;  // length prefix and body
};

FrameEncoder::FrameEncoder() : impl_(std::make_unique<Impl>()) {
  impl_->body.reserve(static_cast<qsizetype>(kLargestEncodedMessage));
  impl_->frame.reserve(static_cast<qsizetype>(kLengthBytes + kLargestEncodedMessage));
}
FrameEncoder::~FrameEncoder() = default;

std::span<const std::uint8_t> FrameEncoder::Encode(const Message& m) {
  QByteArray& out = impl_->body;
  out.resize(0);
  {
    QCborStreamWriter w(&out);
    w.startMap(kKeyCount);
    w.append(QLatin1StringView("kind"));
    w.append(static_cast<qint64>(std::max<std::int16_t>(m.kind, 0)));
    w.append(QLatin1StringView("value"));
    w.append(static_cast<qint64>(m.value));
    for (int n = 1; n <= kSlots; ++n) {
      const Slot& s = m.d(n);
      const std::int16_t type = WireType(s.type);
      w.append(QLatin1StringView(kKeyNames[KeyD(n)]));
      if (type == kSlotSamples) {
        if (s.samples.size() >= kSampleBytes) {
          w.appendByteString(reinterpret_cast<const char*>(s.samples.data()),
                             static_cast<qsizetype>(kSampleBytes));
        } else {
          std::uint8_t padded[kSampleBytes];
          std::memset(padded, 128, sizeof padded);
          std::copy(s.samples.begin(), s.samples.end(), padded);
          w.appendByteString(reinterpret_cast<const char*>(padded),
                             static_cast<qsizetype>(kSampleBytes));
        }
      } else {
        w.append(static_cast<qint64>(type == kSlotEmpty ? 0 : s.number));
      }
      w.append(QLatin1StringView(kKeyNames[KeyT(n)]));
      w.append(static_cast<qint64>(type));
    }
    w.endMap();
  }
  const auto body = static_cast<std::size_t>(out.size());
  QByteArray& frame = impl_->frame;
  frame.resize(static_cast<qsizetype>(kLengthBytes + body));
  char* p = frame.data();
  for (std::size_t i = 0; i < kLengthBytes; ++i)
    p[i] = static_cast<char>((body >> (8 * (kLengthBytes - 1 - i))) & 0xFF);
  std::memcpy(p + kLengthBytes, out.constData(), body);
  return {reinterpret_cast<const std::uint8_t*>(frame.constData()), static_cast<std::size_t>(frame.size())};
}

std::span<const std::uint8_t> KeepAliveFrame() {
  static constexpr std::uint8_t kFrame[] = {0x00, 0x00, 0x00, 0x01, 0xa0};  // length 1, map(0)
  return {kFrame, sizeof kFrame};
}

// ---- Decoder -------------------------------------------------------------------

Verdict DecodeMessage(const std::uint8_t* data, std::size_t size, Message* message,
                      std::string* reason) {
  if (size == 0 || size > kMaxFrameBytes) {
    char text[80];
    std::snprintf(text, sizeof text, "a message of %zu bytes (1 to %zu allowed)", size, kMaxFrameBytes);
    reason->assign(text);
    return Verdict::kDropped;
  }
  return Reader(data, size, message, reason).Run();
}

FrameDecoder::FrameDecoder() : body_(std::make_unique<std::uint8_t[]>(kMaxFrameBytes)) {
  reason_.reserve(200);
}

void FrameDecoder::Reset() {
  have_ = 0;
  expected_ = 0;
  broken_ = false;
}

bool FrameDecoder::Complete(const Sink& sink) {
  const Verdict v = DecodeMessage(body_.get(), expected_, &message_, &reason_);
  have_ = 0;
  expected_ = 0;
  if (v == Verdict::kKeepAlive) reason_.assign("keep-alive");
  return sink(Event{v, v == Verdict::kMessage ? &message_ : nullptr, &reason_});
}

std::size_t FrameDecoder::Feed(const std::uint8_t* data, std::size_t size, const Sink& sink) {
  std::size_t taken = 0;
  while (taken < size && !broken_) {
    if (have_ < kLengthBytes) {
      prefix_[have_++] = data[taken++];
      if (have_ < kLengthBytes) continue;
      std::uint32_t length = 0;
      for (std::uint8_t b : prefix_) length = (length << 8) | b;
      if (length == 0 || length > kMaxFrameBytes) {
        broken_ = true;
        char text[80];
        std::snprintf(text, sizeof text, "a frame length of %u bytes (1 to %zu allowed)",
                      static_cast<unsigned>(length), kMaxFrameBytes);
        reason_.assign(text);
        sink(Event{Verdict::kBroken, nullptr, &reason_});
        return taken;
      }
      expected_ = length;
      continue;
    }
    const std::size_t got = have_ - kLengthBytes;
    const std::size_t n = std::min(size - taken, expected_ - got);
    std::memcpy(body_.get() + got, data + taken, n);
    taken += n;
    have_ += n;
    if (have_ - kLengthBytes == expected_ && !Complete(sink)) return taken;
  }
  return taken;
}

}  // namespace orva::link
