// alternatives.h - the same polygons filled by Cairo and by OSMesa, for the
// comparison with gresk.  Each gets the polygons FillConvexPoly got (after
// ClipToRect), in the same order; polygons of fewer than three corners,
// which gresk draws as lines and dots, are left out.
#ifndef QUELM_BENCH_COMPARE_ALTERNATIVES_H
#define QUELM_BENCH_COMPARE_ALTERNATIVES_H

#include <memory>
#include <string>

#include "bench/support/bench_frame.h"

namespace quelm_compare {

// Cairo, antialiasing off, on an A8 image surface of the frame's size; the
// palette index goes in as the alpha value, written with the SOURCE
// operator.
class CairoFill {
public:
    explicit CairoFill(const quelm_bench::RecordedFrame &frame);
    ~CairoFill();
    CairoFill(const CairoFill &) = delete;
    CairoFill &operator=(const CairoFill &) = delete;

    void Draw();  // the frame's polygons, flushed to the surface

private:
    struct State;
    std::unique_ptr<State> state_;
};

// OSMesa drawing the polygons as flat 2-D triangles, one batch per frame
// from a vertex buffer filled beforehand, no depth test, into its RGBA
// buffer (4 bytes a pixel).  The software rasteriser reads its thread count
// (LP_NUM_THREADS) once per process, when the first context is made.
class MesaFill {
public:
    explicit MesaFill(const quelm_bench::RecordedFrame &frame);
    ~MesaFill();
    MesaFill(const MesaFill &) = delete;
    MesaFill &operator=(const MesaFill &) = delete;

    void Draw();  // the frame's triangles, finished

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace quelm_compare

#endif
