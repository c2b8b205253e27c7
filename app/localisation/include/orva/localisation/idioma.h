// The language module: texts by identifier in four languages, and the routines
// that put a window, its tabs and its tool bar into a language.
//
// Languages: 0 Catalan, 1 Spanish, 2 English, 3 French. The text of identifier
// n (1..187, none for 20) in language L is entry L * 1000 + n of the program's
// string table, which is compiled from data/strings.tsv.
//
// Errors: a lookup of an identifier outside 1..999 or of a language outside
// 0..3, or of an entry the table lacks, raises orva::strings::ResourceNotFound
// (number 326). The identifier and language are range-checked before they are
// combined, so a Tag of 1047 never reads identifier 47 of the next language.
// The traduce_* routines trap nothing: the error stops them at the control
// concerned and reaches the caller.
//
// Qt-free; the window side is reached through orva/localisation/toolkit.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "orva/localisation/toolkit.h"
#include "orva/strings.h"

namespace orva::localisation {

enum Language : int { kCatalan = 0, kSpanish = 1, kEnglish = 2, kFrench = 3 };

// The program's string table (every language, every identifier).
const strings::StringTable& Table();

// Entry number of identifier id in language; ResourceNotFound when either is
// out of range (the error then names id + 1000 * language, saturated).
std::int64_t EntryNumber(std::int64_t id, std::int64_t language);

// The text of identifier id in language (static storage; never dangles).
std::string_view Text(std::int64_t id, std::int64_t language);

// The identifier a Tag names, when the Tag is numeric: optional blanks, an
// optional sign, decimal digits with an optional fraction and exponent
// ("47", " 47 ", "47.0", "4.7e1"). The number rounds half to even. std::nullopt
// for empty and non-numeric Tags, and for numbers beyond +-1e15.
std::optional<std::int64_t> NumericTag(std::string_view tag);

// The control's caption becomes Text(Tag, language). A Tag that is not numeric
// names no entry and raises ResourceNotFound. A control that shows no caption
// (text box, list ...) is looked up but left as it is.
void traduce_control(ui::Control& control, int language);

// Translates a window:
// 1. every control whose Tag is numeric, in control order (others keep their
//    captions);
// 2. traduce_pestanas;
// 3. the program's help file (HelpFile()) from ruta_aplicacion, the program
//    folder, by HelpFileName; left unchanged when that yields nothing.
void traduce_formulario(ui::Form& form, int language, std::string_view ruta_aplicacion);

// Titles of the tab control "SSTab1": tab 0 text 155, tab 1 text 26, tab 2 text
// 162, each by selecting the tab and setting its title; then tab 0 is selected
// again. The three texts are looked up before anything changes. A window
// without "SSTab1" is left alone; tabs that the control lacks are skipped.
void traduce_pestanas(ui::Form& form, int language);

// Tool tips and drop-down menu texts of the tool bar "Toolbar1", by button key,
// in the order of kToolbarTexts. A window without "Toolbar1" is left alone;
// missing buttons or menu entries are skipped (their text is still looked up).
void traduce_barra_de_herramientas(ui::Form& form, int language);

// One text of the tool bar: menu_entry 0 is the tool tip, k >= 1 drop-down entry k.
struct ToolbarText {
  std::string_view key;
  int menu_entry;
  int id;
};
inline constexpr ToolbarText kToolbarTexts[] = {
    {"abrir", 0, 14},         {"guardar", 0, 15},      {"guardar", 1, 47},
    {"guardar", 2, 48},       {"imprimir", 0, 16},     {"copiar_num", 0, 17},
    {"copiar_num", 1, 47},    {"copiar_num", 2, 48},   {"copiar", 0, 18},
    {"foto", 0, 19},          {"borrar", 0, 33},       {"suma", 0, 21},
    {"c1-c2", 0, 22},         {"c2-c1", 0, 23},        {"inva", 0, 24},
    {"invb", 0, 25},          {"completa", 0, 142},    {"AbrirConfig", 0, 141},
    {"GuardarConfig", 0, 140}, {"view", 0, 165},       {"ayuda", 0, 166},
};

// The help file of language L for the program folder: the folder trimmed of
// blanks, without its last four characters (UTF-8 characters, not bytes),
// followed by L in decimal and ".hlp". std::nullopt when the trimmed folder is
// empty or shorter than four characters (no name can be formed).
// "C:\Prog\Scope ISA", 1 -> "C:\Prog\Scope1.hlp"; "/opt/orvascope/bin", 1 ->
// "/opt/orvascope1.hlp" (a program installed in <prefix>/bin finds its help
// beside <prefix>).
std::optional<std::string> HelpFileName(std::string_view ruta_aplicacion, int language);

// The program's help file as last set by traduce_formulario ("" before).
const std::string& HelpFile();
void SetHelpFile(std::string path);

}  // namespace orva::localisation
