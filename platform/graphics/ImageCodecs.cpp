#include "ImageCodecs.h"

#include "Streams.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>
#include <png.h>

// libpng and libjpeg report fatal errors by calling a handler that must not return. Ours longjmp back to a
// setjmp in a small "guarded" function of this file that holds no C++ object with a destructor, and the
// public function raises once the guarded one has answered false. Stream callbacks catch every C++ exception
// before it could cross a library frame.

void CheckImageSize(uint64_t width, uint64_t height, uint64_t bytesPerPixel)
{
    if (width > MaxImageSide || height > MaxImageSide || width * height * bytesPerPixel > MaxImageBytes)
        throw EInvalidGraphic(Format("Picture too large (%d x %d)", {width, height}));
}

int PixelLayoutBytes(TPixelLayout layout)
{
    switch (layout) {
    case TPixelLayout::Native: return 0;
    case TPixelLayout::Grey: return 1;
    case TPixelLayout::GreyAlpha: return 2;
    case TPixelLayout::RGB:
    case TPixelLayout::BGR: return 3;
    case TPixelLayout::RGBA:
    case TPixelLayout::BGRA: return 4;
    }
    return 0;
}

namespace {

bool LayoutHasAlpha(TPixelLayout layout)
{
    return layout == TPixelLayout::GreyAlpha || layout == TPixelLayout::RGBA || layout == TPixelLayout::BGRA;
}

bool LayoutIsGrey(TPixelLayout layout)
{
    return layout == TPixelLayout::Grey || layout == TPixelLayout::GreyAlpha;
}

std::vector<uint8_t*> RowPointers(uint8_t* buffer, ptrdiff_t stride, uint32_t height, bool bottomUp)
{
    std::vector<uint8_t*> rows(height);
    for (uint32_t y = 0; y < height; ++y)
        rows[y] = buffer + static_cast<ptrdiff_t>(bottomUp ? height - 1 - y : y) * stride;
    return rows;
}

int64_t RemainingBytes(TStream& stream)
{
    try {
        return std::max<int64_t>(0, stream.Size() - stream.Position());
    } catch (...) {
        return INT64_MAX; // a stream that cannot tell its size
    }
}

// ---------------------------------------------------------------------------------------------------------
// PNG

struct TPngIo {
    TStream* stream = nullptr;
    char message[256] = "";
};

[[noreturn]] void PngErrorHandler(png_structp png, png_const_charp message)
{
    auto* io = static_cast<TPngIo*>(png_get_error_ptr(png));
    std::snprintf(io->message, sizeof io->message, "%s", message ? message : "");
    png_longjmp(png, 1);
}

void PngWarningHandler(png_structp, png_const_charp) {}

void PngReadData(png_structp png, png_bytep data, size_t length)
{
    auto* io = static_cast<TPngIo*>(png_get_io_ptr(png));
    int64_t got = -1;
    try {
        got = io->stream->Read(data, static_cast<int64_t>(length));
    } catch (...) {
    }
    if (got != static_cast<int64_t>(length)) png_error(png, "the file ends early");
}

void PngWriteData(png_structp png, png_bytep data, size_t length)
{
    auto* io = static_cast<TPngIo*>(png_get_io_ptr(png));
    int64_t put = -1;
    try {
        put = io->stream->Write(data, static_cast<int64_t>(length));
    } catch (...) {
    }
    if (put != static_cast<int64_t>(length)) png_error(png, "the stream does not take the data");
}

void PngFlush(png_structp) {}

[[noreturn]] void RaisePngError(const TPngIo& io)
{
    throw EInvalidGraphic(io.message[0] ? std::string("LIBPNG error: ") + io.message : "LIBPNG error");
}

} // namespace

struct TPngReadState {
    TPngIo io;
    png_structp png = nullptr;
    png_infop info = nullptr;
    TPixelLayout layout = TPixelLayout::Native;
    bool layoutSet = false;

    ~TPngReadState() { png_destroy_read_struct(&png, &info, nullptr); }
};

namespace {

bool GuardedPngReadInfo(png_structp png, png_infop info, TPngIo* io)
{
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, io, PngReadData);
    png_set_sig_bytes(png, 8);
    png_set_user_limits(png, MaxImageSide, MaxImageSide);
    png_read_info(png, info);
    return true;
}

// The transformations that turn the file's samples into the layout, then the whole picture.
bool GuardedPngReadImage(png_structp png, png_infop info, TPixelLayout layout, size_t rowBytes,
                         uint8_t* const* rows)
{
    if (setjmp(png_jmpbuf(png))) return false;
    const int colorType = png_get_color_type(png, info);
    const int bitDepth = png_get_bit_depth(png, info);
    const bool colour = (colorType & PNG_COLOR_MASK_COLOR) != 0;
    const bool alpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS);

    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (layout == TPixelLayout::Native) {
        if (bitDepth == 16) png_set_swap(png);
    } else {
        if (bitDepth == 16) png_set_strip_16(png);
        if (LayoutIsGrey(layout) && colour) png_set_rgb_to_gray_fixed(png, 1, -1, -1);
        if (!LayoutIsGrey(layout) && !colour) png_set_gray_to_rgb(png);
        if (LayoutHasAlpha(layout) && !alpha) png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
        if (!LayoutHasAlpha(layout) && alpha) png_set_strip_alpha(png);
        if (layout == TPixelLayout::BGR || layout == TPixelLayout::BGRA) png_set_bgr(png);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != rowBytes) png_error(png, "unexpected row size");
    png_read_image(png, const_cast<png_bytepp>(rows));
    png_read_end(png, nullptr);
    return true;
}

} // namespace

TPngDecoder::TPngDecoder(TStream& source) : FState(std::make_unique<TPngReadState>())
{
    png_byte signature[8] = {};
    int64_t got = 0;
    try {
        got = source.Read(signature, 8);
    } catch (const EStreamError&) {
    }
    if (got != 8 || png_sig_cmp(signature, 0, 8) != 0) throw EInvalidGraphic("Invalid PNG file");

    auto& s = *FState;
    s.io.stream = &source;
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &s.io, PngErrorHandler, PngWarningHandler);
    if (s.png) s.info = png_create_info_struct(s.png);
    if (!s.png || !s.info) throw EInvalidGraphic("LIBPNG error");
    if (!GuardedPngReadInfo(s.png, s.info, &s.io)) RaisePngError(s.io);

    FInfo.Width = png_get_image_width(s.png, s.info);
    FInfo.Height = png_get_image_height(s.png, s.info);
    FInfo.BitDepth = png_get_bit_depth(s.png, s.info);
    FInfo.ColorType = png_get_color_type(s.png, s.info);
    FInfo.Interlaced = png_get_interlace_type(s.png, s.info) != PNG_INTERLACE_NONE;
    FInfo.HasTransparency = png_get_valid(s.png, s.info, PNG_INFO_tRNS) != 0;
    CheckImageSize(FInfo.Width, FInfo.Height, 1);
    // Deflate packs at most about 1032 bytes into one: a header announcing far more than the rest of the
    // file can hold is refused before memory is taken for it.
    static constexpr int channelsOfType[7] = {1, 0, 3, 1, 2, 0, 4};
    const uint64_t bitsPerPixel = uint64_t(channelsOfType[FInfo.ColorType & 7]) * FInfo.BitDepth;
    const uint64_t rawBytes = uint64_t(FInfo.Height) * ((FInfo.Width * bitsPerPixel + 7) / 8 + 1);
    if (uint64_t(RemainingBytes(source)) * 1032 + 4096 < rawBytes)
        throw EInvalidGraphic("LIBPNG error: the file is too short for its picture size");
}

TPngDecoder::~TPngDecoder() = default;

int TPngDecoder::SetLayout(TPixelLayout layout)
{
    FState->layout = layout;
    FState->layoutSet = true;
    if (layout != TPixelLayout::Native) {
        FChannels = PixelLayoutBytes(layout);
        FBytesPerSample = 1;
    } else {
        const bool colour = (FInfo.ColorType & PNG_COLOR_MASK_COLOR) != 0;
        const bool alpha = (FInfo.ColorType & PNG_COLOR_MASK_ALPHA) != 0 || FInfo.HasTransparency;
        FChannels = (colour ? 3 : 1) + (alpha ? 1 : 0);
        FBytesPerSample = FInfo.BitDepth == 16 ? 2 : 1;
    }
    CheckImageSize(FInfo.Width, FInfo.Height, uint64_t(FChannels) * FBytesPerSample);
    return FChannels * FBytesPerSample;
}

void TPngDecoder::ReadImage(uint8_t* const* rows)
{
    auto& s = *FState;
    if (!s.layoutSet) SetLayout(TPixelLayout::Native);
    const size_t rowBytes = size_t(FInfo.Width) * FChannels * FBytesPerSample;
    if (!GuardedPngReadImage(s.png, s.info, s.layout, rowBytes, rows)) RaisePngError(s.io);
}

void TPngDecoder::ReadImage(uint8_t* buffer, ptrdiff_t stride, bool bottomUp)
{
    const std::vector<uint8_t*> rows = RowPointers(buffer, stride, FInfo.Height, bottomUp);
    ReadImage(rows.data());
}

namespace {

struct TPngWriter {
    TPngIo io;
    png_structp png = nullptr;
    png_infop info = nullptr;

    ~TPngWriter() { png_destroy_write_struct(&png, &info); }
};

bool GuardedPngWrite(TPngWriter& w, uint32_t width, uint32_t height, int colorType, int bitDepth, bool bgr,
                     const uint8_t* const* rows)
{
    if (setjmp(png_jmpbuf(w.png))) return false;
    png_set_write_fn(w.png, &w.io, PngWriteData, PngFlush);
    png_set_IHDR(w.png, w.info, width, height, bitDepth, colorType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(w.png, w.info);
    if (bgr) png_set_bgr(w.png);
    if (bitDepth == 16) png_set_swap(w.png);
    // libpng transforms a copy of each row, never the caller's bytes.
    png_write_image(w.png, const_cast<png_bytepp>(rows));
    png_write_end(w.png, nullptr);
    return true;
}

} // namespace

void EncodePng(TStream& dest, uint32_t width, uint32_t height, TPixelLayout layout, int bitDepth,
               const uint8_t* const* rows)
{
    int colorType = 0;
    switch (layout) {
    case TPixelLayout::Grey: colorType = PNG_COLOR_TYPE_GRAY; break;
    case TPixelLayout::GreyAlpha: colorType = PNG_COLOR_TYPE_GRAY_ALPHA; break;
    case TPixelLayout::RGB:
    case TPixelLayout::BGR: colorType = PNG_COLOR_TYPE_RGB; break;
    case TPixelLayout::RGBA:
    case TPixelLayout::BGRA: colorType = PNG_COLOR_TYPE_RGB_ALPHA; break;
    case TPixelLayout::Native: throw EInvalidGraphic("LIBPNG error: no layout to write");
    }
    const bool bgr = layout == TPixelLayout::BGR || layout == TPixelLayout::BGRA;
    if ((bitDepth != 8 && bitDepth != 16) || (bgr && bitDepth != 8))
        throw EInvalidGraphic("LIBPNG error: unsupported sample size");

    TPngWriter w;
    w.io.stream = &dest;
    w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &w.io, PngErrorHandler, PngWarningHandler);
    if (w.png) w.info = png_create_info_struct(w.png);
    if (!w.png || !w.info) throw EInvalidGraphic("LIBPNG error");
    if (!GuardedPngWrite(w, width, height, colorType, bitDepth, bgr, rows)) RaisePngError(w.io);
}

// ---------------------------------------------------------------------------------------------------------
// JPEG

namespace {

struct TJpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    int code = 0;
};

[[noreturn]] void JpegErrorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<TJpegErrorManager*>(cinfo->err);
    err->code = cinfo->err->msg_code;
    std::longjmp(err->jump, 1);
}

// Warnings (corrupt but decodable data) and trace output are ignored.
void JpegEmitMessage(j_common_ptr, int) {}
void JpegOutputMessage(j_common_ptr) {}

void InitErrorManager(TJpegErrorManager& err)
{
    jpeg_std_error(&err.pub);
    err.pub.error_exit = JpegErrorExit;
    err.pub.emit_message = JpegEmitMessage;
    err.pub.output_message = JpegOutputMessage;
}

[[noreturn]] void RaiseJpegError(const TJpegErrorManager& err)
{
    throw EJPEG(Format("JPEG error #%d", {err.code}));
}

constexpr size_t JpegBufferSize = 64 * 1024;

// Reads the stream through a buffer; the end of the data is an error, and unread bytes go back to the
// stream when decoding ends.
struct TJpegSource {
    jpeg_source_mgr pub;
    TStream* stream = nullptr;
    JOCTET buffer[JpegBufferSize];
};

void JpegInitSource(j_decompress_ptr) {}

boolean JpegFillInputBuffer(j_decompress_ptr cinfo)
{
    auto* src = reinterpret_cast<TJpegSource*>(cinfo->src);
    int64_t got = 0;
    try {
        got = src->stream->Read(src->buffer, JpegBufferSize);
    } catch (...) {
        got = 0;
    }
    if (got <= 0) ERREXIT(cinfo, JERR_INPUT_EOF);
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = static_cast<size_t>(got);
    return TRUE;
}

void JpegSkipInputData(j_decompress_ptr cinfo, long count)
{
    auto* src = reinterpret_cast<TJpegSource*>(cinfo->src);
    if (count <= 0) return;
    while (static_cast<size_t>(count) > src->pub.bytes_in_buffer) {
        count -= static_cast<long>(src->pub.bytes_in_buffer);
        JpegFillInputBuffer(cinfo);
    }
    src->pub.next_input_byte += count;
    src->pub.bytes_in_buffer -= static_cast<size_t>(count);
}

void JpegTermSource(j_decompress_ptr cinfo)
{
    auto* src = reinterpret_cast<TJpegSource*>(cinfo->src);
    try {
        src->stream->Seek(-static_cast<int64_t>(src->pub.bytes_in_buffer), soCurrent);
    } catch (...) {
    }
    src->pub.bytes_in_buffer = 0;
}

J_COLOR_SPACE JpegColorSpace(TPixelLayout layout)
{
    switch (layout) {
    case TPixelLayout::Grey: return JCS_GRAYSCALE;
    case TPixelLayout::RGB: return JCS_EXT_RGB;
    case TPixelLayout::BGR: return JCS_EXT_BGR;
    case TPixelLayout::RGBA: return JCS_EXT_RGBA;
    case TPixelLayout::BGRA: return JCS_EXT_BGRA;
    default: return JCS_UNKNOWN;
    }
}

// One CMYK row (as the library delivers it) into the layout. Files with an Adobe marker store inverted
// values, as the programs that write CMYK JPEGs do.
void ConvertCmykRow(const uint8_t* cmyk, uint8_t* out, uint32_t width, TPixelLayout layout, bool inverted)
{
    for (uint32_t x = 0; x < width; ++x, cmyk += 4) {
        uint32_t c = cmyk[0], m = cmyk[1], yy = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            yy = 255 - yy;
            k = 255 - k;
        }
        const uint8_t r = static_cast<uint8_t>(c * k / 255), g = static_cast<uint8_t>(m * k / 255),
                      b = static_cast<uint8_t>(yy * k / 255);
        switch (layout) {
        case TPixelLayout::Grey: *out++ = static_cast<uint8_t>((r * 77 + g * 150 + b * 29) >> 8); break;
        case TPixelLayout::RGB: *out++ = r, *out++ = g, *out++ = b; break;
        case TPixelLayout::BGR: *out++ = b, *out++ = g, *out++ = r; break;
        case TPixelLayout::RGBA: *out++ = r, *out++ = g, *out++ = b, *out++ = 255; break;
        case TPixelLayout::BGRA: *out++ = b, *out++ = g, *out++ = r, *out++ = 255; break;
        default: break;
        }
    }
}

} // namespace

struct TJpegReadState {
    jpeg_decompress_struct cinfo;
    TJpegErrorManager err;
    TJpegSource source;
    bool created = false;
    TPixelLayout layout = TPixelLayout::BGR;
    uint32_t scale = 1;
    bool smoothing = false;

    ~TJpegReadState()
    {
        if (created) jpeg_destroy_decompress(&cinfo);
    }
};

namespace {

bool IsCmyk(const jpeg_decompress_struct& cinfo)
{
    return cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
}

bool GuardedJpegReadHeader(TJpegReadState& s)
{
    if (setjmp(s.err.jump)) return false;
    jpeg_read_header(&s.cinfo, TRUE);
    return true;
}

void ApplyJpegSettings(TJpegReadState& s)
{
    s.cinfo.out_color_space = IsCmyk(s.cinfo) ? JCS_CMYK : JpegColorSpace(s.layout);
    s.cinfo.scale_num = 1;
    s.cinfo.scale_denom = s.scale;
    s.cinfo.dct_method = JDCT_ISLOW;
    s.cinfo.do_block_smoothing = s.smoothing ? TRUE : FALSE;
}

bool GuardedJpegOutputSize(TJpegReadState& s)
{
    if (setjmp(s.err.jump)) return false;
    ApplyJpegSettings(s);
    jpeg_calc_output_dimensions(&s.cinfo);
    return true;
}

// cmykRow: scratch room for one CMYK row when the file is CMYK, else unused.
bool GuardedJpegReadImage(TJpegReadState& s, uint32_t width, uint32_t height, uint8_t* const* rows,
                          uint8_t* cmykRow)
{
    if (setjmp(s.err.jump)) return false;
    jpeg_decompress_struct& cinfo = s.cinfo;
    ApplyJpegSettings(s);
    jpeg_start_decompress(&cinfo);
    const bool cmyk = IsCmyk(cinfo);
    const int components = cmyk ? 4 : PixelLayoutBytes(s.layout);
    if (cinfo.output_width != width || cinfo.output_height != height || cinfo.output_components != components)
        ERREXIT(&cinfo, JERR_BAD_DCTSIZE);
    while (cinfo.output_scanline < cinfo.output_height) {
        const uint32_t y = cinfo.output_scanline;
        if (cmyk) {
            JSAMPROW row = cmykRow;
            jpeg_read_scanlines(&cinfo, &row, 1);
            ConvertCmykRow(cmykRow, rows[y], width, s.layout, cinfo.saw_Adobe_marker);
        } else {
            jpeg_read_scanlines(&cinfo, const_cast<JSAMPARRAY>(rows + y), cinfo.output_height - y);
        }
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

} // namespace

TJpegDecoder::TJpegDecoder(TStream& source) : FState(std::make_unique<TJpegReadState>())
{
    auto& s = *FState;
    InitErrorManager(s.err);
    s.cinfo.err = &s.err.pub;
    jpeg_create_decompress(&s.cinfo);
    s.created = true;
    // The library's pools stay below this; a progressive picture keeps all its coefficients.
    s.cinfo.mem->max_memory_to_use = 2 * static_cast<long>(MaxImageBytes);
    s.source.stream = &source;
    s.source.pub.init_source = JpegInitSource;
    s.source.pub.fill_input_buffer = JpegFillInputBuffer;
    s.source.pub.skip_input_data = JpegSkipInputData;
    s.source.pub.resync_to_restart = jpeg_resync_to_restart;
    s.source.pub.term_source = JpegTermSource;
    s.source.pub.bytes_in_buffer = 0;
    s.source.pub.next_input_byte = nullptr;
    s.cinfo.src = &s.source.pub;
    if (!GuardedJpegReadHeader(s)) RaiseJpegError(s.err);

    FInfo.Width = s.cinfo.image_width;
    FInfo.Height = s.cinfo.image_height;
    FInfo.Components = s.cinfo.num_components;
    FInfo.Progressive = s.cinfo.progressive_mode != 0;
    CheckImageSize(FInfo.Width, FInfo.Height, 1);
    UpdateOutputSize();
}

TJpegDecoder::~TJpegDecoder() = default;

void TJpegDecoder::UpdateOutputSize()
{
    if (!GuardedJpegOutputSize(*FState)) RaiseJpegError(FState->err);
    FOutputWidth = FState->cinfo.output_width;
    FOutputHeight = FState->cinfo.output_height;
}

void TJpegDecoder::SetScale(uint32_t denominator)
{
    FState->scale = std::clamp<uint32_t>(denominator, 1, 16);
    UpdateOutputSize();
}

void TJpegDecoder::SetSmoothing(bool on)
{
    FState->smoothing = on;
}

int TJpegDecoder::SetLayout(TPixelLayout layout)
{
    if (layout == TPixelLayout::Native || layout == TPixelLayout::GreyAlpha)
        throw EJPEG("JPEG error: unsupported pixel layout");
    FState->layout = layout;
    UpdateOutputSize();
    CheckImageSize(FOutputWidth, FOutputHeight, PixelLayoutBytes(layout));
    return PixelLayoutBytes(layout);
}

void TJpegDecoder::ReadImage(uint8_t* const* rows)
{
    auto& s = *FState;
    std::vector<uint8_t> cmykRow(IsCmyk(s.cinfo) ? size_t(FOutputWidth) * 4 : 0);
    if (!GuardedJpegReadImage(s, FOutputWidth, FOutputHeight, rows, cmykRow.data())) RaiseJpegError(s.err);
}

void TJpegDecoder::ReadImage(uint8_t* buffer, ptrdiff_t stride, bool bottomUp)
{
    const std::vector<uint8_t*> rows = RowPointers(buffer, stride, FOutputHeight, bottomUp);
    ReadImage(rows.data());
}

namespace {

struct TJpegDestination {
    jpeg_destination_mgr pub;
    TStream* stream = nullptr;
    JOCTET buffer[JpegBufferSize];
};

void JpegWriteOut(j_compress_ptr cinfo, size_t count)
{
    auto* dest = reinterpret_cast<TJpegDestination*>(cinfo->dest);
    int64_t put = -1;
    try {
        put = dest->stream->Write(dest->buffer, static_cast<int64_t>(count));
    } catch (...) {
    }
    if (put != static_cast<int64_t>(count)) ERREXIT(cinfo, JERR_FILE_WRITE);
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = JpegBufferSize;
}

void JpegInitDestination(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<TJpegDestination*>(cinfo->dest);
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = JpegBufferSize;
}

boolean JpegEmptyOutputBuffer(j_compress_ptr cinfo)
{
    JpegWriteOut(cinfo, JpegBufferSize);
    return TRUE;
}

void JpegTermDestination(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<TJpegDestination*>(cinfo->dest);
    JpegWriteOut(cinfo, JpegBufferSize - dest->pub.free_in_buffer);
}

struct TJpegWriter {
    jpeg_compress_struct cinfo;
    TJpegErrorManager err;
    TJpegDestination dest;
    bool created = false;

    ~TJpegWriter()
    {
        if (created) jpeg_destroy_compress(&cinfo);
    }
};

bool GuardedJpegWrite(TJpegWriter& w, uint32_t width, uint32_t height, TPixelLayout layout, int quality,
                      const uint8_t* const* rows, bool progressive)
{
    if (setjmp(w.err.jump)) return false;
    jpeg_compress_struct& cinfo = w.cinfo;
    cinfo.image_width = width;
    cinfo.image_height = height;
    switch (layout) {
    case TPixelLayout::Grey: cinfo.in_color_space = JCS_GRAYSCALE, cinfo.input_components = 1; break;
    case TPixelLayout::RGB: cinfo.in_color_space = JCS_EXT_RGB, cinfo.input_components = 3; break;
    case TPixelLayout::BGR: cinfo.in_color_space = JCS_EXT_BGR, cinfo.input_components = 3; break;
    case TPixelLayout::RGBA: cinfo.in_color_space = JCS_EXT_RGBX, cinfo.input_components = 4; break;
    case TPixelLayout::BGRA: cinfo.in_color_space = JCS_EXT_BGRX, cinfo.input_components = 4; break;
    default: ERREXIT(&cinfo, JERR_BAD_IN_COLORSPACE);
    }
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, std::clamp(quality, 1, 100), TRUE);
    if (progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    // The library only reads the rows it is given.
    jpeg_write_scanlines(&cinfo, const_cast<JSAMPARRAY>(rows), height);
    jpeg_finish_compress(&cinfo);
    return true;
}

} // namespace

void EncodeJpeg(TStream& dest, uint32_t width, uint32_t height, TPixelLayout layout, int quality,
                const uint8_t* const* rows, bool progressive)
{
    TJpegWriter w;
    InitErrorManager(w.err);
    w.cinfo.err = &w.err.pub;
    jpeg_create_compress(&w.cinfo);
    w.created = true;
    w.dest.stream = &dest;
    w.dest.pub.init_destination = JpegInitDestination;
    w.dest.pub.empty_output_buffer = JpegEmptyOutputBuffer;
    w.dest.pub.term_destination = JpegTermDestination;
    w.cinfo.dest = &w.dest.pub;
    if (!GuardedJpegWrite(w, width, height, layout, quality, rows, progressive)) RaiseJpegError(w.err);
}
