#include <gtest/gtest.h>

#include "orva/file_dialog.h"

using orva::filedialog::FilterEntries;

TEST(FileDialogFilter, SplitsDescriptionPatternPairs) {
  const auto one = FilterEntries("Signal (*.mdb)|*.mdb");
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].description, "Signal (*.mdb)");
  EXPECT_EQ(one[0].pattern, "*.mdb");
  const auto two = FilterEntries("(*.mdb)|*.mdb|All|*.*|dangling");
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[1].description, "All");
  EXPECT_EQ(two[1].pattern, "*.*");
  EXPECT_TRUE(FilterEntries("").empty());
}
