/* quelm.h - the stadium renderer's public interface.
 *
 * The library builds, once, a flat-shaded polygon model of a stadium (the
 * playing surface with its lines, hash marks and yard numbers, the ground,
 * goal frames, pylons, six banks of stands and a closed sky) and draws it
 * every frame into the host's 8-bit palettised bitmap, surface by surface
 * in build order, through an outside polygon rasteriser (gresk.h).
 *
 * A host's frame:
 *     SCENE  *scene  = InitScene();            first scene builds the model
 *     CAMERA *camera = InitCamera(VIEW_DOLLY); or a CAMERA of its own
 *     ... fill camera's position, target, RenderRect, Magnification ...
 *     RenderScene(pBMI, pBits, camera, scene); per frame
 *     RenderRate(scene, want, took);           optional frame-rate adaptation
 *     DestroyCamera(camera); DestroyScene(scene);
 *
 * Units: world coordinates are inches, x across the playing surface, y along
 * it, z up, origin at the centre of the field on the ground.  Screen
 * coordinates are whole pixels from the top-left of the render rectangle,
 * x right, y down.  Angles are radians unless stated.  Colours are palette
 * indices 0..255.
 *
 * Conventions: calls report failure only through their result (0 or null,
 * -1 where stated).  Arguments are trusted: record pointers and indices are
 * not validated.  Records are plain C records laid out in declared order with
 * natural alignment; every record the library creates is zero-filled, so a
 * zero member means its default.  Nothing here is thread-safe: the library
 * keeps module-wide state and expects calls from one thread at a time.
 *
 * Every call uses the Windows standard calling convention on 32-bit Windows
 * (QUELMAPI), except UpdateCamera, which is variadic and caller-pops.
 */
#ifndef QUELM_H
#define QUELM_H

#include "quelm_types.h"
#include "quelm_names.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---------------------------------------------------------------- records */

/* Capacities of the model's and every scene's pools. */
#define QUELM_MAX_VERTICES 5000
#define QUELM_MAX_EDGES 7000
#define QUELM_MAX_POLYGONS 4000
#define QUELM_MAX_POLYGON_VERTICES 7

/* VERTEX3D - a model vertex in world units.  In the model, visible holds the
 * plan bits (VIS_PLAN_MASK) of the polygons that use the vertex. */
typedef struct VERTEX3D {
    int32_t x, y, z;
    uint32_t visible;
} VERTEX3D;

/* EDGELIST - an edge from vertex a to vertex b, with its action word act
 * (ACT_* below). */
typedef struct EDGELIST {
    int32_t a;
    int32_t b;
    uint32_t act;
} EDGELIST;

/* POLYGONLIST - a convex polygon of up to 7 vertices (2 vertices: a line).
 * e[i] is the edge from v[i] to v[(i + 1) % numv].  The low byte of material
 * is the palette index the surface is filled with. */
typedef struct POLYGONLIST {
    int32_t e[QUELM_MAX_POLYGON_VERTICES];
    int32_t v[QUELM_MAX_POLYGON_VERTICES];
    int32_t material;
    int32_t numv;
    uint32_t visible; /* VIS_* below */
} POLYGONLIST;

/* MODEL - the one shared polygon model, reached through the library's own
 * pointer; created with the first scene and discarded with the last. */
typedef struct MODEL {
    VERTEX3D *VertexList;       /* 5000 records */
    EDGELIST *EdgeList;         /* 7000 records */
    POLYGONLIST *PolygonList;   /* 4000 records */
    int32_t iNumVerts;
    int32_t iNumEdges;
    int32_t iNumPolygons;
    int32_t iCurrentLine;       /* cursor of the line iteration */
    int32_t iCurrentSurface;    /* cursor of the surface iteration; the polygon the
                                   per-surface getters and setters address */
    int32_t iDefaultMaterial;   /* stamped into each new polygon */
    int32_t iDefaultVisibility; /* stamped into each new polygon; its plan bits into
                                   its vertices */
    int32_t iDefaultAction;     /* low nibble stamped into each new edge; ACT_CHAIN */
} MODEL;

/* POINT3D - a model vertex after the view transform of the current frame:
 * homogeneous screen coordinates, the screen point being (u / w, v / w).
 * w is 0 at the camera and 1 in the target's plane. */
typedef struct POINT3D {
    double u;
    double v;
    double w;
    uint32_t visible; /* PT_* status below, plan bits above */
} POINT3D;

/* Polygon visibility word (model and scene copies). */
#define VIS_DRAW 0x1u           /* model: is a surface; scene: drawn this frame */
#define VIS_CLIP 0x2u           /* scene: crosses the viewport or the near plane */
#define VIS_NEAR 0x4u           /* scene: some vertex behind the near plane */
#define VIS_REWRITTEN 0x8u      /* scene: outline rewritten by near-plane clipping */
#define VIS_COMMON_OUT 0xF0u    /* scene: AND of the front vertices' outcodes */
#define VIS_CROSSED_OUT 0xF00u  /* scene: OR of those outcodes, shifted left by 4 */
#define VIS_PLAN_MASK 0xFF000u  /* plan bits: which scene plans the element is in */
#define VIS_STATUS_MASK 0xFFFu

/* Point status (POINT3D.visible). */
#define PT_DIVIDE 0x1u      /* gets screen coordinates this frame */
#define PT_OUTSIDE 0x2u     /* in front of the near plane but outside the viewport */
#define PT_BEHIND 0x4u      /* behind the near plane */
#define PT_TRANSFORMED 0x8u /* u, v, w valid this frame */
#define PT_RIGHT 0x10u
#define PT_LEFT 0x20u
#define PT_BELOW 0x40u
#define PT_ABOVE 0x80u
#define PT_OUTCODES 0xF0u

/* Edge action word (EDGELIST.act). */
#define ACT_TOGGLE 0x1u       /* frame parity of the edge-driven loader */
#define ACT_INVOLVED 0x2u     /* marked by a linked edge this pass */
#define ACT_CONSTANTLY 0x4u   /* sentinel, examined every frame */
#define ACT_ACTIVE 0x8u       /* edge of a detail run */
#define ACT_FLAGS 0xFu
#define ACT_LINK_Q_MASK 0x3FFF0u     /* second link, bits 4-17 */
#define ACT_LINK_Q_SHIFT 4
#define ACT_LINK_P_MASK 0xFFFC0000u  /* first link, bits 18-31 */
#define ACT_LINK_P_SHIFT 18
#define ACT_CHAIN 0x10u       /* in iDefaultAction: link each new edge to the next */

/* Scene-settings word (SCENE.SceneSettings). */
#define PLAN_NEAR 0x01000u        /* pylons, nearest marks and digits */
#define PLAN_MEDIUM 0x02000u      /* medium-distance marks and digits */
#define PLAN_FAR 0x04000u         /* far marks and digit outlines */
#define PLAN_FINE 0x08000u        /* fine playing surface; edge-driven loader */
#define PLAN_COARSE 0x10000u      /* coarse playing surface */
#define PLAN_SPARE 0x20000u       /* carried by no element */
#define PLAN_STANDS 0x40000u      /* stands and sky */
#define PLAN_GROUND 0x80000u      /* ground, lines, border, goal frames */
#define SCENE_SETTINGS_INITIAL 0x080E9FF7u

/* VANTAGE - a scene's view state, derived from the host's CAMERA by SetView.
 * Matrices are 4 rows of 3: a world point (x, y, z, 1) times M; row 3 is the
 * translation. */
typedef struct VANTAGE {
    double XPC, YPC, ZPC;       /* camera position at the last set-up */
    double DXPC, DYPC, DZPC;    /* its displacement at the last set-up */
    double XT, YT, ZT;          /* target at the last set-up */
    double DXT, DYT, DZT;       /* its displacement at the last set-up */
    double ADXT, ADYT, ADZT;    /* target displacement since the last complete
                                   reprojection */
    double DXN, DYN, DZN;       /* unit line of sight, camera to target */
    double DXUP, DYUP, DZUP;    /* the camera's unit up axis */
    double CM[4][3];            /* world to camera */
    double QM[4][3];            /* camera to homogeneous screen */
    double TM[4][3];            /* world to homogeneous screen */
    double VIEW_DEPTH;          /* reserved, always 0 */
    double CAMARA_DIST;         /* camera to target */
    double QUELMX, QUELMY;      /* visible area in world units at the target */
    double RESX, RESY;          /* drawn area in pixels */
    double W_CLIP_INSET;        /* near plane on w: 0.05 */
} VANTAGE;

/* SCENE - one picture of the stadium: the scene's projected copy of the
 * model, its cursors, the rapid-pan state, its settings and view state. */
typedef struct SCENE {
    POINT3D *PointList;             /* 5000 records */
    sSPOINT *ScreenPointList;       /* 5000 records, parallel to PointList */
    EDGELIST *EdgeList;             /* 7000 records */
    POLYGONLIST *ScenePolygonList;  /* 4000 records */
    int32_t iScreenNumVerts;
    int32_t iScreenNumEdges;        /* 0 until the model is registered */
    int32_t iScreenNumPolygons;
    int32_t iCurrentLine;
    int32_t iCurrentSurface;        /* cursor of the scene surface iteration */
    int32_t iRapidPansTally;        /* rapid pans since the last complete reprojection */
    int32_t iRapidPansLimit;        /* 0..2, moved only by RenderRate */
    uint32_t SceneSettings;         /* PLAN_* bits and the host's own bits */
    VANTAGE Perspective;
} SCENE;

/* Camera modes (CAMERA.View). */
#define VIEW_IDLE 0
#define VIEW_DOLLY 1
#define VIEW_SPIN 2

/* CAMERA - the host's view description.  The host fills the position, the
 * target, RenderRect and Magnification; SetView writes Xn, Yn, Zn. */
typedef struct CAMERA {
    double ViewDistance;                /* kept for the host; no view computation reads it */
    double Xtarget, Ytarget, Ztarget;   /* the point looked at */
    double Xcamera, Ycamera, Zcamera;   /* the centre of projection */
    double Xn, Yn, Zn;                  /* out: unit line of sight */
    double BankAngle;                   /* kept and edited, not used by the view */
    RECT RenderRect;                    /* drawn pixels, bounds inclusive */
    double Magnification;               /* pixels per world unit at the target, > 0 */
    int32_t View;                       /* VIEW_IDLE, VIEW_DOLLY or VIEW_SPIN */
    void *Control;                      /* SPINDEMO_VIEW of a spin camera, else null */
} CAMERA;

/* SPINDEMO_VIEW - a spin camera's private record (CAMERA.Control), owned by
 * the camera.  Steps are tenths of a degree per update. */
typedef struct SPINDEMO_VIEW {
    int32_t CameraRadius;   /* 2700 */
    int32_t TargetRadius;   /* 540 */
    int32_t TW;             /* 128, shown in the spin dialog only */
    int32_t CameraHeight;   /* 360 */
    int32_t TargetHeight;   /* 72 */
    int32_t CameraStep;     /* 0 */
    int32_t TargetStep;     /* 0 */
    double Magnification;   /* 1.0, copied into the camera at every step */
    double CameraAngle;     /* radians in [0, 2 pi) */
    double TargetAngle;
} SPINDEMO_VIEW;

/* SetView's change bits. */
#define VIEW_TARGET_MOVED 0x1
#define VIEW_SCREEN_CHANGED 0x2
#define VIEW_CAMERA_MOVED 0x4

/* ----------------------------------------------------------------- scenes */

/* Creates a scene; the first live scene builds the stadium model (the one
 * slow call of the library).  Null when memory runs out. */
QUELM_EXTERN_C SCENE *QUELMAPI InitScene(void);
/* Destroys a scene; the last one takes the model with it.  Null is ignored. */
QUELM_EXTERN_C void QUELMAPI DestroyScene(SCENE *Scene);
/* SceneSettings & SceneSetting: the bits themselves, not a truth value. */
QUELM_EXTERN_C int32_t QUELMAPI GetSceneSetting(SCENE *Scene, int32_t SceneSetting);
/* ORs the mask into SceneSettings; takes effect at the next reprojection. */
QUELM_EXTERN_C void QUELMAPI SetSceneSetting(SCENE *Scene, int32_t SceneSetting);
/* Clears the mask's bits in SceneSettings. */
QUELM_EXTERN_C void QUELMAPI ResetSceneSetting(SCENE *Scene, int32_t SceneSetting);
/* Frame-rate adaptation, one step per call: a slow frame (Took > Want) first
 * raises iRapidPansLimit up to 2, then swaps the fine playing surface for the
 * coarse one; a fast frame undoes the same in reverse.  Any unit. */
QUELM_EXTERN_C void QUELMAPI RenderRate(SCENE *Scene, int32_t Want, int32_t Took);

/* ------------------------------------------------------------------ frame */

/* Draws the stadium as seen from Camera into the host's 8-bit DIB.
 * Pitfalls:
 *  - the bitmap is never cleared: what no surface covers keeps its pixels;
 *  - only the size of Camera->RenderRect enters the view, while clipping uses
 *    its absolute edges, so a rectangle that does not start at (0, 0) tears
 *    the picture; draw into (0, 0, width - 1, height - 1);
 *  - calling SetView on the scene's Perspective between frames takes the
 *    change away from the next frame, which then keeps the old projection. */
QUELM_EXTERN_C void QUELMAPI RenderScene(BITMAPINFO *pBMI, uint8_t *pBits, CAMERA *Camera,
                                         SCENE *Scene);

/* ------------------------------------------------------------ model store */

QUELM_EXTERN_C int32_t QUELMAPI PolygonModelInit(void);
QUELM_EXTERN_C void QUELMAPI PolygonModelDiscard(void);
QUELM_EXTERN_C int32_t QUELMAPI PolygonModelCurrentSurface(void);
QUELM_EXTERN_C int32_t QUELMAPI PolygonModelFirstSurface(void);
QUELM_EXTERN_C int32_t QUELMAPI PolygonModelNextSurface(void);
QUELM_EXTERN_C int32_t QUELMAPI PolygonModelPreviousSurface(void);
QUELM_EXTERN_C uint32_t QUELMAPI PolygonModelVertex(int32_t iMag, VERTEX3D *Verts);
QUELM_EXTERN_C int32_t QUELMAPI PolygonModelFirstLine(VERTEX3D *Verts);
QUELM_EXTERN_C int32_t QUELMAPI PolygonModelNextLine(VERTEX3D *Verts);
QUELM_EXTERN_C int32_t QUELMAPI PolygonModelAddVertex(VERTEX3D *Verts);
QUELM_EXTERN_C void QUELMAPI PolygonModelMoveVertex(int32_t iMag, VERTEX3D *Verts);
QUELM_EXTERN_C int32_t QUELMAPI PolygonModelAddSurface(int32_t iMag, int32_t *PolyVerts);
QUELM_EXTERN_C int32_t QUELMAPI PolygonModelAdd(int32_t iMag, VERTEX3D *Verts);
QUELM_EXTERN_C int32_t QUELMAPI PolygonModelGetMaterial(void);
QUELM_EXTERN_C void QUELMAPI PolygonModelSetMaterial(int32_t iMag);
QUELM_EXTERN_C void QUELMAPI PolygonModelSetDefaultMaterial(int32_t iMag);
QUELM_EXTERN_C uint32_t QUELMAPI PolygonModelGetVisibility(SCENE *Scene);
QUELM_EXTERN_C void QUELMAPI PolygonModelSetDefaultVisibility(int32_t iMag);
QUELM_EXTERN_C void QUELMAPI PolygonModelSetVisibility(int32_t iMag);
QUELM_EXTERN_C void QUELMAPI ReverseVertexOrder(VERTEX3D *p3D, int32_t iNumPts);

/* ------------------------------------------------------------ scene store */

QUELM_EXTERN_C int32_t QUELMAPI PolygonSceneInit(SCENE *Scene);
QUELM_EXTERN_C void QUELMAPI PolygonSceneDiscard(SCENE *Scene);
QUELM_EXTERN_C void QUELMAPI PolygonSceneClear(SCENE *Scene);
QUELM_EXTERN_C int32_t QUELMAPI PolygonSceneCurrentSurface(SCENE *Scene);
QUELM_EXTERN_C int32_t QUELMAPI PolygonSceneFirstSurface(SCENE *Scene);
QUELM_EXTERN_C int32_t QUELMAPI PolygonSceneNextSurface(SCENE *Scene);
QUELM_EXTERN_C int32_t QUELMAPI PolygonScenePreviousSurface(SCENE *Scene);
QUELM_EXTERN_C int32_t QUELMAPI PolygonSceneSurface(SCENE *Scene);
QUELM_EXTERN_C uint32_t QUELMAPI PolygonSceneScreenPoint(SCENE *Scene, int32_t iMag,
                                                         sSPOINT *Point);
QUELM_EXTERN_C uint32_t QUELMAPI PolygonScenePoint(SCENE *Scene, int32_t iMag, POINT3D *Point);
QUELM_EXTERN_C int32_t QUELMAPI PolygonSceneGetMaterial(SCENE *Scene);

/* --------------------------------------------------------- plane geometry */

/* a*d - b*c in wrapping 32-bit arithmetic. */
QUELM_EXTERN_C int32_t QUELMAPI iDeterminant(int32_t a, int32_t b, int32_t c, int32_t d);
/* v3 = (v1.y*v2.z - v1.z*v2.y, v1.x*v2.z - v1.z*v2.x, v1.x*v2.y - v1.y*v2.x):
 * note the middle component's sign. */
QUELM_EXTERN_C void QUELMAPI iCrossProduct(VERTEX3D *v1, VERTEX3D *v2, VERTEX3D *v3);
/* 1 when OutsidePoint lies on the negative side of the triangle's plane. */
QUELM_EXTERN_C int32_t QUELMAPI FrontFacingPolygon(VERTEX3D *Vertex0, VERTEX3D *Vertex1,
                                                   VERTEX3D *Vertex2, VERTEX3D *OutsidePoint);

/* ------------------------------------------------------------- view set-up */

/* Derives Perspective from View and writes View's Xn, Yn, Zn; returns the
 * VIEW_* change bits, 0 for no change (moves shorter than 0.01 units count as
 * none), -1 when no view can be built.  Camera on the target: the new
 * positions are stored, the matrices stay.  Refused views change nothing but
 * W_CLIP_INSET, which every call sets to 0.05: Magnification not above 0 or not finite, a visible span of less than
 * one world unit across or down, a position or target member that is not
 * finite or lies beyond +-1e15, a RenderRect narrower than 1 pixel (right <
 * left) or wider or taller than 32767 pixels.  top may lie below bottom.  A
 * camera straight above or below the target is not refused: the up axis is
 * then undefined and the matrices keep their previous horizontal axes. */
QUELM_EXTERN_C int32_t QUELMAPI SetView(CAMERA *View, VANTAGE *Perspective);

/* -------------------------------------------------------------- transforms */

/* World point to screen pixels; 0 (outputs untouched) when it lies behind the
 * near plane.  Results beyond the 32-bit range saturate. */
QUELM_EXTERN_C int32_t QUELMAPI WorldToScreen(VANTAGE *Perspective, int32_t *Xs, int32_t *Ys,
                                              int32_t Xw, int32_t Yw, int32_t Zw);
/* World point to camera coordinates (origin at the target, z along the line
 * of sight). */
QUELM_EXTERN_C void QUELMAPI WorldToCamera(VANTAGE *Perspective, double *Xc, double *Yc,
                                           double *Zc, int32_t Xw, int32_t Yw, int32_t Zw);
/* Camera coordinates to screen pixels, never refusing: points behind the
 * camera come out mirrored.  Results beyond the 32-bit range saturate. */
QUELM_EXTERN_C void QUELMAPI CameraToScreen(VANTAGE *Perspective, int32_t *Xs, int32_t *Ys,
                                            double Xc, double Yc, double Zc);
/* Squared distance from the camera of the last set-up, in 32-bit integers:
 * beyond 2147483647 (about 46340 units away) the sum wraps around. */
QUELM_EXTERN_C int32_t QUELMAPI WorldToScreenZSquare(VANTAGE *Perspective, int32_t Xw,
                                                     int32_t Yw, int32_t Zw);
/* Distance from the camera of the last set-up, rounded; saturates at
 * 2147483647. */
QUELM_EXTERN_C int32_t QUELMAPI WorldToScreenZ(VANTAGE *Perspective, int32_t Xw, int32_t Yw,
                                               int32_t Zw);

/* -------------------------------------------------------------- projection */

/* Brings the scene's projection up to date for this frame; Delta is what
 * SetView returned.  RenderScene calls it. */
QUELM_EXTERN_C void QUELMAPI AddModelToScene(SCENE *Scene, MODEL *Model, int32_t Delta);

/* ----------------------------------------------------------------- cameras */

/* A new camera; mode 0 is taken as VIEW_SPIN.  Null when memory runs out. */
QUELM_EXTERN_C CAMERA *QUELMAPI InitCamera(int32_t View);
QUELM_EXTERN_C void QUELMAPI DestroyCamera(CAMERA *Camera);
/* One spin step for a spin camera; further arguments are ignored.  Variadic
 * and caller-pops on every platform. */
QUELM_EXTERN_C void QUELMCDECL UpdateCamera(CAMERA *Camera, ...);
QUELM_EXTERN_C void QUELMAPI UpdateCameraTime(CAMERA *Camera);
QUELM_EXTERN_C void QUELMAPI ChangeCamera(CAMERA *Camera, int32_t NewView);
/* "idle", "dolly", "spin" or "-undefined-"; a static string. */
QUELM_EXTERN_C const char *QUELMAPI CameraTerm(CAMERA *Camera);

/* ------------------------------------------------------ spin demonstration */

QUELM_EXTERN_C void QUELMAPI InitSpinDemoView(CAMERA *Camera);
QUELM_EXTERN_C void QUELMAPI MakeSpinDemoView(CAMERA *Camera);
QUELM_EXTERN_C void QUELMAPI SpinDemoChanged(CAMERA *Camera);
QUELM_EXTERN_C void QUELMAPI ChangeSpinDemo(CAMERA *Camera);

/* ---------------------------------------------------------- tuning dialogs */

QUELM_EXTERN_C void QUELMAPI ViewChanged(CAMERA *Camera);
QUELM_EXTERN_C void QUELMAPI ChangeView(CAMERA *Camera);
/* 1 after OK, 0 after Cancel, -1 when the dialog could not be had. */
QUELM_EXTERN_C int32_t QUELMAPI DoCoordinateSystemDlg(HWND hWnd);
QUELM_EXTERN_C INT_PTR CALLBACK CoordinateSystemDlgProc(HWND hDlg, UINT message, WPARAM wParam,
                                                        LPARAM lParam);
QUELM_EXTERN_C int32_t QUELMAPI DoSpinDemoFeaturesDlg(HWND hWnd);
QUELM_EXTERN_C INT_PTR CALLBACK SpinDemoFeaturesDlgProc(HWND hDlg, UINT message, WPARAM wParam,
                                                        LPARAM lParam);

#ifdef __cplusplus
} /* extern "C" */
#endif

/* ------------------------------------------------------- record layouts */
#ifdef __cplusplus
#define QUELM_LAYOUT(rec, member, off32, off64) \
    static_assert(offsetof(rec, member) == (sizeof(void *) == 4 ? (off32) : (off64)), \
                  #rec "." #member " offset")
#define QUELM_SIZE(rec, s32, s64) \
    static_assert(sizeof(rec) == (sizeof(void *) == 4 ? (s32) : (s64)), #rec " size")
#else
#define QUELM_LAYOUT(rec, member, off32, off64) \
    _Static_assert(offsetof(rec, member) == (sizeof(void *) == 4 ? (off32) : (off64)), \
                   #rec "." #member " offset")
#define QUELM_SIZE(rec, s32, s64) \
    _Static_assert(sizeof(rec) == (sizeof(void *) == 4 ? (s32) : (s64)), #rec " size")
#endif

/* 32-bit figures are those of the 32-bit Windows build (doubles 8-aligned). */
#if defined(_WIN32) || !defined(__i386__)
QUELM_SIZE(VERTEX3D, 16, 16);
QUELM_LAYOUT(VERTEX3D, visible, 12, 12);
QUELM_SIZE(EDGELIST, 12, 12);
QUELM_LAYOUT(EDGELIST, act, 8, 8);
QUELM_SIZE(POLYGONLIST, 68, 68);
QUELM_LAYOUT(POLYGONLIST, v, 28, 28);
QUELM_LAYOUT(POLYGONLIST, material, 56, 56);
QUELM_LAYOUT(POLYGONLIST, numv, 60, 60);
QUELM_LAYOUT(POLYGONLIST, visible, 64, 64);
QUELM_SIZE(MODEL, 44, 56);
QUELM_LAYOUT(MODEL, iNumVerts, 12, 24);
QUELM_LAYOUT(MODEL, iDefaultAction, 40, 52);
QUELM_SIZE(POINT3D, 32, 32);
QUELM_LAYOUT(POINT3D, w, 16, 16);
QUELM_LAYOUT(POINT3D, visible, 24, 24);
QUELM_SIZE(sSPOINT, 4, 4);
QUELM_LAYOUT(sSPOINT, y, 2, 2);
QUELM_SIZE(VANTAGE, 512, 512);
QUELM_LAYOUT(VANTAGE, DXN, 120, 120);
QUELM_LAYOUT(VANTAGE, CM, 168, 168);
QUELM_LAYOUT(VANTAGE, QM, 264, 264);
QUELM_LAYOUT(VANTAGE, TM, 360, 360);
QUELM_LAYOUT(VANTAGE, VIEW_DEPTH, 456, 456);
QUELM_LAYOUT(VANTAGE, W_CLIP_INSET, 504, 504);
QUELM_SIZE(SCENE, 560, 576);
QUELM_LAYOUT(SCENE, iScreenNumVerts, 16, 32);
QUELM_LAYOUT(SCENE, iRapidPansLimit, 40, 56);
QUELM_LAYOUT(SCENE, SceneSettings, 44, 60);
QUELM_LAYOUT(SCENE, Perspective, 48, 64);
QUELM_SIZE(CAMERA, 120, 128);
QUELM_LAYOUT(CAMERA, Xtarget, 8, 8);
QUELM_LAYOUT(CAMERA, Xcamera, 32, 32);
QUELM_LAYOUT(CAMERA, Xn, 56, 56);
QUELM_LAYOUT(CAMERA, BankAngle, 80, 80);
QUELM_LAYOUT(CAMERA, RenderRect, 88, 88);
QUELM_LAYOUT(CAMERA, Magnification, 104, 104);
QUELM_LAYOUT(CAMERA, View, 112, 112);
QUELM_LAYOUT(CAMERA, Control, 116, 120);
QUELM_SIZE(SPINDEMO_VIEW, 56, 56);
QUELM_LAYOUT(SPINDEMO_VIEW, Magnification, 32, 32);
QUELM_LAYOUT(SPINDEMO_VIEW, TargetAngle, 48, 48);
#endif
#undef QUELM_LAYOUT
#undef QUELM_SIZE

#include "quelm_names_end.h"

#endif /* QUELM_H */
