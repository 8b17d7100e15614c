#include "GLFireFX.h"

#include "ComponentStreams.h"
#include "GLCadencer.h"
#include "GLColor.h"
#include "GLCoordinates.h"
#include "GLPipelineTransformation.h"
#include "GLRenderContextInfo.h"
#include "GLState.h"
#include "GLVectorGeometry.h"
#include "GLVectorGeometryMatrices.h"
#include "OpenGLAdapter.h"
#include "RandomGenerator.h"
#include "VAVodad_streaming.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

std::vector<TComponent*>& Managers()
{
    static std::vector<TComponent*> managers;
    return managers;
}

constexpr TVector4f cOrigin{{{0, 0, 0, 1}}};

// Uniform in [-1, 1).
float RandomSigned()
{
    return static_cast<float>(2 * Random() - 1);
}

} // namespace

void AddManager(TComponent* aManager)
{
    std::vector<TComponent*>& managers = Managers();
    if (std::find(managers.begin(), managers.end(), aManager) == managers.end()) managers.push_back(aManager);
}

void RemoveManager(TComponent* aManager)
{
    std::erase(Managers(), aManager);
}

const std::vector<TComponent*>& RegisteredManagers()
{
    return Managers();
}

// ---------------------------------------------------------------------------------------------------------
// TGLFireFXManager

TGLFireFXManager::TGLFireFXManager(TComponent* AOwner)
    : TGLCadenceAbleComponent(AOwner),
      FFireDir(std::make_unique<TGLCoordinates3>(this, TVector4f{{{0, 0.5f, 0, 0}}}, CsVector)),
      FInitialDir(std::make_unique<TGLCoordinates3>(this, TVector4f{{{0, 1, 0, 0}}}, CsVector)),
      FInnerColor(std::make_unique<TGLColor>(this, TVector4f{{{1, 1, 0, 1}}})),
      FOuterColor(std::make_unique<TGLColor>(this, TVector4f{{{1, 0.5f, 0, 1}}}))
{
    AddManager(this);
    FireInit();
}

TGLFireFXManager::~TGLFireFXManager()
{
    while (!FClients.empty()) DetachClient(FClients.back());
    RemoveManager(this);
    SetCadencer(nullptr);
    SetReference(nullptr);
}

void TGLFireFXManager::Notification(TComponent* AComponent, TOperation Operation)
{
    if (Operation == opRemove) {
        // The dying cadencer forgets its subscribers itself.
        if (AComponent == FCadencer)
            FCadencer = nullptr;
        else if (AComponent == FReference)
            FReference = nullptr;
    }
    TGLCadenceAbleComponent::Notification(AComponent, Operation);
}

void TGLFireFXManager::DefineProperties(TFiler& Filer)
{
    TGLCadenceAbleComponent::DefineProperties(Filer);
    DefineNestedProperties(Filer, "FireDir", *FFireDir);
    DefineNestedProperties(Filer, "InitialDir", *FInitialDir);
    DefineIntegerProperty(Filer, "MaxParticles", FMaxParticles, 256, [this](int32_t v) { SetMaxParticles(v); });
    DefineIntegerProperty(Filer, "ParticleLife", FParticleLife, 3, [this](int32_t v) { FParticleLife = v; });
    DefineSingleProperty(Filer, "ParticleSize", FParticleSize, 1, [this](float v) { FParticleSize = v; });
    DefineSingleProperty(Filer, "FireDensity", FFireDensity, 1, [this](float v) { FFireDensity = v; });
    DefineSingleProperty(Filer, "FireEvaporation", FFireEvaporation, 0.86f, [this](float v) { FFireEvaporation = v; });
    DefineSingleProperty(Filer, "FireCrown", FFireCrown, 0, [this](float v) { FFireCrown = v; });
    DefineSingleProperty(Filer, "ParticleInterval", FParticleInterval, 0.1f, [this](float v) { FParticleInterval = v; });
    DefineNestedProperties(Filer, "InnerColor", *FInnerColor);
    DefineNestedProperties(Filer, "OuterColor", *FOuterColor);
    DefineSingleProperty(Filer, "FireBurst", FFireBurst, 0, [this](float v) { FFireBurst = v; });
    DefineSingleProperty(Filer, "FireRadius", FFireRadius, 1, [this](float v) { FFireRadius = v; });
    DefineBooleanProperty(Filer, "Disabled", FDisabled, false, [this](bool v) { FDisabled = v; });
    DefineBooleanProperty(Filer, "Paused", FPaused, false, [this](bool v) { FPaused = v; });
    DefineBooleanProperty(Filer, "UseInterval", FUseInterval, true, [this](bool v) { FUseInterval = v; });
    DefineBooleanProperty(Filer, "NoZWrite", FNoZWrite, true, [this](bool v) { FNoZWrite = v; });
    DefineReferenceProperty(Filer, "Cadencer", FCadencer, FCadencerName);
    DefineReferenceProperty(Filer, "Reference", FReference, FReferenceName);
}

void TGLFireFXManager::Loaded()
{
    TGLCadenceAbleComponent::Loaded();
    ResolveReference<TGLCadencer>(this, FCadencerName, [this](auto* it) { SetCadencer(it); });
    ResolveReference<TGLBaseSceneObject>(this, FReferenceName, [this](auto* it) { SetReference(it); });
}

void TGLFireFXManager::DoProgress(const TProgressTimes& progressTime)
{
    if (!FPaused && FParticleInterval > 0)
        AdvanceFire(static_cast<float>((std::fabs(FFireBurst) + 1) * progressTime.deltaTime), FParticleInterval,
                    static_cast<float>(FParticleLife), FFireDensity);
    for (size_t i = 0; i < FClients.size(); ++i)
        if (TGLBaseSceneObject* owner = FClients[i]->OwnerBaseSceneObject()) owner->NotifyChange(FClients[i]);
}

void TGLFireFXManager::FireInit()
{
    FIntervalDelta = 0;
    NP = 0;
    FFireParticles.resize(FMaxParticles);
}

TVector4f TGLFireFXManager::EmitterPosition() const
{
    return FReference ? FReference->AbsolutePosition() : cOrigin;
}

void TGLFireFXManager::AdvanceFire(float dt, float interval, float life, float density)
{
    const TVector4f& fireDir = FFireDir->AsVector();
    for (int32_t i = 0; i < NP;) {
        TFireParticle& p = FFireParticles[i];
        p.TimeToLive -= dt;
        if (p.TimeToLive <= 0) {
            // The last live particle takes its place and is looked at next.
            p = FFireParticles[--NP];
            continue;
        }
        for (int k = 0; k < 4; ++k) {
            p.Speed.V[k] += dt * fireDir.V[k];
            p.Position.V[k] += dt * p.Speed.V[k];
        }
        ++i;
    }
    if (FDisabled) return;

    const TVector4f emitter = EmitterPosition();
    FIntervalDelta += dt / interval;
    if (FUseInterval && !(FIntervalDelta > 1)) return;
    const float fraction = FIntervalDelta - std::trunc(FIntervalDelta);
    // A particle without life would draw with 0 / 0 as its alpha.
    while (life > 0 && NP < FMaxParticles) {
        TVector3f offset{{{RandomSigned() * FFireRadius, RandomSigned() * FFireRadius,
                           RandomSigned() * FFireRadius + FFireCrown}}};
        AffineRotateAroundYInPlace(offset, static_cast<float>(Random() * 2 * std::numbers::pi));
        TFireParticle& p = FFireParticles[NP];
        p.Position = TVector4f{{{emitter.X + offset.X, emitter.Y + offset.Y, emitter.Z + offset.Z, emitter.W}}};
        p.Speed = FInitialDir->AsVector();
        p.LifeLength = static_cast<float>(Random() * 0.5 + 0.5) * life;
        p.TimeToLive = p.LifeLength;
        p.Alpha = density;
        ++NP;
        if (FUseInterval) break;
    }
    FIntervalDelta = fraction;
}

template <class TDirection>
void TGLFireFXManager::Explode(float minInitialSpeed, float maxInitialSpeed, float lifeBoostFactor,
                               int32_t nbParticles, TDirection direction)
{
    const TVector4f centre = EmitterPosition();
    const float life = FParticleLife * lifeBoostFactor;
    for (; life > 0 && NP < FMaxParticles && nbParticles != 0; --nbParticles) {
        const TVector4f dir = direction();
        const float speed = minInitialSpeed + static_cast<float>(Random()) * (maxInitialSpeed - minInitialSpeed);
        TFireParticle& p = FFireParticles[NP];
        for (int k = 0; k < 4; ++k) p.Speed.V[k] = dir.V[k] * speed;
        for (int k = 0; k < 3; ++k) p.Position.V[k] = centre.V[k] + RandomSigned() * FFireRadius;
        p.Position.W = centre.W;
        p.LifeLength = static_cast<float>(Random() * 0.5 + 0.5) * life;
        p.TimeToLive = p.LifeLength;
        p.Alpha = FFireDensity;
        ++NP;
    }
}

void TGLFireFXManager::IsotropicExplosion(float minInitialSpeed, float maxInitialSpeed, float lifeBoostFactor,
                                          int32_t nbParticles)
{
    Explode(minInitialSpeed, maxInitialSpeed, lifeBoostFactor, nbParticles, [] {
        TVector4f dir{{{static_cast<float>(Random() - 0.5), static_cast<float>(Random() - 0.5),
                        static_cast<float>(Random() - 0.5), 0}}};
        HmgNormalizeInPlace(dir);
        return dir;
    });
}

void TGLFireFXManager::RingExplosion(float minInitialSpeed, float maxInitialSpeed, float lifeBoostFactor,
                                     const TVector3f& ringVectorX, const TVector3f& ringVectorY, int32_t nbParticles)
{
    Explode(minInitialSpeed, maxInitialSpeed, lifeBoostFactor, nbParticles, [&] {
        float x = static_cast<float>(Random() - 0.5);
        float y = static_cast<float>(Random() - 0.5);
        const float f = static_cast<float>(FloatRecipSqrt(x * x + y * y));
        x *= f;
        y *= f;
        // W 1: the speed then scales it too.
        return TVector4f{{{x * ringVectorX.X + y * ringVectorY.X, x * ringVectorX.Y + y * ringVectorY.Y,
                           x * ringVectorX.Z + y * ringVectorY.Z, 1}}};
    });
}

void TGLFireFXManager::AttachClient(TGLBFireFX* fx)
{
    if (!fx || std::find(FClients.begin(), FClients.end(), fx) != FClients.end()) return;
    FClients.push_back(fx);
    fx->FManager = this;
}

void TGLFireFXManager::DetachClient(TGLBFireFX* fx)
{
    if (!fx) return;
    fx->FManager = nullptr;
    std::erase(FClients, fx);
}

void TGLFireFXManager::SetFireDir(TGLCoordinates3* Value)
{
    FFireDir->Assign(Value);
}

void TGLFireFXManager::SetInitialDir(TGLCoordinates3* Value)
{
    FInitialDir->Assign(Value);
}

void TGLFireFXManager::SetCadencer(TGLCadencer* Value)
{
    if (Value == FCadencer) return;
    if (FCadencer) FCadencer->UnSubscribe(this);
    FCadencer = Value;
    if (FCadencer) FCadencer->Subscribe(this);
}

void TGLFireFXManager::SetMaxParticles(int32_t Value)
{
    Value = std::max(Value, 0);
    if (Value == FMaxParticles) return;
    FMaxParticles = Value;
    FFireParticles.resize(Value);
    NP = std::min(NP, Value);
}

void TGLFireFXManager::SetColor(TGLColor& own, TGLColor* Value)
{
    if (Value == &own) return;
    own.Assign(Value);
    FireInit();
}

void TGLFireFXManager::SetInnerColor(TGLColor* Value)
{
    SetColor(*FInnerColor, Value);
}

void TGLFireFXManager::SetOuterColor(TGLColor* Value)
{
    SetColor(*FOuterColor, Value);
}

void TGLFireFXManager::SetReference(TGLBaseSceneObject* Value)
{
    if (Value == FReference) return;
    if (FReference) FReference->RemoveFreeNotification(this);
    FReference = Value;
    if (FReference) FReference->FreeNotification(this);
}

// ---------------------------------------------------------------------------------------------------------
// TGLBFireFX

TGLBFireFX::TGLBFireFX(TGLXCollection* aOwner) : TGLObjectPostEffect(aOwner, XCollectionItemClassOf<TGLBFireFX>()) {}

TGLBFireFX::~TGLBFireFX()
{
    SetManager(nullptr);
}

void TGLBFireFX::SetManager(TGLFireFXManager* Value)
{
    if (Value == FManager) return;
    if (FManager) FManager->DetachClient(this);
    if (Value) Value->AttachClient(this);
}

void TGLBFireFX::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLBFireFX*>(Source)) SetManager(source->FManager);
    TGLObjectPostEffect::Assign(Source);
}

void TGLBFireFX::WriteToFiler(TWriter& writer)
{
    writer.WriteInteger(1); // version
    TGLObjectPostEffect::WriteToFiler(writer);
    writer.WriteString(FManager ? FManager->GetNamePath() : std::string());
}

void TGLBFireFX::ReadFromFiler(TReader& reader)
{
    const int32_t version = reader.ReadInteger();
    Assert(version == 0 || version == 1, "", cGLFireFXUnit);
    if (version == 1) TGLObjectPostEffect::ReadFromFiler(reader);
    FManagerName = reader.ReadString();
    SetManager(nullptr);
}

void TGLBFireFX::Loaded()
{
    TGLObjectPostEffect::Loaded();
    if (FManagerName.empty()) return;
    if (TGLFireFXManager* manager = FindManagerByName<TGLFireFXManager>(FManagerName)) SetManager(manager);
    FManagerName.clear();
}

void TGLBFireFX::Render(TGLRenderContextInfo& rci)
{
    if (!FManager) return;
    TGLTransformation& pipeline = *rci.PipelineTransformation;
    pipeline.Push();
    // Particles born at a reference are in world space.
    if (FManager->Reference()) pipeline.SetModelMatrix(IdentityHmgMatrix);
    TGLStateCache& states = *rci.GLStates;
    states.SetCurrentProgram(0);
    states.Disable(stCullFace);
    states.SetActiveTextureEnabled(ttTexture2D, false);
    states.Disable(stLighting);
    states.SetBlendFunc(bfSrcAlpha, bfOne);
    states.Enable(stBlend);
    states.Disable(stAlphaTest);
    states.Enable(stDepthTest);
    states.SetDepthFunc(cfLEqual);
    states.SetDepthWriteMask(!FManager->NoZWrite());

    // A single live particle is not drawn.
    const int32_t np = FManager->ParticleCount();
    if (np > 1) {
        FKeys.resize(np);
        FOrder.resize(np);
        for (int32_t i = 0; i < np; ++i) {
            FKeys[i] = static_cast<float>(HmgDot(rci.cameraDirection, FManager->Particle(i).Position));
            FOrder[i] = i;
        }
        // The largest key (the farthest along the view) first.
        std::sort(FOrder.begin(), FOrder.end(), [this](int32_t a, int32_t b) { return FKeys[a] > FKeys[b]; });

        // The fan's rim about its centre: -R, -R/2 + EU, R/2 + EU, R, R/2 - EU, -R/2 - EU and -R again, with R
        // and U the camera's right and up axes (the view matrix's first two columns) times the particle size and
        // E the evaporation. The same for every particle.
        const TMatrix4f view = pipeline.ViewMatrix();
        const float s = FManager->ParticleSize();
        const float e = FManager->FireEvaporation();
        const TVector3f r{{{s * view.V[0].X, s * view.V[1].X, s * view.V[2].X}}};
        const TVector3f u{{{s * e * view.V[0].Y, s * e * view.V[1].Y, s * e * view.V[2].Y}}};
        const float along[7] = {-1, -0.5f, 0.5f, 1, 0.5f, -0.5f, -1};
        const float up[7] = {0, 1, 1, 0, -1, -1, 0};
        TVector3f rim[7];
        for (int k = 0; k < 7; ++k)
            for (int c = 0; c < 3; ++c) rim[k].V[c] = along[k] * r.V[c] + up[k] * u.V[c];

        // One array of fans, drawn in one call: the centre in the inner colour with the particle's alpha, the
        // rim in the outer colour, clear.
        const TVector4f& inner = FManager->InnerColor()->Color();
        const TVector4f& outer = FManager->OuterColor()->Color();
        const size_t fans = static_cast<size_t>(np);
        if (FFirsts.size() != fans) {
            FVertices.resize(fans * cFanVertices);
            FFirsts.resize(fans);
            FCounts.assign(fans, cFanVertices);
            for (size_t i = 0; i < fans; ++i) FFirsts[i] = static_cast<GLint>(i * cFanVertices);
        }
        TFanVertex* v = FVertices.data();
        for (const int32_t i : FOrder) {
            const TFireParticle& p = FManager->Particle(i);
            const TVector4f& at = p.Position;
            *v++ = {{inner.X, inner.Y, inner.Z, p.Alpha * p.TimeToLive / (p.LifeLength * p.LifeLength)},
                    {at.X, at.Y, at.Z}};
            for (const TVector3f& offset : rim)
                *v++ = {{outer.X, outer.Y, outer.Z, 0}, {at.X + offset.X, at.Y + offset.Y, at.Z + offset.Z}};
        }
        TGLExtensionsAndEntryPoints* const gl = GetCurrentGL();
        states.SetArrayBufferBinding(0);
        gl->ColorPointer(4, GL_FLOAT, sizeof(TFanVertex), FVertices[0].Color);
        gl->VertexPointer(3, GL_FLOAT, sizeof(TFanVertex), FVertices[0].Position);
        gl->EnableClientState(GL_COLOR_ARRAY);
        gl->EnableClientState(GL_VERTEX_ARRAY);
        gl->MultiDrawArrays(GL_TRIANGLE_FAN, FFirsts.data(), FCounts.data(), np);
        gl->DisableClientState(GL_VERTEX_ARRAY);
        gl->DisableClientState(GL_COLOR_ARRAY);
    }
    pipeline.Pop();
}

void RegisterGLFireFXClasses()
{
    RegisterClass<TGLFireFXManager>();
    AddXCollectionItemClass<TGLBFireFX>();
}
