#include "orva/strings.h"

#include <algorithm>
#include <stdexcept>

namespace orva::strings {

ResourceNotFound::ResourceNotFound(std::int64_t entry)
    : hosting::ControlError(kResourceNotFound,
                            "Resource with identifier '" + std::to_string(entry) + "' not found"),
      entry_(entry) {}

StringTable::StringTable(const strings::Entry* entries, std::size_t count)
    : entries_(entries), count_(count) {
  if (count_ != 0 && entries_ == nullptr) throw std::invalid_argument("string table: null entries");
  for (std::size_t i = 0; i < count_; ++i) {
    if (entries_[i].text == nullptr) throw std::invalid_argument("string table: null text");
    if (i > 0 && entries_[i].number <= entries_[i - 1].number)
      throw std::invalid_argument("string table: entries not strictly increasing");
  }
}

const strings::Entry* StringTable::Find(std::int64_t number) const noexcept {
  const strings::Entry* first = entries_;
  const strings::Entry* last = entries_ + count_;
  const strings::Entry* it = std::lower_bound(
      first, last, number,
      [](const strings::Entry& e, std::int64_t n) { return static_cast<std::int64_t>(e.number) < n; });
  return (it != last && it->number == number) ? it : nullptr;
}

std::string_view StringTable::LoadResString(std::int64_t number) const {
  const strings::Entry* e = Find(number);
  if (e == nullptr) throw ResourceNotFound(number);
  return e->text;
}

bool StringTable::Contains(std::int64_t number) const noexcept { return Find(number) != nullptr; }

bool IsValidUtf8(std::string_view s) noexcept {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const std::size_t n = s.size();
  std::size_t i = 0;
  while (i < n) {
    const unsigned c = p[i];
    std::size_t len = 0;
    std::uint32_t cp = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      len = 2;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      len = 3;
      cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      len = 4;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (n - i < len) return false;
    for (std::size_t k = 1; k < len; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    const std::uint32_t min = len == 2 ? 0x80 : len == 3 ? 0x800 : 0x10000;
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += len;
  }
  return true;
}

namespace {
bool StartsWithBlank(std::string_view s) {
  if (s.empty()) return false;
  const char c = s.front();
  if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') return true;
  return s.size() >= 2 && s.substr(0, 2) == "\xC2\xA0";
}
bool EndsWithBlank(std::string_view s) {
  if (s.empty()) return false;
  const char c = s.back();
  if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') return true;
  return s.size() >= 2 && s.substr(s.size() - 2) == "\xC2\xA0";
}
}  // namespace

bool IsPadded(std::string_view s) noexcept { return StartsWithBlank(s) || EndsWithBlank(s); }

}  // namespace orva::strings
