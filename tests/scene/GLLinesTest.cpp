// Line objects: the vertices each spline mode sends for a division, node colours along a spline, markers and
// the one-node case, the logic op left off, node colours following the node colour, the setters' rules; on
// Mesa, in feedback mode, a NURBS curve drawn only with a consistent knot vector.
#include "GLObjects.h"

#include "GLVectorGeometry.h"
#include "GLVectorLists.h"
#include "Raises.h"
#include "RealGLTestContext.h"
#include "RecordingDrawFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

class GLLinesDrawing : public RecordingDrawFixture {
protected:
    // Lines through (0, 0, 0), (1, 1, 0), (2, 0, 0), ... without markers.
    TGLLines* MakeLines(int32_t nodes, TLineSplineMode mode, int32_t division)
    {
        auto* lines = TGLBaseSceneObject::CreateAsChild<TGLLines>(Scene->Objects());
        for (int32_t i = 0; i < nodes; ++i) lines->AddNode(static_cast<float>(i), static_cast<float>(i % 2), 0.0f);
        lines->SetSplineMode(mode);
        lines->SetDivision(division);
        lines->SetNodesAspect(lnaInvisible);
        return lines;
    }
    std::vector<TGLCall> Vertices() const { return GL->Only({"Vertex3f"}); }
};

TEST_F(GLLinesDrawing, EachModeSendsItsVerticesForTheDivision)
{
    struct Row {
        TLineSplineMode mode;
        int32_t division;
        GLenum primitive;
        size_t vertices;
        size_t evaluations;
    };
    const Row rows[] = {
        {lsmCubicSpline, 10, GL_LINE_STRIP, 21, 0}, {lsmCubicSpline, 1, GL_LINE_STRIP, 3, 0},
        {lsmLines, 10, GL_LINE_STRIP, 3, 0},        {lsmBezierSpline, 10, GL_LINE_STRIP, 0, 11},
        {lsmBezierSpline, 1, GL_LINE_STRIP, 3, 0},  {lsmNURBSCurve, 1, GL_LINE_STRIP, 3, 0},
        {lsmSegments, 10, GL_LINES, 3, 0},          {lsmLoop, 10, GL_LINE_LOOP, 3, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "mode " << row.mode << ", division " << row.division);
        Draw(*MakeLines(3, row.mode, row.division));
        const std::vector<TGLCall> begins = GL->Only({"Begin"});
        ASSERT_EQ(begins.size(), 1u);
        EXPECT_EQ(begins[0].Args[0], row.primitive);
        EXPECT_EQ(GL->Count("End"), 1u);
        EXPECT_EQ(Vertices().size(), row.vertices);
        EXPECT_EQ(GL->Count("EvalCoord1f"), row.evaluations);
    }
}

TEST_F(GLLinesDrawing, CubicSplinePassesThroughTheNodesWithBlendedNodeColours)
{
    TGLLines* lines = MakeLines(3, lsmCubicSpline, 4);
    lines->SetOptions(TLinesOptions{loUseNodeColorForLines});
    static_cast<TGLLinesNode*>((*lines->Nodes())[1])->Color()->SetColor(1, 0, 0, 1);
    Draw(*lines);
    const std::vector<TGLCall> vertices = Vertices();
    ASSERT_EQ(vertices.size(), 9u);
    for (int node = 0; node < 3; ++node) {
        EXPECT_NEAR(vertices[node * 4].Args[0], node, 1e-5) << node;
        EXPECT_NEAR(vertices[node * 4].Args[1], node % 2, 1e-5) << node;
    }
    // Halfway from the blue first node to the red second one, then the last node's blue at the end.
    const std::vector<TGLCall> colours = GL->Only({"Color4fv"});
    ASSERT_EQ(colours.size(), 9u);
    EXPECT_EQ(colours[2], GLCall("Color4fv", 0.5, 0, 0.5, 1));
    EXPECT_EQ(colours[8], GLCall("Color4fv", 0, 0, 1, 1));
}

TEST_F(GLLinesDrawing, OneNodeDrawsNothingAndEachNodeOfMoreGetsItsMarker)
{
    TGLLines* lines = MakeLines(1, lsmLines, 10);
    lines->SetNodesAspect(lnaDodecahedron);
    Draw(*lines);
    EXPECT_TRUE(GL->Calls.empty());

    lines->AddNode(0.0f, 0.0f, -2.0f);
    Draw(*lines);
    EXPECT_EQ(GL->Only({"Translatef"}), (std::vector{GLCall("Translatef", 0, 0, 0), GLCall("Translatef", 0, 0, -2)}));
    // Twelve pentagons of three triangles each, per node.
    EXPECT_EQ(Sent.size(), 2u * 12 * 9);
    EXPECT_EQ(GL->Count("Normal3fv"), 2u * 12);
    EXPECT_EQ(GL->Count("PushMatrix"), GL->Count("PopMatrix"));
}

TEST_F(GLLinesDrawing, ColourLogicIsOffAfterTheLines)
{
    TGLLines* lines = MakeLines(2, lsmLines, 1);
    lines->SetOptions(TLinesOptions{loColorLogicXor});
    Draw(*lines);
    const std::vector<TGLCall> calls = GL->Only({"Enable", "Disable", "LogicOp", "Begin", "End"});
    const auto at = [&](const TGLCall& call) { return std::find(calls.begin(), calls.end(), call) - calls.begin(); };
    EXPECT_LT(at(GLCall("Enable", GL_COLOR_LOGIC_OP)), at(GLCall("Begin", GL_LINE_STRIP)));
    EXPECT_LT(at(GLCall("LogicOp", GL_XOR)), at(GLCall("Begin", GL_LINE_STRIP)));
    EXPECT_GT(at(GLCall("Disable", GL_COLOR_LOGIC_OP)), at(GLCall("End")));
    EXPECT_LT(at(GLCall("Disable", GL_COLOR_LOGIC_OP)), static_cast<std::ptrdiff_t>(calls.size()));
}

TEST(GLLines, NodeColourChangeRecoloursOnlyNodesThatHadTheOldOne)
{
    TGLLines lines(nullptr);
    lines.AddNode(0.0f, 0.0f, 0.0f);
    lines.AddNode(1.0f, 0.0f, 0.0f);
    const auto colourOf = [&](int32_t i) { return static_cast<TGLLinesNode*>((*lines.Nodes())[i])->Color()->Color(); };
    EXPECT_TRUE(HmgEquals(colourOf(0), TVector4f{{{0, 0, 1, 1}}}));
    static_cast<TGLLinesNode*>((*lines.Nodes())[1])->Color()->SetColor(1, 0, 0, 1);

    lines.NodeColor()->SetColor(0, 1, 0, 1);
    EXPECT_TRUE(HmgEquals(colourOf(0), TVector4f{{{0, 1, 0, 1}}}));
    EXPECT_TRUE(HmgEquals(colourOf(1), TVector4f{{{1, 0, 0, 1}}}));
    // A node added now starts with the new colour, and follows the next change.
    lines.AddNode(2.0f, 0.0f, 0.0f);
    lines.NodeColor()->SetColor(1, 1, 1, 1);
    EXPECT_TRUE(HmgEquals(colourOf(0), TVector4f{{{1, 1, 1, 1}}}));
    EXPECT_TRUE(HmgEquals(colourOf(2), TVector4f{{{1, 1, 1, 1}}}));
    EXPECT_TRUE(HmgEquals(colourOf(1), TVector4f{{{1, 0, 0, 1}}}));

    // A copy carries the nodes with their colours.
    TGLLines copy(nullptr);
    copy.Assign(&lines);
    ASSERT_EQ(copy.Nodes()->Count(), 3);
    EXPECT_TRUE(HmgEquals(static_cast<TGLLinesNode*>((*copy.Nodes())[1])->Color()->Color(), TVector4f{{{1, 0, 0, 1}}}));
}

TEST(GLLines, SettersAndNodesFollowTheirRules)
{
    TGLLines lines(nullptr);
    for (const float size : {0.0f, -2.0f}) {
        lines.SetNodeSize(size);
        EXPECT_EQ(lines.NodeSize(), 1) << size;
    }
    lines.SetDivision(0);
    EXPECT_EQ(lines.Division(), 1);

    lines.AddNode(1.0f, -4.0f, 2.0f);
    lines.AddNode(TVector3f{{{-3, 1, 0}}});
    EXPECT_EQ((*lines.Nodes())[0]->W(), 1);
    EXPECT_EQ((*lines.Nodes())[1]->W(), 0);
    const TVector4f extent = lines.AxisAlignedDimensionsUnscaled();
    EXPECT_TRUE(HmgEquals(extent, TVector4f{{{3, 4, 2, 1}}}));

    // Only line objects can hold lines nodes.
    TGLNodes foreign(nullptr, NodeClassOf<TGLLinesNode>);
    EXPECT_EQ(MessageOf<EInvalidCast>([&] { foreign.Add(); }), "Invalid class typecast");
}

class GLLinesOnMesa : public RealGLCurrentContext {
protected:
    GLLinesOnMesa() : RealGLCurrentContext(64, 48) {}

    // The line segments GL receives while the lines draw.
    int SegmentsDrawn(TGLLines& lines)
    {
        TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
        std::vector<GLfloat> feedback(4096);
        gl.FeedbackBuffer(static_cast<GLsizei>(feedback.size()), GL_2D, feedback.data());
        gl.RenderMode(GL_FEEDBACK);
        lines.BuildList(rci);
        const GLint values = gl.RenderMode(GL_RENDER);
        int segments = 0;
        for (GLint i = 0; i < values; i += 5) {
            EXPECT_TRUE(feedback[i] == GL_LINE_TOKEN || feedback[i] == GL_LINE_RESET_TOKEN) << feedback[i];
            ++segments;
        }
        return segments;
    }
};

TEST_F(GLLinesOnMesa, NURBSCurveIsDrawnOnlyWithAConsistentKnotVector)
{
    TGLLines lines(nullptr);
    lines.SetNodesAspect(lnaInvisible);
    for (const float x : {-0.8f, -0.3f, 0.3f, 0.8f}) lines.AddNode(x, x * x - 0.5f, 0.0f);
    lines.SetSplineMode(lsmNURBSCurve);
    lines.SetNURBSOrder(3);
    lines.SetNURBSTolerance(1);
    // Without knots nothing is drawn.
    EXPECT_EQ(SegmentsDrawn(lines), 0);

    // Four nodes and order 3: seven knots.
    for (const float knot : {0.0f, 0.0f, 0.0f, 0.5f, 1.0f, 1.0f, 1.0f}) lines.NURBSKnots()->Add(knot);
    EXPECT_GT(SegmentsDrawn(lines), 3);

    // One knot more, or one less, would have GLU read past the nodes.
    lines.NURBSKnots()->Add(1.0f);
    EXPECT_EQ(SegmentsDrawn(lines), 0);
    lines.NURBSKnots()->SetCount(6);
    EXPECT_EQ(SegmentsDrawn(lines), 0);
    // Division 1 draws the nodes as a straight strip, knots or not.
    lines.SetDivision(1);
    EXPECT_EQ(SegmentsDrawn(lines), 3);
}

} // namespace
