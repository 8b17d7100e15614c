// Resampling and mipmap chains: a separable filter over the working form of the pixel conversion. Each axis is
// filtered through contributor lists (source index and weight per output index) built once per call or level.
#include "GLImageUtils.h"

#include <algorithm>
#include <cmath>
#include <emmintrin.h>
#include <memory>
#include <numbers>
#include <vector>

namespace {

// Every output sample looks at the source pixels within this distance (scaled when shrinking).
constexpr float cFilterWidth = 5.0f;

struct TContributor {
    int32_t Index;
    float Weight;
};

// The contributor lists of one axis: list o is Entries[Starts[o]] up to Entries[Starts[o + 1]], only weights
// other than 0, in increasing source position, scaled to sum 1. Its arrays grow as needed and keep their room
// between levels.
class TContributorLists {
public:
    // AExtent source pixels to AOutputs outputs at scale AScale (AOutputs - 1 over AExtent - 1). Enlarging uses
    // the kernel as it is; shrinking (ANarrow) widens it by 1 / scale and scales its weights down alike; a scale
    // of 0 (one output from several pixels) averages the axis.
    void Build(int32_t AExtent, int32_t AOutputs, float AScale, bool ANarrow, TImageFilterFunction AFilter)
    {
        FEntries.clear();
        FStarts.assign(1, 0);
        if (AScale <= 0.0f) {
            for (int32_t i = 0; i < AExtent; ++i) FEntries.push_back({i, 1.0f / static_cast<float>(AExtent)});
            FStarts.push_back(static_cast<uint32_t>(FEntries.size()));
            return;
        }
        const float halfWidth = ANarrow ? cFilterWidth / AScale : cFilterWidth;
        const float stretch = 1.0f / AScale;
        for (int32_t o = 0; o < AOutputs; ++o) {
            const float centre = static_cast<float>(o) / AScale;
            const auto first = static_cast<int64_t>(std::floor(static_cast<double>(centre) - halfWidth));
            const auto last = static_cast<int64_t>(std::ceil(static_cast<double>(centre) + halfWidth));
            const std::size_t start = FEntries.size();
            double sum = 0;
            for (int64_t i = first; i <= last; ++i) {
                const double distance = static_cast<double>(centre) - static_cast<double>(i);
                const float weight = ANarrow ? AFilter(static_cast<float>(distance / stretch)) / stretch
                                             : AFilter(static_cast<float>(distance));
                if (weight == 0.0f) continue;
                FEntries.push_back({SourceIndex(i, AExtent), weight});
                sum += weight;
            }
            // The kernel's samples rarely sum to exactly 1 (a widened triangle sampled at whole pixels can sum
            // to 0.92 or 1.08), which would brighten or darken flat colours: the weights are scaled to sum 1.
            if (sum != 0.0 && sum != 1.0)
                for (std::size_t e = start; e < FEntries.size(); ++e)
                    FEntries[e].Weight = static_cast<float>(FEntries[e].Weight / sum);
            FStarts.push_back(static_cast<uint32_t>(FEntries.size()));
        }
    }

    const TContributor* begin(int32_t AOutput) const { return FEntries.data() + FStarts[AOutput]; }
    const TContributor* end(int32_t AOutput) const { return FEntries.data() + FStarts[AOutput + 1]; }

private:
    // Positions before the first pixel or after the last mirror at the edge, as often as needed for a kernel
    // wider than the row; a row of one pixel holds everything on that pixel.
    static int32_t SourceIndex(int64_t i, int32_t n)
    {
        if (i < 0) i = -i;
        if (i >= n) i = std::max<int64_t>(2 * int64_t{n} - i - 1, 0);
        return static_cast<int32_t>(std::clamp<int64_t>(i, 0, n - 1));
    }

    std::vector<TContributor> FEntries;
    std::vector<uint32_t> FStarts;
};

// The four components of a pixel in one register: each output sums weight x pixel in list order.
__m128 Load(const TIntermediateFormat& APixel)
{
    return _mm_loadu_ps(&APixel.R);
}

__m128 Accumulate(__m128 ASum, float AWeight, const TIntermediateFormat& APixel)
{
    return _mm_add_ps(ASum, _mm_mul_ps(_mm_set1_ps(AWeight), Load(APixel)));
}

// Each of ARows rows of ASrcWidth pixels becomes a row of ADstWidth pixels in ADst.
void FilterRows(const TIntermediateFormat* ASrc, int32_t ASrcWidth, int32_t ARows, const TContributorLists& ALists,
                int32_t ADstWidth, TIntermediateFormat* ADst)
{
    for (int32_t r = 0; r < ARows; ++r) {
        const TIntermediateFormat* row = ASrc + static_cast<std::size_t>(r) * ASrcWidth;
        TIntermediateFormat* out = ADst + static_cast<std::size_t>(r) * ADstWidth;
        for (int32_t x = 0; x < ADstWidth; ++x) {
            __m128 sum = _mm_setzero_ps();
            for (auto e = ALists.begin(x); e != ALists.end(x); ++e) sum = Accumulate(sum, e->Weight, row[e->Index]);
            _mm_storeu_ps(&out[x].R, sum);
        }
    }
}

// Columns of AWidth pixels become ADstHeight rows in ADst; each output pixel sums its contributors in list
// order, a whole row at a time so that the source rows are read in sequence.
void FilterColumns(const TIntermediateFormat* ASrc, int32_t AWidth, const TContributorLists& ALists,
                   int32_t ADstHeight, TIntermediateFormat* ADst)
{
    for (int32_t y = 0; y < ADstHeight; ++y) {
        TIntermediateFormat* out = ADst + static_cast<std::size_t>(y) * AWidth;
        std::fill_n(out, AWidth, TIntermediateFormat{0, 0, 0, 0});
        for (auto e = ALists.begin(y); e != ALists.end(y); ++e) {
            const TIntermediateFormat* row = ASrc + static_cast<std::size_t>(e->Index) * AWidth;
            for (int32_t x = 0; x < AWidth; ++x)
                _mm_storeu_ps(&out[x].R, Accumulate(Load(out[x]), e->Weight, row[x]));
        }
    }
}

std::unique_ptr<TIntermediateFormat[]> NewPixels(std::size_t ACount)
{
    return std::make_unique_for_overwrite<TIntermediateFormat[]>(ACount);
}

std::size_t PixelCount(int32_t AWidth, int32_t AHeight)
{
    return static_cast<std::size_t>(AWidth) * static_cast<std::size_t>(AHeight);
}

// Output pixel 0 samples source pixel 0 and the last output pixel the last source pixel.
float RescaleFactor(int32_t ASrcExtent, int32_t ADstExtent)
{
    if (ASrcExtent == 1) return static_cast<float>(ADstExtent);
    return static_cast<float>(ADstExtent - 1) / static_cast<float>(ASrcExtent - 1);
}

} // namespace

float ImageFilterTriangle(float x)
{
    x = std::fabs(x);
    return x < 1.0f ? 1.0f - x : 0.0f;
}

float ImageFilterLanczos3(float x)
{
    if (x == 0.0f) return 1.0f;
    const float ax = std::fabs(x);
    if (ax >= 3.0f) return 0.0f;
    const double t = static_cast<float>(std::numbers::pi * ax);
    return static_cast<float>(3.0 * std::sin(t) * std::sin(t / 3.0) / (t * t));
}

void RescaleImage(const void* ASource, void* ADestination, GLenum AColorFormat, GLenum ADataType,
                  TImageFilterFunction AFilter, int32_t ASrcWidth, int32_t ASrcHeight, int32_t ADstWidth,
                  int32_t ADstHeight, std::size_t ASrcSize, std::size_t ADstSize)
{
    if (ASrcWidth < 1 || ADstWidth < 1) return;
    ASrcHeight = std::max(1, ASrcHeight);
    ADstHeight = std::max(1, ADstHeight);
    // Both buffers are checked before the working blocks are allocated for them.
    CheckImageBufferSize("Source", ASrcSize, ImageDataSize(AColorFormat, ADataType, ASrcWidth, ASrcHeight));
    CheckImageBufferSize("Destination", ADstSize, ImageDataSize(AColorFormat, ADataType, ADstWidth, ADstHeight));
    const auto source = NewPixels(PixelCount(ASrcWidth, ASrcHeight));
    UnpackImage(ASource, ASrcSize, AColorFormat, ADataType, ASrcWidth, ASrcHeight, source.get());

    const float sx = RescaleFactor(ASrcWidth, ADstWidth);
    const float sy = RescaleFactor(ASrcHeight, ADstHeight);
    TContributorLists lists;
    lists.Build(ASrcWidth, ADstWidth, sx, sx < 1.0f, AFilter);
    const auto work = NewPixels(PixelCount(ADstWidth, ASrcHeight));
    FilterRows(source.get(), ASrcWidth, ASrcHeight, lists, ADstWidth, work.get());

    lists.Build(ASrcHeight, ADstHeight, sy, sy < 1.0f, AFilter);
    const auto result = NewPixels(PixelCount(ADstWidth, ADstHeight));
    FilterColumns(work.get(), ADstWidth, lists, ADstHeight, result.get());
    PackImage(result.get(), AColorFormat, ADataType, ADstWidth, ADstHeight, ADestination, ADstSize);
}

void Build2DMipmap(const void* ASource, std::span<const TGLMipmapLevel> ALevels, GLenum AColorFormat,
                   GLenum ADataType, TImageFilterFunction AFilter, int32_t AWidth, int32_t AHeight,
                   std::size_t ASourceSize)
{
    if (AWidth < 1) return;
    AHeight = std::max(1, AHeight);
    // The working pixels of the source level and of every level to make, one after the other.
    std::size_t total = PixelCount(AWidth, AHeight);
    for (int32_t w = AWidth, h = AHeight, k = 0; k < static_cast<int32_t>(ALevels.size()); ++k) {
        w = std::max(1, w / 2);
        h = std::max(1, h / 2);
        total += PixelCount(w, h);
    }
    CheckImageBufferSize("Source", ASourceSize, ImageDataSize(AColorFormat, ADataType, AWidth, AHeight));
    const auto levels = NewPixels(total);
    UnpackImage(ASource, ASourceSize, AColorFormat, ADataType, AWidth, AHeight, levels.get());
    // Every level buffer is checked before the first is written; a type that cannot be written fails at the
    // first level, before it writes anything.
    for (int32_t w = AWidth, h = AHeight, k = 0; k < static_cast<int32_t>(ALevels.size()); ++k) {
        w = std::max(1, w / 2);
        h = std::max(1, h / 2);
        CheckImageBufferSize("Mipmap level", ALevels[k].Size, ImageDataSize(AColorFormat, ADataType, w, h));
    }

    const auto work = NewPixels(PixelCount(AWidth, AHeight));
    TContributorLists lists;
    TIntermediateFormat* previous = levels.get();
    int32_t w = AWidth, h = AHeight;
    for (const TGLMipmapLevel& level : ALevels) {
        const int32_t w2 = std::max(1, w / 2), h2 = std::max(1, h / 2);
        // A level never widens the kernel more than four times.
        const auto scale = [](int32_t AFrom, int32_t ATo) {
            return AFrom > 1 ? static_cast<float>(std::max(0.25, static_cast<double>(ATo - 1) / (AFrom - 1))) : 1.0f;
        };
        lists.Build(w, w2, scale(w, w2), true, AFilter);
        FilterRows(previous, w, h, lists, w2, work.get());
        TIntermediateFormat* next = previous + PixelCount(w, h);
        lists.Build(h, h2, scale(h, h2), true, AFilter);
        FilterColumns(work.get(), w2, lists, h2, next);
        PackImage(next, AColorFormat, ADataType, w2, h2, level.Data, level.Size);
        previous = next;
        w = w2;
        h = h2;
    }
}
