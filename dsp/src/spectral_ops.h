// Spectrum handling shared by Interpolar and FPBFiltrar, on the half
// spectra (bins 0 .. n/2) of real traces.
//
// Both operations are defined as: transform, modify the centred spectrum,
// transform again and keep the real part of the inverse. Keeping only the
// real part is the same as first making the spectrum Hermitian, so a bin f
// and its mirror -f can be handled together; a bin without a mirror inside
// the band (the unpaired n1/2 bin of Interpolar, when n1 < n2) splits its
// value evenly between +f and -f.
#ifndef ORVA_SIGDEX_SPECTRAL_OPS_H
#define ORVA_SIGDEX_SPECTRAL_OPS_H

namespace orva::sigdex {

// From X (bins 0 .. n1/2 of the n1-point transform of a real trace) builds
// H (bins 0 .. n2/2) for the n2-point inverse: the K = min(n1, n2) central
// frequencies -K/2 .. K/2 - 1 of X / n1, zero elsewhere.
void PadSpectrum(const float* xr, const float* xi, int n1, float* hr, float* hi, int n2);

// Scales the half spectrum (bins 0 .. n/2) by 1/n and removes the
// frequencies of the low-pass with z removed bins per side: every |f| from
// n/2 - z + 1 up to n/2 (nothing for z <= 0; z at most n/2 + 1).
void LowPassSpectrum(float* re, float* im, int n, int z);

}  // namespace orva::sigdex

#endif
