#include "orva/localisation/idioma.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <utility>

#include "orva/hosting.h"

namespace orva::localisation {

namespace detail {
// Compiled from data/strings.tsv at build time.
extern const strings::Entry kProgramStrings[];
extern const std::size_t kProgramStringsCount;
}  // namespace detail

namespace {

constexpr std::int64_t kMaxId = 999;  // identifiers share an entry block of 1000
constexpr int kLanguages = 4;

std::string& HelpFileStorage() {
  static std::string help;
  return help;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

const strings::StringTable& Table() {
  static const strings::StringTable table(detail::kProgramStrings, detail::kProgramStringsCount);
  return table;
}

std::int64_t EntryNumber(std::int64_t id, std::int64_t language) {
  if (id >= 1 && id <= kMaxId && language >= 0 && language < kLanguages) return language * 1000 + id;
  // Name the entry the caller asked for, saturated so that the sum cannot overflow.
  std::int64_t entry = 0;
  if (__builtin_mul_overflow(language, std::int64_t{1000}, &entry) ||
      __builtin_add_overflow(entry, id, &entry))
    entry = (language < 0) ? std::numeric_limits<std::int64_t>::min() : std::numeric_limits<std::int64_t>::max();
  throw strings::ResourceNotFound(entry);
}

std::string_view Text(std::int64_t id, std::int64_t language) {
  return Table().LoadResString(EntryNumber(id, language));
}

std::optional<std::int64_t> NumericTag(std::string_view tag) {
  tag = TrimBlanks(tag);
  if (tag.empty()) return std::nullopt;
  std::string_view body = tag;
  if (body.front() == '+' || body.front() == '-') body.remove_prefix(1);
  // Only plain decimal notation: from_chars would also take "inf" and "nan".
  if (body.empty() || !((body.front() >= '0' && body.front() <= '9') || body.front() == '.'))
    return std::nullopt;
  for (char c : body)
    if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-'))
      return std::nullopt;
  // from_chars does not accept a leading '+' and ignores the locale.
  const char* first = tag.data() + (tag.front() == '+' ? 1 : 0);
  const char* last = tag.data() + tag.size();
  double value = 0;
  const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
  if (ec != std::errc() || ptr != last || !std::isfinite(value)) return std::nullopt;
  if (std::fabs(value) > 1e15) return std::nullopt;
  return hosting::RoundHalfEven(value);
}

void traduce_control(ui::Control& control, int language) {
  const std::string tag = control.Tag();
  const auto id = NumericTag(tag);
  // A Tag that names no number names no entry: report the entry of identifier 0.
  const std::string_view text = Text(id.value_or(0), language);
  if (control.HasCaption()) control.SetCaption(std::string(text));
}

void traduce_pestanas(ui::Form& form, int language) {
  ui::TabControl* tabs = form.FindTabControl("SSTab1");
  const std::string_view titles[] = {Text(155, language), Text(26, language), Text(162, language)};
  if (tabs == nullptr) return;
  const int count = tabs->TabCount();
  for (int i = 0; i < 3 && i < count; ++i) {
    tabs->SetCurrentTab(i);
    tabs->SetCurrentTabCaption(std::string(titles[i]));
  }
  if (count > 0) tabs->SetCurrentTab(0);
}

void traduce_barra_de_herramientas(ui::Form& form, int language) {
  ui::Toolbar* bar = form.FindToolbar("Toolbar1");
  for (const ToolbarText& t : kToolbarTexts) {
    const std::string text(Text(t.id, language));
    if (bar == nullptr || !bar->HasButton(t.key)) continue;
    if (t.menu_entry == 0) {
      bar->SetToolTip(t.key, text);
    } else if (t.menu_entry <= bar->MenuCount(t.key)) {
      bar->SetMenuText(t.key, t.menu_entry, text);
    }
  }
}

void traduce_formulario(ui::Form& form, int language, std::string_view ruta_aplicacion) {
  for (ui::Control* control : form.Controls()) {
    if (control != nullptr && NumericTag(control->Tag())) traduce_control(*control, language);
  }
  traduce_pestanas(form, language);
  if (auto help = HelpFileName(ruta_aplicacion, language)) SetHelpFile(std::move(*help));
}

std::optional<std::string> HelpFileName(std::string_view ruta_aplicacion, int language) {
  std::string_view folder = TrimBlanks(ruta_aplicacion);
  // Step back over four UTF-8 characters: a character starts at any byte that
  // is not a continuation byte (10xxxxxx).
  std::size_t cut = folder.size();
  for (int chars = 0; chars < 4; ++chars) {
    if (cut == 0) return std::nullopt;
    --cut;
    while (cut > 0 && (static_cast<unsigned char>(folder[cut]) & 0xC0) == 0x80) --cut;
  }
  std::string name(folder.substr(0, cut));
  name += std::to_string(language);
  name += ".hlp";
  return name;
}

const std::string& HelpFile() { return HelpFileStorage(); }

void SetHelpFile(std::string path) { HelpFileStorage() = std::move(path); }

}  // namespace orva::localisation
