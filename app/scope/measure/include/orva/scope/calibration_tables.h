// The instrument's calibration compensation tables and their two files.
//
// Offset table: 66 unsigned bytes, entry (coupling c 0..2, gain g 0..10,
// channel ch 1..2) at position 22*c + 2*g + (ch - 1) (channel fastest, then
// gain, then coupling). Gain table: 22 doubles, entry (g, ch) at 2*g + (ch - 1).
// Both start all zero. Coupling codes: 0 GND, 1 DC, 2 AC.
//
// "cal.dat" (the board's calibration file, little-endian): a 32-byte header,
// then per channel (1, then 2): the offset codes (DC row then AC row, 8 bytes
// each in board gain-code order), 8192 bytes of linearity corrections and 64
// bytes of offset corrections; after both channels the two 32-bit float gain
// factors K1, K2. It is always read this way whatever its version field says.
// Board gain code k = 0..7 fills gain index 0, 1, 3, 4, 6, 7, 9, 10; gains 2,
// 5 and 8 copy gains 1, 4 and 7. Every gain entry of a channel becomes K x 1000.
//
// "cal2.dat" (written and read only here, little-endian, 220 bytes): channel 1
// block then channel 2 block; in each, for gain 0..10 a 10-byte record: DC
// offset byte, AC offset byte, gain correction as a 64-bit IEEE double.
//
// The GND row of the offset table is in neither file.
//
// Bounds and faults:
// - Accessors with a coupling outside 0..2, a gain outside 0..10 or a channel
//   other than 1 and 2 read nothing (they return std::nullopt) and write
//   nothing (they return false).
// - A missing "cal.dat" changes nothing and reports kFicheroAusente. A short
//   one is read only as far as it goes: every entry whose bytes exist is
//   loaded (a derived gain 2/5/8 entry only when its source entry was), the
//   others keep their values, and kFicheroCorto is reported. Nothing past the
//   file's data is ever read; bytes after a complete body are ignored.
// - "cal2.dat": a missing file changes nothing (kFicheroAusente, not an error
//   for the caller); a file shorter than 220 bytes is refused whole
//   (kFicheroCorto, nothing changed), since a half record set would mix two
//   calibrations; bytes past 220 are ignored.
// - Saving "cal2.dat" writes the 220 bytes at the start of the file and keeps
//   any bytes an existing longer file holds after them (copied in chunks: a
//   file of any length costs no memory). It writes a new file beside the old
//   one and renames it into place, so a failed save leaves the old file as it
//   was; an existing file that cannot be read is not replaced
//   (kErrorDeEscritura).
// - Folder and file name are joined with '/'; a folder ending in '/' or '\'
//   already has its separator.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace orva::scope {

enum class ResultadoCalibracion {
  kCorrecto = 0,     // read or written completely
  kFicheroAusente,   // the file could not be opened (missing, unreadable)
  kFicheroCorto,     // the file ended before the data it must hold
  kErrorDeEscritura, // the file could not be written (nothing changed on disk)
};

inline constexpr int kOffsetTableSize = 66;
inline constexpr int kGainTableSize = 22;
inline constexpr int kCalDatHeaderBytes = 32;
inline constexpr int kCalDatLinearityBytes = 8192;  // per channel
inline constexpr int kCalDatOffsetCorrectionBytes = 64;  // per channel
inline constexpr int kCalDatFormat1Size = 16584;  // header + both channels + two floats
inline constexpr int kCal2DatSize = 220;

class TablasDeCalibracion {
 public:
  // Whole tables in storage order.
  const std::array<std::uint8_t, kOffsetTableSize>& Offsets() const { return offsets_; }
  const std::array<double, kGainTableSize>& Ganancias() const { return gains_; }

  // Single entries; see the bounds rules above.
  std::optional<std::uint8_t> Offset(int acoplamiento, int ganancia, int canal) const;
  bool SetOffset(int acoplamiento, int ganancia, int canal, std::uint8_t valor);
  std::optional<double> Ganancia(int ganancia, int canal) const;
  bool SetGanancia(int ganancia, int canal, double valor);

  // The compensation as the instrument's properties see it: the offset for a
  // channel's coupling and gain, where a grounded channel reads its DC entry
  // (writes go to the coupling's own row, GND included).
  std::optional<std::uint8_t> OffsetCompensado(int acoplamiento, int ganancia, int canal) const {
    return Offset(acoplamiento == 0 ? 1 : acoplamiento, ganancia, canal);
  }

  // Files, by folder.
  ResultadoCalibracion CargaCalDat(const std::string& carpeta);
  ResultadoCalibracion CargaCal2(const std::string& carpeta);
  ResultadoCalibracion GuardaCal2(const std::string& carpeta) const;

  // The 220-byte "cal2.dat" image of the current tables, and its reverse
  // (false, nothing changed, when fewer than 220 bytes are given).
  std::array<std::uint8_t, kCal2DatSize> ImagenCal2() const;
  bool AplicaImagenCal2(const std::uint8_t* data, std::size_t size);

  // Folder + file name as the files are found ('/' joined, see above).
  static std::string RutaDe(const std::string& carpeta, const char* fichero);

 private:
  static constexpr bool InRange(int acoplamiento, int ganancia, int canal) {
    return acoplamiento >= 0 && acoplamiento <= 2 && ganancia >= 0 && ganancia <= 10 &&
           (canal == 1 || canal == 2);
  }
  std::array<std::uint8_t, kOffsetTableSize> offsets_{};
  std::array<double, kGainTableSize> gains_{};
};

}  // namespace orva::scope
