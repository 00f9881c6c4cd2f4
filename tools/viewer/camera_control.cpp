// Moving a dolly camera.
#include "tools/viewer/camera_control.h"

#include <algorithm>
#include <cmath>

namespace quelm_viewer {

namespace {

void clamp_point(double &x, double &y, double &z) {
    x = std::clamp(x, -WORLD_LIMIT, WORLD_LIMIT);
    y = std::clamp(y, -WORLD_LIMIT, WORLD_LIMIT);
    z = std::clamp(z, -WORLD_LIMIT, WORLD_LIMIT);
}

// Moves camera and target by the same amount, shortened on each axis so
// that neither leaves the world: at its edge they stop together, the line
// of sight unchanged.
void shift(CAMERA &c, double dx, double dy, double dz) {
    auto allowed = [](double d, double a, double b) {
        return std::clamp(d, -WORLD_LIMIT - std::min(a, b), WORLD_LIMIT - std::max(a, b));
    };
    dx = allowed(dx, c.Xcamera, c.Xtarget);
    dy = allowed(dy, c.Ycamera, c.Ytarget);
    dz = allowed(dz, c.Zcamera, c.Ztarget);
    c.Xcamera += dx;
    c.Ycamera += dy;
    c.Zcamera += dz;
    c.Xtarget += dx;
    c.Ytarget += dy;
    c.Ztarget += dz;
}

// The line of sight on the ground, unit length; along +y when the camera
// looks straight down.
void ground_forward(const CAMERA &c, double &x, double &y) {
    x = c.Xtarget - c.Xcamera;
    y = c.Ytarget - c.Ycamera;
    const double length = std::hypot(x, y);
    if (length < 1e-9) {
        x = 0;
        y = 1;
        return;
    }
    x /= length;
    y /= length;
}

}  // namespace

void place_start_view(CAMERA &camera, int width, int height) {
    camera.Xcamera = -1900;
    camera.Ycamera = -2300;
    camera.Zcamera = 1300;
    camera.Xtarget = 0;
    camera.Ytarget = -300;
    camera.Ztarget = 0;
    camera.BankAngle = 0;
    camera.ViewDistance = std::trunc(camera_distance(camera));
    // About 4000 inches across the target's plane, whatever the window.
    camera.Magnification = std::clamp(std::min(width / 4000.0, height / 2500.0),
                                      MIN_MAGNIFICATION, MAX_MAGNIFICATION);
    camera.RenderRect = {0, 0, width - 1, height - 1};
}

int32_t view_changes(const CAMERA &camera, const VANTAGE &perspective) {
    CAMERA c = camera;
    VANTAGE p = perspective;
    return SetView(&c, &p);
}

double camera_distance(const CAMERA &c) {
    return std::sqrt((c.Xcamera - c.Xtarget) * (c.Xcamera - c.Xtarget) +
                     (c.Ycamera - c.Ytarget) * (c.Ycamera - c.Ytarget) +
                     (c.Zcamera - c.Ztarget) * (c.Zcamera - c.Ztarget));
}

void screen_right(const CAMERA &camera, double &x, double &y) {
    // The library's picture has world +y to the left of a camera looking
    // along -x: right is the line of sight turned a quarter to +y's side.
    double fx = 0, fy = 0;
    ground_forward(camera, fx, fy);
    x = -fy;
    y = fx;
}

void orbit(CAMERA &c, double yaw, double pitch) {
    const double distance = std::max(camera_distance(c), MIN_DISTANCE);
    const double dx = c.Xcamera - c.Xtarget, dy = c.Ycamera - c.Ytarget;
    const double dz = c.Zcamera - c.Ztarget;
    const double heading = std::atan2(dy, dx) + yaw;
    double elevation = std::asin(std::clamp(dz / distance, -1.0, 1.0)) + pitch;
    // Not straight down (the view's up axis would be lost), and not under
    // the ground.
    const double lowest =
        std::asin(std::clamp((MIN_EYE_HEIGHT - c.Ztarget) / distance, -1.0, 1.0));
    elevation = std::clamp(elevation, std::max(lowest, -MAX_PITCH), MAX_PITCH);
    if (lowest > MAX_PITCH) elevation = MAX_PITCH;
    c.Xcamera = c.Xtarget + distance * std::cos(elevation) * std::cos(heading);
    c.Ycamera = c.Ytarget + distance * std::cos(elevation) * std::sin(heading);
    c.Zcamera = c.Ztarget + distance * std::sin(elevation);
    clamp_point(c.Xcamera, c.Ycamera, c.Zcamera);
}

void turn(CAMERA &c, double right, double up) {
    double rx = 0, ry = 0;
    screen_right(c, rx, ry);
    c.Xtarget += rx * right;
    c.Ytarget += ry * right;
    c.Ztarget += up;
    clamp_point(c.Xtarget, c.Ytarget, c.Ztarget);
}

void walk(CAMERA &c, double forward, double right) {
    double fx = 0, fy = 0;
    ground_forward(c, fx, fy);
    shift(c, fx * forward - fy * right, fy * forward + fx * right, 0);
}

void rise(CAMERA &c, double up) { shift(c, 0, 0, up); }

void move_in(CAMERA &c, double factor) {
    const double distance = camera_distance(c);
    if (distance <= 0) return;
    const double wanted = std::max(distance * factor, MIN_DISTANCE);
    const double k = wanted / distance;
    c.Xcamera = c.Xtarget + (c.Xcamera - c.Xtarget) * k;
    c.Ycamera = c.Ytarget + (c.Ycamera - c.Ytarget) * k;
    const double height = c.Zcamera;
    c.Zcamera = c.Ztarget + (c.Zcamera - c.Ztarget) * k;
    // Moving in along a line of sight that slopes down stops just above the
    // ground rather than sinking into it.
    if (height >= MIN_EYE_HEIGHT && c.Zcamera < MIN_EYE_HEIGHT) c.Zcamera = MIN_EYE_HEIGHT;
    clamp_point(c.Xcamera, c.Ycamera, c.Zcamera);
}

void zoom(CAMERA &c, double factor) {
    c.Magnification = std::clamp(c.Magnification * factor, MIN_MAGNIFICATION, MAX_MAGNIFICATION);
}

}  // namespace quelm_viewer
