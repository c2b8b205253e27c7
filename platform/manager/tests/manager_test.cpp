#include "orva/manager.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

using namespace orva::manager;
using orva::hosting::ControlError;

namespace {

// Sets the language-related environment for one test and restores it after.
class LanguageEnvironment : public ::testing::Test {
 protected:
  static constexpr const char* kNames[] = {"ORVA_LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};
  void SetUp() override {
    for (const char* n : kNames) {
      const char* v = std::getenv(n);
      saved_[n] = v ? std::optional<std::string>(v) : std::nullopt;
      unsetenv(n);
    }
  }
  void TearDown() override {
    for (const auto& [n, v] : saved_) {
      if (v) setenv(n.c_str(), v->c_str(), 1);
      else unsetenv(n.c_str());
    }
  }
  static void Set(const char* name, const char* value) { setenv(name, value, 1); }
  static int LanguageOfNewManager() {
    const auto mgr = CreateObject("okernel.MngI");
    return static_cast<int>(std::get<std::int64_t>(mgr->GetProperty("Language")));
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

int ErrorNumberOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const ControlError& e) {
    return e.Number();
  }
  return 0;
}

}  // namespace

TEST_F(LanguageEnvironment, ExplicitSettingWinsInNumbersOrCodes) {
  Set("LANG", "fr_FR.UTF-8");
  Set("ORVA_LANGUAGE", "2");
  EXPECT_EQ(LanguageOfNewManager(), 2);
  Set("ORVA_LANGUAGE", "ca");
  EXPECT_EQ(LanguageOfNewManager(), 0);
  Set("ORVA_LANGUAGE", "EN");
  EXPECT_EQ(LanguageOfNewManager(), 2);
  Set("ORVA_LANGUAGE", " 3 ");
  EXPECT_EQ(LanguageOfNewManager(), 3);
  // Out-of-range numbers are passed on for the caller to refuse; words that are
  // neither give -1, never a silent fallback.
  Set("ORVA_LANGUAGE", "7");
  EXPECT_EQ(LanguageOfNewManager(), 7);
  Set("ORVA_LANGUAGE", "-2");
  EXPECT_EQ(LanguageOfNewManager(), -2);
  Set("ORVA_LANGUAGE", "german");
  EXPECT_EQ(LanguageOfNewManager(), -1);
  Set("ORVA_LANGUAGE", "99999999999999999999");
  EXPECT_EQ(LanguageOfNewManager(), -1);
  // Empty counts as unset: the locale decides.
  Set("ORVA_LANGUAGE", "");
  EXPECT_EQ(LanguageOfNewManager(), 3);
}

TEST_F(LanguageEnvironment, LocaleInPosixPrecedenceThenSpanish) {
  EXPECT_EQ(LanguageOfNewManager(), 1) << "nothing set: Spanish";
  Set("LANG", "ca_ES.UTF-8");
  EXPECT_EQ(LanguageOfNewManager(), 0);
  Set("LC_MESSAGES", "en_GB.UTF-8");
  EXPECT_EQ(LanguageOfNewManager(), 2);
  Set("LC_ALL", "fr@euro");
  EXPECT_EQ(LanguageOfNewManager(), 3);
  Set("LC_ALL", "C");
  EXPECT_EQ(LanguageOfNewManager(), 1) << "the setting in force is not one of ours";
  Set("LC_ALL", "de_DE.UTF-8");
  EXPECT_EQ(LanguageOfNewManager(), 1);
  Set("LC_ALL", "es");
  EXPECT_EQ(LanguageOfNewManager(), 1);
}

TEST_F(LanguageEnvironment, EachObjectReadsTheEnvironmentWhenCreated) {
  Set("ORVA_LANGUAGE", "0");
  const auto first = CreateObject("okernel.MngI");
  Set("ORVA_LANGUAGE", "3");
  EXPECT_EQ(std::get<std::int64_t>(first->GetProperty("Language")), 0);
  EXPECT_EQ(LanguageOfNewManager(), 3);
  EXPECT_EQ(ErrorNumberOf([&] { (void)first->GetProperty("Idioma"); }), 438);
}

TEST(ComponentRegistry, CreationFailuresAreError429) {
  EXPECT_EQ(ErrorNumberOf([] { (void)CreateObject("okernel.Nothing"); }), 429);
  EXPECT_EQ(ErrorNumberOf([] { (void)CreateObject(""); }), 429);

  Factory original = RegisterComponent("okernel.MngI", [] { return std::unique_ptr<Component>(); });
  ASSERT_TRUE(original);
  EXPECT_EQ(ErrorNumberOf([] { (void)CreateObject("okernel.MngI"); }), 429);
  RegisterComponent("okernel.MngI", []() -> std::unique_ptr<Component> { throw std::runtime_error("no"); });
  EXPECT_EQ(ErrorNumberOf([] { (void)CreateObject("okernel.MngI"); }), 429);
  const Factory removed = UnregisterComponent("okernel.MngI");
  EXPECT_TRUE(removed);
  EXPECT_EQ(ErrorNumberOf([] { (void)CreateObject("okernel.MngI"); }), 429);
  EXPECT_FALSE(UnregisterComponent("okernel.MngI"));

  // Putting the original back restores a working manager.
  EXPECT_FALSE(RegisterComponent("okernel.MngI", original));
  EXPECT_NO_THROW((void)CreateObject("okernel.MngI")->GetProperty("Language"));
}

TEST(ComponentRegistry, AReplacementComponentAnswersInsteadOfTheBuiltIn) {
  class Fixed : public Component {
   public:
    orva::hosting::PropertyValue GetProperty(std::string_view name) const override {
      if (name == "Language") return orva::hosting::PropertyValue(std::int64_t{2});
      throw ControlError(438, "Object doesn't support this property or method");
    }
  };
  const Factory original = RegisterComponent("okernel.MngI", [] { return std::make_unique<Fixed>(); });
  EXPECT_EQ(std::get<std::int64_t>(CreateObject("okernel.MngI")->GetProperty("Language")), 2);
  RegisterComponent("okernel.MngI", original);
  // The built-in factory is also available by itself.
  EXPECT_NO_THROW((void)DefaultManagerFactory()()->GetProperty("Language"));
}

TEST(LanguageNames, NumbersAndCodesAreLanguagesAndNothingElseIs) {
  const std::pair<const char*, std::optional<int>> cases[] = {
      {"0", 0}, {" 3 ", 3}, {"EN", 2}, {"ca", 0}, {"4", std::nullopt}, {"-1", std::nullopt},
      {"english", std::nullopt}, {"", std::nullopt},
  };
  for (const auto& [text, want] : cases) EXPECT_EQ(LanguageOfText(text), want) << text;
}
