// The host's figures: placed with the library's transforms, drawn as
// scaled pixel art in palette indices.
#include "tools/viewer/sprites.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

namespace quelm_viewer {

namespace {

constexpr int32_t kYard = 36;
constexpr int32_t kScrimmage = -15 * kYard;  // the -y 35-yard line

constexpr Marker player(int32_t x, int32_t yards_off, uint8_t team) {
    return {Marker::PLAYER, x, kScrimmage + yards_off, 0, team};
}

// An offence in shotgun with two wide receivers, a defence in a 4-3.
constexpr Marker kLineup[] = {
    {Marker::BALL, 0, kScrimmage, 0, 0},
    // offence: the line, tight end, backs, receivers
    player(-120, -24, 0), player(-60, -24, 0), player(0, -24, 0), player(60, -24, 0),
    player(120, -24, 0), player(190, -30, 0), player(0, -180, 0), player(70, -190, 0),
    player(-820, -30, 0), player(760, -30, 0), player(-560, -60, 0),
    // defence: the line, linebackers, corners, safeties
    player(-150, 30, 1), player(-50, 30, 1), player(50, 30, 1), player(150, 30, 1),
    player(-230, 170, 1), player(0, 180, 1), player(230, 170, 1), player(-800, 200, 1),
    player(740, 200, 1), player(-330, 520, 1), player(330, 560, 1),
};

// Pixel art, a row a string: each letter a role, '.' left alone.
constexpr std::array<std::string_view, 16> kPlayerArt = {
    "..HHHH..", ".HHHHHH.", ".HHFFSH.", "..HSSH..", ".JJJJJJ.", "JJJJJJJJ",
    "SJJNNJJS", "SJJNNJJS", "SJJJJJJS", ".JJJJJJ.", ".PPPPPP.", ".PP..PP.",
    ".PP..PP.", ".KK..KK.", ".KK..KK.", "BBB..BBB",
};
constexpr std::array<std::string_view, 4> kBallArt = {".LLLL.", "LLWWLL", "LLLLLL", ".LLLL."};

// Palette indices of the default palette's colour cube (64 + 32 r + 4 g + b,
// r 0-5, g 0-7, b 0-3) and grey ramp (0-31).
constexpr uint8_t cube(int r, int g, int b) { return uint8_t(64 + 32 * r + 4 * g + b); }
constexpr uint8_t kWhite = 31, kBlack = 1, kMask = 20, kShadow = 33;
constexpr uint8_t kSkin = cube(4, 4, 1);
constexpr uint8_t kLeather = cube(3, 2, 0);

struct Kit {
    uint8_t helmet, jersey, number, pants, socks;
};
constexpr Kit kKits[2] = {
    {cube(5, 6, 0), cube(5, 1, 0), kWhite, 28, cube(5, 1, 0)},  // gold and red
    {cube(0, 1, 2), cube(0, 2, 3), kWhite, 24, cube(0, 2, 3)},  // navy and blue
};

uint8_t role_colour(char role, const Kit &kit) {
    switch (role) {
    case 'H': return kit.helmet;
    case 'F': return kMask;
    case 'S': return kSkin;
    case 'J': return kit.jersey;
    case 'N': return kit.number;
    case 'P': return kit.pants;
    case 'K': return kit.socks;
    case 'W': return kWhite;
    case 'B': return kBlack;
    default: return kLeather;  // L
    }
}

uint8_t *row_of(quelm_tool::HostBitmap &picture, int y) {
    // Bottom-up rows, the usual DIB.
    return picture.bits.data() + size_t(picture.height - 1 - y) * size_t(picture.stride);
}

// The part of [from, from + length) inside [0, limit).
struct Span {
    int first, last;  // last exclusive
};
Span visible_span(int64_t from, int64_t length, int limit) {
    return {int(std::clamp<int64_t>(from, 0, limit)),
            int(std::clamp<int64_t>(from + length, 0, limit))};
}

// Scales the art to w x h pixels with its top-left corner at (left, top).
template <size_t Rows>
void blit_art(quelm_tool::HostBitmap &picture, const std::array<std::string_view, Rows> &art,
              const Kit &kit, int64_t left, int64_t top, int64_t w, int64_t h) {
    const int64_t art_w = int64_t(art[0].size()), art_h = int64_t(Rows);
    const Span xs = visible_span(left, w, picture.width), ys = visible_span(top, h, picture.height);
    for (int y = ys.first; y < ys.last; ++y) {
        const std::string_view line = art[size_t((y - top) * art_h / h)];
        uint8_t *row = row_of(picture, y);
        for (int x = xs.first; x < xs.last; ++x) {
            const char role = line[size_t((x - left) * art_w / w)];
            if (role == '.') continue;
            row[x] = role_colour(role, kit);
        }
    }
}

void draw_shadow(quelm_tool::HostBitmap &picture, int64_t cx, int64_t cy, int64_t half_w,
                 int64_t half_h) {
    if (half_w < 1 || half_h < 1) return;
    const Span ys = visible_span(cy - half_h, 2 * half_h + 1, picture.height);
    for (int y = ys.first; y < ys.last; ++y) {
        const double t = double(y - cy) / double(half_h);
        const int64_t reach = int64_t(double(half_w) * std::sqrt(std::max(0.0, 1 - t * t)));
        const Span xs = visible_span(cx - reach, 2 * reach + 1, picture.width);
        std::fill(row_of(picture, y) + xs.first, row_of(picture, y) + xs.last, kShadow);
    }
}

// The largest figure drawn: beyond it the camera is inside the player.
constexpr int32_t kMaxHeight = 8192;

}  // namespace

std::span<const Marker> lineup() { return kLineup; }

void place_markers(VANTAGE &view, std::span<const Marker> markers,
                   std::vector<PlacedMarker> &placed) {
    placed.clear();
    // Pixels per world unit in the target's plane, and that plane's distance.
    const double unit = view.QUELMY > 0 ? view.RESY / view.QUELMY : 0;
    for (const Marker &m : markers) {
        int32_t x = 0, y = 0;
        if (!WorldToScreen(&view, &x, &y, m.x, m.y, m.z)) continue;
        const int32_t distance = WorldToScreenZ(&view, m.x, m.y, m.z);
        if (distance <= 0) continue;
        const int32_t world_height = m.kind == Marker::BALL ? BALL_HEIGHT : PLAYER_HEIGHT;
        const double pixels = world_height * unit * view.CAMARA_DIST / distance;
        const int32_t height = int32_t(std::clamp(pixels, 1.0, double(kMaxHeight)));
        placed.push_back({&m, x, y, height, WorldToScreenZSquare(&view, m.x, m.y, m.z)});
    }
    std::stable_sort(placed.begin(), placed.end(),
                     [](const PlacedMarker &a, const PlacedMarker &b) {
                         return a.distance2 > b.distance2;
                     });
}

void draw_markers(quelm_tool::HostBitmap &picture, std::span<const PlacedMarker> placed) {
    for (const PlacedMarker &p : placed) {
        const int64_t h = p.height;
        if (p.marker->kind == Marker::BALL) {
            const int64_t w = std::max<int64_t>(h * 3 / 2, 2);
            blit_art(picture, kBallArt, kKits[0], p.x - w / 2, p.y - h + 1, w, h);
            continue;
        }
        const Kit &kit = kKits[p.marker->team & 1];
        const int64_t w = std::max<int64_t>(h / 2, 1);
        draw_shadow(picture, p.x + w / 4, p.y, w * 3 / 4, w / 5);
        blit_art(picture, kPlayerArt, kit, p.x - w / 2, p.y - h + 1, w, h);
    }
}

}  // namespace quelm_viewer
