// Spectrum handling shared by Interpolar and FPBFiltrar.
#ifndef ORVA_SIGDEX_SPECTRAL_OPS_H
#define ORVA_SIGDEX_SPECTRAL_OPS_H

namespace orva::sigdex {

// From the natural-order spectrum X (n1 bins) builds, in re2/im2 (n2 bins),
// conj(X[f]) / n1 for the K = min(n1, n2) central frequencies f (from
// -floor(K/2) to ceil(K/2) - 1; the unpaired K/2 bin stays on the negative
// side) and zero elsewhere. A forward transform of that vector then yields,
// in its real part, Re(sum X[f] e^(2 pi i j f / n2)) / n1: the band-limited
// resampling, and equal in exact arithmetic to transforming the centred
// spectrum again and reading it backwards with odd outputs negated.
void PlaceSpectrum(const float* re1, const float* im1, int n1, float* re2, float* im2, int n2);

// Scales a natural-order spectrum by 1/n, conjugates it and zeroes the
// centred bins 0..z-1 and n-z+1..n-1 (z already clamped to 0..n/2+1).
void LowPassSpectrum(float* re, float* im, int n, int z);

}  // namespace orva::sigdex

#endif
