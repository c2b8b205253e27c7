// Outside components created by identifier, and our stand-in for the one the
// messages control asks for its language: "okernel.MngI".
//
// A process-wide registry maps component identifiers to factories; CreateObject
// makes a fresh object each time. "okernel.MngI" is registered from the start
// and answers the integer property "Language" (0 Catalan, 1 Spanish,
// 2 English, 3 French) from the user's environment, read when the object is
// created:
//   1. ORVA_LANGUAGE, when set and not empty: "0".."3" or one of the codes
//      "ca", "es", "en", "fr" (any case). Another integer is passed on as it
//      is (the caller then finds no texts for it); any other text gives -1.
//   2. Otherwise the locale: the first non-empty of LC_ALL, LC_MESSAGES, LANG,
//      whose language part (before '_', '.' or '@') is ca, es, en or fr.
//   3. Otherwise Spanish (1).
//
// Errors (orva::hosting::ControlError): 429 "Component can't create object"
// when no component is registered under the identifier or its factory fails;
// 438 "Object doesn't support this property or method" for an unknown property.
//
// Built as a shared library so that the registry is one per process, shared by
// the program and every plug-in component. Not thread-safe: used from the
// user-interface thread only.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "orva/hosting.h"

namespace orva::manager {

inline constexpr int kCannotCreateObject = 429;
inline constexpr int kPropertyNotSupported = 438;
inline constexpr std::string_view kManagerId = "okernel.MngI";

class Component {
 public:
  virtual ~Component() = default;
  // The value of a named property; 438 for a property the component lacks.
  virtual hosting::PropertyValue GetProperty(std::string_view name) const = 0;
};

using Factory = std::function<std::unique_ptr<Component>()>;

// A new object of the component registered under id; 429 when there is none
// or the factory returns nothing or throws.
std::unique_ptr<Component> CreateObject(std::string_view id);

// Registers (or replaces) the factory of id. Returns the factory it replaced
// (empty when none), so that a caller can put it back.
Factory RegisterComponent(std::string_view id, Factory factory);
// Removes id; returns its factory (empty when none).
Factory UnregisterComponent(std::string_view id);

// The language of the user as "okernel.MngI" answers it (rules above).
int LanguageFromEnvironment();

// A language named as a user names one (ORVA_LANGUAGE, a command-line option):
// "0".."3" or "ca", "es", "en", "fr" in any case, blanks around ignored.
// std::nullopt for anything else, out-of-range numbers included.
std::optional<int> LanguageOfText(std::string_view text);

// The built-in factory of "okernel.MngI".
Factory DefaultManagerFactory();

}  // namespace orva::manager
