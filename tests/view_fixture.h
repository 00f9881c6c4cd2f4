// view_fixture.h - a hand-built model and a scene with the library's own
// pools, for the projection tests.  The view is affine unless a test sets TM
// itself: u = x, v = y, w = z / 100 on a 320 x 200 viewport, near plane at
// w = 0.05, target at (160, 100, 100), which is screen (160, 100).
#ifndef QUELM_TESTS_VIEW_FIXTURE_H
#define QUELM_TESTS_VIEW_FIXTURE_H

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>
#include <vector>

#include "quelm_globalmem.h"
#include "quelm.h"
#include "view/view.h"

// Point statuses by value: inside, outside, outside and divided, behind.
constexpr uint32_t kInside = 0x9, kOutside = 0xA, kDivided = 0xB, kBehind = 0xC;

template <typename T>
T *Block(int count = 1) {
    return static_cast<T *>(GlobalAllocLocked(sizeof(T) * static_cast<size_t>(count)));
}

class ViewTest : public ::testing::Test {
protected:
    MODEL *model = Block<MODEL>();
    SCENE *scene = Block<SCENE>();

    void SetUp() override {
        model->VertexList = Block<VERTEX3D>(QUELM_MAX_VERTICES);
        model->EdgeList = Block<EDGELIST>(QUELM_MAX_EDGES);
        model->PolygonList = Block<POLYGONLIST>(QUELM_MAX_POLYGONS);
        ASSERT_TRUE(model->VertexList && model->EdgeList && model->PolygonList &&
                    PolygonSceneInit(scene));
        VANTAGE &p = View();
        p.TM[0][0] = 1.0;  // u = x, v = y, w = z / 100
        p.TM[1][1] = 1.0;
        p.TM[2][2] = 0.01;
        p.RESX = 320.0;
        p.RESY = 200.0;
        p.W_CLIP_INSET = 0.05;
        p.XT = 160.0;
        p.YT = 100.0;
        p.ZT = 100.0;
    }

    ~ViewTest() override {
        PolygonSceneDiscard(scene);
        GlobalFreeLocked(scene);
        GlobalFreeLocked(model->VertexList);
        GlobalFreeLocked(model->EdgeList);
        GlobalFreeLocked(model->PolygonList);
        GlobalFreeLocked(model);
    }

    VANTAGE &View() { return scene->Perspective; }

    int32_t AddVertex(int32_t x, int32_t y, int32_t z, uint32_t plan = PLAN_GROUND) {
        model->VertexList[model->iNumVerts] = VERTEX3D{x, y, z, plan};
        return model->iNumVerts++;
    }

    int32_t AddEdge(int32_t a, int32_t b, uint32_t act = 0) {
        model->EdgeList[model->iNumEdges] = EDGELIST{a, b, act};
        return model->iNumEdges++;
    }

    // A polygon over the given vertices, each edge new.
    int32_t AddPolygon(std::initializer_list<int32_t> verts, uint32_t visible = PLAN_GROUND | VIS_DRAW) {
        const std::vector<int32_t> v(verts);
        const int32_t n = static_cast<int32_t>(v.size());
        POLYGONLIST &p = model->PolygonList[model->iNumPolygons];
        for (int32_t j = 0; j < n; ++j) {
            p.v[j] = v[j];
            p.e[j] = AddEdge(v[j], v[(j + 1) % n]);
        }
        p.numv = n;
        p.visible = visible;
        p.material = 7;
        return model->iNumPolygons++;
    }

    // The first frame of the scene: registration and a complete reprojection.
    void FirstFrame() { AddModelToScene(scene, model, 0); }

    POINT3D &Pt(int32_t i) { return scene->PointList[i]; }
    sSPOINT &Sp(int32_t i) { return scene->ScreenPointList[i]; }
    std::pair<int, int> XY(int32_t i) { return {Sp(i).x, Sp(i).y}; }
    POLYGONLIST &Surf(int32_t i) { return scene->ScenePolygonList[i]; }
    uint32_t Status(int32_t i) { return Pt(i).visible & VIS_STATUS_MASK; }
    uint32_t SurfStatus(int32_t i) { return Surf(i).visible & VIS_STATUS_MASK; }
};

#endif
