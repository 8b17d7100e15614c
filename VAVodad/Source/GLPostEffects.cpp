#include "GLPostEffects.h"

#include "GLContext.h"
#include "GLPipelineTransformation.h"
#include "GLState.h"
#include "GLVectorGeometry.h"
#include "GLVectorGeometryMatrices.h"
#include "RandomGenerator.h"
#include "StringLists.h"
#include "VAVodad_streaming.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr TEnumNames<8> cPresetNames{"pepNone",  "pepGray",        "pepNegative", "pepDistort",
                                     "pepNoise", "pepNightVision", "pepBlur",     "pepCustom"};

// A channel value rounded half to even, held to a byte.
uint8_t N(float x)
{
    return static_cast<uint8_t>(std::clamp(FloatRoundToInt(x), 0, 255));
}

// What reaches the colour buffer with the written-back pixels otherwise.
constexpr TGLState cWriteBackOff[] = {stDepthTest, stBlend, stFog, stAlphaTest, stStencilTest};

const char* const cPixelateVertex[] = {
    "varying vec2 vTexCoord; ",
    " ",
    "void main(void) ",
    "{ ",
    " ",
    "   // Clean up inaccuracies ",
    "   vec2 Position; ",
    "   Position.xy = sign(gl_Vertex.xy); ",
    " ",
    "   gl_Position = vec4(Position.xy, 0.0, 1.0); ",
    "   vTexCoord = Position.xy *.5 + .5; ",
    "    ",
    "} ",
};

const char* const cPixelateFragment[] = {
    "uniform float pixel_w; // 8.0 ",
    "uniform float pixel_h; // 8.0 ",
    "uniform vec2 ScreenExtents; ",
    "uniform sampler2DRect ScreenTex; ",
    " ",
    "varying vec2 vTexCoord; ",
    " ",
    "void main() ",
    "{ ",
    "   vec2 uv = vTexCoord * ScreenExtents; ",
    "   vec3 tc = vec3(1.0, 0.0, 0.0); ",
    "   vec2 coord = vec2(pixel_w*floor(uv.x/pixel_w),pixel_h*floor(uv.y/pixel_h)); ",
    "   tc = texture2DRect(ScreenTex, coord).rgb; ",
    "   gl_FragColor = vec4(tc, 1); ",
    "} ",
};

template <size_t N> void SetLines(TGLShaderProgram& program, const char* const (&lines)[N])
{
    TStringList code;
    for (const char* line : lines) code.Add(line);
    program.SetCode(&code);
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// TGLPostEffect

TGLPostEffect::TGLPostEffect(TComponent* AOwner) : TGLBaseSceneObject(AOwner) {}

void TGLPostEffect::Assign(TPersistent* Source)
{
    TGLBaseSceneObject::Assign(Source);
    if (auto* source = dynamic_cast<TGLPostEffect*>(Source)) FPreset = source->FPreset;
}

void TGLPostEffect::DefineProperties(TFiler& Filer)
{
    TGLBaseSceneObject::DefineProperties(Filer);
    DefineEnumProperty<TGLPostEffectPreset>(Filer, "Preset", cPresetNames, FPreset, pepNone,
                                            [this](TGLPostEffectPreset v) { SetPreset(v); });
}

size_t TGLPostEffect::RandomNeighbour(size_t p, int32_t spread)
{
    const int64_t q = static_cast<int64_t>(p) + Random(spread) - spread / 2;
    return static_cast<size_t>(std::clamp<int64_t>(q, 0, static_cast<int64_t>(FRenderBuffer.size()) - 1));
}

void TGLPostEffect::DoRender(TGLRenderContextInfo& rci, bool /*renderSelf*/, bool renderChildren)
{
    if (!rci.ignoreMaterials && FPreset != pepNone && rci.drawState != dsPicking) {
        const int32_t width = std::max(rci.viewPortSize.cx, 0);
        const int32_t height = std::max(rci.viewPortSize.cy, 0);
        const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
        if (FRenderBuffer.size() != count) FRenderBuffer.resize(count);
        if (count > 0) {
            GetCurrentGL()->ReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, FRenderBuffer.data());
            switch (FPreset) {
            case pepGray: ApplyGrayPreset(); break;
            case pepNegative: ApplyNegativePreset(); break;
            case pepDistort: ApplyDistortPreset(); break;
            case pepNoise: ApplyNoisePreset(); break;
            case pepNightVision: ApplyNightVisionPreset(); break;
            case pepBlur: ApplyBlurPreset(rci); break;
            case pepCustom: ApplyCustomPreset(rci, FRenderBuffer); break;
            default: Assert(false, "Error: Unknown type!", cGLPostEffectsUnit);
            }
            WriteBack(rci);
        }
    }
    if (renderChildren && Count() > 0) RenderChildren(0, Count() - 1, rci);
}

void TGLPostEffect::WriteBack(TGLRenderContextInfo& rci)
{
    TGLStateCache& states = *rci.GLStates;
    bool wasOn[std::size(cWriteBackOff)];
    for (size_t i = 0; i < std::size(cWriteBackOff); ++i) {
        wasOn[i] = states.States().Contains(cWriteBackOff[i]);
        states.Disable(cWriteBackOff[i]);
    }
    const bool textured = states.ActiveTextureEnabled(ttTexture2D);
    states.SetActiveTextureEnabled(ttTexture2D, false);
    // The raster position at the lower-left corner: (-1, -1) with every matrix the identity.
    TGLTransformation& transformation = *rci.PipelineTransformation;
    transformation.Push();
    transformation.SetModelMatrix(IdentityHmgMatrix);
    transformation.SetViewMatrix(IdentityHmgMatrix);
    transformation.SetProjectionMatrix(IdentityHmgMatrix);
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    gl.RasterPos2f(-1, -1);
    gl.DrawPixels(rci.viewPortSize.cx, rci.viewPortSize.cy, GL_RGBA, GL_UNSIGNED_BYTE, FRenderBuffer.data());
    transformation.Pop();
    states.SetActiveTextureEnabled(ttTexture2D, textured);
    for (size_t i = 0; i < std::size(cWriteBackOff); ++i)
        if (wasOn[i]) states.Enable(cWriteBackOff[i]);
}

void TGLPostEffect::ApplyGrayPreset()
{
    for (TGLPostEffectColor& c : FRenderBuffer) {
        const uint8_t v = N(0.3f * c.R + 0.59f * c.G + 0.11f * c.B);
        c.R = c.G = c.B = v;
    }
}

void TGLPostEffect::ApplyNegativePreset()
{
    for (TGLPostEffectColor& c : FRenderBuffer) {
        c.R = static_cast<uint8_t>(255 - c.R);
        c.G = static_cast<uint8_t>(255 - c.G);
        c.B = static_cast<uint8_t>(255 - c.B);
    }
}

void TGLPostEffect::ApplyDistortPreset()
{
    for (size_t p = 0; p < FRenderBuffer.size(); ++p) {
        const TGLPostEffectColor& q = FRenderBuffer[RandomNeighbour(p, 10)];
        TGLPostEffectColor& c = FRenderBuffer[p];
        c.R = q.R;
        c.G = q.G;
        c.B = q.B;
    }
}

void TGLPostEffect::ApplyNoisePreset()
{
    for (TGLPostEffectColor& c : FRenderBuffer) {
        const float f = static_cast<float>(Random(75)) / 100 + 0.25f;
        c.R = N(c.R * f);
        c.G = N(c.G * f);
        c.B = N(c.B * f);
    }
}

void TGLPostEffect::ApplyNightVisionPreset()
{
    for (size_t p = 0; p < FRenderBuffer.size(); ++p) {
        const TGLPostEffectColor& q = FRenderBuffer[RandomNeighbour(p, 20)];
        const float x = 0.3f * q.R + 60 + 0.59f * q.G + 0.11f * q.B;
        TGLPostEffectColor& c = FRenderBuffer[p];
        c.R = N(0.25f * x);
        c.G = N(0.6f * (x + 4));
        c.B = N(0.11f * (x + 4));
    }
}

void TGLPostEffect::ApplyBlurPreset(TGLRenderContextInfo& rci)
{
    const size_t w = static_cast<size_t>(std::max(rci.viewPortSize.cx, 0));
    const size_t count = FRenderBuffer.size();
    if (count < 4 * w + 1) return;
    TGLPostEffectColor* const b = FRenderBuffer.data();
    for (size_t p = 2 * w; p + 2 * w <= count - 1; ++p) {
        const auto blur = [&](uint8_t TGLPostEffectColor::*c) {
            b[p].*c = static_cast<uint8_t>((b[p - 2].*c + b[p].*c + b[p + 2].*c + b[p - 2 * w].*c + b[p + 2 * w].*c) / 5);
        };
        blur(&TGLPostEffectColor::R);
        blur(&TGLPostEffectColor::G);
        blur(&TGLPostEffectColor::B);
    }
}

void TGLPostEffect::ApplyCustomPreset(TGLRenderContextInfo& rci, TGLPostEffectBuffer& buffer)
{
    if (OnCustomEffect) OnCustomEffect(this, rci, buffer);
}

// ---------------------------------------------------------------------------------------------------------
// TGLPostShaderCollectionItem and TGLPostShaderCollection

TGLPostShaderCollectionItem::~TGLPostShaderCollectionItem()
{
    if (TGLPostShaderHolder* holder = GetHolder(); holder && FShader) holder->ReleaseShader(FShader);
}

void TGLPostShaderCollectionItem::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLPostShaderCollectionItem*>(Source))
        SetShader(source->FShader);
    else
        TPersistent::Assign(Source);
}

void TGLPostShaderCollectionItem::DefineProperties(TFiler& Filer)
{
    TPersistent::DefineProperties(Filer);
    DefineReferenceProperty(Filer, "Shader", FShader, FShaderName);
}

void TGLPostShaderCollectionItem::ResolveShader()
{
    if (TGLPostShaderHolder* holder = GetHolder())
        ResolveReference<TGLShader>(holder, FShaderName, [this](TGLShader* shader) { SetShader(shader); });
}

std::string TGLPostShaderCollectionItem::GetDisplayName() const
{
    if (!FShader) return {};
    return FShader->Name().empty() ? FShader->ClassName() : FShader->Name();
}

TGLPostShaderHolder* TGLPostShaderCollectionItem::GetHolder() const
{
    return FCollection ? FCollection->Holder() : nullptr;
}

void TGLPostShaderCollectionItem::SetShader(TGLShader* Value)
{
    if (Value == FShader) return;
    IGLPostShader* const postShader = dynamic_cast<IGLPostShader*>(Value);
    if (!postShader) throw EGLPostShaderHolderException("Shader must support interface IGLPostShader!");
    TGLPostShaderHolder* const holder = GetHolder();
    if (holder && postShader->RequiredTextureTarget() != holder->TempTextureTarget())
        throw EGLPostShaderHolderException(std::string("Error: ") + "TextureTarget is not compatible!");
    TGLShader* const previous = FShader;
    FShader = Value;
    FPostShaderInterface = postShader;
    if (!holder) return;
    Value->FreeNotification(holder);
    // Another item of the holder may still draw through the previous shader.
    if (previous) holder->ReleaseShader(previous);
}

TGLPostShaderCollection::~TGLPostShaderCollection()
{
    Clear();
}

void TGLPostShaderCollection::Assign(TPersistent* Source)
{
    auto* source = dynamic_cast<TGLPostShaderCollection*>(Source);
    if (!source) return TPersistent::Assign(Source);
    if (source == this) return;
    Clear();
    for (const auto& item : source->FItems) Add()->Assign(item.get());
}

TPersistent* TGLPostShaderCollection::GetOwner() const
{
    return FOwner;
}

TGLPostShaderCollectionItem* TGLPostShaderCollection::Add()
{
    return FItems.emplace_back(std::make_unique<TGLPostShaderCollectionItem>(this)).get();
}

TGLPostShaderCollectionItem* TGLPostShaderCollection::GetItems(int32_t index) const
{
    if (index < 0 || index >= Count()) RaiseListError("List index out of bounds (%d)", index);
    return FItems[static_cast<size_t>(index)].get();
}

void TGLPostShaderCollection::SetItems(int32_t index, TGLPostShaderCollectionItem* Value)
{
    GetItems(index)->Assign(Value);
}

void TGLPostShaderCollection::Remove(TGLShader* shader)
{
    for (size_t i = FItems.size(); i-- > 0;) {
        if (FItems[i]->Shader() != shader) continue;
        // Out of the list first, so that the item's release sees only the items that stay.
        std::unique_ptr<TGLPostShaderCollectionItem> item = std::move(FItems[i]);
        FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

void TGLPostShaderCollection::Clear()
{
    while (!FItems.empty()) {
        std::unique_ptr<TGLPostShaderCollectionItem> item = std::move(FItems.back());
        FItems.pop_back();
    }
}

bool TGLPostShaderCollection::Uses(const TGLShader* shader) const
{
    return std::any_of(FItems.begin(), FItems.end(), [shader](const auto& item) { return item->Shader() == shader; });
}

// ---------------------------------------------------------------------------------------------------------
// TGLPostShaderHolder

TGLPostShaderHolder::TGLPostShaderHolder(TComponent* AOwner)
    : TGLBaseSceneObject(AOwner),
      FShaders(std::make_unique<TGLPostShaderCollection>(this)),
      FTempTexture(new TGLTextureHandle)
{
}

TGLPostShaderHolder::~TGLPostShaderHolder()
{
    FShaders.reset();
    FTempTexture.reset();
}

void TGLPostShaderHolder::ReleaseShader(TGLShader* shader)
{
    if (!FShaders || FShaders->Uses(shader) || (ComponentState() & csDestroying)) return;
    if (!(shader->ComponentState() & csDestroying)) shader->RemoveFreeNotification(this);
}

void TGLPostShaderHolder::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLPostShaderHolder*>(Source)) {
        // The target first, so that the copied shaders fit it.
        FTempTextureTarget = source->FTempTextureTarget;
        FShaders->Assign(source->FShaders.get());
    }
    TGLBaseSceneObject::Assign(Source);
}

void TGLPostShaderHolder::DefineProperties(TFiler& Filer)
{
    TGLBaseSceneObject::DefineProperties(Filer);
    static constexpr TEnumNames<12> cTargetNames{
        "ttNoShape",        "ttTexture1D",      "ttTexture2D",        "ttTexture3D",
        "ttTexture1DArray", "ttTexture2DArray", "ttTextureRect",      "ttTextureBuffer",
        "ttTextureCube",    "ttTexture2DMultisample", "ttTexture2DMultisampleArray", "ttTextureCubeArray"};
    DefineEnumProperty<TGLTextureTarget>(Filer, "TempTextureTarget", cTargetNames, FTempTextureTarget, ttTexture2D,
                                         [this](TGLTextureTarget v) { SetTempTextureTarget(v); });
    TGLPostShaderCollection& shaders = *FShaders;
    DefineCollectionProperty(
        Filer, "Shaders", shaders.Count(), [&shaders](int32_t i) { return shaders.GetItems(i); },
        [&shaders] { shaders.Clear(); }, [&shaders] { return shaders.Add(); });
}

void TGLPostShaderHolder::Loaded()
{
    TGLBaseSceneObject::Loaded();
    for (int32_t i = 0; i < FShaders->Count(); ++i) FShaders->GetItems(i)->ResolveShader();
}

void TGLPostShaderHolder::Notification(TComponent* AComponent, TOperation Operation)
{
    TGLBaseSceneObject::Notification(AComponent, Operation);
    if (Operation == opRemove && FShaders)
        if (auto* shader = dynamic_cast<TGLShader*>(AComponent)) FShaders->Remove(shader);
}

void TGLPostShaderHolder::DoRender(TGLRenderContextInfo& rci, bool /*renderSelf*/, bool renderChildren)
{
    if (!rci.ignoreMaterials && !(ComponentState() & csDesigning) && rci.drawState != dsPicking) {
        const TGLSize size = rci.viewPortSize;
        TGLStateCache& states = *rci.GLStates;
        // A new context of the same size has a name for the texture but no picture in it yet.
        FTempTexture->AllocateHandle();
        if (size.cx != FPreviousViewportSize.cx || size.cy != FPreviousViewportSize.cy ||
            FTempTexture->IsDataNeedUpdate()) {
            InitScreenTexture(FTempTexture->Handle(), size, FTempTextureTarget);
            FTempTexture->NotifyDataUpdated();
            FPreviousViewportSize = size;
        }
        const GLenum target = TextureTargetToGLEnum(FTempTextureTarget);
        for (int32_t i = 0; i < FShaders->Count(); ++i) {
            TGLPostShaderCollectionItem* const item = FShaders->GetItems(i);
            TGLShader* const shader = item->Shader();
            Assert(shader != nullptr, "", cGLPostEffectsUnit);
            if (!shader->Enabled()) continue;
            states.SetActiveTextureEnabled(FTempTextureTarget, true);
            shader->Apply(rci, this);
            do {
                // The copy lands in whatever the active unit has bound: the shader may have moved it.
                states.SetTextureBinding(states.ActiveTexture(), FTempTextureTarget, FTempTexture->Handle());
                CopyScreenToTexture(size, target);
                item->PostShaderInterface()->BindTempTexture(FTempTexture.get(), FTempTextureTarget);
                DrawScreenQuad(size);
            } while (shader->UnApply(rci));
            states.SetActiveTextureEnabled(FTempTextureTarget, false);
        }
    }
    if (renderChildren && Count() > 0) RenderChildren(0, Count() - 1, rci);
}

// ---------------------------------------------------------------------------------------------------------
// The pixelate shader

TGLCustomGLSLPostPixelateShader::TGLCustomGLSLPostPixelateShader(TComponent* AOwner)
    : TGLCustomGLSLShader(AOwner)
{
    SetLines(*VertexProgram(), cPixelateVertex);
    SetLines(*FragmentProgram(), cPixelateFragment);
}

void TGLCustomGLSLPostPixelateShader::DoApply(TGLRenderContextInfo& rci, TObject* /*Sender*/)
{
    TGLProgramHandle& program = *GetGLSLProg();
    program.UseProgramObject();
    program.SetUniform1f("pixel_w", FPixelWidth);
    program.SetUniform1f("pixel_h", FPixelHeight);
    program.SetUniform2f("ScreenExtents", TVector2f{{{static_cast<float>(rci.viewPortSize.cx),
                                                      static_cast<float>(rci.viewPortSize.cy)}}});
}

bool TGLCustomGLSLPostPixelateShader::DoUnApply(TGLRenderContextInfo& rci)
{
    rci.GLStates->SetActiveTexture(0);
    GetGLSLProg()->EndUseProgramObject();
    return false;
}

void TGLCustomGLSLPostPixelateShader::BindTempTexture(TGLTextureHandle* TempTexture, TGLTextureTarget TextureTarget)
{
    Param("ScreenTex")->SetAsCustomTexture(3, TextureTarget, TempTexture->Handle());
}

void TGLSLPostPixelateShader::DefineProperties(TFiler& Filer)
{
    TGLCustomGLSLPostPixelateShader::DefineProperties(Filer);
    const auto size = [&Filer](const char* name, float value, const std::function<void(float)>& setter) {
        const bool stored = std::fabs(value) > 0 && std::fabs(value) <= 64;
        Filer.DefineProperty(
            name, [setter](TReader& reader) { setter(reader.ReadSingle()); },
            [value](TWriter& writer) { writer.WriteSingle(value); }, stored);
    };
    size("PixelWidth", PixelWidth(), [this](float v) { SetPixelWidth(v); });
    size("PixelHeight", PixelHeight(), [this](float v) { SetPixelHeight(v); });
}

void RegisterGLPostEffectsClasses()
{
    RegisterClasses<TGLPostEffect, TGLPostShaderHolder, TGLPostShaderCollection, TGLPostShaderCollectionItem,
                    TGLCustomGLSLPostPixelateShader, TGLSLPostPixelateShader>();
}
