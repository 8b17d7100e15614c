// PNG and JPEG files made with libpng and libjpeg directly, as other programs write them, so the picture
// classes are checked against the libraries and not against themselves.
#pragma once

#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdint>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>

struct TestPng {
    TestPng(uint32_t w, uint32_t h, int type, int depth, bool interlace = false)
        : width(w), height(h), colorType(type), bitDepth(depth), interlaced(interlace)
    {
    }
    uint32_t width, height;
    int colorType, bitDepth;
    bool interlaced;
    std::vector<std::string> rows; // packed as the file stores them, top row first
    std::vector<png_color> palette;
    std::vector<uint8_t> paletteAlpha; // tRNS of a palette picture
    bool transparentValue = false;     // tRNS of a grey or RGB picture:
    png_color_16 transparentColor{};   // this value is transparent
};

inline std::string EncodeTestPng(const TestPng& fixture)
{
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rows;
    for (const std::string& row : fixture.rows)
        rows.push_back(reinterpret_cast<png_bytep>(const_cast<char*>(row.data())));
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        ADD_FAILURE() << "libpng could not write the fixture";
        return {};
    }
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, size_t length) {
            static_cast<std::string*>(png_get_io_ptr(p))->append(reinterpret_cast<char*>(data), length);
        },
        nullptr);
    png_set_IHDR(png, info, fixture.width, fixture.height, fixture.bitDepth, fixture.colorType,
                 fixture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!fixture.palette.empty()) png_set_PLTE(png, info, fixture.palette.data(), int(fixture.palette.size()));
    if (!fixture.paletteAlpha.empty())
        png_set_tRNS(png, info, fixture.paletteAlpha.data(), int(fixture.paletteAlpha.size()), nullptr);
    if (fixture.transparentValue) png_set_tRNS(png, info, nullptr, 0, const_cast<png_color_16*>(&fixture.transparentColor));
    png_write_info(png, info);
    if (fixture.interlaced) png_set_interlace_handling(png);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

struct TestJpeg {
    TestJpeg(uint32_t w, uint32_t h, J_COLOR_SPACE space = JCS_RGB, int comps = 3)
        : width(w), height(h), colorSpace(space), components(comps)
    {
    }
    uint32_t width, height;
    J_COLOR_SPACE colorSpace; // of the samples given: JCS_RGB, JCS_GRAYSCALE or JCS_CMYK
    int components;
    std::vector<uint8_t> samples; // rows top first, packed
    bool progressive = false;
    int quality = 95;
};

inline std::string EncodeTestJpeg(const TestJpeg& fixture)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = fixture.width;
    cinfo.image_height = fixture.height;
    cinfo.input_components = fixture.components;
    cinfo.in_color_space = fixture.colorSpace;
    jpeg_set_defaults(&cinfo);
    if (fixture.colorSpace == JCS_CMYK) jpeg_set_colorspace(&cinfo, JCS_CMYK);
    jpeg_set_quality(&cinfo, fixture.quality, TRUE);
    if (fixture.progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        const size_t offset = size_t(cinfo.next_scanline) * fixture.width * fixture.components;
        JSAMPROW row = const_cast<JSAMPROW>(&fixture.samples[offset]);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::string out(reinterpret_cast<char*>(buffer), size);
    jpeg_destroy_compress(&cinfo);
    free(buffer);
    return out;
}

// A picture of four solid quadrants (red, green, blue, white) in the given size.
inline TestJpeg QuadrantJpeg(uint32_t width, uint32_t height)
{
    TestJpeg fixture(width, height);
    const uint8_t colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t* c = colours[(y >= height / 2) * 2 + (x >= width / 2)];
            fixture.samples.insert(fixture.samples.end(), c, c + 3);
        }
    return fixture;
}
