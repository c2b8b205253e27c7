/*
 * orvaboard: access to the two-channel ISA acquisition boards.
 *
 * Every function below is exported with C linkage from liborvaboard.so and can
 * be bound by name (dlopen/dlsym). Widths are fixed: int16_t for 16-bit codes,
 * flags and short counts, int32_t for 32-bit counts and ports, uint8_t for byte
 * arguments and byte buffers, float for single-precision rates and factors,
 * double for double-precision ones. 16-bit booleans are -1 (true) and 0 (false).
 *
 * Sample codes are unsigned bytes 0..255; 128 is 0 V and 32 codes make one
 * vertical division. Byte buffers are owned by the caller and never kept.
 *
 * Library state (base address, board type, sample-rate table, calibration
 * tables, remembered settings) is process-wide and unprotected: use the library
 * from one thread at a time.
 *
 * Port traffic goes to the bus in force for the process: the real I/O ports
 * (granted by the kernel, see the README), an empty bus when the grant is
 * refused (reads give all ones, writes are dropped), or a simulated board when
 * the environment variable ORVABOARD_SIM names a model (ktr5, ktr4, ktr2, ktr1;
 * see docs/simulated-board.md and orvaboard_sim.h).
 *
 * Bounds (the library never reads or writes outside what it is given):
 *  - A null buffer or null out-pointer is never dereferenced: the call skips
 *    what would have gone there (kt2_lectura_memo does no port traffic for a
 *    channel whose buffer is null; lee_la_memoria and its family refuse, as
 *    below, when an output buffer is null).
 *  - lee_la_memoria / LW32lee_la_memoria / KTR5_ReadMemory REFUSE a request
 *    whose total count A + count B + skip exceeds ORVABOARD_MAX_SAMPLES
 *    (16,000), whose count A + count B is below 1, with a negative count A or
 *    skip, or with a null output buffer: they return 0, set the clipped flags
 *    to 0, write nothing and touch no port. count B is always taken as
 *    unsigned (0..65535).
 *  - Gain indexes above 10 are used as board gain codes, as the boards
 *    define, but codes above 7 (and negative indexes, taken as 0) do not exist
 *    on any board: tables are looked up with the code clamped to 7 and the
 *    index clamped to 0..10, so an index above 10 acts as index 10 with step
 *    factor 1.
 *  - Coupling codes: 0 ground, 2 the second coupling (AC), every other value
 *    the first coupling (DC).
 *  - KTR4_ReadMemory REFUSES count A + count B above ORVABOARD_KTR4_SCRATCH
 *    (8,192) in the same way (no port traffic, buffer untouched).
 *  - kt2_lectura_memo with a count below 1 reads nothing.
 *  - Directory texts are read up to their terminating zero; a calibration path
 *    that does not fit ORVABOARD_MAX_PATH (200) bytes with its zero is refused.
 */
#ifndef ORVABOARD_H
#define ORVABOARD_H

#include <stdint.h>

#if defined(__GNUC__)
#define ORVABOARD_API __attribute__((visibility("default")))
#else
#define ORVABOARD_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Board type codes: the result of identification; 0 means no board. */
#define TIPO_KTR5 ((int16_t)5) /* larger model, 50 MHz master clock */
#define TIPO_KTR4 ((int16_t)4) /* smaller model: its second channel mirrors the first */
#define TIPO_KTR2 ((int16_t)2) /* older model, 40 MHz master clock */
#define TIPO_KTR1 ((int16_t)1) /* older model, 40 MHz master clock */

#define ORVABOARD_DEFAULT_BASE 0x390 /* I/O base address used until configured */
#define ORVABOARD_MAX_SAMPLES 16000  /* samples per channel one readout can hold */
#define ORVABOARD_KTR4_SCRATCH 8192  /* largest count A + count B of KTR4_ReadMemory */
#define ORVABOARD_MAX_PATH 200       /* bytes of the calibration path, zero included */

/* ---- Port I/O, driver check and stopwatch ------------------------------ */

/* Byte read of the port (low 16 bits of port used); 0..255. */
ORVABOARD_API int16_t DLL_IN(int32_t port);
/* Word read; stores bits 8-15 in *high and bits 0-7 in *low (each skipped if
 * null) and returns the word as 16 bits (0xFFFF comes back as -1). */
ORVABOARD_API int16_t DLL_IN16(int32_t port, uint8_t* high, uint8_t* low);
/* Writes the low byte of value; -1 when bits 8-15 of value are zero, else 0. */
ORVABOARD_API int16_t DLL_OUT(int32_t port, int32_t value);
/* Writes the low word of value; -1 when bits 16-31 of value are zero, else 0. */
ORVABOARD_API int16_t DLL_OUT16(int32_t port, int32_t value);
/* Byte read of the port; 0..255. */
ORVABOARD_API int16_t DLLINP8(int16_t port);
/* Word read of the port, as 16 bits. */
ORVABOARD_API int16_t DLLINP16(int16_t port);
/* Writes the low byte of value to the port. */
ORVABOARD_API void DLLOUT8(int16_t port, int16_t value);
/* Writes the word value to the port. */
ORVABOARD_API void DLLOUT16(int16_t port, int16_t value);
/* 1 when port access to the board's range (base..base+10) can be obtained
 * (the access is asked for and given back again), 0 when it is refused. */
ORVABOARD_API int16_t CompruebaDriverX(void);
/* Starts the millisecond stopwatch (monotonic clock); always 0. */
ORVABOARD_API uint8_t InicializaTemporizador(void);
/* Whole milliseconds since the last InicializaTemporizador, truncated; 0 if
 * the stopwatch was never started. */
ORVABOARD_API int64_t TiempoTranscurrido(void);

/* ---- Board identification, programming and capture ---------------------- */

/* Sets the base address, identifies the board, builds the sample-rate table
 * and, when a board is recognised, loads directory/cal.dat (result ignored).
 * Returns the board type code of this identification, 0 when none. A null
 * directory skips the calibration load. */
ORVABOARD_API int16_t kt2_configuracio(int16_t base, const char* directory);
/* One programming sequence (10 register writes). count_b is unsigned; rate in
 * Hz. Always 1. With no board identified (type 0) the gain byte has the layout
 * of the two newer models (coupling bits included). */
ORVABOARD_API int16_t kt2_programa_placa(uint8_t trigger_channel, int32_t count_a,
                                         uint32_t count_b, float rate, uint8_t level,
                                         uint8_t slope, uint8_t mode3_flag, uint8_t gain1,
                                         uint8_t gain2, uint8_t coupling1, uint8_t coupling2,
                                         uint8_t bit2_flag, uint8_t external_trigger);
/* Programs a capture twice in a row (rate = 1 / period, mode-3 flag = trigger
 * mode 3). ignored1/ignored2 are never touched (may be null); count_b is taken
 * as unsigned 0..65535; only the low byte of level is used. Always 1. */
ORVABOARD_API int16_t kt2_oscil_new(int16_t trigger_channel, int16_t coupling1,
                                    int16_t coupling2, int16_t* ignored1, int16_t* ignored2,
                                    int16_t gain1, int16_t gain2, int32_t count_a,
                                    int16_t count_b, int16_t level, int16_t slope,
                                    float period, int32_t ignored3, int16_t trigger_mode,
                                    int16_t external_trigger);
/* 256 when the capture has ended, 0 while it runs (status word & 0x100). */
ORVABOARD_API int16_t comprueba_fin_de_captura(void);
/* Raw readout: mode 1 channel 1 into buffer1, 2 channel 2 into buffer2, 3 both;
 * count bytes each, stored in reverse delivery order. Other modes do nothing.
 * Returns 0. */
ORVABOARD_API int16_t kt2_lectura_memo(uint8_t mode, int16_t count, uint8_t* buffer1,
                                       uint8_t* buffer2);
/* Reads count_a + count_b + skip samples of both channels, corrects and clips
 * them and writes count_a + count_b bytes to each of out1 and out2 (count_b
 * taken as unsigned). Clipped flags become 1 when a sample hit 0 or 255.
 * Returns the seam difference (0 when it exceeds 7 or its samples fall outside
 * the read). Refused requests: see the bounds above. */
ORVABOARD_API int16_t lee_la_memoria(int32_t count_a, int16_t count_b, int16_t skip,
                                     uint8_t* out1, uint8_t* out2, int16_t trigger_channel,
                                     int16_t ignored1, int16_t ignored2, int16_t gain1,
                                     int16_t gain2, int16_t* clipped1, int16_t* clipped2,
                                     int16_t coupling1, int16_t coupling2);
/* Waits (at most 1,000,000 status reads) for data ready; stores the low byte
 * of the status word in buffer[0]. -1 on success, 0 when it never came. */
ORVABOARD_API int16_t lee_vector(int32_t ignored, uint8_t* buffer);

/* Larger-model family: settings are remembered from Program to ReadMemory. */
/* TIPO_KTR5 (and the model flag set) when that model is found, else 0. */
ORVABOARD_API int16_t KTR5_Init(int16_t base, const char* directory);
/* 0 without touching a port when KTR5_Init did not find the model; else
 * stores the settings and returns kt2_oscil_new(...) (period = 1 / rate). */
ORVABOARD_API int16_t KTR5_Program(int16_t coupling1, int16_t coupling2, int16_t gain1,
                                   int16_t gain2, int32_t rate, uint8_t level,
                                   int16_t trigger_mode, int32_t count_a, int16_t count_b,
                                   int16_t slope, int16_t trigger_channel,
                                   uint8_t external_trigger);
/* comprueba_fin_de_captura(). */
ORVABOARD_API int16_t KTR5_EndOfcapture(void);
/* lee_la_memoria with the stored settings and skip 0; clipped flags dropped. */
ORVABOARD_API int16_t KTR5_ReadMemory(uint8_t* buffer1, uint8_t* buffer2);

/* Smaller-model family (one input; the second channel mirrors the first). */
/* TIPO_KTR4 (and the model flag set) when that model is found, else 0. */
ORVABOARD_API int16_t KTR4_Init(int16_t base, const char* directory);
/* 0 without touching a port when KTR4_Init did not find the model; else
 * stores the settings (trigger channel 1) and returns kt2_oscil_new(...). */
ORVABOARD_API int16_t KTR4_Program(int16_t coupling, int16_t gain, int32_t rate,
                                   uint8_t level, int16_t trigger_mode, int32_t count_a,
                                   int16_t count_b, int16_t slope, int16_t external_trigger);
/* comprueba_fin_de_captura(). */
ORVABOARD_API int16_t KTR4_EndOfcapture(void);
/* Channel 1 of the stored capture (count A + count B bytes) into buffer. */
ORVABOARD_API void KTR4_ReadMemory(uint8_t* buffer);

/* Family for other client programs. */
/* kt2_configuracio(base, directory). */
ORVABOARD_API int16_t LW32Config(int16_t base, const char* directory);
/* kt2_oscil_new without the two by-reference arguments. */
ORVABOARD_API int16_t LW32Program(int16_t trigger_channel, int16_t coupling1,
                                  int16_t coupling2, int16_t gain1, int16_t gain2,
                                  int32_t count_a, int16_t count_b, int16_t level,
                                  int16_t slope, float period, int32_t ignored,
                                  int16_t trigger_mode, int16_t external_trigger);
/* 1 when comprueba_fin_de_captura() is 256, else 0. */
ORVABOARD_API int16_t LW32EndOfCapture(void);
/* lee_la_memoria with the same arguments. */
ORVABOARD_API int16_t LW32lee_la_memoria(int32_t count_a, int16_t count_b, int16_t skip,
                                         uint8_t* out1, uint8_t* out2,
                                         int16_t trigger_channel, int16_t ignored1,
                                         int16_t ignored2, int16_t gain1, int16_t gain2,
                                         int16_t* clipped1, int16_t* clipped2,
                                         int16_t coupling1, int16_t coupling2);

/* ---- Calibration --------------------------------------------------------- */

/* Loads directory + "/cal.dat" (a trailing '/' or '\' on directory counts as
 * the separator; a trailing '\' is replaced by '/'). 0 when the file opened,
 * -1 when it did not, when directory is null, or when the path does not fit
 * ORVABOARD_MAX_PATH bytes (then nothing is read). Unknown versions load
 * nothing; a short file leaves the entries it does not reach as they were. */
ORVABOARD_API int16_t kt2_calibra(const char* directory);
/* Stores the two override offset codes (not limited to 0..255). */
ORVABOARD_API void canvia_offset(int16_t offset1, int16_t offset2);
/* 1: later programmings use the override offset codes; other: the file's. */
ORVABOARD_API void aplica_calibracion_especial(int16_t flag);
/* 1: readouts hand back raw samples; 0: they are corrected. */
ORVABOARD_API void no_calibrar_ganancia(int16_t flag);
/* Channel 1 replaces the format-1 gain factor of channel 1, any other channel
 * that of channel 2, by factor rounded to float. */
ORVABOARD_API void CorrigeGanancia(int16_t channel, double factor);
/* Stores two spare gain values that no operation reads. */
ORVABOARD_API void canvia_gain(float value1, float value2);


/* ---- Signal conditioning ------------------------------------------------- */
/*
 * Byte traces are unsigned codes 0..255 (128 = mid-scale); float traces use
 * the same scale. Bounds of this family (the library never reads or writes
 * outside what the counts say; a buffer shorter than its count is the
 * caller's fault and cannot be seen from here):
 *  - A null buffer, or a count below 1, makes the call do nothing (results
 *    are still what the prototype says: -1 for the thinning family).
 *  - Thinning reads only in[0 .. input count - 1] and writes only
 *    out[0 .. output count - 1]; an index that the fractional step would
 *    carry one past the end is held at the last sample.
 *  - FFT sizes must be powers of two from 1 to 16384; any other size makes
 *    the FFT routine do nothing. Caller tables hold N/2 floats each (element
 *    k is entry k + 1, i.e. the angle k * 2 pi / N) and N 16-bit bit-reversal
 *    entries; data vectors hold N floats.
 */

/* One screen point as the polyline drawing call takes it. */
typedef struct OrvaPoint {
  int32_t x;
  int32_t y;
} OrvaPoint;

/* Fractional-step thinning of a byte trace: out[0] = in[0]; with
 * r = input / output count, out[i] = in[b] + (in[b+1] - in[b]) / 10 * f
 * (b, f the whole and fractional parts of i * r), clamped to 0..255 and
 * truncated. Always -1. */
ORVABOARD_API int16_t diezma(const uint8_t* in, int16_t input_count, uint8_t* out,
                             int16_t output_count);
/* Peak-keeping thinning: odd outputs take the block maximum, even ones the
 * block minimum; where the last maximum and minimum lie less than 15 codes
 * apart the mid-point is written instead, so a quiet trace is not drawn as a
 * zig-zag. The last minimum counts as 0 before the first one. Always -1. */
ORVABOARD_API int16_t diezma_sin_aliasing(const uint8_t* in, int16_t input_count, uint8_t* out,
                                          int16_t output_count);
/* Resamples a byte trace to output_count codes with a Lanczos (windowed
 * sinc, three lobes) kernel: output i is the trace evaluated at input
 * position i * input_count / output_count, so the input samples come back
 * unchanged where a position is whole. When thinning (fewer outputs than
 * inputs) the kernel is widened by the ratio so that it also low-passes.
 * Weights are normalised (a constant stays constant); positions beyond the
 * ends repeat the end sample. Results are clamped to 0..255 and truncated.
 * Always -1. */
ORVABOARD_API int16_t interpolar(const uint8_t* in, int16_t input_count, uint8_t* out,
                                 int16_t output_count);

/* Trace to screen points: points[i] = (i, trunc((values[i] + offset) * scale)),
 * computed in extended precision and truncated toward zero; y above 16000
 * becomes 16010, below -16000 becomes -16010 (NaN is pinned at 16010).
 * count below 1 or a null pointer: nothing. */
ORVABOARD_API void reescala_la_senal(OrvaPoint* points, const float* values, int32_t count,
                                     double scale, double offset);
/* The same for a byte trace against abscissae: x = trunc(abscissae[i] * 0.1),
 * y as above. x is pinned the same way (beyond +-16000 to +-16010, NaN to
 * 16010) so it always fits the 16-bit drawing coordinates. */
ORVABOARD_API void reescala_la_senal2(OrvaPoint* points, const uint8_t* values,
                                      const float* abscissae, int32_t count, double scale,
                                      double offset);

/* Fills the library's table set 1 for n1 (power of two, at most 256) and set
 * 2 for n2 (power of two, n1 .. 4096). Sizes outside that are refused: both
 * sets are forgotten, and fft_filtro_interpolador does nothing until a
 * successful fft_init. */
ORVABOARD_API void fft_init(int16_t n1, int16_t n2);
/* Fills caller tables for size n: cosine[k] = cos(k 2pi/n), sine[k] =
 * -sin(k 2pi/n) for k < n/2, bit_reversal[j] = j with its log2 n low bits
 * reversed. A null table is skipped. */
ORVABOARD_API void fft_inicializar(int16_t n, float* cosine, float* sine, int16_t* bit_reversal);
/* Decimation-in-frequency stages (stages clamped to 0..log2 n) on real and
 * imaginary with the caller's tables; the result stays in bit-reversed order.
 * complex_input 0: real = in, imaginary = 0 first (in must then be given);
 * other values: real and imaginary are transformed as they stand. */
ORVABOARD_API void fft_calcular(int16_t n, int16_t stages, const float* in, float* real,
                                float* imaginary, const float* cosine, const float* sine,
                                int16_t complex_input);
/* Centring reorder: out[n/2 + j] = in[bit_reversal[j]] for j < n/2 and
 * out[i - n/2] = in[bit_reversal[i]] for i >= n/2. A bit-reversal entry
 * outside 0..n-1 gives 0 for that output. in and out must not overlap. */
ORVABOARD_API void fft_bit_reverse(int16_t n, const float* in, float* out,
                                   const int16_t* bit_reversal);
/* Magnitudes of n bins: m = sqrt(re^2 + im^2) / (n / 2); mode 1 gives
 * 20 log10(m) dB (m = 1 reads 0 dB), other modes m. A bin whose parts are
 * both 0 gives 0. Any n from 1 up (not only powers of two). */
ORVABOARD_API void fft_modulo(int16_t n, const float* real, const float* imaginary, float* out,
                              int16_t mode);
/* Band-limited (spectral zero-padding) interpolation in place: reads n1
 * values of trace and writes n2 values back (trace must hold n2 floats),
 * with the tables of the last fft_init. Does nothing unless n1 and n2 are
 * exactly the sizes of the last successful fft_init. */
ORVABOARD_API void fft_filtro_interpolador(float* trace, int16_t n1, int16_t n2);

/* Inverse sine / cosine in radians for -1 <= x <= 1; 10000.0 otherwise
 * (NaN included). */
ORVABOARD_API double Arcsin(double x);
ORVABOARD_API double Arccos(double x);

/* ---- XY plotting --------------------------------------------------------- */

/* A caller-owned drawing surface: the plotters call
 * set_pixel(context, column, row, colour) once per dot. The same layout is
 * declared by the window's drawing layer under the same guard. */
#ifndef ORVA_SURFACE_DEFINED
#define ORVA_SURFACE_DEFINED
typedef struct OrvaSurface {
  void* context;
  void (*set_pixel)(void* context, int32_t x, int32_t y, uint32_t colour_bgr);
} OrvaSurface;
#endif

/* Plots y against x as dots: for i = 0, step, 2 step, ... while
 * i < count - 1 (the last sample is never drawn), column = trunc(a x[i]) and
 * row = trunc((128 - y[i]) b + 128 b) with a = width / 256, b = height / 256
 * (32-bit floats). colour (0x00BBGGRR) is handed to set_pixel unchanged.
 * A step below 1 is taken as 1. A null surface, set_pixel or trace draws
 * nothing; a dot whose column or row is not finite or lies beyond
 * +-2,000,000,000 is skipped. */
ORVABOARD_API void dibuja_un_vector_xy(const OrvaSurface* surface, const uint8_t* x,
                                       const uint8_t* y, int32_t count, int32_t colour,
                                       int32_t step, float height, float width);
ORVABOARD_API void dibuja_un_vector_xy2(const OrvaSurface* surface, const float* x,
                                        const float* y, int32_t count, int32_t colour,
                                        int32_t step, float height, float width);
/* Counts how often each channel swings through its mean (hysteresis +-5;
 * mean = sum of samples 0..count-2 / count). -1 when either channel has
 * fewer than 10 crossings, 1 when both have more than 10, else 0. A null
 * trace or a count below 1 gives -1. */
ORVABOARD_API int16_t comprueba_fm_para_xy(const uint8_t* x, const uint8_t* y, int32_t count);

#ifdef __cplusplus
}
#endif

#endif /* ORVABOARD_H */
