// A particle fire: a manager component ages, moves and emits a fixed pool of particles around its reference
// object on every cadencer step, and any number of fire effects (post effects of scene objects) draw that pool
// as camera-facing, additively blended fans, far ones first. Managers register by name, so that an effect read
// from a stream finds its manager again.
#pragma once

#include "GLBaseClasses.h"
#include "GLVectorTypes.h"
#include "VAVodad.h"

#include <memory>
#include <string>
#include <vector>

inline constexpr const char* cGLFireFXUnit = "VAVodad\\Source\\GLFireFX";

class TGLBFireFX;
class TGLCadencer;
class TGLColor;
class TGLCoordinates3;

struct TFireParticle {
    // In the world, or in the owning object's frame when the manager has no reference.
    TVector4f Position;
    // Units per second.
    TVector4f Speed;
    float Alpha;
    // Seconds left of LifeLength.
    float TimeToLive;
    float LifeLength;
};

class TGLFireFXManager : public TGLCadenceAbleComponent {
public:
    // Registers itself by name; the pool is empty.
    explicit TGLFireFXManager(TComponent* AOwner);
    // Its effects lose their manager.
    ~TGLFireFXManager() override;

    void Notification(TComponent* AComponent, TOperation Operation) override;
    // The settings that differ from their defaults; the cadencer and the reference by their names.
    void DefineProperties(TFiler& Filer) override;
    // Finds the components named in the stream.
    void Loaded() override;
    // Unless paused (or without an interval), advances the fire by the step sped up (|FireBurst| + 1) times;
    // then the objects of every effect are told to redraw.
    void DoProgress(const TProgressTimes& progressTime) override;

    // Empties the pool and the emission time.
    void FireInit();
    // Ages and moves the particles by dt seconds (dead ones vanish), then, unless disabled, emits around the
    // reference: one particle each time a whole interval has passed, or with UseInterval off as many as the
    // pool takes. Particles of no life are never made.
    void AdvanceFire(float dt, float interval, float life, float density);
    // Bursts of up to nbParticles particles (< 0: as many as the pool takes) from the reference: in all
    // directions, or in the plane of the two ring vectors.
    void IsotropicExplosion(float minInitialSpeed, float maxInitialSpeed, float lifeBoostFactor,
                            int32_t nbParticles = -1);
    void RingExplosion(float minInitialSpeed, float maxInitialSpeed, float lifeBoostFactor,
                       const TVector3f& ringVectorX, const TVector3f& ringVectorY, int32_t nbParticles = -1);

    void AttachClient(TGLBFireFX* fx);
    void DetachClient(TGLBFireFX* fx);
    int32_t ClientCount() const { return static_cast<int32_t>(FClients.size()); }

    // The live particles, packed at the front of the pool.
    int32_t ParticleCount() const { return NP; }
    const TFireParticle& Particle(int32_t index) const { return FFireParticles[index]; }
    // The emission time in intervals, carried over to the next step.
    float IntervalDelta() const { return FIntervalDelta; }

    // Accelerates every particle.
    TGLCoordinates3* FireDir() const { return FFireDir.get(); }
    void SetFireDir(TGLCoordinates3* Value);
    // The speed of a new particle.
    TGLCoordinates3* InitialDir() const { return FInitialDir.get(); }
    void SetInitialDir(TGLCoordinates3* Value);
    TGLCadencer* Cadencer() const { return FCadencer; }
    // Subscribes to the cadencer.
    void SetCadencer(TGLCadencer* Value);
    int32_t MaxParticles() const { return FMaxParticles; }
    // At least 0; the particles beyond the new size go.
    void SetMaxParticles(int32_t Value);
    // Seconds.
    int32_t ParticleLife() const { return FParticleLife; }
    void SetParticleLife(int32_t Value) { FParticleLife = Value; }
    float ParticleSize() const { return FParticleSize; }
    void SetParticleSize(float Value) { FParticleSize = Value; }
    float FireDensity() const { return FFireDensity; }
    void SetFireDensity(float Value) { FFireDensity = Value; }
    // The flame's stretch along the camera's up axis.
    float FireEvaporation() const { return FFireEvaporation; }
    void SetFireEvaporation(float Value) { FFireEvaporation = Value; }
    // The radius of the ring particles are born on.
    float FireCrown() const { return FFireCrown; }
    void SetFireCrown(float Value) { FFireCrown = Value; }
    // Seconds between emissions; 0 or less stops the fire.
    float ParticleInterval() const { return FParticleInterval; }
    void SetParticleInterval(float Value) { FParticleInterval = Value; }
    // A change of colour empties the pool.
    TGLColor* InnerColor() const { return FInnerColor.get(); }
    void SetInnerColor(TGLColor* Value);
    TGLColor* OuterColor() const { return FOuterColor.get(); }
    void SetOuterColor(TGLColor* Value);
    float FireBurst() const { return FFireBurst; }
    void SetFireBurst(float Value) { FFireBurst = Value; }
    float FireRadius() const { return FFireRadius; }
    void SetFireRadius(float Value) { FFireRadius = Value; }
    bool Disabled() const { return FDisabled; }
    void SetDisabled(bool Value) { FDisabled = Value; }
    bool Paused() const { return FPaused; }
    void SetPaused(bool Value) { FPaused = Value; }
    bool UseInterval() const { return FUseInterval; }
    void SetUseInterval(bool Value) { FUseInterval = Value; }
    // The emitter; none: the world origin. Cleared when the object dies.
    TGLBaseSceneObject* Reference() const { return FReference; }
    void SetReference(TGLBaseSceneObject* Value);
    bool NoZWrite() const { return FNoZWrite; }
    void SetNoZWrite(bool Value) { FNoZWrite = Value; }

private:
    void SetColor(TGLColor& own, TGLColor* Value);
    TVector4f EmitterPosition() const;
    // Bursts: nbParticles new particles with speeds from direction(), scaled as the burst says.
    template <class TDirection>
    void Explode(float minInitialSpeed, float maxInitialSpeed, float lifeBoostFactor, int32_t nbParticles,
                 TDirection direction);

    std::vector<TGLBFireFX*> FClients;
    std::vector<TFireParticle> FFireParticles;
    std::unique_ptr<TGLCoordinates3> FFireDir;
    std::unique_ptr<TGLCoordinates3> FInitialDir;
    TGLCadencer* FCadencer = nullptr;
    std::string FCadencerName; // read from a stream, until Loaded
    int32_t FMaxParticles = 256;
    int32_t FParticleLife = 3;
    float FParticleSize = 1;
    float FFireDensity = 1;
    float FFireEvaporation = 0.86f;
    float FFireCrown = 0;
    float FParticleInterval = 0.1f;
    float FIntervalDelta = 0;
    int32_t NP = 0;
    std::unique_ptr<TGLColor> FInnerColor;
    std::unique_ptr<TGLColor> FOuterColor;
    float FFireBurst = 0;
    float FFireRadius = 1;
    bool FDisabled = false;
    bool FPaused = false;
    bool FUseInterval = true;
    TGLBaseSceneObject* FReference = nullptr;
    std::string FReferenceName; // read from a stream, until Loaded
    bool FNoZWrite = true;
};

// Draws its manager's particles after its object.
class TGLBFireFX : public TGLObjectPostEffect {
public:
    explicit TGLBFireFX(TGLXCollection* aOwner);
    ~TGLBFireFX() override;

    static std::string FriendlyName() { return "FireFX"; }
    static std::string FriendlyDescription() { return "Fire FX"; }

    // From another fire effect: its manager.
    void Assign(TPersistent* Source) override;
    // Version 1, the effect's own data, then the manager's name path (empty without one).
    void WriteToFiler(TWriter& writer) override;
    // Versions 0 and 1; the manager is found by name when the stream has been read (Loaded).
    void ReadFromFiler(TReader& reader) override;
    void Loaded() override;
    // With more than one particle alive: every particle as a fan facing the camera, the farthest first.
    void Render(TGLRenderContextInfo& rci) override;

    TGLFireFXManager* Manager() const { return FManager; }
    void SetManager(TGLFireFXManager* Value);

private:
    friend class TGLFireFXManager; // sets and clears FManager as it attaches and detaches

    TGLFireFXManager* FManager = nullptr;
    std::string FManagerName;
    // A fan: its centre, then seven rim vertices, the last closing it.
    static constexpr int32_t cFanVertices = 8;
    struct TFanVertex {
        float Color[4];
        float Position[3];
    };
    // Reused from frame to frame: the particles' depth keys and drawing order, and the fans' vertices with the
    // first vertex and vertex count of each fan.
    std::vector<float> FKeys;
    std::vector<int32_t> FOrder;
    std::vector<TFanVertex> FVertices;
    std::vector<int32_t> FFirsts;
    std::vector<int32_t> FCounts;
};

// The managers that effects find by name, in registration order. Adding one twice keeps one entry.
void AddManager(TComponent* aManager);
void RemoveManager(TComponent* aManager);
const std::vector<TComponent*>& RegisteredManagers();
// The first registered manager of class T (or a descendant) named exactly aName, or nullptr.
template <class T> T* FindManagerByName(const std::string& aName)
{
    for (TComponent* manager : RegisteredManagers())
        if (auto* found = dynamic_cast<T*>(manager); found && found->Name() == aName) return found;
    return nullptr;
}

// Registers the manager as a streamable class and the effect as a collection item class; start-up calls it.
void RegisterGLFireFXClasses();
