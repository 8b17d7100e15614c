// Pixel unpacking and packing: one table row per data type selects how its pixels are read into the working
// form and written back. The routines are templates over the data type and the colour format's component
// layout, so the format is decided once per call and each inner loop is straight code.
#include "GLImageUtils.h"

#include "GLPlatformHelpers.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <emmintrin.h>
#include <iterator>
#include <limits>
#include <memory>
#include <type_traits>
#include <utility>

static_assert(std::endian::native == std::endian::little, "pixel data is read as little-endian");

namespace {

const char* const cUnimplementedConversion = "Unimplemented type of conversion";
const char* const cInvalidDataType = "Invalid data type";

template <typename T> T Load(const uint8_t* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename T> void Store(uint8_t* p, T v)
{
    std::memcpy(p, &v, sizeof v);
}

float& Component(TIntermediateFormat& p, int index)
{
    switch (index) {
    case 0: return p.R;
    case 1: return p.G;
    case 2: return p.B;
    default: return p.A;
    }
}

// A pixel of the byte form: R, G, B, A. Unsigned bytes and the S3TC blocks give whole working values from 0
// to 255, which an unsigned-byte destination stores unchanged (luminance as the truncated mean), so conversions
// between them move bytes and skip the working form, with the same results.
struct TRGBA8 {
    uint8_t R, G, B, A;
};

// ---------------------------------------------------------------------------------------------------------
// Scalar data types: 1 to 4 components of one type per pixel.

// Where the components of a colour format go. A slot is R, G, B or A, or luminance (read into R, G and B,
// written as their mean) or intensity (read into all four, written as the mean of R, G and B).
enum : int8_t { slR, slG, slB, slA, slLuminance, slIntensity };

struct TLayout {
    int8_t Count;
    int8_t Slot[4];
};

struct TFormatLayout {
    GLenum Format;
    GLenum IntegerFormat; // the same layout without the clamp when packing; 0 when there is none
    TLayout Layout;
};

constexpr TFormatLayout cFormatLayouts[] = {
    {GL_RED, GL_RED_INTEGER, {1, {slR}}},
    {GL_GREEN, GL_GREEN_INTEGER, {1, {slG}}},
    {GL_BLUE, GL_BLUE_INTEGER, {1, {slB}}},
    {GL_ALPHA, GL_ALPHA_INTEGER, {1, {slA}}},
    {GL_RGB, GL_RGB_INTEGER, {3, {slR, slG, slB}}},
    {GL_RGBA, GL_RGBA_INTEGER, {4, {slR, slG, slB, slA}}},
    {GL_BGR, GL_BGR_INTEGER, {3, {slB, slG, slR}}},
    {GL_BGRA, GL_BGRA_INTEGER, {4, {slB, slG, slR, slA}}},
    {GL_RG, GL_RG_INTEGER, {2, {slR, slG}}},
    {GL_LUMINANCE, GL_LUMINANCE_INTEGER_EXT, {1, {slLuminance}}},
    {GL_LUMINANCE_ALPHA, GL_LUMINANCE_ALPHA_INTEGER_EXT, {2, {slLuminance, slA}}},
    {GL_INTENSITY, 0, {1, {slIntensity}}},
};
constexpr std::size_t cLayoutCount = std::size(cFormatLayouts);

// The row of a colour format, or -1; AInteger tells whether it is the _INTEGER form.
int FindLayout(GLenum AColorFormat, bool& AInteger)
{
    for (std::size_t i = 0; i < cLayoutCount; ++i) {
        AInteger = cFormatLayouts[i].IntegerFormat != 0 && cFormatLayouts[i].IntegerFormat == AColorFormat;
        if (AInteger || cFormatLayouts[i].Format == AColorFormat) return static_cast<int>(i);
    }
    return -1;
}

// Truncation toward zero; NaN gives 0 and values beyond 64 bits the nearest end.
int64_t TruncToInt64(double x)
{
    if (!(x == x)) return 0;
    if (x >= 9.2e18) return std::numeric_limits<int64_t>::max();
    if (x <= -9.2e18) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(x);
}

// An integer data type: the working value is the stored one divided by 2^Shift. Packing multiplies back,
// clamps to [Lo, Hi] for the normalised formats and truncates in 64 bits, so 32-bit values
// cannot overflow; the _INTEGER formats keep the low bits of the truncated value.
template <typename TStored, int Shift, int64_t Lo, int64_t Hi> struct TIntegerType {
    using Stored = TStored;
    static float Unpack(TStored v) { return static_cast<float>(v) / static_cast<float>(int64_t{1} << Shift); }
    template <bool Clamp> static TStored Pack(float x)
    {
        if constexpr (Clamp && sizeof(TStored) <= 2) {
            // The common case, without branches (a NaN gives the low end): every clamped value fits a 32-bit
            // truncation.
            float f = x * static_cast<float>(1 << Shift);
            f = f > static_cast<float>(Lo) ? f : static_cast<float>(Lo);
            f = f < static_cast<float>(Hi) ? f : static_cast<float>(Hi);
            return static_cast<TStored>(static_cast<int32_t>(f));
        }
        double v = static_cast<double>(x) * static_cast<double>(int64_t{1} << Shift);
        if constexpr (Clamp) {
            if (!(v == v)) v = 0;
            v = std::clamp(v, static_cast<double>(Lo), static_cast<double>(Hi));
        }
        return static_cast<TStored>(static_cast<uint64_t>(TruncToInt64(v)));
    }
};

using TUnsignedByteType = TIntegerType<uint8_t, 0, 0, 255>;
using TByteType = TIntegerType<int8_t, 0, -127, 127>;
using TUnsignedShortType = TIntegerType<uint16_t, 8, 0, 65535>;
using TShortType = TIntegerType<int16_t, 8, -32767, 32767>;
using TUnsignedIntType = TIntegerType<uint32_t, 24, 0, 4294967295>;
using TIntType = TIntegerType<int32_t, 24, -2147483648LL, 2147483647>;

// Float data: 1.0 is 255.0 in the working form; never clamped.
struct TFloatType {
    using Stored = float;
    static float Unpack(float v) { return v * 255.0f; }
    template <bool> static float Pack(float x) { return x / 255.0f; }
};

struct THalfFloatType {
    using Stored = uint16_t;
    static float Unpack(uint16_t v) { return HalfFloatToSingle(v) * 255.0f; }
    template <bool> static uint16_t Pack(float x) { return SingleToHalfFloat(x / 255.0f); }
};

template <typename TType, TLayout L>
void UnpackScalarPixels(const uint8_t* ASrc, TIntermediateFormat* ADst, std::size_t ACount)
{
    using S = typename TType::Stored;
    for (std::size_t n = 0; n < ACount; ++n, ASrc += L.Count * sizeof(S)) {
        TIntermediateFormat p{0, 0, 0, 255};
        for (int c = 0; c < L.Count; ++c) {
            const float v = TType::Unpack(Load<S>(ASrc + c * sizeof(S)));
            if (L.Slot[c] == slLuminance || L.Slot[c] == slIntensity) {
                p.R = p.G = p.B = v;
                if (L.Slot[c] == slIntensity) p.A = v;
            } else {
                Component(p, L.Slot[c]) = v;
            }
        }
        ADst[n] = p;
    }
}

// RGBA bytes, the form every image is narrowed to, four pixels at a time: the same clamp and truncation as
// TIntegerType::Pack, with the packing instructions doing the narrowing.
std::size_t PackRGBABytes(const TIntermediateFormat* ASrc, uint8_t* ADst, std::size_t ACount)
{
    const __m128 low = _mm_setzero_ps(), high = _mm_set1_ps(255.0f);
    auto bytes = [&](const TIntermediateFormat& p) {
        // max and min take their second operand for a NaN, so a NaN gives 0 like the scalar path.
        return _mm_cvttps_epi32(_mm_min_ps(_mm_max_ps(_mm_loadu_ps(&p.R), low), high));
    };
    std::size_t n = 0;
    for (; n + 4 <= ACount; n += 4) {
        const __m128i first = _mm_packs_epi32(bytes(ASrc[n]), bytes(ASrc[n + 1]));
        const __m128i second = _mm_packs_epi32(bytes(ASrc[n + 2]), bytes(ASrc[n + 3]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(ADst + 4 * n), _mm_packus_epi16(first, second));
    }
    return n;
}

template <typename TType, TLayout L, bool Clamp>
void PackScalarPixels(const TIntermediateFormat* ASrc, uint8_t* ADst, std::size_t ACount)
{
    using S = typename TType::Stored;
    std::size_t n = 0;
    if constexpr (std::is_same_v<TType, TUnsignedByteType> && Clamp && L.Count == 4 && L.Slot[0] == slR &&
                  L.Slot[1] == slG && L.Slot[2] == slB && L.Slot[3] == slA) {
        n = PackRGBABytes(ASrc, ADst, ACount);
        ADst += 4 * n;
    }
    for (; n < ACount; ++n, ADst += L.Count * sizeof(S)) {
        TIntermediateFormat p = ASrc[n];
        for (int c = 0; c < L.Count; ++c) {
            const float v = L.Slot[c] == slLuminance || L.Slot[c] == slIntensity ? (p.R + p.G + p.B) / 3.0f
                                                                                  : Component(p, L.Slot[c]);
            Store<S>(ADst + c * sizeof(S), TType::template Pack<Clamp>(v));
        }
    }
}

// The byte form of the same layouts: unsigned bytes in and out, the values moved as they are.
template <TLayout L> void UnpackBytePixels(const uint8_t* ASrc, TRGBA8* ADst, std::size_t ACount)
{
    for (std::size_t n = 0; n < ACount; ++n, ASrc += L.Count) {
        uint8_t p[4] = {0, 0, 0, 255};
        for (int c = 0; c < L.Count; ++c) {
            const uint8_t v = ASrc[c];
            if (L.Slot[c] == slLuminance || L.Slot[c] == slIntensity) {
                p[0] = p[1] = p[2] = v;
                if (L.Slot[c] == slIntensity) p[3] = v;
            } else {
                p[L.Slot[c]] = v;
            }
        }
        std::memcpy(ADst + n, p, 4);
    }
}

template <TLayout L> void PackBytePixels(const TRGBA8* ASrc, uint8_t* ADst, std::size_t ACount)
{
    for (std::size_t n = 0; n < ACount; ++n, ADst += L.Count) {
        uint8_t p[4];
        std::memcpy(p, ASrc + n, 4);
        for (int c = 0; c < L.Count; ++c)
            ADst[c] = L.Slot[c] == slLuminance || L.Slot[c] == slIntensity
                          ? static_cast<uint8_t>((p[0] + p[1] + p[2]) / 3)
                          : p[L.Slot[c]];
    }
}

using TPixelUnpacker = void (*)(const uint8_t*, TIntermediateFormat*, std::size_t);
using TPixelPacker = void (*)(const TIntermediateFormat*, uint8_t*, std::size_t);
using TBytePixelUnpacker = void (*)(const uint8_t*, TRGBA8*, std::size_t);
using TBytePixelPacker = void (*)(const TRGBA8*, uint8_t*, std::size_t);

template <std::size_t... I>
constexpr std::array<TBytePixelUnpacker, cLayoutCount> MakeByteUnpackers(std::index_sequence<I...>)
{
    return {&UnpackBytePixels<cFormatLayouts[I].Layout>...};
}

template <std::size_t... I>
constexpr std::array<TBytePixelPacker, cLayoutCount> MakeBytePackers(std::index_sequence<I...>)
{
    return {&PackBytePixels<cFormatLayouts[I].Layout>...};
}

template <typename TType, std::size_t... I>
constexpr std::array<TPixelUnpacker, cLayoutCount> MakeScalarUnpackers(std::index_sequence<I...>)
{
    return {&UnpackScalarPixels<TType, cFormatLayouts[I].Layout>...};
}

template <typename TType, bool Clamp, std::size_t... I>
constexpr std::array<TPixelPacker, cLayoutCount> MakeScalarPackers(std::index_sequence<I...>)
{
    return {&PackScalarPixels<TType, cFormatLayouts[I].Layout, Clamp>...};
}

// The table's routines take the colour format once per call; the format was checked before (RowDataSize).
template <typename TType>
void UnpackScalar(const uint8_t* ASrc, TIntermediateFormat* ADst, GLenum AColorFormat, int32_t AWidth,
                  int32_t AHeight)
{
    static constexpr auto unpackers = MakeScalarUnpackers<TType>(std::make_index_sequence<cLayoutCount>());
    bool integer;
    unpackers[FindLayout(AColorFormat, integer)](ASrc, ADst, static_cast<std::size_t>(AWidth) * AHeight);
}

template <typename TType>
void PackScalar(const TIntermediateFormat* ASrc, uint8_t* ADst, GLenum AColorFormat, int32_t AWidth,
                int32_t AHeight)
{
    static constexpr auto clamped = MakeScalarPackers<TType, true>(std::make_index_sequence<cLayoutCount>());
    static constexpr auto unclamped = MakeScalarPackers<TType, false>(std::make_index_sequence<cLayoutCount>());
    bool integer;
    const int layout = FindLayout(AColorFormat, integer);
    (integer ? unclamped : clamped)[layout](ASrc, ADst, static_cast<std::size_t>(AWidth) * AHeight);
}

void UnpackScalarBytes(const uint8_t* ASrc, TRGBA8* ADst, GLenum AColorFormat, int32_t AWidth, int32_t AHeight)
{
    static constexpr auto unpackers = MakeByteUnpackers(std::make_index_sequence<cLayoutCount>());
    bool integer;
    unpackers[FindLayout(AColorFormat, integer)](ASrc, ADst, static_cast<std::size_t>(AWidth) * AHeight);
}

// ACount byte pixels written as unsigned bytes in the colour format (checked before).
void PackBytes(const TRGBA8* ASrc, uint8_t* ADst, GLenum AColorFormat, std::size_t ACount)
{
    static constexpr auto packers = MakeBytePackers(std::make_index_sequence<cLayoutCount>());
    bool integer;
    packers[FindLayout(AColorFormat, integer)](ASrc, ADst, ACount);
}

// ---------------------------------------------------------------------------------------------------------
// Packed data types: one 8-, 16- or 32-bit value per pixel holding 3 or 4 bit fields. Each field is moved to
// the top of an 8-bit range without repeating its bits (a 5-bit field f becomes f x 8), except alpha fields of
// 1 and 2 bits, which span the full range so that a set alpha bit stays opaque. Formats without alpha give 255.

// Colour formats a packed type accepts: RGB and BGR only; those and their _INTEGER forms; RGBA and BGRA and
// their _INTEGER forms.
enum TPackedFormats : uint8_t { pfRGB, pfRGBOrInteger, pfRGBAOrInteger };

struct TBitField {
    uint8_t Shift;
    uint8_t Bits;
    float Scale;
};

// Fields in component order: R, G, B (, A) for the RGB formats; B, G, R (, A) for the BGR ones.
struct TPackedType {
    uint8_t Bytes;
    uint8_t Count;
    TPackedFormats Formats;
    TBitField Fields[4];
};

constexpr TBitField Field(uint8_t AShift, uint8_t ABits)
{
    return {AShift, ABits, ABits == 10 ? 0.25f : static_cast<float>(1 << (8 - ABits))};
}

constexpr TBitField AlphaField(uint8_t AShift, uint8_t ABits)
{
    return {AShift, ABits, ABits == 1 ? 255.0f : ABits == 2 ? 85.0f : static_cast<float>(1 << (8 - ABits))};
}

constexpr TPackedType cType332{1, 3, pfRGB, {Field(5, 3), Field(2, 3), Field(0, 2)}};
constexpr TPackedType cType233Rev{1, 3, pfRGB, {Field(0, 3), Field(3, 3), Field(6, 2)}};
// 8_8_8_8 reads its bytes in memory order, which is the order _REV means to OpenGL; the DDS formats rely on it.
constexpr TPackedType cType8888{4, 4, pfRGBAOrInteger, {Field(0, 8), Field(8, 8), Field(16, 8), AlphaField(24, 8)}};
constexpr TPackedType cType8888Rev{4, 4, pfRGBAOrInteger,
                                   {Field(24, 8), Field(16, 8), Field(8, 8), AlphaField(0, 8)}};
constexpr TPackedType cType4444{2, 4, pfRGBAOrInteger, {Field(12, 4), Field(8, 4), Field(4, 4), AlphaField(0, 4)}};
constexpr TPackedType cType4444Rev{2, 4, pfRGBAOrInteger,
                                   {Field(0, 4), Field(4, 4), Field(8, 4), AlphaField(12, 4)}};
constexpr TPackedType cType565{2, 3, pfRGBOrInteger, {Field(11, 5), Field(5, 6), Field(0, 5)}};
constexpr TPackedType cType565Rev{2, 3, pfRGBOrInteger, {Field(0, 5), Field(5, 6), Field(11, 5)}};
constexpr TPackedType cType5551{2, 4, pfRGBAOrInteger, {Field(11, 5), Field(6, 5), Field(1, 5), AlphaField(0, 1)}};
constexpr TPackedType cType1555Rev{2, 4, pfRGBAOrInteger,
                                   {Field(0, 5), Field(5, 5), Field(10, 5), AlphaField(15, 1)}};
// Both 10-bit types read the first component from the low bits.
constexpr TPackedType cType1010102{4, 4, pfRGBAOrInteger,
                                   {Field(0, 10), Field(10, 10), Field(20, 10), AlphaField(30, 2)}};

bool AcceptsPackedFormat(TPackedFormats AFormats, GLenum AColorFormat)
{
    switch (AColorFormat) {
    case GL_RGB:
    case GL_BGR: return AFormats != pfRGBAOrInteger;
    case GL_RGB_INTEGER:
    case GL_BGR_INTEGER: return AFormats == pfRGBOrInteger;
    case GL_RGBA:
    case GL_BGRA:
    case GL_RGBA_INTEGER:
    case GL_BGRA_INTEGER: return AFormats == pfRGBAOrInteger;
    default: return false;
    }
}

template <const TPackedType& P, bool SwapRedBlue>
void UnpackPackedPixels(const uint8_t* ASrc, TIntermediateFormat* ADst, std::size_t ACount)
{
    using TValue = std::conditional_t<P.Bytes == 1, uint8_t, std::conditional_t<P.Bytes == 2, uint16_t, uint32_t>>;
    for (std::size_t n = 0; n < ACount; ++n, ASrc += P.Bytes) {
        const uint32_t v = Load<TValue>(ASrc);
        float c[4] = {0, 0, 0, 255};
        for (int i = 0; i < P.Count; ++i)
            c[i] = static_cast<float>((v >> P.Fields[i].Shift) & ((1u << P.Fields[i].Bits) - 1)) * P.Fields[i].Scale;
        if (SwapRedBlue) std::swap(c[0], c[2]);
        ADst[n] = {c[0], c[1], c[2], c[3]};
    }
}

template <const TPackedType& P>
void UnpackPacked(const uint8_t* ASrc, TIntermediateFormat* ADst, GLenum AColorFormat, int32_t AWidth,
                  int32_t AHeight)
{
    const std::size_t count = static_cast<std::size_t>(AWidth) * AHeight;
    const bool bgr = AColorFormat == GL_BGR || AColorFormat == GL_BGRA || AColorFormat == GL_BGR_INTEGER ||
                     AColorFormat == GL_BGRA_INTEGER;
    (bgr ? UnpackPackedPixels<P, true> : UnpackPackedPixels<P, false>)(ASrc, ADst, count);
}

// ---------------------------------------------------------------------------------------------------------
// Block-compressed data: 4 x 4 texel blocks, a row of blocks at a time; texels beyond the image are dropped.
// The colour format is not used.

// Where a decoder puts the four texel rows of a block: straight into the image for a whole block, into a
// scratch block for one the image edge cuts.
template <typename T> struct TBlockRows {
    T* Row[4];
    T& operator[](int i) const { return Row[i >> 2][i & 3]; }
};

// How a colour block's palette is held and its texels written in each texel form. Entries are made whole, so
// that reading one back as a whole is not held up; byte entries are one 32-bit word (R in the low byte).
template <typename T> struct TTexelForm;

template <> struct TTexelForm<TIntermediateFormat> {
    using Entry = TIntermediateFormat;
    static void Set(Entry& AEntry, int r, int g, int b, int a)
    {
        _mm_storeu_ps(&AEntry.R, _mm_setr_ps(static_cast<float>(r), static_cast<float>(g), static_cast<float>(b),
                                             static_cast<float>(a)));
    }
    static void Put(TIntermediateFormat& ATexel, Entry AEntry, const uint8_t* AAlpha)
    {
        if (AAlpha) AEntry.A = *AAlpha;
        ATexel = AEntry;
    }
};

template <> struct TTexelForm<TRGBA8> {
    using Entry = uint32_t;
    static void Set(Entry& AEntry, int r, int g, int b, int a)
    {
        AEntry = static_cast<uint32_t>(r) | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(b) << 16 |
                 static_cast<uint32_t>(a) << 24;
    }
    static void Put(TRGBA8& ATexel, Entry AEntry, const uint8_t* AAlpha)
    {
        if (AAlpha) AEntry = (AEntry & 0x00FFFFFF) | static_cast<uint32_t>(*AAlpha) << 24;
        std::memcpy(&ATexel, &AEntry, 4);
    }
};

// The colour part of the S3TC blocks (8 bytes). The three-colour mode (DXT1 with c0 <= c1) makes the last
// entry transparent while keeping its colour, unless the format has no alpha. AAlphas, when given, replaces
// the palette's alpha texel by texel.
template <typename T>
void DecodeColorBlock(const uint8_t* ABlock, bool AAllowThreeColors, bool AOpaque, const uint8_t* AAlphas,
                      TBlockRows<T> AOut)
{
    const uint16_t c0 = Load<uint16_t>(ABlock);
    const uint16_t c1 = Load<uint16_t>(ABlock + 2);
    const uint32_t indices = Load<uint32_t>(ABlock + 4);
    const int r0 = ((c0 >> 11) & 31) * 8, g0 = ((c0 >> 5) & 63) * 4, b0 = (c0 & 31) * 8;
    const int r1 = ((c1 >> 11) & 31) * 8, g1 = ((c1 >> 5) & 63) * 4, b1 = (c1 & 31) * 8;
    using TForm = TTexelForm<T>;
    alignas(16) typename TForm::Entry palette[4];
    auto entry = [&](int k, int r, int g, int b, int a) { TForm::Set(palette[k], r, g, b, a); };
    entry(0, r0, g0, b0, 255);
    entry(1, r1, g1, b1, 255);
    if (AAllowThreeColors && c0 <= c1) {
        entry(2, (r0 + r1) / 2, (g0 + g1) / 2, (b0 + b1) / 2, 255);
        entry(3, (r0 + 2 * r1 + 1) / 3, (g0 + 2 * g1 + 1) / 3, (b0 + 2 * b1 + 1) / 3, AOpaque ? 255 : 0);
    } else {
        entry(2, (2 * r0 + r1 + 1) / 3, (2 * g0 + g1 + 1) / 3, (2 * b0 + b1 + 1) / 3, 255);
        entry(3, (r0 + 2 * r1 + 1) / 3, (g0 + 2 * g1 + 1) / 3, (b0 + 2 * b1 + 1) / 3, 255);
    }
    for (int i = 0; i < 16; ++i) {
        TForm::Put(AOut[i], palette[(indices >> (2 * i)) & 3], AAlphas ? AAlphas + i : nullptr);
    }
}

// The 48-bit index field of DXT5 alpha and the single-channel blocks: texel i takes bits 3i to 3i + 2.
uint64_t Load48(const uint8_t* p)
{
    uint64_t v = 0;
    std::memcpy(&v, p, 6);
    return v;
}

// The eight values of a single-channel block (LATC, RGTC); no rounding term in the interpolation.
template <bool Signed> void SingleChannelPalette(const uint8_t* ABlock, int (&APalette)[8])
{
    const int e0 = Signed ? static_cast<int8_t>(ABlock[0]) : ABlock[0];
    const int e1 = Signed ? static_cast<int8_t>(ABlock[1]) : ABlock[1];
    APalette[0] = e0;
    APalette[1] = e1;
    if (e0 > e1) {
        for (int k = 2; k < 8; ++k) APalette[k] = ((8 - k) * e0 + (k - 1) * e1) / 7;
    } else {
        for (int k = 2; k < 6; ++k) APalette[k] = ((6 - k) * e0 + (k - 1) * e1) / 5;
        APalette[6] = Signed ? -127 : 0;
        APalette[7] = Signed ? 127 : 255;
    }
}

template <bool Signed> void DecodeSingleChannel(const uint8_t* ABlock, int (&AValues)[16])
{
    int palette[8];
    SingleChannelPalette<Signed>(ABlock, palette);
    const uint64_t indices = Load48(ABlock + 2);
    for (int i = 0; i < 16; ++i) AValues[i] = palette[(indices >> (3 * i)) & 7];
}

template <typename T, bool Opaque> void DecodeDXT1(const uint8_t* ABlock, TBlockRows<T> AOut)
{
    DecodeColorBlock<T>(ABlock, true, Opaque, nullptr, AOut);
}

template <typename T> void DecodeDXT3(const uint8_t* ABlock, TBlockRows<T> AOut)
{
    uint8_t alphas[16];
    for (int y = 0; y < 4; ++y) {
        const uint16_t row = Load<uint16_t>(ABlock + 2 * y);
        for (int x = 0; x < 4; ++x) alphas[4 * y + x] = static_cast<uint8_t>(((row >> (4 * x)) & 15) * 17);
    }
    DecodeColorBlock<T>(ABlock + 8, false, true, alphas, AOut);
}

template <typename T> void DecodeDXT5(const uint8_t* ABlock, TBlockRows<T> AOut)
{
    const int a0 = ABlock[0], a1 = ABlock[1];
    int palette[8] = {a0, a1};
    if (a0 > a1) {
        for (int k = 2; k < 8; ++k) palette[k] = ((8 - k) * a0 + (k - 1) * a1 + 3) / 7;
    } else {
        for (int k = 2; k < 6; ++k) palette[k] = ((6 - k) * a0 + (k - 1) * a1 + 2) / 5;
        palette[6] = 0;
        palette[7] = 255;
    }
    const uint64_t indices = Load48(ABlock + 2);
    uint8_t alphas[16];
    for (int i = 0; i < 16; ++i) alphas[i] = static_cast<uint8_t>(palette[(indices >> (3 * i)) & 7]);
    DecodeColorBlock<T>(ABlock + 8, false, true, alphas, AOut);
}

// LATC and RGTC: one or two single-channel blocks; signed values are doubled and give alpha 127.
enum TChannelUse : uint8_t { cuLuminance, cuLuminanceAlpha, cuRed, cuRedGreen };

template <TChannelUse Use, bool Signed>
void DecodeChannels(const uint8_t* ABlock, TBlockRows<TIntermediateFormat> AOut)
{
    constexpr bool two = Use == cuLuminanceAlpha || Use == cuRedGreen;
    constexpr float scale = Signed ? 2.0f : 1.0f;
    constexpr float opaque = Signed ? 127.0f : 255.0f;
    int v[16], w[16] = {};
    DecodeSingleChannel<Signed>(ABlock, v);
    if constexpr (two) DecodeSingleChannel<Signed>(ABlock + 8, w);
    for (int i = 0; i < 16; ++i) {
        const float a = scale * static_cast<float>(v[i]);
        const float b = scale * static_cast<float>(w[i]);
        switch (Use) {
        case cuLuminance: AOut[i] = {a, a, a, opaque}; break;
        case cuLuminanceAlpha: AOut[i] = {a, a, a, b}; break;
        case cuRed: AOut[i] = {a, 0, 0, opaque}; break;
        case cuRedGreen: AOut[i] = {a, b, 0, opaque}; break;
        }
    }
}

template <typename T, int BlockBytes, void (*Decode)(const uint8_t*, TBlockRows<T>)>
void UnpackBlocks(const uint8_t* ASrc, T* ADst, GLenum, int32_t AWidth, int32_t AHeight)
{
    const std::size_t width = static_cast<std::size_t>(AWidth);
    T scratch[16];
    const TBlockRows<T> scratchRows{{scratch, scratch + 4, scratch + 8, scratch + 12}};
    for (int32_t by = 0; by < AHeight; by += 4) {
        const int rows = std::min(4, AHeight - by);
        T* line = ADst + by * width;
        for (int32_t bx = 0; bx < AWidth; bx += 4, ASrc += BlockBytes) {
            const int columns = std::min(4, AWidth - bx);
            if (rows == 4 && columns == 4) {
                Decode(ASrc, {{line + bx, line + width + bx, line + 2 * width + bx, line + 3 * width + bx}});
                continue;
            }
            Decode(ASrc, scratchRows);
            for (int y = 0; y < rows; ++y) std::copy_n(scratchRows.Row[y], columns, line + y * width + bx);
        }
    }
}

// ---------------------------------------------------------------------------------------------------------
// The conversion table.

using TUnpackRoutine = void (*)(const uint8_t*, TIntermediateFormat*, GLenum, int32_t, int32_t);
using TPackRoutine = void (*)(const TIntermediateFormat*, uint8_t*, GLenum, int32_t, int32_t);
using TByteUnpackRoutine = void (*)(const uint8_t*, TRGBA8*, GLenum, int32_t, int32_t);

enum TDataKind : uint8_t { dkScalar, dkPacked, dkBlock };

struct TConvertTableRec {
    GLenum DataType;
    TDataKind Kind;
    uint8_t Bytes;            // per component (scalar), per pixel (packed) or per 4 x 4 block
    TPackedFormats Formats;   // the formats a packed type accepts
    TUnpackRoutine Unpack;    // null: the type cannot be read
    TPackRoutine Pack;        // null: the type cannot be written
    TByteUnpackRoutine UnpackBytes; // null: the type's working values are not all whole bytes
};

template <typename TType> constexpr TConvertTableRec ScalarRow(GLenum ADataType)
{
    TByteUnpackRoutine bytes = nullptr;
    if constexpr (std::is_same_v<TType, TUnsignedByteType>) bytes = &UnpackScalarBytes;
    return {ADataType,           dkScalar, sizeof(typename TType::Stored), pfRGB, &UnpackScalar<TType>,
            &PackScalar<TType>, bytes};
}

template <const TPackedType& P> constexpr TConvertTableRec PackedRow(GLenum ADataType)
{
    return {ADataType, dkPacked, P.Bytes, P.Formats, &UnpackPacked<P>, nullptr, nullptr};
}

template <int BlockBytes, void (*Decode)(const uint8_t*, TBlockRows<TIntermediateFormat>)>
constexpr TConvertTableRec BlockRow(GLenum ADataType)
{
    return {ADataType, dkBlock, BlockBytes, pfRGB, &UnpackBlocks<TIntermediateFormat, BlockBytes, Decode>, nullptr,
            nullptr};
}

// An S3TC type: its decoder in both texel forms.
template <int BlockBytes, void (*Decode)(const uint8_t*, TBlockRows<TIntermediateFormat>),
          void (*DecodeBytes)(const uint8_t*, TBlockRows<TRGBA8>)>
constexpr TConvertTableRec S3TCRow(GLenum ADataType)
{
    return {ADataType, dkBlock, BlockBytes, pfRGB, &UnpackBlocks<TIntermediateFormat, BlockBytes, Decode>, nullptr,
            &UnpackBlocks<TRGBA8, BlockBytes, DecodeBytes>};
}

// A compressed type without a decoder.
constexpr TConvertTableRec OpaqueBlockRow(GLenum ADataType, uint8_t ABlockBytes)
{
    return {ADataType, dkBlock, ABlockBytes, pfRGB, nullptr, nullptr, nullptr};
}

constexpr GLenum cCompressedLuminanceAlpha3DC = 0x8837;

constexpr TConvertTableRec cConvertTable[] = {
    ScalarRow<TUnsignedByteType>(GL_UNSIGNED_BYTE),
    PackedRow<cType332>(GL_UNSIGNED_BYTE_3_3_2),
    PackedRow<cType233Rev>(GL_UNSIGNED_BYTE_2_3_3_REV),
    ScalarRow<TByteType>(GL_BYTE),
    ScalarRow<TUnsignedShortType>(GL_UNSIGNED_SHORT),
    ScalarRow<TShortType>(GL_SHORT),
    ScalarRow<TUnsignedIntType>(GL_UNSIGNED_INT),
    ScalarRow<TIntType>(GL_INT),
    ScalarRow<TFloatType>(GL_FLOAT),
    ScalarRow<THalfFloatType>(GL_HALF_FLOAT),
    PackedRow<cType8888>(GL_UNSIGNED_INT_8_8_8_8),
    PackedRow<cType8888Rev>(GL_UNSIGNED_INT_8_8_8_8_REV),
    PackedRow<cType4444>(GL_UNSIGNED_SHORT_4_4_4_4),
    PackedRow<cType4444Rev>(GL_UNSIGNED_SHORT_4_4_4_4_REV),
    PackedRow<cType565>(GL_UNSIGNED_SHORT_5_6_5),
    PackedRow<cType565Rev>(GL_UNSIGNED_SHORT_5_6_5_REV),
    PackedRow<cType5551>(GL_UNSIGNED_SHORT_5_5_5_1),
    PackedRow<cType1555Rev>(GL_UNSIGNED_SHORT_1_5_5_5_REV),
    PackedRow<cType1010102>(GL_UNSIGNED_INT_10_10_10_2),
    PackedRow<cType1010102>(GL_UNSIGNED_INT_2_10_10_10_REV),
    // The RGB form of DXT1 has no alpha: its transparent texels stay opaque.
    S3TCRow<8, DecodeDXT1<TIntermediateFormat, true>, DecodeDXT1<TRGBA8, true>>(GL_COMPRESSED_RGB_S3TC_DXT1_EXT),
    S3TCRow<8, DecodeDXT1<TIntermediateFormat, false>, DecodeDXT1<TRGBA8, false>>(GL_COMPRESSED_RGBA_S3TC_DXT1_EXT),
    S3TCRow<16, DecodeDXT3<TIntermediateFormat>, DecodeDXT3<TRGBA8>>(GL_COMPRESSED_RGBA_S3TC_DXT3_EXT),
    S3TCRow<16, DecodeDXT5<TIntermediateFormat>, DecodeDXT5<TRGBA8>>(GL_COMPRESSED_RGBA_S3TC_DXT5_EXT),
    OpaqueBlockRow(GL_COMPRESSED_SRGB_S3TC_DXT1_EXT, 8),
    OpaqueBlockRow(GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT1_EXT, 8),
    OpaqueBlockRow(GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT3_EXT, 16),
    OpaqueBlockRow(GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT5_EXT, 16),
    BlockRow<8, DecodeChannels<cuLuminance, false>>(GL_COMPRESSED_LUMINANCE_LATC1_EXT),
    BlockRow<8, DecodeChannels<cuLuminance, true>>(GL_COMPRESSED_SIGNED_LUMINANCE_LATC1_EXT),
    BlockRow<16, DecodeChannels<cuLuminanceAlpha, false>>(GL_COMPRESSED_LUMINANCE_ALPHA_LATC2_EXT),
    BlockRow<16, DecodeChannels<cuLuminanceAlpha, true>>(GL_COMPRESSED_SIGNED_LUMINANCE_ALPHA_LATC2_EXT),
    OpaqueBlockRow(cCompressedLuminanceAlpha3DC, 16),
    BlockRow<8, DecodeChannels<cuRed, false>>(GL_COMPRESSED_RED_RGTC1),
    BlockRow<8, DecodeChannels<cuRed, true>>(GL_COMPRESSED_SIGNED_RED_RGTC1),
    BlockRow<16, DecodeChannels<cuRedGreen, false>>(GL_COMPRESSED_RG_RGTC2),
    BlockRow<16, DecodeChannels<cuRedGreen, true>>(GL_COMPRESSED_SIGNED_RG_RGTC2),
};
static_assert(std::size(cConvertTable) == 37, "one row per data type");

const TConvertTableRec& FindRow(GLenum ADataType)
{
    for (const TConvertTableRec& row : cConvertTable)
        if (row.DataType == ADataType) return row;
    throw EGLImageUtils(cUnimplementedConversion);
}

constexpr std::size_t cMaxPixels = std::size_t{1} << 40;

// Bytes of AWidth x AHeight pixels (AWidth, AHeight >= 1) of the row's type in the colour format; raises for a
// format the row's routines refuse.
std::size_t RowDataSize(const TConvertTableRec& ARow, GLenum AColorFormat, int32_t AWidth, int32_t AHeight)
{
    const auto width = static_cast<std::size_t>(AWidth), height = static_cast<std::size_t>(AHeight);
    // Far beyond any texture, and small enough that no byte count below can overflow.
    if (width * height > cMaxPixels)
        throw EGLImageUtils(Format("An image of %d x %d pixels is too large", {AWidth, AHeight}));
    switch (ARow.Kind) {
    case dkScalar: {
        bool integer;
        const int layout = FindLayout(AColorFormat, integer);
        if (layout < 0) throw EGLImageUtils(cInvalidDataType);
        return width * height * static_cast<std::size_t>(cFormatLayouts[layout].Layout.Count) * ARow.Bytes;
    }
    case dkPacked:
        if (!AcceptsPackedFormat(ARow.Formats, AColorFormat)) throw EGLImageUtils(cInvalidDataType);
        return width * height * ARow.Bytes;
    case dkBlock: return (width + 3) / 4 * ((height + 3) / 4) * ARow.Bytes;
    }
    return 0;
}

const TConvertTableRec& ReadableRow(GLenum ADataType)
{
    const TConvertTableRec& row = FindRow(ADataType);
    if (!row.Unpack) throw EGLImageUtils(cUnimplementedConversion);
    return row;
}

const TConvertTableRec& WritableRow(GLenum ADataType)
{
    const TConvertTableRec& row = FindRow(ADataType);
    if (!row.Pack) throw EGLImageUtils(cUnimplementedConversion);
    return row;
}

// Working pixels per step of a plain conversion: small enough to stay in the cache.
constexpr std::size_t cConvertChunk = 4096;

// Walks the source in runs: a row of blocks at a time for compressed data, a cache-sized run of plain pixels
// (taken as one row) otherwise. AStep(source, first pixel, width, rows) converts one run.
template <typename F>
void ForEachRun(const TConvertTableRec& AFrom, const uint8_t* ASrc, std::size_t ASrcPixelBytes, int32_t AWidth,
                int32_t AHeight, F AStep)
{
    const std::size_t width = static_cast<std::size_t>(AWidth);
    if (AFrom.Kind == dkBlock) {
        const std::size_t blockRowBytes = (width + 3) / 4 * AFrom.Bytes;
        for (int32_t y = 0; y < AHeight; y += 4, ASrc += blockRowBytes)
            AStep(ASrc, y * width, AWidth, std::min(4, AHeight - y));
        return;
    }
    const std::size_t total = width * static_cast<std::size_t>(AHeight);
    for (std::size_t done = 0; done < total; done += cConvertChunk)
        AStep(ASrc + done * ASrcPixelBytes, done, static_cast<int32_t>(std::min(cConvertChunk, total - done)), 1);
}

// The most pixels one run holds.
std::size_t RunPixels(const TConvertTableRec& AFrom, int32_t AWidth, int32_t AHeight)
{
    const std::size_t width = static_cast<std::size_t>(AWidth);
    return AFrom.Kind == dkBlock ? 4 * width : std::min(width * static_cast<std::size_t>(AHeight), cConvertChunk);
}

} // namespace

void CheckImageBufferSize(const char* AWhich, std::size_t AHeld, std::size_t ANeeded)
{
    if (AHeld < ANeeded)
        throw EGLImageUtils(Format("%s buffer holds %d bytes, %d needed", {AWhich, AHeld, ANeeded}));
}

std::size_t ImageDataSize(GLenum AColorFormat, GLenum ADataType, int32_t AWidth, int32_t AHeight)
{
    if (AWidth < 1) return 0;
    return RowDataSize(FindRow(ADataType), AColorFormat, AWidth, std::max(1, AHeight));
}

void UnpackImage(const void* ASrc, std::size_t ASrcSize, GLenum AColorFormat, GLenum ADataType, int32_t AWidth,
                 int32_t AHeight, TIntermediateFormat* ADst)
{
    if (AWidth < 1) return;
    AHeight = std::max(1, AHeight);
    const TConvertTableRec& row = ReadableRow(ADataType);
    CheckImageBufferSize("Source", ASrcSize, RowDataSize(row, AColorFormat, AWidth, AHeight));
    row.Unpack(static_cast<const uint8_t*>(ASrc), ADst, AColorFormat, AWidth, AHeight);
}

void PackImage(const TIntermediateFormat* ASrc, GLenum AColorFormat, GLenum ADataType, int32_t AWidth,
               int32_t AHeight, void* ADst, std::size_t ADstSize)
{
    if (AWidth < 1) return;
    AHeight = std::max(1, AHeight);
    const TConvertTableRec& row = WritableRow(ADataType);
    CheckImageBufferSize("Destination", ADstSize, RowDataSize(row, AColorFormat, AWidth, AHeight));
    row.Pack(ASrc, static_cast<uint8_t*>(ADst), AColorFormat, AWidth, AHeight);
}

void ConvertImage(const void* ASrc, void* ADst, GLenum ASrcColorFormat, GLenum ADstColorFormat,
                  GLenum ASrcDataType, GLenum ADstDataType, int32_t AWidth, int32_t AHeight, std::size_t ASrcSize,
                  std::size_t ADstSize)
{
    if (AWidth < 1) return;
    AHeight = std::max(1, AHeight);
    // Everything is checked before the first byte is written.
    const TConvertTableRec& from = ReadableRow(ASrcDataType);
    const std::size_t srcBytes = RowDataSize(from, ASrcColorFormat, AWidth, AHeight);
    const TConvertTableRec& to = WritableRow(ADstDataType);
    const std::size_t dstPixelBytes = RowDataSize(to, ADstColorFormat, 1, 1);
    CheckImageBufferSize("Source", ASrcSize, srcBytes);
    CheckImageBufferSize("Destination", ADstSize, dstPixelBytes * static_cast<std::size_t>(AWidth) * AHeight);

    const auto src = static_cast<const uint8_t*>(ASrc);
    const auto dst = static_cast<uint8_t*>(ADst);
    const std::size_t srcPixelBytes =
        from.Kind == dkBlock ? 0 : srcBytes / (static_cast<std::size_t>(AWidth) * static_cast<std::size_t>(AHeight));
    const std::size_t chunk = RunPixels(from, AWidth, AHeight);
    if (from.UnpackBytes && ADstDataType == GL_UNSIGNED_BYTE) {
        // Whole bytes to bytes: RGBA is written in place, other formats from a run of byte pixels.
        bool integer;
        const bool inPlace = cFormatLayouts[FindLayout(ADstColorFormat, integer)].Format == GL_RGBA;
        const auto work = inPlace ? nullptr : std::make_unique_for_overwrite<TRGBA8[]>(chunk);
        ForEachRun(from, src, srcPixelBytes, AWidth, AHeight,
                   [&](const uint8_t* ARun, std::size_t AFirst, int32_t ARunWidth, int32_t ARows) {
                       TRGBA8* pixels = inPlace ? reinterpret_cast<TRGBA8*>(dst + 4 * AFirst) : work.get();
                       from.UnpackBytes(ARun, pixels, ASrcColorFormat, ARunWidth, ARows);
                       if (!inPlace)
                           PackBytes(pixels, dst + AFirst * dstPixelBytes, ADstColorFormat,
                                     static_cast<std::size_t>(ARunWidth) * ARows);
                   });
        return;
    }
    const auto work = std::make_unique_for_overwrite<TIntermediateFormat[]>(chunk);
    ForEachRun(from, src, srcPixelBytes, AWidth, AHeight,
               [&](const uint8_t* ARun, std::size_t AFirst, int32_t ARunWidth, int32_t ARows) {
                   from.Unpack(ARun, work.get(), ASrcColorFormat, ARunWidth, ARows);
                   to.Pack(work.get(), dst + AFirst * dstPixelBytes, ADstColorFormat, ARunWidth, ARows);
               });
}
