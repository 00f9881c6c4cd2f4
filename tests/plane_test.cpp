// Plane geometry: determinants, the cross product with its middle sign, and
// the facing test.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "model/model.h"

TEST(iDeterminant, IsAdMinusBcWrappingIn32Bits) {
    EXPECT_EQ(iDeterminant(2, 3, 4, 5), -2);
    EXPECT_EQ(iDeterminant(65536, 0, 0, 65536), 0);  // 2^32 wraps to 0
    EXPECT_EQ(iDeterminant(INT_MAX, 0, 0, 2), -2);
    EXPECT_DOUBLE_EQ(Determinant(2.0, 3.0, 4.0, 5.0), -2.0);
}

// The middle component has the opposite of the usual sign; the output may be
// an input, and its visible member is left alone.
TEST(iCrossProduct, MiddleComponentHasOppositeSign) {
    VERTEX3D z = {0, 0, 1, 0}, x = {1, 0, 0, 0}, out = {9, 9, 9, 77};
    iCrossProduct(&z, &x, &out);
    EXPECT_EQ((std::vector<int32_t>{out.x, out.y, out.z}), (std::vector<int32_t>{0, -1, 0}));
    EXPECT_EQ(out.visible, 77u);
    VERTEX3D a = {1, 2, 3, 0}, b = {4, 5, 6, 0};
    iCrossProduct(&a, &b, &a);
    EXPECT_EQ((std::vector<int32_t>{a.x, a.y, a.z}), (std::vector<int32_t>{-3, -6, -3}));
    POINT3D c = {1, 2, 3, 5}, d = {4, 5, 6, 0}, e = {0, 0, 0, 42};
    CrossProduct(&c, &d, &e);
    EXPECT_EQ((std::vector<double>{e.u, e.v, e.w}), (std::vector<double>{-3.0, -6.0, -3.0}));
    EXPECT_EQ(e.visible, 42u);
}

// Front facing when L = the plane's value at the point is negative; the
// plane's D is added, not subtracted.
TEST(FrontFacingPolygon, SideOfTheTrianglePlane) {
    const struct {
        int32_t z0, z;  // the triangle's height, the point's
        int32_t front;
    } rows[] = {{0, 1, 0}, {0, -1, 1}, {0, 0, 0}, {10, -5, 0}, {10, -11, 1}};
    for (const auto &r : rows) {
        VERTEX3D v0 = {0, 0, r.z0, 0}, v1 = {1, 0, r.z0, 0}, v2 = {0, 1, r.z0, 0};
        VERTEX3D p = {5, 5, r.z, 0};
        EXPECT_EQ(FrontFacingPolygon(&v0, &v1, &v2, &p), r.front) << r.z0 << " " << r.z;
    }
}
