// Face, depth and blending settings, the shader hook and the material.
#include "GLMaterial.h"

#include "GLColor.h"
#include "GLContext.h"
#include "GLRenderContextInfo.h"
#include "OpenGLAdapter.h"
#include "VAVodad_streaming.h"
#include "ZODLog.h"

#include <algorithm>
#include <utility>

namespace {

// Links followed before a chain counts as a cycle.
constexpr int cMaxLinkDepth = 16;

// The owner as a notification target; materials and library materials answer both notification interfaces,
// so the texture interface is asked first to reach the one object unambiguously.
IGLNotifyAble* NotifyAbleOf(TPersistent* owner)
{
    if (auto* texOwner = dynamic_cast<IGLTextureNotifyAble*>(owner)) return texOwner;
    return dynamic_cast<IGLNotifyAble*>(owner);
}

// Depth of the linked Apply, UnApply and Blended calls under way: a cycle of links made without the name
// check ends here instead of in a stack overflow.
thread_local int vLinkDepth = 0;

class TLinkDepthGuard {
public:
    explicit TLinkDepthGuard(const std::string& name) : FEntered(vLinkDepth < cMaxLinkDepth)
    {
        if (FEntered)
            ++vLinkDepth;
        else
            GlobalLogSession()->LogErrorFmt("Cyclic reference detected in material \"%s\"", {name});
    }
    ~TLinkDepthGuard()
    {
        if (FEntered) --vLinkDepth;
    }
    TLinkDepthGuard(const TLinkDepthGuard&) = delete;
    TLinkDepthGuard& operator=(const TLinkDepthGuard&) = delete;
    bool Entered() const { return FEntered; }

private:
    bool FEntered;
};

struct TBlendingPreset {
    bool Blend;
    TBlendFunction Src, Dst;
    TComparisonFunction AlphaFunc;
    float AlphaRef;
};
// Every mode but bmCustom; all of them test alpha.
constexpr TBlendingPreset cBlendingPresets[] = {
    /* bmOpaque */ {false, bfOne, bfZero, cfAlways, 0},
    /* bmTransparency */ {true, bfSrcAlpha, bfOneMinusSrcAlpha, cfGreater, 0},
    /* bmAdditive */ {true, bfSrcAlpha, bfOne, cfGreater, 0},
    /* bmAlphaTest50 */ {false, bfOne, bfZero, cfGEqual, 0.5f},
    /* bmAlphaTest100 */ {false, bfOne, bfZero, cfGEqual, 1.0f},
    /* bmModulate */ {true, bfDstColor, bfZero, cfGreater, 0},
};

void SetEnabled(TGLStateCache& states, TGLState state, bool on)
{
    if (on)
        states.Enable(state);
    else
        states.Disable(state);
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// TGLFaceProperties

TGLFaceProperties::TGLFaceProperties(TPersistent* AOwner)
    : TGLUpdateAbleObject(AOwner),
      FAmbient(std::make_unique<TGLColor>(this, TVector4f{{{0.2f, 0.2f, 0.2f, 1}}})),
      FDiffuse(std::make_unique<TGLColor>(this, TVector4f{{{0.8f, 0.8f, 0.8f, 1}}})),
      FSpecular(std::make_unique<TGLColor>(this, TVector4f{{{0, 0, 0, 1}}})),
      FEmission(std::make_unique<TGLColor>(this, TVector4f{{{0, 0, 0, 1}}}))
{
}

TGLFaceProperties::~TGLFaceProperties() = default;

void TGLFaceProperties::Assign(TPersistent* Source)
{
    auto* source = dynamic_cast<TGLFaceProperties*>(Source);
    if (!source) return;
    FAmbient->SetDirectColor(source->FAmbient->Color());
    FDiffuse->SetDirectColor(source->FDiffuse->Color());
    FSpecular->SetDirectColor(source->FSpecular->Color());
    FEmission->SetDirectColor(source->FEmission->Color());
    FShininess = source->FShininess;
    NotifyChange(this);
}

void TGLFaceProperties::Apply(TGLRenderContextInfo& rci, TCullFaceMode aFace)
{
    rci.GLStates->SetGLMaterialColors(aFace, FEmission->Color(), FAmbient->Color(), FDiffuse->Color(),
                                      FSpecular->Color(), FShininess);
}

void TGLFaceProperties::ApplyNoLighting(TGLRenderContextInfo& /*rci*/, TCullFaceMode /*aFace*/)
{
    GetCurrentGL()->Color4fv(FDiffuse->AsAddress());
}

void TGLFaceProperties::SetColor(TGLColor& field, TGLColor* Value)
{
    if (Value) field.SetDirectColor(Value->Color());
    NotifyChange(this);
}

void TGLFaceProperties::SetShininess(TShininess Value)
{
    SetAndNotify(*this, FShininess, std::clamp(Value, 0, 128));
}

// ---------------------------------------------------------------------------------------------------------
// TGLDepthProperties

void TGLDepthProperties::Assign(TPersistent* Source)
{
    auto* source = dynamic_cast<TGLDepthProperties*>(Source);
    if (!source) return;
    FDepthTest = source->FDepthTest;
    FDepthWrite = source->FDepthWrite;
    FZNear = source->FZNear;
    FZFar = source->FZFar;
    FCompareFunc = source->FCompareFunc;
    NotifyChange(this);
}

void TGLDepthProperties::Apply(TGLRenderContextInfo& rci)
{
    TGLStateCache& states = *rci.GLStates;
    SetEnabled(states, stDepthTest, FDepthTest && rci.bufferDepthTest);
    states.SetDepthWriteMask(FDepthWrite);
    states.SetDepthFunc(FCompareFunc);
    states.SetDepthRange(FZNear, FZFar);
    if (GetCurrentGL()->ARB_depth_clamp) SetEnabled(states, stDepthClamp, FDepthClamp);
}

void TGLDepthProperties::SetZNear(float Value)
{
    SetAndNotify(*this, FZNear, std::clamp(Value, 0.0f, 1.0f));
}

void TGLDepthProperties::SetZFar(float Value)
{
    SetAndNotify(*this, FZFar, std::clamp(Value, 0.0f, 1.0f));
}

// ---------------------------------------------------------------------------------------------------------
// TGLBlendingParameters

void TGLBlendingParameters::Apply(TGLRenderContextInfo& rci)
{
    TGLStateCache& states = *rci.GLStates;
    if (FUseAlphaFunc) {
        states.Enable(stAlphaTest);
        states.SetGLAlphaFunction(FAlphaFuncType, FAlphaFuncRef);
    } else {
        states.Disable(stAlphaTest);
    }
    if (FUseBlendFunc) {
        states.Enable(stBlend);
        if (FSeparateBlendFunc)
            states.SetBlendFuncSeparate(FBlendFuncSFactor, FBlendFuncDFactor, FAlphaBlendFuncSFactor,
                                        FAlphaBlendFuncDFactor);
        else
            states.SetBlendFunc(FBlendFuncSFactor, FBlendFuncDFactor);
    } else {
        states.Disable(stBlend);
    }
}

void TGLBlendingParameters::Assign(TPersistent* Source)
{
    auto* source = dynamic_cast<TGLBlendingParameters*>(Source);
    if (!source) return;
    FUseAlphaFunc = source->FUseAlphaFunc;
    FUseBlendFunc = source->FUseBlendFunc;
    FSeparateBlendFunc = source->FSeparateBlendFunc;
    FAlphaFuncType = source->FAlphaFuncType;
    FAlphaFuncRef = source->FAlphaFuncRef;
    FBlendFuncSFactor = source->FBlendFuncSFactor;
    FBlendFuncDFactor = source->FBlendFuncDFactor;
    FAlphaBlendFuncSFactor = source->FAlphaBlendFuncSFactor;
    FAlphaBlendFuncDFactor = source->FAlphaBlendFuncDFactor;
    NotifyChange(this);
}

void TGLBlendingParameters::SetSeparateBlendFunc(bool Value)
{
    if (Value == FSeparateBlendFunc) return;
    FSeparateBlendFunc = Value;
    if (!Value) {
        FAlphaBlendFuncSFactor = FBlendFuncSFactor;
        FAlphaBlendFuncDFactor = FBlendFuncDFactor;
    }
    NotifyChange(this);
}

void TGLBlendingParameters::SetBlendFuncSFactor(TBlendFunction Value)
{
    if (Value == FBlendFuncSFactor) return;
    FBlendFuncSFactor = Value;
    if (!FSeparateBlendFunc) FAlphaBlendFuncSFactor = Value;
    NotifyChange(this);
}

void TGLBlendingParameters::SetBlendFuncDFactor(TBlendFunction Value)
{
    if (Value == FBlendFuncDFactor) return;
    FBlendFuncDFactor = Value;
    if (!FSeparateBlendFunc) FAlphaBlendFuncDFactor = Value;
    NotifyChange(this);
}

void TGLBlendingParameters::SetAlphaBlendFuncSFactor(TBlendFunction Value)
{
    if (FSeparateBlendFunc) SetAndNotify(*this, FAlphaBlendFuncSFactor, Value);
}

void TGLBlendingParameters::SetAlphaBlendFuncDFactor(TBlendFunction Value)
{
    if (FSeparateBlendFunc) SetAndNotify(*this, FAlphaBlendFuncDFactor, Value);
}

// ---------------------------------------------------------------------------------------------------------
// TGLShader

TGLShader::TGLShader(TComponent* AOwner) : TGLUpdateAbleComponent(AOwner), FVirtualHandle(new TGLVirtualHandle)
{
    FVirtualHandle->OnAllocate = [](TGLContextHandle*, uint32_t& handle) { handle = 1; };
    FVirtualHandle->OnDestroy = [](TGLContextHandle*, uint32_t& handle) { handle = 0; };
}

void TGLShader::BeforeDestruction()
{
    FVirtualHandle->DestroyHandle();
    FinalizeShader();
    DetachUsers();
    TGLUpdateAbleComponent::BeforeDestruction();
}

TGLShader::~TGLShader()
{
    DetachUsers();
}

void TGLShader::DetachUsers()
{
    while (!FLibMatUsers.empty()) FLibMatUsers.back()->SetShader(nullptr);
}

void TGLShader::DefineProperties(TFiler& Filer)
{
    TGLUpdateAbleComponent::DefineProperties(Filer);
    DefineBooleanProperty(Filer, "Enabled", FEnabled, true, [this](bool v) { SetEnabled(v); });
}

void TGLShader::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLShader*>(Source)) {
        FShaderStyle = source->FShaderStyle;
        FFailedInitAction = source->FFailedInitAction;
        SetEnabled(source->FEnabled);
    } else {
        TGLUpdateAbleComponent::Assign(Source);
    }
}

void TGLShader::NotifyChange(TObject* /*Sender*/)
{
    if (FUpdateCount > 0) return;
    for (size_t i = FLibMatUsers.size(); i-- > 0;)
        if (i < FLibMatUsers.size()) FLibMatUsers[i]->NotifyUsers();
    FinalizeShader();
}

void TGLShader::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0) NotifyChange(this);
}

void TGLShader::Apply(TGLRenderContextInfo& rci, TObject* Sender)
{
    Assert(!FShaderActive, "Unbalanced shader application.", cGLMaterialUnit, 1218);
    if (FEnabled) {
        if (FVirtualHandle->IsDataNeedUpdate()) InitializeShader(rci, Sender);
        // A failed initialisation may have switched the shader off.
        if (FEnabled) DoApply(rci, Sender);
    }
    FShaderActive = true;
}

bool TGLShader::UnApply(TGLRenderContextInfo& rci)
{
    Assert(FShaderActive, "Unbalanced shader application.", cGLMaterialUnit, 1238);
    bool result = false;
    if (FEnabled) {
        result = DoUnApply(rci);
        if (result) return true;
    }
    FShaderActive = false;
    return result;
}

void TGLShader::InitializeShader(TGLRenderContextInfo& rci, TObject* Sender)
{
    FVirtualHandle->AllocateHandle();
    if (FVirtualHandle->IsDataNeedUpdate()) {
        DoInitialize(rci, Sender);
        FVirtualHandle->NotifyDataUpdated();
    }
}

void TGLShader::FinalizeShader()
{
    FVirtualHandle->NotifyChangesOfData();
    DoFinalize();
}

void TGLShader::RegisterUser(TGLLibMaterial* libMat)
{
    if (std::find(FLibMatUsers.begin(), FLibMatUsers.end(), libMat) == FLibMatUsers.end())
        FLibMatUsers.push_back(libMat);
}

void TGLShader::UnRegisterUser(TGLLibMaterial* libMat)
{
    if (auto it = std::find(FLibMatUsers.begin(), FLibMatUsers.end(), libMat); it != FLibMatUsers.end())
        FLibMatUsers.erase(it);
}

void TGLShader::ReportFailedInit(const std::string& message)
{
    switch (FFailedInitAction) {
    case fiaSilentDisable:
    case fiaRaiseHandledException: // handled where it is raised: nothing reaches the caller
        break;
    case fiaRaiseStandardException:
        throw EGLShaderException(NotSupportedMessage());
    case fiaReRaiseException:
        throw EGLShaderException(message.empty() ? NotSupportedMessage() : message);
    }
}

std::string TGLShader::NotSupportedMessage() const
{
    return "Your hardware/driver doesn't support shader \"" + (Name().empty() ? ClassName() : Name()) + "\"!";
}

void TGLShader::SetEnabled(bool Value)
{
    Assert(!FShaderActive, "Shader is active.", cGLMaterialUnit, 1277);
    if (Value == FEnabled) return;
    FEnabled = Value;
    NotifyChange(this);
}

// ---------------------------------------------------------------------------------------------------------
// TGLMaterial

TGLMaterial::TGLMaterial(TPersistent* AOwner)
    : TGLUpdateAbleObject(AOwner),
      FFrontProperties(std::make_unique<TGLFaceProperties>(this)),
      FDepthProperties(std::make_unique<TGLDepthProperties>(this)),
      FBlendingParams(std::make_unique<TGLBlendingParameters>(this))
{
}

TGLMaterial::~TGLMaterial()
{
    if (currentLibMaterial) currentLibMaterial->UnregisterUser(this);
}

void TGLMaterial::Assign(TPersistent* Source)
{
    auto* source = dynamic_cast<TGLMaterial*>(Source);
    if (!source) {
        TGLUpdateAbleObject::Assign(Source);
        return;
    }
    if (source->FBackProperties)
        BackProperties()->Assign(source->FBackProperties.get());
    else
        FBackProperties.reset();
    FFrontProperties->Assign(source->FFrontProperties.get());
    FPolygonMode = source->FPolygonMode;
    FBlendingMode = source->FBlendingMode;
    FMaterialOptions = source->FMaterialOptions;
    if (source->FTexture)
        Texture()->Assign(source->FTexture.get());
    else
        FTexture.reset();
    FFaceCulling = source->FFaceCulling;
    FMaterialLibrary = source->FMaterialLibrary;
    SetLibMaterialName(source->FLibMaterialName);
    TextureEx()->Assign(source->TextureEx());
    FDepthProperties->Assign(source->FDepthProperties.get());
    NotifyChange(this);
}

void TGLMaterial::NotifyChange(TObject* /*Sender*/)
{
    Changed();
    if (IGLNotifyAble* owner = NotifyAbleOf(Owner())) owner->NotifyChange(this);
}

void TGLMaterial::NotifyTexMapChange(TObject* /*Sender*/)
{
    Changed();
    if (auto* owner = dynamic_cast<IGLTextureNotifyAble*>(Owner()))
        owner->NotifyTexMapChange(this);
    else
        NotifyChange(this);
}

bool TGLMaterial::UsesTextureEx() const
{
    return FTextureEx && (!FTexture || FTexture->Disabled() || FTextureEx->IsTextureEnabled(0));
}

void TGLMaterial::Apply(TGLRenderContextInfo& rci)
{
    if (currentLibMaterial) {
        const TLinkDepthGuard guard(FLibMaterialName);
        if (guard.Entered()) currentLibMaterial->Apply(rci);
        return;
    }
    UnApplyStayingMaterial(rci);
    TGLStateCache& states = *rci.GLStates;
    states.Disable(stColorMaterial);
    states.SetPolygonMode(FPolygonMode);
    if (FPolygonMode == pmLines) states.Disable(stLineStipple);

    if (FMaterialOptions.Contains(moNoLighting) || !rci.bufferLighting) {
        states.Disable(stLighting);
        FFrontProperties->ApplyNoLighting(rci, cmFront);
    } else {
        states.Enable(stLighting);
        FFrontProperties->Apply(rci, cmFront);
    }

    switch (FFaceCulling) {
    case fcBufferDefault:
        SetEnabled(states, stCullFace, rci.bufferFaceCull);
        BackProperties()->Apply(rci, cmBack);
        break;
    case fcCull:
        states.Enable(stCullFace);
        break;
    case fcNoCull:
        states.Disable(stCullFace);
        BackProperties()->Apply(rci, cmBack);
        break;
    }

    if (!rci.ignoreBlendingRequests) {
        if (FBlendingMode == bmCustom) {
            FBlendingParams->Apply(rci);
        } else {
            const TBlendingPreset& preset = cBlendingPresets[FBlendingMode];
            SetEnabled(states, stBlend, preset.Blend);
            if (preset.Blend) states.SetBlendFunc(preset.Src, preset.Dst);
            const bool alphaTest = FBlendingMode != bmOpaque;
            SetEnabled(states, stAlphaTest, alphaTest);
            if (alphaTest) states.SetGLAlphaFunction(preset.AlphaFunc, preset.AlphaRef);
        }
    }

    SetEnabled(states, stFog, !FMaterialOptions.Contains(moIgnoreFog) && rci.bufferFog);

    if (UsesTextureEx()) {
        if (FTextureEx->Count() > 0) FTextureEx->Apply(rci);
    } else if (FTexture) {
        FTexture->Apply(rci);
    }

    if (!rci.ignoreDepthRequests) FDepthProperties->Apply(rci);
}

bool TGLMaterial::UnApply(TGLRenderContextInfo& rci)
{
    if (currentLibMaterial) {
        const TLinkDepthGuard guard(FLibMaterialName);
        return guard.Entered() && currentLibMaterial->UnApply(rci);
    }
    if (UsesTextureEx())
        FTextureEx->UnApply(rci);
    else if (FTexture)
        FTexture->UnApply(rci);
    return false;
}

TGLAbstractLibMaterial* TGLMaterial::StayingLibMaterial() const
{
    return currentLibMaterial && currentLibMaterial->CanStayApplied() ? currentLibMaterial : nullptr;
}

void UnApplyStayingMaterial(TGLRenderContextInfo& rci)
{
    TGLAbstractLibMaterial* const applied = rci.appliedMaterial;
    if (!applied) return;
    rci.appliedMaterial = nullptr;
    // Undone for good, also when the object being drawn would let it stay.
    TGLAbstractLibMaterial* const mayStay = std::exchange(rci.materialMayStay, nullptr);
    applied->UnApply(rci);
    rci.materialMayStay = mayStay;
}

bool TGLMaterial::Blended() const
{
    if (currentLibMaterial) {
        const TLinkDepthGuard guard(FLibMaterialName);
        return guard.Entered() && currentLibMaterial->Blended();
    }
    return FBlendingMode == bmTransparency || FBlendingMode == bmAdditive || FBlendingMode == bmModulate;
}

void TGLMaterial::PrepareBuildList()
{
    if (FTexture && FTexture->Enabled()) FTexture->PrepareBuildList();
}

void TGLMaterial::DestroyHandles()
{
    if (FTexture) FTexture->DestroyHandles();
}

void TGLMaterial::Loaded()
{
    if (FTextureEx) FTextureEx->Loaded();
}

bool TGLMaterial::HasSecondaryTexture() const
{
    const TGLLibMaterial* libMat = GetLibMaterial();
    return libMat && libMat->Texture2Material();
}

TGLMaterial* TGLMaterial::GetActualPrimaryMaterial()
{
    if (TGLLibMaterial* libMat = GetLibMaterial()) return libMat->Material();
    return this;
}

TGLLibMaterial* TGLMaterial::GetLibMaterial() const
{
    return dynamic_cast<TGLLibMaterial*>(currentLibMaterial);
}

void TGLMaterial::Relink(TGLAbstractLibMaterial* Value)
{
    if (Value == currentLibMaterial) return;
    if (currentLibMaterial) currentLibMaterial->UnregisterUser(this);
    currentLibMaterial = Value;
    if (currentLibMaterial) currentLibMaterial->RegisterUser(static_cast<TGLUpdateAbleObject*>(this));
    NotifyTexMapChange(this);
}

void TGLMaterial::QuickAssignMaterial(TGLAbstractMaterialLibrary* library, TGLLibMaterial* libMaterial)
{
    FMaterialLibrary = library;
    FLibMaterialName = libMaterial ? libMaterial->Name() : std::string();
    Relink(libMaterial);
}

void TGLMaterial::SetMaterialLibrary(TGLAbstractMaterialLibrary* Value)
{
    FMaterialLibrary = Value;
    SetLibMaterialName(FLibMaterialName);
}

void TGLMaterial::SetLibMaterialName(const std::string& Value)
{
    TGLAbstractLibMaterials* const materials = FMaterialLibrary ? FMaterialLibrary->MaterialsBase() : nullptr;
    TGLAbstractLibMaterial* const found = materials ? materials->FindMaterialByName(Value) : nullptr;
    if (dynamic_cast<TGLMaterialLibrary*>(FMaterialLibrary)) {
        // The chain as it would be with the new name: this material's own link counts with Value, so a
        // link back to it runs on and is caught.
        const TGLAbstractLibMaterial* current = found;
        for (int step = 0; current && step < cMaxLinkDepth; ++step) {
            auto* libMat = dynamic_cast<const TGLLibMaterial*>(current);
            if (!libMat) {
                current = nullptr;
                break;
            }
            const TGLMaterial* material = libMat->Material();
            current = materials->FindMaterialByName(material == this ? Value : material->FLibMaterialName);
        }
        if (current) {
            GlobalLogSession()->LogErrorFmt("Cyclic reference detected in material \"%s\"", {Value});
            return;
        }
    }
    FLibMaterialName = Value;
    Relink(found);
}

TGLFaceProperties* TGLMaterial::BackProperties()
{
    if (!FBackProperties) FBackProperties = std::make_unique<TGLFaceProperties>(this);
    return FBackProperties.get();
}

void TGLMaterial::SetBackProperties(TGLFaceProperties* Value)
{
    BackProperties()->Assign(Value);
    NotifyChange(this);
}

void TGLMaterial::SetFrontProperties(TGLFaceProperties* Value)
{
    FFrontProperties->Assign(Value);
    NotifyChange(this);
}

void TGLMaterial::SetDepthProperties(TGLDepthProperties* Value)
{
    FDepthProperties->Assign(Value);
    NotifyChange(this);
}

void TGLMaterial::SetBlendingParams(TGLBlendingParameters* Value)
{
    FBlendingParams->Assign(Value);
    NotifyChange(this);
}

TGLTexture* TGLMaterial::Texture()
{
    if (!FTexture) FTexture = std::make_unique<TGLTexture>(this);
    return FTexture.get();
}

void TGLMaterial::SetTexture(TGLTexture* Value)
{
    if (Value)
        Texture()->Assign(Value);
    else
        FTexture.reset();
    NotifyChange(this);
}

TGLTextureEx* TGLMaterial::TextureEx()
{
    if (!FTextureEx) FTextureEx = std::make_unique<TGLTextureEx>(this);
    return FTextureEx.get();
}

void TGLMaterial::SetTextureEx(TGLTextureEx* Value)
{
    if (Value || FTextureEx) TextureEx()->Assign(Value);
}
