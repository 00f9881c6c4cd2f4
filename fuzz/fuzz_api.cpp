// The public interface driven by a stream of operations, as a host with no
// sense could drive it: scenes, cameras, any double in any camera member, any
// render rectangle and bitmap, settings, timings, frames, transforms, spin
// steps, the dialog tables, the host's own polygons, cleared scenes and the
// projection called directly.  After every frame the scene's pools must hold
// their counts and name what is in use, divided points must be within the
// rasteriser's reach and nothing may be allocated; at the end of an input the
// heap must be back where it started.  What a fill may write into the bitmap
// is the rasteriser fuzzer's; here the bitmap has exactly the bytes its
// header describes, for the sanitizers.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "camera/camera.h"
#include "fuzz/fuzz_input.h"
#include "model/model.h"
#include "quelm_globalmem.h"
#include "quelm.h"
#include "scene/scene.h"

namespace {

constexpr int kSlots = 3;
constexpr int kMaxOps = 64;
constexpr int32_t kMaxBitmapSide = 512;
constexpr int32_t kScreenLimit = 15000;

struct Host {
    SCENE *scenes[kSlots] = {};
    CAMERA *cameras[kSlots] = {};
    CAMERA own{};  // a camera record of the host's own, never given to DestroyCamera
    std::vector<uint8_t> header;
    std::vector<uint8_t> bits;
};

void DefaultRect(CAMERA &camera) { camera.RenderRect = {0, 0, 159, 99}; }

SCENE *PickScene(FuzzInput &in, Host &host) { return host.scenes[in.below(kSlots)]; }

CAMERA *PickCamera(FuzzInput &in, Host &host) {
    const uint32_t slot = in.below(kSlots + 1);
    return slot < kSlots && host.cameras[slot] ? host.cameras[slot] : &host.own;
}

double *Member(CAMERA &c, uint32_t which) {
    double *const members[] = {&c.ViewDistance, &c.Xtarget, &c.Ytarget, &c.Ztarget,
                               &c.Xcamera,      &c.Ycamera,  &c.Zcamera, &c.Xn,
                               &c.Yn,           &c.Zn,       &c.BankAngle, &c.Magnification};
    return members[which % (sizeof members / sizeof members[0])];
}

void SetRect(FuzzInput &in, CAMERA &camera) {
    RECT &r = camera.RenderRect;
    switch (in.below(3)) {
    case 0: {  // as a host means it: the whole bitmap
        const int32_t w = 1 + static_cast<int32_t>(in.below(kMaxBitmapSide));
        const int32_t h = 1 + static_cast<int32_t>(in.below(kMaxBitmapSide));
        r = {0, 0, w - 1, h - 1};
        break;
    }
    case 1:
        r = {in.smallish(600), in.smallish(600), in.smallish(600), in.smallish(600)};
        break;
    default:
        r = {in.smallish(40000), in.smallish(40000), in.i32(), in.i32()};
        break;
    }
}

void SetSpinMember(FuzzInput &in, CAMERA &camera) {
    auto *spin = static_cast<SPINDEMO_VIEW *>(camera.Control);
    if (!spin) return;
    int32_t *const whole[] = {&spin->CameraRadius, &spin->TargetRadius, &spin->TW,
                              &spin->CameraHeight, &spin->TargetHeight, &spin->CameraStep,
                              &spin->TargetStep};
    double *const real[] = {&spin->Magnification, &spin->CameraAngle, &spin->TargetAngle};
    const uint32_t which = in.below(10);
    if (which < 7)
        *whole[which] = in.smallish(20000);
    else
        *real[which - 7] = in.f64();
}

// The bitmap a frame is drawn into: the rectangle's size when it has a
// drawable one and the input says so, else a size of its own; exactly as
// many bytes as the header describes.
BITMAPINFO *MakeBitmap(FuzzInput &in, Host &host, const CAMERA &camera) {
    const RECT &r = camera.RenderRect;
    const int64_t rw = int64_t{r.right} - r.left + 1, rh = int64_t{r.bottom} - r.top + 1;
    int64_t w, h;
    if (in.u8() < 160 && rw >= 1 && rw <= kMaxBitmapSide && rh >= 1 && rh <= kMaxBitmapSide) {
        w = rw;
        h = rh;
    } else {
        w = 1 + in.below(kMaxBitmapSide);
        h = 1 + in.below(kMaxBitmapSide);
    }
    host.header.assign(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
    auto *info = reinterpret_cast<BITMAPINFO *>(host.header.data());
    BITMAPINFOHEADER &bh = info->bmiHeader;
    bh.biSize = sizeof(BITMAPINFOHEADER);
    bh.biWidth = static_cast<LONG>(w);
    bh.biHeight = static_cast<LONG>(in.u8() & 1 ? -h : h);
    bh.biPlanes = 1;
    bh.biBitCount = in.u8() < 240 ? 8 : 24;
    bh.biCompression = BI_RGB;
    bh.biClrUsed = 256;
    const int64_t stride = (w + 3) & ~int64_t{3};
    host.bits.assign(bh.biBitCount == 8 ? static_cast<size_t>(stride * h) : 16, 0);
    return info;
}

// What a frame leaves in the scene.
void CheckScene(const SCENE &s) {
    FUZZ_CHECK(s.iScreenNumVerts >= 0 && s.iScreenNumVerts <= QUELM_MAX_VERTICES, "%d points",
               s.iScreenNumVerts);
    FUZZ_CHECK(s.iScreenNumEdges >= 0 && s.iScreenNumEdges <= QUELM_MAX_EDGES, "%d edges",
               s.iScreenNumEdges);
    FUZZ_CHECK(s.iScreenNumPolygons >= 0 && s.iScreenNumPolygons <= QUELM_MAX_POLYGONS,
               "%d polygons", s.iScreenNumPolygons);
    FUZZ_CHECK(s.iRapidPansLimit >= 0 && s.iRapidPansLimit <= 2, "limit %d", s.iRapidPansLimit);
    FUZZ_CHECK(s.iRapidPansTally >= 0, "tally %d", s.iRapidPansTally);
    for (int32_t i = 0; i < s.iScreenNumPolygons; ++i) {
        const POLYGONLIST &p = s.ScenePolygonList[i];
        FUZZ_CHECK(p.numv >= 0 && p.numv <= QUELM_MAX_POLYGON_VERTICES, "surface %d: %d corners",
                   i, p.numv);
        if (p.visible & VIS_DRAW) FUZZ_CHECK(p.numv >= 2, "surface %d drawn with %d", i, p.numv);
        for (int32_t j = 0; j < p.numv; ++j) {
            FUZZ_CHECK(p.v[j] >= 0 && p.v[j] < s.iScreenNumVerts, "surface %d point %d", i,
                       p.v[j]);
            FUZZ_CHECK(p.e[j] >= 0 && p.e[j] < s.iScreenNumEdges, "surface %d edge %d", i,
                       p.e[j]);
        }
    }
    // Pans shift last frame's points; what the projection itself divides is
    // pulled within reach.
    if (s.iRapidPansTally != 0) return;
    for (int32_t i = 0; i < s.iScreenNumVerts; ++i) {
        if ((s.PointList[i].visible & (PT_DIVIDE | PT_OUTSIDE)) != (PT_DIVIDE | PT_OUTSIDE))
            continue;
        const sSPOINT &sp = s.ScreenPointList[i];
        FUZZ_CHECK(std::abs(sp.x) <= kScreenLimit && std::abs(sp.y) <= kScreenLimit,
                   "point %d at (%d, %d)", i, sp.x, sp.y);
    }
}

void Render(FuzzInput &in, Host &host, SCENE *scene, CAMERA &camera) {
    BITMAPINFO *info = MakeBitmap(in, host, camera);
    const long allocations = QuelmGlobalAllocations();
    RenderScene(info, host.bits.data(), &camera, scene);
    FUZZ_CHECK(QuelmGlobalAllocations() == allocations, "a frame allocated");
    CheckScene(*scene);
}

void Transforms(FuzzInput &in, SCENE *scene) {
    VANTAGE *p = &scene->Perspective;
    const int32_t x = in.smallish(30000), y = in.smallish(30000), z = in.smallish(30000);
    constexpr int32_t kUntouched = 0x5EED;
    int32_t xs = kUntouched, ys = kUntouched;
    const int32_t seen = WorldToScreen(p, &xs, &ys, x, y, z);
    FUZZ_CHECK(seen == 0 || seen == 1, "WorldToScreen %d", seen);
    if (!seen) FUZZ_CHECK(xs == kUntouched && ys == kUntouched, "refused point written");
    double xc, yc, zc;
    WorldToCamera(p, &xc, &yc, &zc, x, y, z);
    const double cx = in.f64(), cy = in.f64(), cz = in.f64();
    CameraToScreen(p, &xs, &ys, cx, cy, cz);
    WorldToScreenZSquare(p, x, y, z);
    FUZZ_CHECK(WorldToScreenZ(p, x, y, z) >= 0, "negative distance");
}

// The dialogs' tables, filled from the camera or given to it.
void Tables(FuzzInput &in, CAMERA &camera, bool spin) {
    if (in.u8() & 1) {
        spin ? ChangeSpinDemo(&camera) : ChangeView(&camera);
    } else if (spin) {
        for (SPINDEMO_FEATURES &f : SpinDemoFeature) f.value = in.smallish(20000);
        SpinDemoChanged(&camera);
    } else {
        for (COORDS &c : CoordinateSystem) c.value = in.smallish(20000);
        ViewChanged(&camera);
        FUZZ_CHECK(camera.Magnification == CoordinateSystem[8].value / 1000.0,
                   "magnification from the table");
    }
}

void WalkSurfaces(SCENE *scene) {
    for (int32_t n = PolygonSceneFirstSurface(scene); n != 0; n = PolygonSceneNextSurface(scene)) {
        FUZZ_CHECK(n >= 1 && n <= QUELM_MAX_POLYGON_VERTICES, "walk gave %d corners", n);
        sSPOINT point;
        for (int32_t j = 0; j < n; ++j) PolygonSceneScreenPoint(scene, j, &point);
    }
}

// Plan bits and their neighbours most of the time; any mask otherwise.
int32_t SettingsMask(FuzzInput &in) {
    const uint8_t how = in.u8();
    if (how < 200) return static_cast<int32_t>(PLAN_NEAR << (how % 8));
    return in.i32();
}

// A host's own geometry added to the shared model: polygons of 0 to 9
// corners (the store refuses what it cannot hold) around a point near the
// field, now and then with extreme coordinates, enough of them at times to
// fill the pools, so that near-plane cuts run out of room.
void AddPolygons(FuzzInput &in) {
    if (!Model) return;
    PolygonModelSetDefaultMaterial(in.i32());
    PolygonModelSetDefaultVisibility(in.u8() < 200 ? SettingsMask(in) | VIS_DRAW : in.i32());
    const uint32_t polygons = in.u8() < 240 ? 1 + in.below(16) : 1 + in.below(1200);
    const int32_t cx = static_cast<int32_t>(in.below(6001)) - 3000;
    const int32_t cy = static_cast<int32_t>(in.below(6001)) - 3000;
    const uint32_t spread = 1 + in.below(2000);
    const auto near = [&](int32_t centre) {
        return centre + static_cast<int32_t>(in.below(2 * spread + 1)) - static_cast<int32_t>(spread);
    };
    for (uint32_t p = 0; p < polygons; ++p) {
        const uint32_t corners = in.below(10);
        VERTEX3D *verts = new VERTEX3D[corners];  // exactly the corners given
        for (uint32_t c = 0; c < corners; ++c) {
            const bool extreme = in.u8() >= 250;
            verts[c].x = extreme ? in.i32() : near(cx);
            verts[c].y = extreme ? in.i32() : near(cy);
            verts[c].z = extreme ? in.i32() : static_cast<int32_t>(in.below(600));
            verts[c].visible = 0;
        }
        PolygonModelAdd(static_cast<int32_t>(corners), verts);
        delete[] verts;
    }
    FUZZ_CHECK(Model->iNumVerts <= QUELM_MAX_VERTICES && Model->iNumEdges <= QUELM_MAX_EDGES &&
                   Model->iNumPolygons <= QUELM_MAX_POLYGONS,
               "model of %d vertices, %d edges, %d polygons", Model->iNumVerts,
               Model->iNumEdges, Model->iNumPolygons);
}

void Step(FuzzInput &in, Host &host) {
    const uint32_t op = in.below(22);
    switch (op) {
    case 0: {
        SCENE *&slot = host.scenes[in.below(kSlots)];
        if (!slot) slot = InitScene();
        break;
    }
    case 1: {
        SCENE *&slot = host.scenes[in.below(kSlots)];
        DestroyScene(slot);  // null too: it is ignored
        slot = nullptr;
        break;
    }
    case 2: {
        CAMERA *&slot = host.cameras[in.below(kSlots)];
        if (slot) break;
        slot = InitCamera(in.smallish(3));
        if (slot) DefaultRect(*slot);
        break;
    }
    case 3: {
        CAMERA *&slot = host.cameras[in.below(kSlots)];
        if (slot) DestroyCamera(slot);
        slot = nullptr;
        break;
    }
    case 4: {
        CAMERA *camera = PickCamera(in, host);
        double *member = Member(*camera, in.u8());
        *member = in.f64();
        break;
    }
    case 5:
        SetRect(in, *PickCamera(in, host));
        break;
    case 6:
        if (SCENE *scene = PickScene(in, host)) {
            const int32_t mask = SettingsMask(in);
            if (in.u8() & 1)
                SetSceneSetting(scene, mask);
            else
                ResetSceneSetting(scene, mask);
            const uint32_t got = static_cast<uint32_t>(GetSceneSetting(scene, mask));
            FUZZ_CHECK(got == (scene->SceneSettings & static_cast<uint32_t>(mask)), "settings");
        }
        break;
    case 7:
        if (SCENE *scene = PickScene(in, host)) {
            const int32_t want = in.smallish(100), took = in.smallish(100);
            RenderRate(scene, want, took);
            FUZZ_CHECK(scene->iRapidPansLimit >= 0 && scene->iRapidPansLimit <= 2, "limit %d",
                       scene->iRapidPansLimit);
        }
        break;
    case 8:
    case 9:
    case 10:
        if (SCENE *scene = PickScene(in, host)) Render(in, host, scene, *PickCamera(in, host));
        break;
    case 11:
        if (SCENE *scene = PickScene(in, host)) {
            const int32_t changes = SetView(PickCamera(in, host), &scene->Perspective);
            FUZZ_CHECK(changes >= -1 && changes <= 7, "SetView %d", changes);
        }
        break;
    case 12:
        if (SCENE *scene = PickScene(in, host)) Transforms(in, scene);
        break;
    case 13: {
        CAMERA *camera = PickCamera(in, host);
        for (uint32_t n = 1 + in.below(8); n > 0; --n) {
            if (in.u8() & 1)
                UpdateCamera(camera, in.i32(), 0.5);
            else
                UpdateCameraTime(camera);
        }
        break;
    }
    case 14:
        SetSpinMember(in, *PickCamera(in, host));
        break;
    case 15: {
        CAMERA *camera = PickCamera(in, host);
        ChangeCamera(camera, in.smallish(3));
        break;
    }
    case 16:
    case 17:
        Tables(in, *PickCamera(in, host), op == 17);
        break;
    case 18:
        if (SCENE *scene = PickScene(in, host)) WalkSurfaces(scene);
        FUZZ_CHECK(CameraTerm(PickCamera(in, host)) != nullptr, "no term");
        break;
    case 19:
        AddPolygons(in);
        break;
    case 20:
        if (SCENE *scene = PickScene(in, host)) PolygonSceneClear(scene);
        break;
    default:
        // The projection driven directly, with any change bits.
        if (SCENE *scene = PickScene(in, host); scene && Model) {
            AddModelToScene(scene, Model, in.i32());
            CheckScene(*scene);
        }
        break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const long blocks = QuelmGlobalBlocksLive();
    // The dialogs' tables outlive an input; start each from the same place.
    for (COORDS &c : CoordinateSystem) c.value = 0;
    for (SPINDEMO_FEATURES &f : SpinDemoFeature) f.value = 0;

    FuzzInput in(data, size);
    Host host;
    host.own.View = VIEW_DOLLY;
    host.own.Xcamera = 300;
    host.own.Ycamera = -3000;
    host.own.Zcamera = 1200;
    host.own.Magnification = 0.05;
    DefaultRect(host.own);
    for (int op = 0; op < kMaxOps && !in.empty(); ++op) Step(in, host);

    for (CAMERA *camera : host.cameras)
        if (camera) DestroyCamera(camera);
    // The host's own camera gives back a spin record it was given.
    if (host.own.Control) ChangeCamera(&host.own, VIEW_IDLE);
    for (SCENE *scene : host.scenes) DestroyScene(scene);
    FUZZ_CHECK(Model == nullptr && SceneryCount == 0, "model %p with %d scenes",
               static_cast<void *>(Model), SceneryCount);
    FUZZ_CHECK(QuelmGlobalBlocksLive() == blocks, "%ld blocks left",
               QuelmGlobalBlocksLive() - blocks);
    return 0;
}
