/* A drawing surface handed across a plain-C boundary.
 *
 * The board library draws XY figures one pixel at a time on a surface it does
 * not own and must not depend on the window toolkit for. It receives this
 * small record: an opaque context and a set-pixel callback. The window's
 * device-context layer fills one in from a device context
 * (orva::gdi::MakeSurface in <orva/gdi.h>); the callee calls
 *   surface->set_pixel(surface->context, x, y, colour)
 * for each dot. x and y are device pixels (column, row from the top-left
 * corner, mapped through the device context's current mapping); colour is
 * 0x00BBGGRR (the high byte is ignored). Dots off the surface are dropped by
 * the callback, so a caller never needs to clip. A null set_pixel means
 * "draw nothing".
 *
 * The same layout may be declared by another header under the same guard
 * macro, so that a plain-C library can carry its own copy of it.
 */
#ifndef ORVA_SURFACE_DEFINED
#define ORVA_SURFACE_DEFINED

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OrvaSurface {
  void* context;
  void (*set_pixel)(void* context, int32_t x, int32_t y, uint32_t colour_bgr);
} OrvaSurface;

#ifdef __cplusplus
}
#endif

#endif /* ORVA_SURFACE_DEFINED */
