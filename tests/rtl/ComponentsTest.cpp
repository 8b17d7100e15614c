#include "Components.h"
#include "Raises.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records what happens to components: their pre-destroy step (with the state it sees) and every
// notification they receive.
std::vector<std::string> gLog;

const char* OperationName(TOperation Operation) { return Operation == opInsert ? "insert" : "remove"; }

class TLoggedComponent : public TComponent {
public:
    TLoggedComponent(TComponent* AOwner, const std::string& AName) : TComponent(AOwner) { SetName(AName); }

    void BeforeDestruction() override
    {
        gLog.push_back("destroy " + Name() + ((ComponentState() & csDestroying) ? " (destroying)" : ""));
        TComponent::BeforeDestruction();
    }
    void Notification(TComponent* AComponent, TOperation Operation) override
    {
        if (AComponent != this) gLog.push_back(Name() + " hears " + OperationName(Operation) + " " + AComponent->Name());
        TComponent::Notification(AComponent, Operation);
    }
};

// Holds a reference to a component it does not own, cleared through free notification.
class THolder : public TComponent {
public:
    explicit THolder(TComponent* AOwner, bool callsBase = true) : TComponent(AOwner), FCallsBase(callsBase) {}
    TComponent* Target() const { return FTarget; }
    void SetTarget(TComponent* Value)
    {
        if (FTarget) FTarget->RemoveFreeNotification(this);
        FTarget = Value;
        if (FTarget) FTarget->FreeNotification(this);
    }
    void Notification(TComponent* AComponent, TOperation Operation) override
    {
        if (Operation == opRemove && AComponent == FTarget) FTarget = nullptr;
        if (FCallsBase) TComponent::Notification(AComponent, Operation);
    }

private:
    TComponent* FTarget = nullptr;
    bool FCallsBase;
};

class ComponentsTest : public ::testing::Test {
protected:
    void SetUp() override { gLog.clear(); }
};

std::vector<std::string> Destroys()
{
    std::vector<std::string> destroys;
    for (const auto& line : gLog)
        if (line.rfind("destroy ", 0) == 0) destroys.push_back(line);
    return destroys;
}

TEST_F(ComponentsTest, OwnerFreesItsComponentsLastFirstAfterItsOwnStep)
{
    auto* owner = new TLoggedComponent(nullptr, "O");
    new TLoggedComponent(owner, "A");
    auto* b = new TLoggedComponent(owner, "B");
    new TLoggedComponent(b, "B1");
    new TLoggedComponent(owner, "C");
    ASSERT_EQ(owner->ComponentCount(), 3);
    EXPECT_EQ(owner->Components(1), b);
    EXPECT_EQ(b->Owner(), owner);

    Free(owner);
    // The derived step runs while the object is whole and already marked destroying.
    EXPECT_EQ(Destroys(), (std::vector<std::string>{"destroy O (destroying)", "destroy C (destroying)",
                                                    "destroy B (destroying)", "destroy B1 (destroying)",
                                                    "destroy A (destroying)"}));
}

TEST_F(ComponentsTest, FreedOrDeletedComponentLeavesItsOwner)
{
    TComponent owner(nullptr);
    auto* a = new TComponent(&owner);
    auto* b = new TComponent(&owner);
    auto* c = new TComponent(&owner);
    Free(b);
    ASSERT_EQ(owner.ComponentCount(), 2);
    EXPECT_EQ(owner.Components(0), a);
    EXPECT_EQ(owner.Components(1), c);
    delete a; // without the pre-destroy step the destructor still unlinks it
    ASSERT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(owner.Components(0), c);
    EXPECT_THROW(owner.Components(1), EListError);
}

TEST_F(ComponentsTest, ComponentsLeavingFromAnywhereKeepTheOthersInOrder)
{
    TComponent owner(nullptr);
    std::vector<TComponent*> made;
    for (int k = 0; k < 9; ++k) made.push_back(new TComponent(&owner));
    // The front, the end, the middle; then more than half are gone, and newcomers join at the end.
    for (int k : {0, 8, 4, 1, 6}) Free(made[k]);
    made.push_back(new TComponent(&owner));
    TComponent other(nullptr);
    other.InsertComponent(made[3]);
    const std::vector<TComponent*> expected{made[2], made[5], made[7], made[9]};
    ASSERT_EQ(owner.ComponentCount(), 4);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(owner.Components(k), expected[k]);
    Free(made[5]);
    EXPECT_EQ(owner.Components(1), made[7]);
}

TEST_F(ComponentsTest, InsertComponentMovesFromThePreviousOwner)
{
    TComponent first(nullptr);
    TComponent second(nullptr);
    auto* moved = new TComponent(&first);
    second.InsertComponent(moved);
    EXPECT_EQ(first.ComponentCount(), 0);
    EXPECT_EQ(second.ComponentCount(), 1);
    EXPECT_EQ(moved->Owner(), &second);
    second.RemoveComponent(moved);
    EXPECT_EQ(moved->Owner(), nullptr);
    Free(moved);
}

TEST_F(ComponentsTest, FreeNotificationClearsReferencesEitherWayRound)
{
    // Target dies first: the holder's reference is cleared.
    auto* holder = new THolder(nullptr);
    auto* target = new TComponent(nullptr);
    holder->SetTarget(target);
    Free(target);
    EXPECT_EQ(holder->Target(), nullptr);

    // Holder dies first: the target forgets it, so the target's death touches no freed memory.
    target = new TComponent(nullptr);
    holder->SetTarget(target);
    Free(holder);
    Free(target);

    // After RemoveFreeNotification nothing is told.
    auto* watcher = new TLoggedComponent(nullptr, "W");
    auto* watched = new TLoggedComponent(nullptr, "X");
    watched->FreeNotification(watcher);
    watched->RemoveFreeNotification(watcher);
    Free(watched);
    Free(watcher);
    EXPECT_EQ(gLog, (std::vector<std::string>{"destroy X (destroying)", "destroy W (destroying)"}));
}

TEST_F(ComponentsTest, FreeNotificationSurvivesAnOverrideThatSkipsTheBase)
{
    auto* careless = new THolder(nullptr, false);
    auto* first = new TComponent(nullptr);
    auto* second = new TComponent(nullptr);
    careless->SetTarget(first);
    second->FreeNotification(careless);
    Free(first); // the careless override never unlinks itself; the dying side does it
    EXPECT_EQ(careless->Target(), nullptr);
    Free(second);
    Free(careless);
}

TEST_F(ComponentsTest, NotificationOrderWhenAComponentDies)
{
    auto* owner = new TLoggedComponent(nullptr, "O");
    auto* sibling = new TLoggedComponent(owner, "S");
    new TLoggedComponent(owner, "Q"); // holds no references: the tree's notifications pass it over
    auto* dying = new TLoggedComponent(owner, "X");
    new TLoggedComponent(dying, "K");
    auto* plain = new TLoggedComponent(owner, "P"); // holds none itself but owns one that does
    auto* nested = new TLoggedComponent(plain, "L");
    auto* h1 = new TLoggedComponent(nullptr, "H1");
    auto* h2 = new TLoggedComponent(nullptr, "H2");
    dying->FreeNotification(h1);
    dying->FreeNotification(h2);
    sibling->FreeNotification(h1);
    nested->FreeNotification(h2);
    gLog.clear();

    Free(dying);
    EXPECT_EQ(gLog, (std::vector<std::string>{
                        "destroy X (destroying)",
                        "H2 hears remove X", // free notification, the last registered first
                        "H1 hears remove X",
                        "destroy K (destroying)", // then what it owns
                        "O hears remove X",       // then its owner and the owner's components that hold references
                        "P hears remove X",
                        "L hears remove X",
                        "S hears remove X",
                    }));

    gLog.clear();
    owner->InsertComponent(new TLoggedComponent(nullptr, "N"));
    EXPECT_EQ(gLog, (std::vector<std::string>{"O hears insert N", "P hears insert N", "L hears insert N",
                                              "S hears insert N"}));
    EXPECT_EQ(owner->Components(0), sibling);

    // A component that moves to another owner is reached there, and no longer through the old one.
    auto* other = new TLoggedComponent(nullptr, "R");
    other->InsertComponent(nested);
    gLog.clear();
    owner->InsertComponent(new TLoggedComponent(nullptr, "M"));
    other->InsertComponent(new TLoggedComponent(nullptr, "T"));
    EXPECT_EQ(gLog, (std::vector<std::string>{"O hears insert M", "P hears insert M", "S hears insert M",
                                              "R hears insert T", "L hears insert T"}));
    Free(owner);
    Free(other);
    Free(h1);
    Free(h2);
}

TEST_F(ComponentsTest, StateDesigningAndLoaded)
{
    TComponent owner(nullptr);
    owner.SetDesigning(true);
    auto* child = new TComponent(&owner);
    EXPECT_TRUE(child->ComponentState() & csDesigning);
    owner.SetDesigning(false);
    EXPECT_FALSE(child->ComponentState() & csDesigning);
    child->SetSubComponent(true);
    EXPECT_TRUE(child->ComponentStyle() & csSubComponent);
}

// ---- Assign and name paths

class TShape : public TPersistent {
public:
    int Size = 0;
};

class TSquare : public TShape {
protected:
    // A square knows how to copy itself into a shape.
    void AssignTo(TPersistent* Dest) override
    {
        if (auto* shape = dynamic_cast<TShape*>(Dest)) {
            shape->Size = Size;
            return;
        }
        TShape::AssignTo(Dest);
    }
};

class TPart : public TPersistent {
public:
    explicit TPart(TPersistent* owner) : FOwner(owner) {}
    TPersistent* GetOwner() const override { return FOwner; }

private:
    TPersistent* FOwner;
};

TEST(PersistentTest, AssignRaisesUnlessOneSideKnowsHow)
{
    TShape shape;
    TSquare square;
    square.Size = 7;
    shape.Assign(&square);
    EXPECT_EQ(shape.Size, 7);

    struct Case {
        TPersistent* source;
        TPersistent* dest;
        const char* message;
    };
    TPart part(nullptr);
    const Case cases[] = {
        {&shape, &square, "Cannot assign a TShape to a TSquare"},
        {&part, &shape, "Cannot assign a TPart to a TShape"},
        {nullptr, &shape, "Cannot assign a nil to a TShape"},
    };
    for (const Case& c : cases) EXPECT_EQ(MessageOf<EConvertError>([&] { c.dest->Assign(c.source); }), c.message);
}

TEST(PersistentTest, NamePathFollowsOwners)
{
    TComponent scene(nullptr);
    scene.SetName("Scene1");
    TPart part(&scene);
    TPart inner(&part);
    TComponent unnamed(nullptr);
    TPart orphan(&unnamed);
    EXPECT_EQ(part.GetNamePath(), "Scene1.TPart");
    EXPECT_EQ(inner.GetNamePath(), "Scene1.TPart.TPart");
    EXPECT_EQ(orphan.GetNamePath(), "TPart");
}

// ---- class registry

class TRegistryWidget : public TComponent {
public:
    using TComponent::TComponent;
};

class TRegistryRecord : public TPersistent {};

class TRegistryImpostor : public TComponent {
public:
    using TComponent::TComponent;
    std::string ClassName() const override { return "TRegistryWidget"; }
};

TEST(ClassRegistryTest, RegisterFindAndCreate)
{
    RegisterClasses<TRegistryWidget, TRegistryRecord>();
    RegisterClass<TRegistryWidget>(); // again: nothing happens

    const TPersistentClass* widget = GetClass("tregistrywidget");
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->ClassName(), "TRegistryWidget");
    EXPECT_TRUE(widget->IsComponent());
    TComponent owner(nullptr);
    TPersistent* made = widget->Create(&owner);
    ASSERT_NE(dynamic_cast<TRegistryWidget*>(made), nullptr);
    EXPECT_EQ(owner.ComponentCount(), 1);

    const TPersistentClass& record = FindClass("TRegistryRecord");
    EXPECT_FALSE(record.IsComponent());
    TPersistent* plain = record.Create();
    EXPECT_EQ(plain->ClassName(), "TRegistryRecord");
    Free(plain);

    EXPECT_EQ(GetClass("TRegistryMissing"), nullptr);
    EXPECT_EQ(MessageOf<EClassNotFound>([] { FindClass("TRegistryMissing"); }), "Class TRegistryMissing not found");
    // Another C++ class under a taken name is refused.
    EXPECT_THROW(RegisterClass(TPersistentClass("TRegistryWidget", typeid(TRegistryImpostor), true, nullptr)),
                 EStreamError);
}

// ---- lists

TEST(ListTest, OperationsKeepTheOrder)
{
    int v[6] = {0, 1, 2, 3, 4, 5};
    TList<int> list;
    for (int i = 0; i < 4; ++i) list.Add(&v[i]); // 0 1 2 3
    list.Insert(0, &v[5]);                       // 5 0 1 2 3
    list.Exchange(0, 4);                         // 3 0 1 2 5
    list.Move(0, 3);                             // 0 1 2 3 5
    EXPECT_EQ(list.Remove(&v[1]), 1);            // 0 2 3 5
    EXPECT_EQ(list.Remove(&v[4]), -1);
    EXPECT_EQ(list.Extract(&v[3]), &v[3]); // 0 2 5
    list.Add(nullptr);
    list.Insert(1, nullptr);
    list.Pack();
    ASSERT_EQ(list.Count(), 3);
    list.Sort([](int* a, int* b) { return *b - *a; });
    EXPECT_EQ(list.First(), &v[5]);
    EXPECT_EQ(list.Items(1), &v[2]);
    EXPECT_EQ(list.Last(), &v[0]);
    EXPECT_EQ(list.IndexOf(&v[2]), 1);
    list.SetCount(5);
    EXPECT_EQ(list.Items(4), nullptr);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST(ListTest, SortOrdersManyEntries)
{
    std::vector<int> values;
    for (int i = 0; i < 200; ++i) values.push_back((i * 7919) % 97);
    TList<int> list;
    for (int& value : values) list.Add(&value);
    list.Sort([](int* a, int* b) { return *a - *b; });
    for (int i = 1; i < list.Count(); ++i) EXPECT_LE(*list.Items(i - 1), *list.Items(i));
}

TEST(ListTest, IndexErrorsNameTheIndex)
{
    int v = 0;
    TList<int> list;
    list.Add(&v);
    list.Add(&v);
    struct Case {
        std::function<void()> call;
        const char* message;
    };
    const Case cases[] = {
        {[&] { list.Items(-1); }, "List index out of bounds (-1)"},
        {[&] { list.Items(2); }, "List index out of bounds (2)"},
        {[&] { list.SetItems(2, &v); }, "List index out of bounds (2)"},
        {[&] { list.Delete(2); }, "List index out of bounds (2)"},
        {[&] { list.Insert(3, &v); }, "List index out of bounds (3)"},
        {[&] { list.Exchange(0, 5); }, "List index out of bounds (5)"},
        {[&] { list.Move(-1, 0); }, "List index out of bounds (-1)"},
        {[&] { list.Move(0, 2); }, "List index out of bounds (2)"},
        {[&] { list.SetCount(-1); }, "List count out of bounds (-1)"},
        {[&] { list.SetCapacity(1); }, "List capacity out of bounds (1)"},
        {[] { TList<int>().First(); }, "List index out of bounds (0)"},
        {[] { TList<int>().Last(); }, "List index out of bounds (-1)"},
    };
    for (const Case& c : cases) EXPECT_EQ(MessageOf<EListError>(c.call), c.message);
    EXPECT_EQ(list.Count(), 2);
}

class TCounted : public TObject {
public:
    explicit TCounted(int& alive) : FAlive(alive) { ++FAlive; }
    ~TCounted() override { --FAlive; }

private:
    int& FAlive;
};

TEST(ObjectListTest, FreesWhatItDeletesWhileItOwnsObjects)
{
    int alive = 0;
    {
        TObjectList<TCounted> list;
        for (int i = 0; i < 5; ++i) list.Add(new TCounted(alive));
        TCounted* kept = list.Extract(list.Items(0)); // extracted: not freed
        list.Delete(0);
        list.Remove(list.Items(0));
        list.SetItems(0, new TCounted(alive)); // the old entry is freed
        EXPECT_EQ(alive, 3);
        Free(kept);
        EXPECT_EQ(alive, 2);

        list.SetOwnsObjects(false);
        TCounted* unowned = list.Items(0);
        list.Delete(0);
        EXPECT_EQ(alive, 2);
        Free(unowned);
        list.SetOwnsObjects(true);
    } // the rest goes with the list
    EXPECT_EQ(alive, 0);
}

} // namespace
