#include "GLSkyBox.h"

#include "GLMaterial.h"
#include "GLState.h"
#include "OpenGLAdapter.h"
#include "SysUtils.h"
#include "VAVodad_streaming.h"
#include "XOpenGL.h"

namespace {

inline constexpr TEnumNames<5> cSkyBoxStyleNames{"sbsFull", "sbsTopHalf", "sbsBottomHalf", "sbTopTwoThirds",
                                                 "sbsTopHalfClamped"};
inline constexpr const char* cMatNameProperties[7] = {"MatNameFront", "MatNameBack", "MatNameTop", "MatNameBottom",
                                                      "MatNameLeft",  "MatNameRight", "MatNameClouds"};

// The corners of each face in drawing order (front, back, top, bottom, left, right); corners 1 and 2 are a
// side face's bottom edge.
constexpr float cFaces[6][4][3] = {
    {{-1, 1, -1}, {-1, -1, -1}, {1, -1, -1}, {1, 1, -1}},
    {{1, 1, 1}, {1, -1, 1}, {-1, -1, 1}, {-1, 1, 1}},
    {{-1, 1, 1}, {-1, 1, -1}, {1, 1, -1}, {1, 1, 1}},
    {{-1, -1, -1}, {-1, -1, 1}, {1, -1, 1}, {1, -1, -1}},
    {{-1, 1, 1}, {-1, -1, 1}, {-1, -1, -1}, {-1, 1, -1}},
    {{1, 1, -1}, {1, -1, -1}, {1, -1, 1}, {1, 1, 1}},
};
// Inset from the edges, so that clamped or filtered textures show no seam.
constexpr float cLow = 0.002f;
constexpr float cHigh = 0.998f;
constexpr float cFaceTexCoords[4][2] = {{cLow, cHigh}, {cLow, cLow}, {cHigh, cLow}, {cHigh, cHigh}};
// How far a clamped side face continues its bottom row below the horizon.
constexpr float cClampedBottom = -3;

void SendVertex(TGLMultitextureCoordinator& xgl, TGLExtensionsAndEntryPoints& gl, float s, float t, float x, float y,
                float z)
{
    const float st[2] = {s, t};
    const float position[3] = {x, y, z};
    xgl.TexCoord2fv(st);
    gl.Vertex3fv(position);
}

// Applies the library material and runs draw once per pass it asks for; nothing when the library lacks it.
template <typename TDraw> void DrawWithMaterial(TGLMaterialLibrary& library, const std::string& name,
                                                TGLRenderContextInfo& rci, const TDraw& draw)
{
    TGLLibMaterial* material = library.LibMaterialByName(name);
    if (!material) return;
    material->Apply(rci);
    do
        draw();
    while (material->UnApply(rci));
}

} // namespace

TGLSkyBox::TGLSkyBox(TComponent* AOwner) : TGLCameraInvariantObject(AOwner)
{
    SetCamInvarianceMode(cimPosition);
    SetObjectStyle(ObjectStyle() + TGLObjectStyles{osDirectDraw, osNoVisibilityCulling});
}

void TGLSkyBox::SetMatName(TGLSkyBoxFace face, const std::string& Value)
{
    FMatNames[face] = Value;
    StructureChanged();
}

void TGLSkyBox::SetMaterialLibrary(TGLMaterialLibrary* Value)
{
    if (Value != FMaterialLibrary) {
        if (FMaterialLibrary) FMaterialLibrary->RemoveFreeNotification(this);
        FMaterialLibrary = Value;
        if (FMaterialLibrary) FMaterialLibrary->FreeNotification(this);
    }
    StructureChanged();
}

void TGLSkyBox::SetCloudsPlaneOffset(float Value)
{
    FCloudsPlaneOffset = Value;
    StructureChanged();
}

void TGLSkyBox::SetCloudsPlaneSize(float Value)
{
    FCloudsPlaneSize = Value;
    StructureChanged();
}

void TGLSkyBox::Notification(TComponent* AComponent, TOperation Operation)
{
    // The dying library is forgotten without touching its notification list, which it is walking.
    if (Operation == opRemove && AComponent == FMaterialLibrary) {
        FMaterialLibrary = nullptr;
        StructureChanged();
    }
    TGLCameraInvariantObject::Notification(AComponent, Operation);
}

void TGLSkyBox::DefineProperties(TFiler& Filer)
{
    TGLCameraInvariantObject::DefineProperties(Filer);
    for (int face = sbfFront; face <= sbfClouds; ++face) {
        const auto f = static_cast<TGLSkyBoxFace>(face);
        Filer.DefineProperty(
            cMatNameProperties[face], [this, f](TReader& reader) { SetMatName(f, reader.ReadString()); },
            [this, f](TWriter& writer) { writer.WriteString(FMatNames[f]); }, !FMatNames[face].empty());
    }
    DefineSingleProperty(Filer, "CloudsPlaneOffset", FCloudsPlaneOffset, 0.2f,
                         [this](float v) { SetCloudsPlaneOffset(v); });
    DefineSingleProperty(Filer, "CloudsPlaneSize", FCloudsPlaneSize, 32, [this](float v) { SetCloudsPlaneSize(v); });
    DefineEnumProperty<TGLSkyBoxStyle>(Filer, "Style", cSkyBoxStyleNames, FStyle, sbsFull,
                                       [this](TGLSkyBoxStyle v) { SetStyle(v); });
    DefineReferenceProperty(Filer, "MaterialLibrary", FMaterialLibrary, FMaterialLibraryName);
}

void TGLSkyBox::Loaded()
{
    TGLCameraInvariantObject::Loaded();
    ResolveReference<TGLMaterialLibrary>(this, FMaterialLibraryName, [this](auto* it) { SetMaterialLibrary(it); });
}

void TGLSkyBox::DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren)
{
    // Depth writing stays off: the materials of what follows ask for it again.
    rci.GLStates->SetDepthWriteMask(false);
    TScopedValue ignoreDepth(rci.ignoreDepthRequests, true);
    TGLCameraInvariantObject::DoRender(rci, renderSelf, renderChildren);
}

void TGLSkyBox::BuildList(TGLRenderContextInfo& rci)
{
    if (!FMaterialLibrary) return;
    TGLStateCache& states = *rci.GLStates;
    const TGLStates before = states.States();
    states.Disable(stDepthTest);
    states.Disable(stLighting);
    states.Disable(stFog);
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    TGLMultitextureCoordinator& xgl = *GetCurrentMultitextureCoordinator();
    gl.PushMatrix();
    const float f = rci.rcci.farClippingDistance * 0.5f;
    gl.Scalef(f, f, f);
    switch (FStyle) {
    case sbsTopHalf:
    case sbsTopHalfClamped:
        gl.Translatef(0, 0.5f, 0);
        gl.Scalef(1, 0.5f, 1);
        break;
    case sbsBottomHalf:
        gl.Translatef(0, -0.5f, 0);
        gl.Scalef(1, 0.5f, 1);
        break;
    case sbTopTwoThirds:
        gl.Translatef(0, 1.0f / 3, 0);
        gl.Scalef(1, 2.0f / 3, 1);
        break;
    case sbsFull:
        break;
    }
    for (int face = sbfFront; face <= sbfRight; ++face) {
        const auto& corners = cFaces[face];
        const bool clamped = FStyle == sbsTopHalfClamped && face != sbfTop && face != sbfBottom;
        DrawWithMaterial(*FMaterialLibrary, FMatNames[face], rci, [&] {
            gl.Begin_(GL_QUADS);
            for (int k = 0; k < 4; ++k)
                SendVertex(xgl, gl, cFaceTexCoords[k][0], cFaceTexCoords[k][1], corners[k][0], corners[k][1],
                           corners[k][2]);
            if (clamped) {
                // The bottom row stretched down: each bottom corner at the horizon and below it.
                const float* first = corners[1];
                const float* second = corners[2];
                SendVertex(xgl, gl, cLow, cLow, first[0], first[1], first[2]);
                SendVertex(xgl, gl, cLow, cLow, first[0], cClampedBottom, first[2]);
                SendVertex(xgl, gl, cHigh, cLow, second[0], cClampedBottom, second[2]);
                SendVertex(xgl, gl, cHigh, cLow, second[0], second[1], second[2]);
            }
            gl.End_();
        });
    }
    if (!FMatNames[sbfClouds].empty()) {
        const float h = FCloudsPlaneSize * 0.5f;
        const float y = FCloudsPlaneOffset;
        DrawWithMaterial(*FMaterialLibrary, FMatNames[sbfClouds], rci, [&] {
            gl.Begin_(GL_QUADS);
            SendVertex(xgl, gl, 0, 1, -h, y, h);
            SendVertex(xgl, gl, 0, 0, -h, y, -h);
            SendVertex(xgl, gl, 1, 0, h, y, -h);
            SendVertex(xgl, gl, 1, 1, h, y, h);
            gl.End_();
        });
    }
    gl.PopMatrix();
    for (const TGLState state : {stLighting, stFog, stDepthTest})
        if (before.Contains(state)) states.Enable(state);
}

void RegisterGLSkyBoxClasses()
{
    RegisterClasses<TGLSkyBox>();
}
