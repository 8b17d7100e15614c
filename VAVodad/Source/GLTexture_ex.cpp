// Texture lists: items with a texture on a numbered unit and a texture matrix.
#include "GLTexture.h"

#include "GLContext.h"
#include "GLCoordinates.h"
#include "GLRenderContextInfo.h"
#include "GLVectorGeometryMatrices.h"
#include "OpenGLAdapter.h"
#include "XOpenGL.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------------------------
// TGLTextureExItem

TGLTextureExItem::TGLTextureExItem(TGLTextureEx* ACollection, int32_t AID)
    : FCollection(ACollection), FID(AID), FTextureIndex(AID), FTextureMatrix(IdentityHmgMatrix)
{
    FTexture = std::make_unique<TGLTexture>(this);
    // Offset and scale changed in place recompute the matrix.
    FTextureOffset = std::make_unique<TGLCoordinates3>(nullptr, TVector4f{{{0, 0, 0, 0}}}, CsVector);
    FTextureScale = std::make_unique<TGLCoordinates3>(nullptr, TVector4f{{{1, 1, 1, 0}}}, CsVector);
    FTextureOffset->OnNotifyChange = [this](TObject*) { CalculateTextureMatrix(); };
    FTextureScale->OnNotifyChange = [this](TObject*) { CalculateTextureMatrix(); };
}

TGLTextureExItem::~TGLTextureExItem() = default;

TPersistent* TGLTextureExItem::GetOwner() const
{
    return FCollection;
}

void TGLTextureExItem::Assign(TPersistent* Source)
{
    auto* item = dynamic_cast<TGLTextureExItem*>(Source);
    if (!item) {
        TPersistent::Assign(Source);
        return;
    }
    FTexture->Assign(item->FTexture.get());
    FTextureIndex = item->FTextureIndex;
    FTextureOffset->SetDirectVector(item->FTextureOffset->AsVector());
    FTextureScale->SetDirectVector(item->FTextureScale->AsVector());
    CalculateTextureMatrix();
}

std::string TGLTextureExItem::DisplayName() const
{
    return Format("Tex [%d]", {FTextureIndex});
}

void TGLTextureExItem::SetTexture(TGLTexture* Value)
{
    FTexture->Assign(Value);
    NotifyChange(this);
}

void TGLTextureExItem::SetTextureIndex(int32_t Value)
{
    FTextureIndex = std::max(Value, 0);
    NotifyChange(this);
}

void TGLTextureExItem::SetTextureOffset(TGLCoordinates3* Value)
{
    FTextureOffset->Assign(Value);
    CalculateTextureMatrix();
}

void TGLTextureExItem::SetTextureScale(TGLCoordinates3* Value)
{
    FTextureScale->Assign(Value);
    CalculateTextureMatrix();
}

void TGLTextureExItem::CalculateTextureMatrix()
{
    const TVector4f& offset = FTextureOffset->AsVector();
    const TVector4f& scale = FTextureScale->AsVector();
    FTextureMatrixIsIdentity = offset.X == 0 && offset.Y == 0 && offset.Z == 0 && offset.W == 0 && scale.X == 1 &&
                               scale.Y == 1 && scale.Z == 1 && scale.W == 0;
    if (!FTextureMatrixIsIdentity) MatrixScalingTranslation(scale, offset, FTextureMatrix);
    NotifyChange(this);
}

void TGLTextureExItem::NotifyChange(TObject* /*Sender*/)
{
    if (FCollection) FCollection->NotifyChange(this);
}

void TGLTextureExItem::NotifyTexMapChange(TObject* Sender)
{
    if (!FCollection) return;
    if (auto* owner = dynamic_cast<IGLTextureNotifyAble*>(FCollection->GetOwner())) owner->NotifyTexMapChange(Sender);
}

void TGLTextureExItem::Apply(TGLRenderContextInfo& rci)
{
    FApplied = false;
    if (!FTexture->Enabled()) return;
    TGLExtensionsAndEntryPoints* const gl = GetCurrentGL();
    TGLStateCache& states = *rci.GLStates;
    states.SetActiveTexture(FTextureIndex);
    gl->MatrixMode(GL_TEXTURE);
    gl->PushMatrix();
    if (FTextureMatrixIsIdentity)
        gl->LoadIdentity();
    else
        gl->LoadMatrixf(FTextureMatrix.X.V);
    gl->MatrixMode(GL_MODELVIEW);
    states.SetActiveTexture(0);
    if (FTextureIndex == 0)
        FTexture->Apply(rci);
    else if (FTextureIndex == 1)
        FTexture->ApplyAsTexture2(rci, nullptr);
    else
        FTexture->ApplyAsTextureN(FTextureIndex + 1, rci, nullptr);
    FApplied = true;
}

void TGLTextureExItem::UnApply(TGLRenderContextInfo& rci)
{
    if (!FApplied) return;
    if (FTextureIndex == 0)
        FTexture->UnApply(rci);
    else if (FTextureIndex == 1)
        FTexture->UnApplyAsTexture2(rci, false);
    else
        FTexture->UnApplyAsTextureN(FTextureIndex + 1, rci, false);
    TGLExtensionsAndEntryPoints* const gl = GetCurrentGL();
    TGLStateCache& states = *rci.GLStates;
    states.SetActiveTexture(FTextureIndex);
    gl->MatrixMode(GL_TEXTURE);
    gl->PopMatrix();
    gl->MatrixMode(GL_MODELVIEW);
    states.SetActiveTexture(0);
    FApplied = false;
}

// ---------------------------------------------------------------------------------------------------------
// TGLTextureEx

TGLTextureEx::TGLTextureEx(TGLUpdateAbleObject* AOwner) : FOwner(AOwner) {}
TGLTextureEx::~TGLTextureEx() = default;

void TGLTextureEx::Assign(TPersistent* Source)
{
    if (Source && !dynamic_cast<TGLTextureEx*>(Source)) {
        TPersistent::Assign(Source);
        return;
    }
    if (Source == this) return;
    FItems.clear();
    if (auto* list = static_cast<TGLTextureEx*>(Source))
        for (const auto& item : list->FItems) Add()->Assign(item.get());
    NotifyChange(this);
}

TGLTextureExItem* TGLTextureEx::Items(int32_t index) const
{
    if (index < 0 || index >= Count()) RaiseListError("List index out of bounds (%d)", index);
    return FItems[index].get();
}

TGLTextureExItem* TGLTextureEx::Add()
{
    FItems.push_back(std::make_unique<TGLTextureExItem>(this, FNextID++));
    return FItems.back().get();
}

void TGLTextureEx::Delete(int32_t index)
{
    Items(index);
    FItems.erase(FItems.begin() + index);
    NotifyChange(this);
}

void TGLTextureEx::Clear()
{
    FItems.clear();
    NotifyChange(this);
}

void TGLTextureEx::Apply(TGLRenderContextInfo& rci)
{
    TGLExtensionsAndEntryPoints* const gl = GetCurrentGL();
    if (!gl->ARB_multitexture) return;
    GLint maxUnits = 0;
    gl->GetIntegerv(GL_MAX_TEXTURE_UNITS, &maxUnits);
    uint32_t mask = 0;
    for (const auto& item : FItems) {
        if (item->TextureIndex() >= maxUnits) continue;
        item->Apply(rci);
        if (item->Applied() && item->TextureIndex() > 0 && item->Texture()->MappingMode() == tmmUser)
            mask |= 1u << std::min(item->TextureIndex(), 31);
    }
    if (mask == 0) return;
    TGLMultitextureCoordinator* const coordinator = GetCurrentMultitextureCoordinator();
    // Without a routing to add to (nothing routed yet), the list's units are the routing. Inside a library
    // material's update bracket the routing to add to is the one requested there, not the one installed.
    const TMapTexCoordMode mode = coordinator->RequestedMapTexCoordMode();
    if (mode == mtcmNull || mode == mtcmUndefined)
        coordinator->MapTexCoordToArbitrary(mask);
    else
        coordinator->MapTexCoordToArbitraryAdd(mask);
}

void TGLTextureEx::UnApply(TGLRenderContextInfo& rci)
{
    if (!GetCurrentGL()->ARB_multitexture) return;
    for (const auto& item : FItems) item->UnApply(rci);
}

void TGLTextureEx::Loaded()
{
    for (const auto& item : FItems) item->CalculateTextureMatrix();
}

bool TGLTextureEx::IsTextureEnabled(int32_t index) const
{
    return std::any_of(FItems.begin(), FItems.end(), [&](const auto& item) {
        return item->TextureIndex() == index && item->Texture()->Enabled();
    });
}

void TGLTextureEx::NotifyChange(TObject* /*Sender*/)
{
    if (FOwner) FOwner->NotifyChange(this);
}
