// A shader that sets up the texture units' combine environment from a combiner script after its library
// material has been applied ("Tex1:=Tex0+Tex1;" adds the second texture to the first), and can bind the textures
// of two more library materials on units 2 and 3.
#pragma once

#include "GLMaterial.h"
#include "GLTextureCombiners.h"
#include "Messages.h"

#include <memory>
#include <string>

class TGLMaterialLibrary;
class TStringList;

class TGLTexCombineShader : public TGLShader, public IGLLibMaterialUser {
public:
    explicit TGLTexCombineShader(TComponent* AOwner);
    // Leaves the library materials it uses and drops a report not shown yet.
    void BeforeDestruction() override;
    ~TGLTexCombineShader() override;

    void Notification(TComponent* AComponent, TOperation Operation) override;
    // A third or fourth texture's material that dies is forgotten; its name stays, to resolve again in a new
    // library.
    void LibMaterialFreed(TGLAbstractLibMaterial* libMaterial) override;
    // Any change compiles the script again at the next apply, and a failed script may report again.
    void NotifyChange(TObject* Sender) override;
    // The script, DesignTimeEnabled, the library by its name and the two material names.
    void DefineProperties(TFiler& Filer) override;
    // Finds the library named in the stream.
    void Loaded() override;

    // The script's lines; a change notifies.
    TStrings* Combiners() const;
    void SetCombiners(TStrings* Value);
    bool DesignTimeEnabled() const { return FDesignTimeEnabled; }
    void SetDesignTimeEnabled(bool Value);
    TGLMaterialLibrary* MaterialLibrary() const { return FMaterialLibrary; }
    // Resolves both material names again in the new library.
    void SetMaterialLibrary(TGLMaterialLibrary* Value);
    // The library materials whose textures go on units 2 and 3; a name the library lacks resolves to none.
    const std::string& LibMaterial3Name() const { return FExtra[0].Name; }
    void SetLibMaterial3Name(const std::string& Value);
    const std::string& LibMaterial4Name() const { return FExtra[1].Name; }
    void SetLibMaterial4Name(const std::string& Value);

    // False once the script failed to compile or apply, until the next change.
    bool CombinerIsValid() const { return FCombinerIsValid; }
    // The commands of the script compiled last (empty until the first apply after a change).
    const TCombinerCache& CommandCache() const { return FCommandCache; }

protected:
    // A script that fails is reported once, with a message box shown after the frame: a modal loop here would
    // run ticks and paints in the middle of rendering.
    void DoApply(TGLRenderContextInfo& rci, TObject* Sender) override;
    // One pass; the combine environment stays on the units.
    bool DoUnApply(TGLRenderContextInfo& rci) override;

private:
    struct TExtraTexture {
        std::string Name;
        TGLLibMaterial* Material = nullptr; // registered as its user
        bool Applied = false;
    };
    void SetExtraName(TExtraTexture& extra, const std::string& Value);
    // Leaves the resolved materials and clears both names, without a notification.
    void ForgetExtras();
    void ReportAfterFrame(const std::string& text);
    void ShowReport(TMessage& Message);

    std::unique_ptr<TStringList> FCombiners;
    TCombinerCache FCommandCache;
    bool FCombinerIsValid = true;
    bool FDesignTimeEnabled = false;
    TGLMaterialLibrary* FMaterialLibrary = nullptr;
    std::string FMaterialLibraryName; // read from a stream, until Loaded
    // Units 2 and 3.
    TExtraTexture FExtra[2];
    // The hidden window the report is posted to, made for the first one.
    HWND FReportWindow = nullptr;
    std::string FPendingReport;
};

// Registers TGLTexCombineShader as a streamable class; start-up calls it once.
void RegisterGLTexCombineShaderClasses();
