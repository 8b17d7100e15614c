// The images' traffic with OpenGL: upload into textures, read-back from textures and the colour buffer.
#include "GLContext.h"
#include "GLGraphics.h"
#include "GLPlatformHelpers.h"
#include "GLState.h"
#include "GLUtilities.h"
#include "OpenGLAdapter.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>

namespace {

// Chooses among the plain, compressed and direct-state-access forms of the texture-image calls.
struct TTextureUploader {
    TGLExtensionsAndEntryPoints* GL;
    bool Compressed, DSA;
    GLuint Name;
    GLenum InternalFormat, ColorFormat, DataType;
    int32_t ElementSize;

    GLsizei CompressedSize(int32_t w, int32_t h, int32_t d) const
    {
        return static_cast<GLsizei>(((w + 3) / 4) * ((h + 3) / 4) * std::max(d, 1) * ElementSize);
    }

    void Image1D(GLenum target, GLint level, int32_t w, const void* pixels) const
    {
        if (Compressed && DSA)
            GL->CompressedTextureImage1D(Name, target, level, InternalFormat, w, 0, CompressedSize(w, 1, 1), pixels);
        else if (Compressed)
            GL->CompressedTexImage1D(target, level, InternalFormat, w, 0, CompressedSize(w, 1, 1), pixels);
        else if (DSA)
            GL->TextureImage1D(Name, target, level, InternalFormat, w, 0, ColorFormat, DataType, pixels);
        else
            GL->TexImage1D(target, level, InternalFormat, w, 0, ColorFormat, DataType, pixels);
    }

    void Image2D(GLenum target, GLint level, int32_t w, int32_t h, const void* pixels) const
    {
        if (Compressed && DSA)
            GL->CompressedTextureImage2D(Name, target, level, InternalFormat, w, h, 0, CompressedSize(w, h, 1),
                                         pixels);
        else if (Compressed)
            GL->CompressedTexImage2D(target, level, InternalFormat, w, h, 0, CompressedSize(w, h, 1), pixels);
        else if (DSA)
            GL->TextureImage2D(Name, target, level, InternalFormat, w, h, 0, ColorFormat, DataType, pixels);
        else
            GL->TexImage2D(target, level, InternalFormat, w, h, 0, ColorFormat, DataType, pixels);
    }

    void Image3D(GLenum target, GLint level, int32_t w, int32_t h, int32_t d, const void* pixels) const
    {
        if (Compressed && DSA)
            GL->CompressedTextureImage3D(Name, target, level, InternalFormat, w, h, d, 0, CompressedSize(w, h, d),
                                         pixels);
        else if (Compressed)
            GL->CompressedTexImage3D(target, level, InternalFormat, w, h, d, 0, CompressedSize(w, h, d), pixels);
        else if (DSA)
            GL->TextureImage3D(Name, target, level, InternalFormat, w, h, d, 0, ColorFormat, DataType, pixels);
        else
            GL->TexImage3D(target, level, InternalFormat, w, h, d, 0, ColorFormat, DataType, pixels);
    }
};

// The block order of volume-compressed textures: slices in groups of four, the blocks of a group interleaved.
// toVolume moves blocks from slice order into that order, otherwise back.
void RearrangeVolumeBlocks(const uint8_t* from, uint8_t* to, int32_t w, int32_t h, int32_t d, int32_t elementSize,
                           bool toVolume)
{
    const int32_t bw = (w + 3) / 4, bh = (h + 3) / 4, d4 = (d / 4) * 4;
    size_t source = 0;
    for (int32_t z = 0; z < std::max(d, 1); ++z)
        for (int32_t y = 0; y < bh; ++y)
            for (int32_t x = 0; x < bw; ++x, ++source) {
                const int64_t index = z < d4 ? (int64_t(x) + (int64_t(y) + (z / 4) * int64_t(bh)) * bw) * 4 + z % 4
                                             : int64_t(bw) * bh * d4 + x + (y + int64_t(z - d4) * bh) * bw;
                const size_t target = static_cast<size_t>(std::max<int64_t>(index, 0)) * elementSize;
                if (toVolume)
                    std::memcpy(to + target, from + source * elementSize, elementSize);
                else
                    std::memcpy(to + source * elementSize, from + target, elementSize);
            }
}

} // namespace

void TGLBaseImage::RegisterAsOpenGLTexture(TGLTextureHandle* AHandle, bool aMipmapGen, GLenum aTexFormat,
                                           int32_t& texWidth, int32_t& texHeight, int32_t& texDepth)
{
    if (!AHandle || AHandle->Target() == ttNoShape) return;
    TGLExtensionsAndEntryPoints* GL = GetCurrentGL();
    TGLStateCache* states = GetCurrentGLContextOrAbort()->GLStates();
    // An error left by earlier work must not be taken for this upload's.
    GL->ClearError();
    UpdateLevelsInfo();
    // A buffer short of its layout (a load refused after the image took the file's size) is never read.
    bool blank = IsBlankImage() || fData.size() < DataSize();

    if (GL->ARB_texture_non_power_of_two) {
        texWidth = Width();
        texHeight = Height();
        texDepth = Depth();
    } else {
        texWidth = NextPowerOfTwo(Width());
        texHeight = NextPowerOfTwo(Height());
        texDepth = Depth() > 0 ? NextPowerOfTwo(Depth()) : 0;
    }
    const int32_t maxSize = static_cast<int32_t>(states->MaxTextureSize());
    texWidth = std::min(texWidth, maxSize);
    texHeight = std::min(texHeight, maxSize);

    // Pixels of another size come from a rescaled copy (every face of a cube map), which also takes the
    // software mipmaps, so each level is uploaded from its own pixels.
    TGLBaseImage* source = this;
    std::unique_ptr<TGLBaseImage> scaled;
    int32_t levels = fLevelCount;
    if (texWidth != Width() || texHeight != Height()) {
        if (texDepth > 0 || IsCompressed() || blank) {
            blank = true;
        } else {
            try {
                scaled = std::make_unique<TGLBaseImage>();
                scaled->SetLevel0(texWidth, texHeight, 0);
                scaled->fColorFormat = fColorFormat;
                scaled->fInternalFormat = fInternalFormat;
                scaled->fDataType = fDataType;
                scaled->fElementSize = fElementSize;
                scaled->fCubeMap = fCubeMap;
                scaled->ResizeData(scaled->DataSize());
                for (int32_t face = 0; face < (fCubeMap ? 6 : 1); ++face)
                    RescaleImage(GetLevelAddress(0, face), scaled->GetLevelAddress(0, face), fColorFormat, fDataType,
                                 ImageFilterLanczos3, Width(), Height(), texWidth, texHeight,
                                 FLOD[0].Size / (fCubeMap ? 6 : 1), scaled->FLOD[0].Size / (fCubeMap ? 6 : 1));
                source = scaled.get();
                levels = 1;
            } catch (const Exception&) {
                blank = true;
                scaled.reset();
            }
        }
    }
    if (auto* image = dynamic_cast<TGLImage*>(this)) image->FBlank = blank;

    const GLenum glTarget = TextureTargetToGLEnum(AHandle->Target());
    if (aMipmapGen && TargetSupportsMipmaps(glTarget) && levels == 1) {
        if (GL->SGIS_generate_mipmap) {
            GL->TexParameteri(glTarget, GL_GENERATE_MIPMAP_SGIS, 1);
        } else if (!blank) {
            source->GenerateMipmap(ImageFilterTriangle);
            levels = source->LevelCount();
        }
    }
    if (GL->SGIS_texture_lod && levels > 1) GL->TexParameteri(glTarget, GL_TEXTURE_MAX_LEVEL, levels - 1);

    // Rows are tightly packed.
    states->SetUnpackAlignment(1);
    states->SetUnpackRowLength(0);
    states->SetUnpackSkipRows(0);
    states->SetUnpackSkipPixels(0);
    const TTextureUploader upload{GL,          IsCompressed(),  GL->EXT_direct_state_access,
                                  AHandle->Handle(), aTexFormat, fColorFormat, fDataType, fElementSize};
    auto pixels = [&](int32_t level, int32_t face = 0) -> const uint8_t* {
        return blank ? nullptr : source->GetLevelAddress(level, face);
    };
    int32_t w = texWidth, h = texHeight, d = texDepth;
    auto halve = [](int32_t& v) { v = std::max(v / 2, 1); };
    switch (AHandle->Target()) {
    case ttTexture1D:
        for (int32_t level = 0; level < levels; ++level, halve(w)) upload.Image1D(glTarget, level, w, pixels(level));
        break;
    case ttTexture2D:
        for (int32_t level = 0; level < levels; ++level, halve(w), halve(h))
            upload.Image2D(glTarget, level, w, h, pixels(level));
        break;
    case ttTextureRect:
        upload.Image2D(glTarget, 0, w, h, pixels(0));
        break;
    case ttTexture3D: {
        std::vector<uint8_t> rearranged;
        for (int32_t level = 0; level < levels; ++level, halve(w), halve(h), halve(d)) {
            const uint8_t* data = pixels(level);
            if (data && IsCompressed() && GL->NV_texture_compression_vtc) {
                if (rearranged.empty()) rearranged.resize(FLOD[0].Size);
                RearrangeVolumeBlocks(data, rearranged.data(), w, h, d, fElementSize, true);
                data = rearranged.data();
            }
            upload.Image3D(glTarget, level, w, h, d, data);
        }
        break;
    }
    case ttTextureCube:
        for (int32_t level = 0; level < levels; ++level, halve(w), halve(h))
            for (int32_t face = 0; face < 6; ++face)
                upload.Image2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, level, w, h, pixels(level, face));
        break;
    case ttTexture1DArray:
        for (int32_t level = 0; level < levels; ++level, halve(w)) upload.Image2D(glTarget, level, w, h, pixels(level));
        break;
    case ttTexture2DArray:
    case ttTextureCubeArray:
        for (int32_t level = 0; level < levels; ++level, halve(w), halve(h))
            upload.Image3D(glTarget, level, w, h, d, pixels(level));
        break;
    default: // buffer and multisample textures take no pixels
        break;
    }
}

bool TGLBaseImage::ReadTextureLevels(uint32_t name, TGLTextureTarget target,
                                     const std::function<void(GLenum queriedFormat)>& chooseFormat)
{
    TGLExtensionsAndEntryPoints* GL = GetCurrentGL();
    TGLStateCache* states = GetCurrentGLContextOrAbort()->GLStates();
    const GLenum glTarget = TextureTargetToGLEnum(target);
    states->SetActiveTexture(0);
    states->SetTextureBinding(0, target, name);
    fLevelCount = 0;
    GLint maxLevel = 0;
    GL->GetTexParameteriv(glTarget, GL_TEXTURE_MAX_LEVEL, &maxLevel);
    fCubeMap = glTarget == GL_TEXTURE_CUBE_MAP;
    const GLenum queryTarget = fCubeMap ? GL_TEXTURE_CUBE_MAP_POSITIVE_X : glTarget;
    fTextureArray = glTarget == GL_TEXTURE_1D_ARRAY || glTarget == GL_TEXTURE_2D_ARRAY ||
                    glTarget == GL_TEXTURE_CUBE_MAP_ARRAY;

    int32_t limit = 1;
    do {
        GLint format = 0, w = 0;
        GL->GetTexLevelParameteriv(queryTarget, fLevelCount, GL_TEXTURE_INTERNAL_FORMAT, &format);
        GL->GetTexLevelParameteriv(queryTarget, fLevelCount, GL_TEXTURE_WIDTH, &w);
        // An undefined level: internal format 1 in a compatibility context, any format but no width in others.
        if (format == 1 || w == 0) break;
        if (fLevelCount == 0) {
            GLint h = 0, d = 0;
            GL->GetTexLevelParameteriv(queryTarget, 0, GL_TEXTURE_HEIGHT, &h);
            if (glTarget == GL_TEXTURE_3D || glTarget == GL_TEXTURE_2D_ARRAY || glTarget == GL_TEXTURE_CUBE_MAP_ARRAY)
                GL->GetTexLevelParameteriv(queryTarget, 0, GL_TEXTURE_DEPTH, &d);
            SetLevel0(w, h, d);
            chooseFormat(static_cast<GLenum>(format));
            limit = std::min(maxLevel + 1, LevelCountForSize(w, h, d, glTarget == GL_TEXTURE_3D));
            if (fInternalFormat >= tfFLOAT_R16 && fInternalFormat <= tfFLOAT_RGBA32) limit = 1;
        }
        ++fLevelCount;
    } while (fLevelCount < std::min(limit, cMaxImageLevels));

    FreeData();
    if (fLevelCount == 0) return false;
    fElementSize = PixelElementSize(fColorFormat, fDataType);
    ResizeData(DataSize());
    states->SetPackAlignment(1);
    states->SetPackRowLength(0);
    states->SetPackSkipRows(0);
    states->SetPackSkipPixels(0);
    std::vector<uint8_t> rearranged;
    for (int32_t face = 0; face < (fCubeMap ? 6 : 1); ++face) {
        const GLenum faceTarget = fCubeMap ? GL_TEXTURE_CUBE_MAP_POSITIVE_X + face : glTarget;
        for (int32_t level = 0; level < fLevelCount; ++level) {
            uint8_t* destination = GetLevelAddress(level, face);
            if (!IsCompressed()) {
                GL->GetTexImage(faceTarget, level, fColorFormat, fDataType, destination);
            } else if (GL->NV_texture_compression_vtc && LevelDepth(level) > 1 && !fTextureArray) {
                rearranged.resize(FLOD[level].Size);
                GL->GetCompressedTexImage(faceTarget, level, rearranged.data());
                RearrangeVolumeBlocks(rearranged.data(), destination, LevelWidth(level), LevelHeight(level),
                                      LevelDepth(level), fElementSize, false);
            } else {
                GL->GetCompressedTexImage(faceTarget, level, destination);
            }
        }
    }
    return true;
}

bool TGLBaseImage::AssignFromTexture(TGLTextureHandle* AHandle, bool CastToFormat, TGLInternalFormat intFormat,
                                     GLenum colorFormat, GLenum dataType)
{
    TGLContext* context = GetCurrentGLContext();
    if (!context && AHandle) context = AHandle->RenderingContext();
    if (!context || !AHandle) return false;
    const TActiveContext use(context, true);
    if (AHandle->IsDataNeedUpdate()) return false;
    const bool found = ReadTextureLevels(AHandle->Handle(), AHandle->Target(), [&](GLenum queried) {
        fInternalFormat = CastToFormat ? GLEnumToInternalFormat(queried) : intFormat;
        InternalFormatPixelFormat(fInternalFormat, fColorFormat, fDataType);
        if (colorFormat != 0) fColorFormat = colorFormat;
        if (dataType != 0) fDataType = dataType;
    });
    if (auto* image = dynamic_cast<TGLImage*>(this)) {
        image->FBlank = !found;
        if (!found) UnMipmap();
    }
    GetCurrentGL()->CheckError();
    return true;
}

void TGLImage::AssignFromTexture2D(uint32_t textureHandle)
{
    UnMipmap();
    TGLStateCache* states = GetCurrentGLContextOrAbort()->GLStates();
    TGLExtensionsAndEntryPoints* GL = GetCurrentGL();
    const int32_t unit = states->ActiveTexture();
    const uint32_t previous = states->TextureBinding(unit, ttTexture2D);
    states->SetTextureBinding(unit, ttTexture2D, textureHandle);
    struct TRestore {
        TGLStateCache* states;
        int32_t unit;
        uint32_t binding;
        ~TRestore() { states->SetTextureBinding(unit, ttTexture2D, binding); }
    } restore{states, unit, previous};
    GLint w = 0, h = 0;
    GL->GetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    GL->GetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    InitPlainImage(w, h, GL_RGBA, tfRGBA8, GL_UNSIGNED_BYTE, 4);
    states->SetPackAlignment(1);
    if (DataBytes()) GL->GetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, DataBytes());
    FBlank = false;
}

void TGLImage::AssignFromTexture2D(TGLTextureHandle* textureHandle)
{
    TGLContext* context = textureHandle ? textureHandle->RenderingContext() : nullptr;
    if (!context || textureHandle->RecordForContext(context)->FHandle == 0) {
        UnMipmap();
        SetLevel0(0, 0, 0);
        fColorFormat = GL_RGBA;
        fInternalFormat = tfRGBA8;
        fDataType = GL_UNSIGNED_BYTE;
        fElementSize = 4;
        FreeData();
        return;
    }
    const TActiveContext use(context, true);
    AssignFromTexture2D(textureHandle->Handle());
}

void TGLImage::ReadPixels(const TRect& area)
{
    UnMipmap();
    FBlank = false;
    InitPlainImage((area.Right - area.Left) & 0xFFFC, area.Bottom - area.Top, GL_RGBA, tfRGBA8, GL_UNSIGNED_BYTE, 4);
    if (!DataBytes()) return;
    GetCurrentGLContextOrAbort()->GLStates()->SetPackAlignment(1);
    GetCurrentGL()->ReadPixels(0, 0, Width(), Height(), GL_RGBA, GL_UNSIGNED_BYTE, DataBytes());
}

void TGLImage::DrawPixels(float x, float y)
{
    if (FBlank || IsEmpty() || !DataBytes()) return;
    TGLStateCache* states = GetCurrentGLContextOrAbort()->GLStates();
    Assert(!states->ForwardContext(), "", cGLGraphicsUnit);
    states->SetUnpackAlignment(1);
    TGLExtensionsAndEntryPoints* GL = GetCurrentGL();
    GL->RasterPos2f(x, y);
    GL->DrawPixels(Width(), Height(), fColorFormat, fDataType, DataBytes());
}
