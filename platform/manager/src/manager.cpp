#include "orva/manager.h"

#include <cctype>
#include <charconv>
#include <cstdlib>
#include <map>
#include <string>

namespace orva::manager {

namespace {

std::map<std::string, Factory, std::less<>>& Registry() {
  static std::map<std::string, Factory, std::less<>> registry = {
      {std::string(kManagerId), DefaultManagerFactory()}};
  return registry;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

int LanguageOfCode(std::string_view code) {
  const std::string c = Lower(code);
  if (c == "ca") return 0;
  if (c == "es") return 1;
  if (c == "en") return 2;
  if (c == "fr") return 3;
  return -1;
}

const char* NonEmptyEnv(const char* name) {
  const char* v = std::getenv(name);
  return (v != nullptr && *v != '\0') ? v : nullptr;
}

class LanguageManager : public Component {
 public:
  LanguageManager() : language_(LanguageFromEnvironment()) {}
  hosting::PropertyValue GetProperty(std::string_view name) const override {
    if (name == "Language") return hosting::PropertyValue(std::int64_t{language_});
    throw hosting::ControlError(kPropertyNotSupported, "Object doesn't support this property or method");
  }

 private:
  int language_;
};

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

}  // namespace

std::optional<int> LanguageOfText(std::string_view text) {
  const std::string_view s = TrimBlanks(text);
  if (const int by_code = LanguageOfCode(s); by_code >= 0) return by_code;
  if (s.size() == 1 && s[0] >= '0' && s[0] <= '3') return s[0] - '0';
  return std::nullopt;
}

int LanguageFromEnvironment() {
  if (const char* v = NonEmptyEnv("ORVA_LANGUAGE")) {
    const std::string_view s = TrimBlanks(v);
    const int by_code = LanguageOfCode(s);
    if (by_code >= 0) return by_code;
    int n = 0;
    const char* first = s.data() + (!s.empty() && s.front() == '+' ? 1 : 0);
    const auto [ptr, ec] = std::from_chars(first, s.data() + s.size(), n);
    if (!s.empty() && ec == std::errc() && ptr == s.data() + s.size()) return n;
    return -1;
  }
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    if (const char* v = NonEmptyEnv(name)) {
      std::string_view s(v);
      s = s.substr(0, s.find_first_of("_.@"));
      const int l = LanguageOfCode(s);
      return l >= 0 ? l : 1;  // the first locale setting in force decides
    }
  }
  return 1;
}

Factory DefaultManagerFactory() {
  return [] { return std::unique_ptr<Component>(std::make_unique<LanguageManager>()); };
}

std::unique_ptr<Component> CreateObject(std::string_view id) {
  auto& reg = Registry();
  const auto it = reg.find(id);
  const hosting::ControlError cannot(kCannotCreateObject, "Component can't create object");
  if (it == reg.end() || !it->second) throw cannot;
  std::unique_ptr<Component> object;
  try {
    object = it->second();
  } catch (const hosting::ControlError&) {
    throw;
  } catch (...) {
    throw cannot;
  }
  if (!object) throw cannot;
  return object;
}

Factory RegisterComponent(std::string_view id, Factory factory) {
  auto& reg = Registry();
  Factory old;
  const auto it = reg.find(id);
  if (it != reg.end()) {
    old = std::move(it->second);
    it->second = std::move(factory);
  } else {
    reg.emplace(std::string(id), std::move(factory));
  }
  return old;
}

Factory UnregisterComponent(std::string_view id) {
  auto& reg = Registry();
  const auto it = reg.find(id);
  if (it == reg.end()) return {};
  Factory old = std::move(it->second);
  reg.erase(it);
  return old;
}

}  // namespace orva::manager
