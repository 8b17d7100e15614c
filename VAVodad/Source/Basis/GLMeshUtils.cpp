#include "GLMeshUtils.h"

namespace {

// Appends the strip's triangles, each corner taken through corner(i) from strip entry i.
template <class TList, class Corner> void AppendStripTriangles(int32_t stripCount, TList* list, Corner corner)
{
    if (stripCount < 3) return;
    list->AdjustCapacityToAtLeast(list->Count() + 3 * (stripCount - 2));
    for (int32_t i = 0; i + 2 < stripCount; ++i) {
        if (i % 2 == 0)
            list->Add(corner(i), corner(i + 1), corner(i + 2));
        else
            list->Add(corner(i + 2), corner(i + 1), corner(i));
    }
}

} // namespace

void StripToTriangleList(TAffineVectorList* strip, TAffineVectorList* list)
{
    const TVector3f* s = strip->List();
    AppendStripTriangles(strip->Count(), list, [s](int32_t i) { return s[i]; });
}

void StripToTriangleList(TIntegerList* strip, TIntegerList* list)
{
    const int32_t* s = strip->List();
    AppendStripTriangles(strip->Count(), list, [s](int32_t i) { return s[i]; });
}

void StripToTriangleList(TIntegerList* strip, TAffineVectorList* vertices, TAffineVectorList* list)
{
    const int32_t* s = strip->List();
    const TVector3f* v = vertices->List();
    const int32_t vertexCount = vertices->Count();
    AppendStripTriangles(strip->Count(), list, [=](int32_t i) {
        const int32_t index = s[i];
        return index >= 0 && index < vertexCount ? v[index] : TVector3f{};
    });
}
