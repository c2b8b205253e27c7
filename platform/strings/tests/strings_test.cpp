#include "orva/strings.h"

#include <gtest/gtest.h>

#include <cstdint>
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
