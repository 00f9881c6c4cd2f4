// Plane geometry on the store's point records: determinants, cross products
// and the facing test.  Integer forms wrap in 32 bits, as the model's
// arithmetic does everywhere.
#include "model/model.h"

#include <cstdint>

#include "math/wrap.h"

extern "C" int32_t QUELMAPI iDeterminant(int32_t a, int32_t b, int32_t c, int32_t d) {
    return WrapSub(WrapMul(a, d), WrapMul(b, c));
}

double Determinant(double a, double b, double c, double d) {
    const double ad = d * a;
    const double bc = c * b;
    return ad - bc;
}

// The middle component is v1.x*v2.z - v1.z*v2.x: the opposite sign of the
// usual cross product, kept because callers depend on it.
extern "C" void QUELMAPI iCrossProduct(VERTEX3D *v1, VERTEX3D *v2, VERTEX3D *v3) {
    const int32_t x = iDeterminant(v1->y, v1->z, v2->y, v2->z);
    const int32_t y = iDeterminant(v1->x, v1->z, v2->x, v2->z);
    const int32_t z = iDeterminant(v1->x, v1->y, v2->x, v2->y);
    v3->x = x;
    v3->y = y;
    v3->z = z;
}

void CrossProduct(POINT3D *v1, POINT3D *v2, POINT3D *v3) {
    const double u = Determinant(v1->v, v1->w, v2->v, v2->w);
    const double v = Determinant(v1->u, v1->w, v2->u, v2->w);
    const double w = Determinant(v1->u, v1->v, v2->u, v2->v);
    v3->u = u;
    v3->v = v;
    v3->w = w;
}

extern "C" int32_t QUELMAPI FrontFacingPolygon(VERTEX3D *Vertex0, VERTEX3D *Vertex1,
                                               VERTEX3D *Vertex2, VERTEX3D *OutsidePoint) {
    VERTEX3D e1 = {WrapSub(Vertex1->x, Vertex0->x), WrapSub(Vertex1->y, Vertex0->y),
                   WrapSub(Vertex1->z, Vertex0->z), 0};
    VERTEX3D e2 = {WrapSub(Vertex2->x, Vertex0->x), WrapSub(Vertex2->y, Vertex0->y),
                   WrapSub(Vertex2->z, Vertex0->z), 0};
    VERTEX3D n = {0, 0, 0, 0};
    iCrossProduct(&e1, &e2, &n);
    const int32_t d = WrapAdd(WrapAdd(WrapMul(n.x, Vertex0->x), WrapMul(n.y, Vertex0->y)),
                              WrapMul(n.z, Vertex0->z));
    // D is added, not subtracted: the test is against the plane through the
    // mirror image of Vertex0.
    const int32_t l = WrapAdd(WrapAdd(WrapAdd(WrapMul(n.x, OutsidePoint->x),
                                              WrapMul(n.y, OutsidePoint->y)),
                                      WrapMul(n.z, OutsidePoint->z)),
                              d);
    return l < 0 ? 1 : 0;
}
