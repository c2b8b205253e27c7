// Numbered resource strings: the string table a program carries, looked up by
// entry number, with the resource-not-found error of a missing entry.
//
// A table is a static array of (number, text) entries compiled into the
// program; texts are zero-terminated UTF-8. StringTable only views that array
// (it never copies or owns it), so the array must outlive the table: the
// generated tables are static data, which does.
//
// Bounds: any 64-bit entry number may be asked for; a number that is not in the
// table (negative, zero, beyond the last entry, or a gap) raises
// ResourceNotFound and never reads outside the array.
//
// Qt-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "orva/hosting.h"

namespace orva::strings {

// Error number of a missing resource entry.
inline constexpr int kResourceNotFound = 326;

// One entry of a compiled table.
struct Entry {
  std::int32_t number;
  const char* text;  // zero-terminated UTF-8, never null
};

// "Resource with identifier '<n>' not found", number 326. It is a control
// run-time error so that a host catching ControlError sees it.
class ResourceNotFound : public hosting::ControlError {
 public:
  explicit ResourceNotFound(std::int64_t entry);
  std::int64_t EntryNumber() const noexcept { return entry_; }

 private:
  std::int64_t entry_;
};

class StringTable {
 public:
  // entries[0 .. count) must be sorted by strictly increasing number and every
  // text non-null; otherwise std::invalid_argument is thrown (a table that
  // breaks this is a build fault, caught the first time it is used).
  StringTable(const strings::Entry* entries, std::size_t count);

  // The text of entry number, or ResourceNotFound.
  std::string_view LoadResString(std::int64_t number) const;
  bool Contains(std::int64_t number) const noexcept;

  std::size_t Size() const noexcept { return count_; }
  const strings::Entry* begin() const noexcept { return entries_; }
  const strings::Entry* end() const noexcept { return entries_ + count_; }

 private:
  const strings::Entry* Find(std::int64_t number) const noexcept;
  const strings::Entry* entries_;
  std::size_t count_;
};

// Text checks shared by the table generator and the tests.
// True when s is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view s) noexcept;
// True when s begins or ends with white space (ASCII blanks, tabs, line
// breaks, or the no-break space U+00A0).
bool IsPadded(std::string_view s) noexcept;

}  // namespace orva::strings
