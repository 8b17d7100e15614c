#include "GLMeshUtils.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TVector3f V(float x)
{
    return TVector3f{{{x, 10 * x, 100 * x}}};
}

std::vector<int32_t> Ints(const TIntegerList& list)
{
    return std::vector<int32_t>(list.List(), list.List() + list.Count());
}

// The X components, which the vertices below make equal to their strip position.
std::vector<float> Xs(const TAffineVectorList& list)
{
    std::vector<float> result;
    for (int32_t i = 0; i < list.Count(); ++i) result.push_back(list.List()[i].X);
    return result;
}

} // namespace

TEST(StripToTriangleList, EveryOverloadTurnsFiveEntriesIntoThreeTrianglesAfterTheOldItems)
{
    TIntegerList strip;
    strip.AddIntegers({0, 1, 2, 3, 4});
    TAffineVectorList vertices;
    for (int i = 0; i < 5; ++i) vertices.Add(V(float(i)));
    const std::vector<int32_t> expected{9, 0, 1, 2, 3, 2, 1, 2, 3, 4};

    TIntegerList indices;
    indices.Add(9);
    StripToTriangleList(&strip, &indices);
    EXPECT_EQ(Ints(indices), expected);

    TAffineVectorList direct;
    direct.Add(V(9));
    StripToTriangleList(&vertices, &direct);
    TAffineVectorList indexed;
    indexed.Add(V(9));
    StripToTriangleList(&strip, &vertices, &indexed);
    for (const TAffineVectorList* list : {&direct, &indexed}) {
        EXPECT_EQ(Xs(*list), std::vector<float>(expected.begin(), expected.end()));
        EXPECT_EQ(list->List()[2].Z, 100.0f); // whole vertices, not only X
    }
}

TEST(StripToTriangleList, StripsOfFewerThanThreeEntriesAddNothingAndKeepTheList)
{
    for (int n = 0; n < 3; ++n) {
        SCOPED_TRACE(n);
        TIntegerList strip;
        strip.AddSerie(0, 1, n);
        TAffineVectorList vertices;
        for (int i = 0; i < n; ++i) vertices.Add(V(float(i)));
        TIntegerList indices;
        indices.AddIntegers({7, 8, 9, 10});
        TAffineVectorList direct, indexed;
        direct.Add(V(5), V(6));
        indexed.Add(V(5), V(6));

        StripToTriangleList(&strip, &indices);
        StripToTriangleList(&vertices, &direct);
        StripToTriangleList(&strip, &vertices, &indexed);

        EXPECT_EQ(Ints(indices), (std::vector<int32_t>{7, 8, 9, 10}));
        EXPECT_GE(indices.Capacity(), 4);
        EXPECT_EQ(Xs(direct), (std::vector<float>{5, 6}));
        EXPECT_EQ(Xs(indexed), (std::vector<float>{5, 6}));
    }
}

TEST(StripToTriangleList, AnIndexOutsideTheVerticesGivesTheZeroVector)
{
    TIntegerList strip;
    strip.AddIntegers({0, -1, 7, 1});
    TAffineVectorList vertices;
    vertices.Add(V(1), V(2));
    TAffineVectorList list;
    StripToTriangleList(&strip, &vertices, &list);
    // (0, -1, 7) and, odd, (1, 7, -1)
    EXPECT_EQ(Xs(list), (std::vector<float>{1, 0, 0, 2, 0, 0}));
}
