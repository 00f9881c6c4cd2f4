// Plane geometry: determinants, the cross product with its middle sign, and
// the facing test.
#include <gtest/gtest.h>

#include <climits>

#include "model/model.h"

TEST(iDeterminant, IsAdMinusBc) {
    EXPECT_EQ(iDeterminant(2, 3, 4, 5), -2);
    EXPECT_EQ(iDeterminant(0, 0, 0, 0), 0);
}

TEST(iDeterminant, WrapsIn32Bits) {
    // 65536 * 65536 = 2^32 wraps to 0; INT_MAX * 2 wraps to -2.
    EXPECT_EQ(iDeterminant(65536, 0, 0, 65536), 0);
    EXPECT_EQ(iDeterminant(INT_MAX, 0, 0, 2), -2);
}

TEST(Determinant, FormsDaMinusCb) { EXPECT_DOUBLE_EQ(Determinant(2.0, 3.0, 4.0, 5.0), -2.0); }

TEST(iCrossProduct, MiddleComponentHasOppositeSign) {
    VERTEX3D x = {1, 0, 0, 0}, y = {0, 1, 0, 0}, z = {0, 0, 1, 0}, out = {9, 9, 9, 77};
    iCrossProduct(&x, &y, &out);
    EXPECT_EQ(out.x, 0);
    EXPECT_EQ(out.y, 0);
    EXPECT_EQ(out.z, 1);
    EXPECT_EQ(out.visible, 77u);  // output's visible left alone
    iCrossProduct(&z, &x, &out);
    EXPECT_EQ(out.x, 0);
    EXPECT_EQ(out.y, -1);  // the usual cross product would give +1
    EXPECT_EQ(out.z, 0);
}

TEST(iCrossProduct, OutputMayAliasInput) {
    VERTEX3D a = {1, 2, 3, 0}, b = {4, 5, 6, 0};
    iCrossProduct(&a, &b, &a);
    EXPECT_EQ(a.x, 2 * 6 - 3 * 5);
    EXPECT_EQ(a.y, 1 * 6 - 3 * 4);
    EXPECT_EQ(a.z, 1 * 5 - 2 * 4);
}

TEST(CrossProduct, DoubleFormMatchesIntegerForm) {
    POINT3D a = {1, 2, 3, 5}, b = {4, 5, 6, 0}, out = {0, 0, 0, 42};
    CrossProduct(&a, &b, &out);
    EXPECT_EQ(out.u, -3.0);
    EXPECT_EQ(out.v, -6.0);
    EXPECT_EQ(out.w, -3.0);
    EXPECT_EQ(out.visible, 42u);
}

TEST(FrontFacingPolygon, SideOfTheTrianglePlane) {
    VERTEX3D v0 = {0, 0, 0, 0}, v1 = {1, 0, 0, 0}, v2 = {0, 1, 0, 0};
    VERTEX3D above = {0, 0, 1, 0}, below = {0, 0, -1, 0}, inPlane = {5, 5, 0, 0};
    EXPECT_EQ(FrontFacingPolygon(&v0, &v1, &v2, &above), 0);
    EXPECT_EQ(FrontFacingPolygon(&v0, &v1, &v2, &below), 1);
    EXPECT_EQ(FrontFacingPolygon(&v0, &v1, &v2, &inPlane), 0);  // L = 0 is not < 0
}

TEST(FrontFacingPolygon, DIsAddedNotSubtracted) {
    VERTEX3D v0 = {0, 0, 10, 0}, v1 = {1, 0, 10, 0}, v2 = {0, 1, 10, 0};
    VERTEX3D p5 = {0, 0, -5, 0}, p11 = {0, 0, -11, 0};
    EXPECT_EQ(FrontFacingPolygon(&v0, &v1, &v2, &p5), 0);   // L = 5
    EXPECT_EQ(FrontFacingPolygon(&v0, &v1, &v2, &p11), 1);  // L = -1
}
