// The line objects: the line style, the node list with its markers, and the lines through the nodes.
#include "GLObjects.h"

#include "GLSpline.h"
#include "GLState.h"
#include "GLVectorGeometry.h"
#include "GLVectorLists.h"
#include "OpenGLAdapter.h"
#include "VAVodad_streaming.h"

#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

inline constexpr TEnumNames<4> cLineNodesAspectNames{"lnaInvisible", "lnaAxes", "lnaCube", "lnaDodecahedron"};
inline constexpr TEnumNames<2> cLinesOptionNames{"loUseNodeColorForLines", "loColorLogicXor"};

const TVector4f cDefaultNodeColor{{{0, 0, 1, 1}}};

// The nodes of line objects are always lines nodes: the list makes them of that class.
const TGLLinesNode& LinesNode(const TGLNodes& nodes, int32_t index)
{
    return static_cast<const TGLLinesNode&>(*nodes[index]);
}

const TVector4f& NodeColorOf(const TGLNodes& nodes, int32_t index)
{
    return LinesNode(nodes, index).Color()->Color();
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// DodecahedronBuildList

void DodecahedronBuildList()
{
    // The single-precision values of the construction's constants, bit for bit.
    static constexpr float a = 0.485410184f;
    static constexpr float b = 0.185410202f;
    static constexpr float c = 0.3f;
    static constexpr float cVertices[20][3] = {
        {-a, 0, b},  {-a, 0, -b}, {a, 0, -b},   {a, 0, b},   {b, -a, 0}, {-b, -a, 0}, {-b, a, 0},
        {b, a, 0},   {0, b, -a},  {0, -b, -a},  {0, -b, a},  {0, b, a},  {-c, -c, c}, {-c, -c, -c},
        {c, -c, -c}, {c, -c, c},  {-c, c, c},   {-c, c, -c}, {c, c, -c}, {c, c, c}};
    static constexpr uint8_t cFaces[12][5] = {{0, 12, 10, 11, 16}, {1, 17, 8, 9, 13},  {2, 14, 9, 8, 18},
                                              {3, 19, 11, 10, 15}, {4, 14, 2, 3, 15},  {5, 12, 0, 1, 13},
                                              {6, 17, 1, 0, 16},   {7, 19, 3, 2, 18},  {8, 17, 6, 7, 18},
                                              {9, 14, 4, 5, 13},   {10, 12, 5, 4, 15}, {11, 19, 7, 6, 16}};
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    gl.Begin_(GL_TRIANGLES);
    for (const auto& face : cFaces) {
        const auto corner = [&face](int k) {
            const float* v = cVertices[face[k]];
            return TVector3f{{{v[0], v[1], v[2]}}};
        };
        TVector3f u, v, normal;
        AffineSubtract(corner(1), corner(0), u);
        AffineSubtract(corner(2), corner(0), v);
        AffineCross(u, v, normal);
        AffineNormalizeInPlace(normal);
        gl.Normal3fv(normal.V);
        // A fan of three triangles from the first corner.
        for (int k = 1; k < 4; ++k) {
            gl.Vertex3fv(cVertices[face[0]]);
            gl.Vertex3fv(cVertices[face[k]]);
            gl.Vertex3fv(cVertices[face[k + 1]]);
        }
    }
    gl.End_();
}

// ---------------------------------------------------------------------------------------------------------
// TGLLinesNode, TGLLinesNodes

namespace {

// The node colour of the lines that own the collection; anything else cannot hold lines nodes.
const TGLColor& OwnersNodeColor(TGLNodes* ACollection)
{
    auto* lines = ACollection ? dynamic_cast<TGLNodedLines*>(ACollection->Owner()) : nullptr;
    if (!lines) throw EInvalidCast();
    return *lines->NodeColor();
}

} // namespace

TGLLinesNode::TGLLinesNode(TGLNodes* ACollection) : TGLNode(ACollection)
{
    FColor = std::make_unique<TGLColor>(this, OwnersNodeColor(ACollection).Color(),
                                        [this](TObject*) { Collection()->NotifyChange(); });
}

TGLLinesNode::~TGLLinesNode() = default;

void TGLLinesNode::SetColor(TGLColor* Value)
{
    FColor->Assign(Value);
}

void TGLLinesNode::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLLinesNode*>(Source)) FColor->Assign(source->FColor.get());
    TGLNode::Assign(Source);
}

void TGLLinesNode::DefineProperties(TFiler& Filer)
{
    TGLNode::DefineProperties(Filer);
    // Only a colour of its own is written: a node read is made with the lines' node colour, which the lines
    // stream before their nodes.
    const TVector4f& nodeColor = OwnersNodeColor(Collection()).Color();
    DefineNestedProperties(Filer, "Color", *FColor, std::memcmp(&FColor->Color(), &nodeColor, sizeof nodeColor) != 0);
}

TGLLinesNodes::TGLLinesNodes(TPersistent* AOwner) : TGLNodes(AOwner, NodeClassOf<TGLLinesNode>) {}

std::unique_ptr<TGLNodes> TGLLinesNodes::CreateCopy(TPersistent* AOwner) const
{
    auto copy = std::make_unique<TGLLinesNodes>(AOwner);
    copy->Assign(const_cast<TGLLinesNodes*>(this));
    return copy;
}

void TGLLinesNodes::NotifyChange()
{
    if (UpdateCount() != 0) return;
    if (auto* object = dynamic_cast<TGLBaseSceneObject*>(Owner())) object->StructureChanged();
}

// ---------------------------------------------------------------------------------------------------------
// TGLLineBase

TGLLineBase::TGLLineBase(TComponent* AOwner)
    : TGLImmaterialSceneObject(AOwner), FLineColor(std::make_unique<TGLColor>(this, TVector4f{{{1, 1, 1, 1}}}))
{
}

TGLLineBase::~TGLLineBase() = default;

void TGLLineBase::SetLineColor(TGLColor* Value)
{
    FLineColor->Assign(Value);
    StructureChanged();
}

void TGLLineBase::SetLinePattern(uint16_t Value)
{
    ChangeStructure(*this, FLinePattern, Value);
}

void TGLLineBase::SetLineWidth(float Value)
{
    ChangeStructure(*this, FLineWidth, Value);
}

void TGLLineBase::SetAntiAliased(bool Value)
{
    ChangeStructure(*this, FAntiAliased, Value);
}

void TGLLineBase::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLLineBase*>(Source)) {
        SetLineColor(source->FLineColor.get());
        SetLinePattern(source->FLinePattern);
        SetLineWidth(source->FLineWidth);
        SetAntiAliased(source->FAntiAliased);
    }
    TGLImmaterialSceneObject::Assign(Source);
}

void TGLLineBase::DefineProperties(TFiler& Filer)
{
    TGLImmaterialSceneObject::DefineProperties(Filer);
    DefineBooleanProperty(Filer, "AntiAliased", FAntiAliased, false, [this](bool v) { SetAntiAliased(v); });
    DefineNestedProperties(Filer, "LineColor", *FLineColor);
    DefineIntegerProperty(Filer, "LinePattern", FLinePattern, 0xFFFF,
                          [this](int32_t v) { SetLinePattern(static_cast<uint16_t>(v)); });
    DefineSingleProperty(Filer, "LineWidth", FLineWidth, 1, [this](float v) { SetLineWidth(v); });
}

void TGLLineBase::NotifyChange(TObject* Sender)
{
    if (Sender == FLineColor.get()) StructureChanged();
    TGLImmaterialSceneObject::NotifyChange(Sender);
}

void TGLLineBase::SetupLineStyle(TGLRenderContextInfo& rci)
{
    TGLStateCache& states = *rci.GLStates;
    const auto blendByAlpha = [&states] {
        states.Enable(stBlend);
        states.SetBlendFunc(bfSrcAlpha, bfOneMinusSrcAlpha);
    };
    states.Disable(stLighting);
    if (FLinePattern == 0xFFFF) {
        states.Disable(stLineStipple);
    } else {
        states.Enable(stLineStipple);
        blendByAlpha();
        states.SetLineStippleFactor(1);
        states.SetLineStipplePattern(FLinePattern);
    }
    if (FAntiAliased) {
        states.Enable(stLineSmooth);
        blendByAlpha();
    } else {
        states.Disable(stLineSmooth);
    }
    states.SetLineWidth(FLineWidth);
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    if (FLineColor->Alpha() != 1) {
        if (!FAntiAliased) blendByAlpha();
        gl.Color4fv(FLineColor->AsAddress());
    } else {
        gl.Color3fv(FLineColor->AsAddress());
    }
}

// ---------------------------------------------------------------------------------------------------------
// TGLNodedLines

TGLNodedLines::TGLNodedLines(TComponent* AOwner)
    : TGLLineBase(AOwner),
      FNodes(std::make_unique<TGLLinesNodes>(this)),
      FNodeColor(std::make_unique<TGLColor>(this, cDefaultNodeColor, [this](TObject* Sender) { NodeColorChanged(Sender); }))
{
}

TGLNodedLines::~TGLNodedLines() = default;

void TGLNodedLines::SetNodes(TGLNodes* Value)
{
    FNodes->Assign(Value);
    StructureChanged();
}

void TGLNodedLines::SetNodesAspect(TLineNodesAspect Value)
{
    ChangeStructure(*this, FNodesAspect, Value);
}

void TGLNodedLines::SetNodeColor(TGLColor* Value)
{
    FNodeColor->Assign(Value);
    StructureChanged();
}

void TGLNodedLines::SetNodeSize(float Value)
{
    FNodeSize = Value > 0 ? Value : 1;
    StructureChanged();
}

void TGLNodedLines::NodeColorChanged(TObject*)
{
    // Nodes given a colour of their own keep it; the others follow the node colour. The list rebuilds the
    // object once at the end.
    const TVector4f& newColor = FNodeColor->Color();
    FNodes->BeginUpdate();
    TryFinally(
        [&] {
            for (int32_t i = 0; i < FNodes->Count(); ++i) {
                TGLColor& color = *LinesNode(*FNodes, i).Color();
                if (HmgEquals(color.Color(), FOldNodeColor)) color.Assign(FNodeColor.get());
            }
        },
        [&] { FNodes->EndUpdate(); });
    FOldNodeColor = newColor;
}

void TGLNodedLines::AddNode(const TGLCustomCoordinates* coords)
{
    if (coords)
        FNodes->AddNode(*coords);
    else
        FNodes->Add();
    StructureChanged();
}

void TGLNodedLines::AddNode(float X, float Y, float Z)
{
    FNodes->AddNode(X, Y, Z);
    StructureChanged();
}

void TGLNodedLines::AddNode(const TVector4f& Value)
{
    FNodes->AddNode(Value);
    StructureChanged();
}

void TGLNodedLines::AddNode(const TVector3f& Value)
{
    FNodes->AddNode(Value);
    StructureChanged();
}

void TGLNodedLines::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLNodedLines*>(Source)) {
        // The node colour first: its change would recolour copied nodes that happen to have the old one.
        FNodeColor->Assign(source->FNodeColor.get());
        SetNodes(source->FNodes.get());
        FNodesAspect = source->FNodesAspect;
        FNodeSize = source->FNodeSize;
    }
    TGLLineBase::Assign(Source);
}

void TGLNodedLines::DefineProperties(TFiler& Filer)
{
    TGLLineBase::DefineProperties(Filer);
    DefineEnumProperty<TLineNodesAspect>(Filer, "NodesAspect", cLineNodesAspectNames, FNodesAspect, lnaAxes,
                                         [this](TLineNodesAspect v) { SetNodesAspect(v); });
    DefineNestedProperties(Filer, "NodeColor", *FNodeColor);
    DefineSingleProperty(Filer, "NodeSize", FNodeSize, 1, [this](float v) { SetNodeSize(v); });
    DefineNodesProperty(Filer, *FNodes);
}

void TGLNodedLines::Loaded()
{
    TGLLineBase::Loaded();
    FOldNodeColor = FNodeColor->Color();
}

TVector4f TGLNodedLines::AxisAlignedDimensionsUnscaled()
{
    TVector4f result{};
    for (int32_t i = 0; i < FNodes->Count(); ++i) {
        const TVector4f& coords = (*FNodes)[i]->AsVector();
        for (int k = 0; k < 4; ++k) result.V[k] = std::max(result.V[k], std::fabs(coords.V[k]));
    }
    return result;
}

void TGLNodedLines::DrawNode(TGLRenderContextInfo& rci, const TVector4f& nodeColor, float x, float y, float z)
{
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    gl.PushMatrix();
    gl.Translatef(x, y, z);
    switch (FNodesAspect) {
    case lnaAxes: AxesBuildList(rci, 0xCCCC, FNodeSize * 0.5f); break;
    case lnaCube: CubeWireframeBuildList(rci, false, nodeColor, FNodeSize); break;
    case lnaDodecahedron: {
        static const TVector4f cEmission{{{0, 0, 0, 1}}};
        static const TVector4f cAmbient{{{0.2f, 0.2f, 0.2f, 1}}};
        rci.GLStates->SetGLMaterialColors(cmFront, cEmission, cAmbient, nodeColor, cEmission, 0);
        const bool scaled = FNodeSize != 1;
        if (scaled) {
            gl.PushMatrix();
            gl.Scalef(FNodeSize, FNodeSize, FNodeSize);
        }
        DodecahedronBuildList();
        if (scaled) gl.PopMatrix();
        break;
    }
    case lnaInvisible: break;
    }
    gl.PopMatrix();
}

// ---------------------------------------------------------------------------------------------------------
// TGLLines

TGLLines::TGLLines(TComponent* AOwner) : TGLNodedLines(AOwner), FNURBSKnots(std::make_unique<TSingleList>()) {}

TGLLines::~TGLLines() = default;

void TGLLines::SetDivision(int32_t Value)
{
    ChangeStructure(*this, FDivision, std::max(Value, 1));
}

void TGLLines::SetSplineMode(TLineSplineMode Value)
{
    ChangeStructure(*this, FSplineMode, Value);
}

void TGLLines::SetOptions(TLinesOptions Value)
{
    FOptions = Value;
    StructureChanged();
}

void TGLLines::SetNURBSOrder(int32_t Value)
{
    ChangeStructure(*this, FNURBSOrder, Value);
}

void TGLLines::SetNURBSTolerance(float Value)
{
    ChangeStructure(*this, FNURBSTolerance, Value);
}

void TGLLines::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLLines*>(Source)) {
        SetDivision(source->FDivision);
        SetSplineMode(source->FSplineMode);
        SetOptions(source->FOptions);
    }
    TGLNodedLines::Assign(Source);
}

void TGLLines::DefineProperties(TFiler& Filer)
{
    TGLNodedLines::DefineProperties(Filer);
    DefineIntegerProperty(Filer, "Division", FDivision, 10, [this](int32_t v) { SetDivision(v); });
    DefineIntegerProperty(Filer, "NURBSOrder", FNURBSOrder, 0, [this](int32_t v) { SetNURBSOrder(v); });
    DefineSingleProperty(Filer, "NURBSTolerance", FNURBSTolerance, 50, [this](float v) { SetNURBSTolerance(v); });
    DefineSetProperty<TLinesOption>(Filer, "Options", cLinesOptionNames, FOptions, TLinesOptions{},
                                    [this](TLinesOptions v) { SetOptions(v); });
    DefineEnumProperty<TLineSplineMode>(Filer, "SplineMode", cLineSplineModeNames, FSplineMode, lsmLines,
                                        [this](TLineSplineMode v) { SetSplineMode(v); });
}

void TGLLines::EmitVertices()
{
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    const TGLNodes& nodes = *Nodes();
    const int32_t count = nodes.Count();
    const bool nodeColors = FOptions.Contains(loUseNodeColorForLines);
    if (FDivision > 1 && FSplineMode == lsmCubicSpline) {
        const std::unique_ptr<TCubicSpline> spline = nodes.CreateNewCubicSpline();
        const float f = 1.0f / static_cast<float>(FDivision);
        for (int32_t i = 0; i <= FDivision * (count - 1); ++i) {
            if (nodeColors) {
                // Blended from one node's colour to the next across the interval.
                const int32_t k = i / FDivision;
                TVector4f color = NodeColorOf(nodes, count - 1);
                if (k < count - 1) {
                    const TVector4f& from = NodeColorOf(nodes, k);
                    const TVector4f& to = NodeColorOf(nodes, k + 1);
                    const float step = static_cast<float>(i % FDivision) * f;
                    for (int c = 0; c < 4; ++c) color.V[c] = from.V[c] + (to.V[c] - from.V[c]) * step;
                }
                gl.Color4fv(color.V);
            }
            float x, y, z;
            spline->SplineXYZ(static_cast<float>(i) * f, x, y, z);
            gl.Vertex3f(x, y, z);
        }
    } else if (FDivision > 1 && FSplineMode == lsmBezierSpline) {
        for (int32_t i = 0; i <= FDivision; ++i) gl.EvalCoord1f(static_cast<float>(i) / static_cast<float>(FDivision));
    } else {
        for (int32_t i = 0; i < count; ++i) {
            if (nodeColors) gl.Color4fv(NodeColorOf(nodes, i).V);
            const TGLNode& node = *nodes[i];
            gl.Vertex3f(node.X(), node.Y(), node.Z());
        }
    }
}

void TGLLines::DrawNURBSCurve(const std::vector<TVector3f>& positions)
{
    // GLU reads knots - order control points: with any other knot count than nodes + order it would read
    // past the nodes, and an order below 2 is no curve.
    const int32_t knots = FNURBSKnots->Count();
    if (FNURBSOrder < 2 || knots != static_cast<int32_t>(positions.size()) + FNURBSOrder) return;
    GLUnurbs* renderer = gluNewNurbsRenderer();
    if (!renderer) return;
    TryFinally(
        [&] {
            gluNurbsProperty(renderer, GLU_SAMPLING_TOLERANCE, FNURBSTolerance);
            gluNurbsProperty(renderer, GLU_DISPLAY_MODE, GLU_FILL);
            gluBeginCurve(renderer);
            gluNurbsCurve(renderer, knots, FNURBSKnots->List(), 3,
                          const_cast<float*>(positions.front().V), FNURBSOrder, GL_MAP1_VERTEX_3);
            gluEndCurve(renderer);
        },
        [&] { gluDeleteNurbsRenderer(renderer); });
}

void TGLLines::BuildList(TGLRenderContextInfo& rci)
{
    const TGLNodes& nodes = *Nodes();
    const int32_t count = nodes.Count();
    if (count < 2) return;
    TGLStateCache& states = *rci.GLStates;
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    SetupLineStyle(rci);
    if (rci.bufferDepthTest) states.Enable(stDepthTest);
    if (FOptions.Contains(loColorLogicXor)) {
        states.Enable(stColorLogicOp);
        states.SetLogicOpMode(loXOr);
    }
    // The curves through GL's evaluators and GLU take the nodes as arrays.
    std::vector<TVector3f> positions;
    std::vector<TVector4f> colors;
    const bool bezier = FSplineMode == lsmBezierSpline;
    if (bezier || FSplineMode == lsmNURBSCurve) {
        positions.reserve(count);
        colors.reserve(count);
        for (int32_t i = 0; i < count; ++i) {
            positions.push_back(nodes[i]->AsAffineVector());
            colors.push_back(NodeColorOf(nodes, i));
        }
    }
    if (bezier) {
        states.PushAttrib(TGLStateTypes{sttEval});
        gl.Enable(GL_MAP1_VERTEX_3);
        gl.Enable(GL_MAP1_COLOR_4);
        gl.Map1f(GL_MAP1_VERTEX_3, 0, 1, 3, count, positions.front().V);
        gl.Map1f(GL_MAP1_COLOR_4, 0, 1, 4, count, colors.front().V);
    }
    TryFinally(
        [&] {
            if (FSplineMode == lsmNURBSCurve && FDivision >= 2) {
                DrawNURBSCurve(positions);
                return;
            }
            gl.Begin_(FSplineMode == lsmSegments ? GL_LINES : FSplineMode == lsmLoop ? GL_LINE_LOOP : GL_LINE_STRIP);
            TryFinally([&] { EmitVertices(); }, [&] { gl.End_(); });
        },
        [&] {
            states.Disable(stColorLogicOp);
            if (bezier) states.PopAttrib();
        });
    if (NodesAspect() == lnaInvisible) return;
    if (!rci.ignoreBlendingRequests) {
        states.Enable(stBlend);
        states.SetBlendFunc(bfSrcAlpha, bfOneMinusSrcAlpha);
    }
    for (int32_t i = 0; i < count; ++i) {
        const TGLNode& node = *nodes[i];
        DrawNode(rci, NodeColorOf(nodes, i), node.X(), node.Y(), node.Z());
    }
}
