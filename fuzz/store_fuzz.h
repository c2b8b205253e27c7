// What the two store fuzz targets share: an instrument without a board and
// the bytes of one input written as a file, since the stores open files by
// path. The file lives in memory-backed /dev/shm when there is one.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "orva/scope/osciloscopio.h"

namespace orva::fuzzing {

inline std::unique_ptr<scope::Osciloscopio> Instrument() {
  return std::make_unique<scope::Osciloscopio>(scope::MakeEmptyBusBoardCalls(), [] { return 0.0; });
}

// A private file name for this process's inputs.
inline const std::string& InputPath(const char* target) {
  static const std::string path = [target] {
    const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(dir) + "/orva-" + target + "-" + std::to_string(getpid()) + ".mdb";
  }();
  return path;
}

// Writes the input as the file; false when it cannot be written.
inline bool WriteInput(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

}  // namespace orva::fuzzing
