// Component-stream properties of the scene module's classes: enumerations written by the names of their
// values, and Singles, each written only when it differs from its stream default.
#pragma once

#include "ComponentStreams.h"
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

inline void DefineSingleProperty(TFiler& filer, const char* name, float value, float defaultValue,
                                 const std::function<void(float)>& setter)
{
    filer.DefineProperty(
        name, [setter](TReader& reader) { setter(reader.ReadSingle()); },
        [value](TWriter& writer) { writer.WriteSingle(value); }, value != defaultValue);
}
