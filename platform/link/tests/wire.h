// Test helpers: messages written with Qt's CBOR tree classes (independently
// of the link's own stream writer) and framed by hand, so that the decoder is
// checked against another encoder and hostile variants are easy to build.
#pragma once

#include <QByteArray>
#include <QCborMap>
#include <QCborValue>

#include <cstdint>
#include <string>

#include "orva/link/message.h"

namespace linktest {

// A valid message as a map: d1/d2 sample arrays (bytes i % 256 and
// 255 - i % 256) when samples is true, else empty slots; d3..d17 = 100 + n.
QCborMap ValidMap(int kind, int value, bool samples);
// The 4-byte big-endian length, then the bytes.
QByteArray Frame(const QByteArray& body);
QByteArray Frame(const QCborMap& map);
// The same message as the link's Message, for comparison.
orva::link::Message ValidMessage(int kind, int value, bool samples);
bool SameMessage(const orva::link::Message& a, const orva::link::Message& b);
std::string Key(char letter, int n);  // "d3", "t17"

}  // namespace linktest
