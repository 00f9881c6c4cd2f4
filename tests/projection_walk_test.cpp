// Long camera walks on the benchmarks' views, with both loaders: complete
// reprojections, rapid pans (at every pan limit) and still frames, against
// digests of the whole projected state after every frame (u, v, w bits
// included).  The digests in tests/data/projection_walks.txt were taken
// before the projection stages were tuned for speed; a change of any result
// shows here.  QUELM_UPDATE_WALKS=1 rewrites the file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>

#include "common/views.h"
#include "model/model.h"

namespace {

// FNV-1a over raw bytes.
struct Digest {
    uint64_t h = 0xcbf29ce484222325ull;
    void Add(const void *data, size_t bytes) {
        const auto *p = static_cast<const unsigned char *>(data);
        for (size_t i = 0; i < bytes; ++i) h = (h ^ p[i]) * 0x100000001b3ull;
    }
    template <class T>
    void Add(const T &value) {
        Add(&value, sizeof value);
    }
};

void AddState(Digest &d, const SCENE *s) {
    d.Add(s->iScreenNumVerts);
    d.Add(s->iScreenNumEdges);
    d.Add(s->iScreenNumPolygons);
    d.Add(s->iRapidPansTally);
    for (int32_t i = 0; i < s->iScreenNumVerts; ++i) {
        const POINT3D &p = s->PointList[i];
        // Member by member: the record's padding holds nothing.
        d.Add(p.u);
        d.Add(p.v);
        d.Add(p.w);
        d.Add(p.visible);
        d.Add(s->ScreenPointList[i].x);
        d.Add(s->ScreenPointList[i].y);
    }
    for (int32_t i = 0; i < s->iScreenNumEdges; ++i) {
        d.Add(s->EdgeList[i].a);
        d.Add(s->EdgeList[i].b);
        d.Add(s->EdgeList[i].act);
    }
    for (int32_t i = 0; i < s->iScreenNumPolygons; ++i) {
        const POLYGONLIST &p = s->ScenePolygonList[i];
        d.Add(p.visible);
        d.Add(p.numv);
        for (int32_t j = 0; j < p.numv && j < 7; ++j) {
            d.Add(p.v[j]);
            d.Add(p.e[j]);
        }
    }
}

struct WalkResult {
    uint64_t digest;
    int pans;  // frames that ended on a rapid pan
};

// The walk: 240 frames of small random moves of the camera, the target, both
// or neither, with the pan limit stepping through 0, 1 and 2.
WalkResult Walk(const quelm_bench::BenchView &view, uint32_t loaderPlan) {
    SCENE *scene = InitScene();
    if (scene == nullptr) return {0, 0};
    ResetSceneSetting(scene, PLAN_FINE | PLAN_COARSE);
    SetSceneSetting(scene, loaderPlan);
    CAMERA camera = quelm_bench::MakeBenchCamera(view, 640, 400);
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> kind(0, 5), pixels(-40, 40);
    Digest d;
    int pans = 0;
    for (int frame = 0; frame < 240; ++frame) {
        scene->iRapidPansLimit = (frame / 20) % 3;
        switch (kind(rng)) {
        case 0:
            camera.Xcamera += pixels(rng);
            camera.Ycamera += pixels(rng);
            break;
        case 1:
        case 2:
        case 3:  // turns, large enough to bring surfaces in and out of view
            camera.Xtarget += 4 * pixels(rng);
            camera.Ytarget += 4 * pixels(rng);
            camera.Ztarget += pixels(rng);
            break;
        default:  // a still frame
            break;
        }
        const int32_t tally = scene->iRapidPansTally;
        AddModelToScene(scene, Model, SetView(&camera, &scene->Perspective));
        pans += scene->iRapidPansTally > tally;
        AddState(d, scene);
    }
    DestroyScene(scene);
    return {d.h, pans};
}

std::string DataPath() { return std::string(QUELM_TEST_DATA_DIR) + "/projection_walks.txt"; }

std::map<std::string, uint64_t> ReadDigests() {
    std::map<std::string, uint64_t> digests;
    std::ifstream in(DataPath());
    std::string name;
    uint64_t value;
    while (in >> name >> std::hex >> value) digests[name] = value;
    return digests;
}

TEST(ProjectionWalks, EveryFrameAsBefore) {
    const std::map<std::string, uint64_t> expected = ReadDigests();
    const bool update = std::getenv("QUELM_UPDATE_WALKS") != nullptr;
    std::ostringstream rewritten;
    for (const auto &view : quelm_bench::kViews) {
        for (const uint32_t plan : {PLAN_FINE, PLAN_COARSE}) {
            const std::string name =
                std::string(view.name) + (plan == PLAN_FINE ? "/edge-driven" : "/vertex");
            const auto [digest, pans] = Walk(view, plan);
            ASSERT_NE(digest, 0u) << "no scene: the stadium model needs quelm.bmp (QUELM_DATA)";
            EXPECT_GE(pans, 40) << name << ": the walk should pan often";
            rewritten << name << " " << std::hex << digest << "\n";
            if (update) continue;
            const auto found = expected.find(name);
            ASSERT_NE(found, expected.end()) << name << " missing from " << DataPath();
            EXPECT_EQ(found->second, digest) << name;
        }
    }
    if (update) std::ofstream(DataPath()) << rewritten.str();
}

}  // namespace
