// Owned, ordered collections of items of different classes (a scene object's behaviours and effects, sprite
// animations, ...), the process-wide registry of item classes, and the "XCOL" stream in which a collection
// writes itself into a component stream.
#pragma once

#include "Components.h"
#include "GLBaseClasses.h"

#include <cstdint>
#include <string>
#include <type_traits>
#include <typeinfo>

// The unit name that the assertion texts of this unit carry.
inline constexpr const char* cGLXCollectionUnit = "VAVodad\\Source\\Basis\\GLXCollection";

class TGLXCollection;
class TGLXCollectionItem;
class TReader;
class TWriter;

// The class reference of an item class: its name, its constructor and its class-level queries, as
// XCollectionItemClassOf<T>() gives it. Each item class has exactly one, so references compare by address.
class TGLXCollectionItemClass {
public:
    virtual ~TGLXCollectionItemClass() = default;

    virtual const std::string& ClassName() const = 0;
    virtual const std::type_info& Type() const = 0;
    // A new item with aOwner as its collection (checked by the collection's CanAdd).
    virtual TGLXCollectionItem* Create(TGLXCollection* aOwner) const = 0;
    // This class is aClass or descends from it.
    bool InheritsFrom(const TGLXCollectionItemClass& aClass) const { return aClass.IsAncestorOf(*this); }
    // item is of this class or a descendant.
    virtual bool IsClassOf(const TGLXCollectionItem* item) const = 0;

    virtual std::string FriendlyName() const = 0;
    virtual std::string FriendlyDescription() const = 0;
    virtual std::string ItemCategory() const = 0;
    // At most one item of this class (or a descendant) per collection.
    virtual bool UniqueItem() const = 0;
    virtual bool CanAddTo(TGLXCollection* collection) const = 0;

protected:
    virtual bool IsAncestorOf(const TGLXCollectionItemClass& aClass) const = 0;
    // Throws a null pointer of the class's own type: a handler for an ancestor's pointer type catches it,
    // which is how one class reference learns whether another class descends from it.
    [[noreturn]] virtual void ThrowClassPointer() const = 0;

    template <class T> friend class TGLXCollectionItemClassOf;
};

// The class reference of item class T. T provides a constructor taking the owning collection, and may hide
// the base's static class-level queries (FriendlyName, FriendlyDescription, ItemCategory, UniqueItem,
// CanAddTo) with its own.
template <class T> class TGLXCollectionItemClassOf final : public TGLXCollectionItemClass {
public:
    const std::string& ClassName() const override { return ClassNameOf<T>(); }
    const std::type_info& Type() const override { return typeid(T); }
    TGLXCollectionItem* Create(TGLXCollection* aOwner) const override;
    bool IsClassOf(const TGLXCollectionItem* item) const override { return dynamic_cast<const T*>(item); }
    std::string FriendlyName() const override { return T::FriendlyName(); }
    std::string FriendlyDescription() const override;
    std::string ItemCategory() const override { return T::ItemCategory(); }
    bool UniqueItem() const override { return T::UniqueItem(); }
    bool CanAddTo(TGLXCollection* collection) const override { return T::CanAddTo(collection); }

protected:
    bool IsAncestorOf(const TGLXCollectionItemClass& aClass) const override
    {
        return ThrowsPointerTo<T>([&] { aClass.ThrowClassPointer(); });
    }
    [[noreturn]] void ThrowClassPointer() const override { throw static_cast<const T*>(nullptr); }
};

template <class T> const TGLXCollectionItemClass& XCollectionItemClassOf()
{
    static const TGLXCollectionItemClassOf<T> itemClass;
    return itemClass;
}

// An item of a TGLXCollection. Descendants pass their own class reference to the protected constructor.
class TGLXCollectionItem : public TGLInterfacedPersistent {
public:
    // Joins aOwner (when given) if aOwner.CanAdd accepts the class; a refusal raises the assertion
    // "Addition of <class> to <collection class> rejected." and nothing is added.
    explicit TGLXCollectionItem(TGLXCollection* aOwner);
    // Leaves the owner's list.
    ~TGLXCollectionItem() override;

    // From another item: its Name. Descendants copy their own fields and then call this.
    void Assign(TPersistent* Source) override;
    virtual std::string GetDisplayText() const { return FName; }
    const std::string& Name() const { return FName; }
    virtual void SetName(const std::string& val) { FName = val; }
    // The item's data in the "XCOL" stream: its data version (0) and Name; descendants append theirs.
    virtual void WriteToFiler(TWriter& writer);
    virtual void ReadFromFiler(TReader& reader);
    // Called by the owning collection once everything around it has been streamed in.
    virtual void Loaded() {}

    // The class-level queries of this class; descendants hide them with their own.
    static std::string FriendlyName() { return {}; }
    static std::string ItemCategory() { return {}; }
    static bool UniqueItem() { return false; }
    static bool CanAddTo(TGLXCollection*) { return true; }
    // Not declared by a class: its friendly name (see TGLXCollectionItemClassOf).
    static std::string FriendlyDescription() { return {}; }

    // The class reference this item was made with; raises an assertion when a descendant did not pass its
    // own to the constructor.
    const TGLXCollectionItemClass& ItemClass() const;
    TGLXCollection* Owner() const { return FOwner; }
    TPersistent* GetOwner() const override;
    // Position in the owner, -1 without one.
    int Index() const;
    void MoveUp();
    void MoveDown();
    // The owner's name path + "[index]".
    std::string GetNamePath() const override;

protected:
    TGLXCollectionItem(TGLXCollection* aOwner, const TGLXCollectionItemClass& aClass);

private:
    friend class TGLXCollection;

    TGLXCollection* FOwner = nullptr;
    std::string FName;
    const TGLXCollectionItemClass* FItemClass;
};

template <class T> TGLXCollectionItem* TGLXCollectionItemClassOf<T>::Create(TGLXCollection* aOwner) const
{
    if constexpr (std::is_abstract_v<T>) {
        Assert(false, "Cannot create an item of the abstract class " + ClassName(), cGLXCollectionUnit);
        return nullptr;
    } else {
        return new T(aOwner);
    }
}

template <class T> std::string TGLXCollectionItemClassOf<T>::FriendlyDescription() const
{
    if (&T::FriendlyDescription == &TGLXCollectionItem::FriendlyDescription) return T::FriendlyName();
    return T::FriendlyDescription();
}

// The collection owns its items; an item knows its collection and leaves it when freed.
class TGLXCollection : public TPersistent {
public:
    explicit TGLXCollection(TPersistent* aOwner);
    ~TGLXCollection() override;
    TGLXCollection(const TGLXCollection&) = delete;
    TGLXCollection& operator=(const TGLXCollection&) = delete;

    // nil: Clear. A collection of exactly this class: its items are copied as new items of the same classes.
    void Assign(TPersistent* Source) override;
    // The base class of the items this collection holds.
    virtual const TGLXCollectionItemClass& ItemsClass() const;
    // The class's own CanAddTo, then the unique-item rules against the items present.
    virtual bool CanAdd(const TGLXCollectionItemClass& aClass) const;

    TPersistent* Owner() const { return FOwner; }
    TPersistent* GetOwner() const override { return FOwner; }
    int Count() const { return FList.Count(); }
    TGLXCollectionItem* Items(int Index) const { return FList.Items(Index); }
    // Takes anItem over (from its previous collection, if any); answers its index.
    int Add(TGLXCollectionItem* anItem);
    TGLXCollectionItem* GetOrCreate(const TGLXCollectionItemClass& aClass);
    void Delete(int Index);
    void Remove(TGLXCollectionItem* anItem);
    void Clear();
    int IndexOf(const TGLXCollectionItem* anItem) const;
    int IndexOfClass(const TGLXCollectionItemClass& aClass) const;
    TGLXCollectionItem* GetByClass(const TGLXCollectionItemClass& aClass) const;
    // Case-sensitive.
    int IndexOfName(const std::string& aName) const;
    // Every item's Loaded hook in index order.
    void Loaded();
    std::string GetNamePath() const override;

    // The "XCOL" stream: signature, archive version 1, count, then per item its class (a name the first
    // time, then an index into the classes already written) and the item's own data.
    void WriteToFiler(TWriter& writer);
    // Replaces the items with those of the stream. Older streams start directly with the count (archive
    // version 0). An error leaves the items read so far in place.
    void ReadFromFiler(TReader& reader);
    // The version of the last stream read or written.
    int32_t archiveVersion() const { return FArchiveVersion; }

private:
    friend class TGLXCollectionItem;

    TPersistent* FOwner;
    TList<TGLXCollectionItem> FList;
    int32_t FArchiveVersion = 0;
};

// The registry of item classes that streams may name: filled by the modules that define item classes when
// they initialise. Adding a registered class or removing an unknown one does nothing.
void AddXCollectionItemClass(const TGLXCollectionItemClass& aClass);
void RemoveXCollectionItemClass(const TGLXCollectionItemClass& aClass);
template <class T> void AddXCollectionItemClass() { AddXCollectionItemClass(XCollectionItemClassOf<T>()); }
template <class T> void RemoveXCollectionItemClass() { RemoveXCollectionItemClass(XCollectionItemClassOf<T>()); }
// The first registered class of exactly that name (case-sensitive), or nullptr.
const TGLXCollectionItemClass* XCollectionItemClassByName(const std::string& aClassName);
