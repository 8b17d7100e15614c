// The fire. Without OpenGL, on the program's random sequence seeded per test: how a step ages, moves and emits
// particles, the setters that empty or shrink the pool, the registry of managers, the effect's stream and the
// references cleared when what they name dies. On the recording fake OpenGL: the fans, far ones first. Through
// the memory viewer: particles burn where their reference object is, and die out.
#include "GLFireFX.h"

#include "ComponentStreams.h"
#include "GLCadencer.h"
#include "GLColor.h"
#include "GLCoordinates.h"
#include "GLObjects.h"
#include "RandomGenerator.h"
#include "Raises.h"
#include "RecordingDrawFixture.h"
#include "SceneRenderFixture.h"
#include "Streams.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

class GLFireFX : public ::testing::Test {
protected:
    GLFireFX() { SetRandSeed(12345); }
    ~GLFireFX() override
    {
        Free(Manager);
        Free(Scene);
    }

    // One cadencer step of dt seconds.
    void Step(double dt) { Manager->DoProgress(TProgressTimes{dt, 0}); }

    TVAVodad* Scene = new TVAVodad(nullptr);
    TGLFireFXManager* Manager = new TGLFireFXManager(nullptr);
};

TEST_F(GLFireFX, AStepEmitsAsTheIntervalSays)
{
    const struct {
        const char* What;
        std::function<void(TGLFireFXManager&)> Setup;
        double Dt;
        int32_t Particles;
        float IntervalDelta;
    } cases[] = {
        {"three and a half intervals: one particle, half an interval left", [](TGLFireFXManager&) {}, 0.35, 1, 0.5f},
        {"half an interval: none yet", [](TGLFireFXManager&) {}, 0.05, 0, 0.5f},
        {"without the interval the pool fills", [](TGLFireFXManager& m) { m.SetUseInterval(false); }, 0.05, 256, 0.5f},
        {"a burst of 2 runs time three times as fast", [](TGLFireFXManager& m) { m.SetFireBurst(-2); }, 0.05, 1, 0.5f},
        {"paused", [](TGLFireFXManager& m) { m.SetPaused(true); }, 0.35, 0, 0},
        {"no interval", [](TGLFireFXManager& m) { m.SetParticleInterval(0); }, 0.35, 0, 0},
        {"disabled", [](TGLFireFXManager& m) { m.SetDisabled(true); }, 0.35, 0, 0},
        // 0 / 0 would be its alpha.
        {"particles without life are not born", [](TGLFireFXManager& m) { m.SetParticleLife(0); }, 0.35, 0, 0.5f},
    };
    for (const auto& c : cases) {
        Free(Manager);
        Manager = new TGLFireFXManager(nullptr);
        c.Setup(*Manager);
        Step(c.Dt);
        EXPECT_EQ(Manager->ParticleCount(), c.Particles) << c.What;
        EXPECT_FLOAT_EQ(Manager->IntervalDelta(), c.IntervalDelta) << c.What;
    }
}

TEST_F(GLFireFX, ParticlesRiseOnTheCrownFreezeWhilePausedAndDieOut)
{
    auto* emitter = TGLBaseSceneObject::CreateAsChild<TGLDummyCube>(Scene->Objects());
    emitter->Position()->SetPoint(3, 4, 5);
    Manager->SetReference(emitter);
    Manager->SetFireRadius(0);
    Manager->SetFireCrown(2);
    Manager->SetUseInterval(false);
    Manager->SetMaxParticles(10);
    Step(0.05);
    ASSERT_EQ(Manager->ParticleCount(), 10);
    for (int32_t i = 0; i < 10; ++i) {
        const TFireParticle& p = Manager->Particle(i);
        // On a ring of radius FireCrown about the emitter, at its height, with the initial speed.
        EXPECT_NEAR(std::hypot(p.Position.X - 3, p.Position.Z - 5), 2, 1e-5) << i;
        EXPECT_FLOAT_EQ(p.Position.Y, 4) << i;
        EXPECT_EQ(p.Speed.Y, 1) << i;
        EXPECT_GE(p.LifeLength, 1.5f) << i;
        EXPECT_LT(p.LifeLength, 3) << i;
    }

    const TFireParticle before = Manager->Particle(0);
    Manager->SetPaused(true);
    Step(1);
    EXPECT_EQ(Manager->Particle(0).Position.Y, before.Position.Y);
    EXPECT_EQ(Manager->Particle(0).TimeToLive, before.TimeToLive);

    // Disabled: no new particles, the old ones age and rise (speed 1 + 1 x 0.5, then the position by it).
    Manager->SetPaused(false);
    Manager->SetDisabled(true);
    Step(1);
    EXPECT_EQ(Manager->ParticleCount(), 10);
    EXPECT_FLOAT_EQ(Manager->Particle(0).Speed.Y, 1.5f);
    EXPECT_FLOAT_EQ(Manager->Particle(0).Position.Y, 5.5f);
    Step(2);
    EXPECT_EQ(Manager->ParticleCount(), 0);
}

TEST_F(GLFireFX, ExplosionsThrowParticlesOutAtTheirSpeeds)
{
    Manager->SetMaxParticles(40);
    Manager->IsotropicExplosion(2, 3, 1, 15);
    ASSERT_EQ(Manager->ParticleCount(), 15);
    for (int32_t i = 0; i < 15; ++i) {
        const TVector4f& v = Manager->Particle(i).Speed;
        const double speed = std::sqrt(v.X * v.X + v.Y * v.Y + v.Z * v.Z);
        EXPECT_GE(speed, 2 - 1e-5) << i;
        EXPECT_LE(speed, 3 + 1e-5) << i;
        EXPECT_EQ(v.W, 0) << i;
    }
    // In the plane of the ring vectors; the speed scales W too. Without a limit the pool fills.
    Manager->RingExplosion(2, 3, 1, TVector3f{{{1, 0, 0}}}, TVector3f{{{0, 1, 0}}});
    ASSERT_EQ(Manager->ParticleCount(), 40);
    for (int32_t i = 15; i < 40; ++i) {
        const TVector4f& v = Manager->Particle(i).Speed;
        EXPECT_EQ(v.Z, 0) << i;
        EXPECT_NEAR(std::hypot(v.X, v.Y), v.W, 1e-4) << i;
        EXPECT_GE(v.W, 2) << i;
        EXPECT_LE(v.W, 3) << i;
    }
    // No life, no particles.
    Manager->SetMaxParticles(50);
    Manager->IsotropicExplosion(2, 3, 0);
    EXPECT_EQ(Manager->ParticleCount(), 40);
}

TEST_F(GLFireFX, ColoursEmptyThePoolAndTheSizeCutsIt)
{
    Manager->SetUseInterval(false);
    Step(0.05);
    Manager->SetMaxParticles(20);
    EXPECT_EQ(Manager->ParticleCount(), 20);
    Manager->SetMaxParticles(-5);
    EXPECT_EQ(Manager->MaxParticles(), 0);
    EXPECT_EQ(Manager->ParticleCount(), 0);

    Manager->SetMaxParticles(20);
    Step(0.05);
    TGLColor red(nullptr, TVector4f{{{1, 0, 0, 1}}});
    Manager->SetInnerColor(&red);
    EXPECT_EQ(Manager->ParticleCount(), 0);
    EXPECT_EQ(Manager->InnerColor()->Color().Y, 0);
}

TEST_F(GLFireFX, TheManagersSettingsStreamWhenTheyDifferFromTheirDefaults)
{
    const auto stored = [](TGLFireFXManager& manager) {
        TMemoryStream stream;
        TWriter(stream).WriteRootComponent(&manager);
        return std::string(reinterpret_cast<const char*>(stream.Memory()), stream.Size());
    };
    const std::string defaults = stored(*Manager);
    EXPECT_EQ(defaults.find("ParticleSize"), std::string::npos);
    EXPECT_EQ(defaults.find("UseInterval"), std::string::npos);

    // The game's manager.
    Manager->SetParticleSize(1.5f);
    Manager->SetFireEvaporation(0.5f);
    Manager->SetFireCrown(1);
    Manager->SetFireBurst(2);
    Manager->SetMaxParticles(100);
    Manager->SetUseInterval(false);
    Manager->FireDir()->SetVector(0, 2, 0);
    TGLColor red(nullptr, TVector4f{{{1, 0, 0, 1}}});
    Manager->SetOuterColor(&red);
    TMemoryStream stream;
    TWriter(stream).WriteRootComponent(Manager);
    stream.SetPosition(0);
    auto* copy = new TGLFireFXManager(nullptr);
    TReader(stream).ReadRootComponent(copy);
    EXPECT_EQ(copy->ParticleSize(), 1.5f);
    EXPECT_EQ(copy->FireEvaporation(), 0.5f);
    EXPECT_EQ(copy->FireCrown(), 1);
    EXPECT_EQ(copy->FireBurst(), 2);
    EXPECT_EQ(copy->MaxParticles(), 100);
    EXPECT_FALSE(copy->UseInterval());
    EXPECT_EQ(copy->FireDir()->AsVector().Y, 2);
    EXPECT_EQ(copy->OuterColor()->Color().Y, 0);
    EXPECT_EQ(copy->ParticleInterval(), 0.1f);
    Free(copy);
}

TEST_F(GLFireFX, EffectsFindTheirManagerByNameAfterAStream)
{
    Manager->SetName("GLFireFXManager1");
    auto* namesake = new TGLFireFXManager(nullptr);
    namesake->SetName("GLFireFXManager1");
    EXPECT_EQ(FindManagerByName<TGLFireFXManager>("GLFireFXManager1"), Manager);
    EXPECT_EQ(FindManagerByName<TGLFireFXManager>("glfirefxmanager1"), nullptr);

    auto* object = TGLBaseSceneObject::CreateAsChild<TGLDummyCube>(Scene->Objects());
    auto* fx = new TGLBFireFX(object->Effects());
    fx->SetManager(namesake);
    TMemoryStream stream;
    {
        TWriter writer(stream);
        object->Effects()->WriteToFiler(writer);
    }
    auto* copy = TGLBaseSceneObject::CreateAsChild<TGLDummyCube>(Scene->Objects());
    stream.SetPosition(0);
    {
        TReader reader(stream);
        copy->Effects()->ReadFromFiler(reader);
    }
    ASSERT_EQ(copy->Effects()->Count(), 1);
    auto* read = dynamic_cast<TGLBFireFX*>(copy->Effects()->Items(0));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->Manager(), nullptr);
    copy->Effects()->Loaded();
    EXPECT_EQ(read->Manager(), Manager); // the first of that name
    EXPECT_EQ(Manager->ClientCount(), 1);

    TMemoryStream future;
    TWriter(future).WriteInteger(2);
    future.SetPosition(0);
    TReader reader(future);
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { read->ReadFromFiler(reader); }),
              "Assertion failure (VAVodad\\Source\\GLFireFX)");

    Free(namesake);
    EXPECT_EQ(fx->Manager(), nullptr);
}

TEST_F(GLFireFX, ReferencesAreClearedWhenWhatTheyNameDies)
{
    auto* emitter = TGLBaseSceneObject::CreateAsChild<TGLDummyCube>(Scene->Objects());
    auto* cadencer = new TGLCadencer(nullptr);
    Manager->SetReference(emitter);
    Manager->SetCadencer(cadencer);
    Free(emitter);
    EXPECT_EQ(Manager->Reference(), nullptr);
    Step(0.35); // emits at the origin now
    EXPECT_EQ(Manager->Particle(0).Position.W, 1);
    Free(cadencer);
    EXPECT_EQ(Manager->Cadencer(), nullptr);

    // A dying effect leaves its manager, a dying manager its effects; a freed manager is no longer found.
    auto* object = TGLBaseSceneObject::CreateAsChild<TGLDummyCube>(Scene->Objects());
    auto* kept = new TGLBFireFX(object->Effects());
    auto* dropped = new TGLBFireFX(object->Effects());
    kept->SetManager(Manager);
    dropped->SetManager(Manager);
    Free(dropped);
    EXPECT_EQ(Manager->ClientCount(), 1);
    Manager->SetName("fire");
    Free(Manager);
    Manager = nullptr;
    EXPECT_EQ(kept->Manager(), nullptr);
    EXPECT_EQ(FindManagerByName<TGLFireFXManager>("fire"), nullptr);

    // A manager freed first no longer takes the cadencer's steps.
    Manager = new TGLFireFXManager(nullptr);
    cadencer = new TGLCadencer(nullptr);
    Manager->SetCadencer(cadencer);
    Free(Manager);
    Manager = nullptr;
    cadencer->Progress();
    Free(cadencer);
}

// ---------------------------------------------------------------------------------------------------------
// On the recording fake OpenGL.

// The fans as the arrays hold them when they are drawn: per fan its vertices, colour then position.
struct TSentFanVertex {
    float R, G, B, A, X, Y, Z;
};
using TSentFan = std::vector<TSentFanVertex>;

const float* vColourArray = nullptr;
const float* vPositionArray = nullptr;
GLsizei vStride = 0; // in floats, the same for both arrays
std::vector<TSentFan> vFans;

void SentColours(GLint, GLenum, GLsizei stride, const void* pointer)
{
    vColourArray = static_cast<const float*>(pointer);
    vStride = stride / static_cast<GLsizei>(sizeof(float));
}

void SentPositions(GLint, GLenum, GLsizei, const void* pointer)
{
    vPositionArray = static_cast<const float*>(pointer);
}

void SentFans(GLenum mode, const GLint* first, const GLsizei* count, GLsizei drawcount)
{
    ASSERT_EQ(mode, static_cast<GLenum>(GL_TRIANGLE_FAN));
    for (GLsizei fan = 0; fan < drawcount; ++fan) {
        TSentFan& sent = vFans.emplace_back();
        for (GLint i = first[fan]; i < first[fan] + count[fan]; ++i) {
            const float* c = vColourArray + i * vStride;
            const float* p = vPositionArray + i * vStride;
            sent.push_back({c[0], c[1], c[2], c[3], p[0], p[1], p[2]});
        }
    }
}

class GLFireFXDrawing : public RecordingDrawFixture {
protected:
    GLFireFXDrawing()
    {
        GL->Table.ColorPointer = &SentColours;
        GL->Table.VertexPointer = &SentPositions;
        GL->Table.MultiDrawArrays = &SentFans;
        vFans.clear();
    }
};

TEST_F(GLFireFXDrawing, FansAreDrawnFarthestFirstAroundEachParticle)
{
    auto* manager = new TGLFireFXManager(nullptr);
    auto* emitter = TGLBaseSceneObject::CreateAsChild<TGLDummyCube>(Scene->Objects());
    manager->SetReference(emitter);
    manager->SetFireRadius(0);
    manager->FireDir()->SetVector(0, 0, 0);
    manager->InitialDir()->SetVector(0, 0, 0);
    manager->SetParticleSize(2);
    manager->SetFireEvaporation(0.5f);
    auto* fx = new TGLBFireFX(emitter->Effects());
    fx->SetManager(manager);
    Rci.cameraDirection = TVector4f{{{0, 0, -1, 0}}};

    // One particle alone is not drawn.
    emitter->Position()->SetPoint(0, 0, -3);
    manager->AdvanceFire(0.15f, 0.1f, 3, 1);
    fx->Render(Rci);
    EXPECT_TRUE(vFans.empty());

    for (const float z : {-9.0f, -6.0f}) {
        emitter->Position()->SetPoint(0, 0, z);
        manager->AdvanceFire(0.15f, 0.1f, 3, 1);
    }
    ASSERT_EQ(manager->ParticleCount(), 3);
    fx->Render(Rci);
    ASSERT_EQ(vFans.size(), 3u);
    // Each fan: its centre in the inner colour with alpha Alpha x TimeToLive / LifeLength^2, then the rim about it
    // (the camera's right and up are the axes here) in the outer colour, clear.
    const float rim[7][2] = {{-2, 0}, {-1, 1}, {1, 1}, {2, 0}, {1, -1}, {-1, -1}, {-2, 0}};
    const int32_t particles[3] = {1, 2, 0}; // at depths -9, -6, -3
    for (int fan = 0; fan < 3; ++fan) {
        const TFireParticle& p = manager->Particle(particles[fan]);
        const TSentFan& sent = vFans[fan];
        ASSERT_EQ(sent.size(), 8u);
        const TSentFanVertex& centre = sent[0];
        EXPECT_EQ(centre.Z, p.Position.Z) << fan;
        EXPECT_EQ(centre.X, 0) << fan;
        EXPECT_EQ(centre.A, p.Alpha * p.TimeToLive / (p.LifeLength * p.LifeLength)) << fan;
        EXPECT_EQ(centre.G, 1) << fan;
        for (int k = 0; k < 7; ++k) {
            EXPECT_EQ(sent[1 + k].X, rim[k][0]) << fan << k;
            EXPECT_EQ(sent[1 + k].Y, rim[k][1]) << fan << k;
            EXPECT_EQ(sent[1 + k].Z, p.Position.Z) << fan << k;
            EXPECT_EQ(sent[1 + k].G, 0.5f) << fan << k;
            EXPECT_EQ(sent[1 + k].A, 0) << fan << k;
        }
    }
    EXPECT_EQ(vFans[0][0].Z, -9);
    EXPECT_EQ(vFans[2][0].Z, -3);
    Free(manager);
}

// ---------------------------------------------------------------------------------------------------------
// Through the memory viewer.

class GLFireFXRender : public SceneRenderFixture {};

TEST_F(GLFireFXRender, ParticlesBurnOverTheirReferenceAndDie)
{
    auto* manager = new TGLFireFXManager(nullptr);
    auto* emitter = TGLBaseSceneObject::CreateAsChild<TGLDummyCube>(Scene->Objects());
    // Right of the centre: about 7 pixels at this depth.
    emitter->Position()->SetPoint(1.5f, 0, -8);
    manager->SetReference(emitter);
    manager->SetFireRadius(0.1f);
    manager->SetParticleSize(0.5f);
    manager->SetUseInterval(false);
    manager->SetMaxParticles(32);
    (new TGLBFireFX(emitter->Effects()))->SetManager(manager);
    manager->DoProgress(TProgressTimes{0.05, 0});
    Render();
    const TColor atEmitter = Pixel(cWidth / 2 + 7, cHeight / 2);
    EXPECT_GT(atEmitter & 0xFF, 150) << std::hex << atEmitter;
    EXPECT_EQ(Pixel(cWidth / 2 - 7, cHeight / 2), clBlack);

    manager->SetDisabled(true);
    manager->DoProgress(TProgressTimes{3.1, 0});
    EXPECT_EQ(manager->ParticleCount(), 0);
    Render();
    EXPECT_EQ(Pixel(cWidth / 2 + 7, cHeight / 2), clBlack);
    Free(manager);
}

} // namespace
