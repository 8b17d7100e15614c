// Resampling and mipmap chains: the kernels, rescaling goldens (identity, averages, ramps, edges, overshoot)
// and mipmap levels (exact weights of a halving, the edge mirroring, chain sizes, refusals).
#include "GLImageUtils.h"
#include "ImageTestUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using TFloats = std::vector<float>;

std::size_t SizeOf(const TFloats& v)
{
    return v.size() * sizeof(float);
}

// A one-channel float image rescaled; the values are on the data scale (1.0 full).
TFloats Rescale(const TFloats& ASrc, int32_t AWidth, int32_t AHeight, int32_t ADstWidth, int32_t ADstHeight,
                TImageFilterFunction AFilter)
{
    TFloats dst(static_cast<size_t>(ADstWidth) * ADstHeight, -99.0f);
    RescaleImage(ASrc.data(), dst.data(), GL_RED, GL_FLOAT, AFilter, AWidth, AHeight, ADstWidth, ADstHeight,
                 SizeOf(ASrc), SizeOf(dst));
    return dst;
}

// The mip levels of a one-channel float image, each sized for its halving.
std::vector<TFloats> Mipmaps(const TFloats& ASrc, int32_t AWidth, int32_t AHeight, int ALevels)
{
    std::vector<TFloats> levels;
    std::vector<TGLMipmapLevel> buffers;
    for (int32_t w = AWidth, h = AHeight, k = 0; k < ALevels; ++k) {
        w = std::max(1, w / 2);
        h = std::max(1, h / 2);
        levels.emplace_back(static_cast<size_t>(w) * h, -99.0f);
    }
    for (TFloats& level : levels) buffers.push_back({level.data(), SizeOf(level)});
    Build2DMipmap(ASrc.data(), buffers, GL_RED, GL_FLOAT, ImageFilterTriangle, AWidth, AHeight, SizeOf(ASrc));
    return levels;
}

TEST(GLImageUtilsResampling, Kernels)
{
    EXPECT_EQ(ImageFilterTriangle(0.5f), 0.5f);
    EXPECT_EQ(ImageFilterTriangle(-0.25f), 0.75f);
    EXPECT_EQ(ImageFilterTriangle(-1.0f), 0.0f);
    EXPECT_EQ(ImageFilterLanczos3(0.0f), 1.0f);
    EXPECT_EQ(ImageFilterLanczos3(3.0f), 0.0f);
    EXPECT_EQ(ImageFilterLanczos3(-3.5f), 0.0f);
    EXPECT_NEAR(ImageFilterLanczos3(0.5f), 0.6079271f, 1e-6f);
    EXPECT_NEAR(ImageFilterLanczos3(-1.5f), -0.1350949f, 1e-6f);
    EXPECT_NEAR(ImageFilterLanczos3(1.0f), 0.0f, 1e-6f);
}

TEST(GLImageUtilsResampling, EqualSizesWithTheTriangleKeepEveryPixel)
{
    TBytes src(7 * 5 * 4);
    for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<uint8_t>(i * 37 + 11);
    TBytes dst(src.size(), 0);
    RescaleImage(src.data(), dst.data(), GL_RGBA, GL_UNSIGNED_BYTE, ImageFilterTriangle, 7, 5, 7, 5, src.size(),
                 dst.size());
    EXPECT_EQ(dst, src);
}

TEST(GLImageUtilsResampling, OnePixelTargetsAverage)
{
    EXPECT_EQ(Rescale({0.1f, 0.3f}, 2, 1, 1, 1, ImageFilterLanczos3)[0], 0.2f);
    const TFloats grid = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    EXPECT_NEAR(Rescale(grid, 5, 3, 1, 1, ImageFilterTriangle)[0], 8.0f, 1e-5f);
    // One axis only: each row becomes its mean.
    const TFloats rows = Rescale(grid, 5, 3, 1, 3, ImageFilterTriangle);
    EXPECT_NEAR(rows[0], 3.0f, 1e-5f);
    EXPECT_NEAR(rows[2], 13.0f, 1e-5f);
}

TEST(GLImageUtilsResampling, ConstantImagesStayConstant)
{
    const TFloats flat(12 * 9, 0.5f);
    for (auto filter : {ImageFilterTriangle, ImageFilterLanczos3}) {
        // Enlarging one axis and shrinking the other.
        for (float v : Rescale(flat, 12, 9, 29, 4, filter)) EXPECT_NEAR(v, 0.5f, 1e-6f);
    }
    // A shrinking kernel sampled at whole pixels sums to more or less than 1 unless its weights are scaled.
    for (const TFloats& level : Mipmaps(flat, 12, 9, 4))
        for (float v : level) EXPECT_NEAR(v, 0.5f, 1e-6f);
}

TEST(GLImageUtilsResampling, RampsStayMonotoneAndEdgesKeepTheirPixels)
{
    TFloats ramp(16);
    for (int i = 0; i < 16; ++i) ramp[i] = static_cast<float>(i) / 15.0f;
    for (auto filter : {ImageFilterTriangle, ImageFilterLanczos3}) {
        for (int32_t width : {40, 7}) {
            const TFloats out = Rescale(ramp, 16, 1, width, 1, filter);
            for (int32_t x = 1; x < width; ++x) EXPECT_LE(out[x - 1], out[x]) << width << " at " << x;
            if (width > 16) {
                // Enlarging: the first and last output pixels sample the first and last source pixels.
                EXPECT_NEAR(out.front(), 0.0f, 1e-5f);
                EXPECT_NEAR(out.back(), 1.0f, 1e-5f);
            }
        }
    }
}

TEST(GLImageUtilsResampling, LanczosOvershootIsClampedInBytes)
{
    const TBytes step = {0, 0, 0, 0, 255, 255, 255, 255};
    TBytes bytes(20);
    RescaleImage(step.data(), bytes.data(), GL_LUMINANCE, GL_UNSIGNED_BYTE, ImageFilterLanczos3, 8, 1, 20, 1,
                 step.size(), bytes.size());
    TFloats floats(20);
    const TFloats stepFloats = {0, 0, 0, 0, 1, 1, 1, 1};
    RescaleImage(stepFloats.data(), floats.data(), GL_LUMINANCE, GL_FLOAT, ImageFilterLanczos3, 8, 1, 20, 1,
                 SizeOf(stepFloats), SizeOf(floats));
    EXPECT_LT(*std::min_element(floats.begin(), floats.end()), 0.0f);
    EXPECT_GT(*std::max_element(floats.begin(), floats.end()), 1.0f);
    for (int i = 0; i < 20; ++i) {
        if (floats[i] <= 0.0f) {
            EXPECT_EQ(bytes[i], 0) << i;
        }
        if (floats[i] >= 1.0f) {
            EXPECT_EQ(bytes[i], 255) << i;
        }
    }
}

TEST(GLImageUtilsResampling, HalvingUsesTheWidenedTriangle)
{
    // A one-row image keeps its vertical scale at 1, so rows are not blurred with mirrored ones.
    // 4 -> 2 at scale 1/3, then 2 -> 1 at the floor of 0.25, where the kernel reaches past both edges and the
    // positions mirror back into the row (0.375 and 0.625).
    const TFloats row = {0.9f, 0.3f, 0.6f, 0.1f};
    const auto levels = Mipmaps(row, 4, 1, 2);
    ASSERT_EQ(levels[0].size(), 2u);
    ASSERT_EQ(levels[1].size(), 1u);
    const float out0 = row[0] / 3 + row[1] * 4 / 9 + row[2] * 2 / 9;
    const float out1 = row[1] / 9 + row[2] / 3 + row[3] * 5 / 9;
    EXPECT_NEAR(levels[0][0], out0, 1e-6f);
    EXPECT_NEAR(levels[0][1], out1, 1e-6f);
    EXPECT_NEAR(levels[1][0], 0.375f * levels[0][0] + 0.625f * levels[0][1], 1e-6f);

    // A 2 x 2 level: the same weights on both axes.
    const TFloats square = {0.1f, 0.2f, 0.4f, 0.8f};
    const float expected = 0.375f * 0.375f * 0.1f + 0.625f * 0.375f * (0.2f + 0.4f) + 0.625f * 0.625f * 0.8f;
    EXPECT_NEAR(Mipmaps(square, 2, 2, 1)[0][0], expected, 1e-6f);

}

TEST(GLImageUtilsResampling, ChainsOfAnyShapeEndAtOnePixel)
{
    for (auto [width, height] : {std::pair{13, 5}, {1, 9}, {64, 3}, {6, 6}}) {
        int levels = 0;
        for (int32_t w = width, h = height; w > 1 || h > 1; w = std::max(1, w / 2), h = std::max(1, h / 2)) ++levels;
        TBytes src(static_cast<size_t>(width) * height * 3, 200);
        std::vector<TBytes> buffers;
        std::vector<TGLMipmapLevel> chain;
        for (int32_t w = width, h = height, k = 0; k < levels; ++k) {
            w = std::max(1, w / 2);
            h = std::max(1, h / 2);
            buffers.emplace_back(static_cast<size_t>(w) * h * 3, 0);
        }
        for (TBytes& b : buffers) chain.push_back({b.data(), b.size()});
        Build2DMipmap(src.data(), chain, GL_RGB, GL_UNSIGNED_BYTE, ImageFilterTriangle, width, height, src.size());
        ASSERT_EQ(buffers.back().size(), 3u) << width << " x " << height;
        for (const TBytes& level : buffers)
            for (uint8_t v : level) EXPECT_NEAR(v, 200, 1) << width << " x " << height;
    }
}

TEST(GLImageUtilsResampling, RefusesBeforeWriting)
{
    const TBytes src(4 * 4 * 4, 100);
    TBytes half(2 * 2 * 4, 0xCD), quarter(4, 0xCD);
    std::vector<TGLMipmapLevel> chain = {{half.data(), half.size()}, {quarter.data(), quarter.size() - 1}};
    EXPECT_EQ(MessageOf<EGLImageUtils>([&] {
                  Build2DMipmap(src.data(), chain, GL_RGBA, GL_UNSIGNED_BYTE, ImageFilterTriangle, 4, 4, src.size());
              }),
              "Mipmap level buffer holds 3 bytes, 4 needed");
    EXPECT_EQ(half, TBytes(16, 0xCD));

    // Compressed data can be read but not written back.
    const TBytes dxt1(8, 0);
    chain = {{half.data(), half.size()}};
    EXPECT_EQ(MessageOf<EGLImageUtils>([&] {
                  Build2DMipmap(dxt1.data(), chain, GL_RGBA, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, ImageFilterTriangle,
                                4, 4, dxt1.size());
              }),
              "Unimplemented type of conversion");
    EXPECT_EQ(half, TBytes(16, 0xCD));
    // Without levels the source is still read, so its faults show.
    EXPECT_EQ(MessageOf<EGLImageUtils>([&] {
                  Build2DMipmap(src.data(), {}, GL_DEPTH_COMPONENT, GL_UNSIGNED_BYTE, ImageFilterTriangle, 4, 4,
                                src.size());
              }),
              "Invalid data type");

    EXPECT_EQ(MessageOf<EGLImageUtils>([&] {
                  RescaleImage(src.data(), half.data(), GL_RGBA, GL_UNSIGNED_BYTE, ImageFilterLanczos3, 4, 4, 2, 2,
                               src.size() - 1, half.size());
              }),
              "Source buffer holds 63 bytes, 64 needed");
    EXPECT_EQ(MessageOf<EGLImageUtils>([&] {
                  RescaleImage(src.data(), half.data(), GL_RGBA, GL_UNSIGNED_BYTE, ImageFilterLanczos3, 4, 4, 2, 2,
                               src.size(), half.size() - 1);
              }),
              "Destination buffer holds 15 bytes, 16 needed");
    EXPECT_EQ(half, TBytes(16, 0xCD));
    // A width below 1 on either side does nothing.
    RescaleImage(src.data(), nullptr, GL_RGBA, GL_UNSIGNED_BYTE, ImageFilterLanczos3, 4, 4, 0, 2, src.size(), 0);
    RescaleImage(nullptr, nullptr, GL_RGBA, GL_UNSIGNED_BYTE, ImageFilterLanczos3, 0, 4, 2, 2, 0, 0);
}

} // namespace
