/*
 * Sigdex: the signal-processing library of OrvaScope (libSigdex.so).
 *
 * Plain C exports, bound by name (dlopen/dlsym). Every vector is owned by the
 * caller and passed by address; the library never keeps a caller's pointer.
 * Process-wide cached tables (one set each for FFT, Interpolar and FPBFiltrar)
 * live until the matching ...Cerrar call or unload. No call is thread-safe:
 * callers serialise.
 *
 * Bounds policy. The library reports no errors, but it never reads or writes
 * memory outside the caller's vectors (as long as they hold the counts passed)
 * or its own tables. A call whose sizes are outside the documented ranges, or
 * whose pointers are null, is REFUSED: nothing is written and the cached tables
 * are left as they were. Refusals are listed per function below.
 *
 * Spectrum order ("centred"): for an N-point transform X[k] = sum x[n] e^(-2 pi i k n / N)
 * (no scaling), out[N/2 + k] = X[k] for k < N/2 and out[k - N/2] = X[k] for
 * k >= N/2: zero frequency at index N/2, the Nyquist bin at index 0.
 *
 * A client that binds by name can declare its pointer as decltype(&FFT) etc.
 */
#ifndef SIGDEX_H
#define SIGDEX_H

#include <stdint.h>

#if defined(_WIN32)
#define SIGDEX_API __declspec(dllexport)
#else
#define SIGDEX_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Spectrum ------------------------------------------------------------ */

/* In-place complex transform of re[0..n-1], im[0..n-1] into the centred
 * spectrum, unscaled. n must be a power of two in 2..16384, else refused
 * (vectors and tables untouched). Tables for n are built once and reused. */
SIGDEX_API void FFT(float* re, float* im, int32_t n);

/* out[i] = |re[i] + i im[i]| / (N/2) for i < N, N the size of the last
 * successful FFT (nothing is written if there is none, e.g. after FFTCerrar).
 * mode 1: 20 log10(100 m) dB; other modes linear. An exactly zero bin gives 0
 * in both modes. re/im/out must hold N floats. */
SIGDEX_API void Modulo(const float* re, const float* im, float* out, int16_t mode);

/* Releases the FFT tables and forgets the current size. Harmless when repeated
 * or called before any FFT. */
SIGDEX_API void FFTCerrar(void);

/* out[i] = w[i] in[i], w[i] = 0.54 - 0.46 cos(2 pi i / (count - 1)), i < count.
 * count 1 gives w[0] = 1 (the sample passes unchanged); count <= 0 writes
 * nothing. in and out may be the same vector. */
SIGDEX_API void Hamming(const float* in, float* out, int32_t count);

/* ---- Decimation, interpolation, rate change ------------------------------- */

/* Fractional-step thinning of nin samples to nout: out[0] = in[0]; for i >= 1,
 * x = i r (r = nin / nout as float), b = floor(x), f = x - b,
 * out[i] = in[b] + (in[b+1] - in[b]) * 0.1 * f (a tenth of the linear step).
 * Where b + 1 would reach nin, in[b+1] is taken as in[nin-1] (no read past the
 * input). nin <= 0 or nout <= 0: refused. */
SIGDEX_API void Diezma(const float* in, int16_t nin, float* out, int16_t nout);

/* Peak-keeping thinning: out[0] = in[0]; for i >= 1 the block in[trunc(r i + e)],
 * e = 0, 1, ... while e < r, clipped to the input (an index at or past nin
 * reads in[nin-1]; nothing past the input is read); odd i takes the block
 * maximum starting from 0, even i the minimum starting from 10000.
 * nin <= 0 or nout <= 0: refused. */
SIGDEX_API void DiezmaSinAliasing(const float* in, int16_t nin, float* out, int16_t nout);

/* Band-limited (spectral zero-padding) resampling of n1 samples to n2:
 * out[j] = Re(sum_{k=-n1/2}^{n1/2-1} X[k] e^(2 pi i j k / n2)) / n1, X the DFT
 * of in. n1 and n2 powers of two in 1..8192, else refused. n2 < n1 is
 * accepted: the spectrum is cut to the n2 central bins (band-limited
 * reduction). Tables are kept for the last (n1, n2) pair. in and out may be the
 * same vector (the input is copied into working storage first). */
SIGDEX_API void Interpolar(const float* in, float* out, int16_t n1, int16_t n2);

/* Releases the interpolation tables and forgets the pair. Harmless when
 * repeated or called before any Interpolar. */
SIGDEX_API void InterpolarCerrar(void);

/* Sample-rate change of count samples from rate fin to fout:
 * g = count fout / fin, m = next power of two >= g, Interpolar(in, tmp, count, m)
 * then Diezma(tmp, m, out, k) with k = trunc(g): the output holds k samples
 * spanning the input at the new rate, so out must hold trunc(g) floats. (A
 * count of trunc(g / m * count) would cover the same time span at neither
 * rate, so it is not used.) Example: count 1024, rates 1 and 2.5: g = 2560,
 * m = 4096, 2560 outputs.
 * Refused (out untouched) when count is not a power of two in 1..8192, a rate
 * is not finite and positive, m > 8192, or k < 1. */
SIGDEX_API void CambioFM(const float* in, float* out, int16_t count, double fin, double fout);

/* ---- Low-pass filter and vector utilities --------------------------------- */

/* Ideal low-pass of n samples by zeroing spectral bins: with
 * z = trunc((fs - 2 fc) n / fs * 0.5), the centred bins 0..z-1 and n-z+1..n-1
 * are removed (z clamped to n/2 + 1, i.e. everything). out gets n values.
 * n a power of two in 1..8192 and fs finite and > 0, fc finite; else refused.
 * Tables are kept for the last n. in and out may be the same vector. */
SIGDEX_API void FPBFiltrar(const float* in, float* out, int16_t n, double fs, double fc);

/* Releases the filter tables and forgets the size. Harmless when repeated. */
SIGDEX_API void FPBCerrar(void);

/* Index of the first maximum of v[0..count-1] (strictly greater replaces,
 * start -1e300); *value receives it. count <= 0 (or v null): *value = -1e300,
 * result count.
 * NaN entries never win. value may be null (then only the index is returned). */
SIGDEX_API int32_t PosMax(const float* v, int32_t count, double* value);

/* As PosMax for the first minimum, start +1e300. */
SIGDEX_API int32_t PosMin(const float* v, int32_t count, double* value);

/* out[i] = a[i] + b[i] - offset, i < count; nothing when count <= 0. */
SIGDEX_API void Suma(const float* a, const float* b, float* out, int32_t count, int16_t offset);

/* out[i] = offset + (a[i] - b[i]), i < count; nothing when count <= 0. */
SIGDEX_API void Resta(const float* a, const float* b, float* out, int32_t count, int16_t offset);

/* Running average: avg[i] = ((n - 1) avg[i] + nuevo[i]) / n, n = weight.
 * A weight below 1, or not finite (0 included), is taken as 1: the average
 * becomes a copy of the new trace. Nothing when count <= 0. */
SIGDEX_API void Promedia(const float* nuevo, float* avg, int32_t count, float weight);

/* Raw bytes to float codes: v = offset + bytes[i], or offset - bytes[i] + 255
 * when invert is non-zero; clamped to 0..255; out[i] = v. Nothing when
 * count <= 0. */
SIGDEX_API void Copia(const uint8_t* bytes, float* out, int32_t count, int16_t invert, int16_t offset);

#ifdef __cplusplus
}
#endif

#endif /* SIGDEX_H */
