// orvaboard-probe: identifies the board at an I/O base address, loads its
// calibration, programs one capture, waits for its end and prints both
// channels' corrected samples as a sparkline and a short table.
//
// Exit status: 0 capture printed, 1 no board found, 2 the capture did not end
// in time, 64 bad command line.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "orvaboard.h"
#include "orvaboard_sim.h"

namespace {

struct Options {
  int base = ORVABOARD_DEFAULT_BASE;
  std::string dir = ".";
  double rate = 1250000.0;  // 40 MHz / 32: a few periods of the default signals
  int pre = 1562;
  int post = 3124;
  int gain[2] = {6, 6};      // 0.5 V/div
  int coupling[2] = {1, 1};  // DC
  int level = 128;           // code of the trigger level (128 = 0 V)
  int slope = 0;             // rising
  int trigger = 1;
  int mode = 1;              // 3 = untriggered
  double timeout = 2.0;
  int columns = 64;
  int rows = 12;
};

constexpr double kVoltsPerDiv[11] = {50, 20, 10, 5, 2, 1, 0.5, 0.2, 0.1, 0.05, 0.02};

void Usage() {
  std::fprintf(stderr,
               "usage: orvaboard-probe [--base ADDR] [--dir FOLDER] [--rate HZ] [--pre N]\n"
               "         [--post N] [--gain1 I] [--gain2 I] [--coupling1 C] [--coupling2 C]\n"
               "         [--level CODE] [--slope 0|1] [--trigger 1|2] [--mode 0..3]\n"
               "         [--timeout S] [--columns N] [--rows N]\n"
               "  gains are indexes 0 (50 V/div) .. 10 (20 mV/div); couplings 0 GND, 1 DC, 2 AC;\n"
               "  mode 3 captures without waiting for the trigger.\n");
}

bool ParseInt(const char* text, long lo, long hi, int* out) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 0);
  if (end == text || *end != '\0' || v < lo || v > hi) return false;
  *out = static_cast<int>(v);
  return true;
}

bool ParseReal(const char* text, double lo, double hi, double* out) {
  char* end = nullptr;
  const double v = std::strtod(text, &end);
  if (end == text || *end != '\0' || !(v >= lo && v <= hi)) return false;
  *out = v;
  return true;
}

bool ParseArgs(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      Usage();
      std::exit(0);
    }
    if (i + 1 >= argc) {
      std::fprintf(stderr, "orvaboard-probe: %s needs a value\n", a.c_str());
      return false;
    }
    const char* v = argv[++i];
    bool ok = true;
    if (a == "--base") ok = ParseInt(v, 0, 0xFFFF, &o->base);
    else if (a == "--dir") o->dir = v;
    else if (a == "--rate") ok = ParseReal(v, 1.0, 1e9, &o->rate);
    else if (a == "--pre") ok = ParseInt(v, 0, 8000, &o->pre);
    else if (a == "--post") ok = ParseInt(v, 1, 8000, &o->post);
    else if (a == "--gain1") ok = ParseInt(v, 0, 10, &o->gain[0]);
    else if (a == "--gain2") ok = ParseInt(v, 0, 10, &o->gain[1]);
    else if (a == "--coupling1") ok = ParseInt(v, 0, 2, &o->coupling[0]);
    else if (a == "--coupling2") ok = ParseInt(v, 0, 2, &o->coupling[1]);
    else if (a == "--level") ok = ParseInt(v, 0, 255, &o->level);
    else if (a == "--slope") ok = ParseInt(v, 0, 1, &o->slope);
    else if (a == "--trigger") ok = ParseInt(v, 1, 2, &o->trigger);
    else if (a == "--mode") ok = ParseInt(v, 0, 3, &o->mode);
    else if (a == "--timeout") ok = ParseReal(v, 0.0, 3600.0, &o->timeout);
    else if (a == "--columns") ok = ParseInt(v, 8, 400, &o->columns);
    else if (a == "--rows") ok = ParseInt(v, 0, 1000, &o->rows);
    else {
      std::fprintf(stderr, "orvaboard-probe: unknown option %s\n", a.c_str());
      return false;
    }
    if (!ok) {
      std::fprintf(stderr, "orvaboard-probe: bad value \"%s\" for %s\n", v, a.c_str());
      return false;
    }
  }
  // Readout reads pre + 2 x post samples (the post count is also skipped).
  if (o->pre + 2 * o->post > ORVABOARD_MAX_SAMPLES) {
    std::fprintf(stderr, "orvaboard-probe: --pre + 2 x --post must not exceed %d\n",
                 ORVABOARD_MAX_SAMPLES);
    return false;
  }
  return true;
}

const char* TypeName(int16_t type) {
  switch (type) {
    case TIPO_KTR5: return "KTR5";
    case TIPO_KTR4: return "KTR4";
    case TIPO_KTR2: return "KTR2";
    case TIPO_KTR1: return "KTR1";
    default: return "none";
  }
}

double Volts(int code, int gain) { return (code - 128) * kVoltsPerDiv[gain] * 4.0 / 128.0; }

void Sparkline(const char* label, const std::vector<uint8_t>& s, int columns) {
  static const char* const kBars[8] = {"\u2581", "\u2582", "\u2583", "\u2584",
                                       "\u2585", "\u2586", "\u2587", "\u2588"};
  std::printf("  %s ", label);
  const std::size_t n = s.size();
  for (int c = 0; c < columns; ++c) {
    const std::size_t from = n * static_cast<std::size_t>(c) / static_cast<std::size_t>(columns);
    std::size_t to = n * static_cast<std::size_t>(c + 1) / static_cast<std::size_t>(columns);
    if (to <= from) to = from + 1;
    long sum = 0;
    for (std::size_t i = from; i < to && i < n; ++i) sum += s[i];
    const long mean = sum / static_cast<long>(to - from);
    std::printf("%s", kBars[mean * 8 / 256]);
  }
  std::printf("\n");
}

void Summary(int channel, const std::vector<uint8_t>& s, int gain, int coupling, int clipped) {
  int lo = 255, hi = 0;
  long sum = 0;
  for (uint8_t v : s) {
    lo = v < lo ? v : lo;
    hi = v > hi ? v : hi;
    sum += v;
  }
  const double mean = s.empty() ? 128.0 : static_cast<double>(sum) / static_cast<double>(s.size());
  static const char* const kCoupling[3] = {"GND", "DC", "AC"};
  std::printf("channel %d (%g V/div, %s): codes %d..%d, mean %.1f = %+.3f V, "
              "peak-to-peak %.3f V%s\n",
              channel, kVoltsPerDiv[gain], kCoupling[coupling], lo, hi, mean,
              (mean - 128.0) * kVoltsPerDiv[gain] / 32.0, (hi - lo) * kVoltsPerDiv[gain] / 32.0,
              clipped ? ", clipped" : "");
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseArgs(argc, argv, &o)) {
    Usage();
    return 64;
  }

  if (orva::board::sim::SimulatedBoardInstalled()) {
    const char* model = std::getenv("ORVABOARD_SIM");
    std::printf("bus: simulated board %s (ORVABOARD_SIM)\n", model ? model : "?");
  } else {
    std::printf("bus: I/O ports\n");
  }

  const int16_t type = kt2_configuracio(static_cast<int16_t>(o.base), o.dir.c_str());
  const int16_t access = CompruebaDriverX();
  std::printf("board at 0x%X: %s (type %d); port access %s\n", o.base, TypeName(type), type,
              access ? "granted" : "refused");
  if (type == 0) {
    std::printf("no board found: nothing to capture\n");
    return 1;
  }
  const bool calibrated = kt2_calibra(o.dir.c_str()) == 0;
  std::printf("calibration: %s/cal.dat %s\n", o.dir.c_str(),
              calibrated ? "loaded" : "not found (unit gain, no offset correction)");

  const int32_t count_a = o.post;
  const int16_t count_b = static_cast<int16_t>(o.pre);
  const float period = static_cast<float>(1.0 / o.rate);
  std::printf("capture: %d samples at %.0f Hz, trigger %s on channel %d at code %d (%+.3f V), "
              "%d before it\n",
              o.pre + o.post, o.rate,
              o.mode == 3 ? "off" : (o.slope ? "falling" : "rising"), o.trigger, o.level,
              Volts(o.level, o.gain[o.trigger - 1]), o.pre);

  InicializaTemporizador();
  int16_t ignored1 = 0, ignored2 = 0;
  kt2_oscil_new(static_cast<int16_t>(o.trigger), static_cast<int16_t>(o.coupling[0]),
                static_cast<int16_t>(o.coupling[1]), &ignored1, &ignored2,
                static_cast<int16_t>(o.gain[0]), static_cast<int16_t>(o.gain[1]), count_a,
                count_b, static_cast<int16_t>(255 - o.level), static_cast<int16_t>(o.slope),
                period, 10000, static_cast<int16_t>(o.mode), 0);
  while (comprueba_fin_de_captura() != 256) {
    if (TiempoTranscurrido() > static_cast<int64_t>(o.timeout * 1000.0)) {
      std::printf("the capture did not end within %.1f s (no trigger?); try --mode 3\n",
                  o.timeout);
      return 2;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  std::printf("capture ended after %lld ms\n", static_cast<long long>(TiempoTranscurrido()));

  const std::size_t m = static_cast<std::size_t>(o.pre + o.post);
  std::vector<uint8_t> ch1(m), ch2(m);
  int16_t clipped1 = 0, clipped2 = 0;
  const int16_t seam = lee_la_memoria(count_a, count_b, static_cast<int16_t>(count_a), ch1.data(),
                                      ch2.data(), static_cast<int16_t>(o.trigger),
                                      static_cast<int16_t>(o.level),
                                      static_cast<int16_t>(o.slope),
                                      static_cast<int16_t>(o.gain[0]),
                                      static_cast<int16_t>(o.gain[1]), &clipped1, &clipped2,
                                      static_cast<int16_t>(o.coupling[0]),
                                      static_cast<int16_t>(o.coupling[1]));
  Summary(1, ch1, o.gain[0], o.coupling[0], clipped1);
  Summary(2, ch2, o.gain[1], o.coupling[1], clipped2);
  std::printf("seam difference %d\n", seam);
  Sparkline("ch1", ch1, o.columns);
  Sparkline("ch2", ch2, o.columns);

  if (o.rows > 0) {
    std::printf("%8s %10s %5s %9s %5s %9s\n", "sample", "t (ms)", "ch1", "ch1 (V)", "ch2",
                "ch2 (V)");
    for (int r = 0; r < o.rows; ++r) {
      const std::size_t i = m * static_cast<std::size_t>(r) / static_cast<std::size_t>(o.rows);
      const double t = (static_cast<double>(i) - o.pre) / o.rate * 1000.0;
      std::printf("%8zu %10.4f %5d %+9.3f %5d %+9.3f\n", i, t, ch1[i], Volts(ch1[i], o.gain[0]),
                  ch2[i], Volts(ch2[i], o.gain[1]));
    }
  }
  return 0;
}
