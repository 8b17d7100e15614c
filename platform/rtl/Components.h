// Runtime library: the object model. The root object with its class name and pre-destroy step, persistent
// objects with Assign and streamed-property definitions, owned components with free notification and loading
// state, pointer and object lists, and the registry of classes chosen by name at run time.
#pragma once

#include "Streams.h"
#include "SysUtils.h"

#include <cstdint>
#include <functional>
#include <string>
#include <typeinfo>
#include <type_traits>
#include <utility>
#include <vector>

class TFiler;

// The class name of a C++ type as the system knows it (the type's own name, without namespace qualifiers).
const std::string& ClassNameOf(const std::type_info& type);
template <class T> const std::string& ClassNameOf() { return ClassNameOf(typeid(T)); }

// Whether the pointer that throwClassPointer throws is to T or to a descendant of T. Class references keep no
// parent chain in C++, but a handler for `const T*` catches exactly the pointers of T and its descendants.
template <class T, class F> bool ThrowsPointerTo(F&& throwClassPointer)
{
    try {
        throwClassPointer();
    } catch (const T*) {
        return true;
    } catch (...) {
    }
    return false;
}

// Root of the class tree. Classes whose destruction must still run code of the derived class do it in
// BeforeDestruction, which Free calls while the object is whole; a plain delete skips that step.
class TObject {
public:
    virtual ~TObject() = default;
    // The C++ class name, which is the system's; a class need not override it.
    virtual std::string ClassName() const { return ClassNameOf(typeid(*this)); }
    virtual void BeforeDestruction() {}
};

// Runs the pre-destroy step and deletes; nothing for nullptr. A component is marked destroying first, so
// its own pre-destroy code already runs in that state.
void Free(TObject* obj);

// Frees through Free: the deleter of a std::unique_ptr that owns an object with a pre-destroy step.
struct TFreeDeleter {
    void operator()(TObject* obj) const { Free(obj); }
};

// Clears the reference before freeing, so nothing reached during the destruction sees it.
template <class T> void FreeAndNil(T*& obj)
{
    T* dying = obj;
    obj = nullptr;
    Free(dying);
}

// An object that can copy itself from another (Assign) and declare streamed properties (DefineProperties).
class TPersistent : public TObject {
public:
    // Copies Source into this object. The base asks Source to assign itself to this one (AssignTo), which
    // raises EConvertError "Cannot assign a <source class> to a <this class>" unless a class knows how.
    virtual void Assign(TPersistent* Source);
    // The object this one belongs to, for name paths; none here.
    virtual TPersistent* GetOwner() const { return nullptr; }
    // The class name, after the owner's name path and a dot when the owner has one.
    virtual std::string GetNamePath() const;
    // Declares the properties written to and read from a component stream (TFiler::DefineProperty...).
    virtual void DefineProperties(TFiler& Filer);

protected:
    virtual void AssignTo(TPersistent* Dest);
    // Raises EConvertError "Cannot assign a <Source class or nil> to a <this class>".
    [[noreturn]] void AssignError(TPersistent* Source);
};

// List index, count and capacity errors: "List index out of bounds (%d)" and its kin.
class EListError : public Exception {
public:
    using Exception::Exception;
};

[[noreturn]] void RaiseListError(const char* what, int value);

enum TListNotification { lnAdded, lnExtracted, lnDeleted };

// A growable list of pointers with checked indices. Descendants react to entries arriving and leaving
// through Notify (called for non-null entries only).
template <class T = void>
class TList {
public:
    TList() = default;
    TList(const TList&) = delete;
    TList& operator=(const TList&) = delete;
    virtual ~TList() = default; // descendants whose Notify frees entries clear themselves first

    int Count() const { return static_cast<int>(FItems.size()); }
    void SetCount(int NewCount)
    {
        if (NewCount < 0) RaiseListError("List count out of bounds (%d)", NewCount);
        while (Count() > NewCount) Delete(Count() - 1);
        FItems.resize(NewCount, nullptr);
    }
    int Capacity() const { return static_cast<int>(FItems.capacity()); }
    void SetCapacity(int NewCapacity)
    {
        if (NewCapacity < Count()) RaiseListError("List capacity out of bounds (%d)", NewCapacity);
        if (NewCapacity > Capacity()) FItems.reserve(NewCapacity);
    }

    T* Items(int Index) const
    {
        CheckIndex(Index);
        return FItems[Index];
    }
    // Overwrites an entry; the old entry counts as deleted, the new one as added.
    void SetItems(int Index, T* Item)
    {
        CheckIndex(Index);
        T* old = FItems[Index];
        if (old == Item) return;
        FItems[Index] = Item;
        if (old) Notify(old, lnDeleted);
        if (Item) Notify(Item, lnAdded);
    }
    T* First() const { return Items(0); }
    T* Last() const { return Items(Count() - 1); }
    // The entries themselves, unchecked, for loops over a list that does not change meanwhile.
    T* const* List() const { return FItems.data(); }

    int Add(T* Item)
    {
        FItems.push_back(Item);
        if (Item) Notify(Item, lnAdded);
        return Count() - 1;
    }
    void Insert(int Index, T* Item)
    {
        if (Index < 0 || Index > Count()) RaiseListError("List index out of bounds (%d)", Index);
        FItems.insert(FItems.begin() + Index, Item);
        if (Item) Notify(Item, lnAdded);
    }
    void Delete(int Index)
    {
        CheckIndex(Index);
        T* item = FItems[Index];
        FItems.erase(FItems.begin() + Index);
        if (item) Notify(item, lnDeleted);
    }
    // Deletes the first occurrence; answers its former index or -1.
    int Remove(T* Item)
    {
        const int index = IndexOf(Item);
        if (index >= 0) Delete(index);
        return index;
    }
    // Takes the first occurrence out without deleting it (descendants that own entries do not free it);
    // answers the item or nullptr.
    T* Extract(T* Item)
    {
        const int index = IndexOf(Item);
        if (index < 0) return nullptr;
        FItems.erase(FItems.begin() + index);
        if (Item) Notify(Item, lnExtracted);
        return Item;
    }
    int IndexOf(T* Item) const
    {
        for (int i = 0; i < Count(); ++i)
            if (FItems[i] == Item) return i;
        return -1;
    }
    void Exchange(int Index1, int Index2)
    {
        CheckIndex(Index1);
        CheckIndex(Index2);
        std::swap(FItems[Index1], FItems[Index2]);
    }
    // Takes the entry at CurIndex out and reinserts it at NewIndex.
    void Move(int CurIndex, int NewIndex)
    {
        if (CurIndex == NewIndex) return;
        CheckIndex(CurIndex);
        CheckIndex(NewIndex);
        T* item = FItems[CurIndex];
        FItems.erase(FItems.begin() + CurIndex);
        FItems.insert(FItems.begin() + NewIndex, item);
    }
    // Removes every null entry, keeping the order of the others.
    void Pack() { std::erase(FItems, nullptr); }
    // Deletes every entry, the last first.
    void Clear()
    {
        SetCount(0);
        FItems.shrink_to_fit();
    }
    // Quicksort with compare(a, b) < 0 when a goes first; not stable.
    template <class Compare> void Sort(Compare compare)
    {
        if (Count() > 1) QuickSort(0, Count() - 1, compare);
    }

protected:
    virtual void Notify(T* /*Item*/, TListNotification /*Action*/) {}

private:
    void CheckIndex(int Index) const
    {
        if (Index < 0 || Index >= Count()) RaiseListError("List index out of bounds (%d)", Index);
    }
    template <class Compare> void QuickSort(int lo, int hi, Compare& compare)
    {
        int i;
        do {
            i = lo;
            int j = hi;
            T* pivot = FItems[(lo + hi) / 2];
            do {
                while (compare(FItems[i], pivot) < 0) ++i;
                while (compare(FItems[j], pivot) > 0) --j;
                if (i <= j) {
                    std::swap(FItems[i], FItems[j]);
                    ++i;
                    --j;
                }
            } while (i <= j);
            if (lo < j) QuickSort(lo, j, compare);
            lo = i;
        } while (i < hi);
    }

    std::vector<T*> FItems;
};

// A list of objects that frees the ones it deletes while OwnsObjects is on (the default).
template <class T = TObject>
class TObjectList : public TList<T> {
    static_assert(std::is_base_of_v<TObject, T>, "a TObjectList holds TObject descendants");

public:
    explicit TObjectList(bool AOwnsObjects = true) : FOwnsObjects(AOwnsObjects) {}
    ~TObjectList() override { this->Clear(); }

    bool OwnsObjects() const { return FOwnsObjects; }
    void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }

protected:
    void Notify(T* Item, TListNotification Action) override
    {
        if (FOwnsObjects && Action == lnDeleted) Free(Item);
    }

private:
    bool FOwnsObjects;
};

// Component state and style are bit sets; test with `ComponentState() & csLoading`.
using TComponentState = uint32_t;
constexpr TComponentState csLoading = 1u << 0;          // being loaded from a stream, until Loaded
constexpr TComponentState csReading = 1u << 1;          // its own properties are being read
constexpr TComponentState csDestroying = 1u << 2;       // being destroyed
constexpr TComponentState csDesigning = 1u << 3;        // in design mode (never set by the program itself)
constexpr TComponentState csFreeNotification = 1u << 4; // takes part in free notification

using TComponentStyle = uint32_t;
constexpr TComponentStyle csSubComponent = 1u << 0; // streamed as part of its owner, not as a child

enum TOperation { opInsert, opRemove };

// A named object with an owner. The owner frees its components with it, the last first. Free notification
// tells every component that asked (FreeNotification) when this one dies, so it can drop its reference.
class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    // Notifies the components that asked for it (the last registered first), frees the owned components
    // (the last first) and leaves the owner, which notifies itself and its components. Descendants that
    // must detach with their own code override it and call this last. A plain delete does the same
    // without the descendants' step.
    void BeforeDestruction() override;
    // Sets csDestroying on this component and everything it owns (Free does it before the pre-destroy step).
    void Destroying();

    const std::string& Name() const { return FName; }
    virtual void SetName(const std::string& NewName) { FName = NewName; }
    TComponent* Owner() const { return FOwner; }
    TPersistent* GetOwner() const override { return FOwner; }
    std::string GetNamePath() const override { return FName; }

    int ComponentCount() const
    {
        PackComponents();
        return static_cast<int>(FComponents.size());
    }
    TComponent* Components(int Index) const;
    // Takes AComponent into this component's list (from its previous owner) and tells the tree (opInsert).
    // The constructor does it for its owner, so the tree hears of a component not yet built beyond
    // TComponent.
    void InsertComponent(TComponent* AComponent);
    // Releases AComponent from this component's list without freeing it and tells the tree (opRemove).
    void RemoveComponent(TComponent* AComponent);

    TComponentState ComponentState() const { return FComponentState; }
    TComponentStyle ComponentStyle() const { return FComponentStyle; }
    void SetSubComponent(bool IsSubComponent);
    // Design mode for this component and everything it owns.
    void SetDesigning(bool Value);

    // AComponent will receive Notification(this, opRemove) when this component dies, and the other way
    // round; both stop when either is removed with RemoveFreeNotification or dies.
    void FreeNotification(TComponent* AComponent);
    void RemoveFreeNotification(TComponent* AComponent);

    // Called when a component enters (opInsert) or leaves (opRemove) this component's tree or free-
    // notification list. The base drops a leaving component from the free-notification list and passes the
    // call to the owned components that take part in free notification or own such a component (the last to
    // join first); the others hold no references and are passed over, so a large tree is built and freed in
    // linear time. Overrides clear their references, then call this.
    virtual void Notification(TComponent* AComponent, TOperation Operation);

    // Called once after the component and everything else in its stream has been read; the base ends the
    // loading state.
    virtual void Loaded();

    // Component-stream hooks: the children written after this component's properties, the component a
    // child read from a stream is placed under, and whether this one is placed under another.
    using TGetChildProc = std::function<void(TComponent* Child)>;
    virtual void GetChildren(const TGetChildProc& Proc, TComponent* Root);
    virtual void SetParentComponent(TComponent* Value);
    virtual TComponent* GetParentComponent() const { return nullptr; }
    virtual bool HasParent() const { return false; }

private:
    friend class TReader; // sets and ends the loading state of what it reads

    void Teardown();
    void DestroyComponents();
    void RemoveFreeNotifications();
    void RemoveNotification(TComponent* AComponent);
    void Detach(TComponent* AComponent);
    void PackComponents() const;
    void Listen();

    std::string FName;
    TComponent* FOwner = nullptr;
    // A component that leaves leaves a hole (null) at its place, so leaving costs the same however many
    // siblings it has; the holes close before the list is next read by index, or once they are half of it.
    mutable std::vector<TComponent*> FComponents;
    mutable int FComponentHoles = 0;
    mutable int FOwnerIndex = -1; // this component's place in its owner's FComponents
    std::vector<TComponent*> FFreeNotifies;
    // The owned components the tree's notifications are passed to, in the order they joined.
    std::vector<TComponent*> FListeners;
    TComponentState FComponentState = 0;
    TComponentStyle FComponentStyle = 0;
    bool FTornDown = false;
    bool FListening = false; // wants the owner's notifications: in FListeners of any owner it has from now on
};

// The class registry: classes chosen by name at run time (stored components, archived objects). Each
// module registers its classes from its init function; lookups ignore letter case.
class EClassNotFound : public EStreamError {
public:
    using EStreamError::EStreamError;
};

class TPersistentClass {
public:
    using TFactory = TPersistent* (*)(TComponent* AOwner);

    TPersistentClass(std::string Name, const std::type_info& Type, bool IsComponent, TFactory Factory)
        : FName(std::move(Name)), FType(&Type), FIsComponent(IsComponent), FFactory(Factory)
    {
    }
    const std::string& ClassName() const { return FName; }
    const std::type_info& Type() const { return *FType; }
    bool IsComponent() const { return FIsComponent; }
    // A new instance: components are made with AOwner, other classes with their default constructor.
    TPersistent* Create(TComponent* AOwner = nullptr) const { return FFactory(AOwner); }

private:
    std::string FName;
    const std::type_info* FType;
    bool FIsComponent;
    TFactory FFactory;
};

// Registers a class under its name; registering it again does nothing, another class under a taken name
// raises EStreamError "A class named %s already exists".
void RegisterClass(const TPersistentClass& AClass);
template <class T> void RegisterClass()
{
    static_assert(std::is_base_of_v<TPersistent, T>, "registered classes are persistent");
    RegisterClass(TPersistentClass(ClassNameOf<T>(), typeid(T), std::is_base_of_v<TComponent, T>,
                                   [](TComponent* AOwner) -> TPersistent* {
                                       if constexpr (std::is_constructible_v<T, TComponent*>)
                                           return new T(AOwner);
                                       else
                                           return new T();
                                   }));
}
template <class... T> void RegisterClasses() { (RegisterClass<T>(), ...); }

// The registered class of that name, or nullptr.
const TPersistentClass* GetClass(const std::string& ClassName);
// The registered class of that name; raises EClassNotFound "Class %s not found".
const TPersistentClass& FindClass(const std::string& ClassName);
