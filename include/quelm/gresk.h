/** @file
 * gresk.h - the 8-bit convex polygon rasteriser that quelm draws through.
 *
 * quelm reaches the rasteriser only through ClipToRect and FillConvexPoly,
 * so a host may link any library that keeps the contract below.  On Windows
 * the calls live in GRESK32.DLL at ordinals 1 and 5, standard calling
 * convention.
 *
 * Fill convention.  A screen point (x, y) is the centre of the pixel in
 * column x, row y; row 0 is the top row of the bitmap whether its rows are
 * stored bottom-up (positive biHeight) or top-down (negative biHeight).
 *
 * - A pixel is drawn when its closed square [x - 1/2, x + 1/2] x
 *   [y - 1/2, y + 1/2] meets the closed polygon.  The fill is half a pixel
 *   generous all round; a rectangle with corners (l, t) and (r, b) still
 *   fills exactly (r - l + 1) x (b - t + 1) pixels, the same inclusive
 *   bounds that ClipToRect cuts to.
 * - Decided in integers, exactly, so it does not depend on the order or
 *   direction the points are listed in.  No cracks: polygons sharing an edge
 *   both draw the pixels along it, and where a corner of one polygon lies
 *   less than a pixel (in each axis) off another's edge, as at a T-junction
 *   cut to whole pixels, the sliver between them never holds a whole pixel
 *   square, so it is covered.
 * - Thin shapes stay visible: every shape meets some pixel square.  A
 *   2-point polygon draws a line with no gaps, both end points included; a
 *   1-point polygon draws one pixel.
 * - Nothing is ever written outside the bitmap or into its row padding,
 *   whatever the points.  Non-convex input draws something unspecified,
 *   within the bitmap.
 */
#ifndef GRESK_H
#define GRESK_H

#include "quelm_types.h"
#include "quelm_names.h"

#ifdef __cplusplus
extern "C" {
#endif

/** The most points ClipToRect leaves in a buffer. */
#define GRESK_MAX_POINTS 24

/** Request kinds of FillConvexPoly. @{ */
#define GRESK_FILLPOLY 0   /**< sFILLPOLY: flat fill with one palette index */
#define GRESK_PANELPOLY 1  /**< sPANELPOLY: declared, not drawn */
#define GRESK_SHEARPOLY 2  /**< sSHEARPOLY: declared, not drawn */
/** @} */

/** The flat-fill request (GRESK_FILLPOLY). */
typedef struct sFILLPOLY {
    int32_t pic;    /**< palette index to fill with */
    int32_t palidx; /**< unused by the flat fill; callers set 0 */
} sFILLPOLY;

/** A request that maps a source bitmap onto a panel (GRESK_PANELPOLY);
 * declared for the interface, drawn by no request kind of this rasteriser. */
typedef struct sPANELPOLY {
    BITMAPINFO *tdib; /**< the source bitmap's header and colour table */
    void *tbits;      /**< its pixel rows */
    /** Placement of the source on the polygon, unused here. @{ */
    int32_t tvertex, tix, tiy, tw, th, dix, diy, tsll, ty, tscnln, wscnln;
    /** @} */
} sPANELPOLY;

/** A request that maps a source bitmap with a shear (GRESK_SHEARPOLY);
 * declared for the interface, drawn by no request kind of this rasteriser. */
typedef struct sSHEARPOLY {
    BITMAPINFO *tdib; /**< the source bitmap's header and colour table */
    void *tbits;      /**< its pixel rows */
    /** Placement of the source on the polygon, unused here. @{ */
    int32_t tvx, tvy, tix, tiy, tw, th, dix, diy, outcodes, smx, isi, tsll, ty, tscnln, wscnln;
    /** @} */
} sSHEARPOLY;

/** Clips the convex polygon in pts (count points) in place to the rectangle
 * left..right, top..bottom (edges inclusive, either order), leaving at most
 * GRESK_MAX_POINTS points and the new count in *count.  Result: the count;
 * no state is kept between calls.
 * A polygon wholly inside is left untouched.  A new corner lies where an edge
 * meets a side of the rectangle, its other coordinate rounded from the exact
 * crossing to the nearest whole pixel (halves towards the larger value); the
 * result does not depend on which way the edge is listed, so polygons sharing
 * an edge still share it after clipping.  2 points are clipped as a segment, 1 point is kept or
 * dropped.  A count below 1 or above GRESK_MAX_POINTS, or a result that would
 * need more than GRESK_MAX_POINTS points, leaves 0. */
QUELM_EXTERN_C int32_t QUELMAPI ClipToRect(int32_t left, int32_t top, int32_t right,
                                           int32_t bottom, sSPOINT *pts, int32_t *count);

/** Fills the convex polygon pts[0..count-1] into the 8-bit DIB described by
 * pBMI and pBits (uncompressed, 8 bits per pixel, rows padded to 4 bytes)
 * with the palette index pic & 0xFF of the sFILLPOLY that req points to, by
 * the convention above.  kind selects the request record; only
 * GRESK_FILLPOLY draws.  Other bit depths, compressed bitmaps, null pointers
 * and counts outside 1..GRESK_MAX_POINTS draw nothing.  Result: 1 when a
 * pixel was written, else 0. */
QUELM_EXTERN_C int32_t QUELMAPI FillConvexPoly(BITMAPINFO *pBMI, uint8_t *pBits,
                                               sSPOINT *pts, int32_t count, int32_t kind,
                                               void *req);

#ifdef __cplusplus
}
#endif

#include "quelm_names_end.h"

#endif /* GRESK_H */
