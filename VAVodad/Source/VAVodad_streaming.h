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
// "Coordinates" streams as "Position.Coordinates".
class TNestedFiler : public TFiler {
public:
    TNestedFiler(TFiler& outer, const std::string& name) : TFiler(outer.Stream()), FOuter(outer), FPrefix(name + ".") {}

    void DefineProperty(const std::string& Name, const TReaderProc& ReadData, const TWriterProc& WriteData,
                        bool HasData) override
    {
        FOuter.DefineProperty(FPrefix + Name, ReadData, WriteData, HasData);
    }
    void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData, const TStreamProc& WriteData,
                              bool HasData) override
    {
        FOuter.DefineBinaryProperty(FPrefix + Name, ReadData, WriteData, HasData);
    }

private:
    TFiler& FOuter;
    std::string FPrefix;
};

inline void DefineNestedProperties(TFiler& filer, const std::string& name, TPersistent& nested)
{
    TNestedFiler nestedFiler(filer, name);
    nested.DefineProperties(nestedFiler);
}
