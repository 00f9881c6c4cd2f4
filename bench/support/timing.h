// timing.h - timing several ways of doing one piece of work in the same run:
// the ways take turns, round after round, so that a ratio taken within a
// round sees the same machine on both sides.
#ifndef QUELM_BENCH_SUPPORT_TIMING_H
#define QUELM_BENCH_SUPPORT_TIMING_H

#include <cstddef>
#include <functional>
#include <vector>

namespace quelm_bench {

struct Rounds {
    // seconds[m][r]: one run of way m in round r.
    std::vector<std::vector<double>> seconds;

    double Median(size_t m) const;
    // The median over the rounds of way a's time over way b's.
    double MedianRatio(size_t a, size_t b) const;
};

struct Way {
    std::function<void()> run;
    // Puts things back before every run, untimed; may be empty.
    std::function<void()> prepare = {};
};

// Runs every way once to warm up, then in turns for about `budget` seconds
// (5 rounds at least, 201 at most).  A way quicker than a millisecond is
// repeated within its turn and its time divided.
Rounds RunRounds(const std::vector<Way> &ways, double budget);

// The median time of `runs` builds of the stadium model by MakeQuelm, on a
// model record of its own; only while no scene holds the shared model.
double MakeQuelmSeconds(int runs);

}  // namespace quelm_bench

#endif
