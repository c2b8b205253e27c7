// What a store operation came to. The window shows nothing either way (a
// failed operation ends silently); the headless run prints the reason.
#pragma once

#include <string>
#include <utility>

namespace orva::storage {

struct Outcome {
  enum class Status {
    kDone,
    kCancelled,  // the file dialog was cancelled or gave no name: nothing changed
    kRefused,    // the file or the request is not acceptable: nothing changed
    kFailed,     // the file could not be read or written (see the operation for what stays)
  };
  Status status = Status::kDone;
  std::string reason;  // one line for a person, empty when done

  bool Done() const { return status == Status::kDone; }
  static Outcome Hecho() { return {}; }
  static Outcome Cancelado() { return {Status::kCancelled, "cancelled"}; }
  static Outcome Rechazado(std::string why) { return {Status::kRefused, std::move(why)}; }
  static Outcome Fallido(std::string why) { return {Status::kFailed, std::move(why)}; }
};

}  // namespace orva::storage
