// The clipboard as the instrument sees it: a service its host provides (the
// window implements it over the desktop clipboard), so that the instrument
// stays free of any window toolkit. The instrument clears the clipboard and
// then places one item: plain text (the channel samples) or a picture (the
// time screen).
#pragma once

#include <memory>
#include <string>

namespace orva::scope {

class ScreenPicture;  // the host's picture (screen_picture.h of the instrument)

class Portapapeles {
 public:
  virtual ~Portapapeles() = default;
  // Empties the clipboard.
  virtual void Clear() = 0;
  // Places plain text (bytes as given; the instrument writes ASCII only).
  virtual void SetText(const std::string& text) = 0;
  // Places a picture; the host knows its own picture type behind the handle.
  virtual void SetPicture(const std::shared_ptr<const ScreenPicture>& picture) = 0;
};

}  // namespace orva::scope
