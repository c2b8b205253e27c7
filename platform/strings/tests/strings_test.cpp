#include "orva/strings.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <stdexcept>

using orva::strings::Entry;
using orva::strings::ResourceNotFound;
using orva::strings::StringTable;

namespace {
const Entry kSmall[] = {
    {1, "uno"}, {2, "dos"}, {1001, "one"}, {1003, "three"}, {3187, "dernier"},
};
}  // namespace

TEST(StringTable, FindsEveryEntryAndOnlyThose) {
  const StringTable t(kSmall, std::size(kSmall));
  EXPECT_EQ(t.Size(), 5u);
  EXPECT_EQ(t.LoadResString(1), "uno");
  EXPECT_EQ(t.LoadResString(1003), "three");
  EXPECT_EQ(t.LoadResString(3187), "dernier");
  EXPECT_TRUE(t.Contains(2));
  // Gaps, neighbours of the ends and far-away numbers are all absent.
  for (std::int64_t n : {std::int64_t{0}, std::int64_t{3}, std::int64_t{1002}, std::int64_t{3186},
                         std::int64_t{3188}, std::int64_t{-1}, std::int64_t{-1000},
                         std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max(),
                         std::int64_t{1} << 32 | 1})
    EXPECT_FALSE(t.Contains(n)) << n;
}

TEST(StringTable, MissingEntryRaisesResourceNotFoundWithItsNumber) {
  const StringTable t(kSmall, std::size(kSmall));
  try {
    (void)t.LoadResString(1020);
    FAIL() << "expected ResourceNotFound";
  } catch (const ResourceNotFound& e) {
    EXPECT_EQ(e.Number(), 326);
    EXPECT_EQ(e.EntryNumber(), 1020);
    EXPECT_STREQ(e.what(), "Resource with identifier '1020' not found");
  }
  // A host that only knows control errors still catches it.
  EXPECT_THROW((void)t.LoadResString(-5), orva::hosting::ControlError);
  // An empty table answers nothing and reads nothing.
  const StringTable empty(nullptr, 0);
  EXPECT_THROW((void)empty.LoadResString(1), ResourceNotFound);
}

TEST(StringTable, RejectsUnsortedRepeatedOrNullEntries) {
  const Entry unsorted[] = {{2, "b"}, {1, "a"}};
  const Entry repeated[] = {{1, "a"}, {1, "b"}};
  const Entry null_text[] = {{1, nullptr}};
  EXPECT_THROW(StringTable(unsorted, 2), std::invalid_argument);
  EXPECT_THROW(StringTable(repeated, 2), std::invalid_argument);
  EXPECT_THROW(StringTable(null_text, 1), std::invalid_argument);
  EXPECT_THROW(StringTable(nullptr, 3), std::invalid_argument);
}

TEST(TextChecks, Utf8Validation) {
  EXPECT_TRUE(orva::strings::IsValidUtf8("Pèriode d'échantillonnage ¿Desea? l·l"));
  EXPECT_TRUE(orva::strings::IsValidUtf8(""));
  EXPECT_FALSE(orva::strings::IsValidUtf8("\xC3"));          // cut short
  EXPECT_FALSE(orva::strings::IsValidUtf8("caf\xE9"));       // Latin-1 byte
  EXPECT_FALSE(orva::strings::IsValidUtf8("\xC0\xAF"));      // overlong '/'
  EXPECT_FALSE(orva::strings::IsValidUtf8("\xED\xA0\x80"));  // surrogate
  EXPECT_FALSE(orva::strings::IsValidUtf8("\xF4\x90\x80\x80"));  // beyond U+10FFFF
}

TEST(TextChecks, PaddingIsAnyBlankAtEitherEnd) {
  EXPECT_FALSE(orva::strings::IsPadded("Description :"));
  EXPECT_FALSE(orva::strings::IsPadded("Calibrating ..."));
  EXPECT_FALSE(orva::strings::IsPadded(""));
  EXPECT_TRUE(orva::strings::IsPadded(" Canal"));
  EXPECT_TRUE(orva::strings::IsPadded("Canal "));
  EXPECT_TRUE(orva::strings::IsPadded("Canal\t"));
  EXPECT_TRUE(orva::strings::IsPadded("\xC2\xA0" "Canal"));
  EXPECT_TRUE(orva::strings::IsPadded("Canal\xC2\xA0"));
}

// ---------------------------------------------------------------------------
// The generator that compiles language tables refuses faulty data, so that a
// fault stops the build instead of reaching a window.

namespace {

namespace fs = std::filesystem;

class Generator : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("strgen_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string Write(const std::string& name, const std::string& content) {
    const fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary) << content;
    return p.string();
  }
  // Runs the generator; true when it succeeded.
  bool Run(const std::string& table, const std::string& overrides = "", int max_id = 999) {
    std::string cmd = std::string(ORVA_STRGEN) + " --table '" + table + "' --namespace t --symbol kT" +
                      " --max-id " + std::to_string(max_id) + " --output '" + (dir_ / "out.cpp").string() + "'";
    if (!overrides.empty()) cmd += " --overrides '" + overrides + "'";
    cmd += " 2>/dev/null";
    return std::system(cmd.c_str()) == 0;
  }
  std::string Output() const {
    std::ifstream in(dir_ / "out.cpp");
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  fs::path dir_;
};

const std::string kHeader = "# comment\nid\tca\tes\ten\tfr\n";

}  // namespace

TEST_F(Generator, AcceptsAGoodTableWithOverridesAndLimit) {
  const auto table = Write("good.tsv", kHeader + "1\tCanal\tCanal\tChannel\tVoie\r\n\n2\tA \"b\"\tB\tC\tD\\E\n");
  const auto over = Write("over.tsv", "id\tlang\ttext\n1\tfr\tVoie A\n");
  ASSERT_TRUE(Run(table, over, 1));
  const std::string out = Output();
  EXPECT_NE(out.find("{3001, \"Voie A\"}"), std::string::npos);
  EXPECT_NE(out.find("{2001, \"Channel\"}"), std::string::npos);
  EXPECT_EQ(out.find("{1002,"), std::string::npos) << "identifiers above the limit are left out";
  ASSERT_TRUE(Run(table));
  EXPECT_NE(Output().find("{2, \"A \\\"b\\\"\"}"), std::string::npos) << "quotes are escaped";
  EXPECT_NE(Output().find("{3002, \"D\\\\E\"}"), std::string::npos) << "backslashes are escaped";
}

TEST_F(Generator, RefusesFaultyRows) {
  const std::string bad_rows[] = {
      "1\tCanal\tCanal\tChannel\n",                 // a language missing
      "1\tCanal\tCanal\tChannel\t\n",               // empty text
      "1\tCanal \tCanal\tChannel\tVoie\n",          // trailing blank
      "1\t Canal\tCanal\tChannel\tVoie\n",          // leading blank
      "1\tCan\xE9l\tCanal\tChannel\tVoie\n",        // not UTF-8
      "x\tCanal\tCanal\tChannel\tVoie\n",           // not an identifier
      "0\tCanal\tCanal\tChannel\tVoie\n",           // identifier 0
      "1000\tCanal\tCanal\tChannel\tVoie\n",        // beyond one block
      "1\tA\tB\tC\tD\n1\tA\tB\tC\tD\n",             // repeated identifier
  };
  for (const auto& rows : bad_rows) EXPECT_FALSE(Run(Write("bad.tsv", kHeader + rows))) << rows;
  EXPECT_FALSE(Run(Write("nohead.tsv", "1\tA\tB\tC\tD\n")));
  EXPECT_FALSE(Run(Write("dup.tsv", "id\tca\tca\ten\tfr\n1\tA\tB\tC\tD\n")));
  EXPECT_FALSE(Run((dir_ / "absent.tsv").string()));
}

TEST_F(Generator, RefusesOverridesThatChangeNothingOrNameNothing) {
  const auto table = Write("t.tsv", kHeader + "1\tA\tB\tC\tD\n2\tE\tF\tG\tH\n");
  EXPECT_FALSE(Run(table, Write("same.tsv", "id\tlang\ttext\n1\tfr\tD\n")));
  EXPECT_FALSE(Run(table, Write("none.tsv", "id\tlang\ttext\n3\tfr\tX\n")));
  EXPECT_FALSE(Run(table, Write("over.tsv", "id\tlang\ttext\n2\tfr\tX\n"), 1)) << "beyond the limit";
  EXPECT_FALSE(Run(table, Write("lang.tsv", "id\tlang\ttext\n1\tde\tX\n")));
  EXPECT_FALSE(Run(table, Write("pad.tsv", "id\tlang\ttext\n1\tfr\tX \n")));
}
