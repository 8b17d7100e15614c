// Decoding a 1024 x 1024 PNG and JPEG through the picture classes beside plain libpng and libjpeg decoding
// the same bytes into a new buffer of the same layout (B, G, R), in the same run.
#include "BenchBaseline.h"
#include "ImageCodecs.h"
#include "JPEG.h"
#include "PngImage.h"
#include "Streams.h"

#include <benchmark/benchmark.h>

#include <csetjmp>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>

namespace {

constexpr uint32_t kSide = 1024;

// A photograph-like picture: smooth gradients with a little deterministic noise, so neither codec has it
// easy.
const std::vector<uint8_t>& SourcePixels()
{
    static const std::vector<uint8_t> pixels = [] {
        std::vector<uint8_t> p(size_t(kSide) * kSide * 3);
        uint32_t noise = 12345;
        for (uint32_t y = 0; y < kSide; ++y)
            for (uint32_t x = 0; x < kSide; ++x) {
                noise = noise * 1103515245u + 12345u;
                uint8_t* px = &p[(size_t(y) * kSide + x) * 3];
                px[0] = uint8_t(x / 4 + (noise >> 28));
                px[1] = uint8_t(y / 4 + (noise >> 29));
                px[2] = uint8_t((x + y) / 8 + (noise >> 30));
            }
        return p;
    }();
    return pixels;
}

std::vector<const uint8_t*> SourceRows()
{
    std::vector<const uint8_t*> rows(kSide);
    for (uint32_t y = 0; y < kSide; ++y) rows[y] = &SourcePixels()[size_t(y) * kSide * 3];
    return rows;
}

const std::string& PngBytes()
{
    static const std::string bytes = [] {
        TStringStream stream;
        EncodePng(stream, kSide, kSide, TPixelLayout::BGR, 8, SourceRows().data());
        return stream.DataString();
    }();
    return bytes;
}

const std::string& JpegBytes()
{
    static const std::string bytes = [] {
        TStringStream stream;
        EncodeJpeg(stream, kSide, kSide, TPixelLayout::BGR, 90, SourceRows().data());
        return stream.DataString();
    }();
    return bytes;
}

void BM_PngPictureDecode(benchmark::State& state)
{
    TStringStream stream(PngBytes());
    for (auto _ : state) {
        stream.SetPosition(0);
        TPngImage png;
        png.LoadFromStream(stream);
        benchmark::DoNotOptimize(png.Scanline(0));
    }
}
BENCHMARK(BM_PngPictureDecode)->Unit(benchmark::kMillisecond);

struct TMemoryReader {
    const std::string* bytes;
    size_t position;
};

// libpng straight from memory into rows of B, G, R.
bool PlainPngDecode(const std::string& bytes, std::vector<uint8_t>& pixels)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    TMemoryReader reader{&bytes, 0};
    std::vector<png_bytep> rows(kSide);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &reader, [](png_structp p, png_bytep data, size_t length) {
        auto* r = static_cast<TMemoryReader*>(png_get_io_ptr(p));
        if (r->position + length > r->bytes->size()) png_error(p, "end of data");
        std::memcpy(data, r->bytes->data() + r->position, length);
        r->position += length;
    });
    png_read_info(png, info);
    png_set_bgr(png);
    png_read_update_info(png, info);
    pixels.assign(png_get_rowbytes(png, info) * png_get_image_height(png, info), 0);
    for (uint32_t y = 0; y < kSide; ++y) rows[y] = &pixels[size_t(y) * kSide * 3];
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

void BM_PlainLibpngDecode(benchmark::State& state)
{
    for (auto _ : state) {
        std::vector<uint8_t> pixels;
        if (!PlainPngDecode(PngBytes(), pixels)) state.SkipWithError("libpng failed");
        benchmark::DoNotOptimize(pixels.data());
    }
}
BENCHMARK(BM_PlainLibpngDecode)->Unit(benchmark::kMillisecond);
BENCHMARK_BASELINE(BM_PngPictureDecode, BM_PlainLibpngDecode);

void BM_JpegPictureDecode(benchmark::State& state)
{
    TStringStream stream(JpegBytes());
    for (auto _ : state) {
        stream.SetPosition(0);
        TJPEGImage jpeg;
        jpeg.LoadFromStream(stream);
        benchmark::DoNotOptimize(jpeg.Width());
    }
}
BENCHMARK(BM_JpegPictureDecode)->Unit(benchmark::kMillisecond);

// libjpeg straight from memory into rows of B, G, R (the library's default error handling: the bytes are
// known good).
void BM_PlainLibjpegDecode(benchmark::State& state)
{
    const std::string& bytes = JpegBytes();
    std::vector<JSAMPROW> rows(kSide);
    for (auto _ : state) {
        std::vector<uint8_t> pixels;
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr err;
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = JCS_EXT_BGR;
        jpeg_start_decompress(&cinfo);
        pixels.assign(size_t(cinfo.output_width) * cinfo.output_height * 3, 0);
        for (uint32_t y = 0; y < cinfo.output_height; ++y) rows[y] = &pixels[size_t(y) * cinfo.output_width * 3];
        while (cinfo.output_scanline < cinfo.output_height)
            jpeg_read_scanlines(&cinfo, &rows[cinfo.output_scanline], cinfo.output_height - cinfo.output_scanline);
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(pixels.data());
    }
}
BENCHMARK(BM_PlainLibjpegDecode)->Unit(benchmark::kMillisecond);
BENCHMARK_BASELINE(BM_JpegPictureDecode, BM_PlainLibjpegDecode);

} // namespace
