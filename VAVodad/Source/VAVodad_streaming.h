// Component-stream properties of the scene module's classes: enumerations written by the names of their
// values, Singles, each written only when it differs from its stream default, and the properties of owned
// objects (coordinates, colours) under the owning property's name.
#pragma once

#include "ComponentStreams.h"
#include "Sets.h"
#include "SysUtils.h"

#include <array>
#include <functional>
#include <string>
#include <utility>

// The names of an enumeration's values, in the order of the values.
template <size_t N> using TEnumNames = std::array<const char*, N>;

template <typename TEnum, size_t N>
void DefineEnumProperty(TFiler& filer, const char* name, const TEnumNames<N>& names, TEnum value, TEnum defaultValue,
                        const std::function<void(TEnum)>& setter)
{
    filer.DefineProperty(
        name,
        [&names, setter](TReader& reader) {
            const std::string ident = reader.ReadIdent();
            for (size_t i = 0; i < N; ++i)
                if (SameText(ident, names[i])) return setter(static_cast<TEnum>(i));
            throw EReadError("Invalid property value " + ident);
        },
        [&names, value](TWriter& writer) { writer.WriteIdent(names[value]); }, value != defaultValue);
}

// Written when stored says so.
inline void DefineStoredSingleProperty(TFiler& filer, const char* name, float value, bool stored,
                                       const std::function<void(float)>& setter)
{
    filer.DefineProperty(
        name, [setter](TReader& reader) { setter(reader.ReadSingle()); },
        [value](TWriter& writer) { writer.WriteSingle(value); }, stored);
}

inline void DefineSingleProperty(TFiler& filer, const char* name, float value, float defaultValue,
                                 const std::function<void(float)>& setter)
{
    DefineStoredSingleProperty(filer, name, value, value != defaultValue, setter);
}

// A set property as the list of its members' names, written only when it differs from its stream default.
template <typename TEnum, size_t N>
void DefineSetProperty(TFiler& filer, const char* name, const TEnumNames<N>& names, TSet<TEnum, uint8_t> value,
                       TSet<TEnum, uint8_t> defaultValue, const std::function<void(TSet<TEnum, uint8_t>)>& setter)
{
    filer.DefineProperty(
        name,
        [&names, setter](TReader& reader) {
            TSet<TEnum, uint8_t> read;
            reader.ReadListBegin();
            while (!reader.EndOfList()) {
                const std::string ident = reader.ReadIdent();
                size_t i = 0;
                while (i < N && !SameText(ident, names[i])) ++i;
                if (i == N) throw EReadError("Invalid property value " + ident);
                read.Include(static_cast<TEnum>(i));
            }
            reader.ReadListEnd();
            setter(read);
        },
        [&names, value](TWriter& writer) {
            writer.WriteListBegin();
            for (size_t i = 0; i < N; ++i)
                if (value.Contains(static_cast<TEnum>(i))) writer.WriteIdent(names[i]);
            writer.WriteListEnd();
        },
        value != defaultValue);
}

inline constexpr TEnumNames<5> cObjectsSortingNames{"osInherited", "osNone", "osRenderFarthestFirst",
                                                    "osRenderBlendedLast", "osRenderNearestFirst"};
inline constexpr TEnumNames<4> cVisibilityCullingNames{"vcInherited", "vcNone", "vcObjectBased", "vcHierarchical"};
inline constexpr TEnumNames<2> cNormalDirectionNames{"ndInside", "ndOutside"};

inline void DefineBooleanProperty(TFiler& filer, const char* name, bool value, bool defaultValue,
                                  const std::function<void(bool)>& setter)
{
    filer.DefineProperty(
        name, [setter](TReader& reader) { setter(reader.ReadBoolean()); },
        [value](TWriter& writer) { writer.WriteBoolean(value); }, value != defaultValue);
}

inline void DefineIntegerProperty(TFiler& filer, const char* name, int32_t value, int32_t defaultValue,
                                  const std::function<void(int32_t)>& setter)
{
    filer.DefineProperty(
        name, [setter](TReader& reader) { setter(reader.ReadInteger()); },
        [value](TWriter& writer) { writer.WriteInteger(value); }, value != defaultValue);
}

// Passes an owned object's property definitions on with "Owner." before their names, so that the position's
// "Coordinates" streams as "Position.Coordinates"; with stored false none of them is written.
class TNestedFiler : public TFiler {
public:
    TNestedFiler(TFiler& outer, const std::string& name, bool stored = true)
        : TFiler(outer.Stream()), FOuter(outer), FPrefix(name + "."), FStored(stored)
    {
    }

    void DefineProperty(const std::string& Name, const TReaderProc& ReadData, const TWriterProc& WriteData,
                        bool HasData) override
    {
        FOuter.DefineProperty(FPrefix + Name, ReadData, WriteData, HasData && FStored);
    }
    void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData, const TStreamProc& WriteData,
                              bool HasData) override
    {
        FOuter.DefineBinaryProperty(FPrefix + Name, ReadData, WriteData, HasData && FStored);
    }

private:
    TFiler& FOuter;
    std::string FPrefix;
    bool FStored;
};

inline void DefineNestedProperties(TFiler& filer, const std::string& name, TPersistent& nested, bool stored = true)
{
    TNestedFiler nestedFiler(filer, name, stored);
    nested.DefineProperties(nestedFiler);
}

// A collection as a list of items, each a list of the item's own properties, written when it has items.
// Reading replaces the items: clear, then every item made by add reads its properties.
inline void DefineCollectionProperty(TFiler& filer, const char* name, int32_t count,
                                     const std::function<TPersistent*(int32_t)>& item,
                                     const std::function<void()>& clear, const std::function<TPersistent*()>& add)
{
    filer.DefineProperty(
        name,
        [clear, add](TReader& reader) {
            reader.ReadListBegin();
            clear();
            while (!reader.EndOfList()) {
                reader.ReadListBegin();
                reader.ReadProperties(add());
            }
            reader.ReadListEnd();
        },
        [count, item](TWriter& writer) {
            writer.WriteListBegin();
            for (int32_t i = 0; i < count; ++i) {
                writer.WriteListBegin();
                writer.WriteProperties(item(i));
            }
            writer.WriteListEnd();
        },
        count > 0);
}

// A reference to a component that is not owned, streamed by the component's name (one without a name cannot be
// found again, so it is not written). Reading keeps the name in pendingName until the whole stream is in, when
// ResolveReference finds the component.
inline void DefineReferenceProperty(TFiler& filer, const char* name, const TComponent* value, std::string& pendingName)
{
    filer.DefineProperty(
        name, [&pendingName](TReader& reader) { pendingName = reader.ReadIdent(); },
        [value](TWriter& writer) { writer.WriteIdent(value->Name()); }, value && !value->Name().empty());
}

// The component of class T named name (letter case aside) that owner owns, directly or through the components
// it owns (a scene's objects under the scene); nullptr when none.
template <class T> T* FindOwnedComponent(const TComponent* owner, const std::string& name, const TComponent* except)
{
    for (int32_t i = 0; i < owner->ComponentCount(); ++i) {
        auto* found = dynamic_cast<T*>(owner->Components(i));
        if (found && found != except && SameText(found->Name(), name)) return found;
    }
    for (int32_t i = 0; i < owner->ComponentCount(); ++i)
        if (T* found = FindOwnedComponent<T>(owner->Components(i), name, except)) return found;
    return nullptr;
}

// The component of class T named name that from can reach: owned by from's owner, then by that owner's owner
// and on up. What the same stream made comes first, then what its reader's owners hold.
template <class T> T* FindReferencedComponent(const TComponent* from, const std::string& name)
{
    if (name.empty()) return nullptr;
    for (const TComponent* owner = from->Owner(); owner; owner = owner->Owner())
        if (T* found = FindOwnedComponent<T>(owner, name, from)) return found;
    return nullptr;
}

// Hands the component named by pendingName to setter when one is found, and forgets the name.
template <class T, class F> void ResolveReference(const TComponent* from, std::string& pendingName, F setter)
{
    const std::string name = std::exchange(pendingName, std::string());
    if (T* found = FindReferencedComponent<T>(from, name)) setter(found);
}
