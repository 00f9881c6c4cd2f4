// Layers of coplanar faces in painting order, in exact integer arithmetic.
#include "tools/quelm/layers.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace quelm_tool {

namespace {

using Vec = std::array<int64_t, 3>;
using Point2 = std::array<int64_t, 2>;

Vec at(const WorldPoint &p) { return {p.x, p.y, p.z}; }

int64_t dot(const Vec &a, const Vec &b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

struct Plane {
    Vec normal{};  // zero for a stroke or a degenerate face
    int64_t offset = 0;
    int drop = 2;  // the coordinate left out when the plane is flattened
};

// Newell's normal: exact for integer corners, and the right one for a
// convex polygon in the model's winding.
Plane plane_of(const Face &face) {
    Plane plane;
    const size_t n = face.corners.size();
    if (n < 3) return plane;
    for (size_t i = 0; i < n; ++i) {
        const Vec a = at(face.corners[i]), b = at(face.corners[(i + 1) % n]);
        plane.normal[0] += (a[1] - b[1]) * (a[2] + b[2]);
        plane.normal[1] += (a[2] - b[2]) * (a[0] + b[0]);
        plane.normal[2] += (a[0] - b[0]) * (a[1] + b[1]);
    }
    plane.offset = dot(plane.normal, at(face.corners[0]));
    int64_t largest = -1;
    for (int k = 0; k < 3; ++k)
        if (std::llabs(plane.normal[k]) > largest) {
            largest = std::llabs(plane.normal[k]);
            plane.drop = k;
        }
    return plane;
}

bool flat(const Plane &plane) { return plane.normal != Vec{0, 0, 0}; }

bool lies_in(const Plane &plane, const Face &face) {
    return std::all_of(face.corners.begin(), face.corners.end(), [&](const WorldPoint &p) {
        return dot(plane.normal, at(p)) == plane.offset;
    });
}

struct Box {
    Vec lo, hi;
};

Box box_of(const Face &face) {
    Box box{at(face.corners[0]), at(face.corners[0])};
    for (const WorldPoint &p : face.corners)
        for (int k = 0; k < 3; ++k) {
            box.lo[k] = std::min(box.lo[k], at(p)[k]);
            box.hi[k] = std::max(box.hi[k], at(p)[k]);
        }
    return box;
}

bool boxes_meet(const Box &a, const Box &b) {
    for (int k = 0; k < 3; ++k)
        if (a.hi[k] < b.lo[k] || b.hi[k] < a.lo[k]) return false;
    return true;
}

std::vector<Point2> flatten(const Face &face, int drop) {
    std::vector<Point2> out;
    for (const WorldPoint &p : face.corners) {
        const Vec v = at(p);
        out.push_back({v[drop == 0 ? 1 : 0], v[drop == 2 ? 1 : 2]});
    }
    return out;
}

// True when no edge direction of `edges` separates the two convex shapes;
// touching counts as separated.
bool no_separating_edge(const std::vector<Point2> &edges, const std::vector<Point2> &a,
                        const std::vector<Point2> &b) {
    const size_t count = edges.size() == 2 ? 1 : edges.size();
    for (size_t i = 0; i < count; ++i) {
        const Point2 &p = edges[i], &q = edges[(i + 1) % edges.size()];
        const Point2 axis = {p[1] - q[1], q[0] - p[0]};
        if (axis[0] == 0 && axis[1] == 0) continue;
        const auto range = [&](const std::vector<Point2> &shape) {
            int64_t lo = INT64_MAX, hi = INT64_MIN;
            for (const Point2 &s : shape) {
                const int64_t d = s[0] * axis[0] + s[1] * axis[1];
                lo = std::min(lo, d);
                hi = std::max(hi, d);
            }
            return std::array<int64_t, 2>{lo, hi};
        };
        const auto ra = range(a), rb = range(b);
        if (ra[1] <= rb[0] || rb[1] <= ra[0]) return false;
    }
    return true;
}

bool insides_overlap(const std::vector<Point2> &a, const std::vector<Point2> &b) {
    return no_separating_edge(a, a, b) && no_separating_edge(b, a, b);
}

std::array<double, 3> shown_side(const Plane &plane) {
    const double length = std::sqrt(double(dot(plane.normal, plane.normal)));
    // The model winds its faces clockwise as seen from the side they show.
    return {-double(plane.normal[0]) / length, -double(plane.normal[1]) / length,
            -double(plane.normal[2]) / length};
}

}  // namespace

std::vector<Lift> coplanar_layers(std::span<const Face> faces) {
    std::vector<Plane> planes;
    std::vector<Box> boxes;
    for (const Face &f : faces) {
        planes.push_back(plane_of(f));
        boxes.push_back(box_of(f));
    }
    std::vector<Lift> lifts(faces.size());
    for (size_t i = 0; i < faces.size(); ++i) {
        Lift &lift = lifts[i];
        for (size_t j = 0; j < i; ++j) {
            if (lifts[j].layer + 1 <= lift.layer || !boxes_meet(boxes[i], boxes[j])) continue;
            const Plane &plane = flat(planes[i]) ? planes[i] : planes[j];
            if (!flat(plane) || !lies_in(plane, faces[i]) || !lies_in(plane, faces[j])) continue;
            if (!insides_overlap(flatten(faces[i], plane.drop), flatten(faces[j], plane.drop)))
                continue;
            lift.layer = lifts[j].layer + 1;
            lift.direction = flat(planes[i]) ? shown_side(planes[i]) : shown_side(planes[j]);
        }
    }
    return lifts;
}

}  // namespace quelm_tool
