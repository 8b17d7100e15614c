#include "GLHUDObjects.h"

#include "GLMaterial.h"
#include "GLPipelineTransformation.h"
#include "GLState.h"
#include "GLVectorGeometry.h"
#include "GLVectorGeometryMatrices.h"
#include "OpenGLAdapter.h"
#include "VAVodad_streaming.h"
#include "XOpenGL.h"

#include <cmath>

namespace {

// The size of the sprites the game places before sizing them.
constexpr float cDefaultHUDSpriteSize = 16;

// The resolution pixel sizes refer to.
constexpr float cReferenceDPI = 96;

// Pixels of the rendering per pixel of a position or size.
float PixelScale(const TGLRenderContextInfo& rci)
{
    return static_cast<float>(rci.renderDPI) / cReferenceDPI;
}

// Draws a HUD object in the rendering's pixels: while it lives, the model-view matrix takes the origin to
// (x, y) pixels from the viewport's top left, y down, and on to the view's -1..1 through the buffer's base
// projection (the pick region while picking), after turning by rotation degrees about the screen's normal and
// scaling by (scaleX, scaleY); the projection is the identity. The level of the transformation stack is popped
// at the end of the scope.
class THUDTransformation {
public:
    THUDTransformation(TGLRenderContextInfo& rci, float x, float y, float z, float rotation, float scaleX = 1,
                       float scaleY = 1)
        : FPipeline(*rci.PipelineTransformation)
    {
        const float width = static_cast<float>(rci.viewPortSize.cx);
        const float height = static_cast<float>(rci.viewPortSize.cy);
        // Row vectors: scale, then turn, then to pixels of the view, then to -1..1, then the base projection.
        TMatrix4f local, step, product;
        MatrixScaling(TVector3f{{{scaleX, scaleY, 1}}}, local);
        if (rotation != 0) {
            MatrixRotationZ(rotation * cPIdiv180, step);
            MatrixProduct(local, step, product);
            local = product;
        }
        MatrixScalingTranslation(TVector4f{{{2 / width, 2 / height, 1, 1}}},
                                 TVector4f{{{(x - width / 2) * 2 / width, (height / 2 - y) * 2 / height, z, 1}}},
                                 step);
        MatrixProduct(local, step, product);
        const TVAVodadBuffer* buffer = dynamic_cast<const TVAVodadBuffer*>(rci.buffer);
        TTransformationRec level;
        level.FStates = {trsModelViewChanged,   trsInvModelViewChanged, trsInvModelChanged,
                         trsNormalModelChanged, trsViewProjChanged,     trsFrustum};
        if (buffer)
            MatrixProduct(product, buffer->BaseProjectionMatrix(), level.FModelMatrix);
        else
            level.FModelMatrix = product;
        level.FViewMatrix = IdentityHmgMatrix;
        level.FProjectionMatrix = IdentityHmgMatrix;
        FPipeline.Push(&level);
    }
    ~THUDTransformation() { FPipeline.Pop(); }
    THUDTransformation(const THUDTransformation&) = delete;
    THUDTransformation& operator=(const THUDTransformation&) = delete;

private:
    TGLTransformation& FPipeline;
};

} // namespace

// ---------------------------------------------------------------------------------------------------------
// TGLHUDSprite

TGLHUDSprite::TGLHUDSprite(TComponent* AOwner) : TGLSprite(AOwner)
{
    SetObjectStyle(ObjectStyle() + TGLObjectStyles{osDirectDraw, osNoVisibilityCulling});
    SetWidth(cDefaultHUDSpriteSize);
    SetHeight(cDefaultHUDSpriteSize);
}

void TGLHUDSprite::SetXTiles(int32_t Value)
{
    if (Value == FXTiles) return;
    FXTiles = Value;
    StructureChanged();
}

void TGLHUDSprite::SetYTiles(int32_t Value)
{
    if (Value == FYTiles) return;
    FYTiles = Value;
    StructureChanged();
}

bool TGLHUDSprite::StoreWidth() const
{
    return std::fabs(Width() - cDefaultHUDSpriteSize) > 0.001f;
}

bool TGLHUDSprite::StoreHeight() const
{
    return std::fabs(Height() - cDefaultHUDSpriteSize) > 0.001f;
}

void TGLHUDSprite::DefineProperties(TFiler& Filer)
{
    TGLSprite::DefineProperties(Filer);
    DefineIntegerProperty(Filer, "XTiles", FXTiles, 1, [this](int32_t v) { SetXTiles(v); });
    DefineIntegerProperty(Filer, "YTiles", FYTiles, 1, [this](int32_t v) { SetYTiles(v); });
}

TGLAbstractLibMaterial* TGLHUDSprite::StayingMaterial(const TGLRenderContextInfo& rci) const
{
    return AlphaChannel() == 1 ? TGLSprite::StayingMaterial(rci) : nullptr;
}

void TGLHUDSprite::DoRender(TGLRenderContextInfo& rci, bool /*renderSelf*/, bool /*renderChildren*/)
{
    if (rci.ignoreMaterials) return;
    TGLMaterial* material = Material();
    // Multi-pass materials ask for the quad again from UnApply.
    material->Apply(rci);
    do
        DrawQuad(rci);
    while (material->UnApply(rci));
    RenderChildren(0, Count() - 1, rci);
}

void TGLHUDSprite::DrawQuad(TGLRenderContextInfo& rci)
{
    TGLStateCache& states = *rci.GLStates;
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    if (AlphaChannel() != 1) {
        if (states.States().Contains(stLighting)) {
            states.SetGLMaterialAlphaChannel(GL_FRONT_AND_BACK, AlphaChannel());
        } else {
            const TVector4f& diffuse = Material()->GetActualPrimaryMaterial()->FrontProperties()->Diffuse()->Color();
            gl.Color4f(diffuse.X, diffuse.Y, diffuse.Z, AlphaChannel());
        }
    }
    const float s = PixelScale(rci);
    const TVector4f& position = Position()->AsVector();
    const THUDTransformation pixels(rci, position.X * s, position.Y * s, position.Z, Rotation());
    states.Disable(stDepthTest);
    states.SetDepthWriteMask(false);
    const float hw = Width() * s / 2;
    const float hh = Height() * s / 2;
    const auto tiles = [](int32_t count, bool mirror, float& low, float& high) {
        low = mirror ? static_cast<float>(count) : 0;
        high = mirror ? 0 : static_cast<float>(count);
    };
    float sLeft, sRight, tBottom, tTop;
    tiles(FXTiles, MirrorU(), sLeft, sRight);
    tiles(FYTiles, MirrorV(), tBottom, tTop);
    TGLMultitextureCoordinator& xgl = *GetCurrentMultitextureCoordinator();
    gl.Begin_(GL_QUADS);
    gl.Normal3f(0, 1, 0);
    xgl.TexCoord2f(sLeft, tBottom);
    gl.Vertex2f(-hw, -hh);
    xgl.TexCoord2f(sRight, tBottom);
    gl.Vertex2f(hw, -hh);
    xgl.TexCoord2f(sRight, tTop);
    gl.Vertex2f(hw, hh);
    xgl.TexCoord2f(sLeft, tTop);
    gl.Vertex2f(-hw, hh);
    gl.End_();
}

// ---------------------------------------------------------------------------------------------------------
// TGLHUDText

TGLHUDText::TGLHUDText(TComponent* AOwner) : TGLCustomBitmapText(AOwner) {}

void TGLHUDText::SetRotation(float Value)
{
    FRotation = Value;
    StructureChanged();
}

void TGLHUDText::DefineProperties(TFiler& Filer)
{
    TGLCustomBitmapText::DefineProperties(Filer);
    DefineSingleProperty(Filer, "Rotation", FRotation, 0, [this](float v) { SetRotation(v); });
}

void TGLHUDText::RenderTextAt(TGLRenderContextInfo& rci, float x, float y, float z)
{
    if (BitmapFont() && !Text().empty()) {
        TGLStateCache& states = *rci.GLStates;
        states.SetPolygonMode(pmFill);
        const float s = PixelScale(rci);
        const TVector4f& scale = Scale()->AsVector();
        const THUDTransformation pixels(rci, x, y, z, FRotation, scale.X * s, scale.Y * s);
        states.Disable(stDepthTest);
        BitmapFont()->RenderString(rci, Batch(), Text(), Alignment(), Layout(), ModulateColor()->Color());
        states.Enable(stDepthTest);
    }
    RenderChildren(0, Count() - 1, rci);
}

void TGLHUDText::DoRender(TGLRenderContextInfo& rci, bool /*renderSelf*/, bool /*renderChildren*/)
{
    const float s = PixelScale(rci);
    const TVector4f& position = Position()->AsVector();
    RenderTextAt(rci, position.X * s, position.Y * s, position.Z);
}

// ---------------------------------------------------------------------------------------------------------
// TGLResolutionIndependantHUDText

TGLResolutionIndependantHUDText::TGLResolutionIndependantHUDText(TComponent* AOwner) : TGLHUDText(AOwner)
{
    Position()->SetPoint(0.5f, 0.5f, 0);
}

void TGLResolutionIndependantHUDText::DoRender(TGLRenderContextInfo& rci, bool /*renderSelf*/,
                                               bool /*renderChildren*/)
{
    // Fractions of the viewport are pixels of the rendering already.
    const TVector4f& position = Position()->AsVector();
    RenderTextAt(rci, position.X * rci.viewPortSize.cx, position.Y * rci.viewPortSize.cy, position.Z);
}

// ---------------------------------------------------------------------------------------------------------
// TGLAbsoluteHUDText

void TGLAbsoluteHUDText::DoRender(TGLRenderContextInfo& rci, bool /*renderSelf*/, bool /*renderChildren*/)
{
    // Where the camera sees the position in this frame: through its view and projection, without the pick
    // region a picking pass puts behind the projection (the text's own drawing adds that).
    TGLTransformation& pipeline = *rci.PipelineTransformation;
    TMatrix4f viewProjection = pipeline.ViewProjectionMatrix();
    if (const auto* buffer = dynamic_cast<const TVAVodadBuffer*>(rci.buffer)) {
        const TMatrix4f base = buffer->BaseProjectionMatrix();
        if (!MatrixIdentical(base, IdentityHmgMatrix)) {
            TMatrix4f inverse, product;
            MatrixInverse(base, inverse);
            MatrixProduct(viewProjection, inverse, product);
            viewProjection = product;
        }
    }
    const TRectangle viewport{0, 0, rci.viewPortSize.cx, rci.viewPortSize.cy};
    TVector4f screen;
    if (!ProjectPointToViewport(AbsolutePosition(), viewProjection, viewport, screen)) {
        RenderChildren(0, Count() - 1, rci);
        return;
    }
    RenderTextAt(rci, screen.X, rci.viewPortSize.cy - screen.Y, screen.Z);
}

// ---------------------------------------------------------------------------------------------------------

void RegisterGLHUDObjectsClasses()
{
    RegisterClasses<TGLHUDText, TGLHUDSprite, TGLResolutionIndependantHUDText, TGLAbsoluteHUDText>();
}
