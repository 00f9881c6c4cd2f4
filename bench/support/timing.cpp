#include "bench/support/timing.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <stdexcept>

#include "model/model.h"
#include "quelm_globalmem.h"
#include "stadium/stadium.h"

namespace quelm_bench {

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kShortest = 1e-3;  // seconds a turn should last at least
constexpr int kFewestRounds = 5;
constexpr int kMostRounds = 201;

double Seconds(const Way &way, int repeat) {
    if (!way.prepare) {
        const auto start = Clock::now();
        for (int i = 0; i < repeat; ++i) way.run();
        return std::chrono::duration<double>(Clock::now() - start).count() / repeat;
    }
    Clock::duration total{};
    for (int i = 0; i < repeat; ++i) {
        way.prepare();
        const auto start = Clock::now();
        way.run();
        total += Clock::now() - start;
    }
    return std::chrono::duration<double>(total).count() / repeat;
}

double MedianOf(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

double Rounds::Median(size_t m) const { return MedianOf(seconds.at(m)); }

double Rounds::MedianRatio(size_t a, size_t b) const {
    std::vector<double> ratios;
    for (size_t r = 0; r < seconds.at(a).size(); ++r)
        ratios.push_back(seconds[a][r] / seconds.at(b)[r]);
    return MedianOf(ratios);
}

Rounds RunRounds(const std::vector<Way> &ways, double budget) {
    std::vector<int> repeat;
    double round = 0;
    for (const Way &way : ways) {
        Seconds(way, 1);
        const double once = std::max(Seconds(way, 1), 1e-9);
        repeat.push_back(std::max(1, int(std::ceil(kShortest / once))));
        round += once * repeat.back();
    }
    const int rounds = std::clamp(int(budget / round), kFewestRounds, kMostRounds);
    Rounds result;
    result.seconds.assign(ways.size(), std::vector<double>(size_t(rounds)));
    for (int r = 0; r < rounds; ++r)
        for (size_t m = 0; m < ways.size(); ++m)
            result.seconds[m][size_t(r)] = Seconds(ways[m], repeat[m]);
    return result;
}

double MakeQuelmSeconds(int runs) {
    if (Model != nullptr) throw std::logic_error("MakeQuelmSeconds: a scene holds the model");
    Model = static_cast<MODEL *>(GlobalAllocLocked(sizeof(MODEL)));
    if (Model == nullptr) throw std::runtime_error("no memory for a model record");
    std::vector<double> times;
    bool built = true;
    for (int i = 0; i < runs && built; ++i) {
        const auto start = Clock::now();
        MakeQuelm(Model);
        times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        built = Model->iNumPolygons > 0;
        PolygonModelDiscard();
    }
    ReleaseQuelmSourceArt();
    GlobalFreeLocked(Model);
    Model = nullptr;
    if (!built) throw std::runtime_error("MakeQuelm built no polygons");
    return MedianOf(times);
}

}  // namespace quelm_bench
