// A camera-facing quad that steps through the frames of a sprite sheet: each animation names a library
// material whose texture is the sheet, and cuts it into a grid of frames or lists frame rectangles. The
// cadencer's progress advances the current frame at the animation's interval, as the sprite's mode says.
#pragma once

#include "GLXCollection.h"
#include "VAVodad.h"

#include <cstdint>
#include <memory>
#include <string>

class TGLLibMaterial;
class TGLMaterialLibrary;
class TSpriteAnimation;

// A collection whose items are all of class TItem or a descendant: other classes are refused, so the items
// may be taken as TItem.
template <class TItem> class TSpriteItemList : public TGLXCollection {
public:
    explicit TSpriteItemList(TPersistent* aOwner = nullptr) : TGLXCollection(aOwner) {}
    const TGLXCollectionItemClass& ItemsClass() const override { return XCollectionItemClassOf<TItem>(); }
    bool CanAdd(const TGLXCollectionItemClass& aClass) const override
    {
        return aClass.InheritsFrom(ItemsClass()) && TGLXCollection::CanAdd(aClass);
    }
    TItem* Items(int Index) const { return static_cast<TItem*>(TGLXCollection::Items(Index)); }
};

// One frame rectangle of a sheet, in pixels from the top left.
class TSpriteAnimFrame : public TGLXCollectionItem {
public:
    explicit TSpriteAnimFrame(TGLXCollection* aOwner = nullptr);

    static std::string FriendlyName() { return "Frame"; }
    static std::string FriendlyDescription() { return "Sprite Animation Frame"; }
    // After the item's own data: the frame data version (0), OffsetX, OffsetY, Width, Height.
    void WriteToFiler(TWriter& writer) override;
    void ReadFromFiler(TReader& reader) override;

    int32_t OffsetX() const { return FOffsetX; }
    void SetOffsetX(int32_t Value);
    int32_t OffsetY() const { return FOffsetY; }
    void SetOffsetY(int32_t Value);
    int32_t Width() const { return FWidth; }
    void SetWidth(int32_t Value);
    int32_t Height() const { return FHeight; }
    void SetHeight(int32_t Value);

private:
    void Change(int32_t& field, int32_t Value);

    int32_t FOffsetX = 0;
    int32_t FOffsetY = 0;
    int32_t FWidth = 0;
    int32_t FHeight = 0;
};

class TSpriteAnimFrameList : public TSpriteItemList<TSpriteAnimFrame> {
public:
    using TSpriteItemList::TSpriteItemList;
};

// Pixels trimmed from each side of every grid frame.
class TSpriteAnimMargins : public TPersistent {
public:
    explicit TSpriteAnimMargins(TSpriteAnimation* aOwner = nullptr) : FOwner(aOwner) {}
    TPersistent* GetOwner() const override;

    int32_t Left() const { return FLeft; }
    void SetLeft(int32_t Value);
    int32_t Top() const { return FTop; }
    void SetTop(int32_t Value);
    int32_t Right() const { return FRight; }
    void SetRight(int32_t Value);
    int32_t Bottom() const { return FBottom; }
    void SetBottom(int32_t Value);

private:
    friend class TSpriteAnimation; // reads them from its stream
    void Change(int32_t& field, int32_t Value);

    TSpriteAnimation* FOwner;
    int32_t FLeft = 0;
    int32_t FTop = 0;
    int32_t FRight = 0;
    int32_t FBottom = 0;
};

// sfdAuto: the sheet is a grid of FrameWidth x FrameHeight cells, frames StartFrame to EndFrame; sfdManual:
// the frames are the Frames list.
enum TSpriteFrameDimensions { sfdAuto, sfdManual };

class TSpriteAnimation : public TGLXCollectionItem {
public:
    explicit TSpriteAnimation(TGLXCollection* aOwner = nullptr);
    ~TSpriteAnimation() override;

    static std::string FriendlyName() { return "Animation"; }
    static std::string FriendlyDescription() { return "Sprite Animation"; }
    // After the item's own data: version 2, the Frames collection, LibMaterialName, CurrentFrame, StartFrame,
    // EndFrame, FrameWidth, FrameHeight, Dimensions, Interval, the margins Left, Top, Right, Bottom. Versions
    // 0 (no Interval, no margins) and 1 (no margins) are read too.
    void WriteToFiler(TWriter& writer) override;
    void ReadFromFiler(TReader& reader) override;

    // The owning sprite's library; nullptr outside a sprite.
    TGLMaterialLibrary* GetMaterialLibrary() const;
    // The library material named LibMaterialName, found on first use and kept while the library holds it
    // under that name; nullptr without a name, a library or such a material.
    TGLLibMaterial* LibMaterialCached();
    // Tells the owning sprite of a change.
    void NotifyAnimationOwner();

    // -1 or more: negative values become -1.
    int32_t CurrentFrame() const { return FCurrentFrame; }
    void SetCurrentFrame(int32_t Value);
    // Set without notification.
    int32_t StartFrame() const { return FStartFrame; }
    void SetStartFrame(int32_t Value) { FStartFrame = Value; }
    int32_t EndFrame() const { return FEndFrame; }
    void SetEndFrame(int32_t Value) { FEndFrame = Value; }
    int32_t FrameWidth() const { return FFrameWidth; }
    void SetFrameWidth(int32_t Value);
    int32_t FrameHeight() const { return FFrameHeight; }
    void SetFrameHeight(int32_t Value);
    // Milliseconds a frame; 0: the sprite's Interval.
    int32_t Interval() const { return FInterval; }
    void SetInterval(int32_t Value);
    // Frames a second: the setter gives Interval 1000 / Value rounded (halves to even), or 0 for Value <= 0.
    float FrameRate() const;
    void SetFrameRate(float Value);
    TSpriteFrameDimensions Dimensions() const { return FDimensions; }
    void SetDimensions(TSpriteFrameDimensions Value);
    const std::string& LibMaterialName() const { return FLibMaterialName; }
    void SetLibMaterialName(const std::string& Value);
    TSpriteAnimFrameList* Frames() const { return FFrames.get(); }
    TSpriteAnimMargins* Margins() const { return FMargins.get(); }

private:
    friend class TGLAnimatedSprite; // forgets the cached material with the library
    template <class T> void Change(T& field, T Value);

    int32_t FCurrentFrame = 0;
    int32_t FStartFrame = 0;
    int32_t FEndFrame = 0;
    int32_t FFrameWidth = 0;
    int32_t FFrameHeight = 0;
    int32_t FInterval = 0;
    std::unique_ptr<TSpriteAnimFrameList> FFrames;
    std::string FLibMaterialName;
    TGLLibMaterial* FLibMaterialCached = nullptr;
    TSpriteFrameDimensions FDimensions = sfdAuto;
    std::unique_ptr<TSpriteAnimMargins> FMargins;
};

class TSpriteAnimationList : public TSpriteItemList<TSpriteAnimation> {
public:
    using TSpriteItemList::TSpriteItemList;
};

enum TSpriteAnimationMode {
    samNone,
    samPlayOnce,
    samLoop,
    samBounceForward,
    samBounceBackward,
    samLoopBackward
};

class TGLAnimatedSprite : public TGLBaseSceneObject {
public:
    explicit TGLAnimatedSprite(TComponent* AOwner);
    ~TGLAnimatedSprite() override;

    // Interval, AnimationIndex, AnimationMode, Rotation, PixelRatio, the mirror flags, and the animations
    // as "SpriteAnimations" (their "XCOL" stream) when there is at least one.
    void DefineProperties(TFiler& Filer) override;
    // Finds the components named in the stream.
    void Loaded() override;
    // The dying material library is forgotten, with every animation's cached material.
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // The children and behaviours first; then, with an animation and a mode, the frames that the time
    // covers at the animation's interval (or the sprite's). A long pause replays at most two passes through
    // the frames, so a huge step cannot stall the program.
    void DoProgress(const TProgressTimes& progressTime) override;
    // The current frame as a quad facing the viewer, PixelRatio sheet pixels a unit; without a material or
    // a usable frame rectangle a 1 x 1 quad with texture coordinates 0. Nothing without a current frame.
    void BuildList(TGLRenderContextInfo& rci) override;
    // One step of the current animation in the sprite's mode, with its events.
    void NextFrame();

    TSpriteAnimationList* Animations() const { return FAnimations.get(); }
    TGLMaterialLibrary* MaterialLibrary() const { return FMaterialLibrary; }
    void SetMaterialLibrary(TGLMaterialLibrary* Value);
    // -1 (none) or more. Naming an animation rewinds it: to StartFrame, or EndFrame in the backward modes.
    int32_t AnimationIndex() const { return FAnimationIndex; }
    void SetAnimationIndex(int32_t Value);
    int32_t Interval() const { return FInterval; }
    void SetInterval(int32_t Value);
    float FrameRate() const;
    void SetFrameRate(float Value);
    // Degrees about the viewing axis.
    int32_t Rotation() const { return FRotation; }
    void SetRotation(int32_t Value);
    // Sheet pixels a scene unit; values below 1 are ignored.
    int32_t PixelRatio() const { return FPixelRatio; }
    void SetPixelRatio(int32_t Value);
    bool MirrorU() const { return FMirrorU; }
    void SetMirrorU(bool Value);
    bool MirrorV() const { return FMirrorV; }
    void SetMirrorV(bool Value);
    TSpriteAnimationMode AnimationMode() const { return FAnimationMode; }
    void SetAnimationMode(TSpriteAnimationMode Value);
    // The fraction of a frame progress has gathered.
    double CurrentFrameDelta() const { return FCurrentFrameDelta; }

    TNotifyEvent OnFrameChanged;
    TNotifyEvent OnEndFrameReached;
    TNotifyEvent OnStartFrameReached;

private:
    // The animation AnimationIndex names, or nullptr.
    TSpriteAnimation* CurrentAnimation() const;
    void ForgetCachedMaterials();
    template <class T> void Change(T& field, T Value);

    std::unique_ptr<TSpriteAnimationList> FAnimations;
    TGLMaterialLibrary* FMaterialLibrary = nullptr;
    std::string FMaterialLibraryName; // read from a stream, until Loaded
    int32_t FAnimationIndex = -1;
    int32_t FInterval = 100;
    int32_t FRotation = 0;
    int32_t FPixelRatio = 100;
    bool FMirrorU = false;
    bool FMirrorV = false;
    TSpriteAnimationMode FAnimationMode = samNone;
    double FCurrentFrameDelta = 0;
};

// Registers the module's streamable classes and its collection item classes (start-up).
void RegisterGLAnimatedSpriteClasses();
