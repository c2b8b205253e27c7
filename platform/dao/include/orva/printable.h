// Text from a file or a peer made safe to show or print on one line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orva {

// The text as one printable line of at most max_bytes bytes (an escape or a
// UTF-8 character is never cut; "..." ends a text that was cut, within the
// limit): valid UTF-8 characters that print pass unchanged; control
// characters (C0, DEL, C1), bytes that are not valid UTF-8 and NUL are
// written as "\xNN" escapes (with "\n", "\r", "\t" and "\e" for the common
// ones), so no escape sequence reaches a terminal, no line break splits a
// message and a NUL no longer ends it. A backslash itself stays as it is.
std::string Printable(std::string_view text, std::size_t max_bytes = 200);

}  // namespace orva
