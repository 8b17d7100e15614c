#include "GLXCollection.h"

#include "ComponentStreams.h"
#include "GLPersistentClasses.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

// "XCOL" read as a little-endian 32-bit integer.
constexpr int32_t cXCollectionSignature = 0x4C4F4358;
constexpr int32_t cXCollectionArchiveVersion = 1;

std::vector<const TGLXCollectionItemClass*>& Registry()
{
    static std::vector<const TGLXCollectionItemClass*> registry;
    return registry;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Registry

void AddXCollectionItemClass(const TGLXCollectionItemClass& aClass)
{
    auto& registry = Registry();
    if (std::find(registry.begin(), registry.end(), &aClass) == registry.end()) registry.push_back(&aClass);
}

void RemoveXCollectionItemClass(const TGLXCollectionItemClass& aClass)
{
    std::erase(Registry(), &aClass);
}

const TGLXCollectionItemClass* XCollectionItemClassByName(const std::string& aClassName)
{
    for (const TGLXCollectionItemClass* itemClass : Registry())
        if (itemClass->ClassName() == aClassName) return itemClass;
    return nullptr;
}

// ---------------------------------------------------------------------------------------------------------
// TGLXCollectionItem

TGLXCollectionItem::TGLXCollectionItem(TGLXCollection* aOwner)
    : TGLXCollectionItem(aOwner, XCollectionItemClassOf<TGLXCollectionItem>())
{
}

TGLXCollectionItem::TGLXCollectionItem(TGLXCollection* aOwner, const TGLXCollectionItemClass& aClass)
    : FOwner(aOwner), FItemClass(&aClass)
{
    if (!aOwner) return;
    if (!aOwner->CanAdd(aClass)) {
        FOwner = nullptr;
        Assert(false, "Addition of " + aClass.ClassName() + " to " + aOwner->ClassName() + " rejected.",
               cGLXCollectionUnit);
    }
    aOwner->FList.Add(this);
}

TGLXCollectionItem::~TGLXCollectionItem()
{
    if (FOwner) FOwner->FList.Remove(this);
}

const TGLXCollectionItemClass& TGLXCollectionItem::ItemClass() const
{
    if (FItemClass->Type() != typeid(*this))
        Assert(false, ClassName() + " was made with the class reference of " + FItemClass->ClassName(),
               cGLXCollectionUnit);
    return *FItemClass;
}

void TGLXCollectionItem::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLXCollectionItem*>(Source))
        FName = source->FName;
    else
        TGLInterfacedPersistent::Assign(Source);
}

void TGLXCollectionItem::WriteToFiler(TWriter& writer)
{
    writer.WriteInteger(0); // item data version
    writer.WriteString(FName);
}

void TGLXCollectionItem::ReadFromFiler(TReader& reader)
{
    Assert(reader.ReadInteger() == 0, "", cGLXCollectionUnit);
    FName = reader.ReadString();
}

TPersistent* TGLXCollectionItem::GetOwner() const
{
    return FOwner;
}

int TGLXCollectionItem::Index() const
{
    return FOwner ? FOwner->IndexOf(this) : -1;
}

void TGLXCollectionItem::MoveUp()
{
    const int i = Index();
    if (i > 0) FOwner->FList.Exchange(i, i - 1);
}

void TGLXCollectionItem::MoveDown()
{
    const int i = Index();
    if (i >= 0 && i < FOwner->Count() - 1) FOwner->FList.Exchange(i, i + 1);
}

std::string TGLXCollectionItem::GetNamePath() const
{
    if (!FOwner) return TGLInterfacedPersistent::GetNamePath();
    return Format("%s[%d]", {FOwner->GetNamePath(), Index()});
}

// ---------------------------------------------------------------------------------------------------------
// TGLXCollection

TGLXCollection::TGLXCollection(TPersistent* aOwner) : FOwner(aOwner)
{
}

TGLXCollection::~TGLXCollection()
{
    Clear();
}

void TGLXCollection::Assign(TPersistent* Source)
{
    if (!Source) {
        Clear();
        return;
    }
    if (typeid(*Source) != typeid(*this)) {
        TPersistent::Assign(Source);
        return;
    }
    auto* source = static_cast<TGLXCollection*>(Source);
    if (source == this) return;
    Clear();
    for (int i = 0; i < source->Count(); ++i) {
        TGLXCollectionItem* sourceItem = source->Items(i);
        TGLXCollectionItem* item = sourceItem->ItemClass().Create(this);
        item->Assign(sourceItem);
    }
}

const TGLXCollectionItemClass& TGLXCollection::ItemsClass() const
{
    return XCollectionItemClassOf<TGLXCollectionItem>();
}

bool TGLXCollection::CanAdd(const TGLXCollectionItemClass& aClass) const
{
    if (!aClass.CanAddTo(const_cast<TGLXCollection*>(this))) return false;
    for (int i = 0; i < Count(); ++i) {
        const TGLXCollectionItem* item = FList.Items(i);
        // A unique class cannot join an item of its own class or a descendant, and no class can join an item
        // of a unique class it descends from.
        if (aClass.UniqueItem() && aClass.IsClassOf(item)) return false;
        const TGLXCollectionItemClass& itemClass = item->ItemClass();
        if (itemClass.UniqueItem() && aClass.InheritsFrom(itemClass)) return false;
    }
    return true;
}

int TGLXCollection::Add(TGLXCollectionItem* anItem)
{
    Assert(anItem && ItemsClass().IsClassOf(anItem) && CanAdd(anItem->ItemClass()), "", cGLXCollectionUnit);
    if (anItem->FOwner) anItem->FOwner->FList.Remove(anItem);
    anItem->FOwner = this;
    return FList.Add(anItem);
}

TGLXCollectionItem* TGLXCollection::GetOrCreate(const TGLXCollectionItemClass& aClass)
{
    Assert(aClass.InheritsFrom(ItemsClass()), "", cGLXCollectionUnit);
    if (TGLXCollectionItem* existing = GetByClass(aClass)) return existing;
    return aClass.Create(this);
}

void TGLXCollection::Delete(int Index)
{
    Assert(Index >= 0 && Index < Count(), "", cGLXCollectionUnit);
    TGLXCollectionItem* item = FList.Items(Index);
    item->FOwner = nullptr;
    FList.Delete(Index);
    Free(item);
}

void TGLXCollection::Remove(TGLXCollectionItem* anItem)
{
    const int index = IndexOf(anItem);
    if (index >= 0) Delete(index);
}

void TGLXCollection::Clear()
{
    // Owner links are cleared first, so the dying items do not look for themselves in the list.
    for (int i = 0; i < Count(); ++i) FList.Items(i)->FOwner = nullptr;
    while (Count() > 0) {
        TGLXCollectionItem* item = FList.Items(Count() - 1);
        FList.Delete(Count() - 1);
        Free(item);
    }
    FList.Clear();
}

int TGLXCollection::IndexOf(const TGLXCollectionItem* anItem) const
{
    return FList.IndexOf(const_cast<TGLXCollectionItem*>(anItem));
}

int TGLXCollection::IndexOfClass(const TGLXCollectionItemClass& aClass) const
{
    for (int i = 0; i < Count(); ++i)
        if (aClass.IsClassOf(FList.Items(i))) return i;
    return -1;
}

TGLXCollectionItem* TGLXCollection::GetByClass(const TGLXCollectionItemClass& aClass) const
{
    const int index = IndexOfClass(aClass);
    return index >= 0 ? FList.Items(index) : nullptr;
}

int TGLXCollection::IndexOfName(const std::string& aName) const
{
    for (int i = 0; i < Count(); ++i)
        if (FList.Items(i)->Name() == aName) return i;
    return -1;
}

void TGLXCollection::Loaded()
{
    for (int i = 0; i < Count(); ++i) FList.Items(i)->Loaded();
}

std::string TGLXCollection::GetNamePath() const
{
    if (!FOwner) return ClassName();
    const std::string ownerPath = FOwner->GetNamePath();
    if (ownerPath.empty()) return ClassName();
    return ownerPath + ".XCollection";
}

void TGLXCollection::WriteToFiler(TWriter& writer)
{
    FArchiveVersion = cXCollectionArchiveVersion;
    writer.WriteInteger(cXCollectionSignature);
    writer.WriteInteger(FArchiveVersion);
    writer.WriteInteger(Count());
    std::vector<const TGLXCollectionItemClass*> classes;
    for (int i = 0; i < Count(); ++i) {
        TGLXCollectionItem* item = FList.Items(i);
        const TGLXCollectionItemClass* itemClass = &item->ItemClass();
        const auto known = std::find(classes.begin(), classes.end(), itemClass);
        if (known == classes.end()) {
            writer.WriteString(itemClass->ClassName());
            classes.push_back(itemClass);
        } else {
            writer.WriteInteger(static_cast<int32_t>(known - classes.begin()));
        }
        item->WriteToFiler(writer);
    }
}

void TGLXCollection::ReadFromFiler(TReader& reader)
{
    Clear();
    int32_t header = 0;
    switch (reader.NextValue()) {
    case vaInt8:
    case vaInt16:
    case vaInt32:
        header = reader.ReadInteger();
        break;
    default:
        // The oldest streams hold the count as four raw bytes; a stream too short for them holds nothing.
        try {
            reader.Read(&header, sizeof(header));
        } catch (const EReadError&) {
            header = 0;
        }
    }
    int32_t count;
    if (header == cXCollectionSignature) {
        FArchiveVersion = reader.ReadInteger();
        if (FArchiveVersion != 0 && FArchiveVersion != cXCollectionArchiveVersion)
            RaiseUnknownArchiveVersion(ClassName(), FArchiveVersion);
        count = reader.ReadInteger();
    } else {
        FArchiveVersion = 0;
        count = header;
    }

    // Every item takes bytes of the stream, so a corrupt count ends at the stream's end instead of running on.
    if (count < 0) throw EReadError("Invalid item count: " + std::to_string(count));
    std::vector<const TGLXCollectionItemClass*> classes;
    for (int32_t n = 0; n < count; ++n) {
        const TGLXCollectionItemClass* itemClass;
        const TValueType next = reader.NextValue();
        if (next == vaString || next == vaLString) {
            const std::string name = reader.ReadString();
            itemClass = XCollectionItemClassByName(name);
            if (!itemClass)
                Assert(false, "Class " + name + " unknown. Add the relevant unit to your \"uses\".",
                       cGLXCollectionUnit);
            classes.push_back(itemClass);
        } else {
            const int32_t index = reader.ReadInteger();
            if (index < 0 || index >= static_cast<int32_t>(classes.size()))
                Assert(false, "Invalid classlistIndex: " + std::to_string(index), cGLXCollectionUnit);
            itemClass = classes[index];
        }
        itemClass->Create(this)->ReadFromFiler(reader);
    }
}
