// materials.h - the stadium's materials, one row each: the palette index the
// builder fills surfaces with, and the colour the host tools' default
// palette (common/palette.cpp) shows it in, as red, green, blue.
#ifndef QUELM_STADIUM_MATERIALS_H
#define QUELM_STADIUM_MATERIALS_H

// M(name, palette index, red, green, blue)
#define QUELM_MATERIALS(M)                                                              \
    M(QUELM_MAT_TURF, 32, 46, 120, 40)            /* coarse surface, half the checks */ \
    M(QUELM_MAT_END_ZONE_MINUS, 34, 176, 32, 36)  /* -y end zone */                     \
    M(QUELM_MAT_TURF_ALT, 35, 56, 134, 48)        /* the other half of the checks */    \
    M(QUELM_MAT_GROUND, 36, 70, 84, 44)           /* ground around the field */         \
    M(QUELM_MAT_LINE, 37, 255, 255, 255)          /* goal and yard lines, border */     \
    M(QUELM_MAT_GOAL_FRAME, 38, 255, 216, 0)                                            \
    M(QUELM_MAT_END_ZONE_PLUS, 43, 24, 56, 168)   /* +y end zone, near marks */         \
    M(QUELM_MAT_FAR_MARK, 44, 222, 226, 220)      /* medium and far hash marks */       \
    M(QUELM_MAT_SKY, 51, 112, 164, 232)                                                 \
    M(QUELM_MAT_NUMBER, 54, 255, 255, 255)        /* yard numbers */                    \
    M(QUELM_MAT_PAD, 59, 40, 52, 96)              /* goal frame pads */                 \
    M(QUELM_MAT_PYLON, 61, 255, 120, 0)                                                 \
    M(QUELM_MAT_STANDS, 63, 150, 146, 138)

enum QuelmMaterial {
#define QUELM_MATERIAL_INDEX(name, index, red, green, blue) name = index,
    QUELM_MATERIALS(QUELM_MATERIAL_INDEX)
#undef QUELM_MATERIAL_INDEX
};

#endif
