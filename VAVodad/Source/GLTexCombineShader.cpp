#include "GLTexCombineShader.h"

#include "GLCustomShader.h"
#include "GLRenderContextInfo.h"
#include "GLUtilities.h"
#include "OpenGLAdapter.h"
#include "StringLists.h"
#include "VAVodad_streaming.h"
#include "Windows.h"
#include "XOpenGL.h"

namespace {

constexpr uint32_t cShowReportMessage = WM_USER;

} // namespace

TGLTexCombineShader::TGLTexCombineShader(TComponent* AOwner)
    : TGLShader(AOwner), FCombiners(std::make_unique<TStringList>())
{
    SetShaderStyle(ssLowLevel);
    FCombiners->OnChange = [this](TObject*) { NotifyChange(this); };
}

void TGLTexCombineShader::BeforeDestruction()
{
    ForgetExtras();
    if (FMaterialLibrary) FMaterialLibrary->RemoveFreeNotification(this);
    FMaterialLibrary = nullptr;
    DeallocateHWnd(FReportWindow);
    FReportWindow = nullptr;
    TGLShader::BeforeDestruction();
}

TGLTexCombineShader::~TGLTexCombineShader()
{
    // After a plain delete, which skips the pre-destroy step, no library material may keep this user.
    ForgetExtras();
    DeallocateHWnd(FReportWindow);
}

void TGLTexCombineShader::Notification(TComponent* AComponent, TOperation Operation)
{
    if (Operation == opRemove && AComponent == FMaterialLibrary) {
        // The library's materials still exist while it tells the components that it dies.
        ForgetExtras();
        FMaterialLibrary = nullptr;
    }
    TGLShader::Notification(AComponent, Operation);
}

void TGLTexCombineShader::LibMaterialFreed(TGLAbstractLibMaterial* libMaterial)
{
    for (TExtraTexture& extra : FExtra)
        if (extra.Material == libMaterial) {
            extra.Material = nullptr;
            extra.Applied = false;
        }
}

void TGLTexCombineShader::NotifyChange(TObject* Sender)
{
    FCombinerIsValid = true;
    FCommandCache.clear();
    TGLShader::NotifyChange(Sender);
}

void TGLTexCombineShader::DefineProperties(TFiler& Filer)
{
    TGLShader::DefineProperties(Filer);
    DefineStringsProperty(Filer, "Combiners", *FCombiners);
    DefineBooleanProperty(Filer, "DesignTimeEnabled", FDesignTimeEnabled, false,
                          [this](bool v) { SetDesignTimeEnabled(v); });
    DefineReferenceProperty(Filer, "MaterialLibrary", FMaterialLibrary, FMaterialLibraryName);
    for (int32_t k = 0; k < 2; ++k) {
        TExtraTexture& extra = FExtra[k];
        Filer.DefineProperty(
            k == 0 ? "LibMaterial3Name" : "LibMaterial4Name",
            [this, &extra](TReader& reader) { SetExtraName(extra, reader.ReadString()); },
            [&extra](TWriter& writer) { writer.WriteString(extra.Name); }, !extra.Name.empty());
    }
}

void TGLTexCombineShader::Loaded()
{
    TGLShader::Loaded();
    // Setting the library resolves both material names in it.
    ResolveReference<TGLMaterialLibrary>(this, FMaterialLibraryName,
                                         [this](TGLMaterialLibrary* library) { SetMaterialLibrary(library); });
}

TStrings* TGLTexCombineShader::Combiners() const
{
    return FCombiners.get();
}

void TGLTexCombineShader::SetCombiners(TStrings* Value)
{
    if (Value != FCombiners.get()) FCombiners->Assign(Value);
    NotifyChange(this);
}

void TGLTexCombineShader::SetDesignTimeEnabled(bool Value)
{
    if (Value == FDesignTimeEnabled) return;
    FDesignTimeEnabled = Value;
    NotifyChange(this);
}

void TGLTexCombineShader::SetMaterialLibrary(TGLMaterialLibrary* Value)
{
    if (FMaterialLibrary) FMaterialLibrary->RemoveFreeNotification(this);
    FMaterialLibrary = Value;
    if (FMaterialLibrary) FMaterialLibrary->FreeNotification(this);
    for (TExtraTexture& extra : FExtra) SetExtraName(extra, extra.Name);
}

void TGLTexCombineShader::SetLibMaterial3Name(const std::string& Value)
{
    SetExtraName(FExtra[0], Value);
}

void TGLTexCombineShader::SetLibMaterial4Name(const std::string& Value)
{
    SetExtraName(FExtra[1], Value);
}

void TGLTexCombineShader::ForgetExtras()
{
    for (TExtraTexture& extra : FExtra) {
        if (extra.Material) extra.Material->UnregisterUser(this);
        extra = {};
    }
}

void TGLTexCombineShader::SetExtraName(TExtraTexture& extra, const std::string& Value)
{
    TGLLibMaterial* const resolved = FMaterialLibrary ? FMaterialLibrary->Materials()->GetLibMaterialByName(Value)
                                                      : nullptr;
    extra.Name = Value;
    if (resolved == extra.Material) return;
    if (extra.Material) extra.Material->UnregisterUser(this);
    extra.Material = resolved;
    if (resolved) resolved->RegisterUser(static_cast<TGLUpdateAbleComponent*>(this));
    NotifyChange(this);
}

void TGLTexCombineShader::DoApply(TGLRenderContextInfo& rci, TObject* /*Sender*/)
{
    TGLExtensionsAndEntryPoints* const gl = GetCurrentGL();
    if (!gl->ARB_multitexture) return;
    for (TExtraTexture& extra : FExtra) extra.Applied = false;
    if (!FCombinerIsValid || ((ComponentState() & csDesigning) && !FDesignTimeEnabled)) return;
    try {
        if (FExtra[0].Material || FExtra[1].Material) {
            GLint units = 0;
            gl->GetIntegerv(GL_MAX_TEXTURE_UNITS, &units);
            uint32_t mask = 0;
            for (int32_t k = 0; k < 2; ++k) {
                TExtraTexture& extra = FExtra[k];
                const int32_t unit = 2 + k;
                if (!extra.Material || units <= unit) continue;
                TGLTexture* const texture = extra.Material->Material()->Texture();
                if (!texture->Enabled()) continue;
                texture->ApplyAsTextureN(unit + 1, rci,
                                         extra.Material->TextureMatrixIsIdentity() ? nullptr
                                                                                   : &extra.Material->TextureMatrix());
                extra.Applied = true;
                mask |= 1u << unit;
            }
            if (mask) GetCurrentMultitextureCoordinator()->MapTexCoordToArbitraryAdd(mask);
        }
        if (FCommandCache.empty()) CompileCombiners(*FCombiners, FCommandCache);
        TGLStateCache& states = *rci.GLStates;
        for (const TCombinerCommand& command : FCommandCache) {
            states.SetActiveTexture(command.ActiveUnit);
            gl->TexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
            gl->TexEnvi(GL_TEXTURE_ENV, command.Arg1, command.Arg2);
        }
        states.SetActiveTexture(0);
    } catch (const Exception& e) {
        FCombinerIsValid = false;
        ReportAfterFrame(ClassNameOf(typeid(e)) + ": " + e.Message());
    }
}

bool TGLTexCombineShader::DoUnApply(TGLRenderContextInfo& rci)
{
    for (int32_t k = 0; k < 2; ++k) {
        TExtraTexture& extra = FExtra[k];
        if (!extra.Applied || !extra.Material) continue;
        extra.Material->Material()->Texture()->UnApplyAsTextureN(3 + k, rci, !extra.Material->TextureMatrixIsIdentity());
        extra.Applied = false;
    }
    return false;
}

void TGLTexCombineShader::ReportAfterFrame(const std::string& text)
{
    FPendingReport = text;
    if (!FReportWindow) FReportWindow = AllocateHWnd([this](TMessage& Message) { ShowReport(Message); });
    PostMessage(FReportWindow, cShowReportMessage, 0, 0);
}

void TGLTexCombineShader::ShowReport(TMessage& Message)
{
    if (Message.Msg != cShowReportMessage || FPendingReport.empty()) return;
    const std::string text = std::move(FPendingReport);
    FPendingReport.clear();
    ShowInfoMessage(text);
}

void RegisterGLTexCombineShaderClasses()
{
    RegisterClass<TGLTexCombineShader>();
}
