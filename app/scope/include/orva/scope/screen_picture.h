// The instrument's two screen pictures (time view and spectrum view) belong to
// the host's window. The instrument only keeps a handle to each, hands it back
// to the host, and persists it as encoded bytes (for example PNG) under its
// key. Keeping the pictures behind this interface keeps the instrument free of
// any window toolkit; the window implements ScreenPicture over its own images.
#pragma once

#include <memory>
#include <string>
#include <utility>

namespace orva::scope {

class ScreenPicture {
 public:
  virtual ~ScreenPicture() = default;
  // True for a picture without content (persisted as no picture at all).
  virtual bool Empty() const = 0;
  // The picture as bytes that PictureDecoder turns back into a picture.
  virtual std::string Encode() const = 0;
};

using PictureHandle = std::shared_ptr<const ScreenPicture>;

// A picture known only by its encoded bytes: what loading yields when the host
// installed no decoder, and a plain carrier for the bytes otherwise.
class EncodedPicture final : public ScreenPicture {
 public:
  explicit EncodedPicture(std::string bytes) : bytes_(std::move(bytes)) {}
  bool Empty() const override { return bytes_.empty(); }
  std::string Encode() const override { return bytes_; }

 private:
  std::string bytes_;
};

// Supplied by the host to turn stored bytes back into its own picture type.
// Returning nullptr means "no picture".
class PictureDecoder {
 public:
  virtual ~PictureDecoder() = default;
  virtual PictureHandle Decode(const std::string& bytes) const = 0;
};

}  // namespace orva::scope
