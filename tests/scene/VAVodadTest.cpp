#include "VAVodad.h"

#include "ComponentStreams.h"
#include "GLMaterial.h"
#include "GLSilhouette.h"
#include "GLVectorGeometry.h"
#include "Raises.h"
#include "Streams.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <set>
#include <string>
#include <vector>

using ::testing::StartsWith;

namespace {

using Vec = std::array<float, 4>;

TVector4f V(float x, float y, float z, float w)
{
    return TVector4f{{{x, y, z, w}}};
}

void ExpectNear(const TVector4f& v, const Vec& expected, float tolerance = 1e-5f)
{
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(v.V[i], expected[i], tolerance) << "component " << i;
}

void ExpectIdentity(const TMatrix4f& m, float tolerance)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(m.V[i].V[j], i == j ? 1.0f : 0.0f, tolerance) << i << "," << j;
}

class TTestLight : public TGLBaseSceneObject {
public:
    using TGLBaseSceneObject::TGLBaseSceneObject;
};

class TTestCamera : public TGLBaseSceneObject {
public:
    using TGLBaseSceneObject::TGLBaseSceneObject;

protected:
    bool IsCamera() const override { return true; }
};

// The scene side of the tree: counts notifications, and keeps the lights registered in its tree.
class TTestScene : public TComponent, public IVAVodadScene {
public:
    TTestScene() : TComponent(nullptr), FRoot(new TGLBaseSceneObject(this)) { FRoot->SetScene(this); }

    TGLBaseSceneObject* Objects() const override { return FRoot; }
    void NotifyChange(TObject*) override
    {
        if (FUpdates == 0) ++Changes;
    }
    void BeginUpdate() override { ++FUpdates; }
    void EndUpdate() override
    {
        if (--FUpdates == 0) NotifyChange(this);
    }
    void AddLights(TGLBaseSceneObject* aObj) override { Walk(aObj, [this](auto* o) { Lights.insert(o); }); }
    void RemoveLights(TGLBaseSceneObject* aObj) override { Walk(aObj, [this](auto* o) { Lights.erase(o); }); }

    int Changes = 0;
    std::set<TGLBaseSceneObject*> Lights;

private:
    template <class F> static void Walk(TGLBaseSceneObject* o, F f)
    {
        if (dynamic_cast<TTestLight*>(o)) f(o);
        for (int32_t i = 0; i < o->Count(); ++i) Walk(o->Children(i), f);
    }

    TGLBaseSceneObject* FRoot;
    int FUpdates = 0;
};

struct TSceneFixture : ::testing::Test {
    TTestScene* Scene = new TTestScene;
    TGLBaseSceneObject* Root = Scene->Objects();
    void TearDown() override { Free(Scene); }

    template <class T = TGLBaseSceneObject> T* Child(TGLBaseSceneObject* parent, const std::string& name = "")
    {
        T* object = TGLBaseSceneObject::CreateAsChild<T>(parent);
        object->SetName(name);
        return object;
    }
};

std::vector<std::string> Names(TGLBaseSceneObject* parent)
{
    std::vector<std::string> names;
    for (int32_t i = 0; i < parent->Count(); ++i) names.push_back(parent->Children(i)->Name());
    return names;
}

// Appends its name to a shared log on every progress step.
std::vector<std::string> gProgressLog;

class TLogBehaviour : public TGLBehaviour {
public:
    explicit TLogBehaviour(TGLXCollection* aOwner) : TGLBehaviour(aOwner, XCollectionItemClassOf<TLogBehaviour>()) {}
    void DoProgress(const TProgressTimes&) override { gProgressLog.push_back("behaviour " + Name()); }
};

class TLogEffect : public TGLObjectEffect {
public:
    explicit TLogEffect(TGLXCollection* aOwner) : TGLObjectEffect(aOwner, XCollectionItemClassOf<TLogEffect>()) {}
    void DoProgress(const TProgressTimes&) override { gProgressLog.push_back("effect " + Name()); }
    void Render(TGLRenderContextInfo&) override { gProgressLog.push_back("render " + Name()); }
};

class TLogPostEffect : public TGLObjectPostEffect {
public:
    explicit TLogPostEffect(TGLXCollection* aOwner)
        : TGLObjectPostEffect(aOwner, XCollectionItemClassOf<TLogPostEffect>())
    {
    }
    void Render(TGLRenderContextInfo&) override { gProgressLog.push_back("render " + Name()); }
};

// Keeps a free-notified reference to a scene object.
class TWatcher : public TComponent {
public:
    TWatcher() : TComponent(nullptr) {}
    void Watch(TGLBaseSceneObject* object)
    {
        Watched = object;
        object->FreeNotification(this);
    }
    void Notification(TComponent* AComponent, TOperation Operation) override
    {
        if (Operation == opRemove && AComponent == Watched) Watched = nullptr;
        TComponent::Notification(AComponent, Operation);
    }
    TGLBaseSceneObject* Watched = nullptr;
};

} // namespace

TEST_F(TSceneFixture, NewObjectDefaults)
{
    TGLBaseSceneObject* o = Child(Root);
    ExpectIdentity(o->Matrix(), 0);
    ExpectNear(o->Position()->AsVector(), {0, 0, 0, 1}, 0);
    ExpectNear(o->Direction()->AsVector(), {0, 0, 1, 0}, 0);
    ExpectNear(o->Up()->AsVector(), {0, 1, 0, 0}, 0);
    ExpectNear(o->Scale()->AsVector(), {1, 1, 1, 0}, 0);
    EXPECT_TRUE(o->Visible());
    EXPECT_TRUE(o->Pickable());
    EXPECT_EQ(o->Scene(), Scene);
    EXPECT_EQ(o->Parent(), Root);
    EXPECT_EQ(o->Owner(), Root);
    EXPECT_EQ(o->GetParentComponent(), Scene); // under the root, the scene is the streaming parent
}

TEST_F(TSceneFixture, DirectionAndUpStayOrthonormal)
{
    TGLBaseSceneObject* o = Child(Root);
    TGLCoordinates zero(nullptr, V(0, 0, 0, 0), CsVector);
    o->SetDirection(&zero); // ignored by the property
    ExpectNear(o->Direction()->AsVector(), {0, 0, 1, 0});

    o->Direction()->SetVector(1, 1, 0);
    const float h = std::sqrt(0.5f);
    ExpectNear(o->Direction()->AsVector(), {h, h, 0, 0});
    EXPECT_NEAR(HmgDot(o->Direction()->AsVector(), o->Up()->AsVector()), 0, 1e-6);
    EXPECT_NEAR(HmgLength(o->Up()->AsVector()), 1, 1e-6);

    // A coordinate write of zero resets Direction and recomputes Up.
    o->Direction()->SetVector(0, 0, 0);
    ExpectNear(o->Direction()->AsVector(), {0, 0, 1, 0});
    EXPECT_NEAR(HmgDot(o->Direction()->AsVector(), o->Up()->AsVector()), 0, 1e-6);

    // Parallel to Up: Right falls back to (0, 0, 1) x Up = (-1, 0, 0), so Up becomes (0, 0, -1).
    TGLBaseSceneObject* p = Child(Root);
    p->Direction()->SetVector(0, 1, 0);
    ExpectNear(p->Direction()->AsVector(), {0, 1, 0, 0});
    ExpectNear(p->Up()->AsVector(), {0, 0, -1, 0});
    // Up along Z and Direction along Z: the second fallback, (1, 0, 0) x Up.
    TGLBaseSceneObject* q = Child(Root);
    q->Up()->SetVector(0, 0, 1);
    ExpectNear(q->Direction()->AsVector(), {1, 0, 0, 0});
    q->Direction()->SetVector(0, 0, 1);
    ExpectNear(q->Direction()->AsVector(), {0, 0, 1, 0});
    ExpectNear(q->Up()->AsVector(), {-1, 0, 0, 0});
}

TEST_F(TSceneFixture, AngleSettersTurnByOldMinusNew)
{
    TGLBaseSceneObject* o = Child(Root);
    o->SetTurnAngle(90);
    EXPECT_EQ(o->TurnAngle(), 90);
    ExpectNear(o->Direction()->AsVector(), {1, 0, 0, 0});
    ExpectNear(o->Up()->AsVector(), {0, 1, 0, 0});

    const int changes = Scene->Changes;
    o->SetTurnAngle(90); // the same value: nothing
    EXPECT_EQ(Scene->Changes, changes);
    ExpectNear(o->Direction()->AsVector(), {1, 0, 0, 0});

    TGLBaseSceneObject* p = Child(Root);
    p->SetTurnAngle(450); // stored wrapped, turned by -450 = -90 (mod 360)
    EXPECT_EQ(p->TurnAngle(), 90);
    ExpectNear(p->Direction()->AsVector(), {1, 0, 0, 0}, 1e-5f);

    TGLBaseSceneObject* q = Child(Root);
    q->SetPitchAngle(90); // about Right = Direction x Up = (-1, 0, 0)
    ExpectNear(q->Direction()->AsVector(), {0, 1, 0, 0});
    ExpectNear(q->Up()->AsVector(), {0, 0, -1, 0});
    q->SetPitchAngle(190);
    EXPECT_EQ(q->PitchAngle(), -170);

    TGLBaseSceneObject* r = Child(Root);
    r->SetRollAngle(90); // about Direction
    ExpectNear(r->Up()->AsVector(), {-1, 0, 0, 0});
    ExpectNear(r->Direction()->AsVector(), {0, 0, 1, 0});
    // The matrix follows: its rows are Left x scale, Up and Direction.
    ExpectNear(r->Matrix().Y, {-1, 0, 0, 0});
}

TEST_F(TSceneFixture, RelativeRotationsKeepTheirAngle)
{
    TGLBaseSceneObject* o = Child(Root);
    o->Turn(30); // the rotation routine turns by minus the angle it is given
    EXPECT_NEAR(o->Direction()->X(), -0.5, 1e-6);
    EXPECT_NEAR(o->Direction()->Z(), std::cos(30 * M_PI / 180), 1e-6);
    o->ResetRotations();
    ExpectNear(o->Direction()->AsVector(), {0, 0, 1, 0}, 0);
    ExpectNear(o->Rotation()->AsVector(), {0, 0, 0, 1}, 0);
    o->Pitch(45);
    EXPECT_NEAR(o->Direction()->Y(), std::sin(45 * M_PI / 180), 1e-6);
    EXPECT_NEAR(o->PitchAngle(), -45, 1e-4);
    o->ResetAndPitchTurnRoll(0, 90, 0);
    ExpectNear(o->Direction()->AsVector(), {-1, 0, 0, 0});
    EXPECT_EQ(o->TurnAngle(), 90);
}

TEST_F(TSceneFixture, AbsoluteMatricesFollowMovesTurnsAndReparenting)
{
    TGLBaseSceneObject* a = Child(Root, "a");
    TGLBaseSceneObject* b = Child(a, "b");
    TGLBaseSceneObject* c = Child(b, "c");
    a->Position()->SetPoint(1, 0, 0);
    b->Position()->SetPoint(0, 2, 0);
    b->SetTurnAngle(90); // b's Z axis is the world's X
    c->Position()->SetPoint(0, 0, 3);
    ExpectNear(c->AbsolutePosition(), {4, 2, 0, 1});
    ExpectNear(c->AbsoluteDirection(), {1, 0, 0, 0});

    // Moving the root of the subtree marks every absolute matrix below it stale, once.
    a->Position()->SetPoint(10, 0, 0);
    for (TGLBaseSceneObject* o : {a, b, c}) EXPECT_TRUE(o->Changes().Contains(ocAbsoluteMatrix));
    ExpectNear(c->AbsolutePosition(), {13, 2, 0, 1});
    ExpectNear(c->LocalToAbsolute(V(0, 0, 1, 0)), {1, 0, 0, 0});
    ExpectNear(c->AbsoluteToLocal(V(13, 2, 1, 1)), {-1, 0, 0, 1});

    // A scaled parent: positions below it scale too.
    a->Scale()->SetVector(2, 2, 2);
    ExpectNear(c->AbsolutePosition(), {16, 4, 0, 1});
    ExpectNear(c->AbsoluteScale(), {0, 2, 0, 0}, 1e-5f); // the diagonal of a turned matrix

    // Re-parented to the root's child a2: only a2's transformation applies.
    TGLBaseSceneObject* a2 = Child(Root, "a2");
    a2->Position()->SetPoint(0, 0, -5);
    c->MoveTo(a2);
    ExpectNear(c->AbsolutePosition(), {0, 0, -2, 1});

    // Under the root the absolute matrix is the local one, whatever the root holds.
    Root->Position()->SetPoint(100, 100, 100);
    ExpectNear(a2->AbsolutePosition(), {0, 0, -5, 1});

    // Left without a parent, the absolute matrix no longer holds the old parent's.
    c->MoveTo(nullptr);
    ExpectNear(c->AbsolutePosition(), {0, 0, 3, 1});
    EXPECT_EQ(c->Scene(), nullptr);
    Free(c);
}

TEST_F(TSceneFixture, InverseMatchesTheAbsoluteMatrixOnBothPaths)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> coord(-5, 5);
    for (bool scaled : {false, true})
        for (int round = 0; round < 20; ++round) {
            TGLBaseSceneObject* parent = Root;
            for (int depth = 0; depth < 3; ++depth) {
                TGLBaseSceneObject* o = Child(parent);
                o->Position()->SetPoint(coord(rng), coord(rng), coord(rng));
                o->Direction()->SetVector(coord(rng), coord(rng), coord(rng) + 0.1f);
                o->Up()->SetVector(coord(rng), coord(rng) + 0.1f, coord(rng));
                if (scaled) o->Scale()->SetVector(1 + std::fabs(coord(rng)), 0.5f, 2);
                parent = o;
            }
            TMatrix4f product;
            MatrixProduct(parent->AbsoluteMatrix(), parent->InvAbsoluteMatrix(), product);
            ExpectIdentity(product, 1e-3f);
        }
}

TEST_F(TSceneFixture, ForcedAndWrittenMatrices)
{
    TGLBaseSceneObject* parent = Child(Root);
    parent->Position()->SetPoint(1, 2, 3);
    TGLBaseSceneObject* o = Child(parent);

    // A forced matrix with a non-uniform scale and shear, while Scale still reads (1, 1, 1): the inverse must
    // come from a general inversion.
    TMatrix4f forced = IdentityHmgMatrix;
    forced.X = V(2, 0.5f, 0, 0);
    forced.Y = V(0, 3, 0, 0);
    forced.W = V(1, 1, 1, 1);
    o->ForceLocalMatrix(forced);
    TMatrix4f product;
    MatrixProduct(o->AbsoluteMatrix(), o->InvAbsoluteMatrix(), product);
    ExpectIdentity(product, 1e-5f);

    // Writing the absolute matrix on an object whose cache was never computed.
    TGLBaseSceneObject* fresh = Child(parent);
    TMatrix4f target = IdentityHmgMatrix;
    target.W = V(5, 5, 5, 1);
    fresh->SetAbsoluteMatrix(target);
    ExpectNear(fresh->AbsolutePosition(), {5, 5, 5, 1});
    ExpectNear(fresh->Position()->AsVector(), {4, 3, 2, 1});

    // Writing back the old absolute matrix after a move returns the object (the cache is brought up to date
    // before the comparison).
    const TMatrix4f old = fresh->AbsoluteMatrix();
    fresh->Position()->SetPoint(0, 0, 0);
    fresh->SetAbsoluteMatrix(old);
    ExpectNear(fresh->AbsolutePosition(), {5, 5, 5, 1});

    ExpectNear(fresh->AbsoluteXVector(), {1, 0, 0, 0});
    fresh->SetAbsoluteAffineDirection(TVector3f{{{1, 0, 0}}}); // a direction: the parent's offset does not apply
    ExpectNear(fresh->Direction()->AsVector(), {1, 0, 0, 0});
}

TEST_F(TSceneFixture, ChildOrderOperations)
{
    TGLBaseSceneObject* a = Child(Root, "a");
    Child(Root, "b");
    Child(Root, "c");
    TGLBaseSceneObject* b = Root->Children(1);
    b->SetIndex(99);
    EXPECT_EQ(Names(Root), (std::vector<std::string>{"a", "c", "b"}));
    b->SetIndex(-5);
    EXPECT_EQ(Names(Root), (std::vector<std::string>{"b", "a", "c"}));
    b->MoveLast();
    EXPECT_EQ(Names(Root), (std::vector<std::string>{"a", "c", "b"}));
    b->MoveFirst();
    b->MoveDown();
    EXPECT_EQ(Names(Root), (std::vector<std::string>{"a", "b", "c"}));
    b->MoveUp();
    b->MoveUp(); // already first: nothing
    EXPECT_EQ(Names(Root), (std::vector<std::string>{"b", "a", "c"}));
    const int changes = Scene->Changes;
    Root->ExchangeChildrenSafe(0, 3);
    Root->ExchangeChildrenSafe(1, 1);
    EXPECT_EQ(Scene->Changes, changes);
    Root->ExchangeChildren(0, 2);
    EXPECT_EQ(Names(Root), (std::vector<std::string>{"c", "a", "b"}));
    EXPECT_GT(Scene->Changes, changes);

    EXPECT_THROW(Root->ExchangeChildren(0, 3), EListError);
    EXPECT_THROW(Root->Children(3), EListError);
    EXPECT_THROW(Root->Insert(5, new TGLBaseSceneObject(a)), EListError); // owned by a, freed with it
    TGLBaseSceneObject* grandChild = Child(Child(a, "a1"), "a11");
    EXPECT_THROW(grandChild->AddChild(a), EAssertionFailed); // a has a parent, and is an ancestor
    EXPECT_THROW(grandChild->Insert(0, a), EAssertionFailed);
    EXPECT_THROW(a->Insert(0, a), EAssertionFailed);
    EXPECT_EQ(a->Parent(), Root);
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { grandChild->MoveChildUp(0); }), // never had a child
              "No children found! (VAVodad\\Source\\VAVodad)");
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { a->EndUpdate(); }),
              "Unbalanced Begin/EndUpdate (VAVodad\\Source\\VAVodad)");
}

TEST_F(TSceneFixture, FindChildPrefersTheDeeperMatch)
{
    TGLBaseSceneObject* first = Child(Root, "first");
    TGLBaseSceneObject* deep = Child(first, "Target");
    TGLBaseSceneObject* direct = Child(Root, "target");
    EXPECT_EQ(Root->FindChild("TARGET", false), deep);
    EXPECT_EQ(Root->FindChild("target", true), direct);
    EXPECT_EQ(Root->FindChild("missing", false), nullptr);
    EXPECT_EQ(deep->FindChild("x", false), nullptr);
}

TEST_F(TSceneFixture, RemoveKeepingChildrenReversesThem)
{
    TGLBaseSceneObject* p = Child(Root, "p");
    TGLBaseSceneObject* mid = Child(p, "mid");
    for (const char* name : {"x", "y", "z"}) Child(mid, name);
    TTestLight* light = Child<TTestLight>(mid, "light");
    EXPECT_EQ(Scene->Lights, std::set<TGLBaseSceneObject*>{light});

    p->Remove(mid, true);
    EXPECT_EQ(Names(p), (std::vector<std::string>{"light", "z", "y", "x"}));
    EXPECT_EQ(mid->Parent(), nullptr);
    EXPECT_EQ(mid->Scene(), nullptr);
    EXPECT_EQ(light->Scene(), Scene);
    EXPECT_EQ(Scene->Lights, std::set<TGLBaseSceneObject*>{light});

    TGLBaseSceneObject* other = Child(p, "other");
    TGLBaseSceneObject* kept = Child(other, "kept");
    p->Remove(other, false);
    EXPECT_EQ(kept->Parent(), other);
    EXPECT_EQ(kept->Scene(), nullptr); // no longer in any scene
    Free(mid);
    Free(other);
}

TEST_F(TSceneFixture, ProgressOrder)
{
    gProgressLog.clear();
    AddXCollectionItemClass<TLogBehaviour>();
    TGLBaseSceneObject* p = Child(Root, "p");
    for (const char* name : {"c1", "c2"}) {
        TGLBaseSceneObject* c = Child(p, name);
        c->OnProgress = [c](TObject*, double, double) { gProgressLog.push_back("progress " + c->Name()); };
    }
    for (const char* name : {"b1", "b2"}) p->AddNewBehaviour(XCollectionItemClassOf<TLogBehaviour>())->SetName(name);
    p->AddNewEffect(XCollectionItemClassOf<TLogEffect>())->SetName("e1");
    double delta = 0, time = 0;
    p->OnProgress = [&](TObject*, double d, double t) {
        gProgressLog.push_back("progress p");
        delta = d;
        time = t;
    };
    Root->DoProgress(TProgressTimes{0.25, 3.5});
    EXPECT_EQ(gProgressLog, (std::vector<std::string>{"progress c2", "progress c1", "behaviour b1", "behaviour b2",
                                                      "effect e1", "progress p"}));
    EXPECT_EQ(delta, 0.25);
    EXPECT_EQ(time, 3.5);
}

TEST_F(TSceneFixture, BehaviourAndEffectCollections)
{
    TGLBaseSceneObject* o = Child(Root, "o");
    EXPECT_THAT(MessageOf<EAssertionFailed>([&] { o->AddNewBehaviour(XCollectionItemClassOf<TLogEffect>()); }),
                StartsWith("Assertion failure (VAVodad\\Source\\VAVodad"));
    EXPECT_EQ(o->Behaviours()->Count(), 0);
    EXPECT_THROW(o->AddNewEffect(XCollectionItemClassOf<TLogBehaviour>()), EAssertionFailed);
    EXPECT_EQ(o->Effects()->Count(), 0);
    EXPECT_EQ(o->Behaviours()->GetNamePath(), "o.Behaviours");
    EXPECT_EQ(o->Effects()->GetNamePath(), "o.Effects");
    EXPECT_THROW(TGLBehaviours(nullptr), EAssertionFailed);

    auto* b = static_cast<TGLBaseBehaviour*>(o->GetOrCreateBehaviour(XCollectionItemClassOf<TLogBehaviour>()));
    EXPECT_EQ(o->GetOrCreateBehaviour(XCollectionItemClassOf<TLogBehaviour>()), b);
    EXPECT_EQ(b->OwnerBaseSceneObject(), o);

    // Only post effects draw.
    gProgressLog.clear();
    o->AddNewEffect(XCollectionItemClassOf<TLogEffect>())->SetName("plain");
    o->AddNewEffect(XCollectionItemClassOf<TLogPostEffect>())->SetName("post");
    TGLRenderContextInfo rci{};
    o->RenderPreEffects(rci);
    o->RenderPostEffects(rci);
    EXPECT_EQ(gProgressLog, (std::vector<std::string>{"render post"}));
}

TEST_F(TSceneFixture, CollectionsStreamWithTheirMarkers)
{
    AddXCollectionItemClass<TLogBehaviour>();
    AddXCollectionItemClass<TLogEffect>();
    TGLBaseSceneObject* o = Child(Root, "o");
    o->AddNewBehaviour(XCollectionItemClassOf<TLogBehaviour>())->SetName("b");
    o->AddNewEffect(XCollectionItemClassOf<TLogEffect>())->SetName("e");
    o->SetTagFloat(0.5f);

    TMemoryStream behaviourStream;
    {
        TWriter writer(behaviourStream);
        o->Behaviours()->WriteToFiler(writer);
    }
    // After the class name: the item header (version 0, name "b"), then the behaviour's Integer 0.
    const std::vector<uint8_t> tail = {vaInt8, 0, vaString, 1, 'b', vaInt8, 0};
    const auto* bytes = behaviourStream.Memory();
    const std::vector<uint8_t> written(bytes, bytes + behaviourStream.Size());
    ASSERT_GE(written.size(), tail.size());
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), written.end() - tail.size()));

    // Through the component stream.
    TMemoryStream stream;
    TWriter(stream).WriteRootComponent(o);
    TGLBaseSceneObject* copy = Child(Root, "copy");
    stream.SetPosition(0);
    TReader(stream).ReadRootComponent(copy);
    ASSERT_EQ(copy->Behaviours()->Count(), 1);
    EXPECT_EQ(copy->Behaviours()->Items(0)->Name(), "b");
    ASSERT_EQ(copy->Effects()->Count(), 1);
    EXPECT_EQ(copy->Effects()->Items(0)->Name(), "e");
    EXPECT_NE(dynamic_cast<TLogEffect*>(copy->Effects()->Items(0)), nullptr);
    EXPECT_EQ(copy->TagFloat(), 0.5f);

    // A marker other than 0 is refused.
    std::vector<uint8_t> corrupt = written;
    corrupt.back() = 1;
    TMemoryStream corruptStream;
    corruptStream.WriteBuffer(corrupt.data(), corrupt.size());
    corruptStream.SetPosition(0);
    TReader reader(corruptStream);
    EXPECT_THROW(copy->Behaviours()->ReadFromFiler(reader), EAssertionFailed);
}

TEST_F(TSceneFixture, NotificationReachesTheSceneUnlessHeldBack)
{
    TGLBaseSceneObject* o = Child(Root);
    int changes = Scene->Changes;
    o->Position()->SetPoint(1, 0, 0);
    EXPECT_GT(Scene->Changes, changes);

    o->BeginUpdate();
    changes = Scene->Changes;
    o->Position()->SetPoint(2, 0, 0);
    o->SetVisible(false);
    EXPECT_EQ(Scene->Changes, changes);
    o->EndUpdate();
    EXPECT_EQ(Scene->Changes, changes + 1);

    // Read from a stream: the properties read do not notify.
    TMemoryStream stream;
    TWriter(stream).WriteRootComponent(o);
    stream.SetPosition(0);
    changes = Scene->Changes;
    o->SetTagFloat(0);
    TReader(stream).ReadRootComponent(o);
    EXPECT_EQ(Scene->Changes, changes + 1); // only Loaded's Position.W := 1
}

TEST_F(TSceneFixture, FreeingASubtreeLeavesNothingDangling)
{
    AddXCollectionItemClass<TLogBehaviour>();
    TWatcher watcher;
    TGLBaseSceneObject* top = Child(Root, "top");
    TTestCamera* camera = Child<TTestCamera>(top, "camera");
    TGLBaseSceneObject* underCamera = Child(camera, "underCamera");
    TTestLight* light = Child<TTestLight>(underCamera, "light");
    TGLBaseSceneObject* leaf = Child(top, "leaf");
    leaf->AddNewBehaviour(XCollectionItemClassOf<TLogBehaviour>());
    leaf->AddNewEffect(XCollectionItemClassOf<TLogPostEffect>());
    watcher.Watch(underCamera);
    TWatcher lightWatcher;
    lightWatcher.Watch(light);
    // Owned by another component than its parent.
    TGLBaseSceneObject* foreign = new TGLBaseSceneObject(&watcher);
    top->AddChild(foreign);
    EXPECT_EQ(Scene->Lights.size(), 1u);

    std::string movedTo;
    underCamera->OnAddedToParent = [&](TObject* sender) {
        movedTo = static_cast<TGLBaseSceneObject*>(sender)->Parent()->Name();
    };

    Free(top);
    EXPECT_EQ(movedTo, "top"); // the camera went first and handed its child up
    EXPECT_EQ(watcher.Watched, nullptr);
    EXPECT_EQ(lightWatcher.Watched, nullptr);
    EXPECT_EQ(watcher.ComponentCount(), 0);
    EXPECT_TRUE(Scene->Lights.empty());
    EXPECT_EQ(Root->Count(), 0);
}

// Children leave from the front, the middle and the end, with reorders between: the others keep their order and
// indices, and the root, which owns them, keeps its components in step.
TEST_F(TSceneFixture, FreedChildrenLeaveTheOthersInOrder)
{
    std::vector<TGLBaseSceneObject*> objects;
    for (const char* name : {"a", "b", "c", "d", "e", "f", "g", "h"}) {
        objects.push_back(new TGLBaseSceneObject(Root));
        objects.back()->SetName(name);
        Root->AddChild(objects.back());
    }
    const auto named = [&](char name) { return objects[name - 'a']; };
    Free(named('a'));
    Free(named('d'));
    EXPECT_EQ(Names(Root), (std::vector<std::string>{"b", "c", "e", "f", "g", "h"}));
    EXPECT_EQ(named('e')->Index(), 2);
    named('h')->MoveFirst();
    Free(named('c'));
    Free(named('h'));
    EXPECT_EQ(Names(Root), (std::vector<std::string>{"b", "e", "f", "g"}));
    Free(named('g'));
    Free(named('b'));
    Free(named('e'));
    TGLBaseSceneObject* i = Child(Root, "i");
    EXPECT_EQ(Names(Root), (std::vector<std::string>{"f", "i"}));
    EXPECT_EQ(i->Index(), 1);
    EXPECT_EQ(Root->ComponentCount(), 2);
    EXPECT_EQ(Root->Components(0), named('f'));
    EXPECT_EQ(Root->Components(1), i);
}

TEST_F(TSceneFixture, DeepCopyAndBoundingVolumes)
{
    RegisterClass<TGLBaseSceneObject>();
    AddXCollectionItemClass<TLogBehaviour>();
    TGLBaseSceneObject* source = Child(Root, "source");
    source->Position()->SetPoint(1, 2, 3);
    source->Scale()->SetVector(2, 2, 2);
    source->SetTurnAngle(90);
    source->SetPickable(false);
    source->SetTag(7);
    Child(source, "kid")->Position()->SetPoint(0, 0, 4);
    source->AddNewBehaviour(XCollectionItemClassOf<TLogBehaviour>())->SetName("b");
    TGLBaseSceneObject* copy = Child(Root, "copy");
    copy->Assign(source);
    ExpectNear(copy->AbsolutePosition(), {1, 2, 3, 1});
    ExpectNear(copy->Direction()->AsVector(), {1, 0, 0, 0});
    EXPECT_EQ(copy->TurnAngle(), 90);
    EXPECT_TRUE(copy->Pickable()); // not copied
    EXPECT_EQ(copy->Tag(), 7);
    ASSERT_EQ(copy->Count(), 1);
    ExpectNear(copy->Children(0)->AbsolutePosition(), {9, 2, 3, 1});
    EXPECT_EQ(copy->Behaviours()->Items(0)->Name(), "b");
    EXPECT_THROW(copy->Assign(source->Position()), EConvertError);

    // Unit cube half sizes, scaled by 2; the child's box reaches 4 + 0.5 along the parent's Z.
    EXPECT_FLOAT_EQ(source->BoundingSphereRadius(), std::sqrt(3.0f));
    const TAABB box = source->AxisAlignedBoundingBoxUnscaled(true);
    EXPECT_FLOAT_EQ(box.Max.Z, 4.5f);
    EXPECT_FLOAT_EQ(box.Min.Z, -0.5f);
    const TAABB cached = source->AxisAlignedBoundingBoxEx();
    EXPECT_FLOAT_EQ(cached.Max.Z, 9.0f);
    EXPECT_TRUE(source->PointInObject(V(1.4f, 2, 3, 1)));
    EXPECT_FALSE(source->PointInObject(V(1, 2, 5, 1)));
}

TEST_F(TSceneFixture, RayCastSilhouetteAndOrbit)
{
    TGLBaseSceneObject* o = Child(Root);
    o->Position()->SetPoint(0, 0, -10);
    TVector4f hit, normal;
    ASSERT_TRUE(o->RayCastIntersect(V(0, 0, 0, 1), V(0, 0, -1, 0), &hit, &normal));
    const float r = std::sqrt(0.75f);
    ExpectNear(hit, {0, 0, -10 + r, 1});
    ExpectNear(normal, {0, 0, 1, 0});
    EXPECT_FALSE(o->RayCastIntersect(V(0, 5, 0, 1), V(0, 0, -1, 0)));

    for (TGLSilhouetteStyle style : {ssParallel, ssOmni})
        for (bool capping : {false, true}) {
            const TGLSilhouetteParameters parameters{{{{0, 0, 10}}}, {{{0, 0, -1}}}, style, capping};
            std::unique_ptr<TGLSilhouette> s = o->GenerateSilhouette(parameters);
            EXPECT_EQ(s->Vertices()->Count(), capping ? 22 : 21);
            EXPECT_EQ(s->Indices()->Count(), 42);
            EXPECT_EQ(s->Indices()->Get(41), 0);
            EXPECT_EQ(s->CapIndices()->Count(), capping ? 63 : 0);
            if (style == ssParallel) {
                EXPECT_NEAR(HmgLength(s->Vertices()->Get(0)), r * 0.98f, 1e-5);
            }
        }

    // Orbiting over the pole stops short of it.
    TGLBaseSceneObject* target = Child(Root);
    TGLBaseSceneObject* eye = Child(Root);
    eye->Position()->SetPoint(0, 0, 10);
    for (int i = 0; i < 10; ++i) eye->MoveObjectAround(target, 40, 0);
    TVector4f toEye = eye->AbsolutePosition();
    HmgNormalizeInPlace(toEye);
    const double angleToUp = std::acos(HmgDot(toEye, V(0, 1, 0, 0)));
    EXPECT_NEAR(angleToUp, M_PI - 0.025, 1e-3); // a positive pitch goes towards pi
    EXPECT_NEAR(HmgLength(eye->AbsolutePosition()), 10, 1e-3);
    EXPECT_EQ(eye->DistanceTo(nullptr), 0);
}

TEST_F(TSceneFixture, PointingAndRelativeMoves)
{
    TGLBaseSceneObject* parent = Child(Root);
    parent->Position()->SetPoint(5, 0, 0);
    TGLBaseSceneObject* eye = Child(parent);
    TGLBaseSceneObject* target = Child(Root);
    target->Position()->SetPoint(5, 0, -10);
    eye->PointTo(target, V(0, 1, 0, 0));
    ExpectNear(eye->AbsoluteDirection(), {0, 0, -1, 0});
    ExpectNear(eye->Up()->AsVector(), {0, 1, 0, 0});
    eye->PointTo(nullptr, V(0, 1, 0, 0)); // nothing

    eye->Move(2);  // along Direction
    eye->Lift(1);  // along Up
    eye->Slide(3); // along Right = Direction x Up = (1, 0, 0)
    ExpectNear(eye->AbsolutePosition(), {8, 1, -2, 1});
    EXPECT_FLOAT_EQ(eye->DistanceTo(target), std::sqrt(9.0f + 1 + 64));
    EXPECT_FLOAT_EQ(eye->SqrDistanceTo(TVector3f{{{5, 0, -10}}}), 74);

    // Orbiting all around keeps the distance and faces the target.
    eye->MoveObjectAllAround(target, 30, 45);
    EXPECT_NEAR(eye->DistanceTo(target), std::sqrt(74.0f), 1e-4);
    TVector4f toTarget;
    HmgSubtract(target->AbsolutePosition(), eye->AbsolutePosition(), toTarget);
    HmgNormalizeInPlace(toTarget);
    ExpectNear(eye->AbsoluteDirection(), {toTarget.X, toTarget.Y, toTarget.Z, 0}, 1e-5f);
}

TEST_F(TSceneFixture, AbsoluteRotationAndForcedParentMatrices)
{
    // About the world's Y axis wherever the object stands: its orientation turns, its position stays.
    TGLBaseSceneObject* o = Child(Root);
    o->Position()->SetPoint(10, 0, 0);
    o->RotateAbsolute(0, 90, 0);
    ExpectNear(o->Direction()->AsVector(), {1, 0, 0, 0});
    ExpectNear(o->Up()->AsVector(), {0, 1, 0, 0});
    ExpectNear(o->AbsolutePosition(), {10, 0, 0, 1});
    o->RotateAbsolute(TVector3f{{{0, 1, 0}}}, 90);
    ExpectNear(o->Direction()->AsVector(), {0, 0, 1, 0});

    // A forced matrix reaches the children's absolute matrices.
    TGLBaseSceneObject* child = Child(o);
    child->Position()->SetPoint(0, 0, 1);
    ExpectNear(child->AbsolutePosition(), {10, 0, 1, 1});
    TMatrix4f moved = IdentityHmgMatrix;
    moved.W = V(0, 5, 0, 1);
    o->ForceLocalMatrix(moved);
    ExpectNear(child->AbsolutePosition(), {0, 5, 1, 1});
}

TEST_F(TSceneFixture, DeletingALightsChildrenKeepsTheLightLit)
{
    TTestLight* light = Child<TTestLight>(Root, "light");
    TTestLight* inner = Child<TTestLight>(light, "inner");
    EXPECT_EQ(Scene->Lights, (std::set<TGLBaseSceneObject*>{light, inner}));
    light->DeleteChildren();
    EXPECT_EQ(Scene->Lights, std::set<TGLBaseSceneObject*>{light});
    EXPECT_EQ(light->Count(), 0);
}

TEST(SceneObjectBlended, TheAnswerFollowsTheLibraryMaterialAndItsLoss)
{
    auto* library = new TGLMaterialLibrary(nullptr);
    TGLLibMaterial* glass = library->Materials()->Add();
    glass->SetName("glass");
    glass->Material()->SetBlendingMode(bmTransparency);
    auto* object = new TVAVodadObject(nullptr);
    object->Material()->SetMaterialLibrary(library);
    object->Material()->SetLibMaterialName("glass");
    EXPECT_TRUE(object->Blended());
    glass->Material()->SetBlendingMode(bmOpaque);
    EXPECT_FALSE(object->Blended());
    glass->Material()->SetBlendingMode(bmAdditive);
    EXPECT_TRUE(object->Blended());
    // The library material goes without telling its users: the object's own opaque material answers.
    Free(library);
    EXPECT_FALSE(object->Blended());
    Free(object);
}
