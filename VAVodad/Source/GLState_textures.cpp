// The state cache: texture units and matrices, the fixed-function material, the lights and the resets.
#include "GLState.h"

#include "GLVectorGeometry.h"
#include "OpenGLAdapter.h"
#include "SysUtils.h"

#include <algorithm>
#include <cmath>

static const char* const cOnlyFrontOrBack = "Only cmFront or cmBack supported";

// Texture-matrix marks are kept for the first units only.
static constexpr int32_t cMarkedTextureMatrices = 4;

// OpenGL's default material.
static constexpr TVector4f cDefaultEmission = {{{0, 0, 0, 1}}};
static constexpr TVector4f cDefaultAmbient = {{{0.2f, 0.2f, 0.2f, 1}}};
static constexpr TVector4f cDefaultDiffuse = {{{0.8f, 0.8f, 0.8f, 1}}};
static constexpr TVector4f cDefaultSpecular = {{{0, 0, 0, 1}}};

// ---- texture units ----

void TGLStateCache::SetActiveTexture(int32_t Value)
{
    if (!GL().ARB_multitexture) return;
    CheckIndex(Value, cMaxTextureUnits);
    if (Cached(FActiveTexture, Value, sttTexture)) GL().ActiveTexture(GL_TEXTURE0 + Value);
}

uint32_t TGLStateCache::TextureBinding(int32_t Index, TGLTextureTarget target) const
{
    CheckIndex(Index, cMaxTextureUnits);
    return FTextureBinding[Index][target];
}

double TGLStateCache::TextureBindingTime(int32_t Index, TGLTextureTarget target) const
{
    CheckIndex(Index, cMaxTextureUnits);
    return FTextureBindingTime[Index][target];
}

// The busiest path of the renderer: a name already bound costs a comparison and a time stamp.
void TGLStateCache::SetTextureBinding(int32_t Index, TGLTextureTarget target, uint32_t Value)
{
    if (target == ttNoShape) return;
    CheckIndex(Index, cMaxTextureUnits);
    uint32_t& bound = FTextureBinding[Index][target];
    if (bound != Value || FInsideList) {
        if (FInsideList)
            Record(sttTexture);
        else
            bound = Value;
        const int32_t lastUnit = FActiveTexture;
        SetActiveTexture(Index);
        GL().BindTexture(TextureTargetToGLEnum(target), Value);
        SetActiveTexture(lastUnit);
    }
    FLastTextureBindingTime = std::max(FTextureBindingClock, std::nextafter(FLastTextureBindingTime, HUGE_VAL));
    FTextureBindingTime[Index][target] = FLastTextureBindingTime;
}

bool TGLStateCache::ActiveTextureEnabled(TGLTextureTarget Target) const
{
    return FActiveTextureEnabling[FActiveTexture][Target];
}

void TGLStateCache::SetActiveTextureEnabled(TGLTextureTarget Target, bool Value)
{
    const GLenum glTarget = TextureTargetToGLEnum(Target);
    if (FForwardContext || !IsGLTargetSupported(glTarget)) return;
    if (!Cached(FActiveTextureEnabling[FActiveTexture][Target], Value, sttEnable)) return;
    if (Value)
        GL().Enable(glTarget);
    else
        GL().Disable(glTarget);
}

uint32_t TGLStateCache::SamplerBinding(uint32_t Index) const
{
    return Index < cMaxTextureUnits ? FSamplerBinding[Index] : 0;
}

void TGLStateCache::SetSamplerBinding(uint32_t Index, uint32_t Value)
{
    if (Index >= cMaxTextureUnits) return;
    if (Cached(FSamplerBinding[Index], Value, sttTexture)) GL().BindSampler(Index, Value);
}

// ---- texture matrices ----

// Notes what a unit's texture matrix now is. A list only compiles the matrix call, and PopAttrib does not
// restore matrices, so inside a list a unit can only lose its identity mark.
void TGLStateCache::NoteTextureMatrix(int32_t AUnit, bool AIdentity)
{
    if (FInsideList) Record(sttTransform);
    if (AUnit < cMarkedTextureMatrices && !(FInsideList && AIdentity)) FTextureMatrixIsIdentity[AUnit] = AIdentity;
}

void TGLStateCache::SetGLTextureMatrix(const TMatrix4f& matrix)
{
    if (FForwardContext) return;
    NoteTextureMatrix(FActiveTexture, false);
    TGLExtensionsAndEntryPoints& gl = GL();
    gl.MatrixMode(GL_TEXTURE);
    gl.LoadMatrixf(&matrix.V[0].V[0]);
    gl.MatrixMode(GL_MODELVIEW);
}

void TGLStateCache::ResetGLTextureMatrix()
{
    if (FForwardContext) return;
    TGLExtensionsAndEntryPoints& gl = GL();
    gl.MatrixMode(GL_TEXTURE);
    gl.LoadIdentity();
    NoteTextureMatrix(FActiveTexture, true);
    gl.MatrixMode(GL_MODELVIEW);
}

void TGLStateCache::ResetAllGLTextureMatrix()
{
    if (FForwardContext) return;
    TGLExtensionsAndEntryPoints& gl = GL();
    const int32_t lastUnit = FActiveTexture;
    gl.MatrixMode(GL_TEXTURE);
    for (int32_t unit = cMarkedTextureMatrices - 1; unit >= 0; --unit) {
        if (FTextureMatrixIsIdentity[unit] && !FInsideList) continue;
        SetActiveTexture(unit);
        gl.LoadIdentity();
        NoteTextureMatrix(unit, true);
    }
    gl.MatrixMode(GL_MODELVIEW);
    SetActiveTexture(lastUnit);
}

// ---- unbinding ----

void TGLStateCache::UnbindTargets(int32_t AUnit)
{
    TGLExtensionsAndEntryPoints& gl = GL();
    for (int32_t t = ttTexture1D; t <= ttTextureCubeArray; ++t) {
        const GLenum glTarget = TextureTargetToGLEnum(static_cast<TGLTextureTarget>(t));
        if (!IsGLTargetSupported(glTarget)) continue;
        gl.BindTexture(glTarget, 0);
        FTextureBinding[AUnit][t] = 0;
    }
}

void TGLStateCache::ResetGLTexture(int32_t TextureUnit)
{
    CheckIndex(TextureUnit, cMaxTextureUnits);
    TGLExtensionsAndEntryPoints& gl = GL();
    gl.ActiveTexture(GL_TEXTURE0 + TextureUnit);
    UnbindTargets(TextureUnit);
    gl.ActiveTexture(GL_TEXTURE0);
    FActiveTexture = 0;
}

void TGLStateCache::ResetGLCurrentTexture()
{
    TGLExtensionsAndEntryPoints& gl = GL();
    if (!gl.ARB_multitexture) {
        UnbindTargets(0);
        return;
    }
    // Bounded by the units the cache keeps, whatever the driver reports; unit 0 always comes last.
    const int32_t units = static_cast<int32_t>(std::clamp<uint32_t>(MaxTextureImageUnits(), 1, cMaxTextureUnits));
    for (int32_t unit = units - 1; unit >= 0; --unit) {
        gl.ActiveTexture(GL_TEXTURE0 + unit);
        UnbindTargets(unit);
    }
    FActiveTexture = 0;
}

// ---- material ----

// The cached material colours and how SetGLMaterialColors compares them: emission, ambient and specular on
// red, green and blue only, so a change of their alpha alone is not sent.
struct TMaterialColorRule {
    GLenum Name;
    bool CompareXYZOnly;
};
static constexpr TMaterialColorRule cMaterialColors[] = {
    {GL_EMISSION, true}, {GL_AMBIENT, true}, {GL_DIFFUSE, false}, {GL_SPECULAR, true}};

void TGLStateCache::SetGLMaterialColors(TCullFaceMode aFace, const TVector4f& emission, const TVector4f& ambient,
                                        const TVector4f& diffuse, const TVector4f& specular, int32_t shininess)
{
    if (FForwardContext) return;
    Assert(aFace == cmFront || aFace == cmBack, cOnlyFrontOrBack, cGLStateUnit);
    TGLExtensionsAndEntryPoints& gl = GL();
    const GLenum face = cGLCullFaceModeToGLEnum[aFace];
    if (FInsideList || FFrontBackShininess[aFace] != shininess) {
        if (!FInsideList) FFrontBackShininess[aFace] = shininess;
        gl.Materiali(face, GL_SHININESS, shininess);
    }
    const TVector4f* colors[] = {&emission, &ambient, &diffuse, &specular};
    const bool sendAll = FInsideList || FMaterialColorsForced[aFace];
    for (int32_t i = mcEmission; i <= mcSpecular; ++i) {
        TVector4f& cached = FFrontBackColors[aFace][i];
        const TVector4f& color = *colors[i];
        const bool same = cMaterialColors[i].CompareXYZOnly ? HmgEqualsXYZ(cached, color) : HmgEquals(cached, color);
        if (same && !sendAll) continue;
        if (!FInsideList) cached = color;
        gl.Materialfv(face, cMaterialColors[i].Name, color.V);
    }
    if (FInsideList)
        Record(sttLighting);
    else
        FMaterialColorsForced[aFace] = false;
}

int32_t TGLStateCache::MaterialFaceIndex(uint32_t aFace) const
{
    if (aFace == GL_FRONT) return cmFront;
    if (aFace == GL_BACK) return cmBack;
    Assert(false, cOnlyFrontOrBack, cGLStateUnit);
    return cmFront;
}

void TGLStateCache::SetGLMaterialAlphaChannel(uint32_t aFace, float alpha)
{
    if (FForwardContext) return;
    if (aFace == GL_FRONT_AND_BACK) {
        // Each face keeps its own diffuse colour; unlit, the one current colour takes the alpha once.
        SetGLMaterialAlphaChannel(GL_FRONT, alpha);
        if (FStates.Contains(stLighting)) SetGLMaterialAlphaChannel(GL_BACK, alpha);
        return;
    }
    const int32_t i = MaterialFaceIndex(aFace);
    TGLExtensionsAndEntryPoints& gl = GL();
    if (!FStates.Contains(stLighting)) {
        float color[4];
        gl.GetFloatv(GL_CURRENT_COLOR, color);
        color[3] = alpha;
        gl.Color4fv(color);
        return;
    }
    TVector4f& cached = FFrontBackColors[i][mcDiffuse];
    if (cached.W == alpha && !FInsideList) return;
    TVector4f color = cached;
    color.W = alpha;
    if (FInsideList)
        Record(sttLighting);
    else
        cached = color;
    gl.Materialfv(aFace, GL_DIFFUSE, color.V);
}

void TGLStateCache::SetGLMaterialDiffuseColor(uint32_t aFace, const TVector4f& diffuse)
{
    if (FForwardContext) return;
    const int32_t i = MaterialFaceIndex(aFace);
    if (!FStates.Contains(stLighting)) {
        GL().Color4fv(diffuse.V);
        return;
    }
    if (Cached(FFrontBackColors[i][mcDiffuse], diffuse, sttLighting)) GL().Materialfv(aFace, GL_DIFFUSE, diffuse.V);
}

TVector4f TGLStateCache::MaterialEmission(TCullFaceMode aFace) const
{
    CheckIndex(aFace, 2);
    return FFrontBackColors[aFace][mcEmission];
}

TVector4f TGLStateCache::MaterialAmbient(TCullFaceMode aFace) const
{
    CheckIndex(aFace, 2);
    return FFrontBackColors[aFace][mcAmbient];
}

TVector4f TGLStateCache::MaterialDiffuse(TCullFaceMode aFace) const
{
    CheckIndex(aFace, 2);
    return FFrontBackColors[aFace][mcDiffuse];
}

TVector4f TGLStateCache::MaterialSpecular(TCullFaceMode aFace) const
{
    CheckIndex(aFace, 2);
    return FFrontBackColors[aFace][mcSpecular];
}

int32_t TGLStateCache::MaterialShininess(TCullFaceMode aFace) const
{
    CheckIndex(aFace, 2);
    return FFrontBackShininess[aFace];
}

// Sends the cached material of a face.
void TGLStateCache::SendMaterial(TCullFaceMode aFace)
{
    TGLExtensionsAndEntryPoints& gl = GL();
    const GLenum face = cGLCullFaceModeToGLEnum[aFace];
    for (int32_t i = mcEmission; i <= mcSpecular; ++i)
        gl.Materialfv(face, cMaterialColors[i].Name, FFrontBackColors[aFace][i].V);
    gl.Materiali(face, GL_SHININESS, FFrontBackShininess[aFace]);
}

void TGLStateCache::ResetGLMaterialColors()
{
    if (FForwardContext) return;
    TGLExtensionsAndEntryPoints& gl = GL();
    gl.Materialfv(GL_FRONT_AND_BACK, GL_AMBIENT, cDefaultAmbient.V);
    gl.Materialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, cDefaultDiffuse.V);
    gl.Materialfv(GL_FRONT_AND_BACK, GL_SPECULAR, cDefaultSpecular.V);
    gl.Materialfv(GL_FRONT_AND_BACK, GL_EMISSION, cDefaultEmission.V);
    gl.Materiali(GL_FRONT_AND_BACK, GL_SHININESS, 0);
    if (FInsideList) {
        Record(sttLighting);
        return;
    }
    // The cache now holds what OpenGL holds, yet the next material is sent whole: colour material may move
    // OpenGL's material behind the cache's back.
    for (int32_t face = cmFront; face <= cmBack; ++face) {
        FFrontBackColors[face][mcEmission] = cDefaultEmission;
        FFrontBackColors[face][mcAmbient] = cDefaultAmbient;
        FFrontBackColors[face][mcDiffuse] = cDefaultDiffuse;
        FFrontBackColors[face][mcSpecular] = cDefaultSpecular;
        FFrontBackShininess[face] = 0;
        FMaterialColorsForced[face] = true;
    }
}

// ---- lights ----

uint32_t TGLStateCache::MaxLights()
{
    if (FMaxLights == 0) {
        if (FForwardContext)
            FMaxLights = cMaxLights;
        else
            QueryLimit(FMaxLights, GL_MAX_LIGHTS);
    }
    return FMaxLights;
}

void TGLStateCache::LightsChanged()
{
    FShaderLightStatesChanged = true;
    if (OnLightsChanged) OnLightsChanged(this);
}

// A light parameter for the fixed-function pipeline, when it takes part.
void TGLStateCache::LightParameter(int32_t I, GLenum AName, const float* AValue)
{
    if (FFFPLight) GL().Lightfv(GL_LIGHT0 + I, AName, AValue);
}

static const float* LightValue(const float& AValue)
{
    return &AValue;
}

static const float* LightValue(const TVector4f& AValue)
{
    return AValue.V;
}

// A light parameter kept by the cached rule, whose field belongs to light I (checked by the caller).
template <typename T> void TGLStateCache::SetLightParameter(int32_t I, GLenum AName, T& AField, const T& Value)
{
    if (!Cached(AField, Value, sttLighting)) return;
    LightParameter(I, AName, LightValue(Value));
    LightsChanged();
}

bool TGLStateCache::LightEnabling(int32_t I) const
{
    CheckIndex(I, cMaxLights);
    return FLightEnabling[I];
}

void TGLStateCache::SetLightEnabling(int32_t I, bool Value)
{
    CheckIndex(I, cMaxLights);
    if (!Cached(FLightEnabling[I], Value, sttLighting)) return;
    if (FFFPLight) {
        if (Value)
            GL().Enable(GL_LIGHT0 + I);
        else
            GL().Disable(GL_LIGHT0 + I);
    }
    // The enabled lights, packed from the start; entries past the count keep what they held.
    int32_t count = 0;
    for (int32_t light = 0; light < cMaxLights; ++light)
        if (FLightEnabling[light]) FLightIndices[count++] = light;
    FLightNumber = count;
    LightsChanged();
}

TVector4f TGLStateCache::LightPosition(int32_t I) const
{
    CheckIndex(I, cMaxLights);
    return FLightStates.Position[I];
}

void TGLStateCache::SetLightPosition(int32_t I, const TVector4f& Value)
{
    CheckIndex(I, cMaxLights);
    if (!Plain(FLightStates.Position[I], Value)) return;
    LightsChanged();
}

TVector3f TGLStateCache::LightSpotDirection(int32_t I) const
{
    CheckIndex(I, cMaxLights);
    const TVector4f& d = FLightStates.SpotDirection[I];
    return {{{d.X, d.Y, d.Z}}};
}

void TGLStateCache::SetLightSpotDirection(int32_t I, const TVector3f& Value)
{
    CheckIndex(I, cMaxLights);
    if (!Plain(FLightStates.SpotDirection[I], TVector4f{{{Value.X, Value.Y, Value.Z, 0}}})) return;
    LightsChanged();
}

TVector4f TGLStateCache::LightAmbient(int32_t I) const
{
    CheckIndex(I, cMaxLights);
    return FLightStates.Ambient[I];
}

void TGLStateCache::SetLightAmbient(int32_t I, const TVector4f& Value)
{
    CheckIndex(I, cMaxLights);
    SetLightParameter(I, GL_AMBIENT, FLightStates.Ambient[I], Value);
}

TVector4f TGLStateCache::LightDiffuse(int32_t I) const
{
    CheckIndex(I, cMaxLights);
    return FLightStates.Diffuse[I];
}

void TGLStateCache::SetLightDiffuse(int32_t I, const TVector4f& Value)
{
    CheckIndex(I, cMaxLights);
    SetLightParameter(I, GL_DIFFUSE, FLightStates.Diffuse[I], Value);
}

TVector4f TGLStateCache::LightSpecular(int32_t I) const
{
    CheckIndex(I, cMaxLights);
    return FLightStates.Specular[I];
}

void TGLStateCache::SetLightSpecular(int32_t I, const TVector4f& Value)
{
    CheckIndex(I, cMaxLights);
    SetLightParameter(I, GL_SPECULAR, FLightStates.Specular[I], Value);
}

float TGLStateCache::LightSpotCutoff(int32_t I) const
{
    CheckIndex(I, cMaxLights);
    return FSpotCutoff[I];
}

void TGLStateCache::SetSpotCutoff(int32_t I, float Value)
{
    CheckIndex(I, cMaxLights);
    if (!Cached(FSpotCutoff[I], Value, sttLighting)) return;
    if (!FInsideList) FLightStates.SpotCosCutoffExponent[I].X = static_cast<float>(std::cos(DegreesToRadians(Value)));
    LightParameter(I, GL_SPOT_CUTOFF, &Value);
    LightsChanged();
}

float TGLStateCache::LightSpotExponent(int32_t I) const
{
    CheckIndex(I, cMaxLights);
    return FLightStates.SpotCosCutoffExponent[I].Y;
}

void TGLStateCache::SetSpotExponent(int32_t I, float Value)
{
    CheckIndex(I, cMaxLights);
    SetLightParameter(I, GL_SPOT_EXPONENT, FLightStates.SpotCosCutoffExponent[I].Y, Value);
}

float TGLStateCache::LightConstantAtten(int32_t I) const
{
    CheckIndex(I, cMaxLights);
    return FLightStates.Attenuation[I].X;
}

void TGLStateCache::SetConstantAtten(int32_t I, float Value)
{
    CheckIndex(I, cMaxLights);
    SetLightParameter(I, GL_CONSTANT_ATTENUATION, FLightStates.Attenuation[I].X, Value);
}

float TGLStateCache::LightLinearAtten(int32_t I) const
{
    CheckIndex(I, cMaxLights);
    return FLightStates.Attenuation[I].Y;
}

void TGLStateCache::SetLinearAtten(int32_t I, float Value)
{
    CheckIndex(I, cMaxLights);
    SetLightParameter(I, GL_LINEAR_ATTENUATION, FLightStates.Attenuation[I].Y, Value);
}

float TGLStateCache::LightQuadraticAtten(int32_t I) const
{
    CheckIndex(I, cMaxLights);
    return FLightStates.Attenuation[I].Z;
}

void TGLStateCache::SetQuadAtten(int32_t I, float Value)
{
    CheckIndex(I, cMaxLights);
    SetLightParameter(I, GL_QUADRATIC_ATTENUATION, FLightStates.Attenuation[I].Z, Value);
}

// Copies entry ASource(k) of each of the seven light arrays into entry k of the shader's arrays, k < ACount.
template <typename F>
static void CopyShaderLights(const TLightSourceState& AFrom, TShaderLightSourceState& ATo, int32_t ACount,
                             F ASource)
{
    const auto copy = [&](const TVector4f(&from)[cMaxLights], TVector4f(&to)[cMaxShaderLights]) {
        for (int32_t k = ACount - 1; k >= 0; --k) to[k] = from[ASource(k)];
    };
    copy(AFrom.Position, ATo.Position);
    copy(AFrom.Ambient, ATo.Ambient);
    copy(AFrom.Diffuse, ATo.Diffuse);
    copy(AFrom.Specular, ATo.Specular);
    copy(AFrom.SpotDirection, ATo.SpotDirection);
    copy(AFrom.SpotCosCutoffExponent, ATo.SpotCosCutoffExponent);
    copy(AFrom.Attenuation, ATo.Attenuation);
}

// With OpenGL 3.0 shaders index the copy through the light indices, so it holds lights 0 to 7 in place;
// before 3.0 it is packed with the first enabled lights.
const TShaderLightSourceState* TGLStateCache::GetLightStateAsAddress()
{
    if (FShaderLightStatesChanged) {
        const int32_t n = std::min(FLightNumber, cMaxShaderLights);
        if (n > 0) {
            if (GL().VERSION_3_0)
                CopyShaderLights(FLightStates, FShaderLightStates, cMaxShaderLights, [](int32_t k) { return k; });
            else
                CopyShaderLights(FLightStates, FShaderLightStates, n, [this](int32_t k) { return FLightIndices[k]; });
        }
        FShaderLightStatesChanged = false;
    }
    return &FShaderLightStates;
}

// ---- resets ----

void TGLStateCache::ResetGLPolygonMode()
{
    GL().PolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    FPolygonMode = FPolygonBackMode = pmFill;
}

void TGLStateCache::ResetGLFrontFace()
{
    GL().FrontFace(GL_CCW);
    FFrontFace = fwCounterClockWise;
}

void TGLStateCache::SetGLFrontFaceCW()
{
    if (FFrontFace != fwCounterClockWise) return;
    GL().FrontFace(GL_CW);
    FFrontFace = fwClockWise;
}

void TGLStateCache::InvertGLFrontFace()
{
    SetFrontFace(FFrontFace == fwCounterClockWise ? fwClockWise : fwCounterClockWise);
}

void TGLStateCache::ResetAll()
{
    ResetGLPolygonMode();
    ResetGLMaterialColors();
    ResetGLCurrentTexture();
    ResetGLFrontFace();
}
