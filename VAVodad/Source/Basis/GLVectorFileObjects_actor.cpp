// The actor: a mesh animated by morph targets or skeleton frames over time, its named frame ranges with their
// "AAF" text file, and the controllers that blend extra skeletal layers into its pose.
#include "GLVectorFileObjects.h"

#include "GLState.h"
#include "GLUtilities.h"
#include "GLVectorGeometry.h"
#include "StringLists.h"
#include "SysUtils.h"
#include "VAVodad_streaming.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

namespace {

const std::string cAAFHeader = "AAF";

constexpr TEnumNames<3> cReferenceNames{"aarMorph", "aarSkeleton", "aarNone"};
constexpr TEnumNames<2> cFrameInterpolationNames{"afpNone", "afpLinear"};
constexpr TEnumNames<7> cAnimationModeNames{"aamNone",           "aamPlayOnce",     "aamLoop",    "aamBounceForward",
                                            "aamBounceBackward", "aamLoopBackward", "aamExternal"};
constexpr TEnumNames<1> cActorOptionNames{"aoSkeletonNormalizeNormals"};

// The reference words of the animation list, by reference.
constexpr const char* cReferenceWords[3] = {"morph", "skeleton", "none"};

// Exact frame stepping up to this many steps in one progress; more only repeat whole cycles of the range.
constexpr double cExactFrameSteps = 65536;

// The name between double quotes, its own quotes doubled, as the comma-text reader takes it back.
std::string QuotedName(const std::string& name)
{
    std::string result = "\"";
    for (const char c : name) {
        if (c == '"') result += '"';
        result += c;
    }
    return result + '"';
}

bool IsFrame(int32_t frame, int32_t count)
{
    return frame >= 0 && frame < count;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// TGLActorAnimation

TGLActorAnimation::TGLActorAnimation(TGLActorAnimations* ACollection) : FCollection(ACollection) {}

TGLActorAnimation::~TGLActorAnimation()
{
    TGLActor* actor = OwnerActor();
    if (actor && actor->FTargetSmoothAnimation == this) actor->FTargetSmoothAnimation = nullptr;
}

void TGLActorAnimation::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLActorAnimation*>(Source)) {
        FName = source->FName;
        FStartFrame = source->FStartFrame;
        FEndFrame = source->FEndFrame;
        FReference = source->FReference;
    } else
        TPersistent::Assign(Source);
}

TPersistent* TGLActorAnimation::GetOwner() const
{
    return FCollection;
}

std::string TGLActorAnimation::GetDisplayName() const
{
    return Format("%d - %s [%d - %d]", {Index(), FName, FStartFrame, FEndFrame});
}

int32_t TGLActorAnimation::Index() const
{
    return FCollection ? FCollection->IndexOf(this) : -1;
}

TGLActor* TGLActorAnimation::OwnerActor() const
{
    return FCollection ? FCollection->Owner() : nullptr;
}

int32_t TGLActorAnimation::FrameCount() const
{
    Assert(FReference != aarNone, "", cGLVectorFileObjectsUnit);
    const TGLActor* actor = OwnerActor();
    if (!actor) return 0;
    return FReference == aarMorph ? actor->MeshObjects()->MorphTargetCount() : actor->Skeleton()->Frames()->Count();
}

int32_t TGLActorAnimation::ClampedFrame(int32_t Value, int32_t count)
{
    if (Value < 0) return 0;
    return Value >= count ? count - 1 : Value;
}

void TGLActorAnimation::SetStartFrame(int32_t Value)
{
    FStartFrame = ClampedFrame(Value, FrameCount());
    if (FStartFrame > FEndFrame) FEndFrame = FStartFrame;
}

void TGLActorAnimation::SetEndFrame(int32_t Value)
{
    FEndFrame = ClampedFrame(Value, FrameCount());
    if (FStartFrame > FEndFrame) FStartFrame = FEndFrame;
}

void TGLActorAnimation::SetReference(TGLActorAnimationReference Value)
{
    if (Value == FReference) return;
    FReference = Value;
    // A reference without frames has nothing to clamp to.
    if (FReference == aarNone) return;
    SetStartFrame(FStartFrame);
    SetEndFrame(FEndFrame);
}

std::string TGLActorAnimation::AsString() const
{
    return QuotedName(FName) + Format(",%d,%d,%s", {FStartFrame, FEndFrame, cReferenceWords[FReference]});
}

void TGLActorAnimation::SetAsString(const std::string& Value)
{
    TStringList items;
    items.SetCommaText(Value);
    Assert(items.Count() >= 3, "", cGLVectorFileObjectsUnit);
    const int32_t startFrame = StrToInt(items.Get(1));
    const int32_t endFrame = StrToInt(items.Get(2));
    TGLActorAnimationReference reference = aarMorph;
    if (items.Count() == 4) {
        const std::string word = LowerCase(items.Get(3));
        const auto* found = std::find(std::begin(cReferenceWords), std::end(cReferenceWords), word);
        Assert(found != std::end(cReferenceWords), "", cGLVectorFileObjectsUnit);
        reference = static_cast<TGLActorAnimationReference>(found - std::begin(cReferenceWords));
    }
    FName = items.Get(0);
    FStartFrame = startFrame;
    FEndFrame = endFrame;
    SetReference(reference);
}

void TGLActorAnimation::MakeSkeletalTranslationStatic()
{
    if (TGLActor* actor = OwnerActor()) actor->Skeleton()->MakeSkeletalTranslationStatic(FStartFrame, FEndFrame);
}

void TGLActorAnimation::MakeSkeletalRotationDelta()
{
    if (TGLActor* actor = OwnerActor()) actor->Skeleton()->MakeSkeletalRotationDelta(FStartFrame, FEndFrame);
}

// ---------------------------------------------------------------------------------------------------------
// TGLActorAnimations

TGLActorAnimations::TGLActorAnimations(TGLActor* aOwner) : FOwner(aOwner) {}

TGLActorAnimations::~TGLActorAnimations()
{
    Clear();
}

TPersistent* TGLActorAnimations::GetOwner() const
{
    return FOwner;
}

void TGLActorAnimations::Assign(TPersistent* Source)
{
    auto* source = dynamic_cast<TGLActorAnimations*>(Source);
    if (!source) return TPersistent::Assign(Source);
    if (source == this) return;
    Clear();
    for (const auto& item : source->FItems) Add()->Assign(item.get());
}

TGLActorAnimation* TGLActorAnimations::Add()
{
    auto item = std::make_unique<TGLActorAnimation>(this);
    item->FID = FNextID++;
    FItems.push_back(std::move(item));
    return FItems.back().get();
}

TGLActorAnimation* TGLActorAnimations::Items(int32_t Index) const
{
    if (Index < 0 || Index >= Count()) RaiseListError("List index out of bounds (%d)", Index);
    return FItems[Index].get();
}

void TGLActorAnimations::SetItems(int32_t Index, TGLActorAnimation* Value)
{
    Items(Index)->Assign(Value);
}

TGLActorAnimation* TGLActorAnimations::Last() const
{
    return FItems.empty() ? nullptr : FItems.back().get();
}

void TGLActorAnimations::Delete(int32_t Index)
{
    Items(Index);
    // Out of the list before it dies, so nothing reached from its destructor finds it here.
    const std::unique_ptr<TGLActorAnimation> item = std::move(FItems[Index]);
    FItems.erase(FItems.begin() + Index);
}

void TGLActorAnimations::Clear()
{
    while (!FItems.empty()) Delete(Count() - 1);
}

int32_t TGLActorAnimations::IndexOf(const TGLActorAnimation* Item) const
{
    for (int32_t i = 0; i < Count(); ++i)
        if (FItems[i].get() == Item) return i;
    return -1;
}

TGLActorAnimation* TGLActorAnimations::FindItemID(int32_t ID) const
{
    for (const auto& item : FItems)
        if (item->ID() == ID) return item.get();
    return nullptr;
}

TGLActorAnimation* TGLActorAnimations::FindName(const std::string& aName) const
{
    for (const auto& item : FItems)
        if (SameText(item->Name(), aName)) return item.get();
    return nullptr;
}

TGLActorAnimation* TGLActorAnimations::FindFrame(int32_t aFrame, TGLActorAnimationReference aReference) const
{
    for (const auto& item : FItems)
        if (item->Reference() == aReference && item->StartFrame() <= aFrame && aFrame <= item->EndFrame())
            return item.get();
    return nullptr;
}

void TGLActorAnimations::SetToStrings(TStrings* aStrings) const
{
    aStrings->BeginUpdate();
    TryFinally(
        [&] {
            aStrings->Clear();
            for (const auto& item : FItems) aStrings->Add(item->Name());
        },
        [aStrings] { aStrings->EndUpdate(); });
}

void TGLActorAnimations::SaveToStream(TStream& aStream) const
{
    WriteLineWithCRLF(aStream, cAAFHeader);
    WriteLineWithCRLF(aStream, IntToStr(Count()));
    for (const auto& item : FItems) WriteLineWithCRLF(aStream, item->AsString());
}

void TGLActorAnimations::LoadFromStream(TStream& aStream)
{
    TGLActorAnimations loaded(FOwner);
    std::string line;
    ReadLineUntilCRLF(aStream, line);
    Assert(line == cAAFHeader, "", cGLVectorFileObjectsUnit);
    ReadLineUntilCRLF(aStream, line);
    const int32_t count = StrToInt(line);
    for (int32_t i = 0; i < count; ++i) {
        ReadLineUntilCRLF(aStream, line);
        loaded.Add()->SetAsString(line);
    }
    Assign(&loaded);
}

void TGLActorAnimations::SaveToFile(const std::string& fileName) const
{
    SaveHookedFile(fileName, [this](TStream& stream) { SaveToStream(stream); });
}

void TGLActorAnimations::LoadFromFile(const std::string& fileName)
{
    const std::unique_ptr<TStream> stream = CreateHookedFileStream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(*stream);
}

void TGLActorAnimations::WriteAnimations(TWriter& Writer) const
{
    Writer.WriteListBegin();
    for (const auto& item : FItems) {
        Writer.WriteListBegin();
        Writer.WriteString(item->Name());
        Writer.WriteInteger(item->StartFrame());
        Writer.WriteInteger(item->EndFrame());
        Writer.WriteIdent(cReferenceNames[item->Reference()]);
        Writer.WriteListEnd();
    }
    Writer.WriteListEnd();
}

void TGLActorAnimations::ReadAnimations(TReader& Reader)
{
    TGLActorAnimations loaded(FOwner);
    Reader.ReadListBegin();
    while (!Reader.EndOfList()) {
        TGLActorAnimation& item = *loaded.Add();
        Reader.ReadListBegin();
        item.FName = Reader.ReadString();
        item.FStartFrame = Reader.ReadInteger();
        item.FEndFrame = Reader.ReadInteger();
        const std::string ident = Reader.ReadIdent();
        const auto* found = std::find_if(cReferenceNames.begin(), cReferenceNames.end(),
                                         [&](const char* name) { return SameText(ident, name); });
        if (found == cReferenceNames.end()) throw EReadError("Invalid property value " + ident);
        item.FReference = static_cast<TGLActorAnimationReference>(found - cReferenceNames.begin());
        Reader.ReadListEnd();
    }
    Reader.ReadListEnd();
    Assign(&loaded);
}

// ---------------------------------------------------------------------------------------------------------
// Animation controllers

TGLBaseAnimationControler::TGLBaseAnimationControler(TComponent* AOwner) : TComponent(AOwner) {}

void TGLBaseAnimationControler::BeforeDestruction()
{
    SetActor(nullptr);
    TComponent::BeforeDestruction();
}

TGLBaseAnimationControler::~TGLBaseAnimationControler()
{
    // A plain delete skips BeforeDestruction: the actor must not keep a dead controller.
    if (FActor) FActor->UnRegisterControler(this);
}

void TGLBaseAnimationControler::Notification(TComponent* AComponent, TOperation Operation)
{
    if (Operation == opRemove && AComponent == FActor) SetActor(nullptr);
    TComponent::Notification(AComponent, Operation);
}

void TGLBaseAnimationControler::DefineProperties(TFiler& Filer)
{
    TComponent::DefineProperties(Filer);
    DefineBooleanProperty(Filer, "Enabled", FEnabled, true, [this](bool v) { SetEnabled(v); });
    // An actor without a name cannot be found again, so it is not written.
    Filer.DefineProperty(
        "Actor", [this](TReader& reader) { FActorName = reader.ReadIdent(); },
        [this](TWriter& writer) { writer.WriteIdent(FActor->Name()); }, FActor && !FActor->Name().empty());
}

void TGLBaseAnimationControler::Loaded()
{
    TComponent::Loaded();
    const std::string name = std::exchange(FActorName, std::string());
    if (name.empty() || !Owner()) return;
    for (int i = 0; i < Owner()->ComponentCount(); ++i)
        if (auto* actor = dynamic_cast<TGLActor*>(Owner()->Components(i)); actor && SameText(actor->Name(), name))
            return SetActor(actor);
}

void TGLBaseAnimationControler::SetEnabled(bool Value)
{
    if (Value == FEnabled) return;
    FEnabled = Value;
    if (FActor) DoChange();
}

void TGLBaseAnimationControler::SetActor(TGLActor* Value)
{
    if (Value == FActor) return;
    if (FActor) FActor->UnRegisterControler(this);
    FActor = Value;
    if (FActor) {
        FActor->RegisterControler(this);
        DoChange();
    }
}

bool TGLBaseAnimationControler::Apply(TBlendedLerpInfo& /*lerpInfo*/)
{
    return false;
}

void TGLBaseAnimationControler::DoChange()
{
    if (FActor) FActor->NotifyChange(this);
}

void TGLAnimationControler::DefineProperties(TFiler& Filer)
{
    TGLBaseAnimationControler::DefineProperties(Filer);
    Filer.DefineProperty(
        "AnimationName", [this](TReader& reader) { SetAnimationName(reader.ReadString()); },
        [this](TWriter& writer) { writer.WriteString(FAnimationName); }, !FAnimationName.empty());
    DefineSingleProperty(Filer, "Ratio", FRatio, 0, [this](float v) { SetRatio(v); });
}

void TGLAnimationControler::SetAnimationName(const std::string& Value)
{
    if (Value == FAnimationName) return;
    FAnimationName = Value;
    DoChange();
}

void TGLAnimationControler::SetRatio(float Value)
{
    const float ratio = std::isnan(Value) ? 0 : std::clamp(Value, 0.0f, 1.0f);
    if (ratio == FRatio) return;
    FRatio = ratio;
    DoChange();
}

bool TGLAnimationControler::Apply(TBlendedLerpInfo& lerpInfo)
{
    if (!Enabled() || !Actor()) return false;
    const TGLActorAnimation* animation = Actor()->Animations()->FindName(FAnimationName);
    if (!animation) return false;
    const int32_t startFrame = animation->StartFrame();
    const int32_t endFrame = animation->EndFrame();
    if (FRatio == 0 || FRatio == 1) {
        lerpInfo.frameIndex1 = lerpInfo.frameIndex2 = FRatio == 0 ? startFrame : endFrame;
        lerpInfo.lerpFactor = 0;
    } else {
        const float f = static_cast<float>(int64_t(endFrame) - startFrame) * FRatio + static_cast<float>(startFrame);
        lerpInfo.frameIndex1 = FloatTruncToInt(f);
        // Rounding may land f on the last frame: the frame after it is not the animation's.
        lerpInfo.frameIndex2 =
            static_cast<int32_t>(std::min<int64_t>(int64_t(lerpInfo.frameIndex1) + 1, std::max(startFrame, endFrame)));
        lerpInfo.lerpFactor = FloatFraction(f);
    }
    lerpInfo.weight = 1;
    lerpInfo.externalRotations = nullptr;
    lerpInfo.externalQuaternions = nullptr;
    return true;
}

void TGLAnimationControler::DoChange()
{
    if (!FAnimationName.empty()) TGLBaseAnimationControler::DoChange();
}

// ---------------------------------------------------------------------------------------------------------
// TGLActor

TGLActor::TGLActor(TComponent* AOwner) : TGLBaseMesh(AOwner), FAnimations(std::make_unique<TGLActorAnimations>(this))
{
    TGLObjectStyles style = ObjectStyle();
    style.Include(osDirectDraw);
    SetObjectStyle(style);
}

TGLActor::~TGLActor()
{
    FTargetSmoothAnimation = nullptr;
    while (!FControlers.empty()) FControlers.back()->SetActor(nullptr);
}

void TGLActor::Assign(TPersistent* Source)
{
    TGLBaseMesh::Assign(Source);
    if (auto* source = dynamic_cast<TGLActor*>(Source); source && source != this) {
        FAnimations->Assign(source->FAnimations.get());
        FAnimationMode = source->FAnimationMode;
        Synchronize(source);
    }
}

void TGLActor::DefineProperties(TFiler& Filer)
{
    TGLBaseMesh::DefineProperties(Filer);
    DefineMeshProperties(Filer);
    DefineBooleanProperty(Filer, "OverlaySkeleton", OverlaySkeleton(), false, [this](bool v) { SetOverlaySkeleton(v); });
    // No mesh is loaded while a stream is read, so the frames are taken as they were written.
    DefineIntegerProperty(Filer, "StartFrame", FStartFrame, 0, [this](int32_t v) { FStartFrame = v; });
    DefineIntegerProperty(Filer, "EndFrame", FEndFrame, 0, [this](int32_t v) { FEndFrame = v; });
    DefineEnumProperty<TGLActorAnimationReference>(Filer, "Reference", cReferenceNames, FReference, aarMorph,
                                                   [this](TGLActorAnimationReference v) { FReference = v; });
    DefineIntegerProperty(Filer, "CurrentFrame", FCurrentFrame, 0, [this](int32_t v) { FCurrentFrame = v; });
    DefineSingleProperty(Filer, "CurrentFrameDelta", FCurrentFrameDelta, 0, [this](float v) { FCurrentFrameDelta = v; });
    DefineEnumProperty<TActorFrameInterpolation>(Filer, "FrameInterpolation", cFrameInterpolationNames,
                                                 FFrameInterpolation, afpLinear,
                                                 [this](TActorFrameInterpolation v) { FFrameInterpolation = v; });
    DefineEnumProperty<TGLActorAnimationMode>(Filer, "AnimationMode", cAnimationModeNames, FAnimationMode, aamNone,
                                              [this](TGLActorAnimationMode v) { FAnimationMode = v; });
    DefineIntegerProperty(Filer, "Interval", FInterval, 100, [this](int32_t v) { FInterval = v; });
    DefineSetProperty<TGLActorOption>(Filer, "Options", cActorOptionNames, FOptions,
                                      TGLActorOptions{aoSkeletonNormalizeNormals},
                                      [this](TGLActorOptions v) { SetOptions(v); });
    Filer.DefineProperty(
        "Animations", [this](TReader& reader) { FAnimations->ReadAnimations(reader); },
        [this](TWriter& writer) { FAnimations->WriteAnimations(writer); }, FAnimations->Count() > 0);
}

void TGLActor::RegisterControler(TGLBaseAnimationControler* aControler)
{
    FControlers.push_back(aControler);
    FreeNotification(aControler);
}

void TGLActor::UnRegisterControler(TGLBaseAnimationControler* aControler)
{
    Assert(!FControlers.empty(), "", cGLVectorFileObjectsUnit);
    std::erase(FControlers, aControler);
    RemoveFreeNotification(aControler);
}

int32_t TGLActor::FrameCount() const
{
    switch (FReference) {
    case aarMorph:
        return MeshObjects()->MorphTargetCount();
    case aarSkeleton:
        return Skeleton()->Frames()->Count();
    case aarNone:
        return 0;
    }
    AssertionFailed("", cGLVectorFileObjectsUnit);
}

void TGLActor::SetStartFrame(int32_t Value)
{
    if (Value >= 0 && Value < FrameCount() && Value != FStartFrame) FStartFrame = Value;
    if (FEndFrame < FStartFrame) FEndFrame = FStartFrame;
    if (FCurrentFrame < FStartFrame) SetCurrentFrame(FStartFrame);
}

void TGLActor::SetEndFrame(int32_t Value)
{
    if (Value >= 0 && Value < FrameCount() && Value != FEndFrame) FEndFrame = Value;
    if (FCurrentFrame > FEndFrame) SetCurrentFrame(FEndFrame);
}

void TGLActor::SetCurrentFrame(int32_t Value)
{
    if (Value == FCurrentFrame) return;
    const int32_t count = FrameCount();
    FCurrentFrame = Value > count - 1 ? count - 1 : std::max(Value, 0);
    FCurrentFrameDelta = 0;
    switch (FAnimationMode) {
    case aamPlayOnce:
        if (FCurrentFrame == FEndFrame && !FTargetSmoothAnimation) FAnimationMode = aamNone;
        break;
    case aamBounceForward:
        if (FCurrentFrame == FEndFrame) FAnimationMode = aamBounceBackward;
        break;
    case aamBounceBackward:
        if (FCurrentFrame == FStartFrame) FAnimationMode = aamBounceForward;
        break;
    default:
        break;
    }
    StructureChanged();
    if (OnFrameChanged) OnFrameChanged(this);
}

void TGLActor::SetOptions(TGLActorOptions Value)
{
    if (Value == FOptions) return;
    FOptions = Value;
    StructureChanged();
}

void TGLActor::SetAnimations(TGLActorAnimations* Value)
{
    FAnimations->Assign(Value);
}

int32_t TGLActor::NextFrameIndex() const
{
    if (FAnimationMode == aamExternal) return FCurrentFrame;
    if (FTargetSmoothAnimation) return FTargetSmoothAnimation->StartFrame();
    // In 64 bits: a frame set directly may lie anywhere.
    const int64_t current = FCurrentFrame;
    int64_t next;
    switch (FAnimationMode) {
    case aamNone:
    case aamPlayOnce:
        next = std::min<int64_t>(current + 1, FEndFrame);
        break;
    case aamLoop:
    case aamBounceForward:
        next = current + 1;
        if (next > FEndFrame) {
            next = current + FStartFrame - FEndFrame;
            if (next > FEndFrame) next = FEndFrame;
        }
        break;
    case aamBounceBackward:
    case aamLoopBackward:
        next = current - 1;
        if (next < FStartFrame) {
            next = int64_t(FEndFrame) - FStartFrame + current;
            if (next < FStartFrame) next = FStartFrame;
        }
        break;
    default:
        AssertionFailed("", cGLVectorFileObjectsUnit);
    }
    return static_cast<int32_t>(std::clamp<int64_t>(next, INT32_MIN, INT32_MAX));
}

void TGLActor::NextFrame(int32_t nbSteps)
{
    for (int32_t i = 0; i < nbSteps; ++i) {
        SetCurrentFrame(NextFrameIndex());
        if (FCurrentFrame == FEndFrame && OnEndFrameReached) OnEndFrameReached(this);
        if (FCurrentFrame == FStartFrame && OnStartFrameReached) OnStartFrameReached(this);
    }
}

void TGLActor::PrevFrame(int32_t nbSteps)
{
    int64_t frame = int64_t(FCurrentFrame) - nbSteps;
    if (frame < FStartFrame) {
        // Back past the start wraps by the range's length less one: one step back from the start lands on the
        // frame before the end.
        frame += int64_t(FEndFrame) - FStartFrame;
        if (frame < FStartFrame) frame = FStartFrame;
    }
    SetCurrentFrame(static_cast<int32_t>(std::min<int64_t>(frame, INT32_MAX)));
}

void TGLActor::SwitchToAnimation(TGLActorAnimation* anAnimation, bool smooth)
{
    if (!anAnimation) return;
    if (smooth) {
        // The pending target must die with this actor's list, which clears it.
        if (anAnimation->Collection() != FAnimations.get()) anAnimation = FAnimations->FindName(anAnimation->Name());
        if (!anAnimation) return;
        FTargetSmoothAnimation = anAnimation;
        FCurrentFrameDelta = 0;
    } else {
        // Taken first: a frame-changed handler may free the animation.
        const int32_t startFrame = anAnimation->StartFrame(), endFrame = anAnimation->EndFrame();
        FReference = anAnimation->Reference();
        SetStartFrame(startFrame);
        SetEndFrame(endFrame);
        SetCurrentFrame(FStartFrame);
    }
}

void TGLActor::SwitchToAnimation(const std::string& animationName, bool smooth)
{
    SwitchToAnimation(FAnimations->FindName(animationName), smooth);
}

void TGLActor::SwitchToAnimation(int32_t animationIndex, bool smooth)
{
    if (animationIndex >= 0 && animationIndex < FAnimations->Count())
        SwitchToAnimation(FAnimations->Items(animationIndex), smooth);
}

std::string TGLActor::CurrentAnimation() const
{
    const TGLActorAnimation* animation = FAnimations->FindFrame(FCurrentFrame, FReference);
    return animation ? animation->Name() : std::string();
}

void TGLActor::Synchronize(TGLActor* referenceActor)
{
    if (!referenceActor) return;
    if (referenceActor->FStartFrame < FrameCount()) FStartFrame = referenceActor->FStartFrame;
    if (referenceActor->FEndFrame < FrameCount()) FEndFrame = referenceActor->FEndFrame;
    FReference = referenceActor->FReference;
    if (referenceActor->FCurrentFrame < FrameCount()) FCurrentFrame = referenceActor->FCurrentFrame;
    FCurrentFrameDelta = referenceActor->FCurrentFrameDelta;
    FAnimationMode = referenceActor->FAnimationMode;
    FFrameInterpolation = referenceActor->FFrameInterpolation;
    const TGLActorAnimation* target = referenceActor->FTargetSmoothAnimation;
    FTargetSmoothAnimation = target ? FAnimations->FindName(target->Name()) : nullptr;
    if (Skeleton()->Frames()->Count() > 0 && referenceActor->Skeleton()->Frames()->Count() > 0)
        Skeleton()->Synchronize(referenceActor->Skeleton());
}

int32_t TGLActor::FrameSteps(float delta) const
{
    // From anywhere the range is entered within FrameCount + 1 steps; from there on every mode repeats with a
    // period that divides 2 x span x (span + 1) (loops span + 1, bounces 2 x span).
    const double span = std::max<double>(1, std::abs(double(FEndFrame) - FStartFrame));
    const double cycle = 2 * span * (span + 1);
    const double lead = double(FrameCount()) + 1;
    const double keep = lead + cycle * std::ceil(cExactFrameSteps / cycle);
    double steps = std::trunc(delta);
    if (steps > keep) steps = keep - cycle + std::fmod(steps - keep, cycle);
    return static_cast<int32_t>(std::min<double>(steps, INT32_MAX));
}

void TGLActor::DoProgress(const TProgressTimes& progressTime)
{
    TGLBaseMesh::DoProgress(progressTime);
    if (FAnimationMode == aamNone || FInterval <= 0 || FStartFrame == FEndFrame || FrameCount() < 2) return;
    const float delta = FCurrentFrameDelta + static_cast<float>(progressTime.deltaTime * 1000 / FInterval);
    // A clock that went wrong moves nothing.
    if (!std::isfinite(delta)) return;
    FCurrentFrameDelta = delta;
    if (FCurrentFrameDelta > 1) {
        if (FTargetSmoothAnimation) {
            SwitchToAnimation(FTargetSmoothAnimation);
            FTargetSmoothAnimation = nullptr;
        }
        const float fraction = FloatFraction(FCurrentFrameDelta);
        NextFrame(FrameSteps(FCurrentFrameDelta));
        FCurrentFrameDelta = fraction;
        StructureChanged();
    } else if (FFrameInterpolation != afpNone)
        StructureChanged();
}

void TGLActor::ApplyCurrentFrame()
{
    const int32_t next = NextFrameIndex();
    switch (FReference) {
    case aarMorph: {
        const int32_t count = MeshObjects()->MorphTargetCount();
        if (!IsFrame(FCurrentFrame, count) || !IsFrame(next, count)) break;
        if (FFrameInterpolation == afpLinear)
            MeshObjects()->Lerp(FCurrentFrame, next, FCurrentFrameDelta);
        else
            MeshObjects()->MorphTo(FCurrentFrame);
        break;
    }
    case aarSkeleton:
        ApplySkeletonFrame(next);
        break;
    case aarNone:
        break;
    }
}

void TGLActor::ApplySkeletonFrame(int32_t next)
{
    TGLSkeleton& skeleton = *Skeleton();
    const int32_t count = skeleton.Frames()->Count();
    if (count == 0) return;
    const bool external = FAnimationMode == aamExternal;
    const bool hasNext = IsFrame(next, count);
    if (IsFrame(FCurrentFrame, count) && !external) {
        if (!FControlers.empty()) {
            FLerpInfos.resize(FControlers.size() + 1);
            TBlendedLerpInfo& base = FLerpInfos[0];
            base = TBlendedLerpInfo{};
            base.frameIndex1 = FCurrentFrame;
            if (hasNext && FFrameInterpolation == afpLinear) {
                base.frameIndex2 = next;
                base.lerpFactor = FCurrentFrameDelta;
            } else
                base.frameIndex2 = FCurrentFrame;
            size_t layers = 1;
            for (TGLBaseAnimationControler* controler : FControlers) {
                TBlendedLerpInfo& layer = FLerpInfos[layers];
                layer = TBlendedLerpInfo{};
                // A layer on frames the skeleton does not have is left out like one that did not apply.
                if (controler->Apply(layer) && IsFrame(layer.frameIndex1, count) && IsFrame(layer.frameIndex2, count))
                    ++layers;
            }
            skeleton.BlendedLerps(std::span<const TBlendedLerpInfo>(FLerpInfos.data(), layers));
        } else if (hasNext) {
            if (FFrameInterpolation == afpLinear)
                skeleton.Lerp(FCurrentFrame, next, FCurrentFrameDelta);
            else
                skeleton.MorphTo(FCurrentFrame);
        }
    }
    skeleton.MorphMesh(FOptions.Contains(aoSkeletonNormalizeNormals));
}

void TGLActor::BuildList(TGLRenderContextInfo& rci)
{
    ApplyCurrentFrame();
    TGLBaseMesh::BuildList(rci);
    if (!OverlaySkeleton()) return;
    TGLStateCache& states = *rci.GLStates;
    // The bones show through the mesh; what is drawn after them is depth tested as before.
    const bool depthTest = states.States().Contains(stDepthTest);
    states.Disable(stDepthTest);
    Skeleton()->RootBones()->BuildList(rci);
    if (depthTest) states.Enable(stDepthTest);
}

void TGLActor::PrepareMesh()
{
    FStartFrame = 0;
    FEndFrame = FrameCount() - 1;
    FCurrentFrame = 0;
    if (OnFrameChanged) OnFrameChanged(this);
    TGLBaseMesh::PrepareMesh();
}

void TGLActor::LoadFromStream(const std::string& fileName, TStream& aStream)
{
    if (fileName.empty()) return TGLBaseMesh::LoadFromStream(fileName, aStream);
    // The animations were made for the mesh there was: they go once another is in, and stay when it fails.
    std::unique_ptr<TGLActorAnimations> previous =
        std::exchange(FAnimations, std::make_unique<TGLActorAnimations>(this));
    try {
        TGLBaseMesh::LoadFromStream(fileName, aStream);
    } catch (...) {
        FAnimations = std::move(previous);
        throw;
    }
}
