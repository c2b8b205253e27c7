// The record as a WAV file, through libsndfile.
#include <sndfile.h>

#include <climits>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <vector>

#include "orva/dao.h"
#include "orva/export/trace_export.h"
#include "record_text.h"

namespace orva::exporta {
namespace {

struct Cierra {
  void operator()(SNDFILE* f) const { sf_close(f); }
};

}  // namespace

void EscribeWav(const Registro& registro, const std::string& destino) {
  const double fm = std::nearbyint(registro.fm);
  if (!(fm >= 1.0 && fm <= INT_MAX))
    throw std::runtime_error("a WAV file cannot hold the display rate of this timebase");
  const std::size_t canales = registro.voltios.size();
  const std::size_t filas = registro.Filas();
  if (canales == 0 || filas == 0) throw std::runtime_error("no trace to export");

  // Interleaved frames; a trace shorter than the record reads 0 V beyond its end.
  std::vector<float> tramas(canales * filas, 0.0f);
  for (std::size_t c = 0; c < canales; ++c)
    for (std::size_t i = 0; i < registro.voltios[c].size(); ++i) tramas[i * canales + c] = registro.voltios[c][i];

  dao::ReplacementFile nuevo(destino);
  SF_INFO info{};
  info.samplerate = static_cast<int>(fm);
  info.channels = static_cast<int>(canales);
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  std::unique_ptr<SNDFILE, Cierra> f(sf_open(nuevo.TemporaryPath().c_str(), SFM_WRITE, &info));
  if (!f) throw std::runtime_error("cannot write " + destino + ": " + sf_strerror(nullptr));
  const std::string comentario = Encabezado(registro) + "; first sample " +
                                 std::to_string(registro.primera_muestra) + " samples from the trigger point";
  sf_set_string(f.get(), SF_STR_SOFTWARE, "OrvaScope");
  sf_set_string(f.get(), SF_STR_COMMENT, comentario.c_str());
  const auto escritas = sf_writef_float(f.get(), tramas.data(), static_cast<sf_count_t>(filas));
  if (escritas != static_cast<sf_count_t>(filas))
    throw std::runtime_error("cannot write " + destino + ": " + sf_strerror(f.get()));
  if (sf_close(f.release()) != 0) throw std::runtime_error("cannot write " + destino);
  nuevo.Commit();
}

}  // namespace orva::exporta
