// Runtime library: small sets of enumeration members kept as bit masks. Member n of the enumeration is bit
// 1 << n of the raw bits, so a set whose members carry documented bit values keeps them; the storage width is
// chosen per set type (a set stored in one byte, one in 32 bits ...).
#pragma once

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <type_traits>

template <typename TEnum, std::unsigned_integral TStorage = uint32_t>
    requires std::is_enum_v<TEnum>
class TSet {
public:
    using TBits = TStorage;
    static constexpr unsigned cCapacity = std::numeric_limits<TStorage>::digits;

    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<TEnum> AMembers)
    {
        for (TEnum member : AMembers) Include(member);
    }

    static constexpr TSet FromBits(TStorage ABits)
    {
        TSet result;
        result.FBits = ABits;
        return result;
    }
    constexpr TStorage Bits() const { return FBits; }

    constexpr void Include(TEnum AMember) { FBits |= Bit(AMember); }
    constexpr void Exclude(TEnum AMember) { FBits &= static_cast<TStorage>(~Bit(AMember)); }
    constexpr bool Contains(TEnum AMember) const { return (FBits & Bit(AMember)) != 0; }
    constexpr bool Empty() const { return FBits == 0; }

    // Union, difference and intersection.
    friend constexpr TSet operator+(TSet A, TSet B) { return FromBits(A.FBits | B.FBits); }
    friend constexpr TSet operator-(TSet A, TSet B) { return FromBits(A.FBits & static_cast<TStorage>(~B.FBits)); }
    friend constexpr TSet operator*(TSet A, TSet B) { return FromBits(A.FBits & B.FBits); }
    constexpr TSet& operator+=(TSet A) { return *this = *this + A; }
    constexpr TSet& operator-=(TSet A) { return *this = *this - A; }
    constexpr TSet& operator*=(TSet A) { return *this = *this * A; }
    friend constexpr bool operator==(const TSet& A, const TSet& B) = default;

private:
    // A member beyond the storage width has no bit: it is never included and never contained.
    static constexpr TStorage Bit(TEnum AMember)
    {
        const auto ordinal = static_cast<std::make_unsigned_t<std::underlying_type_t<TEnum>>>(AMember);
        return ordinal < cCapacity ? static_cast<TStorage>(TStorage{1} << ordinal) : TStorage{0};
    }

    TStorage FBits = 0;
};
