// Stencil shadow volumes: a grouping object whose children are the scene it shadows. It renders them, then
// darkens (or relights) the parts that the listed occluders hide from the listed lights, with volumes
// extruded to infinity from the occluders' silhouettes and counted in the stencil buffer. Silhouettes are
// kept per light and occluder until the light moves relative to the occluder.
#pragma once

#include "VAVodad.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TGLSilhouette;
class TGLShadowVolume;
class TGLShadowVolumeCasters;

inline constexpr const char* cGLShadowVolumeUnit = "VAVodad\\Source\\GLShadowVolume";

enum TGLShadowVolumeCapping { svcDefault, svcAlways, svcNever };
// Which visibility flags let an occluder cast: none, its own, its own and its ancestors' up to the volume,
// its parent's, or its parent's and the parent's ancestors'.
enum TGLShadowCastingMode { scmAlways, scmVisible, scmRecursivelyVisible, scmParentVisible, scmParentRecursivelyVisible };
enum TGLShadowVolumeOption { svoShowVolumes, svoCacheSilhouettes, svoScissorClips, svoWorldScissorClip, svoDesignVisible };
using TGLShadowVolumeOptions = TSet<TGLShadowVolumeOption, uint8_t>;
// Accurate: the shadowed lights light only what they reach. Darkening: the lit scene, darkened in the shadows.
enum TGLShadowVolumeMode { svmAccurate, svmDarkening, svmOff };

// A light or an occluder of a shadow volume: a scene object the volume does not own and forgets when it dies.
class TGLShadowVolumeCaster : public TPersistent {
public:
    explicit TGLShadowVolumeCaster(TGLShadowVolumeCasters* Collection);
    // Stops the volume's free notification of the caster unless another item still names it.
    ~TGLShadowVolumeCaster() override;

    // A caster item: its caster (registered like any set caster), EffectiveRadius and Capping (not
    // CastingMode). Anything else raises EConvertError.
    void Assign(TPersistent* Source) override;
    TPersistent* GetOwner() const override;
    // The caster by its name ("LightSource" for a light, "Caster" otherwise), EffectiveRadius, Capping and
    // CastingMode.
    void DefineProperties(TFiler& Filer) override;
    // Takes the caster named in the stream, once the whole stream is in.
    void ResolveCaster();
    // "[Light] name" or "[Object] name", then " (radius)" with one decimal when the radius is above 0; "nil"
    // without a caster.
    std::string GetDisplayName() const;

    TGLBaseSceneObject* Caster() const { return FCaster; }
    void SetCaster(TGLBaseSceneObject* Value);
    // Beyond this distance from the camera (when above 0) an occluder casts nothing; for a light, the size of
    // its scissor box.
    float EffectiveRadius() const { return FEffectiveRadius; }
    void SetEffectiveRadius(float Value) { FEffectiveRadius = Value; }
    TGLShadowVolumeCapping Capping() const { return FCapping; }
    void SetCapping(TGLShadowVolumeCapping Value) { FCapping = Value; }
    TGLShadowCastingMode CastingMode() const { return FCastingMode; }
    void SetCastingMode(TGLShadowCastingMode Value) { FCastingMode = Value; }
    TGLShadowVolume* GLShadowVolume() const;
    TGLShadowVolumeCasters* Collection() const { return FCollection; }

    // The caster is dying: forgotten without touching its notification list, then the item frees itself.
    void RemoveNotification(TComponent* AComponent);

private:
    TGLShadowVolumeCasters* FCollection;
    TGLBaseSceneObject* FCaster = nullptr;
    std::string FCasterName; // read from a stream, until ResolveCaster
    float FEffectiveRadius = 0;
    TGLShadowVolumeCapping FCapping = svcDefault;
    TGLShadowCastingMode FCastingMode = scmRecursivelyVisible;
};

class TGLShadowVolumeOccluder : public TGLShadowVolumeCaster {
public:
    using TGLShadowVolumeCaster::TGLShadowVolumeCaster;
};

// A light with the cache of silhouettes seen from it, one (or none) per occluder index.
class TGLShadowVolumeLight : public TGLShadowVolumeCaster {
public:
    explicit TGLShadowVolumeLight(TGLShadowVolumeCasters* Collection);
    ~TGLShadowVolumeLight() override;

    TGLLightSource* LightSource() const;
    void SetLightSource(TGLLightSource* Value) { SetCaster(Value); }

    void FlushSilhouetteCache();
    // Nil beyond the cache.
    TGLSilhouette* GetCachedSilhouette(int32_t AIndex) const;
    // Takes the silhouette (nil empties the slot); a different one in the slot is freed.
    void StoreCachedSilhouette(int32_t AIndex, TGLSilhouette* ASilhouette);
    int32_t CachedSilhouetteCount() const { return static_cast<int32_t>(FSilhouettes.size()); }

    // Sets the scissor box to the light's reach (EffectiveRadius around an attenuated light) within
    // worldAABB; false when there is no such box, the camera is inside it or it lies off the viewport.
    bool ApplyScissorRect(const TAABB* worldAABB, TGLRenderContextInfo& rci);

private:
    std::vector<std::unique_ptr<TGLSilhouette>> FSilhouettes;
};

// The lights or the occluders of a shadow volume; the items are owned.
class TGLShadowVolumeCasters : public TPersistent {
public:
    using TItemClass = TGLShadowVolumeCaster* (*)(TGLShadowVolumeCasters* Collection);

    TGLShadowVolumeCasters(TGLShadowVolume* AOwner, TItemClass AItemClass);
    ~TGLShadowVolumeCasters() override;
    TGLShadowVolumeCasters(const TGLShadowVolumeCasters&) = delete;
    TGLShadowVolumeCasters& operator=(const TGLShadowVolumeCasters&) = delete;

    // Copies of another collection's items.
    void Assign(TPersistent* Source) override;
    TPersistent* GetOwner() const override;
    TGLShadowVolume* Volume() const { return FOwner; }
    TItemClass ItemClass() const { return FItemClass; }

    int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
    // Raises EListError for an index out of range.
    TGLShadowVolumeCaster* GetItems(int32_t Index) const;
    TGLShadowVolumeCaster* Add();
    void Delete(int32_t Index);
    void Clear();
    // One more item for obj, each call.
    TGLShadowVolumeCaster* AddCaster(TGLBaseSceneObject* obj, float effectiveRadius = 0,
                                     TGLShadowCastingMode CastingMode = scmRecursivelyVisible);
    // The first item of obj, when there is one.
    void RemoveCaster(TGLBaseSceneObject* obj);
    int32_t IndexOfCaster(TGLBaseSceneObject* obj) const;
    int32_t IndexOfItem(const TGLShadowVolumeCaster* item) const;
    // Every item, the last first, hears of the dying component.
    void RemoveNotification(TComponent* AComponent);

private:
    TGLShadowVolume* FOwner;
    TItemClass FItemClass;
    std::vector<std::unique_ptr<TGLShadowVolumeCaster>> FItems;
};

template <class T> TGLShadowVolumeCaster* ShadowVolumeCasterClassOf(TGLShadowVolumeCasters* Collection)
{
    return new T(Collection);
}

class TGLShadowVolume : public TGLImmaterialSceneObject {
public:
    explicit TGLShadowVolume(TComponent* AOwner);
    // Frees the items while the collections are whole (an item looks at both when it lets go of its caster).
    ~TGLShadowVolume() override;

    bool Active() const { return FActive; }
    void SetActive(bool Value);
    TGLShadowVolumeCasters* Lights() const { return FLights.get(); }
    // Value must hold lights (assertion failure otherwise); its items are copied.
    void SetLights(TGLShadowVolumeCasters* Value);
    TGLShadowVolumeCasters* Occluders() const { return FOccluders.get(); }
    void SetOccluders(TGLShadowVolumeCasters* Value);
    TGLShadowVolumeCapping Capping() const { return FCapping; }
    void SetCapping(TGLShadowVolumeCapping Value) { FCapping = Value; }
    TGLShadowVolumeOptions Options() const { return FOptions; }
    void SetOptions(TGLShadowVolumeOptions Value);
    TGLShadowVolumeMode Mode() const { return FMode; }
    void SetMode(TGLShadowVolumeMode Value);
    TGLColor* DarkeningColor() const { return FDarkeningColor.get(); }
    void SetDarkeningColor(TGLColor* Value);

    // Drops the silhouettes of every light: moved occluders cast from where they are now.
    void FlushSilhouetteCache();
    // Whether an item other than except names obj (it then keeps obj's free notification).
    bool CasterInUse(TGLBaseSceneObject* obj, const TGLShadowVolumeCaster* except) const;

    // Another volume's lights, occluders and capping, then the scene object's part.
    void Assign(TPersistent* Source) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void DefineProperties(TFiler& Filer) override;
    // The lights and occluders named in the stream are found.
    void Loaded() override;
    void DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;

private:
    // Fills FOccluders' per-frame lists: the object or nil per occluder index, and its capping.
    void SelectOccluders(TGLRenderContextInfo& rci);
    bool CastsShadow(const TGLShadowVolumeCaster& occluder, TGLRenderContextInfo& rci) const;
    // The volumes of every selected occluder seen from light i, counted into the stencil buffer.
    void CountVolumes(TGLShadowVolumeLight& lightItem, TGLLightSource& light, int32_t i, TGLRenderContextInfo& rci);
    // The light's pass over the counted stencil: its share added where no volume covers (accurate), or the
    // covered parts darkened.
    void ShadeLight(TGLRenderContextInfo& rci);

    bool FActive = true;
    bool FRendering = false;
    std::unique_ptr<TGLShadowVolumeCasters> FLights;
    std::unique_ptr<TGLShadowVolumeCasters> FOccluders;
    TGLShadowVolumeCapping FCapping = svcAlways;
    TGLShadowVolumeOptions FOptions{svoCacheSilhouettes, svoScissorClips};
    TGLShadowVolumeMode FMode = svmAccurate;
    std::unique_ptr<TGLColor> FDarkeningColor;
    // The frame's selected occluders (nil where rejected) and their capping, kept to spare allocations.
    std::vector<TGLBaseSceneObject*> FSelected;
    std::vector<bool> FSelectedCapping;
};

// Registers the shadow volume as a streamable class (start-up).
void RegisterGLShadowVolumeClasses();
