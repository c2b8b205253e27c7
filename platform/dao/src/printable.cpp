// Printable one-line texts.
#include "orva/printable.h"

#include <cstdint>

namespace orva {
namespace {

// Length of the valid UTF-8 sequence at p (1..4) that encodes a printable
// character, or 0: an invalid or over-long sequence, a surrogate, a control
// character (C0, DEL, C1) or a line or paragraph separator.
std::size_t PrintableSequence(std::string_view s, std::size_t p) {
  const auto b = [&](std::size_t i) { return static_cast<std::uint8_t>(s[p + i]); };
  const std::uint8_t c = b(0);
  if (c >= 0x20 && c < 0x7f) return 1;
  std::size_t n = 0;
  std::uint32_t cp = 0;
  if (c >= 0xc2 && c <= 0xdf) {
    n = 2;
    cp = c & 0x1f;
  } else if (c >= 0xe0 && c <= 0xef) {
    n = 3;
    cp = c & 0x0f;
  } else if (c >= 0xf0 && c <= 0xf4) {
    n = 4;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (p + n > s.size()) return 0;
  for (std::size_t i = 1; i < n; ++i) {
    if ((b(i) & 0xc0) != 0x80) return 0;
    cp = (cp << 6) | (b(i) & 0x3f);
  }
  const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < least[n] || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) return 0;
  if (cp < 0xa0 || cp == 0x2028 || cp == 0x2029) return 0;  // C1 controls, separators
  return n;
}

std::string Escape(std::uint8_t c) {
  switch (c) {
    case '\n': return "\\n";
    case '\r': return "\\r";
    case '\t': return "\\t";
    case 0x1b: return "\\e";
    default: break;
  }
  static const char kHex[] = "0123456789abcdef";
  return std::string{'\\', 'x', kHex[c >> 4], kHex[c & 15]};
}

}  // namespace

std::string Printable(std::string_view text, std::size_t max_bytes) {
  constexpr std::string_view kCut = "...";
  std::string out;
  out.reserve(text.size() < max_bytes ? text.size() : max_bytes);
  // Where the output may be cut with room left for the cut mark: the end of
  // the last piece (character or escape) that ends within max_bytes - 3.
  const std::size_t room = max_bytes > kCut.size() ? max_bytes - kCut.size() : 0;
  std::size_t cut_at = 0;
  for (std::size_t p = 0; p < text.size();) {
    const std::size_t n = PrintableSequence(text, p);
    if (n > 0) {
      out.append(text.substr(p, n));
      p += n;
    } else {
      out += Escape(static_cast<std::uint8_t>(text[p]));
      ++p;
    }
    if (out.size() <= room) cut_at = out.size();
    if (out.size() > max_bytes) {
      out.resize(cut_at);
      if (max_bytes >= kCut.size()) out += kCut;
      return out;
    }
  }
  return out;
}

}  // namespace orva
