// Materials and the material library. A material says how the surfaces of one object are drawn (lighting
// colours of both faces, culling and polygon mode, blending or alpha testing, depth use, fog and lighting
// switches, a texture or a list of textures), or it links by name to a library material and draws as that one.
// A library material adds a texture matrix, a second texture taken from another library material and a
// shader that runs before, after or instead of the material; it keeps a list of its users and tells them of
// every change. The library saves and loads its materials in an archive of its own.
#pragma once

#include "GLBaseClasses.h"
#include "GLState.h"
#include "GLTexture.h"
#include "GLVectorTypes.h"
#include "Sets.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

// The unit name that the assertion texts of this unit's files carry.
inline constexpr const char* cGLMaterialUnit = "VAVodad\\Source\\GLMaterial";

class TGLAbstractLibMaterial;
class TGLAbstractLibMaterials;
class TGLAbstractMaterialLibrary;
class TGLColor;
class TGLCoordinates3;
class TGLLibMaterial;
class TGLLibMaterials;
class TGLShader;
class TGLVirtualHandle;
class TGraphic;
class TStream;
class TStrings;
class TVirtualReader;
class TVirtualWriter;
struct TGLRenderContextInfo;

enum TBlendingMode {
    bmOpaque,
    bmTransparency,
    bmAdditive,
    bmAlphaTest50,
    bmAlphaTest100,
    bmModulate,
    bmCustom
};
enum TFaceCulling { fcBufferDefault, fcCull, fcNoCull };
enum TMaterialOption { moIgnoreFog, moNoLighting };
using TMaterialOptions = TSet<TMaterialOption, uint8_t>;
// The specular exponent, 0 to 128.
using TShininess = int32_t;
// The shader runs before the material, after it, or instead of it.
enum TGLShaderStyle { ssHighLevel, ssLowLevel, ssReplace };
enum TGLShaderFailedInitAction {
    fiaSilentDisable,
    fiaRaiseStandardException,
    fiaRaiseHandledException,
    fiaReRaiseException
};

class EGLShaderException : public Exception {
public:
    using Exception::Exception;
};

// Objects that know the material library they draw from.
class IGLMaterialLibrarySupported {
public:
    virtual TGLAbstractMaterialLibrary* GetMaterialLibrary() const = 0;

protected:
    ~IGLMaterialLibrarySupported() = default;
};

// Users other than materials that hold a library material they registered with: told when it dies, so that
// they drop the pointer.
class IGLLibMaterialUser {
public:
    virtual void LibMaterialFreed(TGLAbstractLibMaterial* libMaterial) = 0;

protected:
    ~IGLLibMaterialUser() = default;
};

// ---------------------------------------------------------------------------------------------------------
// Settings objects

// The setters of the settings objects and the material: a new value is stored and its users hear of it.
template <class T> void SetAndNotify(TGLUpdateAbleObject& AObject, T& field, T Value)
{
    if (field == Value) return;
    field = Value;
    AObject.NotifyChange(&AObject);
}

class TGLFaceProperties : public TGLUpdateAbleObject {
public:
    explicit TGLFaceProperties(TPersistent* AOwner);
    ~TGLFaceProperties() override;

    // From other face properties: the four colours and the shininess; anything else is ignored.
    void Assign(TPersistent* Source) override;
    // aFace is cmFront or cmBack.
    void Apply(TGLRenderContextInfo& rci, TCullFaceMode aFace);
    // The diffuse colour as the current colour.
    void ApplyNoLighting(TGLRenderContextInfo& rci, TCullFaceMode aFace);

    TGLColor* Ambient() const { return FAmbient.get(); }
    TGLColor* Diffuse() const { return FDiffuse.get(); }
    TGLColor* Specular() const { return FSpecular.get(); }
    TGLColor* Emission() const { return FEmission.get(); }
    // Copy the colour's four values, then notify once.
    void SetAmbient(TGLColor* Value) { SetColor(*FAmbient, Value); }
    void SetDiffuse(TGLColor* Value) { SetColor(*FDiffuse, Value); }
    void SetSpecular(TGLColor* Value) { SetColor(*FSpecular, Value); }
    void SetEmission(TGLColor* Value) { SetColor(*FEmission, Value); }
    TShininess Shininess() const { return FShininess; }
    // Held to 0..128.
    void SetShininess(TShininess Value);

private:
    void SetColor(TGLColor& field, TGLColor* Value);

    std::unique_ptr<TGLColor> FAmbient, FDiffuse, FSpecular, FEmission;
    TShininess FShininess = 0;
};

class TGLDepthProperties : public TGLUpdateAbleObject {
public:
    using TGLUpdateAbleObject::TGLUpdateAbleObject;

    // Everything but DepthClamp; anything else is ignored.
    void Assign(TPersistent* Source) override;
    void Apply(TGLRenderContextInfo& rci);

    bool DepthTest() const { return FDepthTest; }
    void SetDepthTest(bool Value) { SetAndNotify(*this, FDepthTest, Value); }
    bool DepthWrite() const { return FDepthWrite; }
    void SetDepthWrite(bool Value) { SetAndNotify(*this, FDepthWrite, Value); }
    float ZNear() const { return FZNear; }
    // Held to 0..1.
    void SetZNear(float Value);
    float ZFar() const { return FZFar; }
    void SetZFar(float Value);
    TComparisonFunction DepthCompareFunction() const { return FCompareFunc; }
    void SetDepthCompareFunction(TComparisonFunction Value) { SetAndNotify(*this, FCompareFunc, Value); }
    bool DepthClamp() const { return FDepthClamp; }
    void SetDepthClamp(bool Value) { SetAndNotify(*this, FDepthClamp, Value); }

private:
    bool FDepthTest = true;
    bool FDepthWrite = true;
    float FZNear = 0;
    float FZFar = 1;
    TComparisonFunction FCompareFunc = cfLEqual;
    bool FDepthClamp = false;
};

// The blending of BlendingMode bmCustom.
class TGLBlendingParameters : public TGLUpdateAbleObject {
public:
    using TGLUpdateAbleObject::TGLUpdateAbleObject;

    // From other blending parameters: every field; anything else is ignored.
    void Assign(TPersistent* Source) override;
    void Apply(TGLRenderContextInfo& rci);

    bool UseAlphaFunc() const { return FUseAlphaFunc; }
    void SetUseAlphaFunc(bool Value) { SetAndNotify(*this, FUseAlphaFunc, Value); }
    TComparisonFunction AlphaFunctType() const { return FAlphaFuncType; }
    void SetAlphaFunctType(TComparisonFunction Value) { SetAndNotify(*this, FAlphaFuncType, Value); }
    float AlphaFuncRef() const { return FAlphaFuncRef; }
    void SetAlphaFuncRef(float Value) { SetAndNotify(*this, FAlphaFuncRef, Value); }
    bool UseBlendFunc() const { return FUseBlendFunc; }
    void SetUseBlendFunc(bool Value) { SetAndNotify(*this, FUseBlendFunc, Value); }
    bool SeparateBlendFunc() const { return FSeparateBlendFunc; }
    // Switching it off copies the colour factors into the alpha factors.
    void SetSeparateBlendFunc(bool Value);
    // Without separate functions the alpha factor of the same side follows.
    TBlendFunction BlendFuncSFactor() const { return FBlendFuncSFactor; }
    void SetBlendFuncSFactor(TBlendFunction Value);
    TBlendFunction BlendFuncDFactor() const { return FBlendFuncDFactor; }
    void SetBlendFuncDFactor(TBlendFunction Value);
    // Ignored unless SeparateBlendFunc.
    TBlendFunction AlphaBlendFuncSFactor() const { return FAlphaBlendFuncSFactor; }
    void SetAlphaBlendFuncSFactor(TBlendFunction Value);
    TBlendFunction AlphaBlendFuncDFactor() const { return FAlphaBlendFuncDFactor; }
    void SetAlphaBlendFuncDFactor(TBlendFunction Value);

private:
    bool FUseAlphaFunc = false;
    bool FUseBlendFunc = true;
    bool FSeparateBlendFunc = false;
    TComparisonFunction FAlphaFuncType = cfGreater;
    float FAlphaFuncRef = 0;
    TBlendFunction FBlendFuncSFactor = bfSrcAlpha;
    TBlendFunction FBlendFuncDFactor = bfOneMinusSrcAlpha;
    TBlendFunction FAlphaBlendFuncSFactor = bfSrcAlpha;
    TBlendFunction FAlphaBlendFuncDFactor = bfOneMinusSrcAlpha;
};

// ---------------------------------------------------------------------------------------------------------
// Shader hook

// A hook a library material runs before, after or instead of its material. It is initialised once per
// rendering context and again after every change. Derived shaders override the Do... steps.
class TGLShader : public TGLUpdateAbleComponent {
public:
    explicit TGLShader(TComponent* AOwner);
    // Destroys the handle's objects, finalises and detaches from the library materials that use it.
    void BeforeDestruction() override;
    ~TGLShader() override;

    // From another shader: style, failed-init action and Enabled.
    void Assign(TPersistent* Source) override;
    // Enabled, written when false.
    void DefineProperties(TFiler& Filer) override;
    // Ignored while updating; otherwise the users' users hear of it (last first) and every context
    // initialises the shader again on its next Apply.
    void NotifyChange(TObject* Sender) override;

    // Apply twice without UnApply, or UnApply without Apply, fails "Unbalanced shader application.". A true
    // UnApply keeps the shader active: draw another pass and call UnApply again.
    void Apply(TGLRenderContextInfo& rci, TObject* Sender);
    bool UnApply(TGLRenderContextInfo& rci);
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    void InitializeShader(TGLRenderContextInfo& rci, TObject* Sender);
    void FinalizeShader();
    void RegisterUser(TGLLibMaterial* libMat);
    void UnRegisterUser(TGLLibMaterial* libMat);

    // Per FailedInitAction: nothing (silent, or handled at once), or raise EGLShaderException with
    // NotSupportedMessage (or the message).
    virtual void ReportFailedInit(const std::string& message = std::string());
    // "Your hardware/driver doesn't support shader "<Name>"!" (the class name without a name).
    virtual std::string NotSupportedMessage() const;
    virtual bool ShaderSupported() const { return true; }

    bool Enabled() const { return FEnabled; }
    // Fails "Shader is active." while applied.
    void SetEnabled(bool Value);
    TGLShaderStyle ShaderStyle() const { return FShaderStyle; }
    void SetShaderStyle(TGLShaderStyle Value) { FShaderStyle = Value; }
    TGLShaderFailedInitAction FailedInitAction() const { return FFailedInitAction; }
    void SetFailedInitAction(TGLShaderFailedInitAction Value) { FFailedInitAction = Value; }
    bool ShaderActive() const { return FShaderActive; }

protected:
    virtual void DoApply(TGLRenderContextInfo& /*rci*/, TObject* /*Sender*/) {}
    // True asks for another pass. One pass here: a shader that does not override it must not be drawn forever.
    virtual bool DoUnApply(TGLRenderContextInfo& /*rci*/) { return false; }
    virtual void DoInitialize(TGLRenderContextInfo& /*rci*/, TObject* /*Sender*/) {}
    virtual void DoFinalize() {}

private:
    void DetachUsers();

    bool FEnabled = true;
    std::vector<TGLLibMaterial*> FLibMatUsers;
    std::unique_ptr<TGLVirtualHandle, TFreeDeleter> FVirtualHandle;
    TGLShaderStyle FShaderStyle = ssLowLevel;
    int32_t FUpdateCount = 0;
    bool FShaderActive = false;
    TGLShaderFailedInitAction FFailedInitAction = fiaRaiseStandardException;
};

// ---------------------------------------------------------------------------------------------------------
// Materials

class TGLMaterial : public TGLUpdateAbleObject,
                    public IGLTextureNotifyAble,
                    public IGLMaterialLibrarySupported {
public:
    explicit TGLMaterial(TPersistent* AOwner);
    // Leaves the library material it is linked to.
    ~TGLMaterial() override;
    TGLMaterial(const TGLMaterial&) = delete;
    TGLMaterial& operator=(const TGLMaterial&) = delete;

    void Assign(TPersistent* Source) override;
    // Tells an owner that hears notifications; nothing else.
    void NotifyChange(TObject* Sender) override;
    // Tells an owner that hears texture-mapping changes, else NotifyChange.
    void NotifyTexMapChange(TObject* Sender) override;
    TGLAbstractMaterialLibrary* GetMaterialLibrary() const override { return FMaterialLibrary; }

    // Sets every state the material stands for through rci.GLStates (nothing is restored afterwards); a
    // linked material hands both calls to its library material. A true UnApply asks for another pass.
    void Apply(TGLRenderContextInfo& rci);
    bool UnApply(TGLRenderContextInfo& rci);
    // The library material this one hands Apply and UnApply to, when it may stay applied from one object to
    // the next that draws with it; else nullptr.
    TGLAbstractLibMaterial* StayingLibMaterial() const;
    // Drawn in the blended pass.
    bool Blended() const;
    // Counts the changes any material or library material told (and library materials gone): an answer such
    // as Blended stays right while the count stays the same.
    static uint32_t Revision() { return vRevision.load(std::memory_order_relaxed); }
    static void Changed() { vRevision.fetch_add(1, std::memory_order_relaxed); }
    void PrepareBuildList();
    void DestroyHandles();
    void Loaded();

    bool HasSecondaryTexture() const;
    bool MaterialIsLinkedToLib() const { return currentLibMaterial != nullptr; }
    // The linked library material's material, else this one.
    TGLMaterial* GetActualPrimaryMaterial();
    TGLTexture* GetActualPrimaryTexture() { return GetActualPrimaryMaterial()->Texture(); }
    TGLLibMaterial* GetLibMaterial() const;
    // Links without the name lookup and without the cycle test (Apply cuts a cycle made this way).
    void QuickAssignMaterial(TGLAbstractMaterialLibrary* library, TGLLibMaterial* libMaterial);

    // Made on first read.
    TGLFaceProperties* BackProperties();
    void SetBackProperties(TGLFaceProperties* Value);
    bool HasBackProperties() const { return FBackProperties != nullptr; }
    TGLFaceProperties* FrontProperties() const { return FFrontProperties.get(); }
    void SetFrontProperties(TGLFaceProperties* Value);
    TGLDepthProperties* DepthProperties() const { return FDepthProperties.get(); }
    void SetDepthProperties(TGLDepthProperties* Value);
    TBlendingMode BlendingMode() const { return FBlendingMode; }
    void SetBlendingMode(TBlendingMode Value) { SetAndNotify(*this, FBlendingMode, Value); }
    TGLBlendingParameters* BlendingParams() const { return FBlendingParams.get(); }
    void SetBlendingParams(TGLBlendingParameters* Value);
    TMaterialOptions MaterialOptions() const { return FMaterialOptions; }
    void SetMaterialOptions(TMaterialOptions Value) { SetAndNotify(*this, FMaterialOptions, Value); }
    // Made on first read.
    TGLTexture* Texture();
    bool HasTexture() const { return FTexture != nullptr; }
    // nullptr frees the texture; anything else is copied into it.
    void SetTexture(TGLTexture* Value);
    // Made on first read.
    TGLTextureEx* TextureEx();
    bool HasTextureEx() const { return FTextureEx != nullptr; }
    void SetTextureEx(TGLTextureEx* Value);
    TFaceCulling FaceCulling() const { return FFaceCulling; }
    void SetFaceCulling(TFaceCulling Value) { SetAndNotify(*this, FFaceCulling, Value); }
    TPolygonMode PolygonMode() const { return FPolygonMode; }
    void SetPolygonMode(TPolygonMode Value) { SetAndNotify(*this, FPolygonMode, Value); }

    TGLAbstractMaterialLibrary* MaterialLibrary() const { return FMaterialLibrary; }
    // Resolves LibMaterialName again in the new library.
    void SetMaterialLibrary(TGLAbstractMaterialLibrary* Value);
    const std::string& LibMaterialName() const { return FLibMaterialName; }
    // Links to the library material of that name (a name that names nothing is kept without a link). A
    // chain of links that would run on for 16 steps is refused with a logged error, keeping the old link.
    void SetLibMaterialName(const std::string& Value);

private:
    friend class TGLAbstractLibMaterial; // clears the link when the library material dies
    friend class TGLMaterialLibrary;     // reads the face colours of an archive straight into them

    void Relink(TGLAbstractLibMaterial* Value);
    // With a list: the list when there is no texture, the texture is disabled or the list has unit 0 (UnApply
    // takes the same choice). Without one the texture applies, a disabled one routing coordinates to unit 0.
    bool UsesTextureEx() const;

    std::unique_ptr<TGLFaceProperties> FFrontProperties;
    std::unique_ptr<TGLFaceProperties> FBackProperties;
    std::unique_ptr<TGLDepthProperties> FDepthProperties;
    TBlendingMode FBlendingMode = bmOpaque;
    std::unique_ptr<TGLBlendingParameters> FBlendingParams;
    std::unique_ptr<TGLTexture> FTexture;
    std::unique_ptr<TGLTextureEx> FTextureEx;
    TGLAbstractMaterialLibrary* FMaterialLibrary = nullptr;
    std::string FLibMaterialName;
    TMaterialOptions FMaterialOptions;
    TFaceCulling FFaceCulling = fcBufferDefault;
    TPolygonMode FPolygonMode = pmFill;
    TGLAbstractLibMaterial* currentLibMaterial = nullptr;
    static inline std::atomic<uint32_t> vRevision{0};
};

// ---------------------------------------------------------------------------------------------------------
// Library materials

// The name hash of library materials: the length, then twice the hash plus each character's low byte, in
// 32 bits with wrap-around.
int32_t ComputeNameHashKey(const std::string& name);

// An item of a library's collection with a unique name and a list of users (materials, components and other
// library materials) that hear of its changes.
class TGLAbstractLibMaterial : public TPersistent, public IGLNotifyAble, public IGLMaterialLibrarySupported {
public:
    // Joins the collection (when given).
    explicit TGLAbstractLibMaterial(TGLAbstractLibMaterials* ACollection);
    // Materials that use it lose their link, other users that hold it are told; then it leaves its collection.
    ~TGLAbstractLibMaterial() override;
    TGLAbstractLibMaterial(const TGLAbstractLibMaterial&) = delete;
    TGLAbstractLibMaterial& operator=(const TGLAbstractLibMaterial&) = delete;

    // From another library material: its name, made unique.
    void Assign(TPersistent* Source) override;
    std::string DisplayName() const { return FName; }
    TPersistent* GetOwner() const override;
    TGLAbstractMaterialLibrary* GetMaterialLibrary() const override;

    virtual void Loaded() {}
    virtual void Apply(TGLRenderContextInfo& /*rci*/) {}
    virtual bool UnApply(TGLRenderContextInfo& /*rci*/) { return true; }
    // One pass that UnApply undoes whole, so it may stay applied for the next object that draws with it.
    virtual bool CanStayApplied() const { return false; }
    // Tells the users.
    void NotifyChange(TObject* /*Sender*/) override { NotifyUsers(); }
    virtual bool Blended() const { return false; }

    // Registering a user twice fails an assertion.
    void RegisterUser(TGLUpdateAbleObject* obj) { AddUser(obj, 2024); }
    void RegisterUser(TGLUpdateAbleComponent* comp) { AddUser(comp, 2041); }
    void RegisterUser(TGLLibMaterial* libMaterial);
    void UnregisterUser(TObject* user);
    // Each user in order: objects and components get NotifyChange, library materials tell their own users;
    // re-entry does nothing.
    void NotifyUsers();
    bool IsUsed() const { return !FUserList.empty(); }

    TGLAbstractLibMaterials* Collection() const { return FCollection; }
    int32_t Index() const;
    // Unique in the collection, assigned in creation order.
    int32_t ID() const { return FID; }
    const std::string& Name() const { return FName; }
    // A name taken by another item is made unique (kept as is while the library loads from a stored form).
    void SetName(const std::string& Value);
    int32_t NameHashKey() const { return FNameHashKey; }
    int32_t Tag() const { return FTag; }
    void SetTag(int32_t Value) { FTag = Value; }

protected:
    friend class TGLAbstractLibMaterials;

    void AddUser(TObject* user, int line);
    // Users in order; read with an index, as users may leave while they are told.
    std::vector<TObject*> FUserList;
    TGLAbstractLibMaterials* FCollection;
    int32_t FID = 0;
    std::string FName;
    int32_t FNameHashKey = 0;
    int32_t FTag = 0;
    bool FNotifying = false;
};

class TGLLibMaterial : public TGLAbstractLibMaterial, public IGLTextureNotifyAble {
public:
    // Named "LibMaterial" made unique, with a texture whose file names are resolved by the library.
    explicit TGLLibMaterial(TGLAbstractLibMaterials* ACollection);
    // Drops its shader and second texture, and users that take it as their second texture lose it.
    ~TGLLibMaterial() override;

    void Assign(TPersistent* Source) override;
    void NotifyChange(TObject* /*Sender*/) override { NotifyUsers(); }
    // Users hear of a texture-mapping change (materials) or of a change (others).
    void NotifyTexMapChange(TObject* Sender) override;
    void NotifyUsersOfTexMapChange();
    void Loaded() override;

    // Inside the multitexture coordinator's update bracket: shader, second texture with its coordinate
    // routing, texture matrix and material. UnApply answers true while the shader asks for another pass.
    // Apply does nothing while the material is still applied from the last object (rci.appliedMaterial) and
    // first undoes another left so; UnApply leaves it applied when rci.materialMayStay names it.
    void Apply(TGLRenderContextInfo& rci) override;
    bool UnApply(TGLRenderContextInfo& rci) override;
    // Without a shader and with its own material (not linked further).
    bool CanStayApplied() const override;
    bool Blended() const override;
    void PrepareBuildList();
    void DestroyHandles();

    // The texture's file-name hook: the library's OnTextureNeeded, then the library's texture paths for a
    // relative name.
    void ResolveTextureFileName(TObject* Sender, std::string& fileName);

    TGLMaterial* Material() const { return FMaterial.get(); }
    void SetMaterial(TGLMaterial* Value) { FMaterial->Assign(Value); }
    TGLCoordinates3* TextureOffset() const { return FTextureOffset.get(); }
    void SetTextureOffset(TGLCoordinates3* Value);
    TGLCoordinates3* TextureScale() const { return FTextureScale.get(); }
    void SetTextureScale(TGLCoordinates3* Value);
    // Degrees about Z.
    float TextureRotate() const { return FTextureRotate; }
    void SetTextureRotate(float Value);
    const TMatrix4f& TextureMatrix() const { return FTextureMatrix; }
    // Set directly; offset, scale and rotation no longer count until one of them changes.
    void SetTextureMatrix(const TMatrix4f& Value);
    bool TextureMatrixIsIdentity() const { return FTextureMatrixIsIdentity; }
    bool TextureOverride() const { return FTextureOverride; }
    const std::string& Texture2Name() const { return FTexture2Name; }
    void SetTexture2Name(const std::string& Value);
    TGLShader* Shader() const { return FShader; }
    void SetShader(TGLShader* Value);
    // The resolved second-texture material (cached on the first Apply).
    TGLLibMaterial* Texture2Material() const { return libMatTexture2; }

private:
    friend class TGLAbstractLibMaterial; // drops the second texture when that material dies
    friend class TGLMaterialLibrary;     // recomputes the matrix after reading raw coordinates

    void UpdateTextureMatrix();
    // The second texture, resolved on first use; nullptr when it does not count this time.
    TGLLibMaterial* SecondTexture();
    void DropTexture2();

    std::unique_ptr<TGLMaterial> FMaterial;
    std::unique_ptr<TGLCoordinates3> FTextureOffset;
    std::unique_ptr<TGLCoordinates3> FTextureScale;
    float FTextureRotate = 0;
    bool FTextureMatrixIsIdentity = true;
    bool FTextureOverride = false;
    TMatrix4f FTextureMatrix;
    std::string FTexture2Name;
    TGLShader* FShader = nullptr;
    TGLLibMaterial* libMatTexture2 = nullptr;
};

// The owned collection of a library's materials.
class TGLAbstractLibMaterials : public TPersistent {
public:
    explicit TGLAbstractLibMaterials(TComponent* AOwner) : FOwner(AOwner) {}
    ~TGLAbstractLibMaterials() override { Clear(); }
    TGLAbstractLibMaterials(const TGLAbstractLibMaterials&) = delete;
    TGLAbstractLibMaterials& operator=(const TGLAbstractLibMaterials&) = delete;

    TComponent* Owner() const { return FOwner; }
    TPersistent* GetOwner() const override { return FOwner; }
    int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
    // Raises EListError for an index out of range.
    TGLAbstractLibMaterial* GetItem(int32_t Index) const;
    TGLAbstractLibMaterial* FindItemID(int32_t ID) const;
    int32_t IndexOf(const TGLAbstractLibMaterial* item) const;
    void Delete(int32_t Index);
    // Frees every item, the last first.
    void Clear();

    // nameRoot when free, else nameRoot followed by 1, 2, ... (the first that is free).
    virtual std::string MakeUniqueName(const std::string& nameRoot) const;
    // The first item of that name (hash, then exact name), or nullptr.
    TGLAbstractLibMaterial* FindMaterialByName(const std::string& AName) const;
    // Every item's Loaded, the last first.
    void Loaded();

private:
    friend class TGLAbstractLibMaterial; // joins and leaves

    TComponent* FOwner;
    std::vector<TGLAbstractLibMaterial*> FItems; // owned
    int32_t FNextID = 0;
};

class TGLLibMaterials : public TGLAbstractLibMaterials {
public:
    using TGLAbstractLibMaterials::TGLAbstractLibMaterials;

    // A new library material at the end, named "LibMaterial" made unique.
    TGLLibMaterial* Add();
    TGLLibMaterial* Items(int32_t Index) const;
    // The item copies Value.
    void SetItems(int32_t Index, TGLLibMaterial* Value);
    // From another collection: its items copied as new items.
    void Assign(TPersistent* Source) override;

    // nullptr when none has that name (case-sensitive) or it is no TGLLibMaterial.
    TGLLibMaterial* GetLibMaterialByName(const std::string& AName) const;
    // -1 when none.
    int32_t GetTextureIndex(const TGLTexture* texture) const;
    int32_t GetMaterialIndex(const TGLMaterial* material) const;
    // Empty when none.
    std::string GetNameOfTexture(const TGLTexture* texture) const;
    std::string GetNameOfLibMaterial(const TGLLibMaterial* libMaterial) const;
    void PrepareBuildList();
    void DestroyHandles();
    // Frees the items nobody uses, in passes until one frees nothing (freeing one may leave the material
    // it took its second texture from unused).
    void DeleteUnusedMaterials();
};

// ---------------------------------------------------------------------------------------------------------
// Libraries

class TGLAbstractMaterialLibrary : public TGLCadenceAbleComponent {
public:
    explicit TGLAbstractMaterialLibrary(TComponent* AOwner);
    ~TGLAbstractMaterialLibrary() override;

    void Loaded() override;
    // Applies the first material of that name and remembers it; false when there is none.
    virtual bool ApplyMaterial(const std::string& AName, TGLRenderContextInfo& rci);
    // The remembered material's UnApply; its false result forgets it. False when none was applied.
    virtual bool UnApplyMaterial(TGLRenderContextInfo& rci);
    // Clears the list and adds every name with its library material, in collection order.
    void SetNamesToTStrings(TStrings* aStrings) const;

    TGLAbstractLibMaterials* MaterialsBase() const { return FMaterials.get(); }
    TGLAbstractLibMaterial* LastAppliedMaterial() const { return FLastAppliedMaterial; }
    const std::string& TexturePaths() const { return FTexturePaths; }
    // Folders separated by ';' (trimmed, empty parts dropped), each with a trailing separator.
    void SetTexturePaths(const std::string& Value);
    // nullptr when there are no paths.
    TStrings* TexturePathList() const { return FTexturePathList.get(); }

protected:
    friend class TGLAbstractLibMaterial; // a dying material is no longer the last applied

    std::unique_ptr<TGLAbstractLibMaterials> FMaterials;
    TGLAbstractLibMaterial* FLastAppliedMaterial = nullptr;

private:
    std::string FTexturePaths;
    std::unique_ptr<TStrings> FTexturePathList;
};

class TGLMaterialLibrary : public TGLAbstractMaterialLibrary {
public:
    explicit TGLMaterialLibrary(TComponent* AOwner);
    // A material still applied is logged as an error ("Unbalanced material application").
    ~TGLMaterialLibrary() override;

    TGLLibMaterials* Materials() const { return static_cast<TGLLibMaterials*>(FMaterials.get()); }
    void SetMaterials(TGLLibMaterials* Value) { Materials()->Assign(Value); }
    void DestroyHandles();

    // A material with a mipmapped, modulating, enabled texture: a persistent image loaded from fileName
    // (when given), or a picture-file image of that name.
    TGLLibMaterial* AddTextureMaterial(const std::string& materialName, const std::string& fileName,
                                       bool persistent = true);
    // The same with the image copying the graphic.
    TGLLibMaterial* AddTextureMaterial(const std::string& materialName, TGraphic* graphic);
    TGLLibMaterial* LibMaterialByName(const std::string& AName) const;
    // nullptr for an empty name; ETexture when the name names nothing.
    TGLTexture* TextureByName(const std::string& LibMatName) const;
    std::string GetNameOfTexture(const TGLTexture* texture) const;
    std::string GetNameOfLibMaterial(const TGLLibMaterial* libMat) const;

    // The archive (version 4 written, 0 to 4 read).
    void WriteToFiler(TVirtualWriter& writer);
    // Replaces the materials with those of the archive (or adds to them and updates those of the same name
    // while adding). Bad input raises with a message.
    void ReadFromFiler(TVirtualReader& reader);
    void SaveToStream(TStream& stream);
    void LoadFromStream(TStream& stream);
    void AddMaterialsFromStream(TStream& stream);
    void SaveToFile(const std::string& fileName);
    void LoadFromFile(const std::string& fileName);
    void AddMaterialsFromFile(const std::string& fileName);

    // Asked first for the real name of every texture file of the library's materials.
    TTextureNeededEvent OnTextureNeeded;

private:
    void ReadLibMaterial(TVirtualReader& reader, int32_t version);
    void WriteLibMaterial(TVirtualWriter& writer, TGLLibMaterial& libMat);

    bool FDoNotClearMaterialsOnLoad = false;
};

// Undoes the library material an object left applied for the next (rci.appliedMaterial), if any.
void UnApplyStayingMaterial(TGLRenderContextInfo& rci);

// Registers the library, the material and the shader as streamable classes; start-up calls it once.
void RegisterGLMaterialClasses();
