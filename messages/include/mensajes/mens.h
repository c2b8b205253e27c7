// The messages control Mens (library libMensajes.so): start-up check of the
// acquisition board's I/O address and calibration file, telling the user in
// his language, in a modal message window with Accept, Help and Cancel, when
// the board cannot be used.
//
// State. Per instance (saved with the host's properties): PathFicheroCal
// (default "0"), Estado (default 0), CorrectaDireccionIO (any value, default
// 0). Library-wide, one copy for every instance in the process: the current
// language, the Estado value that Estado() returns, and the boolean form of
// CorrectaDireccionIO that Init tests. ReadProperties restores only the
// per-instance values, so Init takes the address as correct only once the
// host has called SetCorrectaDireccionIO in this process.
//
// Estado: 0 nothing decided, 1 Accept pressed, 2 Help pressed, 3 Cancel
// pressed (also when the window is closed or Escape is pressed: every message
// ends with a button's outcome), 10 address correct and calibration file
// present, no message shown. Init records its outcome through SetEstado, so the
// host is told and saves it.
//
// Errors reach the host as orva::hosting::ControlError: 429 when the language
// manager "okernel.MngI" cannot be created (no window shown), 326 when a text
// the message needs has no entry (a language outside 0..3; no window shown),
// 13 "Type mismatch" for a CorrectaDireccionIO value that is not a number or
// True/False, or a non-integer "Language", 5 when a message must be shown and
// the process has no QApplication. Init traps nothing.
//
// The calibration file is PathFicheroCal + "/cal.dat" (one trailing '/' or '\'
// of the folder is taken as the separator; an empty folder therefore names
// "/cal.dat"); it counts as present when it is a regular file, or a link to
// one, of exactly that name.
#pragma once

#include <cstdint>
#include <string>

#include "orva/hosting.h"

namespace orva {

class Mens : public hosting::HostedControl {
 public:
  std::string PathFicheroCal() const { return path_fichero_cal_; }
  void SetPathFicheroCal(const std::string& folder);

  // The library-wide outcome (see above).
  std::int16_t Estado() const;
  void SetEstado(std::int16_t value);

  // The value as the host set or restored it.
  hosting::PropertyValue CorrectaDireccionIO() const { return correcta_direccion_io_; }
  // Stores the value and its boolean form (non-zero, "True" is true).
  void SetCorrectaDireccionIO(const hosting::PropertyValue& value);
  void SetCorrectaDireccionIO(std::int64_t value) { SetCorrectaDireccionIO(hosting::PropertyValue(value)); }

  // The start-up check; blocks in the modal window while a message is shown.
  void Init();

  // Host persistence under "PathFicheroCal", "Estado", "CorrectaDireccionIO".
  void ReadProperties(const hosting::PropertyBag& bag);
  void WriteProperties(hosting::PropertyBag& bag) const;

  // The library-wide language, as the last Init read it (0 before any Init).
  static int IdiomaActual();

 private:
  void ShowMessage(int first_line_id);

  std::string path_fichero_cal_ = "0";
  std::int16_t estado_ = 0;
  hosting::PropertyValue correcta_direccion_io_ = std::int64_t{0};
};

}  // namespace orva
