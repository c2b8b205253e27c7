#include "wire.h"

namespace linktest {

using orva::link::kSampleBytes;
using orva::link::kSlots;

std::string Key(char letter, int n) { return std::string(1, letter) + std::to_string(n); }

static QString QKey(char letter, int n) { return QString::fromStdString(Key(letter, n)); }

static QByteArray Samples(int channel) {
  QByteArray b(static_cast<qsizetype>(kSampleBytes), '\0');
  for (qsizetype i = 0; i < b.size(); ++i)
    b[i] = static_cast<char>(channel == 1 ? i % 256 : 255 - i % 256);
  return b;
}

QCborMap ValidMap(int kind, int value, bool samples) {
  QCborMap m;
  m[QStringLiteral("kind")] = kind;
  m[QStringLiteral("value")] = value;
  for (int n = 1; n <= kSlots; ++n) {
    if (n <= 2 && samples) {
      m[QKey('d', n)] = Samples(n);
      m[QKey('t', n)] = 7;
    } else if (n <= 2) {
      m[QKey('d', n)] = 0;
      m[QKey('t', n)] = 0;
    } else {
      m[QKey('d', n)] = 100 + n;
      m[QKey('t', n)] = 2;
    }
  }
  return m;
}

QByteArray Frame(const QByteArray& body) {
  QByteArray out(4, '\0');
  const auto n = static_cast<std::uint32_t>(body.size());
  for (int i = 0; i < 4; ++i) out[i] = static_cast<char>((n >> (24 - 8 * i)) & 0xFF);
  return out + body;
}

QByteArray Frame(const QCborMap& map) { return Frame(QCborValue(map).toCbor()); }

orva::link::Message ValidMessage(int kind, int value, bool samples) {
  orva::link::Message m;
  m.kind = static_cast<std::int16_t>(kind);
  m.value = static_cast<std::int16_t>(value);
  for (int n = 1; n <= kSlots; ++n) {
    if (n <= 2 && samples) {
      const QByteArray b = Samples(n);
      m.SetSamples(n, reinterpret_cast<const std::uint8_t*>(b.constData()), kSampleBytes);
    } else if (n <= 2) {
      m.SetEmpty(n);
    } else {
      m.SetNumber(n, static_cast<std::int16_t>(100 + n));
    }
  }
  return m;
}

bool SameMessage(const orva::link::Message& a, const orva::link::Message& b) {
  if (a.kind != b.kind || a.value != b.value) return false;
  for (int n = 1; n <= kSlots; ++n) {
    const auto& x = a.d(n);
    const auto& y = b.d(n);
    if (x.type != y.type) return false;
    if (x.type == orva::link::kSlotSamples ? x.samples != y.samples : x.number != y.number)
      return false;
  }
  return true;
}

}  // namespace linktest
