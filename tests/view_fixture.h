// view_fixture.h - a hand-built model and scene for the projection tests.
//
// The pools are full-capacity global-heap blocks, as the library's own are,
// so the stages run on exactly the records they meet in a frame.  The view
// is a plain affine one unless a test sets TM itself: u = x, v = y,
// w = z / 100, on a 320 x 200 viewport with the near plane at w = 0.05.
#ifndef QUELM_TESTS_VIEW_FIXTURE_H
#define QUELM_TESTS_VIEW_FIXTURE_H

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "platform/globalmem.h"
#include "quelm.h"
#include "view/view.h"

template <typename T>
T *AllocPool(int count) {
    return static_cast<T *>(GlobalAllocLocked(sizeof(T) * static_cast<size_t>(count)));
}

class ViewTest : public ::testing::Test {
protected:
    MODEL *model = nullptr;
    SCENE *scene = nullptr;

    void SetUp() override {
        model = AllocPool<MODEL>(1);
        model->VertexList = AllocPool<VERTEX3D>(QUELM_MAX_VERTICES);
        model->EdgeList = AllocPool<EDGELIST>(QUELM_MAX_EDGES);
        model->PolygonList = AllocPool<POLYGONLIST>(QUELM_MAX_POLYGONS);
        scene = AllocPool<SCENE>(1);
        scene->PointList = AllocPool<POINT3D>(QUELM_MAX_VERTICES);
        scene->ScreenPointList = AllocPool<sSPOINT>(QUELM_MAX_VERTICES);
        scene->EdgeList = AllocPool<EDGELIST>(QUELM_MAX_EDGES);
        scene->ScenePolygonList = AllocPool<POLYGONLIST>(QUELM_MAX_POLYGONS);
        ASSERT_TRUE(model->VertexList && model->EdgeList && model->PolygonList);
        ASSERT_TRUE(scene->PointList && scene->ScreenPointList && scene->EdgeList &&
                    scene->ScenePolygonList);
        scene->SceneSettings = SCENE_SETTINGS_INITIAL;
        SetAffineView();
    }

    void TearDown() override {
        GlobalFreeLocked(model->VertexList);
        GlobalFreeLocked(model->EdgeList);
        GlobalFreeLocked(model->PolygonList);
        GlobalFreeLocked(model);
        GlobalFreeLocked(scene->PointList);
        GlobalFreeLocked(scene->ScreenPointList);
        GlobalFreeLocked(scene->EdgeList);
        GlobalFreeLocked(scene->ScenePolygonList);
        GlobalFreeLocked(scene);
    }

    VANTAGE &View() { return scene->Perspective; }

    // u = x + dx, v = y + dy, w = z / 100.
    void SetAffineView(double dx = 0.0, double dy = 0.0) {
        VANTAGE &p = View();
        for (auto &row : p.TM)
            for (double &c : row) c = 0.0;
        p.TM[0][0] = 1.0;
        p.TM[1][1] = 1.0;
        p.TM[2][2] = 0.01;
        p.TM[3][0] = dx;
        p.TM[3][1] = dy;
        p.RESX = 320.0;
        p.RESY = 200.0;
        p.W_CLIP_INSET = 0.05;
    }

    int32_t AddVertex(int32_t x, int32_t y, int32_t z, uint32_t plan = PLAN_GROUND) {
        const int32_t i = model->iNumVerts++;
        model->VertexList[i] = VERTEX3D{x, y, z, plan};
        return i;
    }

    int32_t AddEdge(int32_t a, int32_t b, uint32_t act = 0) {
        const int32_t i = model->iNumEdges++;
        model->EdgeList[i] = EDGELIST{a, b, act};
        return i;
    }

    // A polygon over the given vertices, sharing edges in either direction
    // as the model store does.
    int32_t AddPolygon(std::initializer_list<int32_t> verts, uint32_t visible = PLAN_GROUND | VIS_DRAW) {
        const std::vector<int32_t> v(verts);
        const int32_t n = static_cast<int32_t>(v.size());
        POLYGONLIST &p = model->PolygonList[model->iNumPolygons];
        for (int32_t j = 0; j < n; ++j) {
            const int32_t a = v[j], b = v[(j + 1) % n];
            int32_t e = -1;
            for (int32_t k = 0; k < model->iNumEdges && e < 0; ++k) {
                const EDGELIST &ed = model->EdgeList[k];
                if ((ed.a == a && ed.b == b) || (ed.a == b && ed.b == a)) e = k;
            }
            p.v[j] = a;
            p.e[j] = e >= 0 ? e : AddEdge(a, b);
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
    POLYGONLIST &Surf(int32_t i) { return scene->ScenePolygonList[i]; }
    uint32_t Status(int32_t i) { return scene->PointList[i].visible & VIS_STATUS_MASK; }
    uint32_t SurfStatus(int32_t i) {
        return scene->ScenePolygonList[i].visible & VIS_STATUS_MASK;
    }
};

#endif
