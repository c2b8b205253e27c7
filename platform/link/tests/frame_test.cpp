// Frames of the remote link: what the decoder makes of every way bytes can
// arrive, from a peer that is right, broken or hostile.
#include "orva/link/frame.h"

#include <gtest/gtest.h>

#include <QCborArray>
#include <QCborStreamWriter>

#include <functional>
#include <random>
#include <vector>

#include "wire.h"

namespace {

using linktest::Frame;
using linktest::ValidMap;
using linktest::ValidMessage;
using orva::link::FrameDecoder;
using orva::link::FrameEncoder;
using orva::link::kMaxFrameBytes;
using orva::link::kSampleBytes;
using orva::link::Message;
using orva::link::Verdict;

struct Seen {
  std::vector<Message> messages;
  std::vector<std::string> dropped;
  std::vector<std::string> broken;
  int keepalives = 0;
};

// Feeds the bytes in chunks of the given sizes (cycled), collecting events.
Seen FeedInChunks(FrameDecoder& dec, const QByteArray& bytes, const std::vector<int>& chunks) {
  Seen seen;
  const auto sink = [&](const FrameDecoder::Event& e) {
    if (e.verdict == Verdict::kMessage) seen.messages.push_back(*e.message);
    if (e.verdict == Verdict::kDropped) seen.dropped.push_back(*e.reason);
    if (e.verdict == Verdict::kBroken) seen.broken.push_back(*e.reason);
    if (e.verdict == Verdict::kKeepAlive) ++seen.keepalives;
    return true;
  };
  const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.constData());
  std::size_t at = 0;
  for (std::size_t k = 0; at < static_cast<std::size_t>(bytes.size()); ++k) {
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(chunks[k % chunks.size()]),
                                                static_cast<std::size_t>(bytes.size()) - at);
    const std::size_t taken = dec.Feed(p + at, n, sink);
    if (taken < n) break;
    at += n;
  }
  return seen;
}

Seen FeedAll(const QByteArray& bytes) {
  FrameDecoder dec;
  return FeedInChunks(dec, bytes, {1 << 30});
}

QByteArray Encoded(const Message& m) {
  FrameEncoder enc;
  const auto frame = enc.Encode(m);
  return QByteArray(reinterpret_cast<const char*>(frame.data()), static_cast<qsizetype>(frame.size()));
}

TEST(LinkFrames, MessagesSurviveAnySplitOfTheStream) {
  const Message settings = ValidMessage(1, 0, false);
  const Message samples = ValidMessage(0, 1, true);
  const QByteArray stream = Encoded(settings) + Encoded(samples) + Frame(ValidMap(3, -7, true));
  for (const std::vector<int>& chunks : std::vector<std::vector<int>>{
           {1}, {2, 3}, {4}, {5, 4093}, {7, 1, 8192}, {1 << 30}}) {
    FrameDecoder dec;
    const Seen seen = FeedInChunks(dec, stream, chunks);
    ASSERT_EQ(seen.messages.size(), 3u) << "chunks of " << chunks[0];
    EXPECT_TRUE(linktest::SameMessage(seen.messages[0], settings));
    EXPECT_TRUE(linktest::SameMessage(seen.messages[1], samples));
    EXPECT_TRUE(linktest::SameMessage(seen.messages[2], ValidMessage(3, -7, true)));
    EXPECT_TRUE(seen.dropped.empty());
    EXPECT_FALSE(dec.InFrame());
  }
  // Random splits of a long stream.
  std::mt19937 rng(7);
  QByteArray many;
  for (int i = 0; i < 20; ++i) many += Encoded(ValidMessage(i % 2, i, i % 2 == 0));
  for (int round = 0; round < 20; ++round) {
    std::vector<int> chunks(64);
    for (int& c : chunks) c = 1 + static_cast<int>(rng() % 9000);
    FrameDecoder dec;
    const Seen seen = FeedInChunks(dec, many, chunks);
    ASSERT_EQ(seen.messages.size(), 20u);
    EXPECT_EQ(seen.messages[19].value, 19);
  }
}

TEST(LinkFrames, LargestMessageFitsTheLimitWithRoomForLongerEncodings) {
  Message m = ValidMessage(32767, -32768, true);
  for (int n = 3; n <= 17; ++n) m.SetNumber(n, -32768);
  EXPECT_EQ(Encoded(m).size() - 4, static_cast<qsizetype>(orva::link::kLargestEncodedMessage));

  // A frame of exactly the limit (padded with a key the decoder skips) is a
  // message; one byte more breaks the stream.
  for (const int extra : {0, 1}) {
    QCborMap map = ValidMap(1, 0, true);
    const qsizetype base = QCborValue(map).toCbor().size() + 2 /* key "x" */ + 3 /* head */;
    map[QStringLiteral("x")] = QByteArray(static_cast<qsizetype>(kMaxFrameBytes) - base + extra, 'p');
    const QByteArray body = QCborValue(map).toCbor();
    ASSERT_EQ(body.size(), static_cast<qsizetype>(kMaxFrameBytes) + extra);
    const Seen seen = FeedAll(Frame(body));
    EXPECT_EQ(seen.messages.size(), extra == 0 ? 1u : 0u);
    EXPECT_EQ(seen.broken.size(), extra == 0 ? 0u : 1u);
  }
}

TEST(LinkFrames, BadLengthsBreakTheStreamAndNothingMoreIsTaken) {
  for (const QByteArray& prefix :
       {QByteArray("\0\0\0\0", 4), QByteArray("\x7f\xff\xff\xff", 4), QByteArray("GET / HTTP/1.1\r\n")}) {
    FrameDecoder dec;
    const QByteArray stream = prefix + Frame(ValidMap(1, 0, false));
    const Seen seen = FeedInChunks(dec, stream, {3});
    EXPECT_EQ(seen.broken.size(), 1u);
    EXPECT_TRUE(seen.messages.empty());
    EXPECT_TRUE(dec.Broken());
    // Broken stays broken until reset; a reset decoder reads frames again.
    EXPECT_EQ(dec.Feed(reinterpret_cast<const std::uint8_t*>("x"), 1, [](const auto&) { return true; }), 0u);
    dec.Reset();
    EXPECT_EQ(FeedInChunks(dec, Frame(ValidMap(1, 0, false)), {9}).messages.size(), 1u);
  }
}

// A body with one raw CBOR entry spliced in after the valid map's entries
// (less the key removed, if any).
QByteArray MapWithRawEntry(const QByteArray& raw_key_and_value, const char* removed = nullptr) {
  QCborMap map = ValidMap(1, 0, false);
  if (removed != nullptr) map.remove(QString::fromLatin1(removed));
  QByteArray body = QCborValue(map).toCbor();
  // The definite map head b8 NN counts one entry more.
  EXPECT_EQ(static_cast<unsigned char>(body[0]), 0xb8u);
  body[1] = static_cast<char>(map.size() + 1);
  return body + raw_key_and_value;
}

TEST(LinkFrames, InvalidMessagesAreDroppedAndTheStreamStaysInStep) {
  const QByteArray d1_short = QByteArray(static_cast<qsizetype>(kSampleBytes) - 1, 'a');
  const QByteArray d1_long = QByteArray(static_cast<qsizetype>(kSampleBytes) + 1, 'a');
  struct Case {
    const char* name;
    std::function<QByteArray()> body;
    const char* reason;  // a word the reason must hold
  };
  const auto with = [](std::function<void(QCborMap&)> change) {
    return [change] {
      QCborMap m = ValidMap(1, 0, true);
      change(m);
      return QCborValue(m).toCbor();
    };
  };
  const std::vector<Case> cases = {
      {"array", [] { return QCborValue(QCborArray{1, 2}).toCbor(); }, "not a CBOR map"},
      {"integer", [] { return QCborValue(5).toCbor(); }, "not a CBOR map"},
      {"garbage", [] { return QByteArray("\xff\xfe\x01garbage", 10); }, "CBOR"},
      {"truncated map", [] { return QCborValue(ValidMap(1, 0, false)).toCbor().left(100); }, "well-formed"},
      {"bytes after the map", [] { return QCborValue(ValidMap(1, 0, false)).toCbor() + '\x01'; }, "after"},
      {"integer key", [] { return MapWithRawEntry(QByteArray("\x01\x02", 2)); }, "key"},
      {"duplicate key", [] { return MapWithRawEntry(QByteArray("\x62" "d3\x05", 4)); }, "twice"},
      {"missing d9", with([](QCborMap& m) { m.remove(QStringLiteral("d9")); }), "missing d9"},
      {"missing kind", with([](QCborMap& m) { m.remove(QStringLiteral("kind")); }), "missing kind"},
      {"float in d3", with([](QCborMap& m) { m[QStringLiteral("d3")] = 1.5; }), "d3"},
      {"text in t4", with([](QCborMap& m) { m[QStringLiteral("t4")] = QStringLiteral("2"); }), "t4"},
      {"boolean in d16", with([](QCborMap& m) { m[QStringLiteral("d16")] = true; }), "d16"},
      {"array in d5", with([](QCborMap& m) { m[QStringLiteral("d5")] = QCborArray{1}; }), "d5"},
      {"number over 16 bits", with([](QCborMap& m) { m[QStringLiteral("d13")] = 40000; }), "d13"},
      {"number under 16 bits", with([](QCborMap& m) { m[QStringLiteral("d7")] = -40000; }), "d7"},
      {"-2^64", [] { return MapWithRawEntry(QByteArray("\x62" "d3\x3b\xff\xff\xff\xff\xff\xff\xff\xff", 12), "d3"); }, "d3"},
      {"slot type 5", with([](QCborMap& m) { m[QStringLiteral("t6")] = 5; }), "t6"},
      {"number where samples", with([](QCborMap& m) { m[QStringLiteral("d2")] = 3; }), "d2"},
      {"samples where a number", [] {
         QCborMap m = ValidMap(1, 0, false);  // room in the frame for the extra array
         m[QStringLiteral("d4")] = QByteArray(kSampleBytes, 'x');
         return QCborValue(m).toCbor();
       }, "d4"},
      {"short samples", with([&](QCborMap& m) { m[QStringLiteral("d1")] = d1_short; }), "8192 bytes"},
      {"long samples", with([&](QCborMap& m) { m[QStringLiteral("d1")] = d1_long; }), "longer"},
      {"empty samples", with([](QCborMap& m) { m[QStringLiteral("d2")] = QByteArray(); }), "0 bytes"},
      {"negative kind", with([](QCborMap& m) { m[QStringLiteral("kind")] = -1; }), "kind"},
  };
  for (const Case& c : cases) {
    const QByteArray stream = Frame(c.body()) + Frame(ValidMap(0, 1, true));
    for (const std::vector<int>& chunks : std::vector<std::vector<int>>{{1 << 30}, {3}}) {
      FrameDecoder dec;
      const Seen seen = FeedInChunks(dec, stream, chunks);
      ASSERT_EQ(seen.dropped.size(), 1u) << c.name;
      EXPECT_NE(seen.dropped[0].find(c.reason), std::string::npos) << c.name << ": " << seen.dropped[0];
      ASSERT_EQ(seen.messages.size(), 1u) << c.name;  // the next frame arrives intact
      EXPECT_TRUE(linktest::SameMessage(seen.messages[0], ValidMessage(0, 1, true))) << c.name;
      EXPECT_FALSE(dec.Broken()) << c.name;
    }
  }
}

// An empty map, however written, is a keep-alive: no message, nothing
// dropped, the stream in step. An empty map with something after it is not.
TEST(LinkFrames, AnEmptyMapIsAKeepAlive) {
  const auto sent = orva::link::KeepAliveFrame();
  const QByteArray ours(reinterpret_cast<const char*>(sent.data()), static_cast<qsizetype>(sent.size()));
  EXPECT_EQ(ours, QByteArray("\x00\x00\x00\x01\xa0", 5));
  struct Case {
    QByteArray frame;
    int keepalives, dropped;
  } cases[] = {
      {ours, 1, 0},
      {Frame(QByteArray("\xbf\xff", 2)), 1, 0},  // indefinite length
      {Frame(QByteArray("\xa0\x00", 2)), 0, 1},  // a byte after the map
  };
  for (const Case& c : cases) {
    const Seen seen = FeedAll(c.frame + Frame(ValidMap(1, 0, false)));
    EXPECT_EQ(seen.keepalives, c.keepalives) << c.frame.toHex().toStdString();
    EXPECT_EQ(seen.dropped.size(), static_cast<std::size_t>(c.dropped)) << c.frame.toHex().toStdString();
    EXPECT_EQ(seen.messages.size(), 1u) << c.frame.toHex().toStdString();
  }
}

TEST(LinkFrames, OtherLegalEncodingsAreRead) {
  // Indefinite-length map, chunked key and sample strings, long integer heads,
  // keys in another order, and a key the decoder does not know.
  QByteArray body;
  {
    QCborStreamWriter w(&body);
    w.startMap();
    w.append(QLatin1StringView("future"));
    w.startArray(2);
    w.append(1);
    w.append(QLatin1StringView("x"));
    w.endArray();
    for (int n = 17; n >= 1; --n) {
      w.append(QString::fromStdString(linktest::Key('t', n)));
      w.append(n <= 2 ? 7 : 2);
      w.append(QString::fromStdString(linktest::Key('d', n)));
      if (n <= 2) {
        w.appendByteString("", 0);  // placeholder, replaced below
      } else {
        w.append(100 + n);
      }
    }
    w.append(QLatin1StringView("value"));
    w.append(-7);
    w.append(QLatin1StringView("kind"));
    w.append(3);
    w.endMap();
  }
  // Replace the two empty byte strings (0x40) after "d2"/"d1" with chunked
  // ones: 5f, chunks of 8000 and 193 bytes, ff.
  const auto chunked = [](int channel) {
    QByteArray s("\x5f", 1);
    QByteArray data(static_cast<qsizetype>(kSampleBytes), '\0');
    for (qsizetype i = 0; i < data.size(); ++i)
      data[i] = static_cast<char>(channel == 1 ? i % 256 : 255 - i % 256);
    s += QByteArray("\x59\x1f\x40", 3) + data.left(8000);
    s += QByteArray("\x58\xc1", 2) + data.mid(8000);
    return s + QByteArray("\xff", 1);
  };
  for (int n : {2, 1}) {
    const QByteArray key = QByteArray("\x62" "d") + QByteArray::number(n);
    const qsizetype at = body.indexOf(key + QByteArray("\x40", 1));
    ASSERT_GE(at, 0);
    body.replace(at + key.size(), 1, chunked(n));
  }
  // A long (8-byte) head for value 103 of d3.
  const qsizetype d3 = body.indexOf(QByteArray("\x62" "d3\x18\x67", 5));
  ASSERT_GE(d3, 0);
  body.replace(d3 + 3, 2, QByteArray("\x1b\0\0\0\0\0\0\0\x67", 9));
  const Seen seen = FeedAll(Frame(body));
  ASSERT_EQ(seen.messages.size(), 1u) << (seen.dropped.empty() ? "" : seen.dropped[0]);
  EXPECT_TRUE(linktest::SameMessage(seen.messages[0], ValidMessage(3, -7, true)));
}

TEST(LinkFrames, AnEmptySlotReadsAsZeroWhateverItsNumber) {
  QCborMap map = ValidMap(1, 0, false);
  map[QStringLiteral("t7")] = 0;  // d7 still holds 107
  const Seen seen = FeedAll(Frame(map));
  ASSERT_EQ(seen.messages.size(), 1u);
  EXPECT_EQ(seen.messages[0].d(7).type, orva::link::kSlotEmpty);
  EXPECT_EQ(seen.messages[0].d(7).number, 0);
}

TEST(LinkFrames, SinkThatStopsLeavesTheRestUntaken) {
  const QByteArray first = Frame(ValidMap(1, 0, false));
  const QByteArray stream = first + Frame(ValidMap(1, 1, false));
  FrameDecoder dec;
  int calls = 0;
  const std::size_t taken =
      dec.Feed(reinterpret_cast<const std::uint8_t*>(stream.constData()), static_cast<std::size_t>(stream.size()),
               [&](const FrameDecoder::Event&) { return ++calls < 1; });
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(taken, static_cast<std::size_t>(first.size()));
}

TEST(LinkFrames, EncoderKeepsToTheWireRules) {
  // A negative kind goes out as 0, a short sample array padded with 128, a
  // slot type the wire does not know as an empty slot.
  Message m = ValidMessage(-4, 9, false);
  m.d(1).type = orva::link::kSlotSamples;
  m.d(1).samples.assign(10, 7);
  m.d(5).type = 5;
  m.d(5).number = 77;
  const Seen seen = FeedAll(Encoded(m));
  ASSERT_EQ(seen.messages.size(), 1u);
  const Message& got = seen.messages[0];
  EXPECT_EQ(got.kind, 0);
  EXPECT_EQ(got.value, 9);
  ASSERT_EQ(got.d(1).samples.size(), kSampleBytes);
  EXPECT_EQ(got.d(1).samples[9], 7);
  EXPECT_EQ(got.d(1).samples[10], 128);
  EXPECT_EQ(got.d(1).samples[kSampleBytes - 1], 128);
  EXPECT_EQ(got.d(5).type, orva::link::kSlotEmpty);
  EXPECT_EQ(got.d(5).number, 0);
}

}  // namespace
