// What a store operation came to. The window shows nothing either way (a
// failed operation ends silently); the headless run prints the reason.
#pragma once

#include <string>
#include <utility>

#include "orva/printable.h"

namespace orva::storage {

struct Outcome {
  enum class Status {
    kDone,
    kCancelled,  // the file dialog was cancelled or gave no name: nothing changed
    kRefused,    // the file or the request is not acceptable: nothing changed
    kFailed,     // the file could not be read or written (see the operation for what stays)
  };
  Status status = Status::kDone;
  // One line for a person, empty when done: made printable (control
  // characters escaped, at most kMaxReason bytes), since it may quote a file.
  std::string reason;
  static constexpr std::size_t kMaxReason = 1000;

  bool Done() const { return status == Status::kDone; }
  static Outcome Hecho() { return {}; }
  static Outcome Cancelado() { return {Status::kCancelled, "cancelled"}; }
  static Outcome Rechazado(const std::string& why) { return {Status::kRefused, Printable(why, kMaxReason)}; }
  static Outcome Fallido(const std::string& why) { return {Status::kFailed, Printable(why, kMaxReason)}; }
};

}  // namespace orva::storage
