/* gresk.h - the 8-bit convex polygon rasteriser that quelm draws through.
 *
 * quelm reaches the rasteriser only through ClipToRect and FillConvexPoly,
 * so a host may link any library that keeps the contract below.  On Windows
 * the calls live in GRESK32.DLL at ordinals 1 and 5, standard calling
 * convention.
 *
 * Fill convention (the rules are given in full where gresk implements them):
 * the fill contract is stated here once the rasteriser lands; it guarantees
 * no gaps between polygons sharing an edge, thin polygons and 2-point lines
 * that stay visible, and no write outside the bitmap whatever the points.
 */
#ifndef GRESK_H
#define GRESK_H

#include "quelm_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The most points ClipToRect leaves in a buffer. */
#define GRESK_MAX_POINTS 24

/* Request kinds of FillConvexPoly. */
#define GRESK_FILLPOLY 0   /* sFILLPOLY: flat fill with one palette index */
#define GRESK_PANELPOLY 1  /* sPANELPOLY: declared, not drawn */
#define GRESK_SHEARPOLY 2  /* sSHEARPOLY: declared, not drawn */

/* sFILLPOLY - flat fill. */
typedef struct sFILLPOLY {
    int32_t pic;    /* palette index to fill with */
    int32_t palidx; /* unused by the flat fill; callers set 0 */
} sFILLPOLY;

/* sPANELPOLY and sSHEARPOLY - requests that map a source bitmap; declared for
 * the interface, drawn by no request kind of this rasteriser. */
typedef struct sPANELPOLY {
    BITMAPINFO *tdib;
    void *tbits;
    int32_t tvertex, tix, tiy, tw, th, dix, diy, tsll, ty, tscnln, wscnln;
} sPANELPOLY;

typedef struct sSHEARPOLY {
    BITMAPINFO *tdib;
    void *tbits;
    int32_t tvx, tvy, tix, tiy, tw, th, dix, diy, outcodes, smx, isi, tsll, ty, tscnln, wscnln;
} sSHEARPOLY;

/* Clips the convex polygon in pts (count points) in place to the rectangle
 * left..right, top..bottom (edges inclusive, either order), leaving at most
 * GRESK_MAX_POINTS points and the new count in *count.  Result: the count. */
QUELM_EXTERN_C int32_t QUELMAPI ClipToRect(int32_t left, int32_t top, int32_t right,
                                           int32_t bottom, sSPOINT *pts, int32_t *count);

/* Fills the convex polygon pts[0..count-1] into the 8-bit DIB described by
 * pBMI and pBits.  kind selects the request record req points to; only
 * GRESK_FILLPOLY draws.  Result: 1 when something was drawn, else 0. */
QUELM_EXTERN_C int32_t QUELMAPI FillConvexPoly(BITMAPINFO *pBMI, uint8_t *pBits,
                                               sSPOINT *pts, int32_t count, int32_t kind,
                                               void *req);

#ifdef __cplusplus
}
#endif

#endif /* GRESK_H */
