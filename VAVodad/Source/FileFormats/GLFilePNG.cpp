#include "GLFilePNG.h"

#include "GLContext.h"
#include "GLState.h"
#include "ImageCodecs.h"
#include "OpenGLAdapter.h"

#include <cstring>

namespace {

const char* const cLibPngError = "LIBPNG error";

struct TPngFormat {
    int Channels;
    GLenum ColorFormat;
    TGLInternalFormat Format8, Format16;
    TPixelLayout Layout;
};

const TPngFormat cPngFormats[] = {
    {1, GL_LUMINANCE, tfLUMINANCE8, tfLUMINANCE16, TPixelLayout::Grey},
    {2, GL_LUMINANCE_ALPHA, tfLUMINANCE8_ALPHA8, tfLUMINANCE16_ALPHA16, TPixelLayout::GreyAlpha},
    {3, GL_RGB, tfRGB8, tfR16G16B16, TPixelLayout::RGB},
    {4, GL_RGBA, tfRGBA8, tfR16G16B16A16, TPixelLayout::RGBA},
};

} // namespace

void TGLPNGImage::LoadFromStream(TStream& stream)
{
    static const uint8_t signature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
    uint8_t magic[8] = {};
    const int64_t read = std::max<int64_t>(stream.Read(magic, sizeof(magic)), 0);
    if (read != 8 || std::memcmp(magic, signature, 8) != 0) throw EInvalidRasterFile("Invalid PNG file");
    stream.Seek(-read, soCurrent);
    try {
        TPngDecoder decoder(stream);
        UnMipmap();
        decoder.SetLayout(TPixelLayout::Native);
        const bool wide = decoder.BytesPerSample() == 2;
        const TPngFormat* format = nullptr;
        for (const TPngFormat& row : cPngFormats)
            if (row.Channels == decoder.Channels()) format = &row;
        if (!format) throw EInvalidRasterFile(cLibPngError);
        InitPlainImage(static_cast<int32_t>(decoder.Info().Width), static_cast<int32_t>(decoder.Info().Height),
                       format->ColorFormat, wide ? format->Format16 : format->Format8,
                       wide ? GL_UNSIGNED_SHORT : GL_UNSIGNED_BYTE, format->Channels * decoder.BytesPerSample());
        // The file's top row becomes the last buffer row: OpenGL images start at the bottom.
        decoder.ReadImage(DataBytes(), static_cast<ptrdiff_t>(Width()) * fElementSize, true);
    } catch (const EInvalidGraphic&) {
        throw EInvalidRasterFile(cLibPngError);
    }
}

void TGLPNGImage::SaveToStream(TStream& stream)
{
    const TPngFormat* format = nullptr;
    for (const TPngFormat& row : cPngFormats)
        if (row.ColorFormat == fColorFormat) format = &row;
    if (!format || (fDataType != GL_UNSIGNED_BYTE && fDataType != GL_UNSIGNED_SHORT))
        throw EInvalidRasterFile("These image format do not match the PNG format specification.");
    const int bitDepth = fDataType == GL_UNSIGNED_SHORT ? 16 : 8;
    const size_t rowBytes = static_cast<size_t>(Width()) * format->Channels * (bitDepth / 8);
    if (IsEmpty() || fData.size() < rowBytes * Height())
        throw EInvalidRasterFile("The image holds fewer pixels than its size announces");
    std::vector<const uint8_t*> rows(Height());
    for (int32_t i = 0; i < Height(); ++i) rows[i] = DataBytes() + (Height() - 1 - i) * rowBytes;
    try {
        EncodePng(stream, static_cast<uint32_t>(Width()), static_cast<uint32_t>(Height()), format->Layout, bitDepth,
                  rows.data());
    } catch (const EInvalidGraphic&) {
        throw EInvalidRasterFile(cLibPngError);
    }
}

void TGLPNGImage::AssignFromTexture(TGLContext* textureContext, uint32_t textureHandle,
                                    TGLTextureTarget textureTarget, bool CurrentFormat, TGLInternalFormat intFormat)
{
    if (textureTarget != ttTexture2D && textureTarget != ttTextureRect) return;
    const TActiveContext use(textureContext, true);
    TGLExtensionsAndEntryPoints* GL = GetCurrentGL();
    TGLStateCache* states = textureContext->GLStates();
    const GLenum glTarget = TextureTargetToGLEnum(textureTarget);
    states->SetActiveTexture(0);
    states->SetTextureBinding(0, textureTarget, textureHandle);
    fLevelCount = 0;
    fCubeMap = false;
    fTextureArray = false;
    GLint format = 0;
    GL->GetTexLevelParameteriv(glTarget, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    if (format > 1) {
        GLint w = 0, h = 0;
        GL->GetTexLevelParameteriv(glTarget, 0, GL_TEXTURE_WIDTH, &w);
        GL->GetTexLevelParameteriv(glTarget, 0, GL_TEXTURE_HEIGHT, &h);
        const TGLInternalFormat internalFormat =
            CurrentFormat ? GLEnumToInternalFormat(static_cast<GLenum>(format)) : intFormat;
        GLenum colorFormat, dataType;
        InternalFormatPixelFormat(internalFormat, colorFormat, dataType);
        fLevelCount = 1;
        InitPlainImage(w, h, colorFormat, internalFormat, dataType, PixelElementSize(colorFormat, dataType));
        states->SetPackAlignment(1);
        if (DataBytes()) GL->GetTexImage(glTarget, 0, fColorFormat, fDataType, DataBytes());
    }
    fLevelCount = 1;
    GL->CheckError();
}

void RegisterGLFilePNG()
{
    RegisterRasterFileFormat<TGLPNGImage>("png", "Portable Network Graphic");
}
