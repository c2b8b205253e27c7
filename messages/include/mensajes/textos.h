// The messages control's own copy of the string table: identifiers 1..184 in
// the four languages (entry L * 1000 + n), compiled from the program's language
// table plus messages/data/overrides.tsv (five French texts differ).
#pragma once

#include <cstdint>
#include <string_view>

#include "orva/strings.h"

namespace orva::mensajes {

const strings::StringTable& Tabla();

// Text of identifier id in language; orva::strings::ResourceNotFound when
// either is out of range (id 1..999, language 0..3) or the entry is missing.
std::string_view Texto(std::int64_t id, std::int64_t language);

}  // namespace orva::mensajes
