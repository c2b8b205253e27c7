#include "mensajes/textos.h"

#include <limits>

namespace orva::mensajes {

namespace detail {
// Compiled at build time from the language table and data/overrides.tsv.
extern const strings::Entry kMessageStrings[];
extern const std::size_t kMessageStringsCount;
}  // namespace detail

const strings::StringTable& Tabla() {
  static const strings::StringTable table(detail::kMessageStrings, detail::kMessageStringsCount);
  return table;
}

std::string_view Texto(std::int64_t id, std::int64_t language) {
  if (id >= 1 && id <= 999 && language >= 0 && language <= 3) return Tabla().LoadResString(language * 1000 + id);
  std::int64_t entry = 0;
  if (__builtin_mul_overflow(language, std::int64_t{1000}, &entry) || __builtin_add_overflow(entry, id, &entry))
    entry = language < 0 ? std::numeric_limits<std::int64_t>::min() : std::numeric_limits<std::int64_t>::max();
  throw strings::ResourceNotFound(entry);
}

}  // namespace orva::mensajes
