#include "GLFileTGA.h"

#include "TGA.h"

void TGLTGAImage::LoadFromStream(TStream& stream)
{
    TTGAHeader header;
    if (!ReadTGAHeader(stream, header)) throw EInvalidRasterFile("TGA file truncated");
    if (header.ColorMapType != 0) throw EInvalidRasterFile("ColorMapped TGA unsupported");
    UnMipmap();
    SetLevel0(header.Width, header.Height, 0);
    switch (header.PixelDepth) {
    case 8:
        fColorFormat = GL_LUMINANCE;
        fInternalFormat = tfLUMINANCE8;
        fDataType = GL_UNSIGNED_BYTE;
        break;
    case 16:
        fColorFormat = GL_BGRA;
        fInternalFormat = tfRGB5_A1;
        fDataType = GL_UNSIGNED_SHORT_1_5_5_5_REV;
        break;
    case 24:
        fColorFormat = GL_BGR;
        fInternalFormat = tfRGB8;
        fDataType = GL_UNSIGNED_BYTE;
        break;
    case 32:
        fColorFormat = GL_BGRA;
        fInternalFormat = tfRGBA8;
        fDataType = GL_UNSIGNED_BYTE;
        break;
    default:
        throw EInvalidRasterFile("Unsupported TGA ImageType");
    }
    // An 8-bit picture that is not grey has no depth of its own type.
    if (header.PixelDepth == 8 && !TGATypeSupported(header)) throw EInvalidRasterFile("Unsupported TGA ImageType");
    fElementSize = header.PixelDepth / 8;
    fCubeMap = false;
    fTextureArray = false;
    if (!TGATypeSupported(header))
        throw EInvalidRasterFile(Format("Unsupported TGA ImageType %d", {header.ImageType}));
    // Nothing is allocated for a size the file cannot hold.
    if (const std::string problem = TGADataProblem(stream, header); !problem.empty())
        throw EInvalidRasterFile(problem);
    FreeData();
    ResizeData(DataSize());
    const std::string failure = ReadTGAPixels(stream, header, DataBytes(), fData.size());
    if (!failure.empty()) throw EInvalidRasterFile(failure);
}

// The engine reads this format only: a save must not pass for a written file.
void TGLTGAImage::SaveToStream(TStream& /*stream*/)
{
    throw EInvalidRasterFile("Saving TGA images is not supported");
}

void RegisterGLFileTGA()
{
    RegisterRasterFileFormat<TGLTGAImage>("tga", "TARGA Image File");
}
