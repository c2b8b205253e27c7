// Calibration compensation tables and the "cal.dat" / "cal2.dat" files.
#include "orva/scope/calibration_tables.h"

#include <bit>
#include <cerrno>
#include <cstdio>
#include <vector>

namespace orva::scope {

namespace {

constexpr int Pos(int acoplamiento, int ganancia, int canal) {
  return 22 * acoplamiento + 2 * ganancia + (canal - 1);
}
constexpr int GainPos(int ganancia, int canal) { return 2 * ganancia + (canal - 1); }

// Offset-table gain index of board gain code k = 0..7.
constexpr int kGainOfCode[8] = {0, 1, 3, 4, 6, 7, 9, 10};

// Reads at most limit bytes of a file; false when it cannot be opened.
bool ReadFile(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& out) {
  out.clear();
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  out.resize(limit);
  const std::size_t got = std::fread(out.data(), 1, limit, f);
  std::fclose(f);
  out.resize(got);
  return true;
}

// Sequential little-endian reader that never passes the end of its bytes.
class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Byte(std::uint8_t& v) {
    if (pos_ + 1 > size_) return Exhaust();
    v = data_[pos_++];
    return true;
  }
  bool Float(float& v) {
    if (pos_ + 4 > size_) return Exhaust();
    std::uint32_t bits = 0;
    for (int i = 3; i >= 0; --i) bits = (bits << 8) | data_[pos_ + static_cast<std::size_t>(i)];
    pos_ += 4;
    v = std::bit_cast<float>(bits);
    return true;
  }
  bool Double(double& v) {
    if (pos_ + 8 > size_) return Exhaust();
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = (bits << 8) | data_[pos_ + static_cast<std::size_t>(i)];
    pos_ += 8;
    v = std::bit_cast<double>(bits);
    return true;
  }
  bool Skip(std::size_t n) {
    if (pos_ + n > size_) return Exhaust();
    pos_ += n;
    return true;
  }

 private:
  bool Exhaust() {
    pos_ = size_;
    return false;
  }
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

void PutDouble(std::uint8_t* out, double v) {
  std::uint64_t bits = std::bit_cast<std::uint64_t>(v);
  for (int i = 0; i < 8; ++i) {
    out[i] = static_cast<std::uint8_t>(bits & 0xFFu);
    bits >>= 8;
  }
}

}  // namespace

std::string TablasDeCalibracion::RutaDe(const std::string& carpeta, const char* fichero) {
  std::string path = carpeta;
  if (!path.empty() && (path.back() == '/' || path.back() == '\\')) path.pop_back();
  path += '/';
  path += fichero;
  return path;
}

std::optional<std::uint8_t> TablasDeCalibracion::Offset(int acoplamiento, int ganancia, int canal) const {
  if (!InRange(acoplamiento, ganancia, canal)) return std::nullopt;
  return offsets_[static_cast<std::size_t>(Pos(acoplamiento, ganancia, canal))];
}

bool TablasDeCalibracion::SetOffset(int acoplamiento, int ganancia, int canal, std::uint8_t valor) {
  if (!InRange(acoplamiento, ganancia, canal)) return false;
  offsets_[static_cast<std::size_t>(Pos(acoplamiento, ganancia, canal))] = valor;
  return true;
}

std::optional<double> TablasDeCalibracion::Ganancia(int ganancia, int canal) const {
  if (!InRange(0, ganancia, canal)) return std::nullopt;
  return gains_[static_cast<std::size_t>(GainPos(ganancia, canal))];
}

bool TablasDeCalibracion::SetGanancia(int ganancia, int canal, double valor) {
  if (!InRange(0, ganancia, canal)) return false;
  gains_[static_cast<std::size_t>(GainPos(ganancia, canal))] = valor;
  return true;
}

ResultadoCalibracion TablasDeCalibracion::CargaCalDat(const std::string& carpeta) {
  std::vector<std::uint8_t> bytes;
  if (!ReadFile(RutaDe(carpeta, "cal.dat"), kCalDatFormat1Size, bytes))
    return ResultadoCalibracion::kFicheroAusente;

  Reader r(bytes.data(), bytes.size());
  bool complete = r.Skip(kCalDatHeaderBytes);
  for (int canal = 1; canal <= 2; ++canal) {
    for (int acoplamiento = 1; acoplamiento <= 2; ++acoplamiento) {  // DC, then AC
      bool read[8] = {};
      for (int k = 0; k < 8; ++k) {
        std::uint8_t v = 0;
        read[k] = r.Byte(v);
        if (read[k]) offsets_[static_cast<std::size_t>(Pos(acoplamiento, kGainOfCode[k], canal))] = v;
        complete = complete && read[k];
      }
      // Gains 2, 5 and 8 have no board code of their own: they take the
      // values of gains 1, 4 and 7 (board codes 1, 3 and 5), when read.
      for (const int k : {1, 3, 5}) {
        const int src = kGainOfCode[k];
        if (read[k])
          offsets_[static_cast<std::size_t>(Pos(acoplamiento, src + 1, canal))] =
              offsets_[static_cast<std::size_t>(Pos(acoplamiento, src, canal))];
      }
    }
    complete = r.Skip(kCalDatLinearityBytes) && complete;
    complete = r.Skip(kCalDatOffsetCorrectionBytes) && complete;
  }
  for (int canal = 1; canal <= 2; ++canal) {
    float k = 0.0f;
    if (!r.Float(k)) {
      complete = false;
      continue;
    }
    for (int g = 0; g <= 10; ++g)
      gains_[static_cast<std::size_t>(GainPos(g, canal))] = static_cast<double>(k) * 1000.0;
  }
  return complete ? ResultadoCalibracion::kCorrecto : ResultadoCalibracion::kFicheroCorto;
}

std::array<std::uint8_t, kCal2DatSize> TablasDeCalibracion::ImagenCal2() const {
  std::array<std::uint8_t, kCal2DatSize> out{};
  std::size_t p = 0;
  for (int canal = 1; canal <= 2; ++canal) {
    for (int g = 0; g <= 10; ++g) {
      out[p] = offsets_[static_cast<std::size_t>(Pos(1, g, canal))];
      out[p + 1] = offsets_[static_cast<std::size_t>(Pos(2, g, canal))];
      PutDouble(&out[p + 2], gains_[static_cast<std::size_t>(GainPos(g, canal))]);
      p += 10;
    }
  }
  return out;
}

bool TablasDeCalibracion::AplicaImagenCal2(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr || size < static_cast<std::size_t>(kCal2DatSize)) return false;
  Reader r(data, kCal2DatSize);
  for (int canal = 1; canal <= 2; ++canal) {
    for (int g = 0; g <= 10; ++g) {
      std::uint8_t dc = 0, ac = 0;
      double gain = 0.0;
      r.Byte(dc);
      r.Byte(ac);
      r.Double(gain);
      offsets_[static_cast<std::size_t>(Pos(1, g, canal))] = dc;
      offsets_[static_cast<std::size_t>(Pos(2, g, canal))] = ac;
      gains_[static_cast<std::size_t>(GainPos(g, canal))] = gain;
    }
  }
  return true;
}

ResultadoCalibracion TablasDeCalibracion::CargaCal2(const std::string& carpeta) {
  std::vector<std::uint8_t> bytes;
  if (!ReadFile(RutaDe(carpeta, "cal2.dat"), kCal2DatSize, bytes))
    return ResultadoCalibracion::kFicheroAusente;
  return AplicaImagenCal2(bytes.data(), bytes.size()) ? ResultadoCalibracion::kCorrecto
                                                      : ResultadoCalibracion::kFicheroCorto;
}

ResultadoCalibracion TablasDeCalibracion::GuardaCal2(const std::string& carpeta) const {
  const std::string path = RutaDe(carpeta, "cal2.dat");
  // An existing file keeps its bytes after the first 220. They are copied
  // across chunk by chunk, so a file of any size costs no memory; a file that
  // is there but cannot be read is left alone rather than replaced without
  // its tail.
  std::FILE* old = std::fopen(path.c_str(), "rb");
  if (old == nullptr && errno != ENOENT) return ResultadoCalibracion::kErrorDeEscritura;

  const std::string temp = path + ".new";
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  if (f == nullptr) {
    if (old != nullptr) std::fclose(old);
    return ResultadoCalibracion::kErrorDeEscritura;
  }
  const auto image = ImagenCal2();
  bool written = std::fwrite(image.data(), 1, image.size(), f) == image.size();
  if (old != nullptr) {
    written = written && std::fseek(old, kCal2DatSize, SEEK_SET) == 0;
    std::uint8_t chunk[4096];
    std::size_t got = 0;
    while (written && (got = std::fread(chunk, 1, sizeof chunk, old)) > 0)
      written = std::fwrite(chunk, 1, got, f) == got;
    written = written && std::ferror(old) == 0;
    std::fclose(old);
  }
  const bool closed = std::fclose(f) == 0;
  if (!written || !closed || std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return ResultadoCalibracion::kErrorDeEscritura;
  }
  return ResultadoCalibracion::kCorrecto;
}

}  // namespace orva::scope
