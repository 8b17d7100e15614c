// The basic scene objects. On the recording fake OpenGL (inside a context that does nothing itself): the
// plane's vertices and texture tiling, the sprite's corners, the points' arrays, the dummy cube's one display
// list for a nested amalgamated subtree. Without OpenGL: the plane's ray test and the point parameters'
// stream. Through the memory viewer: sprites face the camera and dummy cubes hide their subtrees.
#include "GLObjects.h"

#include "GLVectorLists.h"
#include "Raises.h"
#include "RecordingDrawFixture.h"
#include "SceneRenderFixture.h"
#include "Streams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

class GLObjectsDrawing : public RecordingDrawFixture {};

// Every triangle turns counter-clockwise seen from +Z.
void ExpectCounterClockwise(const std::vector<TSentVertex>& v)
{
    for (size_t i = 0; i + 2 < v.size(); i += 3) {
        const float cross = (v[i + 1].X - v[i].X) * (v[i + 2].Y - v[i].Y) - (v[i + 1].Y - v[i].Y) * (v[i + 2].X - v[i].X);
        EXPECT_GT(cross, 0) << "triangle " << i / 3;
    }
}

TEST_F(GLObjectsDrawing, PlaneSendsItsQuadOrItsTiles)
{
    TGLPlane plane(nullptr);
    Draw(plane);
    const std::vector<TSentVertex> expected = {{1, 1, 0.5f, 0.5f, 0},   {0, 1, -0.5f, 0.5f, 0}, {0, 0, -0.5f, -0.5f, 0},
                                               {0, 0, -0.5f, -0.5f, 0}, {1, 0, 0.5f, -0.5f, 0}, {1, 1, 0.5f, 0.5f, 0}};
    ASSERT_EQ(Sent.size(), expected.size());
    for (size_t i = 0; i < Sent.size(); ++i) {
        EXPECT_EQ(Sent[i].S, expected[i].S) << i;
        EXPECT_EQ(Sent[i].T, expected[i].T) << i;
        EXPECT_EQ(Sent[i].X, expected[i].X) << i;
        EXPECT_EQ(Sent[i].Y, expected[i].Y) << i;
    }
    ExpectCounterClockwise(Sent);
    EXPECT_EQ(GL->Only({"Begin", "End"}), (std::vector<TGLCall>{GLCall("Begin", GL_TRIANGLES), GLCall("End")}));

    // The scope never exceeds one texture per cell.
    plane.SetXScope(2);
    EXPECT_EQ(plane.XScope(), 1);

    const struct {
        uint32_t XTiles, YTiles;
        float XOffset;
        size_t Vertices;
        std::set<float> S;
    } cases[] = {
        {2, 1, 0.5f, 12, {0.5f, 1.5f, 2.5f}},
        {3, 2, 0, 36, {0, 1, 2, 3}},
        // No cells: nothing at all (no division by a zero count, no endless cell loop).
        {0, 1, 0, 0, {}},
        {2, 0, 0, 0, {}},
    };
    plane.SetStyle(TGLPlaneStyles{psTileTexture});
    for (const auto& c : cases) {
        plane.SetXTiles(c.XTiles);
        plane.SetYTiles(c.YTiles);
        plane.SetXOffset(c.XOffset);
        Draw(plane);
        ASSERT_EQ(Sent.size(), c.Vertices) << c.XTiles << " x " << c.YTiles;
        std::set<float> s, x;
        for (const TSentVertex& v : Sent) {
            s.insert(v.S);
            x.insert(v.X);
        }
        EXPECT_EQ(s, c.S);
        if (!Sent.empty()) {
            EXPECT_EQ(*x.begin(), -0.5f);
            EXPECT_EQ(*x.rbegin(), 0.5f);
        }
        ExpectCounterClockwise(Sent);
    }
}

TEST_F(GLObjectsDrawing, SpriteMirrorsAndTurnsAboutTheViewingAxis)
{
    TGLSprite sprite(nullptr);
    sprite.SetSize(2, 1);
    const struct {
        bool MirrorU, MirrorV;
        float Rotation;
        float SRight, TTop;
    } cases[] = {
        {false, false, 0, 1, 1},
        {true, false, 0, 0, 1},
        {false, true, 30, 1, 0},
    };
    for (const auto& c : cases) {
        sprite.SetMirrorU(c.MirrorU);
        sprite.SetMirrorV(c.MirrorV);
        sprite.SetRotation(c.Rotation);
        Draw(sprite);
        // Right-top, left-top, left-bottom, right-bottom, in Width x Height (the view is the identity here).
        ASSERT_EQ(Sent.size(), 4u);
        const float x[4] = {1, -1, -1, 1}, y[4] = {0.5f, 0.5f, -0.5f, -0.5f};
        for (int k = 0; k < 4; ++k) {
            EXPECT_FLOAT_EQ(Sent[k].X, x[k]);
            EXPECT_FLOAT_EQ(Sent[k].Y, y[k]);
            EXPECT_EQ(Sent[k].S, x[k] > 0 ? c.SRight : 1 - c.SRight);
            EXPECT_EQ(Sent[k].T, y[k] > 0 ? c.TTop : 1 - c.TTop);
        }
        std::vector<TGLCall> matrix;
        if (c.Rotation != 0)
            matrix = {GLCall("PushMatrix"), GLCall("Rotatef", c.Rotation, 0, 0, 1), GLCall("PopMatrix")};
        EXPECT_EQ(GL->Only({"PushMatrix", "Rotatef", "PopMatrix"}), matrix);
    }

    const struct {
        float Value, Stored;
    } alphas[] = {{-1, 0}, {5, 1}, {0.25f, 0.25f}};
    for (const auto& a : alphas) {
        sprite.SetAlphaChannel(a.Value);
        EXPECT_EQ(sprite.AlphaChannel(), a.Stored);
    }
}

TEST_F(GLObjectsDrawing, PointsDrawFromAColourArrayOrInOneColour)
{
    TGLPoints points(nullptr);
    TAffineVectorList positions;
    positions.Add(0.0f, 0.0f, 0.0f);
    positions.Add(1.0f, 0.0f, 0.0f);
    positions.Add(2.0f, 0.0f, 0.0f);
    points.SetPositions(&positions);
    TVectorList colours;
    colours.Add(1, 0, 0, 1);
    colours.Add(0, 1, 0, 1);
    points.SetColors(&colours);
    Draw(points);
    EXPECT_EQ(GL->Only({"Color4fv", "EnableClientState", "DisableClientState", "DrawArrays"}),
              (std::vector<TGLCall>{GLCall("EnableClientState", GL_COLOR_ARRAY),
                                    GLCall("EnableClientState", GL_VERTEX_ARRAY), GLCall("DrawArrays", GL_POINTS, 0, 2),
                                    GLCall("DisableClientState", GL_VERTEX_ARRAY),
                                    GLCall("DisableClientState", GL_COLOR_ARRAY)}));

    colours.Clear();
    colours.Add(0, 0, 1, 1);
    points.SetColors(&colours);
    Draw(points);
    EXPECT_EQ(GL->Only({"Color4fv", "EnableClientState", "DisableClientState", "DrawArrays"}),
              (std::vector<TGLCall>{GLCall("Color4fv", 0, 0, 1, 1), GLCall("DisableClientState", GL_COLOR_ARRAY),
                                    GLCall("EnableClientState", GL_VERTEX_ARRAY), GLCall("DrawArrays", GL_POINTS, 0, 3),
                                    GLCall("DisableClientState", GL_VERTEX_ARRAY)}));
}

TEST_F(GLObjectsDrawing, NestedAmalgamatedCubesCompileOneList)
{
    auto* outer = TGLBaseSceneObject::CreateAsChild<TGLDummyCube>(Scene->Objects());
    auto* inner = TGLBaseSceneObject::CreateAsChild<TGLDummyCube>(outer);
    auto* plane = TGLBaseSceneObject::CreateAsChild<TGLPlane>(inner);
    outer->SetAmalgamate(true);
    inner->SetAmalgamate(true);
    Rci.ignoreMaterials = true;
    const auto frame = [&] {
        GL->Calls.clear();
        Sent.clear();
        Scene->Objects()->Render(Rci);
    };
    frame();
    EXPECT_EQ(GL->Count("NewList"), 1u);
    EXPECT_EQ(GL->Count("CallList"), 1u);
    EXPECT_EQ(Sent.size(), 6u); // the plane, into the list
    EXPECT_FALSE(Rci.amalgamating);

    // Later frames call the list.
    frame();
    EXPECT_EQ(GL->Count("NewList"), 0u);
    EXPECT_EQ(GL->Count("CallList"), 1u);
    EXPECT_TRUE(Sent.empty());

    // A change of the outer cube compiles it again; switching amalgamation off draws directly.
    outer->SetCubeSize(2);
    frame();
    EXPECT_EQ(GL->Count("NewList"), 1u);
    outer->SetAmalgamate(false);
    inner->SetAmalgamate(false);
    frame();
    EXPECT_EQ(GL->Count("NewList"), 0u);
    EXPECT_EQ(Sent.size(), 6u);

    // A cube that answers False to its visibility question draws none of its subtree.
    bool visible = false;
    outer->OnVisibilityDetermination = [&](TObject* sender, TGLRenderContextInfo&) {
        EXPECT_EQ(sender, outer);
        return visible;
    };
    frame();
    EXPECT_TRUE(Sent.empty());
    visible = true;
    frame();
    EXPECT_EQ(Sent.size(), 6u);
    (void)plane;

    // No list name to be had.
    outer->SetAmalgamate(true);
    vListsRefused = true;
    EXPECT_EQ(MessageOf<EAssertionFailed>(frame), "Handle=0 for TGLDummyCube (VAVodad\\Source\\GLObjects)");
}

TEST_F(GLObjectsDrawing, DummyCubeDrawsItsWireCubeOnlyWhenVisibleAtRunTime)
{
    TGLDummyCube cube(nullptr);
    Draw(cube);
    EXPECT_TRUE(GL->Calls.empty());
    cube.SetVisibleAtRunTime(true);
    cube.SetCubeSize(2);
    Draw(cube);
    EXPECT_EQ(GL->Only({"Begin", "End", "LineStipple", "Color4fv"}),
              (std::vector<TGLCall>{GLCall("LineStipple", 1, 0xCCCC), GLCall("Color4fv", 1, 1, 1, 1),
                                    GLCall("Begin", GL_LINE_STRIP), GLCall("End"), GLCall("Begin", GL_LINES),
                                    GLCall("End")}));
    const std::vector<TGLCall> corners = GL->Only({"Vertex3f"});
    ASSERT_EQ(corners.size(), 16u);
    for (const TGLCall& corner : corners)
        for (const double c : corner.Args) EXPECT_EQ(std::fabs(c), 1) << ::testing::PrintToString(corner);
}

TEST(GLPlane, RayHitsFromEitherSideWithinTheRectangle)
{
    TGLPlane plane(nullptr);
    plane.Position()->SetPoint(0, 0, -2);
    const struct {
        TVector4f Start, Vector;
        bool Hit;
        TVector4f Point, Normal;
    } cases[] = {
        {{{{0, 0, -1, 1}}}, {{{0, 0, 1, 0}}}, false, {}, {}},
        {{{{0.2f, 0.3f, -1, 1}}}, {{{0, 0, -1, 0}}}, true, {{{0.2f, 0.3f, -2, 1}}}, {{{0, 0, 1, 0}}}},
        {{{{0.2f, 0.3f, -3, 1}}}, {{{0, 0, 1, 0}}}, true, {{{0.2f, 0.3f, -2, 1}}}, {{{0, 0, -1, 0}}}},
        {{{{0.6f, 0, -1, 1}}}, {{{0, 0, -1, 0}}}, false, {}, {}},
        {{{{0, 0.6f, -3, 1}}}, {{{0, 0, 1, 0}}}, false, {}, {}},
    };
    for (const auto& c : cases) {
        TVector4f point{}, normal{};
        ASSERT_EQ(plane.RayCastIntersect(c.Start, c.Vector, &point, &normal), c.Hit)
            << c.Start.X << ", " << c.Start.Y << ", " << c.Start.Z;
        if (!c.Hit) continue;
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(point.V[i], c.Point.V[i], 1e-6) << i;
            EXPECT_NEAR(normal.V[i], c.Normal.V[i], 1e-6) << i;
        }
    }
    EXPECT_FLOAT_EQ(plane.PointDistance(TVector4f{{{5, 5, 1, 1}}}), 3);
}

TEST(GLPointParameters, SizesAreStreamedOnlyWhenChanged)
{
    const auto write = [](TGLPoints& points) {
        auto stream = std::make_unique<TMemoryStream>();
        TWriter(*stream).WriteRootComponent(&points);
        return stream;
    };
    const auto contains = [](TMemoryStream& stream, const std::string& text) {
        const char* bytes = reinterpret_cast<const char*>(stream.Memory());
        return std::search(bytes, bytes + stream.Size(), text.begin(), text.end()) != bytes + stream.Size();
    };
    TGLPoints defaults(nullptr);
    EXPECT_FALSE(contains(*write(defaults), "PointParams"));

    TGLPoints source(nullptr);
    source.PointParameters()->SetMinSize(2);
    source.PointParameters()->SetFadeTresholdSize(-3); // negative sizes become 0
    auto stream = write(source);
    // The name, vaBinary, a size of 12, then MinSize, MaxSize, FadeTresholdSize.
    const std::string name = "PointParameters.PointParams";
    const char* bytes = reinterpret_cast<const char*>(stream->Memory());
    const char* found = std::search(bytes, bytes + stream->Size(), name.begin(), name.end());
    ASSERT_NE(found, bytes + stream->Size());
    const char* value = found + name.size();
    int32_t size = 0;
    std::memcpy(&size, value + 1, 4);
    EXPECT_EQ(size, 12);
    float sizes[3];
    std::memcpy(sizes, value + 5, 12);
    EXPECT_EQ(sizes[0], 2);
    EXPECT_EQ(sizes[1], 128);
    EXPECT_EQ(sizes[2], 0);

    TGLPoints target(nullptr);
    stream->SetPosition(0);
    TReader(*stream).ReadRootComponent(&target);
    EXPECT_EQ(target.PointParameters()->MinSize(), 2);
    EXPECT_EQ(target.PointParameters()->MaxSize(), 128);
    EXPECT_EQ(target.PointParameters()->FadeTresholdSize(), 0);
}

// ---------------------------------------------------------------------------------------------------------
// Through the memory viewer.

class GLObjectsRender : public SceneRenderFixture {
protected:
    // The lit run through the view's centre along the middle row and the middle column.
    std::pair<int, int> LitCross()
    {
        int across = 0, down = 0;
        for (int x = 0; x < cWidth; ++x) across += Pixel(x, cHeight / 2) != clBlack;
        for (int y = 0; y < cHeight; ++y) down += Pixel(cWidth / 2, y) != clBlack;
        return {across, down};
    }
};

TEST_F(GLObjectsRender, SpriteFacesTheCameraFromAnyPlace)
{
    auto* holder = TGLBaseSceneObject::CreateAsChild<TGLDummyCube>(Scene->Objects());
    holder->Position()->SetPoint(0, 0, -5);
    auto* sprite = TGLBaseSceneObject::CreateAsChild<TGLSprite>(holder);
    sprite->SetSize(2, 1.2f);
    Camera->SetTargetObject(sprite);
    Render();
    const std::pair<int, int> front = LitCross();
    // About 7.5 pixels a unit at this distance.
    EXPECT_NEAR(front.first, 15, 1);
    EXPECT_NEAR(front.second, 9, 1);

    // From the side, from above, and under a turned and scaled parent: the same size on screen.
    const struct {
        float X, Y, Z;
        float Turn, Scale;
    } places[] = {{5, 0, -5, 0, 1}, {0, 4, -2, 0, 1}, {-3, -4, -5, 0, 1}, {0, 0, 0, 60, 3}, {3, 0, -1, 30, 0.5f}};
    for (const auto& p : places) {
        Camera->Position()->SetPoint(p.X, p.Y, p.Z);
        holder->SetTurnAngle(p.Turn);
        holder->Scale()->SetVector(p.Scale, p.Scale, p.Scale);
        Render();
        const std::pair<int, int> seen = LitCross();
        EXPECT_NEAR(seen.first, front.first, 1) << p.X << ", " << p.Y << ", " << p.Z;
        EXPECT_NEAR(seen.second, front.second, 1) << p.X << ", " << p.Y << ", " << p.Z;
    }
}

TEST_F(GLObjectsRender, PlaneScreenRectBoundsWhatItDraws)
{
    auto* plane = TGLBaseSceneObject::CreateAsChild<TGLPlane>(Scene->Objects());
    plane->Position()->SetPoint(0, 0, -5);
    plane->SetWidth(4);
    plane->SetHeight(2);
    Render();
    const TRect rect = plane->ScreenRect(Buffer());
    // Lit inside, black just outside (y of the pixels from the top, of the rectangle from the bottom).
    EXPECT_NE(Pixel(rect.Left + 1, cHeight - rect.Top - 2), clBlack);
    EXPECT_NE(Pixel(rect.Right - 2, cHeight - rect.Bottom + 1), clBlack);
    EXPECT_EQ(Pixel(rect.Left - 2, cHeight / 2), clBlack);
    EXPECT_EQ(Pixel(rect.Right + 1, cHeight / 2), clBlack);
    EXPECT_EQ(Pixel(cWidth / 2, cHeight - rect.Top + 1), clBlack);
    EXPECT_EQ(Pixel(cWidth / 2, cHeight - rect.Bottom - 2), clBlack);
    const TRect none = plane->ScreenRect(nullptr);
    EXPECT_EQ(std::vector<int32_t>({none.Left, none.Top, none.Right, none.Bottom}), std::vector<int32_t>(4, 0));
}

TEST_F(GLObjectsRender, DummyCubeHidesItsSubtree)
{
    // A layer holding a group that holds the red square.
    auto* layer = TGLBaseSceneObject::CreateAsChild<TGLDummyCube>(Scene->Objects());
    auto* group = TGLBaseSceneObject::CreateAsChild<TGLDummyCube>(layer);
    AddQuad(-5, 1, {{{1, 0, 0, 1}}}, group);
    bool answer = true;
    layer->OnVisibilityDetermination = [&](TObject*, TGLRenderContextInfo&) { return answer; };
    const struct {
        bool Visible, Answer, Amalgamate, Red;
    } cases[] = {
        {true, true, false, true},  {false, true, false, false}, {true, false, false, false},
        {true, true, true, true},   {false, true, true, false},  {true, false, true, false},
    };
    for (const auto& c : cases) {
        layer->SetVisible(c.Visible);
        layer->SetAmalgamate(c.Amalgamate);
        answer = c.Answer;
        Render();
        EXPECT_EQ(Pixel(32, 24), c.Red ? Rgb(255, 0, 0) : clBlack)
            << c.Visible << c.Answer << c.Amalgamate;
    }
}

} // namespace
