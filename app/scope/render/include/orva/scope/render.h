// Trace renderers: one float trace drawn as one polyline on a picture surface
// or the printer, through the device context's anisotropic mapping.
//
// Each routine converts the samples to integer points (x = i, y =
// trunc((v + offset) * scale), pinned to +-16010 beyond +-16000), maps the
// logical space x 0..n, y +16000 (top) .. -16000 (bottom) onto the whole
// surface and draws the points as one polyline in the given colour
// (0x00BBGGRR, solid). On the two pictures the points are kept on the
// picture's pixel rows: values at or below the bottom of the range draw on
// the last row (the logical bottom edge itself lies one row below the
// picture), values above the top on the first.
//
//   routine                 points  value range   scale, offset   user scale afterwards
//   DibujaTrazo             768     0..256        125, -128       (0, 256)-(768, 0)
//   DibujaTrazoEspectro     511     0..100        320, -50        (0, 256)-(511, 0)
//   DibujaTrazoImpresora    768     -256..256     62.5, 0         (left as the mapping)
//
// Bounds: a trace shorter than the routine's point count draws only the
// points it has (at their usual x positions; the logical width stays the
// routine's), a trace of fewer than 2 points draws nothing; nothing is read
// beyond the trace. The point buffer is allocated once (768 points) and
// reused: drawing does not allocate.
//
// The surface is a Canvas (a picture box, a printer page, a headless raster).
// The picture routines leave it in user units with the scale above; the
// printer routine restores the device context only when `restaurar` is true
// (otherwise the trace mapping stays in force for further drawing on the
// page), and then sets the page's scale back to the one it had on entry.
//
// Standard library only.
#pragma once

#include <cstdint>
#include <vector>

#include "orva/gdi.h"
#include "orva/gdi_canvas.h"

namespace orva::scope {

void DibujaTrazo(gdi::Canvas& picture, const std::vector<float>& traza, gdi::COLORREF color);
void DibujaTrazoEspectro(gdi::Canvas& picture, const std::vector<float>& traza,
                         gdi::COLORREF color);
void DibujaTrazoImpresora(gdi::Canvas& printer, const std::vector<float>& traza,
                          gdi::COLORREF color, bool restaurar);

// The trace-to-points conversion and the XY dot plotter the window uses.
// They forward to the board library's exports when it carries them
// (ORVA_RENDER_BOARD_ROUTINES, set by the build), otherwise to a local copy
// with the same semantics (board_routines.cpp).
void ReescalaLaSenal(gdi::POINT* puntos, const float* valores, std::int32_t n, double escala,
                     double offset);
// Plots y against x (0..256 over a w x h pixel area) one dot per sample
// i = 0, step, 2 step, ... below n - 1, through the surface's set-pixel call.
// A step below 1 is taken as 1.
void DibujaUnVectorXY2(OrvaSurface* surface, const float* x, const float* y, std::int32_t n,
                       std::uint32_t color, std::int32_t step, float alto, float ancho);

}  // namespace orva::scope
