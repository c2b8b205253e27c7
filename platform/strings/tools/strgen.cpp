// orva_strgen: turns a language table (UTF-8, tab-separated) into a C++ source
// file holding the compiled string table, so that the texts stay data and the
// program carries them without reading any file at run time.
//
//   orva_strgen --table T.tsv [--overrides O.tsv] [--max-id N]
//               --namespace ns --symbol name --output out.cpp
//
// Table: '#' lines and blank lines are skipped; the first other line is the
// header "id" followed by one language code per column (ca, es, en, fr, in any
// order); every row is an identifier 1..999 and one text per language.
// Overrides: header "id<TAB>lang<TAB>text"; each row replaces one text. An
// override must name an identifier the table has, within --max-id, and must
// really differ from the table's text (so that intended differences stay few
// and visible). Identifiers above --max-id are left out of the output.
//
// Every text is checked: non-empty, valid UTF-8, no control characters, no
// leading or trailing blanks. Any fault stops the build with file:line.
// The entry of identifier n in language L is L * 1000 + n.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "orva/strings.h"

namespace {

struct Options {
  std::string table, overrides, ns, symbol, output;
  long max_id = 999;
};

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
  std::cerr << where << ": error: " << what << "\n";
  std::exit(1);
}

int LanguageIndex(const std::string& code) {
  if (code == "ca") return 0;
  if (code == "es") return 1;
  if (code == "en") return 2;
  if (code == "fr") return 3;
  return -1;
}

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> out;
  std::string::size_type start = 0;
  for (;;) {
    const auto tab = line.find('\t', start);
    out.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  return out;
}

long ParseId(const std::string& s, const std::string& where) {
  if (s.empty() || s.size() > 3) Fail(where, "identifier '" + s + "' is not a number 1..999");
  long v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') Fail(where, "identifier '" + s + "' is not a number 1..999");
    v = v * 10 + (c - '0');
  }
  if (v < 1) Fail(where, "identifier '" + s + "' is not a number 1..999");
  return v;
}

void CheckText(const std::string& text, const std::string& where) {
  if (text.empty()) Fail(where, "empty text");
  if (!orva::strings::IsValidUtf8(text)) Fail(where, "text is not valid UTF-8");
  for (unsigned char c : text)
    if (c < 0x20 || c == 0x7F) Fail(where, "control character in text");
  if (orva::strings::IsPadded(text)) Fail(where, "leading or trailing blank in text: '" + text + "'");
}

// Reads the data lines of a file: (line number, fields), comments and blank
// lines skipped, a final CR removed.
std::vector<std::pair<int, std::vector<std::string>>> ReadRows(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail(path, "cannot open");
  std::vector<std::pair<int, std::vector<std::string>>> rows;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    if (line.empty() || line[0] == '#') continue;
    rows.emplace_back(number, SplitTabs(line));
  }
  return rows;
}

std::string CLiteral(const std::string& s) {
  std::string out = "\"";
  char buf[8];
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7F && c != '?') {
      out += static_cast<char>(c);
    } else {
      // Three-digit octal escapes end by themselves, unlike \x escapes.
      std::snprintf(buf, sizeof buf, "\\%03o", c);
      out += buf;
    }
  }
  out += '"';
  return out;
}

Options ParseArgs(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (i + 1 >= argc) Fail("orva_strgen", "missing value after " + a);
    const std::string v = argv[++i];
    if (a == "--table") o.table = v;
    else if (a == "--overrides") o.overrides = v;
    else if (a == "--namespace") o.ns = v;
    else if (a == "--symbol") o.symbol = v;
    else if (a == "--output") o.output = v;
    else if (a == "--max-id") o.max_id = std::strtol(v.c_str(), nullptr, 10);
    else Fail("orva_strgen", "unknown option " + a);
  }
  if (o.table.empty() || o.ns.empty() || o.symbol.empty() || o.output.empty())
    Fail("orva_strgen", "--table, --namespace, --symbol and --output are required");
  if (o.max_id < 1 || o.max_id > 999) Fail("orva_strgen", "--max-id must be 1..999");
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  const Options opt = ParseArgs(argc, argv);

  // texts[id][language]
  std::map<long, std::vector<std::string>> texts;
  std::vector<int> column_language;
  for (const auto& [line, fields] : ReadRows(opt.table)) {
    const std::string where = opt.table + ":" + std::to_string(line);
    if (column_language.empty()) {
      if (fields.size() != 5 || fields[0] != "id") Fail(where, "header must be: id and four language codes");
      std::vector<bool> seen(4, false);
      for (std::size_t c = 1; c < fields.size(); ++c) {
        const int l = LanguageIndex(fields[c]);
        if (l < 0 || seen[l]) Fail(where, "bad or repeated language code '" + fields[c] + "'");
        seen[l] = true;
        column_language.push_back(l);
      }
      continue;
    }
    if (fields.size() != 5) Fail(where, "expected 5 tab-separated fields, found " + std::to_string(fields.size()));
    const long id = ParseId(fields[0], where);
    if (texts.count(id)) Fail(where, "identifier " + std::to_string(id) + " repeated");
    std::vector<std::string> row(4);
    for (std::size_t c = 1; c < fields.size(); ++c) {
      CheckText(fields[c], where);
      row[column_language[c - 1]] = fields[c];
    }
    texts.emplace(id, std::move(row));
  }
  if (column_language.empty()) Fail(opt.table, "no header");

  if (!opt.overrides.empty()) {
    bool header = false;
    for (const auto& [line, fields] : ReadRows(opt.overrides)) {
      const std::string where = opt.overrides + ":" + std::to_string(line);
      if (!header) {
        if (fields.size() != 3 || fields[0] != "id" || fields[1] != "lang" || fields[2] != "text")
          Fail(where, "header must be: id lang text");
        header = true;
        continue;
      }
      if (fields.size() != 3) Fail(where, "expected 3 tab-separated fields");
      const long id = ParseId(fields[0], where);
      const int l = LanguageIndex(fields[1]);
      if (l < 0) Fail(where, "unknown language code '" + fields[1] + "'");
      auto it = texts.find(id);
      if (it == texts.end() || id > opt.max_id) Fail(where, "override of an identifier the output does not have");
      CheckText(fields[2], where);
      if (it->second[l] == fields[2]) Fail(where, "override equals the shared text");
      it->second[l] = fields[2];
    }
  }

  // Entries sorted by number: language-major, identifier-minor.
  std::ostringstream out;
  out << "// Generated by orva_strgen from " << opt.table;
  if (!opt.overrides.empty()) out << " and " << opt.overrides;
  out << ". Do not edit.\n#include <cstddef>\n\n#include \"orva/strings.h\"\n\nnamespace " << opt.ns
      << " {\n\nextern const ::orva::strings::Entry " << opt.symbol << "[];\nextern const std::size_t "
      << opt.symbol << "Count;\n\nconst ::orva::strings::Entry " << opt.symbol << "[] = {\n";
  std::size_t count = 0;
  for (int l = 0; l < 4; ++l) {
    for (const auto& [id, row] : texts) {
      if (id > opt.max_id) continue;
      out << "    {" << l * 1000 + id << ", " << CLiteral(row[l]) << "},\n";
      ++count;
    }
  }
  if (count == 0) Fail(opt.table, "no entries");
  out << "};\n\nconst std::size_t " << opt.symbol << "Count = " << count << ";\n\n}  // namespace " << opt.ns
      << "\n";

  const std::string tmp = opt.output + ".tmp";
  {
    std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
    if (!f) Fail(opt.output, "cannot write");
    f << out.str();
    if (!f) Fail(opt.output, "write failed");
  }
  if (std::rename(tmp.c_str(), opt.output.c_str()) != 0) Fail(opt.output, "cannot replace");
  return 0;
}
