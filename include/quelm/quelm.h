/** @file
 * quelm.h - the stadium renderer's public interface.
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
 * -1 where stated); no C++ exception ever leaves the library, and a call that
 * runs out of memory gives its failure result and releases what it had
 * allocated.  Records are plain C records laid out in declared order with
 * natural alignment; every record the library creates is zero-filled, so a
 * zero member means its default.  Every record and pool lives in a block of
 * the global heap (quelm_globalmem.h outside Windows) that stays at one
 * address until it is released.
 *
 * Trust: record pointers are not validated.  A pointer that did not come
 * from the matching Init call, or a record already destroyed, is undefined
 * behaviour (destroying a scene or a camera twice included); debug builds
 * stop at such a destroy where they can tell.  Indices and cursors that name
 * no record are refused where a call says so.
 *
 * Threads: nothing is thread-safe, not even work on separate scenes.  The
 * library keeps module-wide state (the shared model with its iteration
 * cursors, the live-scene count, the rapid pan's scratch state, the dialogs'
 * tables) without locks, so all calls must come from one thread at a time.
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

/** Capacities of the model's and every scene's pools, in records. @{ */
#define QUELM_MAX_VERTICES 5000
#define QUELM_MAX_EDGES 7000
#define QUELM_MAX_POLYGONS 4000
#define QUELM_MAX_POLYGON_VERTICES 7
/** @} */

/** A model vertex in world units (inches). */
typedef struct VERTEX3D {
    /** World coordinates: x across the field, y along it, z up. @{ */
    int32_t x, y, z;
    /** @} */
    uint32_t visible; /**< In the model: the plan bits (VIS_PLAN_MASK) of the polygons
                           that use the vertex; nothing else. */
} VERTEX3D;

/** An edge of the model or of a scene, shared by the polygons that meet at it. */
typedef struct EDGELIST {
    int32_t a;    /**< first vertex: where the polygon that made the edge entered it */
    int32_t b;    /**< second vertex */
    uint32_t act; /**< action word: ACT_* flags and two links to other edges */
} EDGELIST;

/** A convex polygon of up to 7 vertices; with 2 vertices, a line. */
typedef struct POLYGONLIST {
    int32_t e[QUELM_MAX_POLYGON_VERTICES]; /**< e[i]: the edge from v[i] to v[(i + 1) % numv] */
    int32_t v[QUELM_MAX_POLYGON_VERTICES]; /**< vertex indices in drawing order */
    int32_t material; /**< low byte: the palette index the surface is filled with; the
                           other bits are kept and not interpreted */
    int32_t numv;     /**< vertices in use, at most 7 */
    uint32_t visible; /**< VIS_* bits below, plan bits, and bits kept for the host */
} POLYGONLIST;

/** The one shared polygon model, reached through the library's own pointer:
 * created with the first live scene, discarded with the last.  A host reads
 * it through the model-store calls below; it belongs to the library. */
typedef struct MODEL {
    VERTEX3D *VertexList;       /**< QUELM_MAX_VERTICES records */
    EDGELIST *EdgeList;         /**< QUELM_MAX_EDGES records */
    POLYGONLIST *PolygonList;   /**< QUELM_MAX_POLYGONS records */
    int32_t iNumVerts;          /**< vertices in use */
    int32_t iNumEdges;          /**< edges in use */
    int32_t iNumPolygons;       /**< polygons in use */
    int32_t iCurrentLine;       /**< cursor of the line iteration */
    int32_t iCurrentSurface;    /**< cursor of the surface iteration; the polygon the
                                     per-surface getters and setters address */
    int32_t iDefaultMaterial;   /**< stamped into each new polygon; 0 after init */
    int32_t iDefaultVisibility; /**< stamped into each new polygon, its plan bits into
                                     its vertices; 0x80001 after init */
    int32_t iDefaultAction;     /**< low nibble stamped into each new edge; ACT_CHAIN
                                     chains new edges; 0 after init */
} MODEL;

/** A model vertex after the view transform of the current frame, in a
 * scene's PointList: homogeneous screen coordinates, the screen point being
 * (u / w, v / w). */
typedef struct POINT3D {
    double u; /**< horizontal screen coordinate times w */
    double v; /**< vertical screen coordinate times w */
    double w; /**< depth along the line of sight in units of the camera-to-target
                   distance: 0 at the camera, 1 in the target's plane */
    uint32_t visible; /**< PT_* status of this frame below, the vertex's plan bits above */
} POINT3D;

/** Polygon visibility word (POLYGONLIST.visible): its meaning in the model
 * and in a scene's copy, whose low twelve bits every frame rewrites. @{ */
#define VIS_DRAW 0x1u           /**< model: is a surface; scene: drawn this frame */
#define VIS_CLIP 0x2u           /**< scene: crosses the viewport or the near plane */
#define VIS_NEAR 0x4u           /**< scene: some vertex behind the near plane */
#define VIS_REWRITTEN 0x8u      /**< scene: outline rewritten by near-plane clipping */
#define VIS_COMMON_OUT 0xF0u    /**< scene: AND of the front vertices' outcodes */
#define VIS_CROSSED_OUT 0xF00u  /**< scene: OR of those outcodes, shifted left by 4 */
#define VIS_PLAN_MASK 0xFF000u  /**< plan bits: which scene plans the element is in */
#define VIS_STATUS_MASK 0xFFFu  /**< the per-frame status bits of a scene's copy */
/** @} */

/** Point status (POINT3D.visible), rewritten by every projection. @{ */
#define PT_DIVIDE 0x1u      /**< gets screen coordinates this frame */
#define PT_OUTSIDE 0x2u     /**< in front of the near plane but outside the viewport */
#define PT_BEHIND 0x4u      /**< behind the near plane: no screen coordinates */
#define PT_TRANSFORMED 0x8u /**< u, v, w valid this frame */
#define PT_RIGHT 0x10u      /**< right of the viewport */
#define PT_LEFT 0x20u       /**< left of the viewport */
#define PT_BELOW 0x40u      /**< below the viewport */
#define PT_ABOVE 0x80u      /**< above the viewport */
#define PT_OUTCODES 0xF0u   /**< the four viewport outcodes */
/** @} */

/** Edge action word (EDGELIST.act): flags in bits 0-3, two links to other
 * edges above them (0: no link). @{ */
#define ACT_TOGGLE 0x1u       /**< frame parity of the edge-driven loader */
#define ACT_INVOLVED 0x2u     /**< marked by a linked edge this pass */
#define ACT_CONSTANTLY 0x4u   /**< sentinel, examined every frame */
#define ACT_ACTIVE 0x8u       /**< edge of a detail run */
#define ACT_FLAGS 0xFu        /**< the four flags */
#define ACT_LINK_Q_MASK 0x3FFF0u     /**< second link, bits 4-17 */
#define ACT_LINK_Q_SHIFT 4           /**< its shift */
#define ACT_LINK_P_MASK 0xFFFC0000u  /**< first link, bits 18-31 */
#define ACT_LINK_P_SHIFT 18          /**< its shift */
#define ACT_CHAIN 0x10u       /**< in iDefaultAction: link each new edge to the next */
/** @} */

/** Scene-settings word (SCENE.SceneSettings).  The plan bits say which parts
 * of the stadium take part in a scene: a model element is projected when its
 * plan bits share one with the scene's.  Every other bit belongs to the
 * host: kept, set, cleared and returned, read by no library code. @{ */
#define PLAN_NEAR 0x01000u        /**< pylons, nearest marks and digits */
#define PLAN_MEDIUM 0x02000u      /**< medium-distance marks and digits */
#define PLAN_FAR 0x04000u         /**< far marks and digit outlines */
#define PLAN_FINE 0x08000u        /**< fine playing surface; edge-driven loader */
#define PLAN_COARSE 0x10000u      /**< coarse playing surface */
#define PLAN_SPARE 0x20000u       /**< carried by no element */
#define PLAN_STANDS 0x40000u      /**< stands and sky */
#define PLAN_GROUND 0x80000u      /**< ground, lines, border, goal frames */
#define SCENE_SETTINGS_INITIAL 0x080E9FF7u /**< a new scene's word: plans 0xE9000 */
/** @} */

/** A scene's view state, derived from the host's CAMERA by SetView.
 * Matrices are 4 rows of 3: a world point (x, y, z, 1) times M; row 3 is the
 * translation.  Positions in world units. */
typedef struct VANTAGE {
    /** Camera position at the last set-up. @{ */
    double XPC, YPC, ZPC;
    /** @} */
    /** Its displacement at the last set-up. @{ */
    double DXPC, DYPC, DZPC;
    /** @} */
    /** Target at the last set-up. @{ */
    double XT, YT, ZT;
    /** @} */
    /** Its displacement at the last set-up. @{ */
    double DXT, DYT, DZT;
    /** @} */
    /** Target displacement since the last complete reprojection. @{ */
    double ADXT, ADYT, ADZT;
    /** @} */
    /** Unit line of sight, camera to target. @{ */
    double DXN, DYN, DZN;
    /** @} */
    /** The camera's unit up axis. @{ */
    double DXUP, DYUP, DZUP;
    /** @} */
    double CM[4][3];            /**< world to camera */
    double QM[4][3];            /**< camera to homogeneous screen */
    double TM[4][3];            /**< world to homogeneous screen */
    double VIEW_DEPTH;          /**< reserved, always 0 */
    double CAMARA_DIST;         /**< camera to target */
    /** Visible area in world units in the target's plane. @{ */
    double QUELMX, QUELMY;
    /** @} */
    /** Drawn area in pixels. @{ */
    double RESX, RESY;
    /** @} */
    double W_CLIP_INSET;        /**< the near plane on w: 0.05 */
} VANTAGE;

/** One picture of the stadium: the scene's projected copy of the model, its
 * cursors, the rapid-pan state, its settings and view state.  Made by
 * InitScene and owned by the host until DestroyScene; the library writes it
 * in every frame. */
typedef struct SCENE {
    POINT3D *PointList;             /**< QUELM_MAX_VERTICES records; point i is model vertex i */
    sSPOINT *ScreenPointList;       /**< QUELM_MAX_VERTICES records, parallel to PointList */
    EDGELIST *EdgeList;             /**< QUELM_MAX_EDGES records; the model's, then cut edges */
    POLYGONLIST *ScenePolygonList;  /**< QUELM_MAX_POLYGONS records, copies of the model's */
    int32_t iScreenNumVerts;        /**< points in use */
    int32_t iScreenNumEdges;        /**< edges in use; 0 until the model is registered */
    int32_t iScreenNumPolygons;     /**< polygons in use */
    int32_t iCurrentLine;           /**< line cursor, moved by no call */
    int32_t iCurrentSurface;        /**< cursor of the scene surface iteration */
    int32_t iRapidPansTally;        /**< rapid pans since the last complete reprojection */
    int32_t iRapidPansLimit;        /**< 0..2, moved only by RenderRate */
    uint32_t SceneSettings;         /**< PLAN_* bits and the host's own bits */
    VANTAGE Perspective;            /**< view state of the last frame */
} SCENE;

/** Camera modes (CAMERA.View); any other value is treated as idle. @{ */
#define VIEW_IDLE 0   /**< nothing moves the camera */
#define VIEW_DOLLY 1  /**< the host or the coordinate dialog places it */
#define VIEW_SPIN 2   /**< each update advances the spin demonstration */
/** @} */

/** The host's view description.  The host fills the position, the target,
 * RenderRect and Magnification; SetView writes Xn, Yn, Zn.  Made by the host
 * or by InitCamera. */
typedef struct CAMERA {
    double ViewDistance;                /**< kept for the host; no view computation reads it */
    /** The point looked at. @{ */
    double Xtarget, Ytarget, Ztarget;
    /** @} */
    /** The centre of projection. @{ */
    double Xcamera, Ycamera, Zcamera;
    /** @} */
    /** Out: unit line of sight. @{ */
    double Xn, Yn, Zn;
    /** @} */
    double BankAngle;                   /**< radians; kept and edited, not used by the view */
    RECT RenderRect;                    /**< drawn pixels, bounds inclusive */
    double Magnification;               /**< pixels per world unit at the target, > 0 */
    int32_t View;                       /**< VIEW_IDLE, VIEW_DOLLY or VIEW_SPIN */
    void *Control;                      /**< SPINDEMO_VIEW of a spin camera, else null */
} CAMERA;

/** A spin camera's private record (CAMERA.Control), owned by the camera.
 * Lengths in world units, steps in tenths of a degree per update; angles
 * from +x towards +y. */
typedef struct SPINDEMO_VIEW {
    int32_t CameraRadius;   /**< radius of the camera's circle; 2700 */
    int32_t TargetRadius;   /**< radius of the target's circle; 540 */
    int32_t TW;             /**< 128, shown in the spin dialog only */
    int32_t CameraHeight;   /**< z of the camera; 360 */
    int32_t TargetHeight;   /**< z of the target; 72 */
    int32_t CameraStep;     /**< the camera's step; 0 */
    int32_t TargetStep;     /**< the target's step; 0 */
    double Magnification;   /**< 1.0, copied into the camera at every step */
    double CameraAngle;     /**< radians in [0, 2 pi) */
    double TargetAngle;     /**< radians in [0, 2 pi) */
} SPINDEMO_VIEW;

/** SetView's change bits. @{ */
#define VIEW_TARGET_MOVED 0x1    /**< the target moved */
#define VIEW_SCREEN_CHANGED 0x2  /**< the render rectangle's size or the magnification changed */
#define VIEW_CAMERA_MOVED 0x4    /**< the camera moved */
/** @} */

/* ----------------------------------------------------------------- scenes */

/** Creates a scene with SCENE_SETTINGS_INITIAL, a rapid-pan limit of 0 and
 * its four pools; the first live scene also builds the shared stadium model
 * (the one slow call of the library) and loads "quelm.bmp" (see OpenDIB),
 * which the model may lack.
 * @return the scene, owned by the host until DestroyScene; null when memory
 * runs out, in which case everything allocated for it has been released and
 * no model is left behind. */
QUELM_EXTERN_C SCENE *QUELMAPI InitScene(void);
/** Destroys a scene and its pools; the last live scene takes the model with
 * it, and a later InitScene builds it afresh.  Null, or a call while no scene
 * lives, is ignored.  Destroying a scene twice is undefined. */
QUELM_EXTERN_C void QUELMAPI DestroyScene(SCENE *Scene);
/** @return SceneSettings & SceneSetting: the bits themselves, not a truth
 * value (asking for PLAN_FINE gives PLAN_FINE or 0). */
QUELM_EXTERN_C int32_t QUELMAPI GetSceneSetting(SCENE *Scene, int32_t SceneSetting);
/** ORs the mask into SceneSettings, unchecked; takes effect at the scene's
 * next complete reprojection. */
QUELM_EXTERN_C void QUELMAPI SetSceneSetting(SCENE *Scene, int32_t SceneSetting);
/** Clears the mask's bits in SceneSettings, unchecked. */
QUELM_EXTERN_C void QUELMAPI ResetSceneSetting(SCENE *Scene, int32_t SceneSetting);
/** Frame-rate adaptation, one step per call.  Want is the time the host
 * wants a frame to take, Took what the last one took, in any one unit.  A
 * slow frame (Took > Want) first raises iRapidPansLimit up to 2, then swaps
 * the fine playing surface for the coarse one (PLAN_FINE, PLAN_COARSE); a
 * fast frame undoes the same in reverse; equal times change nothing.  The
 * swap tests only the bit being given up and flips both. */
QUELM_EXTERN_C void QUELMAPI RenderRate(SCENE *Scene, int32_t Want, int32_t Took);

/* ------------------------------------------------------------------ frame */

/** Draws the stadium as seen from Camera into the host's 8-bit DIB (pBMI,
 * pBits: header with palette and pixel rows, passed to FillConvexPoly
 * unexamined), surface by surface in model order, each filled with the low
 * byte of its material.  Brings Scene->Perspective and the scene's projected
 * copy up to date and leaves the model's surface cursor at its first
 * surface.  Allocates nothing.
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
/* These calls work on the shared model, which exists while a scene lives;
 * called while no scene lives they are undefined.  The current surface is the polygon at
 * MODEL.iCurrentSurface; every successful add makes the new polygon current.
 * Calls whose cursor or position names no polygon or vertex read 0 and write
 * nothing. */

/** Allocates the model's three pools (zero-filled) and sets every count and
 * cursor to 0, the default material and action to 0 and the default
 * visibility to 0x80001 (PLAN_GROUND | VIS_DRAW).  Pools it had before are
 * not released: the stadium builder calls it once per model.
 * @return 1 when every pool was obtained, else 0 (no add then succeeds). */
QUELM_EXTERN_C int32_t QUELMAPI PolygonModelInit(void);
/** Releases the model's three pools; the MODEL record itself goes with the
 * last scene. */
QUELM_EXTERN_C void QUELMAPI PolygonModelDiscard(void);
/** @return the surface cursor, MODEL.iCurrentSurface. */
QUELM_EXTERN_C int32_t QUELMAPI PolygonModelCurrentSurface(void);
/** Starts the surface iteration: sets the cursor to -1, then acts as
 * PolygonModelNextSurface.
 * @return numv of the first polygon with VIS_DRAW, 0 when there is none. */
QUELM_EXTERN_C int32_t QUELMAPI PolygonModelFirstSurface(void);
/** Moves the cursor forward to the next polygon with VIS_DRAW.
 * @return its numv; 0 at the end, where the cursor rests at iNumPolygons. */
QUELM_EXTERN_C int32_t QUELMAPI PolygonModelNextSurface(void);
/** Moves the cursor back to the previous polygon with VIS_DRAW.
 * @return its numv; 0 when there is none, the cursor then resting at 0. */
QUELM_EXTERN_C int32_t QUELMAPI PolygonModelPreviousSurface(void);
/** Copies vertex v[iMag] of the current surface, all four members, to *Verts.
 * iMag is a position within the surface, 0 to numv - 1.
 * @return the vertex's visible word (its plan bits); 0, Verts untouched, for a
 * position or cursor that names no vertex. */
QUELM_EXTERN_C uint32_t QUELMAPI PolygonModelVertex(int32_t iMag, VERTEX3D *Verts);
/** Starts the line iteration over every edge in pool order: sets the line
 * cursor to -1, then acts as PolygonModelNextLine.
 * @return 1, or 0 when the model has no edge. */
QUELM_EXTERN_C int32_t QUELMAPI PolygonModelFirstLine(VERTEX3D *Verts);
/** Advances the line cursor to the next edge and copies x, y, z of its
 * vertex a to Verts[0] and of b to Verts[1] (Verts: two records; their
 * visible members are left alone).
 * @return 1, or 0 past the last edge, Verts untouched. */
QUELM_EXTERN_C int32_t QUELMAPI PolygonModelNextLine(VERTEX3D *Verts);
/** Appends a vertex at Verts' x, y, z without looking for an equal one; its
 * visible word is the default visibility's plan bits.
 * @return its index; 0 when QUELM_MAX_VERTICES are in use (compare
 * iNumVerts to tell that from index 0). */
QUELM_EXTERN_C int32_t QUELMAPI PolygonModelAddVertex(VERTEX3D *Verts);
/** Overwrites vertex iMag (an index into VertexList) with *Verts, all four
 * members; an index that names no vertex changes nothing.  May make two
 * vertices equal, of which PolygonModelAdd then reuses the first. */
QUELM_EXTERN_C void QUELMAPI PolygonModelMoveVertex(int32_t iMag, VERTEX3D *Verts);
/** Adds a polygon over existing vertices: PolyVerts holds iMag (1 to 7)
 * vertex indices in drawing order.  Each side reuses the edge joining its
 * two vertices either way round, or makes one (whose vertices then take the
 * default visibility's plan bits); edges take the default action as
 * PolygonModelAdd gives it.  The polygon takes the default material and
 * visibility and becomes current.
 * @return the new polygon's index; 0 when the polygon or edge pool is full,
 * iMag is out of range or an index names no vertex (edges made before the
 * edge pool ran full stay).  Compare iNumPolygons to tell 0 from index 0. */
QUELM_EXTERN_C int32_t QUELMAPI PolygonModelAddSurface(int32_t iMag, int32_t *PolyVerts);
/** Adds a polygon by coordinates: Verts holds iMag (2 to 7) vertices (x, y, z
 * read).  Each vertex reuses the first equal one in the pool, which gains
 * the default visibility's plan bits, or is appended with them; each side
 * reuses the edge joining its vertices either way round (keeping its
 * direction) or is appended; consecutive equal vertices are merged.  A new
 * edge takes the default action's flags and, under ACT_CHAIN, a first link
 * to the edge after it; a reused edge without an action takes the default
 * one.  The polygon takes the default material and visibility and becomes
 * current.
 * @return 1; 0 when iMag is out of range or a pool is full, in which case no
 * polygon is recorded but vertices and edges already appended stay. */
QUELM_EXTERN_C int32_t QUELMAPI PolygonModelAdd(int32_t iMag, VERTEX3D *Verts);
/** @return material of the current surface; 0 when the cursor names none. */
QUELM_EXTERN_C int32_t QUELMAPI PolygonModelGetMaterial(void);
/** Sets the material (palette index in the low byte) of the current surface
 * to iMag. */
QUELM_EXTERN_C void QUELMAPI PolygonModelSetMaterial(int32_t iMag);
/** Sets the material iMag that every polygon added from now on takes. */
QUELM_EXTERN_C void QUELMAPI PolygonModelSetDefaultMaterial(int32_t iMag);
/** @return the visibility word of the current surface; 0 when the cursor
 * names none.  Scene is not used. */
QUELM_EXTERN_C uint32_t QUELMAPI PolygonModelGetVisibility(SCENE *Scene);
/** Sets the visibility word iMag that every polygon added from now on takes;
 * its plan bits also go to the vertices those polygons use. */
QUELM_EXTERN_C void QUELMAPI PolygonModelSetDefaultVisibility(int32_t iMag);
/** Sets the whole visibility word of the current surface to iMag; its
 * vertices' plan bits are not touched. */
QUELM_EXTERN_C void QUELMAPI PolygonModelSetVisibility(int32_t iMag);
/** Reverses the iNumPts (at most 7) records of p3D in place, all four
 * members moving: turns a polygon's winding. */
QUELM_EXTERN_C void QUELMAPI ReverseVertexOrder(VERTEX3D *p3D, int32_t iNumPts);

/* ------------------------------------------------------------ scene store */
/* A scene's pools as the last RenderScene or AddModelToScene left them.  The
 * current surface is the scene polygon at SCENE.iCurrentSurface.  A host
 * walks a drawn scene with PolygonSceneFirstSurface, reads each surface's
 * colour and corners (positions 0 to numv - 1), and goes on with
 * PolygonSceneNextSurface until it returns 0.  Queries whose cursor or
 * position names no vertex of a current surface read 0 and write nothing. */

/** Allocates the scene's four pools (zero-filled), sets SceneSettings to
 * SCENE_SETTINGS_INITIAL and iRapidPansLimit to 0, clears it as
 * PolygonSceneClear does and leaves it unregistered (iScreenNumEdges 0), so
 * that its first frame copies the model in.  InitScene calls it.
 * @return 1 when every pool was obtained, else 0 (those obtained stay). */
QUELM_EXTERN_C int32_t QUELMAPI PolygonSceneInit(SCENE *Scene);
/** Releases the scene's four pools; the SCENE itself goes with DestroyScene. */
QUELM_EXTERN_C void QUELMAPI PolygonSceneDiscard(SCENE *Scene);
/** Sets the rapid-pan tally, both cursors and the point and polygon counts to
 * 0.  iScreenNumEdges is kept, so the scene stays registered and its
 * surface pool stays empty until a registration. */
QUELM_EXTERN_C void QUELMAPI PolygonSceneClear(SCENE *Scene);
/** @return the surface cursor, SCENE.iCurrentSurface. */
QUELM_EXTERN_C int32_t QUELMAPI PolygonSceneCurrentSurface(SCENE *Scene);
/** Starts the walk over the surfaces drawn this frame: sets the cursor to
 * -1, then acts as PolygonSceneNextSurface.
 * @return numv of the first surface with VIS_DRAW, 0 when there is none. */
QUELM_EXTERN_C int32_t QUELMAPI PolygonSceneFirstSurface(SCENE *Scene);
/** Moves the cursor forward to the next scene polygon with VIS_DRAW.
 * @return its numv; 0 at the end, where the cursor rests at
 * iScreenNumPolygons. */
QUELM_EXTERN_C int32_t QUELMAPI PolygonSceneNextSurface(SCENE *Scene);
/** Moves the cursor back to the previous scene polygon with VIS_DRAW.
 * @return its numv; 0 when there is none, the cursor then resting at 0. */
QUELM_EXTERN_C int32_t QUELMAPI PolygonScenePreviousSurface(SCENE *Scene);
/** @return numv of the current surface; 0 when the cursor names none. */
QUELM_EXTERN_C int32_t QUELMAPI PolygonSceneSurface(SCENE *Scene);
/** Copies the screen point of vertex v[iMag] of the current surface (iMag a
 * position within it) to *Point.
 * @return that point's status word (PT_* and plan bits): PT_DIVIDE tells a
 * divided point from one behind the near plane. */
QUELM_EXTERN_C uint32_t QUELMAPI PolygonSceneScreenPoint(SCENE *Scene, int32_t iMag,
                                                         sSPOINT *Point);
/** Copies the whole projected point of vertex v[iMag] of the current surface
 * to *Point.
 * @return its status word, as PolygonSceneScreenPoint. */
QUELM_EXTERN_C uint32_t QUELMAPI PolygonScenePoint(SCENE *Scene, int32_t iMag, POINT3D *Point);
/** @return material of the current surface: its palette index in the low
 * byte; 0 when the cursor names none. */
QUELM_EXTERN_C int32_t QUELMAPI PolygonSceneGetMaterial(SCENE *Scene);

/* --------------------------------------------------------- plane geometry */

/** @return a*d - b*c in wrapping 32-bit arithmetic. */
QUELM_EXTERN_C int32_t QUELMAPI iDeterminant(int32_t a, int32_t b, int32_t c, int32_t d);
/** v3 = (v1.y*v2.z - v1.z*v2.y, v1.x*v2.z - v1.z*v2.x, v1.x*v2.y - v1.y*v2.x)
 * in wrapping 32-bit arithmetic: note the middle component's sign.  Only x,
 * y, z are read and written. */
QUELM_EXTERN_C void QUELMAPI iCrossProduct(VERTEX3D *v1, VERTEX3D *v2, VERTEX3D *v3);
/** @return 1 when OutsidePoint lies on the negative side of the plane through
 * the three vertices, else 0. */
QUELM_EXTERN_C int32_t QUELMAPI FrontFacingPolygon(VERTEX3D *Vertex0, VERTEX3D *Vertex1,
                                                   VERTEX3D *Vertex2, VERTEX3D *OutsidePoint);

/* ------------------------------------------------------------- view set-up */

/** Derives Perspective from View and writes View's Xn, Yn, Zn.
 * @return the VIEW_* change bits, 0 for no change (moves shorter than 0.01
 * units count as none), -1 when no view can be built.  Camera on the target:
 * the new positions are stored, the matrices stay.  Refused views change
 * nothing but W_CLIP_INSET, which every call sets to 0.05: Magnification not
 * above 0 or not finite, a visible span of less than one world unit across
 * or down, a position or target member that is not finite or lies beyond
 * +-1e15, a RenderRect narrower than 1 pixel (right < left) or wider or
 * taller than 32767 pixels.  top may lie below bottom.  A camera straight
 * above or below the target is not refused: the up axis is then undefined
 * and the matrices keep their previous horizontal axes. */
QUELM_EXTERN_C int32_t QUELMAPI SetView(CAMERA *View, VANTAGE *Perspective);

/* -------------------------------------------------------------- transforms */
/* Single points through a scene's view (its Perspective after a frame), so a
 * host can place its own sprites in the same picture. */

/** World point (Xw, Yw, Zw) to screen pixels (*Xs, *Ys).
 * @return 1; 0, outputs untouched, when it lies behind the near plane.
 * Results beyond the 32-bit range saturate. */
QUELM_EXTERN_C int32_t QUELMAPI WorldToScreen(VANTAGE *Perspective, int32_t *Xs, int32_t *Ys,
                                              int32_t Xw, int32_t Yw, int32_t Zw);
/** World point to camera coordinates (*Xc, *Yc, *Zc): origin at the target,
 * z along the line of sight. */
QUELM_EXTERN_C void QUELMAPI WorldToCamera(VANTAGE *Perspective, double *Xc, double *Yc,
                                           double *Zc, int32_t Xw, int32_t Yw, int32_t Zw);
/** Camera coordinates to screen pixels, never refusing: points behind the
 * camera come out mirrored.  Results beyond the 32-bit range saturate. */
QUELM_EXTERN_C void QUELMAPI CameraToScreen(VANTAGE *Perspective, int32_t *Xs, int32_t *Ys,
                                            double Xc, double Yc, double Zc);
/** @return the squared distance from the camera of the last set-up, in
 * 32-bit integers: beyond 2147483647 (about 46340 units away) the sum wraps
 * around. */
QUELM_EXTERN_C int32_t QUELMAPI WorldToScreenZSquare(VANTAGE *Perspective, int32_t Xw,
                                                     int32_t Yw, int32_t Zw);
/** @return the distance from the camera of the last set-up, rounded;
 * saturates at 2147483647. */
QUELM_EXTERN_C int32_t QUELMAPI WorldToScreenZ(VANTAGE *Perspective, int32_t Xw, int32_t Yw,
                                               int32_t Zw);

/* -------------------------------------------------------------- projection */

/** Brings the scene's projection up to date for this frame; Delta is what
 * SetView returned.  A scene's first frame copies Model's edges and polygons
 * in; then no change does nothing, a target-only move makes a rapid pan
 * while fewer than iRapidPansLimit have followed each other, and anything
 * else (-1 included) reprojects completely.  RenderScene calls it; Model is
 * the shared model. */
QUELM_EXTERN_C void QUELMAPI AddModelToScene(SCENE *Scene, MODEL *Model, int32_t Delta);

/* ----------------------------------------------------------------- cameras */

/** A new zero-filled camera in mode View: VIEW_DOLLY a dolly camera, VIEW_SPIN
 * or VIEW_IDLE (0) a spin camera at the demonstration's starting position,
 * anything else an idle one.  The host fills RenderRect.
 * @return the camera, owned by the host until DestroyCamera; null when memory
 * runs out.  A spin camera whose spin record cannot be had comes back idle. */
QUELM_EXTERN_C CAMERA *QUELMAPI InitCamera(int32_t View);
/** Releases a camera made by InitCamera (not null) and its spin record.
 * Destroying a camera twice is undefined. */
QUELM_EXTERN_C void QUELMAPI DestroyCamera(CAMERA *Camera);
/** One spin step for a spin camera (as UpdateCameraTime); further arguments
 * are ignored.  Variadic and caller-pops on every platform. */
QUELM_EXTERN_C void QUELMCDECL UpdateCamera(CAMERA *Camera, ...);
/** Advances a spin camera one step (MakeSpinDemoView); other modes do
 * nothing.  No clock is read: the spin's speed is per call. */
QUELM_EXTERN_C void QUELMAPI UpdateCameraTime(CAMERA *Camera);
/** Switches the camera to NewView.  Leaving VIEW_SPIN releases the spin
 * record and keeps the camera where it stands; entering it makes a fresh
 * record (InitSpinDemoView), so the camera jumps to the starting position.
 * Unknown modes, current or requested, change nothing. */
QUELM_EXTERN_C void QUELMAPI ChangeCamera(CAMERA *Camera, int32_t NewView);
/** @return "idle", "dolly", "spin" or "-undefined-" for the camera's mode; a
 * static string, neither to change nor to free. */
QUELM_EXTERN_C const char *QUELMAPI CameraTerm(CAMERA *Camera);

/* ------------------------------------------------------ spin demonstration */
/* The spin camera: camera and target each circle the vertical axis through
 * the origin at their own radius, height and step (SPINDEMO_VIEW). */

/** Puts the camera in VIEW_SPIN, making its spin record with the defaults
 * when it has none (a record it has keeps its parameters and angles), and
 * makes one step.  A record that cannot be had leaves the camera as it was. */
QUELM_EXTERN_C void QUELMAPI InitSpinDemoView(CAMERA *Camera);
/** One step: advances both angles by their steps and writes the camera's
 * position and target (whole units), BankAngle 0 and the record's
 * Magnification.  Nothing without a spin record. */
QUELM_EXTERN_C void QUELMAPI MakeSpinDemoView(CAMERA *Camera);
/** Copies the spin dialog's slider values into the camera's spin record
 * (magnification in thousandths); the angles stay and the camera moves at
 * its next update.  Nothing without a spin record. */
QUELM_EXTERN_C void QUELMAPI SpinDemoChanged(CAMERA *Camera);
/** Copies the camera's spin record into the spin dialog's slider values, the
 * magnification rounded to thousandths.  Nothing without a spin record. */
QUELM_EXTERN_C void QUELMAPI ChangeSpinDemo(CAMERA *Camera);

/* ---------------------------------------------------------- tuning dialogs */
/* Two modal dialogs with a row of sliders.  Each slider move is stored in the
 * dialog's module-wide table and posted at once to the host window as
 * WM_COMMAND, wParam the slider's identifier (101-109 coordinate dialog,
 * 201-208 spin dialog) and lParam the new value's low 16 bits.  A host that
 * tunes live answers with ViewChanged or SpinDemoChanged and redraws.
 * Outside Windows a host shows them through quelm_dialoghost.h. */

/** Copies the coordinate dialog's slider values into the camera:
 * ViewDistance, target, position (whole units), BankAngle (from degrees) and
 * Magnification (from thousandths).  The mode is not looked at. */
QUELM_EXTERN_C void QUELMAPI ViewChanged(CAMERA *Camera);
/** Copies the same members of the camera into the coordinate dialog's slider
 * values, truncated (the magnification to thousandths). */
QUELM_EXTERN_C void QUELMAPI ChangeView(CAMERA *Camera);
/** Runs the coordinate dialog modally, hWnd owning it and receiving its
 * reports.
 * @return 1 after OK, 0 after Cancel (which undoes nothing), -1 when the
 * dialog could not be had. */
QUELM_EXTERN_C int32_t QUELMAPI DoCoordinateSystemDlg(HWND hWnd);
/** The coordinate dialog's procedure (the Windows dialog-procedure
 * arguments). @return TRUE when the message was handled. */
QUELM_EXTERN_C INT_PTR CALLBACK CoordinateSystemDlgProc(HWND hDlg, UINT message, WPARAM wParam,
                                                        LPARAM lParam);
/** Runs the spin dialog modally; results as DoCoordinateSystemDlg. */
QUELM_EXTERN_C int32_t QUELMAPI DoSpinDemoFeaturesDlg(HWND hWnd);
/** The spin dialog's procedure. @return TRUE when the message was handled. */
QUELM_EXTERN_C INT_PTR CALLBACK SpinDemoFeaturesDlgProc(HWND hDlg, UINT message, WPARAM wParam,
                                                        LPARAM lParam);

#ifdef __cplusplus
} /* extern "C" */
#endif

/* ------------------------------------------------------- record layouts */
/** @cond */
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
/** @endcond */

#include "quelm_names_end.h"

#endif /* QUELM_H */
