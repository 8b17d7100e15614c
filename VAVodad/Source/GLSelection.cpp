#include "GLSelection.h"

#include "GLBaseClasses.h"
#include "OpenGLAdapter.h"
#include "SysUtils.h"

#include <algorithm>

TPickSortType vPickSortType = psDefault;

namespace {

constexpr size_t cObjectArrayLength = 512;
// The depth of a hit record is an unsigned fraction of 2^32; halved, it is scaled by 2^31 - 1.
constexpr float cDepthScale = 2147483647.0f;

int32_t Sign(float difference)
{
    return difference < 0 ? -1 : (difference > 0 ? 1 : 0);
}

int32_t CompareHits(TObject* item1, TObject* item2)
{
    auto* a = static_cast<TPickRecord*>(item1);
    auto* b = static_cast<TPickRecord*>(item2);
    switch (vPickSortType) {
    case psName: return AnsiCompareText(a->AObject->Name(), b->AObject->Name());
    case psMinDepth: return Sign(a->ZMin - b->ZMin);
    case psMaxDepth: return Sign(a->ZMax - b->ZMax);
    default: return 0;
    }
}

} // namespace

// ---- TGLPickList

TGLPickList::TGLPickList(TPickSortType aSortType)
{
    vPickSortType = aSortType;
}

TGLPickList::~TGLPickList()
{
    Clear();
}

void TGLPickList::AddHit(TGLUpdateAbleComponent* obj, const TPickSubObjects& subObj, float zMin, float zMax)
{
    auto* record = new TPickRecord;
    record->AObject = obj;
    record->SubObjects = subObj;
    record->ZMin = zMin;
    record->ZMax = zMax;
    Add(record);
    if (vPickSortType != psDefault) Sort(CompareHits);
}

void TGLPickList::Clear()
{
    for (int32_t i = 0; i < Count(); ++i) delete Record(i);
    TPersistentObjectList::Clear();
}

int32_t TGLPickList::FindObject(TGLUpdateAbleComponent* AObject) const
{
    if (!AObject) return -1;
    for (int32_t i = 0; i < Count(); ++i)
        if (Record(i)->AObject == AObject) return i;
    return -1;
}

// ---- TGLSelectRenderModeTechnique

bool TGLSelectRenderModeTechnique::IsSupported()
{
    return GetCurrentGL()->VERSION_1_1;
}

TGLUpdateAbleComponent* TGLSelectRenderModeTechnique::CurrentObject() const
{
    // FCurrentName is the next name to hand out: the current object holds the one before it.
    if (FCurrentName == 0 || FCurrentName > FObjectStack.size()) return nullptr;
    return FObjectStack[FCurrentName - 1];
}

void TGLSelectRenderModeTechnique::SetCurrentObject(TGLUpdateAbleComponent* Value)
{
    if (FCurrentName >= FObjectStack.size())
        FObjectStack.resize(std::max<size_t>(FObjectStack.size() * 2, FCurrentName + 1), nullptr);
    FObjectStack[FCurrentName] = Value;
    GetCurrentGL()->LoadName(FCurrentName);
    ++FCurrentName;
}

void TGLSelectRenderModeTechnique::SetObjectCountGuess(int32_t Value)
{
    FObjectCountGuess = std::max(Value, 8);
}

void TGLSelectRenderModeTechnique::Start()
{
    // Room for four names per hit (count, two depths, one name), and a little to spare.
    FBuffer.assign(static_cast<size_t>(FObjectCountGuess) * 4 + 32, 0);
    TGLExtensionsAndEntryPoints* gl = GetCurrentGL();
    gl->SelectBuffer(FObjectCountGuess * 4, FBuffer.data());
    gl->RenderMode(GL_SELECT);
    gl->InitNames();
    FCurrentName = 0;
    ResetObjects();
    FStackPosition = 0;
    gl->PushName(0);
}

bool TGLSelectRenderModeTechnique::Stop()
{
    TGLExtensionsAndEntryPoints* gl = GetCurrentGL();
    gl->Flush();
    FHits = gl->RenderMode(GL_RENDER);
    if (FHits < 0) {
        SetObjectCountGuess(FObjectCountGuess * 2);
        return false;
    }
    return true;
}

void TGLSelectRenderModeTechnique::PushObject(uint32_t)
{
    throw Exception("Abstract Error");
}

void TGLSelectRenderModeTechnique::PopObject()
{
    throw Exception("Abstract Error");
}

void TGLSelectRenderModeTechnique::LoadObject(uint32_t)
{
    throw Exception("Abstract Error");
}

void TGLSelectRenderModeTechnique::FillPickingList(TGLPickList*& AList)
{
    if (!AList)
        AList = new TGLPickList(psDefault);
    else
        AList->Clear();
    // The pass wrote at most the size it was given to the driver.
    const size_t size = std::min(FBuffer.size(), static_cast<size_t>(std::max(FObjectCountGuess, 0)) * 4);
    size_t next = 0;
    for (int32_t hit = 0; hit < FHits; ++hit) {
        if (next + 3 > size) break;
        const uint32_t n = FBuffer[next];
        if (n > size - next - 3) break;
        const uint32_t* names = &FBuffer[next + 3];
        const float zMin = static_cast<float>(FBuffer[next + 1] >> 1) / cDepthScale;
        const float zMax = static_cast<float>(FBuffer[next + 2] >> 1) / cDepthScale;
        next += 3 + n;
        if (n == 0 || names[0] >= FObjectStack.size() || !FObjectStack[names[0]]) continue;
        AList->AddHit(FObjectStack[names[0]], TPickSubObjects(names + 1, names + n), zMin, zMax);
    }
    ResetObjects();
}

void TGLSelectRenderModeTechnique::ResetObjects()
{
    // Cleared as well, so no object of an earlier pass can be read back.
    FObjectStack.assign(cObjectArrayLength, nullptr);
}
