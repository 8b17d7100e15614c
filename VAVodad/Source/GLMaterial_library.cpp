// Library materials, their collection and the material library (the archive is in GLMaterial_archive.cpp).
#include "GLMaterial.h"

#include "Components.h"
#include "FileUtils.h"
#include "GLApplicationFileIO.h"
#include "GLContext.h"
#include "GLCoordinates.h"
#include "GLRenderContextInfo.h"
#include "GLVectorGeometry.h"
#include "GLVectorGeometryMatrices.h"
#include "OpenGLAdapter.h"
#include "StringLists.h"
#include "XOpenGL.h"
#include "ZODLog.h"

#include <cmath>
#include <cstring>

namespace {

// TextureRotate counts (and is stored) only above this magnitude.
bool RotationStored(float degrees)
{
    return std::fabs(degrees) > 1e-40f;
}

} // namespace

int32_t ComputeNameHashKey(const std::string& name)
{
    // Unsigned arithmetic gives the wrap-around of the signed original without overflow.
    uint32_t h = static_cast<uint32_t>(name.size());
    for (const char c : name) h = h * 2 + static_cast<uint8_t>(c);
    return static_cast<int32_t>(h);
}

// ---------------------------------------------------------------------------------------------------------
// TGLAbstractLibMaterial

TGLAbstractLibMaterial::TGLAbstractLibMaterial(TGLAbstractLibMaterials* ACollection) : FCollection(ACollection)
{
    if (FCollection) {
        FID = FCollection->FNextID++;
        FCollection->FItems.push_back(this);
    }
}

TGLAbstractLibMaterial::~TGLAbstractLibMaterial()
{
    TGLMaterial::Changed(); // its users lose their link without being told
    // A copy: a user that is told may unregister.
    const std::vector<TObject*> users = FUserList;
    for (TObject* user : users)
        if (auto* material = dynamic_cast<TGLMaterial*>(user)) {
            material->FMaterialLibrary = nullptr;
            material->FLibMaterialName.clear();
            material->currentLibMaterial = nullptr;
        } else if (auto* holder = dynamic_cast<IGLLibMaterialUser*>(user)) {
            holder->LibMaterialFreed(this);
        }
    if (TGLAbstractMaterialLibrary* library = GetMaterialLibrary())
        if (library->FLastAppliedMaterial == this) library->FLastAppliedMaterial = nullptr;
    if (FCollection) std::erase(FCollection->FItems, this);
}

void TGLAbstractLibMaterial::Assign(TPersistent* Source)
{
    auto* source = dynamic_cast<TGLAbstractLibMaterial*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    FName = FCollection ? FCollection->MakeUniqueName(source->FName) : source->FName;
    FNameHashKey = ComputeNameHashKey(FName);
}

TPersistent* TGLAbstractLibMaterial::GetOwner() const
{
    return FCollection;
}

TGLAbstractMaterialLibrary* TGLAbstractLibMaterial::GetMaterialLibrary() const
{
    return FCollection ? dynamic_cast<TGLAbstractMaterialLibrary*>(FCollection->Owner()) : nullptr;
}

int32_t TGLAbstractLibMaterial::Index() const
{
    return FCollection ? FCollection->IndexOf(this) : -1;
}

void TGLAbstractLibMaterial::SetName(const std::string& Value)
{
    if (Value == FName) return;
    const TGLAbstractMaterialLibrary* library = GetMaterialLibrary();
    const bool keep = !FCollection || (library && (library->ComponentState() & csLoading)) ||
                      FCollection->FindMaterialByName(Value) == this;
    FName = keep ? Value : FCollection->MakeUniqueName(Value);
    FNameHashKey = ComputeNameHashKey(FName);
}

void TGLAbstractLibMaterial::AddUser(TObject* user, int line)
{
    Assert(std::find(FUserList.begin(), FUserList.end(), user) == FUserList.end(), "", cGLMaterialUnit, line);
    FUserList.push_back(user);
}

void TGLAbstractLibMaterial::RegisterUser(TGLLibMaterial* libMaterial)
{
    AddUser(libMaterial, 2058);
}

void TGLAbstractLibMaterial::UnregisterUser(TObject* user)
{
    if (auto it = std::find(FUserList.begin(), FUserList.end(), user); it != FUserList.end()) FUserList.erase(it);
}

void TGLAbstractLibMaterial::NotifyUsers()
{
    if (FNotifying) return;
    const TScopedValue notifying(FNotifying, true);
    for (size_t i = 0; i < FUserList.size(); ++i) {
        TObject* user = FUserList[i];
        if (auto* object = dynamic_cast<TGLUpdateAbleObject*>(user))
            object->NotifyChange(this);
        else if (auto* component = dynamic_cast<TGLUpdateAbleComponent*>(user))
            component->NotifyChange(this);
        else if (auto* libMat = dynamic_cast<TGLAbstractLibMaterial*>(user))
            libMat->NotifyUsers();
        else
            Assert(false, "", cGLMaterialUnit, 2099);
    }
}

// ---------------------------------------------------------------------------------------------------------
// TGLLibMaterial

TGLLibMaterial::TGLLibMaterial(TGLAbstractLibMaterials* ACollection)
    : TGLAbstractLibMaterial(ACollection),
      FMaterial(std::make_unique<TGLMaterial>(this)),
      FTextureOffset(std::make_unique<TGLCoordinates3>(this, TVector4f{{{0, 0, 0, 0}}}, CsPoint)),
      FTextureScale(std::make_unique<TGLCoordinates3>(this, TVector4f{{{1, 1, 1, 0}}}, CsPoint)),
      FTextureMatrix(IdentityHmgMatrix)
{
    FMaterial->Texture()->OnTextureNeeded = [this](TObject* Sender, std::string& fileName) {
        ResolveTextureFileName(Sender, fileName);
    };
    FTextureOffset->OnNotifyChange = [this](TObject*) { UpdateTextureMatrix(); };
    FTextureScale->OnNotifyChange = [this](TObject*) { UpdateTextureMatrix(); };
    SetName("LibMaterial");
}

TGLLibMaterial::~TGLLibMaterial()
{
    SetShader(nullptr);
    SetTexture2Name("");
    for (TObject* user : FUserList)
        if (auto* libMat = dynamic_cast<TGLLibMaterial*>(user); libMat && libMat->libMatTexture2 == this) {
            libMat->libMatTexture2 = nullptr;
            libMat->FTexture2Name.clear();
        }
}

void TGLLibMaterial::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLLibMaterial*>(Source)) {
        FMaterial->Assign(source->FMaterial.get());
        FTextureOffset->Assign(source->FTextureOffset.get());
        FTextureScale->Assign(source->FTextureScale.get());
        FTextureRotate = source->FTextureRotate;
        SetTextureMatrix(source->FTextureMatrix);
        FTextureOverride = source->FTextureOverride;
        // Through the setters, so the shader and the second texture know this user.
        SetTexture2Name(source->FTexture2Name);
        SetShader(source->FShader);
    }
    TGLAbstractLibMaterial::Assign(Source);
}

void TGLLibMaterial::NotifyTexMapChange(TObject* /*Sender*/)
{
    NotifyUsersOfTexMapChange();
}

void TGLLibMaterial::NotifyUsersOfTexMapChange()
{
    if (FNotifying) return;
    const TScopedValue notifying(FNotifying, true);
    for (size_t i = 0; i < FUserList.size(); ++i) {
        TObject* user = FUserList[i];
        if (auto* material = dynamic_cast<TGLMaterial*>(user))
            material->NotifyTexMapChange(this);
        else if (auto* libMat = dynamic_cast<TGLLibMaterial*>(user))
            libMat->NotifyUsersOfTexMapChange();
        else if (auto* object = dynamic_cast<TGLUpdateAbleObject*>(user))
            object->NotifyChange(this);
        else if (auto* component = dynamic_cast<TGLUpdateAbleComponent*>(user))
            component->NotifyChange(this);
    }
}

void TGLLibMaterial::Loaded()
{
    UpdateTextureMatrix();
    FMaterial->Loaded();
}

TGLLibMaterial* TGLLibMaterial::SecondTexture()
{
    if (FTexture2Name.empty() || !GetCurrentGL()->ARB_multitexture ||
        GetCurrentMultitextureCoordinator()->SecondTextureUnitForbidden())
        return nullptr;
    if (!libMatTexture2) {
        auto* materials = dynamic_cast<TGLLibMaterials*>(FCollection);
        TGLLibMaterial* found = materials ? materials->GetLibMaterialByName(FTexture2Name) : nullptr;
        if (!found) {
            SetTexture2Name("");
            return nullptr;
        }
        found->RegisterUser(this);
        libMatTexture2 = found;
    }
    return libMatTexture2->FMaterial->Texture()->Enabled() ? libMatTexture2 : nullptr;
}

void TGLLibMaterial::Apply(TGLRenderContextInfo& rci)
{
    if (rci.appliedMaterial == this) return;
    UnApplyStayingMaterial(rci);
    TGLMultitextureCoordinator* const xgl = GetCurrentMultitextureCoordinator();
    xgl->BeginUpdate();
    TryFinally(
        [&] {
            const TGLShaderStyle style = FShader ? FShader->ShaderStyle() : ssLowLevel;
            if (!FShader)
                rci.GLStates->SetCurrentProgram(0);
            else if (style != ssLowLevel)
                FShader->Apply(rci, this);
            if (!FShader || style != ssReplace) {
                TGLLibMaterial* const second = SecondTexture();
                if (!FTextureMatrixIsIdentity) rci.GLStates->SetGLTextureMatrix(FTextureMatrix);
                FMaterial->Apply(rci);
                if (second) {
                    TGLTexture* const texture2 = second->FMaterial->Texture();
                    texture2->ApplyAsTexture2(rci,
                                              second->FTextureMatrixIsIdentity ? nullptr : &second->FTextureMatrix);
                    const TGLTexture* const texture = FMaterial->Texture();
                    const bool secondUser = texture2->MappingMode() == tmmUser;
                    if (!secondUser)
                        xgl->MapTexCoordToMain();
                    else if (texture->Disabled() || texture->MappingMode() != tmmUser)
                        xgl->MapTexCoordToSecond();
                    else
                        xgl->MapTexCoordToDual();
                }
                if (FShader && style == ssLowLevel) FShader->Apply(rci, this);
            }
        },
        [xgl] { xgl->EndUpdate(); });
}

bool TGLLibMaterial::UnApply(TGLRenderContextInfo& rci)
{
    if (rci.materialMayStay == this) {
        rci.appliedMaterial = this;
        return false;
    }
    if (rci.appliedMaterial == this) rci.appliedMaterial = nullptr;
    bool result = false;
    if (FShader) {
        if (FShader->ShaderStyle() == ssReplace) return FShader->UnApply(rci);
        if (FShader->ShaderStyle() == ssLowLevel) result = FShader->UnApply(rci);
    }
    if (result) return true;
    if (libMatTexture2 && GetCurrentGL()->ARB_multitexture) {
        TGLMultitextureCoordinator* const xgl = GetCurrentMultitextureCoordinator();
        if (!xgl->SecondTextureUnitForbidden()) {
            libMatTexture2->FMaterial->Texture()->UnApplyAsTexture2(rci, !libMatTexture2->FTextureMatrixIsIdentity);
            xgl->MapTexCoordToMain();
        }
    }
    FMaterial->UnApply(rci);
    if (FMaterial->Texture()->Enabled() && !FTextureMatrixIsIdentity) rci.GLStates->ResetGLTextureMatrix();
    if (FShader && FShader->ShaderStyle() == ssHighLevel) return FShader->UnApply(rci);
    return result;
}

bool TGLLibMaterial::CanStayApplied() const
{
    return !FShader && !FMaterial->MaterialIsLinkedToLib();
}

bool TGLLibMaterial::Blended() const
{
    return FMaterial->Blended();
}

void TGLLibMaterial::PrepareBuildList()
{
    FMaterial->PrepareBuildList();
}

void TGLLibMaterial::DestroyHandles()
{
    FMaterial->DestroyHandles();
    // Only the second material's own objects: two materials that take each other as second texture must
    // not call each other for ever.
    if (auto* materials = dynamic_cast<TGLLibMaterials*>(FCollection); materials && !FTexture2Name.empty())
        if (TGLLibMaterial* second = materials->GetLibMaterialByName(FTexture2Name))
            second->FMaterial->DestroyHandles();
}

void TGLLibMaterial::ResolveTextureFileName(TObject* /*Sender*/, std::string& fileName)
{
    TGLAbstractMaterialLibrary* const library = GetMaterialLibrary();
    if (!library) return;
    if (auto* matLib = dynamic_cast<TGLMaterialLibrary*>(library); matLib && matLib->OnTextureNeeded)
        matLib->OnTextureNeeded(matLib, fileName);
    // A name with a drive or from the root is taken as it is.
    if (fileName.find(':') != std::string::npos || fileName.starts_with('\\') || fileName.starts_with('/'))
        return;
    const TStrings* paths = library->TexturePathList();
    if (!paths) return;
    for (int i = 0; i < paths->Count(); ++i) {
        std::string candidate = paths->Strings(i) + fileName;
        if (HookedFileExists(candidate)) {
            fileName = std::move(candidate);
            return;
        }
    }
}

void TGLLibMaterial::SetTextureOffset(TGLCoordinates3* Value)
{
    FTextureOffset->SetAsVector(Value->AsVector());
}

void TGLLibMaterial::SetTextureScale(TGLCoordinates3* Value)
{
    FTextureScale->SetAsVector(Value->AsVector());
}

void TGLLibMaterial::SetTextureRotate(float Value)
{
    if (Value == FTextureRotate) return;
    FTextureRotate = Value;
    UpdateTextureMatrix();
}

void TGLLibMaterial::SetTextureMatrix(const TMatrix4f& Value)
{
    FTextureMatrix = Value;
    FTextureMatrixIsIdentity = std::memcmp(&Value, &IdentityHmgMatrix, sizeof Value) == 0;
    FTextureOverride = true;
    NotifyUsers();
}

void TGLLibMaterial::UpdateTextureMatrix()
{
    const bool rotated = RotationStored(FTextureRotate);
    if (FTextureOffset->Equals(TVector4f{{{0, 0, 0, 0}}}) && FTextureScale->Equals(TVector4f{{{1, 1, 1, 0}}}) &&
        !rotated) {
        FTextureMatrixIsIdentity = true;
        FTextureMatrix = IdentityHmgMatrix;
    } else {
        FTextureMatrixIsIdentity = false;
        TMatrix4f scaling;
        MatrixScalingTranslation(FTextureScale->AsVector(), FTextureOffset->AsVector(), scaling);
        if (rotated) {
            TMatrix4f rotation;
            MatrixRotationZ(static_cast<float>(DegreesToRadians(FTextureRotate)), rotation);
            MatrixProduct(scaling, rotation, FTextureMatrix);
        } else {
            FTextureMatrix = scaling;
        }
    }
    FTextureOverride = false;
    NotifyUsers();
}

void TGLLibMaterial::DropTexture2()
{
    if (libMatTexture2) libMatTexture2->UnregisterUser(this);
    libMatTexture2 = nullptr;
}

void TGLLibMaterial::SetTexture2Name(const std::string& Value)
{
    if (Value == FTexture2Name) return;
    DropTexture2();
    FTexture2Name = Value;
    NotifyUsers();
}

void TGLLibMaterial::SetShader(TGLShader* Value)
{
    if (Value == FShader) return;
    if (FShader) FShader->UnRegisterUser(this);
    FShader = Value;
    if (FShader) FShader->RegisterUser(this);
    NotifyUsers();
}

// ---------------------------------------------------------------------------------------------------------
// TGLAbstractLibMaterials / TGLLibMaterials

TGLAbstractLibMaterial* TGLAbstractLibMaterials::GetItem(int32_t Index) const
{
    if (Index < 0 || Index >= Count()) RaiseListError("List index out of bounds (%d)", Index);
    return FItems[Index];
}

TGLAbstractLibMaterial* TGLAbstractLibMaterials::FindItemID(int32_t ID) const
{
    for (TGLAbstractLibMaterial* item : FItems)
        if (item->FID == ID) return item;
    return nullptr;
}

int32_t TGLAbstractLibMaterials::IndexOf(const TGLAbstractLibMaterial* item) const
{
    for (int32_t i = 0; i < Count(); ++i)
        if (FItems[i] == item) return i;
    return -1;
}

void TGLAbstractLibMaterials::Delete(int32_t Index)
{
    Free(GetItem(Index)); // the item leaves the list as it goes
}

void TGLAbstractLibMaterials::Clear()
{
    while (!FItems.empty()) Free(FItems.back());
}

std::string TGLAbstractLibMaterials::MakeUniqueName(const std::string& nameRoot) const
{
    std::string result = nameRoot;
    for (int i = 1; FindMaterialByName(result); ++i) result = nameRoot + IntToStr(i);
    return result;
}

TGLAbstractLibMaterial* TGLAbstractLibMaterials::FindMaterialByName(const std::string& AName) const
{
    const int32_t hash = ComputeNameHashKey(AName);
    for (TGLAbstractLibMaterial* item : FItems)
        if (item->FNameHashKey == hash && item->FName == AName) return item;
    return nullptr;
}

void TGLAbstractLibMaterials::Loaded()
{
    for (int32_t i = Count() - 1; i >= 0; --i) FItems[i]->Loaded();
}

TGLLibMaterial* TGLLibMaterials::Add()
{
    return new TGLLibMaterial(this);
}

TGLLibMaterial* TGLLibMaterials::Items(int32_t Index) const
{
    return static_cast<TGLLibMaterial*>(GetItem(Index));
}

void TGLLibMaterials::SetItems(int32_t Index, TGLLibMaterial* Value)
{
    Items(Index)->Assign(Value);
}

void TGLLibMaterials::Assign(TPersistent* Source)
{
    auto* source = dynamic_cast<TGLLibMaterials*>(Source);
    if (!source) {
        TGLAbstractLibMaterials::Assign(Source);
        return;
    }
    if (source == this) return;
    Clear();
    for (int32_t i = 0; i < source->Count(); ++i) Add()->Assign(source->Items(i));
}

TGLLibMaterial* TGLLibMaterials::GetLibMaterialByName(const std::string& AName) const
{
    return dynamic_cast<TGLLibMaterial*>(FindMaterialByName(AName));
}

int32_t TGLLibMaterials::GetTextureIndex(const TGLTexture* texture) const
{
    for (int32_t i = 0; i < Count(); ++i) {
        const TGLMaterial* material = Items(i)->Material();
        if (material->HasTexture() && const_cast<TGLMaterial*>(material)->Texture() == texture) return i;
    }
    return -1;
}

int32_t TGLLibMaterials::GetMaterialIndex(const TGLMaterial* material) const
{
    for (int32_t i = 0; i < Count(); ++i)
        if (Items(i)->Material() == material) return i;
    return -1;
}

std::string TGLLibMaterials::GetNameOfTexture(const TGLTexture* texture) const
{
    const int32_t index = GetTextureIndex(texture);
    return index >= 0 ? Items(index)->Name() : std::string();
}

std::string TGLLibMaterials::GetNameOfLibMaterial(const TGLLibMaterial* libMaterial) const
{
    const int32_t index = IndexOf(libMaterial);
    return index >= 0 ? Items(index)->Name() : std::string();
}

void TGLLibMaterials::PrepareBuildList()
{
    for (int32_t i = 0; i < Count(); ++i) Items(i)->PrepareBuildList();
}

void TGLLibMaterials::DestroyHandles()
{
    for (int32_t i = 0; i < Count(); ++i) Items(i)->DestroyHandles();
}

void TGLLibMaterials::DeleteUnusedMaterials()
{
    bool freed;
    do {
        freed = false;
        for (int32_t i = Count() - 1; i >= 0; --i)
            if (!GetItem(i)->IsUsed()) {
                Delete(i);
                freed = true;
            }
    } while (freed);
}

// ---------------------------------------------------------------------------------------------------------
// TGLAbstractMaterialLibrary

TGLAbstractMaterialLibrary::TGLAbstractMaterialLibrary(TComponent* AOwner) : TGLCadenceAbleComponent(AOwner) {}

TGLAbstractMaterialLibrary::~TGLAbstractMaterialLibrary() = default;

void TGLAbstractMaterialLibrary::Loaded()
{
    TGLCadenceAbleComponent::Loaded();
    FMaterials->Loaded();
}

bool TGLAbstractMaterialLibrary::ApplyMaterial(const std::string& AName, TGLRenderContextInfo& rci)
{
    FLastAppliedMaterial = FMaterials->FindMaterialByName(AName);
    if (!FLastAppliedMaterial) return false;
    FLastAppliedMaterial->Apply(rci);
    return true;
}

bool TGLAbstractMaterialLibrary::UnApplyMaterial(TGLRenderContextInfo& rci)
{
    if (!FLastAppliedMaterial) return false;
    const bool again = FLastAppliedMaterial->UnApply(rci);
    if (!again) FLastAppliedMaterial = nullptr;
    return again;
}

void TGLAbstractMaterialLibrary::SetNamesToTStrings(TStrings* aStrings) const
{
    aStrings->BeginUpdate();
    TryFinally(
        [&] {
            aStrings->Clear();
            for (int32_t i = 0; i < FMaterials->Count(); ++i) {
                TGLAbstractLibMaterial* item = FMaterials->GetItem(i);
                aStrings->AddObject(item->Name(), item);
            }
        },
        [aStrings] { aStrings->EndUpdate(); });
}

void TGLAbstractMaterialLibrary::SetTexturePaths(const std::string& Value)
{
    FTexturePathList.reset();
    FTexturePaths = Value;
    if (Value.empty()) return;
    FTexturePathList = std::make_unique<TStringList>();
    size_t start = 0;
    while (start <= Value.size()) {
        const size_t end = std::min(Value.find(';', start), Value.size());
        const std::string part = Trim(std::string_view(Value).substr(start, end - start));
        if (!part.empty()) FTexturePathList->Add(IncludeTrailingPathDelimiter(part));
        start = end + 1;
    }
}

// ---------------------------------------------------------------------------------------------------------
// TGLMaterialLibrary

TGLMaterialLibrary::TGLMaterialLibrary(TComponent* AOwner) : TGLAbstractMaterialLibrary(AOwner)
{
    FMaterials = std::make_unique<TGLLibMaterials>(this);
}

TGLMaterialLibrary::~TGLMaterialLibrary()
{
    // Asserting here would end the program; the imbalance is reported instead.
    if (FLastAppliedMaterial) GlobalLogSession()->LogError("Unbalanced material application");
    FMaterials.reset(); // while the items still see this library whole
}

void TGLMaterialLibrary::DestroyHandles()
{
    if (FMaterials) Materials()->DestroyHandles();
}

TGLLibMaterial* TGLMaterialLibrary::AddTextureMaterial(const std::string& materialName, const std::string& fileName,
                                                       bool persistent)
{
    TGLLibMaterial* const result = AddTextureMaterial(materialName, nullptr);
    TGLTexture* const texture = result->Material()->Texture();
    if (persistent) {
        if (!fileName.empty()) texture->Image()->LoadFromFile(fileName);
    } else {
        texture->SetImageClassName(ClassNameOf<TGLPicFileImage>());
        static_cast<TGLPicFileImage*>(texture->Image())->SetPictureFileName(fileName);
    }
    return result;
}

TGLLibMaterial* TGLMaterialLibrary::AddTextureMaterial(const std::string& materialName, TGraphic* graphic)
{
    TGLLibMaterial* const result = Materials()->Add();
    result->SetName(materialName);
    TGLTexture* const texture = result->Material()->Texture();
    texture->SetMinFilter(miLinearMipmapLinear);
    texture->SetMagFilter(maLinear);
    texture->SetTextureMode(tmModulate);
    texture->SetDisabled(false);
    texture->SetImageClassName(ClassNameOf<TGLPersistentImage>());
    if (graphic) texture->Image()->Assign(graphic);
    return result;
}

TGLLibMaterial* TGLMaterialLibrary::LibMaterialByName(const std::string& AName) const
{
    return Materials()->GetLibMaterialByName(AName);
}

TGLTexture* TGLMaterialLibrary::TextureByName(const std::string& LibMatName) const
{
    if (LibMatName.empty()) return nullptr;
    if (TGLLibMaterial* libMat = LibMaterialByName(LibMatName)) return libMat->Material()->Texture();
    throw ETexture("Error: " + Format("Material \"%s\" not found in current Material Library!", {LibMatName}));
}

std::string TGLMaterialLibrary::GetNameOfTexture(const TGLTexture* texture) const
{
    return texture ? Materials()->GetNameOfTexture(texture) : std::string();
}

std::string TGLMaterialLibrary::GetNameOfLibMaterial(const TGLLibMaterial* libMat) const
{
    return libMat ? Materials()->GetNameOfLibMaterial(libMat) : std::string();
}

void RegisterGLMaterialClasses()
{
    RegisterClasses<TGLMaterialLibrary, TGLMaterial, TGLShader>();
}
