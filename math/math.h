// math.h - the view mathematics' internal calls.  SetView and the exported
// transforms are declared in quelm.h.
#ifndef QUELM_MATH_MATH_H
#define QUELM_MATH_MATH_H

#include "quelm.h"

// The near plane on w (W_CLIP_INSET), which every set-up writes and the
// transforms test against.
inline constexpr double kNearPlaneW = 0.05;

// Steps of SetView, in the order it calls them; each returns 1 on success.
// Unit line of sight and CAMARA_DIST from XT.. and XPC..; 0 (nothing stored)
// when camera and target are closer than 1e-6.
int32_t SetViewplaneNormal(VANTAGE *Perspective);
// Up reference (0, 0, -1) whatever is passed.
int32_t SetViewupFromBankAngle(VANTAGE *Perspective, double bank_angle, double dXr, double dYr,
                               double dZr);
// CM from the line of sight and the up reference; 0 when the line of sight is
// vertical, leaving columns 0 and 1 and row 3 of CM as they were.
int32_t SetWorldToCamera(VANTAGE *Perspective);
// QM from RESX, RESY, QUELMX, QUELMY and CAMARA_DIST.
int32_t SetCameraToScreen(VANTAGE *Perspective);
// TM = CM followed by QM.
int32_t SetWorldToScreen(VANTAGE *Perspective);

// World point times TM, not divided through.
void WorldToScene(VANTAGE *Perspective, double *u, double *v, double *w, int32_t Xw, int32_t Yw,
                  int32_t Zw);
// WorldToScreen for the library's own stages: false, outputs untouched,
// behind the near plane.
bool WorldToScreenPoint(const VANTAGE *Perspective, int32_t *Xs, int32_t *Ys, int32_t Xw,
                        int32_t Yw, int32_t Zw);

#endif
