// Byte strings that the archive and stream tests build by hand.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// The bytes of a text, one per character, and back.
inline Bytes ToBytes(const std::string& AText)
{
    return Bytes(AText.begin(), AText.end());
}
inline std::string ToString(const Bytes& ABytes)
{
    return std::string(ABytes.begin(), ABytes.end());
}

// The parts one after the other.
inline Bytes operator+(Bytes A, const Bytes& B)
{
    A.insert(A.end(), B.begin(), B.end());
    return A;
}
inline Bytes Concat(std::initializer_list<Bytes> AParts)
{
    Bytes result;
    for (const Bytes& part : AParts) result.insert(result.end(), part.begin(), part.end());
    return result;
}
