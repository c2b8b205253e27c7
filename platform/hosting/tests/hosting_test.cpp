#include "orva/hosting.h"

#include <gtest/gtest.h>

#include <clocale>

#include <string>
#include <vector>

using namespace orva::hosting;

TEST(PropertyBag, ValuesEqualToTheirDefaultAreNotStored) {
  PropertyBag bag;
  bag.Write("FC", 0.0, 0.0);
  bag.Write("PuntosFFT", std::int64_t{512}, std::int64_t{0});
  bag.Write("Nombre", std::string(""), std::string(""));
  EXPECT_EQ(bag.Keys(), std::vector<std::string>{"PuntosFFT"});
  // An integer default matches a real value of the same magnitude.
  bag.WriteProperty("Mixed", PropertyValue(3.0), PropertyValue(std::int64_t{3}));
  EXPECT_FALSE(bag.Contains("Mixed"));
}

TEST(PropertyBag, KeysKeepWriteOrderAndRewritesKeepTheirPlace) {
  PropertyBag bag;
  bag.Write("b", std::int64_t{1}, std::int64_t{0});
  bag.Write("a", std::int64_t{2}, std::int64_t{0});
  bag.Write("c", std::int64_t{3}, std::int64_t{0});
  bag.Write("b", std::int64_t{7}, std::int64_t{0});
  EXPECT_EQ(bag.Keys(), (std::vector<std::string>{"b", "a", "c"}));
  EXPECT_EQ(bag.ReadInt("b", 0), 7);
  // Writing the default again drops the stale entry instead of keeping it.
  bag.Write("a", std::int64_t{0}, std::int64_t{0});
  EXPECT_EQ(bag.Keys(), (std::vector<std::string>{"b", "c"}));
  EXPECT_EQ(bag.ReadInt("a", 0), 0);
}

TEST(PropertyBag, ReadsConvertBetweenTypesAndFallBackToDefault) {
  PropertyBag bag;
  bag.Write("real", 2.5, 0.0);
  bag.Write("odd", 3.5, 0.0);
  bag.Write("int", std::int64_t{-1}, std::int64_t{0});
  bag.Write("text", std::string("12.25"), std::string(""));
  bag.Write("word", std::string("abc"), std::string(""));
  EXPECT_EQ(bag.ReadInt("real", 0), 2);  // half to even
  EXPECT_EQ(bag.ReadInt("odd", 0), 4);
  EXPECT_TRUE(bag.ReadBool("int", false));
  EXPECT_DOUBLE_EQ(bag.ReadDouble("text", 0), 12.25);
  EXPECT_EQ(bag.ReadInt("word", 9), 9);
  EXPECT_EQ(bag.ReadInt16("missing", 42), 42);
  EXPECT_EQ(bag.ReadString("int", ""), "-1");
}

TEST(PropertyBag, NarrowReadsThatDoNotFitRaiseOverflow) {
  PropertyBag bag;
  bag.Write("big", std::int64_t{70000}, std::int64_t{0});
  bag.Write("inf", 1e300 * 1e300, 0.0);
  try {
    (void)bag.ReadInt16("big", 0);
    FAIL() << "expected overflow";
  } catch (const ControlError& e) {
    EXPECT_EQ(e.Number(), 6);
    EXPECT_STREQ(e.what(), "Overflow");
  }
  EXPECT_EQ(bag.ReadInt32("big", 0), 70000);
  EXPECT_THROW((void)bag.ReadInt32("inf", 0), ControlError);
}

namespace {
class Probe : public HostedControl {
 public:
  void SetDesignOnly(int v) {
    DesignTimeSetOnly();
    value = v;
    PropertyChanged("DesignOnly");
  }
  int GetDesignOnly() const {
    DesignTimeGetOnly();
    return value;
  }
  int value = 0;
};
}  // namespace

TEST(HostedControl, RunTimeAccessRulesAndNotifications) {
  Probe p;
  std::vector<std::string> changed;
  p.SetPropertyChangedHandler([&](std::string_view n) { changed.emplace_back(n); });
  ASSERT_TRUE(p.UserMode());
  try {
    p.SetDesignOnly(3);
    FAIL();
  } catch (const ControlError& e) {
    EXPECT_EQ(e.Number(), 382);
    EXPECT_STREQ(e.what(), "Set not supported at run time");
  }
  try {
    (void)p.GetDesignOnly();
    FAIL();
  } catch (const ControlError& e) {
    EXPECT_EQ(e.Number(), 393);
    EXPECT_STREQ(e.what(), "Get not supported at run time");
  }
  EXPECT_TRUE(changed.empty());
  p.SetUserMode(false);
  p.SetDesignOnly(3);
  EXPECT_EQ(p.GetDesignOnly(), 3);
  EXPECT_EQ(changed, std::vector<std::string>{"DesignOnly"});
  EXPECT_STREQ(ControlError(11).what(), "Division by zero");
}

TEST(ControlError, CarriesNumberAndStandardTextForEveryControlError) {
  const std::pair<int, const char*> known[] = {
      {5, "Invalid procedure call or argument"}, {6, "Overflow"}, {7, "Out of memory"},
      {11, "Division by zero"}, {382, "Set not supported at run time"},
      {393, "Get not supported at run time"}};
  for (const auto& [number, text] : known) {
    const ControlError e(number);
    EXPECT_EQ(e.Number(), number);
    EXPECT_STREQ(e.what(), text);
  }
  EXPECT_STREQ(ControlError(9999).what(), "Error 9999");
  EXPECT_EQ(ControlError(42, "custom").Number(), 42);
}

TEST(PropertyBag, NumbersReadAndWriteTheSameUnderAnyLocale) {
  // Under a comma-decimal C locale when one is installed; the record's number
  // format must not follow it.
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  for (const char* n : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "es_ES.UTF-8"})
    if (std::setlocale(LC_ALL, n) != nullptr) break;
  PropertyBag bag;
  bag.Write("text", std::string(" +12.25 "), std::string(""));
  bag.Write("comma", std::string("12,25"), std::string(""));
  bag.Write("tiny", 1e-9, 0.0);
  bag.Write("third", 1.0 / 3.0, 0.0);
  const double text = bag.ReadDouble("text", 0);
  const double comma = bag.ReadDouble("comma", -1);
  const std::string tiny = bag.ReadString("tiny", "");
  const std::string third = bag.ReadString("third", "");
  std::setlocale(LC_ALL, saved.c_str());
  EXPECT_DOUBLE_EQ(text, 12.25);
  EXPECT_EQ(comma, -1);  // not a number in a record
  // Reals as text keep every digit needed to read back the same value.
  EXPECT_EQ(tiny, "1e-09");
  EXPECT_EQ(std::stod(third), 1.0 / 3.0);
}
