#include "GLAnimatedSprite.h"

#include "GLMaterial.h"
#include "GLObjects.h"
#include "GLPipelineTransformation.h"
#include "GLState.h"
#include "GLTexture.h"
#include "GLVectorGeometry.h"
#include "Streams.h"
#include "SysUtils.h"
#include "VAVodad_streaming.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const char* const cUnit = "VAVodad\\Source\\GLAnimatedSprite";

constexpr int32_t cAnimationArchiveVersion = 2;

inline constexpr TEnumNames<6> cAnimationModeNames{"samNone",          "samPlayOnce",       "samLoop",
                                                   "samBounceForward", "samBounceBackward", "samLoopBackward"};

// Frames a second to milliseconds a frame, rounded halves to even (16 fps gives 62); 0 for no positive rate.
// A rate so low that the interval leaves the Integer range gives the largest interval.
int32_t FrameRateToInterval(float frameRate)
{
    if (!(frameRate > 0)) return 0;
    const double interval = 1000.0 / frameRate;
    if (interval >= std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(Round(interval));
}

float IntervalToFrameRate(int32_t interval)
{
    return interval > 0 ? 1000.0f / static_cast<float>(interval) : 0.0f;
}

// A frame number computed in 64 bits, held in the Integer range.
int32_t ClampFrame(int64_t frame)
{
    return static_cast<int32_t>(
        std::clamp<int64_t>(frame, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// The most steps one progress makes: two passes through the frames, within 2 .. 4096.
constexpr int64_t cMaxCatchUpSteps = 4096;

} // namespace

// ---------------------------------------------------------------------------------------------------------
// TSpriteAnimFrame

TSpriteAnimFrame::TSpriteAnimFrame(TGLXCollection* aOwner)
    : TGLXCollectionItem(aOwner, XCollectionItemClassOf<TSpriteAnimFrame>())
{
}

void TSpriteAnimFrame::Change(int32_t& field, int32_t Value)
{
    if (field == Value) return;
    field = Value;
    // frame -> frame list -> animation
    if (Owner())
        if (auto* animation = dynamic_cast<TSpriteAnimation*>(Owner()->Owner())) animation->NotifyAnimationOwner();
}

void TSpriteAnimFrame::SetOffsetX(int32_t Value)
{
    Change(FOffsetX, Value);
}

void TSpriteAnimFrame::SetOffsetY(int32_t Value)
{
    Change(FOffsetY, Value);
}

void TSpriteAnimFrame::SetWidth(int32_t Value)
{
    Change(FWidth, Value);
}

void TSpriteAnimFrame::SetHeight(int32_t Value)
{
    Change(FHeight, Value);
}

void TSpriteAnimFrame::WriteToFiler(TWriter& writer)
{
    TGLXCollectionItem::WriteToFiler(writer);
    writer.WriteInteger(0); // frame data version
    for (const int32_t value : {FOffsetX, FOffsetY, FWidth, FHeight}) writer.WriteInteger(value);
}

void TSpriteAnimFrame::ReadFromFiler(TReader& reader)
{
    TGLXCollectionItem::ReadFromFiler(reader);
    Assert(reader.ReadInteger() == 0, "", cUnit);
    for (int32_t* field : {&FOffsetX, &FOffsetY, &FWidth, &FHeight}) *field = reader.ReadInteger();
}

// ---------------------------------------------------------------------------------------------------------
// TSpriteAnimMargins

TPersistent* TSpriteAnimMargins::GetOwner() const
{
    return FOwner;
}

void TSpriteAnimMargins::Change(int32_t& field, int32_t Value)
{
    if (field == Value) return;
    field = Value;
    if (FOwner) FOwner->NotifyAnimationOwner();
}

void TSpriteAnimMargins::SetLeft(int32_t Value)
{
    Change(FLeft, Value);
}

void TSpriteAnimMargins::SetTop(int32_t Value)
{
    Change(FTop, Value);
}

void TSpriteAnimMargins::SetRight(int32_t Value)
{
    Change(FRight, Value);
}

void TSpriteAnimMargins::SetBottom(int32_t Value)
{
    Change(FBottom, Value);
}

// ---------------------------------------------------------------------------------------------------------
// TSpriteAnimation

TSpriteAnimation::TSpriteAnimation(TGLXCollection* aOwner)
    : TGLXCollectionItem(aOwner, XCollectionItemClassOf<TSpriteAnimation>()),
      FFrames(std::make_unique<TSpriteAnimFrameList>(this)),
      FMargins(std::make_unique<TSpriteAnimMargins>(this))
{
}

TSpriteAnimation::~TSpriteAnimation() = default;

template <class T> void TSpriteAnimation::Change(T& field, T Value)
{
    if (field == Value) return;
    field = Value;
    NotifyAnimationOwner();
}

void TSpriteAnimation::NotifyAnimationOwner()
{
    if (Owner())
        if (auto* object = dynamic_cast<TGLBaseSceneObject*>(Owner()->Owner())) object->NotifyChange(this);
}

TGLMaterialLibrary* TSpriteAnimation::GetMaterialLibrary() const
{
    auto* sprite = Owner() ? dynamic_cast<TGLAnimatedSprite*>(Owner()->Owner()) : nullptr;
    return sprite ? sprite->MaterialLibrary() : nullptr;
}

TGLLibMaterial* TSpriteAnimation::LibMaterialCached()
{
    TGLMaterialLibrary* library = GetMaterialLibrary();
    if (!library || FLibMaterialName.empty()) return nullptr;
    // The library may have freed or renamed the material since: the cache counts only while the library
    // still holds it under this name (looked for among its items before it is touched).
    if (FLibMaterialCached &&
        (library->Materials()->IndexOf(FLibMaterialCached) < 0 || FLibMaterialCached->Name() != FLibMaterialName))
        FLibMaterialCached = nullptr;
    if (!FLibMaterialCached) FLibMaterialCached = library->LibMaterialByName(FLibMaterialName);
    return FLibMaterialCached;
}

void TSpriteAnimation::SetCurrentFrame(int32_t Value)
{
    Change(FCurrentFrame, std::max(Value, -1));
}

void TSpriteAnimation::SetFrameWidth(int32_t Value)
{
    Change(FFrameWidth, Value);
}

void TSpriteAnimation::SetFrameHeight(int32_t Value)
{
    Change(FFrameHeight, Value);
}

void TSpriteAnimation::SetInterval(int32_t Value)
{
    Change(FInterval, Value);
}

float TSpriteAnimation::FrameRate() const
{
    return IntervalToFrameRate(FInterval);
}

void TSpriteAnimation::SetFrameRate(float Value)
{
    SetInterval(FrameRateToInterval(Value));
}

void TSpriteAnimation::SetDimensions(TSpriteFrameDimensions Value)
{
    Change(FDimensions, Value);
}

void TSpriteAnimation::SetLibMaterialName(const std::string& Value)
{
    if (FLibMaterialName == Value) return;
    FLibMaterialName = Value;
    FLibMaterialCached = nullptr;
}

void TSpriteAnimation::WriteToFiler(TWriter& writer)
{
    TGLXCollectionItem::WriteToFiler(writer);
    writer.WriteInteger(cAnimationArchiveVersion);
    FFrames->WriteToFiler(writer);
    writer.WriteString(FLibMaterialName);
    for (const int32_t value : {FCurrentFrame, FStartFrame, FEndFrame, FFrameWidth, FFrameHeight,
                                static_cast<int32_t>(FDimensions), FInterval, FMargins->FLeft, FMargins->FTop,
                                FMargins->FRight, FMargins->FBottom})
        writer.WriteInteger(value);
}

void TSpriteAnimation::ReadFromFiler(TReader& reader)
{
    TGLXCollectionItem::ReadFromFiler(reader);
    const int32_t version = reader.ReadInteger();
    Assert(version >= 0 && version <= cAnimationArchiveVersion, "", cUnit);
    FFrames->ReadFromFiler(reader);
    SetLibMaterialName(reader.ReadString());
    FCurrentFrame = std::max(reader.ReadInteger(), -1);
    for (int32_t* field : {&FStartFrame, &FEndFrame, &FFrameWidth, &FFrameHeight}) *field = reader.ReadInteger();
    // Only the two known values: anything else stands for the grid.
    FDimensions = reader.ReadInteger() == sfdManual ? sfdManual : sfdAuto;
    if (version >= 1) FInterval = reader.ReadInteger();
    if (version >= 2)
        for (int32_t* field : {&FMargins->FLeft, &FMargins->FTop, &FMargins->FRight, &FMargins->FBottom})
            *field = reader.ReadInteger();
}

// ---------------------------------------------------------------------------------------------------------
// TGLAnimatedSprite

TGLAnimatedSprite::TGLAnimatedSprite(TComponent* AOwner)
    : TGLBaseSceneObject(AOwner), FAnimations(std::make_unique<TSpriteAnimationList>(this))
{
    SetObjectStyle(TGLObjectStyles{osDirectDraw});
}

TGLAnimatedSprite::~TGLAnimatedSprite() = default;

template <class T> void TGLAnimatedSprite::Change(T& field, T Value)
{
    if (field == Value) return;
    field = Value;
    NotifyChange(this);
}

TSpriteAnimation* TGLAnimatedSprite::CurrentAnimation() const
{
    return FAnimationIndex >= 0 && FAnimationIndex < FAnimations->Count() ? FAnimations->Items(FAnimationIndex)
                                                                          : nullptr;
}

void TGLAnimatedSprite::ForgetCachedMaterials()
{
    for (int i = 0; i < FAnimations->Count(); ++i) FAnimations->Items(i)->FLibMaterialCached = nullptr;
}

void TGLAnimatedSprite::SetMaterialLibrary(TGLMaterialLibrary* Value)
{
    if (FMaterialLibrary == Value) return;
    if (FMaterialLibrary) FMaterialLibrary->RemoveFreeNotification(this);
    FMaterialLibrary = Value;
    if (FMaterialLibrary) FMaterialLibrary->FreeNotification(this);
    ForgetCachedMaterials();
    NotifyChange(this);
}

void TGLAnimatedSprite::Notification(TComponent* AComponent, TOperation Operation)
{
    // The dying library is forgotten without touching its notification list, which it is walking.
    if (Operation == opRemove && AComponent == FMaterialLibrary) {
        FMaterialLibrary = nullptr;
        ForgetCachedMaterials();
    }
    TGLBaseSceneObject::Notification(AComponent, Operation);
}

void TGLAnimatedSprite::SetAnimationIndex(int32_t Value)
{
    if (Value == FAnimationIndex) return;
    FAnimationIndex = std::max(Value, -1);
    if (TSpriteAnimation* animation = CurrentAnimation()) {
        const bool backward = FAnimationMode == samBounceBackward || FAnimationMode == samLoopBackward;
        animation->SetCurrentFrame(backward ? animation->EndFrame() : animation->StartFrame());
    }
    NotifyChange(this);
}

void TGLAnimatedSprite::SetInterval(int32_t Value)
{
    Change(FInterval, Value);
}

float TGLAnimatedSprite::FrameRate() const
{
    return IntervalToFrameRate(FInterval);
}

void TGLAnimatedSprite::SetFrameRate(float Value)
{
    SetInterval(FrameRateToInterval(Value));
}

void TGLAnimatedSprite::SetRotation(int32_t Value)
{
    Change(FRotation, Value);
}

void TGLAnimatedSprite::SetPixelRatio(int32_t Value)
{
    if (Value > 0) Change(FPixelRatio, Value);
}

void TGLAnimatedSprite::SetMirrorU(bool Value)
{
    Change(FMirrorU, Value);
}

void TGLAnimatedSprite::SetMirrorV(bool Value)
{
    Change(FMirrorV, Value);
}

void TGLAnimatedSprite::SetAnimationMode(TSpriteAnimationMode Value)
{
    Change(FAnimationMode, Value);
}

void TGLAnimatedSprite::DefineProperties(TFiler& Filer)
{
    TGLBaseSceneObject::DefineProperties(Filer);
    // The index before the animations: set while none is there yet, it leaves their stored frames alone.
    DefineIntegerProperty(Filer, "AnimationIndex", FAnimationIndex, -1, [this](int32_t v) { SetAnimationIndex(v); });
    DefineIntegerProperty(Filer, "Interval", FInterval, 100, [this](int32_t v) { SetInterval(v); });
    DefineEnumProperty<TSpriteAnimationMode>(Filer, "AnimationMode", cAnimationModeNames, FAnimationMode, samNone,
                                             [this](TSpriteAnimationMode v) { SetAnimationMode(v); });
    DefineIntegerProperty(Filer, "Rotation", FRotation, 0, [this](int32_t v) { SetRotation(v); });
    DefineIntegerProperty(Filer, "PixelRatio", FPixelRatio, 100, [this](int32_t v) { SetPixelRatio(v); });
    DefineBooleanProperty(Filer, "MirrorU", FMirrorU, false, [this](bool v) { SetMirrorU(v); });
    DefineBooleanProperty(Filer, "MirrorV", FMirrorV, false, [this](bool v) { SetMirrorV(v); });
    Filer.DefineBinaryProperty(
        "SpriteAnimations",
        [this](TStream& stream) {
            TReader reader(stream);
            FAnimations->ReadFromFiler(reader);
        },
        [this](TStream& stream) {
            TWriter writer(stream);
            FAnimations->WriteToFiler(writer);
        },
        FAnimations->Count() > 0);
    DefineReferenceProperty(Filer, "MaterialLibrary", FMaterialLibrary, FMaterialLibraryName);
}

void TGLAnimatedSprite::Loaded()
{
    TGLBaseSceneObject::Loaded();
    ResolveReference<TGLMaterialLibrary>(this, FMaterialLibraryName, [this](auto* it) { SetMaterialLibrary(it); });
}

void TGLAnimatedSprite::DoProgress(const TProgressTimes& progressTime)
{
    TGLBaseSceneObject::DoProgress(progressTime);
    TSpriteAnimation* animation = CurrentAnimation();
    if (!animation || FAnimationMode == samNone) return;
    const int32_t interval = animation->Interval() != 0 ? animation->Interval() : FInterval;
    if (interval <= 0) return;
    FCurrentFrameDelta += progressTime.deltaTime * 1000 / interval;
    if (std::isnan(FCurrentFrameDelta)) FCurrentFrameDelta = 0;
    if (FCurrentFrameDelta < 1) return;
    const double whole = std::floor(FCurrentFrameDelta);
    FCurrentFrameDelta = std::isfinite(whole) ? FCurrentFrameDelta - whole : 0;
    const int64_t frames = animation->Dimensions() == sfdManual
                               ? animation->Frames()->Count()
                               : int64_t{animation->EndFrame()} - animation->StartFrame() + 1;
    const int64_t maxSteps = std::clamp<int64_t>(2 * frames, 2, cMaxCatchUpSteps);
    const int64_t steps = whole < static_cast<double>(maxSteps) ? static_cast<int64_t>(whole) : maxSteps;
    for (int64_t i = 0; i < steps; ++i) NextFrame();
}

void TGLAnimatedSprite::NextFrame()
{
    TSpriteAnimation* animation = CurrentAnimation();
    if (!animation) return;
    int64_t f = animation->CurrentFrame();
    const bool manual = animation->Dimensions() == sfdManual;
    const int64_t first = manual ? 0 : animation->StartFrame();
    const int64_t last = manual ? int64_t{animation->Frames()->Count()} - 1 : animation->EndFrame();
    switch (FAnimationMode) {
    case samPlayOnce:
    case samLoop:
    case samBounceForward:
        if (f == last && OnEndFrameReached) OnEndFrameReached(this);
        ++f;
        break;
    case samBounceBackward:
    case samLoopBackward:
        if (f == first && OnStartFrameReached) OnStartFrameReached(this);
        --f;
        break;
    case samNone:
        break;
    }
    if (FAnimationMode != samNone && OnFrameChanged) OnFrameChanged(this);
    switch (FAnimationMode) {
    case samPlayOnce:
        if (f > last) SetAnimationMode(samNone);
        break;
    case samLoop:
        if (f > last) f = first;
        break;
    case samBounceForward:
        if (f == last) SetAnimationMode(samBounceBackward);
        break;
    case samBounceBackward:
        if (f == first) SetAnimationMode(samBounceForward);
        break;
    case samLoopBackward:
        if (f < first) f = last;
        break;
    case samNone:
        break;
    }
    animation->SetCurrentFrame(ClampFrame(f));
}

void TGLAnimatedSprite::BuildList(TGLRenderContextInfo& rci)
{
    TSpriteAnimation* animation = CurrentAnimation();
    if (!animation || animation->CurrentFrame() < 0) return;
    const int32_t current = animation->CurrentFrame();
    const bool manual = animation->Dimensions() == sfdManual;
    TSpriteAnimFrameList& frames = *animation->Frames();
    const TSpriteAnimFrame* frame = manual && current < frames.Count() ? frames.Items(current) : nullptr;
    if (manual ? !frame : current < animation->StartFrame() || current > animation->EndFrame()) return;

    TGLLibMaterial* libMaterial = animation->LibMaterialCached();
    float halfWidth = 0.5f, halfHeight = 0.5f;
    float s0 = 0, s1 = 0, t0 = 0, t1 = 0;
    TGLMaterial* material = libMaterial ? libMaterial->Material() : nullptr;
    const TGLTextureImage* image = material && material->HasTexture() ? material->Texture()->Image() : nullptr;
    const int64_t tw = image ? image->Width() : 0;
    const int64_t th = image ? image->Height() : 0;
    // The frame's pixel rectangle, in 64 bits so that no offset or margin overflows.
    int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    if (frame) {
        x0 = frame->OffsetX();
        y0 = frame->OffsetY();
        x1 = x0 + frame->Width() - 1;
        y1 = y0 + frame->Height() - 1;
    } else {
        const int64_t fw = animation->FrameWidth(), fh = animation->FrameHeight();
        // A frame wider than the sheet leaves no column: no usable rectangle (and no division by zero).
        const int64_t cols = tw > 0 && th > 0 && fw > 0 && fh > 0 ? tw / fw : 0;
        if (cols > 0) {
            x0 = (current % cols) * fw;
            y0 = (current / cols) * fh;
            x1 = x0 + fw - 1;
            y1 = y0 + fh - 1;
            const TSpriteAnimMargins& margins = *animation->Margins();
            x0 += margins.Left();
            y0 += margins.Top();
            x1 -= margins.Right();
            y1 -= margins.Bottom();
        }
    }
    if (tw > 0 && th > 0 && x0 != x1 && y0 != y1) {
        s0 = static_cast<float>(static_cast<double>(x0) / tw);
        s1 = static_cast<float>(static_cast<double>(x1) / tw);
        t0 = static_cast<float>(1 - static_cast<double>(y1) / th);
        t1 = static_cast<float>(1 - static_cast<double>(y0) / th);
        halfWidth = static_cast<float>(static_cast<double>(x1 - x0) / 2 / FPixelRatio);
        halfHeight = static_cast<float>(static_cast<double>(y1 - y0) / 2 / FPixelRatio);
    }

    // The screen's right and up axes in object space: the first two columns of the model-view matrix (the
    // matrix OpenGL holds), each scaled by its own length.
    const TMatrix4f m = rci.PipelineTransformation->ModelViewMatrix();
    TVector3f vx{{{m.V[0].X, m.V[1].X, m.V[2].X}}};
    TVector3f vy{{{m.V[0].Y, m.V[1].Y, m.V[2].Y}}};
    AffineScale(vx, static_cast<float>(AffineLength(vx)) * halfWidth, vx);
    AffineScale(vy, static_cast<float>(AffineLength(vy)) * halfHeight, vy);
    if (FMirrorU) std::swap(s0, s1);
    if (FMirrorV) std::swap(t0, t1);

    if (libMaterial) libMaterial->Apply(rci);
    rci.GLStates->Disable(stLighting);
    FacingQuadBuildList(vx, vy, s0, s1, t0, t1, static_cast<float>(FRotation),
                        TVector3f{{{m.V[0].Z, m.V[1].Z, m.V[2].Z}}});
    if (libMaterial) libMaterial->UnApply(rci);
}

// ---------------------------------------------------------------------------------------------------------

void RegisterGLAnimatedSpriteClasses()
{
    RegisterClasses<TGLAnimatedSprite, TSpriteAnimFrame, TSpriteAnimFrameList, TSpriteAnimation,
                    TSpriteAnimationList>();
    AddXCollectionItemClass<TSpriteAnimFrame>();
    AddXCollectionItemClass<TSpriteAnimation>();
}
